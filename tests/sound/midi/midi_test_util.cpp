#include "midi_test_util.h"

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

Bytes Vlq(uint32_t v) {
    Bytes out{uint8_t(v & 0x7F)};
    while (v >>= 7)
        out.insert(out.begin(), uint8_t(0x80 | (v & 0x7F)));
    return out;
}

static void PutBE32(Bytes& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(uint8_t(v >> s));
}

Bytes Track(const Bytes& events, bool endTrack) {
    Bytes body = events;
    if (endTrack) body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    Bytes out{'M', 'T', 'r', 'k'};
    PutBE32(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes Smf(uint16_t format, uint16_t division, const std::vector<Bytes>& tracks) {
    Bytes out{'M', 'T', 'h', 'd', 0, 0, 0, 6};
    for (uint16_t v : {format, uint16_t(tracks.size()), division}) {
        out.push_back(uint8_t(v >> 8));
        out.push_back(uint8_t(v));
    }
    for (const Bytes& t : tracks)
        out.insert(out.end(), t.begin(), t.end());
    return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes ShortBytes(uint8_t status, uint8_t d1, uint8_t d2) {
    uint8_t high = status & 0xF0;
    if (high == 0xC0 || high == 0xD0) return {status, d1};
    return {status, d1, d2};
}

StreamRun RunStream(MidiStreamConverter& conv, size_t capacity, uint32_t startTick) {
    StreamRun run;
    run.result = conv.Rewind(startTick);
    if (run.result != kMidiOk) return run;
    uint64_t time = startTick;
    Bytes buffer(capacity);
    for (int guard = 0; guard < 1000000; ++guard) {
        size_t used = 0;
        bool end = false;
        // Garbage in the buffer must never leak into an event.
        std::fill(buffer.begin(), buffer.end(), 0xCD);
        run.result = conv.FillBuffer(buffer.data(), capacity, &used, &end);
        if (run.result != kMidiOk) return run;
        EXPECT_LE(used, capacity);
        EXPECT_EQ(used % 4, 0u);
        run.bufferUse.push_back(used);
        size_t off = 0;
        while (off < used) {
            MidiStreamEvent ev;
            if (!ReadMidiStreamEvent(buffer.data(), used, off, &ev)) {
                ADD_FAILURE() << "broken event at offset " << off;
                return run;
            }
            EXPECT_EQ(ev.streamId, 0u);
            SentMessage m;
            m.delta = ev.delta;
            m.type = MevtType(ev.event);
            uint32_t parm = MevtParameter(ev.event);
            if (m.type == kMevtShortMsg) {
                m.bytes = ShortBytes(uint8_t(parm), uint8_t(parm >> 8), uint8_t(parm >> 16));
                EXPECT_EQ(parm >> 24, 0u);
                if (m.bytes.size() == 2) {
                    EXPECT_EQ((parm >> 16) & 0xFF, 0u);
                }
            } else if (m.type == kMevtTempo) {
                m.bytes = {uint8_t(parm >> 16), uint8_t(parm >> 8), uint8_t(parm)};
            } else if (m.type == kMevtLongMsg) {
                m.bytes.assign(ev.longData, ev.longData + parm);
                for (size_t i = parm; i < ev.size - kMidiEventHeaderSize; ++i)
                    EXPECT_EQ(ev.longData[i], 0) << "padding";
            } else {
                ADD_FAILURE() << "unexpected event type " << int(m.type);
            }
            time += ev.delta;
            m.time = time;
            off += ev.size;
            if (m.type == kMevtLongMsg && ev.delta == 0 && !run.messages.empty() &&
                run.messages.back().type == kMevtLongMsg) {
                // A continuation always opens a buffer.
                EXPECT_EQ(off, ev.size);
                SentMessage& first = run.messages.back();
                first.bytes.insert(first.bytes.end(), m.bytes.begin(), m.bytes.end());
                ++first.pieces;
                continue;
            }
            run.messages.push_back(m);
        }
        if (end) {
            // Once the end is reported nothing more comes.
            EXPECT_EQ(conv.FillBuffer(buffer.data(), capacity, &used, &end), kMidiOk);
            EXPECT_EQ(used, 0u);
            EXPECT_TRUE(end);
            return run;
        }
        EXPECT_GT(used, 0u) << "a buffer that is not the last one must hold events";
    }
    ADD_FAILURE() << "stream never ended";
    return run;
}
