// Frame, colours, memo, labels and key filter shared by the calibration and skew dialogs.
#include "dialogparts.h"

#include "beveltext.h"

#include <QDialog>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>

namespace zelvaro {

namespace {

constexpr int kLabelPixels = 13;

void SetColour(QWidget *widget, QPalette::ColorRole role, TColor colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, toQColor(colour));
    widget->setPalette(palette);
}

}  // namespace

QFont DialogFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void SetUpDialogFrame(QDialog *dialog, const QString &caption, int clientWidth, int clientHeight)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog->setWindowTitle(caption);
    dialog->setFixedSize(clientWidth, clientHeight);
    dialog->setAutoFillBackground(true);
    SetColour(dialog, QPalette::Window, kDialogColour);
}

QTextEdit *MakeMemo(QWidget *parent, const QStringList &lines, const QRect &geometry)
{
    auto *memo = new QTextEdit(parent);
    memo->setObjectName(QStringLiteral("Memo1"));
    memo->setGeometry(geometry);
    memo->setReadOnly(true);
    memo->setTextInteractionFlags(Qt::NoTextInteraction);
    memo->setFocusPolicy(Qt::NoFocus);  // clicking it leaves the focus where it was
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setFont(DialogFont(11));
    SetColour(memo, QPalette::Base, kMemoColour);
    memo->setPlainText(lines.join(u'\n'));
    QTextCursor cursor(memo->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.mergeBlockFormat(centred);
    return memo;
}

TBevelText *MakeDialogLabel(QWidget *parent, const QString &caption, int left, int top)
{
    auto *label = new TBevelText(parent);
    label->setFont(DialogFont(kLabelPixels));
    label->SetTransparent(true);
    label->SetFontColor(kDialogLabelColour);
    label->SetShadowColor(clBlack);
    label->SetDeep(1);
    label->SetBorder(boNone);
    label->SetBlink(blNone);
    label->SetCaption(caption);
    label->move(left, top);
    return label;
}

TCharFilter::TCharFilter(QString allowed, QObject *parent) : QValidator(parent), FAllowed(std::move(allowed)) {}

// Leading spaces pass: the fields show their values padded with them, and a shown text the
// filter refused would make the edit stop filtering altogether.
QValidator::State TCharFilter::validate(QString &input, int &) const
{
    qsizetype i = 0;
    while (i < input.size() && input.at(i) == u' ')
        ++i;
    for (; i < input.size(); ++i)
        if (!FAllowed.contains(input.at(i)))
            return Invalid;
    return Acceptable;
}

QString PanelStyleSheet()
{
    return QStringLiteral(
        "QMenu { background: #446f9d; color: #ffffff; border: 1px solid #1d3550; padding: 2px; }"
        "QMenu::item { padding: 3px 24px 3px 20px; }"
        "QMenu::item:selected { background: #d5c9c0; color: #10243a; }"
        "QMenu::item:disabled { color: #9eb0c4; }"
        "QMenu::separator { height: 1px; background: #2a4a6a; margin: 3px 6px; }"
        "QDialog, QMessageBox { background: #355771; }"
        "QMessageBox QLabel, QDialog > QLabel { color: #e8dfd8; }"
        "QDialog QPushButton { background: #446f9d; color: #ffffff; border: 1px solid #1d3550;"
        " border-radius: 3px; padding: 3px 10px; min-width: 50px; }"
        "QDialog QPushButton:focus { border: 1px solid #ffffff; }"
        "QDialog QPushButton:pressed { background: #355771; }"
        "QDialog QLineEdit, QDialog QListWidget { background: #d8dfe8; color: #000000;"
        " border: 1px solid #1d3550; selection-background-color: #446f9d; }");
}

QLocale StrictNumberLocale(const QLocale &locale)
{
    QLocale strict = locale;
    strict.setNumberOptions(QLocale::RejectGroupSeparator | QLocale::OmitGroupSeparator);
    return strict;
}

}  // namespace zelvaro
