// Make files are read back from the output folder, where anything may have
// replaced them: any bytes must give a record or a clean refusal, and the
// lines of a record must parse or be refused without harm.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "builder/core/saver_build.h"
#include "builder/package/make_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MakeRecord m;
    if (DecodeMakeRecord(data, size, m) != MakeFileResult::Ok) return 0;
    // A record that was read writes back to bytes that read the same.
    std::vector<uint8_t> again = EncodeMakeRecord(m);
    MakeRecord m2;
    if (DecodeMakeRecord(again.data(), again.size(), m2) != MakeFileResult::Ok ||
        m2.lines != m.lines || m2.saverName != m.saverName || m2.flags != m.flags)
        __builtin_trap();
    for (const std::string& line : m.lines) {
        MakeLine parsed;
        if (ParseMakeLine(line, parsed) && parsed.target.empty()) __builtin_trap();
    }
    // Distinct names never produce a line the writer would refuse.
    std::vector<std::string> lines = m.lines;
    InstallNames names;
    names.Assign(lines);
    for (const std::string& line : lines) {
        MakeLine parsed;
        bool before = false;
        for (const std::string& old : m.lines)
            if (old == line) before = true;
        if (!before && !ParseMakeLine(line, parsed)) __builtin_trap();
    }
    return 0;
}
