// The live IMD readout's side of the analyser: a power average of the frames' spectra that the
// two-tone measurement reads, and the hysteresis that keeps the shown digits still.
#pragma once

#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "imdmeasure.h"

namespace zelvaro {

// Frames whose powers make up the running average: at 10 frames per second a change settles
// within about a second, and the floor's variance drops by the same factor.
constexpr int kImdAverageFrames = 8;

// Which input channel a measurement reads.
enum class TMeasuredChannel { Left, Right };

// The trace the readout measures: the left one, or the right one when only the right is shown.
TMeasuredChannel MeasuredChannel(bool leftShown, bool rightShown);

// Power average of one channel's last kImdAverageFrames frames, all weighted equally. A sliding
// window rather than an exponential average: a transient (the tones starting, a level step) is
// gone from the readout kImdAverageFrames frames later instead of lingering in the floor for many
// seconds. A different transform length, channel or generator tone pair starts a new average.
// AddFrame runs on the processing thread; Snapshot may be called from any thread.
class TImdAverager {
public:
    TImdAverager();

    // magnitudes: |X[k]| of one frame, k = 0 .. fftSize/2 (the Nyquist bin included).
    // key: anything that, when it changes, makes the old average meaningless (tone hints).
    void AddFrame(std::span<const float> magnitudes, int fftSize, TMeasuredChannel channel,
                  double key);
    void Clear();

    struct TSnapshot {
        std::vector<double> Power;  // fftSize/2 + 1 bins; empty before the first frame
        int FftSize = 0;
        int Frames = 0;              // equivalent number of equally weighted frames
        TMeasuredChannel Channel = TMeasuredChannel::Left;
    };
    TSnapshot Snapshot() const;

    // Measures the average in place (no copy), for the processing thread's per-frame readout.
    TImdResult Measure(double sampleRate, const TImdParams &params) const;

private:
    int EquivalentFrames() const;
    void Restart(size_t bins);

    mutable std::mutex FLock;  // the GUI thread's snapshots against the processing thread's frames
    std::vector<double> FPower;     // the average of the frames in the window
    std::vector<std::vector<float>> FRing;  // the window's frames, |X|^2
    int FFftSize = 0;
    int FCount = 0;                 // frames added since the start
    int FNext = 0;                  // ring slot of the next frame
    TMeasuredChannel FChannel = TMeasuredChannel::Left;
    double FKey = 0.0;
};

// A reading shown with a fixed resolution that moves only when the new value lies at least one
// resolution step away from the shown one: noise of a fraction of a step never flickers the last
// digit, a real change of a step shows at once. Returns the value to show.
double SteadyReading(std::optional<double> shown, double fresh, double resolution);

}  // namespace zelvaro
