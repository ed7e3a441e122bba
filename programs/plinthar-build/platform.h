// What the command-line builder needs from its platform.
#pragma once

#include <memory>
#include <string>

#include "builder/package/file_system.h"

std::unique_ptr<FileSystem> MakeFileSystem();
// A path given on the command line as the build's Windows-style full path.
std::string FullPath(const std::string& arg);
// A build path as this platform writes it, for messages.
std::string ShownPath(const std::string& path);
// Whether the progress line may be redrawn in place (a console, not a file).
bool ProgressOnTerminal();
// The current local year.
int CurrentYear();
