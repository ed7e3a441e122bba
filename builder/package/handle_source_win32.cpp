#include "builder/package/handle_source_win32.h"

bool HandleSource::ReadAt(uint64_t offset, void* buf, size_t n) {
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(offset);
    if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN)) return false;
    uint8_t* p = static_cast<uint8_t*>(buf);
    while (n > 0) {
        DWORD chunk = n > 0x10000000 ? 0x10000000 : DWORD(n);
        DWORD got = 0;
        if (!ReadFile(file_, p, chunk, &got, nullptr) || got == 0) return false;
        p += got;
        n -= got;
    }
    return true;
}

bool HandleFileSize(HANDLE file, uint64_t& size) {
    LARGE_INTEGER s;
    if (!GetFileSizeEx(file, &s) || s.QuadPart < 0) return false;
    size = uint64_t(s.QuadPart);
    return true;
}
