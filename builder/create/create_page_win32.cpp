#include "builder/create/create_page_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include "app/album.h"
#include "app/app_info.h"
#include "app/settings.h"
#include "app/settings_win32.h"
#include "authoring/setup_sheet_win32.h"
#include "builder/core/saver_build.h"
#include "builder/core/saver_files.h"
#include "builder/create/create_page_ids.h"
#include "builder/create/create_rules.h"
#include "builder/package/file_system_win32.h"
#include "builder/package/make_file.h"
#include "common/paths.h"
#include "win32/application.h"
#include "win32/handles.h"

namespace {

const char kIdleStatus[] = "Click Create It to create your screen saver";
const char kBusyTooltip[] = "Click here to cancel screensaver creation";
const char kCreateText[] = "&Create It";
const char kCancelText[] = "&Cancel";

std::string UserName() {
    char buf[256] = {};
    DWORD size = sizeof buf;
    if (!GetUserNameA(buf, &size)) return "";
    return buf;
}

std::string ModulePath() {
    char buf[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buf, sizeof buf);
    return buf;
}

int CurrentYear() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wYear;
}

// Rows stay in the order of the files they show.
LRESULT AppendRow(HWND list, const std::string& text) {
    return SendMessageA(list, LB_INSERTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(text.c_str()));
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace

CCreatePage::CCreatePage() : CSheetPage(IDD_CREATE_PAGE) { ReadDistribution(); }

CCreatePage::~CCreatePage() = default;

void CCreatePage::ReadDistribution() {
    const char* s = kSection;
    createGroup_ = ReadProfileInt(s, "CreateGroup", 1) ? 1 : 0;
    directory_ = ReadProfileString(s, "Directory", JoinPath(g_InstallDir, "My Savers").c_str());
    saverName_ = ReadProfileString(s, "SaverName", "My Screen Saver");
    version_ = ReadProfileString(s, "Version", "1.0");
    publisher_ = DefaultPublisher(ReadProfileString(s, "Publisher", ""), UserName());
    files_.clear();
    shortcuts_.clear();
    int count = ReadProfileInt(s, "NumFiles", 0);
    for (int i = 0; i < count && i < kMaxDistributionFiles; ++i) {
        std::string file = ReadProfileString(s, Format("File%d", i).c_str(), "");
        if (file.empty()) continue;
        files_.push_back(file);
        shortcuts_.push_back(ReadProfileString(s, Format("ShortCut%d", i).c_str(), ""));
    }
}

void CCreatePage::WriteDistribution() {
    const char* s = kSection;
    // Keys of a longer list written before must not come back as entries.
    int before = ReadProfileInt(s, "NumFiles", 0);
    WriteProfileInt(s, "CreateGroup", createGroup_);
    WriteProfileString(s, "Directory", directory_);
    WriteProfileString(s, "SaverName", saverName_);
    WriteProfileString(s, "Version", version_);
    WriteProfileString(s, "Publisher", publisher_);
    WriteProfileInt(s, "NumFiles", int(files_.size()));
    for (size_t i = 0; i < files_.size(); ++i) {
        WriteProfileString(s, Format("File%d", int(i)).c_str(), files_[i]);
        WriteProfileString(s, Format("ShortCut%d", int(i)).c_str(), shortcuts_[i]);
    }
    for (int i = int(files_.size()); i < before && i < kMaxDistributionFiles; ++i) {
        WritePrivateProfileStringA(s, Format("File%d", i).c_str(), nullptr, g_IniPath.c_str());
        WritePrivateProfileStringA(s, Format("ShortCut%d", i).c_str(), nullptr, g_IniPath.c_str());
    }
}

std::string CCreatePage::ControlText(int id) const {
    HWND c = Control(id);
    int n = c ? GetWindowTextLengthA(c) : 0;
    std::string text(size_t(n) + 1, '\0');
    if (n > 0) GetWindowTextA(c, &text[0], n + 1);
    text.resize(size_t(n > 0 ? n : 0));
    return text;
}

void CCreatePage::LoadControls() {
    if (!HasWindow()) return;
    SetDlgItemTextA(hwnd_, IDC_CREATE_NAME, saverName_.c_str());
    SetDlgItemTextA(hwnd_, IDC_CREATE_DIRECTORY, directory_.c_str());
    SetDlgItemTextA(hwnd_, IDC_CREATE_VERSION, version_.c_str());
    SetDlgItemTextA(hwnd_, IDC_CREATE_PUBLISHER, publisher_.c_str());
    CheckDlgButton(hwnd_, IDC_CREATE_GROUP, createGroup_ ? BST_CHECKED : BST_UNCHECKED);
    HWND list = Control(IDC_CREATE_FILES);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& f : files_) AppendRow(list, f);
    if (!files_.empty()) SendMessageA(list, LB_SETCURSEL, 0, 0);
    FitListWidth();
    ShowSelectedShortcut();
}

void CCreatePage::SaveControls() {
    if (!HasWindow()) return;
    saverName_ = ControlText(IDC_CREATE_NAME);
    directory_ = ControlText(IDC_CREATE_DIRECTORY);
    version_ = ControlText(IDC_CREATE_VERSION);
    publisher_ = ControlText(IDC_CREATE_PUBLISHER);
    createGroup_ = IsDlgButtonChecked(hwnd_, IDC_CREATE_GROUP) == BST_CHECKED ? 1 : 0;
    StoreShortcut();
}

std::string CCreatePage::TooltipText(int controlId) const {
    if (controlId == IDC_CREATE_IT && busy_) return kBusyTooltip;
    return CSheetPage::TooltipText(controlId);
}

bool CCreatePage::OnInit() {
    ReadDistribution();
    // Limits the fields can never usefully exceed; Validate names the exact rules.
    SendDlgItemMessageA(hwnd_, IDC_CREATE_NAME, EM_LIMITTEXT, 300, 0);
    SendDlgItemMessageA(hwnd_, IDC_CREATE_DIRECTORY, EM_LIMITTEXT, 300, 0);
    SendDlgItemMessageA(hwnd_, IDC_CREATE_VERSION, EM_LIMITTEXT, 16, 0);
    SendDlgItemMessageA(hwnd_, IDC_CREATE_PUBLISHER, EM_LIMITTEXT, kMaxPublisher, 0);
    SendDlgItemMessageA(hwnd_, IDC_CREATE_SHORTCUT, EM_LIMITTEXT, 300, 0);
    LoadControls();
    EnableWindow(Control(IDC_CREATE_TEST), FALSE);
    SetStatus(kIdleStatus);
    return true;
}

bool CCreatePage::OnPageMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    (void)lp;
    if (msg == kBuildFinishedMessage) {
        BuildFinished(int(wp));
        result = TRUE;
        return true;
    }
    if (msg == WM_DESTROY) {
        SaveControls();
        WriteDistribution();
    }
    return false;
}

bool CCreatePage::OnCommand(int id, int code, HWND ctl) {
    (void)ctl;
    switch (id) {
    case IDC_CREATE_ADD:
        if (code == BN_CLICKED) AddFile();
        return true;
    case IDC_CREATE_REMOVE:
        if (code == BN_CLICKED) RemoveFile();
        return true;
    case IDC_CREATE_FILES:
        if (code == LBN_SELCHANGE) ShowSelectedShortcut();
        return true;
    case IDC_CREATE_SHORTCUT:
        if (code == EN_KILLFOCUS) StoreShortcut();
        return true;
    case IDC_CREATE_BROWSE:
        if (code == BN_CLICKED) BrowseDirectory();
        return true;
    case IDC_CREATE_IT:
        if (code == BN_CLICKED) CreateOrCancel();
        return true;
    case IDC_CREATE_TEST:
        if (code == BN_CLICKED) Test();
        return true;
    }
    return false;
}

void CCreatePage::ShowSelectedShortcut() {
    int sel = int(SendDlgItemMessageA(hwnd_, IDC_CREATE_FILES, LB_GETCURSEL, 0, 0));
    const char* text = sel >= 0 && size_t(sel) < shortcuts_.size() ? shortcuts_[sel].c_str() : "";
    SetDlgItemTextA(hwnd_, IDC_CREATE_SHORTCUT, text);
}

void CCreatePage::StoreShortcut() {
    int sel = int(SendDlgItemMessageA(hwnd_, IDC_CREATE_FILES, LB_GETCURSEL, 0, 0));
    if (sel < 0 || size_t(sel) >= shortcuts_.size()) return;
    shortcuts_[sel] = ControlText(IDC_CREATE_SHORTCUT);
}

void CCreatePage::AddFile() {
    char path[MAX_PATH] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = "All Files (*.*)\0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = "Add a file to distribute";
    ofn.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_EXPLORER;
    if (!GetOpenFileNameA(&ofn)) return;
    std::string chosen = path;
    if (IsExecutableName(chosen)) {
        Application::Get().ShowWarning(
            "Executable files may not be distributed with your created screensaver.");
        return;
    }
    HWND list = Control(IDC_CREATE_FILES);
    LRESULT at = AppendRow(list, chosen);
    files_.push_back(chosen);
    shortcuts_.push_back(DefaultShortcut(chosen));
    SendMessageA(list, LB_SETCURSEL, WPARAM(at), 0);
    FitListWidth();
    ShowSelectedShortcut();
}

// Long paths can be scrolled into view.
void CCreatePage::FitListWidth() {
    HWND list = Control(IDC_CREATE_FILES);
    WindowDC dc(list);
    if (!dc.Get()) return;
    SelectGuard font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (const std::string& f : files_) {
        SIZE size = {};
        GetTextExtentPoint32A(dc.Get(), f.c_str(), int(f.size()), &size);
        if (size.cx > widest) widest = size.cx;
    }
    SendMessageA(list, LB_SETHORIZONTALEXTENT, WPARAM(widest + 4), 0);
}

void CCreatePage::RemoveFile() {
    HWND list = Control(IDC_CREATE_FILES);
    int sel = int(SendMessageA(list, LB_GETCURSEL, 0, 0));
    if (sel < 0 || size_t(sel) >= files_.size()) return;
    SendMessageA(list, LB_DELETESTRING, WPARAM(sel), 0);
    files_.erase(files_.begin() + sel);
    shortcuts_.erase(shortcuts_.begin() + sel);
    int count = int(files_.size());
    if (count > 0) SendMessageA(list, LB_SETCURSEL, WPARAM(sel < count ? sel : count - 1), 0);
    FitListWidth();
    ShowSelectedShortcut();
}

namespace {

// Opens the folder browser at the folder already typed.
int CALLBACK BrowseCallback(HWND w, UINT msg, LPARAM lp, LPARAM data) {
    (void)lp;
    if (msg == BFFM_INITIALIZED && data)
        SendMessageA(w, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

}  // namespace

void CCreatePage::BrowseDirectory() {
    std::string current = ControlText(IDC_CREATE_DIRECTORY);
    char chosen[MAX_PATH] = {};
    BROWSEINFOA bi = {};
    bi.hwndOwner = hwnd_;
    bi.pszDisplayName = chosen;
    bi.lpszTitle = "Select a directory for the screensaver";
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    bi.lpfn = BrowseCallback;
    bi.lParam = reinterpret_cast<LPARAM>(current.c_str());
    LPITEMIDLIST item = SHBrowseForFolderA(&bi);
    if (!item) return;
    char path[MAX_PATH] = {};
    bool ok = SHGetPathFromIDListA(item, path) != FALSE;
    CoTaskMemFree(item);
    if (ok && path[0]) SetDlgItemTextA(hwnd_, IDC_CREATE_DIRECTORY, path);
}

void CCreatePage::SetStatus(const char* text) {
    SetDlgItemTextA(hwnd_, IDC_CREATE_STATUS, text);
}

void CCreatePage::SetProgress(int pos) {
    SendDlgItemMessageA(hwnd_, IDC_CREATE_PROGRESS, PBM_SETPOS, WPARAM(pos), 0);
}

void CCreatePage::EnablePreview(bool on) {
    if (Sheet()) Sheet()->EnablePreview(on);
}

void CCreatePage::EnableOkCancel(bool on) {
    if (Sheet()) Sheet()->EnableOkCancel(on);
}

bool CCreatePage::Refuse(const std::string& message, int focusId) {
    Application::Get().ShowWarning(message);
    if (focusId) {
        HWND c = Control(focusId);
        SetFocus(c);
        SendMessageA(c, EM_SETSEL, 0, -1);
    }
    return false;
}

bool CCreatePage::Validate() {
    SaveControls();
    CreateFields fields{saverName_, directory_, version_, publisher_, files_};
    CreateCheck check = CheckCreateFields(fields, ProductName());
    saverName_ = fields.saverName;
    if (!check.ok()) {
        static const int focusOf[] = {0, IDC_CREATE_NAME, IDC_CREATE_DIRECTORY, IDC_CREATE_VERSION,
                                      IDC_CREATE_PUBLISHER, 0};
        return Refuse(check.message, focusOf[int(check.field)]);
    }
    Win32FileSystem fs;
    if (directory_.size() < 2 || !fs.CreateDirectories(directory_))
        return Refuse("Unable to create directory " + directory_, 0);
    SetDlgItemTextA(hwnd_, IDC_CREATE_NAME, saverName_.c_str());
    return true;
}

bool CCreatePage::Build() {
    Application& app = Application::Get();
    Win32FileSystem fs;
    std::string name = SaverBaseName(saverName_);
    // Everything the author changed goes into the settings first.
    if (Sheet()) Sheet()->SaveAllPages(true);
    SaveSettings();
    makeFilePath_ = JoinPath(directory_, name + ".dat");
    setupPath_ = JoinPath(directory_, name + ".exe");
    iniPath_ = JoinPath(directory_, name + ".ini");
    albumPath_ = JoinPath(directory_, name + ".alb");
    const std::string product = ProductName();
    std::string stub = JoinPath(g_InstallDir, "setup.ex_");
    if (!fs.FileExists(stub)) {
        app.ShowError(Format("A necessary file (%s) is missing.  You may have to re-install %s "
                             "to use the screensaver authoring tools.",
                             stub.c_str(), product.c_str()));
        return false;
    }
    if (fs.FileExists(setupPath_) &&
        !app.AskYesNo(setupPath_ + " already exists.  Replace existing file?"))
        return false;

    SetProgress(0);
    SetStatus("Initializing...");
    EnableWindow(Control(IDC_CREATE_IT), FALSE);
    SaverFileInput in;
    in.albumFile = g_Settings.options.AlbumFile;
    in.images = g_Settings.ImageList;
    in.sounds = g_Settings.SoundList;
    in.backgroundStyle = g_Settings.background.Style;
    in.backgroundImage = g_Settings.background.Image;
    // The runtime is the program beside this one, the kit's other files are in its folder.
    in.runtime = JoinPath(DirectoryPart(ModulePath()), product + ".scr");
    in.uninstaller = JoinPath(g_InstallDir, "Uninstall.exe");
    in.saverName = name;
    in.version = version_;
    in.iniPath = iniPath_;
    in.albumPath = albumPath_;
    in.files = files_;
    in.shortcuts = shortcuts_;
    SaverFilePlan plan;
    std::string fault = PlanSaverFiles(in, fs, plan);
    if (!fault.empty()) {
        app.ShowWarning(fault);
        return false;
    }

    SetStatus("Copying setup.ex_...");
    if (!fs.Copy(stub, setupPath_)) {
        app.ShowError("Unable to copy " + stub + "!");
        return false;
    }
    // From here on a failure takes back what was written: a copy of the stub
    // without its package is no setup program.
    bool ok = false;
    std::vector<uint8_t> kitIni;
    std::string kitIniPath = JoinPath(g_InstallDir, product + ".ini");
    if (!fs.WriteFile(albumPath_, EncodeAlbum(plan.albumImages, plan.albumSounds))) {
        app.ShowWarning("Unable to create album file " + albumPath_);
    } else if (fs.ReadFile(kitIniPath, kitIni) != ReadResult::Ok ||
               !fs.WriteFile(iniPath_, Bytes(EditSaverSettings(
                                           std::string(kitIni.begin(), kitIni.end()),
                                           plan.backgroundName)))) {
        app.ShowError("Unable to create " + iniPath_ + "!");
    } else if (!WriteMakeFile(plan.lines)) {
        // WriteMakeFile has said why.
    } else {
        writer_.SetMakeFile(makeFilePath_);
        ok = writer_.Start(hwnd_, Control(IDC_CREATE_PROGRESS), Control(IDC_CREATE_STATUS));
    }
    if (!ok) {
        for (const std::string* p : {&setupPath_, &makeFilePath_, &iniPath_, &albumPath_})
            fs.Remove(*p);
        return false;
    }
    SetDlgItemTextA(hwnd_, IDC_CREATE_IT, kCancelText);
    EnableWindow(Control(IDC_CREATE_IT), TRUE);
    EnablePreview(false);
    EnableOkCancel(false);
    EnableWindow(Control(IDC_CREATE_TEST), FALSE);
    busy_ = 1;
    return true;
}

bool CCreatePage::WriteMakeFile(const std::vector<std::string>& lines) {
    SaverFields f;
    f.directory = directory_;
    f.name = SaverBaseName(saverName_);
    f.version = version_;
    f.publisher = publisher_;
    f.year = CurrentYear();
    f.createGroup = createGroup_ != 0;
    ScopedHandle file(CreateFileA(makeFilePath_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        Application::Get().ShowWarning("Unable to create make file " + makeFilePath_);
        return false;
    }
    std::vector<uint8_t> bytes = EncodeMakeRecord(MakeSaverRecord(f, lines));
    DWORD put = 0;
    if (!WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &put, nullptr) ||
        put != bytes.size()) {
        Application::Get().ShowWarning("Unable to write configuration data to " + makeFilePath_);
        return false;
    }
    return true;
}

void CCreatePage::CreateOrCancel() {
    if (busy_) {
        if (!Application::Get().AskYesNo("File compression in progress.  Abort?")) return;
        if (!busy_) return;  // the build ended while the question was open
        EnableWindow(Control(IDC_CREATE_IT), FALSE);
        if (!writer_.Abort()) Application::Get().ShowError("Unable to abort file compression");
        return;
    }
    if (Validate() && !Build()) {
        SetProgress(0);
        SetStatus("Screensaver setup program not created");
        EnableWindow(Control(IDC_CREATE_IT), TRUE);
    }
}

void CCreatePage::BuildFinished(int result) {
    busy_ = 0;
    if (result == kBuildDone) {
        MessageBeep(MB_ICONASTERISK);
        SetStatus("Finish...Click on Test to run your screensaver setup program");
        EnableWindow(Control(IDC_CREATE_TEST), TRUE);
    } else {
        SetStatus(result == kBuildAborted ? "Screensaver creation aborted."
                                          : "Fail to create screensaver");
        SetProgress(0);
    }
    DeleteFileA(makeFilePath_.c_str());
    DeleteFileA(iniPath_.c_str());
    DeleteFileA(albumPath_.c_str());
    EnableWindow(Control(IDC_CREATE_IT), TRUE);
    SetDlgItemTextA(hwnd_, IDC_CREATE_IT, kCreateText);
    EnablePreview(true);
    EnableOkCancel(true);
}

void CCreatePage::Test() {
    if (!Validate()) return;
    std::string setup = JoinPath(directory_, SaverBaseName(saverName_) + ".exe");
    if (FileExists(setup)) {
        ShellExecuteA(hwnd_, nullptr, setup.c_str(), nullptr, nullptr, SW_SHOW);
        return;
    }
    Application::Get().ShowWarning(
        setup + " has not been created.  Click on Create It to create your screensaver.");
}
