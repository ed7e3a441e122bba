// The message boxes of a saver run belong to the saver window: each is read
// from the screen as it is shown (its owner taken from the box itself), answered,
// and the run then ends cleanly, the previous main window restored.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/settings.h"
#include "saver/saver_window_win32.h"
#include "tests/harness/win_harness.h"
#include "tests/imaging/gif_builder.h"
#include "win32/application.h"

namespace {

std::string TwoFrameGif() {
    const std::vector<uint8_t> table = {0, 0, 0, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    GifWriter g;
    g.Screen(8, 8, table, 2).Image(0, 0, 8, 8, std::vector<uint8_t>(64, 1));
    g.Image(2, 2, 4, 4, std::vector<uint8_t>(16, 2)).Trailer();
    return std::string(g.Bytes().begin(), g.Bytes().end());
}

// Watches the run from a second thread: once the saver runs it deletes
// `doomed` (when given), then answers the run's message box with OK.  Without a
// box it ends the run.
struct BoxWatcher {
    SaverWindow* window = nullptr;
    std::string doomed;
    harness::Box box;
    HANDLE thread = nullptr;

    static DWORD WINAPI Run(void* p) {
        auto* self = static_cast<BoxWatcher*>(p);
        if (!self->doomed.empty()) {
            // Top-most: the run has started (its first frame is on the screen).
            harness::PumpUntil(
                [&] {
                    HWND saver = self->window->Handle();
                    return saver && (GetWindowLongA(saver, GWL_EXSTYLE) & WS_EX_TOPMOST) &&
                           DeleteFileA(self->doomed.c_str());
                },
                60000);
        }
        self->box = harness::WaitForBox();
        harness::Answer(self->box, IDOK);
        if (self->box.hwnd) return 0;
        if (HWND saver = self->window->Handle()) PostMessageA(saver, WM_KEYDOWN, VK_ESCAPE, 0);
        return 1;
    }
};

TEST(SaverMessages, EachBoxOfARunIsOwnedByTheSaverWindowAndEndsTheRun) {
    const std::string dir = harness::MakeTempDir("saver-messages");
    const struct {
        const char* name;
        bool slideshow, sprites;
        const char* file;     // the album's one picture
        bool deleteWhenShown; // taken away once the saver shows, so the next load fails
        bool started;         // what Start returns
        const char* text;
    } cases[] = {
        {"nothing to show", true, false, "missing.bmp", false, false,
         "No valid images available.  Please make sure that one or more valid images are "
         "specified."},
        {"slide gone", true, false, "slide.bmp", true, true, "Unable to load slideshow image"},
        {"sprite gone", false, true, "sprite.gif", true, true,
         "No valid animated GIF image was found.  The image file(s) may be corrupt.  "
         "Screensaver has run for 0 minutes."},
    };
    // A window standing for the setup sheet, whose Preview runs the saver.
    HWND sheet = CreateWindowExA(0, "STATIC", "sheet", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(sheet, nullptr);
    Application::Get().SetMainWindow(sheet);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "\\" + c.file;
        const auto grey = [](int, int) { return 0x808080u; };
        if (std::strstr(c.file, ".bmp") && c.deleteWhenShown)
            harness::WriteFileBytes(path, harness::BitmapFile24(2, 2, grey));
        if (std::strstr(c.file, ".gif")) harness::WriteFileBytes(path, TwoFrameGif());
        g_Settings = Settings();
        std::string cs(kCheckStringLength, '0');
        cs[0] = c.sprites ? '1' : '0';
        cs[1] = c.slideshow ? '1' : '0';
        cs[11] = '1'; // reload the sprites every cycle
        g_Settings.options.CheckString = cs;
        g_Settings.slide.Duration = 0;  // the next slide is due at once
        g_Settings.floats.Duration = 0; // and so is the sprites' reload
        g_Settings.floats.Count = 1;
        g_Settings.ImageList = {path};
        g_IniPath = dir + "\\Plinthar.ini";

        SaverWindow w;
        w.SetSound(nullptr);
        BoxWatcher watcher;
        watcher.window = &w;
        if (c.deleteWhenShown) watcher.doomed = path;
        watcher.thread = CreateThread(nullptr, 0, BoxWatcher::Run, &watcher, 0, nullptr);
        ASSERT_NE(watcher.thread, nullptr);
        bool started = w.Start();
        HWND saver = w.Handle();
        WaitForSingleObject(watcher.thread, INFINITE);
        CloseHandle(watcher.thread);

        ASSERT_TRUE(watcher.box.hwnd) << "no message box";
        EXPECT_EQ(watcher.box.text, c.text);
        EXPECT_NE(saver, nullptr);
        EXPECT_EQ(watcher.box.owner, saver);
        EXPECT_EQ(started, c.started);
        EXPECT_TRUE(w.pictureList.empty());
        EXPECT_EQ(Application::Get().MainWindow(), sheet);
        BOOL running = FALSE;
        if (SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) {
            EXPECT_FALSE(running);
        }
        CURSORINFO cursor = {};
        cursor.cbSize = sizeof cursor;
        if (GetCursorInfo(&cursor)) {
            EXPECT_NE(cursor.flags & CURSOR_SHOWING, 0u);
        }
    }
    Application::Get().SetMainWindow(nullptr);
    DestroyWindow(sheet);
}

} // namespace
