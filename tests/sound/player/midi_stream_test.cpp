// CMidiStreamPlayer against a double of the MIDI stream device: buffers are
// played and handed back on the double's own thread, as a driver does, so the
// rotation, refilling, stop and end message run as they would on a machine
// with a synthesizer. Under Wine the real device is missing, and the test of
// the real calls is that they fail cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <set>

#include "tests/harness/win_harness.h"
#include "tests/sound/midi/midi_test_util.h"
#include "tests/sound/player/player_test_util.h"

namespace {

struct FakeDevice {
    CRITICAL_SECTION cs;
    HANDLE wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    volatile bool quit = false;
    std::deque<MIDIHDR*> queue;
    DWORD_PTR callback = 0, instance = 0;
    bool restarted = false, flushRequested = false;

    // Behaviour.
    MMRESULT openResult = MMSYSERR_NOERROR, propertyResult = MMSYSERR_NOERROR;
    int failOutCall = 0; // the n-th midiStreamOut fails (1-based; 0: none)
    DWORD playMs = 2;

    // What happened.
    int opens = 0, closes = 0, outCalls = 0, prepared = 0, unprepared = 0;
    bool closedWhileQueued = false, oversized = false, unpreparedOut = false;
    DWORD timeDiv = 0;
    std::vector<DWORD> shortMsgs;
    std::vector<std::string> played; // data of each buffer the device played, in order
    std::vector<MIDIHDR*> playedHeaders;
    std::set<DWORD> outThreads;
    size_t maxQueued = 0;
    DWORD lastReturnTick = 0;

    FakeDevice() { InitializeCriticalSection(&cs); }
    ~FakeDevice() {
        quit = true;
        if (thread) {
            SetEvent(wake);
            WaitForSingleObject(thread, 5000);
            CloseHandle(thread);
        }
        CloseHandle(wake);
        DeleteCriticalSection(&cs);
    }
    void Done(MIDIHDR* h) {
        h->dwFlags = (h->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
        reinterpret_cast<void(CALLBACK*)(HMIDIOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR)>(
            callback)(nullptr, MOM_DONE, instance, reinterpret_cast<DWORD_PTR>(h), 0);
    }
    void Run() {
        while (!quit) {
            WaitForSingleObject(wake, 5);
            std::vector<MIDIHDR*> flushed;
            MIDIHDR* next = nullptr;
            EnterCriticalSection(&cs);
            if (flushRequested) {
                flushed.assign(queue.begin(), queue.end());
                queue.clear();
                flushRequested = false;
            } else if (restarted && !queue.empty()) {
                next = queue.front();
            }
            LeaveCriticalSection(&cs);
            for (MIDIHDR* h : flushed)
                Done(h);
            if (!next) continue;
            Sleep(playMs);
            EnterCriticalSection(&cs);
            bool mine = !queue.empty() && queue.front() == next && !flushRequested;
            if (mine) {
                queue.pop_front();
                played.emplace_back(next->lpData, next->dwBytesRecorded);
                playedHeaders.push_back(next);
                lastReturnTick = GetTickCount();
            }
            LeaveCriticalSection(&cs);
            if (mine) Done(next);
        }
    }
};
FakeDevice* g_dev = nullptr;
const HMIDISTRM kStream = reinterpret_cast<HMIDISTRM>(static_cast<UINT_PTR>(0x5150));

DWORD WINAPI DeviceThread(LPVOID) {
    g_dev->Run();
    return 0;
}
MMRESULT WINAPI FakeOpen(LPHMIDISTRM h, LPUINT device, DWORD n, DWORD_PTR cb, DWORD_PTR inst,
                         DWORD flags) {
    if (g_dev->openResult) return g_dev->openResult;
    if (!device || *device != MIDI_MAPPER || n != 1 || flags != CALLBACK_FUNCTION) return 11;
    ++g_dev->opens;
    g_dev->callback = cb;
    g_dev->instance = inst;
    *h = kStream;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI FakeProperty(HMIDISTRM, LPBYTE data, DWORD flags) {
    if (flags == (MIDIPROP_SET | MIDIPROP_TIMEDIV))
        g_dev->timeDiv = reinterpret_cast<MIDIPROPTIMEDIV*>(data)->dwTimeDiv;
    return g_dev->propertyResult;
}
MMRESULT WINAPI FakeOut(HMIDISTRM, LPMIDIHDR h, UINT) {
    EnterCriticalSection(&g_dev->cs);
    int call = ++g_dev->outCalls;
    g_dev->outThreads.insert(GetCurrentThreadId());
    MMRESULT r = MMSYSERR_NOERROR;
    if (call == g_dev->failOutCall) {
        r = MMSYSERR_ERROR;
    } else if (!(h->dwFlags & MHDR_PREPARED)) {
        g_dev->unpreparedOut = true;
        r = MIDIERR_UNPREPARED;
    } else {
        if (h->dwBytesRecorded > h->dwBufferLength) g_dev->oversized = true;
        h->dwFlags = (h->dwFlags | MHDR_INQUEUE) & ~MHDR_DONE;
        g_dev->queue.push_back(h);
        g_dev->maxQueued = std::max(g_dev->maxQueued, g_dev->queue.size());
    }
    LeaveCriticalSection(&g_dev->cs);
    SetEvent(g_dev->wake);
    return r;
}
MMRESULT WINAPI FakeRestart(HMIDISTRM) {
    EnterCriticalSection(&g_dev->cs);
    g_dev->restarted = true;
    LeaveCriticalSection(&g_dev->cs);
    SetEvent(g_dev->wake);
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI FakeStop(HMIDISTRM) {
    EnterCriticalSection(&g_dev->cs);
    g_dev->restarted = false;
    g_dev->flushRequested = true;
    LeaveCriticalSection(&g_dev->cs);
    SetEvent(g_dev->wake);
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI FakeClose(HMIDISTRM) {
    EnterCriticalSection(&g_dev->cs);
    bool busy = !g_dev->queue.empty();
    if (busy)
        g_dev->closedWhileQueued = true;
    else
        ++g_dev->closes;
    LeaveCriticalSection(&g_dev->cs);
    return busy ? MMRESULT(MIDIERR_STILLPLAYING) : MMRESULT(MMSYSERR_NOERROR);
}
MMRESULT WINAPI FakeShort(HMIDIOUT, DWORD msg) {
    g_dev->shortMsgs.push_back(msg);
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI FakePrepare(HMIDIOUT, LPMIDIHDR h, UINT size) {
    if (size != sizeof(MIDIHDR)) return MMSYSERR_INVALPARAM;
    h->dwFlags |= MHDR_PREPARED;
    ++g_dev->prepared;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI FakeUnprepare(HMIDIOUT, LPMIDIHDR h, UINT) {
    if (h->dwFlags & MHDR_INQUEUE) return MIDIERR_STILLPLAYING;
    h->dwFlags &= ~MHDR_PREPARED;
    ++g_dev->unprepared;
    return MMSYSERR_NOERROR;
}
const MidiStreamApi kFakeApi = {FakeOpen,  FakeProperty, FakeOut,     FakeRestart,  FakeStop,
                                FakeClose, FakeShort,    FakePrepare, FakeUnprepare};

// The owner's window: records the end messages with their arrival time.
struct EndMessage {
    WPARAM wp;
    LPARAM lp;
    DWORD tick;
};
std::vector<EndMessage> g_ends;
LRESULT CALLBACK OwnerProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMidiStreamEndMessage) {
        g_ends.push_back({wp, lp, GetTickCount()});
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}
HWND MakeOwner() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MidiTestOwner";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "MidiTestOwner", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           wc.hInstance, nullptr);
}

// A two-track piece of about a dozen buffers: tempo and a program in track 0,
// a 2,000-byte system-exclusive message and 400 notes in track 1.
Bytes Piece() {
    Bytes t0 = Cat({Vlq(0), {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}, Vlq(0), {0xC0, 0x05}});
    Bytes sysex = {0xF0};
    Bytes len = Vlq(2000);
    sysex.insert(sysex.end(), len.begin(), len.end());
    for (int i = 0; i < 1999; ++i)
        sysex.push_back(uint8_t(i & 0x7F));
    sysex.push_back(0xF7);
    Bytes t1 = Cat({Vlq(0), sysex});
    for (int i = 0; i < 400; ++i) {
        t1 = Cat({t1, Vlq(6), {0x91, uint8_t(40 + i % 40), 90}});
        t1 = Cat({t1, Vlq(6), {0x81, uint8_t(40 + i % 40), 0}});
    }
    return Smf(1, 96, {Track(t0), Track(t1)});
}

std::string WritePiece(const std::string& dir, const Bytes& bytes, const char* name = "piece.mid") {
    std::string path = dir + "\\" + name;
    harness::WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
    return path;
}

// What the device must receive: the preroll, then 1024-byte buffers until the end.
std::vector<std::string> ExpectedBuffers(const Bytes& file) {
    MidiStreamConverter conv;
    std::vector<std::string> out;
    if (conv.Load(file.data(), file.size()) != kMidiOk || conv.Rewind(0) != kMidiOk) return out;
    std::vector<uint8_t> buf(32768);
    size_t used = 0;
    conv.WritePreroll(buf.data(), buf.size(), &used);
    out.emplace_back(reinterpret_cast<char*>(buf.data()), used);
    for (bool end = false; !end;) {
        if (conv.FillBuffer(buf.data(), kMidiStreamBufferSize, &used, &end) != kMidiOk) break;
        if (used) out.emplace_back(reinterpret_cast<char*>(buf.data()), used);
    }
    return out;
}

class MidiStream : public ::testing::Test {
  protected:
    void SetUp() override {
        g_dev = &dev;
        g_ends.clear();
        dev.thread = CreateThread(nullptr, 0, DeviceThread, nullptr, 0, &dev.threadId);
        owner = MakeOwner();
        dir = harness::MakeTempDir("midi-stream");
    }
    void TearDown() override { DestroyWindow(owner); }
    FakeDevice dev;
    HWND owner = nullptr;
    std::string dir;
};

TEST_F(MidiStream, PlaysThePieceThroughFourRotatingBuffersAndReportsTheEnd) {
    Bytes file = Piece();
    std::vector<std::string> expected = ExpectedBuffers(file);
    ASSERT_GT(expected.size(), 8u) << "the piece must need the buffers more than once";
    CMidiStreamPlayer player(kFakeApi);
    player.fileName = WritePiece(dir, file);
    ASSERT_EQ(player.Start(owner), 0);
    EXPECT_EQ(player.State(), kMidiStreamPlaying);
    ASSERT_TRUE(PumpUntil([&] { return !g_ends.empty(); }, 10000));
    PumpFor(100);

    EXPECT_EQ(dev.timeDiv, 96u);
    ASSERT_EQ(dev.shortMsgs.size(), 16u);
    for (DWORD c = 0; c < 16; ++c)
        EXPECT_EQ(dev.shortMsgs[c], 0xC0 + c);
    // Every byte reached the device in order: preroll, then the buffers as filled.
    EXPECT_EQ(dev.played, expected);
    EXPECT_FALSE(dev.oversized);
    EXPECT_FALSE(dev.unpreparedOut);
    EXPECT_LE(dev.maxQueued, size_t(kMidiStreamBufferCount + 1));
    std::set<MIDIHDR*> regular(dev.playedHeaders.begin() + 1, dev.playedHeaders.end());
    EXPECT_EQ(regular.size(), size_t(kMidiStreamBufferCount));
    EXPECT_TRUE(dev.outThreads.count(dev.threadId)) << "buffers are requeued from the callback";

    // One end message, no sooner than a second after the last buffer came back
    // (a loaded machine can only make it later), and the stream closed with every
    // header unprepared.
    ASSERT_EQ(g_ends.size(), 1u);
    EXPECT_EQ(g_ends[0].wp, player.PlaybackNumber());
    EXPECT_EQ(g_ends[0].lp, 1);
    DWORD delay = g_ends[0].tick - dev.lastReturnTick;
    EXPECT_GE(delay, 990u);
    std::printf("end message %lu ms after the last buffer\n", static_cast<unsigned long>(delay));
    EXPECT_EQ(dev.closes, 1);
    EXPECT_FALSE(dev.closedWhileQueued);
    EXPECT_EQ(dev.prepared, dev.unprepared);
    EXPECT_EQ(player.State(), kMidiStreamOpened);
    EXPECT_EQ(player.Pending(), 0);
}

TEST_F(MidiStream, StopWaitsForEveryBufferThenClosesAndSendsNoEnd) {
    dev.playMs = 40;
    CMidiStreamPlayer player(kFakeApi);
    player.fileName = WritePiece(dir, Piece());
    ASSERT_EQ(player.Start(owner), 0);
    PumpFor(100);
    ASSERT_GT(player.Pending(), 0);
    EXPECT_EQ(player.Stop(), 0);
    EXPECT_EQ(player.Pending(), 0);
    EXPECT_EQ(player.State(), kMidiStreamOpened);
    EXPECT_EQ(dev.closes, 1);
    EXPECT_FALSE(dev.closedWhileQueued);
    EXPECT_EQ(dev.prepared, dev.unprepared);
    size_t playedAtStop = dev.played.size();
    PumpFor(1500);
    EXPECT_TRUE(g_ends.empty());
    EXPECT_EQ(dev.played.size(), playedAtStop);
    EXPECT_EQ(player.Stop(), kMidiErrWrongState);
}

TEST_F(MidiStream, DeviceFailuresReportNotReadyAndLeaveNothingQueued) {
    struct Case {
        const char* what;
        MMRESULT open, property;
        int failOut;
        int closes;
    } cases[] = {{"open", 69, 0, 0, 0},
                 {"time division", 0, MMSYSERR_ERROR, 0, 1},
                 {"preroll queue", 0, 0, 1, 1},
                 {"third buffer", 0, 0, 3, 1}};
    for (const Case& c : cases) {
        FakeDevice local;
        g_dev = &local;
        local.thread = CreateThread(nullptr, 0, DeviceThread, nullptr, 0, &local.threadId);
        local.openResult = c.open;
        local.propertyResult = c.property;
        local.failOutCall = c.failOut;
        CMidiStreamPlayer player(kFakeApi);
        player.fileName = WritePiece(dir, Piece());
        EXPECT_EQ(player.Start(owner), kMidiErrDeviceNotReady) << c.what;
        EXPECT_EQ(player.State(), kMidiStreamOpened) << c.what;
        EXPECT_EQ(player.Pending(), 0) << c.what;
        EXPECT_EQ(local.closes, c.closes) << c.what;
        EXPECT_FALSE(local.closedWhileQueued) << c.what;
        EXPECT_EQ(local.prepared, local.unprepared) << c.what;
        EXPECT_TRUE(local.played.empty()) << c.what;
        PumpFor(50);
        EXPECT_TRUE(g_ends.empty()) << c.what;
        player.Release();
        g_dev = &dev;
    }
}

TEST_F(MidiStream, ABufferThatCannotBeRequeuedEndsThePieceEarly) {
    // Calls 1 to 5 queue the preroll and the four buffers; 7 is the second requeue.
    dev.failOutCall = 7;
    CMidiStreamPlayer player(kFakeApi);
    player.fileName = WritePiece(dir, Piece());
    ASSERT_EQ(player.Start(owner), 0);
    ASSERT_TRUE(PumpUntil([&] { return !g_ends.empty(); }, 5000))
        << "the owner must hear that the piece is over, or its list stalls";
    EXPECT_EQ(dev.closes, 1);
    EXPECT_EQ(player.State(), kMidiStreamOpened);
    EXPECT_EQ(player.Pending(), 0);
}

TEST_F(MidiStream, FilesThatAreNotMidiAreRefusedBeforeTheDevice) {
    std::string garbage = WritePiece(dir, Bytes(100, 0x55), "noise.mid");
    Bytes cut = Piece();
    cut.resize(cut.size() / 2);
    std::string truncated = WritePiece(dir, cut, "cut.mid");
    for (const std::string& name : {dir + "\\missing.mid", garbage, truncated}) {
        CMidiStreamPlayer player(kFakeApi);
        player.fileName = name;
        EXPECT_EQ(player.Start(owner), 296) << name;
        EXPECT_NE(player.State(), kMidiStreamPlaying);
        EXPECT_EQ(player.Stop(), kMidiErrWrongState);
    }
    EXPECT_EQ(dev.opens, 0);
}

TEST_F(MidiStream, ANewStartReleasesThePreviousPlayback) {
    dev.playMs = 30;
    CMidiStreamPlayer player(kFakeApi);
    player.fileName = WritePiece(dir, Piece());
    ASSERT_EQ(player.Start(owner), 0);
    PumpFor(60);
    dev.playMs = 2;
    ASSERT_EQ(player.Start(owner), 0);
    EXPECT_EQ(dev.closes, 1) << "the first stream is closed before the second opens";
    ASSERT_TRUE(PumpUntil([&] { return !g_ends.empty(); }, 10000));
    PumpFor(200);
    ASSERT_EQ(g_ends.size(), 1u);
    EXPECT_EQ(g_ends[0].wp, player.PlaybackNumber());
    EXPECT_EQ(dev.opens, 2);
    EXPECT_EQ(dev.closes, 2);
}

TEST_F(MidiStream, TheListPlayerGoesOnThreeSecondsAfterTheEndOfAPiece) {
    std::string wav = dir + "\\after.wav";
    harness::WriteFileBytes(wav, WaveFile16(2, 44100, Tone(2, 2205, 700.0, 11)));
    std::vector<std::string> list = {WritePiece(dir, Piece()), wav};
    RecordingListPlayer player(kFakeApi);
    player.SetPlaylist(&list);
    player.PlayAt(0);
    EXPECT_EQ(player.midiPlayer().State(), kMidiStreamPlaying);
    ASSERT_TRUE(PumpUntil([&] { return player.Count(Notice::kOpen) > 0; }, 10000));
    std::vector<Notice> ends = player.Only(Notice::kEnd);
    ASSERT_EQ(ends.size(), 1u);
    Notice open = player.Only(Notice::kOpen)[0];
    EXPECT_EQ(open.file, wav);
    EXPECT_GE(open.tick - ends[0].tick, 2950u) << "the pause comes between them";
    EXPECT_EQ(dev.opens, 1);
    EXPECT_EQ(dev.closes, 1);
    EXPECT_EQ(player.Count(Notice::kError), 0);
    EXPECT_EQ(list.size(), 2u);

    // Back to the piece, then away from it while it plays: the stream is stopped
    // with every buffer back before the wave file starts.
    dev.playMs = 30;
    player.Previous();
    EXPECT_EQ(player.midiPlayer().State(), kMidiStreamPlaying);
    PumpFor(100);
    player.Next();
    EXPECT_EQ(dev.closes, 2);
    EXPECT_FALSE(dev.closedWhileQueued);
    EXPECT_EQ(player.Only(Notice::kOpen).size(), 2u);
    PumpFor(1500);
    EXPECT_EQ(player.Count(Notice::kEnd), 2) << "only the wave file's end, not the stopped piece's";
}

TEST(MidiStreamSystem, WithoutAMidiDeviceStartFailsAsNotReady) {
    if (midiOutGetNumDevs() != 0) GTEST_SKIP() << "this machine has a MIDI device";
    std::string dir = harness::MakeTempDir("midi-system");
    CMidiStreamPlayer player;
    player.fileName = WritePiece(dir, Piece());
    // More than once: a saver's list may hold several MIDI files.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(player.Start(nullptr), kMidiErrDeviceNotReady);
        EXPECT_EQ(player.State(), kMidiStreamOpened);
        EXPECT_EQ(player.Stop(), kMidiErrWrongState);
    }
}

} // namespace
