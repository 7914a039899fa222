// TNakedSlider: a frameless slider (engraved trench and thumb) drawn over its parent's pixels.
#pragma once

#include "colorref.h"

#include <QRect>
#include <QStringList>
#include <QWidget>

enum TOrientation { orVertical = 0, orHorizontal = 1 };
enum TBarStyle { bsLowered = 0, bsRaised = 1 };
enum TThumbStyle {
    tsBar1, tsBar2, tsBar3, tsBar4, tsCircle1, tsSquare1, tsDiamond1, tsDiamond2, tsDiamond3,
    tsDiamond4, tsStdDown, tsStdUp, tsStdVBar, tsStdUpDown, tsStdLeft, tsStdRight, tsStdHBar,
    stStdLeftRight
};

namespace nakedslider {

inline constexpr int thumbStyleCount = 18;

// Size in pixels of the picture of a thumb style; an invalid style gives an empty size.
QSize thumbSize(TThumbStyle style);

// Pure geometry of one slider state, so the pixel arithmetic can be tested without a widget.
struct Geometry {
    QSize size;            // control width and height
    QSize thumb;           // thumb picture width and height
    bool vertical = true;
    int min = 0;
    int max = 100;
};

// The trench outline corners (left, top, right, bottom): outer edge pixels included.
QRect trenchRect(const Geometry &g, int thickness);

// Top-left of the thumb for a value (not dragging), clamped to the control.
QPoint thumbOrigin(const Geometry &g, int position);

// Top-left of the thumb while it follows the mouse at dragCoord along the axis.
QPoint draggedThumbOrigin(const Geometry &g, int dragCoord);

// The value whose thumb centre lies under a mouse point, rounded to nearest, clamped to min..max.
int valueAt(const Geometry &g, int x, int y);

// FocusColor along the ramp that FlashColor selects, for a position in min..max.
TColor flashRampColor(int position, int min, int max);

}  // namespace nakedslider

// Events are Qt signals named after the handlers they stand for; each passes the control as Sender.
class TNakedSlider : public QWidget {
    Q_OBJECT

public:
    explicit TNakedSlider(QWidget *parent = nullptr);

    static constexpr TColor defaultFocusColor = 0xC0C0C0;
    static constexpr TColor flashStartColor = 0xF8FF00;
    static constexpr int maxThickness = 12;

    TColor FocusColor() const { return FFocusColor; }
    void SetFocusColor(TColor color);
    bool HandCursor() const { return FHandCursor; }
    void SetHandCursor(bool on);
    const QStringList &Labels() const { return FLabels; }
    void SetLabels(const QStringList &labels);
    int Max() const { return FMax; }
    void SetMax(int value);
    int Min() const { return FMin; }
    void SetMin(int value);
    // A change of size sets the orientation from the new shape (wide is horizontal); this holds
    // even before a hidden control has received its resize event.
    TOrientation Orientation() const;
    void SetOrientation(TOrientation orientation);
    int Position() const { return FPosition; }
    void SetPosition(int value);
    TBarStyle Style() const { return FStyle; }
    void SetStyle(TBarStyle style);
    int Thickness() const { return FThickness; }
    void SetThickness(int value);
    TThumbStyle ThumbStyle() const { return FThumbStyle; }
    void SetThumbStyle(TThumbStyle style);  // throws std::invalid_argument for a value outside the enumeration
    bool FlashColor() const { return FFlashColor; }
    void SetFlashColor(bool on);
    int Frequency() const { return FFrequency; }
    void SetFrequency(int value);
    int StepLine() const { return FStepLine; }
    void SetStepLine(int value);
    int StepPage() const { return FStepPage; }
    void SetStepPage(int value);

    void MoveUp(int n);
    void MoveDown(int n);
    QString CurrentLabel() const;
    bool IsVert() const { return Orientation() == orVertical; }
    int NewPosition(int x, int y) const;

    // The thumb rectangle as last placed (control coordinates).
    QRect ThumbRect() const { return FThumbRect; }
    bool Dragging() const { return FDragging; }

signals:
    void OnChange(TNakedSlider *Sender);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    nakedslider::Geometry geometryNow() const;
    void WhereIsBar();
    void updateHalfThumb();
    void mapThumbForOrientation(TOrientation orientation);

    TColor FFocusColor = defaultFocusColor;
    bool FHandCursor = false;
    QStringList FLabels;
    int FMax = 100;
    int FMin = 0;
    TOrientation FOrientation = orVertical;
    QSize FOrientationSize;  // the size at which FOrientation was last decided
    int FPosition = 1;
    TBarStyle FStyle = bsLowered;
    int FThickness = 2;
    TThumbStyle FThumbStyle = tsBar3;
    bool FFlashColor = false;
    int FFrequency = 2;
    int FStepLine = 1;
    int FStepPage = 10;

    QSize FThumbSize;
    int FHalfThumbWidth = 0;
    int FHalfThumbHeight = 0;
    QRect FThumbRect;
    bool FDragging = false;
    int FDragCoord = 0;
    bool FDragMoved = false;
};
