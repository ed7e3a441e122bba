// Builds GIF files byte by byte for tests: a real LZW encoder (with or without
// a clear code when the table fills) and raw code streams for broken data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// LZW-compresses pixel indices with the given minimum code size; when
// clearWhenFull is false the encoder keeps going at 12 bits with a full table.
std::vector<uint8_t> GifLzwEncode(const std::vector<uint8_t>& pixels, int minCodeSize,
                                  bool clearWhenFull = true);
// Packs (code, width) pairs least significant bit first.
std::vector<uint8_t> GifPackCodes(const std::vector<std::pair<int, int>>& codes);
// Rows of a w x h image reordered into the interlaced stream order.
std::vector<uint8_t> GifInterlaceRows(const std::vector<uint8_t>& pixels, int w, int h);

class GifWriter {
  public:
    // globalTable: r, g, b triples (3 x 2^bits bytes), empty for none; bits is
    // written into the screen descriptor either way.
    GifWriter& Screen(int w, int h, const std::vector<uint8_t>& globalTable, int bits,
                      int backgroundIndex = 0, const char* signature = "GIF89a");
    GifWriter& Control(uint8_t packed, uint16_t delay, uint8_t transparentIndex);
    GifWriter& Comment(const std::string& text);
    GifWriter& Application(); // a NETSCAPE2.0 loop block
    // Image descriptor (with local table when not empty) followed by the code
    // size byte and data as sub-blocks of at most blockSize bytes plus terminator.
    GifWriter& ImageRaw(int left, int top, int w, int h, bool interlaced,
                        const std::vector<uint8_t>& localTable, int minCodeSize,
                        const std::vector<uint8_t>& data, int blockSize = 255,
                        bool terminator = true);
    // Pixels in image row order; encoded (interlaced when asked) with the code
    // size max(2, bits of the table in force).
    GifWriter& Image(int left, int top, int w, int h, const std::vector<uint8_t>& pixels,
                     bool interlaced = false, const std::vector<uint8_t>& localTable = {},
                     int minCodeSize = 0);
    GifWriter& Trailer();
    GifWriter& Byte(uint8_t b);
    const std::vector<uint8_t>& Bytes() const { return out_; }

  private:
    std::vector<uint8_t> out_;
    int globalBits_ = 1;
};

// A table of 2^bits entries: entry i = (i, 255 - i, i * 7).
std::vector<uint8_t> GifTestTable(int bits);
