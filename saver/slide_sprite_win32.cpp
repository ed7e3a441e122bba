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
    bool drawn = state.effect == 33 && !out_.stretch && DrawRainRuns(canvas);
    for (size_t i = 0; !drawn && i < out_.pieces.size(); ++i) {
        const saver::Piece& p = out_.pieces[i];
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

bool SlideSprite::DrawRainRuns(HDC canvas) {
    // Rain copies thousands of disjoint 22-pixel cells in place (source = destination)
    // on a large slide; cells that lie side by side in a row are copied as one run,
    // which leaves the same pixels with far fewer calls.
    const int cols = saver::RainColumns(Width()), rows = saver::RainRows(Height());
    cellPiece_.assign(size_t(cols) * size_t(rows), -1);
    for (size_t i = 0; i < out_.pieces.size(); ++i) {
        const saver::Rect& d = out_.pieces[i].dest;
        int cell = (d.top / saver::kRainCell) * cols + d.left / saver::kRainCell;
        if (out_.pieces[i].src != d || cell < 0 || cell >= int(cellPiece_.size())) return false;
        cellPiece_[size_t(cell)] = int(i);
    }
    for (int row = 0; row < rows; ++row) {
        const int* line = cellPiece_.data() + size_t(row) * size_t(cols);
        for (int col = 0; col < cols;) {
            if (line[col] < 0) {
                ++col;
                continue;
            }
            const saver::Rect& first = out_.pieces[size_t(line[col])].dest;
            int last = col;
            while (last + 1 < cols && line[last + 1] >= 0)
                ++last;
            const saver::Rect& end = out_.pieces[size_t(line[last])].dest;
            BitBlt(canvas, rect.left + first.left, rect.top + first.top, end.right - first.left,
                   first.Height(), imageDC, first.left, first.top, SRCCOPY);
            col = last + 1;
        }
    }
    return true;
}
