#include "builder/package/pe_version.h"

#include "common/byte_io.h"

namespace {

struct Image {
    const uint8_t* data;
    size_t size;
    size_t sections; // offset of the section table
    uint32_t sectionCount;

    bool Fits(uint64_t at, uint64_t n) const { return at <= size && n <= size - at; }
    uint32_t U32(uint64_t at) const { return Fits(at, 4) ? LoadLE32(data + at) : 0; }
    uint16_t U16(uint64_t at) const { return Fits(at, 2) ? LoadLE16(data + at) : 0; }

    // File offset of n bytes at a virtual address; false when no section holds them.
    bool Map(uint32_t rva, uint32_t n, uint64_t& at) const {
        for (uint32_t i = 0; i < sectionCount; ++i) {
            uint64_t s = sections + uint64_t(i) * 40;
            if (!Fits(s, 40)) return false;
            uint32_t va = U32(s + 12), raw = U32(s + 16), ptr = U32(s + 20);
            if (rva < va || uint64_t(rva) - va + n > raw) continue;
            at = uint64_t(ptr) + (rva - va);
            return Fits(at, n);
        }
        return false;
    }
};

// Finds the entry with `id` in the directory at `dir` (offset into the file);
// id 0 takes the first entry.  Returns its raw offset field, or false.
bool FindEntry(const Image& img, uint64_t dir, uint32_t id, uint32_t& field) {
    if (!img.Fits(dir, 16)) return false;
    uint32_t named = img.U16(dir + 12), ids = img.U16(dir + 14);
    uint64_t first = dir + 16;
    uint32_t total = named + ids;
    if (total == 0 || !img.Fits(first, uint64_t(total) * 8)) return false;
    if (id == 0) {
        field = img.U32(first + 4);
        return true;
    }
    for (uint32_t i = named; i < total; ++i) {
        uint64_t e = first + uint64_t(i) * 8;
        if (img.U32(e) == id) {
            field = img.U32(e + 4);
            return true;
        }
    }
    return false;
}

} // namespace

bool ReadFixedFileVersion(const uint8_t* data, size_t size, uint32_t& ms, uint32_t& ls) {
    Image img{data, size, 0, 0};
    if (!img.Fits(0, 64) || data[0] != 'M' || data[1] != 'Z') return false;
    uint64_t pe = img.U32(0x3C);
    if (!img.Fits(pe, 24) || LoadLE32(data + pe) != 0x00004550) return false;
    uint32_t sectionCount = img.U16(pe + 6);
    uint32_t optSize = img.U16(pe + 20);
    uint64_t opt = pe + 24;
    uint16_t magic = img.U16(opt);
    uint64_t countAt = magic == 0x10B ? 92 : magic == 0x20B ? 108 : 0;
    if (countAt == 0 || countAt + 4 + 3 * 8 > optSize || !img.Fits(opt, optSize)) return false;
    if (img.U32(opt + countAt) < 3) return false;
    uint32_t resRva = img.U32(opt + countAt + 4 + 2 * 8);
    uint32_t resSize = img.U32(opt + countAt + 4 + 2 * 8 + 4);
    img.sections = size_t(opt + optSize);
    img.sectionCount = sectionCount;
    uint64_t res;
    if (resRva == 0 || resSize < 16 || !img.Map(resRva, 16, res)) return false;

    // Offsets inside the tree are relative to the start of the resource directory.
    uint32_t f;
    if (!FindEntry(img, res, 16, f) || !(f & 0x80000000u)) return false;
    uint64_t names = res + (f & 0x7FFFFFFFu);
    if (!FindEntry(img, names, 1, f) && !FindEntry(img, names, 0, f)) return false;
    if (!(f & 0x80000000u)) return false;
    uint64_t langs = res + (f & 0x7FFFFFFFu);
    if (!FindEntry(img, langs, 0, f) || (f & 0x80000000u)) return false;
    uint64_t entry = res + f;
    if (!img.Fits(entry, 8)) return false;
    uint32_t verRva = img.U32(entry), verSize = img.U32(entry + 4);
    if (verSize < 40 + 16) return false;
    uint64_t ver;
    if (!img.Map(verRva, 40 + 16, ver)) return false;
    if (img.U16(ver + 2) < 52 || img.U32(ver + 40) != 0xFEEF04BDu) return false;
    ms = img.U32(ver + 48);
    ls = img.U32(ver + 52);
    return true;
}
