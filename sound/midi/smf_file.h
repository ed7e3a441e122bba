// Reading of Standard MIDI Files for the MIDI stream player: the RIFF "RMID"
// wrapper, the header and track chunks, and a walk over the events of all
// tracks in playing order. Nothing here trusts a length or a count from the
// file; every read is checked against the bytes that are really there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Results of the MIDI converter (functions below and MidiStreamConverter).
enum MidiResult : int {
    kMidiOk = 0,
    kMidiInvalidData = 1,    // malformed wrapper, header, chunk or event
    kMidiNoMemory = 2,       // an allocation failed
    kMidiCannotOpen = 3,     // the file could not be opened (reported by the file reader)
    kMidiUnsupported = 4,    // well formed but not playable: format above 2, unknown SMPTE rate
    kMidiWrongState = 5,     // a call out of order, or a buffer the converter cannot use
    kMidiBufferTooSmall = 6, // the preroll events need a larger block
};

// MCI error number that the stream player reports for a converter result:
// 0 -> 0; 2 -> 264 (MCIERR_OUT_OF_MEMORY); 1, 3, 4 -> 296 (MCIERR_INVALID_FILE);
// anything else -> 274 (MCIERR_UNSUPPORTED_FUNCTION).
int MidiResultToMciError(int result);

// Returns the bytes of the Standard MIDI File inside a file image.
//
// RIFF "RMID" wrapper, little-endian sizes:
//   "RIFF" u32 formSize "RMID" chunk*
//   chunk := id[4] u32 size data[size] (one pad byte when size is odd)
// The MIDI file is the data of the first "data" chunk; chunks before it (an
// "INFO" list, for instance) are passed over. A form size larger than the file
// is cut to the file. An image that does not begin with "RIFF" and "RMID" at
// offset 8 is returned whole: a ".RMI" file may be a plain MIDI file.
// kMidiOk; kMidiInvalidData when the form has no "data" chunk or the chunk runs
// past the end of the image.
int UnwrapRmid(const uint8_t* image, size_t size, const uint8_t** smf, size_t* smfSize);

struct SmfHeader {
    uint16_t format = 0;
    uint16_t trackCount = 0; // as the header says
    uint16_t division = 0;   // raw time-division word, as the stream device takes it
};

struct SmfTrack {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
};

// Splits a Standard MIDI File into its header and tracks; the tracks point
// into `data`, which must outlive them.
//
// Big-endian throughout:
//   "MThd" u32 length(>= 6) u16 format u16 trackCount u16 division, then
//   length - 6 further header bytes (ignored)
//   chunk := id[4] u32 length data[length]
// Every "MTrk" chunk is one track, up to the header's track count; chunks with
// other ids are passed over as the file standard asks; bytes after the last
// track are ignored.
// division: bit 15 clear = ticks per quarter note (> 0); bit 15 set = high byte
// minus the frame rate (-24, -25, -29 drop-frame, -30), low byte ticks per frame (> 0).
// kMidiOk; kMidiInvalidData for a short or foreign header, a chunk longer than
// what remains of the file, fewer tracks than announced or a zero division;
// kMidiUnsupported for a format above 2 or another SMPTE rate.
int ParseSmf(const uint8_t* data, size_t size, SmfHeader* header, std::vector<SmfTrack>* tracks);

// Frames per second of an SMPTE division (30 for the drop-frame code -29), or 0
// when the division counts ticks per quarter note or names no known rate.
int SmpteFramesPerSecond(uint16_t division);

// One event of a track, with its absolute tick.
struct SmfEvent {
    uint32_t tick = 0;
    uint16_t track = 0;
    // Channel status (0x80..0xEF, running status resolved), 0xF0 or 0xF7 for
    // system exclusive, 0xFF for a meta event.
    uint8_t status = 0;
    uint8_t metaType = 0;  // meta events
    uint8_t dataCount = 0; // channel messages: 1 or 2
    uint8_t data[2] = {0, 0};
    // System exclusive and meta events: their bytes (after the length).
    const uint8_t* payload = nullptr;
    uint32_t payloadSize = 0;
};

// Walks the events of all tracks in playing order.
//
// Track event := vlq delta, then one of
//   status(0x80..0xEF) data1 [data2]  -- 8x 9x Ax Bx Ex carry two data bytes,
//                                       Cx Dx one; the status may be left out
//                                       (running status, kept per track and
//                                       across system-exclusive and meta events)
//   0xF0 vlq length bytes[length]     -- system exclusive (bytes after F0)
//   0xF7 vlq length bytes[length]     -- system-exclusive continuation / escape
//   0xFF type vlq length bytes[length]-- meta event; FF 2F ends the track
// vlq: 7 bits per byte, most significant first, bit 7 set on all but the last;
// at most 4 bytes.
//
// Formats 0 and 1 merge all tracks: the next event is the one with the smallest
// tick, the lower track first on equal ticks. Format 2 tracks are independent
// sequences and play one after another: each starts where the previous one ended.
// A track ends at its end-of-track event or where its data runs out between events.
class SmfEventCursor {
  public:
    // The header and tracks must outlive the cursor.
    SmfEventCursor(const SmfHeader& header, const std::vector<SmfTrack>& tracks);

    // Back to the first event.
    void Reset();
    // The next event in playing order; false at the end or on an error (error()).
    bool Next(SmfEvent* out);
    // kMidiOk, or kMidiInvalidData for a vlq that runs past its track or is
    // longer than 4 bytes, a data byte without running status, a status F1..FE
    // other than F7, an event whose bytes run past its track, or an absolute tick
    // beyond 2^31 - 1. Sticky until Reset.
    int error() const { return error_; }

  private:
    struct TrackState {
        uint32_t pos = 0;
        uint8_t runningStatus = 0;
        bool active = false; // has a pending event in the heap
        bool finished = false;
        uint64_t tick = 0; // absolute tick of the last event read
        SmfEvent pending;
    };
    bool ReadEvent(uint16_t index); // reads track `index`'s next event into pending
    void Activate(uint16_t index, uint64_t startTick);
    bool Before(uint16_t a, uint16_t b) const;
    void PushHeap(uint16_t index);
    uint16_t PopHeap();

    const SmfHeader& header_;
    const std::vector<SmfTrack>& tracks_;
    std::vector<TrackState> state_;
    std::vector<uint16_t> heap_;
    uint16_t nextSequential_ = 0; // format 2: the next track to start
    int error_ = kMidiOk;
};

// a * b / c rounded to nearest (halves up), exact in 64 bits; c must not be 0.
// The classic MulDiv rounds the same way but fails past 2^31, which a long piece
// at a slow tempo reaches; the converter's time arithmetic must not.
uint64_t MulDivRound(uint32_t a, uint32_t b, uint32_t c);
