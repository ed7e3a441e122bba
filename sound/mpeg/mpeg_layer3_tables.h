// Layer III Huffman code tables as the standard lists them (code word and length per
// entry); the decoder builds its lookup tables from these.
#pragma once

#include <cstdint>

struct MpegHuffmanSource {
    int size;    // values per dimension (x and y run from 0 to size - 1); 0 = no table
    int linbits; // extra bits for values of 15
    const uint16_t* code;
    const uint8_t* length;
};

extern const MpegHuffmanSource kMpegPairTables[32];
// Count1 tables A (variable length) and B (four bits, inverted).
extern const MpegHuffmanSource kMpegQuadTables[2];
