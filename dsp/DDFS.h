// The oscillator bank: a direct digital synthesis source of four wave tables
// (sine, square, triangle, sawtooth) read through sixteen phase accumulators.
//
// One period of every wave spans 44099 table steps, and the tables hold one
// entry more (indices 0 to 44099) because an accumulator that lands exactly on
// a whole period keeps the index 44099 instead of wrapping to 0. A channel
// advanced by a step s once per output frame at 44100 frames per second
// therefore sounds at s * 44100 / 44099 Hz.
//
// Channels 1 to 8 form the reference bank and channels 9 to 16 the shifted
// bank; channel n + 8 is the partner of channel n and starts half a period
// ahead of it.
//
// All state is static and built once, before main() runs, by the unit's
// initialisation. After start the accumulators belong to the stream renderer
// (the audio thread); nothing here is locked or safe for concurrent callers of
// the same channel. Extended precision is long double (80-bit on x86-64), and
// rounding is to nearest with ties to even.
#pragma once

#include <cstdint>

namespace DDFS {

inline constexpr std::uint32_t TableModulus = 44099;
inline constexpr std::uint32_t TableSize = TableModulus + 1;
inline constexpr long double MaxPhaseStep = 22000.0L;
inline constexpr int ChannelCount = 16;

// Waveform numbers, the order in which the tables are offered.
enum : std::uint8_t { wfSine = 0, wfSquare = 1, wfTriangle = 2, wfSawtooth = 3 };

extern std::int16_t SineTable[TableSize];
extern std::int16_t SquareTable[TableSize];
extern std::int16_t TriangleTable[TableSize];
extern std::int16_t SawtoothTable[TableSize];

// Indexed by channel number 1 to 16; element 0 is unused.
extern std::uint32_t PhaseAccumulators[ChannelCount + 1];

// Sets the channel's accumulator to 0 for channels 1 to 16; always returns 0.
std::uint32_t ResetPhase(std::uint8_t Channel);

// Returns round(44099 * Degrees / 360). When Reference is 1 to 8 and Target
// is 9 to 16, also sets Target to Reference's accumulator plus that offset,
// modulo 44099, in unsigned 32-bit arithmetic.
std::int32_t SetPhaseOffset(std::uint8_t Reference, std::uint8_t Target, long double Degrees);

// Returns the channel's index for the current sample and advances the
// channel by round(Step) when 1.0 < Step <= 22000.0. Returns 0 for a channel
// outside 1 to 16.
std::uint32_t AdvancePhase(std::uint8_t Channel, long double Step);

// Table reads; the index must be 0 to 44099, as AdvancePhase returns.
inline std::int16_t SineSample(std::uint32_t Index) {
    return SineTable[Index];
}
inline std::int16_t SquareSample(std::uint32_t Index) {
    return SquareTable[Index];
}
inline std::int16_t TriangleSample(std::uint32_t Index) {
    return TriangleTable[Index];
}
inline std::int16_t SawtoothSample(std::uint32_t Index) {
    return SawtoothTable[Index];
}

// The table of a waveform number, or nullptr for a number outside 0 to 3.
const std::int16_t* TableOf(std::uint8_t Waveform);

// Puts the unit back into its start state (tables rebuilt, channels 1 to 8 at
// 0, 9 to 16 at 22050). The program never calls it; tests do, to start from
// a known phase.
void Initialise();

} // namespace DDFS
