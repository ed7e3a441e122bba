#include "saver/animation/key_copy.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace saver {

void CopyUnlessKey(uint32_t* dst, const uint32_t* src, size_t count, uint32_t key) {
    size_t i = 0;
#if defined(__SSE2__)
    // Four pixels at a time: where the source equals the key the comparison
    // gives all ones and the destination's pixel is kept.
    const __m128i k = _mm_set1_epi32(int(key));
    for (; i + 4 <= count; i += 4) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        __m128i keep = _mm_cmpeq_epi32(s, k);
        __m128i out = _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, s));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), out);
    }
#endif
    for (; i < count; ++i)
        if (src[i] != key) dst[i] = src[i];
}

} // namespace saver
