// Card check: one capture per test frequency, one for the card's own IMD, and their report.
#include "cardcheckrun.h"

#include "measureformat.h"
#include "framepower.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>
#include <span>
#include <vector>

namespace zelvaro {

const char *const kInputsDoNotHearText =
    "The inputs do not hear the outputs: connect the line output to the line input (left to left, "
    "right to right) and check that the input is neither muted nor turned down.";

namespace {

constexpr int kToneFftSize = 8192;      // 0.37 s per frequency; bins of 2.7 Hz
constexpr size_t kImdFftSize = 32768;   // bins of 0.67 Hz for the card's own IMD
constexpr size_t kImdFrames = 3;          // power-averaged, overlapping by half: 2.97 s
constexpr double kSettleSeconds = 3.0;  // a card that has not answered by then does not hear
constexpr double kMixedRiseDb = 2.0;    // two mixed tones are 3 dB louder than one
constexpr int kCaptureAttempts = 3;

// The loopback card's cubic term is set for the IMD3 of two tones at the check's level.
static_assert(kCardCheckLevelDb == kLoopbackDistortionToneDbfs);

// Rounded to hundredths; a value that rounds to zero is plain zero, never "-0.00".
double Rounded(double value)
{
    return std::round(value * 100.0) / 100.0 + 0.0;
}

QString Fixed(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return QString::number(std::round(value * scale) / scale + 0.0, 'f', decimals);
}

// A capture whose level holds steady in both channels: one with a dropout (a starved card, an
// overloaded system) is taken again, up to kCaptureAttempts times. Nothing on a device error or a
// stop request; `steady` says whether the last capture held.
std::optional<TCapturedFrames> SteadyCapture(TMeasureCapture &capture, int samples, double minChangeDb,
                                             double expectHz, bool &steady)
{
    for (int attempt = 1;; ++attempt) {
        auto frames = capture.Capture(samples, kSettleSeconds, attempt == 1 ? minChangeDb : 0.0, expectHz);
        if (!frames)
            return std::nullopt;
        steady = !HasDropout(frames->Left) && !HasDropout(frames->Right);
        if (steady || !capture.Settled() || attempt == kCaptureAttempts)
            return frames;
    }
}

}  // namespace

const char *const kSamplesLostText =
    "Samples went missing while measuring, again and again (is the system very busy?); nothing was "
    "measured. Try again.";

std::optional<TCardCheckResult> RunCardCheck(TMeasureCapture &capture, double skewUs)
{
    TCardCheckResult result;
    bool steady = true;
    std::vector<TChannelTone> tones;
    for (double hz : kCardCheckHz) {
        TMeasureTones same;
        same.Hz1 = same.Hz2 = static_cast<int>(hz);
        same.LevelDb1 = same.LevelDb2 = kCardCheckLevelDb;
        same.SkewUs = skewUs;
        capture.Play(same);
        const auto frames = SteadyCapture(capture, kToneFftSize, 0.0, hz, steady);
        if (!frames)
            return std::nullopt;
        const auto tone = MeasureChannelTone(frames->Left, frames->Right, hz, kSampleRate);
        if (!capture.Settled() || !tone) {
            capture.Play(std::nullopt);
            result.Message = kInputsDoNotHearText;
            return result;
        }
        if (!steady) {
            capture.Play(std::nullopt);
            result.Message = kSamplesLostText;
            return result;
        }
        tones.push_back(*tone);
    }

    TMeasureTones mixed;
    mixed.Hz1 = kCardCheckImdHz1;
    mixed.Hz2 = kCardCheckImdHz2;
    mixed.LevelDb1 = mixed.LevelDb2 = kCardCheckLevelDb;
    mixed.Mix = true;
    capture.Play(mixed);
    constexpr size_t kHop = kImdFftSize / 2;
    const auto frames =
        SteadyCapture(capture, static_cast<int>(kImdFftSize + (kImdFrames - 1) * kHop), kMixedRiseDb, 0.0, steady);
    capture.Play(std::nullopt);
    if (!frames)
        return std::nullopt;
    if (!steady) {
        result.Message = kSamplesLostText;
        return result;
    }
    TPowerAverager averager(static_cast<int>(kImdFftSize));
    for (size_t start = 0; start + kImdFftSize <= frames->Left.size(); start += kHop)
        averager.Add(std::span<const float>(frames->Left).subspan(start, kImdFftSize));
    TImdParams params;
    params.HintHz1 = kCardCheckImdHz1;
    params.HintHz2 = kCardCheckImdHz2;
    result.Imd =
        MeasureImd(averager.Average(), HannScale(static_cast<int>(kImdFftSize), kSampleRate, averager.Frames()), params);
    if (!result.Imd.Measured()) {
        result.Message = kInputsDoNotHearText;
        return result;
    }
    result.Heard = true;
    result.Skew = *FitChannelSkew(tones);
    result.FloorDbfs = result.Imd.FloorDbfs;
    return result;
}

double CompensatingSkewUs(double appliedSkewUs, const TSkewFit &measured)
{
    return appliedSkewUs + measured.SkewUs;
}

QString FormatCardCheckSummary(const TCardCheckResult &result, double appliedSkewUs)
{
    QStringList lines;
    lines << QStringLiteral("Channel skew: %1 \u00b5s, right later than left (fit residual %2 \u00b5s), "
                            "with %3 \u00b5s of compensation applied.")
                 .arg(Fixed(result.Skew.SkewUs, 2), Fixed(result.Skew.ResidualUs, 2), Fixed(appliedSkewUs, 1));
    lines << QStringLiteral("Gain difference: %1 dB, right against left.").arg(Fixed(result.Skew.GainDifferenceDb, 2));
    for (int order : {3, 5}) {
        QStringList sides;
        for (const TProductReading &p : result.Imd.Products)
            if (p.Order == order)
                sides << QStringLiteral("%1%2 dBc %3")
                             .arg(p.BelowFloor ? QStringLiteral("< ") : QString(), Fixed(p.Dbc, 1),
                                  p.Upper ? QStringLiteral("above") : QStringLiteral("below"));
        lines << QStringLiteral("The card's own IMD%1: %2.").arg(order).arg(sides.join(QStringLiteral(", ")));
    }
    lines << QStringLiteral("Noise floor: %1 dBFS.").arg(Fixed(result.FloorDbfs, 1));
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QByteArray FormatCardCheckJson(const TCardCheckResult &result)
{
    const QJsonObject object{{QStringLiteral("skew_us"), Rounded(result.Skew.SkewUs)},
                             {QStringLiteral("skew_fit_residual_us"), Rounded(result.Skew.ResidualUs)},
                             {QStringLiteral("gain_difference_db"), Rounded(result.Skew.GainDifferenceDb)},
                             {QStringLiteral("imd"), ImdJson(result.Imd, QStringLiteral("left"))},
                             {QStringLiteral("floor_dbfs"), Rounded(result.FloorDbfs)}};
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QString FormatCardCheckText(const TCardCheckResult &result)
{
    QStringList lines;
    lines << QStringLiteral("Card check through the loopback cable (line output to line input), %1 Hz")
                 .arg(kSampleRate);
    lines << QStringLiteral("Channel skew     %1 us    right later than left; fit residual %2 us over %3 tones")
                 .arg(Fixed(result.Skew.SkewUs, 2), 8)
                 .arg(Fixed(result.Skew.ResidualUs, 2))
                 .arg(std::size(kCardCheckHz));
    lines << QStringLiteral("Gain difference  %1 dB    right against left").arg(Fixed(result.Skew.GainDifferenceDb, 2), 8);
    lines << QStringLiteral("Noise floor      %1 dBFS  the noise alone where a product is read").arg(Fixed(result.FloorDbfs, 1), 8);
    lines << QStringLiteral("Own IMD          %1 and %2 Hz at %3 dBFS each, mixed on both outputs, left input")
                 .arg(kCardCheckImdHz1)
                 .arg(kCardCheckImdHz2)
                 .arg(kCardCheckLevelDb, 0, 'f', 0);
    for (int order : {3, 5}) {
        QString line = QStringLiteral("  IMD%1").arg(order);
        for (const TProductReading &p : result.Imd.Products)
            if (p.Order == order)
                line += QStringLiteral("   %1 %2 dBc")
                            .arg(p.Upper ? QStringLiteral("upper") : QStringLiteral("lower"))
                            .arg((p.BelowFloor ? QStringLiteral("< ") : QString()) + Fixed(p.Dbc, 1), 8);
        lines << line;
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

}  // namespace zelvaro
