#include <climits>
#include <ctime>
#include <unistd.h>

#include "programs/plinthar-build/platform.h"

std::unique_ptr<FileSystem> MakeFileSystem() {
    return std::make_unique<StdFileSystem>();
}

std::string FullPath(const std::string& arg) {
    return StdFileSystem::FullPortablePath(arg);
}

int CurrentYear() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

std::string ShownPath(const std::string& path) {
    return StdFileSystem::NativePath(path);
}

bool ProgressOnTerminal() {
    return ::isatty(2) != 0;
}
