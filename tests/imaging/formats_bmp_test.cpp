// Bitmap reader: the bmpsuite corpus against ImageMagick's decode, the OS/2
// header variants and the bitmap array, the 108- and 124-byte headers that
// today's tools write (built here and by ImageMagick, against netpbm), 1-bit
// palettes delivered in their stored order, and run-length files built here
// whose every code (runs, literals with padding, end of line, delta, end of
// bitmap) has a known outcome.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "common/byte_io.h"
#include "tests/imaging/formats_support.h"

namespace {

const std::string kSuite = "bmp/bmpsuite-2.8/";

FormatImage ImageMagick(const std::string& path, const std::string& key) {
    return OracleDecode("/usr/bin/convert " + ShellQuote(path) + " -depth 8 ppm:-", key);
}

// Writes a bitmap with the palette given (b, g, r, 0 each; b, g, r for the
// 12-byte OS/2 1.x header) and pixel data as given.  A Windows header longer
// than 40 bytes is filled with 0xEE after the 40-byte fields, as stand-ins for
// the masks, colour space and profile fields the reader must ignore.
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, int bits, uint32_t compression,
                             uint32_t colorsUsed, const std::vector<uint8_t>& palette,
                             const std::vector<uint8_t>& data, uint32_t headerSize = 40) {
    ByteWriter w;
    uint32_t offset = 14 + headerSize + uint32_t(palette.size());
    w.Text("BM");
    w.U32(offset + uint32_t(data.size()));
    w.U32(0);
    w.U32(offset);
    w.U32(headerSize);
    if (headerSize == 12) {
        w.U16(uint16_t(width));
        w.U16(uint16_t(height));
        w.U16(1);
        w.U16(uint16_t(bits));
    } else {
        w.U32(uint32_t(width));
        w.U32(uint32_t(height));
        w.U16(1);
        w.U16(uint16_t(bits));
        w.U32(compression);
        w.U32(uint32_t(data.size()));
        w.U32(2835);
        w.U32(2835);
        w.U32(colorsUsed);
        w.U32(0);
        for (uint32_t i = 40; i < headerSize; ++i)
            w.U8(0xEE);
    }
    w.Bytes(palette.data(), palette.size());
    w.Bytes(data.data(), data.size());
    return w.Data();
}

// The reader's own output, before any palette is applied.
struct RawImage {
    int rc = -1;
    CodecHeader header{};
    std::vector<uint8_t> palette, pixels;
};

RawImage DecodeRaw(const std::vector<uint8_t>& bytes) {
    RawImage r;
    CodecMemory mem;
    codec_memory_init(&mem, bytes.data(), bytes.size());
    CodecFile f;
    codec_open(&f, &mem.io, "memory");
    r.rc = codec_read_header("", &f, kFormatBitmap, &r.header, "");
    if (!r.rc && r.header.bpp <= 8) {
        r.palette.assign(size_t(3) << r.header.bpp, 0);
        r.rc = codec_read_palette(&f, kFormatBitmap, &r.header, r.palette.data());
    }
    if (!r.rc) {
        r.pixels.assign(size_t(CodecStride(r.header.width, r.header.bpp)) * size_t(r.header.height),
                        0xA5);
        r.rc = codec_read_data(&f, kFormatBitmap, &r.header, r.pixels.data());
    }
    codec_close(&f);
    return r;
}

FormatImage Bmptopnm(const std::string& path, const std::string& key) {
    return OracleDecode("/usr/bin/bmptopnm " + ShellQuote(path), key);
}

uint32_t HeaderSizeOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    uint8_t b[18] = {};
    in.read(reinterpret_cast<char*>(b), 18);
    return in ? LoadLE32(b + 14) : 0;
}

// Runs ImageMagick on the shared test picture with the given arguments, writing
// name into the build folder as the given output format ("BMP", "BMP3");
// returns its path or "".
std::string MakeWithImageMagick(const std::string& name, const std::string& args,
                                const std::string& format) {
    const std::string out = std::string(PLINTHAR_BINARY_DIR) + "/imaging-formats/bmp/" + name;
    return MakeWithTool("/usr/bin/convert " + ShellQuote(TestData("generated/src/rgb24.ppm")) +
                            " -resize 37x23! " + args + " " + format + ":@OUT@",
                        out);
}

// A gray palette of n entries: entry i is (i, i, i) scaled by 16.
std::vector<uint8_t> Grays(int n) {
    std::vector<uint8_t> p;
    for (int i = 0; i < n; ++i)
        p.insert(p.end(), {uint8_t(16 * i), uint8_t(16 * i), uint8_t(16 * i), 0});
    return p;
}

// The picture's indices, top row first, from the red channel of a gray palette.
std::vector<int> Indices(const FormatImage& img) {
    std::vector<int> v;
    for (size_t i = 0; i < img.rgb.size(); i += 3)
        v.push_back(img.rgb[i] / 16);
    return v;
}

// The suite's reference rendering of a picture (alpha left out).
FormatImage SuiteReference(const std::string& name) {
    return OracleDecode("/usr/bin/convert " +
                            ShellQuote(TestData(kSuite + "reference/" + name + ".png")) +
                            " -alpha off -depth 8 ppm:-",
                        "bmp-reference-" + name);
}

// 16-bit bit-field files of the good set and their reference pictures.
const std::map<std::string, std::string> kSixteenBitReference = {
    {"rgb16-565", "rgb16-565"}, {"rgb16-565pal", "rgb16-565"}, {"rgb16bfdef", "rgb16"}};

TEST(BmpSuite, GoodFilesMatchImageMagickOrFailWithTheirCode) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    // Depths 16 and 32 are read with colour masks (bit fields) only; without
    // them the reader says so with its code.
    const std::map<std::string, int> refused = {{"rgb16", 301}, {"rgb32", 301}};
    auto files = FilesIn(TestData(kSuite + "g"), ".bmp");
    ASSERT_EQ(files.size(), 27u);
    int decoded = 0;
    for (const auto& path : files) {
        std::string name = FileStem(path);
        FormatImage ours = DecodeFile(kFormatBitmap, path);
        auto it = refused.find(name);
        if (it != refused.end()) {
            EXPECT_EQ(ours.rc, it->second) << name;
            continue;
        }
        ASSERT_EQ(ours.rc, 0) << name << ": " << codec_error_text(ours.rc);
        // ImageMagick widens 5- and 6-bit colours its own way; the suite's
        // reference pictures of the 16-bit files hold the nearest levels.
        auto sixteen = kSixteenBitReference.find(name);
        FormatImage ref = sixteen == kSixteenBitReference.end()
                              ? ImageMagick(path, "bmp-g-" + name)
                              : SuiteReference(sixteen->second);
        ASSERT_EQ(ref.rc, 0) << name;
        EXPECT_EQ(ComparePixels(ours, ref), "") << name;
        ++decoded;
    }
    EXPECT_EQ(decoded, 25);
}

// Entries 0 and 1 of a 1-bit palette are delivered as stored and the bits as
// stored: exchanging the entries without also inverting every bit would show
// each 1-bit picture inverted.
TEST(BmpOneBit, PaletteAndBitsAreDeliveredAsStored) {
    // 12 x 2; rows are 4 bytes, stored bottom row first.
    const std::vector<uint8_t> bits = {0xA5, 0x30, 0, 0, 0x0F, 0xF0, 0, 0};
    for (uint32_t headerSize : {12u, 40u, 108u, 124u}) {
        const std::vector<uint8_t> pal = headerSize == 12
                                             ? std::vector<uint8_t>{0, 0, 0, 255, 255, 255}
                                             : std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 0};
        RawImage img = DecodeRaw(MakeBmp(12, 2, 1, 0, 2, pal, bits, headerSize));
        ASSERT_EQ(img.rc, 0) << headerSize << ": " << codec_error_text(img.rc);
        EXPECT_EQ(img.header.bpp, 1);
        EXPECT_EQ(img.palette, (std::vector<uint8_t>{0, 0, 0, 255, 255, 255})) << headerSize;
        EXPECT_EQ(img.pixels, bits) << headerSize;
    }
}

TEST(BmpOneBit, SuiteAndOs2FilesMatchNetpbm) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    // pal1wb stores (white, black): entry 0 stays white.
    FormatImage wb = DecodeFile(kFormatBitmap, TestData(kSuite + "g/pal1wb.bmp"));
    ASSERT_EQ(wb.rc, 0);
    EXPECT_EQ(wb.bpp, 1);
    EXPECT_EQ(wb.palette, (std::vector<uint8_t>{255, 255, 255, 0, 0, 0}));
    FormatImage bw = DecodeFile(kFormatBitmap, TestData(kSuite + "g/pal1.bmp"));
    ASSERT_EQ(bw.rc, 0);
    EXPECT_EQ(bw.palette, (std::vector<uint8_t>{0, 0, 0, 255, 255, 255}));
    // Same picture, opposite tables: the pixels agree.
    EXPECT_EQ(ComparePixels(wb, bw), "");
    for (const std::string& name :
         {kSuite + "g/pal1.bmp", kSuite + "g/pal1bg.bmp", kSuite + "g/pal1wb.bmp",
          std::string("generated/bmp/os2v1_1bpp.bmp"), std::string("generated/bmp/win_1bpp.bmp")}) {
        FormatImage ours = DecodeFile(kFormatBitmap, TestData(name));
        ASSERT_EQ(ours.rc, 0) << name << ": " << codec_error_text(ours.rc);
        EXPECT_EQ(ours.bpp, 1) << name;
        FormatImage ref = Bmptopnm(TestData(name), "bmp-1bit-" + FileStem(name));
        ASSERT_EQ(ref.rc, 0) << name;
        EXPECT_EQ(ComparePixels(ours, ref), "") << name;
    }
}

// The 108- and 124-byte headers hold the 40-byte fields first; the rest
// (masks, colour space, gamma, profile) is ignored and the palette follows the
// header.
TEST(BmpV4V5, LongHeadersReadTheFortyByteFields) {
    auto pal = Grays(16);
    pal[4 * 15] = 7; // entry 15 blue
    for (uint32_t hs : {108u, 124u}) {
        FormatImage img =
            DecodeBytes(kFormatBitmap, MakeBmp(4, 1, 8, 0, 16, pal, {15, 1, 2, 3}, hs));
        ASSERT_EQ(img.rc, 0) << hs << ": " << codec_error_text(img.rc);
        EXPECT_EQ(img.palette[3 * 15 + 2], 7) << hs;
        EXPECT_EQ(img.palette[3 * 16], 0) << hs; // colours used: 16
        EXPECT_EQ(Indices(img), (std::vector<int>{15, 1, 2, 3})) << hs;

        FormatImage down =
            DecodeBytes(kFormatBitmap, MakeBmp(1, -3, 8, 0, 16, Grays(16),
                                               {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}, hs));
        ASSERT_EQ(down.rc, 0) << hs;
        EXPECT_EQ(Indices(down), (std::vector<int>{1, 2, 3})) << hs;

        FormatImage rgb =
            DecodeBytes(kFormatBitmap, MakeBmp(1, 1, 24, 0, 0, {}, {10, 20, 30, 0}, hs));
        ASSERT_EQ(rgb.rc, 0) << hs;
        EXPECT_EQ(rgb.rgb, (std::vector<uint8_t>{30, 20, 10})) << hs;

        std::vector<uint8_t> rle = {4, 9, 0, 1};
        FormatImage rle8 = DecodeBytes(kFormatBitmap, MakeBmp(4, 1, 8, 1, 16, Grays(16), rle, hs));
        ASSERT_EQ(rle8.rc, 0) << hs;
        EXPECT_EQ(Indices(rle8), (std::vector<int>{9, 9, 9, 9})) << hs;

        // Everything else keeps its rules: bit fields (3), JPEG (4) and PNG
        // (5) data, depths 16 and 32, two planes, a header cut short.
        const std::vector<uint8_t> data(64, 0);
        struct Case {
            int bits;
            uint32_t compression;
            int rc;
        } cases[] = {{16, 3, 301}, {32, 3, 301}, {32, 0, 301}, {0, 4, 301},
                     {8, 3, 303},  {24, 3, 303}, {24, 4, 303}, {24, 5, 303}};
        for (const auto& c : cases)
            EXPECT_EQ(
                DecodeBytes(kFormatBitmap, MakeBmp(2, 2, c.bits, c.compression, 0, {}, data, hs))
                    .rc,
                c.rc)
                << hs << " bits " << c.bits << " compression " << c.compression;
        auto planes = MakeBmp(2, 2, 24, 0, 0, {}, data, hs);
        planes[26] = 2;
        EXPECT_EQ(DecodeBytes(kFormatBitmap, planes).rc, 300) << hs;
        auto cut = MakeBmp(2, 2, 24, 0, 0, {}, {}, hs);
        cut.resize(14 + hs - 1);
        EXPECT_EQ(DecodeBytes(kFormatBitmap, cut).rc, 7) << hs;
    }
}

TEST(BmpV4V5, SuiteFilesMatchTheirFortyByteTwinsAndNetpbm) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    FormatImage pal8 = DecodeFile(kFormatBitmap, TestData(kSuite + "g/pal8.bmp"));
    FormatImage rgb24 = DecodeFile(kFormatBitmap, TestData(kSuite + "g/rgb24.bmp"));
    ASSERT_EQ(pal8.rc, 0);
    ASSERT_EQ(rgb24.rc, 0);
    const struct {
        const char* name;
        uint32_t headerSize;
        const FormatImage* twin; // the same picture; rgb24prof2's profile changes its colours
    } cases[] = {
        {"g/pal8v4", 108, &pal8},      {"g/pal8v5", 124, &pal8},       {"q/rgb24prof", 124, &rgb24},
        {"q/rgb24lprof", 124, &rgb24}, {"q/rgb24prof2", 124, nullptr},
    };
    for (const auto& c : cases) {
        const std::string path = TestData(kSuite + c.name + ".bmp");
        ASSERT_EQ(HeaderSizeOf(path), c.headerSize) << c.name;
        FormatImage ours = DecodeFile(kFormatBitmap, path);
        ASSERT_EQ(ours.rc, 0) << c.name << ": " << codec_error_text(ours.rc);
        if (c.twin) {
            EXPECT_EQ(ComparePixels(ours, *c.twin), "") << c.name;
        }
        FormatImage ref = Bmptopnm(path, "bmp-v45-" + FileStem(path));
        ASSERT_EQ(ref.rc, 0) << c.name;
        EXPECT_EQ(ComparePixels(ours, ref), "") << c.name;
    }
    // 124-byte headers over what the reader does not take; the bit-field
    // pictures among them are read (their colours: BmpBitFields below).
    const std::map<std::string, int> refused = {
        {"rgb24jpeg", 301},   {"rgb24png", 301},    {"rgb32-xbgr", 0},   {"rgba16-1924", 0},
        {"rgba16-4444", 0},   {"rgba16-5551", 0},   {"rgba32-1", 0},     {"rgba32-1010102", 0},
        {"rgba32-2", 0},      {"rgba32-61754", 0},  {"rgba32-81284", 0},
    };
    for (const auto& [name, rc] : refused) {
        const std::string path = TestData(kSuite + "q/" + name + ".bmp");
        ASSERT_EQ(HeaderSizeOf(path), 124u) << name;
        EXPECT_EQ(DecodeFile(kFormatBitmap, path).rc, rc) << name;
    }
}

// ImageMagick's default BMP output carries a 108-byte header for black and
// white pictures and a 124-byte one otherwise; "BMP3:" writes the 40-byte
// header for the same picture.
TEST(BmpV4V5, ImageMagickDefaultOutputMatchesNetpbmAndTheFortyByteHeader) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    const struct {
        const char* name;
        const char* args;
        uint32_t headerSize;
        int bits;
        int rc;
        bool netpbm; // bmptopnm refuses ImageMagick's RLE8 rows (they overrun)
        int tolerance; // bmptopnm truncates 5- and 6-bit colours; ours rounds
        int twinRc;    // ImageMagick's 40-byte RGB565 marks bit fields but leaves out the masks
    } cases[] = {
        {"mono", "-monochrome", 108, 1, 0, true, 0, 0},
        {"pal4", "-colors 16 -type palette", 124, 4, 0, true, 0, 0},
        {"pal8", "-colors 200 -type palette -compress none", 124, 8, 0, true, 0, 0},
        {"rle8", "-colors 200 -type palette", 124, 8, 0, false, 0, 0},
        {"rgb24", "-type truecolor", 124, 24, 0, true, 0, 0},
        {"rgb565", "-define bmp:subtype=RGB565", 124, 24, 0, true, 1, 301},
        {"rgba32", "-alpha set -channel A -evaluate set 50%", 124, 24, 0, true, 0, 0},
    };
    for (const auto& c : cases) {
        const std::string v5 = MakeWithImageMagick(std::string(c.name) + ".bmp", c.args, "BMP");
        ASSERT_FALSE(v5.empty()) << c.name;
        ASSERT_EQ(HeaderSizeOf(v5), c.headerSize) << c.name;
        FormatImage ours = DecodeFile(kFormatBitmap, v5);
        ASSERT_EQ(ours.rc, c.rc) << c.name << ": " << codec_error_text(ours.rc);
        if (c.rc) continue;
        EXPECT_EQ(ours.bpp, c.bits) << c.name;
        FormatImage ref = c.netpbm ? Bmptopnm(v5, "bmp-im-" + std::string(c.name))
                                   : ImageMagick(v5, "bmp-im-" + std::string(c.name));
        ASSERT_EQ(ref.rc, 0) << c.name;
        EXPECT_EQ(ComparePixels(ours, ref, c.tolerance), "") << c.name;

        const std::string v3 =
            MakeWithImageMagick(std::string(c.name) + "-bmp3.bmp", c.args, "BMP3");
        ASSERT_EQ(HeaderSizeOf(v3), 40u) << c.name;
        FormatImage twin = DecodeFile(kFormatBitmap, v3);
        ASSERT_EQ(twin.rc, c.twinRc) << c.name;
        if (c.twinRc) continue;
        EXPECT_EQ(ComparePixels(ours, twin), "") << c.name;
    }
}

TEST(BmpSuite, BadFilesFailWithTheirCodeOrStayInBounds) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    // Broken where it matters: refused with a defined code.  The others are
    // broken in fields the reader never trusts (sizes, densities, a palette
    // count above 2^bits) or run-length data aiming beyond the image, which is
    // clipped; they decode, and the fuzz replay runs them under the sanitizers.
    const std::map<std::string, int> want = {
        {"badbitcount", 301}, {"badheadersize", 302}, {"badplanes", 300}, {"badwidth", 6},
        {"reallybig", 6},     {"rletopdown", 6},      {"shortfile", 7},
    };
    auto files = FilesIn(TestData(kSuite + "b"), ".bmp");
    ASSERT_EQ(files.size(), 20u);
    for (const auto& path : files) {
        std::string name = FileStem(path);
        FormatImage ours = DecodeFile(kFormatBitmap, path);
        auto it = want.find(name);
        EXPECT_EQ(ours.rc, it == want.end() ? 0 : it->second) << name;
    }
}

TEST(BmpSuite, Os2HeadersAndArrayShowTheSamePicture) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    FormatImage ref = ImageMagick(TestData(kSuite + "g/pal8.bmp"), "bmp-g-pal8");
    ASSERT_EQ(ref.rc, 0);
    // OS/2 2.0 headers of 16, 40 and 64 bytes, OS/2 1.x, and the "BA" array.
    for (const char* name :
         {"q/pal8os2v2.bmp", "q/pal8os2v2-16.bmp", "q/pal8os2v2-40sz.bmp", "q/pal8os2v2-sz.bmp",
          "g/pal8os2.bmp", "q/pal8os2sp.bmp", "x/ba-bm.bmp"}) {
        FormatImage ours = DecodeFile(kFormatBitmap, TestData(kSuite + name));
        ASSERT_EQ(ours.rc, 0) << name << ": " << codec_error_text(ours.rc);
        EXPECT_EQ(ComparePixels(ours, ref), "") << name;
    }
    EXPECT_EQ(DecodeFile(kFormatBitmap, TestData(kSuite + "x/ba-bm.bmp"), "index=1").rc, 304);
}

TEST(BmpSuite, QuestionableFilesNeverCrash) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    for (const auto& path : FilesIn(TestData(kSuite + "q"), ".bmp")) {
        FormatImage ours = DecodeFile(kFormatBitmap, path);
        EXPECT_STRNE(codec_error_text(ours.rc), "general error") << path;
    }
}

TEST(BmpGenerated, ToolMadeFilesMatchNetpbm) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    auto files = FilesIn(TestData("generated/bmp"), ".bmp");
    ASSERT_GE(files.size(), 10u);
    for (const auto& path : files) {
        std::string name = FileStem(path);
        FormatImage ours = DecodeFile(kFormatBitmap, path);
        ASSERT_EQ(ours.rc, 0) << name << ": " << codec_error_text(ours.rc);
        FormatImage ref = ImageMagick(path, "bmp-gen-" + name);
        ASSERT_EQ(ref.rc, 0) << name;
        EXPECT_EQ(ComparePixels(ours, ref), "") << name;
    }
}

TEST(BmpRle, Rle8CodesPlacePixelsWhereTheyBelong) {
    // 6 x 4, bottom row first.  Row 0: run of 3 x 1, literal 2 3 4 (padded),
    // end of line.  Row 1: delta (+2, +1) lands at (2, 2); run 2 x 5; end of
    // line.  Row 3: run of 9 x 6 (cut at the row's end), end of bitmap.
    std::vector<uint8_t> rle = {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 2, 1, 2, 5, 0, 0, 9, 6, 0, 1};
    FormatImage img = DecodeBytes(kFormatBitmap, MakeBmp(6, 4, 8, 1, 16, Grays(16), rle));
    ASSERT_EQ(img.rc, 0) << codec_error_text(img.rc);
    std::vector<int> want = {
        6, 6, 6, 6, 6, 6, // top row (3)
        0, 0, 5, 5, 0, 0, // row 2
        0, 0, 0, 0, 0, 0, // row 1: skipped by the delta
        1, 1, 1, 2, 3, 4, // row 0
    };
    EXPECT_EQ(Indices(img), want);
    EXPECT_EQ(img.header.nextOffset, int32_t(14 + 40 + 64 + rle.size()));
}

TEST(BmpRle, Rle4RunsAlternateNibblesAndLiteralsArePadded) {
    // 7 x 2.  Row 0: run of 5 alternating 1, 2; literal of 3 nibbles 7 8 9
    // (2 bytes, already even), wanting only 2 of them; end of line.  Row 1:
    // literal of 5 (3 bytes + 1 pad), then end of bitmap.
    std::vector<uint8_t> rle = {5, 0x12, 0, 3, 0x78, 0x90, 0, 0, 0, 5, 0xAB, 0xCD, 0xE0, 0, 0, 1};
    FormatImage img = DecodeBytes(kFormatBitmap, MakeBmp(7, 2, 4, 2, 0, Grays(16), rle));
    ASSERT_EQ(img.rc, 0) << codec_error_text(img.rc);
    std::vector<int> want = {10, 11, 12, 13, 14, 0, 0, 1, 2, 1, 2, 1, 7, 8};
    EXPECT_EQ(Indices(img), want);
}

TEST(BmpRle, BrokenStreamsAreRefusedOrClipped) {
    struct Case {
        const char* what;
        std::vector<uint8_t> rle;
        int rc;
    } cases[] = {
        {"ends without end of bitmap", {2, 1, 0, 0}, 7},
        {"literal cut short", {0, 6, 1, 2}, 7},
        {"delta cut short", {0, 2, 1}, 7},
        {"delta far above the image ends it", {0, 2, 200, 250}, 0},
        {"run far beyond the row is clipped", {255, 3, 0, 1}, 0},
        {"end of line past the top ends it", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0},
    };
    for (const auto& c : cases) {
        FormatImage img = DecodeBytes(kFormatBitmap, MakeBmp(4, 2, 8, 1, 16, Grays(16), c.rle));
        EXPECT_EQ(img.rc, c.rc) << c.what;
    }
}

TEST(BmpHeader, FieldsAreCheckedBeforeAnyPixelIsRead) {
    auto with = [](int32_t w, int32_t h, int bits, uint32_t comp) {
        return DecodeBytes(kFormatBitmap,
                           MakeBmp(w, h, bits, comp, 0, Grays(bits <= 8 ? 1 << bits : 0),
                                   std::vector<uint8_t>(64, 0)))
            .rc;
    };
    EXPECT_EQ(with(0, 4, 8, 0), 6);
    EXPECT_EQ(with(4, 0, 8, 0), 6);
    EXPECT_EQ(with(-4, 4, 8, 0), 6);
    EXPECT_EQ(with(4, 4, 16, 0), 301);
    EXPECT_EQ(with(4, 4, 2, 0), 301);
    EXPECT_EQ(with(4, 4, 8, 3), 303);
    EXPECT_EQ(with(4, 4, 4, 1), 303);        // RLE8 needs 8 bits
    EXPECT_EQ(with(4, -4, 8, 1), 6);         // run-length data cannot be top-down
    EXPECT_EQ(with(60000, 60000, 24, 0), 6); // beyond the 256 MiB ceiling
    EXPECT_EQ(with(64, 64, 8, 0), 7);        // rows not in the file
    EXPECT_EQ(with(4, 4, 8, 0), 0);

    auto bmp = MakeBmp(4, 4, 8, 0, 0, Grays(256), std::vector<uint8_t>(16, 0));
    bmp[26] = 2; // planes
    EXPECT_EQ(DecodeBytes(kFormatBitmap, bmp).rc, 300);
    bmp[26] = 1;
    for (uint32_t size : {11u, 13u, 30u, 68u, 100u, 104u, 112u, 120u, 128u}) {
        StoreLE32(&bmp[14], size);
        EXPECT_EQ(DecodeBytes(kFormatBitmap, bmp).rc, 302) << size;
    }
    bmp[0] = 'X';
    EXPECT_EQ(DecodeBytes(kFormatBitmap, bmp).rc, 5);
    EXPECT_EQ(DecodeBytes(kFormatBitmap, {'B', 'M', 1, 2}).rc, 7);
}

TEST(BmpPalette, SixteenColoursAtEightBitsLeaveTheRestZero) {
    auto pal = Grays(16);
    pal[4 * 15] = 7; // entry 15 blue
    FormatImage img = DecodeBytes(kFormatBitmap, MakeBmp(4, 1, 8, 0, 16, pal, {15, 1, 2, 3}));
    ASSERT_EQ(img.rc, 0);
    ASSERT_EQ(img.palette.size(), 768u);
    EXPECT_EQ(img.palette[3 * 15 + 2], 7); // blue of entry 15
    EXPECT_EQ(img.palette[3 * 15], 240);
    for (size_t i = 48; i < 768; ++i)
        ASSERT_EQ(img.palette[i], 0) << i;
}

TEST(BmpPalette, TopDownRowsAreTurnedOver) {
    FormatImage img = DecodeBytes(
        kFormatBitmap, MakeBmp(1, 3, 8, 0, 16, Grays(16), {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}));
    ASSERT_EQ(img.rc, 0);
    EXPECT_EQ(Indices(img), (std::vector<int>{3, 2, 1})); // stored bottom row first
    img = DecodeBytes(kFormatBitmap,
                      MakeBmp(1, -3, 8, 0, 16, Grays(16), {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}));
    ASSERT_EQ(img.rc, 0);
    EXPECT_EQ(img.height, 3);
    EXPECT_EQ(Indices(img), (std::vector<int>{1, 2, 3}));
}

// Two bitmaps in an array: index=1 follows the link, index=2 runs out, and a
// link pointing backwards is refused instead of looping.
TEST(BmpArray, IndexFollowsLinksForwardOnly) {
    auto one = MakeBmp(1, 1, 8, 0, 16, Grays(16), {5, 0, 0, 0});
    auto two = MakeBmp(1, 1, 8, 0, 16, Grays(16), {9, 0, 0, 0});
    auto entry = [](uint32_t next) {
        ByteWriter w;
        w.Text("BA");
        w.U32(14);
        w.U32(next);
        w.U32(0);
        return w.Data();
    };
    // Pixel-data offsets count from the start of the file.
    auto place = [](std::vector<uint8_t> bmp, uint32_t at) {
        StoreLE32(&bmp[10], LoadLE32(&bmp[10]) + at);
        return bmp;
    };
    std::vector<uint8_t> file = entry(uint32_t(14 + one.size()));
    auto first = place(one, 14);
    file.insert(file.end(), first.begin(), first.end());
    auto e2 = entry(0);
    file.insert(file.end(), e2.begin(), e2.end());
    auto second = place(two, uint32_t(file.size()));
    file.insert(file.end(), second.begin(), second.end());
    EXPECT_EQ(Indices(DecodeBytes(kFormatBitmap, file)), std::vector<int>{5});
    EXPECT_EQ(Indices(DecodeBytes(kFormatBitmap, file, "index=1")), std::vector<int>{9});
    EXPECT_EQ(DecodeBytes(kFormatBitmap, file, "index=2").rc, 304);
    EXPECT_STREQ(codec_error_text(304), "less bitmaps in file than index requested");
    const size_t second0 = 14 + one.size();
    StoreLE32(&file[second0 + 6], uint32_t(second0)); // the second entry links to itself
    EXPECT_EQ(DecodeBytes(kFormatBitmap, file, "index=5").rc, 7);
    file[second0] = 'X';
    EXPECT_EQ(DecodeBytes(kFormatBitmap, file, "index=1").rc, 5);
}

} // namespace

namespace {

// 16- and 32-bit pixels with colour masks (bit fields): each colour is its
// masked bits taken to the nearest 8-bit level; masks that are not one run of
// bits each, overlap, reach beyond the pixel or are left out keep the code
// for an unsupported depth, as does a 16-bit picture without masks.
TEST(BmpBitFields, MaskedColoursReachTheirNearestLevel) {
    auto masks = [](uint32_t r, uint32_t g, uint32_t b) {
        std::vector<uint8_t> m(12);
        StoreLE32(&m[0], r), StoreLE32(&m[4], g), StoreLE32(&m[8], b);
        return m;
    };
    auto u16s = [](std::vector<uint16_t> v) {
        std::vector<uint8_t> d;
        for (uint16_t x : v)
            d.insert(d.end(), {uint8_t(x), uint8_t(x >> 8)});
        return d;
    };
    auto u32s = [](std::vector<uint32_t> v) {
        std::vector<uint8_t> d(v.size() * 4);
        for (size_t i = 0; i < v.size(); ++i)
            StoreLE32(&d[4 * i], v[i]);
        return d;
    };
    struct Case {
        const char* what;
        int bits;
        std::vector<uint8_t> masks, data;
        int rc;
        std::vector<uint8_t> rgb; // the two pixels' red, green, blue
    } cases[] = {
        // 5-6-5: red 31 -> 255, green 32 of 63 -> 130 (32 x 255 / 63 = 129.5), blue 1 -> 8.
        {"5-6-5",
         16,
         masks(0xF800, 0x07E0, 0x001F),
         u16s({0xFC01, 0x0000}),
         0,
         {255, 130, 8, 0, 0, 0}},
        // 5-5-5 with the top bit unused: red 16 of 31 -> 132, green 15 -> 123.
        {"5-5-5",
         16,
         masks(0x7C00, 0x03E0, 0x001F),
         u16s({0xC1E0, 0x001F}),
         0,
         {132, 123, 0, 0, 0, 255}},
        // Blue in the low bits, red on top: 8-8-8 in a 32-bit pixel, the top byte unused.
        {"8-8-8",
         32,
         masks(0x00FF0000, 0x0000FF00, 0x000000FF),
         u32s({0xAB123456, 0x00FF0001}),
         0,
         {0x12, 0x34, 0x56, 0xFF, 0x00, 0x01}},
        // 10-10-10: 512 of 1023 -> 128, 1023 -> 255; green's mask empty -> 0.
        {"10-0-10 with an empty mask",
         32,
         masks(0x3FF00000, 0, 0x000003FF),
         u32s({0x20000000 | 1023, 0x3FF00000}),
         0,
         {128, 0, 255, 255, 0, 0}},
        {"mask with a gap", 16, masks(0xF000 | 0x0400, 0x03E0, 0x001F), u16s({0, 0}), 301, {}},
        {"overlapping masks", 16, masks(0xF800, 0x0FE0, 0x001F), u16s({0, 0}), 301, {}},
        {"mask beyond 16 bits", 16, masks(0x1F0000, 0x07E0, 0x001F), u16s({0, 0}), 301, {}},
    };
    for (const Case& c : cases) {
        auto bmp = MakeBmp(2, 1, c.bits, 3, 0, c.masks, c.data);
        FormatImage img = DecodeBytes(kFormatBitmap, bmp);
        ASSERT_EQ(img.rc, c.rc) << c.what << ": " << codec_error_text(img.rc);
        if (c.rc) continue;
        EXPECT_EQ(img.bpp, 24) << c.what;
        EXPECT_EQ(img.rgb, c.rgb) << c.what;
        // Top-down rows read alike.
        // (one pixel a row, each row padded to four bytes)
        std::vector<uint8_t> rows;
        for (size_t at = 0; at < c.data.size(); at += size_t(c.bits / 8)) {
            rows.insert(rows.end(), c.data.begin() + long(at),
                        c.data.begin() + long(at) + c.bits / 8);
            rows.resize((rows.size() + 3) / 4 * 4, 0);
        }
        auto down = MakeBmp(1, -2, c.bits, 3, 0, c.masks, rows);
        FormatImage d = DecodeBytes(kFormatBitmap, down);
        ASSERT_EQ(d.rc, 0) << c.what;
        EXPECT_EQ(d.rgb, c.rgb) << c.what << " top-down";
    }
    // No room for the masks before the pixels: the pixels are no masks.
    auto noMasks = MakeBmp(2, 1, 16, 3, 0, {}, u16s({0xF800, 0x07E0, 0x001F, 0}));
    EXPECT_EQ(DecodeBytes(kFormatBitmap, noMasks).rc, 301);
    // An OS/2 2.0 header gives compression 3 another meaning.
    EXPECT_EQ(DecodeBytes(kFormatBitmap,
                          MakeBmp(2, 1, 16, 3, 0, masks(0xF800, 0x07E0, 0x001F), u16s({0, 0}), 64))
                  .rc,
              301);
}

// The suite's questionable bit-field files (odd mask widths, alpha masks) are
// read; where the reference shows the colours, within one level (its own
// widening of 7-, 10- and 12-bit colours differs by one here and there).
TEST(BmpBitFields, QuestionableSuiteFilesMatchTheirReferences) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    const std::map<std::string, std::string> withReference = {
        {"rgb16-231", "rgb16-231"},       {"rgb16-3103", "rgb16-3103"},
        {"rgb32-7187", "rgb32-7187"},     {"rgba32-61754", "rgba32-61754"},
        {"rgba32-81284", "rgba32-81284"}, {"rgb32-111110", "rgb24"},
        {"rgb32-xbgr", "rgb24"},          {"rgb32h52", "rgb24"}};
    for (const auto& [name, reference] : withReference) {
        FormatImage ours = DecodeFile(kFormatBitmap, TestData(kSuite + "q/" + name + ".bmp"));
        ASSERT_EQ(ours.rc, 0) << name << ": " << codec_error_text(ours.rc);
        FormatImage ref = SuiteReference(reference);
        ASSERT_EQ(ref.rc, 0) << name;
        EXPECT_EQ(ComparePixels(ours, ref, 1), "") << name;
    }
    FormatImage bad = DecodeFile(kFormatBitmap, TestData(kSuite + "b/rgb16-880.bmp"));
    ASSERT_EQ(bad.rc, 0);
    EXPECT_EQ(ComparePixels(bad, SuiteReference("rgb16-880")), "");
}

} // namespace
