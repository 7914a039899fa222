// Sliding histories shared by the capture callback and the analyser thread.
#include "samplehistory.h"

#include <algorithm>
#include <cstring>

namespace zelvaro {

namespace {
int clampHistorySize(int size)
{
    return std::clamp(size, kBlockFrames, kHistoryLength);
}

void slideChannel(float *history, const float *block, int fftSize)
{
    const auto keep = static_cast<size_t>(fftSize - kBlockFrames);
    // Overlapping move: memmove, not memcpy.
    std::memmove(history, history + kBlockFrames, keep * sizeof(float));
    std::memcpy(history + keep, block, kBlockFrames * sizeof(float));
}
}  // namespace

TSampleHistory::TSampleHistory()
{
    FSlideBufL.fill(0.0f);
    FSlideBufR.fill(0.0f);
}

void TSampleHistory::SlideIn(const float *left, const float *right, int fftSize)
{
    const int size = clampHistorySize(fftSize);
    std::lock_guard<std::mutex> guard(FSampleLock);
    slideChannel(FSlideBufL.data(), left, size);
    slideChannel(FSlideBufR.data(), right, size);
}

void TSampleHistory::CopyNewest(float *left, float *right, int count) const
{
    const auto n = static_cast<size_t>(std::clamp(count, 0, kHistoryLength));
    std::lock_guard<std::mutex> guard(FSampleLock);
    std::memcpy(left, FSlideBufL.data(), n * sizeof(float));
    std::memcpy(right, FSlideBufR.data(), n * sizeof(float));
}

}  // namespace zelvaro
