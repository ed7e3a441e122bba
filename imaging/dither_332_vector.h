// The vector kernel of the 3-3-2 diffusion, written once over a lane type L
// (128-bit SSE2 registers of 8 lanes, 256-bit AVX2 registers of 16) and
// compiled by each kernel's own source file.  Everything here has internal
// linkage, so that code built for one instruction set never stands in for the
// other's.
//
// Each pixel's errors depend on its left neighbour's, so a row is one long
// chain of dependent steps.  The kernel works on a band of rows at once, one
// per 16-bit lane, with lane j lagging j columns behind lane 0: the error lane j
// hands down is the one lane j + 1 needs at its next step, at the same column,
// so it passes between lanes by a shift and never goes through memory.  The
// band's last lane keeps its errors (below) for the first lane of the next
// band.
//
// L provides: Vec; kCount (lanes per register); Zero, Set1; Add, Sub, Max,
// Min, And, Or, MulHi (unsigned), MulLo, Srai2, Srli<n>; Up(v) (lanes moved up
// by one, lane 0 cleared); Top(v) (the last lane moved to lane 0, the rest
// clear); Low(x) (x in lane 0, the rest clear); Last(v) (the last lane's value);
// Load/Store of kCount int16 values (unaligned: 32-byte alignment of the stack
// is not to be had on Windows); Gather and Scatter as described below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
namespace dither_vector {

template <class L> struct Constants {
    using V = typename L::Vec;
    V zero = L::Zero();
    V max = L::Set1(255);
    V lowByte = L::Set1(0xFF);
    // Red and green: v - palette value = (v & 31) - d, where d = 32 * level -
    // round(level * 255 / 7) = round(level * 31 / 7), found as
    // ((v & 0xE0 | 4) * 9070) >> 16 (exact for the eight levels).
    V levelBits = L::Set1(0xE0);
    V lowBits = L::Set1(31);
    V dRound = L::Set1(4);
    V dMul = L::Set1(9070);
    // Blue level = (v + 41) / 85, the division as (x * 772) >> 16 (exact to 296).
    V blueAdd = L::Set1(41);
    V blueDiv = L::Set1(772);
    V blueStep = L::Set1(85);
};

template <class L, int kRegs> struct LaneErrors {
    typename L::Vec b[kRegs], g[kRegs], r[kRegs]; // each lane's errors of its last step
};

// The errors each lane receives from the row below: those of the lane before,
// one step ago; lane 0 of the band takes below.
template <class L, int kRegs>
inline void HandDown(const typename L::Vec* e, int below, typename L::Vec* down) {
    down[0] = L::Or(L::Up(e[0]), L::Low(below));
    for (int i = 1; i < kRegs; ++i)
        down[i] = L::Or(L::Up(e[i]), L::Top(e[i - 1]));
}

template <class L> inline typename L::Vec Clamp(const Constants<L>& k, typename L::Vec v) {
    return L::Min(L::Max(v, k.zero), k.max);
}

// One channel: clamp(clamp(p + down) + 2 e).
template <class L>
inline typename L::Vec Value(const Constants<L>& k, typename L::Vec p, typename L::Vec down,
                             typename L::Vec e) {
    return Clamp<L>(k, L::Add(Clamp<L>(k, L::Add(p, down)), L::Add(e, e)));
}

// One step of every lane.  bg holds blue | green << 8 and gr green | red << 8
// of each lane's pixel; below* are the errors handed to lane 0 from the row
// under the band.  Updates e and writes the indices.
template <class L, int kRegs>
inline void Quantise(const Constants<L>& k, const typename L::Vec* bg, const typename L::Vec* gr,
                     LaneErrors<L, kRegs>& e, int belowB, int belowG, int belowR,
                     typename L::Vec* index) {
    using V = typename L::Vec;
    V downB[kRegs], downG[kRegs], downR[kRegs];
    HandDown<L, kRegs>(e.b, belowB, downB);
    HandDown<L, kRegs>(e.g, belowG, downG);
    HandDown<L, kRegs>(e.r, belowR, downR);
    for (int i = 0; i < kRegs; ++i) {
        const V vb = Value<L>(k, L::And(bg[i], k.lowByte), downB[i], e.b[i]);
        const V vg = Value<L>(k, L::And(gr[i], k.lowByte), downG[i], e.g[i]);
        const V vr = Value<L>(k, L::template Srli<8>(gr[i]), downR[i], e.r[i]);
        const V topG = L::And(vg, k.levelBits); // green level << 5
        const V topR = L::And(vr, k.levelBits); // red level << 5
        const V dG = L::MulHi(L::Or(topG, k.dRound), k.dMul);
        const V dR = L::MulHi(L::Or(topR, k.dRound), k.dMul);
        const V levelB = L::MulHi(L::Add(vb, k.blueAdd), k.blueDiv);
        const V palB = L::MulLo(levelB, k.blueStep);
        e.b[i] = L::Srai2(L::Sub(vb, palB));
        e.g[i] = L::Srai2(L::Sub(L::And(vg, k.lowBits), dG));
        e.r[i] = L::Srai2(L::Sub(L::And(vr, k.lowBits), dR));
        index[i] = L::Or(L::Or(topR, L::template Srli<3>(topG)), levelB);
    }
}

// A step at a band's edges (its first and last lanes - 1 steps, or a band of
// fewer rows than lanes): lanes outside the picture read a valid pixel, write
// nothing and end with zero errors, so that the first pixel of each row starts
// without a left neighbour.
template <class L, int kRegs>
void EdgeStep(const Constants<L>& k, uint8_t* const* src, uint8_t* const* dst, int rows, int width,
              int t, LaneErrors<L, kRegs>& e, int16_t* below) {
    using V = typename L::Vec;
    constexpr int kLanes = L::kCount * kRegs;
    alignas(32) int16_t bg[kLanes], gr[kLanes], active[kLanes];
    for (int j = 0; j < kLanes; ++j) {
        int x = t - j;
        const bool on = j < rows && x >= 0 && x < width;
        active[j] = on ? -1 : 0;
        x = x < 0 ? 0 : x >= width ? width - 1 : x;
        const uint8_t* p = src[j < rows ? j : rows - 1] + 3 * x;
        bg[j] = int16_t(p[0] | p[1] << 8);
        gr[j] = int16_t(p[1] | p[2] << 8);
    }
    V bgv[kRegs], grv[kRegs], index[kRegs];
    for (int i = 0; i < kRegs; ++i) {
        bgv[i] = L::Load(bg + L::kCount * i);
        grv[i] = L::Load(gr + L::kCount * i);
    }
    const bool inside = t < width;
    Quantise<L, kRegs>(k, bgv, grv, e, inside ? below[t] : 0, inside ? below[width + t] : 0,
                       inside ? below[2 * width + t] : 0, index);
    alignas(32) int16_t out[kLanes], eb[kLanes], eg[kLanes], er[kLanes];
    for (int i = 0; i < kRegs; ++i) {
        const V mask = L::Load(active + L::kCount * i);
        e.b[i] = L::And(e.b[i], mask);
        e.g[i] = L::And(e.g[i], mask);
        e.r[i] = L::And(e.r[i], mask);
        L::Store(out + L::kCount * i, index[i]);
        L::Store(eb + L::kCount * i, e.b[i]);
        L::Store(eg + L::kCount * i, e.g[i]);
        L::Store(er + L::kCount * i, e.r[i]);
    }
    for (int j = 0; j < rows; ++j)
        if (active[j]) dst[j][t - j] = uint8_t(out[j]);
    const int last = t - (rows - 1);
    if (last >= 0 && last < width) {
        below[last] = eb[rows - 1];
        below[width + last] = eg[rows - 1];
        below[2 * width + last] = er[rows - 1];
    }
}

template <class L, int kRegs>
void Kernel(uint8_t* srcBits, size_t srcStride, uint8_t* dstBits, size_t dstStride, int width,
            int height, int16_t* below) {
    using V = typename L::Vec;
    constexpr int kLanes = L::kCount * kRegs;
    if (width <= 0 || height <= 0) return;
    const Constants<L> k;
    std::memset(below, 0, sizeof(int16_t) * 3 * size_t(width));
    int16_t* belowB = below;
    int16_t* belowG = below + width;
    int16_t* belowR = below + 2 * width;
    for (int y = 0; y < height; y += kLanes) {
        const int rows = height - y < kLanes ? height - y : kLanes;
        uint8_t* src[kLanes];
        uint8_t* dst[kLanes];
        for (int j = 0; j < rows; ++j) {
            src[j] = srcBits + size_t(y + j) * srcStride;
            dst[j] = dstBits + size_t(y + j) * dstStride;
        }
        LaneErrors<L, kRegs> e;
        for (int i = 0; i < kRegs; ++i)
            e.b[i] = e.g[i] = e.r[i] = k.zero;
        int t = 0;
        if (rows == kLanes && width >= kLanes) {
            for (; t < kLanes - 1; ++t)
                EdgeStep<L, kRegs>(k, src, dst, rows, width, t, e, below);
            // Every lane inside the picture.  Lane j reads column t - j of row
            // j, at in + j * inStep; four bytes per pixel are safe to read
            // because lane 0, the only one at a row's last pixel, is never on
            // the picture's last row.
            const ptrdiff_t inStep = ptrdiff_t(srcStride) - 3, outStep = ptrdiff_t(dstStride) - 1;
            const uint8_t* in = src[0] + 3 * t;
            uint8_t* out = dst[0] + t;
            LaneErrors<L, kRegs> le = e; // in registers for the loop
            for (; t < width; ++t, in += 3, ++out) {
                V bg[kRegs], gr[kRegs], index[kRegs];
                for (int i = 0; i < kRegs; ++i)
                    L::Gather(in + L::kCount * i * inStep, inStep, &bg[i], &gr[i]);
                Quantise<L, kRegs>(k, bg, gr, le, belowB[t], belowG[t], belowR[t], index);
                for (int i = 0; i < kRegs; ++i)
                    L::Scatter(index[i], out + L::kCount * i * outStep, outStep);
                belowB[t - (kLanes - 1)] = L::Last(le.b[kRegs - 1]);
                belowG[t - (kLanes - 1)] = L::Last(le.g[kRegs - 1]);
                belowR[t - (kLanes - 1)] = L::Last(le.r[kRegs - 1]);
            }
            e = le;
        }
        for (; t < width + kLanes - 1; ++t)
            EdgeStep<L, kRegs>(k, src, dst, rows, width, t, e, below);
    }
}

#if defined(__SSE2__)

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Gathers eight lanes' pixels, lane j at in + j * step: four bytes each (the
// kernel makes sure the fourth is inside the buffer), split into blue | green
// << 8 and green | red << 8 words.
inline void Gather8(const uint8_t* in, ptrdiff_t step, __m128i* bg, __m128i* gr) {
    const uint8_t* in4 = in + 4 * step;
    const __m128i p01 = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(Load32(in))),
                                           _mm_cvtsi32_si128(int(Load32(in + step))));
    const __m128i p23 = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(Load32(in + 2 * step))),
                                           _mm_cvtsi32_si128(int(Load32(in + 3 * step))));
    const __m128i p45 = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(Load32(in4))),
                                           _mm_cvtsi32_si128(int(Load32(in4 + step))));
    const __m128i p67 = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(Load32(in4 + 2 * step))),
                                           _mm_cvtsi32_si128(int(Load32(in4 + 3 * step))));
    const __m128i lo = _mm_unpacklo_epi64(p01, p23), hi = _mm_unpacklo_epi64(p45, p67);
    // Bytes 0-1 and 1-2 of each pixel, sign-extended so that the pack keeps them.
    *bg = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(lo, 16), 16),
                          _mm_srai_epi32(_mm_slli_epi32(hi, 16), 16));
    *gr = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(lo, 8), 16),
                          _mm_srai_epi32(_mm_slli_epi32(hi, 8), 16));
}

// Scatters eight lanes' indices, lane j to out + j * step.
inline void Scatter8(__m128i index, uint8_t* out, ptrdiff_t step) {
    uint64_t v;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(&v), _mm_packus_epi16(index, index));
    uint8_t* out4 = out + 4 * step;
    out[0] = uint8_t(v);
    out[step] = uint8_t(v >> 8);
    out[2 * step] = uint8_t(v >> 16);
    out[3 * step] = uint8_t(v >> 24);
    out4[0] = uint8_t(v >> 32);
    out4[step] = uint8_t(v >> 40);
    out4[2 * step] = uint8_t(v >> 48);
    out4[3 * step] = uint8_t(v >> 56);
}

#endif

} // namespace dither_vector
} // namespace
