// Every animated GIF of the shared corpus and animations made here by gifsicle
// the way it optimises by default: after each frame the animation canvas equals
// ImageMagick's composed frame (-coalesce).  Where ImageMagick shows a pixel,
// the canvas shows the same colour; where it shows nothing, the canvas holds its
// see-through colour (when the first frame has one; otherwise nothing can show
// through and the pixel is not compared).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "imaging/dib_image.h"
#include "saver/animation/animation_canvas.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using testsupport::FilesUnder;
using testsupport::MakeFolderWithTool;
using testsupport::ShellQuote;

namespace {

const char* const kConvert = "/usr/bin/convert";

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Loaded {
    std::vector<saver::AnimationFrame> frames;
    int width = 0, height = 0;
    bool seeThrough = false;
    uint32_t key = 0;
    // A frame without a graphic control extension takes the screen's background
    // index as its transparent index (the reader's rule for such files); other
    // decoders draw those pixels, so such files are not compared.
    bool backgroundIsTransparent = false;
};

// The frames as the saver's sprite reads them: through CDibImage, at most 100.
Loaded Load(const fs::path& file) {
    Loaded r;
    CDibImage image;
    for (int k = 0; k < 100 && image.LoadFrame(file.c_str(), k); ++k) {
        if (k == 0) {
            r.width = image.screenWidth;
            r.height = image.screenHeight;
            r.seeThrough = image.transparentIndex >= 0;
            r.key = saver::CanvasPixelOf(r.seeThrough ? image.transparentColor
                                                      : uint32_t(image.header->backgroundColor));
        }
        saver::AnimationFrame f;
        if (!saver::FrameFromImage(image, f)) break;
        if (f.transparentIndex >= 0 && !(f.flags & 1)) r.backgroundIsTransparent = true;
        r.frames.push_back(std::move(f));
    }
    return r;
}

// Composes the animation and compares each step with ImageMagick's frame;
// returns the number of frames compared.
size_t CompareWithCoalesce(const fs::path& file, const fs::path& refRoot) {
    SCOPED_TRACE(file.string());
    Loaded ours = Load(file);
    // Not an animation (the slideshow shows it), or not comparable.
    if (ours.frames.size() < 2 || ours.backgroundIsTransparent) return 0;
    std::string key = file.string();
    std::replace(key.begin(), key.end(), '/', '_');
    const fs::path dir = refRoot / key;
    // On some damaged files convert exits with 1 having written the frames it
    // could read (frames out of the screen's bounds): those are compared.
    MakeFolderWithTool(std::string("MAGICK_THREAD_LIMIT=1 ") + kConvert + " " +
                           ShellQuote(file.string()) +
                           " -coalesce +adjoin -depth 8 rgba:@OUT@/f-%d.rgba || true",
                       dir.string());
    saver::AnimationCanvas canvas;
    EXPECT_TRUE(canvas.Reset(ours.width, ours.height, ours.key));
    size_t compared = 0;
    for (size_t k = 0; k < ours.frames.size(); ++k) {
        std::string ref = ReadAll(dir / ("f-" + std::to_string(k) + ".rgba"));
        if (ref.empty()) break;
        ref.resize(size_t(ours.width) * size_t(ours.height) * 4);
        canvas.Compose(ours.frames, int(k));
        const std::vector<uint32_t>& px = canvas.Pixels();
        size_t wrong = 0, firstWrong = 0;
        for (size_t i = 0; i < px.size(); ++i) {
            const uint8_t* q = reinterpret_cast<const uint8_t*>(&ref[4 * i]);
            bool ok;
            if (q[3] == 0)
                ok = !ours.seeThrough || px[i] == ours.key;
            else
                ok = px[i] == (uint32_t(q[0]) << 16 | uint32_t(q[1]) << 8 | q[2]);
            if (!ok && wrong++ == 0) firstWrong = i;
        }
        EXPECT_EQ(wrong, 0u) << "frame " << k << ", first at x " << firstWrong % size_t(ours.width)
                             << " y " << firstWrong / size_t(ours.width);
        ++compared;
    }
    return compared;
}

const fs::path kBuild = fs::path(PLINTHAR_BINARY_DIR) / "saver-animation";

TEST(AnimationReference, CorpusAnimationsMatchImageMagick) {
    if (!fs::exists(kConvert)) GTEST_SKIP() << "ImageMagick absent";
    const char* const corpora[] = {"gif/peterdn-gif-test-suite", "gif/image-rs-image-gif",
                                   "gif/image-rs-image", "gif/pillow", "generated/gif"};
    size_t files = 0, frames = 0;
    for (const char* corpus : corpora) {
        const fs::path dir = testsupport::TestData(corpus);
        for (const fs::path& f : FilesUnder(dir, ".gif")) {
            size_t n = CompareWithCoalesce(f, kBuild / "corpus");
            files += n > 0;
            frames += n;
        }
    }
    if (files == 0) GTEST_SKIP() << "no animated GIF in the shared test data";
    RecordProperty("animations", int(files));
    RecordProperty("frames", int(frames));
}

TEST(AnimationReference, GifsicleAnimationsMatchImageMagick) {
    if (!fs::exists(kConvert) || !fs::exists("/usr/bin/gifsicle"))
        GTEST_SKIP() << "ImageMagick or gifsicle absent";
    const fs::path made = kBuild / "gifsicle";
    ASSERT_TRUE(MakeFolderWithTool(
        "sh " + ShellQuote(PLINTHAR_SOURCE_DIR "/tests/saver/animation/make_animations.sh") +
            " @OUT@ >@OUT@/log.txt 2>&1",
        made.string()));
    const char* const names[] = {"whole.gif",
                                 "o1.gif",
                                 "o2.gif",
                                 "o3.gif",
                                 "disposal-background.gif",
                                 "disposal-previous.gif",
                                 "disposal-previous-o2.gif",
                                 "disposal-background-o3.gif",
                                 "local-tables.gif",
                                 "local-tables-o3.gif",
                                 "local-tables-previous.gif"};
    for (const char* name : names)
        EXPECT_GE(CompareWithCoalesce(made / name, kBuild / "reference"), 5u) << name;
}

} // namespace
