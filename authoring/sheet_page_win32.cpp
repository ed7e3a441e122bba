#include "authoring/sheet_page_win32.h"

#include <prsht.h>

#include "authoring/setup_sheet_win32.h"
#include "win32/application.h"

void CSheetPage::SetModified(bool changed) {
    if (!HasWindow()) return;
    HWND sheet = GetParent(hwnd_);
    SendMessageA(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(hwnd_), 0);
}

std::string CSheetPage::TooltipText(int controlId) const {
    if (controlId <= 0 || controlId > 0xFFFF) return "";
    return Application::Get().LoadText(UINT(controlId));
}

std::string CSheetPage::HelpText() const {
    return Application::Get().LoadText(kHelpTextBase + templateId_);
}

bool CSheetPage::OnApply() {
    SaveControls();
    if (sheet_) sheet_->SetSettingsModified();
    return true;
}

bool CSheetPage::OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    if (msg == WM_INITDIALOG) {
        result = OnInit() ? TRUE : FALSE;
        if (sheet_) sheet_->PageInitialised(this);
        return true;
    }
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == UINT(PSN_HELP)) {
        std::string text = HelpText();
        if (!text.empty()) Application::Get().ShowInformation(text);
        result = TRUE;
        return true;
    }
    return OnPageMessage(msg, wp, lp, result);
}
