// Error diffusion of 24-bit pixels to the fixed 3-3-2 palette, the heart of
// CDibImage::ReduceTo256.  Kept apart from the image object so that the fast
// kernel and the plain one can be checked against each other.
//
// The rule, per stored row (bottom row first) and pixel (left to right):
//   index = (R & 0xE0) + ((G >> 3) & 0x1C) + blue level, the blue level being
//           B / 85, plus 1 when B % 85 > 43;
//   e     = (value - palette value) >> 2 per channel (arithmetic shift);
//   e is added to the pixel in the same column of the next stored row and 2e
//   to the pixel to its right (not past the row's end), each sum clamped to
//   0..255 when it is made.
#pragma once

#include <cstddef>
#include <cstdint>

// Work memory the kernels need beside the pixels, in 16-bit units.
inline size_t Dither332WorkUnits(int width) {
    return size_t(width) * 3 + 16;
}

// Writes height rows of width indices (dst rows dstStride apart) from the
// blue-green-red rows at src (srcStride apart).  src may be overwritten (the
// one-pixel kernel adds the errors handed down into it).  work holds
// Dither332WorkUnits(width) units.  Uses the vector kernel where the processor
// has one.
void Dither332(uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride, int width,
               int height, int16_t* work);

// The same, one pixel at a time.
void Dither332Scalar(uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride, int width,
                     int height, int16_t* work);

// The kernels one by one, for tests and benchmarks: Dither332With runs the
// one named and returns true, or returns false when this build or processor
// lacks it.  All give the same indices.
enum class Dither332Kernel { kScalar, kSse2, kAvx2 };
bool Dither332With(Dither332Kernel kernel, uint8_t* src, size_t srcStride, uint8_t* dst,
                   size_t dstStride, int width, int height, int16_t* work);

// The AVX2 kernel (dither_332_avx2.cpp, the only code built for AVX2): false,
// doing nothing, when that file was built without it.  Call it only when
// Dither332Avx2Supported() says the processor can run it.
bool Dither332Avx2(uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride, int width,
                   int height, int16_t* work);
bool Dither332Avx2Built();
bool Dither332Avx2Supported();

// Palette entry i of the fixed palette as red, green, blue.
void Palette332(int i, uint8_t* red, uint8_t* green, uint8_t* blue);
