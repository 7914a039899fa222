// Drawing of the analyser plot: background, dB grid with labels, and the two traces.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>

#include <array>
#include <optional>
#include <span>

#include "columnlevels.h"

namespace zelvaro {

constexpr QRgb kPlotBackColour = qRgb(0, 0, 96);
constexpr QRgb kGridColour = qRgb(96, 96, 144);
constexpr QRgb kGridLabelColour = qRgb(210, 210, 210);
constexpr QRgb kLeftTraceColour = qRgb(255, 255, 255);
constexpr QRgb kRightTraceColour = qRgb(255, 255, 0);

// Grid: a line every 10 dB from -160 to 0, starting right of the labels.
constexpr int kGridBottomDb = -160;
constexpr int kGridTopDb = 0;
constexpr int kGridStepDb = 10;
constexpr int kGridLineStartX = 20;
constexpr int kGridLabelX = 2;
constexpr int kGridLabelRise = 4;  // label top above its line
constexpr int kDbUnitX = 20;       // "dB" beside the 0 dB line
constexpr int kDbUnitRise = 5;
constexpr int kDbUnitGap = 2;      // at least this far right of a longer label

// Text size of the plot font in tenths of a point, converted for the screen's resolution.
constexpr int kPlotFontHeightDecipoints = 70;
constexpr int kPlotFontWidthDecipoints = 80;
constexpr int kScreenDpi = 96;

// Pixel height and average character width the plot font asks for at the given resolution.
struct TScaledFontRequest {
    int PixelHeight;  // em height in pixels
    int AverageWidth; // 0: the face's natural width
};
TScaledFontRequest ScaledFontRequest(int heightDecipoints, int widthDecipoints, int dpiX, int dpiY,
                                     int naturalAverageWidth);

// "Arial" (Liberation Sans through fontconfig) at 7 x 8 points, sharp-edged like the screen
// fonts the plot was designed with. Needs a QGuiApplication.
QFont MakePlotFont(int dpiX = kScreenDpi, int dpiY = kScreenDpi);

// The label text of a grid line: "-160" .. "-10", and "  0" for the top line.
QString GridLabel(float db);

// The top of a grid label whose line lies on the plot: its own place (the line's row less the
// rise) held within the plot, so the labels of the top and bottom lines are not cut off by the
// plot's edges. Logical pixels; ascent is the font's.
qreal LabelTop(qreal top, qreal plotHeight, int ascent);

// High-density screens: an image with a device pixel ratio above 1 holds the same plot in
// logical pixels, drawn at its own resolution. Rows of levels are then device rows, while the
// columns stay one per logical pixel; lines are LineWidthAt(ratio) device pixels wide, so the
// plot keeps its weight and only gains detail. At a ratio of 1 every pixel is as before.

// Size in device pixels of an image showing `logical` at `ratio`.
QSize DeviceSize(QSize logical, qreal ratio);
// Width in device pixels of the grid lines and traces: one logical pixel, at least one.
int LineWidthAt(qreal ratio);
// Device column of logical plot column `column`.
int DeviceColumn(int column, qreal ratio);

// Clears the image and draws the dB grid for the given dB window, at the image's device pixel
// ratio: the lines within the plot carry their labels, and "dB" stands beside the topmost one.
void DrawPlotBackground(QImage &image, int topDb, int bottomDb, const QFont &font);

// A polyline through (column i, rows[i]) with the pixel rules of the plot: each segment leaves
// out its end pixel, so the last point is not drawn; pixels outside the image are clipped. rows
// are rows of the image (device rows); at a ratio above 1 the line is LineWidthAt(ratio) wide,
// spreading right and down from the 1x pixel positions.
void DrawTrace(QImage &image, std::span<const int> rows, QRgb colour);

// The dB window and resolution a background layer was drawn for: the layer cache's key.
struct TGridKey {
    int TopDb = 0;
    int BottomDb = 0;
    qreal DevicePixelRatio = 1.0;
    friend bool operator==(const TGridKey &, const TGridKey &) = default;
};

// Draws frames. The plot is a stack of layers, bottom to top:
//   1. background: the dark-blue fill, the dB grid and its labels. It depends only on the dB
//      window, so it is drawn once per TGridKey into FBackground and reused while the window
//      stays (the cache);
//   2. traces: each frame starts as a copy of the background (one memcpy), then the right trace
//      and the left one over it (Render);
//   3. frame exchange: the finished image becomes the shown one in TSpectrumAnalyser::UpdateSpectrum,
//      a swap under DisplayLock, so a paint only ever sees complete frames (plot/analyser.cpp);
//   4. readout and trace key: the pointer's frequency and level on a dark backing, and "L"/"R"
//      naming the traces, written by the window's plot view on the GUI thread over the shown
//      frame when it paints, never into the frame itself (app/plotview.cpp).
// Layers 1 and 2 run here, on the processing thread; the renderer is owned and used by that one
// thread.
class TPlotRenderer {
public:
    TPlotRenderer(QSize plotSize, QFont font);

    // frame becomes plotSize at devicePixelRatio (reused when it already is), Format_RGB32.
    // Right trace first, the left one over it; each trace covers columns 0 .. NumPoints - 2.
    void Render(QImage &frame, const TSpectrumColumns &columns, const TSpectrumSettings &settings,
                qreal devicePixelRatio = 1.0);
    // The two halves of Render, for layers drawn between the background and the traces.
    void RenderBackground(QImage &frame, const TSpectrumSettings &settings, qreal devicePixelRatio = 1.0);
    void RenderTraces(QImage &frame, const TSpectrumColumns &columns, const TSpectrumSettings &settings);

private:
    void DrawTraceOf(QImage &frame, const std::array<float, kMaxPlotPoints> &levels, int numPoints,
                     const TSpectrumSettings &settings, int deviceHeight, QRgb colour);

    QSize FPlotSize;
    QFont FFont;
    QImage FBackground;
    std::optional<TGridKey> FBackgroundKey;  // empty until the first frame
    std::array<int, kMaxPlotPoints> FRows{};
};

}  // namespace zelvaro
