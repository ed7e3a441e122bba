// A page of Plinthar's setup sheet.
//
// Every page of the sheet is 344 x 208 dialog units (DS_CONTROL | WS_CHILD |
// WS_CAPTION, font "MS Sans Serif" 8), so that the sheet never changes size
// when the user switches pages: the sheet is as wide as its widest page, and
// the row of three extra buttons beside OK, Cancel and Help needs that width.
// The caption of the template is the tab's text.
//
// Dialog templates of the pages, one number each (the pages' own .rc files):
//   Options 130, Images 131, Sounds 132, Slideshow 133, Settings 134,
//   Create Your Saver 178.
// Tooltips: a control's tooltip is the string resource whose number is the
// control's identifier; every string of Plinthar lives in authoring/strings.rc.
//
// A page library is plugged into the program by its CMake target and header:
//   authoring/media/image_page_win32.h, sound_page_win32.h  plinthar_authoring_media
//   authoring/slideshow_page_win32.h, custom_page_win32.h  plinthar_authoring_pages2
//   builder/create/create_page_win32.h                     plinthar_builder_create
// Each page class (CImagePage, CSoundPage, CSlideShowPage, CCustomPage,
// CCreatePage) has a default constructor; programs/plinthar adds it to the
// sheet in its slot when its target exists.
#pragma once

#include <windows.h>

#include <string>

#include "win32/window.h"

class CSetupSheet;

// The places a page can take in the sheet, in tab order.
enum class SheetSlot { Options, Images, Sounds, Slideshow, Create, Settings };

class CSheetPage : public CPropertyPage {
  public:
    explicit CSheetPage(UINT templateId) : templateId_(templateId) {}
    UINT TemplateId() const { return templateId_; }

    // Settings to controls (when created, reloaded, reset) and controls to settings.
    virtual void LoadControls() = 0;
    virtual void SaveControls() = 0;

    // The page's dialog exists (pages are created when first shown).
    bool HasWindow() const { return hwnd_ != nullptr && IsWindow(hwnd_); }
    CSetupSheet* Sheet() const { return sheet_; }
    // Tells the sheet that the page's controls differ from the settings.
    void SetModified(bool changed = true);

    // Text of the tooltip of one of the page's controls; by default the string
    // resource whose number is the control's identifier ("" = no tooltip).
    virtual std::string TooltipText(int controlId) const;
    // What the sheet's Help button shows for the page; by default the string
    // resource kHelpTextBase + the page's template number.
    static constexpr UINT kHelpTextBase = 20000;
    virtual std::string HelpText() const;

  protected:
    // OK: the controls go into the settings and the sheet writes them when it closes.
    bool OnApply() override;
    // Pages handle their other messages here; WM_INITDIALOG is OnInit.
    virtual bool OnPageMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
        (void)msg, (void)wp, (void)lp, (void)result;
        return false;
    }

  private:
    friend class CSetupSheet;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) final;
    UINT templateId_;
    CSetupSheet* sheet_ = nullptr;
};
