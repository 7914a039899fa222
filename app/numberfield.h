// TNumberField: the keyboard and wheel habits every number field of the instrument shares.
#pragma once

#include "numberentry.h"

#include <QObject>
#include <QString>

class QLineEdit;

namespace zelvaro {

// Attached to a QLineEdit (as its parent and event filter):
//  - a character that cannot belong to the number (a second decimal separator included) is
//    refused visibly: the field flashes;
//  - Escape puts back the text the field showed before the user edited it (an unedited field
//    lets Escape through, so a dialog still closes on it);
//  - Up/Down and the mouse wheel ask the owner, through Stepped, to move the value by one step
//    (EntryStep: the modifiers pick the size).
// Enter, Tab and focus changes stay with the owner, which knows when a value is applied.
class TNumberField : public QObject {
    Q_OBJECT

public:
    TNumberField(QLineEdit *edit, TEntryKind kind);

    TEntryKind Kind() const { return FKind; }
    // The text Escape puts back: the last text the program (not the user) put into the field.
    const QString &CleanText() const { return FCleanText; }

    // The field's short visible refusal.
    static void Flash(QLineEdit *edit);
    static bool IsFlashing(const QLineEdit *edit);

signals:
    // delta: the signed change the user asked for, in the field's unit.
    void Stepped(double delta);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool HoldsSeparatorBesidesSelection() const;

    QLineEdit *FEdit;
    TEntryKind FKind;
    QString FCleanText;
};

}  // namespace zelvaro
