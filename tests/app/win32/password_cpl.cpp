// A stand-in for the system's password control-panel module, for tests: it
// refuses the first check of a run and accepts the next, and counts the calls
// in a file beside itself so the test can see them.
#include <windows.h>

static int CountCalls() {
    char path[MAX_PATH];
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&CountCalls), &self);
    GetModuleFileNameA(self, path, MAX_PATH);
    lstrcatA(path, ".calls");
    int calls = GetPrivateProfileIntA("Password", "Calls", 0, path) + 1;
    char text[16];
    wsprintfA(text, "%d", calls);
    WritePrivateProfileStringA("Password", "Calls", text, path);
    return calls;
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND) {
    return CountCalls() >= 2;
}
