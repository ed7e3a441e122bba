// Launches a saver (PROGRAM /s) and reports the time until its window is shown
// and until its first frame (the window turns topmost right after the first
// frame is composed, before the frame timer starts); then ends it with Escape.
//   bench_saver_startup PROGRAM [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/saver/bench_clock.h"

namespace {

struct Find {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK Match(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<Find*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char text[64] = {};
    GetWindowTextA(w, text, sizeof text);
    if (pid == f->pid && IsWindowVisible(w) && lstrcmpA(text, "FS_PICTUREBOX") == 0) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_saver_startup PROGRAM [runs]\n");
        return 2;
    }
    int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    std::string program = argv[1];
    std::string dir = program.substr(0, program.find_last_of("\\/"));
    std::vector<double> shown, first;
    for (int i = 0; i < runs; ++i) {
        std::string cmd = "\"" + program + "\" /s";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        double t0 = BenchNowMs();
        if (!CreateProcessA(program.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                            dir.c_str(), &si, &pi)) {
            std::fprintf(stderr, "cannot start %s\n", program.c_str());
            return 1;
        }
        HWND w = nullptr;
        double tShown = -1, tFirst = -1;
        while (BenchNowMs() - t0 < 600000 && WaitForSingleObject(pi.hProcess, 2) == WAIT_TIMEOUT) {
            if (!w) {
                Find f{pi.dwProcessId, nullptr};
                EnumWindows(Match, reinterpret_cast<LPARAM>(&f));
                if ((w = f.found)) tShown = BenchNowMs() - t0;
            } else if (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) {
                tFirst = BenchNowMs() - t0;
                break;
            }
        }
        if (w) PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
        if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        std::printf("run %d: window shown %.0f ms, first frame %.0f ms\n", i + 1, tShown, tFirst);
        shown.push_back(tShown);
        first.push_back(tFirst);
    }
    std::sort(first.begin(), first.end());
    std::printf("median time to the first frame: %.0f ms\n", first[first.size() / 2]);
    return 0;
}
