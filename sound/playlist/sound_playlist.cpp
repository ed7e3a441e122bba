#include "sound/playlist/sound_playlist.h"

void SoundPlaylist::PlayAt(int index) {
    if (!HasEntries() || index < 0 || size_t(index) >= list_->size()) return;
    current_ = index;
    StartCurrent();
}

void SoundPlaylist::Next() {
    if (!HasEntries()) return;
    ++current_;
    if (current_ < 0 || size_t(current_) >= list_->size()) current_ = 0;
    StartCurrent();
}

void SoundPlaylist::Previous() {
    if (!HasEntries()) return;
    --current_;
    if (current_ < 0) current_ = 0;
    if (size_t(current_) >= list_->size()) current_ = int(list_->size()) - 1;
    StartCurrent();
}

void SoundPlaylist::EntryFailed() {
    if (starting_) {
        // Reported from inside the start: the loop in StartCurrent deals with it.
        failedWhileStarting_ = true;
        return;
    }
    if (!HasEntries()) return;
    RemoveCurrent();
    if (HasEntries()) StartCurrent();
}

void SoundPlaylist::RemoveCurrent() {
    if (current_ >= 0 && size_t(current_) < list_->size()) list_->erase(list_->begin() + current_);
    if (current_ < 0 || size_t(current_) >= list_->size()) current_ = 0;
}

void SoundPlaylist::StartCurrent() {
    starting_ = true;
    while (HasEntries()) {
        failedWhileStarting_ = false;
        SoundListEntry entry;
        entry.index = current_;
        entry.name = (*list_)[size_t(current_)];
        entry.engine = ListEngineFor(entry.name);
        start_(entry);
        if (!failedWhileStarting_) break;
        RemoveCurrent();
    }
    starting_ = false;
}
