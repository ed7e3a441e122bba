// Bitmap reader: Windows 3.0 (with its later 52-, 56-, 108- and 124-byte
// headers) and OS/2 1.x / 2.0 device-independent bitmaps, uncompressed or
// run-length encoded (RLE8, RLE4), 16- and 32-bit pixels with colour masks
// (bit fields), alone or in an OS/2 bitmap array.
//
// File layout (integers little-endian):
//   [bitmap array entry, repeated: "BA", u32 entry size, u32 absolute offset of
//    the next entry (0 = last), u16 x2 display size, then the bitmap below]
//   "BM", u32 file size, u16 x2 reserved, u32 offset of the pixel data
//   u32 information header size, counted from its own first byte:
//     12       OS/2 1.x: u16 width, u16 height, u16 planes, u16 bit count
//     16..64   (a multiple of 4) and 42, 46: i32 width, i32 height (negative:
//              rows stored top-down), u16 planes, u16 bit count, then as far
//              as the size reaches u32 compression (0 none, 1 RLE8, 2 RLE4,
//              3 bit fields), image size, x and y resolution, colours used,
//              colours important, and the OS/2 2.0 fields after them
//     52, 56   (Windows) the 40-byte fields, then u32 red, green, blue masks
//              (56: and an alpha mask, ignored)
//     108, 124 the 40-byte fields and the masks, then colour space, gamma
//              (and for 124 rendering intent and colour profile), all ignored
//   bit fields with a 40-byte header: u32 red, green, blue masks follow it
//   colour table: 12-byte header: 2^bits entries b, g, r; else `colours used`
//                 entries b, g, r, 0
//   pixel data: rows bottom-up, each padded to 4 bytes; 16- and 32-bit pixels
//     are u16 / u32 values whose masked bits are the colours (each mask one
//     run of set bits, no two overlapping; an empty mask reads as 0); or RLE pairs:
//     n > 0, v       n pixels of v (RLE4: v's two nibbles alternating)
//     0, 0           end of line        0, 1   end of bitmap
//     0, 2, dx, dy   move right dx, up dy
//     0, n >= 3      n literal pixels, padded to a 16-bit boundary
// The pixel-data offset counts from the start of the file (bitmap arrays
// included: an array's bitmaps point into the whole file); the colour table
// follows the information header of its own bitmap.
#include "imaging/formats/format_util.h"

#include <cstring>
#include <vector>

#include "common/byte_io.h"

namespace {

constexpr int kBmpErrPlanes = 300;
constexpr int kBmpErrBitCount = 301;
constexpr int kBmpErrHeaderSize = 302;
constexpr int kBmpErrCompression = 303;
constexpr int kBmpErrIndex = 304;

constexpr uint32_t kCompressNone = 0, kCompressRle8 = 1, kCompressRle4 = 2, kCompressBitFields = 3;

struct BmpState {
    int64_t base;       // file position of the "BM" signature
    int64_t dataOffset; // file position of the pixel data
    int64_t fileLength;
    uint32_t headerSize;
    uint32_t compression;
    uint32_t colorsUsed; // palette entries stored in the file
    int32_t topDown;
    int32_t storedBits; // bits of one stored pixel (16 or 32 with bit fields)
    uint32_t masks[3];  // red, green, blue bit fields
};

// True when the three masks fit a pixel of `bits` bits, each is one run of set
// bits (or empty), and no two share a bit.
bool MasksUsable(const uint32_t* masks, int bits) {
    uint32_t seen = 0;
    for (int c = 0; c < 3; ++c) {
        const uint32_t m = masks[c];
        if (bits < 32 && (m >> bits) != 0) return false;
        if (m & seen) return false;
        seen |= m;
        if (m == 0) continue;
        const uint32_t run = m >> __builtin_ctz(m);
        if ((run & (run + 1)) != 0) return false;
    }
    return true;
}

// One colour of a bit-field pixel reduced to 8 bits, rounded to the nearest
// level: a 5-bit 31 is 255, a 10-bit 512 is 128.
uint8_t FieldValue(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = __builtin_ctz(mask);
    const uint64_t top = mask >> shift, v = (pixel & mask) >> shift;
    return uint8_t((v * 255 + top / 2) / top);
}

int ReadBytes(CodecFile* f, int64_t pos, void* out, int32_t n) {
    if (CodecSeek(f, pos, kCodecSeekSet) != pos) return kCodecErrRead;
    return CodecReadExact(f, out, n);
}

// Follows `index` links of a bitmap array; the handle is just after the first
// entry's "BA".  Leaves the handle at the selected entry's "BM" signature.
int FollowArray(CodecFile* f, int index) {
    int64_t entry = 0;
    for (int i = 0; i < index; ++i) {
        uint8_t link[8];
        if (CodecReadExact(f, link, 8)) return kCodecErrRead;
        int64_t next = LoadLE32(link + 4);
        if (next == 0) return kBmpErrIndex;
        // Links only go forward, so a looping array cannot keep the reader busy.
        if (next <= entry) return kCodecErrRead;
        uint8_t sig[2];
        if (ReadBytes(f, next, sig, 2)) return kCodecErrRead;
        if (sig[0] != 'B' || sig[1] != 'A') return kCodecErrBadMagic;
        entry = next;
    }
    return CodecSeek(f, entry + 14, kCodecSeekSet) == entry + 14 ? kCodecOk : kCodecErrRead;
}

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char* options) {
    BmpState* s = CodecPrivate<BmpState>(h);
    std::memset(s, 0, sizeof *s);
    s->fileLength = FormatFileLength(f);
    if (s->fileLength < 0) return kCodecErrRead;
    uint8_t sig[2];
    if (CodecReadExact(f, sig, 2)) return kCodecErrRead;
    if (sig[0] == 'B' && sig[1] == 'A') {
        int index = 0;
        CodecFindValue(options, "index=", &index);
        if (index < 0) return kCodecErrBadOption;
        if (int rc = FollowArray(f, index)) return rc;
        s->base = CodecTell(f);
        if (CodecReadExact(f, sig, 2)) return kCodecErrRead;
    }
    if (sig[0] != 'B' || sig[1] != 'M') return kCodecErrBadMagic;

    uint8_t fh[16];
    if (CodecReadExact(f, fh, 16)) return kCodecErrRead;
    s->dataOffset = LoadLE32(fh + 8);
    s->headerSize = LoadLE32(fh + 12);
    const uint32_t hs = s->headerSize;
    int64_t width, height;
    uint32_t planes, bits;
    if (hs == 12) {
        uint8_t b[8];
        if (CodecReadExact(f, b, 8)) return kCodecErrRead;
        width = LoadLE16(b);
        height = LoadLE16(b + 2);
        planes = LoadLE16(b + 4);
        bits = LoadLE16(b + 6);
    } else if ((hs >= 16 && hs <= 64 && hs % 4 == 0) || hs == 42 || hs == 46 || hs == 108 ||
               hs == 124) {
        uint8_t b[120] = {};
        if (CodecReadExact(f, b, int32_t(hs - 4))) return kCodecErrRead;
        width = int32_t(LoadLE32(b));
        height = int32_t(LoadLE32(b + 4));
        planes = LoadLE16(b + 8);
        bits = LoadLE16(b + 10);
        // Fields beyond the header's size read as zero (b starts cleared).
        s->compression = LoadLE32(b + 12);
        s->colorsUsed = LoadLE32(b + 28);
        for (int c = 0; c < 3; ++c)
            s->masks[c] = LoadLE32(b + 36 + 4 * c);
    } else {
        return kBmpErrHeaderSize;
    }
    if (height < 0) {
        s->topDown = 1;
        height = -height;
    }
    if (width <= 0 || height <= 0) return kCodecErrBadSize;
    if (planes != 1) return kBmpErrPlanes;
    // Bit fields come with Windows headers only (OS/2 2.0 gives compression 3
    // another meaning); a 40-byte header keeps the masks right after itself.
    const bool fields = s->compression == kCompressBitFields && (bits == 16 || bits == 32) &&
                        (hs == 40 || hs == 52 || hs == 56 || hs == 108 || hs == 124);
    // Masks that the pixel data overlaps (a writer that marks bit fields but
    // leaves them out) are no masks.
    if (fields && hs == 40 && s->dataOffset < s->base + 14 + 40 + 12) return kBmpErrBitCount;
    if (fields && hs == 40) {
        uint8_t m[12];
        if (CodecReadExact(f, m, 12)) return kCodecErrRead;
        for (int c = 0; c < 3; ++c)
            s->masks[c] = LoadLE32(m + 4 * c);
    }
    if (fields && !MasksUsable(s->masks, int(bits))) return kBmpErrBitCount;
    s->storedBits = int32_t(bits);
    if (fields)
        bits = 24;
    else if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return kBmpErrBitCount;
    if (bits < 24) {
        uint32_t full = 1u << bits;
        if (hs == 12 || s->colorsUsed == 0 || s->colorsUsed > full) s->colorsUsed = full;
    } else {
        s->colorsUsed = 0;
    }
    const bool rle = s->compression == kCompressRle8 || s->compression == kCompressRle4;
    if (s->compression != kCompressNone && !(s->compression == kCompressRle8 && bits == 8) &&
        !(s->compression == kCompressRle4 && bits == 4) && !fields)
        return kBmpErrCompression;
    // Run-length data is drawn bottom-up only; a top-down one has no meaning.
    if (rle && s->topDown) return kCodecErrBadSize;
    if (!FormatSizeFits(width, height, int32_t(bits))) return kCodecErrBadSize;
    if (s->dataOffset >= s->fileLength) return kCodecErrRead;
    // Uncompressed rows must all be in the file before anyone allocates them.
    int64_t stride = CodecStride(int32_t(width), s->storedBits);
    if (!rle && stride * height > s->fileLength - s->dataOffset) return kCodecErrRead;
    h->width = int32_t(width);
    h->height = int32_t(height);
    h->bpp = int32_t(bits);
    return kCodecOk;
}

int ReadPalette(CodecFile* f, CodecHeader* h, uint8_t* palette) {
    const BmpState* s = CodecPrivate<BmpState>(h);
    if (h->bpp > 8) return kCodecOk;
    const int32_t entry = s->headerSize == 12 ? 3 : 4;
    const int32_t n = int32_t(s->colorsUsed);
    uint8_t raw[256 * 4];
    if (ReadBytes(f, s->base + 14 + s->headerSize, raw, n * entry)) return kCodecErrRead;
    for (int32_t i = 0; i < n; ++i) {
        palette[3 * i] = raw[entry * i + 2];
        palette[3 * i + 1] = raw[entry * i + 1];
        palette[3 * i + 2] = raw[entry * i];
    }
    return kCodecOk;
}

// Run-length decoding into the cleared buffer.  Pixels beyond a row's end are
// dropped (some writers pad every run to the stride), and decoding stops at the
// end-of-bitmap code or once the position has left the top of the image.
int DecodeRle(CodecFile* f, CodecHeader* h, uint8_t* pixels, bool four) {
    const int32_t width = h->width, height = h->height;
    CodecByteSource src(f);
    int32_t x = 0, y = 0;
    uint8_t* row = pixels;
    auto put = [&](int v) {
        if (x < width) {
            if (four) {
                uint8_t& b = row[x >> 1];
                b = (x & 1) ? uint8_t((b & 0xF0) | (v & 0x0F)) : uint8_t((b & 0x0F) | (v << 4));
            } else {
                row[x] = uint8_t(v);
            }
        }
        ++x;
    };
    while (y < height) {
        int n = src.Byte(), v = src.Byte();
        if (v < 0) return kCodecErrRead;
        if (n > 0) {
            if (four) {
                // Short rows drop the excess anyway; stopping at the edge keeps
                // x from growing without bound on a broken run.
                for (int i = 0; i < n && x < width; ++i)
                    put(i & 1 ? v & 0x0F : v >> 4);
            } else if (x < width) {
                int take = n < width - x ? n : width - x;
                std::memset(row + x, v, size_t(take));
                x += take;
            }
            continue;
        }
        if (v == 0) {
            x = 0;
            row = FormatRow(pixels, h, ++y);
        } else if (v == 1) {
            break;
        } else if (v == 2) {
            int dx = src.Byte(), dy = src.Byte();
            if (dy < 0) return kCodecErrRead;
            x += dx;
            y += dy;
            if (x > width) x = width;
            if (y < height) row = FormatRow(pixels, h, y);
        } else {
            uint8_t lit[256];
            int32_t bytes = four ? (v + 1) / 2 : v;
            bytes += bytes & 1;
            if (!src.Read(lit, bytes)) return kCodecErrRead;
            for (int i = 0; i < v && x < width; ++i)
                put(four ? (i & 1 ? lit[i >> 1] & 0x0F : lit[i >> 1] >> 4) : lit[i]);
        }
    }
    return src.Sync() ? kCodecOk : kCodecErrRead;
}

// 16- or 32-bit stored rows to blue, green, red.
int DecodeBitFields(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    const BmpState* s = CodecPrivate<BmpState>(h);
    const int32_t storedStride = CodecStride(h->width, s->storedBits);
    const int32_t stride = CodecStride(h->width, 24);
    const int bytes = s->storedBits / 8;
    std::vector<uint8_t> row(static_cast<size_t>(storedStride));
    for (int32_t i = 0; i < h->height; ++i) {
        if (CodecReadExact(f, row.data(), storedStride)) return kCodecErrRead;
        uint8_t* out = FormatRow(pixels, h, s->topDown ? h->height - 1 - i : i);
        for (int32_t x = 0; x < h->width; ++x) {
            const uint8_t* p = row.data() + size_t(x) * size_t(bytes);
            const uint32_t v = bytes == 2 ? LoadLE16(p) : LoadLE32(p);
            out[3 * x] = FieldValue(v, s->masks[2]);
            out[3 * x + 1] = FieldValue(v, s->masks[1]);
            out[3 * x + 2] = FieldValue(v, s->masks[0]);
        }
        std::memset(out + 3 * size_t(h->width), 0, size_t(stride) - 3 * size_t(h->width));
    }
    return kCodecOk;
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    const BmpState* s = CodecPrivate<BmpState>(h);
    const int32_t stride = CodecStride(h->width, h->bpp);
    if (CodecSeek(f, s->dataOffset, kCodecSeekSet) != s->dataOffset) return kCodecErrRead;
    if (s->compression == kCompressBitFields) return DecodeBitFields(f, h, pixels);
    if (s->compression == kCompressNone) {
        if (!s->topDown) return CodecReadExact(f, pixels, stride * h->height);
        for (int32_t y = h->height - 1; y >= 0; --y)
            if (CodecReadExact(f, FormatRow(pixels, h, y), stride)) return kCodecErrRead;
        return kCodecOk;
    }
    std::memset(pixels, 0, size_t(stride) * size_t(h->height));
    return DecodeRle(f, h, pixels, s->compression == kCompressRle4);
}

const char* ErrorText(int code) {
    switch (code) {
    case kBmpErrPlanes:
        return "number of bitmap planes is not 1";
    case kBmpErrBitCount:
        return "bit count not 1, 4, 8 or 24";
    case kBmpErrHeaderSize:
        return "cbFix bad";
    case kBmpErrCompression:
        return "compression type not uncompressed, RLE4 or RLE8";
    case kBmpErrIndex:
        return "less bitmaps in file than index requested";
    default:
        return nullptr;
    }
}

} // namespace

const CodecReader kBmpReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
