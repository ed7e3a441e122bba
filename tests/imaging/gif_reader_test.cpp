// The GIF reader on files built byte by byte: header fields, colour tables,
// graphic control, LZW limits, interlacing, frame sequencing and broken input.
#include <gtest/gtest.h>

#include <numeric>

#include "tests/imaging/gif_builder.h"
#include "tests/imaging/gif_frames.h"

namespace {

std::vector<uint8_t> Ramp(int n, int modulo) {
    std::vector<uint8_t> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[size_t(i)] = uint8_t((i * 7 + i / 5) % modulo);
    return v;
}

// A still 89a image of w x h with a global table of the given bits.
std::vector<uint8_t> Still(int w, int h, int bits, bool interlaced = false) {
    GifWriter g;
    g.Screen(w, h, GifTestTable(bits), bits).Image(0, 0, w, h, Ramp(w * h, 1 << bits), interlaced);
    return g.Trailer().Bytes();
}

TEST(GifHeader, TableSizeGivesDepthAndGrayTail) {
    struct Case {
        int bits, bpp;
    } cases[] = {{1, 1}, {2, 4}, {3, 4}, {4, 4}, {5, 8}, {6, 8}, {7, 8}, {8, 8}};
    for (auto c : cases) {
        auto r = ReadGifFramesFromMemory(Still(13, 5, c.bits));
        ASSERT_EQ(r.frames.size(), 1u) << c.bits;
        const GifFrame& fr = r.frames[0];
        EXPECT_EQ(fr.header.bpp, c.bpp) << c.bits;
        auto table = GifTestTable(c.bits);
        ASSERT_EQ(fr.palette.size(), size_t(3) << c.bpp);
        EXPECT_TRUE(std::equal(table.begin(), table.end(), fr.palette.begin())) << c.bits;
        for (size_t i = table.size(); i < fr.palette.size(); ++i)
            ASSERT_EQ(fr.palette[i], 128) << "bits " << c.bits << " byte " << i;
        EXPECT_EQ(fr.indices, Ramp(13 * 5, 1 << c.bits)) << c.bits;
    }
}

TEST(GifHeader, ScreenFrameAndBackground) {
    GifWriter g;
    g.Screen(40, 30, GifTestTable(3), 3, 6, "GIF87a").Image(7, 9, 4, 2, Ramp(8, 8)).Trailer();
    auto r = ReadGifFramesFromMemory(g.Bytes());
    ASSERT_EQ(r.frames.size(), 1u);
    const CodecHeader& h = r.frames[0].header;
    EXPECT_EQ(h.screenWidth, 40);
    EXPECT_EQ(h.screenHeight, 30);
    EXPECT_EQ(h.left, 7);
    EXPECT_EQ(h.top, 9);
    EXPECT_EQ(h.width, 4);
    EXPECT_EQ(h.height, 2);
    // An 87a file without extensions reports its background index as transparent.
    EXPECT_EQ(h.transparentIndex, 6);
    EXPECT_EQ(h.backgroundColor, 6 | (249 << 8) | (42 << 16));
    EXPECT_EQ(h.delay, 0);
    EXPECT_EQ(h.controlFlags, 0);
    EXPECT_EQ(r.endCode, 1101);
    EXPECT_FALSE(r.inData);
}

TEST(GifHeader, NoGlobalTableGivesBlackAndWhite) {
    GifWriter g;
    g.Screen(3, 1, {}, 1).Image(0, 0, 3, 1, {1, 0, 1}).Trailer();
    auto r = ReadGifFramesFromMemory(g.Bytes());
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.frames[0].header.transparentIndex, -1);
    EXPECT_EQ(r.frames[0].palette, (std::vector<uint8_t>{0, 0, 0, 255, 255, 255}));
    EXPECT_EQ(r.frames[0].indices, (std::vector<uint8_t>{1, 0, 1}));
}

TEST(GifHeader, BackgroundIndexBeyondTableIsBlack) {
    GifWriter g;
    g.Screen(2, 1, GifTestTable(1), 1, 200).Image(0, 0, 2, 1, {0, 1}).Trailer();
    auto r = ReadGifFramesFromMemory(g.Bytes());
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.frames[0].header.backgroundColor, 0);
    EXPECT_EQ(r.frames[0].header.transparentIndex, 200);
}

TEST(GifFrames, ControlExtensionsAndTheirInheritance) {
    GifWriter g;
    g.Screen(4, 4, GifTestTable(2), 2, 3).Application().Comment("hello");
    g.Control(0x09, 25, 2).Image(0, 0, 2, 2, {0, 1, 2, 3});             // transparent 2, disposal 2
    g.Image(1, 1, 2, 2, {3, 2, 1, 0});                                  // no extension: inherits
    g.Control(0x04, 7, 1).Comment("x").Image(2, 2, 2, 2, {1, 1, 1, 1}); // bit 0 clear: -1
    g.Image(0, 0, 1, 1, {2});                                           // inherits -1
    g.Comment("after last frame").Trailer();
    auto r = ReadGifFramesFromMemory(g.Bytes());
    ASSERT_EQ(r.frames.size(), 4u);
    struct Want {
        int ti, delay, flags, left;
    } want[] = {{2, 25, 0x09, 0}, {2, 25, 0x09, 1}, {-1, 7, 0x04, 2}, {-1, 7, 0x04, 0}};
    for (size_t k = 0; k < 4; ++k) {
        const CodecHeader& h = r.frames[k].header;
        EXPECT_EQ(h.transparentIndex, want[k].ti) << k;
        EXPECT_EQ(h.delay, want[k].delay) << k;
        EXPECT_EQ(h.controlFlags, want[k].flags) << k;
        EXPECT_EQ(h.left, want[k].left) << k;
    }
    EXPECT_EQ(r.frames[1].indices, (std::vector<uint8_t>{3, 2, 1, 0}));
    EXPECT_EQ(r.endCode, 1101);
}

TEST(GifFrames, LocalTableOnlyForItsOwnFrame) {
    GifWriter g;
    std::vector<uint8_t> local(3 * 16);
    std::iota(local.begin(), local.end(), uint8_t(100));
    g.Screen(4, 1, GifTestTable(1), 1);
    g.Image(0, 0, 4, 1, {0, 1, 1, 0});
    g.Image(0, 0, 4, 1, {15, 9, 3, 0}, false, local);
    g.Image(0, 0, 4, 1, {1, 1, 0, 0});
    g.Trailer();
    auto r = ReadGifFramesFromMemory(g.Bytes());
    ASSERT_EQ(r.frames.size(), 3u);
    EXPECT_EQ(r.frames[0].header.bpp, 1);
    EXPECT_EQ(r.frames[1].header.bpp, 4);
    EXPECT_EQ(r.frames[1].palette, local);
    EXPECT_EQ(r.frames[1].indices, (std::vector<uint8_t>{15, 9, 3, 0}));
    EXPECT_EQ(r.frames[2].header.bpp, 1);
    EXPECT_EQ(r.frames[2].palette, GifTestTable(1));
}

TEST(GifFrames, NextFrameNeedsThePreviousData) {
    auto bytes = Still(3, 3, 2);
    CodecMemory mem;
    codec_memory_init(&mem, bytes.data(), bytes.size());
    CodecFile f;
    ASSERT_TRUE(codec_open(&f, &mem.io, "x.gif"));
    CodecHeader h{};
    // Frame 1 before any data was read through this header.
    EXPECT_EQ(codec_read_header("x.gif", &f, kFormatGif, &h, "index=1"), 7);
    ASSERT_EQ(codec_read_header("x.gif", &f, kFormatGif, &h, "index=0"), 0);
    EXPECT_EQ(h.nextOffset, 0);
    std::vector<uint8_t> px(size_t(CodecStride(3, 4)) * 3);
    ASSERT_EQ(codec_read_data(&f, kFormatGif, &h, px.data()), 0);
    // nextOffset is the data terminator; the byte after it is the trailer.
    EXPECT_EQ(bytes[size_t(h.nextOffset)], 0);
    EXPECT_EQ(bytes[size_t(h.nextOffset) + 1], 0x3B);
    // A still image has no frame 1; any non-zero index means "the next one".
    EXPECT_EQ(codec_read_header("x.gif", &f, kFormatGif, &h, "index=1"), 1101);
    EXPECT_EQ(codec_read_header("x.gif", &f, kFormatGif, &h, "index=7"), 1101);
    EXPECT_STREQ(codec_error_text(1101), "terminator found before requested image descriptor");
    codec_close(&f);
}

TEST(GifFrames, DataStopsAtEndCodeOrLastRowAndLeavesTheRestOfTheBlocks) {
    // Rows complete before the end code, and junk sub-blocks before the terminator.
    auto pixels = Ramp(6 * 4, 4);
    auto data = GifLzwEncode(pixels, 2);
    data.insert(data.end(), {0xAA, 0x55, 0xAA, 0x55});
    GifWriter g;
    g.Screen(6, 4, GifTestTable(2), 2).ImageRaw(0, 0, 6, 4, false, {}, 2, data, 3);
    g.Image(0, 0, 2, 1, {3, 1}).Trailer();
    auto r = ReadGifFramesFromMemory(g.Bytes());
    ASSERT_EQ(r.frames.size(), 2u);
    EXPECT_EQ(r.frames[0].indices, pixels);
    EXPECT_EQ(r.frames[1].indices, (std::vector<uint8_t>{3, 1}));
}

TEST(GifFrames, EarlyEndCodeLeavesRowsUntouched) {
    // clear, 1, 2, end: three pixels of a 4 x 2 image.
    auto data = GifPackCodes({{4, 3}, {1, 3}, {2, 3}, {5, 3}});
    GifWriter g;
    g.Screen(4, 2, GifTestTable(2), 2).ImageRaw(0, 0, 4, 2, false, {}, 2, data).Trailer();
    auto r = ReadGifFramesFromMemory(g.Bytes());
    ASSERT_EQ(r.frames.size(), 1u);
    // The helper fills the buffer with 0xEE; the padding nibbles keep it.
    EXPECT_EQ(r.frames[0].indices, (std::vector<uint8_t>{1, 2, 0xE, 0xE, 0xE, 0xE, 0xE, 0xE}));
}

TEST(GifInterlace, RowOrderOfEveryHeightUpTo17) {
    for (int h = 1; h <= 17; ++h) {
        const int w = 3;
        std::vector<uint8_t> pixels(static_cast<size_t>(w * h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                pixels[size_t(y * w + x)] = uint8_t(y * 10 + x);
        GifWriter g;
        g.Screen(w, h, GifTestTable(8), 8).Image(0, 0, w, h, pixels, true).Trailer();
        auto r = ReadGifFramesFromMemory(g.Bytes());
        ASSERT_EQ(r.frames.size(), 1u) << h;
        EXPECT_EQ(r.frames[0].indices, pixels) << "height " << h;
    }
}

TEST(GifInterlace, ThreeRowsAreFilledInTheOrderZeroTwoOne) {
    // The stream carries rows a, b, c in that order: they land on rows 0, 2, 1.
    GifWriter g;
    std::vector<uint8_t> stream = {1, 1, 2, 2, 3, 3};
    g.Screen(2, 3, GifTestTable(2), 2).ImageRaw(0, 0, 2, 3, true, {}, 2, GifLzwEncode(stream, 2));
    auto r = ReadGifFramesFromMemory(g.Trailer().Bytes());
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.frames[0].indices, (std::vector<uint8_t>{1, 1, 3, 3, 2, 2}));
}

TEST(GifLzw, CodeSizesTwoToNineOthersRejected) {
    for (int size = 0; size <= 12; ++size) {
        std::vector<uint8_t> px = Ramp(50, 4);
        auto data = size >= 2 && size <= 9 ? GifLzwEncode(px, size) : GifPackCodes({{0, 8}});
        GifWriter g;
        g.Screen(10, 5, GifTestTable(2), 2).ImageRaw(0, 0, 10, 5, false, {}, size, data).Trailer();
        auto r = ReadGifFramesFromMemory(g.Bytes());
        if (size >= 2 && size <= 9) {
            ASSERT_EQ(r.frames.size(), 1u) << size;
            EXPECT_EQ(r.frames[0].indices, px) << size;
        } else {
            EXPECT_TRUE(r.frames.empty()) << size;
            EXPECT_EQ(r.endCode, 1102) << size;
            EXPECT_TRUE(r.inData);
        }
    }
    EXPECT_STREQ(codec_error_text(1102), "code size not in range 2 to 9");
}

TEST(GifLzw, PixelsAreMaskedToTheTableInForce) {
    // Code size 8 but a 4-entry table: values above 3 keep their low two bits.
    std::vector<uint8_t> px = {0, 5, 255, 130, 7, 3};
    GifWriter g;
    g.Screen(6, 1, GifTestTable(2), 2).ImageRaw(0, 0, 6, 1, false, {}, 8, GifLzwEncode(px, 8));
    auto r = ReadGifFramesFromMemory(g.Trailer().Bytes());
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.frames[0].indices, (std::vector<uint8_t>{0, 1, 3, 2, 3, 3}));
}

TEST(GifLzw, FullTableWithAndWithoutClearCodes) {
    // 300 x 200 of noisy 8-bit data fills the 4096-entry table many times over.
    const int w = 300, h = 200;
    std::vector<uint8_t> px(static_cast<size_t>(w * h));
    uint32_t s = 12345;
    for (auto& p : px) {
        s = s * 1103515245 + 12345;
        p = uint8_t((s >> 16) % 23 + ((s >> 28) ? 0 : 200));
    }
    for (bool clearWhenFull : {true, false}) {
        GifWriter g;
        g.Screen(w, h, GifTestTable(8), 8)
            .ImageRaw(0, 0, w, h, false, {}, 8, GifLzwEncode(px, 8, clearWhenFull));
        auto r = ReadGifFramesFromMemory(g.Trailer().Bytes());
        ASSERT_EQ(r.frames.size(), 1u) << clearWhenFull;
        EXPECT_EQ(r.frames[0].indices, px) << clearWhenFull;
    }
}

TEST(GifLzw, KwKwKAndLongRuns) {
    // A long run of one value is the "code not yet in the table" case over and over.
    std::vector<uint8_t> px(5000, 2);
    px[4000] = 1;
    GifWriter g;
    g.Screen(100, 50, GifTestTable(2), 2).Image(0, 0, 100, 50, px);
    auto r = ReadGifFramesFromMemory(g.Trailer().Bytes());
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.frames[0].indices, px);
}

TEST(GifLzw, CorruptCodesAndTruncation) {
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        bool terminator;
        int code;
        bool inData = true;
    } cases[] = {
        // clear, 1, then 7 while the next free entry is 6.
        {"code beyond the table", GifPackCodes({{4, 3}, {1, 3}, {7, 3}}), true, 1103},
        // The first code after a clear must be a pixel.
        {"first code not a pixel", GifPackCodes({{4, 3}, {6, 3}, {5, 3}}), true, 1103},
        {"data ends before the rows", GifPackCodes({{4, 3}, {1, 3}, {2, 3}}), true, 7},
        {"file ends inside the data", GifPackCodes({{4, 3}, {1, 3}, {2, 3}}), false, 7},
        // Too short to hold a single code: refused with the header already.
        {"no data at all", {}, true, 7, false},
    };
    for (auto& c : cases) {
        GifWriter g;
        g.Screen(4, 4, GifTestTable(2), 2)
            .ImageRaw(0, 0, 4, 4, false, {}, 2, c.data, 255, c.terminator);
        auto r = ReadGifFramesFromMemory(g.Bytes());
        EXPECT_TRUE(r.frames.empty()) << c.what;
        EXPECT_EQ(r.endCode, c.code) << c.what;
        EXPECT_EQ(r.inData, c.inData) << c.what;
    }
    EXPECT_STREQ(codec_error_text(1103), "encoded data is corrupt");
}

TEST(GifLzw, EveryTruncationOfAnAnimationFailsCleanly) {
    GifWriter g;
    g.Screen(9, 7, GifTestTable(3), 3).Control(0x05, 3, 1).Image(0, 0, 9, 7, Ramp(63, 8), true);
    g.Comment("c").Image(1, 1, 5, 5, Ramp(25, 16), false, GifTestTable(4)).Trailer();
    const auto whole = g.Bytes();
    for (size_t n = 0; n < whole.size(); ++n) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(n));
        auto r = ReadGifFramesFromMemory(cut);
        EXPECT_LE(r.frames.size(), 2u) << n;
        EXPECT_EQ(r.endCode, 7) << n;
    }
    EXPECT_EQ(ReadGifFramesFromMemory(whole).frames.size(), 2u);
}

TEST(GifHeader, BrokenHeaders) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int code;
    } cases[] = {
        {"bad signature", {'G', 'I', 'F', '9', '0', 'a', 1, 0, 1, 0, 0, 0, 0}, 5},
        {"short signature", {'G', 'I', 'F'}, 7},
        {"short screen", {'G', 'I', 'F', '8', '9', 'a', 1, 0}, 7},
        {"short global table", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x81, 0, 0, 1, 2, 3}, 7},
        {"unknown block", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x00}, 1104},
        {"trailer first", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}, 1101},
        {"no blocks", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, 7},
        {"control block size 5",
         {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x21, 0xF9, 5, 0, 0, 0, 0, 0, 0},
         7},
        {"extension without end",
         {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x21, 0xFE, 3, 'a'},
         7},
        {"short descriptor", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x2C, 0, 0}, 7},
    };
    for (auto& c : cases) {
        auto r = ReadGifFramesFromMemory(c.bytes);
        EXPECT_TRUE(r.frames.empty()) << c.what;
        EXPECT_EQ(r.endCode, c.code) << c.what;
        EXPECT_FALSE(r.inData) << c.what;
    }
    EXPECT_STREQ(codec_error_text(1104), "bad header");
    EXPECT_STREQ(codec_error_text(1100), "bad bits per pixel");
}

TEST(GifHeader, ImageLargerThanTheFileCanFillIsRefused) {
    // 10 bytes after the descriptor hold at most 26 codes of 4096 pixels.
    for (int h : {26, 27}) {
        GifWriter g;
        g.Screen(4, 4, GifTestTable(2), 2)
            .ImageRaw(0, 0, 4096, h, false, {}, 2, GifPackCodes({{4, 3}, {1, 3}, {5, 3}}), 255);
        auto bytes = g.Trailer().Bytes();
        bytes.resize(bytes.size() + 4);
        auto r = ReadGifFramesFromMemory(bytes);
        EXPECT_EQ(r.endCode, h == 26 ? 1101 : 6) << h;
        EXPECT_EQ(r.frames.size(), h == 26 ? 1u : 0u) << h;
    }
}

TEST(GifHeader, ZeroSizedImageIsReadAsNoPixels) {
    GifWriter g;
    g.Screen(4, 4, GifTestTable(1), 1)
        .ImageRaw(0, 0, 0, 3, false, {}, 2, GifPackCodes({{4, 3}, {5, 3}}));
    g.Image(0, 0, 1, 1, {1}).Trailer();
    auto r = ReadGifFramesFromMemory(g.Bytes());
    ASSERT_EQ(r.frames.size(), 2u);
    EXPECT_EQ(r.frames[0].header.width, 0);
    EXPECT_EQ(r.frames[1].indices, (std::vector<uint8_t>{1}));
}

} // namespace
