/* The cache of FFT tables: aligned blocks, their contents, lookup, release and the two free exports. */
#define _POSIX_C_SOURCE 200112L

#include "vsktables.h"
#include "vskstatus.h"

#include <math.h>
#include <stdlib.h>

static const double kTwoPi = 6.283185307179586476925286766559;
static const double kPi = 3.14159265358979323846264338327950;
/* 2 pi / 16384, the angle step of the block roots. */
static const double kBlockRootAngle = 0.0003834951969714103;

static int orderIsCached(int64_t order)
{
    return order >= 0 && order < VSK_CACHE_SLOTS;
}

/* One table block from the heap. posix_memalign is the only allocator the cache uses, so that
 * tests can make exactly these allocations fail by interposing it. Sizes are 64-bit products
 * of at most 2^31 elements; a size the platform cannot express yields no block. */
static void *allocateBlock(uint64_t count, uint64_t elementSize)
{
    const uint64_t bytes = count * elementSize;
    if (bytes > (uint64_t)SIZE_MAX)
        return NULL;
    void *block = NULL;
    if (posix_memalign(&block, VSK_TABLE_ALIGNMENT, (size_t)bytes) != 0)
        return NULL;
    return block;
}

static void releaseEntry(void **cache, int64_t order)
{
    if (!orderIsCached(order))
        return;
    free(cache[order]);
    cache[order] = NULL;
}

static vskCplxF root(double angle)
{
    vskCplxF w = {(float)cos(angle), (float)-sin(angle)};
    return w;
}

static uint64_t power2(int64_t order)
{
    return (uint64_t)1 << order;
}

/* ---- RootTable ---- */

static uint64_t rootCount(int64_t k)
{
    if (k < 1)
        return 1;
    if (k < VSK_BLOCK_ROOTS_MIN_ORDER)
        return power2(k - 1);
    return power2(k);
}

static void fillRoots(vskCplxF *table, int64_t k)
{
    if (k < 1) {
        table[0] = root(0.0);
        return;
    }
    const uint64_t half = power2(k - 1);
    const double step = kTwoPi / (double)power2(k);
    for (uint64_t i = 0; i < half; ++i)
        table[i] = root((double)i * step);
    if (k >= VSK_BLOCK_ROOTS_MIN_ORDER) {
        for (uint64_t i = 0; i < VSK_BLOCK_ROOT_COUNT; ++i)
            table[half + i] = root((double)i * kBlockRootAngle);
    }
}

vskCplxF *vskRootTable(int64_t k)
{
    if (!orderIsCached(k))
        return NULL;
    if (vskState.rootCache[k] == NULL) {
        vskCplxF *table = allocateBlock(rootCount(k), sizeof(vskCplxF));
        if (table == NULL)
            return NULL;
        fillRoots(table, k);
        vskState.rootCache[k] = table;
    }
    return vskState.rootCache[k];
}

void vskReleaseRootTable(int64_t k)
{
    releaseEntry(vskState.rootCache, k);
}

/* ---- Radix4Table ---- */

const double *vskRadix4PassTwiddles(const vskCplxF *table, int m, int passOrder)
{
    const double *rows = (const double *)table;
    const size_t n = (size_t)1 << m;
    if (passOrder == m)
        return rows;
    size_t offset = 6 * (n / 4);
    for (int p = vskRadix4FirstPassOrder(m); p < passOrder; p += 2)
        offset += 6 * (((size_t)1 << p) / 4);
    return rows + offset;
}

/* Rows of q doubles each: Re W^k, Im W^k, Re W^2k, Im W^2k, Re W^3k, Im W^3k, k < q, the order
 * in which the kernel loads them four at a time. The roots are rounded to float like every
 * other table entry, then kept widened so the kernel needs no conversion. */
static void fillPassTwiddles(double *rows, int passOrder)
{
    const size_t quarter = ((size_t)1 << passOrder) / 4;
    const double step = kTwoPi / (double)((size_t)1 << passOrder);
    for (size_t i = 0; i < quarter; ++i) {
        for (size_t power = 1; power <= 3; ++power) {
            const vskCplxF w = root((double)(power * i) * step);
            rows[(2 * power - 2) * quarter + i] = w.re;
            rows[(2 * power - 1) * quarter + i] = w.im;
        }
    }
}

static void fillRadix4(vskCplxF *table, int m)
{
    if (m < 3)
        return;
    /* An order-3 kernel needs none of its twiddles (its radix-2 pass uses constants), but
     * they are kept so every order has the same layout. */
    for (int p = vskRadix4FirstPassOrder(m); p <= m; p += 2)
        fillPassTwiddles((double *)vskRadix4PassTwiddles(table, m, p), p);
}

static vskCplxF *smallRadix4Table(int m)
{
    if (vskState.radix4Cache[m] == NULL) {
        /* Twice 2^m entries: the kernel's twiddles are kept as doubles (6 per radix-4 step). */
        const uint64_t count = (m <= 0) ? 3 : power2(m + 1);
        vskCplxF *table = allocateBlock(count, sizeof(vskCplxF));
        if (table == NULL)
            return NULL;
        fillRadix4(table, m);
        vskState.radix4Cache[m] = table;
    }
    return vskState.radix4Cache[m];
}

vskCplxF *vskRadix4Table(int64_t m)
{
    if (!orderIsCached(m))
        return NULL;
    if (m <= VSK_RADIX4_MAX_ORDER)
        return smallRadix4Table((int)m);
    if (smallRadix4Table(VSK_RADIX4_MAX_ORDER) == NULL)
        return NULL;
    return vskRootTable(m);
}

void vskReleaseRadix4Table(int64_t m)
{
    if (m > VSK_RADIX4_MAX_ORDER && orderIsCached(m)) {
        vskReleaseRootTable(m);
        releaseEntry(vskState.radix4Cache, VSK_RADIX4_MAX_ORDER);
        return;
    }
    releaseEntry(vskState.radix4Cache, m);
}

/* ---- SplitTable ---- */

/* Entry i of the split coefficients, rounded to float like every table entry. */
static vskCplxF splitCoefficient(uint64_t i, int64_t m)
{
    const double angle = (double)(i + 1) * (kPi / (double)power2(m));
    vskCplxF c = {(float)(0.5 * cos(angle)), (float)(0.5 - 0.5 * sin(angle))};
    return c;
}

static uint64_t splitCount(int64_t m)
{
    if (m < 1)
        return 1;
    const uint64_t doubleRows = 2 * power2(m - 1); /* two doubles per bin, as one vskCplxF each */
    return doubleRows < VSK_SPLIT_GROUP_DOUBLES ? VSK_SPLIT_GROUP_DOUBLES : doubleRows;
}

/* Groups of bins 4g .. 4g+3 (see vskSplitCoefficients); bin k holds entry k - 1, and bin 0,
 * which the split step never reads, the entry before the first (angle 0). */
static void fillSplit(double *groups, int64_t m)
{
    const uint64_t bins = power2(m - 1);
    const uint64_t slots = (bins < VSK_SPLIT_LANES) ? VSK_SPLIT_LANES : bins;
    for (uint64_t k = 0; k < slots; ++k) {
        const vskCplxF c = splitCoefficient(k - 1, m);
        double *group = groups + VSK_SPLIT_GROUP_DOUBLES * (k / VSK_SPLIT_LANES);
        group[k % VSK_SPLIT_LANES] = c.re;
        group[VSK_SPLIT_LANES + k % VSK_SPLIT_LANES] = c.im;
    }
}

vskCplxF *vskSplitTable(int64_t m)
{
    if (!orderIsCached(m))
        return NULL;
    if (vskState.splitCache[m] == NULL) {
        vskCplxF *table = allocateBlock(splitCount(m), sizeof(vskCplxF));
        if (table == NULL)
            return NULL;
        if (m <= 0) {
            table[0].re = -0.5f;
            table[0].im = 0.5f;
        } else {
            fillSplit((double *)table, m);
        }
        vskState.splitCache[m] = table;
    }
    return vskState.splitCache[m];
}

void vskReleaseSplitTable(int64_t m)
{
    releaseEntry(vskState.splitCache, m);
}

/* ---- BitRevTable ---- */

/* Fills table[i] with the reversal of i over `bits` bits by the reverse-carry increment:
 * adding 1 at the top of a reversed counter clears leading ones and sets the first zero. */
static void fillReversals(int32_t *table, uint64_t count)
{
    uint64_t reversed = 0;
    for (uint64_t i = 0; i < count; ++i) {
        table[i] = (int32_t)reversed;
        uint64_t half = count / 2;
        while (half > 0 && half <= reversed) {
            reversed -= half;
            half /= 2;
        }
        reversed += half;
    }
}

int32_t *vskBitRevTable(int64_t m)
{
    if (!orderIsCached(m))
        return NULL;
    if (vskState.bitRevCache[m] == NULL) {
        const uint64_t values = (m < 2) ? 0 : power2(m - 2);
        int32_t *table = allocateBlock(values + 1, sizeof(int32_t));
        if (table == NULL)
            return NULL;
        fillReversals(table, values);
        table[values] = 0;
        vskState.bitRevCache[m] = table;
    }
    return vskState.bitRevCache[m];
}

void vskReleaseBitRevTable(int64_t m)
{
    releaseEntry(vskState.bitRevCache, m);
}

/* ---- exports ---- */

SIGCORE_API void vskFreeBitRevTbls(void)
{
    for (int order = 0; order < VSK_CACHE_SLOTS; ++order)
        vskReleaseBitRevTable(order);
}

SIGCORE_API void vskcFreeTwdTbls(void)
{
    for (int order = 0; order < VSK_CACHE_SLOTS; ++order) {
        releaseEntry(vskState.rootCache, order);
        releaseEntry(vskState.radix4Cache, order);
        releaseEntry(vskState.splitCache, order);
    }
    vskFreeBitRevTbls();
}
