// Analyser frames: averaged spectra of the sample histories in dB per plot column, and the
// finished plot image that the window paints.
#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "samplehistory.h"
#include "sigcore.h"

class QPainter;

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

class TPlotRenderer;

// The analyser as the main window sees it. Construct it after the QGuiApplication (the plot
// font needs the font database). The window pushes a full TSpectrumSettings whenever a span,
// calibration, dB window or channel button changes; the processing thread calls
// UpdateSpectrum() once per tick while the analyser is on; FrameReady queues a repaint, and the
// paint handler draws the plot with PaintTo() and then its pointer readout on top.
//
// Threading rules:
//  - UpdateSpectrum() runs on the processing thread, one call at a time. It alone touches the
//    averages, the sigcore transform tables and the private frame image.
//  - SetSettings() and Settings() may be called from any thread (the GUI thread writes); the
//    settings are copied under a lock once at the start of each frame.
//  - PaintTo(), CurrentFrame() and FramesShown() may be called from any thread (the GUI paints);
//    the shown image only ever holds complete frames, exchanged under DisplayLock.
//  - FrameReady runs on the processing thread after each frame, outside every lock; it should
//    only queue a repaint of the plot on the GUI thread.
class TSpectrumAnalyser {
public:
    // plotSize is PlotWidth x PlotHeight of the plot area; the width is also the number of
    // columns. The plot starts as the empty dark-blue background.
    TSpectrumAnalyser(const TSampleHistory &history, QSize plotSize,
                      std::function<void()> frameReady = {});
    ~TSpectrumAnalyser();
    TSpectrumAnalyser(const TSpectrumAnalyser &) = delete;
    TSpectrumAnalyser &operator=(const TSpectrumAnalyser &) = delete;

    void SetSettings(const TSpectrumSettings &settings);
    TSpectrumSettings Settings() const;

    // One analyser frame: compute, draw into the private image, show it, notify.
    void UpdateSpectrum();

    // Draws the last complete frame (or its source part) with its top-left at target.
    void PaintTo(QPainter &painter, QPoint target, QRect source = QRect()) const;
    // A deep copy of the last complete frame.
    QImage CurrentFrame() const;
    // Number of frames shown so far (0: the empty plot).
    std::uint64_t FramesShown() const { return FFramesShown.load(std::memory_order_acquire); }

    QSize PlotSize() const { return FPlotSize; }

private:
    const TSampleHistory &FHistory;
    const QSize FPlotSize;
    const std::function<void()> FFrameReady;

    mutable std::mutex FSettingsLock;
    TSpectrumSettings FSettings;

    // Processing thread only.
    TSpectrumComputer FComputer;
    TSpectrumColumns FColumns;
    std::unique_ptr<TPlotRenderer> FRenderer;
    QImage FFrame;

    mutable std::mutex FDisplayLock;  // guards FShown
    QImage FShown;
    std::atomic<std::uint64_t> FFramesShown{0};
};

}  // namespace zelvaro
