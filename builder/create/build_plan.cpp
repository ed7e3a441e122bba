#include "builder/create/build_plan.h"

#include "app/album.h"
#include "common/paths.h"

namespace {

constexpr size_t kPathLimit = 260;      // paths must be shorter
constexpr size_t kShortcutLimit = 256;  // shortcut names must be shorter

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && EqualsNoCase(s.substr(s.size() - tail.size()), tail);
}

// A single leading backslash: relative to the album's folder ("\\server" is not).
std::string Resolve(const std::string& path, const std::string& albumFile) {
    if (!path.empty() && path[0] == '\\' && (path.size() < 2 || path[1] != '\\'))
        return JoinPath(DirectoryPart(albumFile), path);
    return path;
}

struct Collected {
    std::string path, caption;
};

// One album list with folders expanded.  `skipTracks`: sounds, whose
// compact-disc tracks cannot be copied into a package.
std::vector<Collected> Collect(const std::vector<std::string>& entries,
                               const std::vector<std::string>& exts, bool skipTracks,
                               const std::string& albumFile, FileSystem& fs) {
    std::vector<Collected> out;
    for (const std::string& entry : entries) {
        // The caption is split off first: a folder entry with a caption is still a folder.
        std::string path = EntryPath(entry), caption = EntryCaption(entry);
        if (path.empty()) continue;
        path = Resolve(path, albumFile);
        if (path.back() != '\\') {
            if (skipTracks && path.size() > 3 && EndsWithNoCase(path, ".cda")) continue;
            out.push_back({path, caption});
            continue;
        }
        for (const std::string& ext : exts) {
            if (skipTracks && EqualsNoCase(ext, "CDA")) continue;
            for (const std::string& name : fs.ListFiles(path, ext))
                out.push_back({path + name, ""});
        }
    }
    return out;
}

std::string Fill(const char* fmt, const std::string& s, size_t n) {
    std::string out = fmt;
    size_t at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, s);
    at = out.find("%d");
    if (at != std::string::npos) out.replace(at, 2, std::to_string(n));
    return out;
}

// Make-file lines are comma-separated: a comma inside a field would split it.
std::string CommaFault(const std::string& path) {
    return "The filename " + path +
           " contains a comma, which a setup program cannot hold.  Please rename the file.";
}

}  // namespace

const std::vector<std::string>& ImageExtensions() {
    static const std::vector<std::string> exts = {"JPG", "JPE", "JPEG", "GIF", "TIF", "TIFF",
                                                  "BMP", "RLE", "DIB", "TGA", "PCX", "PCC"};
    return exts;
}

const std::vector<std::string>& SoundExtensions() {
    static const std::vector<std::string> exts = {"MID", "RMI", "WAV", "CDA",
                                                  "MP1", "MP2", "MP3", "MPP"};
    return exts;
}

std::string PlanBuild(const BuildInput& in, FileSystem& fs, BuildPlan& plan) {
    plan = BuildPlan();
    std::vector<Collected> images = Collect(in.images, ImageExtensions(), false, in.albumFile, fs);
    std::vector<Collected> sounds = Collect(in.sounds, SoundExtensions(), true, in.albumFile, fs);
    for (const auto* list : {&images, &sounds})
        for (const Collected& c : *list) {
            if (c.path.size() >= kPathLimit)
                return Fill("The filename %s is too long.  It must be less than %d characters",
                            c.path, kPathLimit);
            if (c.path.find(',') != std::string::npos) return CommaFault(c.path);
        }
    if (images.empty())
        return "To create your screensaver, one or more image files must be specified.";

    const std::string& n = in.saverName;
    plan.lines.push_back(in.runtime + "," + n + ".scr,WINDOWSDIR," + n + " " + in.version);
    plan.lines.push_back(JoinPath(in.installDir, "Uninstall.exe") + ",,INSTALLDIR,Uninstall " + n);
    plan.lines.push_back(in.iniPath);
    plan.lines.push_back(in.albumPath);
    if ((in.backgroundStyle == 0 || in.backgroundStyle == 1) && !in.backgroundImage.empty()) {
        if (in.backgroundImage.find(',') != std::string::npos)
            return CommaFault(in.backgroundImage);
        plan.lines.push_back(in.backgroundImage);
        plan.backgroundName = FileNamePart(in.backgroundImage);
    }
    for (const Collected& c : images) {
        plan.images.push_back(c.path);
        plan.captions.push_back(c.caption);
        plan.lines.push_back(c.path);
        plan.albumImages.push_back(MakeImageEntry("\\" + FileNamePart(c.path), c.caption));
    }
    for (const Collected& c : sounds) {
        plan.sounds.push_back(c.path);
        plan.lines.push_back(c.path);
        plan.albumSounds.push_back("\\" + FileNamePart(c.path));
    }
    for (size_t i = 0; i < in.files.size(); ++i) {
        const std::string& file = in.files[i];
        std::string shortcut = i < in.shortcuts.size() ? in.shortcuts[i] : "";
        if (file.find(',') != std::string::npos) return CommaFault(file);
        if (shortcut.empty()) {
            plan.lines.push_back(file);
            continue;
        }
        if (shortcut.size() >= kShortcutLimit)
            return Fill("The shortcut %s is too long.  It must be less than %d characters",
                        shortcut, kShortcutLimit);
        if (shortcut.find(',') != std::string::npos)
            return "The shortcut " + shortcut + " may not contain a comma.";
        plan.lines.push_back(file + ",,INSTALLDIR," + shortcut);
    }
    return "";
}
