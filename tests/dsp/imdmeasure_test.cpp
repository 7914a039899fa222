// Two-tone measurement against signals numpy makes with known tones and products: levels and
// frequencies between bins, products near a 16-bit floor, references, offsets and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <string>
#include <unistd.h>
#include <vector>

#include "imdmeasure.h"
#include "framepower.h"
#include "references.h"

using namespace zelvaro;

namespace {

constexpr double kRate = 22050.0;

struct TComponent {
    double Hz;
    double Dbfs;
};

// numpy's sum of cosines, length samples, optionally 16-bit with triangular dither. Empty when
// the interpreter could not run.
std::vector<float> NumpySignal(int length, const std::vector<TComponent> &components, bool quantize,
                               int seed = 1)
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("zelvaro_imd_" + std::to_string(::getpid()) + ".f32");
    std::string command = "'" + test::PythonWithNumpy() + "' '" + test::TestDataPath("dsp/imd_signal.py") + "' '" +
                          path.string() + "' " + std::to_string(length) + " " + std::to_string(seed) + " " +
                          (quantize ? "1" : "0") + " 22050";
    for (const TComponent &c : components) {
        char arg[64];
        std::snprintf(arg, sizeof arg, " %.9g:%.9g", c.Hz, c.Dbfs);
        command += arg;
    }
    std::vector<float> samples;
    if (std::system(command.c_str()) == 0) {
        std::ifstream in(path, std::ios::binary);
        samples.resize(static_cast<size_t>(length));
        in.read(reinterpret_cast<char *>(samples.data()), static_cast<std::streamsize>(length * sizeof(float)));
        if (!in)
            samples.clear();
    }
    std::filesystem::remove(path);
    return samples;
}

// Power-averages consecutive frames of fftSize samples and measures them.
TImdResult Measure(const std::vector<float> &samples, int fftSize, const TImdParams &params = {})
{
    TPowerAverager averager(fftSize);
    for (size_t start = 0; start + static_cast<size_t>(fftSize) <= samples.size(); start += static_cast<size_t>(fftSize))
        averager.Add(std::span<const float>(samples).subspan(start, static_cast<size_t>(fftSize)));
    const auto power = averager.Average();
    return MeasureImd(power, HannScale(fftSize, kRate, averager.Frames()), params);
}

const TProductReading *Product(const TImdResult &result, int order, bool upper)
{
    for (const TProductReading &p : result.Products)
        if (p.Order == order && p.Upper == upper)
            return &p;
    return nullptr;
}

double Bin(double hz, int fftSize)
{
    return hz * fftSize / kRate;
}

}  // namespace

TEST(ImdMeasure, TonesAnywhereBetweenBinsReadTheirFrequencyAndLevel)
{
    ZELVARO_REQUIRE_NUMPY();
    constexpr int kFft = 8192;
    const double hzPerBin = kRate / kFft;
    for (double offset : {0.0, 0.13, 0.25, 0.37, 0.5, 0.62, 0.81, 0.97}) {
        const double f1 = (401.0 + offset) * hzPerBin;
        const double f2 = (517.0 + 0.7 * offset) * hzPerBin;
        const auto samples = NumpySignal(kFft, {{f1, -6.0}, {f2, -17.3}}, false);
        ASSERT_EQ(samples.size(), static_cast<size_t>(kFft));
        const TImdResult result = Measure(samples, kFft);
        ASSERT_TRUE(result.Measured()) << result.Message;
        EXPECT_NEAR(result.Tones[0].Hz / hzPerBin, f1 / hzPerBin, 0.02) << "offset " << offset;
        EXPECT_NEAR(result.Tones[1].Hz / hzPerBin, f2 / hzPerBin, 0.02) << "offset " << offset;
        EXPECT_NEAR(result.Tones[0].Dbfs, -6.0, 0.05) << "offset " << offset;
        EXPECT_NEAR(result.Tones[1].Dbfs, -17.3, 0.05) << "offset " << offset;
        EXPECT_EQ(result.ReferenceTone, 0);
    }
}

TEST(ImdMeasure, FullScaleToneReadsZeroDbfsAtEveryTransformLength)
{
    ZELVARO_REQUIRE_NUMPY();
    for (int fft : {2048, 65536}) {
        const double hzPerBin = kRate / fft;
        const auto samples = NumpySignal(fft, {{300.4 * hzPerBin, 0.0}, {700.5 * hzPerBin, -30.0}}, false);
        const TImdResult result = Measure(samples, fft);
        ASSERT_TRUE(result.Measured()) << result.Message;
        EXPECT_NEAR(result.Tones[0].Dbfs, 0.0, 0.05) << fft;
        EXPECT_NEAR(result.Tones[1].Dbfs, -30.0, 0.05) << fft;
    }
}

// Products from -40 down to -90 dBc beside two -7 dBFS tones in dithered 16-bit samples; IMD9 is
// absent and must read as below the floor, never as a number.
TEST(ImdMeasure, ProductsDownToMinus90DbcIn16BitNoise)
{
    ZELVARO_REQUIRE_NUMPY();
    constexpr int kFft = 65536;
    const double f1 = 5000.3, f2 = 5600.7, d = f2 - f1;
    const std::vector<TComponent> components = {
        {f1, -7.0},          {f2, -7.0},          {f1 - d, -7.0 - 40.0},     {f2 + d, -7.0 - 43.0},
        {f1 - 2 * d, -7.0 - 62.0}, {f2 + 2 * d, -7.0 - 75.0}, {f1 - 3 * d, -7.0 - 90.0}, {f2 + 3 * d, -7.0 - 88.0}};
    const auto samples = NumpySignal(kFft, components, true, 7);
    const TImdResult result = Measure(samples, kFft);
    ASSERT_TRUE(result.Measured()) << result.Message;
    ASSERT_EQ(result.Products.size(), 8u);
    const double expected[4][2] = {{-40.0, -43.0}, {-62.0, -75.0}, {-90.0, -88.0}, {NAN, NAN}};
    for (int i = 0; i < 4; ++i) {
        for (int side = 0; side < 2; ++side) {
            const TProductReading &p = result.Products[static_cast<size_t>(2 * i + side)];
            EXPECT_EQ(p.Order, 3 + 2 * i);
            EXPECT_EQ(p.Upper, side == 1);
            const double expectedHz = side ? f2 + (i + 1) * d : f1 - (i + 1) * d;
            EXPECT_NEAR(Bin(p.Hz, kFft), Bin(expectedHz, kFft), 0.05) << "IMD" << p.Order;
            if (std::isnan(expected[i][side])) {
                EXPECT_TRUE(p.BelowFloor) << "IMD" << p.Order << " reads " << p.Dbc << " dBc";
                EXPECT_NEAR(p.Dbfs, result.FloorDbfs, 3.0);
                continue;
            }
            EXPECT_FALSE(p.BelowFloor) << "IMD" << p.Order;
            EXPECT_NEAR(p.Dbc, expected[i][side], 0.3) << "IMD" << p.Order << (side ? " upper" : " lower");
            EXPECT_NEAR(p.Dbpep, expected[i][side] - 6.0206, 0.3) << "IMD" << p.Order;
        }
    }
    // IEC d3: (A(2f1-f2) + A(2f2-f1)) / (A1 + A2) with equal tones.
    const double d3 = 20.0 * std::log10((std::pow(10.0, -40.0 / 20) + std::pow(10.0, -43.0 / 20)) / 2.0);
    ASSERT_TRUE(result.D3Db.has_value());
    EXPECT_NEAR(*result.D3Db, d3, 0.1);
    // Dithered 16-bit samples (noise power of a quarter step squared) over 65536 points, read as a
    // product's five-bin lobe would read it: 10 log10(20 / (4 * 32767^2 * 65536)) = -131.5 dBFS.
    EXPECT_NEAR(result.FloorDbfs, -131.5, 1.0);
}

TEST(ImdMeasure, UnequalTonesNameTheStrongerAndUseTheAmplitudeSumForPep)
{
    ZELVARO_REQUIRE_NUMPY();
    constexpr int kFft = 16384;
    for (bool upperStronger : {false, true}) {
        const double f1 = 1000.0, f2 = 1700.0;
        const double l1 = upperStronger ? -16.0 : -10.0, l2 = upperStronger ? -10.0 : -16.0;
        const auto samples = NumpySignal(kFft, {{f1, l1}, {f2, l2}, {2 * f1 - f2, -60.0}, {2 * f2 - f1, -70.0}}, false);
        const TImdResult result = Measure(samples, kFft);
        ASSERT_TRUE(result.Measured()) << result.Message;
        EXPECT_EQ(result.ReferenceTone, upperStronger ? 1 : 0);
        const TProductReading *lower = Product(result, 3, false);
        const TProductReading *upper = Product(result, 3, true);
        ASSERT_TRUE(lower && upper);
        EXPECT_NEAR(lower->Dbc, -60.0 - -10.0, 0.05);
        EXPECT_NEAR(upper->Dbc, -70.0 - -10.0, 0.05);
        const double pep = std::pow(10.0, -10.0 / 20) + std::pow(10.0, -16.0 / 20);
        EXPECT_NEAR(lower->Dbpep, 20 * std::log10(std::pow(10.0, -60.0 / 20) / pep), 0.05);
        EXPECT_NEAR(upper->Dbpep, 20 * std::log10(std::pow(10.0, -70.0 / 20) / pep), 0.05);
    }
}

TEST(ImdMeasure, ReceiverOffsetMovesTonesAndProductsButKeepsTheSpacing)
{
    ZELVARO_REQUIRE_NUMPY();
    constexpr int kFft = 32768;
    const double offset = 37.3, f1 = 700.0 + offset, f2 = 1900.0 + offset;
    const auto samples =
        NumpySignal(kFft, {{f1, -8.0}, {f2, -8.0}, {2 * f2 - f1, -38.0}, {3 * f2 - 2 * f1, -58.0}}, true);
    TImdParams params;
    params.HintHz1 = 700.0;  // the generator's frequencies, before the receiver
    params.HintHz2 = 1900.0;
    const TImdResult result = Measure(samples, kFft, params);
    ASSERT_TRUE(result.Measured()) << result.Message;
    EXPECT_NEAR(result.Tones[0].Hz, f1, 0.02 * kRate / kFft);
    EXPECT_NEAR(result.Tones[1].Hz, f2, 0.02 * kRate / kFft);
    // 2f1 - f2 lies below 0 Hz: not reported. The upper side is.
    EXPECT_EQ(Product(result, 3, false), nullptr);
    ASSERT_NE(Product(result, 3, true), nullptr);
    EXPECT_NEAR(Product(result, 3, true)->Hz, 2 * f2 - f1, 0.1);
    EXPECT_NEAR(Product(result, 3, true)->Dbc, -30.0, 0.1);
    EXPECT_NEAR(Product(result, 5, true)->Dbc, -50.0, 0.1);
    EXPECT_FALSE(result.D3Db.has_value());

    params.HintHz2 = 2200.0;  // a generator spaced otherwise did not make these tones
    EXPECT_EQ(Measure(samples, kFft, params).Status, TImdStatus::SpacingMismatch);
}

TEST(ImdMeasure, DegenerateInputGivesAStatusAndNoNumbers)
{
    ZELVARO_REQUIRE_NUMPY();
    constexpr int kFft = 8192;
    const double hzPerBin = kRate / kFft;
    EXPECT_EQ(Measure(std::vector<float>(kFft, 0.0f), kFft).Status, TImdStatus::NoTone);
    EXPECT_EQ(Measure(NumpySignal(kFft, {}, true), kFft).Status, TImdStatus::NoTone);
    EXPECT_EQ(Measure(NumpySignal(kFft, {{1000.0, -6.0}}, true), kFft).Status, TImdStatus::OneTone);
    // A tone's own sidelobes are not a second tone, at a bin or between bins.
    EXPECT_EQ(Measure(NumpySignal(kFft, {{400.0 * hzPerBin, -1.0}}, false), kFft).Status, TImdStatus::OneTone);
    EXPECT_EQ(Measure(NumpySignal(kFft, {{400.5 * hzPerBin, -1.0}}, false), kFft).Status, TImdStatus::OneTone);
    EXPECT_EQ(Measure(NumpySignal(kFft, {{1000.0, -6.0}, {1000.0 + 3.0 * hzPerBin, -6.0}}, true), kFft).Status,
              TImdStatus::TonesTooClose);
    // A DC offset and a tone at Nyquist are not tones: their lobes leave the spectrum.
    EXPECT_EQ(Measure(NumpySignal(kFft, {{0.0, -6.0}, {1000.0, -6.0}}, true), kFft).Status, TImdStatus::OneTone);
    EXPECT_EQ(Measure(NumpySignal(kFft, {{kRate / 2, -6.0}, {1000.0, -6.0}}, true), kFft).Status,
              TImdStatus::OneTone);

    const auto samples = NumpySignal(kFft, {{1000.0, -6.0}, {1500.0, -6.0}}, true);
    TPowerAverager averager(kFft);
    averager.Add(samples);
    auto power = averager.Average();
    ASSERT_TRUE(MeasureImd(power, HannScale(kFft, kRate)).Measured());
    power[2000] = std::numeric_limits<double>::quiet_NaN();
    const TImdResult nan = MeasureImd(power, HannScale(kFft, kRate));
    EXPECT_EQ(nan.Status, TImdStatus::InvalidSpectrum);
    EXPECT_FALSE(nan.Message.empty());
    EXPECT_TRUE(nan.Products.empty());
    power.pop_back();
    EXPECT_EQ(MeasureImd(power, HannScale(kFft, kRate)).Status, TImdStatus::InvalidSpectrum);
}

TEST(ImdMeasure, AveragingKeepsTheFloorLevelAndTheProducts)
{
    ZELVARO_REQUIRE_NUMPY();
    constexpr int kFft = 4096;
    constexpr int kFrames = 32;
    const std::vector<TComponent> components = {{3000.0, -10.0}, {3400.0, -10.0}, {2600.0, -70.0}, {3800.0, -75.0}};
    const auto samples = NumpySignal(kFft * kFrames, components, true, 3);
    const TImdResult many = Measure(samples, kFft);
    ASSERT_TRUE(many.Measured()) << many.Message;
    EXPECT_EQ(many.Frames, kFrames);
    double singleFloorSum = 0.0;
    for (int frame = 0; frame < 8; ++frame) {
        const std::vector<float> one(samples.begin() + frame * kFft, samples.begin() + (frame + 1) * kFft);
        const TImdResult single = Measure(one, kFft);
        ASSERT_TRUE(single.Measured()) << single.Message;
        singleFloorSum += single.FloorDbfs;
    }
    EXPECT_NEAR(singleFloorSum / 8, many.FloorDbfs, 0.5);
    EXPECT_NEAR(Product(many, 3, false)->Dbc, -60.0, 0.3);
    EXPECT_NEAR(Product(many, 3, true)->Dbc, -65.0, 0.3);
}

TEST(ImdMeasure, InterceptComesOnlyFromStepsRisingThreeDbPerDb)
{
    // A cubic y = x + c x^3 driven by two tones of amplitude A: IMD3 = 3/4 |c| A^2 relative to a
    // tone, so the output intercept lies where 3/4 |c| A^2 = 1.
    constexpr double c = 0.01;
    std::vector<TSweepPoint> points;
    for (double level = -30.0; level <= -10.0; level += 5.0) {
        const double a = std::pow(10.0, level / 20.0);
        points.push_back({level, level, 20.0 * std::log10(0.75 * c * a * a), true});
    }
    const auto intercept = ThirdOrderIntercept(points);
    ASSERT_TRUE(intercept.has_value());
    EXPECT_NEAR(intercept->OutputDbfs, 20.0 * std::log10(std::sqrt(4.0 / (3.0 * c))), 1e-9);
    EXPECT_EQ(intercept->StepsDb.size(), points.size());

    // Compression: IMD3 no longer follows the drive; and products under the floor never count.
    std::vector<TSweepPoint> flat = {{-20, -20, -40, true}, {-15, -17, -41, true}, {-10, -15, -42, true}};
    EXPECT_FALSE(ThirdOrderIntercept(flat).has_value());
    for (auto &p : points)
        p.Imd3Valid = false;
    EXPECT_FALSE(ThirdOrderIntercept(points).has_value());
}
