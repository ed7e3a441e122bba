// Portrait reader: .CVP pictures, always 512 x 512 pixels of 24 bits.
//
// File layout (fixed size, 786432 bytes): no header; 512 rows, top first, each
// 512 pixels of three bytes red, green, blue.  The size is the only thing the
// file says about itself, so it is checked exactly: a length of n x n x 3
// bytes for another n is a square 24-bit picture of the wrong size for this
// format (1901); any other length is not a Portrait file (1900).
#include "imaging/formats/format_util.h"

#include <cmath>

namespace {

enum : int {
    kCvpErrFileSize = 1900,
    kCvpErrNot512 = 1901,
};

constexpr int32_t kCvpSide = 512;
constexpr int64_t kCvpRowBytes = int64_t(kCvpSide) * 3;
constexpr int64_t kCvpFileSize = kCvpRowBytes * kCvpSide;

bool IsSquareRgb(int64_t length) {
    if (length <= 0 || length % 3 != 0) return false;
    const int64_t pixels = length / 3;
    const int64_t root = int64_t(std::sqrt(double(pixels)));
    for (int64_t side = root > 0 ? root - 1 : 0; side <= root + 1; ++side)
        if (side * side == pixels) return true;
    return false;
}

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char*) {
    const int64_t length = FormatFileLength(f);
    if (length < 0) return kCodecErrRead;
    if (length != kCvpFileSize) return IsSquareRgb(length) ? kCvpErrNot512 : kCvpErrFileSize;
    h->width = kCvpSide;
    h->height = kCvpSide;
    h->bpp = 24;
    return kCodecOk;
}

int ReadPalette(CodecFile*, CodecHeader*, uint8_t*) {
    return kCodecOk; // 24-bit pictures have no palette
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    if (CodecSeek(f, 0, kCodecSeekSet) != 0) return kCodecErrRead;
    uint8_t line[kCvpRowBytes];
    for (int32_t y = 0; y < kCvpSide; ++y) {
        if (CodecReadExact(f, line, int32_t(kCvpRowBytes))) return kCodecErrRead;
        uint8_t* row = FormatRow(pixels, h, kCvpSide - 1 - y);
        for (int32_t x = 0; x < kCvpSide; ++x) {
            row[3 * x] = line[3 * x + 2];
            row[3 * x + 1] = line[3 * x + 1];
            row[3 * x + 2] = line[3 * x];
        }
    }
    return kCodecOk;
}

const char* ErrorText(int code) {
    switch (code) {
    case kCvpErrFileSize:
        return "file is not correct size";
    case kCvpErrNot512:
        return "portrait files can only hold 512x512 images";
    default:
        return nullptr;
    }
}

} // namespace

const CodecReader kPortraitReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
