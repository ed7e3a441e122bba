#include "common/paths.h"

bool IsFolderRelative(const std::string& path) {
    return !path.empty() && path[0] == '\\' && (path.size() < 2 || path[1] != '\\');
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if ((!dir.empty() && dir.back() == '\\') || (!name.empty() && name.front() == '\\'))
        return dir + name;
    return dir + "\\" + name;
}

std::string DirectoryPart(const std::string& path) {
    size_t p = path.rfind('\\');
    return p == std::string::npos ? std::string() : path.substr(0, p);
}

std::string FileNamePart(const std::string& path) {
    size_t p = path.rfind('\\');
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string StripExtension(const std::string& path) {
    size_t slash = path.rfind('\\');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

std::string ExtensionPart(const std::string& path) {
    std::string stem = StripExtension(path);
    return path.substr(stem.size());
}

static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string ToLowerAscii(std::string s) {
    for (char& c : s) c = LowerAscii(c);
    return s;
}

int CompareNoCase(const std::string& a, const std::string& b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        int ca = (unsigned char)LowerAscii(a[i]), cb = (unsigned char)LowerAscii(b[i]);
        if (ca != cb) return ca - cb;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool EqualsNoCase(const std::string& a, const std::string& b) { return CompareNoCase(a, b) == 0; }
