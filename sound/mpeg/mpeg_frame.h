// Frame headers and the frame-level bitstream: sync search, header acceptance, frame
// bodies, the frame index used for seeking, and the CRC-16 of protected frames.
#pragma once

#include "sound/mpeg/mpeg_audio.h"

#include <cstdint>
#include <vector>

// The 32-bit frame header, most significant bit first:
//
//   bits 31..20  syncword, all ones (the 12-bit form; the 2.5 extension is not MPEG)
//   bit  19      version: 1 = MPEG-1, 0 = MPEG-2 low sampling frequency
//   bits 18..17  layer: 3 = I, 2 = II, 1 = III, 0 reserved
//   bit  16      protection: 0 = a CRC-16 follows the header, 1 = none
//   bits 15..12  bitrate index: 0 free format, 15 forbidden
//   bits 11..10  sampling frequency index: 3 reserved
//   bit  9       padding: one slot (4 bytes in Layer I, 1 byte otherwise) added
//   bit  8       private
//   bits 7..6    mode: 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
//   bits 5..4    mode extension
//   bits 3..0    copyright, original, emphasis
struct MpegFrameHeader {
    int layer = 0;      // 1, 2, 3
    int protection = 1; // 1 = no CRC
    int bitrateIndex = 0;
    int padding = 0;
    int mode = 0;
    int modeExtension = 0;
    int version = 1; // 1 = MPEG-1, 0 = MPEG-2 LSF
    int frequencyIndex = 0;
    int subbands = 0;       // subbands coded by the Layer I/II readers
    int intensityBound = 0; // first subband of Layer I/II joint-stereo intensity coding
    int frameSize = 0;      // bytes after the 4-byte header
    int mainDataSize = 0;   // Layer III main data bytes in this frame
    int sideInfoSize = 0;   // Layer III side information bytes
    uint16_t checksum = 0;  // stored CRC-16 of a protected frame
    uint32_t word = 0;      // the raw header

    int channels() const { return mode == 3 ? 1 : 2; }
    int sampleRate() const;
    int bitrate() const; // kbit/s
    int samplesPerFrame() const { return layer == 1 ? 384 : (layer == 3 && !version ? 576 : 1152); }
    // Bytes of the whole frame (header included) without its padding slot.
    int unpaddedLength() const;
};

// Decodes word into h.  False for reserved or unsupported values: sync missing, layer 0,
// bitrate index 15 (forbidden) or 0 (free format, which has no frame length in the
// header), sampling frequency index 3.
bool MpegParseHeader(uint32_t word, MpegFrameHeader* h);

// CRC-16 of protected frames: polynomial 0x8005 (x^16 + x^15 + x^2 + 1), initial value
// 0xFFFF, fed most significant bit first.
uint16_t MpegCrcBits(uint16_t crc, const uint8_t* data, int bitCount);

// Largest frame body (bytes after the header): Layer II at 384 kbit/s and 32 kHz with
// padding is 1725 bytes; a whole number of 32-bit words with room to spare.
constexpr int kMpegFrameBufferSize = 1732;

// The stream as a sequence of frames.  The search starts after an ID3v2 tag at the
// start of the data.  Before the first header a sync is 0xFF followed by a byte whose
// upper four bits are all ones, and the first header counts only when the next frame's
// header agrees with it (or its frame ends the data); later headers must repeat the
// first one's version, sampling frequency and single-channel state, or the search
// slides on by one byte.  Every frame read is recorded by its offset so that any frame already
// passed can be found again exactly.
class MpegBitstream {
  public:
    explicit MpegBitstream(MpegSource* source) : source_(source) {}

    // Reads the first header and its body: kMpegOk or kMpegErrInvalidFile.
    int ReadFirst();
    // Reads the next header and body: kMpegOk, or kMpegEndOfStream at the end of data
    // (a frame cut short by the end counts as the end).
    int ReadNext();
    // Positions so that the next ReadNext() reads frame n again; n <= highestFrame().
    void Rewind(uint32_t n);
    // Header offset of frame n <= highestFrame().
    uint64_t FrameOffset(uint32_t n) const { return frameOffsets_[n]; }

    const MpegFrameHeader& header() const { return header_; }
    const MpegFrameHeader& firstHeader() const { return first_; }
    // Body of the current frame: header().frameSize bytes, zero-padded to the buffer end.
    const uint8_t* body() const { return buffer_; }
    int32_t frameNumber() const { return frameNumber_; }
    int32_t highestFrame() const { return highestFrame_; }
    uint32_t FrameCount() const;
    uint32_t CountFrames();

  private:
    bool Fill(uint64_t offset, size_t n);
    bool Accept(uint32_t word, MpegFrameHeader* h) const;
    uint64_t TagLength();
    bool AgreesWithNext(const MpegFrameHeader& h);
    bool IsMpeg25Stream(uint32_t word);

    MpegSource* source_;
    uint64_t position_ = 0; // where the next header search starts
    MpegFrameHeader header_;
    MpegFrameHeader first_;
    bool seenFirst_ = false;
    int32_t frameNumber_ = -1;
    int32_t highestFrame_ = -1;
    std::vector<uint64_t> frameOffsets_; // header offset of every frame read so far
    uint8_t buffer_[kMpegFrameBufferSize + 8] = {};
    // Read-ahead window over the source so that the byte-wise sync search does not
    // cost one source read per position.
    std::vector<uint8_t> window_;
    uint64_t windowStart_ = 0;
    size_t windowLength_ = 0;
};
