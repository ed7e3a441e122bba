#include "setup/installer/setup_wizard_win32.h"

#include <commctrl.h>
#include <richedit.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "common/paths.h"
#include "setup/installer/install_engine_win32.h"
#include "setup/installer/install_rules.h"
#include "setup/installer/installer_ids.h"
#include "win32/application.h"

namespace {

void SetFormattedText(HWND dlg, int id, const std::string& arg) {
    char fmt[512];
    GetDlgItemTextA(dlg, id, fmt, sizeof fmt);
    SetDlgItemTextA(dlg, id, Format(fmt, arg.c_str()).c_str());
}

// The dialog's font at another weight, for the emphasised controls.
HFONT WeightedFont(HWND dlg, LONG weight) {
    HFONT base = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0));
    LOGFONTA lf = {};
    if (!base || !GetObjectA(base, sizeof lf, &lf)) return nullptr;
    lf.lfWeight = weight;
    return CreateFontIndirectA(&lf);
}

class WaitCursor {
  public:
    WaitCursor() : old_(SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)))) {}
    ~WaitCursor() { SetCursor(old_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    HCURSOR old_;
};

struct ResourceStream {
    const char* data;
    DWORD size;
    DWORD pos;
};

DWORD CALLBACK StreamResource(DWORD_PTR cookie, LPBYTE buf, LONG cb, LONG* done) {
    ResourceStream* s = reinterpret_cast<ResourceStream*>(cookie);
    DWORD n = s->size - s->pos;
    if (n > DWORD(cb)) n = DWORD(cb);
    memcpy(buf, s->data + s->pos, n);
    s->pos += n;
    *done = LONG(n);
    return 0;
}

} // namespace

WizardPicture::WizardPicture(HINSTANCE inst) {
    bitmap_.Reset(static_cast<HBITMAP>(
        LoadImageA(inst, MAKEINTRESOURCEA(IDB_WIZARD), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap_) return;
    DIBSECTION ds = {};
    GetObjectA(bitmap_.Get(), sizeof ds, &ds);
    width_ = ds.dsBm.bmWidth;
    height_ = ds.dsBm.bmHeight;
    if (ds.dsBmih.biBitCount > 8) return;
    // The picture's own colours, so that it looks right on a palette display.
    HDC screen = GetDC(nullptr);
    {
        MemoryDC mem(screen);
        SelectGuard sel(mem.Get(), bitmap_.Get());
        RGBQUAD colors[256];
        UINT n = GetDIBColorTable(mem.Get(), 0, 256, colors);
        if (n > 0) {
            std::vector<BYTE> buf(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
            LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
            lp->palVersion = 0x300;
            lp->palNumEntries = WORD(n);
            for (UINT i = 0; i < n; ++i) {
                lp->palPalEntry[i].peRed = colors[i].rgbRed;
                lp->palPalEntry[i].peGreen = colors[i].rgbGreen;
                lp->palPalEntry[i].peBlue = colors[i].rgbBlue;
                lp->palPalEntry[i].peFlags = 0;
            }
            palette_.Reset(CreatePalette(lp));
        }
    }
    ReleaseDC(nullptr, screen);
}

void WizardPicture::Draw(const DRAWITEMSTRUCT& item) const {
    const RECT& r = item.rcItem;
    if (!bitmap_) {
        FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNSHADOW));
        return;
    }
    PaletteGuard pal(item.hDC, palette_.Get());
    MemoryDC mem(item.hDC);
    SelectGuard sel(mem.Get(), bitmap_.Get());
    SetStretchBltMode(item.hDC, COLORONCOLOR);
    StretchBlt(item.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, mem.Get(), 0, 0, width_,
               height_, SRCCOPY);
}

bool CWizardPage::OnMessage(UINT msg, WPARAM, LPARAM lp, INT_PTR& result) {
    if (msg == WM_DRAWITEM) {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (item->CtlID != IDC_PICTURE) return false;
        picture_.Draw(*item);
        result = TRUE;
        return true;
    }
    return false;
}

// --- Welcome ---------------------------------------------------------------

bool CWelcomePage::OnInit() {
    SetFormattedText(hwnd_, IDC_WELCOME_TITLE, info_.saverName);
    titleFont_.Reset(WeightedFont(hwnd_, 1000));
    if (titleFont_)
        SendDlgItemMessageA(hwnd_, IDC_WELCOME_TITLE, WM_SETFONT, WPARAM(titleFont_.Get()), FALSE);
    std::string setup = info_.saverName + " Setup";
    SetFormattedText(hwnd_, IDC_WELCOME_CLOSE_APPS, setup);
    SetFormattedText(hwnd_, IDC_WELCOME_NEXT, setup);
    return true;
}

void CWelcomePage::OnSetActive() {
    PropSheet_SetWizButtons(Sheet(), PSWIZB_NEXT);
}

bool CWelcomePage::OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    if (msg == WM_DESTROY) {
        // The static lets go of the font before it is deleted.
        SendDlgItemMessageA(hwnd_, IDC_WELCOME_TITLE, WM_SETFONT, 0, FALSE);
        titleFont_.Reset();
        return false;
    }
    return CWizardPage::OnMessage(msg, wp, lp, result);
}

// --- Readme ----------------------------------------------------------------

bool CReadmePage::OnInit() {
    HWND frame = GetDlgItem(hwnd_, IDC_README_FRAME);
    RECT r;
    GetWindowRect(frame, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    ShowWindow(frame, SW_HIDE);
    richEdit_ = std::make_unique<ScopedLibrary>("riched20.dll");
    HWND edit = CreateWindowExA(0, RICHEDIT_CLASSA, "",
                                WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP |
                                    ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_WANTRETURN,
                                r.left, r.top, r.right - r.left, r.bottom - r.top, hwnd_,
                                reinterpret_cast<HMENU>(INT_PTR(IDC_README_TEXT)),
                                Application::Get().Instance(), nullptr);
    if (!edit) return true;
    SetWindowPos(edit, frame, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HINSTANCE inst = Application::Get().Instance();
    HRSRC res = FindResourceA(inst, MAKEINTRESOURCEA(IDR_README), "RTF");
    HGLOBAL mem = res ? LoadResource(inst, res) : nullptr;
    const char* data = mem ? static_cast<const char*>(LockResource(mem)) : nullptr;
    if (data) {
        ResourceStream s = {data, SizeofResource(inst, res), 0};
        EDITSTREAM es = {};
        es.dwCookie = reinterpret_cast<DWORD_PTR>(&s);
        es.pfnCallback = StreamResource;
        SendMessageA(edit, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&es));
    }
    return true;
}

void CReadmePage::OnSetActive() {
    PropSheet_SetWizButtons(Sheet(), PSWIZB_BACK | PSWIZB_NEXT);
    PostMessageA(hwnd_, kFocusCancel, 0, 0);
}

bool CReadmePage::OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    if (msg == kFocusCancel) {
        SetFocus(GetDlgItem(Sheet(), IDCANCEL));
        result = TRUE;
        return true;
    }
    return CWizardPage::OnMessage(msg, wp, lp, result);
}

// --- Destination -----------------------------------------------------------

bool CDestinationPage::OnInit() {
    SetFormattedText(hwnd_, IDC_LAUNCH_CONFIG, info_.saverName);
    SetFormattedText(hwnd_, IDC_MAKE_ACTIVE, info_.saverName);
    CheckDlgButton(hwnd_, IDC_LAUNCH_CONFIG, BST_CHECKED);
    CheckDlgButton(hwnd_, IDC_MAKE_ACTIVE, BST_CHECKED);
    browseFont_.Reset(WeightedFont(hwnd_, 1000));
    if (browseFont_)
        SendDlgItemMessageA(hwnd_, IDC_BROWSE, WM_SETFONT, WPARAM(browseFont_.Get()), FALSE);
    SendDlgItemMessageA(hwnd_, IDC_PROGRESS, PBM_SETRANGE32, 0, 100);
    SendDlgItemMessageA(hwnd_, IDC_PROGRESS, PBM_SETPOS, 0, 0);

    char programFiles[1000] = "";
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD type = 0, size = sizeof programFiles - 1;
        if (RegQueryValueExA(key, "ProgramFilesDir", nullptr, &type,
                             reinterpret_cast<BYTE*>(programFiles), &size) != ERROR_SUCCESS ||
            type != REG_SZ)
            programFiles[0] = 0;
        programFiles[sizeof programFiles - 1] = 0;
        RegCloseKey(key);
    }
    char windows[1000] = "";
    UINT n = GetWindowsDirectoryA(windows, sizeof windows);
    if (n == 0 || n >= sizeof windows) windows[0] = 0;
    std::string folder = DefaultDestination(programFiles, windows, info_.saverName);
    SetDlgItemTextA(hwnd_, IDC_FOLDER, folder.c_str());

    HWND list = GetDlgItem(hwnd_, IDC_DRIVES);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    RECT rc;
    GetClientRect(list, &rc);
    int w = rc.right - rc.left - GetSystemMetrics(SM_CXVSCROLL);
    const char* titles[] = {"Drive", "Space Available", "Space Required"};
    int widths[] = {w * 24 / 100, w * 38 / 100, w - w * 24 / 100 - w * 38 / 100};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        col.fmt = i == 0 ? LVCFMT_LEFT : LVCFMT_RIGHT;
        col.cx = widths[i];
        col.pszText = const_cast<char*>(titles[i]);
        col.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(i), reinterpret_cast<LPARAM>(&col));
    }
    FillDrives();
    RefreshList();
    return true;
}

std::string CDestinationPage::FolderText() const {
    char buf[1000];
    GetDlgItemTextA(hwnd_, IDC_FOLDER, buf, sizeof buf);
    return buf;
}

void CDestinationPage::FillDrives() {
    HWND list = GetDlgItem(hwnd_, IDC_DRIVES);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    char drives[512];
    DWORD n = GetLogicalDriveStringsA(sizeof drives - 1, drives);
    if (n == 0 || n >= sizeof drives) return;
    // No "insert a disk" boxes for empty floppy or CD drives.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    int row = 0;
    for (const char* d = drives; *d; d += strlen(d) + 1, ++row) {
        std::string root = d;
        std::string label = root;
        if (label.size() > 1 && label.back() == '\\') label.pop_back();
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<char*>(label.c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        ULARGE_INTEGER freeBytes;
        std::string space;
        if (GetDiskFreeSpaceExA(root.c_str(), &freeBytes, nullptr, nullptr))
            space = FormatDriveSpace(freeBytes.QuadPart);
        item.iSubItem = 1;
        item.pszText = const_cast<char*>(space.c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(row), reinterpret_cast<LPARAM>(&item));
    }
    SetErrorMode(oldMode);
    filled_ = true;
}

void CDestinationPage::RefreshList() {
    std::string root = FolderRoot(CleanFolderText(FolderText()));
    if (filled_ && EqualsNoCase(root, lastRoot_)) return;
    lastRoot_ = root;
    HWND list = GetDlgItem(hwnd_, IDC_DRIVES);
    int rows = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::string required;
    if (!root.empty()) {
        DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
        uint64_t unit = 0;
        if (GetDiskFreeSpaceA(root.c_str(), &sectors, &bytes, &freeClusters, &clusters))
            unit = uint64_t(sectors) * bytes;
        required = FormatDriveSpace(RoundUpToUnit(info_.totalSize, unit));
    }
    for (int i = 0; i < rows; ++i) {
        char label[16] = "";
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = label;
        item.cchTextMax = sizeof label;
        SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
        bool here = !root.empty() && EqualsNoCase(std::string(label) + "\\", root);
        item.iSubItem = 2;
        item.pszText = const_cast<char*>(here ? required.c_str() : "");
        SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
        if (here) ListView_SetItemState(list, i, LVIS_SELECTED, LVIS_SELECTED);
    }
    InvalidateRect(list, nullptr, TRUE);
}

void CDestinationPage::OnSetActive() {
    PropSheet_SetWizButtons(Sheet(), PSWIZB_BACK | PSWIZB_FINISH);
    FillDrives();
    lastRoot_ = "?";
    RefreshList();
}

void CDestinationPage::Browse() {
    BROWSEINFOA bi = {};
    char display[MAX_PATH] = "";
    bi.hwndOwner = hwnd_;
    bi.pszDisplayName = display;
    bi.lpszTitle = "Please select a directory:";
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST pidl = SHBrowseForFolderA(&bi);
    if (!pidl) return;
    char path[MAX_PATH] = "";
    bool ok = SHGetPathFromIDListA(pidl, path) && path[0];
    CoTaskMemFree(pidl);
    if (!ok) return;
    SetDlgItemTextA(hwnd_, IDC_FOLDER, JoinPath(path, info_.saverName).c_str());
    RefreshList();
}

bool CDestinationPage::OnCommand(int id, int code, HWND) {
    if (id == IDC_BROWSE && code == BN_CLICKED) {
        Browse();
        return true;
    }
    if (id == IDC_FOLDER && code == EN_KILLFOCUS) {
        RefreshList();
        return true;
    }
    return false;
}

bool CDestinationPage::OnNotify(int, NMHDR* hdr, LRESULT& result) {
    if (hdr->code == PSN_WIZFINISH) {
        // Non-zero keeps the wizard open.
        result = OnWizardFinish() ? FALSE : TRUE;
        return true;
    }
    return false;
}

bool CDestinationPage::OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    if (msg == kRefreshDrives) {
        // Back from another program: the free space may have changed.
        FillDrives();
        lastRoot_ = "?";
        RefreshList();
        result = TRUE;
        return true;
    }
    if (msg == WM_DESTROY) {
        SendDlgItemMessageA(hwnd_, IDC_BROWSE, WM_SETFONT, 0, FALSE);
        browseFont_.Reset();
        return false;
    }
    return CWizardPage::OnMessage(msg, wp, lp, result);
}

bool CDestinationPage::OnWizardFinish() {
    WaitCursor wait;
    Application& app = Application::Get();
    std::string folder = CleanFolderText(FolderText());
    if (folder.empty()) {
        app.ShowWarning("Please enter the destination directory.");
        return false;
    }
    if (IsSameFolder(folder, info_.setupDir)) {
        app.ShowWarning(
            "Cannot install into the source directory.  Please select a different destination "
            "directory.");
        return false;
    }
    if (!CreateFolderTree(folder)) {
        app.ShowError("Setup is unable to create the specified directory.");
        return false;
    }
    InstallParams params;
    params.saverName = info_.saverName;
    params.installDir = folder;
    params.setupDir = info_.setupDir;
    params.uninstallDataName = info_.uninstallDataName;
    params.packagePath = info_.packagePath;
    params.productName = info_.productName;
    params.owner = Sheet();
    params.progress = GetDlgItem(hwnd_, IDC_PROGRESS);
    params.status = GetDlgItem(hwnd_, IDC_STATUS);
    // Nothing on the wizard may be pressed while the files go in.
    EnableWindow(Sheet(), FALSE);
    InstallEngine engine;
    bool ok = engine.Install(params);
    EnableWindow(Sheet(), TRUE);
    if (ok)
        RunPostInstallActions(info_.saverName,
                              IsDlgButtonChecked(hwnd_, IDC_MAKE_ACTIVE) == BST_CHECKED,
                              IsDlgButtonChecked(hwnd_, IDC_LAUNCH_CONFIG) == BST_CHECKED);
    else
        app.ShowError(std::string("An error has occurred: ") + ErrorText(engine.Result()) + "!");
    return true;
}

// --- Sheet -----------------------------------------------------------------

namespace {
HWND g_sheetOwner = nullptr;
} // namespace

CSetupSheet::CSetupSheet(const SetupInfo& info) : info_(info) {}

bool CSetupSheet::HasReadme() const {
    return !info_.productName.empty() && EqualsNoCase(info_.saverName, info_.productName);
}

// The sheet tells its page when it is activated from another program's window.
static LRESULT CALLBACK SheetSubclass(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                      DWORD_PTR) {
    if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE) {
        HWND from = reinterpret_cast<HWND>(lp);
        if (!from || GetWindowThreadProcessId(from, nullptr) != GetCurrentThreadId()) {
            HWND page = reinterpret_cast<HWND>(SendMessageA(w, PSM_GETCURRENTPAGEHWND, 0, 0));
            if (page) PostMessageA(page, CWizardPage::kRefreshDrives, 0, 0);
        }
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(w, SheetSubclass, id);
    }
    return DefSubclassProc(w, msg, wp, lp);
}

int CALLBACK CSetupSheet::SheetCallback(HWND sheet, UINT msg, LPARAM) {
    if (msg == PSCB_INITIALIZED) {
        HINSTANCE inst = Application::Get().Instance();
        HICON big = static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXICON),
                                                  GetSystemMetrics(SM_CYICON), LR_SHARED));
        HICON small = static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXSMICON),
                                                    GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        SendMessageA(sheet, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
        SendMessageA(sheet, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
        // The backdrop behind the wizard stays usable; message boxes belong to the wizard.
        if (g_sheetOwner) EnableWindow(g_sheetOwner, TRUE);
        Application::Get().SetMainWindow(sheet);
        RECT r;
        GetWindowRect(sheet, &r);
        int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
        int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
        SetWindowPos(sheet, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowSubclass(sheet, SheetSubclass, 1, 0);
    }
    return 0;
}

INT_PTR CSetupSheet::Run(HINSTANCE inst, HWND parent) {
    parent_ = parent;
    WizardPicture picture(inst);
    CWelcomePage welcome(info_, picture);
    CReadmePage readme(info_, picture);
    CDestinationPage destination(info_, picture);
    std::string caption = info_.saverName + " Setup";
    std::vector<PROPSHEETPAGEA> pages;
    auto add = [&](CPropertyPage& p, UINT id) {
        PROPSHEETPAGEA page;
        p.Describe(page, inst, id);
        // Every page keeps the wizard's own caption.
        page.dwFlags |= PSP_USETITLE;
        page.pszTitle = caption.c_str();
        pages.push_back(page);
    };
    add(welcome, IDD_WELCOME);
    if (HasReadme()) add(readme, IDD_README);
    add(destination, IDD_DESTINATION);

    PROPSHEETHEADERA h = {};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_NOAPPLYNOW;
    h.hwndParent = parent;
    h.hInstance = inst;
    h.pszCaption = caption.c_str();
    h.nPages = UINT(pages.size());
    h.ppsp = pages.data();
    h.pfnCallback = SheetCallback;
    g_sheetOwner = parent;
    INT_PTR r = PropertySheetA(&h);
    Application::Get().SetMainWindow(parent);
    g_sheetOwner = nullptr;
    return r;
}
