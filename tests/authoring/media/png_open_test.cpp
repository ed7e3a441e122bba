// A PNG picture in the Images page's open dialog: the dialog's own filter
// lists it among the image files and offers it on its own, and the preview
// loads and shows it through the Windows drawing path.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "authoring/media/image_file_dialog_win32.h"
#include "authoring/media/media_page_util_win32.h"
#include "authoring/media/media_resource.h"
#include "tests/authoring/media/media_test_util.h"
#include "tests/imaging/png_builder.h"

using namespace mediatest;

namespace {

// The string of the Images page's Add dialog filter.
constexpr UINT kImageFilterString = 57345;
// The file-type combo box of the explorer open dialog.
constexpr int kTypeCombo = 0x470;

// A 40 x 30 picture whose left half is half-transparent red over nothing.
std::string PngFile() {
    std::vector<std::vector<uint8_t>> rows;
    for (int y = 0; y < 30; ++y) {
        std::vector<uint8_t> row;
        for (int x = 0; x < 40; ++x)
            row.insert(row.end(), {255, uint8_t(x * 6), 40, uint8_t(x < 20 ? 128 : 255)});
        rows.push_back(row);
    }
    PngWriter w;
    w.Header(40, 30, 8, 6).Rows(rows).End();
    return std::string(w.Bytes().begin(), w.Bytes().end());
}

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    const int n = int(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char text[256] = {};
        if (SendMessageA(combo, CB_GETLBTEXTLEN, WPARAM(i), 0) < LRESULT(sizeof text))
            SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(text));
        items.push_back(text);
    }
    return items;
}

} // namespace

TEST(PngInOpenDialog, ListedByTheImageFilterAndPreviewed) {
    std::string dir = harness::MakeTempDir("png-open");
    std::replace(dir.begin(), dir.end(), '/', '\\');
    ASSERT_TRUE(harness::WriteFileBytes(dir + "\\holiday.png", PngFile()));
    const std::string filter = media::DialogFilter(kImageFilterString);
    CImageFileDialog dlg(true, nullptr, nullptr, OFN_HIDEREADONLY, filter.c_str());
    dlg.SetInitialDir(dir);
    dlg.SetTitle("Pick a PNG");
    bool listed = false, shown = false;
    std::string status;
    std::vector<std::string> types;
    Drive(
        [&] {
            HWND d = FindTopWindow("Pick a PNG");
            ASSERT_TRUE(d);
            HWND panel = PanelOf(d);
            ASSERT_TRUE(panel);
            types = ComboItems(GetDlgItem(d, kTypeCombo));
            // Only what the first filter admits is in the list to be selected.
            listed = SelectInDialog(d, "holiday.png");
            if (listed) WaitFor([&] { return dlg.loads() >= 1; }, 15000);
            status = TextOf(GetDlgItem(panel, IDC_IMAGE_DLG_STATUS));
            shown = dlg.preview().pictureShown();
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        },
        [&] { dlg.DoModal(nullptr); });
    EXPECT_TRUE(listed);
    EXPECT_EQ(status, "holiday.png");
    EXPECT_TRUE(shown);
    EXPECT_NE(std::find(types.begin(), types.end(), "PNG (*.png)"), types.end());
}
