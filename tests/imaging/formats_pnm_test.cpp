// Greymap (P5) and Pixmap (P6) readers: the shared netpbm files decode to
// the pixels of netpbm's own pamdepth (scaled to 255), the plain, 16-bit and
// broken ones fail with their codes, and headers built here cover comments,
// the maximum value and short rasters.
#include <gtest/gtest.h>

#include <map>

#include "tests/imaging/formats_support.h"

namespace {

TEST(PnmCorpus, FilesMatchNetpbmOrFailWithTheirCode) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    const std::map<std::string, int> refused = {
        {"p2_plain", 5},       {"p3_plain", 5},           {"hopper_8bit_plain", 5},
        {"p5_16bit", 100},     {"p6_16bit", 200},         {"16_bit_binary", 100},
        {"hopper_16bit", 100}, {"hopper_16bit_plain", 5}, {"negative_size", 6},
    };
    int decoded = 0;
    for (const char* dir : {"pnm/pillow", "generated/pnm"}) {
        for (const auto& [suffix, format] :
             {std::pair<std::string, int>{".pgm", kFormatGreymap}, {".ppm", kFormatPixmap}}) {
            for (const auto& path : FilesIn(TestData(dir), suffix)) {
                std::string name = FileStem(path);
                FormatImage ours = DecodeFile(format, path);
                auto it = refused.find(name);
                if (it != refused.end()) {
                    EXPECT_EQ(ours.rc, it->second) << name;
                    continue;
                }
                EXPECT_EQ(ours.rc, 0) << name << ": " << codec_error_text(ours.rc);
                FormatImage ref = OracleDecode("/usr/bin/pamdepth 255 " + ShellQuote(path),
                                               "pnm-" + name + suffix);
                EXPECT_EQ(ref.rc, 0) << name;
                if (ours.rc || ref.rc) continue;
                // pamdepth rounds where the readers truncate.
                EXPECT_EQ(ComparePixels(ours, ref, 1), "") << name;
                ++decoded;
            }
        }
    }
    EXPECT_GE(decoded, 5);
}

std::vector<uint8_t> Bytes(const std::string& header, std::vector<uint8_t> raster) {
    std::vector<uint8_t> out(header.begin(), header.end());
    out.insert(out.end(), raster.begin(), raster.end());
    return out;
}

TEST(PnmHeaders, CommentsMaximumAndSizes) {
    FormatImage g =
        DecodeBytes(kFormatGreymap, Bytes("P5 # a comment\n2 #x\n 1\n#y\n15\n", {0, 15}));
    ASSERT_EQ(g.rc, 0) << codec_error_text(g.rc);
    EXPECT_EQ(g.rgb, (std::vector<uint8_t>{0, 0, 0, 255, 255, 255}));
    EXPECT_EQ(g.palette[3 * 5], 85); // 5 of 15

    FormatImage p = DecodeBytes(kFormatPixmap, Bytes("P6\n1 2\n3\n", {3, 0, 1, 1, 2, 3}));
    ASSERT_EQ(p.rc, 0) << codec_error_text(p.rc);
    EXPECT_EQ(p.rgb, (std::vector<uint8_t>{255, 0, 85, 85, 170, 255}));

    struct Case {
        int format;
        const char* header;
        int rc;
    } cases[] = {
        {kFormatGreymap, "P5 1 1 0\n", 100},
        {kFormatGreymap, "P5 1 1 256\n", 100},
        {kFormatPixmap, "P6 1 1 65535\n", 200},
        {kFormatGreymap, "P6 1 1 255\n", 5},
        {kFormatGreymap, "P5 0 1 255\n", 6},
        {kFormatGreymap, "P5 -1 1 255\n", 6},
        {kFormatGreymap, "P5 1234567890 1 255\n", 6},
        {kFormatGreymap, "P5 9 9 255\n", 7},
        {kFormatPixmap, "P6 1 1", 7},
        {kFormatGreymap, "P5 70000 70000 255\n", 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeBytes(c.format, Bytes(c.header, {1, 2, 3})).rc, c.rc) << c.header;
    EXPECT_STREQ(codec_error_text(200), "bad maximum pixel intensity");
}

} // namespace
