// The file operations of a build, behind one interface so that the same build
// steps run in the Windows program (Win32 calls) and in the native
// command-line builder (standard C++ and POSIX).  Paths are Windows-style
// texts with backslashes; the native implementation maps them onto "/".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class OutputFile {
  public:
    virtual ~OutputFile() = default;
    // Length of the file when opened; the writes follow it.
    virtual uint64_t StartLength() const = 0;
    virtual bool Write(const void* data, size_t n) = 0;
    // Flushes and closes; false when buffered bytes could not be written.
    virtual bool Close() = 0;
};

enum class ReadResult { Ok, CannotOpen, CannotRead, TooLarge };

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // A file (not a folder) exists at path.
    virtual bool FileExists(const std::string& path) = 0;
    // A folder exists at path.  For a drive root ("C:" or "C:\") the drive
    // must be a known kind.
    virtual bool DirectoryExists(const std::string& path) = 0;
    // Reads a whole file; `extra` bytes of spare capacity are kept behind it
    // so that a caller can append without copying.
    virtual ReadResult ReadFile(const std::string& path, std::vector<uint8_t>& out,
                                size_t extra = 0) = 0;
    // Length of a file; false when it cannot be read.
    virtual bool FileSize(const std::string& path, uint64_t& size) = 0;
    // Reads a whole file into `buf` of `capacity` bytes, giving its length in
    // `size`; TooLarge (nothing useful read) when it does not fit.
    virtual ReadResult ReadInto(const std::string& path, uint8_t* buf, size_t capacity,
                                size_t& size) = 0;
    // Creates or replaces a file with the given bytes.  (Copy and Remove are not
    // called CopyFile and DeleteFile: those are macros of <windows.h>.)
    virtual bool WriteFile(const std::string& path, const std::vector<uint8_t>& data) = 0;
    virtual bool Copy(const std::string& from, const std::string& to) = 0;
    virtual bool Remove(const std::string& path) = 0;
    // Creates a folder with every missing parent; true when it exists afterwards.
    virtual bool CreateDirectories(const std::string& path) = 0;
    // Names (not paths) of the files in `folder` whose name ends with "." + ext
    // (compared without regard to case, as Windows matches "*.EXT"), sorted
    // case-insensitively so that every platform lists them alike.
    virtual std::vector<std::string> ListFiles(const std::string& folder,
                                               const std::string& ext) = 0;
    // Last-write time in seconds since 1970-01-01 UTC; false when unknown.
    virtual bool LastWriteTime(const std::string& path, uint32_t& seconds) = 0;
    // Opens an existing file for writing at its end, keeping its bytes; null on failure.
    virtual std::unique_ptr<OutputFile> OpenForAppend(const std::string& path) = 0;
};

// Standard C++ and POSIX: backslashes become "/" and a leading backslash is
// the file-system root, so "\tmp\a.jpg" is /tmp/a.jpg.  Paths with a drive
// letter ("C:\...") do not exist here.
class StdFileSystem : public FileSystem {
  public:
    bool FileExists(const std::string& path) override;
    bool DirectoryExists(const std::string& path) override;
    ReadResult ReadFile(const std::string& path, std::vector<uint8_t>& out,
                        size_t extra = 0) override;
    bool FileSize(const std::string& path, uint64_t& size) override;
    ReadResult ReadInto(const std::string& path, uint8_t* buf, size_t capacity,
                        size_t& size) override;
    bool WriteFile(const std::string& path, const std::vector<uint8_t>& data) override;
    bool Copy(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
    bool CreateDirectories(const std::string& path) override;
    std::vector<std::string> ListFiles(const std::string& folder, const std::string& ext) override;
    bool LastWriteTime(const std::string& path, uint32_t& seconds) override;
    std::unique_ptr<OutputFile> OpenForAppend(const std::string& path) override;

    // The native path of a Windows-style one; empty for a drive-letter path.
    static std::string NativePath(const std::string& path);
    // The Windows-style form of a native path ("/tmp/a" -> "\tmp\a").
    static std::string PortablePath(const std::string& native);
    // A command-line path made absolute against the current folder, without a
    // trailing "/" (which would read as a folder entry), in the Windows-style form.
    static std::string FullPortablePath(const std::string& arg);
};

// Whether a file name ends with "." + ext, without regard to case.
bool HasExtensionNoCase(const std::string& name, const std::string& ext);
