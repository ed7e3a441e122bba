// PNG reader on files built here byte by byte: the depth each colour type is
// delivered in, 16-bit samples rounded to 8, alpha composed onto black, the
// one transparent colour kept for sprites, and every way a file can be bad.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "imaging/dib_image.h"
#include "tests/imaging/formats_support.h"
#include "tests/imaging/png_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::vector<Rgb> Pixels(const FormatImage& img) {
    std::vector<Rgb> out;
    for (size_t i = 0; i + 2 < img.rgb.size(); i += 3)
        out.push_back({img.rgb[i], img.rgb[i + 1], img.rgb[i + 2]});
    return out;
}

Rgb Grey(uint8_t v) {
    return {v, v, v};
}

const Bytes kPalette = {250, 10, 20, 30, 200, 40, 0, 0, 255, 90, 90, 90};

// One row of pixels in one colour type, as stored, and what it is delivered as.
struct DepthCase {
    const char* name;
    int depth, type;
    Bytes row, plte, trns;
    int bpp;
    std::vector<Rgb> expect;
    int transparentIndex;
};

Bytes MakePng(const DepthCase& c) {
    PngWriter w;
    w.Header(uint32_t(c.expect.size()), 1, c.depth, c.type);
    if (!c.plte.empty()) w.Palette(c.plte);
    if (!c.trns.empty()) w.Trns(c.trns);
    return w.Rows({c.row}).End().Bytes();
}

// clang-format off
const DepthCase kDepthCases[] = {
    {"grey 2", 2, 0, {0x1B}, {}, {}, 4, {Grey(0), Grey(85), Grey(170), Grey(255)}, -1},
    {"grey 16 rounded", 16, 0, Be16({0xFFFF, 0x1234, 0x0080, 0x0081}), {}, {}, 8,
     {Grey(255), Grey(18), Grey(0), Grey(1)}, -1},
    {"palette 2", 2, 3, {0xC8}, kPalette, {}, 4, {{90, 90, 90}, {250, 10, 20}, {0, 0, 255}}, -1},
    {"rgb 16", 16, 2, Be16({0xFFFF, 0x8000, 0}), {}, {}, 24, {{255, 128, 0}}, -1},
    {"grey alpha", 8, 4, {200, 255, 200, 128}, {}, {}, 8, {Grey(200), Grey(100)}, -1},
    {"rgb alpha", 8, 6, {255, 0, 100, 0, 255, 128, 0, 51}, {}, {}, 24,
     {{0, 0, 0}, {51, 26, 0}}, -1},
    // One clear palette entry keeps its colour and is named; other alpha is composed.
    {"palette, one clear", 8, 3, {0, 1}, kPalette, {255, 0}, 8,
     {{250, 10, 20}, {30, 200, 40}}, 1},
    {"palette, half alpha", 8, 3, {0, 1}, kPalette, {255, 128}, 8,
     {{250, 10, 20}, {15, 100, 20}}, -1},
    {"palette, two clear", 8, 3, {0, 1}, kPalette, {0, 0}, 8, {{0, 0, 0}, {0, 0, 0}}, -1},
    {"grey, clear value", 8, 0, {7, 8}, {}, Be16({7}), 8, {Grey(7), Grey(8)}, 7},
    {"grey 16, clear value", 16, 0, Be16({0x1234}), {}, Be16({0x1234}), 8, {Grey(18)}, 18},
    {"rgb, clear colour", 8, 2, {10, 20, 30, 10, 20, 31}, {}, Be16({10, 20, 30}), 24,
     {{0, 0, 0}, {10, 20, 31}}, -1},
};
// clang-format on

TEST(PngDepths, EveryColourTypeArrivesInTheDepthsOfTheTable) {
    for (const auto& c : kDepthCases) {
        FormatImage img = DecodeBytes(kFormatPng, MakePng(c));
        ASSERT_EQ(img.rc, 0) << c.name << ": " << codec_error_text(img.rc);
        EXPECT_EQ(img.bpp, c.bpp) << c.name;
        EXPECT_TRUE(Pixels(img) == c.expect) << c.name;
        EXPECT_EQ(img.header.transparentIndex, c.transparentIndex) << c.name;
    }
}

// A 4 x 2 RGB file with the given header and image data.
Bytes Rgb4x2(uint32_t w, uint32_t h, int depth, int type, int dataRows = 2, bool idat = true) {
    PngWriter png;
    png.Header(w, h, depth, type);
    if (idat) png.Rows(std::vector<Bytes>(size_t(dataRows), Bytes(12, 99)));
    return png.End().Bytes();
}

TEST(PngErrors, BadFilesFailWithTheirCodesAndNeverEndTheProgram) {
    const Bytes good = Rgb4x2(4, 2, 8, 2);
    Bytes badCrc = good, cut = good;
    badCrc[32] ^= 1; // the last byte of the header chunk's CRC
    cut.resize(cut.size() - 20);
    struct Case {
        const char* name;
        Bytes bytes;
        int rc;
    } cases[] = {
        {"empty", {}, 7},
        {"a GIF", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0}, 5},
        {"signature only", Bytes(good.begin(), good.begin() + 8), 7},
        {"header CRC", badCrc, 2000},
        {"colour type 5", Rgb4x2(4, 2, 8, 5), 2000},
        {"grey of 3 bits", Rgb4x2(4, 2, 3, 0), 2000},
        {"palette without PLTE", Rgb4x2(4, 2, 8, 3), 2000},
        {"zero width", Rgb4x2(0, 2, 8, 2), 2000},
        {"width of 2^31", Rgb4x2(0x80000000u, 2, 8, 2), 2000},
        {"no image data", Rgb4x2(4, 2, 8, 2, 0, false), 2000},
        {"a million squared", Rgb4x2(1000000, 1000000, 8, 2), 6},
        {"data not zlib", PngWriter().Header(4, 2, 8, 2).RawIdat({1, 2, 3, 4}).End().Bytes(), 2001},
        {"too little data", Rgb4x2(4, 2, 8, 2, 1), 2001},
        {"cut in the data", cut, 7},
    };
    for (const auto& c : cases) {
        FormatImage img = DecodeBytes(kFormatPng, c.bytes);
        EXPECT_EQ(img.rc, c.rc) << c.name << ": " << codec_error_text(img.rc);
    }
    EXPECT_EQ(DecodeBytes(kFormatPng, good).rc, 0);
    // A PNG file holds one picture, so a still is never taken for an animation.
    EXPECT_EQ(DecodeBytes(kFormatPng, good, "index=1").rc, 2002);
    for (int code : {2000, 2001, 2002})
        EXPECT_STRNE(codec_error_text(code), "general error") << code;
}

TEST(PngImage, LoadsThroughTheImageObjectWithItsTransparentColour) {
    namespace fs = std::filesystem;
    fs::path dir = fs::path(PLINTHAR_BINARY_DIR) / "imaging-formats" / "png";
    fs::create_directories(dir);
    const std::string path = (dir / "Clear.PNG").string();
    const DepthCase c = {"", 4, 3, {0x12}, kPalette, {255, 255, 0}, 4, {{}, {}}, 2};
    const Bytes bytes = MakePng(c);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    CDibImage img;
    ASSERT_TRUE(img.LoadFrame(path.c_str(), 0)) << img.error;
    EXPECT_EQ(img.format, kFormatPng);
    EXPECT_EQ(img.bitsPerPixel, 4);
    EXPECT_EQ(img.transparentIndex, 2);
    EXPECT_EQ(img.transparentColor, 0xFF0000u); // blue in a COLORREF
    EXPECT_FALSE(img.LoadFrame(path.c_str(), 1));
}

} // namespace
