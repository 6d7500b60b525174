// tonegen: renders a tone with the TToneGen component from a shell and exports
// it as a WAV file, or prints the fields of the image's header.
//
// Each option sets the component property of the same name, so the command
// gives exactly the bytes the component renders. Values outside a property's
// range are clamped as the component clamps them, with a warning; input that
// cannot be used (an unknown option, a value that is not a number, a file that
// cannot be written) ends the command with a one-line message and status 2.
//
// The command is linked with a device-volume layer whose calls all fail, so
// rendering never touches the user's output volume.
#include "ToneGen.h"
#include "WaveImage.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int BadInput = 2;

const char* const Usage = R"(Usage: tonegen [OPTION]...
Render a tone with the tone generator and export it as a WAV file.
Without --export, print the fields of the rendered image's header.

  --frequency HZ     main tone frequency, 20 to 20000 (default 440)
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
  --adsr A,H,D,S,R   shape the tone with an envelope: attack, hold, decay and
                     release as percent of the duration, sustain as a level
                     in percent, each 0 to 100
  --export FILE      write the WAV image to FILE (an existing file is
                     replaced only once the new one is complete)
  --help             show this help and exit

Values outside a range are clamped, with a warning. Bad input exits with
status 2.
)";

[[noreturn]] void Fail(const std::string& Message) {
    std::fprintf(stderr, "tonegen: %s\n", Message.c_str());
    std::exit(BadInput);
}

void Warn(const std::string& Message) {
    std::fprintf(stderr, "tonegen: warning: %s\n", Message.c_str());
}

std::string Quoted(std::string_view Text) {
    std::string Result(1, '\'');
    Result.append(Text);
    Result.push_back('\'');
    return Result;
}

// A whole decimal number, or the command ends naming Option and Text.
long ParseInteger(const std::string& Option, const std::string& Text) {
    errno = 0;
    char* End = nullptr;
    const long Value = std::strtol(Text.c_str(), &End, 10);
    if (Text.empty() || End == Text.c_str() || *End != '\0')
        Fail(Option + ": " + Quoted(Text) + " is not a number");
    if (errno == ERANGE)
        Fail(Option + ": " + Quoted(Text) + " is too large");
    return Value;
}

float ParseReal(const std::string& Option, const std::string& Text) {
    errno = 0;
    char* End = nullptr;
    const float Value = std::strtof(Text.c_str(), &End);
    if (Text.empty() || End == Text.c_str() || *End != '\0' || !std::isfinite(Value))
        Fail(Option + ": " + Quoted(Text) + " is not a number");
    if (errno == ERANGE && std::fabs(Value) > 1.0f)
        Fail(Option + ": " + Quoted(Text) + " is too large");
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

void WarnIfClamped(const std::string& What, long Asked, long Used, long Lo, long Hi) {
    if (Asked != Used)
        Warn(What + " " + std::to_string(Asked) + " is outside " + std::to_string(Lo) + " to " +
             std::to_string(Hi) + "; using " + std::to_string(Used));
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
    WarnIfClamped(Option + " amplitude", Amplitude, Stored,
                  std::numeric_limits<std::int16_t>::min(),
                  std::numeric_limits<std::int16_t>::max());
    const float Frequency = ParseReal(Option, Parts[2]);
    const TTGWave Waveform = ParseWaveform(Option, Parts[3]);
    Gen.SetAMParameter(static_cast<TTGAMLevel>(Level - 1), Stored, Frequency, Waveform);
}

void SetEnvelope(TToneGen& Gen, const std::string& Text) {
    const std::string Option = "--adsr " + Quoted(Text);
    const auto Parts = Split(Text, ',');
    if (Parts.size() != 5)
        Fail(Option + ": expected A,H,D,S,R");
    static const char* const Names[] = {"attack", "hold", "decay", "sustain", "release"};
    using TSetter = void (TToneGen::*)(std::int16_t);
    using TGetter = std::int16_t (TToneGen::*)() const;
    static const TSetter Setters[] = {&TToneGen::SetAttack, &TToneGen::SetHold, &TToneGen::SetDecay,
                                      &TToneGen::SetSustain, &TToneGen::SetRelease};
    static const TGetter Getters[] = {&TToneGen::Attack, &TToneGen::Hold, &TToneGen::Decay,
                                      &TToneGen::Sustain, &TToneGen::Release};
    for (std::size_t I = 0; I < 5; ++I) {
        const long Value = ParseInteger(Option, Parts[I]);
        (Gen.*Setters[I])(To16Bit(Value));
        WarnIfClamped(std::string("--adsr ") + Names[I], Value, (Gen.*Getters[I])(), 0, 100);
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

} // namespace

int main(int argc, char** argv) {
    TToneGen Gen(nullptr);
    bool Envelope = false;
    std::string ExportName;
    bool Export = false;

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
        auto Take = [&]() -> const std::string& {
            if (!HasValue) {
                if (I + 1 >= argc)
                    Fail(Option + " needs a value");
                Value = argv[++I];
                HasValue = true;
            }
            return Value;
        };
        auto NoValue = [&] {
            if (HasValue)
                Fail(Option + " takes no value");
        };

        if (Option == "--help" || Option == "-h") {
            NoValue();
            std::fputs(Usage, stdout);
            return 0;
        } else if (Option == "--frequency") {
            const long Hz = ParseInteger(Option, Take());
            Gen.SetFrequency(To16Bit(Hz));
            WarnIfClamped(Option, Hz, Gen.Frequency(), 20, 20000);
        } else if (Option == "--duration") {
            const long Ms = ParseInteger(Option, Take());
            Gen.SetDuration(To16Bit(Ms));
            WarnIfClamped(Option, Ms, Gen.Duration(), 10, 32767);
        } else if (Option == "--waveform") {
            Gen.SetWaveform(ParseWaveform(Option, Take()));
        } else if (Option == "--resolution") {
            const std::string& Bits = Take();
            if (Bits == "16")
                Gen.SetResolution(tg16Bit);
            else if (Bits == "8")
                Gen.SetResolution(tg8Bit);
            else
                Fail(Option + ": " + Quoted(Bits) + " is not 16 or 8");
        } else if (Option == "--quality") {
            const std::string& Q = Take();
            if (Q == "hi")
                Gen.SetQuality(tgHiQ);
            else if (Q == "lo")
                Gen.SetQuality(tgLoQ);
            else
                Fail(Option + ": " + Quoted(Q) + " is not hi or lo");
        } else if (Option == "--stereo") {
            NoValue();
            Gen.SetStereo(true);
        } else if (Option == "--no-multiplier") {
            NoValue();
            Gen.SetAMUseMultiplier(false);
        } else if (Option == "--partial") {
            SetPartial(Gen, Take());
        } else if (Option == "--adsr") {
            SetEnvelope(Gen, Take());
            Envelope = true;
        } else if (Option == "--export") {
            ExportName = Take();
            if (ExportName.empty())
                Fail(Option + " needs a file name");
            Export = true;
        } else {
            Fail("unknown option " + Quoted(argv[I]) + " (see tonegen --help)");
        }
    }

    if (!(Envelope ? Gen.PrepareADSR() : Gen.Prepare())) {
        std::fprintf(stderr, "tonegen: not enough memory for the tone\n");
        return 1;
    }
    if (Export) {
        if (!Gen.ExportFile(ExportName))
            Fail("cannot write " + Quoted(ExportName));
        return 0;
    }
    PrintHeader(Gen);
    return 0;
}
