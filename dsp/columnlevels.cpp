// Spectrum computation: transform, averaging and the dB level of each plot column.
#include "columnlevels.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "dbscale.h"

namespace zelvaro {

namespace {

// Forward, unscaled transform; the 32 bit is part of the historical flag set and ignored.
constexpr int32_t kForwardTransform = 33;
constexpr int32_t kBuildTables = kForwardTransform | VSK_FFT_INIT;
constexpr int kMaxBins = kMaxFftSize / 2;

size_t ToSize(int value)
{
    return static_cast<size_t>(value);
}

// The C library's log10 is legacy-SSE code around a VEX-encoded log. After AVX code elsewhere
// (the wide memcpy of the history copy, Qt's drawing) has left the upper vector halves dirty,
// each call pays a state transition on current x86 processors; clearing them once before the
// column loop makes a small frame three to four times cheaper. Results are unaffected.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
__attribute__((target("avx"))) void ClearUpperVectorStateAvx()
{
    __builtin_ia32_vzeroupper();
}

void ClearUpperVectorState()
{
    if (__builtin_cpu_supports("avx"))
        ClearUpperVectorStateAvx();
}
#else
void ClearUpperVectorState() {}
#endif

}  // namespace

int ValidFftSize(int requested)
{
    const int clamped = std::clamp(requested, kMinFftSize, kMaxFftSize);
    return static_cast<int>(std::bit_floor(static_cast<unsigned>(clamped)));
}

int FftOrderOf(int fftSize)
{
    return static_cast<int>(std::log(static_cast<double>(fftSize)) / std::log(2.0) + 0.0001);
}

int FirstPlottedBin(float startHz, float hzPerBin, int fftSize, int numPoints)
{
    const int lastFirstBin = std::max(0, fftSize / 2 - numPoints);
    const double bin = static_cast<double>(startHz) / static_cast<double>(hzPerBin) + 0.5;
    // NaN (a zero bin width over zero) and far-off values end at the nearest edge.
    if (!(bin >= 0.0))
        return 0;
    if (bin >= lastFirstBin)
        return lastFirstBin;
    return static_cast<int>(bin);
}

TSpectrumComputer::TSpectrumComputer(int plotWidth)
    : FPlotWidth(plotWidth),
      FAvgSpecL(ToSize(kMaxBins), 0.0f),
      FAvgSpecR(ToSize(kMaxBins), 0.0f),
      FTransformL(ToSize(kMaxBins + 1)),
      FTransformR(ToSize(kMaxBins + 1)),
      FMagL(ToSize(kMaxBins + 1)),
      FMagR(ToSize(kMaxBins + 1))
{
}

void TSpectrumComputer::RebuildTables(int fftSize)
{
    const auto bins = ToSize(fftSize / 2);
    std::fill_n(FAvgSpecL.begin(), bins, 0.0f);
    std::fill_n(FAvgSpecR.begin(), bins, 0.0f);
    vskcFreeTwdTbls();
    vskFreeBitRevTbls();
    FNumPoints = std::clamp(FPlotWidth, 0, std::min(kMaxPlotPoints, fftSize / 2));
    FTableFftSize = fftSize;
    FFftOrder = FftOrderOf(fftSize);
    vsksRealFft(nullptr, FFftOrder, kBuildTables);
}

void TSpectrumComputer::TransformChannel(std::vector<vskCplxF> &buffer,
                                         std::vector<float> &magnitudes, bool useWindow) const
{
    // The buffer holds FftSize real samples before the transform and FftSize/2 + 1 complex
    // values (CCS layout) after it.
    auto *samples = reinterpret_cast<float *>(buffer.data());
    if (useWindow)
        vsksWinHann(samples, FTableFftSize);
    vsksRealFft(samples, FFftOrder, kForwardTransform);
    vskcbMag(buffer.data(), magnitudes.data(), FTableFftSize / 2 + 1);
    magnitudes[0] = 0.0f;  // DC never shows
}

void TSpectrumComputer::Compute(const TSampleHistory &history, const TSpectrumSettings &settings,
                                TSpectrumColumns &columns)
{
    const int fftSize = ValidFftSize(settings.FftSize);
    if (fftSize != FTableFftSize)
        RebuildTables(fftSize);

    // The frame before may have ended in the drawing library's wide-vector code (marker and
    // label text): with the upper halves dirty, the window's scalar loop ran three times slower.
    ClearUpperVectorState();
    history.CopyNewest(reinterpret_cast<float *>(FTransformL.data()),
                       reinterpret_cast<float *>(FTransformR.data()), FTableFftSize);
    TransformChannel(FTransformL, FMagL, settings.UseWindow);
    TransformChannel(FTransformR, FMagR, settings.UseWindow);

    // The Nyquist bin is not averaged; it is never plotted.
    const auto bins = ToSize(FTableFftSize / 2);
    const float avgCount = static_cast<float>(std::max(settings.AvgCount, 1));
    const float keptWeight = avgCount - 1.0f;
    for (size_t k = 0; k < bins; ++k) {
        FAvgSpecL[k] = (keptWeight * FAvgSpecL[k] + FMagL[k]) / avgCount;
        FAvgSpecR[k] = (keptWeight * FAvgSpecR[k] + FMagR[k]) / avgCount;
    }

    const int firstBin = FirstPlottedBin(settings.StartHz, settings.HzPerBin, FTableFftSize, FNumPoints);
    columns.NumPoints = FNumPoints;
    columns.FirstBin = firstBin;
    ClearUpperVectorState();
    for (int i = 0; i < FNumPoints; ++i) {
        const auto bin = ToSize(firstBin + i);
        columns.LeftDb[ToSize(i)] = MagnitudeToColumnDb(FAvgSpecL[bin], settings.FullScaleMag);
        columns.RightDb[ToSize(i)] = MagnitudeToColumnDb(FAvgSpecR[bin], settings.FullScaleMag);
    }
}

}  // namespace zelvaro
