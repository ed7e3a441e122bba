#include "sound/midi/smf_file.h"

#include <algorithm>
#include <cstring>

#include "common/byte_io.h"

namespace {

constexpr uint64_t kMaxTick = 0x7FFFFFFF;

} // namespace

int MidiResultToMciError(int result) {
    switch (result) {
    case kMidiOk:
        return 0;
    case kMidiNoMemory:
        return 264;
    case kMidiInvalidData:
    case kMidiCannotOpen:
    case kMidiUnsupported:
        return 296;
    default:
        return 274;
    }
}

int UnwrapRmid(const uint8_t* image, size_t size, const uint8_t** smf, size_t* smfSize) {
    *smf = image;
    *smfSize = size;
    if (size < 12 || std::memcmp(image, "RIFF", 4) != 0 || std::memcmp(image + 8, "RMID", 4) != 0)
        return kMidiOk;
    // The form's chunks lie between offset 12 and the end the form size gives,
    // cut to the file: a short file still yields a whole "data" chunk if it has one.
    uint64_t formEnd = 8 + uint64_t(LoadLE32(image + 4));
    size_t end = formEnd < size ? size_t(formEnd) : size;
    size_t pos = 12;
    // A form too small for its own type holds no chunks.
    if (end < pos) return kMidiInvalidData;
    while (end - pos >= 8) {
        uint32_t chunkSize = LoadLE32(image + pos + 4);
        size_t body = pos + 8;
        if (std::memcmp(image + pos, "data", 4) == 0) {
            if (chunkSize > size - body) return kMidiInvalidData;
            *smf = image + body;
            *smfSize = chunkSize;
            return kMidiOk;
        }
        uint64_t next = uint64_t(body) + chunkSize + (chunkSize & 1);
        if (next > end) break;
        pos = size_t(next);
    }
    return kMidiInvalidData;
}

int SmpteFramesPerSecond(uint16_t division) {
    if (!(division & 0x8000)) return 0;
    switch (int8_t(division >> 8)) {
    case -24:
        return 24;
    case -25:
        return 25;
    case -29: // 29.97 drop-frame: counted as 30 frames a second
    case -30:
        return 30;
    default:
        return 0;
    }
}

int ParseSmf(const uint8_t* data, size_t size, SmfHeader* header, std::vector<SmfTrack>* tracks) {
    tracks->clear();
    if (size < 8 || std::memcmp(data, "MThd", 4) != 0) return kMidiInvalidData;
    uint32_t headerLength = LoadBE32(data + 4);
    if (headerLength < 6 || headerLength > size - 8) return kMidiInvalidData;
    header->format = LoadBE16(data + 8);
    header->trackCount = LoadBE16(data + 10);
    header->division = LoadBE16(data + 12);
    if (header->division == 0) return kMidiInvalidData;
    if (header->division & 0x8000) {
        if (SmpteFramesPerSecond(header->division) == 0) return kMidiUnsupported;
        if ((header->division & 0xFF) == 0) return kMidiInvalidData;
    }
    if (header->format > 2) return kMidiUnsupported;

    size_t pos = 8 + size_t(headerLength);
    // Every chunk takes at least 8 bytes, so the file bounds the reservation.
    tracks->reserve(std::min<size_t>(header->trackCount, (size - pos) / 8));
    while (tracks->size() < header->trackCount) {
        if (size - pos < 8) return kMidiInvalidData;
        uint32_t length = LoadBE32(data + pos + 4);
        if (length > size - pos - 8) return kMidiInvalidData;
        if (std::memcmp(data + pos, "MTrk", 4) == 0) tracks->push_back({data + pos + 8, length});
        pos += 8 + size_t(length);
    }
    return kMidiOk;
}

uint64_t MulDivRound(uint32_t a, uint32_t b, uint32_t c) {
    // (2^32 - 1)^2 + 2^31 stays below 2^64.
    uint64_t product = uint64_t(a) * uint64_t(b);
    return (product + c / 2) / c;
}

SmfEventCursor::SmfEventCursor(const SmfHeader& header, const std::vector<SmfTrack>& tracks)
    : header_(header), tracks_(tracks) {
    Reset();
}

void SmfEventCursor::Reset() {
    error_ = kMidiOk;
    state_.assign(tracks_.size(), TrackState());
    heap_.clear();
    heap_.reserve(tracks_.size());
    nextSequential_ = 0;
    if (header_.format == 2) {
        if (!tracks_.empty()) {
            nextSequential_ = 1;
            Activate(0, 0);
        }
    } else {
        for (size_t i = 0; i < tracks_.size() && error_ == kMidiOk; ++i)
            Activate(uint16_t(i), 0);
    }
}

void SmfEventCursor::Activate(uint16_t index, uint64_t startTick) {
    // Format 2 passes over tracks without events to the next one at the same tick.
    for (;;) {
        state_[index].tick = startTick;
        if (!ReadEvent(index)) return;
        if (state_[index].active) {
            PushHeap(index);
            return;
        }
        if (header_.format != 2 || nextSequential_ >= tracks_.size()) return;
        index = nextSequential_++;
    }
}

bool SmfEventCursor::ReadEvent(uint16_t index) {
    TrackState& st = state_[index];
    const SmfTrack& tr = tracks_[index];
    const uint8_t* d = tr.data;
    uint32_t size = tr.size;
    st.active = false;
    if (st.finished || st.pos >= size) {
        st.finished = true;
        return true;
    }

    auto fail = [this]() {
        error_ = kMidiInvalidData;
        return false;
    };
    // At most four bytes; the last one has bit 7 clear.
    auto readVlq = [&](uint32_t* value) {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            if (st.pos >= size) return false;
            uint8_t b = d[st.pos++];
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) {
                *value = v;
                return true;
            }
        }
        return false;
    };

    uint32_t delta = 0;
    if (!readVlq(&delta)) return fail();
    uint64_t tick = st.tick + delta;
    if (tick > kMaxTick) return fail();
    if (st.pos >= size) return fail();

    SmfEvent& ev = st.pending;
    ev = SmfEvent();
    ev.tick = uint32_t(tick);
    ev.track = index;
    uint8_t status = d[st.pos];
    if (status < 0x80) {
        if (st.runningStatus == 0) return fail();
        status = st.runningStatus;
    } else {
        ++st.pos;
    }
    ev.status = status;

    if (status < 0xF0) {
        st.runningStatus = status;
        uint8_t high = status & 0xF0;
        ev.dataCount = (high == 0xC0 || high == 0xD0) ? 1 : 2;
        if (size - st.pos < ev.dataCount) return fail();
        for (int i = 0; i < ev.dataCount; ++i) {
            // A byte with bit 7 set here is a status where data belongs: the track is damaged.
            if (d[st.pos] & 0x80) return fail();
            ev.data[i] = d[st.pos++];
        }
    } else if (status == 0xF0 || status == 0xF7 || status == 0xFF) {
        if (status == 0xFF) {
            if (st.pos >= size) return fail();
            ev.metaType = d[st.pos++];
        }
        uint32_t length = 0;
        if (!readVlq(&length)) return fail();
        if (length > size - st.pos) return fail();
        ev.payload = d + st.pos;
        ev.payloadSize = length;
        st.pos += length;
        if (status == 0xFF && ev.metaType == 0x2F) st.finished = true;
    } else {
        // F1..F6 and F8..FE are real-time and common messages that have no
        // place in a file.
        return fail();
    }
    st.tick = tick;
    st.active = true;
    return true;
}

bool SmfEventCursor::Before(uint16_t a, uint16_t b) const {
    uint32_t ta = state_[a].pending.tick, tb = state_[b].pending.tick;
    return ta < tb || (ta == tb && a < b);
}

void SmfEventCursor::PushHeap(uint16_t index) {
    heap_.push_back(index);
    std::push_heap(heap_.begin(), heap_.end(),
                   [this](uint16_t x, uint16_t y) { return Before(y, x); });
}

uint16_t SmfEventCursor::PopHeap() {
    std::pop_heap(heap_.begin(), heap_.end(),
                  [this](uint16_t x, uint16_t y) { return Before(y, x); });
    uint16_t index = heap_.back();
    heap_.pop_back();
    return index;
}

bool SmfEventCursor::Next(SmfEvent* out) {
    if (error_ != kMidiOk || heap_.empty()) return false;
    uint16_t index = PopHeap();
    *out = state_[index].pending;
    if (!ReadEvent(index)) return false;
    if (state_[index].active) {
        PushHeap(index);
    } else if (header_.format == 2 && nextSequential_ < tracks_.size()) {
        // The next pattern starts where this one ended.
        Activate(nextSequential_++, state_[index].tick);
        if (error_ != kMidiOk) return false;
    }
    return true;
}
