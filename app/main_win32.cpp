// Entry of Plinthar: one executable that is the screensaver, the authoring
// sheet and the saver builder, depending on the command line Windows passes.
#include <windows.h>

#include <string>

#include "app/app_info.h"
#include "app/run_mode.h"
#include "app/settings_win32.h"
#include "saver/saver_window_win32.h"
#include "sound/mpeg/mpeg_engine_win32.h"
#include "win32/application.h"
#include "win32/handles.h"

namespace {

const char kSaverMutex[] = "KelpoNumber3";
const char kDepthWarning[] = "This screen saver could only be run in 256-color or higher display mode.";

int DisplayDepth() {
    WindowDC screen(nullptr);
    return screen.Get() ? GetDeviceCaps(screen.Get(), BITSPIXEL) : 0;
}

void RunConfiguration(Application& app, int argCount) {
    int depth = DisplayDepth();
    if (!LoadSettings()) return;
    if (depth < 8) {
        app.ShowWarning(kDepthWarning);
        return;
    }
    HWND parent = argCount > 0 ? GetForegroundWindow() : nullptr;
    (void)parent;  // the setup sheet runs here once the authoring pages exist
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
