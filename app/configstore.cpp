// The configuration store on QSettings: load, save, list, foreign-version deletion and corrupt-file care.
#include "configstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>

#include <algorithm>

namespace zelvaro {

namespace {

constexpr char kStoreFolder[] = "Zelvaro";
constexpr char kStoreFileName[] = "Zelvaro.conf";

enum class TFileState { Missing, WellFormed, Corrupt };

bool IsPlainKeyChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.';
}

int HexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;  // lower-case escapes are never written, so they do not name our keys
}

// QSettings reads lazily and silently drops lines it cannot parse when it next writes the file, so the
// file is checked here the way QSettings would read it: every line must be blank, a comment, a closed
// section header or a key=value pair with a non-empty key.
bool LooksLikeIni(const QByteArray &content)
{
    if (content.contains('\0'))
        return false;
    for (const QByteArray &rawLine : content.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']'))
                return false;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0 || line.left(equals).trimmed().isEmpty())
            return false;
    }
    return true;
}

TFileState InspectFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return TFileState::Missing;
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return TFileState::Corrupt;  // unreadable counts as corrupt: it must not be overwritten blindly
    return LooksLikeIni(file.readAll()) ? TFileState::WellFormed : TFileState::Corrupt;
}

// Whatever QSettings can make of a damaged file, by key.
QVariantHash ReadableValues(const QString &path)
{
    QVariantHash values;
    const QSettings damaged(path, QSettings::IniFormat);
    for (const QString &key : damaged.allKeys())
        values.insert(key, damaged.value(key));
    return values;
}

QString ReadVersion(const QSettings &settings)
{
    return settings.value(QString::fromLatin1(kVersionValue)).toString();
}

// The value name that loading the configuration reads: "Config_" + name, or for "$name" the rest of
// the name itself.
QString ValueNameToLoad(const QString &name)
{
    if (name.startsWith(kDirectValueMark))
        return name.mid(1);
    return QString::fromLatin1(kConfigPrefix) + name;
}

}  // namespace

std::optional<QString> ConfigNameProblem(const QString &name)
{
    if (name.isEmpty())
        return QString();
    // Loading reads these first characters as commands, so such a name could never come back.
    if (name.startsWith(kForcedDefaultsMark) || name.startsWith(kDirectValueMark))
        return QStringLiteral("A configuration name cannot begin with \"%1\" or \"%2\".")
            .arg(kDirectValueMark, kForcedDefaultsMark);
    if (name.toUcs4().size() > kMaxConfigNameLength)
        return QStringLiteral("The name is too long: a configuration name can have at most %1 characters.")
            .arg(kMaxConfigNameLength);
    return std::nullopt;
}

QString EncodeValueName(const QString &valueName)
{
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    QString key;
    for (const char byte : valueName.toUtf8()) {
        if (IsPlainKeyChar(byte)) {
            key += QLatin1Char(byte);
        } else {
            const auto value = static_cast<unsigned char>(byte);
            key += QLatin1Char('%');
            key += QLatin1Char(kHexDigits[value >> 4]);
            key += QLatin1Char(kHexDigits[value & 0x0F]);
        }
    }
    return key;
}

std::optional<QString> DecodeValueName(const QString &key)
{
    QByteArray utf8;
    for (qsizetype i = 0; i < key.size(); ++i) {
        const QChar c = key.at(i);
        if (c == u'%') {
            if (i + 2 >= key.size())
                return std::nullopt;
            const int high = HexValue(key.at(i + 1));
            const int low = HexValue(key.at(i + 2));
            if (high < 0 || low < 0)
                return std::nullopt;
            utf8 += static_cast<char>(high * 16 + low);
            i += 2;
        } else if (c.unicode() < 0x80 && IsPlainKeyChar(static_cast<char>(c.unicode()))) {
            utf8 += static_cast<char>(c.unicode());
        } else {
            return std::nullopt;
        }
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString name = decoder.decode(utf8);
    if (decoder.hasError())
        return std::nullopt;
    // Only the one spelling EncodeValueName produces names a value (no escaped plain characters).
    if (EncodeValueName(name) != key)
        return std::nullopt;
    return name;
}

TConfigStore::TConfigStore(TWarnFn warn) : TConfigStore(DefaultFilePath(), std::move(warn)) {}

TConfigStore::TConfigStore(QString filePath, TWarnFn warn) : FFilePath(std::move(filePath)), FWarn(std::move(warn)) {}

QString TConfigStore::DefaultFilePath()
{
    // Asked anew each time, so that XDG_CONFIG_HOME set by a test takes effect.
    const QString configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return configHome + u'/' + QString::fromLatin1(kStoreFolder) + u'/' + QString::fromLatin1(kStoreFileName);
}

TLoadResult TConfigStore::LoadConfig(const QString &name)
{
    TLoadResult result;
    const bool forcedDefaults = name.startsWith(kForcedDefaultsMark);

    switch (InspectFile(FFilePath)) {
    case TFileState::Missing:
        result.Outcome = forcedDefaults ? TLoadOutcome::ForcedDefaults : TLoadOutcome::NoStore;
        return result;
    case TFileState::Corrupt:
        result.Outcome = TLoadOutcome::Unreadable;
        return result;
    case TFileState::WellFormed:
        break;
    }

    bool versionMatches = false;
    {
        const QSettings settings(FFilePath, QSettings::IniFormat);
        versionMatches = ReadVersion(settings) == QLatin1String(kStoreVersion);
        if (versionMatches && !forcedDefaults) {
            const QVariant value = settings.value(EncodeValueName(ValueNameToLoad(name)));
            if (settings.status() != QSettings::NoError) {
                result.Outcome = TLoadOutcome::Unreadable;
                return result;
            }
            // Only a binary value holds a record; a text value under that name is not one.
            if (value.typeId() == QMetaType::QByteArray && !value.toByteArray().isEmpty()) {
                TDecodedRecord decoded = DecodeConfigRecord(value.toByteArray());
                result.Record = decoded.Record;
                result.DefaultedFields = decoded.DefaultedFields;
                result.Outcome = TLoadOutcome::Loaded;
                return result;
            }
        }
        if (settings.status() != QSettings::NoError) {
            result.Outcome = TLoadOutcome::Unreadable;
            return result;
        }
    }

    if (!versionMatches) {
        DeleteForeignStore();
        result.Outcome = TLoadOutcome::ForeignDeleted;
    } else {
        result.Outcome = forcedDefaults ? TLoadOutcome::ForcedDefaults : TLoadOutcome::Missing;
    }
    return result;
}

TSaveOutcome TConfigStore::SaveConfig(const QString &name, const TConfigRecord &record)
{
    if (ConfigNameProblem(name))
        return TSaveOutcome::NameRejected;

    // QSettings would drop the lines it cannot parse while writing, and its first error hides later
    // ones, so a corrupt file is never written over: it is copied aside, what can be read of it is
    // carried over, and the store starts again from a clean file.
    QVariantHash salvaged;
    if (InspectFile(FFilePath) == TFileState::Corrupt) {
        const std::optional<QString> backup = BackUpCorruptFile();
        if (!backup || !QFile::remove(FFilePath)) {
            ReportWriteFailure();
            return TSaveOutcome::WriteFailed;
        }
        salvaged = ReadableValues(*backup);
    }

    QDir().mkpath(QFileInfo(FFilePath).absolutePath());  // a failure shows up as AccessError below
    QSettings settings(FFilePath, QSettings::IniFormat);
    for (auto it = salvaged.cbegin(); it != salvaged.cend(); ++it)
        settings.setValue(it.key(), it.value());
    settings.setValue(EncodeValueName(QString::fromLatin1(kConfigPrefix) + name), EncodeConfigRecord(record));
    settings.setValue(QString::fromLatin1(kVersionValue), QString::fromLatin1(kStoreVersion));
    // QSettings writes a temporary file and renames it over the store: a crash leaves old or new.
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        ReportWriteFailure();
        return TSaveOutcome::WriteFailed;
    }
    return TSaveOutcome::Saved;
}

TSaveOutcome TConfigStore::SaveSwitches(const QString &name, const TPanelSwitches &switches)
{
    if (ConfigNameProblem(name))
        return TSaveOutcome::NameRejected;
    if (InspectFile(FFilePath) != TFileState::WellFormed)
        return TSaveOutcome::WriteFailed;  // the record's save has reported the store already
    QSettings settings(FFilePath, QSettings::IniFormat);
    settings.setValue(EncodeValueName(QString::fromLatin1(kSwitchesPrefix) + name), EncodePanelSwitches(switches));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        ReportWriteFailure();
        return TSaveOutcome::WriteFailed;
    }
    return TSaveOutcome::Saved;
}

TPanelSwitches TConfigStore::LoadSwitches(const QString &name) const
{
    if (name.startsWith(kForcedDefaultsMark) || InspectFile(FFilePath) != TFileState::WellFormed)
        return {};
    const QSettings settings(FFilePath, QSettings::IniFormat);
    if (ReadVersion(settings) != QLatin1String(kStoreVersion))
        return {};
    const QVariant value = settings.value(EncodeValueName(QString::fromLatin1(kSwitchesPrefix) + name));
    if (settings.status() != QSettings::NoError || value.typeId() != QMetaType::QString)
        return {};
    return DecodePanelSwitches(value.toString()).value_or(TPanelSwitches{});
}

bool TConfigStore::DeleteConfig(const QString &name)
{
    if (InspectFile(FFilePath) != TFileState::WellFormed)
        return false;
    QSettings settings(FFilePath, QSettings::IniFormat);
    settings.remove(EncodeValueName(QString::fromLatin1(kConfigPrefix) + name));
    settings.remove(EncodeValueName(QString::fromLatin1(kSwitchesPrefix) + name));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        ReportWriteFailure();
        return false;
    }
    return true;
}

std::optional<QStringList> TConfigStore::ListConfigs() const
{
    if (InspectFile(FFilePath) != TFileState::WellFormed)
        return std::nullopt;
    const QSettings settings(FFilePath, QSettings::IniFormat);
    if (ReadVersion(settings) != QLatin1String(kStoreVersion) || settings.status() != QSettings::NoError)
        return std::nullopt;

    const QString prefix = QString::fromLatin1(kConfigPrefix);
    QStringList names;
    for (const QString &key : settings.childKeys()) {
        const std::optional<QString> valueName = DecodeValueName(key);
        if (valueName && valueName->startsWith(prefix))
            names << valueName->mid(prefix.size());
    }
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

void TConfigStore::ReportWriteFailure()
{
    if (FWriteFailureReported || !FWarn)
        return;
    FWriteFailureReported = true;
    FWarn(QStringLiteral("The settings could not be saved to %1.\nThe settings stored there before are unchanged.")
              .arg(QDir::toNativeSeparators(FFilePath)));
}

std::optional<QString> TConfigStore::BackUpCorruptFile()
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString backup = FFilePath + QStringLiteral(".corrupt-") + stamp;
    for (int suffix = 1; QFileInfo::exists(backup); ++suffix)
        backup = FFilePath + QStringLiteral(".corrupt-") + stamp + u'-' + QString::number(suffix);
    if (!QFile::copy(FFilePath, backup))
        return std::nullopt;
    if (FWarn && !FUnreadableReported)
        FWarn(QStringLiteral("The settings file %1 could not be read completely. It has been kept as %2.")
                  .arg(QDir::toNativeSeparators(FFilePath), QDir::toNativeSeparators(backup)));
    return backup;
}

QString TConfigStore::UnreadableText() const
{
    return QStringLiteral("The settings file %1 could not be read; the default settings are in use.\n"
                          "The file is kept: when settings are next saved, it is first copied to %1.corrupt-<date>.")
        .arg(QDir::toNativeSeparators(FFilePath));
}

void TConfigStore::DeleteForeignStore()
{
    {
        // Clearing through QSettings keeps its in-process cache in step with the file.
        QSettings settings(FFilePath, QSettings::IniFormat);
        settings.clear();
        settings.sync();
        if (settings.status() != QSettings::NoError) {
            ReportWriteFailure();
            return;
        }
    }
    QFile::remove(FFilePath);
}

}  // namespace zelvaro
