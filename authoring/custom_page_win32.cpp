#include "authoring/custom_page_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/app_info.h"
#include "app/settings.h"
#include "authoring/custom_rules.h"
#include "win32/application.h"
#include "win32/handles.h"

namespace {

constexpr int kRangeLow = 1, kRangeHigh = 100; // cycle seconds
constexpr int kDurationFallback = 5;           // what an unreadable seconds field saves
constexpr COLORREF kLinkColor = RGB(0, 0, 255);
constexpr UINT_PTR kLinkSubclass = 1;

bool ShellOpen(HWND owner, const char* address) {
    HINSTANCE r = ShellExecuteA(owner, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(r) > 32;
}

CCustomPage::LinkOpener g_linkOpener = ShellOpen;

} // namespace

void CCustomPage::SetLinkOpener(LinkOpener opener) {
    g_linkOpener = opener ? opener : ShellOpen;
}

CCustomPage::CCustomPage()
    : CSheetPage(kTemplateId), nameLine_(NameVersionLine(g_AppInfo.AppName, g_AppInfo.Version)),
      copyrightLine_(CopyrightLine(g_AppInfo.Year, g_AppInfo.Company)) {}

bool CCustomPage::OnInit() {
    SetDlgItemTextA(hwnd_, kNameLineId, nameLine_.c_str());
    SetDlgItemTextA(hwnd_, kCopyrightLineId, copyrightLine_.c_str());
    MakeLink();
    SendDlgItemMessageA(hwnd_, kDurationSpinId, UDM_SETRANGE, 0, MAKELPARAM(kRangeHigh, kRangeLow));
    SendDlgItemMessageA(hwnd_, kDurationEditId, EM_LIMITTEXT, 3, 0);
    LoadControls();
    return true;
}

void CCustomPage::MakeLink() {
    HWND link = Control(kLinkId);
    if (!link) return;
    // An owner-drawn button, so that the keyboard reaches it as well: the
    // dialog's font, underlined, in the link colour (drawn in WM_DRAWITEM).
    LOGFONTA lf;
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    if (dialogFont && GetObjectA(dialogFont, sizeof lf, &lf) == sizeof lf) {
        lf.lfUnderline = TRUE;
        linkFont_.Reset(CreateFontIndirectA(&lf));
    }
    SetWindowSubclass(link, LinkProc, kLinkSubclass, 0);
}

LRESULT CALLBACK CCustomPage::LinkProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR data) {
    (void)data;
    switch (msg) {
    case WM_SETCURSOR: {
        // The hand where the system has one (not before Windows 2000), else the arrow.
        HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
        SetCursor(hand ? hand : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
        return TRUE;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(w, LinkProc, id);
        break;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

void CCustomPage::OpenLink() {
    if (!g_linkOpener(hwnd_, kHomePage))
        Application::Get().ShowWarning(Format("Unable to open %s.", kHomePage));
}

void CCustomPage::LoadControls() {
    if (!HasWindow()) return;
    loading_ = true;
    for (int id : CustomPageBoxes())
        CheckDlgButton(hwnd_, id, IsOptionOn(id) ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageA(hwnd_, kDurationSpinId, UDM_SETPOS, 0,
                        MAKELPARAM(g_Settings.slide.Duration, 0));
    loading_ = false;
}

void CCustomPage::SaveControls() {
    if (!HasWindow()) return;
    for (int id : CustomPageBoxes())
        SetOption(id, IsDlgButtonChecked(hwnd_, id) == BST_CHECKED);
    LRESULT pos = SendDlgItemMessageA(hwnd_, kDurationSpinId, UDM_GETPOS, 0, 0);
    g_Settings.slide.Duration = HIWORD(pos) != 0 ? kDurationFallback : LOWORD(pos);
}

bool CCustomPage::OnCommand(int id, int code, HWND ctl) {
    (void)ctl;
    if (id == kLinkId && code == BN_CLICKED) {
        OpenLink();
        return true;
    }
    if (id == kDurationEditId && code == EN_CHANGE) {
        if (!loading_) SetModified();
        return true;
    }
    if (code != BN_CLICKED) return false;
    for (int box : CustomPageBoxes()) {
        if (box != id) continue;
        SetModified();
        int other = CustomBoxToClear(id, IsDlgButtonChecked(hwnd_, id) == BST_CHECKED);
        if (other) CheckDlgButton(hwnd_, other, BST_UNCHECKED);
        return true;
    }
    return false;
}

bool CCustomPage::OnPageMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    (void)wp;
    if (msg != WM_DRAWITEM) return false;
    const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
    if (int(item->CtlID) != kLinkId) return false;
    char text[128] = {};
    GetWindowTextA(item->hwndItem, text, sizeof text);
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    // The page's own background (a theme may give it a texture of its own).
    HBRUSH back = reinterpret_cast<HBRUSH>(SendMessageA(
        hwnd_, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)));
    POINT origin = {0, 0};
    MapWindowPoints(item->hwndItem, hwnd_, &origin, 1);
    POINT oldOrigin;
    SetBrushOrgEx(dc, -origin.x, -origin.y, &oldOrigin);
    FillRect(dc, &r, back ? back : GetSysColorBrush(COLOR_BTNFACE));
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    SelectGuard font(dc, linkFont_
                             ? static_cast<HGDIOBJ>(linkFont_.Get())
                             : reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kLinkColor);
    RECT textRect = r;
    DrawTextA(dc, text, -1, &textRect, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    // Centred in the control; the focus frame hugs the text.
    OffsetRect(&textRect, ((r.right - r.left) - (textRect.right - textRect.left)) / 2,
               ((r.bottom - r.top) - (textRect.bottom - textRect.top)) / 2);
    DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_NOPREFIX);
    if (item->itemState & ODS_FOCUS) {
        InflateRect(&textRect, 1, 0);
        DrawFocusRect(dc, &textRect);
    }
    result = TRUE;
    return true;
}
