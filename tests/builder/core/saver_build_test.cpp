#include "builder/core/saver_build.h"

#include <gtest/gtest.h>

#include "app/profile.h"
#include "builder/core/saver_files.h"
#include "../builder_test_dir.h"

namespace {

TEST(InstallNames, ClashingNamesBecomeDistinct) {
    struct Case {
        const char* what;
        std::vector<std::string> lines, want;
    } cases[] = {
        {"same name, two folders",
         {"C:\\pics\\a.jpg", "C:\\old\\a.jpg"},
         {"C:\\pics\\a.jpg", "C:\\old\\a.jpg,a_2.jpg,,"}},
        {"letter case does not make a name distinct",
         {"C:\\pics\\a.jpg", "C:\\old\\A.JPG", "D:\\x\\a.Jpg"},
         {"C:\\pics\\a.jpg", "C:\\old\\A.JPG,A_2.JPG,,", "D:\\x\\a.Jpg,a_3.Jpg,,"}},
        {"a suffix already taken is passed over",
         {"C:\\p\\a.jpg", "C:\\p\\a_2.jpg", "C:\\q\\a.jpg"},
         {"C:\\p\\a.jpg", "C:\\p\\a_2.jpg", "C:\\q\\a.jpg,a_3.jpg,,"}},
        {"the same file twice is packaged once",
         {"C:\\p\\a.jpg", "C:\\p\\a.jpg", "c:\\P\\A.jpg"},
         {"C:\\p\\a.jpg"}},
        {"other folders do not clash",
         {"C:\\k\\Plinthar.scr,Tide.scr,WINDOWSDIR,Tide 1.0", "C:\\p\\Tide.scr"},
         {"C:\\k\\Plinthar.scr,Tide.scr,WINDOWSDIR,Tide 1.0", "C:\\p\\Tide.scr"}},
        {"INSTALLDIR and empty keyword are one folder, shortcuts kept",
         {"C:\\k\\read.txt,,INSTALLDIR,Read me", "C:\\m\\read.txt,,,Other"},
         {"C:\\k\\read.txt,,INSTALLDIR,Read me", "C:\\m\\read.txt,read_2.txt,,Other"}},
        {"no extension",
         {"C:\\a\\README", "C:\\b\\readme"},
         {"C:\\a\\README", "C:\\b\\readme,readme_2,,"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = c.lines;
        InstallNames names;
        names.Assign(lines);
        EXPECT_EQ(lines, c.want) << c.what;
    }
    std::vector<std::string> lines = {"C:\\pics\\a.jpg", "C:\\old\\a.jpg"};
    InstallNames names;
    names.Assign(lines);
    EXPECT_EQ(names.NameOf("c:\\OLD\\a.jpg"), "a_2.jpg");
    EXPECT_EQ(names.NameOf("C:\\pics\\a.jpg"), "a.jpg");
    EXPECT_EQ(names.NameOf("C:\\else\\z.gif"), "z.gif");
}

TEST(InstallNames, LongNamesStayWithinTheTargetLimit) {
    std::string name(249, 'n'); // sources of 259 characters
    std::vector<std::string> lines = {"C:\\a\\" + name + ".jpeg", "C:\\b\\" + name + ".jpeg"};
    InstallNames names;
    names.Assign(lines);
    MakeLine m;
    ASSERT_TRUE(ParseMakeLine(lines[1], m));
    EXPECT_LT(m.target.size(), kLineTargetLimit);
    EXPECT_EQ(m.target.substr(m.target.size() - 7), "_2.jpeg");
}

TEST(SaverSettings, EditsOfTheNewSaversFile) {
    const std::string author =
        "[Options]\r\nCheckString=101\r\nLastImageDir=C:\\pics\r\nlastsounddir=C:\\snd\r\n"
        "AlbumFile=C:\\a.alb\r\nLastAlbumDir=C:\\\r\nIsFirstUse=0\r\n\r\n"
        "[distribution]\r\nSaverName=Tide\r\nFile0=C:\\x.txt\r\n\r\n"
        "[Background]\r\nStyle=0\r\nImage=C:\\pics\\sea.bmp\r\n";
    std::string edited = EditSaverSettings(author, "sea.bmp");
    EXPECT_EQ(edited, "[Options]\r\nCheckString=101\r\nIsFirstUse=1\r\n\r\n"
                      "[Background]\r\nStyle=0\r\nImage=\\sea.bmp\r\n");

    // Keys and sections the file lacks are added; without a packaged
    // background the picture setting stays as it was.
    MemoryProfile bare(EditSaverSettings("[Background]\nImage=C:\\x.bmp\n", ""));
    EXPECT_EQ(bare.ReadString("Options", "IsFirstUse", ""), "1");
    EXPECT_EQ(bare.ReadString("Background", "Image", ""), "C:\\x.bmp");
    MemoryProfile none(EditSaverSettings("", "b.jpg"));
    EXPECT_EQ(none.ReadString("Background", "Image", ""), "\\b.jpg");

    // A section may come twice, a header may carry blanks or lack its "]":
    // the edits hold as the settings reader sees the file.
    const char* odd[] = {
        "[Options]\nAlbumFile=a\n[Options]\nAlbumFile=b\nIsFirstUse=0\n",
        "\r[Options]\r\nAlbumFile=\\a.alb\r\n",
        " [ Options \nAlbumFile=a\n[Background]\nImage=x\n[background]\nImage=y\n",
    };
    for (const char* text : odd) {
        MemoryProfile ini(EditSaverSettings(text, "b.jpg"));
        std::string value;
        EXPECT_FALSE(ini.Read("Options", "AlbumFile", value)) << text;
        EXPECT_EQ(ini.ReadString("Options", "IsFirstUse", ""), "1") << text;
        EXPECT_EQ(ini.ReadString("Background", "Image", ""), "\\b.jpg") << text;
    }
}

TEST(SaverFiles, AlbumBecomesMakeLinesAndTheSaversAlbum) {
    TestDir dir;
    for (const char* f : {"pics\\z.jpg", "pics\\b.GIF", "pics\\a.jpeg", "pics\\c.txt", "old\\z.jpg",
                          "snd\\s.mid", "snd\\t.wav", "snd\\track01.cda", "bg\\sea.bmp"})
        dir.Put(f, std::string("x"));
    SaverFileInput in;
    in.albumFile = dir / "my.alb";
    in.images = {"\\pics\\", "\\old\\z.jpg|Old z", "\\pics\\z.jpg|Twice"};
    in.sounds = {"\\snd\\", dir / "snd\\track01.cda"};
    in.backgroundStyle = 1;
    in.backgroundImage = dir / "bg\\sea.bmp";
    in.runtime = "K:\\Plinthar.scr";
    in.uninstaller = "K:\\Uninstall.exe";
    in.saverName = "Tide";
    in.version = "1.0";
    in.iniPath = "D:\\out\\Tide.ini";
    in.albumPath = "D:\\out\\Tide.alb";
    in.files = {"E:\\doc\\Read.txt", "E:\\doc\\z.jpg"};
    in.shortcuts = {"Read me", ""};
    SaverFilePlan plan;
    ASSERT_EQ(PlanSaverFiles(in, dir.Fs(), plan), "");
    const std::string p = dir.Path();
    // Folder entries add JPG before JPEG before GIF whatever the names; the
    // compact-disc track and the text file stay out; the second z.jpg is
    // renamed, the first one listed again is packaged once.
    std::vector<std::string> want = {
        "K:\\Plinthar.scr,Tide.scr,WINDOWSDIR,Tide 1.0",
        "K:\\Uninstall.exe,,INSTALLDIR,Uninstall Tide",
        "D:\\out\\Tide.ini",
        "D:\\out\\Tide.alb",
        p + "\\bg\\sea.bmp",
        p + "\\pics\\z.jpg",
        p + "\\pics\\a.jpeg",
        p + "\\pics\\b.GIF",
        p + "\\old\\z.jpg,z_2.jpg,,",
        p + "\\snd\\s.mid",
        p + "\\snd\\t.wav",
        "E:\\doc\\Read.txt,,INSTALLDIR,Read me",
        "E:\\doc\\z.jpg,z_3.jpg,,",
    };
    EXPECT_EQ(plan.lines, want);
    EXPECT_EQ(plan.albumImages, (std::vector<std::string>{"\\z.jpg", "\\a.jpeg", "\\b.GIF",
                                                          "\\z_2.jpg|Old z", "\\z.jpg|Twice"}));
    EXPECT_EQ(plan.albumSounds, (std::vector<std::string>{"\\s.mid", "\\t.wav"}));
    EXPECT_EQ(plan.backgroundName, "sea.bmp");
}

TEST(SaverFiles, Refusals) {
    struct Case {
        const char* what;
        std::vector<std::string> images, sounds, files, shortcuts;
        const char* message;
    } cases[] = {
        {"no images",
         {},
         {"C:\\s.wav"},
         {},
         {},
         "To create your screensaver, one or more image files must be specified."},
        {"259 characters", {"C:\\" + std::string(256, 'p')}, {}, {}, {}, ""},
        {"260 characters", {"C:\\" + std::string(257, 'p')}, {}, {}, {}, "The filename C:\\ppp"},
        {"comma", {"C:\\a,b.jpg"}, {}, {}, {}, "The filename C:\\a,b.jpg contains a comma"},
        {"long shortcut",
         {"C:\\a.jpg"},
         {},
         {"C:\\r.txt"},
         {std::string(256, 's')},
         "The shortcut sss"},
    };
    for (const Case& c : cases) {
        TestDir dir;
        SaverFileInput in;
        in.albumFile = dir / "a.alb";
        in.images = c.images;
        in.sounds = c.sounds;
        in.files = c.files;
        in.shortcuts = c.shortcuts;
        SaverFilePlan plan;
        std::string fault = PlanSaverFiles(in, dir.Fs(), plan);
        EXPECT_EQ(fault.rfind(c.message, 0), 0u) << c.what << ": " << fault;
        EXPECT_EQ(fault.empty(), *c.message == 0) << c.what;
    }
}

} // namespace
