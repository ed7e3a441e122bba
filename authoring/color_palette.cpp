#include "authoring/color_palette.h"

#include <cmath>

const std::array<uint32_t, kPaletteSize>& PickerPalette() {
    static const std::array<uint32_t, kPaletteSize> palette = [] {
        std::array<uint32_t, kPaletteSize> p{};
        for (uint32_t n = 1; n + 1 < kPaletteSize; ++n) {
            uint32_t red = (85 * (n / 16)) & 0xFF;
            uint32_t green = (85 * (n / 4)) & 0xFF;
            uint32_t blue = (85 * n) & 0xFF;
            p[n] = red | green << 8 | blue << 16;
        }
        p[0] = 0;
        p[kPaletteSize - 1] = 0xFFFFFF;
        return p;
    }();
    return palette;
}

PopupLayout::PopupLayout(int colours) {
    columns = int(std::sqrt(double(colours)));
    if (columns < 1) columns = 1;
    rows = colours / columns;
    width = columns * kCell + (columns - 1) * kGap + 2 * kMargin;
    int gridHeight = rows * kCell + (rows - 1) * kGap;
    // The grid sits inside the margins, two pixels further left.
    grid.left = kMargin - 2;
    grid.top = kMargin;
    grid.right = width - kMargin - 2;
    grid.bottom = grid.top + gridHeight;
    more.left = grid.left;
    more.right = grid.right;
    more.top = grid.bottom + 2 * kMargin - 5;
    more.bottom = more.top + 20;
    height = more.bottom + kMargin;
}

PopupRect PopupLayout::Cell(int column, int row) const {
    PopupRect r;
    r.left = grid.left + column * (kCell + kGap);
    r.top = grid.top + row * (kCell + kGap);
    r.right = r.left + kCell;
    r.bottom = r.top + kCell;
    return r;
}

PopupHit HitTestPopup(const PopupLayout& layout, int x, int y) {
    PopupHit hit;
    const int pitch = PopupLayout::kCell + PopupLayout::kGap;
    if (layout.grid.Contains(x, y)) {
        int dx = x - layout.grid.left, dy = y - layout.grid.top;
        int column = dx / pitch, row = dy / pitch;
        if (dx % pitch < PopupLayout::kCell && dy % pitch < PopupLayout::kCell &&
            column < layout.columns && row < layout.rows) {
            hit.column = column;
            hit.row = row;
        }
    } else if (layout.more.Contains(x, y)) {
        hit.column = hit.row = PopupHit::kMore;
    }
    return hit;
}

PopupPoint PlacePopup(const PopupRect& anchor, int width, int height, int screenWidth,
                      int screenHeight) {
    PopupPoint p{anchor.left, anchor.bottom};
    if (p.x + width > screenWidth) p.x -= p.x + width - screenWidth;
    if (p.x < 0) p.x = 0;
    if (p.y + height > screenHeight) p.y = anchor.top - height;
    return p;
}
