// Turning a make file into a package: the checks made before a build starts
// (PreparePackage) and the loop that appends the entries and the trailer to
// the copied Setup stub (WritePackage).  Both are free of any window: the
// Create page runs the loop on its worker thread, the command-line builder
// runs it directly, each with its own PackageCallbacks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/app_info.h"
#include "builder/package/file_system.h"
#include "builder/package/make_file.h"

// Worker results.
constexpr int kPackageDone = 0;
constexpr int kPackageFailed = 1;
constexpr int kPackageAborted = 2;

class PackageCallbacks {
  public:
    virtual ~PackageCallbacks() = default;
    virtual void Status(const std::string& text) = 0;
    // Progress from 0 to `count`, position 0, one step per entry written or skipped.
    virtual void ProgressRange(uint32_t count) = 0;
    virtual void ProgressStep() = 0;
    // A make-file line is invalid: true (OK) drops it, false (Cancel) stops.
    virtual bool AskSkipInvalid(const std::string& question) = 0;
    // A source file is missing: true (Yes) skips it, false (No) aborts.
    virtual bool AskSkipMissing(const std::string& question) = 0;
    // Polled between entries.
    virtual bool AbortRequested() = 0;
    // A failure that ends the preparation or the build.
    virtual void Error(const std::string& message) = 0;
};

struct PackageJob {
    std::string outputDir;
    std::string outputPath;      // outputDir joined with the setup file name
    uint32_t flags = 0;          // make-file flags, copied into the trailer
    AppInfo info;                // the new saver's identity
    std::vector<uint8_t> record; // its 1304-byte record, appended to entry 0
    std::vector<MakeLine> entries;
    // Files compressed at once.  Entries are still written in make-file order
    // and the package is the same whatever the number; each extra file in
    // flight holds its own copy of the largest file in memory.
    unsigned threads = 1;
};

// Reads the make file and fills `job`: the output folder must exist (a drive
// root must be a known drive), the setup file must exist, the identity must be
// complete, there must be lines; an invalid line is offered for skipping.
// Every refusal reports its message through cb.Error and returns false.
bool PreparePackage(const std::string& makeFilePath, FileSystem& fs, PackageCallbacks& cb,
                    PackageJob& job);
// The same from a record already in memory (the make file's path only names it
// in messages).
bool PreparePackage(const MakeRecord& make, FileSystem& fs, PackageCallbacks& cb, PackageJob& job);

// The identity record a make file describes.
AppInfo MakeRecordInfo(const MakeRecord& make);
std::vector<uint8_t> MakeRecordBytes(const MakeRecord& make);

// Appends the entries and the trailer to job.outputPath.  The callbacks are
// called from the calling thread only.  Returns kPackageDone,
// kPackageFailed or kPackageAborted; on any result but done the output file
// is deleted, so no half-built setup program remains.
int WritePackage(const PackageJob& job, FileSystem& fs, PackageCallbacks& cb);
