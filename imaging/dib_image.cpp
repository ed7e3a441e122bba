// Loading and conversions of CDibImage (the portable half; drawing is in
// dib_image_win32.cpp).
#include "imaging/dib_image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "imaging/dither_332.h"

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
        delay = uint16_t(header->delay);
        controlFlags = uint16_t(header->controlFlags);
    } else {
        delay = 0;
        controlFlags = 0;
    }
    // GIF frames and PNG pictures may name one see-through palette entry.
    transparentIndex = fmt == kFormatGif || fmt == kFormatPng ? header->transparentIndex : -1;
    transparentColor = 0;
    if (transparentIndex >= 0 && transparentIndex < colorsUsed) {
        const uint8_t* e = palette + 3 * transparentIndex;
        transparentColor = DibRgb(e[0], e[1], e[2]);
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
    const size_t dstStride = DibStride(width, 8);
    std::unique_ptr<int16_t[]> work(new (std::nothrow) int16_t[Dither332WorkUnits(width)]);
    uint8_t* out = work ? AllocBits(height, dstStride) : nullptr;
    if (!out) return Fail(kDibErrMemory, "Out of memory");
    Dither332(bits, Stride(), out, dstStride, width, height, work.get());
    ReplaceBits(out, 8);
    for (int i = 0; i < 256; ++i) {
        DibRgbQuad& c = bmi.bmiColors[i];
        Palette332(i, &c.rgbRed, &c.rgbGreen, &c.rgbBlue);
        c.rgbReserved = 0;
    }
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
