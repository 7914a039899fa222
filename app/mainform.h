// TMainForm: the instrument's one window and its controller; the state record is TAppState.
#pragma once

#include "skewform.h"

#include "appstate.h"
#include "audioengine.h"
#include "colorref.h"
#include "configrecord.h"
#include "mixerlauncher.h"
#include "panelswitches.h"
#include "panelmath.h"
#include "spanview.h"

#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QRadioButton;
class TAutoLed;
class TBevelText;
class TBMShapedForm;
class THRuler;
class TNakedSlider;
class TShapeButton;

namespace zelvaro {

class TCalibDlg;
class TConfigListPopup;
class TSkewDlg;
class TSoundDevicesDlg;
class TConfigStore;
class TPlotView;
class TSpectrumAnalyser;
class TStatusStrip;
class TImdReadout;
struct TImdResult;

struct TMainFormOptions {
    TAudioBackend Backend = TAudioBackend::PortAudio;
    TLoopbackOptions Loopback;  // the loopback card's line (--loopback-skew, ...), with Backend Loopback
    // Devices named for this run (--input, --output); an empty name leaves the remembered one.
    TSoundDeviceChoice GivenDevices;
    // Where the device choice is remembered; empty for DeviceSettingsPath().
    QString DeviceSettingsFile;
    // Where snapshots go; empty for the documents folder's "Zelvaro".
    QString SnapshotFolder;
    // Receives every WarnBox message instead of a message box (tests); called on the GUI thread.
    std::function<void(const QString &)> WarnSink;
    // Answers the yes/no questions (Ask) instead of a message box (tests).
    std::function<bool(const QString &)> AskSink;
};

// Colours of the panel as the controls take them: TColor, 0x00BBGGRR (red in the low byte).
constexpr TColor kPanelColour = 0x9D6F44;        // RGB 68, 111, 157: window face, run-button body
constexpr TColor kButtonColour1 = 0x715735;      // RGB 53, 87, 113: the buttons' second colour
constexpr TColor kFontOnColour = 0xFFFFFF;       // white: the button's function is on
constexpr TColor kFontOffColour = 0xD5C9C0;      // RGB 192, 201, 213: off
constexpr TColor kEditColour = 0xD5C9C0;         // RGB 192, 201, 213: the four number fields
constexpr TColor kRunLedOffColour = 0x9E9E9E;    // RGB 158, 158, 158: off colour of the two run lamps
constexpr TColor kChannelLedOffColour = 0x844E40;  // RGB 64, 78, 132: off colour of the channel lamps
constexpr TColor kChannelLabelColour = 0xC69B80; // RGB 128, 155, 198: the big "L" and "R"
constexpr TColor kCaptionColour = 0xE8DFD8;      // RGB 216, 223, 232: captions beside the controls
constexpr TColor kSliderFocusOn = 0xC6B1A6;      // RGB 166, 177, 198
constexpr TColor kSliderFocusOff = 0x6C6C6C;     // RGB 108, 108, 108

constexpr int kStartTickInterval = 80;  // ms; TickTimer paces it from the first tick on

// The main window and its controller. It carries the application state record (TAppState, its
// fields documented in appstate.h) as a public base, so handlers and tests name the fields
// directly. Every handler runs on the GUI thread; the engine's threads see the settings only
// through TEngineState and the analyser's settings snapshot, which the handlers publish
// (docs/threads.md).
class TMainForm : public QWidget, public TAppState {
    Q_OBJECT

public:
    explicit TMainForm(TMainFormOptions options = {}, QWidget *parent = nullptr);
    ~TMainForm() override;

    // ---- Components -------------------------------------------------------------------
    const QRect PB1{kPlotLeft, kPlotTop, kPlotWidth, kPlotHeight};
    TBMShapedForm *BMS = nullptr;
    QLabel *XButton = nullptr;
    QLabel *MinButton = nullptr;
    QLabel *Options = nullptr;
    THRuler *HScale = nullptr;
    TConfigListPopup *Configs = nullptr;
    QMenu *OpMenu = nullptr;
    QAction *OpSelIn = nullptr, *OpAdjMastVol = nullptr, *OpCal = nullptr, *OpSkew = nullptr;
    QAction *OpLdSet = nullptr, *OpSaveSet = nullptr, *OpLdDef = nullptr;
    QAction *OpSoundDevices = nullptr;
    QAction *OpHelp = nullptr, *OpAbout = nullptr;
    TSoundDevicesDlg *DevicesDlg = nullptr;
    // Generator
    TShapeButton *BGenerator = nullptr, *BGenLeft = nullptr, *BGenRight = nullptr;
    TAutoLed *GenLed = nullptr, *TLedLeft = nullptr, *TLedRight = nullptr;
    TNakedSlider *LFreq = nullptr, *RFreq = nullptr, *LLevel = nullptr, *RLevel = nullptr;
    QLineEdit *LFreqDisp = nullptr, *RFreqDisp = nullptr, *LMagDisp = nullptr, *RMagDisp = nullptr;
    TShapeButton *BFreqLock = nullptr, *BLevLock = nullptr, *BFreqREqL = nullptr, *BLevREqL = nullptr;
    TBevelText *ChanLabelL = nullptr, *ChanLabelR = nullptr;
    // Analyser
    TShapeButton *BSpecAn = nullptr, *BSALeft = nullptr, *BSARight = nullptr, *IQButt = nullptr;
    TAutoLed *SpecLed = nullptr, *RLedLeft = nullptr, *RLedRight = nullptr;
    TAutoLed *IQLed = nullptr;  // lit while I/Q mode is engaged
    TNakedSlider *VGain = nullptr, *VRange = nullptr;
    // The two dialogs, created after the window's own controls.
    TCalibDlg *CalibDlg = nullptr;
    TSkewDlg *SkewDlg = nullptr;
    QRadioButton *RB64k = nullptr, *RB16k = nullptr, *RB8k = nullptr, *RB4k = nullptr, *RB2k = nullptr;

    // ---- Operations -------------------------------------------------------------------
    void ApplySettings();
    void SetSpan();
    void AppIdle();
    void ShowReadout();
    float YToDb(int y) const;
    void TickTimer();
    int DbToLevelPos(float db) const;

    // Generator handlers
    void BGeneratorClick();
    void BGenLeftClick();
    void BGenRightClick();
    void LFreqChange();
    void RFreqChange();
    void LLevelChange();
    void RLevelChange();
    void BFreqLockClick();
    void BLevLockClick();
    void BFreqREqLClick();
    void BLevREqLClick();
    void LFreqDispChange();
    void RFreqDispChange();
    void LFreqDispExit();
    void RFreqDispExit();
    void LMagDispChange();
    void RMagDispChange();
    void LMagDispExit(Qt::FocusReason reason = Qt::OtherFocusReason);
    void RMagDispExit();

    // Analyser handlers
    void BSpecAnClick();
    void BSALeftClick();
    void BSARightClick();
    void IQButtClick();
    void VGainChange();
    void VRangeChange();
    void RB64kClick();
    void RB16kClick();
    void RB8kClick();
    void RB4kClick();
    void RB2kClick();
    void HScaleMouseDown(int x);
    void HScaleMouseMove(int x);
    void HScaleMouseUp();
    void OptionsClick();
    void XButtonClick();
    void MinButtonClick();

    // Settings (configuration store)
    TConfigRecord CurrentRecord() const;
    void ApplyRecord(const TConfigRecord &record);
    void LoadConfig(const QString &name);
    void SaveConfig(const QString &name);
    // The switches kept beside a configuration's record (statectrls.cpp).
    TPanelSwitches CurrentSwitches() const;
    void ApplySwitches(const TPanelSwitches &switches);
    void OpLdDefClick();
    void OpLdSetClick();
    void OpSaveSetClick();
    void OpSelInClick();
    void OpAdjMastVolClick();
    // Where the mixers are looked for; empty for the PATH (tests point it elsewhere).
    QStringList MixerSearchPaths;
    void OpCalClick();
    void OpSkewClick();
    // The skew dialog's "Measure...": the card check on the devices in use (closed meanwhile).
    std::optional<TSkewDlg::TCardCheckOutcome> CardCheckForSkewDialog(QWidget *parent, double skewUs);
    // Sound devices: the remembered choice at start, and the dialog's choice, kept and applied.
    void SelectStartDevices();
    void OpSoundDevicesClick();
    void UseSoundDevices(const TSoundDeviceChoice &choice);
    TSoundDeviceChoice SoundDevicesInUse() const;

    // Measurement: IMD readout, markers, peak hold, snapshots, Mix (measurectrls.cpp).
    QAction *OpImdReadout = nullptr, *OpRefDbc = nullptr, *OpRefPep = nullptr, *OpRefD3 = nullptr;
    QAction *OpPeakHold = nullptr, *OpSnapshot = nullptr, *OpCopyImd = nullptr, *OpMix = nullptr;
    QAction *OpMarker1 = nullptr, *OpMarker2 = nullptr, *OpClearMarkers = nullptr;
    TStatusStrip *Strip = nullptr;
    void OpImdReadoutClick();
    void SetImdReference(int reference);
    void OpPeakHoldClick();
    void OpSnapshotClick();
    void OpCopyImdClick();
    void OpMixClick();
    // A click in the plot (plot pixels): M1 on the nearest peak, M2 with Shift.
    void PlotClick(QPoint plotPoint, bool second);
    void MarkerAtPeak(int marker);  // 1 or 2: on the highest peak of the measured trace
    void ClearMarkers();
    // Steering the plot (plotnav.cpp): a drag in it moves the band as the ruler does, a
    // double-click centres on a frequency, C on the tones; a span change keeps the tones in view.
    QAction *OpCentreTones = nullptr;
    void PlotDoubleClick(QPoint plotPoint);
    void CentreOnTones();
    // The generator's two tones while it plays both on distinct frequencies.
    std::optional<TTonePair> GeneratorTones() const;
    // The tones the band is steered by: the two strongest peaks of the analyser's spectrum
    // when both stand clear of the floor, else the generator's tones, else none.
    std::optional<TTonePair> TonesToView() const;
    // The two-tone measurement of the spectrum shown now, whether or not the readout runs.
    TImdResult MeasureShown() const;
    QString MeasuredChannelName() const;
    // The snapshot written last (its path without extension), empty when none.
    QString LastSnapshot() const { return FLastSnapshot; }

    // A yes/no question in a box of the panel's style; true for yes. GUI thread only.
    bool Ask(const QString &question);
    // WarnBox: safe from any thread; a worker's message is queued to the GUI thread.
    void WarnBox(const QString &text);
    // The device side's own error box ("Audio input error", ...), owned by no window.
    void ErrorBox(const QString &caption, const QString &text);
    // While the window closes or the session is being saved, both of the above write to standard
    // error instead of showing a box.
    bool WarningsToStderr() const;
    // The session is ending (the session manager asks for our data): "LastUsed" is saved at once,
    // without any dialog.
    void CommitSessionData();

    // For tests and diagnostics.
    TThreadedTimer &Tick() const { return *FTick; }
    TSpectrumAnalyser &Analyser() const { return *FAnalyser; }
    TEngineState &EngineState() const { return *FEngineState; }
    TAudioEngine &Engine() const { return *FEngine; }
    double LeftPhase() const;
    double RightPhase() const;
    bool ThreadsRunning() const { return FThreadsRunning; }

signals:
    // Emitted on the GUI thread after each analyser frame has been shown.
    void FrameShown();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildFace();
    void BuildGenerator();
    void BuildAnalyser();
    void BuildOptionsMenu();
    void BuildHelpItems();
    void Connect();
    bool OpenDevices();
    void CloseDevices();
    void FormCloseQuery();
    void PublishGenerator();
    void PublishAnalyser();
    void FrameReady();
    void ConfigChosen(const QString &name);
    void BuildMeasurement();
    void PublishOverlay();
    void UpdateStrip();
    void SaveMeasurePrefsNow();
    // One generator channel's controls and state, so both channels share one handler each.
    struct TToneChannel {
        TNakedSlider *FreqSlider;
        TNakedSlider *LevelSlider;
        QLineEdit *FreqDisp;
        QLineEdit *MagDisp;
        int *FreqHz;
        int *FreqTarget;
        int *LevelPos;
        float *LevelDb;
        float *Ampl;
    };
    TToneChannel LeftTone();
    TToneChannel RightTone();
    void FreqChange(TToneChannel self, TToneChannel twin);
    void LevelChange(TToneChannel self, TToneChannel twin);
    void ShowLevel(QLineEdit *edit, int position);
    void HoldMixLevel(TToneChannel self, TToneChannel twin);
    void SetButtonFont(TShapeButton *button, bool on);
    void LevelEditChange(QLineEdit *edit);
    void LevelEditExit(QLineEdit *edit, TNakedSlider *slider);
    void FreqEditChange(QLineEdit *edit);
    void FreqEditExit(QLineEdit *edit, TNakedSlider *slider);
    bool FilterEditKey(QLineEdit *edit, QKeyEvent *key);
    void SelectSpan(int fftSize);
    void BuildPlotNavigation();
    void MoveBand(float startHz);
    void ChangeSpan(int fftSize);  // a span button: SetSpan, keeping the tones in view
    void ShowTraceKey();
    void ShowIQMode();
    void OpenMixer(TMixerPanel panel);
    void DeleteConfig(const QString &name);
    void DrawReadoutArea();
    static void WarnOnStderr(const QString &text);
    // Number entry (entryctrls.cpp): steps by key and wheel, a typed value applied by any click.
    void SetUpNumberEntry();
    void SetUpToolTips();
    void SetUpKeyboardFocus();
    bool IsNumberEdit(const QWidget *widget) const;
    void ApplyTypedValueOnClick(QObject *watched);
    void StepEdit(QLineEdit *edit, double delta);
    bool StepSlider(TNakedSlider *slider, QEvent *event);

    TMainFormOptions FOptions;
    std::unique_ptr<TEngineState> FEngineState;
    std::unique_ptr<TSampleHistory> FHistory;
    std::unique_ptr<TSpectrumAnalyser> FAnalyser;
    std::unique_ptr<TAudioEngine> FEngine;
    std::unique_ptr<TThreadedTimer> FTick;
    std::unique_ptr<TConfigStore> FStore;
    TPlotView *FPlotView = nullptr;
    QObject *FClickHook = nullptr;  // sees every mouse press of the application (entryctrls.cpp)
    QPoint FLastIdlePoint{-1, -1};
    bool FThreadsRunning = false;
    bool FClosed = false;
    bool FCommittingSession = false;
    // Set when the shut-down begins; read by the workers' warnings, which then skip the queue.
    std::atomic<bool> FEnding{false};
    QString FStartWarning;  // shown once the window is up
    bool FUnreadableStoreReported = false;
    std::unique_ptr<TImdReadout> FImdReadout;
    QString FLastSnapshot;
};

}  // namespace zelvaro
