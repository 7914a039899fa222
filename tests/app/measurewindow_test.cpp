// Tests of the measurement in the window: readout text and references, the strip, markers,
// snapshots and Mix.
#include "mainform.h"

#include "analyser.h"
#include "enginestate.h"
#include "framepower.h"
#include "imdreadout.h"
#include "loopbackwindow.h"
#include "measuresettings.h"
#include "mixlevels.h"
#include "nakedslider.h"
#include "snapshot.h"
#include "statusstrip.h"
#include "tonesynth.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace zelvaro;

namespace {

constexpr double kRate = 22050.0;

// A power spectrum of tones (Hz, dBFS) over a quiet dithered floor, through the analyser's window.
TImdResult MeasureTones(const std::vector<std::pair<double, double>> &tones, int fftSize = 16384)
{
    TPowerAverager averager(fftSize);
    std::vector<float> frame(static_cast<size_t>(fftSize));
    unsigned noise = 12345;
    for (int f = 0; f < 4; ++f) {
        for (int n = 0; n < fftSize; ++n) {
            double sum = 0.0;
            for (const auto &[hz, dbfs] : tones)
                sum += 32767.0 * std::pow(10.0, dbfs / 20.0) *
                       std::cos(2.0 * std::numbers::pi * hz / kRate * (f * fftSize + n));
            noise = noise * 1103515245u + 12345u;
            frame[static_cast<size_t>(n)] = static_cast<float>(sum + ((noise >> 16) % 1000) / 1000.0 - 0.5);
        }
        averager.Add(frame);
    }
    return MeasureImd(averager.Average(), HannScale(fftSize, kRate, averager.Frames()));
}

// IMD3 at -40 dBc below and -44 dBc above two tones 1 dB apart; IMD5 lost in the floor.
TImdResult KnownTwoTone()
{
    return MeasureTones({{1000.0, -6.0}, {1300.0, -7.0}, {700.0, -46.0}, {1600.0, -50.0}});
}

}  // namespace

TEST(ImdReadoutText, NamesItsReferenceAndGivesTheProductsInIt)
{
    const TImdResult result = KnownTwoTone();
    ASSERT_TRUE(result.Measured()) << result.Message;
    TImdReadout readout;
    QStringList lines = readout.Lines(result, TImdReference::Dbc);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("T1  1000.0 Hz   \u22126.0 dBFS   T2  1300.0 Hz   \u22127.0 dBFS")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("IMD3 L  \u221240.0  U  \u221244.0   IMD5 L < \u2212")))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("dBc re tone 1"))) << lines[1].toStdString();

    // dB PEP refers to A1 + A2: 20 log10(10^(-6/20) + 10^(-7/20)) = -0.46 dB, so 0.46 dB lower.
    lines = readout.Lines(result, TImdReference::DbPep);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("IMD3 L  \u221245.5  U  \u221249.5"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("dB PEP")));

    // IEC d3: (A(700) + A(1600)) / (A1 + A2) = (10^(-46/20) + 10^(-50/20)) / 0.948 -> -41.3 dB.
    lines = readout.Lines(result, TImdReference::IecD3);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("IEC d3 \u221241.3 dB (0.86 %)"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("dBc re tone 1")));  // IMD5 keeps a named reference
}

TEST(ImdReadoutText, SaysSoWhenFewerThanTwoTonesStandClear)
{
    TImdReadout readout;
    EXPECT_EQ(readout.Lines(MeasureTones({{1000.0, -6.0}}), TImdReference::Dbc),
              QStringList{QStringLiteral("IMD: fewer than two tones stand clear of the floor")});
    EXPECT_EQ(readout.Lines(MeasureTones({}), TImdReference::Dbc).size(), 1);
}

TEST(ImdReadoutText, LastDigitHoldsStillUnderSmallChanges)
{
    TImdResult result = KnownTwoTone();
    TImdReadout readout;
    const QStringList first = readout.Lines(result, TImdReference::Dbc);
    for (double jitter : {0.04, -0.06, 0.08, -0.03}) {
        TImdResult noisy = result;
        noisy.Products[0].Dbc += jitter;
        noisy.Tones[0].Dbfs -= jitter;
        EXPECT_EQ(readout.Lines(noisy, TImdReference::Dbc), first) << jitter;
    }
    result.Products[0].Dbc += 0.5;
    EXPECT_NE(readout.Lines(result, TImdReference::Dbc)[1], first[1]);
}

TEST(StripText, NamesTheSoundDeviceInUse)
{
    EXPECT_EQ(DeviceStripText(false, {}, {}), QStringLiteral("Sound device: default device"));
    EXPECT_EQ(DeviceStripText(false, QStringLiteral("USB Codec"), QStringLiteral("USB Codec")),
              QStringLiteral("Sound device: USB Codec"));
    EXPECT_EQ(DeviceStripText(false, QStringLiteral("Mic"), {}), QStringLiteral("Input: Mic   Output: default device"));
    EXPECT_TRUE(DeviceStripText(true, QStringLiteral("Mic"), {}).startsWith(QStringLiteral("Sound device: loopback card")));
}

TEST(MixLevels, TwoPositionsNeverAddUpAboveFullScale)
{
    for (int left = 10; left <= 10000; left += 330)
        for (int right = 10; right <= 10000; right += 330) {
            const auto [l, r] = MixFittedPositions(left, right, 10000, 10);
            ASSERT_LE(l + r, 10000) << left << " " << right;
            ASSERT_GE(std::min(l, r), 10);
            if (left + right <= 10000) {
                ASSERT_EQ(std::pair(l, r), std::pair(left, right));
            }
            const int held = MixHeldPosition(left, r, 10000, 10);
            ASSERT_LE(held + r, 10000);
            ASSERT_LE(held, left);
        }
}

namespace {

// A window of its own on the loopback card, its configuration and snapshots in temporary folders.
class MeasureWindowTest : public test::TLoopbackWindowTest {
protected:
    MeasureWindowTest() { FOptions.SnapshotFolder = FSnapshots.path() + QStringLiteral("/shots"); }
    std::unique_ptr<TMainForm> MakeForm(const QString &snapshots)
    {
        FOptions.SnapshotFolder = snapshots;
        return TLoopbackWindowTest::MakeForm();
    }
    // Both instruments on, both tones on both outputs; waits until the readout has settled.
    void RunTwoTones(int frames = 12)
    {
        TMainForm &f = *FForm;
        if (!f.MixTones)
            f.OpMixClick();
        f.BGeneratorClick();
        f.BGenRightClick();
        f.BSpecAnClick();
        WaitFrames(frames);
    }

    QTemporaryDir FSnapshots;
};

}  // namespace

TEST_F(MeasureWindowTest, StripShowsTheDeviceUntilTheReadoutRunsAndReadsTheGeneratorsTones)
{
    TMainForm &f = *FForm;
    EXPECT_TRUE(f.Strip->ShownLines().first().startsWith(QStringLiteral("Sound device: loopback card")));
    f.OpImdReadoutClick();
    EXPECT_TRUE(f.OpImdReadout->isChecked());
    EXPECT_TRUE(f.Strip->ShownLines().first().startsWith(QStringLiteral("Sound device")));  // analyser off
    RunTwoTones(30);  // the onset of the tones has left the average
    const QStringList lines = f.Strip->ShownLines();
    ASSERT_EQ(lines.size(), 2) << lines.join(u'|').toStdString();
    const QRegularExpressionMatch tones = QRegularExpression(
        QStringLiteral("^T1 +([0-9.]+) Hz +\u2212([0-9.]+) dBFS +T2 +([0-9.]+) Hz +\u2212([0-9.]+) dBFS")).match(lines[0]);
    ASSERT_TRUE(tones.hasMatch()) << lines[0].toStdString();
    EXPECT_NEAR(tones.captured(1).toDouble(), 1292.0, 0.15);
    EXPECT_NEAR(tones.captured(2).toDouble(), 6.02, 0.15);  // both at -6 dB on the loopback card
    EXPECT_NEAR(tones.captured(3).toDouble(), 1938.0, 0.15);
    EXPECT_NEAR(tones.captured(4).toDouble(), 6.02, 0.15);
    f.SetImdReference(1);
    EXPECT_TRUE(f.Strip->ShownLines().last().endsWith(QStringLiteral("dB PEP")));
    EXPECT_TRUE(f.OpRefPep->isChecked());
    f.BSpecAnClick();  // off: the strip goes back to the device
    EXPECT_TRUE(f.Strip->ShownLines().first().startsWith(QStringLiteral("Sound device")));

    // Remembered for the next session, outside the configuration record.
    FForm.reset();
    const TMeasurePrefs prefs = LoadMeasurePrefs(MeasurePrefsPath());
    EXPECT_TRUE(prefs.ImdReadoutOn);
    EXPECT_EQ(prefs.Reference, TImdReference::DbPep);
    EXPECT_TRUE(prefs.MixTones);
    FForm = MakeForm(FSnapshots.path());
    EXPECT_TRUE(FForm->ImdReadoutOn);
    EXPECT_TRUE(FForm->OpMix->isChecked());
}

TEST_F(MeasureWindowTest, MarkersSnapToPeaksAndKeepTheirFrequencyAcrossSpans)
{
    TMainForm &f = *FForm;
    RunTwoTones(4);
    const TShownSpectrum shown = f.Analyser().Overlay().Shown();
    const int tone = ColumnOfHz(1292.0, shown.Settings.HzPerBin, shown.Columns.FirstBin);
    f.PlotClick(QPoint(tone + 4, 100), false);
    ASSERT_TRUE(f.Marker1Hz);
    EXPECT_NEAR(*f.Marker1Hz, 1292.0, shown.Settings.HzPerBin);
    f.MarkerAtPeak(2);  // the other tone
    ASSERT_TRUE(f.Marker2Hz);
    EXPECT_NEAR(*f.Marker2Hz, 1938.0, shown.Settings.HzPerBin);
    EXPECT_EQ(f.Analyser().Overlay().Settings().Marker2Hz, f.Marker2Hz);
    const double m1 = *f.Marker1Hz;
    f.RB2kClick();
    EXPECT_EQ(f.Marker1Hz, m1);
    f.PlotClick(QPoint(tone, 100), true);  // Shift+click moves M2
    EXPECT_NE(f.Marker2Hz, std::optional<double>(1938.0));
    f.OpClearMarkers->trigger();
    EXPECT_FALSE(f.Marker1Hz || f.Marker2Hz);
    EXPECT_FALSE(f.Analyser().Overlay().Settings().Marker1Hz);
}

TEST_F(MeasureWindowTest, SnapshotWritesThePlotItsColumnsAndTheMeasurement)
{
    TMainForm &f = *FForm;
    f.OpPeakHoldClick();
    RunTwoTones();
    f.BSpecAnClick();  // stop, so the shown frame is the one the files describe
    f.OpSnapshotClick();
    const QString base = f.LastSnapshot();
    ASSERT_FALSE(base.isEmpty()) << f.Strip->ShownLines().join(u' ').toStdString();
    EXPECT_TRUE(base.section(u'/', -1).contains(QRegularExpression(QStringLiteral("^zelvaro-\\d{8}-\\d{6}$"))));
    EXPECT_TRUE(f.Strip->ShownLines().first().contains(base));

    QImage picture(base + QStringLiteral(".png"));
    EXPECT_EQ(picture.width(), 584);
    EXPECT_GT(picture.height(), 220);

    QFile csv(base + QStringLiteral(".csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromLatin1(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
    const TShownSpectrum shown = f.Analyser().Overlay().Shown();
    ASSERT_EQ(rows.size(), shown.Columns.NumPoints + 1);
    EXPECT_EQ(rows[0], QStringLiteral("hz,left_db,right_db,left_peak_db,right_peak_db"));
    for (int i = 0; i < shown.Columns.NumPoints; ++i) {
        const QStringList cells = rows[i + 1].split(u',');
        ASSERT_EQ(cells.size(), 5);
        const auto c = static_cast<size_t>(i);
        ASSERT_NEAR(cells[0].toDouble(), (shown.Columns.FirstBin + i) * shown.Settings.HzPerBin, 1e-2);
        ASSERT_NEAR(cells[1].toDouble(), shown.Columns.LeftDb[c], 0.006);
        ASSERT_NEAR(cells[2].toDouble(), shown.Columns.RightDb[c], 0.006);
        ASSERT_NEAR(cells[3].toDouble(), shown.PeakLeftDb[c], 0.006);
    }

    QFile json(base + QStringLiteral(".json"));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonObject object = QJsonDocument::fromJson(json.readAll()).object();
    const TImdResult measured = f.MeasureShown();
    ASSERT_TRUE(measured.Measured());
    EXPECT_TRUE(object[QStringLiteral("measured")].toBool());
    EXPECT_EQ(object[QStringLiteral("channel")].toString(), QStringLiteral("left"));
    const QJsonArray tones = object[QStringLiteral("tones")].toArray();
    EXPECT_NEAR(tones[0].toObject()[QStringLiteral("hz")].toDouble(), measured.Tones[0].Hz, 0.01);
    EXPECT_NEAR(tones[1].toObject()[QStringLiteral("dbfs")].toDouble(), measured.Tones[1].Dbfs, 0.01);
    EXPECT_EQ(object[QStringLiteral("products")].toArray().size(), static_cast<qsizetype>(measured.Products.size()));
    const QJsonObject settings = object[QStringLiteral("settings")].toObject();
    EXPECT_EQ(settings.size(), 13);  // the record's eleven fields, I/Q mode and Mix
    EXPECT_EQ(settings[QStringLiteral("l_freq_hz")].toInt(), 1292);
    EXPECT_EQ(settings[QStringLiteral("fft_size")].toInt(), f.FftSize);
    EXPECT_TRUE(settings[QStringLiteral("mix")].toBool());
    EXPECT_FALSE(settings[QStringLiteral("iq_mode")].toBool());

    // A second snapshot in the same second keeps the first.
    f.OpSnapshotClick();
    EXPECT_NE(f.LastSnapshot(), base);
    EXPECT_TRUE(QFile::exists(base + QStringLiteral(".json")));

    // Ctrl+C: the table as text.
    f.OpCopyImdClick();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Two-tone IMD, left input")));
}

TEST_F(MeasureWindowTest, FailedSnapshotSaysWhyAndWritesNothing)
{
    // The snapshot folder's place is taken by a file.
    const QString blocked = FSnapshots.path() + QStringLiteral("/blocked");
    QFile file(blocked);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    FForm = MakeForm(blocked + QStringLiteral("/Zelvaro"));
    FForm->OpSnapshotClick();
    EXPECT_TRUE(FForm->LastSnapshot().isEmpty());
    const QString message = FForm->Strip->ShownLines().join(u' ');
    EXPECT_TRUE(message.startsWith(QStringLiteral("Snapshot not saved."))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("could not be created"))) << message.toStdString();
    EXPECT_TRUE(FWarnings.isEmpty());
}

TEST_F(MeasureWindowTest, MixHoldsTheLevelsSoTheSumNeverClips)
{
    TMainForm &f = *FForm;
    f.LLevel->SetPosition(9000);
    f.RLevel->SetPosition(8000);
    f.OpMixClick();
    EXPECT_LE(f.LLevelPos + f.RLevelPos, 10000);
    EXPECT_TRUE(f.Strip->ShowsMessage());
    EXPECT_TRUE(f.EngineState().MixTones.load());

    TToneSynth synth;
    std::vector<int16_t> block(2 * kToneBlockFrames);
    for (int left : {10, 1000, 5000, 9990, 10000})
        for (int right : {10, 3000, 5000, 10000}) {
            for (bool locked : {false, true}) {
                if (f.LevLocked != locked)
                    f.BLevLockClick();
                f.LLevel->SetPosition(left);
                f.RLevel->SetPosition(right);
                ASSERT_LE(f.LLevelPos + f.RLevelPos, 10000) << left << " " << right << " " << locked;
                ASSERT_EQ(f.LLevel->Position(), f.LLevelPos);  // the slider shows the held level
                const TEngineState &state = f.EngineState();
                TToneSettings tones;
                tones.LFreqHz = 1000;
                tones.RFreqHz = 1000;  // in phase: the sum peaks at LAmpl + RAmpl
                tones.LAmpl = state.LAmpl.load();
                tones.RAmpl = state.RAmpl.load();
                tones.MixTones = true;
                tones.LeftOn = tones.RightOn = true;
                ASSERT_LE(tones.LAmpl + tones.RAmpl, 1.0f + 1e-6f);
                synth.ResetPhases();
                synth.SynthBlock(tones, block.data());
                const auto [low, high] = std::minmax_element(block.begin(), block.end());
                ASSERT_LE(*high, 32767);
                ASSERT_GE(*low, -32767);  // a clipped negative peak would reach -32768
            }
        }

    // I/Q mode and Mix exclude each other.
    f.IQButtClick();
    EXPECT_TRUE(f.IQMode);
    EXPECT_FALSE(f.MixTones);
    EXPECT_FALSE(f.OpMix->isChecked());
    f.OpMixClick();
    EXPECT_TRUE(f.MixTones);
    EXPECT_FALSE(f.IQMode);
}

TEST_F(MeasureWindowTest, EveryMeasurementEntryHasItsKeyInTheOptionsMenu)
{
    TMainForm &f = *FForm;
    const std::pair<QAction *, QKeySequence> entries[] = {
        {f.OpImdReadout, QKeySequence(Qt::Key_I)},          {f.OpPeakHold, QKeySequence(Qt::Key_P)},
        {f.OpSnapshot, QKeySequence(QKeySequence::Save)},   {f.OpCopyImd, QKeySequence(QKeySequence::Copy)},
        {f.OpMix, QKeySequence(Qt::Key_M)},                 {f.OpClearMarkers, QKeySequence(Qt::Key_Escape)},
        {f.OpRefDbc, QKeySequence(Qt::CTRL | Qt::Key_1)},   {f.OpMarker1, QKeySequence(Qt::Key_1)}};
    for (const auto &[action, key] : entries) {
        EXPECT_EQ(action->shortcut(), key) << action->text().toStdString();
        EXPECT_TRUE(f.actions().contains(action)) << action->text().toStdString();  // works with the menu closed
    }
    EXPECT_TRUE(f.OpMenu->actions().contains(f.OpSnapshot));
}
