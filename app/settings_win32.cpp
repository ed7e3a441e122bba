#include "app/settings_win32.h"

#include <windows.h>

#include "app/album.h"
#include "app/app_info.h"
#include "app/resource.h"
#include "app/settings.h"
#include "common/byte_io.h"
#include "common/paths.h"
#include "win32/application.h"
#include "win32/handles.h"

namespace {

constexpr size_t kMaxAlbumBytes = 64u << 20;  // far beyond any real album; bounds the read

const char kAbsent[] = "\x01<absent>";

// The path in the process's first command-line argument.
std::string FirstArgument() {
    std::string line = GetCommandLineA();
    if (!line.empty() && line[0] == '"') {
        size_t close = line.find('"', 1);
        return line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return line.substr(0, line.find_first_of(" \t"));
}

std::string ModulePath() {
    char buf[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buf, sizeof buf);
    return buf;
}

ScopedHandle OpenShared(const std::string& path) {
    return ScopedHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Reads the identity record at the end of the running executable.
bool ReadAppInfo(std::string& exePath) {
    Application& app = Application::Get();
    exePath = FirstArgument();
    ScopedHandle file = OpenShared(exePath);
    if (!file.Valid()) {
        // Started by a bare name ("Plinthar /s" at a prompt): the argument is no
        // openable path, but the module itself is the same file.
        std::string module = ModulePath();
        file = OpenShared(module);
        if (file.Valid()) exePath = module;
    }
    if (!file.Valid()) {
        app.ShowError(Format("Unable to open file %s. Quitting.", exePath.c_str()));
        return false;
    }
    uint8_t record[kAppInfoSize] = {};
    DWORD got = 0;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file.Get(), &size) && size.QuadPart >= kAppInfoSize;
    if (ok) {
        LARGE_INTEGER at;
        at.QuadPart = size.QuadPart - kAppInfoSize;
        ok = SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) &&
             ReadFile(file.Get(), record, kAppInfoSize, &got, nullptr) && got == kAppInfoSize;
    }
    if (!ok) {
        app.ShowError("Invalid executable file.");
        return false;
    }
    if (!DecodeAppInfo(record, g_AppInfo))
        g_AppInfo = KitDefaults(app.LoadText(IDS_AUTHOR_NAME), ProductName());
    app.SetTitle(g_AppInfo.AppName);
    return true;
}

// The installation folder written by the installer, or the executable's folder.
std::string FindInstallDir(const std::string& exePath) {
    char buf[255] = {};
    HKEY key;
    // Reading is all that is done, so read access is all that is asked for: a user
    // without administrator rights cannot open this key for full access.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, InstallKeyPath(g_AppInfo).c_str(), 0, KEY_QUERY_VALUE,
                      &key) == ERROR_SUCCESS) {
        DWORD size = sizeof buf - 1, type = 0;
        if (RegQueryValueExA(key, "InstallDirectory", nullptr, &type,
                             reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            buf[0] = 0;
        RegCloseKey(key);
    }
    if (buf[0]) return buf;
    Application::Get().ShowWarning("Cannot get location of program directory.  Please re-install.");
    return DirectoryPart(exePath);
}

}  // namespace

bool IniFileProfile::Read(const std::string& section, const std::string& key, std::string& out) {
    char buf[kProfileValueMax + 1];
    GetPrivateProfileStringA(section.c_str(), key.c_str(), kAbsent, buf, sizeof buf, path_.c_str());
    if (lstrcmpA(buf, kAbsent) == 0) return false;
    out = buf;
    return true;
}

void IniFileProfile::Write(const std::string& section, const std::string& key,
                           const std::string& value) {
    WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path_.c_str());
}

void IniFileProfile::Flush() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str()); }

std::string ProductName() {
    std::string name = Application::Get().LoadText(IDS_PRODUCT_NAME);
    return name.empty() ? kProductName : name;
}

static const char* IniFile(const char* file) { return file ? file : g_IniPath.c_str(); }

int ReadProfileInt(const char* section, const char* key, int def, const char* file) {
    return IniFileProfile(IniFile(file)).ReadInt(section, key, def);
}

std::string ReadProfileString(const char* section, const char* key, const char* def,
                              const char* file) {
    return IniFileProfile(IniFile(file)).ReadString(section, key, def);
}

void WriteProfileInt(const char* section, const char* key, int value, const char* file) {
    IniFileProfile(IniFile(file)).WriteInt(section, key, value);
}

void WriteProfileString(const char* section, const char* key, const std::string& text,
                        const char* file) {
    IniFileProfile(IniFile(file)).Write(section, key, text);
}

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadWholeFile(const std::string& path, std::string& out, size_t maxBytes) {
    ScopedHandle file = OpenShared(path);
    if (!file.Valid()) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) return false;
    size_t n = size_t(size.QuadPart) < maxBytes ? size_t(size.QuadPart) : maxBytes;
    out.assign(n, '\0');
    DWORD got = 0;
    if (n && !ReadFile(file.Get(), &out[0], DWORD(n), &got, nullptr)) return false;
    out.resize(got);
    return true;
}

void LoadAlbum() {
    std::string bytes;
    if (!ReadWholeFile(g_Settings.options.AlbumFile, bytes, kMaxAlbumBytes)) return;
    // A damaged album keeps whatever entries were read before the damage.
    DecodeAlbum(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                g_Settings.ImageList, g_Settings.SoundList);
}

void SaveAlbum() {
    std::vector<uint8_t> bytes = EncodeAlbum(g_Settings.ImageList, g_Settings.SoundList);
    ScopedHandle file(CreateFileA(g_Settings.options.AlbumFile.c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return;
    DWORD put = 0;
    WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &put, nullptr);
}

bool LoadSettings() {
    Application& app = Application::Get();
    std::string exePath;
    if (!ReadAppInfo(exePath)) return false;
    g_InstallDir = FindInstallDir(exePath);
    g_IniPath = JoinPath(g_InstallDir, g_AppInfo.AppName + ".ini");

    if (!FileExists(g_IniPath)) {
        app.ShowError(Format("Initialization file (%s) not found.  Please re-install %s.",
                             g_IniPath.c_str(), g_AppInfo.AppName.c_str()));
        return false;
    }
    if (!IdentityCheckPasses(g_AppInfo, ProductName())) {
        app.ShowError(IdentityErrorText(g_AppInfo, ProductName()));
        return false;
    }

    IniFileProfile ini(g_IniPath);
    Settings::Options& o = g_Settings.options;
    o.IsFirstUse = ini.ReadInt("Options", "IsFirstUse", 1);
    ini.WriteInt("Options", "IsFirstUse", 0);
    o.LastImageDir = ini.ReadString("Options", "LastImageDir", g_InstallDir);
    o.LastSoundDir = ini.ReadString("Options", "LastSoundDir", g_InstallDir);
    o.LastAlbumDir = ini.ReadString("Options", "LastAlbumDir", g_InstallDir);

    std::string album = ini.ReadString("Options", "AlbumFile", "");
    o.AlbumFile = album.empty() ? JoinPath(g_InstallDir, g_AppInfo.AppName + ".alb")
                                : ResolveInstallPath(album, g_InstallDir);
    if (FileExists(o.AlbumFile))
        LoadAlbum();
    else
        app.ShowWarning("Unable to find album file " + o.AlbumFile);

    ReadSettingsKeys(ini, g_Settings, g_InstallDir);
    ini.Flush();
    return true;
}

bool SaveSettings() {
    IniFileProfile ini(g_IniPath);
    WriteSettingsKeys(ini, g_Settings);
    if (!g_AppInfo.isCreatedSaver()) SaveAlbum();
    return true;
}
