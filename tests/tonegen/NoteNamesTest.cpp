// Note names: the grammar, the frequencies and the octaves the main tone and
// the partials remember.
#include "NoteNames.h"

#include "FakeSoundPlayer.h"
#include "FakeVolume.h"
#include "ToneGen.h"

#include <bit>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <string>

namespace {

struct TNoteRow {
    std::string Name;
    std::int32_t Frequency;   // what SetNote gives
    std::int32_t OctaveAfter; // the main tone's octave afterwards (from 4)
};

void PrintTo(const TNoteRow& Row, std::ostream* Out) {
    *Out << '"' << Row.Name << '"';
}

class NoteTest : public testing::TestWithParam<TNoteRow> {
protected:
    void SetUp() override { FakeVolume = TFakeVolumeDevice{}; }
};

TEST_P(NoteTest, SetNoteGivesTheFrequencyAndKeepsTheOctave) {
    const TNoteRow& R = GetParam();
    TToneGen Gen(nullptr);
    Gen.SetFrequency(1000);
    ASSERT_TRUE(Gen.Prepare());
    EXPECT_EQ(Gen.SetNote(R.Name), R.Frequency);
    EXPECT_EQ(Gen.Octave(), R.OctaveAfter);
    // A rejected name changes nothing at all.
    EXPECT_EQ(Gen.Frequency(), R.Frequency > 0 ? R.Frequency : 1000);
    EXPECT_EQ(Gen.ToneDirty(), R.Frequency > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NoteTest,
    testing::Values(TNoteRow{"A", 440, 4}, TNoteRow{"  a\t", 440, 4},
                    TNoteRow{std::string("\x01"
                                         "a "),
                             440, 4},
                    TNoteRow{"C", 523, 4}, TNoteRow{"C#", 554, 4}, TNoteRow{"D-", 554, 4},
                    TNoteRow{"c+", 554, 4}, TNoteRow{"A#", 466, 4}, TNoteRow{"B-", 466, 4},
                    TNoteRow{"G#", 831, 4}, TNoteRow{"A-", 415, 3}, TNoteRow{"B#", 0, 4},
                    TNoteRow{"E#", 0, 4}, TNoteRow{"C-", 0, 4}, TNoteRow{"F-", 0, 4},
                    TNoteRow{"O0A", 28, 0}, TNoteRow{"O0A-", 0, 4}, TNoteRow{"<<A", 110, 2},
                    TNoteRow{"<>><A", 440, 4}, TNoteRow{"<<<<<<<<<<A", 28, 0},
                    TNoteRow{">>>>>>>A", 14080, 9}, TNoteRow{"O9D#", 19912, 9},
                    TNoteRow{"O9E", 0, 4}, // 21096 Hz is out of range
                    TNoteRow{"N48", 440, 4}, TNoteRow{"N60", 880, 4}, TNoteRow{"N0", 28, 4},
                    TNoteRow{"N114", 19912, 4}, TNoteRow{"N 48", 440, 4}, TNoteRow{"N+48", 440, 4},
                    TNoteRow{"N$30", 440, 4}, TNoteRow{"NX30", 440, 4}, TNoteRow{"N0X30", 440, 4},
                    TNoteRow{"n$3c", 880, 4}, TNoteRow{"N115", 0, 4}, TNoteRow{"N122", 0, 4},
                    TNoteRow{"N-1", 0, 4}, TNoteRow{"N", 0, 4}, TNoteRow{"N$", 0, 4},
                    TNoteRow{"N48 ", 440, 4}, TNoteRow{"N4 8", 0, 4},
                    TNoteRow{"N99999999999", 0, 4}, TNoteRow{"N1.5", 0, 4}, TNoteRow{"A4", 0, 4},
                    TNoteRow{"", 0, 4}, TNoteRow{"   ", 0, 4}, TNoteRow{"O", 0, 4},
                    TNoteRow{"OA", 0, 4}, TNoteRow{"O4", 0, 4}, TNoteRow{"H", 0, 4},
                    TNoteRow{"O4>A", 0, 4}, TNoteRow{"<O4A", 0, 4}, TNoteRow{"A##", 0, 4},
                    TNoteRow{"A B", 0, 4}, TNoteRow{"\xC3\xA1", 0, 4}),
    [](const auto& Info) {
        std::string Name = "Row" + std::to_string(Info.index);
        return Name;
    });

TEST(NoteToFrequency, AWellFormedNameSetsTheOctaveEvenOutOfRange) {
    std::int32_t Octave = 4;
    EXPECT_EQ(NoteToFrequency("O9E", Octave), 0);
    EXPECT_EQ(Octave, 9);
    EXPECT_EQ(NoteToFrequency("O1X", Octave), 0);
    EXPECT_EQ(Octave, 9) << "a malformed name leaves the octave";
}

// An octave outside 0 to 9 given on entry (no name leads there) is read by
// the same rules; the extremes of the type once overflowed the octave
// arithmetic.
TEST(NoteToFrequency, AnOctaveOutsideTheRangeFollowsTheSameRules) {
    constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
    const struct {
        std::int32_t Given;
        const char* Name;
        std::int32_t Frequency;
        std::int32_t OctaveAfter;
    } Rows[] = {
        {Min, "C", 0, Min},
        {Min, "<C", 33, 0},
        {Min, "N48", 440, Min},
        {-1, "G#", 26, -1},
        {-1, "A-", 0, -1},
        {10, "C", 0, 10},
        {Max, ">A", 14080, 9},
        {Max, "A-", 0, Max - 1},
        {Max, "H", 0, Max},
        {1308622860, "C", 0, 1308622860}, // found by the fuzzer: 12 times it overflowed
    };
    for (const auto& R : Rows) {
        std::int32_t Octave = R.Given;
        EXPECT_EQ(NoteToFrequency(R.Name, Octave), R.Frequency)
            << R.Name << " in octave " << R.Given;
        EXPECT_EQ(Octave, R.OctaveAfter) << R.Name << " in octave " << R.Given;
    }
}

TEST(NoteToFrequency, EveryAIsExact) {
    const std::int32_t Want[] = {28, 55, 110, 220, 440, 880, 1760, 3520, 7040, 14080};
    for (std::int32_t O = 0; O <= 9; ++O) {
        std::int32_t Octave = O;
        EXPECT_EQ(NoteToFrequency("A", Octave), Want[O]) << "octave " << O;
    }
}

struct TAMNoteRow {
    const char* Name;
    bool UseMultiplier;
    std::int16_t Frequency;
    const char* Note;
    float Stored;
};

void PrintTo(const TAMNoteRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class AMNoteTest : public testing::TestWithParam<TAMNoteRow> {
protected:
    void SetUp() override { FakeVolume = TFakeVolumeDevice{}; }
};

TEST_P(AMNoteTest, StoresTheFrequencyOrItsRatioInTheRow) {
    const TAMNoteRow& R = GetParam();
    TToneGen Gen(nullptr);
    Gen.SetAMUseMultiplier(R.UseMultiplier);
    Gen.SetFrequency(R.Frequency);
    ASSERT_TRUE(Gen.Prepare());
    const float Mirror = Gen.AMFrequency();
    const float Got = Gen.SetAMNote(tgAMLevel2, R.Note);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(Got), std::bit_cast<std::uint32_t>(R.Stored));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(Gen.AMRow(tgAMLevel2).Frequency),
              std::bit_cast<std::uint32_t>(R.Stored));
    EXPECT_EQ(Gen.AMOctave(tgAMLevel2), std::string(R.Note).rfind("O0", 0) == 0 ? 0 : 4);
    EXPECT_EQ(Gen.AMOctave(tgAMLevel1), 4);
    EXPECT_EQ(Gen.Octave(), 4) << "the main tone's octave is its own";
    EXPECT_TRUE(Gen.ToneDirty());
    // The row is written directly: the level and its mirror stay.
    EXPECT_EQ(Gen.AMLevel(), tgAMLevel1);
    EXPECT_EQ(Gen.AMFrequency(), Mirror);
}

INSTANTIATE_TEST_SUITE_P(
    Names, AMNoteTest,
    testing::Values(TAMNoteRow{"MultiplierOfAnEqualFrequency", true, 440, "A", 1.0f},
                    TAMNoteRow{"MultiplierOfHalfTheFrequency", true, 220, "A", 2.0f},
                    TAMNoteRow{"HzWithoutMultiplier", false, 1000, "A", 440.0f},
                    // 28 / 440 rounded to single precision; renders at 27 Hz.
                    TAMNoteRow{"RoundedRatio", true, 440, "O0A",
                               static_cast<float>(28.0L / 440.0L)}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(AMNote, ARejectedNameOrLevelChangesNothing) {
    FakeVolume = TFakeVolumeDevice{};
    TToneGen Gen(nullptr);
    ASSERT_TRUE(Gen.Prepare());
    for (const auto& [Level, Note] : {std::pair{tgAMLevel3, "B#"}, std::pair{tgAMLevel3, "O9E"},
                                      std::pair{static_cast<TTGAMLevel>(8), "A"}}) {
        EXPECT_EQ(Gen.SetAMNote(Level, Note), 0.0f) << Note;
        EXPECT_EQ(Gen.AMRow(tgAMLevel3).Frequency, 1.5f);
        EXPECT_EQ(Gen.AMOctave(tgAMLevel3), 4);
        EXPECT_FALSE(Gen.ToneDirty());
    }
}

} // namespace
