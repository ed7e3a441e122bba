#include "authoring/slideshow_page_win32.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "authoring/slideshow_rules.h"
#include "saver/geometry/effects.h"

namespace {

// Option boxes of the page, saved as CheckString positions 16..32 and 37.
std::vector<int> OptionBoxes() {
    std::vector<int> ids;
    for (int id = kIdEffectNone; id <= kIdRandomFrameColors; ++id)
        ids.push_back(id);
    ids.push_back(kIdEraseByUndoing);
    return ids;
}

constexpr int kRangeLow = 1, kRangeHigh = 100; // cycle seconds and transition speed
constexpr int kDurationFallback = 5;           // what an unreadable seconds field saves

} // namespace

bool CSlideShowPage::OnInit() {
    picker_.Attach(hwnd_, kFrameColorId);
    SendDlgItemMessageA(hwnd_, kSpeedId, TBM_SETRANGE, TRUE, MAKELPARAM(kRangeLow, kRangeHigh));
    SendDlgItemMessageA(hwnd_, kSpeedId, TBM_SETTICFREQ, 10, 0);
    SendDlgItemMessageA(hwnd_, kSpeedId, TBM_SETPAGESIZE, 0, 10);
    SendDlgItemMessageA(hwnd_, kDurationSpinId, UDM_SETRANGE, 0, MAKELPARAM(kRangeHigh, kRangeLow));
    SendDlgItemMessageA(hwnd_, kDurationEditId, EM_LIMITTEXT, 3, 0);
    for (int i = 0; i < kThicknessChoices; ++i)
        SendDlgItemMessageA(hwnd_, kThicknessId, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(ThicknessName(i)));
    SetupEffectList();
    LoadControls();
    return true;
}

void CSlideShowPage::SetupEffectList() {
    HWND list = Control(kEffectListId);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    RECT client;
    GetClientRect(list, &client);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    // The whole width but the vertical scroll bar that 34 rows always need.
    column.cx = client.right - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    for (int e = 0; e < saver::kEffectCount; ++e) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = e;
        item.pszText = const_cast<char*>(EffectName(e));
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
}

void CSlideShowPage::LoadControls() {
    if (!HasWindow()) return;
    loading_ = true;
    const Settings::Slide& slide = g_Settings.slide;
    for (int id : OptionBoxes())
        CheckDlgButton(hwnd_, id, IsOptionOn(id) ? BST_CHECKED : BST_UNCHECKED);
    HWND list = Control(kEffectListId);
    for (int e = 0; e < saver::kEffectCount; ++e)
        ListView_SetCheckState(list, e, EffectEnabled(slide.Effects, e) ? TRUE : FALSE);
    SendDlgItemMessageA(hwnd_, kSpeedId, TBM_SETPOS, TRUE, slide.Speed);
    SendDlgItemMessageA(hwnd_, kThicknessId, CB_SETCURSEL, ThicknessIndex(slide.FrameThickness), 0);
    SendDlgItemMessageA(hwnd_, kDurationSpinId, UDM_SETPOS, 0, MAKELPARAM(slide.Duration, 0));
    // The frame colour alone: the picker's other values mean nothing here.
    ColorValue value;
    value.color = slide.FrameColor;
    value.color2 = -1;
    value.brightness = 0;
    value.flag = 99;
    picker_.SetValue(value);
    if (picker_.Handle()) InvalidateRect(picker_.Handle(), nullptr, TRUE);
    loading_ = false;
}

void CSlideShowPage::SaveControls() {
    if (!HasWindow()) return;
    Settings::Slide& slide = g_Settings.slide;
    for (int id : OptionBoxes())
        SetOption(id, IsDlgButtonChecked(hwnd_, id) == BST_CHECKED);
    HWND list = Control(kEffectListId);
    std::vector<bool> ticked;
    for (int e = 0; e < saver::kEffectCount; ++e)
        ticked.push_back(ListView_GetCheckState(list, e) != 0);
    slide.Effects = EffectsString(ticked);
    slide.Speed = uint16_t(SendDlgItemMessageA(hwnd_, kSpeedId, TBM_GETPOS, 0, 0));
    LRESULT pos = SendDlgItemMessageA(hwnd_, kDurationSpinId, UDM_GETPOS, 0, 0);
    slide.Duration = HIWORD(pos) != 0 ? kDurationFallback : LOWORD(pos);
    slide.FrameColor = picker_.Value().color;
    slide.FrameThickness =
        ThicknessPixels(int(SendDlgItemMessageA(hwnd_, kThicknessId, CB_GETCURSEL, 0, 0)));
}

void CSlideShowPage::Changed() {
    if (!loading_) SetModified();
}

void CSlideShowPage::TickAllEffects(bool tick) {
    HWND list = Control(kEffectListId);
    for (int e = 0; e < saver::kEffectCount; ++e)
        ListView_SetCheckState(list, e, tick);
    Changed();
}

void CSlideShowPage::OptionClicked(int id) {
    Changed();
    std::vector<int> clear = SlideshowBoxesToClear(
        id, [this](int box) { return IsDlgButtonChecked(hwnd_, box) == BST_CHECKED; });
    for (int box : clear)
        CheckDlgButton(hwnd_, box, BST_UNCHECKED);
}

bool CSlideShowPage::OnCommand(int id, int code, HWND ctl) {
    (void)ctl;
    if (code == BN_CLICKED &&
        ((id >= kIdEffectNone && id <= kIdRandomFrameColors) || id == kIdEraseByUndoing)) {
        OptionClicked(id);
        return true;
    }
    if (code == BN_CLICKED && (id == kSetAllId || id == kClearAllId)) {
        TickAllEffects(id == kSetAllId);
        return true;
    }
    if ((id == kDurationEditId && code == EN_CHANGE) ||
        (id == kThicknessId && code == CBN_SELCHANGE)) {
        Changed();
        return true;
    }
    return false;
}

bool CSlideShowPage::OnNotify(int id, NMHDR* hdr, LRESULT& result) {
    (void)result;
    if (id == kFrameColorId && hdr->code == CColorPicker::kColorChanged) {
        Changed();
        return true;
    }
    if (id == kEffectListId && hdr->code == LVN_ITEMCHANGED) {
        const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(hdr);
        // A tick shows as a change of the state image; selection changes are no edits.
        if ((change->uChanged & LVIF_STATE) &&
            ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK))
            Changed();
    }
    return false;
}

bool CSlideShowPage::OnPageMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    (void)wp, (void)result;
    if (msg == WM_HSCROLL && reinterpret_cast<HWND>(lp) == Control(kSpeedId)) Changed();
    return false;
}
