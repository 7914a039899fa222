// TBevelText: a label whose caption carries a drop shadow, with an optional frame and blinking.
#pragma once

#include "colorref.h"

#include <QLabel>
#include <QTimer>

enum TBevelBorder { boNone = 0, boSingle = 1, boRaised = 2, boLowered = 3 };
enum TBevelBlink { blNone = 0, blBlink = 1, blHiLo = 2 };

// The caption is QLabel's text; set it with SetCaption so an auto-sized label follows it.
class TBevelText : public QLabel {
    Q_OBJECT

public:
    explicit TBevelText(QWidget *parent = nullptr);
    explicit TBevelText(const QString &caption, QWidget *parent = nullptr);

    static constexpr TColor defaultHiColor = clBlue;
    static constexpr TColor defaultLoColor = clNavy;
    static constexpr int defaultBlinkInterval = 300;
    static constexpr int maxCaptionLength = 255;

    TColor HiColor() const { return FHiColor; }
    void SetHiColor(TColor color);
    TColor LoColor() const { return FLoColor; }
    void SetLoColor(TColor color);
    TBevelBorder Border() const { return FBorder; }
    void SetBorder(TBevelBorder border);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool on);
    int BlinkInterval() const { return FBlinkInterval; }
    void SetInterval(int milliseconds);
    TBevelBlink Blink() const { return FBlink; }
    void SetBlink(TBevelBlink mode);
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor color);
    int Deep() const { return FDeep; }
    void SetDeep(int pixels);  // accepts 1 or 2

    // Inherited label properties, in the stored colour format.
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor color);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool on);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool on);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool on);
    QString Caption() const { return text(); }
    void SetCaption(const QString &caption);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FTimerOnTimer();
    int textFlags() const;
    void fitToCaption();

    TColor FHiColor = defaultHiColor;
    TColor FLoColor = defaultLoColor;
    TBevelBorder FBorder = boNone;
    bool FCtl3D = true;
    int FBlinkInterval = defaultBlinkInterval;
    TBevelBlink FBlink = blNone;
    TColor FShadowColor = clBtnHighlight;
    int FDeep = 1;
    TColor FColor = clBtnFace;
    TColor FFontColor = clWindowText;
    bool FTransparent = false;
    bool FShowAccelChar = true;
    bool FAutoSize = true;
    TColor FSavedFontColor = clWindowText;
    QTimer FBlinkTimer;
};
