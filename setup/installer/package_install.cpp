#include "setup/installer/package_install.h"

#include "common/file_names.h"
#include "common/paths.h"

namespace {

int CodeOf(PackageResult r) {
    switch (r) {
    case PackageResult::Ok:
        return kInstallOk;
    case PackageResult::NoMemory:
        return kInstallOutOfMemory;
    case PackageResult::SinkError:
        return kInstallFileSystemError;
    default:
        return kInstallInvalidFile;
    }
}

} // namespace

bool IsInstallableSaverName(const std::string& name) {
    return IsValidSaverName(name);
}

bool IsInstallableCompanyName(const std::string& company) {
    if (company.empty()) return false;
    for (unsigned char c : company)
        if (c == '\\' || c < 0x20 || c == 0x7F) return false;
    return true;
}

int PackageInstall::CheckEntries() {
    reader_.Rewind();
    int code = CodeOf(reader_.Verify());
    while (code == kInstallOk && !reader_.AtEnd()) {
        PackageEntry e;
        code = CodeOf(reader_.Next(e));
        // A name with a folder part, a drive, ".." or a device would put the
        // file somewhere other than the folder its keyword names.
        if (code == kInstallOk && !IsSafeRelativePath(e.header.InstallName(), true))
            code = kInstallInvalidFile;
    }
    reader_.Rewind();
    return code;
}

int PackageInstall::Decide(const std::string& path) {
    if (policy_.MustAsk(target_.Exists(path)))
        policy_.Record(AskOverwriteUntilAnswered([&] { return target_.AskOverwrite(path); }));
    return policy_.Choice();
}

int PackageInstall::CopyStub(ByteSource& source, const std::string& path, uint32_t unixTime) {
    int choice = Decide(path);
    if (choice == kOverwriteAbort) return kInstallAborted;
    if (choice != kOverwriteNo) {
        std::vector<uint8_t> stub;
        try {
            stub.resize(size_t(reader_.FirstEntryOffset()));
        } catch (...) {
            return kInstallOutOfMemory;
        }
        if (!source.ReadAt(0, stub.data(), stub.size())) return kInstallInvalidFile;
        target_.Status("Copying " + path + "...");
        if (!target_.WriteFile(path, stub, unixTime)) return kInstallFileSystemError;
    }
    installed_.push_back(path);
    return kInstallOk;
}

int PackageInstall::ExtractEntry() {
    PackageEntry entry;
    int code = CodeOf(reader_.Next(entry));
    if (code != kInstallOk) return kInstallInvalidFile;
    const EntryHeader& h = entry.header;
    std::string name = h.InstallName();
    if (!IsSafeRelativePath(name, true)) return kInstallInvalidFile;
    target_.Status("Copying " + name + "...");

    std::string folder = target_.Folder(FolderForKeyword(h.keyword));
    if (folder.empty()) return kInstallFileSystemError;
    std::string path = JoinPath(folder, name);
    installed_.push_back(path);

    int choice = Decide(path);
    if (choice == kOverwriteAbort) return kInstallAborted;
    if (!h.shortcut.empty()) shortcuts_.push_back({name, path, h.shortcut});
    if (choice == kOverwriteNo) return kInstallOk;

    std::vector<uint8_t> data;
    code = CodeOf(reader_.Extract(entry, data));
    if (code != kInstallOk) return code == kInstallOutOfMemory ? code : kInstallInvalidFile;
    if (data.empty() || !target_.WriteFile(path, data, h.time)) return kInstallFileSystemError;
    return kInstallOk;
}
