// Parsing and checking the loopback card's line options.
#include "loopbackflags.h"

#include <QCommandLineParser>

#include <cmath>

namespace zelvaro {

namespace {

constexpr double kMildestDistortionDbc = -150.0;
// Above about -22 dBc the cubic term would bend back (no longer rise) before two tones at -7 dBFS
// reach their peak.
constexpr double kStrongestDistortionDbc = -25.0;

bool ParseNumber(const QString &text, double &value)
{
    bool ok = false;
    value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value);
}

}  // namespace

TLoopbackLineFlags::TLoopbackLineFlags()
    : FSkew(QStringLiteral("loopback-skew"),
            QStringLiteral("With --loopback: the card's right channel lags the left by <us> microseconds "
                           "(-500 to 500; negative: the left one lags)."),
            QStringLiteral("us")),
      FDistortion(QStringLiteral("loopback-distortion"),
                  QStringLiteral("With --loopback: a cubic term in the card whose IMD3 for two tones at -7 dBFS "
                                 "each is <dbc> (-150 to -25)."),
                  QStringLiteral("dbc")),
      FUnplugged(QStringLiteral("loopback-unplugged"),
                 QStringLiteral("With --loopback: the card's cable is out; only its noise comes back."))
{
}

void TLoopbackLineFlags::AddTo(QCommandLineParser &parser) const
{
    parser.addOption(FSkew);
    parser.addOption(FDistortion);
    parser.addOption(FUnplugged);
}

std::optional<TLoopbackOptions> TLoopbackLineFlags::Given(const QCommandLineParser &parser, bool loopbackSet,
                                                          QString &error) const
{
    TLoopbackOptions options;
    if (parser.isSet(FSkew) && (!ParseNumber(parser.value(FSkew), options.Line.SkewUs) ||
                                std::fabs(options.Line.SkewUs) > kLoopbackMaxSkewUs)) {
        error = QStringLiteral("--loopback-skew takes the right channel's delay in microseconds, -500 to 500");
        return std::nullopt;
    }
    if (parser.isSet(FDistortion) &&
        (!ParseNumber(parser.value(FDistortion), options.Line.DistortionDbc) ||
         options.Line.DistortionDbc > kStrongestDistortionDbc || options.Line.DistortionDbc < kMildestDistortionDbc)) {
        error = QStringLiteral("--loopback-distortion takes the IMD3 in dBc of two tones at -7 dBFS, -150 to -25");
        return std::nullopt;
    }
    options.Unplugged = parser.isSet(FUnplugged);
    if ((parser.isSet(FSkew) || parser.isSet(FDistortion) || options.Unplugged) && !loopbackSet) {
        error = QStringLiteral("--loopback-skew, --loopback-distortion and --loopback-unplugged need --loopback");
        return std::nullopt;
    }
    return options;
}

}  // namespace zelvaro
