// Rules of a created saver's Settings page that need no window: the order of
// its option boxes, the one pair that excludes each other, and the two credit
// lines built from the saver's identity record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kIdShowSprites = 10000;
constexpr int kIdEnableSlideshow = 10001;
constexpr int kIdPlayMusic = 10002;
constexpr int kIdShuffleSounds = 10003;
constexpr int kIdDisplayKeyboard = 10004; // hidden, still loaded and saved
constexpr int kIdAlphabetize = 10005;
constexpr int kIdRandomize = 10006;
constexpr int kIdTerminateOnInput = 10034;

// The page's option boxes in the order they are handled (and tabbed through).
const std::vector<int>& CustomPageBoxes();

// The box a click on `clicked` clears when `clicked` is now set: alphabetizing
// and randomizing exclude each other.  0 when nothing is cleared.
int CustomBoxToClear(int clicked, bool nowSet);

// "%s %s" of the saver's name and version: a saver without a version shows
// its name followed by one space.
std::string NameVersionLine(const std::string& name, const std::string& version);
// "Copyright", the copyright sign (0xA9 in the ANSI code page), the year and
// the company, separated by single spaces.
std::string CopyrightLine(uint32_t year, const std::string& company);
