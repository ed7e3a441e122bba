// Accuracy against decoders nobody here wrote: the compliance streams with their
// reference output, the shared streams with mpg123's, and streams made now with lame
// and twolame, decoded now with mpg123.  Bound: RMS difference below 0.289 of a 16-bit
// step (ISO/IEC 11172-4 full accuracy) and no sample more than one step off.
#include "sound/mpeg/mpeg_audio.h"
#include "tests/sound/mpeg/mpeg_test_util.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using testsupport::MakeWithTool;
using testsupport::ShellQuote;

namespace {

const std::string kVectors = std::string(PLINTHAR_TESTDATA) + "/mpeg-audio/minimp3-vectors/";
const std::string kGenerated = std::string(PLINTHAR_TESTDATA) + "/generated/mpeg-audio/";
constexpr double kMaxRms = 0.289;
constexpr int kMaxDiff = 1;

// Decodes path and compares with ref.  Layer I/II references may run longer than the
// decodable output and Layer III ones may lack up to two frames at the start, so the
// comparison covers the overlap, which must hold all of the shorter side but two frames.
void CheckAgainst(const std::string& path, const std::vector<int16_t>& ref) {
    const Decoded d = DecodeAll(ReadFileBytes(path));
    ASSERT_EQ(d.open, kMpegOk) << path;
    const int spf =
        int(d.frameStart.size() > 1 ? (d.frameStart[1] - d.frameStart[0]) / size_t(d.channels)
                                    : d.pcm.size() / size_t(d.channels));
    const Comparison c = Compare(d.pcm, ref, d.channels, spf);
    const size_t shorter = std::min(d.pcm.size(), ref.size());
    EXPECT_GE(c.compared + size_t(2 * spf * d.channels), shorter) << path;
    EXPECT_LT(c.rms, kMaxRms) << path;
    EXPECT_LE(c.maxDiff, kMaxDiff) << path;
}

class ComplianceStream : public ::testing::TestWithParam<const char*> {};

TEST_P(ComplianceStream, MatchesReferenceOutput) {
    const std::string bit = kVectors + GetParam() + ".bit";
    if (!FileExists(bit)) GTEST_SKIP() << "test data absent: " << bit;
    CheckAgainst(bit, ReadPcm(kVectors + GetParam() + ".pcm"));
}

INSTANTIATE_TEST_SUITE_P(
    Layers, ComplianceStream,
    ::testing::Values("l1-fl1", "l1-fl2", "l1-fl3", "l1-fl4", "l1-fl5", "l1-fl6", "l1-fl7",
                      "l1-fl8", "l2-fl10", "l2-fl11", "l2-fl12", "l2-fl13", "l2-fl14", "l2-fl15",
                      "l2-fl16", "l2-test32", "l3-compl", "l3-he_32khz", "l3-he_44khz",
                      "l3-he_48khz", "l3-hecommon", "l3-si", "l3-si_block", "l3-si_huff",
                      "l3-sin1k0db", "l3-test45", "l3-test46", "M2L3_bitrate_16_all",
                      "M2L3_bitrate_22_all", "M2L3_bitrate_24_all", "M2L3_compl24", "M2L3_noise",
                      "ILL2_layer1", "ILL2_layer3", "ILL2_mono", "ILL2_dual", "ILL2_scf63",
                      "ILL2_overalloc1", "ILL4_wrongcrc", "l3-nonstandard-he_44_48khz",
                      "l3-nonstandard-id3v2", "l3-nonstandard-id3v1-apetag"),
    [](const ::testing::TestParamInfo<const char*>& p) {
        std::string name = p.param;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(ComplianceStreams, UnsupportedOnesAreRefusedOrSkipped) {
    struct Case {
        const char* name;
        int open;
    } cases[] = {
        // Free format has no frame length in its header.
        {"l3-he_free", kMpegErrInvalidFile},
        {"l2-nonstandard-free_format", kMpegErrInvalidFile},
        {"l3-nonstandard-small", kMpegErrInvalidFile},
        {"l3-nonstandard-id3v2-only", kMpegErrInvalidFile},
    };
    for (const Case& c : cases) {
        const std::string bit = kVectors + c.name + ".bit";
        if (!FileExists(bit)) GTEST_SKIP() << "test data absent: " << bit;
        EXPECT_EQ(DecodeAll(ReadFileBytes(bit)).open, c.open) << c.name;
    }
    // Headers that change between one and two channels are junk to a stream that began
    // with one channel: only the single-channel frames are decoded.
    const std::string mode = kVectors + "l3-he_mode.bit";
    const Decoded d = DecodeAll(ReadFileBytes(mode));
    ASSERT_EQ(d.open, kMpegOk);
    EXPECT_EQ(d.channels, 1);
    EXPECT_GT(d.frames, 10);
}

class SharedStream : public ::testing::TestWithParam<const char*> {};

TEST_P(SharedStream, MatchesMpg123) {
    const std::string stream = kGenerated + GetParam();
    if (!FileExists(stream)) GTEST_SKIP() << "test data absent: " << stream;
    const std::string ref = stream.substr(0, stream.rfind('.')) + ".mpg123-nogapless.s16le";
    CheckAgainst(stream, ReadPcm(ref));
}

INSTANTIATE_TEST_SUITE_P(Generated, SharedStream,
                         ::testing::Values("l2_32k_64_mono.mp2", "l2_44k_192_stereo.mp2",
                                           "l2_48k_256_joint.mp2", "l2_48k_384_dual_crc.mp2",
                                           "l2_mpeg2lsf_16k_64_mono.mp2", "l2_mpeg2lsf_24k_96.mp2",
                                           "l3_32k_cbr32_mono.mp3", "l3_44k_cbr128.mp3",
                                           "l3_44k_vbr_v2_xing.mp3", "l3_48k_cbr320_joint_crc.mp3",
                                           "l3_mpeg2_22k_cbr64.mp3"),
                         [](const ::testing::TestParamInfo<const char*>& p) {
                             std::string name = p.param;
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

// Streams encoded now.  Each case: encoder command (input and output appended), input
// rate and channels.
struct Encoding {
    const char* name;
    const char* command;
    int rate;
    int channels;
};

class EncodedNow : public ::testing::TestWithParam<Encoding> {};

TEST_P(EncodedNow, MatchesMpg123) {
    const Encoding& e = GetParam();
    const std::string tool = std::string(e.command).substr(0, std::string(e.command).find(' '));
    if (!HaveTool(tool) || !HaveTool("mpg123")) GTEST_SKIP() << tool << " or mpg123 missing";
    const std::string dir = std::string(PLINTHAR_BINARY_DIR) + "/mpeg_encoded";
    ASSERT_TRUE(fs::is_directory(dir) || fs::create_directories(dir));
    const std::string base = dir + "/" + e.name;
    const std::string wav = base + ".wav";
    const std::string out = base + (tool == "twolame" ? ".mp2" : ".mp3");
    const std::string pcm = base + ".s16";
    WriteTestWav(wav, e.rate, e.channels, 2.5);
    ASSERT_EQ(
        MakeWithTool(std::string(e.command) + " " + ShellQuote(wav) + " @OUT@ >/dev/null", out),
        out);
    ASSERT_EQ(MakeWithTool("mpg123 --no-gapless -q -s " + ShellQuote(out) + " >@OUT@", pcm), pcm);
    CheckAgainst(out, ReadPcm(pcm));
}

INSTANTIATE_TEST_SUITE_P(
    LameAndTwolame, EncodedNow,
    ::testing::Values(Encoding{"l3_16k_8_mono", "lame --silent --resample 16 -b 8 -m m", 16000, 1},
                      Encoding{"l3_22k_32_mono", "lame --silent -b 32 -m m", 22050, 1},
                      Encoding{"l3_24k_64_joint", "lame --silent -b 64 -m j", 24000, 2},
                      Encoding{"l3_22k_vbr_lsf", "lame --silent -V 5", 22050, 2},
                      Encoding{"l3_32k_96_mono", "lame --silent -b 96 -m m", 32000, 1},
                      Encoding{"l3_44k_128_joint", "lame --silent -b 128 -m j", 44100, 2},
                      Encoding{"l3_44k_192_stereo_crc", "lame --silent -b 192 -m s -p", 44100, 2},
                      Encoding{"l3_44k_vbr0", "lame --silent -V 0", 44100, 2},
                      Encoding{"l3_44k_vbr9_mono", "lame --silent -V 9 -m m", 44100, 1},
                      Encoding{"l3_48k_320_joint", "lame --silent -b 320 -m j", 48000, 2},
                      Encoding{"l3_48k_160_dual", "lame --silent -b 160 -m d", 48000, 2},
                      Encoding{"l2_44k_192_stereo", "twolame -b 192 -m s", 44100, 2},
                      Encoding{"l2_48k_256_joint_crc", "twolame -b 256 -m j -p", 48000, 2},
                      Encoding{"l2_32k_64_mono", "twolame -b 64 -m m", 32000, 1},
                      Encoding{"l2_44k_96_joint", "twolame -b 96 -m j", 44100, 2},
                      Encoding{"l2_24k_96_lsf", "twolame -b 96", 24000, 2},
                      Encoding{"l2_16k_32_lsf_mono_crc", "twolame -b 32 -m m -p", 16000, 1}),
    [](const ::testing::TestParamInfo<Encoding>& p) { return std::string(p.param.name); });

// Music files carry pictures and text in ID3v2 tags ahead of the stream; the
// samples must be those of the same stream without them.
TEST(TaggedStreams, CoverPicturesChangeNothing) {
    if (!HaveTool("lame") || !HaveTool("convert")) GTEST_SKIP() << "lame or convert missing";
    const std::string dir = std::string(PLINTHAR_BINARY_DIR) + "/mpeg_tagged";
    ASSERT_TRUE(fs::is_directory(dir) || fs::create_directories(dir));
    const std::string wav = dir + "/in.wav", plain = dir + "/plain.mp3";
    WriteTestWav(wav, 44100, 2, 2.0);
    ASSERT_EQ(MakeWithTool("lame --silent -b 128 " + ShellQuote(wav) + " @OUT@", plain), plain);
    const Decoded reference = DecodeAll(ReadFileBytes(plain));
    ASSERT_EQ(reference.open, kMpegOk);
    // A noisy PNG (its compressed data is full of chance syncs) and a JPEG with a
    // comment marker (FF FE).
    // Each: ImageMagick's arguments and the picture it writes.
    const struct {
        const char* arguments;
        const char* file;
    } pictures[] = {{"-size 400x400 plasma:fractal", "cover.png"},
                    {"-size 300x300 plasma:fractal -set comment cover", "cover.jpg"}};
    for (const auto& picture : pictures) {
        const std::string file = picture.file;
        SCOPED_TRACE(file);
        const std::string cover = dir + "/" + file;
        ASSERT_EQ(MakeWithTool("convert " + std::string(picture.arguments) + " @OUT@", cover),
                  cover);
        const std::string tagged = dir + "/tagged-" + file + ".mp3";
        ASSERT_EQ(MakeWithTool("lame --silent -b 128 --ti " + ShellQuote(cover) + " " +
                                   ShellQuote(wav) + " @OUT@",
                               tagged),
                  tagged);
        const Decoded d = DecodeAll(ReadFileBytes(tagged));
        ASSERT_EQ(d.open, kMpegOk);
        EXPECT_EQ(d.rate, 44100);
        EXPECT_EQ(d.pcm, reference.pcm);
    }
}

TEST(TaggedStreams, MpegTwoPointFiveFilesAreRefused) {
    for (const char* name : {"l3_mpeg25_8k_cbr16_mono.mp3", "l3_mpeg25_11k_cbr32.mp3"}) {
        const std::string path = kGenerated + name;
        if (!FileExists(path)) GTEST_SKIP() << "test data absent: " << path;
        EXPECT_EQ(DecodeAll(ReadFileBytes(path)).open, kMpegErrInvalidFile) << name;
    }
}

} // namespace
