#include "sound/player/sound_list_player_win32.h"

const char kTextCannotPlayMidi[] = "Cannot play midi file";

CSoundListPlayer::CSoundListPlayer(const MidiStreamApi& midiApi)
    : playlist_([this](const SoundListEntry& entry) { StartEntry(entry); }), midi_(midiApi) {}

CSoundListPlayer::~CSoundListPlayer() {
    StopPauseTimer();
    midi_.Release();
}

void CSoundListPlayer::StopPauseTimer() {
    if (pauseTimerArmed_ && Handle()) KillTimer(Handle(), kSoundListPauseTimerId);
    pauseTimerArmed_ = false;
}

void CSoundListPlayer::StartEntry(const SoundListEntry& entry) {
    StopPauseTimer();
    EnsureWindow();
    if (entry.engine == SoundEngine::kMidiStream) {
        Stop();
        midi_.fileName = entry.name;
        midi_.deviceId = MIDI_MAPPER;
        int rc = midi_.Start(Handle());
        if (rc != 0) OnError(rc, kTextCannotPlayMidi);
        return;
    }
    midi_.Release();
    PlayFile(entry.name.c_str());
}

void CSoundListPlayer::OnEnd() {
    if (playlist_.EntryEnded() && Handle() &&
        SetTimer(Handle(), kSoundListPauseTimerId, kSoundListPauseMs, nullptr))
        pauseTimerArmed_ = true;
    CSoundPlayer::OnEnd();
}

void CSoundListPlayer::OnError(int, const char*) {
    playlist_.EntryFailed();
}

bool CSoundListPlayer::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == kPlayerMsgMidiEnd) {
        // Only the end of the piece now playing; an end posted for a piece that
        // was replaced in the meantime is stale.
        if (wp == midi_.PlaybackNumber()) OnEnd();
        result = 0;
        return true;
    }
    if (msg == WM_TIMER && wp == kSoundListPauseTimerId) {
        StopPauseTimer();
        playlist_.PauseElapsed();
        result = 0;
        return true;
    }
    return CSoundPlayer::OnMessage(msg, wp, lp, result);
}

SoundDeviceProbe ProbeSoundDevices() {
    SoundDeviceProbe probe;
    HMIDIOUT midi = nullptr;
    if (midiOutOpen(&midi, MIDI_MAPPER, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR) {
        probe.midiMapperOpened = true;
        midiOutClose(midi);
    }
    WAVEOUTCAPSA caps = {};
    probe.waveOutCaps = waveOutGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps) == MMSYSERR_NOERROR;
    if (mciSendStringA(kCdOpenCommand, nullptr, 0, nullptr) == 0) {
        probe.cdOpened = true;
        char answer[64] = {};
        if (mciSendStringA(kCdStatusCommand, answer, sizeof answer, nullptr) == 0) {
            probe.cdStatusAnswered = true;
            probe.cdMediaPresent = answer;
        }
        mciSendStringA(kCdCloseCommand, nullptr, 0, nullptr);
    }
    return probe;
}

std::vector<std::string> ListFolderFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return names;
}

std::vector<std::string>
BuildSaverSoundListFromDevices(const std::vector<std::string>& albumEntries,
                               const std::string& albumFile, bool shuffle) {
    return BuildSaverSoundList(albumEntries, albumFile, PlayableExtensions(ProbeSoundDevices()),
                               ListFolderFiles, shuffle);
}
