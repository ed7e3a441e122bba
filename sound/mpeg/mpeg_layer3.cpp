#include "sound/mpeg/mpeg_layer3.h"

#include "sound/mpeg/mpeg_bits.h"
#include "sound/mpeg/mpeg_layer3_tables.h"
#include "sound/mpeg/mpeg_synth.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Scale-factor band boundaries in spectral lines, long blocks (22 bands) and short
// blocks (13 bands per window), by [version][sampling frequency index].
struct BandTable {
    int16_t l[23];
    int16_t s[14];
};
const BandTable kBands[2][3] = {
    {{{0,   6,   12,  18,  24,  30,  36,  44,  54,  66,  80, 96,
       116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
      {0, 4, 8, 12, 18, 24, 32, 42, 56, 74, 100, 132, 174, 192}},
     {{0,   6,   12,  18,  24,  30,  36,  44,  54,  66,  80, 96,
       114, 136, 162, 194, 232, 278, 332, 394, 464, 540, 576},
      {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 136, 180, 192}},
     {{0,   6,   12,  18,  24,  30,  36,  44,  54,  66,  80, 96,
       116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
      {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192}}},
    {{{0,  4,  8,   12,  16,  20,  24,  30,  36,  44,  52, 62,
       74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576},
      {0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192}},
     {{0,  4,  8,   12,  16,  20,  24,  30,  36,  42,  50, 60,
       72, 88, 106, 128, 156, 190, 230, 276, 330, 384, 576},
      {0, 4, 8, 12, 16, 22, 28, 38, 50, 64, 80, 100, 126, 192}},
     {{0,  4,   8,   12,  16,  20,  24,  30,  36,  44,  54, 66,
       82, 102, 126, 156, 194, 240, 296, 364, 448, 550, 576},
      {0, 4, 8, 12, 16, 22, 30, 42, 58, 78, 104, 138, 180, 192}}},
};

const uint8_t kPretab[22] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};
const uint8_t kSlen[2][16] = {{0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4},
                              {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3}};
// MPEG-2: scale factors per partition by [table][long, short, mixed][partition].
const uint8_t kLsfPartitions[6][3][4] = {
    {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}},
    {{6, 5, 7, 3}, {9, 9, 12, 6}, {6, 9, 12, 6}},
    {{11, 10, 0, 0}, {18, 18, 0, 0}, {15, 18, 0, 0}},
    {{7, 7, 7, 0}, {12, 12, 12, 0}, {6, 15, 12, 0}},
    {{6, 6, 6, 3}, {12, 9, 9, 6}, {6, 12, 9, 6}},
    {{8, 8, 5, 0}, {15, 12, 9, 0}, {6, 18, 9, 0}},
};
const float kAliasC[8] = {-0.6f, -0.535f, -0.33f, -0.185f, -0.095f, -0.041f, -0.0142f, -0.0037f};

// Four floats for the compiler's vector extension (SSE2 on x86).
typedef float Float4 __attribute__((vector_size(16)));

inline Float4 Load4(const float* p) {
    Float4 v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}
inline void Store4(float* p, Float4 v) {
    std::memcpy(p, &v, sizeof(v));
}
inline Float4 Splat4(float f) {
    return Float4{f, f, f, f};
}

constexpr int kMaxValue = 8191 + 15; // largest Huffman value with 13 linbits
constexpr int kGainMin = -1024;      // quarter-power exponents covered by the gain table
constexpr int kGainMax = 128;

// Lookup tables for Huffman decoding.  An entry is a leaf, (bits << 16) | (x << 4) | y
// with the bits it consumes at its level, or a link, 0x80000000 | (width << 24) | offset,
// to a subtable indexed by the next width bits.
struct HuffLookup {
    std::vector<uint32_t> entries;
    int rootBits = 0;
};

struct Symbol {
    uint32_t code;
    int length;
    uint32_t value;
};

size_t BuildLevel(std::vector<uint32_t>& pool, const std::vector<Symbol>& syms, uint32_t prefix,
                  int prefixLength, int width) {
    const size_t base = pool.size();
    pool.resize(base + (size_t(1) << width), 0);
    int longest[256] = {};
    for (const Symbol& s : syms) {
        if (s.length <= prefixLength || (s.code >> (s.length - prefixLength)) != prefix) continue;
        const int rest = s.length - prefixLength;
        const uint32_t restCode = s.code & ((1u << rest) - 1);
        if (rest <= width) {
            const uint32_t first = restCode << (width - rest);
            for (uint32_t i = 0; i < (1u << (width - rest)); ++i)
                pool[base + first + i] = uint32_t(rest) << 16 | s.value;
        } else {
            const uint32_t index = restCode >> (rest - width);
            longest[index] = std::max(longest[index], rest - width);
        }
    }
    for (uint32_t index = 0; index < (1u << width); ++index) {
        if (!longest[index]) continue;
        const int subWidth = std::min(longest[index], 8);
        const size_t sub =
            BuildLevel(pool, syms, (prefix << width) | index, prefixLength + width, subWidth);
        pool[base + index] = 0x80000000u | uint32_t(subWidth) << 24 | uint32_t(sub);
    }
    return base;
}

HuffLookup BuildLookup(const MpegHuffmanSource& src, bool quad) {
    HuffLookup t;
    const int count = quad ? 16 : src.size * src.size;
    std::vector<Symbol> syms;
    int maxLength = 0;
    for (int i = 0; i < count; ++i) {
        const uint32_t value = quad ? uint32_t(i) : uint32_t((i / src.size) << 4 | (i % src.size));
        syms.push_back({src.code[i], src.length[i], value});
        maxLength = std::max(maxLength, int(src.length[i]));
    }
    t.rootBits = std::min(maxLength, 8);
    BuildLevel(t.entries, syms, 0, 0, t.rootBits);
    return t;
}

struct Tables {
    HuffLookup pair[32];
    HuffLookup quad[2];
    float pow43[kMaxValue + 1];
    float gain[kGainMax - kGainMin + 1]; // 2^(q / 4)
    float aliasCs[8], aliasCa[8];
    // DCT-IV of 18 points, by [k][j] (the matrix is symmetric) and padded to 20 so that
    // the accumulation runs over whole vectors.
    alignas(16) float imdctLong[18][20];
    // Fast DCT-IV of 18 points: pre-twiddle 2 cos(pi (2k + 1) / 72), the odd-half factors
    // 1 / (2 cos(pi (2k + 1) / 36)) and the 9-point DCT-II kernel cos(pi m (2k + 1) / 18).
    float dct4Pre[18];
    float dct4Odd[9];
    float dct9[9][4];
    float imdctShort[6][6]; // DCT-IV of 6 points
    float window[4][36];    // by block type; type 2 uses its first 12 values
    float isRatio[7][2];    // MPEG-1 intensity factors (left, right) by position
    float lsfIs[2][32][2];  // MPEG-2 intensity factors by scale and position

    Tables() {
        for (int t = 0; t < 32; ++t)
            if (kMpegPairTables[t].size) pair[t] = BuildLookup(kMpegPairTables[t], false);
        for (int t = 0; t < 2; ++t)
            quad[t] = BuildLookup(kMpegQuadTables[t], true);
        for (int i = 0; i <= kMaxValue; ++i)
            pow43[i] = float(std::pow(double(i), 4.0 / 3.0));
        for (int q = kGainMin; q <= kGainMax; ++q)
            gain[q - kGainMin] = float(std::exp2(q / 4.0));
        for (int i = 0; i < 8; ++i) {
            const double c = kAliasC[i];
            aliasCs[i] = float(1.0 / std::sqrt(1.0 + c * c));
            aliasCa[i] = float(c / std::sqrt(1.0 + c * c));
        }
        std::memset(imdctLong, 0, sizeof(imdctLong));
        for (int k = 0; k < 18; ++k)
            for (int j = 0; j < 18; ++j)
                imdctLong[k][j] = float(std::cos(kPi / 72.0 * (2 * j + 1) * (2 * k + 1)));
        for (int k = 0; k < 18; ++k)
            dct4Pre[k] = float(2.0 * std::cos(kPi * (2 * k + 1) / 72.0));
        for (int k = 0; k < 9; ++k)
            dct4Odd[k] = float(0.5 / std::cos(kPi * (2 * k + 1) / 36.0));
        for (int m = 0; m < 9; ++m)
            for (int k = 0; k < 4; ++k)
                dct9[m][k] = float(std::cos(kPi * m * (2 * k + 1) / 18.0));
        for (int j = 0; j < 6; ++j)
            for (int k = 0; k < 6; ++k)
                imdctShort[j][k] = float(std::cos(kPi / 24.0 * (2 * j + 1) * (2 * k + 1)));
        for (int i = 0; i < 36; ++i) {
            const double longWin = std::sin(kPi / 36.0 * (i + 0.5));
            window[0][i] = float(longWin);
            // Start block: long rising half, flat, short falling half, zero.
            if (i < 18)
                window[1][i] = float(longWin);
            else if (i < 24)
                window[1][i] = 1.0f;
            else if (i < 30)
                window[1][i] = float(std::sin(kPi / 12.0 * (i - 18 + 0.5)));
            else
                window[1][i] = 0.0f;
            // Stop block: the mirror image.
            if (i < 6)
                window[3][i] = 0.0f;
            else if (i < 12)
                window[3][i] = float(std::sin(kPi / 12.0 * (i - 6 + 0.5)));
            else if (i < 18)
                window[3][i] = 1.0f;
            else
                window[3][i] = float(longWin);
            window[2][i] = i < 12 ? float(std::sin(kPi / 12.0 * (i + 0.5))) : 0.0f;
        }
        for (int p = 0; p < 7; ++p) {
            const double r = std::tan(p * kPi / 12.0);
            isRatio[p][0] = float(r / (1.0 + r));
            isRatio[p][1] = float(1.0 / (1.0 + r));
        }
        for (int scale = 0; scale < 2; ++scale) {
            const double io = scale ? std::sqrt(0.5) : std::pow(2.0, -0.25);
            for (int p = 0; p < 32; ++p) {
                double l = 1.0, r = 1.0;
                if (p & 1)
                    l = std::pow(io, (p + 1) / 2);
                else if (p)
                    r = std::pow(io, p / 2);
                lsfIs[scale][p][0] = float(l);
                lsfIs[scale][p][1] = float(r);
            }
        }
    }
};

const Tables& T() {
    static const Tables tables;
    return tables;
}

// Bit reader over the reservoir: the buffer carries zero padding beyond its end, and
// callers stop once the position passes their limit, so a peek never leaves it.
struct MainBits {
    const uint8_t* data;
    size_t pos;
    uint32_t Peek(int n) const {
        const uint8_t* p = data + (pos >> 3);
        const uint32_t w = LoadBE32(p);
        return n ? (w << (pos & 7)) >> (32 - n) : 0;
    }
    uint32_t Read(int n) {
        const uint32_t v = Peek(n);
        pos += size_t(n);
        return v;
    }
};

inline uint32_t DecodeSymbol(MainBits& bits, const HuffLookup& t) {
    const uint32_t* e = t.entries.data();
    int width = t.rootBits;
    uint32_t entry = e[bits.Peek(width)];
    while (entry & 0x80000000u) {
        bits.pos += size_t(width);
        width = int(entry >> 24) & 31;
        entry = e[(entry & 0xFFFFFF) + bits.Peek(width)];
    }
    bits.pos += (entry >> 16) & 31;
    return entry & 0xFF;
}

} // namespace

struct MpegLayer3Granule {
    int part23Length;
    int bigValues;
    int globalGain;
    int scalefacCompress;
    int windowSwitching;
    int blockType;
    int mixed;
    int tableSelect[3];
    int subblockGain[3];
    int region0Count;
    int region1Count;
    int preflag;
    int scalefacScale;
    int count1Table;
    // Filled while decoding.
    int scalefacL[22];
    int scalefacS[13][3];
    int isMaxL[22]; // MPEG-2: the illegal intensity position of each band
    int isMaxS[13];
    int nonzero; // lines up to the last possibly nonzero one
};

struct MpegLayer3SideInfo {
    int mainDataBegin;
    int scfsi[2][4];
    MpegLayer3Granule gr[2][2];
};

MpegLayer3::MpegLayer3() {
    T();
    Reset();
}

void MpegLayer3::Reset() {
    reservoirLength_ = 0;
    std::memset(reservoir_, 0, sizeof(reservoir_));
    std::memset(overlap_, 0, sizeof(overlap_));
    std::memset(savedScalefactors_, 0, sizeof(savedScalefactors_));
}

// Side information (after the header and the CRC word), MPEG-1 / MPEG-2:
//   main_data_begin 9 / 8 bits, private bits 5 or 3 / 1 or 2 (one / two channels),
//   MPEG-1 only: scfsi 4 bits per channel,
//   per granule (2 / 1) and channel: part2_3_length 12, big_values 9, global_gain 8,
//   scalefac_compress 4 / 9, window_switching_flag 1, then either block_type 2,
//   mixed_block_flag 1, table_select 2 x 5, subblock_gain 3 x 3, or table_select 3 x 5,
//   region0_count 4, region1_count 3; then MPEG-1 only preflag 1; scalefac_scale 1,
//   count1table_select 1.
bool MpegLayer3::ReadSideInfo(const MpegFrameHeader& h, const uint8_t* data,
                              MpegLayer3SideInfo* si) const {
    MpegBits bits(data, size_t(h.sideInfoSize));
    const int nch = h.channels();
    const int ngr = h.version ? 2 : 1;
    if (h.version) {
        si->mainDataBegin = int(bits.Read(9));
        bits.Skip(nch == 1 ? 5 : 3);
        for (int ch = 0; ch < nch; ++ch)
            for (int g = 0; g < 4; ++g)
                si->scfsi[ch][g] = int(bits.Read(1));
    } else {
        si->mainDataBegin = int(bits.Read(8));
        bits.Skip(nch == 1 ? 1 : 2);
        std::memset(si->scfsi, 0, sizeof(si->scfsi));
    }
    const BandTable& bands = kBands[h.version][h.frequencyIndex];
    for (int gr = 0; gr < ngr; ++gr) {
        for (int ch = 0; ch < nch; ++ch) {
            MpegLayer3Granule& g = si->gr[gr][ch];
            g.part23Length = int(bits.Read(12));
            g.bigValues = std::min(int(bits.Read(9)), 288);
            g.globalGain = int(bits.Read(8));
            g.scalefacCompress = int(bits.Read(h.version ? 4 : 9));
            g.windowSwitching = int(bits.Read(1));
            if (g.windowSwitching) {
                g.blockType = int(bits.Read(2));
                g.mixed = int(bits.Read(1));
                g.tableSelect[0] = int(bits.Read(5));
                g.tableSelect[1] = int(bits.Read(5));
                g.tableSelect[2] = 0;
                for (int w = 0; w < 3; ++w)
                    g.subblockGain[w] = int(bits.Read(3));
                // Implicit region boundaries: 36 lines (short: three bands of each window),
                // the rest in region 1.
                if (g.blockType == 2 && !g.mixed)
                    g.region0Count = 3 * bands.s[3];
                else
                    g.region0Count = bands.l[8];
                g.region1Count = 576;
                // block_type 0 cannot be signalled here; take it as long.  A start or stop
                // block may still be flagged mixed: its two lowest subbands then take
                // the normal long window, as the compliance streams expect.
                if (g.blockType == 0) g.mixed = 0;
            } else {
                g.blockType = 0;
                g.mixed = 0;
                for (int r = 0; r < 3; ++r)
                    g.tableSelect[r] = int(bits.Read(5));
                for (int w = 0; w < 3; ++w)
                    g.subblockGain[w] = 0;
                const int r0 = int(bits.Read(4));
                const int r1 = int(bits.Read(3));
                g.region0Count = bands.l[std::min(r0 + 1, 22)];
                g.region1Count = bands.l[std::min(r0 + r1 + 2, 22)];
            }
            g.preflag = h.version ? int(bits.Read(1)) : 0;
            g.scalefacScale = int(bits.Read(1));
            g.count1Table = int(bits.Read(1));
        }
    }
    return !bits.overrun();
}

void MpegLayer3::Append(const uint8_t* data, int size) {
    // Only the last 511 bytes can be referred back to.
    if (reservoirLength_ > 511) {
        std::memmove(reservoir_, reservoir_ + reservoirLength_ - 511, 511);
        reservoirLength_ = 511;
    }
    size = std::max(0, std::min(size, kReservoirSize - reservoirLength_));
    std::memcpy(reservoir_ + reservoirLength_, data, size_t(size));
    reservoirLength_ += size;
    std::memset(reservoir_ + reservoirLength_, 0, kPadding);
}

void MpegLayer3::Prime(const MpegFrameHeader& h, const uint8_t* body) {
    const int start = (h.protection ? 0 : 2) + h.sideInfoSize;
    Append(body + start, h.mainDataSize);
}

bool MpegLayer3::Decode(const MpegFrameHeader& h, const uint8_t* body, MpegSynthesis* const* synth,
                        int16_t* out) {
    const int dataStart = h.protection ? 0 : 2;
    MpegLayer3SideInfo si;
    const bool sideOk = ReadSideInfo(h, body + dataStart, &si);
    const int before = reservoirLength_ > 511 ? 511 : reservoirLength_;
    Prime(h, body);
    if (!sideOk) return false;
    if (!h.protection) {
        const uint8_t headerTail[2] = {uint8_t(h.word >> 8), uint8_t(h.word)};
        uint16_t crc = MpegCrcBits(0xFFFF, headerTail, 16);
        crc = MpegCrcBits(crc, body + 2, h.sideInfoSize * 8);
        if (crc != h.checksum) return false;
    }
    // The frame's main data begins mainDataBegin bytes before its own bytes.
    if (si.mainDataBegin > before) return false;
    const int mainStart = reservoirLength_ - h.mainDataSize - si.mainDataBegin;
    size_t bitPos = size_t(mainStart) * 8;
    const int ngr = h.version ? 2 : 1;
    for (int gr = 0; gr < ngr; ++gr)
        DecodeGranule(h, si, gr, reservoir_, size_t(reservoirLength_), bitPos, synth,
                      out + gr * 576 * h.channels());
    return true;
}

namespace {

// Part 2 of a granule: the scale factors.  MPEG-1 takes the bit counts slen1/slen2 from
// scalefac_compress and may reuse granule 0's long-block groups (scfsi); MPEG-2 splits
// the bands into four partitions whose bit counts come from scalefac_compress, with
// other tables for the intensity-coded right channel.
struct ScalefactorReader {
    const MpegFrameHeader& h;
    MainBits& bits;

    void Mpeg1(MpegLayer3Granule& g, const int* scfsi, int gr, int* saved) {
        const int slen1 = kSlen[0][g.scalefacCompress];
        const int slen2 = kSlen[1][g.scalefacCompress];
        std::memset(g.scalefacL, 0, sizeof(g.scalefacL));
        std::memset(g.scalefacS, 0, sizeof(g.scalefacS));
        if (g.blockType == 2) {
            int sfb = 0;
            if (g.mixed) {
                for (; sfb < 8; ++sfb)
                    g.scalefacL[sfb] = int(bits.Read(slen1));
                sfb = 3;
            }
            for (; sfb < 12; ++sfb)
                for (int w = 0; w < 3; ++w)
                    g.scalefacS[sfb][w] = int(bits.Read(sfb < 6 ? slen1 : slen2));
            std::memset(saved, 0, sizeof(int) * 22);
            return;
        }
        static const int kGroups[5] = {0, 6, 11, 16, 21};
        for (int i = 0; i < 4; ++i) {
            const int len = i < 2 ? slen1 : slen2;
            for (int sfb = kGroups[i]; sfb < kGroups[i + 1]; ++sfb)
                g.scalefacL[sfb] = (gr == 1 && scfsi[i]) ? saved[sfb] : int(bits.Read(len));
        }
        std::memcpy(saved, g.scalefacL, sizeof(int) * 22);
    }

    void Mpeg2(MpegLayer3Granule& g, bool intensityRight) {
        int slen[4] = {};
        int table;
        const int sfc = g.scalefacCompress;
        g.preflag = 0;
        if (!intensityRight) {
            if (sfc < 400) {
                slen[0] = (sfc >> 4) / 5;
                slen[1] = (sfc >> 4) % 5;
                slen[2] = (sfc & 15) >> 2;
                slen[3] = sfc & 3;
                table = 0;
            } else if (sfc < 500) {
                const int s = sfc - 400;
                slen[0] = (s >> 2) / 5;
                slen[1] = (s >> 2) % 5;
                slen[2] = s & 3;
                table = 1;
            } else {
                const int s = sfc - 500;
                slen[0] = s / 3;
                slen[1] = s % 3;
                g.preflag = 1;
                table = 2;
            }
        } else {
            const int isc = sfc >> 1;
            if (isc < 180) {
                slen[0] = isc / 36;
                slen[1] = (isc % 36) / 6;
                slen[2] = (isc % 36) % 6;
                table = 3;
            } else if (isc < 244) {
                const int s = isc - 180;
                slen[0] = (s % 64) >> 4;
                slen[1] = (s % 16) >> 2;
                slen[2] = s % 4;
                table = 4;
            } else {
                const int s = isc - 244;
                slen[0] = s / 3;
                slen[1] = s % 3;
                table = 5;
            }
        }
        const int kind = g.blockType == 2 ? (g.mixed ? 2 : 1) : 0;
        int values[40];
        int maxima[40];
        int n = 0;
        for (int p = 0; p < 4; ++p) {
            for (int i = 0; i < kLsfPartitions[table][kind][p]; ++i) {
                values[n] = int(bits.Read(slen[p]));
                maxima[n] = (1 << slen[p]) - 1;
                ++n;
            }
        }
        std::memset(g.scalefacL, 0, sizeof(g.scalefacL));
        std::memset(g.scalefacS, 0, sizeof(g.scalefacS));
        int k = 0;
        if (kind == 0) {
            for (int sfb = 0; sfb < 21; ++sfb, ++k) {
                g.scalefacL[sfb] = values[k];
                g.isMaxL[sfb] = maxima[k];
            }
            g.isMaxL[21] = g.isMaxL[20];
            return;
        }
        int sfb = 0;
        if (kind == 2) {
            for (; sfb < 6; ++sfb, ++k) {
                g.scalefacL[sfb] = values[k];
                g.isMaxL[sfb] = maxima[k];
            }
            sfb = 3;
        }
        for (; sfb < 12; ++sfb) {
            for (int w = 0; w < 3; ++w, ++k)
                g.scalefacS[sfb][w] = values[k];
            g.isMaxS[sfb] = maxima[k - 1];
        }
        g.isMaxS[12] = g.isMaxS[11];
    }
};

} // namespace

namespace {

// Gain of each run of lines in bitstream order: long bands, then for short blocks band
// by band with the three windows one after another.
struct GainRuns {
    int end[40];
    float gain[40];
    int count = 0;
    void Add(int lineEnd, int exponent) {
        exponent = std::max(kGainMin, std::min(kGainMax, exponent));
        end[count] = lineEnd;
        gain[count] = T().gain[exponent - kGainMin];
        ++count;
    }
};

void BuildGains(const MpegLayer3Granule& g, const BandTable& bands, GainRuns* runs) {
    const int base = g.globalGain - 210;
    const int shift = 2 * (1 + g.scalefacScale);
    runs->count = 0;
    int sfb = 0;
    if (g.blockType != 2 || g.mixed) {
        // Long bands: all 22, or those below line 36 in a mixed block.
        const int last = g.blockType == 2 ? (bands.l[8] == 36 ? 8 : 6) : 22;
        for (int b = 0; b < last; ++b) {
            const int pre = g.preflag ? kPretab[b] : 0;
            runs->Add(bands.l[b + 1], base - shift * (g.scalefacL[b] + pre));
        }
        if (g.blockType != 2) return;
        sfb = 3;
    }
    for (; sfb < 13; ++sfb) {
        const int width = bands.s[sfb + 1] - bands.s[sfb];
        for (int w = 0; w < 3; ++w)
            runs->Add(3 * bands.s[sfb] + (w + 1) * width,
                      base - 8 * g.subblockGain[w] - shift * g.scalefacS[sfb][w]);
    }
}

// Part 3: Huffman-coded values, requantised as sign * |v|^(4/3) * gain of the line's run.
// Returns the number of lines decoded (all later lines are zero).
int DecodeSpectrum(const MpegLayer3Granule& g, const BandTable& bands, MainBits& bits, size_t limit,
                   float* xr) {
    const Tables& t = T();
    GainRuns runs;
    BuildGains(g, bands, &runs);
    int run = 0;
    int line = 0;
    const int bigEnd = g.bigValues * 2;
    const int regionEnd[3] = {std::min(g.region0Count, bigEnd), std::min(g.region1Count, bigEnd),
                              bigEnd};
    auto value = [&](int v, int at) {
        while (at >= runs.end[run])
            ++run;
        return t.pow43[v] * runs.gain[run];
    };
    for (int r = 0; r < 3; ++r) {
        const int end = std::max(line, regionEnd[r]);
        const MpegHuffmanSource& src = kMpegPairTables[g.tableSelect[r]];
        if (!src.size) {
            // Table 0 codes zeros without bits (4 and 14 do not exist: taken as 0).
            for (; line < end; ++line)
                xr[line] = 0.0f;
            continue;
        }
        const HuffLookup& lookup = t.pair[g.tableSelect[r]];
        const int linbits = src.linbits;
        while (line < end) {
            // Runs and regions end on even lines, so a pair never straddles a run.
            while (line >= runs.end[run])
                ++run;
            const int runEnd = std::min(end, runs.end[run]);
            const float gain = runs.gain[run];
            for (; line < runEnd; line += 2) {
                if (bits.pos > limit) {
                    std::memset(xr + line, 0, sizeof(float) * size_t(576 - line));
                    return line;
                }
                const uint32_t sym = DecodeSymbol(bits, lookup);
                int x = int(sym >> 4), y = int(sym & 15);
                float fx = 0.0f, fy = 0.0f;
                if (x) {
                    if (x == 15 && linbits) x += int(bits.Read(linbits));
                    fx = t.pow43[x] * gain;
                    if (bits.Read(1)) fx = -fx;
                }
                if (y) {
                    if (y == 15 && linbits) y += int(bits.Read(linbits));
                    fy = t.pow43[y] * gain;
                    if (bits.Read(1)) fy = -fy;
                }
                xr[line] = fx;
                xr[line + 1] = fy;
            }
        }
    }
    // Count1 region: quadruples of values 0 or 1 until part 3 ends.
    const HuffLookup& quad = t.quad[g.count1Table];
    while (line + 4 <= 576 && bits.pos < limit) {
        const uint32_t sym = DecodeSymbol(bits, quad);
        float v[4];
        for (int i = 0; i < 4; ++i) {
            v[i] = 0.0f;
            if (sym & (8u >> i)) {
                v[i] = value(1, line + i);
                if (bits.Read(1)) v[i] = -v[i];
            }
        }
        if (bits.pos > limit) break; // the last quadruple ran past part 3: dropped
        for (int i = 0; i < 4; ++i)
            xr[line + i] = v[i];
        line += 4;
    }
    std::memset(xr + line, 0, sizeof(float) * size_t(576 - line));
    return line;
}

inline bool AnyNonzero(const float* x, int n) {
    for (int i = 0; i < n; ++i)
        if (x[i] != 0.0f) return true;
    return false;
}

// Joint stereo of one granule, in bitstream order.  Bands of the right channel above its
// last nonzero value are intensity coded when intensity stereo is on; the rest are
// mid/side coded when that is on.
void JointStereo(const MpegFrameHeader& h, const MpegLayer3Granule& right, const BandTable& bands,
                 float* l, float* r, int nonzero) {
    const Tables& t = T();
    const bool ms = (h.modeExtension & 2) != 0;
    const bool is = (h.modeExtension & 1) != 0;
    const float root = float(std::sqrt(0.5));
    auto midSide = [&](int from, int to) {
        if (!ms) return;
        for (int i = from; i < to; ++i) {
            const float m = l[i], s = r[i];
            l[i] = (m + s) * root;
            r[i] = (m - s) * root;
        }
    };
    if (!is) {
        midSide(0, nonzero);
        return;
    }
    const int scale = right.scalefacCompress & 1;
    // Intensity position pos of a band; false if it is the illegal one.
    auto intensity = [&](int from, int to, int pos, int illegal) {
        if (pos == illegal || (h.version && pos >= 7)) {
            midSide(from, to);
            return;
        }
        float kl, kr;
        if (h.version) {
            kl = t.isRatio[pos][0];
            kr = t.isRatio[pos][1];
        } else {
            kl = t.lsfIs[scale][pos & 31][0];
            kr = t.lsfIs[scale][pos & 31][1];
        }
        for (int i = from; i < to; ++i) {
            const float v = l[i];
            l[i] = v * kl;
            r[i] = v * kr;
        }
    };
    auto longBands = [&](int first, int last) {
        // Highest band of first..last-1 with a nonzero right value; those above it are
        // intensity coded.  Band 21 carries no position: it continues band 20, intensity
        // coded with band 20's position when band 20 is, else not.
        int start = first;
        for (int b = last - 1; b >= first; --b) {
            if (AnyNonzero(r + bands.l[b], bands.l[b + 1] - bands.l[b])) {
                start = b + 1;
                break;
            }
        }
        midSide(bands.l[first], bands.l[start]);
        for (int b = start; b < last; ++b) {
            const int pb = b == 21 ? 20 : b;
            const int illegal = h.version ? 7 : right.isMaxL[pb];
            int pos = right.scalefacL[pb];
            if (b == 21 && start == 21) pos = h.version ? 7 : 0;
            intensity(bands.l[b], bands.l[b + 1], pos, illegal);
        }
        return start;
    };
    if (right.blockType != 2) {
        longBands(0, 22);
        return;
    }
    const int firstShort = right.mixed ? 3 : 0;
    bool shortNonzero = false;
    for (int w = 0; w < 3; ++w) {
        int start = firstShort;
        for (int b = 12; b >= firstShort; --b) {
            const int width = bands.s[b + 1] - bands.s[b];
            if (AnyNonzero(r + 3 * bands.s[b] + w * width, width)) {
                start = b + 1;
                shortNonzero = true;
                break;
            }
        }
        for (int b = firstShort; b < 13; ++b) {
            const int width = bands.s[b + 1] - bands.s[b];
            const int from = 3 * bands.s[b] + w * width;
            if (b < start) {
                midSide(from, from + width);
            } else {
                const int pb = b == 12 ? 11 : b;
                const int illegal = h.version ? 7 : right.isMaxS[pb];
                int pos = right.scalefacS[pb][w];
                if (b == 12 && start == 12) pos = h.version ? 7 : 0;
                intensity(from, from + width, pos, illegal);
            }
        }
    }
    if (right.mixed) {
        const int longEnd = bands.l[8] == 36 ? 8 : 6;
        if (shortNonzero)
            midSide(0, 36);
        else
            longBands(0, longEnd);
    }
}

// Short blocks arrive band by band with the windows one after another; the IMDCT wants
// each subband's 18 values as three windows of 6 consecutive frequencies.
void Reorder(const MpegLayer3Granule& g, const BandTable& bands, float* xr) {
    float tmp[576];
    const int first = g.mixed ? 3 : 0;
    const int start = 3 * bands.s[first];
    for (int b = first; b < 13; ++b) {
        const int width = bands.s[b + 1] - bands.s[b];
        for (int w = 0; w < 3; ++w) {
            const float* src = xr + 3 * bands.s[b] + w * width;
            for (int j = 0; j < width; ++j) {
                const int f = bands.s[b] + j;
                tmp[(f / 6) * 18 + w * 6 + f % 6] = src[j];
            }
        }
    }
    std::memcpy(xr + start, tmp + start, sizeof(float) * size_t(576 - start));
}

void AliasReduce(float* xr, int subbandLimit) {
    const Tables& t = T();
    for (int sb = 1; sb < subbandLimit; ++sb) {
        float* lo = xr + 18 * sb - 1;
        float* hi = xr + 18 * sb;
        for (int i = 0; i < 8; ++i) {
            const float a = lo[-i], b = hi[i];
            lo[-i] = a * t.aliasCs[i] - b * t.aliasCa[i];
            hi[i] = b * t.aliasCs[i] + a * t.aliasCa[i];
        }
    }
}

// 9-point DCT-II on four lanes: V[m] = sum over k of x[k] cos(pi m (2k + 1) / 18).  Inputs
// k and 8 - k share their cosines up to the sign (-1)^m, and the middle one contributes
// only to even m.
inline void Dct9x4(const Float4* x, Float4* V, const Tables& t) {
    Float4 a[4], b[4];
    for (int k = 0; k < 4; ++k) {
        a[k] = x[k] + x[8 - k];
        b[k] = x[k] - x[8 - k];
    }
    for (int m = 0; m < 9; ++m) {
        const Float4* s = (m & 1) ? b : a;
        Float4 v =
            s[0] * t.dct9[m][0] + s[1] * t.dct9[m][1] + s[2] * t.dct9[m][2] + s[3] * t.dct9[m][3];
        if (!(m & 1)) v += (m & 2) ? -x[4] : x[4];
        V[m] = v;
    }
}

// 18-point DCT-IV on four lanes, y[j] = sum over k of X[k] cos(pi (2j + 1) (2k + 1) / 72):
// with u[k] = 2 cos(pi (2k + 1) / 72) X[k], the DCT-II v of u gives v[m] = y[m] + y[m - 1]
// (y[-1] = y[0]); the DCT-II splits into two 9-point ones on the sums and the scaled
// differences of mirrored inputs.
inline void Dct4x4(const Float4* X, Float4* y, const Tables& t) {
    Float4 s[9], d[9], E[9], O[9];
    for (int k = 0; k < 9; ++k) {
        const Float4 lo = X[k] * t.dct4Pre[k];
        const Float4 hi = X[17 - k] * t.dct4Pre[17 - k];
        s[k] = lo + hi;
        d[k] = (lo - hi) * t.dct4Odd[k];
    }
    Dct9x4(s, E, t);
    Dct9x4(d, O, t);
    Float4 prev = E[0] * 0.5f;
    y[0] = prev;
    for (int m = 1; m < 18; ++m) {
        const Float4 v = (m & 1) ? (m < 17 ? O[m / 2] + O[m / 2 + 1] : O[8]) : E[m / 2];
        prev = v - prev;
        y[m] = prev;
    }
}

// Long-block IMDCT of subbands sb..sb+3 (same window) with overlap-add.  in, overlap and
// out are [time][subband] arrays; 36 outputs unfold from the DCT-IV as
// x[0..8] = y[9..17], x[9..26] = -y[17..0], x[27..35] = -y[0..8].
void ImdctLong4(const float (*in)[32], int sb, int blockType, float (*overlap)[32],
                float (*out)[32]) {
    const Tables& t = T();
    Float4 X[18], y[18];
    for (int k = 0; k < 18; ++k)
        X[k] = Load4(&in[k][sb]);
    Dct4x4(X, y, t);
    const float* win = t.window[blockType];
    for (int i = 0; i < 18; ++i) {
        const Float4 x = i < 9 ? y[9 + i] : -y[26 - i];
        Store4(&out[i][sb], x * win[i] + Load4(&overlap[i][sb]));
    }
    for (int i = 18; i < 36; ++i) {
        const Float4 x = i < 27 ? -y[26 - i] : -y[i - 27];
        Store4(&overlap[i - 18][sb], x * win[i]);
    }
}

// IMDCT of one subband with windowing and overlap-add; overlap and out step by 32 (one
// subband of a [time][subband] array).
void Imdct(const float* in, int blockType, float* overlap, float* out) {
    const Tables& t = T();
    float x[36];
    if (blockType != 2) {
        // Trailing zero inputs are common above the coded bandwidth.
        int count = 18;
        while (count > 0 && in[count - 1] == 0.0f)
            --count;
        Float4 acc[5] = {};
        for (int k = 0; k < count; ++k) {
            const Float4 v = Splat4(in[k]);
            for (int j = 0; j < 5; ++j)
                acc[j] += Load4(&t.imdctLong[k][4 * j]) * v;
        }
        float y[20];
        std::memcpy(y, acc, sizeof(y));
        for (int i = 0; i < 9; ++i)
            x[i] = y[9 + i];
        for (int i = 9; i < 27; ++i)
            x[i] = -y[26 - i];
        for (int i = 27; i < 36; ++i)
            x[i] = -y[i - 27];
        const float* win = t.window[blockType];
        for (int i = 0; i < 18; ++i) {
            out[32 * i] = x[i] * win[i] + overlap[32 * i];
            overlap[32 * i] = x[18 + i] * win[18 + i];
        }
        return;
    }
    std::memset(x, 0, sizeof(x));
    const float* win = t.window[2];
    for (int w = 0; w < 3; ++w) {
        float y[6] = {};
        for (int k = 0; k < 6; ++k)
            for (int j = 0; j < 6; ++j)
                y[j] += t.imdctShort[j][k] * in[w * 6 + k];
        float s[12];
        for (int i = 0; i < 3; ++i)
            s[i] = y[3 + i];
        for (int i = 3; i < 9; ++i)
            s[i] = -y[8 - i];
        for (int i = 9; i < 12; ++i)
            s[i] = -y[i - 9];
        for (int i = 0; i < 12; ++i)
            x[6 + 6 * w + i] += s[i] * win[i];
    }
    for (int i = 0; i < 18; ++i) {
        out[32 * i] = x[i] + overlap[32 * i];
        overlap[32 * i] = x[18 + i];
    }
}

} // namespace

void MpegLayer3::DecodeGranule(const MpegFrameHeader& h, MpegLayer3SideInfo& si, int gr,
                               const uint8_t* main, size_t mainSize, size_t& bitPos,
                               MpegSynthesis* const* synth, int16_t* out) {
    const int nch = h.channels();
    const BandTable& bands = kBands[h.version][h.frequencyIndex];
    int nonzero[2] = {0, 0};
    for (int ch = 0; ch < nch; ++ch) {
        MpegLayer3Granule& g = si.gr[gr][ch];
        const size_t start = bitPos;
        bitPos += size_t(g.part23Length);
        const size_t limit = std::min(bitPos, mainSize * 8);
        if (start >= mainSize * 8) {
            // Part 2/3 claimed more data than the frame holds: nothing to read.
            std::memset(g.scalefacL, 0, sizeof(g.scalefacL));
            std::memset(g.scalefacS, 0, sizeof(g.scalefacS));
            std::memset(g.isMaxL, 0, sizeof(g.isMaxL));
            std::memset(g.isMaxS, 0, sizeof(g.isMaxS));
            std::memset(xr_[ch], 0, sizeof(xr_[ch]));
            continue;
        }
        MainBits bits{main, start};
        ScalefactorReader reader{h, bits};
        if (h.version)
            reader.Mpeg1(g, si.scfsi[ch], gr, savedScalefactors_[ch]);
        else
            reader.Mpeg2(g, h.mode == 1 && (h.modeExtension & 1) && ch == 1);
        nonzero[ch] = DecodeSpectrum(g, bands, bits, limit, xr_[ch]);
    }
    if (nch == 2 && h.mode == 1 && h.modeExtension) {
        const int n = std::max(nonzero[0], nonzero[1]);
        JointStereo(h, si.gr[gr][1], bands, xr_[0], xr_[1], n);
        nonzero[0] = nonzero[1] = n;
    }
    for (int ch = 0; ch < nch; ++ch) {
        MpegLayer3Granule& g = si.gr[gr][ch];
        float* xr = xr_[ch];
        if (g.blockType == 2) {
            Reorder(g, bands, xr);
            if (g.mixed) AliasReduce(xr, 2);
            nonzero[ch] = 576;
        } else {
            // Butterflies reach 8 lines either side of each subband boundary.
            AliasReduce(xr, std::min(32, (nonzero[ch] + 7) / 18 + 1));
            nonzero[ch] = std::min(576, nonzero[ch] + 16);
        }
        alignas(16) float slots[18][32];
        float(*ov)[32] = overlap_[ch];
        // Subbands from here on have only zero inputs: their output is the overlap.
        const int active = std::min(32, (nonzero[ch] + 17) / 18);
        int sb = 0;
        if (g.blockType != 2 && !g.mixed) {
            // Long blocks of one window: four subbands at a time, on a transposed copy.
            const int groups = (active + 3) / 4;
            alignas(16) float in[18][32];
            for (int s = 0; s < groups * 4; ++s)
                for (int k = 0; k < 18; ++k)
                    in[k][s] = xr[s * 18 + k];
            for (; sb < groups * 4; sb += 4)
                ImdctLong4(in, sb, g.blockType, ov, slots);
        } else {
            for (; sb < active; ++sb)
                Imdct(xr + sb * 18, (g.mixed && sb < 2) ? 0 : g.blockType, &ov[0][sb],
                      &slots[0][sb]);
        }
        for (int i = 0; i < 18; ++i) {
            for (int s = sb; s < 32; ++s) {
                slots[i][s] = ov[i][s];
                ov[i][s] = 0.0f;
            }
        }
        // Frequency inversion: odd time samples of odd subbands change sign.
        for (int i = 1; i < 18; i += 2)
            for (int s = 1; s < 32; s += 2)
                slots[i][s] = -slots[i][s];
        for (int i = 0; i < 18; ++i)
            synth[ch]->Filter(slots[i], out + i * 32 * nch + ch, nch);
    }
}
