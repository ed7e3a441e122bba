// The real program's setup sheet: a created saver (the kit with an identity
// record appended) offers only its Settings page with its own credits, and OK
// writes its settings but never its album; the kit offers the Slideshow page.
// Screenshots of both pages go to the build folder's screenshots/.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/album.h"
#include "app/app_info.h"
#include "tests/harness/win_harness.h"

namespace {

constexpr DWORD kWait = 20000;

std::string AsString(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

// A folder holding a copy of the kit as `name`.scr, its settings file and an
// album, registered as the installer does.
struct Install {
    std::string dir, exe, ini, album, name, company;

    Install(const std::string& test, const std::string& saverName, const std::string& maker)
        : name(saverName), company(maker) {
        dir = harness::MakeTempDir("pages-" + test);
        exe = dir + "\\" + saverName + ".scr";
        ini = dir + "\\" + saverName + ".ini";
        album = dir + "\\" + saverName + ".alb";
        std::string kit = harness::BinaryDir() + "\\kit\\";
        EXPECT_TRUE(harness::CopyFileTo(kit + "Plinthar.exe", exe));
        EXPECT_TRUE(harness::CopyFileTo(kit + "Plinthar.ini", ini));
        EXPECT_TRUE(harness::SetInstallDirectory(company, saverName, dir));
    }
    ~Install() { harness::DeleteInstallDirectory(company, name); }

    void AppendRecord(const std::string& version, uint32_t year) {
        AppInfo info;
        info.RecordSize = kAppInfoSize;
        info.AppName = name;
        info.Version = version;
        info.Company = company;
        info.Year = year;
        info.Flags = kAppFlagCreatedSaver;
        ASSERT_TRUE(harness::WriteFileBytes(exe, harness::ReadFileBytes(exe) +
                                                     AsString(EncodeAppInfo(info))));
    }
};

HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}
int TabCount(HWND sheet) {
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    return int(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
}
std::string Text(HWND w) {
    char buf[1024] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}
void Press(HWND sheet, int button) {
    SendMessageA(sheet, PSM_PRESSBUTTON, WPARAM(button), 0);
    PostMessageA(sheet, WM_NULL, 0, 0);
}

// The sheet's window as shown, into build/screenshots/<name>.bmp.
void Screenshot(HWND sheet, const char* name) {
    RECT r;
    GetWindowRect(sheet, &r);
    harness::PumpFor(300);
    RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    harness::PumpFor(300);
    const std::string bytes = harness::ScreenBitmap(r);
    std::string dir = harness::BinaryDir() + "\\screenshots";
    CreateDirectoryA(dir.c_str(), nullptr);
    EXPECT_TRUE(harness::WriteFileBytes(dir + "\\" + name + ".bmp", bytes));
}

TEST(CreatedSaverSheet, OnlyTheSettingsPageAndOkWritesSettingsButNotTheAlbum) {
    Install saver("created-ok", "Sunset Dreams", "Acme Savers");
    saver.AppendRecord("1.5", 2026);
    // Bytes after the lists are ignored when the album is read and lost when it
    // is written: the album must come out of the run byte for byte.
    std::string album = AsString(EncodeAlbum({"\\sunset.jpg|Evening"}, {})) + "kept";
    ASSERT_TRUE(harness::WriteFileBytes(saver.album, album));
    harness::WriteIni(saver.ini, "Options", "CheckString",
                      "111110111110100101111111100110110010011");
    harness::WriteIni(saver.ini, "Slide", "Duration", "5");

    harness::RunningProgram program(saver.exe, "/c");
    ASSERT_TRUE(program.Started());
    HWND sheet = program.WaitForWindow("Sunset Dreams Setup", kWait);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(TabCount(sheet), 1);
    HWND page = CurrentPage(sheet);
    ASSERT_TRUE(page);
    EXPECT_EQ(Text(page), "Settings");
    EXPECT_EQ(Text(GetDlgItem(page, 1266)), "Sunset Dreams 1.5");
    EXPECT_EQ(Text(GetDlgItem(page, 1268)), "Copyright \xA9 2026 Acme Savers");
    // No album buttons for a created saver, and no Help.
    EXPECT_EQ(GetDlgItem(sheet, 106), nullptr);
    EXPECT_EQ(GetDlgItem(sheet, 109), nullptr);
    HWND help = GetDlgItem(sheet, IDHELP);
    EXPECT_TRUE(!help || !IsWindowVisible(help));
    Screenshot(sheet, "sheet-settings");

    SendMessageA(GetDlgItem(page, 10000), BM_CLICK, 0, 0); // sprites off
    SendMessageA(GetDlgItem(page, 10005), BM_CLICK, 0, 0); // alphabetize on: random off
    SendMessageA(GetDlgItem(page, 1075), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("12"));
    Press(sheet, PSBTN_OK);
    DWORD code = 1;
    ASSERT_TRUE(program.WaitForExit(kWait, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(harness::ReadIni(saver.ini, "Options", "CheckString"),
              "011111011110100101111111100110110010011");
    EXPECT_EQ(harness::ReadIni(saver.ini, "Slide", "Duration"), "12");
    EXPECT_EQ(harness::ReadFileBytes(saver.album), album);
}

TEST(CreatedSaverSheet, CancelWritesNothing) {
    Install saver("created-cancel", "Quiet Night", "Acme Savers");
    saver.AppendRecord("", 1999);
    ASSERT_TRUE(harness::WriteFileBytes(saver.album, AsString(EncodeAlbum({}, {}))));
    // Every start clears IsFirstUse; with it cleared already the file stays as it is.
    harness::WriteIni(saver.ini, "Options", "IsFirstUse", "0");
    std::string before = harness::ReadFileBytes(saver.ini);

    harness::RunningProgram program(saver.exe, "/c");
    HWND sheet = program.WaitForWindow("Quiet Night Setup", kWait);
    ASSERT_TRUE(sheet);
    HWND page = CurrentPage(sheet);
    ASSERT_TRUE(page);
    EXPECT_EQ(Text(GetDlgItem(page, 1266)), "Quiet Night "); // no version: one space
    SendMessageA(GetDlgItem(page, 10002), BM_CLICK, 0, 0);
    Press(sheet, PSBTN_CANCEL);
    ASSERT_TRUE(program.WaitForExit(kWait));
    EXPECT_EQ(harness::ReadFileBytes(saver.ini), before);
}

TEST(KitSheet, SlideshowPageHasEveryEffect) {
    Install kit("kit-slideshow", "Plinthar", "Quorvane");
    ASSERT_TRUE(harness::WriteFileBytes(kit.album, AsString(EncodeAlbum({}, {}))));
    harness::RunningProgram program(kit.exe, "/c");
    HWND sheet = program.WaitForWindow("Plinthar Setup - Plinthar.alb", kWait);
    ASSERT_TRUE(sheet);
    HWND slideshow = nullptr;
    for (int i = 0; i < TabCount(sheet) && !slideshow; ++i) {
        SendMessageA(sheet, PSM_SETCURSEL, WPARAM(i), 0);
        HWND page = CurrentPage(sheet);
        if (Text(page) == "Slideshow") slideshow = page;
    }
    ASSERT_TRUE(slideshow);
    EXPECT_EQ(SendMessageA(GetDlgItem(slideshow, 1271), LVM_GETITEMCOUNT, 0, 0), 34);
    Screenshot(sheet, "sheet-slideshow");
    Press(sheet, PSBTN_CANCEL);
    EXPECT_TRUE(program.WaitForExit(kWait));
}

} // namespace
