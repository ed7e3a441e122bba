// plinthar-kit-setup: writes the kit's own setup program, PlintharSetup.exe,
// from a built kit folder, a read-me and a demo album.  A host program: the
// build runs it on the machine that cross-compiles the kit.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>

#include "programs/kit-setup/kit_package.h"

namespace {

const char kHelp[] =
    "Usage: plinthar-kit-setup --kit DIR --album DIR --readme FILE --output DIR\n"
    "                          [--year YEAR] [--quiet]\n"
    "Writes PlintharSetup.exe, the kit's own setup program, into the output folder:\n"
    "setup.ex_ of the kit folder followed by a package of the kit's files, the\n"
    "read-me and the demo album (Plinthar.alb and the files it names).\n"
    "Exit codes: 0 written, 1 failed, 2 wrong command line.\n";

class Console : public PackageCallbacks {
  public:
    explicit Console(bool quiet) : quiet_(quiet) {}
    void Status(const std::string& text) override {
        if (!quiet_) std::fprintf(stderr, "%s\n", text.c_str());
    }
    void ProgressRange(uint32_t) override {}
    void ProgressStep() override {}
    // The kit's lines are made here: one that cannot be parsed is a fault, not a choice.
    bool AskSkipInvalid(const std::string& question) override {
        std::fprintf(stderr, "plinthar-kit-setup: %s No.\n", question.c_str());
        return false;
    }
    bool AskSkipMissing(const std::string& question) override {
        std::fprintf(stderr, "plinthar-kit-setup: %s No.\n", question.c_str());
        return false;
    }
    bool AbortRequested() override { return false; }
    void Error(const std::string& message) override {
        std::fprintf(stderr, "plinthar-kit-setup: %s\n", message.c_str());
    }

  private:
    bool quiet_;
};

std::string FullPath(const std::string& arg) {
    return StdFileSystem::FullPortablePath(arg);
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "plinthar-kit-setup: %s\n%s", message.c_str(), kHelp);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    KitPackageInput in;
    in.author = "The Plinthar developers";
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (a == "--quiet") {
            quiet = true;
            continue;
        }
        if (i + 1 >= argc) return Usage("unknown argument or missing value: " + a);
        std::string v = argv[++i];
        if (a == "--kit")
            in.kitDir = FullPath(v);
        else if (a == "--album")
            in.albumDir = FullPath(v);
        else if (a == "--readme")
            in.readme = FullPath(v);
        else if (a == "--output")
            in.outputDir = FullPath(v);
        else if (a == "--year") {
            char* end = nullptr;
            long y = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end || y < 1 || y > 9999) return Usage("--year wants 1 to 9999");
            in.year = int(y);
        } else
            return Usage("unknown argument " + a);
    }
    if (in.kitDir.empty() || in.albumDir.empty() || in.readme.empty() || in.outputDir.empty())
        return Usage("--kit, --album, --readme and --output are required");
    if (in.year == 0) {
        std::time_t now = std::time(nullptr);
        std::tm utc{};
        gmtime_r(&now, &utc);
        in.year = utc.tm_year + 1900;
    }
    StdFileSystem fs;
    Console cb(quiet);
    int result = BuildKitPackage(in, fs, cb);
    if (result != kPackageDone) return 1;
    if (!quiet)
        std::fprintf(stderr, "Wrote %s\n",
                     StdFileSystem::NativePath(in.outputDir + "\\" + kKitSetupName).c_str());
    return 0;
}
