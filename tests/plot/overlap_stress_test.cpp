// Capture, frame production and painting at full speed side by side, for long enough that a lock
// held too briefly shows as a torn history slide or a torn shown frame in an ordinary build.
#include <gtest/gtest.h>

#include <QPainter>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "analyser.h"
#include "plotrender.h"

using namespace zelvaro;

namespace {

// Tall enough that copying or painting a frame takes longer than computing the next one, so a
// reader left holding the image being redrawn sees the redraw.
constexpr int kPlotWidth = 1024;
constexpr int kPlotHeight = 1024;
constexpr int kFftSize = 2048;  // the shortest transform: frames follow each other quickly
constexpr auto kRunTime = std::chrono::milliseconds(2000);

// Both channels receive the same block, a noise burst whose level changes from block to block, so
// histories one block apart have clearly different spectra.
class TBlockSource {
public:
    void Next(std::vector<float> &block)
    {
        ++FBlockIndex;
        const float amplitude = 200.0f + static_cast<float>((FBlockIndex * 7919u) % 30000u);
        for (float &sample : block) {
            FNoise = FNoise * 1664525u + 1013904223u;
            sample = amplitude * (static_cast<float>(FNoise >> 8) / 8388608.0f - 1.0f);
        }
    }

private:
    std::uint32_t FBlockIndex = 0;
    std::uint32_t FNoise = 12345u;
};

// The two dB windows frames are drawn in. Each has its own grid, so every complete frame carries
// exactly one of the two backgrounds wherever they differ.
struct TWindowPair {
    TSpectrumSettings First;
    TSpectrumSettings Second;
    QImage FirstBackground;
    QImage SecondBackground;
    std::vector<int> DifferingPixels;  // y * width + x

    TWindowPair()
    {
        First.FftSize = kFftSize;
        First.HzPerBin = 22050.0f / kFftSize;
        First.SALeftOn = true;
        First.SARightOn = true;
        First.AvgCount = 2;
        First.TopDb = 0;
        First.BottomDb = -160;
        Second = First;
        Second.TopDb = -30;
        Second.BottomDb = -150;
        FirstBackground = Background(First);
        SecondBackground = Background(Second);
        for (int y = 0; y < kPlotHeight; ++y)
            for (int x = 0; x < kPlotWidth; ++x)
                if (FirstBackground.pixel(x, y) != SecondBackground.pixel(x, y))
                    DifferingPixels.push_back(y * kPlotWidth + x);
    }

    static QImage Background(const TSpectrumSettings &settings)
    {
        QImage image(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
        DrawPlotBackground(image, settings.TopDb, settings.BottomDb, MakePlotFont());
        return image;
    }

    // A frame is whole when, outside the traces, it matches one background everywhere the two
    // differ; a frame read while the next one was drawn into it matches parts of both.
    bool IsWhole(const QImage &frame) const
    {
        const auto *pixels = reinterpret_cast<const QRgb *>(frame.constBits());
        const auto *first = reinterpret_cast<const QRgb *>(FirstBackground.constBits());
        const auto *second = reinterpret_cast<const QRgb *>(SecondBackground.constBits());
        bool seenFirst = false;
        bool seenSecond = false;
        for (const int i : DifferingPixels) {
            const QRgb pixel = pixels[i] | 0xff000000u;
            if (pixel == kLeftTraceColour || pixel == kRightTraceColour)
                continue;
            seenFirst = seenFirst || pixel == first[i];
            seenSecond = seenSecond || pixel == second[i];
            if (pixel != first[i] && pixel != second[i])
                return false;
        }
        return !(seenFirst && seenSecond);
    }
};

// With identical channels the left trace, drawn last, covers the right one pixel for pixel; a
// yellow pixel means the frame read one channel's history a block apart from the other's.
bool ShowsRightTrace(const QImage &frame)
{
    const auto *pixels = reinterpret_cast<const QRgb *>(frame.constBits());
    const auto count = static_cast<size_t>(frame.width()) * static_cast<size_t>(frame.height());
    for (size_t i = 0; i < count; ++i)
        if ((pixels[i] | 0xff000000u) == kRightTraceColour)
            return true;
    return false;
}

// Fills the history with blocks until stopped, pausing between blocks when asked.
class TCaptureThread {
public:
    TCaptureThread(TSampleHistory &history, int fftSize, std::chrono::microseconds pause)
        : FThread([this, &history, fftSize, pause] {
              TBlockSource source;
              std::vector<float> block(kBlockFrames);
              while (!FStop) {
                  source.Next(block);
                  history.SlideIn(block.data(), block.data(), fftSize);
                  ++FBlocks;
                  if (pause.count() > 0)
                      std::this_thread::sleep_for(pause);
              }
          })
    {
    }
    ~TCaptureThread() { Stop(); }
    std::uint64_t Stop()
    {
        FStop = true;
        if (FThread.joinable())
            FThread.join();
        return FBlocks;
    }

private:
    std::atomic<bool> FStop{false};
    std::atomic<std::uint64_t> FBlocks{0};
    std::thread FThread;
};

// Every frame reads both channels while blocks slide in without a pause: the frame must see the
// two histories moved by the same blocks. The largest transform keeps each slide long.
TEST(CaptureAndFrameOverlap, EveryFrameReadsBothChannelsAtTheSameBlock)
{
    constexpr int kSlideFftSize = 65536;
    TSpectrumSettings settings;
    settings.FftSize = kSlideFftSize;
    settings.HzPerBin = 22050.0f / kSlideFftSize;
    settings.SALeftOn = true;
    settings.SARightOn = true;
    TSampleHistory history;
    TSpectrumAnalyser analyser(history, QSize(256, 128));
    analyser.SetSettings(settings);

    TCaptureThread capture(history, kSlideFftSize, std::chrono::microseconds(0));
    int tornSlides = 0;
    const auto deadline = std::chrono::steady_clock::now() + kRunTime;
    while (std::chrono::steady_clock::now() < deadline && tornSlides == 0) {
        analyser.UpdateSpectrum();
        if (ShowsRightTrace(analyser.CurrentFrame()))
            ++tornSlides;
    }
    const std::uint64_t blocks = capture.Stop();

    EXPECT_EQ(tornSlides, 0) << "frames that read the channels a block apart, of "
                             << analyser.FramesShown();
    EXPECT_GT(blocks, 20u);
    EXPECT_GT(analyser.FramesShown(), 5u);
}

// Frames are produced back to back while three readers copy and paint the shown one: no reader
// may ever see a frame while the next one is drawn into it. Several readers keep the display lock
// contended, so one of them can take it the moment the producer lets go of it.
TEST(CaptureAndFrameOverlap, PaintsOnlyEverSeeWholeFrames)
{
    const TWindowPair windows;
    ASSERT_GT(windows.DifferingPixels.size(), 1000u);

    TSampleHistory history;
    TSpectrumAnalyser analyser(history, QSize(kPlotWidth, kPlotHeight));
    analyser.SetSettings(windows.First);
    analyser.UpdateSpectrum();  // the empty plot carries neither grid

    TCaptureThread capture(history, kFftSize, std::chrono::microseconds(500));
    std::atomic<bool> stop{false};
    std::atomic<int> tornFrames{0};
    std::atomic<int> framesLooked{0};
    // One frame in three uses the second window: the two images the frames alternate between then
    // each receive frames of both windows.
    std::thread processing([&] {
        for (int frame = 0; !stop; ++frame) {
            analyser.SetSettings(frame % 3 == 0 ? windows.Second : windows.First);
            analyser.UpdateSpectrum();
        }
    });
    const auto look = [&](const QImage &frame) {
        if (!windows.IsWhole(frame))
            ++tornFrames;
        ++framesLooked;
    };
    std::thread painting([&] {
        QImage painted(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
        while (!stop && tornFrames == 0) {
            {
                QPainter painter(&painted);
                analyser.PaintTo(painter, QPoint(0, 0));
            }
            look(painted);
        }
    });
    std::thread copying([&] {
        while (!stop && tornFrames == 0)
            look(analyser.CurrentFrame());
    });
    const auto deadline = std::chrono::steady_clock::now() + kRunTime;
    while (std::chrono::steady_clock::now() < deadline && tornFrames == 0)
        look(analyser.CurrentFrame());
    stop = true;
    processing.join();
    painting.join();
    copying.join();
    capture.Stop();

    EXPECT_EQ(tornFrames.load(), 0) << "half-drawn frames, of " << framesLooked.load() << " looked at";
    EXPECT_GT(analyser.FramesShown(), 5u);
}

}  // namespace
