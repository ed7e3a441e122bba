#include "setup/uninstall/uninstall_win32.h"

#include <shlobj.h>

#include <vector>

#include "common/file_names.h"
#include "common/paths.h"
#include "setup/uninstall/uninstall_data.h"
#include "setup/uninstall/uninstall_messages.h"
#include "setup/uninstall/uninstall_plan.h"
#include "win32/handles.h"

namespace {

// Windows 95 and NT 4 lack GetLongPathNameA: there the path stays as given.
std::string LongPath(const std::string& path) {
    using LongPathFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
    static LongPathFn fn = reinterpret_cast<LongPathFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetLongPathNameA")));
    char full[MAX_PATH * 2];
    char* name = nullptr;
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, &name);
    std::string out = (n > 0 && n < sizeof full) ? std::string(full, n) : path;
    if (fn) {
        char buf[MAX_PATH * 2];
        n = fn(out.c_str(), buf, sizeof buf);
        if (n > 0 && n < sizeof buf) out.assign(buf, n);
    }
    return out;
}

std::string ModulePath() {
    char buf[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string TempFolder() {
    char buf[MAX_PATH * 2];
    DWORD n = GetTempPathA(sizeof buf, buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string SpecialFolder(int csidl) {
    std::string out;
    LPITEMIDLIST pidl = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &pidl)) && pidl) {
        char buf[MAX_PATH];
        if (SHGetPathFromIDListA(pidl, buf)) out = buf;
        IMalloc* m = nullptr;
        if (SUCCEEDED(SHGetMalloc(&m)) && m) {
            m->Free(pidl);
            m->Release();
        }
    }
    return out.empty() ? out : LongPath(out);
}

std::string WindowsFolder(bool system) {
    char buf[MAX_PATH];
    UINT n = system ? GetSystemDirectoryA(buf, sizeof buf) : GetWindowsDirectoryA(buf, sizeof buf);
    return n > 0 && n < sizeof buf ? LongPath(std::string(buf, n)) : std::string();
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
    ScopedHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.Valid()) return false;
    DWORD high = 0;
    DWORD size = GetFileSize(f.Get(), &high);
    // The data of the largest installation is a few hundred kilobytes.
    if (size == INVALID_FILE_SIZE || high != 0 || size > 16u * 1024 * 1024) return false;
    out.resize(size);
    DWORD got = 0;
    return size == 0 || (ReadFile(f.Get(), out.data(), size, &got, nullptr) && got == size);
}

bool RemoveFile(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return true;
    // A folder is never listed as a file by Setup: leave it unless it is empty.
    if (a & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryA(path.c_str()) || !Exists(path);
    if (a & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path.c_str()) || !Exists(path)) return true;
    // In use (a running saver): gone at the next start of Windows.
    return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

// The program group holds the links Setup made there; anything else the
// person put in it keeps the folder.
bool RemoveProgramGroup(const std::string& group) {
    if (!IsFolder(group)) return !Exists(group);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(JoinPath(group, "*.lnk").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                RemoveFile(JoinPath(group, fd.cFileName));
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    return RemoveDirectoryA(group.c_str()) || !Exists(group);
}

// A folder that still holds something is kept, and that is no failure.
void RemoveFolderIfEmpty(const std::string& dir) {
    RemoveDirectoryA(dir.c_str());
}

bool CarryOut(const Removal& r) {
    switch (r.kind) {
    case RemovalKind::File:
        return RemoveFile(r.path);
    case RemovalKind::ProgramGroup:
        return RemoveProgramGroup(r.path);
    case RemovalKind::FolderIfEmpty:
        RemoveFolderIfEmpty(r.path);
        return true;
    }
    return false;
}

bool KeyIsEmpty(const std::string& key) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    DWORD subkeys = 1, values = 1;
    LONG rc = RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(h);
    return rc == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

void CarryOut(const RegistryRemoval& r) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, r.key.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &h) !=
        ERROR_SUCCESS)
        return;
    char buf[MAX_PATH * 2] = {};
    DWORD type = 0, size = sizeof buf - 1;
    bool ours = RegQueryValueExA(h, r.value.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS &&
                type == REG_SZ && SamePath(LongPath(buf), r.expected);
    if (ours) {
        RegDeleteValueA(h, r.value.c_str());
        for (const std::string& v : r.alsoDelete) RegDeleteValueA(h, v.c_str());
    }
    RegCloseKey(h);
    if (!ours) return;
    for (const std::string& key : r.pruneKeys) {
        if (!KeyIsEmpty(key)) break;
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    }
}

// Setup may have made the saver the active one; Windows would go on naming a
// file that is gone.  Only a setting that names this very file is cleared.
void ForgetActiveSaver(const std::vector<Removal>& steps, const std::string& windowsDir) {
    std::string ini = JoinPath(windowsDir, "system.ini");
    char active[MAX_PATH * 2] = {};
    GetPrivateProfileStringA("boot", "scrnsave.exe", "", active, sizeof active, ini.c_str());
    if (!active[0]) return;
    for (const Removal& r : steps) {
        if (r.kind != RemovalKind::File || !EqualsNoCase(ExtensionPart(r.path), ".scr")) continue;
        char shortPath[MAX_PATH];
        DWORD n = GetShortPathNameA(r.path.c_str(), shortPath, sizeof shortPath);
        bool named = SamePath(active, r.path) ||
                     (n > 0 && n < sizeof shortPath && SamePath(active, shortPath));
        if (named) {
            WritePrivateProfileStringA("boot", "scrnsave.exe", nullptr, ini.c_str());
            return;
        }
    }
}

int Box(const std::string& caption, const std::string& text, UINT type) {
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), type | MB_SETFOREGROUND);
}

// Windows 95/98 have no MOVEFILE_DELAY_UNTIL_REBOOT: WININIT.INI's [rename]
// section deletes a file named against NUL at the next start.
void DeleteAtRestart(const std::string& path) {
    if (MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return;
    char shortPath[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
    if (n > 0 && n < sizeof shortPath)
        WritePrivateProfileStringA("rename", "NUL", shortPath, "wininit.ini");
}

// Starts a copy of this program in the temporary folder that waits for this
// process to end and then deletes the program and the folders left empty.
// The copy inherits a delete-on-close handle to its own file, so on Windows NT
// the file goes when the copy ends; Windows 95/98 know no such handle and
// delete it at the next start.  Returns false when no copy could be started.
bool StartFinishingCopy(const std::string& self, const std::vector<std::string>& folders) {
    std::string temp = TempFolder();
    char copy[MAX_PATH];
    if (temp.empty() || !GetTempFileNameA(temp.c_str(), "uni", 0, copy)) return false;
    if (!CopyFileA(self.c_str(), copy, FALSE)) {
        DeleteFileA(copy);
        return false;
    }
    bool nt = (GetVersion() & 0x80000000u) == 0;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    ScopedHandle deleteOnClose;
    if (nt)
        deleteOnClose.Reset(CreateFileA(copy, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                        &inherit, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE,
                                        nullptr));
    std::string line = MakeFinishCommand(copy, GetCurrentProcessId(), self, folders);
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    // The copy inherits the delete-on-close handle and nothing else: no
    // standard handles of whoever started this program.
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(copy, mutableLine.data(), nullptr, nullptr, deleteOnClose.Valid(), 0,
                        nullptr, temp.c_str(), &si, &pi)) {
        if (!deleteOnClose.Valid()) DeleteFileA(copy);
        return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (!deleteOnClose.Valid()) DeleteAtRestart(copy);
    return true;
}

int Finish(const UninstallCommand& cmd) {
    if (!cmd.valid) return kUninstallBadCommand;
    ScopedHandle parent(OpenProcess(SYNCHRONIZE, FALSE, cmd.parentId));
    if (parent.Valid()) WaitForSingleObject(parent.Get(), 60000);
    // The file may stay locked a moment after its process ended.
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        gone = DeleteFileA(cmd.exePath.c_str()) || !Exists(cmd.exePath);
        if (!gone) Sleep(100);
    }
    if (!gone) DeleteAtRestart(cmd.exePath);
    for (const std::string& dir : cmd.folders) {
        if (!RemoveDirectoryA(dir.c_str()) && !gone) DeleteAtRestart(dir);
    }
    return kUninstallRemoved;
}

int Uninstall(const UninstallCommand& cmd) {
    const std::string& dataPath = cmd.dataPath;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(dataPath, bytes)) {
        Box(UninstallCaption(""), UnreadableDataText(dataPath), MB_OK | MB_ICONERROR);
        return kUninstallRefused;
    }
    UninstallData data;
    int result = DecodeUninstallData(bytes, data);
    if (result != kUninstallDataOk) {
        Box(UninstallCaption(""), RefusedDataText(dataPath, UninstallDataResultText(result)),
            MB_OK | MB_ICONERROR);
        return kUninstallRefused;
    }
    std::string caption = UninstallCaption(data.saverName);
    if (Box(caption, UninstallQuestion(data.saverName), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return kUninstallDeclined;

    UninstallPlaces places;
    places.installDir = DirectoryPart(dataPath);
    places.windowsDir = WindowsFolder(false);
    places.systemDir = WindowsFolder(true);
    for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
        std::string dir = SpecialFolder(csidl);
        if (!dir.empty()) places.programsDirs.push_back(dir);
    }
    places.selfPath = LongPath(ModulePath());
    // Setup may have written short forms: compare what exists in its long form.
    // A relative path or one with "." or ".." would be resolved against
    // the current folder: such entries stay as written, and the plan skips them.
    for (std::string& path : data.files) {
        if (IsPlainAbsolutePath(path) && Exists(path)) path = LongPath(path);
    }
    UninstallPlan plan = PlanUninstall(data, places);

    ForgetActiveSaver(plan.steps, places.windowsDir);
    std::vector<std::string> notRemoved;
    for (const Removal& r : plan.steps) {
        if (!CarryOut(r)) notRemoved.push_back(r.path);
    }
    for (const RegistryRemoval& r : plan.registry) CarryOut(r);
    for (const Removal& r : plan.finalSteps) {
        if (!CarryOut(r)) notRemoved.push_back(r.path);
    }
    if (plan.removeSelf && !StartFinishingCopy(places.selfPath, plan.afterSelf)) {
        DeleteAtRestart(places.selfPath);
        for (const std::string& dir : plan.afterSelf) DeleteAtRestart(dir);
    }
    Box(caption, UninstallDoneText(data.saverName, notRemoved),
        MB_OK | (notRemoved.empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
    return notRemoved.empty() ? kUninstallRemoved : kUninstallIncomplete;
}

}  // namespace

int RunUninstall(const std::string& commandLine) {
    std::string module = ModulePath();
    UninstallCommand cmd = ParseUninstallCommand(commandLine, module);
    if (!cmd.finish) cmd.dataPath = LongPath(cmd.dataPath);
    // The folder being removed must not be this process's current folder.
    std::string temp = TempFolder();
    if (!temp.empty()) SetCurrentDirectoryA(temp.c_str());
    return cmd.finish ? Finish(cmd) : Uninstall(cmd);
}
