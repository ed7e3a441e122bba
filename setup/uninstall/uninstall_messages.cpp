#include "setup/uninstall/uninstall_messages.h"

std::string UninstallCaption(const std::string& saverName) {
    return saverName.empty() ? std::string("Uninstall") : saverName + " Uninstall";
}

std::string UninstallQuestion(const std::string& saverName) {
    return "Do you want to remove " + saverName +
           " and all of its components from your computer?";
}

std::string UnreadableDataText(const std::string& dataPath) {
    return "The uninstall data file\n" + dataPath +
           "\ncannot be read. Nothing has been removed.";
}

std::string RefusedDataText(const std::string& dataPath, const std::string& reason) {
    return "The file\n" + dataPath + "\ncannot be used: " + reason +
           "\nNothing has been removed.";
}

std::string UninstallDoneText(const std::string& saverName,
                              const std::vector<std::string>& notRemoved) {
    if (notRemoved.empty()) return saverName + " has been removed from your computer.";
    std::string text = saverName + " has been removed, but these items could not be removed:\n";
    const size_t shown = 10;
    for (size_t i = 0; i < notRemoved.size() && i < shown; ++i) text += "\n" + notRemoved[i];
    if (notRemoved.size() > shown)
        text += "\n(and " + std::to_string(notRemoved.size() - shown) + " more)";
    return text;
}
