// Analyser frames: each tick's spectrum (dsp/columnlevels.h) drawn into a private image and exchanged
// for the one the window paints.
#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "columnlevels.h"
#include "frameoverlay.h"

class QPainter;

namespace zelvaro {

class TPlotRenderer;

// The shown frame's picture with the numbers it shows, taken together.
struct TShownFrame {
    QImage Image;
    TShownSpectrum Spectrum;
};

// The analyser as the main window sees it. Construct it after the QGuiApplication (the plot
// font needs the font database). The window pushes a full TSpectrumSettings whenever a span,
// calibration, dB window or channel button changes; the processing thread calls
// UpdateSpectrum() once per tick while the analyser is on; FrameReady queues a repaint, and the
// paint handler draws the plot with PaintTo() and then its pointer readout on top.
//
// Threading rules (docs/threads.md has all threads and locks in one picture):
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

    // Device pixels per logical pixel of the screen the plot is shown on; frames from the next
    // one on are drawn at that resolution (same plot size in logical pixels). Any thread.
    void SetDevicePixelRatio(qreal ratio);
    qreal DevicePixelRatio() const;

    // One analyser frame: compute, draw into the private image, show it, notify.
    void UpdateSpectrum();

    // Draws the last complete frame (or its source part) with its top-left at target; target and
    // source are logical pixels, whatever the frame's resolution.
    void PaintTo(QPainter &painter, QPoint target, QRect source = QRect()) const;
    // A deep copy of the last complete frame, in device pixels with its device pixel ratio set.
    QImage CurrentFrame() const;
    // The picture and the column values of the last complete frame, from one and the same frame.
    TShownFrame ShownFrame() const;
    // Number of frames shown so far (0: the empty plot).
    std::uint64_t FramesShown() const { return FFramesShown.load(std::memory_order_acquire); }

    QSize PlotSize() const { return FPlotSize; }

    // The measurement layers (readout average, peak hold, markers); their settings and results
    // may be used from any thread.
    TFrameOverlay &Overlay() { return *FOverlay; }
    const TFrameOverlay &Overlay() const { return *FOverlay; }

private:
    const TSampleHistory &FHistory;
    const QSize FPlotSize;
    const std::function<void()> FFrameReady;

    mutable std::mutex FSettingsLock;  // guards FSettings and FDevicePixelRatio
    TSpectrumSettings FSettings;
    qreal FDevicePixelRatio = 1.0;

    // Processing thread only.
    TSpectrumComputer FComputer;
    TSpectrumColumns FColumns;
    std::unique_ptr<TPlotRenderer> FRenderer;
    std::unique_ptr<TFrameOverlay> FOverlay;
    QImage FFrame;

    mutable std::mutex FDisplayLock;  // guards FShown
    QImage FShown;
    std::atomic<std::uint64_t> FFramesShown{0};
};

}  // namespace zelvaro
