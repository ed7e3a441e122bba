#include "common/archive.h"

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

std::vector<uint8_t> Encode(const std::string& s) {
    ByteWriter w;
    WriteArchiveText(w, s);
    return w.Data();
}

TEST(ArchiveText, PrefixFormDependsOnLength) {
    struct Case {
        size_t length;
        std::vector<uint8_t> prefix;
    } cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {0x12345, {0xFF, 0xFF, 0xFF, 0x45, 0x23, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        std::string text(c.length, 'x');
        std::vector<uint8_t> bytes = Encode(text);
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length) << c.length;
        EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), bytes.begin())) << c.length;
        ByteReader r(bytes);
        std::string back;
        ASSERT_TRUE(ReadArchiveText(r, back)) << c.length;
        EXPECT_EQ(back, text);
        EXPECT_EQ(r.remaining(), 0u);
    }
}

TEST(ArchiveText, WideTextIsConvertedToAnsi) {
    // 0xFF, 0xFFFE announces 16-bit characters: "Hé€".  Windows converts through
    // the ANSI code page (the euro sign is 0x80 in Western European 1252); the
    // portable reader knows only Latin-1.
#if defined(_WIN32)
    if (GetACP() != 1252) GTEST_SKIP() << "ANSI code page " << GetACP();
    const std::string expected = "H\xE9\x80";
#else
    const std::string expected = "H\xE9?";
#endif
    std::vector<uint8_t> bytes = {0xFF, 0xFE, 0xFF, 0x03, 'H', 0, 0xE9, 0, 0xAC, 0x20};
    ByteReader r(bytes);
    std::string s;
    ASSERT_TRUE(ReadArchiveText(r, s));
    EXPECT_EQ(s, expected);
}

TEST(ArchiveText, TruncatedOrImpossibleTextsFail) {
    const std::vector<std::vector<uint8_t>> bad = {
        {},                                    // nothing at all
        {0x05, 'a', 'b'},                      // shorter than announced
        {0xFF, 0x00},                          // prefix cut
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},  // 2 GB announced
        {0xFF, 0xFE, 0xFF, 0x02, 'a', 0},      // wide text cut
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00},  // wide inside wide
    };
    for (const auto& b : bad) {
        ByteReader r(b);
        std::string s;
        EXPECT_FALSE(ReadArchiveText(r, s));
        EXPECT_FALSE(r.ok());
    }
}

TEST(ArchiveList, CountsAndListsRoundTrip) {
    ByteWriter w;
    WriteArchiveCount(w, 0xFFFE);
    WriteArchiveCount(w, 0xFFFF);
    WriteArchiveList(w, {"one", "", "three"});
    ByteReader r(w.Data());
    uint32_t a, b;
    ASSERT_TRUE(ReadArchiveCount(r, a));
    ASSERT_TRUE(ReadArchiveCount(r, b));
    EXPECT_EQ(a, 0xFFFEu);
    EXPECT_EQ(b, 0xFFFFu);
    EXPECT_EQ(w.Data().size(), 2u + 6u + 2u + 4u + 1u + 6u);
    std::vector<std::string> list;
    ASSERT_TRUE(ReadArchiveList(r, list));
    EXPECT_EQ(list, (std::vector<std::string>{"one", "", "three"}));
}

TEST(ArchiveList, HugeCountKeepsWhatWasReadWithoutHugeAllocation) {
    std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 'a', 0x01, 'b'};
    ByteReader r(bytes);
    std::vector<std::string> list;
    EXPECT_FALSE(ReadArchiveList(r, list));
    EXPECT_EQ(list, (std::vector<std::string>{"a", "b"}));
    EXPECT_LT(list.capacity(), 1000u);
}

}  // namespace
