// The slideshow as a real saver window draws it under Wine: every frame's canvas
// is read back and compared with the pieces the step geometry asked for, over a
// picture whose pixels name their own coordinates (red = x, green = y).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/settings.h"
#include "common/crt_random.h"
#include "saver/geometry/fitting.h"
#include "saver/saver_window_win32.h"
#include "saver/slide_sprite_win32.h"
#include "tests/harness/win_harness.h"
#include "win32/application.h"

namespace {

constexpr int kScreenW = 320, kScreenH = 240;
constexpr uint32_t kBackground = 0x102030; // 0x00RRGGBB
constexpr uint8_t kPatternBlue = 0xA5, kOtherBlue = 0x5A;

uint32_t Pattern(int x, int y, uint8_t blue = kPatternBlue) {
    return (uint32_t(x & 0xFF) << 16) | (uint32_t(y & 0xFF) << 8) | blue;
}
COLORREF ToColorref(uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Options as the saver reads them: own size, no frame, one enabled effect, the
// erase repeating the show's effect, no sprites, colour background.
void ResetSettings(const std::string& effects) {
    g_Settings = Settings();
    std::string cs(kCheckStringLength, '0');
    cs[1] = '1';  // slideshow
    cs[25] = '1'; // own size
    cs[37] = '1'; // erase by undoing the show's effect
    g_Settings.options.CheckString = cs;
    g_Settings.slide.Effects = effects;
    g_Settings.slide.Speed = 50;
    g_Settings.slide.FrameThickness = 0;
    g_Settings.caption.Position = 3;
}

std::string OnlyEffect(int e) {
    std::string s(saver::kEffectCount, '0');
    if (e < saver::kEffectCount) s[size_t(e)] = '1';
    return s;
}

void SetOption(int position, bool on) {
    g_Settings.options.CheckString[size_t(position)] = on ? '1' : '0';
}

// A saver window driven frame by frame without its modal loop.
struct Saver {
    SaverWindow w;
    explicit Saver(const std::vector<std::string>& pictures, int screenH = kScreenH) {
        w.SetSound(nullptr);
        CrtSeed(12345);
        w.screenRect = RECT{0, 0, kScreenW, screenH};
        w.spritesOn = false;
        w.slideshowOn = true;
        w.backgroundMode = 3;
        w.backgroundColor = ToColorref(kBackground);
        w.colorMode = 0;
        w.slideCycle.holdTime = saver::HoldTimeMs(g_Settings.slide.Duration);
        w.slideshowList = pictures;
        EXPECT_TRUE(w.Create(w.screenRect, WS_POPUP, nullptr, 0));
    }
    bool SetUp() { return w.slideshowOn = w.SetUpSlideshow(); }
    // One frame as the frame loop runs it: hold check, background, slideshow.
    bool Frame() {
        w.StartErase();
        w.PaintBackground();
        return w.StepSlideshow();
    }
    // Ends the hold at once: the next frame starts the erase.
    void EndHold() {
        w.slideCycle.holdStart = 1;
        w.slideCycle.holdTime = 0;
    }
    SlideSprite& Slide() { return *w.slide; }
};

// A copy of a device context's pixels as 0x00RRGGBB.
struct Pixels {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    uint32_t At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

Pixels Read(HDC from, int w, int h) {
    harness::Surface32 copy(w, h);
    copy.CopyFrom(from);
    return Pixels{w, h, copy.Pixels()};
}

Pixels ReadCanvas(Saver& s) {
    return Read(s.w.CanvasDC(), kScreenW, kScreenH);
}

// What a 1:1 step must leave on the canvas: the background, with each piece's
// source pixels at its destination (moved by the slide's corner).  Pixels where
// `skip` says the outcome depends on GDI's ellipse rasterising are marked.
constexpr uint32_t kAnything = 0xFF000000;
std::vector<uint32_t> Predict(const SlideSprite& slide, uint8_t blue,
                              bool (*skip)(const SlideSprite&, int, int) = nullptr) {
    std::vector<uint32_t> e(size_t(kScreenW) * kScreenH, kBackground);
    const saver::StepOutput& out = slide.LastStep();
    if (!out.draw) return e;
    for (const saver::Piece& p : out.pieces)
        for (int y = p.dest.top; y < p.dest.bottom; ++y)
            for (int x = p.dest.left; x < p.dest.right; ++x) {
                int sx = slide.rect.left + x, sy = slide.rect.top + y;
                if (sx < 0 || sy < 0 || sx >= kScreenW || sy >= kScreenH) continue;
                e[size_t(sy) * kScreenW + size_t(sx)] =
                    Pattern(p.src.left + x - p.dest.left, p.src.top + y - p.dest.top, blue);
            }
    if (skip)
        for (int y = 0; y < kScreenH; ++y)
            for (int x = 0; x < kScreenW; ++x)
                if (skip(slide, x - slide.rect.left, y - slide.rect.top))
                    e[size_t(y) * kScreenW + size_t(x)] = kAnything;
    return e;
}

// The hole of effect 27: inside the inscribed ellipse nothing is drawn; the
// pixels near its rim are left to GDI.
bool NearHole(const SlideSprite& slide, int x, int y) {
    const saver::StepOutput& out = slide.LastStep();
    if (!out.hasHole) return false;
    const saver::Rect& b = out.holeBox;
    double rx = b.Width() / 2.0, ry = b.Height() / 2.0;
    double dx = (x + 0.5 - (b.left + rx)) / rx, dy = (y + 0.5 - (b.top + ry)) / ry;
    double d = std::sqrt(dx * dx + dy * dy);
    return d < 1.0 + 2.0 / std::min(rx, ry);
}

// Compares the canvas with a prediction; the first difference is reported.
::testing::AssertionResult Matches(const Pixels& got, const std::vector<uint32_t>& want,
                                   bool holeIsBackground, const SlideSprite& slide) {
    int bad = 0;
    std::string first;
    for (int y = 0; y < got.h; ++y)
        for (int x = 0; x < got.w; ++x) {
            uint32_t w = want[size_t(y) * size_t(got.w) + size_t(x)];
            uint32_t g = got.At(x, y);
            if (w == kAnything) {
                // Deep inside the hole the background must show.
                const saver::Rect& b = slide.LastStep().holeBox;
                int lx = x - slide.rect.left, ly = y - slide.rect.top;
                bool centre = holeIsBackground &&
                              std::abs(2 * lx - (b.left + b.right)) < b.Width() / 3 &&
                              std::abs(2 * ly - (b.top + b.bottom)) < b.Height() / 3;
                if (!centre || g == kBackground) continue;
                w = kBackground;
            }
            if (g != w && bad++ == 0) {
                char buf[96];
                snprintf(buf, sizeof buf, "(%d,%d) is %06X, want %06X", x, y, unsigned(g),
                         unsigned(w));
                first = buf;
            }
        }
    if (bad == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << bad << " pixels differ, first " << first;
}

class SlideshowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            harness::MakeTempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        g_IniPath = dir_ + "\\saver.ini";
    }
    std::string Picture(const char* name, int w, int h, uint8_t blue = kPatternBlue) {
        std::string path = dir_ + "\\" + name;
        EXPECT_TRUE(harness::WriteFileBytes(
            path, harness::BitmapFile24(w, h, [&](int x, int y) { return Pattern(x, y, blue); })));
        return path;
    }
    std::string dir_;
};

// Runs one effect's show and its erase on a 200 x 150 picture, comparing every
// frame's canvas with the step's pieces; returns the number of frames run.
int RunEffectBothWays(SlideshowTest& t, const std::string& pic, int effect, int speed) {
    ResetSettings(OnlyEffect(effect));
    g_Settings.slide.Speed = uint16_t(speed);
    Saver s({pic});
    EXPECT_TRUE(s.SetUp());
    if (!s.w.slide) return 0;
    EXPECT_EQ(s.Slide().state.effect, effect);
    int frames = 0;
    for (int phase = 0; phase < 2; ++phase) {
        if (phase == 1) s.EndHold();
        for (int i = 0; i < 2000; ++i) {
            EXPECT_TRUE(s.Frame());
            ++frames;
            bool completed = s.Slide().Completed();
            Pixels got = ReadCanvas(s);
            auto want = Predict(s.Slide(), kPatternBlue, effect == 27 ? NearHole : nullptr);
            EXPECT_TRUE(Matches(got, want, true, s.Slide()))
                << "effect " << effect << (phase ? " erase" : " show") << " frame " << i;
            if (::testing::Test::HasFailure()) return frames;
            if (completed) break;
        }
        EXPECT_EQ(s.Slide().state.eraseMode, phase == 1);
    }
    // After the erase: nothing of the slide remains, the next frame loads the next picture.
    EXPECT_TRUE(s.w.slideCycle.loadNext);
    (void)t;
    return frames;
}

TEST_F(SlideshowTest, EveryOneToOneEffectDrawsExactlyItsPiecesInShowAndErase) {
    std::string pic = Picture("pattern.bmp", 200, 150);
    for (int effect = 0; effect <= 34; ++effect) {
        if (effect >= 30 && effect <= 32) continue; // stretching effects: below
        int frames = RunEffectBothWays(*this, pic, effect, effect % 2 ? 40 : 70);
        EXPECT_GE(frames, 2) << effect;
        if (HasFailure()) return;
    }
}

TEST_F(SlideshowTest, FirstStepsShowTheFarSideOrTheSamePlace) {
    // Effect 0 moves the picture in from the left: its right-hand columns lead.
    // Effect 14 uncovers it in place.  dP at speed 1 on 200 pixels is
    // trunc(2 + 64 * 0.01010101) = 2.
    std::string pic = Picture("pattern.bmp", 200, 150);
    for (int effect : {0, 14}) {
        ResetSettings(OnlyEffect(effect));
        g_Settings.slide.Speed = 1;
        Saver s({pic});
        ASSERT_TRUE(s.SetUp());
        ASSERT_TRUE(s.Frame());
        Pixels got = ReadCanvas(s);
        int left = (kScreenW - 200) / 2, top = (kScreenH - 150) / 2;
        int firstColumn = effect == 0 ? 198 : 0;
        for (int y : {0, 75, 149}) {
            EXPECT_EQ(got.At(left, top + y), Pattern(firstColumn, y)) << effect;
            EXPECT_EQ(got.At(left + 1, top + y), Pattern(firstColumn + 1, y)) << effect;
            EXPECT_EQ(got.At(left + 2, top + y), kBackground) << effect;
        }
        EXPECT_EQ(got.At(left - 1, top), kBackground);
    }
}

TEST_F(SlideshowTest, ZoomAndRotationsStretchTheWholePictureIntoTheirBox) {
    std::string pic = Picture("pattern.bmp", 200, 150);
    for (int effect : {30, 31, 32}) {
        ResetSettings(OnlyEffect(effect));
        g_Settings.slide.Speed = 30;
        Saver s({pic});
        ASSERT_TRUE(s.SetUp());
        for (int phase = 0; phase < 2; ++phase) {
            if (phase == 1) s.EndHold();
            for (int i = 0; i < 500; ++i) {
                ASSERT_TRUE(s.Frame());
                bool completed = s.Slide().Completed();
                Pixels got = ReadCanvas(s);
                const saver::StepOutput& out = s.Slide().LastStep();
                saver::Rect d =
                    out.draw && !out.pieces.empty() ? out.pieces[0].dest : saver::Rect{};
                d = saver::Rect{d.left + s.Slide().rect.left, d.top + s.Slide().rect.top,
                                d.right + s.Slide().rect.left, d.bottom + s.Slide().rect.top};
                int bad = 0;
                for (int y = 0; y < kScreenH; ++y)
                    for (int x = 0; x < kScreenW; ++x) {
                        uint32_t g = got.At(x, y);
                        bool inside = x >= d.left && x < d.right && y >= d.top && y < d.bottom;
                        if (!inside) {
                            bad += g != kBackground;
                            continue;
                        }
                        const saver::Piece& p = out.pieces[0];
                        // The source pixel a stretch maps here, within one pixel.
                        double fx = p.src.left + (x - d.left + 0.5) * p.src.Width() / d.Width();
                        double fy = p.src.top + (y - d.top + 0.5) * p.src.Height() / d.Height();
                        int gx = int(g >> 16), gy = int((g >> 8) & 0xFF);
                        // Shrinking samples one source pixel out of each span it covers.
                        double tx = 1.5 + 0.5 * p.src.Width() / d.Width();
                        double ty = 1.5 + 0.5 * p.src.Height() / d.Height();
                        bad += (g & 0xFF) != kPatternBlue || std::abs(gx - fx) > tx ||
                               std::abs(gy - fy) > ty;
                    }
                ASSERT_EQ(bad, 0) << "effect " << effect << " phase " << phase << " frame " << i;
                if (completed) break;
            }
        }
    }
}

TEST_F(SlideshowTest, FrameOutlineStandsWholeAndShapesClipThePicture) {
    std::string pic = Picture("pattern.bmp", 200, 150);
    int left = (kScreenW - 200) / 2, top = (kScreenH - 150) / 2;
    const uint32_t frame = 0xFFFF00;
    // Rectangle, 4 pixels: the outline covers the outer 4 pixels, the picture
    // shows inside it, and the outline stands complete from the first step on.
    ResetSettings(OnlyEffect(0));
    SetOption(29, true);
    g_Settings.slide.FrameThickness = 4;
    g_Settings.slide.FrameColor = int32_t(ToColorref(frame));
    g_Settings.slide.Speed = 1;
    {
        Saver s({pic});
        ASSERT_TRUE(s.SetUp());
        ASSERT_TRUE(s.Frame());
        Pixels got = ReadCanvas(s);
        for (int y : {10, 75, 140}) {
            EXPECT_EQ(got.At(left, top + y), frame);
            // The 4-pixel pen is centred on the slide shrunk by 2; GDI leaves the
            // right and bottom edges of a rectangle out, so the outline ends at 198.
            EXPECT_EQ(got.At(left + 197, top + y), frame)
                << "the frame stands while the picture comes";
            EXPECT_EQ(got.At(left + 100, top + y), kBackground);
            EXPECT_EQ(got.At(left - 1, top + y), kBackground);
        }
        EXPECT_EQ(got.At(left + 100, top), frame);
        EXPECT_EQ(got.At(left + 100, top + 147), frame);
        // The picture is clipped inside the frame: columns 0..3 stay the outline.
        for (int i = 0; i < 300 && !s.Slide().Completed(); ++i)
            ASSERT_TRUE(s.Frame());
        got = ReadCanvas(s);
        EXPECT_EQ(got.At(left + 3, top + 75), frame);
        EXPECT_EQ(got.At(left + 4, top + 75), Pattern(4, 75));
        EXPECT_EQ(got.At(left + 195, top + 75), Pattern(195, 75));
        EXPECT_EQ(got.At(left + 196, top + 75), frame);
    }
    // Oval without thickness: no outline, the picture clipped to the inscribed ellipse.
    ResetSettings(OnlyEffect(34));
    SetOption(31, true);
    {
        Saver s({pic});
        ASSERT_TRUE(s.SetUp());
        ASSERT_EQ(s.Slide().frameShape, saver::kShapeOval);
        ASSERT_TRUE(s.Frame());
        Pixels got = ReadCanvas(s);
        int inside = 0;
        for (int y = 0; y < kScreenH; ++y)
            for (int x = 0; x < kScreenW; ++x) {
                uint32_t g = got.At(x, y);
                if (g == kBackground) continue;
                int lx = x - left, ly = y - top;
                ASSERT_EQ(g, Pattern(lx, ly)) << x << "," << y;
                double dx = (lx + 0.5 - 100) / 100, dy = (ly + 0.5 - 75) / 75;
                EXPECT_LE(dx * dx + dy * dy, 1.05) << "outside the ellipse at " << lx << "," << ly;
                ++inside;
            }
        EXPECT_NEAR(inside, 3.14159265 * 100 * 75, 0.02 * 200 * 150);
        EXPECT_EQ(got.At(left + 100, top + 1), Pattern(100, 1));
        EXPECT_EQ(got.At(left + 1, top + 75), Pattern(1, 75));
    }
    // Round rectangle, thickness 2: the shrunk rectangle's corners are cut off.
    ResetSettings(OnlyEffect(34));
    SetOption(30, true);
    g_Settings.slide.FrameThickness = 2;
    {
        Saver s({pic});
        ASSERT_TRUE(s.SetUp());
        ASSERT_TRUE(s.Frame());
        Pixels got = ReadCanvas(s);
        EXPECT_NE(got.At(left + 2, top + 2), Pattern(2, 2));
        EXPECT_EQ(got.At(left + 100, top + 2), Pattern(100, 2));
        EXPECT_EQ(got.At(left + 100, top + 75), Pattern(100, 75));
    }
}

TEST_F(SlideshowTest, RandomFrameColoursUseQuarterSteps) {
    std::vector<std::string> pics = {Picture("a.bmp", 60, 40), Picture("b.bmp", 60, 40)};
    ResetSettings(OnlyEffect(34));
    SetOption(29, true);
    SetOption(32, true);
    g_Settings.slide.FrameThickness = 2;
    Saver s(pics);
    ASSERT_TRUE(s.SetUp());
    int distinct = 0;
    COLORREF last = CLR_INVALID;
    for (int change = 0; change < 12; ++change) {
        COLORREF c = s.Slide().frameColor;
        for (int shift : {0, 8, 16})
            EXPECT_EQ(((c >> shift) & 0xFF) % 85, 0u) << std::hex << c;
        ASSERT_TRUE(s.Frame());
        EXPECT_EQ(ReadCanvas(s).At(s.Slide().rect.left, s.Slide().rect.top + 20),
                  ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
        distinct += c != last;
        last = c;
        s.EndHold();
        ASSERT_TRUE(s.Frame()); // the erase: completes at once
        ASSERT_TRUE(s.w.slideCycle.loadNext);
        ASSERT_TRUE(s.w.StepSlideshow()); // the next picture with a new colour
    }
    EXPECT_GT(distinct, 3);
}

TEST_F(SlideshowTest, SizeOptionsFitAndCentreTheSlide) {
    struct Case {
        bool own, stretch, shrink, aspect;
        int w, h;
        RECT want; // on the 320 x 240 screen
    } cases[] = {
        {true, true, true, true, 100, 80, {110, 80, 210, 160}},    // own size wins
        {false, true, false, false, 100, 80, {0, 0, 320, 240}},    // fits: stretched
        {false, false, true, false, 100, 80, {110, 80, 210, 160}}, // fits: shrink does nothing
        {false, false, true, false, 400, 300, {0, 0, 320, 240}},   // too large: shrunk
        {false, false, true, true, 400, 200, {0, 40, 320, 200}},   // wider than the screen's shape
        {false, true, false, true, 100, 80, {10, 0, 310, 240}},    // higher than the screen's shape
        {false, false, false, false, 400, 300, {0, 0, 400, 300}},  // hangs off right and bottom
        {false, false, true, false, 320, 100, {0, 0, 320, 240}},   // as wide as the screen: no fit
    };
    for (const Case& c : cases) {
        ResetSettings(OnlyEffect(34));
        SetOption(25, c.own), SetOption(26, c.stretch), SetOption(27, c.shrink);
        SetOption(28, c.aspect);
        Saver s({Picture("fit.bmp", c.w, c.h)});
        ASSERT_TRUE(s.SetUp());
        const RECT& r = s.Slide().rect;
        EXPECT_TRUE(r.left == c.want.left && r.top == c.want.top && r.right == c.want.right &&
                    r.bottom == c.want.bottom)
            << c.w << "x" << c.h << " -> " << r.left << "," << r.top << "," << r.right << ","
            << r.bottom;
        // The whole picture is drawn into the slide: its far corner is the picture's.
        ASSERT_TRUE(s.Frame());
        uint32_t corner = ReadCanvas(s).At(std::min(int(r.right), kScreenW) - 1,
                                           std::min(int(r.bottom), kScreenH) - 1);
        EXPECT_EQ(corner & 0xFF, kPatternBlue);
    }
}

TEST_F(SlideshowTest, ColourModesConvertThePicture) {
    std::string pic = Picture("colour.bmp", 120, 90);
    for (int mode : {2, 3}) {
        ResetSettings(OnlyEffect(34));
        Saver s({pic});
        s.w.colorMode = mode;
        ASSERT_TRUE(s.SetUp());
        Pixels p = Read(s.Slide().imageDC, 120, 90);
        std::vector<uint32_t> colours(p.px);
        std::sort(colours.begin(), colours.end());
        colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
        if (mode == 2) {
            for (uint32_t c : colours)
                ASSERT_TRUE((c >> 16) == (c & 0xFF) && ((c >> 8) & 0xFF) == (c & 0xFF))
                    << std::hex << c << " is not grey";
        } else {
            EXPECT_LE(colours.size(), 256u);
            EXPECT_GT(colours.size(), 16u);
        }
    }
}

// Ink of a caption: pixels of the slide's picture that are no longer the pattern.
struct Ink {
    int count = 0, left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, foreColor = 0;
};
Ink FindInk(SlideSprite& slide, uint32_t fore) {
    int w = slide.rect.right - slide.rect.left, h = slide.rect.bottom - slide.rect.top;
    Pixels p = Read(slide.imageDC, w, h);
    Ink ink;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t g = p.At(x, y);
            if (g == Pattern(x, y)) continue;
            ++ink.count;
            ink.foreColor += g == fore;
            ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x + 1);
            ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y + 1);
        }
    return ink;
}

TEST_F(SlideshowTest, CaptionsSitAtTheirThreePositionsInTheFontAndColour) {
    // A 20-pixel font on a 480-pixel-high picture: text tops at 10, 230 and 450.
    std::string pic = Picture("holiday.2000.bmp", 240, 480);
    const uint32_t fore = 0x0000FF;
    struct Case {
        int position;
        bool fromFileName;
        const char* entry;
        int textTop; // -1: nothing drawn
    } cases[] = {
        {0, false, "|Top caption", 10},
        {1, false, "|  Middle  ", 230},
        {2, false, "|Bottom", 450},
        {2, true, "|ignored", 450}, // the file name without folder and extension
        {3, true, "|Disabled", -1},
        {0, false, "|    ", -1}, // only white space
        {0, false, "", -1},
    };
    for (const Case& c : cases) {
        ResetSettings(OnlyEffect(34));
        g_Settings.caption.Position = c.position;
        g_Settings.caption.FontHeight = 20;
        g_Settings.caption.FontFaceName = "Tahoma";
        g_Settings.caption.ForeColor = int32_t(ToColorref(fore));
        SetOption(33, c.fromFileName);
        Saver s({pic + c.entry}, 600); // room for the whole picture, at (40, 60)
        ASSERT_TRUE(s.SetUp());
        Ink ink = FindInk(s.Slide(), fore);
        // Shown in one frame, the canvas holds the picture with its caption.
        ASSERT_TRUE(s.Frame());
        Pixels canvas = Read(s.w.CanvasDC(), kScreenW, 600);
        int canvasInk = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 240; ++x) {
                uint32_t g = canvas.At(40 + x, 60 + y);
                if (g == Pattern(x, y)) continue;
                ++canvasInk;
                EXPECT_GE(y, c.textTop) << c.entry;
                EXPECT_LT(y, c.textTop + 20) << c.entry;
            }
        EXPECT_EQ(canvasInk, ink.count) << c.entry;
        if (c.textTop < 0) {
            EXPECT_EQ(ink.count, 0) << c.entry;
            continue;
        }
        ASSERT_GT(ink.count, 20) << c.entry;
        EXPECT_GT(ink.foreColor, 0) << "text in the caption colour";
        EXPECT_GE(ink.top, c.textTop) << c.entry;
        EXPECT_LE(ink.bottom, c.textTop + 20) << c.entry;
        // Centred on the average width, not measured: roughly in the middle.
        EXPECT_NEAR((ink.left + ink.right) / 2.0, 120.0, 30.0) << c.entry;
        // Transparent: the picture shows between the letters.
        Pixels p = Read(s.Slide().imageDC, 240, 480);
        int untouched = 0;
        for (int y = ink.top; y < ink.bottom; ++y)
            for (int x = ink.left; x < ink.right; ++x)
                untouched += p.At(x, y) == Pattern(x, y);
        EXPECT_GT(untouched, (ink.right - ink.left) * (ink.bottom - ink.top) / 3);
    }
}

TEST_F(SlideshowTest, CaptionWiderThanThePictureIsCutOnBothSides) {
    std::string pic = Picture("narrow.bmp", 40, 60);
    ResetSettings(OnlyEffect(34));
    g_Settings.caption.Position = 1;
    g_Settings.caption.FontHeight = 20;
    g_Settings.caption.FontFaceName = "Tahoma";
    g_Settings.caption.ForeColor = 0xFF0000;
    Saver s({pic + "|WWWWWWWWWWWWWWWWWWWW"});
    ASSERT_TRUE(s.SetUp());
    Ink ink = FindInk(s.Slide(), 0x0000FF);
    EXPECT_EQ(ink.left, 0);
    EXPECT_EQ(ink.right, 40);
}

TEST_F(SlideshowTest, ShowHoldEraseNextPictureCycleKeepsTheDuration) {
    std::vector<std::string> pics = {Picture("one.bmp", 100, 80),
                                     Picture("two.bmp", 100, 80, kOtherBlue)};
    std::string effects(saver::kEffectCount, '0');
    effects[0] = effects[22] = effects[33] = '1';
    ResetSettings(effects);
    g_Settings.slide.Duration = 1;
    g_Settings.slide.Speed = 100;
    Saver s(pics);
    ASSERT_TRUE(s.SetUp());
    ASSERT_EQ(s.w.slideCycle.holdTime, 1000u);
    int left = (kScreenW - 100) / 2, top = (kScreenH - 80) / 2;
    for (int picture = 0; picture < 3; ++picture) {
        uint8_t blue = picture % 2 ? kOtherBlue : kPatternBlue;
        int showEffect = s.Slide().state.effect;
        int i = 0;
        while (s.w.slideCycle.showing && i++ < 100)
            ASSERT_TRUE(s.Frame());
        ASSERT_FALSE(s.w.slideCycle.showing);
        // Held: the whole picture, until the duration has passed (the limit
        // only keeps a broken hold from running for ever).
        DWORD holdBegan = GetTickCount();
        while (!s.w.slideCycle.erasing && GetTickCount() - holdBegan < 60000) {
            ASSERT_TRUE(s.Frame());
            if (!s.w.slideCycle.erasing) {
                ASSERT_EQ(ReadCanvas(s).At(left + 50, top + 40), Pattern(50, 40, blue));
            }
            Sleep(20);
        }
        ASSERT_TRUE(s.w.slideCycle.erasing);
        // A loaded machine can only lengthen the hold, never shorten it.
        EXPECT_GE(GetTickCount() - holdBegan, 1000u);
        EXPECT_TRUE(s.Slide().state.eraseMode);
        EXPECT_EQ(s.Slide().state.effect, showEffect) << "the erase undoes the show's effect";
        i = 0;
        while (!s.w.slideCycle.loadNext && i++ < 100)
            ASSERT_TRUE(s.Frame());
        ASSERT_TRUE(s.w.slideCycle.loadNext);
        EXPECT_EQ(ReadCanvas(s).At(left + 50, top + 40), kBackground);
        ASSERT_TRUE(s.Frame()); // the next picture starts its show
        EXPECT_TRUE(s.w.slideCycle.showing);
        EXPECT_FALSE(s.Slide().state.eraseMode);
    }
}

TEST_F(SlideshowTest, WithoutUndoTheEraseDrawsAFreshEffect) {
    std::string pic = Picture("one.bmp", 100, 80);
    std::string effects(saver::kEffectCount, '0');
    effects[3] = effects[9] = effects[25] = effects[29] = '1';
    ResetSettings(effects);
    SetOption(37, false);
    Saver s({pic});
    ASSERT_TRUE(s.SetUp());
    int differ = 0;
    for (int picture = 0; picture < 12; ++picture) {
        int i = 0;
        while (s.w.slideCycle.showing && i++ < 100)
            ASSERT_TRUE(s.Frame());
        int showEffect = s.Slide().state.effect;
        s.EndHold();
        ASSERT_TRUE(s.Frame());
        differ += s.Slide().state.effect != showEffect;
        while (!s.w.slideCycle.loadNext && i++ < 200)
            ASSERT_TRUE(s.Frame());
        ASSERT_TRUE(s.Frame());
    }
    EXPECT_GT(differ, 3);
}

TEST_F(SlideshowTest, AllEffectsOffShowsHoldsAndRemovesAtOnce) {
    std::vector<std::string> pics = {Picture("one.bmp", 100, 80),
                                     Picture("two.bmp", 100, 80, kOtherBlue)};
    ResetSettings(std::string(saver::kEffectCount, '0'));
    Saver s(pics);
    ASSERT_TRUE(s.SetUp());
    ASSERT_EQ(s.w.effectList, std::vector<int>{saver::kNoEffect});
    int left = (kScreenW - 100) / 2, top = (kScreenH - 80) / 2;
    ASSERT_TRUE(s.Frame());
    EXPECT_FALSE(s.w.slideCycle.showing) << "shown in one frame";
    Pixels got = ReadCanvas(s);
    EXPECT_EQ(got.At(left, top), Pattern(0, 0));
    EXPECT_EQ(got.At(left + 99, top + 79), Pattern(99, 79));
    s.EndHold();
    ASSERT_TRUE(s.Frame());
    EXPECT_TRUE(s.w.slideCycle.loadNext) << "removed in one frame";
    got = ReadCanvas(s);
    EXPECT_EQ(got.At(left + 50, top + 40), kBackground);
    ASSERT_TRUE(s.Frame());
    EXPECT_EQ(ReadCanvas(s).At(left + 50, top + 40), Pattern(50, 40, kOtherBlue));
}

TEST_F(SlideshowTest, UnreadablePicturesAreDroppedAndAnEmptyListEndsTheSaver) {
    std::string good = Picture("good.bmp", 100, 80);
    std::string bad1 = dir_ + "\\missing.bmp", bad2 = dir_ + "\\broken.bmp";
    harness::WriteFileBytes(bad2, "BM this is no bitmap");
    ResetSettings(OnlyEffect(34));
    {
        // Only unreadable pictures: the slideshow does not start, quietly.
        Saver s({bad1, bad2});
        EXPECT_FALSE(s.SetUp());
        EXPECT_EQ(s.w.slide, nullptr);
        EXPECT_TRUE(s.w.pictureList.empty());
        EXPECT_TRUE(s.w.slideshowList.empty());
    }
    Application::Get().SetTitle("Slide Test");
    Saver s({bad1, good + "|caption", bad2});
    ASSERT_TRUE(s.SetUp());
    EXPECT_EQ(s.w.slideshowList.size(), 2u);
    ASSERT_EQ(s.w.pictureList.size(), 1u);
    EXPECT_EQ(s.w.pictureList[0].get(), s.w.slide);
    ASSERT_TRUE(s.Frame());
    s.EndHold();
    ASSERT_TRUE(s.Frame());
    ASSERT_TRUE(s.Frame()); // the broken successor is dropped, the good one comes back
    EXPECT_EQ(s.w.slideshowList, std::vector<std::string>{good + "|caption"});
    EXPECT_EQ(ReadCanvas(s).At(kScreenW / 2, kScreenH / 2), Pattern(50, 40));
    // The last picture disappears: the next change of picture ends the saver
    // through the frame loop with its warning.
    ASSERT_TRUE(DeleteFileA(good.c_str()));
    s.EndHold();
    SendMessageA(s.w.Handle(), WM_TIMER, SaverWindow::kFrameTimer, 0);
    ASSERT_TRUE(s.w.slideCycle.loadNext);
    {
        harness::BoxAnswerer answer(IDOK);
        SendMessageA(s.w.Handle(), WM_TIMER, SaverWindow::kFrameTimer, 0);
        EXPECT_EQ(answer.Seen().text, "Unable to load slideshow image");
        EXPECT_EQ(answer.Seen().caption, "Slide Test");
    }
    EXPECT_EQ(s.w.slide, nullptr);
    EXPECT_TRUE(s.w.pictureList.empty());
}

TEST_F(SlideshowTest, SlideChangesLeakNoGdiObjects) {
    std::vector<std::string> pics = {Picture("one.bmp", 90, 70),
                                     Picture("two.bmp", 70, 90) + "|Caption"};
    std::string effects(saver::kEffectCount, '0');
    effects[10] = effects[27] = effects[30] = effects[33] = '1';
    ResetSettings(effects);
    SetOption(29, true), SetOption(30, true), SetOption(31, true), SetOption(32, true);
    g_Settings.slide.FrameThickness = 2;
    g_Settings.slide.Speed = 100;
    g_Settings.caption.Position = 2;
    Saver s(pics);
    ASSERT_TRUE(s.SetUp());
    harness::ExpectNoGdiLeak([&] {
        for (int i = 0; s.w.slideCycle.showing && i < 50; ++i)
            ASSERT_TRUE(s.Frame());
        s.EndHold();
        for (int i = 0; !s.w.slideCycle.loadNext && i < 50; ++i)
            ASSERT_TRUE(s.Frame());
        ASSERT_TRUE(s.Frame());
    });
}

} // namespace

namespace {

// Watches the screen's centre while the saver's own modal loop runs, then ends
// the run with Escape (or, should that fail, by ending the loop).  The limits
// are generous: they only end a run that would otherwise never end.
struct ScreenWatcher {
    SaverWindow* window;
    DWORD mainThread = GetCurrentThreadId();
    std::vector<uint32_t> seen; // distinct centre colours in order
    DWORD firstAt = 0, secondAt = 0;
    bool escapeEnded = false;
    HANDLE ended = CreateEventA(nullptr, TRUE, FALSE, nullptr); // set when the run returns
    HANDLE thread = nullptr;
    static DWORD WINAPI Run(void* p) {
        auto* self = static_cast<ScreenWatcher*>(p);
        int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
        DWORD begin = GetTickCount();
        while (GetTickCount() - begin < 60000) {
            Sleep(30);
            HDC screen = GetDC(nullptr);
            COLORREF c = GetPixel(screen, cx, cy);
            ReleaseDC(nullptr, screen);
            uint32_t rgb = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
            if (self->seen.empty() || self->seen.back() != rgb) self->seen.push_back(rgb);
            if (rgb == Pattern(50, 40) && !self->firstAt) self->firstAt = GetTickCount();
            if (rgb == Pattern(50, 40, kOtherBlue)) {
                self->secondAt = GetTickCount();
                break;
            }
        }
        PostMessageA(self->window->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
        self->escapeEnded = WaitForSingleObject(self->ended, 60000) == WAIT_OBJECT_0;
        if (!self->escapeEnded) PostThreadMessageA(self->mainThread, WM_QUIT, 0, 0);
        return 0;
    }
    explicit ScreenWatcher(SaverWindow* w) : window(w) {
        thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    void Join() {
        if (!thread) return;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        thread = nullptr;
    }
    ~ScreenWatcher() {
        Join();
        CloseHandle(ended);
    }
};

TEST_F(SlideshowTest, TheSaversOwnFrameLoopRunsTheSlideshowOnTheScreen) {
    ResetSettings(std::string(saver::kEffectCount, '0'));
    g_Settings.slide.Duration = 1;
    g_Settings.background.GradientColor1 = int32_t(ToColorref(kBackground));
    SetOption(5, true); // alphabetical order
    g_Settings.ImageList = {Picture("a_first.bmp", 100, 80),
                            Picture("b_second.bmp", 100, 80, kOtherBlue)};
    SaverWindow w;
    w.SetSound(nullptr);
    ScreenWatcher watcher(&w);
    EXPECT_TRUE(w.Start());
    SetEvent(watcher.ended);
    watcher.Join();
    EXPECT_TRUE(watcher.escapeEnded) << "Escape ends the run";
    // The first picture, held; (the background between, when a sample caught it;)
    // then the second picture after the one-second hold.
    std::vector<uint32_t> pictures;
    for (uint32_t c : watcher.seen)
        if (c != kBackground) pictures.push_back(c);
    ASSERT_GE(pictures.size(), 2u);
    EXPECT_EQ(pictures[pictures.size() - 2], Pattern(50, 40));
    EXPECT_EQ(pictures.back(), Pattern(50, 40, kOtherBlue));
    // Sampled every 30 ms or so, the one-second hold cannot look much shorter.
    EXPECT_GE(watcher.secondAt - watcher.firstAt, 900u);
    EXPECT_EQ(w.slide, nullptr) << "closed";
}

} // namespace
