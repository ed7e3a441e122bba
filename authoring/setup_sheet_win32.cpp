#include "authoring/setup_sheet_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <prsht.h>

#include <algorithm>
#include <memory>

#include "app/album.h"
#include "app/settings.h"
#include "app/settings_win32.h"
#include "authoring/sheet_rules.h"
#include "authoring/ui_font_win32.h"
#include "common/paths.h"
#include "saver/saver_window_win32.h"
#include "win32/application.h"

namespace {

const UINT kFinishInit = WM_APP + 0x1A0;
constexpr size_t kMaxAlbumBytes = 64u << 20;  // far beyond any real album; bounds the read
const char kOkTip[] = "Click here to close this dialog and save any changes you have made";
const char kCancelTip[] = "Click here to close this dialog without saving your changes";
const char kAlbumFilter[] = "Album Files (*.alb)|*.alb|All Files (*.*)|*.*||";

// "a|b||" -> "a\0b\0\0", the form the common dialogs take.
std::string DialogFilter(std::string filter) {
    std::replace(filter.begin(), filter.end(), '|', '\0');
    return filter;
}

std::string AlbumFilter() {
    std::string f = Application::Get().LoadText(1189);
    return DialogFilter(f.empty() ? kAlbumFilter : f);
}

SheetRect WindowRectIn(HWND parent, HWND child) {
    RECT r = {};
    if (child) {
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    return SheetRect{r.left, r.top, r.right, r.bottom};
}

}  // namespace

CSetupSheet* CSetupSheet::starting_ = nullptr;

CSetupSheet::CSetupSheet(std::string title, bool createdSaver)
    : title_(std::move(title)), createdSaver_(createdSaver) {}

CSetupSheet::~CSetupSheet() {
    for (Entry& e : pages_) e.page->sheet_ = nullptr;
}

void CSetupSheet::AddPage(SheetSlot slot, CSheetPage* page) {
    if (!page) return;
    page->sheet_ = this;
    auto at = std::find_if(pages_.begin(), pages_.end(),
                           [slot](const Entry& e) { return int(e.slot) > int(slot); });
    pages_.insert(at, Entry{slot, page});
}

CSheetPage* CSetupSheet::Page(SheetSlot slot) const {
    for (const Entry& e : pages_)
        if (e.slot == slot) return e.page;
    return nullptr;
}

INT_PTR CSetupSheet::Run(HWND parent) {
    HINSTANCE inst = Application::Get().Instance();
    if (!inst) inst = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    std::vector<PROPSHEETPAGEA> descs(pages_.size());
    for (size_t i = 0; i < pages_.size(); ++i) {
        pages_[i].page->Describe(descs[i], inst, pages_[i].page->TemplateId());
        if (!createdSaver_) descs[i].dwFlags |= PSP_HASHELP;
    }
    std::string caption = SheetCaption(title_, createdSaver_, g_Settings.options.AlbumFile);
    PROPSHEETHEADERA h = {};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USECALLBACK | (createdSaver_ ? 0 : PSH_HASHELP);
    h.hwndParent = parent;
    h.hInstance = inst;
    h.pszCaption = caption.c_str();
    h.nPages = UINT(descs.size());
    h.nStartPage = 0;
    h.ppsp = descs.data();
    h.pfnCallback = SheetCallback;
    starting_ = this;
    settingsModified_ = false;
    INT_PTR result = PropertySheetA(&h);
    starting_ = nullptr;
    hwnd_ = nullptr;
    tooltip_ = nullptr;
    if (settingsModified_) SaveSettings();
    return result;
}

int CALLBACK CSetupSheet::SheetCallback(HWND w, UINT msg, LPARAM) {
    if (msg == PSCB_INITIALIZED && starting_) starting_->Initialise(w);
    return 0;
}

void CSetupSheet::Initialise(HWND sheet) {
    hwnd_ = sheet;
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    oldProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    Application::Get().SetMainWindow(hwnd_);
    EnableMenuItem(GetSystemMenu(hwnd_, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    UpdateCaption();
    CreateTooltips();
    CreateButtons();
    EnablePreview(HasImageEntries());
    HICON icon = LoadIconA(Application::Get().Instance(), MAKEINTRESOURCEA(kIconId));
    if (icon) SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    // The rest waits until the sheet's own initialisation has finished.
    PostMessageA(hwnd_, kFinishInit, 0, 0);
}

void CSetupSheet::CreateButtons() {
    HWND ok = GetDlgItem(hwnd_, IDOK), cancel = GetDlgItem(hwnd_, IDCANCEL);
    HWND help = GetDlgItem(hwnd_, IDHELP);
    RECT client;
    GetClientRect(hwnd_, &client);
    SheetRect okR = WindowRectIn(hwnd_, ok), cancelR = WindowRectIn(hwnd_, cancel);
    // Without a Help button the right margin is the one beside Cancel.
    SheetRect helpR = help ? WindowRectIn(hwnd_, help) : cancelR;
    buttonFont_.Reset(CreateDialogFont(hwnd_));
    struct Button {
        int id;
        const char* text;
        int slot;
    };
    static const Button kAlbum[] = {
        {kLoadAlbumId, "&Load Album...", 0}, {kSaveAlbumAsId, "&Save Album As...", 1}, {kPreviewId, "&Preview", 2}};
    static const Button kCreated[] = {{kPreviewId, "&Preview", 1}};
    const Button* list = createdSaver_ ? kCreated : kAlbum;
    size_t count = createdSaver_ ? 1 : 3;
    HWND after = HWND_TOP;
    for (size_t i = 0; i < count; ++i) {
        SheetRect r = ExtraButtonSlot(client.right, okR, cancelR, helpR, list[i].slot);
        HWND b = CreateWindowExA(0, "BUTTON", list[i].text,
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, hwnd_,
                                 reinterpret_cast<HMENU>(INT_PTR(list[i].id)),
                                 Application::Get().Instance(), nullptr);
        SendMessageA(b, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_.Get()), FALSE);
        // Tab order: the extra buttons come before OK, as they stand left of it.
        SetWindowPos(b, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = b;
    }
    if (ok) SetWindowPos(ok, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CSetupSheet::CreateTooltips() {
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                               nullptr, Application::Get().Instance(), nullptr);
    if (tooltip_) SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, 300);
}

void CSetupSheet::AddTooltips(HWND container) {
    if (!tooltip_) return;
    if (!container) container = hwnd_;
    for (HWND c = GetWindow(container, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = {};
        GetClassNameA(c, cls, sizeof cls);
        // Pages are containers of their own; the tab strip has its own tips.
        if (lstrcmpiA(cls, "#32770") == 0 || lstrcmpiA(cls, WC_TABCONTROLA) == 0) continue;
        TOOLINFOA ti = {};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = hwnd_;
        ti.uId = reinterpret_cast<UINT_PTR>(c);
        ti.lpszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(tooltip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

void CSetupSheet::PageInitialised(CSheetPage* page) {
    if (hwnd_) AddTooltips(page->Handle());
}

std::string CSetupSheet::TooltipFor(HWND control) {
    HWND parent = GetParent(control);
    int id = GetDlgCtrlID(control);
    if (parent == hwnd_) {
        if (id == IDOK) return kOkTip;
        if (id == IDCANCEL) return kCancelTip;
        return Application::Get().LoadText(UINT(id));
    }
    for (const Entry& e : pages_)
        if (e.page->Handle() == parent) return e.page->TooltipText(id);
    return "";
}

LRESULT CALLBACK CSetupSheet::SubclassProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<CSetupSheet*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (!self) return DefWindowProcA(w, msg, wp, lp);
    return self->HandleMessage(msg, wp, lp);
}

LRESULT CSetupSheet::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kFinishInit: {
        // Sounds and Options exist from the start (the Sounds page previews
        // and the Options page is the one shown).
        int sounds = -1, options = 0;
        for (size_t i = 0; i < pages_.size(); ++i) {
            if (pages_[i].slot == SheetSlot::Sounds) sounds = int(i);
            if (pages_[i].slot == SheetSlot::Options) options = int(i);
        }
        if (sounds >= 0) {
            PropSheet_SetCurSel(hwnd_, nullptr, sounds);
            PropSheet_SetCurSel(hwnd_, nullptr, options);
        }
        AddTooltips(hwnd_);
        return 0;
    }
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED) {
            switch (LOWORD(wp)) {
            case kPreviewId:
                Preview();
                return 0;
            case kLoadAlbumId:
                if (!createdSaver_) LoadAlbumCommand();
                return 0;
            case kSaveAlbumAsId:
                if (!createdSaver_) SaveAlbumAsCommand();
                return 0;
            }
        }
        break;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->hwndFrom == tooltip_ && tooltip_) {
            if (hdr->code == TTN_GETDISPINFOA) {
                auto* di = reinterpret_cast<NMTTDISPINFOA*>(lp);
                tipText_ = TooltipFor(reinterpret_cast<HWND>(hdr->idFrom));
                di->lpszText = const_cast<char*>(tipText_.c_str());
                di->hinst = nullptr;
                return 0;
            }
            if (hdr->code == TTN_GETDISPINFOW) {
                auto* di = reinterpret_cast<NMTTDISPINFOW*>(lp);
                tipText_ = TooltipFor(reinterpret_cast<HWND>(hdr->idFrom));
                int n = MultiByteToWideChar(CP_ACP, 0, tipText_.c_str(), -1, di->szText,
                                            int(sizeof di->szText / sizeof di->szText[0]));
                if (n == 0) di->szText[0] = 0;
                di->lpszText = di->szText;
                di->hinst = nullptr;
                return 0;
            }
        }
        break;
    }
    case WM_NCDESTROY: {
        WNDPROC old = oldProc_;
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        HWND w = hwnd_;
        if (Application::Get().MainWindow() == w) Application::Get().SetMainWindow(nullptr);
        hwnd_ = nullptr;
        tooltip_ = nullptr;
        return CallWindowProcA(old, w, msg, wp, lp);
    }
    }
    return CallWindowProcA(oldProc_, hwnd_, msg, wp, lp);
}

bool CSetupSheet::HasImageEntries() const { return !g_Settings.ImageList.empty(); }

void CSetupSheet::SaveAllPages(bool save) {
    for (Entry& e : pages_) {
        if (!e.page->HasWindow()) continue;
        if (save)
            e.page->SaveControls();
        else
            e.page->LoadControls();
    }
}

void CSetupSheet::ResetAllPages() {
    ResetDefaults(g_Settings);
    SaveAllPages(false);
}

void CSetupSheet::EnableOkCancel(bool enable) {
    if (!hwnd_) return;
    EnableWindow(GetDlgItem(hwnd_, IDOK), enable);
    EnableWindow(GetDlgItem(hwnd_, IDCANCEL), enable);
}

void CSetupSheet::EnablePreview(bool enable) {
    if (hwnd_) EnableWindow(GetDlgItem(hwnd_, kPreviewId), enable);
}

void CSetupSheet::EnableSaveAlbumAs(bool enable) {
    if (hwnd_) EnableWindow(GetDlgItem(hwnd_, kSaveAlbumAsId), enable);
}

void CSetupSheet::ReloadAlbumPages(bool images, bool sounds) {
    CSheetPage* p = images ? Page(SheetSlot::Images) : nullptr;
    if (p && p->HasWindow()) p->LoadControls();
    p = sounds ? Page(SheetSlot::Sounds) : nullptr;
    if (p && p->HasWindow()) p->LoadControls();
}

void CSetupSheet::UpdateCaption() {
    if (hwnd_)
        SetWindowTextA(hwnd_,
                       SheetCaption(title_, createdSaver_, g_Settings.options.AlbumFile).c_str());
}

void CSetupSheet::Preview() {
    // The saver sees the controls as they stand; nothing is written to disk.
    SaveAllPages(true);
    {
        SaverWindow saver;
        Application::Get().SetMainWindow(nullptr);
        saver.Start();
    }
    Application::Get().SetMainWindow(hwnd_);
    // The saver's menu may have changed the sprite speed.
    CSheetPage* options = Page(SheetSlot::Options);
    if (options && options->HasWindow()) options->LoadControls();
    if (hwnd_) SetForegroundWindow(hwnd_);
}

void CSetupSheet::LoadAlbumCommand() {
    Settings::Options& o = g_Settings.options;
    char file[MAX_PATH] = {};
    std::string filter = DialogFilter(kAlbumFilter);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = o.LastAlbumDir.c_str();
    ofn.lpstrTitle = "Select an album file";
    ofn.lpstrDefExt = "alb";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (GetOpenFileNameA(&ofn)) {
        o.LastAlbumDir = DirectoryPart(file);
        // A file that is no album is refused: taking its name would have OK
        // write the album over it.  A damaged album gives what could be read.
        std::string bytes;
        std::vector<std::string> images, sounds;
        if (!ReadWholeFile(file, bytes, kMaxAlbumBytes) ||
            DecodeAlbum(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), images,
                        sounds) == AlbumResult::NotAlbum) {
            Application::Get().ShowWarning(std::string(file) + " is not an album file.");
        } else {
            o.AlbumFile = file;
            g_Settings.ImageList = std::move(images);
            g_Settings.SoundList = std::move(sounds);
            EnablePreview(HasImageEntries());
            ReloadAlbumPages(true, true);
            UpdateCaption();
            HWND active = PropSheet_GetCurrentPageHwnd(hwnd_);
            CSheetPage* imagePage = Page(SheetSlot::Images);
            CSheetPage* soundPage = Page(SheetSlot::Sounds);
            bool onAlbumPage = active && ((imagePage && imagePage->Handle() == active) ||
                                          (soundPage && soundPage->Handle() == active));
            if (!onAlbumPage && imagePage) {
                for (size_t i = 0; i < pages_.size(); ++i)
                    if (pages_[i].page == imagePage) PropSheet_SetCurSel(hwnd_, nullptr, int(i));
            }
        }
    }
    WriteProfileString("Options", "LastAlbumDir", o.LastAlbumDir);
}

void CSetupSheet::SaveAlbumAsCommand() {
    Settings::Options& o = g_Settings.options;
    std::string oldDir = DirectoryPart(o.AlbumFile);
    char file[MAX_PATH] = {};
    std::string filter = AlbumFilter();
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file - 4;  // room for the ".alb" that may be appended
    ofn.lpstrInitialDir = o.LastAlbumDir.c_str();
    ofn.lpstrTitle = "Save the current album file as";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    if (GetSaveFileNameA(&ofn)) {
        o.AlbumFile = AlbumSaveName(file);
        o.LastAlbumDir = DirectoryPart(o.AlbumFile);
        CSheetPage* images = Page(SheetSlot::Images);
        CSheetPage* sounds = Page(SheetSlot::Sounds);
        if (images && images->HasWindow()) images->SaveControls();
        if (sounds && sounds->HasWindow()) sounds->SaveControls();
        std::string newDir = DirectoryPart(o.AlbumFile);
        bool imagesChanged = RebaseRelativeEntries(g_Settings.ImageList, oldDir, newDir);
        bool soundsChanged = RebaseRelativeEntries(g_Settings.SoundList, oldDir, newDir);
        ReloadAlbumPages(imagesChanged, soundsChanged);
        SaveAlbum();
        UpdateCaption();
    }
    WriteProfileString("Options", "LastAlbumDir", o.LastAlbumDir);
}
