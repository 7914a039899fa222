// Fractional delay by a Kaiser-windowed sinc, gain and a cubic term, in double precision.
#include "loopbackline.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zelvaro {

namespace {

constexpr int kTapCount = static_cast<int>(TLoopbackLine::kTaps);
constexpr double kKaiserBeta = 9.0;
constexpr double kFullScale = 32767.0;

double BesselI0(double x)
{
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// Taps of a fractional delay of `delay` samples (the filter's centre plus the skew).
std::vector<double> DelayTaps(double delay)
{
    std::vector<double> taps(TLoopbackLine::kTaps);
    const double half = kTapCount / 2.0;
    double sum = 0.0;
    for (int n = 0; n < kTapCount; ++n) {
        const double t = n - delay;
        const double sinc = std::fabs(t) < 1e-12 ? 1.0 : std::sin(std::numbers::pi * t) / (std::numbers::pi * t);
        // The window follows the delayed centre, so the taps stay symmetric about it.
        const double r = t / half;
        const double window =
            std::fabs(r) < 1.0 ? BesselI0(kKaiserBeta * std::sqrt(1.0 - r * r)) / BesselI0(kKaiserBeta) : 0.0;
        taps[static_cast<size_t>(n)] = sinc * window;
        sum += taps[static_cast<size_t>(n)];
    }
    for (double &tap : taps)
        tap /= sum;
    return taps;
}

}  // namespace

double CubicForImd3(double dbc, double toneAmplitude)
{
    const double r = std::pow(10.0, dbc / 20.0);
    const double a2 = toneAmplitude * toneAmplitude;
    return r / (a2 * (0.75 + 2.25 * r));
}

TLoopbackLine::TLoopbackLine(const TLoopbackLineOptions &options, double sampleRate)
{
    const double skewSamples =
        std::clamp(options.SkewUs, -kLoopbackMaxSkewUs, kLoopbackMaxSkewUs) * 1e-6 * sampleRate;
    FTransparent = options.SkewUs == 0.0 && options.RightGainDb == 0.0 && options.DistortionDbc == 0.0;
    FRightGain = std::pow(10.0, options.RightGainDb / 20.0);
    if (options.DistortionDbc < 0.0)
        FCubic = CubicForImd3(options.DistortionDbc, std::pow(10.0, kLoopbackDistortionToneDbfs / 20.0));
    // Both channels pass the same latency of half the filter, so only the skew tells them apart.
    const double centre = kTapCount / 2.0 - 1.0;
    FLeftTaps = DelayTaps(centre);
    FRightTaps = DelayTaps(centre + skewSamples);
    FLeftHistory.assign(2 * kTaps, 0.0);
    FRightHistory.assign(2 * kTaps, 0.0);
}

double TLoopbackLine::Push(const std::vector<double> &taps, std::vector<double> &history, double sample) const
{
    // Each sample is stored twice, kTaps apart, so the newest kTaps samples always lie in one
    // contiguous run, newest first, starting at FNewest.
    history[FNewest] = history[FNewest + kTaps] = sample;
    const double *newestFirst = history.data() + FNewest;
    double sum = 0.0;
    for (size_t n = 0; n < taps.size(); ++n)
        sum += taps[n] * newestFirst[n];
    return sum;
}

int16_t TLoopbackLine::Shape(double x) const
{
    const double y = (x - FCubic * x * x * x) * kFullScale;
    return static_cast<int16_t>(std::clamp(std::lround(y), -32768L, 32767L));
}

void TLoopbackLine::Process(int16_t *interleaved, size_t frames)
{
    if (FTransparent)
        return;
    for (size_t f = 0; f < frames; ++f) {
        FNewest = FNewest == 0 ? kTaps - 1 : FNewest - 1;
        const double left = Push(FLeftTaps, FLeftHistory, interleaved[2 * f] / kFullScale);
        const double right = Push(FRightTaps, FRightHistory, interleaved[2 * f + 1] / kFullScale);
        interleaved[2 * f] = Shape(left);
        interleaved[2 * f + 1] = Shape(FRightGain * right);
    }
}

}  // namespace zelvaro
