// The saver's moving pictures: an off-screen picture with a screen rectangle,
// a velocity, bounds to bounce in, optional transparency and frame shape,
// drawn into the saver's canvas through the region no opaque picture covers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "saver/animation/animation_canvas.h"
#include "saver/animation/composed_frames.h"
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
    // Copies the picture's part under box onto the clipped canvas: opaque, or
    // see-through by the monochrome mask of the transparent colour.
    virtual void CopyPicture(HDC canvas, const RECT& box);
    int Width() const { return rect.right - rect.left; }
    int Height() const { return rect.bottom - rect.top; }

  private:
    HGDIOBJ oldImage_ = nullptr, oldMask_ = nullptr;
};

// Drawing a sprite's picture from memory straight into the saver's canvas, for
// canvases of 24 or 32 bits per pixel, where a 32-bit pixel carries its colour
// unchanged both ways.  An opaque picture takes one copy; a see-through one
// reads what lies under it into a scratch bitmap, lays its pixels over that in
// memory and copies the result back: two copies instead of a picture update,
// a mask rebuild and three masked copies.
class DirectPicture {
  public:
    DirectPicture() = default;
    ~DirectPicture();
    DirectPicture(const DirectPicture&) = delete;
    DirectPicture& operator=(const DirectPicture&) = delete;

    // Draws the part of `picture` (width x height canvas pixels, top row first,
    // its top-left corner at `origin` on the canvas) that lies under `box`,
    // through the canvas's clip region.  With `keyed`, pixels equal to `key`
    // leave the canvas as it is.  false when the scratch bitmap cannot be made
    // (nothing is drawn then).
    bool Draw(HDC canvas, const RECT& box, POINT origin, const uint32_t* picture, int width,
              int height, bool keyed, uint32_t key);

  private:
    bool Reserve(HDC canvas, int width, int height);
    void Release();

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    uint32_t* bits_ = nullptr;
    int width_ = 0, height_ = 0;
};

// All frames of an animated GIF, played one frame per saver frame.  Frames are
// composed on a canvas of the animation's logical screen (each with its own
// transparency, after the previous frame's disposal) whose changed part is then
// copied into the picture bitmap; the canvas's see-through colour is the first
// frame's transparent colour.  On a canvas of 24 or 32 bits per pixel the
// picture bitmap is left aside: the composed picture is drawn from memory, and
// the composed frames are made once at load and shared (ComposedFrames).
class AnimatedSprite : public Sprite {
  public:
    static constexpr int kMaxFrames = 100;

    AnimatedSprite() = default;
    ~AnimatedSprite() override = default;

    bool Step(HDC canvas) override;
    // The target rectangle and fit mode are ignored: animations keep their size.
    bool LoadFile(const std::string& path, const RECT& target, int fitMode) override;
    virtual bool IsAnimated() const { return true; }
    // Makes frame `current` the picture, disposing of the previous one.
    virtual void ComposeFrame();

    int FrameCount() const { return int(frames.size()); }
    const saver::AnimationCanvas& Canvas() const { return canvas_; }

    std::vector<saver::AnimationFrame> frames;
    int current = 0;

  protected:
    void CopyPicture(HDC canvas, const RECT& box) override;

  private:
    // Copies part of the canvas into the picture bitmap.
    void CopyCanvas(const saver::Rect& part);
    saver::AnimationCanvas canvas_;
    std::vector<uint32_t> rows_; // the part being copied, kept between steps
    bool direct_ = false;        // drawn from memory, not through the picture bitmap
    std::shared_ptr<const saver::ComposedFrames> composed_; // null: composed each step
    const uint32_t* picture_ = nullptr;                     // the picture drawn from memory
    DirectPicture drawer_;
};

inline saver::Rect ToRect(const RECT& r) {
    return saver::Rect{r.left, r.top, r.right, r.bottom};
}
inline RECT ToRECT(const saver::Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}
