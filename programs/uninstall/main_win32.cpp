// Uninstall.exe: removes an installed saver as recorded in "Uninstall.dat".
#include <windows.h>

#include "setup/uninstall/uninstall_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return RunUninstall(GetCommandLineA());
}
