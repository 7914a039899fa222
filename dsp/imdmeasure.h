// Two-tone intermodulation measurement over a Hann-windowed power spectrum: the two tones, the
// products IMD3..IMD9 on both sides, the local noise floor and the three references.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zelvaro {

constexpr std::array<int, 4> kImdOrders = {3, 5, 7, 9};
constexpr int kMinToneSpacingBins = 4;  // closer tones share their main lobes
constexpr double kToneMarginDb = 20.0;   // a tone must stand this far above the floor
constexpr double kBelowFloorMarginDb = 3.0;

// How a power spectrum was made, so that its bins can be turned into hertz and dBFS.
struct TSpectrumScale {
    int FftSize = 65536;
    double SampleRate = 22050.0;
    double WindowSum = 32767.5;         // sum of the window's coefficients
    double WindowSumSquares = 24575.625;  // sum of their squares
    double FullScale = 32767.0;         // sample value of a full-scale sine's peak
    int Frames = 1;                     // frames whose power was averaged

    double HzPerBin() const { return SampleRate / FftSize; }
};

// The scale of the symmetric Hann window that the analyser applies, for a transform length.
TSpectrumScale HannScale(int fftSize, double sampleRate, int frames = 1);

// What to analyse. Zero band edges mean 0 Hz and Nyquist; zero hints mean "unknown".
struct TImdParams {
    double BandLowHz = 0.0;
    double BandHighHz = 0.0;
    // The generator's tone frequencies when it plays them: the spacing of the tones found must
    // match theirs (a receiver in the loop may shift both, never their spacing).
    double HintHz1 = 0.0;
    double HintHz2 = 0.0;
};

enum class TImdStatus {
    Measured,
    InvalidSpectrum,  // empty, wrong length, negative or not-a-number bins
    NoTone,           // nothing stands 20 dB above the floor
    OneTone,          // only one tone does
    TonesTooClose,    // the two tones are fewer than 4 bins apart
    SpacingMismatch,  // the two strongest peaks are not the generator's tones
};

struct TToneReading {
    double Hz = 0.0;
    double Dbfs = 0.0;
};

struct TProductReading {
    int Order = 3;
    bool Upper = false;  // 2f2 - f1 side; lower is 2f1 - f2
    double Hz = 0.0;
    double Dbfs = 0.0;   // the local floor's level when BelowFloor
    double Dbc = 0.0;    // against the stronger tone
    double Dbpep = 0.0;  // against the sum of both tones' amplitudes
    bool BelowFloor = false;
};

struct TImdResult {
    TImdStatus Status = TImdStatus::InvalidSpectrum;
    std::string Message;  // why nothing was measured; empty when Status is Measured
    std::array<TToneReading, 2> Tones{};  // rising frequency
    int ReferenceTone = 0;                // index into Tones of the stronger tone
    double FloorDbfs = 0.0;
    std::vector<TProductReading> Products;  // order 3, 5, 7, 9; lower before upper
    std::optional<double> D3Db;             // absent when either IMD3 product is out of band
    int FftSize = 0;
    double SampleRate = 0.0;
    int Frames = 0;

    bool Measured() const { return Status == TImdStatus::Measured; }
};

// Measures a power spectrum of FftSize/2 + 1 bins (|X[k]|^2, DC to Nyquist, averaged over
// scale.Frames frames). Levels come from the energy of each main lobe, so they do not depend on
// where a frequency falls between bins; 0 dBFS is a full-scale sine.
TImdResult MeasureImd(std::span<const double> power, const TSpectrumScale &scale,
                      const TImdParams &params = {});

// Sub-bin position of a Hann-windowed tone whose strongest bin is peakBin: the closed form from
// the ratio of the stronger neighbour to the peak.
double InterpolatedPeakBin(std::span<const double> power, int peakBin);

// Level in dBFS of a sine whose main lobe spans centreBin - 2 .. centreBin + 2.
double LobeLevelDbfs(std::span<const double> power, int centreBin, const TSpectrumScale &scale);

// Median of a per-bin power as the mean noise power per bin: the median of an average of
// `frames` exponential variables lies below its mean, by ln 2 for one frame.
double NoiseMeanFromMedian(double median, int frames);

// Third-order intercept from a level sweep: each step's drive (dB), its stronger tone (dBFS) and
// IMD3 (the stronger side, dBc). Only steps where IMD3 rises close to 3 dB per dB of drive count.
struct TSweepPoint {
    double LevelDb = 0.0;
    double ToneDbfs = 0.0;
    double Imd3Dbc = 0.0;
    bool Imd3Valid = false;  // measured and above the floor
};
struct TIntercept {
    double OutputDbfs = 0.0;  // OIP3: tone level where IMD3 would reach it
    double InputDb = 0.0;     // IIP3: the drive level at that point
    std::vector<double> StepsDb;  // drive levels of the steps that were used
};
std::optional<TIntercept> ThirdOrderIntercept(std::span<const TSweepPoint> points);

}  // namespace zelvaro
