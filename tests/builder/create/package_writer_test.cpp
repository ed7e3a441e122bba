// The package writer on its own: its refusals before a worker starts, the
// worker's progress and completion message, and an abort that has to give up.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "builder/create/package_writer_win32.h"
#include "builder/package/make_file.h"
#include "builder/package/package_reader.h"
#include "tests/builder/create/sheet_driver.h"
#include "tests/harness/win_harness.h"
#include "win32/application.h"

using createtest::BoxAnswerer;

namespace {

class PackageWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = harness::MakeTempDir(
            std::string("writer-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::replace(dir.begin(), dir.end(), '/', '\\');
        Application::Get().SetTitle("Plinthar");
        Application::Get().SetMainWindow(nullptr);
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        notify = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr,
                                 nullptr, nullptr);
        // The controls live in a window of their own: a progress bar's messages
        // share numbers with the completion message.
        host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr,
                               nullptr, nullptr);
        progress = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 100, 10, host,
                                   nullptr, nullptr, nullptr);
        status = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 20, 100, 10, host, nullptr,
                                 nullptr, nullptr);
        harness::WriteFileBytes(dir + "\\W.exe", "stub");
        harness::WriteFileBytes(dir + "\\a.txt", std::string(5000, 'a'));
        harness::WriteFileBytes(dir + "\\b.txt", "bbb");
        make.outputDir = dir;
        make.setupFile = "W.exe";
        make.saverName = "W";
        make.version = "1.0";
        make.year = "2026";
        make.author = make.company = "Ann";
        make.lines = {dir + "\\a.txt"};
        makePath = dir + "\\W.dat";
    }
    void TearDown() override {
        DestroyWindow(host);
        DestroyWindow(notify);
    }

    void WriteMake() {
        std::vector<uint8_t> bytes = EncodeMakeRecord(make);
        harness::WriteFileBytes(makePath, std::string(bytes.begin(), bytes.end()));
    }
    // The completion message the worker posted, or -1.
    int WaitForCompletion() {
        DWORD start = GetTickCount();
        MSG m;
        while (GetTickCount() - start < 30000) {
            if (PeekMessageA(&m, notify, kBuildFinishedMessage, kBuildFinishedMessage, PM_REMOVE)) {
                // The result was taken ahead of the queue: what the worker
                // posted before it (progress steps) arrives first, as it does
                // in the page's own message loop.
                MSG queued;
                while (PeekMessageA(&queued, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&queued);
                return int(m.wParam);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            // Everything else goes on as usual.
            while (PeekMessageA(&m, host, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        }
        return -1;
    }

    std::string dir, makePath;
    HWND notify = nullptr, host = nullptr, progress = nullptr, status = nullptr;
    MakeRecord make;
};

TEST_F(PackageWriterTest, StartRefusesWhatCannotBeBuilt) {
    struct Case {
        const char* what;
        void (*change)(MakeRecord&, std::string& makeFile, const std::string& dir);
        std::string message;  // "%" stands for the make file's path, "$" for the folder
    };
    const Case cases[] = {
        {"no make file", [](MakeRecord&, std::string& f, const std::string&) { f = "-"; },
         "Unable to open data file %"},
        {"not a make file", [](MakeRecord&, std::string& f, const std::string&) { f = "junk"; },
         "Unable to load configuration info from %"},
        {"other format", [](MakeRecord& m, std::string&, const std::string&) { m.format = 63; },
         "Unable to load configuration info from %"},
        {"no folder",
         [](MakeRecord& m, std::string&, const std::string& d) { m.outputDir = d + "\\gone"; },
         "Cannot find directory $\\gone"},
        {"unknown drive", [](MakeRecord& m, std::string&, const std::string&) { m.outputDir = "Q:"; },
         "Invalid drive Q:"},
        {"no setup program",
         [](MakeRecord& m, std::string&, const std::string&) { m.setupFile = "X.exe"; },
         "Cannot find exe file X.exe"},
        {"no author", [](MakeRecord& m, std::string&, const std::string&) { m.author = ""; },
         "Incomplete application info"},
        {"no company", [](MakeRecord& m, std::string&, const std::string&) { m.company = ""; },
         "Incomplete application info"},
        {"year 0", [](MakeRecord& m, std::string&, const std::string&) { m.year = "0"; },
         "Incomplete application info"},
        {"no lines", [](MakeRecord& m, std::string&, const std::string&) { m.lines.clear(); },
         "Number of files must be larger than zero"},
    };
    const MakeRecord good = make;
    for (const Case& c : cases) {
        make = good;
        std::string file;
        c.change(make, file, dir);
        WriteMake();
        if (file == "-") DeleteFileA(makePath.c_str());
        if (file == "junk") harness::WriteFileBytes(makePath, "junk");
        std::string expected = c.message;
        for (size_t at; (at = expected.find('%')) != std::string::npos;)
            expected.replace(at, 1, makePath);
        for (size_t at; (at = expected.find('$')) != std::string::npos;) expected.replace(at, 1, dir);

        PackageWriter writer;
        writer.SetMakeFile(makePath);
        BoxAnswerer answer(IDOK);
        EXPECT_FALSE(writer.Start(notify, progress, status)) << c.what;
        const createtest::Box& box = answer.Seen();
        EXPECT_EQ(box.text, expected) << c.what;
        EXPECT_EQ(box.caption, "Plinthar") << c.what;
        EXPECT_EQ(box.icon, UINT(MB_ICONWARNING)) << c.what;
        EXPECT_FALSE(writer.Running()) << c.what;
    }
    EXPECT_EQ(harness::ReadFileBytes(dir + "\\W.exe"), "stub");
}

TEST_F(PackageWriterTest, WorkerStepsTheProgressAndPostsItsResult) {
    // A bare file name is taken from the output folder.
    make.lines = {dir + "\\a.txt", "b.txt"};
    WriteMake();
    PackageWriter writer;
    writer.SetMakeFile(makePath);
    ASSERT_TRUE(writer.Start(notify, progress, status));
    EXPECT_EQ(WaitForCompletion(), kBuildDone);
    EXPECT_TRUE(harness::PumpUntil([&] { return !writer.Running(); }, 10000));
    EXPECT_EQ(SendMessageA(progress, PBM_GETRANGE, FALSE, 0), 2);
    EXPECT_EQ(SendMessageA(progress, PBM_GETPOS, 0, 0), 2);
    char text[64] = {};
    GetWindowTextA(status, text, sizeof text);
    EXPECT_STREQ(text, "Compressing b.txt...");

    std::string bytes = harness::ReadFileBytes(dir + "\\W.exe");
    MemorySource src(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    PackageReader reader(src, bytes.size());
    ASSERT_EQ(reader.Open(), PackageResult::Ok);
    ASSERT_EQ(reader.Verify(), PackageResult::Ok);
    EXPECT_EQ(reader.Trailer().entryCount, 2u);
    EXPECT_EQ(reader.FirstEntryOffset(), 4u);

    // The same writer builds again once the first worker has ended.
    harness::WriteFileBytes(dir + "\\W.exe", "stub");
    ASSERT_TRUE(writer.Start(notify, progress, status));
    EXPECT_EQ(WaitForCompletion(), kBuildDone);
}

TEST_F(PackageWriterTest, AbortGivesUpAtItsLimitAndTheOutputGoes) {
    make.lines = {dir + "\\missing.txt", dir + "\\a.txt"};
    WriteMake();
    PackageWriter writer;
    writer.SetMakeFile(makePath);
    ASSERT_TRUE(writer.Start(notify, progress, status));
    // The worker waits on its question and never looks at the abort flag.
    createtest::Box q = createtest::WaitForBox("Cannot find file number 0: ");
    ASSERT_TRUE(q.hwnd);
    EXPECT_FALSE(writer.Abort(300));
    EXPECT_FALSE(writer.Running());
    EXPECT_EQ(GetFileAttributesA((dir + "\\W.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    // The page still hears that the build is over.
    EXPECT_EQ(WaitForCompletion(), kBuildAborted);
    // The question died with its thread.
    EXPECT_TRUE(harness::PumpUntil([] { return createtest::OpenBoxText().empty(); }, 10000));
}

// Answers the worker's question once this thread's window has served a sent
// message: the test thread serves none before it is inside Abort's wait, so
// the abort flag is set by then.
struct SkipWhenServed {
    HWND window;
    createtest::Box box;
    static DWORD WINAPI Run(LPVOID self) {
        SkipWhenServed* s = static_cast<SkipWhenServed*>(self);
        DWORD_PTR r = 0;
        SendMessageTimeoutA(s->window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &r);
        createtest::Answer(s->box, IDYES);
        return 0;
    }
};

TEST_F(PackageWriterTest, AbortBetweenEntriesEndsWithResultTwo) {
    make.lines = {dir + "\\missing.txt", dir + "\\a.txt"};
    WriteMake();
    PackageWriter writer;
    writer.SetMakeFile(makePath);
    ASSERT_TRUE(writer.Start(notify, progress, status));
    createtest::Box q = createtest::WaitForBox("Cannot find file number 0: ");
    ASSERT_TRUE(q.hwnd);
    // Skip is answered while the abort waits: the worker stops before the next entry.
    SkipWhenServed skip{notify, q};
    HANDLE answer = CreateThread(nullptr, 0, SkipWhenServed::Run, &skip, 0, nullptr);
    EXPECT_TRUE(writer.Abort());
    WaitForSingleObject(answer, 30000);
    CloseHandle(answer);
    EXPECT_EQ(WaitForCompletion(), kBuildAborted);
    EXPECT_EQ(GetFileAttributesA((dir + "\\W.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
