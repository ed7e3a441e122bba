// Reads every frame of a GIF through the codec interface, for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/codec.h"

struct GifFrame {
    CodecHeader header;
    std::vector<uint8_t> palette; // 3 x 2^bpp bytes
    std::vector<uint8_t> indices; // width x height, top row first
};

struct GifFrames {
    std::vector<GifFrame> frames;
    int endCode = 0;     // the code that ended the sequence (1101 after the last frame)
    bool inData = false; // endCode came from the data (else from the header)
};

// Header, palette and data of frames 0, 1, ... until a call fails.
GifFrames ReadGifFrames(CodecFile* f, const char* name, int maxFrames = 100000);
GifFrames ReadGifFramesFromMemory(const std::vector<uint8_t>& bytes, int maxFrames = 100000);
// Red, green, blue bytes of every pixel, top row first.
std::vector<uint8_t> GifFrameRgb(const GifFrame& fr);
// Whole file, empty when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);
