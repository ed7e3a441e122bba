#include "builder/core/saver_builder.h"

#include "app/album.h"
#include "app/app_info.h"
#include "app/profile.h"
#include "app/settings.h"
#include "builder/core/saver_files.h"
#include "common/paths.h"

namespace {

std::string Missing(const std::string& path) {
    return "A necessary file (" + path + ") is missing.  You may have to re-install " +
           std::string(kProductName) + " to use the screensaver authoring tools.";
}

std::string Text(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

int RunSaverBuild(const SaverBuildRequest& req, FileSystem& fs, PackageCallbacks& cb) {
    const SaverFields& f = req.fields;
    const std::string& dir = f.directory;
    const std::string makeFile = JoinPath(dir, f.name + ".dat");
    const std::string setup = JoinPath(dir, f.name + ".exe");
    const std::string ini = JoinPath(dir, f.name + ".ini");
    const std::string album = JoinPath(dir, f.name + ".alb");
    const std::string stub = JoinPath(req.kitDir, "setup.ex_");
    const std::string runtime = JoinPath(req.kitDir, std::string(kProductName) + ".scr");
    const std::string uninstaller = JoinPath(req.kitDir, "Uninstall.exe");

    for (const std::string* p : {&stub, &runtime, &uninstaller})
        if (!fs.FileExists(*p)) {
            cb.Error(Missing(*p));
            return kSaverFailed;
        }
    if (!fs.CreateDirectories(dir)) {
        cb.Error("Unable to create directory " + dir);
        return kSaverFailed;
    }
    if (fs.FileExists(setup) && !req.replace) {
        cb.Error(setup + " already exists.");
        return kSaverFailed;
    }

    std::vector<uint8_t> bytes;
    SaverFileInput in;
    if (fs.ReadFile(req.albumFile, bytes) != ReadResult::Ok ||
        DecodeAlbum(bytes.data(), bytes.size(), in.images, in.sounds) != AlbumResult::Ok) {
        cb.Error("Unable to load album file " + req.albumFile);
        return kSaverFailed;
    }
    std::vector<uint8_t> settings;
    if (fs.ReadFile(req.settingsFile, settings) != ReadResult::Ok) {
        cb.Error("Unable to read settings file " + req.settingsFile);
        return kSaverFailed;
    }
    MemoryProfile profile(Text(settings));
    in.albumFile = req.albumFile;
    in.backgroundStyle = profile.ReadInt("Background", "Style", 0);
    in.backgroundImage = ResolveInstallPath(profile.ReadString("Background", "Image", ""),
                                            DirectoryPart(req.settingsFile));
    in.runtime = runtime;
    in.uninstaller = uninstaller;
    in.saverName = f.name;
    in.version = f.version;
    in.iniPath = ini;
    in.albumPath = album;
    in.files = req.files;
    in.shortcuts = req.shortcuts;

    cb.Status("Initializing...");
    SaverFilePlan plan;
    std::string fault = PlanSaverFiles(in, fs, plan);
    if (!fault.empty()) {
        cb.Error(fault);
        return kSaverFailed;
    }

    int result = kSaverFailed;
    cb.Status("Copying setup.ex_...");
    std::string settingsText = EditSaverSettings(Text(settings), plan.backgroundName);
    bool copied = fs.Copy(stub, setup);
    if (!copied) {
        cb.Error("Unable to copy " + stub + "!");
    } else if (!fs.WriteFile(album, EncodeAlbum(plan.albumImages, plan.albumSounds))) {
        cb.Error("Unable to create album file " + album);
    } else if (!fs.WriteFile(ini, std::vector<uint8_t>(settingsText.begin(), settingsText.end()))) {
        cb.Error("Unable to create " + ini + "!");
    } else if (!fs.WriteFile(makeFile, EncodeMakeRecord(MakeSaverRecord(f, plan.lines)))) {
        cb.Error("Unable to create make file " + makeFile);
    } else {
        PackageJob job;
        if (PreparePackage(makeFile, fs, cb, job)) {
            job.threads = req.threads;
            int r = WritePackage(job, fs, cb);
            result = r == kPackageDone      ? kSaverBuilt
                     : r == kPackageAborted ? kSaverAborted
                                            : kSaverFailed;
        }
    }
    // The package writer removes a failed setup program; a copy of the stub
    // that never got its package goes here.
    if (result != kSaverBuilt && copied) fs.Remove(setup);
    for (const std::string* p : {&makeFile, &ini, &album})
        fs.Remove(*p);
    return result;
}
