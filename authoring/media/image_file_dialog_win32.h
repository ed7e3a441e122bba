// Open dialogs with a panel of our own below the standard controls (the
// explorer style with a hook and a template): CImageFileDialog previews the
// picture under the cursor and can show it full-screen; CSoundFileDialog (in
// sound_file_dialog_win32.h) plays the sound under the cursor.  Both can hand
// back whole folders ("Add Directory"), which they keep whatever button closed
// the dialog.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "authoring/media/image_preview_win32.h"
#include "authoring/media/media_lists.h"
#include "imaging/dib_image.h"

class CPreviewFileDialog {
  public:
    // filter: "Text|pattern|Text|pattern||" as in the string table.
    CPreviewFileDialog(bool openMode, const char* defaultExt, const char* fileName, DWORD flags,
                       const char* filter, UINT panelTemplate);
    virtual ~CPreviewFileDialog() = default;
    CPreviewFileDialog(const CPreviewFileDialog&) = delete;
    CPreviewFileDialog& operator=(const CPreviewFileDialog&) = delete;

    void SetInitialDir(const std::string& dir) { initialDir_ = dir; }
    void SetTitle(const std::string& title) { title_ = title; }
    // Room for the chosen names, in characters (at least 260).
    void SetBufferSize(size_t chars);

    // IDOK or IDCANCEL.  When the user chose more names than the buffer holds
    // a warning says so and the result is IDCANCEL (folders added still count).
    INT_PTR DoModal(HWND owner);

    // The first string of the result: the chosen file, or with several files
    // their folder.
    std::string PathName() const;
    // The chosen files as full paths, with their folder.
    media::OpenDialogResult Result() const;
    // Folders added with "Add Directory", in order.
    const std::vector<std::string>& directories() const { return directories_; }

    // Directory adding is offered (the Images page sets it; the Options page not).
    bool allowDirectories = false;

    // The running dialog's panel (our template's child dialog) and the explorer
    // dialog around it; null outside DoModal.
    HWND panel() const { return panel_; }
    HWND dialog() const { return panel_ ? GetParent(panel_) : nullptr; }
    const std::string& currentFolder() const { return currentFolder_; }

  protected:
    virtual void OnPanelInit() {}
    // The name in the file-name box changed (the selection moved).
    virtual void OnFileNameChange() {}
    virtual bool OnPanelCommand(int id, int code) {
        (void)id, (void)code;
        return false;
    }
    virtual void OnPanelDestroy() {}

    // The name under the cursor (the first of several) and its full path;
    // false when there is none.
    bool CurrentSelection(std::string* name, std::string* path) const;
    // When the path's folder is not the current one it becomes current and the
    // "Add Directory" button is enabled.
    void NoteFolder(const std::string& path, int addButtonId);
    // "Add Directory": the current folder joins the list once; the button
    // stays disabled until the folder changes.
    void AddCurrentFolder(int addButtonId);
    bool Checked(int id) const { return IsDlgButtonChecked(panel_, id) == BST_CHECKED; }

    std::string lastShown_;  // the name last previewed in this dialog

  private:
    static UINT_PTR CALLBACK Hook(HWND w, UINT msg, WPARAM wp, LPARAM lp);

    bool openMode_;
    std::string defaultExt_, filter_, initialDir_, title_;
    DWORD flags_;
    UINT template_;
    std::vector<char> buffer_;
    std::vector<std::string> directories_;
    std::string currentFolder_;
    HWND panel_ = nullptr;
};

class CImageFileDialog : public CPreviewFileDialog {
  public:
    CImageFileDialog(bool openMode, const char* defaultExt, const char* fileName, DWORD flags,
                     const char* filter);

    // The picture shown last, for the full-screen view.
    CDibImage& image() { return image_; }
    CImagePreview& preview() { return preview_; }
    // Pictures loaded for the preview since construction.
    int loads() const { return loads_; }

  protected:
    void OnPanelInit() override;
    void OnFileNameChange() override;
    bool OnPanelCommand(int id, int code) override;
    void OnPanelDestroy() override;

  private:
    void SetStatus(const char* text);
    CDibImage image_;
    CImagePreview preview_;
    int loads_ = 0;
};
