// The Create page in the real setup sheet, driven as an author drives it:
// fields typed into the edits, buttons clicked, message boxes read and
// answered.  Every produced setup program is read back with the package
// reader and compared with the files it was built from.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>

#include "app/album.h"
#include "app/app_info.h"
#include "app/profile.h"
#include "app/settings.h"
#include "builder/create/create_page_ids.h"
#include "builder/package/package_reader.h"
#include "common/paths.h"
#include "tests/builder/create/sheet_driver.h"
#include "tests/harness/win_harness.h"
#include "win32/application.h"

using createtest::Answer;
using createtest::Box;
using createtest::SheetRunner;
using createtest::WaitForBox;

namespace {

const char kFinished[] = "Finish...Click on Test to run your screensaver setup program";
const char kFailed[] = "Fail to create screensaver";
const char kAborted[] = "Screensaver creation aborted.";
const char kNotCreated[] = "Screensaver setup program not created";

std::string Bytes(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char((i * 7 + seed * 13 + (i >> 5)) & 0xFF);
    return s;
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct ReadBack {
    bool ok = false;
    std::string bytes;
    PackageTrailer trailer;
    uint64_t first = 0;
    std::vector<EntryHeader> headers;
    std::vector<std::string> data;  // inflated
};

ReadBack ReadPackage(const std::string& path) {
    ReadBack rb;
    rb.bytes = harness::ReadFileBytes(path);
    MemorySource src(reinterpret_cast<const uint8_t*>(rb.bytes.data()), rb.bytes.size());
    PackageReader reader(src, rb.bytes.size());
    if (reader.Open() != PackageResult::Ok || reader.Verify() != PackageResult::Ok) return rb;
    rb.trailer = reader.Trailer();
    rb.first = reader.FirstEntryOffset();
    while (!reader.AtEnd()) {
        PackageEntry e;
        std::vector<uint8_t> out;
        if (reader.Next(e) != PackageResult::Ok || reader.Extract(e, out) != PackageResult::Ok)
            return rb;
        rb.headers.push_back(e.header);
        rb.data.emplace_back(out.begin(), out.end());
    }
    rb.ok = true;
    return rb;
}

class CreatePageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = harness::MakeTempDir(
            std::string("create-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::replace(root.begin(), root.end(), '/', '\\');  // as a file dialog hands paths back
        kit = root + "\\kit";
        pics = root + "\\pics";
        out = root + "\\out";
        for (const std::string& d : {kit, pics, root + "\\album", root + "\\album\\rel"})
            CreateDirectoryA(d.c_str(), nullptr);
        stub = harness::ReadFileBytes(CREATE_TEST_STUB);
        ASSERT_FALSE(stub.empty());
        Put(kit + "\\setup.ex_", stub);
        Put(kit + "\\Uninstall.exe", Bytes(3000, 1));
        ASSERT_TRUE(harness::CopyFileTo(KIT_INI, kit + "\\Plinthar.ini"));

        g_InstallDir = kit;
        g_IniPath = kit + "\\Plinthar.ini";
        g_AppInfo = KitDefaults("The Plinthar developers");
        g_Settings = Settings();
        Application::Get().SetTitle("Plinthar");
        g_Settings.options.AlbumFile = root + "\\album\\my.alb";
        harness::WriteIni(g_IniPath, "Options", "LastImageDir", pics.c_str());
        harness::WriteIni(g_IniPath, "Options", "AlbumFile", "\\my.alb");
        harness::WriteIni(g_IniPath, "Distribution", "Directory", out.c_str());
        harness::WriteIni(g_IniPath, "Distribution", "Publisher", "Acme Pictures");
    }
    void TearDown() override { Application::Get().SetMainWindow(nullptr); }

    std::string Put(const std::string& path, const std::string& bytes) {
        EXPECT_TRUE(harness::WriteFileBytes(path, bytes)) << path;
        return path;
    }
    // One picture in the album, enough for a build.
    void SmallAlbum() { g_Settings.ImageList = {Put(pics + "\\a.jpg", Bytes(5000, 2))}; }

    void Fill(SheetRunner& s, const std::string& name, const std::string& version = "1.0") {
        s.SetText(IDC_CREATE_NAME, name);
        s.SetText(IDC_CREATE_DIRECTORY, out);
        s.SetText(IDC_CREATE_VERSION, version);
    }

    // Waits for the build to end; a message box on the way is returned as
    // "box: " + its text and left open.
    std::string WaitForEnd(SheetRunner& s) {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 60000) {
            std::string box = createtest::OpenBoxText();
            if (!box.empty()) return "box: " + box;
            std::string status = s.Text(IDC_CREATE_STATUS);
            if (!s.Page().Busy() && s.Text(IDC_CREATE_IT) == "&Create It" &&
                s.Enabled(IDC_CREATE_IT) &&
                (status == kFinished || status == kFailed || status == kAborted ||
                 status == kNotCreated))
                return status;
            Sleep(20);
        }
        return "time-out, status " + s.Text(IDC_CREATE_STATUS);
    }

    std::string root, kit, pics, out, stub;
};

TEST_F(CreatePageTest, BuildsASaverFromTheAlbum) {
    // Pictures as files, relative to the album, and a folder whose JPG files go
    // before its GIF files whatever their names; sounds with compact-disc tracks.
    std::string folder = root + "\\folder";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::map<std::string, std::string> source = {
        {"a.jpg", Put(pics + "\\a.jpg", Bytes(20000, 3))},
        {"c.bmp", Put(root + "\\album\\rel\\c.bmp", Bytes(7000, 4))},
        {"a.gif", Put(folder + "\\a.gif", Bytes(900, 5))},
        {"y.jpg", Put(folder + "\\y.jpg", Bytes(800, 6))},
        {"X.JPG", Put(folder + "\\X.JPG", Bytes(700, 7))},
        {"notes.txt", Put(folder + "\\notes.txt", Bytes(50, 8))},
        {"song.wav", Put(pics + "\\song.wav", Bytes(4000, 9))},
        {"m.mid", Put(folder + "\\m.mid", Bytes(600, 10))},
        {"t.cda", Put(folder + "\\t.cda", Bytes(44, 11))},
        {"bg.bmp", Put(root + "\\bg.bmp", Bytes(3000, 12))},
        {"readme.txt", Put(root + "\\readme.txt", Bytes(1500, 13))},
    };
    g_Settings.ImageList = {pics + "\\a.jpg", "\\rel\\c.bmp|Our garden", folder + "\\"};
    g_Settings.SoundList = {pics + "\\song.wav", "D:\\Track02.cda", folder + "\\"};
    g_Settings.background.Style = 1;
    g_Settings.background.Image = root + "\\bg.bmp";
    harness::WriteIni(g_IniPath, "Distribution", "NumFiles", "1");
    harness::WriteIni(g_IniPath, "Distribution", "File0", (root + "\\readme.txt").c_str());
    harness::WriteIni(g_IniPath, "Distribution", "ShortCut0", "Read Me");
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string runtime = harness::ReadFileBytes(DirectoryPart(self) + "\\Plinthar.scr");
    ASSERT_FALSE(runtime.empty());

    SheetRunner s;
    ASSERT_TRUE(s.Ready());
    EXPECT_FALSE(s.Enabled(IDC_CREATE_TEST));
    EXPECT_EQ(s.Text(IDC_CREATE_STATUS), "Click Create It to create your screen saver");
    EXPECT_EQ(s.Text(IDC_CREATE_PUBLISHER), "Acme Pictures");
    Fill(s, "Sunset Dreams", "1.5");
    s.Click(IDC_CREATE_IT);
    ASSERT_EQ(WaitForEnd(s), kFinished);
    EXPECT_EQ(s.Text(IDC_CREATE_NAME), "Sunset Dreams.scr");
    EXPECT_TRUE(s.Enabled(IDC_CREATE_TEST));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(s.Sheet(), IDOK)));
    // Of the build's files only the setup program stays.
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{"Sunset Dreams.exe"});

    ReadBack rb = ReadPackage(out + "\\Sunset Dreams.exe");
    ASSERT_TRUE(rb.ok);
    EXPECT_EQ(rb.bytes.substr(0, stub.size()), stub);
    EXPECT_EQ(rb.first, stub.size());
    EXPECT_EQ(rb.trailer.firstEntryPlusOne, stub.size() + 1);
    EXPECT_EQ(rb.trailer.totalLength, rb.bytes.size());
    EXPECT_EQ(rb.trailer.saverName, "Sunset Dreams");
    EXPECT_EQ(rb.trailer.version, "1.5");
    EXPECT_EQ(rb.trailer.author, "Acme Pictures");
    EXPECT_EQ(rb.trailer.company, "Acme Pictures");
    EXPECT_EQ(rb.trailer.flags, 17u);

    struct Expected {
        const char* file;
        const char* keyword;
        const char* target;
        const char* shortcut;
        std::string from;  // "" for the generated files, checked below
    };
    const Expected expected[] = {
        {"Plinthar.scr", "WINDOWSDIR", "Sunset Dreams.scr", "Sunset Dreams 1.5", ""},
        {"Uninstall.exe", "INSTALLDIR", "Uninstall.exe", "Uninstall Sunset Dreams",
         kit + "\\Uninstall.exe"},
        {"Sunset Dreams.ini", "", "Sunset Dreams.ini", "", ""},
        {"Sunset Dreams.alb", "", "Sunset Dreams.alb", "", ""},
        {"bg.bmp", "", "bg.bmp", "", source["bg.bmp"]},
        {"a.jpg", "", "a.jpg", "", source["a.jpg"]},
        {"c.bmp", "", "c.bmp", "", source["c.bmp"]},
        {"X.JPG", "", "X.JPG", "", source["X.JPG"]},
        {"y.jpg", "", "y.jpg", "", source["y.jpg"]},
        {"a.gif", "", "a.gif", "", source["a.gif"]},
        {"song.wav", "", "song.wav", "", source["song.wav"]},
        {"m.mid", "", "m.mid", "", source["m.mid"]},
        {"readme.txt", "INSTALLDIR", "readme.txt", "Read Me", source["readme.txt"]},
    };
    ASSERT_EQ(rb.headers.size(), std::size(expected));
    // One progress step per entry.
    EXPECT_EQ(SendMessageA(s.Control(IDC_CREATE_PROGRESS), PBM_GETRANGE, FALSE, 0),
              LRESULT(std::size(expected)));
    EXPECT_EQ(SendMessageA(s.Control(IDC_CREATE_PROGRESS), PBM_GETPOS, 0, 0),
              LRESULT(std::size(expected)));
    EXPECT_EQ(rb.trailer.entryCount, std::size(expected));
    uint64_t total = 0;
    for (size_t i = 0; i < rb.headers.size(); ++i) {
        const EntryHeader& h = rb.headers[i];
        const Expected& e = expected[i];
        EXPECT_EQ(h.fileName, e.file) << i;
        EXPECT_EQ(h.keyword, e.keyword) << i;
        EXPECT_EQ(h.InstallName(), e.target) << i;
        EXPECT_EQ(h.shortcut, e.shortcut) << i;
        EXPECT_NE(h.time, 0u) << i;
        total += rb.data[i].size();
        if (!e.from.empty()) {
            EXPECT_TRUE(rb.data[i] == harness::ReadFileBytes(e.from)) << i;
        }
    }
    EXPECT_EQ(rb.trailer.totalUncompressed, total);

    // The runtime carries the new saver's identity.
    ASSERT_EQ(rb.data[0].size(), runtime.size() + kAppInfoSize);
    EXPECT_TRUE(rb.data[0].compare(0, runtime.size(), runtime) == 0);
    AppInfo info;
    ASSERT_TRUE(DecodeAppInfo(
        reinterpret_cast<const uint8_t*>(rb.data[0].data()) + runtime.size(), info));
    EXPECT_EQ(info.AppName, "Sunset Dreams");
    EXPECT_EQ(info.Version, "1.5");
    EXPECT_EQ(info.Author, "Acme Pictures");
    EXPECT_EQ(info.Company, "Acme Pictures");
    time_t now = time(nullptr);
    EXPECT_EQ(info.Year, uint32_t(localtime(&now)->tm_year + 1900));
    EXPECT_EQ(info.Flags, 17u);
    EXPECT_TRUE(info.isCreatedSaver());

    // Its settings start afresh and point at files beside the saver.
    MemoryProfile ini(rb.data[2]);
    std::string v;
    EXPECT_FALSE(ini.Read("Distribution", "Directory", v));
    EXPECT_FALSE(ini.Read("Distribution", "Publisher", v));
    for (const char* key : {"LastImageDir", "LastSoundDir", "LastAlbumDir", "AlbumFile"})
        EXPECT_FALSE(ini.Read("Options", key, v)) << key;
    EXPECT_EQ(ini.ReadString("Options", "IsFirstUse", ""), "1");
    EXPECT_EQ(ini.ReadString("Background", "Image", ""), "\\bg.bmp");
    EXPECT_EQ(ini.ReadString("Background", "Style", ""), "1");
    std::vector<std::string> images, sounds;
    ASSERT_EQ(DecodeAlbum(reinterpret_cast<const uint8_t*>(rb.data[3].data()), rb.data[3].size(),
                          images, sounds),
              AlbumResult::Ok);
    EXPECT_EQ(images, (std::vector<std::string>{"\\a.jpg", "\\c.bmp|Our garden", "\\X.JPG",
                                                "\\y.jpg", "\\a.gif"}));
    EXPECT_EQ(sounds, (std::vector<std::string>{"\\song.wav", "\\m.mid"}));

    // The page as it stands after a build, for the documentation.
    SetForegroundWindow(s.Sheet());
    harness::PumpFor(300);
    EXPECT_TRUE(createtest::SaveWindowImage(s.Sheet(), harness::BinaryDir() + "\\sheet-create.bmp"));

    // "&Test" runs the setup program that was made.
    s.Click(IDC_CREATE_TEST);
    EXPECT_TRUE(harness::PumpUntil([&] { return Exists(out + "\\ran.txt"); }, 20000));
}

TEST_F(CreatePageTest, MissingFileIsSkippedAndTheCountIsOneLower) {
    SmallAlbum();
    // Missing before another picture: an abort is noticed between entries.
    g_Settings.ImageList.insert(g_Settings.ImageList.begin(), pics + "\\gone.jpg");
    SheetRunner s;
    Fill(s, "Skipper");
    s.Click(IDC_CREATE_IT);
    Box q = WaitForBox("Cannot find file");
    EXPECT_EQ(q.text, "Cannot find file number 4: " + pics +
                          "\\gone.jpg. Skip this file and continue?");
    EXPECT_EQ(q.caption, "Plinthar");
    EXPECT_EQ(q.icon, UINT(MB_ICONQUESTION));
    EXPECT_TRUE(q.Has(IDYES) && q.Has(IDNO));
    Answer(q, IDYES);
    ASSERT_EQ(WaitForEnd(s), kFinished);
    ReadBack rb = ReadPackage(out + "\\Skipper.exe");
    ASSERT_TRUE(rb.ok);
    EXPECT_EQ(rb.trailer.entryCount, 5u);  // six lines, one skipped
    EXPECT_EQ(rb.headers.back().fileName, "a.jpg");
}

TEST_F(CreatePageTest, CancelAnsweredNoKeepsBuildingAndYesAborts) {
    SmallAlbum();
    // Missing before another picture: an abort is noticed between entries.
    g_Settings.ImageList.insert(g_Settings.ImageList.begin(), pics + "\\gone.jpg");
    SheetRunner s;
    Fill(s, "Stopper");
    s.Click(IDC_CREATE_IT);
    // The worker waits on its question: the build is running.
    Box missing = WaitForBox("Cannot find file");
    ASSERT_TRUE(missing.hwnd);
    EXPECT_TRUE(s.Page().Busy());
    EXPECT_EQ(s.Text(IDC_CREATE_IT), "&Cancel");
    EXPECT_EQ(s.Page().TooltipText(IDC_CREATE_IT), "Click here to cancel screensaver creation");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(s.Sheet(), IDOK)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(s.Sheet(), IDCANCEL)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(s.Sheet(), 102)));
    EXPECT_FALSE(s.Enabled(IDC_CREATE_TEST));

    s.Click(IDC_CREATE_IT);
    Box ask = WaitForBox("File compression in progress.  Abort?");
    ASSERT_TRUE(ask.hwnd);
    EXPECT_EQ(ask.icon, UINT(MB_ICONQUESTION));
    Answer(ask, IDNO);
    EXPECT_TRUE(s.Page().Busy());
    EXPECT_EQ(s.Text(IDC_CREATE_IT), "&Cancel");

    s.Click(IDC_CREATE_IT);
    Answer(WaitForBox("File compression in progress.  Abort?"), IDYES);
    // The button goes grey just before the abort flag is raised; the page's
    // thread serves the next sent message only inside the abort's wait.
    EXPECT_TRUE(harness::PumpUntil([&] { return !s.Enabled(IDC_CREATE_IT); }, 10000));
    DWORD_PTR served = 0;
    SendMessageTimeoutA(s.PageWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 20000, &served);
    // The worker still asks; answered now, it stops before the next entry.
    Answer(missing, IDYES);
    ASSERT_EQ(WaitForEnd(s), kAborted);
    EXPECT_TRUE(FilesIn(out).empty());
    EXPECT_EQ(SendMessageA(s.Control(IDC_CREATE_PROGRESS), PBM_GETPOS, 0, 0), 0);
    EXPECT_NE(s.Page().TooltipText(IDC_CREATE_IT), "Click here to cancel screensaver creation");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(s.Sheet(), IDOK)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(s.Sheet(), 102)));
    EXPECT_FALSE(s.Enabled(IDC_CREATE_TEST));
}

TEST_F(CreatePageTest, MissingFileAnsweredNoEndsTheBuildAborted) {
    SmallAlbum();
    // Missing before another picture: an abort is noticed between entries.
    g_Settings.ImageList.insert(g_Settings.ImageList.begin(), pics + "\\gone.jpg");
    SheetRunner s;
    Fill(s, "Refuser");
    s.Click(IDC_CREATE_IT);
    Answer(WaitForBox("Cannot find file"), IDNO);
    ASSERT_EQ(WaitForEnd(s), kAborted);
    EXPECT_TRUE(FilesIn(out).empty());
}

TEST_F(CreatePageTest, AdditionalFilesOfThreeBytesBuildButEmptyOnesFail) {
    SmallAlbum();
    std::string tiny = Put(root + "\\tiny.txt", "abc");
    harness::WriteIni(g_IniPath, "Distribution", "NumFiles", "1");
    harness::WriteIni(g_IniPath, "Distribution", "File0", tiny.c_str());
    {
        SheetRunner s;
        Fill(s, "Tiny");
        s.Click(IDC_CREATE_IT);
        ASSERT_EQ(WaitForEnd(s), kFinished);
        ReadBack rb = ReadPackage(out + "\\Tiny.exe");
        ASSERT_TRUE(rb.ok);
        EXPECT_EQ(rb.data.back(), "abc");
    }
    std::string empty = Put(root + "\\empty.txt", "");
    harness::WriteIni(g_IniPath, "Distribution", "File0", empty.c_str());
    DeleteFileA((out + "\\Tiny.exe").c_str());
    SheetRunner s;
    Fill(s, "Empty");
    s.Click(IDC_CREATE_IT);
    Box b = WaitForBox("Cannot read file ");
    EXPECT_EQ(b.text, "Cannot read file " + empty + ".");
    EXPECT_EQ(b.icon, UINT(MB_ICONWARNING));
    Answer(b, IDOK);
    ASSERT_EQ(WaitForEnd(s), kFailed);
    EXPECT_TRUE(FilesIn(out).empty());
    EXPECT_FALSE(s.Enabled(IDC_CREATE_TEST));
}

TEST_F(CreatePageTest, RefusalsNameTheFaultAndBuildNothing) {
    struct Case {
        const char* what;
        std::string name, version, directory;
        std::string message;
        UINT icon;
        int focus;  // 0: not checked
    };
    const std::string q = "Q:\\nowhere\\deep";
    const Case cases[] = {
        {"empty name", "", "1.0", out, "The screensaver's name must be between 1 and 250 character.",
         MB_ICONWARNING, IDC_CREATE_NAME},
        {"kit's name", "pLiNtHaR.ScR", "1.0", out,
         "Plinthar is reserved. Please choose another name.", MB_ICONWARNING, IDC_CREATE_NAME},
        {"forbidden character", "What?", "1.0", out,
         "The screensaver's name may not contain any of the characters \\ / : * ? \" < > |",
         MB_ICONWARNING, IDC_CREATE_NAME},
        {"version", "Fine", "10.01", out, "The version must be less than 5 characters.",
         MB_ICONWARNING, IDC_CREATE_VERSION},
        {"empty directory", "Fine", "1.0", "",
         "The directory must be between 1 and 260 character.", MB_ICONWARNING,
         IDC_CREATE_DIRECTORY},
        {"unknown drive", "Fine", "1.0", q, "Unable to create directory " + q, MB_ICONWARNING, 0},
    };
    SmallAlbum();
    SheetRunner s;
    for (const Case& c : cases) {
        s.SetText(IDC_CREATE_NAME, c.name);
        s.SetText(IDC_CREATE_VERSION, c.version);
        s.SetText(IDC_CREATE_DIRECTORY, c.directory);
        s.Click(IDC_CREATE_IT);
        Box b = WaitForBox();
        EXPECT_EQ(b.text, c.message) << c.what;
        EXPECT_EQ(b.caption, "Plinthar") << c.what;
        EXPECT_EQ(b.icon, c.icon) << c.what;
        Answer(b, IDOK);
        if (c.focus) {
            EXPECT_TRUE(harness::PumpUntil([&] { return s.FocusId() == c.focus; }, 5000))
                << c.what << ": focus on " << s.FocusId();
        }
    }
    s.SetText(IDC_CREATE_PUBLISHER, "");
    Fill(s, "Fine");
    s.Click(IDC_CREATE_IT);
    Box b = WaitForBox();
    EXPECT_EQ(b.text, "The publisher's name must be between 1 and 100 characters.");
    Answer(b, IDOK);
    EXPECT_TRUE(harness::PumpUntil([&] { return s.FocusId() == IDC_CREATE_PUBLISHER; }, 5000));
    EXPECT_TRUE(FilesIn(out).empty());
    EXPECT_FALSE(Exists(q));
}

TEST_F(CreatePageTest, PreparationFailuresLeaveNoSetupProgram) {
    SheetRunner s;
    // No pictures in the album.
    Fill(s, "Bare");
    s.Click(IDC_CREATE_IT);
    Box b = WaitForBox();
    EXPECT_EQ(b.text, "To create your screensaver, one or more image files must be specified.");
    EXPECT_EQ(b.icon, UINT(MB_ICONWARNING));
    Answer(b, IDOK);
    EXPECT_EQ(WaitForEnd(s), kNotCreated);
    EXPECT_FALSE(Exists(out + "\\Bare.exe"));

    // An existing setup program is kept when the author says No.
    SmallAlbum();
    Put(out + "\\Bare.exe", "old");
    s.Click(IDC_CREATE_IT);
    b = WaitForBox();
    EXPECT_EQ(b.text, out + "\\Bare.exe already exists.  Replace existing file?");
    EXPECT_EQ(b.icon, UINT(MB_ICONQUESTION));
    Answer(b, IDNO);
    EXPECT_EQ(WaitForEnd(s), kNotCreated);
    EXPECT_EQ(harness::ReadFileBytes(out + "\\Bare.exe"), "old");

    // Without the Setup stub nothing can be built.
    DeleteFileA((kit + "\\setup.ex_").c_str());
    s.Click(IDC_CREATE_IT);
    b = WaitForBox();
    EXPECT_EQ(b.text, "A necessary file (" + kit +
                          "\\setup.ex_) is missing.  You may have to re-install Plinthar to use "
                          "the screensaver authoring tools.");
    EXPECT_EQ(b.icon, UINT(MB_ICONERROR));
    Answer(b, IDOK);
    EXPECT_EQ(WaitForEnd(s), kNotCreated);
    EXPECT_EQ(harness::ReadFileBytes(out + "\\Bare.exe"), "old");

    // "&Test" before anything was built names the missing program.
    DeleteFileA((out + "\\Bare.exe").c_str());
    EnableWindow(s.Control(IDC_CREATE_TEST), TRUE);
    s.Click(IDC_CREATE_TEST);
    b = WaitForBox();
    EXPECT_EQ(b.text, out + "\\Bare.exe has not been created.  Click on Create It to create "
                            "your screensaver.");
    Answer(b, IDOK);
}

TEST_F(CreatePageTest, DistributionSectionOutlivesThePage) {
    harness::WriteIni(g_IniPath, "Distribution", "Publisher", "");
    char user[256] = {};
    DWORD size = sizeof user;
    GetUserNameA(user, &size);
    std::string a = Put(root + "\\a.txt", "aaa"), b = Put(root + "\\b.txt", "bbb");
    harness::WriteIni(g_IniPath, "Distribution", "NumFiles", "3");
    harness::WriteIni(g_IniPath, "Distribution", "File0", a.c_str());
    harness::WriteIni(g_IniPath, "Distribution", "ShortCut0", "First");
    harness::WriteIni(g_IniPath, "Distribution", "File1", "");  // empty entries are dropped
    harness::WriteIni(g_IniPath, "Distribution", "File2", b.c_str());
    {
        SheetRunner s;
        EXPECT_EQ(s.Text(IDC_CREATE_PUBLISHER), user);
        EXPECT_EQ(s.Text(IDC_CREATE_NAME), "My Screen Saver");
        EXPECT_EQ(s.Text(IDC_CREATE_VERSION), "1.0");
        EXPECT_EQ(IsDlgButtonChecked(s.PageWindow(), IDC_CREATE_GROUP), UINT(BST_CHECKED));
        HWND list = s.Control(IDC_CREATE_FILES);
        ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
        // Selecting a file shows its shortcut; leaving the edit stores a new one.
        SendMessageA(list, LB_SETCURSEL, 1, 0);
        SendMessageA(s.PageWindow(), WM_COMMAND, MAKEWPARAM(IDC_CREATE_FILES, LBN_SELCHANGE),
                     LPARAM(list));
        EXPECT_EQ(s.Text(IDC_CREATE_SHORTCUT), "");
        s.SetText(IDC_CREATE_SHORTCUT, "Second");
        SendMessageA(s.PageWindow(), WM_COMMAND, MAKEWPARAM(IDC_CREATE_SHORTCUT, EN_KILLFOCUS),
                     LPARAM(s.Control(IDC_CREATE_SHORTCUT)));
        SendMessageA(list, LB_SETCURSEL, 0, 0);
        SendMessageA(s.PageWindow(), WM_COMMAND, MAKEWPARAM(IDC_CREATE_FILES, LBN_SELCHANGE),
                     LPARAM(list));
        EXPECT_EQ(s.Text(IDC_CREATE_SHORTCUT), "First");
        s.SetText(IDC_CREATE_NAME, "Kept");
        s.SetText(IDC_CREATE_VERSION, "2.1");
        s.SetText(IDC_CREATE_PUBLISHER, "Zed");
        s.Click(IDC_CREATE_GROUP);
        ASSERT_TRUE(s.Close());  // Cancel: the page is destroyed all the same
    }
    auto ini = [&](const char* key) { return harness::ReadIni(g_IniPath, "Distribution", key); };
    EXPECT_EQ(ini("SaverName"), "Kept");
    EXPECT_EQ(ini("Version"), "2.1");
    EXPECT_EQ(ini("Publisher"), "Zed");
    EXPECT_EQ(ini("CreateGroup"), "0");
    EXPECT_EQ(ini("Directory"), out);
    EXPECT_EQ(ini("NumFiles"), "2");
    EXPECT_EQ(ini("File1"), b);
    EXPECT_EQ(ini("ShortCut1"), "Second");
    EXPECT_EQ(ini("File2"), "<missing>");  // nothing left over from the longer list

    SheetRunner again;
    EXPECT_EQ(again.Text(IDC_CREATE_NAME), "Kept");
    EXPECT_EQ(again.Text(IDC_CREATE_PUBLISHER), "Zed");
    EXPECT_EQ(IsDlgButtonChecked(again.PageWindow(), IDC_CREATE_GROUP), UINT(BST_UNCHECKED));
}

// The file dialog of "&Add", answered by typing a path into its name field.
void ChooseInOpenDialog(const std::string& path) {
    HWND dlg = nullptr;
    harness::PumpUntil(
        [&] {
            dlg = FindWindowA("#32770", "Add a file to distribute");
            return dlg && IsWindowVisible(dlg);
        },
        60000);
    ASSERT_TRUE(dlg);
    HWND name = GetDlgItem(dlg, 0x47C);  // the explorer dialog's file name box
    if (!name) name = GetDlgItem(dlg, 0x480);
    ASSERT_TRUE(name);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dlg, IDOK)));
    harness::PumpUntil([&] { return !IsWindow(dlg); }, 60000);
}

TEST_F(CreatePageTest, AddRefusesExecutablesAndRemoveTakesTheSelection) {
    SheetRunner s;
    HWND list = s.Control(IDC_CREATE_FILES);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);

    std::string tool = Put(root + "\\TOOL.EXE", "MZ");
    s.Click(IDC_CREATE_ADD);
    ChooseInOpenDialog(tool);
    Box b = WaitForBox();
    EXPECT_EQ(b.text, "Executable files may not be distributed with your created screensaver.");
    EXPECT_EQ(b.icon, UINT(MB_ICONWARNING));
    Answer(b, IDOK);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);

    struct Case {
        std::string file, shortcut;
    };
    const Case cases[] = {{Put(root + "\\notes.txt", "n"), "notes"},
                          {Put(root + "\\.com", "c"), ""}};  // four characters: accepted
    for (const Case& c : cases) {
        s.Click(IDC_CREATE_ADD);
        ChooseInOpenDialog(c.file);
        harness::PumpUntil([&] { return s.Text(IDC_CREATE_SHORTCUT) == c.shortcut; }, 60000);
        EXPECT_EQ(s.Text(IDC_CREATE_SHORTCUT), c.shortcut) << c.file;
    }
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    char item[MAX_PATH] = {};
    SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(item));
    EXPECT_TRUE(EqualsNoCase(item, cases[0].file)) << item;

    SendMessageA(list, LB_SETCURSEL, 0, 0);
    s.Click(IDC_CREATE_REMOVE);
    harness::PumpUntil([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 1; }, 60000);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(s.Text(IDC_CREATE_SHORTCUT), "");  // the remaining .com, selected
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(harness::ReadIni(g_IniPath, "Distribution", "NumFiles"), "1");
}

// One control of a page as a person sees it.
struct Placed {
    HWND hwnd;
    int id;
    RECT rect;  // in page coordinates
    std::string cls, text;
    LONG style;
};

std::vector<Placed> ControlsOf(HWND page) {
    std::vector<Placed> all;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        Placed p{c, GetDlgCtrlID(c), {}, "", "", GetWindowLongA(c, GWL_STYLE)};
        GetWindowRect(c, &p.rect);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&p.rect), 2);
        char buf[256] = {};
        GetClassNameA(c, buf, sizeof buf);
        p.cls = buf;
        GetWindowTextA(c, buf, sizeof buf);
        p.text = buf;
        all.push_back(p);
    }
    return all;
}

bool IsGroupBox(const Placed& p) {
    return p.cls == "Button" && (p.style & BS_TYPEMASK) == BS_GROUPBOX;
}

// Width of a control's text in its own font, the mnemonic's ampersand left out.
int TextWidth(const Placed& p) {
    HDC dc = GetDC(p.hwnd);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(p.hwnd, WM_GETFONT, 0, 0)));
    RECT r = {0, 0, 0, 0};
    DrawTextA(dc, p.text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(p.hwnd, dc);
    return r.right;
}

TEST_F(CreatePageTest, PageFillsTheSheetWithTextsThatFitNothingOverlappingAndTabsInReadingOrder) {
    SheetRunner s;
    std::vector<Placed> controls = ControlsOf(s.PageWindow());
    RECT page;
    GetClientRect(s.PageWindow(), &page);
    // As wide as the sheet's other pages: 344 dialog units.
    RECT units = {0, 0, 344, 208};
    MapDialogRect(s.PageWindow(), &units);
    EXPECT_EQ(page.right, units.right);
    std::string mnemonics;
    for (HWND c = GetWindow(s.Sheet(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char text[64] = {};
        GetWindowTextA(c, text, sizeof text);
        const char* amp = std::strchr(text, '&');
        if (amp && IsWindowVisible(c)) mnemonics += char(toupper(amp[1]));
    }
    const Placed* previousStop = nullptr;
    for (const Placed& a : controls) {
        RECT inside;
        IntersectRect(&inside, &a.rect, &page);
        EXPECT_TRUE(EqualRect(&inside, &a.rect)) << a.text << " leaves the page";
        for (const Placed& b : controls) {
            if (&a >= &b) continue;
            RECT both;
            if (!IntersectRect(&both, &a.rect, &b.rect)) continue;
            // A group box may only hold others whole.
            const Placed* box = IsGroupBox(a) ? &a : IsGroupBox(b) ? &b : nullptr;
            const Placed* held = box == &a ? &b : &a;
            EXPECT_TRUE(box && EqualRect(&both, &held->rect))
                << "'" << a.text << "' (" << a.id << ") and '" << b.text << "' (" << b.id
                << ") overlap";
        }
        bool labelled = a.cls == "Static" || (a.cls == "Button" && !IsGroupBox(a));
        if (labelled && !a.text.empty()) {
            // Check boxes draw their box and a gap before the text; buttons a border.
            int room = a.rect.right - a.rect.left - ((a.style & BS_TYPEMASK) == BS_AUTOCHECKBOX
                                                         ? 16
                                                         : a.cls == "Button" ? 4 : 0);
            EXPECT_LE(TextWidth(a), room) << "'" << a.text << "' is cut off";
        }
        if (const char* amp = std::strchr(a.text.c_str(), '&')) {
            char key = char(toupper(amp[1]));
            EXPECT_EQ(mnemonics.find(key), std::string::npos)
                << "'" << a.text << "' repeats " << key;
            mnemonics += key;
        }
        if (!(a.style & WS_TABSTOP) || !IsWindowVisible(a.hwnd)) continue;
        if (previousStop) {
            // Reading order: a later row, or further right on the same row.
            int rise = previousStop->rect.top - a.rect.top;
            EXPECT_TRUE(rise < -8 || (rise <= 8 && a.rect.left > previousStop->rect.left))
                << "Tab goes from '" << previousStop->text << "' (" << previousStop->id
                << ") to '" << a.text << "' (" << a.id << ")";
        }
        previousStop = &a;
    }
}

TEST_F(CreatePageTest, InvalidLineIsSkippedOnOkAndCancelTakesTheStubBack) {
    SmallAlbum();
    // A shortcut that is no plain file name spoils its make-file line: the
    // package writer asks about it.
    std::string notes = Put(root + "\\notes.txt", "notes");
    harness::WriteIni(g_IniPath, "Distribution", "NumFiles", "1");
    harness::WriteIni(g_IniPath, "Distribution", "File0", notes.c_str());
    harness::WriteIni(g_IniPath, "Distribution", "ShortCut0", "Docs\\Read Me");
    SheetRunner s;
    Fill(s, "Lines");
    s.Click(IDC_CREATE_IT);
    Box q = WaitForBox("Invalid entry: ");
    EXPECT_EQ(q.text, "Invalid entry: " + notes + ",,INSTALLDIR,Docs\\Read Me.Skip this file?");
    EXPECT_EQ(q.icon, UINT(MB_ICONWARNING));
    EXPECT_TRUE(q.Has(IDOK) && q.Has(IDCANCEL));
    Answer(q, IDCANCEL);
    Box b = WaitForBox("Aborting");
    EXPECT_EQ(b.text, "Aborting");
    Answer(b, IDOK);
    EXPECT_EQ(WaitForEnd(s), kNotCreated);
    EXPECT_TRUE(FilesIn(out).empty());  // neither the stub's copy nor a working file

    s.Click(IDC_CREATE_IT);
    Answer(WaitForBox("Invalid entry: "), IDOK);
    ASSERT_EQ(WaitForEnd(s), kFinished);
    ReadBack rb = ReadPackage(out + "\\Lines.exe");
    ASSERT_TRUE(rb.ok);
    EXPECT_EQ(rb.trailer.entryCount, 5u);
    EXPECT_EQ(rb.headers.back().fileName, "a.jpg");
}

TEST_F(CreatePageTest, ShortcutWithACommaIsRefused) {
    SmallAlbum();
    std::string notes = Put(root + "\\notes.txt", "notes");
    harness::WriteIni(g_IniPath, "Distribution", "NumFiles", "1");
    harness::WriteIni(g_IniPath, "Distribution", "File0", notes.c_str());
    harness::WriteIni(g_IniPath, "Distribution", "ShortCut0", "Read, then enjoy");
    SheetRunner s;
    Fill(s, "Commas");
    s.Click(IDC_CREATE_IT);
    Box b = WaitForBox();
    EXPECT_EQ(b.text, "The shortcut Read, then enjoy may not contain a comma.");
    Answer(b, IDOK);
    EXPECT_EQ(WaitForEnd(s), kNotCreated);
    EXPECT_TRUE(FilesIn(out).empty());
}

// The folder browser shows its title in a static text of its own.
BOOL CALLBACK FindBrowser(HWND w, LPARAM lp) {
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char text[128] = {};
        GetWindowTextA(c, text, sizeof text);
        if (lstrcmpA(text, "Select a directory for the screensaver") == 0 && IsWindowVisible(w)) {
            *reinterpret_cast<HWND*>(lp) = w;
            return FALSE;
        }
    }
    return TRUE;
}

TEST_F(CreatePageTest, DirectoryButtonPutsTheChosenFolderIntoTheField) {
    std::string chosen = root + "\\album";
    SheetRunner s;
    s.SetText(IDC_CREATE_DIRECTORY, out);
    for (bool pressOk : {false, true}) {
        s.Click(IDC_CREATE_BROWSE);
        HWND dlg = nullptr;
        ASSERT_TRUE(harness::PumpUntil(
            [&] {
                dlg = nullptr;
                EnumThreadWindows(GetWindowThreadProcessId(s.Sheet(), nullptr), FindBrowser,
                                  reinterpret_cast<LPARAM>(&dlg));
                return dlg != nullptr;
            },
            60000));
        SendMessageA(dlg, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(chosen.c_str()));
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(pressOk ? IDOK : IDCANCEL, BN_CLICKED), 0);
        ASSERT_TRUE(harness::PumpUntil([&] { return !IsWindow(dlg); }, 60000));
        // Cancel keeps what was typed; OK takes the folder chosen.
        EXPECT_TRUE(EqualsNoCase(s.Text(IDC_CREATE_DIRECTORY), pressOk ? chosen : out))
            << s.Text(IDC_CREATE_DIRECTORY);
    }
}

#ifdef SETUP_EXE
// With the real Setup in front of it, the produced program checks its package
// at start and opens its wizard under the saver's name.
TEST_F(CreatePageTest, SetupStartsWithTheBuiltPackage) {
    ASSERT_TRUE(harness::CopyFileTo(SETUP_EXE, kit + "\\setup.ex_"));
    SmallAlbum();
    {
        SheetRunner s;
        Fill(s, "Real Saver");
        s.Click(IDC_CREATE_IT);
        ASSERT_EQ(WaitForEnd(s), kFinished);
    }
    harness::RunningProgram setup(out + "\\Real Saver.exe", "");
    ASSERT_TRUE(setup.Started());
    EXPECT_TRUE(setup.WaitForWindow("Real Saver Setup", 60000));
}
#endif

#ifdef PLINTHAR_BUILD_EXE
// The page and the command-line builder run the same build steps: given the
// same album, settings and fields they write the same setup program, but for
// the files' times.
TEST_F(CreatePageTest, CommandLineBuilderWritesTheSamePackage) {
    std::string folder = root + "\\folder";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((root + "\\other").c_str(), nullptr);
    Put(pics + "\\a.jpg", Bytes(20000, 3));
    Put(root + "\\other\\a.jpg", Bytes(9000, 4));  // same name, another folder
    Put(folder + "\\b.gif", Bytes(900, 5));
    Put(folder + "\\c.jpg", Bytes(800, 6));
    Put(pics + "\\song.mid", Bytes(700, 7));
    Put(root + "\\bg.bmp", Bytes(3000, 8));
    std::string readme = Put(root + "\\readme.txt", Bytes(1500, 9));
    g_Settings.ImageList = {pics + "\\a.jpg|First", root + "\\other\\a.jpg", folder + "\\"};
    g_Settings.SoundList = {pics + "\\song.mid"};
    g_Settings.background.Image = root + "\\bg.bmp";
    harness::WriteIni(g_IniPath, "Distribution", "NumFiles", "1");
    harness::WriteIni(g_IniPath, "Distribution", "File0", readme.c_str());
    harness::WriteIni(g_IniPath, "Distribution", "ShortCut0", "Read Me");
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(harness::CopyFileTo(DirectoryPart(self) + "\\Plinthar.scr", kit + "\\Plinthar.scr"));
    {
        SheetRunner s;
        Fill(s, "Twins", "2.0");
        s.SetText(IDC_CREATE_PUBLISHER, "Acme");
        s.Click(IDC_CREATE_GROUP);  // no program group
        s.Click(IDC_CREATE_IT);
        ASSERT_EQ(WaitForEnd(s), kFinished);
    }
    // The page saved the album and settings it built from: the tool reads those.
    std::string out2 = root + "\\cli";
    harness::RunResult r = harness::RunProgram(
        PLINTHAR_BUILD_EXE,
        "--album \"" + g_Settings.options.AlbumFile + "\" --settings \"" + g_IniPath +
            "\" --kit \"" + kit + "\" --output \"" + out2 +
            "\" --name Twins --version 2.0 --publisher Acme --no-group --quiet --file \"" +
            readme + "=Read Me\"",
        60000);
    ASSERT_TRUE(r.started);
    ASSERT_FALSE(r.timedOut);
    ASSERT_EQ(r.exitCode, 0u);

    // Both read back, then compared with every header's time field cleared.
    std::string bytes[2];
    const std::string paths[2] = {out + "\\Twins.exe", out2 + "\\Twins.exe"};
    for (int i = 0; i < 2; ++i) {
        bytes[i] = harness::ReadFileBytes(paths[i]);
        MemorySource src(reinterpret_cast<const uint8_t*>(bytes[i].data()), bytes[i].size());
        PackageReader reader(src, bytes[i].size());
        ASSERT_EQ(reader.Open(), PackageResult::Ok) << paths[i];
        ASSERT_EQ(reader.Verify(), PackageResult::Ok) << paths[i];
        EXPECT_EQ(reader.Trailer().entryCount, 11u) << paths[i];
        while (!reader.AtEnd()) {
            PackageEntry e;
            ASSERT_EQ(reader.Next(e), PackageResult::Ok);
            bytes[i].replace(size_t(e.headerOffset) + 1052, 4, 4, '\0');
        }
    }
    EXPECT_EQ(bytes[0].size(), bytes[1].size());
    EXPECT_TRUE(bytes[0] == bytes[1]);
    ReadBack rb = ReadPackage(paths[0]);
    ASSERT_TRUE(rb.ok);
    EXPECT_EQ(rb.trailer.flags, 16u);
    EXPECT_EQ(rb.headers[6].InstallName(), "a_2.jpg");  // the second a.jpg keeps its own name
}
#endif

}  // namespace
