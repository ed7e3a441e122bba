#include "tests/setup/installer/win32/setup_driver.h"

#include <commctrl.h>
#include <prsht.h>

namespace {

struct Search {
    DWORD pid;
    const char* title;
    bool messageBox;
    HWND found;
};

BOOL CALLBACK Match(HWND w, LPARAM lp) {
    Search* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = {}, text[512] = {};
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, text, sizeof text);
    if (pid != s->pid || lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(w)) return TRUE;
    if (s->title && lstrcmpA(text, s->title) != 0) return TRUE;
    // A message box's text control has the id 0xFFFF.
    if ((GetDlgItem(w, 0xFFFF) != nullptr) != s->messageBox) return TRUE;
    s->found = w;
    return FALSE;
}

struct FolderSearch {
    const char* title;
    std::vector<HWND> found;
};

BOOL CALLBACK MatchFolder(HWND w, LPARAM lp) {
    FolderSearch* s = reinterpret_cast<FolderSearch*>(lp);
    char text[512] = {};
    GetWindowTextA(w, text, sizeof text);
    if (IsWindowVisible(w) && strstr(text, s->title)) s->found.push_back(w);
    return TRUE;
}

} // namespace

HWND FindDialogOf(DWORD pid, const char* title, bool messageBox) {
    Search s{pid, title, messageBox, nullptr};
    EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND SetupDriver::FindDialog(const char* title, bool messageBox) const {
    return FindDialogOf(program_.Id(), title, messageBox);
}

HWND SetupDriver::Sheet(const std::string& title) {
    if (sheet_ && IsWindow(sheet_)) return sheet_;
    harness::PumpUntil(
        [&] {
            sheet_ = FindDialog(title.c_str(), false);
            return sheet_ != nullptr && Page() != nullptr;
        },
        20000);
    return sheet_;
}

HWND SetupDriver::Page() const {
    return sheet_ ? reinterpret_cast<HWND>(SendMessageA(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0))
                  : nullptr;
}

void SetupDriver::Press(int button) const {
    PostMessageA(sheet_, PSM_PRESSBUTTON, button, 0);
}

bool SetupDriver::WaitForPage(int id, DWORD timeoutMs) const {
    return harness::PumpUntil([&] { return PageHas(id); }, timeoutMs);
}

std::string SetupDriver::Text(int id) const {
    char buf[1024] = {};
    GetDlgItemTextA(Page(), id, buf, sizeof buf);
    return buf;
}

void SetupDriver::SetText(int id, const std::string& text) const {
    SetDlgItemTextA(Page(), id, text.c_str());
}

void SetupDriver::SetCheck(int id, bool on) const {
    SendDlgItemMessageA(Page(), id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int SetupDriver::ListRows(int id) const {
    return int(SendDlgItemMessageA(Page(), id, LVM_GETITEMCOUNT, 0, 0));
}

std::string SetupDriver::ListText(int id, int row, int column) const {
    // The item and its text buffer must live in the program's own memory.
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 program_.Id());
    if (!process) return "<no access>";
    const SIZE_T size = sizeof(LVITEMA) + 256;
    char* remote =
        static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    std::string out = "<no memory>";
    if (remote) {
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = remote + sizeof(LVITEMA);
        item.cchTextMax = 256;
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        SendDlgItemMessageA(Page(), id, LVM_GETITEMTEXTA, WPARAM(row), LPARAM(remote));
        char text[257] = {};
        ReadProcessMemory(process, remote + sizeof(LVITEMA), text, 256, nullptr);
        out = text;
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return out;
}

bool SetupDriver::AnswerBox(SeenBox& seen, DWORD timeoutMs) {
    HWND box = nullptr;
    if (!harness::PumpUntil([&] { return (box = FindDialog(nullptr, true)) != nullptr; },
                            timeoutMs))
        return false;
    char buf[1024] = {};
    GetWindowTextA(box, buf, sizeof buf);
    seen.caption = buf;
    buf[0] = 0;
    GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);
    seen.text = buf;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(box, IDOK)));
    harness::PumpUntil([&] { return !IsWindow(box); }, 10000);
    return true;
}

HWND SetupDriver::OverwriteDialog() const {
    return FindDialog("Confirm file overwrite", false);
}

bool SetupDriver::AnswerOverwrite(int id, std::string* text, DWORD timeoutMs) {
    HWND dlg = nullptr;
    if (!harness::PumpUntil([&] { return (dlg = OverwriteDialog()) != nullptr; }, timeoutMs))
        return false;
    if (text) {
        char buf[1024] = {};
        GetDlgItemTextA(dlg, 2108, buf, sizeof buf);
        *text = buf;
    }
    if (id == IDCANCEL)
        PostMessageA(dlg, WM_CLOSE, 0, 0);
    else
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dlg, id)));
    harness::PumpUntil([&] { return !IsWindow(dlg); }, 10000);
    return true;
}

bool CloseFolderWindows(const std::string& title, DWORD timeoutMs) {
    // The shell opens the folder a moment after Setup asked for it.
    FolderSearch s{title.c_str(), {}};
    bool shown = harness::PumpUntil(
        [&] {
            s.found.clear();
            EnumWindows(MatchFolder, reinterpret_cast<LPARAM>(&s));
            return !s.found.empty();
        },
        timeoutMs);
    for (HWND w : s.found)
        PostMessageA(w, WM_CLOSE, 0, 0);
    harness::PumpUntil(
        [&] {
            for (HWND w : s.found)
                if (IsWindow(w)) return false;
            return true;
        },
        10000);
    return shown;
}
