// TPanelSwitches as one text value: flag names with 0 or 1, and the I/Q mode's saved tone 2.
#include "panelswitches.h"

#include "panelmath.h"

#include <QStringList>

namespace zelvaro {

namespace {

struct TFlagField {
    const char *Name;
    bool TPanelSwitches::*Member;
};

constexpr TFlagField kFlags[] = {
    {"GenLeftOn", &TPanelSwitches::GenLeftOn},   {"GenRightOn", &TPanelSwitches::GenRightOn},
    {"SALeftOn", &TPanelSwitches::SALeftOn},     {"SARightOn", &TPanelSwitches::SARightOn},
    {"FreqLocked", &TPanelSwitches::FreqLocked}, {"LevLocked", &TPanelSwitches::LevLocked},
    {"IQMode", &TPanelSwitches::IQMode},
};

struct TNumberField {
    const char *Name;
    int TPanelSwitches::*Member;
    int Min;
    int Max;
};

constexpr TNumberField kNumbers[] = {
    {"IQSavedRFreqHz", &TPanelSwitches::IQSavedRFreqHz, kToneFreqMin, kToneFreqMax},
    {"IQSavedRLevelPos", &TPanelSwitches::IQSavedRLevelPos, kLevelPosMin, kLevelPosMax},
};

}  // namespace

QString EncodePanelSwitches(const TPanelSwitches &switches)
{
    QStringList parts;
    for (const TFlagField &flag : kFlags)
        parts << QStringLiteral("%1=%2").arg(QLatin1String(flag.Name)).arg(switches.*flag.Member ? 1 : 0);
    for (const TNumberField &number : kNumbers)
        parts << QStringLiteral("%1=%2").arg(QLatin1String(number.Name)).arg(switches.*number.Member);
    return parts.join(u';');
}

std::optional<TPanelSwitches> DecodePanelSwitches(const QString &text)
{
    TPanelSwitches switches;
    int flagsSeen = 0;  // every flag must be there; a key of a later version is skipped
    for (const QString &part : text.split(u';')) {
        const qsizetype equals = part.indexOf(u'=');
        if (equals <= 0)
            return std::nullopt;
        const QString name = part.left(equals);
        const QString value = part.mid(equals + 1);
        for (const TFlagField &flag : kFlags) {
            if (name != QLatin1String(flag.Name))
                continue;
            if (value != u"0" && value != u"1")
                return std::nullopt;
            switches.*flag.Member = value == u"1";
            ++flagsSeen;
        }
        for (const TNumberField &number : kNumbers) {
            if (name != QLatin1String(number.Name))
                continue;
            bool ok = false;
            const int parsed = value.toInt(&ok);
            if (!ok || (parsed != -1 && (parsed < number.Min || parsed > number.Max)))
                return std::nullopt;
            switches.*number.Member = parsed;
        }
    }
    if (flagsSeen != static_cast<int>(std::size(kFlags)))
        return std::nullopt;
    return switches;
}

}  // namespace zelvaro
