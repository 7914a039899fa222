/* Complex FFT kernel: blocked bit reversal, then decimation-in-time radix-4 passes in double precision. */
#include "vskfftkernel.h"
#include "vskfftvec.h"
#include "vsktables.h"

#include <stddef.h>

enum {
    /* Bit reversal moves tiles of 16 x 16 complex points: each row is two cache lines. */
    kTileBits = 4,
    kTileSide = 1 << kTileBits,
    kTilePoints = kTileSide * kTileSide,
    /* Sub-blocks of a large transform that run entirely on the order-10 radix-4 table. */
    kSubBlockPoints = 1 << VSK_RADIX4_MAX_ORDER,
    kBlockPoints = 1 << VSK_BLOCK_ORDER
};

static const double kHalfSqrt2 = 0.70710678118654752440084436210485;

/* The bit reversal of 0..15 over four bits. */
static const uint8_t kNibbleReversal[kTileSide] = {0, 8, 4, 12, 2, 10, 6, 14,
                                                   1, 9, 5, 13, 3, 11, 7, 15};

/* ---- bit reversal ---- */

static void swapPoints(float *z, size_t a, size_t b)
{
    const float re = z[2 * a], im = z[2 * a + 1];
    z[2 * a] = z[2 * b];
    z[2 * a + 1] = z[2 * b + 1];
    z[2 * b] = re;
    z[2 * b + 1] = im;
}

/* Reversal of an m-bit index from its low two bits and the table of (m-2)-bit reversals. */
static size_t reverseIndex(size_t i, int m, const int32_t *reversals)
{
    static const size_t kTwoBitReversal[4] = {0, 2, 1, 3};
    return (kTwoBitReversal[i & 3] << (m - 2)) | (size_t)reversals[i >> 2];
}

static void bitReverseDirect(float *z, int m, const int32_t *reversals)
{
    const size_t n = (size_t)1 << m;
    for (size_t i = 0; i < n; ++i) {
        const size_t r = reverseIndex(i, m, reversals);
        if (i < r)
            swapPoints(z, i, r);
    }
}

/* An index is (high nibble, middle bits, low nibble); its reversal is (reversed low nibble,
 * reversed middle, reversed high nibble). All points sharing one middle value form a tile that
 * maps onto the tile of the reversed middle value, so tiles are swapped through a small buffer
 * with rows of 16 contiguous points instead of touching memory one scattered point at a time. */
/* A point moves as one 8-byte unit. */
typedef uint64_t vskPointBits;

static void loadTile(vskPointBits *tile, const float *z, size_t rowStride, size_t middle)
{
    for (size_t high = 0; high < kTileSide; ++high) {
        const float *row = z + 2 * (high * rowStride + middle * kTileSide);
        const size_t column = kNibbleReversal[high];
        for (size_t low = 0; low < kTileSide; ++low)
            __builtin_memcpy(&tile[(size_t)kNibbleReversal[low] * kTileSide + column], row + 2 * low,
                             sizeof(vskPointBits));
    }
}

static void storeTile(float *z, const vskPointBits *tile, size_t rowStride, size_t middle)
{
    for (size_t high = 0; high < kTileSide; ++high) {
        float *row = z + 2 * (high * rowStride + middle * kTileSide);
        __builtin_memcpy(row, tile + high * kTileSide, kTileSide * sizeof(vskPointBits));
    }
}

static void bitReverseBlocked(float *z, int m, const int32_t *reversals)
{
    const size_t rowStride = (size_t)1 << (m - kTileBits);
    const size_t middleCount = (size_t)1 << (m - 2 * kTileBits);
    /* The table reverses over m - 2 bits; a middle value has m - 8 of them. */
    const int middleShift = 2 * kTileBits - 2;
    vskPointBits tileA[kTilePoints];
    vskPointBits tileB[kTilePoints];
    for (size_t middle = 0; middle < middleCount; ++middle) {
        const size_t partner = (size_t)reversals[middle] >> middleShift;
        if (partner < middle)
            continue;
        loadTile(tileA, z, rowStride, middle);
        if (partner == middle) {
            storeTile(z, tileA, rowStride, middle);
            continue;
        }
        loadTile(tileB, z, rowStride, partner);
        storeTile(z, tileB, rowStride, middle);
        storeTile(z, tileA, rowStride, partner);
    }
}

static void bitReverse(float *z, int m, const int32_t *reversals)
{
    if (m < 2)
        return;
    if (m < 2 * kTileBits)
        bitReverseDirect(z, m, reversals);
    else
        bitReverseBlocked(z, m, reversals);
}

/* ---- butterflies ---- */

/* Between the first and the last pass the points are kept in groups of four as four real parts
 * followed by four imaginary parts, so that every pass loads and stores whole vectors of real
 * and of imaginary parts without shuffling. Passes still store floats at these positions; the
 * final step restores the interleaved (re, im) order.
 *
 * The vector passes work on four consecutive points at a time (see vskfftvec.h).
 *
 * Forward passes multiply by the table roots, inverse passes by their conjugates: `conj` is
 * +1 or -1 and multiplies only imaginary parts of roots, which is exact. */
enum { kLanes = VSK_LANES, kGroupFloats = 2 * kLanes };

/* Four points of a group: real parts, then imaginary parts, widened to double. */
VSK_INLINE void loadPoints(const float *p, vskDouble4 *re,
                                                              vskDouble4 *im)
{
    vskFloat4 packedRe, packedIm;
    __builtin_memcpy(&packedRe, p, sizeof packedRe);
    __builtin_memcpy(&packedIm, p + kLanes, sizeof packedIm);
    *re = __builtin_convertvector(packedRe, vskDouble4);
    *im = __builtin_convertvector(packedIm, vskDouble4);
}

VSK_INLINE void storePoints(float *p, vskDouble4 re,
                                                               vskDouble4 im)
{
    const vskFloat4 packedRe = __builtin_convertvector(re, vskFloat4);
    const vskFloat4 packedIm = __builtin_convertvector(im, vskFloat4);
    __builtin_memcpy(p, &packedRe, sizeof packedRe);
    __builtin_memcpy(p + kLanes, &packedIm, sizeof packedIm);
}

VSK_INLINE vskDouble4 loadDoubles(const double *p)
{
    vskDouble4 values;
    __builtin_memcpy(&values, p, sizeof values);
    return values;
}

/* Four columns of four rows: out[j][i] = in[i][j]. */
VSK_INLINE void transpose4(vskFloat4 *a, vskFloat4 *b, vskFloat4 *c, vskFloat4 *d)
{
    const vskFloat4 ab0 = __builtin_shufflevector(*a, *b, 0, 4, 1, 5);
    const vskFloat4 ab1 = __builtin_shufflevector(*a, *b, 2, 6, 3, 7);
    const vskFloat4 cd0 = __builtin_shufflevector(*c, *d, 0, 4, 1, 5);
    const vskFloat4 cd1 = __builtin_shufflevector(*c, *d, 2, 6, 3, 7);
    *a = __builtin_shufflevector(ab0, cd0, 0, 1, 4, 5);
    *b = __builtin_shufflevector(ab0, cd0, 2, 3, 6, 7);
    *c = __builtin_shufflevector(ab1, cd1, 0, 1, 4, 5);
    *d = __builtin_shufflevector(ab1, cd1, 2, 3, 6, 7);
}

VSK_INLINE vskFloat4 loadFloat4(const float *p)
{
    vskFloat4 values;
    __builtin_memcpy(&values, p, sizeof values);
    return values;
}

VSK_INLINE void storeFloat4(float *p, vskFloat4 values)
{
    __builtin_memcpy(p, &values, sizeof values);
}

/* The same for transforms of four and eight points, one group at a time. */
static void firstRadix4PassShort(float *z, size_t len, double conj)
{
    for (size_t base = 0; base < len; base += kLanes) {
        float *p = z + 2 * base;
        const double x0r = p[0], x0i = p[1], x2r = p[2], x2i = p[3];
        const double x1r = p[4], x1i = p[5], x3r = p[6], x3i = p[7];
        const double ar = x0r + x2r, ai = x0i + x2i, br = x0r - x2r, bi = x0i - x2i;
        const double cr = x1r + x3r, ci = x1i + x3i;
        const double dr = conj * (x1i - x3i), di = conj * (x3r - x1r);
        p[0] = (float)(ar + cr);
        p[1] = (float)(br + dr);
        p[2] = (float)(ar - cr);
        p[3] = (float)(br - dr);
        p[4] = (float)(ai + ci);
        p[5] = (float)(bi + di);
        p[6] = (float)(ai - ci);
        p[7] = (float)(bi - di);
    }
}

/* Four-point butterflies on interleaved input (bit-reversed order: x0, x2, x1, x3), written
 * as planar groups; four groups at a time, transposed so that each lane holds one group. */
VSK_INLINE void firstRadix4Pass(float *z, size_t len, double conj)
{
    if (len < kLanes * kLanes) {
        firstRadix4PassShort(z, len, conj);
        return;
    }
    for (size_t base = 0; base < len; base += kLanes * kLanes) {
        float *p = z + 2 * base;
        vskFloat4 x0r = loadFloat4(p), x0i = loadFloat4(p + 8), x2r = loadFloat4(p + 16),
                  x2i = loadFloat4(p + 24);
        vskFloat4 x1r = loadFloat4(p + 4), x1i = loadFloat4(p + 12), x3r = loadFloat4(p + 20),
                  x3i = loadFloat4(p + 28);
        transpose4(&x0r, &x0i, &x2r, &x2i);
        transpose4(&x1r, &x1i, &x3r, &x3i);
        const vskDouble4 ar = __builtin_convertvector(x0r, vskDouble4) + __builtin_convertvector(x2r, vskDouble4);
        const vskDouble4 ai = __builtin_convertvector(x0i, vskDouble4) + __builtin_convertvector(x2i, vskDouble4);
        const vskDouble4 br = __builtin_convertvector(x0r, vskDouble4) - __builtin_convertvector(x2r, vskDouble4);
        const vskDouble4 bi = __builtin_convertvector(x0i, vskDouble4) - __builtin_convertvector(x2i, vskDouble4);
        const vskDouble4 cr = __builtin_convertvector(x1r, vskDouble4) + __builtin_convertvector(x3r, vskDouble4);
        const vskDouble4 ci = __builtin_convertvector(x1i, vskDouble4) + __builtin_convertvector(x3i, vskDouble4);
        /* (x1 - x3) times the quarter turn -i (forward) or +i (inverse). */
        const vskDouble4 dr = conj * (__builtin_convertvector(x1i, vskDouble4) - __builtin_convertvector(x3i, vskDouble4));
        const vskDouble4 di = conj * (__builtin_convertvector(x3r, vskDouble4) - __builtin_convertvector(x1r, vskDouble4));
        vskFloat4 y0r = __builtin_convertvector(ar + cr, vskFloat4);
        vskFloat4 y1r = __builtin_convertvector(br + dr, vskFloat4);
        vskFloat4 y2r = __builtin_convertvector(ar - cr, vskFloat4);
        vskFloat4 y3r = __builtin_convertvector(br - dr, vskFloat4);
        vskFloat4 y0i = __builtin_convertvector(ai + ci, vskFloat4);
        vskFloat4 y1i = __builtin_convertvector(bi + di, vskFloat4);
        vskFloat4 y2i = __builtin_convertvector(ai - ci, vskFloat4);
        vskFloat4 y3i = __builtin_convertvector(bi - di, vskFloat4);
        transpose4(&y0r, &y1r, &y2r, &y3r);
        transpose4(&y0i, &y1i, &y2i, &y3i);
        storeFloat4(p, y0r);
        storeFloat4(p + 4, y0i);
        storeFloat4(p + 8, y1r);
        storeFloat4(p + 12, y1i);
        storeFloat4(p + 16, y2r);
        storeFloat4(p + 20, y2i);
        storeFloat4(p + 24, y3r);
        storeFloat4(p + 28, y3i);
    }
}

/* Radix-2 pass over groups of eight (two planar groups) with the constant roots W_8^k. */
VSK_INLINE void radix2EightPass(float *z, size_t len, double conj)
{
    const vskDouble4 wr = {1.0, kHalfSqrt2, 0.0, -kHalfSqrt2};
    const vskDouble4 wi = conj * (vskDouble4){0.0, -kHalfSqrt2, -1.0, -kHalfSqrt2};
    for (size_t base = 0; base < len; base += 2 * kLanes) {
        float *lower = z + 2 * base;
        float *upper = lower + kGroupFloats;
        vskDouble4 ur, ui, lr, li;
        loadPoints(upper, &ur, &ui);
        loadPoints(lower, &lr, &li);
        const vskDouble4 tr = wr * ur - wi * ui, ti = wr * ui + wi * ur;
        storePoints(lower, lr + tr, li + ti);
        storePoints(upper, lr - tr, li - ti);
    }
}

/* Back from planar groups to interleaved (re, im) points. */
VSK_CLONES static void interleaveGroups(float *z, size_t len)
{
    for (size_t base = 0; base < len; base += kLanes) {
        float *p = z + 2 * base;
        vskFloat4 re, im;
        __builtin_memcpy(&re, p, sizeof re);
        __builtin_memcpy(&im, p + kLanes, sizeof im);
        const vskFloat4 low = __builtin_shufflevector(re, im, 0, 4, 1, 5);
        const vskFloat4 high = __builtin_shufflevector(re, im, 2, 6, 3, 7);
        __builtin_memcpy(p, &low, sizeof low);
        __builtin_memcpy(p + kLanes, &high, sizeof high);
    }
}

/* One radix-4 DIT step on points k .. k+3 of the four quarters. q1 holds the residue-2 and q2
 * the residue-1 subsequence (bit-reversed order): t1 = w1 q2, t2 = w2 q1, t3 = w3 q3. */
VSK_INLINE void radix4Step(
    float *p0, float *p1, float *p2, float *p3, vskDouble4 w1r, vskDouble4 w1i, vskDouble4 w2r,
    vskDouble4 w2i, vskDouble4 w3r, vskDouble4 w3i, double conj)
{
    vskDouble4 q0r, q0i, q1r, q1i, q2r, q2i, q3r, q3i;
    loadPoints(p0, &q0r, &q0i);
    loadPoints(p1, &q1r, &q1i);
    loadPoints(p2, &q2r, &q2i);
    loadPoints(p3, &q3r, &q3i);
    w1i *= conj;
    w2i *= conj;
    w3i *= conj;
    const vskDouble4 t1r = w1r * q2r - w1i * q2i, t1i = w1r * q2i + w1i * q2r;
    const vskDouble4 t2r = w2r * q1r - w2i * q1i, t2i = w2r * q1i + w2i * q1r;
    const vskDouble4 t3r = w3r * q3r - w3i * q3i, t3i = w3r * q3i + w3i * q3r;
    const vskDouble4 ar = q0r + t2r, ai = q0i + t2i;
    const vskDouble4 br = q0r - t2r, bi = q0i - t2i;
    const vskDouble4 cr = t1r + t3r, ci = t1i + t3i;
    /* (t1 - t3) times the quarter turn -i (forward) or +i (inverse). */
    const vskDouble4 dr = conj * (t1i - t3i), di = conj * (t3r - t1r);
    storePoints(p0, ar + cr, ai + ci);
    storePoints(p2, ar - cr, ai - ci);
    storePoints(p1, br + dr, bi + di);
    storePoints(p3, br - dr, bi - di);
}

/* Radix-4 pass of length passLen (at least 16) with its twiddle rows (see
 * vskRadix4PassTwiddles). */
VSK_INLINE void radix4TriplePass(float *z, size_t len, size_t passLen, const double *rows,
                                 double conj)
{
    const size_t quarter = passLen / 4;
    for (size_t base = 0; base < len; base += passLen) {
        float *p0 = z + 2 * base;
        for (size_t k = 0; k < quarter; k += kLanes) {
            float *p = p0 + 2 * k;
            radix4Step(p, p + 2 * quarter, p + 4 * quarter, p + 6 * quarter,
                       loadDoubles(rows + k), loadDoubles(rows + quarter + k),
                       loadDoubles(rows + 2 * quarter + k), loadDoubles(rows + 3 * quarter + k),
                       loadDoubles(rows + 4 * quarter + k), loadDoubles(rows + 5 * quarter + k),
                       conj);
        }
    }
}

/* Roots W^(first + j laneStep), j = 0 .. 3, of an interleaved root table, as double vectors. */
VSK_INLINE void gatherRoots(const float *roots, size_t first,
                                                               size_t laneStep, vskDouble4 *re,
                                                               vskDouble4 *im)
{
    const float *r0 = roots + 2 * first;
    if (laneStep == 1) {
        vskLoadInterleaved(r0, re, im);
        return;
    }
    const size_t step = 2 * laneStep;
    *re = (vskDouble4){r0[0], r0[step], r0[2 * step], r0[3 * step]};
    *im = (vskDouble4){r0[1], r0[step + 1], r0[2 * step + 1], r0[3 * step + 1]};
}

/* Radix-4 pass reading W_L^k and W_L^2k from a root table at the given stride; the third
 * twiddle is their product, formed in double precision. */
VSK_INLINE void radix4RootPass(float *z, size_t len,
                                                                  size_t passLen,
                                                                  const vskCplxF *roots,
                                                                  size_t stride, double conj)
{
    const size_t quarter = passLen / 4;
    const float *r = (const float *)roots;
    for (size_t base = 0; base < len; base += passLen) {
        float *p0 = z + 2 * base;
        for (size_t k = 0; k < quarter; k += kLanes) {
            vskDouble4 w1r, w1i, w2r, w2i;
            gatherRoots(r, k * stride, stride, &w1r, &w1i);
            gatherRoots(r, 2 * k * stride, 2 * stride, &w2r, &w2i);
            const vskDouble4 w3r = w1r * w2r - w1i * w2i, w3i = w1r * w2i + w1i * w2r;
            float *p = p0 + 2 * k;
            radix4Step(p, p + 2 * quarter, p + 4 * quarter, p + 6 * quarter, w1r, w1i, w2r, w2i,
                       w3r, w3i, conj);
        }
    }
}

/* Radix-2 pass reading W_L^k from a root table at the given stride. */
VSK_INLINE void radix2RootPass(float *z, size_t len,
                                                                  size_t passLen,
                                                                  const vskCplxF *roots,
                                                                  size_t stride, double conj)
{
    const size_t half = passLen / 2;
    const float *r = (const float *)roots;
    for (size_t base = 0; base < len; base += passLen) {
        float *lower = z + 2 * base;
        float *upper = lower + 2 * half;
        for (size_t k = 0; k < half; k += kLanes) {
            vskDouble4 wr, wi, ur, ui, lr, li;
            gatherRoots(r, k * stride, stride, &wr, &wi);
            wi *= conj;
            loadPoints(upper + 2 * k, &ur, &ui);
            loadPoints(lower + 2 * k, &lr, &li);
            const vskDouble4 tr = wr * ur - wi * ui, ti = wr * ui + wi * ur;
            storePoints(lower + 2 * k, lr + tr, li + ti);
            storePoints(upper + 2 * k, lr - tr, li - ti);
        }
    }
}

/* ---- pass schedules ---- */

/* A whole transform of 2^m <= 1024 points on the Radix4Table of order m. */
VSK_INLINE void smallKernel(float *z, int m,
                                                               const vskCplxF *radix4,
                                                               double conj)
{
    const size_t n = (size_t)1 << m;
    if (m == 1) {
        const float re = z[0], im = z[1];
        z[0] = (float)((double)re + z[2]);
        z[1] = (float)((double)im + z[3]);
        z[2] = (float)((double)re - z[2]);
        z[3] = (float)((double)im - z[3]);
        return;
    }
    firstRadix4Pass(z, n, conj);
    if (m % 2 == 1)
        radix2EightPass(z, n, conj);
    for (int p = vskRadix4FirstPassOrder(m); p <= m; p += 2)
        radix4TriplePass(z, n, (size_t)1 << p, vskRadix4PassTwiddles(radix4, m, p), conj);
}

/* Combines transforms of 2^fromOrder points into transforms of 2^toOrder points over len
 * points, with roots W_R^i (R = 2^rootsOrder) read at the stride each pass length needs. An odd
 * number of doublings starts with one radix-2 pass. */
VSK_INLINE void combine(float *z, size_t len, int fromOrder,
                                                           int toOrder, const vskCplxF *roots,
                                                           int rootsOrder, double conj)
{
    int order = fromOrder;
    if ((toOrder - fromOrder) % 2 == 1) {
        ++order;
        radix2RootPass(z, len, (size_t)1 << order, roots, (size_t)1 << (rootsOrder - order), conj);
    }
    while (order < toOrder) {
        order += 2;
        radix4RootPass(z, len, (size_t)1 << order, roots, (size_t)1 << (rootsOrder - order), conj);
    }
}

/* Above 1024 points: 1024-point sub-blocks inside 16384-point blocks, so that each stage of
 * passes works on data that stays in cache; the blocks are then combined up to n points. */
VSK_INLINE void largeKernel(float *z, int m,
                                                               const vskFftTables *tables,
                                                               double conj)
{
    const size_t n = (size_t)1 << m;
    const int blockOrder = (m < VSK_BLOCK_ORDER) ? m : VSK_BLOCK_ORDER;
    const size_t blockLen = (size_t)1 << blockOrder;
    /* Blocks of a transform of 2^15 points and up read the compact roots of 16384 points. */
    const int hasBlockRoots = m >= VSK_BLOCK_ORDER + 1;
    const vskCplxF *blockRoots = hasBlockRoots ? tables->roots + n / 2 : tables->roots;
    const int blockRootsOrder = hasBlockRoots ? VSK_BLOCK_ORDER : m;
    for (size_t block = 0; block < n; block += blockLen) {
        float *blockData = z + 2 * block;
        for (size_t sub = blockLen; sub > 0; sub -= kSubBlockPoints)
            smallKernel(blockData + 2 * (sub - kSubBlockPoints), VSK_RADIX4_MAX_ORDER,
                        tables->radix4, conj);
        combine(blockData, blockLen, VSK_RADIX4_MAX_ORDER, blockOrder, blockRoots,
                blockRootsOrder, conj);
    }
    if (m > VSK_BLOCK_ORDER)
        combine(z, n, VSK_BLOCK_ORDER, m, tables->roots, m, conj);
}

/* Direction as a compile-time constant in each instance, so the sign folds away. */
VSK_CLONES static void forwardKernel(float *z, int m, const vskFftTables *tables)
{
    if (m <= VSK_RADIX4_MAX_ORDER)
        smallKernel(z, m, tables->radix4, 1.0);
    else
        largeKernel(z, m, tables, 1.0);
}

VSK_CLONES static void inverseKernel(float *z, int m, const vskFftTables *tables)
{
    if (m <= VSK_RADIX4_MAX_ORDER)
        smallKernel(z, m, tables->radix4, -1.0);
    else
        largeKernel(z, m, tables, -1.0);
}

void vskComplexFft(float *z, int m, const vskFftTables *tables, int inverse)
{
    bitReverse(z, m, tables->bitRev);
    if (inverse)
        inverseKernel(z, m, tables);
    else
        forwardKernel(z, m, tables);
    if (m >= 2)
        interleaveGroups(z, (size_t)1 << m);
}
