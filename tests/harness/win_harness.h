// Helpers for tests that drive the real programs under Wine the way a user
// does: start the executable, watch for the message boxes it raises, read them
// as they are shown and press their buttons.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace harness {

enum class BoxIcon { None, Information, Warning, Error, Question, Unknown };

struct MessageBoxSeen {
    std::string caption;
    std::string text;
    BoxIcon icon = BoxIcon::None;
};

struct RunResult {
    bool started = false;
    bool timedOut = false;
    DWORD exitCode = 0;
    std::vector<MessageBoxSeen> boxes;
};

// Starts `exe` with the command tail `args` (may be empty) and waits up to
// timeoutMs for it to end.  Every message box it shows is recorded and answered
// with `answer` (IDOK, IDYES, IDNO, ...; a box without that button gets its
// default).  A program still running at the time-out is terminated.
// `argv0`, when given, replaces the program path as the first argument.
RunResult RunProgram(const std::string& exe, const std::string& args, DWORD timeoutMs = 20000,
                     int answer = IDOK, const std::string& argv0 = "");

// A program left running while the test talks to its windows.
class RunningProgram {
  public:
    RunningProgram(const std::string& exe, const std::string& args);
    ~RunningProgram();  // terminates it if still running
    bool Started() const { return pi_.hProcess != nullptr; }
    // The first visible top-level window of the program with this text, waiting up to timeoutMs.
    HWND WaitForWindow(const char* text, DWORD timeoutMs = 15000);
    // Waits for the end; false at the time-out.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    bool Running() const;
    DWORD Id() const { return pi_.dwProcessId; }

  private:
    PROCESS_INFORMATION pi_ = {};
};

// Starts a program without waiting; the caller closes the handles.
bool StartProgram(const std::string& exe, const std::string& args, PROCESS_INFORMATION* pi,
                  const std::string& argv0 = "");

// A message box of this test's own process, shown by another of its threads
// (or by this one while it pumps).
struct Box {
    HWND hwnd = nullptr;  // null when none came
    HWND owner = nullptr;
    std::string caption;
    std::string text;
    UINT icon = 0;  // MB_ICONWARNING, MB_ICONERROR, MB_ICONQUESTION, MB_ICONINFORMATION or 0
    bool Has(int button) const { return GetDlgItem(hwnd, button) != nullptr; }
};

// The visible message box of this process whose text starts with `prefix`
// ("" takes any), waiting up to timeoutMs while serving the messages other
// threads send to this one.
Box WaitForBox(const std::string& prefix = "", DWORD timeoutMs = 60000);
// Presses a button of the box and waits for it to close.
void Answer(const Box& box, int button);
// Any message box of this process shown now ("" when none).
std::string OpenBoxText();

// Answers the next message box of this process from a thread of its own, for
// tests whose own thread shows the box (and is blocked while it is open).
class BoxAnswerer {
  public:
    explicit BoxAnswerer(int button, std::string prefix = "", DWORD timeoutMs = 60000);
    ~BoxAnswerer();  // waits for the answer (or the thread's time-out)
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    // The box answered; its hwnd is null when none came.  Waits for the thread
    // while dispatching this thread's messages (the box may belong to it).
    const Box& Seen();

  private:
    static DWORD WINAPI ThreadMain(LPVOID self);
    int button_;
    std::string prefix_;
    DWORD timeoutMs_;
    Box seen_;
    HANDLE thread_ = nullptr;
};

// What the sound output of this process and the programs it starts played:
// the session points the output at a capture file (PLINTHAR_AUDIO_CAPTURE),
// which the device starts afresh at every open.  Raw interleaved samples in
// the format the device was opened with; "" where there is no capture.
bool AudioCaptureAvailable();
std::string CapturedAudio();
// Empties the capture, so that what is read next was played since.
void StartAudioCapture();
// Waits up to timeoutMs for `bytes` to appear in the capture, without
// dispatching this thread's messages: a player of this thread cannot open the
// device for its next sound (and so start the capture afresh) meanwhile.
bool FindInCapture(const std::string& bytes, DWORD timeoutMs);

// Dispatches this thread's messages until done() is true (true) or the time is
// up (false); PumpFor just dispatches for that long.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

// A 32-bit top-down DIB section selected into its own memory DC: something to
// draw into or copy the screen into, and read back exactly.
class Surface32 {
  public:
    Surface32(int width, int height, uint32_t fill = 0x00FF00FF);
    ~Surface32();
    Surface32(const Surface32&) = delete;
    Surface32& operator=(const Surface32&) = delete;
    HDC Dc() const { return dc_; }
    int Width() const { return w_; }
    int Height() const { return h_; }
    // 0x00RRGGBB of pixel (x, y).
    uint32_t At(int x, int y) const;
    // Copies the screen's area at (x, y) into the whole surface.
    void GrabScreen(int x = 0, int y = 0);
    // Copies a device context's area at (x, y), a window's canvas for one.
    void CopyFrom(HDC source, int x = 0, int y = 0);
    // Every pixel as 0x00RRGGBB, row by row from the top.
    std::vector<uint32_t> Pixels() const;

  private:
    HDC dc_ = nullptr;
    HBITMAP bmp_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* px_ = nullptr;
    int w_, h_;
};

// Runs `cycle` until a leak of even one GDI object per run would show: where the
// system counts GDI objects (GetGuiResources) 1000 runs must leave the count
// as it was; where it does not (Wine), enough runs to exhaust the handle table
// (65536) must all succeed, and a final object must still be creatable.
void ExpectNoGdiLeak(const std::function<void()>& cycle);

// Test pictures and sounds as file images: a 24-bit bottom-up Windows bitmap
// whose pixel (x, y) is rgb(x, y) (0x00RRGGBB), and a 16-bit PCM RIFF/WAVE
// file of interleaved samples (the portable tests' builder).
std::string BitmapFile24(int width, int height, const std::function<uint32_t(int, int)>& rgb);
using testsupport::WaveFile16;
// What the screen shows in r, as a 24-bit bitmap file image (for pictures of
// windows that the documentation uses).
std::string ScreenBitmap(const RECT& r);

// File helpers on real files.
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool CopyFileTo(const std::string& from, const std::string& to);
// A fresh empty folder under the test's temporary area.
std::string MakeTempDir(const std::string& name);
std::string BinaryDir();  // the build folder's path as Windows sees it

// Private-profile and registry access used to set up and check the programs' state.
std::string ReadIni(const std::string& file, const char* section, const char* key,
                    const char* def = "<missing>");
void WriteIni(const std::string& file, const char* section, const char* key, const char* value);
// A string value under HKEY_LOCAL_MACHINE: "<no key>" or "<no value>" when absent.
std::string RegistryText(const std::string& key, const char* name);
bool SetInstallDirectory(const std::string& company, const std::string& app,
                         const std::string& dir);
void DeleteInstallDirectory(const std::string& company, const std::string& app);

}  // namespace harness
