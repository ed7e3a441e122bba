#include "tests/harness/win_harness.h"

#include "common/byte_io.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <fstream>
#include <iterator>

namespace harness {
namespace {

// 32x32 pixels of `icon` drawn over `fill`.
std::vector<uint32_t> IconPixels(HICON icon, COLORREF fill) {
    Surface32 s(32, 32);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all = {0, 0, 32, 32};
    FillRect(s.Dc(), &all, brush);
    DeleteObject(brush);
    std::vector<uint32_t> out;
    if (!DrawIconEx(s.Dc(), 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL)) return out;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) out.push_back(s.At(x, y));
    return out;
}

BoxIcon IconOf(HWND box) {
    // The icon control of a message box: 0x14 on Windows, 0x440 in Wine's template.
    HWND st = GetDlgItem(box, 0x14);
    if (!st) st = GetDlgItem(box, 0x440);
    if (!st || !SendMessageA(st, STM_GETICON, 0, 0)) return BoxIcon::None;
    // Icon handles belong to their process: compare what is on the screen with
    // the system icons drawn here over the same background.  The box may not be
    // painted yet on a loaded machine, so look again until it shows a known icon
    // or a generous limit passes.
    struct { LPCSTR id; BoxIcon kind; } known[] = {
        {IDI_ASTERISK, BoxIcon::Information}, {IDI_EXCLAMATION, BoxIcon::Warning},
        {IDI_HAND, BoxIcon::Error}, {IDI_QUESTION, BoxIcon::Question}};
    const DWORD start = GetTickCount();
    do {
        UpdateWindow(box);
        RECT r;
        GetWindowRect(st, &r);
        Surface32 grab(32, 32);
        grab.GrabScreen(r.left, r.top);
        std::vector<uint32_t> shown;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) shown.push_back(grab.At(x, y));
        uint32_t bg = shown[0];  // a corner of the icon cell: background
        COLORREF fill = RGB((bg >> 16) & 0xFF, (bg >> 8) & 0xFF, bg & 0xFF);
        for (auto& k : known)
            if (IconPixels(LoadIconA(nullptr, k.id), fill) == shown) return k.kind;
        Sleep(25);
    } while (GetTickCount() - start < 3000 && IsWindow(box));
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

bool StartProgram(const std::string& exe, const std::string& args, PROCESS_INFORMATION* pi,
                  const std::string& argv0) {
    std::string cmd = "\"" + (argv0.empty() ? exe : argv0) + "\"";
    if (!args.empty()) cmd += " " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string dir = exe.substr(0, exe.find_last_of("\\/"));
    return CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                          dir.c_str(), &si, pi) != 0;
}

RunResult RunProgram(const std::string& exe, const std::string& args, DWORD timeoutMs,
                     int answer, const std::string& argv0) {
    RunResult r;
    PROCESS_INFORMATION pi = {};
    if (!StartProgram(exe, args, &pi, argv0)) return r;
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

namespace {

struct OwnBoxSearch {
    std::string prefix;
    HWND found = nullptr;
};

BOOL CALLBACK FindOwnBox(HWND w, LPARAM lp) {
    OwnBoxSearch* s = reinterpret_cast<OwnBoxSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    // A message box is a top-level dialog with the static text 0xFFFF.
    if (pid != GetCurrentProcessId() || lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(w) ||
        !GetDlgItem(w, 0xFFFF))
        return TRUE;
    char text[2048] = {};
    GetDlgItemTextA(w, 0xFFFF, text, sizeof text);
    if (std::string(text).rfind(s->prefix, 0) != 0) return TRUE;
    s->found = w;
    return FALSE;
}

// In the box's own process its icon control holds the shared system icon itself.
UINT OwnIconOf(HWND box) {
    HWND st = GetDlgItem(box, 0x14);
    if (!st) st = GetDlgItem(box, 0x440);
    HICON shown = st ? reinterpret_cast<HICON>(SendMessageA(st, STM_GETICON, 0, 0)) : nullptr;
    if (!shown) return 0;
    const struct {
        LPCSTR id;
        UINT kind;
    } known[] = {{IDI_EXCLAMATION, MB_ICONWARNING},
                 {IDI_HAND, MB_ICONERROR},
                 {IDI_QUESTION, MB_ICONQUESTION},
                 {IDI_ASTERISK, MB_ICONINFORMATION}};
    for (const auto& k : known)
        if (LoadIconA(nullptr, k.id) == shown) return k.kind;
    return 1;
}

// Waits up to ms while serving the messages other threads send to this one's
// windows (a box owned by one of them needs that to open and close); posted
// messages stay queued for the test.
void ServeSentMessages(DWORD ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_SENDMESSAGE);
    MSG m;
    PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace

Box WaitForBox(const std::string& prefix, DWORD timeoutMs) {
    Box box;
    DWORD start = GetTickCount();
    do {
        OwnBoxSearch s{prefix};
        EnumWindows(FindOwnBox, reinterpret_cast<LPARAM>(&s));
        if (s.found) {
            char buf[2048] = {};
            box.hwnd = s.found;
            box.owner = GetWindow(s.found, GW_OWNER);
            GetWindowTextA(s.found, buf, sizeof buf);
            box.caption = buf;
            GetDlgItemTextA(s.found, 0xFFFF, buf, sizeof buf);
            box.text = buf;
            box.icon = OwnIconOf(s.found);
            return box;
        }
        ServeSentMessages(20);
    } while (GetTickCount() - start < timeoutMs);
    return box;
}

void Answer(const Box& box, int button) {
    if (!box.hwnd) return;
    PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, button)));
    DWORD start = GetTickCount();
    while (IsWindow(box.hwnd) && GetTickCount() - start < 60000) ServeSentMessages(10);
}

std::string OpenBoxText() {
    OwnBoxSearch s{""};
    EnumWindows(FindOwnBox, reinterpret_cast<LPARAM>(&s));
    if (!s.found) return "";
    char text[2048] = {};
    GetDlgItemTextA(s.found, 0xFFFF, text, sizeof text);
    return text;
}

BoxAnswerer::BoxAnswerer(int button, std::string prefix, DWORD timeoutMs)
    : button_(button), prefix_(std::move(prefix)), timeoutMs_(timeoutMs) {
    thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer() { Seen(); }

DWORD WINAPI BoxAnswerer::ThreadMain(LPVOID param) {
    BoxAnswerer* self = static_cast<BoxAnswerer*>(param);
    self->seen_ = WaitForBox(self->prefix_, self->timeoutMs_);
    Answer(self->seen_, self->button_);
    return 0;
}

const Box& BoxAnswerer::Seen() {
    if (thread_) {
        while (MsgWaitForMultipleObjects(1, &thread_, FALSE, INFINITE, QS_ALLINPUT) ==
               WAIT_OBJECT_0 + 1) {
            MSG m;
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        }
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return seen_;
}

static std::string CapturePath() {
    char path[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("PLINTHAR_AUDIO_CAPTURE", path, sizeof path);
    return n && n < sizeof path ? path : "";
}

// A file device set not to truncate starts a numbered file beside the named
// one (name.0001, ...) at each open instead: those are read too, the ones
// there before the last StartAudioCapture left out.
static std::vector<std::string> NumberedCaptures(const std::string& base) {
    std::vector<std::string> out;
    const std::string dir = base.substr(0, base.find_last_of("\\/") + 1);
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((base + ".*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        const std::string name = found.cFileName;
        const std::string suffix = name.substr(name.rfind('.') + 1);
        if (!suffix.empty() && suffix.find_first_not_of("0123456789") == std::string::npos)
            out.push_back(dir + name);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(out.begin(), out.end());
    return out;
}

static size_t g_numberedBefore = 0;

bool AudioCaptureAvailable() { return !CapturePath().empty(); }

std::string CapturedAudio() {
    const std::string base = CapturePath();
    if (base.empty()) return "";
    const std::vector<std::string> files = NumberedCaptures(base);
    std::string out;
    for (size_t i = g_numberedBefore; i < files.size(); ++i) out += ReadFileBytes(files[i]);
    return out + ReadFileBytes(base);
}

void StartAudioCapture() {
    const std::string base = CapturePath();
    if (base.empty()) return;
    WriteFileBytes(base, "");
    g_numberedBefore = NumberedCaptures(base).size();
}

bool FindInCapture(const std::string& bytes, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (CapturedAudio().find(bytes) != std::string::npos) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(50);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
            if (done()) return true;
        }
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

Surface32::Surface32(int width, int height, uint32_t fill) : w_(width), h_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w_;
    bi.bmiHeader.biHeight = -h_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bmp_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    px_ = static_cast<uint32_t*>(bits);
    old_ = SelectObject(dc_, bmp_);
    for (int i = 0; px_ && i < w_ * h_; ++i) px_[i] = fill;
}

Surface32::~Surface32() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
}

uint32_t Surface32::At(int x, int y) const {
    GdiFlush();
    return px_[size_t(y) * size_t(w_) + size_t(x)] & 0xFFFFFF;
}

void Surface32::GrabScreen(int x, int y) {
    HDC screen = GetDC(nullptr);
    CopyFrom(screen, x, y);
    ReleaseDC(nullptr, screen);
}

void Surface32::CopyFrom(HDC source, int x, int y) {
    BitBlt(dc_, 0, 0, w_, h_, source, x, y, SRCCOPY);
}

std::vector<uint32_t> Surface32::Pixels() const {
    GdiFlush();
    std::vector<uint32_t> out(px_, px_ + size_t(w_) * size_t(h_));
    for (uint32_t& p : out) p &= 0xFFFFFF;
    return out;
}

void ExpectNoGdiLeak(const std::function<void()>& cycle) {
    cycle();  // first use may create lasting objects (classes, stock caches)
    DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (before) {
        for (int i = 0; i < 1000 && !::testing::Test::HasFatalFailure(); ++i) cycle();
        EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
        return;
    }
    // No count here: fill the GDI handle table but for a small headroom, so
    // that leaking even one object per run exhausts it within the runs below.
    const int headroom = 1000, runs = 1500;
    std::vector<HBRUSH> filler;
    while (filler.size() < 200000) {
        HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
        if (!b) break;
        filler.push_back(b);
    }
    for (int i = 0; i < headroom && !filler.empty(); ++i) {
        DeleteObject(filler.back());
        filler.pop_back();
    }
    int failedAt = -1;
    for (int i = 0; i < runs && failedAt < 0; ++i) {
        cycle();
        if (::testing::Test::HasFatalFailure()) failedAt = i;
    }
    HBRUSH probe = CreateSolidBrush(0);
    bool exhausted = probe == nullptr;
    if (probe) DeleteObject(probe);
    for (HBRUSH b : filler) DeleteObject(b);
    EXPECT_EQ(failedAt, -1) << "a run failed: GDI objects leaked and ran out";
    EXPECT_FALSE(exhausted) << "GDI objects leaked";
}

RunningProgram::RunningProgram(const std::string& exe, const std::string& args) {
    if (!StartProgram(exe, args, &pi_)) pi_ = PROCESS_INFORMATION();
}

RunningProgram::~RunningProgram() {
    if (!pi_.hProcess) return;
    if (Running()) {
        TerminateProcess(pi_.hProcess, 255);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

bool RunningProgram::Running() const {
    return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

namespace {
struct FindWindowOf {
    DWORD pid;
    const char* text;
    HWND found;
};
BOOL CALLBACK MatchWindow(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<FindWindowOf*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char text[256] = {};
    GetWindowTextA(w, text, sizeof text);
    if (pid == f->pid && IsWindowVisible(w) && lstrcmpA(text, f->text) == 0) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND RunningProgram::WaitForWindow(const char* text, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (Running() && GetTickCount() - start < timeoutMs) {
        FindWindowOf f{pi_.dwProcessId, text, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&f));
        if (f.found) return f.found;
        Sleep(20);
    }
    return nullptr;
}

bool RunningProgram::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(pi_.hProcess, exitCode);
    return true;
}

std::string BitmapFile24(int width, int height, const std::function<uint32_t(int, int)>& rgb) {
    const uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u;
    const uint32_t pixels = stride * uint32_t(height);
    ByteWriter b;
    b.Text("BM");
    b.U32(54 + pixels);
    b.U32(0);
    b.U32(54);  // file header 14 + information header 40
    b.U32(40);
    b.U32(uint32_t(width));
    b.U32(uint32_t(height));
    b.U16(1);
    b.U16(24);
    b.U32(0);  // BI_RGB
    b.U32(pixels);
    b.U32(2835);  // 72 dots per inch, in dots per metre
    b.U32(2835);
    b.U32(0);
    b.U32(0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            uint32_t c = rgb(x, y);
            b.U8(uint8_t(c));
            b.U8(uint8_t(c >> 8));
            b.U8(uint8_t(c >> 16));
        }
        for (uint32_t pad = uint32_t(width) * 3; pad < stride; ++pad) b.U8(0);
    }
    return std::string(b.Data().begin(), b.Data().end());
}

std::string ScreenBitmap(const RECT& r) {
    Surface32 shot(r.right - r.left, r.bottom - r.top);
    shot.GrabScreen(r.left, r.top);
    return BitmapFile24(shot.Width(), shot.Height(), [&](int x, int y) { return shot.At(x, y); });
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

std::string RegistryText(const std::string& key, const char* name) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return "<no key>";
    char buf[1024] = {};
    DWORD size = sizeof buf - 1;
    LONG rc = RegQueryValueExA(h, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    return rc == ERROR_SUCCESS ? std::string(buf) : "<no value>";
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
