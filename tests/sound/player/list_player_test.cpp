// CSoundListPlayer under Wine: songs one after another with the 3-second
// pause, failing entries dropped, a list of nothing playable emptied, MIDI
// entries handed to the stream player, and the saver's list built from the
// devices and folders that are really there.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/harness/win_harness.h"
#include "tests/sound/midi/midi_test_util.h"
#include "tests/sound/player/player_test_util.h"

namespace {

struct Songs {
    std::string dir;
    std::vector<std::string> paths;
    std::vector<std::vector<int16_t>> samples;
};

// `count` short wave files of distinct tones.
Songs MakeSongs(const std::string& name, int count, int frames = 4410) {
    Songs s;
    s.dir = harness::MakeTempDir(name);
    for (int i = 0; i < count; ++i) {
        s.samples.push_back(Tone(2, frames, 300.0 + 150 * i, 1000 * (i + 1)));
        s.paths.push_back(s.dir + "\\song" + std::to_string(i) + ".wav");
        harness::WriteFileBytes(s.paths.back(), WaveFile16(2, 44100, s.samples.back()));
    }
    return s;
}

std::string WriteMidi(const std::string& dir) {
    Bytes notes;
    for (int i = 0; i < 8; ++i) {
        notes = Cat({notes, Vlq(i ? 96 : 0), {0x90, uint8_t(60 + i), 100}});
        notes = Cat({notes, Vlq(96), {0x80, uint8_t(60 + i), 0}});
    }
    Bytes file = Smf(0, 96, {Track(notes)});
    std::string path = dir + "\\tune.mid";
    harness::WriteFileBytes(path, std::string(file.begin(), file.end()));
    return path;
}

bool NoMidiDevice() {
    return midiOutGetNumDevs() == 0;
}

TEST(SoundListPlayer, PlaysTheListInOrderWithThreeSecondPauses) {
    Songs songs = MakeSongs("list-order", 3);
    std::vector<std::string> list = songs.paths;
    RecordingListPlayer player;
    player.SetPlaylist(&list);
    player.PlayAt(0);
    // The capture restarts with every song: look at it as each one ends.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kEnd) > i; }, 60000)) << i;
        EXPECT_TRUE(FindInCapture(SampleBytes(songs.samples[i]), 2000)) << "song " << i;
    }
    EXPECT_TRUE(player.pauseTimerArmed()) << "after the last song the list goes on";

    std::vector<Notice> opens = player.Only(Notice::kOpen), ends = player.Only(Notice::kEnd);
    ASSERT_EQ(opens.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(opens[i].file, songs.paths[i]);
    for (int i = 0; i < 2; ++i) {
        DWORD gap = opens[i + 1].tick - ends[i].tick;
        EXPECT_GE(gap, 2950u) << "pause after song " << i;
        std::printf("pause after song %d: %lu ms\n", i, static_cast<unsigned long>(gap));
    }
    EXPECT_EQ(player.Count(Notice::kError), 0);
    EXPECT_EQ(list, songs.paths);
}

TEST(SoundListPlayer, NextWrapsAndPreviousHoldsAtTheFirstEntry) {
    Songs songs = MakeSongs("list-nav", 2);
    std::vector<std::string> list = songs.paths;
    RecordingListPlayer player;
    player.SetPlaylist(&list);
    player.PlayAt(1);
    player.Next();
    EXPECT_EQ(player.current(), 0);
    player.Previous();
    EXPECT_EQ(player.current(), 0);
    std::vector<Notice> opens = player.Only(Notice::kOpen);
    ASSERT_EQ(opens.size(), 3u);
    EXPECT_EQ(opens[0].file, songs.paths[1]);
    EXPECT_EQ(opens[1].file, songs.paths[0]);
    EXPECT_EQ(opens[2].file, songs.paths[0]);
    // Only the song left playing ends; the ones replaced do not.
    ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kEnd) > 0; }, 5000));
    PumpFor(300);
    EXPECT_EQ(player.Count(Notice::kEnd), 1);
}

TEST(SoundListPlayer, AnUnreadableEntryIsDroppedAndTheNextOnePlays) {
    Songs songs = MakeSongs("list-drop", 2);
    std::string garbage = songs.dir + "\\garbage.wav";
    harness::WriteFileBytes(garbage, std::string(3000, 'g'));
    std::string missing = songs.dir + "\\missing.wav";
    std::vector<std::string> list = {songs.paths[0], missing, garbage, songs.paths[1]};
    RecordingListPlayer player;
    player.SetPlaylist(&list);
    player.PlayAt(1);
    ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kOpen) > 0; }, 5000));
    EXPECT_EQ(player.Only(Notice::kOpen)[0].file, songs.paths[1]);
    EXPECT_EQ(player.current(), 1);
    EXPECT_EQ(list, songs.paths);
    std::vector<Notice> errors = player.Only(Notice::kError);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].file, missing);
    EXPECT_EQ(errors[1].file, garbage);
    for (const Notice& e : errors)
        EXPECT_EQ(e.text, "Failed to open device");
    ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kEnd) > 0; }, 5000));
}

TEST(SoundListPlayer, AListOfOnlyUnplayableFilesEmptiesItself) {
    std::string dir = harness::MakeTempDir("list-none");
    std::string garbage = dir + "\\noise.wav";
    harness::WriteFileBytes(garbage, std::string(3000, 'n'));
    std::string midi = WriteMidi(dir);
    std::vector<std::string> list = {dir + "\\gone.wav", "a.mp",       garbage,
                                     dir + "\\x.mp3",    "readme.txt", dir + "\\gone.au"};
    if (NoMidiDevice()) list.push_back(midi);
    size_t count = list.size();
    RecordingListPlayer player;
    player.SetPlaylist(&list);
    player.PlayAt(0);
    ASSERT_TRUE(PumpUntil([&] { return list.empty(); }, 10000)) << list.size() << " left";
    PumpFor(300);
    EXPECT_EQ(size_t(player.Count(Notice::kError)), count) << "each entry fails exactly once";
    EXPECT_EQ(player.Count(Notice::kOpen), 0);
    EXPECT_EQ(player.mciDevice(), 0u);
    // With nothing left, moving through the list does nothing.
    player.Next();
    player.Previous();
    player.PlayAt(0);
    PumpFor(100);
    EXPECT_EQ(size_t(player.Count(Notice::kError)), count);
}

TEST(SoundListPlayer, MidiEntryWithoutADeviceFailsAndTheListMovesOn) {
    if (!NoMidiDevice()) GTEST_SKIP() << "this machine has a MIDI device";
    Songs songs = MakeSongs("list-midi", 1);
    std::string midi = WriteMidi(songs.dir);
    std::vector<std::string> list = {midi, songs.paths[0]};
    RecordingListPlayer player;
    player.SetPlaylist(&list);
    player.PlayAt(0);
    // The stream player reports synchronously: the song after it starts at once.
    std::vector<Notice> errors = player.Only(Notice::kError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].code, 276);
    EXPECT_EQ(errors[0].text, "Cannot play midi file");
    EXPECT_EQ(list, std::vector<std::string>{songs.paths[0]});
    ASSERT_EQ(player.Count(Notice::kOpen), 1);
    EXPECT_EQ(player.Only(Notice::kOpen)[0].file, songs.paths[0]);
    EXPECT_NE(player.midiPlayer().State(), kMidiStreamPlaying);
    ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kEnd) > 0; }, 5000));
}

TEST(SaverSoundList, BuiltFromTheDevicesAndFoldersThatAreThere) {
    SoundDeviceProbe probe = ProbeSoundDevices();
    EXPECT_TRUE(probe.waveOutCaps);
    if (NoMidiDevice()) {
        EXPECT_FALSE(probe.midiMapperOpened);
    }

    std::string album = harness::MakeTempDir("saver-list");
    std::string music = album + "\\music";
    CreateDirectoryA(music.c_str(), nullptr);
    CreateDirectoryA((music + "\\sub.wav").c_str(), nullptr); // a folder, never a song
    for (const char* n : {"b.wav", "a.mp3", "c.mid", "d.txt", "e.MP2"})
        harness::WriteFileBytes(music + "\\" + n, "x");
    harness::WriteFileBytes(album + "\\rel.wav", "x");
    std::vector<std::string> entries = {music + "\\", "\\rel.wav", album + "\\other.txt",
                                        album + "\\tune.rmi"};
    std::vector<std::string> list =
        BuildSaverSoundListFromDevices(entries, album + "\\my.alb", false);

    std::vector<std::string> expected = {music + "\\a.mp3", music + "\\b.wav", music + "\\e.MP2",
                                         album + "\\rel.wav"};
    if (probe.midiMapperOpened) {
        expected.insert(expected.begin(), music + "\\c.mid");
        expected.push_back(album + "\\tune.rmi");
    }
    EXPECT_EQ(list, expected);
}

} // namespace
