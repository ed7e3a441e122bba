// The codec library's interface: table, guessing, options, texts, arguments.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "imaging/codec.h"

namespace {

struct Row {
    const char* shortName;
    const char* extensions;
    uint8_t caps;
};
const Row kRows[kCodecFormatCount] = {
    {"Bitmap", "BMP VGA BGA RLE DIB RL4 RL8", 0x0F},
    {"GIF", "GIF", 0x07},
    {"PCX", "PCX PCC", 0x0F},
    {"TIFF", "TIF TIFF", 0x0F},
    {"Targa", "TGA VST AFI", 0x0C},
    {"ILBM", "IFF LBM", 0x0F},
    {"YUV12C", "VID", 0x08},
    {"Greymap", "PGM", 0x04},
    {"Pixmap", "PPM", 0x08},
    {"KIPS", "KPS", 0x04},
    {"IAX", "IAX", 0x04},
    {"XBitmap", "XBM", 0x01},
    {"Sprite", "SPR SPRITE", 0x07},
    {"PSEG", "PSE PSEG PSEG38PP PSEG3820", 0x01},
    {"GemRas", "IMG", 0x0F},
    {"Portrait", "CVP", 0x08},
    {"JPEG", "JPG JPEG JPE", 0x0C},
    {"PNG", "PNG", 0x0F},
};

TEST(CodecTable, RowsInFixedOrder) {
    int n = 0;
    EXPECT_EQ(codec_count(&n), 0);
    EXPECT_EQ(n, 18);
    EXPECT_EQ(codec_count(nullptr), 9);
    for (int i = 0; i < n; ++i) {
        const char *s, *l, *e;
        uint8_t caps = 0xFF;
        ASSERT_EQ(codec_describe(i, &s, &l, &e, &caps), 0);
        EXPECT_STREQ(s, kRows[i].shortName) << i;
        EXPECT_STREQ(e, kRows[i].extensions) << i;
        EXPECT_EQ(caps, kRows[i].caps) << i;
        EXPECT_GT(std::strlen(l), 0u);
    }
    EXPECT_EQ(codec_describe(18, nullptr, nullptr, nullptr, nullptr), 9);
    EXPECT_EQ(codec_describe(-1, nullptr, nullptr, nullptr, nullptr), 9);
}

TEST(CodecGuess, ByExtensionIgnoringCase) {
    struct Case {
        const char* name;
        int rc, index;
    } cases[] = {
        {"a.gif", 0, 1},          {"A.GIF", 0, 1},         {"photo.JPEG", 0, 16},
        {"x.rl8", 0, 0},          {"x.Tiff", 0, 3},        {"x.pseg3820", 0, 13},
        {"dir.gif\\file", 4, -1}, {"dir.gif/file", 4, -1}, {"noext", 4, -1},
        {"photo.jfif", 4, -1},    {"a.", 4, -1},           {"a.tar.gif", 0, 1},
        {"a.gi", 4, -1},          {"a.sprite", 0, 12},     {"c:\\x.y\\p.pcc", 0, 2},
        {"shot.Png", 0, 17},
    };
    for (auto& c : cases) {
        int idx = -1;
        EXPECT_EQ(codec_guess(c.name, &idx), c.rc) << c.name;
        if (c.rc == 0) {
            EXPECT_EQ(idx, c.index) << c.name;
        }
    }
    int idx;
    EXPECT_EQ(codec_guess(nullptr, &idx), 9);
    EXPECT_EQ(codec_guess("a.gif", nullptr), 9);
}

TEST(CodecErrorText, OwnCodesGifBlockAndGeneral) {
    const char* own[] = {"ok",
                         "out of memory",
                         "not supported",
                         "bad option(s)",
                         "not found",
                         "bad magic number / signiture block",
                         "bad bitmap size",
                         "can't read file",
                         "can't write file",
                         "bad argument to vellum function"};
    for (int i = 0; i < 10; ++i)
        EXPECT_STREQ(codec_error_text(i), own[i]);
    EXPECT_STREQ(codec_error_text(10), "general error");
    EXPECT_STREQ(codec_error_text(-1), "general error");
    EXPECT_STREQ(codec_error_text(99999), "general error");
}

TEST(CodecOptions, FlagsAndValues) {
    EXPECT_TRUE(CodecFindFlag("a, FixRec\tb", "fixrec"));
    EXPECT_FALSE(CodecFindFlag("fixrecs", "fixrec"));
    EXPECT_FALSE(CodecFindFlag("", "fixrec"));
    int v = -7;
    EXPECT_TRUE(CodecFindValue("x index=12,y", "index=", &v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(CodecFindValue("INDEX=3 index=4", "index=", &v));
    EXPECT_EQ(v, 3);
    EXPECT_TRUE(CodecFindValue("index=-2", "index=", &v));
    EXPECT_EQ(v, -2);
    v = 5;
    EXPECT_FALSE(CodecFindValue("index=abc", "index=", &v));
    EXPECT_EQ(v, 5);
    EXPECT_FALSE(CodecFindValue("myindex=3", "index=", &v));
}

TEST(CodecArguments, MissingPiecesAndRowsWithoutReader) {
    static const uint8_t bytes[] = {'B', 'M'};
    CodecMemory mem;
    codec_memory_init(&mem, bytes, sizeof bytes);
    CodecFile f;
    ASSERT_TRUE(codec_open(&f, &mem.io, "x.bmp"));
    CodecHeader h{};
    uint8_t buf[16];
    EXPECT_EQ(codec_read_header("x.gif", nullptr, 1, &h, ""), 9);
    EXPECT_EQ(codec_read_header("x.gif", &f, 1, nullptr, ""), 9);
    EXPECT_EQ(codec_read_header("x.gif", &f, 18, &h, ""), 9);
    EXPECT_EQ(codec_read_palette(&f, 1, &h, nullptr), 9);
    EXPECT_EQ(codec_read_data(&f, 1, &h, nullptr), 9);
    EXPECT_EQ(codec_read_data(&f, 1, nullptr, buf), 9);
    std::string longOpt(101, 'x');
    EXPECT_EQ(codec_read_header("x.gif", &f, 1, &h, longOpt.c_str()), 3);
    // Every row of the table has its reader now.
    for (int i = 0; i < kCodecFormatCount; ++i) {
        const char* name = nullptr;
        ASSERT_EQ(codec_describe(i, &name, nullptr, nullptr, nullptr), 0);
        EXPECT_NE(codec_read_header("x", &f, i, &h, ""), 2) << name;
    }
    codec_close(&f);
}

TEST(CodecStride, Formula) {
    EXPECT_EQ(CodecStride(1, 1), 4);
    EXPECT_EQ(CodecStride(33, 1), 8);
    EXPECT_EQ(CodecStride(3, 24), 12);
    EXPECT_EQ(CodecStride(5, 4), 4);
    EXPECT_EQ(CodecStride(9, 4), 8);
    EXPECT_EQ(CodecStride(0, 8), 0);
}

} // namespace
