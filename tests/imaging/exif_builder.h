// Builds the Exif blocks (APP1 payloads) of the orientation tests, and puts
// one into a JPEG file.
#pragma once

#include <cstdint>
#include <vector>

// An APP1 payload: "Exif\0\0", a TIFF header and IFD0 with the given entries
// (tag, type, count, value), each written in the chosen byte order, at
// ifdOffset from the TIFF header.
struct ExifEntry {
    uint16_t tag, type;
    uint32_t count, value;
};

inline std::vector<uint8_t> ExifBlock(bool bigEndian, const std::vector<ExifEntry>& entries,
                                      uint32_t ifdOffset = 8) {
    std::vector<uint8_t> b = {'E', 'x', 'i', 'f', 0, 0};
    auto u16 = [&](uint32_t v) {
        if (bigEndian)
            b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
        else
            b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
    };
    auto u32 = [&](uint32_t v) {
        if (bigEndian)
            u16(v >> 16), u16(v & 0xFFFF);
        else
            u16(v & 0xFFFF), u16(v >> 16);
    };
    b.push_back(bigEndian ? 'M' : 'I');
    b.push_back(bigEndian ? 'M' : 'I');
    u16(42);
    u32(ifdOffset);
    // The entries follow at the offset when it is a near one; a far offset is
    // only declared (the entries then follow the header).
    while (ifdOffset <= 64 && b.size() < 6 + ifdOffset)
        b.push_back(0);
    u16(uint32_t(entries.size()));
    for (const ExifEntry& e : entries) {
        u16(e.tag), u16(e.type), u32(e.count);
        // A single SHORT occupies the first two bytes of the value field.
        if (e.type == 3)
            u16(e.value), u16(0);
        else
            u32(e.value);
    }
    u32(0); // no next IFD
    return b;
}

// The JPEG file with an APP1 segment holding payload right after its
// start-of-image marker.
inline std::vector<uint8_t> WithApp1(const std::vector<uint8_t>& jpeg,
                                     const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    size_t length = payload.size() + 2;
    out.insert(out.end(), {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length)});
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}
