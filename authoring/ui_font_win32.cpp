#include "authoring/ui_font_win32.h"

#include <cstring>

HFONT CreateDialogFont(HWND window) {
    LOGFONTA lf = {};
    HFONT current = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    if (!current) current = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    GetObjectA(current, sizeof lf, &lf);
    HDC dc = GetDC(window);
    lf.lfHeight = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(window, dc);
    lf.lfWidth = 0;
    lf.lfWeight = 0;
    std::strncpy(lf.lfFaceName, "MS Sans Serif", LF_FACESIZE - 1);
    return CreateFontIndirectA(&lf);
}
