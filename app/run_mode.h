// Choice of what the program does from the command line that Windows passes
// to a screensaver.
#pragma once

#include <cstdint>
#include <string>

enum class RunMode { Configure, Preview, Saver, ChangePassword, None };

// `tail` is the command line after the program path; `argCount` the number of
// arguments after the program.  The lower-cased tail is searched for c, p, s, a
// in that order; no argument at all configures.
RunMode ChooseRunMode(const std::string& tail, int argCount);

// The C conversion "%i": decimal, hexadecimal with "0x", octal with a leading 0.
// False when the text does not start with a number.
bool ParseHandleArgument(const std::string& text, uintptr_t& value);

// The command line after the program path (the path may be quoted).
std::string CommandTail(const std::string& commandLine);
