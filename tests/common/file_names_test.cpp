#include "common/file_names.h"

#include <gtest/gtest.h>

namespace {

TEST(FileNames, SaverNames) {
    struct Case {
        std::string name;
        bool valid;
    } cases[] = {
        {"Ocean Dreams", true},
        {"My.Saver", true},
        {"a..b", true},
        {" leading space", true},
        {"Console", true},     // only the exact device names are devices
        {"COM10", true},
        {"LPT0", true},
        {"nullify", true},
        {std::string("Caf\xE9"), true},
        {"", false},
        {".", false},
        {"..", false},
        {"..\\Windows", false},
        {"a/b", false},
        {"C:", false},
        {"star*", false},
        {"why?", false},
        {"\"quoted\"", false},
        {"<tag>", false},
        {"pipe|", false},
        {"tab\there", false},
        {std::string("nul\0byte", 8), false},
        {"trailing.", false},
        {"trailing ", false},
        {"CON", false},
        {"con", false},
        {"Nul.txt", false},
        {"aux .scr", false},
        {"PRN", false},
        {"COM1", false},
        {"com9.scr", false},
        {"LPT1", false},
        {"lpt9.dat", false},
        {"CLOCK$", false},
        {std::string(kMaxSaverNameLength, 'x'), true},
        {std::string(kMaxSaverNameLength + 1, 'x'), false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidSaverName(c.name), c.valid) << c.name;
}

TEST(FileNames, RelativeTargets) {
    struct Case {
        std::string path;
        bool asPath;   // may hold subfolders
        bool asBare;   // a bare file name
    } cases[] = {
        {"Saver.scr", true, true},
        {"Sub\\Pic.gif", true, false},
        {"Sub/Pic.gif", true, false},
        {"a\\b\\c.txt", true, false},
        {"", false, false},
        {"..", false, false},
        {"..\\x", false, false},
        {"a\\..\\..\\x", false, false},
        {".\\x", false, false},
        {"\\x", false, false},
        {"/x", false, false},
        {"\\\\server\\share\\x", false, false},
        {"C:x", false, false},
        {"C:\\x", false, false},
        {"a\\\\b", false, false},
        {"a\\", false, false},
        {"a\\NUL", false, false},
        {"con\\x", false, false},
        {"x.txt:stream", false, false},
        {"dir.\\x", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsSafeRelativePath(c.path), c.asPath) << c.path;
        EXPECT_EQ(IsSafeRelativePath(c.path, true), c.asBare) << c.path;
    }
}

TEST(FileNames, PathsInsideAFolder) {
    struct Case {
        std::string folder, path;
        bool inside;
    } cases[] = {
        {"C:\\Program Files\\Sea", "C:\\Program Files\\Sea\\Sea.ini", true},
        {"C:\\Program Files\\Sea\\", "C:\\Program Files\\Sea\\Sea.ini", true},
        {"c:\\program files\\sea", "C:\\PROGRAM FILES\\SEA\\Pics\\a.gif", true},
        {"C:\\Program Files\\Sea", "C:/Program Files/Sea/a.gif", true},
        {"C:\\Program Files\\Sea", "C:\\Program Files\\Sea", false},
        {"C:\\Program Files\\Sea", "C:\\Program Files\\Sea\\", false},
        {"C:\\Program Files\\Sea", "C:\\Program Files\\Seaside\\a.gif", false},
        {"C:\\Program Files\\Sea", "C:\\Program Files\\Sea\\..\\Other\\a.gif", false},
        {"C:\\Program Files\\Sea", "C:\\Program Files\\Sea\\sub\\..\\..\\a.gif", false},
        {"C:\\Program Files\\Sea", "C:\\Program Files\\Sea\\.\\a.gif", false},
        {"C:\\Program Files\\Sea", "C:\\Program Files\\Sea\\\\a.gif", false},
        {"C:\\Program Files\\Sea", "C:\\Program Files\\Sea\\CON", false},
        {"C:\\Program Files\\Sea", "D:\\Program Files\\Sea\\a.gif", false},
        {"C:\\Program Files\\Sea", "Sea.ini", false},
        {"", "C:\\a.gif", false},
        {"\\", "\\a.gif", false},
        {"C:\\WINDOWS", "C:\\WINDOWS\\Sea.scr", true},
        {"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM\\x.dll", true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsPathInside(c.folder, c.path), c.inside) << c.path;
}

TEST(FileNames, PlainAbsolutePaths) {
    struct Case {
        std::string path;
        bool plain;
    } cases[] = {
        {"C:\\WINDOWS\\Sea.scr", true},
        {"c:/Program Files/Sea/Sea.ini", true},
        {"\\\\server\\share\\Sea\\a.gif", true},
        {"C:\\", false},
        {"C:Sea.scr", false},
        {"1:\\Sea.scr", false},
        {"\\Sea.scr", false},
        {"Sea.scr", false},
        {"..\\..\\WINDOWS\\win.ini", false},
        {"C:\\Program Files\\Sea\\..\\..\\WINDOWS\\win.ini", false},
        {"C:\\Sea\\.\\a", false},
        {"\\\\server\\share", false},
        {"\\\\server\\..\\x", false},
        {"\\\\\\share\\x", false},
        {"C:\\Sea\\a.txt:stream", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsPlainAbsolutePath(c.path), c.plain) << c.path;
}

}  // namespace
