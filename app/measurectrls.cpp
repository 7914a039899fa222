// The measurement side of the main window: IMD readout strip, markers, peak hold, snapshots, Mix.
#include "mainform.h"

#include "analyser.h"
#include "enginestate.h"
#include "imdreadout.h"
#include "measureformat.h"
#include "measuresettings.h"
#include "mixlevels.h"
#include "nakedslider.h"
#include "plotview.h"
#include "snapshot.h"
#include "statusstrip.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>

namespace zelvaro {

namespace {

const QRect kStripGeometry(18, 424, 584, 36);  // inside the bottom plate, left of its screws
constexpr int kFailureMessageMs = 12000;       // a failure stays long enough to be read twice
constexpr int kSnapshotGap = 4;                // pixels between the plot and the strip in a PNG

TImdReference ReferenceOf(int value)
{
    switch (value) {
    case 1: return TImdReference::DbPep;
    case 2: return TImdReference::IecD3;
    default: return TImdReference::Dbc;
    }
}

const std::array<float, kMaxPlotPoints> &MeasuredLevels(const TShownSpectrum &shown)
{
    return MeasuredChannel(shown.Settings.SALeftOn, shown.Settings.SARightOn) == TMeasuredChannel::Right
               ? shown.Columns.RightDb
               : shown.Columns.LeftDb;
}

}  // namespace

void TMainForm::BuildMeasurement()
{
    FImdReadout = std::make_unique<TImdReadout>();
    Strip = new TStatusStrip(this);
    Strip->setGeometry(kStripGeometry);

    const TMeasurePrefs prefs = LoadMeasurePrefs(MeasurePrefsPath());
    ImdReadoutOn = prefs.ImdReadoutOn;
    ImdReference = static_cast<int>(prefs.Reference);
    PeakHoldOn = prefs.PeakHoldOn;
    MixTones = prefs.MixTones;

    // Every entry carries its key, shown in the menu; the window owns the shortcut too, so the
    // key works while the menu is closed.
    const auto add = [this](QMenu *menu, const QString &text, QKeySequence key, auto handler) {
        QAction *action = menu->addAction(text, this, handler);
        action->setShortcut(key);
        addAction(action);
        return action;
    };
    OpMenu->addSeparator();
    OpImdReadout = add(OpMenu, QStringLiteral("IMD readout"), QKeySequence(Qt::Key_I), &TMainForm::OpImdReadoutClick);
    OpImdReadout->setCheckable(true);
    OpImdReadout->setChecked(ImdReadoutOn);

    QMenu *references = OpMenu->addMenu(QStringLiteral("IMD reference"));
    auto *group = new QActionGroup(references);
    const std::pair<QString, QKeySequence> referenceEntries[] = {
        {QStringLiteral("dBc (re the stronger tone)"), QKeySequence(Qt::CTRL | Qt::Key_1)},
        {QStringLiteral("dB PEP"), QKeySequence(Qt::CTRL | Qt::Key_2)},
        {QStringLiteral("IEC d3"), QKeySequence(Qt::CTRL | Qt::Key_3)}};
    QAction **referenceActions[] = {&OpRefDbc, &OpRefPep, &OpRefD3};
    for (int i = 0; i < 3; ++i) {
        QAction *action = references->addAction(referenceEntries[i].first, this, [this, i] { SetImdReference(i); });
        action->setShortcut(referenceEntries[i].second);
        action->setCheckable(true);
        action->setChecked(i == ImdReference);
        group->addAction(action);
        addAction(action);
        *referenceActions[i] = action;
    }

    OpPeakHold = add(OpMenu, QStringLiteral("Peak hold"), QKeySequence(Qt::Key_P), &TMainForm::OpPeakHoldClick);
    OpPeakHold->setCheckable(true);
    OpPeakHold->setChecked(PeakHoldOn);
    OpMarker1 = add(OpMenu, QStringLiteral("Marker M1 on the highest peak"), QKeySequence(Qt::Key_1),
                    [this] { MarkerAtPeak(1); });
    OpMarker2 = add(OpMenu, QStringLiteral("Marker M2 on the next peak"), QKeySequence(Qt::Key_2),
                    [this] { MarkerAtPeak(2); });
    OpClearMarkers = add(OpMenu, QStringLiteral("Clear markers"), QKeySequence(Qt::Key_Escape), &TMainForm::ClearMarkers);
    // Escape in a number field restores its value; the window's Escape must not take it first.
    // The action is the connection's context: while the window is torn down, its dialogs give up
    // the focus after the action is gone, and the connection must already be gone with it.
    connect(qApp, &QApplication::focusChanged, OpClearMarkers, [action = OpClearMarkers](QWidget *, QWidget *now) {
        action->setEnabled(!qobject_cast<QLineEdit *>(now));
    });
    OpMenu->addSeparator();
    OpSnapshot = add(OpMenu, QStringLiteral("Save snapshot"), QKeySequence(Qt::CTRL | Qt::Key_S),
                     &TMainForm::OpSnapshotClick);
    OpCopyImd = add(OpMenu, QStringLiteral("Copy IMD table"), QKeySequence(Qt::CTRL | Qt::Key_C),
                    &TMainForm::OpCopyImdClick);
    OpMenu->addSeparator();
    OpMix = add(OpMenu, QStringLiteral("Mix: both tones on both outputs"), QKeySequence(Qt::Key_M),
                &TMainForm::OpMixClick);
    OpMix->setCheckable(true);
    OpMix->setChecked(MixTones);

    connect(FPlotView, &TPlotView::Clicked, this, [this](QPoint point, Qt::KeyboardModifiers modifiers) {
        PlotClick(point, modifiers.testFlag(Qt::ShiftModifier));
    });
}

void TMainForm::SaveMeasurePrefsNow()
{
    const TMeasurePrefs prefs{.ImdReadoutOn = ImdReadoutOn, .Reference = ReferenceOf(ImdReference),
                              .PeakHoldOn = PeakHoldOn, .MixTones = MixTones};
    if (!SaveMeasurePrefs(MeasurePrefsPath(), prefs))
        Strip->ShowMessage(QStringLiteral("The measurement settings could not be saved to %1.").arg(MeasurePrefsPath()),
                           kFailureMessageMs);
}

void TMainForm::PublishOverlay()
{
    TOverlaySettings overlay;
    overlay.MeasureOn = ImdReadoutOn;
    overlay.PeakHoldOn = PeakHoldOn;
    overlay.PeakHoldEpoch = PeakHoldEpoch;
    // The generator's tones are hints only while it plays both of them on distinct frequencies.
    if (GeneratorTones()) {
        overlay.HintHz1 = std::min(LFreqHz, RFreqHz);
        overlay.HintHz2 = std::max(LFreqHz, RFreqHz);
    }
    overlay.Marker1Hz = Marker1Hz;
    overlay.Marker2Hz = Marker2Hz;
    FAnalyser->Overlay().SetSettings(overlay);
    ShowTraceKey();
}

// The key names the traces the frames draw; the markers' reading takes its top line when set.
void TMainForm::ShowTraceKey()
{
    FPlotView->SetTraceKey(SALeftOn, SARightOn, Marker1Hz || Marker2Hz);
}

void TMainForm::UpdateStrip()
{
    if (!Strip || !FEngine)
        return;
    const TSoundDeviceChoice devices = SoundDevicesInUse();
    Strip->SetDeviceText(DeviceStripText(FOptions.Backend == TAudioBackend::Loopback,
                                         QString::fromStdString(devices.Input),
                                         QString::fromStdString(devices.Output)));
    if (!ImdReadoutOn || !SpecOn) {
        Strip->SetReadout({});
        return;
    }
    const std::optional<TImdResult> measured = FAnalyser->Overlay().LastMeasurement();
    if (!measured) {
        Strip->SetReadout({QStringLiteral("IMD readout: waiting for the analyser's frames")});
        return;
    }
    Strip->SetReadout(FImdReadout->Lines(*measured, ReferenceOf(ImdReference)));
}

void TMainForm::OpImdReadoutClick()
{
    ImdReadoutOn = !ImdReadoutOn;
    OpImdReadout->setChecked(ImdReadoutOn);
    FImdReadout->Reset();
    PublishOverlay();
    UpdateStrip();
    SaveMeasurePrefsNow();
}

void TMainForm::SetImdReference(int reference)
{
    ImdReference = std::clamp(reference, 0, 2);
    QAction *actions[] = {OpRefDbc, OpRefPep, OpRefD3};
    actions[ImdReference]->setChecked(true);
    FImdReadout->Reset();
    UpdateStrip();
    SaveMeasurePrefsNow();
}

void TMainForm::OpPeakHoldClick()
{
    PeakHoldOn = !PeakHoldOn;
    OpPeakHold->setChecked(PeakHoldOn);
    if (PeakHoldOn)
        ++PeakHoldEpoch;  // held maxima start afresh
    PublishOverlay();
    SaveMeasurePrefsNow();
}

void TMainForm::PlotClick(QPoint plotPoint, bool second)
{
    const TShownSpectrum shown = FAnalyser->Overlay().Shown();
    const int numPoints = shown.Columns.NumPoints;
    if (shown.Frame == 0 || numPoints <= 0)
        return;
    const auto &levels = MeasuredLevels(shown);
    const int column = NearestPeakColumn(std::span<const float>(levels.data(), static_cast<size_t>(numPoints)),
                                         plotPoint.x());
    const double hz = HzOfColumn(column, static_cast<double>(shown.Settings.HzPerBin), shown.Columns.FirstBin);
    (second ? Marker2Hz : Marker1Hz) = hz;
    PublishOverlay();
}

void TMainForm::MarkerAtPeak(int marker)
{
    const TShownSpectrum shown = FAnalyser->Overlay().Shown();
    const int numPoints = shown.Columns.NumPoints;
    if (shown.Frame == 0 || numPoints <= 0)
        return;
    const auto &levels = MeasuredLevels(shown);
    const std::span<const float> columns(levels.data(), static_cast<size_t>(numPoints));
    const double hzPerBin = static_cast<double>(shown.Settings.HzPerBin);
    int avoid = -1;
    if (marker == 2 && Marker1Hz) {
        const int m1 = ColumnOfHz(*Marker1Hz, hzPerBin, shown.Columns.FirstBin);
        avoid = m1 >= 0 && m1 < numPoints ? m1 : -1;
    }
    const int column = HighestColumn(columns, avoid);
    if (column < 0)
        return;
    (marker == 2 ? Marker2Hz : Marker1Hz) = HzOfColumn(column, hzPerBin, shown.Columns.FirstBin);
    PublishOverlay();
}

void TMainForm::ClearMarkers()
{
    Marker1Hz.reset();
    Marker2Hz.reset();
    PublishOverlay();
}

QString TMainForm::MeasuredChannelName() const
{
    return MeasuredChannel(SALeftOn, SARightOn) == TMeasuredChannel::Right ? QStringLiteral("right")
                                                                          : QStringLiteral("left");
}

TImdResult TMainForm::MeasureShown() const
{
    const TImdAverager::TSnapshot average = FAnalyser->Overlay().AverageSnapshot();
    if (average.Frames == 0 || average.Power.empty()) {
        TImdResult none;
        none.Message = "the analyser has shown no spectrum yet";
        return none;
    }
    const TOverlaySettings overlay = FAnalyser->Overlay().Settings();
    TImdParams params;
    params.HintHz1 = overlay.HintHz1;
    params.HintHz2 = overlay.HintHz2;
    return MeasureImd(average.Power, HannScale(average.FftSize, static_cast<double>(EffSampleRate), average.Frames),
                      params);
}

void TMainForm::OpCopyImdClick()
{
    const TImdResult result = MeasureShown();
    if (!result.Measured()) {
        Strip->ShowMessage(QStringLiteral("Nothing copied: ") + QString::fromStdString(result.Message));
        return;
    }
    QGuiApplication::clipboard()->setText(
        QString::fromUtf8(FormatMeasurement(result, MeasuredChannelName(), TMeasureFormat::Text)));
    Strip->ShowMessage(QStringLiteral("IMD table copied to the clipboard"));
}

void TMainForm::OpSnapshotClick()
{
    const TShownFrame frame = FAnalyser->ShownFrame();
    // The plot as shown, with the strip (readout or device) beneath it.
    // Sizes in window pixels: on a high-density screen both images carry more device pixels.
    const QImage strip = Strip->grab().toImage();
    const QSize plotSize = frame.Image.deviceIndependentSize().toSize();
    const QSize stripSize = strip.deviceIndependentSize().toSize();
    QImage picture(std::max(plotSize.width(), stripSize.width()), plotSize.height() + kSnapshotGap + stripSize.height(),
                   QImage::Format_RGB32);
    picture.fill(toQColor(kPanelColour));
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(0, 0), plotSize), frame.Image);
        painter.drawImage(QRect(QPoint(0, plotSize.height() + kSnapshotGap), stripSize), strip);
    }
    TSnapshotContent content;
    content.Picture = picture;
    content.Csv = SnapshotCsv(frame.Spectrum);
    content.Json = QJsonDocument(SnapshotJson(MeasureShown(), MeasuredChannelName(), CurrentRecord(), IQMode, MixTones))
                       .toJson(QJsonDocument::Indented);
    const QString folder = FOptions.SnapshotFolder.isEmpty() ? SnapshotFolder() : FOptions.SnapshotFolder;
    const TSnapshotOutcome outcome =
        WriteSnapshot(folder, SnapshotBaseName(QDateTime::currentDateTime()), content);
    if (!outcome.Ok()) {
        Strip->ShowMessage(QStringLiteral("Snapshot not saved. ") + outcome.Error, kFailureMessageMs);
        return;
    }
    FLastSnapshot = outcome.BasePath;
    Strip->ShowMessage(QStringLiteral("Snapshot saved: %1 (.png .csv .json)").arg(outcome.BasePath));
}

void TMainForm::OpMixClick()
{
    if (!MixTones && IQMode)
        IQButtClick();  // I/Q mode and Mix exclude each other
    MixTones = !MixTones;
    OpMix->setChecked(MixTones);
    if (MixTones) {
        const auto [left, right] = MixFittedPositions(LLevelPos, RLevelPos, LLevel->Max(), LLevel->Min());
        if (left != LLevelPos || right != RLevelPos) {
            const bool locked = LevLocked;
            LevLocked = false;  // each level is set on its own
            LLevel->SetPosition(left);
            RLevel->SetPosition(right);
            LevLocked = locked;
            Strip->ShowMessage(QStringLiteral("Mix: both levels lowered so their sum stays within full scale"));
        }
    }
    PublishGenerator();
    SaveMeasurePrefsNow();
}

// With Mix on the two amplitudes add up: a level that would take the sum above full scale is held
// where the sum reaches it, and the strip says so, instead of the output clipping silently.
void TMainForm::HoldMixLevel(TToneChannel self, TToneChannel twin)
{
    if (!MixTones)
        return;
    const int held = MixHeldPosition(*self.LevelPos, *twin.LevelPos, self.LevelSlider->Max(), self.LevelSlider->Min());
    if (held == *self.LevelPos)
        return;
    *self.LevelPos = held;
    *self.LevelDb = static_cast<float>(LevelPosToDb(held, self.LevelSlider->Max()));
    const bool locked = LevLocked;
    LevLocked = false;  // the twin stays where it is
    self.LevelSlider->SetPosition(held);
    LevLocked = locked;
    if (Strip)
        Strip->ShowMessage(QStringLiteral("Mix: level held so the sum of both tones stays within full scale"));
}

}  // namespace zelvaro
