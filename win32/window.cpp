#include "win32/window.h"

#include <commctrl.h>
#include <prsht.h>

#include "win32/application.h"

CWindow::~CWindow() {
    // Derived parts are gone by now: let the window die without reaching them.
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
}

bool CWindow::Create(const char* className, UINT classStyle, DWORD exStyle, DWORD style,
                     const char* text, int x, int y, int w, int h, HWND parent, HMENU menu) {
    HINSTANCE inst = Application::Get().Instance();
    if (!inst) inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc;
    if (!GetClassInfoA(inst, className, &wc)) {
        WNDCLASSA c = {};
        c.style = classStyle;
        c.lpfnWndProc = Procedure;
        c.hInstance = inst;
        c.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        c.lpszClassName = className;
        if (!RegisterClassA(&c)) return false;
    }
    return CreateWindowExA(exStyle, className, text, style, x, y, w, h, parent, menu, inst, this) !=
           nullptr;
}

void CWindow::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK CWindow::Procedure(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    CWindow* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<CWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        self->hwnd_ = w;
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CWindow*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(w, msg, wp, lp);
    LRESULT result = 0;
    bool handled = self->OnMessage(msg, wp, lp, result);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(w, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        LRESULT r = handled ? result : DefWindowProcA(w, msg, wp, lp);
        self->OnFinalMessage();
        return r;
    }
    return handled ? result : DefWindowProcA(w, msg, wp, lp);
}

INT_PTR CDialog::DoModal(HINSTANCE inst, UINT templateId, HWND parent) {
    return DialogBoxParamA(inst, MAKEINTRESOURCEA(templateId), parent, Procedure,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialog::Procedure(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    CDialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lp);
        self->hwnd_ = w;
        SetWindowLongPtrA(w, DWLP_USER, lp);
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(w, DWLP_USER));
    }
    return self ? self->Dispatch(msg, wp, lp) : FALSE;
}

INT_PTR CDialog::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    INT_PTR result = 0;
    if (OnMessage(msg, wp, lp, result)) return result;
    switch (msg) {
    case WM_INITDIALOG:
        return OnInit() ? TRUE : FALSE;
    case WM_COMMAND: {
        int id = LOWORD(wp), code = HIWORD(wp);
        if (OnCommand(id, code, reinterpret_cast<HWND>(lp))) return TRUE;
        if (id == IDOK && code == BN_CLICKED) return OnOK(), TRUE;
        if (id == IDCANCEL) return OnCancel(), TRUE;
        return FALSE;
    }
    case WM_NOTIFY: {
        LRESULT r = 0;
        NMHDR* hdr = reinterpret_cast<NMHDR*>(lp);
        if (OnNotify(int(hdr->idFrom), hdr, r)) {
            SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, r);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}

void CPropertyPage::Describe(PROPSHEETPAGEA& page, HINSTANCE inst, UINT templateId) {
    page = PROPSHEETPAGEA();
    page.dwSize = sizeof page;
    page.hInstance = inst;
    page.pszTemplate = MAKEINTRESOURCEA(templateId);
    page.pfnDlgProc = PageProcedure;
    page.lParam = reinterpret_cast<LPARAM>(this);
}

INT_PTR CALLBACK CPropertyPage::PageProcedure(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    CPropertyPage* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CPropertyPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lp)->lParam);
        self->hwnd_ = w;
        SetWindowLongPtrA(w, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CPropertyPage*>(GetWindowLongPtrA(w, DWLP_USER));
    }
    if (!self) return FALSE;
    if (msg == WM_NOTIFY) {
        LRESULT r = 0;
        if (self->HandleSheetNotify(reinterpret_cast<NMHDR*>(lp), r)) {
            SetWindowLongPtrA(w, DWLP_MSGRESULT, r);
            return TRUE;
        }
    }
    return self->Dispatch(msg, wp, lp);
}

bool CPropertyPage::HandleSheetNotify(NMHDR* hdr, LRESULT& result) {
    switch (hdr->code) {
    case PSN_APPLY:
        result = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        return true;
    case PSN_SETACTIVE:
        OnSetActive();
        result = 0;
        return true;
    case PSN_KILLACTIVE:
        result = OnKillActive() ? FALSE : TRUE;
        return true;
    case PSN_RESET:
        OnReset();
        return true;
    }
    return false;
}
