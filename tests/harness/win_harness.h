// Helpers for tests that drive the real programs under Wine the way a user
// does: start the executable, watch for the message boxes it raises, read them
// as they are shown and press their buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

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
bool SetInstallDirectory(const std::string& company, const std::string& app,
                         const std::string& dir);
void DeleteInstallDirectory(const std::string& company, const std::string& app);

}  // namespace harness
