// Tone synthesis from one cosine table: two phase accumulators, quadrature and skew offsets.
#include "tonesynth.h"

#include <sigcore.h>

#include <array>
#include <cmath>

namespace zelvaro {

namespace {
constexpr double kTurn = static_cast<double>(kCosTableLength);
constexpr long double kTwoPi = 6.283185307179586L;
constexpr long double kTableStep = 3.814697265625e-06L;  // 1 / 262144
constexpr double kSkewDegreesPerUsHz = 0.00036;          // 360 * 1e-6
constexpr double kQuadratureNegativeLevel = 90.0;        // degrees, level <= 0
constexpr double kQuadraturePositiveLevel = 270.0;       // degrees, level > 0

double QuadratureDegrees(float level)
{
    return level > 0.0f ? kQuadraturePositiveLevel : kQuadratureNegativeLevel;
}

// Amplitudes outside 0..1 (or not a number) would overflow the 16-bit conversion.
float SafeAmplitude(float amplitude)
{
    if (!(amplitude > 0.0f))
        return 0.0f;
    return amplitude > 1.0f ? 1.0f : amplitude;
}

// Keeps an accumulator in [0, turn) after adding an increment that is itself in [0, turn).
double AdvancePhase(double phase, double inc)
{
    phase += inc;
    if (phase >= kTurn)
        phase -= kTurn;
    if (phase < 0.0)
        phase += kTurn;
    return phase;
}
}  // namespace

std::vector<double> BuildCosTable()
{
    std::vector<double> table(kCosTableLength);
    for (int i = 0; i < kCosTableLength; ++i) {
        const auto angle = static_cast<double>(static_cast<long double>(i) * kTwoPi * kTableStep);
        table[static_cast<size_t>(i)] = std::cos(angle);
    }
    return table;
}

double WrapTableUnits(double units)
{
    if (!std::isfinite(units))
        return 0.0;
    double wrapped = std::fmod(units, kTurn);
    if (wrapped < 0.0)
        wrapped += kTurn;
    return wrapped >= kTurn ? 0.0 : wrapped;  // -tiny + turn may round up to exactly one turn
}

double PhaseIncrement(double freqHz, double rateHz)
{
    if (!(rateHz > 0.0) || !std::isfinite(rateHz))
        return 0.0;
    return WrapTableUnits(kTurn * freqHz / rateHz);
}

double SkewDegrees(double skewUs, double freqHz)
{
    return skewUs * freqHz * kSkewDegreesPerUsHz;
}

TToneSynth::TToneSynth() : FCosTable(BuildCosTable()) {}

void TToneSynth::SetPhases(double left, double right)
{
    FLeftPhase.store(WrapTableUnits(left), std::memory_order_relaxed);
    FRightPhase.store(WrapTableUnits(right), std::memory_order_relaxed);
}

// The immediate stores make the request visible at once; the flag makes it survive the
// write-back of a block that is being synthesised meanwhile.
void TToneSynth::ResetPhases()
{
    SetPhases(0.0, 0.0);
    FPhaseRequests.fetch_or(kResetRequest, std::memory_order_relaxed);
}

void TToneSynth::CopyLeftPhaseToRight()
{
    FRightPhase.store(LeftPhase(), std::memory_order_relaxed);
    FPhaseRequests.fetch_or(kCopyRequest, std::memory_order_relaxed);
}

// A reset and a copy requested together give the same phases in either order: both 0.
void TToneSynth::ApplyPhaseRequests()
{
    const unsigned requests = FPhaseRequests.exchange(0, std::memory_order_relaxed);
    if (requests & kResetRequest)
        SetPhases(0.0, 0.0);
    if (requests & kCopyRequest)
        FRightPhase.store(LeftPhase(), std::memory_order_relaxed);
}

void TToneSynth::SynthTone(float *out, float *outQ, int count, double freqHz, double rateHz,
                           float level, bool iqMode)
{
    const double *table = FCosTable.data();
    const float amp = std::fabs(level);
    const double inc = PhaseIncrement(freqHz, rateHz);
    const double qoff = QuadratureDegrees(level) * kIndexUnitsPerDegree;
    ApplyPhaseRequests();
    double phase = LeftPhase();
    if (iqMode)
        FRightPhase.store(phase, std::memory_order_relaxed);
    for (int i = 0; i < count; ++i) {
        out[i] = static_cast<float>(table[TableIndex(phase)] * amp);
        if (outQ)
            outQ[i] = static_cast<float>(table[TableIndex(phase + qoff)] * amp);
        phase = AdvancePhase(phase, inc);
    }
    FLeftPhase.store(phase, std::memory_order_relaxed);
}

void TToneSynth::SynthSkewedTone(float *out, float *outQ, int count, double freqHz, double rateHz,
                                 float level, double skewUs)
{
    const double *table = FCosTable.data();
    const float amp = std::fabs(level);
    const double inc = PhaseIncrement(freqHz, rateHz);
    const double skewDeg = SkewDegrees(skewUs, freqHz);
    // Both offsets are reduced modulo one turn: a typed-in skew may amount to many turns.
    const double qoff = WrapTableUnits((skewDeg + QuadratureDegrees(level)) * kIndexUnitsPerDegree);
    const double skewOff = WrapTableUnits(skewDeg * kIndexUnitsPerDegree);
    double phase = RightPhase();
    int k = TableIndex(phase + skewOff + 0.5);  // the first sample rounds, the rest truncate
    for (int i = 0; i < count; ++i) {
        out[i] = static_cast<float>(table[k] * amp);
        if (outQ)
            outQ[i] = static_cast<float>(table[TableIndex(phase + qoff)] * amp);
        phase = AdvancePhase(phase, inc);
        k = TableIndex(phase + skewOff);
    }
    FRightPhase.store(phase, std::memory_order_relaxed);
}

void TToneSynth::SynthBlock(const TToneSettings &settings, int16_t *interleaved)
{
    std::array<float, kToneBlockFrames> tone1;
    std::array<float, kToneBlockFrames> tone2;
    std::array<float, kToneBlockFrames> tone2Q;
    std::array<int16_t, kToneBlockFrames> left16{};
    std::array<int16_t, kToneBlockFrames> right16{};
    const double rate = settings.EffSampleRate;

    const bool iqMode = settings.IQMode && !settings.MixTones;
    // The level is passed negated, so the quadrature output is always the +90 degree one.
    SynthTone(tone1.data(), nullptr, kToneBlockFrames, settings.LFreqHz, rate,
              SafeAmplitude(settings.LAmpl) * -kToneFullScale, iqMode);
    // The quadrature output only feeds the right channel in I/Q mode; the phase advances alike.
    SynthSkewedTone(tone2.data(), iqMode ? tone2Q.data() : nullptr, kToneBlockFrames,
                    settings.RFreqHz, rate,
                    SafeAmplitude(settings.RAmpl) * -kToneFullScale, settings.SkewUs);

    if (settings.MixTones) {
        // One sum for both outputs, for a transmitter with a single audio input.
        std::array<float, kToneBlockFrames> mixed;
        for (size_t f = 0; f < mixed.size(); ++f)
            mixed[f] = tone1[f] + tone2[f];
        if (settings.LeftOn)
            vsksbFloatToInt(mixed.data(), left16.data(), kToneBlockFrames, 16, VSK_CVT_NEAREST);
        if (settings.RightOn)
            vsksbFloatToInt(mixed.data(), right16.data(), kToneBlockFrames, 16, VSK_CVT_NEAREST);
    } else {
        if (settings.LeftOn)
            vsksbFloatToInt(tone1.data(), left16.data(), kToneBlockFrames, 16, VSK_CVT_NEAREST);
        if (settings.RightOn) {
            const float *right = iqMode ? tone2Q.data() : tone2.data();
            vsksbFloatToInt(right, right16.data(), kToneBlockFrames, 16, VSK_CVT_NEAREST);
        }
    }
    for (size_t f = 0; f < static_cast<size_t>(kToneBlockFrames); ++f) {
        interleaved[2 * f] = left16[f];
        interleaved[2 * f + 1] = right16[f];
    }
}

}  // namespace zelvaro
