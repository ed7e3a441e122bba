// Layers I and II: bit allocation, scale factors, sample dequantisation.
#pragma once

#include "sound/mpeg/mpeg_frame.h"

class MpegSynthesis;

class MpegLayer12 {
  public:
    MpegLayer12();
    // Decodes one frame (body = the bytes after the header) through the synthesis
    // filters into out, interleaved with h.channels() values per instant.  Returns false
    // when a protected frame fails its CRC check: nothing is written then.
    bool Decode(const MpegFrameHeader& h, const uint8_t* body, MpegSynthesis* const* synth,
                int16_t* out);

  private:
    float scalefactor_[64]; // 2^(1 - i/3); index 63 is not defined and decodes near zero
};
