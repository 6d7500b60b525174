// The tonegen command: renders a tone with the TToneGen component from a shell
// and exports it as a WAV file, plays it, or prints the fields of the image's
// header.
//
// Each option sets the component property of the same name, so the command
// gives exactly the bytes the component renders. Values outside a property's
// range are clamped as the component clamps them, with a warning; so are
// numbers too large for the type that holds them, and multiplied partial
// frequencies outside 20 to 20000 Hz. A partial that the component renders
// silent because of its own frequency gets a note. Input that cannot be used
// (an unknown option, a value that is not a number, a file that cannot be
// written) ends the command with a one-line message and status 2.
//
// The device volume is left alone unless the command plays: then, as the
// component does for its first instance, it is saved and set to full when the
// component is created, and put back when the command ends, also on Ctrl+C,
// SIGTERM or SIGHUP, which stop the sound first. A play that cannot reach a
// sound output ends the command with status 1.
#include "ToneGenCommand.h"

#include "MMSystem.h"
#include "ToneGen.h"
#include "ToneRender.h"
#include "WaveImage.h"

#include <atomic>
#include <cfloat>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int BadInput = 2;

const char* const Usage = R"(Usage: tonegen [OPTION]...
Render a tone with the tone generator and export it as a WAV file or play
it. Without --export or --play, print the fields of the rendered image's
header. Options take effect in the order given.

  --frequency HZ     main tone frequency, 20 to 20000 (default 440)
  --note NAME        main tone frequency from a note name (see below)
  --duration MS      duration in milliseconds, 10 to 32767 (default 100)
  --waveform NAME    sine, square, triangle, sawtooth or noise (default sine)
  --resolution BITS  16 or 8 bits per sample (default 16)
  --quality Q        hi (96000 Hz) or lo (44100 Hz) (default hi)
  --stereo           two channels carrying the same signal (default mono)
  --no-multiplier    read partial frequencies in Hz instead of as multiples
                     of --frequency
  --partial LEVEL:AMPLITUDE:FREQUENCY:WAVEFORM
                     set partial tone LEVEL (1 to 8): AMPLITUDE in percent of
                     the output, FREQUENCY a multiple of --frequency (or Hz
                     with --no-multiplier), WAVEFORM as for --waveform;
                     repeatable. Partials above 100 percent together are
                     scaled down; the main tone gets what they leave.
  --partial-note LEVEL:NAME
                     set the frequency of partial tone LEVEL from a note
                     name; with the multiplier it is stored as a multiple of
                     the frequency set so far
  --adsr A,H,D,S,R   shape the tone with an envelope: attack, hold, decay and
                     release as percent of the duration, sustain as a level
                     in percent, each 0 to 100
  --export FILE      write the WAV image to FILE (an existing file is
                     replaced only once the new one is complete)
  --play             play the tone through the sound output to its end
  --loop             play the tone repeatedly until Ctrl+C
  --volume LEFT,RIGHT
                     output volume of the play in percent of full, 0 to 100
                     each (default 100,100); needs --play or --loop
  --help             show this help and exit

Note names: a letter A to G with an optional sharp (# or +) or flat (-),
taken in the current octave, which starts at 4 and runs from A up to G#
(A is 440 Hz, C 523 Hz). O and a digit before the letter sets the octave
(O5C); each < or > before it moves the octave down or up (<<A is 110 Hz);
the octave a name ends in is kept for the next name of the same tone. N and
a number gives a note by its number of semitones above the A of octave 0
(N48 is 440 Hz). A name whose frequency is not within 20 to 20000 Hz is bad
input.

While --play or --loop sounds, the output device is at full volume (scaled
by --volume); its volume is put back when the command ends, also on Ctrl+C.

Values outside a range are clamped, with a warning; so is a multiplied
partial frequency outside 20 to 20000 Hz. A partial whose own frequency is
below 1 Hz, above 32767 Hz or (except for noise) above half the sample rate
is silent but keeps its share of the output; a note says so. Bad input exits
with status 2.
)";

// Bad input. Thrown rather than exiting on the spot, so that the component
// is destroyed on the way out and the device volume put back.
struct TBadInput {
    std::string Message;
};

[[noreturn]] void Fail(const std::string& Message) {
    throw TBadInput{Message};
}

void Warn(const std::string& Message) {
    std::fprintf(stderr, "tonegen: warning: %s\n", Message.c_str());
}

void Note(const std::string& Message) {
    std::fprintf(stderr, "tonegen: note: %s\n", Message.c_str());
}

// A real number as a person writes it: 1.5, 4, 80000, 3.40282e+38.
std::string Real(double Value) {
    char Text[32];
    std::snprintf(Text, sizeof Text, "%.6g", Value);
    return Text;
}

std::string Quoted(std::string_view Text) {
    std::string Result(1, '\'');
    Result.append(Text);
    Result.push_back('\'');
    return Result;
}

// A whole decimal number, or the command ends naming Option and Text. A
// number beyond the range of long comes back as the nearer end of that range
// (strtol's own answer), which every property then clamps like any other
// out-of-range value.
long ParseInteger(const std::string& Option, const std::string& Text) {
    char* End = nullptr;
    const long Value = std::strtol(Text.c_str(), &End, 10);
    if (Text.empty() || End == Text.c_str() || *End != '\0')
        Fail(Option + ": " + Quoted(Text) + " is not a number");
    return Value;
}

// A real number, or the command ends naming Option and Text. The component
// stores it as a 32-bit float; a magnitude beyond that type (1e39, inf) is
// clamped to the largest float of its sign, with a warning, and a magnitude
// too small for it becomes what strtof makes of it (0 or a tiny float).
float ParseReal(const std::string& What, const std::string& Option, const std::string& Text) {
    char* End = nullptr;
    const float Value = std::strtof(Text.c_str(), &End);
    if (Text.empty() || End == Text.c_str() || *End != '\0' || std::isnan(Value))
        Fail(Option + ": " + Quoted(Text) + " is not a number");
    if (std::isinf(Value)) {
        const float Clamped = std::signbit(Value) ? -FLT_MAX : FLT_MAX;
        Warn(What + " " + Text + " is too large for a 32-bit float; using " + Real(Clamped));
        return Clamped;
    }
    return Value;
}

// Properties are 16-bit; a number beyond that is first brought to the
// nearest 16-bit value, so that it clamps like any other out-of-range value
// instead of wrapping around.
std::int16_t To16Bit(long Value) {
    constexpr long Lo = std::numeric_limits<std::int16_t>::min();
    constexpr long Hi = std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(Value < Lo ? Lo : Value > Hi ? Hi : Value);
}

// Text is the number as it was typed, so that one too large for long is
// named as given.
void WarnIfClamped(const std::string& What, const std::string& Text, long Asked, long Used, long Lo,
                   long Hi) {
    if (Asked != Used)
        Warn(What + " " + Text + " is outside " + std::to_string(Lo) + " to " + std::to_string(Hi) +
             "; using " + std::to_string(Used));
}

TTGWave ParseWaveform(const std::string& Option, const std::string& Text) {
    static const char* const Names[] = {"sine", "square", "triangle", "sawtooth", "noise"};
    for (int W = tgSine; W <= tgNoise; ++W)
        if (Text == Names[W])
            return static_cast<TTGWave>(W);
    Fail(Option + ": " + Quoted(Text) + " is not a waveform (sine, square, triangle, sawtooth, " +
         "noise)");
}

std::vector<std::string> Split(const std::string& Text, char Separator) {
    std::vector<std::string> Parts;
    std::string::size_type Start = 0;
    for (;;) {
        const auto At = Text.find(Separator, Start);
        Parts.push_back(Text.substr(Start, At - Start));
        if (At == std::string::npos)
            return Parts;
        Start = At + 1;
    }
}

void SetPartial(TToneGen& Gen, const std::string& Text) {
    const std::string Option = "--partial " + Quoted(Text);
    const auto Parts = Split(Text, ':');
    if (Parts.size() != 4)
        Fail(Option + ": expected LEVEL:AMPLITUDE:FREQUENCY:WAVEFORM");
    const long Level = ParseInteger(Option, Parts[0]);
    if (Level < 1 || Level > AMLevelCount)
        Fail(Option + ": level " + Parts[0] + " is not 1 to 8");
    const long Amplitude = ParseInteger(Option, Parts[1]);
    const std::int16_t Stored = To16Bit(Amplitude);
    WarnIfClamped(Option + " amplitude", Parts[1], Amplitude, Stored,
                  std::numeric_limits<std::int16_t>::min(),
                  std::numeric_limits<std::int16_t>::max());
    const float Frequency = ParseReal(Option + " frequency", Option, Parts[2]);
    const TTGWave Waveform = ParseWaveform(Option, Parts[3]);
    Gen.SetAMParameter(static_cast<TTGAMLevel>(Level - 1), Stored, Frequency, Waveform);
}

void SetEnvelope(TToneGen& Gen, const std::string& Text) {
    const std::string Option = "--adsr " + Quoted(Text);
    const auto Parts = Split(Text, ',');
    if (Parts.size() != 5)
        Fail(Option + ": expected A,H,D,S,R");
    // Plain functions rather than pointers to members: GCC 12's bounds
    // sanitizer misreads a call through an array of member pointers as an
    // out-of-bounds index and stops the command.
    struct TShare {
        const char* Name;
        void (*Set)(TToneGen&, std::int16_t);
        std::int16_t (*Get)(const TToneGen&);
    };
    static const TShare Shares[] = {
        {"attack", [](TToneGen& G, std::int16_t V) { G.SetAttack(V); },
         [](const TToneGen& G) { return G.Attack(); }},
        {"hold", [](TToneGen& G, std::int16_t V) { G.SetHold(V); },
         [](const TToneGen& G) { return G.Hold(); }},
        {"decay", [](TToneGen& G, std::int16_t V) { G.SetDecay(V); },
         [](const TToneGen& G) { return G.Decay(); }},
        {"sustain", [](TToneGen& G, std::int16_t V) { G.SetSustain(V); },
         [](const TToneGen& G) { return G.Sustain(); }},
        {"release", [](TToneGen& G, std::int16_t V) { G.SetRelease(V); },
         [](const TToneGen& G) { return G.Release(); }},
    };
    for (std::size_t I = 0; I < std::size(Shares); ++I) {
        const long Value = ParseInteger(Option, Parts[I]);
        Shares[I].Set(Gen, To16Bit(Value));
        WarnIfClamped(std::string("--adsr ") + Shares[I].Name, Parts[I], Value, Shares[I].Get(Gen),
                      0, 100);
    }
}

// Partials are only known in full once every option has been read (the
// frequency and --no-multiplier may follow them), so their frequencies are
// checked here, by the rules the rendering applies. Rows that do not sound
// for want of amplitude are not mentioned.
void ReportPartialFrequencies(const TToneGen& Gen) {
    TToneSettings Settings{};
    Settings.Frequency = Gen.Frequency();
    Settings.Waveform = Gen.Waveform();
    Settings.UseMultiplier = Gen.AMUseMultiplier();
    for (int K = 0; K < AMLevelCount; ++K) {
        const TToneGen::TAMRow Row = Gen.AMRow(static_cast<TTGAMLevel>(K));
        Settings.AMAmplitudes[K] = Row.Amplitude;
        Settings.AMWaveforms[K] = Row.Waveform;
        Settings.AMFrequencies[K] = Row.Frequency;
    }
    const TVoicePlan Plan = PlanVoices(Settings);
    const std::uint32_t Rate = SampleRateOf(Gen.Quality());
    for (int K = 0; K < AMLevelCount; ++K) {
        const TToneVoice& Voice = Plan.Voices[static_cast<std::size_t>(K) + 1];
        if (Voice.Amplitude <= 0)
            continue;
        const std::string Partial = "partial " + std::to_string(K + 1) + ": ";
        const double Stored = Settings.AMFrequencies[K];
        if (Settings.UseMultiplier) {
            if ((Plan.ClampedPartials & (1u << K)) != 0)
                Warn(Partial + "frequency " + std::to_string(Settings.Frequency) + " x " +
                     Real(Stored) + " = " + Real(Settings.Frequency * Stored) +
                     " Hz is outside 20 to 20000; using " + std::to_string(Voice.Frequency));
            continue;
        }
        if (VoiceSounds(Voice, Rate))
            continue;
        std::string Why;
        if (Voice.Frequency <= 0)
            Why = Stored < 1.0 ? "below 1 Hz" : "above 32767 Hz";
        else
            Why = "above half the sample rate (" + std::to_string(Rate / 2) + " Hz)";
        Note(Partial + "own frequency " + Real(Stored) + " Hz is " + Why +
             "; the partial is silent but keeps its share of the output");
    }
}

void PrintHeader(const TToneGen& Gen) {
    const TWaveHeaderFields H = ReadWaveHeaderFields(Gen.GetDataBuffer());
    std::printf("riff_size=%u\n", H.RiffSize);
    std::printf("format_tag=%u\n", H.FormatTag);
    std::printf("channels=%u\n", H.Channels);
    std::printf("sample_rate=%u\n", H.SampleRate);
    std::printf("bytes_per_second=%u\n", H.BytesPerSecond);
    std::printf("block_align=%u\n", H.BlockAlign);
    std::printf("bits_per_sample=%u\n", H.BitsPerSample);
    std::printf("data_size=%u\n", H.DataSize);
    std::printf("image_size=%d\n", Gen.WaveImageSize());
}

// The options as given, each with its value when it takes one.
struct TOption {
    std::string Name;
    std::string Value;
};

bool TakesValue(const std::string& Option) {
    static const char* const WithValue[] = {
        "--frequency", "--duration", "--waveform", "--resolution",   "--quality", "--partial",
        "--adsr",      "--export",   "--note",     "--partial-note", "--volume"};
    for (const char* Name : WithValue)
        if (Option == Name)
            return true;
    return false;
}

bool TakesNoValue(const std::string& Option) {
    static const char* const Flags[] = {"--help",          "-h",     "--stereo",
                                        "--no-multiplier", "--play", "--loop"};
    for (const char* Name : Flags)
        if (Option == Name)
            return true;
    return false;
}

std::vector<TOption> ReadOptions(int argc, char** argv) {
    std::vector<TOption> Options;
    for (int I = 1; I < argc; ++I) {
        std::string Option = argv[I];
        std::string Value;
        bool HasValue = false;
        if (const auto Eq = Option.find('=');
            Option.rfind("--", 0) == 0 && Eq != std::string::npos) {
            Value = Option.substr(Eq + 1);
            Option.resize(Eq);
            HasValue = true;
        }
        if (TakesValue(Option)) {
            if (!HasValue) {
                if (I + 1 >= argc)
                    Fail(Option + " needs a value");
                Value = argv[++I];
            }
        } else if (TakesNoValue(Option)) {
            if (HasValue)
                Fail(Option + " takes no value");
        } else {
            Fail("unknown option " + Quoted(argv[I]) + " (see tonegen --help)");
        }
        Options.push_back({Option, Value});
    }
    return Options;
}

void SetNote(TToneGen& Gen, const std::string& Name) {
    if (Gen.SetNote(Name) == 0)
        Fail("--note: " + Quoted(Name) +
             " is not a note name with a frequency from 20 to 20000 Hz");
}

void SetPartialNote(TToneGen& Gen, const std::string& Text) {
    const std::string Option = "--partial-note " + Quoted(Text);
    const auto Colon = Text.find(':');
    if (Colon == std::string::npos)
        Fail(Option + ": expected LEVEL:NAME");
    const long Level = ParseInteger(Option, Text.substr(0, Colon));
    if (Level < 1 || Level > AMLevelCount)
        Fail(Option + ": level " + Text.substr(0, Colon) + " is not 1 to 8");
    const std::string Name = Text.substr(Colon + 1);
    if (Gen.SetAMNote(static_cast<TTGAMLevel>(Level - 1), Name) == 0.0f)
        Fail(Option + ": " + Quoted(Name) +
             " is not a note name with a frequency from 20 to 20000 Hz");
}

void SetVolume(TToneGen& Gen, const std::string& Text) {
    const std::string Option = "--volume " + Quoted(Text);
    const auto Parts = Split(Text, ',');
    if (Parts.size() != 2)
        Fail(Option + ": expected LEFT,RIGHT");
    const long Left = ParseInteger(Option, Parts[0]);
    const long Right = ParseInteger(Option, Parts[1]);
    Gen.SetLeftVolume(To16Bit(Left));
    WarnIfClamped("--volume left", Parts[0], Left, Gen.LeftVolume(), 0, 100);
    Gen.SetRightVolume(To16Bit(Right));
    WarnIfClamped("--volume right", Parts[1], Right, Gen.RightVolume(), 0, 100);
}

// Ctrl+C, SIGTERM and SIGHUP while the command plays. They are blocked in
// every thread (the sound layer's threads inherit the mask) and taken by a
// thread of their own, which from then on keeps the sound stopped: a play to
// the end returns early (also one that was only about to start), and the
// command ends in order, destroying the component, which puts the device
// volume back.
class TInterruption {
public:
    TInterruption() {
        sigemptyset(&FSignals);
        sigaddset(&FSignals, SIGINT);
        sigaddset(&FSignals, SIGTERM);
        sigaddset(&FSignals, SIGHUP);
        pthread_sigmask(SIG_BLOCK, &FSignals, nullptr);
        FWaiter = std::thread([this] {
            const timespec Tick{0, 50 * 1000 * 1000};
            while (!FDone) {
                if (FSignal == 0) {
                    const int Signal = sigtimedwait(&FSignals, nullptr, &Tick);
                    if (Signal <= 0)
                        continue;
                    FSignal = Signal;
                } else {
                    nanosleep(&Tick, nullptr);
                }
                PlaySoundA(nullptr, nullptr, 0);
            }
        });
    }
    // The signals stay blocked: one that comes now stays pending, and the
    // command ends with its status soon after.
    ~TInterruption() {
        FDone = true;
        FWaiter.join();
    }
    TInterruption(const TInterruption&) = delete;
    TInterruption& operator=(const TInterruption&) = delete;

    // The signal received, or 0.
    int Signal() const { return FSignal; }
    // Waits for a signal: the end of a looped play.
    void Wait() const {
        const timespec Tick{0, 20 * 1000 * 1000};
        while (FSignal == 0)
            nanosleep(&Tick, nullptr);
    }

private:
    sigset_t FSignals{};
    std::atomic<bool> FDone{false};
    std::atomic<int> FSignal{0};
    std::thread FWaiter;
};

// Whether the system sound player can open a sound output: the component does
// not report a play that could not start, so the command asks first, with
// one silent frame.
bool SoundOutputAvailable() {
    TWaveHeader Header;
    WriteWaveHeader(LongFalse, LongTrue, LongFalse, 2, Header);
    std::uint8_t Image[WaveHeaderSize + 2] = {};
    std::memcpy(Image, Header.Bytes, WaveHeaderSize);
    const bool Opened =
        PlaySoundA(reinterpret_cast<const char*>(Image), nullptr, SND_MEMORY | SND_ASYNC) != 0;
    PlaySoundA(nullptr, nullptr, 0);
    return Opened;
}

int Run(const std::vector<TOption>& Options, TDeviceVolumeSwitch SwitchDeviceVolume) {
    bool Play = false, Loop = false, Volume = false;
    for (const TOption& O : Options) {
        if (O.Name == "--help" || O.Name == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        Play = Play || O.Name == "--play";
        Loop = Loop || O.Name == "--loop";
        Volume = Volume || O.Name == "--volume";
    }
    if (Volume && !Play && !Loop)
        Fail("--volume needs --play or --loop");
    // Only a play may touch the device volume.
    if (SwitchDeviceVolume != nullptr)
        SwitchDeviceVolume(Play || Loop);
    std::unique_ptr<TInterruption> Interruption;
    if (Play || Loop)
        Interruption = std::make_unique<TInterruption>();

    TToneGen Gen(nullptr);
    bool Envelope = false;
    std::string ExportName;
    bool Export = false;
    for (const TOption& O : Options) {
        const std::string& Option = O.Name;
        const std::string& Value = O.Value;
        if (Option == "--frequency") {
            const long Hz = ParseInteger(Option, Value);
            Gen.SetFrequency(To16Bit(Hz));
            WarnIfClamped(Option, Value, Hz, Gen.Frequency(), 20, 20000);
        } else if (Option == "--note") {
            SetNote(Gen, Value);
        } else if (Option == "--duration") {
            const long Ms = ParseInteger(Option, Value);
            Gen.SetDuration(To16Bit(Ms));
            WarnIfClamped(Option, Value, Ms, Gen.Duration(), 10, 32767);
        } else if (Option == "--waveform") {
            Gen.SetWaveform(ParseWaveform(Option, Value));
        } else if (Option == "--resolution") {
            if (Value == "16")
                Gen.SetResolution(tg16Bit);
            else if (Value == "8")
                Gen.SetResolution(tg8Bit);
            else
                Fail(Option + ": " + Quoted(Value) + " is not 16 or 8");
        } else if (Option == "--quality") {
            if (Value == "hi")
                Gen.SetQuality(tgHiQ);
            else if (Value == "lo")
                Gen.SetQuality(tgLoQ);
            else
                Fail(Option + ": " + Quoted(Value) + " is not hi or lo");
        } else if (Option == "--stereo") {
            Gen.SetStereo(true);
        } else if (Option == "--no-multiplier") {
            Gen.SetAMUseMultiplier(false);
        } else if (Option == "--partial") {
            SetPartial(Gen, Value);
        } else if (Option == "--partial-note") {
            SetPartialNote(Gen, Value);
        } else if (Option == "--adsr") {
            SetEnvelope(Gen, Value);
            Envelope = true;
        } else if (Option == "--volume") {
            SetVolume(Gen, Value);
        } else if (Option == "--export") {
            if (Value.empty())
                Fail(Option + " needs a file name");
            ExportName = Value;
            Export = true;
        }
    }

    ReportPartialFrequencies(Gen);
    if (!(Envelope ? Gen.PrepareADSR() : Gen.Prepare())) {
        std::fprintf(stderr, "tonegen: not enough memory for the tone\n");
        return 1;
    }
    if (Export && !Gen.ExportFile(ExportName))
        Fail("cannot write " + Quoted(ExportName));
    if (Play || Loop) {
        if (!SoundOutputAvailable()) {
            std::fprintf(stderr, "tonegen: no sound output could be opened\n");
            return 1;
        }
        // The image is current: the play renders nothing before the sound
        // starts.
        Gen.SetLoop(Loop);
        Gen.SetAsync(false);
        Envelope ? Gen.PlayADSR() : Gen.Play();
        if (Loop) {
            Interruption->Wait();
            Gen.Stop();
            return 0;
        }
        if (const int Signal = Interruption->Signal(); Signal != 0) {
            Gen.Stop();
            return 128 + Signal;
        }
        return 0;
    }
    if (!Export)
        PrintHeader(Gen);
    return 0;
}

} // namespace

int RunToneGen(int argc, char** argv, TDeviceVolumeSwitch SwitchDeviceVolume) {
    try {
        return Run(ReadOptions(argc, argv), SwitchDeviceVolume);
    } catch (const TBadInput& Bad) {
        std::fprintf(stderr, "tonegen: %s\n", Bad.Message.c_str());
        return BadInput;
    }
}
