// CSoundPlayer under Wine: wave files through MCI into the captured output,
// the notifications and transport flags, and the decoder-engine contract with
// an engine double on a real worker thread.
#include <gtest/gtest.h>

#include <atomic>

#include "tests/harness/win_harness.h"
#include "tests/sound/midi/midi_test_util.h"
#include "tests/sound/player/player_test_util.h"

namespace {

std::string WriteWave(const std::string& dir, const std::string& name,
                      const std::vector<int16_t>& samples, int channels = 2) {
    std::string path = dir + "\\" + name;
    harness::WriteFileBytes(path, WaveFile16(channels, 44100, samples));
    return path;
}

TEST(SoundPlayerMci, WaveLandsInCaptureSampleForSampleAndEndIsReported) {
    std::string dir = harness::MakeTempDir("player-wave");
    std::vector<int16_t> samples = Tone(2, 11025, 441.0, 3); // 250 ms
    std::string path = WriteWave(dir, "tone.wav", samples);
    RecordingPlayer player;
    ASSERT_TRUE(player.PlayFile(path.c_str()));
    EXPECT_TRUE(player.playing());
    EXPECT_TRUE(player.usingMci());
    EXPECT_TRUE(player.canPause());
    EXPECT_TRUE(player.canStop());
    EXPECT_NE(player.mciDevice(), 0u);
    ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kEnd) > 0; }, 10000));

    ASSERT_GE(player.notices.size(), 2u);
    EXPECT_EQ(player.notices.front().kind, Notice::kOpen);
    EXPECT_EQ(player.notices.front().value, 250u); // length in milliseconds
    EXPECT_EQ(player.notices.back().kind, Notice::kEnd);
    EXPECT_EQ(player.Count(Notice::kError), 0);
    // The end stops and closes the device and leaves the player ready again.
    EXPECT_EQ(player.mciDevice(), 0u);
    EXPECT_FALSE(player.playing());
    EXPECT_TRUE(player.canPlay());
    EXPECT_FALSE(player.canStop());

    // Every sample, in order (the tone is this test's own: no other file has it).
    EXPECT_TRUE(FindInCapture(SampleBytes(samples), 3000))
        << "captured " << CapturedAudio().size() << " bytes, none of them the file's samples";
}

TEST(SoundPlayerMci, NamesThatCannotBePlayedAreRefusedAtOnce) {
    struct Case {
        const char* name;
        bool supported;
    } cases[] = {{"a.mp", false},     {"x.mp3", true},      {"SONG.WaV", true},
                 {"clip.aiff", true}, {"movie.mpeg", true}, {"notes.txt", false},
                 {"noext", false},    {"a.mid.txt", false}, {"Track05.cda", true},
                 {"x.MPP", true},     {"", false}};
    for (const Case& c : cases)
        EXPECT_EQ(CSoundPlayer::IsSupported(c.name), c.supported) << c.name;

    RecordingPlayer player;
    EXPECT_FALSE(player.PlayFile("a.mp"));
    // Reported before PlayFile returns: a caller sees the failure synchronously.
    ASSERT_EQ(player.notices.size(), 1u);
    EXPECT_EQ(player.notices[0].kind, Notice::kError);
    EXPECT_EQ(player.notices[0].code, 296);
    EXPECT_EQ(player.notices[0].text, "Unsupported file format");
    EXPECT_FALSE(player.PlayFile(""));
    EXPECT_EQ(player.Count(Notice::kError), 2);
    PumpFor(100);
    EXPECT_EQ(player.Count(Notice::kError), 2);
}

TEST(SoundPlayerMci, FilesMciCannotOpenArePostedAsOpenFailures) {
    std::string dir = harness::MakeTempDir("player-bad");
    std::string garbage = dir + "\\garbage.wav";
    harness::WriteFileBytes(garbage, std::string(4000, 'x'));
    for (std::string path : {dir + "\\missing.wav", garbage}) {
        RecordingPlayer player;
        EXPECT_FALSE(player.PlayFile(path.c_str())) << path;
        EXPECT_EQ(player.notices.size(), 0u) << "open failures arrive as posted messages";
        ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kError) > 0; }, 3000)) << path;
        Notice n = player.Only(Notice::kError)[0];
        EXPECT_NE(n.code, 0);
        EXPECT_EQ(n.text, "Failed to open device");
        EXPECT_EQ(player.mciDevice(), 0u);
        EXPECT_FALSE(player.playing());
        EXPECT_EQ(player.Count(Notice::kOpen), 0);
    }
}

// MIDI files through MCI (the preview players' way) on a machine without any
// MIDI output: refused as an open failure before the sequencer is asked (Wine's
// would accept the file and fault some seconds after it is closed).
TEST(SoundPlayerMci, MidiFileWithoutASynthesizerIsAnOpenFailure) {
    if (midiOutGetNumDevs() != 0) GTEST_SKIP() << "this machine has a MIDI device";
    std::string dir = harness::MakeTempDir("player-midi");
    Bytes notes = Cat({Vlq(0), {0x90, 60, 100}, Vlq(96), {0x80, 60, 0}});
    Bytes file = Smf(0, 96, {Track(notes)});
    for (const char* name : {"\\tune.mid", "\\tune.RMI"}) {
        std::string path = dir + name;
        harness::WriteFileBytes(path, std::string(file.begin(), file.end()));
        RecordingPlayer player;
        EXPECT_FALSE(player.PlayFile(path.c_str()));
        ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kError) > 0; }, 2000));
        EXPECT_EQ(player.Only(Notice::kError)[0].code, 343);
        EXPECT_EQ(player.Only(Notice::kError)[0].text, "Failed to open device");
        EXPECT_EQ(player.mciDevice(), 0u);
    }
}

TEST(SoundPlayerMci, PauseStopsThePositionTimerAndPlayResumes) {
    std::string dir = harness::MakeTempDir("player-pause");
    std::string path = WriteWave(dir, "long.wav", Tone(1, 44100 * 20, 300.0, 0), 1);
    RecordingPlayer player;
    player.options = kPlayerReportPosition;
    ASSERT_TRUE(player.PlayFile(path.c_str()));
    EXPECT_TRUE(player.pollTimerRunning());
    EXPECT_EQ(player.Only(Notice::kOpen).at(0).value, 20000u);

    player.Pause();
    EXPECT_TRUE(player.paused());
    EXPECT_FALSE(player.playing());
    EXPECT_TRUE(player.canPlay());
    EXPECT_FALSE(player.canPause());
    EXPECT_FALSE(player.pollTimerRunning());
    player.Pause(); // not allowed twice: nothing changes
    EXPECT_TRUE(player.paused());

    // PlayFile without a name resumes the paused file.
    EXPECT_TRUE(player.PlayFile(nullptr));
    EXPECT_FALSE(player.paused());
    EXPECT_TRUE(player.playing());
    EXPECT_TRUE(player.pollTimerRunning());
    EXPECT_EQ(player.Count(Notice::kOpen), 1);

    EXPECT_TRUE(player.Seek(1000));
    EXPECT_EQ(player.notices.back().kind, Notice::kStateChange);
    player.Stop();
    EXPECT_FALSE(player.pollTimerRunning());
    EXPECT_EQ(player.mciDevice(), 0u);
    EXPECT_FALSE(player.canStop());
    // A seek with nothing playing is refused but still reported as a state change.
    size_t n = player.notices.size();
    EXPECT_FALSE(player.Seek(10));
    ASSERT_EQ(player.notices.size(), n + 1);
    EXPECT_EQ(player.notices.back().kind, Notice::kStateChange);
    PumpFor(200);
    EXPECT_EQ(player.Count(Notice::kEnd), 0) << "a stopped file must not report its end";
    EXPECT_EQ(player.Count(Notice::kError), 0);
}

TEST(SoundPlayerMci, AFailureStillQueuedForAReplacedFileDoesNotStopTheNextOne) {
    std::string dir = harness::MakeTempDir("player-stale");
    std::string good = WriteWave(dir, "good.wav", Tone(2, 4410, 500.0, 9));
    RecordingPlayer player;
    EXPECT_FALSE(player.PlayFile((dir + "\\missing.wav").c_str()));
    // The failure is posted but not yet handled when the next file starts.
    ASSERT_TRUE(player.PlayFile(good.c_str()));
    ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kEnd) > 0; }, 5000));
    EXPECT_EQ(player.Count(Notice::kError), 0);
    EXPECT_EQ(player.notices.back().file, good);
}

// ---- The decoder engine contract, with a double of the engine ----

enum class Behaviour { kCooperative, kHoldsLockForever, kFailsAfterFrames };

struct EngineScript {
    Behaviour behaviour = Behaviour::kCooperative;
    int openResult = 0;
    DWORD totalFrames = 64;
    DWORD frameSleepMs = 2;
    std::atomic<int> frames{0};
    std::atomic<int> opened{0}, closed{0}, runs{0}, stopsSeen{0};
};
EngineScript* g_script = nullptr;

class FakeEngine : public CDecoderEngine {
  public:
    int Open(const std::string&, DWORD* lengthFrames) override {
        ++g_script->opened;
        *lengthFrames = g_script->totalFrames;
        return g_script->openResult;
    }
    void Close() override { ++g_script->closed; }
    void Run(DecoderControl* c) override {
        ++g_script->runs;
        DWORD frame = 0;
        for (;;) {
            while (!TryEnterCriticalSection(&c->lock)) // polled, as the contract asks
                Sleep(1);
            if (g_script->behaviour == Behaviour::kHoldsLockForever && frame == 5)
                for (;;)
                    Sleep(10);
            if (c->stopRequest) {
                ++g_script->stopsSeen;
                LeaveCriticalSection(&c->lock);
                SetEvent(c->doneEvent);
                return;
            }
            if (c->seekRequest) {
                c->seekRequest = false;
                frame = c->seekTarget;
                PostMessageA(c->notifyWindow, kPlayerMsgSeekDone, 0, 0);
                PostMessageA(c->notifyWindow, kPlayerMsgPosition, frame, 0);
            }
            if (g_script->behaviour == Behaviour::kFailsAfterFrames && frame == 10) {
                PostMessageA(c->notifyWindow, kPlayerMsgError, 349,
                             reinterpret_cast<LPARAM>("Cannot write to output buffer"));
                LeaveCriticalSection(&c->lock);
                return;
            }
            ++frame;
            ++g_script->frames;
            if ((c->options & kPlayerReportPosition) && frame % 16 == 0)
                PostMessageA(c->notifyWindow, kPlayerMsgPosition, frame, 0);
            if (frame >= g_script->totalFrames) {
                c->finished = true;
                PostMessageA(c->notifyWindow, kPlayerMsgDecodeDone, 0, 0);
                LeaveCriticalSection(&c->lock);
                return;
            }
            LeaveCriticalSection(&c->lock);
            Sleep(g_script->frameSleepMs);
        }
    }
};

class DecoderContract : public ::testing::Test {
  protected:
    void SetUp() override {
        g_script = &script;
        CSoundPlayer::SetDecoderEngineFactory(
            [] { return std::unique_ptr<CDecoderEngine>(new FakeEngine); });
    }
    void TearDown() override { CSoundPlayer::SetDecoderEngineFactory(nullptr); }
    EngineScript script;
};

TEST_F(DecoderContract, WorkerPlaysToTheEndWithPositionsThenEnds) {
    RecordingPlayer player;
    player.options = kPlayerReportPosition;
    ASSERT_TRUE(player.PlayFile("song.mp3"));
    EXPECT_TRUE(player.usingDecoder());
    EXPECT_TRUE(player.playing());
    EXPECT_TRUE(player.workerRunning());
    ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kEnd) > 0; }, 5000));
    EXPECT_EQ(player.notices.front().kind, Notice::kOpen);
    EXPECT_EQ(player.notices.front().value, 64u);
    std::vector<Notice> positions = player.Only(Notice::kPosition);
    // Every 16th frame up to the last one (64), which the worker posts before its end.
    ASSERT_EQ(positions.size(), 4u);
    for (size_t i = 0; i < positions.size(); ++i)
        EXPECT_EQ(positions[i].value, 16u * (i + 1));
    EXPECT_FALSE(player.workerRunning());
    EXPECT_EQ(script.closed.load(), 1);
    EXPECT_EQ(script.stopsSeen.load(), 0);
    EXPECT_TRUE(player.canPlay());
    EXPECT_EQ(player.Count(Notice::kError), 0);
}

TEST_F(DecoderContract, OpenFailuresCarryTheirTexts) {
    struct Case {
        int rc;
        const char* text;
    } cases[] = {{348, "Cannot create bitstream"}, {264, "Out of memory"}, {296, "Invalid file"}};
    for (const Case& c : cases) {
        script.openResult = c.rc;
        RecordingPlayer player;
        EXPECT_FALSE(player.PlayFile("song.mp2"));
        ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kError) > 0; }, 2000));
        EXPECT_EQ(player.Only(Notice::kError)[0].code, c.rc);
        EXPECT_EQ(player.Only(Notice::kError)[0].text, c.text);
        EXPECT_EQ(player.Count(Notice::kOpen), 0);
        EXPECT_FALSE(player.workerRunning());
    }
    EXPECT_EQ(script.runs.load(), 0);
    EXPECT_EQ(script.closed.load(), 3) << "a failed open still releases what it made";

    CSoundPlayer::SetDecoderEngineFactory(nullptr);
    RecordingPlayer player;
    EXPECT_FALSE(player.PlayFile("song.mp3"));
    ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kError) > 0; }, 2000));
    EXPECT_EQ(player.Only(Notice::kError)[0].code, 348);
}

TEST_F(DecoderContract, PauseSuspendsTheWorkerAndStopEndsItQuickly) {
    script.totalFrames = 1000000;
    RecordingPlayer player;
    ASSERT_TRUE(player.PlayFile("long.mp3"));
    ASSERT_TRUE(PumpUntil([&] { return script.frames > 20; }, 3000));
    player.Pause();
    EXPECT_TRUE(player.paused());
    int at = script.frames;
    Sleep(150);
    EXPECT_LE(script.frames - at, 1) << "the worker goes on while paused";
    // A seek while paused must not wait for a suspended worker.
    EXPECT_TRUE(player.Seek(500));
    player.Play();
    EXPECT_TRUE(player.playing());
    ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kStateChange) > 0; }, 3000));
    ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kPosition) > 0; }, 3000));
    EXPECT_EQ(player.Only(Notice::kPosition)[0].value, 500u);

    player.Pause();
    player.Stop(); // from pause: resumes the worker so that it can see the request
    EXPECT_EQ(script.stopsSeen.load(), 1) << "the worker ended on the request, not by force";
    EXPECT_FALSE(player.workerRunning());
    EXPECT_FALSE(player.paused());
    EXPECT_EQ(script.closed.load(), 1);
    PumpFor(100);
    EXPECT_EQ(player.Count(Notice::kEnd), 0);
}

TEST_F(DecoderContract, AWorkerThatNeverAnswersIsEndedAfterFiveSeconds) {
    script.behaviour = Behaviour::kHoldsLockForever;
    script.totalFrames = 1000000;
    {
        RecordingPlayer player;
        ASSERT_TRUE(player.PlayFile("stuck.mp3"));
        ASSERT_TRUE(PumpUntil([&] { return script.frames >= 5; }, 3000));
        Sleep(50);
        DWORD start = GetTickCount();
        player.Stop();
        EXPECT_GE(GetTickCount() - start, 4900u) << "the worker had its five seconds";
        EXPECT_FALSE(player.workerRunning());
        EXPECT_EQ(script.stopsSeen.load(), 0);
        EXPECT_EQ(script.closed.load(), 1);

        // The ended worker held the control block's lock: the next file must
        // still start, seek and stop.
        script.behaviour = Behaviour::kCooperative;
        script.frames = 0;
        ASSERT_TRUE(player.PlayFile("next.mp3"));
        ASSERT_TRUE(PumpUntil([&] { return script.frames > 3; }, 3000));
        EXPECT_TRUE(player.Seek(10));
        player.Stop();
        EXPECT_EQ(script.stopsSeen.load(), 1) << "the next worker ends on the request";
    }
}

TEST_F(DecoderContract, TheEndOfAReplacedFileDoesNotEndTheNextOne) {
    script.totalFrames = 3;
    RecordingPlayer player;
    ASSERT_TRUE(player.PlayFile("short.mp3"));
    for (int i = 0; i < 300 && script.frames < 3; ++i)
        Sleep(10);
    ASSERT_EQ(script.frames.load(), 3);
    Sleep(50); // its end is posted, not yet handled
    script.totalFrames = 1000000;
    ASSERT_TRUE(player.PlayFile("long.mp3"));
    PumpFor(300);
    EXPECT_EQ(player.Count(Notice::kEnd), 0);
    EXPECT_TRUE(player.playing());
    EXPECT_TRUE(player.workerRunning());
    player.Stop();
}

TEST_F(DecoderContract, WorkerFailureStopsThePlayerAndReportsIt) {
    script.behaviour = Behaviour::kFailsAfterFrames;
    RecordingPlayer player;
    ASSERT_TRUE(player.PlayFile("bad.mpp"));
    ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kError) > 0; }, 3000));
    Notice e = player.Only(Notice::kError)[0];
    EXPECT_EQ(e.code, 349);
    EXPECT_EQ(e.text, "Cannot write to output buffer");
    EXPECT_FALSE(player.workerRunning());
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(script.closed.load(), 1);
    EXPECT_EQ(player.Count(Notice::kEnd), 0);
}

} // namespace
