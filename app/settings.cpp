#include "app/settings.h"

#include <variant>

#include "common/paths.h"

Settings g_Settings;
std::string g_InstallDir;
std::string g_IniPath;

bool IsOptionOn(const Settings& s, int id) {
    int p = id - kOptionBaseId;
    return p >= 0 && p < int(s.options.CheckString.size()) && s.options.CheckString[p] == '1';
}

void SetOption(Settings& s, int id, int state) {
    int p = id - kOptionBaseId;
    if (p >= 0 && p < int(s.options.CheckString.size()))
        s.options.CheckString[p] = state == 1 ? '1' : '0';
}

bool IsOptionOn(int id) { return IsOptionOn(g_Settings, id); }
void SetOption(int id, int state) { SetOption(g_Settings, id, state); }

std::string ResolveInstallPath(const std::string& value, const std::string& installDir) {
    if (IsFolderRelative(value)) return JoinPath(installDir, value);
    return value;
}

namespace {

// One row per key that the settings file holds with a fixed width.  Reading
// truncates to the width; writing uses the field's own signedness, so a 16-bit
// speed is written unsigned and a 16-bit frame size signed.
using FieldRef = std::variant<int32_t*, uint16_t*, int16_t*, uint8_t*, std::string*>;

struct Key {
    const char* section;
    const char* name;
    FieldRef (*field)(Settings&);
};

#define KEY(sec, name, expr) {sec, name, [](Settings& s) -> FieldRef { return &s.expr; }}
const Key kKeys[] = {
    KEY("Options", "CheckString", options.CheckString),
    KEY("Options", "InstrumentString", options.InstrumentString),
    KEY("Options", "PasswordCode", options.PasswordCode),
    KEY("Background", "Style", background.Style),
    KEY("Background", "GradientColor1", background.GradientColor1),
    KEY("Background", "GradientColor2", background.GradientColor2),
    KEY("Background", "GradientBrightness", background.GradientBrightness),
    KEY("Background", "GradientFlag", background.GradientFlag),
    KEY("Background", "Image", background.Image),
    KEY("Keyboard", "Size", keyboard.Size),
    KEY("Keyboard", "Width", keyboard.Width),
    KEY("Keyboard", "Height", keyboard.Height),
    KEY("Keyboard", "Position", keyboard.Position),
    KEY("Keyboard", "Mute", keyboard.Mute),
    KEY("Keyboard", "GradientColor1", keyboard.GradientColor1),
    KEY("Keyboard", "GradientColor2", keyboard.GradientColor2),
    KEY("Keyboard", "GradientBrightness", keyboard.GradientBrightness),
    KEY("Keyboard", "GradientFlag", keyboard.GradientFlag),
    KEY("Float", "Speed", floats.Speed),
    KEY("Float", "Duration", floats.Duration),
    KEY("Float", "Count", floats.Count),
    KEY("Float", "Bounds", floats.Bounds),
    KEY("Float", "FrameSize", floats.FrameSize),
    KEY("Slide", "Speed", slide.Speed),
    KEY("Slide", "Duration", slide.Duration),
    KEY("Slide", "FrameSize", slide.FrameSize),
    KEY("Slide", "FrameThickness", slide.FrameThickness),
    KEY("Slide", "FrameColor", slide.FrameColor),
    KEY("Slide", "Effects", slide.Effects),
    KEY("Caption", "FontHeight", caption.FontHeight),
    KEY("Caption", "FontItalic", caption.FontItalic),
    KEY("Caption", "FontUnderline", caption.FontUnderline),
    KEY("Caption", "FontStrikeOut", caption.FontStrikeOut),
    KEY("Caption", "FontCharSet", caption.FontCharSet),
    KEY("Caption", "FontFaceName", caption.FontFaceName),
    KEY("Caption", "Position", caption.Position),
    KEY("Caption", "ForeColor", caption.ForeColor),
    KEY("Caption", "BackColor", caption.BackColor),
    KEY("Caption", "BorderShape", caption.BorderShape),
    KEY("Caption", "BorderColor", caption.BorderColor),
    KEY("Caption", "BorderWidth", caption.BorderWidth),
    KEY("Caption", "Effects", caption.Effects),
};
#undef KEY

struct Reader {
    ProfileStore& ini;
    const Key& key;
    void operator()(int32_t* v) { *v = ini.ReadInt(key.section, key.name, *v); }
    void operator()(uint16_t* v) { *v = uint16_t(ini.ReadInt(key.section, key.name, *v)); }
    void operator()(int16_t* v) { *v = int16_t(ini.ReadInt(key.section, key.name, *v)); }
    void operator()(uint8_t* v) { *v = uint8_t(ini.ReadInt(key.section, key.name, *v)); }
    void operator()(std::string* v) { *v = ini.ReadString(key.section, key.name, *v); }
};

struct Writer {
    ProfileStore& ini;
    const Key& key;
    template <typename T> void operator()(T* v) { ini.WriteInt(key.section, key.name, *v); }
    void operator()(std::string* v) { ini.Write(key.section, key.name, *v); }
};

void KeepIfLength(std::string& value, size_t length, const char* fallback) {
    if (value.size() != length) value = fallback;
}

}  // namespace

void ReadSettingsKeys(ProfileStore& ini, Settings& s, const std::string& installDir) {
    Settings fresh;  // an absent key reads as its default
    for (const Key& k : kKeys) std::visit(Reader{ini, k}, k.field(fresh));
    KeepIfLength(fresh.options.CheckString, kCheckStringLength, kDefaultCheckString);
    KeepIfLength(fresh.options.InstrumentString, kInstrumentLength, kDefaultInstrumentString);
    KeepIfLength(fresh.slide.Effects, kEffectsLength, Settings().slide.Effects.c_str());
    if (fresh.caption.FontFaceName.size() > size_t(kMaxFaceName))
        fresh.caption.FontFaceName = kDefaultFaceName;
    fresh.background.Image = ResolveInstallPath(fresh.background.Image, installDir);

    // Values read elsewhere in the start-up load stay as they are.
    fresh.options.AlbumFile = std::move(s.options.AlbumFile);
    fresh.options.LastImageDir = std::move(s.options.LastImageDir);
    fresh.options.LastSoundDir = std::move(s.options.LastSoundDir);
    fresh.options.LastAlbumDir = std::move(s.options.LastAlbumDir);
    fresh.options.IsFirstUse = s.options.IsFirstUse;
    fresh.ImageList.swap(s.ImageList);
    fresh.SoundList.swap(s.SoundList);
    s = std::move(fresh);
}

void WriteSettingsKeys(ProfileStore& ini, const Settings& s) {
    Settings copy = s;  // the key table hands out writable references
    for (const Key& k : kKeys) std::visit(Writer{ini, k}, k.field(copy));
    ini.Write("Options", "AlbumFile", s.options.AlbumFile);
    ini.Flush();
}

void ResetDefaults(Settings& s) {
    Settings d;
    d.options = s.options;
    d.options.CheckString = kDefaultCheckString;
    d.options.InstrumentString = kDefaultInstrumentString;
    d.keyboard.Width = s.keyboard.Width;
    d.keyboard.Height = s.keyboard.Height;
    d.keyboard.Mute = s.keyboard.Mute;
    d.ImageList.swap(s.ImageList);
    d.SoundList.swap(s.SoundList);
    s = std::move(d);
}
