// The plot area of the main window: the analyser's last frame with the pointer readout over it.
#include "plotview.h"

#include "panelmath.h"
#include "analyser.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace zelvaro {

namespace {

constexpr QRgb kReadoutColour = qRgb(255, 255, 0);
constexpr int kReadoutFontPixels = 11;

}  // namespace

TPlotView::TPlotView(TSpectrumAnalyser &analyser, QWidget *parent)
    : QWidget(parent), FAnalyser(analyser)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont readoutFont(QStringLiteral("Liberation Sans"));
    readoutFont.setPixelSize(kReadoutFontPixels);
    setFont(readoutFont);
}

QRect TPlotView::ReadoutArea() const
{
    return {FReadoutOrigin, QSize(kReadoutWidth, kReadoutHeight)};
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
    if (FReadoutText.isEmpty())
        return;
    painter.setPen(QColor(kReadoutColour));
    painter.drawText(ReadoutArea(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, FReadoutText);
}

void TPlotView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    emit Clicked(event->position().toPoint(), event->modifiers());
    event->accept();
}

}  // namespace zelvaro
