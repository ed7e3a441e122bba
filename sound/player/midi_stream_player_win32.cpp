#include "sound/player/midi_stream_player_win32.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

const char kWindowClass[] = "PlintharMidiStream";
// Posted by the driver callback when the last queued buffer is back.
constexpr UINT kMsgDrained = WM_APP + 0x30;
constexpr UINT_PTR kEndDelayTimerId = 1;
// Files above this are not MIDI files anyone plays; refusing them bounds the read.
constexpr LONG kMaxMidiFileBytes = 64 * 1024 * 1024;

// Bytes reserved in front of each buffer's data for its MIDIHDR: 64 as the
// converter counts it, more where the 64-bit header is larger.
constexpr size_t kHeaderArea =
    std::max(kMidiStreamHeaderArea, (sizeof(MIDIHDR) + 15) & ~size_t(15));
constexpr size_t kRegularSlot = kHeaderArea + kMidiStreamBufferSize;

MIDIHDR* HeaderAt(uint8_t* slot) {
    return reinterpret_cast<MIDIHDR*>(slot);
}

// With no MIDI output at all the mapper has nothing to open; asking anyway is
// not harmless everywhere (Wine's winmm keeps a freed stream from a failed open
// and faults on the next one), so the answer is given here.
MMRESULT WINAPI OpenSystemStream(LPHMIDISTRM stream, LPUINT device, DWORD count, DWORD_PTR callback,
                                 DWORD_PTR instance, DWORD flags) {
    if (midiOutGetNumDevs() == 0) return MIDIERR_NODEVICE;
    return midiStreamOpen(stream, device, count, callback, instance, flags);
}

} // namespace

const MidiStreamApi& SystemMidiStreamApi() {
    static const MidiStreamApi api = {
        OpenSystemStream,  midiStreamProperty,   midiStreamOut,
        midiStreamRestart, midiStreamStop,       midiStreamClose,
        midiOutShortMsg,   midiOutPrepareHeader, midiOutUnprepareHeader};
    return api;
}

struct MidiPlayback {
    CMidiStreamPlayer* player = nullptr;
    const MidiStreamApi* api = nullptr;
    HWND window = nullptr; // the player's hidden window
    HWND owner = nullptr;  // receiver of the end message
    WPARAM number = 0;

    // The four regular buffers in one global block, and their free list
    // (through lpNext), guarded by `lock` against the driver's thread.
    HGLOBAL block = nullptr;
    uint8_t* base = nullptr;
    MIDIHDR* headers[kMidiStreamBufferCount] = {};
    bool prepared[kMidiStreamBufferCount] = {};
    MIDIHDR* freeList = nullptr;
    MIDIHDR* preroll = nullptr;
    bool prerollPrepared = false;

    CRITICAL_SECTION lock;
    volatile LONG state = kMidiStreamClosed;
    volatile LONG pending = 0;
    volatile LONG flags = 0;
    bool failed = false; // a buffer could not be refilled or requeued
    HMIDISTRM stream = nullptr;
    MidiStreamConverter converter;

    MidiPlayback() { InitializeCriticalSection(&lock); }
    ~MidiPlayback() {
        if (block) {
            GlobalUnlock(block);
            GlobalFree(block);
        }
        DeleteCriticalSection(&lock);
    }
    MidiPlayback(const MidiPlayback&) = delete;
    MidiPlayback& operator=(const MidiPlayback&) = delete;

    MIDIHDR* TakeFree() {
        EnterCriticalSection(&lock);
        MIDIHDR* h = freeList;
        if (h) freeList = h->lpNext;
        LeaveCriticalSection(&lock);
        return h;
    }
    void PutFree(MIDIHDR* h) {
        EnterCriticalSection(&lock);
        h->lpNext = freeList;
        freeList = h;
        LeaveCriticalSection(&lock);
    }
    int IndexOf(const MIDIHDR* h) const {
        for (int i = 0; i < kMidiStreamBufferCount; ++i)
            if (headers[i] == h) return i;
        return -1;
    }
};

CMidiStreamPlayer::CMidiStreamPlayer(const MidiStreamApi& api) : api_(api) {}

CMidiStreamPlayer::~CMidiStreamPlayer() {
    Release();
    FreePrerollBlock();
}

void CMidiStreamPlayer::FreePrerollBlock() {
    if (prerollBlock_) {
        GlobalUnlock(prerollBlock_);
        GlobalFree(prerollBlock_);
    }
    prerollBlock_ = nullptr;
    prerollData_ = nullptr;
}

int CMidiStreamPlayer::State() const {
    return playback_ ? int(playback_->state) : kMidiStreamClosed;
}

LONG CMidiStreamPlayer::Pending() const {
    return playback_ ? playback_->pending : 0;
}

int CMidiStreamPlayer::ReadFile(std::vector<uint8_t>* bytes) {
    std::vector<char> name(fileName.begin(), fileName.end());
    name.push_back('\0');
    HMMIO file = mmioOpenA(name.data(), nullptr, MMIO_READ | MMIO_ALLOCBUF | MMIO_DENYWRITE);
    if (!file) return kMidiCannotOpen;
    int result = kMidiOk;
    LONG size = mmioSeek(file, 0, SEEK_END);
    if (size < 0 || size > kMaxMidiFileBytes || mmioSeek(file, 0, SEEK_SET) != 0) {
        result = kMidiInvalidData;
    } else {
        try {
            bytes->resize(size_t(size));
        } catch (const std::bad_alloc&) {
            result = kMidiNoMemory;
        }
        if (result == kMidiOk && size > 0 &&
            mmioRead(file, reinterpret_cast<HPSTR>(bytes->data()), size) != size)
            result = kMidiInvalidData;
    }
    mmioClose(file, 0);
    return result;
}

int CMidiStreamPlayer::Start(HWND owner) {
    if (!Handle() && !Create(kWindowClass, 0, 0, WS_POPUP, "", 0, 0, 1, 1, nullptr))
        return kMidiErrNoState;
    Release();
    int rc = StartPlayback(owner);
    if (rc != 0 && playback_) {
        MidiPlayback* pb = playback_.get();
        if (pb->stream) {
            // Take back whatever was queued before the failure, then close.
            EnterCriticalSection(&pb->lock);
            pb->state = kMidiStreamStopping;
            pb->flags |= kMidiStreamFlagStopRequested;
            LeaveCriticalSection(&pb->lock);
            if (pb->pending > 0 && api_.streamStop(pb->stream) == MMSYSERR_NOERROR) {
                DWORD start = GetTickCount();
                while (pb->pending > 0 && GetTickCount() - start < kMidiStopLimitMs)
                    Sleep(0);
            }
            CloseStream();
        }
        pb->state = kMidiStreamOpened;
    }
    return rc;
}

int CMidiStreamPlayer::StartPlayback(HWND owner) {
    playback_.reset(new (std::nothrow) MidiPlayback);
    MidiPlayback* pb = playback_.get();
    if (!pb) return kMidiErrNoState;
    pb->player = this;
    pb->api = &api_;
    pb->window = Handle();
    pb->owner = owner;
    pb->number = ++playbackNumber_;

    pb->block = GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE | GMEM_ZEROINIT,
                            kMidiStreamBufferCount * kRegularSlot);
    pb->base = pb->block ? static_cast<uint8_t*>(GlobalLock(pb->block)) : nullptr;
    if (!pb->base) return kMidiErrNoState;
    for (int i = kMidiStreamBufferCount - 1; i >= 0; --i) {
        uint8_t* slot = pb->base + size_t(i) * kRegularSlot;
        MIDIHDR* h = HeaderAt(slot);
        h->lpData = reinterpret_cast<LPSTR>(slot + kHeaderArea);
        h->dwBufferLength = DWORD(kMidiStreamBufferSize);
        h->dwUser = reinterpret_cast<DWORD_PTR>(pb);
        pb->headers[i] = h;
        pb->PutFree(h);
    }

    std::vector<uint8_t> bytes;
    int r = ReadFile(&bytes);
    if (r == kMidiOk) r = pb->converter.Load(bytes.data(), bytes.size());
    if (r != kMidiOk) return MidiResultToMciError(r);
    pb->state = kMidiStreamOpened;

    UINT device = deviceId;
    HMIDISTRM stream = nullptr;
    if (api_.streamOpen(&stream, &device, 1, reinterpret_cast<DWORD_PTR>(DriverCallback),
                        reinterpret_cast<DWORD_PTR>(pb), CALLBACK_FUNCTION) != MMSYSERR_NOERROR)
        return kMidiErrDeviceNotReady;
    pb->stream = stream;
    MIDIPROPTIMEDIV division = {};
    division.cbStruct = sizeof division;
    division.dwTimeDiv = pb->converter.TimeDivision();
    if (api_.streamProperty(stream, reinterpret_cast<LPBYTE>(&division),
                            MIDIPROP_SET | MIDIPROP_TIMEDIV) != MMSYSERR_NOERROR)
        return kMidiErrDeviceNotReady;

    pb->state = kMidiStreamPrerolling;
    HMIDIOUT out = reinterpret_cast<HMIDIOUT>(stream);
    for (DWORD channel = 0; channel < 16; ++channel)
        api_.shortMsg(out, 0xC0 + channel);

    // Preroll: the state that events before the start position set.
    r = pb->converter.Rewind(0);
    if (r != kMidiOk) return MidiResultToMciError(r);
    size_t used = 0;
    for (;;) {
        if (!prerollData_) {
            size_t whole = std::max(prerollBlockSize_, kMidiPrerollFirstBlock);
            prerollBlock_ = GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE | GMEM_ZEROINIT,
                                        whole - kMidiStreamHeaderArea + kHeaderArea);
            prerollData_ =
                prerollBlock_ ? static_cast<uint8_t*>(GlobalLock(prerollBlock_)) : nullptr;
            if (!prerollData_) {
                FreePrerollBlock();
                return kMidiErrNoState;
            }
            prerollBlockSize_ = whole;
        }
        size_t usable = prerollBlockSize_ - kMidiStreamHeaderArea;
        r = pb->converter.WritePreroll(prerollData_ + kHeaderArea, usable, &used);
        if (r == kMidiOk) {
            MIDIHDR* h = HeaderAt(prerollData_);
            *h = MIDIHDR();
            h->lpData = reinterpret_cast<LPSTR>(prerollData_ + kHeaderArea);
            h->dwBufferLength = DWORD(usable);
            h->dwBytesRecorded = DWORD(used);
            h->dwUser = reinterpret_cast<DWORD_PTR>(pb);
            pb->preroll = h;
            break;
        }
        if (r != kMidiBufferTooSmall) return MidiResultToMciError(r);
        size_t bigger = MidiPrerollBlockSize(prerollBlockSize_, used);
        if (bigger == 0) return MidiResultToMciError(kMidiNoMemory);
        FreePrerollBlock();
        prerollBlockSize_ = bigger;
    }
    if (api_.prepareHeader(out, pb->preroll, sizeof(MIDIHDR)) != MMSYSERR_NOERROR)
        return kMidiErrDeviceNotReady;
    pb->prerollPrepared = true;
    if (api_.streamOut(stream, pb->preroll, sizeof(MIDIHDR)) != MMSYSERR_NOERROR)
        return kMidiErrDeviceNotReady;
    InterlockedIncrement(&pb->pending);

    // The regular buffers, until the converter reaches the end of the piece.
    for (int i = 0; i < kMidiStreamBufferCount && !(pb->flags & kMidiStreamFlagEndConverted); ++i) {
        MIDIHDR* h = pb->TakeFree();
        if (!h) break;
        bool end = false;
        r = pb->converter.FillBuffer(reinterpret_cast<uint8_t*>(h->lpData), kMidiStreamBufferSize,
                                     &used, &end);
        if (r != kMidiOk) {
            pb->PutFree(h);
            return MidiResultToMciError(r);
        }
        if (end) pb->flags |= kMidiStreamFlagEndConverted;
        if (used == 0) {
            pb->PutFree(h);
            break;
        }
        h->dwBytesRecorded = DWORD(used);
        int index = pb->IndexOf(h);
        if (!pb->prepared[index]) {
            if (api_.prepareHeader(out, h, sizeof(MIDIHDR)) != MMSYSERR_NOERROR) {
                pb->PutFree(h);
                return kMidiErrDeviceNotReady;
            }
            pb->prepared[index] = true;
        }
        if (api_.streamOut(stream, h, sizeof(MIDIHDR)) != MMSYSERR_NOERROR) {
            pb->PutFree(h);
            return kMidiErrDeviceNotReady;
        }
        InterlockedIncrement(&pb->pending);
    }

    pb->state = kMidiStreamPrerolled;
    if (api_.streamRestart(stream) != MMSYSERR_NOERROR) return kMidiErrDeviceNotReady;
    pb->state = kMidiStreamPlaying;
    return 0;
}

void CALLBACK CMidiStreamPlayer::DriverCallback(HMIDIOUT, UINT msg, DWORD_PTR, DWORD_PTR p1,
                                                DWORD_PTR) {
    if (msg != MOM_DONE) return;
    MIDIHDR* h = reinterpret_cast<MIDIHDR*>(p1);
    MidiPlayback* pb = reinterpret_cast<MidiPlayback*>(h->dwUser);
    if (!pb) return;
    bool requeued = false;
    if (h != pb->preroll) {
        // Under the lock, so that Stop either sees this buffer queued again
        // (and the driver returns it) or this callback sees the stop.
        EnterCriticalSection(&pb->lock);
        if (pb->state != kMidiStreamStopping && !(pb->flags & kMidiStreamFlagEndConverted)) {
            size_t used = 0;
            bool end = false;
            int r = pb->converter.FillBuffer(reinterpret_cast<uint8_t*>(h->lpData),
                                             kMidiStreamBufferSize, &used, &end);
            if (r != kMidiOk) {
                pb->failed = true;
                pb->state = kMidiStreamStopping;
            } else {
                if (end) pb->flags |= kMidiStreamFlagEndConverted;
                if (used > 0) {
                    h->dwBytesRecorded = DWORD(used);
                    if (pb->api->streamOut(pb->stream, h, sizeof(MIDIHDR)) == MMSYSERR_NOERROR) {
                        requeued = true;
                    } else {
                        pb->failed = true;
                        pb->state = kMidiStreamStopping;
                    }
                }
            }
        }
        LeaveCriticalSection(&pb->lock);
        if (requeued) return; // still queued: pending is unchanged
        pb->PutFree(h);
    }
    if (InterlockedDecrement(&pb->pending) == 0)
        PostMessageA(pb->window, kMsgDrained, pb->number, 0);
}

void CMidiStreamPlayer::CloseStream() {
    MidiPlayback* pb = playback_.get();
    if (!pb || !pb->stream) return;
    HMIDIOUT out = reinterpret_cast<HMIDIOUT>(pb->stream);
    for (int i = 0; i < kMidiStreamBufferCount; ++i)
        if (pb->prepared[i]) {
            api_.unprepareHeader(out, pb->headers[i], sizeof(MIDIHDR));
            pb->prepared[i] = false;
        }
    if (pb->prerollPrepared) {
        api_.unprepareHeader(out, pb->preroll, sizeof(MIDIHDR));
        pb->prerollPrepared = false;
    }
    api_.streamClose(pb->stream);
    pb->stream = nullptr;
}

int CMidiStreamPlayer::Stop() {
    MidiPlayback* pb = playback_.get();
    if (!pb || (pb->state != kMidiStreamPlaying && pb->state != kMidiStreamPaused))
        return kMidiErrWrongState;
    EnterCriticalSection(&pb->lock);
    pb->state = kMidiStreamStopping;
    pb->flags |= kMidiStreamFlagStopRequested;
    LeaveCriticalSection(&pb->lock);
    if (api_.streamStop(pb->stream) != MMSYSERR_NOERROR) {
        EnterCriticalSection(&pb->lock);
        pb->flags &= ~LONG(kMidiStreamFlagStopRequested);
        LeaveCriticalSection(&pb->lock);
        return kMidiErrDeviceNotReady;
    }
    DWORD start = GetTickCount();
    while (pb->pending > 0) {
        if (GetTickCount() - start >= kMidiStopLimitMs) return kMidiErrDeviceNotReady;
        Sleep(0);
    }
    if (Handle()) KillTimer(Handle(), kEndDelayTimerId);
    CloseStream();
    pb->state = kMidiStreamOpened;
    return 0;
}

void CMidiStreamPlayer::Release() {
    MidiPlayback* pb = playback_.get();
    if (!pb) return;
    if (pb->state == kMidiStreamPlaying || pb->state == kMidiStreamPaused) Stop();
    if (Handle()) KillTimer(Handle(), kEndDelayTimerId);
    if (pb->pending > 0) {
        // The driver still holds buffers (it would not stop): they must outlive it.
        playback_.release();
        return;
    }
    CloseStream();
    playback_.reset();
}

bool CMidiStreamPlayer::OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    result = 0;
    MidiPlayback* pb = playback_.get();
    if (msg == kMsgDrained) {
        // A stop closes the stream itself; otherwise the piece ended (or broke
        // off): let the last notes ring for a second first.
        if (pb && wp == pb->number && !(pb->flags & kMidiStreamFlagStopRequested) && pb->stream &&
            pb->pending == 0)
            SetTimer(Handle(), kEndDelayTimerId, kMidiStreamEndDelayMs, nullptr);
        return true;
    }
    if (msg == WM_TIMER && wp == kEndDelayTimerId) {
        KillTimer(Handle(), kEndDelayTimerId);
        if (pb && !(pb->flags & kMidiStreamFlagStopRequested) && pb->pending == 0) {
            CloseStream();
            pb->state = kMidiStreamOpened;
            PostMessageA(pb->owner, kMidiStreamEndMessage, pb->number, 1);
        }
        return true;
    }
    return false;
}
