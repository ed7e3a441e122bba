// CCustomPage, the only page a created saver offers its end user ("Settings"):
// the saver's features on and off, the slide cycle time, and the saver's own
// name, version and copyright line with a link to the kit's home page.
#pragma once

#include <windows.h>

#include <string>

#include "authoring/sheet_page_win32.h"
#include "win32/handles.h"

class CCustomPage : public CSheetPage {
  public:
    static constexpr UINT kTemplateId = 134;
    static constexpr int kDurationEditId = 1075;
    static constexpr int kDurationSpinId = 1099;
    static constexpr int kNameLineId = 1266;
    static constexpr int kCopyrightLineId = 1268;
    static constexpr int kLinkId = 1231;
    // Where the link leads: the kit's home page.
    static constexpr const char* kHomePage = "https://plinthar.example.org/";

    // The credit lines come from the identity record of the running saver.
    CCustomPage();

    void LoadControls() override;
    void SaveControls() override;

    const std::string& NameLine() const { return nameLine_; }
    const std::string& CopyrightText() const { return copyrightLine_; }

    // Opens an address in the browser; returns false when it could not.  Tests
    // put their own in place so that no browser starts.
    using LinkOpener = bool (*)(HWND owner, const char* address);
    static void SetLinkOpener(LinkOpener opener);

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND ctl) override;
    bool OnPageMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

  private:
    static LRESULT CALLBACK LinkProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR data);
    void MakeLink();
    void OpenLink();

    std::string nameLine_;
    std::string copyrightLine_;
    GdiObject<HFONT> linkFont_;
    bool loading_ = false;
};
