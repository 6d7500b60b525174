// The oscillator bank: table entries and accumulator rules that a listener
// would hear wrong (a click at the period start, a drifting right channel, a
// frequency off by a step) if any of them slipped.
#include "DDFS.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>

using namespace DDFS;

namespace {

class DDFSTest : public ::testing::Test {
protected:
    void SetUp() override { Initialise(); }
};

struct TEntry {
    const char* Name;
    const std::int16_t* Table;
    std::uint32_t Index;
    std::int16_t Value;
};

TEST_F(DDFSTest, TableEntriesThatCharacteriseEachWave) {
    const TEntry Entries[] = {
        {"sine starts at 0", SineTable, 0, 0},
        {"sine 1", SineTable, 1, 5},
        {"sine 2", SineTable, 2, 9},
        {"sine 92 lies nearest a tie and rounds up", SineTable, 92, 430},
        {"sine first-half end", SineTable, 22049, 0},
        {"sine second-half start", SineTable, 22050, 0},
        {"sine peak", SineTable, 11024, 32767},
        {"sine peak mirror", SineTable, 11025, 32767},
        {"sine plateau start", SineTable, 10986, 32767},
        {"sine plateau end", SineTable, 11063, 32767},
        {"sine just before plateau", SineTable, 10985, 32766},
        {"sine trough", SineTable, 33074, -32767},
        {"sine trough mirror", SineTable, 33075, -32767},
        {"sine last entry", SineTable, 44099, 0},
        {"square first half", SquareTable, 22049, 26000},
        {"square second half", SquareTable, 22050, -26000},
        {"square period start", SquareTable, 0, 26000},
        {"square last entry", SquareTable, 44099, -26000},
        {"triangle 1", TriangleTable, 1, 2},
        {"triangle 2", TriangleTable, 2, 5},
        {"triangle peak is two wide", TriangleTable, 11024, 26000},
        {"triangle peak mirror", TriangleTable, 11025, 26000},
        {"triangle zero crossing", TriangleTable, 22049, 0},
        {"triangle zero crossing mirror", TriangleTable, 22050, 0},
        {"triangle trough", TriangleTable, 33074, -26000},
        {"triangle trough mirror", TriangleTable, 33075, -26000},
        {"triangle last entry", TriangleTable, 44099, 0},
        {"sawtooth start", SawtoothTable, 0, 26000},
        {"sawtooth 1", SawtoothTable, 1, 25999},
        {"sawtooth middle high", SawtoothTable, 22049, 1},
        {"sawtooth middle low", SawtoothTable, 22050, -1},
        {"sawtooth product past the signed 32-bit range", SawtoothTable, 41298, -22697},
        {"sawtooth last entry", SawtoothTable, 44099, -26000},
    };
    for (const TEntry& E : Entries)
        EXPECT_EQ(E.Table[E.Index], E.Value) << E.Name;
}

TEST_F(DDFSTest, SineAndTriangleSecondHalfIsTheFirstNegated) {
    for (std::uint32_t J = 0; J < 22050; ++J) {
        ASSERT_EQ(SineTable[22050 + J], -SineTable[J]) << J;
        ASSERT_EQ(TriangleTable[22050 + J], -TriangleTable[J]) << J;
    }
}

TEST_F(DDFSTest, SineTableMatchesDoublePrecisionEverywhere) {
    // No entry lies near a rounding tie, so an independent double computation
    // of the whole period must agree entry for entry.
    for (int I = 0; I <= 11024; ++I) {
        const double V = std::nearbyint(std::sin(I * 6.283185307179586477 / 44099.0) * 32767.0);
        ASSERT_EQ(SineTable[I], static_cast<std::int16_t>(V)) << I;
    }
}

TEST_F(DDFSTest, InitialisationPutsTheShiftedBankHalfAPeriodAhead) {
    for (int C = 1; C <= 8; ++C)
        EXPECT_EQ(PhaseAccumulators[C], 0u) << C;
    for (int C = 9; C <= 16; ++C)
        EXPECT_EQ(PhaseAccumulators[C], 22050u) << C;
}

TEST_F(DDFSTest, SetPhaseOffsetOnlyMovesTheShiftedBankFromTheReferenceBank) {
    PhaseAccumulators[1] = 30000;
    EXPECT_EQ(SetPhaseOffset(1, 9, 180.0L), 22050); // 22049.5 rounds to even
    EXPECT_EQ(PhaseAccumulators[9], (30000u + 22050u) % 44099u);

    const std::uint32_t Before1 = PhaseAccumulators[1], Before2 = PhaseAccumulators[2];
    EXPECT_EQ(SetPhaseOffset(9, 1, 180.0L), 22050);
    EXPECT_EQ(SetPhaseOffset(1, 2, 180.0L), 22050);
    EXPECT_EQ(SetPhaseOffset(0, 9, 180.0L), 22050);
    EXPECT_EQ(PhaseAccumulators[1], Before1);
    EXPECT_EQ(PhaseAccumulators[2], Before2);
    EXPECT_EQ(PhaseAccumulators[9], (30000u + 22050u) % 44099u);
}

struct TAdvance {
    const char* Name;
    std::uint32_t Start;
    long double Step;
    std::uint32_t Returned;
    std::uint32_t Left;
};

TEST_F(DDFSTest, AdvancePhaseRules) {
    const TAdvance Rows[] = {
        {"a sum of exactly 44099 is not wrapped", 44000, 99.0L, 44000, 44099},
        {"beyond 44099 the modulus is 44099", 44099, 99.0L, 44099, 99},
        {"largest sum wraps once", 44099, 22000.0L, 44099, 22000},
        {"2.5 rounds to even", 0, 2.5L, 0, 2},
        {"3.5 rounds to even", 2, 3.5L, 2, 6},
        {"1.5 rounds to 2", 0, 1.5L, 0, 2},
        {"2.165 advances by 2", 10, 2.165L, 10, 12},
        {"2.008 advances by 2", 10, 2.008L, 10, 12},
        {"a step of 1.0 is not greater than 1", 7, 1.0L, 7, 7},
        {"a step below 1 stands", 7, 0.5L, 7, 7},
        {"22000 is accepted", 0, 22000.0L, 0, 22000},
        {"above 22000 stands", 7, 22000.5L, 7, 7},
        {"NaN stands", 7, std::nanl(""), 7, 7},
        {"negative stands", 7, -100.0L, 7, 7},
    };
    for (const TAdvance& R : Rows) {
        PhaseAccumulators[1] = R.Start;
        EXPECT_EQ(AdvancePhase(1, R.Step), R.Returned) << R.Name;
        EXPECT_EQ(PhaseAccumulators[1], R.Left) << R.Name;
    }
}

TEST_F(DDFSTest, AdvancePhaseIgnoresChannelsOutsideTheBank) {
    PhaseAccumulators[16] = 5;
    EXPECT_EQ(AdvancePhase(0, 100.0L), 0u);
    EXPECT_EQ(AdvancePhase(17, 100.0L), 0u);
    EXPECT_EQ(PhaseAccumulators[0], 0u);
    EXPECT_EQ(PhaseAccumulators[16], 5u);
    EXPECT_EQ(ResetPhase(17), 0u);
    EXPECT_EQ(ResetPhase(16), 0u);
    EXPECT_EQ(PhaseAccumulators[16], 0u);
}

TEST_F(DDFSTest, AMovedChannelNeverReadsIndexZeroAgain) {
    // Once a channel has taken a step, each period starts at 44099; over many
    // periods the index stays within 1..44099 and the phase is the sum of the
    // steps modulo 44099.
    std::uint64_t Sum = 0;
    for (int K = 0; K < 200000; ++K) {
        AdvancePhase(1, 3713.0L);
        Sum += 3713;
        const std::uint32_t Acc = PhaseAccumulators[1];
        ASSERT_GE(Acc, 1u);
        ASSERT_LE(Acc, 44099u);
        ASSERT_EQ(Acc % 44099u, Sum % 44099u);
    }
}

} // namespace
