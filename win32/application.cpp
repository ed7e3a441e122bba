#include "win32/application.h"

#include <mmsystem.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

Application& Application::Get() {
    static Application app;
    return app;
}

void Application::ShowError(const std::string& text) const {
    MessageBoxA(main_, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

void Application::ShowWarning(const std::string& text) const {
    MessageBoxA(main_, text.c_str(), title_.c_str(), MB_OK | MB_ICONWARNING);
}

void Application::ShowInformation(const std::string& text) const {
    MessageBoxA(main_, text.c_str(), title_.c_str(), MB_OK | MB_ICONINFORMATION);
}

bool Application::AskYesNo(const std::string& text) const {
    return MessageBoxA(main_, text.c_str(), title_.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

std::string Application::LoadText(UINT id) const {
    char buf[512];
    int n = LoadStringA(instance_, id, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

void Application::Exit(int code) {
    mciSendCommandA(MCI_ALL_DEVICE_ID, MCI_CLOSE, MCI_WAIT, 0);
    ExitProcess(UINT(code));
}

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, fmt, args);
    va_end(args);
    std::string out(n > 0 ? size_t(n) : 0, '\0');
    if (n > 0) std::vsnprintf(&out[0], out.size() + 1, fmt, again);
    va_end(again);
    return out;
}
