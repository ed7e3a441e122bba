// Fuzz target: an animated GIF's frames as the saver's sprite reads them, each
// composed onto the animation's canvas (frame rectangles, disposals and
// transparent indexes come straight from the file).
#include <cstdint>
#include <vector>

#include "imaging/dib_image.h"
#include "saver/animation/animation_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CodecMemory mem;
    codec_memory_init(&mem, data, size);
    CDibImage image(&mem.io);
    std::vector<saver::AnimationFrame> frames;
    saver::AnimationCanvas canvas;
    for (int k = 0; k < 100 && image.LoadFrame("fuzz.gif", k); ++k) {
        // Keep each run quick: the canvas fill is linear in the screen's area.
        if (k == 0 && (uint64_t(image.screenWidth) * uint64_t(image.screenHeight) > (1u << 22) ||
                       !canvas.Reset(image.screenWidth, image.screenHeight, 0x00FF00FF)))
            return 0;
        saver::AnimationFrame f;
        if (!saver::FrameFromImage(image, f)) return 0;
        frames.push_back(std::move(f));
        canvas.Compose(frames, k);
    }
    // A second pass starts from the background again.
    for (int k = 0; k < int(frames.size()); ++k) canvas.Compose(frames, k);
    return 0;
}
