// Decoder behaviour: exact seeking, CRC failures, caller-supplied readers, output
// capacity, error texts.
#include "sound/mpeg/mpeg_audio.h"
#include "tests/sound/mpeg/mpeg_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const std::string kVectors = std::string(PLINTHAR_TESTDATA) + "/mpeg-audio/minimp3-vectors/";
const std::string kGenerated = std::string(PLINTHAR_TESTDATA) + "/generated/mpeg-audio/";

std::vector<uint8_t> LoadOrSkip(const std::string& path) {
    return FileExists(path) ? ReadFileBytes(path) : std::vector<uint8_t>();
}

std::vector<uint8_t> LayerOneStream(int frames, bool protect = false) {
    std::vector<uint8_t> s;
    for (int i = 0; i < frames; ++i) {
        const std::vector<uint8_t> f = LayerOneFrame(1 + i % 13, protect);
        s.insert(s.end(), f.begin(), f.end());
    }
    return s;
}

// After SeekFrame(n) the decoder yields exactly what an uninterrupted decode yields
// from frame n on, whichever way the seek goes.
void CheckSeeks(const std::vector<uint8_t>& bytes, const std::vector<uint32_t>& targets) {
    const Decoded all = DecodeAll(bytes);
    ASSERT_EQ(all.open, kMpegOk);
    MpegMemorySource src(bytes.data(), bytes.size());
    MpegDecoder dec;
    ASSERT_EQ(dec.Open(&src), kMpegOk);
    std::vector<int16_t> frame(kMpegMaxFrameSamples * kMpegMaxChannels);
    for (uint32_t n : targets) {
        ASSERT_EQ(dec.SeekFrame(n), kMpegOk) << n;
        EXPECT_EQ(dec.frameNumber(), int32_t(n));
        for (uint32_t k = n; k < std::min<uint32_t>(n + 3, uint32_t(all.frames)); ++k) {
            int samples;
            ASSERT_EQ(dec.DecodeFrame(frame.data(), frame.size(), &samples), kMpegOk);
            const size_t count = size_t(samples) * size_t(all.channels);
            ASSERT_EQ(all.frameStart[k] + count,
                      k + 1 < all.frameStart.size() ? all.frameStart[k + 1] : all.pcm.size());
            EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + long(count),
                                   all.pcm.begin() + long(all.frameStart[k])))
                << "seek to " << n << ", frame " << k;
        }
    }
}

TEST(MpegSeek, LayerOneLandsOnTheExactFrame) {
    CheckSeeks(LayerOneStream(40), {0, 10, 3, 39, 25, 1, 2, 38});
}

TEST(MpegSeek, TestStreamsOfEveryLayer) {
    struct Case {
        std::string path;
        std::vector<uint32_t> targets;
    } cases[] = {
        {kVectors + "l1-fl8.bit", {20, 5, 0, 40}},
        {kVectors + "l2-fl12.bit", {30, 2, 47, 11}},
        {kGenerated + "l3_44k_cbr128.mp3", {60, 7, 100, 1, 0}},   // 44.1 kHz: padded frames
        {kGenerated + "l3_44k_vbr_v2_xing.mp3", {90, 15, 50, 3}}, // variable frame lengths
        {kGenerated + "l3_mpeg2_22k_cbr64.mp3", {70, 20, 110}},
        {kVectors + "l3-si_block.bit", {40, 10, 60}},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = LoadOrSkip(c.path);
        if (bytes.empty()) GTEST_SKIP() << "test data absent: " << c.path;
        SCOPED_TRACE(c.path);
        CheckSeeks(bytes, c.targets);
    }
}

TEST(MpegSeek, BeyondTheEndFailsAndEndsTheStream) {
    const std::vector<uint8_t> bytes = LayerOneStream(10);
    MpegMemorySource src(bytes.data(), bytes.size());
    MpegDecoder dec;
    ASSERT_EQ(dec.Open(&src), kMpegOk);
    EXPECT_EQ(dec.SeekFrame(10), kMpegErrSeek);
    std::vector<int16_t> frame(kMpegMaxFrameSamples);
    int samples;
    EXPECT_EQ(dec.DecodeFrame(frame.data(), frame.size(), &samples), kMpegEndOfStream);
    EXPECT_EQ(samples, 0);
    // A seek back makes the stream usable again.
    EXPECT_EQ(dec.SeekFrame(9), kMpegOk);
    EXPECT_EQ(dec.DecodeFrame(frame.data(), frame.size(), &samples), kMpegOk);
    EXPECT_EQ(dec.DecodeFrame(frame.data(), frame.size(), &samples), kMpegEndOfStream);
}

TEST(MpegEdges, RealStreamsWithJunkAheadAndACutEnd) {
    const std::string paths[] = {kGenerated + "l3_44k_cbr128.mp3",
                                 kGenerated + "l2_44k_192_stereo.mp2", kVectors + "l1-fl2.bit",
                                 kVectors + "M2L3_compl24.bit"};
    for (const std::string& path : paths) {
        const std::vector<uint8_t> bytes = LoadOrSkip(path);
        if (bytes.empty()) GTEST_SKIP() << "test data absent: " << path;
        SCOPED_TRACE(path);
        const Decoded plain = DecodeAll(bytes);
        ASSERT_EQ(plain.open, kMpegOk);
        // Three bytes of junk: the same samples.
        std::vector<uint8_t> junk = {0x00, 0xFF, 0xEE};
        junk.insert(junk.end(), bytes.begin(), bytes.end());
        EXPECT_EQ(DecodeAll(junk).pcm, plain.pcm);
        // The last frame cut short: one frame less, the rest unchanged.
        std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 20);
        const Decoded shorter = DecodeAll(cut);
        ASSERT_EQ(shorter.frames, plain.frames - 1);
        EXPECT_TRUE(std::equal(shorter.pcm.begin(), shorter.pcm.end(), plain.pcm.begin()));
    }
}

bool AllZero(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
        if (pcm[i]) return false;
    return true;
}

TEST(MpegCrc, LayerOneFrameWithWrongChecksumIsSilent) {
    std::vector<uint8_t> bytes = LayerOneStream(6, true);
    const Decoded good = DecodeAll(bytes);
    ASSERT_EQ(good.frames, 6);
    const size_t frameBytes = bytes.size() / 6;
    bytes[3 * frameBytes + 4] ^= 0x01; // stored checksum of frame 3
    const Decoded bad = DecodeAll(bytes);
    ASSERT_EQ(bad.frames, 6);
    EXPECT_FALSE(AllZero(good.pcm, good.frameStart[3], good.frameStart[4]));
    EXPECT_TRUE(AllZero(bad.pcm, bad.frameStart[3], bad.frameStart[4]));
    EXPECT_TRUE(
        std::equal(bad.pcm.begin(), bad.pcm.begin() + long(bad.frameStart[3]), good.pcm.begin()));
}

// Corrupts the stored checksum of frame k of a protected constant-bitrate 48 kHz stream
// (frames of equal length): that frame is silent, the frames before are untouched, and
// once the filters have caught up the output is the same again.
void CheckProtectedStream(const std::string& path, int k, size_t frameLength) {
    std::vector<uint8_t> bytes = LoadOrSkip(path);
    if (bytes.empty()) GTEST_SKIP() << "test data absent: " << path;
    const Decoded good = DecodeAll(bytes);
    ASSERT_EQ(good.open, kMpegOk);
    const size_t pos = size_t(k) * frameLength;
    ASSERT_LT(pos + 6, bytes.size());
    ASSERT_EQ(bytes[pos], 0xFF);
    ASSERT_EQ(bytes[pos + 1] & 1, 0) << "not a protected frame";
    bytes[pos + 5] ^= 0x40;
    const Decoded bad = DecodeAll(bytes);
    ASSERT_EQ(bad.frames, good.frames);
    EXPECT_FALSE(AllZero(good.pcm, good.frameStart[size_t(k)], good.frameStart[size_t(k) + 1]));
    EXPECT_TRUE(AllZero(bad.pcm, bad.frameStart[size_t(k)], bad.frameStart[size_t(k) + 1]));
    EXPECT_TRUE(std::equal(bad.pcm.begin(), bad.pcm.begin() + long(bad.frameStart[size_t(k)]),
                           good.pcm.begin()));
    const size_t after = good.frameStart[size_t(k) + 3];
    EXPECT_TRUE(
        std::equal(bad.pcm.begin() + long(after), bad.pcm.end(), good.pcm.begin() + long(after)));
}

TEST(MpegCrc, LayerTwoFrameWithWrongChecksumIsSilent) {
    CheckProtectedStream(kGenerated + "l2_48k_384_dual_crc.mp2", 20, 1152);
}

TEST(MpegCrc, LayerThreeFrameWithWrongChecksumIsSilent) {
    CheckProtectedStream(kGenerated + "l3_48k_cbr320_joint_crc.mp3", 30, 960);
}

// A reader that serves bytes through ReadAt as a file would, counting the calls.
class CountingReader : public MpegSource {
  public:
    explicit CountingReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    size_t ReadAt(uint64_t offset, void* out, size_t n) override {
        ++reads;
        if (offset >= bytes_.size()) return 0;
        const size_t count = std::min<uint64_t>(n, bytes_.size() - offset);
        std::memcpy(out, bytes_.data() + offset, count);
        return count;
    }
    uint64_t Size() override { return bytes_.size(); }
    int reads = 0;

  private:
    const std::vector<uint8_t>& bytes_;
};

TEST(MpegSource, ReaderGivesTheSameSamplesAsMemory) {
    std::vector<uint8_t> bytes = {0x00, 0x11, 0x22}; // junk slides through the read-ahead
    const std::vector<uint8_t> stream = LayerOneStream(500);
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    CountingReader reader(bytes);
    const Decoded viaReader = DecodeAll(&reader);
    const Decoded viaMemory = DecodeAll(bytes);
    EXPECT_EQ(viaReader.frames, 500);
    EXPECT_EQ(viaReader.pcm, viaMemory.pcm);
    // Reads are buffered: far fewer reads than frames, let alone bytes.
    EXPECT_LT(reader.reads, 20);
}

TEST(MpegDecoder, TooSmallOutputIsRefusedWithoutLosingTheFrame) {
    const std::vector<uint8_t> bytes = LayerOneStream(3);
    MpegMemorySource src(bytes.data(), bytes.size());
    MpegDecoder dec;
    ASSERT_EQ(dec.Open(&src), kMpegOk);
    std::vector<int16_t> frame(kMpegMaxFrameSamples);
    int samples = -1;
    EXPECT_EQ(dec.DecodeFrame(frame.data(), 383, &samples), kMpegErrOutput);
    EXPECT_EQ(samples, 0);
    EXPECT_EQ(dec.frameNumber(), 0);
    EXPECT_EQ(dec.DecodeFrame(frame.data(), 384, &samples), kMpegOk);
    EXPECT_EQ(samples, 384);
    EXPECT_EQ(dec.frameNumber(), 1);
}

TEST(MpegDecoder, PropertiesBeforeAndAfterOpen) {
    MpegDecoder dec;
    EXPECT_EQ(dec.sampleRate(), 0);
    EXPECT_EQ(dec.frameNumber(), -1);
    EXPECT_EQ(dec.SeekFrame(0), kMpegErrSeek);
    const std::vector<uint8_t> bytes = LayerOneStream(2);
    MpegMemorySource src(bytes.data(), bytes.size());
    ASSERT_EQ(dec.Open(&src), kMpegOk);
    EXPECT_EQ(dec.sampleRate(), 32000);
    EXPECT_EQ(dec.channels(), 1);
    EXPECT_EQ(dec.layer(), 1);
    EXPECT_EQ(dec.samplesPerFrame(), 384);
    EXPECT_EQ(dec.highestFrame(), 0);
}

TEST(MpegDecoder, ErrorTextsOfTheFixedNumbers) {
    struct Case {
        int code;
        const char* text;
    } cases[] = {
        {264, "No memory"},
        {274, "Fail to seek"},
        {296, "Invalid file"},
        {348, "Cannot create bitstream"},
        {349, "Cannot write to output buffer"},
        {0, ""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(MpegErrorText(c.code), c.text) << c.code;
}

TEST(MpegDecoder, ClipsToSixteenBits) {
    // The largest scale factor with full-scale codewords in subband 0 overdrives the
    // synthesis; the output saturates instead of wrapping.
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 4; ++i) {
        const std::vector<uint8_t> f = LayerOneFrame(20); // scale factor index 0: 2.0
        bytes.insert(bytes.end(), f.begin(), f.end());
    }
    const Decoded d = DecodeAll(bytes);
    ASSERT_EQ(d.frames, 4);
    int16_t lo = 0, hi = 0;
    for (int16_t v : d.pcm) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_EQ(hi, 32767);
    EXPECT_EQ(lo, -32768);
}

} // namespace
