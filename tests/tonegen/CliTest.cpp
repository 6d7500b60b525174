// The tonegen command as a user runs it: its exported files must be the
// component's image byte for byte, and bad input must end it with one line on
// stderr and status 2.
#include "FakeVolume.h"
#include "ToneGen.h"
#include "WaveImage.h"

#include <algorithm>
#include <cfloat>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <ostream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& Path) {
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

std::string ShellQuoted(const std::string& Text) {
    std::string Quoted = "'";
    for (char C : Text)
        Quoted += C == '\'' ? std::string("'\\''") : std::string(1, C);
    return Quoted + "'";
}

struct TResult {
    int Status;
    std::string Out;
    std::string Err;
};

class CliTest : public testing::Test {
protected:
    void SetUp() override {
        FakeVolume = TFakeVolumeDevice{};
        std::string Template = (fs::temp_directory_path() / "tonegen-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(Template.data()), nullptr);
        Folder = Template;
    }
    void TearDown() override { fs::remove_all(Folder); }

    TResult Run(const std::vector<std::string>& Args) {
        std::string Command = ShellQuoted(TONEGEN_COMMAND);
        for (const std::string& Arg : Args) {
            Command += ' ';
            Command += ShellQuoted(Arg);
        }
        const fs::path Out = Folder / "stdout";
        const fs::path Err = Folder / "stderr";
        Command += " >";
        Command += ShellQuoted(Out.string());
        Command += " 2>";
        Command += ShellQuoted(Err.string());
        const int Raw = std::system(Command.c_str());
        TResult Result{WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1, ReadText(Out), ReadText(Err)};
        fs::remove(Out);
        fs::remove(Err);
        return Result;
    }

    fs::path Folder;
};

struct TExportRow {
    const char* Name;
    std::vector<std::string> Args;
    std::function<void(TToneGen&)> Configure;
    bool Envelope;
    bool Warns;
};

void PrintTo(const TExportRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TExportRow ExportRows[] = {
    {"Defaults", {}, [](TToneGen&) {}, false, false},
    {"EveryFormatOption",
     {"--frequency", "1000", "--duration", "250", "--waveform", "square", "--resolution", "8",
      "--quality", "lo", "--stereo"},
     [](TToneGen& G) {
         G.SetFrequency(1000);
         G.SetDuration(250);
         G.SetWaveform(tgSquare);
         G.SetResolution(tg8Bit);
         G.SetQuality(tgLoQ);
         G.SetStereo(true);
     },
     false,
     false},
    {"PartialsAndEnvelope",
     {"--partial", "1:30:1.5:triangle", "--partial", "8:20:3:noise", "--adsr", "10,5,20,50,30",
      "--waveform=sawtooth"},
     [](TToneGen& G) {
         G.SetAMParameter(tgAMLevel1, 30, 1.5f, tgTriangle);
         G.SetAMParameter(tgAMLevel8, 20, 3.0f, tgNoise);
         G.SetWaveform(tgSawtooth);
     },
     true,
     false},
    {"OwnPartialFrequencies",
     {"--no-multiplier", "--partial", "2:40:660.5:sawtooth", "--partial", "2:45:330:sine",
      "--waveform", "noise", "--duration", "15", "--quality", "lo"},
     [](TToneGen& G) {
         G.SetAMUseMultiplier(false);
         G.SetAMParameter(tgAMLevel2, 45, 330.0f, tgSine);
         G.SetWaveform(tgNoise);
         G.SetDuration(15);
         G.SetQuality(tgLoQ);
     },
     false,
     false},
    {"StoredAmplitudeAbove100IsKept",
     {"--partial", "3:150:2:square"},
     [](TToneGen& G) { G.SetAMParameter(tgAMLevel3, 150, 2.0f, tgSquare); },
     false,
     false},
    {"ClampedLikeTheComponent",
     {"--frequency", "5", "--duration", "100000", "--adsr", "200,-1,20,50,30"},
     [](TToneGen& G) {
         G.SetFrequency(20);
         G.SetDuration(32767);
         G.SetAttack(100);
         G.SetHold(0);
     },
     true,
     true},
    {"NumbersTooLargeForTheirTypeAreClamped",
     {"--frequency", "99999999999999999999999", "--partial", "1:10:1e39:sine"},
     [](TToneGen& G) {
         G.SetFrequency(20000);
         G.SetAMParameter(tgAMLevel1, 10, FLT_MAX, tgSine);
     },
     false,
     true},
    {"NoisePartialAboveHalfTheRate",
     {"--no-multiplier", "--quality", "lo", "--partial", "4:20:30000:noise"},
     [](TToneGen& G) {
         G.SetAMUseMultiplier(false);
         G.SetQuality(tgLoQ);
         G.SetAMParameter(tgAMLevel4, 20, 30000.0f, tgNoise);
     },
     false,
     false},
};

class CliExportTest : public CliTest, public testing::WithParamInterface<TExportRow> {};

TEST_P(CliExportTest, WritesTheComponentsImage) {
    const TExportRow& R = GetParam();
    const fs::path File = Folder / "tone.wav";
    std::vector<std::string> Args = R.Args;
    Args.insert(Args.end(), {"--export", File.string()});
    const TResult Result = Run(Args);
    ASSERT_EQ(Result.Status, 0) << Result.Err;
    EXPECT_EQ(Result.Out, "");
    EXPECT_EQ(Result.Err.find("warning") != std::string::npos, R.Warns) << Result.Err;

    TToneGen Gen(nullptr);
    R.Configure(Gen);
    ASSERT_TRUE(R.Envelope ? Gen.PrepareADSR() : Gen.Prepare());
    const std::string Expected(reinterpret_cast<const char*>(Gen.GetDataBuffer()),
                               static_cast<std::size_t>(Gen.WaveImageSize()));
    const std::string Written = ReadText(File);
    EXPECT_EQ(Written.size(), Expected.size());
    EXPECT_TRUE(Written == Expected) << "the file differs from the component's image";
}

INSTANTIATE_TEST_SUITE_P(Options, CliExportTest, testing::ValuesIn(ExportRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// What the command says on stderr about values it had to change, and about
// partials that cannot sound; it still renders and exits 0.
struct TMessageRow {
    const char* Name;
    std::vector<std::string> Args;
    const char* Err; // all of stderr
};

void PrintTo(const TMessageRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TMessageRow MessageRows[] = {
    {"MultipliedPartialAboveTheRange",
     {"--frequency", "20000", "--partial", "1:50:4:sine"},
     "tonegen: warning: partial 1: frequency 20000 x 4 = 80000 Hz is outside 20 to 20000; "
     "using 20000\n"},
    {"MultipliedPartialBelowTheRange",
     {"--partial", "2:10:0.5:square", "--frequency", "30"},
     "tonegen: warning: partial 2: frequency 30 x 0.5 = 15 Hz is outside 20 to 20000; using "
     "20\n"},
    // The default rows have no amplitude: their 15 Hz is never heard.
    {"RowsWithoutAmplitudeAreNotMentioned", {"--frequency", "30"}, ""},
    {"OwnFrequencyBelow1Hz",
     {"--no-multiplier", "--partial", "3:20:0.5:sine"},
     "tonegen: note: partial 3: own frequency 0.5 Hz is below 1 Hz; the partial is silent but "
     "keeps its share of the output\n"},
    {"OwnFrequencyAbove32767Hz",
     {"--no-multiplier", "--partial", "3:20:40000:noise"},
     "tonegen: note: partial 3: own frequency 40000 Hz is above 32767 Hz; the partial is silent "
     "but keeps its share of the output\n"},
    {"OwnFrequencyAboveHalfTheRate",
     {"--no-multiplier", "--quality", "lo", "--partial", "4:20:30000:triangle"},
     "tonegen: note: partial 4: own frequency 30000 Hz is above half the sample rate (22050 "
     "Hz); the partial is silent but keeps its share of the output\n"},
    {"NoiseAboveHalfTheRateSounds",
     {"--no-multiplier", "--quality", "lo", "--partial", "4:20:30000:noise"},
     ""},
    {"IntegerTooLargeForAnyType",
     {"--frequency", "99999999999999999999999"},
     "tonegen: warning: --frequency 99999999999999999999999 is outside 20 to 20000; using "
     "20000\n"},
    {"NegativeIntegerTooLargeForAnyType",
     {"--duration=-99999999999999999999"},
     "tonegen: warning: --duration -99999999999999999999 is outside 10 to 32767; using 10\n"},
    {"FloatOverflow",
     {"--partial", "1:10:1e39:sine"},
     "tonegen: warning: --partial '1:10:1e39:sine' frequency 1e39 is too large for a 32-bit "
     "float; using 3.40282e+38\n"
     "tonegen: warning: partial 1: frequency 440 x 3.40282e+38 = 1.49724e+41 Hz is outside 20 "
     "to 20000; using 20000\n"},
    {"EnvelopeShares",
     {"--adsr", "200,-1,20,50,30"},
     "tonegen: warning: --adsr attack 200 is outside 0 to 100; using 100\n"
     "tonegen: warning: --adsr hold -1 is outside 0 to 100; using 0\n"},
};

class CliMessageTest : public CliTest, public testing::WithParamInterface<TMessageRow> {};

TEST_P(CliMessageTest, SaysWhatItChangedAndStillRenders) {
    const TResult Result = Run(GetParam().Args);
    EXPECT_EQ(Result.Status, 0);
    EXPECT_EQ(Result.Err, GetParam().Err);
    EXPECT_NE(Result.Out.find("data_size="), std::string::npos) << Result.Out;
}

INSTANTIATE_TEST_SUITE_P(Inputs, CliMessageTest, testing::ValuesIn(MessageRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(CliTest, WithoutExportPrintsTheHeaderFields) {
    const TResult Result = Run({"--stereo", "--resolution", "8"});
    ASSERT_EQ(Result.Status, 0) << Result.Err;
    EXPECT_EQ(Result.Out, "riff_size=19236\n"
                          "format_tag=1\n"
                          "channels=2\n"
                          "sample_rate=96000\n"
                          "bytes_per_second=192000\n"
                          "block_align=2\n"
                          "bits_per_sample=8\n"
                          "data_size=19200\n"
                          "image_size=19276\n");
    EXPECT_EQ(Result.Err, "");
    EXPECT_TRUE(fs::is_empty(Folder));
}

TEST_F(CliTest, ExportsThroughAPipe) {
    const fs::path File = Folder / "piped.wav";
    const std::string Command = ShellQuoted(TONEGEN_COMMAND) +
                                " --waveform triangle --export /dev/stdout | cat >" +
                                ShellQuoted(File.string());
    ASSERT_EQ(std::system(Command.c_str()), 0);
    TToneGen Gen(nullptr);
    Gen.SetWaveform(tgTriangle);
    ASSERT_TRUE(Gen.Prepare());
    EXPECT_TRUE(ReadText(File) == std::string(reinterpret_cast<const char*>(Gen.GetDataBuffer()),
                                              static_cast<std::size_t>(Gen.WaveImageSize())));
}

TEST_F(CliTest, HelpDocumentsEveryOption) {
    const TResult Result = Run({"--help"});
    ASSERT_EQ(Result.Status, 0);
    for (const char* Option :
         {"--frequency HZ", "--duration MS", "--waveform", "--resolution", "--quality", "--stereo",
          "--no-multiplier", "--partial LEVEL:AMPLITUDE:FREQUENCY:WAVEFORM", "--adsr A,H,D,S,R",
          "--export FILE", "--help"})
        EXPECT_NE(Result.Out.find(Option), std::string::npos) << Option;
}

struct TBadRow {
    const char* Name;
    std::vector<std::string> Args;
    const char* Message; // part of the one line on stderr
};

void PrintTo(const TBadRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TBadRow BadRows[] = {
    {"UnknownOption", {"--loud"}, "unknown option '--loud'"},
    {"NotANumber", {"--frequency", "abc"}, "--frequency: 'abc' is not a number"},
    {"TrailingGarbage", {"--duration", "100ms"}, "--duration: '100ms' is not a number"},
    {"MissingValue", {"--frequency"}, "--frequency needs a value"},
    {"FlagWithValue", {"--stereo=yes"}, "--stereo takes no value"},
    {"UnknownWaveform", {"--waveform", "pulse"}, "--waveform: 'pulse' is not a waveform"},
    {"UnknownResolution", {"--resolution", "12"}, "--resolution: '12' is not 16 or 8"},
    {"UnknownQuality", {"--quality", "mid"}, "--quality: 'mid' is not hi or lo"},
    {"PartialLevelOutOfTable", {"--partial", "9:10:1:sine"}, "level 9 is not 1 to 8"},
    {"PartialFrequencyNotANumber", {"--partial", "1:10:fast:sine"}, "'fast' is not a number"},
    {"PartialNaN", {"--partial", "1:10:nan:sine"}, "'nan' is not a number"},
    {"PartialIncomplete", {"--partial", "1:10"}, "expected LEVEL:AMPLITUDE:FREQUENCY:WAVEFORM"},
    {"EnvelopeIncomplete", {"--adsr", "1,2,3"}, "expected A,H,D,S,R"},
    {"ExportIntoMissingFolder",
     {"--export", "/nonexistent-folder/tone.wav"},
     "cannot write '/nonexistent-folder/tone.wav'"},
    {"ExportOntoAFolder", {"--export", "/tmp"}, "cannot write '/tmp'"},
    {"ExportToAFullDevice", {"--export", "/dev/full"}, "cannot write '/dev/full'"},
};

class CliBadInputTest : public CliTest, public testing::WithParamInterface<TBadRow> {};

TEST_P(CliBadInputTest, ExitsWithStatus2AndOneLine) {
    const TResult Result = Run(GetParam().Args);
    EXPECT_EQ(Result.Status, 2);
    EXPECT_EQ(Result.Out, "");
    EXPECT_NE(Result.Err.find(GetParam().Message), std::string::npos) << Result.Err;
    EXPECT_EQ(Result.Err.rfind("tonegen: ", 0), 0u) << Result.Err;
    EXPECT_EQ(std::count(Result.Err.begin(), Result.Err.end(), '\n'), 1) << Result.Err;
}

INSTANTIATE_TEST_SUITE_P(Inputs, CliBadInputTest, testing::ValuesIn(BadRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
