// Time of one saver frame's work: regions and movement of every sprite, the
// background painted back where the sprites were and are, each sprite's step,
// and the copy of what changed to the screen.  Run under Wine at the screen size to measure:
//   scripts/bench-wine build/windows/bench/saver/frame/bench_saver_frame.exe [frames] [opaque]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/settings.h"
#include "bench/saver/bench_clock.h"
#include "common/crt_random.h"
#include "saver/saver_window_win32.h"
#include "tests/imaging/gif_builder.h"

namespace {

std::string TempFile(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr);
    CloseHandle(h);
}

// A 200 x 200 animation of 8 frames with a transparent background.
std::string MakeSpriteGif(uint8_t control) {
    std::vector<uint8_t> table = {0, 0, 0, 255, 64, 0, 40, 200, 90, 255, 255, 255};
    GifWriter g;
    g.Screen(200, 200, table, 2);
    for (int f = 0; f < 8; ++f) {
        std::vector<uint8_t> px(200 * 200, 3);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x) {
                int dx = x - 100, dy = y - 100, r = 40 + f * 7;
                if (dx * dx + dy * dy < r * r)
                    px[size_t(y) * 200 + x] = uint8_t(1 + ((x / 20 + f) & 1));
            }
        g.Control(control, 5, 3).Image(0, 0, 200, 200, px);
    }
    g.Trailer();
    std::string path = TempFile("bench-sprite.gif");
    WriteAll(path, g.Bytes());
    return path;
}

// A 640 x 480 24-bit background picture.
std::string MakeBackground() {
    int w = 640, h = 480, stride = w * 3;
    std::vector<uint8_t> f(54 + size_t(stride) * h);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            f[at + i] = uint8_t(v >> (8 * i));
    };
    f[0] = 'B', f[1] = 'M';
    put(2, uint32_t(f.size())), put(10, 54), put(14, 40), put(18, uint32_t(w)),
        put(22, uint32_t(h));
    f[26] = 1, f[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &f[54 + size_t(y) * stride + size_t(x) * 3];
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t(x ^ y);
        }
    std::string path = TempFile("bench-background.bmp");
    WriteAll(path, f);
    return path;
}

void Pump(HWND w) {
    MSG m;
    while (PeekMessageA(&m, w, 0, 0, PM_REMOVE))
        DispatchMessageA(&m);
}

// CPU time of this thread in ms (user + kernel): on a busy machine wall-clock
// times include waiting for a core, CPU time does not.
double ThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& f) {
        return double((uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

struct Stats {
    double median, p99;
    double cpuMean;
    double background, pictures, paint; // medians of the three parts
    uint32_t picture;                   // checksum of the last frame's canvas
};

// FNV-1a over the canvas's colours: equal in two builds when they draw the same.
uint32_t CanvasChecksum(SaverWindow& w) {
    int width = w.screenRect.right, height = w.screenRect.bottom;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> px(size_t(width) * size_t(height));
    GetDIBits(w.CanvasDC(), w.CanvasBitmap(), 0, UINT(height), px.data(), &bi, DIB_RGB_COLORS);
    uint32_t h = 2166136261u;
    for (uint32_t p : px)
        h = (h ^ (p & 0xFFFFFF)) * 16777619u;
    return h;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

Stats Measure(int sprites, int frames, const std::string& gif, const std::string& background) {
    g_Settings = Settings();
    g_Settings.floats.Count = uint16_t(sprites);
    g_Settings.floats.Speed = 20;
    g_Settings.background.Image = background;
    g_Settings.background.Style = 1;
    g_IniPath = TempFile("bench-saver.ini");
    SaverWindow w;
    w.Create(w.screenRect, WS_POPUP | WS_VISIBLE, nullptr, 0);
    w.PrepareBackground();
    w.spriteFileList = {gif};
    CrtSeed(7);
    w.SetUpSprites();
    std::vector<double> times, backgroundMs, pictures, paint;
    double cpu0 = ThreadCpuMs();
    for (int i = 0; i < frames; ++i) {
        double t0 = BenchNowMs();
        // The frame loop's step of the pictures, taken apart to time its parts.
        w.moveNow = true;
        w.UpdateRegionsAndMove();
        w.PaintChangedBackground();
        GdiFlush();
        double t1 = BenchNowMs();
        for (auto& picture : w.pictureList)
            picture->Step(w.CanvasDC());
        GdiFlush();
        double t2 = BenchNowMs();
        UpdateWindow(w.Handle()); // the paint copy of what was invalidated
        GdiFlush();
        double t3 = BenchNowMs();
        times.push_back(t3 - t0);
        backgroundMs.push_back(t1 - t0);
        pictures.push_back(t2 - t1);
        paint.push_back(t3 - t2);
        Pump(w.Handle());
    }
    double cpu = (ThreadCpuMs() - cpu0) / frames;
    uint32_t picture = CanvasChecksum(w);
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2],
            times[size_t(double(times.size()) * 0.99)],
            cpu,
            Median(backgroundMs),
            Median(pictures),
            Median(paint),
            picture};
}

double FullScreenBlt(int runs) {
    HDC screen = GetDC(nullptr);
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP a = CreateCompatibleBitmap(screen, w, h), b = CreateCompatibleBitmap(screen, w, h);
    HDC mem2 = CreateCompatibleDC(screen);
    HGDIOBJ oa = SelectObject(mem, a), ob = SelectObject(mem2, b);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double t0 = BenchNowMs();
        BitBlt(mem, 0, 0, w, h, mem2, 0, 0, SRCCOPY);
        GdiFlush();
        times.push_back(BenchNowMs() - t0);
    }
    SelectObject(mem, oa), SelectObject(mem2, ob);
    DeleteObject(a), DeleteObject(b);
    DeleteDC(mem), DeleteDC(mem2);
    ReleaseDC(nullptr, screen);
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The whole canvas copied to the window by its paint handler: what a frame
// that changes the whole screen pays at least.
double FullScreenPaint(int runs) {
    g_Settings = Settings();
    g_IniPath = TempFile("bench-saver.ini");
    SaverWindow w;
    w.Create(w.screenRect, WS_POPUP | WS_VISIBLE, nullptr, 0);
    Pump(w.Handle());
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double t0 = BenchNowMs();
        InvalidateRect(w.Handle(), nullptr, FALSE);
        UpdateWindow(w.Handle());
        GdiFlush();
        times.push_back(BenchNowMs() - t0);
        Pump(w.Handle());
    }
    return Median(times);
}

} // namespace

int main(int argc, char** argv) {
    int frames = argc > 1 ? std::max(10, atoi(argv[1])) : 500;
    // Transparent frames disposed to the background, as animated sprites usually are;
    // "opaque" measures the same without transparency.
    bool opaque = argc > 2 && std::string(argv[2]) == "opaque";
    std::string gif = MakeSpriteGif(opaque ? 0x08 : 0x09), background = MakeBackground();
    std::printf("screen %dx%d, %d frames per run, %s sprites\n", GetSystemMetrics(SM_CXSCREEN),
                GetSystemMetrics(SM_CYSCREEN), frames, opaque ? "opaque" : "transparent");
    std::printf("full-screen copy (floor): memory to memory %.3f ms, canvas to window %.3f ms\n",
                FullScreenBlt(200), FullScreenPaint(100));
    const int counts[] = {5, 20, 50};
    Stats runs[3];
    for (int i = 0; i < 3; ++i) {
        Stats& s = runs[i] = Measure(counts[i], frames, gif, background);
        std::printf(
            "%2d sprites of 200x200: median %.3f ms, p99 %.3f ms, CPU %.3f ms/frame "
            "(medians: regions and background %.3f, sprites %.3f, paint copy %.3f); picture %08x\n",
            counts[i], s.median, s.p99, s.cpuMean, s.background, s.pictures, s.paint,
            unsigned(s.picture));
    }
    // Cost of one more sprite, between 5 and 20 and between 20 and 50 sprites:
    // the two agree when the cost is linear in the number of sprites.
    for (int i = 0; i < 2; ++i) {
        double n = counts[i + 1] - counts[i];
        std::printf("per sprite (%d to %d): median %.3f ms, CPU %.3f ms, sprites' step %.3f ms\n",
                    counts[i], counts[i + 1], (runs[i + 1].median - runs[i].median) / n,
                    (runs[i + 1].cpuMean - runs[i].cpuMean) / n,
                    (runs[i + 1].pictures - runs[i].pictures) / n);
    }
    return 0;
}
