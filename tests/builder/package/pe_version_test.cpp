#include "builder/package/pe_version.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// A minimal image with version 1.2.3.4, made by fuzz/builder/seeds/make_seeds.py.
const std::string kImage = std::string(PLINTHAR_SOURCE_DIR) + "/fuzz/builder/seeds/package/pe.exe";

std::vector<uint8_t> Load(const std::string& path) {
    std::vector<uint8_t> out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    uint8_t buf[4096];
    while (size_t n = std::fread(buf, 1, sizeof buf, f))
        out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

TEST(PeVersion, ReadsTheFixedVersion) {
    std::vector<uint8_t> image = Load(kImage);
    ASSERT_EQ(image.size(), 1024u);
    uint32_t ms = 0, ls = 0;
    ASSERT_TRUE(ReadFixedFileVersion(image.data(), image.size(), ms, ls));
    EXPECT_EQ(ms, 0x00010002u);
    EXPECT_EQ(ls, 0x00030004u);
#ifdef _WIN32
    // The system's own reader agrees.
    DWORD handle = 0;
    DWORD n = GetFileVersionInfoSizeA(kImage.c_str(), &handle);
    if (n) {
        std::vector<uint8_t> info(n);
        ASSERT_TRUE(GetFileVersionInfoA(kImage.c_str(), 0, n, info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT len = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
        EXPECT_EQ(fixed->dwFileVersionMS, ms);
        EXPECT_EQ(fixed->dwFileVersionLS, ls);
    }
#endif
}

TEST(PeVersion, DamagedImagesHaveNone) {
    const std::vector<uint8_t> good = Load(kImage);
    ASSERT_FALSE(good.empty());
    struct Case {
        const char* what;
        size_t at;
        uint8_t value;
    } cases[] = {
        {"not MZ", 0, 'X'},
        {"PE offset far away", 0x3F, 0x7F},
        {"not PE", 0x40, 'Q'},
        {"unknown optional magic", 0x58, 0x0C},
        {"no sections", 0x46, 0},
        {"section elsewhere", 0x58 + 0xE0 + 13, 0x20},
        {"no version type", 0x210, 17},
        {"bad signature", 0x260 + 40, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> image = good;
        image[c.at] = c.value;
        uint32_t ms = 7, ls = 7;
        EXPECT_FALSE(ReadFixedFileVersion(image.data(), image.size(), ms, ls)) << c.what;
        EXPECT_EQ(ms, 7u) << c.what;
    }
    // Every cut before the version's last byte loses it, and none reads past the end.
    for (size_t n = 0; n < 0x260 + 56; n += 7) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + long(n));
        uint32_t ms, ls;
        EXPECT_FALSE(ReadFixedFileVersion(cut.data(), cut.size(), ms, ls)) << n;
    }
}

} // namespace
