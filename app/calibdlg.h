// TCalibDlg: the frequency-scale calibration dialog (measured versus displayed frequency).
#pragma once

#include <QDialog>
#include <QLocale>

#include <optional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class TBevelText;

namespace zelvaro {

// The calibration pair of the state record, in Hz.
struct TCalibration {
    float CalMeasured = 1000.0f;
    float CalDisplayed = 1000.0f;

    friend bool operator==(const TCalibration &, const TCalibration &) = default;
};

// OKBtnClick's reading of the two fields: an empty field counts as "1000"; both must be numbers, with
// "." or "," as the decimal separator, and form a pair IsValidCalibration accepts.
std::optional<TCalibration> ParseCalibration(const QString &measuredText, const QString &displayedText,
                                             const QLocale &locale);

// FormShow's text for a value: the shortest plain decimal that reads back as the same float.
QString FormatCalibrationValue(float hz, const QLocale &locale);

class TCalibDlg : public QDialog {
    Q_OBJECT

public:
    explicit TCalibDlg(QWidget *parent = nullptr, const QLocale &locale = QLocale::system());

    // OpCalClick, first step: shows the dialog modally for the given pair. Gives the accepted pair,
    // or nothing when the user cancelled. The host then recomputes EffSampleRate and the span.
    std::optional<TCalibration> Execute(const TCalibration &current);

    // The pair the fields start from when the dialog is shown, and after OK the accepted one.
    void SetCalibration(const TCalibration &calibration) { FCalibration = calibration; }
    const TCalibration &Calibration() const { return FCalibration; }

    void FormShow();
    void OKBtnClick();

    QTextEdit *Memo1;
    TBevelText *LFReal;
    QLineEdit *FReal;
    TBevelText *LFDisp;
    QLineEdit *FDisplayed;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;
    QFrame *Bevel1;
    QLabel *RangeHint;  // shown after a pair was refused: says which pairs are accepted

protected:
    void showEvent(QShowEvent *event) override;

private:
    void StepField(QLineEdit *field, double delta);

    QLocale FLocale;
    TCalibration FCalibration;
};

}  // namespace zelvaro
