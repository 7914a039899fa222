// FFT table cache: what allocates and what does not, alignment, release rules and the retry path on
// exhaustion. Counts are compared with an order's own first build, never with a table layout.
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
    for (int order : {2, 11, 12, 16}) {
        std::vector<float> samples = ramp(order);
        const int before = allocations.calls;
        vsksRealFft(samples.data(), order, kForward);
        const int built = allocations.calls - before;
        EXPECT_GT(built, 0) << "order " << order;
        for (int repeat = 0; repeat < 3; ++repeat) {
            vsksRealFft(samples.data(), order, kForward);
            vsksRealFft(samples.data(), order, VSK_FFT_INVERSE);
        }
        vsksRealFft(nullptr, order, VSK_FFT_INIT);
        EXPECT_EQ(allocations.calls - before, built) << "order " << order << " allocated again";
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
    EXPECT_GT(built, 0);
    forwardReal(13);
    EXPECT_EQ(allocations.calls, built);
}

// Counted against the order's own first build, so the test holds whatever tables an order needs.
TEST_F(TableCacheAllocation, FreeOperationsReleaseWhatTheySay)
{
    for (auto transform : {&vsksRealFft, &vsksCcsFft}) {
        const int firstBuild = allocations.calls;
        transform(nullptr, 12, VSK_FFT_INIT);
        const int full = allocations.calls - firstBuild;
        ASSERT_GT(full, 0);

        const int before = allocations.calls;
        vskFreeBitRevTbls();
        transform(nullptr, 12, VSK_FFT_INIT);
        const int bitReversalOnly = allocations.calls - before;
        EXPECT_GT(bitReversalOnly, 0) << "the bit-reversal table was not released";
        EXPECT_LT(bitReversalOnly, full) << "more than the bit-reversal tables were released";

        vskcFreeTwdTbls();
        const int afterAll = allocations.calls;
        transform(nullptr, 12, VSK_FFT_INIT);
        EXPECT_EQ(allocations.calls - afterAll, full) << "everything is rebuilt after vskcFreeTwdTbls";

        const int afterFlag = allocations.calls;
        transform(nullptr, 12, VSK_FFT_FREE);
        transform(nullptr, 12, VSK_FFT_INIT);
        EXPECT_GT(allocations.calls - afterFlag, 0) << "the free flag released nothing";
        vskcFreeTwdTbls();
    }
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
    const int order8Tables = allocationsOf([] { vsksRealFft(nullptr, 8, VSK_FFT_INIT); });
    ASSERT_GT(order8Tables, 0);
    allocations.failuresToInject = 1;
    vsksRealFft(nullptr, 10, VSK_FFT_INIT);
    // The retry emptied the cache, so order 8 builds all its tables again.
    EXPECT_EQ(allocationsOf([] { vsksRealFft(nullptr, 8, VSK_FFT_INIT); }), order8Tables);
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
