// Frames per second of the stream procedure, bit-exact with the oscillator
// bank, next to the frame-by-frame loop that calls AdvancePhase per sample.
#include "DDFS.h"
#include "RenderStream.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <vector>

namespace {

class TFixedWaveform : public TWaveformSource {
public:
    std::uint8_t W = DDFS::wfSquare;
    std::uint8_t SelectedWaveform() const override { return W; }
};

void BM_RenderStream(benchmark::State& State) {
    TFixedWaveform Source;
    Source.W = static_cast<std::uint8_t>(State.range(1));
    WaveformSource = &Source;
    CurrentFrequency = 2128.0L;
    OutputGain = 1.0L;
    const auto Frames = static_cast<DWORD>(State.range(0));
    std::vector<std::int16_t> Buffer(2 * Frames);
    for (auto _ : State) {
        RenderStream(1, Buffer.data(), 4 * Frames, nullptr);
        benchmark::DoNotOptimize(Buffer.data());
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * Frames);
    State.SetLabel("frames");
    WaveformSource = nullptr;
}
BENCHMARK(BM_RenderStream)
    ->Args({1024, DDFS::wfSquare})
    ->Args({1024, DDFS::wfSine})
    ->Args({65536, DDFS::wfSquare});

// The straightforward per-sample loop in extended precision, for comparison.
void BM_FrameByFrame(benchmark::State& State) {
    const auto Frames = static_cast<std::size_t>(State.range(0));
    std::vector<std::int16_t> Buffer(2 * Frames);
    const long double Frequency = 2128.0L, Gain = 1.0L;
    for (auto _ : State) {
        for (std::size_t K = 0; K < Frames; ++K) {
            Buffer[2 * K] = static_cast<std::int16_t>(
                static_cast<long double>(DDFS::SquareSample(DDFS::AdvancePhase(1, Frequency))) *
                Gain);
            Buffer[2 * K + 1] = static_cast<std::int16_t>(
                static_cast<long double>(DDFS::SquareSample(DDFS::AdvancePhase(9, Frequency))) *
                Gain);
        }
        benchmark::DoNotOptimize(Buffer.data());
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * Frames);
}
BENCHMARK(BM_FrameByFrame)->Arg(1024);

} // namespace

BENCHMARK_MAIN();
