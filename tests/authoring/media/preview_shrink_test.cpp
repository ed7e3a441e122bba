// Averaging a picture down to its preview size, on images built here.
#include "authoring/media/preview_shrink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

// An image of w x h at bpp bits whose bits the test fills; rows bottom-up.
void Make(CDibImage& img, int w, int h, int bpp) {
    img.width = w;
    img.height = h;
    img.bitsPerPixel = bpp;
    img.colorsUsed = bpp <= 8 ? 1 << bpp : 0;
    img.bits = static_cast<uint8_t*>(std::calloc(img.Stride() * size_t(h), 1));
}

// Sets pixel (x, y), y counted from the bottom row, at 24 bits.
void Put(CDibImage& img, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = img.bits + size_t(y) * img.Stride() + size_t(x) * 3;
    p[0] = b, p[1] = g, p[2] = r;
}

uint32_t At(const std::vector<uint8_t>& out, int outWidth, int x, int y) {
    const uint8_t* p = out.data() + size_t(y) * DibStride(outWidth, 24) + size_t(x) * 3;
    return DibRgb(p[2], p[1], p[0]);
}

}  // namespace

TEST(PreviewShrink, AveragesEverySourcePixelOfEachCell) {
    CDibImage img;
    Make(img, 4, 2, 24);
    // Left cell: four shades of red averaging to 100; right cell: one white pixel in four.
    Put(img, 0, 0, 40, 0, 0), Put(img, 1, 0, 80, 0, 0), Put(img, 0, 1, 120, 0, 0),
        Put(img, 1, 1, 160, 0, 0);
    Put(img, 3, 1, 255, 255, 255);
    std::vector<uint8_t> out;
    ASSERT_TRUE(media::ShrinkImage(img, 2, 1, &out));
    EXPECT_EQ(out.size(), DibStride(2, 24));
    EXPECT_EQ(At(out, 2, 0, 0), DibRgb(100, 0, 0));
    EXPECT_EQ(At(out, 2, 1, 0), DibRgb(64, 64, 64));  // 255 / 4 rounded
}

TEST(PreviewShrink, EightBitPicturesGoThroughTheirColourTable) {
    CDibImage img;
    Make(img, 3, 3, 8);
    img.bmi.bmiColors[1] = {0, 0, 90, 0};  // red 90
    img.bmi.bmiColors[2] = {200, 0, 0, 0}; // blue 200
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) img.bits[size_t(y) * img.Stride() + size_t(x)] = (x + y) % 2 ? 2 : 1;
    std::vector<uint8_t> out;
    ASSERT_TRUE(media::ShrinkImage(img, 1, 1, &out));
    // Five pixels of index 1, four of index 2.
    EXPECT_EQ(At(out, 1, 0, 0), DibRgb((5 * 90 + 4) / 9, 0, (4 * 200 + 4) / 9));
}

TEST(PreviewShrink, RefusesWhatItCannotShrink) {
    struct Case {
        int w, h, bpp, outW, outH;
    };
    const Case cases[] = {
        {4, 4, 24, 5, 2},  // wider than the image
        {4, 4, 24, 2, 5},  // higher
        {4, 4, 24, 0, 2},  // nothing to make
        {8, 8, 4, 2, 2},   // depths other than 8 and 24
        {8, 8, 1, 2, 2},
    };
    for (const Case& c : cases) {
        CDibImage img;
        Make(img, c.w, c.h, c.bpp);
        std::vector<uint8_t> out(3, 1);
        EXPECT_FALSE(media::ShrinkImage(img, c.outW, c.outH, &out)) << c.w << " " << c.outW;
        EXPECT_TRUE(out.empty());
    }
    CDibImage empty;
    std::vector<uint8_t> out;
    EXPECT_FALSE(media::ShrinkImage(empty, 1, 1, &out));
}

TEST(PreviewShrink, SameSizeCopiesAndOddSizesCoverEveryPixel) {
    CDibImage img;
    Make(img, 7, 5, 24);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) Put(img, x, y, uint8_t(x * 30), uint8_t(y * 50), 7);
    std::vector<uint8_t> out;
    ASSERT_TRUE(media::ShrinkImage(img, 7, 5, &out));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(At(out, 7, x, y), img.PixelAt(x, 4 - y));
    // A uniform colour stays itself at any reduction.
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) Put(img, x, y, 10, 20, 30);
    for (int outW = 1; outW <= 7; ++outW)
        for (int outH = 1; outH <= 5; ++outH) {
            ASSERT_TRUE(media::ShrinkImage(img, outW, outH, &out));
            for (int y = 0; y < outH; ++y)
                for (int x = 0; x < outW; ++x) ASSERT_EQ(At(out, outW, x, y), DibRgb(10, 20, 30));
        }
}
