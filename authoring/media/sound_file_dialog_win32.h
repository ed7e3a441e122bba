// The sound open dialog: plays the file under the cursor through a preview
// player of its own and collects folders (see image_file_dialog_win32.h).
#pragma once

#include "authoring/media/image_file_dialog_win32.h"
#include "authoring/media/preview_player_win32.h"

class CSoundFileDialog : public CPreviewFileDialog {
  public:
    CSoundFileDialog(bool openMode, const char* defaultExt, const char* fileName, DWORD flags,
                     const char* filter);
    CPreviewPlayer& player() { return player_; }

  protected:
    void OnPanelInit() override;
    void OnFileNameChange() override;
    bool OnPanelCommand(int id, int code) override;
    void OnPanelDestroy() override;

  private:
    CPreviewPlayer player_;
};
