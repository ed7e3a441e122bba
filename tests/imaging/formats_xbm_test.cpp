// XBitmap reader: X10 and X11 bitmaps from outside and from Debian tools
// decode to netpbm's xbmtopbm pixels; texts built here reach each of the
// parser's codes 1300-1310.
#include <gtest/gtest.h>

#include <string>

#include "tests/imaging/formats_support.h"

namespace {

TEST(XbmCorpus, FilesMatchXbmtopbm) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    int decoded = 0;
    for (const char* dir : {"xbm/pillow", "xbm/netsurf", "generated/xbm"}) {
        for (const auto& path : FilesIn(TestData(dir), ".xbm")) {
            std::string name = FileStem(path);
            FormatImage ours = DecodeFile(kFormatXBitmap, path);
            EXPECT_EQ(ours.rc, 0) << name << ": " << codec_error_text(ours.rc);
            FormatImage ref = OracleDecode("/usr/bin/xbmtopbm " + ShellQuote(path), "xbm-" + name);
            EXPECT_EQ(ref.rc, 0) << name;
            if (ours.rc || ref.rc) continue;
            EXPECT_EQ(ComparePixels(ours, ref), "") << name;
            ++decoded;
        }
    }
    EXPECT_EQ(decoded, 7);
}

FormatImage Parse(const std::string& text) {
    return DecodeBytes(kFormatXBitmap, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(XbmParse, BitsOrderShortsAndComments) {
    // 10 x 2: the lowest bit is the leftmost pixel; the second value of each
    // row holds pixels 8 and 9 only.
    FormatImage img = Parse("/* c */ #define a_width 10\n#define a_height 2\n#define a_x_hot 1\n"
                            "static unsigned char a_bits[] = { 0x01, 0x02, /* x */ 0x80, 0xff, };");
    ASSERT_EQ(img.rc, 0) << codec_error_text(img.rc);
    auto black = [&](int x, int y) { return img.rgb[size_t(3 * (y * 10 + x))] == 0; };
    EXPECT_TRUE(black(0, 0));
    EXPECT_FALSE(black(1, 0));
    EXPECT_TRUE(black(9, 0));
    EXPECT_TRUE(black(7, 1));
    EXPECT_TRUE(black(8, 1) && black(9, 1));
    EXPECT_EQ(img.palette, (std::vector<uint8_t>{255, 255, 255, 0, 0, 0}));
    // X10: one 16-bit value covers the same 10 pixels.
    FormatImage x10 = Parse("#define b_width 10\n#define b_height 2\n"
                            "static short b_bits[] = {0x0201, 0xff80};");
    ASSERT_EQ(x10.rc, 0) << codec_error_text(x10.rc);
    EXPECT_EQ(x10.rgb, img.rgb);
}

TEST(XbmParse, EachSyntaxErrorHasItsCode) {
    const std::string defs = "#define a_width 8\n#define a_height 2\n";
    struct Case {
        std::string text;
        int rc;
    } cases[] = {
        {defs + "static 5", 1300},
        {defs + "static char a_bits[] = {1, 2", 1301},
        {"#define a_width", 1301},
        {defs + "static long a_bits[] = {1, 2};", 1302},
        {defs + "static char a_bits] = {1, 2};", 1303},
        {defs + "static char a_bits[ = {1, 2};", 1304},
        {defs + "static char a_bits[] {1, 2};", 1305},
        {defs + "static char a_bits[] = 1, 2};", 1306},
        {defs + "static char a_bits[] = {1, 2;", 1307},
        {defs + "static char a_bits[] = {1 2};", 1308},
        {defs + "static char a_bits[] = {1, x};", 1309},
        {defs + "static char a_bits[] = {1};", 1308},
        {defs + "static char a_bits[] = {1, 2}", 1301},
        {defs + "static char a_bits[] = {1, 2} x", 1310},
        {"#define a_width 0\n#define a_height 2\nchar a[] = {1, 2};", 6},
        {"#define a_width 99999\n#define a_height 99999\nchar a[] = {1, 2};", 6},
        {"#define a_width 800\n#define a_height 800\nchar a[] = {1, 2};", 1301},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parse(c.text).rc, c.rc) << c.text;
    EXPECT_STREQ(codec_error_text(1303), "expected[");
    EXPECT_STREQ(codec_error_text(1310), "expected ;");
}

} // namespace
