#include "builder/package/make_file.h"

#include "builder/package/package_format.h"
#include "common/archive.h"
#include "common/byte_io.h"
#include "common/paths.h"

std::vector<uint8_t> EncodeMakeRecord(const MakeRecord& m) {
    ByteWriter w;
    w.U16(m.format);
    for (const std::string* s : {&m.outputDir, &m.setupFile, &m.saverName, &m.version, &m.year,
                                 &m.author, &m.company, &m.reserved})
        WriteArchiveText(w, *s);
    w.U32(m.reservedNumber);
    w.U32(m.flags);
    WriteArchiveList(w, m.lines);
    return w.Data();
}

MakeFileResult DecodeMakeRecord(const uint8_t* data, size_t size, MakeRecord& out) {
    ByteReader r(data, size);
    MakeRecord m;
    m.format = r.U16();
    if (!r.ok()) return MakeFileResult::Truncated;
    if (m.format != kMakeFileFormat) return MakeFileResult::WrongFormat;
    struct Field {
        std::string* text;
        size_t limit;
    } fields[] = {
        {&m.outputDir, kMaxMakePath},      {&m.setupFile, kMaxMakePath},
        {&m.saverName, kMaxMakeSaverName}, {&m.version, kMaxMakeVersion},
        {&m.year, kMaxMakeYear},           {&m.author, kMaxMakeAuthor},
        {&m.company, kMaxMakeCompany},     {&m.reserved, kMaxMakeReserved},
    };
    for (const Field& f : fields) {
        if (!ReadArchiveText(r, *f.text)) return MakeFileResult::Truncated;
        if (f.text->size() > f.limit) return MakeFileResult::TooLong;
    }
    m.reservedNumber = r.U32();
    m.flags = r.U32();
    uint32_t count = 0;
    if (!r.ok() || !ReadArchiveCount(r, count)) return MakeFileResult::Truncated;
    // Each line takes at least its one-byte prefix, so the count is bounded by the bytes left.
    if (count > r.remaining()) return MakeFileResult::Truncated;
    m.lines.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        std::string line;
        if (!ReadArchiveText(r, line)) return MakeFileResult::Truncated;
        if (line.size() > kMaxMakeLine) return MakeFileResult::TooLong;
        m.lines.push_back(std::move(line));
    }
    if (r.remaining() != 0) return MakeFileResult::Trailing;
    out = std::move(m);
    return MakeFileResult::Ok;
}

static std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\n\v\f";
    size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

bool ParseMakeLine(const std::string& line, MakeLine& out) {
    std::string f[4];
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        size_t comma = line.find(',', start);
        f[i] = Trim(
            line.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    MakeLine m;
    m.source = f[0];
    m.target = f[1];
    m.keyword = f[2];
    m.shortcut = f[3];
    if (m.source.empty() || m.source.size() >= kLineSourceLimit ||
        m.target.size() >= kLineTargetLimit || m.keyword.size() >= kLineKeywordLimit ||
        m.shortcut.size() >= kLineShortcutLimit)
        return false;
    if (m.target.empty()) m.target = FileNamePart(m.source);
    if (!IsPlainFileName(m.target) || m.target.size() >= kLineTargetLimit) return false;
    // A shortcut becomes a file in the Start-menu group: it must stay there too.
    if (!m.shortcut.empty() && !IsPlainFileName(m.shortcut)) return false;
    out = std::move(m);
    return true;
}

std::string ResolveMakeSource(const std::string& outputDir, const std::string& source) {
    if (source.find('\\') != std::string::npos) return source;
    return JoinPath(outputDir, source);
}
