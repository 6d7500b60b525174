#include "ToneRender.h"

#include "RandomGenerator.h"
#include "WaveImage.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

constexpr double TwoPi = 6.283185307179586; // 2 pi rounded to double

struct TFormatFactors {
    std::int64_t Span;  // distance from a full-scale voice's low to high level
    std::int64_t Level; // magnitude of its low level
    std::int32_t Silence;
    std::int32_t Min;
    std::int32_t Max;
};

TFormatFactors FactorsOf(TTGResolution Resolution) {
    if (Resolution == tg16Bit)
        return {65534, 32767, 0, -32768, 32767};
    return {254, 127, 128, 0, 255};
}

// What a voice value x adds to a sample: the value lands on the silence level
// and is truncated there, so in 8-bit a negative fraction rounds down.
inline std::int32_t Contribution(double X, std::int32_t Silence) {
    return static_cast<std::int32_t>(std::trunc(Silence + X)) - Silence;
}

// One voice while it is mixed. Periodic voices depend only on the position j
// within the current period, so their contributions are tabulated once for
// the longest period; noise has no period and draws per frame.
struct TVoiceState {
    bool Noise = false;
    // Periodic voices.
    std::vector<std::int32_t> Table;
    double T = 0;
    std::uint32_t N = 0;
    std::uint32_t M = 1;
    std::uint32_t J = 0;
    // Noise.
    std::uint32_t Seed = 0;
    std::uint32_t Range = 0;
    double L = 0;
    std::int32_t Silence = 0;

    void NextPeriod() {
        ++M;
        N = static_cast<std::uint32_t>(std::trunc(M * T)) -
            static_cast<std::uint32_t>(std::trunc((M - 1) * T));
        // With T at least 2 the rounding of the two products moves their
        // difference by far less than a sample, so a period is never shorter
        // than 1 or longer than the table (trunc(T) + 1). The clamp only
        // keeps memory safe should that reasoning ever be broken.
        N = std::clamp<std::uint32_t>(N, 1, static_cast<std::uint32_t>(Table.size()));
    }

    void Add(std::int32_t* Acc, std::uint32_t Count) {
        if (Noise) {
            for (std::uint32_t I = 0; I < Count; ++I) {
                Seed = NextRandSeed(Seed);
                const double X = static_cast<double>(DrawBelow(Seed, Range)) + L;
                Acc[I] += Contribution(X, Silence);
            }
            return;
        }
        std::uint32_t I = 0;
        while (I < Count) {
            const std::uint32_t Run = std::min(N - J, Count - I);
            const std::int32_t* From = Table.data() + J;
            for (std::uint32_t R = 0; R < Run; ++R)
                Acc[I + R] += From[R];
            I += Run;
            J += Run;
            if (J == N) {
                J = 0;
                NextPeriod();
            }
        }
    }
};

// Sets up a voice's levels, period and step, then runs its per-sample rule
// over one longest period to fill the table: the values a voice walked sample
// by sample through the whole tone would take at each position of a period.
void SetUp(TVoiceState& V, const TToneVoice& Voice, std::int32_t Amplitude, std::uint32_t Rate,
           const TFormatFactors& Fx) {
    double P = static_cast<double>(Amplitude * Fx.Span) / 100.0;
    const double L = -static_cast<double>(Amplitude * Fx.Level) / 100.0;
    const double T = static_cast<double>(Rate) / Voice.Frequency;
    if (Voice.Waveform > tgSawtooth) {
        V.Noise = true;
        V.Range = static_cast<std::uint32_t>(std::trunc(P + 1.0));
        V.L = L;
        V.Silence = Fx.Silence;
        return;
    }
    const auto N = static_cast<std::uint32_t>(std::trunc(T));
    const std::uint32_t H = static_cast<std::uint32_t>(std::trunc(T + 0.5)) / 2;
    V.T = T;
    V.N = N;
    V.Table.resize(std::size_t{N} + 1);
    double Value = L;
    double Step = 0;
    switch (Voice.Waveform) {
    case tgSine:
        Value = TwoPi / N;
        break;
    case tgSquare:
        P = P / 2;
        break;
    case tgTriangle:
        Step = P / H;
        break;
    case tgSawtooth:
        Step = P / N;
        break;
    default:
        break;
    }
    for (std::uint32_t J = 0; J < V.Table.size(); ++J) {
        double X;
        switch (Voice.Waveform) {
        case tgSine:
            X = std::trunc(std::sin(J * Value) / 2 * P);
            break;
        case tgSquare:
            X = J < H ? L : P;
            break;
        case tgTriangle:
            X = std::trunc(Value);
            if (J < H) {
                Value = Value + Step;
            } else {
                Value = Value - Step;
                if (Value < L)
                    Value = L;
            }
            break;
        default: // tgSawtooth
            X = std::trunc(Value);
            Value = Value + Step;
            break;
        }
        V.Table[J] = Contribution(X, Fx.Silence);
    }
}

} // namespace

std::int32_t MultipliedFrequency(std::int16_t Frequency, float Multiplier, bool& Clamped) {
    // A 16-bit integer times a float is exact in double, so the truncation
    // sees the true product.
    const double Product = static_cast<double>(Frequency) * static_cast<double>(Multiplier);
    Clamped = false;
    if (std::isnan(Product))
        return 0;
    if (Product >= 20001.0) {
        Clamped = true;
        return 20000;
    }
    if (Product < 20.0) {
        Clamped = true;
        return 20;
    }
    return static_cast<std::int32_t>(Product);
}

std::int32_t PlainPartialFrequency(float Frequency) {
    const double F = Frequency;
    if (!(F >= 1.0) || F >= 32768.0)
        return 0;
    return static_cast<std::int32_t>(F);
}

bool VoiceSounds(const TToneVoice& Voice, std::uint32_t Rate) {
    if (Voice.Amplitude <= 0 || Voice.Frequency <= 0)
        return false;
    return Voice.Waveform > tgSawtooth || std::int64_t{Voice.Frequency} * 2 <= Rate;
}

TVoicePlan PlanVoices(const TToneSettings& S) {
    TVoicePlan Plan{};
    std::int32_t Sum = 0;
    for (int K = 0; K < AMLevelCount; ++K)
        Sum += S.AMAmplitudes[K];
    Plan.Voices[0] = TToneVoice{100 - Sum, S.Frequency, S.Waveform};
    for (int K = 0; K < AMLevelCount; ++K) {
        std::int32_t A = S.AMAmplitudes[K];
        if (Sum > 100)
            A = A * 100 / Sum;
        std::int32_t F;
        if (S.UseMultiplier) {
            bool Clamped;
            F = MultipliedFrequency(S.Frequency, S.AMFrequencies[K], Clamped);
            if (Clamped)
                Plan.ClampedPartials |= static_cast<std::uint8_t>(1u << K);
        } else {
            F = PlainPartialFrequency(S.AMFrequencies[K]);
        }
        Plan.Voices[static_cast<std::size_t>(K) + 1] = TToneVoice{A, F, S.AMWaveforms[K]};
    }
    return Plan;
}

bool RenderVoices(std::uint8_t* Data, std::uint32_t DataSize, const TToneFormat& Format,
                  std::span<const TToneVoice> Voices) {
    const TFormatFactors Fx = FactorsOf(Format.Resolution);
    const std::uint32_t Rate = SampleRateOf(Format.Quality);
    const std::uint32_t SampleBytes = Format.Resolution == tg16Bit ? 2 : 1;
    const std::uint32_t FrameBytes = Format.Stereo ? 2 * SampleBytes : SampleBytes;
    // Every frame that starts below DataSize is written whole.
    const std::uint32_t Frames =
        static_cast<std::uint32_t>((std::uint64_t{DataSize} + FrameBytes - 1) / FrameBytes);

    std::vector<TVoiceState> States;
    std::uint32_t Seed = RandSeed;
    try {
        States.reserve(Voices.size());
        for (const TToneVoice& Voice : Voices) {
            if (!VoiceSounds(Voice, Rate))
                continue;
            TVoiceState& V = States.emplace_back();
            SetUp(V, Voice, std::min(Voice.Amplitude, MaxVoiceAmplitude), Rate, Fx);
            if (V.Noise) {
                // Each noise voice continues the sequence where the voices
                // before it, drawing once per frame, would have left it.
                V.Seed = Seed;
                Seed = AdvanceRandSeed(Seed, Frames);
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    RandSeed = Seed;

    // Blocks of frames: every voice adds its run of the block, then the block
    // is clamped and written. The sum of the voices' magnitudes stays below
    // 2^31 because amplitudes are limited to MaxVoiceAmplitude.
    constexpr std::uint32_t BlockFrames = 2048;
    std::int32_t Acc[BlockFrames];
    std::uint8_t* Out = Data;
    for (std::uint32_t First = 0; First < Frames; First += BlockFrames) {
        const std::uint32_t Count = std::min(BlockFrames, Frames - First);
        std::fill_n(Acc, Count, 0);
        for (TVoiceState& V : States)
            V.Add(Acc, Count);
        for (std::uint32_t I = 0; I < Count; ++I) {
            const std::int32_t Value = std::clamp(Fx.Silence + Acc[I], Fx.Min, Fx.Max);
            if (SampleBytes == 2) {
                const auto Lo = static_cast<std::uint8_t>(Value);
                const auto Hi = static_cast<std::uint8_t>(static_cast<std::uint32_t>(Value) >> 8);
                Out[0] = Lo;
                Out[1] = Hi;
                if (Format.Stereo) {
                    Out[2] = Lo;
                    Out[3] = Hi;
                }
            } else {
                Out[0] = static_cast<std::uint8_t>(Value);
                if (Format.Stereo)
                    Out[1] = Out[0];
            }
            Out += FrameBytes;
        }
    }
    return true;
}
