#include "tests/authoring/media/media_test_util.h"

#include <commctrl.h>

#include <cmath>
#include <cstdlib>
#include <thread>

namespace mediatest {

namespace {
HWND FileList(HWND dialog) {
    HWND view = FindWindowExA(dialog, nullptr, "SHELLDLL_DefView", nullptr);
    return view ? FindWindowExA(view, nullptr, "SysListView32", nullptr) : nullptr;
}

int FindItem(HWND list, const char* name) {
    LVFINDINFOA find = {};
    find.flags = LVFI_STRING;
    find.psz = name;
    return int(SendMessageA(list, LVM_FINDITEMA, WPARAM(-1), reinterpret_cast<LPARAM>(&find)));
}

void SetState(HWND list, int item, UINT state) {
    LVITEMA it = {};
    it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    it.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, WPARAM(item), reinterpret_cast<LPARAM>(&it));
}

} // namespace

std::string BmpFile(int w, int h, uint32_t rgb) {
    return harness::BitmapFile24(
        w, h, [&](int x, int y) { return x == 0 && y == 0 ? rgb ^ 0x00FFFFFFu : rgb; });
}

std::string GradientBmpFile(int w, int h, uint32_t left, uint32_t right) {
    return harness::BitmapFile24(w, h, [&](int x, int y) {
        // Lightest at the top row, half as light at the bottom.
        const int shade = 128 + 127 * (h - 1 - y) / (h > 1 ? h - 1 : 1);
        uint32_t c = 0;
        for (int k = 0; k < 3; ++k) { // blue, green, red
            const int a = int((left >> (8 * k)) & 0xFF), b = int((right >> (8 * k)) & 0xFF);
            const int v = a + (b - a) * x / (w > 1 ? w - 1 : 1);
            c |= uint32_t(v * shade / 255) << (8 * k);
        }
        return c;
    });
}

bool SaveWindowPicture(HWND w, const std::string& path) {
    RECT r;
    if (!GetWindowRect(w, &r)) return false;
    harness::Surface32 s(r.right - r.left, r.bottom - r.top);
    s.GrabScreen(r.left, r.top);
    std::string ppm = "P6\n" + std::to_string(s.Width()) + " " + std::to_string(s.Height()) + "\n255\n";
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) {
            uint32_t c = s.At(x, y);
            ppm += char((c >> 16) & 0xFF);
            ppm += char((c >> 8) & 0xFF);
            ppm += char(c & 0xFF);
        }
    return harness::WriteFileBytes(path, ppm);
}

std::string WaveFile(int frames, int offset) {
    std::vector<int16_t> samples;
    for (int i = 0; i < frames; ++i)
        samples.push_back(int16_t(std::lround(9000.0 * std::sin(i * 0.05)) + offset + (i % 7)));
    return harness::WaveFile16(1, 22050, samples);
}

std::string WaveSamples(int frames, int offset) {
    return WaveFile(frames, offset).substr(44); // after the 44-byte header
}

bool WaitFor(const std::function<bool()>& done, DWORD limitMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > limitMs) return false;
        Sleep(20);
    }
    return true;
}

void Drive(const std::function<void()>& script, const std::function<void()>& modal) {
    std::thread driver(script);
    modal();
    driver.join();
}

HWND FindTopWindow(const char* caption, DWORD limitMs) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            HWND w = FindWindowA(nullptr, caption);
            DWORD pid = 0;
            if (w) GetWindowThreadProcessId(w, &pid);
            if (w && pid == GetCurrentProcessId() && IsWindowVisible(w)) found = w;
            return found != nullptr;
        },
        limitMs);
    return found;
}

HWND PanelOf(HWND dialog) { return FindWindowExA(dialog, nullptr, "#32770", nullptr); }

bool SelectInDialog(HWND dialog, const char* name) { return SelectManyInDialog(dialog, {name}); }

bool SelectManyInDialog(HWND dialog, const std::vector<std::string>& names) {
    HWND list = nullptr;
    if (!WaitFor([&] { return (list = FileList(dialog)) != nullptr; })) return false;
    std::vector<int> items;
    for (const std::string& n : names) {
        int item = -1;
        if (!WaitFor([&] { return (item = FindItem(list, n.c_str())) >= 0; }, 5000)) return false;
        items.push_back(item);
    }
    SetState(list, -1, 0);
    for (int i : items) SetState(list, i, LVIS_SELECTED | LVIS_FOCUSED);
    return true;
}

std::string TextOf(HWND w) {
    char buf[1024] = "";
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

void Click(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }

}  // namespace mediatest

namespace mediatest {

namespace {
const char kUiCallClass[] = "MediaTestUiCall";
constexpr UINT kRunMessage = WM_APP + 77;

BOOL CALLBACK CollectDialog(HWND w, LPARAM lp) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(w))
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}
}  // namespace

UiCall::UiCall() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kUiCallClass;
    RegisterClassA(&wc);
    w_ = CreateWindowExA(0, kUiCallClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

UiCall::~UiCall() {
    if (w_) DestroyWindow(w_);
}

void UiCall::Run(const std::function<void()>& f) const {
    SendMessageA(w_, kRunMessage, 0, reinterpret_cast<LPARAM>(&f));
}

LRESULT CALLBACK UiCall::Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kRunMessage) {
        (*reinterpret_cast<const std::function<void()>*>(lp))();
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

std::vector<HWND> DialogsOf(DWORD thread) {
    std::vector<HWND> found;
    EnumThreadWindows(thread, CollectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND WaitForMessageBox(DWORD thread, const std::string& text, DWORD limitMs) {
    HWND box = nullptr;
    WaitFor(
        [&] {
            for (HWND d : DialogsOf(thread))
                if (TextOf(GetDlgItem(d, 0xFFFF)) == text) box = d;
            return box != nullptr;
        },
        limitMs);
    return box;
}

void SelectListRows(HWND list, const std::vector<int>& rows) {
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    for (int r : rows) SendMessageA(list, LB_SETSEL, TRUE, r);
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

std::vector<std::string> ListBoxRows(HWND list) {
    std::vector<std::string> rows;
    int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char buf[1024] = "";
        SendMessageA(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(buf));
        rows.push_back(buf);
    }
    return rows;
}

void Type(HWND edit, const std::string& text) {
    for (char c : text) SendMessageA(edit, WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
}

void FocusControl(HWND dialog, HWND control) {
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

}  // namespace mediatest
