// The installer's window-free rules: drive-space figures, folder texts, the
// folders to make, and the overwrite question asked until it is answered.
#include <gtest/gtest.h>

#include <deque>

#include "setup/installer/install_rules.h"

namespace {

constexpr uint64_t KB = 1024, MB = KB * 1024, GB = MB * 1024;

TEST(DriveSpace, RoundedToAllocationUnitsAndShownWithItsUnit) {
    struct Case {
        uint64_t size, unit;
        const char* text;
    } cases[] = {
        {0, 4096, "0"},
        {1, 4096, "4 KB"},
        {4096, 4096, "4 KB"},
        {4097, 4096, "8 KB"},
        {1023, 0, "1023"},
        {1024, 0, "1 KB"},
        {MB - 1, 0, "1023 KB"},
        {MB, 0, "1 MB"},
        {MB + 1, 32768, "1 MB"},
        {GB - 1, 0, "1023 MB"},
        {GB - 1, 512, "1 GB"},
        {2 * GB - 1, 0, "1 GB"},
        {2 * GB - 1, 4096, "More than 2GB"},
        {2 * GB, 0, "More than 2GB"},
        {1ULL << 40, 0, "More than 2GB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDriveSpace(RoundUpToUnit(c.size, c.unit)), c.text)
            << c.size << " in units of " << c.unit;
}

TEST(FolderText, RootOfAbsoluteFolders) {
    struct Case {
        const char* folder;
        const char* root;
    } cases[] = {
        {"C:\\Program Files\\Stars", "C:\\"},
        {"d:\\", "d:\\"},
        {"C:", ""},
        {"C:Stars", ""},
        {"\\\\srv\\share\\dir\\x", "\\\\srv\\share\\"},
        {"\\\\srv\\share", "\\\\srv\\share\\"},
        {"\\\\srv", ""},
        {"\\\\\\share\\x", ""},
        {"\\\\srv\\\\x", ""},
        {"Stars\\x", ""},
        {"", ""},
        {"1:\\x", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FolderRoot(c.folder), c.root) << c.folder;
}

TEST(FolderText, SameFolderAsSetupWithOrWithoutBackslash) {
    struct Case {
        const char *a, *b;
        bool same;
    } cases[] = {
        {"C:\\Setup", "c:\\setup\\", true},
        {"C:\\Setup\\", "C:\\Setup", true},
        {"C:\\Setup", "C:\\Setup2", false},
        {"C:\\Setup\\x", "C:\\Setup", false},
        // Setup run from a drive's root: its folder text is "C:".
        {"C:\\", "C:", true},
        {"C", "c:\\", true},
        {"D:\\", "C:", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSameFolder(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST(FolderText, DefaultDestination) {
    EXPECT_EQ(DefaultDestination("C:\\Program Files", "C:\\WINDOWS", "Stars"),
              "C:\\Program Files\\Stars");
    EXPECT_EQ(DefaultDestination("E:\\Apps\\", "C:\\WINDOWS", "Stars"), "E:\\Apps\\Stars");
    // Without the registry value: the root of the Windows drive.
    EXPECT_EQ(DefaultDestination("", "D:\\WINNT\\x", "Stars"), "D:\\Stars");
}

TEST(FolderText, FoldersToCreateParentsFirst) {
    using V = std::vector<std::string>;
    EXPECT_EQ(FoldersToCreate("C:\\a\\b\\c"), (V{"C:\\a", "C:\\a\\b", "C:\\a\\b\\c"}));
    EXPECT_EQ(FoldersToCreate("C:\\a\\"), (V{"C:\\a"}));
    EXPECT_EQ(FoldersToCreate("C:\\a\\\\b"), (V{"C:\\a", "C:\\a\\\\b"}));
    EXPECT_EQ(FoldersToCreate("\\\\srv\\share\\a\\b"),
              (V{"\\\\srv\\share\\a", "\\\\srv\\share\\a\\b"}));
    EXPECT_EQ(FoldersToCreate("C:\\"), V{});
    EXPECT_EQ(FoldersToCreate("Stars\\x"), V{});
    EXPECT_EQ(FoldersToCreate("C:Stars"), V{});
}

TEST(FolderText, CleanedAsTyped) {
    EXPECT_EQ(CleanFolderText("  C:\\x \t"), "C:\\x");
    EXPECT_EQ(CleanFolderText(" \t "), "");
    // Forward slashes name the same folders; "Setup's own folder" must see them so.
    EXPECT_EQ(CleanFolderText("Z:/tmp/Setup\\x/"), "Z:\\tmp\\Setup\\x\\");
    EXPECT_TRUE(IsSameFolder(CleanFolderText("c:/setup/"), "C:\\Setup"));
}

TEST(OverwriteQuestion, AskedAgainUntilOneOfItsButtonsClosesIt) {
    struct Case {
        std::deque<int> answers;
        int result;
        size_t asked;
    } cases[] = {
        {{kOverwriteNo}, kOverwriteNo, 1},
        {{0, 2, kOverwriteYesToAll}, kOverwriteYesToAll, 3},
        {{1, kOverwriteAbort}, kOverwriteAbort, 2},
        // A question that cannot be shown stops the installation instead of looping.
        {{-1}, kOverwriteAbort, 1},
    };
    for (Case& c : cases) {
        size_t asked = 0;
        int r = AskOverwriteUntilAnswered([&] {
            ++asked;
            int a = c.answers.front();
            c.answers.pop_front();
            return a;
        });
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(asked, c.asked);
    }
}

TEST(OverwriteQuestion, YesToAllAsksNoMore) {
    OverwritePolicy p;
    EXPECT_EQ(p.Choice(), kOverwriteYes);
    EXPECT_FALSE(p.MustAsk(false));
    EXPECT_TRUE(p.MustAsk(true));
    p.Record(kOverwriteNo);
    EXPECT_TRUE(p.MustAsk(true));
    p.Record(kOverwriteYesToAll);
    EXPECT_FALSE(p.MustAsk(true));
    p.Reset();
    EXPECT_TRUE(p.MustAsk(true));
}

TEST(ResultCodes, UnknownCodesReadNoError) {
    EXPECT_STREQ(ErrorText(kInstallInvalidFile), "Invalid file");
    EXPECT_STREQ(ErrorText(6), ErrorText(kInstallOk));
    EXPECT_STREQ(ErrorText(-1), ErrorText(kInstallOk));
}

TEST(Keywords, AnyLetterCaseAndEverythingElseIsTheInstallationFolder) {
    EXPECT_EQ(FolderForKeyword("windowsdir"), TargetFolder::Windows);
    EXPECT_EQ(FolderForKeyword("SystemDir"), TargetFolder::System);
    for (const char* k : {"", "INSTALLDIR", "WINDOWS", "WINDOWSDIR ", "SYSTEM"})
        EXPECT_EQ(FolderForKeyword(k), TargetFolder::Install) << k;
}

} // namespace
