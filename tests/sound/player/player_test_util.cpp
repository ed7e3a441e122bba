#include "tests/sound/player/player_test_util.h"

#include <cmath>

#include "tests/harness/win_harness.h"

namespace {
void Put16(std::string& s, uint32_t v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
} // namespace

std::string SampleBytes(const std::vector<int16_t>& samples) {
    std::string s;
    for (int16_t v : samples)
        Put16(s, uint16_t(v));
    return s;
}

std::string WaveFile(int channels, int rate, const std::vector<int16_t>& samples) {
    std::string data = SampleBytes(samples);
    std::string f = "RIFF";
    Put32(f, uint32_t(4 + 8 + 16 + 8 + data.size()));
    f += "WAVEfmt ";
    Put32(f, 16);
    Put16(f, 1); // PCM
    Put16(f, uint32_t(channels));
    Put32(f, uint32_t(rate));
    Put32(f, uint32_t(rate * channels * 2));
    Put16(f, uint32_t(channels * 2));
    Put16(f, 16);
    f += "data";
    Put32(f, uint32_t(data.size()));
    return f + data;
}

std::vector<int16_t> Tone(int channels, int frames, double hz, int offset) {
    std::vector<int16_t> out;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out.push_back(
                int16_t(std::lround(12000.0 * std::sin(6.283185307179586 * hz * i / 44100.0)) +
                        offset + 7 * c + (i % 5)));
    return out;
}
