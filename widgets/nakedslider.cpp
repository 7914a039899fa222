// TNakedSlider: trench and thumb geometry, mouse handling and the thumb pictures drawn as vectors.
#include "nakedslider.h"
#include "focusframe.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

constexpr TColor trenchDarkColor = 0x2C2C2C;
constexpr TColor trenchLightColor = 0xFFFFFF;
constexpr int defaultWidth = 15;
constexpr int defaultHeight = 100;
constexpr int pageStepDivisor = 10;
constexpr double disabledThumbOpacity = 0.55;

// Nearest integer, saturated to the int range (NaN gives 0), so huge ranges never overflow.
int roundToInt(double value)
{
    if (std::isnan(value))
        return 0;
    const double rounded = std::round(value);
    if (rounded >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (rounded <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(rounded);
}

// Clamps the way the slider does: first to at most hi, then to at least lo (never UB for lo > hi).
int clampUpperFirst(int value, int lo, int hi)
{
    return std::max(std::min(value, hi), lo);
}

// Width of the value range as a double, so Max - Min can never overflow.
double rangeOf(int min, int max)
{
    return static_cast<double>(max) - static_cast<double>(min);
}

struct ThumbPicture {
    int width;
    int height;
};

constexpr std::array<ThumbPicture, nakedslider::thumbStyleCount> thumbPictures{{
    {5, 10}, {6, 12}, {10, 5}, {12, 6}, {8, 8}, {8, 8}, {8, 8}, {12, 12}, {9, 9}, {11, 11},
    {13, 26}, {13, 26}, {13, 26}, {13, 26}, {26, 12}, {26, 12}, {26, 13}, {26, 12},
}};

bool isValidThumbStyle(int style)
{
    return style >= 0 && style < nakedslider::thumbStyleCount;
}

// --- Thumb pictures: a brushed-aluminium cap with a dark index mark ---

const QColor capOutline(30, 38, 50);
const QColor capLight(250, 251, 252);
const QColor capMid(208, 214, 222);
const QColor capDark(150, 160, 173);
const QColor indexMark(28, 34, 44);
const QColor indexGlint(255, 255, 255, 170);

QPainterPath diamondPath(const QRectF &r)
{
    QPainterPath path;
    path.moveTo(r.center().x(), r.top());
    path.lineTo(r.right(), r.center().y());
    path.lineTo(r.center().x(), r.bottom());
    path.lineTo(r.left(), r.center().y());
    path.closeSubpath();
    return path;
}

QPainterPath polygonPath(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    bool first = true;
    for (const QPointF &point : points) {
        if (first)
            path.moveTo(point);
        else
            path.lineTo(point);
        first = false;
    }
    path.closeSubpath();
    return path;
}

// The outline of a thumb in its own w x h box, inset half a pixel so 1-pixel strokes stay crisp.
// The long "Std" bars keep their cap inside the middle square, because the program's sliders are
// thinner than those pictures and show only that part; the rest is a fine index needle.
QPainterPath thumbOutline(TThumbStyle style, double w, double h)
{
    QPainterPath path;
    const QRectF box(0.5, 0.5, w - 1.0, h - 1.0);
    switch (style) {
    case tsBar1:
    case tsBar2:
    case tsBar3:
    case tsBar4:
        path.addRoundedRect(box, 1.5, 1.5);
        break;
    case tsCircle1: path.addEllipse(box); break;
    case tsSquare1: path.addRoundedRect(box, 1.0, 1.0); break;
    case tsDiamond1:
    case tsDiamond2:
    case tsDiamond3:
    case tsDiamond4: path = diamondPath(box); break;
    case tsStdVBar: path.addRoundedRect(QRectF(0.5, 6.5, w - 1.0, 12.0), 2.5, 2.5); break;
    case tsStdHBar: path.addRoundedRect(QRectF(7.5, 0.5, 10.0, h - 1.0), 2.5, 2.5); break;
    case tsStdDown:
        path = polygonPath({{0.5, 6.5}, {w - 0.5, 6.5}, {w - 0.5, 14.5}, {w / 2, 20.5}, {0.5, 14.5}});
        break;
    case tsStdUp:
        path = polygonPath({{w / 2, 5.5}, {w - 0.5, 11.5}, {w - 0.5, 19.5}, {0.5, 19.5}, {0.5, 11.5}});
        break;
    case tsStdUpDown:
        path = polygonPath({{w / 2, 3.5}, {w - 0.5, 9.5}, {w - 0.5, 16.5}, {w / 2, 22.5}, {0.5, 16.5},
                            {0.5, 9.5}});
        break;
    case tsStdLeft:
        path = polygonPath({{6.5, h / 2}, {12.5, 0.5}, {20.5, 0.5}, {20.5, h - 0.5}, {12.5, h - 0.5}});
        break;
    case tsStdRight:
        path = polygonPath({{5.5, 0.5}, {13.5, 0.5}, {19.5, h / 2}, {13.5, h - 0.5}, {5.5, h - 0.5}});
        break;
    case stStdLeftRight:
        path = polygonPath({{3.5, h / 2}, {9.5, 0.5}, {16.5, 0.5}, {22.5, h / 2}, {16.5, h - 0.5},
                            {9.5, h - 0.5}});
        break;
    }
    return path;
}

void paintThumb(QPainter &painter, TThumbStyle style, const QRect &rect, bool enabled)
{
    const double w = rect.width();
    const double h = rect.height();
    painter.save();
    painter.translate(rect.topLeft());
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (!enabled)
        painter.setOpacity(disabledThumbOpacity);

    const QPainterPath outline = thumbOutline(style, w, h);
    const QRectF bounds = outline.boundingRect();
    QLinearGradient face(bounds.topLeft(), bounds.bottomLeft());
    face.setColorAt(0.0, capLight);
    face.setColorAt(0.45, capMid);
    face.setColorAt(1.0, capDark);
    painter.setPen(QPen(capOutline, 1.0));
    painter.setBrush(face);
    painter.drawPath(outline);

    // A glint along the upper inside edge gives the cap its depth.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 1.0));
    painter.setClipPath(outline);
    painter.drawLine(QPointF(bounds.left() + 2.0, bounds.top() + 1.0),
                     QPointF(bounds.right() - 2.0, bounds.top() + 1.0));
    painter.setClipping(false);

    // Index marks on the fader caps: across the slider's axis, plus needles outside the cap.
    if (style == tsStdVBar) {
        const double x = std::floor(w / 2) + 0.5;
        painter.setPen(QPen(indexMark, 1.0));
        painter.drawLine(QPointF(x, 8.5), QPointF(x, 16.5));
        painter.drawLine(QPointF(x, 1.0), QPointF(x, 6.0));
        painter.drawLine(QPointF(x, 19.0), QPointF(x, h - 1.0));
        painter.setPen(QPen(indexGlint, 1.0));
        painter.drawLine(QPointF(x + 1.0, 8.5), QPointF(x + 1.0, 16.5));
    } else if (style == tsStdHBar) {
        const double y = std::floor(h / 2) + 0.5;
        painter.setPen(QPen(indexMark, 1.0));
        painter.drawLine(QPointF(9.0, y), QPointF(16.0, y));
        painter.drawLine(QPointF(1.0, y), QPointF(7.0, y));
        painter.drawLine(QPointF(18.0, y), QPointF(w - 1.0, y));
        painter.setPen(QPen(indexGlint, 1.0));
        painter.drawLine(QPointF(9.0, y + 1.0), QPointF(16.0, y + 1.0));
    }
    painter.restore();
}

}  // namespace

namespace nakedslider {

QSize thumbSize(TThumbStyle style)
{
    if (!isValidThumbStyle(style))
        return {};
    const ThumbPicture &picture = thumbPictures[static_cast<std::size_t>(style)];
    return {picture.width, picture.height};
}

QRect trenchRect(const Geometry &g, int thickness)
{
    const int w = g.size.width();
    const int h = g.size.height();
    const int tw = g.thumb.width();
    const int th = g.thumb.height();
    QRect r;
    if (g.vertical) {
        const int left = w / 2 - thickness / 2 - 1;
        r.setCoords(left, th / 2, left + thickness + 1, h - th + th / 2);
    } else {
        const int top = h / 2 - thickness / 2 - 1;
        r.setCoords(tw / 2, top, w - tw + tw / 2, top + thickness + 1);
    }
    return r;
}

QPoint thumbOrigin(const Geometry &g, int position)
{
    const int w = g.size.width();
    const int h = g.size.height();
    const int tw = g.thumb.width();
    const int th = g.thumb.height();
    const double range = rangeOf(g.min, g.max);
    const double offset = static_cast<double>(position) - static_cast<double>(g.min);
    if (g.vertical) {
        // The scale is held in single precision, as the pixel results depend on it.
        const float scale = range != 0.0 ? static_cast<float>((h - th) / range) : 0.0f;
        const int top = h - roundToInt(offset * static_cast<double>(scale)) - th;
        return {(w - tw) / 2, clampUpperFirst(top, 0, h - th)};
    }
    const float scale = range != 0.0 ? static_cast<float>((w - tw) / range) : 0.0f;
    const int left = roundToInt(offset * static_cast<double>(scale));
    return {clampUpperFirst(left, 0, w - tw), (h - th) / 2};
}

QPoint draggedThumbOrigin(const Geometry &g, int dragCoord)
{
    const int w = g.size.width();
    const int h = g.size.height();
    const int tw = g.thumb.width();
    const int th = g.thumb.height();
    if (g.vertical)
        return {(w - tw) / 2, clampUpperFirst(dragCoord - th / 2, 0, h - th)};
    return {clampUpperFirst(dragCoord - tw / 2, 0, w - tw), (h - th) / 2};
}

int valueAt(const Geometry &g, int x, int y)
{
    // The inverse of the thumb placement for the thumb's centre, so a thumb dropped where it
    // stands keeps its value and does not jump when the button is released.
    const int tw = g.thumb.width();
    const int th = g.thumb.height();
    const double range = rangeOf(g.min, g.max);
    double value = g.min;
    if (g.vertical) {
        const double travel = g.size.height() - th;
        if (travel > 0)
            value += (g.size.height() - th + th / 2 - y) / travel * range;
    } else {
        const double travel = g.size.width() - tw;
        if (travel > 0)
            value += (x - tw / 2) / travel * range;
    }
    return clampUpperFirst(roundToInt(value), g.min, g.max);
}

TColor flashRampColor(int position, int min, int max)
{
    constexpr double rampLength = 768.0;
    constexpr int rampEnd = 1536;
    const double steps = rangeOf(min, max) + 1.0;
    double k = 0.0;
    if (steps != 0.0)
        k = std::trunc(rampLength / steps * position) + 256.0;
    // Beyond the ramp's ends (possible for a negative Min) the end colours continue.
    const int ki = static_cast<int>(std::clamp(k, 0.0, static_cast<double>(rampEnd)));
    if (ki < 256) return rgbToColor(0, ki, 255);
    if (ki < 512) return rgbToColor(0, 255, 511 - ki);
    if (ki < 768) return rgbToColor(ki - 512, 255, 0);
    if (ki < 1024) return rgbToColor(255, 1023 - ki, 0);
    if (ki < 1280) return rgbToColor(255, 0, ki - 1024);
    if (ki < 1536) return rgbToColor(1535 - ki, 0, 255);
    return rgbToColor(0, 0, 255);
}

}  // namespace nakedslider

TNakedSlider::TNakedSlider(QWidget *parent) : QWidget(parent)
{
    // No background of its own: the parent's face shows through around the trench and thumb.
    setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
    resize(defaultWidth, defaultHeight);
    FOrientationSize = size();
    updateHalfThumb();
    WhereIsBar();
}

nakedslider::Geometry TNakedSlider::geometryNow() const
{
    return {size(), FThumbSize, IsVert(), FMin, FMax};
}

void TNakedSlider::updateHalfThumb()
{
    FThumbSize = nakedslider::thumbSize(FThumbStyle);
    FHalfThumbWidth = FThumbSize.width() / 2;
    FHalfThumbHeight = FThumbSize.height() / 2;
}

void TNakedSlider::WhereIsBar()
{
    const nakedslider::Geometry g = geometryNow();
    const QPoint origin = FDragging ? nakedslider::draggedThumbOrigin(g, FDragCoord)
                                    : nakedslider::thumbOrigin(g, FPosition);
    FThumbRect = QRect(origin, FThumbSize);
}

void TNakedSlider::SetFocusColor(TColor color)
{
    if (color == FFocusColor)
        return;
    FFocusColor = color;
    update();
}

void TNakedSlider::SetHandCursor(bool on)
{
    FHandCursor = on;
    if (on)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void TNakedSlider::SetLabels(const QStringList &labels)
{
    FLabels = labels;
}

void TNakedSlider::SetMin(int value)
{
    FMin = value;
    SetStepPage(static_cast<int>(std::max(1.0, std::trunc(rangeOf(FMin, FMax) / pageStepDivisor))));
    WhereIsBar();
    update();
}

void TNakedSlider::SetMax(int value)
{
    FMax = value;
    SetStepPage(static_cast<int>(std::max(1.0, std::trunc(rangeOf(FMin, FMax) / pageStepDivisor))));
    WhereIsBar();
    update();
}

void TNakedSlider::mapThumbForOrientation(TOrientation orientation)
{
    TThumbStyle style = FThumbStyle;
    if (orientation == orHorizontal) {
        if (style == tsBar4) style = tsBar2;
        if (style == tsBar3) style = tsBar1;
        if (style == tsStdHBar) style = tsStdVBar;
        if (style == tsStdRight) style = tsStdDown;
    } else {
        if (style == tsBar2) style = tsBar4;
        if (style == tsBar1) style = tsBar3;
        if (style == tsStdVBar) style = tsStdHBar;
        if (style == tsStdDown) style = tsStdRight;
    }
    SetThumbStyle(style);
}

void TNakedSlider::SetOrientation(TOrientation orientation)
{
    const bool swap = (orientation == orHorizontal && width() < height()) ||
                      (orientation == orVertical && height() < width());
    if (swap) {
        resize(height(), width());
        mapThumbForOrientation(orientation);
    }
    FOrientation = orientation;
    FOrientationSize = size();
    WhereIsBar();
    update();
}

TOrientation TNakedSlider::Orientation() const
{
    if (size() == FOrientationSize)
        return FOrientation;
    return width() >= height() ? orHorizontal : orVertical;
}

void TNakedSlider::SetPosition(int value)
{
    if (FFlashColor)
        FFocusColor = nakedslider::flashRampColor(FPosition, FMin, FMax);
    if (value >= FMin && value <= FMax)
        FPosition = value;
    WhereIsBar();
    update();
    emit OnChange(this);
}

void TNakedSlider::SetStyle(TBarStyle style)
{
    FStyle = style;
    update();
}

void TNakedSlider::SetThickness(int value)
{
    if (value < 1 || value > maxThickness)
        return;
    FThickness = value;
    update();
}

void TNakedSlider::SetThumbStyle(TThumbStyle style)
{
    if (style == FThumbStyle)
        return;
    if (!isValidThumbStyle(style))
        throw std::invalid_argument("TNakedSlider.SetThumbStyle: Bad value");
    FThumbStyle = style;
    updateHalfThumb();
    WhereIsBar();
    update();
}

void TNakedSlider::SetFlashColor(bool on)
{
    if (on == FFlashColor)
        return;
    FFlashColor = on;
    FFocusColor = on ? flashStartColor : defaultFocusColor;
    update();
}

void TNakedSlider::SetFrequency(int value)
{
    if (value == FFrequency)
        return;
    FFrequency = value;
    update();
}

void TNakedSlider::SetStepLine(int value)
{
    if (value == FStepLine || value < 1 || value > rangeOf(FMin, FMax))
        return;
    FStepLine = value;
    if (FStepPage < value)
        FStepPage = value;
}

void TNakedSlider::SetStepPage(int value)
{
    if (value == FStepPage || value < 1 || value > rangeOf(FMin, FMax))
        return;
    FStepPage = value;
    if (FStepLine > value)
        FStepLine = value;
}

void TNakedSlider::MoveUp(int n)
{
    if (n == 0)
        return;
    if (n < 0) {
        MoveDown(n == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : -n);
        return;
    }
    SetPosition(static_cast<int>(std::min(static_cast<double>(FPosition) + n, static_cast<double>(FMax))));
}

void TNakedSlider::MoveDown(int n)
{
    if (n == 0)
        return;
    if (n < 0) {
        MoveUp(n == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : -n);
        return;
    }
    SetPosition(static_cast<int>(std::max(static_cast<double>(FPosition) - n, static_cast<double>(FMin))));
}

QString TNakedSlider::CurrentLabel() const
{
    const double index = rangeOf(FMin, FPosition);
    if (index >= 0 && index < static_cast<double>(FLabels.size()))
        return FLabels.at(static_cast<qsizetype>(index));
    return QStringLiteral("<Un-Defined>");
}

int TNakedSlider::NewPosition(int x, int y) const
{
    return nakedslider::valueAt(geometryNow(), x, y);
}

void TNakedSlider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect trench = nakedslider::trenchRect(geometryNow(), FThickness);
    const int left = trench.left();
    const int top = trench.top();
    const int right = trench.right();
    const int bottom = trench.bottom();
    if (right > left && bottom > top) {
        const QColor topLeft = toQColor(FStyle == bsRaised ? trenchLightColor : trenchDarkColor);
        const QColor bottomRight = toQColor(FStyle == bsRaised ? trenchDarkColor : trenchLightColor);
        // The outline a pen traces from (right, top) anticlockwise, ends excluded, then the inside.
        painter.fillRect(QRect(left, top, right - left, 1), topLeft);
        painter.fillRect(QRect(left, top, 1, bottom - top), topLeft);
        painter.fillRect(QRect(left, bottom, right - left, 1), bottomRight);
        painter.fillRect(QRect(right, top, 1, bottom - top + 1), bottomRight);
        painter.fillRect(QRect(left + 1, top + 1, right - left - 1, bottom - top - 1), toQColor(FFocusColor));
    }
    // Under the thumb, so the thumb stays whole and the frame reads as the slider's own border.
    if (ShowsFocusFrame(*this))
        PaintFocusFrame(painter, rect());
    WhereIsBar();
    if (!FThumbSize.isEmpty())
        paintThumb(painter, FThumbStyle, FThumbRect, isEnabled());
}

void TNakedSlider::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void TNakedSlider::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void TNakedSlider::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        update();
}

void TNakedSlider::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    WhereIsBar();
}

void TNakedSlider::mousePressEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    FDragging = FThumbRect.contains(point);
    FDragCoord = IsVert() ? point.y() : point.x();
    FDragMoved = false;
}

void TNakedSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || !FDragging)
        return;
    const QPoint point = event->position().toPoint();
    const int coord = IsVert() ? point.y() : point.x();
    if (coord == FDragCoord)
        return;
    FDragCoord = coord;
    FDragMoved = true;
    SetPosition(NewPosition(point.x(), point.y()));
}

void TNakedSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    int value = FPosition;
    if (FDragging) {
        // A press and release on the thumb without moving it is no request for a new value.
        if (FDragMoved)
            value = NewPosition(point.x(), point.y());
    } else if (IsVert()) {
        const int centre = FThumbRect.top() + FHalfThumbHeight;
        if (point.y() < centre)
            value = FPosition == std::numeric_limits<int>::max() ? FPosition : FPosition + 1;
        else if (point.y() > centre)
            value = FPosition == std::numeric_limits<int>::min() ? FPosition : FPosition - 1;
    } else {
        const int centre = FThumbRect.left() + FHalfThumbWidth;
        if (point.x() < centre)
            value = FPosition == std::numeric_limits<int>::min() ? FPosition : FPosition - 1;
        else if (point.x() > centre)
            value = FPosition == std::numeric_limits<int>::max() ? FPosition : FPosition + 1;
    }
    value = clampUpperFirst(value, FMin, FMax);
    FDragging = false;
    SetPosition(value);
}
