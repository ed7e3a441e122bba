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
    const std::vector<uint32_t> px = shot.Pixels();
    return harness::WriteFileBytes(
        bmpPath, harness::BitmapFile24(width, height, [&](int x, int y) {
            return px[size_t(y) * size_t(width) + size_t(x)];
        }));
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
