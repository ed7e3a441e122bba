// Path helpers on Windows-style paths (backslash separators), shared by every
// subsystem.  They work on text only and never touch the file system.
#pragma once

#include <string>

// A path that begins with exactly one backslash is relative to a folder the
// caller knows (the album's, the installation's); "\\server\share\..." names a
// network share and stands on its own, like "C:\...".
bool IsFolderRelative(const std::string& path);
// dir + name when dir ends with a backslash or name begins with one, else dir + "\" + name.
std::string JoinPath(const std::string& dir, const std::string& name);
// Text before the last backslash; empty when there is none.
std::string DirectoryPart(const std::string& path);
// Text after the last backslash; the whole path when there is none.
std::string FileNamePart(const std::string& path);
// The path without the extension of its file name: text before the last dot of the
// file name (a dot in a folder name is not an extension); empty for ".ext".
std::string StripExtension(const std::string& path);
// Extension of the file name including its dot ("" when none), as written.
std::string ExtensionPart(const std::string& path);

// ASCII case folding as the C library does it in the "C" locale.
std::string ToLowerAscii(std::string s);
int CompareNoCase(const std::string& a, const std::string& b);
bool EqualsNoCase(const std::string& a, const std::string& b);
