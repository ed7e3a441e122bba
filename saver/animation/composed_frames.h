// Every frame of an animation as its canvas looks once that frame is composed,
// made once when a sprite loads the animation.  Composition depends only on
// the frame sequence (frame 0 starts from the background, each later frame
// from the one before), so a sprite that plays the animation round and round
// can show these pictures instead of composing each step, and every sprite
// that shows the same animation shares one set.
//
// Memory is bounded: all sets together hold at most BudgetBytes() (64 MiB
// unless changed); an animation that does not fit is left to the caller, who
// composes it step by step as before.  Used from the saver's one thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "saver/animation/animation_canvas.h"

namespace saver {

class ComposedFrames {
  public:
    // The set for these frames on a width x height canvas over `background` (a
    // canvas pixel): one already held for equal frames, or a new one when it
    // fits into what is left of the budget.  null when it does not fit, the
    // frames are empty or the canvas size is invalid.
    static std::shared_ptr<const ComposedFrames> For(int width, int height, uint32_t background,
                                                     const std::vector<AnimationFrame>& frames);

    // The process-wide bound in bytes (composed pixels plus the frames kept to
    // recognise an animation); lowering it never drops sets already made.
    static size_t BudgetBytes();
    static void SetBudgetBytes(size_t bytes);
    // Bytes held by all sets alive.
    static size_t BytesHeld();

    ~ComposedFrames();
    ComposedFrames(const ComposedFrames&) = delete;
    ComposedFrames& operator=(const ComposedFrames&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return int(frames_.size()); }
    // Width x height canvas pixels of frame k (0 <= k < Count()), top row first.
    const uint32_t* Frame(int k) const {
        return &pixels_[size_t(k) * size_t(width_) * size_t(height_)];
    }

  private:
    ComposedFrames() = default;
    bool Same(int width, int height, uint32_t background,
              const std::vector<AnimationFrame>& frames) const;

    int width_ = 0, height_ = 0;
    uint32_t background_ = 0;
    size_t bytes_ = 0;
    std::vector<AnimationFrame> frames_; // what the set was composed from
    std::vector<uint32_t> pixels_;
};

} // namespace saver
