#include "authoring/media/sound_page_win32.h"

#include <commctrl.h>
#include <commdlg.h>

#include "app/settings.h"
#include "app/settings_win32.h"
#include "authoring/media/media_lists.h"
#include "authoring/media/media_page_util_win32.h"
#include "authoring/media/media_resource.h"
#include "authoring/media/sound_file_dialog_win32.h"
#include "authoring/setup_sheet_win32.h"
#include "win32/application.h"

namespace {
constexpr UINT kSoundFilterString = 57346;
constexpr size_t kNameRoom = 32000;
constexpr UINT kStartPreview = WM_APP + 0x60;
const char kClearQuestion[] = "This will remove all items from the list. Continue?";
}  // namespace

CSoundPage::CSoundPage() : CSheetPage(IDD_SOUNDS_PAGE) {}

CSoundPage::~CSoundPage() { player_.Stop(); }

bool CSoundPage::OnInit() {
    HWND families = Control(IDC_INSTRUMENTS);
    SendMessageA(families, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    RECT r;
    GetClientRect(families, &r);
    column.cx = r.right - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageA(families, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    for (int i = 0; i < media::kInstrumentFamilies; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<char*>(media::kInstrumentFamilyNames[i]);
        SendMessageA(families, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    player_.AttachDisplay(hwnd_, IDC_PLAYER_PLACEHOLDER, IDC_SOUND_STATUS);
    player_.SetEndTarget(hwnd_, kSoundEndMessage);
    LoadControls();
    // The first row plays once the page is made: opening a device lets other
    // messages through, and a sheet still making this page would make it again.
    if (SendMessageA(List(), LB_GETCOUNT, 0, 0) > 0) PostMessageA(hwnd_, kStartPreview, 0, 0);
    return true;
}

bool CSoundPage::PreviewOn() const {
    return IsDlgButtonChecked(hwnd_, IDC_SOUND_PREVIEW_CHECK) == BST_CHECKED;
}

void CSoundPage::LoadControls() {
    CheckDlgButton(hwnd_, IDC_SOUND_PREVIEW_CHECK,
                   IsOptionOn(IDC_SOUND_PREVIEW_CHECK) ? BST_CHECKED : 0);
    media::FillListBox(List(), g_Settings.SoundList);
    SetFamilies(g_Settings.options.InstrumentString);
    UpdateButtons();
}

void CSoundPage::SaveControls() {
    g_Settings.SoundList = Rows();
    SetOption(IDC_SOUND_PREVIEW_CHECK, PreviewOn());
    g_Settings.options.InstrumentString = media::InstrumentString(Families());
}

std::vector<std::string> CSoundPage::Rows() const { return media::ListRows(List()); }

void CSoundPage::SetFamilies(const std::string& pattern) {
    std::vector<bool> checks = media::InstrumentChecks(pattern);
    HWND families = Control(IDC_INSTRUMENTS);
    for (int i = 0; i < media::kInstrumentFamilies; ++i) {
        LVITEMA item = {};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(checks[size_t(i)] ? 2 : 1);
        SendMessageA(families, LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(&item));
    }
}

std::vector<bool> CSoundPage::Families() const {
    std::vector<bool> checks;
    HWND families = Control(IDC_INSTRUMENTS);
    for (int i = 0; i < media::kInstrumentFamilies; ++i) {
        UINT state = UINT(SendMessageA(families, LVM_GETITEMSTATE, WPARAM(i), LVIS_STATEIMAGEMASK));
        checks.push_back(((state & LVIS_STATEIMAGEMASK) >> 12) == 2);
    }
    return checks;
}

void CSoundPage::UpdateButtons() {
    EnableWindow(Control(IDC_SOUND_REMOVE), !media::SelectedRows(List()).empty());
    EnableWindow(Control(IDC_SOUND_CLEAR), SendMessageA(List(), LB_GETCOUNT, 0, 0) > 0);
}

void CSoundPage::PlayFromIndex() {
    if (!PreviewOn()) return;
    std::vector<std::string> rows = Rows();
    int row = media::NextPreviewRow(rows, playIndex_);
    if (row < 0) return;
    playIndex_ = row;
    std::string path = media::AbsoluteEntryPath(
        rows[size_t(row)], media::AlbumDirectory(g_Settings.options.AlbumFile));
    // A file the preview does not play ends the chain here: nothing starts.
    player_.Preview(path);
}

bool CSoundPage::OnPageMessage(UINT msg, WPARAM, LPARAM, INT_PTR& result) {
    switch (msg) {
    case kStartPreview:
        playIndex_ = 0;
        PlayFromIndex();
        result = 0;
        return true;
    case kSoundEndMessage:
        ++playIndex_;
        PlayFromIndex();
        result = 0;
        return true;
    case WM_DESTROY:
        player_.Stop();
        return false;
    }
    return false;
}

bool CSoundPage::OnCommand(int id, int code, HWND) {
    if (id == IDC_SOUND_LIST) {
        if (code != LBN_SELCHANGE) return false;
        UpdateButtons();
        std::vector<int> sel = media::SelectedRows(List());
        if (!sel.empty()) {
            playIndex_ = sel[0];
            PlayFromIndex();
        }
        return true;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_SOUND_ADD:
        OnAdd();
        return true;
    case IDC_SOUND_REMOVE:
        OnRemove();
        return true;
    case IDC_SOUND_CLEAR:
        OnClear();
        return true;
    case IDC_SOUND_PREVIEW_CHECK: {
        SetModified();
        std::vector<int> sel = media::SelectedRows(List());
        if (!PreviewOn()) {
            player_.StopButton();
        } else if (!sel.empty()) {
            playIndex_ = sel[0];
            PlayFromIndex();
        }
        return true;
    }
    case IDC_INSTRUMENTS_ALL:
        SetFamilies(std::string(media::kInstrumentFamilies, '1'));
        SetModified();
        return true;
    case IDC_INSTRUMENTS_NONE:
        SetFamilies(std::string(media::kInstrumentFamilies, '0'));
        SetModified();
        return true;
    case IDC_INSTRUMENTS_DEFAULTS:
        SetFamilies(kDefaultInstrumentString);
        SetModified();
        return true;
    }
    return false;
}

void CSoundPage::OnAdd() {
    player_.StopButton();
    std::string filter = media::DialogFilter(kSoundFilterString);
    CSoundFileDialog dlg(true, nullptr, nullptr,
                         OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST |
                             OFN_PATHMUSTEXIST,
                         filter.c_str());
    dlg.SetInitialDir(g_Settings.options.LastSoundDir);
    dlg.SetTitle("Select sound files or directories");
    dlg.SetBufferSize(kNameRoom);
    std::vector<std::string> rows = Rows();
    if (media::AddDialogPicks(dlg, hwnd_, rows, g_Settings.options.LastSoundDir, "LastSoundDir") >
        0) {
        media::FillListBox(List(), rows);
        SetModified();
    }
    if (Sheet()) Sheet()->EnableSaveAlbumAs(true);
    UpdateButtons();
}

void CSoundPage::OnRemove() {
    media::DeleteListRows(List(), media::SelectedRows(List()));
    SetModified();
    UpdateButtons();
    if (Sheet()) Sheet()->EnableSaveAlbumAs(true);
}

void CSoundPage::OnClear() {
    if (!Application::Get().AskYesNo(kClearQuestion)) return;
    media::FillListBox(List(), {});
    SetModified();
    UpdateButtons();
    if (Sheet()) Sheet()->EnableSaveAlbumAs(true);
}
