// "Confirm file overwrite": Yes, Yes To All, No (the default) or Abort for one
// existing file.
#pragma once

#include <string>

#include "win32/window.h"

class COverwriteDialog : public CDialog {
  public:
    // The button that closed the dialog; the question is shown again when it was
    // closed any other way (Escape, the close box).  Abort when it cannot be shown.
    int Ask(HWND owner, const std::string& path);

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND ctl) override;
    void OnCancel() override { EndDialog(hwnd_, IDCANCEL); }

  private:
    std::string path_;
    int choice_ = 0;
};
