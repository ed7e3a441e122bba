#include "package_test_util.h"

#include "common/byte_io.h"

std::vector<uint8_t> BuildTestPackage(const std::vector<uint8_t>& stub,
                                      const std::vector<TestFile>& files) {
    std::vector<uint8_t> out = stub;
    uint32_t total = 0;
    for (const TestFile& f : files) {
        std::vector<uint8_t> packed;
        CompressFile(f.bytes.data(), f.bytes.size(), packed);
        EntryHeader h;
        h.fileName = f.name;
        h.compressedSize = uint32_t(packed.size());
        h.uncompressedSize = uint32_t(f.bytes.size());
        uint8_t raw[kEntryHeaderSize];
        EncodeEntryHeader(h, raw);
        out.insert(out.end(), raw, raw + sizeof raw);
        out.insert(out.end(), packed.begin(), packed.end());
        total += uint32_t(f.bytes.size());
    }
    PackageTrailer t;
    t.totalLength = uint32_t(out.size() + kPackageTrailerSize);
    t.entryCount = uint32_t(files.size());
    t.firstEntryPlusOne = uint32_t(stub.size() + 1);
    t.saverName = "Tide";
    t.version = "1.0";
    t.author = "Harbour";
    t.company = "Harbour";
    t.totalUncompressed = total;
    t.flags = 17;
    uint8_t raw[kPackageTrailerSize];
    EncodePackageTrailer(t, raw);
    out.insert(out.end(), raw, raw + sizeof raw);
    return out;
}

size_t TestEntryOffset(const std::vector<uint8_t>& package, size_t stubSize, size_t index) {
    size_t at = stubSize;
    for (size_t i = 0; i < index; ++i)
        at += kEntryHeaderSize + LoadLE32(&package[at + 268]);
    return at;
}
