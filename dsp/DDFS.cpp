#include "DDFS.h"

#include <cmath>

namespace DDFS {

std::int16_t SineTable[TableSize];
std::int16_t SquareTable[TableSize];
std::int16_t TriangleTable[TableSize];
std::int16_t SawtoothTable[TableSize];
std::uint32_t PhaseAccumulators[ChannelCount + 1];

namespace {

constexpr long double TwoPi = 6.283185307179586477L;

// Round to nearest, ties to even, in the current (default) rounding mode;
// the value kept is its low 16 bits. Every table value fits anyway.
std::int16_t RoundToInt16(long double V) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(std::llrintl(V)));
}

bool InReferenceBank(std::uint8_t Channel) {
    return Channel >= 1 && Channel <= 8;
}
bool InShiftedBank(std::uint8_t Channel) {
    return Channel >= 9 && Channel <= 16;
}
bool IsChannel(std::uint8_t Channel) {
    return Channel >= 1 && Channel <= 16;
}

void ClearPhases() {
    for (std::uint32_t& A : PhaseAccumulators)
        A = 0;
}

// Sine and triangle are computed for the first quarter only (i = 0 to
// 11024) and mirrored: the first half rises and falls symmetrically about
// 11024.5, and the second half is the first one negated, 22050 entries on.
void FillByQuarters(std::int16_t* T, int I, std::int16_t V) {
    T[I] = V;
    T[22049 - I] = V;
    T[22050 + I] = static_cast<std::int16_t>(-V);
    T[44099 - I] = static_cast<std::int16_t>(-V);
}

void BuildSineTable() {
    for (int I = 0; I <= 11024; ++I) {
        const long double Angle = static_cast<long double>(I) * TwoPi / 44099.0L;
        FillByQuarters(SineTable, I, RoundToInt16(sinl(Angle) * 32767.0L));
    }
}

void BuildSquareTable() {
    for (std::uint32_t I = 0; I < TableSize; ++I)
        SquareTable[I] = I <= 22049 ? 26000 : -26000;
}

void BuildTriangleTable() {
    for (int I = 0; I <= 11024; ++I) {
        const long double Product = static_cast<long double>(I * 26000);
        FillByQuarters(TriangleTable, I, RoundToInt16(Product / 11024.0L));
    }
}

void BuildSawtoothTable() {
    for (std::uint32_t I = 0; I < TableSize; ++I) {
        // I * 52000 reaches 2293148000, beyond the signed 32-bit range: the
        // product is formed unsigned.
        const std::uint32_t Product = I * 52000u;
        const long double V = (static_cast<long double>(Product) / 44099.0L - 26000.0L) * -1.0L;
        SawtoothTable[I] = RoundToInt16(V);
    }
}

// The unit's initialisation: runs once before main(), so before any window
// or stream exists.
struct TInitialisation {
    TInitialisation() { Initialise(); }
} Initialisation;

} // namespace

void Initialise() {
    ClearPhases();
    BuildSineTable();
    BuildSquareTable();
    BuildTriangleTable();
    BuildSawtoothTable();
    for (std::uint8_t Channel = 1; Channel <= 16; ++Channel)
        ResetPhase(Channel);
    for (std::uint8_t N = 1; N <= 8; ++N)
        SetPhaseOffset(N, static_cast<std::uint8_t>(N + 8), 180.0L);
}

std::uint32_t ResetPhase(std::uint8_t Channel) {
    if (IsChannel(Channel))
        PhaseAccumulators[Channel] = 0;
    return 0;
}

std::int32_t SetPhaseOffset(std::uint8_t Reference, std::uint8_t Target, long double Degrees) {
    // 180 degrees is 22049.5 entries, which rounds to 22050 (ties to even).
    const std::int32_t Offset =
        static_cast<std::int32_t>(std::llrintl(44099.0L * Degrees / 360.0L));
    if (InReferenceBank(Reference) && InShiftedBank(Target))
        PhaseAccumulators[Target] =
            (PhaseAccumulators[Reference] + static_cast<std::uint32_t>(Offset)) % TableModulus;
    return Offset;
}

std::uint32_t AdvancePhase(std::uint8_t Channel, long double Step) {
    if (!IsChannel(Channel))
        return 0;
    std::uint32_t& Acc = PhaseAccumulators[Channel];
    const std::uint32_t Old = Acc;
    // Written as "not greater" so that a NaN step also leaves the channel
    // standing.
    if (!(Step > 1.0L) || Step > MaxPhaseStep)
        return Old;
    Acc += static_cast<std::uint32_t>(std::llrintl(Step));
    // A sum of exactly one period stays 44099: the index of the period's
    // start once the channel has moved. Only sums beyond it wrap.
    if (Acc > TableModulus)
        Acc %= TableModulus;
    return Old;
}

const std::int16_t* TableOf(std::uint8_t Waveform) {
    switch (Waveform) {
    case wfSine:
        return SineTable;
    case wfSquare:
        return SquareTable;
    case wfTriangle:
        return TriangleTable;
    case wfSawtooth:
        return SawtoothTable;
    default:
        return nullptr;
    }
}

} // namespace DDFS
