// The Slideshow page and a created saver's Settings page inside the real setup
// sheet: the sheet runs on the test's main thread as in the program, while a
// second thread works its controls with the messages a user's clicks and keys
// produce, then presses OK or Cancel.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/app_info.h"
#include "app/settings.h"
#include "app/settings_win32.h"
#include "authoring/custom_page_win32.h"
#include "authoring/setup_sheet_win32.h"
#include "authoring/slideshow_page_win32.h"
#include "tests/harness/win_harness.h"
#include "win32/application.h"

namespace {

constexpr DWORD kWait = 15000;

struct ThreadWindows {
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND w, LPARAM lp) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(w))
        reinterpret_cast<ThreadWindows*>(lp)->found.push_back(w);
    return TRUE;
}

// The visible top-level dialogs of a thread.
std::vector<HWND> DialogsOf(DWORD thread) {
    ThreadWindows t;
    EnumThreadWindows(thread, CollectDialog, reinterpret_cast<LPARAM>(&t));
    return t.found;
}

bool WaitFor(const std::function<bool()>& done, DWORD ms = kWait) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(10);
    }
    return true;
}

HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// The sheet's modal loop looks whether it is done only after a posted message,
// which a button pressed from another thread does not leave behind.
void Press(HWND sheet, int button) {
    SendMessageA(sheet, PSM_PRESSBUTTON, WPARAM(button), 0);
    PostMessageA(sheet, WM_NULL, 0, 0);
}
void PressOk(HWND sheet) {
    Press(sheet, PSBTN_OK);
}

// Runs the sheet on this thread; `script` gets the sheet and its first page
// once they are shown.  Whatever the script leaves open is cancelled.
INT_PTR RunDriven(CSetupSheet& sheet, const std::function<void(HWND sheet, HWND page)>& script) {
    DWORD ui = GetCurrentThreadId();
    std::thread driver([&] {
        HWND w = nullptr;
        bool shown = WaitFor([&] {
            std::vector<HWND> d = DialogsOf(ui);
            w = d.empty() ? nullptr : d.front();
            return w && CurrentPage(w);
        });
        EXPECT_TRUE(shown) << "the sheet did not open";
        if (!shown) return;
        script(w, CurrentPage(w));
        if (IsWindow(w) && CurrentPage(w)) Press(w, PSBTN_CANCEL);
    });
    INT_PTR result = sheet.Run(nullptr);
    driver.join();
    return result;
}

bool Checked(HWND page, int id) {
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}
void SetBox(HWND page, int id, bool on) {
    SendDlgItemMessageA(page, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}
// A click: visible boxes take BM_CLICK; the hidden ones get the notification
// their click would send.
void Click(HWND page, int id) {
    HWND box = GetDlgItem(page, id);
    if (IsWindowVisible(box) && IsWindowEnabled(box)) {
        SendMessageA(box, BM_CLICK, 0, 0);
    } else {
        bool on = Checked(page, id);
        SetBox(page, id, !on);
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(box));
    }
}
std::string Text(HWND page, int id) {
    char buf[1024] = {};
    GetDlgItemTextA(page, id, buf, sizeof buf);
    return buf;
}
void SetText(HWND page, int id, const char* text) {
    SendDlgItemMessageA(page, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}
bool RowTicked(HWND page, int row) {
    LRESULT state = SendDlgItemMessageA(page, CSlideShowPage::kEffectListId, LVM_GETITEMSTATE,
                                        WPARAM(row), LVIS_STATEIMAGEMASK);
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}
std::string ComboText(HWND page, int id) {
    HWND combo = GetDlgItem(page, id);
    LRESULT sel = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR) return "<none>";
    char buf[64] = {};
    SendMessageA(combo, CB_GETLBTEXT, WPARAM(sel), reinterpret_cast<LPARAM>(buf));
    return buf;
}

// A private installation for each test: settings file, album, identity record.
class PagesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Application::Get().SetInstance(GetModuleHandleA(nullptr));
        Application::Get().SetTitle("Plinthar");
        dir_ =
            harness::MakeTempDir(std::string("pages-") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        g_InstallDir = dir_;
        g_IniPath = dir_ + "\\Plinthar.ini";
        g_Settings = Settings();
        g_Settings.options.AlbumFile = dir_ + "\\Plinthar.alb";
        g_AppInfo = KitDefaults("Tester");
    }
    std::string Ini(const char* section, const char* key) {
        return harness::ReadIni(g_IniPath, section, key);
    }
    std::string dir_;
};

using SlideshowPage = PagesTest;

TEST_F(SlideshowPage, LoadsEverySettingAndSavesItBackAfterOk) {
    std::string check = kDefaultCheckString;
    const char pattern[] = "01101001011110100"; // positions 16..32
    for (int p = 16; p <= 32; ++p)
        check[size_t(p)] = pattern[p - 16];
    check[37] = '0';
    g_Settings.options.CheckString = check;
    std::string effects = "1010011100"
                          "0000000000"
                          "1111111111"
                          "0110";
    g_Settings.slide.Effects = effects;
    g_Settings.slide.Speed = 37;
    g_Settings.slide.Duration = 42;
    g_Settings.slide.FrameThickness = 3;
    g_Settings.slide.FrameColor = 0x00123456;

    CSetupSheet sheet("Plinthar", false);
    CSlideShowPage page;
    sheet.AddPage(SheetSlot::Slideshow, &page);
    INT_PTR r = RunDriven(sheet, [&](HWND w, HWND p) {
        for (int pos = 16; pos <= 32; ++pos)
            EXPECT_EQ(Checked(p, 10000 + pos), check[size_t(pos)] == '1') << pos;
        EXPECT_FALSE(Checked(p, 10037));
        EXPECT_EQ(SendDlgItemMessageA(p, CSlideShowPage::kEffectListId, LVM_GETITEMCOUNT, 0, 0),
                  34);
        for (int row = 0; row < 34; ++row)
            EXPECT_EQ(RowTicked(p, row), effects[size_t(row)] == '1') << row;
        EXPECT_EQ(SendDlgItemMessageA(p, CSlideShowPage::kSpeedId, TBM_GETPOS, 0, 0), 37);
        EXPECT_EQ(Text(p, CSlideShowPage::kDurationEditId), "42");
        EXPECT_EQ(ComboText(p, CSlideShowPage::kThicknessId), "Medium"); // 3 has no entry
        PressOk(w);
    });
    EXPECT_GT(r, 0);
    EXPECT_EQ(g_Settings.options.CheckString, check);
    EXPECT_EQ(g_Settings.slide.Effects, effects);
    EXPECT_EQ(g_Settings.slide.Speed, 37);
    EXPECT_EQ(g_Settings.slide.Duration, 42);
    EXPECT_EQ(g_Settings.slide.FrameThickness, 4);
    EXPECT_EQ(g_Settings.slide.FrameColor, 0x00123456);
    // The sheet wrote the settings file when it closed.
    EXPECT_EQ(Ini("Options", "CheckString"), check);
    EXPECT_EQ(Ini("Slide", "Effects"), effects);
    EXPECT_EQ(Ini("Slide", "FrameThickness"), "4");
    EXPECT_EQ(Ini("Slide", "Speed"), "37");
    EXPECT_EQ(Ini("Slide", "Duration"), "42");
    EXPECT_EQ(Ini("Slide", "FrameColor"), std::to_string(0x00123456));
}

TEST_F(SlideshowPage, ClicksClearTheExcludedBoxes) {
    struct Case {
        std::vector<int> before; // boxes set before the click (others clear)
        int clicked;
        std::vector<int> after;
    } cases[] = {
        {{10025}, 10026, {10026}},
        {{10025}, 10027, {10027}},
        {{10026, 10027, 10028}, 10025, {10025, 10028}},
        {{10025, 10027}, 10026, {10026, 10027}},
        {{10026, 10027}, 10026, {10027}}, // clearing stretch keeps shrink
        {{10025, 10028}, 10028, {10025}},
        {{10017, 10018, 10024}, 10016, {10016}},
        {{10016}, 10021, {10021}},
        {{10016, 10029}, 10030, {10016, 10029, 10030}},
        {{10031}, 10032, {10031, 10032}},
    };
    CSetupSheet sheet("Plinthar", false);
    CSlideShowPage page;
    sheet.AddPage(SheetSlot::Slideshow, &page);
    RunDriven(sheet, [&](HWND, HWND p) {
        for (const Case& c : cases) {
            for (int id = 10016; id <= 10032; ++id)
                SetBox(p, id, false);
            for (int id : c.before)
                SetBox(p, id, true);
            Click(p, c.clicked);
            std::vector<int> set;
            for (int id = 10016; id <= 10032; ++id)
                if (Checked(p, id)) set.push_back(id);
            EXPECT_EQ(set, c.after) << "click " << c.clicked;
        }
    });
}

TEST_F(SlideshowPage, SetAllAndClearAllTickEveryEffect) {
    struct Case {
        int button;
        const char* saved;
    } cases[] = {{CSlideShowPage::kClearAllId, "0"}, {CSlideShowPage::kSetAllId, "1"}};
    for (const Case& c : cases) {
        g_Settings.slide.Effects = "0110" + std::string(30, '1');
        CSetupSheet sheet("Plinthar", false);
        CSlideShowPage page;
        sheet.AddPage(SheetSlot::Slideshow, &page);
        RunDriven(sheet, [&](HWND w, HWND p) {
            SendDlgItemMessageA(p, c.button, BM_CLICK, 0, 0);
            for (int row = 0; row < 34; ++row)
                EXPECT_EQ(RowTicked(p, row), *c.saved == '1');
            PressOk(w);
        });
        EXPECT_EQ(g_Settings.slide.Effects, std::string(34, *c.saved));
        EXPECT_EQ(Ini("Slide", "Effects"), std::string(34, *c.saved));
    }
}

TEST_F(SlideshowPage, ThicknessSecondsAndSpeedAsEntered) {
    struct Case {
        int thicknessEntry;  // list entry picked
        const char* seconds; // text typed into the seconds field
        int speed;
        int savedThickness, savedSeconds;
    } cases[] = {
        {0, "1", 1, 0, 1}, {1, "100", 100, 1, 100}, {2, "7", 50, 2, 7},
        {3, "", 20, 4, 5}, {4, "abc", 2, 6, 5},     {5, "12", 99, 8, 12},
    };
    for (const Case& c : cases) {
        CSetupSheet sheet("Plinthar", false);
        CSlideShowPage page;
        sheet.AddPage(SheetSlot::Slideshow, &page);
        RunDriven(sheet, [&](HWND w, HWND p) {
            HWND combo = GetDlgItem(p, CSlideShowPage::kThicknessId);
            SendMessageA(combo, CB_SETCURSEL, WPARAM(c.thicknessEntry), 0);
            SendMessageA(p, WM_COMMAND, MAKEWPARAM(CSlideShowPage::kThicknessId, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(combo));
            SetText(p, CSlideShowPage::kDurationEditId, c.seconds);
            SendDlgItemMessageA(p, CSlideShowPage::kSpeedId, TBM_SETPOS, TRUE, c.speed);
            PressOk(w);
        });
        EXPECT_EQ(g_Settings.slide.FrameThickness, c.savedThickness) << c.thicknessEntry;
        EXPECT_EQ(g_Settings.slide.Duration, c.savedSeconds) << '"' << c.seconds << '"';
        EXPECT_EQ(g_Settings.slide.Speed, c.speed);
    }
}

TEST_F(SlideshowPage, CancelKeepsTheSettingsAndWritesNothing) {
    Settings before = g_Settings;
    CSetupSheet sheet("Plinthar", false);
    CSlideShowPage page;
    sheet.AddPage(SheetSlot::Slideshow, &page);
    INT_PTR r = RunDriven(sheet, [&](HWND, HWND p) {
        SendDlgItemMessageA(p, CSlideShowPage::kClearAllId, BM_CLICK, 0, 0);
        Click(p, 10025);
        SetText(p, CSlideShowPage::kDurationEditId, "77");
    });
    EXPECT_EQ(r, 0);
    EXPECT_EQ(g_Settings.slide.Effects, before.slide.Effects);
    EXPECT_EQ(g_Settings.options.CheckString, before.options.CheckString);
    EXPECT_EQ(g_Settings.slide.Duration, before.slide.Duration);
    EXPECT_EQ(GetFileAttributesA(g_IniPath.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SlideshowPage, FrameColorComesFromThePicker) {
    g_Settings.slide.FrameColor = 0x000000FF;
    CSetupSheet sheet("Plinthar", false);
    CSlideShowPage page;
    sheet.AddPage(SheetSlot::Slideshow, &page);
    RunDriven(sheet, [&](HWND w, HWND p) {
        // Opening the combo opens the picker's popup; a click on a cell picks its colour.
        SendDlgItemMessageA(p, CSlideShowPage::kFrameColorId, CB_SHOWDROPDOWN, TRUE, 0);
        HWND popup = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            popup = FindWindowA(CColorPopup::kClassName, nullptr);
            return popup && IsWindowVisible(popup);
        }));
        PopupLayout layout;
        PopupRect cell = layout.Cell(3, 0); // pure blue
        LPARAM at = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
        PostMessageA(popup, WM_MOUSEMOVE, 0, at);
        PostMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(popup, WM_LBUTTONUP, 0, at);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(popup); }));
        PressOk(w);
    });
    EXPECT_EQ(g_Settings.slide.FrameColor, 0x00FF0000);
    EXPECT_EQ(Ini("Slide", "FrameColor"), std::to_string(0x00FF0000));
}

// Every caption of a page fits its control in the dialog's font, and every
// visible mnemonic is unique on the page.
void ExpectTidyPage(HWND page) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0));
    HDC dc = GetDC(page);
    HGDIOBJ old = SelectObject(dc, font);
    std::vector<char> mnemonics;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c)) continue;
        char cls[32] = {};
        GetClassNameA(c, cls, sizeof cls);
        LONG style = GetWindowLongA(c, GWL_STYLE);
        char buf[256] = {};
        GetWindowTextA(c, buf, sizeof buf);
        std::string text = buf;
        if (lstrcmpiA(cls, "Button") != 0 && lstrcmpiA(cls, "Static") != 0) continue;
        size_t amp = text.find('&');
        bool prefix = !(lstrcmpiA(cls, "Static") == 0 && (style & SS_NOPREFIX));
        if (prefix && amp != std::string::npos && amp + 1 < text.size())
            mnemonics.push_back(char(tolower(static_cast<unsigned char>(text[amp + 1]))));
        if (text.empty() || (style & 0x0F) == BS_GROUPBOX) continue;
        RECT need = {0, 0, 0, 0};
        DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
        RECT have;
        GetClientRect(c, &have);
        LONG kind = style & 0x0F;
        int box = lstrcmpiA(cls, "Button") == 0 && kind != BS_PUSHBUTTON &&
                          kind != BS_DEFPUSHBUTTON && kind != BS_OWNERDRAW
                      ? GetSystemMetrics(SM_CXMENUCHECK) + 4
                      : 0;
        EXPECT_LE(need.right + box, have.right) << '"' << text << '"';
    }
    std::vector<char> sorted = mnemonics;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end())
        << "mnemonics: " << std::string(mnemonics.begin(), mnemonics.end());
    SelectObject(dc, old);
    ReleaseDC(page, dc);
}

TEST_F(PagesTest, LabelsFitAndMnemonicsAreUnique) {
    {
        CSetupSheet sheet("Plinthar", false);
        CSlideShowPage page;
        sheet.AddPage(SheetSlot::Slideshow, &page);
        RunDriven(sheet, [&](HWND, HWND p) {
            ExpectTidyPage(p);
            // Every effect name is shown whole beside its check box.
            HWND list = GetDlgItem(p, CSlideShowPage::kEffectListId);
            int column = int(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
            for (int e = 0; e < 34; ++e) {
                char name[64] = {};
                LVITEMA item = {};
                item.iSubItem = 0;
                item.pszText = name;
                item.cchTextMax = sizeof name;
                SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(e), reinterpret_cast<LPARAM>(&item));
                int width =
                    int(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(name)));
                EXPECT_LE(width + 2 * GetSystemMetrics(SM_CXSMICON), column) << name;
            }
        });
    }
    g_AppInfo.AppName = "A Screen Saver With A Rather Long Name";
    g_AppInfo.Version = "10.25";
    g_AppInfo.Company = "Company With A Long Name, Incorporated";
    g_AppInfo.Year = 2026;
    g_AppInfo.Flags = kAppFlagCreatedSaver;
    CSetupSheet sheet("Saver", true);
    CCustomPage page;
    sheet.AddPage(SheetSlot::Settings, &page);
    RunDriven(sheet, [&](HWND, HWND p) { ExpectTidyPage(p); });
}

using SettingsPage = PagesTest;

TEST_F(SettingsPage, CreditLinesFromTheRecord) {
    struct Case {
        const char* name;
        const char* version;
        uint32_t year;
        const char* company;
        const char* nameLine;
        const char* copyright;
    } cases[] = {
        {"Sunset Dreams", "1.0", 2026, "Acme", "Sunset Dreams 1.0", "Copyright \xA9 2026 Acme"},
        {"Quiet", "", 1999, "Small & Co", "Quiet ", "Copyright \xA9 1999 Small & Co"},
    };
    for (const Case& c : cases) {
        g_AppInfo.AppName = c.name;
        g_AppInfo.Version = c.version;
        g_AppInfo.Year = c.year;
        g_AppInfo.Company = c.company;
        g_AppInfo.Flags = kAppFlagCreatedSaver;
        CSetupSheet sheet(c.name, true);
        CCustomPage page;
        sheet.AddPage(SheetSlot::Settings, &page);
        RunDriven(sheet, [&](HWND, HWND p) {
            EXPECT_EQ(Text(p, CCustomPage::kNameLineId), c.nameLine);
            EXPECT_EQ(Text(p, CCustomPage::kCopyrightLineId), c.copyright);
        });
    }
}

TEST_F(SettingsPage, EightBoxesAndTheSecondsRoundTrip) {
    g_AppInfo.AppName = "Sunset Dreams";
    g_AppInfo.Flags = kAppFlagCreatedSaver;
    std::string check = kDefaultCheckString;
    // Every box flips; the hidden keyboard box keeps its value.
    std::string expected = check;
    for (int id : {10000, 10001, 10002, 10003, 10005, 10006, 10034})
        expected[size_t(id - 10000)] = check[size_t(id - 10000)] == '1' ? '0' : '1';
    // Alphabetize (5) was off and randomize (6) on: flipping both in this order
    // leaves alphabetize on and randomize off, as the exclusion does anyway.
    g_Settings.slide.Duration = 9;
    CSetupSheet sheet("Sunset Dreams", true);
    CCustomPage page;
    sheet.AddPage(SheetSlot::Settings, &page);
    RunDriven(sheet, [&](HWND w, HWND p) {
        for (int id : {10000, 10001, 10002, 10003, 10004, 10005, 10006, 10034})
            EXPECT_EQ(Checked(p, id), check[size_t(id - 10000)] == '1') << id;
        EXPECT_EQ(Text(p, CCustomPage::kDurationEditId), "9");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(p, 10004)));
        for (int id : {10000, 10001, 10002, 10003, 10006, 10005, 10034})
            Click(p, id);
        SetText(p, CCustomPage::kDurationEditId, "33");
        PressOk(w);
    });
    EXPECT_EQ(g_Settings.options.CheckString, expected);
    EXPECT_EQ(g_Settings.slide.Duration, 33);
    EXPECT_EQ(Ini("Options", "CheckString"), expected);
    EXPECT_EQ(Ini("Slide", "Duration"), "33");
}

TEST_F(SettingsPage, AlphabetizeAndRandomizeExcludeEachOther) {
    struct Case {
        bool alpha, random; // before
        int clicked;
        bool alphaAfter, randomAfter;
    } cases[] = {
        {true, false, 10006, false, true},  {false, true, 10005, true, false},
        {true, false, 10005, false, false}, {false, true, 10006, false, false},
        {false, false, 10005, true, false}, {true, false, 10000, true, false},
    };
    g_AppInfo.Flags = kAppFlagCreatedSaver;
    CSetupSheet sheet("Saver", true);
    CCustomPage page;
    sheet.AddPage(SheetSlot::Settings, &page);
    RunDriven(sheet, [&](HWND, HWND p) {
        for (const Case& c : cases) {
            SetBox(p, 10005, c.alpha);
            SetBox(p, 10006, c.random);
            Click(p, c.clicked);
            EXPECT_EQ(Checked(p, 10005), c.alphaAfter) << c.clicked;
            EXPECT_EQ(Checked(p, 10006), c.randomAfter) << c.clicked;
        }
    });
}

std::vector<std::string> g_opened;
bool g_openSucceeds = true;
bool RecordOpen(HWND, const char* address) {
    g_opened.push_back(address);
    return g_openSucceeds;
}

TEST_F(SettingsPage, TheLinkOpensTheHomePage) {
    g_AppInfo.Flags = kAppFlagCreatedSaver;
    CCustomPage::SetLinkOpener(RecordOpen);
    g_opened.clear();
    for (bool succeeds : {true, false}) {
        g_openSucceeds = succeeds;
        CSetupSheet sheet("Saver", true);
        CCustomPage page;
        sheet.AddPage(SheetSlot::Settings, &page);
        std::string boxText;
        RunDriven(sheet, [&](HWND w, HWND p) {
            HWND link = GetDlgItem(p, CCustomPage::kLinkId);
            RECT r;
            GetClientRect(link, &r);
            if (succeeds) { // a click
                LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
                PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, at);
                PostMessageA(link, WM_LBUTTONUP, 0, at);
            } else { // the keyboard: the link takes the focus and the space bar
                SendMessageA(p, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(link), TRUE);
                PostMessageA(link, WM_KEYDOWN, VK_SPACE, 0x00390001);
                PostMessageA(link, WM_KEYUP, VK_SPACE, 0xC0390001);
            }
            if (!succeeds) {
                // The failure is reported in a warning box captioned with the title.
                HWND box = nullptr;
                EXPECT_TRUE(WaitFor([&] {
                    for (HWND d : DialogsOf(GetWindowThreadProcessId(w, nullptr)))
                        if (d != w) box = d;
                    return box != nullptr;
                }));
                if (box) {
                    boxText = Text(box, 0xFFFF);
                    SendMessageA(box, WM_COMMAND, IDOK, 0);
                }
            } else {
                EXPECT_TRUE(WaitFor([&] { return !g_opened.empty(); }));
            }
        });
        if (!succeeds) {
            EXPECT_EQ(boxText, "Unable to open https://plinthar.example.org/.");
        }
    }
    CCustomPage::SetLinkOpener(nullptr);
    ASSERT_EQ(g_opened.size(), 2u);
    EXPECT_EQ(g_opened[0], CCustomPage::kHomePage);
}

} // namespace
