// Fitting pictures to a 1024 x 768 screen, the slide's frame, and caption placement.
#include <gtest/gtest.h>

#include "saver/geometry/caption.h"
#include "saver/geometry/fitting.h"

using saver::Rect;
using saver::Size;

namespace {

constexpr int kOwn = saver::kSizeOwn, kStretch = saver::kSizeStretch, kShrink = saver::kSizeShrink,
              kAspect = saver::kSizeKeepAspect;

TEST(Fitting, ModesSizesAndPlacement) {
    struct Case {
        int flags;
        int w, h;
        int mode;
        Size size;
        int left, top;
    };
    const Case cases[] = {
        // Smaller than the screen.
        {kOwn | kStretch | kShrink, 800, 600, 0, {800, 600}, 112, 84},
        {kStretch, 800, 600, 2, {1024, 768}, 0, 0},
        {kShrink, 800, 600, 0, {800, 600}, 112, 84}, // only shrink: own size, centred
        {kShrink | kAspect, 800, 600, 0, {800, 600}, 112, 84},
        {kStretch | kAspect, 640, 400, 3, {1024, 640}, 0, 64},
        {kStretch | kAspect, 800, 600, 3, {1024, 768}, 0, 0}, // same aspect as the screen
        {kAspect, 640, 400, 0, {640, 400}, 192, 184},
        // Larger than the screen, or touching its size (which does not count as fitting).
        {kShrink | kAspect, 2000, 1000, 3, {1024, 512}, 0, 128},
        {kShrink | kAspect, 1000, 2000, 3, {384, 768}, 320, 0},
        {kShrink | kAspect, 1000, 1300, 3, {590, 768}, 217, 0}, // 590.77 truncated
        {kShrink | kAspect, 1700, 1000, 3, {1024, 602}, 0, 83}, // 602.35 truncated
        {kShrink, 2000, 1000, 2, {1024, 768}, 0, 0},
        {kStretch, 2000, 1000, 0, {2000, 1000}, 0, 0}, // hangs off right and bottom
        {kShrink, 1024, 768, 2, {1024, 768}, 0, 0},
        {kStretch, 1024, 700, 0, {1024, 700}, 0, 34},
        // A sliver keeps at least one row.
        {kShrink | kAspect, 100000, 10, 3, {1024, 1}, 0, 383},
    };
    const Rect screen{0, 0, 1024, 768};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags << " " << c.w << "x" << c.h);
        const int mode = saver::ChooseFitMode(c.flags, c.w, c.h, 1024, 768);
        EXPECT_EQ(mode, c.mode);
        const Size size = saver::FittedSize(mode, c.w, c.h, 1024, 768);
        EXPECT_EQ(size, c.size);
        const Rect placed = saver::PlaceCentred(screen, size);
        EXPECT_EQ(placed, (Rect{c.left, c.top, c.left + size.width, c.top + size.height}));
    }
    EXPECT_EQ(saver::SizeFlagsFromOptions(true, false, true, true), kOwn | kShrink | kAspect);
    // Placement on a screen that does not start at the origin.
    EXPECT_EQ(saver::PlaceCentred({100, 50, 1124, 818}, {800, 600}), (Rect{212, 134, 1012, 734}));
    // Pictures or screens without pixels cannot be fitted.
    EXPECT_EQ(saver::FittedSize(0, 0, 10, 1024, 768), Size{});
    EXPECT_EQ(saver::FittedSize(3, 10, 10, 1024, 0), Size{});
}

TEST(Frame, OutlineAndClipShapes) {
    const Rect slide{112, 84, 912, 684}; // 800 x 600
    struct Case {
        int shape, thickness;
        bool outline;
        Rect outlineRect;
        int outlineCorner;
        bool clip;
        Rect clipRect;
        int clipCorner;
    };
    const Case cases[] = {
        {1, 4, true, {114, 86, 910, 682}, 0, true, {116, 88, 908, 680}, 0},
        {2, 4, true, {114, 86, 910, 682}, 79, true, {116, 88, 908, 680}, 79},
        {3, 8, true, {116, 88, 908, 680}, 0, true, {120, 92, 904, 676}, 0},
        {2, 1, true, slide, 80, true, {113, 85, 911, 683}, 79},
        {3, 0, false, {}, 0, true, slide, 0}, // oval clip without an outline
        {2, 0, false, {}, 0, true, slide, 80},
        {0, 4, false, {}, 0, false, {}, 0},
        {7, 4, false, {}, 0, false, {}, 0},
        {1, -3, false, {}, 0, true, slide, 0}, // negative thickness counts as none
        // Thicker than the slide: the clip collapses (nothing shows), never inverts.
        {1, 500, true, {362, 334, 662, 434}, 0, true, {512, 384, 512, 384}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "shape " << c.shape << " thickness " << c.thickness);
        saver::FrameGeometry f = saver::SlideFrame(slide, c.shape, c.thickness);
        EXPECT_EQ(f.hasOutline, c.outline);
        if (c.outline) {
            EXPECT_EQ(f.outline, c.outlineRect);
            EXPECT_EQ(f.penWidth, c.thickness);
            EXPECT_EQ(f.outlineCorner, c.outlineCorner);
        }
        EXPECT_EQ(f.hasClip, c.clip);
        if (c.clip) {
            EXPECT_EQ(f.clip, c.clipRect);
            EXPECT_EQ(f.clipCorner, c.clipCorner);
        }
    }
}

TEST(Caption, TextFromFileNameOrEntry) {
    struct Case {
        bool useFileName;
        const char* file;
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {true, "C:\\Pics\\holiday.2000.jpg", "ignored", "holiday.2000"},
        {true, "C:\\Pics\\.hidden", "", ""},
        {true, "C:\\Pics\\", "", ""},
        {true, "noext", "", "noext"},
        {true, "C:\\my.dir\\file", "", "file"},
        {true, "C:\\Pics\\  spaced name .jpg", "", "spaced name"},
        {false, "C:\\Pics\\a.jpg", "   ", ""},
        {false, "C:\\Pics\\a.jpg", " \tOld harbour\r\n", "Old harbour"},
        {false, "C:\\Pics\\a.jpg", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(saver::CaptionText(c.useFileName, c.file, c.caption), c.text);
    }
    saver::ImageEntry e = saver::SplitImageEntry("\\pics\\a.jpg|Day one|two");
    EXPECT_EQ(e.fileName, "\\pics\\a.jpg");
    EXPECT_EQ(e.caption, "Day one|two");
    e = saver::SplitImageEntry("C:\\b.bmp");
    EXPECT_EQ(e.fileName, "C:\\b.bmp");
    EXPECT_EQ(e.caption, "");
}

TEST(Caption, BoxPositions) {
    struct Case {
        int position;
        size_t chars;
        int ave, height, slideW, slideH;
        bool draw;
        Rect box;
    };
    const Case cases[] = {
        // 20-pixel text on a 480-pixel-high picture: y = 10, 230, 450.
        {0, 10, 8, 20, 640, 480, true, {280, 10, 360, 30}},
        {1, 10, 8, 20, 640, 480, true, {280, 230, 360, 250}},
        {2, 10, 8, 20, 640, 480, true, {280, 450, 360, 470}},
        // 40 characters of 8 pixels on a 200-pixel-wide picture start at -60.
        {1, 40, 8, 16, 200, 100, true, {-60, 42, 260, 58}},
        // Bottom truncates toward zero: 100 - 22.5 = 77.5 and 10 - 31.5 = -21.5.
        {2, 3, 5, 15, 100, 100, true, {42, 77, 57, 92}},
        {2, 3, 5, 21, 100, 10, true, {42, -21, 57, 0}},
        {3, 10, 8, 20, 640, 480, false, {}},
        {4, 10, 8, 20, 640, 480, false, {}},
        {-1, 10, 8, 20, 640, 480, false, {}},
        {0, 0, 8, 20, 640, 480, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "position " << c.position << " chars " << c.chars);
        saver::TextBox t =
            saver::PlaceCaption(c.position, c.chars, c.ave, c.height, c.slideW, c.slideH);
        EXPECT_EQ(t.draw, c.draw);
        if (c.draw) {
            EXPECT_EQ(t.box, c.box);
        }
    }
    // The status line sits centred on the window's bottom edge.
    EXPECT_EQ(saver::StatusTextBox({0, 0, 1024, 768}, 10, 7, 16), (Rect{477, 752, 547, 768}));
    EXPECT_EQ(saver::StatusTextBox({0, 0, 100, 50}, 30, 7, 16), (Rect{-55, 34, 155, 50}));
}

} // namespace
