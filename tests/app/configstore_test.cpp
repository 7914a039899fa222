// Tests of the configuration store: round trips, version handling, bad files, unwritable places, crashes.
#include "configstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace zelvaro;

namespace {

constexpr char kChildModeVariable[] = "ZELVARO_STORE_CHILD";
constexpr char kChildOutputMark[] = "CHILD:";

TConfigRecord SampleRecord(int seed)
{
    TConfigRecord r;
    r.StartHz = 123.5f + static_cast<float>(seed);
    r.FftSize = seed % 2 == 0 ? 65536 : 2048;
    r.CalMeasured = 1001.0f + static_cast<float>(seed);
    r.CalDisplayed = 999.5f;
    r.SkewUs = -12.25 + seed;
    r.VGain = 10 + seed;
    r.VRange = 160 - seed;
    r.LFreqHz = 440 + seed;
    r.RFreqHz = 10000 - seed;
    r.LLevelPos = 10 + seed;
    r.RLevelPos = 9990 + seed;
    return r;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// Every test gets its own configuration home, set before any QSettings is created.
class ConfigStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FHome.isValid());
        FSavedHome = qgetenv("XDG_CONFIG_HOME");
        FHadHome = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", FHome.path().toLocal8Bit());
    }
    void TearDown() override
    {
        if (FHadHome)
            qputenv("XDG_CONFIG_HOME", FSavedHome);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }

    QString Home() const { return FHome.path(); }
    QString StorePath() const { return Home() + "/Zelvaro/Zelvaro.conf"; }

    TConfigStore MakeStore()
    {
        return TConfigStore([this](const QString &message) { FWarnings << message; });
    }

    // Runs this test program again as a child in mode, with this test's configuration home.
    QProcess *StartChild(const QString &mode)
    {
        auto *child = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildModeVariable), mode);
        env.insert("XDG_CONFIG_HOME", Home());
        child->setProcessEnvironment(env);
        child->setProcessChannelMode(QProcess::SeparateChannels);
        child->start(QCoreApplication::applicationFilePath(), {});
        return child;
    }

    // The CHILD: lines of a child that ran to its end.
    QStringList RunChild(const QString &mode)
    {
        std::unique_ptr<QProcess> child(StartChild(mode));
        EXPECT_TRUE(child->waitForFinished(60000));
        EXPECT_EQ(child->exitCode(), 0) << child->readAllStandardError().toStdString();
        QStringList lines;
        for (const QString &line : QString::fromUtf8(child->readAllStandardOutput()).split(u'\n'))
            if (line.startsWith(QLatin1String(kChildOutputMark)))
                lines << line.mid(static_cast<qsizetype>(strlen(kChildOutputMark)));
        return lines;
    }

    QStringList FWarnings;

private:
    QTemporaryDir FHome;
    QByteArray FSavedHome;
    bool FHadHome = false;
};

}  // namespace

// The child side of the cross-process tests: started by one of them, this program does the child's
// work before any test runs, and ends.
class TStoreChildEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const QString mode = qEnvironmentVariable(kChildModeVariable);
        if (mode.isEmpty())
            return;
        const int exitCode = RunChild(mode);
        fflush(stdout);
        std::_Exit(exitCode);  // the parent reads the output; nothing else of this process matters
    }

private:
    static int RunChild(const QString &mode)
    {
        TConfigStore store;
        if (mode == "list") {
            // Each stored configuration as: hex of the UTF-8 name, hex of the record as loaded, loaded.
            for (const QString &name : store.ListConfigs().value_or(QStringList{"<no store>"})) {
                const TLoadResult loaded = store.LoadConfig(name);
                printf("%s%s %s %d\n", kChildOutputMark, name.toUtf8().toHex().constData(),
                       EncodeConfigRecord(loaded.Record).toHex().constData(), loaded.Loaded());
            }
            const QSettings raw(TConfigStore::DefaultFilePath(), QSettings::IniFormat);
            printf("%sVersion type %s\n", kChildOutputMark, raw.value("Version").metaType().name());
            return 0;
        }
        if (mode == "saveloop") {
            // Alternates two records under one name until killed; the marker says the first save is done.
            for (int i = 0; i < 200000; ++i) {
                if (store.SaveConfig(kLastUsedConfig, SampleRecord(i % 2)) != TSaveOutcome::Saved)
                    return 2;
                if (i == 0 && !QFile(store.FilePath() + ".started").open(QIODevice::WriteOnly))
                    return 3;
            }
            return 0;
        }
        return 1;
    }
};

[[maybe_unused]] const auto *const kStoreChildEnvironment =
    ::testing::AddGlobalTestEnvironment(new TStoreChildEnvironment);

TEST_F(ConfigStoreTest, RoundTripRestoresAllElevenFields)
{
    TConfigStore store = MakeStore();
    ASSERT_EQ(store.SaveConfig("A", SampleRecord(1)), TSaveOutcome::Saved);
    ASSERT_EQ(store.SaveConfig("A", SampleRecord(1)), TSaveOutcome::Saved);  // overwriting is allowed
    ASSERT_EQ(store.SaveConfig("B", SampleRecord(2)), TSaveOutcome::Saved);
    const TLoadResult loaded = store.LoadConfig("A");
    EXPECT_EQ(loaded.Outcome, TLoadOutcome::Loaded);
    EXPECT_EQ(loaded.Record, SampleRecord(1));
    EXPECT_TRUE(loaded.DefaultedFields.isEmpty());
    EXPECT_EQ(store.ListConfigs(), (QStringList{"A", "B"}));
    EXPECT_TRUE(FWarnings.isEmpty());
}

TEST_F(ConfigStoreTest, FirstStartUsesDefaultsAndExitCreatesTheStore)
{
    TConfigStore store = MakeStore();
    EXPECT_EQ(store.FilePath(), StorePath());
    const TLoadResult first = store.LoadConfig(kLastUsedConfig);
    EXPECT_EQ(first.Outcome, TLoadOutcome::NoStore);
    EXPECT_EQ(first.Record, TConfigRecord{});
    EXPECT_FALSE(QFileInfo::exists(StorePath()));  // loading never creates the store
    EXPECT_FALSE(store.ListConfigs().has_value());

    ASSERT_EQ(store.SaveConfig(kLastUsedConfig, first.Record), TSaveOutcome::Saved);
    const QSettings raw(StorePath(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Version").toString(), QString("Version 092"));
    EXPECT_EQ(raw.value("Config_LastUsed").toByteArray(), EncodeConfigRecord(TConfigRecord{}));
    EXPECT_EQ(store.ListConfigs(), QStringList{"LastUsed"});
}

TEST_F(ConfigStoreTest, ForeignVersionIsDeletedAtTheFirstLoadThatFallsBack)
{
    const QByteArray record = EncodeConfigRecord(SampleRecord(3));
    {
        QDir().mkpath(Home() + "/Zelvaro");
        QSettings foreign(StorePath(), QSettings::IniFormat);
        foreign.setValue("Version", "Version 091");
        foreign.setValue("Config_A", record);
    }
    TConfigStore store = MakeStore();
    EXPECT_FALSE(store.ListConfigs().has_value());  // "Load Settings from..." falls back to the defaults
    EXPECT_TRUE(QFileInfo::exists(StorePath()));    // listing alone deletes nothing

    const TLoadResult loaded = store.LoadConfig("A");
    EXPECT_EQ(loaded.Outcome, TLoadOutcome::ForeignDeleted);
    EXPECT_EQ(loaded.Record, TConfigRecord{});
    EXPECT_FALSE(QFileInfo::exists(StorePath()));

    // A store without any "Version" is foreign as well, also for a forced default load.
    WriteAll(StorePath(), "[General]\nConfig_A=x\n");
    EXPECT_EQ(store.LoadConfig("*").Outcome, TLoadOutcome::ForeignDeleted);
    EXPECT_FALSE(QFileInfo::exists(StorePath()));
    EXPECT_TRUE(FWarnings.isEmpty());
}

TEST_F(ConfigStoreTest, DefaultLoadAndMissingNamesKeepStoredConfigurations)
{
    TConfigStore store = MakeStore();
    ASSERT_EQ(store.SaveConfig("A", SampleRecord(4)), TSaveOutcome::Saved);
    const QByteArray before = ReadAll(StorePath());

    const TLoadResult forced = store.LoadConfig("*");
    EXPECT_EQ(forced.Outcome, TLoadOutcome::ForcedDefaults);
    EXPECT_EQ(forced.Record, TConfigRecord{});
    const TLoadResult starred = store.LoadConfig("*A");  // never loads, even when "Config_*A" existed
    EXPECT_EQ(starred.Outcome, TLoadOutcome::ForcedDefaults);
    const TLoadResult missing = store.LoadConfig("nonesuch");
    EXPECT_EQ(missing.Outcome, TLoadOutcome::Missing);
    EXPECT_EQ(missing.Record, TConfigRecord{});

    EXPECT_EQ(ReadAll(StorePath()), before);
    EXPECT_EQ(store.LoadConfig("A").Record, SampleRecord(4));
}

TEST_F(ConfigStoreTest, DollarNamesLoadTheValueTheyNameAndAreNotSaved)
{
    TConfigStore store = MakeStore();
    ASSERT_EQ(store.SaveConfig("A", SampleRecord(5)), TSaveOutcome::Saved);
    EXPECT_EQ(store.SaveConfig("$Config_A", SampleRecord(6)), TSaveOutcome::NameRejected);
    EXPECT_EQ(store.ListConfigs(), (QStringList{"A"}));
    EXPECT_EQ(store.LoadConfig("$Config_A").Record, SampleRecord(5));

    // "$Version" names the text value "Version": not a record, so the defaults.
    EXPECT_EQ(store.LoadConfig("$Version").Outcome, TLoadOutcome::Missing);
}

TEST_F(ConfigStoreTest, NamesWithSeparatorsAndNonAsciiRoundTrip)
{
    const QStringList names = {"a/b",         "back\\slash", "x=y",     "[section]", "with space",
                               "Grüße Ω 日本", "%41",         "semi;colon#hash", "\"quoted\"", " lead", "Config_"};
    TConfigStore store = MakeStore();
    for (int i = 0; i < names.size(); ++i)
        ASSERT_EQ(store.SaveConfig(names[i], SampleRecord(i)), TSaveOutcome::Saved) << names[i].toStdString();

    QStringList expected = names;
    const std::optional<QStringList> listed = store.ListConfigs();
    ASSERT_TRUE(listed.has_value());
    EXPECT_EQ(QSet<QString>(listed->begin(), listed->end()), QSet<QString>(expected.begin(), expected.end()));
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(store.LoadConfig(names[i]).Record, SampleRecord(i)) << names[i].toStdString();

    // Nothing of a name leaks into the file's structure: one section, one key per configuration.
    const QByteArray file = ReadAll(StorePath());
    const QList<QByteArray> lines = file.trimmed().split('\n');
    EXPECT_EQ(lines.size(), names.size() + 2) << file.constData();  // [General], Version, one per name
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const QByteArray &line) { return line.startsWith('['); }), 1)
        << file.constData();
}

TEST_F(ConfigStoreTest, ValueNameCodingIsStrict)
{
    EXPECT_EQ(EncodeValueName("Config_a b/ü"), QString("Config_a%20b%2F%C3%BC"));
    EXPECT_EQ(DecodeValueName("Config_a%20b%2F%C3%BC"), QString("Config_a b/ü"));
    EXPECT_EQ(DecodeValueName("Version"), QString("Version"));
    for (const char *foreignKey : {"Config_a b", "Config_%2", "Config_%zz", "Config_%41", "Config_%c3%bc", "Config_%FF"})
        EXPECT_FALSE(DecodeValueName(foreignKey).has_value()) << foreignKey;
}

TEST_F(ConfigStoreTest, NamesOverOneHundredTwentyCharactersAreRejected)
{
    TConfigStore store = MakeStore();
    const QString longest(120, u'n');
    const QString tooLong(121, u'n');
    EXPECT_FALSE(ConfigNameProblem(longest).has_value());
    ASSERT_TRUE(ConfigNameProblem(tooLong).has_value());
    EXPECT_TRUE(ConfigNameProblem(tooLong)->contains("120"));
    EXPECT_EQ(store.SaveConfig(tooLong, SampleRecord(1)), TSaveOutcome::NameRejected);
    EXPECT_EQ(store.SaveConfig("", SampleRecord(1)), TSaveOutcome::NameRejected);
    // Loading reads a leading "$" or "*" as a command: such names could be saved but never loaded.
    for (const char *commandLike : {"$LastUsed", "*mine"}) {
        ASSERT_TRUE(ConfigNameProblem(commandLike).has_value()) << commandLike;
        EXPECT_FALSE(ConfigNameProblem(commandLike)->isEmpty());
        EXPECT_EQ(store.SaveConfig(commandLike, SampleRecord(1)), TSaveOutcome::NameRejected);
    }
    EXPECT_FALSE(ConfigNameProblem("a$*").has_value());
    EXPECT_FALSE(QFileInfo::exists(StorePath()));
    // Characters, not bytes: 120 non-ASCII letters are fine.
    const QString wide(120, u'Ω');
    EXPECT_EQ(store.SaveConfig(wide, SampleRecord(1)), TSaveOutcome::Saved);
    EXPECT_EQ(store.LoadConfig(wide).Record, SampleRecord(1));
}

TEST_F(ConfigStoreTest, ShortAndTextValuesUnderAConfigurationName)
{
    {
        QDir().mkpath(Home() + "/Zelvaro");
        QSettings raw(StorePath(), QSettings::IniFormat);
        raw.setValue("Version", "Version 092");
        raw.setValue("Config_short", EncodeConfigRecord(SampleRecord(7)).left(20));
        raw.setValue("Config_text", "not a record");
        raw.setValue("Config_empty", QByteArray());
    }
    TConfigStore store = MakeStore();
    const TLoadResult shortValue = store.LoadConfig("short");
    EXPECT_EQ(shortValue.Outcome, TLoadOutcome::Loaded);
    EXPECT_EQ(shortValue.Record.StartHz, SampleRecord(7).StartHz);
    EXPECT_EQ(shortValue.Record.SkewUs, SampleRecord(7).SkewUs);
    EXPECT_EQ(shortValue.Record.VGain, TConfigRecord{}.VGain);
    EXPECT_EQ(shortValue.DefaultedFields.size(), 6);
    EXPECT_EQ(store.LoadConfig("text").Outcome, TLoadOutcome::Missing);
    EXPECT_EQ(store.LoadConfig("empty").Outcome, TLoadOutcome::Missing);
    EXPECT_TRUE(QFileInfo::exists(StorePath()));
}

TEST_F(ConfigStoreTest, CorruptFileGivesDefaultsAndIsBackedUpBeforeAnyWrite)
{
    const QByteArray variants[] = {
        "[General]\nVersion=Version 092\nthis line has no equals sign\n",
        "[General\nVersion=Version 092\n",
        QByteArray("[General]\nVersion=Version 092\n\x01\x02\x00\xff garbage", 38),
    };
    for (const QByteArray &corrupt : variants) {
        QDir(Home() + "/Zelvaro").removeRecursively();
        WriteAll(StorePath(), corrupt);
        FWarnings.clear();
        TConfigStore store = MakeStore();

        const TLoadResult loaded = store.LoadConfig(kLastUsedConfig);
        EXPECT_EQ(loaded.Outcome, TLoadOutcome::Unreadable);
        EXPECT_EQ(loaded.Record, TConfigRecord{});
        EXPECT_EQ(store.LoadConfig("*").Outcome, TLoadOutcome::Unreadable);  // not taken for a foreign store
        EXPECT_FALSE(store.ListConfigs().has_value());
        EXPECT_EQ(ReadAll(StorePath()), corrupt);  // left as it is

        ASSERT_EQ(store.SaveConfig(kLastUsedConfig, SampleRecord(8)), TSaveOutcome::Saved);
        EXPECT_EQ(store.LoadConfig(kLastUsedConfig).Record, SampleRecord(8));
        EXPECT_EQ(store.ListConfigs()->size(), 1);
        const QStringList backups = QDir(Home() + "/Zelvaro").entryList({"Zelvaro.conf.corrupt-*"}, QDir::Files);
        ASSERT_EQ(backups.size(), 1);
        EXPECT_EQ(ReadAll(Home() + "/Zelvaro/" + backups.first()), corrupt);
        ASSERT_EQ(FWarnings.size(), 1);
        EXPECT_TRUE(FWarnings.first().contains(backups.first()));
    }
}

TEST_F(ConfigStoreTest, ReadableConfigurationsOfACorruptFileSurviveTheNextSave)
{
    TConfigStore store = MakeStore();
    ASSERT_EQ(store.SaveConfig("keep", SampleRecord(9)), TSaveOutcome::Saved);
    const QByteArray damaged = ReadAll(StorePath()) + "a stray line\n";
    WriteAll(StorePath(), damaged);

    EXPECT_EQ(store.LoadConfig("keep").Outcome, TLoadOutcome::Unreadable);
    ASSERT_EQ(store.SaveConfig(kLastUsedConfig, SampleRecord(1)), TSaveOutcome::Saved);
    EXPECT_EQ(store.ListConfigs(), (QStringList{"keep", "LastUsed"}));
    EXPECT_EQ(store.LoadConfig("keep").Record, SampleRecord(9));
    EXPECT_FALSE(ReadAll(StorePath()).contains("stray"));
    EXPECT_EQ(QDir(Home() + "/Zelvaro").entryList({"Zelvaro.conf.corrupt-*"}, QDir::Files).size(), 1);
}

TEST_F(ConfigStoreTest, UnwritableLocationIsReportedOnceAndLosesNothing)
{
    // As root, permissions do not stop writes: a regular file where the folder should be does.
    WriteAll(Home() + "/Zelvaro", "in the way");
    TConfigStore store = MakeStore();
    EXPECT_EQ(store.LoadConfig(kLastUsedConfig).Outcome, TLoadOutcome::NoStore);
    EXPECT_EQ(store.SaveConfig(kLastUsedConfig, SampleRecord(1)), TSaveOutcome::WriteFailed);
    EXPECT_EQ(store.SaveConfig("other", SampleRecord(1)), TSaveOutcome::WriteFailed);
    ASSERT_EQ(FWarnings.size(), 1);
    EXPECT_TRUE(FWarnings.first().contains("could not be saved"));
    EXPECT_EQ(ReadAll(Home() + "/Zelvaro"), QByteArray("in the way"));

    // A folder in place of the store file: it cannot be read or replaced, and is not touched.
    QFile::remove(Home() + "/Zelvaro");
    QDir().mkpath(StorePath());
    TConfigStore second = MakeStore();
    EXPECT_EQ(second.LoadConfig(kLastUsedConfig).Outcome, TLoadOutcome::Unreadable);
    EXPECT_EQ(second.SaveConfig(kLastUsedConfig, SampleRecord(1)), TSaveOutcome::WriteFailed);
    EXPECT_EQ(FWarnings.size(), 2);
    EXPECT_TRUE(QFileInfo(StorePath()).isDir());
}

TEST_F(ConfigStoreTest, ConfigurationsReadBackInAFreshProcess)
{
    const QStringList names = {"LastUsed", "a/b", "Grüße Ω", "x=y [z]"};
    TConfigStore store = MakeStore();
    for (int i = 0; i < names.size(); ++i)
        ASSERT_EQ(store.SaveConfig(names[i], SampleRecord(i)), TSaveOutcome::Saved);

    QStringList expected;
    for (int i = 0; i < names.size(); ++i)
        expected << QString("%1 %2 1").arg(QString::fromLatin1(names[i].toUtf8().toHex()),
                                           QString::fromLatin1(EncodeConfigRecord(SampleRecord(i)).toHex()));
    QStringList lines = RunChild("list");
    ASSERT_FALSE(lines.isEmpty());
    // In a fresh process QSettings returns text, not the type that was written.
    EXPECT_EQ(lines.takeLast(), QString("Version type QString"));
    lines.sort();
    expected.sort();
    EXPECT_EQ(lines, expected);
}

TEST_F(ConfigStoreTest, KillDuringSaveLeavesTheOldOrTheNewFile)
{
    // The two complete files a save can leave, made by the store itself elsewhere.
    QByteArray complete[2];
    for (int i = 0; i < 2; ++i) {
        QTemporaryDir scratch;
        TConfigStore reference(scratch.path() + "/Zelvaro.conf", {});
        ASSERT_EQ(reference.SaveConfig(kLastUsedConfig, SampleRecord(i)), TSaveOutcome::Saved);
        complete[i] = ReadAll(scratch.path() + "/Zelvaro.conf");
    }

    constexpr int kRounds = 6;
    constexpr int kStartTimeoutMs = 30000;
    for (int round = 0; round < kRounds; ++round) {
        std::unique_ptr<QProcess> child(StartChild("saveloop"));
        const QString started = StorePath() + ".started";
        for (int waited = 0; !QFileInfo::exists(started) && waited < kStartTimeoutMs; waited += 5)
            QThread::msleep(5);
        ASSERT_TRUE(QFileInfo::exists(started)) << child->readAllStandardError().toStdString();
        QThread::msleep(QRandomGenerator::global()->bounded(1, 40));
        child->kill();  // SIGKILL
        ASSERT_TRUE(child->waitForFinished(10000));
        QFile::remove(started);

        const QByteArray left = ReadAll(StorePath());
        EXPECT_TRUE(left == complete[0] || left == complete[1]) << "round " << round << ":\n" << left.constData();
        // A stale lock from the killed writer does not stop the next save.
        TConfigStore store = MakeStore();
        EXPECT_EQ(store.SaveConfig("after", SampleRecord(3)), TSaveOutcome::Saved);
        EXPECT_EQ(store.LoadConfig("after").Record, SampleRecord(3));
        QFile::remove(StorePath());
    }
}
