// The slideshow part of the saver window.  Until the slide and its transition
// effects are drawn here, the saver runs its sprites only.
#include "saver/saver_window_win32.h"

#include "saver/geometry/caption.h"
#include "win32/handles.h"

bool SaverWindow::SetUpSlideshow() { return false; }

void SaverWindow::StartErase() {}

bool SaverWindow::StepSlideshow() {
    StepPictures();
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
