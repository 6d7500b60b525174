// The stream renderer: what the sound card receives for each waveform and
// frequency of the frequency programs, checked against the oscillator bank
// frame by frame, and the buffer contract of the stream procedure.
#include "RenderStream.h"

#include "DDFS.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace {

class TFixedWaveform : public TWaveformSource {
public:
    std::uint8_t Waveform = DDFS::wfSquare;
    std::uint8_t SelectedWaveform() const override { return Waveform; }
};

class RenderStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        DDFS::Initialise();
        CurrentFrequency = 0.0L;
        OutputGain = 1.0L;
        WaveformSource = &Source;
    }
    void TearDown() override { WaveformSource = nullptr; }

    std::vector<std::int16_t> Render(DWORD Bytes) {
        std::vector<std::int16_t> Out(Bytes / 2 + 2, 0x5A5A);
        EXPECT_EQ(RenderStream(1, Out.data(), Bytes, nullptr), Bytes);
        Out.resize(Bytes / 2 + 2);
        return Out;
    }

    TFixedWaveform Source;
};

// The stream computed the plain way: per frame, advance channel 1 and read
// the left sample, then channel 9 for the right one, times the gain,
// truncated toward zero, low 16 bits kept.
std::vector<std::int16_t> Reference(std::uint8_t Waveform, std::size_t Frames) {
    std::vector<std::int16_t> Out;
    auto Read = [&](std::uint32_t I) -> std::int16_t {
        switch (Waveform) {
        case 0:
            return DDFS::SineSample(I);
        case 1:
            return DDFS::SquareSample(I);
        case 2:
            return DDFS::TriangleSample(I);
        default:
            return DDFS::SawtoothSample(I);
        }
    };
    auto Scale = [](std::int16_t V) {
        return static_cast<std::int16_t>(
            static_cast<std::uint16_t>(static_cast<std::int64_t>(std::truncl(V * OutputGain))));
    };
    for (std::size_t K = 0; K < Frames; ++K) {
        Out.push_back(Scale(Read(DDFS::AdvancePhase(1, CurrentFrequency))));
        Out.push_back(Scale(Read(DDFS::AdvancePhase(9, CurrentFrequency))));
    }
    return Out;
}

TEST_F(RenderStreamTest, BufferLengthsWholeFramesAndTheRemainderUntouched) {
    struct {
        DWORD Bytes;
        std::size_t WrittenSamples;
    } Rows[] = {{4096, 2048}, {6, 2}, {3, 0}, {1, 0}, {0, 0}, {4, 2}};
    CurrentFrequency = 2128.0L;
    for (const auto& R : Rows) {
        DDFS::Initialise();
        const auto Out = Render(R.Bytes);
        for (std::size_t S = 0; S < R.WrittenSamples; ++S)
            ASSERT_NE(Out[S], 0x5A5A) << R.Bytes << " bytes, sample " << S;
        // Nothing past the last whole frame is written.
        EXPECT_EQ(Out[R.WrittenSamples], 0x5A5A) << R.Bytes;
        EXPECT_EQ(DDFS::PhaseAccumulators[1], (R.WrittenSamples / 2 * 2128) % 44099) << R.Bytes;
    }
}

TEST_F(RenderStreamTest, EveryProgramFrequencyAndWaveformMatchesTheOscillatorBank) {
    const long double Frequencies[] = {10000.0L, 5000.0L, 1800.0L, 1500.0L,  690.0L,
                                       650.0L,   600.0L,  465.0L,  2.165L,   2.008L,
                                       2128.0L,  3713.0L, 0.0L,    22000.0L, 22001.0L};
    for (std::uint8_t W = 0; W < 4; ++W) {
        for (long double F : Frequencies) {
            DDFS::Initialise();
            Source.Waveform = W;
            CurrentFrequency = F;
            // Odd-sized requests in a row: the phase runs on across calls.
            std::vector<std::int16_t> Got;
            for (DWORD Bytes : {4u * 1000u, 4u * 44099u, 4u * 7u, 4u * 2048u}) {
                auto Part = Render(Bytes);
                Got.insert(Got.end(), Part.begin(), Part.begin() + Bytes / 2);
            }
            const std::vector<std::int16_t> GotState = {
                static_cast<std::int16_t>(DDFS::PhaseAccumulators[1]),
                static_cast<std::int16_t>(DDFS::PhaseAccumulators[9])};
            DDFS::Initialise();
            const auto Want = Reference(W, Got.size() / 2);
            ASSERT_EQ(Got, Want) << "waveform " << int(W) << " frequency " << double(F);
            ASSERT_EQ(GotState[0], static_cast<std::int16_t>(DDFS::PhaseAccumulators[1]));
            ASSERT_EQ(GotState[1], static_cast<std::int16_t>(DDFS::PhaseAccumulators[9]));
        }
    }
}

TEST_F(RenderStreamTest, OtherGainsTruncateTowardZeroAndKeepTheLowBits) {
    for (long double Gain : {0.5L, -0.75L, 0.333L, 2.0L, 1.0000001L, 0.0L}) {
        DDFS::Initialise();
        Source.Waveform = DDFS::wfSine;
        CurrentFrequency = 1500.0L;
        OutputGain = Gain;
        const auto Got = Render(4 * 3000);
        DDFS::Initialise();
        const auto Want = Reference(DDFS::wfSine, 3000);
        ASSERT_EQ(std::vector<std::int16_t>(Got.begin(), Got.begin() + 6000), Want) << double(Gain);
    }
}

TEST_F(RenderStreamTest, SquareAt2128IsAntiphaseExceptAtThePeriodStart) {
    CurrentFrequency = 2128.0L;
    const std::size_t Frames = 3 * 2321 + 10;
    const auto Out = Render(4 * Frames);
    std::vector<std::size_t> SameSign;
    for (std::size_t K = 0; K < Frames; ++K) {
        const int L = Out[2 * K], R = Out[2 * K + 1];
        ASSERT_TRUE((L == 26000 || L == -26000) && (R == 26000 || R == -26000)) << K;
        if (L == R) {
            EXPECT_EQ(L, -26000) << K;
            SameSign.push_back(K);
        }
    }
    // The left index lands on 44099 every 44099 / gcd(2128, 44099) frames.
    EXPECT_EQ(std::gcd(2128, 44099), 19);
    EXPECT_EQ(SameSign, (std::vector<std::size_t>{2321, 4642, 6963}));
}

TEST_F(RenderStreamTest, SineAt2128StartsAtEntryZeroAndTheRightIsNegated) {
    Source.Waveform = DDFS::wfSine;
    CurrentFrequency = 2128.0L;
    const auto Out = Render(4 * 11);
    for (int K = 0; K <= 10; ++K) { // the left index stays below 22050
        EXPECT_EQ(Out[2 * K], DDFS::SineTable[2128 * K]) << K;
        EXPECT_EQ(Out[2 * K + 1], -DDFS::SineTable[2128 * K]) << K;
    }
}

TEST_F(RenderStreamTest, UnknownWaveformOrNoSourceWritesNothing) {
    CurrentFrequency = 1000.0L;
    for (std::uint8_t W : {4, 255}) {
        Source.Waveform = W;
        const auto Out = Render(64);
        for (std::size_t S = 0; S < 32; ++S)
            ASSERT_EQ(Out[S], 0x5A5A);
    }
    WaveformSource = nullptr;
    const auto Out = Render(64);
    EXPECT_EQ(Out[0], 0x5A5A);
    EXPECT_EQ(DDFS::PhaseAccumulators[1], 0u);
}

TEST_F(RenderStreamTest, TheTwoSlowStepsSoundTheSame) {
    CurrentFrequency = 2.165L;
    const auto A = Render(4 * 50000);
    DDFS::Initialise();
    CurrentFrequency = 2.008L;
    const auto B = Render(4 * 50000);
    EXPECT_EQ(A, B);
    EXPECT_EQ(DDFS::PhaseAccumulators[1], (2u * 50000u) % 44099u);
}

} // namespace
