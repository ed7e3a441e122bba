// Step geometry at chosen steps, checked against hand-computed rectangles.
// Most cases use a 640 x 480 slide at speed 100: dP = 215 (steps 215, 430, 640),
// dQ = trunc(2 + 100 * 158 * 0.01010101) = 161, so after the first step
// h = 107, v = 80, cx = 320, cy = 240, T(107) = 80, T(215) = 161.
#include <gtest/gtest.h>

#include "common/crt_random.h"
#include "effect_runner.h"

using saver::Piece;
using saver::Rect;
using saver::StepOutput;
using saver_test::RunTransition;
using saver_test::Transition;

namespace {

struct StepCase {
    int effect;
    bool erase;
    int step; // 1-based frame of the transition
    std::vector<Piece> pieces;
};

void ExpectPieces(const std::vector<StepCase>& cases, int W, int H, int speed) {
    for (const StepCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "effect " << c.effect << (c.erase ? " erase" : " show")
                                        << " step " << c.step);
        Transition t = RunTransition(c.effect, c.erase, speed, W, H);
        ASSERT_GE(int(t.steps.size()), c.step);
        const StepOutput& out = t.steps[size_t(c.step - 1)];
        EXPECT_TRUE(out.draw);
        ASSERT_EQ(out.pieces.size(), c.pieces.size());
        for (size_t i = 0; i < c.pieces.size(); ++i) {
            EXPECT_EQ(out.pieces[i].dest, c.pieces[i].dest) << "piece " << i << " destination";
            EXPECT_EQ(out.pieces[i].src, c.pieces[i].src) << "piece " << i << " source";
        }
    }
}

Piece Same(Rect r) {
    return {r, r};
}

TEST(EffectSteps, WorkedSpeedExamplesOnA640PixelSlide) {
    EXPECT_EQ(saver::ProgressIncrement(1, 640), 4);
    EXPECT_EQ(saver::ProgressIncrement(100, 640), 215);
    EXPECT_EQ(saver::ProgressIncrement(100, 480), 161);

    Transition slow = RunTransition(0, false, 1, 640, 480);
    EXPECT_TRUE(slow.completed);
    EXPECT_EQ(slow.steps.size(), 160u);
    EXPECT_EQ(slow.steps[0].pieces[0].dest, (Rect{0, 0, 4, 480}));

    Transition fast = RunTransition(0, false, 100, 640, 480);
    ASSERT_EQ(fast.steps.size(), 3u);
    const int rights[] = {215, 430, 640};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(fast.steps[i].pieces[0].dest.right, rights[i]);
}

TEST(EffectSteps, IncrementsUse32BitFloatArithmetic) {
    // 99 * 0.01010101f rounds to exactly 1.0 in single precision (0.99999999 in double).
    EXPECT_EQ(saver::ProgressIncrement(1, 303), 3);
    EXPECT_EQ(saver::ProgressIncrement(99, 300), 100);
    // Tiny slides: W / 3 - 2 goes negative, the increment stays 2.
    EXPECT_EQ(saver::ProgressIncrement(100, 3), 2);
    EXPECT_EQ(saver::InterlaceIncrement(1), 2);
    EXPECT_EQ(saver::InterlaceIncrement(100), 8);
    EXPECT_EQ(saver::InterlaceIncrement(50), 5);
    // The aspect product is single precision too: on a 7 x 31 slide T(7) = 30, not 31.
    Transition t = RunTransition(4, false, 100, 7, 31);
    EXPECT_EQ(t.steps.back().pieces[0].dest, (Rect{0, 0, 7, 30}));
}

TEST(EffectSteps, OnePieceSlidesTakeTheFarSideAndEraseMovesOn) {
    ExpectPieces(
        {
            {0, false, 1, {{{0, 0, 215, 480}, {425, 0, 640, 480}}}},
            {1, false, 2, {{{210, 0, 640, 480}, {0, 0, 430, 480}}}},
            {2, false, 1, {{{0, 0, 640, 161}, {0, 319, 640, 480}}}},
            {3, false, 1, {{{0, 319, 640, 480}, {0, 0, 640, 161}}}},
            {4, false, 1, {{{0, 0, 215, 161}, {425, 319, 640, 480}}}},
            {5, false, 1, {{{425, 318, 640, 480}, {0, 0, 215, 162}}}},
            {6, false, 1, {{{425, 0, 640, 161}, {0, 319, 215, 480}}}},
            {7, false, 1, {{{0, 318, 215, 480}, {425, 0, 640, 162}}}},
            // Erase: the complement of the show's rectangle, the picture moving on.
            {0, true, 1, {{{215, 0, 640, 480}, {0, 0, 425, 480}}}},
            {1, true, 2, {{{0, 0, 210, 480}, {430, 0, 640, 480}}}},
            {2, true, 1, {{{0, 161, 640, 480}, {0, 0, 640, 319}}}},
            {3, true, 1, {{{0, 0, 640, 319}, {0, 161, 640, 480}}}},
            {4, true, 1, {{{215, 161, 640, 480}, {0, 0, 425, 319}}}},
            {5, true, 1, {{{0, 0, 425, 318}, {215, 162, 640, 480}}}},
            {6, true, 1, {{{0, 161, 425, 480}, {215, 0, 640, 319}}}},
            {7, true, 1, {{{215, 0, 640, 318}, {0, 162, 425, 480}}}},
        },
        640, 480, 100);
}

TEST(EffectSteps, OnePieceRollsCopyInPlace) {
    // The rolls uncover the rectangles of the slides where they stand (every roll's
    // erase complement is checked by the properties).
    ExpectPieces({{14, false, 1, {Same({0, 0, 215, 480})}},
                  {19, false, 1, {Same({425, 318, 640, 480})}},
                  {18, true, 1, {Same({215, 161, 640, 480})}},
                  {21, true, 1, {Same({215, 0, 640, 318})}}},
                 640, 480, 100);
}

TEST(EffectSteps, SplitsAndMergesMoveHalvesAndQuadrants) {
    // clang-format off
    ExpectPieces({
        {8, false, 1, {{{320, 0, 427, 480}, {533, 0, 640, 480}},
                       {{213, 0, 320, 480}, {0, 0, 107, 480}}}},
        {8, true, 1, {{{427, 0, 640, 480}, {320, 0, 533, 480}},
                      {{0, 0, 213, 480}, {107, 0, 320, 480}}}},
        {9, false, 1, {{{0, 240, 640, 320}, {0, 400, 640, 480}},
                       {{0, 160, 640, 240}, {0, 0, 640, 80}}}},
        {9, true, 1, {{{0, 320, 640, 480}, {0, 240, 640, 400}},
                      {{0, 0, 640, 160}, {0, 80, 640, 240}}}},
        {10, false, 1, {{{213, 160, 320, 240}, {0, 0, 107, 80}},
                        {{320, 160, 427, 240}, {533, 0, 640, 80}},
                        {{320, 240, 427, 320}, {533, 400, 640, 480}},
                        {{213, 240, 320, 320}, {0, 400, 107, 480}}}},
        {10, true, 1, {{{107, 80, 320, 240}, {0, 0, 213, 160}},
                       {{320, 80, 533, 240}, {427, 0, 640, 160}},
                       {{320, 240, 533, 400}, {427, 320, 640, 480}},
                       {{107, 240, 320, 400}, {0, 320, 213, 480}}}},
        {11, false, 1, {{{533, 0, 640, 480}, {320, 0, 427, 480}},
                        {{0, 0, 107, 480}, {213, 0, 320, 480}}}},
        {11, true, 1, {{{320, 0, 533, 480}, {427, 0, 640, 480}},
                       {{107, 0, 320, 480}, {0, 0, 213, 480}}}},
        {12, false, 1, {{{0, 400, 640, 480}, {0, 240, 640, 320}},
                        {{0, 0, 640, 80}, {0, 160, 640, 240}}}},
        {12, true, 1, {{{0, 240, 640, 400}, {0, 320, 640, 480}},
                       {{0, 80, 640, 240}, {0, 0, 640, 160}}}},
        {13, false, 1, {{{0, 0, 107, 80}, {213, 160, 320, 240}},
                        {{533, 0, 640, 80}, {320, 160, 427, 240}},
                        {{533, 400, 640, 480}, {320, 240, 427, 320}},
                        {{0, 400, 107, 480}, {213, 240, 320, 320}}}},
        {13, true, 1, {{{0, 0, 213, 160}, {107, 80, 320, 240}},
                       {{427, 0, 640, 160}, {320, 80, 533, 240}},
                       {{427, 320, 640, 480}, {320, 240, 533, 400}},
                       {{0, 320, 213, 480}, {107, 240, 320, 400}}}},
    }, 640, 480, 100);
    // clang-format on
}

TEST(EffectSteps, RevealsAndRollingMergesUncoverInPlace) {
    ExpectPieces(
        {
            {22, false, 1, {Same({213, 0, 428, 480})}},
            {22, true, 1, {Same({107, 0, 533, 480})}},
            {23, false, 1, {Same({0, 160, 640, 321})}},
            {23, true, 1, {Same({0, 80, 640, 400})}},
            // L = 212, U = T(212) = 159, bottom trunc(161.25 + 159) = 320.
            {24, false, 1, {Same({212, 159, 427, 320})}},
            // U = T(107) = 80, bottom trunc(426 * 0.75 + 80) = 399.
            {24, true, 1, {Same({107, 80, 533, 399})}},
            {25, false, 1, {Same({533, 0, 640, 480}), Same({0, 0, 107, 480})}},
            {25, true, 1, {Same({427, 0, 640, 480}), Same({0, 0, 213, 480})}},
            {26, false, 1, {Same({0, 400, 640, 480}), Same({0, 0, 640, 80})}},
            {26, true, 1, {Same({0, 320, 640, 480}), Same({0, 0, 640, 160})}},
            {27, false, 1, {Same({0, 0, 640, 480})}},
            {27, true, 2, {Same({0, 0, 640, 480})}},
        },
        640, 480, 100);
}

TEST(EffectSteps, RadialRollingMergeHoleBoxes) {
    struct HoleCase {
        bool erase;
        int step;
        bool hasHole;
        Rect box;
    };
    const HoleCase cases[] = {
        // Show, h = 107: E = (107, 80, 533, 399), grown by 106 and 79.
        {false, 1, true, {1, 1, 639, 478}},
        // h = 215: E = (215, 161, 425, 318), grown by 52 and 39.
        {false, 2, true, {163, 122, 477, 357}},
        // h = 320: E has no width, so the whole picture shows.
        {false, 3, false, {}},
        // Erase, P = 215: L = 212, E = (212, 159, 427, 320), grown by 53 and 40.
        {true, 1, true, {159, 119, 480, 360}},
        // P = 430: L = 105, E = (105, 78, 535, 400), grown by 107 and 80: beyond the slide.
        {true, 2, true, {-2, -2, 642, 480}},
    };
    for (const HoleCase& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.erase ? "erase" : "show") << " step " << c.step);
        Transition t = RunTransition(27, c.erase, 100, 640, 480);
        const StepOutput& out = t.steps[size_t(c.step - 1)];
        EXPECT_EQ(out.hasHole, c.hasHole);
        if (c.hasHole) {
            EXPECT_EQ(out.holeBox, c.box);
        }
    }
    // The erase ends with nothing drawn at all.
    Transition erase = RunTransition(27, true, 100, 640, 480);
    ASSERT_EQ(erase.steps.size(), 3u);
    EXPECT_FALSE(erase.steps[2].draw);
}

TEST(EffectSteps, InterlaceStripsOnA100PixelSlide) {
    // Speed 100: e = 8, strips centred at 8, 24, ..., 88 (x <= W - 8 = 92).
    Transition show = RunTransition(28, false, 100, 100, 50);
    ASSERT_EQ(show.steps.size(), 2u);
    std::vector<Piece> half, full;
    for (int x = 8; x <= 88; x += 16) {
        half.push_back(Same({x - 4, 0, x + 4, 50}));
        full.push_back(Same({x - 8, 0, x + 8, 50}));
    }
    EXPECT_EQ(show.steps[0].pieces, half);
    EXPECT_EQ(show.steps[1].pieces, full);
    EXPECT_EQ(full.front().dest.left, 0);
    EXPECT_EQ(full.back().dest.right, 96); // columns 96..99 wait for the whole-picture draw

    Transition erase = RunTransition(28, true, 100, 100, 50);
    ASSERT_EQ(erase.steps.size(), 2u);
    EXPECT_EQ(erase.steps[0].pieces, half); // 8 - P/2 = 4
    EXPECT_FALSE(erase.steps[1].draw);

    // Speed 1: two pixels per step, eight steps; rows for 29.
    Transition slow = RunTransition(29, false, 1, 50, 100);
    ASSERT_EQ(slow.steps.size(), 8u);
    EXPECT_EQ(slow.steps[0].pieces.front(), Same({0, 7, 50, 9}));
    EXPECT_EQ(slow.steps[0].pieces.size(), 6u);
    EXPECT_EQ(slow.steps[7].pieces.back(), Same({0, 80, 50, 96}));
}

TEST(EffectSteps, ZoomAndRotationsStretchTheWholePicture) {
    const Rect whole{0, 0, 640, 480};
    struct StretchCase {
        int effect;
        bool erase;
        Rect dest;
    };
    const StretchCase cases[] = {
        {30, false, {213, 160, 427, 320}}, // centre grown by 107 and T(107) = 80
        {30, true, {107, 80, 533, 400}},   // grown by 320 - 107 and 240 - 80
        {31, false, {213, 0, 427, 480}},   {31, true, {107, 0, 533, 480}},
        {32, false, {0, 160, 640, 320}},   {32, true, {0, 80, 640, 400}},
    };
    for (const StretchCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "effect " << c.effect << (c.erase ? " erase" : " show"));
        Transition t = RunTransition(c.effect, c.erase, 100, 640, 480);
        ASSERT_EQ(t.steps.size(), 3u);
        EXPECT_TRUE(t.steps[0].stretch);
        ASSERT_EQ(t.steps[0].pieces.size(), 1u);
        EXPECT_EQ(t.steps[0].pieces[0].dest, c.dest);
        EXPECT_EQ(t.steps[0].pieces[0].src, whole);
        if (c.erase) {
            EXPECT_FALSE(t.steps[2].draw);
        } else {
            EXPECT_EQ(t.steps[2].pieces[0].dest, whole);
        }
    }
}

TEST(EffectSteps, RainCellsCountAndIncrement) {
    // 640 x 480: 30 columns (the last overhangs by 20 pixels) and 22 rows, 660 cells.
    EXPECT_EQ(saver::RainColumns(640), 30);
    EXPECT_EQ(saver::RainRows(480), 22);
    EXPECT_EQ(saver::RainIncrement(660, 1), 14);
    EXPECT_EQ(saver::RainIncrement(660, 20), 37);
    EXPECT_EQ(saver::RainIncrement(660, 100), 133);
    EXPECT_EQ(saver::RainIncrement(3, 50), 1); // rounds to 0, at least 1

    Transition t = RunTransition(33, false, 100, 640, 480);
    ASSERT_EQ(t.steps.size(), 5u); // 133, 266, 399, 532, 660
    const size_t counts[] = {133, 266, 399, 532, 660};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(t.steps[i].pieces.size(), counts[i]);
    EXPECT_EQ(t.states[0].PX, 660);
    EXPECT_EQ(t.states[0].dP, 133);
    Transition erase = RunTransition(33, true, 100, 640, 480);
    ASSERT_EQ(erase.steps.size(), 5u);
    EXPECT_EQ(erase.steps[0].pieces.size(), 660u - 133u);
    EXPECT_FALSE(erase.steps[4].draw);
}

TEST(EffectSteps, RainFollowsTheShuffledTableAndClipsOverhangingCells) {
    // 44 x 21: 3 columns, 1 row.  After srand(1) the generator yields 41, 18467,
    // 6334: swaps (0,0), (1,1), (2,0), so the table is {2, 1, 0}.  Cell 2 starts at
    // x = 44, wholly off the slide, and draws nothing; cell 0 is cut to 21 rows.
    CrtSeed(1);
    saver::RainTable rain;
    Transition t = RunTransition(33, false, 50, 44, 21, rain);
    EXPECT_EQ(rain.cells(), (std::vector<int32_t>{2, 1, 0}));
    ASSERT_EQ(t.steps.size(), 3u);
    EXPECT_TRUE(t.steps[0].draw);
    EXPECT_TRUE(t.steps[0].pieces.empty());
    EXPECT_EQ(t.steps[1].pieces, (std::vector<Piece>{Same({22, 0, 44, 21})}));
    EXPECT_EQ(t.steps[2].pieces, (std::vector<Piece>{Same({22, 0, 44, 21}), Same({0, 0, 22, 21})}));

    // The same seed gives the same rain; every restart reshuffles the shared table.
    saver::RainTable again;
    CrtSeed(1);
    RunTransition(33, false, 50, 44, 21, again);
    EXPECT_EQ(again.cells(), rain.cells());
    CrtSeed(7);
    RunTransition(33, false, 50, 640, 480, rain);
    std::vector<int32_t> sorted = rain.cells();
    ASSERT_EQ(sorted.size(), 660u);
    EXPECT_FALSE(std::is_sorted(sorted.begin(), sorted.end()));
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < 660; ++i)
        EXPECT_EQ(sorted[size_t(i)], i);
}

TEST(EffectSteps, NoEffectAndCompletedStates) {
    for (int effect : {34, 35, 1000, -1}) {
        SCOPED_TRACE(effect);
        Transition show = RunTransition(effect, false, 20, 640, 480);
        ASSERT_EQ(show.steps.size(), 1u);
        EXPECT_EQ(show.steps[0].pieces, (std::vector<Piece>{Same({0, 0, 640, 480})}));
        Transition erase = RunTransition(effect, true, 20, 640, 480);
        ASSERT_EQ(erase.steps.size(), 1u);
        EXPECT_FALSE(erase.steps[0].draw);
    }

    // After completion the held show draws the whole picture 1:1 (even after a
    // zoom), an erased slide nothing; both report "still going".
    saver::RainTable rain;
    saver::StepOutput out;
    for (bool erase : {false, true}) {
        saver::EffectState s;
        s.effect = 30;
        s.eraseMode = erase;
        saver::Restart(s);
        int frames = 0;
        while (saver::StepSlide(s, 640, 480, rain, out))
            ++frames;
        EXPECT_TRUE(s.done);
        EXPECT_TRUE(saver::StepSlide(s, 640, 480, rain, out));
        EXPECT_EQ(out.draw, !erase);
        EXPECT_FALSE(out.stretch);
        if (!erase) {
            EXPECT_EQ(out.pieces, (std::vector<Piece>{Same({0, 0, 640, 480})}));
        }
    }
}

TEST(EffectSteps, DegenerateSlides) {
    // A 1-pixel-wide slide: progress stops at the slide's width, never 2 pixels past it.
    Transition t = RunTransition(0, false, 20, 1, 50);
    ASSERT_EQ(t.steps.size(), 1u);
    EXPECT_EQ(t.steps[0].pieces, (std::vector<Piece>{{{0, 0, 1, 50}, {0, 0, 1, 50}}}));
    // A slide without pixels completes at once with nothing to draw.
    for (int effect : {0, 27, 30, 33}) {
        Transition empty = RunTransition(effect, false, 20, 0, 480);
        ASSERT_EQ(empty.steps.size(), 1u);
        EXPECT_FALSE(empty.steps[0].draw);
    }
}

} // namespace
