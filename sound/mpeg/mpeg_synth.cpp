#include "sound/mpeg/mpeg_synth.h"

#include <cmath>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Four floats for the compiler's vector extension (SSE2 on x86).
typedef float Float4 __attribute__((vector_size(16)));

inline Float4 Load4(const float* p) {
    Float4 v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}

// Synthesis window D[i] for i = 0..256, in units of 2^-16 (the standard's values are
// exact multiples of it); D[512 - i] = D[i] where i is a multiple of 64, else -D[i].
const int32_t kWindowHalf[257] = {
    0,      -1,     -1,     -1,     -1,     -1,     -1,     -2,     -2,     -2,     -2,     -3,
    -3,     -4,     -4,     -5,     -5,     -6,     -7,     -7,     -8,     -9,     -10,    -11,
    -13,    -14,    -16,    -17,    -19,    -21,    -24,    -26,    -29,    -31,    -35,    -38,
    -41,    -45,    -49,    -53,    -58,    -63,    -68,    -73,    -79,    -85,    -91,    -97,
    -104,   -111,   -117,   -125,   -132,   -139,   -147,   -154,   -161,   -169,   -176,   -183,
    -190,   -196,   -202,   -208,   213,    218,    222,    225,    227,    228,    228,    227,
    224,    221,    215,    208,    200,    189,    177,    163,    146,    127,    106,    83,
    57,     29,     -2,     -36,    -72,    -111,   -153,   -197,   -244,   -294,   -347,   -401,
    -459,   -519,   -581,   -645,   -711,   -779,   -848,   -919,   -991,   -1064,  -1137,  -1210,
    -1283,  -1356,  -1428,  -1498,  -1567,  -1634,  -1698,  -1759,  -1817,  -1870,  -1919,  -1962,
    -2001,  -2032,  -2057,  -2075,  -2085,  -2087,  -2080,  -2063,  2037,   2000,   1952,   1893,
    1822,   1739,   1644,   1535,   1414,   1280,   1131,   970,    794,    605,    402,    185,
    -45,    -288,   -545,   -814,   -1095,  -1388,  -1692,  -2006,  -2330,  -2663,  -3004,  -3351,
    -3705,  -4063,  -4425,  -4788,  -5153,  -5517,  -5879,  -6237,  -6589,  -6935,  -7271,  -7597,
    -7910,  -8209,  -8491,  -8755,  -8998,  -9219,  -9416,  -9585,  -9727,  -9838,  -9916,  -9959,
    -9966,  -9935,  -9863,  -9750,  -9592,  -9389,  -9139,  -8840,  -8492,  -8092,  -7640,  -7134,
    6574,   5959,   5288,   4561,   3776,   2935,   2037,   1082,   70,     -998,   -2122,  -3300,
    -4533,  -5818,  -7154,  -8540,  -9975,  -11455, -12980, -14548, -16155, -17799, -19478, -21189,
    -22929, -24694, -26482, -28289, -30112, -31947, -33791, -35640, -37489, -39336, -41176, -43006,
    -44821, -46617, -48390, -50137, -51853, -53534, -55178, -56778, -58333, -59838, -61289, -62684,
    -64019, -65290, -66494, -67629, -68692, -69679, -70590, -71420, -72169, -72835, -73415, -73908,
    -74313, -74630, -74856, -74992, 75038,
};

// 1 / (2 cos(pi (2k + 1) / (2n))) for the odd half of each DCT stage.
struct DctFactors {
    float f32[16], f16[8], f8[4], f4[2], f2[1];
    DctFactors() {
        Fill(f32, 32);
        Fill(f16, 16);
        Fill(f8, 8);
        Fill(f4, 4);
        Fill(f2, 2);
    }
    static void Fill(float* f, int n) {
        for (int k = 0; k < n / 2; ++k)
            f[k] = float(0.5 / std::cos(kPi * (2 * k + 1) / (2.0 * n)));
    }
};

const DctFactors& Factors() {
    static const DctFactors factors;
    return factors;
}

template <int N> const float* FactorsFor(const DctFactors& t) {
    if constexpr (N == 32) return t.f32;
    if constexpr (N == 16) return t.f16;
    if constexpr (N == 8) return t.f8;
    if constexpr (N == 4) return t.f4;
    return t.f2;
}

// Even-odd split: the even outputs are the half-size transform of x[k] + x[N-1-k]; the
// odd outputs are sums of neighbours of the half-size transform of
// (x[k] - x[N-1-k]) / (2 cos(pi (2k + 1) / 2N)).
template <int N>
__attribute__((always_inline)) inline void Dct(const float* x, float* X, const DctFactors& t) {
    if constexpr (N == 1) {
        X[0] = x[0];
    } else {
        constexpr int M = N / 2;
        const float* f = FactorsFor<N>(t);
        float u[M], v[M], U[M], V[M];
        for (int k = 0; k < M; ++k) {
            u[k] = x[k] + x[N - 1 - k];
            v[k] = (x[k] - x[N - 1 - k]) * f[k];
        }
        Dct<M>(u, U, t);
        Dct<M>(v, V, t);
        for (int p = 0; p < M - 1; ++p) {
            X[2 * p] = U[p];
            X[2 * p + 1] = V[p] + V[p + 1];
        }
        X[N - 2] = U[M - 1];
        X[N - 1] = V[M - 1];
    }
}

// Clips, then rounds to nearest (ties to even) by adding 1.5 * 2^23, where the spacing
// of floats is exactly 1.
inline int16_t ToPcm(float v) {
    v = v > 32767.0f ? 32767.0f : v;
    v = v < -32768.0f ? -32768.0f : v;
    return int16_t(int32_t((v + 12582912.0f) - 12582912.0f));
}

} // namespace

void MpegDct32(const float* x, float* X) {
    Dct<32>(x, X, Factors());
}

MpegSynthesis::MpegSynthesis(double scale) {
    // window_[2i] holds D[64i + j] (for lo of age 2i), window_[2i + 1] holds D[64i + 32 + j]
    // (for hi of age 2i + 1).
    for (int i = 0; i < 512; ++i) {
        int32_t d;
        if (i <= 256)
            d = kWindowHalf[i];
        else
            d = (i % 64 == 0) ? kWindowHalf[512 - i] : -kWindowHalf[512 - i];
        const int block = i / 32; // 64i + j -> block 2i, 64i + 32 + j -> block 2i + 1
        window_[block][i % 32] = float(d * scale / 65536.0);
    }
    Reset();
}

void MpegSynthesis::Reset() {
    std::memset(lo_, 0, sizeof(lo_));
    std::memset(hi_, 0, sizeof(hi_));
    newest_ = 0;
}

void MpegSynthesis::Filter(const float* subbands, int16_t* out, int stride) {
    float X[32];
    MpegDct32(subbands, X);
    newest_ = (newest_ + 15) & 15;
    float* lo = lo_[newest_];
    float* hi = hi_[newest_];
    // V[i] = X[16 + i] folded by X[64 - m] = -X[m], X[32] = 0, X[m + 64] = -X[m].
    for (int j = 0; j < 16; ++j) {
        lo[j] = X[16 + j];
        hi[j] = -X[16 - j];
        hi[16 + j] = -X[j];
    }
    lo[16] = 0.0f;
    for (int j = 17; j < 32; ++j)
        lo[j] = -X[48 - j];

    Float4 acc[8] = {};
    for (int i = 0; i < 8; ++i) {
        const float* a = lo_[(newest_ + 2 * i) & 15];
        const float* b = hi_[(newest_ + 2 * i + 1) & 15];
        const float* wa = window_[2 * i];
        const float* wb = window_[2 * i + 1];
        for (int j = 0; j < 8; ++j)
            acc[j] += Load4(wa + 4 * j) * Load4(a + 4 * j) + Load4(wb + 4 * j) * Load4(b + 4 * j);
    }
    float sum[32];
    std::memcpy(sum, acc, sizeof(sum));
    for (int j = 0; j < 32; ++j)
        out[j * stride] = ToPcm(sum[j]);
}
