// The saver's moving pictures: an off-screen picture with a screen rectangle,
// a velocity, bounds to bounce in, optional transparency and frame shape,
// drawn into the saver's canvas through the region no opaque picture covers.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "saver/animation/animation_canvas.h"
#include "saver/geometry/effects.h"

class CDibImage;

class Sprite {
  public:
    Sprite();
    virtual ~Sprite();
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    // One frame's drawing into the canvas; true when it drew or had nothing to do.
    virtual bool Step(HDC canvas);
    // Sizes the sprite for the picture (fit mode 0 own size, 2 stretch to the
    // target, 3 keep the aspect ratio), draws it into the picture bitmap, places
    // the sprite and rebuilds the frame-shape region.
    virtual bool LoadImage(CDibImage& image, const RECT& target, int fitMode);
    // Decodes frame 0 of the file and continues as LoadImage.
    virtual bool LoadFile(const std::string& path, const RECT& target, int fitMode);

    // Moves to the rectangle; a new size makes new picture and mask bitmaps.
    void SetPosition(int left, int top, int right, int bottom);
    void Place();
    void BuildShapeRegion();
    void Move();
    bool HitTest(int x, int y) const;
    // Replaces the visible region (the sprite owns it; null: not drawn).
    void SetVisibleRegion(HRGN region);

    HDC imageDC = nullptr;
    HBITMAP imageBitmap = nullptr;
    HDC maskDC = nullptr;
    HBITMAP maskBitmap = nullptr;
    bool transparent = false;
    COLORREF transparentColor = 0;
    bool maskValid = false;
    int dx = 0, dy = 0;
    RECT bounds = {0, 0, 0, 0};
    RECT rect = {0, 0, 1, 1};
    int placement = 1;
    int frameShape = 0, frameThickness = 0;
    COLORREF frameColor = RGB(0, 0, 255);
    HRGN shapeRegion = nullptr;
    HRGN visibleRegion = nullptr;
    int error = 0;

  protected:
    // Frame outline, clip to visible ∩ shape (− extra), copy the picture, unclip.
    void DrawThroughVisibleRegion(HDC canvas, HRGN exclude = nullptr);
    void DrawFrameOutline(HDC canvas);
    int Width() const { return rect.right - rect.left; }
    int Height() const { return rect.bottom - rect.top; }

  private:
    HGDIOBJ oldImage_ = nullptr, oldMask_ = nullptr;
};

// All frames of an animated GIF, played one frame per saver frame.  Frames are
// composed on a canvas of the animation's logical screen (each with its own
// transparency, after the previous frame's disposal) whose changed part is then
// copied into the picture bitmap; the canvas's see-through colour is the first
// frame's transparent colour.
class AnimatedSprite : public Sprite {
  public:
    static constexpr int kMaxFrames = 100;

    AnimatedSprite() = default;
    ~AnimatedSprite() override = default;

    bool Step(HDC canvas) override;
    // The target rectangle and fit mode are ignored: animations keep their size.
    bool LoadFile(const std::string& path, const RECT& target, int fitMode) override;
    virtual bool IsAnimated() const { return true; }
    // Draws frame `current` into the picture bitmap, disposing of the previous one.
    virtual void ComposeFrame();

    int FrameCount() const { return int(frames.size()); }
    const saver::AnimationCanvas& Canvas() const { return canvas_; }

    std::vector<saver::AnimationFrame> frames;
    int current = 0;

  private:
    // Copies part of the canvas into the picture bitmap.
    void CopyCanvas(const saver::Rect& part);
    saver::AnimationCanvas canvas_;
    std::vector<uint32_t> rows_; // the part being copied, kept between steps
};

inline saver::Rect ToRect(const RECT& r) { return saver::Rect{r.left, r.top, r.right, r.bottom}; }
inline RECT ToRECT(const saver::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
