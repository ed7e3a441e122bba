// CImagePreview: the area in which the Images page and the image open dialog
// show a picture.  A child window painted in one colour (the button-shadow
// colour unless told otherwise) holding one canvas window that is sized to the
// picture and centred: a picture smaller than the area keeps its size, a
// larger one shrinks to fit with its aspect ratio.
#pragma once

#include <windows.h>

#include <string>

#include "imaging/dib_image.h"
#include "imaging/picture_box_win32.h"
#include "win32/window.h"

class CImagePreview : public CWindow {
  public:
    CImagePreview() = default;
    ~CImagePreview() override = default;

    // A child of `parent` over `rect` with the extended style given (the edges).
    bool Create(const RECT& rect, HWND parent, UINT id, DWORD exStyle = WS_EX_CLIENTEDGE);

    // Loads frame 0 of the file and shows it; false (the area left empty) when
    // the file cannot be loaded or drawn: `error` and ErrorText(error) say why.
    bool Show(const std::string& path);
    // Shows an image already loaded.
    bool Show(CDibImage& image);
    // Hides the picture: only the area's colour remains.
    void Clear();

    int error() const { return error_; }
    bool pictureShown() const { return box_.Handle() && IsWindowVisible(box_.Handle()); }
    HWND pictureWindow() const { return box_.Handle(); }
    // The colour the area is painted in (a COLORREF); the system colour index
    // COLOR_BTNSHADOW when not set.
    void SetBackground(COLORREF colour) { background_ = colour, ownColour_ = true; }

  protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool CreateBox();
    // Draws the picture into the canvas at width x height.
    bool DrawFitted(CDibImage& image, int width, int height);

  private:
    CPictureBox box_;
    int error_ = 0;
    COLORREF background_ = 0;
    bool ownColour_ = false;
};

// The one full-screen preview of the process: a top-most popup the size of the
// screen that shows a picture with the mouse cursor hidden and goes away at a
// click (any button) or a key.
class CFullScreenPreview : public CImagePreview {
  public:
    static CFullScreenPreview& Get();
    // Shows the picture full-screen; false when it cannot be drawn.
    bool ShowFullScreen(CDibImage& image);
    void Dismiss();

  protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  private:
    bool cursorHidden_ = false;
};
