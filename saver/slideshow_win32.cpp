// The slideshow part of the saver window: set-up of the slide and its effect
// and frame lists, loading and fitting each picture, the show -> hold -> erase
// -> next picture cycle, and the "Loading..." status line.  Each next picture
// is prepared ahead by the slide loader while the current one is shown.
#include <memory>

#include "app/settings.h"
#include "saver/geometry/caption.h"
#include "saver/geometry/fitting.h"
#include "saver/saver_window_win32.h"
#include "saver/slide_loader_win32.h"
#include "saver/slide_sprite_win32.h"
#include "win32/handles.h"

namespace {

// The request for the list entry the slideshow takes next.
SlideRequest NextRequest(SaverWindow& window, const SlideSprite& slide) {
    std::vector<std::string>& list = window.slideshowList;
    if (window.nextSlide < 0 || window.nextSlide >= int(list.size())) window.nextSlide = 0;
    SlideRequest r;
    r.index = window.nextSlide;
    r.entry = list[size_t(r.index)];
    r.colorMode = window.colorMode;
    r.sizeFlags = slide.sizeFlags;
    r.screenWidth = window.screenRect.right - window.screenRect.left;
    r.screenHeight = window.screenRect.bottom - window.screenRect.top;
    r.fitAhead = window.trueColorDisplay;
    return r;
}

// Takes the next usable entry of the slideshow list into the slide: the picture
// prepared ahead when there is one, else prepared now.  An entry that cannot be
// loaded, converted or drawn is removed for the rest of the run and its
// successor is tried at once; false when the list runs empty.  The picture
// after the one taken is then requested, to be prepared while this one shows.
bool LoadNextPicture(SaverWindow& window, SlideSprite& slide) {
    std::vector<std::string>& list = window.slideshowList;
    while (!list.empty()) {
        SlideRequest wanted = NextRequest(window, slide);
        PreparedSlide picture = window.slideLoader.Get(wanted);
        if (PutIntoSlide(slide, picture, window.screenRect)) {
            saver::ImageEntry entry = saver::SplitImageEntry(wanted.entry);
            DrawCaption(slide, entry.fileName, entry.caption);
            ++window.nextSlide;
            window.slideLoader.Request(NextRequest(window, slide));
            return true;
        }
        list.erase(list.begin() + wanted.index);
    }
    return false;
}

} // namespace

bool SaverWindow::SetUpSlideshow() {
    const auto& s = g_Settings.slide;
    shapeList = saver::EnabledShapes(IsOptionOn(10029), IsOptionOn(10030), IsOptionOn(10031));
    effectList = saver::EnabledEffects(s.Effects);

    auto owned = std::make_unique<SlideSprite>(rainTable);
    SlideSprite& sl = *owned;
    sl.sizeFlags = saver::SizeFlagsFromOptions(IsOptionOn(10025), IsOptionOn(10026),
                                               IsOptionOn(10027), IsOptionOn(10028));
    sl.bounds = screenRect;
    sl.frameThickness = s.FrameThickness;
    sl.state.eraseMode = false;
    sl.state.speed = s.Speed;
    sl.frameShape = saver::RandomEntry(shapeList, saver::kShapeNone);
    sl.frameColor = COLORREF(saver::ChooseFrameColor(uint32_t(s.FrameColor), IsOptionOn(10032)));
    sl.state.effect = saver::RandomEntry(effectList, saver::kNoEffect);
    nextSlide = 0;
    if (!LoadNextPicture(*this, sl)) return false; // the slide is dropped; sprites may still run

    pictureList.insert(pictureList.begin(), std::move(owned));
    slide = &sl;
    slideCycle.showing = true;
    slideCycle.erasing = false;
    slideCycle.loadNext = false;
    slideCycle.holdStart = 0;
    return true;
}

void SaverWindow::StartErase() {
    if (!slide) return;
    if (saver::HoldExpired(slideCycle, GetTickCount())) {
        saver::BeginErase(slide->state, IsOptionOn(10037), effectList);
        slide->Restart();
    }
}

bool SaverWindow::StepSlideshow() {
    if (slide && slideCycle.loadNext) {
        // The erase has completed: the next picture with a new effect, shape and colour.
        saver::BeginShow(slide->state, effectList);
        slide->Restart();
        slide->frameShape = saver::RandomEntry(shapeList, saver::kShapeNone);
        slide->frameColor = COLORREF(
            saver::ChooseFrameColor(uint32_t(g_Settings.slide.FrameColor), IsOptionOn(10032)));
        if (!LoadNextPicture(*this, *slide)) return false;
        saver::NextPictureStarted(slideCycle);
    }
    StepPictures();
    if (slide) saver::AfterSlideStep(slideCycle, !slide->Completed());
    return true;
}

void SaverWindow::DrawStatusText(const char* text) {
    HDC dc = CanvasDC();
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    size_t n = lstrlenA(text);
    saver::Rect box = saver::StatusTextBox(ToRect(screenRect), n, tm.tmAveCharWidth, tm.tmHeight);
    RECT r = ToRECT(box);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColor = SetTextColor(dc, RGB(0, 255, 255));
    DrawTextA(dc, text, int(n), &r, DT_SINGLELINE | DT_NOCLIP);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
    Invalidate(r);
}
