// The save dialog of named configurations: existing names to pick from, name checks shown inline.
#include "saveconfigdlg.h"

#include "configstore.h"
#include "dialogparts.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace zelvaro {

namespace {

constexpr int kClientWidth = 300;
constexpr int kClientHeight = 260;

}  // namespace

TSaveConfigDlg::TSaveConfigDlg(const QStringList &existingNames, std::function<bool(const QString &)> ask,
                               QWidget *parent)
    : QDialog(parent), FExisting(existingNames), FAsk(std::move(ask))
{
    setObjectName(QStringLiteral("SaveConfigDlg"));
    SetUpDialogFrame(this, QStringLiteral("Save Settings as..."), kClientWidth, kClientHeight);
    setFont(DialogFont(11));

    Prompt = new QLabel(QStringLiteral("Please enter the name for the settings to be saved"), this);
    Prompt->setGeometry(12, 8, 276, 18);
    Names = new QListWidget(this);
    Names->setObjectName(QStringLiteral("Names"));
    Names->setGeometry(12, 30, 276, 130);
    Names->addItems(existingNames);
    Names->setToolTip(QStringLiteral("The configurations stored so far: click one to replace it"));
    Name = new QLineEdit(this);
    Name->setObjectName(QStringLiteral("Name"));
    Name->setGeometry(12, 168, 276, 22);
    Name->setMaxLength(kMaxConfigNameLength);
    Hint = new QLabel(this);
    Hint->setObjectName(QStringLiteral("Hint"));
    Hint->setGeometry(12, 194, 276, 30);
    Hint->setWordWrap(true);
    Hint->setStyleSheet(QStringLiteral("color: #ffd0a0; font-weight: bold; background: transparent;"));
    Hint->hide();

    OkBtn = new QPushButton(QStringLiteral("OK"), this);
    OkBtn->setGeometry(40, 228, 75, 25);
    OkBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setGeometry(185, 228, 75, 25);
    setTabOrder(Name, OkBtn);
    setTabOrder(OkBtn, CancelBtn);
    setTabOrder(CancelBtn, Names);

    connect(Names, &QListWidget::currentTextChanged, Name, &QLineEdit::setText);
    connect(Name, &QLineEdit::textEdited, Hint, &QWidget::hide);
    connect(OkBtn, &QPushButton::clicked, this, &TSaveConfigDlg::OkBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    Name->setFocus();
}

std::optional<QString> TSaveConfigDlg::Execute()
{
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return ChosenName();
}

QString TSaveConfigDlg::ChosenName() const
{
    return Name->text();
}

void TSaveConfigDlg::ShowHint(const QString &text)
{
    Hint->setText(text);
    Hint->show();
    Name->setFocus();
}

void TSaveConfigDlg::OkBtnClick()
{
    const QString name = ChosenName();
    if (name.isEmpty()) {
        ShowHint(QStringLiteral("Please enter a name."));
        return;
    }
    if (const std::optional<QString> problem = ConfigNameProblem(name)) {
        ShowHint(*problem);
        return;
    }
    if (FExisting.contains(name) &&
        !(FAsk && FAsk(QStringLiteral("A configuration named \"%1\" is stored already.\nReplace it?").arg(name))))
        return;
    accept();
}

}  // namespace zelvaro
