// GEM raster reader: the tool-made monochrome file decodes to gemtopnm's
// pixels (runs of both colours, bit strings, repeated lines); files built here
// cover patterns, line repetition, four planes with an XIMG colour table and
// the header checks.
#include <gtest/gtest.h>

#include "common/byte_io.h"
#include "tests/imaging/formats_support.h"

namespace {

TEST(GemCorpus, MonochromeMatchesGemtopnm) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    const std::string path = TestData("generated/gem/mono.img");
    FormatImage ours = DecodeFile(kFormatGemRas, path);
    ASSERT_EQ(ours.rc, 0) << codec_error_text(ours.rc);
    FormatImage ref = OracleDecode("/usr/bin/gemtopnm " + ShellQuote(path), "gem-mono");
    ASSERT_EQ(ref.rc, 0);
    EXPECT_EQ(ComparePixels(ours, ref), "");
}

std::vector<uint8_t> Header(std::vector<uint16_t> words, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out;
    for (uint16_t w : words)
        out.insert(out.end(), {uint8_t(w >> 8), uint8_t(w)});
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

TEST(GemBuilt, PatternsRepeatsAndPlanes) {
    // 16 x 3 mono, pattern length 1: line 0 = pattern AA twice; a repeat of 2
    // for a line of FF 00 (bit string).
    auto mono = Header({1, 8, 1, 1, 85, 85, 16, 3}, {0, 2, 0xAA, 0, 0, 0xFF, 2, 0x80, 2, 0xFF, 0});
    FormatImage img = DecodeBytes(kFormatGemRas, mono);
    ASSERT_EQ(img.rc, 0) << codec_error_text(img.rc);
    auto black = [&](int x, int y) { return img.rgb[size_t(3 * (16 * y + x))] == 0; };
    EXPECT_TRUE(black(0, 0) && !black(1, 0) && black(14, 0) && !black(15, 0));
    for (int y = 1; y < 3; ++y)
        EXPECT_TRUE(black(7, y) && !black(8, y)) << y;

    // 4 planes with an XIMG table, 8 x 1: plane k all ones for k = 0 and 2
    // gives index 5 everywhere; colour 5 = (1000, 500, 0) per mille.
    std::vector<uint16_t> words = {1, 11 + 48, 4, 1, 85, 85, 8, 1, 'X' << 8 | 'I', 'M' << 8 | 'G',
                                   0};
    for (int i = 0; i < 16; ++i)
        words.insert(words.end(), {0, 0, 0});
    words[11 + 15] = 1000;
    words[11 + 16] = 500;
    auto planar = Header(words, {0x81, 0x01, 0x81, 0x01});
    img = DecodeBytes(kFormatGemRas, planar);
    ASSERT_EQ(img.rc, 0) << codec_error_text(img.rc);
    EXPECT_EQ(img.bpp, 4);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(std::vector<uint8_t>(img.rgb.begin() + 3 * x, img.rgb.begin() + 3 * x + 3),
                  (std::vector<uint8_t>{255, 127, 0}));
}

TEST(GemBuilt, HeaderChecks) {
    struct Case {
        std::vector<uint16_t> words;
        int rc;
    } cases[] = {
        {{2, 8, 1, 1, 85, 85, 8, 1}, 1702},
        {{1, 7, 1, 1, 85, 85, 8, 1}, 1703},
        {{1, 8, 9, 1, 85, 85, 8, 1}, 1704},
        {{1, 8, 0, 1, 85, 85, 8, 1}, 1704},
        {{1, 8, 24, 1, 85, 85, 8, 1}, 2},
        {{1, 8, 1, 1, 85, 85, 0, 1}, 6},
        {{1, 11, 2, 1, 85, 85, 8, 1, 'X' << 8 | 'I', 'M' << 8 | 'G', 0}, 1706},
        {{1, 11, 1, 1, 85, 85, 8, 1, 'X' << 8 | 'I', 'M' << 8 | 'G', 1}, 1707},
        {{1, 8, 1, 1, 85, 85, 8, 2}, 7},
        {{1, 8, 1, 1, 85, 85, 32000, 60000}, 7}, // 240 MB claimed by a 17-byte file
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeBytes(kFormatGemRas, Header(c.words, {0x81})).rc, c.rc) << c.words[2];
    EXPECT_STREQ(codec_error_text(1704), "number of planes not in range 1 to 8, or 24");
}

} // namespace
