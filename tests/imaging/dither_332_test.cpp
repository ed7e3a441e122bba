// The vector and one-pixel kernels of the 3-3-2 diffusion against the rule
// written out plainly, on pictures whose sizes cross every edge of the
// vector kernel's eight-row bands and seven-step start and finish.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "imaging/dither_332.h"

namespace {

int Clamp(int v) {
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

// The rule as stated: rows in storage order, pixels left to right; errors are
// quarters rounded toward minus infinity, handed down and right, each sum
// clamped when made.
std::vector<uint8_t> Plain(std::vector<uint8_t> px, int w, int h) {
    static const int level8[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    static const int level4[4] = {0, 85, 170, 255};
    std::vector<uint8_t> out(size_t(w) * h);
    auto at = [&](int x, int y, int c) -> uint8_t& { return px[(size_t(y) * w + x) * 3 + c]; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int b = at(x, y, 0), g = at(x, y, 1), r = at(x, y, 2);
            const int blue = b / 85 + (b % 85 > 43 ? 1 : 0);
            out[size_t(y) * w + x] = uint8_t((r & 0xE0) + ((g >> 3) & 0x1C) + blue);
            const int pal[3] = {level4[blue], level8[g >> 5], level8[r >> 5]};
            const int value[3] = {b, g, r};
            for (int c = 0; c < 3; ++c) {
                const int d = value[c] - pal[c];
                const int e = d >= 0 ? d / 4 : -((-d + 3) / 4);
                if (y + 1 < h) at(x, y + 1, c) = uint8_t(Clamp(at(x, y + 1, c) + e));
                if (x + 1 < w) at(x + 1, y, c) = uint8_t(Clamp(at(x + 1, y, c) + 2 * e));
            }
        }
    return out;
}

// Runs a kernel on padded rows as the image object stores them (4-byte
// strides, no slack after the last row) and returns the indices unpadded;
// empty when this build or processor lacks the kernel.
std::vector<uint8_t> RunKernel(Dither332Kernel kernel, const std::vector<uint8_t>& px, int w,
                               int h) {
    const size_t srcStride = (size_t(w) * 3 + 3) / 4 * 4, dstStride = (size_t(w) + 3) / 4 * 4;
    std::vector<uint8_t> src(srcStride * h), dst(dstStride * h, 0xEE);
    for (int y = 0; y < h; ++y)
        std::copy(px.begin() + long(size_t(y) * w * 3), px.begin() + long(size_t(y + 1) * w * 3),
                  src.begin() + long(y * srcStride));
    std::vector<int16_t> work(Dither332WorkUnits(w), 0x5555);
    if (!Dither332With(kernel, src.data(), srcStride, dst.data(), dstStride, w, h, work.data()))
        return {};
    std::vector<uint8_t> out;
    for (int y = 0; y < h; ++y)
        out.insert(out.end(), dst.begin() + long(y * dstStride),
                   dst.begin() + long(y * dstStride + w));
    return out;
}

const Dither332Kernel kKernels[] = {Dither332Kernel::kScalar, Dither332Kernel::kSse2,
                                    Dither332Kernel::kAvx2};
const char* const kKernelNames[] = {"scalar", "SSE2", "AVX2"};

// The kernels this machine runs, by name (the tests say which were skipped).
std::vector<int> AvailableKernels() {
    std::vector<int> list;
    for (int i = 0; i < 3; ++i) {
        std::vector<uint8_t> px(3, 0);
        if (!RunKernel(kKernels[i], px, 1, 1).empty())
            list.push_back(i);
        else
            std::printf("kernel %s not available here\n", kKernelNames[i]);
    }
    return list;
}

// Random pictures mixed with runs of extremes, where clamping decides.
std::vector<uint8_t> Picture(std::mt19937& rng, int w, int h) {
    std::vector<uint8_t> px(size_t(w) * h * 3);
    const int style = int(rng() % 3);
    for (auto& v : px) {
        const uint32_t r = rng();
        v = style == 0   ? uint8_t(r)
            : style == 1 ? uint8_t((r & 1) ? 255 - (r >> 8) % 12 : (r >> 8) % 12)
                         : uint8_t(128 + int((r >> 8) % 5) - 2);
    }
    return px;
}

TEST(Dither332, EveryKernelFollowsTheRuleAtEverySize) {
    std::mt19937 rng(7);
    const std::vector<int> kernels = AvailableKernels();
    for (int h = 1; h <= 35; ++h)
        for (int w = 1; w <= 37; w += (w < 20 ? 1 : 4)) {
            const std::vector<uint8_t> px = Picture(rng, w, h);
            const std::vector<uint8_t> expected = Plain(px, w, h);
            for (int k : kernels)
                ASSERT_EQ(RunKernel(kKernels[k], px, w, h), expected)
                    << w << "x" << h << " " << kKernelNames[k];
        }
}

TEST(Dither332, LargePicturesAgree) {
    std::mt19937 rng(11);
    const std::vector<int> kernels = AvailableKernels();
    for (auto [w, h] : {std::pair{640, 37}, std::pair{333, 64}, std::pair{1000, 9}}) {
        const std::vector<uint8_t> px = Picture(rng, w, h);
        const std::vector<uint8_t> expected = Plain(px, w, h);
        for (int k : kernels)
            EXPECT_EQ(RunKernel(kKernels[k], px, w, h), expected)
                << w << "x" << h << " " << kKernelNames[k];
    }
}

TEST(Dither332, EveryValueOfOnePixel) {
    // A single pixel has no neighbours: its index is the plain quantisation.
    for (int v = 0; v < 256; ++v) {
        const std::vector<uint8_t> px = {uint8_t(v), uint8_t(255 - v), uint8_t(v ^ 0x5A)};
        std::vector<uint8_t> out(4);
        std::vector<int16_t> work(Dither332WorkUnits(1));
        std::vector<uint8_t> src = px;
        src.push_back(0);
        Dither332(src.data(), 4, out.data(), 4, 1, 1, work.data());
        EXPECT_EQ(out[0], Plain(px, 1, 1)[0]) << v;
    }
}

TEST(Dither332, PaletteLevels) {
    uint8_t r, g, b;
    Palette332(0xFF, &r, &g, &b);
    EXPECT_EQ((std::vector<int>{r, g, b}), (std::vector<int>{255, 255, 255}));
    Palette332((3 << 5) | (5 << 2) | 2, &r, &g, &b);
    EXPECT_EQ((std::vector<int>{r, g, b}), (std::vector<int>{109, 182, 170}));
}

} // namespace
