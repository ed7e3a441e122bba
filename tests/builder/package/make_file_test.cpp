#include "builder/package/make_file.h"

#include <gtest/gtest.h>

#include "common/archive.h"
#include "common/byte_io.h"

namespace {

MakeRecord Sample() {
    MakeRecord m;
    m.outputDir = "C:\\My Savers";
    m.setupFile = "Tide.exe";
    m.saverName = "Tide";
    m.version = "1.0";
    m.year = "2026";
    m.author = "Harbour Works";
    m.company = "Harbour Works";
    m.flags = kMakeFlagGroup | kMakeFlagCreatedSaver;
    m.lines = {"C:\\Kit\\Plinthar.scr,Tide.scr,WINDOWSDIR,Tide 1.0", "Tide.ini", "Tide.alb"};
    return m;
}

TEST(MakeRecord, RoundTripKeepsEveryField) {
    MakeRecord m = Sample();
    m.reserved = "r";
    m.reservedNumber = 7;
    std::vector<uint8_t> bytes = EncodeMakeRecord(m);
    // The record starts with the format number and the directory's one-byte prefix.
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(bytes[0], 64);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[2], m.outputDir.size());
    MakeRecord back;
    ASSERT_EQ(DecodeMakeRecord(bytes.data(), bytes.size(), back), MakeFileResult::Ok);
    EXPECT_EQ(back.outputDir, m.outputDir);
    EXPECT_EQ(back.setupFile, m.setupFile);
    EXPECT_EQ(back.saverName, m.saverName);
    EXPECT_EQ(back.version, m.version);
    EXPECT_EQ(back.year, m.year);
    EXPECT_EQ(back.author, m.author);
    EXPECT_EQ(back.company, m.company);
    EXPECT_EQ(back.reserved, m.reserved);
    EXPECT_EQ(back.reservedNumber, 7u);
    EXPECT_EQ(back.flags, m.flags);
    EXPECT_EQ(back.lines, m.lines);
}

TEST(MakeRecord, EveryTruncationIsRefused) {
    std::vector<uint8_t> bytes = EncodeMakeRecord(Sample());
    for (size_t n = 0; n < bytes.size(); ++n) {
        MakeRecord out;
        out.saverName = "untouched";
        EXPECT_EQ(DecodeMakeRecord(bytes.data(), n, out), MakeFileResult::Truncated) << n;
        EXPECT_EQ(out.saverName, "untouched");
    }
}

TEST(MakeRecord, RefusalsOfBadRecords) {
    struct Case {
        const char* what;
        void (*edit)(MakeRecord&);
        MakeFileResult result;
    } cases[] = {
        {"format 63", [](MakeRecord& m) { m.format = 63; }, MakeFileResult::WrongFormat},
        {"format 65", [](MakeRecord& m) { m.format = 65; }, MakeFileResult::WrongFormat},
        {"directory 260", [](MakeRecord& m) { m.outputDir.assign(260, 'd'); },
         MakeFileResult::TooLong},
        {"name 257", [](MakeRecord& m) { m.saverName.assign(257, 'n'); }, MakeFileResult::TooLong},
        {"version 6", [](MakeRecord& m) { m.version = "1.0.10"; }, MakeFileResult::TooLong},
        {"author 101", [](MakeRecord& m) { m.author.assign(101, 'a'); }, MakeFileResult::TooLong},
        {"company 104", [](MakeRecord& m) { m.company.assign(104, 'c'); }, MakeFileResult::TooLong},
        {"line 1101", [](MakeRecord& m) { m.lines.push_back(std::string(1101, 'l')); },
         MakeFileResult::TooLong},
        {"limits themselves",
         [](MakeRecord& m) {
             m.outputDir.assign(259, 'd');
             m.saverName.assign(256, 'n');
             m.version = "12345";
             m.author.assign(100, 'a');
             m.company.assign(103, 'c');
         },
         MakeFileResult::Ok},
    };
    for (const Case& c : cases) {
        MakeRecord m = Sample();
        c.edit(m);
        std::vector<uint8_t> bytes = EncodeMakeRecord(m);
        MakeRecord out;
        EXPECT_EQ(DecodeMakeRecord(bytes.data(), bytes.size(), out), c.result) << c.what;
    }
}

TEST(MakeRecord, TrailingBytesAndHugeCountsAreRefused) {
    std::vector<uint8_t> bytes = EncodeMakeRecord(Sample());
    bytes.push_back(0);
    MakeRecord out;
    EXPECT_EQ(DecodeMakeRecord(bytes.data(), bytes.size(), out), MakeFileResult::Trailing);

    // A line count of 2^32-1 with no lines behind it must not allocate.
    MakeRecord empty = Sample();
    empty.lines.clear();
    bytes = EncodeMakeRecord(empty);
    bytes.resize(bytes.size() - 2);
    for (uint8_t b : {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})
        bytes.push_back(b);
    EXPECT_EQ(DecodeMakeRecord(bytes.data(), bytes.size(), out), MakeFileResult::Truncated);
}

TEST(MakeLine, Grammar) {
    const std::string longSource = "C:\\d\\" + std::string(254, 's'); // 259 characters
    struct Case {
        std::string line;
        bool valid;
        std::string source = "", target = "", keyword = "", shortcut = "";
    } cases[] = {
        {"Tide.ini", true, "Tide.ini", "Tide.ini", "", ""},
        {"  C:\\Pics\\a.jpg , , INSTALLDIR , Tide Pictures ", true, "C:\\Pics\\a.jpg", "a.jpg",
         "INSTALLDIR", "Tide Pictures"},
        {"C:\\Kit\\Plinthar.scr,Tide.scr,WINDOWSDIR,Tide 1.0", true, "C:\\Kit\\Plinthar.scr",
         "Tide.scr", "WINDOWSDIR", "Tide 1.0"},
        {"\tC:\\a\\b.txt,,SYSTEMDIR", true, "C:\\a\\b.txt", "b.txt", "SYSTEMDIR", ""},
        {"a.txt,b.txt,,Read me,ignored,more", true, "a.txt", "b.txt", "", "Read me"},
        {"a.txt,,,", true, "a.txt", "a.txt", "", ""},
        {longSource, true, longSource, std::string(254, 's'), "", ""},
        {longSource + "x", false},
        {"a.txt," + std::string(255, 't'), true, "a.txt", std::string(255, 't'), "", ""},
        {"a.txt," + std::string(256, 't'), false},
        {"a.txt,,INSTALLDIR," + std::string(256, 'k'), false},
        {"a.txt,,," + std::string(255, 'k') + ",", true, "a.txt", "a.txt", "",
         std::string(255, 'k')},
        {"a.txt,,k" + std::string(259, 'k'), false},
        {"", false},
        {"   ,b.txt", false},
        {"C:\\Pics\\", false},
        {"a.txt,..\\..\\evil.dll", false},
        {"a.txt,sub/evil.dll", false},
        {"a.txt,..", false},
        {"a.txt,,,..\\..\\Startup\\x", false},
    };
    for (const Case& c : cases) {
        MakeLine m;
        ASSERT_EQ(ParseMakeLine(c.line, m), c.valid) << c.line;
        if (!c.valid) continue;
        EXPECT_EQ(m.source, c.source) << c.line;
        EXPECT_EQ(m.target, c.target) << c.line;
        EXPECT_EQ(m.keyword, c.keyword) << c.line;
        EXPECT_EQ(m.shortcut, c.shortcut) << c.line;
    }
}

TEST(MakeLine, BareSourceLiesInTheOutputFolder) {
    EXPECT_EQ(ResolveMakeSource("C:\\Out", "Tide.ini"), "C:\\Out\\Tide.ini");
    EXPECT_EQ(ResolveMakeSource("C:\\Out\\", "Tide.ini"), "C:\\Out\\Tide.ini");
    EXPECT_EQ(ResolveMakeSource("C:\\Out", "D:\\x\\Tide.ini"), "D:\\x\\Tide.ini");
}

} // namespace
