#include "builder/package/package_build.h"

#include <gtest/gtest.h>

#include "../builder_test_dir.h"
#include "builder/package/package_reader.h"
#include "common/byte_io.h"

namespace {

// Records what the loop reports and answers its questions from the table.
class Recorder : public PackageCallbacks {
  public:
    void Status(const std::string& text) override { statuses.push_back(text); }
    void ProgressRange(uint32_t count) override { range = count; }
    void ProgressStep() override { ++steps; }
    bool AskSkipInvalid(const std::string& q) override {
        questions.push_back(q);
        return skipInvalid;
    }
    bool AskSkipMissing(const std::string& q) override {
        questions.push_back(q);
        return skipMissing;
    }
    bool AbortRequested() override { return abortAfter >= 0 && steps >= abortAfter; }
    void Error(const std::string& m) override { errors.push_back(m); }

    bool skipInvalid = true, skipMissing = true;
    int abortAfter = -1;
    uint32_t range = 0;
    int steps = 0;
    std::vector<std::string> statuses, questions, errors;
};

struct Built {
    int result;
    std::vector<uint8_t> file;
};

class PackageBuild : public ::testing::Test {
  protected:
    // A make record for a setup file holding `stub` bytes, with the given lines.
    MakeRecord Make(const std::vector<std::string>& lines, size_t stub = 1000) {
        dir.Put("Tide.exe", std::vector<uint8_t>(stub, 0x5A));
        MakeRecord m;
        m.outputDir = dir.Path();
        m.setupFile = "Tide.exe";
        m.saverName = "Tide";
        m.version = "1.0";
        m.year = "2026";
        m.author = "Harbour";
        m.company = "Harbour Works";
        m.flags = kMakeFlagCreatedSaver | kMakeFlagGroup;
        m.lines = lines;
        return m;
    }
    Built Run(const MakeRecord& m) {
        PackageJob job;
        if (!PreparePackage(m, dir.Fs(), cb, job)) return {-1, {}};
        int r = WritePackage(job, dir.Fs(), cb);
        return {r, dir.Get("Tide.exe")};
    }
    TestDir dir;
    Recorder cb;
};

TEST_F(PackageBuild, TinyFilesBuildAndReadBack) {
    // Three bytes deflate to more than 110 % of themselves.
    dir.Put("run.scr", std::string("MZ!"));
    dir.Put("a.ini", std::string("[x]"));
    Built b = Run(Make({"run.scr,Tide.scr,WINDOWSDIR,Tide 1.0", "a.ini"}, 400000));
    ASSERT_EQ(b.result, kPackageDone) << (cb.errors.empty() ? "" : cb.errors[0]);
    EXPECT_EQ(cb.range, 2u);
    EXPECT_EQ(cb.steps, 2);
    EXPECT_EQ(cb.statuses.front(), "Compressing run.scr...");

    MemorySource src(b.file);
    PackageReader r(src, b.file.size());
    ASSERT_EQ(r.Open(), PackageResult::Ok);
    ASSERT_EQ(r.Verify(), PackageResult::Ok);
    EXPECT_EQ(r.Trailer().firstEntryPlusOne, 400001u);
    EXPECT_EQ(r.Trailer().entryCount, 2u);
    EXPECT_EQ(r.Trailer().flags, 17u);
    EXPECT_EQ(r.Trailer().company, "Harbour Works");
    EXPECT_EQ(r.Trailer().totalUncompressed, 3u + 1304u + 3u);
    EXPECT_EQ(std::vector<uint8_t>(b.file.begin(), b.file.begin() + 400000),
              std::vector<uint8_t>(400000, 0x5A));

    PackageEntry e;
    std::vector<uint8_t> data;
    ASSERT_EQ(r.Next(e), PackageResult::Ok);
    ASSERT_EQ(r.Extract(e, data), PackageResult::Ok);
    EXPECT_EQ(e.header.fileName, "run.scr");
    EXPECT_EQ(e.header.target, "Tide.scr");
    EXPECT_EQ(e.header.keyword, "WINDOWSDIR");
    EXPECT_EQ(e.header.shortcut, "Tide 1.0");
    EXPECT_NE(e.header.time, 0u);
    // The runtime carries the new saver's identity record after its own bytes.
    ASSERT_EQ(data.size(), 3u + 1304u);
    EXPECT_EQ(std::string(data.begin(), data.begin() + 3), "MZ!");
    EXPECT_EQ(LoadLE32(&data[3]), 1304u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&data[3 + 4]), "Tide");
    EXPECT_EQ(LoadLE32(&data[3 + 1292]), 2026u);
    EXPECT_EQ(LoadLE32(&data[3 + 1300]), 17u);
    ASSERT_EQ(r.Next(e), PackageResult::Ok);
    ASSERT_EQ(r.Extract(e, data), PackageResult::Ok);
    EXPECT_EQ(e.header.target, "a.ini");
    EXPECT_EQ(std::string(data.begin(), data.end()), "[x]");
}

TEST_F(PackageBuild, MissingFileSkippedLowersTheCount) {
    dir.Put("run.scr", std::string("runtime"));
    dir.Put("b.txt", std::string("bee"));
    Built b = Run(Make({"run.scr", "gone.txt", "b.txt"}));
    ASSERT_EQ(b.result, kPackageDone);
    ASSERT_EQ(cb.questions.size(), 1u);
    EXPECT_EQ(cb.questions[0], "Cannot find file number 1: " + (dir / "gone.txt") +
                                   ". Skip this file and continue?");
    EXPECT_EQ(cb.steps, 3);
    MemorySource src(b.file);
    PackageReader r(src, b.file.size());
    ASSERT_EQ(r.Open(), PackageResult::Ok);
    EXPECT_EQ(r.Trailer().entryCount, 2u);
    EXPECT_EQ(r.Verify(), PackageResult::Ok);
}

TEST_F(PackageBuild, FilesCompressedAtOnceGiveTheSamePackage) {
    dir.Put("run.scr", std::vector<uint8_t>(5000, 0x90));
    std::vector<std::string> lines = {"run.scr,Tide.scr,WINDOWSDIR"};
    for (int i = 0; i < 9; ++i) {
        // Sizes that shrink and grow, so buffers are reused across sizes.
        std::string name = "f" + std::to_string(i) + ".bin";
        std::vector<uint8_t> bytes(size_t(1 + (i * 7919) % 60000));
        for (size_t k = 0; k < bytes.size(); ++k)
            bytes[k] = uint8_t((k * (i + 3)) ^ (k >> 7));
        dir.Put(name, bytes);
        lines.push_back(name);
    }
    lines.insert(lines.begin() + 4, "gone.bin");
    std::vector<uint8_t> first;
    for (unsigned threads : {1u, 2u, 3u, 16u}) {
        cb = Recorder();
        PackageJob job;
        ASSERT_TRUE(PreparePackage(Make(lines), dir.Fs(), cb, job));
        job.threads = threads;
        ASSERT_EQ(WritePackage(job, dir.Fs(), cb), kPackageDone) << threads;
        EXPECT_EQ(cb.questions.size(), 1u) << threads;
        EXPECT_EQ(cb.steps, 11) << threads;
        std::vector<uint8_t> file = dir.Get("Tide.exe");
        if (first.empty()) first = file;
        EXPECT_EQ(file, first) << threads;
    }
    MemorySource src(first);
    PackageReader r(src, first.size());
    ASSERT_EQ(r.Open(), PackageResult::Ok);
    EXPECT_EQ(r.Verify(), PackageResult::Ok);
    EXPECT_EQ(r.Trailer().entryCount, 10u);
}

TEST_F(PackageBuild, EveryFailureLeavesNoSetupProgram) {
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        bool skipMissing;
        int abortAfter;
        int result;
        const char* error; // start of the message, "" for none
    } cases[] = {
        {"missing file not skipped", {"run.scr", "gone.txt"}, false, -1, kPackageAborted, ""},
        {"empty additional file",
         {"run.scr", "empty.txt"},
         true,
         -1,
         kPackageFailed,
         "Cannot read file "},
        {"abort between entries", {"run.scr", "b.txt"}, true, 1, kPackageAborted, ""},
        {"abort with files compressed ahead",
         {"run.scr", "b.txt", "b.txt", "b.txt"},
         true,
         2,
         kPackageAborted,
         ""},
    };
    for (const Case& c : cases) {
        dir.Put("run.scr", std::string("runtime"));
        dir.Put("b.txt", std::string("bee"));
        dir.Put("empty.txt", std::string());
        cb = Recorder();
        cb.skipMissing = c.skipMissing;
        cb.abortAfter = c.abortAfter;
        PackageJob job;
        ASSERT_TRUE(PreparePackage(Make(c.lines), dir.Fs(), cb, job));
        job.threads = 3;
        Built b{WritePackage(job, dir.Fs(), cb), {}};
        EXPECT_EQ(b.result, c.result) << c.what;
        EXPECT_FALSE(dir.Fs().FileExists(dir / "Tide.exe")) << c.what;
        if (*c.error) {
            ASSERT_EQ(cb.errors.size(), 1u) << c.what;
            EXPECT_EQ(cb.errors[0].rfind(c.error, 0), 0u) << cb.errors[0];
        } else {
            EXPECT_TRUE(cb.errors.empty()) << c.what;
        }
    }
}

TEST_F(PackageBuild, PreparationRefusals) {
    struct Case {
        const char* what;
        void (*edit)(MakeRecord&);
        const char* error;
    } cases[] = {
        {"no lines", [](MakeRecord& m) { m.lines.clear(); },
         "Number of files must be larger than zero"},
        {"no company", [](MakeRecord& m) { m.company.clear(); }, "Incomplete application info"},
        {"year zero", [](MakeRecord& m) { m.year = "0"; }, "Incomplete application info"},
        {"year not a number", [](MakeRecord& m) { m.year = "MMXX"; },
         "Incomplete application info"},
        {"no setup file", [](MakeRecord& m) { m.setupFile = "Other.exe"; },
         "Cannot find exe file Other.exe"},
        {"invalid line cancelled", [](MakeRecord& m) { m.lines.push_back("a,..\\x"); }, "Aborting"},
    };
    for (const Case& c : cases) {
        cb = Recorder();
        cb.skipInvalid = false;
        MakeRecord m = Make({"run.scr"});
        c.edit(m);
        PackageJob job;
        EXPECT_FALSE(PreparePackage(m, dir.Fs(), cb, job)) << c.what;
        ASSERT_EQ(cb.errors.size(), 1u) << c.what;
        EXPECT_EQ(cb.errors[0], c.error);
    }
    cb = Recorder();
    MakeRecord m = Make({"run.scr", "a,..\\x"});
    PackageJob job;
    ASSERT_TRUE(PreparePackage(m, dir.Fs(), cb, job));
    EXPECT_EQ(job.entries.size(), 1u);
    ASSERT_EQ(cb.questions.size(), 1u);
    EXPECT_EQ(cb.questions[0], "Invalid entry: a,..\\x.Skip this file?");

    // The make file itself: unreadable, and with a wrong format number.
    std::string path = dir / "Tide.dat";
    cb = Recorder();
    EXPECT_FALSE(PreparePackage(path, dir.Fs(), cb, job));
    EXPECT_EQ(cb.errors.back(), "Unable to open data file " + path);
    m.format = 63;
    dir.Put("Tide.dat", EncodeMakeRecord(m));
    EXPECT_FALSE(PreparePackage(path, dir.Fs(), cb, job));
    EXPECT_EQ(cb.errors.back(), "Unable to load configuration info from " + path);
}

} // namespace
