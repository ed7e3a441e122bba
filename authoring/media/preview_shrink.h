// Reducing a large picture to the size of its preview by averaging every
// source pixel that falls into each preview pixel: a photograph of several
// thousand pixels shrinks to a thumbnail without the jagged look of dropped
// rows and columns, and the display then copies only the thumbnail.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/dib_image.h"

namespace media {

// A bottom-up 24-bit DIB of outWidth x outHeight (rows padded to 4 bytes) made
// from `image` (8 bits through its colour table, or 24 bits).  False, and
// `out` empty, for other depths, an image without bits, a size of zero or an
// enlargement (out larger than the image on either axis).
bool ShrinkImage(const CDibImage& image, int outWidth, int outHeight, std::vector<uint8_t>* out);

}  // namespace media
