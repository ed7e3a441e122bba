// The real pair: Setup.exe installs a package that carries the real
// Uninstall.exe, and Uninstall.exe, started as Add/Remove Programs starts it,
// takes everything away again.
#include <windows.h>
#include <prsht.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "common/paths.h"
#include "tests/harness/win_harness.h"
#include "tests/setup/installer/package_maker.h"
#include "tests/setup/installer/win32/setup_driver.h"

namespace {

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Folder(bool system) {
    char buf[MAX_PATH] = {};
    if (system)
        GetSystemDirectoryA(buf, sizeof buf);
    else
        GetWindowsDirectoryA(buf, sizeof buf);
    return buf;
}

TEST(UninstallRoundTrip, WhatSetupInstalledIsGoneAgain) {
    // Links saved by Setup must not become menu entries of the host.
    SetEnvironmentVariableA("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d");
    const std::string name = "Round Trip Saver", company = "Round Trip Co";
    std::string dir = harness::MakeTempDir("uninstall-round-trip");
    std::string inst = "C:\\Program Files\\Round Trip\\" + name;
    std::vector<MakerEntry> entries = {
        {name + ".scr", "MZ saver", "WINDOWSDIR", "", "", 1262304000},
        {"C:\\album\\stars.gif", "GIF89a" + std::string(3000, '\x11'), "", "", "Star Picture",
         1500000000},
        {"Uninstall.exe", harness::ReadFileBytes(UNINSTALL_EXE), "INSTALLDIR", "",
         "Uninstall " + name, 0},
        {"readme.txt", "Read me.\r\n", "SYSTEMDIR", name + ".txt", "", 1600000000},
    };
    MakerOptions o;
    o.saverName = name;
    o.company = company;
    o.flags = 17;  // with a program group
    MadePackage package = MakePackage(harness::ReadFileBytes(SETUP_EXE), entries, o);
    std::string setup = dir + "\\SETUP.EXE";
    ASSERT_TRUE(harness::WriteFileBytes(setup, std::string(package.bytes.begin(), package.bytes.end())));

    SetupDriver d(setup);
    ASSERT_TRUE(d.Sheet(name + " Setup"));
    ASSERT_TRUE(d.WaitForPage(2035));
    d.Press(PSBTN_NEXT);
    ASSERT_TRUE(d.WaitForPage(2008));
    d.SetText(2008, inst);
    d.SetCheck(2100, false);  // do not start the saver
    d.SetCheck(2102, true);   // make it the active one
    d.Press(PSBTN_FINISH);
    ASSERT_TRUE(d.WaitForExit());
    CloseFolderWindows(name, 20000);

    std::string scr = JoinPath(Folder(false), name + ".scr");
    std::string txt = JoinPath(Folder(true), name + ".txt");
    char programs[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAMS, FALSE);
    std::string group = JoinPath(programs, name);
    std::string uninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
    ASSERT_TRUE(Exists(scr) && Exists(txt) && Exists(group) && Exists(inst + "\\Uninstall.dat"));
    std::string registered = harness::RegistryText(uninstallKey, "UninstallString");
    ASSERT_EQ(registered, inst + "\\Uninstall.exe");

    // As Add/Remove Programs starts it: the registered text, unquoted.
    PROCESS_INFORMATION pi = {};
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    ASSERT_TRUE(CreateProcessA(nullptr, &registered[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &pi));
    std::vector<std::string> captions;
    harness::PumpUntil(
        [&] {
            HWND box = nullptr;
            while ((box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr) {
                DWORD pid = 0;
                GetWindowThreadProcessId(box, &pid);
                if (pid != pi.dwProcessId || !IsWindowVisible(box)) continue;
                char caption[256] = {};
                GetWindowTextA(box, caption, sizeof caption);
                captions.push_back(caption);
                int id = GetDlgItem(box, IDYES) ? IDYES : IDOK;
                SendMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(box, id)));
            }
            return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
        },
        60000);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(captions, (std::vector<std::string>{name + " Uninstall", name + " Uninstall"}));

    EXPECT_TRUE(harness::PumpUntil([&] { return !Exists(inst); }, 30000));
    for (const std::string& gone : {scr, txt, group, inst + "\\stars.gif"})
        EXPECT_FALSE(Exists(gone)) << gone;
    EXPECT_TRUE(Exists("C:\\Program Files\\Round Trip")) << "not Setup's to remove";
    RemoveDirectoryA("C:\\Program Files\\Round Trip");
    EXPECT_EQ(harness::RegistryText("Software\\" + company, "x"), "<no key>");
    EXPECT_EQ(harness::RegistryText(uninstallKey, "DisplayName"), "<no key>");
    EXPECT_EQ(harness::ReadIni(JoinPath(Folder(false), "system.ini"), "boot", "scrnsave.exe"),
              "<missing>");
}

}  // namespace
