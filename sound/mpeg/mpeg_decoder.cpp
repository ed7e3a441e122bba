#include "sound/mpeg/mpeg_audio.h"

#include "sound/mpeg/mpeg_frame.h"
#include "sound/mpeg/mpeg_layer12.h"
#include "sound/mpeg/mpeg_layer3.h"
#include "sound/mpeg/mpeg_synth.h"

#include <cstring>
#include <new>

const char kMpegTextNoMemory[] = "No memory";
const char kMpegTextOutOfMemory[] = "Out of memory";
const char kMpegTextSeek[] = "Fail to seek";
const char kMpegTextInvalidFile[] = "Invalid file";
const char kMpegTextBitstream[] = "Cannot create bitstream";
const char kMpegTextOutput[] = "Cannot write to output buffer";
const char kMpegTextOpenOutput[] = "Fail to create output buffer";

const char* MpegErrorText(int code) {
    switch (code) {
    case kMpegErrNoMemory:
        return kMpegTextNoMemory;
    case kMpegErrSeek:
        return kMpegTextSeek;
    case kMpegErrInvalidFile:
        return kMpegTextInvalidFile;
    case kMpegErrFileRead:
        return kMpegTextBitstream;
    case kMpegErrOutput:
        return kMpegTextOutput;
    default:
        return "";
    }
}

MpegDecoder::MpegDecoder(double scale) : scale_(scale) {}

MpegDecoder::~MpegDecoder() = default;

int MpegDecoder::Open(MpegSource* source) {
    haveFrame_ = false;
    lastLayer_ = 0;
    bitstream_.reset(new (std::nothrow) MpegBitstream(source));
    if (!layer12_) layer12_.reset(new (std::nothrow) MpegLayer12());
    if (!layer3_) layer3_.reset(new (std::nothrow) MpegLayer3());
    for (auto& s : synth_)
        if (!s) s.reset(new (std::nothrow) MpegSynthesis(scale_));
    if (!bitstream_ || !layer12_ || !layer3_ || !synth_[0] || !synth_[1]) {
        bitstream_.reset();
        return kMpegErrNoMemory;
    }
    const int rc = bitstream_->ReadFirst();
    if (rc != kMpegOk) {
        bitstream_.reset();
        return rc;
    }
    ResetFilters();
    haveFrame_ = true;
    return kMpegOk;
}

int MpegDecoder::sampleRate() const {
    return bitstream_ ? bitstream_->firstHeader().sampleRate() : 0;
}

int MpegDecoder::channels() const {
    return bitstream_ ? bitstream_->firstHeader().channels() : 0;
}

int MpegDecoder::layer() const {
    return bitstream_ ? bitstream_->header().layer : 0;
}

int MpegDecoder::samplesPerFrame() const {
    return bitstream_ ? bitstream_->header().samplesPerFrame() : 0;
}

uint32_t MpegDecoder::FrameCount() const {
    return bitstream_ ? bitstream_->FrameCount() : 0;
}

uint64_t MpegDecoder::LengthMs() const {
    if (!bitstream_) return 0;
    const MpegFrameHeader& h = bitstream_->firstHeader();
    return uint64_t(FrameCount()) * uint64_t(h.samplesPerFrame()) * 1000 / uint64_t(h.sampleRate());
}

uint32_t MpegDecoder::CountFrames() {
    return bitstream_ ? bitstream_->CountFrames() : 0;
}

int32_t MpegDecoder::frameNumber() const {
    return bitstream_ ? bitstream_->frameNumber() : -1;
}

int32_t MpegDecoder::highestFrame() const {
    return bitstream_ ? bitstream_->highestFrame() : -1;
}

void MpegDecoder::ResetFilters() {
    for (auto& s : synth_)
        s->Reset();
    layer3_->Reset();
}

int MpegDecoder::DecodeFrame(int16_t* out, size_t capacity, int* samples) {
    *samples = 0;
    if (!haveFrame_) return kMpegEndOfStream;
    const MpegFrameHeader& h = bitstream_->header();
    const int nch = h.channels();
    const int count = h.samplesPerFrame();
    if (capacity < size_t(count) * size_t(nch)) return kMpegErrOutput;
    // Layer III keeps state across frames that belongs to Layer III frames only.
    if (h.layer != lastLayer_ && (h.layer == 3 || lastLayer_ == 3)) layer3_->Reset();
    lastLayer_ = h.layer;
    MpegSynthesis* const synth[2] = {synth_[0].get(), synth_[1].get()};
    const bool decoded = h.layer == 3 ? layer3_->Decode(h, bitstream_->body(), synth, out)
                                      : layer12_->Decode(h, bitstream_->body(), synth, out);
    if (!decoded) std::memset(out, 0, size_t(count) * size_t(nch) * sizeof(int16_t));
    *samples = count;
    haveFrame_ = bitstream_->ReadNext() == kMpegOk;
    return kMpegOk;
}

int MpegDecoder::SeekFrame(uint32_t n) {
    if (!bitstream_) return kMpegErrSeek;
    ResetFilters();
    lastLayer_ = 0;
    // Two whole frames decoded before n fill the synthesis history (16 slots; a Layer I
    // frame has 12) and the Layer III overlap, so that frame n decodes exactly as in an
    // uninterrupted run.  Before those, frames worth about 1 KB of main data only feed
    // the Layer III reservoir, which reaches back at most 511 bytes.
    constexpr uint32_t kWarmFrames = 2;
    constexpr uint64_t kPrimeBytes = 1024;
    constexpr uint32_t kMaxPrimeFrames = 64;
    const uint32_t warmStart = n > kWarmFrames ? n - kWarmFrames : 0;
    const uint32_t highest = uint32_t(bitstream_->highestFrame());
    uint32_t first = warmStart < highest ? warmStart : highest;
    uint64_t bytes = 0;
    while (first > 0 && bytes < kPrimeBytes && warmStart - first < kMaxPrimeFrames) {
        bytes += bitstream_->FrameOffset(first) - bitstream_->FrameOffset(first - 1);
        --first;
    }
    bitstream_->Rewind(first);
    if (bitstream_->ReadNext() != kMpegOk) {
        haveFrame_ = false;
        return kMpegErrSeek;
    }
    std::vector<int16_t> scratch(size_t(kMpegMaxFrameSamples) * kMpegMaxChannels);
    while (uint32_t(bitstream_->frameNumber()) < n) {
        const MpegFrameHeader& h = bitstream_->header();
        if (uint32_t(bitstream_->frameNumber()) < warmStart) {
            if (h.layer == 3) {
                if (lastLayer_ != 3) layer3_->Reset();
                layer3_->Prime(h, bitstream_->body());
            }
            lastLayer_ = h.layer;
            if (bitstream_->ReadNext() != kMpegOk) {
                haveFrame_ = false;
                return kMpegErrSeek;
            }
        } else {
            haveFrame_ = true;
            int samples;
            DecodeFrame(scratch.data(), scratch.size(), &samples);
            if (!haveFrame_) return kMpegErrSeek;
        }
    }
    haveFrame_ = true;
    return kMpegOk;
}
