// CPreviewPlayer: the sound player of the Sounds page and the sound open
// dialog.  It plays one file at a time, shows what it plays in a small display
// (a position bar with Play and Stop buttons) and in a status text of the
// owner's, and tells the owner by a posted message when a file has ended.
#pragma once

#include <windows.h>

#include <string>

#include "sound/player/sound_player_win32.h"
#include "win32/window.h"

class CPreviewPlayer;

// The display: a child window over the owner's placeholder.
class CPlayerDisplay : public CWindow {
  public:
    explicit CPlayerDisplay(CPreviewPlayer& player) : player_(player) {}
    bool Create(const RECT& rect, HWND parent, UINT id);
    void SetRange(DWORD length);
    void SetPosition(DWORD position);
    void UpdateButtons();

  protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  private:
    CPreviewPlayer& player_;
    HWND bar_ = nullptr, play_ = nullptr, stop_ = nullptr;
    HFONT font_ = nullptr;  // the parent's font, not owned
    DWORD scale_ = 1;       // positions are divided by this to fit the bar's range
};

class CPreviewPlayer : public CSoundPlayer {
  public:
    CPreviewPlayer();
    ~CPreviewPlayer() override;

    // Creates the display over the placeholder control (which is hidden) and
    // takes the status text control; either may be missing.
    bool AttachDisplay(HWND dialog, int placeholderId, int statusId);
    // Where the end of a file is reported (PostMessage(window, message, 0, 0)).
    void SetEndTarget(HWND window, UINT message) { endWindow_ = window, endMessage_ = message; }

    // Plays the file when its extension is one the preview plays; false (and
    // nothing changes) otherwise.
    bool Preview(const std::string& path);
    // The display's buttons.
    void PlayButton();
    void StopButton();

    HWND displayWindow() const { return display_.Handle(); }
    const std::string& statusText() const { return status_; }
    int endsReported() const { return ends_; }
    // The MCI error number of the last failure (0 before any).
    int lastError() const { return lastError_; }

  protected:
    void OnEnd() override;
    void OnPosition(DWORD position) override;
    void OnOpen(DWORD length) override;
    void OnError(int code, const char* text) override;

  private:
    void SetStatus(const std::string& text);

    CPlayerDisplay display_;
    HWND statusText_ = nullptr;
    HWND endWindow_ = nullptr;
    UINT endMessage_ = 0;
    std::string status_;
    int ends_ = 0;
    int lastError_ = 0;
};
