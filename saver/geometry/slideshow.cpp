#include "saver/geometry/slideshow.h"

#include "common/crt_random.h"

namespace saver {

std::vector<int> EnabledEffects(const std::string& effects) {
    std::vector<int> list;
    for (int i = 0; i < kEffectCount && size_t(i) < effects.size(); ++i) {
        if (effects[size_t(i)] != '0') list.push_back(i);
    }
    if (list.empty()) list.push_back(kNoEffect);
    return list;
}

std::vector<int> EnabledShapes(bool rectangle, bool roundRect, bool oval) {
    std::vector<int> list;
    if (rectangle) list.push_back(1);
    if (roundRect) list.push_back(2);
    if (oval) list.push_back(3);
    return list;
}

int RandomEntry(const std::vector<int>& list, int whenEmpty) {
    if (list.empty()) return whenEmpty;
    return list[size_t(RandomIndex(CrtRand(), int(list.size())))];
}

uint32_t ChooseFrameColor(uint32_t setting, bool randomColors) {
    if (!randomColors) return setting;
    const uint32_t red = 85u * uint32_t(RandomInt(0, 3));
    const uint32_t green = 85u * uint32_t(RandomInt(0, 3));
    const uint32_t blue = 85u * uint32_t(RandomInt(0, 3));
    return red | (green << 8) | (blue << 16);
}

void BeginShow(EffectState& state, const std::vector<int>& effectList) {
    Restart(state);
    state.effect = RandomEntry(effectList, kNoEffect);
    state.eraseMode = false;
}

void BeginErase(EffectState& state, bool repeatShowEffect, const std::vector<int>& effectList) {
    Restart(state);
    if (!repeatShowEffect) state.effect = RandomEntry(effectList, kNoEffect);
    state.eraseMode = true;
}

uint32_t HoldTimeMs(int durationSeconds) {
    return durationSeconds <= 0 ? 0u : uint32_t(durationSeconds) * 1000u;
}

bool HoldExpired(SlideCycle& cycle, uint32_t now) {
    if (cycle.showing || cycle.erasing) return false;
    if (cycle.holdStart == 0) cycle.holdStart = now;
    if (now - cycle.holdStart <= cycle.holdTime) return false;
    cycle.holdStart = 0;
    cycle.erasing = true;
    return true;
}

void AfterSlideStep(SlideCycle& cycle, bool stepResult) {
    if (stepResult) return;
    if (cycle.showing)
        cycle.showing = false;
    else
        cycle.loadNext = true;
}

void NextPictureStarted(SlideCycle& cycle) {
    cycle.loadNext = false;
    cycle.erasing = false;
    cycle.showing = true;
}

} // namespace saver
