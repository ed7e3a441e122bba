// Effect and shape choices, and the show -> hold -> erase -> next cycle driven
// frame by frame as the saver's 20 ms loop drives it.
#include <gtest/gtest.h>

#include "common/crt_random.h"
#include "saver/geometry/slideshow.h"

namespace {

TEST(SlideshowChoices, EnabledEffectsAndShapes) {
    std::vector<int> all = saver::EnabledEffects(std::string(34, '1'));
    ASSERT_EQ(all.size(), 34u);
    EXPECT_EQ(all.front(), 0);
    EXPECT_EQ(all.back(), 33);
    EXPECT_EQ(saver::EnabledEffects(std::string(34, '0')), (std::vector<int>{34}));
    std::string some(34, '0');
    some[1] = '1';
    some[27] = 'x'; // anything but '0' enables
    some[33] = '2';
    EXPECT_EQ(saver::EnabledEffects(some), (std::vector<int>{1, 27, 33}));
    EXPECT_EQ(saver::EnabledEffects("01"), (std::vector<int>{1}));
    EXPECT_EQ(saver::EnabledEffects(""), (std::vector<int>{34}));
    EXPECT_EQ(saver::EnabledEffects(std::string(40, '1')).size(), 34u);

    EXPECT_EQ(saver::EnabledShapes(true, false, true), (std::vector<int>{1, 3}));
    EXPECT_TRUE(saver::EnabledShapes(false, false, false).empty());
}

TEST(SlideshowChoices, RandomChoicesFollowTheCLibrarySequence) {
    // After srand(1): 41, 18467, 6334, 26500.
    const std::vector<int> all = saver::EnabledEffects(std::string(34, '1'));
    CrtSeed(1);
    EXPECT_EQ(saver::RandomEntry(all, 34), 0);  // trunc(41 * 34 / 32768)
    EXPECT_EQ(saver::RandomEntry({}, 0), 0);    // an empty list draws nothing
    EXPECT_EQ(saver::RandomEntry(all, 34), 19); // trunc(18467 * 34 / 32768)
    // Random frame colour: k = trunc(4 r / 32768) for red, green, blue in turn.
    CrtSeed(1);
    EXPECT_EQ(saver::ChooseFrameColor(0xFCFF00, true), 0x00AA00u); // k = 0, 2, 0
    EXPECT_EQ(CrtRand(), 26500);
    EXPECT_EQ(saver::ChooseFrameColor(0xFCFF00, false), 0xFCFF00u);
}

TEST(SlideshowChoices, EraseRepeatsOrReplacesTheEffect) {
    const std::vector<int> list{3, 9};
    saver::EffectState s;
    s.effect = 9;
    s.done = true;
    s.stretch = true;
    s.restart = false;
    CrtSeed(1);
    saver::BeginErase(s, true, list);
    EXPECT_EQ(s.effect, 9);
    EXPECT_TRUE(s.eraseMode);
    EXPECT_TRUE(s.restart);
    EXPECT_FALSE(s.done);
    EXPECT_FALSE(s.stretch);
    EXPECT_EQ(CrtRand(), 41); // repeating the effect draws no random value

    CrtSeed(1);
    saver::BeginErase(s, false, list);
    EXPECT_EQ(s.effect, 3); // trunc(41 * 2 / 32768) = 0
    saver::BeginShow(s, list);
    EXPECT_EQ(s.effect, 9); // trunc(18467 * 2 / 32768) = 1
    EXPECT_FALSE(s.eraseMode);
}

TEST(SlideshowCycle, HoldTimingIsUnsignedAndStrict) {
    saver::SlideCycle c;
    c.holdTime = saver::HoldTimeMs(5);
    EXPECT_EQ(c.holdTime, 5000u);
    EXPECT_FALSE(saver::HoldExpired(c, 1000)); // still showing
    saver::AfterSlideStep(c, true);
    EXPECT_TRUE(c.showing);
    saver::AfterSlideStep(c, false);
    EXPECT_FALSE(c.showing);
    EXPECT_FALSE(c.loadNext);

    EXPECT_FALSE(saver::HoldExpired(c, 0xFFFFFF00u)); // hold starts just before the wrap
    EXPECT_EQ(c.holdStart, 0xFFFFFF00u);
    EXPECT_FALSE(saver::HoldExpired(c, 0x1288u)); // exactly 5000 ms later: not yet
    EXPECT_TRUE(saver::HoldExpired(c, 0x1289u));
    EXPECT_TRUE(c.erasing);
    EXPECT_EQ(c.holdStart, 0u);
    EXPECT_FALSE(saver::HoldExpired(c, 0x9999u)); // erasing: no new hold

    saver::AfterSlideStep(c, false); // the erase completed
    EXPECT_TRUE(c.loadNext);
    saver::NextPictureStarted(c);
    EXPECT_TRUE(c.showing);
    EXPECT_FALSE(c.erasing);
    EXPECT_FALSE(c.loadNext);
}

struct CycleLog {
    int showEnd = 0;    // frame whose step completed the show
    int eraseStart = 0; // frame in which the erase began
    int eraseEnd = 0;   // frame whose step completed the erase
    int nextShow = 0;   // frame in which the next picture was taken
    int heldFrames = 0; // frames that drew the whole picture while holding
};

// Frames at ticks 20, 40, ...: the hold check before painting, then (next picture
// when due) the slide's step and the state update, as the saver's frame does.
CycleLog RunCycle(const std::vector<int>& effects, bool repeat, int durationSeconds) {
    saver::SlideCycle c;
    c.holdTime = saver::HoldTimeMs(durationSeconds);
    saver::EffectState s;
    s.speed = 100;
    saver::BeginShow(s, effects);
    saver::RainTable rain;
    saver::StepOutput out;
    CycleLog log;
    for (int frame = 1; frame <= 10000; ++frame) {
        if (saver::HoldExpired(c, uint32_t(frame * 20))) {
            saver::BeginErase(s, repeat, effects);
            log.eraseStart = frame;
        }
        if (c.loadNext) {
            saver::NextPictureStarted(c);
            saver::BeginShow(s, effects);
            log.nextShow = frame;
            break;
        }
        const bool holding = !c.showing && !c.erasing;
        const bool going = saver::StepSlide(s, 640, 480, rain, out);
        if (holding && out.draw && out.pieces.size() == 1) ++log.heldFrames;
        if (!going) (c.showing ? log.showEnd : log.eraseEnd) = frame;
        saver::AfterSlideStep(c, going);
    }
    return log;
}

TEST(SlideshowCycle, ShowHoldEraseNext) {
    // Effect 0 at speed 100 takes 3 frames each way.  The hold starts on frame 4
    // (tick 80) and the erase on the first frame more than 1000 ms later (tick 1100).
    CycleLog one = RunCycle({0}, true, 1);
    EXPECT_EQ(one.showEnd, 3);
    EXPECT_EQ(one.eraseStart, 55);
    EXPECT_EQ(one.heldFrames, 51);
    EXPECT_EQ(one.eraseEnd, 57);
    EXPECT_EQ(one.nextShow, 58);

    // With every effect off each picture comes and goes in one frame.
    CycleLog none = RunCycle({34}, false, 1);
    EXPECT_EQ(none.showEnd, 1);
    EXPECT_EQ(none.eraseStart, 53);
    EXPECT_EQ(none.eraseEnd, 53);
    EXPECT_EQ(none.nextShow, 54);
}

} // namespace
