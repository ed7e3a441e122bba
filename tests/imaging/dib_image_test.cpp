// CDibImage: loading through the codec table, its failure codes and what a
// failed load leaves behind, and the three conversions with hand-worked values.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "imaging/dib_image.h"
#include "tests/imaging/gif_builder.h"
#include "tests/imaging/gif_frames.h"

namespace {

// A memory file system that counts how often files were opened.
struct CountingFiles {
    explicit CountingFiles(const std::vector<uint8_t>& bytes) : data(bytes) {
        codec_memory_init(&mem, data.data(), data.size());
        io = mem.io;
        io.ctx = this;
        io.open = [](void* ctx, const char* name, int flags) {
            auto* self = static_cast<CountingFiles*>(ctx);
            ++self->opens;
            return self->mem.io.open(&self->mem, name, flags);
        };
        io.close = [](void* ctx, int64_t fd) {
            auto* self = static_cast<CountingFiles*>(ctx);
            ++self->closes;
            self->mem.io.close(&self->mem, fd);
        };
        io.seek = [](void* ctx, int64_t fd, int64_t off, int origin) {
            auto* self = static_cast<CountingFiles*>(ctx);
            return self->mem.io.seek(&self->mem, fd, off, origin);
        };
        io.read = [](void* ctx, int64_t fd, void* buf, int32_t n) {
            auto* self = static_cast<CountingFiles*>(ctx);
            return self->mem.io.read(&self->mem, fd, buf, n);
        };
    }
    std::vector<uint8_t> data;
    CodecMemory mem;
    CodecIo io;
    int opens = 0, closes = 0;
};

// Keeps the last reported message.
class RecordingImage : public CDibImage {
  public:
    using CDibImage::CDibImage;
    std::string message;

  protected:
    void Report(const char* format, va_list args) override {
        char buf[512];
        std::vsnprintf(buf, sizeof buf, format, args);
        message = buf;
    }
};

std::vector<uint8_t> Animation() {
    GifWriter g;
    g.Screen(20, 10, GifTestTable(2), 2, 1);
    g.Control(0x09, 12, 2).Image(0, 0, 3, 2, {0, 1, 2, 3, 2, 1});
    g.Image(5, 4, 2, 2, {3, 3, 0, 0}, false, GifTestTable(4));
    g.Control(0x04, 40, 0).Image(1, 2, 9, 1, {0, 1, 2, 3, 0, 1, 2, 3, 0});
    return g.Trailer().Bytes();
}

TEST(DibErrorText, FullTable) {
    const char* texts[] = {"No error has occurred",
                           "File not found",
                           "Failure opening file",
                           "Failure closing file",
                           "Failure reading file header",
                           "File corrupted",
                           "File format not supported",
                           "Failure writing file header",
                           "Failure writing output file",
                           "Failure reading scan line",
                           "Failure writing scan line",
                           "Out of memory",
                           "Failure writing palette",
                           "Invalid GIF format",
                           "Invalid image handle",
                           "Too many open images",
                           "Empty filename",
                           "Failure reading image palette",
                           "Failure reading image data",
                           "Failure dithering image"};
    for (int i = 0; i <= 19; ++i)
        EXPECT_STREQ(ErrorText(-i), texts[i]) << -i;
    EXPECT_STREQ(ErrorText(-20), "Unexpected error");
    EXPECT_STREQ(ErrorText(1), "Unexpected error");
}

TEST(DibLoad, FreshObject) {
    CDibImage img;
    EXPECT_EQ(img.bits, nullptr);
    EXPECT_EQ(img.format, -1);
    EXPECT_EQ(img.transparentIndex, -1);
    EXPECT_EQ(img.header, nullptr);
    EXPECT_FALSE(img.ToTrueColor());
    EXPECT_EQ(img.error, kDibErrHandle);
}

TEST(DibLoad, ExtensionWithoutFormatFailsBeforeOpening) {
    CountingFiles files(Animation());
    RecordingImage img(&files.io);
    EXPECT_FALSE(img.LoadFrame("picture.jfif", 0));
    EXPECT_EQ(img.error, -6);
    EXPECT_EQ(files.opens, 0);
    EXPECT_EQ(img.message, "Can't deduce bitmap format from file extension: picture.jfif");
    EXPECT_EQ(img.header, nullptr);
}

TEST(DibLoad, OpenFailure) {
    RecordingImage img;
    EXPECT_FALSE(img.LoadFrame("/nonexistent/folder/x.gif", 0));
    EXPECT_EQ(img.error, -2);
    EXPECT_EQ(img.message, "Can't open file: /nonexistent/folder/x.gif");
}

TEST(DibLoad, MisnamedFileFailsInTheHeaderOfTheNamedFormat) {
    CountingFiles files(Animation());
    RecordingImage img(&files.io);
    EXPECT_FALSE(img.LoadFrame("really-a-gif.bmp", 0));
    EXPECT_EQ(img.error, -4);
    EXPECT_EQ(img.message.rfind("Can't read file header of really-a-gif.bmp: ", 0), 0u);
    EXPECT_EQ(files.opens, 1);
    EXPECT_EQ(files.closes, 1);
    EXPECT_NE(img.header, nullptr);
}

TEST(DibLoad, AnimationFrameByFrame) {
    CountingFiles files(Animation());
    auto frames = ReadGifFramesFromMemory(files.data);
    ASSERT_EQ(frames.frames.size(), 3u);
    RecordingImage img(&files.io);
    struct Want {
        int w, h, left, top, bpp, ti, delay, flags;
    } want[] = {{3, 2, 0, 0, 4, 2, 12, 9}, {2, 2, 5, 4, 4, 2, 12, 9}, {9, 1, 1, 2, 4, -1, 40, 4}};
    for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(img.LoadFrame("anim.GIF", k)) << k << img.message;
        const Want& w = want[k];
        EXPECT_EQ(img.error, 0);
        EXPECT_EQ(img.format, kFormatGif);
        EXPECT_EQ(img.width, w.w);
        EXPECT_EQ(img.height, w.h);
        EXPECT_EQ(img.screenWidth, 20);
        EXPECT_EQ(img.screenHeight, 10);
        EXPECT_EQ(img.left, w.left);
        EXPECT_EQ(img.top, w.top);
        EXPECT_EQ(img.bitsPerPixel, w.bpp);
        EXPECT_EQ(img.colorsUsed, 16);
        EXPECT_EQ(img.transparentIndex, w.ti);
        EXPECT_EQ(img.delay, w.delay);
        EXPECT_EQ(img.controlFlags, w.flags);
        const auto& fr = frames.frames[size_t(k)];
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x)
                EXPECT_EQ(img.PixelAt(x, y), fr.indices[size_t(y * img.width + x)]);
        for (int i = 0; i < img.colorsUsed; ++i) {
            EXPECT_EQ(img.bmi.bmiColors[i].rgbRed, fr.palette[size_t(3 * i)]);
            EXPECT_EQ(img.bmi.bmiColors[i].rgbGreen, fr.palette[size_t(3 * i + 1)]);
            EXPECT_EQ(img.bmi.bmiColors[i].rgbBlue, fr.palette[size_t(3 * i + 2)]);
            EXPECT_EQ(img.bmi.bmiColors[i].rgbReserved, 0);
        }
        const DibInfoHeader& h = img.bmi.bmiHeader;
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, w.w);
        EXPECT_EQ(h.biHeight, w.h);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, w.bpp);
        EXPECT_EQ(h.biCompression, 0u);
        EXPECT_EQ(h.biClrUsed, 0u);
    }
    // Entry 2 of the test table is (2, 253, 14).
    EXPECT_EQ(DibRgb(2, 253, 14), 0x0EFD02u);
    // The last frame has no transparency; a fourth frame does not exist.
    EXPECT_EQ(img.transparentColor, 0u);
    EXPECT_FALSE(img.LoadFrame("anim.gif", 3));
    EXPECT_EQ(img.error, -4);
    EXPECT_EQ(img.message,
              "Can't read file header of anim.gif: terminator found before requested image "
              "descriptor");
    EXPECT_EQ(files.opens, files.closes);
}

TEST(DibLoad, TransparentColourOfTheFirstFrame) {
    CountingFiles files(Animation());
    CDibImage img(&files.io);
    ASSERT_TRUE(img.LoadFrame("a.gif", 0));
    EXPECT_EQ(img.transparentColor, DibRgb(2, 253, 14));
}

TEST(DibLoad, FrameOneOfAStillImageFails) {
    GifWriter g;
    g.Screen(2, 2, GifTestTable(1), 1).Image(0, 0, 2, 2, {0, 1, 1, 0}).Trailer();
    CountingFiles files(g.Bytes());
    CDibImage img(&files.io);
    ASSERT_TRUE(img.LoadFrame("still.gif", 0));
    EXPECT_EQ(img.bitsPerPixel, 1);
    EXPECT_EQ(img.colorsUsed, 2);
    EXPECT_FALSE(img.LoadFrame("still.gif", 1));
    EXPECT_EQ(img.error, -4);
    // The picture of frame 0 is still there, whole.
    EXPECT_NE(img.bits, nullptr);
    EXPECT_EQ(img.width, 2);
    EXPECT_EQ(img.bitsPerPixel, 1);
    EXPECT_EQ(img.PixelAt(1, 0), 1u);
    // The index is taken modulo 65536: 65536 is the first image again.
    CDibImage again(&files.io);
    EXPECT_TRUE(again.LoadFrame("still.gif", 65536));
}

TEST(DibLoad, DataFailureFreesTheBitsAndKeepsTheHeader) {
    GifWriter g;
    g.Screen(4, 4, GifTestTable(2), 2).Image(0, 0, 2, 1, {1, 2});
    g.ImageRaw(0, 0, 4, 4, false, {}, 2, GifPackCodes({{4, 3}, {1, 3}}), 255, false);
    CountingFiles files(g.Bytes());
    RecordingImage img(&files.io);
    ASSERT_TRUE(img.LoadFrame("t.gif", 0));
    CodecHeader* header = img.header;
    EXPECT_FALSE(img.LoadFrame("t.gif", 1));
    EXPECT_EQ(img.error, -18);
    EXPECT_EQ(img.message, "Can't read file data of t.gif: can't read file");
    EXPECT_EQ(img.bits, nullptr);
    EXPECT_EQ(img.header, header);
    EXPECT_FALSE(img.ToGrayscale());
    EXPECT_EQ(files.opens, files.closes);
}

TEST(DibLoad, HeadersThatPromiseTooMuchOrNothing) {
    // padding: bytes after the trailer, which the GIF reader counts as data that
    // might still hold codes; 65535 x 8200 at 8 bits is over the 256 MiB limit.
    struct Case {
        int w, h;
        size_t padding;
        int error;
    } cases[] = {{65535, 65535, 0, -4}, {65535, 8200, 60000, -11}, {0, 5, 0, -4}, {5, 0, 0, -4}};
    for (auto c : cases) {
        GifWriter g;
        g.Screen(1, 1, GifTestTable(8), 8)
            .ImageRaw(0, 0, c.w, c.h, false, {}, 8, GifPackCodes({{256, 9}, {257, 9}}));
        std::vector<uint8_t> bytes = g.Trailer().Bytes();
        bytes.resize(bytes.size() + c.padding);
        CountingFiles files(bytes);
        CDibImage img(&files.io);
        EXPECT_FALSE(img.LoadFrame("big.gif", 0)) << c.w << "x" << c.h;
        EXPECT_EQ(img.error, c.error) << c.w << "x" << c.h;
        EXPECT_EQ(img.bits, nullptr);
    }
}

TEST(DibConvert, TrueColourFromEveryDepth) {
    for (int bits : {1, 2, 4, 8}) {
        const int w = 11, h = 3;
        std::vector<uint8_t> idx;
        for (int i = 0; i < w * h; ++i)
            idx.push_back(uint8_t((i * 5) % (1 << bits)));
        GifWriter g;
        g.Screen(w, h, GifTestTable(bits), bits).Image(0, 0, w, h, idx).Trailer();
        CountingFiles files(g.Bytes());
        CDibImage img(&files.io);
        ASSERT_TRUE(img.LoadFrame("x.gif", 0));
        ASSERT_TRUE(img.ToTrueColor());
        EXPECT_EQ(img.bitsPerPixel, 24);
        EXPECT_EQ(img.colorsUsed, 0);
        EXPECT_EQ(img.bmi.bmiHeader.biBitCount, 24);
        EXPECT_EQ(img.Stride(), 36u);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int i = idx[size_t(y * w + x)];
                ASSERT_EQ(img.PixelAt(x, y), DibRgb(uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)))
                    << bits << " " << x << "," << y;
            }
        // Row padding stays zero.
        for (int y = 0; y < h; ++y)
            EXPECT_EQ(img.bits[size_t(y) * 36 + 33], 0);
        EXPECT_TRUE(img.ToTrueColor());
    }
}

TEST(DibConvert, GrayscaleWeightsAndPath) {
    // 1 bit: red and white.  Red becomes 255 * 30 / 100 = 76.
    GifWriter g;
    g.Screen(3, 1, {255, 0, 0, 255, 255, 255}, 1).Image(0, 0, 3, 1, {0, 1, 0}).Trailer();
    CountingFiles files(g.Bytes());
    CDibImage img(&files.io);
    ASSERT_TRUE(img.LoadFrame("x.gif", 0));
    ASSERT_EQ(img.bitsPerPixel, 1);
    ASSERT_TRUE(img.ToGrayscale());
    EXPECT_EQ(img.bitsPerPixel, 8);
    EXPECT_EQ(img.colorsUsed, 256);
    EXPECT_EQ(img.Stride(), 4u);
    EXPECT_EQ(img.PixelAt(0, 0), 76u);
    EXPECT_EQ(img.PixelAt(1, 0), 255u);
    for (int i = 0; i < 256; i += 51) {
        EXPECT_EQ(img.bmi.bmiColors[i].rgbRed, i);
        EXPECT_EQ(img.bmi.bmiColors[i].rgbBlue, i);
    }
    // Green 255 -> 150, blue 255 -> 28, (10, 20, 30) -> (300 + 1180 + 330) / 100 = 18.
    GifWriter g2;
    g2.Screen(3, 1, {0, 255, 0, 0, 0, 255, 10, 20, 30, 0, 0, 0}, 2).Image(0, 0, 3, 1, {0, 1, 2});
    CountingFiles files2(g2.Trailer().Bytes());
    CDibImage img2(&files2.io);
    ASSERT_TRUE(img2.LoadFrame("x.gif", 0));
    ASSERT_TRUE(img2.ToGrayscale());
    EXPECT_EQ(img2.PixelAt(0, 0), 150u);
    EXPECT_EQ(img2.PixelAt(1, 0), 28u);
    EXPECT_EQ(img2.PixelAt(2, 0), 18u);
}

// Loads a true-colour picture given top row first as (r, g, b) triples.
std::unique_ptr<CountingFiles> TrueColorFile(int w, int h, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> table(3 * 256, 0), idx;
    for (size_t i = 0; i < rgb.size() / 3; ++i) {
        std::copy(rgb.begin() + long(3 * i), rgb.begin() + long(3 * i + 3),
                  table.begin() + long(3 * i));
        idx.push_back(uint8_t(i));
    }
    GifWriter g;
    g.Screen(w, h, table, 8).Image(0, 0, w, h, idx).Trailer();
    return std::make_unique<CountingFiles>(g.Bytes());
}

std::vector<uint32_t> Reduce(int w, int h, const std::vector<uint8_t>& rgb) {
    auto files = TrueColorFile(w, h, rgb);
    CDibImage img(&files->io);
    EXPECT_TRUE(img.LoadFrame("x.gif", 0));
    EXPECT_TRUE(img.ToTrueColor());
    EXPECT_TRUE(img.ReduceTo256());
    EXPECT_EQ(img.bitsPerPixel, 8);
    EXPECT_EQ(img.colorsUsed, 256);
    EXPECT_EQ(img.bmi.bmiHeader.biBitCount, 8);
    std::vector<uint32_t> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.push_back(img.PixelAt(x, y));
    return out;
}

TEST(DibReduce, WhiteHasNoErrorToDiffuse) {
    std::vector<uint8_t> white(3 * 6 * 4, 255);
    EXPECT_EQ(Reduce(6, 4, white), std::vector<uint32_t>(24, 255));
}

TEST(DibReduce, BlueLevelsAndDiffusionWorkedByHand) {
    // Three columns of blue 128 in two rows; the bottom row is processed first.
    //   bottom: 128 -> level 1 (43 is not above 43), error 43 >> 2 = 10;
    //           128 + 20 = 148 -> level 2, error (148 - 170) >> 2 = -6;
    //           128 - 12 = 116 -> level 1, error 31 >> 2 = 7.
    //   top:    128 + 10 = 138 -> level 2, error -32 >> 2 = -8;
    //           128 - 6 - 16 = 106 -> level 1, error 21 >> 2 = 5;
    //           128 + 7 + 10 = 145 -> level 2.
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 6; ++i)
        rgb.insert(rgb.end(), {0, 0, 128});
    EXPECT_EQ(Reduce(3, 2, rgb), (std::vector<uint32_t>{2, 1, 2, 1, 2, 1}));
    // 129: 129 % 85 = 44 is above 43, level 2.
    EXPECT_EQ(Reduce(1, 1, {0, 0, 129}), (std::vector<uint32_t>{2}));
    EXPECT_EQ(Reduce(1, 1, {0, 0, 128}), (std::vector<uint32_t>{1}));
}

TEST(DibReduce, RedGreenIndexBitsAndClamping) {
    // Index = (R & 0xE0) + ((G >> 3) & 0x1C) + blue level.
    EXPECT_EQ(Reduce(1, 1, {0xE0, 0, 0}), (std::vector<uint32_t>{0xE0}));
    EXPECT_EQ(Reduce(1, 1, {0, 0xFF, 0}), (std::vector<uint32_t>{0x1C}));
    EXPECT_EQ(Reduce(1, 1, {0x5F, 0x40, 86}), (std::vector<uint32_t>{0x40 + 0x08 + 1}));
    // Clamping: bottom row (213, 250) in blue: 213 -> level 2, error 10; the
    // pixel above becomes 250 + 10 -> 255 (not 260), whose error is then 0,
    // so the top-right 42 stays level 0 (unclamped it would get 2 and reach 44).
    std::vector<uint8_t> rgb = {0, 0, 250, 0, 0, 42, 0, 0, 213, 0, 0, 250};
    EXPECT_EQ(Reduce(2, 2, rgb), (std::vector<uint32_t>{3, 0, 2, 3}));
}

TEST(DibReduce, FixedPaletteAndDepthsLeftAlone) {
    auto files = TrueColorFile(1, 1, {9, 9, 9});
    CDibImage img(&files->io);
    ASSERT_TRUE(img.LoadFrame("x.gif", 0));
    // 8 bits: unchanged, still the file's own table.
    ASSERT_TRUE(img.ReduceTo256());
    EXPECT_EQ(img.bmi.bmiColors[0].rgbRed, 9);
    ASSERT_TRUE(img.ToTrueColor());
    ASSERT_TRUE(img.ReduceTo256());
    struct Entry {
        int index, r, g, b;
    } entries[] = {{0, 0, 0, 0},   {255, 255, 255, 255}, {0xE0, 255, 0, 0},    {0x1C, 0, 255, 0},
                   {3, 0, 0, 255}, {0x49, 73, 73, 85},   {0x96, 146, 182, 170}};
    for (auto e : entries) {
        EXPECT_EQ(img.bmi.bmiColors[e.index].rgbRed, e.r) << e.index;
        EXPECT_EQ(img.bmi.bmiColors[e.index].rgbGreen, e.g) << e.index;
        EXPECT_EQ(img.bmi.bmiColors[e.index].rgbBlue, e.b) << e.index;
    }
}

TEST(DibPalette, EntriesFromTheColourTable) {
    CountingFiles files(Animation());
    CDibImage img(&files.io);
    ASSERT_TRUE(img.LoadFrame("a.gif", 0));
    DibLogPalette pal;
    ASSERT_TRUE(img.MakePalette(&pal));
    EXPECT_EQ(pal.palVersion, 0x300);
    EXPECT_EQ(pal.palNumEntries, 16);
    EXPECT_EQ(pal.palPalEntry[2].peRed, 2);
    EXPECT_EQ(pal.palPalEntry[2].peGreen, 253);
    EXPECT_EQ(pal.palPalEntry[2].peBlue, 14);
    EXPECT_EQ(pal.palPalEntry[15].peRed, 128);
    EXPECT_EQ(pal.palPalEntry[2].peFlags, 0);
    ASSERT_TRUE(img.ToTrueColor());
    EXPECT_FALSE(img.MakePalette(&pal));
    img.reduceForDisplay = true;
    ASSERT_TRUE(img.ReduceTo256());
    ASSERT_TRUE(img.MakePalette(&pal));
    EXPECT_EQ(pal.palNumEntries, 256);
    EXPECT_EQ(pal.palPalEntry[0xE0].peRed, 255);
}

} // namespace
