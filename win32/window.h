// Base of every window class of the programs: one trampoline per class takes
// `this` from the creation parameters and hands each message to the object.
// Handlers return true when they handled the message.
#pragma once

#include <windows.h>
#include <prsht.h>

class CWindow {
  public:
    CWindow() = default;
    virtual ~CWindow();
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    // Registers `className` once (with the given class style) and creates the window.
    bool Create(const char* className, UINT classStyle, DWORD exStyle, DWORD style,
                const char* text, int x, int y, int w, int h, HWND parent, HMENU menu = nullptr);
    void Destroy();

  protected:
    // result is what the window procedure returns when the message was handled.
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) = 0;
    // Called after WM_NCDESTROY; the handle is gone.
    virtual void OnFinalMessage() {}

  private:
    static LRESULT CALLBACK Procedure(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
};

// Base of modal and modeless dialogs made from a dialog template resource.
class CDialog {
  public:
    virtual ~CDialog() = default;
    HWND Handle() const { return hwnd_; }
    INT_PTR DoModal(HINSTANCE inst, UINT templateId, HWND parent);
    HWND Control(int id) const { return GetDlgItem(hwnd_, id); }

  protected:
    virtual bool OnInit() { return true; }
    virtual bool OnCommand(int id, int code, HWND ctl) {
        (void)id, (void)code, (void)ctl;
        return false;
    }
    virtual bool OnNotify(int id, NMHDR* hdr, LRESULT& result) {
        (void)id, (void)hdr, (void)result;
        return false;
    }
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
        (void)msg, (void)wp, (void)lp, (void)result;
        return false;
    }
    virtual void OnOK() { EndDialog(hwnd_, IDOK); }
    virtual void OnCancel() { EndDialog(hwnd_, IDCANCEL); }
    static INT_PTR CALLBACK Procedure(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
};

// A page of a property sheet: the sheet's notifications become virtual calls.
class CPropertyPage : public CDialog {
  public:
    // Fills the page description for PropertySheetA.
    void Describe(PROPSHEETPAGEA& page, HINSTANCE inst, UINT templateId);

  protected:
    // Return false to keep the sheet open (a value the user must correct).
    virtual bool OnApply() { return true; }
    virtual void OnSetActive() {}
    virtual bool OnKillActive() { return true; }
    virtual void OnReset() {}

  private:
    static INT_PTR CALLBACK PageProcedure(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    bool HandleSheetNotify(NMHDR* hdr, LRESULT& result);
};
