// Fuzz target: the GIF reader through the codec interface, every frame in
// sequence, with the buffers a caller would pass.
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CodecMemory mem;
    codec_memory_init(&mem, data, size);
    CodecFile f;
    if (!codec_open(&f, &mem.io, "fuzz.gif")) return 0;
    CodecHeader h{};
    std::vector<uint8_t> palette, pixels;
    for (int k = 0; k < 1000; ++k) {
        const std::string options = "index=" + std::to_string(k);
        if (codec_read_header("fuzz.gif", &f, kFormatGif, &h, options.c_str()) != kCodecOk) break;
        palette.assign(size_t(3) << h.bpp, 0);
        if (codec_read_palette(&f, kFormatGif, &h, palette.data()) != kCodecOk) break;
        const size_t stride = size_t(CodecStride(h.width, h.bpp));
        const size_t bytes = stride * size_t(h.height > 0 ? h.height : 0);
        // What a caller would refuse to allocate (16 MiB here, to keep runs fast).
        if (bytes > (size_t(16) << 20)) break;
        pixels.assign(bytes + 1, 0);
        if (codec_read_data(&f, kFormatGif, &h, pixels.data()) != kCodecOk) break;
    }
    codec_close(&f);
    return 0;
}
