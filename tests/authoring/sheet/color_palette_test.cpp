// The colour popup's palette, layout, hit-testing and placement.
#include <gtest/gtest.h>

#include "authoring/color_palette.h"

namespace {

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

TEST(PickerPalette, EntriesFollowTheThreeWrappingCounters) {
    const auto& p = PickerPalette();
    struct Case {
        int entry;
        uint32_t colour;
    } cases[] = {
        {0, 0},
        {1, Rgb(0, 0, 85)},
        {3, 0xFF0000},  // pure blue
        {4, Rgb(0, 85, 84)},
        {21, Rgb(85, 169, 249)},
        {48, Rgb(255, 252, 240)},
        {62, Rgb(255, 251, 150)},
        {63, 0xFFFFFF},
    };
    for (const Case& c : cases) EXPECT_EQ(p[size_t(c.entry)], c.colour) << "entry " << c.entry;
}

TEST(PopupLayout, EightByEightCellsInA151PixelWindow) {
    PopupLayout l;
    EXPECT_EQ(l.columns, 8);
    EXPECT_EQ(l.rows, 8);
    EXPECT_EQ(l.width, 151);
    EXPECT_EQ(l.grid.left, 8);
    EXPECT_EQ(l.grid.top, 10);
    EXPECT_EQ(l.grid.right - l.grid.left, 131);
    EXPECT_EQ(l.grid.bottom, 141);
    EXPECT_EQ(l.more.top, 156);  // two margins less 5 below the grid
    EXPECT_EQ(l.more.bottom, 176);
    EXPECT_EQ(l.more.left, l.grid.left);
    EXPECT_EQ(l.more.right, l.grid.right);
    EXPECT_EQ(l.height, 186);
    PopupRect last = l.Cell(7, 7);
    EXPECT_EQ(last.left, 8 + 7 * 17);
    EXPECT_EQ(last.right, l.grid.right);
    EXPECT_EQ(last.bottom, l.grid.bottom);
}

TEST(HitTestPopup, CellsGapsAndTheMoreButton) {
    PopupLayout l;
    struct Case {
        int x, y, column, row;
    } cases[] = {
        {8, 10, 0, 0},        // top-left pixel of the first cell
        {19, 21, 0, 0},       // its bottom-right pixel
        {20, 15, -1, -1},     // the gap after it
        {25, 15, 1, 0},       // next cell
        {15, 23, -1, -1},     // the gap below it
        {8 + 7 * 17 + 11, 10 + 7 * 17 + 11, 7, 7},
        {7, 10, -1, -1},      // left of the grid
        {60, 150, -1, -1},    // between the grid and "More Colors..."
        {60, 160, PopupHit::kMore, PopupHit::kMore},
        {60, 176, -1, -1},    // just below it
        {-5, -5, -1, -1},
    };
    for (const Case& c : cases) {
        PopupHit h = HitTestPopup(l, c.x, c.y);
        EXPECT_EQ(h.column, c.column) << c.x << "," << c.y;
        EXPECT_EQ(h.row, c.row) << c.x << "," << c.y;
    }
}

TEST(PlacePopup, StaysOnTheScreen) {
    const int w = 153, h = 188, sw = 1024, sh = 768;
    struct Case {
        PopupRect anchor;
        int x, y;
    } cases[] = {
        {{100, 100, 160, 120}, 100, 120},             // below the combo
        {{950, 100, 1010, 120}, 1024 - 153, 120},     // pulled in from the right edge
        {{-40, 100, 20, 120}, 0, 120},                // never left of the screen
        {{950, 700, 1010, 720}, 1024 - 153, 700 - 188},  // bottom-right: above the combo
        {{100, 560, 160, 580}, 100, 580},             // just fits below
        {{100, 561, 160, 581}, 100, 561 - 188},
    };
    for (const Case& c : cases) {
        PopupPoint p = PlacePopup(c.anchor, w, h, sw, sh);
        EXPECT_EQ(p.x, c.x) << c.anchor.left << "," << c.anchor.top;
        EXPECT_EQ(p.y, c.y) << c.anchor.left << "," << c.anchor.top;
        EXPECT_GE(p.x, 0);
        EXPECT_LE(p.x + w, sw);
        EXPECT_LE(p.y + h, sh);
    }
}

}  // namespace
