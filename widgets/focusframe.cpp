// The panel's keyboard-focus frame: one look for every control that can take the focus.
#include "focusframe.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

bool ShowsFocusFrame(const QWidget &control)
{
    return control.hasFocus() && control.isActiveWindow();
}

QRegion InnerBand(const QRegion &area, int width)
{
    QRegion core = area;
    for (int step = 0; step < width && !core.isEmpty(); ++step)
        core = core.intersected(core.translated(1, 0))
                   .intersected(core.translated(-1, 0))
                   .intersected(core.translated(0, 1))
                   .intersected(core.translated(0, -1));
    return area.subtracted(core);
}

void PaintFocusFrame(QPainter &painter, const QRegion &area)
{
    const QRegion band = InnerBand(area, kFocusFrameWidth);
    if (band.isEmpty())
        return;
    painter.save();
    painter.setClipRegion(band);
    painter.fillRect(band.boundingRect(), toQColor(kFocusFrameColour));
    painter.restore();
}

TFocusFramer::TFocusFramer(QWidget *control) : QObject(control), FControl(control)
{
    control->installEventFilter(this);
}

bool TFocusFramer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != FControl)
        return false;
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::ActivationChange:
        FControl->update();
        return false;
    case QEvent::Paint:
        if (!ShowsFocusFrame(*FControl))
            return false;
        // The control draws itself first, straight through its own handler (public as a QObject's)
        // so no filter sees the event twice; the frame then goes on top, in the same paint.
        static_cast<QObject *>(FControl)->event(event);
        {
            QPainter painter(FControl);
            PaintFocusFrame(painter, FControl->rect());
        }
        return true;
    default:
        return false;
    }
}
