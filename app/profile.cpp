#include "app/profile.h"

#include "common/paths.h"

bool ParseProfileInt(const std::string& text, int32_t& out) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i == text.size()) return false;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+') negative = text[i++] == '-';
    uint32_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        v = v * 10u + uint32_t(text[i] - '0');
    out = int32_t(negative ? 0u - v : v);
    return true;
}

std::string ProfileStore::ReadString(const std::string& section, const std::string& key,
                                     const std::string& def) {
    std::string v;
    return Read(section, key, v) ? v : def;
}

int32_t ProfileStore::ReadInt(const std::string& section, const std::string& key, int32_t def) {
    std::string v;
    int32_t n;
    if (!Read(section, key, v) || !ParseProfileInt(v, n)) return def;
    return n;
}

void ProfileStore::WriteInt(const std::string& section, const std::string& key, int64_t value) {
    Write(section, key, std::to_string(value));
}

// The blanks Windows skips around names and values: white space and the old
// end-of-file mark.  The builder's settings editor skips the same.
static std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\v\f\x1a";
    size_t a = s.find_first_not_of(blanks);
    if (a == std::string::npos) return std::string();
    size_t b = s.find_last_not_of(blanks);
    return s.substr(a, b - a + 1);
}

MemoryProfile::MemoryProfile(const std::string& text) {
    std::string section;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            section = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = Trim(line.substr(0, eq));
        if (!Find(section, key)) entries_.push_back({section, key, Trim(line.substr(eq + 1))});
    }
}

MemoryProfile::Entry* MemoryProfile::Find(const std::string& section, const std::string& key) {
    for (Entry& e : entries_)
        if (EqualsNoCase(e.section, section) && EqualsNoCase(e.key, key)) return &e;
    return nullptr;
}

bool MemoryProfile::Read(const std::string& section, const std::string& key, std::string& out) {
    Entry* e = Find(section, key);
    if (!e) return false;
    out = e->value.substr(0, kProfileValueMax);
    return true;
}

void MemoryProfile::Write(const std::string& section, const std::string& key,
                          const std::string& value) {
    if (Entry* e = Find(section, key))
        e->value = value;
    else
        entries_.push_back({section, key, value});
}

std::string MemoryProfile::Text() const {
    // Sections in the order they first appear, each with its keys in order.
    std::vector<std::string> sections;
    for (const Entry& e : entries_) {
        bool seen = false;
        for (const std::string& name : sections) seen = seen || EqualsNoCase(name, e.section);
        if (!seen) sections.push_back(e.section);
    }
    std::string out;
    for (const std::string& section : sections) {
        out += (out.empty() ? "[" : "\n[") + section + "]\n";
        for (const Entry& e : entries_)
            if (EqualsNoCase(e.section, section)) out += e.key + "=" + e.value + "\n";
    }
    return out;
}
