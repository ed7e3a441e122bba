// MPEG audio files played by CSoundPlayer through the decoder engine under Wine:
// what lands in the captured output must be exactly what our decoder makes of
// the same file in this process, through the start-up, flush, pause, seek and
// stop paths of the worker and its wave output.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "sound/mpeg/mpeg_engine_win32.h"
#include "tests/harness/win_harness.h"
#include "tests/sound/player/player_test_util.h"

namespace {

using harness::PumpFor;
using harness::PumpUntil;

const std::string kTestData = PLINTHAR_TESTDATA;
const std::string kVectors = kTestData + "/mpeg-audio/minimp3-vectors/";
const std::string kGenerated = kTestData + "/generated/mpeg-audio/";

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void StartCapture() { harness::StartAudioCapture(); }
std::string Captured() { return harness::CapturedAudio(); }

// Our own decode of a whole file: interleaved 16-bit little-endian bytes.
std::string Decode(const std::string& bytes, uint32_t* frames = nullptr, int* channels = nullptr) {
    MpegMemorySource source(bytes.data(), bytes.size());
    MpegDecoder decoder;
    std::string pcm;
    if (decoder.Open(&source) != kMpegOk) return pcm;
    std::vector<int16_t> out(size_t(kMpegMaxFrameSamples) * kMpegMaxChannels);
    int samples = 0;
    uint32_t n = 0;
    while (decoder.DecodeFrame(out.data(), out.size(), &samples) == kMpegOk) {
        pcm.append(reinterpret_cast<const char*>(out.data()),
                   size_t(samples) * decoder.channels() * 2);
        ++n;
    }
    if (frames) *frames = n;
    if (channels) *channels = decoder.channels();
    return pcm;
}

uint32_t EstimatedFrames(const std::string& bytes) {
    MpegMemorySource source(bytes.data(), bytes.size());
    MpegDecoder decoder;
    return decoder.Open(&source) == kMpegOk ? decoder.FrameCount() : 0;
}

// Where the first difference lies, for failure messages.
std::string FirstDifference(const std::string& got, const std::string& want) {
    size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    return "captured " + std::to_string(got.size()) + " bytes, expected " +
           std::to_string(want.size()) + ", first difference at byte " + std::to_string(i);
}

// Matches got against want sample frame by sample frame (unit bytes each),
// letting got hold runs of silence that want does not have: Wine's mixer writes
// some around a pause and a reset of the device.  Returns how many bytes of want
// were found in order; *used: bytes of got consumed; *runs and *longest: the
// silent runs skipped and the longest of them in bytes.
size_t MatchSkippingSilence(const std::string& got, const std::string& want, size_t unit,
                            size_t* used, int* runs, size_t* longest) {
    size_t i = 0, j = 0;
    *runs = 0;
    *longest = 0;
    while (i + unit <= got.size() && j + unit <= want.size()) {
        if (got.compare(i, unit, want, j, unit) == 0) {
            i += unit;
            j += unit;
            continue;
        }
        size_t zeros = 0;
        while (i + zeros + unit <= got.size() &&
               got.compare(i + zeros, unit, std::string(unit, '\0')) == 0)
            zeros += unit;
        size_t skip = 0;
        for (size_t k = unit; k <= zeros && !skip; k += unit) {
            size_t len = std::min(64 * unit, std::min(got.size() - i - k, want.size() - j));
            if (len && got.compare(i + k, len, want, j, len) == 0) skip = k;
        }
        if (!skip && i + zeros == got.size() && zeros) skip = zeros; // silence at the end
        if (!skip) break;
        i += skip;
        ++*runs;
        *longest = std::max(*longest, skip);
    }
    // Silence after the last sample.
    if (j == want.size() && i < got.size() && got.find_first_not_of('\0', i) == std::string::npos) {
        ++*runs;
        *longest = std::max(*longest, got.size() - i);
        i = got.size();
    }
    *used = i;
    return j;
}

// The sample frames (unit bytes each) that are not silent: Wine's mixer adds
// silence where the device runs dry, as often as the machine's load makes it,
// so comparisons of content leave every silent frame out on both sides.
std::string WithoutSilence(const std::string& pcm, size_t unit) {
    std::string out;
    const std::string silent(unit, '\0');
    for (size_t i = 0; i + unit <= pcm.size(); i += unit)
        if (pcm.compare(i, unit, silent) != 0) out.append(pcm, i, unit);
    return out;
}

using Player = RecordingPlayer;

// The engine with the worker's thread id recorded, to prove the thread is gone.
std::atomic<DWORD> g_workerThread{0};
std::atomic<DecoderControl*> g_control{nullptr};
class TrackedEngine : public CMpegEngine {
  public:
    void Run(DecoderControl* control) override {
        g_workerThread = GetCurrentThreadId();
        g_control = control;
        CMpegEngine::Run(control);
    }
};

bool ThreadEnded(DWORD id) {
    HANDLE h = OpenThread(SYNCHRONIZE, FALSE, id);
    if (!h) return true;
    bool ended = WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
    CloseHandle(h);
    return ended;
}

// Held open across a Stop: whether the worker returned by itself (exit code 0)
// rather than being ended by the player's five-second limit.
class WorkerWatch {
  public:
    explicit WorkerWatch(DWORD id)
        : h_(OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, id)) {}
    ~WorkerWatch() {
        if (h_) CloseHandle(h_);
    }
    WorkerWatch(const WorkerWatch&) = delete;
    WorkerWatch& operator=(const WorkerWatch&) = delete;
    bool EndedByItself() const {
        DWORD code = STILL_ACTIVE;
        return h_ && WaitForSingleObject(h_, 0) == WAIT_OBJECT_0 &&
               GetExitCodeThread(h_, &code) && code == 0;
    }

  private:
    HANDLE h_;
};

class MpegPlayback : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!Exists(kVectors) || !Exists(kGenerated)) GTEST_SKIP() << "no MPEG test streams";
        g_workerThread = 0;
        g_control = nullptr;
        CSoundPlayer::SetDecoderEngineFactory(
            [] { return std::unique_ptr<CDecoderEngine>(new TrackedEngine); });
        dir_ = harness::MakeTempDir("mpeg-engine");
    }
    void TearDown() override { CSoundPlayer::SetDecoderEngineFactory(nullptr); }

    // The player goes by the extension, so a stream is played from a copy named
    // `name` in a scratch folder; `bytes` empties it for the caller.
    std::string Stage(const std::string& from, const std::string& name, std::string* bytes,
                      size_t keep = std::string::npos) {
        std::string data = harness::ReadFileBytes(from).substr(0, keep);
        std::string path = dir_ + "\\" + name;
        harness::WriteFileBytes(path, data);
        if (bytes) *bytes = data;
        return path;
    }

    std::string dir_;
};

TEST_F(MpegPlayback, EveryLayerAndLengthLandsInTheCaptureExactlyAsDecoded) {
    struct Case {
        std::string source;
        const char* name;
        size_t keep;
        const char* why;
    } cases[] = {
        {kGenerated + "l3_44k_cbr128.mp3", "song.mp3", std::string::npos,
         "Layer III 44.1 kHz stereo, 117 frames: three buffers and a partial one"},
        {kVectors + "l1-fl7.bit", "layer1.MP1", std::string::npos,
         "Layer I, 63 frames of 384 samples: shorter than two buffers"},
        {kGenerated + "l2_32k_64_mono.mp2", "mono.mp2", std::string::npos,
         "Layer II single channel, 84 frames"},
        {kVectors + "M2L3_compl24.bit", "lsf.mpp", std::string::npos,
         "MPEG-2 Layer III 24 kHz, 576-sample frames, 212 frames"},
        {kVectors + "l3-hecommon.bit", "short.mp3", std::string::npos,
         "30 frames: only the held buffer and a partial one, both queued at the end"},
        {kVectors + "l2-fl14.bit", "tiny.mp2", std::string::npos,
         "16 frames: less than one buffer"},
        {kGenerated + "l2_48k_256_joint.mp2", "exact96.mp2", 96 * 768,
         "exactly 96 frames: the stream ends on a full buffer"},
        {kVectors + "l3-si_block.bit", "exact64.mp3", std::string::npos,
         "exactly 64 frames: ends right when playback would start"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ": " + c.why);
        std::string bytes;
        std::string path = Stage(c.source, c.name, &bytes, c.keep);
        uint32_t frames = 0;
        int channels = 0;
        std::string pcm = Decode(bytes, &frames, &channels);
        ASSERT_FALSE(pcm.empty());

        Player player;
        player.options = kPlayerReportPosition;
        StartCapture();
        DWORD start = GetTickCount();
        ASSERT_TRUE(player.PlayFile(path.c_str()));
        EXPECT_TRUE(player.usingDecoder());
        EXPECT_TRUE(player.playing());
        ASSERT_TRUE(PumpUntil(
            [&] { return player.Count(Notice::kEnd) + player.Count(Notice::kError) > 0; }, 30000))
            << "no end after 30 s";
        DWORD took = GetTickCount() - start;
        ASSERT_EQ(player.Count(Notice::kError), 0) << player.First(Notice::kError)->text;
        ASSERT_NE(player.First(Notice::kOpen), nullptr);
        EXPECT_EQ(player.First(Notice::kOpen)->value, EstimatedFrames(bytes));
        EXPECT_FALSE(player.workerRunning());
        EXPECT_TRUE(ThreadEnded(g_workerThread));
        // Positions: every 16th frame from the first, then the last frame at the end.
        std::vector<DWORD> positions, expected;
        for (const Notice& n : player.notices)
            if (n.kind == Notice::kPosition) positions.push_back(n.value);
        for (DWORD f = 0; f < frames; f += 16)
            expected.push_back(f);
        expected.push_back(frames - 1);
        EXPECT_EQ(positions, expected);
        // Every sample in order, with whatever silence Wine's mixer added where
        // the device ran dry.
        std::string got = Captured();
        size_t used = 0, longest = 0;
        int runs = 0;
        EXPECT_EQ(MatchSkippingSilence(got, pcm, size_t(channels) * 2, &used, &runs, &longest),
                  pcm.size())
            << FirstDifference(got, pcm);
        EXPECT_EQ(used, got.size());
        // And what was played is within the accuracy bound of a reference decoder's
        // output where there is one (mpg123, without gapless trimming; it drops an
        // encoder's tag frame, which we play as silence, so up to two frames lead).
        std::string refPath = c.source.substr(0, c.source.rfind('.')) + ".mpg123-nogapless.s16le";
        if (c.keep == std::string::npos && Exists(refPath)) {
            std::string ref = harness::ReadFileBytes(refPath);
            double best = 1e9;
            int bestWorst = 0;
            const size_t frameBytes = pcm.size() / frames;
            for (size_t lead = 0; lead <= 2 * frameBytes && lead < pcm.size(); lead += frameBytes) {
                size_t n = std::min(ref.size(), pcm.size() - lead) / 2;
                double sum = 0;
                int worst = 0;
                for (size_t k = 0; k < n; ++k) {
                    int16_t a, b;
                    std::memcpy(&a, pcm.data() + lead + 2 * k, 2);
                    std::memcpy(&b, ref.data() + 2 * k, 2);
                    int d = std::abs(int(a) - int(b));
                    worst = std::max(worst, d);
                    sum += double(d) * d;
                }
                double rms = n ? std::sqrt(sum / double(n)) : 1e9;
                if (rms < best) best = rms, bestWorst = worst;
            }
            EXPECT_LE(bestWorst, 2) << refPath;
            EXPECT_LT(best, 0.289) << refPath;
        }
        std::printf("  %-12s %4u frames  played and ended in %lu ms\n", c.name, frames,
                    static_cast<unsigned long>(took));
    }
}

TEST_F(MpegPlayback, PauseAndResumeLoseNoSamples) {
    std::string bytes;
    std::string path = Stage(kVectors + "l3-sin1k0db.bit", "sine.mp3", &bytes);
    std::string pcm = Decode(bytes);
    StartCapture();
    Player player;
    player.options = kPlayerReportPosition;
    ASSERT_TRUE(player.PlayFile(path.c_str()));
    // Pause three times at different points of the stream, each for a while.
    for (DWORD at : {32u, 112u, 208u}) {
        ASSERT_TRUE(PumpUntil(
            [&] { return player.LastPosition() >= at || player.Count(Notice::kEnd); }, 20000));
        ASSERT_EQ(player.Count(Notice::kEnd), 0) << "ended before the pause at frame " << at;
        player.Pause();
        EXPECT_TRUE(player.paused());
        EXPECT_TRUE(player.workerRunning());
        size_t before = Captured().size();
        PumpFor(400);
        size_t after = Captured().size();
        EXPECT_LE(after - before, 4u * 1152 * 2 * 2) << "the device went on playing while paused";
        EXPECT_TRUE(player.PlayFile(nullptr)); // resumes
        EXPECT_TRUE(player.playing());
    }
    ASSERT_TRUE(PumpUntil(
        [&] { return player.Count(Notice::kEnd) + player.Count(Notice::kError) > 0; }, 30000));
    EXPECT_EQ(player.Count(Notice::kError), 0);
    // Every sample in order, with whatever silence the mixer added around the
    // pauses (how much depends on the machine's load, so it is only reported).
    std::string got = Captured();
    size_t used = 0, longest = 0;
    int runs = 0;
    EXPECT_EQ(MatchSkippingSilence(got, pcm, 4, &used, &runs, &longest), pcm.size())
        << FirstDifference(got, pcm);
    EXPECT_EQ(used, got.size());
    std::printf("  silence added by the mixer: %d runs, longest %zu bytes\n", runs, longest);
}

TEST_F(MpegPlayback, SeeksLandOnTheExactFrameBackwardsAndForwards) {
    std::string bytes;
    // 44.1 kHz: frames of 417 and 418 bytes, found again by their recorded offsets.
    std::string path = Stage(kVectors + "l3-sin1k0db.bit", "seek.mp3", &bytes);
    std::string pcm = Decode(bytes);
    const size_t frameBytes = 1152 * 2 * 2;
    struct Case {
        DWORD after; // the position reached before seeking
        DWORD target;
    } cases[] = {{96, 37}, {64, 3}, {16, 250}};
    for (const Case& c : cases) {
        SCOPED_TRACE("from " + std::to_string(c.after) + " to frame " + std::to_string(c.target));
        StartCapture();
        Player player;
        player.options = kPlayerReportPosition;
        ASSERT_TRUE(player.PlayFile(path.c_str()));
        ASSERT_TRUE(PumpUntil([&] { return player.LastPosition() >= c.after; }, 20000));
        // Paused, the request waits for the worker's next frame boundary.
        player.Pause();
        player.seeking = true;
        EXPECT_TRUE(player.Seek(c.target));
        size_t mark = player.notices.size();
        player.Play();
        ASSERT_TRUE(PumpUntil(
            [&] { return player.Count(Notice::kEnd) + player.Count(Notice::kError) > 0; }, 30000));
        EXPECT_EQ(player.Count(Notice::kError), 0);
        // Seek done, then the new position, before anything else of the worker's.
        bool stateChange = false, position = false;
        for (size_t i = mark; i < player.notices.size(); ++i) {
            if (player.notices[i].kind == Notice::kStateChange) stateChange = true;
            if (stateChange && player.notices[i].kind == Notice::kPosition) {
                EXPECT_EQ(player.notices[i].value, c.target);
                position = true;
                break;
            }
        }
        EXPECT_TRUE(stateChange && position);
        EXPECT_FALSE(player.seeking);

        // The capture: what the device had played before the seek (a start of the
        // stream), then the stream from the target frame to its end.
        std::string got = WithoutSilence(Captured(), 4);
        std::string tail = WithoutSilence(pcm.substr(c.target * frameBytes), 4);
        ASSERT_GE(got.size(), tail.size());
        EXPECT_TRUE(got.compare(got.size() - tail.size(), tail.size(), tail) == 0)
            << "the stream after the seek does not start at frame " << c.target;
        // Before it, what the device got through of the frames decoded before the
        // seek (a pause and a reset let Wine's mixer drop some and add silence):
        // nothing from elsewhere in the stream.
        std::string head = got.substr(0, got.size() - tail.size());
        const std::string before =
            WithoutSilence(pcm.substr(0, (c.after + 3 * 32) * frameBytes), 4);
        for (size_t at = 0; at + 16 <= head.size();) {
            if (head.compare(at, 4, std::string(4, '\0')) == 0) {
                at += 4;
                continue;
            }
            const size_t from = before.find(head.substr(at, 16));
            if (from == std::string::npos) {
                ADD_FAILURE() << "bytes " << at << "..+16 before the seek are not from before it";
                break;
            }
            size_t n = 16;
            while (at + n < head.size() && from + n < before.size() &&
                   head[at + n] == before[from + n])
                ++n;
            at += n - n % 4;
        }
    }
}

TEST_F(MpegPlayback, StopEndsTheWorkerWellWithinItsLimitPlayingOrPaused) {
    std::string bytes;
    std::string path = Stage(kVectors + "l3-test45.bit", "long.mp3", &bytes);
    for (bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused" : "playing");
        StartCapture();
        Player player;
        player.options = kPlayerReportPosition;
        ASSERT_TRUE(player.PlayFile(path.c_str()));
        ASSERT_TRUE(PumpUntil([&] { return player.LastPosition() >= 48; }, 20000));
        ASSERT_EQ(player.Count(Notice::kEnd), 0);
        DWORD worker = g_workerThread;
        ASSERT_NE(worker, 0u);
        if (paused) player.Pause();
        WorkerWatch watch(worker);
        player.Stop();
        EXPECT_TRUE(watch.EndedByItself()) << "the worker saw the request and returned";
        EXPECT_FALSE(player.workerRunning());
        EXPECT_TRUE(ThreadEnded(worker)) << "the worker thread is still there";
        EXPECT_FALSE(player.playing());
        EXPECT_FALSE(player.paused());
        EXPECT_TRUE(player.canPlay());
        // Nothing of the stopped worker arrives afterwards, and the device is silent.
        size_t captured = Captured().size();
        size_t count = player.notices.size();
        PumpFor(300);
        EXPECT_EQ(player.notices.size(), count);
        EXPECT_EQ(Captured().size(), captured);
    }
}

TEST_F(MpegPlayback, StopDoesNotWaitForBuffersTheDeviceHolds) {
    // The device is held paused behind the player's back while the worker runs:
    // every buffer stays queued and the worker waits for one to come back.
    std::string bytes;
    std::string path = Stage(kVectors + "l3-test45.bit", "held.mp3", &bytes);
    Player player;
    player.options = kPlayerReportPosition;
    ASSERT_TRUE(player.PlayFile(path.c_str()));
    ASSERT_TRUE(PumpUntil([&] { return g_control.load() && g_control.load()->waveOut; }, 5000));
    waveOutPause(g_control.load()->waveOut);
    // 96 frames fill all three buffers; the worker then waits before frame 96.
    ASSERT_TRUE(PumpUntil([&] { return player.LastPosition() >= 80; }, 10000));
    PumpFor(500);
    EXPECT_EQ(player.LastPosition(), 80u) << "the worker went on past three buffers";
    DWORD worker = g_workerThread;
    WorkerWatch watch(worker);
    player.Stop();
    EXPECT_TRUE(watch.EndedByItself()) << "the worker was not left waiting for a buffer";
    EXPECT_TRUE(ThreadEnded(worker));
    EXPECT_EQ(player.Count(Notice::kError), 0);
}

TEST_F(MpegPlayback, OtherReleasesOfTheNamedSemaphoreDoNotCorruptTheOutput) {
    // Another player, in this process or another, shares "KelpoMCISemaphore": its
    // device's releases must not let this worker refill a buffer still queued.
    std::string bytes;
    std::string path = Stage(kVectors + "l3-sin1k0db.bit", "shared.mp3", &bytes);
    std::string pcm = Decode(bytes);
    HANDLE sem = CreateSemaphoreA(nullptr, 0, 1024, "KelpoMCISemaphore");
    ASSERT_NE(sem, nullptr);
    ReleaseSemaphore(sem, 500, nullptr); // stale counts before the start
    StartCapture();
    Player player;
    ASSERT_TRUE(player.PlayFile(path.c_str()));
    ASSERT_TRUE(PumpUntil(
        [&] {
            ReleaseSemaphore(sem, 50, nullptr);
            return player.Count(Notice::kEnd) + player.Count(Notice::kError) > 0;
        },
        30000));
    CloseHandle(sem);
    EXPECT_EQ(player.Count(Notice::kError), 0);
    std::string got = Captured();
    size_t used = 0, longest = 0;
    int runs = 0;
    EXPECT_EQ(MatchSkippingSilence(got, pcm, 4, &used, &runs, &longest), pcm.size())
        << FirstDifference(got, pcm);
    EXPECT_EQ(used, got.size());
}

TEST_F(MpegPlayback, FailuresArePostedWithTheirNumbersAndTexts) {
    std::string bytes;
    std::string garbage = dir_ + "\\garbage.mp3";
    harness::WriteFileBytes(garbage, std::string(5000, '\x55'));
    std::string song = Stage(kGenerated + "l3_44k_cbr128.mp3", "beyond.mp3", &bytes);
    struct Case {
        std::string path;
        DWORD seekTo; // 0: no seek
        int code;
        const char* text;
    } cases[] = {
        {dir_ + "\\missing.mp3", 0, 348, "Cannot create bitstream"},
        {garbage, 0, 296, "Invalid file"},
        {song, 5000, 274, "Fail to seek"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Player player;
        bool started = player.PlayFile(c.path.c_str());
        if (c.seekTo) {
            ASSERT_TRUE(started);
            player.Pause();
            EXPECT_TRUE(player.Seek(c.seekTo));
            player.Play();
        } else {
            EXPECT_FALSE(started);
        }
        ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kError) > 0; }, 10000));
        EXPECT_EQ(player.First(Notice::kError)->code, c.code);
        EXPECT_EQ(player.First(Notice::kError)->text, c.text);
        EXPECT_EQ(player.Count(Notice::kEnd), 0);
        EXPECT_FALSE(player.workerRunning());
        EXPECT_FALSE(player.playing());
    }
}

TEST_F(MpegPlayback, WithOptionBit2TheWorkerShowsTheSystemTextBeforeReporting) {
    std::string bytes;
    std::string song = Stage(kGenerated + "l3_44k_cbr128.mp3", "box.mp3", &bytes);
    Player player;
    player.options = kPlayerShowErrorText;
    ASSERT_TRUE(player.PlayFile(song.c_str()));
    harness::BoxAnswerer answer(IDOK);
    player.Pause();
    EXPECT_TRUE(player.Seek(100000));
    player.Play();
    ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kError) > 0; }, 60000));
    const harness::Box& box = answer.Seen();
    ASSERT_TRUE(box.hwnd) << "no message box";
    char expected[512] = {};
    mciGetErrorStringA(274, expected, sizeof(expected));
    EXPECT_EQ(box.caption, "Fail to seek");
    EXPECT_EQ(box.text, expected);
    EXPECT_EQ(box.icon, UINT(MB_ICONWARNING));
    EXPECT_EQ(box.owner, player.Handle());
    EXPECT_EQ(player.First(Notice::kError)->code, 274);
    EXPECT_FALSE(player.workerRunning());
}

TEST(MpegFileSource, ReadsAreBoundedByTheFile) {
    std::string dir = harness::MakeTempDir("mpeg-source");
    std::string path = dir + "\\ten.bin";
    harness::WriteFileBytes(path, "0123456789");
    CMpegFileSource source;
    EXPECT_FALSE(source.Open(dir + "\\absent.bin"));
    EXPECT_EQ(source.ReadAt(0, nullptr, 0), 0u);
    ASSERT_TRUE(source.Open(path));
    EXPECT_EQ(source.Size(), 10u);
    char buf[16] = {};
    struct Case {
        uint64_t offset;
        size_t n;
        const char* want;
    } cases[] = {{0, 4, "0123"}, {7, 16, "789"}, {10, 4, ""}, {1ull << 40, 4, ""}, {3, 0, ""}};
    for (const Case& c : cases) {
        std::fill(buf, buf + sizeof(buf), 0);
        size_t got = source.ReadAt(c.offset, buf, c.n);
        EXPECT_EQ(std::string(buf, got), c.want) << c.offset;
    }
}

} // namespace
