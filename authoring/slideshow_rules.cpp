#include "authoring/slideshow_rules.h"

#include "saver/geometry/effects.h"

namespace {

// In effect-number order: the row of the check list and the position of the
// effect's character in the Effects string.
const char* const kEffectNames[] = {
    "Slide from left to right",
    "Slide from right to left",
    "Slide from top to bottom",
    "Slide from bottom to top",
    "Slide towards lower-right corner",
    "Slide towards upper-right corner",
    "Slide towards lower-left corner",
    "Slide towards upper-left corner",
    "Vertical split",
    "Horizontal split",
    "Radial split",
    "Vertical merge",
    "Horizontal merge",
    "Radial merge",
    "Roll from left to right",
    "Roll from right to left",
    "Roll from top to bottom",
    "Roll from bottom to top",
    "Roll towards lower-right corner",
    "Roll towards upper-right corner",
    "Roll towards lower-left corner",
    "Roll towards upper-left corner",
    "Vertical reveal",
    "Horizontal reveal",
    "Radial reveal",
    "Vertical rolling merge",
    "Horizontal rolling merge",
    "Radial rolling merge",
    "Vertical interlace",
    "Horizontal interlace",
    "Zoom",
    "Vertical rotation",
    "Horizontal rotation",
    "Rain",
};
static_assert(sizeof kEffectNames / sizeof kEffectNames[0] == saver::kEffectCount,
              "one name per transition effect");

const char* const kThicknessNames[kThicknessChoices] = {"None",   "Extra thin", "Thin",
                                                        "Medium", "Thick",      "Extra thick"};
const int kThicknessPixels[kThicknessChoices] = {0, 1, 2, 4, 6, 8};
constexpr int kMediumIndex = 3;

} // namespace

const char* EffectName(int effect) {
    return effect >= 0 && effect < saver::kEffectCount ? kEffectNames[effect] : nullptr;
}

bool EffectEnabled(const std::string& effects, int row) {
    if (row < 0) return false;
    return size_t(row) >= effects.size() || effects[size_t(row)] != '0';
}

std::string EffectsString(const std::vector<bool>& ticked) {
    std::string s;
    s.reserve(ticked.size());
    for (bool t : ticked)
        s += t ? '1' : '0';
    return s;
}

std::vector<int> SlideshowBoxesToClear(int clicked, const std::function<bool(int)>& isSet) {
    std::vector<int> clear;
    if (clicked > kIdEffectNone && clicked <= kIdEffectLastKind) {
        if (isSet(clicked)) clear.push_back(kIdEffectNone);
    } else if (clicked == kIdEffectNone) {
        if (isSet(clicked))
            for (int id = kIdEffectNone + 1; id <= kIdEffectLastKind; ++id)
                clear.push_back(id);
    } else if (clicked == kIdOriginalSize) {
        if (isSet(clicked)) clear = {kIdStretchToFit, kIdShrinkToFit};
    } else if (clicked == kIdStretchToFit || clicked == kIdShrinkToFit) {
        if (isSet(kIdStretchToFit) || isSet(kIdShrinkToFit)) clear.push_back(kIdOriginalSize);
    }
    return clear;
}

const char* ThicknessName(int index) {
    return index >= 0 && index < kThicknessChoices ? kThicknessNames[index] : nullptr;
}

int ThicknessIndex(int storedPixels) {
    for (int i = 0; i < kThicknessChoices; ++i)
        if (i != kMediumIndex && kThicknessPixels[i] == storedPixels) return i;
    return kMediumIndex;
}

int ThicknessPixels(int index) {
    return index >= 0 && index < kThicknessChoices ? kThicknessPixels[index] : 4;
}
