#include <windows.h>

#include "builder/package/file_system_win32.h"
#include "programs/plinthar-build/platform.h"

std::unique_ptr<FileSystem> MakeFileSystem() {
    return std::make_unique<Win32FileSystem>();
}

std::string FullPath(const std::string& arg) {
    char buf[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(arg.c_str(), sizeof buf, buf, nullptr);
    std::string path = (n == 0 || n >= sizeof buf) ? arg : std::string(buf, n);
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return path;
}

int CurrentYear() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t.wYear;
}

std::string ShownPath(const std::string& path) {
    return path;
}

bool ProgressOnTerminal() {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}
