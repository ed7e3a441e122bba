#include "builder/create/package_writer_win32.h"

#include <commctrl.h>

#include "builder/package/file_system_win32.h"
#include "win32/application.h"

// The file operations of the worker, keeping hold of the output it opens: a
// worker that has to be terminated leaves its file open, and the file cannot
// be deleted until it is closed.
class PackageWriter::TrackedFiles : public Win32FileSystem {
  public:
    std::unique_ptr<OutputFile> OpenForAppend(const std::string& path) override {
        std::unique_ptr<OutputFile> real = Win32FileSystem::OpenForAppend(path);
        if (!real) return nullptr;
        open_ = std::shared_ptr<OutputFile>(std::move(real));
        return std::unique_ptr<OutputFile>(new Shared(open_));
    }
    // After the worker was killed: its output is closed here instead.
    void CloseAbandoned() {
        if (open_) open_->Close();
        open_.reset();
    }

  private:
    class Shared : public OutputFile {
      public:
        explicit Shared(std::shared_ptr<OutputFile> f) : f_(std::move(f)) {}
        uint64_t StartLength() const override { return f_->StartLength(); }
        bool Write(const void* data, size_t n) override { return f_->Write(data, n); }
        bool Close() override { return f_->Close(); }

      private:
        std::shared_ptr<OutputFile> f_;
    };
    std::shared_ptr<OutputFile> open_;
};

// The package loop's questions and reports, turned into message boxes and
// messages to the page's controls.  Used on the user-interface thread by Start
// and on the worker by WorkerMain; it touches controls only through messages.
class PackageWriter::Callbacks : public PackageCallbacks {
  public:
    explicit Callbacks(PackageWriter& w) : w_(w) {}
    void Status(const std::string& text) override {
        if (w_.status_) SetWindowTextA(w_.status_, text.c_str());
    }
    void ProgressRange(uint32_t count) override {
        if (!w_.progress_) return;
        WORD top = count > 0xFFFF ? 0xFFFF : WORD(count);
        PostMessageA(w_.progress_, PBM_SETRANGE, 0, MAKELPARAM(0, top));
        PostMessageA(w_.progress_, PBM_SETPOS, 0, 0);
        PostMessageA(w_.progress_, PBM_SETSTEP, 1, 0);
    }
    void ProgressStep() override {
        if (w_.progress_) PostMessageA(w_.progress_, PBM_STEPIT, 0, 0);
    }
    bool AskSkipInvalid(const std::string& question) override {
        return Box(question, MB_OKCANCEL | MB_ICONWARNING) == IDOK;
    }
    bool AskSkipMissing(const std::string& question) override {
        return Box(question, MB_YESNO | MB_ICONQUESTION) == IDYES;
    }
    bool AbortRequested() override { return w_.AbortRequested(); }
    void Error(const std::string& message) override { Box(message, MB_OK | MB_ICONWARNING); }

  private:
    int Box(const std::string& text, UINT type) {
        return MessageBoxA(w_.owner_, text.c_str(), w_.title_.c_str(), type);
    }
    PackageWriter& w_;
};

PackageWriter::PackageWriter() : fs_(new TrackedFiles) { InitializeCriticalSection(&lock_); }

PackageWriter::~PackageWriter() {
    if (Running()) Abort();
    CloseThread();
    DeleteCriticalSection(&lock_);
}

bool PackageWriter::Running() const {
    return thread_ && WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT;
}

void PackageWriter::CloseThread() {
    if (thread_) CloseHandle(thread_);
    thread_ = nullptr;
}

bool PackageWriter::AbortRequested() {
    EnterCriticalSection(&lock_);
    bool stop = abort_;
    LeaveCriticalSection(&lock_);
    return stop;
}

bool PackageWriter::Start(HWND notify, HWND progress, HWND status) {
    // One build at a time: the page never starts another while this one runs.
    if (Running()) return false;
    CloseThread();
    notify_ = notify;
    progress_ = progress;
    status_ = status;
    owner_ = notify ? GetAncestor(notify, GA_ROOT) : nullptr;
    title_ = Application::Get().Title();

    Callbacks ui(*this);
    job_ = PackageJob();
    if (!PreparePackage(makeFile_, *fs_, ui, job_)) {
        job_ = PackageJob();
        return false;
    }
    EnterCriticalSection(&lock_);
    abort_ = false;
    LeaveCriticalSection(&lock_);
    DWORD id = 0;
    thread_ = CreateThread(nullptr, 0, WorkerMain, this, 0, &id);
    if (!thread_) {
        job_ = PackageJob();
        ui.Error("Unable to start file compression");
        return false;
    }
    return true;
}

DWORD WINAPI PackageWriter::WorkerMain(LPVOID param) {
    PackageWriter* self = static_cast<PackageWriter*>(param);
    Callbacks cb(*self);
    int result = WritePackage(self->job_, *self->fs_, cb);
    self->job_.entries.clear();
    self->job_.entries.shrink_to_fit();
    if (self->notify_) PostMessageA(self->notify_, kBuildFinishedMessage, WPARAM(result), 0);
    return DWORD(result);
}

bool PackageWriter::Abort(DWORD limitMs) {
    if (!thread_) return true;
    SetThreadPriority(thread_, THREAD_PRIORITY_HIGHEST);
    EnterCriticalSection(&lock_);
    abort_ = true;
    LeaveCriticalSection(&lock_);
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= limitMs) break;
        DWORD r = MsgWaitForMultipleObjects(1, &thread_, FALSE, limitMs - spent, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) break;
        // Serves the messages the worker sends (its status text) without
        // taking anything posted off the queue.
        MSG m;
        PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0) return true;
    TerminateThread(thread_, 1);
    WaitForSingleObject(thread_, INFINITE);
    // No half-built setup program stays behind.
    fs_->CloseAbandoned();
    fs_->Remove(job_.outputPath);
    // A killed worker posts nothing: the page still hears that the build ended.
    if (notify_) PostMessageA(notify_, kBuildFinishedMessage, WPARAM(kBuildAborted), 0);
    return false;
}
