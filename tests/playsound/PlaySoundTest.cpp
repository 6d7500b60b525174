// The system sound player against a private PulseAudio server: what its
// null sink's monitor records while images are played looped, to their end,
// in the tone generator's other formats, stopped from another thread, or
// refused.
//
// 16-bit stereo at 44100 Hz passes through the null sink at full volume
// unchanged, so for that format the recording is compared sample by sample
// with the image's data. Other formats are converted by the server and are
// only checked to sound for about their length.
#include "MMSystem.h"
#include "PulseServer.h"
#include "WaveImages.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using namespace PlaySoundTest;
using TFrames = std::vector<std::int16_t>; // interleaved stereo

constexpr TFormat Cd{2, 16, 44100};

// Frames of distinct, never silent values on both channels, so that a lost,
// doubled or added frame shows.
TFrames Ramp(std::size_t Frames) {
    TFrames S(2 * Frames);
    for (std::size_t K = 0; K < Frames; ++K) {
        S[2 * K] = static_cast<std::int16_t>(1000 + (2 * K) % 30000);
        S[2 * K + 1] = static_cast<std::int16_t>(-1000 - (3 * K) % 30000);
    }
    return S;
}

bool Silent(const TFrames& S, std::size_t Frame) {
    return S[2 * Frame] == 0 && S[2 * Frame + 1] == 0;
}

// The recording from its first non-silent frame on.
TFrames Sounding(const TFrames& Recorded) {
    std::size_t First = 0;
    while (2 * First + 1 < Recorded.size() && Silent(Recorded, First))
        ++First;
    return TFrames(Recorded.begin() + static_cast<std::ptrdiff_t>(2 * First), Recorded.end());
}

// The first frame of Got from which it is silent to its end.
std::size_t SilentFrom(const TFrames& Got) {
    std::size_t End = Got.size() / 2;
    while (End > 0 && Silent(Got, End - 1))
        --End;
    return End;
}

// How a recording compares with an image's data played from its first frame
// on (repeated without end for a loop). A run of silence of at most 0.2 s
// followed by exactly the frame due is the sound server's underrun on a busy
// machine, not a fault of the player, and is passed over, except where a loop
// turns: a gap there is the fault the loop test looks for.
struct TMatch {
    std::size_t Frames = 0;    // frames of the data found in order
    std::size_t Recorded = 0;  // frames of the recording they take, silences included
    std::size_t Underruns = 0; // silences passed over
    std::string Break;         // what came instead of the next frame due
};

TMatch Match(const TFrames& Got, const TFrames& Data, bool Loop) {
    const std::size_t DataFrames = Data.size() / 2, GotFrames = Got.size() / 2;
    const auto Same = [&](std::size_t G, std::size_t K) {
        return Got[2 * G] == Data[2 * (K % DataFrames)] &&
               Got[2 * G + 1] == Data[2 * (K % DataFrames) + 1];
    };
    TMatch M;
    while (M.Recorded < GotFrames && (Loop || M.Frames < DataFrames)) {
        if (Same(M.Recorded, M.Frames)) {
            ++M.Recorded;
            ++M.Frames;
            continue;
        }
        std::size_t Zeros = 0;
        while (M.Recorded + Zeros < GotFrames && Silent(Got, M.Recorded + Zeros))
            ++Zeros;
        if (Zeros > 0 && Zeros <= 44100 / 5 && M.Frames % DataFrames != 0 &&
            M.Recorded + Zeros < GotFrames && Same(M.Recorded + Zeros, M.Frames)) {
            M.Recorded += Zeros;
            ++M.Underruns;
            continue;
        }
        const std::size_t K = M.Frames % DataFrames, G = M.Recorded;
        M.Break = "frame " + std::to_string(M.Frames) + " of the data (" +
                  std::to_string(Data[2 * K]) + ", " + std::to_string(Data[2 * K + 1]) +
                  ") was due; recorded: " + std::to_string(Got[2 * G]) + ", " +
                  std::to_string(Got[2 * G + 1]) + " and " + std::to_string(Zeros) +
                  " silent frames";
        break;
    }
    if (M.Break.empty() && M.Frames < DataFrames)
        M.Break = "the recording ends at frame " + std::to_string(M.Frames) + " of the data";
    if (M.Underruns > 0)
        std::cout << "note: " << M.Underruns << " underruns of the sound server passed over\n";
    return M;
}

class PlaySoundTest : public ::testing::Test {
protected:
    void SetUp() override { START_PULSE_SERVER(Server); }
    void TearDown() override { PlaySoundA(nullptr, nullptr, 0); }

    bool StartCapture() {
        std::string Error;
        const bool Started = Capture.Start(&Error);
        EXPECT_TRUE(Started) << Error;
        return Started;
    }
    // Lets the monitor deliver what the sink had mixed, then ends the
    // recording.
    TFrames StopCapture() {
        std::this_thread::sleep_for(300ms);
        return Capture.Stop();
    }

    TestSupport::TPulseServer Server;
    TestSupport::TPulseCapture Capture{Server};
};

TEST_F(PlaySoundTest, LoopRepeatsTheDataWithoutAGapUntilStopped) {
    const TFrames Data = Ramp(4410); // 0.1 s
    auto Image = std::make_unique<TBytes>(MakeImage(Cd, Stereo16(Data)));
    ASSERT_TRUE(StartCapture());
    ASSERT_TRUE(PlaySoundA(reinterpret_cast<const char*>(Image->data()), nullptr,
                           SND_MEMORY | SND_ASYNC | SND_LOOP));
    // The player has its own copy: the image may go at once.
    std::fill(Image->begin(), Image->end(), 0x55);
    Image.reset();
    EXPECT_TRUE(Capture.WaitForFrames(44100 + 22050, 10s));
    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
    const TFrames Got = Sounding(StopCapture());

    // From its first frame on, with no frame lost, doubled or added at the
    // turns, and silence only after the stop.
    const TMatch M = Match(Got, Data, true);
    EXPECT_GE(M.Frames, 8 * Data.size() / 2) << "the loop broke off: " << M.Break;
    EXPECT_EQ(SilentFrom(Got), M.Recorded) << "sound after the stop: " << M.Break;
    // The 0.3 s recorded after the stop, less what the sink still held.
    EXPECT_LE(M.Recorded + 44100 / 5, Got.size() / 2) << "the sound went on after the stop";
}

TEST_F(PlaySoundTest, SynchronousPlayReturnsAfterTheLastFrameHasSounded) {
    const TFrames Data = Ramp(13230); // 0.3 s
    const TBytes Image = MakeImage(Cd, Stereo16(Data));
    ASSERT_TRUE(StartCapture());
    const auto Before = std::chrono::steady_clock::now();
    ASSERT_TRUE(PlaySoundA(reinterpret_cast<const char*>(Image.data()), nullptr, SND_MEMORY));
    EXPECT_GE(std::chrono::steady_clock::now() - Before, 300ms);
    const TFrames Got = Sounding(StopCapture());

    // Every frame from the first to the last, once, then silence.
    const TMatch M = Match(Got, Data, false);
    EXPECT_EQ(M.Frames, Data.size() / 2) << M.Break;
    EXPECT_EQ(SilentFrom(Got), M.Recorded);
}

struct TOtherFormat {
    const char* Name;
    TFormat Format;
    DWORD Flags;
};

class OtherFormat : public PlaySoundTest, public ::testing::WithParamInterface<TOtherFormat> {};

// 0.4 s of a square wave at 441 Hz, at three quarters of full scale.
TBytes Square(TFormat F) {
    const std::size_t Frames = F.Rate * 2 / 5;
    TBytes Data;
    for (std::size_t K = 0; K < Frames; ++K) {
        const bool High = (K * 441 * 2 / F.Rate) % 2 == 0;
        for (int C = 0; C < F.Channels; ++C) {
            if (F.Bits == 8) {
                Data.push_back(High ? 128 + 96 : 128 - 96);
            } else {
                const auto V = static_cast<std::uint16_t>(High ? 24576 : -24576);
                Data.push_back(static_cast<unsigned char>(V));
                Data.push_back(static_cast<unsigned char>(V >> 8));
            }
        }
    }
    return Data;
}

TEST_P(OtherFormat, SoundsForItsLength) {
    const TOtherFormat& P = GetParam();
    const TBytes Image = MakeImage(P.Format, Square(P.Format));
    ASSERT_TRUE(StartCapture());
    ASSERT_TRUE(PlaySoundA(reinterpret_cast<const char*>(Image.data()), nullptr, P.Flags));
    if ((P.Flags & SND_ASYNC) != 0)
        std::this_thread::sleep_for(700ms);
    const TFrames Got = StopCapture();

    // The frames well above the converter's ripple on both channels: all of
    // the square wave but a few at its edges, once. (Counted rather than
    // spanned, as an underrun of the server would stretch the span.)
    std::size_t Loud = 0;
    for (std::size_t K = 0; 2 * K + 1 < Got.size(); ++K)
        if (std::abs(Got[2 * K]) > 8000 && std::abs(Got[2 * K + 1]) > 8000)
            ++Loud;
    const std::size_t Expected = 44100 * 2 / 5;
    EXPECT_GT(Loud, Expected * 85 / 100);
    EXPECT_LT(Loud, Expected * 102 / 100);
}

INSTANTIATE_TEST_SUITE_P(
    PlaySound, OtherFormat,
    ::testing::Values(TOtherFormat{"Mono8Bit44100", {1, 8, 44100}, SND_MEMORY},
                      TOtherFormat{"Stereo8Bit44100", {2, 8, 44100}, SND_MEMORY | SND_ASYNC},
                      TOtherFormat{"Mono16Bit44100", {1, 16, 44100}, SND_MEMORY | SND_ASYNC},
                      TOtherFormat{"Mono8Bit96000", {1, 8, 96000}, SND_MEMORY | SND_ASYNC},
                      TOtherFormat{"Stereo8Bit96000", {2, 8, 96000}, SND_MEMORY},
                      TOtherFormat{"Mono16Bit96000", {1, 16, 96000}, SND_MEMORY},
                      TOtherFormat{"Stereo16Bit96000", {2, 16, 96000}, SND_MEMORY | SND_ASYNC}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// As a handler of Ctrl+C on a thread of its own would stop it.
TEST_F(PlaySoundTest, StopFromAnotherThreadEndsASynchronousPlay) {
    const TBytes Image = MakeImage(Cd, Stereo16(Ramp(10 * 44100)));
    ASSERT_TRUE(StartCapture());
    std::atomic<bool> StopCalled{false}, Stopped{false};
    std::thread Stopper([&] {
        // About a second into the sound.
        Capture.WaitForFrames(44100 * 3 / 2, 10s);
        StopCalled = true;
        Stopped = PlaySoundA(nullptr, nullptr, 0) != 0;
    });
    const auto Before = std::chrono::steady_clock::now();
    EXPECT_TRUE(PlaySoundA(reinterpret_cast<const char*>(Image.data()), nullptr, SND_MEMORY));
    const auto Took = std::chrono::steady_clock::now() - Before;
    Stopper.join();
    EXPECT_TRUE(StopCalled);
    EXPECT_TRUE(Stopped);
    // Well before the ten seconds of sound were over.
    EXPECT_LT(Took, 5s);
    const TFrames Got = StopCapture();
    EXPECT_LT(SilentFrom(Got), Got.size() / 2) << "the sound went on";
    EXPECT_GT(Sounding(Got).size(), 0u) << "nothing sounded";
}

// A refused call plays nothing, and like every call it stops the sound that
// was playing.
TEST_F(PlaySoundTest, RefusedCallsPlayNothingAndStopTheSound) {
    const TBytes Good = MakeImage(Cd, Stereo16(Ramp(4410)));
    TBytes Adpcm = Good;
    Put16(Adpcm, FormatTagAt, 2);
    TBytes Truncated = Good;
    Put32(Truncated, RiffSizeAt, 20); // the RIFF chunk ends inside "fmt "
    TBytes NotRiff = Good;
    PutTag(NotRiff, 0, "RIFX");
    const struct {
        const char* Name;
        const TBytes& Image;
        DWORD Flags;
    } Refused[] = {
        {"non-PCM image", Adpcm, SND_MEMORY | SND_ASYNC},
        {"image cut short", Truncated, SND_MEMORY},
        {"no RIFF", NotRiff, SND_MEMORY | SND_ASYNC | SND_LOOP},
        {"sound name without SND_MEMORY", Good, SND_ASYNC},
    };
    ASSERT_TRUE(StartCapture());
    // An image without a whole frame is no error, and is silent.
    EXPECT_TRUE(PlaySoundA(reinterpret_cast<const char*>(MakeImage(Cd, TBytes(3)).data()), nullptr,
                           SND_MEMORY));
    // SND_LOOP alone: in the background too.
    ASSERT_TRUE(
        PlaySoundA(reinterpret_cast<const char*>(Good.data()), nullptr, SND_MEMORY | SND_LOOP));
    ASSERT_TRUE(Capture.WaitForFrames(44100 / 2, 10s));
    for (const auto& R : Refused)
        EXPECT_FALSE(PlaySoundA(reinterpret_cast<const char*>(R.Image.data()), nullptr, R.Flags))
            << R.Name;
    std::this_thread::sleep_for(500ms);
    const TFrames Got = StopCapture();
    // The loop stopped at the refusals: the last 0.6 s are silent.
    EXPECT_LE(SilentFrom(Got), Got.size() / 2 - 44100 * 6 / 10);
    EXPECT_GT(SilentFrom(Got), 0u);
}

// A process that ends while its loop plays ends cleanly: no crash, no
// report of the sanitizers, no hang joining the audio thread.
TEST_F(PlaySoundTest, ProcessEndsCleanlyWhileASoundPlays) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const TBytes Image = MakeImage(Cd, Stereo16(Ramp(4410)));
    EXPECT_EXIT(
        {
            if (PlaySoundA(reinterpret_cast<const char*>(Image.data()), nullptr,
                           SND_MEMORY | SND_ASYNC | SND_LOOP) == 0)
                std::exit(2);
            std::this_thread::sleep_for(300ms);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(PlaySoundTest, WithoutASoundServerNothingPlays) {
    const TBytes Image = MakeImage(Cd, Stereo16(Ramp(4410)));
    Server.Stop(); // PULSE_SERVER now names a dead socket
    EXPECT_FALSE(PlaySoundA(reinterpret_cast<const char*>(Image.data()), nullptr, SND_MEMORY));
    EXPECT_FALSE(PlaySoundA(reinterpret_cast<const char*>(Image.data()), nullptr,
                            SND_MEMORY | SND_ASYNC | SND_LOOP));
    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
}

} // namespace
