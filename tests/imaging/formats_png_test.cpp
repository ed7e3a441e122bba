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

// One image of one row (two rows where the order is checked), as given.
struct DepthCase {
    const char* name;
    uint32_t width, height;
    int depth, type, interlace;
    std::vector<Bytes> rows;
    Bytes plte, trns;
    int bpp;
    std::vector<Rgb> expect; // top row first
    int transparentIndex;
};

Bytes MakePng(const DepthCase& c) {
    PngWriter w;
    w.Header(c.width, c.height, c.depth, c.type, c.interlace);
    if (!c.plte.empty()) w.Palette(c.plte);
    if (!c.trns.empty()) w.Trns(c.trns);
    return w.Rows(c.rows).End().Bytes();
}

TEST(PngDepths, EveryColourTypeArrivesInTheDepthsOfTheTable) {
    const DepthCase cases[] = {
        {"grey 1", 3, 1, 1, 0, 0, {{0xA0}}, {}, {}, 1, {Grey(255), Grey(0), Grey(255)}, -1},
        {"grey 2",
         4,
         1,
         2,
         0,
         0,
         {{0x1B}},
         {},
         {},
         4,
         {Grey(0), Grey(85), Grey(170), Grey(255)},
         -1},
        {"grey 4", 2, 1, 4, 0, 0, {{0xF1}}, {}, {}, 4, {Grey(255), Grey(17)}, -1},
        {"grey 8, two rows",
         2,
         2,
         8,
         0,
         0,
         {{7, 200}, {1, 2}},
         {},
         {},
         8,
         {Grey(7), Grey(200), Grey(1), Grey(2)},
         -1},
        {"grey 16 rounded",
         4,
         1,
         16,
         0,
         0,
         {Be16({0xFFFF, 0x1234, 0x0080, 0x0081})},
         {},
         {},
         8,
         {Grey(255), Grey(18), Grey(0), Grey(1)},
         -1},
        {"palette 1",
         3,
         1,
         1,
         3,
         0,
         {{0x40}},
         kPalette,
         {},
         1,
         {{250, 10, 20}, {30, 200, 40}, {250, 10, 20}},
         -1},
        {"palette 2",
         3,
         1,
         2,
         3,
         0,
         {{0xC8}},
         kPalette,
         {},
         4,
         {{90, 90, 90}, {250, 10, 20}, {0, 0, 255}},
         -1},
        {"palette 8", 2, 1, 8, 3, 0, {{2, 1}}, kPalette, {}, 8, {{0, 0, 255}, {30, 200, 40}}, -1},
        {"rgb 8",
         2,
         1,
         8,
         2,
         0,
         {{10, 20, 30, 200, 100, 50}},
         {},
         {},
         24,
         {{10, 20, 30}, {200, 100, 50}},
         -1},
        {"rgb 16", 1, 1, 16, 2, 0, {Be16({0xFFFF, 0x8000, 0})}, {}, {}, 24, {{255, 128, 0}}, -1},
        {"grey alpha",
         2,
         1,
         8,
         4,
         0,
         {{200, 255, 200, 128}},
         {},
         {},
         8,
         {Grey(200), Grey(100)},
         -1},
        {"grey alpha 16", 1, 1, 16, 4, 0, {Be16({0xFFFF, 0x8080})}, {}, {}, 8, {Grey(128)}, -1},
        {"rgb alpha",
         2,
         1,
         8,
         6,
         0,
         {{255, 0, 100, 0, 255, 128, 0, 51}},
         {},
         {},
         24,
         {{0, 0, 0}, {51, 26, 0}},
         -1},
        // Adam7 puts (0,0) in the first pass and row 1 in the last.
        {"interlaced", 1, 2, 8, 0, 1, {{9}, {77}}, {}, {}, 8, {Grey(9), Grey(77)}, -1},
        // Transparency: one clear entry stays as it is and is named ...
        {"palette, one clear entry",
         2,
         1,
         8,
         3,
         0,
         {{0, 1}},
         kPalette,
         {255, 0},
         8,
         {{250, 10, 20}, {30, 200, 40}},
         1},
        // ... any other alpha is composed into the palette.
        {"palette, half alpha",
         2,
         1,
         8,
         3,
         0,
         {{0, 1}},
         kPalette,
         {255, 128},
         8,
         {{250, 10, 20}, {15, 100, 20}},
         -1},
        {"palette, two clear entries",
         2,
         1,
         8,
         3,
         0,
         {{0, 1}},
         kPalette,
         {0, 0},
         8,
         {{0, 0, 0}, {0, 0, 0}},
         -1},
        {"grey, clear value", 2, 1, 8, 0, 0, {{7, 8}}, {}, Be16({7}), 8, {Grey(7), Grey(8)}, 7},
        {"grey 16, clear value",
         1,
         1,
         16,
         0,
         0,
         {Be16({0x1234})},
         {},
         Be16({0x1234}),
         8,
         {Grey(18)},
         18},
        {"grey 4, value out of range", 1, 1, 4, 0, 0, {{0x30}}, {}, Be16({20}), 4, {Grey(51)}, -1},
        {"rgb, clear colour",
         2,
         1,
         8,
         2,
         0,
         {{10, 20, 30, 10, 20, 31}},
         {},
         Be16({10, 20, 30}),
         24,
         {{0, 0, 0}, {10, 20, 31}},
         -1},
    };
    for (const auto& c : cases) {
        FormatImage img = DecodeBytes(kFormatPng, MakePng(c));
        ASSERT_EQ(img.rc, 0) << c.name << ": " << codec_error_text(img.rc);
        EXPECT_EQ(img.bpp, c.bpp) << c.name;
        EXPECT_EQ(img.width, int(c.width)) << c.name;
        EXPECT_EQ(img.height, int(c.height)) << c.name;
        EXPECT_TRUE(Pixels(img) == c.expect) << c.name;
        EXPECT_EQ(img.header.transparentIndex, c.transparentIndex) << c.name;
    }
}

// Fields of a 4 x 2 RGB file, to be spoiled one at a time.
struct Spoil {
    uint32_t width = 4, height = 2;
    int depth = 8, type = 2;
    uint32_t ihdrCrcDelta = 0;
    bool plte = false, idat = true, cut = false, badZlib = false, shortData = false;
};

Bytes SpoiltPng(const Spoil& s) {
    PngWriter head;
    head.Header(s.width, s.height, s.depth, s.type);
    Bytes bytes = head.Bytes();
    bytes.back() = uint8_t(bytes.back() + s.ihdrCrcDelta); // the header's CRC
    PngWriter rest;
    if (s.plte) rest.Palette(kPalette);
    const Bytes row(12, 99);
    if (s.idat) {
        if (s.badZlib)
            rest.RawIdat({1, 2, 3, 4, 5, 6});
        else if (s.shortData)
            rest.Rows({row});
        else
            rest.Rows({row, row});
    }
    rest.End();
    bytes.insert(bytes.end(), rest.Bytes().begin() + 8, rest.Bytes().end());
    if (s.cut) bytes.resize(bytes.size() - 20);
    return bytes;
}

TEST(PngErrors, BadFilesFailWithTheirCodesAndNeverEndTheProgram) {
    auto with = [](auto change) {
        Spoil s;
        change(s);
        return SpoiltPng(s);
    };
    const Bytes signature = {137, 80, 78, 71, 13, 10, 26, 10};
    struct Case {
        const char* name;
        Bytes bytes;
        int rc;
    } cases[] = {
        {"empty", {}, 7},
        {"a GIF", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0}, 5},
        {"signature only", signature, 7},
        {"header CRC", with([](Spoil& s) { s.ihdrCrcDelta = 1; }), 2000},
        {"colour type 5", with([](Spoil& s) { s.type = 5; }), 2000},
        {"grey of 3 bits", with([](Spoil& s) {
             s.type = 0;
             s.depth = 3;
         }),
         2000},
        {"palette without PLTE", with([](Spoil& s) { s.type = 3; }), 2000},
        {"zero width", with([](Spoil& s) { s.width = 0; }), 2000},
        {"width over 2^31", with([](Spoil& s) { s.width = 0x80000000u; }), 2000},
        {"no image data", with([](Spoil& s) { s.idat = false; }), 2000},
        {"a million squared", with([](Spoil& s) { s.width = s.height = 1000000; }), 6},
        {"data not zlib", with([](Spoil& s) { s.badZlib = true; }), 2001},
        {"too little data", with([](Spoil& s) { s.shortData = true; }), 2001},
        {"cut in the data", with([](Spoil& s) { s.cut = true; }), 7},
    };
    for (const auto& c : cases) {
        FormatImage img = DecodeBytes(kFormatPng, c.bytes);
        EXPECT_EQ(img.rc, c.rc) << c.name << ": " << codec_error_text(img.rc);
    }
    EXPECT_EQ(DecodeBytes(kFormatPng, SpoiltPng(Spoil{})).rc, 0);
    // A PNG file holds one picture, so a still is never taken for an animation.
    EXPECT_EQ(DecodeBytes(kFormatPng, SpoiltPng(Spoil{}), "index=1").rc, 2002);
    for (int code : {2000, 2001, 2002})
        EXPECT_STRNE(codec_error_text(code), "general error") << code;
}

TEST(PngImage, LoadsThroughTheImageObjectWithItsTransparentColour) {
    namespace fs = std::filesystem;
    fs::path dir = fs::path(PLINTHAR_BINARY_DIR) / "imaging-formats" / "png";
    fs::create_directories(dir);
    const std::string path = (dir / "Clear.PNG").string();
    const DepthCase c = {"", 2, 1, 4, 3, 0, {{0x12}}, kPalette, {255, 255, 0}, 4, {}, 2};
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
