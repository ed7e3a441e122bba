#include "saver/motion/sprite_motion.h"

#include <cstdint>
#include <cstdlib>

#include "common/crt_random.h"

namespace saver {

Pacing SpeedPacing(int speed) {
    Pacing p;
    if (speed < 10) {
        p.step = 1;
        p.delay = 10 - speed;
    } else {
        p.step = speed - 9;
        p.delay = 0;
    }
    return p;
}

Rect ConfineRect(const Rect& screen, int boundsPercent) {
    int w = screen.Width(), h = screen.Height();
    int growX = (w * boundsPercent / 100 - w) / 2;
    int growY = (h * boundsPercent / 100 - h) / 2;
    return Rect{screen.left - growX, screen.top - growY, screen.right + growX,
                screen.bottom + growY};
}

static int RandomOffset(int size, int boundsSize) {
    int r = CrtRand();
    return int(int64_t(r) * (boundsSize - size + 1) / 32768);
}

Rect PlaceRect(const Rect& rect, const Rect& bounds, int placement) {
    int w = rect.Width(), h = rect.Height();
    int bw = bounds.Width(), bh = bounds.Height();
    int x = rect.left, y = rect.top;
    if (placement == kPlaceRandom) {
        x = w < bw ? bounds.left + RandomOffset(w, bw) : 0;
        y = h < bh ? bounds.top + RandomOffset(h, bh) : 0;
    } else if (placement == kPlaceCentre) {
        x = bounds.left + (bw - w) / 2;
        if (x < bounds.left) x = bounds.left;
        y = bounds.top + (bh - h) / 2;
        if (y < bounds.top) y = bounds.top;
    }
    return Rect{x, y, x + w, y + h};
}

Rect MoveWithBounce(const Rect& rect, const Rect& bounds, int& dx, int& dy) {
    if (dx == 0 && dy == 0) return rect;
    Rect r{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
    if (bounds.Empty()) return r;
    int cx = 0, cy = 0;
    if (r.right >= bounds.right) {
        dx = -std::abs(dx);
        cx = bounds.right - r.right;
    } else if (r.left < bounds.left) {
        dx = std::abs(dx);
        cx = bounds.left - r.left;
    }
    if (r.bottom >= bounds.bottom) {
        dy = -std::abs(dy);
        cy = bounds.bottom - r.bottom;
    } else if (r.top < bounds.top) {
        dy = std::abs(dy);
        cy = bounds.top - r.top;
    }
    return Rect{r.left + cx, r.top + cy, r.right + cx, r.bottom + cy};
}

int BackgroundMode(bool useImage, int style) {
    if (!useImage) return kBackgroundColour;
    return (style >= kBackgroundTile && style <= kBackgroundDesktop) ? style : kBackgroundColour;
}

int ColorMode(bool grayscale, bool reduce256, bool trueColorDisplay, int backgroundMode,
              bool spritesOn) {
    if (grayscale) return 2;
    if (trueColorDisplay) return reduce256 ? 3 : 0;
    return (backgroundMode != kBackgroundColour || spritesOn) ? 1 : 0;
}

TileGrid TileLayout(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight) {
    TileGrid g;
    if (pictureWidth > 0)
        g.columns = int(double(windowWidth) / double(pictureWidth) + 0.5);
    if (pictureHeight > 0)
        g.rows = int(double(windowHeight) / double(pictureHeight) + 0.5);
    if (g.columns < 1) g.columns = 1;
    if (g.rows < 1) g.rows = 1;
    g.cellWidth = windowWidth / g.columns;
    g.cellHeight = windowHeight / g.rows;
    return g;
}

}  // namespace saver
