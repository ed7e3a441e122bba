// Properties every effect must keep on every slide size: pieces never leave the
// slide or the picture, shows only ever uncover more and erases less, a show ends
// with the picture in place and an erase ends with nothing, and the erase of a
// moving effect carries the picture on in the direction it came.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "effect_runner.h"
#include "saver/geometry/fitting.h"

using saver::Piece;
using saver::Rect;
using saver::StepOutput;
using saver_test::RunTransition;
using saver_test::Transition;

namespace {

bool Inside(const Rect& r, int W, int H) {
    return r.left >= 0 && r.top >= 0 && r.right <= W && r.bottom <= H && !r.Empty();
}

bool InHole(const StepOutput& out, int x, int y) {
    if (!out.hasHole) return false;
    const Rect& b = out.holeBox;
    const double a = b.Width() / 2.0, c = b.Height() / 2.0;
    const double dx = (x + 0.5 - (b.left + a)) / a, dy = (y + 0.5 - (b.top + c)) / c;
    return dx * dx + dy * dy < 1.0;
}

// The picture as the scene shows it after one frame: -1 where the background
// shows, otherwise the picture pixel (index y * W + x) copied there.
std::vector<int32_t> Render(const StepOutput& out, int W, int H) {
    std::vector<int32_t> scene(size_t(W) * size_t(H), -1);
    if (!out.draw) return scene;
    for (const Piece& p : out.pieces) {
        for (int y = p.dest.top; y < p.dest.bottom; ++y) {
            for (int x = p.dest.left; x < p.dest.right; ++x) {
                if (InHole(out, x, y)) continue;
                int sx, sy;
                if (out.stretch) { // nearest source pixel, as a stretching copy picks it
                    sx = p.src.left + (x - p.dest.left) * p.src.Width() / p.dest.Width();
                    sy = p.src.top + (y - p.dest.top) * p.src.Height() / p.dest.Height();
                } else {
                    sx = p.src.left + (x - p.dest.left);
                    sy = p.src.top + (y - p.dest.top);
                }
                scene[size_t(y) * size_t(W) + size_t(x)] = sy * W + sx;
            }
        }
    }
    return scene;
}

size_t Covered(const std::vector<int32_t>& scene) {
    size_t n = 0;
    for (int32_t v : scene)
        n += v >= 0;
    return n;
}

// Containment and form of every frame of a transition.
void CheckFrames(const Transition& t, int effect, int W, int H) {
    ASSERT_TRUE(t.completed);
    for (size_t i = 0; i < t.steps.size(); ++i) {
        const StepOutput& out = t.steps[i];
        SCOPED_TRACE(testing::Message() << "step " << i + 1);
        const bool stretching = effect >= 30 && effect <= 32;
        EXPECT_EQ(out.stretch, stretching && !out.pieces.empty());
        if (!out.draw) {
            EXPECT_TRUE(out.pieces.empty());
        }
        for (const Piece& p : out.pieces) {
            ASSERT_TRUE(Inside(p.dest, W, H))
                << p.dest.left << "," << p.dest.top << "," << p.dest.right << "," << p.dest.bottom;
            ASSERT_TRUE(Inside(p.src, W, H))
                << p.src.left << "," << p.src.top << "," << p.src.right << "," << p.src.bottom;
            if (!stretching) {
                ASSERT_EQ(p.dest.Width(), p.src.Width());
                ASSERT_EQ(p.dest.Height(), p.src.Height());
            }
        }
        if (out.hasHole) {
            EXPECT_FALSE(out.holeBox.Empty());
        }
    }
}

// Sizes where halving and the float aspect are exact: the final step of every
// show puts each pixel of the picture in its own place.
const std::pair<int, int> kExactSizes[] = {{640, 480}, {320, 240}, {200, 150},
                                           {96, 64},   {256, 160}, {160, 320}};

TEST(EffectProperties, ShowsEndWithThePictureInPlaceAndErasesWithNothing) {
    for (int effect = 0; effect <= 34; ++effect) {
        for (auto [W, H] : kExactSizes) {
            for (int speed : {20, 100}) {
                SCOPED_TRACE(testing::Message()
                             << "effect " << effect << " " << W << "x" << H << " speed " << speed);
                Transition show = RunTransition(effect, false, speed, W, H);
                CheckFrames(show, effect, W, H);
                std::vector<int32_t> last = Render(show.steps.back(), W, H);
                for (int y = 0; y < H; ++y) {
                    for (int x = 0; x < W; ++x) {
                        int32_t want = y * W + x;
                        // Interlace leaves the pixels past its last whole strip to the final draw.
                        if (effect == 28 && x >= 16 * (W / 16)) want = -1;
                        if (effect == 29 && y >= 16 * (H / 16)) want = -1;
                        ASSERT_EQ(last[size_t(y) * size_t(W) + size_t(x)], want)
                            << "at " << x << "," << y;
                    }
                }
                Transition erase = RunTransition(effect, true, speed, W, H);
                CheckFrames(erase, effect, W, H);
                EXPECT_FALSE(erase.steps.back().draw);
            }
        }
    }
}

TEST(EffectProperties, ShowsOnlyUncoverAndErasesOnlyCover) {
    for (int effect = 0; effect <= 33; ++effect) {
        for (int speed : {1, 30}) {
            const int W = 96, H = 64;
            SCOPED_TRACE(testing::Message() << "effect " << effect << " speed " << speed);
            for (bool erase : {false, true}) {
                Transition t = RunTransition(effect, erase, speed, W, H);
                ASSERT_GE(t.steps.size(), 2u);
                size_t previous = erase ? size_t(W) * H : 0;
                Rect previousHole = erase ? Rect{} : Rect{-1000, -1000, 1000, 1000};
                for (const StepOutput& out : t.steps) {
                    if (effect == 27) {
                        // The hole shrinks in the show and grows in the erase, box within box.
                        if (!out.draw) continue;
                        Rect now = out.hasHole ? out.holeBox : Rect{};
                        const Rect& outer = erase ? now : previousHole;
                        const Rect& inner = erase ? previousHole : now;
                        if (!inner.Empty()) {
                            EXPECT_LE(outer.left, inner.left);
                            EXPECT_LE(outer.top, inner.top);
                            EXPECT_GE(outer.right, inner.right);
                            EXPECT_GE(outer.bottom, inner.bottom);
                        }
                        previousHole = now;
                        continue;
                    }
                    const size_t covered = Covered(Render(out, W, H));
                    if (erase)
                        EXPECT_LE(covered, previous);
                    else
                        EXPECT_GE(covered, previous);
                    previous = covered;
                }
                if (effect == 27) continue;
                // The first frame of a show may still be empty (a quadrant T(1) = 0 rows
                // high); the first frame of an erase still shows part of the picture.
                const size_t first = Covered(Render(t.steps.front(), W, H));
                if (erase) {
                    EXPECT_GT(first, 0u);
                } else {
                    EXPECT_LT(first, size_t(W) * H);
                }
            }
        }
    }
}

// The picture's offset on the screen (destination minus source corner) of a 1:1 piece.
std::pair<int, int> Offset(const Piece& p) {
    return {p.dest.left - p.src.left, p.dest.top - p.src.top};
}

TEST(EffectProperties, EraseOfAMovingEffectCarriesThePictureOn) {
    // Slides 0..7: at every step the erase shows the picture exactly one slide width
    // (height) further along the way it came in; the rolls 14..21 uncover in the
    // erase exactly the part of the slide each axis of the show has not reached.
    const int W = 320, H = 240;
    for (int effect : {0, 1, 2, 3, 4, 5, 6, 7, 14, 15, 16, 17, 18, 19, 20, 21}) {
        SCOPED_TRACE(testing::Message() << "effect " << effect);
        Transition show = RunTransition(effect, false, 10, W, H);
        Transition erase = RunTransition(effect, true, 10, W, H);
        ASSERT_EQ(show.steps.size(), erase.steps.size());
        for (size_t i = 0; i + 1 < show.steps.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "step " << i + 1);
            ASSERT_EQ(erase.steps[i].pieces.size(), 1u);
            const Piece& s = show.steps[i].pieces[0];
            const Piece& e = erase.steps[i].pieces[0];
            if (effect < 14) {
                auto [sx, sy] = Offset(s);
                auto [ex, ey] = Offset(e);
                EXPECT_EQ(ex, sx == 0 ? 0 : sx + (sx < 0 ? W : -W));
                EXPECT_EQ(ey, sy == 0 ? 0 : sy + (sy < 0 ? H : -H));
            } else {
                EXPECT_EQ(e.src, e.dest);
                // Per axis: a full span stays full, a partial span is replaced by the rest.
                const bool fullX = s.dest.left == 0 && s.dest.right == W;
                const bool fullY = s.dest.top == 0 && s.dest.bottom == H;
                if (fullX) {
                    EXPECT_EQ(e.dest.Width(), W);
                } else {
                    EXPECT_EQ(e.dest.Width() + s.dest.Width(), W);
                    EXPECT_TRUE(e.dest.right <= s.dest.left || e.dest.left >= s.dest.right);
                }
                if (fullY) {
                    EXPECT_EQ(e.dest.Height(), H);
                } else {
                    EXPECT_EQ(e.dest.Height() + s.dest.Height(), H);
                    EXPECT_TRUE(e.dest.bottom <= s.dest.top || e.dest.top >= s.dest.bottom);
                }
            }
        }
    }
}

TEST(EffectProperties, EverySizeKeepsPiecesOnTheSlide) {
    // Odd sizes, inexact aspect ratios, slides of one or two pixels, and common
    // screens: nothing leaves the slide, every transition ends, and the last show
    // step leaves at most one column and one row to the final whole-picture draw
    // (interlace: exactly the columns or rows past its last whole strip).
    std::vector<std::pair<int, int>> sizes;
    for (int W = 1; W <= 24; ++W)
        for (int H = 1; H <= 24; ++H)
            sizes.push_back({W, H});
    for (auto s : {std::pair<int, int>{641, 479},
                   {1366, 768},
                   {1920, 1080},
                   {7, 31},
                   {7, 61},
                   {303, 101},
                   {1023, 767},
                   {1, 700},
                   {700, 1},
                   {45, 44},
                   {1280, 1024}})
        sizes.push_back(s);
    saver::RainTable rain;
    for (int effect = 0; effect <= 34; ++effect) {
        for (auto [W, H] : sizes) {
            const bool big = W * H > 100000;
            for (int speed : {1, 37, 100}) {
                if (big && speed == 1) continue;
                SCOPED_TRACE(testing::Message()
                             << "effect " << effect << " " << W << "x" << H << " speed " << speed);
                Transition show = RunTransition(effect, false, speed, W, H, rain, 5000);
                CheckFrames(show, effect, W, H);
                Transition erase = RunTransition(effect, true, speed, W, H, rain, 5000);
                CheckFrames(erase, effect, W, H);
                EXPECT_FALSE(erase.steps.back().draw);
                if (big) continue;
                const size_t covered = Covered(Render(show.steps.back(), W, H));
                const size_t all = size_t(W) * size_t(H);
                if (effect == 28) {
                    EXPECT_EQ(covered, size_t(16 * (W / 16)) * size_t(H));
                } else if (effect == 29) {
                    EXPECT_EQ(covered, size_t(16 * (H / 16)) * size_t(W));
                } else if (effect == 10 || effect == 13 || effect == 30) {
                    // Grown from the centre by P/2 each side: an odd width loses a column,
                    // and that half pixel, times H / W, loses rows at top and bottom.
                    const long long rows = H - 2 - 2 * ((H + W - 1) / W);
                    EXPECT_GE((long long)covered, std::max(0LL, (long long)(W - 1) * rows));
                } else {
                    EXPECT_GE(covered + size_t(W) + size_t(H), all);
                }
            }
        }
    }
}

TEST(EffectProperties, PiecesStayOnTheScreenForFittedSlides) {
    // The full path of a picture on a 1024 x 768 screen: fit, centre, then the
    // destinations moved by the slide's corner stay on the screen.
    const Rect screen{0, 0, 1024, 768};
    const std::pair<int, int> pictures[] = {{800, 600}, {333, 777}, {3000, 1000}, {1023, 767}};
    for (auto [w, h] : pictures) {
        for (int flags : {saver::kSizeShrink | saver::kSizeKeepAspect, int(saver::kSizeShrink),
                          saver::kSizeStretch | saver::kSizeKeepAspect}) {
            int mode = saver::ChooseFitMode(flags, w, h, 1024, 768);
            saver::Size size = saver::FittedSize(mode, w, h, 1024, 768);
            if (size.width > 1024 || size.height > 768)
                continue; // own size, larger than the screen
            Rect slide = saver::PlaceCentred(screen, size);
            for (int effect = 0; effect <= 34; ++effect) {
                for (bool erase : {false, true}) {
                    Transition t = RunTransition(effect, erase, 60, size.width, size.height);
                    for (const StepOutput& out : t.steps) {
                        for (const Piece& p : out.pieces) {
                            Rect d{p.dest.left + slide.left, p.dest.top + slide.top,
                                   p.dest.right + slide.left, p.dest.bottom + slide.top};
                            ASSERT_TRUE(Inside(d, 1024, 768))
                                << "effect " << effect << " picture " << w << "x" << h;
                        }
                    }
                }
            }
        }
    }
}

// FNV-1a over every rectangle of many transitions.  The stored value is this
// code's own output, so it proves nothing about the geometry being right (the
// properties above do that); it is here so that the 32-bit Windows build, whose
// compiler may keep floats in other precision, is seen to cut exactly the same
// rectangles as the native build the properties run on.
TEST(EffectProperties, WindowsBuildCutsTheSameRectanglesAsTheNativeOne) {
    uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](int v) {
        for (int i = 0; i < 4; ++i) {
            hash ^= uint8_t(uint32_t(v) >> (8 * i));
            hash *= 1099511628211ull;
        }
    };
    const std::pair<int, int> sizes[] = {{641, 479}, {1366, 768}, {303, 97}, {7, 31}, {800, 600}};
    for (int effect = 0; effect <= 34; ++effect) {
        for (auto [W, H] : sizes) {
            for (int speed : {1, 33, 99}) {
                for (bool erase : {false, true}) {
                    saver::RainTable rain;
                    Transition t = RunTransition(effect, erase, speed, W, H, rain);
                    for (const StepOutput& out : t.steps) {
                        mix(out.draw);
                        mix(int(out.pieces.size()));
                        if (effect != 33) { // rain depends on the generator's state
                            for (const Piece& p : out.pieces) {
                                for (const Rect* r : {&p.dest, &p.src}) {
                                    mix(r->left);
                                    mix(r->top);
                                    mix(r->right);
                                    mix(r->bottom);
                                }
                            }
                        }
                        if (out.hasHole) {
                            mix(out.holeBox.left);
                            mix(out.holeBox.top);
                            mix(out.holeBox.right);
                            mix(out.holeBox.bottom);
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(hash, 0x9286d767a9e07518ull) << std::hex << hash;
}

} // namespace
