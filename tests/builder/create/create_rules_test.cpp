// The Create page's field checks and file rules, without a window.
#include <gtest/gtest.h>

#include "builder/create/create_rules.h"

namespace {

CreateFields Good() {
    CreateFields f;
    f.saverName = "Sunset";
    f.directory = "C:\\Savers";
    f.version = "1.0";
    f.publisher = "Ann";
    f.files = {"C:\\docs\\readme.txt"};
    return f;
}

TEST(CreateRules, FieldChecksInPageOrder) {
    struct Case {
        const char* what;
        void (*change)(CreateFields&);
        CreateField field;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {
        {"good", [](CreateFields&) {}, CreateField::None, nullptr},
        {"empty name", [](CreateFields& f) { f.saverName = ""; }, CreateField::Name,
         "The screensaver's name must be between 1 and 250 character."},
        {"251 characters", [](CreateFields& f) { f.saverName = std::string(251, 'a'); },
         CreateField::Name, "The screensaver's name must be between 1 and 250 character."},
        {"250 characters", [](CreateFields& f) { f.saverName = std::string(250, 'a'); },
         CreateField::None, nullptr},
        {"kit's name", [](CreateFields& f) { f.saverName = "plinTHAR"; }, CreateField::Name,
         "Plinthar is reserved. Please choose another name."},
        {"kit's file name", [](CreateFields& f) { f.saverName = "PLINTHAR.SCR"; },
         CreateField::Name, "Plinthar is reserved. Please choose another name."},
        {"colon", [](CreateFields& f) { f.saverName = "A:B"; }, CreateField::Name,
         "The screensaver's name may not contain any of the characters \\ / : * ? \" < > |"},
        {"backslash", [](CreateFields& f) { f.saverName = "..\\evil"; }, CreateField::Name,
         "The screensaver's name may not contain any of the characters \\ / : * ? \" < > |"},
        {"pipe", [](CreateFields& f) { f.saverName = "a|b.scr"; }, CreateField::Name,
         "The screensaver's name may not contain any of the characters \\ / : * ? \" < > |"},
        {"device", [](CreateFields& f) { f.saverName = "nul"; }, CreateField::Name,
         "The screensaver's name may not hold control characters, end with a period or a "
         "space, or be a device name such as CON or NUL."},
        {"trailing dot", [](CreateFields& f) { f.saverName = "Sun..scr"; }, CreateField::Name,
         "The screensaver's name may not hold control characters, end with a period or a "
         "space, or be a device name such as CON or NUL."},
        {"comma in the name", [](CreateFields& f) { f.saverName = "Smith, Jones"; },
         CreateField::Name, "The screensaver's name may not contain a comma."},
        {"comma in the version", [](CreateFields& f) { f.version = "1,0"; }, CreateField::Version,
         "The version may not contain a comma."},
        {"empty directory", [](CreateFields& f) { f.directory = ""; }, CreateField::Directory,
         "The directory must be between 1 and 260 character."},
        {"260-character directory", [](CreateFields& f) { f.directory = std::string(260, 'd'); },
         CreateField::Directory, "The directory must be between 1 and 260 character."},
        {"259-character directory", [](CreateFields& f) { f.directory = std::string(259, 'd'); },
         CreateField::None, nullptr},
        {"5-character version", [](CreateFields& f) { f.version = "1.0.1"; },
         CreateField::Version, "The version must be less than 5 characters."},
        {"empty version", [](CreateFields& f) { f.version = ""; }, CreateField::None, nullptr},
        {"no publisher", [](CreateFields& f) { f.publisher = ""; }, CreateField::Publisher,
         "The publisher's name must be between 1 and 100 characters."},
        {"101-character publisher", [](CreateFields& f) { f.publisher = std::string(101, 'p'); },
         CreateField::Publisher, "The publisher's name must be between 1 and 100 characters."},
        {"backslash in the publisher", [](CreateFields& f) { f.publisher = "AC\\DC"; },
         CreateField::Publisher,
         "The publisher's name may not contain a backslash or control characters."},
        {"tab in the publisher", [](CreateFields& f) { f.publisher = "A\tB"; },
         CreateField::Publisher,
         "The publisher's name may not contain a backslash or control characters."},
        {"100-character publisher", [](CreateFields& f) { f.publisher = std::string(100, 'p'); },
         CreateField::None, nullptr},
        {"file named like the settings", [](CreateFields& f) { f.files.push_back("D:\\x\\SUNSET.INI"); },
         CreateField::Files, "The file Sunset.ini is reserved."},
        {"file named like the album", [](CreateFields& f) { f.files.push_back("D:\\sunset.alb"); },
         CreateField::Files, "The file Sunset.alb is reserved."},
        {"other ini", [](CreateFields& f) { f.files.push_back("D:\\x\\Sunset2.ini"); },
         CreateField::None, nullptr},
        // The name is checked before the folder: the first fault wins.
        {"two faults", [](CreateFields& f) { f.saverName = ""; f.directory = ""; },
         CreateField::Name, "The screensaver's name must be between 1 and 250 character."},
    };
    for (const Case& c : cases) {
        CreateFields f = Good();
        c.change(f);
        CreateCheck check = CheckCreateFields(f, "Plinthar");
        EXPECT_EQ(check.field, c.field) << c.what;
        EXPECT_EQ(check.message, c.message ? c.message : "") << c.what;
    }
}

TEST(CreateRules, ScrIsAppendedUnlessPresentInAnyCase) {
    struct Case {
        const char* typed;
        const char* name;
        const char* base;  // N of N.exe
    };
    const Case cases[] = {
        {"Sunset", "Sunset.scr", "Sunset"},     {"Sunset.SCR", "Sunset.SCR", "Sunset"},
        {"Sunset.sCr", "Sunset.sCr", "Sunset"}, {".scr", ".scr.scr", ".scr"},
        {"a.scrx", "a.scrx.scr", "a.scrx"},     {"x", "x.scr", "x"},
    };
    for (const Case& c : cases) {
        CreateFields f = Good();
        f.saverName = c.typed;
        CheckCreateFields(f, "Plinthar");
        EXPECT_EQ(f.saverName, c.name) << c.typed;
        EXPECT_EQ(SaverBaseName(f.saverName), c.base) << c.typed;
    }
    // A name too long is refused before anything is appended.
    CreateFields f = Good();
    f.saverName = std::string(251, 'n');
    CheckCreateFields(f, "Plinthar");
    EXPECT_EQ(f.saverName.size(), 251u);
}

TEST(CreateRules, ExecutablesAndShortcuts) {
    struct Case {
        const char* path;
        bool executable;
        const char* shortcut;
    };
    const Case cases[] = {
        {"C:\\docs\\readme.txt", false, "readme"},
        {"C:\\bin\\TOOL.EXE", true, "TOOL"},
        {"C:\\bin\\x.com", true, "x"},
        {"C:\\bin\\go.Bat", true, "go"},
        {"C:\\bin\\s.scr", true, "s"},
        {"C:\\bin\\.exe", false, ""},  // four characters: no extension test
        {"C:\\bin\\a.exe.txt", false, "a.exe"},
        {"C:\\bin\\noext", false, "noext"},
        {"C:\\bin.d\\noext", false, "noext"},
        {"C:\\bin\\.profile", false, ""},
        {"C:\\bin\\exe", false, "exe"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsExecutableName(c.path), c.executable) << c.path;
        EXPECT_EQ(DefaultShortcut(c.path), c.shortcut) << c.path;
    }
}

TEST(CreateRules, PublisherFallsBackToTheUserAndFitsTheTrailer) {
    EXPECT_EQ(DefaultPublisher("Acme", "ann"), "Acme");
    EXPECT_EQ(DefaultPublisher("", "ann"), "ann");
    EXPECT_EQ(DefaultPublisher("", ""), "");
    EXPECT_EQ(DefaultPublisher(std::string(130, 'q'), "ann"), std::string(100, 'q'));
}

}  // namespace
