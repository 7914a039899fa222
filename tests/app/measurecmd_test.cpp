// The measure command's options and its three output formats, without sound devices.
#include "measurecmd.h"
#include "measureformat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace zelvaro;

namespace {

std::optional<TMeasureOptions> Parse(QStringList args, QString *errorOut = nullptr)
{
    args.prepend(QStringLiteral("measure"));
    args.prepend(QStringLiteral("zelvaro"));
    QString error;
    auto options = ParseMeasureOptions(args, error);
    if (errorOut)
        *errorOut = error;
    return options;
}

// Two -7 dBFS tones with IMD3 measured on both sides, IMD5 only above the tones, IMD7 upper under
// the floor.
TImdResult SampleResult()
{
    TImdResult r;
    r.Status = TImdStatus::Measured;
    r.Tones = {TToneReading{700.004, -7.0012}, TToneReading{1900.0, -6.98}};
    r.ReferenceTone = 1;
    r.FloorDbfs = -131.456;
    r.Products = {{3, true, 3100.0, -47.0, -40.02, -46.04, false},
                  {5, true, 4300.0, -77.0, -70.02, -76.04, false},
                  {7, true, 5500.0, -131.456, -124.476, -130.5, true}};
    r.D3Db = std::nullopt;
    r.FftSize = 65536;
    r.SampleRate = 22050.0;
    r.Frames = 1;
    return r;
}

}  // namespace

TEST(MeasureOptions, DefaultsAndValuesAsUsersWriteThem)
{
    const auto defaults = Parse({});
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->FftSize, 65536);
    EXPECT_DOUBLE_EQ(defaults->Seconds, 3.0);
    EXPECT_FALSE(defaults->RightChannel);
    EXPECT_EQ(defaults->Format, TMeasureFormat::Text);
    EXPECT_FALSE(defaults->Tones);

    const auto played = Parse({"--tones", "700,1900", "--level", "-7", "--mix", "--channel", "right",
                               "--format", "csv", "--fft", "8192", "--loopback"});
    ASSERT_TRUE(played);
    ASSERT_TRUE(played->Tones);
    EXPECT_EQ(played->Tones->Hz1, 700);
    EXPECT_EQ(played->Tones->Hz2, 1900);
    EXPECT_DOUBLE_EQ(played->Tones->LevelDb1, -7.0);  // a negative value after its option
    EXPECT_TRUE(played->Tones->Mix);
    EXPECT_TRUE(played->RightChannel);
    EXPECT_EQ(played->Format, TMeasureFormat::Csv);
    EXPECT_EQ(played->FftSize, 8192);
    EXPECT_EQ(played->Backend, TAudioBackend::Loopback);
    ASSERT_TRUE(Parse({"--tones", "700,1900", "--level=-6.5"}));
}

TEST(MeasureOptions, SoundDevicesByNameBesideTheResultFile)
{
    const auto named = Parse({"--input", "USB Audio", "--output-device", "HDMI", "--output", "result.txt"});
    ASSERT_TRUE(named);
    EXPECT_EQ(named->Devices.Input, "USB Audio");
    EXPECT_EQ(named->Devices.Output, "HDMI");
    EXPECT_EQ(named->OutputFile, QStringLiteral("result.txt")) << "--output stays the result file";
    const auto longNames = Parse({"--input-device", "pulse"});
    ASSERT_TRUE(longNames);
    EXPECT_EQ(longNames->Devices.Input, "pulse");
    EXPECT_TRUE(longNames->Devices.Output.empty());
    EXPECT_EQ(Parse({})->Devices, TSoundDeviceChoice{});
}

TEST(MeasureOptions, RefusesWhatCannotBeMeasuredWithAReason)
{
    const std::vector<std::pair<QStringList, QString>> refused = {
        {{"--fft", "3000"}, "power of two"},
        {{"--fft", "131072"}, "power of two"},
        {{"--seconds", "0"}, "--seconds"},
        {{"--channel", "both"}, "left or right"},
        {{"--format", "xml"}, "text, json or csv"},
        {{"--level", "-7"}, "needs --tones"},
        {{"--tones", "700"}, "--tones"},
        {{"--tones", "700,700"}, "--tones"},
        {{"--tones", "700,20000"}, "--tones"},
        {{"--tones", "700,1900", "--level", "1"}, "0 dBFS"},
        // Two tones of -6 dBFS summed reach 1.002 of full scale.
        {{"--tones", "700,1900", "--mix", "--level", "-6"}, "-6.02 dBFS"},
        {{"--tones", "700,1900", "--mix", "--sweep", "-20:-4:2"}, "-6.02 dBFS"},
        {{"--tones", "700,1900", "--sweep", "-20:-10:-2"}, "FROM:TO:STEP"},
        {{"--nonsense"}, "nonsense"},
        {{"extra"}, "extra"},
    };
    for (const auto &[args, reason] : refused) {
        QString error;
        EXPECT_FALSE(Parse(args, &error)) << args.join(' ').toStdString();
        EXPECT_TRUE(error.contains(reason)) << args.join(' ').toStdString() << ": " << error.toStdString();
    }
    EXPECT_TRUE(Parse({"--tones", "700,1900", "--mix", "--level", "-6.03"}));
}

TEST(MeasureOptions, SweepLevelsAndCaptureLengths)
{
    EXPECT_EQ(SweepLevels("-30:-6:6"), (std::vector<double>{-30, -24, -18, -12, -6}));
    EXPECT_EQ(SweepLevels("-6:-12:-3"), (std::vector<double>{-6, -9, -12}));
    EXPECT_EQ(SweepLevels("-10:-10:1"), (std::vector<double>{-10}));
    EXPECT_TRUE(SweepLevels("-10:-5:0").empty());
    EXPECT_TRUE(SweepLevels("-10:-5").empty());
    EXPECT_TRUE(SweepLevels("-100:0:0.1").empty());  // 1001 steps
    // Whole frames overlapping by half, at least one.
    EXPECT_EQ(CaptureSamples(3.0, 65536), 65536);
    EXPECT_EQ(CaptureSamples(0.1, 4096), 4096);
    EXPECT_EQ(CaptureSamples(1.0, 4096), 4096 + 2048 * 8);
    EXPECT_EQ(FramesIn(CaptureSamples(1.0, 4096), 4096), 9);
}

TEST(MeasureFormat, JsonCarriesEveryFieldAsNumbersWithTheFloorForHiddenProducts)
{
    const QJsonObject o = QJsonDocument::fromJson(FormatMeasurement(SampleResult(), "left", TMeasureFormat::Json)).object();
    EXPECT_EQ(o.keys(), (QStringList{"channel", "d3_db", "fft_size", "floor_dbfs", "frames", "products", "reference",
                                     "sample_rate", "tones"}));
    EXPECT_EQ(o["channel"].toString(), "left");
    EXPECT_EQ(o["sample_rate"].toDouble(), 22050.0);
    EXPECT_EQ(o["fft_size"].toInt(), 65536);
    EXPECT_EQ(o["frames"].toInt(), 1);
    EXPECT_EQ(o["reference"].toString(), "tone 2");
    EXPECT_DOUBLE_EQ(o["floor_dbfs"].toDouble(), -131.46);
    EXPECT_TRUE(o["d3_db"].isNull());
    const QJsonArray tones = o["tones"].toArray();
    ASSERT_EQ(tones.size(), 2);
    EXPECT_DOUBLE_EQ(tones[0].toObject()["hz"].toDouble(), 700.0);
    EXPECT_DOUBLE_EQ(tones[0].toObject()["dbfs"].toDouble(), -7.0);
    const QJsonArray products = o["products"].toArray();
    ASSERT_EQ(products.size(), 3);
    const QJsonObject hidden = products[2].toObject();
    EXPECT_EQ(hidden.keys(), (QStringList{"below_floor", "dbc", "dbfs", "dbpep", "hz", "order", "side"}));
    EXPECT_TRUE(hidden["below_floor"].isBool() && hidden["below_floor"].toBool());
    EXPECT_TRUE(hidden["dbfs"].isDouble());
    EXPECT_DOUBLE_EQ(hidden["dbfs"].toDouble(), -131.46);
    EXPECT_EQ(hidden["order"].toInt(), 7);
    EXPECT_EQ(hidden["side"].toString(), "upper");
}

TEST(MeasureFormat, CsvAndTextNameTheReferenceAndMarkHiddenProducts)
{
    const QString csv = QString::fromUtf8(FormatMeasurement(SampleResult(), "left", TMeasureFormat::Csv));
    EXPECT_EQ(csv, "order,side,hz,dbfs,dbc,dbpep,below_floor\n"
                   "3,upper,3100.00,-47.00,-40.02,-46.04,false\n"
                   "5,upper,4300.00,-77.00,-70.02,-76.04,false\n"
                   "7,upper,5500.00,-131.46,-124.48,-130.50,true\n");
    const QString text = QString::fromUtf8(FormatMeasurement(SampleResult(), "left", TMeasureFormat::Text));
    EXPECT_TRUE(text.contains("dBc re tone 2, dB re PEP")) << text.toStdString();
    EXPECT_TRUE(text.contains("< -124.5")) << text.toStdString();
    EXPECT_FALSE(text.contains("-124.48")) << "a hidden product printed as a number";
}

TEST(MeasureFormat, SweepNamesEachLevelAndGivesAnInterceptOnlyFromThirdOrderSteps)
{
    std::vector<TSweepStep> steps;
    for (double level : {-30.0, -20.0, -10.0}) {
        TImdResult r = SampleResult();
        r.Tones[1].Dbfs = level;
        // IMD3 rises 2 dB per dB relative to the tone: 3 dB per dB in absolute level.
        r.Products[0].Dbc = -40.0 + 2.0 * (level + 10.0);
        steps.push_back({level, r});
    }
    TImdResult missing;
    missing.Status = TImdStatus::NoTone;
    missing.Message = "no tone stands 20 dB above the noise floor";
    steps.push_back({0.0, missing});
    const QJsonObject o = QJsonDocument::fromJson(FormatSweep(steps, "left", TMeasureFormat::Json)).object();
    const QJsonArray array = o["steps"].toArray();
    ASSERT_EQ(array.size(), 4);
    EXPECT_DOUBLE_EQ(array[0].toObject()["level_db"].toDouble(), -30.0);
    EXPECT_EQ(array[0].toObject()["products"].toArray().size(), 3);
    EXPECT_TRUE(array[3].toObject()["error"].toString().contains("20 dB"));
    const QJsonObject intercept = o["intercept"].toObject();
    EXPECT_DOUBLE_EQ(intercept["oip3_dbfs"].toDouble(), -10.0 + 20.0);  // tone + |IMD3| / 2
    EXPECT_EQ(intercept["steps_db"].toArray().size(), 3);

    steps.resize(1);
    EXPECT_TRUE(QJsonDocument::fromJson(FormatSweep(steps, "left", TMeasureFormat::Json)).object()["intercept"].isNull());
    const QString text = QString::fromUtf8(FormatSweep(steps, "left", TMeasureFormat::Text));
    EXPECT_TRUE(text.contains("no third-order intercept")) << text.toStdString();
    EXPECT_TRUE(QString::fromUtf8(FormatSweep(steps, "left", TMeasureFormat::Csv)).startsWith("level_db,order,side"));
}
