// The setup package: the Setup stub, then one entry per file, then a trailer.
//
//   [stub, L bytes][EntryHeader + zlib data] ... [PackageTrailer, 492 bytes]
//
// There is no index: entries follow one another from offset L until the
// trailer.  Integers are little-endian; texts are ANSI, zero-terminated inside
// their field, the rest of the field zero.
//
// EntryHeader, 1068 bytes:
//   0     u16        header length, 1068
//   2     char[3]    "MF" and a zero byte
//   5     char[263]  file name (the source's bare file name once written)
//   268   u32        compressed size: bytes of zlib data after the header
//   272   u32        uncompressed size
//   276   char[261]  directory keyword: "WINDOWSDIR", "SYSTEMDIR", "INSTALLDIR" or empty
//   537   char[257]  target name (empty: the file name)
//   794   char[258]  shortcut name (empty: no shortcut)
//   1052  u32        last-write time, seconds since 1970-01-01 UTC; 0 when unknown
//   1056  u32        file version, most significant half; 0 when none
//   1060  u32        file version, least significant half; 0 when none
//   1064  u32        reserved, 0
//
// PackageTrailer, 492 bytes, the last bytes of the file:
//   0     u32        trailer length, 492
//   4     u32        length of the whole file including the trailer
//   8     u32        number of entries
//   12    u32        offset of the first entry plus one (L + 1)
//   16    char[257]  saver name
//   273   char[6]    version
//   279   char[101]  author
//   380   char[104]  company
//   484   u32        sum of the uncompressed sizes of all entries
//   488   u32        flags: bit 0 program group on the Start menu, bit 4 created saver
//
// Entry data is one zlib stream (RFC 1950) made at level 9 with the default
// window and memory level.  Entry 0 is the saver runtime followed by its fresh
// 1304-byte identity record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr uint32_t kEntryHeaderSize = 1068;
constexpr uint32_t kPackageTrailerSize = 492;

// Field sizes, terminator included.
constexpr size_t kEntryFileNameField = 263;
constexpr size_t kEntryKeywordField = 261;
constexpr size_t kEntryTargetField = 257;
constexpr size_t kEntryShortcutField = 258;
constexpr size_t kTrailerNameField = 257;
constexpr size_t kTrailerVersionField = 6;
constexpr size_t kTrailerAuthorField = 101;
constexpr size_t kTrailerCompanyField = 104;

constexpr const char* kKeywordWindows = "WINDOWSDIR";
constexpr const char* kKeywordSystem = "SYSTEMDIR";
constexpr const char* kKeywordInstall = "INSTALLDIR";

struct EntryHeader {
    std::string fileName;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    std::string keyword;
    std::string target;
    std::string shortcut;
    uint32_t time = 0;
    uint32_t versionMS = 0;
    uint32_t versionLS = 0;

    // The name the entry installs under: the target, or the file name when empty.
    std::string InstallName() const;
};

struct PackageTrailer {
    uint32_t totalLength = 0;
    uint32_t entryCount = 0;
    uint32_t firstEntryPlusOne = 0;
    std::string saverName;
    std::string version;
    std::string author;
    std::string company;
    uint32_t totalUncompressed = 0;
    uint32_t flags = 0;
};

// Each encoder returns false, writing nothing, when a text does not fit its field.
bool EncodeEntryHeader(const EntryHeader& h, uint8_t out[kEntryHeaderSize]);
bool EncodePackageTrailer(const PackageTrailer& t, uint8_t out[kPackageTrailerSize]);
// The decoders accept only the right length field (and for a header the exact
// magic "MF\0") and texts terminated inside their fields; else false.
bool DecodeEntryHeader(const uint8_t in[kEntryHeaderSize], EntryHeader& h);
bool DecodePackageTrailer(const uint8_t in[kPackageTrailerSize], PackageTrailer& t);

// A name that installs inside its folder: not empty, not "." or "..", no
// character that Windows refuses in a file name (\ / : * ? " < > | and
// control characters), no trailing dot or blank.
bool IsPlainFileName(const std::string& name);

// One file as one zlib stream at level 9.  The output is sized by zlib's bound,
// so small and incompressible files fit.  False on a zlib failure or an input
// too large for the format's 32-bit sizes.
bool CompressFile(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

// The same into a buffer that is not zero-filled: the pages zlib's bound
// reserves but deflate never writes stay unused, so a build holds about the
// file and its compressed form, not the file and a full-sized copy.  The
// buffer is kept for the next file when it is large enough.
struct PackedData {
    std::unique_ptr<uint8_t[]> bytes;
    size_t capacity = 0;
    size_t size = 0;
};
bool CompressFile(const uint8_t* data, size_t size, PackedData& out);

// The largest uncompressed size that `compressedSize` bytes of zlib data can
// honestly claim (deflate expands at most about 1032 times); larger claims are
// refused before anything is allocated.
uint64_t MaxInflatedSize(uint64_t compressedSize);

// Inflates one whole zlib stream that must yield exactly `expected` bytes,
// end at the last input byte, and check out (Adler-32).  False otherwise.
bool InflateExact(const uint8_t* data, size_t size, uint32_t expected, std::vector<uint8_t>& out);
