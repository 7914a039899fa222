// TAutoLed: a round indicator lamp in two colours with an optional blinking mode.
#pragma once

#include "colorref.h"

#include <QPixmap>
#include <QWidget>

class QTimer;

namespace autoled {

inline constexpr int lampSize = 16;  // the lamp picture's design size; it is stretched to the control

// The lamp picture: body in `bodyColor` (exact at the centre), black outline, white highlight
// inside its left edge, `cornerColor` outside the outline, rendered at `size` x devicePixelRatio.
QPixmap lampPicture(QSize size, qreal devicePixelRatio, TColor bodyColor, TColor cornerColor);

}  // namespace autoled

// Events are Qt signals named after the handlers they stand for.
class TAutoLed : public QWidget {
    Q_OBJECT

public:
    explicit TAutoLed(QWidget *parent = nullptr);

    static constexpr TColor defaultBackColor = clSilver;
    static constexpr TColor defaultTrueColor = clLime;
    static constexpr TColor defaultFalseColor = clSilver;
    static constexpr int defaultInterval = 1000;

    TColor BackColor() const { return FBackColor; }
    void SetBColor(TColor color);
    TColor TrueColor() const { return FTrueColor; }
    void SetTrueColor(TColor color);
    TColor FalseColor() const { return FFalseColor; }
    void SetFalseColor(TColor color);
    bool Blink() const { return FBlink; }
    void ChangeBlink(bool blink);
    bool Value() const { return FValue; }
    void ChangeValue(bool value);
    int Interval() const { return FInterval; }
    void SetInterval(int milliseconds);

    // 0 while the on picture is shown, 1 while the off picture is.
    int ShownImage() const { return FShownImage; }
    // The blink timer exists only while Value and Blink are both true.
    bool Blinking() const { return FBlinkTimer != nullptr; }

signals:
    void OnTimer(QObject *Sender);  // Sender is the blink timer
    void OnMouseEnter(TAutoLed *Sender);
    void OnMouseLeave(TAutoLed *Sender);
    void OnClick(TAutoLed *Sender);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void SetToTrueColor();
    void SetToFalseColor();
    void SetLedTimer();
    void ResetLedTimer();
    void OnLedTimer();
    void recolour(TColor &field, TColor color);
    const QPixmap &shownPicture();

    TColor FBackColor = defaultBackColor;
    TColor FTrueColor = defaultTrueColor;
    TColor FFalseColor = defaultFalseColor;
    bool FBlink = false;
    bool FValue = false;
    int FInterval = defaultInterval;
    int FShownImage = 1;
    QTimer *FBlinkTimer = nullptr;
    bool FPressed = false;
    // Pictures at the current size and pixel ratio, rebuilt when either or a colour changes.
    QPixmap FOnBitmap;
    QPixmap FOffBitmap;
};
