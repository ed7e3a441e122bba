#include "setup/installer/setup_app_win32.h"

#include <commctrl.h>

#include "builder/package/handle_source_win32.h"
#include "common/paths.h"
#include "setup/installer/installer_ids.h"
#include "setup/installer/package_install.h"
#include "win32/application.h"
#include "win32/handles.h"

namespace {

// A plain window over the whole screen in the workspace colour, with the
// installer's title written large at its top left.
class CBackdropWindow : public CWindow {
  protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
        switch (msg) {
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(Handle(), &r);
            FillRect(reinterpret_cast<HDC>(wp), &r, GetSysColorBrush(COLOR_APPWORKSPACE));
            result = 1;
            return true;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle(), &ps);
            char text[600];
            GetWindowTextA(Handle(), text, sizeof text);
            GdiObject<HFONT> font(CreateFontA(-40, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE,
                                              ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                              DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                                              "Times New Roman"));
            SelectGuard sel(dc, font.Get());
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(0, 0, 0));
            TextOutA(dc, 23, 19, text, int(strlen(text)));
            SetTextColor(dc, RGB(255, 255, 255));
            TextOutA(dc, 20, 16, text, int(strlen(text)));
            EndPaint(Handle(), &ps);
            result = 0;
            return true;
        }
        case WM_CLOSE:
            // No close item: the wizard decides when Setup ends.
            result = 0;
            return true;
        }
        return false;
    }
};

std::string OwnPath() {
    char buf[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

} // namespace

bool CheckOwnPackage(const std::string& path, SetupInfo& info) {
    ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    uint64_t size = 0;
    if (!file.Valid() || !HandleFileSize(file.Get(), size)) return false;
    HandleSource source(file.Get());
    PackageReader reader(source, size);
    if (reader.Open() != PackageResult::Ok) return false;
    const PackageTrailer& t = reader.Trailer();
    // The name becomes the program group that is deleted and made again, and
    // folders and files beside the saver: "", "..", "\" or ":" would reach
    // outside them.
    if (!IsInstallableSaverName(t.saverName)) return false;
    // A company with "\" would put the saver's key elsewhere under "Software",
    // and the uninstaller would refuse the data naming it.
    if (!IsInstallableCompanyName(t.company)) return false;
    info.saverName = t.saverName;
    info.version = t.version;
    info.author = t.author;
    info.company = t.company;
    info.totalSize = t.totalUncompressed;
    info.packagePath = path;
    info.setupDir = DirectoryPart(path);
    return true;
}

int InitInstance(HINSTANCE inst) {
    Application& app = Application::Get();
    app.SetInstance(inst);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);

    SetupInfo info;
    info.productName = app.LoadText(IDS_PRODUCT_NAME);
    info.uninstallDataName = app.LoadText(IDS_UNINSTALL_DATA);
    if (info.uninstallDataName.empty()) info.uninstallDataName = "Uninstall.dat";
    app.SetTitle("Setup");
    if (!CheckOwnPackage(OwnPath(), info)) {
        app.ShowError("Fail to initialize.  The setup file may be invalid.");
        return 1;
    }
    std::string title = info.saverName + " Setup";
    app.SetTitle(title);

    CBackdropWindow backdrop;
    if (backdrop.Create("PlintharSetupBackdrop", CS_HREDRAW | CS_VREDRAW | CS_NOCLOSE, 0,
                        WS_OVERLAPPEDWINDOW, title.c_str(), 0, 0, GetSystemMetrics(SM_CXSCREEN),
                        GetSystemMetrics(SM_CYSCREEN), nullptr)) {
        HICON icon = LoadIconA(inst, MAKEINTRESOURCEA(IDI_SETUP));
        SendMessageA(backdrop.Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        ShowWindow(backdrop.Handle(), SW_SHOW);
        UpdateWindow(backdrop.Handle());
        app.SetMainWindow(backdrop.Handle());
    }
    CSetupSheet sheet(info);
    sheet.Run(inst, backdrop.Handle());
    app.SetMainWindow(nullptr);
    backdrop.Destroy();
    return 0;
}
