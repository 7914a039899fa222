// TBevelText: shadow offset, depth limits, frames, hidden text, and the two blink modes.
#include "beveltext.h"
#include "pixel_probe.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr TColor skin = 10317636;
constexpr int shortPeriod = 25;
constexpr int patience = 5000;

QFont crispFont()
{
    QFont font("DejaVu Sans");
    font.setPixelSize(20);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);  // text pixels are exactly the pen colour
    return font;
}

// A caption as the program configures them: transparent, black shadow, no border, no blink.
void configure(TBevelText &label, const QString &caption, TColor fontColor)
{
    label.setFont(crispFont());
    label.SetTransparent(true);
    label.SetShadowColor(clBlack);
    label.SetFontColor(fontColor);
    label.SetCaption(caption);
}

QRect boundsOf(const QImage &image, TColor colour)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (probe::colourAt(image, x, y) == colour)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

TEST(LabelShadow, ShadowIsTheTextMovedByDeep)
{
    for (int deep : {1, 2}) {
        SCOPED_TRACE(deep);
        TBevelText label;
        configure(label, "Vert. Gain", clWhite);
        label.SetDeep(deep);
        const QImage image = probe::renderOver(label, skin);
        const QRect text = boundsOf(image, clWhite);
        const QRect shadow = boundsOf(image, clBlack);
        ASSERT_FALSE(text.isEmpty());
        // The shadow shows beyond the text only right and down, by exactly Deep pixels.
        EXPECT_EQ(shadow.right(), text.right() + deep);
        EXPECT_EQ(shadow.bottom(), text.bottom() + deep);
        EXPECT_GE(shadow.left(), text.left());
        EXPECT_GE(shadow.top(), text.top());
        EXPECT_LT(shadow.right(), label.width());  // the label grew to make room for it
        EXPECT_LT(shadow.bottom(), label.height());
    }
}

TEST(LabelShadow, DeepAcceptsOnlyOneOrTwo)
{
    TBevelText label;
    configure(label, "Hz", clWhite);
    const QSize deep1 = label.size();
    label.SetDeep(3);
    label.SetDeep(0);
    EXPECT_EQ(label.Deep(), 1);
    label.SetDeep(2);
    EXPECT_EQ(label.size(), deep1 + QSize(1, 1));
}

TEST(LabelShadow, NoCtl3DMeansNoShadow)
{
    TBevelText label;
    configure(label, "dB", clWhite);
    label.SetCtl3D(false);
    EXPECT_TRUE(boundsOf(probe::renderOver(label, skin), clBlack).isEmpty());
}

TEST(LabelPaint, FontColourEqualToTheBackgroundDrawsOnlyBackgroundAndFrame)
{
    TBevelText label;
    configure(label, "Left", clWhite);
    label.SetTransparent(false);
    label.SetColor(clWhite);
    label.SetBorder(boSingle);
    const QImage image = probe::renderOver(label, skin);
    const TColor frame = fromQColor(toQColor(clWindowFrame));
    int frameOrBackground = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            frameOrBackground += probe::colourAt(image, x, y) == frame || probe::colourAt(image, x, y) == clWhite;
    EXPECT_EQ(frameOrBackground, image.width() * image.height());
    EXPECT_EQ(probe::colourAt(image, 0, 0), frame);
    EXPECT_EQ(probe::colourAt(image, image.width() - 2, image.height() - 2), frame);
    EXPECT_EQ(probe::colourAt(image, image.width() - 1, image.height() - 1), clWhite);
}

TEST(LabelPaint, RaisedAndLoweredFramesSwapTheirEdges)
{
    TBevelText label;
    configure(label, "Hz", clWhite);
    label.SetAutoSize(false);
    label.resize(label.width() + 20, label.height() + 20);  // frame well clear of the text
    const int w = label.width();
    const int h = label.height();
    const TColor light = fromQColor(toQColor(clBtnHighlight));
    const TColor dark = fromQColor(toQColor(clBtnShadow));
    label.SetBorder(boRaised);
    const QImage raised = probe::renderOver(label, skin);
    EXPECT_EQ(probe::colourAt(raised, 0, h - 3), light);
    EXPECT_EQ(probe::colourAt(raised, w - 3, 0), light);
    EXPECT_EQ(probe::colourAt(raised, w - 2, 0), dark);     // the right edge owns the top corner
    EXPECT_EQ(probe::colourAt(raised, 0, h - 2), dark);     // and the bottom edge the left one
    EXPECT_EQ(probe::colourAt(raised, w - 1, h / 2), skin);  // the last column and row stay free
    EXPECT_EQ(probe::colourAt(raised, w / 2, h - 1), skin);
    label.SetBorder(boLowered);
    const QImage lowered = probe::renderOver(label, skin);
    EXPECT_EQ(probe::colourAt(lowered, w / 2, 0), dark);
    EXPECT_EQ(probe::colourAt(lowered, w / 2, h - 2), light);
}

TEST(LabelBlink, BlinkMakesTheTextVanishAndReturn)
{
    TBevelText label;
    configure(label, "Microseconds", clYellow);
    label.SetColor(skin);
    label.SetInterval(shortPeriod);
    label.SetBlink(blBlink);
    ASSERT_TRUE(QTest::qWaitFor([&] { return label.FontColor() == skin; }, patience));
    EXPECT_TRUE(boundsOf(probe::renderOver(label, skin), clYellow).isEmpty());
    EXPECT_TRUE(boundsOf(probe::renderOver(label, skin), clBlack).isEmpty());  // no shadow either
    ASSERT_TRUE(QTest::qWaitFor([&] { return label.FontColor() == clYellow; }, patience));
    ASSERT_TRUE(QTest::qWaitFor([&] { return label.FontColor() == skin; }, patience));
    label.SetBlink(blNone);  // in the vanished phase
    EXPECT_EQ(label.FontColor(), clYellow);
    EXPECT_FALSE(boundsOf(probe::renderOver(label, skin), clYellow).isEmpty());
}

TEST(LabelBlink, HiLoAlternatesAndEndsOnTheHostsColour)
{
    TBevelText label;
    configure(label, "L", clWhite);
    label.SetFontColor(13015936);  // a later choice of the host is the one to come back to
    label.SetInterval(shortPeriod);
    label.SetBlink(blHiLo);
    ASSERT_TRUE(QTest::qWaitFor([&] { return label.FontColor() == TBevelText::defaultHiColor; }, patience));
    ASSERT_TRUE(QTest::qWaitFor([&] { return label.FontColor() == TBevelText::defaultLoColor; }, patience));
    label.SetBlink(blNone);
    EXPECT_EQ(label.FontColor(), 13015936u);
}

TEST(LabelText, AmpersandIsLiteralWithoutAccelCharsAndDisabledTextIsGrey)
{
    TBevelText label;
    configure(label, "R & L", clWhite);
    const int withMnemonic = label.width();
    label.SetShowAccelChar(false);
    EXPECT_GT(label.width(), withMnemonic);  // "&" is now drawn as a character
    label.setEnabled(false);
    const QImage image = probe::renderOver(label, skin);
    EXPECT_TRUE(boundsOf(image, clWhite).isEmpty());
    EXPECT_FALSE(boundsOf(image, fromQColor(toQColor(clGrayText))).isEmpty());
}

}  // namespace

namespace {

TEST(ColorRef, LowByteIsRedAndTheTopBitNamesASystemColour)
{
    EXPECT_EQ(toQColor(10317636), QColor(68, 111, 157));  // the main window's blue
    EXPECT_EQ(toQColor(clSkyBlue), QColor(166, 202, 240));
    EXPECT_EQ(fromQColor(QColor(192, 201, 213)), 14010816u);
    EXPECT_EQ(rgbToColor(68, 111, 157), 10317636u);
    EXPECT_TRUE(isSystemColor(clBtnHighlight));
    EXPECT_FALSE(isSystemColor(clWhite));
    EXPECT_EQ(toQColor(clBtnFace), QGuiApplication::palette().color(QPalette::Button));
    EXPECT_EQ(toQColor(systemColorFlag | 0xEEu), QGuiApplication::palette().color(QPalette::Window));
}

}  // namespace
