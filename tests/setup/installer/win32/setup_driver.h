// Drives a running Setup.exe the way a person does: its wizard's buttons,
// the folder edit and check boxes, the overwrite question and message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/harness/win_harness.h"

// A visible dialog (#32770) of process `pid`: a message box when messageBox,
// otherwise one titled `title` (any title when null); null when none is shown.
HWND FindDialogOf(DWORD pid, const char* title, bool messageBox);

struct SeenBox {
    std::string caption, text;
};

class SetupDriver {
  public:
    explicit SetupDriver(const std::string& exe) : program_(exe, "") {}
    bool Started() const { return program_.Started(); }
    harness::RunningProgram& Program() { return program_; }

    // The wizard sheet (a dialog titled saver + " Setup"), waiting for it.
    HWND Sheet(const std::string& title);
    // The page on show and whether it holds control `id`.
    HWND Page() const;
    bool PageHas(int id) const { return GetDlgItem(Page(), id) != nullptr; }
    // Presses a wizard button (PSBTN_NEXT, PSBTN_FINISH...) without waiting for its work.
    void Press(int button) const;
    // Waits until the page on show holds control `id`.
    bool WaitForPage(int id, DWORD timeoutMs = 15000) const;
    std::string Text(int id) const;
    void SetText(int id, const std::string& text) const;
    void SetCheck(int id, bool on) const;
    // Text of a cell of the list view `id` on the page (read across processes).
    std::string ListText(int id, int row, int column) const;
    int ListRows(int id) const;

    // A message box of the program, waiting for it; its text, then OK.
    bool AnswerBox(SeenBox& seen, DWORD timeoutMs = 30000);
    // The overwrite question: its text, then the button `id`.
    bool AnswerOverwrite(int id, std::string* text = nullptr, DWORD timeoutMs = 30000);
    // The question's window, when shown.
    HWND OverwriteDialog() const;
    bool WaitForExit(DWORD timeoutMs = 60000) { return program_.WaitForExit(timeoutMs); }

  private:
    HWND FindDialog(const char* title, bool messageBox) const;
    harness::RunningProgram program_;
    HWND sheet_ = nullptr;
};

// Waits up to timeoutMs for the folder window the shell opens on the new
// program group `title`, closes it, and tells whether one was shown.
bool CloseFolderWindows(const std::string& title, DWORD timeoutMs);
