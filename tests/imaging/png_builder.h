// PNG files built byte by byte for the reader's tests: any chunk, any CRC,
// rows given as samples and stored unfiltered in one zlib stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PngWriter {
  public:
    // The eight signature bytes.
    PngWriter();
    // IHDR with the given fields (compression, filter 0).
    PngWriter& Header(uint32_t width, uint32_t height, int bitDepth, int colorType,
                      int interlace = 0);
    // Any chunk; its CRC is right unless crcDelta says by how much to spoil it.
    PngWriter& Chunk(const std::string& type, const std::vector<uint8_t>& data,
                     uint32_t crcDelta = 0);
    // PLTE from r, g, b triples; tRNS from its raw bytes.
    PngWriter& Palette(const std::vector<uint8_t>& rgb) { return Chunk("PLTE", rgb); }
    PngWriter& Trns(const std::vector<uint8_t>& raw) { return Chunk("tRNS", raw); }
    // IDAT holding the zlib stream of the rows, each preceded by filter byte 0;
    // rows are packed bytes as PNG stores them (the caller packs sub-byte depths).
    PngWriter& Rows(const std::vector<std::vector<uint8_t>>& rows);
    // IDAT with these bytes as they are.
    PngWriter& RawIdat(const std::vector<uint8_t>& bytes) { return Chunk("IDAT", bytes); }
    PngWriter& End() { return Chunk("IEND", {}); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

// Big-endian 16-bit samples of values, for 16-bit rows and tRNS.
std::vector<uint8_t> Be16(const std::vector<uint16_t>& values);
