// CColorPicker turns an owner-drawn drop-down combo box of a dialog
// (CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED) into a colour button: it shows the
// current colour as a swatch and, when opened, a CColorPopup with 64 colours
// and a "More Colors..." button.  After the popup closes the parent gets
// WM_NOTIFY with code kColorChanged from the combo, also when the popup was
// dismissed without a choice.
#pragma once

#include <windows.h>

#include "authoring/color_palette.h"
#include "win32/handles.h"

class CColorPopup {
  public:
    // Shows the popup with its top-left at `at` (screen) and runs it modally:
    // a cell click, "More Colors..." (or the key "m") with the colour dialog,
    // a click outside or Escape end it.  Returns the value it ends with.
    ColorValue Run(HWND owner, POINT at, const ColorValue& start);
    // The popup's window while it runs (tests find it through its class).
    static constexpr const char* kClassName = "PlintharColorPopup";

  private:
    static LRESULT CALLBACK Procedure(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void Paint(HDC dc);
    void SetHot(const PopupHit& hit);
    void DrawHotFrame(HDC dc, const PopupHit& hit, bool show);
    void Finish();
    void ChooseMore(bool preselect);
    void MouseUp(int x, int y);

    PopupLayout layout_;
    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    GdiObject<HFONT> font_;
    ColorValue value_;
    PopupHit hot_;
    bool done_ = false;
    bool pressSeen_ = false;
};

class CColorPicker {
  public:
    static constexpr UINT kColorChanged = 9999;

    CColorPicker() = default;
    ~CColorPicker();
    CColorPicker(const CColorPicker&) = delete;
    CColorPicker& operator=(const CColorPicker&) = delete;

    // Takes over the combo box `id` of `dialog`; false when there is none.
    bool Attach(HWND dialog, int id);
    void Detach();
    const ColorValue& Value() const { return value_; }
    // Takes the whole block; the control repaints.
    void SetValue(const ColorValue& v);
    HWND Handle() const { return combo_; }
    // Opens the popup as a click on the control does.
    void OpenPopup();

  private:
    static LRESULT CALLBACK ComboProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                      DWORD_PTR data);
    static LRESULT CALLBACK ParentProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR data);
    void DrawItem(const DRAWITEMSTRUCT& d);

    HWND combo_ = nullptr;
    HWND parent_ = nullptr;
    int id_ = 0;
    bool opening_ = false;
    ColorValue value_;
    CColorPopup popup_;
};
