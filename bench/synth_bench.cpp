// Cost of generating one 2048-frame playback block (the work of FillOutputBuffers per buffer).
#include <tonesynth.h>

#include <benchmark/benchmark.h>

#include <array>

namespace {

void BM_SynthBlock(benchmark::State &state)
{
    zelvaro::TToneSynth synth;
    zelvaro::TToneSettings settings;
    settings.LFreqHz = 1292;
    settings.RFreqHz = 1938;
    settings.LAmpl = 0.5f;
    settings.RAmpl = 0.5f;
    settings.SkewUs = 12.5;
    settings.IQMode = state.range(0) != 0;
    settings.LeftOn = true;
    settings.RightOn = true;
    std::array<int16_t, 2 * zelvaro::kToneBlockFrames> block{};
    for (auto _ : state) {
        synth.SynthBlock(settings, block.data());
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * zelvaro::kToneBlockFrames);
    state.SetLabel(settings.IQMode ? "I/Q mode" : "two tones");
}
BENCHMARK(BM_SynthBlock)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_SynthToneOnly(benchmark::State &state)
{
    zelvaro::TToneSynth synth;
    std::array<float, zelvaro::kToneBlockFrames> out{};
    for (auto _ : state) {
        synth.SynthTone(out.data(), nullptr, zelvaro::kToneBlockFrames, 1292.0, 22050.0, -16383.5f, false);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * zelvaro::kToneBlockFrames);
}
BENCHMARK(BM_SynthToneOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
