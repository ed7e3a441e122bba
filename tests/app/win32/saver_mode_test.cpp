// The screensaver run as Windows runs it (Plinthar.scr /s) on a real album:
// what it shows, and how input, the menu and closing behave.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/album.h"
#include "tests/harness/win_harness.h"
#include "tests/imaging/gif_builder.h"

namespace {

std::string AsString(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A two-frame 24 x 24 animation of a pure green square, frame 2 a bit smaller.
std::vector<uint8_t> GreenAnimation() {
    std::vector<uint8_t> table = {0, 0, 0, 0, 255, 0, 255, 255, 255, 255, 0, 0};
    std::vector<uint8_t> full(24 * 24, 1), small(16 * 16, 1);
    GifWriter g;
    g.Screen(24, 24, table, 2).Image(0, 0, 24, 24, full).Image(4, 4, 16, 16, small).Trailer();
    return g.Bytes();
}

struct SaverInstall {
    std::string dir, exe, ini;
    explicit SaverInstall(const std::string& name, bool withGif = true) {
        dir = harness::MakeTempDir(name);
        exe = dir + "\\Plinthar.scr";
        ini = dir + "\\Plinthar.ini";
        EXPECT_TRUE(harness::CopyFileTo(harness::BinaryDir() + "\\kit\\Plinthar.exe", exe));
        EXPECT_TRUE(harness::CopyFileTo(harness::BinaryDir() + "\\kit\\Plinthar.ini", ini));
        std::vector<std::string> images;
        if (withGif) {
            harness::WriteFileBytes(dir + "\\green.gif", AsString(GreenAnimation()));
            images.push_back("\\green.gif");
        }
        harness::WriteFileBytes(dir + "\\Plinthar.alb", AsString(EncodeAlbum(images, {})));
        harness::WriteIni(ini, "Options", "IsFirstUse", "0");
        EXPECT_TRUE(harness::SetInstallDirectory("Quorvane", "Plinthar", dir));
    }
    ~SaverInstall() { harness::DeleteInstallDirectory("Quorvane", "Plinthar"); }
    void SetOption(int position, char value) {
        std::string cs = harness::ReadIni(ini, "Options", "CheckString");
        cs[size_t(position)] = value;
        harness::WriteIni(ini, "Options", "CheckString", cs.c_str());
    }
};

// Pure green pixels on the screen.
int GreenPixels() {
    harness::Surface32 screen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    screen.GrabScreen();
    int n = 0;
    for (int y = 0; y < screen.Height(); ++y)
        for (int x = 0; x < screen.Width(); ++x) n += screen.At(x, y) == 0x00FF00;
    return n;
}

// Generous: only a saver that would never get there runs into it.
constexpr DWORD kLimit = 60000;

// Hands the saver window a message and returns once it has been handled.
void Deliver(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(w, msg, wp, lp, SMTO_NORMAL, kLimit, &result);
}

// The saver's window stands in the top-most band from the start of its frame
// loop until its close.
bool TopMost(HWND w) {
    return IsWindow(w) && (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// The saver window once its frame loop runs (null when it never does).
HWND WaitForTheRun(harness::RunningProgram& saver) {
    HWND w = saver.WaitForWindow("FS_PICTUREBOX", kLimit);
    return w && harness::PumpUntil([&] { return TopMost(w); }, kLimit) ? w : nullptr;
}

// Runs one frame of the saver (its frame timer's message, handled at once): a
// close asked for by earlier input takes effect there, so a window still
// top-most afterwards runs on.
bool RunsOnAfterAFrame(HWND w) {
    const UINT frameTimer = 1;
    Deliver(w, WM_TIMER, frameTimer, 0);
    return TopMost(w);
}

TEST(SaverMode, AnimatedSpritesShowAndEscapeEndsTheRun) {
    SaverInstall install("saver-show");
    harness::RunningProgram saver(install.exe, "/s");
    HWND w = saver.WaitForWindow("FS_PICTUREBOX");
    ASSERT_TRUE(w);
    int green = 0;
    EXPECT_TRUE(harness::PumpUntil(
        [&] {
            green = GreenPixels();
            return green > 5 * 16 * 16 / 2 && green <= 5 * 24 * 24;
        },
        kLimit))
        << "the five sprites should be on the screen; green pixels: " << green;
    PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(saver.WaitForExit(kLimit));
    // Closing writes the speed and the mute setting back.
    EXPECT_EQ(harness::ReadIni(install.ini, "Float", "Speed"), "10");
    EXPECT_EQ(harness::ReadIni(install.ini, "Keyboard", "Mute"), "0");
}

TEST(SaverMode, MouseJitterOfTwoPixelsNeverEndsTheRunButThreeDoes) {
    SaverInstall install("saver-mouse");
    SetCursorPos(100, 100);  // moves the system reports itself come from where the pointer is
    harness::RunningProgram saver(install.exe, "/s");
    HWND w = WaitForTheRun(saver);
    ASSERT_TRUE(w);
    // Jitter around where the pointer really is: the system reports that point too.
    Sleep(200);
    POINT at;
    GetCursorPos(&at);
    for (POINT d : {POINT{0, 0}, POINT{2, 2}, POINT{4, 0}, POINT{2, -2}})
        Deliver(w, WM_MOUSEMOVE, 0, MAKELPARAM(at.x + d.x, at.y + d.y));
    EXPECT_TRUE(RunsOnAfterAFrame(w)) << "jitter ended the saver";
    Deliver(w, WM_MOUSEMOVE, 0, MAKELPARAM(at.x + 5, at.y - 2));
    EXPECT_FALSE(RunsOnAfterAFrame(w)) << "a move of three pixels goes on";
    EXPECT_TRUE(saver.WaitForExit(kLimit));
}

TEST(SaverMode, FirstUseIgnoresTheMouseButNotKeys) {
    SaverInstall install("saver-firstuse");
    harness::WriteIni(install.ini, "Options", "IsFirstUse", "1");
    harness::RunningProgram saver(install.exe, "/s");
    HWND w = WaitForTheRun(saver);
    ASSERT_TRUE(w);
    for (int x = 0; x < 400; x += 50) Deliver(w, WM_MOUSEMOVE, 0, MAKELPARAM(x, x));
    EXPECT_TRUE(RunsOnAfterAFrame(w));
    PostMessageA(w, WM_KEYDOWN, 'A', 0);
    EXPECT_TRUE(saver.WaitForExit(kLimit));
}

TEST(SaverMode, WithoutTerminateOnInputOnlyEscapeEnds) {
    SaverInstall install("saver-escape");
    install.SetOption(34, '0');
    harness::RunningProgram saver(install.exe, "/s");
    HWND w = WaitForTheRun(saver);
    ASSERT_TRUE(w);
    Deliver(w, WM_KEYDOWN, 'A', 0);
    Deliver(w, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    Deliver(w, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    Deliver(w, WM_MOUSEMOVE, 0, MAKELPARAM(300, 300));
    EXPECT_TRUE(RunsOnAfterAFrame(w));
    PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(saver.WaitForExit(kLimit));
}

TEST(SaverMode, MenuSpeedChangesAreSavedAtClose) {
    SaverInstall install("saver-menu");
    harness::WriteIni(install.ini, "Float", "Speed", "19");
    harness::RunningProgram saver(install.exe, "/s");
    HWND w = saver.WaitForWindow("FS_PICTUREBOX");
    ASSERT_TRUE(w);
    for (int i = 0; i < 3; ++i) PostMessageA(w, WM_COMMAND, 32771, 0);  // Faster, held at 20
    PostMessageA(w, WM_COMMAND, 32772, 0);                              // Slower
    PostMessageA(w, WM_COMMAND, 32773, 0);                              // Exit
    EXPECT_TRUE(saver.WaitForExit(kLimit));
    EXPECT_EQ(harness::ReadIni(install.ini, "Float", "Speed"), "19");
}

TEST(SaverMode, AnAlbumWithoutPicturesEndsWithItsMessage) {
    SaverInstall install("saver-empty", false);
    harness::RunResult r = harness::RunProgram(install.exe, "/s", kLimit);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].text,
              "No valid images available.  Please make sure that one or more valid images are "
              "specified.");
    EXPECT_EQ(r.boxes[0].icon, harness::BoxIcon::Warning);
}

TEST(SaverMode, ASecondSaverEndsAtOnceWhileTheFirstRuns) {
    SaverInstall install("saver-two");
    harness::RunningProgram first(install.exe, "/s");
    HWND w = first.WaitForWindow("FS_PICTUREBOX");
    ASSERT_TRUE(w);
    harness::RunResult second = harness::RunProgram(install.exe, "/S", kLimit);
    EXPECT_FALSE(second.timedOut);
    EXPECT_TRUE(second.boxes.empty());
    EXPECT_TRUE(first.Running());
    PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(first.WaitForExit(kLimit));
}

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

TEST(SaverMode, TiledBackgroundFillsWholeCellsAndKeepsTheColourAtTheEdge) {
    SaverInstall install("saver-tiles");
    harness::WriteFileBytes(install.dir + "\\tile.bmp",
                            harness::BitmapFile24(300, 200, [](int, int) { return 0xFF0000u; }));
    harness::WriteIni(install.ini, "Background", "Image", "\\tile.bmp");
    harness::WriteIni(install.ini, "Background", "Style", "0");
    harness::WriteIni(install.ini, "Background", "GradientColor1", "16711680");  // blue
    harness::WriteIni(install.ini, "Float", "Count", "0");  // no sprite covers the samples
    harness::RunningProgram saver(install.exe, "/s");
    HWND w = saver.WaitForWindow("FS_PICTUREBOX");
    ASSERT_TRUE(w);
    ASSERT_TRUE(harness::PumpUntil([] { return ScreenPixel(0, 0) == RGB(255, 0, 0); }, kLimit));
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    int columns = std::max(1, int(sw / 300.0 + 0.5)), rows = std::max(1, int(sh / 200.0 + 0.5));
    int usedW = (sw / columns) * columns, usedH = (sh / rows) * rows;
    EXPECT_EQ(ScreenPixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(ScreenPixel(usedW - 1, usedH - 1), RGB(255, 0, 0));
    if (usedW < sw) {
        EXPECT_EQ(ScreenPixel(usedW, 5), RGB(0, 0, 255));
    }
    if (usedH < sh) {
        EXPECT_EQ(ScreenPixel(5, usedH), RGB(0, 0, 255));
    }
    PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(saver.WaitForExit(kLimit));
}

TEST(SaverMode, MissingBackgroundPictureSilentlyGivesTheColour) {
    SaverInstall install("saver-nobg");
    harness::WriteIni(install.ini, "Background", "Image", "\\missing.bmp");
    harness::WriteIni(install.ini, "Background", "Style", "1");
    harness::WriteIni(install.ini, "Background", "GradientColor1", "255");  // red
    harness::WriteIni(install.ini, "Float", "Count", "0");
    harness::RunningProgram saver(install.exe, "/s");
    HWND w = saver.WaitForWindow("FS_PICTUREBOX");
    ASSERT_TRUE(w);
    EXPECT_TRUE(harness::PumpUntil([] { return ScreenPixel(10, 10) == RGB(255, 0, 0); }, kLimit));
    PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(saver.WaitForExit(kLimit));
}

// With a password set, a refused check keeps the saver running and the next
// input asks again.
TEST(SaverMode, WrongPasswordKeepsTheSaverRunning) {
    SaverInstall install("saver-password");
    ASSERT_TRUE(harness::CopyFileTo(PASSWORD_CPL_PATH, install.dir + "\\PASSWORD.CPL"));
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    DWORD on = 1;
    RegSetValueExA(key, "ScreenSaveUsePassword", 0, REG_DWORD, reinterpret_cast<BYTE*>(&on), 4);
    harness::RunningProgram saver(install.exe, "/s");
    HWND w = WaitForTheRun(saver);
    if (w) {
        Deliver(w, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(RunsOnAfterAFrame(w)) << "the refused password ended the saver";
        PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(saver.WaitForExit(kLimit));
    }
    RegDeleteValueA(key, "ScreenSaveUsePassword");
    RegCloseKey(key);
    ASSERT_TRUE(w);
    EXPECT_EQ(harness::ReadIni(install.dir + "\\PASSWORD.CPL.calls", "Password", "Calls"), "2");
}

// A mono 16-bit 22050 Hz square tone of the given length.
std::string ToneWav(int samples) {
    std::vector<int16_t> tone;
    for (int i = 0; i < samples; ++i) tone.push_back(int16_t((i / 25) % 2 ? 8000 : -8000));
    return harness::WaveFile16(1, 22050, tone);
}

size_t CapturedBytes() { return harness::CapturedAudio().size(); }

TEST(SaverMode, TheSoundListPlaysWhileTheSaverRunsAndStopsWithIt) {
    if (!harness::AudioCaptureAvailable()) GTEST_SKIP() << "no audio capture in this environment";
    SaverInstall install("saver-sound");
    const int samples = 11025;
    harness::WriteFileBytes(install.dir + "\\tone.wav", ToneWav(samples));
    std::vector<std::string> images = {"\\green.gif"}, sounds = {"\\tone.wav"};
    std::vector<uint8_t> album = EncodeAlbum(images, sounds);
    harness::WriteFileBytes(install.dir + "\\Plinthar.alb", std::string(album.begin(), album.end()));
    size_t before = CapturedBytes();
    harness::RunningProgram saver(install.exe, "/s");
    HWND w = saver.WaitForWindow("FS_PICTUREBOX");
    ASSERT_TRUE(w);
    EXPECT_TRUE(
        harness::PumpUntil([&] { return CapturedBytes() >= before + samples * 2; }, kLimit))
        << "the tone did not play";
    PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(saver.WaitForExit(kLimit));
    size_t atClose = CapturedBytes();
    Sleep(4000);  // past the 3-second pause after which a running list would play again
    EXPECT_EQ(CapturedBytes(), atClose) << "sound went on after the saver closed";
}

// MPEG audio of the album goes through the built-in decoder and the wave output.
TEST(SaverMode, AnMp3OfTheAlbumPlaysThroughTheDecoder) {
    if (!harness::AudioCaptureAvailable()) GTEST_SKIP() << "no audio capture in this environment";
    std::string song = std::string(PLINTHAR_TESTDATA) + "/generated/mpeg-audio/l3_32k_cbr32_mono.mp3";
    if (GetFileAttributesA(song.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no test data";
    SaverInstall install("saver-mp3");
    ASSERT_TRUE(harness::CopyFileTo(song, install.dir + "\\song.mp3"));
    std::vector<uint8_t> album = EncodeAlbum({"\\green.gif"}, {"\\song.mp3"});
    harness::WriteFileBytes(install.dir + "\\Plinthar.alb", std::string(album.begin(), album.end()));
    size_t before = CapturedBytes();
    harness::RunningProgram saver(install.exe, "/s");
    HWND w = saver.WaitForWindow("FS_PICTUREBOX");
    ASSERT_TRUE(w);
    // A few seconds of 32 kHz mono: well over 64 KB of samples once decoded.
    EXPECT_TRUE(harness::PumpUntil([&] { return CapturedBytes() >= before + 65536; }, kLimit))
        << "the MP3 did not play";
    PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(saver.WaitForExit(kLimit));
}

}  // namespace
