// The tone generator in form streams: the partial table as the binary
// property "AMArrayData", and the published properties with their stored
// rules, written and read back through the toolkit's form text.
#include "FakeSoundPlayer.h"
#include "FakeVolume.h"
#include "FormStream.h"
#include "ToneGen.h"

#include <bit>
#include <cstring>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

// Stands in for the form stream: keeps what DefineProperties defines.
class TCapturingFiler : public TFiler {
public:
    void DefineProperty(const std::string& Name, std::function<void(TReader&)>,
                        std::function<void(TWriter&)>, bool) override {
        Names.push_back(Name);
    }
    void DefineBinaryProperty(const std::string& Name, std::function<void(TMemoryStream&)> ReadData,
                              std::function<void(TMemoryStream&)> WriteData,
                              bool HasData) override {
        Names.push_back(Name);
        if (Name == "AMArrayData") {
            Read = std::move(ReadData);
            Write = std::move(WriteData);
            AlwaysWritten = HasData;
        }
    }

    std::vector<std::string> Names;
    std::function<void(TMemoryStream&)> Read, Write;
    bool AlwaysWritten = false;
};

class StoredTableTest : public testing::Test {
protected:
    void SetUp() override {
        FakeVolume = TFakeVolumeDevice{};
        FakeSoundPlayer = TFakeSoundPlayer{};
    }

    static TBytes Written(TToneGen& Gen) {
        TCapturingFiler Filer;
        Gen.DefineProperties(Filer);
        TMemoryStream Stream;
        Filer.Write(Stream);
        return Stream.Bytes();
    }

    static void Read(TToneGen& Gen, TBytes Bytes) {
        TCapturingFiler Filer;
        Gen.DefineProperties(Filer);
        TMemoryStream Stream(std::move(Bytes));
        Filer.Read(Stream);
    }
};

void Put32(TBytes& Bytes, std::uint32_t Value) {
    for (int Shift = 0; Shift < 32; Shift += 8)
        Bytes.push_back(static_cast<std::uint8_t>(Value >> Shift));
}

// A stored value: the highest index, then the rows given.
struct TRow {
    std::uint32_t Amplitude, Waveform;
    float Frequency;
};
TBytes Value(std::int32_t Highest, const std::vector<TRow>& Rows) {
    TBytes Bytes;
    Put32(Bytes, static_cast<std::uint32_t>(Highest));
    for (const TRow& R : Rows) {
        Put32(Bytes, R.Amplitude);
        Put32(Bytes, R.Waveform);
        Put32(Bytes, std::bit_cast<std::uint32_t>(R.Frequency));
    }
    return Bytes;
}

std::vector<TRow> RowsOf(const TToneGen& Gen) {
    std::vector<TRow> Rows;
    for (int K = 0; K < AMLevelCount; ++K) {
        const auto Row = Gen.AMRow(static_cast<TTGAMLevel>(K));
        Rows.push_back({static_cast<std::uint32_t>(static_cast<std::int32_t>(Row.Amplitude)),
                        Row.Waveform, Row.Frequency});
    }
    return Rows;
}

std::vector<TRow> DefaultRows() {
    std::vector<TRow> Rows;
    for (int K = 0; K < AMLevelCount; ++K)
        Rows.push_back({0, tgSine, static_cast<float>((K + 1) / 2.0)});
    return Rows;
}

MATCHER_P(SameRows, Want, "") {
    if (arg.size() != Want.size())
        return false;
    for (std::size_t K = 0; K < arg.size(); ++K)
        if (arg[K].Amplitude != Want[K].Amplitude || arg[K].Waveform != Want[K].Waveform ||
            std::bit_cast<std::uint32_t>(arg[K].Frequency) !=
                std::bit_cast<std::uint32_t>(Want[K].Frequency)) {
            *result_listener << "row " << K << " differs";
            return false;
        }
    return true;
}

TEST_F(StoredTableTest, TheDefaultTableIsWrittenAsOneHundredBytes) {
    TToneGen Gen(nullptr);
    TCapturingFiler Filer;
    Gen.DefineProperties(Filer);
    // After the base component's own properties, and written whatever the
    // table holds.
    EXPECT_EQ(Filer.Names, (std::vector<std::string>{"Left", "Top", "AMArrayData"}));
    EXPECT_TRUE(Filer.AlwaysWritten);

    const TBytes Bytes = Written(Gen);
    ASSERT_EQ(Bytes.size(), 100u);
    EXPECT_EQ(Bytes, Value(7, DefaultRows()));
    // Row 0's frequency 0.5 and row 7's 4.0, as the bytes a reader sees.
    EXPECT_EQ(TBytes(Bytes.begin() + 12, Bytes.begin() + 16), (TBytes{0x00, 0x00, 0x00, 0x3F}));
    EXPECT_EQ(TBytes(Bytes.begin() + 96, Bytes.end()), (TBytes{0x00, 0x00, 0x80, 0x40}));
}

TEST_F(StoredTableTest, WritingAndReadingGivesBackEveryRowBitForBit) {
    TToneGen From(nullptr), To(nullptr);
    const float Odd[] = {0.1f,
                         -0.0f,
                         std::numeric_limits<float>::denorm_min(),
                         std::bit_cast<float>(0x7FC01234u),
                         std::numeric_limits<float>::infinity(),
                         1e30f,
                         3.5f,
                         123.456f};
    for (int K = 0; K < AMLevelCount; ++K)
        From.SetAMParameter(static_cast<TTGAMLevel>(K), static_cast<std::int16_t>(-3 + 40 * K),
                            Odd[K], static_cast<TTGWave>(K % 5));
    Read(To, Written(From));
    EXPECT_THAT(RowsOf(To), SameRows(RowsOf(From)));
}

struct TReadRow {
    const char* Name;
    TBytes Stored;
    std::vector<TRow> Expected; // the table afterwards, from the default one
};

void PrintTo(const TReadRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class ReadTest : public StoredTableTest, public testing::WithParamInterface<TReadRow> {};

TEST_P(ReadTest, ReplacesTheAnnouncedRows) {
    const TReadRow& R = GetParam();
    TToneGen Gen(nullptr);
    ASSERT_TRUE(Gen.Prepare());
    const auto Mirror = std::make_tuple(Gen.AMAmplitude(), Gen.AMWaveform(), Gen.AMFrequency());
    Read(Gen, R.Stored);
    EXPECT_THAT(RowsOf(Gen), SameRows(R.Expected));
    // Reading marks nothing stale and leaves the selected row's properties.
    EXPECT_FALSE(Gen.ToneDirty());
    EXPECT_FALSE(Gen.PlainDirty());
    EXPECT_EQ(std::make_tuple(Gen.AMAmplitude(), Gen.AMWaveform(), Gen.AMFrequency()), Mirror);
}

std::vector<TRow> WithRows(std::vector<TRow> Rows, std::size_t From, const std::vector<TRow>& New) {
    for (std::size_t K = 0; K < New.size() && From + K < Rows.size(); ++K)
        Rows[From + K] = New[K];
    return Rows;
}

const std::vector<TRow> Four = {{10, 1, 7.0f}, {20, 2, 8.0f}, {30, 3, 9.0f}, {40, 4, 10.0f}};

INSTANTIATE_TEST_SUITE_P(
    Stream, ReadTest,
    testing::Values(
        // The main window's table: the defaults with a square first row.
        TReadRow{"MainWindow", Value(7, WithRows(DefaultRows(), 0, {{0, tgSquare, 0.5f}})),
                 WithRows(DefaultRows(), 0, {{0, tgSquare, 0.5f}})},
        TReadRow{"NegativeIndexLeavesTheTable", Value(-1, {}), DefaultRows()},
        TReadRow{"NegativeIndexIgnoresWhatFollows", Value(-5, Four), DefaultRows()},
        TReadRow{"IndexThreeReplacesFourRows", Value(3, Four), WithRows(DefaultRows(), 0, Four)},
        TReadRow{"BytesAfterTheLastRowAreIgnored",
                 [] {
                     TBytes B = Value(0, {{5, 1, 2.0f}});
                     B.insert(B.end(), {1, 2, 3});
                     return B;
                 }(),
                 WithRows(DefaultRows(), 0, {{5, 1, 2.0f}})},
        // Stored unchecked: an amplitude the setter would clamp, a waveform
        // beyond tgNoise; only the low 16 and 8 bits are kept.
        TReadRow{"ValuesAreNotRangeChecked", Value(0, {{250, 7, 1.0f}}),
                 WithRows(DefaultRows(), 0, {{250, 7, 1.0f}})},
        TReadRow{"OnlyTheLowBitsAreKept", Value(0, {{0x0001FFFF, 0x0102, 1.0f}}),
                 WithRows(DefaultRows(), 0, {{0xFFFFFFFF, 0x02, 1.0f}})},
        // More rows than the table holds: the first eight are taken.
        TReadRow{"SurplusRowsAreDropped",
                 Value(9,
                       [] {
                           std::vector<TRow> Ten;
                           for (std::uint32_t K = 0; K < 10; ++K)
                               Ten.push_back({K, K % 5, static_cast<float>(K)});
                           return Ten;
                       }()),
                 [] {
                     std::vector<TRow> Eight;
                     for (std::uint32_t K = 0; K < 8; ++K)
                         Eight.push_back({K, K % 5, static_cast<float>(K)});
                     return Eight;
                 }()}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(StoredTableTest, AValueShorterThanItAnnouncesFailsAndChangesNothing) {
    const TBytes Short[] = {
        {},                                    // not even the index
        {7, 0, 0},                             // a cut index
        Value(3, {Four[0], Four[1], Four[2]}), // a row missing
        [] {
            TBytes B = Value(0, {Four[0]});
            B.pop_back();
            return B;
        }(),                     // a byte missing
        Value(0x7FFFFFFF, Four), // a huge count
    };
    for (const TBytes& Stored : Short) {
        TToneGen Gen(nullptr);
        EXPECT_THROW(Read(Gen, Stored), EReadError) << Stored.size() << " bytes";
        EXPECT_THAT(RowsOf(Gen), SameRows(DefaultRows())) << Stored.size() << " bytes";
    }
}

// --- The published properties in the form text --------------------------

TEST_F(StoredTableTest, ADefaultComponentStoresOnlyWhatDeclaresNoDefault) {
    TComponent Form(nullptr);
    auto* Gen = new TToneGen(&Form);
    Gen->SetName("ToneGen1");
    const std::string Text = WriteComponentText(*Gen);
    EXPECT_EQ(Text.substr(0, Text.find("  AMArrayData")), "object ToneGen1: TToneGen\n"
                                                          "  AMAmplitude = 0\n"
                                                          "  AMWaveform = tgSine\n"
                                                          "  AMFrequency = 0.5\n");
    Gen->SetAMFrequency(0.0f);
    EXPECT_EQ(WriteComponentText(*Gen).find("AMFrequency"), std::string::npos)
        << "a zero frequency is not stored";
}

TEST_F(StoredTableTest, EveryPropertySurvivesAWriteAndARead) {
    TComponent FromForm(nullptr);
    FromForm.SetName("Form");
    auto* From = new TToneGen(&FromForm);
    From->SetName("ToneGen1");
    From->SetTag(-12);
    From->SetFrequency(1234);
    From->SetDuration(32767);
    From->SetWaveform(tgNoise);
    From->SetAttack(0);
    From->SetHold(100);
    From->SetDecay(1);
    From->SetSustain(99);
    From->SetRelease(2);
    From->SetAsync(false);
    From->SetLoop(true);
    From->SetResolution(tg8Bit);
    From->SetQuality(tgLoQ);
    From->SetLeftVolume(30);
    From->SetRightVolume(0);
    From->SetStereo(true);
    From->SetAMUseMultiplier(false);
    From->SetAMLevel(tgAMLevel3);
    From->SetAMAmplitude(45);
    From->SetAMWaveform(tgTriangle);
    From->SetAMFrequency(0.1f);
    From->SetAMParameter(tgAMLevel8, 7, 1e-30f, tgSawtooth);

    // The outer object is a plain component; the tone generator is created
    // from its class name.
    TComponent ToForm(nullptr);
    FakeVolume.Calls.clear();
    ReadComponentText(WriteComponentText(FromForm), ToForm);
    ASSERT_EQ(ToForm.ComponentCount(), 1);
    auto* To = dynamic_cast<TToneGen*>(ToForm.FindComponent("ToneGen1"));
    ASSERT_NE(To, nullptr);
    EXPECT_FALSE(To->IsLoading());
    EXPECT_EQ(To->Tag(), -12);
    EXPECT_EQ(To->Frequency(), 1234);
    EXPECT_EQ(To->Duration(), 32767);
    EXPECT_EQ(To->Waveform(), tgNoise);
    EXPECT_EQ(std::make_tuple(To->Attack(), To->Hold(), To->Decay(), To->Sustain(), To->Release()),
              std::make_tuple(0, 100, 1, 99, 2));
    EXPECT_FALSE(To->Async());
    EXPECT_TRUE(To->Loop());
    EXPECT_EQ(To->Resolution(), tg8Bit);
    EXPECT_EQ(To->Quality(), tgLoQ);
    EXPECT_EQ(To->LeftVolume(), 30);
    EXPECT_EQ(To->RightVolume(), 0);
    EXPECT_TRUE(To->Stereo());
    EXPECT_FALSE(To->AMUseMultiplier());
    EXPECT_EQ(To->AMLevel(), tgAMLevel3);
    EXPECT_EQ(To->AMAmplitude(), 45);
    EXPECT_EQ(To->AMWaveform(), tgTriangle);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(To->AMFrequency()), std::bit_cast<std::uint32_t>(0.1f));
    EXPECT_THAT(RowsOf(*To), SameRows(RowsOf(*From)));
    // The volumes are applied as they are loaded: the second instance saves
    // nothing, each volume setter reaches the device.
    EXPECT_EQ(FakeVolume.SetValues(), (std::vector<std::uint32_t>{0xFFFF0000u + 19660, 19660}));
}

// A waveform beyond tgNoise, kept unchecked from a stored table, reaches
// AMWaveform when its level is selected: the form stores it as its number and
// reads it back.
TEST_F(StoredTableTest, AnUnnamedWaveformSurvivesAWriteAndARead) {
    TComponent FromForm(nullptr);
    FromForm.SetName("Form");
    auto* From = new TToneGen(&FromForm);
    From->SetName("ToneGen1");
    From->SetAMParameter(tgAMLevel2, 10, 2.0f, static_cast<TTGWave>(5));
    From->SetAMLevel(tgAMLevel2);
    const std::string Text = WriteComponentText(FromForm);
    EXPECT_NE(Text.find("AMWaveform = 5\n"), std::string::npos) << Text;
    TComponent ToForm(nullptr);
    ReadComponentText(Text, ToForm);
    auto* To = dynamic_cast<TToneGen*>(ToForm.FindComponent("ToneGen1"));
    ASSERT_NE(To, nullptr);
    EXPECT_EQ(To->AMWaveform(), static_cast<TTGWave>(5));
    EXPECT_EQ(WriteComponentText(ToForm), Text);
}

} // namespace
