// Targa reader: every file of the shared Targa corpus either decodes to the
// pixels netpbm's tgatoppm gives or fails with the code its header earns, and
// files built here pin down run-length packets crossing rows, the top-down
// bit, 16-bit pixels and colour maps with an origin.
#include <gtest/gtest.h>

#include <map>

#include "common/byte_io.h"
#include "tests/imaging/formats_support.h"

namespace {

FormatImage Tgatoppm(const std::string& path, const std::string& key) {
    return OracleDecode("/usr/bin/tgatoppm " + ShellQuote(path), "tga-" + key);
}

TEST(TargaCorpus, EveryFileMatchesTgatoppmOrFailsWithItsCode) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    // Outside what the reader takes: 16- and 15-bit colour maps and 16-bit
    // grey with alpha are refused by their headers, the malformed files by
    // their type, size or shortness.
    const std::map<std::string, int> refused = {
        {"ccm8", 402},
        {"b5-cmap", 402},
        {"ucm8", 402},
        {"p_16", 402},
        {"p_8", 402},
        {"200x32_la_bl_raw", 400},
        {"200x32_la_bl_rle", 400},
        {"200x32_la_tl_raw", 400},
        {"200x32_la_tl_rle", 400},
        {"la", 400},
        {"cross_scan_line_truncated", 7},
        {"bad-color-map", 400},
        {"flip-zero-height", 401},
        {"flip-zero-height2", 401},
        {"orientation-zero-width", 401},
        {"overfull-image", 7},
        {"sixteen-bit-gray-colormap", 401},
        {"sixteen-bit-gray-colormap2", 400},
        {"slice-copy-length", 7},
    };
    int decoded = 0;
    for (const char* dir : {"tga/truevision-and-image-rs", "tga/pillow-common", "tga/pillow-misc",
                            "tga/image-rs-regression-malformed", "generated/tga"}) {
        for (const auto& path : FilesIn(TestData(dir), ".tga")) {
            std::string name = FileStem(path);
            FormatImage ours = DecodeFile(kFormatTarga, path);
            auto it = refused.find(name);
            if (it != refused.end()) {
                EXPECT_EQ(ours.rc, it->second) << name;
                continue;
            }
            EXPECT_EQ(ours.rc, 0) << name << ": " << codec_error_text(ours.rc);
            FormatImage ref = Tgatoppm(path, name);
            EXPECT_EQ(ref.rc, 0) << name;
            if (ours.rc || ref.rc) continue;
            EXPECT_EQ(ComparePixels(ours, ref), "") << name;
            ++decoded;
        }
    }
    EXPECT_GE(decoded, 40);
}

// An 18-byte header plus what follows.
std::vector<uint8_t> MakeTga(int type, int depth, int w, int h, int descriptor,
                             const std::vector<uint8_t>& body, int mapOrigin = 0,
                             int mapLength = 0) {
    ByteWriter out;
    out.U8(0);
    out.U8(mapLength ? 1 : 0);
    out.U8(uint8_t(type));
    out.U16(uint16_t(mapOrigin));
    out.U16(uint16_t(mapLength));
    out.U8(mapLength ? 24 : 0);
    out.U16(0);
    out.U16(0);
    out.U16(uint16_t(w));
    out.U16(uint16_t(h));
    out.U8(uint8_t(depth));
    out.U8(uint8_t(descriptor));
    out.Bytes(body.data(), body.size());
    return out.Data();
}

std::vector<int> Reds(const FormatImage& img) {
    std::vector<int> v;
    for (size_t i = 0; i < img.rgb.size(); i += 3)
        v.push_back(img.rgb[i]);
    return v;
}

TEST(TargaPackets, RunsAndLiteralsCrossRowEnds) {
    // 3 x 2 grey, bottom row first: a run of 4 x 9 covers row 0 and one pixel
    // of row 1; a literal packet of 2 finishes row 1.
    auto tga = MakeTga(11, 8, 3, 2, 0, {0x83, 9, 0x01, 7, 8});
    FormatImage img = DecodeBytes(kFormatTarga, tga);
    ASSERT_EQ(img.rc, 0) << codec_error_text(img.rc);
    EXPECT_EQ(Reds(img), (std::vector<int>{9, 7, 8, 9, 9, 9}));
    EXPECT_EQ(img.header.nextOffset, int32_t(tga.size()));
    // The same with the top-down bit: row 0 is the top.
    img = DecodeBytes(kFormatTarga, MakeTga(11, 8, 3, 2, 0x20, {0x83, 9, 0x01, 7, 8}));
    ASSERT_EQ(img.rc, 0);
    EXPECT_EQ(Reds(img), (std::vector<int>{9, 9, 9, 9, 7, 8}));
    // A packet cut short is a read failure.
    EXPECT_EQ(DecodeBytes(kFormatTarga, MakeTga(11, 8, 3, 2, 0, {0x83, 9, 0x01, 7})).rc, 7);
}

TEST(TargaPixels, SixteenBitsColourMapsAndChecks) {
    // 16-bit 5-5-5: red 31, green 1, blue 16, top bit (attribute) ignored.
    const uint16_t v = uint16_t(0x8000 | (31 << 10) | (1 << 5) | 16);
    FormatImage img =
        DecodeBytes(kFormatTarga, MakeTga(2, 16, 1, 1, 0, {uint8_t(v), uint8_t(v >> 8)}));
    ASSERT_EQ(img.rc, 0);
    EXPECT_EQ(img.rgb, (std::vector<uint8_t>{248, 8, 128}));
    // Colour map of 2 entries at origin 254: entries 254 and 255, the rest black.
    auto mapped = MakeTga(1, 8, 2, 1, 0, {1, 2, 3, 4, 5, 6, 255, 254}, 254, 2);
    img = DecodeBytes(kFormatTarga, mapped);
    ASSERT_EQ(img.rc, 0);
    EXPECT_EQ(img.rgb, (std::vector<uint8_t>{6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(std::vector<uint8_t>(img.palette.begin(), img.palette.begin() + 3 * 254),
              std::vector<uint8_t>(3 * 254, 0));
    // A map reaching past index 255 is cut at 255, never written beyond.
    img = DecodeBytes(kFormatTarga,
                      MakeTga(1, 8, 1, 1, 0, std::vector<uint8_t>(3 * 300 + 1, 7), 100, 300));
    EXPECT_EQ(img.rc, 0);

    struct Case {
        int type, depth, w, h;
        int rc;
    } cases[] = {
        {2, 15, 1, 1, 400}, {2, 8, 1, 1, 400},       {3, 16, 1, 1, 400}, {1, 16, 1, 1, 400},
        {0, 8, 1, 1, 401},  {32, 8, 1, 1, 401},      {2, 24, 0, 1, 6},   {2, 24, 1, 0, 6},
        {2, 24, 5, 5, 7},   {10, 24, 1000, 1000, 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeBytes(kFormatTarga, MakeTga(c.type, c.depth, c.w, c.h, 0, {1, 2, 3, 4})).rc,
                  c.rc)
            << c.type << "/" << c.depth;
    EXPECT_STREQ(codec_error_text(402), "color map entry size not 24 bits per pixel");
}

} // namespace
