#include "saver/sprite_win32.h"

#include <algorithm>

#include "imaging/dib_image.h"
#include "saver/animation/key_copy.h"
#include "saver/geometry/fitting.h"
#include "saver/motion/sprite_motion.h"
#include "win32/handles.h"

namespace {

HBITMAP ScreenBitmap(int w, int h) {
    WindowDC screen(nullptr);
    return CreateCompatibleBitmap(screen.Get(), w > 0 ? w : 1, h > 0 ? h : 1);
}

HDC ScreenMemoryDC() {
    WindowDC screen(nullptr);
    return CreateCompatibleDC(screen.Get());
}

HRGN ShapeRegionOver(int shape, const saver::Rect& r, int corner) {
    switch (shape) {
    case saver::kShapeRectangle:
        return CreateRectRgn(r.left, r.top, r.right, r.bottom);
    case saver::kShapeRoundRect:
        return CreateRoundRectRgn(r.left, r.top, r.right, r.bottom, corner, corner);
    case saver::kShapeOval:
        return CreateEllipticRgn(r.left, r.top, r.right, r.bottom);
    }
    return nullptr;
}

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height; // top row first
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    return bmi;
}

} // namespace

Sprite::Sprite() {
    imageDC = ScreenMemoryDC();
    maskDC = CreateCompatibleDC(nullptr);
    if (imageDC) SetStretchBltMode(imageDC, COLORONCOLOR);
    imageBitmap = ScreenBitmap(1, 1);
    maskBitmap = CreateBitmap(1, 1, 1, 1, nullptr);
    if (imageDC && imageBitmap) oldImage_ = SelectObject(imageDC, imageBitmap);
    if (maskDC && maskBitmap) oldMask_ = SelectObject(maskDC, maskBitmap);
}

Sprite::~Sprite() {
    if (imageDC) {
        if (oldImage_) SelectObject(imageDC, oldImage_);
        DeleteDC(imageDC);
    }
    if (maskDC) {
        if (oldMask_) SelectObject(maskDC, oldMask_);
        DeleteDC(maskDC);
    }
    if (imageBitmap) DeleteObject(imageBitmap);
    if (maskBitmap) DeleteObject(maskBitmap);
    if (shapeRegion) DeleteObject(shapeRegion);
    if (visibleRegion) DeleteObject(visibleRegion);
}

void Sprite::SetPosition(int left, int top, int right, int bottom) {
    int w = right - left, h = bottom - top;
    if (w == Width() && h == Height()) {
        if (shapeRegion) OffsetRgn(shapeRegion, left - rect.left, top - rect.top);
        rect = RECT{left, top, right, bottom};
        return;
    }
    rect = RECT{left, top, right, bottom};
    HBITMAP image = ScreenBitmap(w, h);
    HBITMAP mask = CreateBitmap(w > 0 ? w : 1, h > 0 ? h : 1, 1, 1, nullptr);
    if (!image || !mask || !imageDC || !maskDC) {
        // Both or neither: later loads fail with "out of memory".
        if (image) DeleteObject(image);
        if (mask) DeleteObject(mask);
        if (imageDC && oldImage_) SelectObject(imageDC, oldImage_);
        if (maskDC && oldMask_) SelectObject(maskDC, oldMask_);
        if (imageBitmap) DeleteObject(imageBitmap);
        if (maskBitmap) DeleteObject(maskBitmap);
        imageBitmap = maskBitmap = nullptr;
        return;
    }
    HGDIOBJ prevImage = SelectObject(imageDC, image);
    HGDIOBJ prevMask = SelectObject(maskDC, mask);
    if (imageBitmap)
        DeleteObject(imageBitmap);
    else
        oldImage_ = prevImage;
    if (maskBitmap)
        DeleteObject(maskBitmap);
    else
        oldMask_ = prevMask;
    imageBitmap = image;
    maskBitmap = mask;
    maskValid = false;
}

bool Sprite::LoadImage(CDibImage& image, const RECT& target, int fitMode) {
    if (!imageBitmap) {
        error = -11;
        return false;
    }
    saver::Size size = saver::FittedSize(fitMode, image.width, image.height,
                                         target.right - target.left, target.bottom - target.top);
    if (size.width <= 0 || size.height <= 0) {
        error = -11;
        return false;
    }
    SetPosition(rect.left, rect.top, rect.left + size.width, rect.top + size.height);
    if (!imageBitmap) {
        error = -11;
        return false;
    }
    RECT dest = {0, 0, size.width, size.height};
    if (!image.Draw(imageDC, &dest, nullptr, FALSE)) {
        error = image.error ? image.error : -11;
        return false;
    }
    maskValid = false;
    error = 0;
    Place();
    BuildShapeRegion();
    return true;
}

bool Sprite::LoadFile(const std::string& path, const RECT& target, int fitMode) {
    CDibImage image;
    if (!image.LoadFrame(path.c_str(), 0)) {
        error = image.error;
        return false;
    }
    return LoadImage(image, target, fitMode);
}

void Sprite::Place() {
    saver::Rect placed = saver::PlaceRect(ToRect(rect), ToRect(bounds), placement);
    SetPosition(placed.left, placed.top, placed.right, placed.bottom);
}

void Sprite::BuildShapeRegion() {
    if (shapeRegion) DeleteObject(shapeRegion);
    shapeRegion = nullptr;
    saver::FrameGeometry f = saver::SlideFrame(ToRect(rect), frameShape, frameThickness);
    if (f.hasClip) shapeRegion = ShapeRegionOver(f.shape, f.clip, f.clipCorner);
}

void Sprite::Move() {
    RECT before = rect;
    saver::Rect moved = saver::MoveWithBounce(ToRect(rect), ToRect(bounds), dx, dy);
    rect = ToRECT(moved);
    if (shapeRegion) OffsetRgn(shapeRegion, rect.left - before.left, rect.top - before.top);
}

bool Sprite::HitTest(int x, int y) const {
    if (!visibleRegion || !PtInRegion(visibleRegion, x, y)) return false;
    return !shapeRegion || PtInRegion(shapeRegion, x, y);
}

void Sprite::SetVisibleRegion(HRGN region) {
    if (visibleRegion) DeleteObject(visibleRegion);
    visibleRegion = region;
}

bool Sprite::Step(HDC canvas) {
    if (visibleRegion) DrawThroughVisibleRegion(canvas);
    return true;
}

void Sprite::DrawFrameOutline(HDC canvas) {
    saver::FrameGeometry f = saver::SlideFrame(ToRect(rect), frameShape, frameThickness);
    if (!f.hasOutline) return;
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, f.penWidth, frameColor));
    SelectGuard penSel(canvas, pen.Get());
    SelectGuard brushSel(canvas, GetStockObject(NULL_BRUSH));
    const saver::Rect& o = f.outline;
    if (f.shape == saver::kShapeRectangle)
        Rectangle(canvas, o.left, o.top, o.right, o.bottom);
    else if (f.shape == saver::kShapeRoundRect)
        RoundRect(canvas, o.left, o.top, o.right, o.bottom, f.outlineCorner, f.outlineCorner);
    else if (f.shape == saver::kShapeOval)
        Ellipse(canvas, o.left, o.top, o.right, o.bottom);
}

void Sprite::DrawThroughVisibleRegion(HDC canvas, HRGN exclude) {
    if (!visibleRegion || !imageBitmap) return;
    DrawFrameOutline(canvas);
    GdiObject<HRGN> clip(CreateRectRgn(0, 0, 0, 0));
    CombineRgn(clip.Get(), visibleRegion, nullptr, RGN_COPY);
    if (shapeRegion) CombineRgn(clip.Get(), clip.Get(), shapeRegion, RGN_AND);
    if (exclude) CombineRgn(clip.Get(), clip.Get(), exclude, RGN_DIFF);
    SelectClipRgn(canvas, clip.Get());
    RECT box;
    GetRgnBox(visibleRegion, &box);
    CopyPicture(canvas, box);
    SelectClipRgn(canvas, nullptr);
}

void Sprite::CopyPicture(HDC canvas, const RECT& box) {
    int w = box.right - box.left, h = box.bottom - box.top;
    int sx = box.left - rect.left, sy = box.top - rect.top;
    if (!transparent) {
        BitBlt(canvas, box.left, box.top, w, h, imageDC, sx, sy, SRCCOPY);
    } else {
        if (!maskValid) {
            // Pixels of the transparent colour become 1 in the monochrome mask.
            COLORREF oldBk = SetBkColor(imageDC, transparentColor);
            BitBlt(maskDC, 0, 0, Width(), Height(), imageDC, 0, 0, SRCCOPY);
            SetBkColor(imageDC, oldBk);
            maskValid = true;
        }
        // canvas = ((canvas ^ image) & mask) ^ image: the canvas shows where the mask is 1.
        COLORREF oldText = SetTextColor(canvas, RGB(0, 0, 0));
        COLORREF oldBk = SetBkColor(canvas, RGB(255, 255, 255));
        BitBlt(canvas, box.left, box.top, w, h, imageDC, sx, sy, SRCINVERT);
        BitBlt(canvas, box.left, box.top, w, h, maskDC, sx, sy, SRCAND);
        BitBlt(canvas, box.left, box.top, w, h, imageDC, sx, sy, SRCINVERT);
        SetTextColor(canvas, oldText);
        SetBkColor(canvas, oldBk);
    }
}

DirectPicture::~DirectPicture() {
    Release();
}

void DirectPicture::Release() {
    if (dc_) {
        if (previous_) SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    previous_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
}

bool DirectPicture::Reserve(HDC canvas, int width, int height) {
    if (bits_ && width <= width_ && height <= height_) return true;
    // Only grows, so that a sprite coming onto the screen bit by bit makes it
    // anew a few times at most.
    width = std::max(width, width_);
    height = std::max(height, height_);
    Release();
    dc_ = CreateCompatibleDC(canvas);
    BITMAPINFO bmi = TopDown32(width, height);
    void* bits = nullptr;
    bitmap_ = dc_ ? CreateDIBSection(dc_, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!bitmap_ || !bits) {
        Release();
        return false;
    }
    previous_ = SelectObject(dc_, bitmap_);
    bits_ = static_cast<uint32_t*>(bits);
    width_ = width;
    height_ = height;
    return true;
}

bool DirectPicture::Draw(HDC canvas, const RECT& box, POINT origin, const uint32_t* picture,
                         int width, int height, bool keyed, uint32_t key) {
    // The part of box that the picture covers, in picture coordinates.
    const int left = std::max(int(box.left - origin.x), 0);
    const int top = std::max(int(box.top - origin.y), 0);
    const int right = std::min(int(box.right - origin.x), width);
    const int bottom = std::min(int(box.bottom - origin.y), height);
    if (!picture || right <= left || bottom <= top) return true;
    const int w = right - left, h = bottom - top;
    const int x = origin.x + left, y = origin.y + top;
    if (!keyed) {
        // The rows from `top` down, as a DIB of their own; the copy starts at column `left`.
        BITMAPINFO bmi = TopDown32(width, h);
        StretchDIBits(canvas, x, y, w, h, left, 0, w, h, picture + size_t(top) * size_t(width),
                      &bmi, DIB_RGB_COLORS, SRCCOPY);
        return true;
    }
    // The scratch is as large as the part drawn, which lies on the screen,
    // however large the picture.
    if (!Reserve(canvas, w, h)) return false;
    BitBlt(dc_, 0, 0, w, h, canvas, x, y, SRCCOPY);
    GdiFlush(); // the copy must have landed before its bits are read
    for (int row = 0; row < h; ++row)
        saver::CopyUnlessKey(bits_ + size_t(row) * size_t(width_),
                             picture + size_t(top + row) * size_t(width) + size_t(left), size_t(w),
                             key);
    BitBlt(canvas, x, y, w, h, dc_, 0, 0, SRCCOPY);
    return true;
}

bool AnimatedSprite::LoadFile(const std::string& path, const RECT&, int) {
    if (!imageBitmap) {
        error = -11;
        return false;
    }
    frames.clear();
    composed_.reset();
    picture_ = nullptr;
    CDibImage image;
    if (!image.LoadFrame(path.c_str(), 0)) {
        error = image.error;
        return false;
    }
    transparent = image.transparentIndex >= 0;
    // Without a see-through colour, the screen's background colour fills what
    // no frame covers and what a disposal to the background clears.
    transparentColor =
        transparent ? image.transparentColor : COLORREF(image.header->backgroundColor) & 0xFFFFFF;
    if (!canvas_.Reset(image.screenWidth, image.screenHeight,
                       saver::CanvasPixelOf(transparentColor))) {
        error = -11;
        return false;
    }
    SetPosition(rect.left, rect.top, rect.left + image.screenWidth, rect.top + image.screenHeight);
    if (!imageBitmap) {
        error = -11;
        return false;
    }
    // The frames together may hold no more than one image may.
    uint64_t held = 0;
    do {
        saver::AnimationFrame f;
        held += uint64_t(image.width) * uint64_t(image.height);
        if (held > kDibMaxBytes || !saver::FrameFromImage(image, f)) {
            frames.clear();
            error = held > kDibMaxBytes ? -11 : -13;
            return false;
        }
        frames.push_back(std::move(f));
    } while (int(frames.size()) < kMaxFrames && image.LoadFrame(path.c_str(), int(frames.size())));
    if (frames.size() < 2) {
        // A still picture is no animation.
        frames.clear();
        error = -13;
        return false;
    }
    error = 0;
    current = 0;
    Place();
    BuildShapeRegion();
    // A 32-bit pixel read from or written to a canvas of 24 or 32 bits keeps its
    // colour, so the picture can go from memory to the canvas as it is; fewer
    // bits would round colours, and the mask built from the picture bitmap
    // decides then.
    BITMAP bm = {};
    direct_ = GetObject(imageBitmap, sizeof bm, &bm) && bm.bmBitsPixel >= 24;
    if (direct_) {
        composed_ = saver::ComposedFrames::For(canvas_.Width(), canvas_.Height(),
                                               canvas_.Background(), frames);
        picture_ = canvas_.Pixels().data();
    } else {
        CopyCanvas(saver::Rect{0, 0, canvas_.Width(), canvas_.Height()});
    }
    maskValid = false;
    return true;
}

void AnimatedSprite::CopyCanvas(const saver::Rect& part) {
    if (part.Empty() || !imageBitmap) return;
    const int w = part.Width(), h = part.Height();
    rows_.resize(size_t(w) * size_t(h));
    const std::vector<uint32_t>& pixels = canvas_.Pixels();
    for (int y = 0; y < h; ++y)
        std::copy_n(&pixels[size_t(part.top + y) * size_t(canvas_.Width()) + size_t(part.left)], w,
                    &rows_[size_t(y) * size_t(w)]);
    BITMAPINFO bmi = TopDown32(w, h);
    StretchDIBits(imageDC, part.left, part.top, w, h, 0, 0, w, h, rows_.data(), &bmi,
                  DIB_RGB_COLORS, SRCCOPY);
}

void AnimatedSprite::ComposeFrame() {
    if (frames.empty()) return;
    if (current < 0 || current >= int(frames.size())) current = 0;
    if (composed_ && composed_->Count() == FrameCount()) {
        picture_ = composed_->Frame(current);
        return;
    }
    saver::Rect changed = canvas_.Compose(frames, current);
    if (direct_)
        picture_ = canvas_.Pixels().data();
    else
        CopyCanvas(changed);
}

void AnimatedSprite::CopyPicture(HDC canvas, const RECT& box) {
    if (!direct_) {
        Sprite::CopyPicture(canvas, box);
        return;
    }
    drawer_.Draw(canvas, box, POINT{rect.left, rect.top}, picture_, canvas_.Width(),
                 canvas_.Height(), transparent, canvas_.Background());
}

bool AnimatedSprite::Step(HDC canvas) {
    if (current < 0 || current >= int(frames.size())) current = 0;
    ComposeFrame();
    maskValid = false;
    if (visibleRegion) DrawThroughVisibleRegion(canvas);
    ++current;
    return true;
}
