// Polyphase synthesis filter bank: 32 subband samples in, 32 PCM samples out.
#pragma once

#include <cstdint>

class MpegSynthesis {
  public:
    // scale: output value of a full-scale sample (32768 for 16-bit PCM).
    explicit MpegSynthesis(double scale);
    void Reset();
    // Filters one time slot of 32 subband samples; writes 32 samples, rounded to nearest
    // and clipped to -32768..32767, to out[0], out[stride], ...
    void Filter(const float* subbands, int16_t* out, int stride);

  private:
    // The last 16 matrixed vectors V (64 values each) kept as halves: lo = V[0..31],
    // hi = V[32..63]; the window only ever needs lo of even ages and hi of odd ages.
    alignas(16) float lo_[16][32];
    alignas(16) float hi_[16][32];
    int newest_ = 0;
    alignas(16) float window_[16][32]; // window coefficients times the output scale
};

// DCT-II of 32 points: X[m] = sum over k of x[k] cos(m (2k + 1) pi / 64).
void MpegDct32(const float* x, float* X);
