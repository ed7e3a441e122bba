// TIFF reader: every file of the shared TIFF corpus either decodes to the
// pixels of libtiff's tifftopnm or fails with a code of the TIFF block (or a
// library code) and never crashes; tool-made files cover LZW with and without
// differencing, PackBits, planar RGB, CMYK, palettes, more than 299 strips,
// orientation 4 and "index=".
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <algorithm>
#include <map>

#include "tests/imaging/formats_support.h"

namespace fs = std::filesystem;

namespace {

std::string Base(const std::string& path) {
    std::string n = path.substr(path.rfind('/') + 1);
    return n.substr(0, n.rfind('.'));
}

FormatImage Tifftopnm(const std::string& path, const std::string& key) {
    return OracleDecode("/usr/bin/tifftopnm " + ShellQuote(path), "tiff-" + key);
}

bool DefinedCode(int rc) {
    return (rc >= 1 && rc <= 9) || (rc >= 800 && rc <= 829 && rc != 820);
}

bool IsGrey(const FormatImage& img) {
    for (size_t i = 0; i < img.palette.size(); i += 3)
        if (img.palette[i] != img.palette[i + 1] || img.palette[i] != img.palette[i + 2])
            return false;
    return true;
}

fs::path WorkDir() {
    fs::path d = fs::path(PLINTHAR_BINARY_DIR) / "imaging-formats" / "tiff";
    fs::create_directories(d);
    return d;
}

// CMYK pixels as this reader renders them (each of red, green, blue is 255
// minus its ink minus black, at least 0), from the raw inks ImageMagick reads.
FormatImage CmykReference(const std::string& path, const std::string& key) {
    FormatImage out;
    fs::path raw = WorkDir() / (key + ".cmyk");
    fs::path size = WorkDir() / (key + ".size");
    std::string cmd = "/usr/bin/convert " + ShellQuote(path) +
                      " -depth 8 cmyk:" + ShellQuote(raw.string()) +
                      " && /usr/bin/identify -format '%w %h' " + ShellQuote(path) + " >" +
                      ShellQuote(size.string());
    if (std::system(cmd.c_str()) != 0) return out;
    std::ifstream sz(size);
    sz >> out.width >> out.height;
    std::ifstream in(raw, std::ios::binary);
    std::vector<uint8_t> inks((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    if (out.width <= 0 || inks.size() != size_t(out.width) * size_t(out.height) * 4) return out;
    for (size_t i = 0; i < inks.size(); i += 4)
        for (int c = 0; c < 3; ++c)
            out.rgb.push_back(uint8_t(std::max(0, 255 - inks[i + size_t(c)] - inks[i + 3])));
    out.rc = 0;
    return out;
}

// Runs a shell command that writes @OUT@; returns the file's path or "".
std::string Make(const std::string& name, std::string cmd) {
    fs::path out = WorkDir() / name;
    fs::path tmp = out;
    tmp += ".tmp" + std::to_string(::getpid()) + ".tif";
    for (size_t at; (at = cmd.find("@OUT@")) != std::string::npos;)
        cmd.replace(at, 5, ShellQuote(tmp.string()));
    if (std::system((cmd + " 2>/dev/null").c_str()) != 0) return "";
    fs::rename(tmp, out);
    return out.string();
}

TEST(TiffCorpus, FilesMatchTifftopnmOrFailWithDefinedCodes) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    int decoded = 0, refused = 0;
    for (const char* dir : {"tiff/libtiffpic", "tiff/libtiffpic/depth", "tiff/libtiff-test-images",
                            "tiff/image-tiff-seq", "tiff/image-rs-testsuite", "generated/tiff"}) {
        for (const std::string suffix : {".tif", ".tiff"}) {
            for (const auto& path : FilesIn(TestData(dir), suffix)) {
                std::string name = Base(path);
                FormatImage ours = DecodeFile(kFormatTiff, path);
                if (ours.rc) {
                    EXPECT_TRUE(DefinedCode(ours.rc)) << name << " " << ours.rc;
                    ++refused;
                    continue;
                }
                const std::string key = Base(dir) + "-" + name;
                FormatImage ref = name.find("cmyk") != std::string::npos ||
                                          name.find("separated") != std::string::npos
                                      ? CmykReference(path, key)
                                  : name.find("unassoc") != std::string::npos
                                      ? OracleDecode("/usr/bin/convert " + ShellQuote(path) +
                                                         " -alpha off -depth 8 ppm:-",
                                                     "tiff-" + key)
                                      : Tifftopnm(path, key);
                EXPECT_EQ(ref.rc, 0) << name;
                if (ref.rc) continue;
                // Colour maps hold 16-bit values: ours takes the high byte,
                // libtiff scales by 255 / 65535 and truncates.
                const int tolerance = ours.header.bpp <= 8 && !IsGrey(ours) ? 1 : 0;
                EXPECT_EQ(ComparePixels(ours, ref, tolerance), "") << dir << "/" << name;
                ++decoded;
            }
        }
    }
    std::printf("decoded %d, refused %d\n", decoded, refused);
    EXPECT_GE(decoded, 60);
}

TEST(TiffCorpus, GeneratedVariantsAllDecodeSave16Bits) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    const std::map<std::string, int> refused = {{"gray16_lzw_pred2", 806}, {"rgb48_lzw", 808}};
    auto files = FilesIn(TestData("generated/tiff"), ".tif");
    ASSERT_GE(files.size(), 15u);
    for (const auto& path : files) {
        auto it = refused.find(Base(path));
        EXPECT_EQ(DecodeFile(kFormatTiff, path).rc, it == refused.end() ? 0 : it->second)
            << Base(path);
    }
}

TEST(TiffMade, ManyStripsOrientationAndIndex) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    const std::string src = ShellQuote(TestData("generated/src/rgb24.ppm"));
    // One row per strip: several hundred strip offsets.
    std::string strips = Make(
        "strips.tif", "/usr/bin/convert " + src +
                          " -resize 120x400! -compress LZW -define tiff:rows-per-strip=1 @OUT@");
    ASSERT_FALSE(strips.empty());
    FormatImage many = DecodeFile(kFormatTiff, strips);
    ASSERT_EQ(many.rc, 0) << codec_error_text(many.rc);
    ASSERT_GT(many.height, 299);
    FormatImage ref = Tifftopnm(strips, "made-strips");
    ASSERT_EQ(ref.rc, 0);
    EXPECT_EQ(ComparePixels(many, ref), "");

    // Orientation 4 (first row at the bottom) turns the picture over.
    std::string flipped = Make("orient4.tif", "cp " + ShellQuote(strips) +
                                                  " @OUT@ && /usr/bin/tiffset -s 274 4 @OUT@");
    ASSERT_FALSE(flipped.empty());
    FormatImage turned = DecodeFile(kFormatTiff, flipped);
    ASSERT_EQ(turned.rc, 0);
    const size_t row = size_t(many.width) * 3;
    for (int y = 0; y < many.height; ++y)
        ASSERT_TRUE(std::equal(turned.rgb.begin() + long(row * size_t(y)),
                               turned.rgb.begin() + long(row * size_t(y + 1)),
                               many.rgb.begin() + long(row * size_t(many.height - 1 - y))))
            << y;
    std::string eight = Make("orient8.tif", "cp " + ShellQuote(strips) +
                                                " @OUT@ && /usr/bin/tiffset -s 274 8 @OUT@");
    EXPECT_EQ(DecodeFile(kFormatTiff, eight).rc, 828);

    // Two images: index=1 is the second, index=2 does not exist.
    std::string pages = Make("pages.tif", "/usr/bin/convert " + src + " " +
                                              ShellQuote(TestData("generated/src/gray8.pgm")) +
                                              " -compress RLE @OUT@");
    ASSERT_FALSE(pages.empty());
    FormatImage second = DecodeFile(kFormatTiff, pages, "index=1");
    ASSERT_EQ(second.rc, 0) << codec_error_text(second.rc);
    EXPECT_EQ(second.bpp, 8);
    EXPECT_EQ(DecodeFile(kFormatTiff, pages, "index=2").rc, 829);
}

} // namespace
