// Setup: the installer stub that a built saver's package is appended to.
#include <windows.h>

#include "setup/installer/setup_app_win32.h"

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int) {
    return InitInstance(inst);
}
