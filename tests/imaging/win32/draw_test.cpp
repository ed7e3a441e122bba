// Drawing decoded pictures with GDI under Wine, and the canvas window.
#include <windows.h>

#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include "imaging/dib_image.h"
#include "imaging/picture_box_win32.h"
#include "tests/harness/win_harness.h"
#include "tests/imaging/gif_builder.h"

namespace {

// A drawing surface read back exactly.
struct Surface : harness::Surface32 {
    using harness::Surface32::Surface32;
    HDC dc = Dc();
};

uint32_t ToRgb(uint32_t colorref) {
    return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

// A 6 x 4 GIF with a 16-entry table whose pixel (x, y) has index (x + 3y) % 16.
std::string WriteTestGif(const std::string& dir) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) pixels.push_back(uint8_t((x + 3 * y) % 16));
    GifWriter g;
    g.Screen(6, 4, GifTestTable(4), 4).Image(0, 0, 6, 4, pixels).Trailer();
    std::string path = dir + "\\pattern.gif";
    harness::WriteFileBytes(path, std::string(g.Bytes().begin(), g.Bytes().end()));
    return path;
}

uint32_t TableColour(int index) {
    std::vector<uint8_t> t = GifTestTable(4);
    return (uint32_t(t[3 * index]) << 16) | (uint32_t(t[3 * index + 1]) << 8) | t[3 * index + 2];
}

TEST(Draw, PalettedImageLandsPixelForPixel) {
    std::string gif = WriteTestGif(harness::MakeTempDir("draw1"));
    CDibImage img;
    ASSERT_TRUE(img.LoadFrame(gif.c_str(), 0)) << img.error;
    Surface s(10, 8);
    ASSERT_TRUE(img.Draw(s.dc, nullptr, nullptr, FALSE));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) ASSERT_EQ(s.At(x, y), TableColour((x + 3 * y) % 16)) << x << "," << y;
    EXPECT_EQ(s.At(6, 0), 0xFF00FFu);  // nothing drawn outside the image
}

TEST(Draw, ZeroWidthDestinationMeansNaturalSizeAtThatPoint) {
    std::string gif = WriteTestGif(harness::MakeTempDir("draw2"));
    CDibImage img;
    ASSERT_TRUE(img.LoadFrame(gif.c_str(), 0));
    Surface s(12, 10);
    RECT at = {3, 2, 3, 50};
    ASSERT_TRUE(img.Draw(s.dc, &at, nullptr, FALSE));
    EXPECT_EQ(s.At(3, 2), TableColour(0));
    EXPECT_EQ(s.At(8, 5), TableColour((5 + 9) % 16));
    EXPECT_EQ(s.At(9, 2), 0xFF00FFu);
    EXPECT_EQ(s.At(3, 6), 0xFF00FFu);
}

TEST(Draw, StretchedTrueColourAndSourceRectangle) {
    std::string gif = WriteTestGif(harness::MakeTempDir("draw3"));
    CDibImage img;
    ASSERT_TRUE(img.LoadFrame(gif.c_str(), 0));
    ASSERT_TRUE(img.ToTrueColor());
    Surface s(24, 16);
    RECT dest = {0, 0, 12, 8};
    ASSERT_TRUE(img.Draw(s.dc, &dest, nullptr, FALSE));  // twice the size
    EXPECT_EQ(s.At(0, 0), TableColour(0));
    EXPECT_EQ(s.At(11, 7), TableColour((5 + 9) % 16));
    RECT src = {2, 1, 4, 3}, dest2 = {14, 0, 16, 2};
    ASSERT_TRUE(img.Draw(s.dc, &dest2, &src, FALSE));
    EXPECT_EQ(s.At(14, 0), TableColour((2 + 3) % 16));
    EXPECT_EQ(s.At(15, 1), TableColour((3 + 6) % 16));
}

TEST(Draw, FailedImageRefusesToDraw) {
    CDibImage img;
    EXPECT_FALSE(img.LoadFrame("Z:\\no\\such\\file.gif", 0));
    Surface s(4, 4);
    EXPECT_FALSE(img.Draw(s.dc, nullptr, nullptr, FALSE));
    EXPECT_EQ(s.At(0, 0), 0xFF00FFu);
}

TEST(Draw, ManyLoadDrawCyclesLeakNoGdiObjects) {
    std::string gif = WriteTestGif(harness::MakeTempDir("draw4"));
    Surface s(8, 8);
    auto cycle = [&] {
        CDibImage img;
        ASSERT_TRUE(img.LoadFrame(gif.c_str(), 0));
        ASSERT_TRUE(img.Draw(s.dc, nullptr, nullptr, FALSE));
    };
    harness::ExpectNoGdiLeak(cycle);
}

// A canvas window that paints one colour into its off-screen bitmap.
class Canvas : public CPictureBox {
  public:
    void Fill(COLORREF c) {
        RECT r;
        GetClientRect(Handle(), &r);
        HBRUSH b = CreateSolidBrush(c);
        FillRect(CanvasDC(), &r, b);
        DeleteObject(b);
        InvalidateRect(Handle(), nullptr, FALSE);
        UpdateWindow(Handle());
    }
};

TEST(PictureBox, PaintsItsOffscreenBitmapToTheScreen) {
    Canvas box;
    RECT r = {40, 30, 240, 180};
    ASSERT_TRUE(box.Create(r, WS_POPUP | WS_VISIBLE, nullptr, 0));
    char text[32] = {};
    GetWindowTextA(box.Handle(), text, sizeof text);
    EXPECT_STREQ(text, "FS_PICTUREBOX");
    box.Fill(RGB(200, 10, 30));
    MSG m;
    for (int i = 0; i < 20; ++i) {
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        Sleep(10);
    }
    HDC screen = GetDC(nullptr);
    COLORREF inside = GetPixel(screen, 100, 100);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(ToRgb(inside), ToRgb(RGB(200, 10, 30)));
    // Resizing keeps a canvas of the new size.
    SetWindowPos(box.Handle(), nullptr, 0, 0, 300, 220, SWP_NOMOVE | SWP_NOZORDER);
    BITMAP bm = {};
    GetObjectA(box.CanvasBitmap(), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 300);
    EXPECT_EQ(bm.bmHeight, 220);
}

TEST(PictureBox, CreateAndDestroyLeaveNoGdiObjects) {
    harness::ExpectNoGdiLeak([] {
        Canvas box;
        RECT r = {0, 0, 64, 48};
        ASSERT_TRUE(box.Create(r, WS_POPUP, nullptr, 0));
        box.Fill(RGB(1, 2, 3));
    });
}

// The leak check itself must see a leak of one object per run.
TEST(LeakCheck, CatchesOneLeakedObjectPerRun) {
    std::vector<HBRUSH> leaked;
    EXPECT_NONFATAL_FAILURE(harness::ExpectNoGdiLeak([&] { leaked.push_back(CreateSolidBrush(0)); }),
                            "");
    for (HBRUSH b : leaked) DeleteObject(b);
}

}  // namespace
