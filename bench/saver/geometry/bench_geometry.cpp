// Cost of the slideshow's per-frame geometry: a full show and erase of every
// effect on a full-screen slide, each frame's StepSlide timed on its own.
// Usage: bench_saver_geometry [width height [speed [repeats]]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/crt_random.h"
#include "saver/geometry/effects.h"

namespace {

double Percentile(std::vector<double>& v, double q) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    size_t i = size_t(q * double(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

} // namespace

int main(int argc, char** argv) {
    const int W = argc > 2 ? std::atoi(argv[1]) : 1920;
    const int H = argc > 2 ? std::atoi(argv[2]) : 1080;
    const int speed = argc > 3 ? std::atoi(argv[3]) : 20;
    const int repeats = argc > 4 ? std::atoi(argv[4]) : 200;
    using Clock = std::chrono::steady_clock;

    CrtSeed(1);
    saver::RainTable rain;
    saver::StepOutput out;
    std::printf("slide %dx%d, speed %d, %d shows and erases per effect\n", W, H, speed, repeats);
    std::printf("effect  frames  median_us  p99_us  max_us  max_pieces\n");
    double worst = 0.0;
    for (int effect = 0; effect <= saver::kNoEffect; ++effect) {
        std::vector<double> times;
        size_t frames = 0, maxPieces = 0;
        for (int r = 0; r < repeats; ++r) {
            for (bool erase : {false, true}) {
                saver::EffectState s;
                s.effect = effect;
                s.eraseMode = erase;
                s.speed = speed;
                saver::Restart(s);
                bool going = true;
                while (going) {
                    const auto t0 = Clock::now();
                    going = saver::StepSlide(s, W, H, rain, out);
                    const auto t1 = Clock::now();
                    times.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
                    maxPieces = std::max(maxPieces, out.pieces.size());
                }
            }
        }
        frames = times.size() / size_t(repeats);
        const double median = Percentile(times, 0.5), p99 = Percentile(times, 0.99);
        worst = std::max(worst, times.back());
        std::printf("%6d  %6zu  %9.3f  %6.3f  %6.2f  %10zu\n", effect, frames, median, p99,
                    times.back(), maxPieces);
    }
    std::printf("worst single frame: %.2f us\n", worst);
    return 0;
}
