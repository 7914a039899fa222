// Pacing: the analyser's tick interval that follows how long frames take, and how late the
// playback may synthesise its next block.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace zelvaro {

constexpr int64_t kMinTickMs = 5;
constexpr int64_t kMaxTickMs = 10000;
constexpr int kStartTickMs = 80;

// One input block's duration plus 5 ms, truncated, in signed 64-bit arithmetic and clamped to
// [kMinTickMs, kMaxTickMs]: a calibration that makes the effective rate tiny, zero, negative or
// not a number cannot produce a wrapped or absurd interval.
uint32_t TickFloorMs(double effSampleRate);

// TickTimer's rule: one ms longer while the previous frame is still being computed, otherwise
// one ms shorter but not below the floor; the result stays within [kMinTickMs, kMaxTickMs].
uint32_t NextTickInterval(uint32_t interval, bool processing, double effSampleRate);

// How long the playback waits before it synthesises the next block: until only `lead` of sound
// remains queued ahead of the hardware. Zero when no more than that is queued (or the rate is
// unusable): the block is due at once.
std::chrono::milliseconds OutputLeadWait(size_t pendingFrames, int sampleRate, std::chrono::milliseconds lead);

}  // namespace zelvaro
