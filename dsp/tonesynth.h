// Cosine-table tone synthesis of the two generator tones and the 16-bit stereo block they make.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace zelvaro {

constexpr int kCosTableLength = 262144;                 // 2^18 entries: one turn of the phase
constexpr int kCosTableMask = kCosTableLength - 1;       // index reduction modulo one turn
constexpr double kIndexUnitsPerDegree = 728.1777777777778;  // kCosTableLength / 360
constexpr int kToneBlockFrames = 2048;                  // stereo frames in one playback block
constexpr float kToneFullScale = 32767.0f;              // peak of a full-scale 16-bit tone

// CosTable: entry i = cos(2 pi i / 262144), the argument formed in extended precision.
std::vector<double> BuildCosTable();

// Phase increment per sample in table-index units, reduced into [0, kCosTableLength) so that one
// wrap per sample keeps the accumulator inside the table whatever rate and frequency are given.
// A rate that is not a positive finite number gives 0 (a constant output rather than garbage).
double PhaseIncrement(double freqHz, double rateHz);

// The phase that a delay of skewUs microseconds amounts to at freqHz, in degrees (not wrapped).
double SkewDegrees(double skewUs, double freqHz);

// An angle in table-index units reduced into [0, kCosTableLength).
double WrapTableUnits(double units);

// Table index of a phase in table-index units: truncated toward zero, then reduced modulo the
// table length, so any finite phase addresses an entry inside the table.
inline int TableIndex(double phase)
{
    return static_cast<int>(static_cast<int64_t>(phase) & kCosTableMask);
}

// Everything FillOutputBuffers reads from the shared settings, taken once per block.
struct TToneSettings {
    int LFreqHz = 0;
    int RFreqHz = 0;
    float LAmpl = 0.0f;          // linear amplitude 0..1
    float RAmpl = 0.0f;
    double SkewUs = 0.0;         // signed microseconds
    bool IQMode = false;
    bool MixTones = false;       // both tones summed on both outputs (I/Q mode then ignored)
    bool LeftOn = false;         // TLedLeft.Value
    bool RightOn = false;        // TLedRight.Value
    float EffSampleRate = 22050.0f;
};

// The two tone generators with their phase accumulators. Synthesis runs on the playback thread;
// the generator controls may reset or copy the phases from the GUI thread at any time. Such a
// request is also kept as a flag that the next tone-1 synthesis applies before it starts, so a
// request made while a block is being synthesised (whose write-back overwrites the phases) takes
// effect with the next block instead of being lost.
class TToneSynth {
public:
    TToneSynth();

    // Tone 1: applies pending phase requests, then advances LeftPhase by count samples. In I/Q
    // mode RightPhase first takes LeftPhase.
    void SynthTone(float *out, float *outQ, int count, double freqHz, double rateHz, float level,
                   bool iqMode);
    // Tone 2: advances RightPhase; both outputs carry the skew of skewUs microseconds.
    void SynthSkewedTone(float *out, float *outQ, int count, double freqHz, double rateHz,
                         float level, double skewUs);

    // One playback block: 2048 interleaved frames, left then right. A channel that is off is
    // silent, but both tones are synthesised so their phases advance regardless.
    void SynthBlock(const TToneSettings &settings, int16_t *interleaved);

    double LeftPhase() const { return FLeftPhase.load(std::memory_order_relaxed); }
    double RightPhase() const { return FRightPhase.load(std::memory_order_relaxed); }
    // Sets both phases at once; only for a synth that no other thread is running.
    void SetPhases(double left, double right);
    void ResetPhases();            // generator switched on: both tones start at phase 0
    void CopyLeftPhaseToRight();   // the "R = L" frequency button

    const std::vector<double> &CosTable() const { return FCosTable; }

private:
    enum : unsigned { kResetRequest = 1u, kCopyRequest = 2u };
    void ApplyPhaseRequests();

    const std::vector<double> FCosTable;
    std::atomic<unsigned> FPhaseRequests{0};
    std::atomic<double> FLeftPhase{0.0};
    std::atomic<double> FRightPhase{0.0};
};

}  // namespace zelvaro
