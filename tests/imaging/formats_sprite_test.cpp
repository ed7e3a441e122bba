// Sprite reader: every sprite of the real RISC OS files in the shared corpus
// either loads or is refused for its 16- or 32-bit mode (no Debian tool decodes
// sprites, so pixels are checked on sprites built here: bit order within
// bytes, 2-bit expansion, left wastage, palettes and the walk to "index=").
#include <gtest/gtest.h>

#include "common/byte_io.h"
#include "tests/imaging/formats_support.h"

namespace {

TEST(SpriteCorpus, EverySpriteLoadsOrIsRefusedForItsMode) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    int loaded = 0, refused = 0;
    for (const auto& path : FilesIn(TestData("acorn-sprite/netsurf"), ".spr")) {
        for (int i = 0;; ++i) {
            const std::string option = "index=" + std::to_string(i);
            FormatImage img = DecodeFile(kFormatSprite, path, option.c_str());
            if (img.rc == 1402) break;
            ASSERT_TRUE(img.rc == 0 || img.rc == 1401) << path << " " << i << " " << img.rc;
            img.rc == 0 ? ++loaded : ++refused;
            ASSERT_LT(i, 1000);
        }
    }
    std::printf("sprites loaded %d, refused for their mode %d\n", loaded, refused);
    EXPECT_EQ(loaded + refused, 60);
    EXPECT_EQ(loaded, 39);
}

// A file of sprites, each given by mode, words per row, rows, first and last
// bit, palette (0xBBGGRR00 words) and image bytes.
struct Spr {
    uint32_t mode, words, rows, first, last;
    std::vector<uint32_t> palette;
    std::vector<uint8_t> image;
};

std::vector<uint8_t> MakeFile(const std::vector<Spr>& sprites) {
    ByteWriter w;
    w.U32(uint32_t(sprites.size()));
    w.U32(16);
    w.U32(0);
    for (const auto& s : sprites) {
        const uint32_t imageAt = 44 + 8 * uint32_t(s.palette.size());
        w.U32(imageAt + uint32_t(s.image.size()));
        w.Bytes("sprite\0\0\0\0\0\0", 12);
        w.U32(s.words - 1);
        w.U32(s.rows - 1);
        w.U32(s.first);
        w.U32(s.last);
        w.U32(imageAt);
        w.U32(imageAt);
        w.U32(s.mode);
        for (uint32_t c : s.palette) {
            w.U32(c);
            w.U32(c);
        }
        w.Bytes(s.image.data(), s.image.size());
    }
    return w.Data();
}

TEST(SpriteBuilt, PixelOrderPalettesAndIndex) {
    // Mode 0 (1 bit), 10 pixels: bits 0-9 of the row word, lowest bit leftmost.
    Spr mono{0, 1, 1, 0, 9, {0xFF000000, 0x0000FF00}, {0x01, 0x02, 0, 0}};
    // Mode 1 (2 bits), 3 pixels, values 1, 2, 3.
    Spr two{1, 1, 1, 0, 5, {}, {0x39, 0, 0, 0}};
    // Mode 12 (4 bits) with 8 bits of left wastage: pixels start at byte 1.
    Spr four{12, 1, 1, 8, 23, {}, {0xFF, 0x21, 0x43, 0}};
    auto file = MakeFile({mono, two, four});

    FormatImage a = DecodeBytes(kFormatSprite, file, "index=0");
    ASSERT_EQ(a.rc, 0) << codec_error_text(a.rc);
    EXPECT_EQ(a.width, 10);
    EXPECT_EQ(a.palette, (std::vector<uint8_t>{0, 0, 255, 255, 0, 0}));
    std::vector<int> reds;
    for (size_t i = 0; i < a.rgb.size(); i += 3)
        reds.push_back(a.rgb[i]);
    EXPECT_EQ(reds, (std::vector<int>{255, 0, 0, 0, 0, 0, 0, 0, 0, 255}));

    FormatImage b = DecodeBytes(kFormatSprite, file, "index=1");
    ASSERT_EQ(b.rc, 0) << codec_error_text(b.rc);
    EXPECT_EQ(b.bpp, 4);
    EXPECT_EQ(b.rgb, (std::vector<uint8_t>{0xBB, 0xBB, 0xBB, 0x77, 0x77, 0x77, 0, 0, 0}));

    FormatImage c = DecodeBytes(kFormatSprite, file, "index=2");
    ASSERT_EQ(c.rc, 0) << codec_error_text(c.rc);
    EXPECT_EQ(c.width, 4);
    EXPECT_EQ(c.rgb[0], 0xDD); // pixel 0 = colour 1 (light grey)
    EXPECT_EQ(c.rgb[3], 0xBB); // pixel 1 = colour 2
    EXPECT_EQ(c.rgb[9], 0x77); // pixel 3 = colour 4, the high nibble of 0x43
    EXPECT_EQ(DecodeBytes(kFormatSprite, file, "index=3").rc, 1402);
}

TEST(SpriteBuilt, Refusals) {
    struct Case {
        Spr s;
        int rc;
    } cases[] = {
        {{0, 1, 1, 4, 31, {}, {0, 0, 0, 0}}, 1400},
        {{3, 1, 1, 0, 31, {}, {0, 0, 0, 0}}, 1401},
        {{0x28000001u, 1, 1, 0, 31, {}, {0, 0, 0, 0}}, 1401}, // 16 bits a pixel
        {{13, 1, 1, 0, 31, {1, 2, 3}, {0, 0, 0, 0}}, 1403},
        {{13, 1, 1, 0, 31, std::vector<uint32_t>(16, 0), {0, 0, 0, 0}}, 0},
        {{13, 1, 5, 0, 31, {}, {0, 0, 0, 0}}, 7},
        {{13, 0x10000000u, 1, 0, 31, {}, {0, 0, 0, 0}}, 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeBytes(kFormatSprite, MakeFile({c.s})).rc, c.rc) << c.s.mode;
}

} // namespace
