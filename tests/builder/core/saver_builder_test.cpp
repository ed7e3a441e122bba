#include "builder/core/saver_builder.h"

#include <gtest/gtest.h>

#include "../builder_test_dir.h"
#include "app/album.h"
#include "app/profile.h"
#include "builder/package/package_reader.h"
#include "common/archive.h"
#include "common/byte_io.h"

namespace {

class Quiet : public PackageCallbacks {
  public:
    void Status(const std::string&) override {}
    void ProgressRange(uint32_t) override {}
    void ProgressStep() override {}
    bool AskSkipInvalid(const std::string&) override { return true; }
    bool AskSkipMissing(const std::string& q) override {
        questions.push_back(q);
        return false;
    }
    bool AbortRequested() override { return false; }
    void Error(const std::string& m) override { errors.push_back(m); }
    std::vector<std::string> errors, questions;
};

// A kit, an author's album with a name clash, and settings with a background.
struct Workshop {
    TestDir dir;
    SaverBuildRequest req;
    const std::vector<uint8_t> stub = std::vector<uint8_t>(4096, 0xEE);
    const std::vector<uint8_t> runtime = std::vector<uint8_t>(3000, 0x11);

    Workshop() {
        dir.Put("kit\\setup.ex_", stub);
        dir.Put("kit\\Plinthar.scr", runtime);
        dir.Put("kit\\Uninstall.exe", std::string("uninstaller"));
        dir.Put("author\\pics\\a.jpg", std::string("new a"));
        dir.Put("author\\old\\a.jpg", std::string("old a"));
        dir.Put("author\\bg.bmp", std::string("background"));
        dir.Put("author\\my.alb",
                EncodeAlbum({"\\pics\\a.jpg|Red", "\\old\\a.jpg"}, {"\\gone.cda"}));
        dir.Put("author\\my.ini",
                "[Options]\r\nAlbumFile=\\my.alb\r\n[Background]\r\nStyle=0\r\nImage=\\bg.bmp\r\n"
                "[Distribution]\r\nSaverName=Tide\r\n");
        req.albumFile = dir / "author\\my.alb";
        req.settingsFile = dir / "author\\my.ini";
        req.kitDir = dir / "kit";
        req.fields.directory = dir / "out";
        req.fields.name = "Tide";
        req.fields.version = "1.0";
        req.fields.publisher = "Harbour Works";
        req.fields.year = 2026;
    }
};

TEST(SaverBuilder, BuildsAPackageThatReadsBack) {
    Workshop w;
    Quiet cb;
    ASSERT_EQ(RunSaverBuild(w.req, w.dir.Fs(), cb), kSaverBuilt)
        << (cb.errors.empty() ? "" : cb.errors[0]);
    // Only the setup program remains of the build's files.
    for (const char* gone : {"out\\Tide.dat", "out\\Tide.ini", "out\\Tide.alb"})
        EXPECT_FALSE(w.dir.Fs().FileExists(w.dir / gone)) << gone;

    std::vector<uint8_t> file = w.dir.Get("out\\Tide.exe");
    ASSERT_GT(file.size(), w.stub.size());
    EXPECT_TRUE(std::equal(w.stub.begin(), w.stub.end(), file.begin()));
    MemorySource src(file);
    PackageReader r(src, file.size());
    ASSERT_EQ(r.Open(), PackageResult::Ok);
    ASSERT_EQ(r.Verify(), PackageResult::Ok);
    EXPECT_EQ(r.FirstEntryOffset(), w.stub.size());
    EXPECT_EQ(r.Trailer().saverName, "Tide");
    EXPECT_EQ(r.Trailer().author, "Harbour Works");
    EXPECT_EQ(r.Trailer().flags, 17u);

    struct Want {
        const char *file, *target, *keyword, *shortcut;
    } want[] = {
        {"Plinthar.scr", "Tide.scr", "WINDOWSDIR", "Tide 1.0"},
        {"Uninstall.exe", "Uninstall.exe", "INSTALLDIR", "Uninstall Tide"},
        {"Tide.ini", "Tide.ini", "", ""},
        {"Tide.alb", "Tide.alb", "", ""},
        {"bg.bmp", "bg.bmp", "", ""},
        {"a.jpg", "a.jpg", "", ""},
        {"a.jpg", "a_2.jpg", "", ""},
    };
    std::vector<std::vector<uint8_t>> data;
    for (const Want& x : want) {
        PackageEntry e;
        ASSERT_EQ(r.Next(e), PackageResult::Ok) << x.target;
        EXPECT_EQ(e.header.fileName, x.file);
        EXPECT_EQ(e.header.target, x.target);
        EXPECT_EQ(e.header.keyword, x.keyword);
        EXPECT_EQ(e.header.shortcut, x.shortcut);
        data.emplace_back();
        ASSERT_EQ(r.Extract(e, data.back()), PackageResult::Ok);
    }
    EXPECT_TRUE(r.AtEnd());

    // Entry 0: the runtime, then the record that makes it "Tide".
    ASSERT_EQ(data[0].size(), w.runtime.size() + 1304);
    EXPECT_TRUE(std::equal(w.runtime.begin(), w.runtime.end(), data[0].begin()));
    const uint8_t* rec = data[0].data() + w.runtime.size();
    EXPECT_EQ(LoadLE32(rec), 1304u);
    EXPECT_STREQ(reinterpret_cast<const char*>(rec + 4), "Tide");
    EXPECT_STREQ(reinterpret_cast<const char*>(rec + 778), "Harbour Works");

    MemoryProfile ini(std::string(data[2].begin(), data[2].end()));
    std::string value;
    EXPECT_FALSE(ini.Read("Options", "AlbumFile", value));
    EXPECT_FALSE(ini.Read("Distribution", "SaverName", value));
    EXPECT_EQ(ini.ReadString("Options", "IsFirstUse", ""), "1");
    EXPECT_EQ(ini.ReadString("Background", "Image", ""), "\\bg.bmp");

    std::vector<std::string> images, sounds;
    ASSERT_EQ(DecodeAlbum(data[3].data(), data[3].size(), images, sounds), AlbumResult::Ok);
    EXPECT_EQ(images, (std::vector<std::string>{"\\a.jpg|Red", "\\a_2.jpg"}));
    EXPECT_TRUE(sounds.empty());
    EXPECT_EQ(std::string(data[6].begin(), data[6].end()), "old a");
}

TEST(SaverBuilder, FailuresSayWhyAndLeaveNoSetupProgram) {
    struct Case {
        const char* what;
        void (*edit)(Workshop&);
        int result;
        const char* error;
    } cases[] = {
        {"no stub", [](Workshop& w) { w.dir.Fs().Remove(w.dir / "kit\\setup.ex_"); }, kSaverFailed,
         "A necessary file ("},
        {"no uninstaller", [](Workshop& w) { w.dir.Fs().Remove(w.dir / "kit\\Uninstall.exe"); },
         kSaverFailed, "A necessary file ("},
        {"album unreadable", [](Workshop& w) { w.dir.Put("author\\my.alb", std::string("ALX")); },
         kSaverFailed, "Unable to load album file "},
        {"no pictures",
         [](Workshop& w) { w.dir.Put("author\\my.alb", EncodeAlbum({}, {"\\x.wav"})); },
         kSaverFailed, "To create your screensaver, one or more image files must be specified."},
        {"picture missing", [](Workshop& w) { w.dir.Fs().Remove(w.dir / "author\\old\\a.jpg"); },
         kSaverAborted, ""},
    };
    for (const Case& c : cases) {
        Workshop w;
        c.edit(w);
        Quiet cb;
        EXPECT_EQ(RunSaverBuild(w.req, w.dir.Fs(), cb), c.result) << c.what;
        EXPECT_FALSE(w.dir.Fs().FileExists(w.dir / "out\\Tide.exe")) << c.what;
        if (*c.error) {
            ASSERT_FALSE(cb.errors.empty()) << c.what;
            EXPECT_EQ(cb.errors[0].rfind(c.error, 0), 0u) << cb.errors[0];
        }
    }
}

TEST(SaverBuilder, AnExistingSetupProgramStaysUnlessReplaced) {
    Workshop w;
    w.dir.Put("out\\Tide.exe", std::string("keep me"));
    Quiet cb;
    EXPECT_EQ(RunSaverBuild(w.req, w.dir.Fs(), cb), kSaverFailed);
    EXPECT_EQ(w.dir.Get("out\\Tide.exe"),
              std::vector<uint8_t>({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
    w.req.replace = true;
    EXPECT_EQ(RunSaverBuild(w.req, w.dir.Fs(), cb), kSaverBuilt);
}

} // namespace
