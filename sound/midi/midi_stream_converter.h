// The converter behind the Win32 MIDI stream player (CMidiStreamPlayer): it
// turns a ".MID" or ".RMI" file into the stream events that midiStreamOut
// plays, one buffer at a time. It owns no device, thread or window; the player
// only moves buffers between it and the midiStream calls.
//
// How the player drives it (one converter per playback, reused across starts):
//
//   Start:
//     read the whole file into memory (cannot open -> kMidiCannotOpen yourself)
//     r = conv.Load(bytes, size)               -> MidiResultToMciError(r) on failure
//     midiStreamOpen(device, ..., CALLBACK_FUNCTION);
//     midiStreamProperty(TIMEDIV = conv.TimeDivision())
//     state 2; program change 0xC0 + channel, program 0, on all 16 channels
//     conv.Rewind(startTick)                   -> scans what the preroll restores
//     while conv.WritePreroll(pre.data, pre.usable, &n) == kMidiBufferTooSmall:
//         grow the preroll block to MidiPrerollBlockSize(block, n) (0: give up)
//     queue the preroll block with n bytes (MIDIHDR.dwBytesRecorded = n)
//     for each of the kMidiStreamBufferCount buffers, until `end`:
//         conv.FillBuffer(buf.data, kMidiStreamBufferSize, &n, &end)
//         queue it (dwBytesRecorded = n); on `end` set kMidiStreamFlagEndConverted
//     state 3; midiStreamRestart; state 4
//
//   Driver callback, MOM_DONE (on the driver's thread):
//     unless stopping or the end was converted:
//         conv.FillBuffer(...) again into the returned buffer and requeue it;
//         `end` sets kMidiStreamFlagEndConverted; an error result means stop.
//     when the last queued buffer has come back after the end was converted:
//         wait kMidiStreamEndDelayMs, close the stream, post kMidiStreamEndMessage.
//
// FillBuffer never allocates and touches only the converter, so it may run on
// the driver's thread while the user-interface thread waits; nothing else of the
// converter may be called while buffers are queued.
//
// Timing rules the converter applies:
//   - Events leave in playing order (see SmfEventCursor: formats 0 and 1 merged
//     by tick with the lower track first, format 2 tracks one after another).
//   - Every event is sent at least MinimumDelta() ticks (the ticks of 2 ms at the
//     start tempo, at least 1) after the previous one, so events on one tick are
//     spread out. The debt this creates is paid back from the next gap: an
//     event's delta is its tick minus the tick the stream has reached, never less
//     than the minimum, so the stream never drifts behind the file.
//   - The continuation of a long message split at a buffer end goes first in the
//     next buffer with delta 0. Every other event has a delta of at least 1, so a
//     delta-0 long event is always a continuation.
//   - Channel messages become short events, tempo meta events (FF 51 03) tempo
//     events; system exclusive F0 becomes a long event with F0 written in front
//     of its bytes, F7 a long event of its bytes alone (nothing for none). Other
//     meta events are not sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "sound/midi/midi_event.h"
#include "sound/midi/smf_file.h"

// Facts the Win32 player shares with the converter.
constexpr int kMidiStreamBufferCount = 4;
constexpr size_t kMidiStreamBufferSize = 1024;  // data bytes of a regular buffer
constexpr size_t kMidiStreamHeaderArea = 64;    // room for the MIDIHDR before the data
constexpr size_t kMidiPrerollFirstBlock = 4096; // whole block, header area included
constexpr size_t kMidiPrerollLastBlock = 32768;
constexpr uint32_t kMidiStreamEndMessage = 0x0414; // WM_USER + 20, posted to the owner
constexpr uint32_t kMidiStreamEndDelayMs = 1000;
constexpr uint32_t kMidiDefaultTempo = 500000; // microseconds per quarter note
constexpr uint32_t kMidiMinimumDeltaMs = 2;

// Stream states of the player.
enum MidiStreamState : int {
    kMidiStreamClosed = 0,
    kMidiStreamOpened = 1,
    kMidiStreamPrerolling = 2,
    kMidiStreamPrerolled = 3,
    kMidiStreamPlaying = 4,
    kMidiStreamPaused = 5,
    kMidiStreamStopping = 6,
};
constexpr uint32_t kMidiStreamFlagEndConverted = 1;  // bit 0
constexpr uint32_t kMidiStreamFlagStopRequested = 4; // bit 2

// Whole size for the preroll block when `needed` data bytes must fit after the
// header area: `block` doubled until they fit, at most kMidiPrerollLastBlock;
// 0 when even that is too small (the preroll of a file never needs that much:
// one tempo, 16 programs and 16 x 120 controllers take 23,244 bytes).
size_t MidiPrerollBlockSize(size_t block, size_t needed);

struct TempoMapEntry {
    uint32_t tick = 0;
    uint32_t ms = 0;    // time of `tick` from the start of the piece
    uint32_t tempo = 0; // microseconds per quarter note from `tick` on
};

class MidiStreamConverter {
  public:
    MidiStreamConverter();
    // The cursor refers to the converter's own tracks.
    MidiStreamConverter(const MidiStreamConverter&) = delete;
    MidiStreamConverter& operator=(const MidiStreamConverter&) = delete;

    // Takes a whole ".MID" or ".RMI" file image (copied), checks every event and
    // builds the tempo map. kMidiOk, kMidiInvalidData (also for a tempo event
    // whose length is not 3, a tempo of 0, or a piece longer than 2^32 - 1 ms),
    // kMidiUnsupported, kMidiNoMemory. A failed Load leaves nothing loaded.
    int Load(const uint8_t* image, size_t size);
    bool loaded() const { return loaded_; }

    const SmfHeader& header() const { return header_; }
    uint16_t TimeDivision() const { return header_.division; }
    size_t TrackCount() const { return tracks_.size(); } // tracks found
    // Tick of the last event of the piece (end-of-track events included).
    uint32_t LengthTicks() const { return lengthTicks_; }
    uint32_t MinimumDelta() const { return minimumDelta_; }

    // Tempo changes in tick order; the first is at tick 0 (500,000 us per
    // quarter note when the file sets none there).
    const std::vector<TempoMapEntry>& TempoMap() const { return tempoMap_; }
    uint32_t TempoAt(uint32_t tick) const;
    // Milliseconds from the start of the piece to `tick` (rounded per tempo span).
    uint64_t TickToMs(uint32_t tick) const;

    // Starts a playback at `startTick` (0: the beginning): scans the events
    // before it for the preroll and positions the stream there. kMidiOk;
    // kMidiWrongState when nothing is loaded.
    int Rewind(uint32_t startTick = 0);

    // Writes the state that the events before the start position set, each with
    // delta 0: the tempo in force (always, so the block is never empty), then the
    // last program of each channel, then the last value of each controller 0..119
    // by channel and number. kMidiOk with *used bytes; kMidiBufferTooSmall with
    // *used = the bytes needed; kMidiWrongState before Rewind.
    int WritePreroll(uint8_t* out, size_t capacity, size_t* used) const;

    // Fills one stream buffer with the next events while at least 16 bytes are
    // left. *end is set when no events follow the ones written; the buffer that
    // reports it is the last one to queue (*used is 0 only when nothing at all
    // is left to send, and such a buffer is not queued). kMidiOk;
    // kMidiWrongState before Rewind or for a capacity that is below 16 or not a
    // multiple of 4. After *end, further calls write nothing and report *end again.
    int FillBuffer(uint8_t* out, size_t capacity, size_t* used, bool* end);

  private:
    bool Sendable(const SmfEvent& ev) const;
    bool PeekSendable(); // makes held_ the next sendable event; false at the end
    int BuildTempoMap();
    uint64_t SpanMs(uint32_t ticks, uint32_t tempo) const;
    uint32_t ComputeMinimumDelta(uint32_t tick) const;
    void Unload();

    std::vector<uint8_t> image_;
    SmfHeader header_;
    std::vector<SmfTrack> tracks_;
    std::vector<TempoMapEntry> tempoMap_;
    uint32_t lengthTicks_ = 0;
    uint32_t minimumDelta_ = 1;
    bool loaded_ = false;

    // Playback position.
    std::unique_ptr<SmfEventCursor> cursor_;
    bool rewound_ = false;
    bool haveHeld_ = false;
    SmfEvent held_;
    uint64_t streamTick_ = 0; // tick the written deltas add up to
    // A long message cut at a buffer end: the bytes still to send.
    const uint8_t* longRest_ = nullptr;
    uint32_t longRestSize_ = 0;

    // What the preroll restores.
    uint32_t prerollTempo_ = kMidiDefaultTempo;
    int16_t program_[16];
    int16_t controller_[16][120];
};
