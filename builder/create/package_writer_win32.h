// Turns a make file into a setup package on a worker thread.
//
// Start (user-interface thread) reads the make file, checks it and starts the
// worker, which appends one compressed entry per make-file line to the setup
// program already copied into the output folder, then the trailer.  The worker
// touches the page only through window messages: the progress bar's
// PBM_SETRANGE / PBM_SETPOS / PBM_SETSTEP / PBM_STEPIT, the status line's text,
// and at its end one posted kBuildFinishedMessage whose wParam is the result:
// 0 done, 1 failed, 2 aborted.  On any result but 0 the output file is gone.
// Messages are warning boxes captioned with the application title, shown by
// whichever thread meets the problem.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "builder/package/file_system.h"
#include "builder/package/package_build.h"

constexpr UINT kBuildFinishedMessage = WM_USER + 1;  // 1025

// The worker's results, as posted in wParam.
constexpr int kBuildDone = kPackageDone;
constexpr int kBuildFailed = kPackageFailed;
constexpr int kBuildAborted = kPackageAborted;

class PackageWriter {
  public:
    PackageWriter();
    // A worker still running is aborted and waited for: it holds pointers into
    // this object and writes to the page's controls.
    ~PackageWriter();
    PackageWriter(const PackageWriter&) = delete;
    PackageWriter& operator=(const PackageWriter&) = delete;

    void SetMakeFile(const std::string& path) { makeFile_ = path; }

    // Reads and checks the make file and starts the worker.  Every refusal has
    // been shown in a warning box; true once the worker thread exists.
    bool Start(HWND notify, HWND progress, HWND status);

    // Asks the worker to stop after the entry it is writing and waits for it up
    // to limitMs.  Messages sent by other threads are served meanwhile, so the
    // worker's status updates and questions cannot dead-lock the wait.  On
    // time-out the thread is terminated (exit code 1) and false returned.  The
    // worker's completion message stays in the queue for the page.
    bool Abort(DWORD limitMs = 300000);

    // A worker thread exists and has not ended.
    bool Running() const;

  private:
    class Callbacks;
    class TrackedFiles;
    static DWORD WINAPI WorkerMain(LPVOID self);
    bool AbortRequested();
    void CloseThread();

    std::string makeFile_;
    std::unique_ptr<TrackedFiles> fs_;
    PackageJob job_;
    HWND notify_ = nullptr, progress_ = nullptr, status_ = nullptr;
    HWND owner_ = nullptr;  // owner of the worker's message boxes
    std::string title_;     // their caption
    CRITICAL_SECTION lock_;
    bool abort_ = false;  // guarded by lock_
    HANDLE thread_ = nullptr;
};
