#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "common/crt_random.h"
#include "sound/playlist/sound_list.h"
#include "sound/playlist/sound_playlist.h"

namespace {

TEST(SoundFileRules, ExtensionsLengthAndEngines) {
    struct Case {
        const char* name;
        SoundEngine player; // CSoundPlayer
        SoundEngine list;   // the saver's list player
    } cases[] = {
        {"a.mp", SoundEngine::kUnsupported, SoundEngine::kUnsupported}, // 4 characters
        {".wav", SoundEngine::kUnsupported, SoundEngine::kUnsupported},
        {"x.mp3", SoundEngine::kDecoder, SoundEngine::kDecoder},
        {"C:\\m\\song.Mp2", SoundEngine::kDecoder, SoundEngine::kDecoder},
        {"tune.MPP", SoundEngine::kDecoder, SoundEngine::kDecoder},
        {"clip.mp1", SoundEngine::kDecoder, SoundEngine::kDecoder},
        {"chime.WAV", SoundEngine::kMci, SoundEngine::kMci},
        {"song.mid", SoundEngine::kMci, SoundEngine::kMidiStream},
        {"SONG.RMI", SoundEngine::kMci, SoundEngine::kMidiStream},
        {"b.mid", SoundEngine::kMci, SoundEngine::kMidiStream},
        {"Track05.cda", SoundEngine::kMci, SoundEngine::kMci},
        {"x.aiff", SoundEngine::kMci, SoundEngine::kMci},
        {"movie.MPEG", SoundEngine::kMci, SoundEngine::kMci},
        {"v.qt", SoundEngine::kUnsupported, SoundEngine::kUnsupported}, // 4 characters
        {"vid.qt", SoundEngine::kMci, SoundEngine::kMci},
        {"song.ogg", SoundEngine::kUnsupported, SoundEngine::kUnsupported},
        {"song.mp3.txt", SoundEngine::kUnsupported, SoundEngine::kUnsupported},
        {"C:\\my.wav\\readme", SoundEngine::kUnsupported, SoundEngine::kUnsupported},
        {"noextension", SoundEngine::kUnsupported, SoundEngine::kUnsupported},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlayerEngineFor(c.name), c.player) << c.name;
        EXPECT_EQ(IsSupportedSoundFile(c.name), c.player != SoundEngine::kUnsupported) << c.name;
        EXPECT_EQ(ListEngineFor(c.name), c.list) << c.name;
    }
}

TEST(SoundFileRules, CdTrackNumberFromTheName) {
    struct Case {
        const char* name;
        int track;
    } cases[] = {{"D:\\Track05.cda", 5}, {"D:\\Track12.CDA", 12}, {"a.cda", 1},   {".cda", 1},
                 {"ab.cda", 0},          {"x 7.cda", 7},          {"T-3.cda", -3}};
    for (const Case& c : cases)
        EXPECT_EQ(CdTrackNumber(c.name), c.track) << c.name;
}

TEST(SaverSoundList, DeviceProbeDecidesTheExtensions) {
    SoundDeviceProbe none;
    EXPECT_TRUE(PlayableExtensions(none).empty());

    SoundDeviceProbe all;
    all.midiMapperOpened = all.waveOutCaps = all.cdOpened = all.cdStatusAnswered = true;
    all.cdMediaPresent = "TRUE";
    EXPECT_EQ(PlayableExtensions(all),
              (std::vector<std::string>{"CDA", "MID", "RMI", "MP3", "WAV", "MP1", "MP2", "MPP"}));
    SoundDeviceProbe noDisc = all;
    noDisc.cdMediaPresent = "false";
    EXPECT_EQ(PlayableExtensions(noDisc).front(), "MID");
    SoundDeviceProbe statusFailed = all;
    statusFailed.cdStatusAnswered = false;
    EXPECT_FALSE(CdPresent(statusFailed));
    SoundDeviceProbe waveOnly;
    waveOnly.waveOutCaps = true;
    EXPECT_EQ(PlayableExtensions(waveOnly),
              (std::vector<std::string>{"MP3", "WAV", "MP1", "MP2", "MPP"}));
}

TEST(SaverSoundList, RelativeEntriesFoldersAndFilters) {
    std::map<std::string, std::vector<std::string>> disk = {
        {"C:\\Album\\music\\|*.MID", {"b.mid", "a.MID"}},
        {"C:\\Album\\music\\|*.WAV", {"z.wav"}},
        {"C:\\Album\\music\\|*.MP3", {"c.mp3"}},
        {"D:\\abs\\|*.MID", {"d.mid"}},
    };
    std::vector<std::string> asked;
    FolderLister lister = [&](const std::string& folder, const std::string& pattern) {
        asked.push_back(folder + "|" + pattern);
        auto it = disk.find(folder + "|" + pattern);
        return it == disk.end() ? std::vector<std::string>() : it->second;
    };
    std::vector<std::string> album = {"\\music\\",        "D:\\abs\\",
                                      "\\one.wav",        "E:\\x.ogg",
                                      "E:\\loud.MP3",     "\\\\server\\share\\s.wav",
                                      "E:\\cd.cda",       "",
                                      "E:\\my.mid\\noext"};
    std::vector<std::string> ext = {"MID", "RMI", "MP3", "WAV"};
    std::vector<std::string> list =
        BuildSaverSoundList(album, "C:\\Album\\my.alb", ext, lister, false);
    // Folders give their files extension by extension in the file system's order.
    EXPECT_EQ(list, (std::vector<std::string>{"C:\\Album\\music\\b.mid", "C:\\Album\\music\\a.MID",
                                              "C:\\Album\\music\\c.mp3", "C:\\Album\\music\\z.wav",
                                              "D:\\abs\\d.mid", "C:\\Album\\one.wav",
                                              "E:\\loud.MP3", "\\\\server\\share\\s.wav"}));
    EXPECT_EQ(asked.size(), 8u);
    EXPECT_EQ(asked[1], "C:\\Album\\music\\|*.RMI");

    // Shuffled with the C library generator: the same entries, in the order the
    // shared shuffle gives for the same seed.
    CrtSeed(7);
    std::vector<std::string> shuffled =
        BuildSaverSoundList(album, "C:\\Album\\my.alb", ext, lister, true);
    CrtSeed(7);
    std::vector<std::string> expected = list;
    ShuffleList(expected);
    EXPECT_EQ(shuffled, expected);
    EXPECT_NE(shuffled, list);
}

// Records what the list player would start; names listed in `failing` fail
// while starting, as PlayFile reports an unsupported file.
struct FakeListPlayer {
    std::vector<std::string> started;
    std::vector<std::string> failing;
    SoundPlaylist* playlist = nullptr;
    void Start(const SoundListEntry& e) {
        started.push_back(e.name);
        if (std::find(failing.begin(), failing.end(), e.name) != failing.end())
            playlist->EntryFailed();
    }
};

TEST(SoundPlaylistModel, NavigationWrapsForwardAndHoldsAtZero) {
    FakeListPlayer fake;
    SoundPlaylist pl([&](const SoundListEntry& e) { fake.Start(e); });
    fake.playlist = &pl;
    pl.Next(); // no list yet
    pl.PlayAt(0);
    std::vector<std::string> list = {"a.wav", "b.mid", "c.mp3"};
    pl.SetPlaylist(&list);
    EXPECT_TRUE(fake.started.empty());

    pl.PlayAt(3); // outside the list
    pl.PlayAt(-1);
    EXPECT_TRUE(fake.started.empty());
    pl.PlayAt(1);
    pl.Next();
    pl.Next(); // wraps
    pl.Previous();
    pl.Previous(); // held at 0: entry 0 again
    EXPECT_EQ(fake.started,
              (std::vector<std::string>{"b.mid", "c.mp3", "a.wav", "a.wav", "a.wav"}));
    EXPECT_EQ(pl.current(), 0);

    EXPECT_TRUE(pl.EntryEnded());
    pl.PauseElapsed();
    EXPECT_EQ(fake.started.back(), "b.mid");
    pl.SetAdvance(false);
    EXPECT_FALSE(pl.EntryEnded());

    // The saver's list shrank under the player: Previous lands on the last entry.
    pl.PlayAt(2);
    list.resize(1);
    pl.Previous();
    EXPECT_EQ(pl.current(), 0);
    EXPECT_EQ(fake.started.back(), "a.wav");
}

TEST(SoundPlaylistModel, FailingEntriesLeaveTheList) {
    FakeListPlayer fake;
    SoundPlaylist pl([&](const SoundListEntry& e) { fake.Start(e); });
    fake.playlist = &pl;
    std::vector<std::string> list = {"a.wav", "bad1.wav", "bad2.wav", "d.mp3"};
    pl.SetPlaylist(&list);
    fake.failing = {"bad1.wav", "bad2.wav"};

    pl.PlayAt(1); // two failures in a row while starting, then d plays
    EXPECT_EQ(fake.started, (std::vector<std::string>{"bad1.wav", "bad2.wav", "d.mp3"}));
    EXPECT_EQ(list, (std::vector<std::string>{"a.wav", "d.mp3"}));
    EXPECT_EQ(pl.current(), 1);

    // A failure that arrives later (a posted MCI error) for the last entry
    // removes it and starts entry 0.
    pl.EntryFailed();
    EXPECT_EQ(list, (std::vector<std::string>{"a.wav"}));
    EXPECT_EQ(fake.started.back(), "a.wav");
    EXPECT_EQ(pl.current(), 0);
    pl.EntryFailed();
    EXPECT_TRUE(list.empty());
    size_t starts = fake.started.size();
    pl.EntryFailed();
    pl.Next();
    pl.Previous();
    EXPECT_EQ(fake.started.size(), starts);
}

TEST(SoundPlaylistModel, ListOfOnlyUnplayableFilesEmptiesWithoutRecursion) {
    // Every start fails from inside; the starts must never nest, or a long list
    // would exhaust the stack.
    std::vector<std::string> list(5000, "broken.xyz");
    size_t starts = 0;
    int depth = 0, deepest = 0;
    SoundPlaylist* self = nullptr;
    SoundPlaylist pl([&](const SoundListEntry& e) {
        ++starts;
        deepest = std::max(deepest, ++depth);
        EXPECT_EQ(e.engine, SoundEngine::kUnsupported);
        self->EntryFailed();
        --depth;
    });
    self = &pl;
    pl.SetPlaylist(&list);
    pl.PlayAt(4999);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(starts, 5000u);
    EXPECT_EQ(deepest, 1);
}

} // namespace
