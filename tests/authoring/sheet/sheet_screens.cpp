// Takes a picture of every page of the real program's setup sheet at the
// settings of a fresh installation, of the colour popup and of the about box:
//   sheet_screens OUTPUT_FOLDER
// writes sheet-<page>.ppm files there (scripts/screenshots turns them into PNG).
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "app/album.h"
#include "authoring/authoring_ids.h"
#include "authoring/color_picker_win32.h"
#include "tests/harness/win_harness.h"

namespace {

struct Found {
    DWORD pid;
    const char* cls;
    HWND w = nullptr;
};

BOOL CALLBACK FindByClass(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<Found*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (pid == f->pid && IsWindowVisible(w) && lstrcmpA(cls, f->cls) == 0) {
        f->w = w;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForClass(DWORD pid, const char* cls) {
    Found f{pid, cls};
    harness::PumpUntil(
        [&] {
            EnumWindows(FindByClass, reinterpret_cast<LPARAM>(&f));
            return f.w != nullptr;
        },
        10000);
    return f.w;
}

// The screen's rectangle r as a binary pixmap.
bool Save(const RECT& r, const std::string& path) {
    int w = r.right - r.left, h = r.bottom - r.top;
    harness::Surface32 shot(w, h);
    shot.GrabScreen(r.left, r.top);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = shot.At(x, y);
            unsigned char rgb[3] = {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)};
            std::fwrite(rgb, 1, 3, f);
        }
    std::fclose(f);
    std::printf("%s\n", path.c_str());
    return true;
}

std::string FileWord(std::string caption) {
    std::string out;
    for (char c : caption) {
        if (c == '&') continue;
        out += c == ' ' ? '-' : char(tolower(uint8_t(c)));
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: sheet_screens OUTPUT_FOLDER\n");
        return 2;
    }
    std::string out = argv[1];
    std::string dir = harness::MakeTempDir("sheet-screens");
    std::string kit = harness::BinaryDir() + "\\kit\\";
    if (!harness::CopyFileTo(kit + "Plinthar.exe", dir + "\\Plinthar.exe") ||
        !harness::CopyFileTo(kit + "Plinthar.ini", dir + "\\Plinthar.ini")) {
        std::fprintf(stderr, "no kit in %s\n", kit.c_str());
        return 1;
    }
    std::vector<uint8_t> album = EncodeAlbum({}, {});
    harness::WriteFileBytes(dir + "\\Plinthar.alb", std::string(album.begin(), album.end()));
    harness::SetInstallDirectory("Quorvane", "Plinthar", dir);

    // The pointer out of the way: no tooltip in the pictures.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    harness::RunningProgram program(dir + "\\Plinthar.exe", "/c");
    HWND sheet = program.WaitForWindow("Plinthar Setup - Plinthar.alb");
    if (!sheet) {
        std::fprintf(stderr, "the sheet did not open\n");
        return 1;
    }
    SetWindowPos(sheet, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    harness::PumpFor(800);
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    int pages = int(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    RECT sheetRect;
    GetWindowRect(sheet, &sheetRect);
    for (int i = 0; i < pages; ++i) {
        SendMessageA(sheet, PSM_SETCURSEL, WPARAM(i), 0);
        harness::PumpFor(800);
        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        char caption[64] = {};
        GetWindowTextA(page, caption, sizeof caption);
        Save(sheetRect, out + "\\sheet-" + FileWord(caption) + ".ppm");
    }

    // The colour popup of the background colour, with a hot cell.
    SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    harness::PumpFor(300);
    HWND options = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    HWND combo = GetDlgItem(options, IDC_BACK_COLOR);
    PostMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    HWND popup = WaitForClass(program.Id(), CColorPopup::kClassName);
    if (popup) {
        PostMessageA(popup, WM_MOUSEMOVE, 0, MAKELPARAM(8 + 3 * 17 + 5, 10 + 2 * 17 + 5));
        harness::PumpFor(500);
        RECT p, both;
        GetWindowRect(popup, &p);
        UnionRect(&both, &sheetRect, &p);
        Save(both, out + "\\sheet-color-popup.ppm");
        PostMessageA(combo, WM_KEYDOWN, VK_ESCAPE, 0);
        harness::PumpFor(300);
    }

    // The about box.
    PostMessageA(options, WM_COMMAND, MAKEWPARAM(IDC_ABOUT, BN_CLICKED), 0);
    harness::PumpFor(800);
    HWND about = program.WaitForWindow("About Plinthar", 5000);
    if (about) {
        RECT r;
        GetWindowRect(about, &r);
        Save(r, out + "\\sheet-about.ppm");
        PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        harness::PumpFor(300);
    }
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    program.WaitForExit(10000);
    harness::DeleteInstallDirectory("Quorvane", "Plinthar");
    return 0;
}
