// THRuler / TVRuler: tick spacing and labels for the program's spans, pixels of ticks and labels, setters.
#include "pixel_probe.h"
#include "rulers.h"

#include <QFontMetrics>
#include <QPainter>
#include <QSignalSpy>
#include <cmath>
#include <set>
#include <gtest/gtest.h>

namespace {

constexpr int scaleWidth = 526;  // the frequency ruler under the plot
constexpr int scaleHeight = 26;
constexpr TColor band = clSkyBlue;

// Independent statement of the spacing rule: the smallest power of ten, 0.1 or more, that puts
// ticks at least 3 pixels apart.
double referenceStep(double unitsPerPixel)
{
    return std::max(0.1, std::pow(10.0, std::ceil(std::log10(3.0 * unitsPerPixel) - 1e-12)));
}

struct Span {
    float start;
    float width;
};

// The five horizontal spans at 22050 Hz, at the low end, mid-band and near Nyquist, plus start-up.
std::vector<Span> programSpans()
{
    std::vector<Span> spans{{290.0f, 346.0f}};
    for (float width : {176.98f, 707.90f, 1415.81f, 2831.62f, 5663.23f})
        for (float start : {0.0f, 1234.56f, 11025.0f - width})
            spans.push_back({start, width});
    return spans;
}

bool isInk(const QImage &image, int x, int y)
{
    return probe::colourAt(image, x, y) != band;
}

bool isBlack(const QImage &image, int x, int y)
{
    return probe::colourAt(image, x, y) == clBlack;
}

void frequencyScale(THRuler &ruler, float start, float stop, THZPosition position)
{
    ruler.resize(scaleWidth, scaleHeight);
    ruler.SetColor(band);
    ruler.SetPosition(position);
    ruler.SetHStop(stop);
    ruler.SetHStart(start);
}

TEST(RulerTicks, StartUpScaleMatchesTheWorkedExample)
{
    const auto ticks = rulers::customTicks(290.0f, 636.0f, scaleWidth, rulers::horizontalLabelSpacing, false);
    ASSERT_GE(ticks.size(), 7u);
    EXPECT_NEAR(ticks[0].offset, 0.0, 1e-9);
    EXPECT_EQ(ticks[0].length, 4);
    EXPECT_FALSE(ticks[0].labelled);
    EXPECT_EQ(std::lround(ticks[1].offset), 15);
    EXPECT_EQ(ticks[1].length, 8);
    EXPECT_TRUE(ticks[1].labelled);
    EXPECT_EQ(ticks[1].text, "300");
    for (int i = 2; i <= 5; ++i) {
        EXPECT_EQ(ticks[static_cast<std::size_t>(i)].length, 4);
        EXPECT_FALSE(ticks[static_cast<std::size_t>(i)].labelled);
    }
    EXPECT_EQ(ticks[6].length, 6);
    EXPECT_TRUE(ticks[6].labelled);
    EXPECT_EQ(ticks[6].text, "350");
}

TEST(RulerTicks, ProgramSpansTickEveryPowerOfTenAtLeastThreePixelsApart)
{
    for (const Span &span : programSpans()) {
        SCOPED_TRACE(testing::Message() << span.start << " + " << span.width);
        const float stop = span.start + span.width;
        const double unitsPerPixel = static_cast<double>(stop - span.start) / scaleWidth;
        const double step = referenceStep(unitsPerPixel);
        const double pixels = step / unitsPerPixel;
        const double labelUnit = pixels >= 60 ? step : 5 * pixels >= 60 ? 5 * step : 10 * step;
        const auto ticks = rulers::customTicks(span.start, stop, scaleWidth, rulers::horizontalLabelSpacing, false);
        ASSERT_FALSE(ticks.empty());
        EXPECT_LT(ticks.front().offset, pixels);                 // none missing at the left end
        EXPECT_GE(ticks.back().offset + pixels, scaleWidth);     // nor at the right end
        double previousLabel = -1e9;
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            const double value = ticks[i].text.toDouble();
            EXPECT_NEAR(value, span.start + ticks[i].offset * unitsPerPixel, 1e-3 * step);
            EXPECT_NEAR(std::remainder(value, step), 0.0, 1e-6 * step);
            if (i > 0) {
                EXPECT_GE(ticks[i].offset - ticks[i - 1].offset, 3.0 - 1e-9);
            }
            const bool onLabelUnit = std::abs(std::remainder(value, labelUnit)) < 1e-6 * step;
            EXPECT_EQ(ticks[i].labelled, onLabelUnit) << value;
            if (ticks[i].labelled) {
                EXPECT_GE(ticks[i].offset - previousLabel, 30.0);
                previousLabel = ticks[i].offset;
            }
        }
    }
}

TEST(RulerTicks, VerticalLabelDensityUsesTwentyPixels)
{
    auto labelled = [](float stop) {
        std::vector<QString> texts;
        for (const auto &tick : rulers::customTicks(0.0f, stop, 200, rulers::verticalLabelSpacing, false))
            if (tick.labelled)
                texts.push_back(tick.text);
        return texts;
    };
    EXPECT_EQ(labelled(1000.0f).size(), 10u);                    // 20 px per tick: every tick
    EXPECT_EQ(labelled(1500.0f), (std::vector<QString>{"0", "500", "1000"}));       // fifth
    EXPECT_EQ(labelled(6000.0f), (std::vector<QString>{"0", "1000", "2000", "3000", "4000", "5000"}));
}

TEST(RulerTicks, LabelsNeverShowMinusZeroOrTinyExponents)
{
    EXPECT_EQ(rulers::tickLabel(0.00005, false), "0");
    EXPECT_EQ(rulers::tickLabel(-0.00005, true), "0");
    EXPECT_EQ(rulers::tickLabel(0.0, true), "0");
    EXPECT_EQ(rulers::tickLabel(0.1 + 0.2, false), "0.3");
    EXPECT_EQ(rulers::tickLabel(300.0, true), "-300");
    EXPECT_EQ(rulers::tickLabel(12345.678, false), "12345.678");

    std::vector<QString> reversed;
    for (const auto &tick : rulers::customTicks(0.0f, 1000.0f, 200, rulers::horizontalLabelSpacing, true))
        if (tick.labelled)
            reversed.push_back(tick.text);
    EXPECT_EQ(reversed, (std::vector<QString>{"0", "-500"}));
}

TEST(RulerTicks, DegenerateInputsGiveFewOrNoTicksAndNeverHang)
{
    EXPECT_TRUE(rulers::customTicks(0.0f, 1000.0f, 0, 60.0, false).empty());
    EXPECT_TRUE(rulers::customTicks(0.0f, 1000.0f, -5, 60.0, false).empty());
    EXPECT_TRUE(rulers::customTicks(5.0f, 5.0f, 526, 60.0, false).empty());
    EXPECT_TRUE(rulers::customTicks(0.0f, std::numeric_limits<float>::infinity(), 526, 60.0, false).empty());
    const auto wide = rulers::customTicks(-3e38f, 3e38f, 526, 60.0, false);
    EXPECT_LE(wide.size(), 526u / 3 + 1);
    const auto negative = rulers::customTicks(-25.0f, 25.0f, 500, 60.0, false);
    ASSERT_FALSE(negative.empty());
    EXPECT_EQ(negative.front().text, "-25");  // the tick at the left end is not skipped
}

TEST(RulerSetters, StartAndStopKeepTheirOrder)
{
    THRuler ruler;
    ruler.SetHStart(2000.0f);
    EXPECT_EQ(ruler.StopVal(), 2001.0f);
    ruler.SetHStop(100.0f);
    EXPECT_EQ(ruler.StartVal(), 99.0f);
    ruler.SetHStart(1e9f);  // one more is lost in single precision
    EXPECT_GT(ruler.StopVal(), ruler.StartVal());
    ruler.SetHStop(-1e9f);
    EXPECT_LT(ruler.StartVal(), ruler.StopVal());
    ruler.SetHStart(std::nanf(""));
    EXPECT_LT(ruler.StartVal(), ruler.StopVal());

    TVRuler vertical;
    EXPECT_EQ(vertical.size(), QSize(33, 200));
    vertical.SetVStop(-5.0f);
    EXPECT_EQ(vertical.StartVal(), -6.0f);
}

TEST(RulerPaint, TicksHangFromTheChosenEdgeWithTheSpecifiedLengths)
{
    THRuler top;
    frequencyScale(top, 290.0f, 636.0f, posTop);
    const QImage image = probe::renderOver(top, clWhite);
    EXPECT_TRUE(isBlack(image, 0, 0));            // frame
    EXPECT_TRUE(isBlack(image, scaleWidth - 1, scaleHeight - 1));
    EXPECT_EQ(probe::colourAt(image, 100, 12), band);
    for (const auto &tick : rulers::customTicks(290.0f, 636.0f, scaleWidth, 60.0, false)) {
        const int x = static_cast<int>(std::lround(tick.offset));
        if (x == 0)
            continue;  // on the frame
        for (int y = 1; y < tick.length; ++y)
            EXPECT_TRUE(isBlack(image, x, y)) << x << "," << y;
        if (tick.length == 4) {
            EXPECT_FALSE(isBlack(image, x, 4)) << x;  // a pen line stops short of its end point
        }
    }

    THRuler bottom;
    frequencyScale(bottom, 290.0f, 636.0f, posBottom);
    const QImage below = probe::renderOver(bottom, clWhite);
    // 300 Hz at x = 15: an 8-pixel tick rising from the bottom edge.
    for (int y = scaleHeight - 7; y < scaleHeight; ++y)
        EXPECT_TRUE(isBlack(below, 15, y)) << y;
    EXPECT_FALSE(isBlack(below, 15, scaleHeight - 8));
}

TEST(RulerPaint, LabelsSitBesideTheirTicksAndNeverTouch)
{
    for (const Span &span : programSpans()) {
        SCOPED_TRACE(testing::Message() << span.start << " + " << span.width);
        THRuler ruler;
        frequencyScale(ruler, span.start, span.start + span.width, posTop);
        const QImage image = probe::renderOver(ruler, clWhite);
        const QFontMetrics metrics(ruler.font());
        const int bandTop = 8;
        const int bandBottom = std::min(scaleHeight - 2, bandTop + metrics.height() - 1);
        auto columnHasInk = [&](int x) {
            for (int y = bandTop; y <= bandBottom; ++y)
                if (isInk(image, x, y))
                    return true;
            return false;
        };
        auto ticks = rulers::customTicks(span.start, span.start + span.width, scaleWidth, 60.0, false);
        rulers::thinLabels(ticks, [&](const QString &text) { return metrics.horizontalAdvance(text); }, 2);
        int previousRight = -1;
        std::vector<double> labelled;
        for (const auto &tick : ticks) {
            if (!tick.labelled)
                continue;
            labelled.push_back(tick.value);
            const int textWidth = metrics.horizontalAdvance(tick.text);
            // Three pixels left of the tick, moved inward at the ends so no digit is cut off.
            const int x = static_cast<int>(std::lround(tick.offset)) - 3;
            const int left = std::max(std::min(x, scaleWidth - 3 - textWidth), 3);
            bool inked = false;
            for (int column = left; column < left + textWidth; ++column)
                inked = inked || columnHasInk(column);
            EXPECT_TRUE(inked) << tick.text.toStdString();
            for (int column = std::max(previousRight + 1, 1); column < left; ++column)
                EXPECT_FALSE(columnHasInk(column)) << "between labels at " << column;
            previousRight = left + textWidth;
        }
        ASSERT_GE(labelled.size(), 3u);
        for (std::size_t i = 2; i < labelled.size(); ++i)  // a regular labelling, never every other one
            EXPECT_NEAR(labelled[i] - labelled[i - 1], labelled[1] - labelled[0], 1e-6);
    }
}

// A label is its text drawn with its top-left corner 3 pixels left of its tick and 8 below the top
// edge (moved inward only at the ruler's ends): the ruler's ink there is the text's own ink,
// pixel for pixel, outside the tick columns.
TEST(RulerPaint, LabelsStartThreePixelsLeftOfTheirTicks)
{
    THRuler ruler;
    frequencyScale(ruler, 290.0f, 636.0f, posTop);
    const QImage image = probe::renderOver(ruler, clWhite);
    const QFontMetrics metrics(ruler.font());
    auto ticks = rulers::customTicks(290.0f, 636.0f, scaleWidth, rulers::horizontalLabelSpacing, false);
    rulers::thinLabels(ticks, [&](const QString &text) { return metrics.horizontalAdvance(text); }, 2);
    std::set<int> tickColumns;
    for (const auto &tick : ticks)
        tickColumns.insert(static_cast<int>(std::lround(tick.offset)));

    int compared = 0;
    for (const auto &tick : ticks) {
        const int textWidth = metrics.horizontalAdvance(tick.text);
        const QPoint origin(static_cast<int>(std::lround(tick.offset)) - 3, 8);
        if (!tick.labelled || origin.x() < 1 || origin.x() + textWidth > scaleWidth - 1)
            continue;
        QImage text(textWidth + 4, metrics.height(), QImage::Format_RGB32);
        text.fill(toQColor(band));
        {
            QPainter painter(&text);
            painter.setFont(ruler.font());
            painter.setPen(QPen(Qt::black, 0));
            painter.drawText(QPoint(0, metrics.ascent()), tick.text);
        }
        for (int y = 0; y < text.height() && origin.y() + y < scaleHeight - 1; ++y) {
            for (int x = -2; x < text.width(); ++x) {
                const int column = origin.x() + x;
                if (tickColumns.count(column) || column < 1 || column >= scaleWidth - 1)
                    continue;
                const bool textInk = x >= 0 && probe::colourAt(text, x, y) != band;
                ASSERT_EQ(isInk(image, column, origin.y() + y), textInk)
                    << tick.text.toStdString() << " at " << column << "," << origin.y() + y;
            }
        }
        ++compared;
    }
    EXPECT_GE(compared, 3);
}

// Two pixel rows or columns of band colour lie between every label and the frame, and between the
// labels and the longest ticks, for the program's font and a larger one.
TEST(RulerPaint, LabelsKeepClearOfTheFrameAndTheTicks)
{
    auto bandOnly = [](const QImage &image, QRect area) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (isInk(image, x, y))
                    return testing::AssertionFailure() << "ink at " << x << "," << y;
        return testing::AssertionSuccess();
    };
    for (int pixelSize : {11, 14}) {
        QFont font("DejaVu Sans");
        font.setPixelSize(pixelSize);
        for (const THZPosition position : {posTop, posBottom})
            for (const Span &span : {Span{0.0f, 1415.81f}, Span{1000.0f, 176.98f}, Span{290.0f, 346.0f}}) {
                SCOPED_TRACE(testing::Message() << pixelSize << " px, position " << position << ", " << span.start);
                THRuler ruler;
                ruler.setFont(font);
                frequencyScale(ruler, span.start, span.start + span.width, position);
                const QImage image = probe::renderOver(ruler, clWhite);
                const int w = scaleWidth;
                const int h = scaleHeight;
                // Ticks cover rows 1..7 from their edge; labels lie on the other side.
                const QRect labelRows = position == posTop ? QRect(1, 8, w - 2, h - 9) : QRect(1, 1, w - 2, h - 9);
                const QRect clearRows = position == posTop ? QRect(1, 8, w - 2, 2) : QRect(1, h - 10, w - 2, 2);
                EXPECT_TRUE(bandOnly(image, clearRows));
                EXPECT_TRUE(bandOnly(image, QRect(1, labelRows.top(), 2, labelRows.height())));
                EXPECT_TRUE(bandOnly(image, QRect(w - 3, labelRows.top(), 2, labelRows.height())));
                const QRect farRows = position == posTop ? QRect(1, h - 3, w - 2, 2) : QRect(1, 1, w - 2, 2);
                EXPECT_TRUE(bandOnly(image, farRows));
            }
        for (const TVTPosition position : {posLeft, posRight}) {
            SCOPED_TRACE(testing::Message() << pixelSize << " px, vertical position " << position);
            TVRuler ruler;
            ruler.setFont(font);
            ruler.resize(40, 200);
            ruler.SetColor(band);
            ruler.SetPosition(position);
            ruler.SetVStop(1000.0f);
            const QImage image = probe::renderOver(ruler, clWhite);
            const QRect clearColumns = position == posLeft ? QRect(8, 1, 2, 198) : QRect(40 - 9, 1, 2, 198);
            EXPECT_TRUE(bandOnly(image, clearColumns));
            const int labelLeft = position == posLeft ? 10 : 1;
            EXPECT_TRUE(bandOnly(image, QRect(labelLeft, 1, 29, 2)));
            EXPECT_TRUE(bandOnly(image, QRect(labelLeft, 200 - 3, 29, 2)));
        }
    }
}

TEST(RulerTicks, CrowdedLabelsMoveToACoarserUnit)
{
    // 1.4k span near Nyquist: labels every 100 Hz at 37 pixels, five digits of 8 pixels each.
    auto ticks = rulers::customTicks(9609.19f, 11025.0f, scaleWidth, rulers::horizontalLabelSpacing, false);
    rulers::thinLabels(ticks, [](const QString &text) { return 8 * static_cast<int>(text.size()); }, 2);
    std::vector<QString> texts;
    for (const auto &tick : ticks)
        if (tick.labelled)
            texts.push_back(tick.text);
    EXPECT_EQ(texts, (std::vector<QString>{"10000", "10500", "11000"}));
}

TEST(RulerPaint, VerticalTicksGrowUpwardFromTheBottom)
{
    TVRuler ruler;
    ruler.resize(33, 200);
    ruler.SetColor(band);
    ruler.SetPosition(posLeft);
    ruler.SetVStop(1500.0f);
    const QImage image = probe::renderOver(ruler, clWhite);
    for (const auto &tick : rulers::customTicks(0.0f, 1500.0f, 200, rulers::verticalLabelSpacing, false)) {
        const int y = static_cast<int>(std::lround(200 - tick.offset));
        if (y >= 199)
            continue;  // the bottom frame
        for (int x = 1; x < tick.length; ++x)
            EXPECT_TRUE(isBlack(image, x, y)) << y;
    }
}

TEST(RulerPaint, CentimetreScaleTicksEveryTwoMillimetres)
{
    THRuler ruler;
    ruler.resize(scaleWidth, 33);
    ruler.SetUnitOfMeasure(umCentimetres);
    ruler.SetColor(band);
    const QImage image = probe::renderOver(ruler, clWhite);
    const double pitch = ruler.logicalDpiX() / 12.7;
    ASSERT_GT(pitch, 3.0);
    auto tickEnd = [&](int i) {
        const int x = static_cast<int>(std::lround(i * pitch));
        int y = 1;
        while (y < 33 && isBlack(image, x, y))
            ++y;
        return y;  // first row below the tick
    };
    EXPECT_EQ(tickEnd(1), 6);
    EXPECT_EQ(tickEnd(3), 6);
    EXPECT_EQ(tickEnd(5), 12);
    EXPECT_EQ(tickEnd(10), 18);
    EXPECT_EQ(rulers::centimetreTickPitch(0.0), 0.0);
    ruler.resize(scaleWidth, 0);
    probe::renderOver(ruler, clWhite);  // no size, nothing drawn, no crash
}

TEST(RulerMouse, EventsReachTheHostUnchanged)
{
    THRuler ruler;
    frequencyScale(ruler, 290.0f, 636.0f, posBottom);
    QSignalSpy downs(&ruler, &THRuler::OnMouseDown);
    QSignalSpy moves(&ruler, &THRuler::OnMouseMove);
    QSignalSpy ups(&ruler, &THRuler::OnMouseUp);
    probe::press(ruler, {40, 10}, Qt::RightButton);
    probe::moveHeld(ruler, {35, 11}, Qt::RightButton | Qt::LeftButton);
    probe::release(ruler, {30, 12}, Qt::RightButton);
    probe::moveHeld(ruler, {31, 12}, Qt::NoButton);
    ASSERT_EQ(downs.count(), 1);
    ASSERT_EQ(moves.count(), 2);
    ASSERT_EQ(ups.count(), 1);
    // The shift state carries the buttons held: with the pressed one, without the released one.
    EXPECT_EQ(downs.at(0).at(5).value<Qt::MouseButtons>(), Qt::RightButton);
    EXPECT_EQ(moves.at(0).at(4).value<Qt::MouseButtons>(), Qt::RightButton | Qt::LeftButton);
    EXPECT_EQ(ups.at(0).at(5).value<Qt::MouseButtons>(), Qt::NoButton);
    EXPECT_EQ(moves.at(1).at(4).value<Qt::MouseButtons>(), Qt::NoButton);
    EXPECT_EQ(downs.at(0).at(0).value<THRuler *>(), &ruler);
    EXPECT_EQ(downs.at(0).at(1).value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(downs.at(0).at(3).toInt(), 40);
    EXPECT_EQ(moves.at(0).at(2).toInt(), 35);
    EXPECT_EQ(ups.at(0).at(4).toInt(), 12);
}

}  // namespace
