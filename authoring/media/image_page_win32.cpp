#include "authoring/media/image_page_win32.h"

#include <commdlg.h>

#include <cstring>

#include "app/album.h"
#include "app/settings.h"
#include "app/settings_win32.h"
#include "authoring/media/image_file_dialog_win32.h"
#include "authoring/media/media_lists.h"
#include "authoring/media/media_page_util_win32.h"
#include "authoring/media/media_resource.h"
#include "authoring/setup_sheet_win32.h"
#include "win32/application.h"

namespace {

constexpr UINT kImageFilterString = 57345;
// Room for the names of a large selection; the dialog warns beyond it.
constexpr size_t kNameRoom = 32000;
const char kClearQuestion[] = "This will remove all items from the list. Continue?";

const int kPositionButtons[] = {IDC_CAPTION_TOP, IDC_CAPTION_CENTER, IDC_CAPTION_BOTTOM,
                                IDC_CAPTION_DISABLE};
const int kOptionChecks[] = {IDC_IMAGE_PREVIEW_CHECK, IDC_FILENAME_CAPTION, IDC_REDUCE_256,
                             IDC_GRAYSCALE};

// The caption font as the saver builds it: the stored members, every other 0.
LOGFONTA CaptionLogFont() {
    const Settings::Caption& c = g_Settings.caption;
    LOGFONTA lf = {};
    lf.lfHeight = c.FontHeight;
    lf.lfItalic = c.FontItalic;
    lf.lfUnderline = c.FontUnderline;
    lf.lfStrikeOut = c.FontStrikeOut;
    lf.lfCharSet = c.FontCharSet;
    strncpy(lf.lfFaceName, c.FontFaceName.c_str(), LF_FACESIZE - 1);
    return lf;
}

}  // namespace

CImagePage::CImagePage() : CSheetPage(IDD_IMAGES_PAGE) {}
CImagePage::~CImagePage() = default;

bool CImagePage::OnInit() {
    HWND placeholder = Control(IDC_IMAGE_PLACEHOLDER);
    RECT r = {0, 0, 0, 0};
    if (placeholder) {
        GetWindowRect(placeholder, &r);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    }
    preview_.Create(r, hwnd_, IDC_IMAGE_PREVIEW_AREA);
    // The area takes the placeholder's place in the tab order.
    if (placeholder)
        SetWindowPos(preview_.Handle(), placeholder, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    LoadControls();
    return true;
}

void CImagePage::LoadControls() {
    std::vector<std::string> rows;
    captions_.clear();
    for (const std::string& entry : g_Settings.ImageList) {
        rows.push_back(EntryPath(entry));
        captions_.push_back(EntryCaption(entry));
    }
    FillList(rows);
    for (int id : kOptionChecks) CheckDlgButton(hwnd_, id, IsOptionOn(id) ? BST_CHECKED : 0);
    int position = g_Settings.caption.Position;
    if (position < 0 || position > 3) position = 3;
    CheckRadioButton(hwnd_, IDC_CAPTION_TOP, IDC_CAPTION_DISABLE, kPositionButtons[position]);
    ShowCaptionOf(-1);
    preview_.Clear();
    UpdateButtons();
}

void CImagePage::SaveControls() {
    CommitCaption();
    std::vector<std::string> rows = Rows();
    captions_.resize(rows.size());
    g_Settings.ImageList.clear();
    for (size_t i = 0; i < rows.size(); ++i)
        g_Settings.ImageList.push_back(MakeImageEntry(rows[i], captions_[i]));
    for (int id : kOptionChecks) SetOption(id, IsDlgButtonChecked(hwnd_, id) == BST_CHECKED);
    for (int p = 0; p < 4; ++p)
        if (IsDlgButtonChecked(hwnd_, kPositionButtons[p]) == BST_CHECKED)
            g_Settings.caption.Position = p;
}

std::vector<std::string> CImagePage::Rows() const { return media::ListRows(List()); }

std::vector<int> CImagePage::Selected() const { return media::SelectedRows(List()); }

void CImagePage::FillList(const std::vector<std::string>& rows) {
    media::FillListBox(List(), rows);
}

void CImagePage::UpdateButtons() {
    std::vector<int> sel = Selected();
    int count = int(SendMessageA(List(), LB_GETCOUNT, 0, 0));
    EnableWindow(Control(IDC_IMAGE_REMOVE), !sel.empty());
    EnableWindow(Control(IDC_IMAGE_CLEAR), count > 0);
    bool captionable = false;
    if (!sel.empty()) {
        std::vector<std::string> rows = Rows();
        captionable = sel[0] < int(rows.size()) && !media::IsDirectoryRow(rows[size_t(sel[0])]);
    }
    EnableWindow(Control(IDC_CAPTION_EDIT), captionable);
    if (Sheet()) Sheet()->EnablePreview(count > 0);
}

void CImagePage::ShowCaptionOf(int row) {
    captionRow_ = row;
    captionEdited_ = false;
    std::string text;
    if (row >= 0 && row < int(captions_.size())) text = media::CaptionEditText(captions_[size_t(row)]);
    settingCaption_ = true;
    SetDlgItemTextA(hwnd_, IDC_CAPTION_EDIT, text.c_str());
    settingCaption_ = false;
}

void CImagePage::CommitCaption() {
    if (captionRow_ < 0 || captionRow_ >= int(captions_.size()) || !HasWindow()) return;
    char buf[1024] = "";
    GetDlgItemTextA(hwnd_, IDC_CAPTION_EDIT, buf, sizeof buf);
    std::string caption;
    if (media::CaptionFromEdit(buf, captionEdited_, &caption)) {
        if (captions_[size_t(captionRow_)] != caption) SetModified();
        captions_[size_t(captionRow_)] = caption;
    }
    captionEdited_ = false;
}

void CImagePage::OnSelectionChange() {
    CommitCaption();
    UpdateButtons();
    std::vector<int> sel = Selected();
    std::vector<std::string> rows = Rows();
    if (sel.empty() || sel[0] >= int(rows.size())) {
        ShowCaptionOf(-1);
        return;
    }
    // The edit always speaks of the first selected row, so that what the author
    // types lands on the row it was shown for.
    bool directory = media::IsDirectoryRow(rows[size_t(sel[0])]);
    ShowCaptionOf(directory ? -1 : sel[0]);
    ShowSelectedPreview();
}

void CImagePage::ShowSelectedPreview() {
    if (IsDlgButtonChecked(hwnd_, IDC_IMAGE_PREVIEW_CHECK) != BST_CHECKED) return;
    std::vector<int> sel = Selected();
    std::vector<std::string> rows = Rows();
    if (sel.empty() || sel[0] >= int(rows.size())) return;
    const std::string& row = rows[size_t(sel[0])];
    if (media::IsDirectoryRow(row)) return;
    HCURSOR old = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    preview_.Show(media::AbsoluteEntryPath(row, media::AlbumDirectory(g_Settings.options.AlbumFile)));
    SetCursor(old);
}

bool CImagePage::OnCommand(int id, int code, HWND) {
    switch (id) {
    case IDC_IMAGE_LIST:
        if (code == LBN_SELCHANGE) OnSelectionChange();
        return code == LBN_SELCHANGE;
    case IDC_CAPTION_EDIT:
        if (code == EN_SETFOCUS) {
            SendMessageA(Control(IDC_CAPTION_EDIT), EM_SETSEL, 0, -1);
            SendMessageA(Control(IDC_CAPTION_EDIT), EM_SCROLLCARET, 0, 0);
        } else if (code == EN_CHANGE && !settingCaption_) {
            captionEdited_ = true;
            SetModified();
        } else if (code == EN_KILLFOCUS) {
            CommitCaption();
        }
        return true;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_IMAGE_ADD:
        OnAdd();
        return true;
    case IDC_IMAGE_REMOVE:
        OnRemove();
        return true;
    case IDC_IMAGE_CLEAR:
        OnClear();
        return true;
    case IDC_CAPTION_FONT:
        OnSelectFont();
        return true;
    case IDC_IMAGE_PREVIEW_CHECK:
        SetModified();
        if (IsDlgButtonChecked(hwnd_, IDC_IMAGE_PREVIEW_CHECK) == BST_CHECKED)
            ShowSelectedPreview();
        else
            preview_.Clear();
        return true;
    case IDC_FILENAME_CAPTION:
    case IDC_REDUCE_256:
    case IDC_GRAYSCALE:
    case IDC_CAPTION_TOP:
    case IDC_CAPTION_CENTER:
    case IDC_CAPTION_BOTTOM:
    case IDC_CAPTION_DISABLE:
        SetModified();
        return true;
    }
    return false;
}

void CImagePage::OnAdd() {
    CommitCaption();
    std::string filter = media::DialogFilter(kImageFilterString);
    CImageFileDialog dlg(true, nullptr, nullptr,
                         OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST |
                             OFN_PATHMUSTEXIST,
                         filter.c_str());
    dlg.SetInitialDir(g_Settings.options.LastImageDir);
    dlg.SetTitle("Select image files or directories");
    dlg.SetBufferSize(kNameRoom);
    dlg.allowDirectories = true;
    std::vector<std::string> rows = Rows();
    if (media::AddDialogPicks(dlg, hwnd_, rows, g_Settings.options.LastImageDir, "LastImageDir") >
        0) {
        FillList(rows);
        SetModified();
    }
    captions_.resize(rows.size());
    if (Sheet()) Sheet()->EnableSaveAlbumAs(true);
    ShowCaptionOf(-1);
    UpdateButtons();
}

void CImagePage::OnRemove() {
    CommitCaption();
    std::vector<int> sel = Selected();
    media::DeleteListRows(List(), sel);
    media::RemoveRows(captions_, sel);
    ShowCaptionOf(-1);
    SetModified();
    if (Sheet()) Sheet()->EnableSaveAlbumAs(true);
    UpdateButtons();
}

void CImagePage::OnClear() {
    if (!Application::Get().AskYesNo(kClearQuestion)) return;
    FillList({});
    captions_.clear();
    ShowCaptionOf(-1);
    preview_.Clear();
    SetModified();
    UpdateButtons();
    if (Sheet()) Sheet()->EnableSaveAlbumAs(true);
}

void CImagePage::OnSelectFont() {
    LOGFONTA lf = CaptionLogFont();
    CHOOSEFONTA cf = {};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = hwnd_;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    cf.rgbColors = COLORREF(g_Settings.caption.ForeColor);
    if (!ChooseFontA(&cf)) return;
    Settings::Caption& c = g_Settings.caption;
    c.FontHeight = lf.lfHeight;
    c.FontItalic = lf.lfItalic ? 1 : 0;
    c.FontUnderline = lf.lfUnderline ? 1 : 0;
    c.FontStrikeOut = lf.lfStrikeOut ? 1 : 0;
    c.FontCharSet = lf.lfCharSet;
    lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    c.FontFaceName = lf.lfFaceName;
    c.ForeColor = int32_t(cf.rgbColors);
    SetModified();
}
