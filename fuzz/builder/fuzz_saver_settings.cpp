// The author's settings file is edited into the new saver's: any text must
// give a file in which the edits hold.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/profile.h"
#include "builder/core/saver_build.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string edited = EditSaverSettings(text, "bg.bmp");
    MemoryProfile ini(edited);
    std::string value;
    if (ini.Read("Options", "AlbumFile", value) || ini.Read("Distribution", "SaverName", value))
        __builtin_trap();
    return 0;
}
