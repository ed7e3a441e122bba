// The setup sheet and its Options page as a user drives them: the sheet runs
// modally on a thread of its own, exactly as in the program, while the test
// presses its buttons, clicks its controls, answers its boxes and dialogs and
// reads the settings file and the album it writes.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "app/album.h"
#include "app/app_info.h"
#include "app/settings.h"
#include "app/settings_win32.h"
#include "authoring/authoring_ids.h"
#include "authoring/color_palette.h"
#include "authoring/color_picker_win32.h"
#include "authoring/main_page_win32.h"
#include "authoring/setup_sheet_win32.h"
#include "tests/harness/win_harness.h"
#include "win32/application.h"

namespace {

const DWORD kWait = 15000;

// The build folder reaches tests with forward slashes; the file dialogs refuse them.
std::string TempDir(const std::string& name) {
    std::string dir = harness::MakeTempDir(name);
    for (char& c : dir)
        if (c == '/') c = '\\';
    return dir;
}

std::string AsString(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A 2 x 2 24-bit bitmap the saver can show.
std::string TinyBitmap() {
    std::string b(54 + 16, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, uint32_t(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    b[26] = 1;
    b[28] = 24;
    for (size_t i = 54; i < b.size(); ++i) b[i] = char(0x80);
    return b;
}

// Finds a visible window of a thread by class and text (either may be null).
struct Finder {
    const char* cls;
    const char* text;
    HWND found = nullptr;
};
BOOL CALLBACK FindOne(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<Finder*>(lp);
    char cls[64] = {}, text[256] = {};
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, text, sizeof text);
    if (IsWindowVisible(w) && (!f->cls || lstrcmpA(cls, f->cls) == 0) &&
        (!f->text || lstrcmpA(text, f->text) == 0)) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForThreadWindow(DWORD thread, const char* cls, const char* text, DWORD ms = kWait) {
    Finder f{cls, text};
    harness::PumpUntil(
        [&] {
            f.found = nullptr;
            EnumThreadWindows(thread, FindOne, reinterpret_cast<LPARAM>(&f));
            return f.found != nullptr;
        },
        ms);
    return f.found;
}

std::string TextOf(HWND w) {
    char buf[512] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

// The settings of a fresh installation in a folder of its own.
struct Kit {
    std::string dir, ini, album;
    explicit Kit(const std::string& name) {
        dir = TempDir("sheet-" + name);
        ini = dir + "\\Plinthar.ini";
        album = dir + "\\Plinthar.alb";
        harness::WriteFileBytes(ini, "[Options]\r\n");
        harness::WriteFileBytes(album, AsString(EncodeAlbum({}, {})));
        g_Settings = Settings();
        g_AppInfo = AppInfo();
        g_AppInfo.AppName = "Plinthar";
        g_AppInfo.Version = "2.02";
        g_InstallDir = dir;
        g_IniPath = ini;
        g_Settings.options.AlbumFile = album;
        g_Settings.options.LastAlbumDir = dir;
        g_Settings.options.LastImageDir = dir;
        Application::Get().SetInstance(GetModuleHandleA(nullptr));
        Application::Get().SetTitle("Plinthar");
    }
    std::string Ini(const char* section, const char* key) const {
        return harness::ReadIni(ini, section, key);
    }
};

// The sheet, running modally on its own thread as the program runs it.
class SheetRun {
  public:
    explicit SheetRun(int optionsPages = 1) : sheet_("Plinthar", false) {
        sheet_.AddPage(SheetSlot::Options, &options_);
        if (optionsPages > 1) sheet_.AddPage(SheetSlot::Slideshow, &second_);
        thread_ = CreateThread(nullptr, 0, Body, this, 0, &threadId_);
        harness::PumpUntil([&] { return sheet_.Handle() && IsWindowVisible(sheet_.Handle()); }, kWait);
        hwnd_ = sheet_.Handle();
    }
    ~SheetRun() {
        if (WaitForSingleObject(thread_, 0) != WAIT_OBJECT_0) {
            PostMessageA(hwnd_, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            WaitForSingleObject(thread_, kWait);
        }
        CloseHandle(thread_);
    }
    HWND Sheet() const { return hwnd_; }
    DWORD Thread() const { return threadId_; }
    HWND Page() const { return options_.Handle(); }
    HWND Control(int id) const { return GetDlgItem(Page(), id); }
    CSetupSheet& Object() { return sheet_; }
    // Presses OK or Cancel and waits for the sheet to close.
    bool Close(int button) {
        PostMessageA(hwnd_, PSM_PRESSBUTTON, WPARAM(button), 0);
        return WaitForSingleObject(thread_, kWait) == WAIT_OBJECT_0;
    }
    void Click(int id) { SendMessageA(Control(id), BM_CLICK, 0, 0); }
    bool Checked(int id) { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void Select(int id, int item) {
        SendMessageA(Control(id), CB_SETCURSEL, WPARAM(item), 0);
        PostMessageA(Page(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), LPARAM(Control(id)));
    }
    INT_PTR Result() const { return result_; }

  private:
    static DWORD WINAPI Body(LPVOID p) {
        auto* self = static_cast<SheetRun*>(p);
        self->result_ = self->sheet_.Run(nullptr);
        return 0;
    }
    CSetupSheet sheet_;
    CMainPage options_, second_;
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    HWND hwnd_ = nullptr;
    std::atomic<INT_PTR> result_{-1};
};

// Answers the next message box of the sheet's thread; returns its text.
std::string AnswerBox(DWORD thread, int button) {
    HWND box = WaitForThreadWindow(thread, "#32770", "Plinthar");
    if (!box) return "<no box>";
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(box, button)));
    harness::PumpUntil([&] { return !IsWindow(box); }, kWait);
    return text;
}

// Types a name into a common file dialog and confirms it.
// The file-name edit: edt1, or the edit inside the cmb13 combo box.
BOOL CALLBACK FindNameEdit(HWND w, LPARAM lp) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    int id = GetDlgCtrlID(w);
    if (lstrcmpiA(cls, "Edit") == 0 && (id == 0x47c || id == 0x480)) {
        *reinterpret_cast<HWND*>(lp) = w;
        return FALSE;
    }
    return TRUE;
}

// Types a name into a common file dialog and confirms it.
void ConfirmFileDialog(HWND dialog, const std::string& name) {
    HWND edit = nullptr;
    EnumChildWindows(dialog, FindNameEdit, reinterpret_cast<LPARAM>(&edit));
    ASSERT_NE(edit, nullptr);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
}

TEST(SetupSheet, CaptionButtonsAndSystemMenu) {
    Kit kit("caption");
    SheetRun run;
    ASSERT_NE(run.Sheet(), nullptr);
    EXPECT_EQ(TextOf(run.Sheet()), "Plinthar Setup - Plinthar.alb");
    HMENU sys = GetSystemMenu(run.Sheet(), FALSE);
    EXPECT_TRUE(GetMenuState(sys, SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
    struct Button {
        int id;
        const char* text;
    } buttons[] = {{106, "&Load Album..."}, {109, "&Save Album As..."}, {102, "&Preview"}};
    RECT ok, prev = {};
    GetWindowRect(GetDlgItem(run.Sheet(), IDOK), &ok);
    for (const Button& b : buttons) {
        HWND w = GetDlgItem(run.Sheet(), b.id);
        ASSERT_NE(w, nullptr) << b.text;
        EXPECT_EQ(TextOf(w), b.text);
        RECT r;
        GetWindowRect(w, &r);
        EXPECT_EQ(r.top, ok.top) << b.text;
        EXPECT_EQ(r.bottom, ok.bottom) << b.text;
        EXPECT_EQ(r.right - r.left, (ok.right - ok.left) * 6 / 5) << b.text;
        EXPECT_GE(r.left, prev.right) << b.text << " overlaps the button before it";
        prev = r;
    }
    EXPECT_LE(prev.right, ok.left) << "the extra buttons run into OK";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(run.Sheet(), 0x3021)));  // no Apply
}

TEST(SetupSheet, PreviewNeedsImageEntries) {
    Kit kit("preview-enable");
    {
        SheetRun run;
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(run.Sheet(), 102)));
    }
    g_Settings.ImageList = {"\\a.bmp"};
    SheetRun run;
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(run.Sheet(), 102)));
}

// Settings the Options page shows and saves back, none of them the default.
void StoreOddSettings() {
    Settings& s = g_Settings;
    s.options.CheckString = "010001001001100101111111100110110011010";
    s.background.Style = 2;
    s.background.GradientColor1 = 0x123456;
    s.background.GradientColor2 = 0x654321;
    s.background.GradientBrightness = 77;
    s.background.GradientFlag = 0x10063;
    s.background.Image = "C:\\pics\\sunset.bmp";
    s.keyboard.Size = 2;
    s.keyboard.Position = 1;
    s.keyboard.GradientColor1 = 0xABCDEF;
    s.floats.Speed = 7;
    s.floats.Count = 12;
    s.floats.Bounds = 250;
    s.floats.Duration = 9;
}

TEST(OptionsPage, ControlsShowTheSettingsAndOkWritesThemBack) {
    Kit kit("options-roundtrip");
    StoreOddSettings();
    std::string checks = g_Settings.options.CheckString;
    SheetRun run;
    const int ids[] = {10000, 10001, 10002, 10003, 10004, 10005, 10006, 10007, 10008, 10011, 10034, 10038};
    for (int id : ids) EXPECT_EQ(run.Checked(id), checks[size_t(id - 10000)] == '1') << id;
    EXPECT_TRUE(run.Checked(IDC_STYLE_DESKTOP));
    EXPECT_FALSE(run.Checked(IDC_STYLE_TILE));
    EXPECT_EQ(SendMessageA(run.Control(IDC_SPEED), TBM_GETPOS, 0, 0), 7);
    EXPECT_EQ(TextOf(run.Control(IDC_COUNT_EDIT)), "12");
    EXPECT_EQ(TextOf(run.Control(IDC_BOUNDS_EDIT)), "250");
    EXPECT_EQ(TextOf(run.Control(IDC_DURATION_EDIT)), "9");
    EXPECT_EQ(TextOf(run.Control(IDC_IMAGE_NAME)), "(sunset.bmp)");
    EXPECT_EQ(SendMessageA(run.Control(IDC_KEYBOARD_SIZE), CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(SendMessageA(run.Control(IDC_KEYBOARD_POSITION), CB_GETCURSEL, 0, 0), 1);
    EXPECT_FALSE(IsWindowVisible(run.Control(IDC_KEYBOARD_SIZE)));

    // The user changes a few things and presses OK.
    run.Click(10002);
    run.Click(IDC_STYLE_FULL);
    SendMessageA(run.Control(IDC_SPEED), TBM_SETPOS, TRUE, 15);
    SetWindowTextA(run.Control(IDC_COUNT_EDIT), "33");
    ASSERT_TRUE(run.Close(PSBTN_OK));
    checks[2] = checks[2] == '1' ? '0' : '1';
    EXPECT_EQ(kit.Ini("Options", "CheckString"), checks);
    EXPECT_EQ(kit.Ini("Background", "Style"), "1");
    EXPECT_EQ(kit.Ini("Background", "GradientColor1"), std::to_string(0x123456));
    EXPECT_EQ(kit.Ini("Background", "GradientColor2"), std::to_string(0x654321));
    EXPECT_EQ(kit.Ini("Background", "GradientBrightness"), "77");
    EXPECT_EQ(kit.Ini("Background", "GradientFlag"), std::to_string(0x10063));
    EXPECT_EQ(kit.Ini("Keyboard", "Size"), "2");
    EXPECT_EQ(kit.Ini("Keyboard", "Position"), "1");
    EXPECT_EQ(kit.Ini("Keyboard", "GradientColor1"), std::to_string(0xABCDEF));
    EXPECT_EQ(kit.Ini("Float", "Speed"), "15");
    EXPECT_EQ(kit.Ini("Float", "Count"), "33");
    EXPECT_EQ(kit.Ini("Float", "Bounds"), "250");
    EXPECT_EQ(kit.Ini("Float", "Duration"), "9");
}

TEST(OptionsPage, CancelWritesNothing) {
    Kit kit("options-cancel");
    SheetRun run;
    run.Click(10000);
    SetWindowTextA(run.Control(IDC_COUNT_EDIT), "40");
    ASSERT_TRUE(run.Close(PSBTN_CANCEL));
    EXPECT_EQ(kit.Ini("Options", "CheckString"), "<missing>");
    EXPECT_EQ(kit.Ini("Float", "Count"), "<missing>");
    EXPECT_FALSE(run.Object().SettingsModified());
}

TEST(OptionsPage, AlphabeticalAndRandomExcludeEachOther) {
    Kit kit("options-order");
    SheetRun run;
    struct Step {
        int click;
        bool alphabetical, random;
    } steps[] = {
        {IDC_ALPHABETICAL, true, false},  // default: random on, alphabetical off
        {IDC_RANDOM, false, true},
        {IDC_RANDOM, false, false},       // clearing one leaves both clear
        {IDC_ALPHABETICAL, true, false},
        {IDC_ALPHABETICAL, false, false},
    };
    for (const Step& s : steps) {
        run.Click(s.click);
        EXPECT_EQ(run.Checked(IDC_ALPHABETICAL), s.alphabetical) << s.click;
        EXPECT_EQ(run.Checked(IDC_RANDOM), s.random) << s.click;
    }
}

TEST(OptionsPage, SpinsWithoutANumberSaveTheirDefaults) {
    Kit kit("options-spins");
    g_Settings.floats.Count = 20;
    g_Settings.floats.Bounds = 300;
    g_Settings.floats.Duration = 30;
    SheetRun run;
    for (int id : {IDC_COUNT_EDIT, IDC_BOUNDS_EDIT, IDC_DURATION_EDIT}) SetWindowTextA(run.Control(id), "");
    ASSERT_TRUE(run.Close(PSBTN_OK));
    EXPECT_EQ(kit.Ini("Float", "Count"), "5");
    EXPECT_EQ(kit.Ini("Float", "Bounds"), "100");
    EXPECT_EQ(kit.Ini("Float", "Duration"), "2");
}

TEST(OptionsPage, CustomKeyboardSizeStartsAtTheSmallestAndRefusesOutOfRange) {
    Kit kit("options-keyboard");
    g_Settings.keyboard.Width = 120;
    g_Settings.keyboard.Height = 30;
    SheetRun run;
    run.Select(IDC_KEYBOARD_SIZE, 3);
    HWND dialog = WaitForThreadWindow(run.Thread(), "#32770", "Select keyboard size in pixels");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_KEYBOARD_WIDTH)), "200");
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_KEYBOARD_HEIGHT)), "50");
    struct Entry {
        const char *width, *height, *refusal;
    } entries[] = {
        {"199", "50", "Please enter an integer between 200 and 1600."},
        {"1601", "50", "Please enter an integer between 200 and 1600."},
        {"640", "1201", "Please enter an integer between 50 and 1200."},
        {"640", "abc", "Please enter an integer between 50 and 1200."},
    };
    for (const Entry& e : entries) {
        SetWindowTextA(GetDlgItem(dialog, IDC_KEYBOARD_WIDTH), e.width);
        SetWindowTextA(GetDlgItem(dialog, IDC_KEYBOARD_HEIGHT), e.height);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ(AnswerBox(run.Thread(), IDOK), e.refusal) << e.width << " x " << e.height;
        EXPECT_TRUE(IsWindow(dialog));
    }
    SetWindowTextA(GetDlgItem(dialog, IDC_KEYBOARD_WIDTH), "1600");
    SetWindowTextA(GetDlgItem(dialog, IDC_KEYBOARD_HEIGHT), "1200");
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    harness::PumpUntil([&] { return !IsWindow(dialog); }, kWait);
    ASSERT_TRUE(run.Close(PSBTN_OK));
    EXPECT_EQ(kit.Ini("Keyboard", "Size"), "3");
    EXPECT_EQ(kit.Ini("Keyboard", "Width"), "1600");
    EXPECT_EQ(kit.Ini("Keyboard", "Height"), "1200");
}

TEST(OptionsPage, SelectImageTakesThePictureAndRemembersItsFolder) {
    Kit kit("options-image");
    std::string pictures = TempDir("sheet-options-pictures");
    harness::WriteFileBytes(pictures + "\\sunset.bmp", TinyBitmap());
    SheetRun run;
    EXPECT_EQ(TextOf(run.Control(IDC_IMAGE_NAME)), "(None)");
    PostMessageA(run.Page(), WM_COMMAND, MAKEWPARAM(IDC_SELECT_IMAGE, BN_CLICKED), 0);
    HWND dialog = WaitForThreadWindow(run.Thread(), "#32770", "Select the background image");
    ASSERT_NE(dialog, nullptr);
    ConfirmFileDialog(dialog, pictures + "\\sunset.bmp");
    harness::PumpUntil([&] { return TextOf(run.Control(IDC_IMAGE_NAME)) == "(sunset.bmp)"; }, kWait);
    EXPECT_EQ(TextOf(run.Control(IDC_IMAGE_NAME)), "(sunset.bmp)");
    EXPECT_EQ(kit.Ini("Options", "LastImageDir"), pictures + "\\");
    EXPECT_EQ(kit.Ini("Background", "Image"), "<missing>");
    ASSERT_TRUE(run.Close(PSBTN_OK));
    EXPECT_EQ(kit.Ini("Background", "Image"), pictures + "\\sunset.bmp");
}

TEST(OptionsPage, ResetDefaultsAsksFirst) {
    Kit kit("options-reset");
    StoreOddSettings();
    SheetRun run;
    PostMessageA(run.Page(), WM_COMMAND, MAKEWPARAM(IDC_RESET_DEFAULTS, BN_CLICKED), 0);
    EXPECT_EQ(AnswerBox(run.Thread(), IDNO),
              "This will restore parameters to their original values.  Continue?");
    EXPECT_EQ(TextOf(run.Control(IDC_COUNT_EDIT)), "12");
    PostMessageA(run.Page(), WM_COMMAND, MAKEWPARAM(IDC_RESET_DEFAULTS, BN_CLICKED), 0);
    AnswerBox(run.Thread(), IDYES);
    EXPECT_EQ(TextOf(run.Control(IDC_COUNT_EDIT)), "5");
    EXPECT_EQ(SendMessageA(run.Control(IDC_SPEED), TBM_GETPOS, 0, 0), 10);
    EXPECT_TRUE(run.Checked(IDC_STYLE_TILE));
    ASSERT_TRUE(run.Close(PSBTN_OK));
    EXPECT_EQ(kit.Ini("Options", "CheckString"), kDefaultCheckString);
    EXPECT_EQ(kit.Ini("Background", "GradientColor1"), "0");
}

TEST(SetupSheet, SaveAlbumAsRewritesRelativeEntriesForTheNewFolder) {
    Kit kit("album-save");
    std::string oldDir = TempDir("sheet-album-old");
    std::string newDir = TempDir("sheet-album-new");
    g_Settings.options.AlbumFile = oldDir + "\\mine.alb";
    g_Settings.ImageList = {"\\pics\\a.jpg|Beach", "C:\\abs\\b.gif"};
    g_Settings.SoundList = {"\\music\\s.mid"};
    SheetRun run;
    PostMessageA(run.Sheet(), WM_COMMAND, MAKEWPARAM(109, BN_CLICKED), 0);
    HWND dialog = WaitForThreadWindow(run.Thread(), "#32770", "Save the current album file as");
    ASSERT_NE(dialog, nullptr);
    ConfirmFileDialog(dialog, newDir + "\\party");
    harness::PumpUntil([&] { return TextOf(run.Sheet()) == "Plinthar Setup - party.alb"; }, kWait);
    EXPECT_EQ(TextOf(run.Sheet()), "Plinthar Setup - party.alb");
    std::string bytes = harness::ReadFileBytes(newDir + "\\party.alb");
    std::vector<std::string> images, sounds;
    ASSERT_EQ(DecodeAlbum(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), images, sounds),
              AlbumResult::Ok);
    EXPECT_EQ(images, (std::vector<std::string>{oldDir + "\\pics\\a.jpg|Beach", "C:\\abs\\b.gif"}));
    EXPECT_EQ(sounds, (std::vector<std::string>{oldDir + "\\music\\s.mid"}));
    // The folder is remembered at once, even if the sheet is cancelled.
    EXPECT_EQ(kit.Ini("Options", "LastAlbumDir"), newDir);
    ASSERT_TRUE(run.Close(PSBTN_CANCEL));
    EXPECT_EQ(kit.Ini("Options", "AlbumFile"), "<missing>");
}

TEST(SetupSheet, LoadAlbumEnablesPreviewAndRenamesTheSheet) {
    Kit kit("album-load");
    std::string other = kit.dir + "\\holiday.alb";
    harness::WriteFileBytes(other, AsString(EncodeAlbum({"\\x.bmp"}, {"\\y.wav"})));
    SheetRun run;
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(run.Sheet(), 102)));
    PostMessageA(run.Sheet(), WM_COMMAND, MAKEWPARAM(106, BN_CLICKED), 0);
    HWND dialog = WaitForThreadWindow(run.Thread(), "#32770", "Select an album file");
    ASSERT_NE(dialog, nullptr);
    ConfirmFileDialog(dialog, other);
    harness::PumpUntil([&] { return IsWindowEnabled(GetDlgItem(run.Sheet(), 102)) != 0; }, kWait);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(run.Sheet(), 102)));
    EXPECT_EQ(TextOf(run.Sheet()), "Plinthar Setup - holiday.alb");
    ASSERT_TRUE(run.Close(PSBTN_OK));
    EXPECT_EQ(g_Settings.ImageList, std::vector<std::string>{"\\x.bmp"});
    EXPECT_EQ(kit.Ini("Options", "AlbumFile"), other);
}

TEST(SetupSheet, LoadAlbumRefusesAFileThatIsNoAlbum) {
    Kit kit("album-refuse");
    std::string notes = kit.dir + "\\notes.alb";
    // Shaped like an album, but "alb" is not "ALB".
    const std::string text("\x03" "alb\0\0\0\0 my notes", 17);
    harness::WriteFileBytes(notes, text);
    g_Settings.ImageList = {"\\keep.bmp"};
    SheetRun run;
    PostMessageA(run.Sheet(), WM_COMMAND, MAKEWPARAM(106, BN_CLICKED), 0);
    HWND dialog = WaitForThreadWindow(run.Thread(), "#32770", "Select an album file");
    ASSERT_NE(dialog, nullptr);
    ConfirmFileDialog(dialog, notes);
    EXPECT_EQ(AnswerBox(run.Thread(), IDOK), notes + " is not an album file.");
    EXPECT_EQ(TextOf(run.Sheet()), "Plinthar Setup - Plinthar.alb");
    ASSERT_TRUE(run.Close(PSBTN_OK));
    // OK wrote the album it had, not over the refused file.
    EXPECT_EQ(harness::ReadFileBytes(notes), text);
    EXPECT_EQ(g_Settings.ImageList, std::vector<std::string>{"\\keep.bmp"});
    EXPECT_EQ(kit.Ini("Options", "LastAlbumDir"), kit.dir);
}

TEST(SetupSheet, PreviewRunsTheSaverAndComesBack) {
    Kit kit("preview-run");
    harness::WriteFileBytes(kit.dir + "\\a.bmp", TinyBitmap());
    g_Settings.ImageList = {"\\a.bmp"};
    g_Settings.options.CheckString[0] = '0';  // slideshow only
    g_Settings.options.CheckString[2] = '0';  // silent
    SheetRun run;
    // The saver sees the controls as they stand, not as stored.
    SetWindowTextA(run.Control(IDC_COUNT_EDIT), "17");
    PostMessageA(run.Sheet(), WM_COMMAND, MAKEWPARAM(102, BN_CLICKED), 0);
    HWND saver = WaitForThreadWindow(run.Thread(), nullptr, "FS_PICTUREBOX");
    ASSERT_NE(saver, nullptr);
    EXPECT_EQ(Application::Get().MainWindow() == run.Sheet(), false);
    EXPECT_EQ(g_Settings.floats.Count, 17);
    harness::PumpFor(300);
    PostMessageA(saver, WM_KEYDOWN, VK_ESCAPE, 0);
    harness::PumpUntil([&] { return !IsWindow(saver); }, kWait);
    EXPECT_FALSE(IsWindow(saver));
    harness::PumpUntil([&] { return Application::Get().MainWindow() == run.Sheet(); }, kWait);
    EXPECT_EQ(Application::Get().MainWindow(), run.Sheet());
    EXPECT_TRUE(IsWindowVisible(run.Sheet()));
    // Nothing was written to disk by the preview.
    EXPECT_EQ(kit.Ini("Float", "Count"), "<missing>");
    ASSERT_TRUE(run.Close(PSBTN_OK));
    EXPECT_EQ(kit.Ini("Float", "Count"), "17");
}

BOOL CALLBACK CollectControls(HWND w, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}

TEST(SetupSheet, EveryControlHasATooltip) {
    Kit kit("tooltips");
    SheetRun run;
    // The tooltip window is hidden until it shows a tip: look for it by owner.
    HWND tips = nullptr;
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w && !tips; w = GetWindow(w, GW_HWNDNEXT)) {
        char cls[64] = {};
        GetClassNameA(w, cls, sizeof cls);
        if (lstrcmpA(cls, TOOLTIPS_CLASSA) == 0 && GetWindow(w, GW_OWNER) == run.Sheet()) tips = w;
    }
    ASSERT_NE(tips, nullptr);
    std::vector<HWND> controls;
    EnumChildWindows(run.Page(), CollectControls, reinterpret_cast<LPARAM>(&controls));
    int expected = 0;
    for (HWND c : controls) {
        char cls[32] = {};
        GetClassNameA(c, cls, sizeof cls);
        int id = GetDlgCtrlID(c);
        if (GetParent(c) != run.Page() || lstrcmpiA(cls, "Static") == 0 || id <= 0 ||
            (lstrcmpiA(cls, "Button") == 0 && (GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX))
            continue;
        ++expected;
        EXPECT_FALSE(Application::Get().LoadText(UINT(id)).empty()) << "control " << id;
    }
    EXPECT_GE(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), expected + 3);
}

TEST(SetupSheet, HelpDescribesTheCurrentPage) {
    Kit kit("help");
    SheetRun run;
    PostMessageA(run.Sheet(), PSM_PRESSBUTTON, PSBTN_HELP, 0);
    std::string text = AnswerBox(run.Thread(), IDOK);
    EXPECT_EQ(text.rfind("Options: ", 0), 0u) << text;
}

// ---- the colour popup ----

HWND OpenPopup(SheetRun& run) {
    SendMessageA(run.Control(IDC_BACK_COLOR), CB_SHOWDROPDOWN, TRUE, 0);
    return WaitForThreadWindow(run.Thread(), CColorPopup::kClassName, nullptr);
}

void ClickPopup(HWND popup, int x, int y) {
    PostMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(popup, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    harness::PumpUntil([&] { return !IsWindow(popup); }, kWait);
}

TEST(ColorPopup, OpensBelowTheComboWithThePaletteAndPicksACell) {
    Kit kit("popup");
    SheetRun run;
    HWND popup = OpenPopup(run);
    ASSERT_NE(popup, nullptr);
    RECT combo, window, client;
    GetWindowRect(run.Control(IDC_BACK_COLOR), &combo);
    GetWindowRect(popup, &window);
    GetClientRect(popup, &client);
    EXPECT_EQ(window.left, combo.left);
    EXPECT_EQ(window.top, combo.bottom);
    PopupLayout layout;
    EXPECT_EQ(client.right, layout.width);
    EXPECT_EQ(client.bottom, layout.height);
    POINT origin = {0, 0};
    ClientToScreen(popup, &origin);
    harness::Surface32 shot(layout.width, layout.height);
    const auto& palette = PickerPalette();
    const int entries[] = {0, 3, 4, 21, 48, 63};
    auto cellColour = [&](int entry) {
        PopupRect cell = layout.Cell(entry % 8, entry / 8);
        return shot.At(cell.left + 6, cell.top + 6);
    };
    auto paletteRgb = [&](int entry) {
        uint32_t bgr = palette[size_t(entry)];
        return (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF);
    };
    // The popup paints when its turn comes: look until it shows, however loaded the machine.
    harness::PumpUntil(
        [&] {
            shot.GrabScreen(origin.x, origin.y);
            for (int entry : entries)
                if (cellColour(entry) != paletteRgb(entry)) return false;
            return true;
        },
        kWait);
    for (int entry : entries) {
        PopupRect cell = layout.Cell(entry % 8, entry / 8);
        EXPECT_EQ(cellColour(entry), paletteRgb(entry)) << "entry " << entry;
        EXPECT_EQ(shot.At(cell.left, cell.top), 0x8C8C8Cu) << "frame of entry " << entry;
    }
    // Entry 21 is column 5 of row 2.
    PopupRect cell = layout.Cell(5, 2);
    ClickPopup(popup, cell.left + 3, cell.top + 3);
    ASSERT_TRUE(run.Close(PSBTN_OK));
    EXPECT_EQ(kit.Ini("Background", "GradientColor1"), std::to_string(palette[21]));
}

TEST(ColorPopup, ClickOutsideKeepsTheColourAndEscapeCloses) {
    Kit kit("popup-dismiss");
    g_Settings.background.GradientColor1 = 0x00FF00;
    SheetRun run;
    HWND popup = OpenPopup(run);
    ASSERT_NE(popup, nullptr);
    ClickPopup(popup, -20, -20);
    EXPECT_FALSE(IsWindow(popup));
    popup = OpenPopup(run);
    ASSERT_NE(popup, nullptr);
    PostMessageA(run.Control(IDC_BACK_COLOR), WM_KEYDOWN, VK_ESCAPE, 0);
    harness::PumpUntil([&] { return !IsWindow(popup); }, kWait);
    EXPECT_FALSE(IsWindow(popup));
    ASSERT_TRUE(run.Close(PSBTN_OK));
    EXPECT_EQ(kit.Ini("Background", "GradientColor1"), std::to_string(0x00FF00));
}

TEST(ColorPopup, MoreColorsOpensTheColourDialog) {
    Kit kit("popup-more");
    SheetRun run;
    HWND popup = OpenPopup(run);
    ASSERT_NE(popup, nullptr);
    PopupLayout layout;
    // The popup stays (hidden) until the colour dialog closes.
    PostMessageA(popup, WM_LBUTTONUP, 0, MAKELPARAM(layout.more.left + 20, layout.more.top + 5));
    HWND dialog = WaitForThreadWindow(run.Thread(), "#32770", "Color");
    ASSERT_NE(dialog, nullptr);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(harness::PumpUntil([&] { return !IsWindow(dialog) && !IsWindow(popup); }, kWait));
    ASSERT_TRUE(run.Close(PSBTN_CANCEL));
}

// ---- resources ----

TEST(SetupSheet, NoGdiLeakWhileSwitchingPages) {
    Kit kit("leak-pages");
    SheetRun run(2);
    harness::ExpectNoGdiLeak([&] {
        SendMessageA(run.Sheet(), PSM_SETCURSEL, 1, 0);
        SendMessageA(run.Sheet(), PSM_SETCURSEL, 0, 0);
    });
}

TEST(ColorPopup, NoGdiLeakWhenOpenedAgainAndAgain) {
    Kit kit("leak-popup");
    SheetRun run;
    PopupLayout layout;
    PopupRect cell = layout.Cell(3, 3);
    int opened = 0;
    harness::ExpectNoGdiLeak([&] {
        HWND popup = OpenPopup(run);
        ASSERT_NE(popup, nullptr) << "after " << opened << " openings";
        ++opened;
        ClickPopup(popup, cell.left + 2, cell.top + 2);
    });
}

}  // namespace
