// Reads a setup package from the end of a file: the trailer first, then the
// entries one after another from the first-entry offset.  Nothing in the file
// is trusted: every offset and size is checked against the file's length and
// the trailer's position before it is used, and an entry must inflate to
// exactly the size its header states.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "builder/package/package_format.h"

// Random access to the bytes of a package file.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // True only when all n bytes at offset were read.
    virtual bool ReadAt(uint64_t offset, void* buf, size_t n) = 0;
};

class MemorySource : public ByteSource {
  public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit MemorySource(const std::vector<uint8_t>& v) : MemorySource(v.data(), v.size()) {}
    bool ReadAt(uint64_t offset, void* buf, size_t n) override;

  private:
    const uint8_t* data_;
    size_t size_;
};

// Over an open stdio file (binary mode); the file stays the caller's.
class StdioSource : public ByteSource {
  public:
    explicit StdioSource(std::FILE* f) : f_(f) {}
    bool ReadAt(uint64_t offset, void* buf, size_t n) override;

  private:
    std::FILE* f_;
};

enum class PackageResult {
    Ok,
    Invalid,   // the bytes are not a well-formed package (trailer, header or data)
    ReadError, // the source could not deliver bytes the layout says exist
    NoMemory,
    SinkError, // the consumer of inflated data refused it
};

struct PackageEntry {
    EntryHeader header;
    uint64_t headerOffset = 0;
    uint64_t dataOffset = 0; // first byte of the zlib data
};

class PackageReader {
  public:
    PackageReader(ByteSource& source, uint64_t fileSize) : src_(source), fileSize_(fileSize) {}

    // Reads and checks the trailer: length field 492, total length equal to the
    // file size, first entry inside the file before the trailer.
    PackageResult Open();
    const PackageTrailer& Trailer() const { return trailer_; }
    // L: the stub's length, where the first entry starts.
    uint64_t FirstEntryOffset() const { return first_; }
    uint64_t TrailerOffset() const { return trailerOffset_; }

    // Reads the header at the cursor and moves the cursor past the entry's data.
    // Invalid when the cursor is at the trailer, the header is malformed, or the
    // data would run into the trailer.
    PackageResult Next(PackageEntry& entry);
    bool AtEnd() const { return cursor_ == trailerOffset_; }
    void Rewind() { cursor_ = first_; }

    // Inflates one entry in pieces; `sink` receives each piece in order and
    // returns false to stop.  The stream must yield exactly the header's
    // uncompressed size and end exactly at the end of the entry's data.
    PackageResult Extract(const PackageEntry& entry,
                          const std::function<bool(const uint8_t*, size_t)>& sink);
    // The same into memory.
    PackageResult Extract(const PackageEntry& entry, std::vector<uint8_t>& out);

    // Walks every header (without inflating) and checks that the entries end
    // exactly at the trailer, that their number and the sum of their sizes
    // equal the trailer's.  Leaves the cursor at the first entry.
    PackageResult Verify();

  private:
    ByteSource& src_;
    uint64_t fileSize_;
    PackageTrailer trailer_;
    uint64_t first_ = 0;
    uint64_t trailerOffset_ = 0;
    uint64_t cursor_ = 0;
    bool open_ = false;
};
