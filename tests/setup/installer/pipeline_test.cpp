// A setup program made the way the builder makes it (make file, writing loop,
// identity record appended to the saver) and installed by Setup's entry
// installation: what one writes the other must install unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "app/app_info.h"
#include "builder/package/package_build.h"
#include "setup/installer/package_install.h"

namespace {

class QuietCallbacks : public PackageCallbacks {
  public:
    void Status(const std::string&) override {}
    void ProgressRange(uint32_t) override {}
    void ProgressStep() override {}
    bool AskSkipInvalid(const std::string&) override { return false; }
    bool AskSkipMissing(const std::string&) override { return false; }
    bool AbortRequested() override { return false; }
    void Error(const std::string& message) override { errors.push_back(message); }
    std::vector<std::string> errors;
};

class Target : public InstallTarget {
  public:
    std::map<std::string, std::string> files;
    std::string Folder(TargetFolder which) override {
        return which == TargetFolder::Windows ? "C:\\WINDOWS" : "C:\\Program Files\\Star";
    }
    bool Exists(const std::string& path) override { return files.count(path) != 0; }
    int AskOverwrite(const std::string&) override { return kOverwriteAbort; }
    void Status(const std::string&) override {}
    bool WriteFile(const std::string& path, const std::vector<uint8_t>& data, uint32_t) override {
        files[path] = std::string(data.begin(), data.end());
        return true;
    }
};

void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(Pipeline, WhatTheBuilderWritesSetupInstalls) {
    char tmpl[] = "/tmp/plinthar-setup-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl, winDir = "\\" + dir.substr(1);
    const std::string stub = "MZ stub " + std::string(1000, 's');
    std::string runtime = "MZ runtime ", picture = "GIF89a";
    for (int i = 0; i < 40000; ++i)
        runtime += char(i * 31 >> 3), picture += char(i % 251);
    Put(dir + "/Star.exe", stub);
    Put(dir + "/Plinthar.scr", runtime);
    Put(dir + "/sky.gif", picture);

    MakeRecord make;
    make.outputDir = winDir;
    make.setupFile = "Star.exe";
    make.saverName = "Star";
    make.version = "1.0";
    make.year = "2026";
    make.author = "Ann";
    make.company = "Quorvane Test";
    make.flags = 17;
    make.lines = {winDir + "\\Plinthar.scr, Star.scr, WINDOWSDIR", "sky.gif,,, Night sky"};
    StdFileSystem fs;
    QuietCallbacks cb;
    PackageJob job;
    ASSERT_TRUE(PreparePackage(make, fs, cb, job)) << (cb.errors.empty() ? "" : cb.errors[0]);
    ASSERT_EQ(WritePackage(job, fs, cb), kPackageDone);

    std::vector<uint8_t> setup;
    ASSERT_EQ(fs.ReadFile(winDir + "\\Star.exe", setup), ReadResult::Ok);
    MemorySource source(setup);
    PackageReader reader(source, setup.size());
    ASSERT_EQ(reader.Open(), PackageResult::Ok);
    EXPECT_EQ(reader.Trailer().saverName, "Star");
    EXPECT_EQ(reader.Trailer().flags & 1, 1u);
    Target t;
    PackageInstall install(reader, t);
    ASSERT_EQ(install.CheckEntries(), kInstallOk);
    ASSERT_EQ(install.CopyStub(source, "C:\\Program Files\\Star\\setup.ex_", 0), kInstallOk);
    while (!install.AtEnd())
        ASSERT_EQ(install.ExtractEntry(), kInstallOk);

    EXPECT_EQ(t.files["C:\\Program Files\\Star\\setup.ex_"], stub);
    EXPECT_EQ(t.files["C:\\Program Files\\Star\\sky.gif"], picture);
    // The saver is the runtime with the new saver's identity at its end.
    const std::string& scr = t.files["C:\\WINDOWS\\Star.scr"];
    ASSERT_EQ(scr.size(), runtime.size() + 1304);
    EXPECT_EQ(scr.substr(0, runtime.size()), runtime);
    AppInfo info;
    ASSERT_TRUE(DecodeAppInfo(reinterpret_cast<const uint8_t*>(scr.data() + runtime.size()), info));
    EXPECT_EQ(info.AppName, "Star");
    EXPECT_EQ(info.Company, "Quorvane Test");
    ASSERT_EQ(install.Shortcuts().size(), 1u);
    EXPECT_EQ(install.Shortcuts()[0].shortcut, "Night sky");
    std::filesystem::remove_all(dir);
}

} // namespace
