// Feeds any bytes to the PNG reader the way the image object does: header,
// palette, then the pixels into a buffer of exactly the size the header asked
// for, so that a write beyond it is caught by the address sanitizer.
//
// Mutated bytes almost never carry a right chunk CRC, and libpng stops at the
// first wrong one; so the input's chunk CRCs are made right first (the reader
// itself is untouched), which lets the fuzzer reach the image data.  Pictures
// whose buffer would pass 4 MiB are only read up to their header: filling
// hundreds of megabytes per run would leave no time for anything else.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "common/byte_io.h"
#include "imaging/codec.h"

namespace {

constexpr int64_t kMaxDecodedBytes = int64_t(4) << 20;

// Walks the chunks after the signature and rewrites each CRC that lies within
// the input.
void MendCrcs(std::vector<uint8_t>& b) {
    size_t at = 8;
    while (at + 8 <= b.size()) {
        const uint64_t length = LoadBE32(&b[at]);
        const uint64_t crcAt = at + 8 + length;
        if (crcAt + 4 > b.size()) return;
        const uint32_t crc = uint32_t(crc32(0, &b[at + 4], uInt(length + 4)));
        for (int i = 0; i < 4; ++i)
            b[crcAt + i] = uint8_t(crc >> (24 - 8 * i));
        at = size_t(crcAt + 4);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    MendCrcs(bytes);
    CodecMemory mem;
    codec_memory_init(&mem, bytes.data(), bytes.size());
    CodecFile f;
    if (!codec_open(&f, &mem.io, "fuzz.png")) return 0;
    static CodecHeader header;
    std::memset(&header, 0, sizeof header);
    if (codec_read_header("fuzz.png", &f, kFormatPng, &header, "index=0") == kCodecOk) {
        if (header.width <= 0 || header.height <= 0 ||
            (header.bpp != 1 && header.bpp != 4 && header.bpp != 8 && header.bpp != 24))
            std::abort();
        if (header.transparentIndex >= (header.bpp <= 8 ? 1 << header.bpp : 0)) std::abort();
        int64_t stride = CodecStride(header.width, header.bpp);
        int64_t bytesWanted = stride * header.height;
        // The reader bounds its buffer; more would mean a missing check.
        if (stride <= 0 || bytesWanted > (int64_t(256) << 20)) std::abort();
        std::vector<uint8_t> palette(size_t(3) << (header.bpp <= 8 ? header.bpp : 0));
        if (bytesWanted <= kMaxDecodedBytes &&
            (header.bpp > 8 || codec_read_palette(&f, kFormatPng, &header, palette.data()) == 0)) {
            std::vector<uint8_t> pixels(static_cast<size_t>(bytesWanted));
            codec_read_data(&f, kFormatPng, &header, pixels.data());
        }
    }
    codec_close(&f);
    return 0;
}
