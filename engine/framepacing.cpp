// Tick interval arithmetic, in signed numbers so a shrinking interval cannot wrap around, and the
// playback's synthesis lead.
#include "framepacing.h"

#include <algorithm>
#include <cmath>

namespace zelvaro {

namespace {
constexpr double kBlockFrames = 2048.0;
constexpr double kMsPerSecond = 1000.0;
constexpr double kTickMarginMs = 5.0;
}  // namespace

uint32_t TickFloorMs(double effSampleRate)
{
    const double ms = kBlockFrames / effSampleRate * kMsPerSecond + kTickMarginMs;
    if (std::isnan(ms) || ms <= static_cast<double>(kMinTickMs))
        return static_cast<uint32_t>(kMinTickMs);  // also a negative or infinite rate
    if (ms >= static_cast<double>(kMaxTickMs))
        return static_cast<uint32_t>(kMaxTickMs);
    return static_cast<uint32_t>(static_cast<int64_t>(ms));
}

uint32_t NextTickInterval(uint32_t interval, bool processing, double effSampleRate)
{
    const auto current = static_cast<int64_t>(interval);
    const int64_t next = processing ? current + 1
                                    : std::max<int64_t>(current - 1, TickFloorMs(effSampleRate));
    return static_cast<uint32_t>(std::clamp(next, kMinTickMs, kMaxTickMs));
}

std::chrono::milliseconds OutputLeadWait(size_t pendingFrames, int sampleRate, std::chrono::milliseconds lead)
{
    if (sampleRate <= 0)
        return std::chrono::milliseconds(0);
    // Truncated: waking a little early only makes the lead a little longer.
    const auto queued = std::chrono::milliseconds(static_cast<int64_t>(pendingFrames) * 1000 / sampleRate);
    return std::max(queued - lead, std::chrono::milliseconds(0));
}

}  // namespace zelvaro
