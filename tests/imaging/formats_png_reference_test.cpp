// PNG reader against netpbm's pngtopnm: the PNG test suite that libpng's
// source carries (read in place where the bootstrap unpacked it) and files
// that ImageMagick makes here, pixel for pixel after the same reduction to 8
// bits (alpha composed onto black, except where one transparent colour is
// kept for sprites).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/imaging/formats_support.h"

namespace fs = std::filesystem;

namespace {

fs::path WorkDir() {
    fs::path d = fs::path(PLINTHAR_BINARY_DIR) / "imaging-formats" / "png";
    fs::create_directories(d);
    return d;
}

// Bit depth and colour type from the file's IHDR, and whether it has tRNS.
struct Kind {
    int depth = -1, type = -1;
    bool trns = false;
};

Kind KindOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (all.size() < 26) return {};
    return {uint8_t(all[24]), uint8_t(all[25]), all.find("tRNS") != std::string::npos};
}

// Decodes path and compares with pngtopnm; "" when they agree.
std::string CompareWithNetpbm(const std::string& path, const std::string& key) {
    FormatImage ours = DecodeFile(kFormatPng, path);
    if (ours.rc) return std::string("decode failed: ") + codec_error_text(ours.rc);
    const Kind k = KindOf(path);
    const bool alpha = k.type == 4 || k.type == 6;
    // A kept transparent colour shows as it is; any other transparency is
    // composed onto black.
    const bool kept = ours.header.transparentIndex >= 0;
    if (alpha && kept) return "an alpha channel cannot name one transparent colour";
    const std::string mix = kept ? "" : "-mix -background black ";
    std::string command =
        "/usr/bin/pngtopnm " + mix + ShellQuote(path) + " | /usr/bin/pamdepth 255";
    // pngtopnm leaves the transparent colour of an RGB file opaque; ImageMagick
    // composes it (told to take the samples as they are, as pngtopnm does,
    // rather than apply the file's gamma).
    if (k.type == 2 && k.trns)
        command = "/usr/bin/convert " + ShellQuote(path) +
                  " -set colorspace sRGB -background black -flatten -depth 8 ppm:-";
    FormatImage ref = OracleDecode(command, "png-" + key);
    if (ref.rc) return "pngtopnm failed";
    // 16-bit samples and composition round once here and once there.
    return ComparePixels(ours, ref, k.depth == 16 || alpha ? 1 : 0);
}

fs::path SuiteDir() {
    return fs::path(PLINTHAR_PNGSUITE);
}

TEST(PngSuite, EveryFileEqualsPngtopnm) {
    if (!fs::is_directory(SuiteDir())) GTEST_SKIP() << "no PNG suite (run scripts/bootstrap)";
    std::vector<std::string> files = FilesIn(SuiteDir().string(), ".png");
    for (const std::string& f : FilesIn((SuiteDir() / "interlaced").string(), ".png"))
        files.push_back(f);
    ASSERT_GE(files.size(), 50u);
    int withTransparentIndex = 0, interlaced = 0;
    for (const std::string& path : files) {
        const std::string key =
            fs::path(path).parent_path().filename().string() + "-" + fs::path(path).stem().string();
        EXPECT_EQ(CompareWithNetpbm(path, key), "") << path;
        withTransparentIndex += DecodeFile(kFormatPng, path).header.transparentIndex >= 0;
        interlaced += fs::path(path).filename().string()[0] == 'i';
    }
    // The suite covers the single-transparent-colour rule and Adam7.
    EXPECT_GT(withTransparentIndex, 5);
    EXPECT_GT(interlaced, 20);
}

// Runs ImageMagick's convert, whose args end in the output format ("PNG:"),
// into the work folder; "" when it failed.
std::string Convert(const std::string& name, const std::string& args) {
    return MakeWithTool("/usr/bin/convert " + args + "@OUT@",
                        (WorkDir() / (name + ".png")).string());
}

TEST(PngTools, ConvertMadeFilesEqualPngtopnm) {
    if (std::system("/usr/bin/convert -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no ImageMagick";
    const std::string alphaRamp = "-alpha set -channel A -fx i/w +channel ";
    struct Case {
        const char* name;
        std::string args;
        int depth, type;
    } cases[] = {
        {"rgba8", "rose: " + alphaRamp + "-define png:color-type=6 PNG:", 8, 6},
        {"rgba16", "rose: " + alphaRamp + "-depth 16 -define png:bit-depth=16 PNG:", 16, 6},
        {"grey-alpha", "rose: -colorspace gray " + alphaRamp + "-define png:color-type=4 PNG:", 8,
         4},
        {"palette4", "rose: -colors 16 -define png:bit-depth=4 PNG8:", 4, 3},
        {"palette8-clear",
         "rose: -fill white -draw 'rectangle 0,0 9,9' -colors 40 -transparent white "
         "-define png:color-type=3 PNG:",
         8, 3},
        {"odd-width", "rose: -crop 13x5+3+7 +repage -define png:color-type=2 PNG:", 8, 2},
        {"one-pixel", "-size 1x1 xc:'#123456' -define png:color-type=2 PNG:", 8, 2},
    };
    for (const auto& c : cases) {
        std::string path = Convert(c.name, c.args);
        ASSERT_FALSE(path.empty()) << c.name;
        const Kind k = KindOf(path);
        EXPECT_EQ(k.depth, c.depth) << c.name;
        EXPECT_EQ(k.type, c.type) << c.name;
        EXPECT_EQ(CompareWithNetpbm(path, std::string("im-") + c.name), "") << c.name;
    }
}

} // namespace
