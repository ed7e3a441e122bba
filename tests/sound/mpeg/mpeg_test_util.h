// Helpers shared by the MPEG decoder tests: whole-stream decoding, comparison with a
// reference decode, synthetic Layer I frames and test signals.
#pragma once

#include "sound/mpeg/mpeg_audio.h"

#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
std::vector<int16_t> ReadPcm(const std::string& path);

struct Decoded {
    int open = -1; // result of Open
    int rate = 0;
    int channels = 0;
    int frames = 0;
    std::vector<int16_t> pcm;
    std::vector<size_t> frameStart; // index in pcm where each frame's samples begin
};
Decoded DecodeAll(const std::vector<uint8_t>& bytes);
Decoded DecodeAll(MpegSource* source);

// Sample-by-sample comparison of ours against a reference decode.  Our output may lead
// the reference by 0, 1 or 2 frames (frames a reference decoder leaves out: a Xing/Info
// frame, frames whose reservoir data lies before the stream); the best of those is used.
struct Comparison {
    size_t compared = 0;
    size_t lead = 0; // values of ours skipped
    double rms = 1e9;
    int maxDiff = 1 << 30;
};
Comparison Compare(const std::vector<int16_t>& ours, const std::vector<int16_t>& ref, int channels,
                   int samplesPerFrame);

// One Layer I frame (MPEG-1, 32 kHz by default; single channel at 32 kbit/s, 48 bytes, or
// dual channel at 128 kbit/s) whose
// subband 0 carries a signal of the given level: 0 is silence, 1-19 a pattern that
// differs by level, 20 full scale, positive then negative.  Protected frames carry a
// correct CRC.
std::vector<uint8_t> LayerOneFrame(int level, bool protect = false, int frequencyIndex = 2,
                                   bool stereo = false);

// True when the shell finds the program name.
bool HaveTool(const std::string& name);

// Writes a 16-bit PCM WAV file of the test signal: tones with a slow tremolo, noise and
// clicks (to bring short blocks), different in the two channels.
void WriteTestWav(const std::string& path, int rate, int channels, double seconds);
