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

/* Unpacks the n-point complex transform of the even/odd pairs into bins 1 .. n - 1 of the real
 * transform, two mirrored bins per step: four lower bins in order and the four mirrored upper
 * ones (read backwards) per vector step while they do not meet, then one pair at a time. */
VSK_CLONES static void realSplit(float *x, size_t n, const vskCplxF *split, int inverse)
{
    const float *coefficients = (const float *)split;
    size_t k = 1;
    for (; k + VSK_LANES <= n / 2; k += VSK_LANES) {
        float *lower = x + 2 * k;
        float *upper = x + 2 * (n - k - (VSK_LANES - 1));
        vskDouble4 e, d, g, c, a, b, lowerRe, lowerIm, upperRe, upperIm;
        vskLoadPairs(lower, 0, &e, &d);
        vskLoadPairs(upper, 1, &g, &c);
        vskLoadPairs(coefficients + 2 * (k - 1), 0, &a, &b);
        if (!inverse)
            VSK_FORWARD_SPLIT(vskDouble4, e, d, g, c, a, b, lowerRe, lowerIm, upperRe, upperIm);
        else
            VSK_INVERSE_SPLIT(vskDouble4, e, d, g, c, a, b, lowerRe, lowerIm, upperRe, upperIm);
        vskStorePairs(lower, 0, lowerRe, lowerIm);
        vskStorePairs(upper, 1, upperRe, upperIm);
    }
    for (; k < n / 2; ++k) {
        float *lower = x + 2 * k;
        float *upper = x + 2 * (n - k);
        const double e = lower[0], d = lower[1], g = upper[0], c = upper[1];
        const double a = split[k - 1].re, b = split[k - 1].im;
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
    if (n >= 2 && !inverse)
        x[n + 1] = -x[n + 1];
}

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
        vskComplexFft(x, m, tables, inverse);
    const double u = x[0], v = x[1];
    x[0] = (float)(u + v);
    x[1] = 0.0f;
    realSplit(x, n, tables->split, inverse);
    x[2 * n] = (float)(u - v);
    x[2 * n + 1] = 0.0f;
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
        vskComplexFft(x, order - 1, tables, inverse);
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
