// TAdvanceBar: sunken frame and bar geometry in integer arithmetic.
#include "advancebar.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr int defaultWidth = 80;
constexpr int defaultHeight = 15;
constexpr int frameInset = 2;

int saturate(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

}  // namespace

namespace advancebar {

QRect barRect(QSize size, int orientation, int position, int max)
{
    const std::int64_t w = size.width();
    const std::int64_t h = size.height();
    if (max <= 0 || w <= 2 * frameInset || h <= 2 * frameInset)
        return {};  // nothing to scale against, or no inside: an empty frame
    // A Max lowered below Position must not draw past the frame.
    const std::int64_t level = std::clamp<std::int64_t>(position, 0, max);
    QRect bar;
    if (orientation == TAdvanceBar::orientationVertical) {
        const std::int64_t top = frameInset + (max - level) * (h - 2 * frameInset) / max;
        bar.setCoords(frameInset, static_cast<int>(top), static_cast<int>(w) - frameInset - 1,
                      static_cast<int>(h) - frameInset - 1);
    } else {
        const std::int64_t right = frameInset + (w - 2 * frameInset) * level / max;
        bar.setCoords(frameInset, frameInset, static_cast<int>(right) - 1, static_cast<int>(h) - frameInset - 1);
    }
    return bar.isValid() ? bar : QRect();
}

}  // namespace advancebar

TAdvanceBar::TAdvanceBar(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(defaultWidth, defaultHeight);
}

void TAdvanceBar::SetBackColor(TColor color)
{
    FBackColor = color;
    update();
}

void TAdvanceBar::SetBarColor(TColor color)
{
    FBarColor = color;
    update();
}

void TAdvanceBar::SetMax(int value)
{
    FMax = value;
    update();
}

void TAdvanceBar::SetOrientation(int value)
{
    if (value == orientationHorizontal || value == orientationVertical)
        FOrientation = value;
    update();
}

void TAdvanceBar::SetPosition(int value)
{
    FPosition = std::max(std::min(value, FMax), 0);
    update();
}

void TAdvanceBar::Inc(int n)
{
    // Both limits hold for either sign of n, so Position stays within 0..Max.
    FPosition = std::max(std::min(saturate(std::int64_t{FPosition} + n), FMax), 0);
    update();
}

void TAdvanceBar::Dec(int n)
{
    FPosition = std::max(std::min(saturate(std::int64_t{FPosition} - n), FMax), 0);
    update();
}

void TAdvanceBar::paintEvent(QPaintEvent *)
{
    if (size().isEmpty())
        return;
    // Composed in one image and copied in one step, so the bar never flickers.
    const qreal ratio = devicePixelRatioF();
    QImage buffer(size() * ratio, QImage::Format_RGB32);
    buffer.setDevicePixelRatio(ratio);
    const int w = width();
    const int h = height();
    {
        QPainter painter(&buffer);
        painter.fillRect(rect(), toQColor(FBackColor));
        // Sunken frame: the pen runs clockwise from (0, 0), each segment without its end point.
        painter.fillRect(QRect(0, 0, w - 1, 1), Qt::black);
        painter.fillRect(QRect(w - 1, 0, 1, h - 1), Qt::white);
        painter.fillRect(QRect(1, h - 1, w - 1, 1), Qt::white);
        painter.fillRect(QRect(0, 1, 1, h - 1), Qt::black);
        const QRect bar = advancebar::barRect(size(), FOrientation, FPosition, FMax);
        if (!bar.isEmpty())
            painter.fillRect(bar, toQColor(FBarColor));
    }
    QPainter(this).drawImage(0, 0, buffer);
}
