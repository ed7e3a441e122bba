// YUV12C reader: frame buffer dumps of the M-Motion video adapter, converted
// to 24-bit pixels.
//
// File layout (16-bit little-endian words):
//   0  "YUV12C"        6 bytes
//   6  reserved        2 bytes (0)
//   8  x origin, 10 y origin of the grab (not needed to show the picture)
//   12 width in pixels (a multiple of 4), 14 height in rows
//   16 rows, top first, each width / 4 blocks of 6 bytes.
// A block is three words a, b, c holding four pixels: each pixel has its own
// luminance Y (7 bits, the lowest bit of the byte is 0) and the four share one
// U and one V (signed bytes, the lowest bit 0), 12 bits a pixel on average:
//   a: 15-14 U7-6, 13-12 V7-6, 11-5 Y0 7-1, 3-2 U5-4, 1-0 V5-4
//   b: 15-9 Y1 7-1, 7-6 U3-2, 5-4 V3-2, 3-0 Y2 7-4
//   c: 15-13 Y2 3-1, 11 U1, 9 V1, 7-1 Y3 7-1
// Colour conversion of the adapter, in integer arithmetic truncating toward
// zero, each result clamped to 0-255:
//   R = Y + 179 V / 127,  B = Y + 227 U / 127,  G = (170 Y - 51 R - 19 B) / 100
// where R and B in the green equation are taken before clamping.
#include "imaging/formats/format_util.h"

#include <cstring>

#include "common/byte_io.h"

namespace {

constexpr int kVidErrWidth = 1000;
constexpr int64_t kVidHeaderSize = 16;

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char*) {
    const int64_t length = FormatFileLength(f);
    uint8_t b[kVidHeaderSize];
    if (length < 0 || CodecReadExact(f, b, int32_t(kVidHeaderSize))) return kCodecErrRead;
    if (std::memcmp(b, "YUV12C", 6) != 0) return kCodecErrBadMagic;
    const int32_t width = LoadLE16(b + 12), height = LoadLE16(b + 14);
    if (width % 4 != 0) return kVidErrWidth;
    if (width == 0 || height == 0 || !FormatSizeFits(width, height, 24)) return kCodecErrBadSize;
    // Refused before anything is allocated: the rows must all be in the file.
    if (length - kVidHeaderSize < int64_t(width) / 4 * 6 * height) return kCodecErrRead;
    h->width = width;
    h->height = height;
    h->bpp = 24;
    return kCodecOk;
}

int ReadPalette(CodecFile*, CodecHeader*, uint8_t*) {
    return kCodecOk; // 24-bit pictures have no palette
}

int SignedByte(int v) {
    return v > 127 ? v - 256 : v;
}

uint8_t Clamp(int v) {
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Four pixels of one block into blue, green, red triples.
void ConvertBlock(const uint8_t* block, uint8_t* out) {
    const int a = LoadLE16(block), b = LoadLE16(block + 2), c = LoadLE16(block + 4);
    const int y[4] = {(a >> 4) & 0xFE, (b >> 8) & 0xFE, (b & 0x0F) << 4 | (c >> 12 & 0x0E),
                      c & 0xFE};
    const int u =
        SignedByte((a >> 8 & 0xC0) | (a << 2 & 0x30) | (b >> 4 & 0x0C) | (c >> 10 & 0x02));
    const int v = SignedByte((a >> 6 & 0xC0) | (a << 4 & 0x30) | (b >> 2 & 0x0C) | (c >> 8 & 0x02));
    for (int i = 0; i < 4; ++i) {
        const int r = y[i] + v * 179 / 127;
        const int bl = y[i] + u * 227 / 127;
        const int g = (170 * y[i] - 51 * r - 19 * bl) / 100;
        out[3 * i] = Clamp(bl);
        out[3 * i + 1] = Clamp(g);
        out[3 * i + 2] = Clamp(r);
    }
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    if (CodecSeek(f, kVidHeaderSize, kCodecSeekSet) != kVidHeaderSize) return kCodecErrRead;
    CodecByteSource src(f);
    const int32_t blocks = h->width / 4, stride = CodecStride(h->width, 24);
    for (int32_t y = 0; y < h->height; ++y) {
        uint8_t* row = FormatRow(pixels, h, h->height - 1 - y);
        for (int32_t i = 0; i < blocks; ++i) {
            uint8_t block[6];
            if (!src.Read(block, 6)) return kCodecErrRead;
            ConvertBlock(block, row + 12 * i);
        }
        std::memset(row + 3 * h->width, 0, size_t(stride - 3 * h->width));
    }
    return src.Sync() ? kCodecOk : kCodecErrRead;
}

const char* ErrorText(int code) {
    return code == kVidErrWidth ? "width not a multiple of 4 pixels" : nullptr;
}

} // namespace

const CodecReader kYuv12cReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
