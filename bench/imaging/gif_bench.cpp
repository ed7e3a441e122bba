// Speed of the GIF reader against giflib in the same run, and of ReduceTo256
// against a plain copy of the same bytes.  Times are thread CPU time (the
// machine is shared), the best of several alternating runs.
//
//   imaging_gif_bench [file.gif ...]
// Without files it decodes a synthetic 800 x 600 animation of 100 frames and
// the large animations of the shared test corpus.
#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/codec.h"
#include "imaging/dib_image.h"
#include "imaging/dither_332.h"
#include "tests/imaging/gif_builder.h"
#include "tests/imaging/gif_frames.h"

namespace {

double CpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

template <class F> double BestOf(int reps, F f) {
    double best = 1e30;
    for (int i = 0; i < reps; ++i) {
        double t0 = CpuSeconds();
        f();
        best = std::min(best, CpuSeconds() - t0);
    }
    return best;
}

// ---- Ours: every frame through the codec interface into a caller buffer ----
struct Decoded {
    int frames = 0;
    uint64_t checksum = 0; // over 8-bit frames' indices, top row first
};

Decoded DecodeOurs(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& buf, bool sum) {
    Decoded d;
    CodecMemory mem;
    codec_memory_init(&mem, bytes.data(), bytes.size());
    CodecFile f;
    codec_open(&f, &mem.io, "b.gif");
    static CodecHeader h;
    uint8_t palette[768];
    char opt[32];
    for (int k = 0;; ++k) {
        std::snprintf(opt, sizeof opt, "index=%d", k);
        if (codec_read_header("b.gif", &f, kFormatGif, &h, opt) != kCodecOk) break;
        codec_read_palette(&f, kFormatGif, &h, palette);
        const size_t stride = size_t(CodecStride(h.width, h.bpp));
        if (buf.size() < stride * size_t(h.height) + 1) buf.resize(stride * size_t(h.height) + 1);
        if (codec_read_data(&f, kFormatGif, &h, buf.data()) != kCodecOk) break;
        ++d.frames;
        if (sum && h.bpp == 8)
            for (int y = 0; y < h.height; ++y)
                for (int x = 0; x < h.width; ++x)
                    d.checksum =
                        d.checksum * 31 + buf[size_t(h.height - 1 - y) * stride + size_t(x)];
    }
    codec_close(&f);
    return d;
}

// ---- giflib: the record loop with DGifGetLine, interlaced rows placed ----
struct MemSource {
    const uint8_t* data;
    size_t size, pos;
};

int ReadMemory(GifFileType* g, GifByteType* out, int n) {
    auto* m = static_cast<MemSource*>(g->UserData);
    size_t k = std::min(size_t(n), m->size - m->pos);
    std::memcpy(out, m->data + m->pos, k);
    m->pos += k;
    return int(k);
}

Decoded DecodeGiflib(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& buf, bool sum) {
    Decoded d;
    MemSource src{bytes.data(), bytes.size(), 0};
    int err = 0;
    GifFileType* g = DGifOpen(&src, ReadMemory, &err);
    if (!g) return d;
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    do {
        if (DGifGetRecordType(g, &type) == GIF_ERROR) break;
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(g) == GIF_ERROR) break;
            const int w = g->Image.Width, h = g->Image.Height;
            if (buf.size() < size_t(w) * size_t(h) + 1) buf.resize(size_t(w) * size_t(h) + 1);
            bool ok = true;
            if (g->Image.Interlace) {
                static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
                for (int p = 0; p < 4 && ok; ++p)
                    for (int y = start[p]; y < h && ok; y += step[p])
                        ok = DGifGetLine(g, buf.data() + size_t(y) * size_t(w), w) == GIF_OK;
            } else {
                for (int y = 0; y < h && ok; ++y)
                    ok = DGifGetLine(g, buf.data() + size_t(y) * size_t(w), w) == GIF_OK;
            }
            if (!ok) break;
            ++d.frames;
            const ColorMapObject* map = g->Image.ColorMap ? g->Image.ColorMap : g->SColorMap;
            if (sum && map && map->BitsPerPixel > 4)
                for (size_t i = 0; i < size_t(w) * size_t(h); ++i)
                    d.checksum = d.checksum * 31 + buf[i];
        } else if (type == EXTENSION_RECORD_TYPE) {
            int code;
            GifByteType* ext;
            if (DGifGetExtension(g, &code, &ext) == GIF_ERROR) break;
            while (ext)
                if (DGifGetExtensionNext(g, &ext) == GIF_ERROR) break;
        }
    } while (type != TERMINATE_RECORD_TYPE);
    DGifCloseFile(g, &err);
    return d;
}

// 800 x 600, 100 frames of a smooth moving pattern with noise, 256 colours.
std::vector<uint8_t> SyntheticAnimation() {
    const int w = 800, h = 600;
    GifWriter g;
    std::vector<uint8_t> table;
    for (int i = 0; i < 256; ++i)
        table.insert(table.end(), {uint8_t(i), uint8_t(i * 3), uint8_t(255 - i)});
    g.Screen(w, h, table, 8).Application();
    std::vector<uint8_t> px(size_t(w) * size_t(h));
    uint32_t s = 1;
    for (int f = 0; f < 100; ++f) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                s = s * 1664525u + 1013904223u;
                double v =
                    96 + 60 * std::sin((x + 7 * f) * 0.021) + 60 * std::cos((y - 5 * f) * 0.017);
                px[size_t(y) * w + x] = uint8_t(int(v) + int((s >> 29) & 3));
            }
        g.Control(0x04, 5, 0).Image(0, 0, w, h, px, f % 10 == 0);
    }
    return g.Trailer().Bytes();
}

void BenchGif(const std::string& name, const std::vector<uint8_t>& bytes, double* oursTotal,
              double* giflibTotal) {
    std::vector<uint8_t> buf;
    Decoded a = DecodeOurs(bytes, buf, true), b = DecodeGiflib(bytes, buf, true);
    const char* agree =
        a.frames == b.frames && a.checksum == b.checksum ? "same pixels" : "DIFFERENT";
    double tOurs = 1e30, tGif = 1e30;
    for (int r = 0; r < 5; ++r) {
        tOurs = std::min(tOurs, BestOf(1, [&] { DecodeOurs(bytes, buf, false); }));
        tGif = std::min(tGif, BestOf(1, [&] { DecodeGiflib(bytes, buf, false); }));
    }
    *oursTotal += tOurs;
    *giflibTotal += tGif;
    std::printf("%-34s %4d frames %9zu bytes  ours %8.2f ms  giflib %8.2f ms  ratio %.2f  (%s)\n",
                name.c_str(), a.frames, bytes.size(), tOurs * 1e3, tGif * 1e3, tOurs / tGif, agree);
}

void BenchReduce() {
    const int w = 1920, h = 1080;
    std::vector<uint8_t> table, idx(size_t(w) * h);
    for (int i = 0; i < 256; ++i)
        table.insert(table.end(), {uint8_t(i), uint8_t((i * 7) & 255), uint8_t((i * 13) & 255)});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            idx[size_t(y) * w + x] = uint8_t((x / 7 + y / 5 + (x * y) % 11) & 255);
    GifWriter g;
    g.Screen(w, h, table, 8).Image(0, 0, w, h, idx).Trailer();
    const std::vector<uint8_t> file = g.Bytes();
    CodecMemory mem;
    codec_memory_init(&mem, file.data(), file.size());

    const size_t bytes = DibStride(w, 24) * h;
    std::vector<uint8_t> src(bytes, 1), dst(bytes);
    double tReduce = 1e30, tCopy = 1e30;
    for (int r = 0; r < 7; ++r) {
        CDibImage img(&mem.io);
        if (!img.LoadFrame("b.gif", 0) || !img.ToTrueColor()) return;
        std::memcpy(src.data(), img.bits, bytes);
        tReduce = std::min(tReduce, BestOf(1, [&] { img.ReduceTo256(); }));
        tCopy = std::min(tCopy, BestOf(1, [&] { std::memcpy(dst.data(), src.data(), bytes); }));
    }
    std::printf("ReduceTo256 1920x1080: %.2f ms; copy of the same %zu bytes: %.3f ms; "
                "ratio %.1f (goal <= 8)\n",
                tReduce * 1e3, bytes, tCopy * 1e3, tReduce / tCopy);
    // Each kernel of the diffusion on the same pixels (ReduceTo256 takes the best).
    const char* names[] = {"one pixel at a time", "SSE2", "AVX2"};
    const Dither332Kernel kernels[] = {Dither332Kernel::kScalar, Dither332Kernel::kSse2,
                                       Dither332Kernel::kAvx2};
    const size_t outStride = DibStride(w, 8);
    std::vector<uint8_t> work(src), out(outStride * h);
    std::vector<int16_t> units(Dither332WorkUnits(w));
    for (int i = 0; i < 3; ++i) {
        bool ran = true;
        work = src; // (the one-pixel kernel adds errors into it; the timing does not care)
        double t = BestOf(7, [&] {
            ran = Dither332With(kernels[i], work.data(), DibStride(w, 24), out.data(), outStride, w,
                                h, units.data());
        });
        if (ran) std::printf("  kernel %-20s %.2f ms, ratio %.1f\n", names[i], t * 1e3, t / tCopy);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> inputs;
    for (int i = 1; i < argc; ++i)
        inputs.emplace_back(argv[i], ReadWholeFile(argv[i]));
    if (inputs.empty()) {
        inputs.emplace_back("synthetic 800x600 x 100", SyntheticAnimation());
        const char* corpus[] = {"gif/image-rs-image-gif/samples/sample_big.gif",
                                "gif/image-rs-image-gif/samples/gifplayer-muybridge.gif",
                                "gif/pillow/iss634.gif", "gif/pillow/chi.gif"};
        for (const char* c : corpus) {
            std::string p = std::string(PLINTHAR_TESTDATA) + "/" + c;
            if (std::filesystem::exists(p)) inputs.emplace_back(c, ReadWholeFile(p));
        }
    }
    double ours = 0, giflib = 0;
    for (auto& [name, bytes] : inputs) {
        std::string shown = name.size() > 34 ? "..." + name.substr(name.size() - 31) : name;
        BenchGif(shown, bytes, &ours, &giflib);
    }
    std::printf("GIF total: ours %.2f ms, giflib %.2f ms, ratio %.2f (goal <= 1.0)\n", ours * 1e3,
                giflib * 1e3, ours / giflib);
    BenchReduce();
    return 0;
}
