// Glyph art on a key colour: smoothed edges composite without a fringe of the key.
#include "colourkey.h"
#include "shapebutton.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

const QColor kMagenta(255, 0, 255);

// A lamp as artwork is usually made: a smoothed disc with a dark rim, on the key colour.
QImage lampArt(int frames = 1)
{
    constexpr int frame = 16;
    QImage art(frames * frame, frame, QImage::Format_RGB32);
    art.fill(kMagenta);
    QPainter painter(&art);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(20, 30, 40));
    painter.setBrush(QColor(40, 160, 60));
    for (int i = 0; i < frames; ++i)
        painter.drawEllipse(QRectF(i * frame + 2.5, 2.5, 11, 11));
    return art;
}

// Pixels whose red and blue both stand well above green: what a magenta fringe looks like over the
// blue and grey faces used here.
int nearMagenta(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.alpha() > 0 && c.red() > c.green() + 40 && c.blue() > c.green() + 40;
        }
    return count;
}

TEST(ColourKey, SmoothedEdgesLoseTheKeyColour)
{
    const QImage art = lampArt();
    ASSERT_GT(nearMagenta(art), 10);  // the art does have a fringe to take out
    QImage composed(art.size(), QImage::Format_RGB32);
    for (const QColor face : {QColor(68, 111, 157), QColor(200, 200, 200), QColor(0, 0, 0)}) {
        composed.fill(face);
        QPainter(&composed).drawImage(0, 0, ColourKeyToAlpha(art, kMagenta.rgb()));
        EXPECT_EQ(nearMagenta(composed), 0) << face.name().toStdString();
    }
}

TEST(ColourKey, KeyBecomesTransparentAndTheArtStaysAsItWas)
{
    QImage art = lampArt();
    art.setPixelColor(8, 8, QColor(200, 40, 210));  // a purple inside the disc is art, not key
    art.setPixelColor(15, 15, QColor(250, 10, 245)); // within the tolerance: key
    const QImage keyed = ColourKeyToAlpha(art, kMagenta.rgb());
    EXPECT_EQ(qAlpha(keyed.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(keyed.pixel(15, 15)), 0);
    EXPECT_EQ(keyed.pixel(8, 8), QColor(200, 40, 210).rgb());
    EXPECT_EQ(keyed.pixel(7, 7), art.pixel(7, 7));  // inner pixels opaque and unchanged
    EXPECT_EQ(ColourKeyToAlpha(QImage(), 0).isNull(), true);
}

TEST(ColourKey, TransparentGlyphOnAButtonFaceHasNoFringe)
{
    TShapeButton button;
    button.resize(90, 30);
    button.SetButtonKind(bkRoundRect);
    button.SetButtonColor(0xB08050);
    button.setText(QString());
    button.SetMainBitmap(lampArt(4), 4);
    button.SetBitmapAlign(haLeft, vaCenter);
    button.SetTransparent(true);
    EXPECT_EQ(nearMagenta(button.Face()), 0);
    button.setEnabled(false);  // the disabled frame
    EXPECT_EQ(nearMagenta(button.Face()), 0);
    // Without the key mode the art is copied whole, key colour and all.
    button.setEnabled(true);
    button.SetTransparent(false);
    EXPECT_GT(nearMagenta(button.Face()), 100);
}

}  // namespace
