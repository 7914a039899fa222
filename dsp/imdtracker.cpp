// Power averaging of analyser frames for the live two-tone readout.
#include "imdtracker.h"

#include <algorithm>
#include <cmath>

namespace zelvaro {

TMeasuredChannel MeasuredChannel(bool leftShown, bool rightShown)
{
    return rightShown && !leftShown ? TMeasuredChannel::Right : TMeasuredChannel::Left;
}

TImdAverager::TImdAverager()
{
    FPower.reserve(65536 / 2 + 1);
}

void TImdAverager::AddFrame(std::span<const float> magnitudes, int fftSize, TMeasuredChannel channel,
                            double key)
{
    const auto bins = static_cast<size_t>(fftSize / 2 + 1);
    if (magnitudes.size() < bins)
        return;
    std::lock_guard<std::mutex> guard(FLock);
    if (fftSize != FFftSize || channel != FChannel || key != FKey || FPower.size() != bins) {
        FPower.assign(bins, 0.0);
        FFftSize = fftSize;
        FChannel = channel;
        FKey = key;
        FCount = 0;
    }
    ++FCount;
    const double weight = 1.0 / std::min(FCount, kImdAverageFrames);
    const double kept = 1.0 - weight;
    for (size_t k = 0; k < bins; ++k) {
        const double magnitude = magnitudes[k];
        FPower[k] = kept * FPower[k] + weight * magnitude * magnitude;
    }
}

void TImdAverager::Clear()
{
    std::lock_guard<std::mutex> guard(FLock);
    FPower.clear();
    FFftSize = 0;
    FCount = 0;
}

// An exponential average with weight 1/N has the variance of about 2N - 1 equal frames; before
// it reaches N frames it is an equal average of those it has.
int TImdAverager::EquivalentFrames() const
{
    return FCount < kImdAverageFrames ? FCount : 2 * kImdAverageFrames - 1;
}

TImdAverager::TSnapshot TImdAverager::Snapshot() const
{
    std::lock_guard<std::mutex> guard(FLock);
    return {FPower, FFftSize, EquivalentFrames(), FChannel};
}

TImdResult TImdAverager::Measure(double sampleRate, const TImdParams &params) const
{
    std::lock_guard<std::mutex> guard(FLock);
    if (FCount == 0) {
        TImdResult none;
        none.Message = "no frame yet";
        return none;
    }
    return MeasureImd(FPower, HannScale(FFftSize, sampleRate, EquivalentFrames()), params);
}

double SteadyReading(std::optional<double> shown, double fresh, double resolution)
{
    const double stepped = std::round(fresh / resolution) * resolution;
    if (!shown || !std::isfinite(*shown) || std::fabs(fresh - *shown) >= resolution)
        return stepped;
    return *shown;
}

}  // namespace zelvaro
