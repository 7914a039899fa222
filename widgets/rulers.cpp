// THRuler and TVRuler: tick arithmetic (pure functions) and the drawing of both rulers.
#include "rulers.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int defaultLength = 200;
constexpr int defaultThickness = 33;
constexpr double firstStep = 0.1;
constexpr double valueTolerance = 0.0001;  // how close a value must be to count as a multiple or zero
constexpr int labelSignificantDigits = 8;
constexpr int minLabelGap = 2;             // pixels kept free between neighbouring labels
constexpr int labelClearance = 2;          // pixels kept free between a label and the frame or the ticks
constexpr int longestTick = 8;             // a tenth-step tick
constexpr double millimetresPerInch = 25.4;
constexpr double centimetreTickMillimetres = 2.0;
constexpr int ticksPerCentimetre = 5;
constexpr int ticksPerLongMark = 10;

// Text origins and tick ends of the two scales, in pixels from the ruler's edges.
constexpr int customLabelInset = 8;
constexpr int customLabelLead = 3;
constexpr int customBottomLabelRise = 20;
constexpr int customVerticalLabelRise = 10;
constexpr int customRightLabelInset = 31;
constexpr int cmShortTick = 6;
constexpr int cmMidTick = 12;
constexpr int cmLongTick = 18;
constexpr int cmFarShortTick = 27;
constexpr int cmLabelLead = 2;
constexpr int cmHorizontalLabelTop = 9;
constexpr int cmVerticalLabelLeft = 12;
constexpr int cmVerticalLabelRise = 16;

bool isMultiple(double value, double unit)
{
    const double ratio = value / unit;
    return std::abs(ratio - std::round(ratio)) < valueTolerance;
}

int nearest(double value)
{
    return static_cast<int>(std::lround(value));
}

// Text drawn with its top-left corner at `origin`, as the scale's label positions are given.
QRect drawLabelAt(QPainter &painter, QPoint origin, const QString &text)
{
    const QFontMetrics metrics = painter.fontMetrics();
    painter.drawText(origin + QPoint(0, metrics.ascent()), text);
    return QRect(origin, QSize(metrics.horizontalAdvance(text), metrics.height()));
}

// A label's start along the ruler, moved inward where the text would run off either end or touch
// the frame, so an edge label is never cut down to a different number ("1000" showing as "000").
int keepInside(int start, int extent, int length)
{
    return std::max(std::min(start, length - 1 - labelClearance - extent), 1 + labelClearance);
}

// Rows (from the text origin) that the ink of a scale label covers: the digits, sign and point.
struct InkRows {
    int top;
    int bottom;
};
InkRows labelInk(const QFontMetrics &metrics)
{
    const QRect ink = metrics.tightBoundingRect(QStringLiteral("0123456789-."));
    return {metrics.ascent() + ink.top(), metrics.ascent() + ink.bottom()};
}

// The label row of a horizontal scale: the stated one, moved away from the ticks where the font's
// ink would touch them, and off the far frame where there is room.
int horizontalLabelTop(const QFontMetrics &metrics, int height, bool ticksOnTop, int stated)
{
    const InkRows ink = labelInk(metrics);
    const int tickRows = longestTick - 1;  // ticks cover rows 1..7 from their edge
    if (ticksOnTop) {
        const int top = std::max(stated, tickRows + 1 + labelClearance - ink.top);
        return std::min(top, std::max(stated, height - 2 - labelClearance - ink.bottom));
    }
    const int top = std::min(stated, height - 1 - tickRows - 1 - labelClearance - ink.bottom);
    return std::max(top, std::min(stated, 1 + labelClearance - ink.top));
}

// A vertical run of pixels at column x, rows from..to inclusive (nothing when to < from).
void columnRun(QPainter &painter, int x, int from, int to)
{
    if (to >= from)
        painter.fillRect(QRect(x, from, 1, to - from + 1), painter.pen().color());
}

void rowRun(QPainter &painter, int y, int from, int to)
{
    if (to >= from)
        painter.fillRect(QRect(from, y, to - from + 1, 1), painter.pen().color());
}

}  // namespace

namespace rulers {

double tickStep(double unitsPerPixel)
{
    double step = firstStep;
    while (std::isfinite(step) && step / unitsPerPixel < minTickSpacing)
        step *= 10.0;
    return step;
}

double centimetreTickPitch(double dotsPerInch)
{
    return dotsPerInch / (millimetresPerInch / centimetreTickMillimetres);
}

QString tickLabel(double value, bool reverse)
{
    if (std::abs(value) < valueTolerance)
        value = 0.0;
    if (reverse && value != 0.0)  // negating zero would print "-0"
        value = -value;
    return QString::number(value, 'g', labelSignificantDigits);
}

std::vector<Tick> customTicks(float startVal, float stopVal, int length, double labelSpacing, bool reverse)
{
    std::vector<Tick> ticks;
    if (length <= 0)
        return ticks;
    const float span = stopVal - startVal;
    const double unitsPerPixel = static_cast<double>(span) / length;
    if (!(unitsPerPixel > 0.0) || !std::isfinite(unitsPerPixel) || !std::isfinite(startVal))
        return ticks;
    const double step = tickStep(unitsPerPixel);
    if (!std::isfinite(step))
        return ticks;
    const double big5 = 5.0 * step;
    const double big10 = 10.0 * step;
    const double p1 = step / unitsPerPixel;
    const double p5 = big5 / unitsPerPixel;
    const bool labelEvery = p1 >= labelSpacing;
    const bool labelFifth = !labelEvery && p5 >= labelSpacing;

    // The first tick value at or just above StartVal (a tick within the tolerance below it counts).
    const double firstIndex = std::ceil(static_cast<double>(startVal) / step - valueTolerance);
    const double firstValue = firstIndex * step;
    const double firstOffset = (firstValue - static_cast<double>(startVal)) / unitsPerPixel;

    for (int k = 0;; ++k) {
        const double offset = firstOffset + k * p1;
        if (!(offset < length))
            break;
        const double value = firstValue + k * step;
        const bool is5 = isMultiple(value, big5);
        const bool is10 = isMultiple(value, big10);
        const bool labelled = labelEvery || (labelFifth && is5) || (!labelEvery && !labelFifth && is10);
        ticks.push_back({offset, 4 + 2 * int(is5) + 2 * int(is10), labelled, tickLabel(value, reverse), value});
    }
    return ticks;
}

void thinLabels(std::vector<Tick> &ticks, const std::function<int(const QString &)> &textWidth, int gap)
{
    constexpr int maxCoarsening = 32;  // far more than any range needs; bounds the loop
    for (int round = 0; round < maxCoarsening; ++round) {
        const Tick *previous = nullptr;
        double unit = 0.0;
        for (const Tick &tick : ticks) {
            if (!tick.labelled)
                continue;
            if (previous && tick.offset - previous->offset < textWidth(previous->text) + gap) {
                unit = std::abs(tick.value - previous->value);
                break;
            }
            previous = &tick;
        }
        if (!(unit > 0.0))
            return;  // no collisions left
        const double mantissa = unit / std::pow(10.0, std::floor(std::log10(unit)));
        const double coarser = unit * (mantissa < 3.0 ? 5.0 : 2.0);
        for (Tick &tick : ticks)
            tick.labelled = tick.labelled && isMultiple(tick.value, coarser);
    }
}

}  // namespace rulers

// --- TRulerBase ---

TRulerBase::TRulerBase(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);  // the band covers the whole control
}

void TRulerBase::SetUnitOfMeasure(TUnitOfMeasure unit)
{
    if (unit == FUnitOfMeasure)
        return;
    FUnitOfMeasure = unit;
    update();
}

void TRulerBase::SetColor(TColor color)
{
    if (color == FColor)
        return;
    FColor = color;
    update();
}

void TRulerBase::SetReverse(bool reverse)
{
    FReverse = reverse;
    Refresh();
}

void TRulerBase::Refresh()
{
    if (isVisible())
        repaint();
}

void TRulerBase::setStart(float value)
{
    if (!std::isfinite(value))
        return;
    FStartVal = value;
    if (value >= FStopVal) {
        FStopVal = value + 1.0f;
        if (FStopVal <= value)  // beyond 2^24 adding one is lost in single precision
            FStopVal = std::nextafter(value, std::numeric_limits<float>::infinity());
    }
    Refresh();
}

void TRulerBase::setStop(float value)
{
    if (!std::isfinite(value))
        return;
    FStopVal = value;
    if (value <= FStartVal) {
        FStartVal = value - 1.0f;
        if (FStartVal >= value)
            FStartVal = std::nextafter(value, -std::numeric_limits<float>::infinity());
    }
    Refresh();
}

void TRulerBase::setAlign(TAlign align)
{
    FAlign = align;
    if (QWidget *host = parentWidget()) {
        host->removeEventFilter(this);
        if (align != alNone)
            host->installEventFilter(this);
    }
    applyAlign();
}

void TRulerBase::applyAlign()
{
    const QWidget *host = parentWidget();
    if (!host)
        return;
    switch (FAlign) {
    case alTop: setGeometry(0, 0, host->width(), height()); break;
    case alBottom: setGeometry(0, host->height() - height(), host->width(), height()); break;
    case alLeft: setGeometry(0, 0, width(), host->height()); break;
    case alRight: setGeometry(host->width() - width(), 0, width(), host->height()); break;
    case alNone:
    case alClient: break;
    }
}

bool TRulerBase::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        applyAlign();
    return QWidget::eventFilter(watched, event);
}

void TRulerBase::drawBand(QPainter &painter) const
{
    painter.fillRect(rect(), toQColor(FColor));
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

void TRulerBase::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawBand(painter);
    painter.setFont(font());
    if (FUnitOfMeasure == umCustom)
        drawCustomScale(painter);
    else
        drawCentimetreScale(painter);
}

// --- THRuler ---

THRuler::THRuler(QWidget *parent) : TRulerBase(parent)
{
    resize(defaultLength, defaultThickness);
    setMouseTracking(true);  // moves are reported without a button held, as the host expects
}

void THRuler::SeTHFrRULAlign(TAlign align)
{
    if (align == alNone || align == alTop || align == alBottom)
        setAlign(align);
}

void THRuler::SetPosition(THZPosition position)
{
    if (position == FPosition)
        return;
    FPosition = position;
    update();
}

void THRuler::SetHStart(float value)
{
    setStart(value);
}

void THRuler::SetHStop(float value)
{
    setStop(value);
}

void THRuler::drawCustomScale(QPainter &painter) const
{
    const int h = height();
    int labelsEnd = std::numeric_limits<int>::min();
    auto ticks = rulers::customTicks(FStartVal, FStopVal, width(), rulers::horizontalLabelSpacing, FReverse);
    const QFontMetrics metrics = painter.fontMetrics();
    rulers::thinLabels(ticks, [&](const QString &text) { return metrics.horizontalAdvance(text); }, minLabelGap);
    const int labelTop = FPosition == posTop
                             ? horizontalLabelTop(metrics, h, true, customLabelInset)
                             : horizontalLabelTop(metrics, h, false, h - customBottomLabelRise);
    for (const rulers::Tick &tick : ticks) {
        const int x = nearest(tick.offset);
        // A pen line excludes its end point: L - 1 pixels from the edge the ticks hang from.
        if (FPosition == posTop)
            columnRun(painter, x, 1, tick.length - 1);
        else
            columnRun(painter, x, h - tick.length + 1, h - 1);
        if (!tick.labelled)
            continue;
        const int y = labelTop;
        const int textWidth = painter.fontMetrics().horizontalAdvance(tick.text);
        const QPoint origin(keepInside(x - customLabelLead, textWidth, width()), y);
        if (origin.x() < labelsEnd + minLabelGap)
            continue;  // would touch the previous label
        labelsEnd = drawLabelAt(painter, origin, tick.text).right();
    }
}

void THRuler::drawCentimetreScale(QPainter &painter) const
{
    const double pitch = rulers::centimetreTickPitch(logicalDpiX());
    if (!(pitch >= 1.0))
        return;
    const int h = height();
    for (int i = 0; i * pitch < width(); ++i) {
        const int x = nearest(i * pitch);
        const bool isCentimetre = i % ticksPerCentimetre == 0;
        if (FPosition == posBottom) {
            const int end = i % ticksPerLongMark == 0 ? cmLongTick : isCentimetre ? cmMidTick : cmShortTick;
            columnRun(painter, x, 1, end - 1);
        } else {
            const int end = isCentimetre ? cmLongTick : cmFarShortTick;
            columnRun(painter, x, end + 1, h - 1);
        }
        if (isCentimetre && i > 0)
            drawLabelAt(painter, QPoint(x + cmLabelLead, cmHorizontalLabelTop), QString::number(i / ticksPerCentimetre));
    }
}

void THRuler::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    emit OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y(), event->buttons());
}

void THRuler::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    emit OnMouseUp(this, event->button(), event->modifiers(), p.x(), p.y(), event->buttons());
}

void THRuler::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    emit OnMouseMove(this, event->modifiers(), p.x(), p.y(), event->buttons());
}

// --- TVRuler ---

TVRuler::TVRuler(QWidget *parent) : TRulerBase(parent)
{
    resize(defaultThickness, defaultLength);
}

void TVRuler::SeTVFrRULAlign(TAlign align)
{
    if (align == alNone || align == alLeft || align == alRight)
        setAlign(align);
}

void TVRuler::SetPosition(TVTPosition position)
{
    if (position == FPosition)
        return;
    FPosition = position;
    update();
}

void TVRuler::SetVStart(float value)
{
    setStart(value);
}

void TVRuler::SetVStop(float value)
{
    setStop(value);
}

void TVRuler::drawCustomScale(QPainter &painter) const
{
    const int w = width();
    const int h = height();
    int labelsTop = std::numeric_limits<int>::max();
    auto ticks = rulers::customTicks(FStartVal, FStopVal, h, rulers::verticalLabelSpacing, FReverse);
    const int lineHeight = painter.fontMetrics().height();
    rulers::thinLabels(ticks, [lineHeight](const QString &) { return lineHeight; }, minLabelGap);
    for (const rulers::Tick &tick : ticks) {
        const int y = nearest(h - tick.offset);
        if (FPosition == posLeft)
            rowRun(painter, y, 1, tick.length - 1);
        else
            rowRun(painter, y, w - tick.length + 1, w - 1);
        if (!tick.labelled)
            continue;
        // Clear of the ticks: right of them on the left edge, left of them on the right edge.
        const int textWidth = painter.fontMetrics().horizontalAdvance(tick.text);
        const int x = FPosition == posLeft
                          ? std::max(customLabelInset, longestTick + labelClearance)
                          : std::max(std::min(w - customRightLabelInset, w - longestTick - 1 - labelClearance - textWidth),
                                     1 + labelClearance);
        const int textHeight = painter.fontMetrics().height();
        const QPoint origin(x, keepInside(y - customVerticalLabelRise, textHeight, h));
        // Values grow upward: each label must end above the one drawn before it.
        if (origin.y() + textHeight + minLabelGap > labelsTop)
            continue;
        labelsTop = drawLabelAt(painter, origin, tick.text).top();
    }
}

void TVRuler::drawCentimetreScale(QPainter &painter) const
{
    const double pitch = rulers::centimetreTickPitch(logicalDpiY());
    if (!(pitch >= 1.0))
        return;
    const int w = width();
    for (int i = 0; i * pitch < height(); ++i) {
        const int y = nearest(i * pitch);
        const bool isCentimetre = i % ticksPerCentimetre == 0;
        if (FPosition == posRight)
            rowRun(painter, y, 1, (isCentimetre ? cmMidTick : cmShortTick) - 1);
        else
            rowRun(painter, y, (isCentimetre ? cmLongTick : cmFarShortTick) + 1, w - 1);
        if (isCentimetre && i > 0)
            drawLabelAt(painter, QPoint(cmVerticalLabelLeft, y - cmVerticalLabelRise), QString::number(i / ticksPerCentimetre));
    }
}
