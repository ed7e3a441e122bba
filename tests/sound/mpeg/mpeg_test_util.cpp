#include "tests/sound/mpeg/mpeg_test_util.h"

#include "common/byte_io.h"
#include "sound/mpeg/mpeg_frame.h"
#include "tests/support/test_support.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {
constexpr double kPi = 3.14159265358979323846;
} // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return in.good();
}

std::vector<int16_t> ReadPcm(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::vector<int16_t> pcm(bytes.size() / 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = int16_t(LoadLE16(&bytes[2 * i]));
    return pcm;
}

Decoded DecodeAll(MpegSource* source) {
    Decoded d;
    MpegDecoder dec;
    d.open = dec.Open(source);
    if (d.open != kMpegOk) return d;
    d.rate = dec.sampleRate();
    d.channels = dec.channels();
    std::vector<int16_t> frame(kMpegMaxFrameSamples * kMpegMaxChannels);
    int n;
    while (dec.DecodeFrame(frame.data(), frame.size(), &n) == kMpegOk) {
        d.frameStart.push_back(d.pcm.size());
        d.pcm.insert(d.pcm.end(), frame.begin(), frame.begin() + n * d.channels);
        ++d.frames;
    }
    return d;
}

Decoded DecodeAll(const std::vector<uint8_t>& bytes) {
    MpegMemorySource src(bytes.data(), bytes.size());
    return DecodeAll(&src);
}

Comparison Compare(const std::vector<int16_t>& ours, const std::vector<int16_t>& ref, int channels,
                   int samplesPerFrame) {
    Comparison best;
    for (int frames = 0; frames <= 2; ++frames) {
        const size_t lead = size_t(frames) * size_t(samplesPerFrame) * size_t(channels);
        if (lead >= ours.size()) break;
        const size_t n = std::min(ours.size() - lead, ref.size());
        if (n == 0) continue;
        double sum = 0;
        int worst = 0;
        for (size_t i = 0; i < n; ++i) {
            const int d = int(ours[lead + i]) - int(ref[i]);
            sum += double(d) * d;
            worst = std::max(worst, std::abs(d));
        }
        const double rms = std::sqrt(sum / double(n));
        if (rms < best.rms) best = {n, lead, rms, worst};
    }
    return best;
}

// Layer I frame layout used here: 4-byte header, [CRC], allocation 4 bits x 32 subbands,
// scale factor 6 bits for subband 0, then 12 samples of 4 bits (allocation 3).
std::vector<uint8_t> LayerOneFrame(int level, bool protect, int frequencyIndex, bool stereo) {
    const int mode = stereo ? 2 : 3; // dual channel keeps every subband separate
    const uint32_t word = 0xFFF00000u | (1u << 19) | (3u << 17) | (protect ? 0u : 1u << 16) |
                          uint32_t(stereo ? 4 : 1) << 12 | uint32_t(frequencyIndex) << 10 |
                          uint32_t(mode) << 6;
    MpegFrameHeader h;
    MpegParseHeader(word, &h);
    std::vector<uint8_t> frame(4 + size_t(h.frameSize), 0);
    frame[0] = uint8_t(word >> 24);
    frame[1] = uint8_t(word >> 16);
    frame[2] = uint8_t(word >> 8);
    frame[3] = uint8_t(word);
    const int nch = stereo ? 2 : 1;
    size_t bit = protect ? 16 : 0;
    uint8_t* body = frame.data() + 4;
    auto put = [&](uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i, ++bit)
            if ((v >> i) & 1) body[bit >> 3] |= uint8_t(0x80 >> (bit & 7));
    };
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < nch; ++ch)
            put(sb == 0 && level ? 3 : 0, 4);
    const size_t allocEnd = bit;
    if (level) {
        for (int ch = 0; ch < nch; ++ch)
            put(uint32_t(std::max(0, 20 - level)), 6);
        for (int s = 0; s < 12; ++s) {
            // Level 20 and above: full scale, positive then negative.
            const uint32_t v = level >= 20 ? (s < 6 ? 14u : 0u) : uint32_t((s * 5 + level) % 15);
            for (int ch = 0; ch < nch; ++ch)
                put(level >= 20 ? v : (v + uint32_t(ch) * 3) % 15, 4);
        }
    }
    if (protect) {
        const uint8_t tail[2] = {uint8_t(word >> 8), uint8_t(word)};
        uint16_t crc = MpegCrcBits(0xFFFF, tail, 16);
        crc = MpegCrcBits(crc, body + 2, int(allocEnd - 16));
        body[0] = uint8_t(crc >> 8);
        body[1] = uint8_t(crc);
    }
    return frame;
}

bool HaveTool(const std::string& name) {
    return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
}

void WriteTestWav(const std::string& path, int rate, int channels, double seconds) {
    const uint32_t frames = uint32_t(rate * seconds);
    std::vector<int16_t> samples;
    samples.reserve(size_t(frames) * size_t(channels));
    uint32_t seed = 1;
    const double tones[5] = {196, 440, 1250, 3100, 6900};
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        seed = seed * 1103515245u + 12345u;
        const double noise = double((seed >> 8) & 0xFFFF) / 32768.0 - 1.0;
        const bool click = std::fmod(t, 0.37) < 0.004;
        for (int ch = 0; ch < channels; ++ch) {
            double v = 0;
            for (int k = 0; k < 5; ++k) {
                const double tremolo = 0.5 + 0.5 * std::sin(2 * kPi * (0.7 + 0.3 * k + ch) * t);
                if (tones[k] < rate / 2.0)
                    v += 0.12 * tremolo * std::sin(2 * kPi * tones[k] * (1 + 0.01 * ch) * t + k);
            }
            v += noise * (click ? 0.5 : 0.02) * (ch ? -1 : 1);
            samples.push_back(int16_t(std::lrint(std::fmax(-1.0, std::fmin(1.0, v)) * 30000)));
        }
    }
    const std::string file = testsupport::WaveFile16(channels, rate, samples);
    std::ofstream out(path, std::ios::binary);
    out.write(file.data(), std::streamsize(file.size()));
}
