// ILBM reader: Amiga IFF interleaved bitmaps of 1 to 8 planes (palette), extra
// half-brite (6 planes), hold-and-modify (HAM6, HAM8) and 24-plane deep images,
// uncompressed or ByteRun1.
//
// File layout (integers big-endian; every chunk is padded to an even length):
//   "FORM", u32 size, "ILBM", then chunks: 4-byte id, u32 size, data
//   "BMHD" (20 bytes): u16 width, height, i16 x, y, u8 planes, masking (1: a
//          mask plane follows each row's planes), compression (0 none,
//          1 ByteRun1), pad, u16 transparent colour, u8 x and y aspect,
//          i16 page width, height
//   "CMAP": 3 bytes r, g, b per entry     "CAMG" (4 bytes): 0x800 HAM, 0x80 half-brite
//   "SHAM": u16 version 0, then per-line palettes (not applied here)
//   "BODY": for each row, top first, each plane's line of ((width + 15) / 16) x 2
//          bytes, most significant bit leftmost; plane k gives bit k of a pixel.
//          ByteRun1: n in 0-127 copies n + 1 bytes, n in 129-255 repeats the
//          next byte 257 - n times, 128 does nothing.
#include "imaging/formats/format_util.h"

#include <cstring>
#include <vector>

namespace {

enum : int {
    kIlbmErrForm = 900,
    kIlbmErrIlbm = 901,
    kIlbmErrTwoHeaders = 902,
    kIlbmErrNoHeader = 903,
    kIlbmErrHeaderSize = 904,
    kIlbmErrBpp = 905,
    kIlbmErrColorMap = 906,
    kIlbmErrCompression = 907,
    kIlbmErrCamg = 908,
    kIlbmErrSham = 909,
};

constexpr uint32_t kCamgHam = 0x800, kCamgHalfBrite = 0x80;

struct IlbmState {
    int64_t body; // offset of the BODY data
    int64_t bodySize;
    int32_t planes; // image planes (the mask plane not counted)
    int32_t masked;
    int32_t compressed;
    int32_t ham;
    int32_t halfBrite;
    int32_t colors; // CMAP entries
    uint8_t map[256 * 3];
};

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char*) {
    IlbmState* s = CodecPrivate<IlbmState>(h);
    std::memset(s, 0, sizeof *s);
    const int64_t length = FormatFileLength(f);
    uint8_t b[12];
    if (length < 0 || CodecReadExact(f, b, 12)) return kCodecErrRead;
    if (std::memcmp(b, "FORM", 4) != 0) return kIlbmErrForm;
    if (std::memcmp(b + 8, "ILBM", 4) != 0) return kIlbmErrIlbm;
    int64_t at = 12;
    bool haveHeader = false;
    uint8_t bmhd[20];
    uint32_t camg = 0;
    for (;;) {
        uint8_t c[8];
        if (CodecSeek(f, at, kCodecSeekSet) != at || CodecReadExact(f, c, 8)) return kCodecErrRead;
        const int64_t size = LoadBE32(c + 4), data = at + 8;
        if (size > length - data) {
            // Only the body may run short; it is checked against its rows below.
            if (std::memcmp(c, "BODY", 4) != 0) return kCodecErrRead;
        }
        if (std::memcmp(c, "BMHD", 4) == 0) {
            if (haveHeader) return kIlbmErrTwoHeaders;
            if (size != 20) return kIlbmErrHeaderSize;
            if (CodecReadExact(f, bmhd, 20)) return kCodecErrRead;
            haveHeader = true;
        } else if (std::memcmp(c, "CMAP", 4) == 0) {
            if (size % 3 != 0 || size > 3 * 256) return kIlbmErrColorMap;
            if (CodecReadExact(f, s->map, int32_t(size))) return kCodecErrRead;
            s->colors = int32_t(size / 3);
        } else if (std::memcmp(c, "CAMG", 4) == 0) {
            uint8_t v[4];
            if (size != 4) return kIlbmErrCamg;
            if (CodecReadExact(f, v, 4)) return kCodecErrRead;
            camg = LoadBE32(v);
        } else if (std::memcmp(c, "SHAM", 4) == 0) {
            uint8_t v[2];
            if (size < 2 || CodecReadExact(f, v, 2)) return kCodecErrRead;
            if (LoadBE16(v) != 0) return kIlbmErrSham;
        } else if (std::memcmp(c, "BODY", 4) == 0) {
            s->body = data;
            s->bodySize = size < length - data ? size : length - data;
            break;
        }
        at = data + size + (size & 1);
    }
    if (!haveHeader) return kIlbmErrNoHeader;
    const int32_t width = int32_t(LoadBE16(bmhd)), height = int32_t(LoadBE16(bmhd + 2));
    s->planes = bmhd[8];
    s->masked = bmhd[9] == 1;
    s->ham = (camg & kCamgHam) != 0;
    s->halfBrite = (camg & kCamgHalfBrite) != 0 && s->planes == 6 && !s->ham;
    if (bmhd[10] > 1) return kIlbmErrCompression;
    s->compressed = bmhd[10];
    int32_t bpp = 0;
    if (s->ham) {
        if (s->planes == 6 || s->planes == 8) bpp = 24;
    } else if (s->planes == 1) {
        bpp = 1;
    } else if (s->planes >= 2 && s->planes <= 4) {
        bpp = 4;
    } else if (s->planes >= 5 && s->planes <= 8) {
        bpp = 8;
    } else if (s->planes == 24) {
        bpp = 24;
    }
    if (!bpp) return kIlbmErrBpp;
    if (width == 0 || height == 0 || !FormatSizeFits(width, height, bpp)) return kCodecErrBadSize;
    // ByteRun1 turns 2 stored bytes into at most 128: the body must be able
    // to hold the rows it claims.
    const int64_t rowBytes = (int64_t(width) + 15) / 16 * 2;
    const int64_t decoded = rowBytes * (s->planes + s->masked) * height;
    if ((s->compressed ? (decoded + 127) / 128 * 2 : decoded) > s->bodySize) return kCodecErrRead;
    h->width = width;
    h->height = height;
    h->bpp = bpp;
    return kCodecOk;
}

int ReadPalette(CodecFile*, CodecHeader* h, uint8_t* palette) {
    const IlbmState* s = CodecPrivate<IlbmState>(h);
    if (h->bpp > 8) return kCodecOk;
    const int n = 1 << h->bpp;
    std::memcpy(palette, s->map, size_t(3 * (s->colors < n ? s->colors : n)));
    // Extra half-brite: colours 32-63 are 0-31 at half brightness.
    if (s->halfBrite)
        for (int i = 0; i < 32 * 3; ++i)
            palette[32 * 3 + i] = uint8_t(palette[i] >> 1);
    return kCodecOk;
}

// ByteRun1 (or plain) bytes of the body; runs may cross plane lines.
class BodyReader {
  public:
    BodyReader(CodecFile* f, bool compressed) : src_(f), compressed_(compressed) {}
    bool Fill(uint8_t* out, int32_t n) {
        if (!compressed_) return src_.Read(out, n);
        while (n > 0) {
            if (literal_ == 0 && repeat_ == 0) {
                int c = src_.Byte();
                if (c < 0) return false;
                if (c < 128) {
                    literal_ = c + 1;
                } else if (c > 128) {
                    int v = src_.Byte();
                    if (v < 0) return false;
                    repeat_ = 257 - c;
                    value_ = uint8_t(v);
                }
                continue;
            }
            if (repeat_) {
                int32_t take = repeat_ < n ? repeat_ : n;
                std::memset(out, value_, size_t(take));
                out += take;
                n -= take;
                repeat_ -= take;
            } else {
                int32_t take = literal_ < n ? literal_ : n;
                if (!src_.Read(out, take)) return false;
                out += take;
                n -= take;
                literal_ -= take;
            }
        }
        return true;
    }
    bool Sync() { return src_.Sync(); }

  private:
    CodecByteSource src_;
    bool compressed_;
    int32_t literal_ = 0, repeat_ = 0;
    uint8_t value_ = 0;
};

// A hold-and-modify step replaces the top `bits` bits of one component and
// keeps the bits below them, as the 8-bit colour hardware does.
inline uint8_t Modify(uint8_t old, uint32_t v, int bits) {
    const int low = 8 - bits;
    return uint8_t((v << low) | (old & ((1u << low) - 1)));
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    const IlbmState* s = CodecPrivate<IlbmState>(h);
    if (CodecSeek(f, s->body, kCodecSeekSet) != s->body) return kCodecErrRead;
    const int32_t width = h->width, rowBytes = (width + 15) / 16 * 2;
    const int32_t planes = s->planes, stored = planes + s->masked;
    std::vector<uint8_t> line(size_t(stored) * size_t(rowBytes));
    BodyReader body(f, s->compressed != 0);
    const int dataBits = planes - 2; // HAM
    for (int32_t y = 0; y < h->height; ++y) {
        if (!body.Fill(line.data(), stored * rowBytes)) return kCodecErrRead;
        uint8_t* row = FormatRow(pixels, h, h->height - 1 - y);
        std::memset(row, 0, size_t(CodecStride(width, h->bpp)));
        uint8_t r = s->map[0], g = s->map[1], b = s->map[2]; // HAM starts from colour 0
        for (int32_t x = 0; x < width; ++x) {
            const size_t byte = size_t(x >> 3);
            const int shift = 7 - (x & 7);
            uint32_t v = 0;
            for (int p = 0; p < planes; ++p)
                v |= uint32_t((line[size_t(p) * size_t(rowBytes) + byte] >> shift) & 1) << p;
            switch (h->bpp) {
            case 1:
                row[byte] |= uint8_t(v << shift);
                break;
            case 4:
                row[x >> 1] |= uint8_t((x & 1) ? v : v << 4);
                break;
            case 8:
                row[x] = uint8_t(v);
                break;
            default:
                if (!s->ham) {
                    r = uint8_t(v);
                    g = uint8_t(v >> 8);
                    b = uint8_t(v >> 16);
                } else {
                    const uint32_t d = v & ((1u << dataBits) - 1);
                    switch (v >> dataBits) {
                    case 0:
                        r = s->map[3 * d];
                        g = s->map[3 * d + 1];
                        b = s->map[3 * d + 2];
                        break;
                    case 1:
                        b = Modify(b, d, dataBits);
                        break;
                    case 2:
                        r = Modify(r, d, dataBits);
                        break;
                    default:
                        g = Modify(g, d, dataBits);
                        break;
                    }
                }
                row[3 * x] = b;
                row[3 * x + 1] = g;
                row[3 * x + 2] = r;
            }
        }
    }
    return body.Sync() ? kCodecOk : kCodecErrRead;
}

const char* ErrorText(int code) {
    static const char* const kTexts[] = {
        "no FORM signiture",
        "no ILBM signiture",
        "multiple BMHD bitmap headers",
        "no BMHD bitmap header",
        "bad size of BMHD bitmap header",
        "unsupported/bad bits per pixel",
        "CMAP colour map is the wrong size",
        "compression type not uncompressed nor RLE",
        "CAMG chunk is the wrong size",
        "Unsupported version of SHAM (not 0)",
    };
    if (code < kIlbmErrForm || code > kIlbmErrSham) return nullptr;
    return kTexts[code - kIlbmErrForm];
}

} // namespace

const CodecReader kIlbmReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
