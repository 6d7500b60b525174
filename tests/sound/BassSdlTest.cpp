// The sound library on SDL2 audio, against a private PulseAudio server: the
// call contract the frequency programs rely on, the promise that the stream
// procedure never runs after BASS_Free, and what happens without a server or
// when the server goes away in the middle of a step.
#include "Bass.h"
#include "PulseServer.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

struct TCalls {
    std::atomic<long> Count{0};
    std::atomic<long> BadLength{0};
    std::atomic<bool> OnMainThread{false};
    std::thread::id Main = std::this_thread::get_id();
};
TCalls* Calls = nullptr;

DWORD CountingProc(TStreamHandle, void* Buffer, DWORD Length, void*) {
    Calls->Count.fetch_add(1);
    // Whole frames, at least one, at most the 2048-frame device buffer.
    if (Length < 4 || Length % 4 != 0 || Length > 2048 * 4)
        Calls->BadLength.fetch_add(1);
    if (std::this_thread::get_id() == Calls->Main)
        Calls->OnMainThread = true;
    std::memset(Buffer, 0, Length);
    return Length;
}

bool WaitFor(const std::atomic<long>& Counter, long AtLeast, std::chrono::milliseconds Timeout) {
    const auto End = std::chrono::steady_clock::now() + Timeout;
    while (Counter.load() < AtLeast) {
        if (std::chrono::steady_clock::now() > End)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class BassSdlTest : public ::testing::Test {
protected:
    void SetUp() override { Calls = &Counters; }
    void TearDown() override {
        BASS_Free();
        Calls = nullptr;
    }
    TCalls Counters;
};

TEST_F(BassSdlTest, ContractOfEachCall) {
    TestSupport::TPulseServer Server;
    START_PULSE_SERVER(Server);

    EXPECT_FALSE(BASS_Free());
    EXPECT_EQ(BASS_ErrorGetCode(), beNotInitialised);
    EXPECT_FALSE(BASS_Stop());
    EXPECT_EQ(BASS_ErrorGetCode(), beNotInitialised);
    EXPECT_EQ(BASS_StreamCreate(44100, 2, 0, CountingProc, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), beNotInitialised);

    EXPECT_FALSE(BASS_Init(3, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), beNoSuchDevice);

    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_ErrorGetCode(), beOk);
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), beAlreadyInitialised);

    EXPECT_EQ(BASS_StreamCreate(44100, 2, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), beNoProcedure);
    EXPECT_EQ(BASS_StreamCreate(22050, 2, 0, CountingProc, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), beFormat);

    const TStreamHandle Stream = BASS_StreamCreate(44100, 2, 0, CountingProc, nullptr);
    ASSERT_NE(Stream, 0u) << BASS_ErrorGetCode();
    EXPECT_FALSE(BASS_ChannelPlay(Stream + 1, 0));
    EXPECT_EQ(BASS_ErrorGetCode(), beNotAStream);
    // A created stream is silent until it is started.
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Counters.Count.load(), 0);

    ASSERT_TRUE(BASS_ChannelPlay(Stream, 0)) << BASS_ErrorGetCode();
    ASSERT_TRUE(WaitFor(Counters.Count, 10, 5s));
    EXPECT_FALSE(Counters.OnMainThread.load());
    EXPECT_EQ(Counters.BadLength.load(), 0);

    // Stopped: the procedure is not called any more.
    EXPECT_TRUE(BASS_Stop());
    const long AfterStop = Counters.Count.load();
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(Counters.Count.load(), AfterStop);

    EXPECT_TRUE(BASS_Free());
    EXPECT_EQ(BASS_ErrorGetCode(), beOk);
    // Released: a new initialisation succeeds, and the old stream is gone.
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_FALSE(BASS_ChannelPlay(Stream, 0));
    EXPECT_EQ(BASS_ErrorGetCode(), beNotAStream);
    EXPECT_TRUE(BASS_Free());
}

TEST_F(BassSdlTest, NoCallbackAfterFreeEvenWhilePlaying) {
    TestSupport::TPulseServer Server;
    START_PULSE_SERVER(Server);
    for (int Round = 0; Round < 5; ++Round) {
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
        const TStreamHandle Stream = BASS_StreamCreate(44100, 2, 0, CountingProc, nullptr);
        ASSERT_TRUE(BASS_ChannelPlay(Stream, 0));
        ASSERT_TRUE(WaitFor(Counters.Count, Counters.Count.load() + 3, 5s));
        // Released without a stop first.
        ASSERT_TRUE(BASS_Free());
        const long AfterFree = Counters.Count.load();
        std::this_thread::sleep_for(100ms);
        ASSERT_EQ(Counters.Count.load(), AfterFree) << "round " << Round;
    }
}

TEST_F(BassSdlTest, ErrorCodeBelongsToTheCallingThread) {
    TestSupport::TPulseServer Server;
    START_PULSE_SERVER(Server);
    EXPECT_FALSE(BASS_Free());
    std::int32_t Other = -99;
    std::thread([&] { Other = BASS_ErrorGetCode(); }).join();
    EXPECT_EQ(Other, beOk);
    EXPECT_EQ(BASS_ErrorGetCode(), beNotInitialised);
}

TEST_F(BassSdlTest, WithoutASoundServerInitialisationFails) {
    TestSupport::TPulseServer Server;
    START_PULSE_SERVER(Server);
    Server.Stop(); // PULSE_SERVER now names a dead socket
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), beNoOutput);
    EXPECT_EQ(BASS_StreamCreate(44100, 2, 0, CountingProc, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), beNotInitialised);
}

TEST_F(BassSdlTest, ServerGoingAwayMidStreamNeitherCrashesNorHangs) {
    TestSupport::TPulseServer Server;
    START_PULSE_SERVER(Server);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    const TStreamHandle Stream = BASS_StreamCreate(44100, 2, 0, CountingProc, nullptr);
    ASSERT_TRUE(BASS_ChannelPlay(Stream, 0));
    ASSERT_TRUE(WaitFor(Counters.Count, 5, 5s));

    Server.Stop();
    std::this_thread::sleep_for(300ms);
    // The step still ends: stop and release return, and the next step's
    // initialisation reports the failure.
    BASS_Stop();
    EXPECT_TRUE(BASS_Free());
    const long AfterFree = Counters.Count.load();
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), beNoOutput);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Counters.Count.load(), AfterFree);
}

} // namespace
