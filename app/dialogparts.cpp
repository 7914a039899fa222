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

QLocale StrictNumberLocale(const QLocale &locale)
{
    QLocale strict = locale;
    strict.setNumberOptions(QLocale::RejectGroupSeparator | QLocale::OmitGroupSeparator);
    return strict;
}

}  // namespace zelvaro
