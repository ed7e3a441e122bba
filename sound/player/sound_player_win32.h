// CSoundPlayer: plays one sound file at a time and reports back through
// virtual notifications, all on the thread that owns its hidden window.
//
// Two engines, chosen by the file's extension (PlayerEngineFor):
//  - the Media Control Interface for wave, MIDI, CD audio, AU/AIFF and video
//    sound tracks; MCI reports the end with MM_MCINOTIFY and the player polls
//    the position every 500 ms (timer id 6) when position reports are on;
//  - a decoder engine (the MPEG audio decoder with wave output) that runs on a
//    worker thread the player starts, pauses by suspending, and stops through
//    the shared control block. The engine is plugged in with
//    SetDecoderEngineFactory; without one, decoder files fail to open.
//
// Notifications, virtual, in this order (the derived list player relies on it):
//   OnEnd()                 the file finished (base: stop the position timer)
//   OnPosition(pos)         ms for MCI, frames for the decoder (base: nothing)
//   OnStateChange()         transport changed after a seek (base: clear seeking)
//   OnOpen(length)          a file was opened (base: start the position timer)
//   OnError(code, text)     code is an MCI error number (base: nothing)
// Failures found inside PlayFile before anything is opened ("Unsupported file
// format") are reported synchronously; every other failure arrives later as a
// posted kPlayerMsgError, which stops the player and then calls OnError.
// Stop (and so every PlayFile) drops the reports still queued for the file it
// stops, so a late end or failure never lands on the file that follows.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <functional>
#include <memory>
#include <string>

#include "win32/window.h"

// Messages of the hidden window. kPlayerMsgError and the MIDI end message have
// fixed numbers that other parts post; the worker's own messages are private.
constexpr UINT kPlayerMsgError = WM_USER + 1;        // wParam MCI error, lParam const char* text
constexpr UINT kPlayerMsgMidiEnd = WM_USER + 20;     // 0x0414, from the MIDI stream player
constexpr UINT kPlayerMsgPosition = WM_APP + 0x18;   // wParam frame number
constexpr UINT kPlayerMsgSeekDone = WM_APP + 0x1B;   // seek carried out
constexpr UINT kPlayerMsgDecodeDone = WM_APP + 0x1D; // the stream ended by itself

constexpr UINT_PTR kPositionTimerId = 6;
constexpr UINT kPositionPollMs = 500;
constexpr DWORD kWorkerStopLimitMs = 5000; // Stop waits this long, then terminates the worker

// Option bits of CSoundPlayer::options.
constexpr unsigned kPlayerReportPosition = 1; // bit 0
constexpr unsigned kPlayerShowErrorText = 4;  // bit 2: the decoder worker also shows the MCI text

// Failure texts, as posted or passed to OnError.
extern const char kTextUnsupported[];    // "Unsupported file format"
extern const char kTextOpenFailed[];     // "Failed to open device"
extern const char kTextNoBitstream[];    // "Cannot create bitstream"
extern const char kTextOutOfMemory[];    // "Out of memory"
extern const char kTextInvalidFile[];    // "Invalid file"
extern const char kTextCannotPlay[];     // "Cannot play"
extern const char kTextCannotResume[];   // "Cannot resume"
extern const char kTextCouldNotPause[];  // "Could not pause"
extern const char kTextStopBeforeSeek[]; // "Could not stop device before seek"
extern const char kTextCouldNotSeek[];   // "Could not seek"
extern const char kTextCouldNotPlay[];   // "Could not play"

// MCI error numbers the player itself reports.
constexpr int kMciErrInvalidFile = 296;  // MCIERR_INVALID_FILE
constexpr int kMciErrOutOfMemory = 264;  // MCIERR_OUT_OF_MEMORY
constexpr int kMciErrFileRead = 348;     // MCIERR_FILE_READ
constexpr int kMciErrNoMidiDevice = 343; // MCIERR_SEQ_NOMIDIPRESENT: no MIDI output at all

// What the player and its decoder worker share. The player owns it; the worker
// touches it only under `lock`, which it takes by polling (TryEnterCriticalSection
// and a short sleep), never by EnterCriticalSection: a thread blocked there is
// already the lock's next owner, and a pause suspends the worker, so the lock
// would stay with a frozen thread and the next Seek or Stop would wait for it.
// It reports by posting to `notifyWindow`:
//   kPlayerMsgPosition  (frame)     position, every 16th frame when reports are on
//   kPlayerMsgSeekDone              after carrying out a seek request
//   kPlayerMsgDecodeDone            the stream ended by itself (`finished` set first)
//   kPlayerMsgError (code, text)    a failure; the worker then ends
// On a stop request the worker closes its output without waiting for it,
// sets `doneEvent` and returns; it posts nothing after it has seen the request.
struct DecoderControl {
    CRITICAL_SECTION lock;
    HANDLE doneEvent = nullptr; // auto-reset; set by the worker when it leaves on a stop
    bool stopRequest = false;
    bool finished = false;
    bool seekRequest = false;
    DWORD seekTarget = 0; // frame number
    HWND notifyWindow = nullptr;
    unsigned options = 0;
    double scale = 32768.0;     // the decoder's output for a full-scale sample
    HWAVEOUT waveOut = nullptr; // set by the worker while its output is open

    DecoderControl() { InitializeCriticalSection(&lock); }
    ~DecoderControl() { DeleteCriticalSection(&lock); }
    DecoderControl(const DecoderControl&) = delete;
    DecoderControl& operator=(const DecoderControl&) = delete;
};

// The decoder side of the player. Open and Close run on the player's thread,
// Run on the worker thread.
class CDecoderEngine {
  public:
    virtual ~CDecoderEngine() = default;
    // Opens the file and reads its first frame header. 0, or an MCI error:
    // kMciErrFileRead (the file cannot be read), kMciErrOutOfMemory,
    // kMciErrInvalidFile (no valid first header). *lengthFrames: the number of
    // frames the header computes for the file.
    virtual int Open(const std::string& fileName, DWORD* lengthFrames) = 0;
    // The worker's body: decode and play until the end or a stop request (see
    // DecoderControl for what it must post and set).
    virtual void Run(DecoderControl* control) = 0;
    // Releases what Open made; the worker has ended.
    virtual void Close() = 0;
};
using DecoderEngineFactory = std::function<std::unique_ptr<CDecoderEngine>()>;

class CSoundPlayer : public CWindow {
  public:
    CSoundPlayer();
    ~CSoundPlayer() override;

    // Makes the engine for decoder files (.MP1 .MP2 .MP3 .MPP) of every player.
    static void SetDecoderEngineFactory(DecoderEngineFactory factory);

    // Opens and starts `fileName`; null resumes a paused file. False on failure.
    bool PlayFile(const char* fileName);
    void Play();
    void Pause();
    void Stop();
    bool Seek(DWORD position);
    static bool IsSupported(const std::string& fileName);

    // Creates the hidden window when there is none (PlayFile does it too).
    bool EnsureWindow();

    unsigned options = 0;
    bool seeking = false; // set by a user interface while it moves a position control

    const std::string& fileName() const { return fileName_; }
    DWORD length() const { return length_; }
    bool usingDecoder() const { return usingDecoder_; }
    bool usingMci() const { return usingMci_; }
    bool isCdAudio() const { return isCdAudio_; }
    bool paused() const { return paused_; }
    bool canPlay() const { return canPlay_; }
    bool canPause() const { return canPause_; }
    bool canStop() const { return canStop_; }
    bool playing() const { return playing_; }
    bool pollTimerRunning() const { return pollTimerRunning_; }
    MCIDEVICEID mciDevice() const { return mci_.deviceId; }
    bool workerRunning() const { return worker_ != nullptr; }

  protected:
    virtual void OnEnd();
    virtual void OnPosition(DWORD position);
    virtual void OnStateChange();
    virtual void OnOpen(DWORD length);
    virtual void OnError(int code, const char* text);

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void StartPositionTimer();
    void StopPositionTimer();
    // Posts a failure to the hidden window (kPlayerMsgError).
    void PostError(int code, const char* text);

  private:
    struct MciRequest {
        MCIDEVICEID deviceId = 0;
        std::string element;
        bool cd = false;
        int track = 1;
        DWORD trackStart = 0;  // ms
        DWORD trackLength = 0; // ms
        DWORD position = 0;    // requested seek position
    };

    bool OpenMci();
    bool OpenDecoder();
    void SetReady();
    bool MciPosition(DWORD* position);
    void ForgetWorker();
    void DropQueuedReports();
    // Takes the control block's lock, waiting at most limitMs for the worker.
    bool LockControl(DWORD limitMs);
    static DWORD WINAPI WorkerMain(LPVOID self);

    std::string fileName_;
    bool usingDecoder_ = false, usingMci_ = false, isCdAudio_ = false;
    bool paused_ = false, canPlay_ = false, canPause_ = false, canStop_ = false;
    bool playing_ = false, positionReports_ = false, pollTimerRunning_ = false;
    DWORD length_ = 0;
    MciRequest mci_;

    DecoderControl control_;
    std::unique_ptr<CDecoderEngine> engine_;
    HANDLE worker_ = nullptr;
    int workerPriority_ = THREAD_PRIORITY_ABOVE_NORMAL;
};
