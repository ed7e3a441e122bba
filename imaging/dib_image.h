// CDibImage: one frame of an image file as a bottom-up device-independent
// bitmap (DIB) with its colour table, loaded through the codec library and
// convertible to 24-bit true colour, 8-bit grays or the fixed 3-3-2 palette.
//
// This header and dib_image.cpp are portable: the DIB structures below have
// the byte layout of the Windows BITMAPINFOHEADER / RGBQUAD / LOGPALETTE, so
// the Windows side (dib_image_win32.cpp: Draw, MakePalette returning a GDI
// palette) hands `bmi` and `bits` to StretchDIBits and a DibLogPalette to
// CreatePalette by a cast, without copying.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "imaging/codec.h"

// ---- Results (`error`), 0 or negative; ErrorText gives their texts ----
constexpr int kDibOk = 0;
constexpr int kDibErrFileNotFound = -1;
constexpr int kDibErrOpen = -2; // the file cannot be opened
constexpr int kDibErrClose = -3;
constexpr int kDibErrReadHeader = -4; // the format's header reader failed
constexpr int kDibErrCorrupt = -5;
constexpr int kDibErrFormat = -6; // no format lists the file's extension
constexpr int kDibErrWriteHeader = -7;
constexpr int kDibErrWriteFile = -8;
constexpr int kDibErrReadLine = -9;
constexpr int kDibErrWriteLine = -10;
constexpr int kDibErrMemory = -11; // allocation failed or exceeds kDibMaxBytes
constexpr int kDibErrWritePalette = -12;
constexpr int kDibErrGif = -13;
constexpr int kDibErrHandle = -14; // an operation on an image that holds no bits
constexpr int kDibErrTooMany = -15;
constexpr int kDibErrEmptyName = -16;
constexpr int kDibErrReadPalette = -17; // the format's palette reader failed
constexpr int kDibErrReadData = -18;    // the format's data reader failed
constexpr int kDibErrDither = -19;

// Text of a result code; "Unexpected error" for codes outside the table.
const char* ErrorText(int code);

// Largest pixel buffer an image may own (any depth, after any conversion):
// 256 MiB, room for 8192 x 8192 at 24 bits; larger is refused as out of memory
// so that a header cannot make the process reserve what a file cannot fill.
constexpr size_t kDibMaxBytes = size_t(256) << 20;

// Byte layout of BITMAPINFOHEADER (40 bytes, little-endian).
struct DibInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight; // positive: rows stored bottom-up
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression; // 0 = BI_RGB
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(DibInfoHeader) == 40, "BITMAPINFOHEADER layout");

// Byte layout of RGBQUAD.
struct DibRgbQuad {
    uint8_t rgbBlue, rgbGreen, rgbRed, rgbReserved;
};

// BITMAPINFO with room for 256 colour entries.
struct DibInfo {
    DibInfoHeader bmiHeader;
    DibRgbQuad bmiColors[256];
};
static_assert(sizeof(DibInfo) == 40 + 4 * 256, "BITMAPINFO layout");

// Byte layout of PALETTEENTRY and of LOGPALETTE with 256 entries.
struct DibPaletteEntry {
    uint8_t peRed, peGreen, peBlue, peFlags;
};
struct DibLogPalette {
    uint16_t palVersion; // 0x300
    uint16_t palNumEntries;
    DibPaletteEntry palPalEntry[256];
};
static_assert(sizeof(DibLogPalette) == 4 + 4 * 256, "LOGPALETTE layout");

// Row stride of a DIB: ((width * bitsPerPixel + 31) / 32) * 4 bytes.
inline size_t DibStride(int width, int bitsPerPixel) {
    return width > 0 && bitsPerPixel > 0 ? ((size_t(width) * size_t(bitsPerPixel) + 31) / 32) * 4
                                         : 0;
}

// Windows COLORREF 0x00BBGGRR.
inline uint32_t DibRgb(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
}

#if defined(_WIN32)
// Handle types as <windows.h> declares them (STRICT), so that this header does
// not need it; dib_image_win32.cpp includes <windows.h> and defines the members.
struct HDC__;
struct HPALETTE__;
struct tagRECT;
#endif

class CDibImage {
  public:
    // io: the file operations for LoadFrame; nullptr = codec_default_io().
    explicit CDibImage(const CodecIo* io = nullptr);
    virtual ~CDibImage();
    CDibImage(const CDibImage&) = delete;
    CDibImage& operator=(const CDibImage&) = delete;

    // Reads frame frameIndex (taken modulo 65536; 0 is the first image) of the
    // file, picking the format by the file's extension.  Frames of a GIF file are
    // read in sequence: frame k + 1 only after frame k through this object.
    // false with `error` = -6 (no format for the extension; the file is not
    // opened), -2 (cannot open), -4 (header), -17 (palette), -18 (data) or -11
    // (memory).  A failure before the data step leaves the previous image (bits,
    // size, depth, colour table, GIF fields) as it was; a data failure frees bits.
    bool LoadFrame(const char* fileName, int frameIndex);

    // 1, 4 or 8 bits to 24 bits through the colour table; 24 bits: unchanged.
    // false: -11 (memory, image unchanged) or -14 (no image).
    bool ToTrueColor();
    // To 8-bit grays (R*30 + G*59 + B*11) / 100 with the 256-gray table, via
    // ToTrueColor.  false: -11 or -14.
    bool ToGrayscale();
    // 24 bits to 8 bits in the fixed 3-3-2 palette with error diffusion; images
    // of 8 bits or fewer: unchanged.  false: -11 (image unchanged) or -14.
    bool ReduceTo256();

    // The logical palette of the image: colorsUsed entries, or 256 when
    // reduceForDisplay is set, copied from the colour table (flags 0),
    // palVersion 0x300.  false when the image has neither (no palette).
    bool MakePalette(DibLogPalette* out) const;

#if defined(_WIN32)
    // GDI side (dib_image_win32.cpp): a new palette owned by the caller, or none.
    HPALETTE__* MakePalette();
    // Draws with StretchDIBits; dest/source nullptr = the whole image at (0, 0);
    // a destination of zero width or height draws at natural size at its corner.
    bool Draw(HDC__* dc, const tagRECT* dest, const tagRECT* source, int forceBackground);
#endif

    // Row stride of `bits` in bytes.
    size_t Stride() const {
        return DibStride(width, bitsPerPixel);
    }
    // Palette index (1/4/8 bits) or 0x00BBGGRR colour (24 bits) of pixel (x, y),
    // y counted from the top row; for tests and for callers that sample pixels.
    uint32_t PixelAt(int x, int y) const;

    DibInfo bmi;
    uint8_t* bits = nullptr; // height x Stride() bytes, rows bottom-up; owned
    int error = 0;
    int width = 0, height = 0;
    int screenWidth = 0, screenHeight = 0, left = 0, top = 0; // GIF only
    int bitsPerPixel = 0;
    int colorsUsed = 0; // 2^bitsPerPixel up to 8 bits, else 0
    int format = -1;    // codec table row of the loaded image; -1 before the first load
    int transparentIndex = -1;
    uint32_t transparentColor = 0; // COLORREF of transparentIndex's entry
    uint16_t delay = 0;            // GIF frame delay, 1/100 s
    uint16_t controlFlags = 0;     // low byte: GIF graphic control packed byte
    bool reduceForDisplay = false; // set by Draw for true colour on a palette display
    CodecHeader* header = nullptr; // 2048 bytes from the first load until destruction

  protected:
    // Hook that receives each failure's message format and arguments; shows nothing.
    virtual void Report(const char* format, va_list args);

  private:
    bool Fail(int code, const char* format, ...);
    void ReplaceBits(uint8_t* newBits, int newBitsPerPixel);
    const CodecIo* io_;
};
