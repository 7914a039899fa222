// Region geometry for shaped controls: polygon sets, rotation, regions, insets, bevel bands, fills.
#include "regiongeometry.h"

#include <QPainterPath>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kRadiansPerTenth = std::numbers::pi / kTenthsPerHalfTurn;
// How far along the bisector the inside of a corner is probed.
constexpr double kInsideProbeDistance = 0.011;
// Below this |sin| of the half-angle the corner is a straight line and the vertex stays.
constexpr double kStraightCornerSine = 0.001;
// Below this |sin| a sharp corner would shoot far out; the move is capped at twice the inset.
constexpr double kMiterLimitSine = 0.5;
constexpr double kMiterCapFactor = 2.0;

int roundToInt(double v) { return static_cast<int>(std::lround(v)); }

std::vector<QPointF> toReal(const Tpoints &points)
{
    std::vector<QPointF> real;
    real.reserve(points.size());
    for (const QPoint &p : points)
        real.emplace_back(p);
    return real;
}

template <typename Point>
bool onSegment(const Point &a, const Point &b, double y, double x)
{
    const double cross = (b.x() - a.x()) * (y - a.y()) - (b.y() - a.y()) * (x - a.x());
    return cross == 0.0 && x >= std::min<double>(a.x(), b.x()) && x <= std::max<double>(a.x(), b.x()) &&
           y >= std::min<double>(a.y(), b.y()) && y <= std::max<double>(a.y(), b.y());
}

// Counts crossings of the horizontal line at y to the right and to the left of x. A point on an
// edge is outside, also on a horizontal edge, which the crossing count alone would miss.
template <typename Point>
bool insideByCrossings(const std::vector<Point> &points, double y, double x)
{
    const std::size_t n = points.size();
    if (n < 3)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (onSegment(points[i], points[(i + 1) % n], y, x))
            return false;
    int right = 0;
    int left = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x1 = points[i].x();
        const double y1 = points[i].y();
        const double x2 = points[(i + 1) % n].x();
        const double y2 = points[(i + 1) % n].y();
        // One end inclusive, the other exclusive, so a vertex on the line counts once.
        const bool spans = (y1 <= y && y < y2) || (y2 <= y && y < y1);
        if (!spans)
            continue;
        const double crossX = x1 + (y - y1) * (x2 - x1) / (y2 - y1);
        if (crossX > x)
            ++right;
        else if (crossX < x)
            ++left;
    }
    return (right % 2 == 1) && (left % 2 == 1);
}

// Removes vertices that repeat their predecessor (including the closing repeat of the first).
Tpoints withoutRepeats(const Tpoints &points)
{
    Tpoints out;
    for (const QPoint &p : points)
        if (out.empty() || out.back() != p)
            out.push_back(p);
    while (out.size() > 1 && out.back() == out.front())
        out.pop_back();
    return out;
}

// Twice the signed area; positive for a clockwise walk on the screen (y down).
long long signedArea2(const Tpoints &poly)
{
    long long sum = 0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const QPoint a = poly[i];
        const QPoint b = poly[(i + 1) % poly.size()];
        sum += static_cast<long long>(a.x()) * b.y() - static_cast<long long>(b.x()) * a.y();
    }
    return sum;
}

// SimplifyPolys: drop vertices lying on the straight line between their neighbours.
Tpoints withoutCollinear(Tpoints points)
{
    bool removed = true;
    while (removed && points.size() > 3) {
        removed = false;
        const int n = static_cast<int>(points.size());
        for (int i = 0; i < n; ++i) {
            const QPoint a = points[static_cast<std::size_t>(PredP(i, n))];
            const QPoint b = points[static_cast<std::size_t>(i)];
            const QPoint c = points[static_cast<std::size_t>(NextP(i, n))];
            const long long cross = static_cast<long long>(b.x() - a.x()) * (c.y() - b.y()) -
                                    static_cast<long long>(b.y() - a.y()) * (c.x() - b.x());
            if (cross == 0) {
                points.erase(points.begin() + i);
                removed = true;
                break;
            }
        }
    }
    return points;
}

// Index of the nearest vertex before/after i that does not coincide with vertex i.
int distinctNeighbour(const Tpoints &poly, int i, bool forward)
{
    const int n = static_cast<int>(poly.size());
    int j = i;
    for (int step = 0; step < n - 1; ++step) {
        j = forward ? NextP(j, n) : PredP(j, n);
        if (poly[static_cast<std::size_t>(j)] != poly[static_cast<std::size_t>(i)])
            return j;
    }
    return -1;
}

Tpoints insetPolygon(const Tpoints &poly, bool isHole, double distance)
{
    const int n = static_cast<int>(poly.size());
    if (n < 3)
        return poly;
    const std::vector<QPointF> real = toReal(poly);
    Tpoints out(poly.size());
    for (int i = 0; i < n; ++i) {
        const QPoint p = poly[static_cast<std::size_t>(i)];
        out[static_cast<std::size_t>(i)] = p;
        const int prev = distinctNeighbour(poly, i, false);
        const int next = distinctNeighbour(poly, i, true);
        if (prev < 0 || next < 0)
            continue;
        const QPoint a = poly[static_cast<std::size_t>(prev)];
        const QPoint b = poly[static_cast<std::size_t>(next)];
        const double alpha = std::atan2(a.y() - p.y(), a.x() - p.x());
        const double beta = std::atan2(b.y() - p.y(), b.x() - p.x());
        double bisector = (alpha + beta) / 2.0;
        const double halfSine = std::fabs(std::sin((alpha - beta) / 2.0));
        if (halfSine < kStraightCornerSine)
            continue;
        const bool probeInside =
            PrealinPoly(real, p.y() + kInsideProbeDistance * std::sin(bisector),
                        p.x() + kInsideProbeDistance * std::cos(bisector));
        if (probeInside == isHole)
            bisector += std::numbers::pi;
        const double move = halfSine >= kMiterLimitSine ? distance / halfSine : kMiterCapFactor * distance;
        out[static_cast<std::size_t>(i)] =
            QPoint(roundToInt(p.x() + move * std::cos(bisector)), roundToInt(p.y() + move * std::sin(bisector)));
    }
    return out;
}

}  // namespace

Tpoints TPolygonSet::polygon(std::size_t index) const
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i)
        start += static_cast<std::size_t>(counts[i]);
    const auto first = points.begin() + static_cast<std::ptrdiff_t>(start);
    return Tpoints(first, first + counts[index]);
}

void TPolygonSet::add(const Tpoints &polygon, int level)
{
    points.insert(points.end(), polygon.begin(), polygon.end());
    counts.push_back(static_cast<int>(polygon.size()));
    levels.push_back(level);
}

int NormalizeAngle(int angle)
{
    angle %= kTenthsPerTurn;
    if (angle > kTenthsPerHalfTurn)
        angle -= kTenthsPerTurn;
    else if (angle <= -kTenthsPerHalfTurn)
        angle += kTenthsPerTurn;
    return angle;
}

QSize RotatedBoxSize(int width, int height, int angle)
{
    const double c = std::fabs(std::cos(angle * kRadiansPerTenth));
    const double s = std::fabs(std::sin(angle * kRadiansPerTenth));
    return QSize(roundToInt(c * width + s * height), roundToInt(s * width + c * height));
}

void PolyZrotate(Tpoints &points, int angle)
{
    const double turn = angle * kRadiansPerTenth;
    for (QPoint &p : points) {
        const double r = std::hypot(static_cast<double>(p.x()), static_cast<double>(p.y()));
        if (roundToInt(r) == 0)
            continue;
        const double theta = std::atan2(-static_cast<double>(p.y()), static_cast<double>(p.x())) + turn;
        p = QPoint(roundToInt(r * std::cos(theta)), -roundToInt(r * std::sin(theta)));
    }
}

void PolyRotate(Tpoints &points, int cx, int cy, int angle)
{
    PolyZrotate(points, angle);
    const double r = std::hypot(static_cast<double>(cx), static_cast<double>(cy));
    if (roundToInt(r) == 0)
        return;
    const double theta = std::atan2(-static_cast<double>(cy), static_cast<double>(cx)) + angle * kRadiansPerTenth;
    const QPoint offset(roundToInt(cx - r * std::cos(theta)), roundToInt(cy + r * std::sin(theta)));
    for (QPoint &p : points)
        p += offset;
}

QRegion ReCreateRgn(const TPolygonSet &set)
{
    std::vector<QRegion> regions;
    regions.reserve(set.counts.size());
    for (std::size_t i = 0; i < set.counts.size(); ++i) {
        const Tpoints poly = set.polygon(i);
        regions.push_back(poly.size() < 3 ? QRegion()
                                          : QRegion(QPolygon(poly.begin(), poly.end()), Qt::OddEvenFill));
    }
    const int highest = set.levels.empty() ? -1 : *std::max_element(set.levels.begin(), set.levels.end());
    QRegion result;
    bool first = true;
    for (int level = 0; level <= highest; ++level) {
        for (std::size_t i = 0; i < regions.size(); ++i) {
            if (set.levels[i] != level)
                continue;
            if (first)
                result = regions[i];
            else if (level % 2 == 0)
                result = result.united(regions[i]);
            else
                result = result.subtracted(regions[i]);
            first = false;
        }
    }
    return result;
}

TPolygonSet RgnToPoly(const QRegion &region)
{
    // The path of the region's rectangles, merged into its outlines: every seam between touching
    // rectangles cancels, leaving the outer boundaries and the holes as closed rectilinear walks.
    QPainterPath path;
    path.addRegion(region);
    const QList<QPolygonF> walks = path.simplified().toSubpathPolygons();

    std::vector<Tpoints> polygons;
    for (const QPolygonF &walk : walks) {
        Tpoints poly;
        for (const QPointF &p : walk)
            poly.emplace_back(roundToInt(p.x()), roundToInt(p.y()));
        poly = withoutCollinear(withoutRepeats(poly));
        if (poly.size() >= 3)
            polygons.push_back(std::move(poly));
    }

    // GetInPower: the nesting level is the number of other outlines enclosing one of its vertices.
    TPolygonSet set;
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        int level = 0;
        for (std::size_t j = 0; j < polygons.size(); ++j) {
            if (i == j)
                continue;
            const bool enclosed = std::any_of(polygons[i].begin(), polygons[i].end(),
                                              [&](QPoint p) { return PinPoly(polygons[j], p); });
            level += enclosed ? 1 : 0;
        }
        // Outer boundaries run clockwise on the screen and holes the other way, so the bevel
        // split lights the upper-left of every edge of material.
        if ((signedArea2(polygons[i]) > 0) != (level % 2 == 0))
            std::reverse(polygons[i].begin(), polygons[i].end());
        set.add(polygons[i], level);
    }
    return set;
}

bool RotateRegion(QRegion &region, int cx, int cy, int angle)
{
    if (region.isEmpty())
        return false;
    TPolygonSet set = RgnToPoly(region);
    PolyRotate(set.points, cx, cy, angle);
    region = ReCreateRgn(set);
    return true;
}

QByteArray DecodeStringRegion(const QString &text)
{
    constexpr char16_t kEscape = u'!';
    constexpr int kEscapeBias = 128;
    QByteArray bytes;
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        const char16_t first = text[i].unicode();
        const int value = first == kEscape ? text[i + 1].unicode() - kEscapeBias : first;
        bytes.append(static_cast<char>(value & 0xFF));
    }
    return bytes;
}

QRegion RegionFromRegionData(const QByteArray &data)
{
    constexpr qsizetype kHeaderSize = 32;
    constexpr qsizetype kRectSize = 16;
    constexpr quint32 kRectangleType = 1;
    auto word = [&](qsizetype offset) {
        quint32 v = 0;
        for (int b = 3; b >= 0; --b)
            v = (v << 8) | static_cast<quint8>(data[offset + b]);
        return v;
    };
    if (data.size() < kHeaderSize || word(0) != kHeaderSize || word(4) != kRectangleType)
        return {};
    const quint32 count = word(8);
    if (count > static_cast<quint32>((data.size() - kHeaderSize) / kRectSize))
        return {};  // the block claims more rectangles than it holds
    QRegion region;
    for (quint32 i = 0; i < count; ++i) {
        const qsizetype at = kHeaderSize + static_cast<qsizetype>(i) * kRectSize;
        const auto left = static_cast<qint32>(word(at));
        const auto top = static_cast<qint32>(word(at + 4));
        const auto right = static_cast<qint32>(word(at + 8));
        const auto bottom = static_cast<qint32>(word(at + 12));
        if (right > left && bottom > top)
            region += QRect(left, top, right - left, bottom - top);
    }
    return region;
}

bool PinPoly(const Tpoints &points, QPoint point)
{
    const Tpoints clean = withoutRepeats(points);
    std::vector<QPointF> real = toReal(clean);
    return insideByCrossings(real, point.y(), point.x());
}

bool PrealinPoly(const std::vector<QPointF> &points, double y, double x)
{
    return insideByCrossings(points, y, x);
}

TPolygonSet Getinner(const TPolygonSet &set, double distance)
{
    TPolygonSet inner;
    for (std::size_t i = 0; i < set.counts.size(); ++i)
        inner.add(insetPolygon(set.polygon(i), set.levels[i] % 2 == 1, distance), set.levels[i]);
    return inner;
}

TBevelBands GetLDppoly(const TPolygonSet &outer, const TPolygonSet &inner)
{
    TBevelBands bands;
    if (outer.counts != inner.counts)
        return bands;  // the outlines must correspond vertex by vertex
    for (std::size_t i = 0; i < outer.counts.size(); ++i) {
        const Tpoints out = outer.polygon(i);
        const Tpoints in = inner.polygon(i);
        const bool isHole = outer.levels[i] % 2 == 1;
        const int n = static_cast<int>(out.size());
        if (n < 3)
            continue;
        for (int k = 0; k < n; ++k) {
            const auto a = static_cast<std::size_t>(k);
            const auto b = static_cast<std::size_t>(NextP(k, n));
            const int dx = out[b].x() - out[a].x();
            const int dy = out[b].y() - out[a].y();
            const bool light = isHole ? (dx >= 0 && dy < dx) : (dy < dx);
            (light ? bands.light : bands.dark).add({out[a], in[a], in[b], out[b]}, 0);
        }
    }
    return bands;
}

void SurfaceFill(QImage &image, QPoint seed, QRgb fill)
{
    if (!image.rect().contains(seed))
        return;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.format() == QImage::Format_RGB32)
        fill |= 0xFF000000u;  // RGB32 pixels always carry an opaque alpha byte
    const QRgb target = image.pixel(seed);
    if (target == fill)
        return;  // repainting the seed's own colour would find the same area again forever
    const int width = image.width();
    const int height = image.height();
    auto at = [&](int x, int y) { return reinterpret_cast<QRgb *>(image.scanLine(y)) + x; };

    std::vector<QPoint> pending{seed};
    while (!pending.empty()) {
        const QPoint p = pending.back();
        pending.pop_back();
        if (*at(p.x(), p.y()) != target)
            continue;
        int left = p.x();
        while (left > 0 && *at(left - 1, p.y()) == target)
            --left;
        int right = p.x();
        while (right + 1 < width && *at(right + 1, p.y()) == target)
            ++right;
        for (int x = left; x <= right; ++x)
            *at(x, p.y()) = fill;
        // One seed per run of target pixels in the rows above and below.
        for (const int y : {p.y() - 1, p.y() + 1}) {
            if (y < 0 || y >= height)
                continue;
            bool inRun = false;
            for (int x = left; x <= right; ++x) {
                const bool isTarget = *at(x, y) == target;
                if (isTarget && !inRun)
                    pending.emplace_back(x, y);
                inRun = isTarget;
            }
        }
    }
}

TRotateTimer::TRotateTimer(int periodMs, QObject *parent) : QObject(parent), FPeriodMs(0)
{
    SetPeriod(periodMs);
    connect(&FTimer, &QTimer::timeout, this, &TRotateTimer::step);
}

void TRotateTimer::SetPeriod(int periodMs)
{
    if (periodMs < 0)
        return;
    FPeriodMs = periodMs;
    FTimer.setInterval(std::max(periodMs, kMinPeriodMs));
}

void TRotateTimer::Resume() { FTimer.start(); }

void TRotateTimer::Suspend() { FTimer.stop(); }
