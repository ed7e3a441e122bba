// Sprite reader: RISC OS sprite files of 1, 2, 4 and 8 bits per pixel, in old
// screen modes or with a mode word; "index=n" picks the n-th sprite.  Two-bit
// sprites are delivered as 4 bits.
//
// File layout (32-bit little-endian words; a sprite file is a sprite area
// without the area's first word, so area offsets are file offsets + 4):
//   0 number of sprites, 4 area offset of the first sprite, 8 of the free space
//   sprite: +0 offset of the next sprite (from this one), +4 name (12 bytes),
//     +16 width in words - 1, +20 height in rows - 1, +24 first bit used in
//     each row's first word, +28 last bit used in its last word, +32 offset of
//     the image, +36 of the mask, +40 mode (below 256: a screen mode number;
//     odd: a mode word, bits 27-30 the pixel type 1-6 = 1, 2, 4, 8, 16, 32 bits),
//     +44 palette up to the image: pairs of words, the first 0xBBGGRR00.
//   Image rows top first, each width-in-words words; the leftmost pixel is in
//   the lowest bits of each byte.
#include "imaging/formats/format_util.h"

#include <cstring>

#include "common/byte_io.h"

namespace {

enum : int {
    kSprErrFirstBit = 1400,
    kSprErrMode = 1401,
    kSprErrIndex = 1402,
    kSprErrPalette = 1403,
};

struct SpriteState {
    int64_t image; // file offset of the first row
    int32_t rowBytes;
    int32_t skipBytes; // left wastage
    int32_t bits;      // stored bits per pixel
    int32_t colours;   // palette entries in the sprite (0: the mode's default)
    uint8_t palette[256 * 3];
};

// Bits per pixel of the old screen modes 0-49 (0: a text-only mode).
const uint8_t kModeBits[50] = {1, 2, 4, 0, 1, 2, 0, 0, 2, 4, 8, 2, 4, 8, 4, 8, 4,
                               4, 1, 2, 4, 8, 4, 1, 8, 1, 2, 4, 8, 1, 2, 4, 8, 1,
                               2, 4, 8, 1, 2, 4, 8, 1, 2, 4, 1, 2, 4, 8, 4, 8};

int ModeBits(uint32_t mode) {
    if (mode < 50) return kModeBits[mode];
    if (mode < 256 || !(mode & 1)) return 0;
    switch ((mode >> 27) & 0xF) {
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
        return 4;
    case 4:
        return 8;
    default:
        return 0; // 16 and 32 bits and the rest are not read here
    }
}

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char* options) {
    SpriteState* s = CodecPrivate<SpriteState>(h);
    std::memset(s, 0, sizeof *s);
    const int64_t length = FormatFileLength(f);
    uint8_t area[12];
    if (length < 0 || CodecReadExact(f, area, 12)) return kCodecErrRead;
    int index = 0;
    CodecFindValue(options, "index=", &index);
    if (index < 0) return kCodecErrBadOption;
    if (uint32_t(index) >= LoadLE32(area)) return kSprErrIndex;
    int64_t at = int64_t(LoadLE32(area + 4)) - 4;
    uint8_t b[44];
    for (int i = 0;; ++i) {
        if (at < 12 || at > length - 44) return kCodecErrRead;
        if (CodecSeek(f, at, kCodecSeekSet) != at || CodecReadExact(f, b, 44)) return kCodecErrRead;
        if (i == index) break;
        const int64_t next = LoadLE32(b);
        if (next < 44) return kCodecErrRead; // also keeps the walk moving forward
        at += next;
    }
    const int64_t words = int64_t(LoadLE32(b + 16)) + 1, rows = int64_t(LoadLE32(b + 20)) + 1;
    const uint32_t firstBit = LoadLE32(b + 24), lastBit = LoadLE32(b + 28);
    const int64_t imageOffset = LoadLE32(b + 32);
    const int bits = ModeBits(LoadLE32(b + 40));
    if (!bits) return kSprErrMode;
    if (firstBit % 8 != 0 || firstBit > 31) return kSprErrFirstBit;
    if (lastBit > 31 || words > INT32_MAX / 32) return kCodecErrBadSize;
    const int64_t usedBits = words * 32 - firstBit - (31 - lastBit);
    const int64_t width = usedBits / bits;
    const int32_t bpp = bits == 2 ? 4 : bits;
    if (width <= 0 || !FormatSizeFits(width, rows, bpp)) return kCodecErrBadSize;
    s->rowBytes = int32_t(words * 4);
    s->skipBytes = int32_t(firstBit / 8);
    s->bits = bits;
    s->image = at + imageOffset;
    if (imageOffset < 44 || s->image > length || words * 4 * rows > length - s->image)
        return kCodecErrRead;
    // Palette entries sit between the control block and the image.
    const int64_t entries = (imageOffset - 44) / 8;
    if (bits == 8 && entries != 0 && entries != 16 && entries != 64 && entries != 256)
        return kSprErrPalette;
    s->colours = int32_t(entries < (1 << bits) ? entries : (1 << bits));
    for (int32_t i = 0; i < s->colours; ++i) {
        uint8_t e[4];
        if (CodecReadExact(f, e, 4) || CodecSeek(f, 4, kCodecSeekCur) < 0) return kCodecErrRead;
        s->palette[3 * i] = e[1];
        s->palette[3 * i + 1] = e[2];
        s->palette[3 * i + 2] = e[3];
    }
    h->width = int32_t(width);
    h->height = int32_t(rows);
    h->bpp = bpp;
    return kCodecOk;
}

// The desktop's standard colours for 1, 2 and 4 bits, as 0xRRGGBB.
const uint32_t kDesktop16[16] = {0xFFFFFF, 0xDDDDDD, 0xBBBBBB, 0x999999, 0x777777, 0x555555,
                                 0x333333, 0x000000, 0x004499, 0xEEEE00, 0x00CC00, 0xDD0000,
                                 0xEEEEBB, 0x558800, 0xFFBB00, 0x00BBFF};

void Put(uint8_t* p, uint32_t rgb) {
    p[0] = uint8_t(rgb >> 16);
    p[1] = uint8_t(rgb >> 8);
    p[2] = uint8_t(rgb);
}

int ReadPalette(CodecFile*, CodecHeader* h, uint8_t* palette) {
    const SpriteState* s = CodecPrivate<SpriteState>(h);
    switch (s->bits) {
    case 1:
        Put(palette, 0xFFFFFF);
        Put(palette + 3, 0x000000);
        break;
    case 2:
        Put(palette, 0xFFFFFF);
        Put(palette + 3, 0xBBBBBB);
        Put(palette + 6, 0x777777);
        Put(palette + 9, 0x000000);
        break;
    case 4:
        for (int i = 0; i < 16; ++i)
            Put(palette + 3 * i, kDesktop16[i]);
        break;
    default:
        // 256 colours: bits 0-1 tint, 2 and 4 red, 5 and 6 green, 3 and 7 blue.
        for (int i = 0; i < 256; ++i) {
            const int tint = i & 3;
            const int r = ((i >> 2) & 1) << 2 | ((i >> 4) & 1) << 3 | tint;
            const int g = ((i >> 5) & 1) << 2 | ((i >> 6) & 1) << 3 | tint;
            const int b = ((i >> 3) & 1) << 2 | ((i >> 7) & 1) << 3 | tint;
            palette[3 * i] = uint8_t(r * 17);
            palette[3 * i + 1] = uint8_t(g * 17);
            palette[3 * i + 2] = uint8_t(b * 17);
        }
        break;
    }
    std::memcpy(palette, s->palette, size_t(3 * s->colours));
    return kCodecOk;
}

uint8_t ReverseBits(uint8_t b) {
    b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    const SpriteState* s = CodecPrivate<SpriteState>(h);
    if (CodecSeek(f, s->image, kCodecSeekSet) != s->image) return kCodecErrRead;
    CodecByteSource src(f);
    const int32_t width = h->width, stride = CodecStride(width, h->bpp);
    uint8_t rowBuf[4096];
    for (int32_t y = 0; y < h->height; ++y) {
        uint8_t* row = FormatRow(pixels, h, h->height - 1 - y);
        std::memset(row, 0, size_t(stride));
        // Rows are read in pieces so that no buffer depends on the width.
        int32_t x = 0, left = s->rowBytes;
        if (!src.Skip(s->skipBytes)) return kCodecErrRead;
        left -= s->skipBytes;
        while (left > 0) {
            const int32_t take = left < int32_t(sizeof rowBuf) ? left : int32_t(sizeof rowBuf);
            if (!src.Read(rowBuf, take)) return kCodecErrRead;
            left -= take;
            for (int32_t i = 0; i < take && x < width; ++i) {
                const uint8_t v = rowBuf[i];
                switch (s->bits) {
                case 1:
                    // 8 pixels a byte; the last byte may hold fewer.
                    row[x >> 3] = ReverseBits(v);
                    x += 8;
                    break;
                case 2:
                    for (int k = 0; k < 4 && x < width; ++k, ++x)
                        row[x >> 1] |= uint8_t(((v >> (2 * k)) & 3) << ((x & 1) ? 0 : 4));
                    break;
                case 4:
                    row[x >> 1] = uint8_t(v << 4 | v >> 4);
                    x += 2;
                    break;
                default:
                    row[x++] = v;
                    break;
                }
            }
        }
        // Pixels past the width in the last byte are not part of the picture.
        const int64_t usedBits = int64_t(width) * h->bpp;
        if (usedBits % 8) row[usedBits / 8] &= uint8_t(0xFF << (8 - usedBits % 8));
    }
    return src.Sync() ? kCodecOk : kCodecErrRead;
}

const char* ErrorText(int code) {
    switch (code) {
    case kSprErrFirstBit:
        return "sprite has first bit that is not a multiple of 8";
    case kSprErrMode:
        return "sprite defined in unknown mode";
    case kSprErrIndex:
        return "less sprites in file than index requested";
    case kSprErrPalette:
        return "8 bit file does not have 0, 16 or 64 palette entries in it";
    default:
        return nullptr;
    }
}

} // namespace

const CodecReader kSpriteReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
