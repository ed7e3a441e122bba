#include "tests/builder/create/sheet_driver.h"

#include "authoring/setup_sheet_win32.h"
#include "tests/harness/win_harness.h"
#include "win32/application.h"

namespace createtest {

bool SaveWindowImage(HWND w, const std::string& bmpPath) {
    RECT r;
    if (!GetWindowRect(w, &r)) return false;
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    harness::Surface32 shot(width, height);
    shot.GrabScreen(r.left, r.top);
    const uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u;
    const uint32_t pixels = stride * uint32_t(height);
    std::string file(54 + pixels, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = char(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    file[26] = 1;
    file[28] = 24;
    put32(34, pixels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t c = shot.At(x, height - 1 - y);  // rows bottom-up
            size_t at = 54 + size_t(y) * stride + size_t(x) * 3;
            file[at] = char(c & 0xFF);
            file[at + 1] = char((c >> 8) & 0xFF);
            file[at + 2] = char((c >> 16) & 0xFF);
        }
    return harness::WriteFileBytes(bmpPath, file);
}

SheetRunner::SheetRunner() {
    thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, &threadId_);
    DWORD start = GetTickCount();
    while (!Ready() && GetTickCount() - start < 20000) Sleep(10);
    // The page's window exists before its initialisation has run: a message
    // sent to it is served only once the sheet's thread pumps again.
    DWORD_PTR r = 0;
    if (Ready()) SendMessageTimeoutA(page_.Handle(), WM_NULL, 0, 0, SMTO_NORMAL, 20000, &r);
}

SheetRunner::~SheetRunner() { Close(); }

DWORD WINAPI SheetRunner::ThreadMain(LPVOID param) {
    SheetRunner* self = static_cast<SheetRunner*>(param);
    CSetupSheet sheet("Plinthar", false);
    sheet.AddPage(SheetSlot::Create, &self->page_);
    sheet.Run(nullptr);
    return 0;
}

HWND SheetRunner::Sheet() const { return page_.Handle() ? GetParent(page_.Handle()) : nullptr; }

void SheetRunner::SetText(int id, const std::string& text) {
    SendMessageA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string SheetRunner::Text(int id) const {
    char buf[1024] = {};
    SendMessageA(Control(id), WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return buf;
}

void SheetRunner::Click(int id) { PostMessageA(Control(id), BM_CLICK, 0, 0); }

void SheetRunner::ClickSheetButton(int id) { PostMessageA(GetDlgItem(Sheet(), id), BM_CLICK, 0, 0); }

int SheetRunner::FocusId() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(threadId_, &info) || !info.hwndFocus) return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

bool SheetRunner::Close() {
    if (!thread_) return true;
    HWND sheet = Sheet();
    if (sheet) PostMessageA(sheet, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    bool ended = WaitForSingleObject(thread_, 30000) == WAIT_OBJECT_0;
    if (!ended) TerminateThread(thread_, 1);
    CloseHandle(thread_);
    thread_ = nullptr;
    return ended;
}

}  // namespace createtest
