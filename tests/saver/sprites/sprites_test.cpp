// The saver window's animated sprites drawn for real into its canvas, with the
// random generator seeded by the test so that placements are known.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "common/crt_random.h"
#include "saver/motion/sprite_motion.h"
#include "saver/saver_window_win32.h"
#include "tests/harness/win_harness.h"
#include "tests/imaging/gif_builder.h"

namespace {

const COLORREF kBackground = RGB(0, 0, 128);
// Table: 0 black, 1 green, 2 red, 3 white.
const std::vector<uint8_t> kTable = {0, 0, 0, 0, 255, 0, 255, 0, 0, 255, 255, 255};

std::string WriteGif(const std::string& name, const GifWriter& g) {
    std::string path = harness::MakeTempDir("sprites-" + name) + "\\" + name + ".gif";
    harness::WriteFileBytes(path, std::string(g.Bytes().begin(), g.Bytes().end()));
    return path;
}

// Two frames, 20 x 20: green, then a red 10 x 10 square at (5, 5).
std::string GreenThenRed(uint8_t firstControl = 0, bool transparentCorner = false) {
    std::vector<uint8_t> first(400, 1), second(100, 2);
    if (transparentCorner)
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x) first[size_t(y) * 20 + x] = 3;
    GifWriter g;
    g.Screen(20, 20, kTable, 2);
    if (firstControl || transparentCorner) g.Control(firstControl, 10, 3);
    g.Image(0, 0, 20, 20, first).Control(0, 10, 0).Image(5, 5, 10, 10, second).Trailer();
    return WriteGif(transparentCorner ? "corner" : "plain" + std::to_string(firstControl), g);
}

// Canvas pixels as 0x00RRGGBB, top-down.
std::vector<uint32_t> Canvas(SaverWindow& w) {
    harness::Surface32 copy(w.screenRect.right, w.screenRect.bottom);
    copy.CopyFrom(w.CanvasDC());
    return copy.Pixels();
}

uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

class SpriteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_Settings = Settings();
        g_Settings.floats.Count = 1;
        g_Settings.background.GradientColor1 = int32_t(kBackground);
        SetOption(10007, 0);  // solid background
        SetOption(10038, 0);  // sprites start at frame 0
        g_IniPath = harness::MakeTempDir("sprites-ini") + "\\Plinthar.ini";
    }
    // A saver window with its canvas on a 640 x 480 screen, set up as the saver's
    // start does, with seed 1234.
    std::unique_ptr<SaverWindow> Start(const std::vector<std::string>& gifs) {
        auto w = std::make_unique<SaverWindow>();
        w->screenRect = RECT{0, 0, 640, 480};
        w->confineRect =
            ToRECT(saver::ConfineRect(ToRect(w->screenRect), g_Settings.floats.Bounds));
        w->backgroundColor = kBackground;
        EXPECT_TRUE(w->Create(w->screenRect, WS_POPUP, nullptr, 0));
        w->spriteFileList = gifs;
        CrtSeed(1234);
        w->SetUpSprites();
        return w;
    }
    static void Frame(SaverWindow& w, bool move) {
        w.moveNow = move;
        w.PaintBackground();
        w.StepPictures();
    }
};

TEST_F(SpriteTest, PlacedWhereTheArithmeticSaysAndDrawnThere) {
    // Seed 1234 draws 4068, 213, 12761, 8758: both directions positive (under
    // 16384), then x = 12761 * (640 - 20 + 1) / 32768 = 241 and
    // y = 8758 * (480 - 20 + 1) / 32768 = 123.
    auto w = Start({GreenThenRed()});
    ASSERT_EQ(w->pictureList.size(), 1u);
    Sprite& s = *w->pictureList[0];
    const saver::Rect expected{241, 123, 261, 143};
    EXPECT_EQ(ToRect(s.rect), expected);
    EXPECT_EQ(s.dy, 1);
    EXPECT_EQ(s.dx, 1);
    EXPECT_EQ(ToRect(s.bounds), ToRect(w->confineRect));

    Frame(*w, false);
    std::vector<uint32_t> px = Canvas(*w);
    int W = w->screenRect.right;
    auto at = [&](int x, int y) { return px[size_t(y) * W + x]; };
    EXPECT_EQ(at(expected.left, expected.top), 0x00FF00u);
    EXPECT_EQ(at(expected.right - 1, expected.bottom - 1), 0x00FF00u);
    EXPECT_EQ(at(expected.left - 1, expected.top), Rgb(kBackground));
    EXPECT_EQ(at(expected.right, expected.bottom - 1), Rgb(kBackground));
    // The next frame composes frame 1 over frame 0: a red square inside the green.
    Frame(*w, false);
    px = Canvas(*w);
    EXPECT_EQ(at(expected.left + 7, expected.top + 7), 0xFF0000u);
    EXPECT_EQ(at(expected.left + 1, expected.top + 1), 0x00FF00u);
}

TEST_F(SpriteTest, TransparentPixelsShowTheBackground) {
    auto w = Start({GreenThenRed(0x01, true)});
    ASSERT_EQ(w->pictureList.size(), 1u);
    Sprite& s = *w->pictureList[0];
    EXPECT_TRUE(s.transparent);
    Frame(*w, false);
    std::vector<uint32_t> px = Canvas(*w);
    int W = w->screenRect.right;
    auto at = [&](int x, int y) { return px[size_t(y) * W + x]; };
    EXPECT_EQ(at(s.rect.left + 2, s.rect.top + 2), Rgb(kBackground));
    EXPECT_EQ(at(s.rect.left + 15, s.rect.top + 15), 0x00FF00u);
}

TEST_F(SpriteTest, DisposalToBackgroundLeavesATransparentHole) {
    // Frame 0: disposal 2 (bits 2..4) with transparency; frame 1: the red square.
    auto w = Start({GreenThenRed(0x08 | 0x01)});
    ASSERT_EQ(w->pictureList.size(), 1u);
    Sprite& s = *w->pictureList[0];
    Frame(*w, false);  // frame 0: all green
    Frame(*w, false);  // frame 1: frame 0 disposed to the transparent colour, red on top
    std::vector<uint32_t> px = Canvas(*w);
    int W = w->screenRect.right;
    auto at = [&](int x, int y) { return px[size_t(y) * W + x]; };
    EXPECT_EQ(at(s.rect.left + 1, s.rect.top + 1), Rgb(kBackground));
    EXPECT_EQ(at(s.rect.left + 7, s.rect.top + 7), 0xFF0000u);
}

TEST_F(SpriteTest, EachFrameKeepsWhatLiesUnderItsOwnTransparentPixels) {
    // Frame 0: green, its top-left 10 x 10 corner see-through (index 0).  Frame 1
    // (index 3 transparent) over (0, 0)-(20, 10): left half index 3, right half red.
    // Frame 2: a red 4 x 4 square at (2, 12) whose disposal restores what lay under
    // it; frame 3: one green pixel.  Then the loop starts again.
    std::vector<uint8_t> first(400, 1), second(200, 2), third(16, 2), fourth(1, 1);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            first[size_t(y) * 20 + x] = 0;
            second[size_t(y) * 20 + x] = 3;
        }
    GifWriter g;
    g.Screen(20, 20, kTable, 2);
    g.Control(0x05, 10, 0).Image(0, 0, 20, 20, first);
    g.Control(0x05, 10, 3).Image(0, 0, 20, 10, second);
    g.Control(0x0C, 10, 0).Image(2, 12, 4, 4, third);
    g.Control(0x04, 10, 0).Image(19, 19, 1, 1, fourth).Trailer();
    auto w = Start({WriteGif("own-transparency", g)});
    ASSERT_EQ(w->pictureList.size(), 1u);
    Sprite& s = *w->pictureList[0];
    const uint32_t bg = Rgb(kBackground), green = 0x00FF00u, red = 0xFF0000u;
    const struct {
        int frame, x, y;
        uint32_t rgb;
    } expected[] = {
        {0, 2, 2, bg}, {0, 15, 15, green}, {0, 15, 2, green}, // corner see-through
        {1, 2, 2, bg}, {1, 15, 2, red},    {1, 5, 15, green}, // frame 1 keeps both
        {2, 3, 13, red}, {2, 15, 2, red},  {2, 2, 2, bg},     // square over frame 1
        {3, 3, 13, green}, {3, 15, 2, red}, {3, 2, 2, bg},    // square taken away
        {4, 15, 2, green}, {4, 3, 13, green}, {4, 2, 2, bg},  // frame 0 afresh
    };
    int shown = -1;
    std::vector<uint32_t> px;
    for (const auto& e : expected) {
        while (shown < e.frame) {
            Frame(*w, false);
            ++shown;
            px = Canvas(*w);
        }
        EXPECT_EQ(px[size_t(s.rect.top + e.y) * size_t(w->screenRect.right) + s.rect.left + e.x],
                  e.rgb)
            << "frame " << e.frame << " at " << e.x << "," << e.y;
    }
}

TEST_F(SpriteTest, HalfBoundsConfineAfterTheFirstMoves) {
    g_Settings.floats.Bounds = 50;
    g_Settings.floats.Count = 3;
    auto w = Start({GreenThenRed()});
    ASSERT_EQ(w->pictureList.size(), 3u);
    saver::Rect confine = ToRect(w->confineRect);
    for (int i = 0; i < 3000; ++i) {
        Frame(*w, true);
        if (i < 1000) continue;  // time to reach the central area from anywhere
        for (auto& s : w->pictureList) {
            ASSERT_GE(s->rect.left, confine.left);
            ASSERT_LE(s->rect.right, confine.right);
            ASSERT_GE(s->rect.top, confine.top);
            ASSERT_LE(s->rect.bottom, confine.bottom);
        }
    }
}

TEST_F(SpriteTest, ASpriteOffTheScreenLeavesNothingBehind) {
    auto w = Start({GreenThenRed()});
    ASSERT_EQ(w->pictureList.size(), 1u);
    Sprite& s = *w->pictureList[0];
    Frame(*w, false);
    s.bounds = RECT{0, 0, 0, 0};  // free flight
    s.SetPosition(-100, -100, -80, -80);
    Frame(*w, false);
    EXPECT_EQ(s.visibleRegion, nullptr);
    for (uint32_t p : Canvas(*w)) ASSERT_EQ(p, Rgb(kBackground));
}

TEST_F(SpriteTest, CountZeroKeepsSpritesOnWithNothingToDraw) {
    g_Settings.floats.Count = 0;
    auto w = Start({GreenThenRed()});
    w->spritesOn = true;
    CrtSeed(1);
    w->SetUpSprites();
    EXPECT_TRUE(w->spritesOn);
    EXPECT_TRUE(w->pictureList.empty());
}

TEST_F(SpriteTest, StillGifsAndBrokenFilesLeaveTheSpriteList) {
    GifWriter still;
    still.Screen(4, 4, kTable, 2).Image(0, 0, 4, 4, std::vector<uint8_t>(16, 1)).Trailer();
    std::string stillGif = WriteGif("still", still);
    std::string broken = harness::MakeTempDir("sprites-broken") + "\\broken.gif";
    harness::WriteFileBytes(broken, "GIF89a\x04");
    auto w = Start({stillGif, broken, GreenThenRed()});
    ASSERT_EQ(w->pictureList.size(), 1u);
    EXPECT_EQ(w->spriteFileList.size(), 1u);
    auto& s = static_cast<AnimatedSprite&>(*w->pictureList[0]);
    EXPECT_EQ(s.FrameCount(), 2);
}

TEST_F(SpriteTest, AHundredFramesAtMost) {
    std::vector<uint8_t> one(4, 1);
    GifWriter g;
    g.Screen(2, 2, kTable, 2);
    for (int i = 0; i < 150; ++i) g.Image(0, 0, 2, 2, one);
    g.Trailer();
    auto w = Start({WriteGif("long", g)});
    ASSERT_EQ(w->pictureList.size(), 1u);
    EXPECT_EQ(static_cast<AnimatedSprite&>(*w->pictureList[0]).FrameCount(), 100);
}

TEST_F(SpriteTest, FramesAndReloadsLeakNoGdiObjects) {
    g_Settings.floats.Count = 5;
    auto w = Start({GreenThenRed(), GreenThenRed(0x0C)});
    int n = 0;
    harness::ExpectNoGdiLeak([&] {
        Frame(*w, true);
        if (++n % 10 == 0) {
            for (auto& s : w->pictureList) ASSERT_TRUE(w->ReloadSprite(*s));
        }
    });
}

// The frame loop paints the background only where pictures were or are now.
// Over a slideshow of pictures of three sizes (every effect, frame shapes, a
// caption) under opaque and see-through sprites, one flying off the screen and
// one reloaded elsewhere now and then, every frame's canvas must equal the
// canvas of a run that repaints the whole background every frame.
std::vector<uint32_t> CanvasHashes(int backgroundMode, const std::string& backgroundPicture,
                                   bool wholeBackground) {
    std::string dir = harness::MakeTempDir("sprites-changed");
    std::vector<std::string> slides;
    const int sizes[][2] = {{200, 150}, {90, 170}, {300, 60}};
    for (auto& size : sizes) {
        std::string path = dir + "\\" + std::to_string(size[0]) + ".bmp";
        harness::WriteFileBytes(path, harness::BitmapFile24(size[0], size[1], [](int x, int y) {
                                    return uint32_t((x * 5) << 16 | (y * 3) << 8 | 0x40);
                                }));
        slides.push_back(path);
    }
    slides.back() += "|A caption";

    auto w = std::make_unique<SaverWindow>();
    w->SetSound(nullptr);
    w->screenRect = RECT{0, 0, 320, 240};
    w->confineRect = ToRECT(saver::ConfineRect(ToRect(w->screenRect), g_Settings.floats.Bounds));
    w->backgroundColor = kBackground;
    w->backgroundMode = backgroundMode;
    w->backgroundPicture = backgroundPicture;
    EXPECT_TRUE(w->Create(w->screenRect, WS_POPUP, nullptr, 0));
    EXPECT_TRUE(w->PrepareBackground());
    CrtSeed(4321);
    w->slideshowList = slides;
    w->slideshowOn = w->SetUpSlideshow();
    EXPECT_TRUE(w->slideshowOn);
    w->firstSpriteIndex = 1;
    w->spritesOn = true;
    w->spriteFileList = {GreenThenRed(0x01, true), GreenThenRed(), GreenThenRed(0x09)};
    w->SetUpSprites();
    EXPECT_EQ(w->pictureList.size(), 5u);
    w->pictureList.back()->bounds = RECT{0, 0, 0, 0}; // free flight: off the screen in time
    w->moveStep = 7;
    w->slideCycle.holdTime = 0;
    w->PaintBackground();
    std::vector<uint32_t> hashes;
    for (int frame = 0; frame < 300; ++frame) {
        if (frame % 50 == 25) {
            EXPECT_TRUE(w->ReloadSprite(*w->pictureList[2]));
        }
        w->moveNow = true;
        w->slideCycle.holdStart = 1; // no hold: the show, the erase, the next picture
        w->StartErase();
        if (wholeBackground) w->PaintBackground();
        EXPECT_TRUE(w->StepSlideshow());
        uint32_t h = 2166136261u;
        for (uint32_t p : Canvas(*w))
            h = (h ^ p) * 16777619u;
        hashes.push_back(h);
    }
    return hashes;
}

TEST_F(SpriteTest, RepaintingWhatChangedLeavesTheCanvasOfAWholeRepaint) {
    g_Settings.floats.Count = 4;
    g_Settings.slide.Effects = std::string(saver::kEffectCount, '1');
    g_Settings.slide.Speed = 60;
    g_Settings.slide.FrameThickness = 3;
    for (int option : {10029, 10030, 10031, 10032, 10037})
        SetOption(option, 1);
    std::string tile = harness::MakeTempDir("sprites-tile") + "\\tile.bmp";
    harness::WriteFileBytes(tile, harness::BitmapFile24(50, 40, [](int x, int y) {
                                return uint32_t(x << 18 | y << 10 | (x ^ y));
                            }));
    const struct {
        int mode;
        std::string picture;
    } backgrounds[] = {{saver::kBackgroundColour, ""}, {saver::kBackgroundTile, tile}};
    for (const auto& b : backgrounds) {
        std::vector<uint32_t> whole = CanvasHashes(b.mode, b.picture, true);
        std::vector<uint32_t> changed = CanvasHashes(b.mode, b.picture, false);
        ASSERT_EQ(whole.size(), changed.size());
        for (size_t i = 0; i < whole.size(); ++i) {
            ASSERT_EQ(changed[i], whole[i]) << "background " << b.mode << ", frame " << i;
        }
    }
}

}  // namespace
