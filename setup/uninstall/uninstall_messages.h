// The texts Uninstall.exe shows, composed without Windows.
#pragma once

#include <string>
#include <vector>

// Caption of every box once the saver name is known: "<name> Uninstall";
// "Uninstall" before that.
std::string UninstallCaption(const std::string& saverName);
// The Yes/No question asked before anything is removed.
std::string UninstallQuestion(const std::string& saverName);
// The data file could not be opened or read.
std::string UnreadableDataText(const std::string& dataPath);
// The data file was refused; `reason` is UninstallDataResultText's sentence.
std::string RefusedDataText(const std::string& dataPath, const std::string& reason);
// The end: everything went, or the list of what could not be removed (at most
// ten shown, then how many more).
std::string UninstallDoneText(const std::string& saverName,
                              const std::vector<std::string>& notRemoved);
