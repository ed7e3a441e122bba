// PCX reader: the shared PCX files and the tool-made ones decode to netpbm's
// pcxtoppm pixels; files built here pin down runs crossing plane lines, the
// four-plane bit order, masked last bytes and the 769-byte palette trailer.
#include <gtest/gtest.h>

#include <map>

#include "common/byte_io.h"
#include "tests/imaging/formats_support.h"

namespace {

TEST(PcxCorpus, FilesMatchPcxtoppmOrFailWithTheirCode) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    // 01r_00 has no palette trailer (pcxtoppm refuses it as well); the
    // fuzzer's file has an encoding byte other than 1.
    const std::map<std::string, int> refused = {{"01r_00", 703}, {"ossfuzz-4836216264589312", 701}};
    int decoded = 0;
    for (const char* dir : {"pcx/pillow", "generated/pcx"}) {
        for (const auto& path : FilesIn(TestData(dir), ".pcx")) {
            std::string name = FileStem(path);
            FormatImage ours = DecodeFile(kFormatPcx, path);
            auto it = refused.find(name);
            if (it != refused.end()) {
                EXPECT_EQ(ours.rc, it->second) << name;
                continue;
            }
            EXPECT_EQ(ours.rc, 0) << name << ": " << codec_error_text(ours.rc);
            FormatImage ref = OracleDecode("/usr/bin/pcxtoppm " + ShellQuote(path), "pcx-" + name);
            EXPECT_EQ(ref.rc, 0) << name;
            if (ours.rc || ref.rc) continue;
            EXPECT_EQ(ComparePixels(ours, ref), "") << name;
            ++decoded;
        }
    }
    EXPECT_GE(decoded, 9);
}

std::vector<uint8_t> MakePcx(int bits, int planes, int w, int h, int bpl,
                             const std::vector<uint8_t>& data, int version = 5) {
    std::vector<uint8_t> f(128, 0);
    f[0] = 10;
    f[1] = uint8_t(version);
    f[2] = 1;
    f[3] = uint8_t(bits);
    f[8] = uint8_t(w - 1);
    f[10] = uint8_t(h - 1);
    for (int i = 0; i < 16; ++i)
        f[size_t(16 + 3 * i)] = uint8_t(16 * i); // red ramp
    f[65] = uint8_t(planes);
    f[66] = uint8_t(bpl);
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

TEST(PcxDecode, RunsCrossLinesAndPlanesGiveBits) {
    // 8-bit, 3 x 2, bytes per line 4: one run of 8 x 0x11 fills both lines;
    // the trailer gives entry 0x11 the colour (1, 2, 3).
    std::vector<uint8_t> data = {0xC8, 0x11};
    data.push_back(12);
    std::vector<uint8_t> pal(768, 0);
    pal[3 * 0x11] = 1;
    pal[3 * 0x11 + 1] = 2;
    pal[3 * 0x11 + 2] = 3;
    data.insert(data.end(), pal.begin(), pal.end());
    FormatImage img = DecodeBytes(kFormatPcx, MakePcx(8, 1, 3, 2, 4, data));
    ASSERT_EQ(img.rc, 0) << codec_error_text(img.rc);
    for (size_t i = 0; i < img.rgb.size(); i += 3)
        EXPECT_EQ(std::vector<uint8_t>(img.rgb.begin() + long(i), img.rgb.begin() + long(i) + 3),
                  (std::vector<uint8_t>{1, 2, 3}));
    // Without the trailer mark: 703.
    auto bad = MakePcx(8, 1, 3, 2, 4, data);
    bad[bad.size() - 769] = 11;
    EXPECT_EQ(DecodeBytes(kFormatPcx, bad).rc, 703);

    // Four 1-bit planes, 3 pixels: plane k holds bit k.  Pixel 0 = 1 + 8,
    // pixel 1 = 2 + 4, pixel 2 = 15; the unused bits of each plane byte are
    // set and must not leak into the pixels.
    FormatImage four = DecodeBytes(kFormatPcx, MakePcx(1, 4, 3, 1, 1, {0xBF, 0x7F, 0x7F, 0xBF}));
    ASSERT_EQ(four.rc, 0);
    EXPECT_EQ(four.rgb[0], 16 * 9);
    EXPECT_EQ(four.rgb[3], 16 * 6);
    EXPECT_EQ(four.rgb[6], 16 * 15);

    // 24 bits: the row's plane lines are red, green, blue.
    FormatImage rgb = DecodeBytes(kFormatPcx, MakePcx(8, 3, 2, 1, 2, {10, 11, 20, 21, 30, 31}));
    ASSERT_EQ(rgb.rc, 0);
    EXPECT_EQ(rgb.rgb, (std::vector<uint8_t>{10, 20, 30, 11, 21, 31}));
    EXPECT_EQ(rgb.header.nextOffset, 134);
}

TEST(PcxDecode, HeaderChecks) {
    struct Case {
        int bits, planes, w, h, bpl, version, rc;
    } cases[] = {
        {1, 1, 8, 1, 2, 5, 0},   {4, 1, 2, 1, 2, 0, 0},   {2, 1, 8, 1, 2, 5, 702},
        {8, 4, 8, 1, 8, 5, 702}, {1, 3, 8, 1, 1, 5, 702}, {1, 1, 8, 1, 1, 4, 700},
        {1, 1, 8, 1, 1, 6, 700}, {1, 1, 8, 1, 0, 5, 6},   {1, 1, 8, 100, 1, 5, 7},
    };
    for (const auto& c : cases) {
        auto f = MakePcx(c.bits, c.planes, c.w, c.h, c.bpl, {1, 2}, c.version);
        EXPECT_EQ(DecodeBytes(kFormatPcx, f).rc, c.rc)
            << c.bits << "x" << c.planes << " v" << c.version;
    }
    auto f = MakePcx(1, 1, 8, 1, 1, {1, 2});
    f[2] = 0;
    EXPECT_EQ(DecodeBytes(kFormatPcx, f).rc, 701);
    f[2] = 1;
    f[0] = 11;
    EXPECT_EQ(DecodeBytes(kFormatPcx, f).rc, 5);
    f[0] = 10;
    f[4] = 9; // xmin beyond xmax
    EXPECT_EQ(DecodeBytes(kFormatPcx, f).rc, 6);
    // A run cut off by the end of the file.
    EXPECT_EQ(DecodeBytes(kFormatPcx, MakePcx(8, 1, 2, 1, 2, {0xC1})).rc, 7);
}

} // namespace
