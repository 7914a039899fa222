// The channel skew dialog: slider and typed delay, with the locale's decimal separator.
#include "skewform.h"

#include "beveltext.h"
#include "configrecord.h"
#include "dialogparts.h"
#include "nakedslider.h"
#include "numberentry.h"
#include "numberfield.h"

#include <QKeyEvent>
#include <QWheelEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace zelvaro {

namespace {

constexpr int kClientWidth = 370;
constexpr int kClientHeight = 250;
constexpr int kSliderMin = -500;  // -50.0 us, the "Left" end
constexpr int kSliderMax = 500;
constexpr int kSliderThickness = 2;
constexpr int kSliderPageStep = 100;
constexpr int kDelayPixels = 13;
constexpr int kMaxDelayDecimals = 2;
constexpr char kDelayKeys[] = "0123456789,-.";
constexpr char kEmptyDelay[] = "0.0";

const QStringList kMemoLines = {
    QStringLiteral("This panel allows to specify the time delay that one of the"),
    QStringLiteral("channels of the sound card may have with respect to the other."),
    QStringLiteral("Good quality sound cards do not have this problem, so use"),
    QStringLiteral("this function only if you are sure you need it."),
    QString(),
    QStringLiteral("When the slider is in its center position and zero is indicated,"),
    QStringLiteral("no compensation is computed. Moving it toward Left or Right"),
    QStringLiteral("applies the displayed delay compensation (expressed in "),
    QStringLiteral("microseconds) to the corresponding channel."),
    QStringLiteral("You can alternatively input the delay value in the input field."),
};

const QString kInputErrorCaption = QStringLiteral("Zelvaro - Input error");
const QString kNotANumberText = QStringLiteral("The value entered doesn't have a valid numeric format");

void ShowInputError(QWidget *parent, const QString &text, const QString &caption)
{
    QMessageBox::warning(parent, caption, text);
}

}  // namespace

QString FormatDelay(double microseconds, const QLocale &locale)
{
    const QLocale plain = StrictNumberLocale(locale);
    const double rounded = std::round(microseconds * 100.0) / 100.0;
    QString digits = plain.toString(std::abs(rounded), 'f', kMaxDelayDecimals);
    if (digits.endsWith(u'0'))
        digits.chop(1);  // "##0.0#": the second decimal only when it is not zero
    // A value that rounds to zero is shown as zero, never as "-0.0".
    return (rounded < 0.0 ? QStringLiteral(" -") : QStringLiteral("  ")) + digits;
}

std::optional<double> ParseDelay(const QString &text, const QLocale &locale, QString *normalized)
{
    QString typed = text;
    qsizetype separatorAt = typed.indexOf(u'.');
    if (separatorAt < 0)
        separatorAt = typed.indexOf(u',');
    if (separatorAt >= 0)
        typed[separatorAt] = locale.decimalPoint().at(0);
    if (normalized)
        *normalized = typed;

    bool ok = false;
    const double value = StrictNumberLocale(locale).toDouble(typed.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

TSkewDlg::TSkewDlg(QWidget *parent, const QLocale &locale)
    : QDialog(parent), FLocale(locale), FDecimalSeparator(locale.decimalPoint().at(0)), FInputError(ShowInputError)
{
    setObjectName(QStringLiteral("SkewDlg"));
    SetUpDialogFrame(this, QStringLiteral("Channel Skew Compensation"), kClientWidth,
                     kClientHeight);
    setFont(DialogFont(11));

    Memo1 = MakeMemo(this, kMemoLines, QRect(21, 16, 327, 149));

    DelaySlider = new TNakedSlider(this);
    DelaySlider->setObjectName(QStringLiteral("DelaySlider"));
    DelaySlider->SetOrientation(orHorizontal);
    DelaySlider->setGeometry(12, 186, 347, 15);
    DelaySlider->SetHandCursor(false);
    DelaySlider->SetMin(kSliderMin);
    DelaySlider->SetMax(kSliderMax);
    DelaySlider->SetThickness(kSliderThickness);
    DelaySlider->SetThumbStyle(tsStdVBar);
    DelaySlider->SetStepPage(kSliderPageStep);
    DelaySlider->SetPosition(0);

    LLeft = MakeDialogLabel(this, QStringLiteral("Left"), 18, 204);
    LRight = MakeDialogLabel(this, QStringLiteral("Right"), 324, 204);
    LDelay = MakeDialogLabel(this, QStringLiteral("Microseconds"), 143, 232);

    Delay = new QLineEdit(QString::fromLatin1(kEmptyDelay), this);
    Delay->setObjectName(QStringLiteral("Delay"));
    Delay->setGeometry(155, 212, 59, 21);
    Delay->setFont(DialogFont(kDelayPixels, true));
    Delay->setValidator(new TCharFilter(QString::fromLatin1(kDelayKeys), Delay));
    QPalette palette = Delay->palette();
    palette.setColor(QPalette::Text, Qt::black);
    Delay->setPalette(palette);

    OkBtn = new QPushButton(QStringLiteral("OK"), this);
    OkBtn->setGeometry(53, 222, 67, 21);
    OkBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setGeometry(249, 222, 67, 21);
    setTabOrder(Delay, OkBtn);
    setTabOrder(OkBtn, CancelBtn);

    connect(DelaySlider, &TNakedSlider::OnChange, this, &TSkewDlg::DelaySliderChange);
    SetUpDelayEntry();
    connect(OkBtn, &QPushButton::clicked, this, &TSkewDlg::OkBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    // Between the text and the slider: runs the card check and offers the value it found.
    MeasureBtn = new QPushButton(QStringLiteral("Measure\u2026"), this);
    MeasureBtn->setObjectName(QStringLiteral("MeasureBtn"));
    MeasureBtn->setGeometry(281, 167, 67, 18);
    MeasureBtn->setToolTip(QStringLiteral("Measure the sound card's own channel skew through a cable from "
                                          "its line output to its line input"));
    MeasureBtn->hide();
    FOffer = [](QWidget *owner, const QString &text) {
        return QMessageBox::question(owner, QStringLiteral("Zelvaro"), text) == QMessageBox::Yes;
    };
    FReport = [](QWidget *owner, const QString &text) {
        QMessageBox::information(owner, QStringLiteral("Zelvaro"), text);
    };
    connect(MeasureBtn, &QPushButton::clicked, this, &TSkewDlg::MeasureBtnClick);
}

void TSkewDlg::SetCardCheck(TCardCheckFn check)
{
    FCardCheck = std::move(check);
    MeasureBtn->setVisible(static_cast<bool>(FCardCheck));
}

void TSkewDlg::MeasureBtnClick()
{
    if (!FCardCheck)
        return;
    // The check runs with the compensation now in the field, so its result adds to that value.
    const std::optional<double> typed = ParseDelay(Delay->text(), FLocale);
    const double applied = typed && IsValidSkewUs(*typed) ? *typed : FSkewUs;
    const auto outcome = FCardCheck(this, applied);
    if (!outcome)
        return;
    const double proposed = outcome->CompensatingSkewUs;
    if (!IsValidSkewUs(proposed)) {
        FReport(this, outcome->Report + QStringLiteral("\nThis is beyond any compensation the generator can apply."));
        return;
    }
    const QString question =
        outcome->Report + QStringLiteral("\nUse %1 microseconds, the compensation of what was measured?")
                              .arg(FormatDelay(proposed, FLocale).trimmed());
    if (!FOffer(this, question))
        return;
    // Into the field, as if typed: OK keeps it, Cancel leaves the skew as it was.
    ShowDelay(proposed);
    OkBtn->setFocus();
}

std::optional<double> TSkewDlg::Execute(double skewUs)
{
    SetSkewUs(skewUs);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return FSkewUs;
}

void TSkewDlg::FormShow()
{
    ShowDelay(FSkewUs);
    Delay->setFocus();
}

void TSkewDlg::ShowDelay(double microseconds)
{
    Delay->setText(FormatDelay(microseconds, FLocale));
    // The exact value stays in the field even when the slider cannot show it; a value outside the
    // slider's range leaves the slider where it was.
    const double tenths = std::trunc(microseconds * kSliderTenthsPerUs);
    if (tenths >= kSliderMin && tenths <= kSliderMax) {
        FShowingValue = true;
        DelaySlider->SetPosition(static_cast<int>(tenths));
    }
    // Cleared here too, so that the user's first slider move is never swallowed.
    FShowingValue = false;
}

void TSkewDlg::DelaySliderChange()
{
    if (FShowingValue) {
        FShowingValue = false;
        return;
    }
    Delay->setText(FormatDelay(DelaySlider->Position() / static_cast<double>(kSliderTenthsPerUs), FLocale));
}

void TSkewDlg::OkBtnClick()
{
    if (Delay->text().isEmpty())
        Delay->setText(QString::fromLatin1(kEmptyDelay));
    QString normalized;
    const std::optional<double> value = ParseDelay(Delay->text(), FLocale, &normalized);
    Delay->setText(normalized);
    if (!value || !IsValidSkewUs(*value)) {
        const QString limit = StrictNumberLocale(FLocale).toString(record_limits::kSkewLimitUs, 'f', 1);
        const QString message =
            value ? QStringLiteral("The delay must lie between -%1 and %1 microseconds").arg(limit) : kNotANumberText;
        if (FInputError)
            FInputError(this, message, kInputErrorCaption);
        Delay->setFocus();
        return;
    }
    FSkewUs = *value;
    accept();
}

// Typing moves the slider along (held at its end beyond its range, the field keeping the exact
// value); Up/Down and the wheel step the value on the field and on the slider.
void TSkewDlg::SetUpDelayEntry()
{
    auto *entry = new TNumberField(Delay, TEntryKind::Skew);
    connect(entry, &TNumberField::Stepped, this, &TSkewDlg::StepDelay);
    connect(Delay, &QLineEdit::textEdited, this, &TSkewDlg::SliderFollowsText);
    DelaySlider->setFocusPolicy(Qt::StrongFocus);
    DelaySlider->installEventFilter(this);
}

void TSkewDlg::SliderFollowsText()
{
    const std::optional<double> typed = ParseDelay(Delay->text(), FLocale);
    if (!typed)
        return;
    const double tenths = std::clamp(std::trunc(*typed * kSliderTenthsPerUs), double{kSliderMin}, double{kSliderMax});
    FShowingValue = true;
    DelaySlider->SetPosition(static_cast<int>(tenths));
    FShowingValue = false;
}

void TSkewDlg::StepDelay(double delta)
{
    const double current = ParseDelay(Delay->text(), FLocale).value_or(FSkewUs);
    const double stepped = std::round((current + delta) * 100.0) / 100.0;
    Delay->setText(FormatDelay(stepped, FLocale));
    SliderFollowsText();
}

bool TSkewDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == DelaySlider && (event->type() == QEvent::KeyPress || event->type() == QEvent::Wheel)) {
        int direction = 0;
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            direction = key == Qt::Key_Up || key == Qt::Key_Right ? 1 : key == Qt::Key_Down || key == Qt::Key_Left ? -1 : 0;
        } else {
            const int notch = static_cast<QWheelEvent *>(event)->angleDelta().y();
            direction = notch > 0 ? 1 : notch < 0 ? -1 : 0;
        }
        if (direction != 0) {
            const int step = SliderStep(static_cast<QInputEvent *>(event)->modifiers());
            DelaySlider->SetPosition(std::clamp(DelaySlider->Position() + direction * step, kSliderMin, kSliderMax));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TSkewDlg::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

}  // namespace zelvaro
