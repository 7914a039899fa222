// Column levels of the analyser frame: averaged magnitudes of the sample histories in dB per
// plot column. Qt-free; the frame image that shows the result lives in plot/analyser.h.
#pragma once

#include <array>
#include <vector>

#include "samplehistory.h"
#include "sigcore.h"

namespace zelvaro {

constexpr int kMinFftSize = 2048;
constexpr int kMaxFftSize = kHistoryLength;
constexpr int kMaxPlotPoints = 2048;  // the most plot columns a frame computes
constexpr int kFullScaleSample = 32767;

// The settings one analyser frame reads. The window's controls own the values; the analyser
// takes one copy per frame, so a frame never mixes an old and a new span or calibration.
struct TSpectrumSettings {
    int FftSize = 8192;      // 2048 .. 65536, a power of two
    float StartHz = 800.0f;  // frequency of plot column 0
    float HzPerBin = 22050.0f / 8192.0f;
    float FullScaleMag = 8192.0f * kFullScaleSample * 0.5f;  // magnitude shown as 0 dB
    int TopDb = 0;            // level at the top edge of the plot
    int BottomDb = -160;      // level at the bottom edge
    bool SALeftOn = true;     // draw the left trace
    bool SARightOn = false;   // draw the right trace
    bool UseWindow = true;    // Hann window before the transform
    int AvgCount = 2;         // each frame's magnitude counts 1 / AvgCount of the average
};

// One frame's levels, one value per plot column, each in [-160, 0] dB.
struct TSpectrumColumns {
    int NumPoints = 0;
    int FirstBin = 0;  // the FFT bin shown in column 0
    std::array<float, kMaxPlotPoints> LeftDb{};
    std::array<float, kMaxPlotPoints> RightDb{};
};

// A supported transform length for any requested one: powers of two within 2048 .. 65536
// pass unchanged; anything else is clamped into that range and rounded down to a power of two.
int ValidFftSize(int requested);

// log2 of a power-of-two transform length, as the table builder wants its order.
int FftOrderOf(int fftSize);

// Bin shown in plot column 0: StartHz / HzPerBin rounded, then kept where the whole plot reads
// averaged bins (0 .. fftSize/2 - 1) whatever the ruler or the calibration says.
int FirstPlottedBin(float startHz, float hzPerBin, int fftSize, int numPoints);

// The computation half of a frame. Owns the averages, the transform tables' size and the
// working buffers; used by the processing thread alone.
class TSpectrumComputer {
public:
    explicit TSpectrumComputer(int plotWidth);

    // Transforms the newest FftSize samples of both channels, folds them into the averages and
    // converts the plotted bins to dB. Rebuilds the tables and clears the averages when the
    // transform length changed since the previous frame.
    void Compute(const TSampleHistory &history, const TSpectrumSettings &settings,
                 TSpectrumColumns &columns);

    int TableFftSize() const { return FTableFftSize; }
    int NumPoints() const { return FNumPoints; }
    const std::vector<float> &AvgSpecL() const { return FAvgSpecL; }
    const std::vector<float> &AvgSpecR() const { return FAvgSpecR; }
    // The last frame's own magnitudes, bins 0 .. TableFftSize/2 (the Nyquist bin included).
    const std::vector<float> &MagL() const { return FMagL; }
    const std::vector<float> &MagR() const { return FMagR; }

private:
    void RebuildTables(int fftSize);
    void TransformChannel(std::vector<vskCplxF> &buffer, std::vector<float> &magnitudes,
                          bool useWindow) const;

    int FPlotWidth;
    int FTableFftSize = 0;
    int FFftOrder = 0;
    int FNumPoints = 0;
    std::vector<float> FAvgSpecL;
    std::vector<float> FAvgSpecR;
    // Transform buffers: FftSize samples in, FftSize/2 + 1 complex values (CCS layout) out.
    std::vector<vskCplxF> FTransformL;
    std::vector<vskCplxF> FTransformR;
    std::vector<float> FMagL;
    std::vector<float> FMagR;
};

}  // namespace zelvaro
