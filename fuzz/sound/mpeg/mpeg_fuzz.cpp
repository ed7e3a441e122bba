// Fuzz target of the MPEG audio decoder: opens the input, decodes every frame, seeks
// backwards and forwards and counts the frames.  Any outcome is fine except a crash, an
// over-read or undefined behaviour.
#include "sound/mpeg/mpeg_audio.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MpegMemorySource src(data, size);
    MpegDecoder dec;
    if (dec.Open(&src) != kMpegOk) return 0;
    std::vector<int16_t> pcm(kMpegMaxFrameSamples * kMpegMaxChannels);
    int samples;
    uint32_t frames = 0;
    while (dec.DecodeFrame(pcm.data(), pcm.size(), &samples) == kMpegOk) {
        if (samples != 384 && samples != 576 && samples != 1152) __builtin_trap();
        ++frames;
    }
    if (frames > 2) {
        dec.SeekFrame(frames / 2);
        dec.DecodeFrame(pcm.data(), pcm.size(), &samples);
        dec.SeekFrame(frames + 5);
        dec.SeekFrame(1);
        dec.DecodeFrame(pcm.data(), pcm.size(), &samples);
    }
    if (dec.CountFrames() != frames) __builtin_trap();
    return 0;
}
