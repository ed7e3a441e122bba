// A scratch folder for builder tests, removed with its files afterwards, and
// the platform's file system over it.  Paths are Windows-style as the build
// steps use them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "builder/package/file_system.h"

class TestDir {
  public:
    TestDir();
    ~TestDir();
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
    // Writes a file (making its folders); returns its path.
    std::string Put(const std::string& relative, const std::vector<uint8_t>& bytes);
    std::string Put(const std::string& relative, const std::string& text);
    std::vector<uint8_t> Get(const std::string& relative) const;
    FileSystem& Fs() { return *fs_; }

  private:
    std::string path_;
    std::unique_ptr<FileSystem> fs_;
};
