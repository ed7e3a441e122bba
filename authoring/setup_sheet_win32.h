// CSetupSheet: the modal property sheet of configuration mode.  It holds the
// authoring pages (or, in a created saver, only the Settings page), adds the
// "&Load Album...", "&Save Album As..." and "&Preview" buttons beside OK,
// Cancel and Help, gives every control a tooltip, runs the saver as a preview
// and, after OK, writes the settings and the album when it closes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "authoring/sheet_page_win32.h"
#include "win32/handles.h"

class CSetupSheet {
  public:
    static constexpr int kPreviewId = 102;
    static constexpr int kLoadAlbumId = 106;
    static constexpr int kSaveAlbumAsId = 109;
    static constexpr int kIconId = 128;

    // createdSaver: only the Settings page and the Preview button.
    CSetupSheet(std::string title, bool createdSaver);
    ~CSetupSheet();
    CSetupSheet(const CSetupSheet&) = delete;
    CSetupSheet& operator=(const CSetupSheet&) = delete;

    // Adds a page to its slot; the tabs follow the slots' order whatever the
    // order of the calls.  The page must outlive the sheet's run.
    void AddPage(SheetSlot slot, CSheetPage* page);
    // The page in a slot, or nullptr when the sheet has none there.
    CSheetPage* Page(SheetSlot slot) const;

    // Runs the sheet modally with the first page selected; after OK the
    // settings (and outside a created saver the album) are written.
    // Returns the property sheet's result (> 0 after OK, 0 after Cancel).
    INT_PTR Run(HWND parent);
    HWND Handle() const { return hwnd_; }
    bool IsCreatedSaver() const { return createdSaver_; }

    // Controls into the settings (save) or the settings into the controls, for
    // every page whose window exists.
    void SaveAllPages(bool save);
    // Every setting back to its default; the existing pages reload.
    void ResetAllPages();
    void EnableOkCancel(bool enable);
    void EnablePreview(bool enable);
    void EnableSaveAlbumAs(bool enable);
    // Set by a page's OK: the settings are written when the sheet closes.
    void SetSettingsModified() { settingsModified_ = true; }
    bool SettingsModified() const { return settingsModified_; }
    // Reloads the Images and/or Sounds page from the album where they exist.
    void ReloadAlbumPages(bool images, bool sounds);
    // Caption: title + " Setup", and outside a created saver + " - " + album name.
    void UpdateCaption();

    // The buttons' commands, also reached through the buttons themselves.
    void Preview();
    void LoadAlbumCommand();
    void SaveAlbumAsCommand();

  private:
    struct Entry {
        SheetSlot slot;
        CSheetPage* page;
    };
    static int CALLBACK SheetCallback(HWND w, UINT msg, LPARAM lp);
    static LRESULT CALLBACK SubclassProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    void Initialise(HWND sheet);
    void CreateButtons();
    void CreateTooltips();
    void AddTooltips(HWND container);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    std::string TooltipFor(HWND control);
    bool HasImageEntries() const;
    friend class CSheetPage;
    void PageInitialised(CSheetPage* page);

    std::string title_;
    bool createdSaver_;
    bool settingsModified_ = false;
    std::vector<Entry> pages_;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    WNDPROC oldProc_ = nullptr;
    GdiObject<HFONT> buttonFont_;
    std::string tipText_;  // the text handed to the tooltip control
    static CSetupSheet* starting_;
};
