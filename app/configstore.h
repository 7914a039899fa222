// The configuration store: named 44-byte records and the "Version" stamp in one INI file per user.
#pragma once

#include "configrecord.h"
#include "panelswitches.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace zelvaro {

inline constexpr char kLastUsedConfig[] = "LastUsed";  // loaded at start, saved at shut-down
inline constexpr char kStoreVersion[] = "Version 092";
inline constexpr char kVersionValue[] = "Version";
inline constexpr char kConfigPrefix[] = "Config_";
inline constexpr char kSwitchesPrefix[] = "Switches_";
constexpr int kMaxConfigNameLength = 120;  // characters of a configuration name

// A name starting with this loads nothing and yields the defaults.
constexpr QChar kForcedDefaultsMark = u'*';
// A name starting with this names the stored value directly (the rest of the name) when loading.
constexpr QChar kDirectValueMark = u'$';

enum class TLoadOutcome {
    Loaded,          // the record came from the store; DefaultedFields lists any field that was repaired
    ForcedDefaults,  // the name began with "*"
    NoStore,         // there is no store yet
    ForeignDeleted,  // the store carried another "Version" and has been deleted
    Missing,         // the store has no usable value under that name
    Unreadable,      // the store file is corrupt or cannot be read; it is left untouched
};

struct TLoadResult {
    TConfigRecord Record;  // the loaded record, or the defaults
    TLoadOutcome Outcome = TLoadOutcome::NoStore;
    QStringList DefaultedFields;

    bool Loaded() const { return Outcome == TLoadOutcome::Loaded; }
};

enum class TSaveOutcome {
    Saved,
    NameRejected,  // empty, longer than kMaxConfigNameLength, or beginning with "$" or "*"
    WriteFailed,   // reported through the warn callback (a write failure only once per store)
};

// Nothing when the name can be saved; otherwise the message to show. An empty name is refused with an
// empty message, since a prompt left empty simply saves nothing.
std::optional<QString> ConfigNameProblem(const QString &name);

// Value names are user text; in the INI file they become keys of letters, digits, "_", "-", "." and
// %XX escapes of their UTF-8 bytes, so "/", "\", "=", "[", spaces and non-ASCII text survive.
QString EncodeValueName(const QString &valueName);
// The value name of a key written by EncodeValueName, or nothing for any other key.
std::optional<QString> DecodeValueName(const QString &key);

// Runs on the GUI thread only. Never throws and never blocks on a failing disk: every failure ends
// in defaults (load) or in one message through the warn callback (save).
class TConfigStore {
public:
    using TWarnFn = std::function<void(const QString &message)>;

    // The store of this user: $XDG_CONFIG_HOME/Zelvaro/Zelvaro.conf (~/.config when unset).
    explicit TConfigStore(TWarnFn warn = {});
    TConfigStore(QString filePath, TWarnFn warn);

    static QString DefaultFilePath();
    const QString &FilePath() const { return FFilePath; }

    // Reads a configuration, or the defaults when it cannot. A store with a "Version" other than
    // kStoreVersion is deleted at the first load that falls back to defaults; a corrupt one is kept.
    TLoadResult LoadConfig(const QString &name);

    // Writes the record under "Config_" + name and stamps the store with kStoreVersion. The file is
    // replaced atomically; a corrupt file is first copied aside as <file>.corrupt-<UTC time>,
    // and the values QSettings can still read from it are kept.
    TSaveOutcome SaveConfig(const QString &name, const TConfigRecord &record);

    // The panel's switches kept with a configuration, under "Switches_" + name beside its record.
    // Written only into a store that is readable; defaults when missing, damaged or foreign.
    TSaveOutcome SaveSwitches(const QString &name, const TPanelSwitches &switches);
    TPanelSwitches LoadSwitches(const QString &name) const;

    // Removes a configuration with its switches. False when it could not be written.
    bool DeleteConfig(const QString &name);

    // The names of the stored configurations in a stable order ("LastUsed" included), or nothing
    // when there is no usable store of this version (the caller then loads the defaults).
    std::optional<QStringList> ListConfigs() const;

    // The message for a store whose file cannot be read (TLoadOutcome::Unreadable). Once the caller
    // has shown it, MarkUnreadableReported keeps the later save from reporting the same file again
    // (that save may run while the program ends, when nobody is there to answer a box).
    QString UnreadableText() const;
    void MarkUnreadableReported() { FUnreadableReported = true; }

private:
    void ReportWriteFailure();
    std::optional<QString> BackUpCorruptFile();  // the copy's path, or nothing when it failed
    void DeleteForeignStore();

    QString FFilePath;
    TWarnFn FWarn;
    bool FWriteFailureReported = false;
    bool FUnreadableReported = false;
};

}  // namespace zelvaro
