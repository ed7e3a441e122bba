// Pictures prepared ahead on the loader's thread: the slide they make is the
// one a load on the saver's thread makes, pixel for pixel; a request is taken
// only by the same request, unreadable or removed files come back as failures,
// and stopping never waits for a whole decode.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "saver/geometry/fitting.h"
#include "saver/slide_loader_win32.h"
#include "saver/slide_sprite_win32.h"
#include "saver/sprite_win32.h"
#include "tests/harness/win_harness.h"

namespace {

// A bottom-up Windows bitmap of w x h: 24 bits whose pixel (x, y) mixes its
// coordinates, or 8 bits through a 256-entry table of the same kind.
std::string PictureFile(const std::string& path, int w, int h, int bits) {
    const size_t stride = (size_t(w) * size_t(bits / 8) + 3) / 4 * 4;
    const size_t table = bits == 8 ? 1024 : 0;
    std::string b;
    auto u16 = [&](unsigned v) { b += char(v & 0xFF), b += char((v >> 8) & 0xFF); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    b += "BM";
    u32(uint32_t(54 + table + stride * size_t(h))), u32(0), u32(uint32_t(54 + table));
    u32(40), u32(uint32_t(w)), u32(uint32_t(h)), u16(1), u16(unsigned(bits));
    u32(0), u32(uint32_t(stride * size_t(h))), u32(2835), u32(2835), u32(0), u32(0);
    for (size_t i = 0; i < table / 4; ++i)
        b += char(i * 7), b += char(255 - i), b += char(i * 3), b += char(0);
    for (int y = h - 1; y >= 0; --y) {
        std::string row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            if (bits == 8) {
                row[size_t(x)] = char((x / 3 + y * 5) & 0xFF);
            } else {
                row[size_t(x) * 3] = char((x * 3 + y) & 0xFF);
                row[size_t(x) * 3 + 1] = char((y * 2) & 0xFF);
                row[size_t(x) * 3 + 2] = char((x ^ y) & 0xFF);
            }
        }
        b += row;
    }
    EXPECT_TRUE(harness::WriteFileBytes(path, b));
    return path;
}

constexpr int kScreenW = 320, kScreenH = 240;
const RECT kScreen = {0, 0, kScreenW, kScreenH};

SlideRequest RequestFor(const std::string& entry, int index = 0, int sizeFlags = 0,
                        int colorMode = 0) {
    SlideRequest r;
    r.index = index;
    r.entry = entry;
    r.colorMode = colorMode;
    r.sizeFlags = sizeFlags;
    r.screenWidth = kScreenW;
    r.screenHeight = kScreenH;
    return r;
}

// The slide's picture bitmap read back as 0x00RRGGBB rows.
std::vector<uint32_t> SlidePixels(const Sprite& slide) {
    int w = slide.rect.right - slide.rect.left, h = slide.rect.bottom - slide.rect.top;
    harness::Surface32 copy(w, h);
    BitBlt(copy.Dc(), 0, 0, w, h, slide.imageDC, 0, 0, SRCCOPY);
    std::vector<uint32_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.push_back(copy.At(x, y));
    return px;
}

class SlideLoaderTest : public ::testing::Test {
  protected:
    void SetUp() override { dir_ = harness::MakeTempDir("slide_loader"); }
    std::string Path(const std::string& name) { return dir_ + "\\" + name; }
    std::string dir_;
};

TEST_F(SlideLoaderTest, PictureFittedAheadEqualsTheOneDrawnIntoTheSlide) {
    using saver::kSizeKeepAspect;
    using saver::kSizeShrink;
    using saver::kSizeStretch;
    struct Case {
        const char* what;
        int w, h, bits, sizeFlags, colorMode;
        int wantW, wantH;
    } cases[] = {
        {"large, shrunk keeping the aspect", 640, 400, 24, kSizeShrink | kSizeKeepAspect, 0, 320,
         200},
        {"large, shrunk to the screen", 500, 500, 24, kSizeShrink, 0, 320, 240},
        {"small, stretched keeping the aspect", 60, 90, 24, kSizeStretch | kSizeKeepAspect, 0, 160,
         240},
        {"small, own size", 70, 50, 24, 0, 0, 70, 50},
        {"palette picture stretched", 50, 40, 8, kSizeStretch, 0, 320, 240},
        {"grayscale", 400, 300, 24, kSizeShrink | kSizeKeepAspect, 2, 320, 240},
        {"256 colours", 90, 70, 24, kSizeStretch, 3, 320, 240},
    };
    for (const Case& c : cases) {
        std::string file = PictureFile(Path("fit.bmp"), c.w, c.h, c.bits);
        SlideRequest ahead = RequestFor(file, 0, c.sizeFlags, c.colorMode);
        SlideRequest here = ahead;
        here.fitAhead = false;
        saver::RainTable rain;
        SlideSprite fitted(rain), drawn(rain);
        fitted.bounds = drawn.bounds = kScreen;
        PreparedSlide a = PrepareSlide(ahead), b = PrepareSlide(here);
        ASSERT_TRUE(a.ok && a.fitted) << c.what;
        ASSERT_TRUE(b.ok && b.image) << c.what;
        ASSERT_TRUE(PutIntoSlide(fitted, a, kScreen)) << c.what;
        ASSERT_TRUE(PutIntoSlide(drawn, b, kScreen)) << c.what;
        EXPECT_EQ(fitted.rect.right - fitted.rect.left, c.wantW) << c.what;
        EXPECT_EQ(fitted.rect.bottom - fitted.rect.top, c.wantH) << c.what;
        EXPECT_TRUE(EqualRect(&fitted.rect, &drawn.rect)) << c.what;
        EXPECT_TRUE(SlidePixels(fitted) == SlidePixels(drawn)) << c.what;
    }
}

TEST_F(SlideLoaderTest, OnlyTheSameRequestTakesThePictureReadAhead) {
    std::string one = PictureFile(Path("one.bmp"), 40, 30, 24);
    std::string two = PictureFile(Path("two.bmp"), 30, 40, 24);
    std::string broken = Path("broken.bmp");
    harness::WriteFileBytes(broken, "BM no bitmap at all");
    SlideLoader loader;
    struct Case {
        const char* what;
        SlideRequest asked;  // requested ahead (index -1: nothing asked)
        SlideRequest wanted; // then taken
        bool ok;
        int width;
    } cases[] = {
        {"read ahead", RequestFor(one, 0), RequestFor(one, 0), true, 40},
        {"nothing asked: made now", RequestFor(one, -1), RequestFor(two, 1), true, 30},
        {"other entry wanted", RequestFor(one, 0), RequestFor(two, 1), true, 30},
        {"same entry, other place", RequestFor(one, 0), RequestFor(one, 2), true, 40},
        {"other size options", RequestFor(two, 0), RequestFor(two, 0, saver::kSizeStretch), true,
         320},
        {"unreadable ahead", RequestFor(broken, 1), RequestFor(broken, 1), false, 0},
        {"missing", RequestFor(Path("none.bmp"), 1), RequestFor(Path("none.bmp"), 1), false, 0},
    };
    for (const Case& c : cases) {
        if (c.asked.index >= 0) loader.Request(c.asked);
        PreparedSlide got = loader.Get(c.wanted);
        EXPECT_EQ(got.index, c.wanted.index) << c.what;
        EXPECT_EQ(got.entry, c.wanted.entry) << c.what;
        EXPECT_EQ(got.ok, c.ok) << c.what;
        EXPECT_EQ(got.width, c.width) << c.what;
    }
    // A picture read ahead whose file is then removed is as unreadable as the
    // file is now; the read-ahead never keeps anyone from removing it.
    std::string gone = PictureFile(Path("gone.bmp"), 20, 20, 24);
    loader.Request(RequestFor(gone, 0));
    ASSERT_TRUE(DeleteFileA(gone.c_str()));
    EXPECT_FALSE(loader.Get(RequestFor(gone, 0)).ok);
}

TEST_F(SlideLoaderTest, StoppingEndsTheThreadWithoutWaitingForTheDecode) {
    // A photograph-sized picture: Stop cuts its decode short, the next request
    // starts the thread again, and nothing it made is left behind.
    std::string big = PictureFile(Path("big.bmp"), 3000, 2000, 24);
    std::string small = PictureFile(Path("small.bmp"), 30, 20, 24);
    harness::ExpectNoGdiLeak([&] {
        SlideLoader loader;
        loader.Request(RequestFor(small, 0));
        PreparedSlide p = loader.Get(RequestFor(small, 0));
        ASSERT_TRUE(p.ok && p.fitted);
        loader.Request(RequestFor(small, 1)); // its result is dropped unseen
    });
    SlideLoader loader;
    for (int i = 0; i < 3; ++i) {
        loader.Request(RequestFor(big, 0));
        loader.Stop();
    }
    loader.Request(RequestFor(small, 0));
    EXPECT_TRUE(loader.Get(RequestFor(small, 0)).ok);
}

} // namespace
