// Byte coding and field checks of the 44-byte configuration record.
#include "configrecord.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

namespace zelvaro {

using namespace record_limits;

namespace {

// Offsets of the fields inside the record.
constexpr int kOffStartHz = 0;
constexpr int kOffFftSize = 4;
constexpr int kOffCalMeasured = 8;
constexpr int kOffCalDisplayed = 12;
constexpr int kOffSkewUs = 16;
constexpr int kOffVGain = 20;
constexpr int kOffVRange = 24;
constexpr int kOffLFreqHz = 28;
constexpr int kOffRFreqHz = 32;
constexpr int kOffLLevelPos = 36;
constexpr int kOffRLevelPos = 40;
constexpr int kFieldSize = 4;

void PutU32(QByteArray &bytes, int offset, uint32_t value)
{
    for (int i = 0; i < kFieldSize; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFFu);
}

void PutFloat(QByteArray &bytes, int offset, float value) { PutU32(bytes, offset, std::bit_cast<uint32_t>(value)); }

void PutInt(QByteArray &bytes, int offset, int32_t value) { PutU32(bytes, offset, static_cast<uint32_t>(value)); }

// The four bytes at offset, or nothing when the stored value ends before them.
std::optional<uint32_t> GetU32(const QByteArray &bytes, int offset)
{
    const int available = std::min(static_cast<int>(bytes.size()), kConfigRecordSize);
    if (offset + kFieldSize > available)
        return std::nullopt;
    uint32_t value = 0;
    for (int i = 0; i < kFieldSize; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return value;
}

std::optional<float> GetFloat(const QByteArray &bytes, int offset)
{
    const auto raw = GetU32(bytes, offset);
    if (!raw)
        return std::nullopt;
    return std::bit_cast<float>(*raw);
}

std::optional<int32_t> GetInt(const QByteArray &bytes, int offset)
{
    const auto raw = GetU32(bytes, offset);
    if (!raw)
        return std::nullopt;
    return static_cast<int32_t>(*raw);
}

// Takes an integer field when present and within [low, high]; otherwise notes it as defaulted.
void TakeInt(const QByteArray &bytes, int offset, int32_t low, int32_t high, const char *name, int32_t &field,
             QStringList &defaulted)
{
    const auto value = GetInt(bytes, offset);
    if (value && *value >= low && *value <= high)
        field = *value;
    else
        defaulted << QString::fromLatin1(name);
}

std::optional<int32_t> FftSizeFromFloat(float stored)
{
    // Range-check before truncating: converting NaN or a huge float to an integer is undefined.
    if (!std::isfinite(stored) || stored < 0.0f || stored > static_cast<float>(kFftSizes[0]) + 1.0f)
        return std::nullopt;
    const auto truncated = static_cast<int32_t>(stored);
    if (!IsValidFftSize(truncated))
        return std::nullopt;
    return truncated;
}

}  // namespace

bool IsValidFftSize(int32_t fftSize)
{
    return std::find(std::begin(kFftSizes), std::end(kFftSizes), fftSize) != std::end(kFftSizes);
}

bool IsValidSkewUs(double skewUs) { return std::isfinite(skewUs) && std::abs(skewUs) <= kSkewLimitUs; }

bool IsValidCalibration(double measured, double displayed)
{
    if (!std::isfinite(measured) || !std::isfinite(displayed) || measured <= 0.0 || displayed <= 0.0)
        return false;
    const double factor = measured / displayed;
    return factor >= kCalFactorMin && factor <= kCalFactorMax;
}

QByteArray EncodeConfigRecord(const TConfigRecord &record)
{
    QByteArray bytes(kConfigRecordSize, '\0');
    PutFloat(bytes, kOffStartHz, record.StartHz);
    PutFloat(bytes, kOffFftSize, static_cast<float>(record.FftSize));
    PutFloat(bytes, kOffCalMeasured, record.CalMeasured);
    PutFloat(bytes, kOffCalDisplayed, record.CalDisplayed);
    PutFloat(bytes, kOffSkewUs, static_cast<float>(record.SkewUs));
    PutInt(bytes, kOffVGain, record.VGain);
    PutInt(bytes, kOffVRange, record.VRange);
    PutInt(bytes, kOffLFreqHz, record.LFreqHz);
    PutInt(bytes, kOffRFreqHz, record.RFreqHz);
    PutInt(bytes, kOffLLevelPos, record.LLevelPos);
    PutInt(bytes, kOffRLevelPos, record.RLevelPos);
    return bytes;
}

TDecodedRecord DecodeConfigRecord(const QByteArray &bytes)
{
    TDecodedRecord decoded;
    TConfigRecord &record = decoded.Record;
    QStringList &defaulted = decoded.DefaultedFields;

    const auto startHz = GetFloat(bytes, kOffStartHz);
    if (startHz && std::isfinite(*startHz) && *startHz >= 0.0f && *startHz <= kStartHzMax)
        record.StartHz = *startHz;
    else
        defaulted << QStringLiteral("StartHz");

    const auto storedFftSize = GetFloat(bytes, kOffFftSize);
    const auto fftSize = storedFftSize ? FftSizeFromFloat(*storedFftSize) : std::nullopt;
    if (fftSize)
        record.FftSize = *fftSize;
    else
        defaulted << QStringLiteral("FftSize");

    // The pair is only meaningful together: when either half is unusable both go back to 1000/1000.
    const auto measured = GetFloat(bytes, kOffCalMeasured);
    const auto displayed = GetFloat(bytes, kOffCalDisplayed);
    if (measured && displayed && IsValidCalibration(*measured, *displayed)) {
        record.CalMeasured = *measured;
        record.CalDisplayed = *displayed;
    } else {
        defaulted << QStringLiteral("CalMeasured") << QStringLiteral("CalDisplayed");
    }

    const auto skewUs = GetFloat(bytes, kOffSkewUs);
    if (skewUs && IsValidSkewUs(*skewUs))
        record.SkewUs = *skewUs;
    else
        defaulted << QStringLiteral("SkewUs");

    TakeInt(bytes, kOffVGain, kVGainMin, kVGainMax, "VGain", record.VGain, defaulted);
    TakeInt(bytes, kOffVRange, kVRangeMin, kVRangeMax, "VRange", record.VRange, defaulted);
    TakeInt(bytes, kOffLFreqHz, kToneFreqMinHz, kToneFreqMaxHz, "LFreqHz", record.LFreqHz, defaulted);
    TakeInt(bytes, kOffRFreqHz, kToneFreqMinHz, kToneFreqMaxHz, "RFreqHz", record.RFreqHz, defaulted);
    TakeInt(bytes, kOffLLevelPos, kLevelPosMin, kLevelPosMax, "LLevelPos", record.LLevelPos, defaulted);
    TakeInt(bytes, kOffRLevelPos, kLevelPosMin, kLevelPosMax, "RLevelPos", record.RLevelPos, defaulted);
    return decoded;
}

}  // namespace zelvaro
