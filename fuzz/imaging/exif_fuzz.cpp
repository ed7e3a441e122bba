// Feeds any bytes to the Exif orientation reader as an APP1 payload, then
// turns a small picture by the answer into a buffer of exactly its shown size
// (a write beyond it is caught by the address sanitizer); every stored pixel
// must appear once in the shown picture.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int orientation = ExifOrientation(data, size);
    if (orientation < 1 || orientation > 8) std::abort();
    const int w = size > 0 ? data[0] % 7 + 1 : 3, h = size > 1 ? data[1] % 5 + 1 : 2;
    std::vector<uint8_t> stored(size_t(w * h) * 2);
    for (int i = 0; i < w * h; ++i)
        stored[size_t(i) * 2] = uint8_t(i), stored[size_t(i) * 2 + 1] = uint8_t(i >> 8);
    const int shownW = OrientationSwapsAxes(orientation) ? h : w;
    std::vector<uint8_t> shown(stored.size());
    OrientPixels(stored.data(), w * 2, w, h, 2, orientation, shown.data(), shownW * 2);
    std::vector<int> seen(size_t(w * h), 0);
    for (size_t i = 0; i < shown.size(); i += 2)
        if (++seen[size_t(shown[i] | shown[i + 1] << 8)] != 1) std::abort();
    return 0;
}
