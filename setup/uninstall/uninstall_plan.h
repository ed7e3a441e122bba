// What Uninstall.exe removes, and in which order, decided from the uninstall
// data and the folders of this machine without touching anything.  The Win32
// side carries the plan out.
//
// Rules:
//  - a listed path is removed only when it lies inside the installation folder
//    (the folder of "Uninstall.dat", unless that is a drive root) or directly in
//    the Windows or the system folder; the program group is the one exception: a
//    folder named after the saver directly in a Start-menu Programs folder;
//  - folders are removed only when empty, and only the installation folder and
//    folders below it that held a removed file;
//  - registry values are removed only while they still describe this
//    installation (a later installation elsewhere keeps its entries), and a
//    key only when nothing else is left in it;
//  - the uninstall data goes last but for the program itself, so that an
//    interrupted removal can be run again.
#pragma once

#include <string>
#include <vector>

#include "setup/uninstall/uninstall_data.h"

struct UninstallPlaces {
    std::string installDir;                 // folder of the uninstall data
    std::string windowsDir;
    std::string systemDir;
    std::vector<std::string> programsDirs;  // Start-menu Programs folders (user, common)
    std::string selfPath;                   // the running Uninstall.exe
};

enum class RemovalKind {
    File,           // delete the file; one that is already gone is not a failure
    ProgramGroup,   // delete the links (*.lnk) in the folder, then the folder when empty
    FolderIfEmpty,  // remove the folder when nothing is left in it
};

struct Removal {
    RemovalKind kind;
    std::string path;
};

// One value under HKEY_LOCAL_MACHINE: deleted with `alsoDelete` when `value`
// of `key` holds `expected` (compared as a path); then every key of
// `pruneKeys`, deepest first, is deleted when it has no values and no subkeys.
struct RegistryRemoval {
    std::string key;
    std::string value;
    std::string expected;
    std::vector<std::string> alsoDelete;
    std::vector<std::string> pruneKeys;
};

struct UninstallPlan {
    std::vector<Removal> steps;               // in order, before the registry
    std::vector<RegistryRemoval> registry;
    std::vector<Removal> finalSteps;          // after the registry: the data, emptied folders
    bool removeSelf = false;                  // the running program is listed
    std::vector<std::string> afterSelf;       // folders to remove once the program is gone
    std::vector<std::string> skipped;         // listed paths that are never removed
};

UninstallPlan PlanUninstall(const UninstallData& data, const UninstallPlaces& places);

// Same path written the same or in another ASCII case, either separator, a
// trailing separator ignored.
bool SamePath(const std::string& a, const std::string& b);

// The Uninstall.exe command line, decided from GetCommandLine's text.
//   (nothing)                  the data file is "Uninstall.dat" beside the program
//   <path> or "<path>"         that data file
//   /finish <pid> "<exe>" "<folder>"...
//                              the copy in the temporary folder: wait for process
//                              <pid> to end, delete <exe>, remove the folders when empty
struct UninstallCommand {
    bool finish = false;
    std::string dataPath;
    unsigned long parentId = 0;
    std::string exePath;
    std::vector<std::string> folders;
    bool valid = true;  // false for a /finish line that cannot be understood or whose
                        // program is not named "Uninstall.exe"
};

// `modulePath` is the program's own path: the Add/Remove Programs list starts
// the registered path unquoted even when it holds spaces, so a line that is
// just the program's path has no arguments.
UninstallCommand ParseUninstallCommand(const std::string& commandLine,
                                       const std::string& modulePath);
// The /finish line for ParseUninstallCommand, starting with the quoted copy.
std::string MakeFinishCommand(const std::string& copyPath, unsigned long parentId,
                              const std::string& exePath,
                              const std::vector<std::string>& folders);
