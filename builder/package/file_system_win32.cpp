#include "builder/package/file_system_win32.h"

#include <windows.h>

#include <algorithm>

#include "common/paths.h"
#include "win32/handles.h"

static DWORD Attributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

bool Win32FileSystem::FileExists(const std::string& path) {
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// "C:" or "C:\": a drive root, judged by its drive type.
static bool IsDriveRoot(const std::string& path) {
    return (path.size() == 2 || (path.size() == 3 && path[2] == '\\')) && path[1] == ':';
}

bool Win32FileSystem::DirectoryExists(const std::string& path) {
    if (IsDriveRoot(path)) {
        std::string root = path.substr(0, 2) + "\\";
        UINT type = GetDriveTypeA(root.c_str());
        return type != DRIVE_UNKNOWN && type != DRIVE_NO_ROOT_DIR;
    }
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

ReadResult Win32FileSystem::ReadFile(const std::string& path, std::vector<uint8_t>& out,
                                     size_t extra) {
    out.clear();
    ScopedHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.Valid()) return ReadResult::CannotOpen;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f.Get(), &size)) return ReadResult::CannotRead;
    uint64_t n = uint64_t(size.QuadPart);
    // Half the address space at most: the compressed copy needs room beside it.
    if (n > 0xFFFFFFFFu - extra || n + extra > SIZE_MAX / 2) return ReadResult::TooLarge;
    try {
        out.reserve(size_t(n) + extra);
        out.resize(size_t(n));
    } catch (...) {
        return ReadResult::TooLarge;
    }
    size_t done = 0;
    while (done < out.size()) {
        DWORD want = DWORD(std::min<size_t>(out.size() - done, 1 << 24)), got = 0;
        if (!::ReadFile(f.Get(), out.data() + done, want, &got, nullptr) || got == 0) {
            out.clear();
            return ReadResult::CannotRead;
        }
        done += got;
    }
    return ReadResult::Ok;
}

bool Win32FileSystem::FileSize(const std::string& path, uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

ReadResult Win32FileSystem::ReadInto(const std::string& path, uint8_t* buf, size_t capacity,
                                     size_t& size) {
    size = 0;
    ScopedHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.Valid()) return ReadResult::CannotOpen;
    LARGE_INTEGER length;
    if (!GetFileSizeEx(f.Get(), &length)) return ReadResult::CannotRead;
    if (uint64_t(length.QuadPart) > capacity) return ReadResult::TooLarge;
    size_t want = size_t(length.QuadPart), done = 0;
    while (done < want) {
        DWORD chunk = DWORD(std::min<size_t>(want - done, 1 << 24)), got = 0;
        if (!::ReadFile(f.Get(), buf + done, chunk, &got, nullptr) || got == 0)
            return ReadResult::CannotRead;
        done += got;
    }
    size = done;
    return ReadResult::Ok;
}

bool Win32FileSystem::WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
    ScopedHandle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.Valid()) return false;
    size_t done = 0;
    while (done < data.size()) {
        DWORD want = DWORD(std::min<size_t>(data.size() - done, 1 << 24)), put = 0;
        if (!::WriteFile(f.Get(), data.data() + done, want, &put, nullptr) || put == 0)
            return false;
        done += put;
    }
    return true;
}

bool Win32FileSystem::Copy(const std::string& from, const std::string& to) {
    return ::CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool Win32FileSystem::Remove(const std::string& path) {
    return ::DeleteFileA(path.c_str()) != 0;
}

bool Win32FileSystem::CreateDirectories(const std::string& path) {
    if (path.empty()) return false;
    if (DirectoryExists(path)) return true;
    // Every prefix that ends before a backslash, except the drive ("C:") itself.
    for (size_t i = path.find('\\'); i != std::string::npos; i = path.find('\\', i + 1)) {
        std::string prefix = path.substr(0, i);
        if (prefix.empty() || IsDriveRoot(prefix) || prefix == "\\") continue;
        if (!DirectoryExists(prefix) && !CreateDirectoryA(prefix.c_str(), nullptr)) return false;
    }
    if (!DirectoryExists(path) && !CreateDirectoryA(path.c_str(), nullptr)) return false;
    return DirectoryExists(path);
}

std::vector<std::string> Win32FileSystem::ListFiles(const std::string& folder,
                                                    const std::string& ext) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    std::string pattern = JoinPath(folder, "*." + ext);
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        // "*.JPE" also matches 8.3 aliases of longer extensions: keep exact ones only.
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            HasExtensionNoCase(fd.cFileName, ext))
            names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        int c = CompareNoCase(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

bool Win32FileSystem::LastWriteTime(const std::string& path, uint32_t& seconds) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    uint64_t t =
        (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    // 100-ns ticks since 1601 to seconds since 1970.
    const uint64_t kEpoch = 116444736000000000ull;
    if (t < kEpoch) return false;
    uint64_t s = (t - kEpoch) / 10000000ull;
    if (s > 0xFFFFFFFFu) return false;
    seconds = uint32_t(s);
    return true;
}

namespace {
class Win32OutputFile : public OutputFile {
  public:
    Win32OutputFile(HANDLE f, uint64_t start) : f_(f), start_(start) {}
    ~Win32OutputFile() override {
        if (f_ != INVALID_HANDLE_VALUE) CloseHandle(f_);
    }
    uint64_t StartLength() const override { return start_; }
    bool Write(const void* data, size_t n) override {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        while (n > 0) {
            DWORD want = DWORD(std::min<size_t>(n, 1 << 24)), put = 0;
            if (f_ == INVALID_HANDLE_VALUE || !::WriteFile(f_, p, want, &put, nullptr) || put == 0)
                return false;
            p += put;
            n -= put;
        }
        return true;
    }
    bool Close() override {
        if (f_ == INVALID_HANDLE_VALUE) return false;
        bool ok = CloseHandle(f_) != 0;
        f_ = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE f_;
    uint64_t start_;
};
} // namespace

std::unique_ptr<OutputFile> Win32FileSystem::OpenForAppend(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER zero, end;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(f, zero, &end, FILE_END)) {
        CloseHandle(f);
        return nullptr;
    }
    return std::make_unique<Win32OutputFile>(f, uint64_t(end.QuadPart));
}
