// MPEG audio decoding (ISO/IEC 11172-3 Layers I, II, III and the ISO/IEC 13818-3
// low-sampling-frequency extension at 16, 22.05 and 24 kHz): bytes in, 16-bit PCM out.
//
// Portable and free of hidden I/O: the caller owns every object, supplies the bytes
// through an MpegSource (a block of memory or its own reader) and drives decoding one
// frame at a time.  The wave-output worker of the player is written on top of this:
//
//     MpegMemorySource src(bytes, size);          // or a reader of its own
//     MpegDecoder dec;
//     int rc = dec.Open(&src);                    // 0, or kMpegErrInvalidFile
//     std::vector<int16_t> pcm(kMpegMaxFrameSamples * kMpegMaxChannels);
//     int samples;                                // per channel, this frame
//     while ((rc = dec.DecodeFrame(pcm.data(), pcm.size(), &samples)) == kMpegOk)
//         Play(pcm.data(), samples * dec.channels());
//     // rc == kMpegEndOfStream when the stream is used up
//
// Stream rules: an ID3v2 tag at the start is skipped; before the first frame the sync
// search slides byte by byte past any junk, and a header counts as the first only when
// the next frame starts with a header of the same version and sampling frequency (or a
// trailing tag, or the end of the data); the first header fixes the version, sampling
// frequency and single-channel state, and a later header that differs in any of them is
// junk and skipped the same way.  A frame cut short by the end of the data ends the
// stream.  Free format (bitrate index 0) is not supported, and a stream of the
// unofficial "MPEG 2.5" rates is refused as an invalid file.
//
// Threading: one decoder must be used by one thread at a time; distinct decoders are
// independent.  Tables are built once, on first use, thread-safely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Results.  The error numbers are MCI error numbers so that the player can show the
// system's text for them; kMpegOk and kMpegEndOfStream are not errors.
enum : int {
    kMpegOk = 0,
    kMpegEndOfStream = -1,     // no frame left to decode
    kMpegErrNoMemory = 264,    // MCIERR_OUT_OF_MEMORY
    kMpegErrSeek = 274,        // MCIERR_UNSUPPORTED_FUNCTION: the seek target cannot be reached
    kMpegErrInvalidFile = 296, // MCIERR_INVALID_FILE: no valid first header
    kMpegErrFileRead = 348,    // MCIERR_FILE_READ: the file cannot be opened
    kMpegErrOutput = 349,      // MCIERR_FILE_WRITE: the output cannot take a frame
};

// Message texts that go with the numbers above, exactly as the player posts them.
extern const char kMpegTextNoMemory[];    // "No memory"
extern const char kMpegTextOutOfMemory[]; // "Out of memory" (player, header object)
extern const char kMpegTextSeek[];        // "Fail to seek"
extern const char kMpegTextInvalidFile[]; // "Invalid file"
extern const char kMpegTextBitstream[];   // "Cannot create bitstream"
extern const char kMpegTextOutput[];      // "Cannot write to output buffer"
extern const char kMpegTextOpenOutput[];  // "Fail to create output buffer"
// The worker's text for one of the numbers above; "" for others.
const char* MpegErrorText(int code);

constexpr int kMpegMaxFrameSamples = 1152; // samples per channel in the longest frame
constexpr int kMpegMaxChannels = 2;
constexpr double kMpegOutputScale = 32768.0; // synthesis output for a full-scale sample

// Where the compressed bytes come from.  Reads are positional so that a reader over a
// file handle needs no shared file pointer; a short count means end of data.
class MpegSource {
  public:
    virtual ~MpegSource() = default;
    // Copies up to n bytes starting at offset into out; returns how many were copied
    // (0 at or past the end, or on a read failure).
    virtual size_t ReadAt(uint64_t offset, void* out, size_t n) = 0;
    // Total size in bytes (used for the frame-count estimate).
    virtual uint64_t Size() = 0;
};

// A source over a block of memory that the caller keeps alive.
class MpegMemorySource : public MpegSource {
  public:
    MpegMemorySource(const void* data, size_t size)
        : data_(static_cast<const uint8_t*>(data)), size_(size) {}
    size_t ReadAt(uint64_t offset, void* out, size_t n) override;
    uint64_t Size() override { return size_; }

  private:
    const uint8_t* data_;
    size_t size_;
};

struct MpegFrameHeader;
class MpegBitstream;
class MpegLayer12;
class MpegLayer3;
class MpegSynthesis;

// One open stream.  Open() reads the first frame; DecodeFrame() decodes the current
// frame and reads the next one; SeekFrame() makes another frame current.
class MpegDecoder {
  public:
    explicit MpegDecoder(double scale = kMpegOutputScale);
    ~MpegDecoder();
    MpegDecoder(const MpegDecoder&) = delete;
    MpegDecoder& operator=(const MpegDecoder&) = delete;

    // Reads the first frame header and body of source (which must outlive the decoder
    // or the next Open).  Returns kMpegOk, kMpegErrInvalidFile (no acceptable first
    // header, a reserved sampling frequency, free-format bitrate, or the first frame is
    // cut short) or kMpegErrNoMemory.  The stream properties below are valid after a
    // successful Open and do not change afterwards.
    int Open(MpegSource* source);

    int sampleRate() const;      // Hz: 32000, 44100, 48000, 16000, 22050 or 24000
    int channels() const;        // 1 for single-channel streams, else 2 (interleaved)
    int layer() const;           // layer of the current frame: 1, 2 or 3
    int samplesPerFrame() const; // per channel, of the current frame: 384, 1152 or 576
    // Estimated number of frames, the player's length: file size / (unpadded frame length
    // + 1), the frame length including its 4-byte header, from the first header.  For
    // constant bitrates it comes out a little low (about 1 frame in frame-length + 1);
    // for variable bitrates it can be far off.  CountFrames() is exact.
    uint32_t FrameCount() const;
    // FrameCount() in milliseconds, rounded down.
    uint64_t LengthMs() const;
    // Exact number of frames, counted by reading every header from the start (the
    // current frame and position are kept).  Costs one pass over the stream.
    uint32_t CountFrames();
    // Number of the current (next to decode) frame, counting from 0; -1 before Open.
    int32_t frameNumber() const;
    // Highest frame number read so far.
    int32_t highestFrame() const;

    // Decodes the current frame into out as interleaved 16-bit samples (channels()
    // values per sample instant) and moves on to the next frame.  *samples receives the
    // number of samples per channel written (samplesPerFrame() of the decoded frame).
    // A protected frame whose checksum does not match and a Layer III frame whose
    // reservoir data is missing decode to silence.  Returns kMpegOk, kMpegEndOfStream
    // (nothing written) or kMpegErrOutput when capacity (in int16_t values) cannot hold
    // the frame (nothing consumed).
    int DecodeFrame(int16_t* out, size_t capacity, int* samples);

    // Makes frame n current, so that the next DecodeFrame() decodes it.  Frames already
    // passed are found again through their recorded file offsets (exact also for variable
    // bitrates and junk between frames); frames beyond are reached by reading the headers
    // in between.  The filters are cleared, the Layer III reservoir is refilled from the
    // main data of the frames before, and the two frames before n are decoded (output
    // dropped), so that from frame n on the samples equal those of an uninterrupted
    // decode.  Returns kMpegOk or kMpegErrSeek (n lies beyond the end; the decoder is
    // then at the end of the stream until the next successful seek).
    int SeekFrame(uint32_t n);

  private:
    void ResetFilters();

    double scale_;
    std::unique_ptr<MpegBitstream> bitstream_;
    std::unique_ptr<MpegLayer12> layer12_;
    std::unique_ptr<MpegLayer3> layer3_;
    std::unique_ptr<MpegSynthesis> synth_[kMpegMaxChannels];
    bool haveFrame_ = false;
    int lastLayer_ = 0;
};
