#include "saver/slide_sprite_win32.h"

#include "win32/handles.h"

SlideSprite::SlideSprite(saver::RainTable& rain) : rain_(rain) {
    placement = 2;
    state.effect = saver::kNoEffect;
    state.speed = 20;
    Restart();
}

void SlideSprite::Restart() {
    saver::Restart(state);
    completed_ = false;
}

bool SlideSprite::Step(HDC canvas) {
    bool running = saver::StepSlide(state, Width(), Height(), rain_, out_);
    completed_ = !running;
    if (out_.draw && visibleRegion && imageBitmap) DrawPieces(canvas);
    return running;
}

void SlideSprite::DrawPieces(HDC canvas) {
    // The outline is drawn whole at every step, so the frame stands complete while
    // the picture inside it comes and goes.
    DrawFrameOutline(canvas);
    GdiObject<HRGN> clip(CreateRectRgn(0, 0, 0, 0));
    if (!clip) return;
    CombineRgn(clip.Get(), visibleRegion, nullptr, RGN_COPY);
    if (shapeRegion) CombineRgn(clip.Get(), clip.Get(), shapeRegion, RGN_AND);
    if (out_.hasHole) {
        const saver::Rect& e = out_.holeBox;
        GdiObject<HRGN> hole(CreateEllipticRgn(rect.left + e.left, rect.top + e.top,
                                               rect.left + e.right, rect.top + e.bottom));
        if (hole) CombineRgn(clip.Get(), clip.Get(), hole.Get(), RGN_DIFF);
    }
    SelectClipRgn(canvas, clip.Get());
    int oldMode = out_.stretch ? SetStretchBltMode(canvas, COLORONCOLOR) : 0;
    for (const saver::Piece& p : out_.pieces) {
        int x = rect.left + p.dest.left, y = rect.top + p.dest.top;
        if (out_.stretch)
            StretchBlt(canvas, x, y, p.dest.Width(), p.dest.Height(), imageDC, p.src.left,
                       p.src.top, p.src.Width(), p.src.Height(), SRCCOPY);
        else
            BitBlt(canvas, x, y, p.dest.Width(), p.dest.Height(), imageDC, p.src.left, p.src.top,
                   SRCCOPY);
    }
    if (oldMode) SetStretchBltMode(canvas, oldMode);
    SelectClipRgn(canvas, nullptr);
}
