// The vector kernel of the 3-3-2 diffusion for AVX2: one register of sixteen
// lanes per band.  This file alone is built with AVX2 enabled (where the
// compiler targets x86); dither_332.cpp calls it only when the processor has
// AVX2.
#include "imaging/dither_332.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include "imaging/dither_332_vector.h"

namespace {

struct Avx2Lanes {
    using Vec = __m256i;
    static constexpr int kCount = 16;
    static Vec Zero() { return _mm256_setzero_si256(); }
    static Vec Set1(int v) { return _mm256_set1_epi16(int16_t(v)); }
    static Vec Add(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
    static Vec Sub(Vec a, Vec b) { return _mm256_sub_epi16(a, b); }
    static Vec Max(Vec a, Vec b) { return _mm256_max_epi16(a, b); }
    static Vec Min(Vec a, Vec b) { return _mm256_min_epi16(a, b); }
    static Vec And(Vec a, Vec b) { return _mm256_and_si256(a, b); }
    static Vec Or(Vec a, Vec b) { return _mm256_or_si256(a, b); }
    static Vec MulHi(Vec a, Vec b) { return _mm256_mulhi_epu16(a, b); }
    static Vec MulLo(Vec a, Vec b) { return _mm256_mullo_epi16(a, b); }
    static Vec Srai2(Vec a) { return _mm256_srai_epi16(a, 2); }
    template <int n> static Vec Srli(Vec a) { return _mm256_srli_epi16(a, n); }
    // The byte shifts of AVX2 work within each 128-bit half; the half below
    // supplies what crosses the middle.
    static Vec Up(Vec a) {
        return _mm256_alignr_epi8(a, _mm256_permute2x128_si256(a, a, 0x08), 14);
    }
    static Vec Top(Vec a) { return _mm256_srli_si256(_mm256_permute2x128_si256(a, a, 0x81), 14); }
    static Vec Low(int v) { return _mm256_setr_epi32(v & 0xFFFF, 0, 0, 0, 0, 0, 0, 0); }
    static int16_t Last(Vec a) { return int16_t(_mm256_extract_epi16(a, 15)); }
    static Vec Load(const int16_t* p) {
        return _mm256_loadu_si256(reinterpret_cast<const Vec*>(p));
    }
    static void Store(int16_t* p, Vec a) { _mm256_storeu_si256(reinterpret_cast<Vec*>(p), a); }
    static void Gather(const uint8_t* in, ptrdiff_t step, Vec* bg, Vec* gr) {
        __m128i bgLow, grLow, bgHigh, grHigh;
        dither_vector::Gather8(in, step, &bgLow, &grLow);
        dither_vector::Gather8(in + 8 * step, step, &bgHigh, &grHigh);
        *bg = _mm256_inserti128_si256(_mm256_castsi128_si256(bgLow), bgHigh, 1);
        *gr = _mm256_inserti128_si256(_mm256_castsi128_si256(grLow), grHigh, 1);
    }
    static void Scatter(Vec index, uint8_t* out, ptrdiff_t step) {
        dither_vector::Scatter8(_mm256_castsi256_si128(index), out, step);
        dither_vector::Scatter8(_mm256_extracti128_si256(index, 1), out + 8 * step, step);
    }
};

} // namespace

bool Dither332Avx2(uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride, int width,
                   int height, int16_t* work) {
    dither_vector::Kernel<Avx2Lanes, 1>(src, srcStride, dst, dstStride, width, height, work);
    return true;
}

bool Dither332Avx2Built() {
    return true;
}

#else

bool Dither332Avx2(uint8_t*, size_t, uint8_t*, size_t, int, int, int16_t*) {
    return false;
}

bool Dither332Avx2Built() {
    return false;
}

#endif
