// TIFF reader: bilevel, grey and palette images of 1, 4 or 8 bits, RGB and
// CMYK of 8 bits per sample (RGB also as three planes), in strips that are
// uncompressed, LZW (TIFF 6.0 or the older packing, with horizontal
// differencing) or PackBits; "index=n" picks the n-th image of the file.
// Grey, RGB and CMYK pictures of 16-bit unsigned samples (as scanners and
// editors write them) are read too, each sample reduced to the nearest of 8
// bits' 256 levels.
//
// File layout ("II" integers little-endian, "MM" big-endian):
//   0  "II" | "MM", u16 42, u32 offset of the first image file directory
//   directory: u16 n, n entries of 12 bytes, u32 offset of the next one (0: last)
//   entry: u16 tag, u16 type (1 byte, 3 short, 4 long), u32 count, u32 value
//          (the values themselves when count x size <= 4, else their offset)
//   Tags used: 256 width, 257 height, 258 bits per sample, 259 compression,
//   262 photometric interpretation, 266 fill order, 273 strip offsets,
//   274 orientation, 277 samples per pixel, 278 rows per strip, 279 strip
//   byte counts, 284 planar configuration, 317 predictor, 320 colour map
//   (3 x 2^bits shorts: reds, greens, blues), 332 ink set, 339 sample format
//   (1 unsigned; 16-bit samples of any other format are not read); tiled
//   images (tags 322-324) are not read.  16-bit samples are stored in the
//   file's byte order; with differencing, each sample adds the one a pixel
//   before it modulo 65536.
#include "imaging/formats/format_util.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

enum : int {
    kTiffErrVersion = 800,
    kTiffErrTooManyTags = 801,
    kTiffErrTagType = 802,
    kTiffErrHeader = 803,
    kTiffErrMissingTag = 804,
    kTiffErrGreySamples = 805,
    kTiffErrGreyBits = 806,
    kTiffErrRgbSamples = 807,
    kTiffErrRgbBits = 808,
    kTiffErrPaletteSamples = 809,
    kTiffErrPaletteBits = 810,
    kTiffErrCmykSamples = 811,
    kTiffErrCmykBits = 812,
    kTiffErrHuffman = 813,
    kTiffErrG3 = 814,
    kTiffErrG4 = 815,
    kTiffErrCompression = 816,
    kTiffErrNoColorMap = 817,
    kTiffErrCorrupt = 818,
    kTiffErrPredictor = 819,
    kTiffErrMask = 821,
    kTiffErrYCbCr = 822,
    kTiffErrPhotometric = 823,
    kTiffErrFillOrder = 824,
    kTiffErrPlanarOther = 825,
    kTiffErrPlanarRgb = 826,
    kTiffErrInkSet = 827,
    kTiffErrOrientation = 828,
    kTiffErrIndex = 829,
};

constexpr int kCompressNone = 1, kCompressLzw = 5, kCompressPackBits = 32773;
constexpr uint32_t kMaxTags = 4096; // far beyond any real directory

// Where an array of values lives in the file.
struct TagRef {
    int64_t offset; // of the first value (inside the entry when they fit)
    uint32_t count;
    uint16_t type;
    uint16_t present;
};

struct TiffState {
    int32_t bigEndian;
    int32_t photometric, compression, orientation, planar, predictor;
    int32_t samples, bits, rowsPerStrip, sampleFormat;
    int32_t strips; // all strips, three times the per-plane number for planar RGB
    TagRef stripOffsets, stripBytes, colorMap;
};

class TiffFile {
  public:
    TiffFile(CodecFile* f, bool big, int64_t length) : f_(f), big_(big), length_(length) {}
    uint32_t U16(const uint8_t* p) const { return big_ ? LoadBE16(p) : LoadLE16(p); }
    uint32_t U32(const uint8_t* p) const { return big_ ? LoadBE32(p) : LoadLE32(p); }
    int ReadAt(int64_t pos, void* out, int32_t n) {
        if (pos < 0 || pos > length_ || n > length_ - pos) return kTiffErrHeader;
        if (CodecSeek(f_, pos, kCodecSeekSet) != pos) return kCodecErrRead;
        return CodecReadExact(f_, out, n);
    }
    // All values of a tag as 32-bit numbers (types 1, 3, 4 only).
    int Values(const TagRef& t, std::vector<uint32_t>* out) {
        const int size = t.type == 1 ? 1 : t.type == 3 ? 2 : t.type == 4 ? 4 : 0;
        if (!size) return kTiffErrTagType;
        if (int64_t(t.count) * size > length_) return kTiffErrHeader;
        std::vector<uint8_t> raw(size_t(t.count) * size_t(size));
        if (t.count && ReadAt(t.offset, raw.data(), int32_t(raw.size()))) return kTiffErrHeader;
        out->resize(t.count);
        for (uint32_t i = 0; i < t.count; ++i) {
            const uint8_t* p = raw.data() + size_t(i) * size_t(size);
            (*out)[i] = size == 1 ? p[0] : size == 2 ? U16(p) : U32(p);
        }
        return kCodecOk;
    }
    int64_t Length() const { return length_; }

  private:
    CodecFile* f_;
    bool big_;
    int64_t length_;
};

int FirstValue(TiffFile& tf, const TagRef& t, int32_t fallback, int32_t* out) {
    if (!t.present) {
        *out = fallback;
        return kCodecOk;
    }
    if (t.count == 0) return kTiffErrHeader;
    TagRef one = t;
    one.count = 1;
    std::vector<uint32_t> v;
    if (int rc = tf.Values(one, &v)) return rc;
    *out = v[0] > uint32_t(INT32_MAX) ? INT32_MAX : int32_t(v[0]);
    return kCodecOk;
}

// Checks the photometric interpretation against samples and bits; returns the
// delivered depth through bpp.
int CheckPixelKind(const TiffState* s, bool hasColorMap, int32_t inkSet, int32_t* bpp) {
    const int32_t spp = s->samples, bits = s->bits;
    // 16-bit unsigned samples, read as 8 bits (not in palettes: their indices
    // are not levels).
    const bool wide = bits == 16 && s->sampleFormat == 1;
    switch (s->photometric) {
    case 0:
    case 1:
        if (spp != 1) return kTiffErrGreySamples;
        if (bits != 1 && bits != 4 && bits != 8 && !wide) return kTiffErrGreyBits;
        *bpp = wide ? 8 : bits;
        return kCodecOk;
    case 2:
        if (spp < 3) return kTiffErrRgbSamples;
        if (bits != 8 && !wide) return kTiffErrRgbBits;
        *bpp = 24;
        return kCodecOk;
    case 3:
        if (spp != 1) return kTiffErrPaletteSamples;
        if (bits != 1 && bits != 4 && bits != 8) return kTiffErrPaletteBits;
        if (!hasColorMap) return kTiffErrNoColorMap;
        *bpp = bits;
        return kCodecOk;
    case 4:
        return kTiffErrMask;
    case 5:
        if (spp != 4) return kTiffErrCmykSamples;
        if (bits != 8 && !wide) return kTiffErrCmykBits;
        if (inkSet != 1) return kTiffErrInkSet;
        *bpp = 24;
        return kCodecOk;
    case 6:
        return kTiffErrYCbCr;
    default:
        return kTiffErrPhotometric;
    }
}

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char* options) {
    TiffState* s = CodecPrivate<TiffState>(h);
    std::memset(s, 0, sizeof *s);
    const int64_t length = FormatFileLength(f);
    uint8_t head[8];
    if (length < 0 || CodecReadExact(f, head, 8)) return kCodecErrRead;
    if (!((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M')))
        return kCodecErrBadMagic;
    s->bigEndian = head[0] == 'M';
    TiffFile tf(f, s->bigEndian != 0, length);
    if (tf.U16(head + 2) != 42) return kTiffErrVersion;
    int64_t dir = tf.U32(head + 4);

    int index = 0;
    CodecFindValue(options, "index=", &index);
    if (index < 0) return kCodecErrBadOption;
    // A directory takes at least 18 bytes, so a longer chain must be a loop.
    for (int64_t i = 0; i < index; ++i) {
        uint8_t b[4];
        if (dir == 0 || i > length / 18) return kTiffErrIndex;
        if (tf.ReadAt(dir, b, 2)) return kTiffErrHeader;
        int64_t next = dir + 2 + 12 * int64_t(tf.U16(b));
        if (tf.ReadAt(next, b, 4)) return kTiffErrHeader;
        dir = tf.U32(b);
    }
    if (dir == 0) return kTiffErrIndex;

    uint8_t nb[2];
    if (tf.ReadAt(dir, nb, 2)) return kTiffErrHeader;
    const uint32_t n = tf.U16(nb);
    if (n > kMaxTags) return kTiffErrTooManyTags;
    std::vector<uint8_t> entries(size_t(n) * 12);
    if (n && tf.ReadAt(dir + 2, entries.data(), int32_t(entries.size()))) return kTiffErrHeader;
    TagRef width{}, height{}, bits{}, compression{}, photometric{}, fill{}, orientation{},
        samples{}, rows{}, planar{}, predictor{}, inkSet{}, sampleFormat{};
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* e = entries.data() + 12 * size_t(i);
        TagRef t{};
        t.type = uint16_t(tf.U16(e + 2));
        t.count = tf.U32(e + 4);
        t.present = 1;
        const int size = t.type == 1 ? 1 : t.type == 3 ? 2 : t.type == 4 ? 4 : 0;
        t.offset = size && int64_t(t.count) * size <= 4 ? dir + 2 + 12 * int64_t(i) + 8
                                                        : int64_t(tf.U32(e + 8));
        TagRef* slot = nullptr;
        switch (tf.U16(e)) {
        case 256:
            slot = &width;
            break;
        case 257:
            slot = &height;
            break;
        case 258:
            slot = &bits;
            break;
        case 259:
            slot = &compression;
            break;
        case 262:
            slot = &photometric;
            break;
        case 266:
            slot = &fill;
            break;
        case 273:
            slot = &s->stripOffsets;
            break;
        case 274:
            slot = &orientation;
            break;
        case 277:
            slot = &samples;
            break;
        case 278:
            slot = &rows;
            break;
        case 279:
            slot = &s->stripBytes;
            break;
        case 284:
            slot = &planar;
            break;
        case 317:
            slot = &predictor;
            break;
        case 320:
            slot = &s->colorMap;
            break;
        case 332:
            slot = &inkSet;
            break;
        case 339:
            slot = &sampleFormat;
            break;
        case 322:
        case 323:
        case 324:
            // Tiles (some old writers even put their offsets under tag 273)
            // are not strips; decoding them as strips would scramble the picture.
            return kCodecErrNotSupported;
        default:
            continue; // tags of no concern, whatever their type
        }
        if (!size) return kTiffErrTagType;
        *slot = t;
    }
    if (!width.present || !height.present || !s->stripOffsets.present) return kTiffErrMissingTag;
    int32_t w, hgt, fillOrder, ink;
    int rc = FirstValue(tf, width, 0, &w);
    if (!rc) rc = FirstValue(tf, height, 0, &hgt);
    if (!rc) rc = FirstValue(tf, photometric, 1, &s->photometric);
    if (!rc) rc = FirstValue(tf, rows, hgt, &s->rowsPerStrip);
    if (!rc) rc = FirstValue(tf, samples, 1, &s->samples);
    if (!rc) rc = FirstValue(tf, bits, 1, &s->bits);
    if (!rc) rc = FirstValue(tf, compression, 1, &s->compression);
    if (!rc) rc = FirstValue(tf, orientation, 1, &s->orientation);
    if (!rc) rc = FirstValue(tf, planar, 1, &s->planar);
    if (!rc) rc = FirstValue(tf, fill, 1, &fillOrder);
    if (!rc) rc = FirstValue(tf, predictor, 1, &s->predictor);
    if (!rc) rc = FirstValue(tf, inkSet, 1, &ink);
    if (!rc) rc = FirstValue(tf, sampleFormat, 1, &s->sampleFormat);
    if (rc) return rc;

    int32_t bpp = 0;
    if ((rc = CheckPixelKind(s, s->colorMap.present != 0, ink, &bpp))) return rc;
    switch (s->compression) {
    case kCompressNone:
    case kCompressLzw:
    case kCompressPackBits:
        break;
    case 2:
        return kTiffErrHuffman;
    case 3:
        return kTiffErrG3;
    case 4:
        return kTiffErrG4;
    default:
        return kTiffErrCompression;
    }
    if (s->orientation != 1 && s->orientation != 4) return kTiffErrOrientation;
    if (fillOrder != 1) return kTiffErrFillOrder;
    const bool rgb = s->photometric == 2;
    if (!rgb && s->planar != 1) return kTiffErrPlanarOther;
    if (rgb && s->planar != 1 && s->planar != 2) return kTiffErrPlanarRgb;
    if (s->predictor != 1 &&
        !(s->predictor == 2 && s->compression == kCompressLzw && (s->bits == 8 || s->bits == 16) &&
          (s->samples == 1 || s->samples >= 3)))
        return kTiffErrPredictor;

    if (w <= 0 || hgt <= 0) return kCodecErrBadSize;
    if (!FormatSizeFits(w, hgt, bpp)) return kCodecErrBadSize;
    // Stored rows must fit the 32-bit sizes used while decoding.
    if (int64_t(w) * s->samples > INT32_MAX / 8) return kCodecErrBadSize;
    if (s->rowsPerStrip <= 0 || s->rowsPerStrip > hgt) s->rowsPerStrip = hgt;
    // One strip's decoded rows are held at once: the same ceiling applies.
    const int64_t storedRow = (int64_t(w) * (s->planar == 2 ? 1 : s->samples) * s->bits + 7) / 8;
    if (storedRow * s->rowsPerStrip > kFormatMaxPixelBytes) return kCodecErrBadSize;
    int64_t strips = (int64_t(hgt) + s->rowsPerStrip - 1) / s->rowsPerStrip;
    if (rgb && s->planar == 2) strips *= 3;
    // Every strip needs its offset in the file.
    if (strips > int64_t(s->stripOffsets.count)) return kTiffErrHeader;
    if (s->stripBytes.present && strips > int64_t(s->stripBytes.count)) return kTiffErrHeader;
    if (strips > length) return kTiffErrHeader;
    s->strips = int32_t(strips);
    if (s->photometric == 3 && int64_t(s->colorMap.count) < 3 * (int64_t(1) << s->bits))
        return kTiffErrHeader;
    h->width = w;
    h->height = hgt;
    h->bpp = bpp;
    return kCodecOk;
}

int ReadPalette(CodecFile* f, CodecHeader* h, uint8_t* palette) {
    const TiffState* s = CodecPrivate<TiffState>(h);
    if (h->bpp > 8) return kCodecOk;
    const int n = 1 << h->bpp;
    if (s->photometric != 3) {
        for (int i = 0; i < n; ++i) {
            int v = i * 255 / (n - 1);
            std::memset(palette + 3 * i, s->photometric == 0 ? 255 - v : v, 3);
        }
        return kCodecOk;
    }
    TiffFile tf(f, s->bigEndian != 0, FormatFileLength(f));
    TagRef map = s->colorMap;
    map.count = uint32_t(3 * n);
    std::vector<uint32_t> v;
    if (int rc = tf.Values(map, &v)) return rc;
    bool anyHigh = false;
    for (uint32_t x : v)
        anyHigh |= (x >> 8) != 0;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < n; ++i)
            palette[3 * i + c] =
                uint8_t(anyHigh ? v[size_t(c * n + i)] >> 8 : v[size_t(c * n + i)]);
    return kCodecOk;
}

// ---- Strip decoders: each fills out (n bytes) from in (len bytes) ----

// LZW: 256 clear, 257 end, codes 9 to 12 bits wide.  Two packings exist:
//   TIFF 6.0     codes most significant bit first; the width grows one code
//                early (once the next free code reaches 511, 1023, 2047);
//   old style    (writers before TIFF 5.0's correction) codes least
//                significant bit first; the width grows when the next free
//                code reaches 512, 1024, 2048.
// Each strip starts with a clear code, which tells the two apart: 256 MSB
// first begins with byte 0x80, LSB first with 0x00 followed by a byte whose
// bit 0 is set.  A string is written backwards from its last byte; bytes
// beyond n are dropped.
struct LzwTable {
    uint16_t prefix[4096];
    uint16_t length[4096];
    uint8_t suffix[4096];
    uint8_t first[4096];
};

bool IsOldStyleLzw(const uint8_t* in, size_t len) {
    return len >= 2 && in[0] == 0x00 && (in[1] & 1) != 0;
}

template <bool kOldStyle>
int DecodeLzwAs(const uint8_t* in, size_t len, uint8_t* out, size_t n, LzwTable* t) {
    for (int i = 0; i < 256; ++i) {
        t->suffix[i] = t->first[i] = uint8_t(i);
        t->length[i] = 1;
    }
    // The width grows once `next` reaches this code.
    constexpr int kEarly = kOldStyle ? 0 : 1;
    size_t bitPos = 0, done = 0;
    int width = 9, next = 258, old = -1, growAt = (1 << 9) - kEarly;
    const size_t bits = len * 8;
    while (done < n && bitPos + size_t(width) <= bits) {
        const size_t byte = bitPos >> 3;
        // Up to 12 bits at any bit offset span at most 3 bytes.
        uint32_t acc;
        if (byte + 3 <= len) {
            acc = kOldStyle ? uint32_t(in[byte]) | uint32_t(in[byte + 1]) << 8 |
                                  uint32_t(in[byte + 2]) << 16
                            : uint32_t(in[byte]) << 16 | uint32_t(in[byte + 1]) << 8 |
                                  uint32_t(in[byte + 2]);
        } else {
            acc = 0;
            for (size_t k = 0; k < 3; ++k) {
                const uint32_t b = byte + k < len ? in[byte + k] : 0;
                acc = kOldStyle ? acc | b << (8 * k) : acc << 8 | b;
            }
        }
        const int shift = kOldStyle ? int(bitPos & 7) : 24 - width - int(bitPos & 7);
        const int code = int((acc >> shift) & ((1u << width) - 1));
        bitPos += size_t(width);
        if (code == 257) break;
        if (code == 256) {
            width = 9;
            growAt = (1 << 9) - kEarly;
            next = 258;
            old = -1;
            continue;
        }
        if (old < 0) {
            if (code > 255) return kTiffErrCorrupt;
        } else {
            if (code > next) return kTiffErrCorrupt;
            if (next < 4096) {
                const uint8_t head = code < next ? t->first[code] : t->first[old];
                t->prefix[next] = uint16_t(old);
                t->first[next] = t->first[old];
                t->suffix[next] = head;
                t->length[next] = uint16_t(t->length[old] + 1);
                ++next;
                if (next >= growAt && width < 12) {
                    ++width;
                    growAt = (1 << width) - kEarly;
                }
            } else if (code == next) {
                return kTiffErrCorrupt;
            }
        }
        const size_t l = t->length[code];
        size_t at = done + l;
        if (at <= n) { // the whole string fits: no check per byte
            for (int c = code; t->length[c] > 1; c = t->prefix[c])
                out[--at] = t->suffix[c];
            out[--at] = t->first[code];
        } else {
            for (int c = code;; c = t->prefix[c]) {
                if (--at < n) out[at] = t->suffix[c];
                if (t->length[c] == 1) break;
            }
        }
        done += l;
        old = code;
    }
    return kCodecOk;
}

int DecodeLzw(const uint8_t* in, size_t len, uint8_t* out, size_t n, LzwTable* t) {
    return IsOldStyleLzw(in, len) ? DecodeLzwAs<true>(in, len, out, n, t)
                                  : DecodeLzwAs<false>(in, len, out, n, t);
}

int DecodePackBits(const uint8_t* in, size_t len, uint8_t* out, size_t n) {
    size_t i = 0, done = 0;
    while (done < n && i < len) {
        int c = in[i++];
        if (c < 128) {
            size_t run = size_t(c) + 1;
            if (i + run > len) return kTiffErrCorrupt;
            size_t take = run < n - done ? run : n - done;
            std::memcpy(out + done, in + i, take);
            i += run;
            done += take;
        } else if (c > 128) {
            if (i >= len) return kTiffErrCorrupt;
            size_t run = size_t(257 - c);
            size_t take = run < n - done ? run : n - done;
            std::memset(out + done, in[i++], take);
            done += take;
        }
    }
    return kCodecOk;
}

// One stored row of n 16-bit samples (spp to a pixel) to n bytes at its start:
// undoes the differencing first when asked (on the full 16-bit values, which
// `values` keeps), then takes each to the nearest 8-bit level, v / 257 rounded
// (65535 = 255 x 257), halves upwards.
void ReduceWideRow(uint8_t* row, int32_t n, int32_t spp, bool differenced, bool bigEndian,
                   uint16_t* values) {
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t* p = row + 2 * size_t(i);
        uint16_t v = uint16_t(bigEndian ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
        if (differenced && i >= spp) v = uint16_t(v + values[i - spp]);
        values[i] = v;
        // Byte i lies within the samples already read.
        row[i] = uint8_t((uint32_t(v) + 128) / 257);
    }
}

int DecodeStrips(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    const TiffState* s = CodecPrivate<TiffState>(h);
    TiffFile tf(f, s->bigEndian != 0, FormatFileLength(f));
    std::vector<uint32_t> offsets, counts;
    if (int rc = tf.Values(s->stripOffsets, &offsets)) return rc;
    if (s->stripBytes.present)
        if (int rc = tf.Values(s->stripBytes, &counts)) return rc;
    const bool planarRgb = s->photometric == 2 && s->planar == 2;
    const int32_t width = h->width, height = h->height, rps = s->rowsPerStrip;
    // Samples stored per pixel in one strip, and the bytes of one stored row.
    const int32_t spp = planarRgb ? 1 : s->samples;
    const int32_t rowBytes = int32_t((int64_t(width) * spp * s->bits + 7) / 8);
    const int32_t stripsPerPlane = (height + rps - 1) / rps;
    // 16-bit samples: each stored row is reduced in place to one byte a sample
    // at its start, so the rows keep their stored distance.
    const bool wide = s->bits == 16;
    std::vector<uint16_t> wideRow(wide ? size_t(width) * size_t(spp) : 0);
    std::vector<uint8_t> strip(size_t(rps) * size_t(rowBytes)), raw;
    // planar RGB: the three planes of one strip's rows
    std::vector<uint8_t> planes(planarRgb ? 3 * strip.size() : 0);
    std::unique_ptr<LzwTable> lzw(new LzwTable);
    for (int32_t si = 0; si < stripsPerPlane; ++si) {
        const int32_t first = si * rps;
        const int32_t rowsHere = height - first < rps ? height - first : rps;
        const size_t need = size_t(rowsHere) * size_t(rowBytes);
        for (int p = 0; p < (planarRgb ? 3 : 1); ++p) {
            const size_t index = size_t(p * stripsPerPlane + si);
            const int64_t at = offsets[index];
            int64_t len = counts.empty() ? tf.Length() - at : int64_t(counts[index]);
            if (at >= tf.Length()) return kCodecErrRead;
            if (len > tf.Length() - at) len = tf.Length() - at;
            if (s->compression == kCompressNone && len < int64_t(need)) return kCodecErrRead;
            if (s->compression == kCompressNone) len = int64_t(need);
            raw.resize(size_t(len));
            if (tf.ReadAt(at, raw.data(), int32_t(len))) return kCodecErrRead;
            uint8_t* out = planarRgb ? planes.data() + size_t(p) * strip.size() : strip.data();
            std::memset(out, 0, need);
            int rc = kCodecOk;
            if (s->compression == kCompressNone)
                std::memcpy(out, raw.data(), need);
            else if (s->compression == kCompressLzw)
                rc = DecodeLzw(raw.data(), raw.size(), out, need, lzw.get());
            else
                rc = DecodePackBits(raw.data(), raw.size(), out, need);
            if (rc) return rc;
            if (wide) {
                for (int32_t r = 0; r < rowsHere; ++r)
                    ReduceWideRow(out + size_t(r) * size_t(rowBytes), width * spp, spp,
                                  s->predictor == 2, s->bigEndian != 0, wideRow.data());
            } else if (s->predictor == 2) {
                for (int32_t r = 0; r < rowsHere; ++r) {
                    uint8_t* row = out + size_t(r) * size_t(rowBytes);
                    for (int32_t i = spp; i < rowBytes; ++i)
                        row[i] = uint8_t(row[i] + row[i - spp]);
                }
            }
        }
        for (int32_t r = 0; r < rowsHere; ++r) {
            const int32_t y = first + r; // from the top of the image
            uint8_t* dst = FormatRow(pixels, h, s->orientation == 1 ? height - 1 - y : y);
            const int32_t stride = CodecStride(width, h->bpp);
            std::memset(dst, 0, size_t(stride));
            if (planarRgb) {
                const uint8_t* rp = planes.data() + size_t(r) * size_t(rowBytes);
                const uint8_t *gp = rp + strip.size(), *bp = gp + strip.size();
                for (int32_t x = 0; x < width; ++x) {
                    dst[3 * x] = bp[x];
                    dst[3 * x + 1] = gp[x];
                    dst[3 * x + 2] = rp[x];
                }
                continue;
            }
            const uint8_t* src = strip.data() + size_t(r) * size_t(rowBytes);
            if (h->bpp <= 8) {
                std::memcpy(dst, src, wide ? size_t(width) : size_t(rowBytes));
            } else if (s->photometric == 2) {
                for (int32_t x = 0; x < width; ++x, src += spp) {
                    dst[3 * x] = src[2];
                    dst[3 * x + 1] = src[1];
                    dst[3 * x + 2] = src[0];
                }
            } else {
                for (int32_t x = 0; x < width; ++x, src += 4) {
                    const int k = src[3];
                    const int red = 255 - src[0] - k, green = 255 - src[1] - k,
                              blue = 255 - src[2] - k;
                    dst[3 * x] = uint8_t(blue < 0 ? 0 : blue);
                    dst[3 * x + 1] = uint8_t(green < 0 ? 0 : green);
                    dst[3 * x + 2] = uint8_t(red < 0 ? 0 : red);
                }
            }
        }
    }
    return kCodecOk;
}

// Buffers are bounded by the header checks; a failing allocation is still
// only "out of memory".
int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    try {
        return DecodeStrips(f, h, pixels);
    } catch (const std::bad_alloc&) {
        return kCodecErrMemory;
    }
}

const char* ErrorText(int code) {
    static const char* const kTexts[] = {
        "version number not 42",
        "too many tags in file",
        "bad tag type",
        "corrupt header",
        "ImageWidth, ImageLength or StripOffsets tag missing",
        "SamplesPerPixel tag must be 1 for bitmap or greyscale file",
        "BitsPerSample tag must be 1,4 or 8 for bitmap or greyscale file",
        "SamplesPerPixel tag must be 3 or more for RGB file",
        "BitsPerSample tag must be 8 for RGB file",
        "SamplesPerPixel tag must be 1 for palettised file",
        "BitsPerSample tag must be 1,4 or 8 for paletteised file",
        "SamplesPerPixel tag must be 4 for CMYK file",
        "BitsPerSample tag must be 8 for CMYK file",
        "Compression tag is CCITT 1D Modified Huffman, not supported",
        "Compression tag is CCITT T.4 G3 Facsimile, not supported",
        "Compression tag is CCITT T.6 G4 Facsimile, not supported",
        "Compression tag not uncompressed, PackBits or LZW, not supported",
        "ColorMap tag missing",
        "encoded data is corrupt",
        "Predictor tag bad",
        nullptr,
        "PhotometricInterpretation tag is transparency mask, not supported",
        "PhotometricInterpreation tag is Y-Cb-Cr colour space, not supported",
        "PhotometricInterpretation tag unsupported/bad",
        "FillOrder tag must be 1",
        "PlanarConfiguration tag must be 1 for non RGB files",
        "PlanarConfiguration tag must be 1 or 2 for RGB files",
        "InkSet tag indicates non-CMYK colour seperations",
        "Orientation tag must be 1 or 4",
        "less bitmaps in file than index requested",
    };
    if (code < kTiffErrVersion || code > kTiffErrIndex) return nullptr;
    return kTexts[code - kTiffErrVersion];
}

} // namespace

const CodecReader kTiffReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
