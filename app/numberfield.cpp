// TNumberField: refused keys flash, Escape restores, Up/Down and the wheel step the value.
#include "numberfield.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWheelEvent>

namespace zelvaro {

namespace {

constexpr char kFlashProperty[] = "refusedKeyFlash";
constexpr char kSheetBeforeFlash[] = "sheetBeforeFlash";
constexpr int kFlashMs = 180;
const QString kFlashSheet = QStringLiteral(" QLineEdit { background: #e8705a; }");

}  // namespace

TNumberField::TNumberField(QLineEdit *edit, TEntryKind kind) : QObject(edit), FEdit(edit), FKind(kind)
{
    FCleanText = edit->text();
    // setText clears isModified before textChanged arrives; a user's edit leaves it set.
    connect(edit, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!FEdit->isModified())
            FCleanText = text;
    });
    edit->installEventFilter(this);
}

void TNumberField::Flash(QLineEdit *edit)
{
    if (IsFlashing(edit))
        return;
    edit->setProperty(kSheetBeforeFlash, edit->styleSheet());
    edit->setProperty(kFlashProperty, true);
    edit->setStyleSheet(edit->styleSheet() + kFlashSheet);
    QTimer::singleShot(kFlashMs, edit, [field = QPointer<QLineEdit>(edit)] {
        if (!field)
            return;
        field->setStyleSheet(field->property(kSheetBeforeFlash).toString());
        field->setProperty(kFlashProperty, false);
    });
}

bool TNumberField::IsFlashing(const QLineEdit *edit)
{
    return edit->property(kFlashProperty).toBool();
}

// A number has one decimal separator; typing over a selected one is allowed.
bool TNumberField::HoldsSeparatorBesidesSelection() const
{
    QString kept = FEdit->text();
    if (FEdit->hasSelectedText())
        kept.remove(FEdit->selectionStart(), FEdit->selectedText().size());
    return kept.contains(u'.') || kept.contains(u',');
}

bool TNumberField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != FEdit)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        const int notch = wheel->angleDelta().y();
        if (notch != 0 && FEdit->isEnabled())
            emit Stepped((notch > 0 ? 1.0 : -1.0) * EntryStep(FKind, wheel->modifiers()));
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        emit Stepped((key->key() == Qt::Key_Up ? 1.0 : -1.0) * EntryStep(FKind, key->modifiers()));
        return true;
    case Qt::Key_Escape:
        if (!FEdit->isModified())
            return false;
        FEdit->setText(FCleanText);
        return true;
    default:
        break;
    }
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;  // shortcuts (copy, paste, undo) pass; the field's validator guards its text
    const QString text = key->text();
    if (text.size() != 1 || !text[0].isPrint())
        return false;  // editing and navigation keys
    if (IsEntryCharacter(text[0], FKind) && !(IsDecimalSeparator(text[0]) && HoldsSeparatorBesidesSelection()))
        return false;
    Flash(FEdit);
    return true;
}

}  // namespace zelvaro
