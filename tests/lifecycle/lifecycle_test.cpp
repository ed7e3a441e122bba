// The kit's whole life under Wine, each step through the real program as a
// person takes it: PlintharSetup.exe installs the kit; the installed sheet
// gets pictures (a folder and two captioned files), a sound and a choice of
// effects and builds a saver on its Create page; the saver's setup program
// installs it; the saver runs and shows its pictures and plays its sound; its
// settings page opens; then the saver and the kit are uninstalled and nothing
// of either is left.
//
// With PLINTHAR_SCREENSHOT_DIR set, the pictures of each step are written
// there as BMP files (the README's walk-through).
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/album.h"
#include "common/paths.h"
#include "tests/harness/win_harness.h"
#include "tests/setup/installer/win32/setup_driver.h"

namespace {

// Control identifiers of the programs, as their dialogs define them.
constexpr int kWelcomeText = 2035, kReadmeText = 2108, kFolder = 2008, kLaunch = 2100,
              kMakeActive = 2102;
constexpr int kImageAdd = 1025, kImageList = 1053, kImageClear = 1055, kCaption = 1172,
              kCaptionBottom = 1177, kImageAddFolder = 1033;
constexpr int kSoundAdd = 1047, kSoundList = 1057, kSoundClear = 1036;
constexpr int kEffects = 1271, kEffectsClear = 1035;
constexpr int kCreateName = 1245, kCreateVersion = 1246, kCreateIt = 1247, kCreateDir = 1257,
              kCreatePublisher = 1261, kCreateTest = 1037, kCreateStatus = 1180;
constexpr int kFileName = 1148, kFileNameEdit = 1152;

const std::string kKitDir = "C:\\Program Files\\Plinthar";
const std::string kSaver = "Harbour Lights", kPublisher = "Ann Example";
const std::string kSaverDir = "C:\\Program Files\\Harbour Lights";
const std::string kOutput = "C:\\Savers";

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string WindowsDir() {
    char buf[MAX_PATH] = {};
    GetWindowsDirectoryA(buf, sizeof buf);
    return buf;
}

std::string ProgramsDir() {
    char buf[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, buf, CSIDL_PROGRAMS, FALSE);
    return buf;
}

// The text of a window of another process (GetWindowText reads only the
// title of such a window, not a control's text).
std::string TextOf(HWND w) {
    char buf[1024] = {};
    DWORD_PTR got = 0;
    SendMessageTimeoutA(w, WM_GETTEXT, sizeof buf, LPARAM(buf), SMTO_ABORTIFHUNG, 10000, &got);
    return buf;
}

// Sets the text of a control of another process (SetWindowText would not).
void SetText(HWND w, const char* text) {
    DWORD_PTR got = 0;
    SendMessageTimeoutA(w, WM_SETTEXT, 0, LPARAM(text), SMTO_ABORTIFHUNG, 10000, &got);
}

void Click(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
}

void Key(HWND w, UINT vk) {
    PostMessageA(w, WM_KEYDOWN, vk, 1);
    PostMessageA(w, WM_KEYUP, vk, 0xC0000001);
}

void Type(HWND edit, const std::string& text) {
    for (char c : text)
        PostMessageA(edit, WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
}

HWND WaitForDialog(DWORD pid, const char* title, bool box, DWORD timeoutMs = 30000) {
    HWND w = nullptr;
    harness::PumpUntil([&] { return (w = FindDialogOf(pid, title, box)) != nullptr; }, timeoutMs);
    return w;
}

// The message box text, then the button.
std::string AnswerBox(HWND box, int button) {
    std::string text = TextOf(GetDlgItem(box, 0xFFFF));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(box, button)));
    harness::PumpUntil([&] { return !IsWindow(box); }, 10000);
    return text;
}

HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// Brings up the sheet's page that holds control `id`, tab by tab.
HWND PageWith(HWND sheet, int id) {
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    int count = int(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        SendMessageA(sheet, PSM_SETCURSEL, WPARAM(i), 0);
        HWND page = CurrentPage(sheet);
        if (page && GetDlgItem(page, id)) return page;
    }
    return nullptr;
}

int ListBoxCount(HWND list) {
    return int(SendMessageA(list, LB_GETCOUNT, 0, 0));
}

// Chooses one row of a multiple-selection list box as a click does, telling
// its page.  Everything is posted, so that it reaches the program in order
// with the keys that follow (a sent message would overtake them).
void SelectRow(HWND page, int id, int row) {
    HWND list = GetDlgItem(page, id);
    PostMessageA(list, LB_SETSEL, FALSE, -1);
    PostMessageA(list, LB_SETSEL, TRUE, row);
    PostMessageA(list, LB_SETCARETINDEX, row, FALSE);
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), LPARAM(list));
}

// A picture: stripes of a colour and a darker shade of it, so that a
// screenshot holds many pixels of exactly `rgb`.
std::string Bitmap(int w, int h, uint32_t rgb) {
    return harness::BitmapFile24(w, h, [&](int x, int y) {
        return ((x + h - 1 - y) / 24) % 3 == 2 ? (rgb >> 1) & 0x7F7F7F : rgb;
    });
}

// A wave file: 1.5 seconds of a 440 Hz tone, 22050 Hz, 16-bit mono.
std::string Tone() {
    const int rate = 22050;
    std::vector<int16_t> samples(rate * 3 / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(12000 * std::sin(6.283185307 * 440.0 * double(i) / rate));
    return harness::WaveFile16(1, rate, samples);
}

// Writes what the screen shows of `w` (or the whole screen) as a BMP into
// PLINTHAR_SCREENSHOT_DIR, when that is set.
void Shot(HWND w, const std::string& name) {
    const char* dir = std::getenv("PLINTHAR_SCREENSHOT_DIR");
    if (!dir || !*dir) return;
    RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (w) {
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        harness::PumpFor(300);
        GetWindowRect(w, &r);
    }
    harness::WriteFileBytes(std::string(dir) + "\\" + name + ".bmp", harness::ScreenBitmap(r));
}

// Drives a Setup wizard from its first page to Finish and waits for it to end.
// The program group's folder window that the shell then opens is the caller's
// to close (CloseFolderWindows): its title is the saver's name, which other
// windows of the saver share.
void RunWizard(const std::string& setup, const std::string& name, bool readme,
               const std::string& folder, bool launch, bool makeActive, const std::string& shots) {
    SetupDriver d(setup);
    ASSERT_TRUE(d.Sheet(name + " Setup")) << setup;
    ASSERT_TRUE(d.WaitForPage(kWelcomeText));
    Shot(d.Sheet(name + " Setup"), shots + "-welcome");
    d.Press(PSBTN_NEXT);
    if (readme) {
        ASSERT_TRUE(d.WaitForPage(kReadmeText)) << "kit mode shows the read-me";
        Shot(d.Sheet(name + " Setup"), shots + "-readme");
        d.Press(PSBTN_NEXT);
    }
    ASSERT_TRUE(d.WaitForPage(kFolder));
    EXPECT_EQ(d.Text(kFolder), folder) << "the default folder";
    d.SetCheck(kLaunch, launch);
    d.SetCheck(kMakeActive, makeActive);
    Shot(d.Sheet(name + " Setup"), shots + "-destination");
    d.Press(PSBTN_FINISH);
    ASSERT_TRUE(d.WaitForExit(120000));
}

// Starts the registered uninstall command as Add/Remove Programs does, answers
// its questions and waits until the installation folder is gone.
void Uninstall(const std::string& name, const std::string& folder) {
    std::string command = harness::RegistryText(
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name, "UninstallString");
    ASSERT_EQ(command, folder + "\\Uninstall.exe");
    PROCESS_INFORMATION pi = {};
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    int answered = 0;
    harness::PumpUntil(
        [&] {
            if (HWND box = FindDialogOf(pi.dwProcessId, nullptr, true)) {
                EXPECT_EQ(TextOf(box), name + " Uninstall");
                AnswerBox(box, GetDlgItem(box, IDYES) ? IDYES : IDOK);
                ++answered;
            }
            return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
        },
        120000);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u);
    EXPECT_GE(answered, 1) << "it asks before it removes";
    EXPECT_TRUE(harness::PumpUntil([&] { return !Exists(folder); }, 60000)) << folder;
}

// Pixels of the screen that have exactly one of the colours.
int CountColours(const harness::Surface32& s, const std::vector<uint32_t>& colours) {
    int n = 0;
    for (int y = 0; y < s.Height(); y += 2)
        for (int x = 0; x < s.Width(); x += 2)
            for (uint32_t c : colours)
                n += s.At(x, y) == c;
    return n;
}

TEST(Lifecycle, FromInstallingTheKitToUninstallingASaverBuiltWithIt) {
    // Links saved by Setup must not become menu entries of the host.
    SetEnvironmentVariableA("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d");
    const std::string windows = WindowsDir(), programs = ProgramsDir();
    const std::string systemIni = JoinPath(windows, "system.ini");
    const std::string kitScr = JoinPath(windows, "Plinthar.scr");
    const std::string saverScr = JoinPath(windows, kSaver + ".scr");
    // A run that stopped midway leaves what it installed: its own uninstall
    // commands take it away first, so the next run starts as on a fresh machine.
    const std::pair<std::string, std::string> installed[] = {{kSaver, kSaverDir},
                                                             {"Plinthar", kKitDir}};
    for (const auto& [name, folder] : installed) {
        std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
        if (harness::RegistryText(key, "UninstallString")[0] != '<') Uninstall(name, folder);
    }
    ASSERT_FALSE(Exists(kKitDir)) << "a kit is installed already (delete this build's wine folder)";

    // What the author brings: a folder of holiday pictures, two pictures to
    // caption and a tune.
    const uint32_t sea = 0x1E64C8, sand = 0xE6C850, harbour = 0xC83228, lights = 0x28B43C;
    CreateDirectoryA("C:\\Pictures", nullptr);
    CreateDirectoryA("C:\\Pictures\\Holiday", nullptr);
    CreateDirectoryA("C:\\Music", nullptr);
    ASSERT_TRUE(harness::WriteFileBytes("C:\\Pictures\\Holiday\\sea.bmp", Bitmap(480, 360, sea)));
    ASSERT_TRUE(harness::WriteFileBytes("C:\\Pictures\\Holiday\\sand.bmp", Bitmap(480, 360, sand)));
    ASSERT_TRUE(harness::WriteFileBytes("C:\\Pictures\\harbour.bmp", Bitmap(480, 360, harbour)));
    ASSERT_TRUE(harness::WriteFileBytes("C:\\Pictures\\lights.bmp", Bitmap(480, 360, lights)));
    ASSERT_TRUE(harness::WriteFileBytes("C:\\Music\\tune.wav", Tone()));
    DeleteFileA((kOutput + "\\" + kSaver + ".exe").c_str());

    // 1. The kit's own setup program, run from a download folder.
    std::string download = harness::MakeTempDir("lifecycle-download");
    std::string kitSetup = download + "\\PlintharSetup.exe";
    ASSERT_TRUE(harness::CopyFileTo(KIT_SETUP_EXE, kitSetup));
    // The wizard's own choices stay: the kit becomes the active screensaver
    // and its settings open.
    RunWizard(kitSetup, "Plinthar", true, kKitDir, true, true, "kit-setup");
    if (HasFatalFailure()) {
        CloseFolderWindows("Plinthar", 20000);
        return;
    }
    char shortKitScr[MAX_PATH] = {};
    GetShortPathNameA(kitScr.c_str(), shortKitScr, sizeof shortKitScr);
    EXPECT_EQ(harness::ReadIni(systemIni, "boot", "scrnsave.exe"), shortKitScr);
    HWND launched = nullptr;
    EXPECT_TRUE(harness::PumpUntil(
        [&] {
            return (launched = FindWindowA("#32770", "Plinthar Setup - Plinthar.alb")) != nullptr;
        },
        30000))
        << "the kit's settings did not open after the installation";
    if (launched) {
        DWORD pid = 0;
        GetWindowThreadProcessId(launched, &pid);
        EXPECT_EQ(FindDialogOf(pid, nullptr, true), nullptr) << "a warning beside the sheet";
        PostMessageA(launched, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        EXPECT_TRUE(harness::PumpUntil([&] { return !IsWindow(launched); }, 20000));
    }
    EXPECT_TRUE(CloseFolderWindows("Plinthar", 20000)) << "the program group is shown";
    for (const char* name : {"Plinthar.exe", "Plinthar.scr", "Plinthar.ini", "Plinthar.alb",
                             "setup.ex_", "Uninstall.exe", "ReadMe.txt", "title.bmp"})
        EXPECT_TRUE(Exists(JoinPath(kKitDir, name))) << name;
    EXPECT_TRUE(Exists(kitScr));
    EXPECT_TRUE(Exists(programs + "\\Plinthar\\Plinthar.lnk"));
    EXPECT_EQ(harness::RegistryText("Software\\Quorvane\\Plinthar\\App", "InstallDirectory"),
              kKitDir);

    // 2. The installed sheet opens on the demo album without a word of warning.
    {
        SetupDriver kit(kKitDir + "\\Plinthar.exe");
        const DWORD pid = kit.Program().Id();
        HWND sheet = kit.Sheet("Plinthar Setup - Plinthar.alb");
        ASSERT_TRUE(sheet) << "the sheet did not open";
        HWND warning = FindDialogOf(pid, nullptr, true);
        ASSERT_EQ(warning, nullptr) << TextOf(GetDlgItem(warning, 0xFFFF));

        // Images: the demo's pictures go, a folder and two captioned pictures come.
        HWND page = PageWith(sheet, kImageAdd);
        ASSERT_TRUE(page);
        Click(GetDlgItem(page, kImageClear));
        HWND box = WaitForDialog(pid, nullptr, true);
        ASSERT_TRUE(box);
        AnswerBox(box, IDYES);
        ASSERT_TRUE(harness::PumpUntil(
            [&] { return ListBoxCount(GetDlgItem(page, kImageList)) == 0; }, 10000));

        Click(GetDlgItem(page, kImageAdd));
        HWND open = WaitForDialog(pid, "Select image files or directories", false);
        ASSERT_TRUE(open);
        HWND name = GetDlgItem(open, kFileName) ? GetDlgItem(open, kFileName)
                                                : GetDlgItem(open, kFileNameEdit);
        SetText(name, "C:\\Pictures\\Holiday");
        PostMessageA(open, WM_COMMAND, IDOK, 0);
        // A picture chosen in the folder lets "Add Directory" take the folder.
        HWND files = nullptr;
        ASSERT_TRUE(harness::PumpUntil(
            [&] {
                HWND view = FindWindowExA(open, nullptr, "SHELLDLL_DefView", nullptr);
                files = view ? FindWindowExA(view, nullptr, "SysListView32", nullptr) : nullptr;
                return files && SendMessageA(files, LVM_GETITEMCOUNT, 0, 0) == 2;
            },
            20000));
        HWND panel = nullptr;
        for (HWND c = FindWindowExA(open, nullptr, "#32770", nullptr); c && !panel;
             c = FindWindowExA(open, c, "#32770", nullptr))
            if (GetDlgItem(c, kImageAddFolder)) panel = c;
        ASSERT_TRUE(panel);
        HWND addFolder = GetDlgItem(panel, kImageAddFolder);
        ASSERT_TRUE(harness::PumpUntil(
            [&] {
                Key(files, VK_HOME);
                harness::PumpFor(200);
                return IsWindowEnabled(addFolder) != FALSE;
            },
            20000));
        Shot(open, "album-image-open");
        Click(addFolder);
        harness::PumpUntil([&] { return !IsWindowEnabled(addFolder); }, 10000);
        SetText(name, "C:\\Pictures\\harbour.bmp");
        PostMessageA(open, WM_COMMAND, IDOK, 0);
        HWND list = GetDlgItem(page, kImageList);
        ASSERT_TRUE(harness::PumpUntil([&] { return ListBoxCount(list) == 2; }, 20000))
            << ListBoxCount(list) << " rows";
        Click(GetDlgItem(page, kImageAdd));
        open = WaitForDialog(pid, "Select image files or directories", false);
        ASSERT_TRUE(open);
        name = GetDlgItem(open, kFileName) ? GetDlgItem(open, kFileName)
                                           : GetDlgItem(open, kFileNameEdit);
        SetText(name, "C:\\Pictures\\lights.bmp");
        PostMessageA(open, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(harness::PumpUntil([&] { return ListBoxCount(list) == 3; }, 20000))
            << ListBoxCount(list) << " rows";
        // Captions as a person gives them: a click on the row, a click into
        // the caption box (which selects its text), the words.
        HWND caption = GetDlgItem(page, kCaption);
        const char* captions[] = {"The harbour at dusk", "Lights on the water"};
        for (int row = 1; row <= 2; ++row) {
            PostMessageA(page, WM_NEXTDLGCTL, WPARAM(list), TRUE);
            SelectRow(page, kImageList, row);
            PostMessageA(page, WM_NEXTDLGCTL, WPARAM(caption), TRUE);
            Type(caption, captions[row - 1]);
            EXPECT_TRUE(
                harness::PumpUntil([&] { return TextOf(caption) == captions[row - 1]; }, 10000))
                << "the caption box holds " << TextOf(caption);
        }
        PostMessageA(page, WM_NEXTDLGCTL, WPARAM(list), TRUE);
        SelectRow(page, kImageList, 0);
        Click(GetDlgItem(page, kCaptionBottom));
        harness::PumpFor(300);
        Shot(sheet, "album-images");

        // Sounds: the tune instead of the demo's.
        page = PageWith(sheet, kSoundAdd);
        ASSERT_TRUE(page);
        Click(GetDlgItem(page, kSoundClear));
        box = WaitForDialog(pid, nullptr, true);
        ASSERT_TRUE(box);
        AnswerBox(box, IDYES);
        Click(GetDlgItem(page, kSoundAdd));
        open = WaitForDialog(pid, "Select sound files or directories", false);
        ASSERT_TRUE(open);
        name = GetDlgItem(open, kFileName) ? GetDlgItem(open, kFileName)
                                           : GetDlgItem(open, kFileNameEdit);
        SetText(name, "C:\\Music\\tune.wav");
        PostMessageA(open, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(harness::PumpUntil(
            [&] { return ListBoxCount(GetDlgItem(page, kSoundList)) == 1; }, 20000));
        Shot(sheet, "album-sounds");

        // Slideshow: two effects only, the first and the third.
        page = PageWith(sheet, kEffects);
        ASSERT_TRUE(page);
        Click(GetDlgItem(page, kEffectsClear));
        harness::PumpFor(300);
        HWND effects = GetDlgItem(page, kEffects);
        PostMessageA(page, WM_NEXTDLGCTL, WPARAM(effects), TRUE);
        Key(effects, VK_HOME);
        Key(effects, VK_SPACE);
        Key(effects, VK_DOWN);
        Key(effects, VK_DOWN);
        Key(effects, VK_SPACE);
        harness::PumpFor(500);
        Shot(sheet, "album-slideshow");

        // Create Your Saver.
        page = PageWith(sheet, kCreateIt);
        ASSERT_TRUE(page);
        SetDlgItemTextA(page, kCreateName, kSaver.c_str());
        SetDlgItemTextA(page, kCreateVersion, "1.0");
        SetDlgItemTextA(page, kCreatePublisher, kPublisher.c_str());
        SetDlgItemTextA(page, kCreateDir, kOutput.c_str());
        Shot(sheet, "sheet-create-your-saver");
        Click(GetDlgItem(page, kCreateIt));
        ASSERT_TRUE(harness::PumpUntil(
            [&] {
                if (HWND b = FindDialogOf(pid, nullptr, true))
                    ADD_FAILURE() << "the build asks: " << AnswerBox(b, IDOK);
                return IsWindowEnabled(GetDlgItem(page, kCreateTest)) != FALSE;
            },
            300000))
            << TextOf(GetDlgItem(page, kCreateStatus));
        Shot(sheet, "sheet-create");
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        ASSERT_TRUE(kit.WaitForExit(30000));
    }
    const std::string saverSetup = kOutput + "\\" + kSaver + ".exe";
    ASSERT_TRUE(Exists(saverSetup));

    // 3. The saver's setup program, made the active screensaver.
    RunWizard(saverSetup, kSaver, false, kSaverDir, false, true, "saver-setup");
    CloseFolderWindows(kSaver, 20000);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(Exists(saverScr));
    const std::string saverIni = JoinPath(kSaverDir, kSaver + ".ini");
    EXPECT_EQ(harness::ReadIni(saverIni, "Slide", "Effects"), "1010000000000000000000000000000000");
    // The folder's pictures and the captioned ones, all beside the saver now.
    std::string albumBytes = harness::ReadFileBytes(JoinPath(kSaverDir, kSaver + ".alb"));
    std::vector<std::string> images, sounds;
    DecodeAlbum(reinterpret_cast<const uint8_t*>(albumBytes.data()), albumBytes.size(), images,
                sounds);
    std::sort(images.begin(), images.end());
    EXPECT_EQ(images, (std::vector<std::string>{"\\harbour.bmp|The harbour at dusk",
                                                "\\lights.bmp|Lights on the water", "\\sand.bmp",
                                                "\\sea.bmp"}));
    EXPECT_EQ(sounds, std::vector<std::string>{"\\tune.wav"});
    char shortScr[MAX_PATH] = {};
    GetShortPathNameA(saverScr.c_str(), shortScr, sizeof shortScr);
    EXPECT_EQ(harness::ReadIni(systemIni, "boot", "scrnsave.exe"), shortScr);

    // 4. The saver runs: its pictures on the screen, its tune in the sound output.
    {
        const char* capture = std::getenv("PLINTHAR_AUDIO_CAPTURE");
        ASSERT_TRUE(capture && *capture) << "no sound capture in this session";
        harness::StartAudioCapture();
        harness::RunningProgram saver(saverScr, "/s");
        ASSERT_TRUE(saver.Started());
        harness::Surface32 screen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        int seen = 0;
        bool pictures = harness::PumpUntil(
            [&] {
                screen.GrabScreen();
                seen = CountColours(screen, {sea, sand, harbour, lights});
                return seen > 5000;
            },
            120000);
        EXPECT_TRUE(pictures) << "only " << seen << " pixels of the pictures";
        // And one of the captioned two whole on the screen (its transition
        // over), for the picture of the running saver: 480 x 360 pixels, every
        // fourth counted, two thirds of them in the picture's own colour.
        EXPECT_TRUE(harness::PumpUntil(
            [&] {
                screen.GrabScreen();
                return CountColours(screen, {harbour, lights}) > 25000;
            },
            120000));
        Shot(nullptr, "saver-running");
        // Half a second from the middle of the tune, sample for sample (the sine
        // does not repeat within it, so nothing else can match).
        const std::string tune = Tone().substr(44 + 2 * 11025 / 2, 2 * 11025);
        EXPECT_TRUE(harness::FindInCapture(tune, 60000))
            << "captured " << harness::CapturedAudio().size() << " bytes, none of them the tune's";
        // A key ends it.
        HWND top = GetForegroundWindow();
        if (top) Key(top, VK_SPACE);
        if (!saver.WaitForExit(20000)) ADD_FAILURE() << "the saver did not end on a key";
    }

    // 5. Its settings page, in created-saver mode.
    {
        SetupDriver settings(saverScr);
        HWND sheet = settings.Sheet(kSaver + " Setup");
        ASSERT_TRUE(sheet);
        EXPECT_EQ(FindDialogOf(settings.Program().Id(), nullptr, true), nullptr);
        HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
        EXPECT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 1) << "one page: Settings";
        Shot(sheet, "saver-settings");
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        EXPECT_TRUE(settings.WaitForExit(20000));
    }

    // 6. Uninstall the saver, then the kit.
    Uninstall(kSaver, kSaverDir);
    Uninstall("Plinthar", kKitDir);
    for (const std::string& gone :
         std::vector<std::string>{kKitDir, kSaverDir, kitScr, saverScr, programs + "\\Plinthar",
                                  programs + "\\" + kSaver})
        EXPECT_FALSE(Exists(gone)) << gone;
    for (const std::string& key : std::vector<std::string>{
             "Software\\Quorvane", "Software\\" + kPublisher,
             "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Plinthar",
             "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kSaver})
        EXPECT_EQ(harness::RegistryText(key, ""), "<no key>") << key;
    EXPECT_EQ(harness::RegistryText("Software\\Microsoft\\Windows\\Help", "Plinthar.hlp"),
              "<no value>");
    EXPECT_EQ(harness::ReadIni(systemIni, "boot", "scrnsave.exe"), "<missing>");
    // The author's own files stay theirs; the test takes them away.
    EXPECT_TRUE(Exists(saverSetup));
    for (const char* file : {"C:\\Pictures\\Holiday\\sea.bmp", "C:\\Pictures\\Holiday\\sand.bmp",
                             "C:\\Pictures\\harbour.bmp", "C:\\Pictures\\lights.bmp",
                             "C:\\Music\\tune.wav", saverSetup.c_str()})
        EXPECT_TRUE(DeleteFileA(file)) << file;
    for (const char* folder :
         {"C:\\Pictures\\Holiday", "C:\\Pictures", "C:\\Music", kOutput.c_str()})
        EXPECT_TRUE(RemoveDirectoryA(folder)) << folder;
}

} // namespace
