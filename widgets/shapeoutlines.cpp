// The outline family of the shaped button: one polygon set per kind, in a W x H box.
#include "shapeoutlines.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kMinEllipsePoints = 8;
constexpr int kMinDepthForCounts = 2;
constexpr int kRoundRectArcSteps = 3;  // points inside each quarter circle: pi/8, pi/4, 3pi/8
constexpr double kFewPeaksStarScale = 1.0 / 3.0;
constexpr int kFewPeaks = 5;

int N(double v) { return static_cast<int>(std::lround(v)); }

// Point of the box's inscribed ellipse at parameter t (counter-clockwise on the screen), scaled
// about the centre by `scale`.
QPoint ellipsePoint(int w, int h, double t, double scale = 1.0)
{
    const int halfW = w / 2;
    const int halfH = h / 2;
    return {N(halfW + scale * halfW * std::cos(t)), N(halfH - scale * halfH * std::sin(t))};
}

Tpoints ellipse(int w, int h, int count, double scale = 1.0, double phase = 0.0)
{
    Tpoints points;
    for (int k = 0; k < count; ++k)
        points.push_back(ellipsePoint(w, h, 2.0 * kPi * k / count + phase, scale));
    return points;
}

Tpoints roundRect(int w, int h, int depth)
{
    const int r = 2 * depth;
    Tpoints p;
    auto arc = [&](int cx, int cy, int sx, int sy, bool sineFirst) {
        for (int step = 1; step <= kRoundRectArcSteps; ++step) {
            const double t = step * kPi / 8.0;
            const int a = N(r * std::sin(t));
            const int b = N(r * std::cos(t));
            p.emplace_back(cx + sx * (sineFirst ? a : b), cy + sy * (sineFirst ? b : a));
        }
    };
    p.emplace_back(r, 0);
    p.emplace_back(w - r, 0);
    arc(w - r, r, +1, -1, true);  // top right: (W - r + N(r sin t), r - N(r cos t))
    p.emplace_back(w, r);
    p.emplace_back(w, h - r);
    arc(w - r, h - r, +1, +1, false);  // bottom right, going down and left
    p.emplace_back(w - r, h);
    p.emplace_back(r, h);
    arc(r, h - r, -1, +1, true);  // bottom left
    p.emplace_back(0, h - r);
    p.emplace_back(0, r);
    arc(r, r, -1, -1, false);  // top left
    return p;
}

// Points in ninths (or other fractions) of the box.
Tpoints fractions(int w, int h, int denominator, std::initializer_list<std::pair<int, int>> list)
{
    Tpoints p;
    for (auto [fx, fy] : list)
        p.emplace_back(fx * w / denominator, fy * h / denominator);
    return p;
}

Tpoints arrow1(int w, int h)
{
    return {{0, h},          {0, h / 4},          {w / 12, h / 6},     {2 * w / 3, h / 6},
            {2 * w / 3, 0},  {w, h / 4},          {2 * w / 3, h / 2},  {2 * w / 3, h / 3},
            {5 * w / 24, h / 3}, {w / 6, 9 * h / 24}, {w / 6, h}};
}

Tpoints arrow2(int w, int h)
{
    return {{w / 6, 0},          {w / 6, 15 * h / 24}, {5 * w / 24, 2 * h / 3}, {2 * w / 3, 2 * h / 3},
            {2 * w / 3, h / 2},  {w, 3 * h / 4},       {2 * w / 3, h},          {2 * w / 3, 5 * h / 6},
            {w / 12, 5 * h / 6}, {0, 3 * h / 4},       {0, 0}};
}

// A stadium running clockwise: two semicircles joined by straight edges.
Tpoints oval(int w, int h, int depth)
{
    const bool lying = w > h;
    const int thickness = lying ? h : w;
    const int d = thickness - 2 * std::max(kMinDepthForCounts, depth);
    const int perSemicircle = std::max(kMinEllipsePoints, 2 * d + 4);
    const double radius = thickness / 2.0;
    Tpoints p;
    auto semicircle = [&](double cx, double cy, double from) {
        for (int k = 0; k <= perSemicircle; ++k) {
            const double t = from - kPi * k / perSemicircle;  // clockwise on the screen
            p.emplace_back(N(cx + radius * std::cos(t)), N(cy - radius * std::sin(t)));
        }
    };
    if (lying) {
        semicircle(w - radius, radius, kPi / 2.0);   // right end, top to bottom
        semicircle(radius, radius, -kPi / 2.0);      // left end, bottom to top
    } else {
        semicircle(radius, radius, kPi);              // top end, left to right
        semicircle(radius, h - radius, 0.0);          // bottom end, right to left
    }
    return p;
}

// A ring segment opening upward, as wide as the box, its top at y = 0.
Tpoints arc(int w, const TOutlineParams &params)
{
    const double half = params.arcAngle / 2.0;
    const double outer = half >= kPi / 2.0 ? w / 2.0 : w / (2.0 * std::sin(half));
    const double inner = outer * params.radiusRatio;
    const int steps = std::max(kMinEllipsePoints, N(outer * params.arcAngle / 3.0));
    const double cx = w / 2.0;
    std::vector<QPointF> real;
    // Outer arc clockwise from the left end to the right end, then the inner arc back.
    for (int k = 0; k <= steps; ++k) {
        const double t = kPi / 2.0 + half - params.arcAngle * k / steps;
        real.emplace_back(cx + outer * std::cos(t), outer - outer * std::sin(t));
    }
    for (int k = 0; k <= steps; ++k) {
        const double t = kPi / 2.0 - half + params.arcAngle * k / steps;
        real.emplace_back(cx + inner * std::cos(t), outer - inner * std::sin(t));
    }
    Tpoints p;
    for (const QPointF &q : real)
        p.emplace_back(N(q.x()), N(q.y()));
    return p;
}

Tpoints scaledUser(const TOutlineParams &params, int w, int h, std::size_t index)
{
    Tpoints p = params.user.polygon(index);
    const QRect box = params.userBounds;
    if (box.width() <= 0 || box.height() <= 0)
        return p;
    for (QPoint &q : p)
        q = QPoint(N(static_cast<double>(q.x() - box.x()) * w / box.width()),
                   N(static_cast<double>(q.y() - box.y()) * h / box.height()));
    return p;
}

}  // namespace

int ArcSegmentHeight(int width, const TOutlineParams &params)
{
    const Tpoints p = arc(width, params);
    int bottom = 1;
    for (const QPoint &q : p)
        bottom = std::max(bottom, q.y());
    return bottom;
}

TPolygonSet ShapeOutline(TShapeKind kind, int w, int h, const TOutlineParams &params)
{
    TPolygonSet set;
    if (w <= 0 || h <= 0)
        return set;
    const int countDepth = std::max(kMinDepthForCounts, params.depth);
    switch (kind) {
    case bkRect:
        set.add({{0, 0}, {w, 0}, {w, h}, {0, h}}, 0);
        break;
    case bkRoundRect:
        set.add(roundRect(w, h, params.depth), 0);
        break;
    case bkElliptic:
        set.add(ellipse(w, h, std::max(kMinEllipsePoints, std::max(w, h) - 2 * countDepth)), 0);
        break;
    case bkPoly:
        set.add(ellipse(w, h, params.peaks), 0);
        break;
    case bkPolyStar: {
        const int n = params.peaks;
        const double scale = n < kFewPeaks ? kFewPeaksStarScale : std::cos(2.0 * kPi / n) / std::cos(kPi / n);
        Tpoints p;
        for (int k = 0; k < n; ++k) {
            p.push_back(ellipsePoint(w, h, 2.0 * kPi * k / n));
            p.push_back(ellipsePoint(w, h, 2.0 * kPi * k / n + kPi / n, scale));
        }
        set.add(p, 0);
        break;
    }
    case bkArc:
        if (params.arcAngle < kMinArcOpening)
            return ShapeOutline(bkRect, w, h, params);
        set.add(arc(w, params), 0);
        break;
    case bkDonut: {
        const int n = std::max(kMinEllipsePoints, std::max(w, h) - 4 * countDepth);
        set.add(ellipse(w, h, n), 0);
        set.add(ellipse(w, h, n, params.radiusRatio), 1);
        break;
    }
    case bkUser:
        if (params.user.empty())
            return ShapeOutline(bkRect, w, h, params);
        for (std::size_t i = 0; i < params.user.counts.size(); ++i)
            set.add(scaledUser(params, w, h, i), params.user.levels[i]);
        break;
    case bkArrow:
        set.add({{0, h / 3}, {w / 2, h / 3}, {w / 2, 0}, {w, h / 2}, {w / 2, h}, {w / 2, 2 * h / 3}, {0, 2 * h / 3}},
                0);
        break;
    case bkArrow1:
        set.add(arrow1(w, h), 0);
        break;
    case bkArrow2:
        set.add(arrow2(w, h), 0);
        break;
    case bkCross:
        set.add(fractions(w, h, 9, {{2, 3}, {3, 2}, {3, 1}, {4, 0}, {5, 0}, {6, 1}, {6, 2}, {7, 3},
                                    {8, 3}, {9, 4}, {9, 5}, {8, 6}, {7, 6}, {6, 7}, {6, 8}, {5, 9},
                                    {4, 9}, {3, 8}, {3, 7}, {2, 6}, {1, 6}, {0, 5}, {0, 4}, {1, 3}}),
                0);
        break;
    case bkCutRect:
        set.add({{0, h / 6}, {w / 6, 0}, {w, 0}, {w, 5 * h / 6}, {5 * w / 6, h}, {0, h}}, 0);
        break;
    case bkCross1:
        set.add(fractions(w, h, 9, {{0, 0}, {2, 0}, {4, 2}, {5, 2}, {7, 0}, {9, 0}, {9, 2}, {7, 4}, {7, 5}, {9, 7},
                                    {9, 9}, {7, 9}, {5, 7}, {4, 7}, {2, 9}, {0, 9}, {0, 7}, {2, 5}, {2, 4}, {0, 2}}),
                0);
        break;
    case bkOval:
        set.add(oval(w, h, params.depth), 0);
        break;
    }
    return set;
}
