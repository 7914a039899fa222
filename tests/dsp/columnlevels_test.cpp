// Spectrum computation checked against numpy, and closed forms for the dB arithmetic, the first
// plotted bin, the transform length and the averaging.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <unistd.h>
#include <vector>

#include "dbscale.h"
#include "samplehistory.h"
#include "columnlevels.h"
#include "references.h"

using namespace zelvaro;

namespace {

constexpr int kPlotWidth = 526;
constexpr int kPlotHeight = 220;
constexpr float kSampleRate = 22050.0f;
constexpr std::array<int, 5> kOfferedSizes = {2048, 4096, 8192, 16384, 65536};
constexpr int kSettleFrames = 30;  // averages within 2^-30 of their steady value

TSpectrumSettings SettingsFor(int fftSize, float startHz, bool useWindow)
{
    TSpectrumSettings s;
    s.FftSize = fftSize;
    s.StartHz = startHz;
    s.HzPerBin = kSampleRate / static_cast<float>(fftSize);
    s.FullScaleMag = static_cast<float>(fftSize) * kFullScaleSample * 0.5f;
    s.UseWindow = useWindow;
    return s;
}

using Signal = std::function<double(int)>;

// Fills the history with n consecutive samples of each signal, block by block as capture does.
void FeedHistory(TSampleHistory &history, int fftSize, const Signal &left, const Signal &right,
                 std::vector<float> &leftOut, std::vector<float> &rightOut)
{
    leftOut.assign(static_cast<size_t>(fftSize), 0.0f);
    rightOut.assign(static_cast<size_t>(fftSize), 0.0f);
    for (int i = 0; i < fftSize; ++i) {
        leftOut[static_cast<size_t>(i)] = static_cast<float>(left(i));
        rightOut[static_cast<size_t>(i)] = static_cast<float>(right(i));
    }
    for (int start = 0; start < fftSize; start += kBlockFrames)
        history.SlideIn(leftOut.data() + start, rightOut.data() + start, fftSize);
}

Signal Sine(double amplitude, double cyclesPerSample)
{
    return [=](int n) { return amplitude * std::sin(2.0 * std::numbers::pi * cyclesPerSample * n); };
}

Signal Constant(double value)
{
    return [=](int) { return value; };
}

// numpy's levels for both channels (left first): the strongest bin's, then one per column.
// Empty when the reference could not run.
std::vector<float> ReferenceLevels(const std::vector<float> &left, const std::vector<float> &right,
                                   const TSpectrumSettings &settings, int frames, int firstBin,
                                   int numPoints)
{
    const auto samplesPath = std::filesystem::temp_directory_path() /
                             ("zelvaro_spectrum_" + std::to_string(::getpid()) + ".f32");
    {
        std::ofstream out(samplesPath, std::ios::binary);
        out.write(reinterpret_cast<const char *>(left.data()), static_cast<std::streamsize>(left.size() * sizeof(float)));
        out.write(reinterpret_cast<const char *>(right.data()), static_cast<std::streamsize>(right.size() * sizeof(float)));
    }
    char fullScale[64];
    std::snprintf(fullScale, sizeof fullScale, "%.9g", static_cast<double>(settings.FullScaleMag));
    const std::string command = "'" + test::PythonWithNumpy() + "' '" + test::TestDataPath("dsp/analyser_ref.py") + "' '" +
                                samplesPath.string() + "' " + std::to_string(settings.FftSize) + " " +
                                (settings.UseWindow ? "1" : "0") + " " + std::to_string(frames) + " " +
                                std::to_string(firstBin) + " " + std::to_string(numPoints) + " " + fullScale;
    std::vector<float> levels;
    if (FILE *pipe = ::popen(command.c_str(), "r")) {
        float value = 0.0f;
        while (std::fscanf(pipe, "%f", &value) == 1)
            levels.push_back(value);
        if (::pclose(pipe) != 0)
            levels.clear();
    }
    std::filesystem::remove(samplesPath);
    return levels;
}

// Ours against numpy's, with a tolerance that follows single-precision transform noise: exact to
// 0.01 dB within 60 dB of the strongest bin, 1 dB down to 90 dB, and merely low below that.
void ExpectLevelsMatch(const float *ours, const float *reference, float peak, int count,
                       const std::string &what)
{
    int mismatches = 0;
    for (int i = 0; i < count && mismatches < 5; ++i) {
        const float r = reference[i];
        const float o = ours[i];
        bool ok = true;
        if (r >= peak - 60.0f)
            ok = std::fabs(o - r) <= 0.01f;
        else if (r >= peak - 90.0f)
            ok = std::fabs(o - r) <= 1.0f;
        else
            ok = o < peak - 80.0f;
        if (!ok) {
            ++mismatches;
            ADD_FAILURE() << what << ": column " << i << " is " << o << " dB, numpy says " << r
                          << " dB (peak " << peak << ")";
        }
    }
}

struct ReferenceCase {
    const char *Name;
    Signal Left;
    Signal Right;
    float StartHz;
    bool UseWindow;
};

// Runs kSettleFrames frames of a steady input and compares every column with numpy.
TSpectrumColumns CheckAgainstNumpy(const ReferenceCase &c, int fftSize)
{
    TSampleHistory history;
    std::vector<float> left, right;
    FeedHistory(history, fftSize, c.Left, c.Right, left, right);
    const TSpectrumSettings settings = SettingsFor(fftSize, c.StartHz, c.UseWindow);
    TSpectrumComputer computer(kPlotWidth);
    TSpectrumColumns columns;
    for (int frame = 0; frame < kSettleFrames; ++frame)
        computer.Compute(history, settings, columns);

    const std::string what = std::string(c.Name) + " at FftSize " + std::to_string(fftSize);
    const std::vector<float> reference =
        ReferenceLevels(left, right, settings, kSettleFrames, columns.FirstBin, columns.NumPoints);
    const auto perChannel = static_cast<size_t>(1 + columns.NumPoints);
    if (reference.size() != 2 * perChannel) {
        ADD_FAILURE() << what << ": the numpy reference did not run";
        return columns;
    }
    ExpectLevelsMatch(columns.LeftDb.data(), reference.data() + 1, reference[0], columns.NumPoints,
                      what + ", left");
    ExpectLevelsMatch(columns.RightDb.data(), reference.data() + perChannel + 1, reference[perChannel],
                      columns.NumPoints, what + ", right");
    return columns;
}

class SpectrumAgainstNumpy : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZELVARO_REQUIRE_NUMPY();
    }
};

// A bin-centred tone near the middle of the plot, whatever the size.
constexpr int kToneColumn = 200;

TEST_F(SpectrumAgainstNumpy, FullScaleSineOnABinShowsZeroWithoutAndMinus6WithWindow)
{
    for (int n : kOfferedSizes) {
        const int bin = 300 + kToneColumn;
        const float startHz = 300.0f * kSampleRate / static_cast<float>(n);
        const auto sine = Sine(kFullScaleSample, static_cast<double>(bin) / n);
        for (bool window : {false, true}) {
            const TSpectrumColumns columns =
                CheckAgainstNumpy({window ? "full-scale sine, Hann" : "full-scale sine, no window", sine,
                                   sine, startHz, window},
                                  n);
            ASSERT_EQ(columns.FirstBin, 300);
            EXPECT_NEAR(columns.LeftDb[kToneColumn], window ? -6.02f : 0.0f, 0.01f) << n;
        }
    }
}

TEST_F(SpectrumAgainstNumpy, TonesAtMinus60DbfsAndTheGeneratorDefaults)
{
    for (int n : kOfferedSizes) {
        const int bin = 300 + kToneColumn;
        const float startHz = 300.0f * kSampleRate / static_cast<float>(n);
        const auto quiet = Sine(kFullScaleSample * 1e-3, static_cast<double>(bin) / n);
        const TSpectrumColumns columns =
            CheckAgainstNumpy({"-60 dBFS sine", quiet, quiet, startHz, true}, n);
        EXPECT_NEAR(columns.LeftDb[kToneColumn], -66.02f, 0.01f) << n;

        // Tone 1 on the left, tone 2 on the right, at half scale, not on bin centres.
        CheckAgainstNumpy({"1292 Hz and 1938 Hz", Sine(16383.5, 1292.0 / kSampleRate),
                           Sine(16383.5, 1938.0 / kSampleRate), 1200.0f, true},
                          n);
    }
}

TEST_F(SpectrumAgainstNumpy, SilenceIsMinus160EverywhereAndDcShowsNothingAtBinZero)
{
    for (int n : kOfferedSizes) {
        const TSpectrumColumns silent =
            CheckAgainstNumpy({"silence", Constant(0.0), Constant(0.0), 800.0f, true}, n);
        for (int i = 0; i < silent.NumPoints; ++i)
            ASSERT_EQ(silent.LeftDb[static_cast<size_t>(i)], -160.0f) << n << " column " << i;

        const TSpectrumColumns dc =
            CheckAgainstNumpy({"DC", Constant(12000.0), Constant(-3000.0), 0.0f, true}, n);
        EXPECT_EQ(dc.FirstBin, 0);
        EXPECT_EQ(dc.LeftDb[0], -160.0f) << n;
        EXPECT_EQ(dc.RightDb[0], -160.0f) << n;
        EXPECT_GT(dc.LeftDb[1], -160.0f) << n << ": the window spreads DC into bin 1";
    }
}

TEST(ColumnLevel, IsTheNegatedDistanceFromFullScaleWithinA160DbRange)
{
    const float fullScale = 8192.0f * kFullScaleSample * 0.5f;
    EXPECT_EQ(MagnitudeToColumnDb(fullScale, fullScale), 0.0f);
    EXPECT_NEAR(MagnitudeToColumnDb(fullScale * 0.5f, fullScale), -6.0206f, 1e-4f);
    EXPECT_NEAR(MagnitudeToColumnDb(fullScale * std::pow(10.0f, 2.0f / 20.0f), fullScale), -2.0f, 1e-5f)
        << "above full scale shows as far below 0";
    EXPECT_EQ(MagnitudeToColumnDb(0.0f, fullScale), -160.0f);
    EXPECT_EQ(MagnitudeToColumnDb(-5.0f, fullScale), -160.0f);
    EXPECT_EQ(MagnitudeToColumnDb(std::nanf(""), fullScale), -160.0f);
    EXPECT_EQ(MagnitudeToColumnDb(fullScale * 1e-9f, fullScale), -160.0f) << "-180 dB clamps";
    // The level is rounded to float before the range check.
    const float level = MagnitudeToColumnDb(fullScale * 1e-7f, fullScale);
    EXPECT_EQ(level, static_cast<float>(20.0 * std::log10(static_cast<double>(fullScale * 1e-7f) / fullScale)));
}

TEST(PlotScale, MapsTheDbWindowOntoRowsByTruncation)
{
    EXPECT_EQ(DbToY(0.0f, 0, -160, kPlotHeight), 0);
    EXPECT_EQ(DbToY(-160.0f, 0, -160, kPlotHeight), kPlotHeight) << "one row below the image";
    EXPECT_EQ(DbToY(-10.0f, 0, -160, kPlotHeight), 13);   // 13.75
    EXPECT_EQ(DbToY(-20.0f, 0, -160, kPlotHeight), 27);   // 27.5
    EXPECT_EQ(DbToY(-30.0f, 0, -160, kPlotHeight), 41);   // 41.25
    EXPECT_EQ(DbToY(-40.0f, -40, -160, kPlotHeight), 0);
    EXPECT_EQ(DbToY(-30.0f, -40, -160, kPlotHeight), -18);  // -18.33 truncates toward zero
    EXPECT_EQ(DbToY(0.0f, 7, -121, kPlotHeight), 12);       // 12.03 with the default sliders
    EXPECT_EQ(DbToY(-1000.0f, -150, -160, kPlotHeight), 18700);
    EXPECT_EQ(YToDb(0, 7, -121, kPlotHeight), 7.0f);
    EXPECT_EQ(YToDb(kPlotHeight, 7, -121, kPlotHeight), -121.0f);
    EXPECT_FLOAT_EQ(YToDb(110, 0, -160, kPlotHeight), -80.0f);
}

TEST(FirstPlottedBin, RoundsAndKeepsThePlotInsideTheAverages)
{
    EXPECT_EQ(FirstPlottedBin(800.0f, kSampleRate / 8192, 8192, kPlotWidth), 297);  // 297.2
    EXPECT_EQ(FirstPlottedBin(801.0f, kSampleRate / 8192, 8192, kPlotWidth), 298);  // 297.6
    EXPECT_EQ(FirstPlottedBin(11000.0f, kSampleRate / 2048, 2048, kPlotWidth), 1024 - kPlotWidth);
    EXPECT_EQ(FirstPlottedBin(-50.0f, kSampleRate / 2048, 2048, kPlotWidth), 0);
    EXPECT_EQ(FirstPlottedBin(800.0f, 0.0f, 2048, kPlotWidth), 1024 - kPlotWidth);
    EXPECT_EQ(FirstPlottedBin(0.0f, 0.0f, 2048, kPlotWidth), 0);
    EXPECT_EQ(FirstPlottedBin(1e30f, 1e-30f, 65536, kPlotWidth), 32768 - kPlotWidth);
}

TEST(FftSize, OnlyPowersOfTwoWithinTheHistoryAreUsed)
{
    for (int n : kOfferedSizes)
        EXPECT_EQ(ValidFftSize(n), n);
    EXPECT_EQ(ValidFftSize(10000), 8192);
    EXPECT_EQ(ValidFftSize(0), 2048);
    EXPECT_EQ(ValidFftSize(-8192), 2048);
    EXPECT_EQ(ValidFftSize(1 << 20), 65536);
    EXPECT_EQ(FftOrderOf(2048), 11);
    EXPECT_EQ(FftOrderOf(65536), 16);
}

// The bin of a tone centred on column kToneColumn at 8192 points, StartHz 800.
constexpr int kAveragingTestSize = 8192;
constexpr int kAveragingToneBin = 297 + kToneColumn;

// Each frame's magnitude counts 1 / AvgCount: once a steady tone stops, its column falls by
// 20 log10((AvgCount - 1) / AvgCount) per frame (6.02 dB at 2, 2.50 dB at 4), and without
// averaging it is gone at the next frame. Seen in the columns the plot draws.
TEST(Averaging, AStoppedToneFadesByTheWeightOfTheKeptAverage)
{
    for (int avgCount : {1, 2, 4}) {
        TSampleHistory history;
        std::vector<float> left, right;
        const Signal tone = Sine(10000.0, double(kAveragingToneBin) / kAveragingTestSize);
        FeedHistory(history, kAveragingTestSize, tone, tone, left, right);
        TSpectrumSettings settings = SettingsFor(kAveragingTestSize, 800.0f, true);
        settings.AvgCount = avgCount;
        TSpectrumComputer computer(kPlotWidth);
        TSpectrumColumns columns;
        for (int frame = 0; frame < 60; ++frame)
            computer.Compute(history, settings, columns);
        const float steady = columns.LeftDb[kToneColumn];
        ASSERT_GT(steady, -30.0f);

        FeedHistory(history, kAveragingTestSize, Constant(0.0), Constant(0.0), left, right);
        for (int frame = 1; frame <= 4; ++frame) {
            computer.Compute(history, settings, columns);
            const float shown = columns.LeftDb[kToneColumn];
            if (avgCount == 1) {
                EXPECT_EQ(shown, -160.0f) << "frame " << frame;
            } else {
                const double fall = -20.0 * frame * std::log10((avgCount - 1.0) / avgCount);
                EXPECT_NEAR(steady - shown, fall, 0.01) << "AvgCount " << avgCount << ", frame " << frame;
            }
        }
    }
}

TEST(Averaging, ASizeChangeClearsTheAveragesAndRebuildsTheTables)
{
    TSampleHistory history;
    std::vector<float> left, right;
    const Signal tone = Sine(10000.0, 1000.0 / kSampleRate);
    FeedHistory(history, kMaxFftSize, tone, tone, left, right);

    TSpectrumComputer computer(kPlotWidth);
    TSpectrumColumns columns;
    for (int frame = 0; frame < 5; ++frame)
        computer.Compute(history, SettingsFor(8192, 800.0f, true), columns);
    ASSERT_EQ(computer.TableFftSize(), 8192);

    computer.Compute(history, SettingsFor(4096, 800.0f, true), columns);
    TSpectrumComputer fresh(kPlotWidth);
    TSpectrumColumns freshColumns;
    fresh.Compute(history, SettingsFor(4096, 800.0f, true), freshColumns);
    EXPECT_EQ(computer.TableFftSize(), 4096);
    for (size_t k = 0; k < 2048; ++k)
        ASSERT_EQ(computer.AvgSpecL()[k], fresh.AvgSpecL()[k]) << "bin " << k;
    EXPECT_EQ(columns.LeftDb, freshColumns.LeftDb);
}

TEST(SpectrumFrame, OneSnapshotPerFrameAndNoReadOutsideTheAverages)
{
    TSampleHistory history;
    TSpectrumComputer computer(kPlotWidth);
    TSpectrumColumns columns;
    // A ruler far beyond Nyquist, a calibration gone wrong, an odd size: every column still
    // reads a bin below FftSize/2.
    for (float startHz : {-1e9f, 0.0f, 11024.0f, 1e9f}) {
        for (int size : {2048, 3000, 65536, 100000}) {
            TSpectrumSettings s = SettingsFor(ValidFftSize(size), startHz, true);
            s.FftSize = size;
            computer.Compute(history, s, columns);
            EXPECT_GE(columns.FirstBin, 0);
            EXPECT_LE(columns.FirstBin + columns.NumPoints, computer.TableFftSize() / 2);
            EXPECT_EQ(columns.NumPoints, kPlotWidth);
        }
    }
}

}  // namespace
