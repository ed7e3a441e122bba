// The sheet's rules without windows: album names, the rewrite of relative
// entries when an album moves, the caption and the extra buttons' slots.
#include <gtest/gtest.h>

#include "authoring/sheet_rules.h"

namespace {

TEST(AlbumSaveName, AppendsTheExtensionUnlessTheLastFourCharactersAreIt) {
    struct Case {
        const char* typed;
        const char* saved;
    } cases[] = {
        {"C:\\Albums\\party", "C:\\Albums\\party.alb"},
        {"C:\\Albums\\party.ALB", "C:\\Albums\\party.ALB"},
        {"C:\\Albums\\party.alb", "C:\\Albums\\party.alb"},
        {"C:\\Albums\\x.al", "C:\\Albums\\x.al.alb"},
        {"x.Alb", "x.Alb"},
        {"alb", "alb.alb"},  // shorter than four: padded, so never a match
        {".alb", ".alb"},
        {"", ".alb"},
        {"C:\\a.alb.txt", "C:\\a.alb.txt.alb"},
    };
    for (const Case& c : cases) EXPECT_EQ(AlbumSaveName(c.typed), c.saved) << c.typed;
}

TEST(RebaseRelativeEntries, RelativeEntriesKeepPointingAtTheirFiles) {
    std::vector<std::string> images = {"\\pics\\a.jpg|Beach", "D:\\other\\b.gif", "\\sprites\\"};
    EXPECT_TRUE(RebaseRelativeEntries(images, "C:\\Old", "C:\\New"));
    EXPECT_EQ(images, (std::vector<std::string>{"C:\\Old\\pics\\a.jpg|Beach", "D:\\other\\b.gif",
                                                "C:\\Old\\sprites\\"}));
}

TEST(RebaseRelativeEntries, SameFolderInAnotherCaseChangesNothing) {
    struct Case {
        std::vector<std::string> entries;
        const char *from, *to;
        bool changed;
    } cases[] = {
        {{"\\pics\\a.jpg"}, "C:\\Old", "c:\\OLD", false},
        {{"C:\\x.wav", ""}, "C:\\Old", "C:\\New", false},
        {{}, "C:\\Old", "C:\\New", false},
        {{"\\a.wav"}, "", "C:\\New", true},
    };
    for (Case& c : cases) {
        std::vector<std::string> before = c.entries;
        EXPECT_EQ(RebaseRelativeEntries(c.entries, c.from, c.to), c.changed) << c.from << " " << c.to;
        if (!c.changed) {
            EXPECT_EQ(c.entries, before);
        }
    }
}

TEST(SheetCaption, AlbumNameOnlyOutsideACreatedSaver) {
    EXPECT_EQ(SheetCaption("Plinthar", false, "C:\\Kit\\Plinthar.alb"), "Plinthar Setup - Plinthar.alb");
    EXPECT_EQ(SheetCaption("Plinthar", false, "party.alb"), "Plinthar Setup - party.alb");
    EXPECT_EQ(SheetCaption("Sea Saver", true, "C:\\Kit\\Sea Saver.alb"), "Sea Saver Setup");
}

TEST(ExtraButtonSlot, SlotsMirrorTheRightMarginAndStepByWidthAndGap) {
    // OK 75 wide at 342, Cancel 6 further right, Help ending 8 from the edge.
    SheetRect ok{342, 400, 417, 423}, cancel{423, 400, 498, 423}, help{504, 400, 579, 423};
    const int client = 587;
    SheetRect first = ExtraButtonSlot(client, ok, cancel, help, 0);
    EXPECT_EQ(first.left, 8);
    EXPECT_EQ(first.right - first.left, 90);  // 75 + 75 / 5
    EXPECT_EQ(first.top, 400);
    EXPECT_EQ(first.bottom, 423);
    for (int slot = 1; slot < 3; ++slot) {
        SheetRect r = ExtraButtonSlot(client, ok, cancel, help, slot);
        EXPECT_EQ(r.left, 8 + slot * 96) << slot;
        EXPECT_EQ(r.right - r.left, 90);
    }
}

}  // namespace
