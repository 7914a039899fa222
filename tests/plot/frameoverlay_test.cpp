// Tests of the measurement layers in the analyser's frames: IM-locked markers at the tones and
// products, user markers and their text, held peaks under the traces.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "analyser.h"
#include "plotrender.h"

using namespace zelvaro;

namespace {

constexpr int kPlotWidth = 526;
constexpr int kPlotHeight = 220;
constexpr double kRate = 22050.0;

// Fills both histories with a sum of cosines, levels in dBFS.
void FillTones(TSampleHistory &history, const std::vector<std::pair<double, double>> &tones, int fftSize)
{
    std::vector<float> left(kBlockFrames), right(kBlockFrames);
    for (int block = 0; block < fftSize / kBlockFrames; ++block) {
        for (int n = 0; n < kBlockFrames; ++n) {
            const double t = block * kBlockFrames + n;
            double sum = 0.0;
            for (const auto &[hz, dbfs] : tones)
                sum += 32767.0 * std::pow(10.0, dbfs / 20.0) * std::cos(2.0 * M_PI * hz / kRate * t);
            left[static_cast<size_t>(n)] = right[static_cast<size_t>(n)] = static_cast<float>(sum);
        }
        history.SlideIn(left.data(), right.data(), fftSize);
    }
}

TSpectrumSettings SettingsFor(int fftSize, float startHz)
{
    TSpectrumSettings settings;
    settings.FftSize = fftSize;
    settings.HzPerBin = static_cast<float>(kRate / fftSize);
    settings.StartHz = startHz;
    settings.FullScaleMag = static_cast<float>(fftSize) * 32767.0f * 0.5f;
    return settings;
}

int CountColour(const QImage &image, QRgb colour, QRect area)
{
    int count = 0;
    for (int y = std::max(0, area.top()); y <= std::min(image.height() - 1, area.bottom()); ++y)
        for (int x = std::max(0, area.left()); x <= std::min(image.width() - 1, area.right()); ++x)
            count += image.pixel(x, y) == colour;
    return count;
}

// The colour's pixels in a band of columns, one bit per column, one entry per row.
std::vector<unsigned> BandRows(const QImage &image, QRgb colour, int left, int width)
{
    std::vector<unsigned> rows(static_cast<size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
        for (int i = 0; i < width; ++i)
            if (image.pixel(left + i, y) == colour)
                rows[static_cast<size_t>(y)] |= 1u << i;
    return rows;
}

// Runs of consecutive rows that carry something, top to bottom, as [first, last] rows.
std::vector<std::pair<int, int>> Runs(const std::vector<unsigned> &rows)
{
    std::vector<std::pair<int, int>> runs;
    for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
        if (!rows[static_cast<size_t>(y)])
            continue;
        if (!runs.empty() && runs.back().second == y - 1)
            runs.back().second = y;
        else
            runs.emplace_back(y, y);
    }
    return runs;
}

}  // namespace

TEST(ImMarkers, StandAtTheTonesAndTheThirdAndFifthOrderProductsInsideThePlot)
{
    TImdResult result;
    result.Status = TImdStatus::Measured;
    result.Tones = {{{1000.0, -6.0}, {1200.0, -6.0}}};
    for (auto [order, upper, hz] : {std::tuple{3, false, 800.0}, {3, true, 1400.0}, {5, false, 600.0},
                                    {5, true, 1600.0}, {7, true, 1800.0}})
        result.Products.push_back({.Order = order, .Upper = upper, .Hz = hz});
    const double hzPerBin = 10.0;
    const std::vector<TPlotMarker> markers = ImMarkers(result, hzPerBin, 65, 100);  // 650 .. 1640 Hz
    QStringList labels;
    for (const TPlotMarker &m : markers)
        labels << QStringLiteral("%1@%2").arg(m.Label).arg(m.Column);
    // 5L at 600 Hz lies left of the plot; IMD7 never gets a marker.
    EXPECT_EQ(labels.join(u' '), QStringLiteral("T1@35 T2@55 3L@15 3U@75 5U@95"));
    result.Status = TImdStatus::OneTone;
    EXPECT_TRUE(ImMarkers(result, hzPerBin, 65, 100).empty());
}

TEST(UserMarkers, TextGivesM1AndTheDistanceOfM2FromIt)
{
    EXPECT_EQ(UserMarkerText(1292.0, -6.04f, std::nullopt, std::nullopt), QStringLiteral("M1 1292.0 Hz \u22126.0 dB"));
    EXPECT_EQ(UserMarkerText(1292.0, -6.0f, 646.0, -52.5f),
              QStringLiteral("M1 1292.0 Hz \u22126.0 dB   M2\u2212M1 \u2212646.0 Hz \u221246.5 dB"));
    EXPECT_EQ(UserMarkerText(std::nullopt, std::nullopt, 646.0, -52.5f), QStringLiteral("M2 646.0 Hz \u221252.5 dB"));
    EXPECT_TRUE(UserMarkerText(std::nullopt, std::nullopt, std::nullopt, std::nullopt).isEmpty());
}

TEST(FrameOverlay, MarkersAtOnePointPointAtItTheImOneFromAboveTheUsersFromBelow)
{
    TSampleHistory history;
    const int fftSize = 8192;
    FillTones(history, {{1000.0, -6.0}, {1400.0, -6.0}, {600.0, -46.0}, {1800.0, -46.0}}, fftSize);
    TSpectrumAnalyser analyser(history, QSize(kPlotWidth, kPlotHeight));
    const TSpectrumSettings settings = SettingsFor(fftSize, 400.0f);
    analyser.SetSettings(settings);
    TOverlaySettings overlay;
    overlay.MeasureOn = true;
    overlay.Marker1Hz = 1000.0;  // the user's marker on a tone the IM-locked markers mark too
    analyser.Overlay().SetSettings(overlay);
    analyser.UpdateSpectrum();
    const QImage frame = analyser.CurrentFrame();
    const int column = ColumnOfHz(1000.0, settings.HzPerBin, analyser.Overlay().Shown().Columns.FirstBin);

    constexpr int kBand = 9;
    const std::vector<unsigned> im = BandRows(frame, kImMarkerColour, column - kBand / 2, kBand);
    const std::vector<unsigned> user = BandRows(frame, kUserMarkerColour, column - kBand / 2, kBand);
    const auto imRuns = Runs(im);
    const auto userRuns = Runs(user);
    // Above the point the IM-locked label, then its triangle; below it the user's triangle, then
    // its label.
    ASSERT_GE(imRuns.size(), 2u);
    const auto [imBase, imTip] = imRuns.back();
    const auto below = std::find_if(userRuns.begin(), userRuns.end(), [&](auto run) { return run.first > imTip; });
    ASSERT_TRUE(below != userRuns.end() && below + 1 != userRuns.end()) << "no user marker and label below";
    const auto [userTip, userBase] = *below;

    // The same triangle turned over; the rasteriser may place a pixel differently either way up.
    ASSERT_EQ(userBase - userTip, imTip - imBase);
    for (int d = 0; d <= imTip - imBase; ++d) {
        const int imWidth = std::popcount(im[static_cast<size_t>(imTip - d)]);
        const int userWidth = std::popcount(user[static_cast<size_t>(userTip + d)]);
        EXPECT_LE(std::abs(imWidth - userWidth), 1) << d << " rows from the tips";
    }
    EXPECT_LT(std::popcount(im[static_cast<size_t>(imTip)]), std::popcount(im[static_cast<size_t>(imBase)]))
        << "the narrow end points at the trace";
    EXPECT_LT(std::popcount(user[static_cast<size_t>(userTip)]), std::popcount(user[static_cast<size_t>(userBase)]))
        << "the narrow end points at the trace";
    EXPECT_GT(userTip - imTip, 1) << "the point itself is left to the trace";
}

TEST(FrameOverlay, DrawsImMarkersOverTheTonesWhileMeasuring)
{
    TSampleHistory history;
    const int fftSize = 8192;
    FillTones(history, {{1000.0, -6.0}, {1400.0, -6.0}, {600.0, -46.0}, {1800.0, -46.0}}, fftSize);
    TSpectrumAnalyser analyser(history, QSize(kPlotWidth, kPlotHeight));
    const TSpectrumSettings settings = SettingsFor(fftSize, 400.0f);
    analyser.SetSettings(settings);
    analyser.UpdateSpectrum();
    EXPECT_FALSE(analyser.Overlay().LastMeasurement());  // not asked to measure
    EXPECT_EQ(CountColour(analyser.CurrentFrame(), kImMarkerColour, QRect(0, 0, kPlotWidth, kPlotHeight)), 0);

    TOverlaySettings overlay;
    overlay.MeasureOn = true;
    analyser.Overlay().SetSettings(overlay);
    analyser.UpdateSpectrum();
    const std::optional<TImdResult> measured = analyser.Overlay().LastMeasurement();
    ASSERT_TRUE(measured && measured->Measured()) << (measured ? measured->Message : "none");
    EXPECT_NEAR(measured->Products[0].Dbc, -40.0, 0.2);  // IMD3 lower, 600 Hz

    const QImage frame = analyser.CurrentFrame();
    const TShownSpectrum shown = analyser.Overlay().Shown();
    for (double hz : {1000.0, 1400.0, 600.0, 1800.0}) {
        const int column = ColumnOfHz(hz, settings.HzPerBin, shown.Columns.FirstBin);
        EXPECT_GT(CountColour(frame, kImMarkerColour, QRect(column - 4, 0, 9, kPlotHeight)), 5) << hz;
    }
    // Nothing of the marker colour far from every tone and product.
    const int quiet = ColumnOfHz(1200.0, settings.HzPerBin, shown.Columns.FirstBin);
    EXPECT_EQ(CountColour(frame, kImMarkerColour, QRect(quiet - 20, 0, 41, kPlotHeight)), 0);
}

TEST(FrameOverlay, UserMarkersShowOnlyInsideTheSpan)
{
    TSampleHistory history;
    FillTones(history, {{1000.0, -6.0}}, 8192);
    TSpectrumAnalyser analyser(history, QSize(kPlotWidth, kPlotHeight));
    const TSpectrumSettings settings = SettingsFor(8192, 400.0f);
    analyser.SetSettings(settings);
    TOverlaySettings overlay;
    overlay.Marker1Hz = 1000.0;
    overlay.Marker2Hz = 5000.0;  // beyond the span's end near 1816 Hz
    analyser.Overlay().SetSettings(overlay);
    analyser.UpdateSpectrum();
    const QImage frame = analyser.CurrentFrame();
    const int column = ColumnOfHz(1000.0, settings.HzPerBin, analyser.Overlay().Shown().Columns.FirstBin);
    EXPECT_GT(CountColour(frame, kUserMarkerColour, QRect(column - 4, 20, 9, kPlotHeight)), 5);
    // Apart from the marker itself only the text line at the top carries its colour.
    EXPECT_EQ(CountColour(frame, kUserMarkerColour, QRect(0, 20, column - 10, kPlotHeight)), 0);
    EXPECT_EQ(CountColour(frame, kUserMarkerColour, QRect(column + 10, 20, kPlotWidth, kPlotHeight)), 0);
}

TEST(FrameOverlay, PeakHoldKeepsMaximaAndStartsAgainOnANewSpanOrSwitchOn)
{
    TSampleHistory history;
    TSpectrumAnalyser analyser(history, QSize(kPlotWidth, kPlotHeight));
    TOverlaySettings overlay;
    overlay.PeakHoldOn = true;
    overlay.PeakHoldEpoch = 1;
    analyser.Overlay().SetSettings(overlay);
    // A tone at 1000 Hz, then at 1500 Hz long enough for the averaged trace to forget the first.
    const auto toneThenAnother = [&](int fftSize) {
        const TSpectrumSettings settings = SettingsFor(fftSize, 400.0f);
        analyser.SetSettings(settings);
        FillTones(history, {{1000.0, -6.0}}, fftSize);
        for (int i = 0; i < 4; ++i)
            analyser.UpdateSpectrum();
        FillTones(history, {{1500.0, -6.0}}, fftSize);
        for (int i = 0; i < 12; ++i)
            analyser.UpdateSpectrum();
        const TShownSpectrum shown = analyser.Overlay().Shown();
        return std::pair{shown, static_cast<size_t>(ColumnOfHz(1000.0, settings.HzPerBin, shown.Columns.FirstBin))};
    };

    auto [shown, column] = toneThenAnother(8192);
    ASSERT_TRUE(shown.HasPeaks);
    EXPECT_GT(shown.PeakLeftDb[column], -16.0f);       // the first tone's maximum is held (Hann: -12 dB)
    EXPECT_LT(shown.Columns.LeftDb[column], -60.0f);   // while the live trace has left it
    for (int i = 0; i < shown.Columns.NumPoints; ++i)
        ASSERT_GE(shown.PeakLeftDb[static_cast<size_t>(i)], shown.Columns.LeftDb[static_cast<size_t>(i)]) << i;
    EXPECT_GT(CountColour(analyser.CurrentFrame(), DimmedTraceColour(kLeftTraceColour),
                          QRect(static_cast<int>(column) - 2, 0, 5, kPlotHeight)), 5);

    // A new FFT size (span button): the held maxima start from the current spectrum.
    analyser.SetSettings(SettingsFor(16384, 400.0f));
    analyser.UpdateSpectrum();
    shown = analyser.Overlay().Shown();
    for (int i = 0; i < shown.Columns.NumPoints; ++i)
        ASSERT_EQ(shown.PeakLeftDb[static_cast<size_t>(i)], shown.Columns.LeftDb[static_cast<size_t>(i)]) << i;

    // Switched on again (a new epoch): cleared as well.
    std::tie(shown, column) = toneThenAnother(16384);
    EXPECT_GT(shown.PeakLeftDb[column], -16.0f);
    overlay.PeakHoldEpoch = 2;
    analyser.Overlay().SetSettings(overlay);
    analyser.UpdateSpectrum();
    shown = analyser.Overlay().Shown();
    EXPECT_LT(shown.PeakLeftDb[column], -60.0f);
    // Off: no held trace, no peak columns.
    overlay.PeakHoldOn = false;
    analyser.Overlay().SetSettings(overlay);
    analyser.UpdateSpectrum();
    EXPECT_FALSE(analyser.Overlay().Shown().HasPeaks);
    EXPECT_EQ(CountColour(analyser.CurrentFrame(), DimmedTraceColour(kLeftTraceColour),
                          QRect(0, 0, kPlotWidth, kPlotHeight)), 0);
}
