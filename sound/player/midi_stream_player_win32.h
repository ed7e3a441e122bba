// CMidiStreamPlayer: plays a ".MID" or ".RMI" file through the Windows MIDI
// stream interface. The portable MidiStreamConverter turns the file into stream
// events; this class moves buffers between it and the driver.
//
// Buffers: four regular buffers of 1024 data bytes in one global block, each
// behind its MIDIHDR, and a preroll buffer (the state that events before the
// start position set) that begins at 4096 bytes and doubles up to 32768. The
// driver hands each buffer back on its own thread (MOM_DONE); the callback
// refills it from the converter and queues it again until the piece has been
// converted to its end.
//
// States (MidiStreamState): 0 closed, 1 file opened, 2 prerolling, 3 prerolled,
// 4 playing, 5 paused, 6 stopping.
//
// The driver thread only counts, refills, requeues and posts: closing the
// stream and waiting are not allowed inside a driver callback, so when the last
// buffer is back the callback posts to the player's own hidden window, which
// closes the stream and, after the end of the piece, waits one second (a window
// timer, so the last notes can ring out) before it posts the end message
//   PostMessage(owner, kMidiStreamEndMessage (0x0414), playback number, 1)
// to its owner. A playback that breaks off because a buffer could not be
// refilled or requeued ends the same way, so that a list of songs goes on.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <memory>
#include <string>

#include "sound/midi/midi_stream_converter.h"
#include "win32/window.h"

// The driver calls the player makes, replaceable so that tests can put a device
// double behind them. Default: the winmm functions.
struct MidiStreamApi {
    MMRESULT(WINAPI* streamOpen)(LPHMIDISTRM, LPUINT, DWORD, DWORD_PTR, DWORD_PTR, DWORD);
    MMRESULT(WINAPI* streamProperty)(HMIDISTRM, LPBYTE, DWORD);
    MMRESULT(WINAPI* streamOut)(HMIDISTRM, LPMIDIHDR, UINT);
    MMRESULT(WINAPI* streamRestart)(HMIDISTRM);
    MMRESULT(WINAPI* streamStop)(HMIDISTRM);
    MMRESULT(WINAPI* streamClose)(HMIDISTRM);
    MMRESULT(WINAPI* shortMsg)(HMIDIOUT, DWORD);
    MMRESULT(WINAPI* prepareHeader)(HMIDIOUT, LPMIDIHDR, UINT);
    MMRESULT(WINAPI* unprepareHeader)(HMIDIOUT, LPMIDIHDR, UINT);
};
const MidiStreamApi& SystemMidiStreamApi();

// Results of Start and Stop besides 0.
constexpr int kMidiErrNoState = 7;          // the stream state or its buffers: no memory
constexpr int kMidiErrWrongState = 274;     // MCIERR_UNSUPPORTED_FUNCTION
constexpr int kMidiErrDeviceNotReady = 276; // MCIERR_DEVICE_NOT_READY
constexpr DWORD kMidiStopLimitMs = 5000;    // Stop gives up waiting for the driver after this

// What one playback holds; shared with the driver's callback.
struct MidiPlayback;

class CMidiStreamPlayer : public CWindow {
  public:
    explicit CMidiStreamPlayer(const MidiStreamApi& api = SystemMidiStreamApi());
    ~CMidiStreamPlayer() override;

    std::string fileName;
    UINT deviceId = MIDI_MAPPER; // set by the owner before each start

    // Reads and converts the file, queues the preroll and the regular buffers
    // and starts the stream. 0, or: 296 (file missing, unreadable or malformed),
    // 264 (no memory for the file), 274 (converter out of step), 276 (the stream
    // device could not be opened or set up, or a buffer could not be queued),
    // kMidiErrNoState. A new Start first stops and releases the previous playback.
    int Start(HWND owner);
    // Only while playing or paused: stops the stream and waits (yielding, at most
    // kMidiStopLimitMs) until the driver has handed every buffer back, then closes
    // the stream. 0, 276 when the driver refuses to stop or keeps buffers, 274 in
    // another state. Never call it from the driver's callback.
    int Stop();
    // Stops if needed and frees everything of the playback.
    void Release();

    // Current state (kMidiStreamClosed when there is no playback).
    int State() const;
    // Number of the current playback, carried in the end message's wParam so an
    // owner can tell a stale end message from the current one.
    WPARAM PlaybackNumber() const { return playbackNumber_; }
    // Buffers queued at the driver now.
    LONG Pending() const;

  protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  private:
    int StartPlayback(HWND owner);
    int ReadFile(std::vector<uint8_t>* bytes);
    void CloseStream();
    void FreePrerollBlock();
    static void CALLBACK DriverCallback(HMIDIOUT h, UINT msg, DWORD_PTR instance, DWORD_PTR p1,
                                        DWORD_PTR p2);

    const MidiStreamApi& api_;
    std::unique_ptr<MidiPlayback> playback_;
    // Kept for the next start: the preroll block grows but never shrinks.
    HGLOBAL prerollBlock_ = nullptr;
    uint8_t* prerollData_ = nullptr; // locked from allocation to release
    size_t prerollBlockSize_ = 0;    // whole size, as the converter counts it
    WPARAM playbackNumber_ = 0;
};
