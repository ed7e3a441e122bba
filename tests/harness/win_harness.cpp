#include "tests/harness/win_harness.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace harness {
namespace {

BoxIcon IconOf(HWND box) {
    HWND st = GetDlgItem(box, 0x14);  // the icon control of a message box
    if (!st) return BoxIcon::None;
    HICON icon = (HICON)SendMessageA(st, STM_GETICON, 0, 0);
    if (!icon) return BoxIcon::None;
    struct { LPCSTR id; BoxIcon kind; } known[] = {
        {IDI_ASTERISK, BoxIcon::Information}, {IDI_EXCLAMATION, BoxIcon::Warning},
        {IDI_HAND, BoxIcon::Error}, {IDI_QUESTION, BoxIcon::Question}};
    for (auto& k : known)
        if (LoadIconA(nullptr, k.id) == icon) return k.kind;
    return BoxIcon::Unknown;
}

struct Watch {
    DWORD pid;
    int answer;
    std::vector<MessageBoxSeen>* boxes;
};

BOOL CALLBACK OnTopLevel(HWND w, LPARAM lp) {
    Watch* watch = reinterpret_cast<Watch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (pid != watch->pid || lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(w)) return TRUE;
    MessageBoxSeen seen;
    char buf[2048] = {};
    GetWindowTextA(w, buf, sizeof buf);
    seen.caption = buf;
    buf[0] = 0;
    GetDlgItemTextA(w, 0xFFFF, buf, sizeof buf);  // the text control of a message box
    seen.text = buf;
    seen.icon = IconOf(w);
    watch->boxes->push_back(seen);
    int id = watch->answer;
    if (!GetDlgItem(w, id)) id = IDOK;
    if (!GetDlgItem(w, id)) id = IDCANCEL;
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(w, id));
    return TRUE;
}

}  // namespace

bool StartProgram(const std::string& exe, const std::string& args, PROCESS_INFORMATION* pi) {
    std::string cmd = "\"" + exe + "\"";
    if (!args.empty()) cmd += " " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string dir = exe.substr(0, exe.find_last_of("\\/"));
    return CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                          dir.c_str(), &si, pi) != 0;
}

RunResult RunProgram(const std::string& exe, const std::string& args, DWORD timeoutMs,
                     int answer) {
    RunResult r;
    PROCESS_INFORMATION pi = {};
    if (!StartProgram(exe, args, &pi)) return r;
    r.started = true;
    Watch watch{pi.dwProcessId, answer, &r.boxes};
    DWORD start = GetTickCount();
    for (;;) {
        if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) break;
        size_t before = r.boxes.size();
        EnumWindows(OnTopLevel, reinterpret_cast<LPARAM>(&watch));
        if (r.boxes.size() != before) Sleep(100);  // let the answered box close
        if (GetTickCount() - start > timeoutMs) {
            r.timedOut = true;
            TerminateProcess(pi.hProcess, 255);
            WaitForSingleObject(pi.hProcess, 5000);
            break;
        }
    }
    GetExitCodeProcess(pi.hProcess, &r.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return r;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

std::string BinaryDir() { return PLINTHAR_BINARY_DIR; }

static void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string n = fd.cFileName;
            if (n == "." || n == "..") continue;
            std::string p = dir + "\\" + n;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(p);
            else
                DeleteFileA(p.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

std::string MakeTempDir(const std::string& name) {
    std::string root = BinaryDir() + "\\test-tmp";
    CreateDirectoryA(root.c_str(), nullptr);
    std::string dir = root + "\\" + name;
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::string ReadIni(const std::string& file, const char* section, const char* key,
                    const char* def) {
    char buf[1024] = {};
    GetPrivateProfileStringA(section, key, def, buf, sizeof buf, file.c_str());
    return buf;
}

void WriteIni(const std::string& file, const char* section, const char* key, const char* value) {
    WritePrivateProfileStringA(section, key, value, file.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
}

static std::string AppKey(const std::string& company, const std::string& app) {
    return "SoftWare\\" + company + "\\" + app + "\\App";
}

bool SetInstallDirectory(const std::string& company, const std::string& app,
                         const std::string& dir) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, AppKey(company, app).c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(key, "InstallDirectory", 0, REG_SZ, (const BYTE*)dir.c_str(),
                             DWORD(dir.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

void DeleteInstallDirectory(const std::string& company, const std::string& app) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, AppKey(company, app).c_str(), 0, KEY_ALL_ACCESS,
                      &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "InstallDirectory");
        RegCloseKey(key);
    }
}

}  // namespace harness
