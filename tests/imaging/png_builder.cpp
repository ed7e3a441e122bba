#include "tests/imaging/png_builder.h"

#include <zlib.h>

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

} // namespace

PngWriter::PngWriter() : bytes_{137, 80, 78, 71, 13, 10, 26, 10} {}

PngWriter& PngWriter::Header(uint32_t width, uint32_t height, int bitDepth, int colorType,
                             int interlace) {
    std::vector<uint8_t> d;
    PutU32(d, width);
    PutU32(d, height);
    d.insert(d.end(), {uint8_t(bitDepth), uint8_t(colorType), 0, 0, uint8_t(interlace)});
    return Chunk("IHDR", d);
}

PngWriter& PngWriter::Chunk(const std::string& type, const std::vector<uint8_t>& data,
                            uint32_t crcDelta) {
    PutU32(bytes_, uint32_t(data.size()));
    std::vector<uint8_t> body(type.begin(), type.end());
    body.insert(body.end(), data.begin(), data.end());
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    PutU32(bytes_, uint32_t(crc32(0, body.data(), uInt(body.size()))) + crcDelta);
    return *this;
}

PngWriter& PngWriter::Rows(const std::vector<std::vector<uint8_t>>& rows) {
    std::vector<uint8_t> raw;
    for (const auto& r : rows) {
        raw.push_back(0);
        raw.insert(raw.end(), r.begin(), r.end());
    }
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<uint8_t> z(size);
    compress2(z.data(), &size, raw.data(), uLong(raw.size()), 9);
    z.resize(size);
    return Chunk("IDAT", z);
}

std::vector<uint8_t> Be16(const std::vector<uint16_t>& values) {
    std::vector<uint8_t> out;
    for (uint16_t v : values) {
        out.push_back(uint8_t(v >> 8));
        out.push_back(uint8_t(v));
    }
    return out;
}
