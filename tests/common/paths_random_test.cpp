#include "common/crt_random.h"
#include "common/paths.h"

#include <gtest/gtest.h>

namespace {

TEST(Paths, JoinSplitAndStrip) {
    EXPECT_EQ(JoinPath("C:\\dir", "a.ini"), "C:\\dir\\a.ini");
    EXPECT_EQ(JoinPath("C:\\", "a.ini"), "C:\\a.ini");
    EXPECT_EQ(JoinPath("C:\\dir", "\\a.alb"), "C:\\dir\\a.alb");
    EXPECT_EQ(JoinPath("", "a"), "\\a");

    EXPECT_EQ(DirectoryPart("C:\\dir\\file.gif"), "C:\\dir");
    EXPECT_EQ(DirectoryPart("file.gif"), "");
    EXPECT_EQ(FileNamePart("C:\\dir\\file.gif"), "file.gif");
    EXPECT_EQ(FileNamePart("file.gif"), "file.gif");
    EXPECT_EQ(FileNamePart("C:\\dir\\"), "");

    EXPECT_EQ(StripExtension("C:\\dir\\file.tar.gz"), "C:\\dir\\file.tar");
    EXPECT_EQ(StripExtension("noext"), "noext");
    EXPECT_EQ(StripExtension(".ini"), "");
    EXPECT_EQ(StripExtension("C:\\my.dir\\file"), "C:\\my.dir\\file");
    EXPECT_EQ(ExtensionPart("photo.JPEG"), ".JPEG");
    EXPECT_EQ(ExtensionPart("C:\\my.dir\\file"), "");
}

TEST(Paths, CaseInsensitiveComparisonIsAscii) {
    EXPECT_TRUE(EqualsNoCase("PLINTHAR", "plinthar"));
    EXPECT_FALSE(EqualsNoCase("Plinthar", "Plinthar2"));
    EXPECT_LT(CompareNoCase("apple", "Banana"), 0);
    EXPECT_LT(CompareNoCase("_", "A"), 0);  // folded to lower case: 95 before 97
}

TEST(CrtRandom, MatchesTheMsvcrtSequence) {
    // msvcrt after srand(1): 41, 18467, 6334, 26500, 19169.
    CrtSeed(1);
    EXPECT_EQ(CrtRand(), 41);
    EXPECT_EQ(CrtRand(), 18467);
    EXPECT_EQ(CrtRand(), 6334);
    EXPECT_EQ(CrtRand(), 26500);
    EXPECT_EQ(CrtRand(), 19169);
}

TEST(CrtRandom, RandomIntCoversExactlyItsRange) {
    CrtSeed(12345);
    int lo = 1 << 30, hi = -(1 << 30);
    for (int i = 0; i < 200000; ++i) {
        int v = RandomInt(-3, 5);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_EQ(lo, -3);
    EXPECT_EQ(hi, 5);
    // Extremes of the generator map to the ends of the range.
    EXPECT_EQ(RandomIndex(0, 7), 0);
    EXPECT_EQ(RandomIndex(32767, 7), 6);
}

TEST(Lists, ShuffleOneAndTwoEntries) {
    std::vector<std::string> one = {"a"};
    ShuffleList(one);
    EXPECT_EQ(one, std::vector<std::string>{"a"});
    for (uint32_t seed = 0; seed < 50; ++seed) {
        CrtSeed(seed);
        std::vector<std::string> two = {"a", "b"};
        ShuffleList(two);
        EXPECT_EQ(two, (std::vector<std::string>{"b", "a"}));
    }
}

TEST(Lists, ShuffleKeepsEveryEntryAndSortIgnoresCase) {
    CrtSeed(7);
    std::vector<std::string> list = {"d", "B", "a", "C", "e"};
    ShuffleList(list);
    SortList(list);
    EXPECT_EQ(list, (std::vector<std::string>{"a", "B", "C", "d", "e"}));
}

}  // namespace

#ifdef _WIN32
#include <cstdlib>
namespace {
// The whole point of our own generator: the C library of the target gives the same values.
TEST(CrtRandom, AgreesWithTheTargetCLibrary) {
    for (uint32_t seed : {0u, 1u, 12345u, 0xFFFFFFFFu}) {
        std::srand(seed);
        CrtSeed(seed);
        for (int i = 0; i < 1000; ++i) ASSERT_EQ(CrtRand(), std::rand()) << seed << " " << i;
    }
}
}  // namespace
#endif
