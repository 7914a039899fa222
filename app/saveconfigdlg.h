// TSaveConfigDlg: "Save Settings to..." with the names already stored, an inline hint, and a
// question before a stored configuration is replaced.
#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zelvaro {

class TSaveConfigDlg : public QDialog {
    Q_OBJECT

public:
    // ask: a yes/no question, true for yes (the host's Ask).
    TSaveConfigDlg(const QStringList &existingNames, std::function<bool(const QString &)> ask,
                   QWidget *parent = nullptr);

    // Shows the dialog modally; gives the name to save under, or nothing when cancelled.
    std::optional<QString> Execute();

    // OK: an empty or unusable name shows the hint and keeps the dialog open; a stored name is
    // replaced only after the user agreed.
    void OkBtnClick();
    QString ChosenName() const;

    QLabel *Prompt;
    QListWidget *Names;
    QLineEdit *Name;
    QLabel *Hint;
    QPushButton *OkBtn;
    QPushButton *CancelBtn;

private:
    void ShowHint(const QString &text);

    QStringList FExisting;
    std::function<bool(const QString &)> FAsk;
};

}  // namespace zelvaro
