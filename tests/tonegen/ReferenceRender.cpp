#include "ReferenceRender.h"

#include <algorithm>
#include <cmath>

std::vector<std::uint8_t> ReferenceSamples(const TReferenceTone& Tone) {
    const TToneSettings& S = Tone.Settings;
    const bool Wide = Tone.Format.Resolution == tg16Bit;
    const bool HiQ = Tone.Format.Quality == tgHiQ;
    const std::int64_t B = Wide ? 2 : 1;
    const std::int64_t Q = HiQ ? 960 : 441;
    std::int64_t D = B * Tone.Duration * Q / 10;
    if (Tone.Format.Stereo)
        D *= 2;
    const std::int64_t F = B * (Tone.Format.Stereo ? 2 : 1);
    const double Rate = HiQ ? 96000.0 : 44100.0;
    const std::int64_t Span = Wide ? 65534 : 254;
    const std::int64_t LevelFactor = Wide ? 32767 : 127;
    const double Silence = Wide ? 0.0 : 128.0;

    const std::int64_t Frames = (D + F - 1) / F;
    std::vector<std::int64_t> Sum(static_cast<std::size_t>(Frames), 0);

    std::int64_t Sigma = 0;
    for (std::int16_t A : S.AMAmplitudes)
        Sigma += A;
    std::uint32_t Seed = 1;

    for (int Voice = 0; Voice < 9; ++Voice) {
        std::int64_t A;
        std::int64_t Freq;
        TTGWave Wave;
        if (Voice == 0) {
            A = 100 - Sigma;
            Freq = S.Frequency;
            Wave = S.Waveform;
        } else {
            const int K = Voice - 1;
            A = S.AMAmplitudes[K];
            if (Sigma > 100)
                A = A * 100 / Sigma;
            Wave = S.AMWaveforms[K];
            const double M = S.AMFrequencies[K];
            if (S.UseMultiplier) {
                const double Product = S.Frequency * M;
                if (std::isnan(Product))
                    Freq = 0;
                else if (Product > 20000.0)
                    Freq = 20000;
                else if (Product < 20.0)
                    Freq = 20;
                else
                    Freq = static_cast<std::int64_t>(Product);
            } else {
                Freq =
                    (std::isnan(M) || M < 1.0 || M >= 32768.0) ? 0 : static_cast<std::int64_t>(M);
            }
        }
        // Noise has no period and sounds at any frequency it can hold.
        if (A <= 0 || Freq <= 0 || (Wave <= tgSawtooth && 2.0 * Freq > Rate))
            continue;

        double P = static_cast<double>(A * Span) / 100.0;
        const double L = -static_cast<double>(A * LevelFactor) / 100.0;
        const double T = Rate / static_cast<double>(Freq);
        std::uint32_t N = static_cast<std::uint32_t>(T);
        const std::uint32_t H = static_cast<std::uint32_t>(T + 0.5) / 2;
        std::uint32_t Period = 1;
        std::uint32_t J = 0;
        double V = 0;
        double Step = 0;
        switch (Wave) {
        case tgSine:
            V = 6.283185307179586 / N;
            break;
        case tgSquare:
            P = P / 2;
            break;
        case tgTriangle:
            V = L;
            Step = P / H;
            break;
        case tgSawtooth:
            V = L;
            Step = P / N;
            break;
        default:
            break;
        }
        for (std::int64_t Frame = 0; Frame < Frames; ++Frame) {
            double X;
            switch (Wave) {
            case tgSine:
                X = std::trunc(std::sin(J * V) / 2 * P);
                break;
            case tgSquare:
                X = J < H ? L : P;
                break;
            case tgTriangle:
                X = std::trunc(V);
                if (J < H) {
                    V += Step;
                } else {
                    V -= Step;
                    if (V < L)
                        V = L;
                }
                break;
            case tgSawtooth:
                X = std::trunc(V);
                V += Step;
                break;
            default: {
                Seed = Seed * 134775813u + 1u;
                const auto Range = static_cast<std::uint32_t>(P + 1.0);
                const auto Draw = static_cast<std::uint32_t>((std::uint64_t{Seed} * Range) >> 32);
                X = Draw + L;
                break;
            }
            }
            const double Y = Silence + X;
            Sum[static_cast<std::size_t>(Frame)] +=
                static_cast<std::int64_t>(std::trunc(Y)) - static_cast<std::int64_t>(Silence);
            if (++J == N) {
                J = 0;
                if (Wave != tgSine)
                    V = L;
                ++Period;
                N = static_cast<std::uint32_t>(Period * T) -
                    static_cast<std::uint32_t>((Period - 1) * T);
            }
        }
    }

    std::vector<std::uint8_t> Out(static_cast<std::size_t>(D + 32), Wide ? 0x00 : 0x80);
    for (std::int64_t Frame = 0; Frame < Frames; ++Frame) {
        const std::int64_t Value = std::clamp<std::int64_t>(
            static_cast<std::int64_t>(Silence) + Sum[static_cast<std::size_t>(Frame)],
            Wide ? -32768 : 0, Wide ? 32767 : 255);
        for (std::int64_t Ch = 0; Ch < (Tone.Format.Stereo ? 2 : 1); ++Ch) {
            const std::size_t At = static_cast<std::size_t>(Frame * F + Ch * B);
            Out[At] = static_cast<std::uint8_t>(Value);
            if (Wide)
                Out[At + 1] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(Value) >> 8);
        }
    }
    return Out;
}
