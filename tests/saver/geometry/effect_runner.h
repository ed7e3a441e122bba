// Runs whole transitions for the effect tests.
#pragma once

#include <vector>

#include "saver/geometry/effects.h"

namespace saver_test {

struct Transition {
    std::vector<saver::StepOutput> steps;   // one per frame, the last one completes
    std::vector<saver::EffectState> states; // the state after each frame
    bool completed = false;
};

// Starts `effect` afresh and steps it until it completes (or `maxSteps` frames).
inline Transition RunTransition(int effect, bool erase, int speed, int W, int H,
                                saver::RainTable& rain, int maxSteps = 100000) {
    saver::EffectState s;
    s.effect = effect;
    s.eraseMode = erase;
    s.speed = speed;
    saver::Restart(s);
    Transition t;
    saver::StepOutput out;
    for (int i = 0; i < maxSteps; ++i) {
        const bool going = saver::StepSlide(s, W, H, rain, out);
        t.steps.push_back(out);
        t.states.push_back(s);
        if (!going) {
            t.completed = true;
            break;
        }
    }
    return t;
}

inline Transition RunTransition(int effect, bool erase, int speed, int W, int H) {
    saver::RainTable rain;
    return RunTransition(effect, erase, speed, W, H, rain);
}

} // namespace saver_test
