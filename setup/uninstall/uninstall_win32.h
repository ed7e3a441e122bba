// Uninstall.exe's work on a real machine: reading the uninstall data, asking
// the person, carrying out the removal plan, and removing the program itself
// through a copy in the temporary folder.
#pragma once

#include <windows.h>

#include <string>

// Exit codes of the program.
enum UninstallExit {
    kUninstallRemoved = 0,    // everything listed is gone (or will be once the copy ends)
    kUninstallIncomplete = 1, // done, but some items could not be removed
    kUninstallDeclined = 2,   // the person answered No
    kUninstallRefused = 3,    // the data file is missing, unreadable, damaged or foreign
    kUninstallBadCommand = 4, // a /finish line that cannot be understood
};

// Runs the program for GetCommandLine's text; returns its exit code.
int RunUninstall(const std::string& commandLine);
