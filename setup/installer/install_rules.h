// Rules of the installer that need no window: result codes and their texts,
// where a package entry goes, drive-space figures, folder texts and the
// overwrite question's answers.  Paths are Windows paths (backslashes).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Result codes of an installation.
enum InstallResult {
    kInstallOk = 0,
    kInstallOutOfMemory = 1,
    kInstallInvalidFile = 2,
    kInstallFileSystemError = 3,
    kInstallRegistryError = 4,
    kInstallAborted = 5,
};

// "No error", "Out of memory", ... for the codes above; any other value reads "No error".
const char* ErrorText(int code);

// The folder a package entry is installed into, chosen by its directory keyword.
enum class TargetFolder { Windows, System, Install };
// "WINDOWSDIR" and "SYSTEMDIR" in any letter case; everything else (empty,
// "INSTALLDIR", unknown words) is the installation folder.
TargetFolder FolderForKeyword(const std::string& keyword);

// Buttons of the overwrite confirmation; the installation starts with Yes.
enum OverwriteChoice {
    kOverwriteYes = 2109,
    kOverwriteNo = 2110,
    kOverwriteYesToAll = 2111,
    kOverwriteAbort = 2112,
};
bool IsOverwriteButton(int id);

// The answer the installation goes on with for one existing target.  `ask`
// shows the question and returns the button that closed it, or anything else
// when it was closed another way (then it is asked again), or -1 when the
// question could not be shown at all (then the installation stops: Abort).
int AskOverwriteUntilAnswered(const std::function<int()>& ask);

// The current answer across the entries of one installation: after Yes To All
// nothing more is asked.
class OverwritePolicy {
  public:
    int Choice() const { return choice_; }
    bool MustAsk(bool targetExists) const { return targetExists && choice_ != kOverwriteYesToAll; }
    void Record(int button) { choice_ = button; }
    void Reset() { choice_ = kOverwriteYes; }

  private:
    int choice_ = kOverwriteYes;
};

// Size rounded up to a whole number of allocation units (a unit of 0 leaves it).
uint64_t RoundUpToUnit(uint64_t size, uint64_t unit);
// A size for the drive list: "3 GB"... "More than 2GB" from 2 GB on, "12 MB",
// "7 KB", or a bare number of bytes; the number is the whole part.
std::string FormatDriveSpace(uint64_t bytes);

// The root of an absolute folder text: "C:\" for "c:\x\y" (letter as typed),
// "\\server\share\" for a network path; empty when the text is neither.
std::string FolderRoot(const std::string& folder);

// Folder texts compared for "is this where Setup itself lies": without any
// backslash a drive ("C" or "C:") becomes its root, any other text gains a
// trailing backslash; the comparison ignores case.
std::string NormalizeFolder(const std::string& folder);
bool IsSameFolder(const std::string& a, const std::string& b);

// The destination offered first: the Program Files folder, or else the root
// of the Windows drive (the Windows folder cut after its first backslash),
// joined with the saver's name.
std::string DefaultDestination(const std::string& programFiles, const std::string& windowsDir,
                               const std::string& saverName);

// Folders to make, parents first, so that `folder` exists: every prefix ending
// before a backslash past the root, then the folder itself (without a trailing
// backslash).  Empty for a bare root or a text that is not an absolute path.
std::vector<std::string> FoldersToCreate(const std::string& folder);

// Text with the white space of both ends removed.
std::string TrimSpaces(const std::string& s);
// A folder as typed, trimmed, with "/" read as "\" (Windows accepts both).
std::string CleanFolderText(const std::string& text);
