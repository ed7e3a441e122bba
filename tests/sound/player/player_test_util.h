// Helpers of the player tests under Wine: wave files made here, a message pump
// with a deadline, the captured output, and players that record their
// notifications with the time they arrived.
#pragma once

#include "tests/harness/win_harness.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sound/player/sound_list_player_win32.h"
#include "sound/player/sound_player_win32.h"

using harness::WaveFile16;
// `frames` interleaved frames of a tone whose every sample differs from its
// neighbours (frequency and a per-file offset), so that a run of them found in
// the capture can only come from this file.
std::vector<int16_t> Tone(int channels, int frames, double hz, int offset);
std::string SampleBytes(const std::vector<int16_t>& samples);

// Dispatches messages until `done` holds or `timeoutMs` pass; true when done.
using harness::PumpFor;
using harness::PumpUntil;

using harness::CapturedAudio;
using harness::FindInCapture;

struct Notice {
    enum Kind { kEnd, kPosition, kStateChange, kOpen, kError } kind;
    DWORD value = 0; // position or length
    int code = 0;
    std::string text;
    std::string file; // the player's file at the time
    DWORD tick = 0;
};

template <typename Base> class Recording : public Base {
  public:
    using Base::Base;
    std::vector<Notice> notices;
    int Count(typename Notice::Kind k) const {
        int n = 0;
        for (const Notice& x : notices)
            n += x.kind == k;
        return n;
    }
    const Notice* First(typename Notice::Kind k) const {
        for (const Notice& x : notices)
            if (x.kind == k) return &x;
        return nullptr;
    }
    DWORD LastPosition() const {
        DWORD p = 0;
        for (const Notice& x : notices)
            if (x.kind == Notice::kPosition) p = x.value;
        return p;
    }
    std::vector<Notice> Only(typename Notice::Kind k) const {
        std::vector<Notice> out;
        for (const Notice& x : notices)
            if (x.kind == k) out.push_back(x);
        return out;
    }

  protected:
    void Add(Notice::Kind k, DWORD value = 0, int code = 0, const char* text = nullptr) {
        Notice n{k, value, code, text ? text : "", this->fileName(), GetTickCount()};
        notices.push_back(n);
    }
    void OnEnd() override {
        Add(Notice::kEnd);
        Base::OnEnd();
    }
    void OnPosition(DWORD p) override {
        Add(Notice::kPosition, p);
        Base::OnPosition(p);
    }
    void OnStateChange() override {
        Add(Notice::kStateChange);
        Base::OnStateChange();
    }
    void OnOpen(DWORD length) override {
        Add(Notice::kOpen, length);
        Base::OnOpen(length);
    }
    void OnError(int code, const char* text) override {
        Add(Notice::kError, 0, code, text);
        Base::OnError(code, text);
    }
};
using RecordingPlayer = Recording<CSoundPlayer>;
using RecordingListPlayer = Recording<CSoundListPlayer>;
