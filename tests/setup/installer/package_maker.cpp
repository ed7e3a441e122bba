#include "tests/setup/installer/package_maker.h"

#include "common/byte_io.h"

MadePackage MakePackage(const std::string& stub, const std::vector<MakerEntry>& entries,
                        const MakerOptions& options) {
    MadePackage out;
    out.bytes.assign(stub.begin(), stub.end());
    uint32_t sum = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const MakerEntry& e = entries[i];
        EntryHeader h;
        h.fileName = e.fileName;
        h.keyword = e.keyword;
        h.target = e.target;
        h.shortcut = e.shortcut;
        h.time = e.time;
        h.uncompressedSize = uint32_t(e.data.size());
        std::vector<uint8_t> data;
        CompressFile(reinterpret_cast<const uint8_t*>(e.data.data()), e.data.size(), data);
        h.compressedSize = uint32_t(data.size());
        if (options.tamper) options.tamper(i, h, data);
        sum += h.uncompressedSize;
        uint8_t raw[kEntryHeaderSize];
        EncodeEntryHeader(h, raw);
        out.headerOffsets.push_back(out.bytes.size());
        out.bytes.insert(out.bytes.end(), raw, raw + sizeof raw);
        out.bytes.insert(out.bytes.end(), data.begin(), data.end());
    }
    PackageTrailer t;
    t.totalLength = uint32_t(out.bytes.size() + kPackageTrailerSize);
    t.entryCount = uint32_t(entries.size());
    t.firstEntryPlusOne = uint32_t(stub.size() + 1);
    t.saverName = options.saverName;
    t.version = options.version;
    t.author = options.author;
    t.company = options.company;
    t.totalUncompressed = sum;
    t.flags = options.flags;
    uint8_t raw[kPackageTrailerSize] = {};
    EncodePackageTrailer(t, raw);
    out.trailerOffset = out.bytes.size();
    out.bytes.insert(out.bytes.end(), raw, raw + sizeof raw);
    return out;
}

void PokeU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    StoreLE32(bytes.data() + offset, value);
}
