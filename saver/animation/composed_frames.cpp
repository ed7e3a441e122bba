#include "saver/animation/composed_frames.h"

#include <algorithm>
#include <cstring>

#include "imaging/dib_image.h"

namespace saver {

namespace {

size_t g_budget = size_t(64) << 20;
size_t g_held = 0;
// Sets alive; an expired entry is swept out at the next look-up.
std::vector<std::weak_ptr<const ComposedFrames>>& Sets() {
    static std::vector<std::weak_ptr<const ComposedFrames>> sets;
    return sets;
}

bool SameFrame(const AnimationFrame& a, const AnimationFrame& b) {
    // Delay and the other control bits do not change the picture.
    return a.rect == b.rect && a.disposal == b.disposal &&
           a.transparentIndex == b.transparentIndex &&
           std::memcmp(a.colors, b.colors, sizeof a.colors) == 0 && a.indices == b.indices;
}

} // namespace

size_t ComposedFrames::BudgetBytes() {
    return g_budget;
}
void ComposedFrames::SetBudgetBytes(size_t bytes) {
    g_budget = bytes;
}
size_t ComposedFrames::BytesHeld() {
    return g_held;
}

ComposedFrames::~ComposedFrames() {
    g_held -= bytes_;
}

bool ComposedFrames::Same(int width, int height, uint32_t background,
                          const std::vector<AnimationFrame>& frames) const {
    return width == width_ && height == height_ && background == background_ &&
           frames.size() == frames_.size() &&
           std::equal(frames.begin(), frames.end(), frames_.begin(), SameFrame);
}

std::shared_ptr<const ComposedFrames>
ComposedFrames::For(int width, int height, uint32_t background,
                    const std::vector<AnimationFrame>& frames) {
    auto& sets = Sets();
    sets.erase(std::remove_if(sets.begin(), sets.end(), [](const auto& w) { return w.expired(); }),
               sets.end());
    for (const auto& w : sets) {
        std::shared_ptr<const ComposedFrames> set = w.lock();
        if (set && set->Same(width, height, background, frames)) return set;
    }
    if (frames.empty() || width <= 0 || height <= 0) return nullptr;

    // Size checks in 64 bits before anything is allocated.
    const uint64_t framePixels = uint64_t(width) * uint64_t(height);
    uint64_t bytes = framePixels * 4 * frames.size();
    for (const AnimationFrame& f : frames)
        bytes += sizeof f + f.indices.size();
    if (framePixels > kDibMaxBytes / 4 || bytes > g_budget || g_held + bytes > g_budget)
        return nullptr;

    AnimationCanvas canvas;
    if (!canvas.Reset(width, height, background)) return nullptr;
    std::shared_ptr<ComposedFrames> set(new ComposedFrames);
    set->width_ = width;
    set->height_ = height;
    set->background_ = background;
    set->frames_ = frames;
    set->pixels_.resize(size_t(framePixels) * frames.size());
    for (size_t k = 0; k < frames.size(); ++k) {
        canvas.Compose(frames, int(k));
        std::copy(canvas.Pixels().begin(), canvas.Pixels().end(),
                  set->pixels_.begin() + ptrdiff_t(k * size_t(framePixels)));
    }
    set->bytes_ = size_t(bytes);
    g_held += set->bytes_;
    sets.push_back(set);
    return set;
}

} // namespace saver
