// The list rules of the Images and Sounds pages, natively.
#include "authoring/media/media_lists.h"

#include "common/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace media;

TEST(MediaLists, RelativeAndAbsoluteForms) {
    struct Case {
        const char* path;
        const char* albumDir;
        const char* relative;
    };
    const Case cases[] = {
        {"C:\\Album\\pics\\a.jpg", "C:\\Album", "\\pics\\a.jpg"},
        {"c:\\ALBUM\\b.gif", "C:\\Album", "\\b.gif"},               // letter case ignored
        {"C:\\Album2\\b.jpg", "C:\\Album", "C:\\Album2\\b.jpg"},      // a sibling, not inside
        {"C:\\Album\\pics\\", "C:\\Album", "\\pics\\"},              // a folder row
        {"C:\\Album", "C:\\Album", "C:\\Album"},                     // the folder itself
        {"C:\\Album\\x.jpg", "", "C:\\Album\\x.jpg"},                // no album folder
        {"D:\\x.jpg", "C:\\Album", "D:\\x.jpg"},
    };
    for (const Case& c : cases) {
        std::string rel = RelativeToAlbum(c.path, c.albumDir);
        EXPECT_EQ(rel, c.relative) << c.path;
        if (*c.albumDir && rel != c.path) {
            EXPECT_TRUE(EqualsNoCase(AbsoluteEntryPath(rel, c.albumDir), c.path)) << c.path;
        }
    }
    EXPECT_EQ(AbsoluteEntryPath("\\\\server\\share\\a.wav", "C:\\Album"), "\\\\server\\share\\a.wav");
    EXPECT_EQ(AbsoluteEntryPath("D:\\a.wav", "C:\\Album"), "D:\\a.wav");
    EXPECT_EQ(AlbumDirectory("C:\\Album\\party.alb"), "C:\\Album");
}

TEST(MediaLists, AddedFilesGoInReverseAfterTheFolders) {
    std::vector<std::string> rows = {"\\old.jpg"};
    DialogPicks picks;
    picks.directories = {"C:\\Album\\pics", "D:\\more\\"};
    picks.files = {"C:\\Album\\pics\\1.jpg", "C:\\Album\\pics\\2.jpg", "C:\\Album\\pics\\3.jpg"};
    EXPECT_EQ(AddPicks(rows, picks, "C:\\Album"), 5u);
    const std::vector<std::string> want = {"\\old.jpg", "\\pics\\", "D:\\more\\",
                                           "\\pics\\3.jpg", "\\pics\\2.jpg", "\\pics\\1.jpg"};
    EXPECT_EQ(rows, want);
}

TEST(MediaLists, RemovalRunsFromTheLastSelected) {
    struct Case {
        std::vector<int> selected;
        std::vector<int> order;
    };
    const Case cases[] = {
        {{2, 5}, {5, 2}},
        {{5, 2, 5}, {5, 2}},      // duplicates once
        {{-1, 0, 9, 3}, {3, 0}},  // out of range ignored
        {{}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(RemovalOrder(c.selected, 6), c.order);

    std::vector<std::string> rows = {"a", "b", "c", "d", "e", "f"};
    std::vector<std::string> captions = {"A", "B", "C", "D", "E", "F"};
    RemoveRows(rows, {2, 5});
    RemoveRows(captions, {2, 5});
    EXPECT_EQ(rows, (std::vector<std::string>{"a", "b", "d", "e"}));
    EXPECT_EQ(captions, (std::vector<std::string>{"A", "B", "D", "E"}));
}

TEST(MediaLists, PlayableExtensions) {
    struct Case {
        const char* name;
        bool playable;
    };
    const Case cases[] = {
        {"a.mid", true},  {"A.RMI", true},  {"x\\b.Wav", true}, {"Track01.cda", true},
        {"c.mp1", true},  {"c.MP2", true},  {"c.mp3", true},    {"c.mpp", true},
        {"c.au", false},  {"c.avi", false}, {"mp3", false},     {"dir.wav\\x", false},
        {"c.mp3 ", false}, {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsPreviewPlayable(c.name), c.playable) << c.name;
}

TEST(MediaLists, NextPreviewRowSkipsFoldersAndWraps) {
    const std::vector<std::string> rows = {"\\d1\\", "a.wav", "\\d2\\", "b.mp3", "\\d3\\"};
    struct Case {
        int playIndex;
        int row;
    };
    const Case cases[] = {{0, 1}, {1, 1}, {2, 3}, {3, 3}, {4, 1}, {5, 1}, {99, 1}, {-3, 1}};
    for (const Case& c : cases) EXPECT_EQ(NextPreviewRow(rows, c.playIndex), c.row) << c.playIndex;
    EXPECT_EQ(NextPreviewRow({"\\a\\", "C:\\b\\"}, 0), -1);
    EXPECT_EQ(NextPreviewRow({}, 0), -1);
    EXPECT_EQ(NextPreviewRow({"notes.txt"}, 1), 0);  // the caller decides it is not playable
}

TEST(MediaLists, SplitOpenFileNames) {
    const char one[] = "C:\\pics\\a.jpg\0";
    OpenDialogResult r = SplitOpenFileNames(one, sizeof one);
    EXPECT_EQ(r.folder, "C:\\pics");
    EXPECT_EQ(r.files, std::vector<std::string>{"C:\\pics\\a.jpg"});

    const char many[] = "C:\\pics\0a.jpg\0b.jpg\0";
    r = SplitOpenFileNames(many, sizeof many);
    EXPECT_EQ(r.folder, "C:\\pics");
    EXPECT_EQ(r.files, (std::vector<std::string>{"C:\\pics\\a.jpg", "C:\\pics\\b.jpg"}));

    const char root[] = "C:\\\0a.jpg\0b.jpg\0";
    r = SplitOpenFileNames(root, sizeof root);
    EXPECT_EQ(r.files, (std::vector<std::string>{"C:\\a.jpg", "C:\\b.jpg"}));

    // A buffer filled to its end without the closing NULs stops at its size.
    const char full[4] = {'C', ':', '\\', 'x'};
    r = SplitOpenFileNames(full, sizeof full);
    EXPECT_EQ(r.files, std::vector<std::string>{"C:\\x"});
    EXPECT_TRUE(SplitOpenFileNames("", 1).files.empty());
}

TEST(MediaLists, CaptionEditNeverStoresThePlaceholderItShowed) {
    EXPECT_EQ(CaptionEditText(""), kCaptionPlaceholder);
    EXPECT_EQ(CaptionEditText("  \t"), kCaptionPlaceholder);
    EXPECT_EQ(CaptionEditText(" Sunset "), "Sunset");
    struct Case {
        const char* edit;
        bool changed;
        bool stores;
        const char* caption;
    };
    const Case cases[] = {
        {kCaptionPlaceholder, false, false, "old"},  // passing through the edit
        {"Beach", false, false, "old"},
        {"  Beach  ", true, true, "Beach"},
        {"", true, true, ""},                         // an emptied edit clears the caption
        {kCaptionPlaceholder, true, true, kCaptionPlaceholder},  // typed by the author
    };
    for (const Case& c : cases) {
        std::string caption = "old";
        EXPECT_EQ(CaptionFromEdit(c.edit, c.changed, &caption), c.stores) << c.edit;
        EXPECT_EQ(caption, c.caption) << c.edit;
    }
}

TEST(MediaLists, PreviewPlacement) {
    struct Case {
        int w, h, areaW, areaH;
        PreviewBox box;
    };
    const Case cases[] = {
        {100, 50, 200, 150, {50, 50, 100, 50}},      // smaller: own size, centred
        {200, 100, 200, 150, {0, 25, 200, 100}},     // as wide as the area: fitted
        {4000, 3000, 200, 150, {0, 0, 200, 150}},    // same aspect
        {3000, 4000, 200, 150, {44, 0, 112, 150}},   // portrait: height fills
        {10000, 1, 200, 150, {0, 74, 200, 1}},       // never thinner than a pixel
    };
    for (const Case& c : cases) {
        PreviewBox b;
        ASSERT_TRUE(PlacePreview(c.w, c.h, c.areaW, c.areaH, &b)) << c.w << "x" << c.h;
        EXPECT_EQ(b.x, c.box.x) << c.w << "x" << c.h;
        EXPECT_EQ(b.y, c.box.y) << c.w << "x" << c.h;
        EXPECT_EQ(b.width, c.box.width) << c.w << "x" << c.h;
        EXPECT_EQ(b.height, c.box.height) << c.w << "x" << c.h;
    }
    PreviewBox b;
    EXPECT_FALSE(PlacePreview(0, 10, 200, 150, &b));
    EXPECT_FALSE(PlacePreview(10, 10, 0, 150, &b));
}

TEST(MediaLists, InstrumentStringRoundTrip) {
    EXPECT_EQ(InstrumentString(InstrumentChecks("1111111110000000")), "1111111110000000");
    EXPECT_EQ(InstrumentString(InstrumentChecks("0101")), "0101000000000000");
    EXPECT_EQ(InstrumentString(InstrumentChecks("1x1111111111111111111")), "1011111111111111");
}

TEST(MediaLists, NextDialogFolder) {
    OpenDialogResult many;
    many.folder = "C:\\pics";
    many.files = {"C:\\pics\\a.jpg", "C:\\pics\\b.jpg"};
    struct Case {
        bool confirmed;
        OpenDialogResult chosen;
        std::vector<std::string> added;
        const char* dir;
        bool changed;
    };
    const Case cases[] = {
        {true, many, {}, "C:\\pics", true},  // the files' own folder, not its parent
        {true, many, {"D:\\x"}, "C:\\pics", true},
        {false, {}, {"D:\\x", "D:\\y"}, "D:\\y", true},
        {false, {}, {}, "C:\\start", false},
        {true, {}, {}, "C:\\start", false},
    };
    for (const Case& c : cases) {
        std::string dir = "C:\\start";
        EXPECT_EQ(NextDialogFolder(c.confirmed, c.chosen, c.added, &dir), c.changed);
        EXPECT_EQ(dir, c.dir);
    }
}
