// Wide archive texts on Windows: converted through the system's ANSI code page,
// as every other text of the program is ANSI.
#include <windows.h>

#include <climits>
#include <string>

#include "common/archive.h"

std::string AnsiFromWide(const uint16_t* chars, size_t n) {
    if (n == 0) return std::string();
    if (n > size_t(INT_MAX) / 2) return std::string(n, '?');
    const std::wstring text(chars, chars + n);
    const wchar_t* wide = text.c_str();
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, int(n), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string(n, '?');
    std::string out(size_t(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, int(n), &out[0], bytes, nullptr, nullptr);
    return out;
}
