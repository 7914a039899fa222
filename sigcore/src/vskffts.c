/* Real and CCS-format FFTs: argument checks, table acquisition and the real/complex split steps. */
#include "vskfftkernel.h"
#include "vskfftvec.h"
#include "vskstatus.h"
#include "vsktables.h"

#include <stddef.h>

static const char kModule[] = "vskffts";
static const char kOutOfTableMemory[] = "No working Twd memory";

/* Below this order a transform needs no table: N = 1 and N = 2 are done in closed form. */
enum { kFirstTabledOrder = 2 };

typedef enum { kRealTransform, kCcsTransform } TransformKind;

/* Looks up every table the transform of `order` needs; false when one of them is missing. */
static int lookupTables(vskFftTables *tables, TransformKind kind, int32_t order)
{
    const int64_t m = (int64_t)order - 1;
    const vskCplxF *radix4 = vskRadix4Table(m);
    if (radix4 == NULL)
        return 0;
    if (m > VSK_RADIX4_MAX_ORDER) {
        tables->radix4 = vskRadix4Table(VSK_RADIX4_MAX_ORDER);
        tables->roots = radix4;
    } else {
        tables->radix4 = radix4;
        tables->roots = NULL;
    }
    if (kind == kRealTransform) {
        tables->split = vskSplitTable(m);
        if (tables->split == NULL)
            return 0;
    } else {
        tables->split = vskRootTable(order);
        if (tables->split == NULL)
            return 0;
    }
    tables->bitRev = vskBitRevTable(m);
    return tables->bitRev != NULL;
}

/* A failed lookup releases the whole cache and tries once more before giving up. */
static int acquireTables(vskFftTables *tables, TransformKind kind, int32_t order,
                         const char *function)
{
    if (lookupTables(tables, kind, order))
        return 1;
    vskcFreeTwdTbls();
    if (lookupTables(tables, kind, order))
        return 1;
    vskReport(VSK_STATUS_OUT_OF_MEMORY, function, kOutOfTableMemory, kModule, __LINE__);
    return 0;
}

static void releaseTables(TransformKind kind, int32_t order)
{
    const int64_t m = (int64_t)order - 1;
    vskReleaseRadix4Table(m);
    if (kind == kRealTransform)
        vskReleaseSplitTable(m);
    else
        vskReleaseRootTable(order);
    vskReleaseBitRevTable(m);
}

/* The shared checks of both transforms; true when the caller goes on to transform samps. */
static int prepareTransform(vskFftTables *tables, TransformKind kind, float *samps, int32_t order,
                            int32_t flags, const char *function)
{
    if (flags & VSK_FFT_FREE) {
        releaseTables(kind, order);
        return 0;
    }
    if (order < 0) {
        VSK_BAD_ARG(function, "order<0", kModule);
        return 0;
    }
    if (order > VSK_CACHE_SLOTS - 1) {
        VSK_BAD_ARG(function, "order>31", kModule);
        return 0;
    }
    if (order >= kFirstTabledOrder && !acquireTables(tables, kind, order, function))
        return 0;
    if (flags & VSK_FFT_INIT)
        return 0;
    if (samps == NULL) {
        VSK_BAD_ARG(function, "samps==0", kModule);
        return 0;
    }
    if ((flags & VSK_FFT_FORWARD) && (flags & VSK_FFT_INVERSE)) {
        VSK_BAD_ARG(function, "(flags & 1) && (flags & 2)", kModule);
        return 0;
    }
    if ((flags & VSK_FFT_FORWARD) == 0 && (flags & VSK_FFT_INVERSE) == 0) {
        VSK_BAD_ARG(function, "(flags & 1)==0 && (flags & 2)==0", kModule);
        return 0;
    }
    return 1;
}

/* The 1/N of the inverse transforms. N is a power of two, so the factor and every product are
 * exact up to the final rounding; counts reach 2^31 + 2, beyond an int32 length. */
static void scaleByInverseLength(float *x, size_t count, int32_t order)
{
    const double factor = 1.0 / (double)((uint64_t)1 << order);
    for (size_t i = count; i-- > 0;)
        x[i] = (float)(factor * (double)x[i]);
}

static int wantsScaling(int32_t flags)
{
    return (flags & VSK_FFT_INVERSE) && !(flags & VSK_FFT_NOSCALE);
}

/* The split formulas of bins k and n - k from Z[k] = (e, d), Z[n-k] = (g, c) and the split
 * coefficients (a, b); T is double or a vector of doubles. */
#define VSK_FORWARD_SPLIT(T, e, d, g, c, a, b, lowerRe, lowerIm, upperRe, upperIm) \
    do {                                                                        \
        const T l = ((c) + (d)) * (a) + ((e) - (g)) * (b);                      \
        const T t = ((c) + (d)) * (b) - ((e) - (g)) * (a);                      \
        lowerRe = (g) + l;                                                      \
        lowerIm = t - (c);                                                      \
        upperRe = (e) - l;                                                      \
        upperIm = t - (d);                                                      \
    } while (0)

#define VSK_INVERSE_SPLIT(T, e, d, g, c, a, b, lowerRe, lowerIm, upperRe, upperIm) \
    do {                                                                        \
        const T f = ((e) - (g)) * (a) + ((c) + (d)) * (b);                      \
        const T t = ((c) + (d)) * (a) - ((e) - (g)) * (b);                      \
        lowerRe = (e) + t;                                                      \
        lowerIm = (d) - f;                                                      \
        upperRe = (g) - t;                                                      \
        upperIm = (c) - f;                                                      \
    } while (0)

/* The split of bins k and n - k, one pair at a time, on interleaved points. */
static void splitBinPair(float *lower, float *upper, const double *coefficients, size_t k,
                         int inverse)
{
    const double e = lower[0], d = lower[1], g = upper[0], c = upper[1];
    const double *group = coefficients + VSK_SPLIT_GROUP_DOUBLES * (k / VSK_SPLIT_LANES);
    const double a = group[k % VSK_SPLIT_LANES], b = group[VSK_SPLIT_LANES + k % VSK_SPLIT_LANES];
    double lowerRe, lowerIm, upperRe, upperIm;
    if (!inverse)
        VSK_FORWARD_SPLIT(double, e, d, g, c, a, b, lowerRe, lowerIm, upperRe, upperIm);
    else
        VSK_INVERSE_SPLIT(double, e, d, g, c, a, b, lowerRe, lowerIm, upperRe, upperIm);
    lower[0] = (float)lowerRe;
    lower[1] = (float)lowerIm;
    upper[0] = (float)upperRe;
    upper[1] = (float)upperIm;
}

/* Bins 1 .. n - 1 of the real transform from the interleaved n-point complex transform of the
 * even/odd pairs (short transforms, n < 16). */
static void realSplitInterleaved(float *x, size_t n, const vskCplxF *split, int inverse)
{
    const double *coefficients = vskSplitCoefficients(split);
    for (size_t k = 1; k < n / 2; ++k)
        splitBinPair(x + 2 * k, x + 2 * (n - k), coefficients, k, inverse);
    if (n >= 2 && !inverse)
        x[n + 1] = -x[n + 1];
}

enum { kGroupFloats = 2 * VSK_LANES };

/* A point of the group above the current upper group, loaded by the step before. */
typedef struct vskSplitCarry {
    float re, im;
} vskSplitCarry;

/* Lane 0 of `carry`, then lanes 3, 2, 1 of `group`: the mirrors of four ascending bins. */
VSK_INLINE vskFloat4 mirrorLanes(float carry, vskFloat4 group)
{
    vskFloat4 mirrored = __builtin_shufflevector(group, group, 0, 3, 2, 1);
    mirrored[0] = carry;
    return mirrored;
}

/* Bins 4g .. 4g+3 (group g) and their mirrors n - 4g - {0, 1, 2, 3}: the last three points of
 * group n/4 - g - 1 and the carried first point of the group above it. */
VSK_INLINE void splitGroup(float *x, size_t groupCount, size_t g, const double *coefficients,
                           int inverse, vskSplitCarry *carry)
{
    float *lowerGroup = x + kGroupFloats * g;
    float *upperGroup = x + kGroupFloats * (groupCount - g - 1);
    const vskFloat4 upperGroupRe = vskLoadFloat4(upperGroup);
    const vskFloat4 upperGroupIm = vskLoadFloat4(upperGroup + VSK_LANES);
    /* Lane i holds the mirror n - 4g - i of bin 4g + i. */
    const vskDouble4 g4 = vskWiden(mirrorLanes(carry->re, upperGroupRe));
    const vskDouble4 c4 = vskWiden(mirrorLanes(carry->im, upperGroupIm));
    carry->re = upperGroupRe[0];
    carry->im = upperGroupIm[0];
    const vskDouble4 e4 = vskWiden(vskLoadFloat4(lowerGroup));
    const vskDouble4 d4 = vskWiden(vskLoadFloat4(lowerGroup + VSK_LANES));
    const double *group = coefficients + VSK_SPLIT_GROUP_DOUBLES * g;
    vskDouble4 a4, b4, lowerRe, lowerIm, upperRe, upperIm;
    __builtin_memcpy(&a4, group, sizeof a4);
    __builtin_memcpy(&b4, group + VSK_SPLIT_LANES, sizeof b4);
    if (!inverse)
        VSK_FORWARD_SPLIT(vskDouble4, e4, d4, g4, c4, a4, b4, lowerRe, lowerIm, upperRe, upperIm);
    else
        VSK_INVERSE_SPLIT(vskDouble4, e4, d4, g4, c4, a4, b4, lowerRe, lowerIm, upperRe, upperIm);
    const vskFloat4 lr = __builtin_convertvector(lowerRe, vskFloat4);
    const vskFloat4 li = __builtin_convertvector(lowerIm, vskFloat4);
    const vskFloat4 ur = __builtin_convertvector(upperRe, vskFloat4);
    const vskFloat4 ui = __builtin_convertvector(upperIm, vskFloat4);
    vskStoreFloat4(lowerGroup, __builtin_shufflevector(lr, li, 0, 4, 1, 5));
    vskStoreFloat4(lowerGroup + VSK_LANES, __builtin_shufflevector(lr, li, 2, 6, 3, 7));
    /* Ascending bins n - 4g - 3 .. n - 4g are lanes 3 .. 0. */
    vskStoreFloat4(upperGroup + 2, __builtin_shufflevector(ur, ui, 3, 7, 2, 6));
    vskStoreFloat4(upperGroup + 2 + VSK_LANES, __builtin_shufflevector(ur, ui, 1, 5, 0, 4));
}

typedef float vskFloat16 __attribute__((vector_size(64)));
typedef double vskDouble16 __attribute__((vector_size(128)));

/* splitGroup on eight lanes: groups g and g + 1 and the mirrors of their bins, the last seven
 * points of groups n/4 - g - 2 and n/4 - g - 1 and the carried point. */
VSK_INLINE void splitGroupPair(float *x, size_t groupCount, size_t g, const double *coefficients,
                               int inverse, vskSplitCarry *carry)
{
    float *lowerPair = x + kGroupFloats * g;
    float *upperPair = x + kGroupFloats * (groupCount - g - 2);
    vskFloat16 lower, upper;
    __builtin_memcpy(&lower, lowerPair, sizeof lower);
    __builtin_memcpy(&upper, upperPair, sizeof upper);
    const vskFloat8 carried = {carry->re, carry->im, 0, 0, 0, 0, 0, 0};
    /* Lane i holds the mirror n - 4g - i of bin 4g + i. */
    const vskDouble8 g8 = vskWiden8(__builtin_shufflevector(carried, __builtin_shufflevector(upper, upper, 0, 1, 2, 3, 8, 9, 10, 11), 0, 15, 14, 13, 12, 11, 10, 9));
    const vskDouble8 c8 = vskWiden8(__builtin_shufflevector(carried, __builtin_shufflevector(upper, upper, 4, 5, 6, 7, 12, 13, 14, 15), 1, 15, 14, 13, 12, 11, 10, 9));
    carry->re = upper[0];
    carry->im = upper[4];
    const vskDouble8 e8 = vskWiden8(__builtin_shufflevector(lower, lower, 0, 1, 2, 3, 8, 9, 10, 11));
    const vskDouble8 d8 = vskWiden8(__builtin_shufflevector(lower, lower, 4, 5, 6, 7, 12, 13, 14, 15));
    vskDouble16 groups;
    __builtin_memcpy(&groups, coefficients + VSK_SPLIT_GROUP_DOUBLES * g, sizeof groups);
    const vskDouble8 a8 = __builtin_shufflevector(groups, groups, 0, 1, 2, 3, 8, 9, 10, 11);
    const vskDouble8 b8 = __builtin_shufflevector(groups, groups, 4, 5, 6, 7, 12, 13, 14, 15);
    vskDouble8 lowerRe, lowerIm, upperRe, upperIm;
    if (!inverse)
        VSK_FORWARD_SPLIT(vskDouble8, e8, d8, g8, c8, a8, b8, lowerRe, lowerIm, upperRe, upperIm);
    else
        VSK_INVERSE_SPLIT(vskDouble8, e8, d8, g8, c8, a8, b8, lowerRe, lowerIm, upperRe, upperIm);
    const vskFloat8 lr = __builtin_convertvector(lowerRe, vskFloat8);
    const vskFloat8 li = __builtin_convertvector(lowerIm, vskFloat8);
    const vskFloat8 ur = __builtin_convertvector(upperRe, vskFloat8);
    const vskFloat8 ui = __builtin_convertvector(upperIm, vskFloat8);
    const vskFloat16 lowerBins =
        __builtin_shufflevector(lr, li, 0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15);
    /* Ascending bins n - 4g - 7 .. n - 4g are lanes 7 .. 0. */
    const vskFloat16 upperBins =
        __builtin_shufflevector(ur, ui, 7, 15, 6, 14, 5, 13, 4, 12, 3, 11, 2, 10, 1, 9, 0, 8);
    __builtin_memcpy(lowerPair, &lowerBins, sizeof lowerBins);
    __builtin_memcpy(upperPair + 2, &upperBins, sizeof upperBins);
}

/* The same from planar groups (see vskComplexFft), n >= 16, writing interleaved bins. Step g
 * does bins 4g .. 4g+3 (group g) and their mirrors; the step before loads the first of those
 * mirrors (`carry`) before its own stores cover that point. Bins 0 .. 3 and their mirrors,
 * whose first step has no such carry, are done one at a time; the carry left at the end holds
 * the centre bin. With `wide`, from group 2 on two groups go in one step. */
VSK_INLINE void realSplitPlanarBody(float *x, size_t n, const vskCplxF *split, int inverse,
                                    int wide)
{
    const size_t groupCount = n / VSK_LANES;
    float *last = x + kGroupFloats * (groupCount - 1);
    float first[kGroupFloats], end[kGroupFloats];
    __builtin_memcpy(first, x, sizeof first);
    __builtin_memcpy(end, last, sizeof end);
    vskSplitCarry carry = {end[0], end[VSK_LANES]};
    const double *coefficients = vskSplitCoefficients(split);
    float bins[kGroupFloats], mirrors[kGroupFloats];
    for (size_t k = 1; k < VSK_LANES; ++k) {
        bins[2 * k] = first[k];
        bins[2 * k + 1] = first[VSK_LANES + k];
        mirrors[2 * (VSK_LANES - k)] = end[VSK_LANES - k];
        mirrors[2 * (VSK_LANES - k) + 1] = end[kGroupFloats - k];
        splitBinPair(bins + 2 * k, mirrors + 2 * (VSK_LANES - k), coefficients, k, inverse);
    }
    const double u = first[0], v = first[VSK_LANES];
    bins[0] = (float)(u + v);
    bins[1] = 0.0f;
    __builtin_memcpy(x, bins, sizeof bins);
    __builtin_memcpy(last + 2, mirrors + 2, sizeof mirrors - 2 * sizeof(float));
    x[2 * n] = (float)(u - v);
    x[2 * n + 1] = 0.0f;

    size_t g = 1;
    if (wide) {
        /* groupCount / 2 - 1 steps, an odd count: one on its own, then pairs. */
        if (g < groupCount / 2)
            splitGroup(x, groupCount, g++, coefficients, inverse, &carry);
        for (; g + 1 < groupCount / 2; g += 2)
            splitGroupPair(x, groupCount, g, coefficients, inverse, &carry);
    }
    for (; g < groupCount / 2; ++g)
        splitGroup(x, groupCount, g, coefficients, inverse, &carry);
    /* The centre bin n/2 starts the group the last step loaded. */
    x[n] = carry.re;
    x[n + 1] = inverse ? carry.im : -carry.im;
}

VSK_CLONES static void realSplitPlanar(float *x, size_t n, const vskCplxF *split, int inverse)
{
    realSplitPlanarBody(x, n, split, inverse, 0);
}

#if VSK_HAVE_WIDE_TARGET
VSK_WIDE_TARGET static void realSplitPlanarWide(float *x, size_t n, const vskCplxF *split,
                                                int inverse)
{
    realSplitPlanarBody(x, n, split, inverse, 1);
}
#endif

static void realFft(float *x, int32_t order, const vskFftTables *tables, int32_t flags)
{
    if (order == 0) {
        x[1] = 0.0f;
        return;
    }
    const int inverse = (flags & VSK_FFT_INVERSE) != 0;
    const int m = order - 1;
    const size_t n = (size_t)1 << m;
    if (m >= 1)
        vskComplexFft(x, m, tables, inverse, 1);
    if (vskFftLeavesPlanar(m, 1)) {
#if VSK_HAVE_WIDE_TARGET
        if (vskHasWideVectors())
            realSplitPlanarWide(x, n, tables->split, inverse);
        else
#endif
            realSplitPlanar(x, n, tables->split, inverse);
    } else {
        const double u = x[0], v = x[1];
        x[0] = (float)(u + v);
        x[1] = 0.0f;
        realSplitInterleaved(x, n, tables->split, inverse);
        x[2 * n] = (float)(u - v);
        x[2 * n + 1] = 0.0f;
    }
    if (wantsScaling(flags))
        scaleByInverseLength(x, 2 * n + 2, order);
}

/* Folds the half spectrum into the n-point complex sequence whose transform interleaves the
 * even and odd output samples; `roots` are W_N^j of the full length N = 2n. */
static void ccsSplit(float *x, size_t n, const vskCplxF *roots, int inverse)
{
    for (size_t j = 1; j < n / 2; ++j) {
        float *lower = x + 2 * j;
        float *upper = x + 2 * (n - j);
        const double d = lower[0], f = lower[1];
        const double e = upper[0], g = upper[1];
        const double tr = roots[j].re, ti = roots[j].im;
        double h, w;
        if (!inverse) {
            h = (d - e) * tr - (f + g) * ti;
            w = -(d - e) * ti - (f + g) * tr;
        } else {
            h = (f + g) * ti + (d - e) * tr;
            w = (d - e) * ti - (f + g) * tr;
        }
        lower[0] = (float)(d + e + w);
        lower[1] = (float)((f - g) + h);
        upper[0] = (float)(d + e - w);
        upper[1] = (float)(h - (f - g));
    }
    float *centre = x + n;
    centre[0] = 2.0f * centre[0];
    centre[1] = inverse ? -2.0f * centre[1] : 2.0f * centre[1];
}

static void ccsFft(float *x, int32_t order, const vskFftTables *tables, int32_t flags)
{
    if (order == 0)
        return;
    const int inverse = (flags & VSK_FFT_INVERSE) != 0;
    const size_t length = (size_t)1 << order;
    const size_t n = length / 2;
    const double sum = (double)x[0] + (double)x[length];
    const double difference = (double)x[0] - (double)x[length];
    if (order >= kFirstTabledOrder)
        ccsSplit(x, n, tables->split, inverse);
    x[0] = (float)sum;
    x[1] = (float)difference;
    if (order >= kFirstTabledOrder)
        vskComplexFft(x, order - 1, tables, inverse, 0);
    if (wantsScaling(flags))
        scaleByInverseLength(x, length, order);
}

SIGCORE_API void vsksRealFft(float *samps, int32_t order, int32_t flags)
{
    vskFftTables tables = {0};
    if (prepareTransform(&tables, kRealTransform, samps, order, flags, "vsksRealFft"))
        realFft(samps, order, &tables, flags);
}

SIGCORE_API void vsksCcsFft(float *samps, int32_t order, int32_t flags)
{
    vskFftTables tables = {0};
    if (prepareTransform(&tables, kCcsTransform, samps, order, flags, "vsksCcsFft"))
        ccsFft(samps, order, &tables, flags);
}
