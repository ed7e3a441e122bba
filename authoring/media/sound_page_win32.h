// CSoundPage: the "Sounds" page of the setup sheet.  It edits the album's
// sound files and folders and, with "Preview" set, plays the selected row
// through its own player, going on to the next playable row when a file ends.
// The keyboard's instrument families are kept in a hidden check list, loaded
// and saved with the page.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "authoring/media/preview_player_win32.h"
#include "authoring/sheet_page_win32.h"

// Sent by the page's player to the page when a file has ended.
constexpr UINT kSoundEndMessage = WM_USER + 2;

class CSoundPage : public CSheetPage {
  public:
    CSoundPage();
    ~CSoundPage() override;

    void LoadControls() override;
    void SaveControls() override;

    std::vector<std::string> Rows() const;
    CPreviewPlayer& Player() { return player_; }
    int PlayIndex() const { return playIndex_; }

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND ctl) override;
    bool OnPageMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

  private:
    void UpdateButtons();
    // Plays the row from playIndex on (folders skipped) when "Preview" is set.
    void PlayFromIndex();
    void OnAdd();
    void OnRemove();
    void OnClear();
    void SetFamilies(const std::string& pattern);
    std::vector<bool> Families() const;
    bool PreviewOn() const;
    HWND List() const { return Control(1057); }

    CPreviewPlayer player_;
    int playIndex_ = 0;
};
