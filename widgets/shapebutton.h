// Shaped push button: a window cut to an outline, a bevelled owner-drawn face, glyphs and caption.
#pragma once

#include "colorref.h"
#include "regiongeometry.h"
#include "shapeoutlines.h"

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QTimer>
#include <QTransform>
#include <optional>

enum TShape3DKind { dk3D, dkFlatten, dk3dsimple, dkFlattenSimple, dk3dBorder, dk3dBorderFlatten, dkNone };
enum TShapeGradientKind { gkNone, gkLinear, gkCircular };
enum TCaption3DKind { ckSimple, ckEmbossed, ckPressed };
enum THAlign { haLeft, haCenter, haRight, haNone };
enum TVAlign { vaTop, vaCenter, vaBottom, vaNone };

// Colour steps of the bevel: each channel moved by 32 and clamped.
QColor GetLColor(const QColor &c);
QColor GetDColor(const QColor &c);
int GetSumColor(const QColor &c);
// The colour value meaning "no fill" / "no caption".
inline constexpr TColor kNoColour = 0x1FFFFFFF;
// Colours below this channel sum count as dark: their frame is drawn lighter, not darker.
inline constexpr int kDarkColourSum = 361;

// A caption with its accelerator marks resolved: "&x" underlines x, "&&" shows one "&".
struct TCaptionText {
    QString plain;
    int underlined = -1;  // index into plain, or -1
};
TCaptionText ParseCaption(const QString &caption);

// Which glyph frame a state shows.
struct TGlyphChoice {
    int frame = 0;
    bool dimmed = false;   // disabled without a frame of its own: frame 0 merged with the face colour
    bool shifted = false;  // pressed: drawn one pixel right and down
};
TGlyphChoice ChooseGlyphFrame(int glyphs, bool enabled, bool pressed, bool hot);

// Top-left of a box of `box` pixels along one axis of a control of `extent` pixels.
int AlignOffset(int alignment, int extent, int box, int margin, int manual);

// Owner-drawn push button with a shaped window.
//
// Handlers are Qt signals: OnClick is QAbstractButton::clicked() (on release inside the outline, or
// on the space key), onMouseEnter/onMouseExit are mouseEntered()/mouseExited(), and OnPaint is
// painted(QPainter *) emitted at the end of every paint with the painter still active.
// Colours are 0x00BBGGRR values; kNoColour stands for "none": no fill (ButtonColor), no caption
// (FontColor).
class TShapeButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int kDefaultDepth = 2;
    static constexpr int kDefaultMargin = 5;
    static constexpr int kDefaultAnimationIntervalMs = 40;
    static constexpr int kDefaultPeaks = 6;
    static constexpr int kMinPeaks = 3;
    static constexpr int kMaxPeaks = 20;
    static constexpr int kDefaultRotatedTime = 40;
    static constexpr int kDefaultRotatedAngle = 40;
    static constexpr int kMaxRotatedAngle = 1799;
    static constexpr int kDefaultGradientAngle = 450;
    static constexpr double kMinArcAngle = 0.01;

    explicit TShapeButton(QWidget *parent = nullptr);
    ~TShapeButton() override;

    // Shape (each rebuilds the outline).
    void SetButtonKind(TShapeKind kind);
    void SetButton3DKind(TShape3DKind kind);
    void SetButtonDepth(int depth);
    void SetButtonSize(int width, int height);
    void SetButtonAngle(int angle);
    void SetPeaksNumber(int peaks);
    void SetRadiusRatio(double ratio);
    void SetArcAngle(double radians);
    void SetButtonRegion(const QRegion &region);
    void SetStringButtonRegion(const QString &text);
    void SetUserRGNAUTO(bool on);
    // A turn keeps one point of the shape in place on the parent: the shape's centre when
    // RotationCenterFixed, else RotationPointX/Y, in pixels of the unturned shape from its top-left.
    void SetRotationPoint(int x, int y);
    void SetRotationCenterFixed(bool on);
    void SetRotated(bool on);
    void SetRotatedTime(int ms);
    void SetRotatedAngle(int angle);

    // Face.
    void SetButtonColor(TColor c);
    void SetButtonColor1(TColor c);
    void SetFontColor(TColor c);
    void SetGradientKind(TShapeGradientKind kind);
    void SetGradientAngle(int angle);
    void SetGradientFixed(bool on) { FGradientFixed = on; }
    void SetGradientBitmap(const QImage &bitmap, int line);
    void SetCaption3dKind(TCaption3DKind kind);
    void SetCaptionAlign(THAlign h, TVAlign v);
    void SetCaptionTop(int top);
    void SetCaptionLeft(int left);
    void SetCaptionAngle(int angle);
    void SetCaptionFixed(bool on);
    void SetMainBitmap(const QImage &bitmap, int glyphs = 1);
    void SetBitmapAlign(THAlign h, TVAlign v);
    void SetBitmapTop(int top);
    void SetBitmapLeft(int left);
    void SetTransparent(bool on);
    void SetCustomDraw(bool on);
    void SetShowFocusRGN(bool on);
    void SetOnEnterBitmap(const QImage &bitmap, int glyphs, int intervalMs);
    void SetOnExitBitmap(const QImage &bitmap, int glyphs, int intervalMs);
    void SetOnClickBitmap(const QImage &bitmap, int glyphs, int intervalMs);
    // Shows the button pressed permanently (a latched state), independent of the mouse.
    void SetDown(bool down);

    TShapeKind ButtonKind() const { return FButtonKind; }
    TShape3DKind Button3DKind() const { return FButton3DKind; }
    int ButtonDepth() const { return FButtonDepth; }
    int ButtonWidth() const { return FButtonWidth; }
    int ButtonHeight() const { return FButtonHeight; }
    int ButtonAngle() const { return FButtonAngle; }
    int CaptionAngle() const { return FCaptionAngle; }
    bool CaptionFixed() const { return FCaptionFixed; }
    int RotationPointX() const { return FRotationPointX; }
    int RotationPointY() const { return FRotationPointY; }
    bool RotationCenterFixed() const { return FRotationCenterFixed; }
    int GradientAngle() const { return FGradientAngle; }
    int PeaksNumber() const { return FPeaksNumber; }
    double RadiusRatio() const { return FRadiusRatio; }
    double ArcAngle() const { return FArcAngle; }
    bool Rotated() const { return FRotated; }
    int RotatedTime() const { return FRotatedTime; }
    int RotatedAngle() const { return FRotatedAngle; }
    TColor ButtonColor() const { return FButtonColor; }
    TColor ButtonColor1() const { return FButtonColor1; }
    TColor FontColor() const { return FFontColor; }
    THAlign CaptionHAlign() const { return FCaptionHAlign; }
    TVAlign CaptionVAlign() const { return FCaptionVAlign; }
    bool Down() const { return FDown; }
    bool Hot() const { return FHot; }

    // The window's outline, the bevel bands and the inner outline, in control coordinates.
    QRegion WindowRegion() const { return FWindowRegion; }
    QRegion LightRegion() const { return FLightRegion; }
    QRegion DarkRegion() const { return FDarkRegion; }
    QRegion InnerRegion() const { return FInnerRegion; }
    // The face as last rendered (rendered now if the state changed).
    QImage Face();
    // Where the caption's box lies on the face, unpressed (the bounding box when turned).
    QRect CaptionBox() const;
    // The outline of the caption's ink on the face, unpressed and without its relief.
    QPolygon CaptionInk() const;

    QSize sizeHint() const override;

signals:
    void mouseEntered();
    void mouseExited();
    void painted(QPainter *painter);

protected:
    bool hitButton(const QPoint &pos) const override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    enum class Animation { None, Enter, Exit, Click };
    struct AnimationStrip {
        QImage bitmap;
        int glyphs = 1;
        int intervalMs = kDefaultAnimationIntervalMs;
    };

    // Where and at what angle the caption is laid out; toControl maps that layout onto the face.
    struct TCaptionPlacement {
        QRect box;
        int angle = 0;
        int textWidth = 0;
        QTransform toControl;
    };
    TCaptionPlacement CaptionPlacement() const;
    // Maps the unturned shape (ButtonWidth x ButtonHeight) onto a control of that size turned by
    // that angle, as the outlines lie in it.
    QTransform ShapeToControl(QSize control, int angle) const;
    // The point a turn keeps in place: in a control of that size and angle, and on the parent as
    // things stand.
    QPointF PivotInControl(QSize control, int angle) const;
    QPointF PivotOnParent() const;

    void SetNewKind();
    // Sizes the control to the turned shape; with a pivot, places it so the rotation point lands there.
    void FitControl(std::optional<QPointF> pivot);
    void GetMainBitmap();
    void PaintGradient(QPainter &painter, const QColor &from, const QColor &to, const QRegion &clip) const;
    void PaintBitmaps(QPainter &painter);
    void DrawCaptionAll(QPainter &painter);
    void FrameRegion(QPainter &painter, const QRegion &region, const QColor &colour) const;
    void StartAnimation(Animation which);
    void StopAnimation(Animation which);
    void AnimationTick();
    const AnimationStrip &Strip(Animation which) const;
    void RotateStep();
    bool Pressed() const { return FDown || isDown(); }
    void Rerender();

    // Shape.
    TShapeKind FButtonKind = bkRect;
    TShape3DKind FButton3DKind = dk3D;
    int FButtonDepth = kDefaultDepth;
    int FButtonWidth = 0;
    int FButtonHeight = 0;
    int FButtonAngle = 0;
    int FPeaksNumber = kDefaultPeaks;
    double FRadiusRatio = 0.5;
    double FArcAngle = 2.0943951023932;
    QRegion FUserRegion;
    bool FUserRGNAUTO = true;
    TPolygonSet FUserPolygons;
    QRect FUserBounds;
    int FRotationPointX = 0;
    int FRotationPointY = 0;
    bool FRotationCenterFixed = false;
    bool FRotated = false;
    int FRotatedTime = kDefaultRotatedTime;
    int FRotatedAngle = kDefaultRotatedAngle;
    bool FInternalResize = false;
    QPointF FPivot;             // where the rotation point was kept at the last fit, parent coordinates
    bool FPivotValid = false;
    QRect FFittedGeometry;      // the geometry FitControl gave; any other means the control was moved

    // Face.
    TColor FButtonColor = clBtnFace;
    TColor FButtonColor1 = clBtnShadow;
    TColor FFontColor = clWindowText;
    TShapeGradientKind FGradientKind = gkNone;
    int FGradientAngle = kDefaultGradientAngle;
    bool FGradientFixed = false;
    QImage FGradientBitmap;
    int FGradientBitmapLine = 0;
    TCaption3DKind FCaption3dKind = ckSimple;
    THAlign FCaptionHAlign = haCenter;
    TVAlign FCaptionVAlign = vaCenter;
    int FCaptionTop = kDefaultMargin;
    int FCaptionLeft = kDefaultMargin;
    int FCaptionAngle = 0;
    bool FCaptionFixed = false;
    QImage FMainBitmap;
    QImage FKeyedBitmap;  // FMainBitmap with its key colour turned into alpha, made when first drawn
    int FMainBitmapGlyphs = 1;
    THAlign FBitmapHAlign = haLeft;
    TVAlign FBitmapVAlign = vaTop;
    int FBitmapTop = kDefaultMargin;
    int FBitmapLeft = kDefaultMargin;
    bool FTransparent = false;
    bool FCustomDraw = false;
    bool FShowFocusRGN = true;
    bool FDown = false;

    // Derived shape.
    QRegion FWindowRegion;
    QRegion FOuterRegion;
    QRegion FInnerRegion;
    QRegion FInnerInnerRegion;
    QRegion FFocusRegion;
    QRegion FLightRegion;
    QRegion FDarkRegion;
    QRegion FInnerLightRegion;
    QRegion FInnerDarkRegion;

    // Visual state of the last render.
    QImage FFace;
    bool FHot = false;
    bool FSpaceHeld = false;
    bool FFaceValid = false;
    bool FRenderedPressed = false;
    bool FRenderedHot = false;
    bool FRenderedEnabled = true;
    bool FRenderedFocused = false;
    QString FRenderedText;
    bool FFocusSeen = false;

    // Animations share one timer.
    AnimationStrip FEnterStrip;
    AnimationStrip FExitStrip;
    AnimationStrip FClickStrip;
    QTimer FAnimationTimer;
    Animation FAnimation = Animation::None;
    int FAnimationFrame = 0;
    QImage FAnimationImage;

    TRotateTimer *FRotateTimer = nullptr;
};

// The front panel's push button: steel-blue rounded rectangle with an embossed caption, hand
// cursor, no focus frame; `texture` (optional) is the face texture drawn from (2, 2).
void ApplyPanelButtonStyle(TShapeButton &button, const QString &caption, const QImage &texture = {});
// The panel's font colours: white for on, pale blue-grey for off.
inline constexpr TColor kPanelButtonOnFont = 0xFFFFFF;   // white
inline constexpr TColor kPanelButtonOffFont = 0xD5C9C0;  // RGB 192, 201, 213
inline constexpr TColor kPanelButtonColor = 0x9D6F44;    // RGB 68, 111, 157
inline constexpr TColor kPanelButtonColor1 = 0x715735;   // RGB 53, 87, 113
// The face texture of the panel's larger buttons (a resource of the widgets library).
QImage PanelButtonTexture();
