// "Uninstall.dat" is read from the installation folder, where anything may
// have been put: any bytes must give the data or a clean refusal, and the
// removal plan made from accepted data must keep to its places.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/file_names.h"
#include "setup/uninstall/uninstall_data.h"
#include "setup/uninstall/uninstall_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UninstallData d;
    if (DecodeUninstallData(data, size, d) == kUninstallDataOk) {
        UninstallData again;
        std::vector<uint8_t> bytes = EncodeUninstallData(d);
        if (DecodeUninstallData(bytes, again) != kUninstallDataOk ||
            again.saverName != d.saverName || again.company != d.company ||
            again.files != d.files)
            __builtin_trap();
        UninstallPlaces places;
        places.installDir = "C:\\Program Files\\Saver";
        places.windowsDir = "C:\\WINDOWS";
        places.systemDir = "C:\\WINDOWS\\SYSTEM";
        places.programsDirs = {"C:\\WINDOWS\\Start Menu\\Programs"};
        places.selfPath = "C:\\Program Files\\Saver\\Uninstall.exe";
        UninstallPlan plan = PlanUninstall(d, places);
        for (const Removal& r : plan.steps) {
            bool allowed = IsPathInside(places.installDir, r.path) ||
                           IsPathInside(places.windowsDir, r.path) ||
                           IsPathInside(places.programsDirs[0], r.path);
            if (!allowed) __builtin_trap();
        }
    }
    // The same bytes as a command line.
    std::string line(reinterpret_cast<const char*>(data), size);
    (void)ParseUninstallCommand(line, "C:\\Program Files\\Saver\\Uninstall.exe");
    return 0;
}
