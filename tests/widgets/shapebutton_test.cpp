// Tests of the shaped button: colours, outlines, clicks inside the shape only, faces and captions.
#include "shapebutton.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <array>
#include <memory>

namespace {

constexpr QRgb kPanelFace = 0xFF446F9Du;  // RGB 68, 111, 157
constexpr QRgb kPanelLight = 0xFF648FBDu;
constexpr QRgb kPanelDark = 0xFF244F7Du;

std::unique_ptr<TShapeButton> panelButton(const QString &caption, QSize size = {53, 25})
{
    auto button = std::make_unique<TShapeButton>();
    button->resize(size);
    ApplyPanelButtonStyle(*button, caption);
    return button;
}

// Bounding box of the pixels of one colour (each channel within `tolerance`: text is smoothed).
QRect pixelsOf(const QImage &image, QRgb colour, int tolerance = 0)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(colour)) <= tolerance && std::abs(qGreen(p) - qGreen(colour)) <= tolerance &&
                std::abs(qBlue(p) - qBlue(colour)) <= tolerance && qAlpha(p) == 255)
                box = box.united(QRect(x, y, 1, 1));
        }
    return box;
}

constexpr int kInkTolerance = 40;

}  // namespace

TEST(ShapeButtonColours, LightDarkAndSumFollowTheThirtyTwoStep)
{
    const QColor steel = toQColor(kPanelButtonColor);
    EXPECT_EQ(fromQColor(GetLColor(steel)), 0xBD8F64u);
    EXPECT_EQ(fromQColor(GetDColor(steel)), 0x7D4F24u);
    EXPECT_EQ(GetLColor(QColor(224, 223, 0)), QColor(255, 255, 32));
    EXPECT_EQ(GetDColor(QColor(31, 32, 255)), QColor(0, 0, 223));
    EXPECT_EQ(GetSumColor(steel), 68 + 111 + 157);
}

TEST(ShapeButtonCaption, AcceleratorMarks)
{
    EXPECT_EQ(ParseCaption("R = L").plain, "R = L");
    EXPECT_EQ(ParseCaption("R = L").underlined, -1);
    EXPECT_EQ(ParseCaption("A && B").plain, "A & B");
    EXPECT_EQ(ParseCaption("A && B").underlined, -1);
    EXPECT_EQ(ParseCaption("&Lock").plain, "Lock");
    EXPECT_EQ(ParseCaption("&Lock").underlined, 0);
    EXPECT_EQ(ParseCaption("Spec.&An.").underlined, 5);
    EXPECT_EQ(ParseCaption("end&").plain, "end&");
}

namespace {

// A glyph strip of solid frames, each its own colour, drawn at the top-left glyph position.
constexpr int kGlyphSize = 10;
constexpr int kGlyphOrigin = 2;  // ButtonDepth: haLeft, vaTop
constexpr std::array<QRgb, 4> kFrameColours = {0xFFC00000u, 0xFF00C000u, 0xFFC000C0u, 0xFFC0C000u};

std::unique_ptr<TShapeButton> glyphButton(int frames)
{
    QImage strip(kGlyphSize * frames, kGlyphSize, QImage::Format_RGB32);
    for (int frame = 0; frame < frames; ++frame)
        for (int y = 0; y < kGlyphSize; ++y)
            for (int x = 0; x < kGlyphSize; ++x)
                strip.setPixel(frame * kGlyphSize + x, y, kFrameColours[static_cast<size_t>(frame)]);
    auto button = panelButton("", {53, 25});
    button->SetMainBitmap(strip, frames);
    return button;
}

// The glyph's colour in the middle of where it sits, and whether it sits one pixel right and down.
struct TGlyphSeen {
    QRgb colour;
    bool shifted;
};

TGlyphSeen glyphIn(const QImage &face)
{
    const QRgb colour = face.pixel(kGlyphOrigin + kGlyphSize / 2, kGlyphOrigin + kGlyphSize / 2) | 0xFF000000u;
    const QRgb firstColumn = face.pixel(kGlyphOrigin, kGlyphOrigin + kGlyphSize / 2) | 0xFF000000u;
    const QRgb pastLastColumn = face.pixel(kGlyphOrigin + kGlyphSize, kGlyphOrigin + kGlyphSize / 2) | 0xFF000000u;
    return {colour, firstColumn != colour && pastLastColumn == colour};
}

void makeHot(TShapeButton &button)
{
    QEnterEvent enter(QPointF(26, 12), QPointF(26, 12), QPointF(26, 12));
    QCoreApplication::sendEvent(&button, &enter);
    ASSERT_TRUE(button.Hot());
}

}  // namespace

// Normal, disabled, hot and pressed each show their own frame when the strip has one for them
// and frame 0 otherwise; a disabled button without its frame shows frame 0 dimmed; a pressed
// glyph moves one pixel right and down.
TEST(ShapeButtonGlyph, EachStateShowsItsFrameOrFrameZero)
{
    for (int frames = 1; frames <= 4; ++frames) {
        SCOPED_TRACE(testing::Message() << frames << " frames");
        const auto frameColour = [](int frame) { return kFrameColours[static_cast<size_t>(frame)]; };

        auto normal = glyphButton(frames);
        const TGlyphSeen shown = glyphIn(normal->Face());
        EXPECT_EQ(shown.colour, frameColour(0));
        EXPECT_FALSE(shown.shifted);

        auto disabled = glyphButton(frames);
        disabled->setEnabled(false);
        const QRgb disabledColour = glyphIn(disabled->Face()).colour;
        if (frames >= 2) {
            EXPECT_EQ(disabledColour, frameColour(1));
        } else {
            EXPECT_NE(disabledColour, frameColour(0)) << "not dimmed";
            EXPECT_NE(disabledColour, kPanelFace) << "not drawn";
        }

        auto hot = glyphButton(frames);
        makeHot(*hot);
        EXPECT_EQ(glyphIn(hot->Face()).colour, frameColour(frames >= 3 ? 2 : 0));

        auto pressed = glyphButton(frames);
        pressed->SetDown(true);
        const TGlyphSeen down = glyphIn(pressed->Face());
        EXPECT_EQ(down.colour, frameColour(frames == 4 ? 3 : 0));
        EXPECT_TRUE(down.shifted);
    }
}

TEST(ShapeButtonOutline, RoundRectangleHasTwentyPointsAndFourPixelCorners)
{
    TOutlineParams params;
    const TPolygonSet outline = ShapeOutline(bkRoundRect, 53, 25, params);
    ASSERT_EQ(outline.counts, (Tintegers{20}));
    EXPECT_EQ(outline.points.front(), QPoint(4, 0));
    EXPECT_EQ(outline.points[1], QPoint(49, 0));
    const QRegion region = ReCreateRgn(outline);
    EXPECT_EQ(region.boundingRect(), QRect(0, 0, 53, 25));
    for (const QPoint corner : {QPoint(0, 0), QPoint(52, 0), QPoint(0, 24), QPoint(52, 24)})
        EXPECT_FALSE(region.contains(corner)) << corner.x() << "," << corner.y();
    for (const QPoint edge : {QPoint(4, 0), QPoint(26, 24), QPoint(0, 12), QPoint(52, 12)})
        EXPECT_TRUE(region.contains(edge)) << edge.x() << "," << edge.y();
}

TEST(ShapeButtonOutline, EveryKindStaysInItsBoxAndEmptyBoxesGiveNothing)
{
    TOutlineParams params;
    params.user.add({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0);
    params.userBounds = QRect(0, 0, 10, 10);
    for (int kind = bkRect; kind <= bkOval; ++kind) {
        const auto k = static_cast<TShapeKind>(kind);
        const QRegion region = ReCreateRgn(ShapeOutline(k, 60, 40, params));
        EXPECT_FALSE(region.isEmpty()) << "kind " << kind;
        if (k != bkArc) {  // an arc decides its own height
            EXPECT_TRUE(QRect(0, 0, 60, 40).contains(region.boundingRect())) << "kind " << kind;
        }
        for (const QSize empty : {QSize(0, 0), QSize(0, 30), QSize(30, 0), QSize(-4, 10)})
            EXPECT_TRUE(ShapeOutline(k, empty.width(), empty.height(), params).empty()) << "kind " << kind;
    }
}

TEST(ShapeButtonOutline, DonutHasAHoleAndTinyBoxesDoNotFail)
{
    TOutlineParams params;
    const TPolygonSet donut = ShapeOutline(bkDonut, 60, 60, params);
    ASSERT_EQ(donut.levels, (Tintegers{0, 1}));
    EXPECT_FALSE(ReCreateRgn(donut).contains(QPoint(30, 30)));
    EXPECT_TRUE(ReCreateRgn(donut).contains(QPoint(5, 30)));
    for (int kind = bkRect; kind <= bkOval; ++kind) {
        auto button = std::make_unique<TShapeButton>();
        button->resize(1, 1);
        button->SetButtonKind(static_cast<TShapeKind>(kind));
        button->SetButtonDepth(10);
        button->resize(0, 0);
        EXPECT_NO_FATAL_FAILURE(button->Face());
    }
}

TEST(ShapeButtonProperties, OutOfRangeValuesAreIgnoredAndAnglesWrap)
{
    TShapeButton button;
    button.resize(60, 40);
    button.SetPeaksNumber(2);
    button.SetPeaksNumber(21);
    EXPECT_EQ(button.PeaksNumber(), 6);
    button.SetPeaksNumber(20);
    EXPECT_EQ(button.PeaksNumber(), 20);
    button.SetRadiusRatio(1.5);
    EXPECT_DOUBLE_EQ(button.RadiusRatio(), 0.5);
    button.SetArcAngle(0.001);
    button.SetArcAngle(7.0);
    EXPECT_DOUBLE_EQ(button.ArcAngle(), 2.0943951023932);
    button.SetRotatedAngle(1800);
    EXPECT_EQ(button.RotatedAngle(), 40);
    button.SetRotatedTime(-1);
    EXPECT_EQ(button.RotatedTime(), 40);
    button.SetRotatedTime(0);  // a zero step period must not spin the event loop
    EXPECT_EQ(button.RotatedTime(), 0);
    button.SetButtonAngle(2000);
    EXPECT_EQ(button.ButtonAngle(), -1600);
}

TEST(ShapeButtonProperties, TurningSizesTheControlToTheTurnedBox)
{
    QWidget host;
    TShapeButton &button = *new TShapeButton(&host);
    button.setGeometry(100, 100, 60, 20);
    button.SetRotationCenterFixed(true);
    button.SetCaptionFixed(true);
    button.SetButtonAngle(900);
    EXPECT_EQ(button.size(), QSize(20, 60));
    EXPECT_EQ(button.geometry().center(), QRect(100, 100, 60, 20).center());
    EXPECT_EQ(button.CaptionAngle(), 900);
    EXPECT_EQ(button.ButtonWidth(), 60);
    EXPECT_EQ(button.WindowRegion().boundingRect(), QRect(0, 0, 20, 60));
}

TEST(ShapeButtonProperties, SpinningStepsKeepTheCentreInPlace)
{
    QWidget host;
    TShapeButton &button = *new TShapeButton(&host);
    button.setGeometry(200, 200, 61, 40);
    button.SetButtonKind(bkArrow);
    button.SetRotationCenterFixed(true);
    const QPointF centre = QRectF(button.geometry()).center();
    for (int step = 0; step < 90; ++step) {  // a quarter turn back and forth, then a full turn
        button.SetButtonAngle(button.ButtonAngle() + 100);
        EXPECT_LE(std::abs(QRectF(button.geometry()).center().x() - centre.x()), 0.5) << step;
        EXPECT_LE(std::abs(QRectF(button.geometry()).center().y() - centre.y()), 0.5) << step;
    }
    EXPECT_EQ(button.ButtonWidth(), 61);
    EXPECT_EQ(button.ButtonHeight(), 40);
}

TEST(ShapeButtonMask, WindowRegionIsTheOutlineAndIsSetAsMask)
{
    auto button = panelButton("Generator");
    EXPECT_EQ(button->mask(), button->WindowRegion());
    EXPECT_FALSE(button->WindowRegion().contains(QPoint(0, 0)));
    EXPECT_TRUE(button->WindowRegion().contains(QPoint(26, 12)));
}

TEST(ShapeButtonClick, ReleaseInsideTheShapeClicksOnce)
{
    QWidget host;
    auto *button = new TShapeButton(&host);
    button->setGeometry(10, 10, 53, 25);
    ApplyPanelButtonStyle(*button, "Left");
    host.show();
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(26, 12));
    EXPECT_EQ(clicks.count(), 0);  // the click is on release
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(26, 12));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(ShapeButtonClick, CutAwayCornerAndReleaseOutsideDoNotClick)
{
    QWidget host;
    auto *button = new TShapeButton(&host);
    button->setGeometry(10, 10, 53, 25);
    ApplyPanelButtonStyle(*button, "Left");
    host.show();
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    // (0, 0) would mean "the centre" to QTest: the corner is probed beside it.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(1, 0));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(0, 1));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(52, 24));
    EXPECT_EQ(clicks.count(), 0);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(26, 12));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(0, 1));
    EXPECT_EQ(clicks.count(), 0);
}

TEST(ShapeButtonClick, SpaceKeyClicksAndDisabledButtonsDoNot)
{
    QWidget host;
    auto *button = new TShapeButton(&host);
    button->setGeometry(10, 10, 45, 21);
    ApplyPanelButtonStyle(*button, "R = L");
    host.show();
    button->setFocus();
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);

    button->setEnabled(false);
    QTest::keyClick(button, Qt::Key_Space);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(22, 10));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(ShapeButtonFace, BevelIsLightUpperLeftAndSwapsWhilePressed)
{
    auto button = panelButton("");  // no caption, no texture: the face is plain
    const QImage normal = button->Face();
    EXPECT_EQ(normal.pixel(26, 0), kPanelLight);
    EXPECT_EQ(normal.pixel(0, 12), kPanelLight);
    EXPECT_EQ(normal.pixel(26, 24), kPanelDark);
    EXPECT_EQ(normal.pixel(52, 12), kPanelDark);
    EXPECT_EQ(normal.pixel(26, 12), kPanelFace);
    EXPECT_EQ(qAlpha(normal.pixel(0, 0)), 0);  // cut away

    button->SetDown(true);
    const QImage pressed = button->Face();
    EXPECT_NE(pressed, normal);
    EXPECT_EQ(pressed.pixel(26, 0), kPanelDark);
    EXPECT_EQ(pressed.pixel(52, 12), kPanelLight);
    button->SetDown(false);
    EXPECT_EQ(button->Face(), normal);
}

TEST(ShapeButtonFace, CaptionIsCentredAndMovesOnePixelWhenPressed)
{
    auto button = panelButton("Lock", {45, 21});
    button->SetFontColor(clWhite);
    const QRect box = button->CaptionBox();
    EXPECT_LE(std::abs(box.center().x() - 22), 1);
    EXPECT_LE(std::abs(box.center().y() - 10), 1);
    const QRect ink = pixelsOf(button->Face(), 0xFFFFFFFFu, kInkTolerance);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LE(std::abs(ink.center().x() - 22), 2);
    EXPECT_LE(std::abs(ink.center().y() - 10), 2);
    button->SetDown(true);
    EXPECT_EQ(pixelsOf(button->Face(), 0xFFFFFFFFu, kInkTolerance), ink.translated(1, 1));
}

// What the screen shows: the painted widget, not a freshly rendered face.
TEST(ShapeButtonFace, NewCaptionIsDrawnWithoutAnyOtherChange)
{
    auto button = panelButton("Lock", {45, 21});
    button->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(button.get()));
    const QImage lock = button->grab().toImage();
    button->setText("Unlock");
    const QImage renamed = button->grab().toImage();
    EXPECT_NE(renamed, lock);
    EXPECT_EQ(renamed, panelButton("Unlock", {45, 21})->grab().toImage());
}

TEST(ShapeButtonFace, DisabledEmbossedCaptionShowsOnlyItsRelief)
{
    auto button = panelButton("Generator");
    button->SetFontColor(clWhite);
    button->setEnabled(false);
    const QImage face = button->Face();
    EXPECT_TRUE(pixelsOf(face, 0xFFFFFFFFu, kInkTolerance).isEmpty());
    // The disabled face is the lightened colour.
    EXPECT_EQ(face.pixel(26, 3) & 0xFFFFFFu, 0x648FBDu);
}

TEST(ShapeButtonFace, PanelTextureIsDrawnFromTheBevelCorner)
{
    const QImage texture = PanelButtonTexture();
    ASSERT_EQ(texture.size(), QSize(53, 33));
    auto button = panelButton("", {53, 25});
    button->SetMainBitmap(texture, 1);
    const QImage face = button->Face();
    EXPECT_EQ(face.pixel(20, 10), texture.convertToFormat(QImage::Format_RGB32).pixel(18, 8));
}

TEST(ShapeButtonHot, EnterAndLeaveToggleHotAndFireTheirSignals)
{
    QWidget host;
    auto *button = new TShapeButton(&host);
    button->setGeometry(0, 0, 60, 30);
    host.show();
    QSignalSpy entered(button, &TShapeButton::mouseEntered);
    QSignalSpy exited(button, &TShapeButton::mouseExited);
    QEnterEvent enter(QPointF(30, 15), QPointF(30, 15), QPointF(30, 15));
    QCoreApplication::sendEvent(button, &enter);
    EXPECT_TRUE(button->Hot());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    EXPECT_FALSE(button->Hot());
    EXPECT_EQ(entered.count(), 1);
    EXPECT_EQ(exited.count(), 1);
}

TEST(ShapeButtonHot, FlattenBevelShowsOnlyWhileHot)
{
    TShapeButton button;
    button.resize(60, 30);
    button.SetButtonColor(kPanelButtonColor);
    button.SetButton3DKind(dkFlatten);
    EXPECT_EQ(button.Face().pixel(30, 0), kPanelFace);
    QEnterEvent enter(QPointF(30, 15), QPointF(30, 15), QPointF(30, 15));
    QCoreApplication::sendEvent(&button, &enter);
    EXPECT_NE(button.Face().pixel(30, 0), kPanelFace);
}

TEST(ShapeButtonUser, StringRegionAndRegionsOfTheirOwn)
{
    TShapeButton button;
    button.resize(40, 40);
    button.SetButtonKind(bkUser);
    button.SetUserRGNAUTO(false);
    const QRegion user = QRegion(0, 0, 40, 10).united(QRegion(0, 10, 10, 30));
    button.SetButtonRegion(user);
    EXPECT_EQ(button.WindowRegion(), user);
    button.SetUserRGNAUTO(true);  // traced into polygons and scaled to the box: the same here
    EXPECT_EQ(button.WindowRegion(), user);
    button.SetStringButtonRegion(QString());
    EXPECT_EQ(button.WindowRegion(), QRegion(0, 0, 40, 40));
}

namespace {

// Whether any pixel within one pixel of `point` (parent coordinates) belongs to the button's shape.
bool shapeTouches(const TShapeButton &button, QPoint point)
{
    const QRegion onParent = button.WindowRegion().translated(button.pos());
    return !onParent.intersected(QRect(point - QPoint(1, 1), QSize(3, 3))).isEmpty();
}

}  // namespace

TEST(ShapeButtonTurn, TurnsAboutTheRotationPointWhichKeepsItsPlace)
{
    QWidget host;
    TShapeButton &button = *new TShapeButton(&host);
    button.setGeometry(100, 100, 60, 20);
    EXPECT_FALSE(button.RotationCenterFixed());
    // The default point is the shape's top-left corner: a quarter turn counter-clockwise stands the
    // bar up on that corner.
    button.SetButtonAngle(900);
    EXPECT_EQ(button.geometry(), QRect(100, 40, 20, 60));
    EXPECT_TRUE(shapeTouches(button, {100, 100}));

    // About the bottom-right corner, a half turn lays the bar out beyond that corner.
    TShapeButton &corner = *new TShapeButton(&host);
    corner.setGeometry(100, 100, 60, 20);
    corner.SetRotationPoint(60, 20);
    corner.SetButtonAngle(1800);
    EXPECT_EQ(corner.geometry(), QRect(160, 120, 60, 20));
    EXPECT_EQ(corner.RotationPointX(), 60);
    EXPECT_EQ(corner.RotationPointY(), 20);
}

TEST(ShapeButtonTurn, SpinningAboutAPointNeverWalksAway)
{
    QWidget host;
    TShapeButton &button = *new TShapeButton(&host);
    button.setGeometry(200, 200, 61, 41);
    button.SetRotationPoint(10, 30);
    const QPoint pivot(210, 230);
    const QRect start = button.geometry();
    for (int step = 1; step <= 36; ++step) {  // a full turn in steps of ten degrees
        button.SetButtonAngle(button.ButtonAngle() + 100);
        EXPECT_TRUE(shapeTouches(button, pivot)) << "step " << step;
    }
    EXPECT_EQ(button.ButtonAngle(), 0);
    EXPECT_EQ(button.geometry(), start);

    // A new point applies to the next turn and does not move the button by itself.
    button.SetButtonAngle(450);
    const QRect turned = button.geometry();
    button.SetRotationCenterFixed(true);
    EXPECT_EQ(button.geometry(), turned);
    const QPointF centre = QRectF(turned).center();
    button.SetButtonAngle(-450);
    EXPECT_LE(std::abs(QRectF(button.geometry()).center().x() - centre.x()), 0.5);
    EXPECT_LE(std::abs(QRectF(button.geometry()).center().y() - centre.y()), 0.5);
}

TEST(ShapeButtonTurn, FixedCaptionIsLaidOutInTheShapeAndTurnsWithIt)
{
    QWidget host;
    auto captioned = [&host](bool fixed) {
        auto *button = new TShapeButton(&host);
        button->setGeometry(100, 100, 90, 24);
        button->SetRotationCenterFixed(true);
        button->SetButtonColor(0x404040);
        button->SetFontColor(clWhite);
        button->setText("Turn");
        button->SetCaptionAlign(haLeft, vaCenter);
        button->SetCaptionFixed(fixed);
        button->SetButtonAngle(900);
        return button;
    };
    TShapeButton *fixed = captioned(true);
    EXPECT_EQ(fixed->CaptionAngle(), 900);
    const QRect ink = pixelsOf(fixed->Face(), 0xFFFFFFFFu, kInkTolerance);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GT(ink.height(), ink.width());  // reads upward, along the turned bar
    // The shape's left end is now at the bottom, and so is a left-aligned caption.
    EXPECT_GT(ink.center().y(), fixed->height() / 2 + 10);
    EXPECT_TRUE(QRegion(fixed->CaptionInk()).subtracted(fixed->WindowRegion()).isEmpty());
    EXPECT_TRUE(fixed->CaptionInk().boundingRect().adjusted(-2, -2, 2, 2).contains(ink));

    // A free caption keeps its own angle to the screen.
    TShapeButton *free = captioned(false);
    EXPECT_EQ(free->CaptionAngle(), 0);
    const QRect level = pixelsOf(free->Face(), 0xFFFFFFFFu, kInkTolerance);
    ASSERT_FALSE(level.isEmpty());
    EXPECT_GT(level.width(), level.height());

    // Turning further keeps the fixed caption with the shape: a half turn reads downward.
    fixed->SetButtonAngle(-900);
    EXPECT_EQ(fixed->CaptionAngle(), -900);
    const QRect down = pixelsOf(fixed->Face(), 0xFFFFFFFFu, kInkTolerance);
    EXPECT_LT(down.center().y(), fixed->height() / 2 - 10);
}
