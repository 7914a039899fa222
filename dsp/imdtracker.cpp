// Power averaging of analyser frames for the live two-tone readout.
#include "imdtracker.h"

#include <algorithm>
#include <cmath>

namespace zelvaro {

TMeasuredChannel MeasuredChannel(bool leftShown, bool rightShown)
{
    return rightShown && !leftShown ? TMeasuredChannel::Right : TMeasuredChannel::Left;
}

TImdAverager::TImdAverager() : FRing(static_cast<size_t>(kImdAverageFrames)) {}

void TImdAverager::Restart(size_t bins)
{
    FPower.assign(bins, 0.0);
    for (auto &frame : FRing)
        frame.assign(bins, 0.0f);
    FCount = 0;
    FNext = 0;
}

void TImdAverager::AddFrame(std::span<const float> magnitudes, int fftSize, TMeasuredChannel channel,
                            double key)
{
    const auto bins = static_cast<size_t>(fftSize / 2 + 1);
    if (fftSize <= 0 || magnitudes.size() < bins)
        return;
    std::lock_guard<std::mutex> guard(FLock);
    if (fftSize != FFftSize || channel != FChannel || key != FKey || FPower.size() != bins) {
        Restart(bins);
        FFftSize = fftSize;
        FChannel = channel;
        FKey = key;
    }
    std::vector<float> &slot = FRing[static_cast<size_t>(FNext)];
    for (size_t k = 0; k < bins; ++k)
        slot[k] = magnitudes[k] * magnitudes[k];
    FNext = (FNext + 1) % kImdAverageFrames;
    ++FCount;
    // Summed afresh each frame: a running sum that adds the new frame and takes the oldest away
    // would keep rounding residue of a departed tone (powers span 30 orders of magnitude) in
    // the floor bins it leaves behind.
    std::fill(FPower.begin(), FPower.end(), 0.0);
    for (const auto &frame : FRing)
        for (size_t k = 0; k < bins; ++k)
            FPower[k] += frame[k];
    const double scale = 1.0 / EquivalentFrames();
    for (size_t k = 0; k < bins; ++k)
        FPower[k] *= scale;
}

void TImdAverager::Clear()
{
    std::lock_guard<std::mutex> guard(FLock);
    FPower.clear();
    FFftSize = 0;
    FCount = 0;
}

int TImdAverager::EquivalentFrames() const
{
    return std::min(FCount, kImdAverageFrames);
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
