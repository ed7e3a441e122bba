// GEM raster (IMG) reader: monochrome and 2- to 8-plane images, with the
// colour table of an "XIMG" header when there is one.
//
// File layout (16-bit big-endian words):
//   0 version (1), 1 header length in words (8 or more), 2 planes,
//   3 pattern length in bytes, 4-5 pixel size in micrometres, 6 width, 7 height
//   [8 "XIMG", 10 colour model (0 = RGB), 11.. per colour three words 0-1000]
//   then scan lines, top first, each the planes' lines of (width + 7) / 8 bytes
//   one after another, made of items:
//     0 0 FF n     the next scan line appears n times
//     0 n <pattern>  the pattern (pattern-length bytes) n times
//     80 n <bytes>   n bytes as they are
//     1nnnnnnn       n bytes of FF        0nnnnnnn (n > 0)  n bytes of 00
#include "imaging/formats/format_util.h"

#include <cstring>
#include <vector>

namespace {

enum : int {
    kGemErrVersion = 1702,
    kGemErrHeaderLength = 1703,
    kGemErrPlanes = 1704,
    kGemErrColourPlanes = 1706,
    kGemErrPaletteType = 1707,
};

struct GemState {
    int64_t dataOffset;
    int32_t planes;
    int32_t patternLength;
    int32_t hasColours;
    uint8_t colours[256 * 3];
};

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char*) {
    GemState* s = CodecPrivate<GemState>(h);
    std::memset(s, 0, sizeof *s);
    const int64_t length = FormatFileLength(f);
    uint8_t b[16];
    if (length < 0 || CodecReadExact(f, b, 16)) return kCodecErrRead;
    if (LoadBE16(b) != 1) return kGemErrVersion;
    const uint32_t words = LoadBE16(b + 2);
    if (words < 8) return kGemErrHeaderLength;
    s->planes = int32_t(LoadBE16(b + 4));
    s->patternLength = int32_t(LoadBE16(b + 6));
    const int32_t width = int32_t(LoadBE16(b + 12)), height = int32_t(LoadBE16(b + 14));
    if (s->planes == 24) return kCodecErrNotSupported;
    if (s->planes < 1 || s->planes > 8) return kGemErrPlanes;
    s->dataOffset = 2 * int64_t(words);
    if (words >= 11) {
        uint8_t x[6];
        if (CodecReadExact(f, x, 6)) return kCodecErrRead;
        if (std::memcmp(x, "XIMG", 4) == 0) {
            if (LoadBE16(x + 4) != 0) return kGemErrPaletteType;
            if (s->planes != 1 && s->planes != 3 && s->planes != 4) return kGemErrColourPlanes;
            const int32_t n = 1 << s->planes;
            if (words < 11 + 3 * uint32_t(n)) return kGemErrHeaderLength;
            std::vector<uint8_t> raw(size_t(6 * n));
            if (CodecReadExact(f, raw.data(), 6 * n)) return kCodecErrRead;
            for (int32_t i = 0; i < 3 * n; ++i) {
                const uint32_t v = LoadBE16(&raw[size_t(2 * i)]);
                s->colours[i] = uint8_t((v > 1000 ? 1000 : v) * 255 / 1000);
            }
            s->hasColours = 1;
        }
    }
    const int32_t bpp = s->planes == 1 ? 1 : s->planes <= 4 ? 4 : 8;
    if (width == 0 || height == 0 || !FormatSizeFits(width, height, bpp)) return kCodecErrBadSize;
    // A stored byte makes at most 255 bytes of a line (a solid run 127, a
    // pattern run at most 255 copies), and one line is repeated at most 255
    // times: a file too short for its size is refused before anything is
    // allocated for it.
    const int64_t lineBytes = int64_t(s->planes) * ((width + 7) / 8);
    const int64_t needed = (int64_t(height) + 254) / 255 * ((lineBytes + 254) / 255);
    if (s->dataOffset >= length || needed > length - s->dataOffset) return kCodecErrRead;
    h->width = width;
    h->height = height;
    h->bpp = bpp;
    return kCodecOk;
}

int ReadPalette(CodecFile*, CodecHeader* h, uint8_t* palette) {
    const GemState* s = CodecPrivate<GemState>(h);
    const int n = 1 << s->planes;
    if (s->hasColours) {
        std::memcpy(palette, s->colours, size_t(3 * n));
        return kCodecOk;
    }
    // Without a colour table, index 0 is white and the last index black
    // (ink on paper), the others grey in between.
    for (int i = 0; i < n; ++i)
        std::memset(palette + 3 * i, 255 - i * 255 / (n - 1), 3);
    return kCodecOk;
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    const GemState* s = CodecPrivate<GemState>(h);
    if (CodecSeek(f, s->dataOffset, kCodecSeekSet) != s->dataOffset) return kCodecErrRead;
    CodecByteSource src(f);
    const int32_t bpl = (h->width + 7) / 8, planes = s->planes;
    const size_t lineBytes = size_t(planes) * size_t(bpl);
    std::vector<uint8_t> line(lineBytes), pattern(size_t(s->patternLength));
    const int32_t stride = CodecStride(h->width, h->bpp);
    int32_t y = 0;
    while (y < h->height) {
        int32_t copies = 1;
        size_t at = 0;
        auto put = [&](uint8_t v) {
            if (at < lineBytes) line[at] = v;
            ++at;
        };
        while (at < lineBytes) {
            int c = src.Byte();
            if (c < 0) return kCodecErrRead;
            if (c == 0) {
                int n = src.Byte();
                if (n < 0) return kCodecErrRead;
                if (n == 0) {
                    int ff = src.Byte(), count = src.Byte();
                    if (count < 0) return kCodecErrRead;
                    if (ff == 0xFF && at == 0) copies = count;
                    continue;
                }
                if (s->patternLength && !src.Read(pattern.data(), s->patternLength))
                    return kCodecErrRead;
                // The line may end inside the pattern: the rest is not copied,
                // so a long pattern cannot keep the reader busy.
                for (int i = 0; i < n && at < lineBytes; ++i)
                    for (size_t k = 0; k < pattern.size() && at < lineBytes; ++k)
                        put(pattern[k]);
            } else if (c == 0x80) {
                int n = src.Byte();
                if (n < 0) return kCodecErrRead;
                for (int i = 0; i < n; ++i) {
                    int v = src.Byte();
                    if (v < 0) return kCodecErrRead;
                    put(uint8_t(v));
                }
            } else {
                for (int i = 0; i < (c & 0x7F); ++i)
                    put(c & 0x80 ? 0xFF : 0x00);
            }
        }
        for (; copies > 0 && y < h->height; --copies, ++y) {
            uint8_t* row = FormatRow(pixels, h, h->height - 1 - y);
            std::memset(row, 0, size_t(stride));
            if (planes == 1) {
                std::memcpy(row, line.data(), size_t(bpl));
                if (h->width & 7) row[bpl - 1] &= uint8_t(0xFF << (8 - (h->width & 7)));
                continue;
            }
            for (int32_t x = 0; x < h->width; ++x) {
                int v = 0;
                for (int p = 0; p < planes; ++p)
                    v |= ((line[size_t(p) * size_t(bpl) + size_t(x >> 3)] >> (7 - (x & 7))) & 1)
                         << p;
                if (h->bpp == 4)
                    row[x >> 1] |= uint8_t((x & 1) ? v : v << 4);
                else
                    row[x] = uint8_t(v);
            }
        }
    }
    return src.Sync() ? kCodecOk : kCodecErrRead;
}

const char* ErrorText(int code) {
    static const char* const kTexts[] = {
        "not GEM Raster, probably green channel of an Intel DVI image",
        "not GEM Raster, probably IMDS image",
        "version number not 1",
        "header length must be 8 words or more",
        "number of planes not in range 1 to 8, or 24",
        "flag not 0 or 1",
        "number of planes in colour image must be 1,3 or 4",
        "palette type not 0 in XIMG header",
    };
    if (code < 1700 || code > 1707) return nullptr;
    return kTexts[code - 1700];
}

} // namespace

const CodecReader kGemRasReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
