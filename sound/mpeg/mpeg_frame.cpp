#include "sound/mpeg/mpeg_frame.h"

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
    const uint32_t mask = 0xFFF80C00u;
    if ((word & mask) != (first_.word & mask)) return false;
    if ((((word >> 6) & 3) == 3) != (first_.mode == 3)) return false;
    return MpegParseHeader(word, h);
}

int MpegBitstream::ReadFirst() {
    seenFirst_ = false;
    frameNumber_ = -1;
    highestFrame_ = -1;
    frameOffsets_.clear();
    position_ = 0;
    windowLength_ = 0;
    const int rc = ReadNext();
    return rc == kMpegOk ? kMpegOk : kMpegErrInvalidFile;
}

int MpegBitstream::ReadNext() {
    MpegFrameHeader h;
    for (;; ++position_) {
        if (!Fill(position_, 4)) return kMpegEndOfStream;
        const uint8_t* p = window_.data() + (position_ - windowStart_);
        const uint32_t word =
            uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
        if (!Accept(word, &h)) continue;
        if (!seenFirst_) {
            // The first header fixes the stream; an unusable one makes the file invalid.
            if (!MpegParseHeader(word, &h)) return kMpegErrInvalidFile;
        }
        break;
    }
    // The whole frame must be there; a frame cut short by the end of data is not one.
    const size_t total = 4 + size_t(h.frameSize);
    if (!Fill(position_, total)) return kMpegEndOfStream;
    const uint8_t* p = window_.data() + (position_ - windowStart_);
    std::memcpy(buffer_, p + 4, size_t(h.frameSize));
    std::memset(buffer_ + h.frameSize, 0, sizeof(buffer_) - size_t(h.frameSize));
    h.checksum = h.protection ? 0 : uint16_t(buffer_[0] << 8 | buffer_[1]);
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
