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

    explicit TSkewDlg(QWidget *parent = nullptr, const QLocale &locale = QLocale::system());

    // OpSkewClick: shows the dialog modally for the given SkewUs. Gives the accepted value, or nothing
    // when the user cancelled.
    std::optional<double> Execute(double skewUs);

    void SetSkewUs(double skewUs) { FSkewUs = skewUs; }
    double SkewUs() const { return FSkewUs; }
    QChar DecimalSeparator() const { return FDecimalSeparator; }
    void SetInputErrorHandler(TInputErrorFn handler) { FInputError = std::move(handler); }

    void FormShow();
    void OkBtnClick();
    void DelaySliderChange();

    static constexpr int kSliderTenthsPerUs = 10;  // slider positions are tenths of a microsecond

    QTextEdit *Memo1;
    TNakedSlider *DelaySlider;
    TBevelText *LLeft;
    TBevelText *LRight;
    QLineEdit *Delay;
    TBevelText *LDelay;
    QPushButton *OkBtn;
    QPushButton *CancelBtn;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetUpDelayEntry();
    void SliderFollowsText();
    void StepDelay(double delta);

    QLocale FLocale;
    QChar FDecimalSeparator;
    bool FShowingValue = false;  // stops DelaySliderChange from rewriting the text during FormShow
    double FSkewUs = 0.0;
    TInputErrorFn FInputError;
};

}  // namespace zelvaro
