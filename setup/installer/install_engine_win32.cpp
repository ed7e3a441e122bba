#include "setup/installer/install_engine_win32.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include "builder/package/handle_source_win32.h"
#include "common/file_names.h"
#include "common/paths.h"
#include "setup/installer/overwrite_dialog_win32.h"
#include "setup/uninstall/uninstall_data.h"
#include "win32/handles.h"

namespace {

std::string WindowsFolder() {
    char buf[1000];
    UINT n = GetWindowsDirectoryA(buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string SystemFolder() {
    char buf[1000];
    UINT n = GetSystemDirectoryA(buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SetRegistryText(HKEY root, const std::string& key, const char* name,
                     const std::string& value) {
    HKEY k;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             DWORD(value.size() + 1));
    RegCloseKey(k);
    return rc == ERROR_SUCCESS;
}

} // namespace

FILETIME UnixTimeToFileTime(uint32_t t) {
    // 100-nanosecond intervals since 1601-01-01.
    ULONGLONG v = ULONGLONG(t) * 10000000ULL + 116444736000000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = DWORD(v);
    ft.dwHighDateTime = DWORD(v >> 32);
    return ft;
}

bool InstallEngine::InstallingKit() const {
    return !params_.productName.empty() && EqualsNoCase(params_.saverName, params_.productName);
}

std::string InstallEngine::Folder(TargetFolder which) {
    switch (which) {
    case TargetFolder::Windows:
        return WindowsFolder();
    case TargetFolder::System:
        return SystemFolder();
    default:
        return params_.installDir;
    }
}

bool InstallEngine::Exists(const std::string& path) {
    return PathExists(path);
}

int InstallEngine::AskOverwrite(const std::string& path) {
    COverwriteDialog dialog;
    return dialog.Ask(params_.owner, path);
}

void InstallEngine::Status(const std::string& text) {
    if (params_.status) {
        SetWindowTextA(params_.status, text.c_str());
        UpdateWindow(params_.status);
    }
}

void InstallEngine::Step() {
    if (params_.progress) {
        SendMessageA(params_.progress, PBM_STEPIT, 0, 0);
        UpdateWindow(params_.progress);
    }
}

bool InstallEngine::WriteFile(const std::string& path, const std::vector<uint8_t>& data,
                              uint32_t unixTime) {
    // An earlier installation may have left the file read-only.
    DWORD old = GetFileAttributesA(path.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(f, data.data(), DWORD(data.size()), &written, nullptr) &&
              written == data.size() && written > 0;
    if (ok && unixTime != 0) {
        FILETIME ft = UnixTimeToFileTime(unixTime);
        SetFileTime(f, nullptr, nullptr, &ft);
    }
    CloseHandle(f);
    if (ok) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ok;
}

bool InstallEngine::Install(const InstallParams& params) {
    params_ = params;
    result_ = kInstallOk;
    installed_.clear();
    shortcuts_.clear();

    ScopedHandle file(CreateFileA(params_.packagePath.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
    uint64_t size = 0;
    if (!file.Valid() || !HandleFileSize(file.Get(), size))
        return result_ = kInstallInvalidFile, false;
    HandleSource source(file.Get());
    PackageReader reader(source, size);
    if (reader.Open() != PackageResult::Ok) return result_ = kInstallInvalidFile, false;
    const PackageTrailer& trailer = reader.Trailer();
    params_.saverName = trailer.saverName;
    params_.version = trailer.version;
    params_.company = trailer.company;
    params_.author = trailer.author;
    flags_ = trailer.flags;

    PackageInstall install(reader, *this);
    // Every header and name is checked before the first byte is written, so a
    // damaged package installs nothing at all.
    if ((result_ = install.CheckEntries()) != kInstallOk) return false;

    if (params_.progress) {
        SendMessageA(params_.progress, PBM_SETRANGE32, 0, LPARAM(trailer.entryCount + 3));
        SendMessageA(params_.progress, PBM_SETPOS, 0, 0);
        SendMessageA(params_.progress, PBM_SETSTEP, 1, 0);
    }

    if (InstallingKit()) {
        // The kit's builder looks for the stub beside itself.
        FILETIME own = {};
        GetFileTime(file.Get(), nullptr, nullptr, &own);
        ULONGLONG t = (ULONGLONG(own.dwHighDateTime) << 32) | own.dwLowDateTime;
        uint32_t unix =
            t > 116444736000000000ULL ? uint32_t((t - 116444736000000000ULL) / 10000000ULL) : 0;
        result_ = install.CopyStub(source, JoinPath(params_.installDir, "setup.ex_"), unix);
        if (result_ != kInstallOk) return installed_ = install.InstalledFiles(), false;
    }

    while (!install.AtEnd()) {
        result_ = install.ExtractEntry();
        if (result_ != kInstallOk) return installed_ = install.InstalledFiles(), false;
        Step();
    }
    installed_ = install.InstalledFiles();
    shortcuts_ = install.Shortcuts();

    if (flags_ & 1) {
        Status("Creating shortcuts...");
        CreateShortcuts();
    }
    Step();
    if (!WriteUninstallData()) return false;
    Step();
    Status("Updating registry...");
    if (!WriteRegistry()) return false;
    Step();
    shortcuts_.clear();
    Status("Thank you for installing " + params_.saverName + ".");
    return true;
}

bool InstallEngine::CreateShortcuts() {
    char programs[MAX_PATH] = "";
    if (!SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAMS, FALSE) || !programs[0])
        return false;
    std::string group = JoinPath(programs, params_.saverName);
    installed_.push_back(group);

    if (PathExists(group)) {
        // SHFileOperation wants a list ended by two zero characters.
        std::string from = group + std::string(2, '\0');
        SHFILEOPSTRUCTA op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
        SHFileOperationA(&op);
    }
    if (!CreateFolderTree(group)) {
        result_ = kInstallFileSystemError;
        return false;
    }

    HRESULT com = CoInitialize(nullptr);
    for (const ShortcutRecord& s : shortcuts_) {
        // A link name is a file name inside the group, nothing else.
        if (!IsSafeFileName(s.shortcut)) continue;
        std::string linkPath = JoinPath(group, s.shortcut + ".LNK");
        IShellLinkA* link = nullptr;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&link))))
            continue;
        link->SetPath(s.path.c_str());
        link->SetDescription(s.shortcut.c_str());
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR wide[MAX_PATH];
            if (MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH) > 0)
                file->Save(wide, TRUE);
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();

    ShellExecuteA(nullptr, "open", group.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return true;
}

bool InstallEngine::WriteUninstallData() {
    std::string path = JoinPath(params_.installDir, params_.uninstallDataName);
    installed_.push_back(path);
    installed_.push_back(JoinPath(params_.installDir, params_.saverName + ".gid"));
    UninstallData data;
    data.saverName = params_.saverName;
    data.company = params_.company;
    data.files = installed_;
    std::vector<uint8_t> bytes = EncodeUninstallData(data);
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return result_ = kInstallFileSystemError, false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(f);
    if (!ok) return result_ = kInstallFileSystemError, false;
    return true;
}

bool InstallEngine::WriteRegistry() {
    HKEY software;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS, &software) !=
        ERROR_SUCCESS)
        return result_ = kInstallRegistryError, false;
    HKEY app;
    std::string sub = params_.company + "\\" + params_.saverName;
    LONG rc = RegCreateKeyExA(software, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &app,
                              nullptr);
    RegCloseKey(software);
    if (rc != ERROR_SUCCESS) return result_ = kInstallRegistryError, false;
    RegCloseKey(app);

    SetRegistryText(HKEY_LOCAL_MACHINE, "Software\\" + sub + "\\App", "InstallDirectory",
                    params_.installDir);
    if (InstallingKit())
        SetRegistryText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\Help",
                        (params_.saverName + ".hlp").c_str(), params_.installDir);
    std::string uninstall =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + params_.saverName;
    SetRegistryText(HKEY_LOCAL_MACHINE, uninstall, "DisplayName", params_.saverName);
    SetRegistryText(HKEY_LOCAL_MACHINE, uninstall, "UninstallString",
                    JoinPath(params_.installDir, kUninstallProgramName));
    return true;
}

void RunPostInstallActions(const std::string& saverName, bool makeActive, bool launchConfig) {
    std::string windows = WindowsFolder();
    std::string saver = JoinPath(windows, saverName + ".scr");
    if (makeActive) {
        char shortPath[MAX_PATH];
        DWORD n = GetShortPathNameA(saver.c_str(), shortPath, sizeof shortPath);
        std::string value = n > 0 && n < sizeof shortPath ? std::string(shortPath, n) : saver;
        WritePrivateProfileStringA("boot", "scrnsave.exe", value.c_str(),
                                   JoinPath(windows, "system.ini").c_str());
        // Stored as well as broadcast, so that the choice outlives this session.
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr,
                              SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    }
    if (launchConfig) {
        // Started by its own name with no arguments: the saver opens its configuration
        // (the shell's verb for .scr files would add "/S" and start the saver itself).
        std::string command = "\"" + saver + "\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_SHOW;
        PROCESS_INFORMATION pi = {};
        if (CreateProcessA(saver.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                           windows.c_str(), &si, &pi)) {
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    }
}

bool CreateFolderTree(const std::string& folder) {
    if (folder.size() <= 1) return false;
    if (folder.size() <= 3 && folder[1] == ':') {
        std::string root = folder.substr(0, 2) + "\\";
        UINT type = GetDriveTypeA(root.c_str());
        return type != DRIVE_UNKNOWN && type != DRIVE_NO_ROOT_DIR;
    }
    DWORD attr = GetFileAttributesA(folder.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES) return (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
    std::vector<std::string> steps = FoldersToCreate(folder);
    if (steps.empty()) return false;
    for (const std::string& step : steps) {
        DWORD a = GetFileAttributesA(step.c_str());
        if (a != INVALID_FILE_ATTRIBUTES) {
            if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return false;
            continue;
        }
        if (!CreateDirectoryA(step.c_str(), nullptr)) return false;
    }
    return true;
}
