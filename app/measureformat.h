// The measurement as a person or a script reads it: a text table, one JSON object, CSV lines.
#pragma once

#include "imdmeasure.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

namespace zelvaro {

enum class TMeasureFormat { Text, Json, Csv };

// One step of a level sweep: the drive level and what was measured there.
struct TSweepStep {
    double LevelDb = 0.0;
    TImdResult Result;
};

// The JSON object of one measurement; `channel` is "left" or "right".
QJsonObject ImdJson(const TImdResult &result, const QString &channel);

QByteArray FormatMeasurement(const TImdResult &result, const QString &channel, TMeasureFormat format);
QByteArray FormatSweep(const std::vector<TSweepStep> &steps, const QString &channel, TMeasureFormat format);

// The points a sweep contributes to the intercept: IMD3 of the worse side, where it was measured.
std::vector<TSweepPoint> SweepPoints(const std::vector<TSweepStep> &steps);

}  // namespace zelvaro
