// What the Images and Sounds pages share: reading and filling their
// multiple-selection list boxes, and the last-used folder of their dialogs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "authoring/media/media_lists.h"

class CPreviewFileDialog;

namespace media {

// At most this many selected rows are read, in ascending order.
constexpr int kMaxSelectionRead = 100;
std::vector<int> SelectedRows(HWND list);
std::vector<std::string> ListRows(HWND list);
// Replaces the rows; the horizontal scroll range follows the longest.
void FillListBox(HWND list, const std::vector<std::string>& rows);
void DeleteListRows(HWND list, const std::vector<int>& selected);

// The filter of a string-table entry, or all files when the entry is missing.
std::string DialogFilter(UINT stringId);

// An Add button's open dialog, run and taken in: what was picked joins `rows`
// (folders also after Cancel, in the album's relative form), and the folder the
// next dialog opens in goes to `lastDir`, written at once as the "Options"
// value `key`.  Returns the number of rows added.
size_t AddDialogPicks(CPreviewFileDialog& dlg, HWND owner, std::vector<std::string>& rows,
                      std::string& lastDir, const char* key);

}  // namespace media
