#include "sound/mpeg/mpeg_engine_win32.h"

#include <new>

namespace {

// Position reports go out on every 16th frame.
constexpr int32_t kPositionEvery = 16;
constexpr size_t kPcmCapacity = size_t(kMpegMaxFrameSamples) * kMpegMaxChannels;
// ReadFile takes a DWORD count; larger requests are served in pieces.
constexpr size_t kMaxReadPiece = 1u << 20;

void Post(const DecoderControl* control, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    if (control->notifyWindow) PostMessageA(control->notifyWindow, msg, wp, lp);
}

} // namespace

CMpegFileSource::~CMpegFileSource() {
    Close();
}

bool CMpegFileSource::Open(const std::string& path) {
    Close();
    file_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_, &size) || size.QuadPart < 0) {
        Close();
        return false;
    }
    size_ = uint64_t(size.QuadPart);
    return true;
}

void CMpegFileSource::Close() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    size_ = 0;
}

size_t CMpegFileSource::ReadAt(uint64_t offset, void* out, size_t n) {
    if (file_ == INVALID_HANDLE_VALUE || offset >= size_) return 0;
    // Never ask for more than the file holds past offset.
    if (uint64_t(n) > size_ - offset) n = size_t(size_ - offset);
    LARGE_INTEGER where;
    where.QuadPart = LONGLONG(offset);
    if (!SetFilePointerEx(file_, where, nullptr, FILE_BEGIN)) return 0;
    size_t total = 0;
    char* dest = static_cast<char*>(out);
    while (total < n) {
        const size_t piece = n - total < kMaxReadPiece ? n - total : kMaxReadPiece;
        DWORD got = 0;
        if (!ReadFile(file_, dest + total, DWORD(piece), &got, nullptr) || got == 0) break;
        total += got;
    }
    return total;
}

CMpegEngine::CMpegEngine() = default;

CMpegEngine::~CMpegEngine() {
    Close();
}

int CMpegEngine::Open(const std::string& fileName, DWORD* lengthFrames) {
    Close();
    *lengthFrames = 0;
    if (!source_.Open(fileName)) return kMpegErrFileRead;
    decoder_.reset(new (std::nothrow) MpegDecoder(kMpegOutputScale));
    if (!decoder_) return kMpegErrNoMemory;
    const int rc = decoder_->Open(&source_);
    if (rc != kMpegOk) return rc == kMpegErrNoMemory ? kMpegErrNoMemory : kMpegErrInvalidFile;
    *lengthFrames = decoder_->FrameCount();
    return 0;
}

void CMpegEngine::Close() {
    // Still open only when the worker was terminated; the player has then reset
    // and closed the device itself.
    if (output_.IsOpen()) output_.Abandon();
    decoder_.reset();
    source_.Close();
}

void CMpegEngine::Fail(DecoderControl* control, int code, const char* text) {
    control->waveOut = nullptr;
    output_.Close(false);
    if (control->options & kPlayerShowErrorText) {
        char message[256];
        if (!mciGetErrorStringA(DWORD(code), message, sizeof(message)))
            lstrcpynA(message, text, sizeof(message));
        // Shown before the player learns of the failure, so that it never waits
        // for a worker sitting in a box; the lock is not held meanwhile.
        HWND owner = control->notifyWindow;
        LeaveCriticalSection(&control->lock);
        MessageBoxA(owner, message, text, MB_OK | MB_ICONWARNING);
        TakeControlLock(&control->lock);
    }
    if (!control->stopRequest)
        Post(control, kPlayerMsgError, WPARAM(code), reinterpret_cast<LPARAM>(text));
}

void CMpegEngine::Run(DecoderControl* control) {
    TakeControlLock(&control->lock);
    bool scaleOk = decoder_ != nullptr;
    if (scaleOk && control->scale != kMpegOutputScale) {
        // A decoder for another output scale, over the same file.
        decoder_.reset(new (std::nothrow) MpegDecoder(control->scale));
        scaleOk = decoder_ && decoder_->Open(&source_) == kMpegOk;
    }
    std::unique_ptr<int16_t[]> pcm(new (std::nothrow) int16_t[kPcmCapacity]);
    int rc = 0;
    if (!scaleOk || !pcm) {
        Fail(control, kMpegErrNoMemory, kMpegTextNoMemory);
    } else if ((rc = output_.Open(decoder_->channels(), decoder_->sampleRate(),
                                  decoder_->samplesPerFrame(), &control->lock)) != 0) {
        if (rc == kMpegErrNoMemory)
            Fail(control, kMpegErrNoMemory, kMpegTextNoMemory);
        else
            Fail(control, rc, kMpegTextOpenOutput);
    } else {
        control->waveOut = output_.device();
        int32_t lastFrame = -1;
        for (;;) {
            if (control->stopRequest) break;
            bool reported = false;
            if (control->seekRequest) {
                output_.Reset();
                // Reset waits for the device without the lock: look again.
                if (control->stopRequest) break;
                const DWORD target = control->seekTarget;
                control->seekRequest = false;
                if (decoder_->SeekFrame(target) != kMpegOk) {
                    Fail(control, kMpegErrSeek, kMpegTextSeek);
                    break;
                }
                Post(control, kPlayerMsgSeekDone);
                Post(control, kPlayerMsgPosition, WPARAM(target));
                reported = true;
            }
            const int32_t frame = decoder_->frameNumber();
            if (!reported && (control->options & kPlayerReportPosition) && frame >= 0 &&
                frame % kPositionEvery == 0)
                Post(control, kPlayerMsgPosition, WPARAM(frame));
            int samples = 0;
            rc = decoder_->DecodeFrame(pcm.get(), kPcmCapacity, &samples);
            if (rc == kMpegEndOfStream) {
                if (lastFrame >= 0) Post(control, kPlayerMsgPosition, WPARAM(lastFrame));
                output_.Close(true, &control->stopRequest);
                control->waveOut = nullptr;
                // A stop that came while the output drained takes precedence.
                if (!control->stopRequest) {
                    control->finished = true;
                    Post(control, kPlayerMsgDecodeDone);
                }
                break;
            }
            if (rc != kMpegOk || !output_.AppendFrame(pcm.get(), samples, &control->stopRequest)) {
                if (control->stopRequest) break;
                Fail(control, kMpegErrOutput, kMpegTextOutput);
                break;
            }
            lastFrame = frame;
            // Between frames the player may take the lock (seek, stop, pause).  It
            // polls for it, so now and then the lock stays free for a moment; a
            // millisecond every 4 frames still decodes far faster than real time.
            LeaveCriticalSection(&control->lock);
            if (frame % 4 == 3) Sleep(1);
            TakeControlLock(&control->lock);
        }
    }
    if (output_.IsOpen()) {
        control->waveOut = nullptr;
        output_.Close(false);
    }
    LeaveCriticalSection(&control->lock);
    // Set on every way out, not only after a stop request: a Stop that raced
    // with the end or a failure then need not wait out its limit.
    SetEvent(control->doneEvent);
}

void UseMpegDecoderEngine() {
    CSoundPlayer::SetDecoderEngineFactory(
        [] { return std::unique_ptr<CDecoderEngine>(new (std::nothrow) CMpegEngine); });
}
