#include "sound/mpeg/wave_output_win32.h"

#include <cstring>
#include <new>

const char kWaveSemaphoreName[] = "KelpoMCISemaphore";

namespace {

constexpr int kErrNoMemory = 264; // MCIERR_OUT_OF_MEMORY
constexpr LONG kSemaphoreMax = 1024;
// A buffer must come back within 10 s of waiting.  The wait is cut into slices
// so that time spent suspended by a pause does not count as waiting.
constexpr DWORD kWaitSliceMs = 100;
constexpr DWORD kWaitLimitMs = 10000;
constexpr DWORD kCloseRetryMs = 256;
constexpr int kCloseTries = 40; // about 10 s, then the device is reset

} // namespace

void TakeControlLock(CRITICAL_SECTION* lock) {
    while (!TryEnterCriticalSection(lock))
        Sleep(1);
}

CWaveOutput::~CWaveOutput() {
    lock_ = nullptr; // not held by whoever destroys the output
    Close(false);
}

void CWaveOutput::Abandon() {
    device_ = nullptr;
    for (Buffer& b : buffers_)
        if (b.queued) b.data = nullptr;
    ReleaseAll();
}

int CWaveOutput::Open(int channels, int sampleRate, int samplesPerFrame, CRITICAL_SECTION* lock) {
    Close(false);
    lock_ = lock;
    channels_ = channels;
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = WORD(channels);
    format.nSamplesPerSec = DWORD(sampleRate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = WORD(channels * 2);
    format.nAvgBytesPerSec = DWORD(sampleRate) * format.nBlockAlign;
    format.cbSize = 0;
    HWAVEOUT device = nullptr;
    MMRESULT rc = waveOutOpen(
        &device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&CWaveOutput::DeviceCallback),
        reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION | WAVE_ALLOWSYNC);
    if (rc != MMSYSERR_NOERROR) return int(rc);
    device_ = device;

    // 2 bytes a sample: 73728 bytes per channel for 32 frames of 1152 samples.
    bufferBytes_ = size_t(channels) * 2 * kWaveFramesPerBuffer * size_t(samplesPerFrame);
    bool ok = true;
    for (Buffer& b : buffers_) {
        b.data = new (std::nothrow) char[bufferBytes_];
        ok = ok && b.data;
        b.used = 0;
        b.queued = false;
        b.done = 0;
    }
    semaphore_ = CreateSemaphoreA(nullptr, 0, kSemaphoreMax, kWaveSemaphoreName);
    if (!ok || !semaphore_) {
        Close(false);
        return kErrNoMemory;
    }
    current_ = 0;
    held_ = -1;
    phase_ = 0;
    frames_ = 0;
    return 0;
}

void CALLBACK CWaveOutput::DeviceCallback(HWAVEOUT, UINT msg, DWORD_PTR instance, DWORD_PTR param1,
                                          DWORD_PTR) {
    if (msg != WOM_DONE) return;
    CWaveOutput* self = reinterpret_cast<CWaveOutput*>(instance);
    const WAVEHDR* header = reinterpret_cast<const WAVEHDR*>(param1);
    const DWORD_PTR index = header->dwUser;
    if (index < DWORD_PTR(kWaveBufferCount)) InterlockedExchange(&self->buffers_[index].done, 1);
    ReleaseSemaphore(self->semaphore_, 1, nullptr);
}

bool CWaveOutput::Queue(int index) {
    Buffer& b = buffers_[index];
    std::memset(&b.header, 0, sizeof(b.header));
    b.header.lpData = b.data;
    b.header.dwBufferLength = DWORD(b.used);
    b.header.dwUser = DWORD_PTR(index);
    if (waveOutPrepareHeader(device_, &b.header, sizeof(b.header)) != MMSYSERR_NOERROR)
        return false;
    // Marked before the write: the device may hand it back before waveOutWrite returns.
    InterlockedExchange(&b.done, 0);
    b.queued = true;
    if (waveOutWrite(device_, &b.header, sizeof(b.header)) != MMSYSERR_NOERROR) {
        b.queued = false;
        waveOutUnprepareHeader(device_, &b.header, sizeof(b.header));
        return false;
    }
    return true;
}

bool CWaveOutput::TakeBack(int index, const bool* cancel) {
    Buffer& b = buffers_[index];
    if (!b.queued) return true;
    DWORD waited = 0;
    while (InterlockedCompareExchange(&b.done, 0, 0) == 0) {
        if (waited >= kWaitLimitMs || (cancel && *cancel)) return false;
        if (lock_) LeaveCriticalSection(lock_);
        const DWORD start = GetTickCount();
        WaitForSingleObject(semaphore_, kWaitSliceMs);
        const DWORD spent = GetTickCount() - start;
        if (lock_) TakeControlLock(lock_);
        // A release meant for another buffer or player costs no waiting time; a
        // slice longer than itself was a suspension (pause) and counts as one.
        waited += spent < kWaitSliceMs ? spent : kWaitSliceMs;
    }
    waveOutUnprepareHeader(device_, &b.header, sizeof(b.header));
    b.queued = false;
    return true;
}

bool CWaveOutput::CompleteBuffer(const bool* cancel) {
    if (phase_ == 0) {
        held_ = current_;
        phase_ = 1;
    } else if (phase_ == 1) {
        const int held = held_;
        held_ = -1;
        phase_ = 2;
        if (!Queue(held) || !Queue(current_)) return false;
    } else if (!Queue(current_)) {
        return false;
    }
    current_ = (current_ + 1) % kWaveBufferCount;
    if (!TakeBack(current_, cancel)) return false;
    buffers_[current_].used = 0;
    return true;
}

bool CWaveOutput::AppendFrame(const int16_t* samples, int samplesPerChannel, const bool* cancel) {
    if (!device_ || samplesPerChannel < 0) return false;
    const size_t bytes = size_t(samplesPerChannel) * size_t(channels_) * 2;
    if (bytes > bufferBytes_) return false;
    if (buffers_[current_].used + bytes > bufferBytes_ && !CompleteBuffer(cancel)) return false;
    Buffer& b = buffers_[current_];
    // Interleaved 16-bit samples are already in the device's little-endian layout.
    std::memcpy(b.data + b.used, samples, bytes);
    b.used += bytes;
    ++frames_;
    if (frames_ % kWaveFramesPerBuffer == 0) return CompleteBuffer(cancel);
    return true;
}

void CWaveOutput::Reset() {
    if (!device_) return;
    waveOutReset(device_);
    for (int i = 0; i < kWaveBufferCount; ++i)
        TakeBack(i);
    for (Buffer& b : buffers_)
        b.used = 0;
    current_ = 0;
    while (current_ < kWaveBufferCount - 1 && buffers_[current_].queued)
        ++current_;
    held_ = -1;
    phase_ = 0;
    frames_ = 0;
}

void CWaveOutput::Close(bool flush, const bool* cancel) {
    if (device_) {
        bool abort = !flush;
        if (flush) {
            // The held buffer first: it comes before the partial one.
            const int order[2] = {phase_ == 1 ? held_ : -1, current_};
            for (int index : order) {
                if (index < 0 || buffers_[index].used == 0 || buffers_[index].queued) continue;
                if (!Queue(index)) abort = true;
            }
            for (int i = 1; i <= kWaveBufferCount && !abort; ++i) {
                // In queueing order, oldest first: the one after the current buffer.
                if (!TakeBack((current_ + i) % kWaveBufferCount, cancel)) abort = true;
            }
        }
        if (abort) {
            waveOutReset(device_);
            for (int i = 0; i < kWaveBufferCount; ++i)
                TakeBack(i);
        }
        for (int tries = 0; tries < kCloseTries; ++tries) {
            if (waveOutClose(device_) != WAVERR_STILLPLAYING) break;
            if (tries == kCloseTries - 1) {
                waveOutReset(device_);
                waveOutClose(device_);
                break;
            }
            if (lock_) LeaveCriticalSection(lock_);
            Sleep(kCloseRetryMs);
            if (lock_) TakeControlLock(lock_);
        }
        device_ = nullptr;
    }
    ReleaseAll();
}

void CWaveOutput::ReleaseAll() {
    for (Buffer& b : buffers_) {
        // A buffer the device never handed back may still be read by it: better
        // lost than freed under the driver.
        if (!b.queued) delete[] b.data;
        b.data = nullptr;
        b.used = 0;
        b.queued = false;
    }
    if (semaphore_) CloseHandle(semaphore_);
    semaphore_ = nullptr;
    bufferBytes_ = 0;
    current_ = 0;
    held_ = -1;
    phase_ = 0;
    frames_ = 0;
}
