// One rule for every path the saver reads from the album and the settings: a
// single leading backslash is relative to the album's (or the installation's)
// folder, two begin a network path that stands on its own.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "saver/motion/saver_lists.h"
#include "sound/playlist/sound_list.h"

namespace {

TEST(RelativePaths, ImagesSoundsAlbumAndBackgroundAgree) {
    const struct {
        const char* entry;
        const char* resolved; // against the folder "C:\Kit"
    } cases[] = {
        {"\\pics\\a.wav", "C:\\Kit\\pics\\a.wav"},
        {"\\a.wav", "C:\\Kit\\a.wav"},
        {"\\\\server\\share\\a.wav", "\\\\server\\share\\a.wav"},
        {"\\\\server\\a.wav", "\\\\server\\a.wav"},
        {"C:\\own\\a.wav", "C:\\own\\a.wav"},
        {"a.wav", "a.wav"},
    };
    saver::ImageListSources still; // no file is an animation: all go to the slideshow
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        EXPECT_EQ(ResolveInstallPath(c.entry, "C:\\Kit"), c.resolved);

        std::vector<std::string> slides, sprites;
        saver::BuildImageLists({c.entry}, "C:\\Kit", still, slides, sprites);
        EXPECT_EQ(slides, std::vector<std::string>{c.resolved});

        auto sounds = BuildSaverSoundList({c.entry}, "C:\\Kit\\album.alb", {"WAV"}, nullptr, false);
        EXPECT_EQ(sounds, std::vector<std::string>{c.resolved});
    }
}

} // namespace
