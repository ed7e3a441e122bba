#include "builder_test_dir.h"

#include <cstdlib>
#include <string>

#include "common/paths.h"

#ifdef _WIN32
#include <windows.h>

#include "builder/package/file_system_win32.h"

static std::unique_ptr<FileSystem> PlatformFs() {
    return std::make_unique<Win32FileSystem>();
}
static std::string MakeScratch() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int serial = 0;
    std::string path = JoinPath(base, "pbt" + std::to_string(GetCurrentProcessId()) + "_" +
                                          std::to_string(serial++));
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}
static void RemoveTree(const std::string& path) {
    // Files first, then the folders, deepest first.
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}
#else
#include <unistd.h>

static std::unique_ptr<FileSystem> PlatformFs() {
    return std::make_unique<StdFileSystem>();
}
static std::string MakeScratch() {
    char tmpl[] = "/tmp/plinthar-builder-XXXXXX";
    const char* made = ::mkdtemp(tmpl);
    return StdFileSystem::PortablePath(made ? made : "/tmp");
}
static void RemoveTree(const std::string& path) {
    std::string native = StdFileSystem::NativePath(path);
    if (native.rfind("/tmp/plinthar-builder-", 0) == 0)
        if (std::system(("rm -rf '" + native + "'").c_str()) != 0) return;
}
#endif

TestDir::TestDir() : path_(MakeScratch()), fs_(PlatformFs()) {}

TestDir::~TestDir() {
    RemoveTree(path_);
}

std::string TestDir::Put(const std::string& relative, const std::vector<uint8_t>& bytes) {
    std::string path = *this / relative;
    std::string dir = DirectoryPart(path);
    fs_->CreateDirectories(dir);
    fs_->WriteFile(path, bytes);
    return path;
}

std::string TestDir::Put(const std::string& relative, const std::string& text) {
    return Put(relative, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> TestDir::Get(const std::string& relative) const {
    std::vector<uint8_t> out;
    fs_->ReadFile(*this / relative, out);
    return out;
}
