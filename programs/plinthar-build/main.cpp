// plinthar-build: builds a distributable screensaver (N.exe, the Setup stub
// with its package) from an album and a settings file, without the authoring
// sheet.  It runs the same build steps as the Create page.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_info.h"
#include "builder/core/saver_builder.h"
#include "builder/create/create_rules.h"
#include "programs/plinthar-build/platform.h"

namespace {

// Exit codes.
constexpr int kExitBuilt = 0;
constexpr int kExitFailed = 1;  // the build failed; the message says why
constexpr int kExitUsage = 2;   // the command line or a field is wrong
constexpr int kExitAborted = 3; // a missing file was not skipped

const char kHelp[] =
    "Usage: plinthar-build [options]\n"
    "Builds a screensaver's setup program, NAME.exe, in the output folder.\n"
    "\n"
    "Required:\n"
    "  --album FILE        the album (.alb) with the pictures and sounds\n"
    "  --settings FILE     the settings file (.ini) the saver starts with\n"
    "  --name NAME         the saver's name (\".scr\" is added when missing)\n"
    "  --publisher TEXT    the publisher, 1 to 100 characters\n"
    "  --output DIR        the folder that receives NAME.exe (created when missing)\n"
    "  --kit DIR           the kit folder: Plinthar.scr, setup.ex_, Uninstall.exe\n"
    "Optional:\n"
    "  --version TEXT      the saver's version, at most 4 characters (default 1.0)\n"
    "  --file PATH[=SHORTCUT]  an additional file, with a Start-menu shortcut\n"
    "  --no-group          no program group on the Start menu\n"
    "  --year YEAR         the year recorded in the saver (default: this year)\n"
    "  --replace           replace an existing NAME.exe\n"
    "  --skip-missing      leave out album files that cannot be found\n"
    "  --jobs N            compress N files at once (default 1); each holds a copy\n"
    "                      of the largest file in memory\n"
    "  --quiet             no progress line\n"
    "  --help              this text\n"
    "\n"
    "Album entries that start with one backslash are relative to the album's\n"
    "folder; on Linux and other systems without drive letters, entries with a\n"
    "drive (C:\\...) cannot be found: make them relative or build on Windows.\n"
    "\n"
    "Exit codes: 0 built, 1 build failed, 2 wrong command line or field,\n"
    "3 stopped at a missing file.\n";

class ConsoleCallbacks : public PackageCallbacks {
  public:
    ConsoleCallbacks(bool quiet, bool skipMissing)
        : quiet_(quiet), skipMissing_(skipMissing), terminal_(ProgressOnTerminal()) {}
    ~ConsoleCallbacks() override { EndLine(); }

    void Status(const std::string& text) override {
        status_ = text;
        if (!quiet_ && !terminal_)
            std::fprintf(stderr, "[%3u/%3u] %s\n", done_, total_, text.c_str());
        Show();
    }
    void ProgressRange(uint32_t count) override {
        total_ = count;
        done_ = 0;
        Show();
    }
    void ProgressStep() override {
        ++done_;
        Show();
    }
    bool AskSkipInvalid(const std::string& question) override {
        Message(question + " Yes (the line is left out).");
        return true;
    }
    bool AskSkipMissing(const std::string& question) override {
        Message(question + (skipMissing_ ? " Yes." : " No (use --skip-missing to skip)."));
        return skipMissing_;
    }
    bool AbortRequested() override { return false; }
    void Error(const std::string& message) override { Message("plinthar-build: " + message); }

  private:
    void Show() {
        if (quiet_) return;
        // In a log there is one line per status instead.
        if (!terminal_) return;
        std::fprintf(stderr, "\r[%3u/%3u] %-60.60s", done_, total_, status_.c_str());
        std::fflush(stderr);
        open_ = true;
    }
    void EndLine() {
        if (open_) std::fputc('\n', stderr);
        open_ = false;
    }
    void Message(const std::string& text) {
        EndLine();
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    bool quiet_, skipMissing_, terminal_, open_ = false;
    uint32_t total_ = 0, done_ = 0;
    std::string status_;
};

int Usage(const std::string& message) {
    std::fprintf(stderr, "plinthar-build: %s\nTry 'plinthar-build --help'.\n", message.c_str());
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    std::string album, settings, name, publisher, output, kit, version = "1.0";
    int year = 0;
    unsigned jobs = 1;
    bool group = true, replace = false, skipMissing = false, quiet = false;
    std::vector<std::string> files, shortcuts;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h" || a == "/?") {
            std::fputs(kHelp, stdout);
            return kExitBuilt;
        } else if (a == "--no-group") {
            group = false;
        } else if (a == "--replace") {
            replace = true;
        } else if (a == "--skip-missing") {
            skipMissing = true;
        } else if (a == "--quiet") {
            quiet = true;
        } else if (a == "--album" || a == "--settings" || a == "--name" || a == "--publisher" ||
                   a == "--output" || a == "--kit" || a == "--version" || a == "--file" ||
                   a == "--year" || a == "--jobs") {
            if (!value(v)) return Usage(a + " needs a value");
            if (a == "--album")
                album = v;
            else if (a == "--settings")
                settings = v;
            else if (a == "--name")
                name = v;
            else if (a == "--publisher")
                publisher = v;
            else if (a == "--output")
                output = v;
            else if (a == "--kit")
                kit = v;
            else if (a == "--version")
                version = v;
            else if (a == "--jobs") {
                char* end = nullptr;
                long n = std::strtol(v.c_str(), &end, 10);
                if (v.empty() || *end || n < 1 || n > 64) return Usage("--jobs wants 1 to 64");
                jobs = unsigned(n);
            } else if (a == "--year") {
                char* end = nullptr;
                long y = std::strtol(v.c_str(), &end, 10);
                if (v.empty() || *end || y < 1 || y > 9999) return Usage("--year wants 1 to 9999");
                year = int(y);
            } else {
                size_t eq = v.find('=');
                files.push_back(v.substr(0, eq));
                shortcuts.push_back(eq == std::string::npos ? "" : v.substr(eq + 1));
            }
        } else {
            return Usage("unknown argument " + a);
        }
    }
    for (const auto& [text, flag] : {std::pair{&album, "--album"},
                                     {&settings, "--settings"},
                                     {&name, "--name"},
                                     {&output, "--output"},
                                     {&kit, "--kit"}})
        if (text->empty()) return Usage(std::string(flag) + " is required");

    SaverBuildRequest req;
    req.albumFile = FullPath(album);
    req.settingsFile = FullPath(settings);
    req.kitDir = FullPath(kit);
    for (std::string& f : files)
        f = FullPath(f);
    CreateFields fields{name, FullPath(output), version, publisher, files};
    CreateCheck check = CheckCreateFields(fields, kProductName);
    if (!check.ok()) return Usage(check.message);
    req.fields.directory = fields.directory;
    req.fields.name = SaverBaseName(fields.saverName);
    req.fields.version = version;
    req.fields.publisher = publisher;
    req.fields.year = year ? year : CurrentYear();
    req.fields.createGroup = group;
    req.files = files;
    req.shortcuts = shortcuts;
    req.replace = replace;
    req.threads = jobs;

    std::unique_ptr<FileSystem> fs = MakeFileSystem();
    int result;
    {
        ConsoleCallbacks cb(quiet, skipMissing);
        result = RunSaverBuild(req, *fs, cb);
    }
    if (result == kSaverBuilt) {
        if (!quiet)
            std::fprintf(stderr, "Built %s\n",
                         ShownPath(req.fields.directory + "\\" + req.fields.name + ".exe").c_str());
        return kExitBuilt;
    }
    return result == kSaverAborted ? kExitAborted : kExitFailed;
}
