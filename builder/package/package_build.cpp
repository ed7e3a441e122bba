#include "builder/package/package_build.h"

#include <cstring>

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

bool PreparePackage(const MakeRecord& make, FileSystem& fs, PackageCallbacks& cb,
                    PackageJob& job) {
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

}  // namespace

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

    std::vector<uint8_t> data;
    PackedData packed;
    for (uint32_t i = 0; i < count; ++i) {
        if (cb.AbortRequested()) return Finish(kPackageAborted, out, fs, path);
        const MakeLine& line = job.entries[i];
        std::string bare = FileNamePart(line.source);
        cb.Status("Compressing " + bare + "...");
        std::string source = ResolveMakeSource(job.outputDir, line.source);
        if (!fs.FileExists(source)) {
            std::string question = "Cannot find file number " + std::to_string(i) + ": " +
                                   source + ". Skip this file and continue?";
            if (!cb.AskSkipMissing(question)) return Finish(kPackageAborted, out, fs, path);
            ++skipped;
            cb.ProgressStep();
            continue;
        }

        bool runtime = i == 0;
        ReadResult rr = fs.ReadFile(source, data, runtime ? job.record.size() : 0);
        if (rr != ReadResult::Ok || (!runtime && data.empty())) {
            cb.Error((runtime && rr == ReadResult::CannotOpen ? "Cannot open file "
                                                              : "Cannot read file ") +
                     source + ".");
            return Finish(kPackageFailed, out, fs, path);
        }
        EntryHeader h;
        h.fileName = bare;
        h.keyword = line.keyword;
        h.target = line.target;
        h.shortcut = line.shortcut;
        if (!ReadFixedFileVersion(data.data(), data.size(), h.versionMS, h.versionLS))
            h.versionMS = h.versionLS = 0;
        if (runtime) data.insert(data.end(), job.record.begin(), job.record.end());
        if (!CompressFile(data.data(), data.size(), packed)) {
            cb.Error("Cannot compress file " + source + ".Quitting.");
            return Finish(kPackageFailed, out, fs, path);
        }
        h.uncompressedSize = uint32_t(data.size());
        h.compressedSize = uint32_t(packed.size);
        total += data.size();
        uint32_t time = 0;
        h.time = fs.LastWriteTime(source, time) ? time : 0;

        uint8_t raw[kEntryHeaderSize];
        uint64_t after = length + kEntryHeaderSize + packed.size;
        // Every size and offset of the format is 32-bit.
        if (after + kPackageTrailerSize > 0xFFFFFFFFu || total > 0xFFFFFFFFu) {
            cb.Error("The setup program would be larger than 4 GB with file " + source + ".");
            return Finish(kPackageFailed, out, fs, path);
        }
        if (!EncodeEntryHeader(h, raw)) {
            cb.Error("Cannot compress file " + source + ".Quitting.");
            return Finish(kPackageFailed, out, fs, path);
        }
        if (!out->Write(raw, sizeof raw) || !out->Write(packed.bytes.get(), packed.size)) {
            cb.Error(WriteFailure(path));
            return Finish(kPackageFailed, out, fs, path);
        }
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
