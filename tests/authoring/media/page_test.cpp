// The Images and Sounds pages inside the real setup sheet: the sheet runs on
// the test's thread as in the program while a second thread clicks, selects
// and types, answers the questions and works the open dialogs; OK writes the
// album, which the tests read back from the disk.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "app/album.h"
#include "app/settings.h"
#include "app/settings_win32.h"
#include "authoring/media/image_page_win32.h"
#include "authoring/media/media_resource.h"
#include "authoring/media/sound_page_win32.h"
#include "authoring/setup_sheet_win32.h"
#include "tests/authoring/media/media_test_util.h"
#include "win32/application.h"

using namespace mediatest;

namespace {

// An album folder with its settings file; the process's settings point there.
struct Album {
    std::string dir;
    explicit Album(const char* name) : dir(harness::MakeTempDir(name)) {
        std::replace(dir.begin(), dir.end(), '/', '\\');
        g_Settings = Settings();
        g_InstallDir = dir;
        g_IniPath = dir + "\\Plinthar.ini";
        g_Settings.options.AlbumFile = dir + "\\album.alb";
        g_Settings.options.LastImageDir = dir;
        g_Settings.options.LastSoundDir = dir;
        Application::Get().SetTitle("Plinthar");
    }
    std::string Put(const std::string& name, const std::string& bytes) const {
        std::string path = dir + "\\" + name;
        EXPECT_TRUE(harness::WriteFileBytes(path, bytes));
        return path;
    }
    void MakeFolder(const std::string& name) const {
        CreateDirectoryA((dir + "\\" + name).c_str(), nullptr);
    }
    // The album file as OK left it.
    void Read(std::vector<std::string>* images, std::vector<std::string>* sounds) const {
        std::string bytes = harness::ReadFileBytes(g_Settings.options.AlbumFile);
        ASSERT_EQ(DecodeAlbum(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), *images,
                              *sounds),
                  AlbumResult::Ok);
    }
};

struct Pages {
    CImagePage images;
    CSoundPage sounds;
    CSetupSheet sheet{"Plinthar", false};
    Pages() {
        sheet.AddPage(SheetSlot::Images, &images);
        sheet.AddPage(SheetSlot::Sounds, &sounds);
    }
};

HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

HWND ShowPage(HWND sheet, int index) {
    SendMessageA(sheet, PSM_SETCURSEL, WPARAM(index), 0);
    return CurrentPage(sheet);
}

void PressSheet(HWND sheet, int button) { PostMessageA(sheet, PSM_PRESSBUTTON, WPARAM(button), 0); }

// Runs the sheet here while `script` drives it from a second thread; the script
// ends by pressing OK or Cancel.
INT_PTR RunDriven(Pages& p, const std::function<void(HWND sheet)>& script) {
    DWORD ui = GetCurrentThreadId();
    UiCall call;
    INT_PTR result = -1;
    Drive(
        [&] {
            HWND sheet = nullptr;
            bool shown = WaitFor([&] {
                std::vector<HWND> d = DialogsOf(ui);
                sheet = d.empty() ? nullptr : d.front();
                return sheet && CurrentPage(sheet);
            });
            ASSERT_TRUE(shown);
            // The sheet makes the Sounds page itself once it is up; a tab
            // chosen before that would race it.
            ASSERT_TRUE(WaitFor([&] {
                return call.Get<bool>([&] { return p.images.HasWindow() && p.sounds.HasWindow(); });
            }));
            script(sheet);
            // Whatever a failed script left open is cancelled, so that the
            // sheet's run ends.
            WaitFor([&] {
                if (!IsWindow(sheet)) return true;
                for (HWND d : DialogsOf(ui))
                    if (d != sheet) PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
                PressSheet(sheet, PSBTN_CANCEL);
                Sleep(200);
                return !IsWindow(sheet);
            });
        },
        [&] { result = p.sheet.Run(nullptr); });
    return result;
}

void ClickLater(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void Answer(HWND box, int button) { PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

// The names in the open dialog's file-name box, in the order it lists them.
std::vector<std::string> NamesInDialog(HWND dialog) {
    HWND edit = GetDlgItem(dialog, 1148);  // cmb13: the file-name combo
    if (!edit) edit = GetDlgItem(dialog, 1152);
    std::string text = TextOf(edit), cur;
    std::vector<std::string> names;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            if (quoted) names.push_back(cur);
            cur.clear();
            quoted = !quoted;
        } else if (quoted) {
            cur += c;
        }
    }
    return names;
}

}  // namespace

TEST(ImagesPage, LoadAndSaveRoundTripThroughTheAlbum) {
    Album a("images-roundtrip");
    g_Settings.ImageList = {"\\pics\\a.bmp|Sunset over the bay", "D:\\more\\", "C:\\x.gif"};
    g_Settings.SoundList = {"\\music\\", "C:\\s.wav"};
    g_Settings.caption.Position = 1;
    SetOption(IDC_FILENAME_CAPTION, 1);
    SetOption(IDC_GRAYSCALE, 0);
    Pages p;
    std::vector<std::string> shown;
    INT_PTR r = RunDriven(p, [&](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        shown = ListBoxRows(GetDlgItem(page, IDC_IMAGE_LIST));
        SendMessageA(GetDlgItem(page, IDC_CAPTION_BOTTOM), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(page, IDC_GRAYSCALE), BM_CLICK, 0, 0);
        PressSheet(sheet, PSBTN_OK);
    });
    EXPECT_GT(r, 0);
    EXPECT_EQ(shown, (std::vector<std::string>{"\\pics\\a.bmp", "D:\\more\\", "C:\\x.gif"}));
    std::vector<std::string> images, sounds;
    a.Read(&images, &sounds);
    EXPECT_EQ(images, (std::vector<std::string>{"\\pics\\a.bmp|Sunset over the bay", "D:\\more\\",
                                                "C:\\x.gif"}));
    EXPECT_EQ(sounds, (std::vector<std::string>{"\\music\\", "C:\\s.wav"}));
    EXPECT_EQ(g_Settings.caption.Position, 2);
    EXPECT_TRUE(IsOptionOn(IDC_GRAYSCALE));
    EXPECT_TRUE(IsOptionOn(IDC_FILENAME_CAPTION));
    EXPECT_EQ(harness::ReadIni(g_IniPath, "Caption", "Position"), "2");
}

TEST(ImagesPage, CaptionPlaceholderIsShownButNeverStored) {
    Album a("images-caption");
    a.Put("one.bmp", BmpFile(20, 10, 0x808080));
    a.Put("two.bmp", BmpFile(20, 10, 0x404040));
    g_Settings.ImageList = {"\\one.bmp", "\\two.bmp|Old", "\\three.bmp|Keep"};
    SetOption(IDC_IMAGE_PREVIEW_CHECK, 1);
    Pages p;
    std::string placeholder, second;
    bool pictureShown = false;
    RunDriven(p, [&](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        HWND list = GetDlgItem(page, IDC_IMAGE_LIST), edit = GetDlgItem(page, IDC_CAPTION_EDIT);
        // Row 0: the placeholder shows; passing through the edit stores nothing.
        SelectListRows(list, {0});
        placeholder = TextOf(edit);
        HWND area = GetDlgItem(page, IDC_IMAGE_PREVIEW_AREA);
        HWND box = FindWindowExA(area, nullptr, nullptr, "FS_PICTUREBOX");
        pictureShown = box && IsWindowVisible(box);
        FocusControl(page, edit);
        FocusControl(page, list);
        // Row 1: typed text replaces the caption (the focus selected it all).
        SelectListRows(list, {1});
        second = TextOf(edit);
        FocusControl(page, edit);
        Type(edit, "  Beach ");
        FocusControl(page, list);
        // Row 2: its caption emptied by the author.
        SelectListRows(list, {2});
        FocusControl(page, edit);
        SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 0);
        SendMessageA(edit, WM_CLEAR, 0, 0);
        FocusControl(page, list);
        PressSheet(sheet, PSBTN_OK);
    });
    EXPECT_EQ(placeholder, "Enter caption here");
    EXPECT_EQ(second, "Old");
    EXPECT_TRUE(pictureShown);
    std::vector<std::string> images, sounds;
    a.Read(&images, &sounds);
    EXPECT_EQ(images, (std::vector<std::string>{"\\one.bmp", "\\two.bmp|Beach", "\\three.bmp"}));
}

TEST(ImagesPage, AddDirectoriesAndFilesRemoveAndClear) {
    Album a("images-add");
    a.MakeFolder("pics");
    a.Put("pics\\a.bmp", BmpFile(8, 8, 0x112233));
    a.Put("pics\\b.bmp", BmpFile(8, 8, 0x223344));
    a.Put("pics\\c.bmp", BmpFile(8, 8, 0x334455));
    g_Settings.ImageList = {"C:\\first.bmp"};
    g_Settings.options.LastImageDir = a.dir + "\\pics";
    Pages p;
    DWORD ui = GetCurrentThreadId();
    std::vector<std::string> afterAdd, afterRemove, afterNo, afterYes, dialogOrder;
    std::vector<std::string> afterCancel;
    bool clearDisabled = false, removeDisabled = false;
    RunDriven(p, [&](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        HWND list = GetDlgItem(page, IDC_IMAGE_LIST);
        ClickLater(GetDlgItem(page, IDC_IMAGE_ADD));
        HWND d = FindTopWindow("Select image files or directories");
        ASSERT_TRUE(d);
        ASSERT_TRUE(SelectInDialog(d, "a.bmp"));
        HWND add = GetDlgItem(PanelOf(d), IDC_IMAGE_ADD_DIRECTORY);
        ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(add) != FALSE; }));
        Click(add);
        ASSERT_TRUE(SelectManyInDialog(d, {"a.bmp", "b.bmp", "c.bmp"}));
        WaitFor([&] { return NamesInDialog(d).size() == 3; }, 5000);
        dialogOrder = NamesInDialog(d);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        WaitFor([&] { return ListBoxRows(list).size() == 5; });
        afterAdd = ListBoxRows(list);

        // Cancel after adding a folder: the folder still comes in.
        ClickLater(GetDlgItem(page, IDC_IMAGE_ADD));
        d = FindTopWindow("Select image files or directories");
        ASSERT_TRUE(d);
        ASSERT_TRUE(SelectInDialog(d, "b.bmp"));
        add = GetDlgItem(PanelOf(d), IDC_IMAGE_ADD_DIRECTORY);
        ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(add) != FALSE; }));
        Click(add);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        WaitFor([&] { return ListBoxRows(list).size() == 6; });
        afterCancel = ListBoxRows(list);

        // Remove rows 2 and 4: both named rows go.
        SelectListRows(list, {2, 4});
        SendMessageA(GetDlgItem(page, IDC_IMAGE_REMOVE), BM_CLICK, 0, 0);
        afterRemove = ListBoxRows(list);
        removeDisabled = !IsWindowEnabled(GetDlgItem(page, IDC_IMAGE_REMOVE));

        // Clear asks first; No keeps the list.
        const char* question = "This will remove all items from the list. Continue?";
        ClickLater(GetDlgItem(page, IDC_IMAGE_CLEAR));
        HWND box = WaitForMessageBox(ui, question);
        ASSERT_TRUE(box);
        Answer(box, IDNO);
        WaitFor([&] { return !IsWindow(box); });
        afterNo = ListBoxRows(list);
        ClickLater(GetDlgItem(page, IDC_IMAGE_CLEAR));
        box = WaitForMessageBox(ui, question);
        ASSERT_TRUE(box);
        Answer(box, IDYES);
        WaitFor([&] { return ListBoxRows(list).empty(); });
        afterYes = ListBoxRows(list);
        clearDisabled = !IsWindowEnabled(GetDlgItem(page, IDC_IMAGE_CLEAR));
        PressSheet(sheet, PSBTN_CANCEL);
    });
    ASSERT_EQ(dialogOrder.size(), 3u);
    std::vector<std::string> want = {"C:\\first.bmp", "\\pics\\"};
    for (auto it = dialogOrder.rbegin(); it != dialogOrder.rend(); ++it)
        want.push_back("\\pics\\" + *it);
    EXPECT_EQ(afterAdd, want);
    want.push_back("\\pics\\");
    EXPECT_EQ(afterCancel, want);
    std::vector<std::string> removed = want;
    removed.erase(removed.begin() + 4);
    removed.erase(removed.begin() + 2);
    EXPECT_EQ(afterRemove, removed);
    EXPECT_TRUE(removeDisabled);
    EXPECT_EQ(afterNo, removed);
    EXPECT_TRUE(afterYes.empty());
    EXPECT_TRUE(clearDisabled);
    // The folder of the files chosen, written at once.
    EXPECT_EQ(harness::ReadIni(g_IniPath, "Options", "LastImageDir"), a.dir + "\\pics");
}

TEST(SoundsPage, PreviewPlaysAndMovesOnToTheNextPlayableRow) {
    Album a("sounds-preview");
    a.MakeFolder("music");
    a.Put("one.wav", WaveFile(3000, 100));
    a.Put("two.wav", WaveFile(3000, 2000));
    a.Put("notes.txt", "not a sound");
    g_Settings.SoundList = {"\\music\\", "\\one.wav", "\\two.wav", "\\notes.txt"};
    g_Settings.options.InstrumentString = "1010000000000001";
    SetOption(IDC_SOUND_PREVIEW_CHECK, 1);
    Pages p;
    UiCall ui;
    int endsAtChainEnd = 0, playIndexAtEnd = -1, endsLater = 0;
    bool capturedTwo = false, stoppedAtOnce = false;
    std::string status;
    RunDriven(p, [&](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        // The sheet opened the page and its preview began with the first file
        // row; one.wav ends, two.wav follows, notes.txt ends the chain.
        auto ends = [&] { return ui.Get<int>([&] { return p.sounds.Player().endsReported(); }); };
        ASSERT_TRUE(WaitFor([&] { return ends() >= 2; }))
            << ends() << " ends; status " << TextOf(GetDlgItem(page, IDC_SOUND_STATUS)) << " ("
            << ui.Get<int>([&] { return p.sounds.Player().lastError(); }) << ")";
        capturedTwo = harness::FindInCapture(WaveSamples(3000, 2000), 10000);
        Sleep(300);
        endsAtChainEnd = ui.Get<int>([&] { return p.sounds.Player().endsReported(); });
        playIndexAtEnd = ui.Get<int>([&] { return p.sounds.PlayIndex(); });
        status = TextOf(GetDlgItem(page, IDC_SOUND_STATUS));
        // Selecting two.wav plays it; the row after it is notes.txt, which
        // ends the chain again after one more end.
        SelectListRows(GetDlgItem(page, IDC_SOUND_LIST), {2});
        WaitFor([&] { return ui.Get<int>([&] { return p.sounds.Player().endsReported(); }) >= 3; });
        endsLater = ui.Get<int>([&] { return p.sounds.Player().endsReported(); });
        // Clearing "Preview" while a file plays stops it at once.
        SelectListRows(GetDlgItem(page, IDC_SOUND_LIST), {1});
        SendMessageA(GetDlgItem(page, IDC_SOUND_PREVIEW_CHECK), BM_CLICK, 0, 0);
        stoppedAtOnce = !ui.Get<bool>([&] { return p.sounds.Player().playing(); });
        PressSheet(sheet, PSBTN_OK);
    });
    EXPECT_TRUE(capturedTwo);
    EXPECT_EQ(endsAtChainEnd, 2);
    EXPECT_EQ(playIndexAtEnd, 3);
    EXPECT_EQ(status, "two.wav");
    EXPECT_EQ(endsLater, 3);
    EXPECT_TRUE(stoppedAtOnce);
    // Saved: the rows, the cleared check and the instrument families untouched.
    std::vector<std::string> images, sounds;
    a.Read(&images, &sounds);
    EXPECT_EQ(sounds, (std::vector<std::string>{"\\music\\", "\\one.wav", "\\two.wav", "\\notes.txt"}));
    EXPECT_FALSE(IsOptionOn(IDC_SOUND_PREVIEW_CHECK));
    EXPECT_EQ(g_Settings.options.InstrumentString, "1010000000000001");
}

TEST(SoundsPage, LastPlayableRowWrapsToTheFirstAndHiddenFamiliesStillWork) {
    Album a("sounds-wrap");
    a.Put("one.wav", WaveFile(2000, 300));
    a.Put("two.wav", WaveFile(2000, 600));
    g_Settings.SoundList = {"\\one.wav", "\\two.wav", "\\folder\\"};
    SetOption(IDC_SOUND_PREVIEW_CHECK, 0);
    Pages p;
    UiCall ui;
    std::vector<std::string> played;
    RunDriven(p, [&](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        SendMessageA(GetDlgItem(page, IDC_INSTRUMENTS_NONE), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(page, IDC_INSTRUMENTS_DEFAULTS), BM_CLICK, 0, 0);
        SelectListRows(GetDlgItem(page, IDC_SOUND_LIST), {1});
        SendMessageA(GetDlgItem(page, IDC_SOUND_PREVIEW_CHECK), BM_CLICK, 0, 0);
        // two.wav plays, then the preview passes the folder row and wraps to
        // one.wav, then two.wav again.
        auto file = [&] { return ui.Get<std::string>([&] { return p.sounds.Player().fileName(); }); };
        for (const char* name : {"two.wav", "one.wav", "two.wav"}) {
            std::string want = a.dir + "\\" + name;
            if (WaitFor([&] { return file() == want; })) played.push_back(name);
            WaitFor([&] { return file() != want; });
        }
        SendMessageA(GetDlgItem(page, IDC_SOUND_PREVIEW_CHECK), BM_CLICK, 0, 0);
        PressSheet(sheet, PSBTN_OK);
    });
    EXPECT_EQ(played, (std::vector<std::string>{"two.wav", "one.wav", "two.wav"}));
    EXPECT_EQ(g_Settings.options.InstrumentString, kDefaultInstrumentString);
}

// Pictures of both pages and of the image open dialog for the documentation,
// taken when PLINTHAR_SCREENSHOT_DIR names a folder.
TEST(MediaScreens, PagesAndImageDialog) {
    char out[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("PLINTHAR_SCREENSHOT_DIR", out, sizeof out))
        GTEST_SKIP() << "PLINTHAR_SCREENSHOT_DIR is not set";
    std::string shots = out;
    Album a("media-screens");
    a.MakeFolder("Holiday");
    a.Put("Holiday\\Harbour.bmp", GradientBmpFile(320, 200, 0xB06020, 0x30A0F0));
    a.Put("Holiday\\Meadow.bmp", GradientBmpFile(240, 240, 0x20C040, 0xF0E060));
    a.Put("Holiday\\Sunset.bmp", GradientBmpFile(400, 220, 0xF06010, 0x6020A0));
    a.MakeFolder("Music");
    a.Put("Music\\Waves.wav", WaveFile(200000, 0));
    g_Settings.ImageList = {"\\Holiday\\Harbour.bmp|Morning at the harbour",
                            "\\Holiday\\Meadow.bmp", "\\Holiday\\Sunset.bmp|Last evening",
                            "\\Animations\\"};
    g_Settings.SoundList = {"\\Music\\Waves.wav", "\\Music\\", "C:\\Sounds\\Chimes.mid"};
    g_Settings.options.LastImageDir = a.dir + "\\Holiday";
    g_Settings.caption.Position = 2;
    SetOption(IDC_IMAGE_PREVIEW_CHECK, 1);
    SetOption(IDC_SOUND_PREVIEW_CHECK, 1);
    Pages p;
    RunDriven(p, [&](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        SelectListRows(GetDlgItem(page, IDC_SOUND_LIST), {0});
        WaitFor([&] { return TextOf(GetDlgItem(page, IDC_SOUND_STATUS)) == "Waves.wav"; });
        SendMessageA(GetDlgItem(page, IDC_SOUND_LIST), LB_SETSEL, FALSE, -1);
        RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        Sleep(800);
        EXPECT_TRUE(SaveWindowPicture(sheet, shots + "\\sheet-sounds.ppm"));
        SendMessageA(GetDlgItem(page, IDC_SOUND_PREVIEW_CHECK), BM_CLICK, 0, 0);

        page = ShowPage(sheet, 0);
        SelectListRows(GetDlgItem(page, IDC_IMAGE_LIST), {0});
        RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        Sleep(800);
        EXPECT_TRUE(SaveWindowPicture(sheet, shots + "\\sheet-images.ppm"));

        ClickLater(GetDlgItem(page, IDC_IMAGE_ADD));
        HWND d = FindTopWindow("Select image files or directories");
        ASSERT_TRUE(d);
        ASSERT_TRUE(SelectInDialog(d, "Sunset.bmp"));
        WaitFor([&] { return TextOf(GetDlgItem(PanelOf(d), IDC_IMAGE_DLG_STATUS)) == "Sunset.bmp"; });
        Sleep(500);
        EXPECT_TRUE(SaveWindowPicture(d, shots + "\\dialog-image-open.ppm"));
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        WaitFor([&] { return !IsWindow(d); });
        PressSheet(sheet, PSBTN_CANCEL);
    });
}
