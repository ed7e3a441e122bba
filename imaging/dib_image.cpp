// Loading and conversions of CDibImage (the portable half; drawing is in
// dib_image_win32.cpp).
#include "imaging/dib_image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

struct ErrorEntry {
    int code;
    const char* text;
};
const ErrorEntry kErrorTexts[] = {
    {0, "No error has occurred"},
    {-1, "File not found"},
    {-2, "Failure opening file"},
    {-3, "Failure closing file"},
    {-4, "Failure reading file header"},
    {-5, "File corrupted"},
    {-6, "File format not supported"},
    {-7, "Failure writing file header"},
    {-8, "Failure writing output file"},
    {-9, "Failure reading scan line"},
    {-10, "Failure writing scan line"},
    {-11, "Out of memory"},
    {-12, "Failure writing palette"},
    {-13, "Invalid GIF format"},
    {-14, "Invalid image handle"},
    {-15, "Too many open images"},
    {-16, "Empty filename"},
    {-17, "Failure reading image palette"},
    {-18, "Failure reading image data"},
    {-19, "Failure dithering image"},
};

// Zeroed pixel memory of rows x stride bytes, or nullptr when it is too large or
// cannot be had.  Zeroed so that rows a decoder leaves unwritten are defined.
uint8_t* AllocBits(int rows, size_t stride) {
    if (rows < 0 || stride == 0 || size_t(rows) > kDibMaxBytes / stride) return nullptr;
    size_t n = size_t(rows) * stride;
    return static_cast<uint8_t*>(std::calloc(n ? n : 1, 1));
}

// Closes the handle when the load returns, whatever the path.
struct FileCloser {
    CodecFile* f;
    ~FileCloser() { codec_close(f); }
};

// Pixel index x of a 1, 4 or 8-bit row.
inline int IndexAt(const uint8_t* row, int x, int bpp) {
    switch (bpp) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default:
        return row[x];
    }
}

// The fixed 3-3-2 palette: index = red level << 5 | green level << 2 | blue level.
constexpr uint8_t kLevel8[8] = {0, 36, 73, 109, 146, 182, 219, 255}; // round(k * 255 / 7)
constexpr uint8_t kLevel4[4] = {0, 85, 170, 255};

// A quarter of d rounded toward minus infinity (an arithmetic shift right by 2).
inline int QuarterFloor(int d) {
    return d >= 0 ? d >> 2 : -((-d + 3) >> 2);
}

inline uint8_t Clamp255(int v) {
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

} // namespace

const char* ErrorText(int code) {
    for (const ErrorEntry& e : kErrorTexts)
        if (e.code == code) return e.text;
    return "Unexpected error";
}

CDibImage::CDibImage(const CodecIo* io) : io_(io ? io : codec_default_io()) {
    std::memset(&bmi, 0, sizeof bmi);
}

CDibImage::~CDibImage() {
    std::free(bits);
    delete header;
}

void CDibImage::Report(const char*, va_list) {}

bool CDibImage::Fail(int code, const char* format, ...) {
    error = code;
    va_list args;
    va_start(args, format);
    Report(format, args);
    va_end(args);
    return false;
}

// Makes newBits the image's pixels at the given depth and rewrites the header
// for it (size, width, height, planes and bit count; everything else 0).
void CDibImage::ReplaceBits(uint8_t* newBits, int newBitsPerPixel) {
    std::free(bits);
    bits = newBits;
    bitsPerPixel = newBitsPerPixel;
    colorsUsed = newBitsPerPixel <= 8 ? 1 << newBitsPerPixel : 0;
    DibInfoHeader& h = bmi.bmiHeader;
    std::memset(&h, 0, sizeof h);
    h.biSize = sizeof(DibInfoHeader);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = uint16_t(newBitsPerPixel);
}

bool CDibImage::LoadFrame(const char* fileName, int frameIndex) {
    char options[32];
    std::snprintf(options, sizeof options, "index=%u", unsigned(frameIndex) & 0xFFFFu);
    error = kDibOk;
    if (!fileName) fileName = "";

    int fmt = -1;
    if (codec_guess(fileName, &fmt) != kCodecOk)
        return Fail(kDibErrFormat, "Can't deduce bitmap format from file extension: %s", fileName);

    CodecFile file;
    if (!codec_open(&file, io_, fileName))
        return Fail(kDibErrOpen, "Can't open file: %s", fileName);
    FileCloser closer{&file};

    if (!header) {
        header = new (std::nothrow) CodecHeader;
        if (!header) return Fail(kDibErrMemory, "Out of memory");
        std::memset(header, 0, sizeof *header);
    }

    int rc = codec_read_header(fileName, &file, fmt, header, options);
    // A header that describes no pixels, or a depth the DIB cannot hold, is as
    // unreadable as a broken one; later drawing and scaling divide by the size.
    if (rc == kCodecOk && (header->width <= 0 || header->height <= 0)) rc = kCodecErrBadSize;
    if (rc == kCodecOk && header->bpp != 1 && header->bpp != 4 && header->bpp != 8 &&
        header->bpp != 24)
        rc = kCodecErrNotSupported;
    if (rc != kCodecOk)
        return Fail(kDibErrReadHeader, "Can't read file header of %s: %s", fileName,
                    codec_error_text(rc));

    const int newWidth = header->width, newHeight = header->height, newBpp = header->bpp;
    const int newColors = newBpp <= 8 ? 1 << newBpp : 0;
    const size_t stride = DibStride(newWidth, newBpp);
    if (size_t(newHeight) > kDibMaxBytes / stride) return Fail(kDibErrMemory, "Out of memory");

    uint8_t palette[3 * 256];
    std::memset(palette, 0, sizeof palette);
    if (newColors > 0) {
        rc = codec_read_palette(&file, fmt, header, palette);
        if (rc != kCodecOk)
            return Fail(kDibErrReadPalette, "Can't read file palette of %s: %s", fileName,
                        codec_error_text(rc));
    }

    // From here on the previous image is gone.
    std::free(bits);
    bits = nullptr;
    width = newWidth;
    height = newHeight;
    bitsPerPixel = newBpp;
    colorsUsed = newColors;
    format = fmt;
    reduceForDisplay = false;
    if (fmt == kFormatGif) {
        screenWidth = header->screenWidth;
        screenHeight = header->screenHeight;
        left = header->left;
        top = header->top;
        transparentIndex = header->transparentIndex;
        delay = uint16_t(header->delay);
        controlFlags = uint16_t(header->controlFlags);
        transparentColor = 0;
        if (transparentIndex >= 0 && transparentIndex < colorsUsed) {
            const uint8_t* e = palette + 3 * transparentIndex;
            transparentColor = DibRgb(e[0], e[1], e[2]);
        }
    } else {
        transparentIndex = -1;
        transparentColor = 0;
        delay = 0;
        controlFlags = 0;
    }

    uint8_t* newBits = AllocBits(height, stride);
    if (!newBits) return Fail(kDibErrMemory, "Out of memory");
    rc = codec_read_data(&file, fmt, header, newBits);
    if (rc != kCodecOk) {
        std::free(newBits);
        return Fail(kDibErrReadData, "Can't read file data of %s: %s", fileName,
                    codec_error_text(rc));
    }

    ReplaceBits(newBits, newBpp);
    std::memset(bmi.bmiColors, 0, sizeof bmi.bmiColors);
    for (int i = 0; i < colorsUsed; ++i) {
        bmi.bmiColors[i].rgbRed = palette[3 * i];
        bmi.bmiColors[i].rgbGreen = palette[3 * i + 1];
        bmi.bmiColors[i].rgbBlue = palette[3 * i + 2];
    }
    return true;
}

bool CDibImage::ToTrueColor() {
    if (!bits) return Fail(kDibErrHandle, "No image");
    if (bitsPerPixel > 8) return true;
    const size_t srcStride = Stride(), dstStride = DibStride(width, 24);
    uint8_t* out = AllocBits(height, dstStride);
    if (!out) return Fail(kDibErrMemory, "Out of memory");
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = bits + size_t(y) * srcStride;
        uint8_t* dst = out + size_t(y) * dstStride;
        for (int x = 0; x < width; ++x, dst += 3) {
            const DibRgbQuad& c = bmi.bmiColors[IndexAt(src, x, bitsPerPixel)];
            dst[0] = c.rgbBlue;
            dst[1] = c.rgbGreen;
            dst[2] = c.rgbRed;
        }
    }
    ReplaceBits(out, 24);
    return true;
}

bool CDibImage::ToGrayscale() {
    if (!bits) return Fail(kDibErrHandle, "No image");
    if (bitsPerPixel != 24 && !ToTrueColor()) return false;
    const size_t srcStride = Stride(), dstStride = DibStride(width, 8);
    uint8_t* out = AllocBits(height, dstStride);
    if (!out) return Fail(kDibErrMemory, "Out of memory");
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = bits + size_t(y) * srcStride;
        uint8_t* dst = out + size_t(y) * dstStride;
        for (int x = 0; x < width; ++x, src += 3)
            dst[x] = uint8_t((src[2] * 30 + src[1] * 59 + src[0] * 11) / 100);
    }
    ReplaceBits(out, 8);
    for (int i = 0; i < 256; ++i)
        bmi.bmiColors[i] = DibRgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    return true;
}

namespace {

// One channel's step of the diffusion for every sum a pixel can reach: the
// pixel's stored value (0..255) plus twice the error of its left neighbour
// (-22..20), clamped, gives its level's index bits and its own error.
struct DiffusionStep {
    int8_t error;
    uint8_t indexBits;
};
constexpr int kSumBias = 32;
constexpr int kSumRange = 256 + 2 * kSumBias;

struct DiffusionTables {
    DiffusionStep red[kSumRange], green[kSumRange], blue[kSumRange];
    uint8_t clampNext[256 + 2 * 16]; // stored value + error (-11..10), clamped
    DiffusionTables() {
        for (int i = 0; i < kSumRange; ++i) {
            const int v = Clamp255(i - kSumBias);
            const int level8 = v >> 5;
            const int level4 = v / 85 + (v % 85 > 43 ? 1 : 0);
            red[i] = {int8_t(QuarterFloor(v - kLevel8[level8])), uint8_t(level8 << 5)};
            green[i] = {int8_t(QuarterFloor(v - kLevel8[level8])), uint8_t(level8 << 2)};
            blue[i] = {int8_t(QuarterFloor(v - kLevel4[level4])), uint8_t(level4)};
        }
        for (int i = 0; i < int(sizeof clampNext); ++i)
            clampNext[i] = Clamp255(i - 16);
    }
};

const DiffusionTables& Diffusion() {
    static const DiffusionTables tables;
    return tables;
}

// One stored row of the diffusion: each pixel's index goes to dst, its errors
// are carried right in eb, eg, er and added in place to the pixel below it in
// storage order (n: the next stored row, or a scratch row after the last).
struct DiffusionRow {
    const uint8_t* __restrict c; // this row's blue, green, red values
    uint8_t* __restrict n;
    uint8_t* __restrict dst;
    int eb = 0, eg = 0, er = 0;

    inline void Pixel(const DiffusionTables& __restrict t, int x) {
        const uint8_t* p = c + 3 * x;
        const DiffusionStep sb = t.blue[p[0] + 2 * eb + kSumBias];
        const DiffusionStep sg = t.green[p[1] + 2 * eg + kSumBias];
        const DiffusionStep sr = t.red[p[2] + 2 * er + kSumBias];
        dst[x] = uint8_t(sr.indexBits | sg.indexBits | sb.indexBits);
        eb = sb.error;
        eg = sg.error;
        er = sr.error;
        uint8_t* q = n + 3 * x;
        q[0] = t.clampNext[q[0] + eb + 16];
        q[1] = t.clampNext[q[1] + eg + 16];
        q[2] = t.clampNext[q[2] + er + 16];
    }
};

} // namespace

// Error diffusion into the fixed palette.  Rows are taken in storage order
// (bottom row first); for each pixel, left to right, the index is
//   (R & 0xE0) + ((G >> 3) & 0x1C) + B / 85 (+1 when B % 85 > 43)
// and a quarter of each channel's error (floored) goes to the pixel below in
// storage order, twice that to the pixel on the right, every sum clamped.
// The 24-bit rows are about to be freed, so the errors for the next row are
// added to them in place; the right neighbour's share is carried in a register.
bool CDibImage::ReduceTo256() {
    if (!bits) return Fail(kDibErrHandle, "No image");
    if (bitsPerPixel <= 8) return true;
    const size_t srcStride = Stride(), dstStride = DibStride(width, 8);
    std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[size_t(width) * 3]);
    uint8_t* out = scratch ? AllocBits(height, dstStride) : nullptr;
    if (!out) return Fail(kDibErrMemory, "Out of memory");

    const DiffusionTables& t = Diffusion();
    for (int y = 0; y < height; ++y) {
        DiffusionRow row;
        row.c = bits + size_t(y) * srcStride;
        row.n = y + 1 < height ? bits + size_t(y + 1) * srcStride : scratch.get();
        row.dst = out + size_t(y) * dstStride;
        for (int x = 0; x < width; ++x)
            row.Pixel(t, x);
    }
    ReplaceBits(out, 8);
    for (int i = 0; i < 256; ++i)
        bmi.bmiColors[i] = DibRgbQuad{kLevel4[i & 3], kLevel8[(i >> 2) & 7], kLevel8[i >> 5], 0};
    return true;
}

bool CDibImage::MakePalette(DibLogPalette* out) const {
    const int entries = reduceForDisplay ? 256 : colorsUsed;
    if (!out || entries <= 0) return false;
    out->palVersion = 0x300;
    out->palNumEntries = uint16_t(entries);
    for (int i = 0; i < entries; ++i) {
        const DibRgbQuad& c = bmi.bmiColors[i];
        out->palPalEntry[i] = DibPaletteEntry{c.rgbRed, c.rgbGreen, c.rgbBlue, 0};
    }
    return true;
}

uint32_t CDibImage::PixelAt(int x, int y) const {
    if (!bits || x < 0 || y < 0 || x >= width || y >= height) return 0;
    const uint8_t* row = bits + size_t(height - 1 - y) * Stride();
    if (bitsPerPixel == 24) return DibRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    return uint32_t(IndexAt(row, x, bitsPerPixel));
}
