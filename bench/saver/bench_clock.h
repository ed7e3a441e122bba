// Wall-clock milliseconds from the performance counter, for the saver's
// Windows benchmarks.
#pragma once

#include <windows.h>

inline double BenchNowMs() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER q;
        QueryPerformanceFrequency(&q);
        return q;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}
