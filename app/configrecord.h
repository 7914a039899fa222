// The 44-byte configuration record: its eleven fields, their defaults and ranges, and its byte coding.
#pragma once

#include <QByteArray>
#include <QStringList>

#include <cstdint>

namespace zelvaro {

constexpr int kConfigRecordSize = 44;  // bytes of one stored configuration, little-endian, no padding

// Field ranges a stored record must respect; a value outside them is replaced by its default.
namespace record_limits {
constexpr int32_t kVGainMin = 10;
constexpr int32_t kVGainMax = 160;
constexpr int32_t kVRangeMin = 0;
constexpr int32_t kVRangeMax = 160;
constexpr int32_t kToneFreqMinHz = 0;
constexpr int32_t kToneFreqMaxHz = 10000;
constexpr int32_t kLevelPosMin = 10;
constexpr int32_t kLevelPosMax = 10000;
// The band may start anywhere up to the Nyquist frequency at the largest accepted calibration factor.
constexpr float kStartHzMax = 22050.0f;
// Typed skew values beyond the slider's +-50 us are allowed, but only up to 10 ms: far more than any
// sound card's channel offset, and small enough to stay exact as a stored float.
constexpr double kSkewLimitUs = 10000.0;
// The calibration pair may correct the sample rate by at most a factor of two either way.
constexpr float kCalFactorMin = 0.5f;
constexpr float kCalFactorMax = 2.0f;
}  // namespace record_limits

constexpr int32_t kFftSizes[] = {65536, 16384, 8192, 4096, 2048};

// One named configuration in the state record's own types. FftSize is stored as a float and SkewUs as
// a float, everything else as the type given here.
struct TConfigRecord {
    float StartHz = 800.0f;
    int32_t FftSize = 8192;
    float CalMeasured = 1000.0f;
    float CalDisplayed = 1000.0f;
    double SkewUs = 0.0;
    int32_t VGain = 42;
    int32_t VRange = 39;
    int32_t LFreqHz = 1292;
    int32_t RFreqHz = 1938;
    int32_t LLevelPos = 5000;
    int32_t RLevelPos = 5000;

    friend bool operator==(const TConfigRecord &, const TConfigRecord &) = default;
};

// The result of decoding stored bytes: the record after every field was checked, and the names of the
// fields that were missing or out of range and therefore took their defaults.
struct TDecodedRecord {
    TConfigRecord Record;
    QStringList DefaultedFields;
};

// The 44 bytes of a record, little-endian on every host.
QByteArray EncodeConfigRecord(const TConfigRecord &record);

// Reads the first 44 bytes (fewer when the value is shorter: fields not fully present take their
// defaults), then validates each field on its own.
TDecodedRecord DecodeConfigRecord(const QByteArray &bytes);

// A measured/displayed pair the program can work with: both finite and positive, ratio 0.5..2.
bool IsValidCalibration(double measured, double displayed);

bool IsValidFftSize(int32_t fftSize);
bool IsValidSkewUs(double skewUs);

}  // namespace zelvaro
