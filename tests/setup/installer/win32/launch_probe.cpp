// Stands in for an installed saver: records the command tail it was started
// with in "<its own path>.args", as "[tail]", and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return 1;
    std::string text = "[" + std::string(tail ? tail : "") + "]";
    HANDLE f = CreateFileA((std::string(path) + ".args").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(f, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(f);
    return 0;
}
