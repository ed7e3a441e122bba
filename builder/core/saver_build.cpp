#include "builder/core/saver_build.h"

#include <set>

#include "common/paths.h"

namespace {

// Entries of the same folder collide; WINDOWSDIR and SYSTEMDIR are folders of
// their own, every other keyword installs into the installation folder.
std::string FolderOf(const std::string& keyword) {
    if (EqualsNoCase(keyword, "WINDOWSDIR")) return "W";
    if (EqualsNoCase(keyword, "SYSTEMDIR")) return "S";
    return "I";
}

std::string WithSuffix(const std::string& name, int k) {
    std::string stem = StripExtension(name), ext = name.substr(stem.size());
    std::string tail = "_" + std::to_string(k) + ext;
    // Target names stay below 256 characters.
    if (stem.size() + tail.size() >= kLineTargetLimit)
        stem.resize(kLineTargetLimit - 1 - tail.size());
    return stem + tail;
}

} // namespace

void InstallNames::Assign(std::vector<std::string>& lines) {
    std::set<std::string> taken;  // folder + lower-cased name
    std::set<std::string> placed; // folder + lower-cased source
    std::vector<std::string> kept;
    for (std::string& line : lines) {
        MakeLine m;
        if (!ParseMakeLine(line, m)) {
            kept.push_back(std::move(line));
            continue;
        }
        std::string folder = FolderOf(m.keyword);
        // The same file listed twice (an entry and its folder, say) is packaged once.
        if (!placed.insert(folder + ToLowerAscii(m.source)).second) continue;
        std::string name = m.target;
        for (int k = 2; taken.count(folder + ToLowerAscii(name)); ++k)
            name = WithSuffix(m.target, k);
        taken.insert(folder + ToLowerAscii(name));
        if (name != m.target) line = m.source + "," + name + "," + m.keyword + "," + m.shortcut;
        bySource_.emplace(ToLowerAscii(m.source), name);
        kept.push_back(std::move(line));
    }
    lines = std::move(kept);
}

std::string InstallNames::NameOf(const std::string& source) const {
    auto it = bySource_.find(ToLowerAscii(source));
    return it != bySource_.end() ? it->second : FileNamePart(source);
}

namespace {

// Blanks as the settings reader skips them around names.
std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\v\f\x1a"; // as the settings reader skips them
    size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

// "[name]": a section header.  As the reader takes it, an unclosed "[" runs
// to the end of the line.
bool IsSectionHeader(const std::string& line, std::string& name) {
    std::string t = Trim(line);
    if (t.empty() || t.front() != '[') return false;
    size_t close = t.find(']');
    name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

std::string KeyName(const std::string& line) {
    size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : Trim(line.substr(0, eq));
}

struct Section {
    std::string header; // the "[name]" line as written; empty for lines before any section
    std::string name;
    std::vector<std::string> lines;
};

void SetKey(Section& s, const std::string& key, const std::string& value) {
    for (std::string& line : s.lines)
        if (EqualsNoCase(KeyName(line), key)) {
            line = key + "=" + value;
            return;
        }
    // After the last key, before any blank lines that end the section.
    size_t at = s.lines.size();
    while (at > 0 && Trim(s.lines[at - 1]).empty())
        --at;
    s.lines.insert(s.lines.begin() + long(at), key + "=" + value);
}

} // namespace

std::string EditSaverSettings(const std::string& iniText, const std::string& backgroundName) {
    std::vector<Section> sections(1);
    size_t start = 0;
    while (start < iniText.size()) {
        size_t end = iniText.find('\n', start);
        std::string line =
            iniText.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end == std::string::npos ? iniText.size() : end + 1;
        std::string name;
        if (IsSectionHeader(line, name)) {
            sections.push_back({line, name, {}});
            continue;
        }
        sections.back().lines.push_back(line);
    }
    auto find = [&sections](const char* name) -> Section& {
        for (Section& s : sections)
            if (!s.header.empty() && EqualsNoCase(s.name, name)) return s;
        // A section the author's file lacks starts after a blank line.
        if (!sections.back().lines.empty() && !Trim(sections.back().lines.back()).empty())
            sections.back().lines.push_back("");
        sections.push_back({"[" + std::string(name) + "]", name, {}});
        return sections.back();
    };

    std::vector<Section> kept;
    for (Section& s : sections)
        if (s.header.empty() || !EqualsNoCase(s.name, "Distribution")) kept.push_back(std::move(s));
    sections = std::move(kept);

    // A key may stand in several sections of the same name: it goes from all
    // of them, and what is set goes into the first.
    auto drop = [&sections](const char* section, const std::vector<const char*>& keys) {
        for (Section& s : sections) {
            if (s.header.empty() || !EqualsNoCase(s.name, section)) continue;
            std::vector<std::string> lines;
            for (const std::string& line : s.lines) {
                bool gone = false;
                for (const char* k : keys)
                    gone = gone || EqualsNoCase(KeyName(line), k);
                if (!gone) lines.push_back(line);
            }
            s.lines = std::move(lines);
        }
    };
    drop("Options", {"LastImageDir", "LastSoundDir", "LastAlbumDir", "AlbumFile", "IsFirstUse"});
    SetKey(find("Options"), "IsFirstUse", "1");
    if (!backgroundName.empty()) {
        drop("Background", {"Image"});
        SetKey(find("Background"), "Image", "\\" + backgroundName);
    }

    std::string out;
    for (const Section& s : sections) {
        if (!s.header.empty()) out += s.header + "\r\n";
        for (const std::string& line : s.lines)
            out += line + "\r\n";
    }
    return out;
}

MakeRecord MakeSaverRecord(const SaverFields& f, const std::vector<std::string>& lines) {
    MakeRecord m;
    m.outputDir = f.directory;
    m.setupFile = f.name + ".exe";
    m.saverName = f.name;
    m.version = f.version;
    m.year = std::to_string(f.year);
    m.author = f.publisher;
    m.company = f.publisher;
    m.flags = kMakeFlagCreatedSaver | (f.createGroup ? kMakeFlagGroup : 0);
    m.lines = lines;
    return m;
}
