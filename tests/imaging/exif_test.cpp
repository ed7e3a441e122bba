// Exif orientation: the tag is found in either byte order among other tags,
// and every kind of broken block reads as "as stored"; the pixel turn puts
// each stored corner where the orientation's definition says it is shown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/exif.h"
#include "tests/imaging/exif_builder.h"

namespace {

int Read(const std::vector<uint8_t>& b) {
    return ExifOrientation(b.data(), b.size());
}

TEST(ExifOrientation, FoundInEitherByteOrderAmongOtherTags) {
    for (bool big : {false, true})
        for (int value = 1; value <= 8; ++value) {
            auto block = ExifBlock(big, {{0x010F, 2, 6, 0x200}, // Make, stored elsewhere
                                         {0x0112, 3, 1, uint32_t(value)},
                                         {0x8769, 4, 1, 0x40}}); // Exif sub-IFD pointer
            EXPECT_EQ(Read(block), value) << big << " " << value;
        }
}

TEST(ExifOrientation, BrokenBlocksReadAsStored) {
    const std::vector<uint8_t> good = ExifBlock(false, {{0x0112, 3, 1, 6}});
    ASSERT_EQ(Read(good), 6);
    auto edited = [&](size_t at, uint8_t v) {
        auto b = good;
        b[at] = v;
        return b;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> block;
    } cases[] = {
        {"empty", {}},
        {"signature only", {'E', 'x', 'i', 'f', 0, 0}},
        {"XMP-style APP1", edited(0, 'h')},
        {"unknown byte order", edited(6, 'X')},
        {"mixed byte order mark", edited(7, 'M')},
        {"magic not 42", edited(8, 43)},
        {"IFD beyond the block", edited(10, 200)},
        {"IFD inside the TIFF header", edited(10, 4)},
        {"IFD offset near 4 GiB", edited(13, 0xFF)},
        {"count runs past the end", edited(14, 2)},
        {"count of 65535", edited(15, 0xFF)},
        {"cut inside the entry", std::vector<uint8_t>(good.begin(), good.begin() + 20)},
        {"type LONG", ExifBlock(false, {{0x0112, 4, 1, 6}})},
        {"two values", ExifBlock(true, {{0x0112, 3, 2, 6}})},
        {"value 0", ExifBlock(false, {{0x0112, 3, 1, 0}})},
        {"value 9", ExifBlock(true, {{0x0112, 3, 1, 9}})},
        {"no orientation tag", ExifBlock(false, {{0x0110, 2, 4, 0}})},
        {"no entries", ExifBlock(true, {})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Read(c.block), kOrientationNormal) << c.what;
    EXPECT_EQ(ExifOrientation(nullptr, 100), kOrientationNormal);
}

// A 3 x 2 stored picture whose pixels are their own numbers 1..6:
//   1 2 3
//   4 5 6
// and the shown picture for each orientation, by the tag's definition (where
// the stored row 0 and column 0 are shown), written out by hand.
TEST(OrientPixels, EveryOrientationShowsTheStoredCornersWhereTheTagSays) {
    const uint8_t stored[] = {1, 2, 3, 4, 5, 6};
    struct Case {
        int orientation;
        int shownW;
        std::vector<uint8_t> shown;
    } cases[] = {
        {1, 3, {1, 2, 3, 4, 5, 6}}, {2, 3, {3, 2, 1, 6, 5, 4}}, {3, 3, {6, 5, 4, 3, 2, 1}},
        {4, 3, {4, 5, 6, 1, 2, 3}}, {5, 2, {1, 4, 2, 5, 3, 6}}, {6, 2, {4, 1, 5, 2, 6, 3}},
        {7, 2, {6, 3, 5, 2, 4, 1}}, {8, 2, {3, 6, 2, 5, 1, 4}}, {0, 3, {1, 2, 3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out(6, 0);
        OrientPixels(stored, 3, 3, 2, 1, c.orientation, out.data(), c.shownW);
        EXPECT_EQ(out, c.shown) << c.orientation;
    }
}

} // namespace
