// The saver's music: the sound list player over the list built from the album.
#include <windows.h>

#include "saver/saver_window_win32.h"
#include "sound/player/sound_list_player_win32.h"

namespace {

class ListPlayerSound : public SaverSound {
  public:
    std::vector<std::string> BuildList(const std::vector<std::string>& albumSounds,
                                       const std::string& albumFile, bool shuffle) override {
        return BuildSaverSoundListFromDevices(albumSounds, albumFile, shuffle);
    }
    void Start(std::vector<std::string>* soundList) override {
        player_.SetPlaylist(soundList);
        player_.PlayAt(0);
    }
    void Next() override { player_.Next(); }
    void Previous() override { player_.Previous(); }

  private:
    CSoundListPlayer player_;
};

}  // namespace

std::unique_ptr<SaverSound> MakeSaverSound() { return std::make_unique<ListPlayerSound>(); }
