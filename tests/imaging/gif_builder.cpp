#include "tests/imaging/gif_builder.h"

#include <stdexcept>

namespace {
void Le16(std::vector<uint8_t>& o, int v) {
    o.push_back(uint8_t(v));
    o.push_back(uint8_t(v >> 8));
}
int BitsOfTable(size_t bytes) {
    int bits = 1;
    while ((size_t(3) << bits) < bytes)
        ++bits;
    return bits;
}
} // namespace

std::vector<uint8_t> GifPackCodes(const std::vector<std::pair<int, int>>& codes) {
    std::vector<uint8_t> out;
    uint32_t acc = 0;
    int n = 0;
    for (auto [code, width] : codes) {
        acc |= uint32_t(code) << n;
        n += width;
        while (n >= 8) {
            out.push_back(uint8_t(acc));
            acc >>= 8;
            n -= 8;
        }
    }
    if (n > 0) out.push_back(uint8_t(acc));
    return out;
}

std::vector<uint8_t> GifLzwEncode(const std::vector<uint8_t>& pixels, int m, bool clearWhenFull) {
    const int clear = 1 << m, end = clear + 1;
    std::vector<int16_t> dict(size_t(4096) * 256, -1);
    std::vector<std::pair<int, int>> codes;
    int width = m + 1, next = clear + 2;
    auto reset = [&] {
        std::fill(dict.begin(), dict.end(), int16_t(-1));
        width = m + 1;
        next = clear + 2;
    };
    codes.push_back({clear, width});
    if (pixels.empty()) {
        codes.push_back({end, width});
        return GifPackCodes(codes);
    }
    int cur = pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
        int k = pixels[i];
        int16_t& slot = dict[size_t(cur) * 256 + size_t(k)];
        if (slot >= 0) {
            cur = slot;
            continue;
        }
        codes.push_back({cur, width});
        if (next < 4096) {
            slot = int16_t(next++);
            if (next - 1 == (1 << width) && width < 12) ++width;
        }
        if (next == 4096 && clearWhenFull) {
            codes.push_back({clear, width});
            reset();
        }
        cur = k;
    }
    codes.push_back({cur, width});
    // The decoder adds one more entry on this code; the end code may need the wider width.
    if (next < 4096 && next == (1 << width) && width < 12) ++width;
    codes.push_back({end, width});
    return GifPackCodes(codes);
}

std::vector<uint8_t> GifInterlaceRows(const std::vector<uint8_t>& pixels, int w, int h) {
    std::vector<uint8_t> out;
    const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int p = 0; p < 4; ++p)
        for (int y = start[p]; y < h; y += step[p])
            out.insert(out.end(), pixels.begin() + y * w, pixels.begin() + (y + 1) * w);
    return out;
}

std::vector<uint8_t> GifTestTable(int bits) {
    std::vector<uint8_t> t;
    for (int i = 0; i < (1 << bits); ++i) {
        t.push_back(uint8_t(i));
        t.push_back(uint8_t(255 - i));
        t.push_back(uint8_t(i * 7));
    }
    return t;
}

GifWriter& GifWriter::Screen(int w, int h, const std::vector<uint8_t>& table, int bits,
                             int background, const char* signature) {
    out_.insert(out_.end(), signature, signature + 6);
    Le16(out_, w);
    Le16(out_, h);
    out_.push_back(uint8_t((table.empty() ? 0 : 0x80) | (bits - 1)));
    out_.push_back(uint8_t(background));
    out_.push_back(0);
    out_.insert(out_.end(), table.begin(), table.end());
    globalBits_ = bits;
    return *this;
}

GifWriter& GifWriter::Control(uint8_t packed, uint16_t delay, uint8_t ti) {
    const uint8_t b[] = {0x21, 0xF9, 4, packed, uint8_t(delay), uint8_t(delay >> 8), ti, 0};
    out_.insert(out_.end(), b, b + sizeof b);
    return *this;
}

GifWriter& GifWriter::Comment(const std::string& text) {
    out_.push_back(0x21);
    out_.push_back(0xFE);
    for (size_t i = 0; i < text.size(); i += 255) {
        size_t n = std::min<size_t>(255, text.size() - i);
        out_.push_back(uint8_t(n));
        out_.insert(out_.end(), text.begin() + long(i), text.begin() + long(i + n));
    }
    out_.push_back(0);
    return *this;
}

GifWriter& GifWriter::Application() {
    const uint8_t b[] = {0x21, 0xFF, 11,  'N', 'E', 'T', 'S', 'C', 'A', 'P',
                         'E',  '2',  '.', '0', 3,   1,   0,   0,   0};
    out_.insert(out_.end(), b, b + sizeof b);
    return *this;
}

GifWriter& GifWriter::ImageRaw(int left, int top, int w, int h, bool interlaced,
                               const std::vector<uint8_t>& local, int minCodeSize,
                               const std::vector<uint8_t>& data, int blockSize, bool terminator) {
    out_.push_back(0x2C);
    Le16(out_, left);
    Le16(out_, top);
    Le16(out_, w);
    Le16(out_, h);
    uint8_t packed = interlaced ? 0x40 : 0;
    if (!local.empty()) packed |= uint8_t(0x80 | (BitsOfTable(local.size()) - 1));
    out_.push_back(packed);
    out_.insert(out_.end(), local.begin(), local.end());
    out_.push_back(uint8_t(minCodeSize));
    for (size_t i = 0; i < data.size(); i += size_t(blockSize)) {
        size_t n = std::min(size_t(blockSize), data.size() - i);
        out_.push_back(uint8_t(n));
        out_.insert(out_.end(), data.begin() + long(i), data.begin() + long(i + n));
    }
    if (terminator) out_.push_back(0);
    return *this;
}

GifWriter& GifWriter::Image(int left, int top, int w, int h, const std::vector<uint8_t>& pixels,
                            bool interlaced, const std::vector<uint8_t>& local, int minCodeSize) {
    if (pixels.size() != size_t(w) * size_t(h)) throw std::logic_error("pixel count");
    int bits = local.empty() ? globalBits_ : BitsOfTable(local.size());
    if (minCodeSize == 0) minCodeSize = bits < 2 ? 2 : bits;
    auto stream = interlaced ? GifInterlaceRows(pixels, w, h) : pixels;
    return ImageRaw(left, top, w, h, interlaced, local, minCodeSize,
                    GifLzwEncode(stream, minCodeSize));
}

GifWriter& GifWriter::Trailer() {
    return Byte(0x3B);
}

GifWriter& GifWriter::Byte(uint8_t b) {
    out_.push_back(b);
    return *this;
}
