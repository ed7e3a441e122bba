// The installation of a package's entries, one after another, into the
// folders their keywords name: the part of Setup's work that needs no window.
// What it does to the system (folders, files, the overwrite question, the
// status line) goes through an InstallTarget, so that the rules can be run
// against a file system made of memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "builder/package/package_reader.h"
#include "setup/installer/install_rules.h"

// A Start-menu link to make once the files are in place.
struct ShortcutRecord {
    std::string fileName; // the target's bare name
    std::string path;     // the installed file
    std::string shortcut; // the link's name, without ".LNK"
};

class InstallTarget {
  public:
    virtual ~InstallTarget() = default;
    // The Windows, system or installation folder ("" when unknown).
    virtual std::string Folder(TargetFolder which) = 0;
    virtual bool Exists(const std::string& path) = 0;
    // Asks whether to replace `path`; returns the OverwriteChoice button.
    virtual int AskOverwrite(const std::string& path) = 0;
    virtual void Status(const std::string& text) = 0;
    // Creates or truncates the file and writes all of `data`; then, with errors
    // ignored, sets its last-write time (seconds since 1970 UTC, 0 = leave it)
    // and makes it a normal file.  False when the file could not be written.
    virtual bool WriteFile(const std::string& path, const std::vector<uint8_t>& data,
                           uint32_t unixTime) = 0;
};

class PackageInstall {
  public:
    PackageInstall(PackageReader& reader, InstallTarget& target)
        : reader_(reader), target_(target) {}

    // Before anything is written: every entry header must be sound and end
    // where the next begins, the last at the trailer, and every entry must
    // install under a plain file name inside its folder.  kInstallOk or
    // kInstallInvalidFile; leaves the reader at the first entry.
    int CheckEntries();

    // Copies the stub (the bytes before the first entry) to `path`, asking
    // first when it exists; `unixTime` is its last-write time.  The path joins
    // the installed files unless the answer was Abort or the copy failed.
    int CopyStub(ByteSource& source, const std::string& path, uint32_t unixTime);

    // Installs the entry at the reader's cursor and moves past it.  A result
    // code; kInstallOk also when the answer kept an existing file.
    int ExtractEntry();
    bool AtEnd() const { return reader_.AtEnd(); }

    OverwritePolicy& Policy() { return policy_; }
    std::vector<std::string>& InstalledFiles() { return installed_; }
    const std::vector<ShortcutRecord>& Shortcuts() const { return shortcuts_; }
    void ClearShortcuts() { shortcuts_.clear(); }

  private:
    // Asks when `path` exists (unless the answer is already Yes To All) and
    // records the answer.
    int Decide(const std::string& path);

    PackageReader& reader_;
    InstallTarget& target_;
    OverwritePolicy policy_;
    std::vector<std::string> installed_;
    std::vector<ShortcutRecord> shortcuts_;
};

// The saver name from a package trailer names folders that Setup creates and
// deletes: it must be one plain file name.
bool IsInstallableSaverName(const std::string& name);
// The company name is one registry key name below "Software" (and the uninstaller
// reads it back under the same rule): not empty, no "\", no control character.
bool IsInstallableCompanyName(const std::string& company);
