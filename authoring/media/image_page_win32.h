// CImagePage: the "Images" page of the setup sheet.  It edits the album's
// pictures (files and whole folders, each with an optional caption), the
// caption's place, font and colour, and the saver's two colour options, and
// shows the first selected picture in a preview area.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "authoring/media/image_preview_win32.h"
#include "authoring/sheet_page_win32.h"

class CImagePage : public CSheetPage {
  public:
    CImagePage();
    ~CImagePage() override;

    void LoadControls() override;
    void SaveControls() override;

    // The rows as the list shows them and their captions (same index).
    std::vector<std::string> Rows() const;
    const std::vector<std::string>& Captions() const { return captions_; }
    CImagePreview& Preview() { return preview_; }

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND ctl) override;

  private:
    void UpdateButtons();
    void OnSelectionChange();
    void ShowSelectedPreview();
    void OnAdd();
    void OnRemove();
    void OnClear();
    void OnSelectFont();
    // The caption edit: what it shows, and what the author typed into it.
    void ShowCaptionOf(int row);
    void CommitCaption();
    std::vector<int> Selected() const;
    void FillList(const std::vector<std::string>& rows);
    HWND List() const { return Control(1053); }

    std::vector<std::string> captions_;
    CImagePreview preview_;
    int captionRow_ = -1;         // the row whose caption the edit shows
    bool captionEdited_ = false;  // the author changed the edit since then
    bool settingCaption_ = false; // the page itself is writing the edit
};
