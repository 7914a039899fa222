// The analyser's frame cycle: complete frames only, exchanged while the window paints.
#include <gtest/gtest.h>

#include <QPainter>

#include <atomic>
#include <thread>

#include "analyser.h"
#include "plotrender.h"

using namespace zelvaro;

namespace {

constexpr int kPlotWidth = 526;
constexpr int kPlotHeight = 220;

// Frames change between two dB windows; with a silent input each window has exactly one picture,
// so any shown image that equals neither was caught half-drawn. One frame in three uses the
// narrow window: the two images the analyser draws into by turns then each get both pictures.
TEST(SpectrumAnalyser, PaintingWhileFramesAreDrawnOnlyEverShowsCompleteFrames)
{
    TSampleHistory history;
    std::atomic<int> notifications{0};
    TSpectrumAnalyser analyser(history, QSize(kPlotWidth, kPlotHeight), [&] { ++notifications; });
    TSpectrumSettings wide;  // 8192 points from 800 Hz, Hann window
    wide.TopDb = 0;
    wide.BottomDb = -160;
    wide.SARightOn = true;
    TSpectrumSettings narrow = wide;
    narrow.TopDb = -40;
    narrow.BottomDb = -170;  // the -160 traces show at row 203

    const QImage empty = analyser.CurrentFrame();
    EXPECT_EQ(empty.pixel(100, 100), kPlotBackColour);
    EXPECT_EQ(analyser.FramesShown(), 0u);

    analyser.SetSettings(wide);
    analyser.UpdateSpectrum();
    const QImage wideFrame = analyser.CurrentFrame();
    analyser.SetSettings(narrow);
    analyser.UpdateSpectrum();
    const QImage narrowFrame = analyser.CurrentFrame();
    ASSERT_NE(wideFrame, narrowFrame);
    EXPECT_EQ(narrowFrame.pixel(100, 203), kLeftTraceColour);

    constexpr int kFrames = 150;
    std::atomic<bool> done{false};
    std::thread processing([&] {
        for (int frame = 0; frame < kFrames; ++frame) {
            analyser.SetSettings(frame % 3 == 0 ? narrow : wide);
            analyser.UpdateSpectrum();
        }
        done = true;
    });
    int seen = 0;
    int torn = 0;
    QImage painted(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
    while (!done || seen == 0) {
        const QImage shown = analyser.CurrentFrame();
        if (shown != wideFrame && shown != narrowFrame)
            ++torn;
        {
            QPainter painter(&painted);
            analyser.PaintTo(painter, QPoint(0, 0));
        }
        if (painted != wideFrame && painted != narrowFrame)
            ++torn;
        ++seen;
    }
    processing.join();
    EXPECT_EQ(torn, 0) << "of " << seen << " looks at the plot";
    EXPECT_EQ(analyser.FramesShown(), static_cast<std::uint64_t>(kFrames + 2));
    EXPECT_EQ(notifications.load(), kFrames + 2);
}

TEST(SpectrumAnalyser, PaintsASourcePartAtTheTarget)
{
    TSampleHistory history;
    TSpectrumAnalyser analyser(history, QSize(kPlotWidth, kPlotHeight));
    analyser.UpdateSpectrum();
    const QImage frame = analyser.CurrentFrame();
    QImage window(300, 200, QImage::Format_RGB32);
    window.fill(Qt::black);
    {
        QPainter painter(&window);
        analyser.PaintTo(painter, QPoint(10, 20), QRect(0, 0, 133, 15));
    }
    EXPECT_EQ(window.pixel(10, 20), frame.pixel(0, 0));
    EXPECT_EQ(window.pixel(10 + 132, 20 + 14), frame.pixel(132, 14));
    EXPECT_EQ(window.pixel(10 + 133, 20), qRgb(0, 0, 0));
    EXPECT_EQ(window.pixel(10, 20 + 15), qRgb(0, 0, 0));
}

TEST(SpectrumAnalyser, DrawsFramesAtTheRatioItIsGivenAndPaintsThemAtLogicalSize)
{
    TSampleHistory history;
    TSpectrumAnalyser analyser(history, QSize(kPlotWidth, kPlotHeight));
    analyser.SetDevicePixelRatio(0.0);  // refused
    EXPECT_EQ(analyser.DevicePixelRatio(), 1.0);
    analyser.SetDevicePixelRatio(2.0);
    analyser.UpdateSpectrum();
    const QImage frame = analyser.CurrentFrame();
    ASSERT_EQ(frame.size(), QSize(2 * kPlotWidth, 2 * kPlotHeight));
    EXPECT_EQ(frame.devicePixelRatio(), 2.0);

    // A window surface at the same ratio receives the frame pixel for pixel.
    QImage window(2 * 300, 2 * 200, QImage::Format_RGB32);
    window.setDevicePixelRatio(2.0);
    window.fill(Qt::black);
    {
        QPainter painter(&window);
        analyser.PaintTo(painter, QPoint(10, 20), QRect(0, 0, 133, 15));
    }
    EXPECT_EQ(window.pixel(20, 40), frame.pixel(0, 0));
    EXPECT_EQ(window.pixel(20 + 265, 40 + 29), frame.pixel(265, 29));
    EXPECT_EQ(window.pixel(20 + 266, 40), qRgb(0, 0, 0)) << "133 logical pixels wide";
    EXPECT_EQ(window.pixel(20, 40 + 30), qRgb(0, 0, 0)) << "15 logical pixels high";
    QImage whole(2 * kPlotWidth, 2 * kPlotHeight, QImage::Format_RGB32);
    whole.setDevicePixelRatio(2.0);
    {
        QPainter painter(&whole);
        analyser.PaintTo(painter, QPoint(0, 0));
    }
    EXPECT_EQ(whole, frame);
}

}  // namespace
