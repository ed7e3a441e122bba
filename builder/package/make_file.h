// The make file: what the Create page (or the command-line builder) asks the
// package writer to put into a setup program.
//
// One MakeRecord in the archive encoding (common/archive.h), in this order:
//   u16     format number, always 64
//   text    output directory
//   text    setup file name (N.exe)
//   text    saver name N
//   text    version
//   text    year, decimal
//   text    author name
//   text    company name
//   text    reserved, empty
//   u32     reserved, 0
//   u32     flags: bit 0 program group on the Start menu, bit 4 created saver
//   list    lines
//
// A line holds up to four comma-separated fields: source path, target name,
// directory keyword, shortcut name (see ParseMakeLine).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint16_t kMakeFileFormat = 64;
constexpr uint32_t kMakeFlagGroup = 1;
constexpr uint32_t kMakeFlagCreatedSaver = 16;

// Longest texts a make file may hold: each must fit its place in the identity
// record and the package trailer, paths their Windows limit.
constexpr size_t kMaxMakePath = 259;
constexpr size_t kMaxMakeSaverName = 256;
constexpr size_t kMaxMakeVersion = 5;
constexpr size_t kMaxMakeYear = 10;
constexpr size_t kMaxMakeAuthor = 100;
constexpr size_t kMaxMakeCompany = 103;
constexpr size_t kMaxMakeReserved = 257;
constexpr size_t kMaxMakeLine = 1100;

struct MakeRecord {
    uint16_t format = kMakeFileFormat;
    std::string outputDir;
    std::string setupFile;
    std::string saverName;
    std::string version;
    std::string year;
    std::string author;
    std::string company;
    std::string reserved;
    uint32_t reservedNumber = 0;
    uint32_t flags = kMakeFlagCreatedSaver;
    std::vector<std::string> lines;
};

std::vector<uint8_t> EncodeMakeRecord(const MakeRecord& m);

enum class MakeFileResult {
    Ok,
    WrongFormat, // the format number is not 64
    Truncated,   // the data ends inside the record
    TooLong,     // a text is longer than its limit
    Trailing,    // bytes follow the record
};
// `out` is changed only on Ok.
MakeFileResult DecodeMakeRecord(const uint8_t* data, size_t size, MakeRecord& out);

// Limits of the line fields (exclusive): a longer field makes the line invalid.
constexpr size_t kLineSourceLimit = 260;
constexpr size_t kLineTargetLimit = 256;
constexpr size_t kLineKeywordLimit = 260;
constexpr size_t kLineShortcutLimit = 256;

struct MakeLine {
    std::string source;   // as written; without a backslash it lies in the output folder
    std::string target;   // never empty after parsing: defaults to the source's file name
    std::string keyword;  // "WINDOWSDIR", "SYSTEMDIR", "INSTALLDIR" or empty
    std::string shortcut; // empty: no shortcut
};

// Splits a line at commas into at most four fields (a fifth and later are
// ignored), trims blanks (space, tab, CR, LF, VT, FF) from each, and fills an
// empty target with the source's bare file name.  Invalid: an empty source, a
// field at or over its limit, or a target or shortcut that is not a plain
// file name (it would land outside its folder).
bool ParseMakeLine(const std::string& line, MakeLine& out);

// The file a line's source names: a source without any backslash lies in the
// output folder.
std::string ResolveMakeSource(const std::string& outputDir, const std::string& source);
