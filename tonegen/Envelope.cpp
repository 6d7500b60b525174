#include "Envelope.h"

#include <algorithm>
#include <cmath>

namespace {

std::int64_t Percent(std::int16_t Value) {
    return std::clamp<std::int64_t>(Value, 0, 100);
}

} // namespace

TEnvelopePlan PlanEnvelope(std::uint32_t DataSize, bool Stereo, TTGResolution Resolution,
                           const TEnvelopeShares& Shares) {
    std::int64_t A = Percent(Shares.Attack);
    std::int64_t H = Percent(Shares.Hold);
    std::int64_t C = Percent(Shares.Decay);
    std::int64_t R = Percent(Shares.Release);
    const std::int64_t S = Percent(Shares.Sustain);
    const std::int64_t Sum = A + H + C + R;
    if (Sum > 100) {
        A = A * 100 / Sum;
        H = H * 100 / Sum;
        C = C * 100 / Sum;
        R = 100 - A - H - C;
    }
    const std::int64_t U = 100 - A - H - C - R;

    const std::int64_t D = DataSize;
    const std::int64_t F = (Resolution == tg16Bit ? 2 : 1) * (Stereo ? 2 : 1);
    const std::int64_t TF = D / F;
    const double SustainGain = static_cast<double>(S) / 100.0;

    TEnvelopePlan Plan{};
    Plan.FrameCount = TF;
    std::int64_t P = 0;
    // Fixed-length phases run over n + 1 frames (k = 0 to n, so the attack
    // reaches full level and the decay the sustain level at k = n); the
    // open-ended ones run over the n frames that remain.
    auto Place = [&](TEnvelopeStage Stage, bool Active, std::int64_t N, std::int64_t Frames,
                     double Gain) {
        TEnvelopePhase& Phase = Plan.Phases[Stage];
        Phase.Active = Active;
        Phase.N = N;
        Phase.Gain = Gain;
        Phase.First = P;
        if (!Active)
            return;
        Phase.Count = std::clamp<std::int64_t>(TF - P, 0, Frames);
        P += N + 1;
    };
    auto Length = [&](std::int64_t Share) { return Share * D / (100 * F); };

    std::int64_t N = Length(A);
    Place(esAttack, A > 0 && N > 0, N, N + 1, N > 0 ? 1.0 / static_cast<double>(N) : 0.0);
    N = Length(H);
    Place(esHold, H > 0 && N > 0, N, N + 1, 1.0);
    N = Length(C);
    Place(esDecay, C > 0 && N > 0, N, N + 1,
          N > 0 ? (static_cast<double>(100 - S) / static_cast<double>(N)) / 100.0 : 0.0);
    if (R > 0) {
        N = Length(U);
        Place(esSustain, U > 0, N, N + 1, SustainGain);
    } else {
        N = std::max<std::int64_t>(TF - P, 0);
        Place(esSustain, U > 0, N, N, SustainGain);
    }
    N = std::max<std::int64_t>(TF - P, 0);
    Place(esRelease, R > 0 && N > 0, N, N, N > 0 ? SustainGain / static_cast<double>(N) : 0.0);
    return Plan;
}

void ApplyEnvelope(std::uint8_t* Data, std::uint32_t DataSize, bool Stereo,
                   TTGResolution Resolution, const TEnvelopeShares& Shares) {
    const TEnvelopePlan Plan = PlanEnvelope(DataSize, Stereo, Resolution, Shares);
    const bool Wide = Resolution == tg16Bit;
    const std::int64_t SampleBytes = Wide ? 2 : 1;
    const std::int64_t Channels = Stereo ? 2 : 1;
    const std::int64_t FrameBytes = SampleBytes * Channels;

    auto Read = [&](const std::uint8_t* At) -> std::int64_t {
        if (Wide)
            return static_cast<std::int16_t>(At[0] | (At[1] << 8));
        return std::int64_t{At[0]} - 128;
    };
    auto Write = [&](std::uint8_t* At, std::int64_t Value) {
        for (std::int64_t Ch = 0; Ch < Channels; ++Ch, At += SampleBytes) {
            if (Wide) {
                At[0] = static_cast<std::uint8_t>(Value);
                At[1] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(Value) >> 8);
            } else {
                At[0] = static_cast<std::uint8_t>(Value + 128);
            }
        }
    };
    auto Scaled = [](std::int64_t Product, double Gain) {
        return static_cast<std::int64_t>(std::trunc(static_cast<double>(Product) * Gain));
    };

    for (int Stage = esAttack; Stage <= esRelease; ++Stage) {
        const TEnvelopePhase& Phase = Plan.Phases[static_cast<std::size_t>(Stage)];
        if (!Phase.Active)
            continue;
        std::uint8_t* At = Data + Phase.First * FrameBytes;
        for (std::int64_t K = 0; K < Phase.Count; ++K, At += FrameBytes) {
            const std::int64_t S = Read(At);
            std::int64_t Value;
            switch (Stage) {
            case esAttack:
                Value = Scaled(K * S, Phase.Gain);
                break;
            case esHold:
                Value = S;
                break;
            case esDecay:
                Value = S - Scaled(K * S, Phase.Gain);
                break;
            case esSustain:
                Value = Scaled(S, Phase.Gain);
                break;
            default: // esRelease
                Value = Scaled((Phase.N - K) * S, Phase.Gain);
                break;
            }
            Write(At, Value);
        }
    }
}
