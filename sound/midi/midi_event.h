// Stream events in the byte form that the Windows MIDI stream driver reads
// from a queued buffer (the MIDIEVENT layout), written and read without
// <windows.h> so the converter that produces them runs and is tested natively.
//
// One event, little-endian 32-bit words:
//   u32 deltaTime   ticks since the previous event of the stream
//   u32 streamId    always 0
//   u32 event       event type in bits 24..31, parameter in bits 0..23
//   long events only: parameter = byte count n, then n data bytes padded with
//   zeros to a multiple of 4
// Short messages carry status, first and second data byte in bits 0..7, 8..15
// and 16..23 of the event word; a tempo event carries microseconds per quarter
// note in bits 0..23.
//
// The names differ from the <mmsystem.h> macros (MEVT_SHORTMSG, ...) on purpose:
// those are macros, and a constant of the same name would not compile beside
// them. The values are the driver's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/byte_io.h"

constexpr uint8_t kMevtShortMsg = 0x00;             // MEVT_SHORTMSG
constexpr uint8_t kMevtTempo = 0x01;                // MEVT_TEMPO
constexpr uint8_t kMevtNop = 0x02;                  // MEVT_NOP
constexpr uint8_t kMevtLongMsg = 0x80;              // MEVT_LONGMSG
constexpr uint8_t kMevtComment = 0x82;              // MEVT_COMMENT
constexpr uint8_t kMevtVersion = 0x84;              // MEVT_VERSION
constexpr uint32_t kMevtFlagLong = 0x80000000u;     // MEVT_F_LONG (set in every long type)
constexpr uint32_t kMevtFlagCallback = 0x40000000u; // MEVT_F_CALLBACK

// Size of an event without long data: three 32-bit words.
constexpr size_t kMidiEventHeaderSize = 12;

inline uint32_t MevtEventWord(uint8_t type, uint32_t parameter) {
    return (uint32_t(type) << 24) | (parameter & 0x00FFFFFFu);
}
inline uint8_t MevtType(uint32_t eventWord) {
    return uint8_t(eventWord >> 24);
}
inline uint32_t MevtParameter(uint32_t eventWord) {
    return eventWord & 0x00FFFFFFu;
}

// Bytes an event with n long-data bytes occupies in a buffer.
inline size_t MidiEventSize(size_t longBytes) {
    return kMidiEventHeaderSize + ((longBytes + 3) & ~size_t(3));
}

// Writers into a buffer the caller has checked to be large enough.
inline void PutShortEvent(uint8_t* p, uint32_t delta, uint8_t status, uint8_t d1, uint8_t d2) {
    StoreLE32(p, delta);
    StoreLE32(p + 4, 0);
    StoreLE32(p + 8,
              MevtEventWord(kMevtShortMsg, status | (uint32_t(d1) << 8) | (uint32_t(d2) << 16)));
}
inline void PutTempoEvent(uint8_t* p, uint32_t delta, uint32_t microsecondsPerQuarter) {
    StoreLE32(p, delta);
    StoreLE32(p + 4, 0);
    StoreLE32(p + 8, MevtEventWord(kMevtTempo, microsecondsPerQuarter));
}
// Writes the header of a long message of n bytes; the caller copies the data
// to p + 12 and pads it (n < 2^24).
inline void PutLongEventHeader(uint8_t* p, uint32_t delta, uint32_t n) {
    StoreLE32(p, delta);
    StoreLE32(p + 4, 0);
    StoreLE32(p + 8, MevtEventWord(kMevtLongMsg, n));
}

// One event read back from a buffer (tests, diagnostics).
struct MidiStreamEvent {
    uint32_t delta = 0;
    uint32_t streamId = 0;
    uint32_t event = 0;
    const uint8_t* longData = nullptr; // long events: the n bytes after the header
    size_t size = 0;                   // bytes the event occupies in the buffer
};

// Reads the event at `offset` of a filled buffer of `used` bytes. False when the
// bytes there do not hold a whole event.
bool ReadMidiStreamEvent(const uint8_t* buffer, size_t used, size_t offset, MidiStreamEvent* out);
