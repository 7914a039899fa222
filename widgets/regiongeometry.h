// Region geometry for shaped controls: polygon sets, rotation, regions, insets, bevel bands, fills.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRegion>
#include <QTimer>
#include <vector>

// Polygon set in three parallel arrays: all vertices polygon after polygon, the vertex count of
// each polygon and its nesting level (0 outer boundary, 1 hole, 2 island in a hole, ...).
using Tpoints = std::vector<QPoint>;
using Tintegers = std::vector<int>;

struct TPolygonSet {
    Tpoints points;
    Tintegers counts;
    Tintegers levels;

    bool empty() const { return counts.empty(); }
    // Vertices of polygon `index` as a separate list.
    Tpoints polygon(std::size_t index) const;
    // Appends one polygon.
    void add(const Tpoints &polygon, int level);
};

// Light and dark bevel quadrilaterals (4 points each, level 0).
struct TBevelBands {
    TPolygonSet light;
    TPolygonSet dark;
};

// Angles are tenths of a degree; positive turns counter-clockwise on the screen (y down).
inline constexpr int kTenthsPerTurn = 3600;
inline constexpr int kTenthsPerHalfTurn = 1800;

inline int NextP(int i, int n) { return i + 1 >= n ? 0 : i + 1; }
inline int PredP(int i, int n) { return i <= 0 ? n - 1 : i - 1; }

// Brings an angle into -1799 .. 1800.
int NormalizeAngle(int angle);
// Size of the bounding box of a w x h box turned by `angle`.
QSize RotatedBoxSize(int width, int height, int angle);

void PolyZrotate(Tpoints &points, int angle);
void PolyRotate(Tpoints &points, int cx, int cy, int angle);

// Holes (odd levels) cut out, islands (even levels) come back; polygons of fewer than 3 vertices
// enclose nothing and are skipped.
QRegion ReCreateRgn(const TPolygonSet &set);
// Traces the outline of a region into closed rectilinear polygons with their nesting levels.
TPolygonSet RgnToPoly(const QRegion &region);
// Replaces the region by its rotated copy; false when the region is empty.
bool RotateRegion(QRegion &region, int cx, int cy, int angle);

// StringButtonRegion text to bytes: pair i gives byte i, the second character's code minus 128
// when the first is "!", else the first character's code.
QByteArray DecodeStringRegion(const QString &text);
// A region from a region-data block (32-byte header, then 16-byte left/top/right/bottom
// rectangles, little-endian); empty when the block is malformed or truncated.
QRegion RegionFromRegionData(const QByteArray &data);

// Point strictly inside (a point on an edge is outside).
bool PinPoly(const Tpoints &points, QPoint point);
bool PrealinPoly(const std::vector<QPointF> &points, double y, double x);

// Every polygon inset by `distance` pixels (negative grows); vertex k of the result belongs to
// vertex k of the input.
TPolygonSet Getinner(const TPolygonSet &set, double distance);
// Splits the band between an outline and its inset into light (upper-left) and dark quadrilaterals.
TBevelBands GetLDppoly(const TPolygonSet &outer, const TPolygonSet &inner);

// Repaints the 4-connected area of the seed's colour with `fill`; no-op when the colours are equal
// or the seed lies outside the image. Scanline fill with an explicit stack: no recursion.
void SurfaceFill(QImage &image, QPoint seed, QRgb fill);

// Steps a rotation on the GUI thread: emits step() every `RotatedTime` ms while resumed.
class TRotateTimer : public QObject {
    Q_OBJECT
public:
    // A period below this would starve the event loop; the step waits at least this long.
    static constexpr int kMinPeriodMs = 10;

    explicit TRotateTimer(int periodMs, QObject *parent = nullptr);
    void SetPeriod(int periodMs);
    int period() const { return FPeriodMs; }
    void Resume();
    void Suspend();
    bool suspended() const { return !FTimer.isActive(); }

signals:
    void step();

private:
    QTimer FTimer;
    int FPeriodMs;
};
