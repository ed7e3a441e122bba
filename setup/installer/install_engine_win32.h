// The installation that the destination page's Finish runs: every package
// entry into its folder, the Start-menu group with its links, the uninstall
// data, the registry; and what may follow a successful installation.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "setup/installer/package_install.h"

struct InstallParams {
    std::string saverName;
    std::string version; // version, company and author come from the package
    std::string company;
    std::string author;
    std::string installDir;
    std::string setupDir;
    std::string uninstallDataName; // "Uninstall.dat"
    std::string packagePath;       // the program's own file
    std::string productName;       // the kit's own name: installing it also copies the stub
    HWND owner = nullptr;          // parent of the overwrite question
    HWND progress = nullptr;
    HWND status = nullptr;
};

class InstallEngine : private InstallTarget {
  public:
    // False when the installation stopped; Result() tells why.
    bool Install(const InstallParams& params);
    int Result() const { return result_; }

    bool CreateShortcuts();
    bool WriteUninstallData();
    bool WriteRegistry();

    const std::vector<std::string>& InstalledFiles() const { return installed_; }
    bool InstallingKit() const;

  private:
    std::string Folder(TargetFolder which) override;
    bool Exists(const std::string& path) override;
    int AskOverwrite(const std::string& path) override;
    void Status(const std::string& text) override;
    bool WriteFile(const std::string& path, const std::vector<uint8_t>& data,
                   uint32_t unixTime) override;
    void Step();

    InstallParams params_;
    int result_ = kInstallOk;
    uint32_t flags_ = 0;
    std::vector<std::string> installed_;
    std::vector<ShortcutRecord> shortcuts_;
};

// After a successful installation: the saver in the Windows folder becomes the
// active screensaver (system.ini and the system parameter) and/or is started
// without arguments, which opens its configuration.
void RunPostInstallActions(const std::string& saverName, bool makeActive, bool launchConfig);

// Makes `folder` and every missing parent.  A bare drive root counts when the
// drive exists; a text that is not an absolute path fails.
bool CreateFolderTree(const std::string& folder);

// Seconds since 1970 UTC as a FILETIME, and back.
FILETIME UnixTimeToFileTime(uint32_t t);
