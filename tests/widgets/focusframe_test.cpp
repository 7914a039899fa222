// The keyboard-focus frame: the band it covers, and on each kind of control that it shows only
// while the control has the focus of the active window, leaving the unfocused picture as it was.
#include "focusframe.h"
#include "nakedslider.h"
#include "pixel_probe.h"
#include "shapebutton.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr TColor kFace = 0x9D6F44;  // the panel, RGB 68, 111, 157

// Steps left/right/up/down from p to the nearest pixel outside the area, searched outwards.
int StepsToOutside(const QRegion &area, QPoint p, int limit)
{
    for (int d = 1; d <= limit; ++d)
        for (int dx = -d; dx <= d; ++dx) {
            const int dy = d - std::abs(dx);
            if (!area.contains(p + QPoint(dx, dy)) || !area.contains(p + QPoint(dx, -dy)))
                return d;
        }
    return limit + 1;
}

void ExpectBandIsWithinStepsOfOutside(const QRegion &area, int width)
{
    const QRegion band = InnerBand(area, width);
    const QRect box = area.boundingRect();
    int inBand = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) {
            const QPoint p(x, y);
            if (!area.contains(p)) {
                EXPECT_FALSE(band.contains(p)) << x << "," << y;
                continue;
            }
            const bool near = StepsToOutside(area, p, width) <= width;
            EXPECT_EQ(band.contains(p), near) << x << "," << y;
            inBand += near ? 1 : 0;
        }
    EXPECT_GT(inBand, 0);
}

TEST(FocusFrameBand, FollowsRectanglesAndCurvedOutlines)
{
    ExpectBandIsWithinStepsOfOutside(QRegion(0, 0, 19, 13), 2);
    ExpectBandIsWithinStepsOfOutside(QRegion(0, 0, 23, 17, QRegion::Ellipse), 2);
    ExpectBandIsWithinStepsOfOutside(QRegion(QPolygon({{0, 4}, {4, 0}, {40, 0}, {44, 4}, {44, 16}, {40, 20}, {4, 20},
                                                       {0, 16}})),
                                     1);
    // A rectangle's band is its edge rows and columns; an area thinner than two bands is all band.
    EXPECT_EQ(InnerBand(QRegion(0, 0, 10, 6), 2), QRegion(0, 0, 10, 6).subtracted(QRegion(2, 2, 6, 2)));
    EXPECT_EQ(InnerBand(QRegion(0, 0, 3, 30), 2), QRegion(0, 0, 3, 30));
    EXPECT_TRUE(InnerBand(QRegion(), 2).isEmpty());
}

// Every pixel of `frame` is the frame's colour in `focused`; every other pixel outside `unchecked`
// is as in `plain`.
void ExpectFrameOnlyOn(const QImage &plain, const QImage &focused, const QRegion &frame,
                       const QRegion &unchecked = {})
{
    ASSERT_EQ(plain.size(), focused.size());
    int framed = 0;
    int differing = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            if (frame.contains(QPoint(x, y))) {
                EXPECT_EQ(probe::colourAt(focused, x, y), kFocusFrameColour) << x << "," << y;
                ++framed;
            } else if (!unchecked.contains(QPoint(x, y)) && focused.pixel(x, y) != plain.pixel(x, y)) {
                ++differing;
            }
        }
    EXPECT_GT(framed, 0);
    EXPECT_EQ(differing, 0);
}

void ExpectSameImage(const QImage &a, const QImage &b)
{
    ASSERT_EQ(a.size(), b.size());
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differing += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    EXPECT_EQ(differing, 0);
}

// A window holding the control under test and a field to take the focus away; a second window
// to take the activation away.
class FocusFrameOnControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        FWindow.resize(300, 300);
        FElsewhere = new QLineEdit(&FWindow);
        FElsewhere->setGeometry(0, 270, 60, 20);
    }

    void Activate(QWidget &window)
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // The control's picture unfocused (before it ever had the focus), focused, after the focus
    // left for another control, and with the focus kept while another window is active.
    struct TPictures {
        QImage Plain, Focused, AfterFocusOut, WindowInactive;
    };

    TPictures Pictures(QWidget &control)
    {
        TPictures pictures;
        control.show();
        Activate(FWindow);
        FElsewhere->setFocus();
        pictures.Plain = probe::renderOver(control, kFace);
        control.setFocus(Qt::OtherFocusReason);
        EXPECT_TRUE(control.hasFocus());
        pictures.Focused = probe::renderOver(control, kFace);
        FElsewhere->setFocus();
        pictures.AfterFocusOut = probe::renderOver(control, kFace);
        control.setFocus(Qt::OtherFocusReason);
        FOtherWindow.resize(50, 50);
        Activate(FOtherWindow);
        pictures.WindowInactive = probe::renderOver(control, kFace);
        return pictures;
    }

    void ExpectFrameOnlyWhileFocused(const TPictures &pictures, const QRegion &frame)
    {
        ExpectFrameOnlyOn(pictures.Plain, pictures.Focused, frame);
        ExpectSameImage(pictures.Plain, pictures.AfterFocusOut);
        ExpectSameImage(pictures.Plain, pictures.WindowInactive);
    }

    QWidget FWindow;
    QWidget FOtherWindow;
    QLineEdit *FElsewhere = nullptr;
};

TEST_F(FocusFrameOnControl, SlidersFrameTheirRectangleUnderTheThumb)
{
    struct TCase {
        QRect Geometry;
        TOrientation Orientation;
        int Thickness;
        TThumbStyle Thumb;
    };
    // The tone sliders and the vertical gain slider as the panel has them.
    for (const TCase &c : {TCase{{10, 10, 193, 13}, orHorizontal, 2, tsStdVBar},
                           TCase{{220, 10, 11, 233}, orVertical, 5, tsStdHBar}}) {
        auto *slider = new TNakedSlider(&FWindow);
        slider->setGeometry(c.Geometry);
        slider->SetOrientation(c.Orientation);
        slider->SetMin(0);
        slider->SetMax(100);
        slider->SetThickness(c.Thickness);
        slider->SetThumbStyle(c.Thumb);
        slider->SetPosition(30);
        slider->setFocusPolicy(Qt::StrongFocus);
        const TPictures pictures = Pictures(*slider);
        ExpectSameImage(pictures.Plain, pictures.AfterFocusOut);
        ExpectSameImage(pictures.Plain, pictures.WindowInactive);
        // The frame runs round the control and passes behind the thumb: only where the thumb's
        // smoothed edge lets the frame through may a pixel of the thumb change.
        const QRegion band = InnerBand(QRegion(slider->rect()), kFocusFrameWidth);
        const QRect thumb = slider->ThumbRect();
        ExpectFrameOnlyOn(pictures.Plain, pictures.Focused, band.subtracted(thumb), thumb);
        for (int y = 0; y < slider->height(); ++y)
            for (int x = 0; x < slider->width(); ++x) {
                const QPoint p(x, y);
                if (!thumb.contains(p) || pictures.Focused.pixel(x, y) == pictures.Plain.pixel(x, y))
                    continue;
                EXPECT_TRUE(band.contains(p)) << x << "," << y;
            }
        delete slider;
    }
}

TEST_F(FocusFrameOnControl, ShapedButtonsFrameInsideTheBevelClearOfTheCaption)
{
    for (const auto &[caption, size] : {std::pair{QStringLiteral("Generator"), QSize(53, 25)},
                                        std::pair{QStringLiteral("R = L"), QSize(45, 21)}}) {
        auto *button = new TShapeButton(&FWindow);
        button->setGeometry(QRect(QPoint(10, 10), size));
        button->SetButtonSize(size.width(), size.height());
        ApplyPanelButtonStyle(*button, caption);
        button->SetShowFocusRGN(true);
        const TPictures pictures = Pictures(*button);
        ExpectSameImage(pictures.Plain, pictures.AfterFocusOut);
        ExpectSameImage(pictures.Plain, pictures.WindowInactive);

        // The frame lies in the ring just inside the two-pixel bevel, one face pixel in; it
        // changes nothing else, the caption's ink included.
        const QRect face = button->rect().adjusted(3, 3, -3, -3);
        const QRegion ring = QRegion(face).subtracted(QRegion(face.adjusted(2, 2, -2, -2)));
        int framed = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                if (pictures.Focused.pixel(x, y) == pictures.Plain.pixel(x, y))
                    continue;
                EXPECT_TRUE(ring.contains(QPoint(x, y))) << x << "," << y;
                EXPECT_EQ(probe::colourAt(pictures.Focused, x, y), kFocusFrameColour);
                ++framed;
            }
        // Whole straight runs along each side, short of the rounded corners.
        EXPECT_GT(framed, 2 * kFocusFrameWidth * (size.width() + size.height() - 2 * 16));
        for (int x = 8; x < size.width() - 8; ++x) {
            EXPECT_EQ(probe::colourAt(pictures.Focused, x, 3), kFocusFrameColour) << x;
            EXPECT_EQ(probe::colourAt(pictures.Focused, x, size.height() - 4), kFocusFrameColour) << x;
        }
        delete button;
    }
}

TEST_F(FocusFrameOnControl, NumberFieldsFrameTheirEdge)
{
    const auto field = [&] {
        auto *edit = new QLineEdit(&FWindow);
        edit->setGeometry(10, 10, 57, 19);
        edit->setText(QStringLiteral("1292"));
        edit->setStyleSheet(QStringLiteral("QLineEdit { background: #c0c9d5; color: black;"
                                           " border: 1px solid #1d3550; border-radius: 2px; padding: 0px 2px; }"));
        edit->setReadOnly(true);  // no blinking caret in the pictures
        return edit;
    };
    QLineEdit *bare = field();
    QLineEdit *framed = field();
    new TFocusFramer(framed);
    const TPictures pictures = Pictures(*framed);
    ExpectFrameOnlyWhileFocused(pictures, InnerBand(QRegion(framed->rect()), kFocusFrameWidth));
    // Unfocused, the framer changes nothing.
    ExpectSameImage(probe::renderOver(*bare, kFace), pictures.Plain);
}

TEST_F(FocusFrameOnControl, LampsFrameTheirWholeAreaAroundAnUnmovedIndicator)
{
    const QString indicator = QStringLiteral(
        "QRadioButton::indicator { width: 11px; height: 11px; border-radius: 6px; border: 1px solid #10243a;"
        " background: #7f98b3; }"
        "QRadioButton::indicator:checked { background: #e03020; }");
    const auto lamp = [&](QWidget *parent, QRect geometry, QMargins padding) {
        auto *radio = new QRadioButton(parent);
        radio->setGeometry(geometry);
        radio->setFocusPolicy(Qt::TabFocus);
        radio->setStyleSheet(QStringLiteral("QRadioButton { spacing: 0px; background: transparent;"
                                            " padding: %1px %2px %3px %4px; }")
                                 .arg(padding.top())
                                 .arg(padding.right())
                                 .arg(padding.bottom())
                                 .arg(padding.left()) +
                             indicator);
        return radio;
    };
    // Room for a caption below the lamp, as on the panel.
    const QMargins padding(9, 3, 8, 17);
    QWidget apart;  // a group of its own: checking one lamp must not clear the other
    QRadioButton *bare = lamp(&apart, {0, 0, 13, 13}, {});
    QRadioButton *framed = lamp(&FWindow, QRect(10, 10, 13, 13).marginsAdded(padding), padding);
    new TFocusFramer(framed);
    for (bool checked : {false, true}) {
        bare->setChecked(checked);
        framed->setChecked(checked);
        const TPictures pictures = Pictures(*framed);
        ExpectFrameOnlyWhileFocused(pictures, InnerBand(QRegion(framed->rect()), kFocusFrameWidth));
        // The lamp sits where the padding puts it, pixel for pixel as the 13 x 13 control drew it.
        const QImage alone = probe::renderOver(*bare, kFace);
        ExpectSameImage(pictures.Plain.copy(padding.left(), padding.top(), 13, 13), alone);
        ExpectSameImage(pictures.Focused.copy(padding.left(), padding.top(), 13, 13), alone);
    }
}

}  // namespace
