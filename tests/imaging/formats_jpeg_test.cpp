// JPEG reader: pixels equal to djpeg's (the same libjpeg, so exactly) for the
// IJG test images and for variants made here with cjpeg (grayscale,
// progressive, restart markers, no subsampling, odd sizes); a file cut short
// still loads; the library's messages come back as codes 1910-1929.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "tests/imaging/exif_builder.h"
#include "tests/imaging/formats_support.h"

namespace fs = std::filesystem;

namespace {

const std::string kImages = "jpeg/libjpeg-turbo-testimages/";

fs::path WorkDir() {
    fs::path d = fs::path(PLINTHAR_BINARY_DIR) / "imaging-formats" / "jpeg";
    fs::create_directories(d);
    return d;
}

FormatImage Djpeg(const std::string& path, const std::string& key) {
    return OracleDecode("/usr/bin/djpeg -pnm " + ShellQuote(path), "jpeg-" + key);
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool IsJpegCode(int rc) {
    return rc >= 1910 && rc <= 1929;
}

// A cjpeg encoding of the IJG test picture (optionally cut to a size first).
std::string MakeVariant(const std::string& name, const std::string& cjpegArgs,
                        const std::string& cut = "") {
    fs::path out = WorkDir() / (name + ".jpg");
    std::string src = ShellQuote(TestData(kImages + "testorig.ppm"));
    std::string input = cut.empty() ? src : "/usr/bin/pamcut " + cut + " " + src + " |";
    std::string cmd = cut.empty() ? "/usr/bin/cjpeg " + cjpegArgs + " " + src
                                  : input + " /usr/bin/cjpeg " + cjpegArgs;
    return MakeWithTool(cmd + " >@OUT@", out.string());
}

TEST(JpegReference, TestImagesEqualDjpeg) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    for (const char* name : {"testorig", "testimgint", "testimgari"}) {
        std::string path = TestData(kImages + name + ".jpg");
        FormatImage ours = DecodeFile(kFormatJpeg, path);
        ASSERT_EQ(ours.rc, 0) << name << ": " << codec_error_text(ours.rc);
        EXPECT_EQ(ours.bpp, 24);
        FormatImage ref = Djpeg(path, name);
        ASSERT_EQ(ref.rc, 0) << name;
        EXPECT_EQ(ComparePixels(ours, ref), "") << name;
    }
}

TEST(JpegReference, CjpegVariantsEqualDjpeg) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    struct Variant {
        const char* name;
        const char* args;
        const char* cut;
        int bpp;
    } variants[] = {
        {"gray", "-grayscale", "", 8},
        {"progressive", "-progressive", "", 24},
        {"restart", "-restart 1", "", 24},
        {"sample1x1", "-sample 1x1 -quality 95", "", 24},
        {"odd-size", "-sample 2x2", "-left=3 -top=5 -width=61 -height=37", 24},
        {"odd-gray-progressive", "-grayscale -progressive", "-width=33 -height=7", 8},
        {"one-pixel", "", "-width=1 -height=1", 24},
    };
    for (const auto& v : variants) {
        std::string path = MakeVariant(v.name, v.args, v.cut);
        ASSERT_FALSE(path.empty()) << v.name;
        FormatImage ours = DecodeFile(kFormatJpeg, path);
        ASSERT_EQ(ours.rc, 0) << v.name << ": " << codec_error_text(ours.rc);
        EXPECT_EQ(ours.bpp, v.bpp) << v.name;
        FormatImage ref = Djpeg(path, v.name);
        ASSERT_EQ(ref.rc, 0) << v.name;
        EXPECT_EQ(ComparePixels(ours, ref), "") << v.name;
        if (v.bpp == 8) {
            for (int i = 0; i < 256; ++i)
                ASSERT_TRUE(ours.palette[3 * i] == i && ours.palette[3 * i + 1] == i &&
                            ours.palette[3 * i + 2] == i)
                    << v.name << " entry " << i;
        }
    }
}

TEST(JpegFiles, ExtensionDecidesAndCaseDoesNotMatter) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    fs::path photo = WorkDir() / "photo.JPEG";
    fs::copy_file(TestData(kImages + "testorig.jpg"), photo, fs::copy_options::overwrite_existing);
    int index = -1;
    ASSERT_EQ(codec_guess(photo.string().c_str(), &index), 0);
    EXPECT_EQ(index, kFormatJpeg);
    EXPECT_EQ(DecodeFile(index, photo.string()).rc, 0);
    // Refused by its name alone: the file does not even exist.
    EXPECT_EQ(codec_guess((WorkDir() / "photo.jfif").string().c_str(), &index), 4);
}

TEST(JpegFiles, FileCutShortLoadsWhatItHolds) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    auto whole = ReadAll(TestData(kImages + "testorig.jpg"));
    for (size_t keep : {whole.size() / 2, whole.size() / 5, size_t(700)}) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(keep));
        fs::path path = WorkDir() / ("cut-" + std::to_string(keep) + ".jpg");
        WriteAll(path, cut);
        FormatImage ours = DecodeBytes(kFormatJpeg, cut);
        ASSERT_EQ(ours.rc, 0) << keep << ": " << codec_error_text(ours.rc);
        // djpeg ends such a file the same way, so the pixels agree exactly.
        // djpeg warns "Premature end of JPEG file" and exits with 2.
        FormatImage ref =
            OracleDecode("(/usr/bin/djpeg -pnm " + ShellQuote(path.string()) + " || test $? = 2)",
                         "jpeg-cut-" + std::to_string(keep));
        ASSERT_EQ(ref.rc, 0);
        EXPECT_EQ(ComparePixels(ours, ref), "") << keep;
    }
}

TEST(JpegErrors, LibraryMessagesBecomeCodesWithTheirText) {
    FormatImage empty = DecodeBytes(kFormatJpeg, {});
    ASSERT_TRUE(IsJpegCode(empty.rc)) << empty.rc;
    EXPECT_STREQ(codec_error_text(empty.rc), "Empty input file");

    FormatImage notJpeg = DecodeBytes(kFormatJpeg, {'G', 'I', 'F', '8', '9', 'a'});
    ASSERT_TRUE(IsJpegCode(notJpeg.rc));
    EXPECT_STREQ(codec_error_text(notJpeg.rc), "Not a JPEG file: starts with 0x47 0x49");
    // The first failure's text survives the second one.
    EXPECT_NE(notJpeg.rc, empty.rc);
    EXPECT_STREQ(codec_error_text(empty.rc), "Empty input file");

    // Only the start-of-image marker: the library reaches the fake end.
    FormatImage bare = DecodeBytes(kFormatJpeg, {0xFF, 0xD8});
    ASSERT_TRUE(IsJpegCode(bare.rc));
    EXPECT_NE(std::string(codec_error_text(bare.rc)).find("JPEG datastream contains no image"),
              std::string::npos)
        << codec_error_text(bare.rc);
}

TEST(JpegErrors, TwentySlotsReusedOldestFirst) {
    std::vector<int> codes;
    for (int i = 0; i < 25; ++i) {
        uint8_t b = uint8_t(0x10 + i);
        FormatImage img = DecodeBytes(kFormatJpeg, {b, b});
        ASSERT_TRUE(IsJpegCode(img.rc));
        codes.push_back(img.rc);
    }
    // 20 consecutive failures use 20 different slots; the 21st takes the
    // slot of the 1st.
    EXPECT_EQ(std::set<int>(codes.begin(), codes.begin() + 20).size(), 20u);
    EXPECT_EQ(codes[20], codes[0]);
    for (int i = 5; i < 25; ++i) {
        char want[64];
        std::snprintf(want, sizeof want, "Not a JPEG file: starts with 0x%02x 0x%02x", 0x10 + i,
                      0x10 + i);
        EXPECT_STREQ(codec_error_text(codes[size_t(i)]), want) << i;
    }
}

TEST(JpegErrors, UnusualFilesFailCleanly) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    // 12-bit samples are beyond the 8-bit interface: the library says so.
    FormatImage twelve = DecodeFile(kFormatJpeg, TestData(kImages + "monkey12.jpg"));
    ASSERT_TRUE(IsJpegCode(twelve.rc)) << twelve.rc;
    EXPECT_NE(std::string(codec_error_text(twelve.rc)).find("precision"), std::string::npos);
    // CMYK has no 8- or 24-bit rendering here.
    fs::path cmyk = WorkDir() / "cmyk.jpg";
    ASSERT_FALSE(MakeWithTool("/usr/bin/convert " + ShellQuote(TestData(kImages + "testorig.jpg")) +
                                  " -colorspace CMYK @OUT@",
                              cmyk.string())
                     .empty());
    EXPECT_EQ(DecodeFile(kFormatJpeg, cmyk.string()).rc, 2);
}

TEST(JpegRows, PaddingIsClearedAndRowsAreBottomUp) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    std::string path = MakeVariant("pad-5x3", "-sample 1x1 -quality 100", "-width=5 -height=3");
    ASSERT_FALSE(path.empty());
    auto bytes = ReadAll(path);
    CodecMemory mem;
    codec_memory_init(&mem, bytes.data(), bytes.size());
    CodecFile f;
    ASSERT_TRUE(codec_open(&f, &mem.io, "x.jpg"));
    CodecHeader h{};
    ASSERT_EQ(codec_read_header("x.jpg", &f, kFormatJpeg, &h, ""), 0);
    ASSERT_EQ(h.width, 5);
    ASSERT_EQ(h.bpp, 24);
    std::vector<uint8_t> pixels(16 * 3, 0xA5);
    ASSERT_EQ(codec_read_data(&f, kFormatJpeg, &h, pixels.data()), 0);
    codec_close(&f);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(pixels[size_t(16 * row + 15)], 0) << row;
    FormatImage ref = Djpeg(path, "pad-5x3");
    ASSERT_EQ(ref.rc, 0);
    // Top image row = last buffer row, blue first.
    EXPECT_EQ(pixels[32], ref.rgb[2]);
    EXPECT_EQ(pixels[34], ref.rgb[0]);
}

} // namespace

namespace {

// A camera's orientation tag turns the picture upright: all eight values, in
// both byte orders, against ImageMagick's -auto-orient of the same file.  A
// broken block leaves the picture as stored (djpeg of the file).
TEST(JpegOrientation, ShownAsImageMagickAutoOrientShowsIt) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    // An odd, non-square size, so that a swapped or mirrored axis cannot match.
    std::string plain = MakeVariant("orient-plain", "-sample 1x1 -quality 95",
                                    "-left=17 -top=9 -width=53 -height=31");
    ASSERT_FALSE(plain.empty());
    const auto bytes = ReadAll(plain);
    for (int value = 1; value <= 8; ++value) {
        const bool big = value % 2 == 0;
        auto tagged = WithApp1(bytes, ExifBlock(big, {{0x0110, 2, 4, 0x4142}, // Model
                                                      {0x0112, 3, 1, uint32_t(value)}}));
        fs::path path = WorkDir() / ("orient-" + std::to_string(value) + ".jpg");
        WriteAll(path, tagged);
        FormatImage ours = DecodeFile(kFormatJpeg, path.string());
        ASSERT_EQ(ours.rc, 0) << value << ": " << codec_error_text(ours.rc);
        EXPECT_EQ(ours.width, value >= 5 ? 31 : 53) << value;
        FormatImage ref =
            OracleDecode("/usr/bin/convert " + ShellQuote(path.string()) + " -auto-orient ppm:-",
                         "jpeg-orient-" + std::to_string(value));
        ASSERT_EQ(ref.rc, 0) << value;
        EXPECT_EQ(ComparePixels(ours, ref), "") << value;
    }
    FormatImage asStored = Djpeg(plain, "orient-plain");
    ASSERT_EQ(asStored.rc, 0);
    struct Broken {
        const char* what;
        std::vector<uint8_t> payload;
    } broken[] = {
        {"value 9", ExifBlock(false, {{0x0112, 3, 1, 9}})},
        {"IFD far beyond the block", ExifBlock(true, {{0x0112, 3, 1, 6}}, 0x7FFFFFF0)},
        {"cut after the TIFF header", {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0}},
        {"not Exif at all", {'h', 't', 't', 'p', ':', '/', '/'}},
    };
    for (const Broken& b : broken) {
        FormatImage ours = DecodeBytes(kFormatJpeg, WithApp1(bytes, b.payload));
        ASSERT_EQ(ours.rc, 0) << b.what;
        EXPECT_EQ(ComparePixels(ours, asStored), "") << b.what;
    }
}

} // namespace
