#include "tests/imaging/formats_support.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace {

FormatImage Decode(int format, CodecFile* f, const char* options) {
    FormatImage img;
    img.rc = codec_read_header("", f, format, &img.header, options);
    if (img.rc) return img;
    const CodecHeader& h = img.header;
    img.width = h.width;
    img.height = h.height;
    img.bpp = h.bpp;
    if (h.bpp <= 8) {
        img.palette.assign(size_t(3) << h.bpp, 0);
        img.rc = codec_read_palette(f, format, &img.header, img.palette.data());
        if (img.rc) return img;
    }
    const size_t stride = size_t(CodecStride(h.width, h.bpp));
    std::vector<uint8_t> pixels(stride * size_t(h.height), 0xA5);
    img.rc = codec_read_data(f, format, &img.header, pixels.data());
    if (img.rc) return img;
    img.rgb.resize(size_t(h.width) * size_t(h.height) * 3);
    uint8_t* out = img.rgb.data();
    for (int y = 0; y < h.height; ++y) {
        const uint8_t* row = pixels.data() + size_t(h.height - 1 - y) * stride;
        for (int x = 0; x < h.width; ++x, out += 3) {
            int index = 0;
            switch (h.bpp) {
            case 1:
                index = (row[x >> 3] >> (7 - (x & 7))) & 1;
                break;
            case 4:
                index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
                break;
            case 8:
                index = row[x];
                break;
            default:
                out[0] = row[3 * x + 2];
                out[1] = row[3 * x + 1];
                out[2] = row[3 * x];
                continue;
            }
            std::copy_n(&img.palette[size_t(3 * index)], 3, out);
        }
    }
    return img;
}

} // namespace

FormatImage DecodeFile(int format, const std::string& path, const char* options) {
    CodecFile f;
    if (!codec_open(&f, codec_default_io(), path.c_str())) return FormatImage{};
    FormatImage img = Decode(format, &f, options);
    codec_close(&f);
    return img;
}

FormatImage DecodeBytes(int format, const std::vector<uint8_t>& bytes, const char* options) {
    CodecMemory mem;
    codec_memory_init(&mem, bytes.data(), bytes.size());
    CodecFile f;
    codec_open(&f, &mem.io, "memory");
    FormatImage img = Decode(format, &f, options);
    codec_close(&f);
    return img;
}

std::string FileStem(const std::string& path) {
    std::string n = path.substr(path.rfind('/') + 1);
    return n.substr(0, n.rfind('.'));
}

std::vector<std::string> FilesIn(const std::string& dir, const std::string& suffix) {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto& e : fs::directory_iterator(dir, ec)) {
        std::string p = e.path().string();
        if (e.is_regular_file() && p.size() >= suffix.size() &&
            p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0)
            out.push_back(p);
    }
    std::sort(out.begin(), out.end());
    return out;
}

FormatImage ReadPnm(const std::string& path) {
    FormatImage img;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t pos = 0;
    auto number = [&]() -> long {
        for (;;) {
            while (pos < d.size() && std::isspace(d[pos]))
                ++pos;
            if (pos < d.size() && d[pos] == '#') {
                while (pos < d.size() && d[pos] != '\n')
                    ++pos;
                continue;
            }
            break;
        }
        long v = -1;
        while (pos < d.size() && std::isdigit(d[pos]))
            v = (v < 0 ? 0 : v * 10) + (d[pos++] - '0');
        return v;
    };
    if (d.size() < 2 || d[0] != 'P' || (d[1] != '4' && d[1] != '5' && d[1] != '6')) return img;
    char kind = char(d[1]);
    pos = 2;
    long w = number(), h = number(), maxval = kind == '4' ? 1 : number();
    if (w <= 0 || h <= 0 || maxval <= 0 || maxval > 255) return img;
    ++pos;
    size_t rowBytes = kind == '4' ? size_t(w + 7) / 8 : size_t(w) * (kind == '5' ? 1 : 3);
    if (d.size() < pos + rowBytes * size_t(h)) return img;
    img.width = int(w);
    img.height = int(h);
    img.maxval = kind == '4' ? 255 : int(maxval);
    img.rgb.resize(size_t(w) * size_t(h) * 3);
    for (long y = 0; y < h; ++y) {
        const uint8_t* row = d.data() + pos + size_t(y) * rowBytes;
        for (long x = 0; x < w; ++x) {
            uint8_t* o = &img.rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
            if (kind == '4') {
                o[0] = o[1] = o[2] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 0 : 255;
            } else if (kind == '5') {
                o[0] = o[1] = o[2] = row[x];
            } else {
                std::copy_n(row + 3 * x, 3, o);
            }
        }
    }
    img.rc = 0;
    return img;
}

FormatImage OracleDecode(const std::string& command, const std::string& key) {
    const fs::path out = fs::path(PLINTHAR_BINARY_DIR) / "imaging-formats" / (key + ".pnm");
    if (MakeWithTool(command + " >@OUT@", out.string()).empty()) return FormatImage{};
    return ReadPnm(out.string());
}

std::string ComparePixels(const FormatImage& ours, const FormatImage& ref, int tolerance) {
    std::ostringstream why;
    if (ours.width != ref.width || ours.height != ref.height) {
        why << "size " << ours.width << "x" << ours.height << " vs " << ref.width << "x"
            << ref.height;
        return why.str();
    }
    int shift = 0;
    while ((255 >> shift) > ref.maxval)
        ++shift;
    for (size_t i = 0; i < ours.rgb.size(); ++i) {
        if (std::abs((ours.rgb[i] >> shift) - ref.rgb[i]) > tolerance) {
            size_t p = i / 3;
            why << "pixel (" << p % size_t(ours.width) << "," << p / size_t(ours.width)
                << ") channel " << i % 3 << ": " << int(ours.rgb[i]) << " vs " << int(ref.rgb[i])
                << " (maxval " << ref.maxval << ")";
            return why.str();
        }
    }
    return "";
}
