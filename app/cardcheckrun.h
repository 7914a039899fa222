// The card check run through a headless capture: the same tone on both outputs at several
// frequencies, then two tones mixed on both, measured on both inputs.
#pragma once

#include "cardcheck.h"
#include "imdmeasure.h"
#include "measurecapture.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

namespace zelvaro {

constexpr double kCardCheckLevelDb = -7.0;  // each tone; two summed stay 1 dB below full scale
// The two tones of the card's own IMD: close enough that IMD3 and IMD5 fall on both sides inside
// the band (IMD3 at 900 and 2700 Hz, IMD5 at 300 and 3300 Hz).
constexpr int kCardCheckImdHz1 = 1500;
constexpr int kCardCheckImdHz2 = 2100;

struct TCardCheckResult {
    bool Heard = false;        // false: nothing measured (no cable, samples lost); Message says why
    std::string Message;
    TSkewFit Skew;
    TImdResult Imd;            // left input, both tones mixed on both outputs
    double FloorDbfs = 0.0;
};

// Runs the check on an opened capture, with the generator's skew compensation skewUs applied to
// the right output (0 for a first check). Nothing on a device error or a stop request (the
// capture's Error() or StopRequested() says which).
std::optional<TCardCheckResult> RunCardCheck(TMeasureCapture &capture, double skewUs);

// The generator's skew that compensates the card, from a check run with appliedSkewUs in effect:
// what the check still measured adds to what was applied (a right channel that lags by d is met
// by a compensation of +d, which plays it d earlier).
double CompensatingSkewUs(double appliedSkewUs, const TSkewFit &measured);

extern const char *const kInputsDoNotHearText;
extern const char *const kSamplesLostText;

QByteArray FormatCardCheckJson(const TCardCheckResult &result);
QString FormatCardCheckText(const TCardCheckResult &result);
// The same in a few sentences for a message box (proportional font), naming the compensation the
// check ran with.
QString FormatCardCheckSummary(const TCardCheckResult &result, double appliedSkewUs);

}  // namespace zelvaro
