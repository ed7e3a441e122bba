#include "builder/create/create_rules.h"

#include "common/file_names.h"
#include "common/paths.h"

namespace {

constexpr size_t kMaxName = 250;
constexpr size_t kMaxDirectory = 259;
constexpr size_t kVersionLimit = 5;  // the identity record holds 5 characters; we keep 4
constexpr size_t kMaxPublisher = 100;

bool EndsWithNoCase(const std::string& s, const char* tail) {
    std::string t = tail;
    return s.size() >= t.size() && EqualsNoCase(s.substr(s.size() - t.size()), t);
}

CreateCheck Fault(CreateField field, std::string message) {
    CreateCheck c;
    c.field = field;
    c.message = std::move(message);
    return c;
}

std::string Printf(const char* fmt, const std::string& s) {
    std::string out(fmt);
    size_t at = out.find("%s");
    return at == std::string::npos ? out : out.replace(at, 2, s);
}

}  // namespace

std::string SaverBaseName(const std::string& name) {
    return EndsWithNoCase(name, ".scr") ? name.substr(0, name.size() - 4) : name;
}

CreateCheck CheckCreateFields(CreateFields& f, const std::string& productName) {
    if (f.saverName.empty() || f.saverName.size() > kMaxName)
        return Fault(CreateField::Name,
                     "The screensaver's name must be between 1 and 250 character.");
    if (f.saverName.size() < 5 || !EndsWithNoCase(f.saverName, ".scr")) f.saverName += ".scr";
    if (EqualsNoCase(f.saverName, productName + ".scr"))
        return Fault(CreateField::Name, productName + " is reserved. Please choose another name.");
    std::string base = SaverBaseName(f.saverName);
    if (base.find_first_of("\\/:*?\"<>|") != std::string::npos)
        return Fault(CreateField::Name, "The screensaver's name may not contain any of the "
                                        "characters \\ / : * ? \" < > |");
    // The name becomes file names, a Start-menu folder and a registry key.
    if (!IsValidSaverName(base))
        return Fault(CreateField::Name,
                     "The screensaver's name may not hold control characters, end with a "
                     "period or a space, or be a device name such as CON or NUL.");
    // The name and the version end up in comma-separated make-file lines.
    if (base.find(',') != std::string::npos)
        return Fault(CreateField::Name, "The screensaver's name may not contain a comma.");
    if (f.directory.empty() || f.directory.size() > kMaxDirectory)
        return Fault(CreateField::Directory, "The directory must be between 1 and 260 character.");
    if (f.version.size() >= kVersionLimit)
        return Fault(CreateField::Version, "The version must be less than 5 characters.");
    if (f.version.find(',') != std::string::npos)
        return Fault(CreateField::Version, "The version may not contain a comma.");
    if (f.publisher.empty() || f.publisher.size() > kMaxPublisher)
        return Fault(CreateField::Publisher,
                     "The publisher's name must be between 1 and 100 characters.");
    // The publisher names the saver's registry key: Software\publisher\saver.
    for (char c : f.publisher)
        if (c == '\\' || static_cast<unsigned char>(c) < 32)
            return Fault(CreateField::Publisher, "The publisher's name may not contain a "
                                                 "backslash or control characters.");
    // The build writes N.ini and N.alb into the installation folder beside the
    // additional files: a file of the same name would replace one of them.
    for (const char* ext : {"ini", "alb"}) {
        std::string reserved = base + "." + ext;
        for (const std::string& file : f.files)
            if (EqualsNoCase(FileNamePart(file), reserved))
                return Fault(CreateField::Files, Printf("The file %s is reserved.", reserved));
    }
    return CreateCheck();
}

bool IsExecutableName(const std::string& path) {
    std::string name = FileNamePart(path);
    if (name.size() < 5) return false;
    for (const char* ext : {".exe", ".com", ".bat", ".scr"})
        if (EndsWithNoCase(name, ext)) return true;
    return false;
}

std::string DefaultShortcut(const std::string& path) {
    std::string name = FileNamePart(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string DefaultPublisher(const std::string& stored, const std::string& userName) {
    const std::string& name = stored.empty() ? userName : stored;
    return name.substr(0, kMaxPublisher);
}
