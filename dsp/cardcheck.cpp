// Card check arithmetic: tone phase and gain per frequency, phase unfolding and the delay fit.
#include "cardcheck.h"

#include "imdmeasure.h"
#include "framepower.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zelvaro {

namespace {

constexpr int kLobeHalfWidth = 2;
constexpr int kSearchHalfWidth = 8;   // bins around the expected frequency
constexpr double kHeardMarginDb = 20.0;

double WrapPhase(double rad)
{
    return std::remainder(rad, 2.0 * std::numbers::pi);
}

double Median(std::vector<double> values)
{
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

}  // namespace

std::optional<TChannelTone> MeasureChannelTone(std::span<const float> left, std::span<const float> right,
                                               double expectedHz, double sampleRate)
{
    if (left.size() != right.size() || left.size() < 64)
        return std::nullopt;
    const auto l = HannSpectrum(left);
    const auto r = HannSpectrum(right);
    const int bins = static_cast<int>(l.size());
    const double hzPerBin = sampleRate / static_cast<double>(left.size());
    const int expected = static_cast<int>(std::lround(expectedHz / hzPerBin));
    const int from = std::max(kLobeHalfWidth + 1, expected - kSearchHalfWidth);
    const int to = std::min(bins - kLobeHalfWidth - 2, expected + kSearchHalfWidth);
    if (from > to)
        return std::nullopt;

    std::vector<double> power(l.size());
    for (size_t k = 0; k < l.size(); ++k)
        power[k] = std::norm(l[k]) + std::norm(r[k]);
    int peak = from;
    for (int k = from; k <= to; ++k)
        if (power[static_cast<size_t>(k)] > power[static_cast<size_t>(peak)])
            peak = k;

    double leftEnergy = 0.0, rightEnergy = 0.0;
    std::complex<double> cross;
    for (int k = peak - kLobeHalfWidth; k <= peak + kLobeHalfWidth; ++k) {
        const auto i = static_cast<size_t>(k);
        leftEnergy += std::norm(l[i]);
        rightEnergy += std::norm(r[i]);
        cross += r[i] * std::conj(l[i]);
    }
    // Each channel's noise: the median bin, as five bins of a lobe would hold it.
    const auto noiseOf = [&](const std::vector<std::complex<double>> &x) {
        std::vector<double> p;
        for (size_t k = 1; k < x.size(); k += 4)
            p.push_back(std::norm(x[k]));
        return (2 * kLobeHalfWidth + 1) * NoiseMeanFromMedian(Median(p), 1);
    };
    const double margin = std::pow(10.0, kHeardMarginDb / 10.0);
    if (!(leftEnergy > margin * noiseOf(l)) || !(rightEnergy > margin * noiseOf(r)))
        return std::nullopt;

    TChannelTone tone;
    tone.Hz = InterpolatedPeakBin(power, peak) * hzPerBin;
    tone.PhaseRad = std::arg(cross);
    tone.GainDifferenceDb = 10.0 * std::log10(rightEnergy / leftEnergy);
    return tone;
}

namespace {

struct TLine {
    double Slope = 0.0;   // rad per Hz
    double Offset = 0.0;  // rad
};

TLine LeastSquares(std::span<const TChannelTone> tones, std::span<const double> phases)
{
    double sf = 0, sp = 0, sff = 0, sfp = 0;
    for (size_t j = 0; j < phases.size(); ++j) {
        sf += tones[j].Hz;
        sp += phases[j];
        sff += tones[j].Hz * tones[j].Hz;
        sfp += tones[j].Hz * phases[j];
    }
    const double n = static_cast<double>(phases.size());
    TLine line;
    line.Slope = (n * sfp - sf * sp) / (n * sff - sf * sf);
    line.Offset = (sp - line.Slope * sf) / n;
    return line;
}

}  // namespace

std::optional<TSkewFit> FitChannelSkew(std::span<const TChannelTone> tones)
{
    if (tones.size() < 2)
        return std::nullopt;
    std::vector<TChannelTone> sorted(tones.begin(), tones.end());
    std::sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) { return a.Hz < b.Hz; });
    for (size_t i = 1; i < sorted.size(); ++i)
        if (!(sorted[i].Hz > sorted[i - 1].Hz))
            return std::nullopt;

    // phase = offset - 2 pi f tau. The step between the two lowest tones is the smallest, so their
    // phase difference alone (free of any constant offset, such as an inverted channel) gives a
    // first slope; each higher phase is then unfolded to the turn nearest the line fitted so far.
    std::vector<double> unfolded{sorted[0].PhaseRad, sorted[0].PhaseRad + WrapPhase(sorted[1].PhaseRad - sorted[0].PhaseRad)};
    TLine line = LeastSquares(sorted, unfolded);
    for (size_t i = 2; i < sorted.size(); ++i) {
        const double predicted = line.Offset + line.Slope * sorted[i].Hz;
        unfolded.push_back(predicted + WrapPhase(sorted[i].PhaseRad - predicted));
        line = LeastSquares(sorted, unfolded);
    }

    TSkewFit fit;
    fit.SkewUs = -line.Slope / (2.0 * std::numbers::pi) * 1e6;
    double squares = 0.0, gain = 0.0;
    for (size_t j = 0; j < sorted.size(); ++j) {
        const double residualRad = unfolded[j] - (line.Offset + line.Slope * sorted[j].Hz);
        const double residualUs = residualRad / (2.0 * std::numbers::pi * sorted[j].Hz) * 1e6;
        squares += residualUs * residualUs;
        gain += sorted[j].GainDifferenceDb;
    }
    fit.ResidualUs = std::sqrt(squares / static_cast<double>(sorted.size()));
    fit.GainDifferenceDb = gain / static_cast<double>(sorted.size());
    return fit;
}

bool HasDropout(std::span<const float> samples)
{
    constexpr size_t kChunk = 512;
    constexpr double kToleranceDb = 1.0;
    const size_t chunks = samples.size() / kChunk;
    if (chunks < 2)
        return false;
    std::vector<double> power(chunks);
    for (size_t c = 0; c < chunks; ++c) {
        double sum = 0.0;
        for (float x : samples.subspan(c * kChunk, kChunk))
            sum += static_cast<double>(x) * x;
        power[c] = sum / kChunk;
    }
    const double median = Median(power);
    const double limit = std::pow(10.0, kToleranceDb / 10.0);
    return std::any_of(power.begin(), power.end(),
                       [&](double p) { return !(p <= median * limit) || !(p * limit >= median); });
}

}  // namespace zelvaro
