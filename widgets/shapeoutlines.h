// The outline family of the shaped button: one polygon set per kind, in a W x H box.
#pragma once

#include "regiongeometry.h"

#include <QRect>

enum TShapeKind {
    bkRect,
    bkRoundRect,
    bkElliptic,
    bkPoly,
    bkPolyStar,
    bkArc,
    bkDonut,
    bkUser,
    bkArrow,
    bkArrow1,
    bkArrow2,
    bkCross,
    bkCutRect,
    bkCross1,
    bkOval
};

struct TOutlineParams {
    int depth = 2;                 // ButtonDepth: sets the round-rect radius and ellipse point counts
    int peaks = 6;                 // PeaksNumber
    double radiusRatio = 0.5;      // inner / outer radius of bkDonut and bkArc
    double arcAngle = 2.0943951023932;  // opening of bkArc in radians
    TPolygonSet user;              // bkUser polygons ...
    QRect userBounds;              // ... and the box they are scaled from
};

// An arc opening below this is drawn as a rectangle.
inline constexpr double kMinArcOpening = 0.1;

// The outline of `kind` in a width x height box, (0, 0) at the top left. Empty for an empty box.
TPolygonSet ShapeOutline(TShapeKind kind, int width, int height, const TOutlineParams &params);

// Height of a bkArc segment of the given width and opening (the arc decides its own height).
int ArcSegmentHeight(int width, const TOutlineParams &params);
