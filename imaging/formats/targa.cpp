// Targa reader: colour-mapped (types 1, 9), true-colour (2, 10) and grey
// (3, 11) images, plain or run-length encoded.
//
// File layout (integers little-endian):
//   0  u8  identification length       1  u8  colour-map type (0 none, 1 present)
//   2  u8  image type                  3  u16 colour-map origin (first entry index)
//   5  u16 colour-map length           7  u8  colour-map entry size in bits
//   8  u16 x origin, 10 u16 y origin   12 u16 width, 14 u16 height
//   16 u8  pixel depth                 17 u8  descriptor (bit 5: first row at the top)
//   18 identification field, then the colour map (length x entry size / 8
//      bytes, 15 bits stored as 16), then the pixels: b, g, r[, a] or an index,
//      16 bits as 0RRRRRGG GGGBBBBB little-endian.
//   Run-length types (9-11) store packets: u8 h; h bit 7 set: one pixel
//   repeated (h & 0x7F) + 1 times, else (h + 1) pixels as they are.  Packets
//   run on across row ends.
#include "imaging/formats/format_util.h"

#include <cstring>

#include "common/byte_io.h"

namespace {

constexpr int kTgaErrDepth = 400;
constexpr int kTgaErrType = 401;
constexpr int kTgaErrMapEntry = 402;

struct TgaState {
    int64_t dataOffset;
    int32_t type;
    int32_t depth; // stored bits per pixel
    int32_t topDown;
    int32_t mapOrigin;
    int32_t mapLength;
    int64_t mapOffset;
};

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char*) {
    TgaState* s = CodecPrivate<TgaState>(h);
    std::memset(s, 0, sizeof *s);
    const int64_t fileLength = FormatFileLength(f);
    uint8_t b[18];
    if (fileLength < 0 || CodecReadExact(f, b, 18)) return kCodecErrRead;
    const int mapType = b[1], entryBits = b[7], depth = b[16];
    s->type = b[2];
    s->depth = depth;
    s->topDown = (b[17] & 0x20) != 0;
    s->mapOrigin = LoadLE16(b + 3);
    s->mapLength = LoadLE16(b + 5);
    const int32_t width = LoadLE16(b + 12), height = LoadLE16(b + 14);
    switch (s->type) {
    case 1:
    case 9:
        if (depth != 8) return kTgaErrDepth;
        // A colour-mapped image needs its map, of 24-bit entries.
        if (mapType == 0 || entryBits != 24) return kTgaErrMapEntry;
        break;
    case 2:
    case 10:
        if (depth != 16 && depth != 24 && depth != 32) return kTgaErrDepth;
        break;
    case 3:
    case 11:
        if (depth != 8) return kTgaErrDepth;
        break;
    default:
        return kTgaErrType;
    }
    if (width == 0 || height == 0) return kCodecErrBadSize;
    const int32_t bpp = depth == 8 ? 8 : 24;
    if (!FormatSizeFits(width, height, bpp)) return kCodecErrBadSize;
    s->mapOffset = 18 + b[0];
    const int64_t entryBytes = entryBits == 15 ? 2 : (entryBits + 7) / 8;
    s->dataOffset = s->mapOffset + (mapType ? s->mapLength * entryBytes : 0);
    // Every pixel costs at least one stored byte per 128 (a full run packet);
    // plain images need all of theirs.  Either way the file must hold them.
    const int64_t pixels = int64_t(width) * height, stored = fileLength - s->dataOffset;
    const int64_t needed =
        s->type >= 9 ? (pixels + 127) / 128 * (1 + depth / 8) : pixels * (depth / 8);
    if (stored < needed) return kCodecErrRead;
    h->width = width;
    h->height = height;
    h->bpp = bpp;
    return kCodecOk;
}

int ReadPalette(CodecFile* f, CodecHeader* h, uint8_t* palette) {
    const TgaState* s = CodecPrivate<TgaState>(h);
    if (s->type == 3 || s->type == 11) {
        for (int i = 0; i < 256; ++i)
            std::memset(palette + 3 * i, i, 3);
        return kCodecOk;
    }
    if (s->type != 1 && s->type != 9) return kCodecOk;
    std::memset(palette, 0, 3 * 256);
    // Entries beyond index 255 can never be used by an 8-bit pixel.
    const int32_t n = s->mapOrigin >= 256                 ? 0
                      : s->mapLength < 256 - s->mapOrigin ? s->mapLength
                                                          : 256 - s->mapOrigin;
    uint8_t map[256 * 3];
    if (CodecSeek(f, s->mapOffset, kCodecSeekSet) != s->mapOffset) return kCodecErrRead;
    if (CodecReadExact(f, map, 3 * n)) return kCodecErrRead;
    for (int32_t i = 0; i < n; ++i) {
        uint8_t* p = palette + 3 * (s->mapOrigin + i);
        p[0] = map[3 * i + 2];
        p[1] = map[3 * i + 1];
        p[2] = map[3 * i];
    }
    return kCodecOk;
}

// Converts one stored pixel at in to the buffer's form at out.
inline void PutPixel(int depth, const uint8_t* in, uint8_t* out) {
    switch (depth) {
    case 8:
        out[0] = in[0];
        break;
    case 16: {
        unsigned v = LoadLE16(in);
        out[0] = uint8_t((v << 3) & 0xF8);
        out[1] = uint8_t((v >> 2) & 0xF8);
        out[2] = uint8_t((v >> 7) & 0xF8);
        break;
    }
    default:
        std::memcpy(out, in, 3);
        break; // 24 and 32 bits: b, g, r first
    }
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    const TgaState* s = CodecPrivate<TgaState>(h);
    if (CodecSeek(f, s->dataOffset, kCodecSeekSet) != s->dataOffset) return kCodecErrRead;
    const int depth = s->depth, inBytes = depth / 8, outBytes = h->bpp / 8;
    const int32_t width = h->width, stride = CodecStride(width, h->bpp);
    const bool rle = s->type >= 9;
    CodecByteSource src(f);
    uint8_t cur[4] = {};
    int32_t left = 0; // pixels still due from the current packet
    bool run = false;
    for (int32_t i = 0; i < h->height; ++i) {
        uint8_t* row = FormatRow(pixels, h, s->topDown ? h->height - 1 - i : i);
        std::memset(row + width * outBytes, 0, size_t(stride - width * outBytes));
        for (int32_t x = 0; x < width;) {
            if (rle && left == 0) {
                int p = src.Byte();
                if (p < 0) return kCodecErrRead;
                left = (p & 0x7F) + 1;
                run = (p & 0x80) != 0;
                if (run && !src.Read(cur, inBytes)) return kCodecErrRead;
            }
            int32_t take = rle ? (left < width - x ? left : width - x) : width - x;
            uint8_t* out = row + x * outBytes;
            if (rle && run) {
                for (int32_t k = 0; k < take; ++k, out += outBytes)
                    PutPixel(depth, cur, out);
            } else {
                for (int32_t k = 0; k < take; ++k, out += outBytes) {
                    if (src.Available() >= inBytes) {
                        PutPixel(depth, src.Data(), out);
                        src.Advance(inBytes);
                    } else {
                        // The pixel straddles a refill of the buffer.
                        if (!src.Read(cur, inBytes)) return kCodecErrRead;
                        PutPixel(depth, cur, out);
                    }
                }
            }
            if (rle) left -= take;
            x += take;
        }
    }
    return src.Sync() ? kCodecOk : kCodecErrRead;
}

const char* ErrorText(int code) {
    switch (code) {
    case kTgaErrDepth:
        return "bits per pixel not 8, 16, 24 or 32";
    case kTgaErrType:
        return "unsupported compression type for bits per pixel";
    case kTgaErrMapEntry:
        return "color map entry size not 24 bits per pixel";
    default:
        return nullptr;
    }
}

} // namespace

const CodecReader kTargaReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
