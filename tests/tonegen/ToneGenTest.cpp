// The TToneGen component: properties with their ranges and defaults, dirty
// flags, the design-time message, the partial table, the device volume, and
// the samples its renderings leave in the image.
#include "ToneGen.h"

#include "FakeVolume.h"
#include "MessageBox.h"
#include "RandomGenerator.h"
#include "WaveBytes.h"
#include "WaveImage.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

class ToneGenTest : public testing::Test {
protected:
    void SetUp() override {
        FakeVolume = TFakeVolumeDevice{};
        Previous = SetMessageBoxHandler([this](const TMessageBoxCall& Call) {
            Boxes.push_back(Call);
            return IDOK;
        });
    }
    void TearDown() override { SetMessageBoxHandler(Previous); }

    // A component placed on a form that is open in the designer.
    std::unique_ptr<TComponent> DesignedForm() {
        auto Form = std::make_unique<TComponent>(nullptr);
        Form->SetDesigning(true);
        return Form;
    }

    std::vector<TMessageBoxCall> Boxes;
    TMessageBoxHandler Previous;
};

int Sample16(const TToneGen& Gen, std::size_t Frame, std::size_t Channel = 0) {
    const std::size_t Channels = Gen.Stereo() ? 2 : 1;
    const std::uint8_t* At =
        Gen.GetDataBuffer() + WaveHeaderSize + (Frame * Channels + Channel) * 2;
    return static_cast<std::int16_t>(At[0] | (At[1] << 8));
}

int Byte8(const TToneGen& Gen, std::size_t Frame, std::size_t Channel = 0) {
    const std::size_t Channels = Gen.Stereo() ? 2 : 1;
    return Gen.GetDataBuffer()[WaveHeaderSize + Frame * Channels + Channel];
}

int SampleAt(const TToneGen& Gen, std::size_t Frame) {
    return Gen.Resolution() == tg16Bit ? Sample16(Gen, Frame) : Byte8(Gen, Frame);
}

// --- Properties -------------------------------------------------------------

struct TDefaultRow {
    const char* Name;
    std::function<double(const TToneGen&)> Read;
    double Expected;
};

void PrintTo(const TDefaultRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TDefaultRow DefaultRows[] = {
    {"Frequency", [](const TToneGen& G) { return G.Frequency(); }, 440},
    {"Duration", [](const TToneGen& G) { return G.Duration(); }, 100},
    {"Waveform", [](const TToneGen& G) { return G.Waveform(); }, tgSine},
    {"Attack", [](const TToneGen& G) { return G.Attack(); }, 10},
    {"Hold", [](const TToneGen& G) { return G.Hold(); }, 5},
    {"Decay", [](const TToneGen& G) { return G.Decay(); }, 20},
    {"Sustain", [](const TToneGen& G) { return G.Sustain(); }, 50},
    {"Release", [](const TToneGen& G) { return G.Release(); }, 30},
    {"Async", [](const TToneGen& G) { return G.Async(); }, 1},
    {"Loop", [](const TToneGen& G) { return G.Loop(); }, 0},
    {"Resolution", [](const TToneGen& G) { return G.Resolution(); }, tg16Bit},
    {"Quality", [](const TToneGen& G) { return G.Quality(); }, tgHiQ},
    {"LeftVolume", [](const TToneGen& G) { return G.LeftVolume(); }, 100},
    {"RightVolume", [](const TToneGen& G) { return G.RightVolume(); }, 100},
    {"Stereo", [](const TToneGen& G) { return G.Stereo(); }, 0},
    {"AMLevel", [](const TToneGen& G) { return G.AMLevel(); }, tgAMLevel1},
    {"AMAmplitude", [](const TToneGen& G) { return G.AMAmplitude(); }, 0},
    {"AMWaveform", [](const TToneGen& G) { return G.AMWaveform(); }, tgSine},
    {"AMFrequency", [](const TToneGen& G) { return G.AMFrequency(); }, 0.5},
    {"AMUseMultiplier", [](const TToneGen& G) { return G.AMUseMultiplier(); }, 1},
    {"ToneDirty", [](const TToneGen& G) { return G.ToneDirty(); }, 1},
    {"EnvelopeDirty", [](const TToneGen& G) { return G.EnvelopeDirty(); }, 1},
    {"PlainDirty", [](const TToneGen& G) { return G.PlainDirty(); }, 1},
    {"Stopped", [](const TToneGen& G) { return G.Stopped(); }, 1},
    {"NoImage", [](const TToneGen& G) { return G.GetDataBuffer() == nullptr; }, 1},
    {"ImageSize", [](const TToneGen& G) { return G.WaveImageSize(); }, 0},
};

class DefaultsTest : public ToneGenTest, public testing::WithParamInterface<TDefaultRow> {};

TEST_P(DefaultsTest, ANewComponentHoldsIt) {
    TToneGen Gen(nullptr);
    EXPECT_EQ(GetParam().Read(Gen), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Create, DefaultsTest, testing::ValuesIn(DefaultRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(ToneGenTest, ANewComponentHasTheDefaultPartialTable) {
    TToneGen Gen(nullptr);
    for (int K = 0; K < AMLevelCount; ++K) {
        const TToneGen::TAMRow Row = Gen.AMRow(static_cast<TTGAMLevel>(K));
        EXPECT_EQ(Row.Amplitude, 0);
        EXPECT_EQ(Row.Waveform, tgSine);
        EXPECT_EQ(Row.Frequency, (K + 1.0f) / 2.0f);
    }
}

struct TRangeRow {
    const char* Name;
    std::function<void(TToneGen&, std::int16_t)> Set;
    std::function<std::int16_t(const TToneGen&)> Get;
    std::int16_t Value;
    std::int16_t Stored;
    int Lo, Hi; // the limits the message names when Value is out of range
};

void PrintTo(const TRangeRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

#define PROPERTY(P)                                                                                \
    [](TToneGen& G, std::int16_t V) { G.Set##P(V); },                                              \
        [](const TToneGen& G) { return static_cast<std::int16_t>(G.P()); }

const TRangeRow RangeRows[] = {
    {"FrequencyBelow", PROPERTY(Frequency), 5, 20, 20, 20000},
    {"FrequencyAbove", PROPERTY(Frequency), 30000, 20000, 20, 20000},
    {"FrequencyLowest", PROPERTY(Frequency), 20, 20, 0, 0},
    {"FrequencyHighest", PROPERTY(Frequency), 20000, 20000, 0, 0},
    {"FrequencyNegative", PROPERTY(Frequency), -440, 20, 20, 20000},
    {"DurationZero", PROPERTY(Duration), 0, 10, 10, 32767},
    {"DurationLongest", PROPERTY(Duration), 32767, 32767, 0, 0},
    {"DurationNegative", PROPERTY(Duration), -32768, 10, 10, 32767},
    {"AttackBelow", PROPERTY(Attack), -1, 0, 0, 100},
    {"HoldAbove", PROPERTY(Hold), 200, 100, 0, 100},
    {"DecayInRange", PROPERTY(Decay), 33, 33, 0, 0},
    {"SustainAbove", PROPERTY(Sustain), 101, 100, 0, 100},
    {"ReleaseBelow", PROPERTY(Release), -5, 0, 0, 100},
    {"LeftVolumeAbove", PROPERTY(LeftVolume), 150, 100, 0, 100},
    {"RightVolumeBelow", PROPERTY(RightVolume), -1, 0, 0, 100},
    {"AMAmplitudeAbove", PROPERTY(AMAmplitude), 250, 100, 0, 100},
    {"AMAmplitudeZero", PROPERTY(AMAmplitude), 0, 0, 0, 0},
};

#undef PROPERTY

class RangeTest : public ToneGenTest, public testing::WithParamInterface<TRangeRow> {};

TEST_P(RangeTest, ClampsSilentlyAtRunTime) {
    const TRangeRow& R = GetParam();
    TToneGen Gen(nullptr);
    R.Set(Gen, R.Value);
    EXPECT_EQ(R.Get(Gen), R.Stored);
    EXPECT_TRUE(Boxes.empty());
}

TEST_P(RangeTest, ShowsTheRangeInTheDesigner) {
    const TRangeRow& R = GetParam();
    auto Form = DesignedForm();
    auto* Gen = new TToneGen(Form.get());
    R.Set(*Gen, R.Value);
    EXPECT_EQ(R.Get(*Gen), R.Stored);
    if (R.Value == R.Stored) {
        EXPECT_TRUE(Boxes.empty());
        return;
    }
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Owner, nullptr);
    EXPECT_EQ(Boxes[0].Text,
              "Value must be between " + std::to_string(R.Lo) + " and " + std::to_string(R.Hi));
    EXPECT_EQ(Boxes[0].Caption, "Error");
    EXPECT_EQ(Boxes[0].Style, 0x10u);
}

INSTANTIATE_TEST_SUITE_P(Properties, RangeTest, testing::ValuesIn(RangeRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// --- Dirty flags --------------------------------------------------------------

enum TMarks { MarksTone, MarksEnvelope, MarksNothing };

struct TDirtyRow {
    const char* Name;
    std::function<void(TToneGen&)> Act;
    TMarks Marks;
};

void PrintTo(const TDirtyRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TDirtyRow DirtyRows[] = {
    // Assigning the value a property already has still marks it.
    {"FrequencyUnchanged", [](TToneGen& G) { G.SetFrequency(G.Frequency()); }, MarksTone},
    {"Duration", [](TToneGen& G) { G.SetDuration(200); }, MarksTone},
    {"Waveform", [](TToneGen& G) { G.SetWaveform(tgSquare); }, MarksTone},
    {"Resolution", [](TToneGen& G) { G.SetResolution(tg8Bit); }, MarksTone},
    {"Quality", [](TToneGen& G) { G.SetQuality(tgLoQ); }, MarksTone},
    {"Stereo", [](TToneGen& G) { G.SetStereo(true); }, MarksTone},
    {"AMLevel", [](TToneGen& G) { G.SetAMLevel(tgAMLevel3); }, MarksTone},
    {"AMAmplitude", [](TToneGen& G) { G.SetAMAmplitude(10); }, MarksTone},
    {"AMWaveform", [](TToneGen& G) { G.SetAMWaveform(tgNoise); }, MarksTone},
    {"AMFrequency", [](TToneGen& G) { G.SetAMFrequency(2.0f); }, MarksTone},
    {"AMUseMultiplier", [](TToneGen& G) { G.SetAMUseMultiplier(true); }, MarksTone},
    {"ResetAM", [](TToneGen& G) { G.ResetAM(); }, MarksTone},
    {"SetAMParameter", [](TToneGen& G) { G.SetAMParameter(tgAMLevel2, 0, 1.0f, tgSine); },
     MarksTone},
    {"Attack", [](TToneGen& G) { G.SetAttack(10); }, MarksEnvelope},
    {"Hold", [](TToneGen& G) { G.SetHold(1); }, MarksEnvelope},
    {"Decay", [](TToneGen& G) { G.SetDecay(1); }, MarksEnvelope},
    {"Sustain", [](TToneGen& G) { G.SetSustain(1); }, MarksEnvelope},
    {"ReleaseOutOfRange", [](TToneGen& G) { G.SetRelease(500); }, MarksEnvelope},
    {"Async", [](TToneGen& G) { G.SetAsync(false); }, MarksNothing},
    {"Loop", [](TToneGen& G) { G.SetLoop(true); }, MarksNothing},
    {"LeftVolume", [](TToneGen& G) { G.SetLeftVolume(50); }, MarksNothing},
    {"RightVolume", [](TToneGen& G) { G.SetRightVolume(50); }, MarksNothing},
    {"PresetVolume", [](TToneGen& G) { G.PresetVolume(); }, MarksNothing},
    {"Stop", [](TToneGen& G) { G.Stop(); }, MarksNothing},
    {"ExportFile", [](TToneGen& G) { G.ExportFile("/nonexistent-folder/x.wav"); }, MarksNothing},
};

class DirtyFlagTest : public ToneGenTest, public testing::WithParamInterface<TDirtyRow> {};

TEST_P(DirtyFlagTest, MarksOnlyItsFlag) {
    const TDirtyRow& R = GetParam();
    for (const bool Enveloped : {false, true}) {
        TToneGen Gen(nullptr);
        ASSERT_TRUE(Enveloped ? Gen.PrepareADSR() : Gen.Prepare());
        const bool Envelope = Gen.EnvelopeDirty();
        const bool Plain = Gen.PlainDirty();
        R.Act(Gen);
        EXPECT_EQ(Gen.ToneDirty(), R.Marks == MarksTone) << "after " << Enveloped;
        EXPECT_EQ(Gen.EnvelopeDirty(), R.Marks == MarksEnvelope || Envelope) << Enveloped;
        EXPECT_EQ(Gen.PlainDirty(), Plain) << Enveloped;
    }
}

INSTANTIATE_TEST_SUITE_P(Setters, DirtyFlagTest, testing::ValuesIn(DirtyRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(ToneGenTest, RenderingsLeaveTheFlagsOfWhatTheImageHolds) {
    TToneGen Gen(nullptr);
    ASSERT_TRUE(Gen.Prepare());
    EXPECT_FALSE(Gen.ToneDirty());
    EXPECT_TRUE(Gen.EnvelopeDirty());
    EXPECT_FALSE(Gen.PlainDirty());
    ASSERT_TRUE(Gen.PrepareADSR());
    EXPECT_FALSE(Gen.ToneDirty());
    EXPECT_FALSE(Gen.EnvelopeDirty());
    EXPECT_TRUE(Gen.PlainDirty());
}

// --- Partial table --------------------------------------------------------------

TEST_F(ToneGenTest, SelectingALevelCopiesItsRowIntoTheMirror) {
    TToneGen Gen(nullptr);
    Gen.SetAMLevel(tgAMLevel3);
    EXPECT_EQ(Gen.AMFrequency(), 1.5f);
    Gen.SetAMLevel(tgAMLevel8);
    EXPECT_EQ(Gen.AMFrequency(), 4.0f);

    Gen.SetAMLevel(tgAMLevel2);
    Gen.SetAMAmplitude(250);
    EXPECT_EQ(Gen.AMAmplitude(), 100);
    EXPECT_EQ(Gen.AMRow(tgAMLevel2).Amplitude, 100);
    Gen.SetAMWaveform(tgTriangle);
    Gen.SetAMFrequency(-7.0f); // stored unchecked
    EXPECT_EQ(Gen.AMRow(tgAMLevel2).Waveform, tgTriangle);
    EXPECT_EQ(Gen.AMRow(tgAMLevel2).Frequency, -7.0f);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(ToneGenTest, DirectRowWritesLeaveTheMirrorUntilTheLevelIsSelected) {
    TToneGen Gen(nullptr);
    Gen.SetAMLevel(tgAMLevel2);
    Gen.SetAMParameter(tgAMLevel2, 150, 2.5f, tgSquare);
    EXPECT_EQ(Gen.AMRow(tgAMLevel2).Amplitude, 150);
    EXPECT_EQ(Gen.AMRow(tgAMLevel2).Frequency, 2.5f);
    EXPECT_EQ(Gen.AMRow(tgAMLevel2).Waveform, tgSquare);
    EXPECT_EQ(Gen.AMAmplitude(), 0);
    EXPECT_EQ(Gen.AMFrequency(), 1.0f);
    EXPECT_EQ(Gen.AMWaveform(), tgSine);

    Gen.SetAMLevel(tgAMLevel2);
    EXPECT_EQ(Gen.AMAmplitude(), 100);
    EXPECT_EQ(Gen.AMFrequency(), 2.5f);
    EXPECT_EQ(Gen.AMWaveform(), tgSquare);
    EXPECT_EQ(Gen.AMRow(tgAMLevel2).Amplitude, 100);

    Gen.ResetAM();
    for (int K = 0; K < AMLevelCount; ++K) {
        const TToneGen::TAMRow Row = Gen.AMRow(static_cast<TTGAMLevel>(K));
        EXPECT_EQ(Row.Amplitude, 0);
        EXPECT_EQ(Row.Waveform, tgSine);
        EXPECT_EQ(Row.Frequency, (K + 1.0f) / 2.0f);
    }
    EXPECT_EQ(Gen.AMAmplitude(), 100);
    EXPECT_EQ(Gen.AMFrequency(), 2.5f);
    EXPECT_EQ(Gen.AMLevel(), tgAMLevel2);
}

TEST_F(ToneGenTest, ALevelOutsideTheTableChangesNothing) {
    TToneGen Gen(nullptr);
    const auto Beyond = static_cast<TTGAMLevel>(8);
    Gen.SetAMParameter(Beyond, 50, 9.0f, tgNoise);
    Gen.SetAMLevel(Beyond);
    EXPECT_EQ(Gen.AMLevel(), tgAMLevel1);
    for (int K = 0; K < AMLevelCount; ++K)
        EXPECT_EQ(Gen.AMRow(static_cast<TTGAMLevel>(K)).Amplitude, 0);
}

TEST_F(ToneGenTest, AMultipliedPartialOutOfRangeIsReportedInTheDesigner) {
    for (const bool Designing : {false, true}) {
        Boxes.clear();
        auto Form = DesignedForm();
        Form->SetDesigning(Designing);
        auto* Gen = new TToneGen(Form.get());
        Gen->SetFrequency(30); // partial 1 at 30 x 0.5 = 15 Hz is raised to 20
        ASSERT_TRUE(Gen->Prepare());
        if (!Designing) {
            EXPECT_TRUE(Boxes.empty());
            continue;
        }
        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_EQ(Boxes[0].Text, "Value must be between 20 and 20000");
        EXPECT_EQ(Boxes[0].Caption, "Error");
        EXPECT_EQ(Boxes[0].Style, 0x10u);
    }
}

// --- Device volume ----------------------------------------------------------------

TEST_F(ToneGenTest, FirstInstanceSavesAndSetsFullVolumeAndTheLastRestores) {
    FakeVolume.Volume = 0x40003000;
    auto* First = new TToneGen(nullptr);
    const std::vector<TVolumeCall> Created = {
        {"GetDevCaps", 0, 52}, {"GetVolume", 0, 0x40003000}, {"SetVolume", 0, 0xFFFFFFFF}};
    EXPECT_EQ(FakeVolume.Calls, Created);
    FakeVolume.Calls.clear();

    auto* Second = new TToneGen(nullptr);
    delete First;
    EXPECT_TRUE(FakeVolume.Calls.empty()) << "a second instance leaves the device alone";
    delete Second;
    EXPECT_EQ(FakeVolume.SetValues(), std::vector<std::uint32_t>{0x40003000});
}

TEST_F(ToneGenTest, AMonoDeviceLevelIsSavedForBothChannels) {
    FakeVolume.Mono = true;
    FakeVolume.Volume = 0x00008000;
    delete new TToneGen(nullptr);
    EXPECT_EQ(FakeVolume.SetValues(), (std::vector<std::uint32_t>{0xFFFFFFFF, 0x80008000}));
}

TEST_F(ToneGenTest, AFailedVolumeReadLeavesTheDeviceAlone) {
    for (const bool CapsFail : {true, false}) {
        FakeVolume = TFakeVolumeDevice{};
        FakeVolume.FailCaps = CapsFail;
        FakeVolume.FailGet = !CapsFail;
        delete new TToneGen(nullptr);
        EXPECT_TRUE(FakeVolume.SetValues().empty())
            << "neither full volume at creation nor a restore of an unknown volume";
    }
}

TEST_F(ToneGenTest, DesignTimeInstancesDoNotSaveOrRestore) {
    auto Form = DesignedForm();
    auto* Designed = new TToneGen(Form.get());
    EXPECT_TRUE(FakeVolume.Calls.empty());
    // A run-time instance created while the designed one lives does not save
    // either, so there is nothing for it to restore when it is the last.
    auto* Running = new TToneGen(nullptr);
    delete Designed;
    delete Running;
    EXPECT_TRUE(FakeVolume.SetValues().empty());
}

struct TVolumeRow {
    const char* Name;
    std::int16_t Left, Right;
    std::uint32_t Device;
};

void PrintTo(const TVolumeRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TVolumeRow VolumeRows[] = {
    {"Full", 100, 100, 0xFFFFFFFF},     {"HalfLeft", 50, 100, 0xFFFF7FFF},
    {"HalfRight", 100, 50, 0x7FFFFFFF}, {"Silent", 0, 0, 0},
    {"OnePercent", 1, 1, 0x028F028F},
};

class VolumeTest : public ToneGenTest, public testing::WithParamInterface<TVolumeRow> {};

TEST_P(VolumeTest, ReachesTheDeviceAtOnceWhileStopped) {
    const TVolumeRow& R = GetParam();
    TToneGen Gen(nullptr);
    Gen.SetLeftVolume(R.Left);
    FakeVolume.Calls.clear();
    Gen.SetRightVolume(R.Right);
    EXPECT_EQ(FakeVolume.SetValues(), std::vector<std::uint32_t>{R.Device});
    FakeVolume.Calls.clear();
    Gen.PresetVolume();
    EXPECT_EQ(FakeVolume.SetValues(), std::vector<std::uint32_t>{R.Device});
    FakeVolume.Calls.clear();
    ASSERT_TRUE(Gen.Prepare());
    EXPECT_EQ(FakeVolume.SetValues(), std::vector<std::uint32_t>{R.Device});
}

INSTANTIATE_TEST_SUITE_P(Values, VolumeTest, testing::ValuesIn(VolumeRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// --- Rendered samples -------------------------------------------------------------

struct TSampleRow {
    const char* Name;
    std::function<void(TToneGen&)> Configure;
    std::vector<std::pair<std::size_t, int>> Samples; // frame, left sample or byte
};

void PrintTo(const TSampleRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

void LowQuality(TToneGen& G) {
    G.SetQuality(tgLoQ);
}

const TSampleRow SampleRows[] = {
    {"Sine441",
     [](TToneGen& G) {
         LowQuality(G);
         G.SetFrequency(441);
     },
     {{0, 0}, {1, 2057}, {2, 4106}, {3, 6139}, {4, 8148}}},
    {"Triangle440",
     [](TToneGen& G) {
         LowQuality(G);
         G.SetWaveform(tgTriangle);
     },
     {{0, -32767},
      {1, -31456},
      {2, -30145},
      {49, 31456},
      {51, 31456},
      {99, -31456},
      {100, -32767}}},
    {"Sawtooth440",
     [](TToneGen& G) {
         LowQuality(G);
         G.SetWaveform(tgSawtooth);
     },
     {{0, -32767}, {1, -32111}, {99, 32111}, {100, -32767}}},
    // Periods of 100.227 samples start at 0, 100, 200, 300, 400 and 501.
    {"PeriodStarts44100",
     [](TToneGen& G) {
         LowQuality(G);
         G.SetWaveform(tgSawtooth);
     },
     {{200, -32767}, {300, -32767}, {400, -32767}, {500, 32767}, {501, -32767}}},
    // T = 4.8 is just below 4.8 in binary; the double product 5 x T rounds to
    // 24, so the sixth period starts at sample 24 (extended precision would
    // start it at 23), and the periods before it are 4, 5, 5, 5 and 5 long.
    {"PeriodStarts96000At20000Hz",
     [](TToneGen& G) {
         G.SetFrequency(20000);
         G.SetWaveform(tgSawtooth);
     },
     {{0, -32767},
      {3, 16383},
      {4, -32767},
      {8, 32767},
      {9, -32767},
      {23, 32767},
      {24, -32767},
      {28, -32767},
      {47, 32767},
      {48, -32767}}},
    {"Square440At96000",
     [](TToneGen& G) { G.SetWaveform(tgSquare); },
     {{0, -32767}, {108, -32767}, {109, 32767}, {217, 32767}, {218, -32767}}},
    {"SilentPartialKeepsItsShare16",
     [](TToneGen& G) {
         G.SetWaveform(tgSquare);
         G.SetAMUseMultiplier(false);
         G.SetAMParameter(tgAMLevel1, 50, 0.0f, tgSine);
     },
     {{0, -16383}, {108, -16383}, {109, 16383}, {217, 16383}}},
    {"SilentPartialKeepsItsShare8",
     [](TToneGen& G) {
         G.SetResolution(tg8Bit);
         G.SetWaveform(tgSquare);
         G.SetAMUseMultiplier(false);
         G.SetAMParameter(tgAMLevel1, 50, 0.0f, tgSine);
     },
     {{0, 64}, {108, 64}, {109, 191}, {217, 191}}},
    {"Noise16",
     [](TToneGen& G) { G.SetWaveform(tgNoise); },
     {{0, -30711}, {1, 23661}, {2, -19491}}},
    {"Noise8",
     [](TToneGen& G) {
         G.SetResolution(tg8Bit);
         G.SetWaveform(tgNoise);
     },
     {{0, 9}, {1, 220}, {2, 52}}},
    {"MultipliedPartialAt660Hz",
     [](TToneGen& G) { G.SetAMParameter(tgAMLevel3, 100, 1.5f, tgSquare); },
     {{0, -32767}, {71, -32767}, {72, 32767}, {144, 32767}, {145, -32767}}},
    {"SamePartialWithoutMultiplierAt1Hz",
     [](TToneGen& G) {
         G.SetAMUseMultiplier(false);
         G.SetAMParameter(tgAMLevel3, 100, 1.5f, tgSquare);
     },
     {{0, -32767}, {72, -32767}, {145, -32767}, {9599, -32767}}},
    // 80 and 60 percent sound at 57 and 42; the main tone is silent.
    {"PartialsAbove100AreScaled",
     [](TToneGen& G) {
         G.SetAMUseMultiplier(false);
         G.SetAMParameter(tgAMLevel1, 80, 100.0f, tgSquare);
         G.SetAMParameter(tgAMLevel2, 60, 100.0f, tgSquare);
     },
     {{0, -18677 - 13762}, {479, -18677 - 13762}, {480, 18677 + 13762}}},
    // Nine square voices all at their low level: -135 below the centre
    // saturates at 0 instead of wrapping to 249.
    {"EightBitLowMixSaturates",
     [](TToneGen& G) {
         G.SetResolution(tg8Bit);
         G.SetWaveform(tgSquare);
         for (int K = 0; K < AMLevelCount; ++K)
             G.SetAMParameter(static_cast<TTGAMLevel>(K), 4, 1.0f, tgSquare);
     },
     {{0, 0}, {108, 0}, {109, 128 + 86 + 8 * 5}}},
    {"StoredAmplitudeAbove100Saturates16",
     [](TToneGen& G) {
         G.SetWaveform(tgSquare);
         G.SetAMParameter(tgAMLevel1, 150, 1.0f, tgSquare);
         G.SetAMParameter(tgAMLevel2, -50, 1.0f, tgSquare);
     },
     {{0, -32768}, {109, 32767}}},
};

class SampleTest : public ToneGenTest, public testing::WithParamInterface<TSampleRow> {};

TEST_P(SampleTest, RendersTheExpectedValues) {
    TToneGen Gen(nullptr);
    GetParam().Configure(Gen);
    ASSERT_TRUE(Gen.Prepare());
    for (const auto& [Frame, Value] : GetParam().Samples)
        EXPECT_EQ(SampleAt(Gen, Frame), Value) << "frame " << Frame;
}

INSTANTIATE_TEST_SUITE_P(Tones, SampleTest, testing::ValuesIn(SampleRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

struct TImageRow {
    const char* Name;
    TTGResolution Resolution;
    TTGQuality Quality;
    bool Stereo;
    std::int16_t Duration;
    std::uint32_t D;
    // The header's fields.
    std::uint32_t RiffSize;
    std::uint16_t Channels;
    std::uint32_t Rate;
    std::uint32_t BytesPerSecond;
    std::uint16_t BlockAlign;
    std::uint16_t Bits;
};

void PrintTo(const TImageRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TImageRow ImageRows[] = {
    {"HiQ16Mono", tg16Bit, tgHiQ, false, 100, 19200, 19236, 1, 96000, 192000, 2, 16},
    {"HiQ16Stereo", tg16Bit, tgHiQ, true, 100, 38400, 38436, 2, 96000, 384000, 4, 16},
    {"HiQ8Mono", tg8Bit, tgHiQ, false, 100, 9600, 9636, 1, 96000, 96000, 1, 8},
    {"HiQ8Stereo", tg8Bit, tgHiQ, true, 100, 19200, 19236, 2, 96000, 192000, 2, 8},
    {"LoQ16Mono", tg16Bit, tgLoQ, false, 100, 8820, 8856, 1, 44100, 88200, 2, 16},
    {"LoQ16Stereo", tg16Bit, tgLoQ, true, 100, 17640, 17676, 2, 44100, 176400, 4, 16},
    {"LoQ8Mono", tg8Bit, tgLoQ, false, 10, 441, 477, 1, 44100, 44100, 1, 8},
    {"LoQ8Stereo", tg8Bit, tgLoQ, true, 100, 8820, 8856, 2, 44100, 88200, 2, 8},
    {"LoQ16MonoOdd", tg16Bit, tgLoQ, false, 15, 1323, 1359, 1, 44100, 88200, 2, 16},
    {"LoQ8MonoOdd", tg8Bit, tgLoQ, false, 15, 661, 697, 1, 44100, 44100, 1, 8},
};

class ImageTest : public ToneGenTest, public testing::WithParamInterface<TImageRow> {};

TEST_P(ImageTest, HeaderDataAndSpareBytes) {
    const TImageRow& R = GetParam();
    TToneGen Gen(nullptr);
    Gen.SetResolution(R.Resolution);
    Gen.SetQuality(R.Quality);
    Gen.SetStereo(R.Stereo);
    Gen.SetDuration(R.Duration);
    Gen.SetWaveform(tgSquare);
    ASSERT_TRUE(Gen.Prepare());
    ASSERT_EQ(Gen.WaveImageSize(), static_cast<std::int32_t>(R.D + 76));
    const std::uint8_t* Image = Gen.GetDataBuffer();
    ExpectWaveHeader(Image,
                     {R.RiffSize, R.Channels, R.Rate, R.BytesPerSecond, R.BlockAlign, R.Bits, R.D});

    const std::uint8_t* Spare = Image + WaveHeaderSize + R.D;
    std::size_t FirstSilent = 0;
    if (R.Resolution == tg16Bit && R.D % 2 == 1) {
        // The last sample is written whole; its high byte is the first spare
        // byte. The square is at its high level there (frame 661 of a
        // 100.2-sample period lies in the second half).
        EXPECT_EQ(Spare[-1], 0xFF);
        EXPECT_EQ(Spare[0], 0x7F);
        FirstSilent = 1;
    }
    for (std::size_t I = FirstSilent; I < WaveSpareSize; ++I)
        EXPECT_EQ(Spare[I], SilenceByte(R.Resolution)) << "spare byte " << I;
    // Both channels carry the same value.
    for (std::size_t Frame = 0; R.Stereo && Frame < 300; ++Frame) {
        ASSERT_EQ(SampleAt(Gen, Frame),
                  R.Resolution == tg16Bit ? Sample16(Gen, Frame, 1) : Byte8(Gen, Frame, 1));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ImageTest, testing::ValuesIn(ImageRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(ToneGenTest, SilentVoicesLeaveTheSilenceByte) {
    for (const TTGResolution Resolution : {tg16Bit, tg8Bit}) {
        TToneGen Gen(nullptr);
        Gen.SetResolution(Resolution);
        Gen.SetAMUseMultiplier(false);
        // Partials at 0 Hz take the whole output and are silent themselves.
        Gen.SetAMParameter(tgAMLevel1, 100, 0.0f, tgSquare);
        ASSERT_TRUE(Gen.Prepare());
        const std::uint8_t* Image = Gen.GetDataBuffer();
        for (std::int32_t I = WaveHeaderSize; I < Gen.WaveImageSize(); ++I)
            ASSERT_EQ(Image[I], SilenceByte(Resolution)) << "byte " << I;
    }
}

TEST_F(ToneGenTest, NoiseIsTheSameOnEveryRenderAndTheGeneratorIsPutBack) {
    TToneGen Gen(nullptr);
    Gen.SetWaveform(tgNoise);
    Gen.SetAMParameter(tgAMLevel4, 30, 2.0f, tgNoise);
    RandSeed = 0xDEADBEEF;
    ASSERT_TRUE(Gen.Prepare());
    EXPECT_EQ(RandSeed, 0xDEADBEEFu);
    const std::vector<std::uint8_t> First(Gen.GetDataBuffer(),
                                          Gen.GetDataBuffer() + Gen.WaveImageSize());
    Random(1000);
    ASSERT_TRUE(Gen.Prepare());
    const std::vector<std::uint8_t> Second(Gen.GetDataBuffer(),
                                           Gen.GetDataBuffer() + Gen.WaveImageSize());
    EXPECT_EQ(First, Second);
}

// A stereo square at 440 Hz and 96000 Hz (low for 109 samples, then high,
// periods of 218.18 samples) under Attack 25, Hold 5, Decay 20, Sustain 70,
// Release 0: 9600 frames, attack 0 to 2400, hold 2401 to 2881, decay 2882 to
// 4802, sustain from 4803 to the end.
TEST_F(ToneGenTest, PrepareADSRShapesThePlainToneWithTheProperties) {
    TToneGen Gen(nullptr);
    Gen.SetWaveform(tgSquare);
    Gen.SetStereo(true);
    Gen.SetAttack(25);
    Gen.SetSustain(70);
    Gen.SetRelease(0);
    ASSERT_TRUE(Gen.PrepareADSR());
    const std::pair<std::size_t, int> Expected[] = {
        {0, 0},         // attack, k = 0
        {100, -1365},   // attack: -32767 x 100 / 2400
        {2300, 31401},  // attack: 32767 x 2300 / 2400
        {2500, -32767}, // hold
        {3842, 27852},  // decay, k = 960: 32767 - 32767 x 960 x 0.3 / 1920
        {4802, -22937}, // decay, k = n: -32767 x 0.7, rounded toward zero
        {6000, 22936},  // sustain: 32767 x 0.7
        {9599, 22936},  // the last frame, still in the sustain
    };
    for (const auto& [Frame, Value] : Expected) {
        EXPECT_EQ(Sample16(Gen, Frame, 0), Value) << "frame " << Frame;
        EXPECT_EQ(Sample16(Gen, Frame, 1), Value) << "frame " << Frame << ", right";
    }
    const std::uint8_t* Spare = Gen.GetDataBuffer() + WaveHeaderSize + 38400;
    for (std::size_t I = 0; I < WaveSpareSize; ++I)
        EXPECT_EQ(Spare[I], 0) << "spare byte " << I;

    // Prepare renders the plain tone again: full level from the first frame.
    ASSERT_TRUE(Gen.Prepare());
    EXPECT_EQ(Sample16(Gen, 0), -32767);
    EXPECT_EQ(Sample16(Gen, 6000), 32767);
}

} // namespace
