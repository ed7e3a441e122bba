// Process-wide application object: the instance, the title that captions every
// message box, the main window, and what runs when the process ends.
#pragma once

#include <windows.h>

#include <string>

class Application {
  public:
    static Application& Get();

    void SetInstance(HINSTANCE h) { instance_ = h; }
    HINSTANCE Instance() const { return instance_; }
    void SetTitle(const std::string& t) { title_ = t; }
    const std::string& Title() const { return title_; }
    void SetMainWindow(HWND w) { main_ = w; }
    HWND MainWindow() const { return main_; }

    // Message boxes captioned with the title; the owner is the main window.
    void ShowError(const std::string& text) const;
    void ShowWarning(const std::string& text) const;
    void ShowInformation(const std::string& text) const;
    bool AskYesNo(const std::string& text) const;

    // A string of the program's string table ("" when absent).
    std::string LoadText(UINT id) const;

    // Ends the process the way every run mode does: every open multimedia
    // device is closed first.
    [[noreturn]] void Exit(int code);

  private:
    HINSTANCE instance_ = nullptr;
    HWND main_ = nullptr;
    std::string title_;
};

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...);
