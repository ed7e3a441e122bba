// The process-wide settings values: one value per key of the settings file,
// held with the width the file format gives it, plus the album lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/profile.h"

constexpr int kCheckStringLength = 39;
constexpr int kEffectsLength = 34;
constexpr int kInstrumentLength = 16;
constexpr int kMaxFaceName = 31;
constexpr const char* kDefaultCheckString = "111110111110100101111111100110110010011";
constexpr const char* kDefaultInstrumentString = "1111111110000000";
constexpr const char* kDefaultFaceName = "MS Sans Serif";
constexpr int kOptionBaseId = 10000;  // check box identifiers are 10000 + position

struct Settings {
    struct Options {
        std::string CheckString = kDefaultCheckString;
        std::string InstrumentString = kDefaultInstrumentString;
        std::string AlbumFile;  // the resolved album path
        std::string LastImageDir, LastSoundDir, LastAlbumDir;
        int32_t IsFirstUse = 1;  // as read at this start
        int32_t PasswordCode = 0;
    } options;
    struct Background {
        int32_t Style = 0;  // 0 tile, 1 full screen, 2 desktop
        int32_t GradientColor1 = 0;
        int32_t GradientColor2 = -1;
        uint16_t GradientBrightness = 127;
        int32_t GradientFlag = 99;
        std::string Image;
    } background;
    struct Keyboard {
        int16_t Size = 1;
        int32_t Width = 200;
        int32_t Height = 50;
        int16_t Position = 3;
        int32_t Mute = 0;
        int32_t GradientColor1 = 5002069;
        int32_t GradientColor2 = -1;
        uint16_t GradientBrightness = 127;
        int32_t GradientFlag = 99;
    } keyboard;
    struct Float {
        uint16_t Speed = 10;
        uint16_t Duration = 2;
        uint16_t Count = 5;
        uint16_t Bounds = 100;
        int16_t FrameSize = 0;
    } floats;
    struct Slide {
        uint16_t Speed = 20;
        uint16_t Duration = 5;
        int16_t FrameSize = 0;
        int32_t FrameThickness = 4;
        int32_t FrameColor = 16580352;
        std::string Effects = std::string(kEffectsLength, '1');
    } slide;
    struct Caption {
        int32_t FontHeight = 18;
        uint8_t FontItalic = 0, FontUnderline = 0, FontStrikeOut = 0, FontCharSet = 0;
        std::string FontFaceName = kDefaultFaceName;
        int32_t Position = 3;  // 0 top, 1 centre, 2 bottom, 3 no caption
        int32_t ForeColor = 16711680;
        int32_t BackColor = 65535;
        int32_t BorderShape = 0;
        int32_t BorderColor = 0;
        int32_t BorderWidth = 2;
        int32_t Effects = 0;
    } caption;

    std::vector<std::string> ImageList;
    std::vector<std::string> SoundList;
};

extern Settings g_Settings;
extern std::string g_InstallDir;  // installation folder, as found at start-up
extern std::string g_IniPath;     // JoinPath(g_InstallDir, AppName + ".ini")

// Character (id - 10000) of CheckString is "1".  Out-of-range ids are off.
bool IsOptionOn(int id);
bool IsOptionOn(const Settings& s, int id);
// Sets that character to "1" when state is 1, else "0".
void SetOption(int id, int state);
void SetOption(Settings& s, int id, int state);

// Reads every key of the sections Options (all but the album path and the last
// folders, which need the installation folder), Background (Image unresolved),
// Keyboard, Float, Slide and Caption, applying the length rules of the option
// strings and the face name.  `installDir` resolves a relative "Image".
void ReadSettingsKeys(ProfileStore& ini, Settings& s, const std::string& installDir);
// Writes what SaveSettings persists: Options (CheckString, InstrumentString,
// AlbumFile, PasswordCode), Background, Keyboard, Float, Slide and Caption.
void WriteSettingsKeys(ProfileStore& ini, const Settings& s);
// Back to defaults, except PasswordCode, the album, the paths, the keyboard's
// Width, Height and Mute.
void ResetDefaults(Settings& s);

// "AlbumFile" and "Image" resolution: empty stays empty (the caller supplies
// the default album), a leading backslash is relative to installDir.
std::string ResolveInstallPath(const std::string& value, const std::string& installDir);
