// The tonegen command as a user runs it: its exported files must be the
// component's image byte for byte, and bad input must end it with one line on
// stderr and status 2.
#include "FakeVolume.h"
#include "PulseServer.h"
#include "ToneGen.h"
#include "WaveImage.h"

#include <algorithm>
#include <cfloat>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <ostream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
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
        // The command reaches no sound server but a test's own: a play that
        // goes wrong must never touch the volume of the user's output.
        if (std::getenv("PULSE_SERVER") == nullptr)
            setenv("PULSE_SERVER", "unix:/nonexistent/tonegen-test-native", 1);
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
    // Note names in the order given: the second name is read in the octave
    // the first one left, and the partial's ratio is taken to the frequency
    // of that moment.
    {"NoteNames",
     {"--note", "<C", "--note", "D", "--partial", "2:50:1:sine", "--partial-note", "2:O5E",
      "--note", "A"},
     [](TToneGen& G) {
         G.SetFrequency(294); // D of octave 3
         G.SetAMParameter(tgAMLevel2, 50, 1.0f, tgSine);
         G.SetAMParameter(tgAMLevel2, 50, static_cast<float>(1319.0L / 294.0L), tgSine);
         G.SetFrequency(220); // A of octave 3
     },
     false,
     false},
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

// The named note as another program hears it: Python's wave module reads the
// file, and the rising zero crossings give the frequency.
TEST_F(CliTest, NoteCExportsA523HzToneThatOtherReadersRead) {
    const fs::path File = Folder / "c.wav";
    ASSERT_EQ(Run({"--note", "C", "--duration", "500", "--export", File.string()}).Status, 0);
    const fs::path Script = Folder / "frequency.py";
    std::ofstream(Script) << R"(import sys, wave, struct
w = wave.open(sys.argv[1])
rate, n = w.getframerate(), w.getnframes()
s = struct.unpack('<%dh' % n, w.readframes(n))
ups = [k - 1 + s[k - 1] / (s[k - 1] - s[k]) for k in range(1, n) if s[k - 1] < 0 <= s[k]]
print('%d %d %.2f' % (rate, n, (len(ups) - 1) * rate / (ups[-1] - ups[0])))
)";
    const fs::path Out = Folder / "frequency.txt";
    ASSERT_EQ(std::system(("python3 " + ShellQuoted(Script.string()) + " " +
                           ShellQuoted(File.string()) + " >" + ShellQuoted(Out.string()))
                              .c_str()),
              0);
    unsigned Rate = 0, Frames = 0;
    double Hz = 0;
    ASSERT_EQ(std::sscanf(ReadText(Out).c_str(), "%u %u %lf", &Rate, &Frames, &Hz), 3);
    EXPECT_EQ(Rate, 96000u);
    EXPECT_EQ(Frames, 48000u);
    EXPECT_NEAR(Hz, 523.0, 0.05);
    // sox reads it too.
    EXPECT_EQ(std::system(("sox " + ShellQuoted(File.string()) + " -n stat 2>/dev/null").c_str()),
              0);
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
         {"--frequency HZ", "--note NAME", "--duration MS", "--waveform", "--resolution",
          "--quality", "--stereo", "--no-multiplier",
          "--partial LEVEL:AMPLITUDE:FREQUENCY:WAVEFORM", "--partial-note LEVEL:NAME",
          "--adsr A,H,D,S,R", "--export FILE", "--play", "--loop", "--volume LEFT,RIGHT", "--help"})
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
    {"NoteOutOfRange",
     {"--note", "O9E"},
     "--note: 'O9E' is not a note name with a frequency from 20 to 20000 Hz"},
    {"NoteWithAnOctaveAfterTheLetter", {"--note", "A4"}, "--note: 'A4' is not a note name"},
    {"PartialNoteMalformed", {"--partial-note", "3:H"}, "'H' is not a note name"},
    {"PartialNoteLevelOutOfTable", {"--partial-note", "9:A"}, "level 9 is not 1 to 8"},
    {"PartialNoteWithoutLevel", {"--partial-note", "A"}, "expected LEVEL:NAME"},
    {"VolumeWithoutPlay", {"--volume", "50,50"}, "--volume needs --play or --loop"},
    {"VolumeIncomplete", {"--play", "--volume", "50"}, "expected LEFT,RIGHT"},
    {"BadNoteBeforePlay", {"--play", "--note", "X"}, "'X' is not a note name"},
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

// --- Playing through a real sound server ----------------------------------

using TestSupport::TPulseCapture;
using TestSupport::TPulseServer;
using TVolumes = std::vector<std::uint32_t>;

// The recorded frames from the first one that is not silence on.
std::vector<std::int16_t> Sounding(const std::vector<std::int16_t>& Recorded) {
    std::size_t First = 0;
    while (First + 1 < Recorded.size() && Recorded[First] == 0 && Recorded[First + 1] == 0)
        First += 2;
    return {Recorded.begin() + static_cast<std::ptrdiff_t>(First), Recorded.end()};
}

std::vector<std::int16_t> SamplesOf(const TToneGen& Gen) {
    const std::uint8_t* Data = Gen.GetDataBuffer() + WaveHeaderSize;
    const std::uint32_t Bytes = ReadWaveHeaderFields(Gen.GetDataBuffer()).DataSize;
    std::vector<std::int16_t> Samples(Bytes / 2);
    std::memcpy(Samples.data(), Data, Samples.size() * 2);
    return Samples;
}

TEST_F(CliTest, PlaysTheToneToItsEndAndPutsTheVolumeBack) {
    TPulseServer Server("tonegen_cli_play");
    START_PULSE_SERVER(Server);
    const TVolumes Before = {30000, 50000};
    ASSERT_TRUE(Server.SetSinkVolumes(Before));
    TPulseCapture Capture(Server);
    std::string Error;
    ASSERT_TRUE(Capture.Start(&Error)) << Error;

    // 16-bit stereo at 44100 Hz: the sink passes it unchanged at full volume.
    const TResult Result =
        Run({"--note", "C", "--duration", "300", "--quality", "lo", "--stereo", "--play"});
    ASSERT_EQ(Result.Status, 0) << Result.Err;
    EXPECT_EQ(Result.Err, "");
    EXPECT_EQ(Server.SinkVolumes(), Before) << "the saved volume is put back exactly";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::vector<std::int16_t> Heard = Sounding(Capture.Stop());

    TToneGen Gen(nullptr);
    Gen.SetFrequency(523);
    Gen.SetDuration(300);
    Gen.SetQuality(tgLoQ);
    Gen.SetStereo(true);
    ASSERT_TRUE(Gen.Prepare());
    const std::vector<std::int16_t> Want = SamplesOf(Gen);
    ASSERT_GE(Heard.size(), Want.size()) << "the play returned before its end was heard";
    // The tone starts with a zero sample, which the search for the first
    // sound skips: compare from the second frame on.
    std::size_t Offset = 0;
    while (Offset + 1 < Want.size() && Want[Offset] == 0 && Want[Offset + 1] == 0)
        Offset += 2;
    EXPECT_TRUE(
        std::equal(Want.begin() + static_cast<std::ptrdiff_t>(Offset), Want.end(), Heard.begin()))
        << "the sound heard is not the tone's samples";
}

// Ctrl+C (and the other ends a terminal brings) stops a looped tone and puts
// the device volume back.
class CliLoopTest : public CliTest, public testing::WithParamInterface<int> {};

TEST_P(CliLoopTest, LoopsUntilASignalThenStopsAndPutsTheVolumeBack) {
    const int Signal = GetParam();
    TPulseServer Server("tonegen_cli_loop");
    START_PULSE_SERVER(Server);
    const TVolumes Before = {20000, 40000};
    ASSERT_TRUE(Server.SetSinkVolumes(Before));
    TPulseCapture Capture(Server);
    std::string Error;
    ASSERT_TRUE(Capture.Start(&Error)) << Error;

    const pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
        execl(TONEGEN_COMMAND, "tonegen", "--loop", "--duration", "100", "--quality", "lo",
              "--stereo", "--volume", "50,25", static_cast<char*>(nullptr));
        _exit(127);
    }
    // A 100 ms tone heard for more than a second is repeating.
    const bool Repeated = Capture.WaitForFrames(44100 * 3 / 2, std::chrono::seconds(10));
    const TVolumes During = Server.SinkVolumes();
    kill(Child, Signal);
    int Status = 0;
    for (int Waited = 0; Waited < 500 && waitpid(Child, &Status, WNOHANG) == 0; ++Waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (waitpid(Child, &Status, WNOHANG) == 0) {
        kill(Child, SIGKILL);
        waitpid(Child, &Status, 0);
        FAIL() << "the command did not end on the signal";
    }
    ASSERT_TRUE(Repeated);
    ASSERT_TRUE(WIFEXITED(Status)) << "ended by signal " << WTERMSIG(Status);
    EXPECT_EQ(WEXITSTATUS(Status), 0);
    EXPECT_EQ(Server.SinkVolumes(), Before);
    // While it looped, the sink was at the asked share of full volume.
    ASSERT_EQ(During.size(), 2u);
    EXPECT_LT(During[1], During[0]);
    EXPECT_LT(During[0], 65536u);

    // The sound has stopped: what is recorded now is silence.
    const std::vector<std::int16_t> All = Capture.Stop();
    TPulseCapture After(Server);
    ASSERT_TRUE(After.Start(&Error)) << Error;
    ASSERT_TRUE(After.WaitForFrames(4410, std::chrono::seconds(5)));
    const std::vector<std::int16_t> Tail = After.Stop();
    EXPECT_TRUE(std::all_of(Tail.begin(), Tail.end(), [](std::int16_t V) { return V == 0; }));
    EXPECT_FALSE(Sounding(All).empty());
}

INSTANTIATE_TEST_SUITE_P(Signals, CliLoopTest, testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& Info) { return std::string(strsignal(Info.param)); });

} // namespace
