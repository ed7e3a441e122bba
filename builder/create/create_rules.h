// Rules of the Create page that need no window: what the author may type as
// the saver's name, folder, version and publisher, which additional files are
// refused, and the names a build derives from the saver's name.
#pragma once

#include <string>
#include <vector>

// The Distribution section never yields more additional files than this,
// whatever its "NumFiles" claims.
constexpr int kMaxDistributionFiles = 1000;

struct CreateFields {
    std::string saverName;  // gains ".scr" when it does not end so
    std::string directory;
    std::string version;
    std::string publisher;
    std::vector<std::string> files;  // additional files, full paths
};

enum class CreateField { None, Name, Directory, Version, Publisher, Files };

struct CreateCheck {
    CreateField field = CreateField::None;  // the field at fault
    std::string message;                    // the warning shown to the author
    bool ok() const { return field == CreateField::None; }
};

// Checks the fields in the order the author reads the page and appends ".scr"
// to a name that lacks it (case-insensitively), even when a later check fails.
// productName is the kit's own name, which no created saver may take.
CreateCheck CheckCreateFields(CreateFields& fields, const std::string& productName);

// The saver's name without its ".scr" (any case): N of N.exe, N.ini, N.alb.
std::string SaverBaseName(const std::string& name);

// A file whose bare name has at least 5 characters and ends in ".exe", ".com",
// ".bat" or ".scr" (any case) may not be handed out with a saver.
bool IsExecutableName(const std::string& path);
// Shortcut offered for a newly added file: its name without the extension.
std::string DefaultShortcut(const std::string& path);
// The publisher kept in the settings, else the Windows user's name; cut to the
// trailer's 100 characters.  Empty only when both are empty.
std::string DefaultPublisher(const std::string& stored, const std::string& userName);
