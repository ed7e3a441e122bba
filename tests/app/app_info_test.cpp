#include "app/app_info.h"
#include "app/run_mode.h"
#include "common/byte_io.h"

#include <gtest/gtest.h>

namespace {

TEST(AppInfo, FieldsLandAtTheirOffsets) {
    AppInfo a;
    a.AppName = "Sunset Saver";
    a.Version = "1.0";
    a.Author = "Ann";
    a.Company = "Acme";
    a.Year = 2026;
    a.Flags = kAppFlagCreatedSaver | kAppFlagGroup;
    std::vector<uint8_t> rec = EncodeAppInfo(a);
    ASSERT_EQ(rec.size(), 1304u);
    EXPECT_EQ(LoadLE32(rec.data()), 1304u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&rec[4])), "Sunset Saver");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&rec[516])), "1.0");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&rec[522])), "Ann");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&rec[778])), "Acme");
    EXPECT_EQ(LoadLE32(&rec[1292]), 2026u);
    EXPECT_EQ(LoadLE32(&rec[1300]), 17u);
    for (size_t i = 1034; i < 1292; ++i) ASSERT_EQ(rec[i], 0) << i;

    AppInfo back;
    ASSERT_TRUE(DecodeAppInfo(rec.data(), back));
    EXPECT_EQ(back.AppName, a.AppName);
    EXPECT_EQ(back.Company, "Acme");
    EXPECT_EQ(back.Year, 2026u);
    EXPECT_TRUE(back.isCreatedSaver());
}

TEST(AppInfo, OverlongTextsAreCutInsideTheirField) {
    AppInfo a;
    a.AppName = std::string(600, 'n');
    a.Version = "123456789";
    std::vector<uint8_t> rec = EncodeAppInfo(a);
    AppInfo back;
    ASSERT_TRUE(DecodeAppInfo(rec.data(), back));
    EXPECT_EQ(back.AppName.size(), 511u);
    EXPECT_EQ(back.Version, "12345");
    // A record written by someone else without terminators still stays in its field.
    std::fill(rec.begin() + 516, rec.begin() + 522, uint8_t('v'));
    ASSERT_TRUE(DecodeAppInfo(rec.data(), back));
    EXPECT_EQ(back.Version, "vvvvvv");
}

TEST(AppInfo, NoRecordAndKitDefaults) {
    std::vector<uint8_t> rec(1304, 0);
    StoreLE32(rec.data(), 1303);
    AppInfo a;
    EXPECT_FALSE(DecodeAppInfo(rec.data(), a));
    // Without a record the program is the kit: it passes its own identity check,
    // is no created saver, and carries the kit's name and version.
    AppInfo kit = KitDefaults("Someone");
    EXPECT_TRUE(IdentityCheckPasses(kit));
    EXPECT_FALSE(kit.isCreatedSaver());
    EXPECT_EQ(kit.AppName + " " + kit.Version, "Plinthar 2.02");
    EXPECT_EQ(kit.Author, "Someone");
    EXPECT_EQ(InstallKeyPath(kit), "SoftWare\\Quorvane\\Plinthar\\App");
}

TEST(AppInfo, IdentityCheck) {
    struct Case {
        const char* name;
        uint32_t flags;
        bool passes;
    } cases[] = {
        {"Plinthar", 2, true},    {"PLINTHAR", 0, true},      {"Other", 2, false},
        {"Plinthar", 1, true},    // group bit only: still the kit
        {"My Saver", 16, true},   {"plinthar", 16, false},    {"PlInThAr", 4, false},
        {"My Saver", 8, true},
    };
    for (const Case& c : cases) {
        AppInfo a;
        a.AppName = c.name;
        a.Flags = c.flags;
        EXPECT_EQ(IdentityCheckPasses(a), c.passes) << c.name << " " << c.flags;
    }
}

TEST(AppInfo, IdentityCheckTakesTheProductNameGiven) {
    // A program whose string table names it otherwise checks against that name.
    const struct {
        const char* appName;
        uint32_t flags;
        bool passes;
    } cases[] = {{"Stonework", 2, true}, {"STONEWORK", 16, false},
                 {"Plinthar", 2, false}, {"Plinthar", 16, true}};
    for (const auto& c : cases) {
        AppInfo a = KitDefaults("Someone", "Stonework");
        EXPECT_EQ(a.AppName, "Stonework");
        a.AppName = c.appName;
        a.Flags = c.flags;
        EXPECT_EQ(IdentityCheckPasses(a, "Stonework"), c.passes) << c.appName << " " << c.flags;
    }
    AppInfo wrong = KitDefaults("Someone");
    EXPECT_NE(IdentityErrorText(wrong, "Stonework").find("Expected name: Stonework\n"),
              std::string::npos);
}

TEST(RunMode, CommandTails) {
    struct Case {
        const char* tail;
        int args;
        RunMode mode;
    } cases[] = {
        {"", 0, RunMode::Configure},        {"/c", 1, RunMode::Configure},
        {"/c:1234", 1, RunMode::Configure}, {"-C", 1, RunMode::Configure},
        {"/s", 1, RunMode::Saver},          {"/S", 1, RunMode::Saver},
        {"/p 1234", 2, RunMode::Preview},   {"/P 1234", 2, RunMode::Preview},
        {"/ps", 1, RunMode::Preview},       {"/a 0x10", 2, RunMode::ChangePassword},
        {"/x", 1, RunMode::None},           {"", 1, RunMode::None},
    };
    for (const Case& c : cases) EXPECT_EQ(ChooseRunMode(c.tail, c.args), c.mode) << c.tail;
}

TEST(RunMode, HandleArgumentsAndTails) {
    uintptr_t v = 0;
    EXPECT_TRUE(ParseHandleArgument("1234", v));
    EXPECT_EQ(v, 1234u);
    EXPECT_TRUE(ParseHandleArgument("0x1A", v));
    EXPECT_EQ(v, 26u);
    EXPECT_TRUE(ParseHandleArgument("017", v));
    EXPECT_EQ(v, 15u);
    EXPECT_FALSE(ParseHandleArgument("window", v));
    EXPECT_EQ(CommandTail("\"C:\\Program Files\\P.scr\" /s"), "/s");
    EXPECT_EQ(CommandTail("P.scr   /p 12"), "/p 12");
    EXPECT_EQ(CommandTail("P.scr"), "");
}

}  // namespace
