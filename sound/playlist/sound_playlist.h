// The playlist logic of CSoundListPlayer without its window: which entry plays
// next, what Next and Previous do, and how a failing entry leaves the list.
// The Win32 list player owns one, hands it a function that starts an entry
// (the MIDI stream player for MIDI files, PlayFile for the rest) and forwards
// its notifications:
//
//   OnError(code, text)  -> EntryFailed()
//   OnEnd()              -> if (EntryEnded()) arm the pause timer
//                           (kSoundListPauseTimerId, kSoundListPauseMs)
//   pause timer fires    -> stop it, PauseElapsed()
//   "&Next Song" / "&Prev Song" -> Next() / Previous()
//
// A failure may be reported while the entry is being started (PlayFile calls
// OnError before it returns) or later by a posted message; either way the
// entry is removed and the one that takes its place is started. The start
// function is never re-entered: failures during a start are collected and
// handled by a loop, so a list of nothing but unplayable files empties itself
// without recursion.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "sound/playlist/sound_list.h"

constexpr unsigned kSoundListPauseTimerId = 1;
constexpr unsigned kSoundListPauseMs = 3000; // between the end of one entry and the next

struct SoundListEntry {
    int index = 0;
    std::string name;
    SoundEngine engine = SoundEngine::kUnsupported; // ListEngineFor(name)
};

class SoundPlaylist {
  public:
    using StartFn = std::function<void(const SoundListEntry&)>;
    explicit SoundPlaylist(StartFn start) : start_(std::move(start)) {}

    // The list belongs to the saver and must outlive its use here; none (null)
    // after construction. Entries that fail are erased from it.
    void SetPlaylist(std::vector<std::string>* list) { list_ = list; }
    const std::vector<std::string>* playlist() const { return list_; }
    int current() const { return current_; }
    // On (the default): an entry that ends is followed by the next after the pause.
    void SetAdvance(bool on) { advance_ = on; }

    // Each does nothing with no list or an empty one.
    // Plays entry `index`; an index outside the list is ignored.
    void PlayAt(int index);
    // The entry after the current one, wrapping to 0 past the end or from a negative index.
    void Next();
    // The entry before the current one, held at 0 (no wrap); from past the end the last entry.
    void Previous();
    // The current entry failed: it is removed, and unless the list is now empty
    // the entry that takes its place (entry 0 when it was the last) is started.
    void EntryFailed();
    // The current entry finished; true when the pause timer is to be armed.
    bool EntryEnded() const { return advance_; }
    // The pause after an entry is over: the next entry starts.
    void PauseElapsed() { Next(); }

  private:
    bool HasEntries() const { return list_ && !list_->empty(); }
    void StartCurrent();
    void RemoveCurrent();

    StartFn start_;
    std::vector<std::string>* list_ = nullptr;
    int current_ = 0;
    bool advance_ = true;
    bool starting_ = false;
    bool failedWhileStarting_ = false;
};
