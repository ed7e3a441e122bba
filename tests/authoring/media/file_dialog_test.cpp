// The open dialogs with previews, operated through the real explorer dialog:
// the file list's selection moves, the panel's buttons are clicked and the
// dialog is closed with its own buttons.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "authoring/media/image_file_dialog_win32.h"
#include "authoring/media/media_resource.h"
#include "authoring/media/sound_file_dialog_win32.h"
#include "tests/authoring/media/media_test_util.h"

using namespace mediatest;

namespace {

const char kImageFilter[] = "Image Files|*.bmp;*.gif;*.jpg|All Files (*.*)|*.*||";
const char kSoundFilter[] = "Sound Files|*.wav;*.mid;*.mp3|All Files (*.*)|*.*||";

struct Folder {
    std::string dir;
    // Backslashes throughout, as the dialog spells the paths it returns.
    explicit Folder(const char* name) : dir(harness::MakeTempDir(name)) {
        std::replace(dir.begin(), dir.end(), '/', '\\');
    }
    std::string Put(const char* name, const std::string& bytes) const {
        std::string path = dir + "\\" + name;
        EXPECT_TRUE(harness::WriteFileBytes(path, bytes));
        return path;
    }
};

void PressCancel(HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }

}  // namespace

TEST(ImageFileDialog, PreviewsEachNewNameOnceAndReportsBadFiles) {
    Folder f("image-dialog");
    f.Put("red.bmp", BmpFile(40, 30, 0xFF0000));
    f.Put("blue.bmp", BmpFile(30, 40, 0x0000FF));
    f.Put("broken.bmp", "BM this is not a bitmap at all");

    CImageFileDialog dlg(true, nullptr, nullptr, OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT,
                         kImageFilter);
    dlg.allowDirectories = true;
    dlg.SetInitialDir(f.dir);
    dlg.SetTitle("Pick pictures");
    struct Seen {
        std::string status;
        bool fullScreen = false, shown = false;
        int loads = 0;
    };
    std::vector<Seen> seen;
    bool addEnabledAtStart = true;
    INT_PTR result = 0;
    Drive(
        [&] {
            HWND d = FindTopWindow("Pick pictures");
            ASSERT_TRUE(d);
            HWND panel = PanelOf(d);
            ASSERT_TRUE(panel);
            addEnabledAtStart = IsWindowEnabled(GetDlgItem(panel, IDC_IMAGE_ADD_DIRECTORY));
            auto look = [&](const char* name, int loadsWanted) {
                ASSERT_TRUE(SelectInDialog(d, name)) << name;
                WaitFor([&] { return dlg.loads() >= loadsWanted; }, 5000);
                Seen s;
                s.status = TextOf(GetDlgItem(panel, IDC_IMAGE_DLG_STATUS));
                s.fullScreen = IsWindowEnabled(GetDlgItem(panel, IDC_IMAGE_FULL_SCREEN));
                s.shown = dlg.preview().pictureShown();
                s.loads = dlg.loads();
                seen.push_back(s);
            };
            look("red.bmp", 1);
            look("red.bmp", 1);  // the same name again: nothing reloads
            look("broken.bmp", 2);
            look("blue.bmp", 3);
            look("red.bmp", 4);
            PressCancel(d);
        },
        [&] { result = dlg.DoModal(nullptr); });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(addEnabledAtStart);
    ASSERT_EQ(seen.size(), 5u);
    const Seen want[] = {{"red.bmp", true, true, 1},
                         {"red.bmp", true, true, 1},
                         {"Unable to display image.", false, false, 2},
                         {"blue.bmp", true, true, 3},
                         {"red.bmp", true, true, 4}};
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].status, want[i].status) << i;
        EXPECT_EQ(seen[i].fullScreen, want[i].fullScreen) << i;
        EXPECT_EQ(seen[i].shown, want[i].shown) << i;
        EXPECT_EQ(seen[i].loads, want[i].loads) << i;
    }
}

TEST(ImageFileDialog, FolderAddedOncePerFolderAndKeptOnCancel) {
    Folder f("image-dirs");
    f.Put("a.bmp", BmpFile(8, 8, 0x00FF00));
    f.Put("b.bmp", BmpFile(8, 8, 0x00FFFF));
    CImageFileDialog dlg(true, nullptr, nullptr, OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT,
                         kImageFilter);
    dlg.allowDirectories = true;
    dlg.SetInitialDir(f.dir);
    dlg.SetTitle("Pick folders");
    bool enabledAfterAdd = true, enabledInSameFolder = true;
    Drive(
        [&] {
            HWND d = FindTopWindow("Pick folders");
            ASSERT_TRUE(d);
            HWND panel = PanelOf(d);
            HWND add = GetDlgItem(panel, IDC_IMAGE_ADD_DIRECTORY);
            ASSERT_TRUE(SelectInDialog(d, "a.bmp"));
            WaitFor([&] { return IsWindowEnabled(add) != FALSE; }, 5000);
            Click(add);
            Click(add);  // disabled now: a second click adds nothing
            enabledAfterAdd = IsWindowEnabled(add);
            ASSERT_TRUE(SelectInDialog(d, "b.bmp"));
            WaitFor([&] { return dlg.loads() >= 2; }, 5000);
            enabledInSameFolder = IsWindowEnabled(add);
            PressCancel(d);
        },
        [&] { dlg.DoModal(nullptr); });
    EXPECT_FALSE(enabledAfterAdd);
    EXPECT_FALSE(enabledInSameFolder);
    EXPECT_EQ(dlg.directories(), std::vector<std::string>{f.dir});
}

TEST(ImageFileDialog, FullScreenWindowShowsThePictureAndGoesOnAClick) {
    Folder f("image-full");
    f.Put("green.bmp", BmpFile(64, 48, 0x00C000));
    CImageFileDialog dlg(true, nullptr, nullptr, OFN_HIDEREADONLY, kImageFilter);
    dlg.SetInitialDir(f.dir);
    dlg.SetTitle("Pick one");
    bool visible = false, hiddenAfterClick = false;
    uint32_t centre = 0;
    Drive(
        [&] {
            HWND d = FindTopWindow("Pick one");
            ASSERT_TRUE(d);
            HWND panel = PanelOf(d);
            HWND full = GetDlgItem(panel, IDC_IMAGE_FULL_SCREEN);
            ASSERT_TRUE(SelectInDialog(d, "green.bmp"));
            WaitFor([&] { return IsWindowEnabled(full) != FALSE; }, 5000);
            Click(full);
            HWND w = CFullScreenPreview::Get().Handle();
            visible = w && WaitFor([&] { return IsWindowVisible(w) != FALSE; }, 5000);
            if (visible) {
                Sleep(200);
                harness::Surface32 s(1, 1);
                int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
                WaitFor([&] {
                    s.GrabScreen(cx, cy);
                    return s.At(0, 0) == 0x00C000;
                }, 5000);
                centre = s.At(0, 0);
                SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cx, cy));
                hiddenAfterClick = !IsWindowVisible(w);
            }
            PressCancel(d);
        },
        [&] { dlg.DoModal(nullptr); });
    EXPECT_TRUE(visible);
    EXPECT_EQ(centre, 0x00C000u);
    EXPECT_TRUE(hiddenAfterClick);
}

TEST(ImageFileDialog, ChosenFilesComeBackWithTheirFolder) {
    Folder f("image-many");
    f.Put("one.bmp", BmpFile(8, 8, 0x102030));
    f.Put("two.bmp", BmpFile(8, 8, 0x203040));
    CImageFileDialog dlg(true, nullptr, nullptr, OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT,
                         kImageFilter);
    dlg.SetInitialDir(f.dir);
    dlg.SetTitle("Pick two");
    dlg.SetBufferSize(1000);
    INT_PTR result = 0;
    Drive(
        [&] {
            HWND d = FindTopWindow("Pick two");
            ASSERT_TRUE(d);
            ASSERT_TRUE(SelectManyInDialog(d, {"one.bmp", "two.bmp"}));
            Sleep(100);
            PostMessageA(d, WM_COMMAND, IDOK, 0);
        },
        [&] { result = dlg.DoModal(nullptr); });
    ASSERT_EQ(result, IDOK);
    media::OpenDialogResult r = dlg.Result();
    EXPECT_EQ(r.folder, f.dir);
    std::vector<std::string> files = r.files;
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{f.dir + "\\one.bmp", f.dir + "\\two.bmp"}));
}

TEST(SoundFileDialog, PlaysTheFileUnderTheCursorAndAddsItsFolder) {
    Folder f("sound-dialog");
    f.Put("tone.wav", WaveFile(4000, 300));
    f.Put("notes.txt", "not a sound");
    CSoundFileDialog dlg(true, nullptr, nullptr, OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT,
                         kSoundFilter);
    dlg.SetInitialDir(f.dir);
    dlg.SetTitle("Pick sounds");
    bool played = false, addEnabled = false;
    std::string status;
    Drive(
        [&] {
            HWND d = FindTopWindow("Pick sounds");
            ASSERT_TRUE(d);
            HWND panel = PanelOf(d);
            ASSERT_TRUE(SelectInDialog(d, "tone.wav"));
            played = WaitFor([&] { return dlg.player().fileName().find("tone.wav") !=
                                          std::string::npos; }, 5000);
            WaitFor([&] { return !TextOf(GetDlgItem(panel, IDC_SOUND_STATUS)).empty(); }, 5000);
            status = TextOf(GetDlgItem(panel, IDC_SOUND_STATUS));
            addEnabled = IsWindowEnabled(GetDlgItem(panel, IDC_SOUND_ADD_DIRECTORY));
            Click(GetDlgItem(panel, IDC_SOUND_ADD_DIRECTORY));
            PressCancel(d);
        },
        [&] { dlg.DoModal(nullptr); });
    EXPECT_TRUE(played);
    EXPECT_EQ(status, "tone.wav");
    EXPECT_TRUE(addEnabled);
    EXPECT_EQ(dlg.directories(), std::vector<std::string>{f.dir});
    EXPECT_FALSE(dlg.player().playing());
}
