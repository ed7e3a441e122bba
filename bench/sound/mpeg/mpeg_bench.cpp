// Decoding speed of the MPEG audio decoder against mpg123 on the same files, in one
// run: CPU time of our decoder (in process, PCM to memory) and of mpg123 writing 16-bit
// PCM to /dev/null, with its default (SIMD) and its generic C decoder.
//
//   mpeg_bench [--seconds N] [--dir D] [file ...]
//
// Without files it makes N seconds (default 600) of a stereo 44.1 kHz test signal in D
// (default the current folder) and encodes it with lame at 128 and 320 kbit/s and with
// twolame at 192 kbit/s (Layer II); files already there are reused.
#include "sound/mpeg/mpeg_audio.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

#ifndef _WIN32
// CPU time of this process or of its finished children: steadier than wall time on a
// shared machine, and it leaves out mpg123's waiting for output.
constexpr bool kHaveMpg123 = true;
enum Who { kSelf = RUSAGE_SELF, kChildren = RUSAGE_CHILDREN };
double CpuSeconds(Who who) {
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
#else
// Windows (under Wine): wall time of this process only; there is no mpg123 to run.
constexpr bool kHaveMpg123 = false;
enum Who { kSelf, kChildren };
double CpuSeconds(Who) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
#endif

bool Exists(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in.good() && in.tellg() > 0;
}

// A deterministic test signal with tones, noise and clicks: enough short blocks, joint
// stereo and varied spectra to exercise every stage.
void WriteSignal(const std::string& path, int seconds) {
    const int rate = 44100;
    const uint32_t frames = uint32_t(rate) * uint32_t(seconds);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    auto u32 = [&](uint32_t v) {
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        std::fwrite(b, 1, 4, f);
    };
    auto u16 = [&](uint16_t v) {
        const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
        std::fwrite(b, 1, 2, f);
    };
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + frames * 4);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1);
    u16(2);
    u32(rate);
    u32(rate * 4);
    u16(4);
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(frames * 4);
    uint32_t seed = 12345;
    std::vector<int16_t> block;
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        double l = 0, r = 0;
        const double tones[6] = {220, 330, 440, 880, 1760, 4400};
        for (int k = 0; k < 6; ++k) {
            const double am = 0.5 + 0.5 * std::sin(2 * kPi * (0.1 + 0.07 * k) * t);
            l += 0.1 * am * std::sin(2 * kPi * tones[k] * t);
            r += 0.1 * am * std::sin(2 * kPi * tones[k] * 1.01 * t + k);
        }
        seed = seed * 1103515245u + 12345u;
        const double noise = (double((seed >> 8) & 0xFFFF) / 32768.0 - 1.0);
        const bool click = (i % (rate / 3)) < 200;
        l += noise * (click ? 0.4 : 0.03);
        r -= noise * (click ? 0.4 : 0.03);
        block.push_back(int16_t(std::lrint(std::fmax(-1, std::fmin(1, l)) * 32000)));
        block.push_back(int16_t(std::lrint(std::fmax(-1, std::fmin(1, r)) * 32000)));
        if (block.size() >= 65536) {
            std::fwrite(block.data(), 2, block.size(), f);
            block.clear();
        }
    }
    std::fwrite(block.data(), 2, block.size(), f);
    std::fclose(f);
}

struct Result {
    double seconds = 0; // audio length
    double ours = 0;    // CPU seconds
    int frames = 0;
};

Result DecodeOurs(const std::vector<uint8_t>& data, int runs) {
    Result r;
    std::vector<int16_t> pcm(kMpegMaxFrameSamples * kMpegMaxChannels);
    const double start = CpuSeconds(kSelf);
    int64_t samples = 0;
    int rate = 1;
    for (int run = 0; run < runs; ++run) {
        MpegMemorySource src(data.data(), data.size());
        MpegDecoder dec;
        if (dec.Open(&src) != kMpegOk) return r;
        rate = dec.sampleRate();
        int n;
        samples = 0;
        r.frames = 0;
        while (dec.DecodeFrame(pcm.data(), pcm.size(), &n) == kMpegOk) {
            samples += n;
            ++r.frames;
        }
    }
    r.ours = (CpuSeconds(kSelf) - start) / runs;
    r.seconds = double(samples) / rate;
    return r;
}

double RunMpg123(const std::string& options, const std::string& file, int runs) {
    if (!kHaveMpg123) return -1;
    const std::string cmd = "mpg123 -q -s " + options + " '" + file + "' > /dev/null 2>&1";
    const double start = CpuSeconds(kChildren);
    for (int run = 0; run < runs; ++run)
        if (std::system(cmd.c_str()) != 0) return -1;
    return (CpuSeconds(kChildren) - start) / runs;
}

} // namespace

int main(int argc, char** argv) {
    int seconds = 600;
    std::string dir = ".";
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            dir = argv[++i];
        else
            files.push_back(argv[i]);
    }
    if (files.empty()) {
        const std::string base = dir + "/mpeg_bench_" + std::to_string(seconds) + "s";
        const std::string wav = base + ".wav";
        const std::string made[3] = {base + "_128.mp3", base + "_320.mp3", base + "_192.mp2"};
        const std::string how[3] = {"lame --silent -b 128 '" + wav + "' '" + made[0] + "'",
                                    "lame --silent -b 320 '" + wav + "' '" + made[1] + "'",
                                    "twolame -b 192 '" + wav + "' '" + made[2] +
                                        "' >/dev/null 2>&1"};
        for (int i = 0; i < 3; ++i) {
            if (!Exists(made[i])) {
                if (!Exists(wav)) WriteSignal(wav, seconds);
                if (std::system(how[i].c_str()) != 0) {
                    std::fprintf(stderr, "cannot run: %s\n", how[i].c_str());
                    return 1;
                }
            }
            files.push_back(made[i]);
        }
    }
    std::printf("%-36s %8s %9s %9s %9s %9s %8s %8s\n", "file", "audio s", "ours s", "x realtime",
                "mpg123 s", "generic s", "ours/mpg", "ours/gen");
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
        const int runs = 3;
        const Result r = DecodeOurs(data, runs);
        if (r.frames == 0) {
            std::printf("%-36s not decodable\n", file.c_str());
            continue;
        }
        const double simd = RunMpg123("", file, runs);
        const double generic = RunMpg123("--cpu generic", file, runs);
        if (simd < 0 || generic < 0) {
            std::printf("%-36s %8.1f %9.3f %9.0f %9s %9s %8s %8s\n", file.c_str(), r.seconds,
                        r.ours, r.seconds / r.ours, "-", "-", "-", "-");
            continue;
        }
        std::printf("%-36s %8.1f %9.3f %9.0f %9.3f %9.3f %8.2f %8.2f\n", file.c_str(), r.seconds,
                    r.ours, r.seconds / r.ours, simd, generic, r.ours / simd, r.ours / generic);
    }
    return 0;
}
