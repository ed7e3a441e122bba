// Composition rules of the animation canvas on small hand-made frames: what a
// frame's transparent pixels keep, what each disposal leaves for the next frame.
#include <gtest/gtest.h>

#include "saver/animation/animation_canvas.h"

namespace {

using saver::AnimationCanvas;
using saver::AnimationFrame;
using saver::Rect;

constexpr uint32_t kKey = 0x00FF00FF; // the canvas background (see-through colour)
constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// A frame over rect whose index i has colour colours[i]; rows of '0'..'3'.
AnimationFrame MakeFrame(Rect rect, int disposal, int transparentIndex, const char* rows) {
    AnimationFrame f;
    f.rect = rect;
    f.disposal = disposal;
    f.transparentIndex = transparentIndex;
    const uint32_t colours[4] = {kRed, kBlue, kWhite, 0x123456};
    for (int i = 0; i < 4; ++i)
        f.colors[i] = colours[i];
    for (const char* p = rows; *p; ++p)
        f.indices.push_back(uint8_t(*p - '0'));
    return f;
}

// The 4 x 1 canvas as letters: K key, R red, B blue, W white.
std::string Row(const AnimationCanvas& c) {
    std::string s;
    for (uint32_t p : c.Pixels())
        s += p == kKey ? 'K' : p == kRed ? 'R' : p == kBlue ? 'B' : p == kWhite ? 'W' : '?';
    return s;
}

struct Case {
    const char* name;
    std::vector<AnimationFrame> frames;
    std::vector<const char*> after; // the canvas after frame 0, 1, ...
};

TEST(AnimationCanvas, FramesComposeWithTheirOwnTransparency) {
    const Rect all{0, 0, 4, 1}, mid{1, 0, 3, 1};
    const Case cases[] = {
        {"later frame's own transparent index keeps the canvas",
         {MakeFrame(all, 1, 2, "0122"), MakeFrame(mid, 1, 0, "01")},
         {"RBKK", "RBBK"}},
        {"transparent pixels of every frame leave earlier frames",
         {MakeFrame(all, 0, 3, "0033"), MakeFrame(all, 0, 3, "3311"), MakeFrame(all, 0, 3, "2333")},
         {"RRKK", "RRBB", "WRBB"}},
        {"disposal 2 returns the rectangle to the background",
         {MakeFrame(all, 1, -1, "0000"), MakeFrame(mid, 2, 0, "10"), MakeFrame(all, 1, 3, "3333")},
         {"RRRR", "RBRR", "RKKR"}},
        {"disposal 3 restores what lay under a transparent frame",
         {MakeFrame(all, 1, 3, "0033"), MakeFrame(all, 3, 3, "1313"), MakeFrame(all, 1, 3, "3332")},
         {"RRKK", "BRBK", "RRKW"}},
        {"frame 0 after the last starts again from the background",
         {MakeFrame(all, 1, 3, "0333"), MakeFrame(all, 1, 3, "3111"), MakeFrame(all, 1, 3, "0333")},
         {"RKKK", "RBBB", "RBBB"}},
        {"a frame reaching beyond the screen is clipped",
         {MakeFrame(Rect{2, 0, 6, 1}, 2, -1, "1111"), MakeFrame(Rect{-1, 0, 1, 1}, 1, -1, "22")},
         {"KKBB", "WKKK"}},
        {"a frame shorter than its rectangle is not drawn",
         {MakeFrame(all, 1, -1, "0000"), MakeFrame(all, 1, -1, "11")},
         {"RRRR", "RRRR"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AnimationCanvas canvas;
        ASSERT_TRUE(canvas.Reset(4, 1, kKey));
        // One pass and the first frame of the next.
        for (size_t step = 0; step <= c.frames.size(); ++step) {
            size_t k = step % c.frames.size();
            canvas.Compose(c.frames, int(k));
            EXPECT_EQ(Row(canvas), c.after[k]) << "step " << step;
        }
    }
}

TEST(AnimationCanvas, ChangedRectangleCoversDisposalAndFrame) {
    const Rect all{0, 0, 4, 1};
    std::vector<AnimationFrame> frames = {MakeFrame(all, 1, -1, "0000"),
                                          MakeFrame(Rect{0, 0, 1, 1}, 2, -1, "1"),
                                          MakeFrame(Rect{3, 0, 4, 1}, 1, -1, "1")};
    AnimationCanvas canvas;
    ASSERT_TRUE(canvas.Reset(4, 1, kKey));
    const struct { int k, left, right; } expected[] = {{0, 0, 4}, {1, 0, 1}, {2, 0, 4}, {5, 0, 0}};
    for (auto e : expected) {
        Rect r = canvas.Compose(frames, e.k);
        EXPECT_EQ(r.left, e.left) << e.k;
        EXPECT_EQ(r.right, e.right) << e.k;
    }
    EXPECT_FALSE(canvas.Reset(0, 5, kKey));
    EXPECT_FALSE(canvas.Reset(1 << 16, 1 << 16, kKey));
    EXPECT_TRUE(canvas.Compose(frames, 0).Empty());
}

} // namespace
