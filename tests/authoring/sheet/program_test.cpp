// The real program's setup sheet, every page opened: pressing OK without
// touching anything must write back exactly what was read, in the settings
// file and the album.  A page that loses or alters a value on its way through
// its controls shows up here.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/album.h"
#include "tests/harness/win_harness.h"

namespace {

std::string AsString(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

struct Key {
    const char *section, *key, *value;
};

// No value is the default, so that a page that resets one is seen.
const Key kOddSettings[] = {
    {"Options", "CheckString", "010110100101011010010110100101101001011"},
    {"Options", "InstrumentString", "1010101010101010"},
    {"Options", "PasswordCode", "7"},
    {"Background", "Style", "1"},
    {"Background", "GradientColor1", "1193046"},
    {"Background", "GradientColor2", "6636321"},
    {"Background", "GradientBrightness", "77"},
    {"Background", "GradientFlag", "65635"},
    {"Background", "Image", "C:\\pics\\sunset.bmp"},
    {"Keyboard", "Size", "2"},
    {"Keyboard", "Width", "640"},
    {"Keyboard", "Height", "120"},
    {"Keyboard", "Position", "1"},
    {"Keyboard", "Mute", "1"},
    {"Keyboard", "GradientColor1", "11259375"},
    {"Keyboard", "GradientColor2", "5"},
    {"Keyboard", "GradientBrightness", "60"},
    {"Keyboard", "GradientFlag", "98"},
    {"Float", "Speed", "7"},
    {"Float", "Duration", "9"},
    {"Float", "Count", "12"},
    {"Float", "Bounds", "250"},
    {"Float", "FrameSize", "3"},
    {"Slide", "Speed", "55"},
    {"Slide", "Duration", "17"},
    {"Slide", "FrameSize", "2"},
    {"Slide", "FrameThickness", "6"},
    {"Slide", "FrameColor", "255"},
    {"Slide", "Effects", "0110101101011010010101101011010110"},
    {"Caption", "FontHeight", "24"},
    {"Caption", "FontItalic", "1"},
    {"Caption", "FontUnderline", "1"},
    {"Caption", "FontFaceName", "Arial"},
    {"Caption", "Position", "1"},
    {"Caption", "ForeColor", "255"},
    {"Caption", "BackColor", "0"},
    {"Caption", "BorderShape", "1"},
    {"Caption", "BorderColor", "65280"},
    {"Caption", "BorderWidth", "3"},
    {"Caption", "Effects", "2"},
};

TEST(PlintharSheet, OkOnEveryPageWritesBackWhatWasRead) {
    std::string dir = harness::MakeTempDir("sheet-program");
    for (char& c : dir)
        if (c == '/') c = '\\';
    std::string exe = dir + "\\Plinthar.exe", ini = dir + "\\Plinthar.ini";
    std::string kit = harness::BinaryDir() + "\\kit\\";
    ASSERT_TRUE(harness::CopyFileTo(kit + "Plinthar.exe", exe));
    ASSERT_TRUE(harness::CopyFileTo(kit + "Plinthar.ini", ini));
    for (const Key& k : kOddSettings) harness::WriteIni(ini, k.section, k.key, k.value);
    const std::string album = AsString(EncodeAlbum({"\\pics\\a.jpg|Beach", "C:\\abs\\b.gif", "\\more\\"},
                                                   {"\\music\\s.mid", "C:\\songs\\"}));
    harness::WriteFileBytes(dir + "\\Plinthar.alb", album);
    ASSERT_TRUE(harness::SetInstallDirectory("Quorvane", "Plinthar", dir));

    harness::RunningProgram program(exe, "");
    HWND sheet = program.WaitForWindow("Plinthar Setup - Plinthar.alb");
    ASSERT_NE(sheet, nullptr);
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    int pages = int(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    EXPECT_GE(pages, 1);
    for (int i = 0; i < pages; ++i) {
        SendMessageA(sheet, PSM_SETCURSEL, WPARAM(i), 0);
        harness::PumpFor(200);
    }
    SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_TRUE(program.WaitForExit(20000));
    harness::DeleteInstallDirectory("Quorvane", "Plinthar");

    for (const Key& k : kOddSettings)
        EXPECT_EQ(harness::ReadIni(ini, k.section, k.key), k.value) << k.section << "/" << k.key;
    EXPECT_EQ(harness::ReadFileBytes(dir + "\\Plinthar.alb"), album);
}

}  // namespace
