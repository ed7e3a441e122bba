// Fuzz target: CDibImage loading frames of a GIF from memory and converting
// them the ways the slideshow does.
#include <cstdint>

#include "imaging/dib_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CodecMemory mem;
    codec_memory_init(&mem, data, size);
    CDibImage img(&mem.io);
    for (int k = 0; k < 200 && img.LoadFrame("fuzz.gif", k); ++k) {
        // Conversions touch every pixel; keep large pictures to the loading path.
        if (size_t(img.width) * size_t(img.height) > (size_t(1) << 20)) continue;
        if (k % 3 == 0) {
            img.ToTrueColor() && img.ReduceTo256();
        } else if (k % 3 == 1) {
            img.ToGrayscale();
        } else {
            img.ReduceTo256();
        }
        DibLogPalette pal;
        img.MakePalette(&pal);
        (void)img.PixelAt(img.width - 1, 0);
    }
    return 0;
}
