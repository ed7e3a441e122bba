#include "common/file_names.h"

#include "common/paths.h"

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsForbiddenChar(unsigned char c) {
    if (c < 0x20) return true;
    switch (c) {
    case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return true;
    default:
        return false;
    }
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

}  // namespace

bool IsDeviceName(const std::string& component) {
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    base = ToLowerAscii(base);
    if (base == "con" || base == "prn" || base == "aux" || base == "nul" || base == "clock$")
        return true;
    if (base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0))
        return base[3] >= '1' && base[3] <= '9';
    return false;
}

bool IsSafeFileName(const std::string& component) {
    if (component.empty() || component == "." || component == "..") return false;
    for (char c : component) {
        if (IsForbiddenChar(static_cast<unsigned char>(c))) return false;
    }
    char last = component.back();
    if (last == '.' || last == ' ') return false;
    return !IsDeviceName(component);
}

bool IsValidSaverName(const std::string& name) {
    return name.size() <= kMaxSaverNameLength && IsSafeFileName(name);
}

bool IsSafeRelativePath(const std::string& path, bool bareName) {
    if (path.empty()) return false;
    size_t start = 0;
    for (;;) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        if (!IsSafeFileName(path.substr(start, end - start))) return false;
        if (end == path.size()) return true;
        if (bareName) return false;
        start = end + 1;
    }
}

bool IsPathInside(const std::string& folder, const std::string& path) {
    size_t n = folder.size();
    while (n > 0 && IsSeparator(folder[n - 1])) --n;
    if (n == 0 || path.size() <= n + 1) return false;
    for (size_t i = 0; i < n; ++i) {
        char a = folder[i], b = path[i];
        if (IsSeparator(a) && IsSeparator(b)) continue;
        if (LowerAscii(a) != LowerAscii(b)) return false;
    }
    if (!IsSeparator(path[n])) return false;
    return IsSafeRelativePath(path.substr(n + 1));
}

bool IsPlainAbsolutePath(const std::string& path) {
    if (path.size() > 3 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') &&
        path[1] == ':' && IsSeparator(path[2]))
        return IsSafeRelativePath(path.substr(3));
    if (path.size() < 3 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return false;
    // \\server\share\rest: server and share are names like any other.
    std::string rest = path.substr(2);
    size_t server = rest.find_first_of("\\/");
    if (server == std::string::npos) return false;
    size_t share = rest.find_first_of("\\/", server + 1);
    if (share == std::string::npos) return false;
    return IsSafeFileName(rest.substr(0, server)) &&
           IsSafeFileName(rest.substr(server + 1, share - server - 1)) &&
           IsSafeRelativePath(rest.substr(share + 1));
}
