#include "builder/package/package_format.h"

#include <cstring>
#include <gtest/gtest.h>

#include "common/byte_io.h"

namespace {

TEST(EntryHeader, FieldsSitAtTheirOffsets) {
    EntryHeader h;
    h.fileName = "a.jpg";
    h.compressedSize = 0x01020304;
    h.uncompressedSize = 0x05060708;
    h.keyword = "INSTALLDIR";
    h.target = "b.jpg";
    h.shortcut = "Pic";
    h.time = 0x11223344;
    h.versionMS = 0x00020000;
    h.versionLS = 0x00030004;
    uint8_t raw[kEntryHeaderSize];
    ASSERT_TRUE(EncodeEntryHeader(h, raw));

    uint8_t want[kEntryHeaderSize] = {};
    want[0] = 0x2C; // 1068
    want[1] = 0x04;
    want[2] = 'M';
    want[3] = 'F';
    std::memcpy(want + 5, "a.jpg", 5);
    const uint8_t sizes[] = {4, 3, 2, 1, 8, 7, 6, 5};
    std::memcpy(want + 268, sizes, 8);
    std::memcpy(want + 276, "INSTALLDIR", 10);
    std::memcpy(want + 537, "b.jpg", 5);
    std::memcpy(want + 794, "Pic", 3);
    const uint8_t tail[] = {0x44, 0x33, 0x22, 0x11, 0, 0, 2, 0, 4, 0, 3, 0};
    std::memcpy(want + 1052, tail, sizeof tail);
    EXPECT_EQ(0, std::memcmp(raw, want, sizeof raw));

    EntryHeader back;
    ASSERT_TRUE(DecodeEntryHeader(raw, back));
    EXPECT_EQ(back.fileName, "a.jpg");
    EXPECT_EQ(back.target, "b.jpg");
    EXPECT_EQ(back.keyword, "INSTALLDIR");
    EXPECT_EQ(back.shortcut, "Pic");
    EXPECT_EQ(back.compressedSize, h.compressedSize);
    EXPECT_EQ(back.uncompressedSize, h.uncompressedSize);
    EXPECT_EQ(back.time, h.time);
    EXPECT_EQ(back.versionMS, h.versionMS);
    EXPECT_EQ(back.versionLS, h.versionLS);
}

TEST(EntryHeader, DecodingRefusesDamage) {
    EntryHeader h;
    h.fileName = "a.jpg";
    uint8_t good[kEntryHeaderSize];
    ASSERT_TRUE(EncodeEntryHeader(h, good));
    // Each case overwrites `count` bytes from `at` with `value`; a text field
    // filled to its end has no terminator.
    struct Case {
        const char* what;
        size_t at, count;
        uint8_t value;
    } cases[] = {
        {"length 1067", 0, 1, 0x2B},
        {"magic mf", 2, 2, 'm'},
        {"magic MG", 3, 1, 'G'},
        {"no zero after MF", 4, 1, 'X'},
        {"file name unterminated", 5, 263, 'x'},
        {"keyword unterminated", 276, 261, 'x'},
        {"target unterminated", 537, 257, 'x'},
        {"shortcut unterminated", 794, 258, 'x'},
    };
    for (const Case& c : cases) {
        uint8_t raw[kEntryHeaderSize];
        std::memcpy(raw, good, sizeof raw);
        std::memset(raw + c.at, c.value, c.count);
        EntryHeader out;
        EXPECT_FALSE(DecodeEntryHeader(raw, out)) << c.what;
    }
}

TEST(EntryHeader, TextsThatDoNotFitAreRefused) {
    uint8_t raw[kEntryHeaderSize];
    EntryHeader h;
    h.target.assign(256, 't');
    EXPECT_TRUE(EncodeEntryHeader(h, raw));
    h.target.assign(257, 't');
    EXPECT_FALSE(EncodeEntryHeader(h, raw));
}

TEST(PackageTrailer, FieldsSitAtTheirOffsets) {
    PackageTrailer t;
    t.totalLength = 0x00061A80;
    t.entryCount = 3;
    t.firstEntryPlusOne = 400001;
    t.saverName = "Tide";
    t.version = "1.0";
    t.author = "Harbour";
    t.company = "Harbour Works";
    t.totalUncompressed = 0x0A0B0C0D;
    t.flags = 17;
    uint8_t raw[kPackageTrailerSize];
    ASSERT_TRUE(EncodePackageTrailer(t, raw));

    uint8_t want[kPackageTrailerSize] = {};
    const uint8_t head[] = {0xEC, 0x01, 0, 0, 0x80, 0x1A, 0x06, 0, 3, 0, 0, 0, 0x81, 0x1A, 0x06, 0};
    std::memcpy(want, head, sizeof head);
    std::memcpy(want + 16, "Tide", 4);
    std::memcpy(want + 273, "1.0", 3);
    std::memcpy(want + 279, "Harbour", 7);
    std::memcpy(want + 380, "Harbour Works", 13);
    const uint8_t tail[] = {0x0D, 0x0C, 0x0B, 0x0A, 17, 0, 0, 0};
    std::memcpy(want + 484, tail, sizeof tail);
    EXPECT_EQ(0, std::memcmp(raw, want, sizeof raw));

    PackageTrailer back;
    ASSERT_TRUE(DecodePackageTrailer(raw, back));
    EXPECT_EQ(back.firstEntryPlusOne, 400001u);
    EXPECT_EQ(back.company, "Harbour Works");

    t.author.assign(101, 'a');
    EXPECT_FALSE(EncodePackageTrailer(t, raw));
    t.author.assign(100, 'a');
    t.company.assign(103, 'c');
    EXPECT_TRUE(EncodePackageTrailer(t, raw));
    raw[0] = 0xED;
    EXPECT_FALSE(DecodePackageTrailer(raw, back));
}

TEST(Compression, SmallAndIncompressibleFilesRoundTrip) {
    // Deflate makes tiny and random inputs larger than 110 % of themselves.
    std::vector<uint8_t> random(70000);
    uint32_t x = 12345;
    for (uint8_t& b : random) {
        x = x * 1103515245 + 12345;
        b = uint8_t(x >> 24);
    }
    std::vector<std::vector<uint8_t>> inputs = {
        {}, {'a'}, {'a', 'b', 'c'}, std::vector<uint8_t>(1 << 20, 'z'), random};
    for (const auto& in : inputs) {
        std::vector<uint8_t> packed, back;
        ASSERT_TRUE(CompressFile(in.data(), in.size(), packed)) << in.size();
        ASSERT_GE(packed.size(), 2u);
        EXPECT_EQ(packed[0], 0x78) << "zlib header";
        EXPECT_EQ(packed[1], 0xDA) << "level 9 flag";
        ASSERT_TRUE(InflateExact(packed.data(), packed.size(), uint32_t(in.size()), back));
        EXPECT_EQ(back, in);
    }
}

TEST(Compression, InflateDemandsTheExactSize) {
    const std::vector<uint8_t> in(1000, 'q');
    std::vector<uint8_t> packed, out;
    ASSERT_TRUE(CompressFile(in.data(), in.size(), packed));
    EXPECT_FALSE(InflateExact(packed.data(), packed.size(), 999, out));
    EXPECT_FALSE(InflateExact(packed.data(), packed.size(), 1001, out));
    EXPECT_FALSE(InflateExact(packed.data(), packed.size() - 1, 1000, out));
    std::vector<uint8_t> longer = packed;
    longer.push_back(0);
    EXPECT_FALSE(InflateExact(longer.data(), longer.size(), 1000, out));
    std::vector<uint8_t> bad = packed;
    bad.back() ^= 1; // Adler-32
    EXPECT_FALSE(InflateExact(bad.data(), bad.size(), 1000, out));
    // A size beyond deflate's ratio is refused before anything is allocated.
    EXPECT_FALSE(InflateExact(packed.data(), packed.size(), 0xFFFFFFFFu, out));
    EXPECT_TRUE(out.empty());
}

TEST(PlainFileNames, NoFolderParts) {
    struct Case {
        const char* name;
        bool plain;
    } cases[] = {
        {"a.jpg", true},   {"Tide 1.0", true}, {"", false},       {".", false},   {"..", false},
        {"a\\b", false},   {"a/b", false},     {"c:x", false},    {"a*", false},  {"a?", false},
        {"a\"", false},    {"a<", false},      {"a>", false},     {"a|b", false}, {"a\tb", false},
        {"trail.", false}, {"trail ", false},  {".hidden", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsPlainFileName(c.name), c.plain) << c.name;
}

} // namespace
