#include "authoring/color_picker_win32.h"

#include <commctrl.h>
#include <commdlg.h>

#include "authoring/ui_font_win32.h"

namespace {

const UINT kOpenPopup = WM_APP + 0x1C0;  // posted by the combo once its list is closed
const COLORREF kCellPen = 0x8C8C8C;

// The colour dialog's sixteen custom colours, kept for the whole process.
COLORREF g_customColors[16] = {};

bool ChooseFromDialog(HWND owner, COLORREF& colour, bool preselect) {
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = preselect ? colour : 0;
    cc.lpCustColors = g_customColors;
    cc.Flags = CC_FULLOPEN | (preselect ? CC_RGBINIT : 0);
    if (!ChooseColorA(&cc)) return false;
    colour = cc.rgbResult;
    return true;
}

RECT ToRect(const PopupRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

// ---- the popup ----

ColorValue CColorPopup::Run(HWND owner, POINT at, const ColorValue& start) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc;
    if (!GetClassInfoA(inst, kClassName, &wc)) {
        WNDCLASSA c = {};
        c.style = CS_SAVEBITS;
        c.lpfnWndProc = Procedure;
        c.hInstance = inst;
        c.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
        c.lpszClassName = kClassName;
        RegisterClassA(&c);
    }
    value_ = start;
    hot_ = PopupHit();
    done_ = false;
    pressSeen_ = false;
    owner_ = owner;
    // The layout is in client coordinates; the border comes on top.
    RECT outer = {0, 0, layout_.width, layout_.height};
    AdjustWindowRectEx(&outer, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
    int w = outer.right - outer.left, h = outer.bottom - outer.top;
    hwnd_ = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kClassName, "", WS_POPUP | WS_BORDER,
                            at.x, at.y, w, h, owner, nullptr, inst, this);
    if (!hwnd_) return value_;
    font_.Reset(CreateDialogFont(hwnd_));
    ShowWindow(hwnd_, SW_SHOWNA);
    UpdateWindow(hwnd_);
    SetCapture(hwnd_);

    MSG msg;
    while (!done_) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(int(msg.wParam));
            break;
        }
        if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
            if (msg.wParam == VK_ESCAPE || msg.wParam == VK_TAB || msg.message == WM_SYSKEYDOWN) {
                Finish();
                continue;
            }
            if (msg.wParam == 'M') {
                ChooseMore(false);
                continue;
            }
            continue;  // the keyboard belongs to the popup while it runs
        }
        if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (hwnd_) {
        if (GetCapture() == hwnd_) ReleaseCapture();
        DestroyWindow(hwnd_);
    }
    hwnd_ = nullptr;
    font_.Reset();
    return value_;
}

LRESULT CALLBACK CColorPopup::Procedure(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    CColorPopup* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<CColorPopup*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = w;
    } else {
        self = reinterpret_cast<CColorPopup*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    }
    return self ? self->Handle(msg, wp, lp) : DefWindowProcA(w, msg, wp, lp);
}

LRESULT CColorPopup::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        Paint(dc);
        EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_MOUSEMOVE:
        SetHot(HitTestPopup(layout_, short(LOWORD(lp)), short(HIWORD(lp))));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        pressSeen_ = true;
        return 0;
    case WM_LBUTTONUP:
        MouseUp(short(LOWORD(lp)), short(HIWORD(lp)));
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse (a system dialog, a task switch): close.
        if (!done_ && reinterpret_cast<HWND>(lp) != hwnd_) Finish();
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcA(hwnd_, msg, wp, lp);
}

void CColorPopup::Paint(HDC dc) {
    const auto& palette = PickerPalette();
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, kCellPen));
    SelectGuard usePen(dc, pen.Get());
    for (int row = 0; row < layout_.rows; ++row) {
        for (int column = 0; column < layout_.columns; ++column) {
            PopupRect r = layout_.Cell(column, row);
            GdiObject<HBRUSH> fill(CreateSolidBrush(palette[size_t(column + layout_.columns * row)]));
            SelectGuard useBrush(dc, fill.Get());
            Rectangle(dc, r.left, r.top, r.right, r.bottom);
        }
    }
    RECT line = ToRect(layout_.more);
    line.top -= PopupLayout::kMargin / 2 + 2;
    line.bottom = line.top + 2;
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    SelectGuard useFont(dc, font_.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_MENUTEXT));
    static const char kMore[] = "More Colors...";
    TextOutA(dc, layout_.more.left + 10, layout_.more.top + 2, kMore, int(sizeof kMore - 1));
    if (hot_.IsCell() || hot_.IsMore()) DrawHotFrame(dc, hot_, true);
}

void CColorPopup::DrawHotFrame(HDC dc, const PopupHit& hit, bool show) {
    RECT r;
    if (hit.IsMore()) {
        r = ToRect(layout_.more);
    } else {
        r = ToRect(layout_.Cell(hit.column, hit.row));
        InflateRect(&r, 2, 2);
    }
    if (show) {
        DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    } else {
        HBRUSH menu = GetSysColorBrush(COLOR_MENU);
        FrameRect(dc, &r, menu);
        if (hit.IsCell()) {
            RECT inner = r;
            InflateRect(&inner, -1, -1);
            FrameRect(dc, &inner, menu);
        }
    }
}

void CColorPopup::SetHot(const PopupHit& hit) {
    if (hit.column == hot_.column && hit.row == hot_.row) return;
    HDC dc = GetDC(hwnd_);
    if (hot_.IsCell() || hot_.IsMore()) DrawHotFrame(dc, hot_, false);
    hot_ = hit;
    if (hot_.IsCell() || hot_.IsMore()) DrawHotFrame(dc, hot_, true);
    ReleaseDC(hwnd_, dc);
}

void CColorPopup::Finish() {
    done_ = true;
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void CColorPopup::ChooseMore(bool preselect) {
    done_ = true;  // set first: the dialog takes the capture away
    ShowWindow(hwnd_, SW_HIDE);
    if (GetCapture() == hwnd_) ReleaseCapture();
    COLORREF c = COLORREF(value_.color);
    if (ChooseFromDialog(owner_, c, preselect)) value_.color = int32_t(c);
}

void CColorPopup::MouseUp(int x, int y) {
    RECT client;
    GetClientRect(hwnd_, &client);
    POINT p = {x, y};
    if (!PtInRect(&client, p)) {
        // The release of the click that opened the popup lands on the combo:
        // only a release after a press of this run closes it.
        if (pressSeen_) Finish();
        return;
    }
    PopupHit hit = HitTestPopup(layout_, x, y);
    if (!hit.IsCell()) {
        ChooseMore(true);
        return;
    }
    RECT cell = ToRect(layout_.Cell(hit.column, hit.row));
    InflateRect(&cell, 2, 2);
    HDC dc = GetDC(hwnd_);
    DrawEdge(dc, &cell, BDR_SUNKENOUTER, BF_RECT);
    ReleaseDC(hwnd_, dc);
    value_.color = int32_t(PickerPalette()[size_t(hit.column + layout_.columns * hit.row)]);
    Finish();
}

// ---- the combo box ----

CColorPicker::~CColorPicker() { Detach(); }

bool CColorPicker::Attach(HWND dialog, int id) {
    Detach();
    HWND combo = GetDlgItem(dialog, id);
    if (!combo) return false;
    combo_ = combo;
    parent_ = dialog;
    id_ = id;
    SetWindowSubclass(combo_, ComboProc, reinterpret_cast<UINT_PTR>(this),
                      reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(parent_, ParentProc, reinterpret_cast<UINT_PTR>(this),
                      reinterpret_cast<DWORD_PTR>(this));
    // One empty item, so that the combo has something to draw.
    SendMessageA(combo_, CB_RESETCONTENT, 0, 0);
    SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
    SendMessageA(combo_, CB_SETCURSEL, 0, 0);
    return true;
}

void CColorPicker::Detach() {
    if (combo_ && IsWindow(combo_))
        RemoveWindowSubclass(combo_, ComboProc, reinterpret_cast<UINT_PTR>(this));
    if (parent_ && IsWindow(parent_))
        RemoveWindowSubclass(parent_, ParentProc, reinterpret_cast<UINT_PTR>(this));
    combo_ = parent_ = nullptr;
}

void CColorPicker::SetValue(const ColorValue& v) {
    value_ = v;
    if (combo_) InvalidateRect(combo_, nullptr, TRUE);
}

void CColorPicker::OpenPopup() {
    if (!combo_) return;
    RECT r;
    GetWindowRect(combo_, &r);
    // Placement on the monitor's work area would hide the popup behind nothing
    // the user can see past; the whole screen is what the rule is about.
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    PopupLayout layout;
    RECT outer = {0, 0, layout.width, layout.height};
    AdjustWindowRectEx(&outer, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
    PopupPoint at = PlacePopup(PopupRect{r.left, r.top, r.right, r.bottom},
                               outer.right - outer.left, outer.bottom - outer.top, sw, sh);
    ColorValue result = popup_.Run(parent_, POINT{at.x, at.y}, value_);
    if (!combo_) return;  // the page went away while the popup ran
    if (result.color >= 0) {
        value_ = result;
        InvalidateRect(combo_, nullptr, TRUE);
        NMHDR hdr = {};
        hdr.hwndFrom = combo_;
        hdr.idFrom = UINT_PTR(id_);
        hdr.code = kColorChanged;
        SendMessageA(parent_, WM_NOTIFY, WPARAM(id_), reinterpret_cast<LPARAM>(&hdr));
    }
}

void CColorPicker::DrawItem(const DRAWITEMSTRUCT& d) {
    RECT r = d.rcItem;
    bool enabled = IsWindowEnabled(combo_);
    GdiObject<HBRUSH> fill(CreateSolidBrush(enabled ? COLORREF(value_.color) : GetSysColor(COLOR_BTNFACE)));
    FillRect(d.hDC, &r, fill.Get());
    if (d.itemState & ODS_FOCUS) {
        RECT f = r;
        InflateRect(&f, -1, -1);
        DrawFocusRect(d.hDC, &f);
    }
}

LRESULT CALLBACK CColorPicker::ComboProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                         DWORD_PTR data) {
    CColorPicker* self = reinterpret_cast<CColorPicker*>(data);
    if (msg == kOpenPopup) {
        self->opening_ = false;
        self->OpenPopup();
        return 0;
    }
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(w, ComboProc, reinterpret_cast<UINT_PTR>(self));
        self->combo_ = nullptr;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

LRESULT CALLBACK CColorPicker::ParentProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR data) {
    CColorPicker* self = reinterpret_cast<CColorPicker*>(data);
    switch (msg) {
    case WM_DRAWITEM: {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (int(wp) == self->id_ && d->hwndItem == self->combo_) {
            self->DrawItem(*d);
            return TRUE;
        }
        break;
    }
    case WM_MEASUREITEM: {
        auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        if (int(wp) == self->id_ && m->CtlType == ODT_COMBOBOX) {
            m->itemHeight = 13;
            return TRUE;
        }
        break;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == self->id_ && reinterpret_cast<HWND>(lp) == self->combo_) {
            if (HIWORD(wp) == CBN_DROPDOWN) {
                // The list itself is never used: close it again at once and
                // open the popup when it has closed.
                self->opening_ = true;
                PostMessageA(self->combo_, CB_SHOWDROPDOWN, FALSE, 0);
                return 0;
            }
            if (HIWORD(wp) == CBN_CLOSEUP && self->opening_) {
                PostMessageA(self->combo_, kOpenPopup, 0, 0);
                return 0;
            }
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(w, ParentProc, reinterpret_cast<UINT_PTR>(self));
        self->parent_ = nullptr;
        break;
    }
    return DefSubclassProc(w, msg, wp, lp);
}
