// FFT table cache: allocation counts, alignment, release rules and the retry path on exhaustion.
//
// The library allocates its table blocks with posix_memalign and nothing else, so this program
// defines posix_memalign itself: the dynamic linker binds the library's calls to the
// executable's definition, which counts them and can fail a chosen number of them before
// forwarding to the C library. No symbol is added to the library, and nothing is preloaded.
#include "sigcore.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct TableAllocations {
    int calls = 0;
    int failuresToInject = 0;
    std::size_t smallestAlignment = SIZE_MAX;
};

TableAllocations allocations;

using PosixMemalign = int (*)(void **, std::size_t, std::size_t);

PosixMemalign systemPosixMemalign()
{
    static const auto next = reinterpret_cast<PosixMemalign>(dlsym(RTLD_NEXT, "posix_memalign"));
    return next;
}

}  // namespace

extern "C" int posix_memalign(void **block, std::size_t alignment, std::size_t size) noexcept
{
    ++allocations.calls;
    if (alignment < allocations.smallestAlignment)
        allocations.smallestAlignment = alignment;
    if (allocations.failuresToInject > 0) {
        --allocations.failuresToInject;
        return ENOMEM;
    }
    return systemPosixMemalign()(block, alignment, size);
}

namespace {

constexpr int32_t kForward = VSK_FFT_FORWARD;

// Starts from an empty cache with fresh counters.
class TableCacheAllocation : public testing::Test {
protected:
    void SetUp() override
    {
        vskcFreeTwdTbls();
        allocations = TableAllocations{};
    }
    void TearDown() override
    {
        allocations.failuresToInject = 0;
        vskcFreeTwdTbls();
    }

    static int allocationsOf(void (*operation)())
    {
        const int before = allocations.calls;
        operation();
        return allocations.calls - before;
    }
};

std::vector<float> ramp(int order)
{
    std::vector<float> samples((std::size_t{1} << order) + 2);
    for (std::size_t i = 0; i < samples.size() - 2; ++i)
        samples[i] = static_cast<float>(i % 17) - 8.0f;
    return samples;
}

std::vector<float> forwardReal(int order)
{
    std::vector<float> samples = ramp(order);
    vsksRealFft(samples.data(), order, kForward);
    return samples;
}

TEST_F(TableCacheAllocation, FirstCallOfAnOrderAllocatesAndLaterCallsDoNot)
{
    // Real transform: radix-4, split and bit-reversal tables; above half-order 10 the radix-4
    // lookup is the RootTable of the half-order plus the order-10 Radix4Table.
    const struct {
        int order;
        int tables;
    } cases[] = {{2, 3}, {11, 3}, {12, 4}, {16, 4}};
    for (const auto &c : cases) {
        std::vector<float> samples = ramp(c.order);
        const int before = allocations.calls;
        vsksRealFft(samples.data(), c.order, kForward);
        EXPECT_EQ(allocations.calls - before, c.tables) << "order " << c.order;
        for (int repeat = 0; repeat < 3; ++repeat) {
            vsksRealFft(samples.data(), c.order, kForward);
            vsksRealFft(samples.data(), c.order, VSK_FFT_INVERSE);
        }
        vsksRealFft(nullptr, c.order, VSK_FFT_INIT);
        EXPECT_EQ(allocations.calls - before, c.tables) << "order " << c.order << " allocated again";
        vskcFreeTwdTbls();
    }
    EXPECT_GE(allocations.smallestAlignment, 32u);
}

TEST_F(TableCacheAllocation, OrdersBelowTwoNeedNoTables)
{
    std::vector<float> samples = {1.0f, 2.0f, 3.0f, 4.0f};
    vsksRealFft(samples.data(), 0, kForward);
    vsksRealFft(samples.data(), 1, kForward);
    vsksCcsFft(samples.data(), 1, VSK_FFT_INVERSE);
    EXPECT_EQ(allocations.calls, 0);
}

TEST_F(TableCacheAllocation, InitFlagBuildsTheTablesTheTransformUses)
{
    vsksRealFft(nullptr, 13, VSK_FFT_INIT);
    const int built = allocations.calls;
    EXPECT_EQ(built, 4);
    forwardReal(13);
    EXPECT_EQ(allocations.calls, built);
}

TEST_F(TableCacheAllocation, CcsTransformSharesRadix4AndBitReversalTables)
{
    vsksRealFft(nullptr, 9, VSK_FFT_INIT);
    const int before = allocations.calls;
    vsksCcsFft(nullptr, 9, VSK_FFT_INIT);
    EXPECT_EQ(allocations.calls - before, 1) << "only the RootTable of the full order is new";
}

TEST_F(TableCacheAllocation, FreeOperationsReleaseWhatTheySay)
{
    vsksRealFft(nullptr, 12, VSK_FFT_INIT);
    EXPECT_EQ(allocationsOf([] { vskFreeBitRevTbls(); vsksRealFft(nullptr, 12, VSK_FFT_INIT); }), 1);
    EXPECT_EQ(allocationsOf([] { vskcFreeTwdTbls(); vsksRealFft(nullptr, 12, VSK_FFT_INIT); }), 4);
    // The free flag of half-order 11 releases its RootTable, the order-10 Radix4Table, the split
    // and bit-reversal tables.
    EXPECT_EQ(allocationsOf([] { vsksRealFft(nullptr, 12, VSK_FFT_FREE); vsksRealFft(nullptr, 12, VSK_FFT_INIT); }), 4);
    // A CCS free of the same order releases the RootTable of order 12 instead of the split table.
    vsksCcsFft(nullptr, 12, VSK_FFT_INIT);
    EXPECT_EQ(allocationsOf([] { vsksCcsFft(nullptr, 12, VSK_FFT_FREE); vsksCcsFft(nullptr, 12, VSK_FFT_INIT); }), 4);
}

TEST_F(TableCacheAllocation, FreesOfAnEmptyCacheDoNothing)
{
    vskFreeBitRevTbls();
    vskcFreeTwdTbls();
    vskcFreeTwdTbls();
    vskFreeBitRevTbls();
    vsksRealFft(nullptr, 40, VSK_FFT_FREE);
    EXPECT_EQ(allocations.calls, 0);
}

TEST_F(TableCacheAllocation, OneFailedAllocationIsRetriedAfterReleasingTheCache)
{
    for (int order : {5, 12, 15}) {
        const std::vector<float> expected = forwardReal(order);
        vsksRealFft(nullptr, order, VSK_FFT_FREE);
        allocations.failuresToInject = 1;
        EXPECT_EQ(forwardReal(order), expected) << "order " << order;
        EXPECT_EQ(allocations.failuresToInject, 0);
    }
}

TEST_F(TableCacheAllocation, RetryReleasesTablesOfOtherOrders)
{
    vsksRealFft(nullptr, 8, VSK_FFT_INIT);
    allocations.failuresToInject = 1;
    vsksRealFft(nullptr, 10, VSK_FFT_INIT);
    // The retry emptied the cache, so order 8 builds its three tables again.
    EXPECT_EQ(allocationsOf([] { vsksRealFft(nullptr, 8, VSK_FFT_INIT); }), 3);
}

using TableCacheAllocationDeathTest = TableCacheAllocation;

TEST_F(TableCacheAllocationDeathTest, SecondFailedAllocationEndsTheProcess)
{
    EXPECT_EXIT(
        {
            allocations.failuresToInject = 2;
            forwardReal(6);
        },
        testing::ExitedWithCode(1), "");
    EXPECT_EXIT(
        {
            allocations.failuresToInject = 1000;
            vsksCcsFft(nullptr, 20, VSK_FFT_INIT);
        },
        testing::ExitedWithCode(1), "");
    // The largest order takes the same path when its tables cannot be had.
    EXPECT_EXIT(
        {
            allocations.failuresToInject = 1000;
            vsksRealFft(nullptr, 31, VSK_FFT_INIT);
        },
        testing::ExitedWithCode(1), "");
}

}  // namespace
