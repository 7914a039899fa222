// The two lines of the IMD readout strip: tones, IMD3 and IMD5 in the chosen reference, held
// steady from frame to frame.
#pragma once

#include "imdmeasure.h"

#include <QString>
#include <QStringList>

#include <map>
#include <optional>

namespace zelvaro {

// How product levels are referred: to the stronger tone, to the peak envelope (the sum of both
// tones' amplitudes), or as the audio convention's difference-frequency d3.
enum class TImdReference { Dbc, DbPep, IecD3 };

// The reference as the readout and the menu name it.
QString ReferenceName(TImdReference reference, const TImdResult &result);

// Formats measurements for the strip. Each number only moves when the new value lies a whole
// step (0.1 dB, 0.1 Hz) from the shown one, so measurement noise never flickers the last digit.
class TImdReadout {
public:
    // Two lines, or one line that says why nothing was measured.
    QStringList Lines(const TImdResult &result, TImdReference reference);
    // Forget the shown values (the readout was switched off, the span changed).
    void Reset() { FShown.clear(); }

private:
    QString Steady(const QString &key, double value, double resolution, int decimals);
    QString ProductCell(const TImdResult &result, int order, bool upper, TImdReference reference);

    std::map<QString, double> FShown;
};

}  // namespace zelvaro
