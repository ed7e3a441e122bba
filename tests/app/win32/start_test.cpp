// Start-up of the real program under Wine: the identity record at the end of
// the file, the registry value, the settings file and the album, as a user's
// installation has them.
#include <windows.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include "app/album.h"
#include "app/app_info.h"
#include "tests/harness/win_harness.h"

using harness::BoxIcon;
using harness::RunResult;

namespace {

std::string KitFile(const char* name) { return harness::BinaryDir() + "\\kit\\" + name; }

std::string AsString(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A folder holding a copy of the program, its settings file and its album.
struct Install {
    std::string dir, exe, ini, name, company;

    Install(const std::string& test, const std::string& saverName = "Plinthar",
            const std::string& maker = "Quorvane")
        : name(saverName), company(maker) {
        dir = harness::MakeTempDir(test);
        exe = dir + "\\" + saverName + ".scr";
        ini = dir + "\\" + saverName + ".ini";
        EXPECT_TRUE(harness::CopyFileTo(KitFile("Plinthar.exe"), exe));
        EXPECT_TRUE(harness::CopyFileTo(KitFile("Plinthar.ini"), ini));
        harness::WriteFileBytes(dir + "\\" + saverName + ".alb", AsString(EncodeAlbum({}, {})));
        EXPECT_TRUE(harness::SetInstallDirectory(company, saverName, dir));
    }
    ~Install() { harness::DeleteInstallDirectory(company, name); }

    void AppendRecord(const std::string& appName, uint32_t flags, const std::string& maker) {
        AppInfo info;
        info.AppName = appName;
        info.Version = "1.0";
        info.Company = maker;
        info.Year = 2026;
        info.Flags = flags;
        std::string bytes = harness::ReadFileBytes(exe) + AsString(EncodeAppInfo(info));
        ASSERT_TRUE(harness::WriteFileBytes(exe, bytes));
    }
    std::string FirstUse() const { return harness::ReadIni(ini, "Options", "IsFirstUse"); }
};

// In saver mode an album without pictures ends with the saver's own message once
// start-up has succeeded; the start-up tests look at the boxes before it.
RunResult StartUp(const std::string& exe, const std::string& tail, DWORD timeout = 20000,
                  const std::string& argv0 = "") {
    RunResult r = harness::RunProgram(exe, tail, timeout, IDOK, argv0);
    if (!r.boxes.empty() && r.boxes.back().text.rfind("No valid images available.", 0) == 0)
        r.boxes.pop_back();
    return r;
}

void ExpectNoBoxes(const RunResult& r) {
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(r.timedOut);
    for (const auto& b : r.boxes) ADD_FAILURE() << "unexpected box: " << b.caption << ": " << b.text;
}

TEST(StartUp, KitReadsItsSettingsAndClearsFirstUse) {
    Install kit("kit");
    EXPECT_EQ(kit.FirstUse(), "<missing>");
    RunResult r = StartUp(kit.exe, "/s");
    ExpectNoBoxes(r);
    EXPECT_EQ(kit.FirstUse(), "0");
    // The other modes that load settings do the same; upper case selects them too.
    // Configuration mode opens the setup sheet; Cancel ends it.
    for (const char* tail : {"/C", ""}) {
        harness::WriteIni(kit.ini, "Options", "IsFirstUse", "1");
        harness::RunningProgram sheet(kit.exe, tail);
        HWND w = sheet.WaitForWindow("Plinthar Setup - Plinthar.alb");
        ASSERT_NE(w, nullptr) << "tail " << tail;
        PostMessageA(w, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        EXPECT_TRUE(sheet.WaitForExit(15000));
        EXPECT_EQ(kit.FirstUse(), "0");
    }
}

TEST(StartUp, PreviewAndUnknownTailsEndAtOnce) {
    Install kit("preview");
    harness::WriteIni(kit.ini, "Options", "IsFirstUse", "1");
    for (const char* tail : {"/p 1234", "/P 99", "/ps", "/x"}) {
        RunResult r = StartUp(kit.exe, tail, 5000);
        ExpectNoBoxes(r);
        EXPECT_EQ(r.exitCode, 0u) << tail;
    }
    EXPECT_EQ(kit.FirstUse(), "1");  // nothing was loaded
}

TEST(StartUp, SecondSaverExitsWhileTheMutexIsHeld) {
    Install kit("mutex");
    harness::WriteIni(kit.ini, "Options", "IsFirstUse", "1");
    HANDLE held = CreateMutexA(nullptr, FALSE, "KelpoNumber3");
    ASSERT_TRUE(held);
    ExpectNoBoxes(StartUp(kit.exe, "/s", 5000));
    EXPECT_EQ(kit.FirstUse(), "1");
    CloseHandle(held);
    ExpectNoBoxes(StartUp(kit.exe, "/s", 5000));
    EXPECT_EQ(kit.FirstUse(), "0");
}

TEST(StartUp, MissingAlbumWarnsAndGoesOn) {
    Install kit("noalbum");
    DeleteFileA((kit.dir + "\\Plinthar.alb").c_str());
    RunResult r = StartUp(kit.exe, "/s");
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].caption, "Plinthar");
    EXPECT_EQ(r.boxes[0].text, "Unable to find album file " + kit.dir + "\\Plinthar.alb");
    EXPECT_EQ(r.boxes[0].icon, BoxIcon::Warning);
    EXPECT_EQ(kit.FirstUse(), "0");
}

TEST(StartUp, WithoutRegistryValueTheProgramsFolderIsUsed) {
    Install kit("noregistry");
    harness::DeleteInstallDirectory(kit.company, kit.name);
    RunResult r = StartUp(kit.exe, "/s");
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].text, "Cannot get location of program directory.  Please re-install.");
    EXPECT_EQ(r.boxes[0].icon, BoxIcon::Warning);
    EXPECT_EQ(kit.FirstUse(), "0");  // the settings file beside the program was used
}

TEST(StartUp, MissingSettingsFileIsAnError) {
    Install kit("noini");
    DeleteFileA(kit.ini.c_str());
    RunResult r = StartUp(kit.exe, "/s");
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].text, "Initialization file (" + kit.ini +
                                   ") not found.  Please re-install Plinthar.");
    EXPECT_EQ(r.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(GetFileAttributesA(kit.ini.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(StartUp, AppendedRecordNamesTheSaver) {
    Install saver("created", "Sunset Dreams", "Acme");
    saver.AppendRecord("Sunset Dreams", kAppFlagCreatedSaver, "Acme");
    ExpectNoBoxes(StartUp(saver.exe, "/s"));
    EXPECT_EQ(saver.FirstUse(), "0");

    // Messages are captioned with the saver's own name.
    DeleteFileA((saver.dir + "\\Sunset Dreams.alb").c_str());
    RunResult r = StartUp(saver.exe, "/s");
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].caption, "Sunset Dreams");
}

TEST(StartUp, OnlyTheLastOfTwoRecordsCounts) {
    Install saver("tworecords", "Second", "Acme");
    saver.AppendRecord("First", kAppFlagCreatedSaver, "Acme");
    saver.AppendRecord("Second", kAppFlagCreatedSaver, "Acme");
    ExpectNoBoxes(StartUp(saver.exe, "/s"));
    EXPECT_EQ(saver.FirstUse(), "0");
}

TEST(StartUp, CreatedSaverWithTheKitsNameIsRefused) {
    Install saver("kitname", "PLINTHAR", "Acme");
    saver.AppendRecord("PLINTHAR", kAppFlagCreatedSaver, "Acme");
    RunResult r = StartUp(saver.exe, "/s");
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].icon, BoxIcon::Error);
    EXPECT_NE(r.boxes[0].text.find("corrupt"), std::string::npos) << r.boxes[0].text;
    EXPECT_NE(r.boxes[0].text.find("PLINTHAR"), std::string::npos);
    EXPECT_NE(r.boxes[0].text.find("16"), std::string::npos);
    EXPECT_EQ(saver.FirstUse(), "<missing>");
}

TEST(StartUp, ExecutableShorterThanARecordIsInvalid) {
    Install kit("short");
    std::string shortFile = kit.dir + "\\tiny.scr";
    harness::WriteFileBytes(shortFile, std::string(1303, 'x'));
    RunResult r = StartUp(kit.exe, "/s", 20000, shortFile);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].text, "Invalid executable file.");
    EXPECT_EQ(r.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(kit.FirstUse(), "<missing>");
}

TEST(StartUp, PasswordChangeWithoutProviderIsSilent) {
    Install kit("password");
    for (const char* tail : {"/a", "/a 12345", "/a 0x0"}) {
        RunResult r = StartUp(kit.exe, tail, 10000);
        ExpectNoBoxes(r);
    }
}

}  // namespace
