// The identity record appended to the end of every Plinthar executable: it names
// the kit or the created saver, and that name locates the registry key, the
// settings file and the default album.
//
// Byte layout, 1304 bytes, little-endian; texts are zero-terminated inside their field:
//   0     u32        RecordSize   always 1304; any other value: the file has no record
//   4     char[512]  AppName
//   516   char[6]    Version      at most 5 characters
//   522   char[256]  Author       stored only
//   778   char[256]  Company      registry path component and credit line
//   1034  258 bytes  reserved     zero
//   1292  u32        Year         four-digit build year
//   1296  u32        reserved     zero
//   1300  u32        Flags        bit 0 group choice, bit 1 kit defaults, bits 2-4 created saver
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kAppInfoSize = 1304;
constexpr uint32_t kAppFlagGroup = 1;
constexpr uint32_t kAppFlagKitDefaults = 2;
constexpr uint32_t kAppFlagCreatedSaver = 16;
constexpr uint32_t kAppFlagCreatedMask = 0x1C;

// The product's name when the program's string table does not give it (native
// builds and test programs); the program reads it from string 1.
constexpr const char* kProductName = "Plinthar";
constexpr const char* kMakerName = "Quorvane";
constexpr const char* kKitVersion = "2.02";

struct AppInfo {
    uint32_t RecordSize = 0;
    std::string AppName;
    std::string Version;
    std::string Author;
    std::string Company;
    uint32_t Year = 0;
    uint32_t Flags = 0;

    bool isCreatedSaver() const { return (Flags & kAppFlagCreatedMask) != 0; }
};

// The record of the running executable, read once at start-up.
extern AppInfo g_AppInfo;

// The record of a file that has none: the kit itself.
AppInfo KitDefaults(const std::string& author, const std::string& productName = kProductName);

// Decodes the last kAppInfoSize bytes of an executable.  Returns false when the
// first word is not 1304 (no record); `out` is then untouched.
bool DecodeAppInfo(const uint8_t* record, AppInfo& out);
// Encodes a record; texts longer than their field (less the terminator) are cut.
std::vector<uint8_t> EncodeAppInfo(const AppInfo& info);

// HKEY_LOCAL_MACHINE path of the installation folder's value "InstallDirectory".
std::string InstallKeyPath(const AppInfo& info);

// The kit must carry the product's own name; a created saver must not.
bool IdentityCheckPasses(const AppInfo& info, const std::string& productName = kProductName);
// The corrupt-data message shown when the identity check fails.
std::string IdentityErrorText(const AppInfo& info, const std::string& productName = kProductName);
