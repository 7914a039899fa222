// TMainForm: construction of the window, the idle readout, analyser pacing and the ordered shut-down.
#include "mainform.h"

#include "autoled.h"
#include "beveltext.h"
#include "calibdlg.h"
#include "bmshapedform.h"
#include "configlist.h"
#include "configstore.h"
#include "dbscale.h"
#include "helpdlg.h"
#include "enginestate.h"
#include "framepacing.h"
#include "focusframe.h"
#include "imdreadout.h"
#include "nakedslider.h"
#include "plotview.h"
#include "rulers.h"
#include "samplehistory.h"
#include "shapebutton.h"
#include "skewform.h"
#include "skin.h"
#include "analyser.h"
#include "thdtimer.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <utility>

namespace zelvaro {

namespace {

constexpr int kFormWidth = 671;
constexpr int kFormHeight = 474;
constexpr int kDefaultFontPixels = 11;       // "MS Sans Serif" at height -11
constexpr int kSliderCaptionPixels = 9;
// Button captions: "Generator", the widest, keeps 5 px clear of each bevel of its 53 px button.
constexpr int kButtonCaptionPixels = 10;
constexpr int kButtonCaptionStretch = 90;    // percent of the face's natural width      // two short lines under each narrow gain slider
constexpr const char *kPanelFontFamily = "Liberation Sans";
constexpr int kOptionsMenuDrop = 15;         // the menu opens this far below the image's top
constexpr int kConfigsItemHeight = 16;

// Another application taking the focus or a menu opening must not apply a half-typed value: the
// field keeps it, with the focus, for when the user comes back.
bool CommitsTypedValue(Qt::FocusReason reason)
{
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

}  // namespace

// ---- Construction ---------------------------------------------------------------------------

TMainForm::TMainForm(TMainFormOptions options, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), FOptions(std::move(options))
{
    InitSkinResources();
    setWindowTitle(QStringLiteral("Zelvaro"));
    setFixedSize(kFormWidth, kFormHeight);
    QPalette face = palette();
    face.setColor(QPalette::Window, toQColor(kPanelColour));
    setPalette(face);
    setAutoFillBackground(true);
    QFont defaultFont(QString::fromLatin1(kPanelFontFamily));
    defaultFont.setPixelSize(kDefaultFontPixels);
    setFont(defaultFont);

    FEngineState = std::make_unique<TEngineState>();
    FHistory = std::make_unique<TSampleHistory>();

    // The plot geometry and dB window come first: the controls' handlers below read them.
    PlotWidth = PB1.width();
    PlotHeight = PB1.height();
    PlotLeft = PB1.left();
    PlotTop = PB1.top();
    PlotRect = QRect(0, 0, PlotWidth, PlotHeight);
    ReadoutRect = QRect(0, 0, kReadoutWidth, kReadoutHeight);
    BottomDb = -160;
    DbSpan = 160;
    TopDb = BottomDb + DbSpan;
    SampleRate = kSampleRate;

    // The back buffer and its drawing belong to the analyser; frames are announced to the GUI
    // thread through a queued call, never drawn on the window from the processing thread.
    FAnalyser = std::make_unique<TSpectrumAnalyser>(*FHistory, QSize(PlotWidth, PlotHeight), [this] {
        QMetaObject::invokeMethod(this, &TMainForm::FrameReady, Qt::QueuedConnection);
    });

    BuildFace();
    BuildAnalyser();
    BuildGenerator();
    BuildOptionsMenu();
    BuildMeasurement();
    BuildPlotNavigation();
    BuildHelpItems();
    Connect();
    SetUpNumberEntry();
    SetUpToolTips();
    SetUpKeyboardFocus();

    FStore = std::make_unique<TConfigStore>([this](const QString &message) { WarnBox(message); });
    LoadConfig(QString::fromLatin1(kLastUsedConfig));
    ApplySettings();
    ApplySwitches(FStore->LoadSwitches(QString::fromLatin1(kLastUsedConfig)));

    LFreqDisp->setText(QString::number(LFreqHz));
    RFreqDisp->setText(QString::number(RFreqHz));
    LFreq->SetPosition(LFreqHz);
    RFreq->SetPosition(RFreqHz);
    LLevelChange();
    RLevelChange();

    // Events, worker threads, cosine table, sample memory. A worker's warning is queued to the
    // GUI thread by WarnBox itself.
    const TRunOnGui runOnGui = [this](std::function<void()> work) {
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    };
    FEngine = std::make_unique<TAudioEngine>(
        FOptions.Backend, [this](const std::string &text) { WarnBox(QString::fromStdString(text)); },
        runOnGui, *FHistory, *FEngineState, [this] { FAnalyser->UpdateSpectrum(); }, FOptions.Loopback);
    FEngine->SetErrorBox([this](const std::string &caption, const std::string &text) {
        ErrorBox(QString::fromStdString(caption), QString::fromStdString(text));
    });
    // A device that stopped for good (its server went away) has been reported already; both
    // instruments go off, so the user can switch them on again once the device is back.
    FEngine->SetDeviceLostHandler([this] {
        if (SpecOn)
            BSpecAnClick();
        if (GenOn)
            BGeneratorClick();
    });
    SelectStartDevices();
    FThreadsRunning = true;
    PublishGenerator();
    PublishAnalyser();

    FTick = std::make_unique<TThreadedTimer>(runOnGui);
    FTick->SetEnabled(false);
    FTick->SetInterval(kStartTickInterval);
    FTick->SetThreadPriority(tpHighest);
    FTick->SetOnTimer([this](TThreadedTimer *) { TickTimer(); });

    // The engine has already warned "No memory for sound buffers!"; the program then ends.
    if (!FEngine->SoundBuffersOk())
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);

    CalibDlg = new TCalibDlg(this);
    SkewDlg = new TSkewDlg(this);
    SkewDlg->SetCardCheck(
        [this](QWidget *owner, double skewUs) { return CardCheckForSkewDialog(owner, skewUs); });

    // AppIdle runs each time the event queue has drained, before the loop goes to sleep.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &TMainForm::AppIdle);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

TMainForm::~TMainForm()
{
    FormCloseQuery();
    delete FClickHook;  // it would see the events of the controls going below
    FClickHook = nullptr;
    disconnect(QAbstractEventDispatcher::instance(), nullptr, this, nullptr);
    // The controls go while the state they report to still exists: a focus change or signal
    // during their destruction must not reach a half-destroyed window.
    // One at a time: a control may take others with it.
    for (QWidget *control : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        control->removeEventFilter(this);
        control->disconnect(this);
    }
    while (QWidget *control = findChild<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        delete control;
}

void TMainForm::BuildFace()
{
    BMS = new TBMShapedForm(this);
    BMS->SetAutoSize(true);
    BMS->SetPicture(RenderSkinFace());
    BMS->setGeometry(0, 0, kFormWidth, kFormHeight);

    FPlotView = new TPlotView(*FAnalyser, toQColor(kButtonColour1), this);
    FPlotView->setGeometry(PB1);

    auto makeImage = [this](const QString &resource, QRect geometry) {
        auto *image = new QLabel(this);
        image->setPixmap(RenderSkinImage(resource));
        image->setGeometry(geometry);
        image->setCursor(Qt::PointingHandCursor);
        image->setAttribute(Qt::WA_TranslucentBackground);
        image->installEventFilter(this);
        return image;
    };
    XButton = makeImage(QStringLiteral(":/zelvaro/close.svg"), QRect(616, 10, 25, 25));
    XButton->setToolTip(tr("Close"));
    MinButton = makeImage(QStringLiteral(":/zelvaro/minimise.svg"), QRect(580, 8, 25, 27));
    MinButton->setToolTip(tr("Minimise"));
    Options = makeImage(QStringLiteral(":/zelvaro/options.svg"), QRect(112, 26, 59, 17));

    HScale = new THRuler(this);
    HScale->setGeometry(106, 276, 526, 26);
    HScale->SetColor(clSkyBlue);
    HScale->SetUnitOfMeasure(umCustom);
    HScale->SetHStart(290.0f);
    HScale->SetHStop(636.0f);
    HScale->setCursor(Qt::SizeHorCursor);

    Configs = new TConfigListPopup(this);
    Configs->setGeometry(112, 56, 107, 209);
    QFont listFont = font();
    listFont.setBold(true);
    listFont.setPixelSize(13);
    Configs->setFont(listFont);
    Configs->setUniformItemSizes(true);
    Configs->setStyleSheet(QStringLiteral("QListWidget::item { height: %1px; }").arg(kConfigsItemHeight));
    connect(Configs, &TConfigListPopup::ConfigChosen, this, &TMainForm::ConfigChosen);
    connect(Configs, &TConfigListPopup::Closed, FPlotView, qOverload<>(&QWidget::update));
    connect(Configs, &TConfigListPopup::DeleteRequested, this, &TMainForm::DeleteConfig);
    Configs->hide();
}

// A run-state switch or channel button of the panel: a 53 x 25 (or 45 x 21) rounded, embossed button.
static TShapeButton *MakeButton(QWidget *parent, const QString &caption, QRect geometry)
{
    auto *button = new TShapeButton(parent);
    button->setText(caption);
    button->SetButtonKind(bkRoundRect);
    button->SetButton3DKind(dk3dsimple);
    button->SetCaption3dKind(ckEmbossed);
    button->SetButtonColor(kPanelColour);
    button->SetButtonColor1(kButtonColour1);
    button->SetShowFocusRGN(true);  // a keyboard user sees where Space goes
    button->SetTransparent(false);
    button->SetFontColor(kFontOffColour);
    button->setCursor(Qt::PointingHandCursor);
    button->setGeometry(geometry);
    button->SetButtonSize(geometry.width(), geometry.height());
    QFont captionFont(QString::fromLatin1(kPanelFontFamily));
    captionFont.setPixelSize(kButtonCaptionPixels);
    captionFont.setStretch(kButtonCaptionStretch);
    captionFont.setBold(true);
    button->setFont(captionFont);
    return button;
}

namespace {

// A 16 x 16 lamp; the factories below take their settings by name, so a call reads like the
// control's entry in the window's layout.
struct TLedSpec {
    QPoint At;
    TColor Back;  // the panel behind the lamp
    TColor On;
    TColor Off;
};

static TAutoLed *MakeLed(QWidget *parent, const TLedSpec &spec)
{
    auto *led = new TAutoLed(parent);
    led->setGeometry(spec.At.x(), spec.At.y(), 16, 16);
    led->SetBColor(spec.Back);
    led->SetTrueColor(spec.On);
    led->SetFalseColor(spec.Off);
    return led;
}

// Horizontal when wider than high, vertical otherwise.
struct TSliderSpec {
    QRect Geometry;
    int Min;
    int Max;
    int Position;
    int Thickness;  // of the track, pixels
    TThumbStyle Thumb;
    int StepPage;   // one click beside the thumb
};

static TNakedSlider *MakeSlider(QWidget *parent, const TSliderSpec &spec)
{
    auto *slider = new TNakedSlider(parent);
    slider->setGeometry(spec.Geometry);
    slider->SetOrientation(spec.Geometry.width() >= spec.Geometry.height() ? orHorizontal : orVertical);
    slider->SetMin(spec.Min);
    slider->SetMax(spec.Max);
    slider->SetThickness(spec.Thickness);
    slider->SetThumbStyle(spec.Thumb);
    slider->SetStepPage(spec.StepPage);
    slider->SetPosition(spec.Position);
    return slider;
}

// Shadowed panel text: at its natural size at At, or centred over WrapWidth pixels in two lines.
struct TLabelSpec {
    QString Caption;
    QPoint At;
    int PixelSize;
    TColor Colour = kCaptionColour;
    bool Bold = false;
    int WrapWidth = 0;
};

static TBevelText *MakeLabel(QWidget *parent, const TLabelSpec &spec)
{
    auto *label = new TBevelText(parent);
    QFont labelFont(QString::fromLatin1(kPanelFontFamily));
    labelFont.setPixelSize(spec.PixelSize);
    labelFont.setBold(spec.Bold);
    label->setFont(labelFont);
    label->SetTransparent(true);
    label->SetFontColor(spec.Colour);
    label->SetShadowColor(clBlack);
    label->SetDeep(1);
    label->SetBorder(boNone);
    if (spec.WrapWidth > 0) {
        label->SetAutoSize(false);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->SetCaption(spec.Caption);
        label->setGeometry(spec.At.x(), spec.At.y(), spec.WrapWidth, 2 * (spec.PixelSize + 3));
    } else {
        label->SetCaption(spec.Caption);
        label->move(spec.At);
    }
    return label;
}

}  // namespace

static QLineEdit *MakeEdit(QWidget *parent, QRect geometry)
{
    auto *edit = new QLineEdit(parent);
    edit->setGeometry(geometry);
    QFont editFont(QString::fromLatin1(kPanelFontFamily));
    editFont.setPixelSize(13);
    editFont.setBold(true);
    edit->setFont(editFont);
    const QColor back = toQColor(kEditColour);
    edit->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: black; border: 1px solid #1d3550;"
                                       " border-radius: 2px; padding: 0px 2px; }")
                            .arg(back.name()));
    return edit;
}

void TMainForm::BuildGenerator()
{
    BGenerator = MakeButton(this, QStringLiteral("Generator"), QRect(10, 278, 53, 25));
    GenLed = MakeLed(this, {.At = {26, 310}, .Back = kPanelColour, .On = clRed, .Off = kRunLedOffColour});
    GenLed->setCursor(Qt::PointingHandCursor);
    BGenLeft = MakeButton(this, QStringLiteral("Left"), QRect(10, 332, 53, 25));
    BGenRight = MakeButton(this, QStringLiteral("Right"), QRect(10, 362, 53, 25));
    TLedLeft = MakeLed(this, {.At = {70, 335}, .Back = clBlack, .On = clLime, .Off = kChannelLedOffColour});
    TLedRight = MakeLed(this, {.At = {70, 366}, .Back = clBlack, .On = clLime, .Off = kChannelLedOffColour});

    const auto toneSlider = [this](QRect geometry, int min, int max, int position) {
        return MakeSlider(this, {.Geometry = geometry, .Min = min, .Max = max, .Position = position,
                                 .Thickness = 2, .Thumb = tsStdVBar, .StepPage = 999});
    };
    LFreq = toneSlider({96, 356, 193, 13}, kToneFreqMin, kToneFreqMax, 1294);
    RFreq = toneSlider({446, 356, 193, 13}, kToneFreqMin, kToneFreqMax, 1978);
    LLevel = toneSlider({96, 378, 193, 13}, kLevelPosMin, kLevelPosMax, 5000);
    RLevel = toneSlider({446, 378, 193, 13}, kLevelPosMin, kLevelPosMax, 5000);

    LFreqDisp = MakeEdit(this, QRect(200, 336, 57, 19));
    RFreqDisp = MakeEdit(this, QRect(548, 336, 57, 19));
    LMagDisp = MakeEdit(this, QRect(206, 390, 51, 19));
    RMagDisp = MakeEdit(this, QRect(554, 390, 51, 19));
    MakeLabel(this, {.Caption = QStringLiteral("Hz"), .At = {261, 338}, .PixelSize = 13, .Bold = true});
    MakeLabel(this, {.Caption = QStringLiteral("Hz"), .At = {609, 338}, .PixelSize = 13, .Bold = true});
    MakeLabel(this, {.Caption = QStringLiteral("dB"), .At = {261, 392}, .PixelSize = 13, .Bold = true});
    MakeLabel(this, {.Caption = QStringLiteral("dB"), .At = {609, 392}, .PixelSize = 13, .Bold = true});

    BFreqLock = MakeButton(this, QStringLiteral("Lock"), QRect(378, 350, 45, 21));
    BLevLock = MakeButton(this, QStringLiteral("Lock"), QRect(378, 376, 45, 21));
    BFreqREqL = MakeButton(this, QStringLiteral("R = L"), QRect(314, 350, 45, 21));
    BLevREqL = MakeButton(this, QStringLiteral("R = L"), QRect(314, 376, 45, 21));
    for (TShapeButton *button : {BFreqLock, BLevLock, BFreqREqL, BLevREqL})
        button->SetFontColor(kFontOnColour);

    ChanLabelL = MakeLabel(this, {.Caption = QStringLiteral("L"), .At = {292, 362}, .PixelSize = 21,
                                  .Colour = kChannelLabelColour});
    ChanLabelR = MakeLabel(this, {.Caption = QStringLiteral("R"), .At = {430, 362}, .PixelSize = 21,
                                  .Colour = kChannelLabelColour});

    for (QLineEdit *edit : {LFreqDisp, RFreqDisp, LMagDisp, RMagDisp})
        edit->installEventFilter(this);
}

// A span lamp: a round 13 x 13 indicator, red when chosen, placed by `padding` inside its control.
static QString SpanLampStyle(QMargins padding)
{
    return QStringLiteral(
               "QRadioButton { spacing: 0px; background: transparent; padding: %1px %2px %3px %4px; }"
               "QRadioButton::indicator { width: 11px; height: 11px; border-radius: 6px;"
               " border: 1px solid #10243a;"
               " background: qradialgradient(cx:0.35, cy:0.35, radius:0.8, fx:0.35, fy:0.35,"
               " stop:0 #e8eef5, stop:1 #7f98b3); }"
               "QRadioButton::indicator:checked { background: qradialgradient(cx:0.4, cy:0.4, radius:0.7,"
               " fx:0.4, fy:0.4, stop:0 #ffb0a0, stop:0.5 #e03020, stop:1 #801008); }")
        .arg(padding.top())
        .arg(padding.right())
        .arg(padding.bottom())
        .arg(padding.left());
}

void TMainForm::BuildAnalyser()
{
    BSpecAn = MakeButton(this, QStringLiteral("Spec.An."), QRect(10, 56, 53, 25));
    SpecLed = MakeLed(this, {.At = {26, 88}, .Back = kPanelColour, .On = clRed, .Off = kRunLedOffColour});
    SpecLed->setCursor(Qt::PointingHandCursor);
    BSALeft = MakeButton(this, QStringLiteral("Left"), QRect(10, 110, 53, 25));
    BSARight = MakeButton(this, QStringLiteral("Right"), QRect(10, 140, 53, 25));
    RLedLeft = MakeLed(this, {.At = {70, 113}, .Back = clBlack, .On = clLime, .Off = kChannelLedOffColour});
    RLedRight = MakeLed(this, {.At = {70, 144}, .Back = clBlack, .On = clLime, .Off = kChannelLedOffColour});
    IQButt = MakeButton(this, QStringLiteral("I/Q Mode"), QRect(10, 232, 53, 25));
    IQLed = MakeLed(this, {.At = {70, 236}, .Back = clBlack, .On = clLime, .Off = kChannelLedOffColour});

    VGain = MakeSlider(this, {.Geometry = {638, 50, 11, 233}, .Min = 10, .Max = 160, .Position = 42,
                              .Thickness = 5, .Thumb = tsStdHBar, .StepPage = 15});
    VRange = MakeSlider(this, {.Geometry = {654, 50, 11, 233}, .Min = 0, .Max = 160, .Position = 38,
                               .Thickness = 5, .Thumb = tsStdHBar, .StepPage = 16});
    for (TNakedSlider *slider : {VGain, VRange}) {
        slider->SetFocusColor(kSliderFocusOff);
        slider->setEnabled(false);
    }
    MakeLabel(this, {.Caption = QStringLiteral("Vert. Gain"), .At = {633, 285},
                     .PixelSize = kSliderCaptionPixels, .WrapWidth = 34});
    MakeLabel(this, {.Caption = QStringLiteral("Vert. Range"), .At = {633, 306},
                     .PixelSize = kSliderCaptionPixels, .WrapWidth = 34});

    MakeLabel(this, {.Caption = QStringLiteral("Hor. Span"), .At = {196, 22}, .PixelSize = kDefaultFontPixels,
                     .Bold = true});
    const QString captions[] = {QStringLiteral("0.17k"), QStringLiteral("0.7k"), QStringLiteral("1.4k"),
                                QStringLiteral("2.8k"), QStringLiteral("5.6k")};
    QRadioButton **buttons[] = {&RB64k, &RB16k, &RB8k, &RB4k, &RB2k};
    constexpr int kSpanFirstX = 268;
    constexpr int kSpanPitch = 44;
    constexpr int kSpanTop = 17;
    constexpr int kSpanFocusMargin = kFocusFrameWidth + 1;
    for (int i = 0; i < 5; ++i) {
        auto *radio = new QRadioButton(this);
        const int x = kSpanFirstX + i * kSpanPitch;
        radio->setCursor(Qt::PointingHandCursor);
        *buttons[i] = radio;
        auto *label = MakeLabel(this, {.Caption = captions[i], .At = {0, 0}, .PixelSize = 10});
        label->move(x + 6 - label->width() / 2, kSpanTop + 14);
        // The control reaches round the 13 x 13 lamp and its caption, a margin clear of both, so
        // the focus frame encloses the whole choice; the lamp keeps its place inside.
        const QRect lamp(x, kSpanTop, 13, 13);
        const QRect area = lamp.united(label->geometry())
                               .adjusted(-kSpanFocusMargin, -kSpanFocusMargin, kSpanFocusMargin, kSpanFocusMargin);
        radio->setGeometry(area);
        radio->setStyleSheet(SpanLampStyle(QMargins(lamp.left() - area.left(), lamp.top() - area.top(),
                                                    area.right() - lamp.right(), area.bottom() - lamp.bottom())));
    }
}

void TMainForm::BuildOptionsMenu()
{
    OpMenu = new QMenu(this);
    OpSelIn = OpMenu->addAction(QStringLiteral("Select Input"), this, &TMainForm::OpSelInClick);
    OpAdjMastVol = OpMenu->addAction(QStringLiteral("Adjust Mixer Volume"), this, &TMainForm::OpAdjMastVolClick);
    OpSoundDevices = OpMenu->addAction(QStringLiteral("Sound Devices..."), this, &TMainForm::OpSoundDevicesClick);
    OpMenu->addSeparator();
    OpCal = OpMenu->addAction(QStringLiteral("Frequency Calibration"), this, &TMainForm::OpCalClick);
    OpSkew = OpMenu->addAction(QStringLiteral("Channel Skew Compensation"), this, &TMainForm::OpSkewClick);
    OpMenu->addSeparator();
    OpLdSet = OpMenu->addAction(QStringLiteral("Load Settings from..."), this, &TMainForm::OpLdSetClick);
    OpSaveSet = OpMenu->addAction(QStringLiteral("Save Settings to..."), this, &TMainForm::OpSaveSetClick);
    OpLdDef = OpMenu->addAction(QStringLiteral("Load Default Settings"), this, &TMainForm::OpLdDefClick);
}

// Help and About close the Options menu, after every instrument entry.
void TMainForm::BuildHelpItems()
{
    OpMenu->addSeparator();
    OpHelp = OpMenu->addAction(QStringLiteral("Help"), this, [this] { ShowHelp(this); });
    OpHelp->setShortcut(QKeySequence(Qt::Key_F1));
    OpHelp->setShortcutContext(Qt::WindowShortcut);
    addAction(OpHelp);  // F1 anywhere in the window, with the menu closed
    OpAbout = OpMenu->addAction(QStringLiteral("About Zelvaro"), this, [this] { ShowAbout(this); });
}

void TMainForm::Connect()
{
    connect(BGenerator, &QAbstractButton::clicked, this, &TMainForm::BGeneratorClick);
    connect(GenLed, &TAutoLed::OnClick, this, &TMainForm::BGeneratorClick);
    connect(BGenLeft, &QAbstractButton::clicked, this, &TMainForm::BGenLeftClick);
    connect(BGenRight, &QAbstractButton::clicked, this, &TMainForm::BGenRightClick);
    connect(LFreq, &TNakedSlider::OnChange, this, &TMainForm::LFreqChange);
    connect(RFreq, &TNakedSlider::OnChange, this, &TMainForm::RFreqChange);
    connect(LLevel, &TNakedSlider::OnChange, this, &TMainForm::LLevelChange);
    connect(RLevel, &TNakedSlider::OnChange, this, &TMainForm::RLevelChange);
    connect(BFreqLock, &QAbstractButton::clicked, this, &TMainForm::BFreqLockClick);
    connect(BLevLock, &QAbstractButton::clicked, this, &TMainForm::BLevLockClick);
    connect(BFreqREqL, &QAbstractButton::clicked, this, &TMainForm::BFreqREqLClick);
    connect(BLevREqL, &QAbstractButton::clicked, this, &TMainForm::BLevREqLClick);
    connect(LFreqDisp, &QLineEdit::textChanged, this, &TMainForm::LFreqDispChange);
    connect(RFreqDisp, &QLineEdit::textChanged, this, &TMainForm::RFreqDispChange);
    connect(LMagDisp, &QLineEdit::textChanged, this, &TMainForm::LMagDispChange);
    connect(RMagDisp, &QLineEdit::textChanged, this, &TMainForm::RMagDispChange);

    connect(BSpecAn, &QAbstractButton::clicked, this, &TMainForm::BSpecAnClick);
    connect(SpecLed, &TAutoLed::OnClick, this, &TMainForm::BSpecAnClick);
    connect(BSALeft, &QAbstractButton::clicked, this, &TMainForm::BSALeftClick);
    connect(BSARight, &QAbstractButton::clicked, this, &TMainForm::BSARightClick);
    connect(IQButt, &QAbstractButton::clicked, this, &TMainForm::IQButtClick);
    connect(VGain, &TNakedSlider::OnChange, this, &TMainForm::VGainChange);
    connect(VRange, &TNakedSlider::OnChange, this, &TMainForm::VRangeChange);
    const std::pair<QRadioButton *, void (TMainForm::*)()> spans[] = {
        {RB64k, &TMainForm::RB64kClick}, {RB16k, &TMainForm::RB16kClick}, {RB8k, &TMainForm::RB8kClick},
        {RB4k, &TMainForm::RB4kClick}, {RB2k, &TMainForm::RB2kClick}};
    for (const auto &[radio, handler] : spans)
        connect(radio, &QRadioButton::toggled, this, [this, handler = handler](bool checked) {
            if (checked)
                (this->*handler)();
        });
    connect(HScale, &THRuler::OnMouseDown, this,
            [this](THRuler *, Qt::MouseButton, Qt::KeyboardModifiers, int x, int) { HScaleMouseDown(x); });
    connect(HScale, &THRuler::OnMouseMove, this,
            [this](THRuler *, Qt::KeyboardModifiers, int x, int) { HScaleMouseMove(x); });
    connect(HScale, &THRuler::OnMouseUp, this,
            [this](THRuler *, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { HScaleMouseUp(); });
}

// ---- Settings ---------------------------------------------------------------------------------

void TMainForm::ApplySettings()
{
    // Both locks would let each pushed value drag its twin along and corrupt the loaded pair;
    // they are released for the push and restored afterwards.
    const bool freqLocked = FreqLocked;
    const bool levLocked = LevLocked;
    FreqLocked = false;
    LevLocked = false;

    CalFactor = CalMeasured / CalDisplayed;
    EffSampleRate = static_cast<float>(SampleRate) * CalFactor;
    HzPerBin = EffSampleRate / static_cast<float>(FftSize);
    SpanHz = static_cast<float>(PlotWidth) * HzPerBin;

    SelectSpan(FftSize);

    LFreqTarget = LFreqHz;
    LFreq->SetPosition(LFreqHz);
    RFreqTarget = RFreqHz;
    RFreq->SetPosition(RFreqHz);

    const int left = LLevelPos;
    LLevel->SetPosition(left);
    const int right = RLevelPos;
    RLevel->SetPosition(right);
    LLevelDb = static_cast<float>(LevelPosToDb(left, LLevel->Max()));
    RLevelDb = static_cast<float>(LevelPosToDb(right, RLevel->Max()));

    FreqLocked = freqLocked;
    LevLocked = levLocked;
    PublishGenerator();
    PublishAnalyser();
}

void TMainForm::SelectSpan(int fftSize)
{
    QRadioButton *radio = nullptr;
    switch (fftSize) {
    case 65536: radio = RB64k; break;
    case 16384: radio = RB16k; break;
    case 8192: radio = RB8k; break;
    case 4096: radio = RB4k; break;
    case 2048: radio = RB2k; break;
    default: return;
    }
    if (radio->isChecked())
        SetSpan();
    else
        radio->setChecked(true);  // its handler sets FftSize and runs SetSpan
}

TConfigRecord TMainForm::CurrentRecord() const
{
    TConfigRecord record;
    record.StartHz = StartHz;
    record.FftSize = FftSize;
    record.VGain = VGain->Position();
    record.VRange = VRange->Position();
    record.CalMeasured = CalMeasured;
    record.CalDisplayed = CalDisplayed;
    record.LLevelPos = LLevelPos;
    record.RLevelPos = RLevelPos;
    record.LFreqHz = LFreqHz;
    record.RFreqHz = RFreqHz;
    record.SkewUs = SkewUs;
    return record;
}

void TMainForm::ApplyRecord(const TConfigRecord &record)
{
    StartHz = record.StartHz;
    FftSize = record.FftSize;
    VGain->SetPosition(record.VGain);
    VRange->SetPosition(record.VRange);
    CalMeasured = record.CalMeasured;
    CalDisplayed = record.CalDisplayed;
    LLevelPos = record.LLevelPos;
    RLevelPos = record.RLevelPos;
    LFreqHz = record.LFreqHz;
    RFreqHz = record.RFreqHz;
    SkewUs = record.SkewUs;
}

void TMainForm::LoadConfig(const QString &name)
{
    const TLoadResult loaded = FStore->LoadConfig(name);
    ApplyRecord(loaded.Record);
    // Told once, when the window is up; the save at shut-down then stays silent about it.
    if (loaded.Outcome == TLoadOutcome::Unreadable && !FUnreadableStoreReported) {
        FUnreadableStoreReported = true;
        FStore->MarkUnreadableReported();
        const QString text = FStore->UnreadableText();
        if (isVisible())
            WarnBox(text);
        else
            FStartWarning = text;
    }
}

void TMainForm::SaveConfig(const QString &name)
{
    if (FStore->SaveConfig(name, CurrentRecord()) == TSaveOutcome::Saved)
        FStore->SaveSwitches(name, CurrentSwitches());
}

// ---- Engine state hand-over ---------------------------------------------------------------------

void TMainForm::PublishGenerator()
{
    TEngineState &state = *FEngineState;
    state.LFreqHz.store(LFreqHz, std::memory_order_relaxed);
    state.RFreqHz.store(RFreqHz, std::memory_order_relaxed);
    state.LAmpl.store(LAmpl, std::memory_order_relaxed);
    state.RAmpl.store(RAmpl, std::memory_order_relaxed);
    state.SkewUs.store(SkewUs, std::memory_order_relaxed);
    state.IQMode.store(IQMode, std::memory_order_relaxed);
    state.TLedLeft.store(TLedLeft->Value(), std::memory_order_relaxed);
    state.TLedRight.store(TLedRight->Value(), std::memory_order_relaxed);
    state.GenOn.store(GenOn, std::memory_order_relaxed);
    state.EffSampleRate.store(EffSampleRate, std::memory_order_relaxed);
    state.MixTones.store(MixTones, std::memory_order_relaxed);
    PublishOverlay();  // the generator's tones are the readout's hints
}

void TMainForm::PublishAnalyser()
{
    TSpectrumSettings settings;
    settings.FftSize = FftSize;
    settings.StartHz = StartHz;
    settings.HzPerBin = HzPerBin;
    settings.FullScaleMag = FullScaleMag;
    settings.TopDb = TopDb;
    settings.BottomDb = BottomDb;
    settings.SALeftOn = SALeftOn;
    settings.SARightOn = SARightOn;
    settings.UseWindow = UseWindow;
    settings.AvgCount = AvgCount;
    FAnalyser->SetSettings(settings);
    FEngineState->EffSampleRate.store(EffSampleRate, std::memory_order_relaxed);
    FEngineState->FftSize.store(FftSize, std::memory_order_relaxed);
    FEngineState->SpecOn.store(SpecOn, std::memory_order_relaxed);
    ShowTraceKey();
    UpdateStrip();
}

// ---- Devices ----------------------------------------------------------------------------------

// Capture and playback open together; a failure has already been reported by the device side,
// and the window then closes through the normal shut-down.
bool TMainForm::OpenDevices()
{
    if (DevicesOpen)
        return true;
    if (FEngine->OpenDevices()) {
        DevicesOpen = true;
        return true;
    }
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    return false;
}

void TMainForm::CloseDevices()
{
    FEngine->CloseDevices();
    DevicesOpen = false;
}

// ---- Readout ----------------------------------------------------------------------------------

float TMainForm::YToDb(int y) const
{
    return zelvaro::YToDb(y, TopDb, BottomDb, PlotHeight);
}

void TMainForm::AppIdle()
{
    if (FClosed || !isVisible())
        return;
    QPoint pointer = mapFromGlobal(QCursor::pos());
    const QPoint readout = ReadoutOrigin(pointer, PB1);
    ReadoutX = readout.x();
    ReadoutY = readout.y();
    pointer -= QPoint(PlotLeft, PlotTop);
    CursorMoved = pointer != FLastIdlePoint;
    if (CursorMoved)
        FLastIdlePoint = pointer;
    CursorInPlot = PlotRect.contains(pointer);
    if (CursorInPlot) {
        if (cursor().shape() != Qt::CrossCursor)
            setCursor(Qt::CrossCursor);
        CursorHz = PlotXToHz(pointer.x(), StartHz, HzPerBin);
        CursorPlotX = pointer.x();
        CursorPlotY = pointer.y();
        ShowReadout();
    } else {
        if (cursor().shape() != Qt::ArrowCursor)
            setCursor(Qt::ArrowCursor);
        if (!FPlotView->ReadoutText().isEmpty() && CursorMoved)
            FPlotView->SetReadout(FPlotView->ReadoutOrigin(), QString());
    }
}

void TMainForm::ShowReadout()
{
    if (CursorInPlot && CursorMoved) {
        ReadoutText = QString::asprintf("%5d Hz, %5.1f dB", static_cast<int>(CursorHz),
                                        static_cast<double>(YToDb(CursorPlotY)));
        DrawReadoutArea();
    }
    CursorMoved = false;
}

// DrawReadout: the plot view repaints the old and the new readout box from the last frame, so
// the previous text is erased by the plot beneath it.
void TMainForm::DrawReadoutArea()
{
    PrevReadoutX = ReadoutX;
    PrevReadoutY = ReadoutY;
    FPlotView->SetReadout(QPoint(ReadoutX - PlotLeft, ReadoutY - PlotTop), ReadoutText);
}

void TMainForm::FrameReady()
{
    if (FClosed)
        return;
    FPlotView->update();
    CursorMoved = true;
    ShowReadout();
    UpdateStrip();
    emit FrameShown();
}

// ---- Pacing -----------------------------------------------------------------------------------

void TMainForm::TickTimer()
{
    const bool processing = FEngineState->Processing.load(std::memory_order_relaxed);
    FTick->SetInterval(NextTickInterval(FTick->Interval(), processing, EffSampleRate));
    FEngine->SignalProcess();
}

// ---- Warnings ---------------------------------------------------------------------------------

void TMainForm::WarnBox(const QString &text)
{
    if (FEnding.load(std::memory_order_relaxed)) {
        // From any thread: the GUI thread is busy ending and will not run a queued box any more.
        WarnOnStderr(text);
        return;
    }
    if (QThread::currentThread() != thread()) {
        // A worker never shows a box itself, nor waits for one: the GUI thread shows it later.
        QMetaObject::invokeMethod(this, [this, text] { WarnBox(text); }, Qt::QueuedConnection);
        return;
    }
    if (WarningsToStderr()) {
        WarnOnStderr(text);
        return;
    }
    if (FOptions.WarnSink) {
        FOptions.WarnSink(text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Zelvaro"), text, QMessageBox::Ok, this);
    box.exec();
}

bool TMainForm::Ask(const QString &question)
{
    if (FOptions.AskSink)
        return FOptions.AskSink(question);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Zelvaro"), question, QMessageBox::Yes | QMessageBox::No,
                    this);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TMainForm::ErrorBox(const QString &caption, const QString &text)
{
    if (FEnding.load(std::memory_order_relaxed)) {
        WarnOnStderr(caption + QStringLiteral(": ") + text);
        return;
    }
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, caption, text] { ErrorBox(caption, text); },
                                  Qt::QueuedConnection);
        return;
    }
    if (WarningsToStderr()) {
        WarnOnStderr(caption + QStringLiteral(": ") + text);
        return;
    }
    if (FOptions.WarnSink) {
        FOptions.WarnSink(caption + QStringLiteral(": ") + text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok);
    box.exec();
}

// Nobody may be left waiting on a box while the program ends or the session is being saved: the
// message goes to the terminal or the session's log instead.
bool TMainForm::WarningsToStderr() const
{
    return FEnding.load(std::memory_order_relaxed) || FCommittingSession;
}

void TMainForm::WarnOnStderr(const QString &text)
{
    std::fprintf(stderr, "zelvaro: %s\n", qPrintable(QString(text).replace(u'\n', u' ')));
}

// ---- Shut-down --------------------------------------------------------------------------------

void TMainForm::CommitSessionData()
{
    FCommittingSession = true;
    if (FStore)
        SaveConfig(QString::fromLatin1(kLastUsedConfig));
    FCommittingSession = false;
}

void TMainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!FStartWarning.isEmpty())
        QTimer::singleShot(0, this, [this] {
            if (!FStartWarning.isEmpty() && !FClosed)
                WarnBox(std::exchange(FStartWarning, QString()));
        });
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    FormCloseQuery();
    event->accept();
}

void TMainForm::FormCloseQuery()
{
    if (FClosed)
        return;
    FClosed = true;
    FEnding.store(true, std::memory_order_relaxed);
    if (FTick)
        FTick->SetEnabled(false);
    if (FEngine) {
        // Each worker ends on its quit event; none of them waits on the GUI thread, so the joins
        // cannot hang on us.
        FEngine->Shutdown();
        FThreadsRunning = false;
        DevicesOpen = false;
    }
    if (FStore)
        SaveConfig(QString::fromLatin1(kLastUsedConfig));
}

void TMainForm::XButtonClick()
{
    close();
}

void TMainForm::MinButtonClick()
{
    showMinimized();
}

// ---- Events -----------------------------------------------------------------------------------

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::Wheel)
        if (auto *slider = qobject_cast<TNakedSlider *>(watched); slider && StepSlider(slider, event))
            return true;
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        auto *widget = qobject_cast<QWidget *>(watched);
        const bool inside = widget && widget->rect().contains(mouse->position().toPoint());
        if (watched == XButton && inside && mouse->button() == Qt::LeftButton) {
            XButtonClick();
            return true;
        }
        if (watched == MinButton && inside && mouse->button() == Qt::LeftButton) {
            MinButtonClick();
            return true;
        }
        if (watched == Options && inside && mouse->button() == Qt::LeftButton) {
            OptionsClick();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (auto *edit = qobject_cast<QLineEdit *>(watched))
            return FilterEditKey(edit, key);
    }
    const auto *focusOut = event->type() == QEvent::FocusOut ? static_cast<QFocusEvent *>(event) : nullptr;
    if (focusOut && CommitsTypedValue(focusOut->reason())) {
        if (watched == LFreqDisp)
            LFreqDispExit();
        else if (watched == RFreqDisp)
            RFreqDispExit();
        else if (watched == LMagDisp)
            LMagDispExit(focusOut->reason());
        else if (watched == RMagDisp)
            RMagDispExit();
    }
    return QWidget::eventFilter(watched, event);
}

double TMainForm::LeftPhase() const
{
    return FEngine->Synth().LeftPhase();
}

double TMainForm::RightPhase() const
{
    return FEngine->Synth().RightPhase();
}

}  // namespace zelvaro
