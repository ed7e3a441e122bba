#include "authoring/main_page_win32.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdlib>

#include "app/app_info.h"
#include "app/settings.h"
#include "app/settings_win32.h"
#include "authoring/authoring_ids.h"
#include "authoring/setup_sheet_win32.h"
#include "common/paths.h"
#include "win32/application.h"

#if defined(PLINTHAR_WITH_IMAGE_DIALOG) && __has_include("authoring/media/image_file_dialog_win32.h")
#include "authoring/media/image_file_dialog_win32.h"
#define USE_IMAGE_DIALOG 1
#endif


namespace {

// The check boxes of the page, each carrying CheckString position id - 10000.
const int kChecks[] = {IDC_SHOW_SPRITES,  IDC_ENABLE_SLIDESHOW, IDC_ENABLE_SOUND,
                       IDC_SHUFFLE_SOUND, IDC_SHOW_KEYBOARD,    IDC_ALPHABETICAL,
                       IDC_RANDOM,        IDC_USE_IMAGE,        IDC_TILE_IMAGE,
                       IDC_TERMINATE,     IDC_CYCLE_SPRITES,    IDC_RANDOM_FRAME};
const int kStyles[] = {IDC_STYLE_TILE, IDC_STYLE_FULL, IDC_STYLE_DESKTOP};
const char* const kKeyboardSizes[] = {"Small", "Medium", "Large", "Custom size..."};
const char* const kKeyboardPositions[] = {"Floating", "Top", "Middle", "Bottom"};

const char kResetQuestion[] = "This will restore parameters to their original values.  Continue?";

struct Spin {
    int spin, low, high, fallback;
};
const Spin kCountSpin = {IDC_COUNT_SPIN, 1, 50, 5};
const Spin kBoundsSpin = {IDC_BOUNDS_SPIN, 100, 500, 100};
const Spin kDurationSpin = {IDC_DURATION_SPIN, 1, 60, 2};

// The keyboard's custom size: two whole numbers in their ranges.
class CKeyboardSizeDialog : public CDialog {
  public:
    int width, height;
    CKeyboardSizeDialog(int w, int h) : width(w), height(h) {}

  protected:
    bool OnInit() override {
        SetDlgItemInt(hwnd_, IDC_KEYBOARD_WIDTH, UINT(width), TRUE);
        SetDlgItemInt(hwnd_, IDC_KEYBOARD_HEIGHT, UINT(height), TRUE);
        return true;
    }
    void OnOK() override {
        int w, h;
        if (!Read(IDC_KEYBOARD_WIDTH, 200, 1600, w) || !Read(IDC_KEYBOARD_HEIGHT, 50, 1200, h))
            return;
        width = w;
        height = h;
        EndDialog(hwnd_, IDOK);
    }

  private:
    // A field outside its range is refused and keeps the focus.
    bool Read(int id, int low, int high, int& out) {
        char text[32] = {};
        GetDlgItemTextA(hwnd_, id, text, sizeof text);
        char* end = nullptr;
        long v = std::strtol(text, &end, 10);
        while (end && (*end == ' ' || *end == '\t')) ++end;
        if (end == text || !end || *end != 0 || v < low || v > high) {
            MessageBoxA(hwnd_, Format("Please enter an integer between %d and %d.", low, high).c_str(),
                        Application::Get().Title().c_str(), MB_OK | MB_ICONEXCLAMATION);
            HWND field = GetDlgItem(hwnd_, id);
            SetFocus(field);
            SendMessageA(field, EM_SETSEL, 0, -1);
            return false;
        }
        out = int(v);
        return true;
    }
};

class CAboutDialog : public CDialog {
  protected:
    bool OnInit() override {
        const AppInfo& info = g_AppInfo;
        std::string name = info.AppName.empty() ? kProductName : info.AppName;
        SetDlgItemTextA(hwnd_, IDC_ABOUT_NAME,
                        Format("%s Version %s", name.c_str(), info.Version.c_str()).c_str());
        std::string company = info.Company.empty() ? kMakerName : info.Company;
        // The kit carries no record of its own: its year is the year it was built.
        unsigned year = info.Year ? unsigned(info.Year) : unsigned(std::atoi(__DATE__ + 7));
        SetDlgItemTextA(hwnd_, IDC_ABOUT_COPYRIGHT,
                        Format("Copyright \xA9 %u %s", year, company.c_str()).c_str());
        return true;
    }
};

}  // namespace

ColorValue BackgroundColorValue(const Settings& s) {
    ColorValue v;
    v.color = s.background.GradientColor1;
    v.color2 = s.background.GradientColor2;
    v.brightness = s.background.GradientBrightness;
    v.flag = s.background.GradientFlag;
    return v;
}

ColorValue KeyboardColorValue(const Settings& s) {
    ColorValue v;
    v.color = s.keyboard.GradientColor1;
    v.color2 = s.keyboard.GradientColor2;
    v.brightness = s.keyboard.GradientBrightness;
    v.flag = s.keyboard.GradientFlag;
    return v;
}

void StoreBackgroundColor(Settings& s, const ColorValue& v) {
    s.background.GradientColor1 = v.color;
    s.background.GradientColor2 = v.color2;
    s.background.GradientBrightness = uint16_t(v.brightness);
    s.background.GradientFlag = v.flag;
}

void StoreKeyboardColor(Settings& s, const ColorValue& v) {
    s.keyboard.GradientColor1 = v.color;
    s.keyboard.GradientColor2 = v.color2;
    s.keyboard.GradientBrightness = uint16_t(v.brightness);
    s.keyboard.GradientFlag = v.flag;
}

CMainPage::CMainPage() : CSheetPage(IDD_OPTIONS_PAGE) {}

bool CMainPage::OnInit() {
    background_.Attach(hwnd_, IDC_BACK_COLOR);
    keyboard_.Attach(hwnd_, IDC_KEYBOARD_COLOR);
    SendDlgItemMessageA(hwnd_, IDC_SPEED, TBM_SETRANGE, TRUE, MAKELPARAM(0, 20));
    for (const Spin& s : {kCountSpin, kBoundsSpin, kDurationSpin})
        SendDlgItemMessageA(hwnd_, s.spin, UDM_SETRANGE, 0, MAKELPARAM(s.high, s.low));
    UDACCEL step = {0, 50};
    SendDlgItemMessageA(hwnd_, kBoundsSpin.spin, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&step));
    for (const char* s : kKeyboardSizes)
        SendDlgItemMessageA(hwnd_, IDC_KEYBOARD_SIZE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    for (const char* s : kKeyboardPositions)
        SendDlgItemMessageA(hwnd_, IDC_KEYBOARD_POSITION, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(s));
    LoadControls();
    return true;
}

int CMainPage::SpinValue(int spin, int fallback) const {
    LRESULT r = SendDlgItemMessageA(hwnd_, spin, UDM_GETPOS, 0, 0);
    // Above 0xFFFF the control reports that its buddy holds no valid number.
    return DWORD(r) > 0xFFFF ? fallback : int(LOWORD(r));
}

void CMainPage::ShowImageName() {
    const std::string& image = g_Settings.background.Image;
    std::string text = image.empty() ? "(None)" : "(" + FileNamePart(image) + ")";
    SetDlgItemTextA(hwnd_, IDC_IMAGE_NAME, text.c_str());
}

void CMainPage::LoadControls() {
    if (!HasWindow()) return;
    loading_ = true;
    const Settings& s = g_Settings;
    for (int id : kChecks)
        CheckDlgButton(hwnd_, id, IsOptionOn(s, id) ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageA(hwnd_, IDC_KEYBOARD_SIZE, CB_SETCURSEL, WPARAM(s.keyboard.Size), 0);
    SendDlgItemMessageA(hwnd_, IDC_KEYBOARD_POSITION, CB_SETCURSEL, WPARAM(s.keyboard.Position), 0);
    background_.SetValue(BackgroundColorValue(s));
    keyboard_.SetValue(KeyboardColorValue(s));
    for (int i = 0; i < 3; ++i)
        CheckDlgButton(hwnd_, kStyles[i], s.background.Style == i ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageA(hwnd_, IDC_SPEED, TBM_SETPOS, TRUE, LPARAM(s.floats.Speed));
    SendDlgItemMessageA(hwnd_, kCountSpin.spin, UDM_SETPOS, 0, MAKELPARAM(s.floats.Count, 0));
    SendDlgItemMessageA(hwnd_, kBoundsSpin.spin, UDM_SETPOS, 0, MAKELPARAM(s.floats.Bounds, 0));
    SendDlgItemMessageA(hwnd_, kDurationSpin.spin, UDM_SETPOS, 0, MAKELPARAM(s.floats.Duration, 0));
    ShowImageName();
    loading_ = false;
}

void CMainPage::SaveControls() {
    if (!HasWindow()) return;
    Settings& s = g_Settings;
    for (int id : kChecks) SetOption(s, id, IsDlgButtonChecked(hwnd_, id) == BST_CHECKED ? 1 : 0);
    LRESULT size = SendDlgItemMessageA(hwnd_, IDC_KEYBOARD_SIZE, CB_GETCURSEL, 0, 0);
    LRESULT position = SendDlgItemMessageA(hwnd_, IDC_KEYBOARD_POSITION, CB_GETCURSEL, 0, 0);
    if (size != CB_ERR) s.keyboard.Size = int16_t(size);
    if (position != CB_ERR) s.keyboard.Position = int16_t(position);
    StoreBackgroundColor(s, background_.Value());
    StoreKeyboardColor(s, keyboard_.Value());
    for (int i = 0; i < 3; ++i)
        if (IsDlgButtonChecked(hwnd_, kStyles[i]) == BST_CHECKED) s.background.Style = i;
    s.floats.Speed = uint16_t(SendDlgItemMessageA(hwnd_, IDC_SPEED, TBM_GETPOS, 0, 0));
    s.floats.Count = uint16_t(SpinValue(kCountSpin.spin, kCountSpin.fallback));
    s.floats.Bounds = uint16_t(SpinValue(kBoundsSpin.spin, kBoundsSpin.fallback));
    s.floats.Duration = uint16_t(SpinValue(kDurationSpin.spin, kDurationSpin.fallback));
}

bool CMainPage::OnCommand(int id, int code, HWND) {
    if ((id >= IDC_SHOW_SPRITES && id <= IDC_TILE_IMAGE) || id == IDC_CYCLE_SPRITES ||
        id == IDC_TERMINATE || id == IDC_RANDOM_FRAME) {
        if (code != BN_CLICKED) return false;
        SetModified();
        // Alphabetical and random order exclude each other; both may be off.
        if ((id == IDC_ALPHABETICAL || id == IDC_RANDOM) && IsDlgButtonChecked(hwnd_, id) == BST_CHECKED)
            CheckDlgButton(hwnd_, id == IDC_ALPHABETICAL ? IDC_RANDOM : IDC_ALPHABETICAL, BST_UNCHECKED);
        return true;
    }
    switch (id) {
    case IDC_STYLE_TILE:
    case IDC_STYLE_FULL:
    case IDC_STYLE_DESKTOP:
        if (code == BN_CLICKED) SetModified();
        return true;
    case IDC_COUNT_EDIT:
    case IDC_BOUNDS_EDIT:
    case IDC_DURATION_EDIT:
        if (code == EN_CHANGE && !loading_) SetModified();
        return true;
    case IDC_KEYBOARD_SIZE:
    case IDC_KEYBOARD_POSITION:
        if (code == CBN_SELCHANGE) {
            SetModified();
            if (id == IDC_KEYBOARD_SIZE &&
                SendDlgItemMessageA(hwnd_, id, CB_GETCURSEL, 0, 0) == 3)
                CustomKeyboardSize();
        }
        return true;
    case IDC_SELECT_IMAGE:
        if (code == BN_CLICKED) SelectImage();
        return true;
    case IDC_RESET_DEFAULTS:
        if (code == BN_CLICKED && Application::Get().AskYesNo(kResetQuestion) && Sheet())
            Sheet()->ResetAllPages();
        return true;
    case IDC_ABOUT:
        if (code == BN_CLICKED) {
            CAboutDialog about;
            about.DoModal(Application::Get().Instance(), IDD_ABOUT, hwnd_);
        }
        return true;
    }
    return false;
}

bool CMainPage::OnNotify(int id, NMHDR* hdr, LRESULT&) {
    if (hdr->code == CColorPicker::kColorChanged && (id == IDC_BACK_COLOR || id == IDC_KEYBOARD_COLOR)) {
        SetModified();
        return true;
    }
    return false;
}

bool CMainPage::OnPageMessage(UINT msg, WPARAM, LPARAM lp, INT_PTR&) {
    if (msg == WM_HSCROLL && reinterpret_cast<HWND>(lp) == GetDlgItem(hwnd_, IDC_SPEED)) {
        SetModified();
        return false;
    }
    return false;
}

void CMainPage::CustomKeyboardSize() {
    Settings::Keyboard& k = g_Settings.keyboard;
    k.Width = std::max<int32_t>(k.Width, 200);
    k.Height = std::max<int32_t>(k.Height, 50);
    CKeyboardSizeDialog dialog(k.Width, k.Height);
    if (dialog.DoModal(Application::Get().Instance(), IDD_KEYBOARD_SIZE, hwnd_) == IDOK) {
        k.Width = dialog.width;
        k.Height = dialog.height;
    }
}

void CMainPage::SelectImage() {
    Settings::Options& o = g_Settings.options;
    std::string filter = Application::Get().LoadText(57345);
    char file[512] = {};
    lstrcpynA(file, g_Settings.background.Image.c_str(), 501);
    std::string chosen;
#ifdef USE_IMAGE_DIALOG
    CImageFileDialog dialog(true, nullptr, file, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST,
                            filter.c_str());
    dialog.SetInitialDir(o.LastImageDir);
    dialog.SetTitle("Select the background image");
    if (dialog.DoModal(hwnd_) == IDOK) chosen = dialog.PathName();
#else
    std::replace(filter.begin(), filter.end(), '|', '\0');
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = o.LastImageDir.c_str();
    ofn.lpstrTitle = "Select the background image";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (GetOpenFileNameA(&ofn)) chosen = file;
#endif
    if (chosen.empty()) return;
    g_Settings.background.Image = chosen;
    ShowImageName();
    o.LastImageDir = DirectoryPart(chosen) + "\\";
    WriteProfileString("Options", "LastImageDir", o.LastImageDir);
    SetModified();
}
