// TIFF reader: every file of the shared TIFF corpus either decodes to the
// pixels of libtiff's tifftopnm or fails with the code pinned for it, and never
// crashes; tool-made files cover LZW with and without
// differencing, PackBits, planar RGB, CMYK, palettes, more than 299 strips,
// orientation 4 and "index="; LZW strips built here cover both code packings
// (TIFF 6.0 and the older least-significant-bit-first one), their width
// changes and corrupt codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <algorithm>
#include <map>
#include <sstream>

#include "common/byte_io.h"
#include "tests/imaging/formats_support.h"

namespace fs = std::filesystem;

namespace {

// 16-bit samples come out of tifftopnm at maxval 65535; pamdepth takes them
// to 8 bits (and leaves 8-bit pictures as they are).
FormatImage Tifftopnm(const std::string& path, const std::string& key) {
    return OracleDecode("/usr/bin/tifftopnm " + ShellQuote(path) + " | /usr/bin/pamdepth 255",
                        "tiff-" + key);
}

// True for a picture of 16-bit samples (as libtiff's tiffinfo reports it).
bool SixteenBits(const std::string& path) {
    return testsupport::ToolOutput("/usr/bin/tiffinfo " + ShellQuote(path) + " 2>/dev/null")
               .find("Bits/Sample: 16") != std::string::npos;
}

// What the reader answers for each corpus file it refuses, by file name; every
// other corpus file must decode to the oracle's pixels.  Tiles, BigTIFF, depths
// other than 1/4/8 and 16 (and 16 in palettes), signed samples, fax, deflate,
// JPEG and LogLuv compression are outside the format table's reader.
const std::map<int, std::vector<std::string>>& RefusedCorpusFiles() {
    static const std::map<int, std::vector<std::string>> refused = {
        {2,
         {"quad-tile.tif", "seq-1c-16b-tiled-68f373a0.tiff", "seq-1c-8b-tiled-20f3db0c.tiff",
          "seq-1c-8b-tiled-deflate-20f3db0c.tiff", "seq-1c-8b-tiled-lzw-20f3db0c.tiff",
          "seq-3c-8b-tiled-8743c999.tiff", "zackthecat.tif"}},
        {800,
         {"seq-1c-8b-bigtiff-20f3db0c.tiff", "seq-1c-8b-tiled-bigtiff-20f3db0c.tiff",
          "seq-3c-16b-bigtiff-1b40ca6e.tiff"}},
        {805,
         {"seq-3c-i16-f7fcf423.tiff", "seq-3c-i8-d7550ce4.tiff"}},
        {806,
         {"flower-minisblack-02.tif", "flower-minisblack-06.tif", "flower-minisblack-10.tif",
          "flower-minisblack-12.tif", "flower-minisblack-14.tif", "flower-minisblack-24.tif",
          "flower-minisblack-32.tif", "minisblack-1c-3b.tiff", "minisblack-1c-5b.tiff",
          "minisblack-1c-7b.tiff", "minisblack-1c-i16b.tiff", "miniswhite-1c-12b.tiff",
          "miniswhite-1c-3b.tiff", "miniswhite-1c-6b.tiff", "seq-1c-10b-6d739fa2.tiff",
          "seq-1c-10b-hpredict-6d739fa2.tiff", "seq-1c-10b-miniswhite-6d739fa2.tiff",
          "seq-1c-12b-47c39b31.tiff", "seq-1c-12b-hpredict-47c39b31.tiff",
          "seq-1c-12b-miniswhite-47c39b31.tiff", "seq-1c-14b-e883657f.tiff",
          "seq-1c-14b-hpredict-e883657f.tiff", "seq-1c-14b-miniswhite-e883657f.tiff",
          "seq-1c-24b-072a9dc9.tiff", "seq-1c-24b-hpredict-072a9dc9.tiff",
          "seq-1c-24b-miniswhite-072a9dc9.tiff", "seq-1c-2b-58b25f76.tiff",
          "seq-1c-32f-390fe673.tiff", "seq-1c-32f-deflate-fpredict-390fe673.tiff",
          "seq-1c-3b-ef237c07.tiff", "seq-1c-3b-miniswhite-ef237c07.tiff",
          "seq-1c-5b-73098d17.tiff", "seq-1c-5b-miniswhite-73098d17.tiff",
          "seq-1c-64f-afa8560e.tiff", "seq-1c-64f-deflate-fpredict-afa8560e.tiff",
          "seq-1c-6b-miniswhite-79cafbb6.tiff", "seq-1c-7b-9c61ba70.tiff",
          "seq-1c-7b-miniswhite-9c61ba70.tiff", "seq-1c-i16-63af2488.tiff",
          "seq-1c-i32-99fddec2.tiff"}},
        {808,
         {"caspian.tif", "flower-rgb-contig-02.tif", "flower-rgb-contig-04.tif",
          "flower-rgb-contig-10.tif", "flower-rgb-contig-12.tif", "flower-rgb-contig-14.tif",
          "flower-rgb-contig-24.tif", "flower-rgb-contig-32.tif", "flower-rgb-planar-02.tif",
          "flower-rgb-planar-04.tif", "flower-rgb-planar-10.tif", "flower-rgb-planar-12.tif",
          "flower-rgb-planar-14.tif", "flower-rgb-planar-24.tif", "flower-rgb-planar-32.tif",
          "seq-3c-10b-contig-d08d5dc0.tiff", "seq-3c-10b-planar-c82e8ab6.tiff",
          "seq-3c-12b-contig-e6f40b4a.tiff", "seq-3c-12b-planar-e29e8e25.tiff",
          "seq-3c-14b-contig-f4dcc6cc.tiff", "seq-3c-14b-planar-4dde706b.tiff",
          "seq-3c-24b-contig-27b9f8ce.tiff", "seq-3c-24b-planar-6296c0c9.tiff",
          "seq-3c-32f-9a471c2b.tiff", "seq-3c-5b-contig-09f197f4.tiff", "seq-3c-64f-9fff098a.tiff",
          "seq-3c-7b-contig-2e4f43c5.tiff"}},
        {810,
         {"flower-palette-02.tif", "flower-palette-16.tif"}},
        {811,
         {"cmyk-4c-8b.tiff"}},
        {812,
         {"cmyk-3c-32b-float.tiff"}},
        {814,
         {"fax2d.tif", "g3test.tif", "seq-1c-1b-fax3-71f6a21a.tiff",
          "seq-1c-1b-fax3-fillbits-71f6a21a.tiff", "seq-1c-1b-fax3-lsb-71f6a21a.tiff"}},
        {815,
         {"fax4.tiff"}},
        {816,
         {"ladoga.tif", "seq-1c-16b-deflate-68f373a0.tiff", "seq-1c-8b-deflate-20f3db0c.tiff",
          "text.tif"}},
        {822,
         {"dscf0013.tif", "quad-jpeg.tif", "smallliz.tif", "ycbcr-cat.tif"}},
        {823,
         {"off_l16.tif", "off_luv24.tif", "off_luv32.tif"}},
        {825,
         {"flower-separated-planar-08.tif", "flower-separated-planar-16.tif"}},
    };
    return refused;
}

int ExpectedCode(const std::string& fileName) {
    for (const auto& [code, names] : RefusedCorpusFiles())
        if (std::find(names.begin(), names.end(), fileName) != names.end()) return code;
    return 0;
}

bool IsGrey(const FormatImage& img) {
    for (size_t i = 0; i < img.palette.size(); i += 3)
        if (img.palette[i] != img.palette[i + 1] || img.palette[i] != img.palette[i + 2])
            return false;
    return true;
}

fs::path WorkDir() {
    fs::path d = fs::path(PLINTHAR_BINARY_DIR) / "imaging-formats" / "tiff";
    fs::create_directories(d);
    return d;
}

// CMYK pixels as this reader renders them (each of red, green, blue is 255
// minus its ink minus black, at least 0), from the raw inks ImageMagick reads.
FormatImage CmykReference(const std::string& path, const std::string& key) {
    FormatImage out;
    fs::path raw = WorkDir() / (key + ".cmyk");
    if (MakeWithTool("/usr/bin/convert " + ShellQuote(path) + " -depth 8 cmyk:@OUT@", raw.string())
            .empty())
        return out;
    int status = -1;
    std::istringstream sz(
        testsupport::ToolOutput("/usr/bin/identify -format '%w %h' " + ShellQuote(path), &status));
    if (status != 0) return out;
    sz >> out.width >> out.height;
    std::ifstream in(raw, std::ios::binary);
    std::vector<uint8_t> inks((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    if (out.width <= 0 || inks.size() != size_t(out.width) * size_t(out.height) * 4) return out;
    for (size_t i = 0; i < inks.size(); i += 4)
        for (int c = 0; c < 3; ++c)
            out.rgb.push_back(uint8_t(std::max(0, 255 - inks[i + size_t(c)] - inks[i + 3])));
    out.rc = 0;
    return out;
}

// Runs a shell command that writes @OUT@ into the work folder under `name`;
// returns the file's path or "".
std::string Make(const std::string& name, const std::string& cmd) {
    return MakeWithTool(cmd, (WorkDir() / name).string());
}

TEST(TiffCorpus, FilesMatchTifftopnmOrFailWithTheirPinnedCodes) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    int decoded = 0, refused = 0;
    for (const char* dir : {"tiff/libtiffpic", "tiff/libtiffpic/depth", "tiff/libtiff-test-images",
                            "tiff/image-tiff-seq", "tiff/image-rs-testsuite", "generated/tiff"}) {
        for (const std::string suffix : {".tif", ".tiff"}) {
            for (const auto& path : FilesIn(TestData(dir), suffix)) {
                std::string name = FileStem(path);
                FormatImage ours = DecodeFile(kFormatTiff, path);
                const std::string fileName = path.substr(path.rfind('/') + 1);
                EXPECT_EQ(ours.rc, ExpectedCode(fileName)) << dir << "/" << fileName;
                if (ours.rc) {
                    ++refused;
                    continue;
                }
                const std::string key = FileStem(dir) + "-" + name;
                FormatImage ref = name.find("cmyk") != std::string::npos ||
                                          name.find("separated") != std::string::npos
                                      ? CmykReference(path, key)
                                  : name.find("unassoc") != std::string::npos
                                      ? OracleDecode("/usr/bin/convert " + ShellQuote(path) +
                                                         " -alpha off -depth 8 ppm:-",
                                                     "tiff-" + key)
                                      : Tifftopnm(path, key);
                EXPECT_EQ(ref.rc, 0) << name;
                if (ref.rc) continue;
                // Colour maps hold 16-bit values: ours takes the high byte,
                // libtiff scales by 255 / 65535 and truncates.  16-bit samples
                // go to their nearest 8-bit level here; the oracles round some
                // and truncate others.
                const int tolerance =
                    (ours.header.bpp <= 8 && !IsGrey(ours)) || SixteenBits(path) ? 1 : 0;
                EXPECT_EQ(ComparePixels(ours, ref, tolerance), "") << dir << "/" << name;
                ++decoded;
            }
        }
    }
    std::printf("decoded %d, refused %d\n", decoded, refused);
    // The corpus holds 183 files: a vanished folder must not pass quietly.
    EXPECT_EQ(decoded + refused, 183);
}

TEST(TiffCorpus, GeneratedVariantsAllDecode) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    auto files = FilesIn(TestData("generated/tiff"), ".tif");
    ASSERT_GE(files.size(), 15u);
    for (const auto& path : files)
        EXPECT_EQ(DecodeFile(kFormatTiff, path).rc, 0) << FileStem(path);
}

TEST(TiffMade, ManyStripsOrientationAndIndex) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    const std::string src = ShellQuote(TestData("generated/src/rgb24.ppm"));
    // One row per strip: several hundred strip offsets.
    std::string strips = Make(
        "strips.tif", "/usr/bin/convert " + src +
                          " -resize 120x400! -compress LZW -define tiff:rows-per-strip=1 @OUT@");
    ASSERT_FALSE(strips.empty());
    FormatImage many = DecodeFile(kFormatTiff, strips);
    ASSERT_EQ(many.rc, 0) << codec_error_text(many.rc);
    ASSERT_GT(many.height, 299);
    FormatImage ref = Tifftopnm(strips, "made-strips");
    ASSERT_EQ(ref.rc, 0);
    EXPECT_EQ(ComparePixels(many, ref), "");

    // Orientation 4 (first row at the bottom) turns the picture over.
    std::string flipped = Make("orient4.tif", "cp " + ShellQuote(strips) +
                                                  " @OUT@ && /usr/bin/tiffset -s 274 4 @OUT@");
    ASSERT_FALSE(flipped.empty());
    FormatImage turned = DecodeFile(kFormatTiff, flipped);
    ASSERT_EQ(turned.rc, 0);
    const size_t row = size_t(many.width) * 3;
    for (int y = 0; y < many.height; ++y)
        ASSERT_TRUE(std::equal(turned.rgb.begin() + long(row * size_t(y)),
                               turned.rgb.begin() + long(row * size_t(y + 1)),
                               many.rgb.begin() + long(row * size_t(many.height - 1 - y))))
            << y;
    std::string eight = Make("orient8.tif", "cp " + ShellQuote(strips) +
                                                " @OUT@ && /usr/bin/tiffset -s 274 8 @OUT@");
    EXPECT_EQ(DecodeFile(kFormatTiff, eight).rc, 828);

    // Two images: index=1 is the second, index=2 does not exist.
    std::string pages = Make("pages.tif", "/usr/bin/convert " + src + " " +
                                              ShellQuote(TestData("generated/src/gray8.pgm")) +
                                              " -compress RLE @OUT@");
    ASSERT_FALSE(pages.empty());
    FormatImage second = DecodeFile(kFormatTiff, pages, "index=1");
    ASSERT_EQ(second.rc, 0) << codec_error_text(second.rc);
    EXPECT_EQ(second.bpp, 8);
    EXPECT_EQ(DecodeFile(kFormatTiff, pages, "index=2").rc, 829);
}

// LZW codes packed as one of the two variants.  The width follows that
// variant's rule: after a clear every code but the first adds a table entry,
// and the width grows once the next free entry reaches 511 (TIFF 6.0) or 512
// (old style), then 1023 / 1024 and so on.
class LzwBits {
  public:
    explicit LzwBits(bool oldStyle) : old_(oldStyle) {}
    void Put(int code) {
        if (old_) {
            acc_ |= uint64_t(code) << used_;
            used_ += width_;
            for (; used_ >= 8; used_ -= 8, acc_ >>= 8)
                out_.push_back(uint8_t(acc_));
        } else {
            acc_ = acc_ << width_ | uint64_t(code);
            used_ += width_;
            for (; used_ >= 8; used_ -= 8)
                out_.push_back(uint8_t(acc_ >> (used_ - 8)));
        }
        if (code == 256) {
            width_ = 9;
            next_ = 258;
            fresh_ = true;
            return;
        }
        if (!fresh_ && ++next_ >= (1 << width_) - (old_ ? 0 : 1) && width_ < 12) ++width_;
        fresh_ = false;
    }
    std::vector<uint8_t> Done() {
        if (used_) out_.push_back(uint8_t(old_ ? acc_ : acc_ << (8 - used_)));
        used_ = 0;
        return out_;
    }

  private:
    bool old_;
    bool fresh_ = true;
    int width_ = 9, next_ = 258, used_ = 0;
    uint64_t acc_ = 0;
    std::vector<uint8_t> out_;
};

// A little-endian grey 8-bit TIFF of width x 1 pixels whose one LZW strip is
// given.
std::vector<uint8_t> GreyLzwTiff(uint32_t width, const std::vector<uint8_t>& strip,
                                 uint16_t predictor) {
    ByteWriter w;
    w.Text("II");
    w.U16(42);
    const uint32_t ifd = uint32_t(8 + strip.size() + (strip.size() & 1));
    w.U32(ifd);
    w.Bytes(strip.data(), strip.size());
    if (strip.size() & 1) w.U8(0);
    const uint32_t entries[][3] = {
        {256, 4, width},     {257, 4, 1}, {258, 3, 8},
        {259, 3, 5},         {262, 3, 1}, {273, 4, 8},
        {277, 3, 1},         {278, 4, 1}, {279, 4, uint32_t(strip.size())},
        {317, 3, predictor},
    };
    w.U16(uint16_t(std::size(entries)));
    for (const auto& e : entries) {
        w.U16(uint16_t(e[0]));
        w.U16(uint16_t(e[1]));
        w.U32(1);
        if (e[1] == 3) {
            w.U16(uint16_t(e[2]));
            w.U16(0);
        } else {
            w.U32(e[2]);
        }
    }
    w.U32(0);
    return w.Data();
}

std::vector<int> Greys(const FormatImage& img) {
    std::vector<int> v;
    for (size_t i = 0; i < img.rgb.size(); i += 3)
        v.push_back(img.rgb[i]);
    return v;
}

TEST(TiffLzw, BothPackingsDecodeTheSameStripAcrossWidthChanges) {
    // 600 literal codes take the table past 511/512 entries, so the reader
    // must switch to 10 bits exactly where the strip's variant does; then
    // code 258 (the first two literals) is read at 10 bits.
    std::vector<int> want;
    for (int i = 0; i < 600; ++i)
        want.push_back((i * 37 + 11) & 255);
    for (bool oldStyle : {false, true}) {
        LzwBits bits(oldStyle);
        bits.Put(256);
        for (int v : want)
            bits.Put(v);
        bits.Put(258);
        bits.Put(257);
        std::vector<uint8_t> strip = bits.Done();
        EXPECT_EQ(strip[0], oldStyle ? 0x00 : 0x80);
        std::vector<int> expect = want;
        expect.push_back(want[0]);
        expect.push_back(want[1]);
        FormatImage img = DecodeBytes(kFormatTiff, GreyLzwTiff(uint32_t(expect.size()), strip, 1));
        ASSERT_EQ(img.rc, 0) << oldStyle << ": " << codec_error_text(img.rc);
        EXPECT_EQ(Greys(img), expect) << (oldStyle ? "old style" : "TIFF 6.0");
    }
}

TEST(TiffLzw, CorruptStripsOfEitherPackingAreRefused) {
    struct Case {
        const char* what;
        std::vector<int> codes;
        int rc;
    } cases[] = {
        {"first code after a clear is no literal", {256, 300, 257}, 818},
        {"code beyond the next free entry", {256, 10, 20, 260, 257}, 818},
        {"clear and end alone leave the strip empty", {256, 257}, 0},
        {"the next free entry itself (KwKwK)", {256, 10, 258, 257}, 0},
    };
    for (const auto& c : cases) {
        for (bool oldStyle : {false, true}) {
            LzwBits bits(oldStyle);
            for (int code : c.codes)
                bits.Put(code);
            FormatImage img = DecodeBytes(kFormatTiff, GreyLzwTiff(4, bits.Done(), 1));
            EXPECT_EQ(img.rc, c.rc) << c.what << (oldStyle ? ", old style" : ", TIFF 6.0");
        }
    }
    // KwKwK: 10, then 258 = (10, 10).
    LzwBits bits(true);
    for (int code : {256, 10, 258, 257})
        bits.Put(code);
    EXPECT_EQ(Greys(DecodeBytes(kFormatTiff, GreyLzwTiff(4, bits.Done(), 1))),
              (std::vector<int>{10, 10, 10, 0}));
}

TEST(TiffLzw, OldStyleFilesMatchTifftopnm) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    const std::string compat = TestData("tiff/libtiff-test-images/quad-lzw-compat.tiff");
    for (const std::string& path : {compat, TestData("tiff/libtiffpic/quad-lzw.tif")}) {
        FormatImage ours = DecodeFile(kFormatTiff, path);
        ASSERT_EQ(ours.rc, 0) << path << ": " << codec_error_text(ours.rc);
        FormatImage ref = Tifftopnm(path, "old-" + FileStem(path));
        ASSERT_EQ(ref.rc, 0) << path;
        EXPECT_EQ(ComparePixels(ours, ref), "") << path;
    }
    // The same old-style strips declared as differenced: the predictor works
    // on the decoded bytes whichever packing they came in.
    std::string diff = Make("old-lzw-pred2.tif", "cp " + ShellQuote(compat) +
                                                     " @OUT@ && chmod u+w @OUT@ && "
                                                     "/usr/bin/tiffset -s 317 2 @OUT@");
    ASSERT_FALSE(diff.empty());
    FormatImage ours = DecodeFile(kFormatTiff, diff);
    ASSERT_EQ(ours.rc, 0) << codec_error_text(ours.rc);
    FormatImage ref = Tifftopnm(diff, "old-lzw-pred2");
    ASSERT_EQ(ref.rc, 0);
    EXPECT_EQ(ComparePixels(ours, ref), "");

    // Hand-made: 10, +5, +5 read as 10, 15, 20.
    LzwBits bits(true);
    for (int code : {256, 10, 5, 5, 257})
        bits.Put(code);
    EXPECT_EQ(Greys(DecodeBytes(kFormatTiff, GreyLzwTiff(3, bits.Done(), 2))),
              (std::vector<int>{10, 15, 20}));
}

} // namespace

namespace {

// An uncompressed TIFF of one strip of 16-bit samples (width x 1 pixels), in
// either byte order.  (Differencing and LZW on 16-bit samples: the corpus.)
std::vector<uint8_t> WideTiff(bool big, uint16_t photometric, uint16_t spp,
                              const std::vector<uint16_t>& samples, uint16_t sampleFormat = 1) {
    std::vector<uint8_t> strip;
    for (uint16_t v : samples)
        strip.insert(strip.end(), {uint8_t(big ? v >> 8 : v), uint8_t(big ? v : v >> 8)});
    std::vector<uint8_t> out;
    auto u16 = [&](uint32_t v) {
        out.insert(out.end(), {uint8_t(big ? v >> 8 : v), uint8_t(big ? v : v >> 8)});
    };
    auto u32 = [&](uint32_t v) {
        big ? (u16(v >> 16), u16(v & 0xFFFF)) : (u16(v & 0xFFFF), u16(v >> 16));
    };
    out.insert(out.end(), {uint8_t(big ? 'M' : 'I'), uint8_t(big ? 'M' : 'I')});
    u16(42);
    const uint32_t ifd = uint32_t(8 + strip.size() + (strip.size() & 1));
    u32(ifd);
    out.insert(out.end(), strip.begin(), strip.end());
    if (strip.size() & 1) out.push_back(0);
    const uint32_t width = uint32_t(samples.size() / spp);
    const uint32_t entries[][3] = {
        {256, 4, width},       {257, 4, 1},           {258, 3, 16},
        {259, 3, 1},           {262, 3, photometric}, {273, 4, 8},
        {277, 3, spp},         {278, 4, 1},           {279, 4, uint32_t(strip.size())},
        {339, 3, sampleFormat}};
    u16(uint16_t(std::size(entries)));
    for (const auto& e : entries) {
        u16(e[0]), u16(e[1]), u32(1);
        if (e[1] == 3)
            u16(e[2]), u16(0);
        else
            u32(e[2]);
    }
    u32(0);
    return out;
}

// 16-bit samples reach the nearest 8-bit level (v / 257 rounded, halves up)
// in either byte order; signed samples keep their "unsupported" codes.
TEST(TiffWide, SamplesReachTheirNearestLevel) {
    const std::vector<uint16_t> greys = {0, 128, 129, 385, 386, 32896, 65406, 65535};
    const std::vector<uint8_t> levels = {0, 0, 1, 1, 2, 128, 254, 255};
    std::vector<uint8_t> inverted;
    for (uint8_t l : levels)
        inverted.push_back(uint8_t(255 - l));
    // One pixel per sample triple: red, green, blue as stored.
    const std::vector<uint16_t> rgb = {65535, 129, 0, 0, 32896, 65406};
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        int rc;
        std::vector<uint8_t> rgb; // top row, red green blue
    } cases[] = {
        {"grey, little-endian", WideTiff(false, 1, 1, greys), 0, {}},
        {"grey, big-endian", WideTiff(true, 1, 1, greys), 0, {}},
        {"white is zero", WideTiff(true, 0, 1, greys), 0, {}},
        {"RGB", WideTiff(false, 2, 3, rgb), 0, {255, 1, 0, 0, 128, 254}},
        {"RGB, big-endian", WideTiff(true, 2, 3, rgb), 0, {255, 1, 0, 0, 128, 254}},
        {"signed grey", WideTiff(false, 1, 1, greys, 2), 806, {}},
        {"signed RGB", WideTiff(true, 2, 3, rgb, 2), 808, {}},
    };
    for (const Case& c : cases) {
        FormatImage img = DecodeBytes(kFormatTiff, c.file);
        ASSERT_EQ(img.rc, c.rc) << c.what << ": " << codec_error_text(img.rc);
        if (c.rc) continue;
        std::vector<uint8_t> want = c.rgb;
        if (want.empty())
            for (uint8_t l : std::string(c.what) == "white is zero" ? inverted : levels)
                want.insert(want.end(), {l, l, l});
        EXPECT_EQ(img.rgb, want) << c.what;
    }
}

// The image-rs suite's 16-bit RGB picture against its reference rendering.
TEST(TiffWide, SuitePictureMatchesItsReference) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    const std::string dir = "tiff/image-rs-testsuite/";
    FormatImage ours = DecodeFile(kFormatTiff, TestData(dir + "rgb-3c-16b.tiff"));
    ASSERT_EQ(ours.rc, 0) << codec_error_text(ours.rc);
    EXPECT_EQ(ours.bpp, 24);
    FormatImage ref = OracleDecode("/usr/bin/convert " +
                                       ShellQuote(TestData(dir + "reference/rgb-3c-16b.tiff.png")) +
                                       " -depth 8 ppm:-",
                                   "tiff-rgb-3c-16b-reference");
    ASSERT_EQ(ref.rc, 0);
    EXPECT_EQ(ComparePixels(ours, ref, 1), "");
}

} // namespace
