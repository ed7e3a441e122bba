#include "builder/package/package_format.h"

#include <cstring>
#include <new>
#include <zlib.h>

#include "common/byte_io.h"

std::string EntryHeader::InstallName() const {
    if (!target.empty()) return target;
    size_t p = fileName.rfind('\\');
    return p == std::string::npos ? fileName : fileName.substr(p + 1);
}

// Sizes of the format are 32-bit; size_t is wider on 64-bit builds only.
static bool Over32Bits(uint64_t n) {
    return n > 0xFFFFFFFFu;
}

static bool PutText(uint8_t* field, size_t fieldSize, const std::string& s) {
    if (s.size() >= fieldSize || s.find('\0') != std::string::npos) return false;
    std::memcpy(field, s.data(), s.size());
    return true;
}

// A text must end with a zero inside its field; bytes after the zero are not read.
static bool GetText(const uint8_t* field, size_t fieldSize, std::string& s) {
    const void* z = std::memchr(field, 0, fieldSize);
    if (!z) return false;
    s.assign(reinterpret_cast<const char*>(field), size_t(static_cast<const uint8_t*>(z) - field));
    return true;
}

static void PutU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

bool EncodeEntryHeader(const EntryHeader& h, uint8_t out[kEntryHeaderSize]) {
    uint8_t b[kEntryHeaderSize] = {};
    PutU16(b, uint16_t(kEntryHeaderSize));
    b[2] = 'M';
    b[3] = 'F';
    if (!PutText(b + 5, kEntryFileNameField, h.fileName) ||
        !PutText(b + 276, kEntryKeywordField, h.keyword) ||
        !PutText(b + 537, kEntryTargetField, h.target) ||
        !PutText(b + 794, kEntryShortcutField, h.shortcut))
        return false;
    StoreLE32(b + 268, h.compressedSize);
    StoreLE32(b + 272, h.uncompressedSize);
    StoreLE32(b + 1052, h.time);
    StoreLE32(b + 1056, h.versionMS);
    StoreLE32(b + 1060, h.versionLS);
    std::memcpy(out, b, sizeof b);
    return true;
}

bool DecodeEntryHeader(const uint8_t in[kEntryHeaderSize], EntryHeader& h) {
    if (LoadLE16(in) != kEntryHeaderSize || in[2] != 'M' || in[3] != 'F' || in[4] != 0)
        return false;
    EntryHeader e;
    if (!GetText(in + 5, kEntryFileNameField, e.fileName) ||
        !GetText(in + 276, kEntryKeywordField, e.keyword) ||
        !GetText(in + 537, kEntryTargetField, e.target) ||
        !GetText(in + 794, kEntryShortcutField, e.shortcut))
        return false;
    e.compressedSize = LoadLE32(in + 268);
    e.uncompressedSize = LoadLE32(in + 272);
    e.time = LoadLE32(in + 1052);
    e.versionMS = LoadLE32(in + 1056);
    e.versionLS = LoadLE32(in + 1060);
    h = std::move(e);
    return true;
}

bool EncodePackageTrailer(const PackageTrailer& t, uint8_t out[kPackageTrailerSize]) {
    uint8_t b[kPackageTrailerSize] = {};
    StoreLE32(b, kPackageTrailerSize);
    StoreLE32(b + 4, t.totalLength);
    StoreLE32(b + 8, t.entryCount);
    StoreLE32(b + 12, t.firstEntryPlusOne);
    if (!PutText(b + 16, kTrailerNameField, t.saverName) ||
        !PutText(b + 273, kTrailerVersionField, t.version) ||
        !PutText(b + 279, kTrailerAuthorField, t.author) ||
        !PutText(b + 380, kTrailerCompanyField, t.company))
        return false;
    StoreLE32(b + 484, t.totalUncompressed);
    StoreLE32(b + 488, t.flags);
    std::memcpy(out, b, sizeof b);
    return true;
}

bool DecodePackageTrailer(const uint8_t in[kPackageTrailerSize], PackageTrailer& t) {
    if (LoadLE32(in) != kPackageTrailerSize) return false;
    PackageTrailer r;
    if (!GetText(in + 16, kTrailerNameField, r.saverName) ||
        !GetText(in + 273, kTrailerVersionField, r.version) ||
        !GetText(in + 279, kTrailerAuthorField, r.author) ||
        !GetText(in + 380, kTrailerCompanyField, r.company))
        return false;
    r.totalLength = LoadLE32(in + 4);
    r.entryCount = LoadLE32(in + 8);
    r.firstEntryPlusOne = LoadLE32(in + 12);
    r.totalUncompressed = LoadLE32(in + 484);
    r.flags = LoadLE32(in + 488);
    t = std::move(r);
    return true;
}

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 32 || std::strchr("\\/:*?\"<>|", c)) return false;
    }
    char last = name.back();
    return last != '.' && last != ' ';
}

bool CompressFile(const uint8_t* data, size_t size, PackedData& out) {
    out.size = 0;
    // Sizes are 32-bit in the header; uLong is 32-bit on Windows.
    if (Over32Bits(size)) return false;
    z_stream z{};
    if (deflateInit(&z, 9) != Z_OK) return false;
    uLong bound = deflateBound(&z, uLong(size));
    if (out.capacity < bound) {
        out.bytes.reset();
        out.capacity = 0;
        out.bytes.reset(new (std::nothrow) uint8_t[bound]);
        if (!out.bytes) {
            deflateEnd(&z);
            return false;
        }
        out.capacity = bound;
    }
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    z.next_out = out.bytes.get();
    z.avail_out = uInt(out.capacity);
    bool ok = deflate(&z, Z_FINISH) == Z_STREAM_END;
    size_t produced = size_t(z.total_out);
    if (deflateEnd(&z) != Z_OK) ok = false;
    if (!ok) return false;
    out.size = produced;
    return true;
}

bool CompressFile(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    out.clear();
    PackedData packed;
    if (!CompressFile(data, size, packed)) return false;
    out.assign(packed.bytes.get(), packed.bytes.get() + packed.size);
    return true;
}

uint64_t MaxInflatedSize(uint64_t compressedSize) {
    // Deflate's best case is 258 bytes per 2 bits of a stored length code, about
    // 1032:1; the slack covers the zlib header, trailer and block overhead.
    return compressedSize * 1032 + 1024;
}

bool InflateExact(const uint8_t* data, size_t size, uint32_t expected, std::vector<uint8_t>& out) {
    if (uint64_t(expected) > MaxInflatedSize(size) || Over32Bits(size)) return false;
    try {
        // One byte more than promised shows a stream that would yield more.
        out.resize(size_t(expected) + 1);
    } catch (...) {
        return false;
    }
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        out.clear();
        return false;
    }
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    int rc = inflate(&z, Z_FINISH);
    bool ok = rc == Z_STREAM_END && z.total_out == expected && z.avail_in == 0;
    if (inflateEnd(&z) != Z_OK) ok = false;
    if (!ok) {
        out.clear();
        return false;
    }
    out.resize(expected);
    return true;
}
