// The kit's own setup program, written from a kit folder of stand-in files and
// read back with the package reader that Setup uses.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "app/album.h"
#include "app/app_info.h"
#include "builder/package/package_reader.h"
#include "programs/kit-setup/kit_package.h"
#include "tests/builder/builder_test_dir.h"

namespace {

class Recorder : public PackageCallbacks {
  public:
    void Status(const std::string&) override {}
    void ProgressRange(uint32_t) override {}
    void ProgressStep() override {}
    bool AskSkipInvalid(const std::string& q) override { return asked.push_back(q), false; }
    bool AskSkipMissing(const std::string& q) override { return asked.push_back(q), false; }
    bool AbortRequested() override { return false; }
    void Error(const std::string& m) override { errors.push_back(m); }
    std::vector<std::string> asked, errors;
};

std::string Text(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

struct Kit {
    TestDir dir;
    KitPackageInput in;
    Kit() {
        for (const char* name : {"Plinthar.exe", "Plinthar.scr", "Plinthar.ini", "Uninstall.exe",
                                 "plinthar-build.exe"})
            dir.Put(std::string("kit\\") + name, std::string("contents of ") + name);
        dir.Put("kit\\setup.ex_", std::string("MZ stub ") + std::string(300, 's'));
        dir.Put("ReadMe.txt", "Read me.\r\n");
        Album({"\\title.bmp|Welcome", "\\ball.gif"}, {"\\tune.wav"});
        for (const char* name : {"title.bmp", "ball.gif", "tune.wav"})
            dir.Put(std::string("album\\") + name, std::string("bytes of ") + name);
        in.kitDir = dir / "kit";
        in.albumDir = dir / "album";
        in.readme = dir / "ReadMe.txt";
        in.outputDir = dir / "out";
        in.author = "Kit Author";
        in.year = 2026;
    }
    void Album(const std::vector<std::string>& images, const std::vector<std::string>& sounds) {
        dir.Put("album\\Plinthar.alb", EncodeAlbum(images, sounds));
    }
    std::string SetupPath() { return in.outputDir + "\\" + kKitSetupName; }
};

struct Installed {
    std::string target, keyword, shortcut, data;
};

// Every entry of the written package, inflated, with the trailer.
bool ReadBack(const std::vector<uint8_t>& bytes, PackageTrailer& trailer,
              std::vector<Installed>& entries) {
    MemorySource source(bytes);
    PackageReader reader(source, bytes.size());
    if (reader.Open() != PackageResult::Ok || reader.Verify() != PackageResult::Ok) return false;
    trailer = reader.Trailer();
    while (!reader.AtEnd()) {
        PackageEntry e;
        std::vector<uint8_t> data;
        if (reader.Next(e) != PackageResult::Ok || reader.Extract(e, data) != PackageResult::Ok)
            return false;
        entries.push_back(
            {e.header.InstallName(), e.header.keyword, e.header.shortcut, Text(data)});
    }
    return true;
}

TEST(KitPackage, InstallsTheKitUnderItsOwnNameWithTheDemoAlbum) {
    Kit kit;
    Recorder cb;
    ASSERT_EQ(BuildKitPackage(kit.in, kit.dir.Fs(), cb), kPackageDone)
        << ::testing::PrintToString(cb.errors);
    std::vector<uint8_t> bytes = kit.dir.Get("out\\PlintharSetup.exe");
    std::string stub = Text(kit.dir.Get("kit\\setup.ex_"));
    ASSERT_GT(bytes.size(), stub.size());
    EXPECT_EQ(Text(bytes).substr(0, stub.size()), stub);

    PackageTrailer t;
    std::vector<Installed> got;
    ASSERT_TRUE(ReadBack(bytes, t, got));
    // Setup's kit mode and the kit's registry key both hang on these.
    EXPECT_EQ(t.saverName, "Plinthar");
    EXPECT_EQ(t.company, "Quorvane");
    EXPECT_EQ(t.author, "Kit Author");
    EXPECT_EQ(t.flags, 1u) << "a program group, and no created-saver bit";
    EXPECT_EQ(t.firstEntryPlusOne, stub.size() + 1);

    const std::vector<Installed> want = {
        {"Plinthar.exe", "INSTALLDIR", "Plinthar", ""},
        {"Plinthar.scr", "INSTALLDIR", "", "contents of Plinthar.scr"},
        {"Plinthar.scr", "WINDOWSDIR", "", "contents of Plinthar.scr"},
        {"Plinthar.ini", "INSTALLDIR", "", "contents of Plinthar.ini"},
        {"Uninstall.exe", "INSTALLDIR", "Uninstall Plinthar", "contents of Uninstall.exe"},
        {"plinthar-build.exe", "INSTALLDIR", "", "contents of plinthar-build.exe"},
        {"ReadMe.txt", "INSTALLDIR", "Read Me", "Read me.\r\n"},
        {"Plinthar.alb", "INSTALLDIR", "", Text(kit.dir.Get("album\\Plinthar.alb"))},
        {"title.bmp", "INSTALLDIR", "", "bytes of title.bmp"},
        {"ball.gif", "INSTALLDIR", "", "bytes of ball.gif"},
        {"tune.wav", "INSTALLDIR", "", "bytes of tune.wav"},
    };
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(want[i].target + " " + want[i].keyword);
        EXPECT_EQ(got[i].target, want[i].target);
        EXPECT_EQ(got[i].keyword, want[i].keyword);
        EXPECT_EQ(got[i].shortcut, want[i].shortcut);
        if (i > 0) {
            EXPECT_EQ(got[i].data, want[i].data);
        }
    }

    // The installed program carries the kit's identity: it passes the kit's
    // identity check and finds the key Setup writes from the trailer.
    const std::string& exe = got[0].data;
    ASSERT_EQ(exe.size(), std::string("contents of Plinthar.exe").size() + kAppInfoSize);
    EXPECT_EQ(exe.substr(0, exe.size() - kAppInfoSize), "contents of Plinthar.exe");
    AppInfo info;
    ASSERT_TRUE(DecodeAppInfo(
        reinterpret_cast<const uint8_t*>(exe.data()) + exe.size() - kAppInfoSize, info));
    EXPECT_FALSE(info.isCreatedSaver());
    EXPECT_TRUE(IdentityCheckPasses(info));
    EXPECT_EQ(InstallKeyPath(info), "SoftWare\\" + t.company + "\\" + t.saverName + "\\App");
    EXPECT_EQ(info.Year, 2026u);
    EXPECT_EQ(info.Version, t.version);
}

TEST(KitPackage, AlbumEntryListedTwiceIsPackagedOnce) {
    Kit kit;
    kit.Album({"\\ball.gif", "\\BALL.GIF|again", "\\title.bmp"}, {"\\tune.wav", "\\ball.gif"});
    Recorder cb;
    ASSERT_EQ(BuildKitPackage(kit.in, kit.dir.Fs(), cb), kPackageDone);
    PackageTrailer t;
    std::vector<Installed> got;
    ASSERT_TRUE(ReadBack(kit.dir.Get("out\\PlintharSetup.exe"), t, got));
    std::vector<std::string> names;
    for (size_t i = 8; i < got.size(); ++i)
        names.push_back(got[i].target);
    EXPECT_EQ(names, (std::vector<std::string>{"ball.gif", "title.bmp", "tune.wav"}));
}

struct Refusal {
    const char* what;
    std::function<void(Kit&)> spoil;
    const char* message; // a part of the message that names the fault
};

TEST(KitPackage, RefusesWhatWouldInstallBadlyAndLeavesNoSetupProgram) {
    const Refusal cases[] = {
        {"no runtime",
         [](Kit& k) {
             std::remove(StdFileSystem::NativePath(k.in.kitDir + "\\Plinthar.scr").c_str());
         },
         "has no Plinthar.scr"},
        {"no stub",
         [](Kit& k) {
             std::remove(StdFileSystem::NativePath(k.in.kitDir + "\\setup.ex_").c_str());
         },
         "has no setup.ex_"},
        {"no read-me", [](Kit& k) { k.in.readme += ".gone"; }, "read-me"},
        {"no album", [](Kit& k) { k.in.albumDir = k.dir / "nowhere"; },
         "Unable to read the demo album"},
        {"not an album",
         [](Kit& k) { k.dir.Put("album\\Plinthar.alb", std::string("\x03XYZ\0\0\0\0", 8)); },
         "damaged"},
        {"cut short",
         [](Kit& k) {
             k.dir.Put("album\\Plinthar.alb", std::string("\x03"
                                                          "ALB"
                                                          "\x02\x00"
                                                          "\x05"
                                                          "ab",
                                                          9));
         },
         "damaged"},
        {"absolute entry", [](Kit& k) { k.Album({"C:\\pics\\a.jpg"}, {}); }, "C:\\pics\\a.jpg"},
        {"folder entry", [](Kit& k) { k.Album({"\\pics\\"}, {}); }, "\\pics\\"},
        {"entry below the album", [](Kit& k) { k.Album({"\\pics\\a.jpg"}, {}); }, "\\pics\\a.jpg"},
        {"entry above the album", [](Kit& k) { k.Album({"\\..\\a.jpg"}, {}); }, "\\..\\a.jpg"},
        {"caption only", [](Kit& k) { k.Album({"|Just words"}, {}); }, "not a file beside"},
        {"missing picture", [](Kit& k) { k.Album({"\\ghost.jpg"}, {}); },
         "ghost.jpg, which is missing"},
        {"album file named like a kit file",
         [](Kit& k) {
             k.dir.Put("album\\uninstall.EXE", "x");
             k.Album({}, {"\\uninstall.EXE"});
         },
         "named uninstall.EXE"},
        {"comma in a path",
         [](Kit& k) {
             k.dir.Put("read,me.txt", "x");
             k.in.readme = k.dir / "read,me.txt";
         },
         "comma"},
        {"path too long for a line",
         [](Kit& k) {
             std::string name(240, 'n');
             k.dir.Put("album\\" + name + ".gif", "x");
             k.Album({"\\" + name + ".gif"}, {});
         },
         "too long"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        Kit kit;
        c.spoil(kit);
        Recorder cb;
        EXPECT_EQ(BuildKitPackage(kit.in, kit.dir.Fs(), cb), kPackageFailed);
        ASSERT_EQ(cb.errors.size(), 1u);
        EXPECT_NE(cb.errors[0].find(c.message), std::string::npos) << cb.errors[0];
        EXPECT_TRUE(cb.asked.empty());
        EXPECT_FALSE(kit.dir.Fs().FileExists(kit.SetupPath()));
    }
}

} // namespace
