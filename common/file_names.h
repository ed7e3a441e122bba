// Rules for names that become file and folder names on the end user's disk:
// the saver name (which names the saver's files, its program group and its
// registry keys) and the target names of installed files.  Text only; nothing
// here touches the file system.
#pragma once

#include <string>

// Longest saver name: the name plus ".scr", ".ini", ".hlp" or ".gid" must still
// fit one file-name component of 255 characters.
constexpr size_t kMaxSaverNameLength = 251;

// True when `component` is one file or folder name that Windows stores as
// written: not empty, not "." or "..", none of \ / : * ? " < > | nor a control
// character, no trailing dot or space (Windows would drop them and name another
// file), and not a device (CON, PRN, AUX, NUL, CLOCK$, COM1-COM9, LPT1-LPT9),
// with or without an extension, in any case.
bool IsSafeFileName(const std::string& component);

// True for a device name that Windows opens instead of a file: the text before
// the first dot, without trailing spaces, is one of the device names above.
bool IsDeviceName(const std::string& component);

// A saver name is a safe file name of at most kMaxSaverNameLength characters.
bool IsValidSaverName(const std::string& name);

// True when `path` names something inside the folder it is relative to: one or
// more safe file names joined by backslashes or slashes, so never absolute
// ("\x", "C:x", "C:\x", "\\server\share"), never "." or ".." and never an empty
// component.  With bareName only a single component is allowed.
bool IsSafeRelativePath(const std::string& path, bool bareName = false);

// True for "<drive letter>:\" or "\\server\share\" followed by a safe
// relative path: an absolute path that names one place however the current
// folder is set, with nothing for Windows to resolve ("." or "..").
bool IsPlainAbsolutePath(const std::string& path);

// True when the absolute `path` lies strictly below `folder` (compared without
// regard to ASCII case, either separator accepted, a trailing separator of the
// folder ignored) and what follows the folder is a safe relative path.  The
// folder itself is not inside itself; an empty folder contains nothing.
bool IsPathInside(const std::string& folder, const std::string& path);
