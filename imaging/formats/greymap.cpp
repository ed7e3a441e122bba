// Greymap reader: binary portable greymaps ("P5", one byte per pixel).  The
// pixels are delivered as they are, with a grey palette scaled to the file's
// maximum value.
#include "imaging/formats/pnm_header.h"

#include <cstring>

namespace {

constexpr int kGreyErrMaxval = 100;

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char*) {
    return ReadPnmInto(f, '5', kGreyErrMaxval, h);
}

int ReadPalette(CodecFile*, CodecHeader* h, uint8_t* palette) {
    const PnmState* s = CodecPrivate<PnmState>(h);
    // Values above the maximum are out of range; they show as white.
    for (int i = 0; i < 256; ++i)
        std::memset(palette + 3 * i, i >= s->maxval ? 255 : i * 255 / s->maxval, 3);
    return kCodecOk;
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    return FormatReadTopDownBytes(f, h, pixels, CodecPrivate<PnmState>(h)->rasterOffset);
}

const char* ErrorText(int code) {
    return code == kGreyErrMaxval ? "bad maximum pixel intensity" : nullptr;
}

} // namespace

const CodecReader kGreymapReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
