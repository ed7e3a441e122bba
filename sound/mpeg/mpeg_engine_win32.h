// The player's decoder engine for MPEG audio files (.MP1 .MP2 .MP3 .MPP): the
// portable MpegDecoder over a Win32 file, played through CWaveOutput by the
// player's worker thread.
//
// The worker holds the control block's lock for the whole of each frame step
// (request checks, decoding, handing the frame to the output, posting) and
// gives it up between frames and while it sleeps on the output.  The player
// suspends the worker for a pause only while it holds that lock itself, so the
// worker is never frozen inside a device, file or heap call.
//
// Worker failures, posted as kPlayerMsgError (wParam number, lParam text):
//   waveOutOpen's error   "Fail to create output buffer"
//   264                   "No memory"
//   274                   "Fail to seek"      (the target lies beyond the stream)
//   349                   "Cannot write to output buffer"
// With option bit 2 the worker first shows the system's text for the number in
// a warning box captioned with the message, owned by the player's window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "sound/mpeg/mpeg_audio.h"
#include "sound/mpeg/wave_output_win32.h"
#include "sound/player/sound_player_win32.h"

// MpegSource over a file opened for reading (shared read access).  Reads are
// positional and bounded by the caller's count; a failed read reads nothing.
class CMpegFileSource : public MpegSource {
  public:
    CMpegFileSource() = default;
    ~CMpegFileSource() override;
    CMpegFileSource(const CMpegFileSource&) = delete;
    CMpegFileSource& operator=(const CMpegFileSource&) = delete;

    // False when the file cannot be opened.
    bool Open(const std::string& path);
    void Close();
    size_t ReadAt(uint64_t offset, void* out, size_t n) override;
    uint64_t Size() override { return size_; }

  private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    uint64_t size_ = 0;
};

class CMpegEngine : public CDecoderEngine {
  public:
    CMpegEngine();
    ~CMpegEngine() override;

    // 0, kMciErrFileRead (348) when the file cannot be opened, kMciErrInvalidFile
    // (296) without a valid first header, kMciErrOutOfMemory (264).
    // *lengthFrames: the frame count the first header estimates for the file.
    int Open(const std::string& fileName, DWORD* lengthFrames) override;
    void Run(DecoderControl* control) override;
    void Close() override;

  private:
    // Reports a failure (box first when asked for, then the posted message,
    // unless a stop is pending) and closes the output.  Called with the lock held.
    void Fail(DecoderControl* control, int code, const char* text);

    CMpegFileSource source_;
    std::unique_ptr<MpegDecoder> decoder_;
    CWaveOutput output_;
};

// Makes every CSoundPlayer play MPEG audio files through CMpegEngine.  Called
// once at start-up by the programs that play sound.
void UseMpegDecoderEngine();
