// Camera orientation: the Exif block a camera writes into a JPEG file (APP1)
// says how the stored picture must be turned or mirrored to stand upright.
// Reading the tag and turning the pixels are both here, portable, so every
// reader that meets such a block shows the picture the same way.
#pragma once

#include <cstddef>
#include <cstdint>

// Orientation values of the Exif/TIFF tag 0x0112 (where row 0 and column 0 of
// the stored picture belong when it is shown):
//   1 top, left (as stored)    2 top, right (mirrored left to right)
//   3 bottom, right (half turn) 4 bottom, left (mirrored top to bottom)
//   5 left, top (transposed)   6 right, top (a quarter turn clockwise shows it)
//   7 right, bottom (transversed) 8 left, bottom (a quarter turn anticlockwise)
constexpr int kOrientationNormal = 1;

// The orientation held by an APP1 payload (the bytes after the segment length,
// beginning "Exif\0\0"); kOrientationNormal for anything else: another APP1
// kind, a broken or truncated block, an offset or count that leaves the block,
// a tag of the wrong type or a value outside 1-8.
int ExifOrientation(const uint8_t* data, size_t size);

// True for the orientations that exchange width and height (5 to 8).
inline bool OrientationSwapsAxes(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// Copies a stored picture of width x height pixels of bytesPerPixel bytes
// (rows top first, srcStride bytes apart) into dst shown upright: dst points at
// the first pixel of the top shown row and dstStride (negative for a bottom-up
// buffer) steps to the next shown row.  The shown picture is height x width for
// orientations 5 to 8.  Values outside 1-8 copy as stored.
void OrientPixels(const uint8_t* src, ptrdiff_t srcStride, int width, int height, int bytesPerPixel,
                  int orientation, uint8_t* dst, ptrdiff_t dstStride);
