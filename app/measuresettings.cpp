// Measurement preferences through QSettings (INI).
#include "measuresettings.h"

#include "configstore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace zelvaro {

namespace {
const QString kReadoutKey = QStringLiteral("Measurement/ImdReadout");
const QString kReferenceKey = QStringLiteral("Measurement/Reference");
const QString kPeakHoldKey = QStringLiteral("Measurement/PeakHold");
const QString kMixKey = QStringLiteral("Generator/Mix");
constexpr char kFileName[] = "Measurement.conf";

QString ReferenceKeyword(TImdReference reference)
{
    switch (reference) {
    case TImdReference::DbPep: return QStringLiteral("dbpep");
    case TImdReference::IecD3: return QStringLiteral("d3");
    case TImdReference::Dbc: break;
    }
    return QStringLiteral("dbc");
}
}  // namespace

QString MeasurePrefsPath()
{
    return QFileInfo(TConfigStore::DefaultFilePath()).absolutePath() + u'/' + QString::fromLatin1(kFileName);
}

TMeasurePrefs LoadMeasurePrefs(const QString &path)
{
    TMeasurePrefs prefs;
    const QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return prefs;
    prefs.ImdReadoutOn = settings.value(kReadoutKey, false).toBool();
    prefs.PeakHoldOn = settings.value(kPeakHoldKey, false).toBool();
    prefs.MixTones = settings.value(kMixKey, false).toBool();
    const QString reference = settings.value(kReferenceKey).toString();
    for (TImdReference candidate : {TImdReference::Dbc, TImdReference::DbPep, TImdReference::IecD3})
        if (reference == ReferenceKeyword(candidate))
            prefs.Reference = candidate;
    return prefs;
}

bool SaveMeasurePrefs(const QString &path, const TMeasurePrefs &prefs)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(kReadoutKey, prefs.ImdReadoutOn);
    settings.setValue(kReferenceKey, ReferenceKeyword(prefs.Reference));
    settings.setValue(kPeakHoldKey, prefs.PeakHoldOn);
    settings.setValue(kMixKey, prefs.MixTones);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace zelvaro
