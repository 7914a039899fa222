// The panel's keyboard-focus frame: one look for every control that can take the focus.
#pragma once

#include "colorref.h"

#include <QObject>
#include <QRegion>

class QPainter;
class QWidget;

// White, as the caption of a switched-on button: it stands out on the steel-blue face and on
// the light number fields alike.
inline constexpr TColor kFocusFrameColour = clWhite;
inline constexpr int kFocusFrameWidth = 2;

// True while the control holds the keyboard focus of the active window: a window in the
// background shows no frame, so only one place on the screen claims the keys.
bool ShowsFocusFrame(const QWidget &control);

// The pixels of `area` that lie within `width` steps (left, right, up, down) of its outside:
// a band of that width just inside the area's edge, following any outline.
QRegion InnerBand(const QRegion &area, int width);

// Paints the focus frame just inside `area` (the control's coordinates); the painter's clip is
// left as it was.
void PaintFocusFrame(QPainter &painter, const QRegion &area);

// Gives a control that does not draw its own frame (a line edit, a radio button) the focus frame
// over its own picture, just inside its rectangle. Owned by the control.
class TFocusFramer : public QObject {
    Q_OBJECT

public:
    explicit TFocusFramer(QWidget *control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *FControl;
};
