// Entry of Plinthar: one executable that is the screensaver, the authoring
// sheet and the saver builder, depending on the command line Windows passes.
#include <windows.h>

#include <string>

#include "app/app_info.h"
#include "app/run_mode.h"
#include "app/settings_win32.h"
#include "authoring/main_page_win32.h"
#include "authoring/setup_sheet_win32.h"
#include "saver/saver_window_win32.h"
#include "sound/mpeg/mpeg_engine_win32.h"
#include "win32/application.h"
#include "win32/handles.h"

// A page is in the sheet when its library is linked (PLINTHAR_WITH_...) and
// its header is there.
#if defined(PLINTHAR_WITH_MEDIA_PAGES) && __has_include("authoring/media/image_page_win32.h")
#include "authoring/media/image_page_win32.h"
#define HAS_IMAGE_PAGE 1
#endif
#if defined(PLINTHAR_WITH_MEDIA_PAGES) && __has_include("authoring/media/sound_page_win32.h")
#include "authoring/media/sound_page_win32.h"
#define HAS_SOUND_PAGE 1
#endif
#if defined(PLINTHAR_WITH_PAGES2) && __has_include("authoring/slideshow_page_win32.h")
#include "authoring/slideshow_page_win32.h"
#define HAS_SLIDESHOW_PAGE 1
#endif
#if defined(PLINTHAR_WITH_PAGES2) && __has_include("authoring/custom_page_win32.h")
#include "authoring/custom_page_win32.h"
#define HAS_SETTINGS_PAGE 1
#endif
#if defined(PLINTHAR_WITH_CREATE_PAGE) && __has_include("builder/create/create_page_win32.h")
#include "builder/create/create_page_win32.h"
#define HAS_CREATE_PAGE 1
#endif

namespace {

const char kSaverMutex[] = "KelpoNumber3";
const char kDepthWarning[] = "This screen saver could only be run in 256-color or higher display mode.";

int DisplayDepth() {
    WindowDC screen(nullptr);
    return screen.Get() ? GetDeviceCaps(screen.Get(), BITSPIXEL) : 0;
}

// The authoring sheet with every page this build has; a created saver shows
// its end user only the Settings page.
void RunSetupSheet(Application& app, HWND parent) {
    bool created = g_AppInfo.isCreatedSaver();
    CSetupSheet sheet(app.Title(), created);
    CMainPage options;
#ifdef HAS_SETTINGS_PAGE
    CCustomPage custom;
    if (created) sheet.AddPage(SheetSlot::Settings, &custom);
#endif
    // Without its Settings page a created saver still offers the Options page.
    if (!created || !sheet.Page(SheetSlot::Settings)) sheet.AddPage(SheetSlot::Options, &options);
#ifdef HAS_IMAGE_PAGE
    CImagePage images;
    if (!created) sheet.AddPage(SheetSlot::Images, &images);
#endif
#ifdef HAS_SOUND_PAGE
    CSoundPage sounds;
    if (!created) sheet.AddPage(SheetSlot::Sounds, &sounds);
#endif
#ifdef HAS_SLIDESHOW_PAGE
    CSlideShowPage slideshow;
    if (!created) sheet.AddPage(SheetSlot::Slideshow, &slideshow);
#endif
#ifdef HAS_CREATE_PAGE
    CCreatePage create;
    if (!created) sheet.AddPage(SheetSlot::Create, &create);
#endif
    sheet.Run(parent);
    app.SetMainWindow(nullptr);
}

void RunConfiguration(Application& app, int argCount) {
    int depth = DisplayDepth();
    if (!LoadSettings()) return;
    if (depth < 8) {
        app.ShowWarning(kDepthWarning);
        return;
    }
    HWND parent = argCount > 0 ? GetForegroundWindow() : nullptr;
    RunSetupSheet(app, parent);
}

void RunSaver(Application& app) {
    // The handle stays open for the life of the process: a second saver exits at once.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kSaverMutex);
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) return;
    if (DisplayDepth() < 8) {
        app.ShowWarning(kDepthWarning);
        return;
    }
    if (!LoadSettings()) return;
    SaverWindow saver;
    app.SetMainWindow(nullptr);
    saver.Start();
}

void RunChangePassword(int argc, char** argv) {
    HWND parent = nullptr;
    uintptr_t value = 0;
    if (argc >= 3 && ParseHandleArgument(argv[2], value) && IsWindow(reinterpret_cast<HWND>(value)))
        parent = reinterpret_cast<HWND>(value);
    else
        parent = GetForegroundWindow();
    ScopedLibrary mpr("MPR.DLL");
    using ChangePassword = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
    auto change = mpr.Find<ChangePassword>("PwdChangePasswordA");
    if (change) change("SCRSAVE", parent, 0, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    Application& app = Application::Get();
    app.SetInstance(instance);
    app.SetTitle(app.LoadText(1));
    UseMpegDecoderEngine();  // MPEG audio plays through the built-in decoder
    int argc = __argc;
    char** argv = __argv;
    std::string tail = CommandTail(GetCommandLineA());
    switch (ChooseRunMode(tail, argc - 1)) {
    case RunMode::Configure:
        RunConfiguration(app, argc - 1);
        break;
    case RunMode::Saver:
        RunSaver(app);
        break;
    case RunMode::ChangePassword:
        RunChangePassword(argc, argv);
        break;
    case RunMode::Preview:
    case RunMode::None:
        break;
    }
    app.Exit(0);
}
