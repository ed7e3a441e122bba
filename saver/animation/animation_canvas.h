// The picture of an animated GIF as a viewer shows it: every frame laid onto
// the animation's logical screen with its own transparency, after the previous
// frame's disposal.  Portable, so that composition is checked natively against
// other decoders; the saver's AnimatedSprite copies the changed part into its
// picture bitmap after each step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "saver/geometry/effects.h"

class CDibImage;

namespace saver {

// Canvas pixels are 0x00RRGGBB, the memory order of a 32-bit DIB (blue byte first).
inline uint32_t CanvasPixelOf(uint32_t colorRef) {
    return ((colorRef & 0xFF) << 16) | (colorRef & 0xFF00) | ((colorRef >> 16) & 0xFF);
}

struct AnimationFrame {
    Rect rect;                    // inside the logical screen; may reach beyond it
    int disposal = 0;             // bits 2..4 of the graphic control byte
    int transparentIndex = -1;    // -1: every pixel is drawn
    uint32_t colors[256] = {};    // canvas pixel of each index
    std::vector<uint8_t> indices; // rect width x height, top row first
    int delay = 0;
    uint8_t flags = 0; // graphic control byte
};

// Frame data of a decoded image of 1, 4 or 8 bits per pixel; false for any
// other depth or an image without bits.
bool FrameFromImage(const CDibImage& image, AnimationFrame& frame);

class AnimationCanvas {
  public:
    // A canvas of the logical screen's size filled with `background` (a canvas
    // pixel): the see-through colour of the first frame, or else the logical
    // screen's background colour.  false (and an
    // empty canvas) when the size is empty or larger than an image may be.
    bool Reset(int width, int height, uint32_t background);

    // Lays frame k of `frames` onto the canvas.  Frame 0 starts again from the
    // background, so that a loop never keeps the end of the previous pass under
    // its first frame's transparent pixels.  Later frames first dispose of frame
    // k - 1: method 2 returns its rectangle to the background, method 3 puts back
    // what lay there before it, any other method leaves it.  A frame's transparent
    // pixels keep what the canvas holds.  Returns the part of the canvas that may
    // have changed (empty when k is out of range).
    Rect Compose(const std::vector<AnimationFrame>& frames, int k);

    int Width() const { return width_; }
    int Height() const { return height_; }
    uint32_t Background() const { return background_; }
    // Width x height canvas pixels, top row first.
    const std::vector<uint32_t>& Pixels() const { return pixels_; }

  private:
    Rect Clip(const Rect& r) const;
    void Fill(const Rect& r, uint32_t value);

    int width_ = 0, height_ = 0;
    uint32_t background_ = 0;
    std::vector<uint32_t> pixels_;
    std::vector<uint32_t> saved_; // what lay under savedRect_ before a method-3 frame
    Rect savedRect_;
};

} // namespace saver
