#include "builder/package/package_build.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

#include "builder/package/package_format.h"
#include "builder/package/pe_version.h"
#include "common/byte_io.h"
#include "common/paths.h"

// The identity record's reserved fields, which AppInfo does not carry.
constexpr size_t kRecordReservedText = 1034;
constexpr size_t kRecordReservedTextField = 258;
constexpr size_t kRecordReservedNumber = 1296;

static uint32_t DecimalValue(const std::string& s) {
    uint64_t v = 0;
    if (s.empty()) return 0;
    for (char c : s) {
        if (c < '0' || c > '9') return 0;
        v = v * 10 + uint64_t(c - '0');
        if (v > 0xFFFFFFFFu) return 0;
    }
    return uint32_t(v);
}

AppInfo MakeRecordInfo(const MakeRecord& make) {
    AppInfo info;
    info.RecordSize = kAppInfoSize;
    info.AppName = make.saverName;
    info.Version = make.version;
    info.Author = make.author;
    info.Company = make.company;
    info.Year = DecimalValue(make.year);
    info.Flags = make.flags;
    return info;
}

std::vector<uint8_t> MakeRecordBytes(const MakeRecord& make) {
    std::vector<uint8_t> rec = EncodeAppInfo(MakeRecordInfo(make));
    size_t n = make.reserved.size() < kRecordReservedTextField ? make.reserved.size()
                                                               : kRecordReservedTextField - 1;
    std::memcpy(rec.data() + kRecordReservedText, make.reserved.data(), n);
    StoreLE32(rec.data() + kRecordReservedNumber, make.reservedNumber);
    return rec;
}

bool PreparePackage(const std::string& makeFilePath, FileSystem& fs, PackageCallbacks& cb,
                    PackageJob& job) {
    std::vector<uint8_t> data;
    if (fs.ReadFile(makeFilePath, data) != ReadResult::Ok) {
        cb.Error("Unable to open data file " + makeFilePath);
        return false;
    }
    MakeRecord make;
    if (DecodeMakeRecord(data.data(), data.size(), make) != MakeFileResult::Ok) {
        cb.Error("Unable to load configuration info from " + makeFilePath);
        return false;
    }
    return PreparePackage(make, fs, cb, job);
}

bool PreparePackage(const MakeRecord& make, FileSystem& fs, PackageCallbacks& cb, PackageJob& job) {
    const std::string& dir = make.outputDir;
    if (dir.size() > 3) {
        if (!fs.DirectoryExists(dir)) {
            cb.Error("Cannot find directory " + dir);
            return false;
        }
    } else if (dir.empty() || !fs.DirectoryExists(dir)) {
        cb.Error("Invalid drive " + dir);
        return false;
    }
    std::string output = JoinPath(dir, make.setupFile);
    if (make.setupFile.empty() || !fs.FileExists(output)) {
        cb.Error("Cannot find exe file " + make.setupFile);
        return false;
    }
    AppInfo info = MakeRecordInfo(make);
    if (info.AppName.empty() || info.Author.empty() || info.Company.empty() || info.Year == 0) {
        cb.Error("Incomplete application info");
        return false;
    }
    if (make.lines.empty()) {
        cb.Error("Number of files must be larger than zero");
        return false;
    }
    std::vector<MakeLine> entries;
    for (const std::string& line : make.lines) {
        MakeLine m;
        if (ParseMakeLine(line, m)) {
            entries.push_back(std::move(m));
            continue;
        }
        if (!cb.AskSkipInvalid("Invalid entry: " + line + ".Skip this file?")) {
            cb.Error("Aborting");
            return false;
        }
    }
    job.outputDir = dir;
    job.outputPath = output;
    job.flags = make.flags;
    job.info = info;
    job.record = MakeRecordBytes(make);
    job.entries = std::move(entries);
    return true;
}

namespace {

// Ends a build: closes the output and, unless the build is done, deletes it.
int Finish(int result, std::unique_ptr<OutputFile>& out, FileSystem& fs, const std::string& path) {
    if (out) {
        out->Close();
        out.reset();
    }
    if (result != kPackageDone) fs.Remove(path);
    return result;
}

std::string WriteFailure(const std::string& path) {
    return "Cannot write to " + path + ".The disk may be full.";
}

// One entry made ready for writing: read, versioned, compressed.
struct Packed {
    enum Outcome { Ok, Missing, CannotOpen, CannotRead, CannotCompress } outcome = Ok;
    std::string source;
    EntryHeader header;
    PackedData data;
    // Input buffer, kept from entry to entry; sized for the largest file so
    // that a build touches one input buffer, not one per size it met.
    std::unique_ptr<uint8_t[]> input;
    size_t capacity = 0;
};

bool Reserve(Packed& p, size_t n) {
    if (p.capacity >= n) return true;
    p.input.reset();
    p.capacity = 0;
    p.input.reset(new (std::nothrow) uint8_t[n ? n : 1]);
    if (!p.input) return false;
    p.capacity = n;
    return true;
}

void PackEntry(const PackageJob& job, uint32_t i, FileSystem& fs, Packed& p) {
    const MakeLine& line = job.entries[i];
    const bool runtime = i == 0;
    const size_t extra = runtime ? job.record.size() : 0;
    p.source = ResolveMakeSource(job.outputDir, line.source);
    p.outcome = Packed::Ok;
    if (!fs.FileExists(p.source)) {
        p.outcome = Packed::Missing;
        return;
    }
    size_t size = 0;
    ReadResult rr = ReadResult::TooLarge;
    if (p.capacity < extra && !Reserve(p, extra)) {
        p.outcome = Packed::CannotRead;
        return;
    }
    // A file that grew since it was measured gets a larger buffer, once.
    for (int attempt = 0; attempt < 2 && rr == ReadResult::TooLarge; ++attempt) {
        uint64_t now = 0;
        if (attempt > 0 && (!fs.FileSize(p.source, now) || now > 0xFFFFFFFFu - extra ||
                            !Reserve(p, size_t(now) + extra)))
            break;
        rr = fs.ReadInto(p.source, p.input.get(), p.capacity - extra, size);
    }
    if (rr != ReadResult::Ok || (!runtime && size == 0)) {
        p.outcome =
            runtime && rr == ReadResult::CannotOpen ? Packed::CannotOpen : Packed::CannotRead;
        return;
    }
    EntryHeader& h = p.header;
    h = EntryHeader();
    h.fileName = FileNamePart(line.source);
    h.keyword = line.keyword;
    h.target = line.target;
    h.shortcut = line.shortcut;
    if (!ReadFixedFileVersion(p.input.get(), size, h.versionMS, h.versionLS))
        h.versionMS = h.versionLS = 0;
    if (runtime) std::memcpy(p.input.get() + size, job.record.data(), extra);
    size += extra;
    if (!CompressFile(p.input.get(), size, p.data)) {
        p.outcome = Packed::CannotCompress;
        return;
    }
    h.uncompressedSize = uint32_t(size);
    h.compressedSize = uint32_t(p.data.size);
    uint32_t time = 0;
    h.time = fs.LastWriteTime(p.source, time) ? time : 0;
}

// Workers that pack entries ahead of the writer: worker w takes entries w,
// w + n, w + 2n ... and waits for the writer to take each before the next.
class PackPool {
  public:
    PackPool(const PackageJob& job, FileSystem& fs, unsigned n, size_t capacity)
        : job_(job), fs_(fs), slots_(n) {
        for (Slot& s : slots_)
            Reserve(s.packed, capacity);
        if (n > 1)
            for (unsigned w = 0; w < n; ++w)
                threads_.emplace_back([this, w] { Work(w); });
    }
    ~PackPool() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }
    // The packed entry i; valid until Release(i).
    Packed& Take(uint32_t i) {
        Slot& s = slots_[i % slots_.size()];
        if (threads_.empty()) {
            PackEntry(job_, i, fs_, s.packed);
            return s.packed;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return s.ready && s.index == i; });
        return s.packed;
    }
    void Release(uint32_t i) {
        if (threads_.empty()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            slots_[i % slots_.size()].ready = false;
        }
        changed_.notify_all();
    }

  private:
    struct Slot {
        Packed packed;
        bool ready = false;
        uint32_t index = 0;
    };
    void Work(unsigned w) {
        const uint32_t n = uint32_t(slots_.size());
        Slot& s = slots_[w];
        for (uint32_t i = w; i < job_.entries.size(); i += n) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || !s.ready; });
                if (stop_) return;
            }
            PackEntry(job_, i, fs_, s.packed);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                s.index = i;
                s.ready = true;
            }
            changed_.notify_all();
        }
    }
    const PackageJob& job_;
    FileSystem& fs_;
    std::vector<Slot> slots_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
};

} // namespace

int WritePackage(const PackageJob& job, FileSystem& fs, PackageCallbacks& cb) {
    const std::string& path = job.outputPath;
    std::unique_ptr<OutputFile> out = fs.OpenForAppend(path);
    if (!out) {
        cb.Error("Fail to open " + path);
        return Finish(kPackageFailed, out, fs, path);
    }
    const uint64_t stub = out->StartLength();
    uint64_t length = stub, total = 0;
    uint32_t skipped = 0;
    const uint32_t count = uint32_t(job.entries.size());
    cb.ProgressRange(count);

    // The input buffer fits the largest file (the runtime with its record).
    uint64_t largest = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t size = 0;
        if (fs.FileSize(ResolveMakeSource(job.outputDir, job.entries[i].source), size))
            largest = std::max(largest, size + (i == 0 ? job.record.size() : 0));
    }
    unsigned threads = std::max(1u, std::min(job.threads, std::max(count, 1u)));
    size_t capacity = largest > 0xFFFFFFFFu ? 0 : size_t(largest);
    PackPool pool(job, fs, threads, capacity);

    for (uint32_t i = 0; i < count; ++i) {
        if (cb.AbortRequested()) return Finish(kPackageAborted, out, fs, path);
        cb.Status("Compressing " + FileNamePart(job.entries[i].source) + "...");
        Packed& p = pool.Take(i);
        const std::string& source = p.source;
        switch (p.outcome) {
        case Packed::Missing: {
            std::string question = "Cannot find file number " + std::to_string(i) + ": " + source +
                                   ". Skip this file and continue?";
            if (!cb.AskSkipMissing(question)) return Finish(kPackageAborted, out, fs, path);
            ++skipped;
            pool.Release(i);
            cb.ProgressStep();
            continue;
        }
        case Packed::CannotOpen:
            cb.Error("Cannot open file " + source + ".");
            return Finish(kPackageFailed, out, fs, path);
        case Packed::CannotRead:
            cb.Error("Cannot read file " + source + ".");
            return Finish(kPackageFailed, out, fs, path);
        case Packed::CannotCompress:
            cb.Error("Cannot compress file " + source + ".Quitting.");
            return Finish(kPackageFailed, out, fs, path);
        case Packed::Ok:
            break;
        }
        uint8_t raw[kEntryHeaderSize];
        uint64_t after = length + kEntryHeaderSize + p.data.size;
        total += p.header.uncompressedSize;
        // Every size and offset of the format is 32-bit.
        if (after + kPackageTrailerSize > 0xFFFFFFFFu || total > 0xFFFFFFFFu) {
            cb.Error("The setup program would be larger than 4 GB with file " + source + ".");
            return Finish(kPackageFailed, out, fs, path);
        }
        if (!EncodeEntryHeader(p.header, raw)) {
            cb.Error("Cannot compress file " + source + ".Quitting.");
            return Finish(kPackageFailed, out, fs, path);
        }
        if (!out->Write(raw, sizeof raw) || !out->Write(p.data.bytes.get(), p.data.size)) {
            cb.Error(WriteFailure(path));
            return Finish(kPackageFailed, out, fs, path);
        }
        pool.Release(i);
        length = after;
        cb.ProgressStep();
    }

    PackageTrailer t;
    t.totalLength = uint32_t(length + kPackageTrailerSize);
    t.entryCount = count - skipped;
    t.firstEntryPlusOne = uint32_t(stub + 1);
    t.saverName = job.info.AppName;
    t.version = job.info.Version;
    t.author = job.info.Author;
    t.company = job.info.Company;
    t.totalUncompressed = uint32_t(total);
    t.flags = job.flags;
    uint8_t raw[kPackageTrailerSize];
    if (!EncodePackageTrailer(t, raw)) {
        cb.Error("Incomplete application info");
        return Finish(kPackageFailed, out, fs, path);
    }
    if (!out->Write(raw, sizeof raw) || !out->Close()) {
        cb.Error(WriteFailure(path));
        return Finish(kPackageFailed, out, fs, path);
    }
    out.reset();
    return kPackageDone;
}
