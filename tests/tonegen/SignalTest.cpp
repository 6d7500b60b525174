// The tone generator's signal code on its own: header, sizes, the voice rules,
// the noise source, the envelope, and the renderer compared byte for byte
// with the plain reference rendering.
#include "Envelope.h"
#include "RandomGenerator.h"
#include "ReferenceRender.h"
#include "ToneRender.h"
#include "WaveBytes.h"
#include "WaveImage.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

// --- WAV header ----------------------------------------------------------

struct THeaderRow {
    const char* Name;
    TLongBool Stereo, SixteenBits, HighRate;
    std::uint16_t Channels;
    std::uint32_t Rate;
    std::uint16_t Bits;
    std::uint32_t BytesPerSecond;
    std::uint16_t BlockAlign;
};

void PrintTo(const THeaderRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const THeaderRow HeaderRows[] = {
    {"HiQ16Mono", 0, -1, -1, 1, 96000, 16, 192000, 2},
    {"HiQ16Stereo", -1, -1, -1, 2, 96000, 16, 384000, 4},
    {"HiQ8Mono", 0, 0, -1, 1, 96000, 8, 96000, 1},
    {"HiQ8Stereo", -1, 0, -1, 2, 96000, 8, 192000, 2},
    {"LoQ16Mono", 0, -1, 0, 1, 44100, 16, 88200, 2},
    {"LoQ16Stereo", -1, -1, 0, 2, 44100, 16, 176400, 4},
    {"LoQ8Mono", 0, 0, 0, 1, 44100, 8, 44100, 1},
    {"LoQ8Stereo", -1, 0, 0, 2, 44100, 8, 88200, 2},
    // The flags are 32-bit booleans: any non-zero value is true.
    {"AnyNonZeroIsTrue", 2, 0x100, 1, 2, 96000, 16, 384000, 4},
};

class WaveHeaderTest : public testing::TestWithParam<THeaderRow> {};

TEST_P(WaveHeaderTest, FillsEveryFieldLittleEndian) {
    const THeaderRow& R = GetParam();
    TWaveHeader Header;
    std::memset(Header.Bytes, 0xAA, sizeof Header.Bytes);
    const std::uint32_t D = 0x01020305; // distinct bytes show the byte order
    WriteWaveHeader(R.Stereo, R.SixteenBits, R.HighRate, D, Header);
    const std::uint8_t* H = Header.Bytes;
    ExpectWaveHeader(H, {D + 36, R.Channels, R.Rate, R.BytesPerSecond, R.BlockAlign, R.Bits, D});
    EXPECT_EQ(H[40], 0x05);
    EXPECT_EQ(H[43], 0x01);
}

INSTANTIATE_TEST_SUITE_P(Formats, WaveHeaderTest, testing::ValuesIn(HeaderRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

struct TSizeRow {
    const char* Name;
    TTGResolution Resolution;
    TTGQuality Quality;
    bool Stereo;
    std::int16_t Duration;
    std::uint32_t D;
};

void PrintTo(const TSizeRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TSizeRow SizeRows[] = {
    {"HiQ16Mono", tg16Bit, tgHiQ, false, 100, 19200},
    {"HiQ16Stereo", tg16Bit, tgHiQ, true, 100, 38400},
    {"HiQ8Mono", tg8Bit, tgHiQ, false, 100, 9600},
    {"HiQ8Stereo", tg8Bit, tgHiQ, true, 100, 19200},
    {"LoQ16Mono", tg16Bit, tgLoQ, false, 100, 8820},
    {"LoQ16Stereo", tg16Bit, tgLoQ, true, 100, 17640},
    {"LoQ8Mono", tg8Bit, tgLoQ, false, 100, 4410},
    {"LoQ8Stereo", tg8Bit, tgLoQ, true, 100, 8820},
    {"TruncatesBytesNotRoundsUp", tg8Bit, tgLoQ, false, 15, 661},
    {"Odd16BitSize", tg16Bit, tgLoQ, false, 15, 1323},
    {"OddSizeDoubledInStereo", tg16Bit, tgLoQ, true, 15, 2646},
    {"ShortestLoQ8", tg8Bit, tgLoQ, false, 10, 441},
    {"LongestTone", tg16Bit, tgHiQ, true, 32767, 12582528},
};

class DataSizeTest : public testing::TestWithParam<TSizeRow> {};

TEST_P(DataSizeTest, MatchesTheFormula) {
    const TSizeRow& R = GetParam();
    EXPECT_EQ(WaveDataSize(R.Resolution, R.Quality, R.Stereo, R.Duration), R.D);
    EXPECT_EQ(WaveImageSize(R.D), std::uint64_t{R.D} + 76);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DataSizeTest, testing::ValuesIn(SizeRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// --- Voice rules ------------------------------------------------------------

TToneSettings Defaults() {
    TToneSettings S{};
    S.Frequency = 440;
    S.Waveform = tgSine;
    S.UseMultiplier = true;
    for (int K = 0; K < AMLevelCount; ++K) {
        S.AMAmplitudes[K] = 0;
        S.AMWaveforms[K] = tgSine;
        S.AMFrequencies[K] = static_cast<float>((K + 1.0) / 2.0);
    }
    return S;
}

constexpr float Inf = std::numeric_limits<float>::infinity();
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

struct TFrequencyRow {
    const char* Name;
    std::int16_t Frequency;
    bool UseMultiplier;
    float Stored;
    std::int32_t Expected;
    bool Clamped;
};

void PrintTo(const TFrequencyRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TFrequencyRow FrequencyRows[] = {
    {"MultiplierOneAndAHalf", 440, true, 1.5f, 660, false},
    {"ProductAboveLimit", 20000, true, 4.0f, 20000, true},
    {"ProductBelowLimit", 30, true, 0.5f, 20, true},
    {"ZeroMultiplierIsLowestNotSilent", 440, true, 0.0f, 20, true},
    {"NegativeMultiplier", 440, true, -3.0f, 20, true},
    {"HugeProductIsNotWrappedTo16Bit", 20000, true, 1e30f, 20000, true},
    {"ProductJustBelow20001Truncates", 20000, true, 1.00004f, 20000, false},
    {"InfiniteMultiplier", 440, true, Inf, 20000, true},
    {"NegativeInfiniteMultiplier", 440, true, -Inf, 20, true},
    {"NaNMultiplierIsSilent", 440, true, NaN, 0, false},
    {"OwnFrequencyTruncates", 440, false, 1.5f, 1, false},
    {"OwnFrequencyBelowOneIsSilent", 440, false, 0.9f, 0, false},
    {"OwnFrequencyNegativeIsSilent", 440, false, -100.0f, 0, false},
    {"OwnFrequencyLargestThatFits", 440, false, 32767.9f, 32767, false},
    {"OwnFrequencyAbove32767IsSilentNotWrapped", 440, false, 70000.0f, 0, false},
    {"OwnFrequencyNaNIsSilent", 440, false, NaN, 0, false},
    {"OwnFrequencyInfiniteIsSilent", 440, false, Inf, 0, false},
    {"OwnFrequencyIsNotRangeChecked", 440, false, 5.0f, 5, false},
};

class PartialFrequencyTest : public testing::TestWithParam<TFrequencyRow> {};

TEST_P(PartialFrequencyTest, FollowsTheMultiplierRule) {
    const TFrequencyRow& R = GetParam();
    TToneSettings S = Defaults();
    S.Frequency = R.Frequency;
    S.UseMultiplier = R.UseMultiplier;
    S.AMFrequencies[3] = R.Stored;
    S.AMAmplitudes[3] = 10;
    const TVoicePlan Plan = PlanVoices(S);
    EXPECT_EQ(Plan.Voices[4].Frequency, R.Expected);
    EXPECT_EQ((Plan.ClampedPartials >> 3) & 1, R.Clamped ? 1 : 0);
    // A silent partial still takes its share.
    EXPECT_EQ(Plan.Voices[0].Amplitude, 90);
    EXPECT_EQ(Plan.Voices[4].Amplitude, 10);
}

INSTANTIATE_TEST_SUITE_P(Rules, PartialFrequencyTest, testing::ValuesIn(FrequencyRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

struct TAmplitudeRow {
    const char* Name;
    std::int16_t Amplitudes[AMLevelCount];
    std::int32_t Main;
    std::int32_t Partials[AMLevelCount];
};

void PrintTo(const TAmplitudeRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TAmplitudeRow AmplitudeRows[] = {
    {"NoPartials", {0, 0, 0, 0, 0, 0, 0, 0}, 100, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"MainGetsTheRest", {20, 0, 10, 0, 0, 0, 0, 5}, 65, {20, 0, 10, 0, 0, 0, 0, 5}},
    {"ExactlyHundredSilencesMain", {50, 50, 0, 0, 0, 0, 0, 0}, 0, {50, 50, 0, 0, 0, 0, 0, 0}},
    {"OverHundredScaledDown", {80, 60, 0, 0, 0, 0, 0, 0}, -40, {57, 42, 0, 0, 0, 0, 0, 0}},
    {"StoredOutOfRangeKept", {150, -50, 0, 0, 0, 0, 0, 0}, 0, {150, -50, 0, 0, 0, 0, 0, 0}},
    {"NegativeSumRaisesMain", {-20, 0, 0, 0, 0, 0, 0, 0}, 120, {-20, 0, 0, 0, 0, 0, 0, 0}},
};

class AmplitudeRuleTest : public testing::TestWithParam<TAmplitudeRow> {};

TEST_P(AmplitudeRuleTest, SharesOneHundredPercent) {
    const TAmplitudeRow& R = GetParam();
    TToneSettings S = Defaults();
    std::memcpy(S.AMAmplitudes, R.Amplitudes, sizeof S.AMAmplitudes);
    const TVoicePlan Plan = PlanVoices(S);
    EXPECT_EQ(Plan.Voices[0].Amplitude, R.Main);
    for (int K = 0; K < AMLevelCount; ++K)
        EXPECT_EQ(Plan.Voices[static_cast<std::size_t>(K) + 1].Amplitude, R.Partials[K])
            << "partial " << K + 1;
}

INSTANTIATE_TEST_SUITE_P(Rules, AmplitudeRuleTest, testing::ValuesIn(AmplitudeRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// --- Noise source -----------------------------------------------------------

TEST(RandomGeneratorTest, JumpAheadLandsWhereDrawingOneByOneDoes) {
    for (std::uint64_t Count : {0ull, 1ull, 2ull, 3ull, 1000ull, 123457ull, 3145632ull}) {
        RandSeed = 1;
        for (std::uint64_t I = 0; I < Count; ++I)
            Random(7);
        EXPECT_EQ(AdvanceRandSeed(1, Count), RandSeed) << Count << " draws";
    }
    // The first draws below 65535 from seed 1, which a full-scale 16-bit noise
    // voice turns into its first samples (-30711 = 2056 - 32767).
    RandSeed = 1;
    EXPECT_EQ(Random(65535), 2056u);
    EXPECT_EQ(Random(65535), 56428u);
}

// --- Envelope ---------------------------------------------------------------

struct TPhaseSpan {
    bool Active;
    std::int64_t First, Last; // inclusive frames, when active
};

struct TPlanRow {
    const char* Name;
    std::uint32_t D;
    bool Stereo;
    TTGResolution Resolution;
    TEnvelopeShares Shares;
    std::int64_t FrameCount;
    TPhaseSpan Phases[5];
};

void PrintTo(const TPlanRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

constexpr TEnvelopeShares DefaultShares{10, 5, 20, 50, 30};

const TPlanRow PlanRows[] = {
    {"Defaults96k16Mono",
     19200,
     false,
     tg16Bit,
     DefaultShares,
     9600,
     {{true, 0, 960},
      {true, 961, 1441},
      {true, 1442, 3362},
      {true, 3363, 6723},
      {true, 6724, 9599}}},
    {"StereoHasTheSameBoundaries",
     38400,
     true,
     tg16Bit,
     DefaultShares,
     9600,
     {{true, 0, 960},
      {true, 961, 1441},
      {true, 1442, 3362},
      {true, 3363, 6723},
      {true, 6724, 9599}}},
    {"Defaults44k8Mono",
     4410,
     false,
     tg8Bit,
     DefaultShares,
     4410,
     {{true, 0, 441}, {true, 442, 662}, {true, 663, 1545}, {true, 1546, 3089}, {true, 3090, 4409}}},
    {"SharesAbove100AreScaledAndSustainVanishes",
     19200,
     false,
     tg16Bit,
     {50, 30, 40, 50, 20},
     9600,
     {{true, 0, 3360}, {true, 3361, 5377}, {true, 5378, 8066}, {false, 0, 0}, {true, 8067, 9599}}},
    {"NoReleaseSustainsToTheEnd",
     19200,
     false,
     tg16Bit,
     {10, 5, 20, 50, 0},
     9600,
     {{true, 0, 960}, {true, 961, 1441}, {true, 1442, 3362}, {true, 3363, 9599}, {false, 0, 0}}},
    {"OnlySustain",
     19200,
     false,
     tg16Bit,
     {0, 0, 0, 50, 0},
     9600,
     {{false, 0, 0}, {false, 0, 0}, {false, 0, 0}, {true, 0, 9599}, {false, 0, 0}}},
    {"OddSizeLeavesThePartFrame",
     1323,
     false,
     tg16Bit,
     DefaultShares,
     661,
     {{true, 0, 66}, {true, 67, 100}, {true, 101, 233}, {true, 234, 465}, {true, 466, 660}}},
    {"FullAttackStopsAtTheEnd",
     19200,
     false,
     tg16Bit,
     {100, 0, 0, 50, 0},
     9600,
     {{true, 0, 9599}, {false, 0, 0}, {false, 0, 0}, {false, 0, 0}, {false, 0, 0}}},
    // 50 frames: a sustain share of 1 percent gives n = 0, yet with a release
    // the sustain still covers one frame (20) and the release starts after it.
    {"SustainOfNoFramesStillCoversOne",
     100,
     false,
     tg16Bit,
     {10, 5, 20, 40, 64},
     50,
     {{true, 0, 5}, {true, 6, 8}, {true, 9, 19}, {true, 20, 20}, {true, 21, 49}}},
    // Without a sustain share there is no sustain frame at all.
    {"NoSustainShareNoSustainFrame",
     100,
     false,
     tg16Bit,
     {10, 5, 20, 40, 65},
     50,
     {{true, 0, 5}, {true, 6, 8}, {true, 9, 19}, {false, 0, 0}, {true, 20, 49}}},
};

class EnvelopePlanTest : public testing::TestWithParam<TPlanRow> {};

TEST_P(EnvelopePlanTest, PhaseBoundaries) {
    const TPlanRow& R = GetParam();
    const TEnvelopePlan Plan = PlanEnvelope(R.D, R.Stereo, R.Resolution, R.Shares);
    EXPECT_EQ(Plan.FrameCount, R.FrameCount);
    static const char* const Names[] = {"attack", "hold", "decay", "sustain", "release"};
    for (int I = 0; I < 5; ++I) {
        const TEnvelopePhase& P = Plan.Phases[static_cast<std::size_t>(I)];
        const TPhaseSpan& E = R.Phases[I];
        EXPECT_EQ(P.Active, E.Active) << Names[I];
        if (E.Active && P.Active) {
            EXPECT_EQ(P.First, E.First) << Names[I];
            EXPECT_EQ(P.First + P.Count - 1, E.Last) << Names[I];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Plans, EnvelopePlanTest, testing::ValuesIn(PlanRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// A data block of one value in every sample, shaped, read back at one frame.
struct TShapeRow {
    const char* Name;
    TTGResolution Resolution;
    bool Stereo;
    std::uint32_t D;
    TEnvelopeShares Shares;
    int Fill; // a 16-bit sample, or an 8-bit byte
    std::int64_t Frame;
    int Expected;
};

void PrintTo(const TShapeRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TShapeRow ShapeRows[] = {
    {"AttackStartsAtZero", tg16Bit, false, 19200, DefaultShares, -32767, 0, 0},
    {"AttackFrame100", tg16Bit, false, 19200, DefaultShares, -32767, 100, -3413},
    {"AttackReachesFullLevel", tg16Bit, false, 19200, DefaultShares, -32767, 960, -32767},
    {"HoldKeepsTheSample", tg16Bit, false, 19200, DefaultShares, -32767, 1200, -32767},
    {"DecayStartsAtFullLevel", tg16Bit, false, 19200, DefaultShares, 32767, 1442, 32767},
    {"DecayEndsAtSustainLevel", tg16Bit, false, 19200, DefaultShares, 32767, 3362, 16384},
    {"Sustain", tg16Bit, false, 19200, DefaultShares, -32767, 5000, -16383},
    {"FirstReleaseFrame", tg16Bit, false, 19200, DefaultShares, -32767, 6724, -16383},
    {"LastReleaseFrame", tg16Bit, false, 19200, DefaultShares, -32767, 9599, -5},
    {"StereoSameValues", tg16Bit, true, 38400, DefaultShares, 32767, 3362, 16384},
    {"StereoAttack", tg16Bit, true, 38400, DefaultShares, -32767, 100, -3413},
    {"SustainZeroSilencesAfterDecay", tg16Bit, false, 19200, {10, 5, 20, 0, 30}, 32767, 4000, 0},
    {"SustainZeroSilencesRelease", tg16Bit, false, 19200, {10, 5, 20, 0, 30}, 32767, 7000, 0},
    {"SustainHundredDecayUnchanged",
     tg16Bit,
     false,
     19200,
     {10, 5, 20, 100, 30},
     32767,
     2500,
     32767},
    {"AllSharesZeroScalesBySustain", tg16Bit, false, 19200, {0, 0, 0, 50, 0}, 1001, 0, 500},
    {"EightBitCentreStays", tg8Bit, false, 4410, DefaultShares, 128, 200, 128},
    {"EightBitCentreStaysInRelease", tg8Bit, false, 4410, DefaultShares, 128, 4000, 128},
    {"EightBitSustainAroundCentre", tg8Bit, false, 4410, DefaultShares, 1, 2000, 65},
    {"EightBitAttackAroundCentre", tg8Bit, false, 4410, DefaultShares, 255, 0, 128},
    // The one-frame sustain of a 50-frame tone (see the plan above) holds the
    // sustain level, and the release after it runs over the 29 frames left:
    // frame 48 is (29 - 27) x 1000 x (0.4 / 29).
    {"OneFrameSustain", tg16Bit, false, 100, {10, 5, 20, 40, 64}, 1000, 20, 400},
    {"ReleaseAfterAOneFrameSustain", tg16Bit, false, 100, {10, 5, 20, 40, 64}, 1000, 48, 27},
};

class EnvelopeShapeTest : public testing::TestWithParam<TShapeRow> {};

TEST_P(EnvelopeShapeTest, ValueAtFrame) {
    const TShapeRow& R = GetParam();
    const bool Wide = R.Resolution == tg16Bit;
    const std::size_t Channels = R.Stereo ? 2 : 1;
    std::vector<std::uint8_t> Data(R.D + 32);
    for (std::size_t I = 0; I < Data.size(); I += Wide ? 2 : 1) {
        Data[I] = static_cast<std::uint8_t>(R.Fill);
        if (Wide)
            Data[I + 1] = static_cast<std::uint8_t>(static_cast<unsigned>(R.Fill) >> 8);
    }
    ApplyEnvelope(Data.data(), R.D, R.Stereo, R.Resolution, R.Shares);
    const std::size_t SampleBytes = Wide ? 2 : 1;
    for (std::size_t Ch = 0; Ch < Channels; ++Ch) {
        const std::uint8_t* At =
            Data.data() + (static_cast<std::size_t>(R.Frame) * Channels + Ch) * SampleBytes;
        const int Value = Wide ? static_cast<std::int16_t>(Le16(At)) : At[0];
        EXPECT_EQ(Value, R.Expected) << "channel " << Ch;
    }
}

INSTANTIATE_TEST_SUITE_P(Values, EnvelopeShapeTest, testing::ValuesIn(ShapeRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(EnvelopeTest, LeavesTheTrailingPartFrameAndSpareBytesAlone) {
    std::vector<std::uint8_t> Data(1323 + 32, 0x7F);
    ApplyEnvelope(Data.data(), 1323, false, tg16Bit, DefaultShares);
    // Bytes 1322 and 1323 form the last, incomplete sample.
    for (std::size_t I = 1322; I < Data.size(); ++I)
        EXPECT_EQ(Data[I], 0x7F) << "byte " << I;
    // The last whole frame is the release's last: 32639 x 1 x (0.5 / 195).
    EXPECT_EQ(Le16(&Data[1320]), 83u);
}

TEST(EnvelopeTest, NeverEnlargesAMagnitude) {
    // Every 16-bit value through every phase of a short tone.
    constexpr std::uint32_t D = 2 * 65536;
    std::vector<std::uint8_t> Data(D + 32);
    for (std::uint32_t Frame = 0; Frame < D / 2; ++Frame) {
        Data[2 * Frame] = static_cast<std::uint8_t>(Frame);
        Data[2 * Frame + 1] = static_cast<std::uint8_t>(Frame >> 8);
    }
    ApplyEnvelope(Data.data(), D, false, tg16Bit, {13, 7, 31, 77, 29});
    for (std::uint32_t Frame = 0; Frame < D / 2; ++Frame) {
        const int Before = static_cast<std::int16_t>(static_cast<std::uint16_t>(Frame));
        const int After = static_cast<std::int16_t>(Le16(&Data[2 * Frame]));
        ASSERT_LE(std::abs(After), std::abs(Before)) << "frame " << Frame;
        ASSERT_TRUE(After == 0 || (After < 0) == (Before < 0)) << "frame " << Frame;
    }
}

// --- Renderer against the reference ----------------------------------------

std::vector<std::uint8_t> RenderedSamples(const TReferenceTone& Tone) {
    const std::uint32_t D = WaveDataSize(Tone.Format.Resolution, Tone.Format.Quality,
                                         Tone.Format.Stereo, Tone.Duration);
    std::vector<std::uint8_t> Samples(D + WaveSpareSize, SilenceByte(Tone.Format.Resolution));
    RandSeed = 1;
    const TVoicePlan Plan = PlanVoices(Tone.Settings);
    EXPECT_TRUE(RenderVoices(Samples.data(), D, Tone.Format, Plan.Voices));
    return Samples;
}

struct TRenderRow {
    std::string Name;
    TReferenceTone Tone;
};

void PrintTo(const TRenderRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TToneFormat AllFormats[] = {
    {tg16Bit, tgHiQ, false}, {tg16Bit, tgHiQ, true}, {tg8Bit, tgHiQ, false}, {tg8Bit, tgHiQ, true},
    {tg16Bit, tgLoQ, false}, {tg16Bit, tgLoQ, true}, {tg8Bit, tgLoQ, false}, {tg8Bit, tgLoQ, true},
};

std::string FormatName(const TToneFormat& F) {
    return std::string(F.Quality == tgHiQ ? "HiQ" : "LoQ") +
           (F.Resolution == tg16Bit ? "16" : "8") + (F.Stereo ? "Stereo" : "Mono");
}

std::vector<TRenderRow> RenderRows() {
    static const char* const WaveNames[] = {"Sine", "Square", "Triangle", "Sawtooth", "Noise"};
    std::vector<TRenderRow> Rows;
    auto Add = [&](std::string Name, const TToneFormat& Format, std::int16_t Duration,
                   const TToneSettings& S) {
        Rows.push_back({std::move(Name) + "_" + FormatName(Format), {S, Format, Duration}});
    };
    for (const TToneFormat& Format : AllFormats) {
        // Every waveform alone, at a frequency whose period is fractional.
        for (int W = tgSine; W <= tgNoise; ++W) {
            TToneSettings S = Defaults();
            S.Waveform = static_cast<TTGWave>(W);
            Add(std::string("Main") + WaveNames[W], Format, 55, S);
        }
        // Nine voices of every waveform; the noise voices interleave with the
        // others, so each must continue the sequence where the one before it
        // stopped.
        TToneSettings Mix = Defaults();
        Mix.Frequency = 997;
        Mix.Waveform = tgNoise;
        const TTGWave MixWaves[] = {tgSine,  tgNoise,    tgSquare, tgTriangle,
                                    tgNoise, tgSawtooth, tgSine,   tgNoise};
        const float MixFrequencies[] = {0.5f, 1.25f, 2.0f, 3.3f, 0.07f, 7.77f, 19.9f, 1.0f};
        for (int K = 0; K < AMLevelCount; ++K) {
            Mix.AMAmplitudes[K] = static_cast<std::int16_t>(5 + 3 * K);
            Mix.AMWaveforms[K] = MixWaves[K];
            Mix.AMFrequencies[K] = MixFrequencies[K];
        }
        Add("NineVoices", Format, 120, Mix);
        // The shortest periods: 20000 Hz, where period boundaries depend on
        // how m x T is rounded.
        for (int W = tgSine; W <= tgSawtooth; ++W) {
            TToneSettings S = Defaults();
            S.Frequency = 20000;
            S.Waveform = static_cast<TTGWave>(W);
            Add(std::string("Highest") + WaveNames[W], Format, 40, S);
        }
        // Own partial frequencies at and past what a sample rate can carry.
        TToneSettings Edge = Defaults();
        Edge.UseMultiplier = false;
        const float EdgeFrequencies[] = {22050.0f, 22051.0f, 32767.0f, 40000.0f,
                                         1.0f,     0.9f,     NaN,      48000.0f};
        for (int K = 0; K < AMLevelCount; ++K) {
            Edge.AMAmplitudes[K] = 10;
            Edge.AMWaveforms[K] = K % 2 == 0 ? tgTriangle : tgSawtooth;
            Edge.AMFrequencies[K] = EdgeFrequencies[K];
        }
        Add("OwnFrequencyEdges", Format, 30, Edge);
        // Noise has no period: above half the sample rate it still sounds and
        // draws its share of the sequence; above 32767 Hz it is silent.
        TToneSettings NoiseEdge = Defaults();
        NoiseEdge.UseMultiplier = false;
        NoiseEdge.Waveform = tgNoise;
        const float NoiseFrequencies[] = {22051.0f, 32767.0f, 32768.0f, 48001.0f,
                                          22051.0f, 40000.0f, 0.5f,     30000.0f};
        const TTGWave NoiseWaves[] = {tgNoise,    tgNoise, tgNoise, tgNoise,
                                      tgSawtooth, tgNoise, tgNoise, static_cast<TTGWave>(7)};
        for (int K = 0; K < AMLevelCount; ++K) {
            NoiseEdge.AMAmplitudes[K] = 10;
            NoiseEdge.AMWaveforms[K] = NoiseWaves[K];
            NoiseEdge.AMFrequencies[K] = NoiseFrequencies[K];
        }
        Add("NoiseAboveHalfTheRate", Format, 30, NoiseEdge);
        // Overloads: stored amplitudes outside 0 to 100, and all voices at
        // their low level in 8-bit.
        TToneSettings Loud = Defaults();
        Loud.Waveform = tgSquare;
        Loud.AMAmplitudes[0] = 150;
        Loud.AMAmplitudes[1] = -50;
        Loud.AMWaveforms[0] = tgSquare;
        Loud.AMWaveforms[1] = tgTriangle;
        Add("StoredAmplitudesOutOfRange", Format, 30, Loud);
        TToneSettings Low = Defaults();
        Low.Waveform = tgSquare;
        for (int K = 0; K < AMLevelCount; ++K) {
            Low.AMAmplitudes[K] = 4;
            Low.AMWaveforms[K] = tgSquare;
        }
        Add("AllVoicesLow", Format, 30, Low);
        // The odd 16-bit size and a lowest main tone with a 1 Hz partial.
        TToneSettings Slow = Defaults();
        Slow.Frequency = 20;
        Slow.Waveform = tgTriangle;
        Slow.UseMultiplier = false;
        Slow.AMAmplitudes[2] = 30;
        Slow.AMWaveforms[2] = tgSine;
        Slow.AMFrequencies[2] = 1.0f;
        Add("Odd15ms", Format, 15, Slow);
        Add("SlowVoices", Format, 1250, Slow);
    }
    // A long tone with many periods and many blocks.
    TToneSettings Long = Defaults();
    Long.Frequency = 12345;
    Long.Waveform = tgTriangle;
    for (int K = 0; K < AMLevelCount; ++K) {
        Long.AMAmplitudes[K] = 9;
        Long.AMWaveforms[K] = static_cast<TTGWave>(K % 5);
    }
    Add("LongMix", {tg16Bit, tgHiQ, true}, 2500, Long);
    return Rows;
}

class RenderReferenceTest : public testing::TestWithParam<TRenderRow> {};

TEST_P(RenderReferenceTest, SameBytesAsTheReference) {
    const TReferenceTone& Tone = GetParam().Tone;
    const std::vector<std::uint8_t> Expected = ReferenceSamples(Tone);
    const std::vector<std::uint8_t> Actual = RenderedSamples(Tone);
    ASSERT_EQ(Actual.size(), Expected.size());
    for (std::size_t I = 0; I < Actual.size(); ++I)
        ASSERT_EQ(Actual[I], Expected[I]) << "first difference at byte " << I;
}

INSTANTIATE_TEST_SUITE_P(Tones, RenderReferenceTest, testing::ValuesIn(RenderRows()),
                         [](const auto& Info) { return Info.param.Name; });

struct TSoundsRow {
    const char* Name;
    TToneVoice Voice;
    std::uint32_t Rate;
    bool Sounds;
};

void PrintTo(const TSoundsRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TSoundsRow SoundsRows[] = {
    {"SquareAtHalfTheRate", {10, 22050, tgSquare}, 44100, true},
    {"SquareAboveHalfTheRate", {10, 22051, tgSquare}, 44100, false},
    {"TriangleAboveHalfTheHighRate", {10, 48001, tgTriangle}, 96000, false},
    {"NoiseAboveHalfTheRate", {10, 22051, tgNoise}, 44100, true},
    {"NoiseAtTheLargestFrequency", {10, 32767, tgNoise}, 44100, true},
    {"WaveformPastNoiseIsNoise", {10, 30000, static_cast<TTGWave>(9)}, 44100, true},
    {"NoiseWithoutAmplitude", {0, 440, tgNoise}, 44100, false},
    {"NoiseWithoutFrequency", {10, 0, tgNoise}, 44100, false},
    {"NegativeAmplitude", {-5, 440, tgSine}, 96000, false},
};

class VoiceSoundsTest : public testing::TestWithParam<TSoundsRow> {};

TEST_P(VoiceSoundsTest, OnlyPeriodicVoicesStopAtHalfTheRate) {
    EXPECT_EQ(VoiceSounds(GetParam().Voice, GetParam().Rate), GetParam().Sounds);
}

INSTANTIATE_TEST_SUITE_P(Rules, VoiceSoundsTest, testing::ValuesIn(SoundsRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(RenderVoicesTest, NoiseVoicesAdvanceTheGeneratorByOneDrawPerFrame) {
    TToneSettings S = Defaults();
    S.Waveform = tgNoise;
    S.AMAmplitudes[4] = 10;
    S.AMWaveforms[4] = tgNoise;
    S.AMAmplitudes[6] = 10; // a sine voice draws nothing
    const TToneFormat Format{tg16Bit, tgLoQ, false};
    const std::uint32_t D = WaveDataSize(tg16Bit, tgLoQ, false, 15); // 661.5 frames
    std::vector<std::uint8_t> Samples(D + WaveSpareSize);
    RandSeed = 77;
    ASSERT_TRUE(RenderVoices(Samples.data(), D, Format, PlanVoices(S).Voices));
    EXPECT_EQ(RandSeed, AdvanceRandSeed(77, 2 * 662));

    // Own frequencies above half the rate: the two noise voices at 22051 and
    // 32767 Hz draw, the one at 32768 Hz and the square are silent.
    S.UseMultiplier = false;
    S.AMFrequencies[4] = 22051.0f;
    S.AMAmplitudes[5] = 10;
    S.AMWaveforms[5] = tgNoise;
    S.AMFrequencies[5] = 32767.0f;
    S.AMAmplitudes[6] = 10;
    S.AMWaveforms[6] = tgNoise;
    S.AMFrequencies[6] = 32768.0f;
    S.AMAmplitudes[7] = 10;
    S.AMWaveforms[7] = tgSquare;
    S.AMFrequencies[7] = 22051.0f;
    RandSeed = 77;
    ASSERT_TRUE(RenderVoices(Samples.data(), D, Format, PlanVoices(S).Voices));
    EXPECT_EQ(RandSeed, AdvanceRandSeed(77, 3 * 662));
}

} // namespace
