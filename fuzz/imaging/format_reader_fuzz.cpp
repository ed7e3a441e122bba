// Feeds any bytes to one format reader (FUZZ_FORMAT, a row of the codec table)
// the way the image object does: header, palette, then the pixels into a
// buffer of exactly the size the header asked for, so that a write beyond it
// is caught by the address sanitizer.  The option text comes from the first
// byte ("index=" 0 to 3) when the input is long enough.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/codec.h"

#ifndef FUZZ_FORMAT
#error "FUZZ_FORMAT names the codec table row under test"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CodecMemory mem;
    codec_memory_init(&mem, data, size);
    CodecFile f;
    if (!codec_open(&f, &mem.io, "fuzz")) return 0;
    static CodecHeader header;
    std::memset(&header, 0, sizeof header);
    const char* options = size > 0 && (data[0] & 0x80) ? "index=1" : "index=0";
    if (codec_read_header("fuzz", &f, FUZZ_FORMAT, &header, options) == kCodecOk) {
        if (header.width <= 0 || header.height <= 0 ||
            (header.bpp != 1 && header.bpp != 4 && header.bpp != 8 && header.bpp != 24))
            std::abort();
        int64_t stride = CodecStride(header.width, header.bpp);
        int64_t bytes = stride * header.height;
        // Every reader bounds its buffer; more would mean a missing check.
        if (stride <= 0 || bytes > (int64_t(256) << 20)) std::abort();
        // The pixels of a larger picture take the same paths as those of a
        // smaller one; filling hundreds of megabytes would only slow every run.
        if (bytes > (int64_t(1) << 20)) {
            codec_close(&f);
            return 0;
        }
        std::vector<uint8_t> palette(size_t(3) << (header.bpp <= 8 ? header.bpp : 0));
        if (header.bpp > 8 || codec_read_palette(&f, FUZZ_FORMAT, &header, palette.data()) == 0) {
            std::vector<uint8_t> pixels(static_cast<size_t>(bytes));
            codec_read_data(&f, FUZZ_FORMAT, &header, pixels.data());
        }
    }
    codec_close(&f);
    return 0;
}
