#include "app/album.h"

#include <gtest/gtest.h>

namespace {

using List = std::vector<std::string>;

TEST(Album, EmptyAlbumIsEightBytes) {
    std::vector<uint8_t> bytes = EncodeAlbum({}, {});
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x03, 'A', 'L', 'B', 0, 0, 0, 0}));
    List images = {"stale"}, sounds = {"stale"};
    EXPECT_EQ(DecodeAlbum(bytes.data(), bytes.size(), images, sounds), AlbumResult::Ok);
    EXPECT_TRUE(images.empty());
    EXPECT_TRUE(sounds.empty());
}

TEST(Album, RoundTripWithLongEntries) {
    List images = {"\\pics\\a.gif|A caption", std::string(300, 'p'), std::string(0x10000, 'q')};
    List sounds = {"C:\\music\\", "song.mid"};
    std::vector<uint8_t> bytes = EncodeAlbum(images, sounds);
    List i2, s2;
    ASSERT_EQ(DecodeAlbum(bytes.data(), bytes.size(), i2, s2), AlbumResult::Ok);
    EXPECT_EQ(i2, images);
    EXPECT_EQ(s2, sounds);
}

TEST(Album, WrongMagicLeavesListsUnchanged) {
    for (std::vector<uint8_t> bytes : {std::vector<uint8_t>{0x03, 'a', 'l', 'b', 0, 0, 0, 0},
                                       std::vector<uint8_t>{0x04, 'A', 'L', 'B', 'X', 0, 0},
                                       std::vector<uint8_t>{}}) {
        List images = {"keep"}, sounds = {"me"};
        EXPECT_EQ(DecodeAlbum(bytes.data(), bytes.size(), images, sounds), AlbumResult::NotAlbum);
        EXPECT_EQ(images, List{"keep"});
        EXPECT_EQ(sounds, List{"me"});
    }
}

TEST(Album, TruncatedAlbumKeepsWhatWasRead) {
    std::vector<uint8_t> full = EncodeAlbum({"one", "two", "three"}, {"s1", "s2"});
    struct Case {
        size_t cut;
        List images, sounds;
    } cases[] = {
        {4, {}, {}},
        {6 + 4, {"one"}, {}},
        {6 + 4 + 4 + 6, {"one", "two", "three"}, {}},
        {full.size() - 1, {"one", "two", "three"}, {"s1"}},
    };
    for (const Case& c : cases) {
        List images, sounds;
        EXPECT_EQ(DecodeAlbum(full.data(), c.cut, images, sounds), AlbumResult::Truncated) << c.cut;
        EXPECT_EQ(images, c.images) << c.cut;
        EXPECT_EQ(sounds, c.sounds) << c.cut;
    }
}

TEST(Album, HugeCountsAreBoundedByTheFile) {
    // "ALB", image count 0xFFFF + u32 0xFFFFFFF0, then one text.
    std::vector<uint8_t> bytes = {0x03, 'A', 'L', 'B', 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 0x01, 'x'};
    List images, sounds;
    EXPECT_EQ(DecodeAlbum(bytes.data(), bytes.size(), images, sounds), AlbumResult::Truncated);
    EXPECT_EQ(images, List{"x"});
    EXPECT_LT(images.capacity(), 64u);
}

TEST(Album, EntriesSplitAtTheFirstBar) {
    EXPECT_EQ(EntryPath("C:\\a.gif|Sunset|over sea"), "C:\\a.gif");
    EXPECT_EQ(EntryCaption("C:\\a.gif|Sunset|over sea"), "Sunset|over sea");
    EXPECT_EQ(EntryPath("|caption"), "");
    EXPECT_EQ(EntryCaption("|caption"), "");
    EXPECT_EQ(EntryCaption("C:\\a.gif|"), "");
    EXPECT_EQ(EntryCaption("C:\\a.gif"), "");
    EXPECT_EQ(MakeImageEntry(EntryPath("C:\\a.gif|"), EntryCaption("C:\\a.gif|")), "C:\\a.gif");
    EXPECT_EQ(MakeImageEntry("C:\\a.gif", "Word"), "C:\\a.gif|Word");
}

}  // namespace
