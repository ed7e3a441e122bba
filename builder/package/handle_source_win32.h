// A package source over a Win32 file handle (Setup reads its own executable).
#pragma once

#include <windows.h>

#include "builder/package/package_reader.h"

class HandleSource : public ByteSource {
  public:
    // The handle stays the caller's.
    explicit HandleSource(HANDLE file) : file_(file) {}
    bool ReadAt(uint64_t offset, void* buf, size_t n) override;

  private:
    HANDLE file_;
};

// Size of an open file; false when it cannot be read.
bool HandleFileSize(HANDLE file, uint64_t& size);
