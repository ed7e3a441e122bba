// The Windows command-line builder, started as a program, makes the same setup
// program as the build core run in this process over the same files.
#include <windows.h>

#include <gtest/gtest.h>

#include "../builder_test_dir.h"
#include "app/album.h"
#include "builder/core/saver_builder.h"
#include "builder/package/package_reader.h"

namespace {

class Silent : public PackageCallbacks {
  public:
    void Status(const std::string&) override {}
    void ProgressRange(uint32_t) override {}
    void ProgressStep() override {}
    bool AskSkipInvalid(const std::string&) override { return false; }
    bool AskSkipMissing(const std::string&) override { return false; }
    bool AbortRequested() override { return false; }
    void Error(const std::string& m) override { ADD_FAILURE() << m; }
};

DWORD RunTool(std::string args) {
    std::string exe = PLINTHAR_BUILD_TOOL;
    for (char& c : exe)
        if (c == '/') c = '\\';
    std::string line = "\"" + exe + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

TEST(CommandLineBuilderWin32, SamePackageAsTheBuildCore) {
    TestDir dir;
    dir.Put("kit\\setup.ex_", std::vector<uint8_t>(3000, 0x4D));
    dir.Put("kit\\Plinthar.scr", std::string("runtime bytes"));
    dir.Put("kit\\Uninstall.exe", std::string("uninstaller"));
    dir.Put("a\\p\\x.jpg", std::string("jpeg"));
    dir.Put("a\\q\\X.JPG", std::string("other jpeg"));
    dir.Put("a\\doc.txt", std::string("read me"));
    dir.Put("a\\my.alb", EncodeAlbum({"\\p\\", "\\q\\X.JPG|Caption"}, {}));
    dir.Put("a\\my.ini", std::string("[Options]\r\nAlbumFile=\\my.alb\r\n"));

    EXPECT_EQ(RunTool("--help"), 0u);
    EXPECT_EQ(RunTool("--name"), 2u);
    std::string args = "--album \"" + (dir / "a\\my.alb") + "\" --settings \"" +
                       (dir / "a\\my.ini") + "\" --kit \"" + (dir / "kit") + "\" --output \"" +
                       (dir / "cli") + "\" --name Tide --publisher \"Harbour Works\" --year 2031" +
                       " --file \"" + (dir / "a\\doc.txt") + "=Read me\" --quiet";
    ASSERT_EQ(RunTool(args), 0u);

    SaverBuildRequest req;
    req.albumFile = dir / "a\\my.alb";
    req.settingsFile = dir / "a\\my.ini";
    req.kitDir = dir / "kit";
    req.fields.directory = dir / "core";
    req.fields.name = "Tide";
    req.fields.version = "1.0";
    req.fields.publisher = "Harbour Works";
    req.fields.year = 2031;
    req.files = {dir / "a\\doc.txt"};
    req.shortcuts = {"Read me"};
    Silent cb;
    ASSERT_EQ(RunSaverBuild(req, dir.Fs(), cb), kSaverBuilt);

    std::vector<uint8_t> cli = dir.Get("cli\\Tide.exe"), core = dir.Get("core\\Tide.exe");
    ASSERT_FALSE(cli.empty());
    // The working files (settings, album) are made anew in each output folder,
    // so their time fields differ; everything else is the same.
    MemorySource a(cli), b(core);
    PackageReader ra(a, cli.size()), rb(b, core.size());
    ASSERT_EQ(ra.Open(), PackageResult::Ok);
    ASSERT_EQ(rb.Open(), PackageResult::Ok);
    ASSERT_EQ(cli.size(), core.size());
    ASSERT_EQ(ra.Verify(), PackageResult::Ok);
    while (!ra.AtEnd()) {
        PackageEntry ea, eb;
        ASSERT_EQ(ra.Next(ea), PackageResult::Ok);
        ASSERT_EQ(rb.Next(eb), PackageResult::Ok);
        for (size_t at : {size_t(1052), size_t(1053), size_t(1054), size_t(1055)})
            cli[ea.headerOffset + at] = core[eb.headerOffset + at];
    }
    EXPECT_TRUE(cli == core);
    EXPECT_EQ(ra.Trailer().entryCount, 7u);
}

} // namespace
