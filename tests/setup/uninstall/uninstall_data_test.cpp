#include "setup/uninstall/uninstall_data.h"

#include <gtest/gtest.h>

#include "common/archive.h"

namespace {

UninstallData Sample() {
    UninstallData d;
    d.saverName = "Ocean Dreams";
    d.company = "Tidewater Software";
    d.files = {"C:\\WINDOWS\\Ocean Dreams.scr", "C:\\Program Files\\Ocean\\Ocean Dreams.ini",
               "C:\\Program Files\\Ocean\\Uninstall.exe",
               "C:\\WINDOWS\\Start Menu\\Programs\\Ocean Dreams",
               "C:\\Program Files\\Ocean\\Uninstall.dat",
               "C:\\Program Files\\Ocean\\Ocean Dreams.gid"};
    return d;
}

// The same fields written one by one, so that a test can put anything in them.
std::vector<uint8_t> Raw(const std::string& marker, const std::string& name,
                         const std::string& company, const std::vector<std::string>& files) {
    ByteWriter w;
    WriteArchiveText(w, marker);
    WriteArchiveText(w, name);
    WriteArchiveText(w, company);
    WriteArchiveList(w, files);
    return w.Data();
}

TEST(UninstallData, RoundTripsAndStartsWithTheMarker) {
    UninstallData d = Sample();
    std::vector<uint8_t> bytes = EncodeUninstallData(d);
    const uint8_t head[] = {9, 'U', 'N', 'I', 'N', 'S', 'T', 'A', 'L', 'L', 12, 'O'};
    ASSERT_GT(bytes.size(), sizeof head);
    EXPECT_TRUE(std::equal(head, head + sizeof head, bytes.begin()));
    UninstallData back;
    ASSERT_EQ(DecodeUninstallData(bytes, back), kUninstallDataOk);
    EXPECT_EQ(back.saverName, d.saverName);
    EXPECT_EQ(back.company, d.company);
    EXPECT_EQ(back.files, d.files);
}

TEST(UninstallData, LongPathsAndAnEmptyListRoundTrip) {
    UninstallData d = Sample();
    d.files = {std::string(300, 'p')};
    UninstallData back;
    ASSERT_EQ(DecodeUninstallData(EncodeUninstallData(d), back), kUninstallDataOk);
    EXPECT_EQ(back.files, d.files);
    d.files.clear();
    ASSERT_EQ(DecodeUninstallData(EncodeUninstallData(d), back), kUninstallDataOk);
    EXPECT_TRUE(back.files.empty());
}

TEST(UninstallData, BadFilesAreRefusedWithTheirReason) {
    std::vector<uint8_t> good = EncodeUninstallData(Sample());
    std::vector<uint8_t> trailing = good;
    trailing.push_back(0);
    std::vector<uint8_t> hugeCount = Raw("UNINSTALL", "Sea", "Co", {});
    hugeCount.resize(hugeCount.size() - 2);
    for (uint8_t b : {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}) hugeCount.push_back(b);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int result;
    } cases[] = {
        {"empty file", {}, kUninstallDataForeign},
        {"album-like file", Raw("ALBUM", "Sea", "Co", {}), kUninstallDataForeign},
        {"marker in lower case", Raw("uninstall", "Sea", "Co", {}), kUninstallDataForeign},
        {"text file", {'H', 'e', 'l', 'l', 'o', '\r', '\n'}, kUninstallDataForeign},
        {"cut in the list", std::vector<uint8_t>(good.begin(), good.end() - 3),
         kUninstallDataTruncated},
        {"cut after the marker", std::vector<uint8_t>(good.begin(), good.begin() + 10),
         kUninstallDataTruncated},
        {"count beyond the file", hugeCount, kUninstallDataTruncated},
        {"trailing byte", trailing, kUninstallDataTrailing},
        {"saver name climbs up", Raw("UNINSTALL", "..\\Windows", "Co", {}),
         kUninstallDataBadSaverName},
        {"saver name is ..", Raw("UNINSTALL", "..", "Co", {}), kUninstallDataBadSaverName},
        {"saver name is empty", Raw("UNINSTALL", "", "Co", {}), kUninstallDataBadSaverName},
        {"saver name is a device", Raw("UNINSTALL", "NUL", "Co", {}),
         kUninstallDataBadSaverName},
        {"company names a deeper key", Raw("UNINSTALL", "Sea", "Microsoft\\Windows", {}),
         kUninstallDataBadCompany},
        {"company is empty", Raw("UNINSTALL", "Sea", "", {}), kUninstallDataBadCompany},
        {"empty path", Raw("UNINSTALL", "Sea", "Co", {"C:\\a", ""}), kUninstallDataBadPath},
        {"path with a line break", Raw("UNINSTALL", "Sea", "Co", {"C:\\a\nb"}),
         kUninstallDataBadPath},
    };
    for (const Case& c : cases) {
        UninstallData out = Sample();
        EXPECT_EQ(DecodeUninstallData(c.bytes, out), c.result) << c.what;
        EXPECT_TRUE(out.saverName.empty() && out.company.empty() && out.files.empty()) << c.what;
        EXPECT_STRNE(UninstallDataResultText(c.result), UninstallDataResultText(kUninstallDataOk));
    }
}

TEST(UninstallData, EveryPrefixOfAGoodFileIsRefused) {
    std::vector<uint8_t> good = EncodeUninstallData(Sample());
    for (size_t n = 0; n < good.size(); ++n) {
        UninstallData out;
        EXPECT_NE(DecodeUninstallData(good.data(), n, out), kUninstallDataOk) << n;
    }
}

}  // namespace
