#include "app/app_info.h"

#include <cstring>

#include "common/byte_io.h"
#include "common/paths.h"

namespace {

struct Field {
    uint32_t offset, size;
};
constexpr Field kName{4, 512}, kVersion{516, 6}, kAuthor{522, 256}, kCompany{778, 256};
constexpr uint32_t kYearOffset = 1292, kFlagsOffset = 1300;

std::string TextField(const uint8_t* rec, Field f) {
    const char* p = reinterpret_cast<const char*>(rec + f.offset);
    size_t n = 0;
    while (n < f.size && p[n]) ++n;  // an unterminated field ends at its last byte
    return std::string(p, n);
}

void PutText(std::vector<uint8_t>& rec, Field f, const std::string& s) {
    size_t n = s.size() < f.size - 1 ? s.size() : f.size - 1;
    std::memcpy(rec.data() + f.offset, s.data(), n);
}

}  // namespace

AppInfo g_AppInfo;

AppInfo KitDefaults(const std::string& author, const std::string& productName) {
    AppInfo a;
    a.RecordSize = kAppInfoSize;
    a.AppName = productName;
    a.Author = author;
    a.Company = kMakerName;
    a.Version = kKitVersion;
    a.Flags = kAppFlagKitDefaults;
    return a;
}

bool DecodeAppInfo(const uint8_t* rec, AppInfo& out) {
    if (LoadLE32(rec) != kAppInfoSize) return false;
    out.RecordSize = kAppInfoSize;
    out.AppName = TextField(rec, kName);
    out.Version = TextField(rec, kVersion);
    out.Author = TextField(rec, kAuthor);
    out.Company = TextField(rec, kCompany);
    out.Year = LoadLE32(rec + kYearOffset);
    out.Flags = LoadLE32(rec + kFlagsOffset);
    return true;
}

std::vector<uint8_t> EncodeAppInfo(const AppInfo& info) {
    std::vector<uint8_t> rec(kAppInfoSize, 0);
    StoreLE32(rec.data(), kAppInfoSize);
    PutText(rec, kName, info.AppName);
    PutText(rec, kVersion, info.Version);
    PutText(rec, kAuthor, info.Author);
    PutText(rec, kCompany, info.Company);
    StoreLE32(rec.data() + kYearOffset, info.Year);
    StoreLE32(rec.data() + kFlagsOffset, info.Flags);
    return rec;
}

std::string InstallKeyPath(const AppInfo& info) {
    return "SoftWare\\" + info.Company + "\\" + info.AppName + "\\App";
}

bool IdentityCheckPasses(const AppInfo& info, const std::string& productName) {
    return EqualsNoCase(productName, info.AppName) != info.isCreatedSaver();
}

std::string IdentityErrorText(const AppInfo& info, const std::string& productName) {
    return "The initialization data of this program is corrupt.\n\nExpected name: " +
           productName + "\nName found: " + info.AppName +
           "\nFlags: " + std::to_string(info.Flags);
}
