// The GDI half of CDibImage: palettes and drawing with StretchDIBits.
#include <windows.h>

#include "imaging/dib_image.h"
#include "win32/handles.h"

static_assert(sizeof(DibInfo) == sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD),
              "DibInfo must be a BITMAPINFO with 256 colours");
static_assert(sizeof(DibLogPalette) == sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY),
              "DibLogPalette must be a LOGPALETTE with 256 entries");

HPALETTE CDibImage::MakePalette() {
    DibLogPalette logical;
    if (!MakePalette(&logical)) return nullptr;
    return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&logical));
}

bool CDibImage::Draw(HDC dc, const RECT* dest, const RECT* source, int forceBackground) {
    if (error != 0 || !bits) return false;
    reduceForDisplay = colorsUsed == 0 && GetDeviceCaps(dc, BITSPIXEL) <= 8;
    if (reduceForDisplay && !ReduceTo256()) return false;

    GdiObject<HPALETTE> palette;
    if (colorsUsed != 0 || reduceForDisplay) palette.Reset(MakePalette());
    RECT d = dest ? *dest : RECT{0, 0, width, height};
    if (dest && (dest->right == dest->left || dest->bottom == dest->top))
        d = RECT{dest->left, dest->top, dest->left + width, dest->top + height};
    RECT s = source ? *source : RECT{0, 0, width, height};

    int lines;
    {
        PaletteGuard selected(dc, palette.Get(), forceBackground);
        bmi.bmiHeader.biBitCount = uint16_t(reduceForDisplay ? 8 : bitsPerPixel);
        // StretchDIBits counts source rows from the bottom of a bottom-up DIB.
        lines = StretchDIBits(dc, d.left, d.top, d.right - d.left, d.bottom - d.top, s.left,
                              height - s.bottom, s.right - s.left, s.bottom - s.top, bits,
                              reinterpret_cast<const BITMAPINFO*>(&bmi), DIB_RGB_COLORS, SRCCOPY);
    }
    // The count reported differs between GDI implementations (source rows, or
    // the DIB's whole height for a partial source under Wine); what matters is
    // that the copy happened: 0 and GDI_ERROR mean it did not.
    return lines > 0;
}
