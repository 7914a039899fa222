// The two sliding sample histories that the capture side fills and the analyser reads.
#pragma once

#include <array>
#include <mutex>

namespace zelvaro {

constexpr int kHistoryLength = 65536;  // the largest FFT size the analyser offers
constexpr int kBlockFrames = 2048;     // stereo frames in one captured block

// SlideBufL/SlideBufR of the analyser: element 0 .. fftSize-1 hold the newest fftSize samples of a
// channel, oldest first, in integer units. Both channels move together under SampleLock, which
// each side holds only for its copy or move (docs/threads.md: who the two sides are).
class TSampleHistory {
public:
    TSampleHistory();

    // Capture side: moves the history down by one block and appends the block at fftSize - 2048.
    // fftSize is the caller's one snapshot for this block; sizes outside 2048..65536 are clamped.
    void SlideIn(const float *left, const float *right, int fftSize);

    // Analyser side: copies elements 0 .. count-1 of both histories (count clamped to the length).
    void CopyNewest(float *left, float *right, int count) const;

    // Lets a benchmark or test measure how long each side holds the lock.
    std::mutex &SampleLock() const { return FSampleLock; }

private:
    mutable std::mutex FSampleLock;
    std::array<float, kHistoryLength> FSlideBufL;
    std::array<float, kHistoryLength> FSlideBufR;
};

}  // namespace zelvaro
