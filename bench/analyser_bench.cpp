// Cost of one analyser frame (computation and drawing, both channels) and of the two copies
// that hold SampleLock: the frame's history copy and the capture side's block slide.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "samplehistory.h"
#include "analyser.h"
#include "plotrender.h"

using namespace zelvaro;

namespace {

constexpr int kPlotWidth = 526;
constexpr int kPlotHeight = 220;
constexpr double kSampleRate = 22050.0;

// Two half-scale tones with a little noise, so the traces have real shape to draw.
void FillHistory(TSampleHistory &history, int fftSize)
{
    std::vector<float> left(kBlockFrames), right(kBlockFrames);
    unsigned noise = 12345;
    for (int start = 0; start < fftSize; start += kBlockFrames) {
        for (int i = 0; i < kBlockFrames; ++i) {
            const double t = (start + i) / kSampleRate;
            noise = noise * 1103515245u + 12345u;
            const double dither = static_cast<double>(noise >> 16) / 65536.0 - 0.5;
            left[static_cast<size_t>(i)] = static_cast<float>(16383.0 * std::cos(2 * std::numbers::pi * 1292.0 * t) + dither);
            right[static_cast<size_t>(i)] = static_cast<float>(16383.0 * std::cos(2 * std::numbers::pi * 1938.0 * t) + dither);
        }
        history.SlideIn(left.data(), right.data(), fftSize);
    }
}

TSpectrumSettings BothChannels(int fftSize)
{
    TSpectrumSettings s;
    s.FftSize = fftSize;
    s.HzPerBin = static_cast<float>(kSampleRate / fftSize);
    s.FullScaleMag = static_cast<float>(fftSize) * kFullScaleSample * 0.5f;
    s.StartHz = 1200.0f;
    s.TopDb = 7;
    s.BottomDb = -121;
    s.SALeftOn = true;
    s.SARightOn = true;
    return s;
}

void Sizes(benchmark::internal::Benchmark *b)
{
    for (int n : {2048, 4096, 8192, 16384, 65536})
        b->Arg(n);
}

// UpdateSpectrum as the processing thread runs it: copy, transform, average, dB, draw, show.
void BM_SpectrumFrame(benchmark::State &state)
{
    const int fftSize = static_cast<int>(state.range(0));
    TSampleHistory history;
    FillHistory(history, fftSize);
    TSpectrumAnalyser analyser(history, QSize(kPlotWidth, kPlotHeight));
    analyser.SetSettings(BothChannels(fftSize));
    analyser.UpdateSpectrum();  // builds the tables outside the timing
    for (auto _ : state)
        analyser.UpdateSpectrum();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SpectrumFrame)->Apply(Sizes)->Unit(benchmark::kMicrosecond);

// The computation half alone.
void BM_SpectrumCompute(benchmark::State &state)
{
    const int fftSize = static_cast<int>(state.range(0));
    TSampleHistory history;
    FillHistory(history, fftSize);
    TSpectrumComputer computer(kPlotWidth);
    TSpectrumColumns columns;
    const TSpectrumSettings settings = BothChannels(fftSize);
    computer.Compute(history, settings, columns);
    for (auto _ : state) {
        computer.Compute(history, settings, columns);
        benchmark::DoNotOptimize(columns.LeftDb.data());
    }
}
BENCHMARK(BM_SpectrumCompute)->Apply(Sizes)->Unit(benchmark::kMicrosecond);

// The drawing half alone: cached grid copied, two traces drawn.
void BM_PlotRender(benchmark::State &state)
{
    TSpectrumColumns columns;
    columns.NumPoints = kPlotWidth;
    for (int i = 0; i < kPlotWidth; ++i) {
        columns.LeftDb[static_cast<size_t>(i)] = -60.0f - static_cast<float>((i * 37) % 60);
        columns.RightDb[static_cast<size_t>(i)] = -80.0f - static_cast<float>((i * 53) % 40);
    }
    TPlotRenderer renderer(QSize(kPlotWidth, kPlotHeight), MakePlotFont());
    QImage frame(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
    const TSpectrumSettings settings = BothChannels(8192);
    renderer.Render(frame, columns, settings);
    for (auto _ : state) {
        renderer.Render(frame, columns, settings);
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(BM_PlotRender)->Unit(benchmark::kMicrosecond);

// Redrawing the grid and its labels, which happens only when the dB window changes.
void BM_PlotBackground(benchmark::State &state)
{
    QImage image(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
    const QFont font = MakePlotFont();
    for (auto _ : state) {
        DrawPlotBackground(image, 7, -121, font);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PlotBackground)->Unit(benchmark::kMicrosecond);

// SampleLock hold time of a frame: the copy of FftSize samples of both channels.
void BM_HistoryCopyNewest(benchmark::State &state)
{
    const int fftSize = static_cast<int>(state.range(0));
    TSampleHistory history;
    std::vector<float> left(static_cast<size_t>(fftSize)), right(static_cast<size_t>(fftSize));
    for (auto _ : state) {
        history.CopyNewest(left.data(), right.data(), fftSize);
        benchmark::DoNotOptimize(left.data());
    }
    state.SetBytesProcessed(state.iterations() * 2 * fftSize * static_cast<int64_t>(sizeof(float)));
}
BENCHMARK(BM_HistoryCopyNewest)->Apply(Sizes)->Unit(benchmark::kMicrosecond);

// SampleLock hold time of a captured block: the move of FftSize - 2048 samples and the append.
void BM_HistorySlideIn(benchmark::State &state)
{
    const int fftSize = static_cast<int>(state.range(0));
    TSampleHistory history;
    std::vector<float> left(kBlockFrames, 1.0f), right(kBlockFrames, -1.0f);
    for (auto _ : state) {
        history.SlideIn(left.data(), right.data(), fftSize);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_HistorySlideIn)->Apply(Sizes)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv)
{
    // Text drawing needs the font database of a GUI application; no display is needed.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
