// TBevelText: painting of the shadowed caption and frame, and the two blink modes.
#include "beveltext.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int minBlinkInterval = 20;  // a shorter (or zero) period would only spin the event loop
constexpr int maxDeep = 2;
constexpr int unboundedExtent = 1 << 16;

}  // namespace

TBevelText::TBevelText(QWidget *parent) : TBevelText(QString(), parent) {}

TBevelText::TBevelText(const QString &caption, QWidget *parent) : QLabel(parent)
{
    setAutoFillBackground(false);
    FBlinkTimer.setInterval(defaultBlinkInterval);
    connect(&FBlinkTimer, &QTimer::timeout, this, &TBevelText::FTimerOnTimer);
    SetCaption(caption);
}

int TBevelText::textFlags() const
{
    int flags = static_cast<int>(alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignTop | Qt::TextWordWrap |
                Qt::TextExpandTabs;
    if (FShowAccelChar)
        flags |= Qt::TextShowMnemonic;
    return flags;
}

QSize TBevelText::sizeHint() const
{
    const QString caption = text().left(maxCaptionLength);
    const int flags = textFlags() & ~Qt::TextWordWrap;
    const QRect bounds = fontMetrics().boundingRect(QRect(0, 0, unboundedExtent, unboundedExtent), flags, caption);
    // Room for the shadow, Deep pixels right and down.
    return QSize(bounds.width() + FDeep, std::max(bounds.height(), fontMetrics().height()) + FDeep);
}

QSize TBevelText::minimumSizeHint() const
{
    return sizeHint();
}

void TBevelText::fitToCaption()
{
    if (FAutoSize)
        resize(sizeHint());
    update();
}

void TBevelText::SetCaption(const QString &caption)
{
    setText(caption);
    fitToCaption();
}

void TBevelText::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitToCaption();
}

void TBevelText::SetHiColor(TColor color)
{
    if (color == FHiColor)
        return;
    FHiColor = color;
    update();
}

void TBevelText::SetLoColor(TColor color)
{
    if (color == FLoColor)
        return;
    FLoColor = color;
    update();
}

void TBevelText::SetBorder(TBevelBorder border)
{
    if (border == FBorder)
        return;
    FBorder = border;
    update();
}

void TBevelText::SetCtl3D(bool on)
{
    if (on == FCtl3D)
        return;
    FCtl3D = on;
    update();
}

void TBevelText::SetInterval(int milliseconds)
{
    if (milliseconds == FBlinkInterval)
        return;
    FBlinkInterval = milliseconds;
    FBlinkTimer.setInterval(std::max(milliseconds, minBlinkInterval));
    update();
}

void TBevelText::SetBlink(TBevelBlink mode)
{
    if (mode == FBlink)
        return;
    FBlink = mode;
    if (mode == blBlink)
        FSavedFontColor = FFontColor;
    else
        FFontColor = FSavedFontColor;
    if (mode == blNone)
        FBlinkTimer.stop();
    else
        FBlinkTimer.start();
    update();
}

void TBevelText::SetShadowColor(TColor color)
{
    if (color == FShadowColor)
        return;
    FShadowColor = color;
    update();
}

void TBevelText::SetDeep(int pixels)
{
    if (pixels == FDeep || pixels < 1 || pixels > maxDeep)
        return;
    FDeep = pixels;
    fitToCaption();
}

void TBevelText::SetColor(TColor color)
{
    FColor = color;
    update();
}

void TBevelText::SetFontColor(TColor color)
{
    FFontColor = color;
    // The colour the blink modes return to is the one the host chose last, not the first one.
    if (FBlink == blNone)
        FSavedFontColor = color;
    update();
}

void TBevelText::SetTransparent(bool on)
{
    FTransparent = on;
    update();
}

void TBevelText::SetShowAccelChar(bool on)
{
    FShowAccelChar = on;
    fitToCaption();
}

void TBevelText::SetAutoSize(bool on)
{
    FAutoSize = on;
    fitToCaption();
}

void TBevelText::FTimerOnTimer()
{
    if (FBlink == blHiLo)
        FFontColor = FFontColor == FHiColor ? FLoColor : FHiColor;
    else
        FFontColor = FFontColor == FColor ? FSavedFontColor : FColor;
    update();
}

void TBevelText::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    if (!FTransparent)
        painter.fillRect(rect(), toQColor(FColor));

    // The frame traces the rectangle (0, 0, w - 1, h - 1) with its right and bottom edges inside it.
    auto frame = [&](TColor topLeft, TColor bottomRight) {
        painter.fillRect(QRect(0, 0, w - 2, 1), toQColor(topLeft));
        painter.fillRect(QRect(0, 0, 1, h - 2), toQColor(topLeft));
        painter.fillRect(QRect(w - 2, 0, 1, h - 1), toQColor(bottomRight));
        painter.fillRect(QRect(0, h - 2, w - 1, 1), toQColor(bottomRight));
    };
    switch (FBorder) {
    case boSingle: frame(clWindowFrame, clWindowFrame); break;
    case boRaised: frame(clBtnHighlight, clBtnShadow); break;
    case boLowered: frame(clBtnShadow, clBtnHighlight); break;
    case boNone: break;
    }

    const QString caption = text().left(maxCaptionLength);
    const int flags = textFlags();
    painter.setFont(font());
    if (FCtl3D && FFontColor != FColor) {
        painter.setPen(toQColor(FShadowColor));
        painter.drawText(rect().translated(FDeep, FDeep), flags, caption);
    }
    const TColor textColor = isEnabled() ? FFontColor : clGrayText;
    if (textColor != FColor) {
        painter.setPen(toQColor(textColor));
        painter.drawText(rect(), flags, caption);
    }
}
