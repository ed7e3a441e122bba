#include "app/settings.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {

TEST(Settings, AReadResetsWhatTheFileLacks) {
    // Values a previous read left behind do not survive a file without their keys.
    Settings s;
    s.options.CheckString = std::string(39, '0');
    s.slide.Speed = 99;
    s.slide.Effects = std::string(34, '0');
    s.slide.FrameColor = 1;
    s.keyboard.GradientColor1 = 2;
    s.background.GradientColor2 = 3;
    s.caption.FontFaceName = "Arial";
    s.floats.Count = 9;
    MemoryProfile empty;
    ReadSettingsKeys(empty, s, "C:\\Kit");
    MemoryProfile got, fresh;
    WriteSettingsKeys(got, s);
    WriteSettingsKeys(fresh, Settings());
    EXPECT_EQ(got.Text(), fresh.Text());
    // Spot checks of values that stored albums and the options page rely on.
    EXPECT_EQ(s.options.CheckString, "111110111110100101111111100110110010011");
    EXPECT_EQ(s.caption.FontFaceName, "MS Sans Serif");
}

TEST(Settings, WrongLengthOptionStringsAreReplaced) {
    struct Case {
        const char* section;
        const char* key;
        std::string value;
        bool kept;
    } cases[] = {
        {"Options", "CheckString", std::string(38, '0'), false},
        {"Options", "CheckString", std::string(40, '0'), false},
        {"Options", "CheckString", std::string(39, '0'), true},
        {"Options", "InstrumentString", std::string(15, '0'), false},
        {"Options", "InstrumentString", std::string(16, '0'), true},
        {"Slide", "Effects", std::string(33, '0'), false},
        {"Slide", "Effects", std::string(34, '0'), true},
        {"Caption", "FontFaceName", std::string(31, 'f'), true},
        {"Caption", "FontFaceName", std::string(32, 'f'), false},
    };
    for (const Case& c : cases) {
        MemoryProfile ini;
        ini.Write(c.section, c.key, c.value);
        Settings s;
        ReadSettingsKeys(ini, s, "C:\\Kit");
        auto value = [&](const Settings& from) {
            std::string k = c.key;
            return k == "CheckString"        ? from.options.CheckString
                   : k == "InstrumentString" ? from.options.InstrumentString
                   : k == "Effects"          ? from.slide.Effects
                                             : from.caption.FontFaceName;
        };
        EXPECT_EQ(value(s), c.kept ? c.value : value(Settings())) << c.key << " of " << c.value.size();
    }
}

TEST(Settings, WidthsTruncateOnReadAndKeepSignOnWrite) {
    MemoryProfile ini("[Float]\nSpeed=70000\nFrameSize=-2\n[Keyboard]\nPosition=65535\n"
                      "[Caption]\nFontItalic=257\n[Background]\nGradientBrightness=-1\n"
                      "Image=\\pics\\back.bmp\n");
    Settings s;
    ReadSettingsKeys(ini, s, "C:\\Kit");
    EXPECT_EQ(s.floats.Speed, 70000 & 0xFFFF);
    EXPECT_EQ(s.floats.FrameSize, -2);
    EXPECT_EQ(s.keyboard.Position, -1);
    EXPECT_EQ(s.caption.FontItalic, 1);
    EXPECT_EQ(s.background.GradientBrightness, 65535);
    EXPECT_EQ(s.background.Image, "C:\\Kit\\pics\\back.bmp");

    MemoryProfile out;
    WriteSettingsKeys(out, s);
    std::string v;
    ASSERT_TRUE(out.Read("Float", "Speed", v));
    EXPECT_EQ(v, "4464");
    ASSERT_TRUE(out.Read("Keyboard", "Position", v));
    EXPECT_EQ(v, "-1");
    ASSERT_TRUE(out.Read("Background", "GradientBrightness", v));
    EXPECT_EQ(v, "65535");
    ASSERT_TRUE(out.Read("Background", "GradientColor2", v));
    EXPECT_EQ(v, "-1");
    EXPECT_FALSE(out.Read("Options", "IsFirstUse", v));
    EXPECT_FALSE(out.Read("Options", "LastImageDir", v));
}

TEST(Settings, SaveThenLoadGivesTheSameValues) {
    Settings s;
    s.options.CheckString[5] = '1';
    s.slide.Effects[33] = '0';
    s.caption.FontFaceName = "Arial";
    s.background.GradientColor1 = 0x00123456;
    s.floats.Bounds = 80;
    MemoryProfile ini;
    WriteSettingsKeys(ini, s);
    MemoryProfile reread(ini.Text());
    Settings back;
    ReadSettingsKeys(reread, back, "C:\\Kit");
    EXPECT_EQ(back.options.CheckString, s.options.CheckString);
    EXPECT_EQ(back.slide.Effects, s.slide.Effects);
    EXPECT_EQ(back.caption.FontFaceName, "Arial");
    EXPECT_EQ(back.background.GradientColor1, 0x00123456);
    EXPECT_EQ(back.floats.Bounds, 80);
}

TEST(Settings, ResetDefaultsKeepsPathsPasswordAndKeyboardSize) {
    Settings s;
    s.options.CheckString = std::string(39, '0');
    s.options.PasswordCode = 7;
    s.options.AlbumFile = "C:\\a.alb";
    s.keyboard.Width = 640;
    s.keyboard.Mute = 1;
    s.keyboard.Size = 3;
    s.floats.Speed = 3;
    s.ImageList = {"x.gif"};
    ResetDefaults(s);
    EXPECT_EQ(s.options.CheckString, kDefaultCheckString);
    EXPECT_EQ(s.options.PasswordCode, 7);
    EXPECT_EQ(s.options.AlbumFile, "C:\\a.alb");
    EXPECT_EQ(s.keyboard.Width, 640);
    EXPECT_EQ(s.keyboard.Mute, 1);
    EXPECT_EQ(s.keyboard.Size, Settings().keyboard.Size);
    EXPECT_EQ(s.floats.Speed, Settings().floats.Speed);
    EXPECT_EQ(s.ImageList, std::vector<std::string>{"x.gif"});
}

TEST(Settings, OptionsByControlIdentifier) {
    Settings s;
    EXPECT_TRUE(IsOptionOn(s, 10000));
    EXPECT_FALSE(IsOptionOn(s, 10005));
    SetOption(s, 10005, 1);
    EXPECT_TRUE(IsOptionOn(s, 10005));
    SetOption(s, 10005, 2);  // only 1 means on
    EXPECT_FALSE(IsOptionOn(s, 10005));
    EXPECT_FALSE(IsOptionOn(s, 9999));
    EXPECT_FALSE(IsOptionOn(s, 10039));
    SetOption(s, 10039, 1);  // out of range: no effect, no growth
    EXPECT_EQ(s.options.CheckString.size(), 39u);
}

TEST(Settings, ProfileIntegersParseLikeTheSystem) {
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    } cases[] = {{"12", true, 12},       {" -7", true, -7},          {"4294967295", true, -1},
                 {"16x", true, 16},      {"x", true, 0},             {"", false, 0},
                 {"+3", true, 3}};
    for (const Case& c : cases) {
        int32_t v = 123;
        EXPECT_EQ(ParseProfileInt(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(Settings, ShippedIniHoldsExactlyTheDefaults) {
    std::ifstream in(std::string(PLINTHAR_SOURCE_DIR) + "/app/Plinthar.ini");
    ASSERT_TRUE(in) << "app/Plinthar.ini";
    std::stringstream text;
    text << in.rdbuf();
    MemoryProfile shipped(text.str());
    MemoryProfile defaults;
    WriteSettingsKeys(defaults, Settings());
    EXPECT_EQ(shipped.Text(), defaults.Text());
}

}  // namespace
