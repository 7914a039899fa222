// Test helpers for the basic controls: render a control over a known colour, send raw mouse events.
#pragma once

#include "colorref.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

namespace probe {

// The control drawn over an image filled with `beneath`, as over a parent of that colour.
inline QImage renderOver(QWidget &widget, TColor beneath, qreal devicePixelRatio = 1.0)
{
    QImage image(widget.size() * devicePixelRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(toQColor(beneath));
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

inline TColor colourAt(const QImage &image, int x, int y)
{
    return fromQColor(image.pixelColor(x, y));
}

inline void sendMouse(QWidget &widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

inline void press(QWidget &widget, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(widget, QEvent::MouseButtonPress, at, button, button);
}

inline void moveHeld(QWidget &widget, QPoint at, Qt::MouseButtons held = Qt::LeftButton)
{
    sendMouse(widget, QEvent::MouseMove, at, Qt::NoButton, held);
}

inline void release(QWidget &widget, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(widget, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

}  // namespace probe
