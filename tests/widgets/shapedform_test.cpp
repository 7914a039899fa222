// Tests of the shaped window: the skin region, size modes, placement errors, dragging, and on a
// real X display the cut-out outline, where clicks land and the drag.
#include "bmshapedform.h"
#include "references.h"
#include "shapebutton.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

constexpr QRgb kKey = 0xFFFF00FFu;  // magenta: the transparent colour of the test skins
constexpr QRgb kPlate = 0xFFC94D21u;  // a colour nothing else on a shared display is likely to show

// Every pixel of the picture that does not have the key colour of its bottom-left pixel.
QRegion referenceRegion(const QImage &picture)
{
    const QRgb key = picture.pixel(0, picture.height() - 1) & 0xFFFFFFu;
    QRegion region;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) & 0xFFFFFFu) != key)
                region += QRect(x, y, 1, 1);
    return region;
}

void expectExactly(const QRegion &region, const QImage &picture)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            ASSERT_EQ(region.contains(QPoint(x, y)), (picture.pixel(x, y) & 0xFFFFFFu) != (kKey & 0xFFFFFFu))
                << "pixel " << x << "," << y;
    EXPECT_EQ(region, referenceRegion(picture));
}

// A plate with rounded corners, a round hole and a slot, on the key colour.
QImage holedSkin(QSize size = {200, 150})
{
    QImage skin(size, QImage::Format_RGB32);
    skin.fill(kKey);
    QPainter painter(&skin);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(kPlate));
    painter.drawRoundedRect(QRect(QPoint(0, 0), size), 30, 30);
    painter.setBrush(QColor(kKey));
    painter.drawEllipse(QPoint(size.width() * 3 / 4, size.height() / 2), 20, 20);
    painter.drawRect(20, size.height() - 30, 60, 8);
    return skin;
}

void sendMouse(QWidget *target, QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button, buttons, modifiers);
    QCoreApplication::sendEvent(target, &event);
}

}  // namespace

TEST(SkinRegion, HolesTransparentRowsAndSinglePixelRunsAtTheEdges)
{
    QImage picture(9, 6, QImage::Format_RGB32);
    picture.fill(kKey);
    const QRgb ink = qRgb(10, 20, 30);
    for (int x = 0; x < 9; ++x)
        picture.setPixel(x, 0, ink);      // a full opaque row
    // Row 1 stays transparent throughout.
    picture.setPixel(0, 2, ink);          // single pixels at both edges
    picture.setPixel(8, 2, ink);
    for (int x = 1; x < 8; ++x)
        picture.setPixel(x, 3, ink);
    picture.setPixel(4, 3, kKey);         // a hole in the middle of a run
    picture.setPixel(8, 4, ink);          // a run that reaches the last column
    picture.setPixel(7, 4, ink);
    picture.setPixel(3, 5, ink);          // the key colour also fills the bottom-left pixel
    const QRegion region = BuildSkinRegion(picture);
    expectExactly(region, picture);
    EXPECT_EQ(region.intersected(QRect(0, 0, 9, 1)), QRegion(0, 0, 9, 1));
    EXPECT_TRUE(region.intersected(QRect(0, 1, 9, 1)).isEmpty());
}

TEST(SkinRegion, KeyColourInsideTheSkinCutsHolesAndOnlyColourBitsCount)
{
    const QImage skin = holedSkin();
    const QRegion region = BuildSkinRegion(skin);
    expectExactly(region, skin);
    EXPECT_FALSE(region.contains(QPoint(150, 75)));  // the round hole
    EXPECT_FALSE(region.contains(QPoint(0, 0)));     // a cut corner
    EXPECT_TRUE(region.contains(QPoint(100, 20)));

    QImage withAlpha(4, 2, QImage::Format_ARGB32);
    withAlpha.fill(qRgba(1, 2, 3, 255));
    withAlpha.setPixel(2, 0, qRgba(1, 2, 3, 10));  // the same colour bits: transparent as well
    withAlpha.setPixel(3, 0, qRgba(9, 9, 9, 255));
    EXPECT_EQ(BuildSkinRegion(withAlpha), QRegion(3, 0, 1, 1));
}

TEST(SkinRegion, EmptyPicturesGiveNoRegion)
{
    EXPECT_TRUE(BuildSkinRegion(QImage()).isEmpty());
    EXPECT_TRUE(BuildSkinRegion(QImage(0, 5, QImage::Format_RGB32)).isEmpty());
    QImage single(1, 1, QImage::Format_RGB32);
    single.fill(Qt::black);
    EXPECT_TRUE(BuildSkinRegion(single).isEmpty());
}

TEST(SizeModes, AutoSizeAndStretchExcludeEachOther)
{
    auto settle = [](bool autoSize, bool stretch, bool lastAutoSize, bool lastStretch) {
        const TSizeModes m = ReconcileSizeModes({autoSize, stretch}, {lastAutoSize, lastStretch});
        return std::pair(m.autoSize, m.stretch);
    };
    EXPECT_EQ(settle(true, false, true, false), std::pair(true, false));
    EXPECT_EQ(settle(false, true, false, true), std::pair(false, true));
    EXPECT_EQ(settle(false, false, true, false), std::pair(false, true));  // AutoSize switched off
    EXPECT_EQ(settle(true, true, false, true), std::pair(true, false));    // AutoSize switched on
    EXPECT_EQ(settle(true, true, true, false), std::pair(false, true));    // Stretch switched on
    EXPECT_EQ(settle(false, false, false, true), std::pair(true, false));  // Stretch switched off
    EXPECT_EQ(settle(false, false, false, false), std::pair(true, false));
}

TEST(ShapedForm, PlacementErrorsUseTheirMessages)
{
    QWidget form;
    new TBMShapedForm(&form);
    try {
        new TBMShapedForm(&form);
        FAIL() << "a second shaped face was accepted";
    } catch (const std::logic_error &e) {
        EXPECT_STREQ(e.what(), "Please Drop only one TBMShapedForm per Form");
    }
    auto *inner = new QWidget(&form);
    try {
        new TBMShapedForm(inner);
        FAIL() << "a face on a child control was accepted";
    } catch (const std::logic_error &e) {
        EXPECT_STREQ(e.what(), "Please Drop on a Form");
    }
    EXPECT_NO_THROW(TBMShapedForm(nullptr));
}

TEST(SkinRegion, TheShownPictureIsTransparentExactlyOutsideTheOutlineAndOpaqueWithinIt)
{
    QImage skin = holedSkin();
    skin.setPixel(100, 5, kKey | 0x01000000u);  // only the colour bits decide, as for the outline
    const QImage shown = TranslucentSkin(skin);
    ASSERT_EQ(shown.size(), skin.size());
    const QRegion outline = BuildSkinRegion(skin);
    for (int y = 0; y < skin.height(); ++y)
        for (int x = 0; x < skin.width(); ++x) {
            const QRgb pixel = shown.pixel(x, y);
            if (outline.contains(QPoint(x, y)))
                ASSERT_EQ(pixel, skin.pixel(x, y) | 0xFF000000u) << x << "," << y;
            else
                ASSERT_EQ(qAlpha(pixel), 0) << x << "," << y;
        }
    EXPECT_TRUE(TranslucentSkin(QImage()).isNull());
}

TEST(ShapedForm, PaintsTheCutAwayPartsTransparentOnATranslucentForm)
{
    QWidget form;
    auto *face = new TBMShapedForm(&form);
    face->SetAutoSize(true);
    face->SetPicture(holedSkin());
    EXPECT_TRUE(form.testAttribute(Qt::WA_TranslucentBackground));
    QImage painted(form.size(), QImage::Format_ARGB32_Premultiplied);
    painted.fill(Qt::transparent);
    face->render(&painted, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(qAlpha(painted.pixel(1, 1)), 0) << "rounded corner";
    EXPECT_EQ(qAlpha(painted.pixel(150, 75)), 0) << "hole";
    EXPECT_EQ(painted.pixel(100, 20), kPlate);
}

TEST(ShapedForm, AutoSizeGivesTheFormThePictureSizeAndOutline)
{
    QWidget form;
    auto *face = new TBMShapedForm(&form);
    face->SetAutoSize(true);
    QImage skin = holedSkin(QSize(671, 474));
    face->SetPicture(skin);
    EXPECT_EQ(form.size(), QSize(671, 474));
    EXPECT_EQ(face->geometry(), QRect(0, 0, 671, 474));
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(face->Region(), BuildSkinRegion(skin));
    EXPECT_EQ(form.mask(), face->Region());  // the offscreen platform keeps the mask it cannot show

    QWidget plain;
    auto *empty = new TBMShapedForm(&plain);
    empty->SetPicture(QImage());
    EXPECT_TRUE(plain.mask().isEmpty());  // an empty picture leaves the window rectangular
}

TEST(ShapedForm, StretchedPictureOutlinesTheControlsSize)
{
    QWidget form;
    form.resize(100, 80);
    auto *face = new TBMShapedForm(&form);
    face->SetStretch(true);
    const QImage skin = holedSkin(QSize(50, 40));
    face->SetPicture(skin);
    EXPECT_EQ(face->Region(), BuildSkinRegion(skin.scaled(100, 80, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    form.show();  // a shown form reports its new size at once
    form.resize(150, 120);
    EXPECT_EQ(face->size(), QSize(150, 120));
    EXPECT_EQ(face->Region(), BuildSkinRegion(skin.scaled(150, 120, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    EXPECT_EQ(form.mask(), face->Region());
}

TEST(ShapedForm, LeftDragMovesTheFormAndModifiersOrOtherButtonsDoNot)
{
    QWidget form;
    auto *face = new TBMShapedForm(&form);
    face->SetAutoSize(true);
    face->SetPicture(holedSkin());
    form.move(100, 100);
    form.show();
    const QPoint start = form.pos();
    const QPoint grab = form.mapToGlobal(QPoint(50, 40));

    sendMouse(face, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    sendMouse(face, QEvent::MouseMove, grab + QPoint(30, 12), Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(form.pos(), start);
    sendMouse(face, QEvent::MouseMove, grab + QPoint(30, 12), Qt::NoButton, Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(form.pos(), start);
    sendMouse(face, QEvent::MouseMove, grab + QPoint(30, 12), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(form.pos(), start + QPoint(30, 12));
    sendMouse(face, QEvent::MouseButtonRelease, grab + QPoint(30, 12), Qt::LeftButton, Qt::NoButton);
    sendMouse(face, QEvent::MouseMove, grab + QPoint(90, 90), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(form.pos(), start + QPoint(30, 12));  // released: no more dragging

    face->SetMoveable(false);
    sendMouse(face, QEvent::MouseButtonPress, grab, Qt::RightButton, Qt::RightButton);
    sendMouse(face, QEvent::MouseMove, grab + QPoint(5, 5), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(form.pos(), start + QPoint(30, 12));
}

TEST(ShapedForm, MovesReachTheHostBeforeTheDragWithTheirShiftState)
{
    QWidget form;
    auto *face = new TBMShapedForm(&form);
    face->SetAutoSize(true);
    face->SetPicture(holedSkin());
    form.move(100, 100);
    form.show();
    struct Seen {
        QPoint at;
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers modifiers;
        QPoint formAt;
    };
    std::vector<Seen> seen;
    QObject::connect(face, &TBMShapedForm::mouseMoved, [&](QMouseEvent *e) {
        seen.push_back({e->position().toPoint(), e->buttons(), e->modifiers(), form.pos()});
    });
    const QPoint start = form.pos();
    const QPoint grab = form.mapToGlobal(QPoint(50, 40));
    EXPECT_TRUE(face->hasMouseTracking());  // moves without a button reach the host too

    sendMouse(face, QEvent::MouseMove, grab, Qt::NoButton, Qt::NoButton, Qt::ShiftModifier);
    sendMouse(face, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    sendMouse(face, QEvent::MouseMove, grab + QPoint(7, 3), Qt::NoButton, Qt::LeftButton);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].at, QPoint(50, 40));
    EXPECT_EQ(seen[0].buttons, Qt::NoButton);
    EXPECT_EQ(seen[0].modifiers, Qt::ShiftModifier);
    EXPECT_EQ(seen[1].at, QPoint(57, 43));
    EXPECT_EQ(seen[1].buttons, Qt::LeftButton);
    EXPECT_EQ(seen[1].formAt, start);  // the host hears the move before the window follows it
    EXPECT_EQ(form.pos(), start + QPoint(7, 3));
}

// --- on a real X display ----------------------------------------------------------------------

namespace {

constexpr QPoint kChildFormAt(100, 100);
constexpr QRect kChildButton(30, 40, 53, 25);
constexpr int kWaitMs = 10000;

// The window the display test drives: the holed skin with one panel button on it.
void runChildWindow()
{
    QWidget form;
    auto *face = new TBMShapedForm(&form);
    face->SetAutoSize(true);
    face->SetPicture(holedSkin());
    auto *button = new TShapeButton(&form);
    button->setGeometry(kChildButton);
    ApplyPanelButtonStyle(*button, "Left", PanelButtonTexture());
    QObject::connect(face, &TBMShapedForm::mousePressed, [](QMouseEvent *e) {
        const QPoint p = e->globalPosition().toPoint();
        std::printf("press %d %d\n", p.x(), p.y());
        std::fflush(stdout);
    });
    QObject::connect(face, &TBMShapedForm::mouseReleased, [&form](QMouseEvent *) {
        std::printf("release %d %d\n", form.x(), form.y());
        std::fflush(stdout);
    });
    QObject::connect(button, &QAbstractButton::clicked, [] {
        std::printf("click\n");
        std::fflush(stdout);
    });
    form.move(kChildFormAt);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return;
    QTest::qWait(200);  // let the shape reach the server before the first probe
    std::printf("ready\n");
    std::fflush(stdout);
    QEventLoop loop;
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);  // the parent normally ends us long before
    loop.exec();
}

class DisplayDriver {
public:
    explicit DisplayDriver(QString display) : FDisplay(std::move(display)) {}

    bool startChild()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", FDisplay);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        env.insert("ZELVARO_SHAPEDFORM_CHILD", "1");
        FChild.setProcessEnvironment(env);
        FChild.setProcessChannelMode(QProcess::SeparateChannels);
        FChild.start(QCoreApplication::applicationFilePath(),
                     {"--gtest_filter=ShapedFormOnDisplay.DISABLED_ChildWindow", "--gtest_also_run_disabled_tests"});
        return FChild.waitForStarted(kWaitMs) && waitForLine("ready").has_value();
    }

    ~DisplayDriver()
    {
        FChild.kill();
        FChild.waitForFinished(kWaitMs);
    }

    // Next line of the child that starts with `prefix`; earlier lines are dropped.
    std::optional<QString> waitForLine(const QString &prefix)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < kWaitMs) {
            while (FChild.canReadLine()) {
                const QString line = QString::fromUtf8(FChild.readLine()).trimmed();
                if (line.startsWith(prefix))
                    return line;
            }
            FChild.waitForReadyRead(100);
        }
        return std::nullopt;
    }

    void xdotool(const QStringList &args) { run("xdotool", args); }

    QRgb pixel(QPoint at)
    {
        const QString out = run("import", {"-window", "root", "-crop", QString("1x1+%1+%2").arg(at.x()).arg(at.y()),
                                           "-depth", "8", "txt:-"});
        const QRegularExpressionMatch m = QRegularExpression("#([0-9A-Fa-f]{6})").match(out);
        return m.hasMatch() ? (0xFF000000u | m.captured(1).toUInt(nullptr, 16)) : 0u;
    }

private:
    QString run(const QString &program, const QStringList &args)
    {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", FDisplay);
        tool.setProcessEnvironment(env);
        tool.start(program, args);
        tool.waitForFinished(kWaitMs);
        return QString::fromUtf8(tool.readAllStandardOutput());
    }

    QString FDisplay;
    QProcess FChild;
};

}  // namespace

// The window that OutlineClicksAndDrag drives, in a child process; disabled, so a normal run
// neither runs nor reports it.
TEST(ShapedFormOnDisplay, DISABLED_ChildWindow)
{
    if (!qEnvironmentVariableIsSet("ZELVARO_SHAPEDFORM_CHILD"))
        GTEST_SKIP() << "runs only as OutlineClicksAndDrag's child";
    runChildWindow();
}

TEST(ShapedFormOnDisplay, OutlineClicksAndDrag)
{
    if (qEnvironmentVariableIsSet("ZELVARO_SHAPEDFORM_CHILD"))
        GTEST_SKIP() << "the child runs only the window";
    const QString display = qEnvironmentVariable("ZELVARO_TEST_DISPLAY");
    ZELVARO_REQUIRE_REFERENCE(!display.isEmpty(), "X display (ZELVARO_TEST_DISPLAY, from scripts/test-env)");
    ZELVARO_REQUIRE_REFERENCE(!QStandardPaths::findExecutable("xdotool").isEmpty(), "xdotool");
    ZELVARO_REQUIRE_REFERENCE(!QStandardPaths::findExecutable("import").isEmpty(), "ImageMagick (import)");
#ifdef __SANITIZE_THREAD__
    // The instrumented child handles its events too slowly for the click timing this test relies
    // on; the window starts no threads, so the plain and address-sanitizer runs cover it.
    GTEST_SKIP() << "display timing test, not run under the thread sanitizer";
#endif
    DisplayDriver driver(display);
    ASSERT_TRUE(driver.startChild()) << "the shaped window did not come up";

    const QPoint corner = kChildFormAt + QPoint(2, 2);
    const QPoint hole = kChildFormAt + QPoint(150, 75);
    const QPoint plate = kChildFormAt + QPoint(100, 20);
    // The outline: the root shows through the cut corner and the hole, the plate is painted.
    EXPECT_EQ(driver.pixel(plate), kPlate);
    EXPECT_NE(driver.pixel(corner), kKey);
    EXPECT_NE(driver.pixel(hole), kKey);
    EXPECT_NE(driver.pixel(hole), kPlate);

    // Clicks in the cut-away parts do not reach the window; the first press it sees is the plate's.
    for (const QPoint p : {corner, hole, plate})
        driver.xdotool({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "1"});
    const auto press = driver.waitForLine("press");
    ASSERT_TRUE(press.has_value());
    EXPECT_EQ(*press, QString("press %1 %2").arg(plate.x()).arg(plate.y()));

    // The button's cut corner belongs to the skin below it; only its face clicks.
    const QPoint buttonCorner = kChildFormAt + kChildButton.topLeft();
    const QPoint buttonFace = kChildFormAt + kChildButton.center();
    driver.xdotool({"mousemove", QString::number(buttonCorner.x()), QString::number(buttonCorner.y()), "click", "1"});
    const auto cornerPress = driver.waitForLine("press");
    ASSERT_TRUE(cornerPress.has_value());
    EXPECT_EQ(*cornerPress, QString("press %1 %2").arg(buttonCorner.x()).arg(buttonCorner.y()));
    EXPECT_NE(driver.pixel(buttonFace), driver.pixel(buttonCorner));
    driver.xdotool({"mousemove", QString::number(buttonFace.x()), QString::number(buttonFace.y()), "click", "1"});
    EXPECT_TRUE(driver.waitForLine("click").has_value());

    // Dragging by the plate moves the window with the pointer; with Ctrl held it stays.
    const QString px = QString::number(plate.x());
    const QString py = QString::number(plate.y());
    driver.xdotool({"mousemove", px, py, "keydown", "ctrl", "mousedown", "1", "mousemove", QString::number(plate.x() + 40),
                    py, "mouseup", "1", "keyup", "ctrl"});
    const auto stayed = driver.waitForLine("release");
    ASSERT_TRUE(stayed.has_value());
    EXPECT_EQ(*stayed, QString("release %1 %2").arg(kChildFormAt.x()).arg(kChildFormAt.y()));

    driver.xdotool({"mousemove", px, py, "mousedown", "1", "sleep", "0.1", "mousemove", QString::number(plate.x() + 20),
                    QString::number(plate.y() + 10), "sleep", "0.1", "mousemove", QString::number(plate.x() + 60),
                    QString::number(plate.y() + 30), "sleep", "0.1", "mouseup", "1"});
    const auto moved = driver.waitForLine("release");
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(*moved, QString("release %1 %2").arg(kChildFormAt.x() + 60).arg(kChildFormAt.y() + 30));
    // The outline moved with the window.
    EXPECT_EQ(driver.pixel(plate + QPoint(60, 30)), kPlate);
    EXPECT_NE(driver.pixel(hole + QPoint(60, 30)), kPlate);
}
