// Shared by the format reader tests: decoding a file through the codec
// library into top-down red-green-blue pixels, and reference decodes made by
// Debian tools into the build folder at test time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/codec.h"
#include "tests/support/test_support.h"

using testsupport::HaveTestData;
using testsupport::MakeWithTool;
using testsupport::ShellQuote;
using testsupport::TestData;

// One decoded image, palette applied: width x height pixels of r, g, b, top row
// first.  rc is the first failing call's code (0 when all three succeeded).
struct FormatImage {
    int rc = -1;
    int width = 0, height = 0, bpp = 0, maxval = 255;
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> palette; // 3 x 2^bpp entries as delivered (bpp <= 8)
    CodecHeader header{};
};

// Decodes through the default file operations.
FormatImage DecodeFile(int format, const std::string& path, const char* options = "");
// Decodes bytes held in memory.
FormatImage DecodeBytes(int format, const std::vector<uint8_t>& bytes, const char* options = "");

// The file name of a path without its folder and its last extension
// ("pcx/pillow/01r_00.pcx" gives "01r_00"); names the expected results.
std::string FileStem(const std::string& path);
// Plain files of a folder, sorted by name ("" entries skipped); empty when absent.
std::vector<std::string> FilesIn(const std::string& dir, const std::string& suffix);

// Runs `command` with its standard output sent to a fresh PNM file in the build
// folder (named by key, made through MakeWithTool) and reads it; rc stays -1
// when the tool failed.
FormatImage OracleDecode(const std::string& command, const std::string& key);
// Reads a binary PNM (P4, P5 or P6, maxval up to 255) as r, g, b.
FormatImage ReadPnm(const std::string& path);

// "" when a and b show the same pixels; else a short description of the first
// difference.  When the reference has a maxval below 255 (2^k - 1), ours is
// compared by its top k bits.
// tolerance allows that much difference per channel.
std::string ComparePixels(const FormatImage& ours, const FormatImage& reference, int tolerance = 0);
