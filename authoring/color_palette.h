// The colour picker's palette and the arithmetic of its popup: the grid of
// cells, the "More Colors..." button below it, hit-testing and placement on
// the screen.  Colours are Windows colour values 0x00BBGGRR.
#pragma once

#include <array>
#include <cstdint>

// The seven values a colour picker carries and a page copies to and from the
// settings as a whole.  Only `color` is changed by the picker.
struct ColorValue {
    int32_t color = 0xFFFFFF;  // the colour shown and chosen
    int32_t color2 = -1;       // second (gradient) colour
    int32_t reserved[3] = {0, 0, 0};
    int32_t brightness = 127;  // low 16 bits
    int32_t flag = 0x10063;
};

constexpr int kPaletteSize = 64;
// Entry 0 black, 63 white; in between red, green and blue are 8-bit counters
// stepping by 85 every 16, 4 and 1 entries (green and blue wrap and drift).
const std::array<uint32_t, kPaletteSize>& PickerPalette();

struct PopupRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

struct PopupLayout {
    static constexpr int kCell = 12, kGap = 5, kMargin = 10;
    int columns = 0, rows = 0;
    int width = 0, height = 0;  // the popup window
    PopupRect grid;             // cells start at its top-left, one every 17 pixels
    PopupRect more;             // the "More Colors..." button

    explicit PopupLayout(int colours = kPaletteSize);
    PopupRect Cell(int column, int row) const;
};

// What the pointer is over: a cell (column and row), the "More Colors..."
// button, or nothing (also over the gap that follows a cell).
struct PopupHit {
    static constexpr int kNone = -1, kMore = -2;
    int column = kNone, row = kNone;
    bool IsCell() const { return column >= 0; }
    bool IsMore() const { return column == kMore; }
};
PopupHit HitTestPopup(const PopupLayout& layout, int x, int y);

// Top-left of the popup for a combo box at `anchor` (screen coordinates) on a
// screen `screenWidth` x `screenHeight`: below the combo's bottom-left, pulled
// left to stay on the screen, never left of 0, and above the combo when it
// would run past the bottom.
struct PopupPoint {
    int x = 0, y = 0;
};
PopupPoint PlacePopup(const PopupRect& anchor, int width, int height, int screenWidth,
                      int screenHeight);
