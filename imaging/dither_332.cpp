// The two kernels of the 3-3-2 error diffusion (see dither_332.h for the rule).
//
// Each pixel's errors depend on its left neighbour's, so a row is one long
// chain of dependent steps.  The vector kernel works on eight stored rows at
// once, one per 16-bit lane, with lane r lagging r columns behind lane 0: the
// error lane r hands down is the one lane r + 1 needs at its next step, at the
// same column, so it passes between lanes by a shift and never goes through
// memory.  The last lane's errors are kept (work) for the first lane of the
// next band of eight rows.
#include "imaging/dither_332.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// ---- Eight rows at once ----

struct Constants {
    __m128i zero = _mm_setzero_si128();
    __m128i max = _mm_set1_epi16(255);
    __m128i lowByte = _mm_set1_epi16(0xFF);
    // Red and green levels 0..7 to 0, 36, ... 255: (level * 2331 + 32) >> 6.
    __m128i level8Mul = _mm_set1_epi16(2331);
    __m128i level8Add = _mm_set1_epi16(32);
    // Blue level = (v + 41) / 85, the division as (x * 772) >> 16 (exact to 296).
    __m128i blueAdd = _mm_set1_epi16(41);
    __m128i blueDiv = _mm_set1_epi16(772);
    __m128i blueStep = _mm_set1_epi16(85);
};

struct LaneErrors {
    __m128i b, g, r; // each lane's errors of its last step
};

inline __m128i Clamp(const Constants& k, __m128i v) {
    return _mm_min_epi16(_mm_max_epi16(v, k.zero), k.max);
}

// One step of the eight lanes.  bg holds blue | green << 8 and gr green |
// red << 8 of each lane's pixel; below* are the errors handed to lane 0 from the
// row under the band.  Updates e and returns the eight indices.
inline __m128i Quantise(const Constants& k, __m128i bg, __m128i gr, LaneErrors& e, int belowB,
                        int belowG, int belowR) {
    const __m128i pb = _mm_and_si128(bg, k.lowByte);
    const __m128i pg = _mm_and_si128(gr, k.lowByte);
    const __m128i pr = _mm_srli_epi16(gr, 8);
    // Errors from the row below (the lane before, one step ago), then twice
    // the left neighbour's (this lane, one step ago); each sum clamped.
    const __m128i downB = _mm_insert_epi16(_mm_slli_si128(e.b, 2), belowB, 0);
    const __m128i downG = _mm_insert_epi16(_mm_slli_si128(e.g, 2), belowG, 0);
    const __m128i downR = _mm_insert_epi16(_mm_slli_si128(e.r, 2), belowR, 0);
    const __m128i vb =
        Clamp(k, _mm_add_epi16(Clamp(k, _mm_add_epi16(pb, downB)), _mm_add_epi16(e.b, e.b)));
    const __m128i vg =
        Clamp(k, _mm_add_epi16(Clamp(k, _mm_add_epi16(pg, downG)), _mm_add_epi16(e.g, e.g)));
    const __m128i vr =
        Clamp(k, _mm_add_epi16(Clamp(k, _mm_add_epi16(pr, downR)), _mm_add_epi16(e.r, e.r)));
    const __m128i levelG = _mm_srli_epi16(vg, 5);
    const __m128i levelR = _mm_srli_epi16(vr, 5);
    const __m128i levelB = _mm_mulhi_epu16(_mm_add_epi16(vb, k.blueAdd), k.blueDiv);
    const __m128i palG =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(levelG, k.level8Mul), k.level8Add), 6);
    const __m128i palR =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(levelR, k.level8Mul), k.level8Add), 6);
    const __m128i palB = _mm_mullo_epi16(levelB, k.blueStep);
    e.b = _mm_srai_epi16(_mm_sub_epi16(vb, palB), 2);
    e.g = _mm_srai_epi16(_mm_sub_epi16(vg, palG), 2);
    e.r = _mm_srai_epi16(_mm_sub_epi16(vr, palR), 2);
    return _mm_or_si128(_mm_or_si128(_mm_slli_epi16(levelR, 5), _mm_slli_epi16(levelG, 2)), levelB);
}

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// A step at the band's edges (its first and last seven steps, or a band of
// fewer than eight rows): lanes outside the picture read a valid pixel, write
// nothing and end with zero errors, so that the first pixel of each row starts
// without a left neighbour.
void EdgeStep(const Constants& k, uint8_t* const* src, uint8_t* const* dst, int rows, int width,
              int t, LaneErrors& e, int16_t* below) {
    alignas(16) int16_t bg[8], gr[8], active[8];
    for (int r = 0; r < 8; ++r) {
        int x = t - r;
        const bool on = r < rows && x >= 0 && x < width;
        active[r] = on ? -1 : 0;
        x = x < 0 ? 0 : x >= width ? width - 1 : x;
        const uint8_t* p = src[r < rows ? r : rows - 1] + 3 * x;
        bg[r] = int16_t(p[0] | p[1] << 8);
        gr[r] = int16_t(p[1] | p[2] << 8);
    }
    const bool inside = t < width;
    const int16_t* belowB = below;
    const int16_t* belowG = below + width;
    const int16_t* belowR = below + 2 * width;
    const __m128i index =
        Quantise(k, _mm_load_si128(reinterpret_cast<const __m128i*>(bg)),
                 _mm_load_si128(reinterpret_cast<const __m128i*>(gr)), e, inside ? belowB[t] : 0,
                 inside ? belowG[t] : 0, inside ? belowR[t] : 0);
    const __m128i mask = _mm_load_si128(reinterpret_cast<const __m128i*>(active));
    e.b = _mm_and_si128(e.b, mask);
    e.g = _mm_and_si128(e.g, mask);
    e.r = _mm_and_si128(e.r, mask);
    alignas(16) int16_t out[8], eb[8], eg[8], er[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(out), index);
    _mm_store_si128(reinterpret_cast<__m128i*>(eb), e.b);
    _mm_store_si128(reinterpret_cast<__m128i*>(eg), e.g);
    _mm_store_si128(reinterpret_cast<__m128i*>(er), e.r);
    for (int r = 0; r < rows; ++r)
        if (active[r]) dst[r][t - r] = uint8_t(out[r]);
    const int last = t - (rows - 1);
    if (last >= 0 && last < width) {
        below[last] = eb[rows - 1];
        below[width + last] = eg[rows - 1];
        below[2 * width + last] = er[rows - 1];
    }
}

void Dither332Vector(uint8_t* srcBits, size_t srcStride, uint8_t* dstBits, size_t dstStride,
                     int width, int height, int16_t* below) {
    if (width <= 0 || height <= 0) return;
    const Constants k;
    std::memset(below, 0, sizeof(int16_t) * 3 * size_t(width));
    int16_t* belowB = below;
    int16_t* belowG = below + width;
    int16_t* belowR = below + 2 * width;
    for (int y = 0; y < height; y += 8) {
        const int rows = height - y < 8 ? height - y : 8;
        uint8_t* src[8];
        uint8_t* dst[8];
        for (int r = 0; r < rows; ++r) {
            src[r] = srcBits + size_t(y + r) * srcStride;
            dst[r] = dstBits + size_t(y + r) * dstStride;
        }
        LaneErrors e{k.zero, k.zero, k.zero};
        int t = 0;
        if (rows == 8 && width > 7) {
            for (; t < 7; ++t)
                EdgeStep(k, src, dst, rows, width, t, e, below);
            // Every lane inside the picture.  Lane r reads column t - r of row
            // r, at in + r * inStep; four bytes per pixel are safe to read
            // because lane 0, the only one at a row's last pixel, is never on
            // the picture's last row.
            const ptrdiff_t inStep = ptrdiff_t(srcStride) - 3, outStep = ptrdiff_t(dstStride) - 1;
            const uint8_t* in = src[0] + 3 * t;
            uint8_t* out = dst[0] + t;
            LaneErrors le = e; // in registers for the loop
            for (; t < width; ++t, in += 3, ++out) {
                const uint8_t* in4 = in + 4 * inStep;
                const __m128i p01 = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(Load32(in))),
                                                       _mm_cvtsi32_si128(int(Load32(in + inStep))));
                const __m128i p23 =
                    _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(Load32(in + 2 * inStep))),
                                       _mm_cvtsi32_si128(int(Load32(in + 3 * inStep))));
                const __m128i p45 =
                    _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(Load32(in4))),
                                       _mm_cvtsi32_si128(int(Load32(in4 + inStep))));
                const __m128i p67 =
                    _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(Load32(in4 + 2 * inStep))),
                                       _mm_cvtsi32_si128(int(Load32(in4 + 3 * inStep))));
                const __m128i lo = _mm_unpacklo_epi64(p01, p23), hi = _mm_unpacklo_epi64(p45, p67);
                // Bytes 0-1 and 1-2 of each pixel, sign-extended so the pack keeps them.
                const __m128i bg = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(lo, 16), 16),
                                                   _mm_srai_epi32(_mm_slli_epi32(hi, 16), 16));
                const __m128i gr = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(lo, 8), 16),
                                                   _mm_srai_epi32(_mm_slli_epi32(hi, 8), 16));
                const __m128i index = Quantise(k, bg, gr, le, belowB[t], belowG[t], belowR[t]);
                uint64_t v;
                _mm_storel_epi64(reinterpret_cast<__m128i*>(&v), _mm_packus_epi16(index, index));
                uint8_t* out4 = out + 4 * outStep;
                out[0] = uint8_t(v);
                out[outStep] = uint8_t(v >> 8);
                out[2 * outStep] = uint8_t(v >> 16);
                out[3 * outStep] = uint8_t(v >> 24);
                out4[0] = uint8_t(v >> 32);
                out4[outStep] = uint8_t(v >> 40);
                out4[2 * outStep] = uint8_t(v >> 48);
                out4[3 * outStep] = uint8_t(v >> 56);
                belowB[t - 7] = int16_t(_mm_extract_epi16(le.b, 7));
                belowG[t - 7] = int16_t(_mm_extract_epi16(le.g, 7));
                belowR[t - 7] = int16_t(_mm_extract_epi16(le.r, 7));
            }
            e = le;
        }
        for (; t < width + 7; ++t)
            EdgeStep(k, src, dst, rows, width, t, e, below);
    }
}

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

void Dither332(uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride, int width,
               int height, int16_t* work) {
#if defined(__SSE2__)
    Dither332Vector(src, srcStride, dst, dstStride, width, height, work);
#else
    Dither332Scalar(src, srcStride, dst, dstStride, width, height, work);
#endif
}

void Palette332(int i, uint8_t* red, uint8_t* green, uint8_t* blue) {
    *red = kLevel8[(i >> 5) & 7];
    *green = kLevel8[(i >> 2) & 7];
    *blue = kLevel4[i & 3];
}
