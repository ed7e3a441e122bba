#include "saver/geometry/fitting.h"

#include <algorithm>

namespace saver {

int SizeFlagsFromOptions(bool ownSize, bool stretch, bool shrink, bool keepAspect) {
    return (ownSize ? kSizeOwn : 0) | (stretch ? kSizeStretch : 0) | (shrink ? kSizeShrink : 0) |
           (keepAspect ? kSizeKeepAspect : 0);
}

int ChooseFitMode(int sizeFlags, int w, int h, int screenW, int screenH) {
    if (sizeFlags & kSizeOwn) return kFitOwn;
    const bool fits = w < screenW && h < screenH;
    const bool scale = (sizeFlags & (fits ? kSizeStretch : kSizeShrink)) != 0;
    if (!scale) return kFitOwn;
    return (sizeFlags & kSizeKeepAspect) ? kFitAspect : kFitScreen;
}

Size FittedSize(int mode, int w, int h, int screenW, int screenH) {
    if (w <= 0 || h <= 0) return {};
    if (mode == kFitScreen || mode == kFitAspect) {
        if (screenW <= 0 || screenH <= 0) return {};
    }
    if (mode == kFitScreen) return {screenW, screenH};
    if (mode != kFitAspect) return {w, h};
    const float a = float(w) / float(h);
    // In the first branch screenW / a < screenH, in the second screenH * a <= screenW,
    // so neither conversion can overflow.
    if (a > float(screenW) / float(screenH)) return {screenW, std::max(1, int(float(screenW) / a))};
    return {std::max(1, int(float(screenH) * a)), screenH};
}

Rect PlaceCentred(const Rect& screen, const Size& size) {
    const int left = std::max(screen.left, screen.left + (screen.Width() - size.width) / 2);
    const int top = std::max(screen.top, screen.top + (screen.Height() - size.height) / 2);
    return {left, top, left + size.width, top + size.height};
}

namespace {

// The rectangle shrunk by d on every side; collapsed to its centre line when d
// eats it up, because GDI would silently swap the sides of an inverted rectangle.
Rect Shrink(const Rect& r, int d) {
    Rect s{r.left + d, r.top + d, r.right - d, r.bottom - d};
    if (s.right < s.left) s.left = s.right = r.left + r.Width() / 2;
    if (s.bottom < s.top) s.top = s.bottom = r.top + r.Height() / 2;
    return s;
}

} // namespace

FrameGeometry SlideFrame(const Rect& slide, int shape, int thickness) {
    FrameGeometry f;
    if (shape < kShapeRectangle || shape > kShapeOval) return f;
    const int t = std::max(0, thickness);
    f.shape = shape;
    f.hasClip = true;
    f.clip = t != 0 ? Shrink(slide, t) : slide;
    if (shape == kShapeRoundRect) f.clipCorner = f.clip.Width() / 10;
    if (t != 0) {
        // The pen is centred on the outline, so a pen of t around the rectangle
        // shrunk by t/2 covers exactly the t-pixel band the clip shape leaves free.
        f.outline = Shrink(slide, t / 2);
        f.hasOutline = !f.outline.Empty();
        f.penWidth = t;
        if (shape == kShapeRoundRect) f.outlineCorner = f.outline.Width() / 10;
    }
    return f;
}

} // namespace saver
