#include "sound/midi/midi_stream_converter.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr size_t kMinFillCapacity = 16;
// The byte count of a long event has 24 bits; a piece stays a multiple of 4 below that.
constexpr size_t kMaxLongPiece = 0xFFFFFC;
constexpr int kPrerollControllers = 120; // 120..127 are channel-mode messages

uint32_t Tempo24(const uint8_t* p) {
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

bool IsTempoEvent(const SmfEvent& ev) {
    return ev.status == 0xFF && ev.metaType == 0x51;
}

} // namespace

size_t MidiPrerollBlockSize(size_t block, size_t needed) {
    if (block < kMidiPrerollFirstBlock) block = kMidiPrerollFirstBlock;
    while (block - kMidiStreamHeaderArea < needed) {
        if (block >= kMidiPrerollLastBlock) return 0;
        block = std::min(block * 2, kMidiPrerollLastBlock);
    }
    return block;
}

MidiStreamConverter::MidiStreamConverter() {
    std::fill(&program_[0], &program_[0] + 16, int16_t(-1));
    std::fill(&controller_[0][0], &controller_[0][0] + 16 * kPrerollControllers, int16_t(-1));
}

void MidiStreamConverter::Unload() {
    cursor_.reset();
    tracks_.clear();
    tempoMap_.clear();
    image_.clear();
    header_ = SmfHeader();
    lengthTicks_ = 0;
    minimumDelta_ = 1;
    loaded_ = false;
    rewound_ = false;
    haveHeld_ = false;
    longRest_ = nullptr;
    longRestSize_ = 0;
}

int MidiStreamConverter::Load(const uint8_t* image, size_t size) {
    Unload();
    const uint8_t* smf = nullptr;
    size_t smfSize = 0;
    int r = UnwrapRmid(image, size, &smf, &smfSize);
    if (r != kMidiOk) return r;
    try {
        image_.assign(smf, smf + smfSize);
        r = ParseSmf(image_.data(), image_.size(), &header_, &tracks_);
        if (r == kMidiOk) r = BuildTempoMap();
        if (r == kMidiOk) cursor_.reset(new SmfEventCursor(header_, tracks_));
    } catch (const std::bad_alloc&) {
        r = kMidiNoMemory;
    }
    if (r != kMidiOk) {
        Unload();
        return r;
    }
    minimumDelta_ = ComputeMinimumDelta(0);
    loaded_ = true;
    return kMidiOk;
}

// One pass over every event: it checks the whole file before anything plays,
// collects the tempo changes and finds the length.
int MidiStreamConverter::BuildTempoMap() {
    SmfEventCursor cursor(header_, tracks_);
    SmfEvent ev;
    uint32_t last = 0;
    while (cursor.Next(&ev)) {
        last = std::max(last, ev.tick);
        if (!IsTempoEvent(ev)) continue;
        if (ev.payloadSize != 3) return kMidiInvalidData;
        uint32_t tempo = Tempo24(ev.payload);
        if (tempo == 0) return kMidiInvalidData;
        if (tempoMap_.empty() && ev.tick != 0) tempoMap_.push_back({0, 0, kMidiDefaultTempo});
        tempoMap_.push_back({ev.tick, 0, tempo});
    }
    if (cursor.error() != kMidiOk) return cursor.error();
    if (tempoMap_.empty()) tempoMap_.push_back({0, 0, kMidiDefaultTempo});
    lengthTicks_ = last;

    for (size_t i = 1; i < tempoMap_.size(); ++i) {
        const TempoMapEntry& prev = tempoMap_[i - 1];
        uint64_t ms = prev.ms + SpanMs(tempoMap_[i].tick - prev.tick, prev.tempo);
        if (ms > 0xFFFFFFFFu) return kMidiInvalidData;
        tempoMap_[i].ms = uint32_t(ms);
    }
    if (TickToMs(lengthTicks_) > 0xFFFFFFFFu) return kMidiInvalidData;
    return kMidiOk;
}

uint32_t MidiStreamConverter::TempoAt(uint32_t tick) const {
    auto it = std::upper_bound(tempoMap_.begin(), tempoMap_.end(), tick,
                               [](uint32_t t, const TempoMapEntry& e) { return t < e.tick; });
    return it == tempoMap_.begin() ? kMidiDefaultTempo : (it - 1)->tempo;
}

uint64_t MidiStreamConverter::SpanMs(uint32_t ticks, uint32_t tempo) const {
    // SMPTE divisions count real time; tempo events do not change it.
    int fps = SmpteFramesPerSecond(header_.division);
    if (fps != 0) return MulDivRound(ticks, 1000, uint32_t(fps) * (header_.division & 0xFF));
    return MulDivRound(ticks, tempo, uint32_t(header_.division) * 1000u);
}

uint64_t MidiStreamConverter::TickToMs(uint32_t tick) const {
    auto it = std::upper_bound(tempoMap_.begin(), tempoMap_.end(), tick,
                               [](uint32_t t, const TempoMapEntry& e) { return t < e.tick; });
    if (it == tempoMap_.begin()) return 0;
    const TempoMapEntry& e = *(it - 1);
    return e.ms + SpanMs(tick - e.tick, e.tempo);
}

uint32_t MidiStreamConverter::ComputeMinimumDelta(uint32_t tick) const {
    uint64_t ticks;
    int fps = SmpteFramesPerSecond(header_.division);
    if (fps != 0)
        ticks = MulDivRound(kMidiMinimumDeltaMs, uint32_t(fps) * (header_.division & 0xFF), 1000);
    else
        ticks = MulDivRound(kMidiMinimumDeltaMs * 1000, header_.division, TempoAt(tick));
    return ticks < 1 ? 1 : uint32_t(ticks);
}

int MidiStreamConverter::Rewind(uint32_t startTick) {
    if (!loaded_) return kMidiWrongState;
    cursor_->Reset();
    haveHeld_ = false;
    longRest_ = nullptr;
    longRestSize_ = 0;
    prerollTempo_ = kMidiDefaultTempo;
    std::fill(&program_[0], &program_[0] + 16, int16_t(-1));
    std::fill(&controller_[0][0], &controller_[0][0] + 16 * kPrerollControllers, int16_t(-1));

    for (;;) {
        if (!haveHeld_) {
            if (!cursor_->Next(&held_)) break;
            haveHeld_ = true;
        }
        if (held_.tick >= startTick) break;
        const SmfEvent& ev = held_;
        if (IsTempoEvent(ev) && ev.payloadSize == 3) {
            prerollTempo_ = Tempo24(ev.payload);
        } else if ((ev.status & 0xF0) == 0xC0) {
            program_[ev.status & 0x0F] = ev.data[0];
        } else if ((ev.status & 0xF0) == 0xB0 && ev.data[0] < kPrerollControllers) {
            controller_[ev.status & 0x0F][ev.data[0]] = ev.data[1];
        }
        haveHeld_ = false;
    }
    if (cursor_->error() != kMidiOk) return cursor_->error();
    streamTick_ = startTick;
    minimumDelta_ = ComputeMinimumDelta(startTick);
    rewound_ = true;
    return kMidiOk;
}

int MidiStreamConverter::WritePreroll(uint8_t* out, size_t capacity, size_t* used) const {
    *used = 0;
    if (!rewound_) return kMidiWrongState;
    size_t count = 1;
    for (int ch = 0; ch < 16; ++ch) {
        if (program_[ch] >= 0) ++count;
        for (int c = 0; c < kPrerollControllers; ++c)
            if (controller_[ch][c] >= 0) ++count;
    }
    size_t needed = count * kMidiEventHeaderSize;
    if (capacity < needed) {
        *used = needed;
        return kMidiBufferTooSmall;
    }
    uint8_t* p = out;
    PutTempoEvent(p, 0, prerollTempo_);
    p += kMidiEventHeaderSize;
    for (int ch = 0; ch < 16; ++ch) {
        if (program_[ch] < 0) continue;
        PutShortEvent(p, 0, uint8_t(0xC0 | ch), uint8_t(program_[ch]), 0);
        p += kMidiEventHeaderSize;
    }
    for (int ch = 0; ch < 16; ++ch) {
        for (int c = 0; c < kPrerollControllers; ++c) {
            if (controller_[ch][c] < 0) continue;
            PutShortEvent(p, 0, uint8_t(0xB0 | ch), uint8_t(c), uint8_t(controller_[ch][c]));
            p += kMidiEventHeaderSize;
        }
    }
    *used = needed;
    return kMidiOk;
}

bool MidiStreamConverter::Sendable(const SmfEvent& ev) const {
    if (ev.status < 0xF0 || ev.status == 0xF0) return true;
    if (ev.status == 0xF7) return ev.payloadSize > 0;
    return IsTempoEvent(ev);
}

bool MidiStreamConverter::PeekSendable() {
    for (;;) {
        if (!haveHeld_) {
            if (!cursor_->Next(&held_)) return false;
            haveHeld_ = true;
        }
        if (Sendable(held_)) return true;
        haveHeld_ = false;
    }
}

int MidiStreamConverter::FillBuffer(uint8_t* out, size_t capacity, size_t* used, bool* end) {
    *used = 0;
    *end = false;
    if (!rewound_ || capacity < kMinFillCapacity || capacity % 4 != 0) return kMidiWrongState;
    size_t pos = 0;

    // The rest of a long message cut at the end of the previous buffer.
    auto putLong = [&](uint32_t delta, bool withF0, const uint8_t* data, uint32_t size) {
        size_t total = size_t(size) + (withF0 ? 1 : 0);
        size_t piece = std::min({total, capacity - pos - kMidiEventHeaderSize, kMaxLongPiece});
        uint8_t* p = out + pos;
        PutLongEventHeader(p, delta, uint32_t(piece));
        uint8_t* q = p + kMidiEventHeaderSize;
        size_t fromData = piece;
        if (withF0) {
            *q++ = 0xF0;
            --fromData;
        }
        std::memcpy(q, data, fromData);
        size_t padded = MidiEventSize(piece);
        std::memset(p + kMidiEventHeaderSize + piece, 0, padded - kMidiEventHeaderSize - piece);
        pos += padded;
        longRest_ = fromData < size ? data + fromData : nullptr;
        longRestSize_ = uint32_t(size - fromData);
    };

    if (longRest_) putLong(0, false, longRest_, longRestSize_);

    while (!longRest_ && capacity - pos >= kMinFillCapacity && PeekSendable()) {
        const SmfEvent& ev = held_;
        // The tick the stream has reached may be ahead of the event's own tick
        // after a run of events on one tick; the gap that follows pays it back.
        uint64_t gap = ev.tick > streamTick_ ? ev.tick - streamTick_ : 0;
        uint32_t delta = uint32_t(std::max<uint64_t>(gap, minimumDelta_));
        if (ev.status < 0xF0) {
            PutShortEvent(out + pos, delta, ev.status, ev.data[0],
                          ev.dataCount > 1 ? ev.data[1] : 0);
            pos += kMidiEventHeaderSize;
        } else if (ev.status == 0xFF) {
            PutTempoEvent(out + pos, delta, Tempo24(ev.payload));
            pos += kMidiEventHeaderSize;
        } else {
            putLong(delta, ev.status == 0xF0, ev.payload, ev.payloadSize);
        }
        streamTick_ += delta;
        haveHeld_ = false;
    }
    *used = pos;
    if (cursor_->error() != kMidiOk) return cursor_->error();
    if (!longRest_ && !PeekSendable()) {
        if (cursor_->error() != kMidiOk) return cursor_->error();
        *end = true;
    }
    return kMidiOk;
}
