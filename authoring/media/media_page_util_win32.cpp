#include "authoring/media/media_page_util_win32.h"

#include <algorithm>

#include "app/settings.h"
#include "app/settings_win32.h"
#include "authoring/media/image_file_dialog_win32.h"
#include "win32/application.h"
#include "win32/handles.h"

namespace media {

std::vector<int> SelectedRows(HWND list) {
    int buf[kMaxSelectionRead];
    LRESULT n = SendMessageA(list, LB_GETSELITEMS, kMaxSelectionRead, reinterpret_cast<LPARAM>(buf));
    std::vector<int> rows;
    for (LRESULT i = 0; i < n && i < kMaxSelectionRead; ++i) rows.push_back(buf[i]);
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<std::string> ListRows(HWND list) {
    std::vector<std::string> rows;
    int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        LRESULT len = SendMessageA(list, LB_GETTEXTLEN, WPARAM(i), 0);
        std::string text(len > 0 ? size_t(len) + 1 : 1, '\0');
        LRESULT got = SendMessageA(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(got > 0 ? size_t(got) : 0);
        rows.push_back(text);
    }
    return rows;
}

void FillListBox(HWND list, const std::vector<std::string>& rows) {
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    int widest = 0;
    {
        WindowDC dc(list);
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
        SelectGuard keep(dc.Get(), font);
        for (const std::string& r : rows) {
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r.c_str()));
            SIZE size = {};
            if (GetTextExtentPoint32A(dc.Get(), r.c_str(), int(r.size()), &size))
                widest = std::max(widest, int(size.cx));
        }
    }
    SendMessageA(list, LB_SETHORIZONTALEXTENT, WPARAM(widest + 8), 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void DeleteListRows(HWND list, const std::vector<int>& selected) {
    int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i : RemovalOrder(selected, n)) SendMessageA(list, LB_DELETESTRING, WPARAM(i), 0);
}

std::string DialogFilter(UINT stringId) {
    std::string filter = Application::Get().LoadText(stringId);
    return filter.empty() ? std::string("All Files (*.*)|*.*||") : filter;
}

size_t AddDialogPicks(CPreviewFileDialog& dlg, HWND owner, std::vector<std::string>& rows,
                      std::string& lastDir, const char* key) {
    const bool confirmed = dlg.DoModal(owner) == IDOK;
    DialogPicks picks;
    picks.directories = dlg.directories();
    OpenDialogResult chosen;
    if (confirmed) {
        chosen = dlg.Result();
        picks.files = chosen.files;
    }
    const size_t added = AddPicks(rows, picks, AlbumDirectory(g_Settings.options.AlbumFile));
    if (NextDialogFolder(confirmed, chosen, picks.directories, &lastDir))
        WriteProfileString("Options", key, lastDir);
    return added;
}

}  // namespace media
