// Time from launching Plinthar.exe with no argument to its setup sheet shown
// and painted, for an album of 1,000 picture entries (and 100 sounds).  The
// sheet counts as painted when it and its page are visible and neither has
// anything left to paint.  Prints every run and the median.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/album.h"
#include "tests/harness/win_harness.h"

namespace {

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER q;
        QueryPerformanceFrequency(&q);
        return q;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

struct Search {
    DWORD pid;
    HWND found = nullptr;
};

BOOL CALLBACK FindSheet(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char text[128] = {};
    GetWindowTextA(w, text, sizeof text);
    if (pid == s->pid && IsWindowVisible(w) && lstrcmpA(text, "Plinthar Setup - Plinthar.alb") == 0) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

bool Painted(HWND sheet) {
    HWND page = GetWindow(sheet, GW_CHILD);
    for (; page; page = GetWindow(page, GW_HWNDNEXT)) {
        char cls[16] = {};
        GetClassNameA(page, cls, sizeof cls);
        if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(page)) break;
    }
    RECT r;
    return page && !GetUpdateRect(sheet, &r, FALSE) && !GetUpdateRect(page, &r, FALSE);
}

}  // namespace

int main() {
    std::string dir = harness::MakeTempDir("bench-sheet-start");
    std::string kit = harness::BinaryDir() + "\\kit\\";
    if (!harness::CopyFileTo(kit + "Plinthar.exe", dir + "\\Plinthar.exe") ||
        !harness::CopyFileTo(kit + "Plinthar.ini", dir + "\\Plinthar.ini")) {
        std::fprintf(stderr, "no kit in %s\n", kit.c_str());
        return 1;
    }
    std::vector<std::string> images, sounds;
    for (int i = 0; i < 1000; ++i)
        images.push_back("\\pictures\\holiday " + std::to_string(i) + ".jpg|Day " + std::to_string(i));
    for (int i = 0; i < 100; ++i) sounds.push_back("\\music\\song " + std::to_string(i) + ".mid");
    std::vector<uint8_t> album = EncodeAlbum(images, sounds);
    harness::WriteFileBytes(dir + "\\Plinthar.alb", std::string(album.begin(), album.end()));
    harness::SetInstallDirectory("Quorvane", "Plinthar", dir);

    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
        PROCESS_INFORMATION pi = {};
        double start = NowMs();
        if (!harness::StartProgram(dir + "\\Plinthar.exe", "", &pi)) return 1;
        Search s{pi.dwProcessId};
        double shown = -1;
        while (NowMs() - start < 20000) {
            if (!s.found) EnumWindows(FindSheet, reinterpret_cast<LPARAM>(&s));
            if (s.found && Painted(s.found)) {
                shown = NowMs() - start;
                break;
            }
            Sleep(1);
        }
        if (s.found) PostMessageA(s.found, WM_COMMAND, IDCANCEL, 0);
        if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        if (shown < 0) {
            std::fprintf(stderr, "run %d: the sheet did not appear\n", run);
            return 1;
        }
        // The first start pays for loading the program's files from disk.
        std::printf("run %d: %.0f ms%s\n", run, shown, run == 0 ? " (cold, not counted)" : "");
        if (run > 0) times.push_back(shown);
    }
    // For scale: the same program started with /p, which exits at once.
    std::vector<double> bare;
    for (int run = 0; run < 5; ++run) {
        PROCESS_INFORMATION pi = {};
        double start = NowMs();
        if (!harness::StartProgram(dir + "\\Plinthar.exe", "/p", &pi)) return 1;
        WaitForSingleObject(pi.hProcess, 10000);
        bare.push_back(NowMs() - start);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    std::sort(bare.begin(), bare.end());
    std::printf("start and exit of the same program (/p): median %.0f ms\n", bare[bare.size() / 2]);
    std::sort(times.begin(), times.end());
    std::printf("sheet painted after launch, 1000 pictures: median %.0f ms (min %.0f, max %.0f)\n",
                times[times.size() / 2], times.front(), times.back());
    harness::DeleteInstallDirectory("Quorvane", "Plinthar");
    return 0;
}
