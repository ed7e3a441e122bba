// The saver's background: one colour, or a bitmap of the window's size made
// once at start-up (a tiled or stretched picture, or a copy of the desktop).
#include "app/settings.h"
#include "imaging/dib_image.h"
#include "saver/motion/sprite_motion.h"
#include "saver/saver_window_win32.h"
#include "win32/handles.h"

bool SaverWindow::PrepareBackground() {
    if (backgroundMode == saver::kBackgroundColour) return true;
    int w = screenRect.right - screenRect.left, h = screenRect.bottom - screenRect.top;
    backgroundDC = CreateCompatibleDC(OwnDC());
    if (!backgroundDC) return false;
    SetStretchBltMode(backgroundDC, COLORONCOLOR);
    backgroundBitmap = CreateCompatibleBitmap(OwnDC(), w, h);
    if (!backgroundBitmap) return false;
    oldBackground_ = SelectObject(backgroundDC, backgroundBitmap);

    if (backgroundMode == saver::kBackgroundDesktop) {
        if (!trueColorDisplay) {
            backgroundMode = saver::kBackgroundColour;
            return true;
        }
        WindowDC screen(nullptr);
        BitBlt(backgroundDC, 0, 0, w, h, screen.Get(), 0, 0, SRCCOPY);
        return true;
    }
    if (backgroundPicture.empty()) {
        backgroundMode = saver::kBackgroundColour;
        return true;
    }
    CDibImage picture;
    if (!picture.LoadFrame(backgroundPicture.c_str(), 0)) {
        backgroundMode = saver::kBackgroundColour;  // silently: the colour is a fine background
        return true;
    }
    if (IsOptionOn(10036))
        picture.ToGrayscale();
    else if (!trueColorDisplay)
        picture.ToTrueColor() && picture.ReduceTo256();
    else if (IsOptionOn(10035))
        picture.ReduceTo256();

    RECT all = {0, 0, w, h};
    GdiObject<HBRUSH> fill(CreateSolidBrush(backgroundColor));
    FillRect(backgroundDC, &all, fill.Get());
    if (backgroundMode == saver::kBackgroundFull) return picture.Draw(backgroundDC, &all, nullptr, FALSE);

    saver::TileGrid grid = saver::TileLayout(w, h, picture.width, picture.height);
    for (int row = 0; row < grid.rows; ++row)
        for (int col = 0; col < grid.columns; ++col) {
            RECT cell = {col * grid.cellWidth, row * grid.cellHeight,
                         col * grid.cellWidth + grid.cellWidth, row * grid.cellHeight + grid.cellHeight};
            if (!picture.Draw(backgroundDC, &cell, nullptr, FALSE)) return false;
        }
    return true;
}

void SaverWindow::PaintBackground() {
    int w = screenRect.right - screenRect.left, h = screenRect.bottom - screenRect.top;
    if (backgroundMode == saver::kBackgroundColour || !backgroundDC) {
        RECT all = {0, 0, w, h};
        GdiObject<HBRUSH> fill(CreateSolidBrush(backgroundColor));
        FillRect(CanvasDC(), &all, fill.Get());
        return;
    }
    BitBlt(CanvasDC(), 0, 0, w, h, backgroundDC, 0, 0, SRCCOPY);
}

void SaverWindow::PaintChangedBackground() {
    if (!changedArea_) {
        // Unknown at the first frame, or when a region could not be made.
        PaintBackground();
        return;
    }
    HDC canvas = CanvasDC();
    if (backgroundMode == saver::kBackgroundColour || !backgroundDC) {
        GdiObject<HBRUSH> fill(CreateSolidBrush(backgroundColor));
        FillRgn(canvas, changedArea_.Get(), fill.Get());
    } else {
        int w = screenRect.right - screenRect.left, h = screenRect.bottom - screenRect.top;
        SelectClipRgn(canvas, changedArea_.Get());
        BitBlt(canvas, 0, 0, w, h, backgroundDC, 0, 0, SRCCOPY);
        SelectClipRgn(canvas, nullptr);
    }
}

void SaverWindow::ReleaseBackground() {
    if (backgroundDC) {
        if (oldBackground_) SelectObject(backgroundDC, oldBackground_);
        DeleteDC(backgroundDC);
        backgroundDC = nullptr;
    }
    if (backgroundBitmap) DeleteObject(backgroundBitmap);
    backgroundBitmap = nullptr;
}
