// Pixmap reader: binary portable pixmaps ("P6", red, green, blue bytes),
// delivered as 24 bits with every sample scaled from the file's maximum value
// to 255.
#include "imaging/formats/pnm_header.h"

#include <cstring>

namespace {

constexpr int kPixErrMaxval = 200;

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char*) {
    return ReadPnmInto(f, '6', kPixErrMaxval, h);
}

int ReadPalette(CodecFile*, CodecHeader*, uint8_t*) {
    return kCodecOk;
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    const PnmState* s = CodecPrivate<PnmState>(h);
    if (CodecSeek(f, s->rasterOffset, kCodecSeekSet) != s->rasterOffset) return kCodecErrRead;
    uint8_t scale[256];
    for (int i = 0; i < 256; ++i)
        scale[i] = uint8_t(i >= s->maxval ? 255 : i * 255 / s->maxval);
    const int32_t stride = CodecStride(h->width, 24), rowBytes = 3 * h->width;
    for (int32_t y = 0; y < h->height; ++y) {
        uint8_t* row = FormatRow(pixels, h, h->height - 1 - y);
        if (CodecReadExact(f, row, rowBytes)) return kCodecErrRead;
        for (int32_t x = 0; x < rowBytes; x += 3) {
            const uint8_t r = row[x];
            row[x] = scale[row[x + 2]];
            row[x + 1] = scale[row[x + 1]];
            row[x + 2] = scale[r];
        }
        std::memset(row + rowBytes, 0, size_t(stride - rowBytes));
    }
    return kCodecOk;
}

const char* ErrorText(int code) {
    return code == kPixErrMaxval ? "bad maximum pixel intensity" : nullptr;
}

} // namespace

const CodecReader kPixmapReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
