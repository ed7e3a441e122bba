// Fuzz target of the MPEG audio decoder: opens the input, decodes every frame, seeks
// backwards and forwards and counts the frames.  Any outcome is fine except a crash, an
// over-read or undefined behaviour.
#include "sound/mpeg/mpeg_audio.h"

#include <cstddef>
#include <cstdint>
#include <vector>

static void Exercise(MpegDecoder& dec, std::vector<int16_t>& pcm) {
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
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One decoder for every run, as a player keeps one from song to song: Open
    // starts each stream afresh and keeps the layer decoders and filter banks,
    // whose set-up would otherwise cost more than a whole short input.
    static MpegDecoder dec;
    static std::vector<int16_t> pcm(kMpegMaxFrameSamples * kMpegMaxChannels);
    static MpegMemorySource none(nullptr, 0);
    MpegMemorySource src(data, size);
    if (dec.Open(&src) == kMpegOk) Exercise(dec, pcm);
    // An empty stream lets go of this run's input, which ends with the run.
    dec.Open(&none);
    return 0;
}
