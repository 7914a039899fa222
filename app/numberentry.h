// Typed numbers of the instrument's fields: both decimal separators, rounding, keys, and steps.
#pragma once

#include <QChar>
#include <QString>
#include <Qt>

#include <optional>

namespace zelvaro {

// What a field holds decides the characters it takes and the size of one step.
enum class TEntryKind {
    Frequency,    // a tone frequency, whole Hz
    Level,        // a tone level, dB below full scale, typed without its sign
    Calibration,  // a calibration frequency, Hz with decimals
    Skew,         // a signed delay in microseconds
};

// A typed number: digits with at most one decimal separator, "." or "," whatever the locale uses,
// and a leading minus where allowMinus. Surrounding spaces are ignored; digits are never joined
// across a separator. Nothing for an empty or malformed text, or one beyond the range of a double.
std::optional<double> ParseEntryNumber(const QString &text, bool allowMinus);

// A frequency rounded to whole hertz, halves away from zero ("700.5" is 701 Hz); saturates at the
// int range.
int RoundToWholeHz(double hz);

// A level rounded to a tenth of a dB, halves away from zero.
double RoundToTenthDb(double db);

// "." or ",": either is read as the decimal separator.
bool IsDecimalSeparator(QChar c);

// Whether a typed character can belong to a number of this kind. Only the characters of a number:
// the field refuses the rest visibly.
bool IsEntryCharacter(QChar c, TEntryKind kind);

// The change that one Up/Down key or wheel notch makes, upwards: 1 Hz (10 with Shift, 100 with
// Ctrl) for a frequency, 0.1 dB (1 dB with Shift or Ctrl) for a level.
double EntryStep(TEntryKind kind, Qt::KeyboardModifiers modifiers);

// Slider positions for one step of `steps` positions of a linear slider (1, Shift 10, Ctrl 100).
int SliderStep(Qt::KeyboardModifiers modifiers);

// The level slider position one step of stepDb away from `position`, on the tenth-dB grid. A step
// always moves the slider by at least one position, even where positions lie further apart than
// the step (at the bottom of the range), and never past levelMin..levelMax.
int SteppedLevelPos(int position, double stepDb, int levelMin, int levelMax);

}  // namespace zelvaro
