// CSoundListPlayer: the saver's music. Plays the entries of a list one after
// another with a 3-second pause between them (timer id 1), MIDI files through
// the MIDI stream player and everything else through CSoundPlayer. An entry
// that fails leaves the list and the next one starts, so a list of nothing but
// unplayable files empties itself. The playlist rules themselves live in the
// portable SoundPlaylist.
#pragma once

#include <string>
#include <vector>

#include "sound/playlist/sound_list.h"
#include "sound/playlist/sound_playlist.h"
#include "sound/player/midi_stream_player_win32.h"
#include "sound/player/sound_player_win32.h"

extern const char kTextCannotPlayMidi[]; // "Cannot play midi file"

class CSoundListPlayer : public CSoundPlayer {
  public:
    explicit CSoundListPlayer(const MidiStreamApi& midiApi = SystemMidiStreamApi());
    ~CSoundListPlayer() override;

    // The list belongs to the saver and must outlive the player's use of it;
    // failing entries are erased from it.
    void SetPlaylist(std::vector<std::string>* list) { playlist_.SetPlaylist(list); }
    const std::vector<std::string>* playlist() const { return playlist_.playlist(); }
    int current() const { return playlist_.current(); }
    // On (the default): an entry that ends is followed by the next after the pause.
    void SetAdvance(bool on) { playlist_.SetAdvance(on); }
    bool pauseTimerArmed() const { return pauseTimerArmed_; }

    void PlayAt(int index) { playlist_.PlayAt(index); }
    void Next() { playlist_.Next(); }
    void Previous() { playlist_.Previous(); }

    CMidiStreamPlayer& midiPlayer() { return midi_; }

  protected:
    void OnEnd() override;
    void OnError(int code, const char* text) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  private:
    void StartEntry(const SoundListEntry& entry);
    void StopPauseTimer();

    SoundPlaylist playlist_;
    CMidiStreamPlayer midi_;
    bool pauseTimerArmed_ = false;
};

// The saver's start-up probe of the sound devices: the MIDI mapper opened and
// closed at once, the capabilities of wave output device -1, and the CD drive
// through the MCI command strings (kCdOpenCommand, kCdStatusCommand,
// kCdCloseCommand).
SoundDeviceProbe ProbeSoundDevices();

// Names of the files in `folder` (ending with a backslash) matching `pattern`,
// in the order FindFirstFile/FindNextFile return them; folders left out.
std::vector<std::string> ListFolderFiles(const std::string& folder, const std::string& pattern);

// The saver's sound list from the album's sound entries: probes the devices,
// keeps what they can play, expands folders, and shuffles when asked.
std::vector<std::string>
BuildSaverSoundListFromDevices(const std::vector<std::string>& albumEntries,
                               const std::string& albumFile, bool shuffle);
