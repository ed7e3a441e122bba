// The sheet's "Create Your Saver" page: the author names the saver to hand
// out, picks the output folder, the version, the publisher and further files
// with Start-menu shortcuts, and presses "&Create It".  The page checks the
// fields, writes the new saver's settings, album and make file into the
// output folder, copies the Setup stub there as N.exe and has its
// PackageWriter append the package on a worker thread.  While the worker runs
// the button reads "&Cancel"; afterwards "&Test" runs the setup program.
//
// The page's fields live in the settings file's section "Distribution"
// ("CreateGroup", "Directory", "SaverName", "Version", "Publisher",
// "NumFiles", "File%d", "ShortCut%d"): read when the page is constructed and
// when its dialog starts, written when its window is destroyed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "authoring/sheet_page_win32.h"
#include "builder/create/package_writer_win32.h"

class CCreatePage : public CSheetPage {
  public:
    CCreatePage();
    ~CCreatePage() override;

    void LoadControls() override;  // fields to controls
    void SaveControls() override;  // controls to fields

    std::string TooltipText(int controlId) const override;

    // Commits the controls and checks them; every refusal shows its warning and
    // puts the focus on the field at fault.  The name gains ".scr".
    bool Validate();
    // Prepares the output folder and starts the worker; false when nothing was started.
    bool Build();
    // Lets the user pick a file to hand out with the saver.
    void AddFile();
    // Runs the produced setup program.
    void Test();
    // "&Create It" starts a build; while one runs the same button offers to abort it.
    void CreateOrCancel();
    // The worker's end (message 1025): result 0 done, 1 failed, 2 aborted.
    void BuildFinished(int result);

    bool Busy() const { return busy_ != 0; }

    // The section the fields are kept in, and the publisher's length limit
    // (the package trailer's author field holds 100 characters).
    static constexpr const char* kSection = "Distribution";
    static constexpr size_t kMaxPublisher = 100;

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND ctl) override;
    bool OnPageMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

  private:
    // Steps of Build: the make file that hands the lines to the package writer.
    bool WriteMakeFile(const std::vector<std::string>& lines);
    void ReadDistribution();
    void WriteDistribution();
    void ShowSelectedShortcut();
    void FitListWidth();
    void StoreShortcut();
    void RemoveFile();
    void BrowseDirectory();
    void SetStatus(const char* text);
    void SetProgress(int pos);
    void EnablePreview(bool on);
    void EnableOkCancel(bool on);
    bool Refuse(const std::string& message, int focusId);
    std::string ControlText(int id) const;

    // Fields bound to the controls.
    std::string saverName_;
    std::string directory_;
    std::string version_;
    std::string publisher_;
    int createGroup_ = 1;
    std::vector<std::string> files_;
    std::vector<std::string> shortcuts_;  // parallel to files_; "" means none

    // The current build's working files.
    std::string makeFilePath_, setupPath_, iniPath_, albumPath_;
    int busy_ = 0;
    PackageWriter writer_;
};
