// IAX reader: IBM Image Access eXecutive pictures, delivered as 8-bit greys.
//
// File layout: no header at all.  One byte per pixel, 0 black to 255 white,
// rows top first, each exactly `width` bytes, nothing between them.  The width
// is not recorded, so it comes from the option "width=n" (512 when absent, the
// size of the scanned pages these files usually hold); the height is the file
// length divided by the width, and a length that is not a whole number of rows
// means the width given is wrong for this file.
#include "imaging/formats/format_util.h"

#include <cstring>

namespace {

constexpr int kIaxErrLength = 1500;
constexpr int kIaxDefaultWidth = 512;

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char* options) {
    int width = kIaxDefaultWidth;
    if (CodecFindValue(options, "width=", &width) && width <= 0) return kCodecErrBadOption;
    const int64_t length = FormatFileLength(f);
    if (length < 0) return kCodecErrRead;
    if (length == 0) return kCodecErrBadSize;
    if (length % width != 0) return kIaxErrLength;
    const int64_t height = length / width;
    if (!FormatSizeFits(width, height, 8)) return kCodecErrBadSize;
    h->width = width;
    h->height = int32_t(height);
    h->bpp = 8;
    return kCodecOk;
}

int ReadPalette(CodecFile*, CodecHeader*, uint8_t* palette) {
    for (int i = 0; i < 256; ++i)
        std::memset(palette + 3 * i, i, 3);
    return kCodecOk;
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    return FormatReadTopDownBytes(f, h, pixels, 0);
}

const char* ErrorText(int code) {
    return code == kIaxErrLength ? "file length is not a multiple of its width" : nullptr;
}

} // namespace

const CodecReader kIaxReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
