#include "tests/authoring/media/media_test_util.h"

#include <commctrl.h>

#include <cmath>
#include <thread>

namespace mediatest {

namespace {
void Put16(std::string& s, uint32_t v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

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
}  // namespace

std::string BmpFile(int w, int h, uint32_t rgb) {
    int stride = (w * 3 + 3) & ~3;
    std::string px;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint32_t c = (x == 0 && y == h - 1) ? (rgb ^ 0x00FFFFFF) : rgb;
            px += char(c & 0xFF);
            px += char((c >> 8) & 0xFF);
            px += char((c >> 16) & 0xFF);
        }
        px.append(size_t(stride - w * 3), '\0');
    }
    std::string f = "BM";
    Put32(f, uint32_t(54 + px.size()));
    Put32(f, 0);
    Put32(f, 54);
    Put32(f, 40);
    Put32(f, uint32_t(w));
    Put32(f, uint32_t(h));
    Put16(f, 1);
    Put16(f, 24);
    Put32(f, 0);
    Put32(f, uint32_t(px.size()));
    Put32(f, 2835);
    Put32(f, 2835);
    Put32(f, 0);
    Put32(f, 0);
    return f + px;
}

std::string WaveSamples(int frames, int offset) {
    std::string s;
    for (int i = 0; i < frames; ++i)
        Put16(s, uint16_t(int16_t(std::lround(9000.0 * std::sin(i * 0.05)) + offset + (i % 7))));
    return s;
}

std::string WaveFile(int frames, int offset) {
    std::string data = WaveSamples(frames, offset);
    std::string f = "RIFF";
    Put32(f, uint32_t(36 + data.size()));
    f += "WAVEfmt ";
    Put32(f, 16);
    Put16(f, 1);
    Put16(f, 1);
    Put32(f, 22050);
    Put32(f, 44100);
    Put16(f, 2);
    Put16(f, 16);
    f += "data";
    Put32(f, uint32_t(data.size()));
    return f + data;
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
