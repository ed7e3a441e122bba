// The Slideshow and Settings pages' rules that need no window.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "authoring/custom_rules.h"
#include "authoring/slideshow_rules.h"

namespace {

struct ClickCase {
    int clicked;
    std::set<int> setAfter; // boxes set once the click has toggled `clicked`
    std::set<int> cleared;
};

TEST(SlideshowRules, ClickClearsTheExcludedBoxes) {
    const std::set<int> allKinds = {10017, 10018, 10019, 10020, 10021, 10022, 10023, 10024};
    const ClickCase cases[] = {
        // "None" and the effect kinds exclude each other, only when the click sets a box.
        {10016, {10016, 10017, 10024}, allKinds},
        {10016, {10017}, {}},
        {10017, {10016, 10017}, {10016}},
        {10024, {10016, 10024}, {10016}},
        {10020, {10016}, {}},
        // Original size clears stretch and shrink, never the aspect ratio.
        {10025, {10025, 10026, 10027, 10028}, {10026, 10027}},
        {10025, {10026, 10028}, {}},
        {10026, {10025, 10026}, {10025}},
        {10027, {10025, 10027, 10028}, {10025}},
        // Clearing one of stretch/shrink still clears original size while the other is set.
        {10026, {10025, 10027}, {10025}},
        {10027, {10025}, {}},
        // Boxes without a rule.
        {10028, {10025, 10028}, {}},
        {10029, {10029, 10030, 10031}, {}},
        {10032, {10032}, {}},
        {10037, {10037, 10016}, {}},
    };
    for (const ClickCase& c : cases) {
        std::vector<int> got =
            SlideshowBoxesToClear(c.clicked, [&](int id) { return c.setAfter.count(id) != 0; });
        EXPECT_EQ(std::set<int>(got.begin(), got.end()), c.cleared) << "click " << c.clicked;
    }
}

TEST(SlideshowRules, ThicknessListRoundTrip) {
    struct Case {
        int stored;
        const char* shown;
        int saved;
    } cases[] = {
        {0, "None", 0},        {1, "Extra thin", 1}, {2, "Thin", 2},    {3, "Medium", 4},
        {4, "Medium", 4},      {5, "Medium", 4},     {6, "Thick", 6},   {7, "Medium", 4},
        {8, "Extra thick", 8}, {9, "Medium", 4},     {-1, "Medium", 4}, {1000, "Medium", 4},
    };
    for (const Case& c : cases) {
        int index = ThicknessIndex(c.stored);
        ASSERT_NE(ThicknessName(index), nullptr) << c.stored;
        EXPECT_STREQ(ThicknessName(index), c.shown) << c.stored;
        EXPECT_EQ(ThicknessPixels(index), c.saved) << c.stored;
    }
    // No selection in the list (CB_ERR) or a stray index saves the medium frame.
    for (int index : {-1, kThicknessChoices, 99}) {
        EXPECT_EQ(ThicknessPixels(index), 4) << index;
        EXPECT_EQ(ThicknessName(index), nullptr) << index;
    }
}

TEST(SlideshowRules, EffectRowsAgainstTheEffectsString) {
    const std::string stored = "0" + std::string(32, '1') + "0";
    std::vector<bool> rows;
    for (int row = 0; row < 34; ++row)
        rows.push_back(EffectEnabled(stored, row));
    EXPECT_EQ(EffectsString(rows), stored);
    EXPECT_EQ(EffectsString(std::vector<bool>(34, false)), std::string(34, '0'));
    EXPECT_EQ(EffectsString(std::vector<bool>(34, true)), std::string(34, '1'));

    // Any character but "0" ticks a row; a string too short ticks the rest.
    EXPECT_TRUE(EffectEnabled("x0", 0));
    EXPECT_FALSE(EffectEnabled("x0", 1));
    EXPECT_TRUE(EffectEnabled("x0", 2));
    EXPECT_FALSE(EffectEnabled("1", -1));
}

TEST(SlideshowRules, OneDistinctNamePerEffect) {
    std::set<std::string> names;
    for (int e = 0; e < 34; ++e) {
        ASSERT_NE(EffectName(e), nullptr) << e;
        EXPECT_GT(std::string(EffectName(e)).size(), 3u);
        names.insert(EffectName(e));
    }
    EXPECT_EQ(names.size(), 34u);
    EXPECT_EQ(EffectName(34), nullptr); // 34 means "no effect": not a row
    EXPECT_EQ(EffectName(-1), nullptr);
}

TEST(CustomRules, AlphabetizeAndRandomizeExcludeEachOther) {
    struct Case {
        int clicked;
        bool nowSet;
        int cleared;
    } cases[] = {
        {kIdAlphabetize, true, kIdRandomize},
        {kIdRandomize, true, kIdAlphabetize},
        {kIdAlphabetize, false, 0},
        {kIdRandomize, false, 0},
        {kIdShowSprites, true, 0},
        {kIdTerminateOnInput, true, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CustomBoxToClear(c.clicked, c.nowSet), c.cleared) << c.clicked << c.nowSet;
}

TEST(CustomRules, EightDistinctOptionBoxes) {
    const std::vector<int>& boxes = CustomPageBoxes();
    std::set<int> distinct(boxes.begin(), boxes.end());
    EXPECT_EQ(boxes.size(), 8u);
    EXPECT_EQ(distinct.size(), 8u);
    for (int id : boxes) {
        EXPECT_GE(id, 10000);
        EXPECT_LT(id, 10039); // a CheckString position
    }
}

TEST(CustomRules, CreditLines) {
    struct Case {
        std::string name, version;
        const char* line;
    } lines[] = {
        {"Sunset Dreams", "1.0", "Sunset Dreams 1.0"},
        {"Sunset Dreams", "", "Sunset Dreams "}, // no version: the name and one space
        {"", "2.5", " 2.5"},
    };
    for (const Case& c : lines)
        EXPECT_EQ(NameVersionLine(c.name, c.version), c.line);

    EXPECT_EQ(CopyrightLine(2026, "Acme"), "Copyright \xA9 2026 Acme");
    EXPECT_EQ(CopyrightLine(0, ""), "Copyright \xA9 0 ");
    EXPECT_EQ(CopyrightLine(4294967295u, "Big"), "Copyright \xA9 4294967295 Big");
}

} // namespace
