// Helpers of the MIDI converter tests: building small MIDI files by hand and
// reading stream buffers back into whole messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sound/midi/midi_stream_converter.h"

using Bytes = std::vector<uint8_t>;

Bytes Vlq(uint32_t v);
// A track chunk around raw event bytes; adds FF 2F 00 unless `endTrack` is false.
Bytes Track(const Bytes& events, bool endTrack = true);
Bytes Smf(uint16_t format, uint16_t division, const std::vector<Bytes>& tracks);
Bytes Cat(std::initializer_list<Bytes> parts);
Bytes ReadWholeFile(const std::string& path);

// One message as the device receives it, with the stream time it is sent at.
struct SentMessage {
    uint64_t time = 0; // sum of deltas
    uint32_t delta = 0;
    uint8_t type = 0; // kMevtShortMsg, kMevtTempo or kMevtLongMsg
    Bytes bytes;      // short: status and data bytes; tempo: 3 bytes; long: all pieces joined
    int pieces = 1;
    bool operator==(const SentMessage& o) const { return type == o.type && bytes == o.bytes; }
};

struct StreamRun {
    int result = kMidiOk;
    std::vector<SentMessage> messages;
    std::vector<size_t> bufferUse; // bytes of each filled buffer
};

// Rewinds and fills buffers of `capacity` until the end, checking the layout of
// every event on the way (stream id 0, known types, padding inside the buffer);
// delta-0 long events are joined to the message before them.
StreamRun RunStream(MidiStreamConverter& conv, size_t capacity = kMidiStreamBufferSize,
                    uint32_t startTick = 0);

// Short-message bytes as the file holds them: status plus its data bytes.
Bytes ShortBytes(uint8_t status, uint8_t d1, uint8_t d2);
