// File access of a build through the Win32 API (ANSI paths).
#pragma once

#include "builder/package/file_system.h"

class Win32FileSystem : public FileSystem {
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
};
