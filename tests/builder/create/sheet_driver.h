// Drives the Create page the way a person does: the setup sheet runs modally
// on a thread of its own, and the test clicks the page's buttons, types into
// its edits and reads and answers the message boxes that the page (or its
// package writer's worker) raises.
#pragma once

#include <windows.h>

#include <string>

#include "builder/create/create_page_win32.h"
#include "tests/harness/win_harness.h"

namespace createtest {

// The page's message boxes are this process's own: read and answered by the
// harness.
using harness::Answer;
using harness::Box;
using harness::BoxAnswerer;
using harness::OpenBoxText;
using harness::WaitForBox;

// Writes what the screen shows of a window into a 24-bit BMP file (for the
// documentation's pictures of the page).
bool SaveWindowImage(HWND w, const std::string& bmpPath);

class SheetRunner {
  public:
    // Starts the sheet holding the Create page on its own thread.
    SheetRunner();
    // Cancels the sheet if it is still open and waits for its thread.
    ~SheetRunner();
    SheetRunner(const SheetRunner&) = delete;
    SheetRunner& operator=(const SheetRunner&) = delete;

    bool Ready() const { return page_.HasWindow(); }
    CCreatePage& Page() { return page_; }
    HWND PageWindow() const { return page_.Handle(); }
    HWND Sheet() const;
    HWND Control(int id) const { return GetDlgItem(page_.Handle(), id); }

    void SetText(int id, const std::string& text);
    std::string Text(int id) const;
    bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
    // Posts a click to a page control, or to a button of the sheet.
    void Click(int id);
    void ClickSheetButton(int id);
    // The control that has the focus on the sheet's thread.
    int FocusId() const;
    // Ends the sheet with its Cancel button and waits for the thread.
    bool Close();

  private:
    static DWORD WINAPI ThreadMain(LPVOID self);
    CCreatePage page_;
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
};

}  // namespace createtest
