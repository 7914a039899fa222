// TSkewDlg: the channel skew dialog, a slider and a field for the right channel's delay in microseconds.
#pragma once

#include <QDialog>
#include <QLocale>

#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;
class QTextEdit;
class TBevelText;
class TNakedSlider;

namespace zelvaro {

// "  ##0.0#; -##0.0#": two leading spaces, or a space and a minus sign; one or two decimals.
QString FormatDelay(double microseconds, const QLocale &locale);

// OkBtnClick's reading of the field. The first "." (or, without one, the first ",") is taken as the
// decimal separator; *normalized receives the text with it replaced by the locale's separator.
// Gives nothing for text that is not a finite number; the range is the caller's to check.
std::optional<double> ParseDelay(const QString &text, const QLocale &locale, QString *normalized = nullptr);

class TSkewDlg : public QDialog {
    Q_OBJECT

public:
    // How a refused value is reported: a warning box by default.
    using TInputErrorFn = std::function<void(QWidget *parent, const QString &text, const QString &caption)>;
    // Runs the card check with the generator's skew compensation set to the given value; gives the
    // report to show and the skew that would compensate what it measured, or nothing (the check
    // has told the user why).
    struct TCardCheckOutcome {
        QString Report;
        double CompensatingSkewUs = 0.0;
    };
    using TCardCheckFn = std::function<std::optional<TCardCheckOutcome>(QWidget *parent, double skewUs)>;
    // How the offer to use the measured value is put: a question box by default; true means yes.
    using TOfferFn = std::function<bool(QWidget *parent, const QString &text)>;
    // How a result without an offer is shown: an information box by default.
    using TReportFn = std::function<void(QWidget *parent, const QString &text)>;

    explicit TSkewDlg(QWidget *parent = nullptr, const QLocale &locale = QLocale::system());

    // OpSkewClick: shows the dialog modally for the given SkewUs. Gives the accepted value, or nothing
    // when the user cancelled.
    std::optional<double> Execute(double skewUs);

    void SetSkewUs(double skewUs) { FSkewUs = skewUs; }
    double SkewUs() const { return FSkewUs; }
    QChar DecimalSeparator() const { return FDecimalSeparator; }
    void SetInputErrorHandler(TInputErrorFn handler) { FInputError = std::move(handler); }
    // Without a card check the "Measure..." button is hidden.
    void SetCardCheck(TCardCheckFn check);
    void SetOfferHandler(TOfferFn offer) { FOffer = std::move(offer); }
    void SetReportHandler(TReportFn report) { FReport = std::move(report); }

    void FormShow();
    void OkBtnClick();
    void DelaySliderChange();
    void MeasureBtnClick();

    static constexpr int kSliderTenthsPerUs = 10;  // slider positions are tenths of a microsecond

    QTextEdit *Memo1;
    TNakedSlider *DelaySlider;
    TBevelText *LLeft;
    TBevelText *LRight;
    QLineEdit *Delay;
    TBevelText *LDelay;
    QPushButton *OkBtn;
    QPushButton *CancelBtn;
    QPushButton *MeasureBtn;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The field and, within its range, the slider show this value; FSkewUs stays as it is.
    void ShowDelay(double microseconds);
    void SetUpDelayEntry();
    void SliderFollowsText();
    void StepDelay(double delta);

    QLocale FLocale;
    QChar FDecimalSeparator;
    bool FShowingValue = false;  // stops DelaySliderChange from rewriting the text during FormShow
    double FSkewUs = 0.0;
    TInputErrorFn FInputError;
    TCardCheckFn FCardCheck;
    TOfferFn FOffer;
    TReportFn FReport;
};

}  // namespace zelvaro
