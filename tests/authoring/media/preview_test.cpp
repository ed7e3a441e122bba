// The preview area on its own: placement of pictures of every shape, the
// empty area after a failure, and no GDI object left behind however many
// pictures it shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "authoring/media/image_preview_win32.h"
#include "tests/authoring/media/media_test_util.h"

using namespace mediatest;

namespace {

struct Host {
    HWND parent;
    CImagePreview preview;
    explicit Host(int w = 200, int h = 150) {
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, w + 20, h + 20,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        RECT r = {0, 0, w, h};
        EXPECT_TRUE(preview.Create(r, parent, 103, 0));
    }
    ~Host() { DestroyWindow(parent); }
    RECT Box() const {
        RECT r;
        GetWindowRect(preview.pictureWindow(), &r);
        MapWindowPoints(nullptr, preview.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

std::string Folder(const char* name) {
    std::string dir = harness::MakeTempDir(name);
    std::replace(dir.begin(), dir.end(), '/', '\\');
    return dir;
}

}  // namespace

TEST(ImagePreview, PicturesAreFittedAndCentred) {
    std::string dir = Folder("preview-fit");
    Host host;
    struct Case {
        int w, h;
        RECT box;
    };
    const Case cases[] = {
        {50, 40, {75, 55, 125, 95}},     // small: own size, centred
        {400, 150, {0, 37, 200, 112}},   // wide: fills the width
        {100, 300, {75, 0, 125, 150}},   // tall: fills the height
    };
    for (const Case& c : cases) {
        std::string path = dir + "\\p.bmp";
        ASSERT_TRUE(harness::WriteFileBytes(path, BmpFile(c.w, c.h, 0x3366CC)));
        ASSERT_TRUE(host.preview.Show(path)) << c.w << "x" << c.h;
        RECT b = host.Box();
        EXPECT_EQ(b.left, c.box.left) << c.w << "x" << c.h;
        EXPECT_EQ(b.top, c.box.top) << c.w << "x" << c.h;
        EXPECT_EQ(b.right, c.box.right) << c.w << "x" << c.h;
        EXPECT_EQ(b.bottom, c.box.bottom) << c.w << "x" << c.h;
        EXPECT_TRUE(host.preview.pictureShown());
    }
    // A file that does not decode leaves only the background, with its reason.
    ASSERT_TRUE(harness::WriteFileBytes(dir + "\\bad.bmp", "BM not really"));
    EXPECT_FALSE(host.preview.Show(dir + "\\bad.bmp"));
    EXPECT_FALSE(host.preview.pictureShown());
    EXPECT_LT(host.preview.error(), 0);
    EXPECT_FALSE(host.preview.Show(dir + "\\missing.bmp"));
    EXPECT_LT(host.preview.error(), 0);
    EXPECT_FALSE(host.preview.Show(dir + "\\unknown.xyz"));
    EXPECT_EQ(host.preview.error(), kDibErrFormat);
}

TEST(ImagePreview, ManyPreviewsLeaveNoGdiObjectBehind) {
    std::string dir = Folder("preview-leak");
    std::string a = dir + "\\a.bmp", b = dir + "\\b.bmp", bad = dir + "\\bad.bmp";
    ASSERT_TRUE(harness::WriteFileBytes(a, BmpFile(300, 100, 0x102030)));
    ASSERT_TRUE(harness::WriteFileBytes(b, BmpFile(30, 90, 0x405060)));
    ASSERT_TRUE(harness::WriteFileBytes(bad, "BM broken"));
    Host host;
    int round = 0;
    harness::ExpectNoGdiLeak([&] {
        const std::string& path = (round % 3 == 0) ? a : (round % 3 == 1) ? b : bad;
        host.preview.Show(path);
        ++round;
    });
    EXPECT_TRUE(host.preview.Show(a));
}
