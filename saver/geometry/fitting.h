// Fitting a slideshow picture to the screen, placing the slide, and the shapes
// of the frame around it.  Pure arithmetic for the saver's Win32 layer.
#pragma once

#include "saver/geometry/effects.h"

namespace saver {

// Image-size options as bits (the four size check boxes of the slideshow page).
enum SizeFlag : int {
    kSizeOwn = 1,        // use original size
    kSizeStretch = 2,    // stretch to fit screen
    kSizeShrink = 4,     // shrink to fit screen
    kSizeKeepAspect = 8, // maintain aspect ratio
};

int SizeFlagsFromOptions(bool ownSize, bool stretch, bool shrink, bool keepAspect);

// Fit modes: 0 the picture's own size, 2 the screen's size, 3 the largest size of
// the picture's aspect ratio that touches the screen's edges on one axis.
enum FitMode : int { kFitOwn = 0, kFitScreen = 2, kFitAspect = 3 };

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size& o) const { return width == o.width && height == o.height; }
};

// The mode for an image of w x h on a screen of screenW x screenH.  The picture
// "fits" when it is narrower and lower than the screen (both strict): the stretch
// option then applies, otherwise the shrink option; own size overrides both.
int ChooseFitMode(int sizeFlags, int w, int h, int screenW, int screenH);

// The slide's size for a mode.  Mode 3 compares the picture's aspect a = w / h with
// the screen's, both as 32-bit floats, and truncates the computed side.  A side
// that would truncate to 0 (a picture thousands of times wider than high) is 1
// pixel.  Returns {0, 0} when the image or the screen has no pixels (the caller
// drops the picture as undrawable).
Size FittedSize(int mode, int w, int h, int screenW, int screenH);

// Placement 2: centred on the screen, but never left of or above its top-left
// corner (a slide larger than the screen hangs off the right and bottom).
Rect PlaceCentred(const Rect& screen, const Size& size);

// Frame shapes.
enum FrameShape : int { kShapeNone = 0, kShapeRectangle = 1, kShapeRoundRect = 2, kShapeOval = 3 };

// The frame of a slide, in the same coordinates as the slide rectangle given.
//   Outline (drawn when `hasOutline`): a solid pen `penWidth` pixels wide in the
//   frame colour with a hollow brush: Rectangle, RoundRect with a corner ellipse of
//   `outlineCorner` x `outlineCorner`, or Ellipse over `outline`, without clipping.
//   Clip shape (when `hasClip`): the picture is drawn only inside this shape over
//   `clip` (CreateRectRgn, CreateRoundRectRgn with corner `clipCorner`, or
//   CreateEllipticRgn), intersected with the slide's visible region.  A `clip` that
//   is empty means nothing of the picture shows (the frame is thicker than the
//   slide); rectangles are never inverted.
struct FrameGeometry {
    int shape = kShapeNone;
    bool hasOutline = false;
    Rect outline;
    int penWidth = 0;
    int outlineCorner = 0;
    bool hasClip = false;
    Rect clip;
    int clipCorner = 0;
};

// `thickness` is the frame thickness setting (0, 1, 2, 4, 6 or 8 from the page; a
// negative value from a hand-edited file counts as 0).  Shapes outside 1..3 mean
// no frame.
FrameGeometry SlideFrame(const Rect& slide, int shape, int thickness);

} // namespace saver
