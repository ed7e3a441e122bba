// Setup's wizard: Welcome, Readme (only when the package installs the kit
// itself) and Destination, whose Finish runs the installation.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "win32/handles.h"
#include "win32/window.h"

// What Setup knows about its package before the installation starts.
struct SetupInfo {
    std::string saverName;
    std::string version;
    std::string author;
    std::string company;
    uint32_t totalSize = 0;        // sum of the entries' uncompressed sizes
    std::string setupDir;          // folder of Setup's own file
    std::string packagePath;       // Setup's own file
    std::string productName;       // the kit's own name (string 511)
    std::string uninstallDataName; // string 531
};

// The picture at the left of every page: bitmap 151, drawn with its own palette.
class WizardPicture {
  public:
    explicit WizardPicture(HINSTANCE inst);
    void Draw(const DRAWITEMSTRUCT& item) const;

  private:
    GdiObject<HBITMAP> bitmap_;
    GdiObject<HPALETTE> palette_;
    int width_ = 0, height_ = 0;
};

class CWizardPage : public CPropertyPage {
  public:
    CWizardPage(const SetupInfo& info, const WizardPicture& picture)
        : info_(info), picture_(picture) {}
    // Posted by the sheet when it is activated from another program's window.
    static constexpr UINT kRefreshDrives = WM_APP + 3;

  protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;
    HWND Sheet() const { return GetParent(hwnd_); }
    const SetupInfo& info_;

  private:
    const WizardPicture& picture_;
};

class CWelcomePage : public CWizardPage {
  public:
    using CWizardPage::CWizardPage;

  protected:
    bool OnInit() override;
    void OnSetActive() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

  private:
    GdiObject<HFONT> titleFont_;
};

class CReadmePage : public CWizardPage {
  public:
    using CWizardPage::CWizardPage;
    // The page's private message: focus to the sheet's Cancel button.
    static constexpr UINT kFocusCancel = WM_APP + 2;

  protected:
    bool OnInit() override;
    void OnSetActive() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

  private:
    std::unique_ptr<ScopedLibrary> richEdit_;
};

class CDestinationPage : public CWizardPage {
  public:
    using CWizardPage::CWizardPage;

  protected:
    bool OnInit() override;
    void OnSetActive() override;
    bool OnCommand(int id, int code, HWND ctl) override;
    bool OnNotify(int id, NMHDR* hdr, LRESULT& result) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

  private:
    std::string FolderText() const;
    void FillDrives();
    void RefreshList();
    void Browse();
    // True when the wizard may close (installed or failed); false keeps it open.
    bool OnWizardFinish();

    GdiObject<HFONT> browseFont_;
    std::string lastRoot_;
    bool filled_ = false;
};

class CSetupSheet {
  public:
    explicit CSetupSheet(const SetupInfo& info);
    // Runs the wizard modally over `parent`.
    INT_PTR Run(HINSTANCE inst, HWND parent);
    bool HasReadme() const;

  private:
    static int CALLBACK SheetCallback(HWND sheet, UINT msg, LPARAM lp);
    const SetupInfo& info_;
    HWND parent_ = nullptr;
};
