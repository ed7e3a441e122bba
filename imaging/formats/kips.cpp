// KIPS reader: IBM KIPS 8-bit pictures, whose colours live in a palette file
// beside the picture.
//
// Picture (.KPS) layout (16-bit little-endian words):
//   0  "DFIMAG00"    8 bytes
//   8  height        (rows; height comes before width)
//   10 width         (pixels)
//   12 further header words, not needed to show the picture, up to byte 32
//   32 rows, top first, one byte (a palette index) a pixel, no padding.
// Palette file, same name with the extension KPL (tried first) or PAL, in the
// case of the picture's own extension first, then the other case:
//   .KPL  "DFIMAG00" and the rest of a 32-byte header like the picture's, then
//         the entries as below;
//   .PAL  no header, the entries from byte 0.
//   Entries: up to 256 triples red, green, blue, 0-255.  A file holding fewer
//   whole triples gives those entries (the rest stay as the caller cleared
//   them); one without a single whole triple is refused as truncated.
// A name without an extension gets the palette extension appended.
#include "imaging/formats/format_util.h"

#include <cstring>
#include <string>

#include "common/byte_io.h"

namespace {

constexpr int kKipsErrPaletteFile = 1800;
constexpr int32_t kKipsHeaderSize = 32;

struct KipsState {
    int32_t entries;
    uint8_t palette[256 * 3];
};

// Where the extension of name starts, or npos.
size_t ExtensionStart(const std::string& name) {
    const char* ext = CodecFindExtension(name.c_str());
    return ext ? size_t(ext - name.c_str()) : std::string::npos;
}

// The palette file names to try, in order.
int CandidateNames(const char* fileName, std::string out[4]) {
    std::string base = fileName;
    bool lower = false;
    const size_t ext = ExtensionStart(base);
    if (ext != std::string::npos) {
        for (size_t i = ext; i < base.size(); ++i)
            if (base[i] >= 'a' && base[i] <= 'z') lower = true;
        base.erase(ext);
    } else {
        base += '.';
    }
    const char* first[2] = {lower ? "kpl" : "KPL", lower ? "pal" : "PAL"};
    const char* second[2] = {lower ? "KPL" : "kpl", lower ? "PAL" : "pal"};
    out[0] = base + first[0];
    out[1] = base + first[1];
    out[2] = base + second[0];
    out[3] = base + second[1];
    return 4;
}

// Reads the entries of an open palette file; isKpl tells the layout.
int ReadEntries(CodecFile* p, bool isKpl, KipsState* s) {
    uint8_t buf[kKipsHeaderSize + 256 * 3];
    int32_t got = 0;
    while (got < int32_t(sizeof buf)) {
        const int32_t n = CodecReadSome(p, buf + got, int32_t(sizeof buf) - got);
        if (n <= 0) break;
        got += n;
    }
    int32_t at = 0;
    if (isKpl) {
        if (got < kKipsHeaderSize) return kCodecErrRead;
        if (std::memcmp(buf, "DFIMAG00", 8) != 0) return kCodecErrBadMagic;
        at = kKipsHeaderSize;
    }
    s->entries = (got - at) / 3 < 256 ? (got - at) / 3 : 256;
    if (s->entries <= 0) return kCodecErrRead;
    std::memcpy(s->palette, buf + at, size_t(3 * s->entries));
    return kCodecOk;
}

int LoadPalette(const char* fileName, const CodecIo* io, KipsState* s) {
    std::string names[4];
    const int n = CandidateNames(fileName, names);
    for (int i = 0; i < n; ++i) {
        CodecFile p;
        if (!codec_open(&p, io, names[i].c_str())) continue;
        const size_t ext = ExtensionStart(names[i]);
        const bool isKpl = names[i][ext] == 'k' || names[i][ext] == 'K';
        const int rc = ReadEntries(&p, isKpl, s);
        codec_close(&p);
        return rc;
    }
    return kKipsErrPaletteFile;
}

int ReadHeader(const char* fileName, CodecFile* f, CodecHeader* h, const char*) {
    KipsState* s = CodecPrivate<KipsState>(h);
    std::memset(s, 0, sizeof *s);
    const int64_t length = FormatFileLength(f);
    uint8_t b[kKipsHeaderSize];
    if (length < 0 || CodecReadExact(f, b, kKipsHeaderSize)) return kCodecErrRead;
    if (std::memcmp(b, "DFIMAG00", 8) != 0) return kCodecErrBadMagic;
    const int32_t height = LoadLE16(b + 8), width = LoadLE16(b + 10);
    if (width == 0 || height == 0 || !FormatSizeFits(width, height, 8)) return kCodecErrBadSize;
    // Refused before anything is allocated: every row must be in the file.
    if (length - kKipsHeaderSize < int64_t(width) * height) return kCodecErrRead;
    if (int rc = LoadPalette(fileName, f->io, s)) return rc;
    h->width = width;
    h->height = height;
    h->bpp = 8;
    return kCodecOk;
}

int ReadPalette(CodecFile*, CodecHeader* h, uint8_t* palette) {
    const KipsState* s = CodecPrivate<KipsState>(h);
    std::memcpy(palette, s->palette, size_t(3 * s->entries));
    return kCodecOk;
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    return FormatReadTopDownBytes(f, h, pixels, kKipsHeaderSize);
}

const char* ErrorText(int code) {
    return code == kKipsErrPaletteFile ? "can't open complementary palette file" : nullptr;
}

} // namespace

const CodecReader kKipsReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
