#include "imaging/picture_box_win32.h"

#include "win32/handles.h"

static const char kPictureBoxClass[] = "PlintharPictureBox";

CPictureBox::~CPictureBox() {
    // The window must go first: its messages still reach this object.
    Destroy();
    ReleaseCanvas();
}

bool CPictureBox::Create(const RECT& rect, DWORD style, HWND parent, UINT id) {
    createdRect_ = rect;
    bool made = CWindow::Create(kPictureBoxClass, CS_OWNDC | CS_DBLCLKS, 0, style, "FS_PICTUREBOX",
                                rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
    if (made && !canvas_) {
        // A window created without WM_SIZE reaching us yet: size the canvas now.
        RECT client;
        GetClientRect(Handle(), &client);
        OnSize(client.right, client.bottom);
    }
    return made && windowDC_ && memoryDC_ && canvas_ && previous_;
}

void CPictureBox::SetPalette(HPALETTE palette) {
    if (palette_) DeleteObject(palette_);
    palette_ = palette;
}

bool CPictureBox::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_SIZE:
        if (wp == SIZE_RESTORED) OnSize(LOWORD(lp), HIWORD(lp));
        return false;
    case WM_PAINT:
        if (!paintOffscreen_ || !canvas_) return false;
        OnPaint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1; // the paint copies every pixel it is asked for
        return paintOffscreen_ && canvas_;
    case WM_DESTROY:
        ReleaseCanvas();
        return false;
    }
    return false;
}

void CPictureBox::OnSize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    if (!windowDC_) {
        windowDC_ = GetDC(Handle());
        if (!windowDC_) return;
        SetStretchBltMode(windowDC_, COLORONCOLOR);
        memoryDC_ = CreateCompatibleDC(windowDC_);
        if (!memoryDC_) return;
        SetStretchBltMode(memoryDC_, COLORONCOLOR);
        canvas_ = CreateCompatibleBitmap(windowDC_, width, height);
        if (!canvas_) {
            DeleteDC(memoryDC_);
            memoryDC_ = nullptr;
            return;
        }
        previous_ = SelectObject(memoryDC_, canvas_);
        return;
    }
    if (!memoryDC_) return;
    HBITMAP bigger = CreateCompatibleBitmap(windowDC_, width, height);
    if (bigger) {
        SelectObject(memoryDC_, bigger);
        if (canvas_) DeleteObject(canvas_);
        canvas_ = bigger;
    } else if (canvas_) {
        SelectObject(memoryDC_, previous_);
        DeleteObject(canvas_);
        canvas_ = nullptr;
    }
}

void CPictureBox::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Handle(), &ps);
    {
        PaletteGuard palette(dc, palette_, FALSE);
        const RECT& r = ps.rcPaint;
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memoryDC_, r.left, r.top,
               SRCCOPY);
    }
    EndPaint(Handle(), &ps);
}

void CPictureBox::ReleaseCanvas() {
    SetPalette(nullptr);
    if (memoryDC_) {
        if (previous_) SelectObject(memoryDC_, previous_);
        DeleteDC(memoryDC_);
        memoryDC_ = nullptr;
    }
    if (canvas_) DeleteObject(canvas_);
    canvas_ = nullptr;
    previous_ = nullptr;
    // A class DC (CS_OWNDC) lives with its window; nothing to release.
    windowDC_ = nullptr;
}
