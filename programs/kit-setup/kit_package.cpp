#include "programs/kit-setup/kit_package.h"

#include <set>

#include "app/album.h"
#include "app/app_info.h"
#include "common/file_names.h"
#include "common/paths.h"

namespace {

// An album of the demo's kind is a few hundred bytes; this bounds the read of
// whatever file sits there.
constexpr uint64_t kMaxAlbumBytes = 1u << 20;

struct Planned {
    std::string source, target, keyword, shortcut;
};

class Plan {
  public:
    // Adds an entry; "" or the reason it cannot be one.
    std::string Add(const Planned& p) {
        if (p.source.find(',') != std::string::npos)
            return "The path " + p.source + " holds a comma, which a make-file line cannot carry.";
        if (p.source.size() >= kLineSourceLimit)
            return "The path " + p.source + " is too long for a make-file line.";
        // Setup installs every entry into its folder by its target name: a second
        // file of the same name there would replace the first.
        std::string key = p.keyword + "\\" + ToLowerAscii(p.target);
        if (!taken_.insert(key).second)
            return "Two installed files would be named " + p.target + ".";
        std::string line = p.source + "," + p.target + "," + p.keyword;
        if (!p.shortcut.empty()) line += "," + p.shortcut;
        lines_.push_back(line);
        return "";
    }
    std::vector<std::string>& Lines() { return lines_; }

  private:
    std::set<std::string> taken_;
    std::vector<std::string> lines_;
};

// The files of the demo album, in album order, each once; "" or the refusal.
std::string AlbumFiles(const std::string& albumPath, FileSystem& fs,
                       std::vector<std::string>& names) {
    uint64_t size = 0;
    std::vector<uint8_t> bytes;
    if (!fs.FileSize(albumPath, size) || size > kMaxAlbumBytes ||
        fs.ReadFile(albumPath, bytes) != ReadResult::Ok)
        return "Unable to read the demo album " + albumPath + ".";
    std::vector<std::string> images, sounds;
    if (DecodeAlbum(bytes.data(), bytes.size(), images, sounds) != AlbumResult::Ok)
        return "The demo album " + albumPath + " is damaged.";
    std::set<std::string> seen;
    for (const std::vector<std::string>* list : {&images, &sounds}) {
        for (const std::string& entry : *list) {
            std::string path = EntryPath(entry);
            // The installed album finds its files beside itself only through
            // entries of the form "\name".
            std::string name = IsFolderRelative(path) ? path.substr(1) : std::string();
            if (!IsSafeRelativePath(name, true))
                return "The demo album's entry " + path +
                       " is not a file beside the album (\\name).";
            if (seen.insert(ToLowerAscii(name)).second) names.push_back(name);
        }
    }
    return "";
}

} // namespace

std::string PlanKitPackage(const KitPackageInput& in, FileSystem& fs, MakeRecord& out) {
    const std::string product = kProductName;
    const std::string exe = product + ".exe", scr = product + ".scr", ini = product + ".ini";
    const std::string album = product + ".alb";
    for (const std::string& name :
         {exe, scr, ini, std::string("setup.ex_"), std::string("Uninstall.exe")}) {
        if (!fs.FileExists(JoinPath(in.kitDir, name)))
            return "The kit folder " + in.kitDir + " has no " + name + ".";
    }
    if (!fs.FileExists(in.readme)) return "Cannot find the read-me " + in.readme + ".";
    std::vector<std::string> albumNames;
    std::string refusal = AlbumFiles(JoinPath(in.albumDir, album), fs, albumNames);
    if (!refusal.empty()) return refusal;

    const std::string install = "INSTALLDIR";
    std::vector<Planned> entries = {
        {JoinPath(in.kitDir, exe), exe, install, product},
        {JoinPath(in.kitDir, scr), scr, install, ""},
        {JoinPath(in.kitDir, scr), scr, "WINDOWSDIR", ""},
        {JoinPath(in.kitDir, ini), ini, install, ""},
        {JoinPath(in.kitDir, "Uninstall.exe"), "Uninstall.exe", install, "Uninstall " + product},
    };
    if (fs.FileExists(JoinPath(in.kitDir, "plinthar-build.exe")))
        entries.push_back(
            {JoinPath(in.kitDir, "plinthar-build.exe"), "plinthar-build.exe", install, ""});
    entries.push_back({in.readme, "ReadMe.txt", install, "Read Me"});
    entries.push_back({JoinPath(in.albumDir, album), album, install, ""});
    for (const std::string& name : albumNames) {
        std::string source = JoinPath(in.albumDir, name);
        if (!fs.FileExists(source)) return "The demo album names " + name + ", which is missing.";
        entries.push_back({source, name, install, ""});
    }

    Plan plan;
    for (const Planned& p : entries) {
        refusal = plan.Add(p);
        if (!refusal.empty()) return refusal;
    }
    MakeRecord m;
    m.outputDir = in.outputDir;
    m.setupFile = kKitSetupName;
    m.saverName = product;
    m.version = kKitVersion;
    m.year = std::to_string(in.year);
    m.author = in.author;
    m.company = kMakerName;
    // A program group, and no created-saver bit: the installed program is the kit.
    m.flags = kMakeFlagGroup;
    m.lines = std::move(plan.Lines());
    out = std::move(m);
    return "";
}

int BuildKitPackage(const KitPackageInput& in, FileSystem& fs, PackageCallbacks& cb) {
    MakeRecord make;
    std::string refusal = PlanKitPackage(in, fs, make);
    if (refusal.empty() && !fs.CreateDirectories(in.outputDir))
        refusal = "Unable to create directory " + in.outputDir;
    if (!refusal.empty()) {
        cb.Error(refusal);
        return kPackageFailed;
    }
    const std::string output = JoinPath(in.outputDir, kKitSetupName);
    if (!fs.Copy(JoinPath(in.kitDir, "setup.ex_"), output)) {
        cb.Error("Cannot write " + output + ".");
        fs.Remove(output);
        return kPackageFailed;
    }
    PackageJob job;
    if (!PreparePackage(make, fs, cb, job)) {
        fs.Remove(output);
        return kPackageFailed;
    }
    return WritePackage(job, fs, cb);
}
