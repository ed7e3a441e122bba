// The rules of the Images and Sounds pages and their file dialogs that need no
// window: how a chosen path becomes a row of the album's list, where rows go
// when files are added, which rows a removal takes, which row the sound
// preview plays next, what the caption edit may store, and how a preview
// picture is sized.
#pragma once

#include <string>
#include <vector>

namespace media {

// The album's folder: the album path before its last backslash.
std::string AlbumDirectory(const std::string& albumFile);

// A path inside albumDir (case-insensitive, followed by a backslash) becomes the
// rest of the path from that backslash on ("\pics\a.jpg"); anything else, or
// any path when albumDir is empty, stays as it is.
std::string RelativeToAlbum(const std::string& path, const std::string& albumDir);
// A row that begins with one backslash gets albumDir in front; two backslashes
// begin a network path and other rows are absolute already.
std::string AbsoluteEntryPath(const std::string& row, const std::string& albumDir);
// A row that ends with a backslash names a folder.
bool IsDirectoryRow(const std::string& row);

// What an open dialog of the pages handed back.
struct DialogPicks {
    std::vector<std::string> directories; // added with "Add Directory", in order
    std::vector<std::string> files;       // full paths, in the order the dialog returns them
};
// Adds the picks to `rows`: every directory is appended as a folder row (relative
// form, a backslash appended when it has none); then every file is inserted at
// the index that was the list's end before the files, so that one selection ends
// up in the reverse of the dialog's order.  Returns the number of rows added.
size_t AddPicks(std::vector<std::string>& rows, const DialogPicks& picks,
                const std::string& albumDir);

// The selected indexes (any order, duplicates and out-of-range ones ignored)
// from the last to the first: the order in which a removal deletes them so that
// each index still names the row it named before.
std::vector<int> RemovalOrder(const std::vector<int>& selected, int rowCount);
// Removes those rows from a list kept in step with the list box.
template <typename T> void RemoveRows(std::vector<T>& list, const std::vector<int>& selected) {
    for (int i : RemovalOrder(selected, int(list.size())))
        list.erase(list.begin() + i);
}

// Extensions the preview plays (after the last period, any letter case): MID,
// RMI, WAV, CDA, MP1, MP2, MP3, MPP.
bool IsPreviewPlayable(const std::string& path);

// The row the sound preview plays when asked to play from `playIndex`: an index
// at or past the end starts again at 0; folder rows are skipped forward, and when
// the skip runs off the end it goes on from the first row (once round the list).
// -1 when the list holds no file rows.
int NextPreviewRow(const std::vector<std::string>& rows, int playIndex);

// The parts of the result buffer of a multiple-selection explorer open dialog:
// either one full path, or a folder followed by file names, each ended by a NUL
// and the whole by a second NUL.  Reads at most `size` bytes; a buffer without
// its final NUL ends where the bytes end.
struct OpenDialogResult {
    std::string folder;              // the folder of the chosen files
    std::vector<std::string> files;  // full paths
};
OpenDialogResult SplitOpenFileNames(const char* buffer, size_t size);

// The folder a page's next open dialog starts in after one has closed: the
// chosen files' folder after OK, else the last folder added; `dir` is left as
// it was when neither exists.  True when a folder was taken (to be written at
// once, even when it is the same).
bool NextDialogFolder(bool confirmed, const OpenDialogResult& chosen,
                      const std::vector<std::string>& addedFolders, std::string* dir);

// Leading and trailing blanks, tabs, carriage returns and line feeds removed.
std::string TrimSpace(const std::string& text);

// What the caption edit shows for a row's caption: the caption trimmed, or the
// placeholder "Enter caption here" when that is empty.
extern const char kCaptionPlaceholder[];
std::string CaptionEditText(const std::string& caption);
// The caption a row gets when the author leaves the edit: only an edit the
// author changed stores anything (the placeholder that was merely shown is
// never stored); the text is trimmed, and an emptied edit clears the caption.
// False when the row's caption stays as it is.
bool CaptionFromEdit(const std::string& editText, bool authorChanged, std::string* caption);

// Placement for a preview: a picture smaller than the area on both axes keeps
// its size, any other takes the largest size of its own aspect ratio that fits
// (as the slideshow fits a picture to the screen), centred in the area.
struct PreviewBox {
    int x = 0, y = 0, width = 0, height = 0;
};
// False when the picture or the area has no pixels.
bool PlacePreview(int imageWidth, int imageHeight, int areaWidth, int areaHeight,
                  PreviewBox* box);

// InstrumentString: one "1" or "0" per family; a short string reads as off.
constexpr int kInstrumentFamilies = 16;
extern const char* const kInstrumentFamilyNames[kInstrumentFamilies];
std::vector<bool> InstrumentChecks(const std::string& instrumentString);
std::string InstrumentString(const std::vector<bool>& checks);

}  // namespace media
