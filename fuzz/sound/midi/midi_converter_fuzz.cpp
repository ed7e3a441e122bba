// Feeds any bytes to the MIDI converter the way the stream player does: load,
// preroll from the start and from the middle, and drain the stream through
// buffers of changing sizes, checking that every filled buffer is well formed
// and that the stream always moves forward.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sound/midi/midi_stream_converter.h"

static void Check(bool ok) {
    if (!ok) std::abort();
}

static void Drain(MidiStreamConverter& conv, uint32_t start, size_t firstCapacity) {
    if (conv.Rewind(start) != kMidiOk) return;
    std::vector<uint8_t> pre(kMidiPrerollFirstBlock - kMidiStreamHeaderArea);
    size_t used = 0;
    while (conv.WritePreroll(pre.data(), pre.size(), &used) == kMidiBufferTooSmall) {
        size_t block = MidiPrerollBlockSize(pre.size() + kMidiStreamHeaderArea, used);
        Check(block != 0);
        pre.resize(block - kMidiStreamHeaderArea);
    }
    std::vector<uint8_t> buf(kMidiStreamBufferSize);
    size_t capacity = firstCapacity;
    for (int i = 0; i < 100000; ++i) {
        bool end = false;
        if (conv.FillBuffer(buf.data(), capacity, &used, &end) != kMidiOk) return;
        Check(used <= capacity && used % 4 == 0);
        for (size_t off = 0; off < used;) {
            MidiStreamEvent ev;
            Check(ReadMidiStreamEvent(buf.data(), used, off, &ev));
            uint8_t type = MevtType(ev.event);
            Check(ev.streamId == 0);
            Check(type == kMevtShortMsg || type == kMevtTempo || type == kMevtLongMsg);
            Check(ev.delta >= 1 || (off == 0 && type == kMevtLongMsg));
            off += ev.size;
        }
        if (end) return;
        Check(used > 0);
        capacity = capacity == kMidiStreamBufferSize ? 16 + (used % 64) * 4 : kMidiStreamBufferSize;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MidiStreamConverter conv;
    if (conv.Load(data, size) != kMidiOk) return 0;
    Drain(conv, 0, kMidiStreamBufferSize);
    Drain(conv, conv.LengthTicks() / 2, 16);
    return 0;
}
