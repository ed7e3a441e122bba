#include "setup/installer/install_rules.h"

#include <cctype>
#include <cstdio>

#include "common/paths.h"

const char* ErrorText(int code) {
    switch (code) {
    case kInstallOutOfMemory:
        return "Out of memory";
    case kInstallInvalidFile:
        return "Invalid file";
    case kInstallFileSystemError:
        return "File system error";
    case kInstallRegistryError:
        return "Registry error";
    case kInstallAborted:
        return "Installation aborted";
    default:
        return "No error";
    }
}

TargetFolder FolderForKeyword(const std::string& keyword) {
    if (EqualsNoCase(keyword, "WINDOWSDIR")) return TargetFolder::Windows;
    if (EqualsNoCase(keyword, "SYSTEMDIR")) return TargetFolder::System;
    return TargetFolder::Install;
}

bool IsOverwriteButton(int id) {
    return id == kOverwriteYes || id == kOverwriteNo || id == kOverwriteYesToAll ||
           id == kOverwriteAbort;
}

int AskOverwriteUntilAnswered(const std::function<int()>& ask) {
    for (;;) {
        int answer = ask();
        if (IsOverwriteButton(answer)) return answer;
        // A question that cannot even be shown would otherwise be asked forever.
        if (answer == -1) return kOverwriteAbort;
    }
}

uint64_t RoundUpToUnit(uint64_t size, uint64_t unit) {
    if (unit == 0 || size % unit == 0) return size;
    return size + (unit - size % unit);
}

std::string FormatDriveSpace(uint64_t bytes) {
    const uint64_t kb = 1024, mb = kb * 1024, gb = mb * 1024;
    char buf[64];
    if (bytes >= 2 * gb) return "More than 2GB";
    if (bytes >= gb)
        std::snprintf(buf, sizeof buf, "%u GB", unsigned(bytes / gb));
    else if (bytes >= mb)
        std::snprintf(buf, sizeof buf, "%u MB", unsigned(bytes / mb));
    else if (bytes >= kb)
        std::snprintf(buf, sizeof buf, "%u KB", unsigned(bytes / kb));
    else
        std::snprintf(buf, sizeof buf, "%u", unsigned(bytes));
    return buf;
}

std::string FolderRoot(const std::string& folder) {
    if (folder.size() >= 3 && std::isalpha(static_cast<unsigned char>(folder[0])) &&
        folder[1] == ':' && folder[2] == '\\')
        return folder.substr(0, 3);
    if (folder.size() > 2 && folder[0] == '\\' && folder[1] == '\\') {
        size_t server = folder.find('\\', 2);
        if (server == std::string::npos || server == 2) return "";
        size_t share = folder.find('\\', server + 1);
        if (share == server + 1) return "";
        if (share == std::string::npos) return folder + "\\";
        return folder.substr(0, share + 1);
    }
    return "";
}

std::string NormalizeFolder(const std::string& folder) {
    if (folder.find('\\') == std::string::npos) {
        // "C:" and "C" both name the drive's root.
        if (!folder.empty() && folder.back() == ':') return folder + "\\";
        return folder + ":\\";
    }
    if (folder.back() != '\\') return folder + "\\";
    return folder;
}

bool IsSameFolder(const std::string& a, const std::string& b) {
    return EqualsNoCase(NormalizeFolder(a), NormalizeFolder(b));
}

std::string DefaultDestination(const std::string& programFiles, const std::string& windowsDir,
                               const std::string& saverName) {
    std::string base = programFiles;
    if (base.empty()) {
        size_t slash = windowsDir.find('\\');
        base = slash == std::string::npos ? windowsDir : windowsDir.substr(0, slash + 1);
    }
    return JoinPath(base, saverName);
}

std::vector<std::string> FoldersToCreate(const std::string& folder) {
    std::vector<std::string> out;
    std::string root = FolderRoot(folder);
    if (root.empty()) return out;
    std::string path = folder;
    while (path.size() > root.size() && path.back() == '\\')
        path.pop_back();
    if (path.size() <= root.size()) return out;
    for (size_t i = root.size(); i < path.size(); ++i)
        if (path[i] == '\\' && path[i - 1] != '\\') out.push_back(path.substr(0, i));
    out.push_back(path);
    return out;
}

std::string TrimSpaces(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::string CleanFolderText(const std::string& text) {
    std::string out = TrimSpaces(text);
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}
