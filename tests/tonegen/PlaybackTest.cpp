// Playing the tone generator: which play renders, the flags the system sound
// player gets, the stopped state and when volume changes reach the device.
// The player is a recorder (FakeSoundPlayer), so only the component's side is
// tested here; the real player has its own tests.
#include "FakeSoundPlayer.h"
#include "FakeVolume.h"
#include "ToneGen.h"
#include "WaveImage.h"

#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

class PlaybackTest : public testing::Test {
protected:
    void SetUp() override {
        FakeVolume = TFakeVolumeDevice{};
        FakeSoundPlayer = TFakeSoundPlayer{};
    }

    // What an action made the player do, as "stop" and "play(flags)" words.
    // A rendering stops the player before it replaces the image, so an
    // action that renders and plays reads "stop stop play(5)".
    static std::string PlayerCalls(const std::function<void()>& Action) {
        FakeSoundPlayer.Calls.clear();
        Action();
        std::string Text;
        for (const TPlayCall& Call : FakeSoundPlayer.Calls) {
            if (!Text.empty())
                Text += ' ';
            Text += Call.Stop ? "stop" : "play(" + std::to_string(Call.Flags) + ")";
        }
        return Text;
    }
};

// --- Flags and the stopped state --------------------------------------------

struct TFlagRow {
    const char* Name;
    bool Async, Loop;
    DWORD Flags;
    bool StoppedAfter;
};

void PrintTo(const TFlagRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class FlagTest : public PlaybackTest, public testing::WithParamInterface<TFlagRow> {};

TEST_P(FlagTest, PlaysWithTheFlagsOfLoopAndAsync) {
    const TFlagRow& R = GetParam();
    for (const bool Envelope : {false, true}) {
        TToneGen Gen(nullptr);
        Gen.SetAsync(R.Async);
        Gen.SetLoop(R.Loop);
        FakeVolume.Calls.clear();
        const std::string Calls = PlayerCalls([&] { Envelope ? Gen.PlayADSR() : Gen.Play(); });
        EXPECT_EQ(Calls, "stop stop play(" + std::to_string(R.Flags) + ")") << Envelope;
        EXPECT_EQ(Gen.Stopped(), R.StoppedAfter) << Envelope;
        // The image played is the one just rendered, and the device volume
        // was set after the stop that precedes the play.
        const TPlayCall Play = FakeSoundPlayer.Plays().at(0);
        EXPECT_EQ(Play.Image, Gen.GetDataBuffer());
        EXPECT_EQ(Play.DataSize, WaveDataSize(tg16Bit, tgHiQ, false, 100));
        EXPECT_EQ(FakeVolume.SetValues(), std::vector<std::uint32_t>{0xFFFFFFFF});
        EXPECT_EQ(Play.VolumeCallsBefore, FakeVolume.Calls.size());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Playback, FlagTest,
    testing::Values(TFlagRow{"OnceToTheEnd", false, false, SND_MEMORY, true},
                    TFlagRow{"InTheBackground", true, false, SND_MEMORY | SND_ASYNC, false},
                    // Loop wins over Async: a looped sound is always
                    // played in the background.
                    TFlagRow{"LoopedWithoutAsync", false, true, SND_MEMORY | SND_ASYNC | SND_LOOP,
                             false},
                    TFlagRow{"Looped", true, true, SND_MEMORY | SND_ASYNC | SND_LOOP, false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(PlaybackTest, StopStopsThePlayerAndMarksTheComponentStopped) {
    TToneGen Player(nullptr), Other(nullptr);
    Player.Play();
    ASSERT_FALSE(Player.Stopped());
    // Any instance stops what the process plays; a component that never
    // played only sends the stop.
    EXPECT_EQ(PlayerCalls([&] { Other.Stop(); }), "stop");
    EXPECT_TRUE(Other.Stopped());
    EXPECT_FALSE(Player.Stopped()) << "the player learns nothing from the sound player";
    EXPECT_EQ(PlayerCalls([&] { Player.Stop(); }), "stop");
    EXPECT_TRUE(Player.Stopped());
    EXPECT_EQ(Player.GetDataBuffer() != nullptr, true) << "stopping keeps the image";
}

TEST_F(PlaybackTest, DestroyingAComponentStopsThePlayer) {
    auto Gen = std::make_unique<TToneGen>(nullptr);
    Gen->SetLoop(true);
    Gen->Play();
    EXPECT_EQ(PlayerCalls([&] { Gen.reset(); }), "stop");
}

// --- Which play renders -----------------------------------------------------

struct TRenderRow {
    const char* Name;
    std::function<void(TToneGen&)> Before; // what happened since creation
    std::function<void(TToneGen&)> Action;
    bool Renders;
};

void PrintTo(const TRenderRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class RenderTest : public PlaybackTest, public testing::WithParamInterface<TRenderRow> {};

TEST_P(RenderTest, RendersOnlyWhenTheImageIsStale) {
    const TRenderRow& R = GetParam();
    TToneGen Gen(nullptr);
    R.Before(Gen);
    const std::string Calls = PlayerCalls([&] { R.Action(Gen); });
    EXPECT_EQ(Calls, R.Renders ? "stop stop play(5)" : "stop play(5)");
}

const auto Play = [](TToneGen& G) { G.Play(); };
const auto PlayADSR = [](TToneGen& G) { G.PlayADSR(); };
const auto Nothing = [](TToneGen&) {};

INSTANTIATE_TEST_SUITE_P(
    Playback, RenderTest,
    testing::Values(TRenderRow{"FirstPlay", Nothing, Play, true},
                    TRenderRow{"FirstPlayADSR", Nothing, PlayADSR, true},
                    TRenderRow{"PlayAgain", Play, Play, false},
                    TRenderRow{"PlayADSRAgain", PlayADSR, PlayADSR, false},
                    // The image alternates between the plain and the enveloped tone.
                    TRenderRow{"PlayADSRAfterPlay", Play, PlayADSR, true},
                    TRenderRow{"PlayAfterPlayADSR", PlayADSR, Play, true},
                    // An envelope setting concerns only the enveloped tone.
                    TRenderRow{"PlayAfterAnAttackChange",
                               [](TToneGen& G) { G.Play(), G.SetAttack(40); }, Play, false},
                    TRenderRow{"PlayADSRAfterAnAttackChange",
                               [](TToneGen& G) { G.PlayADSR(), G.SetAttack(40); }, PlayADSR, true},
                    // A setter marks the tone stale even with an unchanged value.
                    TRenderRow{"PlayAfterTheSameFrequency",
                               [](TToneGen& G) { G.Play(), G.SetFrequency(G.Frequency()); }, Play,
                               true},
                    TRenderRow{"PlayAfterPrepare", [](TToneGen& G) { G.Prepare(); }, Play, false},
                    TRenderRow{"PlayADSRAfterPrepareADSR", [](TToneGen& G) { G.PrepareADSR(); },
                               PlayADSR, false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(PlaybackTest, PrepareRendersWhateverTheFlagsSayAndStopsTheSound) {
    TToneGen Gen(nullptr);
    Gen.SetLoop(true);
    Gen.Play();
    for (const bool Envelope : {false, true}) {
        FakeVolume.Calls.clear();
        EXPECT_EQ(PlayerCalls([&] { Envelope ? Gen.PrepareADSR() : Gen.Prepare(); }), "stop");
        EXPECT_EQ(FakeVolume.SetValues(), std::vector<std::uint32_t>{0xFFFFFFFF});
        // The sound was stopped by the rendering, but the component still
        // counts itself started.
        EXPECT_FALSE(Gen.Stopped());
    }
}

// --- Volume while a sound runs ----------------------------------------------

TEST_F(PlaybackTest, AVolumeChangeWaitsWhileABackgroundSoundRuns) {
    TToneGen Gen(nullptr);
    Gen.SetLoop(true);
    Gen.Play();
    FakeVolume.Calls.clear();
    Gen.SetLeftVolume(20);
    EXPECT_TRUE(FakeVolume.SetValues().empty());
    Gen.PresetVolume();
    EXPECT_EQ(FakeVolume.SetValues(), std::vector<std::uint32_t>{0xFFFF0000u + 13107});

    Gen.Stop();
    FakeVolume.Calls.clear();
    Gen.SetRightVolume(20);
    EXPECT_EQ(FakeVolume.SetValues(), std::vector<std::uint32_t>{13107u * 65536u + 13107u});

    // A synchronous play leaves the component stopped, so the next change
    // reaches the device at once again.
    Gen.SetLoop(false);
    Gen.SetAsync(false);
    Gen.Play();
    FakeVolume.Calls.clear();
    Gen.SetLeftVolume(100);
    EXPECT_EQ(FakeVolume.SetValues(), std::vector<std::uint32_t>{13107u * 65536u + 65535u});
}

} // namespace
