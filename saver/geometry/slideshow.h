// The slideshow's choices and its show -> hold -> erase -> next-picture cycle, as
// far as they are arithmetic: which effects and frame shapes may be chosen, the
// random choices (C library generator, so a seed gives the Windows sequence), and
// the flags the frame loop keeps.  Loading and drawing belong to the Win32 layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "saver/geometry/effects.h"

namespace saver {

// Enabled effects in ascending order: character i of `effects` (i = 0..33) not '0';
// a missing character enables nothing.  Never empty: {34} when nothing is enabled.
std::vector<int> EnabledEffects(const std::string& effects);
// Enabled frame shapes in the order rectangle (1), round rectangle (2), oval (3); may be empty.
std::vector<int> EnabledShapes(bool rectangle, bool roundRect, bool oval);

// A random entry of a list: entry trunc(rand() * n / 32768); `whenEmpty` for an
// empty list (no frame shape, or no effect).  Draws one value only when n > 0.
int RandomEntry(const std::vector<int>& list, int whenEmpty);

// The frame colour of the next picture (0x00BBGGRR): the setting, or with random
// colours red, green and blue each 85 * k for a random k in 0..3, drawn in that order.
uint32_t ChooseFrameColor(uint32_t setting, bool randomColors);

// Starts the show of a newly loaded picture: restart, a random enabled effect, not erasing.
void BeginShow(EffectState& state, const std::vector<int>& effectList);
// Starts the erase: restart; the show's effect again when `repeatShowEffect` (the
// erase undoes the previous effect), otherwise a new random one.
void BeginErase(EffectState& state, bool repeatShowEffect, const std::vector<int>& effectList);

// Flags of the show/hold/erase cycle (tick counts in milliseconds, compared
// unsigned so the 49.7-day wrap of the tick counter does not matter).
struct SlideCycle {
    bool showing = true;      // from loading until the show effect completes
    bool erasing = false;     // from the start of the erase until the next picture
    bool loadNext = false;    // the erase has completed
    uint32_t holdStart = 0;   // tick at which the hold began; 0 when not started
    uint32_t holdTime = 5000; // Duration seconds * 1000
};

uint32_t HoldTimeMs(int durationSeconds);

// The hold check of the frame loop (before the background is painted): while
// neither showing nor erasing, starts the hold at `now` and reports true once
// more than `holdTime` has passed; the cycle then counts as erasing and the
// caller runs BeginErase on the slide.
bool HoldExpired(SlideCycle& cycle, uint32_t now);
// After the slide's step: `stepResult` false means the running effect completed
// (the show then gives way to the hold; a completed erase asks for the next picture).
void AfterSlideStep(SlideCycle& cycle, bool stepResult);
// When `loadNext` is set, the frame step loads the next picture first; this
// resets the flags for its show.
void NextPictureStarted(SlideCycle& cycle);

} // namespace saver
