// Tests of the 44-byte configuration record: exact byte layout, truncated values and field checks.
#include "configrecord.h"
#include "panelswitches.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <limits>

using namespace zelvaro;

namespace {

// Field offsets, written out here independently of the implementation.
enum Offset { StartHz = 0, FftSize = 4, CalMeasured = 8, CalDisplayed = 12, SkewUs = 16, VGain = 20,
              VRange = 24, LFreqHz = 28, RFreqHz = 32, LLevelPos = 36, RLevelPos = 40 };

void PokeFloat(QByteArray &bytes, int offset, float value)
{
    const auto bits = std::bit_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

void PokeInt(QByteArray &bytes, int offset, int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

// The little-endian bytes of a record with known, non-default values in every field.
QByteArray HandMadeRecord()
{
    return QByteArray::fromHex("00004844"     // StartHz 800.0
                               "00008047"     // FftSize 65536.0
                               "00407a44"     // CalMeasured 1001.0
                               "00007a44"     // CalDisplayed 1000.0
                               "000048c1"     // SkewUs -12.5
                               "a0000000"     // VGain 160
                               "00000000"     // VRange 0
                               "10270000"     // LFreqHz 10000
                               "01000000"     // RFreqHz 1
                               "0a000000"     // LLevelPos 10
                               "0f270000");   // RLevelPos 9999
}

TConfigRecord HandMadeFields()
{
    TConfigRecord r;
    r.StartHz = 800.0f;
    r.FftSize = 65536;
    r.CalMeasured = 1001.0f;
    r.CalDisplayed = 1000.0f;
    r.SkewUs = -12.5;
    r.VGain = 160;
    r.VRange = 0;
    r.LFreqHz = 10000;
    r.RFreqHz = 1;
    r.LLevelPos = 10;
    r.RLevelPos = 9999;
    return r;
}

}  // namespace

TEST(ConfigRecordCoding, HandMadeBytesDecodeToKnownFields)
{
    const QByteArray bytes = HandMadeRecord();
    ASSERT_EQ(bytes.size(), kConfigRecordSize);
    const TDecodedRecord decoded = DecodeConfigRecord(bytes);
    EXPECT_EQ(decoded.Record, HandMadeFields());
    EXPECT_TRUE(decoded.DefaultedFields.isEmpty()) << decoded.DefaultedFields.join(u',').toStdString();
}

TEST(ConfigRecordCoding, EncodingIsByteForByteTheLayout)
{
    EXPECT_EQ(EncodeConfigRecord(HandMadeFields()).toHex(), HandMadeRecord().toHex());
    // The defaults, as a first start writes them.
    EXPECT_EQ(EncodeConfigRecord(TConfigRecord{}).toHex(),
              QByteArray("00004844" "00000046" "00007a44" "00007a44" "00000000" "2a000000"
                         "27000000" "0c050000" "92070000" "88130000" "88130000"));
}

TEST(ConfigRecordCoding, SkewIsStoredAsFloat)
{
    TConfigRecord r;
    r.SkewUs = 0.1;  // not exact in binary: comes back as the nearest float
    const TConfigRecord back = DecodeConfigRecord(EncodeConfigRecord(r)).Record;
    EXPECT_EQ(back.SkewUs, static_cast<double>(0.1f));
}

TEST(ConfigRecordCoding, TruncatedValuesKeepTheCompleteFieldsOnly)
{
    // 22 bytes: five floats complete, VGain cut in half.
    const TDecodedRecord decoded = DecodeConfigRecord(HandMadeRecord().left(22));
    const TConfigRecord defaults;
    EXPECT_EQ(decoded.Record.StartHz, 800.0f);
    EXPECT_EQ(decoded.Record.FftSize, 65536);
    EXPECT_EQ(decoded.Record.CalMeasured, 1001.0f);
    EXPECT_EQ(decoded.Record.SkewUs, -12.5);
    EXPECT_EQ(decoded.Record.VGain, defaults.VGain);
    EXPECT_EQ(decoded.Record.RLevelPos, defaults.RLevelPos);
    EXPECT_EQ(decoded.DefaultedFields,
              (QStringList{"VGain", "VRange", "LFreqHz", "RFreqHz", "LLevelPos", "RLevelPos"}));

    EXPECT_EQ(DecodeConfigRecord(QByteArray()).Record, defaults);
    EXPECT_EQ(DecodeConfigRecord(QByteArray()).DefaultedFields.size(), 11);
}

TEST(ConfigRecordCoding, BytesBeyondTheRecordAreIgnored)
{
    const TDecodedRecord decoded = DecodeConfigRecord(HandMadeRecord() + QByteArray(16, '\xff'));
    EXPECT_EQ(decoded.Record, HandMadeFields());
    EXPECT_TRUE(decoded.DefaultedFields.isEmpty());
}

TEST(ConfigRecordValidation, NonFiniteFloatsTakeDefaultsOthersAreKept)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QByteArray bytes = HandMadeRecord();
    PokeFloat(bytes, StartHz, nan);
    PokeFloat(bytes, FftSize, inf);
    PokeFloat(bytes, SkewUs, -inf);
    const TDecodedRecord decoded = DecodeConfigRecord(bytes);
    const TConfigRecord defaults;
    TConfigRecord expected = HandMadeFields();
    expected.StartHz = defaults.StartHz;
    expected.FftSize = defaults.FftSize;
    expected.SkewUs = defaults.SkewUs;
    EXPECT_EQ(decoded.Record, expected);
    EXPECT_EQ(decoded.DefaultedFields, (QStringList{"StartHz", "FftSize", "SkewUs"}));
}

TEST(ConfigRecordValidation, FftSizeMustBeOneOfTheFiveSizes)
{
    struct Case { float stored; int32_t expected; };
    const Case cases[] = {
        {2048.0f, 2048}, {4096.0f, 4096}, {8192.0f, 8192}, {16384.0f, 16384}, {65536.0f, 65536},
        {8192.75f, 8192},     // truncated, as a float field always was
        {32768.0f, 8192},     // no span button for it
        {1024.0f, 8192}, {0.0f, 8192}, {-8192.0f, 8192},
        {3.0e38f, 8192},      // would overflow an int conversion
    };
    for (const Case &c : cases) {
        QByteArray bytes = HandMadeRecord();
        PokeFloat(bytes, FftSize, c.stored);
        EXPECT_EQ(DecodeConfigRecord(bytes).Record.FftSize, c.expected) << "stored " << c.stored;
    }
}

TEST(ConfigRecordValidation, PositionsAndFrequenciesOutsideTheirRangesTakeDefaults)
{
    struct Case { int offset; int32_t low; int32_t high; int32_t TConfigRecord::*field; };
    const Case cases[] = {
        {VGain, 10, 160, &TConfigRecord::VGain},          {VRange, 0, 160, &TConfigRecord::VRange},
        {LFreqHz, 0, 10000, &TConfigRecord::LFreqHz},     {RFreqHz, 0, 10000, &TConfigRecord::RFreqHz},
        {LLevelPos, 10, 10000, &TConfigRecord::LLevelPos}, {RLevelPos, 10, 10000, &TConfigRecord::RLevelPos},
    };
    const TConfigRecord defaults;
    for (const Case &c : cases) {
        for (const int32_t value : {c.low, c.high}) {
            QByteArray bytes = HandMadeRecord();
            PokeInt(bytes, c.offset, value);
            EXPECT_EQ(DecodeConfigRecord(bytes).Record.*c.field, value) << "offset " << c.offset;
        }
        for (const int32_t value : {c.low - 1, c.high + 1, std::numeric_limits<int32_t>::min()}) {
            QByteArray bytes = HandMadeRecord();
            PokeInt(bytes, c.offset, value);
            const TDecodedRecord decoded = DecodeConfigRecord(bytes);
            EXPECT_EQ(decoded.Record.*c.field, defaults.*c.field) << "offset " << c.offset << " value " << value;
            EXPECT_EQ(decoded.DefaultedFields.size(), 1);
            EXPECT_EQ(decoded.Record.StartHz, 800.0f);  // the other fields stay
        }
    }
}

TEST(ConfigRecordValidation, StartAndSkewOutsideTheirRangesTakeDefaults)
{
    for (const float startHz : {-1.0f, 22050.5f, 1.0e9f}) {
        QByteArray bytes = HandMadeRecord();
        PokeFloat(bytes, StartHz, startHz);
        EXPECT_EQ(DecodeConfigRecord(bytes).Record.StartHz, 800.0f) << startHz;
    }
    for (const float skewUs : {10000.5f, -10000.5f}) {
        QByteArray bytes = HandMadeRecord();
        PokeFloat(bytes, SkewUs, skewUs);
        EXPECT_EQ(DecodeConfigRecord(bytes).Record.SkewUs, 0.0) << skewUs;
    }
    QByteArray bytes = HandMadeRecord();
    PokeFloat(bytes, SkewUs, 123.45f);  // beyond the slider, but a value the dialog accepts
    EXPECT_EQ(DecodeConfigRecord(bytes).Record.SkewUs, static_cast<double>(123.45f));
}

TEST(ConfigRecordValidation, BadCalibrationPairResetsBothHalves)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::pair<float, float> bad[] = {{0.0f, 1000.0f}, {1000.0f, 0.0f}, {-1000.0f, -1000.0f},
                                           {nan, 1000.0f},  {1000.0f, std::numeric_limits<float>::infinity()},
                                           {3000.0f, 1000.0f}, {1000.0f, 2001.0f}};
    for (const auto &[measured, displayed] : bad) {
        QByteArray bytes = HandMadeRecord();
        PokeFloat(bytes, CalMeasured, measured);
        PokeFloat(bytes, CalDisplayed, displayed);
        const TDecodedRecord decoded = DecodeConfigRecord(bytes);
        EXPECT_EQ(decoded.Record.CalMeasured, 1000.0f) << measured << "/" << displayed;
        EXPECT_EQ(decoded.Record.CalDisplayed, 1000.0f) << measured << "/" << displayed;
        EXPECT_EQ(decoded.DefaultedFields, (QStringList{"CalMeasured", "CalDisplayed"}));
    }
}

TEST(ConfigRecordValidation, CalibrationRatioLimitsAreInclusive)
{
    EXPECT_TRUE(IsValidCalibration(500.0, 1000.0));
    EXPECT_TRUE(IsValidCalibration(2000.0, 1000.0));
    EXPECT_FALSE(IsValidCalibration(499.9, 1000.0));
    EXPECT_FALSE(IsValidCalibration(2000.1, 1000.0));
    EXPECT_TRUE(IsValidCalibration(1e-3, 1e-3));
}

// ---- Panel switches ---------------------------------------------------------------------------------

TEST(PanelSwitches, RoundTripAndDamagedTextsGiveNothing)
{
    TPanelSwitches switches;
    switches.GenRightOn = true;
    switches.SALeftOn = false;
    switches.IQMode = true;
    switches.IQSavedRFreqHz = 1938;
    switches.IQSavedRLevelPos = 10;
    EXPECT_EQ(DecodePanelSwitches(EncodePanelSwitches(switches)), switches);
    EXPECT_EQ(DecodePanelSwitches(EncodePanelSwitches({})), TPanelSwitches{});
    // A key a later version adds is skipped.
    EXPECT_EQ(DecodePanelSwitches(EncodePanelSwitches(switches) + ";PeakHold=1"), switches);
    for (const char *damaged : {"", "garbage", "GenLeftOn=1", "GenLeftOn=2;GenRightOn=0;SALeftOn=1;SARightOn=0;"
                                "FreqLocked=0;LevLocked=0;IQMode=0"}) {
        EXPECT_EQ(DecodePanelSwitches(damaged), std::nullopt) << damaged;
    }
    QString outOfRange = EncodePanelSwitches(switches);
    outOfRange.replace("IQSavedRFreqHz=1938", "IQSavedRFreqHz=20000");
    EXPECT_EQ(DecodePanelSwitches(outOfRange), std::nullopt);
}
