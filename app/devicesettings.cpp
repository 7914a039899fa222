// Reading and writing the remembered sound devices with QSettings (INI, written through a rename).
#include "devicesettings.h"

#include "configstore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace zelvaro {

namespace {
const QString kInputKey = QStringLiteral("SoundDevices/Input");
const QString kOutputKey = QStringLiteral("SoundDevices/Output");
constexpr char kFileName[] = "SoundDevices.conf";
}  // namespace

QString DeviceSettingsPath()
{
    return QFileInfo(TConfigStore::DefaultFilePath()).absolutePath() + u'/' + QString::fromLatin1(kFileName);
}

TSoundDeviceChoice LoadDeviceChoice(const QString &path)
{
    const QSettings settings(path, QSettings::IniFormat);
    TSoundDeviceChoice choice;
    if (settings.status() != QSettings::NoError)
        return choice;
    choice.Input = settings.value(kInputKey).toString().toStdString();
    choice.Output = settings.value(kOutputKey).toString().toStdString();
    return choice;
}

bool SaveDeviceChoice(const QString &path, const TSoundDeviceChoice &choice)
{
    QDir().mkpath(QFileInfo(path).absolutePath());  // a failure shows up in the status below
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(kInputKey, QString::fromStdString(choice.Input));
    settings.setValue(kOutputKey, QString::fromStdString(choice.Output));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace zelvaro
