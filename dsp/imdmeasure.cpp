// Two-tone measurement: tone search, sub-bin interpolation, lobe energies, local floors, products.
#include "imdmeasure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <utility>

namespace zelvaro {

namespace {

constexpr int kLobeHalfWidth = 2;      // Hann's main lobe: the peak bin and two on each side
constexpr int kLobeBins = 2 * kLobeHalfWidth + 1;
constexpr int kExcludeHalfWidth = 3;   // bins around a tone or product kept out of a floor
constexpr int kLocalFloorHalfWidth = 64;
constexpr int kMinFloorBins = 8;
// A second peak is a tone only where it stands this far above the first tone's leakage.
constexpr double kAboveLeakageDb = 10.0;
// Two-tone tests use tones of similar level; a peak this far below the stronger is a product or
// a spur, not the second tone.
constexpr double kMaxToneDifferenceDb = 40.0;
// The generator's spacing and the found one may differ by this much (interpolation, calibration).
constexpr double kHintSpacingToleranceBins = 3.0;
constexpr double kTinyPower = 1e-300;

double PowerRatio(double db)
{
    return std::pow(10.0, db / 10.0);
}

double Db20(double ratio)
{
    return 20.0 * std::log10(std::max(ratio, 1e-150));
}

// Envelope of a Hann window's leakage, in power relative to the peak, at x bins from a tone.
double HannLeakageEnvelope(double x)
{
    const double distance = std::max(std::fabs(x) - 0.5, 1.5);  // the tone may sit between bins
    const double magnitude = 1.0 / (std::numbers::pi * distance * (distance * distance - 1.0));
    return magnitude * magnitude;
}

struct TBand {
    int Low = 0;   // first bin whose whole lobe lies inside the band and away from DC
    int High = 0;  // last such bin
    bool Contains(int bin) const { return bin >= Low && bin <= High; }
};

TBand BandOf(const TSpectrumScale &scale, const TImdParams &params, int lastBin)
{
    const double hzPerBin = scale.HzPerBin();
    const double highHz = params.BandHighHz > 0.0 ? params.BandHighHz : scale.SampleRate / 2.0;
    TBand band;
    band.Low = std::max(kLobeHalfWidth + 1, static_cast<int>(std::ceil(params.BandLowHz / hzPerBin)));
    band.High = std::min(lastBin - kLobeHalfWidth - 1, static_cast<int>(std::floor(highHz / hzPerBin)));
    return band;
}

double LobeEnergy(std::span<const double> power, int centre)
{
    double sum = 0.0;
    for (int k = centre - kLobeHalfWidth; k <= centre + kLobeHalfWidth; ++k)
        sum += power[static_cast<size_t>(k)];
    return sum;
}

// Amplitude (full scale = 1) of a sine whose lobe holds this energy: one side of the spectrum
// holds N * A^2 * sum(w^2) / 4 of a sine of amplitude A, in sample units squared.
double AmplitudeOfEnergy(double energy, const TSpectrumScale &scale)
{
    const double amplitude =
        std::sqrt(std::max(energy, 0.0) * 4.0 / (scale.FftSize * scale.WindowSumSquares));
    return amplitude / scale.FullScale;
}

// Marks the bins of each centre's lobe and its neighbours, which no floor may count.
std::vector<bool> ExclusionMask(size_t bins, const std::vector<int> &centres)
{
    std::vector<bool> mask(bins, false);
    for (int c : centres)
        for (int k = std::max(c - kExcludeHalfWidth, 0); k <= std::min(c + kExcludeHalfWidth, static_cast<int>(bins) - 1); ++k)
            mask[static_cast<size_t>(k)] = true;
    return mask;
}

double Median(std::vector<double> &values)
{
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The energy that noise alone puts into a lobe, from the median of the bins of [from, to]
// that are no tone's or product's. A wide range is sampled at a stride: a median of a couple of
// thousand bins is as good as one of all, and a measurement must cost little beside a frame.
std::optional<double> FloorEnergy(std::span<const double> power, int from, int to,
                                  const std::vector<bool> &excluded, int frames)
{
    constexpr int kMaxFloorSamples = 2048;
    const int stride = std::max(1, (to - from + 1) / kMaxFloorSamples);
    std::vector<double> bins;
    bins.reserve(static_cast<size_t>(std::max((to - from) / stride + 1, 0)));
    for (int k = from; k <= to; k += stride)
        if (!excluded[static_cast<size_t>(k)])
            bins.push_back(power[static_cast<size_t>(k)]);
    if (static_cast<int>(bins.size()) < kMinFloorBins)
        return std::nullopt;
    return kLobeBins * NoiseMeanFromMedian(Median(bins), frames);
}

std::string FormatHz(double hz)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f Hz", hz);
    return text;
}

TImdResult Failed(TImdResult result, TImdStatus status, std::string message)
{
    result.Status = status;
    result.Message = std::move(message);
    return result;
}

}  // namespace

TSpectrumScale HannScale(int fftSize, double sampleRate, int frames)
{
    // Symmetric Hann, 0.5 - 0.5 cos(2 pi n / (N - 1)), summed in closed form.
    TSpectrumScale scale;
    scale.FftSize = fftSize;
    scale.SampleRate = sampleRate;
    scale.WindowSum = (fftSize - 1) / 2.0;
    scale.WindowSumSquares = 3.0 * (fftSize - 1) / 8.0;
    scale.Frames = frames;
    return scale;
}

double NoiseMeanFromMedian(double median, int frames)
{
    // One frame: exponential, median = mean ln 2. More frames: a gamma variable, whose median the
    // Wilson-Hilferty approximation gives within 0.3 % from two frames on.
    if (frames <= 1)
        return median / std::numbers::ln2;
    const double f = frames;
    const double ratio = std::pow(1.0 - 1.0 / (9.0 * f), 3.0);
    return median / ratio;
}

double InterpolatedPeakBin(std::span<const double> power, int peakBin)
{
    const auto at = [&](int k) { return std::sqrt(std::max(power[static_cast<size_t>(k)], 0.0)); };
    const double peak = at(peakBin);
    const double left = at(peakBin - 1);
    const double right = at(peakBin + 1);
    if (!(peak > 0.0))
        return peakBin;
    // For Hann, |X[k+1]| / |X[k]| = (1 + d) / (2 - d) for a tone at k + d, 0 <= d <= 1.
    const bool towardsRight = right >= left;
    const double ratio = (towardsRight ? right : left) / peak;
    const double offset = std::clamp((2.0 * ratio - 1.0) / (1.0 + ratio), 0.0, 1.0);
    return towardsRight ? peakBin + offset : peakBin - offset;
}

double LobeLevelDbfs(std::span<const double> power, int centreBin, const TSpectrumScale &scale)
{
    return Db20(AmplitudeOfEnergy(LobeEnergy(power, centreBin), scale));
}

TImdResult MeasureImd(std::span<const double> power, const TSpectrumScale &scale,
                      const TImdParams &params)
{
    TImdResult result;
    result.FftSize = scale.FftSize;
    result.SampleRate = scale.SampleRate;
    result.Frames = scale.Frames;

    const int lastBin = scale.FftSize / 2;
    if (scale.FftSize < 16 || static_cast<int>(power.size()) != lastBin + 1 || !(scale.SampleRate > 0.0))
        return Failed(result, TImdStatus::InvalidSpectrum, "the spectrum does not match its transform length");
    if (std::any_of(power.begin(), power.end(), [](double p) { return !(p >= 0.0) || std::isinf(p); }))
        return Failed(result, TImdStatus::InvalidSpectrum,
                      "the spectrum holds values that are not numbers; nothing was measured");
    const TBand band = BandOf(scale, params, lastBin);
    if (band.High - band.Low < 2 * kLobeBins)
        return Failed(result, TImdStatus::InvalidSpectrum, "the analysed band is too narrow");

    const double hzPerBin = scale.HzPerBin();
    // A first floor over the whole band: tones are a handful of bins among thousands.
    const auto bandFloor = FloorEnergy(power, band.Low, band.High, std::vector<bool>(power.size(), false), scale.Frames);
    const double detectFloor = std::max(bandFloor.value_or(0.0), kTinyPower);
    const double toneThreshold = detectFloor * PowerRatio(kToneMarginDb);

    int first = band.Low;
    for (int k = band.Low; k <= band.High; ++k)
        if (power[static_cast<size_t>(k)] > power[static_cast<size_t>(first)])
            first = k;
    if (!(LobeEnergy(power, first) > toneThreshold))
        return Failed(result, TImdStatus::NoTone,
                      "no tone stands 20 dB above the noise floor: is a signal connected?");
    const double firstBinPos = InterpolatedPeakBin(power, first);
    const double firstPeak = power[static_cast<size_t>(first)];

    // Leakage that can raise a bin into a peak: the first tone's, and that of a DC offset or a
    // Nyquist-rate component, whose lobes lie outside the band.
    const std::array<std::pair<double, double>, 3> leakers = {
        {{firstBinPos, firstPeak}, {0.0, power[0]}, {static_cast<double>(lastBin), power[static_cast<size_t>(lastBin)]}}};
    const double weakestTone = firstPeak / PowerRatio(kMaxToneDifferenceDb);
    int second = -1;
    for (int k = band.Low; k <= band.High; ++k) {
        const double p = power[static_cast<size_t>(k)];
        if (k == first || !(p > power[static_cast<size_t>(k - 1)] && p >= power[static_cast<size_t>(k + 1)]))
            continue;
        if (p < weakestTone || std::abs(k - first) < 2 || (second >= 0 && p <= power[static_cast<size_t>(second)]))
            continue;
        double leakage = 0.0;
        for (const auto &[position, peak] : leakers)
            leakage = std::max(leakage, peak * HannLeakageEnvelope(k - position));
        if (p < leakage * PowerRatio(kAboveLeakageDb))
            continue;
        if (second < 0 || p > power[static_cast<size_t>(second)])
            second = k;
    }
    if (second < 0 || !(LobeEnergy(power, second) > toneThreshold))
        return Failed(result, TImdStatus::OneTone,
                      "only one tone (" + FormatHz(firstBinPos * hzPerBin) +
                          ") stands 20 dB above the noise floor; two are needed");

    const int lowBin = std::min(first, second);
    const int highBin = std::max(first, second);
    const double lowPos = InterpolatedPeakBin(power, lowBin);
    const double highPos = InterpolatedPeakBin(power, highBin);
    const double spacingBins = highPos - lowPos;
    if (spacingBins < kMinToneSpacingBins)
        return Failed(result, TImdStatus::TonesTooClose,
                      "the two tones (" + FormatHz(lowPos * hzPerBin) + ", " + FormatHz(highPos * hzPerBin) +
                          ") are closer than 4 bins; choose a longer FFT or a wider spacing");
    if (params.HintHz1 > 0.0 && params.HintHz2 > 0.0) {
        const double hintSpacing = std::fabs(params.HintHz2 - params.HintHz1) / hzPerBin;
        if (std::fabs(hintSpacing - spacingBins) > kHintSpacingToleranceBins)
            return Failed(result, TImdStatus::SpacingMismatch,
                          "the two strongest peaks (" + FormatHz(lowPos * hzPerBin) + ", " +
                              FormatHz(highPos * hzPerBin) + ") are not the generator's tones, which are " +
                              FormatHz(hintSpacing * hzPerBin) + " apart");
    }

    const std::array<int, 2> toneBins = {lowBin, highBin};
    const std::array<double, 2> tonePos = {lowPos, highPos};
    std::array<double, 2> toneAmplitude{};
    for (size_t i = 0; i < 2; ++i) {
        toneAmplitude[i] = AmplitudeOfEnergy(LobeEnergy(power, toneBins[i]), scale);
        result.Tones[i] = {tonePos[i] * hzPerBin, Db20(toneAmplitude[i])};
    }
    result.ReferenceTone = toneAmplitude[1] > toneAmplitude[0] ? 1 : 0;
    const double referenceAmplitude = toneAmplitude[static_cast<size_t>(result.ReferenceTone)];
    const double pepAmplitude = toneAmplitude[0] + toneAmplitude[1];

    // Every product inside the band, and the bins a floor must not count.
    struct TPlace {
        int Order;
        bool Upper;
        double Pos;
        int Centre;
    };
    std::vector<TPlace> places;
    std::vector<int> excluded(toneBins.begin(), toneBins.end());
    for (int order : kImdOrders) {
        const double step = (order - 1) / 2 * spacingBins;
        for (bool upper : {false, true}) {
            const double pos = upper ? highPos + step : lowPos - step;
            const int centre = static_cast<int>(std::lround(pos));
            if (pos > 0.0 && pos < lastBin && band.Contains(centre)) {
                places.push_back({order, upper, pos, centre});
                excluded.push_back(centre);
            }
        }
    }

    const std::vector<bool> excludedMask = ExclusionMask(power.size(), excluded);
    const auto cleanFloor = FloorEnergy(power, band.Low, band.High, excludedMask, scale.Frames);
    const double bandFloorEnergy = cleanFloor.value_or(detectFloor);
    result.FloorDbfs = Db20(AmplitudeOfEnergy(bandFloorEnergy, scale));

    std::array<double, 2> imd3Amplitude{-1.0, -1.0};
    for (const TPlace &place : places) {
        const double floorEnergy =
            FloorEnergy(power, std::max(band.Low, place.Centre - kLocalFloorHalfWidth),
                        std::min(band.High, place.Centre + kLocalFloorHalfWidth), excludedMask, scale.Frames)
                .value_or(bandFloorEnergy);
        const double energy = LobeEnergy(power, place.Centre);
        TProductReading product;
        product.Order = place.Order;
        product.Upper = place.Upper;
        product.Hz = place.Pos * hzPerBin;
        product.BelowFloor = !(energy >= floorEnergy * PowerRatio(kBelowFloorMarginDb));
        const double amplitude = AmplitudeOfEnergy(product.BelowFloor ? floorEnergy : energy, scale);
        product.Dbfs = Db20(amplitude);
        product.Dbc = Db20(amplitude / referenceAmplitude);
        product.Dbpep = Db20(amplitude / pepAmplitude);
        if (place.Order == 3)
            imd3Amplitude[place.Upper ? 1 : 0] = amplitude;
        result.Products.push_back(product);
    }
    if (imd3Amplitude[0] >= 0.0 && imd3Amplitude[1] >= 0.0)
        result.D3Db = Db20((imd3Amplitude[0] + imd3Amplitude[1]) / pepAmplitude);
    result.Status = TImdStatus::Measured;
    return result;
}

std::optional<TIntercept> ThirdOrderIntercept(std::span<const TSweepPoint> points)
{
    // IMD3 in dBFS rises 3 dB per dB of drive while the distortion is purely third order; the
    // intercept extrapolated from any such step is tone + |IMD3 dBc| / 2.
    constexpr double kSlope = 3.0;
    constexpr double kSlopeTolerance = 0.5;
    std::vector<bool> used(points.size(), false);
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        const TSweepPoint &a = points[i];
        const TSweepPoint &b = points[i + 1];
        if (!a.Imd3Valid || !b.Imd3Valid || b.LevelDb == a.LevelDb)
            continue;
        const double slope = ((b.ToneDbfs + b.Imd3Dbc) - (a.ToneDbfs + a.Imd3Dbc)) / (b.LevelDb - a.LevelDb);
        if (std::fabs(slope - kSlope) <= kSlopeTolerance)
            used[i] = used[i + 1] = true;
    }
    TIntercept intercept;
    for (size_t i = 0; i < points.size(); ++i) {
        if (!used[i])
            continue;
        intercept.OutputDbfs += points[i].ToneDbfs - points[i].Imd3Dbc / 2.0;
        intercept.InputDb += points[i].LevelDb - points[i].Imd3Dbc / 2.0;
        intercept.StepsDb.push_back(points[i].LevelDb);
    }
    if (intercept.StepsDb.empty())
        return std::nullopt;
    const double count = static_cast<double>(intercept.StepsDb.size());
    intercept.OutputDbfs /= count;
    intercept.InputDb /= count;
    return intercept;
}

}  // namespace zelvaro
