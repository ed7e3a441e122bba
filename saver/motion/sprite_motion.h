// Arithmetic of the saver's moving pictures and of its start-up choices:
// pacing from the speed setting, the confine rectangle, placement on load,
// movement with bouncing, the background and colour modes, the tile grid.
// Pure functions; the saver window applies them to real windows and bitmaps.
#pragma once

#include "saver/geometry/effects.h"

namespace saver {

// Sprites move by `step` pixels on every (`delay` + 1)-th frame.
struct Pacing {
    int step = 1;
    int delay = 0;
};
// Speed 0..20: below 10, 1 pixel every (11 - speed) frames; from 10, speed - 9 pixels a frame.
Pacing SpeedPacing(int speed);

// `screen` scaled about its centre to `boundsPercent` of its width and height
// (integer arithmetic, truncating toward zero); 100 gives the screen itself.
Rect ConfineRect(const Rect& screen, int boundsPercent);

// How a load positions a sprite inside `bounds`.
enum Placement { kPlaceKeep = 0, kPlaceRandom = 1, kPlaceCentre = 2 };
// The sprite's rectangle after placement (same size).  Random placement draws
// two values of the C library generator, x first; a sprite at least as wide
// (high) as the bounds goes to x = 0 (y = 0).
Rect PlaceRect(const Rect& rect, const Rect& bounds, int placement);

// One move by (dx, dy) with bouncing inside `bounds`: touching the right or
// bottom edge counts as hitting it, and the velocity component turns.  With
// empty bounds the sprite just moves.  dx and dy are updated.
Rect MoveWithBounce(const Rect& rect, const Rect& bounds, int& dx, int& dy);

// Background modes: 0 tile, 1 full screen, 2 desktop copy, 3 solid colour.
constexpr int kBackgroundTile = 0, kBackgroundFull = 1, kBackgroundDesktop = 2,
              kBackgroundColour = 3;
int BackgroundMode(bool useImage, int style);

// Colour treatment of loaded pictures: 0 none, 1 true colour then 256 colours,
// 2 grayscale, 3 reduce to 256 colours.
int ColorMode(bool grayscale, bool reduce256, bool trueColorDisplay, int backgroundMode,
              bool spritesOn);

// Tiles stretched so that a whole number of cells (rounded, at least 1) fills
// the window; the pixels integer division leaves at the right and bottom stay
// the background colour.
struct TileGrid {
    int columns = 1, rows = 1, cellWidth = 0, cellHeight = 0;
};
TileGrid TileLayout(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight);

}  // namespace saver
