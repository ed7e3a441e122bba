// Frame work of the slideshow for each transition effect: a full show and erase
// of a screen-sized picture with five animated sprites over it, timed per frame
// (hold check, background, regions, every picture's step) as the 20 ms frame
// loop runs it.  Prints the median and the 99th percentile per effect.
//
//   bench_saver_slideshow [width height [speed [rounds]]]   (default 1920 1080 20 5)
// "paint" is the median of the background painting alone; "load" the median of
// the frames that load the next picture (decoding, fitting), kept out of the rest.
//
//   bench_saver_slideshow album [width height [pictures [megapixels]]]
//                                                          (default 1920 1080 6 12)
// Photographs instead: an album of large JPEG pictures (4:3, written here),
// shown with the slide effect at speed 20, a one-second hold and five sprites,
// the frames paced at 20 ms as the saver's timer paces them.  Every frame of
// the run counts, the ones that change the picture among them; prints the
// median, 99th percentile and maximum frame time.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "app/settings.h"
#include "common/crt_random.h"
#include "saver/saver_window_win32.h"
#include "saver/slide_sprite_win32.h"
#include "tests/imaging/gif_builder.h"

namespace {

bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// A 24-bit picture with a colour gradient, written as a Windows bitmap.
std::string GradientBmp(int w, int h) {
    size_t stride = (size_t(w) * 3 + 3) / 4 * 4;
    std::string b;
    auto u16 = [&](unsigned v) { b += char(v & 0xFF), b += char((v >> 8) & 0xFF); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    b += "BM";
    u32(uint32_t(54 + stride * size_t(h))), u32(0), u32(54);
    u32(40), u32(uint32_t(w)), u32(uint32_t(h)), u16(1), u16(24);
    u32(0), u32(uint32_t(stride * size_t(h))), u32(2835), u32(2835), u32(0), u32(0);
    std::string row(stride, '\0');
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            row[size_t(x) * 3] = char(x * 255 / w);
            row[size_t(x) * 3 + 1] = char(y * 255 / h);
            row[size_t(x) * 3 + 2] = char((x + y) & 0xFF);
        }
        b += row;
    }
    return b;
}

// A 64 x 64 animation of four frames with a transparent corner.
std::string SpriteGif() {
    std::vector<uint8_t> table;
    for (int i = 0; i < 16; ++i)
        table.insert(table.end(), {uint8_t(i * 16), uint8_t(255 - i * 16), 128});
    GifWriter g;
    g.Screen(64, 64, table, 4);
    for (int f = 0; f < 4; ++f) {
        std::vector<uint8_t> px(64 * 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                px[size_t(y) * 64 + size_t(x)] =
                    uint8_t(x < 16 && y < 16 ? 0 : (x / 8 + y / 8 + f) % 15 + 1);
        g.Control(0x05, 5, 0).Image(0, 0, 64, 64, px);
    }
    g.Trailer();
    return std::string(g.Bytes().begin(), g.Bytes().end());
}

// A w x h photograph-like JPEG (smooth colour fields with fine detail, so that
// it decodes like a camera's picture); `seed` varies the picture.
bool WriteJpeg(const std::string& path, int w, int h, int seed) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(w) * 3);
    while (c.next_scanline < c.image_height) {
        int y = int(c.next_scanline);
        for (int x = 0; x < w; ++x) {
            row[size_t(x) * 3] = JSAMPLE((x * 255 / w + seed * 40) & 0xFF);
            row[size_t(x) * 3 + 1] = JSAMPLE((y * 255 / h) ^ ((x * 7 + y * 3) & 0x1F));
            row[size_t(x) * 3 + 2] = JSAMPLE(((x / 16 + y / 16 + seed) & 1) * 60 + 90);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(f) == 0;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t i = size_t(p * double(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// The saver's window over a W x H screen showing `pictures` as slides over a
// plain background with one kind of animated sprite, set up as the saver's
// start-up leaves it (the slide cycle's hold is the caller's to set before).
bool OpenSaver(SaverWindow& w, int W, int H, const std::vector<std::string>& pictures,
               const std::string& sprite) {
    w.SetSound(nullptr);
    CrtSeed(1);
    w.screenRect = RECT{0, 0, W, H};
    w.confineRect = w.screenRect;
    w.backgroundMode = 3;
    w.backgroundColor = RGB(20, 40, 60);
    w.spritesOn = w.slideshowOn = true;
    w.slideshowList = pictures;
    w.spriteFileList = {sprite};
    if (!w.Create(w.screenRect, WS_POPUP, nullptr, 0) || !w.SetUpSlideshow()) {
        std::fprintf(stderr, "saver window or slide failed\n");
        return false;
    }
    w.firstSpriteIndex = 1;
    w.SetUpSprites();
    return true;
}

} // namespace

// The album run: every frame timed, the picture changes among them.
int RunAlbum(int argc, char** argv) {
    int W = argc > 3 ? std::atoi(argv[2]) : 1920, H = argc > 3 ? std::atoi(argv[3]) : 1080;
    int pictures = argc > 4 ? std::atoi(argv[4]) : 6;
    int megapixels = argc > 5 ? std::atoi(argv[5]) : 12;
    // 4:3 pictures of about that many pixels (12 -> 4000 x 3000).
    int pw = 4000, ph = 3000;
    while (pw * ph / 1000000 > megapixels && pw > 400)
        pw -= 4, ph -= 3;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::vector<std::string> album;
    for (int i = 0; i < pictures; ++i) {
        album.push_back(std::string(temp) + "bench_photo" + std::to_string(i) + ".jpg");
        if (!WriteJpeg(album.back(), pw, ph, i)) {
            std::fprintf(stderr, "cannot write %s\n", album.back().c_str());
            return 1;
        }
    }
    std::string sprite = std::string(temp) + "bench_sprite.gif";
    if (!WriteBytes(sprite, SpriteGif())) return 1;
    g_IniPath = std::string(temp) + "bench_slide.ini";
    g_Settings = Settings();
    std::string cs(kCheckStringLength, '0');
    cs[0] = cs[1] = cs[27] = cs[28] = '1'; // sprites, slideshow, shrink keeping the aspect
    g_Settings.options.CheckString = cs;
    g_Settings.slide.Effects = std::string(34, '0');
    g_Settings.slide.Effects[0] = '1';
    g_Settings.slide.Speed = 20;
    g_Settings.slide.Duration = 1;
    g_Settings.floats.Count = 5;
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    const double toMs = 1000.0 / double(freq.QuadPart);
    std::vector<double> ms;
    int changes = 0;
    {
        SaverWindow w;
        w.slideCycle.holdTime = 1000;
        if (!OpenSaver(w, W, H, album, sprite)) return 1;
        w.PaintBackground();
        w.UpdateRegionsAndMove();
        LARGE_INTEGER next;
        QueryPerformanceCounter(&next);
        const LONGLONG period = freq.QuadPart / 50;
        while (changes < pictures) {
            LARGE_INTEGER t0, t1;
            bool loading = w.slideCycle.loadNext;
            QueryPerformanceCounter(&t0);
            w.moveNow = true;
            w.StartErase();
            w.PaintBackground();
            if (!w.StepSlideshow()) {
                std::fprintf(stderr, "slideshow ran out of pictures\n");
                return 1;
            }
            GdiFlush();
            QueryPerformanceCounter(&t1);
            ms.push_back(double(t1.QuadPart - t0.QuadPart) * toMs);
            if (loading && !w.slideCycle.loadNext) ++changes;
            // The next frame is due 20 ms after this one was (the saver's timer);
            // a late frame starts the next one at once.
            next.QuadPart += period;
            QueryPerformanceCounter(&t1);
            if (t1.QuadPart < next.QuadPart)
                Sleep(DWORD((next.QuadPart - t1.QuadPart) * 1000 / freq.QuadPart));
            else
                next = t1;
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
    }
    std::printf("%dx%d, %d pictures of %dx%d, 5 sprites; frame work in ms\n"
                "frames  median     p99     max  over40\n",
                W, H, pictures, pw, ph);
    size_t over = size_t(std::count_if(ms.begin(), ms.end(), [](double v) { return v > 40; }));
    std::printf("%6zu  %6.2f  %6.2f  %6.2f  %6zu\n", ms.size(), Percentile(ms, 0.5),
                Percentile(ms, 0.99), *std::max_element(ms.begin(), ms.end()), over);
    for (const std::string& p : album)
        DeleteFileA(p.c_str());
    DeleteFileA(sprite.c_str());
    return 0;
}

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "album") return RunAlbum(argc, argv);
    int W = argc > 2 ? std::atoi(argv[1]) : 1920, H = argc > 2 ? std::atoi(argv[2]) : 1080;
    int speed = argc > 3 ? std::atoi(argv[3]) : 20;
    int rounds = argc > 4 ? std::atoi(argv[4]) : 5;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string picture = std::string(temp) + "bench_slide.bmp",
                sprite = std::string(temp) + "bench_sprite.gif";
    if (!WriteBytes(picture, GradientBmp(W, H)) || !WriteBytes(sprite, SpriteGif())) {
        std::fprintf(stderr, "cannot write the test pictures\n");
        return 1;
    }
    g_IniPath = std::string(temp) + "bench_slide.ini";
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    std::printf("%dx%d, speed %d, 5 sprites; frame work in ms\neffect  frames  median     p99     "
                "max   paint    load\n",
                W, H, speed);
    for (int effect = 0; effect <= 34; ++effect) {
        g_Settings = Settings();
        std::string cs(kCheckStringLength, '0');
        cs[0] = cs[1] = cs[25] = cs[37] = '1';
        g_Settings.options.CheckString = cs;
        g_Settings.slide.Effects = std::string(34, '0');
        if (effect < 34) g_Settings.slide.Effects[size_t(effect)] = '1';
        g_Settings.slide.Speed = uint16_t(speed);
        g_Settings.floats.Count = 5;
        SaverWindow w;
        if (!OpenSaver(w, W, H, {picture}, sprite)) return 1;
        // The first use of the canvas and of each sprite's bitmaps is paid by the
        // saver's start-up, before its frame timer runs.
        w.PaintBackground();
        w.UpdateRegionsAndMove();
        std::vector<double> ms, paint, loads;
        for (int round = 0; round < rounds; ++round)
            for (int phase = 0; phase < 2; ++phase) {
                if (phase == 1) w.slideCycle.holdStart = 1, w.slideCycle.holdTime = 0;
                for (int i = 0; i < 5000; ++i) {
                    LARGE_INTEGER t0, t1, t2;
                    bool loading = w.slideCycle.loadNext;
                    QueryPerformanceCounter(&t0);
                    w.moveNow = true;
                    w.StartErase();
                    w.PaintBackground();
                    GdiFlush();
                    QueryPerformanceCounter(&t1);
                    w.StepSlideshow();
                    GdiFlush();
                    QueryPerformanceCounter(&t2);
                    double f = 1000.0 / double(freq.QuadPart);
                    // A frame that loads the next picture is timed apart: decoding
                    // is the loader's cost, not the effect's.
                    (loading ? loads : ms).push_back(double(t2.QuadPart - t0.QuadPart) * f);
                    paint.push_back(double(t1.QuadPart - t0.QuadPart) * f);
                    if (phase == 0 ? !w.slideCycle.showing : w.slideCycle.loadNext) break;
                }
            }
        std::printf("%6d  %6zu  %6.2f  %6.2f  %6.2f  %6.2f  %6.1f\n", effect, ms.size(),
                    Percentile(ms, 0.5), Percentile(ms, 0.99),
                    *std::max_element(ms.begin(), ms.end()), Percentile(paint, 0.5),
                    Percentile(loads, 0.5));
        std::fflush(stdout);
    }
    DeleteFileA(picture.c_str());
    DeleteFileA(sprite.c_str());
    return 0;
}
