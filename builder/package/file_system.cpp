#include "builder/package/file_system.h"

#include "common/paths.h"

bool HasExtensionNoCase(const std::string& name, const std::string& ext) {
    if (name.size() < ext.size() + 1) return false;
    size_t at = name.size() - ext.size();
    return name[at - 1] == '.' && EqualsNoCase(name.substr(at), ext);
}
