// Plot drawing with the pixel results the plot was designed with: lines and polylines leave out
// their end pixel, rectangles their right and bottom edges, and text is placed by its top-left.
#include "plotrender.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "dbscale.h"

namespace zelvaro {

namespace {

constexpr int kPointsPerInch = 72;
constexpr int kPercent = 100;

// Direct pixel access to a Format_RGB32 image, taken once per trace. Each point is a square of
// `dotSize` device pixels with the point at its top-left.
class TPixelTarget {
public:
    TPixelTarget(QImage &image, int dotSize)
        : FPixels(reinterpret_cast<QRgb *>(image.bits())),
          FStride(static_cast<size_t>(image.bytesPerLine()) / sizeof(QRgb)),
          FWidth(image.width()),
          FHeight(image.height()),
          FDotSize(dotSize)
    {
    }
    int Height() const { return FHeight; }
    int DotSize() const { return FDotSize; }
    void Put(int x, int y, QRgb colour)
    {
        for (int row = std::max(y, 0); row < std::min(y + FDotSize, FHeight); ++row)
            for (int column = std::max(x, 0); column < std::min(x + FDotSize, FWidth); ++column)
                FPixels[static_cast<size_t>(row) * FStride + static_cast<size_t>(column)] = colour;
    }

private:
    QRgb *FPixels;
    size_t FStride;
    int FWidth;
    int FHeight;
    int FDotSize;
};

// One polyline segment from (x0, y0) to (x1, y1), x1 > x0, without its end pixel. A shallow
// segment puts one point per column; a steep one one point per row, moving right by even shares
// of its rows (one column wide: the first half of its rows lies in column x0, the rest in x1).
void DrawSegment(TPixelTarget &target, int x0, int x1, int y0, int y1, QRgb colour)
{
    const int width = x1 - x0;
    const int rise = y1 - y0;
    const int steps = std::abs(rise);
    if (steps <= width) {
        for (int column = 0; column < width; ++column) {
            const int offset = (2 * rise * column + (rise < 0 ? -width : width)) / (2 * width);
            target.Put(x0 + column, y0 + offset, colour);
        }
        return;
    }
    const int direction = rise > 0 ? 1 : -1;
    // Only the rows that reach into the image are visited, however far off-plot the end points
    // lie; a point reaches DotSize - 1 rows below its own.
    const int lowestRow = 1 - target.DotSize();
    const int highestRow = target.Height() - 1;
    int firstStep = 0;
    int lastStep = steps - 1;
    if (direction > 0) {
        firstStep = std::max(firstStep, lowestRow - y0);
        lastStep = std::min(lastStep, highestRow - y0);
    } else {
        firstStep = std::max(firstStep, y0 - highestRow);
        lastStep = std::min(lastStep, y0 - lowestRow);
    }
    for (int step = firstStep; step <= lastStep; ++step)
        target.Put(x0 + (2 * step * width + steps) / (2 * steps), y0 + direction * step, colour);
}

// Places text by the top-left of its line box, as the plot's labels are specified. Logical
// coordinates; top may fall between logical pixels at a device pixel ratio above 1.
void DrawTextAtTopLeft(QPainter &painter, int left, qreal top, const QString &text)
{
    painter.drawText(QPointF(left, top + painter.fontMetrics().ascent()), text);
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

qreal LabelTop(qreal top, qreal plotHeight, int ascent)
{
    return std::max(std::min(top, plotHeight - ascent), 0.0);
}

QSize DeviceSize(QSize logical, qreal ratio)
{
    return {DeviceColumn(logical.width(), ratio), DeviceColumn(logical.height(), ratio)};
}

int LineWidthAt(qreal ratio)
{
    return std::max(1, static_cast<int>(std::lround(ratio)));
}

int DeviceColumn(int column, qreal ratio)
{
    return static_cast<int>(std::lround(column * ratio));
}

void DrawPlotBackground(QImage &image, int topDb, int bottomDb, const QFont &font)
{
    image.fill(kPlotBackColour);
    const qreal ratio = image.devicePixelRatio();
    const int lineWidth = LineWidthAt(ratio);
    const int deviceHeight = image.height();
    const int lineStart = DeviceColumn(kGridLineStartX, ratio);
    // The line leaves out its end pixel, a logical one at the right edge.
    const int lineEnd = image.width() - lineWidth;
    // A float that grows by 10, as the levels are compared with the 0 dB line exactly.
    auto forEachGridLevel = [](auto draw) {
        for (auto db = static_cast<float>(kGridBottomDb); db <= static_cast<float>(kGridTopDb);
             db += static_cast<float>(kGridStepDb))
            draw(db);
    };
    // Lines in device pixels (the painter's scale would put them on whole logical rows), then
    // the labels over them in logical coordinates, rendered at the image's resolution.
    if (lineEnd > lineStart) {
        image.setDevicePixelRatio(1.0);
        QPainter painter(&image);
        forEachGridLevel([&](float db) {
            const int deviceY = DbToY(db, topDb, bottomDb, deviceHeight);
            painter.fillRect(QRect(lineStart, deviceY, lineEnd - lineStart, lineWidth), QColor(kGridColour));
        });
        painter.end();
        image.setDevicePixelRatio(ratio);
    }
    // Labels of the lines on the plot, its edges included; the unit goes beside the topmost.
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor(kGridLabelColour));
    const QFontMetrics metrics = painter.fontMetrics();
    const qreal logicalHeight = deviceHeight / ratio;
    std::optional<std::pair<qreal, QString>> topmost;
    forEachGridLevel([&](float db) {
        const int deviceY = DbToY(db, topDb, bottomDb, deviceHeight);
        if (deviceY < 0 || deviceY > deviceHeight)
            return;
        const QString label = GridLabel(db);
        const qreal top = LabelTop(deviceY / ratio - kGridLabelRise, logicalHeight, metrics.ascent());
        DrawTextAtTopLeft(painter, kGridLabelX, top, label);
        topmost = std::pair(top, label);
    });
    if (topmost) {
        const auto &[top, label] = *topmost;
        const int x = std::max(kDbUnitX, kGridLabelX + metrics.horizontalAdvance(label) + kDbUnitGap);
        DrawTextAtTopLeft(painter, x, std::max(top - (kDbUnitRise - kGridLabelRise), 0.0), QStringLiteral("dB"));
    }
}

void DrawTrace(QImage &image, std::span<const int> rows, QRgb colour)
{
    const qreal ratio = image.devicePixelRatio();
    TPixelTarget target(image, LineWidthAt(ratio));
    for (size_t i = 0; i + 1 < rows.size(); ++i) {
        const int column = static_cast<int>(i);
        DrawSegment(target, DeviceColumn(column, ratio), DeviceColumn(column + 1, ratio), rows[i], rows[i + 1],
                    colour);
    }
}

TPlotRenderer::TPlotRenderer(QSize plotSize, QFont font) : FPlotSize(plotSize), FFont(std::move(font))
{
}

void TPlotRenderer::Render(QImage &frame, const TSpectrumColumns &columns,
                           const TSpectrumSettings &settings, qreal devicePixelRatio)
{
    RenderBackground(frame, settings, devicePixelRatio);
    RenderTraces(frame, columns, settings);
}

void TPlotRenderer::RenderBackground(QImage &frame, const TSpectrumSettings &settings, qreal devicePixelRatio)
{
    const TGridKey key{
        .TopDb = settings.TopDb, .BottomDb = settings.BottomDb, .DevicePixelRatio = devicePixelRatio};
    if (FBackgroundKey != key) {
        const QSize deviceSize = DeviceSize(FPlotSize, devicePixelRatio);
        if (FBackground.size() != deviceSize)
            FBackground = QImage(deviceSize, QImage::Format_RGB32);
        FBackground.setDevicePixelRatio(devicePixelRatio);
        DrawPlotBackground(FBackground, key.TopDb, key.BottomDb, FFont);
        FBackgroundKey = key;
    }
    if (frame.size() == FBackground.size() && frame.format() == FBackground.format()) {
        std::memcpy(frame.bits(), FBackground.constBits(), static_cast<size_t>(FBackground.sizeInBytes()));
        frame.setDevicePixelRatio(devicePixelRatio);
    } else {
        frame = FBackground.copy();
    }
}

void TPlotRenderer::RenderTraces(QImage &frame, const TSpectrumColumns &columns, const TSpectrumSettings &settings)
{
    const int numPoints = std::min(columns.NumPoints, kMaxPlotPoints);
    const int deviceHeight = FBackground.height();
    if (settings.SARightOn)
        DrawTraceOf(frame, columns.RightDb, numPoints, settings, deviceHeight, kRightTraceColour);
    if (settings.SALeftOn)
        DrawTraceOf(frame, columns.LeftDb, numPoints, settings, deviceHeight, kLeftTraceColour);
}

void TPlotRenderer::DrawTraceOf(QImage &frame, const std::array<float, kMaxPlotPoints> &levels,
                                int numPoints, const TSpectrumSettings &settings, int deviceHeight,
                                QRgb colour)
{
    // The polyline runs through the first numPoints - 1 points: the last column is not drawn.
    const int drawnPoints = numPoints - 1;
    if (drawnPoints <= 0)
        return;
    const auto count = static_cast<size_t>(drawnPoints);
    for (size_t i = 0; i < count; ++i)
        FRows[i] = DbToY(levels[i], settings.TopDb, settings.BottomDb, deviceHeight);
    DrawTrace(frame, std::span<const int>(FRows.data(), count), colour);
}

}  // namespace zelvaro
