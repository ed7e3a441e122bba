// Setup packages made in memory for the installer's tests: a stub, entries
// compressed by the package format's own compressor, a trailer.  A tamper
// hook changes an entry's header or data before it is laid down, so that
// damaged and hostile packages can be made too.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "builder/package/package_format.h"

struct MakerEntry {
    std::string fileName;
    std::string data;
    std::string keyword;
    std::string target;
    std::string shortcut;
    uint32_t time = 0;
};

struct MadePackage {
    std::vector<uint8_t> bytes;
    std::vector<size_t> headerOffsets;
    size_t trailerOffset = 0;
};

struct MakerOptions {
    std::string saverName = "Starfield";
    std::string company = "Quorvane Test";
    std::string version = "1.0";
    std::string author = "Tester";
    uint32_t flags = 16;
    // Called for each entry with its header and compressed data before they are written;
    // the trailer's sum adds the header's uncompressed size as the hook left it.
    std::function<void(size_t index, EntryHeader& header, std::vector<uint8_t>& data)> tamper;
};

MadePackage MakePackage(const std::string& stub, const std::vector<MakerEntry>& entries,
                        const MakerOptions& options = MakerOptions());

// Little-endian u32 at `offset` of `bytes`.
void PokeU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);
