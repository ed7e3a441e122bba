#include "tests/imaging/gif_frames.h"

#include <fstream>
#include <iterator>

GifFrames ReadGifFrames(CodecFile* f, const char* name, int maxFrames) {
    GifFrames out;
    CodecHeader h{};
    for (int k = 0; k < maxFrames; ++k) {
        std::string opt = "index=" + std::to_string(k);
        int rc = codec_read_header(name, f, kFormatGif, &h, opt.c_str());
        if (rc != kCodecOk) {
            out.endCode = rc;
            return out;
        }
        GifFrame fr;
        fr.palette.assign(size_t(3) << h.bpp, 0);
        rc = codec_read_palette(f, kFormatGif, &h, fr.palette.data());
        if (rc == kCodecOk) {
            const int32_t stride = CodecStride(h.width, h.bpp);
            std::vector<uint8_t> px(size_t(stride) * size_t(h.height) + 1, 0xEE);
            rc = codec_read_data(f, kFormatGif, &h, px.data());
            for (int y = 0; rc == kCodecOk && y < h.height; ++y) {
                const uint8_t* row = px.data() + size_t(h.height - 1 - y) * size_t(stride);
                for (int x = 0; x < h.width; ++x) {
                    int v = h.bpp == 8   ? row[x]
                            : h.bpp == 4 ? (row[x / 2] >> ((x & 1) ? 0 : 4)) & 15
                                         : (row[x / 8] >> (7 - x % 8)) & 1;
                    fr.indices.push_back(uint8_t(v));
                }
            }
        }
        if (rc != kCodecOk) {
            out.endCode = rc;
            out.inData = true;
            return out;
        }
        fr.header = h;
        out.frames.push_back(std::move(fr));
    }
    return out;
}

GifFrames ReadGifFramesFromMemory(const std::vector<uint8_t>& bytes, int maxFrames) {
    CodecMemory mem;
    codec_memory_init(&mem, bytes.data(), bytes.size());
    CodecFile f;
    codec_open(&f, &mem.io, "memory.gif");
    GifFrames r = ReadGifFrames(&f, "memory.gif", maxFrames);
    codec_close(&f);
    return r;
}

std::vector<uint8_t> GifFrameRgb(const GifFrame& fr) {
    std::vector<uint8_t> rgb;
    rgb.reserve(fr.indices.size() * 3);
    for (uint8_t i : fr.indices)
        rgb.insert(rgb.end(), &fr.palette[3 * i], &fr.palette[3 * i] + 3);
    return rgb;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}
