#include "builder/core/saver_files.h"

#include "app/album.h"
#include "builder/core/saver_build.h"
#include "common/paths.h"

namespace {

constexpr size_t kPathLimit = 260;     // paths must be shorter
constexpr size_t kShortcutLimit = 256; // shortcut names must be shorter

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && EqualsNoCase(s.substr(s.size() - tail.size()), tail);
}

// One leading backslash makes an entry relative to the album's folder.
std::string ResolveEntry(const std::string& path, const std::string& albumFile) {
    if (!path.empty() && path[0] == '\\' && (path.size() < 2 || path[1] != '\\'))
        return JoinPath(DirectoryPart(albumFile), path);
    return path;
}

struct Found {
    std::string path, caption;
};

std::vector<Found> Collect(const std::vector<std::string>& entries,
                           const std::vector<std::string>& exts, bool sounds,
                           const std::string& albumFile, FileSystem& fs) {
    std::vector<Found> out;
    for (const std::string& entry : entries) {
        std::string path = sounds ? entry : EntryPath(entry);
        std::string caption = sounds ? std::string() : EntryCaption(entry);
        if (path.empty()) continue;
        path = ResolveEntry(path, albumFile);
        if (path.back() != '\\') {
            // A compact-disc track is a place on a disc, not a file to copy.
            if (sounds && path.size() > 3 && EndsWithNoCase(path, ".CDA")) continue;
            out.push_back({path, caption});
            continue;
        }
        for (const std::string& ext : exts)
            for (const std::string& name : fs.ListFiles(path, ext))
                out.push_back({path + name, ""});
    }
    return out;
}

std::string TooLong(const char* what, const std::string& text, size_t limit) {
    return std::string("The ") + what + " " + text + " is too long.  It must be less than " +
           std::to_string(limit) + " characters";
}

// A comma would split the make-file line that carries the path.
std::string CommaFault(const std::string& path) {
    return "The filename " + path +
           " contains a comma, which a setup program cannot hold.  Please rename the file.";
}

} // namespace

const std::vector<std::string>& SaverImageExtensions() {
    static const std::vector<std::string> exts = {"JPG", "JPE", "JPEG", "GIF", "TIF", "TIFF",
                                                  "BMP", "RLE", "DIB",  "TGA", "PCX", "PCC"};
    return exts;
}

const std::vector<std::string>& SaverSoundExtensions() {
    static const std::vector<std::string> exts = {"MID", "RMI", "WAV", "MP1", "MP2", "MP3", "MPP"};
    return exts;
}

std::string PlanSaverFiles(const SaverFileInput& in, FileSystem& fs, SaverFilePlan& plan) {
    plan = SaverFilePlan();
    std::vector<Found> images = Collect(in.images, SaverImageExtensions(), false, in.albumFile, fs);
    std::vector<Found> sounds = Collect(in.sounds, SaverSoundExtensions(), true, in.albumFile, fs);
    for (const auto* list : {&images, &sounds})
        for (const Found& f : *list) {
            if (f.path.size() >= kPathLimit) return TooLong("filename", f.path, kPathLimit);
            if (f.path.find(',') != std::string::npos) return CommaFault(f.path);
        }
    if (images.empty())
        return "To create your screensaver, one or more image files must be specified.";

    const std::string& n = in.saverName;
    plan.lines.push_back(in.runtime + "," + n + ".scr,WINDOWSDIR," + n + " " + in.version);
    plan.lines.push_back(in.uninstaller + ",,INSTALLDIR,Uninstall " + n);
    plan.lines.push_back(in.iniPath);
    plan.lines.push_back(in.albumPath);
    bool background =
        (in.backgroundStyle == 0 || in.backgroundStyle == 1) && !in.backgroundImage.empty();
    if (background) {
        if (in.backgroundImage.size() >= kPathLimit)
            return TooLong("filename", in.backgroundImage, kPathLimit);
        if (in.backgroundImage.find(',') != std::string::npos)
            return CommaFault(in.backgroundImage);
        plan.lines.push_back(in.backgroundImage);
    }
    for (const Found& f : images)
        plan.lines.push_back(f.path);
    for (const Found& f : sounds)
        plan.lines.push_back(f.path);
    for (size_t i = 0; i < in.files.size(); ++i) {
        const std::string& file = in.files[i];
        std::string shortcut = i < in.shortcuts.size() ? in.shortcuts[i] : "";
        if (file.size() >= kPathLimit) return TooLong("filename", file, kPathLimit);
        if (file.find(',') != std::string::npos) return CommaFault(file);
        if (shortcut.empty()) {
            plan.lines.push_back(file);
            continue;
        }
        if (shortcut.size() >= kShortcutLimit) return TooLong("shortcut", shortcut, kShortcutLimit);
        if (shortcut.find(',') != std::string::npos)
            return "The shortcut " + shortcut + " may not contain a comma.";
        plan.lines.push_back(file + ",,INSTALLDIR," + shortcut);
    }

    InstallNames names;
    names.Assign(plan.lines);
    if (background) plan.backgroundName = names.NameOf(in.backgroundImage);
    for (const Found& f : images) {
        plan.images.push_back(f.path);
        plan.captions.push_back(f.caption);
        plan.albumImages.push_back(MakeImageEntry("\\" + names.NameOf(f.path), f.caption));
    }
    for (const Found& f : sounds) {
        plan.sounds.push_back(f.path);
        plan.albumSounds.push_back("\\" + names.NameOf(f.path));
    }
    return std::string();
}
