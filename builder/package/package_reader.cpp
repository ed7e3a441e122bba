#include "builder/package/package_reader.h"

#include <cstring>
#include <memory>
#include <zlib.h>

bool MemorySource::ReadAt(uint64_t offset, void* buf, size_t n) {
    if (offset > size_ || n > size_ - offset) return false;
    if (n) std::memcpy(buf, data_ + offset, n);
    return true;
}

bool StdioSource::ReadAt(uint64_t offset, void* buf, size_t n) {
    // fseek takes a long: 32-bit on Windows, so larger offsets are refused.
    if (offset > 0x7FFFFFFF) return false;
    if (std::fseek(f_, long(offset), SEEK_SET) != 0) return false;
    return std::fread(buf, 1, n, f_) == n;
}

PackageResult PackageReader::Open() {
    open_ = false;
    if (fileSize_ < kPackageTrailerSize || fileSize_ > 0xFFFFFFFFu) return PackageResult::Invalid;
    uint8_t raw[kPackageTrailerSize];
    uint64_t at = fileSize_ - kPackageTrailerSize;
    if (!src_.ReadAt(at, raw, sizeof raw)) return PackageResult::ReadError;
    PackageTrailer t;
    if (!DecodePackageTrailer(raw, t)) return PackageResult::Invalid;
    if (t.totalLength != fileSize_) return PackageResult::Invalid;
    // The field is L + 1; 0 would put the first entry before the file.
    if (t.firstEntryPlusOne == 0 || uint64_t(t.firstEntryPlusOne) - 1 > at)
        return PackageResult::Invalid;
    trailer_ = t;
    first_ = t.firstEntryPlusOne - 1;
    trailerOffset_ = at;
    cursor_ = first_;
    open_ = true;
    return PackageResult::Ok;
}

PackageResult PackageReader::Next(PackageEntry& entry) {
    if (!open_ || cursor_ >= trailerOffset_) return PackageResult::Invalid;
    if (trailerOffset_ - cursor_ < kEntryHeaderSize) return PackageResult::Invalid;
    uint8_t raw[kEntryHeaderSize];
    if (!src_.ReadAt(cursor_, raw, sizeof raw)) return PackageResult::ReadError;
    PackageEntry e;
    if (!DecodeEntryHeader(raw, e.header)) return PackageResult::Invalid;
    e.headerOffset = cursor_;
    e.dataOffset = cursor_ + kEntryHeaderSize;
    if (e.header.compressedSize > trailerOffset_ - e.dataOffset) return PackageResult::Invalid;
    // An empty stream cannot be zlib data; a claim beyond deflate's ratio is a lie.
    if (e.header.compressedSize == 0 ||
        e.header.uncompressedSize > MaxInflatedSize(e.header.compressedSize))
        return PackageResult::Invalid;
    cursor_ = e.dataOffset + e.header.compressedSize;
    entry = std::move(e);
    return PackageResult::Ok;
}

PackageResult PackageReader::Extract(const PackageEntry& entry,
                                     const std::function<bool(const uint8_t*, size_t)>& sink) {
    const EntryHeader& h = entry.header;
    if (!open_ || entry.dataOffset < first_ || entry.dataOffset > trailerOffset_ ||
        h.compressedSize > trailerOffset_ - entry.dataOffset || h.compressedSize == 0 ||
        h.uncompressedSize > MaxInflatedSize(h.compressedSize))
        return PackageResult::Invalid;

    constexpr size_t kIn = 1 << 16, kOut = 1 << 18;
    std::unique_ptr<uint8_t[]> in(new (std::nothrow) uint8_t[kIn]);
    std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[kOut]);
    if (!in || !out) return PackageResult::NoMemory;

    z_stream z{};
    if (inflateInit(&z) != Z_OK) return PackageResult::NoMemory;
    PackageResult result = PackageResult::Ok;
    uint64_t left = h.compressedSize, at = entry.dataOffset, produced = 0;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        if (z.avail_in == 0) {
            if (left == 0) {
                result = PackageResult::Invalid; // the data ends before the stream
                break;
            }
            size_t n = left < kIn ? size_t(left) : kIn;
            if (!src_.ReadAt(at, in.get(), n)) {
                result = PackageResult::ReadError;
                break;
            }
            at += n;
            left -= n;
            z.next_in = in.get();
            z.avail_in = uInt(n);
        }
        z.next_out = out.get();
        z.avail_out = uInt(kOut);
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) {
            result = rc == Z_MEM_ERROR ? PackageResult::NoMemory : PackageResult::Invalid;
            break;
        }
        size_t got = kOut - z.avail_out;
        produced += got;
        if (produced > h.uncompressedSize) {
            result = PackageResult::Invalid;
            break;
        }
        if (got && !sink(out.get(), got)) {
            result = PackageResult::SinkError;
            break;
        }
        if (rc == Z_OK && got == 0 && z.avail_in != 0) {
            result = PackageResult::Invalid; // no progress: the stream is stuck
            break;
        }
    }
    inflateEnd(&z);
    if (result != PackageResult::Ok) return result;
    // The stream must use all of the entry's data and give exactly the promised size.
    if (left != 0 || z.avail_in != 0 || produced != h.uncompressedSize)
        return PackageResult::Invalid;
    return PackageResult::Ok;
}

PackageResult PackageReader::Extract(const PackageEntry& entry, std::vector<uint8_t>& out) {
    out.clear();
    try {
        out.reserve(entry.header.uncompressedSize <= MaxInflatedSize(entry.header.compressedSize)
                        ? entry.header.uncompressedSize
                        : 0);
    } catch (...) {
        return PackageResult::NoMemory;
    }
    PackageResult r = Extract(entry, [&out](const uint8_t* p, size_t n) {
        out.insert(out.end(), p, p + n);
        return true;
    });
    if (r != PackageResult::Ok) out.clear();
    return r;
}

PackageResult PackageReader::Verify() {
    if (!open_) return PackageResult::Invalid;
    Rewind();
    uint64_t count = 0, sum = 0;
    while (!AtEnd()) {
        PackageEntry e;
        PackageResult r = Next(e);
        if (r != PackageResult::Ok) {
            Rewind();
            return r;
        }
        ++count;
        sum += e.header.uncompressedSize;
    }
    Rewind();
    if (count != trailer_.entryCount || sum != trailer_.totalUncompressed)
        return PackageResult::Invalid;
    return PackageResult::Ok;
}
