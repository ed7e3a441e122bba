// Installing a package's entries into a file system made of memory: where
// each entry goes, what the overwrite answers keep, and that damaged or
// hostile packages install nothing.
#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "setup/installer/package_install.h"
#include "tests/setup/installer/package_maker.h"

namespace {

const std::string kStub = "MZ-stub-" + std::string(300, 's');

class MemoryTarget : public InstallTarget {
  public:
    std::map<std::string, std::string> files;
    std::map<std::string, uint32_t> times;
    std::deque<int> answers;
    std::vector<std::string> asked;
    std::vector<std::string> status;

    std::string Folder(TargetFolder which) override {
        switch (which) {
        case TargetFolder::Windows:
            return "C:\\WINDOWS";
        case TargetFolder::System:
            return "C:\\WINDOWS\\SYSTEM";
        default:
            return "D:\\Savers\\Starfield";
        }
    }
    bool Exists(const std::string& path) override { return files.count(path) != 0; }
    int AskOverwrite(const std::string& path) override {
        asked.push_back(path);
        if (answers.empty()) return kOverwriteAbort;
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    void Status(const std::string& text) override { status.push_back(text); }
    bool WriteFile(const std::string& path, const std::vector<uint8_t>& data,
                   uint32_t unixTime) override {
        files[path] = std::string(data.begin(), data.end());
        times[path] = unixTime;
        return true;
    }
};

// Runs an installation the way the engine does: check, then every entry.
struct Installation {
    MadePackage package;
    MemorySource source;
    PackageReader reader;
    PackageInstall install;
    int result = kInstallOk;

    Installation(MadePackage p, MemoryTarget& target)
        : package(std::move(p)), source(package.bytes), reader(source, package.bytes.size()),
          install(reader, target) {}

    int All() {
        if (reader.Open() != PackageResult::Ok) return result = kInstallInvalidFile;
        if ((result = install.CheckEntries()) != kInstallOk) return result;
        while (!install.AtEnd() && (result = install.ExtractEntry()) == kInstallOk) {
        }
        return result;
    }
};

std::vector<MakerEntry> ThreeEntries() {
    return {
        {"Starfield.scr", std::string(5000, 'S') + "runtime", "WINDOWSDIR", "", "", 1700000000},
        {"C:\\album\\stars.gif", "GIF89a" + std::string(800, '\x07'), "", "", "Star picture", 0},
        {"readme.txt", "Read me, please.\r\n", "systemdir", "notes.txt", "Notes", 1600000000},
    };
}

TEST(PackageInstall, EveryEntryGoesToTheFolderItsKeywordNames) {
    MemoryTarget t;
    Installation run(MakePackage(kStub, ThreeEntries()), t);
    ASSERT_EQ(run.All(), kInstallOk);
    EXPECT_EQ(t.files["C:\\WINDOWS\\Starfield.scr"], std::string(5000, 'S') + "runtime");
    EXPECT_EQ(t.files["D:\\Savers\\Starfield\\stars.gif"], "GIF89a" + std::string(800, '\x07'));
    EXPECT_EQ(t.files["C:\\WINDOWS\\SYSTEM\\notes.txt"], "Read me, please.\r\n");
    EXPECT_EQ(t.times["C:\\WINDOWS\\Starfield.scr"], 1700000000u);
    EXPECT_EQ(t.times["D:\\Savers\\Starfield\\stars.gif"], 0u);
    EXPECT_EQ(t.files.size(), 3u);
    EXPECT_TRUE(t.asked.empty());
    EXPECT_EQ(
        run.install.InstalledFiles(),
        (std::vector<std::string>{"C:\\WINDOWS\\Starfield.scr", "D:\\Savers\\Starfield\\stars.gif",
                                  "C:\\WINDOWS\\SYSTEM\\notes.txt"}));
    ASSERT_EQ(run.install.Shortcuts().size(), 2u);
    EXPECT_EQ(run.install.Shortcuts()[0].path, "D:\\Savers\\Starfield\\stars.gif");
    EXPECT_EQ(run.install.Shortcuts()[0].shortcut, "Star picture");
    EXPECT_EQ(run.install.Shortcuts()[1].path, "C:\\WINDOWS\\SYSTEM\\notes.txt");
    EXPECT_EQ(t.status.front(), "Copying Starfield.scr...");
    EXPECT_EQ(t.status.back(), "Copying notes.txt...");
}

TEST(PackageInstall, OverwriteAnswers) {
    const std::string scr = "C:\\WINDOWS\\Starfield.scr", gif = "D:\\Savers\\Starfield\\stars.gif",
                      txt = "C:\\WINDOWS\\SYSTEM\\notes.txt";
    struct Case {
        const char* what;
        std::deque<int> answers;
        int result;
        size_t questions;
        std::vector<bool> replaced; // scr, gif, txt
        size_t installedListed;
    } cases[] = {
        {"yes each",
         {kOverwriteYes, kOverwriteYes, kOverwriteYes},
         kInstallOk,
         3,
         {true, true, true},
         3},
        {"no keeps",
         {kOverwriteNo, kOverwriteNo, kOverwriteYes},
         kInstallOk,
         3,
         {false, false, true},
         3},
        {"yes to all asks once", {kOverwriteYesToAll}, kInstallOk, 1, {true, true, true}, 3},
        {"closed, then no",
         {0, 2, kOverwriteNo, kOverwriteYesToAll},
         kInstallOk,
         4,
         {false, true, true},
         3},
        {"abort stops",
         {kOverwriteYes, kOverwriteAbort},
         kInstallAborted,
         2,
         {true, false, false},
         2},
    };
    for (Case& c : cases) {
        MemoryTarget t;
        for (const std::string& p : {scr, gif, txt})
            t.files[p] = "old";
        t.answers = c.answers;
        Installation run(MakePackage(kStub, ThreeEntries()), t);
        EXPECT_EQ(run.All(), c.result) << c.what;
        EXPECT_EQ(t.asked.size(), c.questions) << c.what;
        const std::string* paths[] = {&scr, &gif, &txt};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(t.files[*paths[i]] != "old", c.replaced[i]) << c.what << " " << *paths[i];
        EXPECT_EQ(run.install.InstalledFiles().size(), c.installedListed) << c.what;
        // A kept file still gets its link; an aborted one does not.
        size_t links = c.result == kInstallOk ? 2 : 0;
        EXPECT_EQ(run.install.Shortcuts().size(), links) << c.what;
    }
}

TEST(PackageInstall, HostileTargetNamesInstallNothing) {
    for (const char* target :
         {"..\\evil.txt", "C:\\evil.txt", "C:evil.txt", "\\evil.txt", "sub\\evil.txt",
          "../evil.txt", "CON", "nul.txt", "lpt1", "evil.txt.", "..", "a*b"}) {
        auto entries = ThreeEntries();
        entries[2].target = target;
        MemoryTarget t;
        Installation run(MakePackage(kStub, entries), t);
        EXPECT_EQ(run.All(), kInstallInvalidFile) << target;
        EXPECT_TRUE(t.files.empty()) << target;
        // The entry step refuses such a name on its own as well.
        run.reader.Rewind();
        PackageInstall direct(run.reader, t);
        EXPECT_EQ(direct.ExtractEntry(), kInstallOk);
        EXPECT_EQ(direct.ExtractEntry(), kInstallOk);
        EXPECT_EQ(direct.ExtractEntry(), kInstallInvalidFile) << target;
        EXPECT_EQ(t.files.size(), 2u) << target;
    }
}

TEST(PackageInstall, DamagedPackagesAreInvalid) {
    using Tamper = std::function<void(size_t, EntryHeader&, std::vector<uint8_t>&)>;
    struct Case {
        const char* what;
        Tamper tamper;
        size_t written; // entries written before the damage is found
    } cases[] = {
        {"inflates to more than stated",
         [](size_t i, EntryHeader& h, std::vector<uint8_t>&) { h.uncompressedSize -= i == 1; }, 1},
        {"inflates to less than stated",
         [](size_t i, EntryHeader& h, std::vector<uint8_t>&) { h.uncompressedSize += i == 1; }, 1},
        {"checksum broken",
         [](size_t i, EntryHeader&, std::vector<uint8_t>& d) {
             if (i == 2) d.back() ^= 1;
         },
         2},
        {"truncated last entry",
         [](size_t i, EntryHeader&, std::vector<uint8_t>& d) {
             if (i == 2) d.resize(d.size() - 3);
         },
         0},
        {"size claim beyond deflate's ratio",
         [](size_t i, EntryHeader& h, std::vector<uint8_t>&) {
             if (i == 0) h.uncompressedSize = 0xF0000000u;
         },
         0},
        {"no data",
         [](size_t i, EntryHeader& h, std::vector<uint8_t>& d) {
             if (i == 1) d.clear(), h.compressedSize = 0;
         },
         0},
    };
    for (const Case& c : cases) {
        MakerOptions o;
        o.tamper = c.tamper;
        MemoryTarget t;
        Installation run(MakePackage(kStub, ThreeEntries(), o), t);
        EXPECT_EQ(run.All(), kInstallInvalidFile) << c.what;
        EXPECT_EQ(t.files.size(), c.written) << c.what;
    }
}

TEST(PackageInstall, HeaderDamageFoundBeforeAnythingIsWritten) {
    struct Case {
        const char* what;
        size_t offset; // within the second header
        uint32_t value;
    } cases[] = {
        {"header length", 0, 1067},
        {"magic in small letters", 2, uint32_t('m') | uint32_t('f') << 8},
        {"compressed size past the trailer", 268, 0x7FFFFFFF},
        {"compressed size shorter", 268, 5},
    };
    for (const Case& c : cases) {
        MadePackage p = MakePackage(kStub, ThreeEntries());
        size_t at = p.headerOffsets[1] + c.offset;
        if (c.offset == 0) {
            p.bytes[at] = uint8_t(c.value), p.bytes[at + 1] = uint8_t(c.value >> 8);
        } else if (c.offset == 2) {
            p.bytes[at] = 'm', p.bytes[at + 1] = 'f';
        } else {
            PokeU32(p.bytes, at, c.value);
        }
        MemoryTarget t;
        Installation run(std::move(p), t);
        EXPECT_EQ(run.All(), kInstallInvalidFile) << c.what;
        EXPECT_TRUE(t.files.empty()) << c.what;
    }
}

TEST(PackageInstall, StubCopyAskedLikeAnyFile) {
    const std::string path = "D:\\Savers\\Plinthar\\setup.ex_";
    struct Case {
        bool exists;
        int answer;
        int result;
        bool written, listed;
    } cases[] = {
        {false, 0, kInstallOk, true, true},
        {true, kOverwriteYes, kInstallOk, true, true},
        {true, kOverwriteNo, kInstallOk, false, true},
        {true, kOverwriteAbort, kInstallAborted, false, false},
    };
    for (const Case& c : cases) {
        MemoryTarget t;
        if (c.exists) t.files[path] = "old stub";
        t.answers = {c.answer};
        Installation run(MakePackage(kStub, ThreeEntries()), t);
        ASSERT_EQ(run.reader.Open(), PackageResult::Ok);
        EXPECT_EQ(run.install.CopyStub(run.source, path, 1234), c.result);
        EXPECT_EQ(t.files[path] == kStub, c.written);
        EXPECT_EQ(!run.install.InstalledFiles().empty(), c.listed);
        if (c.written) {
            EXPECT_EQ(t.times[path], 1234u);
        }
    }
}

TEST(PackageInstall, SaverAndCompanyNamesThatNameOneFolderOrKey) {
    for (const char* ok : {"Starfield", "My Saver 2", "a.b"})
        EXPECT_TRUE(IsInstallableSaverName(ok)) << ok;
    for (const char* bad :
         {"", ".", "..", "a\\b", "a/b", "C:", "x:y", "a?b", "CON", "nul", "trailing.", "pipe|"})
        EXPECT_FALSE(IsInstallableSaverName(bad)) << bad;
    for (const char* ok : {"Quorvane", "Ann & Bob Ltd.", "a/b"})
        EXPECT_TRUE(IsInstallableCompanyName(ok)) << ok;
    for (const char* bad : {"", "Microsoft\\Windows", "\\", "tab\there"})
        EXPECT_FALSE(IsInstallableCompanyName(bad)) << bad;
}

} // namespace
