// Tests of the region geometry: rotation, region/polygon conversion, inset, bevel bands, fills.
#include "regiongeometry.h"
#include "shapeoutlines.h"

#include <QElapsedTimer>
#include <QTest>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

// Independent reference: a counter-clockwise screen rotation (y down) about (cx, cy).
QPointF referenceRotation(QPointF p, QPointF centre, double degrees)
{
    const double a = degrees * std::numbers::pi / 180.0;
    const QPointF d = p - centre;
    return centre + QPointF(d.x() * std::cos(a) + d.y() * std::sin(a), -d.x() * std::sin(a) + d.y() * std::cos(a));
}

long long area(const QRegion &region)
{
    long long total = 0;
    for (const QRect &r : region)
        total += static_cast<long long>(r.width()) * r.height();
    return total;
}

TPolygonSet rectangleSet(QRect r, int level, TPolygonSet set = {})
{
    set.add({r.topLeft(), QPoint(r.x() + r.width(), r.y()), QPoint(r.x() + r.width(), r.y() + r.height()),
             QPoint(r.x(), r.y() + r.height())},
            level);
    return set;
}

}  // namespace

TEST(PolyRotate, QuarterTurnIsCounterClockwiseOnScreen)
{
    Tpoints points{{10, 0}};
    PolyZrotate(points, 900);
    EXPECT_EQ(points[0], QPoint(0, -10));
}

TEST(PolyRotate, ZeroHalfAndFullTurnsAboutTheOrigin)
{
    const Tpoints original{{10, 0}, {3, -7}, {-5, 4}, {0, 0}};
    Tpoints same = original;
    PolyZrotate(same, 0);
    EXPECT_EQ(same, original);

    Tpoints half = original;
    PolyZrotate(half, 1800);
    for (std::size_t i = 0; i < original.size(); ++i)
        EXPECT_EQ(half[i], -original[i]) << "point " << i;

    Tpoints full = original;
    PolyZrotate(full, 3600);
    EXPECT_EQ(full, original);
}

TEST(PolyRotate, ArbitraryAnglesAboutAPointMatchTheClosedForm)
{
    const QPoint centre(26, 12);
    const Tpoints original{{0, 0}, {53, 0}, {53, 25}, {0, 25}, {26, 12}, {40, 3}};
    for (const int tenths : {900, 1800, 300, 1234, -450, -1799}) {
        Tpoints turned = original;
        PolyRotate(turned, centre.x(), centre.y(), tenths);
        for (std::size_t i = 0; i < original.size(); ++i) {
            const QPointF expected = referenceRotation(original[i], centre, tenths / 10.0);
            // Each point and the centre offset are rounded separately: at most one pixel apart.
            EXPECT_LE(std::abs(turned[i].x() - expected.x()), 1.0) << tenths << " point " << i;
            EXPECT_LE(std::abs(turned[i].y() - expected.y()), 1.0) << tenths << " point " << i;
        }
    }
}

TEST(PolyRotate, ExactQuarterAndHalfTurnsAboutAPoint)
{
    Tpoints quarter{{10, 5}};
    PolyRotate(quarter, 5, 5, 900);
    EXPECT_EQ(quarter[0], QPoint(5, 0));
    Tpoints half{{10, 5}};
    PolyRotate(half, 5, 5, 1800);
    EXPECT_EQ(half[0], QPoint(0, 5));
}

TEST(PolyRotate, EmptyListsAndZeroSteps)
{
    Tpoints none;
    PolyRotate(none, 3, 4, 450);
    EXPECT_TRUE(none.empty());
    Tpoints origin{{0, 0}};
    PolyRotate(origin, 0, 0, 777);
    EXPECT_EQ(origin[0], QPoint(0, 0));
}

TEST(Angles, NormalisedIntoTheOpenHalfTurnRange)
{
    EXPECT_EQ(NormalizeAngle(2000), -1600);
    EXPECT_EQ(NormalizeAngle(1800), 1800);
    EXPECT_EQ(NormalizeAngle(-1800), 1800);
    EXPECT_EQ(NormalizeAngle(3600), 0);
    EXPECT_EQ(NormalizeAngle(-1799), -1799);
    EXPECT_EQ(RotatedBoxSize(53, 25, 900), QSize(25, 53));
    EXPECT_EQ(RotatedBoxSize(0, 0, 450), QSize(0, 0));
}

TEST(ReCreateRgn, PolygonCornersEncloseExactlyTheBoxPixels)
{
    const QRegion region = ReCreateRgn(rectangleSet(QRect(0, 0, 53, 25), 0));
    EXPECT_EQ(region, QRegion(0, 0, 53, 25));
}

TEST(ReCreateRgn, HolesCutOutAndIslandsComeBack)
{
    TPolygonSet set = rectangleSet(QRect(0, 0, 30, 30), 0);
    set = rectangleSet(QRect(5, 5, 20, 20), 1, set);
    set = rectangleSet(QRect(10, 10, 5, 5), 2, set);
    const QRegion expected = QRegion(0, 0, 30, 30).subtracted(QRegion(5, 5, 20, 20)).united(QRegion(10, 10, 5, 5));
    EXPECT_EQ(ReCreateRgn(set), expected);
}

TEST(ReCreateRgn, DegeneratePolygonsEncloseNothing)
{
    TPolygonSet set;
    set.add({}, 0);
    set.add({{1, 1}}, 0);
    set.add({{1, 1}, {5, 5}}, 0);
    EXPECT_TRUE(ReCreateRgn(set).isEmpty());
    EXPECT_TRUE(ReCreateRgn(TPolygonSet{}).isEmpty());
}

TEST(RgnToPoly, RectangularHoleTracesToTwoNestedPolygons)
{
    const QRegion holed = QRegion(0, 0, 40, 30).subtracted(QRegion(10, 8, 12, 9));
    const TPolygonSet set = RgnToPoly(holed);
    ASSERT_EQ(set.counts.size(), 2u);
    EXPECT_EQ(set.counts[0], 4);
    EXPECT_EQ(set.counts[1], 4);
    Tintegers levels = set.levels;
    std::sort(levels.begin(), levels.end());
    EXPECT_EQ(levels, (Tintegers{0, 1}));
    EXPECT_EQ(ReCreateRgn(set), holed);
}

TEST(RgnToPoly, StepShapesAndSeparateIslandsRoundTrip)
{
    QRegion shape = QRegion(0, 0, 10, 4).united(QRegion(0, 4, 4, 6)).united(QRegion(20, 20, 3, 3));
    shape = shape.united(QRegion(30, 0, 20, 20).subtracted(QRegion(35, 5, 10, 10))).united(QRegion(38, 8, 4, 4));
    const TPolygonSet set = RgnToPoly(shape);
    EXPECT_EQ(ReCreateRgn(set), shape);
    EXPECT_EQ(*std::max_element(set.levels.begin(), set.levels.end()), 2);
    EXPECT_TRUE(RgnToPoly(QRegion()).empty());
}

TEST(RotateRegion, QuarterTurnSwapsTheSidesAndEmptyRegionsReportFalse)
{
    QRegion region(0, 0, 40, 20);
    ASSERT_TRUE(RotateRegion(region, 20, 10, 900));
    EXPECT_EQ(region.boundingRect().size(), QSize(20, 40));
    EXPECT_EQ(area(region), 800);
    QRegion none;
    EXPECT_FALSE(RotateRegion(none, 0, 0, 900));
}

TEST(PointInPolygon, PointsOnEdgesAreOutside)
{
    const std::vector<QPointF> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    EXPECT_TRUE(PrealinPoly(square, 5.0, 5.0));
    EXPECT_FALSE(PrealinPoly(square, 5.0, 10.0));
    EXPECT_FALSE(PrealinPoly(square, 0.0, 5.0));
    EXPECT_FALSE(PrealinPoly(square, 5.0, 12.0));
    const Tpoints repeated{{0, 0}, {0, 0}, {10, 0}, {10, 10}, {10, 10}, {0, 10}, {0, 0}};
    EXPECT_TRUE(PinPoly(repeated, {3, 3}));
    EXPECT_FALSE(PinPoly(repeated, {10, 3}));
    EXPECT_FALSE(PinPoly(Tpoints{{0, 0}, {5, 5}}, {1, 1}));
}

TEST(InsetAndBevel, RoundedRectangleBandsAreNestedAndDisjoint)
{
    TOutlineParams params;
    params.depth = 2;
    const TPolygonSet outline = ShapeOutline(bkRoundRect, 53, 25, params);
    const TPolygonSet inner = Getinner(outline, 2);
    const TPolygonSet innerInner = Getinner(inner, 2);
    ASSERT_EQ(inner.counts, outline.counts);
    const QRegion outer = ReCreateRgn(outline);
    const QRegion innerRegion = ReCreateRgn(inner);
    const QRegion innerInnerRegion = ReCreateRgn(innerInner);
    EXPECT_EQ(innerRegion.subtracted(outer), QRegion());
    EXPECT_EQ(innerInnerRegion.subtracted(innerRegion), QRegion());
    EXPECT_EQ(innerRegion.boundingRect(), QRect(2, 2, 49, 21));

    const TBevelBands bands = GetLDppoly(outline, inner);
    const QRegion light = ReCreateRgn(bands.light);
    const QRegion dark = ReCreateRgn(bands.dark);
    EXPECT_TRUE(light.intersected(dark).isEmpty());
    EXPECT_TRUE(light.intersected(innerRegion).isEmpty());
    EXPECT_TRUE(dark.intersected(innerRegion).isEmpty());
    EXPECT_EQ(light.subtracted(outer), QRegion());
    EXPECT_EQ(dark.subtracted(outer), QRegion());
    // The band fills the whole ring between the outline and its inset.
    EXPECT_EQ(outer.subtracted(innerRegion), light.united(dark));
    // Top and left are light, bottom and right dark.
    EXPECT_TRUE(light.contains(QPoint(26, 0)) && light.contains(QPoint(0, 12)));
    EXPECT_TRUE(dark.contains(QPoint(26, 24)) && dark.contains(QPoint(52, 12)));
}

TEST(InsetAndBevel, HolesGrowAndTheirBandsAreLitFromTheLowerRight)
{
    // As traced from a region: the outer boundary clockwise, the hole counter-clockwise.
    const TPolygonSet set = RgnToPoly(QRegion(0, 0, 40, 40).subtracted(QRegion(10, 10, 20, 20)));
    const TPolygonSet inner = Getinner(set, 3);
    EXPECT_EQ(ReCreateRgn(inner), QRegion(3, 3, 34, 34).subtracted(QRegion(7, 7, 26, 26)));
    const TBevelBands bands = GetLDppoly(set, inner);
    const QRegion light = ReCreateRgn(bands.light);
    const QRegion dark = ReCreateRgn(bands.dark);
    // Inside the hole the material's lower edge faces up: it catches the light.
    EXPECT_TRUE(light.contains(QPoint(20, 31)));
    EXPECT_TRUE(dark.contains(QPoint(20, 8)));
}

TEST(InsetAndBevel, DegenerateOutlinesStayAsTheyAre)
{
    TPolygonSet set;
    set.add({{1, 1}, {4, 4}}, 0);
    set.add({{2, 2}, {2, 2}, {2, 2}}, 0);
    const TPolygonSet inner = Getinner(set, 2);
    EXPECT_EQ(inner.points, set.points);
    const TBevelBands bands = GetLDppoly(set, inner);
    EXPECT_TRUE(ReCreateRgn(bands.light).isEmpty());
    TPolygonSet mismatched = rectangleSet(QRect(0, 0, 5, 5), 0);
    EXPECT_TRUE(GetLDppoly(mismatched, TPolygonSet{}).light.empty());
}

TEST(SurfaceFill, FillsOnlyTheFourConnectedAreaOfTheSeedColour)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(qRgb(0, 255, 0));
    for (int i = 0; i < 16; ++i) {
        image.setPixel(8, i, qRgb(0, 0, 0));  // a wall down the middle
        image.setPixel(i, 8, qRgb(0, 0, 0));
    }
    image.setPixel(8, 4, qRgb(0, 255, 0));  // a gap joins the upper two quarters
    image.setPixel(3, 3, qRgb(0, 0, 255));  // an island of another colour
    SurfaceFill(image, {1, 1}, qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(14, 1), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(8, 4), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(3, 3), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(1, 14), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(9, 9), qRgb(0, 255, 0));
    // Diagonal neighbours are not connected.
    QImage diagonal(3, 3, QImage::Format_RGB32);
    diagonal.fill(qRgb(0, 0, 0));
    diagonal.setPixel(0, 0, qRgb(0, 255, 0));
    diagonal.setPixel(1, 1, qRgb(0, 255, 0));
    SurfaceFill(diagonal, {0, 0}, qRgb(255, 0, 0));
    EXPECT_EQ(diagonal.pixel(1, 1), qRgb(0, 255, 0));
}

TEST(SurfaceFill, SameColourOutsideSeedsAndHugeAreasTerminate)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    const QImage before = image;
    SurfaceFill(image, {1, 1}, qRgb(10, 20, 30));
    SurfaceFill(image, {-1, 2}, qRgb(1, 2, 3));
    SurfaceFill(image, {4, 0}, qRgb(1, 2, 3));
    EXPECT_EQ(image, before);

    // A serpentine of one-pixel corridors: a recursive fill would nest once per pixel.
    QImage maze(1001, 1001, QImage::Format_RGB32);
    maze.fill(qRgb(255, 255, 255));
    for (int y = 1; y < maze.height(); y += 2)
        for (int x = 0; x < maze.width(); ++x)
            if (!((y / 2) % 2 == 0 ? x == maze.width() - 1 : x == 0))
                maze.setPixel(x, y, qRgb(0, 0, 0));
    SurfaceFill(maze, {0, 0}, qRgb(255, 0, 0));
    EXPECT_EQ(maze.pixel(maze.width() - 1, maze.height() - 1), qRgb(255, 0, 0));
    EXPECT_EQ(maze.pixel(5, 1), qRgb(0, 0, 0));
}

TEST(StringRegion, RegionDataBlocksDecodeAndBadBlocksGiveNothing)
{
    auto block = [](const std::vector<QRect> &rects, int claimed) {
        QByteArray data(32 + 16 * static_cast<int>(rects.size()), '\0');
        auto put = [&](int at, qint32 v) { qToLittleEndian(v, data.data() + at); };
        put(0, 32);
        put(4, 1);
        put(8, claimed);
        put(12, 16 * static_cast<qint32>(rects.size()));
        for (std::size_t i = 0; i < rects.size(); ++i) {
            const int at = 32 + 16 * static_cast<int>(i);
            put(at, rects[i].left());
            put(at + 4, rects[i].top());
            put(at + 8, rects[i].left() + rects[i].width());
            put(at + 12, rects[i].top() + rects[i].height());
        }
        return data;
    };
    const QByteArray good = block({QRect(0, 0, 10, 5), QRect(2, 5, 3, 200)}, 2);
    EXPECT_EQ(RegionFromRegionData(good), QRegion(0, 0, 10, 5).united(QRegion(2, 5, 3, 200)));
    EXPECT_TRUE(RegionFromRegionData(block({QRect(0, 0, 10, 5)}, 1000)).isEmpty());
    EXPECT_TRUE(RegionFromRegionData(good.left(20)).isEmpty());

    // Text form: plain characters for small bytes, "!" + (byte + 128) otherwise.
    QString text;
    for (const char c : good) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte < 127 && byte != '!')
            text += QChar(byte) + QStringLiteral("x");
        else
            text += QStringLiteral("!") + QChar(byte + 128);
    }
    EXPECT_EQ(DecodeStringRegion(text), good);
}

// A zero period is kept as given but the steps still come at most one per kMinPeriodMs: a zero
// interval would flood the event loop with thousands of steps in the same time.
TEST(RotateTimer, ZeroPeriodIsHeldAtTheMinimumAndNegativeIsIgnored)
{
    TRotateTimer timer(40);
    timer.SetPeriod(-5);
    EXPECT_EQ(timer.period(), 40);
    timer.SetPeriod(0);
    EXPECT_EQ(timer.period(), 0);
    EXPECT_TRUE(timer.suspended());

    int steps = 0;
    QObject::connect(&timer, &TRotateTimer::step, [&] { ++steps; });
    constexpr int kWatchMs = 200;
    QElapsedTimer watched;
    watched.start();
    timer.Resume();
    EXPECT_FALSE(timer.suspended());
    QTest::qWait(kWatchMs);
    const auto elapsed = static_cast<int>(watched.elapsed());
    timer.Suspend();
    EXPECT_TRUE(timer.suspended());
    EXPECT_GT(steps, 0);
    // Half the minimum period leaves room for a timer that fires a little early.
    EXPECT_LE(steps, 2 * elapsed / TRotateTimer::kMinPeriodMs + 1) << "in " << elapsed << " ms";

    const int stepsWhenSuspended = steps;
    QTest::qWait(50);
    EXPECT_EQ(steps, stepsWhenSuspended);
}
