// The card check against the loopback card with a known skew, gain difference and cubic term, an
// unplugged cable, and the command's options for it.
#include "cardcheckrun.h"
#include "measurecapture.h"
#include "measurecmd.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <vector>

using namespace zelvaro;

namespace {

std::optional<TCardCheckResult> CheckLoopback(const TLoopbackOptions &loopback, double appliedSkewUs = 0.0)
{
    std::atomic<int> never{0};
    TMeasureCapture capture(TAudioBackend::Loopback, loopback, never);
    if (!capture.Open())
        return std::nullopt;
    return RunCardCheck(capture, appliedSkewUs);
}

TLoopbackOptions Skewed(double skewUs)
{
    TLoopbackOptions options;
    options.Line.SkewUs = skewUs;
    return options;
}

}  // namespace

// Each loopback card runs on its own clock, so the five checks run side by side.
TEST(CardCheck, MeasuresTheLoopbackCardsSkewWithinHalfAMicrosecond)
{
    const std::vector<double> delays = {0.0, 10.0, 37.5, 45.4, 120.0};  // 45.4 us: one sample
    std::vector<std::future<std::optional<TCardCheckResult>>> checks;
    for (double delay : delays)
        checks.push_back(std::async(std::launch::async, [delay] { return CheckLoopback(Skewed(delay)); }));
    for (size_t i = 0; i < delays.size(); ++i) {
        const auto result = checks[i].get();
        ASSERT_TRUE(result.has_value()) << delays[i];
        ASSERT_TRUE(result->Heard) << result->Message;
        EXPECT_NEAR(result->Skew.SkewUs, delays[i], 0.5) << delays[i];
        EXPECT_LT(result->Skew.ResidualUs, 0.5) << delays[i];
        EXPECT_NEAR(result->Skew.GainDifferenceDb, 0.0, 0.05) << delays[i];
    }
}

TEST(CardCheck, GainDifferenceAndTheCubicTermsImd3)
{
    TLoopbackOptions options;
    options.Line.RightGainDb = 0.5;
    options.Line.DistortionDbc = -50.0;
    const auto result = CheckLoopback(options);
    ASSERT_TRUE(result.has_value());
    ASSERT_TRUE(result->Heard) << result->Message;
    EXPECT_NEAR(result->Skew.GainDifferenceDb, 0.5, 0.05);
    ASSERT_TRUE(result->Imd.Measured()) << result->Imd.Message;
    for (const TProductReading &p : result->Imd.Products)
        if (p.Order == 3) {
            EXPECT_FALSE(p.BelowFloor);
            EXPECT_NEAR(p.Dbc, -50.0, 0.5) << (p.Upper ? "upper" : "lower");
        }
    const QJsonDocument json = QJsonDocument::fromJson(FormatCardCheckJson(*result));
    EXPECT_EQ(json.object().keys(),
              (QStringList{"floor_dbfs", "gain_difference_db", "imd", "skew_fit_residual_us", "skew_us"}));
    EXPECT_TRUE(json.object()["imd"].toObject().contains("products"));
}

TEST(CardCheck, AnUnpluggedCableIsSaidPlainly)
{
    TLoopbackOptions options;
    options.Unplugged = true;
    const auto result = CheckLoopback(options);
    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(result->Heard);
    EXPECT_EQ(result->Message, kInputsDoNotHearText);
}

TEST(CardCheck, CommandOptionsShapeTheLoopbackCardOnlyWithLoopback)
{
    const auto parse = [](QStringList args, QString &error) {
        args.prepend(QStringLiteral("measure"));
        args.prepend(QStringLiteral("zelvaro"));
        return ParseMeasureOptions(args, error);
    };
    QString error;
    const auto options = parse({"--card-check", "--loopback", "--loopback-skew", "-37.5", "--loopback-distortion",
                                "-50", "--format", "json", "--output", "card.json"},
                               error);
    ASSERT_TRUE(options.has_value()) << error.toStdString();
    EXPECT_TRUE(options->CardCheck);
    EXPECT_EQ(options->Backend, TAudioBackend::Loopback);
    EXPECT_EQ(options->Loopback.Line.SkewUs, -37.5);
    EXPECT_EQ(options->Loopback.Line.DistortionDbc, -50.0);
    EXPECT_FALSE(options->Loopback.Unplugged);
    EXPECT_EQ(options->OutputFile, "card.json");

    for (const QStringList &refused :
         {QStringList{"--card-check", "--tones", "700,1900"}, QStringList{"--card-check", "--format", "csv"},
          QStringList{"--loopback-skew", "10"}, QStringList{"--loopback-unplugged"},
          QStringList{"--loopback", "--loopback-skew", "500.1"}, QStringList{"--loopback", "--loopback-skew", "x"},
          QStringList{"--loopback", "--loopback-distortion", "-20"},
          QStringList{"--loopback", "--loopback-distortion", "-151"}}) {
        error.clear();
        EXPECT_FALSE(parse(refused, error).has_value()) << refused.join(' ').toStdString();
        EXPECT_FALSE(error.isEmpty()) << refused.join(' ').toStdString();
    }
}
