#include "sound/midi/midi_event.h"

bool ReadMidiStreamEvent(const uint8_t* buffer, size_t used, size_t offset, MidiStreamEvent* out) {
    if (offset > used || used - offset < kMidiEventHeaderSize) return false;
    const uint8_t* p = buffer + offset;
    out->delta = LoadLE32(p);
    out->streamId = LoadLE32(p + 4);
    out->event = LoadLE32(p + 8);
    out->longData = nullptr;
    out->size = kMidiEventHeaderSize;
    if (out->event & kMevtFlagLong) {
        size_t n = MevtParameter(out->event);
        size_t total = MidiEventSize(n);
        if (total > used - offset) return false;
        out->longData = p + kMidiEventHeaderSize;
        out->size = total;
    }
    return true;
}
