// Shaped window face: shows a skin picture and cuts its frameless top-level window to the picture.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QWidget>

// The region of every pixel whose low 24 bits differ from the transparent colour, which is the
// colour of the bottom-left pixel; each row's maximal runs become one rectangle each.
QRegion BuildSkinRegion(const QImage &picture);

// The picture as the window shows it: ARGB with every pixel of the transparent colour (same rule
// as BuildSkinRegion) at alpha 0, all others opaque. Where the window system does not clip drawing
// to the outline (Wayland), this is what keeps the cut-away parts see-through.
QImage TranslucentSkin(const QImage &picture);

// AutoSize and Stretch exclude each other; given their values now and at the last paint, returns
// the settled pair (first AutoSize, then Stretch).
struct TSizeModes {
    bool autoSize;
    bool stretch;
};
TSizeModes ReconcileSizeModes(TSizeModes now, TSizeModes last);

// Lies over the whole client area of its form (a top-level window), draws the picture and gives
// the form the picture's outline; dragging the picture moves the form. The form is made a
// translucent window whose outline is also its input mask: on X11 the outline clips drawing as
// well, on Wayland only input, and the transparent pixels show what lies beneath. A drag is
// handed to the window system where it offers to move windows (Wayland lets no client place its
// own window), and done by moving the form elsewhere.
// Construction fails with std::logic_error "Please Drop on a Form" when the parent is not a
// top-level window, and "Please Drop only one TBMShapedForm per Form" when it already holds one.
class TBMShapedForm : public QWidget {
    Q_OBJECT
public:
    explicit TBMShapedForm(QWidget *form);

    // The skin; with AutoSize on the form's client area takes the picture's size.
    void SetPicture(const QImage &picture);
    const QImage &Picture() const { return FPicture; }
    void SetAutoSize(bool on);
    bool AutoSize() const { return FAutoSize; }
    void SetStretch(bool on);
    bool Stretch() const { return FStretch; }
    void SetMoveable(bool on) { FMoveable = on; }
    bool Moveable() const { return FMoveable; }

    // The outline last handed to the form, in form coordinates (empty: rectangular window).
    QRegion Region() const { return FRegion; }

    void PictureUpdate();

signals:
    // The host's handlers of the picture's mouse events run before the drag logic. Moves are
    // reported with or without a button held; the event's buttons() and modifiers() are the shift state.
    void mousePressed(QMouseEvent *event);
    void mouseMoved(QMouseEvent *event);
    void mouseReleased(QMouseEvent *event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    static QWidget *CheckedForm(QWidget *form);
    void ObtainRegion();
    void RefreshForm();

    void DragTo(QPoint global);

    QImage FPicture;
    QImage FShownPicture;  // FPicture through TranslucentSkin
    QRegion FRegion;
    QSize FRegionSize;
    QSize FLastSize;
    bool FAutoSize = false;
    bool FStretch = false;
    bool FLastAutoSize = false;
    bool FLastStretch = false;
    bool FMoveable = true;
    bool FDragging = false;
    QPoint FDragGlobal;     // pointer at mouse-down, screen coordinates
    QPoint FDragFormStart;  // form position at mouse-down
};
