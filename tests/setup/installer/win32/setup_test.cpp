// The real Setup.exe with packages appended, driven through its wizard under
// Wine: what lands on disk, in the Start menu, in the registry and in
// system.ini, the overwrite question, the kit's own installation, and the
// packages it must refuse.
#include <windows.h>
#include <objbase.h>
#include <prsht.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>

#include "setup/installer/install_rules.h"
#include "setup/uninstall/uninstall_data.h"
#include "tests/setup/installer/package_maker.h"
#include "tests/setup/installer/win32/setup_driver.h"

namespace {

const char* const kFail = "Fail to initialize.  The setup file may be invalid.";

std::string Stub() {
    return harness::ReadFileBytes(SETUP_EXE_PATH);
}

std::string WriteSetup(const std::string& dir, const MadePackage& p) {
    std::string exe = dir + "\\SETUP.EXE";
    harness::WriteFileBytes(exe, std::string(p.bytes.begin(), p.bytes.end()));
    return exe;
}

// A fresh folder, spelt with backslashes as a person would type it.
std::string TempDir(const std::string& name) {
    std::string dir = harness::MakeTempDir(name);
    for (char& c : dir)
        if (c == '/') c = '\\';
    return dir;
}

std::string WindowsDir() {
    char buf[MAX_PATH];
    GetWindowsDirectoryA(buf, sizeof buf);
    return buf;
}

std::string SystemDir() {
    char buf[MAX_PATH];
    GetSystemDirectoryA(buf, sizeof buf);
    return buf;
}

std::string ProgramsDir() {
    char buf[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, buf, CSIDL_PROGRAMS, FALSE);
    return buf;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string& dir) {
    std::string from = dir + std::string(2, '\0');
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationA(&op);
}

uint64_t WriteTime(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    FILETIME ft = {};
    GetFileTime(f, nullptr, nullptr, &ft);
    CloseHandle(f);
    return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

uint64_t FromUnix(uint32_t t) {
    return uint64_t(t) * 10000000ULL + 116444736000000000ULL;
}

std::string LinkTarget(const std::string& link) {
    std::string out;
    IShellLinkA* sl = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&sl))))
        return out;
    IPersistFile* pf = nullptr;
    if (SUCCEEDED(sl->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf)))) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        char path[MAX_PATH] = "";
        if (SUCCEEDED(pf->Load(wide, STGM_READ)) &&
            SUCCEEDED(sl->GetPath(path, MAX_PATH, nullptr, 0)))
            out = path;
        pf->Release();
    }
    sl->Release();
    return out;
}

// The group holds exactly these links (file name, target).
::testing::AssertionResult
EqualLinks(const std::string& group,
           const std::vector<std::pair<std::string, std::string>>& links) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((group + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    if (names.size() != links.size())
        return ::testing::AssertionFailure() << names.size() << " files in " << group;
    for (const auto& l : links) {
        std::string target = LinkTarget(group + "\\" + l.first);
        if (lstrcmpiA(target.c_str(), l.second.c_str()) != 0)
            return ::testing::AssertionFailure() << l.first << " points at '" << target << "'";
    }
    return ::testing::AssertionSuccess();
}

// Everything an installation of `name` may leave outside its test folder.
struct Leftovers {
    std::string name, company;
    std::vector<std::string> files;
    std::string oldScreenSaver;

    Leftovers(const std::string& saver, const std::string& maker) : name(saver), company(maker) {
        oldScreenSaver = harness::ReadIni(WindowsDir() + "\\system.ini", "boot", "scrnsave.exe");
        Clean();
    }
    ~Leftovers() {
        Clean();
        std::string ini = WindowsDir() + "\\system.ini";
        harness::WriteIni(ini, "boot", "scrnsave.exe",
                          oldScreenSaver == "<missing>" ? nullptr : oldScreenSaver.c_str());
    }
    void Clean() {
        for (const std::string& f : files)
            DeleteFileA(f.c_str());
        RemoveTree(ProgramsDir() + "\\" + name);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, ("Software\\" + company + "\\" + name + "\\App").c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, ("Software\\" + company + "\\" + name).c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, ("Software\\" + company).c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                      ("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name).c_str());
        HKEY help;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\Help", 0,
                          KEY_ALL_ACCESS, &help) == ERROR_SUCCESS) {
            RegDeleteValueA(help, (name + ".hlp").c_str());
            RegCloseKey(help);
        }
    }
};

// Walks the wizard from Welcome to Finish with both post-install boxes as given.
void InstallThrough(SetupDriver& d, const std::string& title, const std::string& folder,
                    bool launch, bool makeActive) {
    ASSERT_TRUE(d.Sheet(title)) << title;
    ASSERT_TRUE(d.WaitForPage(2035));
    d.Press(PSBTN_NEXT);
    ASSERT_TRUE(d.WaitForPage(2008));
    d.SetText(2008, folder);
    d.SetCheck(2100, launch);
    d.SetCheck(2102, makeActive);
    d.Press(PSBTN_FINISH);
}

std::vector<MakerEntry> SaverEntries(const std::string& name) {
    return {
        {name + ".scr", harness::ReadFileBytes(LAUNCH_PROBE_PATH), "WINDOWSDIR", "", "",
         1262304000},
        {"C:\\album\\stars.gif", "GIF89a" + std::string(3000, '\x11'), "", "", "Star Picture",
         1500000000},
        {"Uninstall.exe", "MZ uninstaller", "INSTALLDIR", "", "Uninstall " + name, 0},
        {"readme.txt", "Read me.\r\n", "systemdir", name + ".txt", "", 1600000000},
    };
}

class SetupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitialize(nullptr);
        // Links saved by the installer must not become menu entries of the host.
        SetEnvironmentVariableA("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d");
    }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(SetupTest, InstallsFilesLinksRegistryAndScreenSaver) {
    const std::string name = "Starfield Test";
    Leftovers left(name, "Quorvane Test");
    left.files = {WindowsDir() + "\\" + name + ".scr", WindowsDir() + "\\" + name + ".scr.args",
                  SystemDir() + "\\" + name + ".txt"};
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_UPDATEINIFILE);
    std::string dir = TempDir("setup-full");
    std::string inst = dir + "\\Saver Folder\\Deep";
    MakerOptions o;
    o.saverName = name;
    o.company = "Quorvane Test";
    o.flags = 17;
    // A group of the same name from before is replaced, its old links with it.
    std::string group = ProgramsDir() + "\\" + name;
    CreateDirectoryA(group.c_str(), nullptr);
    harness::WriteFileBytes(group + "\\Old.LNK", "old link");
    SetupDriver d(WriteSetup(dir, MakePackage(Stub(), SaverEntries(name), o)));
    ASSERT_TRUE(d.Started());
    ASSERT_TRUE(d.Sheet(name + " Setup"));
    ASSERT_TRUE(d.WaitForPage(2035));
    EXPECT_EQ(d.Text(2035), "Welcome to the Starfield Test installation program.");
    EXPECT_EQ(d.Text(2038),
              "Click Next to continue Starfield Test Setup or Cancel to quit the setup.");
    d.Press(PSBTN_NEXT);
    // Not the kit: no readme page.
    ASSERT_TRUE(d.WaitForPage(2008));
    EXPECT_EQ(d.Text(2008), harness::RegistryText("Software\\Microsoft\\Windows\\CurrentVersion",
                                                  "ProgramFilesDir") +
                                "\\Starfield Test");
    EXPECT_EQ(d.Text(2100), "Launch the configuration dialog for Starfield Test");
    EXPECT_EQ(d.Text(2102), "Make Starfield Test the active screensaver");
    d.SetText(2008, inst);
    d.Press(PSBTN_FINISH);
    ASSERT_TRUE(d.WaitForExit());
    // The saver was started with nothing after its name, which opens its configuration.
    std::string args = WindowsDir() + "\\" + name + ".scr.args";
    EXPECT_TRUE(harness::PumpUntil([&] { return Exists(args); }, 20000));
    harness::PumpUntil([&] { return harness::ReadFileBytes(args) == "[]"; }, 5000);
    EXPECT_EQ(harness::ReadFileBytes(args), "[]");
    // Switched on for good: the user's stored setting says so.
    HKEY desktop;
    char value[8] = "";
    DWORD size = sizeof value - 1;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &desktop),
              ERROR_SUCCESS);
    RegQueryValueExA(desktop, "ScreenSaveActive", nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                     &size);
    RegCloseKey(desktop);
    EXPECT_STREQ(value, "1");
    // The new program group is opened for the user to see.
    EXPECT_TRUE(CloseFolderWindows(name, 20000));

    std::string scr = WindowsDir() + "\\" + name + ".scr", gif = inst + "\\stars.gif",
                un = inst + "\\Uninstall.exe", txt = SystemDir() + "\\" + name + ".txt";
    auto entries = SaverEntries(name);
    EXPECT_EQ(harness::ReadFileBytes(scr), entries[0].data);
    EXPECT_EQ(harness::ReadFileBytes(gif), entries[1].data);
    EXPECT_EQ(harness::ReadFileBytes(un), entries[2].data);
    EXPECT_EQ(harness::ReadFileBytes(txt), entries[3].data);
    EXPECT_EQ(WriteTime(scr), FromUnix(1262304000));
    EXPECT_EQ(WriteTime(gif), FromUnix(1500000000));
    EXPECT_EQ(WriteTime(txt), FromUnix(1600000000));
    for (const std::string& f : {scr, gif, un, txt})
        EXPECT_EQ(GetFileAttributesA(f.c_str()) &
                      (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                  0u)
            << f;

    EXPECT_TRUE(EqualLinks(group, {{"Star Picture.LNK", gif}, {"Uninstall " + name + ".LNK", un}}));

    std::string app = "Software\\Quorvane Test\\" + name + "\\App";
    EXPECT_EQ(harness::RegistryText(app, "InstallDirectory"), inst);
    std::string uninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
    EXPECT_EQ(harness::RegistryText(uninstallKey, "DisplayName"), name);
    EXPECT_EQ(harness::RegistryText(uninstallKey, "UninstallString"), inst + "\\Uninstall.exe");
    // Only the kit registers its help file.
    EXPECT_NE(harness::RegistryText("Software\\Microsoft\\Windows\\Help", (name + ".hlp").c_str()),
              inst);

    std::string data = harness::ReadFileBytes(inst + "\\Uninstall.dat");
    UninstallData u;
    ASSERT_EQ(DecodeUninstallData(reinterpret_cast<const uint8_t*>(data.data()), data.size(), u),
              kUninstallDataOk);
    EXPECT_EQ(u.saverName, name);
    EXPECT_EQ(u.company, "Quorvane Test");
    EXPECT_EQ(u.files, (std::vector<std::string>{scr, gif, un, txt, group, inst + "\\Uninstall.dat",
                                                 inst + "\\" + name + ".gid"}));

    char shortScr[MAX_PATH] = "";
    GetShortPathNameA(scr.c_str(), shortScr, sizeof shortScr);
    EXPECT_EQ(harness::ReadIni(WindowsDir() + "\\system.ini", "boot", "scrnsave.exe"), shortScr);
}

TEST_F(SetupTest, SecondInstallAsksBeforeReplacing) {
    const std::string name = "Overwrite Test";
    Leftovers left(name, "Quorvane Test");
    std::string dir = TempDir("setup-again");
    std::string inst = dir + "\\Inst";
    std::vector<MakerEntry> entries = {
        {"one.txt", "first file", "", "", "", 0},
        {"two.txt", "second file", "", "", "", 0},
        {"three.txt", "third file", "", "", "", 0},
    };
    MakerOptions o;
    o.saverName = name;
    o.company = "Quorvane Test";
    std::string exe = WriteSetup(dir, MakePackage(Stub(), entries, o));
    {
        SetupDriver d(exe);
        InstallThrough(d, name + " Setup", inst, false, false);
        ASSERT_TRUE(d.WaitForExit());
    }
    auto spoil = [&] {
        for (const char* f : {"one.txt", "two.txt", "three.txt"})
            harness::WriteFileBytes(inst + "\\" + f, "changed");
    };
    spoil();
    {
        SetupDriver d(exe);
        InstallThrough(d, name + " Setup", inst, false, false);
        std::string text;
        // Closed without a button: the same question comes again.
        ASSERT_TRUE(d.AnswerOverwrite(IDCANCEL, &text));
        EXPECT_EQ(text, "The file " + inst + "\\one.txt already exists.  Overwrite?");
        ASSERT_TRUE(d.AnswerOverwrite(2110, &text)); // No
        EXPECT_EQ(text, "The file " + inst + "\\one.txt already exists.  Overwrite?");
        ASSERT_TRUE(d.AnswerOverwrite(2111, &text)); // Yes To All
        EXPECT_EQ(text, "The file " + inst + "\\two.txt already exists.  Overwrite?");
        ASSERT_TRUE(d.WaitForExit());
        EXPECT_EQ(harness::ReadFileBytes(inst + "\\one.txt"), "changed");
        EXPECT_EQ(harness::ReadFileBytes(inst + "\\two.txt"), "second file");
        EXPECT_EQ(harness::ReadFileBytes(inst + "\\three.txt"), "third file");
    }
    spoil();
    {
        SetupDriver d(exe);
        InstallThrough(d, name + " Setup", inst, false, false);
        ASSERT_TRUE(d.AnswerOverwrite(2112)); // Abort
        SeenBox box;
        ASSERT_TRUE(d.AnswerBox(box));
        EXPECT_EQ(box.caption, name + " Setup");
        EXPECT_EQ(box.text, "An error has occurred: Installation aborted!");
        ASSERT_TRUE(d.WaitForExit());
        for (const char* f : {"one.txt", "two.txt", "three.txt"})
            EXPECT_EQ(harness::ReadFileBytes(inst + "\\" + f), "changed") << f;
    }
}

TEST_F(SetupTest, KitInstallShowsReadmeAndLeavesTheStub) {
    const std::string name = "Plinthar";
    Leftovers left(name, "Quorvane Test");
    std::string dir = TempDir("setup-kit");
    std::string inst = dir + "\\Kit";
    MakerOptions o;
    o.saverName = "plinthar"; // the kit's name in any letter case
    o.company = "Quorvane Test";
    std::string stub = Stub();
    SetupDriver d(
        WriteSetup(dir, MakePackage(stub, {{"Plinthar.exe", "MZ kit", "", "", "", 0}}, o)));
    ASSERT_TRUE(d.Sheet("plinthar Setup"));
    ASSERT_TRUE(d.WaitForPage(2035));
    d.Press(PSBTN_NEXT);
    ASSERT_TRUE(d.WaitForPage(2043));
    EXPECT_NE(d.Text(2043).find("Plinthar"), std::string::npos);
    // Reading is optional: the keyboard is on Cancel.
    HWND sheet = d.Sheet("plinthar Setup");
    DWORD thread = GetWindowThreadProcessId(sheet, nullptr);
    EXPECT_TRUE(harness::PumpUntil(
        [&] {
            GUITHREADINFO gui = {};
            gui.cbSize = sizeof gui;
            return GetGUIThreadInfo(thread, &gui) && gui.hwndFocus == GetDlgItem(sheet, IDCANCEL);
        },
        10000));
    EXPECT_EQ(d.Text(2108),
              "Click Next to continue with the installation or Cancel to quit the setup.");
    d.Press(PSBTN_NEXT);
    ASSERT_TRUE(d.WaitForPage(2008));
    d.SetText(2008, inst);
    d.SetCheck(2100, false);
    d.SetCheck(2102, false);
    d.Press(PSBTN_FINISH);
    ASSERT_TRUE(d.WaitForExit());
    EXPECT_EQ(harness::ReadFileBytes(inst + "\\setup.ex_"), stub);
    EXPECT_EQ(harness::ReadFileBytes(inst + "\\Plinthar.exe"), "MZ kit");
    EXPECT_EQ(harness::RegistryText("Software\\Microsoft\\Windows\\Help", "plinthar.hlp"), inst);
    std::string data = harness::ReadFileBytes(inst + "\\Uninstall.dat");
    UninstallData u;
    ASSERT_EQ(DecodeUninstallData(reinterpret_cast<const uint8_t*>(data.data()), data.size(), u),
              kUninstallDataOk);
    // Without the group flag no program group is made or listed.
    EXPECT_EQ(u.files,
              (std::vector<std::string>{inst + "\\setup.ex_", inst + "\\Plinthar.exe",
                                        inst + "\\Uninstall.dat", inst + "\\plinthar.gid"}));
    EXPECT_FALSE(Exists(ProgramsDir() + "\\plinthar"));
}

TEST_F(SetupTest, DamagedPackagesAreRefusedAtStart) {
    struct Case {
        const char* what;
        std::function<void(MadePackage&)> damage;
        std::string saverName;
        std::string company = "Quorvane Test";
    } cases[] = {
        {"one extra byte", [](MadePackage& p) { p.bytes.push_back(0); }, "Refused"},
        {"trailer cut", [](MadePackage& p) { p.bytes.pop_back(); }, "Refused"},
        {"first entry at 0", [](MadePackage& p) { PokeU32(p.bytes, p.trailerOffset + 12, 0); },
         "Refused"},
        {"first entry in the trailer",
         [](MadePackage& p) {
             PokeU32(p.bytes, p.trailerOffset + 12, uint32_t(p.trailerOffset + 2));
         },
         "Refused"},
        {"name climbing out", [](MadePackage&) {}, ".."},
        {"name with a folder", [](MadePackage&) {}, "Savers\\Mine"},
        {"empty name", [](MadePackage&) {}, ""},
        {"device name", [](MadePackage&) {}, "NUL"},
        {"company reaching into another key", [](MadePackage&) {}, "Refused",
         "Microsoft\\Windows\\CurrentVersion\\Run"},
        {"no company", [](MadePackage&) {}, "Refused", ""},
    };
    std::string dir = TempDir("setup-refused");
    for (const Case& c : cases) {
        MakerOptions o;
        o.saverName = c.saverName;
        o.company = c.company;
        MadePackage p = MakePackage(Stub(), {{"a.txt", "text of a", "", "", "", 0}}, o);
        c.damage(p);
        harness::RunResult r = harness::RunProgram(WriteSetup(dir, p), "", 30000);
        EXPECT_FALSE(r.timedOut) << c.what;
        ASSERT_EQ(r.boxes.size(), 1u) << c.what;
        EXPECT_EQ(r.boxes[0].text, kFail) << c.what;
        EXPECT_EQ(r.boxes[0].icon, harness::BoxIcon::Error) << c.what;
    }
    // The bare stub carries no package at all.
    harness::RunResult r = harness::RunProgram(SETUP_EXE_PATH, "", 30000);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].text, kFail);
}

TEST_F(SetupTest, HostileEntriesInstallNothingOutsideTheFolder) {
    using Tamper = std::function<void(size_t, EntryHeader&, std::vector<uint8_t>&)>;
    struct Case {
        const char* what;
        Tamper tamper;
        bool firstInstalled;
    } cases[] = {
        {"target climbing out",
         [](size_t i, EntryHeader& h, std::vector<uint8_t>&) {
             if (i == 1) h.target = "..\\evil.txt";
         },
         false},
        {"absolute target",
         [](size_t i, EntryHeader& h, std::vector<uint8_t>&) {
             if (i == 1) h.target = "C:\\evil.txt";
         },
         false},
        {"inflates to more than stated",
         [](size_t i, EntryHeader& h, std::vector<uint8_t>&) { h.uncompressedSize -= i == 1; },
         true},
        {"truncated entry",
         [](size_t i, EntryHeader&, std::vector<uint8_t>& d) {
             if (i == 1) d.resize(d.size() / 2);
         },
         false},
    };
    const std::string name = "Hostile Test";
    Leftovers left(name, "Quorvane Test");
    for (const Case& c : cases) {
        std::string dir = TempDir("setup-hostile");
        std::string inst = dir + "\\Inst";
        MakerOptions o;
        o.saverName = name;
        o.company = "Quorvane Test";
        o.tamper = c.tamper;
        SetupDriver d(WriteSetup(
            dir, MakePackage(Stub(),
                             {{"first.txt", "first", "", "", "", 0},
                              {"evil.txt", "evil " + std::string(2000, 'e'), "", "", "", 0}},
                             o)));
        InstallThrough(d, name + " Setup", inst, false, false);
        SeenBox box;
        ASSERT_TRUE(d.AnswerBox(box)) << c.what;
        EXPECT_EQ(box.text, "An error has occurred: Invalid file!") << c.what;
        ASSERT_TRUE(d.WaitForExit()) << c.what;
        EXPECT_FALSE(Exists(dir + "\\evil.txt")) << c.what;
        EXPECT_FALSE(Exists("C:\\evil.txt")) << c.what;
        EXPECT_FALSE(Exists(inst + "\\evil.txt")) << c.what;
        EXPECT_EQ(Exists(inst + "\\first.txt"), c.firstInstalled) << c.what;
        EXPECT_EQ(
            harness::RegistryText("Software\\Quorvane Test\\" + name + "\\App", "InstallDirectory"),
            "<no key>")
            << c.what;
    }
}

// The space required stands on the row of the folder's drive only, and moves
// with the folder when the edit loses the focus.
TEST_F(SetupTest, SpaceRequiredFollowsTheFolder) {
    const std::string name = "Space Test";
    std::string dir = TempDir("setup-space");
    MakerOptions o;
    o.saverName = name;
    std::string big(300000, 'x');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 7919 >> 5);
    SetupDriver d(WriteSetup(dir, MakePackage(Stub(), {{"big.bin", big, "", "", "", 0}}, o)));
    ASSERT_TRUE(d.Sheet(name + " Setup"));
    d.Press(PSBTN_NEXT);
    ASSERT_TRUE(d.WaitForPage(2008));
    auto rowOf = [&](const char* drive) {
        for (int r = 0; r < d.ListRows(2017); ++r)
            if (d.ListText(2017, r, 0) == drive) return r;
        return -1;
    };
    int c = rowOf("C:"), z = rowOf("Z:");
    ASSERT_GE(c, 0);
    ASSERT_GE(z, 0);
    DWORD spc = 0, bps = 0, fc = 0, tc = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("Z:\\", &spc, &bps, &fc, &tc));
    std::string onZ = FormatDriveSpace(RoundUpToUnit(big.size(), uint64_t(spc) * bps));
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &spc, &bps, &fc, &tc));
    std::string onC = FormatDriveSpace(RoundUpToUnit(big.size(), uint64_t(spc) * bps));
    EXPECT_EQ(d.ListText(2017, c, 2), onC);
    EXPECT_EQ(d.ListText(2017, z, 2), "");
    EXPECT_NE(d.ListText(2017, c, 1), "");

    d.SetText(2008, dir + "\\Elsewhere");
    HWND edit = GetDlgItem(d.Page(), 2008);
    SendMessageA(d.Page(), WM_COMMAND, MAKEWPARAM(2008, EN_KILLFOCUS), LPARAM(edit));
    EXPECT_EQ(d.ListText(2017, z, 2), onZ);
    EXPECT_EQ(d.ListText(2017, c, 2), "");
    d.Press(PSBTN_CANCEL);
    ASSERT_TRUE(d.WaitForExit());
}

TEST_F(SetupTest, DestinationRefusalsKeepTheWizardOpen) {
    const std::string name = "Refusal Test";
    Leftovers left(name, "Quorvane Test");
    std::string dir = TempDir("setup-refusals");
    MakerOptions o;
    o.saverName = name;
    SetupDriver d(WriteSetup(dir, MakePackage(Stub(), {{"a.txt", "aaa", "", "", "", 0}}, o)));
    ASSERT_TRUE(d.Sheet(name + " Setup"));
    d.Press(PSBTN_NEXT);
    ASSERT_TRUE(d.WaitForPage(2008));
    struct Case {
        std::string folder, text;
    } cases[] = {
        {"   ", "Please enter the destination directory."},
        {dir, "Cannot install into the source directory.  Please select a different destination "
              "directory."},
        {dir + "\\", "Cannot install into the source directory.  Please select a different "
                     "destination directory."},
        {"Not\\Absolute", "Setup is unable to create the specified directory."},
        {dir + "\\SETUP.EXE\\Inside", "Setup is unable to create the specified directory."},
    };
    for (const Case& c : cases) {
        d.SetText(2008, c.folder);
        d.Press(PSBTN_FINISH);
        SeenBox box;
        ASSERT_TRUE(d.AnswerBox(box)) << c.folder;
        EXPECT_EQ(box.text, c.text) << c.folder;
        EXPECT_EQ(box.caption, name + " Setup");
        EXPECT_TRUE(d.WaitForPage(2008)) << c.folder;
    }
    d.Press(PSBTN_CANCEL);
    ASSERT_TRUE(d.WaitForExit());
    EXPECT_FALSE(Exists(dir + "\\a.txt"));
    EXPECT_EQ(
        harness::RegistryText("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name,
                              "DisplayName"),
        "<no key>");
}

} // namespace

namespace {

void SaveWindowPicture(HWND w, const std::string& path) {
    RECT r;
    GetWindowRect(w, &r);
    UpdateWindow(w);
    harness::PumpFor(300);
    harness::WriteFileBytes(path, harness::ScreenBitmap(r));
}

} // namespace

// Pictures of the wizard's pages and the overwrite question for the
// documentation, taken when PLINTHAR_SCREENSHOT_DIR names a folder.
TEST_F(SetupTest, Screenshots) {
    char out[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("PLINTHAR_SCREENSHOT_DIR", out, sizeof out))
        GTEST_SKIP() << "PLINTHAR_SCREENSHOT_DIR is not set";
    const std::string name = "Plinthar";
    Leftovers left(name, "Quorvane Screens");
    std::string folder =
        harness::RegistryText("Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir") +
        "\\Plinthar";
    CreateDirectoryA(folder.c_str(), nullptr);
    harness::WriteFileBytes(folder + "\\Plinthar.exe", "older kit");
    std::string dir = TempDir("setup-screens");
    MakerOptions o;
    o.saverName = name;
    o.company = "Quorvane Screens";
    SetupDriver d(
        WriteSetup(dir, MakePackage(Stub(), {{"Plinthar.exe", "MZ kit", "", "", "", 0}}, o)));
    ASSERT_TRUE(d.Sheet("Plinthar Setup"));
    ASSERT_TRUE(d.WaitForPage(2035));
    HWND sheet = d.Sheet("Plinthar Setup");
    SaveWindowPicture(sheet, std::string(out) + "\\setup-welcome.bmp");
    d.Press(PSBTN_NEXT);
    ASSERT_TRUE(d.WaitForPage(2043));
    SaveWindowPicture(sheet, std::string(out) + "\\setup-readme.bmp");
    d.Press(PSBTN_NEXT);
    ASSERT_TRUE(d.WaitForPage(2008));
    SaveWindowPicture(sheet, std::string(out) + "\\setup-destination.bmp");
    d.SetCheck(2100, false);
    d.SetCheck(2102, false);
    d.Press(PSBTN_FINISH);
    HWND question = nullptr;
    ASSERT_TRUE(
        harness::PumpUntil([&] { return (question = d.OverwriteDialog()) != nullptr; }, 30000));
    SaveWindowPicture(question, std::string(out) + "\\setup-overwrite.bmp");
    ASSERT_TRUE(d.AnswerOverwrite(2112));
    SeenBox box;
    ASSERT_TRUE(d.AnswerBox(box));
    ASSERT_TRUE(d.WaitForExit());
    RemoveTree(folder);
}
