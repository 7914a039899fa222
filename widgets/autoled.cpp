// TAutoLed: lamp pictures painted as vectors, steady and blinking display.
#include "autoled.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QTimer>
#include <algorithm>

namespace {

// Geometry of the 16-pixel design; everything scales with the control.
constexpr double lampCentre = 8.0;
constexpr double outlineRadius = 7.0;
constexpr double bodyRadius = 6.5;
constexpr double flatPartOfBody = 0.55;  // the body keeps its exact colour out to here
constexpr int rimDarkening = 150;        // QColor::darker factor at the rim
constexpr double glintCentre = 5.4;
constexpr double glintRadius = 2.3;
constexpr int minBlinkInterval = 20;  // a shorter (or zero) period would only spin the event loop

int effectiveInterval(int milliseconds)
{
    return std::max(milliseconds, minBlinkInterval);
}

}  // namespace

namespace autoled {

QPixmap lampPicture(QSize size, qreal devicePixelRatio, TColor bodyColor, TColor cornerColor)
{
    QPixmap picture(size * devicePixelRatio);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(toQColor(cornerColor));
    if (size.isEmpty())
        return picture;

    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(size.width() / double(lampSize), size.height() / double(lampSize));
    const QPointF centre(lampCentre, lampCentre);
    const QColor body = toQColor(bodyColor);

    // Outline, then the body shaded towards its rim so the lamp reads as a dome.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0));
    painter.drawEllipse(centre, outlineRadius, outlineRadius);
    QRadialGradient dome(centre, bodyRadius);
    dome.setColorAt(0.0, body);
    dome.setColorAt(flatPartOfBody, body);
    dome.setColorAt(1.0, body.darker(rimDarkening));
    painter.setBrush(dome);
    painter.drawEllipse(centre, bodyRadius, bodyRadius);

    // White highlight along the inside of the left edge, and a soft glint at the upper left.
    QPen highlight(QColor(255, 255, 255, 190), 0.9);
    highlight.setCapStyle(Qt::RoundCap);
    painter.setPen(highlight);
    painter.setBrush(Qt::NoBrush);
    const double arcRadius = bodyRadius - 1.0;
    painter.drawArc(QRectF(lampCentre - arcRadius, lampCentre - arcRadius, 2 * arcRadius, 2 * arcRadius),
                    115 * 16, 95 * 16);
    QRadialGradient glint(QPointF(glintCentre, glintCentre), glintRadius);
    glint.setColorAt(0.0, QColor(255, 255, 255, 230));
    glint.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(glint);
    painter.drawEllipse(QPointF(glintCentre, glintCentre), glintRadius, glintRadius);
    return picture;
}

}  // namespace autoled

TAutoLed::TAutoLed(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(false);
    resize(autoled::lampSize, autoled::lampSize);
}

const QPixmap &TAutoLed::shownPicture()
{
    const qreal ratio = devicePixelRatioF();
    QPixmap &picture = FShownImage == 0 ? FOnBitmap : FOffBitmap;
    if (picture.isNull() || picture.deviceIndependentSize().toSize() != size() ||
        picture.devicePixelRatio() != ratio) {
        FOnBitmap = autoled::lampPicture(size(), ratio, FTrueColor, FBackColor);
        FOffBitmap = autoled::lampPicture(size(), ratio, FFalseColor, FBackColor);
    }
    return picture;
}

void TAutoLed::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), shownPicture());
}

void TAutoLed::SetToTrueColor()
{
    FShownImage = 0;
    update();
}

void TAutoLed::SetToFalseColor()
{
    FShownImage = 1;
    update();
}

void TAutoLed::SetLedTimer()
{
    if (FBlinkTimer)
        return;
    FShownImage = 0;
    FBlinkTimer = new QTimer(this);
    FBlinkTimer->setInterval(effectiveInterval(FInterval));
    connect(FBlinkTimer, &QTimer::timeout, this, &TAutoLed::OnLedTimer);
    FBlinkTimer->start();
}

void TAutoLed::ResetLedTimer()
{
    if (!FBlinkTimer)
        return;
    // The timer may be the one whose tick is being handled: stop it now, free it later.
    FBlinkTimer->stop();
    FBlinkTimer->deleteLater();
    FBlinkTimer = nullptr;
}

void TAutoLed::OnLedTimer()
{
    QObject *timer = sender();
    FShownImage = 1 - FShownImage;
    update();
    emit OnTimer(timer);
}

void TAutoLed::ChangeValue(bool value)
{
    if (value == FValue)
        return;
    FValue = value;
    if (value) {
        SetToTrueColor();
        if (FBlink)
            SetLedTimer();
    } else {
        ResetLedTimer();
        SetToFalseColor();
    }
}

void TAutoLed::ChangeBlink(bool blink)
{
    if (blink == FBlink)
        return;
    if (FValue)
        SetToTrueColor();
    else
        SetToFalseColor();
    FBlink = blink;
    if (blink && FValue)
        SetLedTimer();
    else
        ResetLedTimer();
}

void TAutoLed::recolour(TColor &field, TColor color)
{
    if (color == field)
        return;
    const bool wasBlinking = FBlink;
    if (wasBlinking)
        ChangeBlink(false);
    field = color;
    FOnBitmap = QPixmap();
    FOffBitmap = QPixmap();
    ChangeBlink(wasBlinking);
    update();
}

void TAutoLed::SetBColor(TColor color)
{
    recolour(FBackColor, color);
}

void TAutoLed::SetTrueColor(TColor color)
{
    recolour(FTrueColor, color);
}

void TAutoLed::SetFalseColor(TColor color)
{
    recolour(FFalseColor, color);
}

void TAutoLed::SetInterval(int milliseconds)
{
    FInterval = milliseconds;
    if (FBlinkTimer)
        FBlinkTimer->setInterval(effectiveInterval(milliseconds));
}

void TAutoLed::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    emit OnMouseEnter(this);
}

void TAutoLed::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    emit OnMouseLeave(this);
}

void TAutoLed::mousePressEvent(QMouseEvent *event)
{
    FPressed = event->button() == Qt::LeftButton;
}

void TAutoLed::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a left press and release both on the lamp.
    const bool click = FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    FPressed = false;
    if (click)
        emit OnClick(this);
}
