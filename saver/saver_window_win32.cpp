// Start, frame loop, input, menu and close of the full-screen saver.
#include "saver/saver_window_win32.h"

#include <ctime>

#include "app/album.h"
#include "app/settings.h"
#include "app/settings_win32.h"
#include "common/crt_random.h"
#include "common/paths.h"
#include "imaging/dib_image.h"
#include "saver/motion/saver_lists.h"
#include "saver/motion/sprite_motion.h"
#include "win32/application.h"
#include "win32/handles.h"

namespace {

const char kNoImages[] =
    "No valid images available.  Please make sure that one or more valid images are specified.";

std::vector<std::string> ListFolder(const std::string& folder, const std::string& ext) {
    std::vector<std::string> files;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "*." + ext).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return files;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(folder + fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return files;
}

bool IsAnimatedGif(const std::string& path) {
    CDibImage image;
    return image.LoadFrame(path.c_str(), 0) && image.LoadFrame(path.c_str(), 1);
}

}  // namespace

SaverWindow::SaverWindow() {
    CrtSeed(uint32_t(std::time(nullptr)));
    startTick = GetTickCount();
    spritesOn = IsOptionOn(10000);
    slideshowOn = IsOptionOn(10001) || !spritesOn;  // the saver always shows something
    screenRect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    confineRect = ToRECT(saver::ConfineRect(ToRect(screenRect), g_Settings.floats.Bounds));
    cycleInterval = DWORD(g_Settings.floats.Duration) * 60000u;
    firstUse = g_Settings.options.IsFirstUse == 1;
    backgroundMode = saver::BackgroundMode(IsOptionOn(10007), g_Settings.background.Style);
    backgroundPicture = g_Settings.background.Image;
    backgroundColor = COLORREF(g_Settings.background.GradientColor1);
    slideCycle.holdTime = saver::HoldTimeMs(g_Settings.slide.Duration);
    SetSpeedPacing();
    menu = LoadMenuA(Application::Get().Instance(), MAKEINTRESOURCEA(kMenuId));
    sound_ = MakeSaverSound();
}

SaverWindow::~SaverWindow() {
    Destroy();
    pictureList.clear();
    ReleaseBackground();
    if (menu) DestroyMenu(menu);
    WriteProfileInt("Keyboard", "Mute", g_Settings.keyboard.Mute);
    WriteProfileInt("Float", "Speed", g_Settings.floats.Speed);
    sound_.reset();
}

void SaverWindow::SetSpeedPacing() {
    saver::Pacing p = saver::SpeedPacing(g_Settings.floats.Speed);
    moveStep = p.step;
    moveDelay = p.delay;
}

void SaverWindow::HideCursor() {
    while (ShowCursor(FALSE) >= 0) {}
}

void SaverWindow::ShowCursorAgain() {
    while (ShowCursor(TRUE) < 0) {}
}

bool SaverWindow::Fail(const char* message) {
    ShowCursorAgain();
    Application::Get().ShowWarning(message);
    return false;
}

void SaverWindow::BuildLists() {
    std::string albumDir = DirectoryPart(g_Settings.options.AlbumFile);
    saver::ImageListSources sources;
    sources.listFolder = ListFolder;
    sources.isAnimatedGif = IsAnimatedGif;
    saver::BuildImageLists(g_Settings.ImageList, albumDir, sources, slideshowList, spriteFileList);
    // The sound list is shuffled after the pictures are ordered, so that one
    // seed gives one running order.
    if (sound_) soundList = sound_->BuildList(g_Settings.SoundList, g_Settings.options.AlbumFile,
                                              false);
    saver::OrderWorkingLists(IsOptionOn(10005), IsOptionOn(10006), IsOptionOn(10003),
                             slideshowList, spriteFileList, soundList);
}

namespace {

// The saver window is the application's main window for the whole run, so that
// every message box of the run is owned by it and stays above the top-most
// full screen; the previous main window (the setup sheet during a preview)
// comes back when the run ends.
class MainWindowForRun {
  public:
    explicit MainWindowForRun(HWND window) : previous_(Application::Get().MainWindow()) {
        Application::Get().SetMainWindow(window);
    }
    ~MainWindowForRun() { Application::Get().SetMainWindow(previous_); }
    MainWindowForRun(const MainWindowForRun&) = delete;
    MainWindowForRun& operator=(const MainWindowForRun&) = delete;

  private:
    HWND previous_;
};

}  // namespace

bool SaverWindow::Start() {
    if (!Create(screenRect, WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, nullptr, 0)) return false;
    MainWindowForRun mainWindow(Handle());
    HideCursor();
    trueColorDisplay = GetDeviceCaps(CanvasDC(), BITSPIXEL) > 8;
    if (!PrepareBackground()) return Fail("Unable to display background");
    colorMode = saver::ColorMode(IsOptionOn(10036), IsOptionOn(10035), trueColorDisplay,
                                 backgroundMode, spritesOn);
    PaintBackground();
    DrawStatusText("Loading...");
    ShowWindow(Handle(), SW_SHOW);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    BuildLists();
    if (slideshowList.empty() && spriteFileList.empty()) return Fail(kNoImages);
    if (IsOptionOn(10002) && !soundList.empty() && sound_) sound_->Start(&soundList);

    if (slideshowOn) slideshowOn = SetUpSlideshow();
    firstSpriteIndex = slideshowOn ? 1 : 0;
    SetUpSprites();
    if (!slideshowOn && !spritesOn) return Fail(kNoImages);

    PaintBackground();
    StepSlideshow();
    InvalidateRect(Handle(), nullptr, FALSE);
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    BOOL previous;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, TRUE, &previous, 0);
    lastCycle = GetTickCount();
    SetTimer(Handle(), kFrameTimer, kFrameMs, nullptr);
    running_ = true;
    while (running_ && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

void SaverWindow::OnFrame() {
    KillTimer(Handle(), kFrameTimer);
    if (closeConfirmed) {
        Close();
        return;
    }
    if (++tickCounter > moveDelay) {
        moveNow = true;
        tickCounter = 0;
    }
    DWORD now = GetTickCount();
    if (spritesOn) {
        if (IsOptionOn(10011) && now - lastCycle > cycleInterval) {
            lastCycle = now;
            spritesLoaded = false;
        }
        if (!spritesLoaded) {
            for (size_t i = size_t(firstSpriteIndex); i < pictureList.size(); ++i) {
                if (!ReloadSprite(*pictureList[i])) {
                    ShowCursorAgain();
                    Application::Get().ShowWarning(Format(
                        "No valid animated GIF image was found.  The image file(s) may be "
                        "corrupt.  Screensaver has run for %d minutes.",
                        int((now - startTick) / 60000)));
                    Close();
                    return;
                }
            }
            spritesLoaded = true;
        }
    }
    if (slideshowOn) StartErase();
    if (!StepSlideshow()) {
        ShowCursorAgain();
        Application::Get().ShowWarning("Unable to load slideshow image");
        Close();
        return;
    }
    moveNow = false;
    if (running_) SetTimer(Handle(), kFrameTimer, kFrameMs, nullptr);
}

void SaverWindow::RequestClose() {
    if (closeRequested || closeConfirmed) return;
    closeRequested = true;
    ShowCursorAgain();
    if (VerifyPassword()) {
        closeConfirmed = true;
        return;
    }
    HideCursor();
    closeRequested = false;
    lastMouse = POINT{-1, -1};
}

bool SaverWindow::VerifyPassword() {
    HKEY key;
    DWORD value = 0, size = sizeof value, type = 0;
    bool usePassword = false;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) ==
        ERROR_SUCCESS) {
        usePassword = RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, &type,
                                       reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
                      size == 4 && value != 0;
        RegCloseKey(key);
    }
    if (!usePassword) return true;
    ScopedLibrary cpl("PASSWORD.CPL");
    using Verify = BOOL(WINAPI*)(HWND);
    auto verify = cpl.Find<Verify>("VerifyScreenSavePwd");
    return !verify || verify(Handle()) != FALSE;
}

void SaverWindow::Close() {
    KillTimer(Handle(), kFrameTimer);
    SetWindowPos(Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    BOOL previous;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, &previous, 0);
    ShowCursorAgain();
    slideLoader.Stop();
    slide = nullptr;
    pictureList.clear();
    running_ = false;
    PostMessageA(Handle(), WM_NULL, 0, 0);  // wake the modal loop so that it ends
}

void SaverWindow::OnMouseMove(int x, int y) {
    if (!IsOptionOn(10034) || firstUse) return;
    if (lastMouse.x == -1) {
        lastMouse = POINT{x, y};
        return;
    }
    if (std::abs(x - lastMouse.x) > 2 || std::abs(y - lastMouse.y) > 2) {
        RequestClose();
        return;
    }
    lastMouse = POINT{x, y};
}

void SaverWindow::OnLeftButton(int x, int y) {
    for (size_t i = pictureList.size(); i-- > 0;) {
        if (!pictureList[i]->HitTest(x, y)) continue;
        // The slide keeps its place at the bottom: sprite reloads count on it.
        if (slide && i == 0) return;
        std::unique_ptr<Sprite> picked = std::move(pictureList[i]);
        pictureList.erase(pictureList.begin() + long(i));
        pictureList.push_back(std::move(picked));
        return;
    }
}

void SaverWindow::OnContextMenu(int x, int y) {
    if (!menu) return;
    HMENU options = GetSubMenu(menu, 0);
    if (!options) return;
    ShowCursorAgain();
    int speed = g_Settings.floats.Speed;
    bool songs = IsOptionOn(10002) && !soundList.empty();
    auto state = [](bool on) { return UINT(MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    EnableMenuItem(options, kMenuFaster, state(spritesOn && speed < 20));
    EnableMenuItem(options, kMenuSlower, state(spritesOn && speed > 0));
    EnableMenuItem(options, kMenuNextSong, state(songs));
    EnableMenuItem(options, kMenuPrevSong, state(songs));
    EnableMenuItem(options, kMenuExit, state(true));
    TrackPopupMenu(options, TPM_RIGHTBUTTON, x, y, 0, Handle(), nullptr);
    HideCursor();
    lastMouse = POINT{-1, -1};
}

void SaverWindow::OnMenuCommand(UINT id) {
    uint16_t& speed = g_Settings.floats.Speed;
    switch (id) {
    case kMenuFaster:
        if (speed < 20) ++speed;
        SetSpeedPacing();
        break;
    case kMenuSlower:
        if (speed > 0) --speed;
        SetSpeedPacing();
        break;
    case kMenuNextSong:
        if (!soundList.empty() && sound_) sound_->Next();
        break;
    case kMenuPrevSong:
        if (!soundList.empty() && sound_) sound_->Previous();
        break;
    case kMenuExit:
        RequestClose();
        break;
    }
}

bool SaverWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = 0;
    int x = short(LOWORD(lp)), y = short(HIWORD(lp));
    switch (msg) {
    case WM_TIMER:
        if (wp == kFrameTimer) OnFrame();
        return true;
    case WM_KEYDOWN:
        if (IsOptionOn(10034) || wp == VK_ESCAPE) RequestClose();
        return true;
    case WM_SYSKEYDOWN:
        if (IsOptionOn(10034)) RequestClose();
        return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (IsOptionOn(10034)) RequestClose();
        if (msg == WM_LBUTTONDOWN) OnLeftButton(x, y);
        return true;
    case WM_MOUSEMOVE:
        OnMouseMove(x, y);
        return true;
    case WM_CONTEXTMENU:
        OnContextMenu(x, y);
        return true;
    case WM_COMMAND:
        OnMenuCommand(LOWORD(wp));
        return true;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_SCREENSAVE || (wp & 0xFFF0) == SC_CLOSE) return true;
        return false;
    }
    return CPictureBox::OnMessage(msg, wp, lp, result);
}
