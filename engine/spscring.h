// Lock-free single-producer single-consumer ring of 16-bit samples for real-time callbacks.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zelvaro {

// One thread writes, one other thread reads; neither blocks, locks or allocates. The counters
// only grow, so their difference is the fill level. Reset only while neither side runs.
class TSpscRing {
public:
    explicit TSpscRing(size_t capacityPow2) : FBuffer(capacityPow2), FMask(capacityPow2 - 1) {}

    size_t Capacity() const { return FBuffer.size(); }
    size_t Available() const
    {
        return static_cast<size_t>(FWrite.load(std::memory_order_acquire) -
                                   FRead.load(std::memory_order_relaxed));
    }
    size_t Free() const
    {
        return Capacity() - static_cast<size_t>(FWrite.load(std::memory_order_relaxed) -
                                                FRead.load(std::memory_order_acquire));
    }
    // Total samples the consumer has taken since the last reset.
    uint64_t ReadCount() const { return FRead.load(std::memory_order_acquire); }
    uint64_t WriteCount() const { return FWrite.load(std::memory_order_relaxed); }

    size_t Write(const int16_t *src, size_t count)
    {
        const uint64_t w = FWrite.load(std::memory_order_relaxed);
        count = std::min(count, Free());
        CopyIn(w, src, count);
        FWrite.store(w + count, std::memory_order_release);  // publishes the samples
        return count;
    }

    size_t Read(int16_t *dst, size_t count)
    {
        const uint64_t r = FRead.load(std::memory_order_relaxed);
        count = std::min(count, Available());
        CopyOut(r, dst, count);
        FRead.store(r + count, std::memory_order_release);  // hands the space back
        return count;
    }

    void Reset()
    {
        FRead.store(0, std::memory_order_relaxed);
        FWrite.store(0, std::memory_order_relaxed);
    }

private:
    void CopyIn(uint64_t pos, const int16_t *src, size_t count)
    {
        const size_t start = static_cast<size_t>(pos) & FMask;
        const size_t first = std::min(count, Capacity() - start);
        std::memcpy(FBuffer.data() + start, src, first * sizeof(int16_t));
        std::memcpy(FBuffer.data(), src + first, (count - first) * sizeof(int16_t));
    }
    void CopyOut(uint64_t pos, int16_t *dst, size_t count) const
    {
        const size_t start = static_cast<size_t>(pos) & FMask;
        const size_t first = std::min(count, Capacity() - start);
        std::memcpy(dst, FBuffer.data() + start, first * sizeof(int16_t));
        std::memcpy(dst + first, FBuffer.data(), (count - first) * sizeof(int16_t));
    }

    std::vector<int16_t> FBuffer;
    const size_t FMask;
    alignas(64) std::atomic<uint64_t> FWrite{0};
    alignas(64) std::atomic<uint64_t> FRead{0};
};

}  // namespace zelvaro
