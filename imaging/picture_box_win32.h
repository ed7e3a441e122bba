// CPictureBox: the double-buffered canvas window.  Derived windows draw into
// the memory DC (an off-screen bitmap the size of the client area) and
// invalidate; painting copies the invalidated part to the screen.
#pragma once

#include <windows.h>

#include "win32/window.h"

class CPictureBox : public CWindow {
  public:
    CPictureBox() = default;
    ~CPictureBox() override;

    // Creates the window ("FS_PICTUREBOX") and its off-screen canvas; false
    // when the window or any of its drawing resources cannot be made.
    bool Create(const RECT& rect, DWORD style, HWND parent, UINT id);

    HDC OwnDC() const { return windowDC_; }
    HDC CanvasDC() const { return memoryDC_; }
    HBITMAP CanvasBitmap() const { return canvas_; }
    // Takes ownership of a palette used when painting (may be null).
    void SetPalette(HPALETTE palette);

  protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void OnSize(int width, int height);
    void OnPaint();
    void ReleaseCanvas();

    bool paintOffscreen_ = true;
    RECT createdRect_ = {};

  private:
    HDC windowDC_ = nullptr;
    HDC memoryDC_ = nullptr;
    HBITMAP canvas_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    HPALETTE palette_ = nullptr;
};
