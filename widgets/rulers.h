// THRuler and TVRuler: scale strips with adaptive tick spacing, value labels or a centimetre scale.
#pragma once

#include "colorref.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

enum THZPosition { posBottom = 0, posTop = 1 };
enum TVTPosition { posRight = 0, posLeft = 1 };
enum TUnitOfMeasure { umCentimetres = 0, umCustom = 1 };
// The framework alignments a ruler may be given (each ruler accepts only some of them).
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

namespace rulers {

// One tick of a custom scale, in pixels along the ruler from its value-start edge.
struct Tick {
    double offset;  // pixels from StartVal's edge (left, or bottom for a vertical ruler)
    int length;     // 4, 6 or 8 pixels
    bool labelled;
    QString text;
    double value;   // the tick's value (before Reverse)
};

inline constexpr double minTickSpacing = 3.0;
inline constexpr double horizontalLabelSpacing = 60.0;
inline constexpr double verticalLabelSpacing = 20.0;

// Ticks of StartVal..StopVal over `length` pixels; labels where their spacing reaches
// labelSpacing. An empty or degenerate range or length gives no ticks.
std::vector<Tick> customTicks(float startVal, float stopVal, int length, double labelSpacing, bool reverse);

// Where labels at their spacing would run into each other (wide numbers, small font), keeps only
// the labels on a coarser unit (x5, then x2, ...), so the labelling stays regular.
void thinLabels(std::vector<Tick> &ticks, const std::function<int(const QString &)> &textWidth, int gap);

// The smallest power of ten from 0.1 upward whose ticks lie at least 3 pixels apart.
double tickStep(double unitsPerPixel);

// Pixel pitch of the centimetre scale (one tick per 2 mm) for a screen resolution.
double centimetreTickPitch(double dotsPerInch);

// Label text of a tick value: 8 significant digits, never "-0" or a tiny exponent.
QString tickLabel(double value, bool reverse);

}  // namespace rulers

// Common state and drawing of both rulers; the axis-specific parts live in the two subclasses.
class TRulerBase : public QWidget {
    Q_OBJECT

public:
    TUnitOfMeasure UnitOfMeasure() const { return FUnitOfMeasure; }
    void SetUnitOfMeasure(TUnitOfMeasure unit);
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    bool Reverse() const { return FReverse; }
    void SetReverse(bool reverse);
    float StartVal() const { return FStartVal; }
    float StopVal() const { return FStopVal; }

    // Paints at once when visible (the host relies on it while the scale is dragged).
    void Refresh();

    static constexpr TColor defaultColor = clYellow;
    static constexpr float defaultStopVal = 1000.0f;

protected:
    explicit TRulerBase(QWidget *parent);
    void setStart(float value);
    void setStop(float value);
    void setAlign(TAlign align);
    void applyAlign();
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void drawBand(QPainter &painter) const;
    virtual void drawCustomScale(QPainter &painter) const = 0;
    virtual void drawCentimetreScale(QPainter &painter) const = 0;

    TAlign FAlign = alNone;
    TUnitOfMeasure FUnitOfMeasure = umCustom;
    TColor FColor = defaultColor;
    bool FReverse = false;
    float FStartVal = 0.0f;
    float FStopVal = defaultStopVal;
};

// Horizontal ruler: StartVal at the left edge. Mouse events are Qt signals named after the handlers;
// the shift state of an event is its keyboard modifiers (Shift) together with the mouse buttons held
// when it happened (Buttons: on a press including the pressed one, on a release without the released one).
class THRuler : public TRulerBase {
    Q_OBJECT

public:
    explicit THRuler(QWidget *parent = nullptr);

    TAlign AlignHRuler() const { return FAlign; }
    void SeTHFrRULAlign(TAlign align);  // accepts alNone, alTop, alBottom
    THZPosition Position() const { return FPosition; }
    void SetPosition(THZPosition position);
    void SetHStart(float value);
    void SetHStop(float value);

signals:
    void OnMouseDown(THRuler *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y,
                     Qt::MouseButtons Buttons);
    void OnMouseUp(THRuler *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y,
                   Qt::MouseButtons Buttons);
    void OnMouseMove(THRuler *Sender, Qt::KeyboardModifiers Shift, int X, int Y, Qt::MouseButtons Buttons);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void drawCustomScale(QPainter &painter) const override;
    void drawCentimetreScale(QPainter &painter) const override;

private:
    THZPosition FPosition = posBottom;
};

// Vertical ruler: StartVal at the bottom edge, StopVal at the top.
class TVRuler : public TRulerBase {
    Q_OBJECT

public:
    explicit TVRuler(QWidget *parent = nullptr);

    TAlign AlignVRuler() const { return FAlign; }
    void SeTVFrRULAlign(TAlign align);  // accepts alNone, alLeft, alRight
    TVTPosition Position() const { return FPosition; }
    void SetPosition(TVTPosition position);
    void SetVStart(float value);
    void SetVStop(float value);

protected:
    void drawCustomScale(QPainter &painter) const override;
    void drawCentimetreScale(QPainter &painter) const override;

private:
    TVTPosition FPosition = posRight;
};
