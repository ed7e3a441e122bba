// YUV12C, KIPS, IAX, PSEG and Portrait readers.  No tool decodes these, so
// every file is built here byte by byte and the delivered buffers (bottom-up
// rows, padding, blue-green-red order, palettes) are checked exactly, with the
// expected colours worked out by hand from the formats' definitions.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "imaging/codec.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Several named files in memory, each open handle with its own position, so a
// reader can open a companion file beside the picture.
class FileSet {
  public:
    std::map<std::string, Bytes> files;
    std::vector<std::string> opened;

    FileSet() { io_ = {Open, Create, Close, Seek, Read, Write, this}; }
    const CodecIo* io() const { return &io_; }

  private:
    struct Handle {
        const Bytes* data;
        int64_t pos;
    };
    static FileSet* Self(void* ctx) { return static_cast<FileSet*>(ctx); }
    static int64_t Open(void* ctx, const char* name, int flags) {
        FileSet* s = Self(ctx);
        s->opened.push_back(name);
        auto it = s->files.find(name);
        if (flags != kCodecOpenRead || it == s->files.end()) return -1;
        s->handles_.push_back({&it->second, 0});
        return int64_t(s->handles_.size() - 1);
    }
    static int64_t Create(void*, const char*) { return -1; }
    static void Close(void*, int64_t) {}
    static int64_t Seek(void* ctx, int64_t fd, int64_t offset, int origin) {
        Handle& h = Self(ctx)->handles_.at(size_t(fd));
        const int64_t base = origin == kCodecSeekSet   ? 0
                             : origin == kCodecSeekCur ? h.pos
                                                       : int64_t(h.data->size());
        return base + offset < 0 ? -1 : (h.pos = base + offset);
    }
    static int32_t Read(void* ctx, int64_t fd, void* buf, int32_t count) {
        Handle& h = Self(ctx)->handles_.at(size_t(fd));
        const int64_t left = int64_t(h.data->size()) - h.pos;
        const int32_t n = left <= 0 ? 0 : left < count ? int32_t(left) : count;
        if (n > 0) std::memcpy(buf, h.data->data() + h.pos, size_t(n));
        h.pos += n;
        return n;
    }
    static int32_t Write(void*, int64_t, const void*, int32_t) { return -1; }
    CodecIo io_{};
    std::vector<Handle> handles_;
};

// What a reader delivered: the first failing call's code, the header, the
// whole palette buffer and the pixel buffer exactly as the header sized it.
struct Decoded {
    int rc = -1;
    CodecHeader header{};
    Bytes palette, pixels;
    const uint8_t* Row(int y) const {
        return pixels.data() + size_t(y) * size_t(CodecStride(header.width, header.bpp));
    }
};

Decoded Decode(int format, const CodecIo* io, const char* name, const char* options = "") {
    Decoded d;
    CodecFile f;
    if (!codec_open(&f, io, name)) return d;
    d.rc = codec_read_header(name, &f, format, &d.header, options);
    const CodecHeader& h = d.header;
    if (d.rc == 0) {
        d.palette.assign(size_t(3) << (h.bpp <= 8 ? h.bpp : 0), 0);
        if (h.bpp <= 8) d.rc = codec_read_palette(&f, format, &d.header, d.palette.data());
    }
    if (d.rc == 0) {
        d.pixels.assign(size_t(CodecStride(h.width, h.bpp)) * size_t(h.height), 0xEE);
        d.rc = codec_read_data(&f, format, &d.header, d.pixels.data());
    }
    codec_close(&f);
    return d;
}

Decoded Decode(int format, const Bytes& bytes, const char* options = "") {
    FileSet set;
    set.files["picture"] = bytes;
    return Decode(format, set.io(), "picture", options);
}

// A file that claims `length` bytes of zeros without holding them: a reader
// must refuse the sizes this implies from the header, before any buffer exists.
struct HugeFile {
    Bytes head;
    int64_t length;
    int64_t pos = 0;
};
int HeaderOfHugeFile(int format, HugeFile* hf, const char* options = "") {
    CodecIo io = {
        [](void*, const char*, int) -> int64_t { return 0; },
        [](void*, const char*) -> int64_t { return -1; },
        [](void*, int64_t) {},
        [](void* ctx, int64_t, int64_t offset, int origin) -> int64_t {
            auto* h = static_cast<HugeFile*>(ctx);
            const int64_t base = origin == kCodecSeekSet   ? 0
                                 : origin == kCodecSeekCur ? h->pos
                                                           : h->length;
            return h->pos = base + offset;
        },
        [](void* ctx, int64_t, void* buf, int32_t count) -> int32_t {
            auto* h = static_cast<HugeFile*>(ctx);
            auto* out = static_cast<uint8_t*>(buf);
            int32_t n = 0;
            for (; n < count && h->pos < h->length; ++n, ++h->pos)
                out[n] = size_t(h->pos) < h->head.size() ? h->head[size_t(h->pos)] : 0;
            return n;
        },
        [](void*, int64_t, const void*, int32_t) -> int32_t { return -1; },
        hf,
    };
    CodecFile f;
    codec_open(&f, &io, "huge");
    CodecHeader h{};
    return codec_read_header("huge", &f, format, &h, options);
}

void Le16(Bytes& b, int v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Be16(Bytes& b, int v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}

// ---- IAX ----

TEST(IaxReader, RowsOfTheWidthGivenTopFirstWithAGreyRamp) {
    Bytes file(512 * 3);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = uint8_t(i / 512 * 100 + i % 512 % 7);
    Decoded d = Decode(kFormatIax, file); // 512 wide when no width is given
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.header.width, 512);
    EXPECT_EQ(d.header.height, 3);
    EXPECT_EQ(d.header.bpp, 8);
    EXPECT_EQ(d.Row(0)[0], 200); // the file's last row is the buffer's first
    EXPECT_EQ(d.Row(2)[6], 6);
    for (int i = 0; i < 256; i += 51)
        EXPECT_EQ(d.palette[3 * i] + d.palette[3 * i + 1] + d.palette[3 * i + 2], 3 * i);

    const Bytes five = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    d = Decode(kFormatIax, five, "fixrec,width=5");
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.header.height, 3);
    EXPECT_EQ(Bytes(d.Row(0), d.Row(0) + 8), (Bytes{11, 12, 13, 14, 15, 0, 0, 0}));
}

TEST(IaxReader, LengthsAndWidthsThatDoNotFit) {
    EXPECT_EQ(Decode(kFormatIax, Bytes(16), "width=5").rc, 1500);
    EXPECT_EQ(Decode(kFormatIax, Bytes(100)).rc, 1500); // not a multiple of 512
    EXPECT_EQ(Decode(kFormatIax, Bytes(10), "width=0").rc, 3);
    EXPECT_EQ(Decode(kFormatIax, Bytes(10), "width=-5").rc, 3);
    EXPECT_EQ(Decode(kFormatIax, Bytes()).rc, 6);
    HugeFile huge{{}, int64_t(1) << 33};
    EXPECT_EQ(HeaderOfHugeFile(kFormatIax, &huge, "width=1"), 6);
    EXPECT_STREQ(codec_error_text(1500), "file length is not a multiple of its width");
}

// ---- YUV12C ----

Bytes VidFile(int width, int height, const Bytes& rows) {
    Bytes b = {'Y', 'U', 'V', '1', '2', 'C', 0, 0};
    Le16(b, 7);
    Le16(b, 9);
    Le16(b, width);
    Le16(b, height);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

TEST(Yuv12cReader, BlocksOfFourPixelsConvertWithTheAdaptersCoefficients) {
    // Top row: Y 0x20 0x64 0xC8 0xFE sharing U -74, V 106 (every bit position of
    // U and V set somewhere); bottom row: grey Y 100 with U = V = 0.
    const Bytes top = {0x0e, 0x92, 0x6c, 0x64, 0xfe, 0x8a};
    const Bytes grey = {0x40, 0x06, 0x06, 0x64, 0x64, 0x40};
    Bytes rows = top;
    rows.insert(rows.end(), grey.begin(), grey.end());
    Decoded d = Decode(kFormatYuv12c, VidFile(4, 2, rows));
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.header.width, 4);
    EXPECT_EQ(d.header.height, 2);
    EXPECT_EQ(d.header.bpp, 24);
    EXPECT_EQ(Bytes(d.Row(0), d.Row(0) + 12), Bytes(12, 100));
    // Blue, green, red; the last two clamp red at 255.
    EXPECT_EQ(Bytes(d.Row(1), d.Row(1) + 12),
              (Bytes{0, 0, 181, 0, 49, 249, 68, 149, 255, 122, 203, 255}));
    // Y 0 with V -128 clamps red at 0 while green comes out of the unclamped red.
    const Bytes dark = {0x00, 0x20, 0x00, 0x00, 0x00, 0x00};
    d = Decode(kFormatYuv12c, VidFile(4, 1, dark));
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(Bytes(d.Row(0), d.Row(0) + 3), (Bytes{0, 91, 0}));
}

TEST(Yuv12cReader, RefusesBadHeadersAndShortFiles) {
    Bytes good = VidFile(8, 2, Bytes(24, 0x40));
    EXPECT_EQ(Decode(kFormatYuv12c, good).rc, 0);
    good.push_back(0); // bytes after the rows are left alone
    EXPECT_EQ(Decode(kFormatYuv12c, good).rc, 0);
    Bytes magic = good;
    magic[5] = 'D';
    EXPECT_EQ(Decode(kFormatYuv12c, magic).rc, 5);
    EXPECT_EQ(Decode(kFormatYuv12c, VidFile(6, 2, Bytes(24))).rc, 1000);
    EXPECT_EQ(Decode(kFormatYuv12c, VidFile(0, 2, Bytes(24))).rc, 6);
    EXPECT_EQ(Decode(kFormatYuv12c, VidFile(8, 0, Bytes(24))).rc, 6);
    EXPECT_EQ(Decode(kFormatYuv12c, VidFile(8, 2, Bytes(23))).rc, 7);
    EXPECT_EQ(Decode(kFormatYuv12c, Bytes(good.begin(), good.begin() + 10)).rc, 7);
    // 4000 x 4000 would need 48 MB of pixels: refused on the file's length alone.
    EXPECT_EQ(Decode(kFormatYuv12c, VidFile(4000, 4000, Bytes(6))).rc, 7);
    EXPECT_EQ(Decode(kFormatYuv12c, VidFile(65532, 65535, Bytes(6))).rc, 6);
    EXPECT_STREQ(codec_error_text(1000), "width not a multiple of 4 pixels");
}

// ---- KIPS ----

Bytes KpsFile(int width, int height, const Bytes& pixels) {
    Bytes b = {'D', 'F', 'I', 'M', 'A', 'G', '0', '0'};
    Le16(b, height); // height comes first
    Le16(b, width);
    b.resize(32, 0);
    b[12] = 1;
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

TEST(KipsReader, PixelsWithThePaletteOfTheCompanionFile) {
    FileSet set;
    set.files["pic.kps"] = KpsFile(3, 2, {1, 2, 3, 4, 5, 6});
    Bytes kpl = KpsFile(256, 3, {});
    kpl.insert(kpl.end(), {10, 20, 30, 40, 50, 60});
    set.files["pic.kpl"] = kpl;
    set.files["pic.pal"] = {99, 99, 99};
    Decoded d = Decode(kFormatKips, set.io(), "pic.kps");
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.header.width, 3);
    EXPECT_EQ(d.header.height, 2);
    EXPECT_EQ(Bytes(d.Row(0), d.Row(0) + 4), (Bytes{4, 5, 6, 0}));
    EXPECT_EQ(Bytes(d.Row(1), d.Row(1) + 4), (Bytes{1, 2, 3, 0}));
    // Two whole triples give two entries; the rest stay as the caller cleared them.
    EXPECT_EQ(Bytes(d.palette.begin(), d.palette.begin() + 9),
              (Bytes{10, 20, 30, 40, 50, 60, 0, 0, 0}));

    // Upper-case names look for upper-case companions first; a .PAL has no header.
    FileSet upper;
    upper.files["DIR.D/PIC.KPS"] = KpsFile(1, 1, {2});
    Bytes pal(3 * 300, 7); // more than 256 entries: the rest is not read
    pal[6] = 200;
    upper.files["DIR.D/PIC.PAL"] = pal;
    d = Decode(kFormatKips, upper.io(), "DIR.D/PIC.KPS");
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.palette[6], 200);
    EXPECT_EQ(d.palette[3 * 255], 7);
    EXPECT_EQ(upper.opened,
              (std::vector<std::string>{"DIR.D/PIC.KPS", "DIR.D/PIC.KPL", "DIR.D/PIC.PAL"}));

    // A name without an extension gets the palette extension appended.
    FileSet bare;
    bare.files["fuzz"] = KpsFile(1, 1, {0});
    EXPECT_EQ(Decode(kFormatKips, bare.io(), "fuzz").rc, 1800);
    EXPECT_EQ(bare.opened,
              (std::vector<std::string>{"fuzz", "fuzz.KPL", "fuzz.PAL", "fuzz.kpl", "fuzz.pal"}));
    bare.files["fuzz.pal"] = {1, 2, 3};
    EXPECT_EQ(Decode(kFormatKips, bare.io(), "fuzz").rc, 0);
    EXPECT_STREQ(codec_error_text(1800), "can't open complementary palette file");
}

TEST(KipsReader, RefusesBadPicturesAndPaletteFiles) {
    auto withPalette = [](const Bytes& kps, const char* palName, const Bytes& pal) {
        FileSet set;
        set.files["a.kps"] = kps;
        if (palName) set.files[palName] = pal;
        return Decode(kFormatKips, set.io(), "a.kps").rc;
    };
    const Bytes pal(768, 1);
    EXPECT_EQ(withPalette(KpsFile(2, 2, Bytes(4)), "a.pal", pal), 0);
    EXPECT_EQ(withPalette(KpsFile(2, 2, Bytes(4)), nullptr, pal), 1800);
    EXPECT_EQ(withPalette(KpsFile(2, 2, Bytes(4)), "a.pal", {1, 2}), 7);
    EXPECT_EQ(withPalette(KpsFile(2, 2, Bytes(4)), "a.kpl", Bytes(40, 'x')), 5);
    EXPECT_EQ(withPalette(KpsFile(2, 2, Bytes(4)), "a.kpl", Bytes(20)), 7);
    EXPECT_EQ(withPalette(KpsFile(2, 2, Bytes(3)), "a.pal", pal), 7);
    EXPECT_EQ(withPalette(KpsFile(0, 2, Bytes(4)), "a.pal", pal), 6);
    EXPECT_EQ(withPalette(KpsFile(2, 0, Bytes(4)), "a.pal", pal), 6);
    Bytes magic = KpsFile(2, 2, Bytes(4));
    magic[0] = 'E';
    EXPECT_EQ(withPalette(magic, "a.pal", pal), 5);
    EXPECT_EQ(withPalette(Bytes(magic.begin(), magic.begin() + 20), "a.pal", pal), 7);
    // 65535 x 65535 from a 32-byte file: refused before the palette is looked for.
    EXPECT_EQ(withPalette(KpsFile(65535, 65535, {}), "a.pal", pal), 6);
    EXPECT_EQ(withPalette(KpsFile(8000, 8000, {}), "a.pal", pal), 7);
}

// ---- PSEG ----

enum : uint32_t {
    kBps = 0xD3A85F,
    kEps = 0xD3A95F,
    kBii = 0xD3A87B,
    kEii = 0xD3A97B,
    kIoc = 0xD3A77B,
    kIid = 0xD3A67B,
    kIcp = 0xD3AC7B,
    kIrd = 0xD3EE7B,
    kNop = 0xD3EEEE,
};

Bytes Rec(uint32_t id, const Bytes& data = {}, uint8_t flags = 0) {
    Bytes b = {0x5A};
    Be16(b, int(data.size()) + 8);
    b.insert(b.end(), {uint8_t(id >> 16), uint8_t(id >> 8), uint8_t(id), flags, 0, 0});
    b.insert(b.end(), data.begin(), data.end());
    return b;
}
Bytes Iid(int w, int h, int cellW = 0, int cellH = 0) {
    Bytes d = {0, 0, 9, 0x60, 9, 0x60, 0, 0, 0, 0, 0, 0, 0, 0};
    Be16(d, 2400);
    Be16(d, 2400);
    Be16(d, w);
    Be16(d, h);
    d.resize(28, 0);
    Be16(d, cellW);
    Be16(d, cellH);
    d.insert(d.end(), {0, 0, 0});
    return Rec(kIid, d);
}
Bytes Icp(int x, int y, int w, int h, int fw = 0xFFFF, int fh = 0xFFFF) {
    Bytes d;
    for (int v : {x, y, w, h, fw, fh})
        Be16(d, v);
    return Rec(kIcp, d);
}
Bytes Join(const std::vector<Bytes>& parts) {
    Bytes b;
    for (const auto& p : parts)
        b.insert(b.end(), p.begin(), p.end());
    return b;
}
// A segment of one image: begin records, the image's own records, end records.
Bytes Segment(const std::vector<Bytes>& body) {
    std::vector<Bytes> parts = {Rec(kBps, Bytes(8, 0x40)), Rec(kBii, Bytes(8, 0x40)),
                                Rec(kIoc, Bytes(24))};
    parts.insert(parts.end(), body.begin(), body.end());
    parts.push_back(Rec(kEii, Bytes(8, 0x40)));
    parts.push_back(Rec(kEps, Bytes(8, 0x40)));
    return Join(parts);
}
Bytes RowBytes(const Decoded& d, int y, int n) {
    return Bytes(d.Row(y), d.Row(y) + n);
}

TEST(PsegReader, WholeImageRasterIsOneBitTopRowFirst) {
    const Bytes file = Segment(
        {Iid(16, 2), Rec(kIrd, {0x80, 0x01}), Rec(kNop, {1, 2, 3}), Rec(kIrd, {0xF0, 0x0F, 0xAA})});
    Decoded d = Decode(kFormatPseg, file);
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.header.width, 16);
    EXPECT_EQ(d.header.height, 2);
    EXPECT_EQ(d.header.bpp, 1);
    EXPECT_EQ(d.palette, (Bytes{255, 255, 255, 0, 0, 0}));
    EXPECT_EQ(RowBytes(d, 1, 4), (Bytes{0x80, 0x01, 0, 0})); // the extra byte is not placed
    EXPECT_EQ(RowBytes(d, 0, 4), (Bytes{0xF0, 0x0F, 0, 0}));
    // A segment may also be a bare image object; extension and padding are skipped.
    const Bytes bare =
        Join({Rec(kBii), Iid(8, 1), Rec(kIrd, {3, 9, 9, 0x3C, 0xEE, 2}, 0x80 | 0x08), Rec(kEii)});
    d = Decode(kFormatPseg, bare);
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.Row(0)[0], 0x3C);
}

TEST(PsegReader, CellsArePlacedAndRepeatedOverTheirFillArea) {
    Bytes file = Segment({Iid(24, 4, 8, 2), Icp(8, 0, 0xFFFF, 0xFFFF), Rec(kIrd, {0x11, 0x22}),
                          Icp(16, 1, 8, 3), Rec(kIrd, {0xA1}), Rec(kIrd, {0xA2, 0xA3}),
                          Icp(0, 0, 8, 1, 8, 4), Rec(kIrd, {0x5A}), Icp(8, 2, 8, 1, 12, 2),
                          Rec(kIrd, {0x6B})});
    Decoded d = Decode(kFormatPseg, file);
    ASSERT_EQ(d.rc, 0);
    // Rows top to bottom: the first cell (default 8 x 2) at x 8, the second
    // (8 x 3) at x 16 from row 1, the third repeated down, the fourth repeated
    // across for 12 pels (half of the next byte) and down one row.
    EXPECT_EQ(RowBytes(d, 3, 3), (Bytes{0x5A, 0x11, 0x00}));
    EXPECT_EQ(RowBytes(d, 2, 3), (Bytes{0x5A, 0x22, 0xA1}));
    EXPECT_EQ(RowBytes(d, 1, 3), (Bytes{0x5A, 0x6B, 0x62}));
    EXPECT_EQ(RowBytes(d, 0, 3), (Bytes{0x5A, 0x6B, 0x63}));

    // One 8 x 1 cell filling a large image: the fill justifies its size.
    d = Decode(kFormatPseg,
               Segment({Iid(4096, 4096), Icp(0, 0, 8, 1, 4096, 4096), Rec(kIrd, {0xC3})}));
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.Row(0)[511], 0xC3);
    EXPECT_EQ(d.Row(4095)[0], 0xC3);
}

TEST(PsegReader, IndexPicksAnImageOfTheSegment) {
    const Bytes two = Join({Rec(kBps), Rec(kBii), Iid(8, 1), Rec(kIrd, {1}), Rec(kEii), Rec(kBii),
                            Iid(16, 1), Rec(kIrd, {2, 3}), Rec(kEii), Rec(kEps)});
    EXPECT_EQ(Decode(kFormatPseg, two, "index=0").header.width, 8);
    Decoded d = Decode(kFormatPseg, two, "index=1");
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(RowBytes(d, 0, 2), (Bytes{2, 3}));
    EXPECT_EQ(Decode(kFormatPseg, two, "index=2").rc, 3);
    EXPECT_EQ(Decode(kFormatPseg, two, "index=-1").rc, 3);
    const Bytes bare = Join({Rec(kBii), Iid(8, 1), Rec(kIrd, {1}), Rec(kEii)});
    EXPECT_EQ(Decode(kFormatPseg, bare, "index=1").rc, 3);
    EXPECT_EQ(Decode(kFormatPseg, Join({Rec(kBps), Rec(kNop), Rec(kEps)})).rc, 2);
}

TEST(PsegReader, FixrecFindsRecordsThatLostTheirIntroducer) {
    const std::vector<Bytes> records = {Rec(kBps),         Rec(kBii), Iid(8, 1),
                                        Rec(kIrd, {0x99}), Rec(kEii), Rec(kEps)};
    // Each record as a transfer may leave it: 0x5A lost, a 2-byte length before
    // it with or without 0x5A, a 4-byte record descriptor with or without it.
    const std::vector<std::pair<int, bool>> forms = {
        {0, false}, {2, true}, {2, false}, {4, true}, {4, false}};
    for (const auto& [prefix, keep5a] : forms) {
        Bytes file;
        for (const auto& r : records) {
            const Bytes body(r.begin() + (keep5a ? 0 : 1), r.end());
            Bytes lead;
            if (prefix) Be16(lead, int(body.size()) + prefix);
            lead.resize(size_t(prefix), 0);
            file.insert(file.end(), lead.begin(), lead.end());
            file.insert(file.end(), body.begin(), body.end());
        }
        EXPECT_EQ(Decode(kFormatPseg, file).rc, 1600) << prefix << keep5a;
        Decoded d = Decode(kFormatPseg, file, "fixrec");
        ASSERT_EQ(d.rc, 0) << prefix << keep5a;
        EXPECT_EQ(d.Row(0)[0], 0x99);
    }
    EXPECT_EQ(Decode(kFormatPseg, Bytes(20, 0x11), "fixrec").rc, 1601);
    // The image may end the file with its last record only 8 bytes long.
    Bytes bare;
    for (const auto& r : {Rec(kBii), Iid(8, 1), Rec(kIrd, {0x42}), Rec(kEii)})
        bare.insert(bare.end(), r.begin() + 1, r.end());
    EXPECT_EQ(Decode(kFormatPseg, bare, "fixrec").rc, 0);
}

TEST(PsegReader, EveryOwnErrorCode) {
    const Bytes ird = Rec(kIrd, {1, 2});
    const std::vector<std::pair<Bytes, int>> cases = {
        {Join({Rec(0xD3A8FB), Segment({Iid(8, 2), ird})}), 1601}, // an IOCA image begins
        {Segment({Iid(8, 2), Rec(0xD3A8FB), ird}), 1601},
        {Segment({Rec(kIid, Bytes(20)), ird}), 1601}, // too short for the sizes
        {Segment({Iid(16, 2), Icp(0, 0, 16, 2, 0, 0), Rec(kIcp, Bytes(6))}), 1601},
        {Segment({Iid(16, 2), Icp(0, 0, 8, 0)}), 1601},
        {Join({Bytes{0x5A, 0, 7, 0xD3, 0xA8, 0x5F, 0, 0, 0}}), 1601},
        {Join({Rec(kIrd, {0x80}, 0x80)}), 1601}, // extension longer than the data
        {Segment({ird, Iid(8, 2)}), 1602},
        {Segment({Icp(0, 0, 8, 2), Iid(8, 2)}), 1602},
        {Segment({}), 1602},
        {Segment({Iid(12, 2), ird}), 1603},
        {Segment({Iid(16, 2, 12, 2), ird}), 1604},
        {Segment({Iid(16, 2), Icp(0, 0, 12, 2), Rec(kIrd, Bytes(4))}), 1605},
        {Segment({Iid(16, 2, 0, 2), Icp(4, 0, 8, 2), ird}), 1606},
        {Segment({Iid(8, 2), ird, Iid(8, 2)}), 1607},
        {Join({Rec(kBps), Iid(8, 2)}), 1607},
        {Join({Rec(kBps), Rec(kEii)}), 1607},
        {Join({Rec(kBii), Rec(kBps)}), 1607},
        {Join({Rec(kBps), Rec(kBps)}), 1607},
        {Join({Rec(kEps)}), 1607},
        {Segment({Iid(8, 2), Rec(kBii)}), 1607},
    };
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(Decode(kFormatPseg, cases[i].first).rc, cases[i].second) << "case " << i;
    const char* texts[] = {
        "record in the PSEG file does not start with 0x5a (try fixrec option)",
        "bad/unknown record in PSEG file",
        "size record not seen before raster data or image cell position records",
        "width must be a multiple of 8",
        "default cell size must be a multiple of 8",
        "cell size must be a multiple of 8",
        "cell position must be a multiple of 8",
        "record found in an unexpected place",
    };
    for (int code = 1600; code <= 1607; ++code)
        EXPECT_STREQ(codec_error_text(code), texts[code - 1600]);
}

TEST(PsegReader, TruncatedOrIncompleteRasterIsRefusedBeforeAllocating) {
    const Bytes file = Segment({Iid(16, 2), Rec(kIrd, {1, 2, 3, 4})});
    const size_t endOfImage = file.size() - Rec(kEps, Bytes(8)).size();
    for (size_t n = 0; n < endOfImage; ++n)
        ASSERT_EQ(Decode(kFormatPseg, Bytes(file.begin(), file.begin() + long(n))).rc, 7) << n;
    EXPECT_EQ(Decode(kFormatPseg, Segment({Iid(16, 2), Rec(kIrd, {1, 2, 3})})).rc, 7);
    EXPECT_EQ(Decode(kFormatPseg, Segment({Iid(16, 2), Icp(0, 0, 8, 2), Rec(kIrd, {1})})).rc, 7);
    // Cells that cannot cover the image, and a huge image with one byte of raster.
    EXPECT_EQ(Decode(kFormatPseg, Segment({Iid(16, 2), Icp(0, 0, 8, 2), Rec(kIrd, {1, 2})})).rc, 7);
    EXPECT_EQ(Decode(kFormatPseg, Segment({Iid(32760, 32760), Rec(kIrd, {1})})).rc, 7);
    EXPECT_EQ(Decode(kFormatPseg, Segment({Iid(0, 4), Rec(kIrd, {1})})).rc, 6);
}

// ---- Portrait ----

TEST(PortraitReader, FixedSize512SquareOfRedGreenBlue) {
    Bytes file(512 * 512 * 3);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = uint8_t(i * 7 / 3);
    Decoded d = Decode(kFormatPortrait, file);
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.header.width, 512);
    EXPECT_EQ(d.header.height, 512);
    EXPECT_EQ(d.header.bpp, 24);
    const size_t bottom = file.size() - 512 * 3; // the file's last row is the buffer's first
    EXPECT_EQ(RowBytes(d, 0, 3), (Bytes{file[bottom + 2], file[bottom + 1], file[bottom]}));
    EXPECT_EQ(RowBytes(d, 511, 6), (Bytes{file[2], file[1], file[0], file[5], file[4], file[3]}));

    EXPECT_EQ(Decode(kFormatPortrait, Bytes(file.begin(), file.end() - 1)).rc, 1900);
    EXPECT_EQ(Decode(kFormatPortrait, Bytes(100)).rc, 1900);
    EXPECT_EQ(Decode(kFormatPortrait, Bytes()).rc, 1900);
    EXPECT_EQ(Decode(kFormatPortrait, Bytes(256 * 256 * 3)).rc, 1901);
    HugeFile huge{{}, int64_t(3) * 40000 * 40000};
    EXPECT_EQ(HeaderOfHugeFile(kFormatPortrait, &huge), 1901);
    EXPECT_STREQ(codec_error_text(1900), "file is not correct size");
    EXPECT_STREQ(codec_error_text(1901), "portrait files can only hold 512x512 images");
}

// ---- The generic path: the extension picks the row, the row reads the file ----

TEST(MinorFormats, ExtensionPicksTheRowThatReadsTheFile) {
    FileSet set;
    set.files["a.VID"] = VidFile(4, 1, Bytes(6, 0x40));
    set.files["b.kps"] = KpsFile(1, 1, {0});
    set.files["b.pal"] = {1, 2, 3};
    set.files["c.Iax"] = Bytes(1024);
    set.files["d.pse"] = Segment({Iid(8, 1), Rec(kIrd, {1})});
    set.files["e.PSEG3820"] = set.files["d.pse"];
    set.files["f.pseg38pp"] = set.files["d.pse"];
    set.files["g.PSEG"] = set.files["d.pse"];
    set.files["h.cvp"] = Bytes(512 * 512 * 3);
    const std::map<std::string, int> rows = {{"a.VID", 6},   {"b.kps", 9},       {"c.Iax", 10},
                                             {"d.pse", 13},  {"e.PSEG3820", 13}, {"f.pseg38pp", 13},
                                             {"g.PSEG", 13}, {"h.cvp", 15}};
    for (const auto& [name, row] : rows) {
        int index = -1;
        ASSERT_EQ(codec_guess(name.c_str(), &index), 0) << name;
        EXPECT_EQ(index, row) << name;
        EXPECT_EQ(Decode(index, set.io(), name.c_str()).rc, 0) << name;
    }
}

} // namespace
