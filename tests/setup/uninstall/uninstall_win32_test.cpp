// Uninstall.exe driven as a person drives it: an installation laid out on disk
// and in the registry the way Setup leaves it, the program started, its
// question answered.  (The round trip test starts it from the registered command.)
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "common/paths.h"
#include "setup/uninstall/uninstall_data.h"
#include "tests/harness/win_harness.h"

namespace {

const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Folder(int csidl) {
    char buf[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, buf, csidl, TRUE);
    return buf;
}

std::string WindowsDir() {
    char buf[MAX_PATH] = {};
    GetWindowsDirectoryA(buf, sizeof buf);
    return buf;
}

std::string SystemIni() {
    return JoinPath(WindowsDir(), "system.ini");
}

void MakeFolders(const std::string& dir) {
    for (size_t p = dir.find('\\', 3); p != std::string::npos; p = dir.find('\\', p + 1))
        CreateDirectoryA(dir.substr(0, p).c_str(), nullptr);
    CreateDirectoryA(dir.c_str(), nullptr);
}

void SetValue(const std::string& key, const char* name, const std::string& data) {
    HKEY h;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &h, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   DWORD(data.size() + 1));
    RegCloseKey(h);
}

bool KeyExists(const std::string& key) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

// The uninstaller's copies in the temporary folder.
std::vector<std::string> TemporaryCopies() {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    std::vector<std::string> found;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(JoinPath(temp, "uni*.tmp").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do found.push_back(fd.cFileName);
        while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    return found;
}

// One installation as Setup leaves it: the saver in the Windows folder, its
// files and Uninstall.exe in the installation folder, a program group with a
// link, the registry values, and the uninstall data listing it all.
struct Installation {
    std::string name, company, dir, saver, group, link, data;
    std::vector<std::string> files;

    explicit Installation(const std::string& saverName)
        : name(saverName), company(saverName + " Co") {
        // What an earlier run of a test that keeps the installation left behind.
        for (const std::string& key : {AppKey(), ProductKey(), CompanyKey(), kUninstallKey + name})
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
        dir = "C:\\Program Files\\Uninstall Tests\\" + name;
        MakeFolders(dir);
        saver = JoinPath(WindowsDir(), name + ".scr");
        group = JoinPath(Folder(CSIDL_PROGRAMS), name);
        link = JoinPath(group, name + " 2.02.LNK");
        data = JoinPath(dir, kUninstallDataName);
        files = {saver, JoinPath(dir, name + ".ini"), JoinPath(dir, "Album.alb"),
                 JoinPath(dir, "Uninstall.exe"), group, data, JoinPath(dir, name + ".gid")};
        EXPECT_TRUE(harness::CopyFileTo(UNINSTALL_EXE, JoinPath(dir, "Uninstall.exe")));
        EXPECT_TRUE(harness::WriteFileBytes(saver, "MZ saver"));
        EXPECT_TRUE(harness::WriteFileBytes(files[1], "[Options]\r\n"));
        EXPECT_TRUE(harness::WriteFileBytes(files[2], std::string("\0\0\0\0", 4)));
        MakeFolders(group);
        // Shell links begin with their header size and class identifier.
        EXPECT_TRUE(harness::WriteFileBytes(link, std::string("L\0\0\0\x01\x14\x02\0", 8)));
        SetValue(AppKey(), "InstallDirectory", dir);
        SetValue(kUninstallKey + name, "DisplayName", name);
        SetValue(kUninstallKey + name, "UninstallString", JoinPath(dir, "Uninstall.exe"));
        UninstallData d{name, company, files};
        std::vector<uint8_t> bytes = EncodeUninstallData(d);
        WriteData(std::string(bytes.begin(), bytes.end()));
    }
    void WriteData(const std::string& bytes) const {
        EXPECT_TRUE(harness::WriteFileBytes(data, bytes));
    }
    std::string CompanyKey() const { return "Software\\" + company; }
    std::string ProductKey() const { return CompanyKey() + "\\" + name; }
    std::string AppKey() const { return ProductKey() + "\\App"; }

    // Everything Setup made is still there.
    void ExpectIntact() const {
        for (const std::string& f : files) {
            if (f.substr(f.size() - 4) != ".gid") {
                EXPECT_TRUE(Exists(f)) << f;
            }
        }
        EXPECT_TRUE(Exists(link));
        EXPECT_EQ(harness::RegistryText(AppKey(), "InstallDirectory"), dir);
        EXPECT_EQ(harness::RegistryText(kUninstallKey + name, "DisplayName"), name);
    }
};

TEST(Uninstall, RemovesEverythingSetupMadeButWhatThePersonAdded) {
    Installation inst("Harbour Lights");
    std::string notes = JoinPath(inst.dir, "my notes.txt");
    ASSERT_TRUE(harness::WriteFileBytes(notes, "keep me"));
    // Setup made it the active saver under its short name.
    char shortSaver[MAX_PATH] = {};
    GetShortPathNameA(inst.saver.c_str(), shortSaver, sizeof shortSaver);
    harness::WriteIni(SystemIni(), "boot", "scrnsave.exe", shortSaver);
    harness::RunResult r =
        harness::RunProgram(JoinPath(inst.dir, "Uninstall.exe"), "", 30000, IDYES);
    ASSERT_TRUE(r.started);
    ASSERT_EQ(r.boxes.size(), 2u);
    EXPECT_EQ(r.boxes[0].caption, "Harbour Lights Uninstall");
    EXPECT_NE(r.boxes[0].text.find("Harbour Lights"), std::string::npos);
    EXPECT_EQ(r.boxes[1].text, "Harbour Lights has been removed from your computer.");
    EXPECT_EQ(r.exitCode, 0u);
    std::string exe = JoinPath(inst.dir, "Uninstall.exe");
    EXPECT_TRUE(harness::PumpUntil([&] { return !Exists(exe); }, 30000));
    for (const std::string& f : inst.files) EXPECT_FALSE(Exists(f)) << f;
    EXPECT_TRUE(Exists(notes));
    EXPECT_TRUE(Exists(inst.dir));
    EXPECT_EQ(harness::RegistryText(inst.AppKey(), "InstallDirectory"), "<no key>");
    EXPECT_FALSE(KeyExists(inst.CompanyKey()));
    EXPECT_FALSE(KeyExists(kUninstallKey + inst.name));
    EXPECT_EQ(harness::ReadIni(SystemIni(), "boot", "scrnsave.exe"), "<missing>");
    DeleteFileA(notes.c_str());
    RemoveDirectoryA(inst.dir.c_str());
}

TEST(Uninstall, LeavesNothingOfAPlainInstallation) {
    Installation inst("Quiet Tide");
    // Another product of the company keeps the company's key.
    std::string other = inst.CompanyKey() + "\\Other";
    SetValue(other + "\\App", "InstallDirectory", "C:\\x");
    std::vector<std::string> copiesBefore = TemporaryCopies();
    // Another saver is the active one.
    harness::WriteIni(SystemIni(), "boot", "scrnsave.exe", "C:\\WINDOWS\\OTHER.SCR");
    harness::RunResult r =
        harness::RunProgram(JoinPath(inst.dir, "Uninstall.exe"), "", 30000, IDYES);
    ASSERT_TRUE(r.started);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(harness::PumpUntil([&] { return !Exists(inst.dir); }, 30000));
    for (const std::string& f : inst.files) EXPECT_FALSE(Exists(f)) << f;
    // The copy that removed the program and its folder has gone with its process.
    // (A copy of an earlier test may still be going away.)
    EXPECT_TRUE(harness::PumpUntil(
        [&] {
            for (const std::string& c : TemporaryCopies()) {
                if (std::find(copiesBefore.begin(), copiesBefore.end(), c) == copiesBefore.end())
                    return false;
            }
            return true;
        },
        30000));
    EXPECT_FALSE(KeyExists(inst.ProductKey()));
    EXPECT_EQ(harness::ReadIni(SystemIni(), "boot", "scrnsave.exe"), "C:\\WINDOWS\\OTHER.SCR");
    harness::WriteIni(SystemIni(), "boot", "scrnsave.exe", nullptr);
    EXPECT_EQ(harness::RegistryText(other + "\\App", "InstallDirectory"), "C:\\x");
    for (const std::string& key : {other + "\\App", other, inst.CompanyKey()})
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
}

TEST(Uninstall, AnsweringNoRemovesNothing) {
    Installation inst("Still Water");
    harness::RunResult r =
        harness::RunProgram(JoinPath(inst.dir, "Uninstall.exe"), "", 30000, IDNO);
    ASSERT_TRUE(r.started);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].icon, harness::BoxIcon::Question);
    EXPECT_EQ(r.exitCode, 2u);
    inst.ExpectIntact();
}

TEST(Uninstall, BadDataIsRefusedAndNothingRemoved) {
    Installation inst("Broken Reef");
    std::string good = harness::ReadFileBytes(inst.data);
    UninstallData climbing{"..\\..\\Windows", inst.company, inst.files};
    std::vector<uint8_t> climbingBytes = EncodeUninstallData(climbing);
    struct Case {
        const char* what;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"cut short", good.substr(0, good.size() - 5), "damaged"},
        {"foreign", "[boot]\r\nscrnsave.exe=x.scr\r\n", "not uninstall data"},
        {"saver name with ..\\", std::string(climbingBytes.begin(), climbingBytes.end()),
         "characters"},
    };
    for (const Case& c : cases) {
        inst.WriteData(c.bytes);
        harness::RunResult r =
            harness::RunProgram(JoinPath(inst.dir, "Uninstall.exe"), "", 30000, IDYES);
        ASSERT_TRUE(r.started) << c.what;
        ASSERT_EQ(r.boxes.size(), 1u) << c.what;
        EXPECT_EQ(r.boxes[0].caption, "Uninstall") << c.what;
        EXPECT_EQ(r.boxes[0].icon, harness::BoxIcon::Error) << c.what;
        EXPECT_NE(r.boxes[0].text.find(c.reason), std::string::npos) << r.boxes[0].text;
        EXPECT_EQ(r.exitCode, 3u) << c.what;
        inst.ExpectIntact();
    }
    // A data file named on the command line that is not there.
    harness::RunResult r = harness::RunProgram(JoinPath(inst.dir, "Uninstall.exe"),
                                               "\"C:\\nowhere\\Uninstall.dat\"", 30000, IDYES);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_NE(r.boxes[0].text.find("C:\\nowhere\\Uninstall.dat"), std::string::npos);
    inst.ExpectIntact();
}

TEST(Uninstall, ListedPathsOutsideItsPlacesStay) {
    Installation inst("Far Shore");
    std::string outside = harness::MakeTempDir("uninstall-outside");
    std::string victim = JoinPath(outside, "precious.txt");
    ASSERT_TRUE(harness::WriteFileBytes(victim, "mine"));
    std::string climbing = JoinPath(inst.dir, "..\\Far Shore Neighbour.txt");
    std::string neighbour = "C:\\Program Files\\Uninstall Tests\\Far Shore Neighbour.txt";
    ASSERT_TRUE(harness::WriteFileBytes(neighbour, "mine too"));
    // Relative to the temporary folder the program works in, this names a file
    // directly in the Windows folder.
    std::string windowsVictim = JoinPath(WindowsDir(), "Far Shore victim.txt");
    ASSERT_TRUE(harness::WriteFileBytes(windowsVictim, "system's"));
    std::string relative = "..\\..\\..\\..\\..\\windows\\Far Shore victim.txt";
    UninstallData d{inst.name, inst.company, inst.files};
    d.files.insert(d.files.begin(), {victim, climbing, relative});
    std::vector<uint8_t> bytes = EncodeUninstallData(d);
    inst.WriteData(std::string(bytes.begin(), bytes.end()));
    harness::RunResult r =
        harness::RunProgram(JoinPath(inst.dir, "Uninstall.exe"), "", 30000, IDYES);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(harness::PumpUntil([&] { return !Exists(inst.dir); }, 30000));
    EXPECT_TRUE(Exists(victim));
    EXPECT_TRUE(Exists(neighbour));
    EXPECT_TRUE(Exists(windowsVictim));
    DeleteFileA(neighbour.c_str());
    DeleteFileA(windowsVictim.c_str());
}

}  // namespace
