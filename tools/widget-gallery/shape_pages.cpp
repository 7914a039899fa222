// Gallery pages for the shaped buttons and the shaped window, set up as the program uses them.
#include "bmshapedform.h"
#include "gallerypage.h"
#include "shapebutton.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <algorithm>
#include <vector>

namespace {

constexpr TColor panelBlue = 10317636;  // the main window's face, RGB 68, 111, 157
constexpr QSize largeButton(53, 25);
constexpr QSize smallButton(45, 21);
constexpr TColor demoFace = 0xB08050;  // RGB 80, 128, 176

QWidget *panel(QSize size)
{
    auto *page = new QWidget;
    page->setAutoFillBackground(true);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, toQColor(panelBlue));
    palette.setColor(QPalette::WindowText, QColor(192, 201, 213));
    page->setPalette(palette);
    page->setMinimumSize(size);
    return page;
}

void heading(QWidget *parent, const QString &text, QPoint at)
{
    auto *label = new QLabel(text, parent);
    label->move(at);
}

TShapeButton *panelButton(QWidget *parent, const QString &caption, QPoint at, QSize size, bool on = false)
{
    auto *button = new TShapeButton(parent);
    button->setGeometry(QRect(at, size));
    ApplyPanelButtonStyle(*button, caption, size == largeButton ? PanelButtonTexture() : QImage());
    button->SetFontColor(on ? kPanelButtonOnFont : kPanelButtonOffFont);
    return button;
}

// A strip of four glyph frames (normal, disabled, hot, pressed): a small lamp in four states.
QImage glyphStrip()
{
    constexpr int frame = 16;
    QImage strip(4 * frame, frame, QImage::Format_RGB32);
    strip.fill(QColor(255, 0, 255));  // the transparent key: the top-left pixel
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor states[] = {QColor(40, 160, 60), QColor(130, 130, 130), QColor(90, 230, 110), QColor(20, 110, 40)};
    for (int i = 0; i < 4; ++i) {
        painter.setPen(QColor(20, 30, 40));
        painter.setBrush(states[i]);
        painter.drawEllipse(QRectF(i * frame + 2.5, 2.5, 11, 11));
    }
    return strip;
}

// A six-frame enter animation: a ring that grows.
QImage enterStrip()
{
    constexpr int frame = 16;
    QImage strip(6 * frame, frame, QImage::Format_RGB32);
    strip.fill(toQColor(demoFace));  // the frames are drawn over the face as they are
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 220, 120), 2));
    for (int i = 0; i < 6; ++i)
        painter.drawEllipse(QPointF(i * frame + 8, 8), 1.0 + i, 1.0 + i);
    return strip;
}

// Moves a caption that its shape would cut (a ring's hole, an arrow's narrow shaft, a user
// region's notch) to the nearest place where all of it, relief included, lies inside the bevel,
// or failing that inside the outline.
void fitCaption(TShapeButton *button)
{
    constexpr int relief = 1;  // the embossed passes lie one pixel to either side
    const QPolygon ink = button->CaptionInk();
    if (ink.isEmpty())
        return;
    const QRegion inkArea = QRegion(ink.boundingRect().adjusted(-relief, -relief, relief, relief));
    // Offsets that keep the ink inside the control, nearest first, so the first one that fits wins.
    const QRect bounds = inkArea.boundingRect();
    std::vector<QPoint> offsets;
    for (int dy = -bounds.top(); dy <= button->height() - 1 - bounds.bottom(); ++dy)
        for (int dx = -bounds.left(); dx <= button->width() - 1 - bounds.right(); ++dx)
            offsets.emplace_back(dx, dy);
    std::stable_sort(offsets.begin(), offsets.end(), [](QPoint a, QPoint b) {
        return QPoint::dotProduct(a, a) < QPoint::dotProduct(b, b);
    });
    for (const QRegion &face : {button->InnerRegion(), button->WindowRegion()}) {
        for (const QPoint offset : offsets) {
            if (!inkArea.translated(offset).subtracted(face).isEmpty())
                continue;
            if (offset.isNull())
                return;
            const QRect box = button->CaptionBox();
            button->SetCaptionLeft(box.left() + offset.x());
            button->SetCaptionTop(box.top() + offset.y());
            return;
        }
    }
}

TShapeButton *shapeButton(QWidget *parent, TShapeKind kind, QRect geometry, const QString &caption)
{
    auto *button = new TShapeButton(parent);
    button->setGeometry(geometry);
    button->SetButtonKind(kind);
    button->SetButtonColor(demoFace);
    button->SetButtonColor1(0x604020);
    button->SetFontColor(clWhite);
    button->SetCaption3dKind(ckEmbossed);
    button->SetShowFocusRGN(false);
    button->setText(caption);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

// A skin: a rounded plate on a magenta key colour, with a round window and a slot cut out.
QImage demoSkin()
{
    QImage skin(320, 200, QImage::Format_RGB32);
    skin.fill(QColor(255, 0, 255));
    QPainter painter(&skin);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(68, 111, 157));
    painter.drawRoundedRect(QRect(0, 0, 320, 200), 40, 40);
    painter.setBrush(QColor(100, 143, 189));
    painter.drawRoundedRect(QRect(12, 12, 296, 30), 12, 12);
    painter.setBrush(QColor(255, 0, 255));
    painter.drawEllipse(QRect(250, 120, 50, 50));
    painter.drawRect(QRect(30, 150, 150, 12));
    painter.setPen(QColor(230, 236, 242));
    painter.drawText(QRect(12, 12, 296, 30), Qt::AlignCenter, "Drag me by the plate");
    return skin;
}

}  // namespace

GALLERY_PAGE("Buttons", 30)
{
    auto *page = panel(QSize(750, 620));

    heading(page, "Front panel: generator, analyser and I/Q (latched ones in white)", QPoint(10, 6));
    const char *large[] = {"Generator", "Left", "Right", "Spec.An.", "Left", "Right", "I/Q Mode"};
    for (int i = 0; i < 7; ++i)
        panelButton(page, large[i], QPoint(10 + i * 64, 26), largeButton, i == 0 || i == 2 || i == 3);

    heading(page, "Lock and R = L; pressed (Down) and disabled", QPoint(10, 60));
    panelButton(page, "R = L", QPoint(10, 80), smallButton);
    panelButton(page, "Lock", QPoint(64, 80), smallButton);
    panelButton(page, "R = L", QPoint(118, 80), smallButton, true);
    panelButton(page, "Lock", QPoint(172, 80), smallButton, true);
    panelButton(page, "Generator", QPoint(240, 78), largeButton, true)->SetDown(true);
    panelButton(page, "Spec.An.", QPoint(304, 78), largeButton)->setEnabled(false);
    panelButton(page, "Lock", QPoint(368, 80), smallButton)->setEnabled(false);

    heading(page, "Outline family (dk3D, embossed)", QPoint(10, 118));
    const struct {
        TShapeKind kind;
        const char *name;
    } kinds[] = {{bkRect, "Rect"},       {bkRoundRect, "Round"}, {bkElliptic, "Ellipse"}, {bkPoly, "Poly"},
                 {bkPolyStar, "Star"},   {bkArc, "Arc"},         {bkDonut, "Donut"},      {bkUser, "User"},
                 {bkArrow, "Arrow"},     {bkArrow1, "Arrow1"},   {bkArrow2, "Arrow2"},    {bkCross, "Cross"},
                 {bkCutRect, "Cut"},     {bkCross1, "Cross1"},   {bkOval, "Oval"}};
    for (int i = 0; i < 15; ++i) {
        const QRect cell(10 + (i % 8) * 92, 140 + (i / 8) * 90, 84, 80);
        auto *button = shapeButton(page, kinds[i].kind, cell, kinds[i].name);
        if (kinds[i].kind == bkUser) {
            // An L-shaped user region with a square window in it.
            const QRegion user = QRegion(0, 0, 84, 28).united(QRegion(0, 28, 32, 52)).subtracted(QRegion(8, 8, 12, 12));
            button->SetButtonRegion(user);
        }
        if (kinds[i].kind == bkArc)
            button->SetArcAngle(2.4);
        if (kinds[i].kind == bkDonut)
            button->SetRadiusRatio(0.4);
        fitCaption(button);
    }

    heading(page, "Bevel kinds: 3D, Flatten, 3dsimple, FlattenSimple, 3dBorder, 3dBorderFlatten, None (hover the flat ones)",
            QPoint(10, 326));
    const TShape3DKind bevels[] = {dk3D, dkFlatten, dk3dsimple, dkFlattenSimple, dk3dBorder, dk3dBorderFlatten, dkNone};
    for (int i = 0; i < 7; ++i) {
        auto *button = shapeButton(page, bkRoundRect, QRect(10 + i * 82, 348, 74, 30), QString("Kind %1").arg(i));
        button->SetButton3DKind(bevels[i]);
        button->SetButtonDepth(3);
    }

    heading(page, "Captions, gradients, glyphs, rotation", QPoint(10, 390));
    const TCaption3DKind captions[] = {ckSimple, ckEmbossed, ckPressed};
    const char *captionNames[] = {"Simple", "&Embossed", "Pressed"};
    for (int i = 0; i < 3; ++i) {
        auto *button = shapeButton(page, bkRoundRect, QRect(10 + i * 82, 412, 74, 30), captionNames[i]);
        button->SetCaption3dKind(captions[i]);
        button->SetFontColor(0x303030);
        button->SetButtonColor(0xD0C8C0);
    }
    auto *linear = shapeButton(page, bkRoundRect, QRect(256, 412, 90, 30), "Linear");
    linear->SetGradientKind(gkLinear);
    linear->SetGradientAngle(2700);  // from the face colour at the top down to the second colour
    auto *circular = shapeButton(page, bkElliptic, QRect(354, 404, 60, 46), "Ring");
    circular->SetGradientKind(gkCircular);
    circular->SetButtonColor(0xE0B080);
    circular->SetButtonColor1(0x503010);
    auto *glyph = shapeButton(page, bkRoundRect, QRect(422, 412, 90, 30), "Glyph");
    glyph->SetMainBitmap(glyphStrip(), 4);
    glyph->SetBitmapAlign(haLeft, vaCenter);
    glyph->SetTransparent(true);
    glyph->SetCaptionAlign(haRight, vaCenter);
    glyph->SetOnEnterBitmap(enterStrip(), 6, 40);
    auto *rotated = shapeButton(page, bkRoundRect, QRect(530, 400, 80, 30), "Turned");
    rotated->SetRotationCenterFixed(true);
    rotated->SetCaptionFixed(true);  // the caption turns with the shape
    rotated->SetButtonAngle(300);
    auto *vertical = shapeButton(page, bkRect, QRect(620, 390, 24, 70), "Up");
    vertical->SetCaptionAngle(900);

    heading(page, "Star with 5 peaks, donut ratio 0.6; turning about the centre and about the tail",
            QPoint(10, 470));
    auto *star = shapeButton(page, bkPolyStar, QRect(10, 492, 80, 80), "");
    star->SetPeaksNumber(5);
    star->SetGradientKind(gkCircular);
    auto *donut = shapeButton(page, bkDonut, QRect(100, 492, 80, 80), "");
    donut->SetRadiusRatio(0.6);
    auto *spinner = shapeButton(page, bkArrow, QRect(210, 512, 60, 40), "");
    spinner->SetRotationCenterFixed(true);
    spinner->SetRotatedAngle(100);
    spinner->SetRotatedTime(80);
    // A clock hand: turns about the middle of its tail, its caption turning with it.
    auto *hand = shapeButton(page, bkArrow, QRect(660, 527, 72, 36), "Hand");
    QFont handFont = hand->font();
    handFont.setPixelSize(10);
    hand->setFont(handFont);
    hand->SetButtonColor(0x50A0D0);
    hand->SetCaptionFixed(true);
    hand->SetRotationPoint(0, 18);
    hand->SetRotatedAngle(-60);
    hand->SetRotatedTime(50);
    fitCaption(hand);
    auto *pivot = new QLabel(page);  // marks the point the hand keeps
    pivot->setGeometry(657, 542, 7, 7);
    pivot->setStyleSheet("background: rgb(255, 220, 120); border-radius: 3px;");
    auto *spin = panelButton(page, "Spin", QPoint(300, 520), largeButton);
    QObject::connect(spin, &QAbstractButton::clicked, spinner, [spinner, hand, spin] {
        const bool on = !spinner->Rotated();
        spinner->SetRotated(on);
        hand->SetRotated(on);
        spin->SetFontColor(on ? kPanelButtonOnFont : kPanelButtonOffFont);
    });
    return page;
}

GALLERY_PAGE("Shaped window", 35)
{
    auto *page = panel(QSize(400, 120));
    heading(page, "A frameless window cut to its skin; drag it by the plate.", QPoint(10, 10));
    auto *open = new QPushButton("Open shaped window", page);
    open->move(10, 40);
    QObject::connect(open, &QPushButton::clicked, page, [] {
        auto *form = new QWidget(nullptr);
        form->setAttribute(Qt::WA_DeleteOnClose);
        auto *face = new TBMShapedForm(form);
        face->SetAutoSize(true);
        face->SetPicture(demoSkin());
        // The host hears every move over the skin, with the buttons held, before any drag.
        auto *position = new QLabel(form);
        position->setGeometry(30, 60, 200, 20);
        position->setStyleSheet("color: rgb(230, 236, 242);");
        QObject::connect(face, &TBMShapedForm::mouseMoved, position, [position](QMouseEvent *event) {
            const QPoint at = event->position().toPoint();
            position->setText(QString("x %1, y %2%3").arg(at.x()).arg(at.y()).arg(
                event->buttons() & Qt::LeftButton ? ", dragging" : ""));
        });
        auto *close = new TShapeButton(form);
        close->setGeometry(250, 60, 53, 25);
        ApplyPanelButtonStyle(*close, "Close", PanelButtonTexture());
        QObject::connect(close, &QAbstractButton::clicked, form, &QWidget::close);
        form->move(500, 300);
        form->show();
    });
    return page;
}
