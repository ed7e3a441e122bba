#include "setup/installer/overwrite_dialog_win32.h"

#include "setup/installer/install_rules.h"
#include "setup/installer/installer_ids.h"
#include "win32/application.h"

int COverwriteDialog::Ask(HWND owner, const std::string& path) {
    path_ = path;
    HINSTANCE inst = Application::Get().Instance();
    if (!inst) inst = GetModuleHandleA(nullptr);
    return AskOverwriteUntilAnswered([&]() -> int {
        choice_ = 0;
        INT_PTR r = DoModal(inst, IDD_OVERWRITE, owner);
        if (r == -1) return -1;
        return r == IDOK ? choice_ : 0;
    });
}

bool COverwriteDialog::OnInit() {
    std::string text = Format("The file %s already exists.  Overwrite?", path_.c_str());
    SetDlgItemTextA(hwnd_, IDC_MESSAGE, text.c_str());
    MessageBeep(MB_ICONQUESTION);
    // No, the default button, has the focus: Enter keeps the file.
    SetFocus(GetDlgItem(hwnd_, IDC_OVERWRITE_NO));
    return false;
}

bool COverwriteDialog::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED || !IsOverwriteButton(id)) return false;
    choice_ = id;
    EndDialog(hwnd_, IDOK);
    return true;
}
