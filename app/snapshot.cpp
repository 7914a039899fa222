// Snapshot files: names, contents and the atomic writes.
#include "snapshot.h"

#include "measureformat.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace zelvaro {

namespace {

const QStringList kExtensions = {QStringLiteral(".png"), QStringLiteral(".csv"), QStringLiteral(".json")};
constexpr int kMaxSameSecond = 100;

QString Level(float db)
{
    return QString::number(static_cast<double>(db), 'f', 2);
}

bool BaseInUse(const QString &folder, const QString &base)
{
    for (const QString &extension : kExtensions)
        if (QFileInfo::exists(folder + u'/' + base + extension))
            return true;
    return false;
}

}  // namespace

QString SnapshotBaseName(const QDateTime &when)
{
    return QStringLiteral("zelvaro-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

QString SnapshotFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/Zelvaro");
}

QByteArray SnapshotCsv(const TShownSpectrum &shown)
{
    QByteArray csv = shown.HasPeaks ? "hz,left_db,right_db,left_peak_db,right_peak_db\n" : "hz,left_db,right_db\n";
    const double hzPerBin = static_cast<double>(shown.Settings.HzPerBin);
    for (int i = 0; i < shown.Columns.NumPoints; ++i) {
        const auto column = static_cast<size_t>(i);
        QString row = QString::number(static_cast<double>(shown.Columns.FirstBin + i) * hzPerBin, 'f', 3) + u',' +
                      Level(shown.Columns.LeftDb[column]) + u',' + Level(shown.Columns.RightDb[column]);
        if (shown.HasPeaks)
            row += u',' + Level(shown.PeakLeftDb[column]) + u',' + Level(shown.PeakRightDb[column]);
        csv += row.toLatin1() + '\n';
    }
    return csv;
}

QJsonObject SnapshotJson(const TImdResult &result, const QString &channel, const TConfigRecord &record,
                         bool iqMode, bool mix)
{
    QJsonObject json = ImdJson(result, channel);
    json.insert(QStringLiteral("measured"), result.Measured());
    if (!result.Measured())
        json.insert(QStringLiteral("message"), QString::fromStdString(result.Message));
    json.insert(QStringLiteral("settings"),
                QJsonObject{{QStringLiteral("start_hz"), static_cast<double>(record.StartHz)},
                            {QStringLiteral("fft_size"), record.FftSize},
                            {QStringLiteral("cal_measured"), static_cast<double>(record.CalMeasured)},
                            {QStringLiteral("cal_displayed"), static_cast<double>(record.CalDisplayed)},
                            {QStringLiteral("skew_us"), record.SkewUs},
                            {QStringLiteral("vgain"), record.VGain},
                            {QStringLiteral("vrange"), record.VRange},
                            {QStringLiteral("l_freq_hz"), record.LFreqHz},
                            {QStringLiteral("r_freq_hz"), record.RFreqHz},
                            {QStringLiteral("l_level_pos"), record.LLevelPos},
                            {QStringLiteral("r_level_pos"), record.RLevelPos},
                            {QStringLiteral("iq_mode"), iqMode},
                            {QStringLiteral("mix"), mix}});
    return json;
}

TSnapshotOutcome WriteSnapshot(const QString &folder, const QString &base, const TSnapshotContent &content)
{
    if (!QDir().mkpath(folder))
        return {{}, QStringLiteral("The folder %1 could not be created.").arg(QDir::toNativeSeparators(folder))};
    QString name = base;
    for (int n = 2; BaseInUse(folder, name) && n <= kMaxSameSecond; ++n)
        name = base + QStringLiteral("-%1").arg(n);

    QByteArray png;
    QBuffer pngBuffer(&png);
    pngBuffer.open(QIODevice::WriteOnly);
    if (!content.Picture.save(&pngBuffer, "PNG"))
        return {{}, QStringLiteral("The picture could not be encoded as PNG.")};

    const QByteArray *data[] = {&png, &content.Csv, &content.Json};
    const QString basePath = folder + u'/' + name;
    for (size_t i = 0; i < 3; ++i) {
        const QString path = basePath + kExtensions[static_cast<qsizetype>(i)];
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(*data[i]) != data[i]->size() || !file.commit())
            return {{}, QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(path),
                                                                          file.errorString())};
    }
    return {basePath, {}};
}

}  // namespace zelvaro
