#include "sound/mpeg/mpeg_frame.h"

#include "common/byte_io.h"

#include <algorithm>
#include <cstring>

namespace {

// kbit/s by [version][layer - 1][index]; index 0 (free format) and 15 are not used.
const int16_t kBitrates[2][3][15] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
};
const int32_t kFrequencies[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};

constexpr size_t kWindowSize = 16384;

// Header bits that every header of a stream repeats: syncword, version bit and
// sampling frequency.
constexpr uint32_t kStreamBits = 0xFFF80C00u;
constexpr uint32_t kFrequencyBits = 0x00000C00u;

// Whole length in bytes of an "MPEG 2.5" frame (11-bit syncword, version bits
// 00; the low-sampling-frequency bitrates at half its sampling frequencies),
// or 0 when the word is not a usable one.  Such streams are not decoded; the
// length lets the search recognise one instead of taking a chance sync in it.
int Mpeg25FrameLength(uint32_t word) {
    static const int32_t kFrequencies25[3] = {11025, 12000, 8000};
    if ((word >> 21) != 0x7FF || ((word >> 19) & 3) != 0) return 0;
    const int layerBits = (word >> 17) & 3;
    const int bitrateIndex = (word >> 12) & 15;
    const int frequencyIndex = (word >> 10) & 3;
    if (layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || frequencyIndex == 3) return 0;
    const int layer = 4 - layerBits;
    const int64_t rate = int64_t(kBitrates[0][layer - 1][bitrateIndex]) * 1000;
    const int32_t freq = kFrequencies25[frequencyIndex];
    const int padding = (word >> 9) & 1;
    if (layer == 1) return int((12 * rate / freq + padding) * 4);
    return int((layer == 3 ? 72 : 144) * rate / freq + padding);
}

} // namespace

int MpegFrameHeader::sampleRate() const {
    return kFrequencies[version][frequencyIndex];
}

int MpegFrameHeader::bitrate() const {
    return kBitrates[version][layer - 1][bitrateIndex];
}

int MpegFrameHeader::unpaddedLength() const {
    const int64_t rate = int64_t(bitrate()) * 1000;
    if (layer == 1) return int(12 * rate / sampleRate()) * 4;
    int64_t n = 144 * rate / sampleRate();
    if (!version && layer == 3) n /= 2;
    return int(n);
}

bool MpegParseHeader(uint32_t word, MpegFrameHeader* h) {
    if ((word >> 20) != 0xFFF) return false;
    const int layerBits = (word >> 17) & 3;
    const int bitrateIndex = (word >> 12) & 15;
    const int frequencyIndex = (word >> 10) & 3;
    if (layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || frequencyIndex == 3)
        return false;
    h->word = word;
    h->version = (word >> 19) & 1;
    h->layer = 4 - layerBits;
    h->protection = (word >> 16) & 1;
    h->bitrateIndex = bitrateIndex;
    h->frequencyIndex = frequencyIndex;
    h->padding = (word >> 9) & 1;
    h->mode = (word >> 6) & 3;
    h->modeExtension = (word >> 4) & 3;
    h->intensityBound = h->mode == 1 ? 4 * h->modeExtension + 4 : 0;

    // Subbands coded by Layers I and II.  MPEG-1 Layer II picks its allocation table by
    // the bitrate per channel; the low-sampling-frequency extension has one table.
    if (h->layer == 1) {
        h->subbands = 32;
    } else if (!h->version) {
        h->subbands = 30;
    } else {
        int perChannel = bitrateIndex;
        if (h->mode != 3) perChannel = bitrateIndex == 4 ? 1 : bitrateIndex - 4;
        if (perChannel == 1 || perChannel == 2)
            h->subbands = frequencyIndex == 2 ? 12 : 8;
        else if (frequencyIndex == 1 || (perChannel >= 3 && perChannel <= 5))
            h->subbands = 27;
        else
            h->subbands = 30;
    }
    h->intensityBound = std::min(h->intensityBound, h->subbands);

    const int64_t rate = int64_t(h->bitrate()) * 1000;
    const int freq = h->sampleRate();
    if (h->layer == 1) {
        h->frameSize = int((12 * rate / freq + h->padding) * 4 - 4);
    } else {
        int64_t n = 144 * rate / freq;
        if (!h->version && h->layer == 3) n /= 2;
        h->frameSize = int(n + h->padding - 4);
    }
    if (h->layer == 3) {
        if (h->version)
            h->sideInfoSize = h->mode == 3 ? 17 : 32;
        else
            h->sideInfoSize = h->mode == 3 ? 9 : 17;
        h->mainDataSize = h->frameSize - h->sideInfoSize - (h->protection ? 0 : 2);
        if (h->mainDataSize < 0) return false;
    } else {
        h->sideInfoSize = 0;
        h->mainDataSize = 0;
    }
    return h->frameSize > 0 && h->frameSize <= kMpegFrameBufferSize;
}

uint16_t MpegCrcBits(uint16_t crc, const uint8_t* data, int bitCount) {
    for (int i = 0; i < bitCount; ++i) {
        const int bit = (data[i >> 3] >> (7 - (i & 7))) & 1;
        const int top = crc >> 15;
        crc = uint16_t(crc << 1);
        if (top ^ bit) crc ^= 0x8005;
    }
    return crc;
}

bool MpegBitstream::Fill(uint64_t offset, size_t n) {
    if (offset >= windowStart_ && offset + n <= windowStart_ + windowLength_) return true;
    if (window_.empty()) window_.resize(kWindowSize);
    windowStart_ = offset;
    windowLength_ = source_->ReadAt(offset, window_.data(), window_.size());
    return n <= windowLength_;
}

bool MpegBitstream::Accept(uint32_t word, MpegFrameHeader* h) const {
    if (!seenFirst_) return (word >> 20) == 0xFFF;
    // Syncword, version bit and sampling frequency must repeat those of the first header.
    if ((word & kStreamBits) != (first_.word & kStreamBits)) return false;
    if ((((word >> 6) & 3) == 3) != (first_.mode == 3)) return false;
    return MpegParseHeader(word, h);
}

// Length of an ID3v2 tag at the start of the data (0 when there is none):
//   "ID3", version (2-4) and revision bytes, flags, size as four 7-bit bytes
//   (most significant first) counting what follows the 10-byte header; a
//   version 4 tag with flag bit 4 set has a 10-byte footer after it.
// Such tags hold pictures and text in which the sync search would find chance
// headers, so the search starts after the tag.
uint64_t MpegBitstream::TagLength() {
    uint8_t t[10];
    if (source_->ReadAt(0, t, sizeof t) != sizeof t) return 0;
    if (t[0] != 'I' || t[1] != 'D' || t[2] != '3' || t[3] < 2 || t[3] > 4 || t[4] == 0xFF) return 0;
    if ((t[6] | t[7] | t[8] | t[9]) & 0x80) return 0;
    const uint64_t size = uint64_t(t[6]) << 21 | uint64_t(t[7]) << 14 | uint64_t(t[8]) << 7 | t[9];
    const uint64_t footer = t[3] == 4 && (t[5] & 0x10) ? 10 : 0;
    return 10 + size + footer;
}

// A first header is taken only when the frame after it starts with a header
// of the same version and sampling frequency, or with a metadata tag that
// follows a stream's last frame (ID3v1 "TAG", "APETAGEX", an appended "ID3",
// Lyrics3 "LYRICSBEGIN"), or when the data ends with its frame: a chance sync
// in whatever precedes the stream must not fix the stream's sampling
// frequency and layer.
bool MpegBitstream::AgreesWithNext(const MpegFrameHeader& h) {
    const uint64_t next = position_ + 4 + uint64_t(h.frameSize);
    if (!Fill(position_, size_t(next - position_))) return false; // frame cut short
    Fill(next, 11);
    if (next < windowStart_ || next >= windowStart_ + windowLength_) return true; // the end
    const uint8_t* p = window_.data() + (next - windowStart_);
    const size_t avail = size_t(windowStart_ + windowLength_ - next);
    for (const char* tag : {"TAG", "APETAGEX", "ID3", "LYRICSBEGIN"}) {
        const size_t n = std::strlen(tag);
        if (avail >= n && std::memcmp(p, tag, n) == 0) return true;
    }
    if (avail < 4) return false;
    const uint32_t word = LoadBE32(p);
    MpegFrameHeader second;
    return (word & kStreamBits) == (h.word & kStreamBits) && MpegParseHeader(word, &second);
}

// True when word starts an "MPEG 2.5" frame followed by another of the same
// sampling frequency (or by the end of the data): a stream this decoder does
// not support, which must not be mistaken for a chance sync inside it.
bool MpegBitstream::IsMpeg25Stream(uint32_t word) {
    const int length = Mpeg25FrameLength(word);
    if (length <= 4) return false;
    const uint64_t next = position_ + uint64_t(length);
    if (!Fill(position_, size_t(length))) return false;
    if (!Fill(next, 4)) return true;
    const uint32_t second = LoadBE32(window_.data() + (next - windowStart_));
    return Mpeg25FrameLength(second) > 0 && ((second ^ word) & kFrequencyBits) == 0;
}

int MpegBitstream::ReadFirst() {
    seenFirst_ = false;
    frameNumber_ = -1;
    highestFrame_ = -1;
    frameOffsets_.clear();
    windowLength_ = 0;
    const uint64_t tag = TagLength();
    position_ = tag < source_->Size() ? tag : 0; // a tag longer than the data is not one
    const int rc = ReadNext();
    return rc == kMpegOk ? kMpegOk : kMpegErrInvalidFile;
}

int MpegBitstream::ReadNext() {
    MpegFrameHeader h;
    for (;; ++position_) {
        if (!Fill(position_, 4)) return kMpegEndOfStream;
        const uint32_t word = LoadBE32(window_.data() + (position_ - windowStart_));
        if (!seenFirst_ && IsMpeg25Stream(word)) return kMpegErrInvalidFile;
        if (!Accept(word, &h)) continue;
        // The first header fixes the stream: it must be usable and agree with the
        // next one, else it was a chance sync in junk and the search goes on.
        if (!seenFirst_ && (!MpegParseHeader(word, &h) || !AgreesWithNext(h))) continue;
        break;
    }
    // The whole frame must be there; a frame cut short by the end of data is not one.
    const size_t total = 4 + size_t(h.frameSize);
    if (!Fill(position_, total)) return kMpegEndOfStream;
    const uint8_t* p = window_.data() + (position_ - windowStart_);
    std::memcpy(buffer_, p + 4, size_t(h.frameSize));
    std::memset(buffer_ + h.frameSize, 0, sizeof(buffer_) - size_t(h.frameSize));
    h.checksum = h.protection ? 0 : LoadBE16(buffer_);
    if (!seenFirst_) {
        first_ = h;
        seenFirst_ = true;
    }
    header_ = h;
    ++frameNumber_;
    if (frameNumber_ > highestFrame_) {
        highestFrame_ = frameNumber_;
        frameOffsets_.push_back(position_);
    }
    position_ += total;
    return kMpegOk;
}

void MpegBitstream::Rewind(uint32_t n) {
    position_ = frameOffsets_[n];
    frameNumber_ = int32_t(n) - 1;
}

uint32_t MpegBitstream::FrameCount() const {
    if (!seenFirst_) return 0;
    return uint32_t(source_->Size() / uint64_t(first_.unpaddedLength() + 1));
}

uint32_t MpegBitstream::CountFrames() {
    if (!seenFirst_) return 0;
    const MpegFrameHeader keepHeader = header_;
    const int32_t keepNumber = frameNumber_;
    const uint64_t keepPosition = position_;
    uint8_t keepBody[sizeof(buffer_)];
    std::memcpy(keepBody, buffer_, sizeof(buffer_));
    Rewind(uint32_t(highestFrame_));
    while (ReadNext() == kMpegOk) {
    }
    const uint32_t count = uint32_t(highestFrame_ + 1);
    header_ = keepHeader;
    frameNumber_ = keepNumber;
    position_ = keepPosition;
    std::memcpy(buffer_, keepBody, sizeof(buffer_));
    return count;
}

size_t MpegMemorySource::ReadAt(uint64_t offset, void* out, size_t n) {
    if (offset >= size_) return 0;
    const size_t count = std::min<uint64_t>(n, size_ - offset);
    std::memcpy(out, data_ + offset, count);
    return count;
}
