// Pieces the calibration and skew dialogs share: their frame, colours, memo, labels and key filter.
#pragma once

#include "colorref.h"

#include <QFont>
#include <QString>
#include <QStringList>
#include <QValidator>

class QDialog;
class QLineEdit;
class QTextEdit;
class TBevelText;

namespace zelvaro {

// 0x00BBGGRR, as the controls take them.
inline constexpr TColor kDialogColour = 0x715735;       // RGB 53, 87, 113
inline constexpr TColor kMemoColour = 0xDDDDDD;         // RGB 221, 221, 221: behind the explanation
inline constexpr TColor kDialogLabelColour = 0xE8DFD8;  // RGB 216, 223, 232: captions of the fields
inline constexpr TColor kNumberFieldColour = 0xDED6CE;  // RGB 206, 214, 222: the calibration fields

// The dialogs' "MS Sans Serif" at a pixel height, with metric-compatible stand-ins on Linux.
QFont DialogFont(int pixelSize, bool bold = false);

// A fixed-size dialog with a caption but no caption buttons, filled with kDialogColour.
void SetUpDialogFrame(QDialog *dialog, const QString &caption, int clientWidth, int clientHeight);

// A read-only, centred explanation that takes no keys and never holds the focus.
QTextEdit *MakeMemo(QWidget *parent, const QStringList &lines, const QRect &geometry);

// A field caption: shadowed text, no frame, no blinking.
TBevelText *MakeDialogLabel(QWidget *parent, const QString &caption, int left, int top);

// Lets through only texts made of the given characters after any leading spaces (typing, pasting
// and dropping alike).
class TCharFilter : public QValidator {
public:
    TCharFilter(QString allowed, QObject *parent);
    State validate(QString &input, int &pos) const override;

private:
    QString FAllowed;
};

// The program's own look for its menu, dialogs and message boxes: the panel's blues and light
// captions instead of the desktop's grey. Set once on the application; the main window's controls
// keep their own styles.
QString PanelStyleSheet();

// The locale for reading typed numbers: its decimal separator only, no thousands separators.
QLocale StrictNumberLocale(const QLocale &locale);

}  // namespace zelvaro
