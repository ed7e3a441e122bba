// CMainPage: the sheet's first page, "Options".  It switches the saver's main
// features on and off, sets the picture order, the background and the
// animated sprites' motion, and offers "Reset Defaults..." and the about box.
// The keyboard group is hidden but still loaded and saved.
#pragma once

#include "authoring/color_picker_win32.h"
#include "authoring/sheet_page_win32.h"

class CMainPage : public CSheetPage {
  public:
    CMainPage();
    void LoadControls() override;
    void SaveControls() override;

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND ctl) override;
    bool OnNotify(int id, NMHDR* hdr, LRESULT& result) override;
    bool OnPageMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

  private:
    void SelectImage();
    void CustomKeyboardSize();
    void ShowImageName();
    int SpinValue(int spin, int fallback) const;

    CColorPicker background_;
    CColorPicker keyboard_;
    bool loading_ = false;
};

// A colour block of the settings and the picker's seven values.
struct Settings;
ColorValue BackgroundColorValue(const Settings& s);
ColorValue KeyboardColorValue(const Settings& s);
void StoreBackgroundColor(Settings& s, const ColorValue& v);
void StoreKeyboardColor(Settings& s, const ColorValue& v);
