// The loopback card's analog stage: a delay of the right channel against the left by a fraction of
// a sample, a gain difference and a weak cubic nonlinearity, so a card check has something to find.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelvaro {

// Two equal tones at this level each make the cubic term's IMD3 read the DistortionDbc asked for.
constexpr double kLoopbackDistortionToneDbfs = -7.0;
constexpr double kLoopbackMaxSkewUs = 500.0;

struct TLoopbackLineOptions {
    double SkewUs = 0.0;         // right channel later than the left by this much (negative: earlier)
    double RightGainDb = 0.0;    // right channel's gain against the left
    double DistortionDbc = 0.0;  // IMD3 of the cubic term in dBc; 0: no nonlinearity
};

// Cubic coefficient c of y = x - c x^3 (full scale 1) whose IMD3 for two equal tones of amplitude a
// is `dbc` relative to each (compressed) tone: 3/4 c a^3 / (a - 9/4 c a^3).
double CubicForImd3(double dbc, double toneAmplitude);

class TLoopbackLine {
public:
    TLoopbackLine(const TLoopbackLineOptions &options, double sampleRate);

    bool Transparent() const { return FTransparent; }
    // Interleaved stereo 16-bit frames, in place. Both channels pass the same latency of
    // kTaps / 2 - 1 frames; the right one is moved by the skew on top, then scaled by the gain
    // difference; both pass the cubic term last.
    void Process(int16_t *interleaved, size_t frames);

    // Filter length: long enough that the delay holds to 0.01 us up to 9 kHz at 22050 Hz.
    static constexpr size_t kTaps = 128;

private:
    double Push(const std::vector<double> &taps, std::vector<double> &history, double sample) const;
    int16_t Shape(double x) const;

    bool FTransparent = true;
    double FRightGain = 1.0;
    double FCubic = 0.0;
    std::vector<double> FLeftTaps;
    std::vector<double> FRightTaps;
    std::vector<double> FLeftHistory;   // 2 kTaps: each sample twice, see Push
    std::vector<double> FRightHistory;
    size_t FNewest = 0;
};

}  // namespace zelvaro
