#include "common/crt_random.h"

#include <algorithm>
#include <utility>

#include "common/paths.h"

static uint32_t g_state = 1;  // msvcrt starts as if srand(1) had been called

void CrtSeed(uint32_t seed) { g_state = seed; }

int CrtRand() {
    g_state = g_state * 214013u + 2531011u;
    return int((g_state >> 16) & 0x7FFF);
}

int RandomInt(int a, int b) {
    double span = double(b) - double(a) + 1.0;
    return a + int(span * double(CrtRand()) / 32768.0);
}

int RandomIndex(int r, int n) { return int(double(r) * double(n) / 32768.0); }

void ShuffleList(std::vector<std::string>& list) {
    int n = int(list.size());
    if (n < 2) return;
    for (int k = 0; k < n - 1; ++k) {
        int i = RandomInt(0, n - 1);
        int d = RandomInt(1, n - 1);
        int j = (i + d) % n;
        std::swap(list[i], list[j]);
    }
}

void SortList(std::vector<std::string>& list) {
    // Stable, so entries differing only in case keep their album order in every build.
    std::stable_sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
        return CompareNoCase(a, b) < 0;
    });
}
