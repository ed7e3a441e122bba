// Rules of the Slideshow page that need no window: the names of the transition
// effects in effect order, which check boxes a click clears, and the mapping
// between the stored frame thickness and the thickness list.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Control identifiers of the page's option boxes; the CheckString position of
// a box is its identifier less 10000.
constexpr int kIdEffectNone = 10016; // hidden group 10016..10024
constexpr int kIdEffectLastKind = 10024;
constexpr int kIdOriginalSize = 10025;
constexpr int kIdStretchToFit = 10026;
constexpr int kIdShrinkToFit = 10027;
constexpr int kIdMaintainAspect = 10028;
constexpr int kIdFrameRectangle = 10029;
constexpr int kIdFrameRoundRect = 10030;
constexpr int kIdFrameOval = 10031;
constexpr int kIdRandomFrameColors = 10032;
constexpr int kIdEraseByUndoing = 10037;

// Display name of transition effect `effect` (0..33), as the check list shows it;
// nullptr outside that range.
const char* EffectName(int effect);

// Row `row` of the effect list is ticked unless its character in the stored
// Effects string is "0" (a row the string does not reach counts as ticked).
bool EffectEnabled(const std::string& effects, int row);
// The Effects string for a list whose rows are ticked as given: "1" or "0" each.
std::string EffectsString(const std::vector<bool>& ticked);

// The boxes that a click on the option box `clicked` clears, given the states
// after the click.  The "None" box and the hidden effect kinds exclude one
// another; "Use original size" excludes stretching and shrinking.
std::vector<int> SlideshowBoxesToClear(int clicked, const std::function<bool(int)>& isSet);

// The thickness list: "None", "Extra thin", "Thin", "Medium", "Thick", "Extra thick".
constexpr int kThicknessChoices = 6;
const char* ThicknessName(int index);
// List entry for a stored thickness: 0, 1, 2, 6 and 8 have their own entries,
// anything else shows as "Medium".
int ThicknessIndex(int storedPixels);
// Pixels saved for a list entry; no selection (or an unknown one) saves 4.
int ThicknessPixels(int index);
