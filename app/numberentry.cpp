// Typed numbers of the instrument's fields: both decimal separators, rounding, keys, and steps.
#include "numberentry.h"

#include "panelmath.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace zelvaro {

bool IsDecimalSeparator(QChar c)
{
    return c == u'.' || c == u',';
}

std::optional<double> ParseEntryNumber(const QString &text, bool allowMinus)
{
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    const bool negative = allowMinus && i < trimmed.size() && trimmed[i] == u'-';
    if (negative)
        ++i;
    double whole = 0.0;
    double fraction = 0.0;
    double scale = 1.0;
    int digits = 0;
    bool afterSeparator = false;
    for (; i < trimmed.size(); ++i) {
        const QChar c = trimmed[i];
        if (IsDecimalSeparator(c)) {
            if (afterSeparator)
                return std::nullopt;
            afterSeparator = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            return std::nullopt;
        ++digits;
        const int digit = c.unicode() - u'0';
        if (afterSeparator) {
            scale /= 10.0;
            fraction += digit * scale;
        } else {
            whole = whole * 10.0 + digit;
        }
    }
    const double value = whole + fraction;
    if (digits == 0 || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

int RoundToWholeHz(double hz)
{
    const double rounded = std::round(hz);
    if (!(rounded > static_cast<double>(INT_MIN)))
        return INT_MIN;
    if (rounded >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(rounded);
}

double RoundToTenthDb(double db)
{
    return std::round(db * 10.0) / 10.0;
}

bool IsEntryCharacter(QChar c, TEntryKind kind)
{
    if (c >= u'0' && c <= u'9')
        return true;
    if (IsDecimalSeparator(c))
        return true;
    return c == u'-' && kind == TEntryKind::Skew;
}

double EntryStep(TEntryKind kind, Qt::KeyboardModifiers modifiers)
{
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (kind) {
    case TEntryKind::Frequency:
        return ctrl ? 100.0 : shift ? 10.0 : 1.0;
    case TEntryKind::Level:
        return ctrl || shift ? 1.0 : 0.1;
    case TEntryKind::Calibration:
    case TEntryKind::Skew:
        return ctrl ? 10.0 : shift ? 1.0 : 0.1;
    }
    return 1.0;
}

int SliderStep(Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::ControlModifier)
        return 100;
    return (modifiers & Qt::ShiftModifier) ? 10 : 1;
}

int SteppedLevelPos(int position, double stepDb, int levelMin, int levelMax)
{
    const double db = RoundToTenthDb(LevelPosToDb(position, levelMax) + stepDb);
    int stepped = DbToLevelPos(db, levelMax);
    if (stepped == position && stepDb != 0.0)
        stepped += stepDb > 0.0 ? 1 : -1;
    return std::clamp(stepped, levelMin, levelMax);
}

}  // namespace zelvaro
