// CWaveOutput: the decoder worker's path to the wave output device.
//
// Three buffers of exactly 32 decoded frames each rotate between the worker and
// the device.  The first full buffer is held back; when the second is full both
// are queued, so playback starts with 64 frames ready (about 1.7 s of MPEG-1
// Layer III) and the device never starves while the decoder works on the
// third.  From then on every full buffer is queued at once and the worker waits
// until the buffer it is to fill next has come back from the device: at most
// two buffers wait at the device while the third is filled.
//
// The device callback only marks its buffer done and releases the named
// semaphore "KelpoMCISemaphore", on which the worker sleeps.  Headers are
// prepared and unprepared on the worker's thread only: a waveOut call made
// from inside the callback can deadlock the driver.  The semaphore is only a
// wake-up: being named it may be shared with other players, even in other
// processes, so a buffer is reused only once its own done mark is set.
//
// Every call here is made on the worker's thread while it holds the player's
// control lock (so that the player never suspends it inside a device call);
// the waits give that lock up while they sleep.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdint>

// Takes the player's control lock by polling.  A thread blocked in
// EnterCriticalSection is already queued as the next owner, and the player may
// suspend the worker right then (a pause), which would leave the lock owned by
// a frozen thread; a thread that polls owns nothing until it has the lock.
void TakeControlLock(CRITICAL_SECTION* lock);

constexpr int kWaveFramesPerBuffer = 32;
constexpr int kWaveBufferCount = 3;
extern const char kWaveSemaphoreName[]; // "KelpoMCISemaphore"

class CWaveOutput {
  public:
    CWaveOutput() = default;
    ~CWaveOutput(); // closes aborting when still open
    CWaveOutput(const CWaveOutput&) = delete;
    CWaveOutput& operator=(const CWaveOutput&) = delete;

    // Opens the wave mapper for 16-bit PCM and makes three buffers of 32 frames
    // of samplesPerFrame samples per channel.  `lock`, when given, is held by the
    // caller around every call and given up while waiting for the device.
    // Returns 0, waveOutOpen's error number, or 264 (MCIERR_OUT_OF_MEMORY) when
    // the buffers or the semaphore cannot be made (the device is closed again).
    int Open(int channels, int sampleRate, int samplesPerFrame, CRITICAL_SECTION* lock);
    bool IsOpen() const { return device_ != nullptr; }
    HWAVEOUT device() const { return device_; }

    // Appends one decoded frame (interleaved, channels values per instant) and
    // counts it; every 32nd frame completes a buffer.  A frame that does not fit
    // (a longer frame after a change of layer) first completes the buffer as it
    // is.  False when a buffer cannot be queued or the device has not returned a
    // buffer within 10 seconds of waiting: the output cannot take the frame.
    // Also false, at once, when `*cancel` (read under the lock) is set while it
    // waits, so that a stop need not wait for a buffer to play out.
    bool AppendFrame(const int16_t* samples, int samplesPerChannel, const bool* cancel = nullptr);

    // Forgets everything queued or buffered (after a seek): the device is reset,
    // the buffers come back, and the start-up (two full buffers before playing)
    // begins again.
    void Reset();

    // Flushing: queues the held and the partly filled buffer (only the samples
    // it holds) and waits for the device to play everything, each buffer for at
    // most 10 seconds; `*cancel` (read under the lock) turns the flush into an
    // abort as soon as it is set.  Aborting: resets the device at once.  Then
    // the device is closed, retried every 256 ms while it is still playing.
    void Close(bool flush, const bool* cancel = nullptr);

    // Forgets the device without calling it (its worker was terminated and the
    // player has reset and closed it); buffers it may still hold are not freed.
    void Abandon();

    // Frames appended since the open or the last reset.
    uint32_t framesAppended() const { return frames_; }

  private:
    struct Buffer {
        WAVEHDR header = {};
        char* data = nullptr;
        size_t used = 0;        // bytes filled
        bool queued = false;    // written to the device and not yet taken back
        volatile LONG done = 0; // set by the device callback
    };

    static void CALLBACK DeviceCallback(HWAVEOUT device, UINT msg, DWORD_PTR instance,
                                        DWORD_PTR param1, DWORD_PTR param2);
    bool Queue(int index);
    // Waits until buffer `index` is back from the device and unprepares it.
    // False when it is not back after 10 s of waiting or `*cancel` was set.
    bool TakeBack(int index, const bool* cancel = nullptr);
    bool CompleteBuffer(const bool* cancel);
    void ReleaseAll();

    HWAVEOUT device_ = nullptr;
    HANDLE semaphore_ = nullptr;
    CRITICAL_SECTION* lock_ = nullptr;
    Buffer buffers_[kWaveBufferCount];
    size_t bufferBytes_ = 0;
    int channels_ = 0;
    int current_ = 0; // the buffer being filled
    int held_ = -1;   // the first full buffer, kept back until the second is full
    int phase_ = 0;   // 0 nothing full yet, 1 one held, 2 playing
    uint32_t frames_ = 0;
};
