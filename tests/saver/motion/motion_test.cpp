#include <gtest/gtest.h>

#include <map>

#include "common/crt_random.h"
#include "saver/motion/saver_lists.h"
#include "saver/motion/sprite_motion.h"

namespace saver {
namespace {

const Rect kScreen{0, 0, 800, 600};

TEST(Pacing, SpeedTable) {
    struct Case {
        int speed, step, delay;
    } cases[] = {{0, 1, 10}, {9, 1, 1}, {10, 1, 0}, {11, 2, 0}, {20, 11, 0}};
    for (const Case& c : cases) {
        Pacing p = SpeedPacing(c.speed);
        EXPECT_EQ(p.step, c.step) << c.speed;
        EXPECT_EQ(p.delay, c.delay) << c.speed;
    }
}

TEST(Confine, ScalesAboutTheCentre) {
    EXPECT_EQ(ConfineRect(kScreen, 100), kScreen);
    EXPECT_EQ(ConfineRect(kScreen, 50), (Rect{200, 150, 600, 450}));
    EXPECT_EQ(ConfineRect(kScreen, 200), (Rect{-400, -300, 1200, 900}));
    // Odd differences truncate toward zero on both sides.
    EXPECT_EQ(ConfineRect(Rect{0, 0, 1023, 767}, 99), (Rect{5, 4, 1018, 763}));
}

TEST(Placement, RandomCentredAndKept) {
    CrtSeed(1);  // first values 41, 18467
    Rect placed = PlaceRect(Rect{0, 0, 100, 50}, kScreen, kPlaceRandom);
    EXPECT_EQ(placed.left, 41 * 701 / 32768);
    EXPECT_EQ(placed.top, 18467 * 551 / 32768);
    EXPECT_EQ(placed.Width(), 100);
    // Wider or higher than the bounds: x = 0 (absolute), y = 0.
    Rect wide = PlaceRect(Rect{5, 5, 900, 700}, Rect{10, 10, 810, 610}, kPlaceRandom);
    EXPECT_EQ(wide.left, 0);
    EXPECT_EQ(wide.top, 0);
    EXPECT_EQ(PlaceRect(Rect{0, 0, 100, 50}, kScreen, kPlaceCentre), (Rect{350, 275, 450, 325}));
    EXPECT_EQ(PlaceRect(Rect{0, 0, 1000, 50}, kScreen, kPlaceCentre).left, 0);
    EXPECT_EQ(PlaceRect(Rect{7, 9, 17, 19}, kScreen, kPlaceKeep), (Rect{7, 9, 17, 19}));
}

TEST(Placement, RandomStaysInsideBoundsForEveryGeneratorValue) {
    CrtSeed(99);
    for (int i = 0; i < 5000; ++i) {
        Rect r = PlaceRect(Rect{0, 0, 90, 70}, Rect{100, 100, 300, 250}, kPlaceRandom);
        ASSERT_GE(r.left, 100);
        ASSERT_LE(r.right, 301);  // the last column may touch the edge: it bounces off next move
        ASSERT_GE(r.top, 100);
        ASSERT_LE(r.bottom, 251);
    }
}

TEST(Bounce, EdgesTurnTheVelocity) {
    int dx = 3, dy = 2;
    Rect r = MoveWithBounce(Rect{695, 10, 795, 60}, kScreen, dx, dy);  // right edge at 798 -> hit
    EXPECT_EQ(r, (Rect{698, 12, 798, 62}));  // not yet: 798 < 800
    EXPECT_EQ(dx, 3);
    r = MoveWithBounce(r, kScreen, dx, dy);  // 801 passes the edge: back to 800
    EXPECT_EQ(dx, -3);
    EXPECT_EQ(r.right, 800);
    dx = 2;
    r = MoveWithBounce(Rect{698, 0, 798, 10}, kScreen, dx, dy);  // exactly 800: touching counts
    EXPECT_EQ(dx, -2);
    EXPECT_EQ(r.right, 800);
    dx = -5, dy = -5;
    r = MoveWithBounce(Rect{2, 3, 52, 53}, kScreen, dx, dy);
    EXPECT_EQ(r, (Rect{0, 0, 50, 50}));
    EXPECT_EQ(dx, 5);
    EXPECT_EQ(dy, 5);
}

TEST(Bounce, WiderThanBoundsStaysPinnedToAnEdge) {
    // The right edge is tested first: a too-wide sprite never drifts off, it
    // alternates between touching the right edge and touching the left one.
    int dx = -1, dy = 0;
    Rect r{0, 0, 900, 10};
    for (int i = 0; i < 10; ++i) {
        r = MoveWithBounce(r, kScreen, dx, dy);
        ASSERT_TRUE(r.right == 800 || r.left == 0) << i;
        ASSERT_EQ(r.Width(), 900);
    }
}

TEST(Bounce, EmptyBoundsOrNoVelocity) {
    int dx = 4, dy = -4;
    EXPECT_EQ(MoveWithBounce(Rect{790, 0, 830, 40}, Rect{}, dx, dy), (Rect{794, -4, 834, 36}));
    EXPECT_EQ(dx, 4);
    dx = dy = 0;
    EXPECT_EQ(MoveWithBounce(Rect{-9, -9, 1, 1}, kScreen, dx, dy), (Rect{-9, -9, 1, 1}));
}

TEST(Bounce, HalfScreenBoundsHoldSpritesAfterTheirFirstMove) {
    Rect bounds = ConfineRect(kScreen, 50);
    CrtSeed(5);
    for (int s = 0; s < 50; ++s) {
        Rect r = PlaceRect(Rect{0, 0, 40, 30}, kScreen, kPlaceRandom);
        int dx = 3, dy = -2;
        for (int i = 0; i < 2000; ++i) {
            r = MoveWithBounce(r, bounds, dx, dy);
            ASSERT_GE(r.left, bounds.left);
            ASSERT_LE(r.right, bounds.right);
            ASSERT_GE(r.top, bounds.top);
            ASSERT_LE(r.bottom, bounds.bottom);
        }
    }
}

TEST(Modes, BackgroundAndColour) {
    EXPECT_EQ(BackgroundMode(false, 1), kBackgroundColour);
    EXPECT_EQ(BackgroundMode(true, 0), kBackgroundTile);
    EXPECT_EQ(BackgroundMode(true, 2), kBackgroundDesktop);
    EXPECT_EQ(BackgroundMode(true, 3), kBackgroundColour);
    EXPECT_EQ(BackgroundMode(true, -1), kBackgroundColour);
    EXPECT_EQ(ColorMode(true, true, true, 3, true), 2);
    EXPECT_EQ(ColorMode(false, true, true, 3, true), 3);
    EXPECT_EQ(ColorMode(false, false, true, 0, true), 0);
    EXPECT_EQ(ColorMode(false, true, false, 3, false), 0);
    EXPECT_EQ(ColorMode(false, false, false, 0, false), 1);
    EXPECT_EQ(ColorMode(false, false, false, 3, true), 1);
}

TEST(Tiles, WholeNumberOfStretchedCells) {
    TileGrid g = TileLayout(800, 600, 300, 200);
    EXPECT_EQ(g.columns, 3);
    EXPECT_EQ(g.rows, 3);
    EXPECT_EQ(g.cellWidth, 266);  // columns 798 and 799 keep the colour
    EXPECT_EQ(g.cellHeight, 200);
    g = TileLayout(800, 600, 1000, 700);
    EXPECT_EQ(g.columns, 1);
    EXPECT_EQ(g.rows, 1);
    EXPECT_EQ(g.cellWidth, 800);
    g = TileLayout(800, 600, 320, 240);  // 2.5 rounds half up
    EXPECT_EQ(g.columns, 3);
    EXPECT_EQ(g.rows, 3);
}

TEST(Lists, AnimatedGifsBecomeSpritesAndFoldersFollowTheTable) {
    std::map<std::string, std::vector<std::string>> folder = {
        {"GIF", {"C:\\f\\b.gif", "C:\\f\\still.gif"}},
        {"JPG", {"C:\\f\\a.jpg"}},
        {"BMP", {"C:\\f\\c.bmp"}},
        {"PNG", {"C:\\f\\d.png"}},
    };
    ImageListSources src;
    std::vector<std::string> asked;
    src.listFolder = [&](const std::string& dir, const std::string& ext) {
        EXPECT_EQ(dir, "C:\\f\\");
        asked.push_back(ext);
        return folder.count(ext) ? folder[ext] : std::vector<std::string>{};
    };
    src.isAnimatedGif = [](const std::string& p) { return p.find("still") == std::string::npos; };
    std::vector<std::string> slides, sprites;
    BuildImageLists({"\\rel\\anim.GIF", "C:\\x.gif|Caption", "C:\\f\\", "C:\\pic.tga"},
                    "C:\\album", src, slides, sprites);
    EXPECT_EQ(sprites, (std::vector<std::string>{"C:\\album\\rel\\anim.GIF", "C:\\f\\b.gif"}));
    EXPECT_EQ(slides, (std::vector<std::string>{"C:\\x.gif|Caption", "C:\\f\\a.jpg",
                                                "C:\\f\\still.gif", "C:\\f\\c.bmp", "C:\\f\\d.png",
                                                "C:\\pic.tga"}));
    EXPECT_EQ(asked.size(), 13u);
    EXPECT_EQ(asked.front(), "JPG");
    EXPECT_EQ(asked[11], "PCC");
    EXPECT_EQ(asked.back(), "PNG");
}

TEST(Lists, OrderingRules) {
    std::vector<std::string> slides = {"b", "A", "c"}, sprites = {"z", "y"};
    OrderImageLists(true, true, slides, sprites);
    EXPECT_EQ(slides, (std::vector<std::string>{"A", "b", "c"}));
    EXPECT_EQ(sprites, (std::vector<std::string>{"y", "z"}));
    std::vector<std::string> none, onlySprites = {"z", "y", "x"};
    OrderImageLists(true, true, none, onlySprites);  // no slideshow: sprites keep album order
    EXPECT_EQ(onlySprites, (std::vector<std::string>{"z", "y", "x"}));
}

TEST(Lists, RandomOrderDrawsPicturesBeforeSounds) {
    // With one seed, the running order must not depend on the sound option's
    // place in the draw: pictures first, then sounds.
    const std::vector<std::string> slides0 = {"a", "b", "c", "d", "e"}, sprites0 = {"x", "y", "z"},
                                   sounds0 = {"1", "2", "3", "4"};
    const struct {
        bool random, shuffleSounds;
    } cases[] = {{true, true}, {true, false}, {false, true}};
    for (auto c : cases) {
        CrtSeed(77);
        std::vector<std::string> slides = slides0, sprites = sprites0, sounds = sounds0;
        OrderWorkingLists(false, c.random, c.shuffleSounds, slides, sprites, sounds);
        // The same draws made one list at a time in the running order.
        CrtSeed(77);
        std::vector<std::string> s = slides0, p = sprites0, m = sounds0;
        if (c.random) {
            ShuffleList(s);
            ShuffleList(p);
        }
        if (c.shuffleSounds) ShuffleList(m);
        EXPECT_EQ(slides, s) << c.random << c.shuffleSounds;
        EXPECT_EQ(sprites, p) << c.random << c.shuffleSounds;
        EXPECT_EQ(sounds, m) << c.random << c.shuffleSounds;
        EXPECT_NE(sounds == sounds0, c.shuffleSounds);
    }
}

}  // namespace
}  // namespace saver
