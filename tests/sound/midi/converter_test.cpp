// Hand-made files for the cases real files rarely show: malformed input,
// buffer boundaries, long messages, timing rules and the preroll.
#include <gtest/gtest.h>

#include <memory>

#include "midi_test_util.h"

namespace {

const Bytes kNoteOn = {0x90, 60, 100};

int LoadResult(const Bytes& file) {
    MidiStreamConverter conv;
    return conv.Load(file.data(), file.size());
}

TEST(SmfRead, MalformedHeadersAndChunks) {
    Bytes good = Smf(0, 96, {Track(Cat({{0x00}, kNoteOn}))});
    Bytes hdrShort(good.begin(), good.begin() + 7);
    Bytes hdrLen5 = good;
    hdrLen5[7] = 5;
    Bytes hdrLenHuge = good;
    hdrLenHuge[4] = 0x7F;
    Bytes trackTooLong = good;
    trackTooLong[21] += 1; // MTrk length one past the file
    Bytes missingTrack = good;
    missingTrack[11] = 2;
    Bytes format3 = good;
    format3[9] = 3;
    Bytes division0 = good;
    division0[12] = division0[13] = 0;
    Bytes smpte23 = good;
    smpte23[12] = uint8_t(-23), smpte23[13] = 4;
    Bytes smpteNoTicks = good;
    smpteNoTicks[12] = uint8_t(-25), smpteNoTicks[13] = 0;
    Bytes notMidi = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E', 0, 0};

    struct Case {
        const char* name;
        const Bytes& file;
        int expected;
    } cases[] = {
        {"good", good, kMidiOk},
        {"empty", Bytes(), kMidiInvalidData},
        {"7 bytes", hdrShort, kMidiInvalidData},
        {"header length 5", hdrLen5, kMidiInvalidData},
        {"header past end", hdrLenHuge, kMidiInvalidData},
        {"track past end", trackTooLong, kMidiInvalidData},
        {"announced track missing", missingTrack, kMidiInvalidData},
        {"format 3", format3, kMidiUnsupported},
        {"division 0", division0, kMidiInvalidData},
        {"SMPTE -23", smpte23, kMidiUnsupported},
        {"SMPTE 0 ticks per frame", smpteNoTicks, kMidiInvalidData},
        {"RIFF WAVE", notMidi, kMidiInvalidData},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadResult(c.file), c.expected) << c.name;
    EXPECT_EQ(MidiResultToMciError(kMidiOk), 0);
    EXPECT_EQ(MidiResultToMciError(kMidiNoMemory), 264);
    for (int r : {kMidiInvalidData, kMidiCannotOpen, kMidiUnsupported})
        EXPECT_EQ(MidiResultToMciError(r), 296);
    for (int r : {int(kMidiWrongState), int(kMidiBufferTooSmall), 99})
        EXPECT_EQ(MidiResultToMciError(r), 274);
}

TEST(SmfRead, MalformedEventsAreCodeOne) {
    struct Case {
        const char* name;
        Bytes events;
    } cases[] = {
        {"data byte without running status", {0x00, 60, 100}},
        {"status byte where data belongs", {0x00, 0x90, 60, 0x90}},
        {"vlq of five bytes", {0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 100}},
        {"sysex longer than its track", {0x00, 0xF0, 0x10, 1, 2, 3}},
        {"meta type missing", {0x00, 0xFF}},
        {"delta without an event", {0x00, 0x90, 60, 100, 0x10}},
        {"tempo of two bytes", {0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1}},
        {"tempo of zero", {0x00, 0xFF, 0x51, 0x03, 0, 0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadResult(Smf(0, 96, {Track(c.events, false)})), kMidiInvalidData) << c.name;
    for (int status = 0xF1; status <= 0xFE; ++status) {
        if (status == 0xF7) continue;
        Bytes events = {0x00, uint8_t(status), 0x00, 0x00, 0x00};
        EXPECT_EQ(LoadResult(Smf(0, 96, {Track(events)})), kMidiInvalidData) << std::hex << status;
    }
}

TEST(SmfRead, VlqRunningPastTheTrackIsNotReadBeyondIt) {
    // The track is the very end of an allocation of exactly the file's size, so
    // a read past it would be caught by the address sanitizer.
    Bytes file = Smf(0, 96, {Track({0x00, 0x90, 60, 100, 0x81, 0x80}, false)});
    std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size()]);
    std::copy(file.begin(), file.end(), exact.get());
    MidiStreamConverter conv;
    EXPECT_EQ(conv.Load(exact.get(), file.size()), kMidiInvalidData);
    EXPECT_FALSE(conv.loaded());
    EXPECT_EQ(conv.Rewind(), kMidiWrongState);
}

TEST(SmfRead, RunningStatusAlienChunksAndTracksWithoutEnd) {
    // Running status survives meta and sysex events; an unknown chunk is passed
    // over; a track whose data stops between events simply ends.
    Bytes t1 = {0x00, 0x90, 60, 100, 0x10, 61,   100,  0x00, 0xFF, 0x01, 0x01,
                'x',  0x00, 62, 100, 0x00, 0xF0, 0x01, 0xF7, 0x00, 63,   100};
    Bytes alien = {'J', 'u', 'n', 'k', 0, 0, 0, 2, 0xAA, 0xBB};
    Bytes file = Smf(1, 96, {alien, Track(t1, false), Track({0x20, 0xC1, 5})});
    file[11] = 2; // two tracks: the alien chunk does not count
    MidiStreamConverter conv;
    ASSERT_EQ(conv.Load(file.data(), file.size()), kMidiOk);
    EXPECT_EQ(conv.TrackCount(), 2u);
    StreamRun run = RunStream(conv);
    ASSERT_EQ(run.result, kMidiOk);
    std::vector<Bytes> got;
    for (const SentMessage& m : run.messages)
        got.push_back(m.bytes);
    std::vector<Bytes> want = {{0x90, 60, 100}, {0x90, 61, 100}, {0x90, 62, 100},
                               {0xF0, 0xF7},    {0x90, 63, 100}, {0xC1, 5}};
    EXPECT_EQ(got, want);
    EXPECT_EQ(conv.LengthTicks(), 0x20u);
}

TEST(SmfRead, FormatTwoTracksPlayOneAfterAnother) {
    Bytes a = Track({0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0}); // ends at 96
    Bytes empty = Track({});                                   // no events
    Bytes b = Track({0x10, 0x91, 61, 100, 0x60, 0x81, 61, 0}); // 96 + 16 ...
    Bytes file = Smf(2, 96, {a, empty, b});
    MidiStreamConverter conv;
    ASSERT_EQ(conv.Load(file.data(), file.size()), kMidiOk);
    std::vector<std::pair<uint32_t, uint8_t>> got;
    SmfHeader h;
    std::vector<SmfTrack> tracks;
    ASSERT_EQ(ParseSmf(file.data(), file.size(), &h, &tracks), kMidiOk);
    SmfEventCursor walk(h, tracks);
    SmfEvent ev;
    while (walk.Next(&ev))
        if (ev.status < 0xF0) got.push_back({ev.tick, ev.status});
    std::vector<std::pair<uint32_t, uint8_t>> want = {
        {0, 0x90}, {96, 0x80}, {112, 0x91}, {208, 0x81}};
    EXPECT_EQ(got, want);
    EXPECT_EQ(conv.LengthTicks(), 208u);
}

TEST(TempoMap, DefaultsChangesAndSmpte) {
    Bytes plain = Smf(0, 96, {Track({0x60, 0x90, 60, 100})});
    MidiStreamConverter conv;
    ASSERT_EQ(conv.Load(plain.data(), plain.size()), kMidiOk);
    ASSERT_EQ(conv.TempoMap().size(), 1u);
    EXPECT_EQ(conv.TempoMap()[0].tempo, 500000u);
    EXPECT_EQ(conv.TickToMs(96), 500u);
    EXPECT_EQ(conv.MinimumDelta(), 1u); // 2 ms at 96 ticks per 0.5 s is 0.384 tick

    // First tempo at tick 192: a 500,000 entry goes in front. 240 bpm from 192,
    // then 60 bpm from 288 (division 96).
    Bytes changes = Smf(1, 96,
                        {Track(Cat({Vlq(192),
                                    {0xFF, 0x51, 3, 0x03, 0xD0, 0x90},
                                    {0x60},
                                    {0xFF, 0x51, 3, 0x0F, 0x42, 0x40},
                                    {0x60, 0x90, 1, 1}}))});
    ASSERT_EQ(conv.Load(changes.data(), changes.size()), kMidiOk);
    ASSERT_EQ(conv.TempoMap().size(), 3u);
    EXPECT_EQ(conv.TempoMap()[1].tick, 192u);
    EXPECT_EQ(conv.TempoMap()[1].ms, 1000u);
    EXPECT_EQ(conv.TempoMap()[2].ms, 1250u);
    EXPECT_EQ(conv.TickToMs(384), 2250u);
    EXPECT_EQ(conv.TempoAt(191), 500000u);
    EXPECT_EQ(conv.TempoAt(300), 1000000u);

    // 960 ticks per quarter at 120 bpm: 2 ms = 3.84 ticks, rounded to 4.
    Bytes fine = Smf(0, 960, {Track({0x00, 0x90, 60, 100})});
    ASSERT_EQ(conv.Load(fine.data(), fine.size()), kMidiOk);
    EXPECT_EQ(conv.MinimumDelta(), 4u);

    // SMPTE: 25 fps x 40 ticks = 1000 ticks a second whatever the tempo events say;
    // drop-frame -29 counts 30 frames.
    Bytes smpte = Smf(0, uint16_t((uint8_t(-25) << 8) | 40),
                      {Track({0x00, 0xFF, 0x51, 3, 0x0F, 0x42, 0x40, 0x83, 0x60, 0x90, 1, 1})});
    ASSERT_EQ(conv.Load(smpte.data(), smpte.size()), kMidiOk);
    EXPECT_EQ(conv.TickToMs(480), 480u);
    EXPECT_EQ(conv.MinimumDelta(), 2u);
    EXPECT_EQ(SmpteFramesPerSecond(uint16_t((uint8_t(-29) << 8) | 80)), 30);
}

TEST(StreamBuffers, ShortEventsFillBuffersWithoutLoss) {
    // 200 notes, one tick apart: 85 twelve-byte events fit a 1024-byte buffer
    // (the loop stops when fewer than 16 bytes are left).
    Bytes events;
    for (int i = 0; i < 200; ++i)
        events.insert(events.end(), {0x01, 0x90, uint8_t(i % 128), 1});
    Bytes file = Smf(0, 96, {Track(events)});
    MidiStreamConverter conv;
    ASSERT_EQ(conv.Load(file.data(), file.size()), kMidiOk);
    StreamRun run = RunStream(conv);
    ASSERT_EQ(run.result, kMidiOk);
    EXPECT_EQ(run.bufferUse, (std::vector<size_t>{1020, 1020, 360}));
    ASSERT_EQ(run.messages.size(), 200u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(run.messages[i].bytes, Bytes({0x90, uint8_t(i % 128), 1}));
        EXPECT_EQ(run.messages[i].time, uint64_t(i + 1));
    }
}

TEST(StreamBuffers, LongSysexSplitsAndContinuesAtDeltaZero) {
    Bytes data(1999);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i % 0x7F);
    data.back() = 0xF7;
    for (bool noteFirst : {false, true}) {
        Bytes events = noteFirst ? Bytes{0x00, 0x90, 60, 100} : Bytes{};
        events = Cat({events,
                      {0x00, 0xF0},
                      Vlq(uint32_t(data.size())),
                      data,
                      {0x00, 0xF7, 0x03, 0x01, 0x02, 0x03},
                      {0x00, 0xF7, 0x00},
                      {0x00, 0x80, 60, 0}});
        Bytes file = Smf(0, 96, {Track(events)});
        MidiStreamConverter conv;
        ASSERT_EQ(conv.Load(file.data(), file.size()), kMidiOk);
        for (size_t capacity : {size_t(1024), size_t(16), size_t(100)}) {
            StreamRun run = RunStream(conv, capacity);
            ASSERT_EQ(run.result, kMidiOk);
            size_t first = noteFirst ? 1 : 0;
            ASSERT_EQ(run.messages.size(), first + 3); // the empty F7 packet sends nothing
            const SentMessage& sx = run.messages[first];
            EXPECT_EQ(sx.bytes, Cat({{0xF0}, data}));
            EXPECT_GE(sx.pieces, 2) << capacity;
            EXPECT_EQ(run.messages[first + 1].bytes, Bytes({1, 2, 3}));
            EXPECT_EQ(run.messages[first + 2].bytes, Bytes({0x80, 60, 0}));
            if (capacity == 1024) {
                // The first piece takes all the room left in the buffer.
                EXPECT_EQ(run.bufferUse[0], 1024u);
                EXPECT_EQ(sx.pieces, 2);
            }
        }
    }
}

TEST(StreamBuffers, PieceOfALongMessageStaysBelowTwentyFourBits) {
    Bytes data(0x1000010, 0x11);
    Bytes file = Smf(0, 96, {Track(Cat({{0x00, 0xF7}, Vlq(uint32_t(data.size())), data}))});
    MidiStreamConverter conv;
    ASSERT_EQ(conv.Load(file.data(), file.size()), kMidiOk);
    StreamRun run = RunStream(conv, 0x2000000);
    ASSERT_EQ(run.result, kMidiOk);
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_EQ(run.messages[0].pieces, 2);
    EXPECT_EQ(run.messages[0].bytes.size(), data.size());
}

TEST(StreamTiming, MinimumDeltaSpreadsATickAndCatchesUp) {
    // 960 ticks per quarter: minimum delta 4. Two tracks sound on tick 0 and
    // tick 10; track 0 also has three events on tick 0.
    Bytes t0 = {0x00, 0x90, 60,   1,  0x00, 0x90, 61,   1,    0x00, 0x90, 62,
                1,    0x0A, 0x90, 63, 1,    0x83, 0x60, 0x90, 64,   1};
    Bytes t1 = {0x00, 0x91, 70, 1, 0x0A, 0x91, 71, 1};
    Bytes file = Smf(1, 960, {Track(t0), Track(t1)});
    MidiStreamConverter conv;
    ASSERT_EQ(conv.Load(file.data(), file.size()), kMidiOk);
    StreamRun run = RunStream(conv);
    ASSERT_EQ(run.result, kMidiOk);
    std::vector<std::pair<uint8_t, uint64_t>> got; // note, send time
    for (const SentMessage& m : run.messages)
        got.push_back({m.bytes[1], m.time});
    // Tick 0 in track order, 4 apart; tick 10 is already behind (16), so its
    // events follow 4 apart too; at tick 490 the stream is on time again.
    std::vector<std::pair<uint8_t, uint64_t>> want = {{60, 4},  {61, 8},  {62, 12}, {70, 16},
                                                      {63, 20}, {71, 24}, {64, 490}};
    EXPECT_EQ(got, want);
}

TEST(StreamState, CallsOutOfOrderAndEmptyPieces) {
    MidiStreamConverter conv;
    uint8_t buf[64];
    size_t used = 1;
    bool end = true;
    EXPECT_EQ(conv.FillBuffer(buf, sizeof buf, &used, &end), kMidiWrongState);
    Bytes file = Smf(0, 96, {Track({0x00, 0xFF, 0x01, 0x01, 'x'})});
    ASSERT_EQ(conv.Load(file.data(), file.size()), kMidiOk);
    EXPECT_EQ(conv.FillBuffer(buf, sizeof buf, &used, &end), kMidiWrongState); // before Rewind
    ASSERT_EQ(conv.Rewind(), kMidiOk);
    EXPECT_EQ(conv.FillBuffer(buf, 12, &used, &end), kMidiWrongState);
    EXPECT_EQ(conv.FillBuffer(buf, 18, &used, &end), kMidiWrongState);
    // Only a text event: nothing to send, the first buffer already ends the piece.
    EXPECT_EQ(conv.FillBuffer(buf, sizeof buf, &used, &end), kMidiOk);
    EXPECT_EQ(used, 0u);
    EXPECT_TRUE(end);
}

TEST(Preroll, RestoresTempoProgramsAndControllersBeforeTheStart) {
    Bytes events = {0x00, 0xC3, 10,   0x00, 0xB3, 7,    90,   0x00, 0xB0, 121,  0,    0x00,
                    0xB0, 7,    50,   0x00, 0xFF, 0x51, 3,    0x0F, 0x42, 0x40, 0x10, 0xC3,
                    11,   0x00, 0xB0, 7,    60,   0x10, 0xC0, 99,   0x00, 0x90, 60,   1};
    Bytes file = Smf(0, 96, {Track(events)});
    MidiStreamConverter conv;
    ASSERT_EQ(conv.Load(file.data(), file.size()), kMidiOk);
    uint8_t out[512];
    size_t used = 0;
    EXPECT_EQ(conv.WritePreroll(out, sizeof out, &used), kMidiWrongState);

    ASSERT_EQ(conv.Rewind(32), kMidiOk); // tick 16 is before the start, tick 32 is not
    EXPECT_EQ(conv.WritePreroll(out, 40, &used), kMidiBufferTooSmall);
    EXPECT_EQ(used, 48u);
    ASSERT_EQ(conv.WritePreroll(out, sizeof out, &used), kMidiOk);
    std::vector<Bytes> got;
    for (size_t off = 0; off < used;) {
        MidiStreamEvent ev;
        ASSERT_TRUE(ReadMidiStreamEvent(out, used, off, &ev));
        EXPECT_EQ(ev.delta, 0u);
        uint32_t p = MevtParameter(ev.event);
        got.push_back({MevtType(ev.event), uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16)});
        off += ev.size;
    }
    std::vector<Bytes> want = {{kMevtTempo, 0x40, 0x42, 0x0F}, // 1,000,000 us per quarter
                               {0, 0xC3, 11, 0},
                               {0, 0xB0, 7, 60},
                               {0, 0xB3, 7, 90}};
    EXPECT_EQ(got, want);
    // The stream goes on from tick 32, its first event one minimum delta later.
    StreamRun run = RunStream(conv, kMidiStreamBufferSize, 32);
    ASSERT_EQ(run.messages.size(), 2u);
    EXPECT_EQ(run.messages[0].bytes, Bytes({0xC0, 99}));
    EXPECT_EQ(run.messages[0].time, 33u);

    // Growth of the preroll block: doubling from 4096, never past 32768.
    EXPECT_EQ(MidiPrerollBlockSize(4096, 12), 4096u);
    EXPECT_EQ(MidiPrerollBlockSize(4096, 4033), 8192u);
    EXPECT_EQ(MidiPrerollBlockSize(4096, 23244), 32768u);
    EXPECT_EQ(MidiPrerollBlockSize(4096, 32705), 0u);
}

} // namespace
