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
