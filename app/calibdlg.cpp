// The calibration dialog: shows and reads the measured/displayed pair that corrects the sample rate.
#include "calibdlg.h"

#include "beveltext.h"
#include "configrecord.h"
#include "dialogparts.h"
#include "numberentry.h"
#include "numberfield.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace zelvaro {

namespace {

constexpr int kClientWidth = 346;
constexpr int kClientHeight = 233;
constexpr char kEmptyFieldValue[] = "1000";
constexpr char kNumberKeys[] = "0123456789,.";
constexpr int kFieldPixels = 13;

const QStringList kMemoLines = {
    QStringLiteral("This panel allows to exactly calibrate the frequency scale "),
    QStringLiteral("of Zelvaro.  For this, you need to perform the following task :"),
    QString(),
    QStringLiteral("Measure with the greatest accuracy you can achieve"),
    QStringLiteral("an audio tone, input its value in the field below, together"),
    QStringLiteral("with the value that Zelvaro will display when fed with that "),
    QStringLiteral("signal.   Use the 0.17 kHz Horizontal Span setting."),
};

// Either decimal separator is read as one, whatever the locale uses.
std::optional<float> ReadField(const QString &text)
{
    const QString effective = text.isEmpty() ? QString::fromLatin1(kEmptyFieldValue) : text;
    const std::optional<double> value = ParseEntryNumber(effective, false);
    if (!value || !std::isfinite(static_cast<float>(*value)))
        return std::nullopt;
    return static_cast<float>(*value);
}

QLineEdit *MakeNumberField(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *field = new QLineEdit(QString::fromLatin1(kEmptyFieldValue), parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(geometry);
    field->setFont(DialogFont(kFieldPixels));
    field->setValidator(new TCharFilter(QString::fromLatin1(kNumberKeys), field));
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, toQColor(kNumberFieldColour));
    field->setPalette(palette);
    return field;
}

}  // namespace

std::optional<TCalibration> ParseCalibration(const QString &measuredText, const QString &displayedText,
                                             const QLocale &)
{
    const std::optional<float> measured = ReadField(measuredText);
    const std::optional<float> displayed = ReadField(displayedText);
    if (!measured || !displayed || !IsValidCalibration(*measured, *displayed))
        return std::nullopt;
    return TCalibration{*measured, *displayed};
}

QString FormatCalibrationValue(float hz, const QLocale &locale)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, hz, std::chars_format::fixed);
    if (error != std::errc())
        return QString();
    QString text = QString::fromLatin1(buffer, end - buffer);
    text.replace(u'.', locale.decimalPoint());
    return text;
}

TCalibDlg::TCalibDlg(QWidget *parent, const QLocale &locale) : QDialog(parent), FLocale(locale)
{
    setObjectName(QStringLiteral("CalibDlg"));
    SetUpDialogFrame(this, QStringLiteral("Zelvaro Frequency Scale Calibration"),
                     kClientWidth, kClientHeight);

    // The bevel shows only its bottom line, under the fields.
    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(9, 10 + 189 - 2, 333, 2);

    Memo1 = MakeMemo(this, kMemoLines, QRect(18, 20, 309, 117));
    LFReal = MakeDialogLabel(this, QStringLiteral("Measured frequency"), 78, 146);
    FReal = MakeNumberField(this, "FReal", QRect(208, 144, 60, 21));
    LFDisp = MakeDialogLabel(this, QStringLiteral("Displayed frequency"), 78, 170);
    FDisplayed = MakeNumberField(this, "FDisplayed", QRect(208, 168, 60, 21));

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(46, 204, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setGeometry(226, 204, 75, 25);
    setTabOrder(FReal, FDisplayed);
    setTabOrder(FDisplayed, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    // Over the memo's empty last line, so the dialog keeps its size.
    RangeHint = new QLabel(this);
    RangeHint->setObjectName(QStringLiteral("RangeHint"));
    RangeHint->setGeometry(19, 118, 307, 16);
    RangeHint->setAlignment(Qt::AlignCenter);
    RangeHint->setFont(DialogFont(11, true));
    RangeHint->setStyleSheet(QStringLiteral("color: #a00000; background: transparent;"));
    RangeHint->setText(QStringLiteral("Accepted: both above 0, measured/displayed %1 to %2.")
                           .arg(FLocale.toString(record_limits::kCalFactorMin), FLocale.toString(record_limits::kCalFactorMax)));
    RangeHint->hide();

    for (QLineEdit *field : {FReal, FDisplayed}) {
        auto *entry = new TNumberField(field, TEntryKind::Calibration);
        connect(entry, &TNumberField::Stepped, this, [this, field](double delta) { StepField(field, delta); });
    }

    connect(OKBtn, &QPushButton::clicked, this, &TCalibDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<TCalibration> TCalibDlg::Execute(const TCalibration &current)
{
    SetCalibration(current);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return FCalibration;
}

void TCalibDlg::FormShow()
{
    FReal->setText(FormatCalibrationValue(FCalibration.CalMeasured, FLocale));
    FDisplayed->setText(FormatCalibrationValue(FCalibration.CalDisplayed, FLocale));
    RangeHint->hide();
    FReal->setFocus();
}

void TCalibDlg::OKBtnClick()
{
    if (FReal->text().isEmpty())
        FReal->setText(QString::fromLatin1(kEmptyFieldValue));
    if (FDisplayed->text().isEmpty())
        FDisplayed->setText(QString::fromLatin1(kEmptyFieldValue));
    const std::optional<TCalibration> parsed = ParseCalibration(FReal->text(), FDisplayed->text(), FLocale);
    if (!parsed) {
        RangeHint->show();  // the dialog stays open and nothing changes
        return;
    }
    FCalibration = *parsed;
    accept();
}

// Up/Down and the wheel move a field's value by a step, never below 0; a field that is no number
// yet stays as it is.
void TCalibDlg::StepField(QLineEdit *field, double delta)
{
    const std::optional<float> value = ReadField(field->text());
    if (!value)
        return;
    const double stepped = std::max(0.0, std::round((*value + delta) * 10.0) / 10.0);
    field->setText(FormatCalibrationValue(static_cast<float>(stepped), FLocale));
}

void TCalibDlg::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

}  // namespace zelvaro
