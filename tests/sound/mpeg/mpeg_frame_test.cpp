// Frame headers, CRC, Huffman tables and the frame-level bitstream: sync search, header
// acceptance, frame count, truncation.
#include "sound/mpeg/mpeg_frame.h"
#include "sound/mpeg/mpeg_layer3_tables.h"
#include "tests/sound/mpeg/mpeg_test_util.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

uint32_t Header(int version, int layer, int bitrate, int freq, int pad, int mode,
                bool crc = false) {
    return 0xFFF00000u | uint32_t(version) << 19 | uint32_t(4 - layer) << 17 |
           (crc ? 0u : 1u << 16) | uint32_t(bitrate) << 12 | uint32_t(freq) << 10 |
           uint32_t(pad) << 9 | uint32_t(mode) << 6;
}

TEST(MpegHeader, FrameSizesFollowLayerVersionAndPadding) {
    struct Case {
        int version, layer, bitrate, freq, pad, mode;
        int frameSize, rate, kbps, samples;
    } cases[] = {
        // Layer I: (12 x bitrate / rate + padding) x 4 bytes, minus the header.
        {1, 1, 1, 2, 0, 3, 44, 32000, 32, 384},
        {1, 1, 14, 0, 1, 0, 4 * (12 * 448000 / 44100 + 1) - 4, 44100, 448, 384},
        // Layers II and III: 144 x bitrate / rate + padding.
        {1, 2, 14, 2, 1, 0, 1725, 32000, 384, 1152},
        {1, 3, 9, 0, 0, 1, 417 - 4, 44100, 128, 1152},
        {1, 3, 9, 0, 1, 1, 418 - 4, 44100, 128, 1152},
        {1, 3, 14, 1, 0, 0, 960 - 4, 48000, 320, 1152},
        // MPEG-2 Layer III frames hold 576 samples: half the length.
        {0, 3, 8, 0, 0, 1, 72 * 64000 / 22050 - 4, 22050, 64, 576},
        {0, 3, 1, 1, 0, 3, 24 - 4, 24000, 8, 576},
        // MPEG-2 Layer II keeps 1152 samples and the full 144 factor.
        {0, 2, 10, 1, 0, 0, 144 * 96000 / 24000 - 4, 24000, 96, 1152},
        {0, 2, 8, 2, 1, 3, 144 * 64000 / 16000 + 1 - 4, 16000, 64, 1152},
        // MPEG-2 Layer I.
        {0, 1, 14, 0, 0, 0, 4 * (12 * 256000 / 22050) - 4, 22050, 256, 384},
    };
    for (const Case& c : cases) {
        MpegFrameHeader h;
        ASSERT_TRUE(
            MpegParseHeader(Header(c.version, c.layer, c.bitrate, c.freq, c.pad, c.mode), &h));
        EXPECT_EQ(h.frameSize, c.frameSize) << c.layer << " " << c.kbps;
        EXPECT_EQ(h.sampleRate(), c.rate);
        EXPECT_EQ(h.bitrate(), c.kbps);
        EXPECT_EQ(h.samplesPerFrame(), c.samples);
        EXPECT_EQ(h.channels(), c.mode == 3 ? 1 : 2);
    }
}

TEST(MpegHeader, ReservedAndUnsupportedValuesAreRefused) {
    MpegFrameHeader h;
    EXPECT_FALSE(MpegParseHeader(Header(1, 3, 9, 3, 0, 0), &h));  // sampling frequency 3
    EXPECT_FALSE(MpegParseHeader(Header(1, 3, 15, 0, 0, 0), &h)); // bitrate 15
    EXPECT_FALSE(MpegParseHeader(Header(1, 3, 0, 0, 0, 0), &h));  // free format
    EXPECT_FALSE(MpegParseHeader(Header(1, 3, 9, 0, 0, 0) & ~(3u << 17), &h)); // layer 0
    EXPECT_FALSE(MpegParseHeader(Header(1, 3, 9, 0, 0, 0) & ~(1u << 20), &h)); // MPEG 2.5 sync
}

TEST(MpegHeader, LayerTwoSubbandsAndIntensityBound) {
    struct Case {
        int version, bitrate, freq, mode, ext;
        int subbands, bound;
    } cases[] = {
        {1, 10, 0, 0, 0, 30, 0},  // 192 kbit/s stereo at 44.1 kHz: 96 per channel
        {1, 10, 1, 1, 2, 27, 12}, // at 48 kHz
        {1, 8, 0, 1, 3, 27, 16},  // 64 per channel
        {1, 4, 2, 0, 0, 12, 0},   // 32 per channel at 32 kHz
        {1, 5, 0, 1, 3, 8, 8},    // 40 per channel at 44.1 kHz, bound capped
        {1, 2, 0, 3, 0, 8, 0},    // 48 kbit/s single channel
        {1, 4, 1, 3, 0, 27, 0},   // 64 kbit/s single channel at 48 kHz
        {0, 8, 0, 1, 1, 30, 8},   // MPEG-2: one table
    };
    for (const Case& c : cases) {
        MpegFrameHeader h;
        uint32_t word = Header(c.version, 2, c.bitrate, c.freq, 0, c.mode) | uint32_t(c.ext) << 4;
        ASSERT_TRUE(MpegParseHeader(word, &h));
        EXPECT_EQ(h.subbands, c.subbands) << c.bitrate;
        EXPECT_EQ(h.intensityBound, c.bound) << c.bitrate;
    }
}

TEST(MpegCrc, MatchesTheStandardPolynomial) {
    // CRC-16 (0x8005, initial 0xFFFF, no reflection) of "123456789" is 0xAEE7.
    const uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(MpegCrcBits(0xFFFF, text, 72), 0xAEE7);
    // Feeding in pieces continues the same register.
    EXPECT_EQ(MpegCrcBits(MpegCrcBits(0xFFFF, text, 32), text + 4, 40), 0xAEE7);
    EXPECT_EQ(MpegCrcBits(0xFFFF, text, 0), 0xFFFF);
}

TEST(MpegHuffman, EveryTableIsACompletePrefixCode) {
    auto check = [](const MpegHuffmanSource& t, int count, int table) {
        std::set<std::string> codes;
        double kraft = 0;
        for (int i = 0; i < count; ++i) {
            ASSERT_LT(t.code[i], 1u << t.length[i]) << table;
            std::string s;
            for (int b = t.length[i] - 1; b >= 0; --b)
                s += char('0' + ((t.code[i] >> b) & 1));
            codes.insert(s);
            kraft += 1.0 / double(1u << t.length[i]);
        }
        EXPECT_EQ(int(codes.size()), count) << table;
        EXPECT_DOUBLE_EQ(kraft, 1.0) << table;
        for (auto a = codes.begin(), b = std::next(a); b != codes.end(); ++a, ++b)
            EXPECT_NE(b->compare(0, a->size(), *a), 0) << "table " << table << " " << *a;
    };
    const int linbits[32] = {0, 0, 0, 0, 0, 0, 0,  0,  0, 0, 0, 0, 0, 0, 0,  0,
                             1, 2, 3, 4, 6, 8, 10, 13, 4, 5, 6, 7, 8, 9, 11, 13};
    for (int t = 0; t < 32; ++t) {
        EXPECT_EQ(kMpegPairTables[t].linbits, linbits[t]);
        if (kMpegPairTables[t].size)
            check(kMpegPairTables[t], kMpegPairTables[t].size * kMpegPairTables[t].size, t);
    }
    EXPECT_EQ(kMpegPairTables[4].size, 0);
    EXPECT_EQ(kMpegPairTables[14].size, 0);
    check(kMpegQuadTables[0], 16, 32);
    check(kMpegQuadTables[1], 16, 33);
}

std::vector<uint8_t> Stream(const std::vector<int>& levels) {
    std::vector<uint8_t> s;
    for (int level : levels) {
        const std::vector<uint8_t> f = LayerOneFrame(level);
        s.insert(s.end(), f.begin(), f.end());
    }
    return s;
}

TEST(MpegBitstream, JunkBeforeTheFirstFrameIsSkippedByteByByte) {
    const std::vector<uint8_t> clean = Stream({3, 5, 7, 9});
    std::vector<uint8_t> junk = {0x12, 0xFF, 0x34};
    junk.insert(junk.end(), clean.begin(), clean.end());
    const Decoded a = DecodeAll(clean);
    const Decoded b = DecodeAll(junk);
    ASSERT_EQ(a.open, kMpegOk);
    ASSERT_EQ(b.open, kMpegOk);
    EXPECT_EQ(b.frames, 4);
    EXPECT_EQ(a.pcm, b.pcm);
}

TEST(MpegBitstream, LaterHeaderWithAnotherSamplingRateIsJunk) {
    std::vector<uint8_t> s = Stream({3, 5});
    const std::vector<uint8_t> other = LayerOneFrame(6, false, 0); // 44.1 kHz
    s.insert(s.end(), other.begin(), other.end());
    const std::vector<uint8_t> tail = Stream({7, 9});
    s.insert(s.end(), tail.begin(), tail.end());
    const Decoded d = DecodeAll(s);
    ASSERT_EQ(d.open, kMpegOk);
    EXPECT_EQ(d.rate, 32000);
    EXPECT_EQ(d.frames, 4);
    EXPECT_EQ(d.pcm, DecodeAll(Stream({3, 5, 7, 9})).pcm);
}

TEST(MpegBitstream, LaterHeaderWithOtherChannelStateIsJunk) {
    std::vector<uint8_t> s = Stream({3});
    const std::vector<uint8_t> stereo = LayerOneFrame(6, false, 2, true);
    s.insert(s.end(), stereo.begin(), stereo.end());
    const std::vector<uint8_t> tail = Stream({7});
    s.insert(s.end(), tail.begin(), tail.end());
    const Decoded d = DecodeAll(s);
    EXPECT_EQ(d.channels, 1);
    EXPECT_EQ(d.frames, 2);
}

TEST(MpegBitstream, TruncatedLastFrameIsDropped) {
    std::vector<uint8_t> s = Stream({3, 5, 7});
    s.resize(s.size() - 10);
    const Decoded d = DecodeAll(s);
    ASSERT_EQ(d.open, kMpegOk);
    EXPECT_EQ(d.frames, 2);
    const Decoded full = DecodeAll(Stream({3, 5}));
    EXPECT_EQ(d.pcm, full.pcm);
}

TEST(MpegBitstream, FirstHeaderDecidesValidity) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int expected;
    } cases[] = {
        {"empty", {}, kMpegErrInvalidFile},
        {"no sync", std::vector<uint8_t>(100, 0x55), kMpegErrInvalidFile},
        {"reserved frequency", {0xFF, 0xFB, 0x9C, 0x40, 0, 0, 0, 0}, kMpegErrInvalidFile},
        {"free format", {0xFF, 0xFB, 0x00, 0x40, 0, 0, 0, 0}, kMpegErrInvalidFile},
        {"cut short", {0xFF, 0xFB, 0x90, 0x40, 0, 0, 0, 0}, kMpegErrInvalidFile},
        {"one frame", LayerOneFrame(4), kMpegOk},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeAll(c.bytes).open, c.expected) << c.name;
}

// An ID3v2 tag: header with the syncsafe size of body, the body, and for
// version 4 with the footer flag a 10-byte footer.
std::vector<uint8_t> Id3v2(int version, const std::vector<uint8_t>& body, bool footer = false) {
    const uint32_t n = uint32_t(body.size());
    std::vector<uint8_t> t = {'I',
                              'D',
                              '3',
                              uint8_t(version),
                              0,
                              uint8_t(footer ? 0x10 : 0),
                              uint8_t(n >> 21 & 0x7F),
                              uint8_t(n >> 14 & 0x7F),
                              uint8_t(n >> 7 & 0x7F),
                              uint8_t(n & 0x7F)};
    t.insert(t.end(), body.begin(), body.end());
    if (footer)
        t.insert(t.end(), {'3', 'D', 'I', uint8_t(version), 0, 0x10, t[6], t[7], t[8], t[9]});
    return t;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(MpegBitstream, ChanceSyncsAheadOfTheStreamAreNotItsFirstHeader) {
    const std::vector<uint8_t> clean = Stream({3, 5, 7, 9});
    const Decoded reference = DecodeAll(clean);
    ASSERT_EQ(reference.open, kMpegOk);
    // A usable-looking 44.1 kHz header in junk (as in a picture of a tag) whose
    // frame is not followed by another header: skipped, not taken.
    const uint32_t fake = Header(1, 1, 4, 0, 0, 3);
    std::vector<uint8_t> junk = {0x00, uint8_t(fake >> 24), uint8_t(fake >> 16), uint8_t(fake >> 8),
                                 uint8_t(fake)};
    junk.resize(600, 0x5A);
    // An unusable one (free format, as a JPEG comment marker FF FE 00 reads).
    junk.insert(junk.end(), {0xFF, 0xFE, 0x00, 0x10});
    const Decoded d = DecodeAll(Concat(junk, clean));
    ASSERT_EQ(d.open, kMpegOk);
    EXPECT_EQ(d.rate, 32000);
    EXPECT_EQ(d.pcm, reference.pcm);
}

TEST(MpegBitstream, Id3v2TagsAreSkippedWhatEverTheyHold) {
    const std::vector<uint8_t> clean = Stream({3, 5, 7});
    const Decoded reference = DecodeAll(clean);
    // Tag bodies holding whole frames of another sampling rate, twice in a row:
    // only the tag's length keeps them out.
    const std::vector<uint8_t> other = LayerOneFrame(8, false, 0);
    const std::vector<uint8_t> body = Concat(Concat({0, 0, 0}, other), other);
    for (const auto& tag : {Id3v2(3, body), Id3v2(4, body, true), Id3v2(2, {})}) {
        const Decoded d = DecodeAll(Concat(tag, clean));
        ASSERT_EQ(d.open, kMpegOk) << tag.size();
        EXPECT_EQ(d.rate, 32000) << tag.size();
        EXPECT_EQ(d.pcm, reference.pcm) << tag.size();
    }
    // A tag that claims more than the data holds is no tag: the search starts at 0.
    std::vector<uint8_t> bogus = {'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
    EXPECT_EQ(DecodeAll(Concat(bogus, clean)).pcm, reference.pcm);
}

TEST(MpegBitstream, AStreamOfOneFrameStillOpens) {
    const std::vector<uint8_t> one = LayerOneFrame(4);
    std::vector<uint8_t> v1 = {'T', 'A', 'G'};
    v1.resize(128, ' ');
    std::vector<uint8_t> ape = {'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X'};
    ape.resize(32, 0);
    for (const auto& bytes : {one, Concat(one, v1), Concat(Concat(one, ape), v1)}) {
        const Decoded d = DecodeAll(bytes);
        EXPECT_EQ(d.open, kMpegOk) << bytes.size();
        EXPECT_EQ(d.frames, 1) << bytes.size();
    }
}

TEST(MpegBitstream, MpegTwoPointFiveStreamsAreRefused) {
    // 11.025 kHz Layer III at 32 kbit/s: 72 * 32000 / 11025 = 208 bytes a frame.
    std::vector<uint8_t> frame = {0xFF, 0xE3, 0x40, 0x64};
    frame.resize(208, 0);
    EXPECT_EQ(DecodeAll(Concat(frame, frame)).open, kMpegErrInvalidFile);
    EXPECT_EQ(DecodeAll(frame).open, kMpegErrInvalidFile);
    // Full of bytes that look like MPEG-1 syncs: still refused, not misread.
    std::vector<uint8_t> busy = frame;
    for (size_t i = 8; i + 4 < busy.size(); i += 20)
        busy[i] = 0xFF, busy[i + 1] = 0xFD, busy[i + 2] = 0x46;
    EXPECT_EQ(DecodeAll(Concat(Concat(busy, busy), busy)).open, kMpegErrInvalidFile);
}

TEST(MpegBitstream, FrameCountEstimateAndExactCount) {
    const std::vector<uint8_t> s = Stream(std::vector<int>(100, 4));
    MpegMemorySource src(s.data(), s.size());
    MpegDecoder dec;
    ASSERT_EQ(dec.Open(&src), kMpegOk);
    // File size / (unpadded frame length + 1): 4800 / 49.
    EXPECT_EQ(dec.FrameCount(), 4800u / 49u);
    EXPECT_EQ(dec.LengthMs(), uint64_t(4800 / 49) * 384 * 1000 / 32000);
    EXPECT_EQ(dec.CountFrames(), 100u);
    // Counting keeps the position: decoding still starts at frame 0.
    EXPECT_EQ(dec.frameNumber(), 0);
    EXPECT_EQ(DecodeAll(s).frames, 100);
}

} // namespace
