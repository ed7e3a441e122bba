// Setup reads the package at the end of its own file, which may be damaged or
// made by anyone: the reader must refuse what does not add up, never read
// outside the file, and never inflate more than an entry claims.
#include <cstddef>
#include <cstdint>

#include "builder/package/package_reader.h"
#include "builder/package/pe_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t ms = 0, ls = 0;
    (void)ReadFixedFileVersion(data, size, ms, ls);

    MemorySource src(data, size);
    PackageReader r(src, size);
    if (r.Open() != PackageResult::Ok) return 0;
    if (r.FirstEntryOffset() > r.TrailerOffset()) __builtin_trap();
    (void)r.Verify();
    // Walk without trusting Verify: every entry that parses is extracted.
    for (int i = 0; i < 64 && !r.AtEnd(); ++i) {
        PackageEntry e;
        if (r.Next(e) != PackageResult::Ok) break;
        if (e.dataOffset + e.header.compressedSize > r.TrailerOffset()) __builtin_trap();
        uint64_t produced = 0;
        PackageResult x = r.Extract(e, [&](const uint8_t*, size_t n) {
            produced += n;
            return true;
        });
        if (produced > e.header.uncompressedSize) __builtin_trap();
        if (x == PackageResult::Ok && produced != e.header.uncompressedSize) __builtin_trap();
    }
    return 0;
}
