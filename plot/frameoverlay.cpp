// Measurement layers of the analyser frame: averaging and measuring on the processing thread,
// held peaks under the traces, markers over them.
#include "frameoverlay.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>

#include "dbscale.h"
#include "plotrender.h"

namespace zelvaro {

namespace {

constexpr int kDimPercent = 55;        // a held-peak trace keeps this much of its channel's colour
constexpr int kMarkerTipGap = 3;       // pixels between a trace point and the marker's tip
constexpr int kMarkerHalfWidth = 3;
constexpr int kMarkerHeight = 5;
constexpr int kMarkerLabelGap = 1;
constexpr int kUserTextMargin = 4;
constexpr int kUserTextTop = 2;

size_t Index(int i)
{
    return static_cast<size_t>(i);
}

// The frame's size in plot pixels: a painter on it works in these, whatever its pixel ratio.
QSize LogicalSize(const QImage &frame)
{
    return frame.deviceIndependentSize().toSize();
}

QString SignedNumber(double value, int decimals)
{
    // A typographic minus, as the rest of the window's readouts write it.
    QString text = QString::number(value, 'f', decimals);
    if (text.startsWith(QLatin1Char('-')))
        text.replace(0, 1, QChar(0x2212));
    return text;
}

// Where a marker stands against the point it points at. The IM-locked markers stand above their
// trace; the user's stand below it, so they never hide the IM-locked label of a tone they sit on.
enum class TMarkerSide { Above, Below };

// A filled triangle pointing at (x, y) from the given side, a few pixels clear of the point, with
// its label beyond it.
void DrawMarker(QPainter &painter, int x, int y, const QString &label, QRgb colour, TMarkerSide side)
{
    const int away = side == TMarkerSide::Below ? 1 : -1;
    const int tip = y + away * kMarkerTipGap;
    const int base = tip + away * kMarkerHeight;
    const QPolygon triangle({QPoint(x - kMarkerHalfWidth, base), QPoint(x + kMarkerHalfWidth, base), QPoint(x, tip)});
    painter.setPen(QColor(colour));
    painter.setBrush(QColor(colour));
    painter.drawPolygon(triangle);
    const QFontMetrics metrics = painter.fontMetrics();
    const int width = metrics.horizontalAdvance(label);
    const int baseline = side == TMarkerSide::Below ? base + kMarkerLabelGap + metrics.ascent()
                                                    : base - kMarkerLabelGap - metrics.descent();
    painter.drawText(QPoint(x - width / 2, baseline), label);
}

}  // namespace

QRgb DimmedTraceColour(QRgb colour)
{
    const auto mix = [](int channel, int back) { return (channel * kDimPercent + back * (100 - kDimPercent)) / 100; };
    return qRgb(mix(qRed(colour), qRed(kPlotBackColour)), mix(qGreen(colour), qGreen(kPlotBackColour)),
                mix(qBlue(colour), qBlue(kPlotBackColour)));
}

std::vector<TPlotMarker> ImMarkers(const TImdResult &result, double hzPerBin, int firstBin, int numPoints)
{
    std::vector<TPlotMarker> markers;
    if (!result.Measured())
        return markers;
    const auto add = [&](double hz, QString label) {
        const int column = ColumnOfHz(hz, hzPerBin, firstBin);
        if (column >= 0 && column < numPoints)
            markers.push_back({column, std::move(label)});
    };
    add(result.Tones[0].Hz, QStringLiteral("T1"));
    add(result.Tones[1].Hz, QStringLiteral("T2"));
    for (const TProductReading &product : result.Products)
        if (product.Order <= 5)
            add(product.Hz, QString::number(product.Order) + QChar(product.Upper ? u'U' : u'L'));
    return markers;
}

QString UserMarkerText(std::optional<double> m1Hz, std::optional<float> m1Db, std::optional<double> m2Hz,
                       std::optional<float> m2Db)
{
    QStringList parts;
    if (m1Hz && m1Db)
        parts << QStringLiteral("M1 %1 Hz %2 dB").arg(QString::number(*m1Hz, 'f', 1),
                                                      SignedNumber(static_cast<double>(*m1Db), 1));
    if (m1Hz && m1Db && m2Hz && m2Db)
        parts << QStringLiteral("M2%1M1 %2 Hz %3 dB")
                     .arg(QChar(0x2212))
                     .arg(SignedNumber(*m2Hz - *m1Hz, 1), SignedNumber(static_cast<double>(*m2Db - *m1Db), 1));
    else if (m2Hz && m2Db)
        parts << QStringLiteral("M2 %1 Hz %2 dB").arg(QString::number(*m2Hz, 'f', 1),
                                                      SignedNumber(static_cast<double>(*m2Db), 1));
    return parts.join(QStringLiteral("   "));
}

TFrameOverlay::TFrameOverlay(QFont font) : FFont(std::move(font)) {}

void TFrameOverlay::SetSettings(const TOverlaySettings &settings)
{
    std::lock_guard<std::mutex> guard(FSettingsLock);
    FSettings = settings;
}

TOverlaySettings TFrameOverlay::Settings() const
{
    std::lock_guard<std::mutex> guard(FSettingsLock);
    return FSettings;
}

const std::array<float, kMaxPlotPoints> &TFrameOverlay::MeasuredLevels(const TSpectrumSettings &settings) const
{
    return MeasuredChannel(settings.SALeftOn, settings.SARightOn) == TMeasuredChannel::Right
               ? FDrawn.Columns.RightDb
               : FDrawn.Columns.LeftDb;
}

void TFrameOverlay::AfterCompute(const TSpectrumComputer &computer, const TSpectrumColumns &columns,
                                 const TSpectrumSettings &settings)
{
    FFrameSettings = Settings();
    const int fftSize = computer.TableFftSize();
    const TMeasuredChannel channel = MeasuredChannel(settings.SALeftOn, settings.SARightOn);
    const auto &magnitudes = channel == TMeasuredChannel::Right ? computer.MagR() : computer.MagL();
    // The generator's tones key the average: a retuned generator starts a fresh one, so the
    // readout does not blend the old and the new tone pair for a second.
    const double key = FFrameSettings.HintHz1 * 1e5 + FFrameSettings.HintHz2;
    FAverager.AddFrame(std::span<const float>(magnitudes.data(), static_cast<size_t>(fftSize / 2 + 1)), fftSize,
                       channel, key);

    FMeasurement.reset();
    if (FFrameSettings.MeasureOn) {
        TImdParams params;
        params.HintHz1 = FFrameSettings.HintHz1;
        params.HintHz2 = FFrameSettings.HintHz2;
        FMeasurement = FAverager.Measure(static_cast<double>(settings.HzPerBin) * fftSize, params);
    }

    if (FFrameSettings.PeakHoldEpoch != FPeakEpoch) {
        FPeakHold.Clear();
        FPeakEpoch = FFrameSettings.PeakHoldEpoch;
    }
    FDrawn.Columns = columns;
    FDrawn.Settings = settings;
    FDrawn.HasPeaks = FFrameSettings.PeakHoldOn;
    if (FFrameSettings.PeakHoldOn) {
        FPeakHold.Update(computer.AvgSpecL(), computer.AvgSpecR(), fftSize);
        for (int i = 0; i < columns.NumPoints; ++i) {
            const auto bin = Index(columns.FirstBin + i);
            FDrawn.PeakLeftDb[Index(i)] = MagnitudeToColumnDb(FPeakHold.Left()[bin], settings.FullScaleMag);
            FDrawn.PeakRightDb[Index(i)] = MagnitudeToColumnDb(FPeakHold.Right()[bin], settings.FullScaleMag);
        }
    }
}

void TFrameOverlay::DrawUnder(QImage &frame, const TSpectrumSettings &settings)
{
    if (!FDrawn.HasPeaks)
        return;
    const int drawn = FDrawn.Columns.NumPoints - 1;  // as the live traces: the last column is left out
    if (drawn <= 0)
        return;
    const auto drawPeaks = [&](const std::array<float, kMaxPlotPoints> &levels, QRgb colour) {
        for (int i = 0; i < drawn; ++i)
            FRows[Index(i)] = DbToY(levels[Index(i)], settings.TopDb, settings.BottomDb, frame.height());
        DrawTrace(frame, std::span<const int>(FRows.data(), Index(drawn)), DimmedTraceColour(colour));
    };
    if (settings.SARightOn)
        drawPeaks(FDrawn.PeakRightDb, kRightTraceColour);
    if (settings.SALeftOn)
        drawPeaks(FDrawn.PeakLeftDb, kLeftTraceColour);
}

void TFrameOverlay::DrawOver(QImage &frame, const TSpectrumSettings &settings)
{
    if (FMeasurement)
        DrawImMarkers(frame, settings);
    if (FFrameSettings.Marker1Hz || FFrameSettings.Marker2Hz)
        DrawUserMarkers(frame, settings);
}

void TFrameOverlay::DrawImMarkers(QImage &frame, const TSpectrumSettings &settings)
{
    const std::vector<TPlotMarker> markers = ImMarkers(*FMeasurement, static_cast<double>(settings.HzPerBin),
                                                       FDrawn.Columns.FirstBin, FDrawn.Columns.NumPoints);
    if (markers.empty())
        return;
    const auto &levels = MeasuredLevels(settings);
    const int height = LogicalSize(frame).height();
    QPainter painter(&frame);
    painter.setFont(FFont);
    const int lowestTip = QFontMetrics(FFont).height() + kMarkerHeight + kMarkerTipGap;
    for (const TPlotMarker &marker : markers) {
        const int y = DbToY(levels[Index(marker.Column)], settings.TopDb, settings.BottomDb, height);
        DrawMarker(painter, marker.Column, std::clamp(y, lowestTip, height), marker.Label, kImMarkerColour,
                   TMarkerSide::Above);
    }
}

void TFrameOverlay::DrawUserMarkers(QImage &frame, const TSpectrumSettings &settings)
{
    const auto &levels = MeasuredLevels(settings);
    const double hzPerBin = static_cast<double>(settings.HzPerBin);
    const int firstBin = FDrawn.Columns.FirstBin;
    const int numPoints = FDrawn.Columns.NumPoints;
    const QSize size = LogicalSize(frame);
    QPainter painter(&frame);
    painter.setFont(FFont);
    const int deepestTip = size.height() - QFontMetrics(FFont).height() - kMarkerHeight - kMarkerTipGap;
    std::optional<float> levelsAt[2];
    const std::optional<double> hz[2] = {FFrameSettings.Marker1Hz, FFrameSettings.Marker2Hz};
    for (int m = 0; m < 2; ++m) {
        if (!hz[m])
            continue;
        const int column = ColumnOfHz(*hz[m], hzPerBin, firstBin);
        if (column < 0 || column >= numPoints)
            continue;  // off the span: kept, not drawn
        const float level = levels[Index(column)];
        levelsAt[m] = level;
        const int y = DbToY(level, settings.TopDb, settings.BottomDb, size.height());
        DrawMarker(painter, column, std::clamp(y, 0, deepestTip), QStringLiteral("M%1").arg(m + 1),
                   kUserMarkerColour, TMarkerSide::Below);
    }
    const QString text = UserMarkerText(levelsAt[0] ? hz[0] : std::nullopt, levelsAt[0],
                                        levelsAt[1] ? hz[1] : std::nullopt, levelsAt[1]);
    if (text.isEmpty())
        return;
    const QFontMetrics metrics(FFont);
    painter.setPen(QColor(kUserMarkerColour));
    painter.drawText(QPoint(size.width() - kUserTextMargin - metrics.horizontalAdvance(text),
                            kUserTextTop + metrics.ascent()),
                     text);
}

void TFrameOverlay::Publish(std::uint64_t frameNumber)
{
    FDrawn.Frame = frameNumber;
    std::lock_guard<std::mutex> guard(FShownLock);
    FShown = FDrawn;
    FShownMeasurement = FMeasurement;
}

std::optional<TImdResult> TFrameOverlay::LastMeasurement() const
{
    std::lock_guard<std::mutex> guard(FShownLock);
    return FShownMeasurement;
}

TShownSpectrum TFrameOverlay::Shown() const
{
    std::lock_guard<std::mutex> guard(FShownLock);
    return FShown;
}

}  // namespace zelvaro
