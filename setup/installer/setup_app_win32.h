// Setup's start: the package at the end of its own file, the backdrop that
// covers the screen, and the wizard over it.
#pragma once

#include <windows.h>

#include <string>

#include "setup/installer/setup_wizard_win32.h"

// Reads the trailer at the end of `path` and fills the saver's identity, the
// total size and the setup folder.  False when the file carries no
// well-formed package: no trailer, a length that does not match the file, a first entry
// outside it, a saver name that is not one plain file name, or a company name
// that is not one registry key name.
bool CheckOwnPackage(const std::string& path, SetupInfo& info);

// The whole program: check, backdrop, wizard.  Returns the process exit code.
int InitInstance(HINSTANCE inst);
