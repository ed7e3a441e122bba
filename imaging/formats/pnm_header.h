// The header shared by the binary netpbm formats (P5 greymap, P6 pixmap):
//   "P5" | "P6", then width, height and maximum value as decimal numbers
//   separated by white space, where "#" starts a comment running to the end of
//   its line; one white-space byte; then the raster, rows top first, one byte
//   per sample (maximum value 1-255), P6 samples red, green, blue.
#pragma once

#include "imaging/formats/format_util.h"

struct PnmHeader {
    int64_t width, height, maxval;
    int64_t rasterOffset;
};

namespace pnm_detail {
inline bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads one number after white space and comments; -1 when there is none,
// -2 when it is negative or has more than 9 digits.
inline int64_t Number(CodecByteSource& src, int* after) {
    int c = src.Byte();
    for (;;) {
        while (IsSpace(c))
            c = src.Byte();
        if (c != '#') break;
        while (c >= 0 && c != '\n' && c != '\r')
            c = src.Byte();
    }
    if (c == '-') return -2; // a negative size
    if (c < '0' || c > '9') return -1;
    int64_t v = 0;
    int digits = 0;
    for (; c >= '0' && c <= '9'; c = src.Byte())
        if (++digits > 9)
            return -2;
        else
            v = v * 10 + (c - '0');
    *after = c;
    return v;
}
} // namespace pnm_detail

// Reads the header of a file whose second magic byte must be kind ('5' or '6').
// 0; 5 bad magic; 6 bad size; 7 short file (raster included); badMaxval for a
// maximum value outside 1-255.
inline int ReadPnmHeader(CodecFile* f, char kind, int badMaxval, PnmHeader* out) {
    const int64_t length = FormatFileLength(f);
    if (length < 0) return kCodecErrRead;
    CodecByteSource src(f);
    if (src.Byte() != 'P' || src.Byte() != kind) return kCodecErrBadMagic;
    int after = 0;
    out->width = pnm_detail::Number(src, &after);
    out->height = after >= 0 && pnm_detail::IsSpace(after) ? pnm_detail::Number(src, &after) : -1;
    if (out->width == -2 || out->height == -2) return kCodecErrBadSize;
    if (out->width < 0 || out->height < 0 || !pnm_detail::IsSpace(after)) return kCodecErrRead;
    out->maxval = pnm_detail::Number(src, &after);
    if (out->maxval == -1 || !pnm_detail::IsSpace(after)) return kCodecErrRead;
    if (out->maxval < 1 || out->maxval > 255) return badMaxval;
    out->rasterOffset = src.Position();
    const int64_t samples = kind == '6' ? 3 : 1;
    if (!FormatSizeFits(out->width, out->height, kind == '6' ? 24 : 8)) return kCodecErrBadSize;
    if (out->width * out->height * samples > length - out->rasterOffset) return kCodecErrRead;
    return kCodecOk;
}

// What the greymap and pixmap readers keep between their calls.
struct PnmState {
    int64_t rasterOffset;
    int32_t maxval;
};

// The readers' header step: reads the header, fills h (8 bits for P5, 24 for
// P6) and keeps the state in its private area.  Codes as ReadPnmHeader.
inline int ReadPnmInto(CodecFile* f, char kind, int badMaxval, CodecHeader* h) {
    PnmHeader p;
    if (int rc = ReadPnmHeader(f, kind, badMaxval, &p)) return rc;
    PnmState* s = CodecPrivate<PnmState>(h);
    s->rasterOffset = p.rasterOffset;
    s->maxval = int32_t(p.maxval);
    h->width = int32_t(p.width);
    h->height = int32_t(p.height);
    h->bpp = kind == '6' ? 24 : 8;
    return kCodecOk;
}
