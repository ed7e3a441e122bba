// Small pieces shared by the format readers of this folder: the ceiling on
// pixel memory a header may ask for, the file's length, and buffer rows.
#pragma once

#include <cstdint>
#include <cstring>

#include "common/byte_io.h"
#include "imaging/codec_reader.h"

// No reader accepts an image whose pixel buffer would exceed 256 MiB (the image
// object refuses larger buffers as well), so a header of a few bytes can never
// make the caller allocate gigabytes.
constexpr int64_t kFormatMaxPixelBytes = int64_t(256) << 20;

// True when width x height at bpp is positive and its buffer stays under the
// ceiling.
inline bool FormatSizeFits(int64_t width, int64_t height, int32_t bpp) {
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) return false;
    int64_t stride = CodecStride(int32_t(width), bpp);
    return stride > 0 && height <= kFormatMaxPixelBytes / stride;
}

// Length of the file behind the handle (the position is kept), or -1.
inline int64_t FormatFileLength(CodecFile* f) {
    int64_t here = CodecTell(f);
    if (here < 0) return -1;
    int64_t end = CodecSeek(f, 0, kCodecSeekEnd);
    if (CodecSeek(f, here, kCodecSeekSet) != here) return -1;
    return end;
}

// Buffer row y (0 = the bottom image row) of an image of the header's size.
inline uint8_t* FormatRow(uint8_t* pixels, const CodecHeader* h, int32_t y) {
    return pixels + int64_t(y) * CodecStride(h->width, h->bpp);
}

// Reads rows of 8-bit pixels stored top row first from offset into the
// bottom-up buffer, clearing the bytes between each row's pixels and the
// stride.  0, or kCodecErrRead when the file cannot supply them.
inline int FormatReadTopDownBytes(CodecFile* f, const CodecHeader* h, uint8_t* pixels,
                                  int64_t offset) {
    if (CodecSeek(f, offset, kCodecSeekSet) != offset) return kCodecErrRead;
    const int32_t stride = CodecStride(h->width, 8);
    for (int32_t y = 0; y < h->height; ++y) {
        uint8_t* row = FormatRow(pixels, h, h->height - 1 - y);
        if (CodecReadExact(f, row, h->width)) return kCodecErrRead;
        std::memset(row + h->width, 0, size_t(stride - h->width));
    }
    return kCodecOk;
}
