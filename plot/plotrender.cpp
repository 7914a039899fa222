// Plot drawing with the pixel results the plot was designed with: lines and polylines leave out
// their end pixel, rectangles their right and bottom edges, and text is placed by its top-left.
#include "plotrender.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "dbscale.h"

namespace zelvaro {

namespace {

constexpr int kPointsPerInch = 72;
constexpr int kPercent = 100;

// Direct pixel access to a Format_RGB32 image, taken once per trace.
class TPixelTarget {
public:
    explicit TPixelTarget(QImage &image)
        : FPixels(reinterpret_cast<QRgb *>(image.bits())),
          FStride(static_cast<size_t>(image.bytesPerLine()) / sizeof(QRgb)),
          FWidth(image.width()),
          FHeight(image.height())
    {
    }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void Put(int x, int y, QRgb colour)
    {
        if (x >= 0 && x < FWidth && y >= 0 && y < FHeight)
            FPixels[static_cast<size_t>(y) * FStride + static_cast<size_t>(x)] = colour;
    }

private:
    QRgb *FPixels;
    size_t FStride;
    int FWidth;
    int FHeight;
};

// One polyline segment from (x0, y0) to (x0 + 1, y1), without its end pixel. A steep segment
// steps one row per pixel: the first half of its rows lies in column x0, the rest in x0 + 1.
void DrawColumnStep(TPixelTarget &target, int x0, int y0, int y1, QRgb colour)
{
    const int height = target.Height();
    const int rise = y1 - y0;
    const int steps = std::abs(rise);
    if (steps <= 1) {
        target.Put(x0, y0, colour);
        return;
    }
    const int direction = rise > 0 ? 1 : -1;
    // Only the rows inside the image are visited, however far off-plot the end points lie.
    int firstStep = 0;
    int lastStep = steps - 1;
    if (direction > 0) {
        firstStep = std::max(firstStep, -y0);
        lastStep = std::min(lastStep, height - 1 - y0);
    } else {
        firstStep = std::max(firstStep, y0 - (height - 1));
        lastStep = std::min(lastStep, y0);
    }
    for (int step = firstStep; step <= lastStep; ++step)
        target.Put(2 * step < steps ? x0 : x0 + 1, y0 + direction * step, colour);
}

// Places text by the top-left of its line box, as the plot's labels are specified.
void DrawTextAtTopLeft(QPainter &painter, int left, int top, const QString &text)
{
    painter.drawText(QPoint(left, top + painter.fontMetrics().ascent()), text);
}

}  // namespace

TScaledFontRequest ScaledFontRequest(int heightDecipoints, int widthDecipoints, int dpiX, int dpiY,
                                     int naturalAverageWidth)
{
    const int scaledWidth = widthDecipoints * dpiX / kPointsPerInch;
    const int scaledHeight = heightDecipoints * dpiY / kPointsPerInch;
    TScaledFontRequest request{};
    request.PixelHeight = static_cast<int>(std::abs(scaledHeight) / 10.0 + 0.5);
    request.AverageWidth = 0;
    if (widthDecipoints != 0 && scaledHeight != 0) {
        request.AverageWidth = static_cast<int>(
            static_cast<double>(naturalAverageWidth) * std::abs(scaledWidth) / std::abs(scaledHeight) + 0.5);
    }
    return request;
}

QFont MakePlotFont(int dpiX, int dpiY)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setStyleStrategy(QFont::NoAntialias);
    const TScaledFontRequest natural =
        ScaledFontRequest(kPlotFontHeightDecipoints, 0, dpiX, dpiY, 0);
    font.setPixelSize(natural.PixelHeight);
    const int naturalWidth = QFontMetrics(font).averageCharWidth();
    const TScaledFontRequest scaled = ScaledFontRequest(
        kPlotFontHeightDecipoints, kPlotFontWidthDecipoints, dpiX, dpiY, naturalWidth);
    if (naturalWidth > 0 && scaled.AverageWidth > 0)
        font.setStretch(kPercent * scaled.AverageWidth / naturalWidth);
    return font;
}

QString GridLabel(float db)
{
    if (db < 0.0f)
        return QString::number(static_cast<int>(db));
    return QStringLiteral("  0");
}

void DrawPlotBackground(QImage &image, int topDb, int bottomDb, const QFont &font)
{
    image.fill(kPlotBackColour);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor(kGridLabelColour));
    const int width = image.width();
    const int height = image.height();
    // A float that grows by 10, as the levels are compared with the 0 dB line exactly.
    for (auto db = static_cast<float>(kGridBottomDb); db <= static_cast<float>(kGridTopDb);
         db += static_cast<float>(kGridStepDb)) {
        const int y = DbToY(db, topDb, bottomDb, height);
        // The line leaves out its end pixel at x = width - 1.
        if (width - 1 > kGridLineStartX)
            painter.fillRect(QRect(kGridLineStartX, y, width - 1 - kGridLineStartX, 1), QColor(kGridColour));
        DrawTextAtTopLeft(painter, kGridLabelX, y - kGridLabelRise, GridLabel(db));
        if (db == static_cast<float>(kGridTopDb))
            DrawTextAtTopLeft(painter, kDbUnitX, y - kDbUnitRise, QStringLiteral("dB"));
    }
}

void DrawTrace(QImage &image, std::span<const int> rows, QRgb colour)
{
    TPixelTarget target(image);
    for (size_t i = 0; i + 1 < rows.size(); ++i)
        DrawColumnStep(target, static_cast<int>(i), rows[i], rows[i + 1], colour);
}

TPlotRenderer::TPlotRenderer(QSize plotSize, QFont font)
    : FPlotSize(plotSize), FFont(std::move(font)), FBackground(plotSize, QImage::Format_RGB32)
{
}

void TPlotRenderer::Render(QImage &frame, const TSpectrumColumns &columns,
                           const TSpectrumSettings &settings)
{
    const TGridKey key{.TopDb = settings.TopDb, .BottomDb = settings.BottomDb};
    if (FBackgroundKey != key) {
        DrawPlotBackground(FBackground, key.TopDb, key.BottomDb, FFont);
        FBackgroundKey = key;
    }
    if (frame.size() == FBackground.size() && frame.format() == FBackground.format())
        std::memcpy(frame.bits(), FBackground.constBits(), static_cast<size_t>(FBackground.sizeInBytes()));
    else
        frame = FBackground.copy();
    const int numPoints = std::min(columns.NumPoints, kMaxPlotPoints);
    if (settings.SARightOn)
        DrawTraceOf(frame, columns.RightDb, numPoints, settings, kRightTraceColour);
    if (settings.SALeftOn)
        DrawTraceOf(frame, columns.LeftDb, numPoints, settings, kLeftTraceColour);
}

void TPlotRenderer::DrawTraceOf(QImage &frame, const std::array<float, kMaxPlotPoints> &levels,
                                int numPoints, const TSpectrumSettings &settings, QRgb colour)
{
    // The polyline runs through the first numPoints - 1 points: the last column is not drawn.
    const int drawnPoints = numPoints - 1;
    if (drawnPoints <= 0)
        return;
    const auto count = static_cast<size_t>(drawnPoints);
    for (size_t i = 0; i < count; ++i)
        FRows[i] = DbToY(levels[i], settings.TopDb, settings.BottomDb, FPlotSize.height());
    DrawTrace(frame, std::span<const int>(FRows.data(), count), colour);
}

}  // namespace zelvaro
