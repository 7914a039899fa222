// The analyser's frame cycle: compute, draw, exchange under DisplayLock, notify.
#include "analyser.h"

#include <QPainter>

#include <utility>

#include "plotrender.h"

namespace zelvaro {

TSpectrumAnalyser::TSpectrumAnalyser(const TSampleHistory &history, QSize plotSize,
                                     std::function<void()> frameReady)
    : FHistory(history),
      FPlotSize(plotSize),
      FFrameReady(std::move(frameReady)),
      FComputer(plotSize.width()),
      FRenderer(std::make_unique<TPlotRenderer>(plotSize, MakePlotFont())),
      FOverlay(std::make_unique<TFrameOverlay>(MakePlotFont())),
      FFrame(plotSize, QImage::Format_RGB32),
      FShown(plotSize, QImage::Format_RGB32)
{
    FFrame.fill(kPlotBackColour);
    FShown.fill(kPlotBackColour);
}

TSpectrumAnalyser::~TSpectrumAnalyser() = default;

void TSpectrumAnalyser::SetSettings(const TSpectrumSettings &settings)
{
    std::lock_guard<std::mutex> guard(FSettingsLock);
    FSettings = settings;
}

TSpectrumSettings TSpectrumAnalyser::Settings() const
{
    std::lock_guard<std::mutex> guard(FSettingsLock);
    return FSettings;
}

void TSpectrumAnalyser::SetDevicePixelRatio(qreal ratio)
{
    if (!(ratio > 0.0))
        return;
    std::lock_guard<std::mutex> guard(FSettingsLock);
    FDevicePixelRatio = ratio;
}

qreal TSpectrumAnalyser::DevicePixelRatio() const
{
    std::lock_guard<std::mutex> guard(FSettingsLock);
    return FDevicePixelRatio;
}

void TSpectrumAnalyser::UpdateSpectrum()
{
    // One copy of the settings for the whole frame: span, calibration and dB window may change
    // on the GUI thread meanwhile, and take effect at the next frame.
    TSpectrumSettings settings;
    qreal ratio = 1.0;
    {
        std::lock_guard<std::mutex> guard(FSettingsLock);
        settings = FSettings;
        ratio = FDevicePixelRatio;
    }
    FComputer.Compute(FHistory, settings, FColumns);
    FOverlay->AfterCompute(FComputer, FColumns, settings);
    FRenderer->RenderBackground(FFrame, settings, ratio);
    FOverlay->DrawUnder(FFrame, settings);
    FRenderer->RenderTraces(FFrame, FColumns, settings);
    FOverlay->DrawOver(FFrame, settings);
    {
        // The finished frame becomes the shown one; the old shown image is drawn over next time.
        // Nobody else holds a reference to either image, so the exchange copies no pixels.
        // The measurement layers' data changes with the picture, so a snapshot's image and its
        // numbers always belong to the same frame (lock order: DisplayLock, then the overlay's).
        std::lock_guard<std::mutex> guard(FDisplayLock);
        std::swap(FFrame, FShown);
        FOverlay->Publish(FFramesShown.load(std::memory_order_relaxed) + 1);
    }
    // Release: a reader that sees the new count also sees the frame behind it.
    FFramesShown.fetch_add(1, std::memory_order_release);
    if (FFrameReady)
        FFrameReady();
}

void TSpectrumAnalyser::PaintTo(QPainter &painter, QPoint target, QRect source) const
{
    std::lock_guard<std::mutex> guard(FDisplayLock);
    if (source.isNull()) {
        painter.drawImage(target, FShown);
        return;
    }
    const qreal ratio = FShown.devicePixelRatio();
    const QRectF deviceSource(source.x() * ratio, source.y() * ratio, source.width() * ratio,
                              source.height() * ratio);
    painter.drawImage(QRectF(target, source.size()), FShown, deviceSource);
}

QImage TSpectrumAnalyser::CurrentFrame() const
{
    std::lock_guard<std::mutex> guard(FDisplayLock);
    return FShown.copy();
}

TShownFrame TSpectrumAnalyser::ShownFrame() const
{
    std::lock_guard<std::mutex> guard(FDisplayLock);
    return {FShown.copy(), FOverlay->Shown()};
}

}  // namespace zelvaro
