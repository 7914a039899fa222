// An analyser frame at 65536 points without and with the measurement layers (power average and
// two-tone measurement, peak hold, IM-locked and user markers), side by side: the difference is
// what the readout, markers and peak hold add to each frame.
#include "analyser.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr int kPoints = 65536;
constexpr double kRate = 22050.0;

// Two -7 dBFS tones with IMD3 and IMD5 and 16-bit dither in both histories.
void FillTwoTones(zelvaro::TSampleHistory &history)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<float> dither(-0.5f, 0.5f);
    const double a = 32767.0 * std::pow(10.0, -7.0 / 20.0);
    const double w1 = 2.0 * std::numbers::pi * 1000.0 / kRate, w2 = 2.0 * std::numbers::pi * 1100.0 / kRate;
    std::vector<float> block(zelvaro::kBlockFrames);
    for (int b = 0; b < kPoints / zelvaro::kBlockFrames; ++b) {
        for (int i = 0; i < zelvaro::kBlockFrames; ++i) {
            const double n = b * zelvaro::kBlockFrames + i;
            const double x = a * (std::cos(w1 * n) + std::cos(w2 * n) + 0.01 * std::cos((2 * w2 - w1) * n) +
                                  0.001 * std::cos((3 * w2 - 2 * w1) * n));
            block[static_cast<size_t>(i)] = std::round(static_cast<float>(x) + dither(random) + dither(random));
        }
        history.SlideIn(block.data(), block.data(), kPoints);
    }
}

zelvaro::TSpectrumSettings WideSettings()
{
    zelvaro::TSpectrumSettings settings;
    settings.FftSize = kPoints;
    settings.HzPerBin = static_cast<float>(kRate / kPoints);
    settings.StartHz = 1000.0f - 263.0f * settings.HzPerBin;
    settings.FullScaleMag = kPoints * 32767.0f * 0.5f;
    settings.SARightOn = true;
    return settings;
}

void RunFrames(benchmark::State &state, bool layersOn)
{
    zelvaro::TSampleHistory history;
    FillTwoTones(history);
    zelvaro::TSpectrumAnalyser analyser(history, QSize(526, 220));
    analyser.SetSettings(WideSettings());
    zelvaro::TOverlaySettings overlay;
    if (layersOn) {
        overlay.MeasureOn = true;
        overlay.PeakHoldOn = true;
        overlay.PeakHoldEpoch = 1;
        overlay.HintHz1 = 1000.0;
        overlay.HintHz2 = 1100.0;
        overlay.Marker1Hz = 1000.0;
        overlay.Marker2Hz = 1100.0;
    }
    analyser.Overlay().SetSettings(overlay);
    for (int i = 0; i < 10; ++i)  // the average fills, the tables exist
        analyser.UpdateSpectrum();
    for (auto _ : state)
        analyser.UpdateSpectrum();
    if (layersOn && !(analyser.Overlay().LastMeasurement() && analyser.Overlay().LastMeasurement()->Measured()))
        state.SkipWithError("the two tones were not measured");
}

void BM_Frame65536_LayersOff(benchmark::State &state)
{
    RunFrames(state, false);
}
BENCHMARK(BM_Frame65536_LayersOff)->Unit(benchmark::kMillisecond);

void BM_Frame65536_ReadoutMarkersPeakHold(benchmark::State &state)
{
    RunFrames(state, true);
}
BENCHMARK(BM_Frame65536_ReadoutMarkersPeakHold)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // the plot font needs the font database
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
