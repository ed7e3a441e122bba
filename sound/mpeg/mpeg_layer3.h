// Layer III: side information, the bit reservoir, scale factors, Huffman decoding,
// requantisation, stereo processing, reordering, alias reduction, IMDCT with overlap,
// frequency inversion, then the polyphase synthesis.
#pragma once

#include "sound/mpeg/mpeg_frame.h"

#include <cstdint>

class MpegSynthesis;
struct MpegLayer3SideInfo;

class MpegLayer3 {
  public:
    MpegLayer3();
    // Forgets the reservoir and the overlap of both channels.
    void Reset();
    // Adds a frame's main data to the reservoir without decoding it (after a seek, so
    // that the frames that follow find the data they point back to).
    void Prime(const MpegFrameHeader& h, const uint8_t* body);
    // Decodes one frame into out (interleaved, h.channels() values per instant).  Returns
    // false, writing nothing, when a protected frame fails its CRC check or the data the
    // frame points back to is not in the reservoir; its main data is kept either way.
    bool Decode(const MpegFrameHeader& h, const uint8_t* body, MpegSynthesis* const* synth,
                int16_t* out);

  private:
    bool ReadSideInfo(const MpegFrameHeader& h, const uint8_t* data, MpegLayer3SideInfo* si) const;
    void Append(const uint8_t* data, int size);
    void DecodeGranule(const MpegFrameHeader& h, MpegLayer3SideInfo& si, int gr,
                       const uint8_t* main, size_t mainSize, size_t& bitPos,
                       MpegSynthesis* const* synth, int16_t* out);

    // Reservoir: main data of earlier frames followed by the current frame's, with
    // zero padding after the end for the bit reader.  At most 511 bytes are ever
    // referred back to; the largest frame adds 1441.
    static constexpr int kReservoirSize = 4096;
    static constexpr int kPadding = 64; // more than a scale-factor read plus a peek
    uint8_t reservoir_[kReservoirSize + kPadding];
    int reservoirLength_ = 0;

    // Second halves of the last IMDCT outputs, by [channel][time][subband].
    alignas(16) float overlap_[2][18][32];
    alignas(16) float xr_[2][576];
    // Long-block scale factors of granule 0, reused through scfsi in granule 1.
    int savedScalefactors_[2][22];
};
