// PCX reader (ZSoft PC Paintbrush): 1-bit, 4-bit as one plane or as four
// 1-bit planes, 8-bit with the palette trailer, and 24-bit as three planes.
//
// File layout (integers little-endian):
//   0  u8  10 (manufacturer)     1  u8  version (0, 2, 3 or 5)
//   2  u8  encoding 1 (run-length)  3  u8  bits per pixel of one plane
//   4  u16 xmin, ymin, xmax, ymax (inclusive window)
//   12 u16 x and y resolution    16 48 bytes: 16 palette entries r, g, b
//   64 u8  reserved              65 u8  planes
//   66 u16 bytes per plane line (the decoded length of one plane of a row)
//   128 run-length data, each row as its plane lines one after another:
//       a byte with both top bits set counts (its low 6 bits) copies of the
//       next byte, any other byte stands for itself; runs may cross lines.
//   8-bit files end with 12 and 256 palette entries r, g, b (769 bytes).
#include "imaging/formats/format_util.h"

#include <cstring>
#include <vector>

#include "common/byte_io.h"

namespace {

constexpr int kPcxErrVersion = 700;
constexpr int kPcxErrEncoding = 701;
constexpr int kPcxErrPlanes = 702;
constexpr int kPcxErrTrailer = 703;

constexpr int64_t kTrailerLength = 769;

struct PcxState {
    int64_t fileLength;
    int32_t bits; // per plane
    int32_t planes;
    int32_t lineBytes;
    uint8_t egaPalette[48];
};

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char*) {
    PcxState* s = CodecPrivate<PcxState>(h);
    std::memset(s, 0, sizeof *s);
    s->fileLength = FormatFileLength(f);
    uint8_t b[70];
    if (s->fileLength < 0 || CodecReadExact(f, b, 70)) return kCodecErrRead;
    if (b[0] != 10) return kCodecErrBadMagic;
    if (b[1] == 4 || b[1] > 5) return kPcxErrVersion;
    if (b[2] != 1) return kPcxErrEncoding;
    s->bits = b[3];
    s->planes = b[65];
    int32_t bpp = 0;
    if (s->bits == 1 && s->planes == 1) bpp = 1;
    if ((s->bits == 1 && s->planes == 4) || (s->bits == 4 && s->planes == 1)) bpp = 4;
    if (s->bits == 8 && s->planes == 1) bpp = 8;
    if (s->bits == 8 && s->planes == 3) bpp = 24;
    if (!bpp) return kPcxErrPlanes;
    const int32_t width = int32_t(LoadLE16(b + 8)) - LoadLE16(b + 4) + 1;
    const int32_t height = int32_t(LoadLE16(b + 10)) - LoadLE16(b + 6) + 1;
    s->lineBytes = LoadLE16(b + 66);
    if (width <= 0 || height <= 0 || s->lineBytes == 0) return kCodecErrBadSize;
    if (!FormatSizeFits(width, height, bpp)) return kCodecErrBadSize;
    // Two stored bytes make at most 63 decoded ones: the data must be able
    // to fill the image before anything is allocated for it.
    const int64_t decoded = int64_t(height) * s->planes * s->lineBytes;
    if ((decoded + 62) / 63 * 2 > s->fileLength - 128) return kCodecErrRead;
    std::memcpy(s->egaPalette, b + 16, 48);
    h->width = width;
    h->height = height;
    h->bpp = bpp;
    return kCodecOk;
}

int ReadPalette(CodecFile* f, CodecHeader* h, uint8_t* palette) {
    const PcxState* s = CodecPrivate<PcxState>(h);
    switch (h->bpp) {
    case 1:
        std::memset(palette, 0, 3);
        std::memset(palette + 3, 255, 3);
        return kCodecOk;
    case 4:
        std::memcpy(palette, s->egaPalette, 48);
        return kCodecOk;
    case 8: {
        const int64_t at = s->fileLength - kTrailerLength;
        uint8_t mark = 0;
        if (at < 128 || CodecSeek(f, at, kCodecSeekSet) != at || CodecReadExact(f, &mark, 1))
            return kPcxErrTrailer;
        if (mark != 12) return kPcxErrTrailer;
        return CodecReadExact(f, palette, 768);
    }
    default:
        return kCodecOk;
    }
}

// Fills out with n decoded bytes; a run left over carries into the next call.
class RunDecoder {
  public:
    explicit RunDecoder(CodecFile* f) : src_(f) {}
    bool Fill(uint8_t* out, int32_t n) {
        while (n > 0) {
            if (count_ == 0) {
                int c = src_.Byte();
                if (c < 0) return false;
                if ((c & 0xC0) == 0xC0) {
                    count_ = c & 0x3F;
                    int v = src_.Byte();
                    if (v < 0) return false;
                    value_ = uint8_t(v);
                    continue;
                }
                *out++ = uint8_t(c);
                --n;
                continue;
            }
            int32_t take = count_ < n ? count_ : n;
            std::memset(out, value_, size_t(take));
            out += take;
            n -= take;
            count_ -= take;
        }
        return true;
    }
    bool Sync() { return src_.Sync(); }

  private:
    CodecByteSource src_;
    int32_t count_ = 0;
    uint8_t value_ = 0;
};

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    const PcxState* s = CodecPrivate<PcxState>(h);
    if (CodecSeek(f, 128, kCodecSeekSet) != 128) return kCodecErrRead;
    const int32_t width = h->width, stride = CodecStride(width, h->bpp);
    const int32_t bpl = s->lineBytes, planes = s->planes;
    std::vector<uint8_t> line(size_t(planes) * size_t(bpl)); // at most 4 x 65535 bytes
    RunDecoder rle(f);
    // Bytes of one plane line that hold pixels of a packed (one-plane) row.
    const int32_t packed = int32_t((int64_t(width) * s->bits + 7) / 8);
    for (int32_t y = 0; y < h->height; ++y) {
        if (!rle.Fill(line.data(), planes * bpl)) return kCodecErrRead;
        uint8_t* row = FormatRow(pixels, h, h->height - 1 - y);
        std::memset(row, 0, size_t(stride));
        if (planes == 1) {
            std::memcpy(row, line.data(), size_t(packed < bpl ? packed : bpl));
            if (h->bpp == 1 && (width & 7) && packed <= bpl)
                row[packed - 1] &= uint8_t(0xFF << (8 - (width & 7)));
        } else if (planes == 4) {
            // Plane k gives bit k of each 4-bit pixel.
            const int32_t n = width < bpl * 8 ? width : bpl * 8;
            for (int32_t x = 0; x < n; ++x) {
                const int shift = 7 - (x & 7);
                int v = 0;
                for (int k = 0; k < 4; ++k)
                    v |= ((line[size_t(k * bpl + (x >> 3))] >> shift) & 1) << k;
                row[x >> 1] |= uint8_t((x & 1) ? v : v << 4);
            }
        } else {
            const int32_t n = width < bpl ? width : bpl;
            const uint8_t *r = line.data(), *g = r + bpl, *b = g + bpl;
            for (int32_t x = 0; x < n; ++x) {
                row[3 * x] = b[x];
                row[3 * x + 1] = g[x];
                row[3 * x + 2] = r[x];
            }
        }
    }
    return rle.Sync() ? kCodecOk : kCodecErrRead;
}

const char* ErrorText(int code) {
    switch (code) {
    case kPcxErrVersion:
        return "version number not 4 or 5";
    case kPcxErrEncoding:
        return "encoding mode not 1";
    case kPcxErrPlanes:
        return "unsupported bpp/plane / plane combination";
    case kPcxErrTrailer:
        return "corrupt file trailer";
    default:
        return nullptr;
    }
}

} // namespace

const CodecReader kPcxReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
