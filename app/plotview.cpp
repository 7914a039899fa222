// The plot area of the main window: the analyser's last frame with the pointer readout over it.
#include "plotview.h"

#include "panelmath.h"
#include "analyser.h"
#include "plotrender.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace zelvaro {

namespace {

constexpr QRgb kReadoutColour = qRgb(255, 255, 0);
constexpr int kReadoutFontPixels = 11;
constexpr int kReadoutBackAlpha = 200;  // the traces show faintly through the backing
constexpr int kReadoutPadding = 2;      // text inset within its backing
constexpr int kKeyMargin = 4;           // the key's distance from the right edge
constexpr int kKeyTop = 2;              // and from the top, level with the markers' reading
constexpr int kKeyGap = 6;              // between "L" and "R"

const QString kLeftKey = QStringLiteral("L");
const QString kRightKey = QStringLiteral("R");

}  // namespace

TPlotView::TPlotView(TSpectrumAnalyser &analyser, QColor readoutBack, QWidget *parent)
    : QWidget(parent), FAnalyser(analyser), FReadoutBack(readoutBack)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont readoutFont(QStringLiteral("Liberation Sans"));
    readoutFont.setPixelSize(kReadoutFontPixels);
    setFont(readoutFont);
    FReadoutBack.setAlpha(kReadoutBackAlpha);
    FMarkerLineHeight = QFontMetrics(MakePlotFont()).height();
}

QRect TPlotView::ReadoutArea() const
{
    return {FReadoutOrigin, QSize(kReadoutWidth, kReadoutHeight)};
}

QRect TPlotView::ReadoutBacking() const
{
    if (FReadoutText.isEmpty())
        return {};
    const int width = fontMetrics().horizontalAdvance(FReadoutText) + 2 * kReadoutPadding;
    return {FReadoutOrigin, QSize(std::min(width, kReadoutWidth), kReadoutHeight)};
}

void TPlotView::SetReadout(QPoint origin, const QString &text)
{
    if (origin == FReadoutOrigin && text == FReadoutText)
        return;
    if (!FReadoutText.isEmpty())
        update(ReadoutArea());  // the plot beneath erases the old text
    FReadoutOrigin = origin;
    FReadoutText = text;
    if (!FReadoutText.isEmpty())
        update(ReadoutArea());
}

void TPlotView::SetTraceKey(bool left, bool right, bool lower)
{
    if (left == FKeyLeft && right == FKeyRight && lower == FKeyLower)
        return;
    const QRect before = TraceKeyArea();
    FKeyLeft = left;
    FKeyRight = right;
    FKeyLower = lower;
    update(before.united(TraceKeyArea()));
}

QRect TPlotView::TraceKeyArea() const
{
    if ((!FKeyLeft && !FKeyRight) || FAnalyser.FramesShown() == 0)
        return {};
    const QFontMetrics metrics = fontMetrics();
    int width = 0;
    if (FKeyLeft)
        width += metrics.horizontalAdvance(kLeftKey);
    if (FKeyRight)
        width += metrics.horizontalAdvance(kRightKey);
    if (FKeyLeft && FKeyRight)
        width += kKeyGap;
    // Below the markers' reading, which the frame writes in the plot font from the same top.
    const int top = kKeyTop + (FKeyLower ? FMarkerLineHeight + 1 : 0);
    return {this->width() - kKeyMargin - width, top, width, metrics.height()};
}

void TPlotView::paintEvent(QPaintEvent *event)
{
    // A new screen resolution reaches the frames from the next one on; until then the last frame
    // is shown scaled.
    const qreal ratio = devicePixelRatioF();
    if (FAnalyser.DevicePixelRatio() != ratio)
        FAnalyser.SetDevicePixelRatio(ratio);
    QPainter painter(this);
    painter.setClipRegion(event->region());
    FAnalyser.PaintTo(painter, QPoint(0, 0));
    PaintTraceKey(painter);
    PaintReadout(painter);
}

void TPlotView::PaintReadout(QPainter &painter) const
{
    if (FReadoutText.isEmpty())
        return;
    const QRect backing = ReadoutBacking();
    painter.fillRect(backing, FReadoutBack);
    painter.setPen(QColor(kReadoutColour));
    painter.drawText(backing.adjusted(kReadoutPadding, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     FReadoutText);
}

void TPlotView::PaintTraceKey(QPainter &painter) const
{
    const QRect area = TraceKeyArea();
    if (area.isEmpty())
        return;
    const QFontMetrics metrics = fontMetrics();
    const int baseline = area.top() + metrics.ascent();
    int x = area.left();
    if (FKeyLeft) {
        painter.setPen(QColor(kLeftTraceColour));
        painter.drawText(QPoint(x, baseline), kLeftKey);
        x += metrics.horizontalAdvance(kLeftKey) + kKeyGap;
    }
    if (FKeyRight) {
        painter.setPen(QColor(kRightTraceColour));
        painter.drawText(QPoint(x, baseline), kRightKey);
    }
}

void TPlotView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    FPressed = true;
    FDragging = false;
    FPressPoint = event->position().toPoint();
    FPressModifiers = event->modifiers();
    event->accept();
}

void TPlotView::mouseMoveEvent(QMouseEvent *event)
{
    if (!FPressed || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    if (!FDragging) {
        if ((point - FPressPoint).manhattanLength() < QApplication::startDragDistance())
            return;  // a hand's tremble: still a click
        FDragging = true;
        setCursor(Qt::SizeHorCursor);
        // From the press on, so the band moves by the whole way the pointer went.
        emit DragStarted(FPressPoint.x());
    }
    emit Dragged(point.x());
    event->accept();
}

void TPlotView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !FPressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    FPressed = false;
    if (FDragging) {
        FDragging = false;
        unsetCursor();
        emit DragEnded();
    } else {
        emit Clicked(FPressPoint, FPressModifiers);
    }
    event->accept();
}

void TPlotView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    // The first click of the pair has already set its marker; the second press only centres,
    // and its release is no click of its own.
    FPressed = false;
    FDragging = false;
    emit DoubleClicked(event->position().toPoint());
    event->accept();
}

}  // namespace zelvaro
