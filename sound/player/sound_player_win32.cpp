#include "sound/player/sound_player_win32.h"

#include <utility>

#include "common/paths.h"
#include "sound/playlist/sound_list.h"

const char kTextUnsupported[] = "Unsupported file format";
const char kTextOpenFailed[] = "Failed to open device";
const char kTextNoBitstream[] = "Cannot create bitstream";
const char kTextOutOfMemory[] = "Out of memory";
const char kTextInvalidFile[] = "Invalid file";
const char kTextCannotPlay[] = "Cannot play";
const char kTextCannotResume[] = "Cannot resume";
const char kTextCouldNotPause[] = "Could not pause";
const char kTextStopBeforeSeek[] = "Could not stop device before seek";
const char kTextCouldNotSeek[] = "Could not seek";
const char kTextCouldNotPlay[] = "Could not play";

namespace {

const char kWindowClass[] = "PlintharSoundPlayer";

DecoderEngineFactory& EngineFactory() {
    static DecoderEngineFactory factory;
    return factory;
}

MCIERROR SendMci(MCIDEVICEID id, UINT msg, DWORD flags, void* params) {
    return mciSendCommandA(id, msg, flags, reinterpret_cast<DWORD_PTR>(params));
}

bool HasMidiExtension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string last4 = name.substr(name.size() - 4);
    return EqualsNoCase(last4, ".MID") || EqualsNoCase(last4, ".RMI");
}

// A MIDI file played through MCI starts from whatever programs the synthesizer
// was left with; put every channel back on program 0 first.
void ResetMidiPrograms() {
    HMIDIOUT out = nullptr;
    if (midiOutOpen(&out, MIDI_MAPPER, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return;
    for (DWORD channel = 0; channel < 16; ++channel)
        midiOutShortMsg(out, 0xC0 + channel);
    midiOutClose(out);
}

// An MCI driver plays an asynchronous request on a thread of its own, which
// is still leaving the driver's code when the end notice arrives; closing the
// last device then unloads the driver under that thread (seen with Wine's
// wave driver, which faults there now and then). A driver, once used, stays
// loaded for the life of the process.
void KeepMciDriversLoaded() {
    static const char* const kDrivers[] = {"mciwave", "mciseq", "mcicda", "mciavi32", "mciqtz32"};
    static bool kept[sizeof kDrivers / sizeof kDrivers[0]] = {};
    for (size_t i = 0; i < sizeof kDrivers / sizeof kDrivers[0]; ++i) {
        if (kept[i]) continue;
        HMODULE driver = GetModuleHandleA(kDrivers[i]);
        char path[MAX_PATH];
        if (driver && GetModuleFileNameA(driver, path, sizeof path) && LoadLibraryA(path))
            kept[i] = true;
    }
}

} // namespace

CSoundPlayer::CSoundPlayer() = default;

CSoundPlayer::~CSoundPlayer() {
    Stop();
    if (control_.doneEvent) CloseHandle(control_.doneEvent);
}

void CSoundPlayer::SetDecoderEngineFactory(DecoderEngineFactory factory) {
    EngineFactory() = std::move(factory);
}

bool CSoundPlayer::IsSupported(const std::string& fileName) {
    return IsSupportedSoundFile(fileName);
}

bool CSoundPlayer::EnsureWindow() {
    if (Handle()) return true;
    return Create(kWindowClass, 0, 0, WS_POPUP, "", 0, 0, 1, 1, nullptr);
}

void CSoundPlayer::PostError(int code, const char* text) {
    if (Handle())
        PostMessageA(Handle(), kPlayerMsgError, WPARAM(code), reinterpret_cast<LPARAM>(text));
}

void CSoundPlayer::StartPositionTimer() {
    if (Handle() && SetTimer(Handle(), kPositionTimerId, kPositionPollMs, nullptr))
        pollTimerRunning_ = true;
}

void CSoundPlayer::StopPositionTimer() {
    if (pollTimerRunning_ && Handle()) KillTimer(Handle(), kPositionTimerId);
    pollTimerRunning_ = false;
}

void CSoundPlayer::SetReady() {
    canPlay_ = true;
    canPause_ = false;
    playing_ = false;
    canStop_ = false;
}

bool CSoundPlayer::PlayFile(const char* fileName) {
    EnsureWindow();
    positionReports_ = (options & kPlayerReportPosition) != 0;
    StopPositionTimer();
    if (fileName) {
        fileName_ = fileName;
    } else if (paused_) {
        Play();
        return true;
    }
    if (fileName_.empty() || !IsSupported(fileName_)) {
        OnError(kMciErrInvalidFile, kTextUnsupported);
        return false;
    }
    Stop();
    bool opened = PlayerEngineFor(fileName_) == SoundEngine::kMci ? OpenMci() : OpenDecoder();
    if (!opened) return false;
    OnOpen(length_);
    SetReady();
    Play();
    return true;
}

bool CSoundPlayer::OpenMci() {
    usingMci_ = true;
    usingDecoder_ = false;
    std::string ext = ExtensionPart(fileName_);
    isCdAudio_ = EqualsNoCase(ext, ".CDA");
    mci_ = MciRequest();
    mci_.cd = isCdAudio_;
    if (isCdAudio_)
        mci_.track = CdTrackNumber(fileName_);
    else
        mci_.element = fileName_;
    if (HasMidiExtension(fileName_)) {
        // Without any MIDI output the sequencer has nothing to play on; Wine's
        // opens the file anyway and faults some time after it is closed.
        if (midiOutGetNumDevs() == 0) {
            PostError(kMciErrNoMidiDevice, kTextOpenFailed);
            return false;
        }
        ResetMidiPrograms();
    }

    MCI_OPEN_PARMSA open = {};
    open.dwCallback = reinterpret_cast<DWORD_PTR>(Handle());
    DWORD flags = MCI_WAIT;
    if (isCdAudio_) {
        open.lpstrDeviceType =
            reinterpret_cast<LPCSTR>(static_cast<DWORD_PTR>(MCI_DEVTYPE_CD_AUDIO));
        flags |= MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID;
    } else {
        open.lpstrElementName = mci_.element.c_str();
        flags |= MCI_OPEN_ELEMENT;
    }
    MCIERROR err = SendMci(0, MCI_OPEN, flags, &open);
    if (!err) {
        mci_.deviceId = open.wDeviceID;
        KeepMciDriversLoaded();
        MCI_SET_PARMS set = {};
        set.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
        err = SendMci(mci_.deviceId, MCI_SET, MCI_WAIT | MCI_SET_TIME_FORMAT, &set);
    }
    if (!err) {
        MCI_STATUS_PARMS status = {};
        status.dwItem = MCI_STATUS_LENGTH;
        DWORD statusFlags = MCI_WAIT | MCI_STATUS_ITEM;
        if (isCdAudio_) {
            status.dwTrack = DWORD(mci_.track);
            statusFlags |= MCI_TRACK;
        }
        err = SendMci(mci_.deviceId, MCI_STATUS, statusFlags, &status);
        if (!err) mci_.trackLength = DWORD(status.dwReturn);
    }
    if (!err && isCdAudio_) {
        MCI_STATUS_PARMS status = {};
        status.dwItem = MCI_STATUS_POSITION;
        status.dwTrack = DWORD(mci_.track);
        err = SendMci(mci_.deviceId, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM | MCI_TRACK, &status);
        if (!err) mci_.trackStart = DWORD(status.dwReturn);
    }
    if (err) {
        if (mci_.deviceId) {
            SendMci(mci_.deviceId, MCI_CLOSE, MCI_WAIT, nullptr);
            mci_.deviceId = 0;
        }
        PostError(int(err), kTextOpenFailed);
        return false;
    }
    length_ = mci_.trackLength;
    return true;
}

bool CSoundPlayer::OpenDecoder() {
    usingDecoder_ = true;
    usingMci_ = false;
    isCdAudio_ = false;
    engine_.reset();
    if (EngineFactory()) engine_ = EngineFactory()();
    if (!engine_) {
        PostError(kMciErrFileRead, kTextNoBitstream);
        return false;
    }
    if (!control_.doneEvent) control_.doneEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!control_.doneEvent) {
        engine_.reset();
        PostError(kMciErrOutOfMemory, kTextOutOfMemory);
        return false;
    }
    DWORD frames = 0;
    int rc = engine_->Open(fileName_, &frames);
    if (rc != 0) {
        engine_->Close();
        engine_.reset();
        const char* text = rc == kMciErrFileRead      ? kTextNoBitstream
                           : rc == kMciErrOutOfMemory ? kTextOutOfMemory
                                                      : kTextInvalidFile;
        PostError(rc, text);
        return false;
    }
    EnterCriticalSection(&control_.lock);
    control_.stopRequest = false;
    control_.finished = false;
    control_.seekRequest = false;
    control_.seekTarget = 0;
    control_.notifyWindow = Handle();
    control_.options = options;
    control_.scale = 32768.0;
    control_.waveOut = nullptr;
    LeaveCriticalSection(&control_.lock);
    length_ = frames;
    return true;
}

DWORD WINAPI CSoundPlayer::WorkerMain(LPVOID self) {
    CSoundPlayer* player = static_cast<CSoundPlayer*>(self);
    player->engine_->Run(&player->control_);
    return 0;
}

void CSoundPlayer::Play() {
    if (!canPlay_) return;
    canPlay_ = false;
    canPause_ = true;
    canStop_ = true;
    if (usingDecoder_) {
        if (paused_ && worker_) {
            playing_ = true;
            paused_ = false;
            if (control_.waveOut) waveOutRestart(control_.waveOut);
            ResumeThread(worker_);
            return;
        }
        if (!engine_) return;
        // A signal left from an earlier worker must not pass for this one's.
        ResetEvent(control_.doneEvent);
        DWORD id = 0;
        worker_ = CreateThread(nullptr, 0, WorkerMain, this, CREATE_SUSPENDED, &id);
        if (!worker_) {
            PostError(kMciErrOutOfMemory, kTextCannotPlay);
            return;
        }
        SetThreadPriority(worker_, workerPriority_);
        ResumeThread(worker_);
        playing_ = true;
        return;
    }
    if (!usingMci_ || !mci_.deviceId) return;
    MCI_PLAY_PARMS play = {};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(Handle());
    DWORD flags = MCI_NOTIFY;
    if (paused_) {
        playing_ = true;
        paused_ = false;
        if (isCdAudio_) {
            play.dwTo = mci_.trackStart + mci_.trackLength;
            flags |= MCI_TO;
        }
        MCIERROR err = SendMci(mci_.deviceId, MCI_PLAY, flags, &play);
        if (err)
            PostError(int(err), kTextCannotResume);
        else if (positionReports_)
            StartPositionTimer();
        return;
    }
    if (isCdAudio_) {
        play.dwFrom = mci_.trackStart;
        play.dwTo = mci_.trackStart + mci_.trackLength;
        flags |= MCI_FROM | MCI_TO;
    }
    MCIERROR err = SendMci(mci_.deviceId, MCI_PLAY, flags, &play);
    if (err)
        PostError(int(err), kTextCannotPlay);
    else
        playing_ = true;
}

void CSoundPlayer::Pause() {
    if (!canPause_) return;
    canPause_ = false;
    paused_ = true;
    if (usingDecoder_) {
        if (worker_) {
            // Suspended inside the lock, the worker would take it with it and the
            // next Seek or Stop would wait for ever: suspend it only between checks.
            bool locked = LockControl(kWorkerStopLimitMs);
            SuspendThread(worker_);
            if (locked) LeaveCriticalSection(&control_.lock);
        }
        if (control_.waveOut) waveOutPause(control_.waveOut);
    } else if (usingMci_ && mci_.deviceId) {
        MCI_GENERIC_PARMS generic = {};
        MCIERROR err = SendMci(mci_.deviceId, MCI_PAUSE, MCI_WAIT, &generic);
        if (err) {
            PostError(int(err), kTextCouldNotPause);
            return;
        }
        StopPositionTimer();
    }
    SetReady();
}

bool CSoundPlayer::LockControl(DWORD limitMs) {
    DWORD start = GetTickCount();
    while (!TryEnterCriticalSection(&control_.lock)) {
        if (GetTickCount() - start >= limitMs) return false;
        Sleep(1);
    }
    return true;
}

void CSoundPlayer::ForgetWorker() {
    if (!worker_) return;
    // The worker posted its last message and is returning.
    WaitForSingleObject(worker_, kWorkerStopLimitMs);
    CloseHandle(worker_);
    worker_ = nullptr;
}

void CSoundPlayer::Stop() {
    seeking = false;
    playing_ = false;
    if (usingDecoder_) {
        if (worker_) {
            SetThreadPriority(worker_, THREAD_PRIORITY_HIGHEST);
            if (paused_) {
                paused_ = false;
                if (control_.waveOut) {
                    waveOutReset(control_.waveOut);
                    waveOutRestart(control_.waveOut);
                }
                ResumeThread(worker_);
            }
            // The limit covers the lock too: a worker stuck while holding it
            // must not keep Stop waiting for ever.
            DWORD start = GetTickCount();
            if (LockControl(kWorkerStopLimitMs)) {
                if (!control_.finished) control_.stopRequest = true;
                LeaveCriticalSection(&control_.lock);
            }
            if (WaitForSingleObject(worker_, 0) == WAIT_TIMEOUT) {
                DWORD spent = GetTickCount() - start;
                if (spent < kWorkerStopLimitMs)
                    WaitForSingleObject(control_.doneEvent, kWorkerStopLimitMs - spent);
                spent = GetTickCount() - start;
                DWORD rest = spent < kWorkerStopLimitMs ? kWorkerStopLimitMs - spent : 0;
                if (WaitForSingleObject(worker_, rest) == WAIT_TIMEOUT) {
                    TerminateThread(worker_, 1);
                    WaitForSingleObject(worker_, 1000);
                    if (control_.waveOut) {
                        waveOutReset(control_.waveOut);
                        waveOutClose(control_.waveOut);
                        control_.waveOut = nullptr;
                    }
                    // A worker ended inside the lock would keep it for ever.
                    DeleteCriticalSection(&control_.lock);
                    InitializeCriticalSection(&control_.lock);
                }
            }
            CloseHandle(worker_);
            worker_ = nullptr;
        }
        paused_ = false;
        if (engine_) {
            engine_->Close();
            engine_.reset();
        }
    }
    if (usingMci_) {
        StopPositionTimer();
        if (mci_.deviceId) {
            MCI_GENERIC_PARMS generic = {};
            SendMci(mci_.deviceId, MCI_STOP, MCI_WAIT, &generic);
            SendMci(mci_.deviceId, MCI_CLOSE, MCI_WAIT, &generic);
            mci_.deviceId = 0;
        }
        paused_ = false;
    }
    SetReady();
    canStop_ = false;
    DropQueuedReports();
}

void CSoundPlayer::DropQueuedReports() {
    // Whatever the stopped file still had on its way here (its worker's last
    // position, end or failure, or a posted MCI failure) belongs to it: handled
    // later, it would end or fail the file played next.
    if (!Handle()) return;
    MSG m;
    while (PeekMessageA(&m, Handle(), kPlayerMsgError, kPlayerMsgError, PM_REMOVE)) {
    }
    while (PeekMessageA(&m, Handle(), kPlayerMsgPosition, kPlayerMsgDecodeDone, PM_REMOVE)) {
    }
}

bool CSoundPlayer::Seek(DWORD position) {
    if (!playing_ && !paused_) {
        OnStateChange();
        return false;
    }
    if (usingDecoder_) {
        if (!LockControl(kWorkerStopLimitMs)) return false;
        control_.seekTarget = position;
        control_.seekRequest = true;
        LeaveCriticalSection(&control_.lock);
        return true;
    }
    if (!usingMci_ || !mci_.deviceId) return false;
    mci_.position = position;
    MCI_GENERIC_PARMS generic = {};
    MCIERROR err = SendMci(mci_.deviceId, MCI_STOP, MCI_WAIT, &generic);
    if (err) {
        PostError(int(err), kTextStopBeforeSeek);
        return false;
    }
    MCI_SEEK_PARMS seek = {};
    seek.dwTo = position + (isCdAudio_ ? mci_.trackStart : 0);
    err = SendMci(mci_.deviceId, MCI_SEEK, MCI_WAIT | MCI_TO, &seek);
    if (err) {
        PostError(int(err), kTextCouldNotSeek);
        return false;
    }
    if (playing_) {
        MCI_PLAY_PARMS play = {};
        play.dwCallback = reinterpret_cast<DWORD_PTR>(Handle());
        DWORD flags = MCI_NOTIFY;
        if (isCdAudio_) {
            play.dwTo = mci_.trackStart + mci_.trackLength;
            flags |= MCI_TO;
        }
        err = SendMci(mci_.deviceId, MCI_PLAY, flags, &play);
        if (err) {
            PostError(int(err), kTextCouldNotPlay);
            return false;
        }
    }
    OnStateChange();
    return true;
}

bool CSoundPlayer::MciPosition(DWORD* position) {
    if (!mci_.deviceId) return false;
    MCI_STATUS_PARMS status = {};
    status.dwItem = MCI_STATUS_POSITION;
    if (SendMci(mci_.deviceId, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM, &status)) return false;
    DWORD pos = DWORD(status.dwReturn);
    *position = isCdAudio_ ? pos - mci_.trackStart : pos;
    return true;
}

void CSoundPlayer::OnEnd() {
    StopPositionTimer();
}

void CSoundPlayer::OnPosition(DWORD) {}

void CSoundPlayer::OnStateChange() {
    seeking = false;
}

void CSoundPlayer::OnOpen(DWORD) {
    if (usingMci_ && positionReports_) StartPositionTimer();
}

void CSoundPlayer::OnError(int, const char*) {}

bool CSoundPlayer::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = 0;
    switch (msg) {
    case MM_MCINOTIFY:
        // Only the end of the device now open: a notice from a file already
        // closed must not end the one that replaced it.
        if (wp == MCI_NOTIFY_SUCCESSFUL && mci_.deviceId && MCIDEVICEID(lp) == mci_.deviceId) {
            Stop();
            OnEnd();
        }
        return true;
    case kPlayerMsgError:
        ForgetWorker();
        Stop();
        OnError(int(wp), reinterpret_cast<const char*>(lp));
        return true;
    case kPlayerMsgPosition:
        if (!seeking && playing_ && DWORD(wp) <= length_) OnPosition(DWORD(wp));
        return true;
    case kPlayerMsgSeekDone:
        if (playing_) seeking = false;
        OnStateChange();
        return true;
    case kPlayerMsgDecodeDone:
        ForgetWorker();
        Stop();
        OnEnd();
        return true;
    case WM_TIMER:
        if (wp != kPositionTimerId) return false;
        if (!seeking) {
            DWORD position = 0;
            if (MciPosition(&position))
                OnPosition(position);
            else
                StopPositionTimer();
        }
        return true;
    }
    return false;
}
