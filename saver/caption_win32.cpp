// Captions of slideshow pictures, painted into the slide's own bitmap when the
// picture is loaded so that every transition effect carries the caption along.
#include <cstring>

#include "app/settings.h"
#include "saver/geometry/caption.h"
#include "saver/slide_sprite_win32.h"
#include "win32/handles.h"

namespace {

// The caption font: height, italic, underline, strike-out, character set and
// face name from the settings; every other member 0 (the font mapper's defaults).
LOGFONTA CaptionFont() {
    LOGFONTA lf;
    std::memset(&lf, 0, sizeof lf);
    const auto& c = g_Settings.caption;
    lf.lfHeight = c.FontHeight;
    lf.lfItalic = c.FontItalic;
    lf.lfUnderline = c.FontUnderline;
    lf.lfStrikeOut = c.FontStrikeOut;
    lf.lfCharSet = c.FontCharSet;
    lstrcpynA(lf.lfFaceName, c.FontFaceName.c_str(), LF_FACESIZE);
    return lf;
}

} // namespace

void DrawCaption(Sprite& slide, const std::string& fileName, const std::string& entryCaption) {
    int position = g_Settings.caption.Position;
    if (position < saver::kCaptionTop || position > saver::kCaptionBottom) return;
    std::string text = saver::CaptionText(IsOptionOn(10033), fileName, entryCaption);
    if (text.empty() || !slide.imageDC || !slide.imageBitmap) return;

    HDC dc = slide.imageDC;
    LOGFONTA lf = CaptionFont();
    GdiObject<HFONT> font(CreateFontIndirectA(&lf));
    if (!font) return;
    SelectGuard fontSel(dc, font.Get());
    COLORREF oldColor = SetTextColor(dc, COLORREF(g_Settings.caption.ForeColor));
    TEXTMETRICA tm;
    if (GetTextMetricsA(dc, &tm)) {
        int w = slide.rect.right - slide.rect.left, h = slide.rect.bottom - slide.rect.top;
        saver::TextBox box =
            saver::PlaceCaption(position, text.size(), tm.tmAveCharWidth, tm.tmHeight, w, h);
        if (box.draw) {
            int oldMode = SetBkMode(dc, TRANSPARENT);
            TextOutA(dc, box.box.left, box.box.top, text.c_str(), int(text.size()));
            SetBkMode(dc, oldMode);
        }
    }
    SetTextColor(dc, oldColor);
}
