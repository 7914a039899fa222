// Shaped push button: a window cut to an outline, a bevelled owner-drawn face, glyphs and caption.
#include "shapebutton.h"

#include "colourkey.h"
#include "focusframe.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int kColourStep = 32;
constexpr int kLightCeiling = 224;  // channels at or above this go to full when lightened
constexpr int kFocusGap = 1;        // the focus frame lies this far inside the bevel, clear of the caption
constexpr int kCaptionGap = 4;      // caption margin beyond the bevel
constexpr int kGradientLineWidth = 3;
constexpr double kAxisAlignedSine = 1e-5;
constexpr double kRadiansPerTenth = std::numbers::pi / kTenthsPerHalfTurn;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
const QColor kTransparent(0, 0, 0, 0);

int N(double v) { return static_cast<int>(std::lround(v)); }

QColor blend(const QColor &a, const QColor &b, double t)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// The colour operations work on plain RGB; the "none" value resolves through its low 24 bits.
QColor resolved(TColor c) { return toQColor(c == kNoColour ? (c & 0xFFFFFFu) : c); }

QImage frameOf(const QImage &strip, int glyphs, int index)
{
    const int frameWidth = strip.width() / std::max(1, glyphs);
    if (frameWidth <= 0)
        return {};
    return strip.copy(index * frameWidth, 0, frameWidth, strip.height());
}

}  // namespace

QColor GetLColor(const QColor &c)
{
    auto up = [](int v) { return v >= kLightCeiling ? 255 : v + kColourStep; };
    return QColor(up(c.red()), up(c.green()), up(c.blue()));
}

QColor GetDColor(const QColor &c)
{
    auto down = [](int v) { return v < kColourStep ? 0 : v - kColourStep; };
    return QColor(down(c.red()), down(c.green()), down(c.blue()));
}

int GetSumColor(const QColor &c) { return c.red() + c.green() + c.blue(); }

TCaptionText ParseCaption(const QString &caption)
{
    TCaptionText out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
            ++i;
            if (caption[i] != QLatin1Char('&') && out.underlined < 0)
                out.underlined = static_cast<int>(out.plain.size());
        }
        out.plain += caption[i];
    }
    return out;
}

TGlyphChoice ChooseGlyphFrame(int glyphs, bool enabled, bool pressed, bool hot)
{
    constexpr int kDisabledFrame = 1;
    constexpr int kHotFrame = 2;
    constexpr int kPressedFrame = 3;
    constexpr int kFramesWithPressed = 4;
    TGlyphChoice choice;
    if (!enabled) {
        if (glyphs > kDisabledFrame)
            choice.frame = kDisabledFrame;
        else
            choice.dimmed = true;
    } else if (pressed) {
        choice.frame = glyphs == kFramesWithPressed ? kPressedFrame : 0;
        choice.shifted = true;
    } else if (hot) {
        choice.frame = glyphs > kHotFrame ? kHotFrame : 0;
    }
    return choice;
}

int AlignOffset(int alignment, int extent, int box, int margin, int manual)
{
    switch (alignment) {
    case 0:  // haLeft / vaTop
        return margin;
    case 1:  // haCenter / vaCenter
        return (extent - box) / 2;
    case 2:  // haRight / vaBottom
        return extent - margin - box;
    default:
        return manual;
    }
}

TShapeButton::TShapeButton(QWidget *parent) : QAbstractButton(parent)
{
    QFont captionFont = font();
    captionFont.setFamily(QStringLiteral("Arial"));
    setFont(captionFont);
    setFocusPolicy(Qt::StrongFocus);
    FButtonWidth = width();
    FButtonHeight = height();
    connect(&FAnimationTimer, &QTimer::timeout, this, &TShapeButton::AnimationTick);
    FRotateTimer = new TRotateTimer(FRotatedTime, this);
    connect(FRotateTimer, &TRotateTimer::step, this, &TShapeButton::RotateStep);
    SetNewKind();
}

// The rotation timer is a child and stops with the button; nothing else to release.
TShapeButton::~TShapeButton() = default;

QSize TShapeButton::sizeHint() const { return size(); }

// --- shape ------------------------------------------------------------------------------------

void TShapeButton::SetButtonKind(TShapeKind kind)
{
    FButtonKind = kind;
    SetNewKind();
}

void TShapeButton::SetButton3DKind(TShape3DKind kind)
{
    FButton3DKind = kind;
    SetNewKind();
}

void TShapeButton::SetButtonDepth(int depth)
{
    FButtonDepth = std::max(0, depth);
    SetNewKind();
}

void TShapeButton::SetButtonSize(int width, int height)
{
    const QPointF pivot = PivotOnParent();
    FButtonWidth = std::max(0, width);
    FButtonHeight = std::max(0, height);
    FitControl(FButtonAngle != 0 ? std::optional(pivot) : std::nullopt);
    SetNewKind();
}

QPointF TShapeButton::PivotInControl(QSize control, int angle) const
{
    // The turned shape is centred in its box, so the centre of the box is the shape's centre.
    if (FRotationCenterFixed)
        return {control.width() / 2.0, control.height() / 2.0};
    return ShapeToControl(control, angle).map(QPointF(FRotationPointX, FRotationPointY));
}

QPointF TShapeButton::PivotOnParent() const
{
    // While the control stays where the last turn put it, the remembered point is exact; rounding
    // of the control's position then never walks a spinning button away.
    if (FPivotValid && geometry() == FFittedGeometry)
        return FPivot;
    return QPointF(pos()) + PivotInControl(size(), FButtonAngle);
}

void TShapeButton::FitControl(std::optional<QPointF> pivot)
{
    // The control is the bounding box of the turned shape, placed so that the rotation point keeps
    // its place on the parent; without a point to keep (a plain resize) the top-left stays.
    const QSize box = RotatedBoxSize(FButtonWidth, FButtonHeight, FButtonAngle);
    QPoint topLeft = pos();
    if (pivot) {
        const QPointF inControl = PivotInControl(box, FButtonAngle);
        topLeft = QPoint(N(pivot->x() - inControl.x()), N(pivot->y() - inControl.y()));
        FPivot = *pivot;
    }
    FPivotValid = pivot.has_value();
    if (QRect(topLeft, box) != geometry()) {
        FInternalResize = true;
        setGeometry(QRect(topLeft, box));
        FInternalResize = false;
    }
    FFittedGeometry = geometry();
}

void TShapeButton::SetButtonAngle(int angle)
{
    angle = NormalizeAngle(angle);
    if (angle == FButtonAngle)
        return;
    if (FButtonAngle == 0 && FButtonKind != bkArc) {
        // The resize of a hidden control is reported only when it is shown: take the size now.
        FButtonWidth = width();
        FButtonHeight = height();
    }
    const QPointF pivot = PivotOnParent();
    const int change = angle - FButtonAngle;
    if (FCaptionFixed)
        FCaptionAngle = NormalizeAngle(FCaptionAngle + change);
    if (FGradientFixed)
        FGradientAngle = NormalizeAngle(FGradientAngle + change);
    FButtonAngle = angle;
    FitControl(pivot);
    SetNewKind();
}

void TShapeButton::SetPeaksNumber(int peaks)
{
    if (peaks < kMinPeaks || peaks > kMaxPeaks)
        return;
    FPeaksNumber = peaks;
    SetNewKind();
}

void TShapeButton::SetRadiusRatio(double ratio)
{
    if (!(ratio >= 0.0 && ratio <= 1.0))
        return;
    FRadiusRatio = ratio;
    SetNewKind();
}

void TShapeButton::SetArcAngle(double radians)
{
    if (!(radians >= kMinArcAngle && radians <= kTwoPi))
        return;
    FArcAngle = radians;
    SetNewKind();
}

void TShapeButton::SetButtonRegion(const QRegion &region)
{
    FUserRegion = region;
    FUserPolygons = RgnToPoly(region);
    FUserBounds = region.boundingRect();
    SetNewKind();
}

void TShapeButton::SetStringButtonRegion(const QString &text)
{
    if (text.isEmpty()) {
        SetButtonRegion(QRegion(0, 0, FButtonWidth, FButtonHeight));
        return;
    }
    SetButtonRegion(RegionFromRegionData(DecodeStringRegion(text)));
}

void TShapeButton::SetUserRGNAUTO(bool on)
{
    FUserRGNAUTO = on;
    SetNewKind();
}

// The rotation point only decides where later turns leave the control: the shape stays as it is.
void TShapeButton::SetRotationPoint(int x, int y)
{
    FRotationPointX = x;
    FRotationPointY = y;
    FPivotValid = false;
}

void TShapeButton::SetRotationCenterFixed(bool on)
{
    FRotationCenterFixed = on;
    FPivotValid = false;
}

void TShapeButton::SetRotated(bool on)
{
    FRotated = on;
    if (on)
        FRotateTimer->Resume();
    else
        FRotateTimer->Suspend();
}

void TShapeButton::SetRotatedTime(int ms)
{
    if (ms < 0)
        return;
    FRotatedTime = ms;
    FRotateTimer->SetPeriod(ms);
}

void TShapeButton::SetRotatedAngle(int angle)
{
    if (angle < -kMaxRotatedAngle || angle > kMaxRotatedAngle)
        return;
    FRotatedAngle = angle;
}

void TShapeButton::RotateStep() { SetButtonAngle(FButtonAngle + FRotatedAngle); }

void TShapeButton::SetNewKind()
{
    FWindowRegion = FOuterRegion = FInnerRegion = FInnerInnerRegion = FFocusRegion = QRegion();
    FLightRegion = FDarkRegion = FInnerLightRegion = FInnerDarkRegion = QRegion();

    TOutlineParams params;
    params.depth = FButtonDepth;
    params.peaks = FPeaksNumber;
    params.radiusRatio = FRadiusRatio;
    params.arcAngle = FArcAngle;
    params.user = FUserPolygons;
    params.userBounds = FUserBounds;
    if (FButtonAngle == 0) {
        // Unturned, the shape is the control; an arc decides its own height.
        FButtonWidth = width();
        FButtonHeight = height();
        if (FButtonKind == bkArc && FArcAngle >= kMinArcOpening && FButtonWidth > 0) {
            FButtonHeight = ArcSegmentHeight(FButtonWidth, params);
            if (FButtonHeight != height())
                FitControl(std::nullopt);
        }
    } else if (FButtonKind == bkArc && FArcAngle >= kMinArcOpening && FButtonWidth > 0) {
        const QPointF pivot = PivotOnParent();
        FButtonHeight = ArcSegmentHeight(FButtonWidth, params);
        FitControl(pivot);
    }

    if (FButtonWidth > 0 && FButtonHeight > 0) {
        if (FButtonKind == bkUser && !FUserRGNAUTO) {
            FWindowRegion = FUserRegion.isEmpty() ? QRegion(0, 0, FButtonWidth, FButtonHeight) : FUserRegion;
            FOuterRegion = FInnerRegion = FInnerInnerRegion = FFocusRegion = FWindowRegion;
        } else {
            const TPolygonSet outline = ShapeOutline(FButtonKind, FButtonWidth, FButtonHeight, params);
            const bool bordered = FButton3DKind == dk3dBorder || FButton3DKind == dk3dBorderFlatten;
            const int focusInset = (bordered ? 2 * FButtonDepth : FButtonDepth) + kFocusGap;
            TPolygonSet inner = Getinner(outline, FButtonDepth);
            TPolygonSet focus = Getinner(outline, focusInset);
            TPolygonSet innerInner = Getinner(inner, FButtonDepth);
            TPolygonSet shapes[] = {outline, inner, focus, innerInner};
            // Turn about the shape's centre, then centre the shape in the control.
            const int cx = FButtonWidth / 2;
            const int cy = FButtonHeight / 2;
            const QPoint shift((width() - FButtonWidth) / 2, (height() - FButtonHeight) / 2);
            for (TPolygonSet &s : shapes) {
                if (FButtonAngle != 0)
                    PolyRotate(s.points, cx, cy, FButtonAngle);
                for (QPoint &p : s.points)
                    p += shift;
            }
            const TBevelBands bands = GetLDppoly(shapes[0], shapes[1]);
            const TBevelBands innerBands = GetLDppoly(shapes[1], shapes[3]);
            FWindowRegion = FOuterRegion = ReCreateRgn(shapes[0]);
            FInnerRegion = ReCreateRgn(shapes[1]);
            FFocusRegion = ReCreateRgn(shapes[2]);
            FInnerInnerRegion = ReCreateRgn(shapes[3]);
            // Bands are kept inside the outline: quadrilaterals at sharp corners may poke out.
            FLightRegion = ReCreateRgn(bands.light).intersected(FOuterRegion);
            FDarkRegion = ReCreateRgn(bands.dark).intersected(FOuterRegion).subtracted(FLightRegion);
            FInnerLightRegion = ReCreateRgn(innerBands.light).intersected(FInnerRegion);
            FInnerDarkRegion =
                ReCreateRgn(innerBands.dark).intersected(FInnerRegion).subtracted(FInnerLightRegion);
        }
    }
    if (FWindowRegion.isEmpty())
        clearMask();
    else
        setMask(FWindowRegion);
    FFaceValid = false;
    update();
}

void TShapeButton::resizeEvent(QResizeEvent *event)
{
    QAbstractButton::resizeEvent(event);
    if (FInternalResize)
        return;
    const double angle = FButtonAngle * kRadiansPerTenth;
    const QSize oldSize = event->oldSize();
    if (size() == RotatedBoxSize(FButtonWidth, FButtonHeight, FButtonAngle)) {
        SetNewKind();  // the size the shape asked for, reported late
        return;
    }
    if (std::fabs(std::sin(angle)) < kAxisAlignedSine) {
        FButtonWidth = width();
        FButtonHeight = height();
    } else if (std::fabs(std::cos(angle)) < kAxisAlignedSine) {
        FButtonWidth = height();
        FButtonHeight = width();
    } else if (oldSize.width() > 0 && oldSize.height() > 0) {
        FButtonWidth = N(static_cast<double>(FButtonWidth) * width() / oldSize.width());
        FButtonHeight = N(static_cast<double>(FButtonHeight) * height() / oldSize.height());
    }
    SetNewKind();
}

bool TShapeButton::hitButton(const QPoint &pos) const
{
    // Only the shape is the button: a press in a cut-away corner belongs to what lies behind.
    return FWindowRegion.contains(pos);
}

// --- face -------------------------------------------------------------------------------------

void TShapeButton::SetButtonColor(TColor c)
{
    FButtonColor = c;
    Rerender();
}

void TShapeButton::SetButtonColor1(TColor c)
{
    FButtonColor1 = c;
    Rerender();
}

void TShapeButton::SetFontColor(TColor c)
{
    FFontColor = c;
    Rerender();
}

void TShapeButton::SetGradientKind(TShapeGradientKind kind)
{
    FGradientKind = kind;
    Rerender();
}

void TShapeButton::SetGradientAngle(int angle)
{
    FGradientAngle = NormalizeAngle(angle);
    Rerender();
}

void TShapeButton::SetGradientBitmap(const QImage &bitmap, int line)
{
    FGradientBitmap = bitmap.isNull() ? QImage() : bitmap.convertToFormat(QImage::Format_RGB32);
    FGradientBitmapLine = line;
    Rerender();
}

void TShapeButton::SetCaption3dKind(TCaption3DKind kind)
{
    FCaption3dKind = kind;
    Rerender();
}

void TShapeButton::SetCaptionAlign(THAlign h, TVAlign v)
{
    FCaptionHAlign = h;
    FCaptionVAlign = v;
    Rerender();
}

void TShapeButton::SetCaptionTop(int top)
{
    FCaptionTop = top;
    FCaptionVAlign = vaNone;
    Rerender();
}

void TShapeButton::SetCaptionLeft(int left)
{
    FCaptionLeft = left;
    FCaptionHAlign = haNone;
    Rerender();
}

void TShapeButton::SetCaptionAngle(int angle)
{
    FCaptionAngle = NormalizeAngle(angle);
    Rerender();
}

void TShapeButton::SetCaptionFixed(bool on)
{
    FCaptionFixed = on;
    Rerender();
}

void TShapeButton::SetMainBitmap(const QImage &bitmap, int glyphs)
{
    FMainBitmap = bitmap.isNull() ? QImage() : bitmap.convertToFormat(QImage::Format_RGB32);
    FKeyedBitmap = QImage();
    FMainBitmapGlyphs = std::max(1, glyphs);
    Rerender();
}

void TShapeButton::SetBitmapAlign(THAlign h, TVAlign v)
{
    FBitmapHAlign = h;
    FBitmapVAlign = v;
    Rerender();
}

void TShapeButton::SetBitmapTop(int top)
{
    FBitmapTop = top;
    FBitmapVAlign = vaNone;
    Rerender();
}

void TShapeButton::SetBitmapLeft(int left)
{
    FBitmapLeft = left;
    FBitmapHAlign = haNone;
    Rerender();
}

void TShapeButton::SetTransparent(bool on)
{
    FTransparent = on;
    Rerender();
}

void TShapeButton::SetCustomDraw(bool on)
{
    FCustomDraw = on;
    Rerender();
}

void TShapeButton::SetShowFocusRGN(bool on)
{
    FShowFocusRGN = on;
    Rerender();
}

void TShapeButton::SetOnEnterBitmap(const QImage &bitmap, int glyphs, int intervalMs)
{
    FEnterStrip = {bitmap, std::max(1, glyphs), std::max(1, intervalMs)};
}

void TShapeButton::SetOnExitBitmap(const QImage &bitmap, int glyphs, int intervalMs)
{
    FExitStrip = {bitmap, std::max(1, glyphs), std::max(1, intervalMs)};
}

void TShapeButton::SetOnClickBitmap(const QImage &bitmap, int glyphs, int intervalMs)
{
    FClickStrip = {bitmap, std::max(1, glyphs), std::max(1, intervalMs)};
}

void TShapeButton::SetDown(bool down)
{
    FDown = down;
    update();
}

void TShapeButton::Rerender()
{
    FFaceValid = false;
    update();
}

QImage TShapeButton::Face()
{
    GetMainBitmap();
    return FFace;
}

void TShapeButton::GetMainBitmap()
{
    const bool enabled = isEnabled();
    const bool pressed = Pressed();
    const bool hot = FHot;
    const bool focused = ShowsFocusFrame(*this);
    FRenderedPressed = pressed;
    FRenderedHot = hot;
    FRenderedEnabled = enabled;
    FRenderedFocused = focused;
    FRenderedText = text();
    FFaceValid = true;

    FFace = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    FFace.fill(kTransparent);
    if (FCustomDraw)
        return;  // the face is left for the painted() handler

    QPainter painter(&FFace);
    painter.setClipRegion(FWindowRegion);
    const QColor base = resolved(FButtonColor);
    const QColor second = resolved(FButtonColor1);
    if (FButtonColor != kNoColour) {
        if (FGradientKind != gkNone)
            PaintGradient(painter, enabled ? base : GetLColor(base), enabled ? second : GetLColor(second),
                          FWindowRegion);
        else
            painter.fillRect(rect(), enabled ? base : GetLColor(base));
    }
    PaintBitmaps(painter);
    DrawCaptionAll(painter);

    QColor light;
    QColor dark;
    QColor frame;
    const bool darkFace = GetSumColor(base) < kDarkColourSum;
    if (enabled) {
        light = GetLColor(base);
        dark = GetDColor(base);
        frame = darkFace ? GetLColor(GetLColor(base)) : GetDColor(GetDColor(base));
    } else {
        const QColor paler = GetLColor(base);
        light = GetLColor(paler);
        dark = GetDColor(paler);
        frame = darkFace ? GetLColor(GetLColor(paler)) : GetDColor(base);
    }
    if (FGradientKind != gkNone)
        frame = GetDColor(GetDColor(base));
    const QColor innerLight = light;
    const QColor innerDark = dark;
    if (pressed)
        std::swap(light, dark);

    const TShape3DKind kind = FButton3DKind;
    const bool always = kind == dk3D || kind == dk3dsimple || kind == dk3dBorder;
    const bool bevel = always || hot;
    const bool innerBands = kind == dk3dBorder || (kind == dk3dBorderFlatten && hot);
    const bool outerFrame = kind == dk3D || kind == dk3dBorder || ((kind == dkFlatten || kind == dk3dBorderFlatten) && hot);
    const bool innerFrame = innerBands;

    auto fillBand = [&](const QRegion &band, const QColor &colour, bool lightSide) {
        if (band.isEmpty())
            return;
        if (FGradientKind == gkNone) {
            painter.setClipRegion(band);
            painter.fillRect(rect(), colour);
            return;
        }
        const QColor from = lightSide == !pressed ? GetLColor(enabled ? base : GetLColor(base))
                                                   : GetDColor(enabled ? base : GetLColor(base));
        const QColor to = lightSide == !pressed ? GetLColor(enabled ? second : GetLColor(second))
                                                 : GetDColor(enabled ? second : GetLColor(second));
        PaintGradient(painter, from, to, band);
    };
    if (bevel) {
        fillBand(FLightRegion, light, true);
        fillBand(FDarkRegion, dark, false);
    }
    if (innerBands) {
        fillBand(FInnerLightRegion, innerLight, true);
        fillBand(FInnerDarkRegion, innerDark, false);
    }
    if (outerFrame)
        FrameRegion(painter, FOuterRegion, frame);
    if (innerFrame)
        FrameRegion(painter, FInnerInnerRegion, frame);
    if (focused && FShowFocusRGN)
        PaintFocusFrame(painter, FFocusRegion);
}

void TShapeButton::FrameRegion(QPainter &painter, const QRegion &region, const QColor &colour) const
{
    const QRegion frame = InnerBand(region, 1);
    if (frame.isEmpty())
        return;
    painter.setClipRegion(frame);
    painter.fillRect(rect(), colour);
}

void TShapeButton::PaintGradient(QPainter &painter, const QColor &from, const QColor &to,
                                 const QRegion &clip) const
{
    painter.save();
    painter.setClipRegion(clip);
    painter.fillRect(rect(), from);
    auto colourAt = [&](int step, int steps) {
        const double t = steps > 0 ? static_cast<double>(step) / steps : 0.0;
        if (!FGradientBitmap.isNull()) {
            const int row = FGradientBitmapLine >= 0 && FGradientBitmapLine < FGradientBitmap.height()
                                ? FGradientBitmapLine
                                : 0;
            const int column = std::clamp(N(t * (FGradientBitmap.width() - 1)), 0, FGradientBitmap.width() - 1);
            return QColor(FGradientBitmap.pixel(column, row));
        }
        return blend(from, to, t);
    };
    const double w = width();
    const double h = height();
    if (FGradientKind == gkLinear) {
        const double angle = FGradientAngle * kRadiansPerTenth;
        const QPointF along(std::cos(angle), -std::sin(angle));
        const QPointF across(-along.y(), along.x());
        double low = 0.0;
        double high = 0.0;
        bool first = true;
        for (const QPointF corner : {QPointF(0, 0), QPointF(w, 0), QPointF(w, h), QPointF(0, h)}) {
            const double d = corner.x() * along.x() + corner.y() * along.y();
            low = first ? d : std::min(low, d);
            high = first ? d : std::max(high, d);
            first = false;
        }
        const int steps = std::max(1, N((high - low) / kGradientLineWidth));
        const double reach = std::hypot(w, h);
        for (int i = 0; i <= steps; ++i) {
            const double d = low + (high - low) * i / steps;
            const QPointF centre = along * d;
            painter.setPen(QPen(colourAt(i, steps), kGradientLineWidth + 1, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(centre - across * reach, centre + across * reach);
        }
    } else if (FGradientKind == gkCircular) {
        const double radius = std::hypot(w, h) / 2.0;
        const int steps = std::max(1, N(radius / kGradientLineWidth));
        painter.setPen(Qt::NoPen);
        for (int i = steps; i >= 0; --i) {
            const double r = radius * (i + 1) / (steps + 1);
            painter.setBrush(colourAt(i, steps));
            painter.drawEllipse(QPointF(w / 2.0, h / 2.0), r, r);
        }
    }
    painter.restore();
}

void TShapeButton::PaintBitmaps(QPainter &painter)
{
    if (FMainBitmap.isNull())
        return;
    const TGlyphChoice choice = ChooseGlyphFrame(FMainBitmapGlyphs, isEnabled(), Pressed(), FHot);
    // Art on a key colour is anti-aliased against that colour: keying out only the exact colour
    // would leave a fringe of it around every smoothed edge, so the key becomes true alpha.
    if (FTransparent && FKeyedBitmap.isNull())
        FKeyedBitmap = ColourKeyToAlpha(FMainBitmap, FMainBitmap.pixel(0, 0));
    QImage glyph = frameOf(FTransparent ? FKeyedBitmap : FMainBitmap, FMainBitmapGlyphs,
                           std::min(choice.frame, FMainBitmapGlyphs - 1))
                       .convertToFormat(QImage::Format_ARGB32);
    if (glyph.isNull())
        return;
    if (choice.dimmed) {
        // Merged with the disabled face's brush: half each.
        const QColor faceColour = GetLColor(resolved(FButtonColor));
        for (int y = 0; y < glyph.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(glyph.scanLine(y));
            for (int x = 0; x < glyph.width(); ++x)
                row[x] = qRgba((qRed(row[x]) + faceColour.red()) / 2, (qGreen(row[x]) + faceColour.green()) / 2,
                               (qBlue(row[x]) + faceColour.blue()) / 2, qAlpha(row[x]));
        }
    }
    int x = AlignOffset(FBitmapHAlign, width(), glyph.width(), FButtonDepth, FBitmapLeft);
    int y = AlignOffset(FBitmapVAlign, height(), glyph.height(), FButtonDepth, FBitmapTop);
    if (choice.shifted) {
        ++x;
        ++y;
    }
    painter.setClipRegion(FWindowRegion);
    painter.drawImage(x, y, glyph);
}

TShapeButton::TCaptionPlacement TShapeButton::CaptionPlacement() const
{
    const TCaptionText caption = ParseCaption(text());
    const QFontMetrics metrics(font());
    TCaptionPlacement placement;
    placement.textWidth = metrics.horizontalAdvance(caption.plain);
    // A fixed caption is laid out in the unturned shape at its angle to the shape, then turned with
    // the shape; a free one is laid out in the control at its angle to the screen.
    placement.angle = FCaptionFixed ? NormalizeAngle(FCaptionAngle - FButtonAngle) : FCaptionAngle;
    const QSize area = FCaptionFixed ? QSize(FButtonWidth, FButtonHeight) : size();
    const QSize box = RotatedBoxSize(placement.textWidth, metrics.height(), placement.angle);
    const int margin = FButtonDepth + kCaptionGap;
    placement.box = QRect(AlignOffset(FCaptionHAlign, area.width(), box.width(), margin, FCaptionLeft),
                          AlignOffset(FCaptionVAlign, area.height(), box.height(), margin, FCaptionTop),
                          box.width(), box.height());
    if (FCaptionFixed)
        placement.toControl = ShapeToControl(size(), FButtonAngle);
    return placement;
}

QTransform TShapeButton::ShapeToControl(QSize control, int angle) const
{
    // As the outlines are built: turned about the shape's centre, then centred in the control.
    const QPointF centre(FButtonWidth / 2, FButtonHeight / 2);
    const QPointF shift((control.width() - FButtonWidth) / 2, (control.height() - FButtonHeight) / 2);
    QTransform transform;
    transform.translate(shift.x() + centre.x(), shift.y() + centre.y());
    transform.rotate(-angle / 10.0);  // positive angles turn counter-clockwise on the screen
    transform.translate(-centre.x(), -centre.y());
    return transform;
}

QRect TShapeButton::CaptionBox() const
{
    const TCaptionPlacement placement = CaptionPlacement();
    return placement.toControl.mapRect(QRectF(placement.box)).toAlignedRect();
}

QPolygon TShapeButton::CaptionInk() const
{
    const TCaptionText caption = ParseCaption(text());
    if (caption.plain.isEmpty())
        return {};
    const TCaptionPlacement placement = CaptionPlacement();
    const QFontMetrics metrics(font());
    const QRectF ink = metrics.tightBoundingRect(caption.plain)
                           .translated(QPoint(-placement.textWidth / 2, -metrics.height() / 2 + metrics.ascent()));
    QTransform transform;
    transform.translate(QRectF(placement.box).center().x(), QRectF(placement.box).center().y());
    transform.rotate(-placement.angle / 10.0);
    return (transform * placement.toControl).map(QPolygonF(ink)).toPolygon();
}

void TShapeButton::DrawCaptionAll(QPainter &painter)
{
    const TCaptionText caption = ParseCaption(text());
    if (FFontColor == kNoColour || caption.plain.isEmpty())
        return;
    const QColor base = resolved(FButtonColor);
    const QColor light = GetLColor(base);
    const QColor dark = GetDColor(base);
    const QColor ink = isEnabled() ? toQColor(FFontColor) : base;
    const bool pressed = Pressed();
    const int shift = pressed ? 1 : 0;

    struct Pass {
        QColor colour;
        int offset;
    };
    std::vector<Pass> passes;
    switch (FCaption3dKind) {
    case ckSimple:
        passes = {{ink, shift}};
        break;
    case ckEmbossed:
        passes = {{light, -1 + shift}, {dark, 1 + shift}, {ink, shift}};
        break;
    case ckPressed:
        passes = {{dark, -1 + shift}, {light, 1 + shift}, {ink, shift}};
        break;
    }

    const QFontMetrics metrics(font());
    const TCaptionPlacement placement = CaptionPlacement();
    const int textWidth = placement.textWidth;
    const QPointF centre = QRectF(placement.box).center();
    painter.setClipRegion(FWindowRegion);
    painter.setFont(font());
    for (const Pass &pass : passes) {
        painter.save();
        // The relief and the pressed shift are screen offsets, also on a turned caption.
        painter.translate(pass.offset, pass.offset);
        painter.setTransform(placement.toControl, true);
        painter.translate(centre);
        painter.rotate(-placement.angle / 10.0);
        const QPointF origin(-textWidth / 2.0, -metrics.height() / 2.0 + metrics.ascent());
        painter.setPen(pass.colour);
        painter.drawText(origin, caption.plain);
        if (caption.underlined >= 0) {
            const double x0 = origin.x() + metrics.horizontalAdvance(caption.plain.left(caption.underlined));
            const double x1 = x0 + metrics.horizontalAdvance(caption.plain.at(caption.underlined));
            const double y = origin.y() + metrics.underlinePos();
            painter.drawLine(QPointF(x0, y), QPointF(x1 - 1, y));
        }
        painter.restore();
    }
}

// --- events -----------------------------------------------------------------------------------

void TShapeButton::paintEvent(QPaintEvent *)
{
    // QAbstractButton::setText is not virtual: a new caption is noticed here.
    if (!FFaceValid || Pressed() != FRenderedPressed || FHot != FRenderedHot || isEnabled() != FRenderedEnabled ||
        ShowsFocusFrame(*this) != FRenderedFocused || text() != FRenderedText)
        GetMainBitmap();
    QPainter painter(this);
    painter.drawImage(0, 0, FFace);
    if (!FAnimationImage.isNull()) {
        painter.setClipRegion(FWindowRegion);
        const int x = AlignOffset(FBitmapHAlign, width(), FAnimationImage.width(), FButtonDepth, FBitmapLeft);
        const int y = AlignOffset(FBitmapVAlign, height(), FAnimationImage.height(), FButtonDepth, FBitmapTop);
        painter.drawImage(x, y, FAnimationImage);
        painter.setClipping(false);
    }
    emit painted(&painter);
}

void TShapeButton::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    if (FSpaceHeld)
        return;
    FHot = true;
    StopAnimation(Animation::Exit);
    StartAnimation(Animation::Enter);
    update();
    emit mouseEntered();
}

void TShapeButton::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    StopAnimation(Animation::Enter);
    StopAnimation(Animation::Click);
    StartAnimation(Animation::Exit);
    FHot = false;
    update();
    emit mouseExited();
}

void TShapeButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && hitButton(event->position().toPoint())) {
        StopAnimation(Animation::Enter);
        StartAnimation(Animation::Click);
    }
    QAbstractButton::mousePressEvent(event);
}

void TShapeButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        FSpaceHeld = true;
        StopAnimation(Animation::Enter);
        StartAnimation(Animation::Click);
    }
    QAbstractButton::keyPressEvent(event);
}

void TShapeButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        FSpaceHeld = false;
    QAbstractButton::keyReleaseEvent(event);
}

void TShapeButton::focusInEvent(QFocusEvent *event)
{
    QAbstractButton::focusInEvent(event);
    if (FFocusSeen) {
        StopAnimation(Animation::Exit);
        StartAnimation(Animation::Enter);
    }
    FFocusSeen = true;
    update();
}

void TShapeButton::focusOutEvent(QFocusEvent *event)
{
    QAbstractButton::focusOutEvent(event);
    if (FFocusSeen) {
        StopAnimation(Animation::Enter);
        StopAnimation(Animation::Click);
        StartAnimation(Animation::Exit);
    }
    FFocusSeen = true;
    update();
}

void TShapeButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        Rerender();
    else if (event->type() == QEvent::ActivationChange)
        update();  // the focus frame follows the window's activation
}

// --- animations -------------------------------------------------------------------------------

const TShapeButton::AnimationStrip &TShapeButton::Strip(Animation which) const
{
    switch (which) {
    case Animation::Enter:
        return FEnterStrip;
    case Animation::Exit:
        return FExitStrip;
    default:
        return FClickStrip;
    }
}

void TShapeButton::StartAnimation(Animation which)
{
    const AnimationStrip &strip = Strip(which);
    if (strip.bitmap.isNull())
        return;
    FAnimation = which;
    FAnimationFrame = 0;
    FAnimationTimer.start(strip.intervalMs);
}

void TShapeButton::StopAnimation(Animation which)
{
    if (FAnimation != which)
        return;
    FAnimationTimer.stop();
    FAnimation = Animation::None;
    FAnimationImage = QImage();
    update();
}

void TShapeButton::AnimationTick()
{
    if (FAnimation == Animation::None) {
        FAnimationTimer.stop();
        return;
    }
    const AnimationStrip &strip = Strip(FAnimation);
    if (FAnimationFrame >= strip.glyphs) {
        StopAnimation(FAnimation);  // the face shows again
        return;
    }
    FAnimationImage = frameOf(strip.bitmap, strip.glyphs, FAnimationFrame++);
    update();
}

// --- the front panel's configuration ----------------------------------------------------------

QImage PanelButtonTexture()
{
    // The library is static: its resources must be registered by hand.
    Q_INIT_RESOURCE(shapedwidgets);
    static const QImage texture(QStringLiteral(":/widgets/art2/paneltexture.png"));
    return texture;
}

void ApplyPanelButtonStyle(TShapeButton &button, const QString &caption, const QImage &texture)
{
    constexpr int kCaptionPixelSize = 11;
    button.setText(caption);
    button.SetButtonKind(bkRoundRect);
    button.SetButton3DKind(dk3dsimple);
    button.SetCaption3dKind(ckEmbossed);
    button.SetButtonColor(kPanelButtonColor);
    button.SetButtonColor1(kPanelButtonColor1);
    button.SetGradientKind(gkNone);
    button.SetShowFocusRGN(false);
    button.SetTransparent(false);
    button.SetCaptionAlign(haCenter, vaCenter);
    button.SetFontColor(kPanelButtonOffFont);
    QFont captionFont = button.font();
    captionFont.setFamily(QStringLiteral("Arial"));
    captionFont.setPixelSize(kCaptionPixelSize);
    button.setFont(captionFont);
    button.setCursor(Qt::PointingHandCursor);
    button.SetMainBitmap(texture, 1);
}
