#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "builder/package/file_system.h"
#include "common/paths.h"

std::string StdFileSystem::NativePath(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return std::string();
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

std::string StdFileSystem::PortablePath(const std::string& native) {
    std::string p = native;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

std::string StdFileSystem::FullPortablePath(const std::string& arg) {
    std::string path = arg;
    if (path.empty() || path[0] != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd)) path = std::string(cwd) + "/" + path;
    }
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return PortablePath(path);
}

static bool StatPath(const std::string& path, struct stat& st) {
    std::string n = StdFileSystem::NativePath(path);
    return !n.empty() && ::stat(n.c_str(), &st) == 0;
}

bool StdFileSystem::FileExists(const std::string& path) {
    struct stat st;
    return StatPath(path, st) && S_ISREG(st.st_mode);
}

bool StdFileSystem::DirectoryExists(const std::string& path) {
    struct stat st;
    return StatPath(path, st) && S_ISDIR(st.st_mode);
}

namespace {

// An existing regular file open for reading, with its size as opened; closed
// at the end of the scope.  Folders and devices are refused like absent files.
class RegularFile {
  public:
    explicit RegularFile(const std::string& path) {
        std::string n = StdFileSystem::NativePath(path);
        if (n.empty() || !(f_ = std::fopen(n.c_str(), "rb"))) return;
        struct stat st;
        if (::fstat(fileno(f_), &st) != 0 || !S_ISREG(st.st_mode)) {
            std::fclose(f_);
            f_ = nullptr;
            return;
        }
        size_ = uint64_t(st.st_size);
    }
    ~RegularFile() {
        if (f_) std::fclose(f_);
    }
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool IsOpen() const { return f_ != nullptr; }
    uint64_t Size() const { return size_; }
    // Reads n bytes from the start; a file that grew since it was opened is read
    // as it was measured.
    bool Read(uint8_t* buf, size_t n) { return n == 0 || std::fread(buf, 1, n, f_) == n; }

  private:
    std::FILE* f_ = nullptr;
    uint64_t size_ = 0;
};

} // namespace

ReadResult StdFileSystem::ReadFile(const std::string& path, std::vector<uint8_t>& out,
                                   size_t extra) {
    out.clear();
    RegularFile file(path);
    if (!file.IsOpen()) return ReadResult::CannotOpen;
    uint64_t size = file.Size();
    if (size > 0xFFFFFFFFu - extra || size + extra > SIZE_MAX / 2) return ReadResult::TooLarge;
    try {
        out.reserve(size_t(size) + extra);
        out.resize(size_t(size));
    } catch (...) {
        return ReadResult::TooLarge;
    }
    if (!file.Read(out.data(), out.size())) {
        out.clear();
        return ReadResult::CannotRead;
    }
    return ReadResult::Ok;
}

bool StdFileSystem::FileSize(const std::string& path, uint64_t& size) {
    struct stat st;
    if (!StatPath(path, st) || !S_ISREG(st.st_mode)) return false;
    size = uint64_t(st.st_size);
    return true;
}

ReadResult StdFileSystem::ReadInto(const std::string& path, uint8_t* buf, size_t capacity,
                                   size_t& size) {
    size = 0;
    RegularFile file(path);
    if (!file.IsOpen()) return ReadResult::CannotOpen;
    if (file.Size() > capacity) return ReadResult::TooLarge;
    if (!file.Read(buf, size_t(file.Size()))) return ReadResult::CannotRead;
    size = size_t(file.Size());
    return ReadResult::Ok;
}

bool StdFileSystem::WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
    std::string n = NativePath(path);
    if (n.empty()) return false;
    std::FILE* f = std::fopen(n.c_str(), "wb");
    if (!f) return false;
    bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    if (std::fclose(f) != 0) ok = false;
    return ok;
}

bool StdFileSystem::Copy(const std::string& from, const std::string& to) {
    std::vector<uint8_t> data;
    if (ReadFile(from, data) != ReadResult::Ok) return false;
    return WriteFile(to, data);
}

bool StdFileSystem::Remove(const std::string& path) {
    std::string n = NativePath(path);
    return !n.empty() && ::unlink(n.c_str()) == 0;
}

bool StdFileSystem::CreateDirectories(const std::string& path) {
    std::string n = NativePath(path);
    if (n.empty()) return false;
    for (size_t i = 1; i <= n.size(); ++i) {
        if (i < n.size() && n[i] != '/') continue;
        std::string prefix = n.substr(0, i);
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return DirectoryExists(path);
}

std::vector<std::string> StdFileSystem::ListFiles(const std::string& folder,
                                                  const std::string& ext) {
    std::vector<std::string> names;
    std::string n = NativePath(folder);
    if (n.empty()) return names;
    DIR* d = ::opendir(n.c_str());
    if (!d) return names;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (!HasExtensionNoCase(name, ext)) continue;
        if (FileExists(JoinPath(folder, name))) names.push_back(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        int c = CompareNoCase(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

bool StdFileSystem::LastWriteTime(const std::string& path, uint32_t& seconds) {
    struct stat st;
    if (!StatPath(path, st) || st.st_mtime < 0 || uint64_t(st.st_mtime) > 0xFFFFFFFFu) return false;
    seconds = uint32_t(st.st_mtime);
    return true;
}

namespace {
class StdOutputFile : public OutputFile {
  public:
    StdOutputFile(std::FILE* f, uint64_t start) : f_(f), start_(start) {}
    ~StdOutputFile() override {
        if (f_) std::fclose(f_);
    }
    uint64_t StartLength() const override { return start_; }
    bool Write(const void* data, size_t n) override {
        return f_ && (n == 0 || std::fwrite(data, 1, n, f_) == n);
    }
    bool Close() override {
        if (!f_) return false;
        bool ok = std::fflush(f_) == 0 && !std::ferror(f_);
        if (std::fclose(f_) != 0) ok = false;
        f_ = nullptr;
        return ok;
    }

  private:
    std::FILE* f_;
    uint64_t start_;
};
} // namespace

std::unique_ptr<OutputFile> StdFileSystem::OpenForAppend(const std::string& path) {
    std::string n = NativePath(path);
    if (n.empty() || !FileExists(path)) return nullptr;
    std::FILE* f = std::fopen(n.c_str(), "r+b");
    if (!f) return nullptr;
    if (std::fseek(f, 0, SEEK_END) != 0) {
        std::fclose(f);
        return nullptr;
    }
    long at = std::ftell(f);
    if (at < 0) {
        std::fclose(f);
        return nullptr;
    }
    return std::make_unique<StdOutputFile>(f, uint64_t(at));
}
