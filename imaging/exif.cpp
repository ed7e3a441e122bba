// Exif orientation and the pixel turn it asks for.
//
// APP1 payload layout (offsets from the start of the payload):
//   0   "Exif", 0, 0
//   6   TIFF header: "II" (little-endian) or "MM" (big-endian), u16 42,
//       u32 offset of IFD0, counted from the TIFF header (byte 6)
//   IFD: u16 entry count, then count entries of 12 bytes:
//       u16 tag, u16 type (3 = SHORT), u32 value count, 4 bytes value or offset
//       (a single SHORT sits in the first two of them)
// Only IFD0 is read; the orientation is tag 0x0112, one SHORT.
#include "imaging/exif.h"

#include <cstring>

namespace {

constexpr size_t kTiffStart = 6;
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr size_t kEntrySize = 12;

struct TiffBytes {
    const uint8_t* data; // the TIFF header
    size_t size;
    bool bigEndian;

    uint16_t U16(size_t at) const {
        return bigEndian ? uint16_t(data[at] << 8 | data[at + 1])
                         : uint16_t(data[at] | data[at + 1] << 8);
    }
    uint32_t U32(size_t at) const {
        return bigEndian ? uint32_t(U16(at)) << 16 | U16(at + 2)
                         : uint32_t(U16(at + 2)) << 16 | U16(at);
    }
};

} // namespace

int ExifOrientation(const uint8_t* data, size_t size) {
    if (!data || size < kTiffStart + 8 || std::memcmp(data, "Exif\0\0", 6) != 0)
        return kOrientationNormal;
    TiffBytes t{data + kTiffStart, size - kTiffStart, false};
    if (t.data[0] == 'M' && t.data[1] == 'M')
        t.bigEndian = true;
    else if (t.data[0] != 'I' || t.data[1] != 'I')
        return kOrientationNormal;
    if (t.U16(2) != 42) return kOrientationNormal;
    // Every offset and count is checked against the block before it is used;
    // the arithmetic stays in 64 bits so that no sum can wrap.
    uint64_t ifd = t.U32(4);
    if (ifd < 8 || ifd + 2 > t.size) return kOrientationNormal;
    uint64_t count = t.U16(size_t(ifd));
    if (ifd + 2 + count * kEntrySize > t.size) return kOrientationNormal;
    for (uint64_t i = 0; i < count; ++i) {
        size_t at = size_t(ifd + 2 + i * kEntrySize);
        if (t.U16(at) != kOrientationTag) continue;
        if (t.U16(at + 2) != kTypeShort || t.U32(at + 4) != 1) return kOrientationNormal;
        int value = t.U16(at + 8);
        return value >= 1 && value <= 8 ? value : kOrientationNormal;
    }
    return kOrientationNormal;
}

void OrientPixels(const uint8_t* src, ptrdiff_t srcStride, int width, int height, int bytesPerPixel,
                  int orientation, uint8_t* dst, ptrdiff_t dstStride) {
    if (orientation < 1 || orientation > 8) orientation = kOrientationNormal;
    const bool swap = OrientationSwapsAxes(orientation);
    const int shownW = swap ? height : width, shownH = swap ? width : height;
    const size_t bpp = size_t(bytesPerPixel);
    for (int y = 0; y < shownH; ++y) {
        uint8_t* out = dst + ptrdiff_t(y) * dstStride;
        // Stored position of the shown row's first pixel and the step from one
        // shown pixel to the next, in stored columns (sx) and rows (sy).
        int sx = 0, sy = 0, stepX = 0, stepY = 0;
        switch (orientation) {
        case 1:
            sx = 0, sy = y, stepX = 1;
            break;
        case 2:
            sx = width - 1, sy = y, stepX = -1;
            break;
        case 3:
            sx = width - 1, sy = height - 1 - y, stepX = -1;
            break;
        case 4:
            sx = 0, sy = height - 1 - y, stepX = 1;
            break;
        case 5:
            sx = y, sy = 0, stepY = 1;
            break;
        case 6:
            sx = y, sy = height - 1, stepY = -1;
            break;
        case 7:
            sx = width - 1 - y, sy = height - 1, stepY = -1;
            break;
        case 8:
            sx = width - 1 - y, sy = 0, stepY = 1;
            break;
        }
        const uint8_t* in = src + ptrdiff_t(sy) * srcStride + ptrdiff_t(sx) * ptrdiff_t(bpp);
        const ptrdiff_t step = ptrdiff_t(stepX) * ptrdiff_t(bpp) + ptrdiff_t(stepY) * srcStride;
        if (step == ptrdiff_t(bpp)) {
            std::memcpy(out, in, size_t(shownW) * bpp);
            continue;
        }
        for (int x = 0; x < shownW; ++x) {
            const uint8_t* p = in + ptrdiff_t(x) * step;
            for (size_t b = 0; b < bpp; ++b)
                out[size_t(x) * bpp + b] = p[b];
        }
    }
}
