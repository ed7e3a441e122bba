// CSlideShowPage, the sheet's "Slideshow" page: which transition effects the
// saver may use, whether the erase undoes the show effect, the cycle time, the
// transition speed, how pictures are sized and the frames drawn around them.
#pragma once

#include <windows.h>

#include "authoring/color_picker_win32.h"
#include "authoring/sheet_page_win32.h"

class CSlideShowPage : public CSheetPage {
  public:
    static constexpr UINT kTemplateId = 133;
    static constexpr int kEffectListId = 1271;
    static constexpr int kSetAllId = 1119;
    static constexpr int kClearAllId = 1035;
    static constexpr int kDurationEditId = 1075;
    static constexpr int kDurationSpinId = 1099;
    static constexpr int kSpeedId = 1093;
    static constexpr int kThicknessId = 1275;
    static constexpr int kFrameColorId = 1128;

    CSlideShowPage() : CSheetPage(kTemplateId) {}

    void LoadControls() override;
    void SaveControls() override;

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND ctl) override;
    bool OnNotify(int id, NMHDR* hdr, LRESULT& result) override;
    bool OnPageMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

  private:
    void SetupEffectList();
    void TickAllEffects(bool tick);
    void OptionClicked(int id);
    void Changed();

    CColorPicker picker_;
    bool loading_ = false; // control changes made by LoadControls are no edits
};
