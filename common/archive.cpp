#include "common/archive.h"

void WriteArchiveText(ByteWriter& w, const std::string& s) {
    size_t n = s.size();
    if (n < 255) {
        w.U8(uint8_t(n));
    } else if (n < 0xFFFE) {
        w.U8(0xFF);
        w.U16(uint16_t(n));
    } else {
        w.U8(0xFF);
        w.U16(0xFFFF);
        w.U32(uint32_t(n));
    }
    w.Text(s);
}

void WriteArchiveCount(ByteWriter& w, uint32_t n) {
    if (n < 0xFFFF) {
        w.U16(uint16_t(n));
    } else {
        w.U16(0xFFFF);
        w.U32(n);
    }
}

void WriteArchiveList(ByteWriter& w, const std::vector<std::string>& list) {
    WriteArchiveCount(w, uint32_t(list.size()));
    for (const std::string& s : list) WriteArchiveText(w, s);
}

// Reads a prefix; wide is set when it announces 16-bit characters.
static bool ReadPrefix(ByteReader& r, uint32_t& n, bool& wide) {
    wide = false;
    uint8_t b = r.U8();
    if (!r.ok()) return false;
    if (b < 0xFF) {
        n = b;
        return true;
    }
    uint16_t w16 = r.U16();
    if (!r.ok()) return false;
    if (w16 == 0xFFFE) {
        wide = true;
        bool again;
        if (!ReadPrefix(r, n, again)) return false;
        if (again) r.Fail();  // a wide prefix inside a wide prefix means nothing
        return r.ok();
    }
    if (w16 < 0xFFFF) {
        n = w16;
        return true;
    }
    n = r.U32();
    return r.ok();
}

bool ReadArchiveText(ByteReader& r, std::string& out) {
    uint32_t n;
    bool wide;
    if (!ReadPrefix(r, n, wide)) return false;
    uint64_t bytes = wide ? uint64_t(n) * 2 : n;
    if (bytes > r.remaining()) {
        r.Fail();
        return false;
    }
    if (!wide) {
        out.assign(reinterpret_cast<const char*>(r.Here()), n);
        r.Skip(n);
        return true;
    }
    std::vector<uint16_t> chars(n);
    for (uint16_t& c : chars) c = r.U16();
    out = AnsiFromWide(chars.data(), chars.size());
    return true;
}

#if !defined(_WIN32)
std::string AnsiFromWide(const uint16_t* chars, size_t n) {
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) out.push_back(chars[i] < 0x100 ? char(chars[i]) : '?');
    return out;
}
#endif

bool ReadArchiveCount(ByteReader& r, uint32_t& n) {
    uint16_t c = r.U16();
    if (!r.ok()) return false;
    n = c;
    if (c == 0xFFFF) n = r.U32();
    return r.ok();
}

bool ReadArchiveList(ByteReader& r, std::vector<std::string>& out) {
    uint32_t n;
    if (!ReadArchiveCount(r, n)) return false;
    // Every text takes at least one byte, so the bytes left bound the count.
    if (n <= r.remaining()) out.reserve(out.size() + n);
    for (uint32_t i = 0; i < n; ++i) {
        std::string s;
        if (!ReadArchiveText(r, s)) return false;
        out.push_back(std::move(s));
    }
    return true;
}
