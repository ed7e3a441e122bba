#include "authoring/media/image_preview_win32.h"

#include <vector>

#include "authoring/media/media_lists.h"
#include "authoring/media/preview_shrink.h"

namespace {
const char kPreviewClass[] = "PlintharImagePreview";
const char kFullScreenClass[] = "PlintharFullScreenPreview";
constexpr UINT kBoxId = 1;
} // namespace

bool CImagePreview::Create(const RECT& rect, HWND parent, UINT id, DWORD exStyle) {
    if (!CWindow::Create(kPreviewClass, 0, exStyle, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                         "", rect.left, rect.top, rect.right - rect.left,
                         rect.bottom - rect.top, parent,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id))))
        return false;
    return CreateBox();
}

bool CImagePreview::CreateBox() {
    // Disabled, so that clicks fall through to the area (the full-screen
    // preview closes on them); the canvas needs no input of its own.
    RECT r = {0, 0, 1, 1};
    return box_.Create(r, WS_CHILD | WS_DISABLED, Handle(), kBoxId);
}

bool CImagePreview::Show(const std::string& path) {
    CDibImage image;
    if (!image.LoadFrame(path.c_str(), 0)) {
        Clear();
        error_ = image.error ? image.error : kDibErrReadData;
        return false;
    }
    return Show(image);
}

bool CImagePreview::Show(CDibImage& image) {
    Clear();
    if (!Handle() || !box_.Handle()) {
        error_ = kDibErrHandle;
        return false;
    }
    if (!image.bits) {
        error_ = image.error ? image.error : kDibErrHandle;
        return false;
    }
    RECT client;
    GetClientRect(Handle(), &client);
    media::PreviewBox place;
    if (!media::PlacePreview(image.width, image.height, client.right, client.bottom, &place)) {
        error_ = kDibErrHandle;
        return false;
    }
    SetWindowPos(box_.Handle(), nullptr, place.x, place.y, place.width, place.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    if (!box_.CanvasDC() || !box_.CanvasBitmap()) {
        error_ = kDibErrMemory;
        return false;
    }
    if (!DrawFitted(image, place.width, place.height)) {
        error_ = image.error ? image.error : kDibErrHandle;
        return false;
    }
    InvalidateRect(box_.Handle(), nullptr, FALSE);
    ShowWindow(box_.Handle(), SW_SHOWNA);
    return true;
}

bool CImagePreview::DrawFitted(CDibImage& image, int width, int height) {
    HDC dc = box_.CanvasDC();
    std::vector<uint8_t> small;
    // On a true-colour display a shrunken picture is averaged down here, which
    // is both faster and smoother than letting the display drop pixels.
    if (GetDeviceCaps(dc, BITSPIXEL) > 8 && (width < image.width || height < image.height) &&
        media::ShrinkImage(image, width, height, &small)) {
        box_.SetPalette(nullptr);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        return SetDIBitsToDevice(dc, 0, 0, DWORD(width), DWORD(height), 0, 0, 0, UINT(height),
                                 small.data(), &info, DIB_RGB_COLORS) != 0;
    }
    box_.SetPalette(image.MakePalette());
    RECT dest = {0, 0, width, height};
    return image.Draw(dc, &dest, nullptr, 0);
}

void CImagePreview::Clear() {
    error_ = 0;
    if (box_.Handle()) ShowWindow(box_.Handle(), SW_HIDE);
}

bool CImagePreview::OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg == WM_ERASEBKGND) {
        HDC dc = reinterpret_cast<HDC>(wp);
        RECT r;
        GetClientRect(Handle(), &r);
        if (ownColour_) {
            HBRUSH brush = CreateSolidBrush(background_);
            FillRect(dc, &r, brush);
            DeleteObject(brush);
        } else {
            FillRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
        }
        result = 1;
        return true;
    }
    return false;
}

CFullScreenPreview& CFullScreenPreview::Get() {
    static CFullScreenPreview preview;
    return preview;
}

bool CFullScreenPreview::ShowFullScreen(CDibImage& image) {
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    if (!Handle()) {
        SetBackground(RGB(0, 0, 0));
        if (!CWindow::Create(kFullScreenClass, 0, WS_EX_TOPMOST | WS_EX_TOOLWINDOW,
                             WS_POPUP | WS_CLIPCHILDREN, "", 0, 0, w, h, nullptr) ||
            !CreateBox())
            return false;
    }
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, w, h, SWP_NOACTIVATE);
    if (!Show(image)) return false;
    if (!cursorHidden_) {
        ShowCursor(FALSE);
        cursorHidden_ = true;
    }
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    UpdateWindow(Handle());
    return true;
}

void CFullScreenPreview::Dismiss() {
    if (cursorHidden_) {
        ShowCursor(TRUE);
        cursorHidden_ = false;
    }
    if (Handle()) ShowWindow(Handle(), SW_HIDE);
}

bool CFullScreenPreview::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_MOUSEACTIVATE:
        Dismiss();
        result = MA_NOACTIVATEANDEAT;
        return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
        Dismiss();
        result = 0;
        return true;
    case WM_CLOSE:
        Dismiss();
        result = 0;
        return true;
    }
    return CImagePreview::OnMessage(msg, wp, lp, result);
}
