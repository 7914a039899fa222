// The measurement layers of the analyser's frames: the power average and live two-tone
// measurement, peak hold, and the markers (IM-locked and the user's M1/M2) drawn into the frame.
#pragma once

#include <QFont>
#include <QImage>

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>

#include "columnlevels.h"
#include "imdtracker.h"
#include "plotmarkers.h"

namespace zelvaro {

constexpr QRgb kImMarkerColour = qRgb(96, 255, 160);
constexpr QRgb kUserMarkerColour = qRgb(255, 160, 64);

// What the window asks of the measurement layers; copied once per frame like TSpectrumSettings.
struct TOverlaySettings {
    bool MeasureOn = false;        // live two-tone measurement and its IM-locked markers
    bool PeakHoldOn = false;
    std::uint32_t PeakHoldEpoch = 0;  // a new value clears the held maxima
    // The generator's tones while it plays (0: not playing), as the measurement's hints.
    double HintHz1 = 0.0;
    double HintHz2 = 0.0;
    std::optional<double> Marker1Hz;
    std::optional<double> Marker2Hz;
};

// What the shown frame shows, column for column: the snapshot's CSV and the marker clicks read it.
struct TShownSpectrum {
    TSpectrumColumns Columns;
    TSpectrumSettings Settings;
    bool HasPeaks = false;
    std::array<float, kMaxPlotPoints> PeakLeftDb{};
    std::array<float, kMaxPlotPoints> PeakRightDb{};
    std::uint64_t Frame = 0;  // 0: nothing computed yet
};

// The colour of a held-peak trace: the channel's colour dimmed towards the plot's background.
QRgb DimmedTraceColour(QRgb colour);

// A marker as drawn: its column and label.
struct TPlotMarker {
    int Column = 0;
    QString Label;
};
// The IM-locked markers of a measurement that fall inside the plot: the tones ("T1", "T2") and
// the third- and fifth-order products ("3L", "3U", "5L", "5U").
std::vector<TPlotMarker> ImMarkers(const TImdResult &result, double hzPerBin, int firstBin, int numPoints);

// The user markers' line in the plot: "M1 1292.0 Hz -6.0 dB", and with M2 its distance from M1.
QString UserMarkerText(std::optional<double> m1Hz, std::optional<float> m1Db, std::optional<double> m2Hz,
                       std::optional<float> m2Db);

// Owned by TSpectrumAnalyser. Settings may be set and results read from any thread; the frame
// work (AfterCompute, Draw*, Publish) runs on the processing thread only.
class TFrameOverlay {
public:
    explicit TFrameOverlay(QFont font);

    void SetSettings(const TOverlaySettings &settings);
    TOverlaySettings Settings() const;

    // Processing thread, once per frame after the computation half, with this frame's settings.
    void AfterCompute(const TSpectrumComputer &computer, const TSpectrumColumns &columns,
                      const TSpectrumSettings &settings);
    // Layers under the traces (held peaks) and over them (markers).
    void DrawUnder(QImage &frame, const TSpectrumSettings &settings);
    void DrawOver(QImage &frame, const TSpectrumSettings &settings);
    // The frame just drawn is being shown: its data becomes the shown data.
    void Publish(std::uint64_t frameNumber);

    // Any thread.
    std::optional<TImdResult> LastMeasurement() const;  // of the shown frame, while measuring
    TShownSpectrum Shown() const;
    TImdAverager::TSnapshot AverageSnapshot() const { return FAverager.Snapshot(); }

private:
    void DrawImMarkers(QImage &frame, const TSpectrumSettings &settings);
    void DrawUserMarkers(QImage &frame, const TSpectrumSettings &settings);
    const std::array<float, kMaxPlotPoints> &MeasuredLevels(const TSpectrumSettings &settings) const;

    QFont FFont;
    mutable std::mutex FSettingsLock;
    TOverlaySettings FSettings;

    // Processing thread only.
    TOverlaySettings FFrameSettings;
    std::uint32_t FPeakEpoch = 0;
    TPeakHold FPeakHold;
    TImdAverager FAverager;
    TShownSpectrum FDrawn;
    std::optional<TImdResult> FMeasurement;
    std::array<int, kMaxPlotPoints> FRows{};

    mutable std::mutex FShownLock;
    TShownSpectrum FShown;
    std::optional<TImdResult> FShownMeasurement;
};

}  // namespace zelvaro
