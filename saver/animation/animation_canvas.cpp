#include "saver/animation/animation_canvas.h"

#include <algorithm>

#include "imaging/dib_image.h"

namespace saver {

bool FrameFromImage(const CDibImage& image, AnimationFrame& frame) {
    const int bpp = image.bitsPerPixel;
    if (!image.bits || image.width <= 0 || image.height <= 0 || (bpp != 1 && bpp != 4 && bpp != 8))
        return false;
    frame.rect = Rect{image.left, image.top, image.left + image.width, image.top + image.height};
    frame.flags = uint8_t(image.controlFlags & 0xFF);
    frame.disposal = (frame.flags >> 2) & 7;
    frame.delay = image.delay;
    frame.transparentIndex = image.transparentIndex < (1 << bpp) ? image.transparentIndex : -1;
    for (int i = 0; i < 256; ++i) {
        const DibRgbQuad& q = image.bmi.bmiColors[i];
        frame.colors[i] = uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue;
    }
    const size_t w = size_t(image.width);
    frame.indices.resize(w * size_t(image.height));
    const size_t stride = image.Stride();
    const int perByte = 8 / bpp;
    const uint8_t mask = uint8_t((1 << bpp) - 1);
    for (int y = 0; y < image.height; ++y) {
        // DIB rows are stored bottom row first; pixels fill each byte from its high bits.
        const uint8_t* row = image.bits + size_t(image.height - 1 - y) * stride;
        uint8_t* out = &frame.indices[size_t(y) * w];
        for (size_t x = 0; x < w; ++x) {
            int shift = 8 - bpp * (int(x % size_t(perByte)) + 1);
            out[x] = uint8_t((row[x / size_t(perByte)] >> shift) & mask);
        }
    }
    return true;
}

bool AnimationCanvas::Reset(int width, int height, uint32_t background) {
    pixels_.clear();
    saved_.clear();
    savedRect_ = Rect{};
    width_ = height_ = 0;
    background_ = background;
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > kDibMaxBytes / 4)
        return false;
    width_ = width;
    height_ = height;
    pixels_.assign(size_t(width) * size_t(height), background);
    return true;
}

Rect AnimationCanvas::Clip(const Rect& r) const {
    Rect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width_),
           std::min(r.bottom, height_)};
    return c.Empty() ? Rect{} : c;
}

void AnimationCanvas::Fill(const Rect& r, uint32_t value) {
    for (int y = r.top; y < r.bottom; ++y)
        std::fill_n(&pixels_[size_t(y) * size_t(width_) + size_t(r.left)], r.Width(), value);
}

static Rect Union(const Rect& a, const Rect& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

Rect AnimationCanvas::Compose(const std::vector<AnimationFrame>& frames, int k) {
    if (k < 0 || size_t(k) >= frames.size() || pixels_.empty()) return Rect{};
    Rect changed;
    if (k == 0) {
        Fill(Rect{0, 0, width_, height_}, background_);
        savedRect_ = Rect{};
        changed = Rect{0, 0, width_, height_};
    } else {
        const AnimationFrame& prev = frames[size_t(k) - 1];
        if (prev.disposal == 2) {
            changed = Clip(prev.rect);
            Fill(changed, background_);
        } else if (prev.disposal == 3 && !savedRect_.Empty()) {
            const Rect& s = savedRect_;
            for (int y = s.top; y < s.bottom; ++y)
                std::copy_n(&saved_[size_t(y - s.top) * size_t(s.Width())], s.Width(),
                            &pixels_[size_t(y) * size_t(width_) + size_t(s.left)]);
            changed = s;
            savedRect_ = Rect{};
        }
    }

    const AnimationFrame& f = frames[size_t(k)];
    const Rect area = Clip(f.rect);
    const int fw = f.rect.Width();
    if (area.Empty() || f.indices.size() < size_t(fw) * size_t(f.rect.Height())) return changed;
    if (f.disposal == 3) {
        // Keep what lies under the frame, to put it back before the next one.
        savedRect_ = area;
        saved_.resize(size_t(area.Width()) * size_t(area.Height()));
        for (int y = area.top; y < area.bottom; ++y)
            std::copy_n(&pixels_[size_t(y) * size_t(width_) + size_t(area.left)], area.Width(),
                        &saved_[size_t(y - area.top) * size_t(area.Width())]);
    }
    const int t = f.transparentIndex;
    for (int y = area.top; y < area.bottom; ++y) {
        const uint8_t* in = &f.indices[size_t(y - f.rect.top) * size_t(fw)];
        uint32_t* out = &pixels_[size_t(y) * size_t(width_)];
        for (int x = area.left; x < area.right; ++x) {
            int index = in[x - f.rect.left];
            if (index != t) out[x] = f.colors[index];
        }
    }
    return Union(changed, area);
}

} // namespace saver
