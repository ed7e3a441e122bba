// Real MIDI files that nobody here wrote, checked against the event listing of
// an independent reader (midicsv): the stored listings of the shared test data
// and, when the tools are installed, listings made now of Debian's OpenTTD
// music set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "midi_test_util.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string kJazz = std::string(PLINTHAR_TESTDATA) + "/midi/jazz-soft-test-midi-files";
const std::string kRmid = std::string(PLINTHAR_TESTDATA) + "/generated/midi";
const std::string kOpenMsx = "/usr/share/games/openttd/baseset/openmsx";

// One sent event of a midicsv listing, placed on the playing time line.
struct Listed {
    uint32_t tick;
    int track;
    uint8_t type; // kMevtShortMsg, kMevtTempo, kMevtLongMsg
    Bytes bytes;
};

struct Listing {
    bool readable = false; // midicsv accepted the file
    bool unknownEvent = false;
    int format = 0;
    uint32_t division = 0;
    uint32_t lastTick = 0;
    std::vector<Listed> events; // in playing order
};

Listing ParseMidicsv(std::istream& in) {
    Listing out;
    std::map<int, uint32_t> trackEnd;
    std::vector<Listed> raw;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        std::stringstream ss(line);
        for (std::string item; std::getline(ss, item, ',');) {
            size_t a = item.find_first_not_of(' ');
            f.push_back(a == std::string::npos ? "" : item.substr(a));
            if (f.size() == 3 && f[2].find("_t") != std::string::npos) break; // quoted text
        }
        if (f.size() < 3) continue;
        int track = std::stoi(f[0]);
        uint32_t tick = uint32_t(std::stoul(f[1]));
        const std::string& type = f[2];
        auto num = [&](size_t i) { return uint8_t(std::stoi(f.at(i))); };
        auto ch = [&](uint8_t high, int n) {
            Bytes b = {uint8_t(high | num(3)), num(4)};
            if (n == 2) b.push_back(num(5));
            raw.push_back({tick, track, kMevtShortMsg, b});
        };
        if (type == "Header") {
            out.format = std::stoi(f[3]);
            out.division = uint32_t(std::stoul(f[5]));
        } else if (type == "End_of_file") {
            out.readable = true;
        } else if (type == "End_track") {
            trackEnd[track] = tick;
        } else if (type == "Unknown_event") {
            out.unknownEvent = true;
        } else if (type == "Note_off_c") {
            ch(0x80, 2);
        } else if (type == "Note_on_c") {
            ch(0x90, 2);
        } else if (type == "Poly_aftertouch_c") {
            ch(0xA0, 2);
        } else if (type == "Control_c") {
            ch(0xB0, 2);
        } else if (type == "Program_c") {
            ch(0xC0, 1);
        } else if (type == "Channel_aftertouch_c") {
            ch(0xD0, 1);
        } else if (type == "Pitch_bend_c") {
            int v = std::stoi(f[4]);
            raw.push_back({tick,
                           track,
                           kMevtShortMsg,
                           {uint8_t(0xE0 | num(3)), uint8_t(v & 0x7F), uint8_t(v >> 7)}});
        } else if (type == "Tempo") {
            uint32_t t = uint32_t(std::stoul(f[3]));
            raw.push_back(
                {tick, track, kMevtTempo, {uint8_t(t >> 16), uint8_t(t >> 8), uint8_t(t)}});
        } else if (type == "System_exclusive" || type == "System_exclusive_packet") {
            Bytes b;
            if (type == "System_exclusive") b.push_back(0xF0);
            for (size_t i = 4; i < f.size(); ++i)
                b.push_back(num(i));
            if (b.size() > 0) raw.push_back({tick, track, kMevtLongMsg, b});
        }
    }
    // Format 2 patterns play one after another: each track starts at the end of
    // the one before it.
    std::map<int, uint32_t> offset;
    uint32_t base = 0;
    for (auto& [track, end] : trackEnd) {
        offset[track] = out.format == 2 ? base : 0;
        base += end;
        out.lastTick = std::max(out.lastTick, offset[track] + end);
    }
    for (Listed& e : raw)
        e.tick += offset[e.track];
    std::stable_sort(raw.begin(), raw.end(), [](const Listed& a, const Listed& b) {
        return a.tick < b.tick || (a.tick == b.tick && a.track < b.track);
    });
    out.events = std::move(raw);
    return out;
}

// Compares one file with its listing; the checks every real file must pass.
void CheckAgainstListing(const Bytes& file, const Listing& listing, const std::string& name) {
    SCOPED_TRACE(name);
    MidiStreamConverter conv;
    ASSERT_EQ(conv.Load(file.data(), file.size()), kMidiOk);
    EXPECT_EQ(conv.header().format, listing.format);
    EXPECT_EQ(conv.TimeDivision(), listing.division);
    EXPECT_EQ(conv.LengthTicks(), listing.lastTick);

    // Exact ticks and order straight from the file walk.
    SmfHeader header;
    std::vector<SmfTrack> tracks;
    const uint8_t* smf;
    size_t smfSize;
    ASSERT_EQ(UnwrapRmid(file.data(), file.size(), &smf, &smfSize), kMidiOk);
    ASSERT_EQ(ParseSmf(smf, smfSize, &header, &tracks), kMidiOk);
    SmfEventCursor cursor(header, tracks);
    std::vector<uint32_t> ticks;
    for (SmfEvent ev; cursor.Next(&ev);) {
        bool sent = ev.status < 0xF0 || ev.status == 0xF0 ||
                    (ev.status == 0xF7 && ev.payloadSize) ||
                    (ev.status == 0xFF && ev.metaType == 0x51);
        if (sent) ticks.push_back(ev.tick);
    }
    EXPECT_EQ(cursor.error(), kMidiOk);

    // What the device receives: the same messages in the same order, never
    // early, at least the minimum delta apart, and on time after a long enough gap.
    StreamRun run = RunStream(conv);
    ASSERT_EQ(run.result, kMidiOk);
    ASSERT_EQ(run.messages.size(), listing.events.size());
    ASSERT_EQ(ticks.size(), listing.events.size());
    uint64_t prev = 0;
    for (size_t i = 0; i < run.messages.size(); ++i) {
        const SentMessage& m = run.messages[i];
        const Listed& want = listing.events[i];
        ASSERT_EQ(ticks[i], want.tick) << "event " << i;
        ASSERT_EQ(m.type, want.type) << "event " << i;
        ASSERT_EQ(m.bytes, want.bytes) << "event " << i;
        ASSERT_GE(m.time, want.tick) << "event " << i;
        ASSERT_GE(m.delta, conv.MinimumDelta()) << "event " << i;
        if (prev + conv.MinimumDelta() <= want.tick) {
            ASSERT_EQ(m.time, want.tick) << "event " << i;
        }
        prev = m.time;
    }

    // Time of the last event against a floating-point reckoning of the listed
    // tempo changes; the map rounds once per tempo span.
    if (!(listing.division & 0x8000)) {
        double ms = 0, tempo = 500000;
        uint32_t at = 0;
        size_t spans = 1;
        for (const Listed& e : listing.events) {
            if (e.type != kMevtTempo) continue;
            ms += double(e.tick - at) * tempo / (listing.division * 1000.0);
            at = e.tick;
            tempo = double((e.bytes[0] << 16) | (e.bytes[1] << 8) | e.bytes[2]);
            ++spans;
        }
        ms += double(listing.lastTick - at) * tempo / (listing.division * 1000.0);
        EXPECT_LE(std::fabs(double(conv.TickToMs(listing.lastTick)) - ms),
                  0.5 * double(spans) + 1e-6);
    }
}

bool HasDir(const std::string& dir) {
    return fs::is_directory(dir);
}

TEST(RealFiles, JazzSoftSetMatchesItsListings) {
    if (!HasDir(kJazz)) GTEST_SKIP() << "test data absent: " << kJazz;
    int compared = 0, rejected = 0;
    for (const auto& entry : fs::directory_iterator(kJazz)) {
        if (entry.path().extension() != ".mid") continue;
        std::string stem = entry.path().stem().string();
        Bytes file = ReadWholeFile(entry.path().string());
        std::ifstream csv(kJazz + "/expected-midicsv/" + stem + ".csv");
        Listing listing = ParseMidicsv(csv);
        MidiStreamConverter conv;
        int result = conv.Load(file.data(), file.size());

        if (stem == "test-non-midi-track") {
            // midicsv refuses the foreign chunk; the file standard says to pass
            // over it, and the track after it is an ordinary C major scale.
            ASSERT_EQ(result, kMidiOk);
            StreamRun run = RunStream(conv);
            Bytes notes;
            for (const SentMessage& m : run.messages)
                if (m.bytes[0] == 0x90) notes.push_back(m.bytes[1]);
            EXPECT_EQ(notes, Bytes({60, 62, 64, 65, 67, 69, 71, 72}));
            continue;
        }
        // Real-time and common status bytes in a track, a track that claims a
        // byte more than the file holds, and what is no MIDI file at all are bad data.
        if (listing.unknownEvent || !listing.readable || stem == "test-corrupt-file-missing-byte") {
            EXPECT_EQ(result, kMidiInvalidData) << stem;
            ++rejected;
            continue;
        }
        CheckAgainstListing(file, listing, stem);
        ++compared;
    }
    EXPECT_EQ(compared, 54);
    EXPECT_EQ(rejected, 17);
}

TEST(RealFiles, RmidWrappersPlayTheirDataChunk) {
    if (!HasDir(kRmid) || !HasDir(kJazz)) GTEST_SKIP() << "test data absent: " << kRmid;
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(kRmid)) {
        if (entry.path().extension() != ".rmi") continue;
        std::string stem = entry.path().stem().string();
        stem = stem.substr(0, stem.find('.'));
        std::ifstream csv(kJazz + "/expected-midicsv/" + stem + ".csv");
        CheckAgainstListing(ReadWholeFile(entry.path().string()), ParseMidicsv(csv),
                            entry.path().filename().string());
        ++seen;
    }
    EXPECT_EQ(seen, 9);
}

TEST(RealFiles, RmidWrapperDefects) {
    Bytes smf = Smf(0, 96, {Track({0x00, 0x90, 60, 100})});
    auto le = [](uint32_t v) {
        return Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    };
    auto riff = [&](const Bytes& body) {
        return Cat(
            {{'R', 'I', 'F', 'F'}, le(uint32_t(body.size() + 4)), {'R', 'M', 'I', 'D'}, body});
    };
    Bytes odd = Cat({{'I', 'N', 'F', 'O'}, le(3), {1, 2, 3, 0}}); // padded to even
    Bytes data = Cat({{'d', 'a', 't', 'a'}, le(uint32_t(smf.size())), smf});
    Bytes dataShort = Cat({{'d', 'a', 't', 'a'}, le(uint32_t(smf.size() + 1)), smf});
    struct Case {
        const char* name;
        Bytes file;
        int expected;
    } cases[] = {
        {"after an odd chunk", riff(Cat({odd, data})), kMidiOk},
        {"form size larger than the file", Cat({riff(data), {}}), kMidiOk},
        {"no data chunk", riff(odd), kMidiInvalidData},
        {"data chunk past the end", riff(dataShort), kMidiInvalidData},
        {"chunk size past the end", riff(Cat({{'L', 'I', 'S', 'T'}, le(0xFFFFFFF0u), data})),
         kMidiInvalidData},
        {"plain file named .rmi", smf, kMidiOk},
        {"form size below its type", riff(data), kMidiInvalidData},
    };
    cases[1].file[4] = 0xFF;
    std::fill(cases[6].file.begin() + 4, cases[6].file.begin() + 8, 0);
    for (const Case& c : cases) {
        MidiStreamConverter conv;
        EXPECT_EQ(conv.Load(c.file.data(), c.file.size()), c.expected) << c.name;
    }
}

TEST(RealFiles, OpenTtdMusicMatchesMidicsvNow) {
#ifdef _WIN32
    GTEST_SKIP() << "the oracle (midicsv) is a Linux program; the native build runs this";
#endif
    if (!HasDir(kOpenMsx) || std::system("midicsv -u >/dev/null 2>&1") == 127)
        GTEST_SKIP() << "needs Debian packages openttd-openmsx and midicsv";
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(kOpenMsx)) {
        if (entry.path().extension() != ".mid") continue;
        int status = -1;
        std::istringstream in(testsupport::ToolOutput(
            "midicsv " + testsupport::ShellQuote(entry.path().string()), &status));
        ASSERT_NE(status, -1) << entry.path();
        Listing listing = ParseMidicsv(in);
        ASSERT_TRUE(listing.readable) << entry.path();
        CheckAgainstListing(ReadWholeFile(entry.path().string()), listing,
                            entry.path().filename().string());
        ++seen;
    }
    EXPECT_GT(seen, 0);
}

} // namespace
