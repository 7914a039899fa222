// Plot rendering checked pixel by pixel: grid rows, label boxes, trace pixels and clipping.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>

#include <algorithm>
#include <set>
#include <vector>

#include "dbscale.h"
#include "plotrender.h"

using namespace zelvaro;

namespace {

constexpr int kWidth = 526;
constexpr int kHeight = 220;
constexpr int kProbeX = 300;  // a column right of every label

QImage Blank()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kPlotBackColour);
    return image;
}

std::vector<int> GridLevels()
{
    std::vector<int> levels;
    for (int db = kGridBottomDb; db <= kGridTopDb; db += kGridStepDb)
        levels.push_back(db);
    return levels;
}

// Rows whose probe pixel has the grid colour.
std::set<int> GridRows(const QImage &image)
{
    std::set<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixel(kProbeX, y) == kGridColour)
            rows.insert(y);
    return rows;
}

std::set<int> ExpectedGridRows(int topDb, int bottomDb)
{
    std::set<int> rows;
    for (int db : GridLevels()) {
        const int y = DbToY(static_cast<float>(db), topDb, bottomDb, kHeight);
        if (y >= 0 && y < kHeight)
            rows.insert(y);
    }
    return rows;
}

QRect LabelPixels(const QImage &image, QRect area)
{
    QRect found;
    for (int y = std::max(area.top(), 0); y <= std::min(area.bottom(), image.height() - 1); ++y)
        for (int x = std::max(area.left(), 0); x <= std::min(area.right(), image.width() - 1); ++x)
            if (image.pixel(x, y) == kGridLabelColour)
                found |= QRect(x, y, 1, 1);
    return found;
}

TEST(PlotFont, IsASevenPointSansFaceWithItsWidthScaledLikeTheScreenFont)
{
    const TScaledFontRequest natural = ScaledFontRequest(70, 0, 96, 96, 0);
    EXPECT_EQ(natural.PixelHeight, 9);  // 93 / 10 + 0.5 truncated
    EXPECT_EQ(natural.AverageWidth, 0);
    EXPECT_EQ(ScaledFontRequest(70, 80, 96, 96, 4).AverageWidth, 5);  // 4 * 106 / 93 + 0.5
    EXPECT_EQ(ScaledFontRequest(70, 80, 120, 120, 5).PixelHeight, 12);

    const QFont font = MakePlotFont();
    EXPECT_EQ(font.pixelSize(), 9);
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
}

TEST(PlotBackground, HasSeventeenGridLinesEndingOnePixelShortOfTheRightEdge)
{
    QImage image = Blank();
    const int topDb = 10;  // every line and label inside the image
    DrawPlotBackground(image, topDb, -160, MakePlotFont());
    EXPECT_EQ(GridRows(image), ExpectedGridRows(topDb, -160));
    EXPECT_EQ(GridRows(image).size(), 16u) << "-160 lies on row 220, below the image";
    for (int y : ExpectedGridRows(topDb, -160)) {
        for (int x = 40; x <= kWidth - 2; ++x)
            ASSERT_EQ(image.pixel(x, y), kGridColour) << x << "," << y;
        EXPECT_EQ(image.pixel(kWidth - 1, y), kPlotBackColour) << "the end pixel is left out";
    }
    // Between the lines only the background.
    EXPECT_EQ(image.pixel(kProbeX, DbToY(-15.0f, topDb, -160, kHeight)), kPlotBackColour);
}

TEST(PlotBackground, LabelsSitInTheirTextBoxesTopLeftAnchored)
{
    QImage image = Blank();
    const int topDb = 10;
    const QFont font = MakePlotFont();
    DrawPlotBackground(image, topDb, -160, font);
    const QFontMetrics metrics(font);
    for (int db : GridLevels()) {
        const int y = DbToY(static_cast<float>(db), topDb, -160, kHeight);
        if (y >= kHeight)
            continue;
        const QString text = GridLabel(static_cast<float>(db));
        const QRect box(kGridLabelX, y - kGridLabelRise, metrics.horizontalAdvance(text), metrics.height());
        // Search well around the box, but not into the neighbouring labels 13 rows away.
        // For the 0 dB line, stop short of "dB".
        const QRect search(0, y - 6, db == 0 ? kDbUnitX : 40, 12);
        const QRect ink = LabelPixels(image, search);
        ASSERT_FALSE(ink.isEmpty()) << "no label for " << db;
        EXPECT_TRUE(box.contains(ink)) << db << ": ink " << ink.x() << "," << ink.y() << " " << ink.width()
                                       << "x" << ink.height();
        EXPECT_GE(ink.top(), y - kGridLabelRise) << db;
        EXPECT_LE(ink.top(), y - kGridLabelRise + 3) << db << ": digits start near the box top";
    }
    EXPECT_EQ(GridLabel(0.0f), QStringLiteral("  0"));
    EXPECT_EQ(GridLabel(-10.0f), QStringLiteral("-10"));
    EXPECT_EQ(GridLabel(-160.0f), QStringLiteral("-160"));

    // "dB" beside the 0 dB line, one row higher than the labels.
    const int zeroRow = DbToY(0.0f, topDb, -160, kHeight);
    const QRect unitBox(kDbUnitX, zeroRow - kDbUnitRise, metrics.horizontalAdvance(QStringLiteral("dB")),
                        metrics.height());
    const QRect unitInk = LabelPixels(image, QRect(kDbUnitX, zeroRow - 8, 20, 16));
    ASSERT_FALSE(unitInk.isEmpty());
    EXPECT_TRUE(unitBox.contains(unitInk));
    EXPECT_LT(unitInk.top(), LabelPixels(image, QRect(0, zeroRow - 8, kDbUnitX, 16)).top() + 1);
}

TEST(PlotBackground, TopAtMinus40ClipsTheUpperLinesAndLabelsTheTopEdgeWithItsUnit)
{
    QImage image = Blank();
    const QFont font = MakePlotFont();
    DrawPlotBackground(image, -40, -160, font);
    const std::set<int> rows = GridRows(image);
    EXPECT_EQ(rows, ExpectedGridRows(-40, -160));
    EXPECT_EQ(rows.size(), 12u) << "-40 .. -150";
    EXPECT_EQ(*rows.begin(), 0) << "the -40 line lies on the top edge";
    // The -40 label is pushed down whole into the plot, "dB" beside it; nothing above is labelled.
    const QFontMetrics metrics(font);
    const int labelWidth = metrics.horizontalAdvance(GridLabel(-40.0f));
    const QRect topInk = LabelPixels(image, QRect(0, 0, kGridLabelX + labelWidth, 12));
    ASSERT_FALSE(topInk.isEmpty());
    EXPECT_EQ(topInk.height(), LabelPixels(image, QRect(0, DbToY(-80.0f, -40, -160, kHeight) - 6, kGridLabelX + labelWidth, 12)).height())
        << "as tall as an uncut label";
    EXPECT_FALSE(LabelPixels(image, QRect(kDbUnitX, 0, 20, 12)).isEmpty()) << "the unit";
}

// The labels of the lines on the plot's edges are read whole after any change of the dB window:
// none is cut off by the bottom edge (where the ruler follows) nor by the top one, and the unit
// stands beside the topmost.
TEST(PlotBackground, EdgeLabelsAreDrawnWholeForEveryDbWindow)
{
    const QFont font = MakePlotFont();
    // An uncut label's ink height (digits and the minus sign), from a line in mid-plot.
    QImage reference = Blank();
    DrawPlotBackground(reference, 10, -160, font);
    const int middle = DbToY(-80.0f, 10, -160, kHeight);
    const int digitsHeight = LabelPixels(reference, QRect(0, middle - 6, kGridLineStartX, 12)).height();
    ASSERT_GT(digitsHeight, 4);

    // The window at start, edges on lines, edges just past lines, one line only. Lines are at
    // least 17 rows apart, so a search 12 rows either side of a line sees its label alone.
    const std::pair<int, int> windows[] = {{7, -121}, {0, -80}, {-10, -100}, {1, -79}, {-3, -13}, {-1, -81}};
    for (const auto &[topDb, bottomDb] : windows) {
        QImage image = Blank();
        DrawPlotBackground(image, topDb, bottomDb, font);
        std::vector<int> onPlot;  // rows of the lines on the plot, edges included, top first
        const std::vector<int> levels = GridLevels();
        for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
            const int y = DbToY(static_cast<float>(*it), topDb, bottomDb, kHeight);
            if (y >= 0 && y <= kHeight)
                onPlot.push_back(y);
        }
        ASSERT_FALSE(onPlot.empty());
        const std::string window = std::to_string(topDb) + ".." + std::to_string(bottomDb);
        for (int y : {onPlot.front(), onPlot.back()}) {
            const QRect ink = LabelPixels(image, QRect(0, y - 12, kGridLineStartX, 25));
            ASSERT_FALSE(ink.isEmpty()) << window << " line at " << y;
            EXPECT_EQ(ink.height(), digitsHeight) << window << " line at " << y << ": label cut off";
        }
        const QRect unitInk = LabelPixels(image, QRect(kDbUnitX, onPlot.front() - 12, 40, 25));
        EXPECT_FALSE(unitInk.isEmpty()) << window << ": no unit";
    }
}

TEST(Trace, EachSegmentLeavesOutItsEndPixelAndSteepOnesSplitAtHalfHeight)
{
    QImage image = Blank();
    const std::vector<int> rows = {50, 60, 60, 61, 40, 40};
    DrawTrace(image, rows, kLeftTraceColour);
    auto lit = [&](int x, int y) { return image.pixel(x, y) == kLeftTraceColour; };
    // (0, 50) -> (1, 60): rows 50..54 in column 0, 55..59 in column 1.
    for (int y = 50; y <= 54; ++y)
        EXPECT_TRUE(lit(0, y)) << y;
    for (int y = 55; y <= 59; ++y)
        EXPECT_TRUE(lit(1, y)) << y;
    EXPECT_FALSE(lit(0, 55));
    EXPECT_FALSE(lit(1, 54));
    // (1, 60) -> (2, 60) -> (3, 61): one pixel each.
    EXPECT_TRUE(lit(1, 60));
    EXPECT_TRUE(lit(2, 60));
    EXPECT_FALSE(lit(2, 61));
    // (3, 61) -> (4, 40) upwards: 21 rows, 61..51 in column 3, 50..41 in column 4.
    for (int y = 51; y <= 61; ++y)
        EXPECT_TRUE(lit(3, y)) << y;
    for (int y = 41; y <= 50; ++y)
        EXPECT_TRUE(lit(4, y)) << y;
    // The last point (5, 40) ends the polyline and is not drawn; (4, 40) starts the last segment.
    EXPECT_TRUE(lit(4, 40));
    EXPECT_FALSE(lit(5, 40));
    int litCount = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            litCount += lit(x, y);
    EXPECT_EQ(litCount, 10 + 1 + 1 + 21 + 1);
}

TEST(Trace, PointsOutsideTheImageAreClipped)
{
    QImage image = Blank();
    const std::vector<int> rows = {kHeight, kHeight, -1000000, 1000000, 10, kHeight + 5, kHeight + 5};
    DrawTrace(image, rows, kRightTraceColour);
    for (int y = 0; y < kHeight; ++y) {
        EXPECT_NE(image.pixel(0, y), kRightTraceColour) << "(0, 220) -> (1, 220) lies below";
    }
    EXPECT_EQ(image.pixel(1, 0), kRightTraceColour) << "a steep climb crosses the top row";
    EXPECT_EQ(image.pixel(3, kHeight - 1), kRightTraceColour);
    EXPECT_EQ(image.pixel(4, 10), kRightTraceColour);
}

TSpectrumColumns RampColumns(float base)
{
    TSpectrumColumns columns;
    columns.NumPoints = kWidth;
    for (int i = 0; i < kWidth; ++i) {
        columns.LeftDb[static_cast<size_t>(i)] = base - static_cast<float>(i % 40);
        columns.RightDb[static_cast<size_t>(i)] = base - 60.0f - static_cast<float>(i % 40);
    }
    return columns;
}

TEST(PlotRenderer, DrawsRightThenLeftThroughTheComputedRowsButNotTheLastColumn)
{
    TSpectrumSettings settings;
    settings.TopDb = 0;
    settings.BottomDb = -160;
    settings.SALeftOn = true;
    settings.SARightOn = true;
    TPlotRenderer renderer(QSize(kWidth, kHeight), MakePlotFont());
    QImage frame(kWidth, kHeight, QImage::Format_RGB32);

    TSpectrumColumns columns = RampColumns(-30.0f);
    columns.LeftDb[kWidth - 1] = -50.0f;
    columns.RightDb[kWidth - 1] = -50.0f;
    renderer.Render(frame, columns, settings);
    for (int i = 0; i < kWidth - 2; ++i) {
        const int leftY = DbToY(columns.LeftDb[static_cast<size_t>(i)], 0, -160, kHeight);
        const int rightY = DbToY(columns.RightDb[static_cast<size_t>(i)], 0, -160, kHeight);
        ASSERT_EQ(frame.pixel(i, leftY), kLeftTraceColour) << "column " << i;
        ASSERT_EQ(frame.pixel(i, rightY), kRightTraceColour) << "column " << i;
    }
    for (int y = 0; y < kHeight; ++y) {
        EXPECT_NE(frame.pixel(kWidth - 1, y), kLeftTraceColour) << y;
        EXPECT_NE(frame.pixel(kWidth - 1, y), kRightTraceColour) << y;
    }

    // Equal levels: the left trace covers the right one.
    TSpectrumColumns same = RampColumns(-30.0f);
    same.RightDb = same.LeftDb;
    renderer.Render(frame, same, settings);
    for (int i = 0; i < kWidth - 2; ++i)
        ASSERT_EQ(frame.pixel(i, DbToY(same.LeftDb[static_cast<size_t>(i)], 0, -160, kHeight)),
                  kLeftTraceColour);
    int yellow = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            yellow += frame.pixel(x, y) == kRightTraceColour;
    EXPECT_EQ(yellow, 0);
}

TEST(PlotRenderer, BothChannelsOffShowOnlyBackgroundAndGrid)
{
    TSpectrumSettings settings;
    settings.TopDb = 7;
    settings.BottomDb = -121;
    settings.SALeftOn = false;
    settings.SARightOn = false;
    const QFont font = MakePlotFont();
    TPlotRenderer renderer(QSize(kWidth, kHeight), font);
    QImage frame(kWidth, kHeight, QImage::Format_RGB32);
    renderer.Render(frame, RampColumns(-20.0f), settings);

    QImage background = Blank();
    DrawPlotBackground(background, 7, -121, font);
    EXPECT_EQ(frame, background);
    std::set<QRgb> colours;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            colours.insert(frame.pixel(x, y));
    EXPECT_EQ(colours, (std::set<QRgb>{kPlotBackColour, kGridColour, kGridLabelColour}));
}

TEST(PlotRenderer, FollowsAChangeOfTheDbWindow)
{
    TSpectrumSettings settings;
    settings.SALeftOn = false;
    settings.SARightOn = false;
    TPlotRenderer renderer(QSize(kWidth, kHeight), MakePlotFont());
    QImage frame(kWidth, kHeight, QImage::Format_RGB32);
    renderer.Render(frame, RampColumns(-20.0f), settings);
    EXPECT_EQ(GridRows(frame), ExpectedGridRows(0, -160));
    settings.TopDb = -40;
    renderer.Render(frame, RampColumns(-20.0f), settings);
    EXPECT_EQ(GridRows(frame), ExpectedGridRows(-40, -160));
}

// At a device pixel ratio of 2 the plot keeps its logical geometry, but grid rows, trace rows
// and text are placed at device resolution: an enlarged 1x plot would consist of 2 x 2 blocks.
constexpr qreal kRatio = 2.0;
constexpr int kDeviceWidth = 2 * kWidth;
constexpr int kDeviceHeight = 2 * kHeight;

QImage BlankAtTwice()
{
    QImage image(kDeviceWidth, kDeviceHeight, QImage::Format_RGB32);
    image.setDevicePixelRatio(kRatio);
    image.fill(kPlotBackColour);
    return image;
}

// Aligned 2 x 2 device blocks inside `area` holding both `colour` and another one.
int MixedBlocks(const QImage &image, QRect area, QRgb colour)
{
    int mixed = 0;
    for (int y = area.top() & ~1; y + 1 <= area.bottom(); y += 2)
        for (int x = area.left() & ~1; x + 1 <= area.right(); x += 2) {
            const int hits = (image.pixel(x, y) == colour) + (image.pixel(x + 1, y) == colour) +
                             (image.pixel(x, y + 1) == colour) + (image.pixel(x + 1, y + 1) == colour);
            mixed += hits > 0 && hits < 4;
        }
    return mixed;
}

TEST(HighDensityPlot, GridLinesAreOneLogicalPixelAtDeviceRowsAndLabelsAreDrawnAtDeviceResolution)
{
    QImage image = BlankAtTwice();
    const int topDb = 10;
    DrawPlotBackground(image, topDb, -160, MakePlotFont());
    for (int db : GridLevels()) {
        const int y = DbToY(static_cast<float>(db), topDb, -160, kDeviceHeight);
        if (y >= kDeviceHeight)
            continue;
        EXPECT_EQ(image.pixel(2 * kProbeX, y), kGridColour) << db;
        EXPECT_EQ(image.pixel(2 * kProbeX, y + 1), kGridColour) << db;
        EXPECT_NE(image.pixel(2 * kProbeX, y - 1), kGridColour) << db;
        EXPECT_NE(image.pixel(2 * kProbeX, y + 2), kGridColour) << db;
        EXPECT_EQ(image.pixel(2 * kGridLineStartX, y), kGridColour) << db;
        EXPECT_EQ(image.pixel(kDeviceWidth - 3, y), kGridColour) << db;
        EXPECT_EQ(image.pixel(kDeviceWidth - 2, y), kPlotBackColour) << db << ": a logical end pixel left out";
    }
    // The -10 line lies at device row 51, between logical rows 25 and 26.
    EXPECT_EQ(DbToY(-10.0f, topDb, -160, kDeviceHeight), 51);

    const int y = DbToY(-50.0f, topDb, -160, kDeviceHeight);
    const QRect labelArea(0, y - 14, 2 * kGridLineStartX, 26);
    const QRect ink = LabelPixels(image, labelArea);
    ASSERT_FALSE(ink.isEmpty());
    const QRect inkAtOnce = [&] {
        QImage single = Blank();
        DrawPlotBackground(single, topDb, -160, MakePlotFont());
        const int singleY = DbToY(-50.0f, topDb, -160, kHeight);
        return LabelPixels(single, QRect(0, singleY - 7, kGridLineStartX, 13));
    }();
    EXPECT_NEAR(ink.height(), 2 * inkAtOnce.height(), 2) << "the text keeps its logical size";
    EXPECT_NEAR(ink.top(), y - 2 * kGridLabelRise + 2 * (inkAtOnce.top() - (DbToY(-50.0f, topDb, -160, kHeight) - kGridLabelRise)), 2);
    EXPECT_GT(MixedBlocks(image, labelArea, kGridLabelColour), 10) << "glyph edges at device pixels";
}

TEST(HighDensityPlot, TracesRunThroughDeviceRowsTwoPixelsWideAndLeaveOutTheirLastPoint)
{
    QImage image = BlankAtTwice();
    const std::vector<int> rows = {21, 21, 27, 27};
    DrawTrace(image, rows, kLeftTraceColour);
    auto lit = [&](int x, int row) { return image.pixel(x, row) == kLeftTraceColour; };
    // (0, 21) -> (2, 21): columns 0 and 1 at row 21, two rows deep and spreading one column right.
    for (int x = 0; x <= 2; ++x) {
        EXPECT_TRUE(lit(x, 21)) << x;
        EXPECT_TRUE(lit(x, 22)) << x;
        EXPECT_FALSE(lit(x, 20)) << x;
    }
    // (2, 21) -> (4, 27): one point per row, moving right as it falls.
    for (int row = 21; row <= 26; ++row) {
        int first = -1;
        for (int x = 0; x < 8 && first < 0; ++x)
            if (lit(x, row))
                first = x;
        EXPECT_GE(first, 0) << row;
    }
    EXPECT_TRUE(lit(2, 21));
    EXPECT_TRUE(lit(4, 26));
    // (4, 27) -> (6, 27): the end point (6, 27) is left out; its width reaches column 6 only.
    EXPECT_TRUE(lit(5, 27));
    EXPECT_TRUE(lit(6, 28));
    for (int y = 0; y < kDeviceHeight; ++y)
        EXPECT_FALSE(lit(7, y)) << y;
    EXPECT_GT(MixedBlocks(image, QRect(0, 18, 8, 12), kLeftTraceColour), 0);
}

TEST(HighDensityPlot, RendererFollowsTheRatioAndReturnsToTheExact1xFrame)
{
    TSpectrumSettings settings;
    settings.SALeftOn = true;
    settings.SARightOn = true;
    TPlotRenderer renderer(QSize(kWidth, kHeight), MakePlotFont());
    QImage frame(kWidth, kHeight, QImage::Format_RGB32);
    TSpectrumColumns columns = RampColumns(-30.0f);
    for (int i = 0; i < 100; ++i)
        columns.LeftDb[static_cast<size_t>(i)] = -20.0f;
    renderer.Render(frame, columns, settings);
    const QImage atOnce = frame.copy();

    renderer.Render(frame, columns, settings, kRatio);
    ASSERT_EQ(frame.size(), QSize(kDeviceWidth, kDeviceHeight));
    EXPECT_EQ(frame.devicePixelRatio(), kRatio);
    // A trace at -20 dB lies on the -20 dB grid line.
    const int gridRow = DbToY(-20.0f, 0, -160, kDeviceHeight);
    EXPECT_EQ(frame.pixel(2 * 50, gridRow), kLeftTraceColour);
    EXPECT_EQ(frame.pixel(2 * 50 + 1, gridRow + 1), kLeftTraceColour);
    EXPECT_EQ(frame.pixel(2 * kProbeX, gridRow), kGridColour);
    for (int i = 0; i < kWidth - 2; i += 37) {
        const int rightRow = DbToY(columns.RightDb[static_cast<size_t>(i)], 0, -160, kDeviceHeight);
        EXPECT_EQ(frame.pixel(2 * i, rightRow), kRightTraceColour) << i;
    }

    renderer.Render(frame, columns, settings, 1.0);
    EXPECT_EQ(frame.devicePixelRatio(), 1.0);
    EXPECT_EQ(frame, atOnce);
}

}  // namespace
