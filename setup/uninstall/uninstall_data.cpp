#include "setup/uninstall/uninstall_data.h"

#include "common/archive.h"
#include "common/file_names.h"

std::vector<uint8_t> EncodeUninstallData(const UninstallData& data) {
    ByteWriter w;
    WriteArchiveText(w, kUninstallMarker);
    WriteArchiveText(w, data.saverName);
    WriteArchiveText(w, data.company);
    WriteArchiveList(w, data.files);
    return w.Data();
}

namespace {

bool HasControlChar(const std::string& s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) < 0x20) return true;
    }
    return false;
}

int Decode(ByteReader& r, UninstallData& out) {
    std::string marker;
    // The marker is checked before anything else so that any other file is
    // called foreign rather than damaged.
    if (!ReadArchiveText(r, marker)) return kUninstallDataForeign;
    if (marker != kUninstallMarker) return kUninstallDataForeign;
    if (!ReadArchiveText(r, out.saverName) || !ReadArchiveText(r, out.company) ||
        !ReadArchiveList(r, out.files))
        return kUninstallDataTruncated;
    if (r.remaining() != 0) return kUninstallDataTrailing;
    if (!IsValidSaverName(out.saverName)) return kUninstallDataBadSaverName;
    if (out.company.empty() || out.company.find('\\') != std::string::npos ||
        HasControlChar(out.company))
        return kUninstallDataBadCompany;
    for (const std::string& path : out.files) {
        if (path.empty() || HasControlChar(path)) return kUninstallDataBadPath;
    }
    return kUninstallDataOk;
}

}  // namespace

int DecodeUninstallData(const uint8_t* bytes, size_t size, UninstallData& out) {
    out = UninstallData();
    ByteReader r(bytes, size);
    int result = Decode(r, out);
    if (result != kUninstallDataOk) out = UninstallData();
    return result;
}

const char* UninstallDataResultText(int result) {
    switch (result) {
    case kUninstallDataOk:
        return "The uninstall data is in order.";
    case kUninstallDataTruncated:
    case kUninstallDataTrailing:
    case kUninstallDataBadPath:
        return "The uninstall data is damaged.";
    case kUninstallDataForeign:
        return "The file is not uninstall data.";
    case kUninstallDataBadSaverName:
        return "The uninstall data names the saver with characters that a file name cannot hold.";
    case kUninstallDataBadCompany:
        return "The uninstall data holds an invalid company name.";
    default:
        return "The uninstall data cannot be read.";
    }
}
