// Text, JSON and CSV renderings of the two-tone measurement and of a level sweep.
#include "measureformat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

#include <cmath>

namespace zelvaro {

namespace {

// JSON and CSV carry hundredths of a dB and of a hertz: finer digits would be noise.
double Rounded(double value)
{
    return std::round(value * 100.0) / 100.0;
}

QString Fixed(double value, int decimals = 2)
{
    return QString::number(value, 'f', decimals);
}

QString SideName(const TProductReading &p)
{
    return p.Upper ? QStringLiteral("upper") : QStringLiteral("lower");
}

QString ReferenceName(const TImdResult &result)
{
    return result.ReferenceTone == 0 ? QStringLiteral("tone 1") : QStringLiteral("tone 2");
}

// A level, or "< level" for a product under the floor.
QString LevelCell(double value, bool belowFloor)
{
    return belowFloor ? QStringLiteral("< ") + Fixed(value, 1) : Fixed(value, 2);
}

QString TextTable(const TImdResult &result, const QString &channel)
{
    QStringList lines;
    lines << QStringLiteral("Two-tone IMD, %1 input, %2 Hz, FFT %3, %4 frame%5 averaged")
                 .arg(channel)
                 .arg(result.SampleRate, 0, 'f', 0)
                 .arg(result.FftSize)
                 .arg(result.Frames)
                 .arg(result.Frames == 1 ? QString() : QStringLiteral("s"));
    for (int i = 0; i < 2; ++i) {
        const TToneReading &tone = result.Tones[static_cast<size_t>(i)];
        lines << QStringLiteral("Tone %1  %2 Hz  %3 dBFS%4")
                     .arg(i + 1)
                     .arg(Fixed(tone.Hz), 10)
                     .arg(Fixed(tone.Dbfs), 8)
                     .arg(result.ReferenceTone == i ? QStringLiteral("  (reference)") : QString());
    }
    lines << QStringLiteral("Floor  %1 dBFS").arg(Fixed(result.FloorDbfs, 1), 22);
    lines << QString();
    lines << QStringLiteral("Levels in dBFS, dBc re %1, dB re PEP").arg(ReferenceName(result));
    lines << QStringLiteral("%1%2%3%4%5")
                 .arg(QStringLiteral("Product"), -12)
                 .arg(QStringLiteral("Hz"), 10)
                 .arg(QStringLiteral("dBFS"), 10)
                 .arg(QStringLiteral("dBc"), 10)
                 .arg(QStringLiteral("dB PEP"), 10);
    for (const TProductReading &p : result.Products)
        lines << QStringLiteral("%1%2%3%4%5")
                     .arg(QStringLiteral("IMD%1 %2").arg(p.Order).arg(SideName(p)), -12)
                     .arg(Fixed(p.Hz), 10)
                     .arg(LevelCell(p.Dbfs, p.BelowFloor), 10)
                     .arg(LevelCell(p.Dbc, p.BelowFloor), 10)
                     .arg(LevelCell(p.Dbpep, p.BelowFloor), 10);
    if (result.Products.empty())
        lines << QStringLiteral("(no product falls inside the band)");
    if (result.D3Db)
        lines << QString() << QStringLiteral("IEC d3  %1 dB (%2 %)")
                                  .arg(Fixed(*result.D3Db))
                                  .arg(100.0 * std::pow(10.0, *result.D3Db / 20.0), 0, 'g', 3);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString CsvLines(const TImdResult &result, const QString &prefix)
{
    QString out;
    for (const TProductReading &p : result.Products)
        out += prefix + QStringLiteral("%1,%2,%3,%4,%5,%6,%7\n")
                            .arg(p.Order)
                            .arg(SideName(p))
                            .arg(Fixed(p.Hz))
                            .arg(Fixed(p.Dbfs))
                            .arg(Fixed(p.Dbc))
                            .arg(Fixed(p.Dbpep))
                            .arg(p.BelowFloor ? QStringLiteral("true") : QStringLiteral("false"));
    return out;
}

const QString kCsvHeader = QStringLiteral("order,side,hz,dbfs,dbc,dbpep,below_floor\n");

QByteArray Indented(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QJsonValue InterceptJson(const std::optional<TIntercept> &intercept)
{
    if (!intercept)
        return QJsonValue::Null;
    QJsonArray steps;
    for (double level : intercept->StepsDb)
        steps.append(Rounded(level));
    return QJsonObject{{QStringLiteral("oip3_dbfs"), Rounded(intercept->OutputDbfs)},
                       {QStringLiteral("iip3_db"), Rounded(intercept->InputDb)},
                       {QStringLiteral("steps_db"), steps}};
}

QString InterceptText(const std::optional<TIntercept> &intercept)
{
    if (!intercept)
        return QStringLiteral("No step where IMD3 rises 3 dB per dB of drive: no third-order intercept.\n");
    QStringList levels;
    for (double level : intercept->StepsDb)
        levels << Fixed(level, 1);
    return QStringLiteral("Third-order intercept  %1 dBFS output, %2 dB drive (from the steps at %3 dB)\n")
        .arg(Fixed(intercept->OutputDbfs, 1), Fixed(intercept->InputDb, 1), levels.join(QStringLiteral(", ")));
}

const TProductReading *FindProduct(const TImdResult &result, int order, bool upper)
{
    for (const TProductReading &p : result.Products)
        if (p.Order == order && p.Upper == upper)
            return &p;
    return nullptr;
}

QString SweepCell(const TImdResult &result, int order, bool upper)
{
    const TProductReading *p = FindProduct(result, order, upper);
    return p ? LevelCell(p->Dbc, p->BelowFloor) : QStringLiteral("-");
}

}  // namespace

QJsonObject ImdJson(const TImdResult &result, const QString &channel)
{
    QJsonArray tones;
    for (const TToneReading &tone : result.Tones)
        tones.append(QJsonObject{{QStringLiteral("hz"), Rounded(tone.Hz)}, {QStringLiteral("dbfs"), Rounded(tone.Dbfs)}});
    QJsonArray products;
    for (const TProductReading &p : result.Products)
        products.append(QJsonObject{{QStringLiteral("order"), p.Order},
                                    {QStringLiteral("side"), SideName(p)},
                                    {QStringLiteral("hz"), Rounded(p.Hz)},
                                    {QStringLiteral("dbfs"), Rounded(p.Dbfs)},
                                    {QStringLiteral("dbc"), Rounded(p.Dbc)},
                                    {QStringLiteral("dbpep"), Rounded(p.Dbpep)},
                                    {QStringLiteral("below_floor"), p.BelowFloor}});
    return QJsonObject{{QStringLiteral("channel"), channel},
                       {QStringLiteral("sample_rate"), result.SampleRate},
                       {QStringLiteral("fft_size"), result.FftSize},
                       {QStringLiteral("frames"), result.Frames},
                       {QStringLiteral("tones"), tones},
                       {QStringLiteral("reference"), ReferenceName(result)},
                       {QStringLiteral("floor_dbfs"), Rounded(result.FloorDbfs)},
                       {QStringLiteral("products"), products},
                       {QStringLiteral("d3_db"), result.D3Db ? QJsonValue(Rounded(*result.D3Db)) : QJsonValue::Null}};
}

QByteArray FormatMeasurement(const TImdResult &result, const QString &channel, TMeasureFormat format)
{
    switch (format) {
    case TMeasureFormat::Json:
        return Indented(ImdJson(result, channel));
    case TMeasureFormat::Csv:
        return (kCsvHeader + CsvLines(result, QString())).toUtf8();
    case TMeasureFormat::Text:
        break;
    }
    return TextTable(result, channel).toUtf8();
}

std::vector<TSweepPoint> SweepPoints(const std::vector<TSweepStep> &steps)
{
    std::vector<TSweepPoint> points;
    for (const TSweepStep &step : steps) {
        TSweepPoint point;
        point.LevelDb = step.LevelDb;
        if (step.Result.Measured()) {
            point.ToneDbfs = step.Result.Tones[static_cast<size_t>(step.Result.ReferenceTone)].Dbfs;
            for (const TProductReading &p : step.Result.Products) {
                if (p.Order != 3 || p.BelowFloor)
                    continue;
                if (!point.Imd3Valid || p.Dbc > point.Imd3Dbc)
                    point.Imd3Dbc = p.Dbc;
                point.Imd3Valid = true;
            }
        }
        points.push_back(point);
    }
    return points;
}

QByteArray FormatSweep(const std::vector<TSweepStep> &steps, const QString &channel, TMeasureFormat format)
{
    const auto points = SweepPoints(steps);
    const auto intercept = ThirdOrderIntercept(points);
    if (format == TMeasureFormat::Json) {
        QJsonArray array;
        for (const TSweepStep &step : steps) {
            QJsonObject object;
            if (step.Result.Measured())
                object = ImdJson(step.Result, channel);
            else
                object.insert(QStringLiteral("error"), QString::fromStdString(step.Result.Message));
            object.insert(QStringLiteral("level_db"), Rounded(step.LevelDb));
            array.append(object);
        }
        return Indented(QJsonObject{{QStringLiteral("steps"), array}, {QStringLiteral("intercept"), InterceptJson(intercept)}});
    }
    if (format == TMeasureFormat::Csv) {
        QString out = QStringLiteral("level_db,") + kCsvHeader;
        for (const TSweepStep &step : steps)
            out += CsvLines(step.Result, Fixed(step.LevelDb) + QLatin1Char(','));
        return out.toUtf8();
    }
    QString out = QStringLiteral("Level sweep, %1 input; IMD in dBc re the stronger tone\n").arg(channel);
    out += QStringLiteral("%1%2%3%4%5%6\n")
               .arg(QStringLiteral("Level dB"), -10)
               .arg(QStringLiteral("Tone dBFS"), 11)
               .arg(QStringLiteral("IMD3 low"), 11)
               .arg(QStringLiteral("IMD3 up"), 11)
               .arg(QStringLiteral("IMD5 low"), 11)
               .arg(QStringLiteral("IMD5 up"), 11);
    for (const TSweepStep &step : steps) {
        if (!step.Result.Measured()) {
            out += QStringLiteral("%1  %2\n").arg(Fixed(step.LevelDb, 1), -8).arg(QString::fromStdString(step.Result.Message));
            continue;
        }
        const TImdResult &r = step.Result;
        out += QStringLiteral("%1%2%3%4%5%6\n")
                   .arg(Fixed(step.LevelDb, 1), -10)
                   .arg(Fixed(r.Tones[static_cast<size_t>(r.ReferenceTone)].Dbfs), 11)
                   .arg(SweepCell(r, 3, false), 11)
                   .arg(SweepCell(r, 3, true), 11)
                   .arg(SweepCell(r, 5, false), 11)
                   .arg(SweepCell(r, 5, true), 11);
    }
    return (out + InterceptText(intercept)).toUtf8();
}

}  // namespace zelvaro
