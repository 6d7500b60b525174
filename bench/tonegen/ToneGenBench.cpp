// The longest tone the component renders (32767 ms at 96000 Hz, 16-bit
// stereo: 12582528 data bytes) with the main tone and eight sine partials at
// 220, 440, ... 1760 Hz. Compare with sox making the same nine-tone mix:
//   time sox -r 96000 -c 1 -n -b 16 out.wav synth 32.767 sine 440
//     synth sine mix 220 synth sine mix 440 ... synth sine mix 1760 channels 2
// (one command line).
#include "ReferenceRender.h"
#include "ToneGen.h"

#include <benchmark/benchmark.h>

namespace {

void LongestNineSines(TToneGen& Gen) {
    Gen.SetDuration(32767);
    Gen.SetStereo(true);
    for (int K = 0; K < AMLevelCount; ++K)
        Gen.SetAMParameter(static_cast<TTGAMLevel>(K), 10, (K + 1.0f) / 2.0f, tgSine);
}

void BM_PrepareLongestNineSines(benchmark::State& State) {
    TToneGen Gen(nullptr);
    LongestNineSines(Gen);
    for (auto _ : State) {
        const bool Rendered = Gen.Prepare();
        benchmark::DoNotOptimize(Rendered);
        benchmark::DoNotOptimize(Gen.GetDataBuffer());
    }
    State.SetBytesProcessed(State.iterations() * Gen.WaveImageSize());
}
BENCHMARK(BM_PrepareLongestNineSines)->Unit(benchmark::kMillisecond);

void BM_PrepareADSRLongestNineSines(benchmark::State& State) {
    TToneGen Gen(nullptr);
    LongestNineSines(Gen);
    for (auto _ : State) {
        const bool Rendered = Gen.PrepareADSR();
        benchmark::DoNotOptimize(Rendered);
    }
    State.SetBytesProcessed(State.iterations() * Gen.WaveImageSize());
}
BENCHMARK(BM_PrepareADSRLongestNineSines)->Unit(benchmark::kMillisecond);

// The same tone through the reference: one sine per sample and voice.
void BM_ReferenceLongestNineSines(benchmark::State& State) {
    TReferenceTone Tone{};
    Tone.Settings.Frequency = 440;
    Tone.Settings.Waveform = tgSine;
    Tone.Settings.UseMultiplier = true;
    for (int K = 0; K < AMLevelCount; ++K) {
        Tone.Settings.AMAmplitudes[K] = 10;
        Tone.Settings.AMWaveforms[K] = tgSine;
        Tone.Settings.AMFrequencies[K] = (K + 1.0f) / 2.0f;
    }
    Tone.Format = {tg16Bit, tgHiQ, true};
    Tone.Duration = 32767;
    for (auto _ : State)
        benchmark::DoNotOptimize(ReferenceSamples(Tone));
}
BENCHMARK(BM_ReferenceLongestNineSines)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
