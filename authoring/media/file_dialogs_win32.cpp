#include <windows.h>

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>

#include "authoring/media/image_file_dialog_win32.h"
#include "authoring/media/media_resource.h"
#include "authoring/media/sound_file_dialog_win32.h"
#include "common/paths.h"
#include "win32/application.h"

namespace {

constexpr size_t kMinBuffer = MAX_PATH;

// The dialog's edit holds `"a.jpg" "b.jpg"` when several files are selected:
// the first name, without its quotes.
std::string FirstName(const std::string& typed) {
    size_t open = typed.find('"');
    if (open == std::string::npos) return typed;
    size_t close = typed.find('"', open + 1);
    if (close == std::string::npos) close = typed.size();
    return typed.substr(open + 1, close - open - 1);
}

std::string DialogText(HWND dialog, UINT message) {
    char buf[MAX_PATH * 4] = "";
    LRESULT n = SendMessageA(dialog, message, sizeof buf, reinterpret_cast<LPARAM>(buf));
    if (n <= 0) return std::string();
    buf[sizeof buf - 1] = '\0';
    return buf;
}

HINSTANCE ResourceInstance() {
    HINSTANCE inst = Application::Get().Instance();
    return inst ? inst : GetModuleHandleA(nullptr);
}

}  // namespace

CPreviewFileDialog::CPreviewFileDialog(bool openMode, const char* defaultExt,
                                       const char* fileName, DWORD flags, const char* filter,
                                       UINT panelTemplate)
    : openMode_(openMode), defaultExt_(defaultExt ? defaultExt : ""),
      filter_(filter ? filter : ""), flags_(flags), template_(panelTemplate) {
    // "Text|pattern||" to the NUL-separated form, ending in two NULs.
    std::replace(filter_.begin(), filter_.end(), '|', '\0');
    filter_ += std::string(2, '\0');
    SetBufferSize(kMinBuffer);
    if (fileName) {
        size_t n = std::min(std::string(fileName).size(), buffer_.size() - 2);
        std::copy(fileName, fileName + n, buffer_.begin());
    }
}

void CPreviewFileDialog::SetBufferSize(size_t chars) {
    buffer_.resize(std::max(chars, kMinBuffer) + 2, '\0');
}

INT_PTR CPreviewFileDialog::DoModal(HWND owner) {
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.hInstance = ResourceInstance();
    ofn.lpstrFilter = filter_.size() > 2 ? filter_.c_str() : nullptr;
    ofn.lpstrFile = buffer_.data();
    ofn.nMaxFile = DWORD(buffer_.size() - 2);
    ofn.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
    ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    ofn.lpstrDefExt = defaultExt_.empty() ? nullptr : defaultExt_.c_str();
    ofn.Flags = flags_ | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
    ofn.lpTemplateName = MAKEINTRESOURCEA(template_);
    ofn.lpfnHook = Hook;
    ofn.lCustData = reinterpret_cast<LPARAM>(this);
    BOOL ok = openMode_ ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
    panel_ = nullptr;
    if (ok) return IDOK;
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) {
        std::fill(buffer_.begin(), buffer_.end(), '\0');
        Application::Get().ShowWarning(
            "Too many files were selected at once.  Please add them in smaller groups.");
    }
    return IDCANCEL;
}

std::string CPreviewFileDialog::PathName() const {
    return std::string(buffer_.data(), strnlen(buffer_.data(), buffer_.size()));
}

media::OpenDialogResult CPreviewFileDialog::Result() const {
    return media::SplitOpenFileNames(buffer_.data(), buffer_.size());
}

bool CPreviewFileDialog::CurrentSelection(std::string* name, std::string* path) const {
    HWND dlg = dialog();
    if (!dlg) return false;
    std::string typed = DialogText(dlg, CDM_GETSPEC);
    *name = FirstName(typed);
    if (name->empty()) return false;
    if (typed.find('"') == std::string::npos) {
        *path = DialogText(dlg, CDM_GETFILEPATH);
        path->erase(std::remove(path->begin(), path->end(), '"'), path->end());
    } else {
        *path = JoinPath(DialogText(dlg, CDM_GETFOLDERPATH), *name);
    }
    return !path->empty();
}

void CPreviewFileDialog::NoteFolder(const std::string& path, int addButtonId) {
    std::string folder = DirectoryPart(path);
    if (folder.empty() || EqualsNoCase(folder, currentFolder_)) return;
    currentFolder_ = folder;
    EnableWindow(GetDlgItem(panel_, addButtonId), TRUE);
}

void CPreviewFileDialog::AddCurrentFolder(int addButtonId) {
    HWND button = GetDlgItem(panel_, addButtonId);
    // A click that reaches a disabled button (a BM_CLICK does) adds nothing.
    if (!IsWindowEnabled(button)) return;
    if (!currentFolder_.empty()) directories_.push_back(currentFolder_);
    // The focus must not stay on a disabled button: the dialog's keys would die.
    if (GetFocus() == button) SendMessageA(dialog(), WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(button, FALSE);
}

UINT_PTR CALLBACK CPreviewFileDialog::Hook(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    CPreviewFileDialog* self;
    if (msg == WM_INITDIALOG) {
        auto* ofn = reinterpret_cast<OPENFILENAMEA*>(lp);
        self = reinterpret_cast<CPreviewFileDialog*>(ofn->lCustData);
        SetWindowLongPtrA(w, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->panel_ = w;
        self->lastShown_.clear();
        self->currentFolder_.clear();
        self->OnPanelInit();
        return TRUE;
    }
    self = reinterpret_cast<CPreviewFileDialog*>(GetWindowLongPtrA(w, DWLP_USER));
    if (!self) return FALSE;
    switch (msg) {
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lp)->code == CDN_SELCHANGE) self->OnFileNameChange();
        return FALSE;
    case WM_COMMAND:
        return self->OnPanelCommand(LOWORD(wp), HIWORD(wp)) ? TRUE : FALSE;
    case WM_DESTROY:
        self->OnPanelDestroy();
        return FALSE;
    }
    return FALSE;
}

CImageFileDialog::CImageFileDialog(bool openMode, const char* defaultExt, const char* fileName,
                                   DWORD flags, const char* filter)
    : CPreviewFileDialog(openMode, defaultExt, fileName, flags, filter, IDD_IMAGE_OPEN_PANEL) {}

void CImageFileDialog::OnPanelInit() {
    HWND placeholder = GetDlgItem(panel(), IDC_IMAGE_DLG_PLACEHOLDER);
    RECT r = {0, 0, 0, 0};
    if (placeholder) {
        GetWindowRect(placeholder, &r);
        MapWindowPoints(nullptr, panel(), reinterpret_cast<POINT*>(&r), 2);
        ShowWindow(placeholder, SW_HIDE);
    }
    preview_.Create(r, panel(), IDC_IMAGE_DLG_AREA, WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
    CheckDlgButton(panel(), IDC_IMAGE_DLG_PREVIEW, BST_CHECKED);
    EnableWindow(GetDlgItem(panel(), IDC_IMAGE_FULL_SCREEN), FALSE);
    EnableWindow(GetDlgItem(panel(), IDC_IMAGE_ADD_DIRECTORY), FALSE);
    ShowWindow(GetDlgItem(panel(), IDC_IMAGE_ADD_DIRECTORY), allowDirectories ? SW_SHOW : SW_HIDE);
}

void CImageFileDialog::SetStatus(const char* text) {
    SetDlgItemTextA(panel(), IDC_IMAGE_DLG_STATUS, text);
}

void CImageFileDialog::OnFileNameChange() {
    if (!Checked(IDC_IMAGE_DLG_PREVIEW)) return;
    std::string name, path;
    if (!CurrentSelection(&name, &path) || name == lastShown_) return;
    lastShown_ = name;
    if (allowDirectories) NoteFolder(path, IDC_IMAGE_ADD_DIRECTORY);
    SetStatus("Please wait...");
    HCURSOR old = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    ++loads_;
    bool shown = image_.LoadFrame(path.c_str(), 0) && preview_.Show(image_);
    if (!shown) {
        // A failed load may leave the previous picture in the image: drop it
        // from the view so that "Full Screen" cannot show the wrong one.
        preview_.Clear();
    }
    EnableWindow(GetDlgItem(panel(), IDC_IMAGE_FULL_SCREEN), shown);
    SetStatus(shown ? FileNamePart(path).c_str() : "Unable to display image.");
    SetCursor(old);
}

bool CImageFileDialog::OnPanelCommand(int id, int code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_IMAGE_ADD_DIRECTORY:
        AddCurrentFolder(IDC_IMAGE_ADD_DIRECTORY);
        return true;
    case IDC_IMAGE_FULL_SCREEN:
        CFullScreenPreview::Get().ShowFullScreen(image_);
        return true;
    case IDC_IMAGE_DLG_PREVIEW:
        // Set again: the name under the cursor is shown at once.
        if (Checked(IDC_IMAGE_DLG_PREVIEW)) {
            lastShown_.clear();
            OnFileNameChange();
        }
        return true;
    }
    return false;
}

void CImageFileDialog::OnPanelDestroy() { CFullScreenPreview::Get().Dismiss(); }

CSoundFileDialog::CSoundFileDialog(bool openMode, const char* defaultExt, const char* fileName,
                                   DWORD flags, const char* filter)
    : CPreviewFileDialog(openMode, defaultExt, fileName, flags, filter, IDD_SOUND_OPEN_PANEL) {
    allowDirectories = true;
}

void CSoundFileDialog::OnPanelInit() {
    player_.AttachDisplay(panel(), IDC_PLAYER_PLACEHOLDER, IDC_SOUND_STATUS);
    CheckDlgButton(panel(), IDC_SOUND_DLG_PREVIEW, BST_CHECKED);
    EnableWindow(GetDlgItem(panel(), IDC_SOUND_ADD_DIRECTORY), FALSE);
}

void CSoundFileDialog::OnFileNameChange() {
    if (!Checked(IDC_SOUND_DLG_PREVIEW)) return;
    std::string name, path;
    if (!CurrentSelection(&name, &path) || name == lastShown_) return;
    lastShown_ = name;
    player_.Preview(path);
    NoteFolder(path, IDC_SOUND_ADD_DIRECTORY);
}

bool CSoundFileDialog::OnPanelCommand(int id, int code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_SOUND_ADD_DIRECTORY:
        AddCurrentFolder(IDC_SOUND_ADD_DIRECTORY);
        return true;
    case IDC_SOUND_DLG_PREVIEW:
        if (!Checked(IDC_SOUND_DLG_PREVIEW)) {
            player_.StopButton();
        } else {
            lastShown_.clear();
            OnFileNameChange();
        }
        return true;
    }
    return false;
}

void CSoundFileDialog::OnPanelDestroy() { player_.Stop(); }
