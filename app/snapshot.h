// Snapshots of the analyser: the picture as shown (PNG), its columns (CSV) and the two-tone
// measurement of the shown spectrum with the settings that made it (JSON), written side by side.
#pragma once

#include "configrecord.h"
#include "frameoverlay.h"
#include "imdmeasure.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace zelvaro {

// "zelvaro-YYYYMMDD-HHMMSS" for the local time given.
QString SnapshotBaseName(const QDateTime &when);

// The documents folder's "Zelvaro" subfolder.
QString SnapshotFolder();

// "hz,left_db,right_db" (plus "left_peak_db,right_peak_db" while peak hold is on), then one row
// per plot column with the levels the plot shows there.
QByteArray SnapshotCsv(const TShownSpectrum &shown);

// The measurement in the measure command's JSON form, plus the settings that made it: the
// configuration record's eleven fields, I/Q mode and Mix. A failed measurement keeps its reason.
QJsonObject SnapshotJson(const TImdResult &result, const QString &channel, const TConfigRecord &record,
                         bool iqMode, bool mix);

struct TSnapshotContent {
    QImage Picture;
    QByteArray Csv;
    QByteArray Json;
};

// Writes <base>.png, .csv and .json into folder (created when missing), each through a temporary
// file and a rename, so a failed write leaves no half file and no older file damaged. A base name
// already used (two snapshots in one second) gets "-2", "-3", ... Returns the base path written
// (folder/base), or the reason it failed, naming the file.
struct TSnapshotOutcome {
    QString BasePath;   // set on success
    QString Error;      // set on failure
    bool Ok() const { return Error.isEmpty(); }
};
TSnapshotOutcome WriteSnapshot(const QString &folder, const QString &base, const TSnapshotContent &content);

}  // namespace zelvaro
