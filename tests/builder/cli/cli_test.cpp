// The command-line builder as a user runs it: exit codes, messages, and a
// setup program that the package reader accepts.
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "../builder_test_dir.h"
#include "app/album.h"
#include "builder/package/package_reader.h"

namespace {

struct ToolRun {
    int code;
    std::string output;
};

ToolRun Tool(const std::string& args) {
    std::string cmd = std::string(PLINTHAR_BUILD_TOOL) + " " + args + " 2>&1";
    ToolRun r{-1, ""};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p))
        r.output.append(buf, n);
    int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string Native(const TestDir& dir, const std::string& rel) {
    return StdFileSystem::NativePath(dir / rel);
}

TEST(CommandLineBuilder, BuildsAndRefuses) {
    TestDir dir;
    dir.Put("kit\\setup.ex_", std::vector<uint8_t>(2000, 0x4D));
    dir.Put("kit\\Plinthar.scr", std::string("runtime bytes"));
    dir.Put("kit\\Uninstall.exe", std::string("uninstaller"));
    dir.Put("a\\p\\x.jpg", std::string("jpeg"));
    dir.Put("a\\q\\x.jpg", std::string("other jpeg"));
    dir.Put("a\\my.alb", EncodeAlbum({"\\p\\x.jpg", "\\q\\x.jpg", "C:\\far\\y.jpg"}, {}));
    dir.Put("a\\my.ini", std::string("[Options]\r\n"));
    const std::string common = "--album " + Native(dir, "a\\my.alb") + " --settings " +
                               Native(dir, "a\\my.ini") + " --kit " + Native(dir, "kit") +
                               " --output " + Native(dir, "out") + " --quiet";

    struct Case {
        const char* what;
        std::string args;
        int code;
        const char* says;
    } cases[] = {
        {"help", "--help", 0, "Usage: plinthar-build"},
        {"unknown argument", "--colour red", 2, "unknown argument --colour"},
        {"no album", "--name Tide", 2, "--album is required"},
        {"reserved name", common + " --name plinthar.SCR --publisher P", 2, "Plinthar is reserved"},
        {"bad character", common + " --name 'Ti:de' --publisher P", 2, "may not contain"},
        {"no publisher", common + " --name Tide", 2, "publisher"},
        {"long version", common + " --name Tide --publisher P --version 1.0.1", 2,
         "The version must be less than 5 characters."},
        {"drive path not found", common + " --name Tide --publisher P", 3,
         "Cannot find file number 6: C:\\far\\y.jpg"},
        {"built", common + " --name Tide --publisher P --skip-missing --year 2030", 0, ""},
        {"exists", common + " --name Tide --publisher P --skip-missing", 1, "already exists"},
    };
    for (const Case& c : cases) {
        ToolRun r = Tool(c.args);
        EXPECT_EQ(r.code, c.code) << c.what << ": " << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.what << ": " << r.output;
    }

    std::vector<uint8_t> file = dir.Get("out\\Tide.exe");
    MemorySource src(file);
    PackageReader reader(src, file.size());
    ASSERT_EQ(reader.Open(), PackageResult::Ok);
    ASSERT_EQ(reader.Verify(), PackageResult::Ok);
    EXPECT_EQ(reader.Trailer().firstEntryPlusOne, 2001u);
    // Runtime, uninstaller, settings, album, the two pictures; the unreachable one skipped.
    EXPECT_EQ(reader.Trailer().entryCount, 6u);
    std::vector<std::string> targets;
    PackageEntry e;
    while (!reader.AtEnd() && reader.Next(e) == PackageResult::Ok)
        targets.push_back(e.header.target);
    EXPECT_EQ(targets, (std::vector<std::string>{"Tide.scr", "Uninstall.exe", "Tide.ini",
                                                 "Tide.alb", "x.jpg", "x_2.jpg"}));
}

} // namespace
