// Helpers of the media tests under Wine: picture and sound files made here,
// and a second thread that operates a modal dialog as a person would while
// the test's own thread runs it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/harness/win_harness.h"

namespace mediatest {

// A 24-bit BMP of w x h in one colour (0x00RRGGBB) with a different top-left pixel.
std::string BmpFile(int w, int h, uint32_t rgb);
// A 24-bit BMP of w x h shading from one colour at the left to another at the
// right, darker towards the bottom: a picture with something to see.
std::string GradientBmpFile(int w, int h, uint32_t left, uint32_t right);
// Writes the window's area of the screen as a binary PPM; false when it cannot.
bool SaveWindowPicture(HWND w, const std::string& path);
// A 16-bit mono PCM wave of `frames` samples; every file's samples differ by `offset`.
std::string WaveFile(int frames, int offset);
// The samples of WaveFile as raw bytes, as they land in the capture.
std::string WaveSamples(int frames, int offset);

// Polls (sleeping, from the driving thread) until done() or the limit.
bool WaitFor(const std::function<bool()>& done, DWORD limitMs = 15000);

// Runs `script` on a second thread while `modal` runs here; returns when both
// have ended.  The script must close the dialog it drives.
void Drive(const std::function<void()>& script, const std::function<void()>& modal);

// A visible top-level window of this process with the given caption.
HWND FindTopWindow(const char* caption, DWORD limitMs = 15000);
// The explorer open dialog's own panel (the child dialog made from our template).
HWND PanelOf(HWND dialog);
// Selects the file shown under `name` in the dialog's file list, as a click would.
bool SelectInDialog(HWND dialog, const char* name);
// Selects several files at once.
bool SelectManyInDialog(HWND dialog, const std::vector<std::string>& names);
std::string TextOf(HWND w);
void Click(HWND button);

}  // namespace mediatest

namespace mediatest {

// Runs functions on the thread that made it (the one running the dialogs),
// from the driving thread, by a sent message: objects of that thread are read
// and called without racing it.
class UiCall {
  public:
    UiCall();
    ~UiCall();
    void Run(const std::function<void()>& f) const;
    template <typename T> T Get(const std::function<T()>& f) const {
        T value{};
        Run([&] { value = f(); });
        return value;
    }

  private:
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    HWND w_ = nullptr;
};

// The visible dialogs (#32770) of a thread, the newest first.
std::vector<HWND> DialogsOf(DWORD thread);
// A message box of that thread whose text is `text`; null at the time limit.
HWND WaitForMessageBox(DWORD thread, const std::string& text, DWORD limitMs = 15000);
// Selects exactly these rows of a list box as clicks would, and tells its dialog.
void SelectListRows(HWND list, const std::vector<int>& rows);
std::vector<std::string> ListBoxRows(HWND list);
// Types text into an edit as keystrokes would (WM_CHAR each).
void Type(HWND edit, const std::string& text);
// Moves the keyboard focus inside a dialog, as Tab or a click would.
void FocusControl(HWND dialog, HWND control);

}  // namespace mediatest
