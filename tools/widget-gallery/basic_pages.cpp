// Gallery pages for the slider, rulers, lamps, shadowed labels and level bar, set up as the program uses them.
#include "advancebar.h"
#include "autoled.h"
#include "beveltext.h"
#include "gallerypage.h"
#include "nakedslider.h"
#include "rulers.h"

#include <QFont>
#include <QPalette>
#include <QStringList>

namespace {

constexpr TColor panelBlue = 10317636;     // the main window's face, RGB 68, 111, 157
constexpr TColor captionColour = 13015936; // channel captions "L" and "R"
constexpr TColor dialogFace = 0xC8D0D4;
constexpr TColor dialogText = 15261656;
constexpr TColor darkFocus = 7105644;
constexpr TColor ledOffGrey = 10395294;
constexpr TColor channelLedOff = 8670784;

QWidget *panel(TColor face, QSize size)
{
    auto *page = new QWidget;
    page->setAutoFillBackground(true);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, toQColor(face));
    page->setPalette(palette);
    page->setMinimumSize(size);
    return page;
}

QFont pixelFont(const QString &family, int pixels, bool bold = false)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// A caption as the program configures all of them: shadow black, Deep 1, no border, no blink.
TBevelText *caption(QWidget *parent, const QString &text, QPoint at, TColor colour, const QFont &font)
{
    auto *label = new TBevelText(parent);
    label->setFont(font);
    label->SetTransparent(true);
    label->SetShadowColor(clBlack);
    label->SetFontColor(colour);
    label->SetCaption(text);
    label->move(at);
    return label;
}

TNakedSlider *slider(QWidget *parent, QRect geometry, int min, int max, int position, int thickness,
                     TThumbStyle thumb, int pageStep)
{
    auto *s = new TNakedSlider(parent);
    s->setGeometry(geometry);
    s->SetMin(min);
    s->SetMax(max);
    s->SetPosition(position);
    s->SetThickness(thickness);
    s->SetThumbStyle(thumb);
    s->SetStepPage(pageStep);
    return s;
}

// A readout that follows a slider, so dragging can be checked by eye.
void showValue(TNakedSlider *s, QWidget *parent, QPoint at, const QString &unit)
{
    TBevelText *readout = caption(parent, QString(), at, clWhite, pixelFont("Liberation Sans", 12, true));
    auto refresh = [readout, unit](TNakedSlider *sender) {
        readout->SetCaption(QString::number(sender->Position()) + unit);
    };
    QObject::connect(s, &TNakedSlider::OnChange, readout, refresh);
    refresh(s);
}

TAutoLed *lamp(QWidget *parent, QPoint at, TColor back, TColor on, TColor off, bool value, int size = 16)
{
    auto *led = new TAutoLed(parent);
    led->setGeometry(QRect(at, QSize(size, size)));
    led->SetBColor(back);
    led->SetTrueColor(on);
    led->SetFalseColor(off);
    led->ChangeValue(value);
    return led;
}

}  // namespace

GALLERY_PAGE("Sliders", 10)
{
    QWidget *page = panel(panelBlue, {700, 520});
    const QFont labelFont = pixelFont("Liberation Sans", 12);
    const QFont channelFont = pixelFont("Liberation Sans", 21);

    // The generator's four sliders at their places in the main window (shifted up).
    constexpr int shift = 290;
    TNakedSlider *lFreq = slider(page, {96, 356 - shift, 193, 13}, 0, 10000, 1294, 2, tsStdVBar, 999);
    TNakedSlider *rFreq = slider(page, {446, 356 - shift, 193, 13}, 0, 10000, 1978, 2, tsStdVBar, 999);
    TNakedSlider *lLevel = slider(page, {96, 378 - shift, 193, 13}, 10, 10000, 5000, 2, tsStdVBar, 999);
    TNakedSlider *rLevel = slider(page, {446, 378 - shift, 193, 13}, 10, 10000, 5000, 2, tsStdVBar, 999);
    caption(page, "L", {292, 362 - shift}, captionColour, channelFont);
    caption(page, "R", {430, 362 - shift}, captionColour, channelFont);
    caption(page, "Freq", {20, 354 - shift}, clWhite, labelFont);
    caption(page, "Level", {20, 376 - shift}, clWhite, labelFont);
    showValue(lFreq, page, {200, 336 - shift - 22}, " Hz");
    showValue(rFreq, page, {548, 336 - shift - 22}, " Hz");
    showValue(lLevel, page, {200, 398 - shift}, "");
    showValue(rLevel, page, {548, 398 - shift}, "");

    // The analyser's two vertical sliders: one disabled as at start, one enabled.
    TNakedSlider *vGain = slider(page, {40, 130, 11, 233}, 10, 160, 42, 5, tsStdHBar, 15);
    vGain->SetFocusColor(darkFocus);
    vGain->setEnabled(false);
    TNakedSlider *vRange = slider(page, {110, 130, 11, 233}, 0, 160, 38, 5, tsStdHBar, 16);
    vRange->SetFocusColor(darkFocus);
    caption(page, "Vert. Gain", {14, 370}, clWhite, labelFont);
    caption(page, "Vert. Range", {80, 370}, clWhite, labelFont);
    caption(page, "(disabled)", {18, 388}, clWhite, labelFont);
    showValue(vRange, page, {104, 388}, "");

    // The skew dialog's slider on a dialog face.
    QWidget *dialog = panel(dialogFace, {371, 90});
    dialog->setParent(page);
    dialog->setGeometry(200, 130, 371, 90);
    TNakedSlider *delay = slider(dialog, {12, 16, 347, 15}, -500, 500, 0, 2, tsStdVBar, 100);
    const QFont dialogFont = pixelFont("DejaVu Sans", 12);
    caption(dialog, "Left", {18, 36}, dialogText, dialogFont);
    caption(dialog, "Right", {324, 36}, dialogText, dialogFont);
    caption(dialog, "Microseconds", {143, 62}, dialogText, dialogFont);
    showValue(delay, dialog, {170, 36}, "");

    // Every thumb picture on a tall horizontal and a wide vertical slider, and the colour ramp.
    for (int style = 0; style < nakedslider::thumbStyleCount; ++style) {
        const int column = style % 9;
        const int row = style / 9;
        TNakedSlider *s = slider(page, {200 + column * 54, 250 + row * 70, 48, 30}, 0, 10, 3 + style % 5, 3,
                                 static_cast<TThumbStyle>(style), 1);
        s->SetStyle(row == 0 ? bsLowered : bsRaised);
    }
    TNakedSlider *flash = slider(page, {200, 400, 470, 26}, 0, 100, 60, 4, tsStdVBar, 10);
    flash->SetFlashColor(true);
    flash->SetPosition(60);
    caption(page, "FlashColor", {200, 430}, clWhite, labelFont);
    return page;
}

GALLERY_PAGE("Rulers", 20)
{
    QWidget *page = panel(panelBlue, {700, 520});
    const QFont labelFont = pixelFont("Liberation Sans", 12);
    const QFont rulerFont = pixelFont("DejaVu Sans", 11);

    // HScale under a stand-in plot, then the five spans the program switches between.
    struct Span {
        const char *name;
        float start;
        float width;
    };
    const Span spans[] = {{"start-up", 290.0f, 346.0f}, {"0.17k", 1000.0f, 176.98f}, {"0.7k", 600.0f, 707.9f},
                          {"1.4k", 0.0f, 1415.81f},     {"2.8k", 0.0f, 2831.62f},    {"5.6k", 0.0f, 5663.23f}};
    // The rulers' mouse events with their shift state (keys and the buttons held), as the host sees them.
    TBevelText *mouseReadout = caption(page, "Move, press or drag on a frequency ruler", {250, 356}, clWhite, labelFont);
    auto describe = [mouseReadout](const char *event, Qt::KeyboardModifiers keys, int x, Qt::MouseButtons held) {
        QStringList state;
        if (held & Qt::LeftButton)
            state << "Left";
        if (held & Qt::MiddleButton)
            state << "Middle";
        if (held & Qt::RightButton)
            state << "Right";
        if (keys & Qt::ShiftModifier)
            state << "Shift";
        if (keys & Qt::ControlModifier)
            state << "Ctrl";
        if (keys & Qt::AltModifier)
            state << "Alt";
        mouseReadout->SetCaption(QString("%1 at x %2, held: %3").arg(event).arg(x).arg(state.isEmpty() ? "nothing" : state.join(" + ")));
    };
    int y = 12;
    for (const Span &span : spans) {
        auto *ruler = new THRuler(page);
        QObject::connect(ruler, &THRuler::OnMouseDown, mouseReadout,
                         [describe](THRuler *, Qt::MouseButton, Qt::KeyboardModifiers keys, int x, int, Qt::MouseButtons held) {
                             describe("OnMouseDown", keys, x, held);
                         });
        QObject::connect(ruler, &THRuler::OnMouseMove, mouseReadout,
                         [describe](THRuler *, Qt::KeyboardModifiers keys, int x, int, Qt::MouseButtons held) {
                             describe("OnMouseMove", keys, x, held);
                         });
        QObject::connect(ruler, &THRuler::OnMouseUp, mouseReadout,
                         [describe](THRuler *, Qt::MouseButton, Qt::KeyboardModifiers keys, int x, int, Qt::MouseButtons held) {
                             describe("OnMouseUp", keys, x, held);
                         });
        ruler->setFont(rulerFont);
        ruler->setGeometry(106, y, 526, 26);
        ruler->SetColor(clSkyBlue);
        ruler->SetPosition(posTop);
        ruler->SetHStop(span.start + span.width);
        ruler->SetHStart(span.start);
        ruler->setCursor(Qt::SizeHorCursor);
        caption(page, span.name, {20, y + 6}, clWhite, labelFont);
        y += 34;
    }
    auto *bottom = new THRuler(page);
    bottom->setFont(rulerFont);
    bottom->setGeometry(106, y, 526, 26);
    bottom->SetColor(clSkyBlue);
    bottom->SetHStop(636.0f);
    bottom->SetHStart(290.0f);
    caption(page, "posBottom", {20, y + 6}, clWhite, labelFont);
    y += 34;
    auto *reversed = new THRuler(page);
    reversed->setFont(rulerFont);
    reversed->setGeometry(106, y, 526, 33);
    reversed->SetReverse(true);
    caption(page, "Reverse", {20, y + 8}, clWhite, labelFont);
    y += 42;
    auto *centimetres = new THRuler(page);
    centimetres->setFont(rulerFont);
    centimetres->setGeometry(106, y, 526, 33);
    centimetres->SetUnitOfMeasure(umCentimetres);
    caption(page, "centimetres", {20, y + 8}, clWhite, labelFont);

    for (int i = 0; i < 4; ++i) {
        auto *v = new TVRuler(page);
        v->setFont(rulerFont);
        v->setGeometry(20 + i * 45, 330, 40, 180);
        v->SetPosition(i % 2 == 0 ? posRight : posLeft);
        v->SetUnitOfMeasure(i < 2 ? umCustom : umCentimetres);
    }
    return page;
}

GALLERY_PAGE("Lamps and labels", 30)
{
    QWidget *page = panel(panelBlue, {700, 520});
    const QFont buttonFont = pixelFont("Liberation Sans", 12, true);

    // Generator and analyser switches' lamps on the blue face, off and on, then clickable.
    caption(page, "GenLed / SpecLed", {20, 16}, clWhite, buttonFont);
    lamp(page, {26, 40}, panelBlue, clRed, ledOffGrey, false);
    lamp(page, {56, 40}, panelBlue, clRed, ledOffGrey, true);
    TAutoLed *clickable = lamp(page, {86, 40}, panelBlue, clRed, ledOffGrey, false);
    clickable->setCursor(Qt::PointingHandCursor);
    QObject::connect(clickable, &TAutoLed::OnClick, clickable,
                     [](TAutoLed *sender) { sender->ChangeValue(!sender->Value()); });

    // Channel lamps on black.
    QWidget *strip = panel(clBlack, {120, 30});
    strip->setParent(page);
    strip->setGeometry(20, 72, 130, 30);
    lamp(strip, {7, 7}, clBlack, clLime, channelLedOff, true);
    lamp(strip, {37, 7}, clBlack, clLime, channelLedOff, false);
    TAutoLed *blinking = lamp(strip, {67, 7}, clBlack, clLime, channelLedOff, true);
    blinking->SetInterval(400);
    blinking->ChangeBlink(true);
    lamp(strip, {97, 7}, clBlack, 0x00A5FF, channelLedOff, true);

    // Larger lamps: the picture scales without losing its crispness.
    lamp(page, {180, 20}, panelBlue, clRed, ledOffGrey, true, 32);
    lamp(page, {220, 20}, panelBlue, clRed, ledOffGrey, false, 32);
    lamp(page, {260, 20}, panelBlue, clLime, ledOffGrey, true, 48);

    // The program's captions.
    const QFont channelFont = pixelFont("Liberation Sans", 21);
    const QFont small = pixelFont("Liberation Sans", 12);
    caption(page, "L", {20, 130}, captionColour, channelFont);
    caption(page, "R", {50, 130}, captionColour, channelFont);
    int x = 90;
    for (const char *text : {"Hz", "dB", "Vert. Gain", "Vert. Range", "Hor. Span"}) {
        TBevelText *label = caption(page, text, {x, 136}, clWhite, small);
        x += label->width() + 16;
    }
    x = 20;
    for (const char *text : {"0.17k", "0.7k", "1.4k", "2.8k", "5.6k"}) {
        caption(page, text, {x, 170}, clWhite, small);
        x += 46;
    }

    // Frames, depth and blink modes.
    const QFont bigger = pixelFont("Liberation Sans", 16, true);
    auto framed = [&](const char *text, int left, TBevelBorder border) {
        TBevelText *label = caption(page, text, {left, 220}, clWhite, bigger);
        label->SetAutoSize(false);
        label->setAlignment(Qt::AlignHCenter);
        label->resize(label->width() + 14, label->height() + 3);
        label->SetBorder(border);
    };
    framed("boSingle", 20, boSingle);
    framed("boRaised", 130, boRaised);
    framed("boLowered", 240, boLowered);
    TBevelText *deep = caption(page, "Deep 2", {370, 220}, clWhite, bigger);
    deep->SetDeep(2);
    TBevelText *blink = caption(page, "blBlink", {20, 270}, clYellow, bigger);
    blink->SetColor(panelBlue);
    blink->SetBlink(blBlink);
    TBevelText *hiLo = caption(page, "blHiLo", {130, 270}, clWhite, bigger);
    hiLo->SetHiColor(clWhite);
    hiLo->SetLoColor(clSkyBlue);
    hiLo->SetInterval(500);
    hiLo->SetBlink(blHiLo);
    TBevelText *opaque = caption(page, "opaque, system colours", {240, 270}, clWindowText, bigger);
    opaque->SetTransparent(false);
    opaque->SetShadowColor(clBtnHighlight);
    opaque->SetBorder(boRaised);
    TBevelText *disabled = caption(page, "disabled", {470, 270}, clWhite, bigger);
    disabled->setEnabled(false);
    return page;
}

GALLERY_PAGE("Level bars", 40)
{
    QWidget *page = panel(panelBlue, {700, 520});
    const QFont small = pixelFont("Liberation Sans", 12);
    const int positions[] = {0, 20, 55, 100};
    int y = 20;
    for (int position : positions) {
        auto *bar = new TAdvanceBar(page);
        bar->setGeometry(20, y, 80, 15);
        bar->SetBackColor(clSilver);
        bar->SetBarColor(clLime);
        bar->SetMax(100);
        bar->SetPosition(position);
        caption(page, QString("Position %1 of 100").arg(position), {110, y}, clWhite, small);
        y += 26;
    }
    auto *wide = new TAdvanceBar(page);
    wide->setGeometry(20, y, 300, 20);
    wide->SetBackColor(clBlack);
    wide->SetBarColor(0x00A5FF);
    wide->SetMax(7);
    wide->SetPosition(5);
    y += 32;
    auto *empty = new TAdvanceBar(page);
    empty->setGeometry(20, y, 120, 15);
    empty->SetBackColor(clSilver);
    empty->SetBarColor(clLime);
    empty->SetPosition(50);
    caption(page, "Max 0: empty frame", {150, y}, clWhite, small);
    for (int i = 0; i < 5; ++i) {
        auto *vertical = new TAdvanceBar(page);
        vertical->setGeometry(360 + i * 26, 20, 16, 150);
        vertical->SetOrientation(1);
        vertical->SetBackColor(clBlack);
        vertical->SetBarColor(i < 3 ? clLime : i == 3 ? clYellow : clRed);
        vertical->SetMax(100);
        vertical->SetPosition(15 + i * 20);
    }
    return page;
}
