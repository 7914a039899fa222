// Text of the IMD readout strip.
#include "imdreadout.h"

#include "imdtracker.h"

#include <cmath>

namespace zelvaro {

namespace {

constexpr double kLevelStep = 0.1;  // dB
constexpr double kFreqStep = 0.1;   // Hz
constexpr double kFloorStep = 1.0;  // dB: a floor is an estimate, whole dB say all it knows

QString WithMinus(QString text)
{
    if (text.startsWith(QLatin1Char('-')))
        text.replace(0, 1, QChar(0x2212));
    return text;
}

const TProductReading *Product(const TImdResult &result, int order, bool upper)
{
    for (const TProductReading &p : result.Products)
        if (p.Order == order && p.Upper == upper)
            return &p;
    return nullptr;
}

}  // namespace

QString ReferenceName(TImdReference reference, const TImdResult &result)
{
    switch (reference) {
    case TImdReference::DbPep: return QStringLiteral("dB PEP");
    case TImdReference::IecD3: return QStringLiteral("IEC d3");
    case TImdReference::Dbc: break;
    }
    return QStringLiteral("dBc re tone %1").arg(result.ReferenceTone + 1);
}

QString TImdReadout::Steady(const QString &key, double value, double resolution, int decimals)
{
    const auto found = FShown.find(key);
    const std::optional<double> shown = found == FShown.end() ? std::nullopt : std::optional<double>(found->second);
    const double held = SteadyReading(shown, value, resolution);
    FShown[key] = held;
    return WithMinus(QString::number(held, 'f', decimals));
}

QString TImdReadout::ProductCell(const TImdResult &result, int order, bool upper, TImdReference reference)
{
    const TProductReading *p = Product(result, order, upper);
    const QString key = QString::number(order) + QChar(upper ? u'U' : u'L');
    if (!p) {
        FShown.erase(key);
        return QStringLiteral("  \u2014  ");  // outside the band
    }
    // IEC d3 has no single-product form: the products themselves are shown in dBc.
    const double level = reference == TImdReference::DbPep ? p->Dbpep : p->Dbc;
    if (p->BelowFloor) {
        FShown.erase(key);
        return QStringLiteral("< ") + Steady(key + QStringLiteral("floor"), level, kFloorStep, 0);
    }
    return Steady(key, level, kLevelStep, 1);
}

QStringList TImdReadout::Lines(const TImdResult &result, TImdReference reference)
{
    if (!result.Measured()) {
        Reset();
        if (result.Status == TImdStatus::NoTone || result.Status == TImdStatus::OneTone)
            return {QStringLiteral("IMD: fewer than two tones stand clear of the floor")};
        return {QStringLiteral("IMD: ") + QString::fromStdString(result.Message)};
    }
    QStringList tones;
    for (int i = 0; i < 2; ++i) {
        const TToneReading &tone = result.Tones[static_cast<size_t>(i)];
        tones << QStringLiteral("T%1 %2 Hz %3 dBFS")
                     .arg(i + 1)
                     .arg(Steady(QStringLiteral("T%1Hz").arg(i), tone.Hz, kFreqStep, 1), 7)
                     .arg(Steady(QStringLiteral("T%1Db").arg(i), tone.Dbfs, kLevelStep, 1), 6);
    }
    const QString first = tones.join(QStringLiteral("   ")) + QStringLiteral("   floor ") +
                          Steady(QStringLiteral("floor"), result.FloorDbfs, kFloorStep, 0) + QStringLiteral(" dBFS");

    const auto pair = [&](int order) {
        return QStringLiteral("IMD%1 L %2  U %3")
            .arg(order)
            .arg(ProductCell(result, order, false, reference), 6)
            .arg(ProductCell(result, order, true, reference), 6);
    };
    QString second;
    if (reference == TImdReference::IecD3) {
        const QString d3 = result.D3Db
                               ? Steady(QStringLiteral("d3"), *result.D3Db, kLevelStep, 1) + QStringLiteral(" dB (") +
                                     QString::number(100.0 * std::pow(10.0, *result.D3Db / 20.0), 'g', 2) +
                                     QStringLiteral(" %)")
                               : QStringLiteral("\u2014");
        second = QStringLiteral("IEC d3 %1   %2 %3").arg(d3, pair(5), ReferenceName(TImdReference::Dbc, result));
    } else {
        second = QStringLiteral("%1   %2   %3").arg(pair(3), pair(5), ReferenceName(reference, result));
    }
    return {first, second};
}

}  // namespace zelvaro
