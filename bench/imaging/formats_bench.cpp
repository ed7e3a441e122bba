// Speed of the JPEG, Bitmap (RLE8) and TIFF (LZW) readers against the Debian
// tool that decodes the same file: djpeg (the same libjpeg), bmptopnm and
// tifftopnm.  The files are made first (large pictures scaled up from the
// shared test image by ImageMagick, with noise added; the RLE8 bitmap is encoded here, with
// runs, literals and end-of-line codes only, so that bmptopnm takes it).
// Times are CPU seconds, best of several runs: ours in this process (file
// read through the codec file operations included), the tool's as its child
// process's user + system time with its output sent to /dev/null.
//
//   imaging_formats_bench [work folder]
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/codec.h"

namespace {

double CpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double ChildSeconds() {
    rusage ru;
    getrusage(RUSAGE_CHILDREN, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
}

int Decode(int format, const std::string& path, std::vector<uint8_t>& pixels) {
    CodecFile f;
    if (!codec_open(&f, codec_default_io(), path.c_str())) return -1;
    static CodecHeader h;
    uint8_t palette[768];
    int rc = codec_read_header(path.c_str(), &f, format, &h, "");
    if (!rc && h.bpp <= 8) rc = codec_read_palette(&f, format, &h, palette);
    if (!rc) {
        pixels.resize(size_t(CodecStride(h.width, h.bpp)) * size_t(h.height));
        rc = codec_read_data(&f, format, &h, pixels.data());
    }
    codec_close(&f);
    return rc;
}

// Writes an 8-bit RLE8 bitmap of the grey picture (rows top first).
void WriteRle8(const std::string& path, const std::vector<uint8_t>& grey, int w, int h) {
    std::vector<uint8_t> data;
    for (int y = h - 1; y >= 0; --y) {
        const uint8_t* row = grey.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w;) {
            int run = 1;
            while (x + run < w && run < 255 && row[x + run] == row[x])
                ++run;
            if (run >= 3 || w - x < 3) {
                data.push_back(uint8_t(run));
                data.push_back(row[x]);
                x += run;
                continue;
            }
            int lit = 0; // a literal up to the next run of 3
            while (x + lit < w && lit < 255 &&
                   !(x + lit + 2 < w && row[x + lit] == row[x + lit + 1] &&
                     row[x + lit] == row[x + lit + 2]))
                ++lit;
            if (lit < 3) lit = std::min(3, w - x);
            data.push_back(0);
            data.push_back(uint8_t(lit));
            data.insert(data.end(), row + x, row + x + lit);
            if (lit & 1) data.push_back(0);
            x += lit;
        }
        data.push_back(0);
        data.push_back(y == 0 ? 1 : 0);
    }
    std::vector<uint8_t> f;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            f.push_back(uint8_t(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        f.push_back(uint8_t(v));
        f.push_back(uint8_t(v >> 8));
    };
    const uint32_t offset = 14 + 40 + 1024;
    f.push_back('B');
    f.push_back('M');
    u32(offset + uint32_t(data.size()));
    u32(0);
    u32(offset);
    u32(40);
    u32(uint32_t(w));
    u32(uint32_t(h));
    u16(1);
    u16(8);
    u32(1);
    u32(uint32_t(data.size()));
    u32(2835);
    u32(2835);
    u32(256);
    u32(0);
    for (int i = 0; i < 256; ++i)
        u32(uint32_t(i * 0x010101));
    f.insert(f.end(), data.begin(), data.end());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(f.data()), long(f.size()));
}

std::vector<uint8_t> ReadPgm(const std::string& path, int* w, int* h) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval;
    in >> magic >> *w >> *h >> maxval;
    in.get();
    std::vector<uint8_t> px(size_t(*w) * size_t(*h));
    in.read(reinterpret_cast<char*>(px.data()), long(px.size()));
    return px;
}

void Compare(const char* what, int format, const std::string& path, const std::string& tool) {
    std::vector<uint8_t> pixels;
    if (Decode(format, path, pixels) != 0) {
        std::printf("%s: our reader failed on %s\n", what, path.c_str());
        return;
    }
    double ours = 1e30, theirs = 1e30;
    for (int i = 0; i < 5; ++i) {
        double t0 = CpuSeconds();
        Decode(format, path, pixels);
        ours = std::min(ours, CpuSeconds() - t0);
        double c0 = ChildSeconds();
        if (std::system((tool + " '" + path + "' >/dev/null 2>&1").c_str()) != 0) {
            std::printf("%s: %s failed\n", what, tool.c_str());
            return;
        }
        theirs = std::min(theirs, ChildSeconds() - c0);
    }
    std::printf("%-10s ours %7.3f s   %-22s %7.3f s   ratio %.2f\n", what, ours, tool.c_str(),
                theirs, ours / theirs);
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    const std::string src = PLINTHAR_TESTDATA "/jpeg/libjpeg-turbo-testimages/testorig.jpg";
    const std::string jpg = dir + "/bench-big.jpg", tif = dir + "/bench-big-lzw.tif",
                      pgm = dir + "/bench-big.pgm", bmp = dir + "/bench-big-rle8.bmp";
    // A 4000 x 3000 photo (12 megapixels) with grain, so that neither JPEG nor
    // LZW finds it unusually easy.
    std::string make = "/usr/bin/convert '" + src +
                       "' -resize 4000x3000! -attenuate 0.5 +noise Gaussian -quality 90 '" + jpg +
                       "' && /usr/bin/convert '" + jpg + "' -compress LZW '" + tif +
                       "' && /usr/bin/convert '" + jpg + "' -colorspace Gray -colors 64 '" + pgm +
                       "'";
    if (std::system(make.c_str()) != 0) {
        std::printf("could not make the pictures (ImageMagick)\n");
        return 1;
    }
    int w = 0, h = 0;
    std::vector<uint8_t> grey = ReadPgm(pgm, &w, &h);
    WriteRle8(bmp, grey, w, h);
    Compare("JPEG", kFormatJpeg, jpg, "/usr/bin/djpeg -pnm");
    Compare("TIFF LZW", kFormatTiff, tif, "/usr/bin/tifftopnm");
    Compare("BMP RLE8", kFormatBitmap, bmp, "/usr/bin/bmptopnm");
    return 0;
}
