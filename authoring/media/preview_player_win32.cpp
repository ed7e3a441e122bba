#include "authoring/media/preview_player_win32.h"

#include <commctrl.h>

#include "authoring/media/media_lists.h"
#include "authoring/media/media_resource.h"
#include "common/paths.h"

namespace {
const char kDisplayClass[] = "PlintharPlayerDisplay";
constexpr int kBarRange = 30000;  // track bars hold 16-bit ranges on old systems
}  // namespace

bool CPlayerDisplay::Create(const RECT& rect, HWND parent, UINT id) {
    if (!CWindow::Create(kDisplayClass, 0, WS_EX_CONTROLPARENT,
                         WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, "", rect.left,
                         rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id))))
        return false;
    font_ = reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0));
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    // Two buttons at the right, the position bar filling the rest.
    int buttonW = (w >= 200) ? 50 : w / 4, buttonH = h < 23 ? h : 23;
    int buttonsX = w - 2 * buttonW - 4;
    HINSTANCE inst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(Handle(), GWLP_HINSTANCE));
    bar_ = CreateWindowExA(0, TRACKBAR_CLASSA, "",
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, 0,
                           (h - buttonH) / 2, buttonsX - 4, buttonH, Handle(),
                           reinterpret_cast<HMENU>(IDC_PLAYER_POSITION), inst, nullptr);
    play_ = CreateWindowExA(0, "BUTTON", "Pla&y", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                            buttonsX, (h - buttonH) / 2, buttonW, buttonH, Handle(),
                            reinterpret_cast<HMENU>(IDC_PLAYER_PLAY), inst, nullptr);
    stop_ = CreateWindowExA(0, "BUTTON", "S&top", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                            buttonsX + buttonW + 4, (h - buttonH) / 2, buttonW, buttonH,
                            Handle(), reinterpret_cast<HMENU>(IDC_PLAYER_STOP), inst, nullptr);
    for (HWND c : {bar_, play_, stop_})
        if (c && font_) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageA(bar_, TBM_SETRANGE, TRUE, MAKELPARAM(0, 0));
    UpdateButtons();
    return bar_ && play_ && stop_;
}

void CPlayerDisplay::SetRange(DWORD length) {
    scale_ = length / kBarRange + 1;
    SendMessageA(bar_, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageA(bar_, TBM_SETRANGEMAX, FALSE, LPARAM(length / scale_));
    SendMessageA(bar_, TBM_SETPOS, TRUE, 0);
}

void CPlayerDisplay::SetPosition(DWORD position) {
    SendMessageA(bar_, TBM_SETPOS, TRUE, LPARAM(position / scale_));
}

void CPlayerDisplay::UpdateButtons() {
    if (!Handle()) return;
    bool loaded = !player_.fileName().empty();
    EnableWindow(play_, loaded && !player_.playing());
    EnableWindow(stop_, player_.playing() || player_.paused());
    EnableWindow(bar_, loaded);
}

bool CPlayerDisplay::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) != BN_CLICKED) return false;
        if (LOWORD(wp) == IDC_PLAYER_PLAY) player_.PlayButton();
        if (LOWORD(wp) == IDC_PLAYER_STOP) player_.StopButton();
        result = 0;
        return true;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lp) == bar_ && !player_.fileName().empty()) {
            int code = LOWORD(wp);
            if (code == TB_ENDTRACK) {
                DWORD pos = DWORD(SendMessageA(bar_, TBM_GETPOS, 0, 0)) * scale_;
                player_.seeking = false;
                if (player_.playing()) player_.Seek(pos);
            } else {
                player_.seeking = true;
            }
        }
        result = 0;
        return true;
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(reinterpret_cast<HDC>(wp), &r, GetSysColorBrush(COLOR_BTNFACE));
        result = 1;
        return true;
    }
    }
    return false;
}

CPreviewPlayer::CPreviewPlayer() : display_(*this) {
    options |= kPlayerReportPosition;
}

CPreviewPlayer::~CPreviewPlayer() { Stop(); }

bool CPreviewPlayer::AttachDisplay(HWND dialog, int placeholderId, int statusId) {
    statusText_ = GetDlgItem(dialog, statusId);
    HWND placeholder = GetDlgItem(dialog, placeholderId);
    if (!placeholder) return false;
    RECT r;
    GetWindowRect(placeholder, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    ShowWindow(placeholder, SW_HIDE);
    if (!display_.Create(r, dialog, placeholderId + 1000)) return false;
    // Keep the display in the placeholder's place of the tab order.
    SetWindowPos(display_.Handle(), placeholder, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

bool CPreviewPlayer::Preview(const std::string& path) {
    if (!media::IsPreviewPlayable(path)) return false;
    bool ok = PlayFile(path.c_str());
    display_.UpdateButtons();
    return ok;
}

void CPreviewPlayer::PlayButton() {
    if (fileName().empty()) return;
    PlayFile(paused() ? nullptr : fileName().c_str());
    display_.UpdateButtons();
}

void CPreviewPlayer::StopButton() {
    Stop();
    display_.SetPosition(0);
    display_.UpdateButtons();
}

void CPreviewPlayer::OnEnd() {
    CSoundPlayer::OnEnd();
    ++ends_;
    display_.SetPosition(0);
    display_.UpdateButtons();
    if (endWindow_ && endMessage_) PostMessageA(endWindow_, endMessage_, 0, 0);
}

void CPreviewPlayer::OnPosition(DWORD position) {
    CSoundPlayer::OnPosition(position);
    display_.SetPosition(position);
}

void CPreviewPlayer::OnOpen(DWORD length) {
    CSoundPlayer::OnOpen(length);
    display_.SetRange(length);
    SetStatus(FileNamePart(fileName()));
}

void CPreviewPlayer::OnError(int code, const char* text) {
    CSoundPlayer::OnError(code, text);
    lastError_ = code;
    SetStatus(text ? text : "");
    display_.UpdateButtons();
}

void CPreviewPlayer::SetStatus(const std::string& text) {
    status_ = text;
    if (statusText_) SetWindowTextA(statusText_, text.c_str());
}
