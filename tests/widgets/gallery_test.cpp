// The widget gallery as a person first sees it: the whole page in view, captions whole, no fringes.
#include "gallerypage.h"
#include "gallerywindow.h"
#include "shapebutton.h"

#include <QApplication>
#include <QTabWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

std::unique_ptr<QTabWidget> shownGallery()
{
    std::unique_ptr<QTabWidget> window(gallery::buildWindow());
    window->show();
    QApplication::processEvents();
    return window;
}

TEST(Gallery, OpensAtASizeThatShowsEveryPageWhole)
{
    const auto window = shownGallery();
    ASSERT_EQ(window->count(), static_cast<int>(gallery::pages().size()));
    for (int i = 0; i < window->count(); ++i) {
        window->setCurrentIndex(i);
        QApplication::processEvents();
        const QWidget *page = window->widget(i);
        EXPECT_GE(page->width(), page->minimumWidth()) << window->tabText(i).toStdString();
        EXPECT_GE(page->height(), page->minimumHeight()) << window->tabText(i).toStdString();
    }
}

TEST(Gallery, ShapeButtonCaptionsLieWholeOnTheirFaces)
{
    const auto window = shownGallery();
    int captions = 0;
    for (const TShapeButton *button : window->findChildren<TShapeButton *>()) {
        const QPolygon ink = button->CaptionInk();
        // The front panel's buttons are judged with the main window, where their widths are set.
        if (ink.isEmpty() || button->ButtonColor() == kPanelButtonColor)
            continue;
        ++captions;
        // The relief passes lie one pixel to either side of the ink.
        const QRegion drawn = QRegion(ink).united(QRegion(ink.translated(-1, -1))).united(QRegion(ink.translated(1, 1)));
        EXPECT_TRUE(drawn.subtracted(button->WindowRegion()).isEmpty())
            << "\"" << button->text().toStdString() << "\" is cut by its outline";
    }
    EXPECT_GE(captions, 25);
}

TEST(Gallery, GlyphsShowNoKeyColourFringe)
{
    const auto window = shownGallery();
    int glyphButtons = 0;
    for (TShapeButton *button : window->findChildren<TShapeButton *>()) {
        const QImage face = button->Face();
        int fringe = 0;
        for (int y = 0; y < face.height(); ++y)
            for (int x = 0; x < face.width(); ++x) {
                const QColor c = face.pixelColor(x, y);
                fringe += c.alpha() > 0 && c.red() > c.green() + 40 && c.blue() > c.green() + 40;
            }
        EXPECT_EQ(fringe, 0) << "\"" << button->text().toStdString() << "\"";
        glyphButtons += button->text() == "Glyph";
    }
    EXPECT_EQ(glyphButtons, 1);
}

}  // namespace
