// "Uninstall.dat": what Setup leaves in the installation folder so that
// Uninstall.exe can take the installation away again.
//
// Layout (archive encoding of common/archive.h, nothing before or after):
//   text  marker    "UNINSTALL"
//   text  saverName the installed saver's name
//   text  company   the company name (registry key "Software\<company>\<saverName>")
//   list  files     every installed path, in the order Setup recorded them:
//                   "setup.ex_" (authoring kit only), every package entry's
//                   target, the program-group folder (when one was made),
//                   this file itself, <installation folder>\<saverName>.gid
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr const char* kUninstallMarker = "UNINSTALL";
constexpr const char* kUninstallDataName = "Uninstall.dat";
constexpr const char* kUninstallProgramName = "Uninstall.exe";

struct UninstallData {
    std::string saverName;
    std::string company;
    std::vector<std::string> files;
};

// Result codes of DecodeUninstallData.
enum UninstallDataResult {
    kUninstallDataOk = 0,
    kUninstallDataTruncated = 1,     // a field is cut short or its length is impossible
    kUninstallDataForeign = 2,       // the file does not begin with the marker
    kUninstallDataBadSaverName = 3,  // the saver name is not a safe file name
    kUninstallDataBadCompany = 4,    // the company name is empty or holds \ or a control character
    kUninstallDataTrailing = 5,      // bytes follow the list
    kUninstallDataBadPath = 6,       // a listed path is empty or holds a control character
};

std::vector<uint8_t> EncodeUninstallData(const UninstallData& data);

// Decodes a whole file.  Every length and count is checked against the bytes
// present; on any result but kUninstallDataOk `out` is left empty.
int DecodeUninstallData(const uint8_t* bytes, size_t size, UninstallData& out);
inline int DecodeUninstallData(const std::vector<uint8_t>& bytes, UninstallData& out) {
    return DecodeUninstallData(bytes.data(), bytes.size(), out);
}

// A sentence for the person, e.g. "The uninstall data is damaged."
const char* UninstallDataResultText(int result);
