// The sound card checking itself through a loopback cable: the delay between its channels from
// the phase of one tone against frequency, their gain difference, and whether the inputs hear it.
#pragma once

#include <complex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zelvaro {

// Frequencies the check plays one after the other, the same tone on both outputs. Rising, with
// steps small enough that the phase of a delay up to 1 ms unfolds from one to the next.
inline constexpr double kCardCheckHz[] = {250.0, 550.0, 1050.0, 1750.0, 2750.0, 4050.0, 5550.0, 7250.0};

// One tone heard on both inputs.
struct TChannelTone {
    double Hz = 0.0;
    double PhaseRad = 0.0;       // right against left, wrapped into (-pi, pi]
    double GainDifferenceDb = 0.0;  // right against left
};

// Measures the tone nearest expectedHz in both channels (Hann spectra, power in the main lobe,
// phase from the cross spectrum over it). Nothing when either input does not hold it 20 dB
// above its noise.
std::optional<TChannelTone> MeasureChannelTone(std::span<const float> left, std::span<const float> right,
                                               double expectedHz, double sampleRate);

struct TSkewFit {
    double SkewUs = 0.0;       // right later than left; the generator's skew that compensates it
    double ResidualUs = 0.0;   // RMS of the per-frequency delays about the fit
    double GainDifferenceDb = 0.0;  // mean over the tones
};

// Unfolds the phases in rising frequency and fits a straight line through them: its slope is the
// delay; a constant offset (an inverted channel) is not counted as delay. Delays unfold while
// they stay below half a period of the two lowest tones' spacing (1.67 ms for kCardCheckHz).
// Needs two tones or more, at different frequencies.
std::optional<TSkewFit> FitChannelSkew(std::span<const TChannelTone> tones);

// True when the level of some stretch of a steady recording (chunks of 512 samples) leaves the
// median's by more than 1 dB: a stretch of silence or of rubbish came in, as when an overloaded
// system starves the sound card. Recordings shorter than two chunks have none.
bool HasDropout(std::span<const float> samples);

}  // namespace zelvaro
