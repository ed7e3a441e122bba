// Album files and the identity record come from users' disks: any bytes must
// give lists or a clean refusal.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/album.h"
#include "app/app_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> images, sounds;
    if (DecodeAlbum(data, size, images, sounds) == AlbumResult::Ok) {
        // What was read writes back to the same bytes when it used the shortest forms.
        std::vector<uint8_t> again = EncodeAlbum(images, sounds);
        std::vector<std::string> i2, s2;
        if (DecodeAlbum(again.data(), again.size(), i2, s2) != AlbumResult::Ok || i2 != images ||
            s2 != sounds)
            __builtin_trap();
    }
    for (const std::string& e : images) (void)EntryCaption(e);
    if (size >= kAppInfoSize) {
        AppInfo info;
        if (DecodeAppInfo(data + size - kAppInfoSize, info)) (void)IdentityCheckPasses(info);
    }
    return 0;
}
