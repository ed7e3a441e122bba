#include "sound/mpeg/mpeg_layer12.h"

#include "sound/mpeg/mpeg_bits.h"
#include "sound/mpeg/mpeg_synth.h"

#include <cmath>
#include <cstring>

namespace {

// Layer II quantisation classes by number of steps: 3, 5 and 9 steps are coded as one
// codeword per three samples (5, 7 and 10 bits), the others as one codeword each.
struct QuantClass {
    uint16_t steps;
    uint8_t bits;    // bits per codeword
    uint8_t grouped; // three samples in one codeword
};

enum RowKind { kRowA, kRowB, kRowC, kRowD, kRowE, kRowF, kRowG, kRowH };

// Steps for allocation values 1.. of each kind of subband row (allocation 0 = no data),
// and the number of allocation bits.  Rows A-D: MPEG-1 tables for high bitrates per
// channel; E-F: MPEG-1 tables for low bitrates per channel; G, F, H: the MPEG-2
// low-sampling-frequency table.
struct Row {
    int allocBits;
    uint16_t steps[16];
};
const Row kRows[8] = {
    {4, {0, 3, 7, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 16383, 32767, 65535}},
    {4, {0, 3, 5, 7, 9, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 65535}},
    {3, {0, 3, 5, 7, 9, 15, 31, 65535}},
    {2, {0, 3, 5, 65535}},
    {4, {0, 3, 5, 9, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 16383, 32767}},
    {3, {0, 3, 5, 9, 15, 31, 63, 127}},
    {4, {0, 3, 5, 7, 9, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 16383}},
    {2, {0, 3, 5, 9}},
};

// Row kind of each subband for the tables with 27/30 subbands (high rates), 8/12
// subbands (low rates) and the low-sampling-frequency table (30 subbands).
RowKind RowFor(const MpegFrameHeader& h, int sb) {
    if (!h.version) return sb < 4 ? kRowG : (sb < 11 ? kRowF : kRowH);
    if (h.subbands <= 12) return sb < 2 ? kRowE : kRowF;
    return sb < 3 ? kRowA : (sb < 11 ? kRowB : (sb < 23 ? kRowC : kRowD));
}

QuantClass ClassFor(uint16_t steps) {
    switch (steps) {
    case 3:
        return {3, 5, 1};
    case 5:
        return {5, 7, 1};
    case 9:
        return {9, 10, 1};
    default: {
        uint8_t bits = 0;
        while ((1u << bits) <= steps)
            ++bits;
        return {steps, bits, 0};
    }
    }
}

// Dequantised value of codeword v out of n steps, as a fraction of the scale factor:
// the standard's C (s'' + D) reduces to (2v - (n - 1)) / n.
inline float Dequantise(uint32_t v, uint32_t n) {
    return float(int32_t(2 * v) - int32_t(n - 1)) / float(n);
}

} // namespace

MpegLayer12::MpegLayer12() {
    for (int i = 0; i < 64; ++i)
        scalefactor_[i] = float(std::pow(2.0, 1.0 - i / 3.0));
}

// Layer I frame body after the header (and its CRC word when protected):
//   allocation: 4 bits per subband and channel (one per subband at or above the
//               intensity bound of joint stereo); 15 is forbidden
//   scale factors: 6 bits per channel of each allocated subband
//   samples: 12 time slots of (allocation + 1)-bit codewords, subbands in order
// Layer II:
//   allocation: 2-4 bits per subband and channel from the allocation table
//   scale-factor selection: 2 bits per channel of each allocated subband
//   scale factors: 1-3 of 6 bits, by the selection
//   samples: 12 granules of 3 samples per subband, grouped codewords for 3, 5, 9 steps
// The CRC covers the last 16 header bits, the allocation and (Layer II) the selection.
bool MpegLayer12::Decode(const MpegFrameHeader& h, const uint8_t* body, MpegSynthesis* const* synth,
                         int16_t* out) {
    const int nch = h.channels();
    const int sblimit = h.subbands;
    const int bound = h.mode == 1 ? h.intensityBound : sblimit;
    const int dataStart = h.protection ? 0 : 2;
    MpegBits bits(body + dataStart, size_t(h.frameSize - dataStart));

    uint8_t alloc[2][32] = {};
    uint16_t steps[2][32] = {};
    uint8_t scfsi[2][32] = {};
    uint8_t scf[2][32][3] = {};

    if (h.layer == 1) {
        for (int sb = 0; sb < 32; ++sb) {
            for (int ch = 0; ch < nch; ++ch) {
                if (sb >= bound && ch == 1) {
                    alloc[1][sb] = alloc[0][sb];
                    continue;
                }
                alloc[ch][sb] = uint8_t(bits.Read(4));
                if (alloc[ch][sb] == 15) alloc[ch][sb] = 0;
            }
        }
    } else {
        for (int sb = 0; sb < sblimit; ++sb) {
            const Row& row = kRows[RowFor(h, sb)];
            for (int ch = 0; ch < nch; ++ch) {
                if (sb >= bound && ch == 1) {
                    alloc[1][sb] = alloc[0][sb];
                } else {
                    alloc[ch][sb] = uint8_t(bits.Read(row.allocBits));
                }
                steps[ch][sb] = row.steps[alloc[ch][sb]];
            }
        }
        for (int sb = 0; sb < sblimit; ++sb)
            for (int ch = 0; ch < nch; ++ch)
                if (alloc[ch][sb]) scfsi[ch][sb] = uint8_t(bits.Read(2));
    }

    if (!h.protection) {
        const uint8_t headerTail[2] = {uint8_t(h.word >> 8), uint8_t(h.word)};
        uint16_t crc = MpegCrcBits(0xFFFF, headerTail, 16);
        crc = MpegCrcBits(crc, body + 2, int(bits.position()));
        if (crc != h.checksum) return false;
    }

    const int limit = h.layer == 1 ? 32 : sblimit;
    for (int sb = 0; sb < limit; ++sb) {
        for (int ch = 0; ch < nch; ++ch) {
            if (!alloc[ch][sb]) continue;
            uint8_t* s = scf[ch][sb];
            if (h.layer == 1) {
                s[0] = uint8_t(bits.Read(6));
                continue;
            }
            switch (scfsi[ch][sb]) {
            case 0:
                s[0] = uint8_t(bits.Read(6));
                s[1] = uint8_t(bits.Read(6));
                s[2] = uint8_t(bits.Read(6));
                break;
            case 1:
                s[0] = s[1] = uint8_t(bits.Read(6));
                s[2] = uint8_t(bits.Read(6));
                break;
            case 2:
                s[0] = s[1] = s[2] = uint8_t(bits.Read(6));
                break;
            default:
                s[0] = uint8_t(bits.Read(6));
                s[1] = s[2] = uint8_t(bits.Read(6));
                break;
            }
        }
    }

    alignas(16) float sample[2][3][32];
    float shared[3][32]; // codeword values of subbands that both channels share
    if (h.layer == 1) {
        for (int slot = 0; slot < 12; ++slot) {
            std::memset(sample, 0, sizeof(sample));
            for (int sb = 0; sb < 32; ++sb) {
                for (int ch = 0; ch < nch; ++ch) {
                    const int a = alloc[ch][sb];
                    if (!a) continue;
                    float value;
                    if (sb >= bound && ch == 1) {
                        value = shared[0][sb];
                    } else {
                        const int nb = a + 1;
                        value = shared[0][sb] = Dequantise(bits.Read(nb), (1u << nb) - 1);
                    }
                    sample[ch][0][sb] = value * scalefactor_[scf[ch][sb][0]];
                }
            }
            for (int ch = 0; ch < nch; ++ch)
                synth[ch]->Filter(sample[ch][0], out + slot * 32 * nch + ch, nch);
        }
        return true;
    }

    for (int gr = 0; gr < 12; ++gr) {
        const int part = gr >> 2;
        std::memset(sample, 0, sizeof(sample));
        for (int sb = 0; sb < sblimit; ++sb) {
            for (int ch = 0; ch < nch; ++ch) {
                if (!alloc[ch][sb]) continue;
                float v[3];
                if (sb >= bound && ch == 1) {
                    // Shared samples: the same codewords scaled by this channel's factors.
                    for (int i = 0; i < 3; ++i)
                        v[i] = shared[i][sb];
                } else {
                    const QuantClass q = ClassFor(steps[ch][sb]);
                    if (q.grouped) {
                        uint32_t c = bits.Read(q.bits);
                        for (int i = 0; i < 3; ++i) {
                            v[i] = Dequantise(c % q.steps, q.steps);
                            c /= q.steps;
                        }
                    } else {
                        for (int i = 0; i < 3; ++i)
                            v[i] = Dequantise(bits.Read(q.bits), q.steps);
                    }
                }
                const float f = scalefactor_[scf[ch][sb][part]];
                for (int i = 0; i < 3; ++i) {
                    shared[i][sb] = v[i];
                    sample[ch][i][sb] = v[i] * f;
                }
            }
        }
        for (int i = 0; i < 3; ++i)
            for (int ch = 0; ch < nch; ++ch)
                synth[ch]->Filter(sample[ch][i], out + (gr * 3 + i) * 32 * nch + ch, nch);
    }
    return true;
}
