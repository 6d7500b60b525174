#include "RenderStream.h"

#include "DDFS.h"

#include <cmath>

long double CurrentFrequency = 0.0L;
long double OutputGain = 1.0L;
TWaveformSource* WaveformSource = nullptr;

namespace {

// The oscillator channels of the two output channels; the right one starts
// half a period ahead.
constexpr std::uint8_t LeftChannel = 1;
constexpr std::uint8_t RightChannel = 9;

// The whole number of table entries AdvancePhase adds per frame for a step,
// 0 where it leaves the channel standing.
std::uint32_t RoundedStep(long double Step) {
    if (!(Step > 1.0L) || Step > DDFS::MaxPhaseStep)
        return 0;
    return static_cast<std::uint32_t>(std::llrintl(Step));
}

// Advances an accumulator exactly as AdvancePhase does for an accepted step.
// A sum before the reduction is below twice the modulus, so the remainder is
// one subtraction; a sum of exactly 44099 is kept.
inline std::uint32_t Advance(std::uint32_t Acc, std::uint32_t Step) {
    Acc += Step;
    return Acc > DDFS::TableModulus ? Acc - DDFS::TableModulus : Acc;
}

// A table value times the gain, truncated toward zero; the low 16 bits of
// the product are kept. A product beyond the 64-bit range, or NaN, has no
// low bits to keep and gives silence.
inline std::int16_t Scaled(std::int16_t Value, long double Gain) {
    const long double Product = static_cast<long double>(Value) * Gain;
    if (!(std::fabs(Product) < 9.0e18L))
        return 0;
    return static_cast<std::int16_t>(
        static_cast<std::uint16_t>(static_cast<std::int64_t>(Product)));
}

} // namespace

// Runs on the sound library's audio thread. It must not allocate, lock or
// call into the window system; the waveform choice is read once per call as
// a plain integer.
//
// The frequency and the gain are written by the main thread only while no
// stream exists, so they are constant for the whole call: the rounded step
// and the gain test are taken once, and each frame costs two table reads and
// two integer advances, bit for bit what AdvancePhase and the read routines
// give frame by frame.
DWORD RenderStream(TStreamHandle /*handle*/, void* buffer, DWORD length, void* /*user*/) {
    const DWORD Frames = length / 4;
    const TWaveformSource* Source = WaveformSource;
    if (Source == nullptr)
        return length;
    const std::int16_t* Table = DDFS::TableOf(Source->SelectedWaveform());
    if (Table == nullptr)
        return length;

    const std::uint32_t Step = RoundedStep(CurrentFrequency);
    const long double Gain = OutputGain;
    std::uint32_t Left = DDFS::PhaseAccumulators[LeftChannel];
    std::uint32_t Right = DDFS::PhaseAccumulators[RightChannel];
    auto* Out = static_cast<std::int16_t*>(buffer);

    if (Gain == 1.0L) {
        for (DWORD K = 0; K < Frames; ++K) {
            Out[2 * K] = Table[Left];
            Out[2 * K + 1] = Table[Right];
            Left = Advance(Left, Step);
            Right = Advance(Right, Step);
        }
    } else {
        for (DWORD K = 0; K < Frames; ++K) {
            Out[2 * K] = Scaled(Table[Left], Gain);
            Out[2 * K + 1] = Scaled(Table[Right], Gain);
            Left = Advance(Left, Step);
            Right = Advance(Right, Step);
        }
    }

    DDFS::PhaseAccumulators[LeftChannel] = Left;
    DDFS::PhaseAccumulators[RightChannel] = Right;
    return length;
}
