// Pictures made once at load against the step-by-step composition they stand
// in for, and the see-through copy against the masked copy it replaces.
#include <gtest/gtest.h>

#include <random>

#include "saver/animation/animation_canvas.h"
#include "saver/animation/composed_frames.h"
#include "saver/animation/key_copy.h"

namespace {

using saver::AnimationCanvas;
using saver::AnimationFrame;
using saver::ComposedFrames;
using saver::Rect;

constexpr uint32_t kKey = 0x00FF00FF;

// A frame over rect with pseudo-random indices 0..3 (colours of `seed`).
AnimationFrame RandomFrame(Rect rect, int disposal, int transparentIndex, unsigned seed) {
    std::mt19937 gen(seed);
    AnimationFrame f;
    f.rect = rect;
    f.disposal = disposal;
    f.transparentIndex = transparentIndex;
    for (int i = 0; i < 4; ++i)
        f.colors[i] = gen() & 0xFFFFFF;
    f.indices.resize(size_t(rect.Width()) * size_t(rect.Height()));
    for (uint8_t& p : f.indices)
        p = uint8_t(gen() % 4);
    return f;
}

struct Sequence {
    const char* name;
    int width, height;
    std::vector<AnimationFrame> frames;
};

std::vector<Sequence> Sequences() {
    const Rect all{0, 0, 9, 7};
    return {
        {"full frames kept", 9, 7, {RandomFrame(all, 1, -1, 1), RandomFrame(all, 1, 2, 2)}},
        {"disposal to background",
         9,
         7,
         {RandomFrame(all, 2, 0, 3), RandomFrame({2, 1, 6, 5}, 2, 1, 4),
          RandomFrame(all, 1, 3, 5)}},
        {"disposal to previous",
         9,
         7,
         {RandomFrame(all, 1, 3, 6), RandomFrame({1, 1, 8, 6}, 3, 0, 7),
          RandomFrame({0, 2, 4, 7}, 3, 2, 8), RandomFrame(all, 0, 1, 9)}},
        {"frames beyond the screen",
         9,
         7,
         {RandomFrame({-3, -2, 5, 4}, 1, 0, 10), RandomFrame({6, 4, 12, 10}, 2, 1, 11),
          RandomFrame({-1, 5, 10, 9}, 3, -1, 12)}},
        {"frame short of its indices",
         9,
         7,
         {RandomFrame(all, 1, -1, 13),
          [] {
              AnimationFrame f = RandomFrame({0, 0, 9, 7}, 1, -1, 14);
              f.indices.resize(10);
              return f;
          }()}},
    };
}

TEST(ComposedFrames, EachPictureIsWhatStepByStepCompositionShowsOnEveryPass) {
    for (const Sequence& s : Sequences()) {
        std::shared_ptr<const ComposedFrames> set =
            ComposedFrames::For(s.width, s.height, kKey, s.frames);
        ASSERT_TRUE(set) << s.name;
        ASSERT_EQ(set->Count(), int(s.frames.size())) << s.name;
        AnimationCanvas canvas;
        ASSERT_TRUE(canvas.Reset(s.width, s.height, kKey));
        for (int pass = 0; pass < 3; ++pass)
            for (int k = 0; k < set->Count(); ++k) {
                canvas.Compose(s.frames, k);
                const uint32_t* picture = set->Frame(k);
                EXPECT_TRUE(std::equal(canvas.Pixels().begin(), canvas.Pixels().end(), picture))
                    << s.name << ": pass " << pass << ", frame " << k;
            }
    }
}

TEST(ComposedFrames, EqualAnimationsShareOneSetWithinTheBudget) {
    const size_t budget = ComposedFrames::BudgetBytes();
    const std::vector<AnimationFrame> base = Sequences()[2].frames;
    std::vector<AnimationFrame> otherPixel = base, otherColour = base, otherDisposal = base,
                                otherDelay = base;
    otherPixel[1].indices[5] ^= 1;
    otherColour[3].colors[2] ^= 0x010000;
    otherDisposal[0].disposal = 2;
    otherDelay[0].delay = 77;
    struct Case {
        const char* name;
        int width;
        uint32_t background;
        const std::vector<AnimationFrame>& frames;
        bool shared;
    } cases[] = {
        {"the same frames", 9, kKey, base, true},
        {"only a delay differs", 9, kKey, otherDelay, true},
        {"one pixel differs", 9, kKey, otherPixel, false},
        {"one colour differs", 9, kKey, otherColour, false},
        {"a disposal differs", 9, kKey, otherDisposal, false},
        {"another background", 9, 0x123456, base, false},
        {"another canvas width", 10, kKey, base, false},
    };
    {
        auto first = ComposedFrames::For(9, 7, kKey, base);
        ASSERT_TRUE(first);
        const size_t one = ComposedFrames::BytesHeld();
        EXPECT_GE(one, size_t(9 * 7 * 4) * base.size());
        for (const Case& c : cases) {
            auto set = ComposedFrames::For(c.width, 7, c.background, c.frames);
            ASSERT_TRUE(set) << c.name;
            EXPECT_EQ(set == first, c.shared) << c.name;
        }
        // Another set would pass the bound: the caller composes by itself.
        ComposedFrames::SetBudgetBytes(one + one / 2);
        EXPECT_FALSE(ComposedFrames::For(9, 7, kKey, otherPixel));
        EXPECT_EQ(ComposedFrames::For(9, 7, kKey, base), first);
        EXPECT_LE(ComposedFrames::BytesHeld(), ComposedFrames::BudgetBytes());
    }
    EXPECT_EQ(ComposedFrames::BytesHeld(), 0u);
    EXPECT_TRUE(ComposedFrames::For(9, 7, kKey, otherPixel));
    ComposedFrames::SetBudgetBytes(budget);
    EXPECT_FALSE(ComposedFrames::For(0, 7, kKey, base));
    EXPECT_FALSE(ComposedFrames::For(9, 7, kKey, {}));
}

TEST(KeyCopy, EqualsTheMaskedCopyAtEveryLengthAndAlignment) {
    std::mt19937 gen(42);
    for (size_t count : {0, 1, 3, 4, 5, 7, 8, 15, 16, 17, 33}) {
        for (size_t offset : {0, 1, 2, 3}) {
            std::vector<uint32_t> src(count + offset), dst(count + offset);
            for (uint32_t& p : src)
                p = gen() % 3 == 0 ? kKey : gen() & 0xFFFFFF;
            for (uint32_t& p : dst)
                p = gen();
            std::vector<uint32_t> expected = dst;
            // The three masked copies: destination XOR picture, AND mask (all ones
            // where the picture has the key colour), XOR picture.
            for (size_t i = offset; i < src.size(); ++i) {
                uint32_t mask = src[i] == kKey ? 0xFFFFFFFFu : 0u;
                expected[i] = ((expected[i] ^ src[i]) & mask) ^ src[i];
            }
            saver::CopyUnlessKey(dst.data() + offset, src.data() + offset, count, kKey);
            EXPECT_EQ(dst, expected) << count << " pixels from " << offset;
        }
    }
}

} // namespace
