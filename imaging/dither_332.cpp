// The kernels of the 3-3-2 error diffusion (see dither_332.h for the rule):
// one pixel at a time, and the vector kernel of dither_332_vector.h built for
// SSE2 here and for AVX2 in dither_332_avx2.cpp, chosen by the processor.
#include "imaging/dither_332.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imaging/dither_332_vector.h"

namespace {

constexpr uint8_t kLevel8[8] = {0, 36, 73, 109, 146, 182, 219, 255}; // round(k * 255 / 7)
constexpr uint8_t kLevel4[4] = {0, 85, 170, 255};

inline int QuarterFloor(int d) {
    return d >= 0 ? d >> 2 : -((-d + 3) >> 2);
}

inline uint8_t Clamp255(int v) {
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// ---- One pixel at a time ----

// One channel's step for every sum a pixel can reach: its stored value
// (0..255) plus twice its left neighbour's error (-22..20), clamped, gives the
// level's index bits and the pixel's own error.
struct Step {
    int8_t error;
    uint8_t indexBits;
};
constexpr int kSumBias = 32;
constexpr int kSumRange = 256 + 2 * kSumBias;

struct Tables {
    Step red[kSumRange], green[kSumRange], blue[kSumRange];
    uint8_t clampNext[256 + 2 * 16]; // stored value + error (-11..10), clamped
    Tables() {
        for (int i = 0; i < kSumRange; ++i) {
            const int v = Clamp255(i - kSumBias);
            const int level8 = v >> 5;
            const int level4 = v / 85 + (v % 85 > 43 ? 1 : 0);
            red[i] = {int8_t(QuarterFloor(v - kLevel8[level8])), uint8_t(level8 << 5)};
            green[i] = {int8_t(QuarterFloor(v - kLevel8[level8])), uint8_t(level8 << 2)};
            blue[i] = {int8_t(QuarterFloor(v - kLevel4[level4])), uint8_t(level4)};
        }
        for (int i = 0; i < int(sizeof clampNext); ++i)
            clampNext[i] = Clamp255(i - 16);
    }
};

const Tables& ScalarTables() {
    static const Tables tables;
    return tables;
}

// One stored row: c holds its values, n the next stored row (or scratch),
// which receives the errors handed down in place.
void ScalarRow(const Tables& t, const uint8_t* __restrict c, uint8_t* __restrict n,
               uint8_t* __restrict dst, int width) {
    int eb = 0, eg = 0, er = 0;
    for (int x = 0; x < width; ++x, c += 3, n += 3) {
        const Step sb = t.blue[c[0] + 2 * eb + kSumBias];
        const Step sg = t.green[c[1] + 2 * eg + kSumBias];
        const Step sr = t.red[c[2] + 2 * er + kSumBias];
        dst[x] = uint8_t(sr.indexBits | sg.indexBits | sb.indexBits);
        eb = sb.error;
        eg = sg.error;
        er = sr.error;
        n[0] = t.clampNext[n[0] + eb + 16];
        n[1] = t.clampNext[n[1] + eg + 16];
        n[2] = t.clampNext[n[2] + er + 16];
    }
}

#if defined(__SSE2__)

// ---- Many rows at once: SSE2, two registers of eight lanes per band ----
// (two registers keep two independent pieces of work in flight per step)

struct Sse2Lanes {
    using Vec = __m128i;
    static constexpr int kCount = 8;
    static Vec Zero() { return _mm_setzero_si128(); }
    static Vec Set1(int v) { return _mm_set1_epi16(int16_t(v)); }
    static Vec Add(Vec a, Vec b) { return _mm_add_epi16(a, b); }
    static Vec Sub(Vec a, Vec b) { return _mm_sub_epi16(a, b); }
    static Vec Max(Vec a, Vec b) { return _mm_max_epi16(a, b); }
    static Vec Min(Vec a, Vec b) { return _mm_min_epi16(a, b); }
    static Vec And(Vec a, Vec b) { return _mm_and_si128(a, b); }
    static Vec Or(Vec a, Vec b) { return _mm_or_si128(a, b); }
    static Vec MulHi(Vec a, Vec b) { return _mm_mulhi_epu16(a, b); }
    static Vec MulLo(Vec a, Vec b) { return _mm_mullo_epi16(a, b); }
    static Vec Srai2(Vec a) { return _mm_srai_epi16(a, 2); }
    template <int n> static Vec Srli(Vec a) { return _mm_srli_epi16(a, n); }
    static Vec Up(Vec a) { return _mm_slli_si128(a, 2); }
    static Vec Top(Vec a) { return _mm_srli_si128(a, 14); }
    static Vec Low(int v) { return _mm_cvtsi32_si128(v & 0xFFFF); }
    static int16_t Last(Vec a) { return int16_t(_mm_extract_epi16(a, 7)); }
    static Vec Load(const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const Vec*>(p)); }
    static void Store(int16_t* p, Vec a) { _mm_storeu_si128(reinterpret_cast<Vec*>(p), a); }
    static void Gather(const uint8_t* in, ptrdiff_t step, Vec* bg, Vec* gr) {
        dither_vector::Gather8(in, step, bg, gr);
    }
    static void Scatter(Vec index, uint8_t* out, ptrdiff_t step) {
        dither_vector::Scatter8(index, out, step);
    }
};

#endif

} // namespace

void Dither332Scalar(uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride, int width,
                     int height, int16_t* work) {
    const Tables& t = ScalarTables();
    uint8_t* scratch = reinterpret_cast<uint8_t*>(work); // receives the last row's errors
    for (int y = 0; y < height; ++y) {
        uint8_t* c = src + size_t(y) * srcStride;
        uint8_t* n = y + 1 < height ? c + srcStride : scratch;
        ScalarRow(t, c, n, dst + size_t(y) * dstStride, width);
    }
}

bool Dither332Avx2Supported() {
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
    return Dither332Avx2Built() && __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool Dither332With(Dither332Kernel kernel, uint8_t* src, size_t srcStride, uint8_t* dst,
                   size_t dstStride, int width, int height, int16_t* work) {
    switch (kernel) {
    case Dither332Kernel::kScalar:
        Dither332Scalar(src, srcStride, dst, dstStride, width, height, work);
        return true;
    case Dither332Kernel::kSse2:
#if defined(__SSE2__)
        dither_vector::Kernel<Sse2Lanes, 2>(src, srcStride, dst, dstStride, width, height, work);
        return true;
#else
        return false;
#endif
    case Dither332Kernel::kAvx2:
        return Dither332Avx2Supported() &&
               Dither332Avx2(src, srcStride, dst, dstStride, width, height, work);
    }
    return false;
}

void Dither332(uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride, int width,
               int height, int16_t* work) {
    static const Dither332Kernel best = Dither332Avx2Supported() ? Dither332Kernel::kAvx2
#if defined(__SSE2__)
                                                                 : Dither332Kernel::kSse2;
#else
                                                                 : Dither332Kernel::kScalar;
#endif
    Dither332With(best, src, srcStride, dst, dstStride, width, height, work);
}

void Palette332(int i, uint8_t* red, uint8_t* green, uint8_t* blue) {
    *red = kLevel8[(i >> 5) & 7];
    *green = kLevel8[(i >> 2) & 7];
    *blue = kLevel4[i & 3];
}
