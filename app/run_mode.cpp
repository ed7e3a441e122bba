#include "app/run_mode.h"

#include <cstdio>

#include "common/paths.h"

RunMode ChooseRunMode(const std::string& tail, int argCount) {
    std::string t = ToLowerAscii(tail);
    if (argCount == 0 || t.find('c') != std::string::npos) return RunMode::Configure;
    if (t.find('p') != std::string::npos) return RunMode::Preview;
    if (t.find('s') != std::string::npos) return RunMode::Saver;
    if (t.find('a') != std::string::npos) return RunMode::ChangePassword;
    return RunMode::None;
}

bool ParseHandleArgument(const std::string& text, uintptr_t& value) {
    long long v = 0;
    if (std::sscanf(text.c_str(), "%lli", &v) != 1) return false;
    value = uintptr_t(v);
    return true;
}

std::string CommandTail(const std::string& commandLine) {
    size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        size_t close = commandLine.find('"', 1);
        i = close == std::string::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && commandLine[i] != ' ' && commandLine[i] != '\t') ++i;
    }
    while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
    return commandLine.substr(i);
}
