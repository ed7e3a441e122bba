#include "tests/sound/player/player_test_util.h"

#include <cmath>

#include "common/byte_io.h"
#include "tests/harness/win_harness.h"

std::string SampleBytes(const std::vector<int16_t>& samples) {
    ByteWriter w;
    for (int16_t v : samples) w.U16(uint16_t(v));
    return std::string(w.Data().begin(), w.Data().end());
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
