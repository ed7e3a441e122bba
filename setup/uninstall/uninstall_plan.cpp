#include "setup/uninstall/uninstall_plan.h"

#include <algorithm>

#include "common/file_names.h"
#include "common/paths.h"

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

std::string Normalized(const std::string& path) {
    std::string s = ToLowerAscii(path);
    std::replace(s.begin(), s.end(), '/', '\\');
    while (!s.empty() && s.back() == '\\') s.pop_back();
    return s;
}

size_t Depth(const std::string& path) {
    return size_t(std::count_if(path.begin(), path.end(), IsSeparator));
}

// "C:", "C:\" and "\\server\share" hold every file of a drive: never a root of removal.
bool IsDriveRoot(const std::string& dir) {
    std::string n = Normalized(dir);
    if (n.size() <= 2) return true;
    if (n.compare(0, 2, "\\\\") == 0) return Depth(n) <= 3;
    return false;
}

// Setup puts files into the Windows and system folders by bare name: nothing
// deeper there (another program's files, the Start menu) is ever removed.
bool IsDirectlyInside(const std::string& dir, const std::string& path) {
    if (dir.empty() || !IsPathInside(dir, path)) return false;
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    return SamePath(DirectoryPart(p), dir);
}

bool Contains(const std::vector<std::string>& list, const std::string& path) {
    for (const std::string& s : list) {
        if (SamePath(s, path)) return true;
    }
    return false;
}

bool IsProgramGroup(const std::string& path, const UninstallData& data,
                    const UninstallPlaces& places) {
    for (const std::string& programs : places.programsDirs) {
        if (!programs.empty() && IsPathInside(programs, path) &&
            SamePath(JoinPath(programs, data.saverName), path))
            return true;
    }
    return false;
}

}  // namespace

bool SamePath(const std::string& a, const std::string& b) {
    return Normalized(a) == Normalized(b);
}

UninstallPlan PlanUninstall(const UninstallData& data, const UninstallPlaces& places) {
    UninstallPlan plan;
    bool installRoot = !IsDriveRoot(places.installDir);
    std::string dataPath = JoinPath(places.installDir, kUninstallDataName);
    bool removeData = false;
    std::vector<std::string> folders;

    for (const std::string& path : data.files) {
        bool inInstall = installRoot && IsPathInside(places.installDir, path);
        bool inSystem = IsDirectlyInside(places.windowsDir, path) ||
                        IsDirectlyInside(places.systemDir, path);
        if (IsProgramGroup(path, data, places)) {
            plan.steps.push_back({RemovalKind::ProgramGroup, path});
            continue;
        }
        if (!inInstall && !inSystem) {
            plan.skipped.push_back(path);
            continue;
        }
        // Listed twice is removed once.
        if (SamePath(path, places.selfPath)) {
            plan.removeSelf = true;
        } else if (SamePath(path, dataPath)) {
            removeData = true;
        } else {
            bool seen = false;
            for (const Removal& r : plan.steps) seen = seen || SamePath(r.path, path);
            if (seen) continue;
            plan.steps.push_back({RemovalKind::File, path});
        }
        if (inInstall) {
            for (std::string dir = DirectoryPart(path); IsPathInside(places.installDir, dir);
                 dir = DirectoryPart(dir)) {
                if (!Contains(folders, dir)) folders.push_back(dir);
            }
        }
    }

    std::string company = "Software\\" + data.company;
    std::string product = company + "\\" + data.saverName;
    plan.registry.push_back({product + "\\App", "InstallDirectory", places.installDir, {},
                             {product + "\\App", product, company}});
    std::string uninstallKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + data.saverName;
    plan.registry.push_back({uninstallKey, "UninstallString",
                             JoinPath(places.installDir, kUninstallProgramName),
                             {"DisplayName"}, {uninstallKey}});
    plan.registry.push_back({"Software\\Microsoft\\Windows\\Help", data.saverName + ".hlp",
                             places.installDir, {}, {}});

    if (removeData) plan.finalSteps.push_back({RemovalKind::File, dataPath});
    std::stable_sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
        return Depth(a) > Depth(b);
    });
    for (const std::string& dir : folders) plan.finalSteps.push_back({RemovalKind::FolderIfEmpty, dir});
    if (installRoot) {
        if (plan.removeSelf)
            plan.afterSelf.push_back(places.installDir);
        else
            plan.finalSteps.push_back({RemovalKind::FolderIfEmpty, places.installDir});
    }
    return plan;
}

namespace {

// Splits off the first argument: a quoted one up to its closing quote, else up to a space.
std::string NextToken(std::string& rest) {
    size_t i = rest.find_first_not_of(' ');
    if (i == std::string::npos) {
        rest.clear();
        return std::string();
    }
    rest.erase(0, i);
    std::string token;
    if (rest[0] == '"') {
        size_t close = rest.find('"', 1);
        token = rest.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        rest.erase(0, close == std::string::npos ? rest.size() : close + 1);
    } else {
        size_t space = rest.find(' ');
        token = rest.substr(0, space);
        rest.erase(0, space == std::string::npos ? rest.size() : space);
    }
    return token;
}

std::string Trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

}  // namespace

UninstallCommand ParseUninstallCommand(const std::string& commandLine,
                                       const std::string& modulePath) {
    UninstallCommand cmd;
    std::string line = Trimmed(commandLine);
    std::string tail;
    std::string lower = ToLowerAscii(line);
    std::string module = ToLowerAscii(modulePath);
    std::string name = ToLowerAscii(FileNamePart(modulePath));
    if (!line.empty() && line[0] == '"') {
        tail = line;
        NextToken(tail);
    } else if (!module.empty() && lower.compare(0, module.size(), module) == 0 &&
               (lower.size() == module.size() || lower[module.size()] == ' ')) {
        tail = line.substr(module.size());
    } else if (!name.empty() && lower.size() >= name.size() && line.find('"') == std::string::npos &&
               lower.compare(lower.size() - name.size(), name.size(), name) == 0) {
        // The program's own path, unquoted, written in another form (short names).
        tail.clear();
    } else {
        tail = line;
        NextToken(tail);
    }
    tail = Trimmed(tail);

    if (ToLowerAscii(tail.substr(0, 8)) == "/finish ") {
        cmd.finish = true;
        std::string rest = tail.substr(8);
        std::string pid = NextToken(rest);
        cmd.exePath = NextToken(rest);
        for (std::string f = NextToken(rest); !f.empty(); f = NextToken(rest))
            cmd.folders.push_back(f);
        bool digits = !pid.empty() && pid.size() <= 10 &&
                      pid.find_first_not_of("0123456789") == std::string::npos;
        unsigned long long id = 0;
        for (char c : pid) id = id * 10 + unsigned(c - '0');
        digits = digits && id <= 0xFFFFFFFFull;
        cmd.parentId = digits ? static_cast<unsigned long>(id) : 0;
        // Only ever the uninstaller itself: the line cannot be made to delete another file.
        cmd.valid = digits && EqualsNoCase(FileNamePart(cmd.exePath), kUninstallProgramName);
        return cmd;
    }
    if (tail.empty()) {
        cmd.dataPath = JoinPath(DirectoryPart(modulePath), kUninstallDataName);
    } else if (tail[0] == '"') {
        cmd.dataPath = NextToken(tail);
    } else {
        cmd.dataPath = tail;
    }
    return cmd;
}

std::string MakeFinishCommand(const std::string& copyPath, unsigned long parentId,
                              const std::string& exePath,
                              const std::vector<std::string>& folders) {
    std::string line = "\"" + copyPath + "\" /finish " + std::to_string(parentId) + " \"" +
                       exePath + "\"";
    for (const std::string& f : folders) line += " \"" + f + "\"";
    return line;
}
