// Every frame of every GIF from outside (the shared test corpus) and of GIFs
// made here by Debian tools decodes to the same pixels as ImageMagick
// (/usr/bin/convert, the Debian build): same frame count, frame rectangle,
// delay and red-green-blue values of every pixel, no tolerance.  The reference
// output and the tool-made files are generated at test time into the build
// folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/imaging/gif_frames.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using testsupport::FilesUnder;
using testsupport::MakeFolderWithTool;
using testsupport::ShellQuote;

namespace {

const char* const kConvert = "/usr/bin/convert";
const char* const kIdentify = "/usr/bin/identify";

fs::path BuildDir() {
    return fs::path(PLINTHAR_BINARY_DIR) / "imaging-gif";
}

fs::path ToolMadeDir() {
    static const fs::path dir = BuildDir() / "tool-made";
    static const bool made = MakeFolderWithTool(
        "sh " + ShellQuote(PLINTHAR_SOURCE_DIR "/tests/imaging/make_test_gifs.sh") +
            " @OUT@ >@OUT@/log.txt 2>&1",
        dir.string());
    return made ? dir : fs::path();
}

struct Reference {
    bool failed = false;             // ImageMagick refused the file
    std::vector<std::string> frames; // raw RGB of each frame
    std::vector<std::string> info;   // "w h x y delay" of each frame
};

// ImageMagick's frames of file: each frame's own rectangle (not composed).
Reference ReferenceOf(const fs::path& file) {
    // Keyed by path and content, so a remade file gets a fresh reference.
    uint64_t hash = 14695981039346656037ull;
    for (uint8_t b : ReadWholeFile(file.string()))
        hash = (hash ^ b) * 1099511628211ull;
    std::string key = file.string() + "-" + std::to_string(hash);
    std::replace(key.begin(), key.end(), '/', '_');
    const fs::path dir = BuildDir() / "reference" / key;
    // ImageMagick refusing the file is a result, kept as the file "failed".
    MakeFolderWithTool(std::string("MAGICK_THREAD_LIMIT=1 ") + kConvert + " " +
                           ShellQuote(file.string()) + " +adjoin -depth 8 rgb:@OUT@/f-%d.rgb" +
                           " 2>@OUT@/err.txt || touch @OUT@/failed; " + kIdentify +
                           " -format '%w %h %X %Y %T\\n' " + ShellQuote(file.string()) +
                           " >@OUT@/info.txt 2>/dev/null || true",
                       dir.string());
    Reference ref;
    ref.failed = fs::exists(dir / "failed");
    for (int k = 0;; ++k) {
        fs::path p = dir / ("f-" + std::to_string(k) + ".rgb");
        if (!fs::exists(p)) break;
        auto bytes = ReadWholeFile(p.string());
        ref.frames.emplace_back(bytes.begin(), bytes.end());
    }
    std::ifstream info(dir / "info.txt");
    for (std::string line; std::getline(info, line);)
        ref.info.push_back(line);
    return ref;
}

GifFrames DecodeFile(const fs::path& file) {
    CodecFile f;
    GifFrames r;
    if (!codec_open(&f, codec_default_io(), file.c_str())) {
        r.endCode = -1;
        return r;
    }
    r = ReadGifFrames(&f, file.c_str());
    codec_close(&f);
    return r;
}

std::string InfoOf(const CodecHeader& h) {
    std::ostringstream s;
    s << h.width << ' ' << h.height << ' ' << '+' << h.left << ' ' << '+' << h.top << ' '
      << h.delay;
    return s.str();
}

// Files on which this reader's defined behaviour differs from ImageMagick's.
struct Divergence {
    const char* name;
    size_t frames;
    int endCode;
    bool imageMagickReads;
};
const Divergence kDivergences[] = {
    // Minimum code size 1 is outside 2..9 (giflib's gif2rgb refuses it too).
    {"set_hsts.gif", 0, 1102, true},
    // Broken files ImageMagick refuses as well: a code size out of range, an
    // image larger than the rest of the file could fill (6), or too few bytes
    // after the image descriptor to hold one code (7).
    {"issue-117-out-of-range.gif", 0, 1102, false},
    {"issue-96-small-codesize.gif", 0, 1102, false},
    {"issue-96-small-codesize-2.gif", 0, 6, false},
    {"issue-101-infinite-empty-loop.gif", 0, 1102, false},
    {"decompression_bomb.gif", 0, 7, false},
    {"zero_width.gif", 0, 7, false},
};

void CompareWithReference(const fs::path& file) {
    SCOPED_TRACE(file.string());
    GifFrames ours = DecodeFile(file);
    Reference ref = ReferenceOf(file);
    for (const Divergence& d : kDivergences) {
        if (file.filename() != d.name) continue;
        EXPECT_EQ(ours.frames.size(), d.frames);
        EXPECT_EQ(ours.endCode, d.endCode);
        EXPECT_EQ(!ref.failed && !ref.frames.empty(), d.imageMagickReads);
        return;
    }
    ASSERT_FALSE(ref.failed) << "ImageMagick refused the file";
    EXPECT_EQ(ours.endCode, 1101) << codec_error_text(ours.endCode);
    ASSERT_EQ(ours.frames.size(), ref.frames.size());
    ASSERT_EQ(ref.info.size(), ref.frames.size());
    for (size_t k = 0; k < ours.frames.size(); ++k) {
        const GifFrame& fr = ours.frames[k];
        EXPECT_EQ(InfoOf(fr.header), ref.info[k]) << "frame " << k;
        auto rgb = GifFrameRgb(fr);
        ASSERT_EQ(rgb.size(), ref.frames[k].size()) << "frame " << k;
        size_t bad = 0;
        for (size_t i = 0; i < rgb.size(); ++i)
            bad += rgb[i] != uint8_t(ref.frames[k][i]);
        EXPECT_EQ(bad, 0u) << "frame " << k << ": bytes differing";
    }
}

class GifCorpus : public ::testing::TestWithParam<const char*> {};

TEST_P(GifCorpus, EveryFrameMatchesImageMagick) {
    const fs::path dir = testsupport::TestData(GetParam());
    if (!fs::exists(dir)) GTEST_SKIP() << "test data absent: " << dir;
    if (!fs::exists(kConvert)) GTEST_SKIP() << "ImageMagick absent";
    auto files = FilesUnder(dir, ".gif");
    ASSERT_FALSE(files.empty());
    for (const auto& f : files)
        CompareWithReference(f);
}

INSTANTIATE_TEST_SUITE_P(Shared, GifCorpus,
                         ::testing::Values("gif/peterdn-gif-test-suite", "gif/image-rs-image-gif",
                                           "gif/image-rs-image", "gif/pillow", "generated/gif"),
                         [](const auto& info) {
                             std::string n = info.param;
                             std::replace_if(
                                 n.begin(), n.end(), [](char c) { return !isalnum(c); }, '_');
                             return n;
                         });

class ToolMade : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(kConvert) || !fs::exists("/usr/bin/gifsicle"))
            GTEST_SKIP() << "ImageMagick or gifsicle absent";
        dir_ = ToolMadeDir();
        ASSERT_FALSE(dir_.empty());
    }
    GifFrames Decode(const char* name) { return DecodeFile(dir_ / name); }
    fs::path dir_;
};

TEST_F(ToolMade, EveryFrameMatchesImageMagick) {
    auto files = FilesUnder(dir_, ".gif");
    ASSERT_GE(files.size(), 20u);
    for (const auto& f : files)
        CompareWithReference(f);
}

TEST_F(ToolMade, TableSizesGiveDepths) {
    const std::map<int, int> bppOf = {{2, 1}, {4, 4}, {8, 4}, {16, 4}, {32, 8}, {256, 8}};
    for (auto [entries, bpp] : bppOf) {
        std::string name = "table" + std::to_string(entries) + ".gif";
        auto r = Decode(name.c_str());
        ASSERT_EQ(r.frames.size(), 1u) << name;
        EXPECT_EQ(r.frames[0].header.bpp, bpp) << name;
        const auto& pal = r.frames[0].palette;
        for (size_t i = size_t(3 * entries); i < pal.size(); ++i)
            ASSERT_EQ(pal[i], 128) << name;
    }
}

TEST_F(ToolMade, DisposalMethodsAndTransparency) {
    auto r = Decode("disposal.gif");
    ASSERT_EQ(r.frames.size(), 8u);
    EXPECT_EQ(r.frames[0].header.controlFlags, 0);
    for (int k = 1; k < 8; ++k) {
        EXPECT_EQ((r.frames[size_t(k)].header.controlFlags >> 2) & 7, k) << k;
        EXPECT_EQ(r.frames[size_t(k)].header.transparentIndex, -1) << k;
        EXPECT_EQ(r.frames[size_t(k)].header.left, k);
        EXPECT_EQ(r.frames[size_t(k)].header.top, 2 * k);
    }
    auto t = Decode("transparent-gifsicle.gif");
    ASSERT_EQ(t.frames.size(), 8u);
    for (const auto& fr : t.frames) {
        ASSERT_GE(fr.header.transparentIndex, 0);
        const uint8_t* e = &fr.palette[size_t(3 * fr.header.transparentIndex)];
        EXPECT_EQ(e[0] == 255 && e[1] == 255 && e[2] == 0, true);
        EXPECT_EQ(fr.header.controlFlags & 1, 1);
    }
}

TEST_F(ToolMade, LocalTablesAndManyFrames) {
    auto loc = Decode("local-tables.gif");
    ASSERT_EQ(loc.frames.size(), 3u);
    EXPECT_EQ(loc.frames[0].header.bpp, 4);
    EXPECT_EQ(loc.frames[1].header.bpp, 8);
    EXPECT_EQ(loc.frames[2].header.bpp, 4);
    auto many = Decode("frames150.gif");
    ASSERT_EQ(many.frames.size(), 150u);
    int localTables = 0;
    for (int k = 0; k < 150; ++k) {
        const CodecHeader& h = many.frames[size_t(k)].header;
        EXPECT_EQ(h.delay, k % 7 + 1) << k;
        EXPECT_EQ(h.left, k % 13) << k;
        localTables += h.bpp == 8; // the global table has 64 entries
    }
    EXPECT_GE(localTables, 40);
    EXPECT_EQ(many.endCode, 1101);
}

} // namespace
