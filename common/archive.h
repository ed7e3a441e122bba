// The framework archive encoding of texts, counts and text lists, used by the
// album file, the builder's make file and the installer's uninstall data.
//
// Integers are little-endian.
//   text   := prefix, then that many bytes of ANSI characters (no terminator)
//   prefix := u8 n                      when n < 255
//           | 0xFF, u16 n               when n < 0xFFFE
//           | 0xFF, u16 0xFFFF, u32 n   otherwise
//   On reading, 0xFF, u16 0xFFFE announces a text of 16-bit characters whose
//   own prefix (same form) follows; it is converted to ANSI.
//   count  := u16 n when n < 0xFFFF | u16 0xFFFF, u32 n
//   list   := count, then count texts
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/byte_io.h"

void WriteArchiveText(ByteWriter& w, const std::string& s);
void WriteArchiveCount(ByteWriter& w, uint32_t n);
void WriteArchiveList(ByteWriter& w, const std::vector<std::string>& list);

// Each returns false (and leaves the reader not ok) on a truncated or
// impossible item; nothing is allocated beyond what the remaining bytes hold.
bool ReadArchiveText(ByteReader& r, std::string& out);
bool ReadArchiveCount(ByteReader& r, uint32_t& n);
// Appends the entries it could read; a truncated list keeps those before the break.
bool ReadArchiveList(ByteReader& r, std::vector<std::string>& out);

// ANSI text of n 16-bit characters: through the system's ANSI code page on
// Windows (archive_win32.cpp), as Latin-1 elsewhere (characters above U+00FF
// become '?').
std::string AnsiFromWide(const uint16_t* chars, size_t n);
