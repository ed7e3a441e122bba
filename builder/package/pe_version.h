// The fixed file version of a Windows executable, read from the bytes of the
// file: the package header records it for every packaged program.
//
// The path through a PE file:
//   0x3C u32 -> "PE\0\0", COFF header (20 bytes: +2 section count, +16 size of
//   the optional header), optional header (magic 0x10B or 0x20B; the data
//   directories follow the count at +92 / +108; entry 2 is the resource
//   directory), then 40-byte section headers (+8 virtual size, +12 address,
//   +16 raw size, +20 raw offset) that map addresses onto file offsets.
//   Resource tree: type 16 (version), then name 1 (or the first), then the
//   first language; its data entry gives address and size of VS_VERSIONINFO:
//   u16 length, u16 value length, u16 type, "VS_VERSION_INFO" in UTF-16 with
//   its terminator, padding to 4 bytes (offset 40), then VS_FIXEDFILEINFO:
//   u32 signature 0xFEEF04BD, u32 structure version, u32 file version MS,
//   u32 file version LS, ...
#pragma once

#include <cstddef>
#include <cstdint>

// False (ms and ls untouched) when the bytes hold no such version.
bool ReadFixedFileVersion(const uint8_t* data, size_t size, uint32_t& ms, uint32_t& ls);
