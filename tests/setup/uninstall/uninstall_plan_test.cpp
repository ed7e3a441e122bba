#include "setup/uninstall/uninstall_plan.h"

#include <gtest/gtest.h>

namespace {

const char* kInstall = "C:\\Program Files\\Ocean";
const char* kPrograms = "C:\\WINDOWS\\Start Menu\\Programs";

UninstallPlaces Places() {
    UninstallPlaces p;
    p.installDir = kInstall;
    p.windowsDir = "C:\\WINDOWS";
    p.systemDir = "C:\\WINDOWS\\SYSTEM";
    p.programsDirs = {kPrograms, "C:\\WINDOWS\\All Users\\Start Menu\\Programs"};
    p.selfPath = "C:\\Program Files\\Ocean\\Uninstall.exe";
    return p;
}

UninstallData Data(std::vector<std::string> files) {
    UninstallData d;
    d.saverName = "Ocean";
    d.company = "Tide";
    d.files = std::move(files);
    return d;
}

std::vector<std::string> Paths(const std::vector<Removal>& steps, RemovalKind kind) {
    std::vector<std::string> out;
    for (const Removal& r : steps) {
        if (r.kind == kind) out.push_back(r.path);
    }
    return out;
}

TEST(UninstallPlan, WhatSetupRecordsIsRemovedInASafeOrder) {
    UninstallData d = Data({
        "C:\\Program Files\\Ocean\\setup.ex_",
        "C:\\WINDOWS\\Ocean.scr",
        "C:\\WINDOWS\\SYSTEM\\ocean.dll",
        "C:\\Program Files\\Ocean\\Pictures\\Deep\\a.gif",
        "C:\\Program Files\\Ocean\\Pictures\\b.gif",
        "C:\\Program Files\\Ocean\\Uninstall.exe",
        "C:\\WINDOWS\\Start Menu\\Programs\\Ocean",
        "C:\\Program Files\\Ocean\\Uninstall.dat",
        "C:\\Program Files\\Ocean\\Ocean.gid",
    });
    UninstallPlan plan = PlanUninstall(d, Places());
    EXPECT_EQ(Paths(plan.steps, RemovalKind::File),
              (std::vector<std::string>{d.files[0], d.files[1], d.files[2], d.files[3],
                                        d.files[4], d.files[8]}));
    EXPECT_EQ(Paths(plan.steps, RemovalKind::ProgramGroup),
              std::vector<std::string>{"C:\\WINDOWS\\Start Menu\\Programs\\Ocean"});
    // The data file after everything else; folders deepest first; the
    // installation folder once the program itself is gone.
    ASSERT_EQ(plan.finalSteps.size(), 3u);
    EXPECT_EQ(plan.finalSteps[0].path, "C:\\Program Files\\Ocean\\Uninstall.dat");
    EXPECT_EQ(plan.finalSteps[0].kind, RemovalKind::File);
    EXPECT_EQ(plan.finalSteps[1].path, "C:\\Program Files\\Ocean\\Pictures\\Deep");
    EXPECT_EQ(plan.finalSteps[2].path, "C:\\Program Files\\Ocean\\Pictures");
    EXPECT_EQ(plan.finalSteps[2].kind, RemovalKind::FolderIfEmpty);
    EXPECT_TRUE(plan.removeSelf);
    EXPECT_EQ(plan.afterSelf, std::vector<std::string>{kInstall});
    EXPECT_TRUE(plan.skipped.empty());
}

TEST(UninstallPlan, PathsOutsideItsPlacesAreNeverRemoved) {
    struct Case {
        const char* path;
        bool removed;
    } cases[] = {
        {"C:\\Program Files\\Ocean\\x.ini", true},
        {"c:/program files/ocean/x.ini", true},
        {"C:\\WINDOWS\\x.scr", true},
        {"C:\\WINDOWS\\SYSTEM\\x.dll", true},
        {"C:\\WINDOWS\\Fonts\\x.ttf", false},
        {"C:\\WINDOWS\\SYSTEM\\drivers\\x.sys", false},
        {"C:\\Program Files\\Ocean\\..\\Other\\x.ini", false},
        {"C:\\Program Files\\Oceans\\x.ini", false},
        {"C:\\Program Files\\Ocean", false},
        {"C:\\WINDOWS", false},
        {"C:\\autoexec.bat", false},
        {"D:\\Program Files\\Ocean\\x.ini", false},
        {"x.ini", false},
        {"\\\\server\\share\\x.ini", false},
        {"C:\\Program Files\\Ocean\\NUL", false},
        {"C:\\WINDOWS\\Start Menu\\Programs\\Other", false},
        {"C:\\WINDOWS\\Start Menu\\Programs\\Ocean\\..\\Other", false},
    };
    for (const Case& c : cases) {
        UninstallPlan plan = PlanUninstall(Data({c.path}), Places());
        EXPECT_EQ(plan.steps.size(), c.removed ? 1u : 0u) << c.path;
        EXPECT_EQ(plan.skipped.size(), c.removed ? 0u : 1u) << c.path;
    }
}

TEST(UninstallPlan, ADriveRootIsNoInstallationFolder) {
    for (const char* root : {"C:\\", "C:", "\\\\server\\share", "\\\\server\\share\\"}) {
        UninstallPlaces places = Places();
        places.installDir = root;
        places.selfPath = std::string(root) + "Uninstall.exe";
        UninstallPlan plan =
            PlanUninstall(Data({"C:\\io.sys", "\\\\server\\share\\x", places.selfPath}), places);
        EXPECT_TRUE(plan.steps.empty()) << root;
        EXPECT_FALSE(plan.removeSelf) << root;
        EXPECT_TRUE(plan.finalSteps.empty() && plan.afterSelf.empty()) << root;
    }
}

TEST(UninstallPlan, RegistryIsTouchedOnlyWhereItNamesThisInstallation) {
    UninstallPlan plan = PlanUninstall(Data({}), Places());
    ASSERT_EQ(plan.registry.size(), 3u);
    const RegistryRemoval& app = plan.registry[0];
    EXPECT_EQ(app.key, "Software\\Tide\\Ocean\\App");
    EXPECT_EQ(app.value, "InstallDirectory");
    EXPECT_EQ(app.expected, kInstall);
    EXPECT_EQ(app.pruneKeys, (std::vector<std::string>{"Software\\Tide\\Ocean\\App",
                                                       "Software\\Tide\\Ocean", "Software\\Tide"}));
    const RegistryRemoval& un = plan.registry[1];
    EXPECT_EQ(un.key, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ocean");
    EXPECT_EQ(un.expected, "C:\\Program Files\\Ocean\\Uninstall.exe");
    EXPECT_EQ(un.alsoDelete, std::vector<std::string>{"DisplayName"});
    EXPECT_EQ(plan.registry[2].value, "Ocean.hlp");
    EXPECT_TRUE(plan.registry[2].pruneKeys.empty());
    // Without the program listed the folder goes with the other emptied folders.
    EXPECT_FALSE(plan.removeSelf);
    ASSERT_EQ(plan.finalSteps.size(), 1u);
    EXPECT_EQ(plan.finalSteps[0].path, kInstall);
}

TEST(UninstallPlan, SamePathIgnoresCaseSeparatorsAndTrailingBackslash) {
    EXPECT_TRUE(SamePath("C:\\A\\b", "c:/a/B\\"));
    EXPECT_FALSE(SamePath("C:\\A\\b", "C:\\A\\bc"));
}

TEST(UninstallCommandLine, ArgumentsAreFoundHoweverTheProgramWasStarted) {
    const std::string module = "C:\\Program Files\\Ocean\\Uninstall.exe";
    const std::string beside = "C:\\Program Files\\Ocean\\Uninstall.dat";
    struct Case {
        std::string line;
        std::string dataPath;
    } cases[] = {
        {"C:\\Program Files\\Ocean\\Uninstall.exe", beside},
        {"c:\\program files\\ocean\\uninstall.exe  ", beside},
        {"C:\\PROGRA~1\\OCEAN\\UNINSTALL.EXE", beside},
        {"\"C:\\Program Files\\Ocean\\Uninstall.exe\"", beside},
        {"Uninstall.exe", beside},
        {"\"C:\\Program Files\\Ocean\\Uninstall.exe\" \"D:\\x y\\Uninstall.dat\"",
         "D:\\x y\\Uninstall.dat"},
        {"\"C:\\Program Files\\Ocean\\Uninstall.exe\" D:\\x y\\Uninstall.dat",
         "D:\\x y\\Uninstall.dat"},
        {"C:\\Program Files\\Ocean\\Uninstall.exe D:\\u.dat", "D:\\u.dat"},
        {"Uninstall D:\\u.dat", "D:\\u.dat"},
    };
    for (const Case& c : cases) {
        UninstallCommand cmd = ParseUninstallCommand(c.line, module);
        EXPECT_FALSE(cmd.finish) << c.line;
        EXPECT_EQ(cmd.dataPath, c.dataPath) << c.line;
    }
}

TEST(UninstallCommandLine, FinishLinesRoundTripAndBadOnesAreInvalid) {
    std::string line = MakeFinishCommand("C:\\TEMP\\unin1.tmp", 4000000000ul,
                                         "C:\\Program Files\\Ocean\\Uninstall.exe",
                                         {"C:\\Program Files\\Ocean"});
    UninstallCommand cmd = ParseUninstallCommand(line, "C:\\TEMP\\unin1.tmp");
    ASSERT_TRUE(cmd.finish);
    EXPECT_TRUE(cmd.valid);
    EXPECT_EQ(cmd.parentId, 4000000000ul);
    EXPECT_EQ(cmd.exePath, "C:\\Program Files\\Ocean\\Uninstall.exe");
    EXPECT_EQ(cmd.folders, std::vector<std::string>{"C:\\Program Files\\Ocean"});
    for (const char* bad : {"x /finish", "x /finish 12", "x /finish abc \"C:\\Uninstall.exe\"",
                            "x /finish 99999999999 \"C:\\Uninstall.exe\"", "x /finish -1 \"C:\\Uninstall.exe\"",
                            "x /finish 12 \"C:\\My Documents\\letter.doc\""}) {
        UninstallCommand b = ParseUninstallCommand(bad, "C:\\x");
        EXPECT_FALSE(b.finish && b.valid) << bad;
    }
}

}  // namespace
