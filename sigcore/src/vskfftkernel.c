/* Complex FFT kernel: blocked bit reversal fused with the first pass, then decimation-in-time radix-4 passes in double precision. */
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
    kSubBlockPoints = 1 << VSK_RADIX4_MAX_ORDER
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
enum {
    kLanes = VSK_LANES,
    kGroupFloats = 2 * kLanes
};

/* Four points of a group: real parts, then imaginary parts, widened to double. */
VSK_INLINE void loadPoints(const float *p, vskDouble4 *re,
                                                              vskDouble4 *im)
{
    vskFloat4 packedRe, packedIm;
    __builtin_memcpy(&packedRe, p, sizeof packedRe);
    __builtin_memcpy(&packedIm, p + kLanes, sizeof packedIm);
    *re = vskWiden(packedRe);
    *im = vskWiden(packedIm);
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

/* Four-point butterflies on sixteen interleaved points (bit-reversed order: x0, x2, x1, x3
 * in each group of four) read from src, written to p as four planar groups; transposed so that
 * each lane holds one group. src may be p. */
VSK_INLINE void firstRadix4Sixteen(float *p, const float *src, double conj)
{
    {
        vskFloat4 x0r = vskLoadFloat4(src), x0i = vskLoadFloat4(src + 8), x2r = vskLoadFloat4(src + 16),
                  x2i = vskLoadFloat4(src + 24);
        vskFloat4 x1r = vskLoadFloat4(src + 4), x1i = vskLoadFloat4(src + 12), x3r = vskLoadFloat4(src + 20),
                  x3i = vskLoadFloat4(src + 28);
        transpose4(&x0r, &x0i, &x2r, &x2i);
        transpose4(&x1r, &x1i, &x3r, &x3i);
        const vskDouble4 ar = vskWiden(x0r) + vskWiden(x2r);
        const vskDouble4 ai = vskWiden(x0i) + vskWiden(x2i);
        const vskDouble4 br = vskWiden(x0r) - vskWiden(x2r);
        const vskDouble4 bi = vskWiden(x0i) - vskWiden(x2i);
        const vskDouble4 cr = vskWiden(x1r) + vskWiden(x3r);
        const vskDouble4 ci = vskWiden(x1i) + vskWiden(x3i);
        /* (x1 - x3) times the quarter turn -i (forward) or +i (inverse). */
        const vskDouble4 dr = conj * (vskWiden(x1i) - vskWiden(x3i));
        const vskDouble4 di = conj * (vskWiden(x3r) - vskWiden(x1r));
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
        vskStoreFloat4(p, y0r);
        vskStoreFloat4(p + 4, y0i);
        vskStoreFloat4(p + 8, y1r);
        vskStoreFloat4(p + 12, y1i);
        vskStoreFloat4(p + 16, y2r);
        vskStoreFloat4(p + 20, y2i);
        vskStoreFloat4(p + 24, y3r);
        vskStoreFloat4(p + 28, y3i);
    }
}

/* Four columns of four rows in each half: the transpose4 of the two halves at once. */
VSK_INLINE void transpose4Pair(vskFloat8 *a, vskFloat8 *b, vskFloat8 *c, vskFloat8 *d)
{
    const vskFloat8 ab0 = __builtin_shufflevector(*a, *b, 0, 8, 1, 9, 4, 12, 5, 13);
    const vskFloat8 ab1 = __builtin_shufflevector(*a, *b, 2, 10, 3, 11, 6, 14, 7, 15);
    const vskFloat8 cd0 = __builtin_shufflevector(*c, *d, 0, 8, 1, 9, 4, 12, 5, 13);
    const vskFloat8 cd1 = __builtin_shufflevector(*c, *d, 2, 10, 3, 11, 6, 14, 7, 15);
    *a = __builtin_shufflevector(ab0, cd0, 0, 1, 8, 9, 4, 5, 12, 13);
    *b = __builtin_shufflevector(ab0, cd0, 2, 3, 10, 11, 6, 7, 14, 15);
    *c = __builtin_shufflevector(ab1, cd1, 0, 1, 8, 9, 4, 5, 12, 13);
    *d = __builtin_shufflevector(ab1, cd1, 2, 3, 10, 11, 6, 7, 14, 15);
}

/* Four floats of each of two rows as one vector: the first row's in the low half. */
VSK_INLINE vskFloat8 loadRowPair(const float *first, const float *second)
{
    return __builtin_shufflevector(vskLoadFloat4(first), vskLoadFloat4(second), 0, 1, 2, 3, 4, 5, 6, 7);
}

VSK_INLINE void storeRowPair(float *first, float *second, vskFloat8 values)
{
    vskStoreFloat4(first, __builtin_shufflevector(values, values, 0, 1, 2, 3));
    vskStoreFloat4(second, __builtin_shufflevector(values, values, 4, 5, 6, 7));
}

/* firstRadix4Sixteen on two rows of sixteen points at once, on eight lanes. */
VSK_INLINE void firstRadix4SixteenPair(float *p, float *q, const float *src, const float *srcQ,
                                       double conj)
{
    vskFloat8 x0r = loadRowPair(src, srcQ), x0i = loadRowPair(src + 8, srcQ + 8);
    vskFloat8 x2r = loadRowPair(src + 16, srcQ + 16), x2i = loadRowPair(src + 24, srcQ + 24);
    vskFloat8 x1r = loadRowPair(src + 4, srcQ + 4), x1i = loadRowPair(src + 12, srcQ + 12);
    vskFloat8 x3r = loadRowPair(src + 20, srcQ + 20), x3i = loadRowPair(src + 28, srcQ + 28);
    transpose4Pair(&x0r, &x0i, &x2r, &x2i);
    transpose4Pair(&x1r, &x1i, &x3r, &x3i);
    const vskDouble8 ar = vskWiden8(x0r) + vskWiden8(x2r);
    const vskDouble8 ai = vskWiden8(x0i) + vskWiden8(x2i);
    const vskDouble8 br = vskWiden8(x0r) - vskWiden8(x2r);
    const vskDouble8 bi = vskWiden8(x0i) - vskWiden8(x2i);
    const vskDouble8 cr = vskWiden8(x1r) + vskWiden8(x3r);
    const vskDouble8 ci = vskWiden8(x1i) + vskWiden8(x3i);
    const vskDouble8 dr = conj * (vskWiden8(x1i) - vskWiden8(x3i));
    const vskDouble8 di = conj * (vskWiden8(x3r) - vskWiden8(x1r));
    vskFloat8 y0r = __builtin_convertvector(ar + cr, vskFloat8);
    vskFloat8 y1r = __builtin_convertvector(br + dr, vskFloat8);
    vskFloat8 y2r = __builtin_convertvector(ar - cr, vskFloat8);
    vskFloat8 y3r = __builtin_convertvector(br - dr, vskFloat8);
    vskFloat8 y0i = __builtin_convertvector(ai + ci, vskFloat8);
    vskFloat8 y1i = __builtin_convertvector(bi + di, vskFloat8);
    vskFloat8 y2i = __builtin_convertvector(ai - ci, vskFloat8);
    vskFloat8 y3i = __builtin_convertvector(bi - di, vskFloat8);
    transpose4Pair(&y0r, &y1r, &y2r, &y3r);
    transpose4Pair(&y0i, &y1i, &y2i, &y3i);
    storeRowPair(p, q, y0r);
    storeRowPair(p + 4, q + 4, y0i);
    storeRowPair(p + 8, q + 8, y1r);
    storeRowPair(p + 12, q + 12, y1i);
    storeRowPair(p + 16, q + 16, y2r);
    storeRowPair(p + 20, q + 20, y2i);
    storeRowPair(p + 24, q + 24, y3r);
    storeRowPair(p + 28, q + 28, y3i);
}

/* The first pass over the whole transform, in place. */
VSK_INLINE void firstRadix4Pass(float *z, size_t len, double conj)
{
    if (len < kLanes * kLanes) {
        firstRadix4PassShort(z, len, conj);
        return;
    }
    for (size_t base = 0; base < len; base += kLanes * kLanes)
        firstRadix4Sixteen(z + 2 * base, z + 2 * base, conj);
}

/* An index is (high nibble, middle bits, low nibble); its reversal is (reversed low nibble,
 * reversed middle, reversed high nibble). All points sharing one middle value form a tile that
 * maps onto the tile of the reversed middle value, so tiles are swapped through a small buffer
 * with rows of 16 contiguous points instead of touching memory one scattered point at a time. */
/* A point (two floats) moves as one 8-byte unit. */
typedef uint64_t vskPointBits;

static void loadTile(float *tile, const float *z, size_t rowStride, size_t middle)
{
    for (size_t high = 0; high < kTileSide; ++high) {
        const float *row = z + 2 * (high * rowStride + middle * kTileSide);
        const size_t column = kNibbleReversal[high];
        for (size_t low = 0; low < kTileSide; ++low)
            __builtin_memcpy(&tile[2 * ((size_t)kNibbleReversal[low] * kTileSide + column)],
                             row + 2 * low, sizeof(vskPointBits));
    }
}

/* Each tile row is sixteen points that the first pass combines on their own, so the pass runs
 * here on the way out of the buffer instead of sweeping the data once more. */
VSK_INLINE void storeTileWithFirstPass(float *z, const float *tile, size_t rowStride,
                                       size_t middle, double conj, int wide)
{
    if (wide) {
        for (size_t high = 0; high < kTileSide; high += 2) {
            float *row = z + 2 * (high * rowStride + middle * kTileSide);
            const float *source = tile + 2 * high * kTileSide;
            firstRadix4SixteenPair(row, row + 2 * rowStride, source, source + 2 * kTileSide, conj);
        }
        return;
    }
    for (size_t high = 0; high < kTileSide; ++high) {
        float *row = z + 2 * (high * rowStride + middle * kTileSide);
        firstRadix4Sixteen(row, tile + 2 * high * kTileSide, conj);
    }
}

VSK_INLINE void bitReverseWithFirstPass(float *z, int m, const int32_t *reversals, double conj,
                                        int wide)
{
    const size_t rowStride = (size_t)1 << (m - kTileBits);
    const size_t middleCount = (size_t)1 << (m - 2 * kTileBits);
    /* The table reverses over m - 2 bits; a middle value has m - 8 of them. */
    const int middleShift = 2 * kTileBits - 2;
    float tileA[2 * kTilePoints];
    float tileB[2 * kTilePoints];
    for (size_t middle = 0; middle < middleCount; ++middle) {
        const size_t partner = (size_t)reversals[middle] >> middleShift;
        if (partner < middle)
            continue;
        loadTile(tileA, z, rowStride, middle);
        if (partner == middle) {
            storeTileWithFirstPass(z, tileA, rowStride, middle, conj, wide);
            continue;
        }
        loadTile(tileB, z, rowStride, partner);
        storeTileWithFirstPass(z, tileB, rowStride, middle, conj, wide);
        storeTileWithFirstPass(z, tileA, rowStride, partner, conj, wide);
    }
}

/* Bit reversal followed by the first pass (m >= 2). */
VSK_INLINE void bitReverseAndFirstPass(float *z, int m, const int32_t *reversals, double conj,
                                       int wide)
{
    if (m < 2 * kTileBits) {
        bitReverseDirect(z, m, reversals);
        firstRadix4Pass(z, (size_t)1 << m, conj);
    } else {
        bitReverseWithFirstPass(z, m, reversals, conj, wide);
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

#define VSK_BUTTERFLY_VEC vskDouble4
#define VSK_BUTTERFLY_NAME(name) name
#include "vskfftbutterfly.h"

#define VSK_BUTTERFLY_VEC vskDouble8
#define VSK_BUTTERFLY_NAME(name) name##Wide
#include "vskfftbutterfly.h"

/* Where a pass reads its roots: the double rows of a Radix4Table (see vskRadix4PassTwiddles)
 * or, when `roots` is set, a root table of order rootsOrder read at the stride each pass
 * length needs. */
typedef struct vskTwiddleSource {
    const double *rows;
    const float *roots;
    int rootsOrder;
} vskTwiddleSource;

/* Roots W^(first + j laneStep), j = 0 .. 3, of an interleaved root table, as double vectors. */
VSK_INLINE void gatherRoots(const float *roots, size_t first, size_t laneStep, vskDouble4 *re,
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

/* The twiddle triple of the radix-4 pass of length 2^passOrder at k .. k+3. From a root table
 * the third twiddle is the product of the first two, formed in double precision. */
VSK_INLINE vskTwiddles radix4Twiddles(const vskTwiddleSource *source, int passOrder, size_t k)
{
    vskTwiddles w;
    if (source->roots == NULL) {
        const double *rows = source->rows;
        const size_t quarter = ((size_t)1 << passOrder) / 4;
        w.w1r = loadDoubles(rows + k);
        w.w1i = loadDoubles(rows + quarter + k);
        w.w2r = loadDoubles(rows + 2 * quarter + k);
        w.w2i = loadDoubles(rows + 3 * quarter + k);
        w.w3r = loadDoubles(rows + 4 * quarter + k);
        w.w3i = loadDoubles(rows + 5 * quarter + k);
        return w;
    }
    const size_t stride = (size_t)1 << (source->rootsOrder - passOrder);
    gatherRoots(source->roots, k * stride, stride, &w.w1r, &w.w1i);
    gatherRoots(source->roots, 2 * k * stride, 2 * stride, &w.w2r, &w.w2i);
    thirdTwiddle(&w);
    return w;
}

/* Four points stored back as floats: as a planar group, or as interleaved (re, im) points when
 * this is the kernel's last pass, which saves a separate sweep to restore that order. */
VSK_INLINE void storeGroup(float *p, vskDouble4 re, vskDouble4 im, int interleaved)
{
    if (!interleaved) {
        storePoints(p, re, im);
        return;
    }
    const vskFloat4 packedRe = __builtin_convertvector(re, vskFloat4);
    const vskFloat4 packedIm = __builtin_convertvector(im, vskFloat4);
    vskStoreFloat4(p, __builtin_shufflevector(packedRe, packedIm, 0, 4, 1, 5));
    vskStoreFloat4(p + kLanes, __builtin_shufflevector(packedRe, packedIm, 2, 6, 3, 7));
}

enum { kRadix4Doublings = 2, kRadix4 = 1 << kRadix4Doublings };

/* ---- eight lanes ---- */

/* On eight-lane vectors a pass handles two adjacent planar groups (points j .. j+7, sixteen
 * floats) at once; the data keep the four-point group layout, so every other step is shared. */
enum { kWideLanes = 2 * kLanes };

typedef float vskFloat16 __attribute__((vector_size(64)));

VSK_INLINE vskFloat8 joinFloat4(vskFloat4 low, vskFloat4 high)
{
    return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
}

VSK_INLINE void loadGroupPair(const float *p, vskDouble8 *re, vskDouble8 *im)
{
    vskFloat16 groups;
    __builtin_memcpy(&groups, p, sizeof groups);
    *re = vskWiden8(__builtin_shufflevector(groups, groups, 0, 1, 2, 3, 8, 9, 10, 11));
    *im = vskWiden8(__builtin_shufflevector(groups, groups, 4, 5, 6, 7, 12, 13, 14, 15));
}

/* The two groups stored back, planar or, in the last pass, as interleaved (re, im) points. */
VSK_INLINE void storeGroupPair(float *p, vskDouble8 re, vskDouble8 im, int interleaved)
{
    const vskFloat8 packedRe = __builtin_convertvector(re, vskFloat8);
    const vskFloat8 packedIm = __builtin_convertvector(im, vskFloat8);
    const vskFloat16 groups =
        interleaved ? __builtin_shufflevector(packedRe, packedIm, 0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13,
                                              6, 14, 7, 15)
                    : __builtin_shufflevector(packedRe, packedIm, 0, 1, 2, 3, 8, 9, 10, 11, 4, 5, 6, 7,
                                              12, 13, 14, 15);
    __builtin_memcpy(p, &groups, sizeof groups);
}

VSK_INLINE vskDouble8 loadDoubles8(const double *p)
{
    vskDouble8 values;
    __builtin_memcpy(&values, p, sizeof values);
    return values;
}

/* Roots W^(first + j laneStep), j = 0 .. 7, of an interleaved root table. */
VSK_INLINE void gatherRootsWide(const float *roots, size_t first, size_t laneStep, vskDouble8 *re,
                                vskDouble8 *im)
{
    const float *r0 = roots + 2 * first;
    if (laneStep == 1) {
        vskFloat8 a, b;
        __builtin_memcpy(&a, r0, sizeof a);
        __builtin_memcpy(&b, r0 + kWideLanes, sizeof b);
        *re = vskWiden8(__builtin_shufflevector(a, b, 0, 2, 4, 6, 8, 10, 12, 14));
        *im = vskWiden8(__builtin_shufflevector(a, b, 1, 3, 5, 7, 9, 11, 13, 15));
        return;
    }
    const size_t s = 2 * laneStep;
    *re = (vskDouble8){r0[0], r0[s], r0[2 * s], r0[3 * s], r0[4 * s], r0[5 * s], r0[6 * s], r0[7 * s]};
    *im = (vskDouble8){r0[1],         r0[s + 1],     r0[2 * s + 1], r0[3 * s + 1],
                       r0[4 * s + 1], r0[5 * s + 1], r0[6 * s + 1], r0[7 * s + 1]};
}

VSK_INLINE vskTwiddlesWide radix4TwiddlesWide(const vskTwiddleSource *source, int passOrder, size_t k)
{
    vskTwiddlesWide w;
    if (source->roots == NULL) {
        const double *rows = source->rows;
        const size_t quarter = ((size_t)1 << passOrder) / 4;
        w.w1r = loadDoubles8(rows + k);
        w.w1i = loadDoubles8(rows + quarter + k);
        w.w2r = loadDoubles8(rows + 2 * quarter + k);
        w.w2i = loadDoubles8(rows + 3 * quarter + k);
        w.w3r = loadDoubles8(rows + 4 * quarter + k);
        w.w3i = loadDoubles8(rows + 5 * quarter + k);
        return w;
    }
    const size_t stride = (size_t)1 << (source->rootsOrder - passOrder);
    gatherRootsWide(source->roots, k * stride, stride, &w.w1r, &w.w1i);
    gatherRootsWide(source->roots, 2 * k * stride, 2 * stride, &w.w2r, &w.w2i);
    thirdTwiddleWide(&w);
    return w;
}

/* The 16-point radix-4 pass on eight lanes: its quarters are single groups, so lanes 0 .. 3
 * take a group of one 16-point block and lanes 4 .. 7 the same group of the next block. */
VSK_INLINE void sixteenPointPassWide(float *z, size_t len, const vskTwiddleSource *source,
                                     double conj)
{
    enum { kBlockPoints = kRadix4 * kLanes };
    const vskTwiddles narrow = radix4Twiddles(source, 2 * kRadix4Doublings, 0);
    vskTwiddlesWide w;
    w.w1r = __builtin_shufflevector(narrow.w1r, narrow.w1r, 0, 1, 2, 3, 0, 1, 2, 3);
    w.w1i = __builtin_shufflevector(narrow.w1i, narrow.w1i, 0, 1, 2, 3, 0, 1, 2, 3);
    w.w2r = __builtin_shufflevector(narrow.w2r, narrow.w2r, 0, 1, 2, 3, 0, 1, 2, 3);
    w.w2i = __builtin_shufflevector(narrow.w2i, narrow.w2i, 0, 1, 2, 3, 0, 1, 2, 3);
    w.w3r = __builtin_shufflevector(narrow.w3r, narrow.w3r, 0, 1, 2, 3, 0, 1, 2, 3);
    w.w3i = __builtin_shufflevector(narrow.w3i, narrow.w3i, 0, 1, 2, 3, 0, 1, 2, 3);
    for (size_t base = 0; base < len; base += 2 * kBlockPoints) {
        float *first = z + 2 * base;
        float *second = first + 2 * kBlockPoints;
        vskDouble8 re[kRadix4], im[kRadix4];
        for (size_t r = 0; r < kRadix4; ++r) {
            const float *a = first + kGroupFloats * r, *b = second + kGroupFloats * r;
            re[r] = vskWiden8(joinFloat4(vskLoadFloat4(a), vskLoadFloat4(b)));
            im[r] = vskWiden8(joinFloat4(vskLoadFloat4(a + kLanes), vskLoadFloat4(b + kLanes)));
        }
        radix4ButterflyWide(re, im, w, conj);
        for (size_t r = 0; r < kRadix4; ++r) {
            const vskFloat8 packedRe = __builtin_convertvector(re[r], vskFloat8);
            const vskFloat8 packedIm = __builtin_convertvector(im[r], vskFloat8);
            float *a = first + kGroupFloats * r, *b = second + kGroupFloats * r;
            vskStoreFloat4(a, __builtin_shufflevector(packedRe, packedRe, 0, 1, 2, 3));
            vskStoreFloat4(a + kLanes, __builtin_shufflevector(packedIm, packedIm, 0, 1, 2, 3));
            vskStoreFloat4(b, __builtin_shufflevector(packedRe, packedRe, 4, 5, 6, 7));
            vskStoreFloat4(b + kLanes, __builtin_shufflevector(packedIm, packedIm, 4, 5, 6, 7));
        }
    }
}

/* twiddledPass (below) on eight lanes; span >= 8. */
VSK_INLINE void twiddledPassWide(float *z, size_t len, int spanOrder, int doublings,
                                 const vskTwiddleSource *source, double conj, int interleaved)
{
    const size_t span = (size_t)1 << spanOrder;
    const size_t radix = (size_t)1 << doublings;
    const size_t passLen = span << doublings;
    for (size_t base = 0; base < len; base += passLen) {
        float *p0 = z + 2 * base;
        for (size_t j = 0; j < span; j += kWideLanes) {
            vskDouble8 re[kRadix4], im[kRadix4];
            for (size_t r = 0; r < radix; ++r)
                loadGroupPair(p0 + 2 * (j + r * span), &re[r], &im[r]);
            if (doublings == 1) {
                const size_t stride = (size_t)1 << (source->rootsOrder - spanOrder - 1);
                vskDouble8 wr, wi;
                gatherRootsWide(source->roots, j * stride, stride, &wr, &wi);
                radix2ButterflyWide(re, im, wr, wi, conj);
            } else {
                radix4ButterflyWide(re, im, radix4TwiddlesWide(source, spanOrder + kRadix4Doublings, j),
                                    conj);
            }
            for (size_t r = 0; r < radix; ++r)
                storeGroupPair(p0 + 2 * (j + r * span), re[r], im[r], interleaved);
        }
    }
}

/* One pass that combines transforms of 2^spanOrder points (spanOrder >= 2) into transforms of
 * 2^(spanOrder + doublings) points over len points: radix-2 (doublings 1, roots only) or
 * radix-4 (doublings 2). Passes of two radix-4 stages at once were measured slower: their
 * sixteen points do not fit the registers. */
VSK_INLINE void twiddledPass(float *z, size_t len, int spanOrder, int doublings,
                             const vskTwiddleSource *source, double conj, int interleaved, int wide)
{
    const size_t span = (size_t)1 << spanOrder;
    if (wide && span >= kWideLanes) {
        twiddledPassWide(z, len, spanOrder, doublings, source, conj, interleaved);
        return;
    }
    if (wide && span == kLanes && doublings == kRadix4Doublings && !interleaved &&
        len >= 2 * kRadix4 * span) {
        sixteenPointPassWide(z, len, source, conj);
        return;
    }
    const size_t radix = (size_t)1 << doublings;
    const size_t passLen = span << doublings;
    for (size_t base = 0; base < len; base += passLen) {
        float *p0 = z + 2 * base;
        for (size_t j = 0; j < span; j += kLanes) {
            vskDouble4 re[kRadix4], im[kRadix4];
            for (size_t r = 0; r < radix; ++r)
                loadPoints(p0 + 2 * (j + r * span), &re[r], &im[r]);
            if (doublings == 1) {
                const size_t stride = (size_t)1 << (source->rootsOrder - spanOrder - 1);
                vskDouble4 wr, wi;
                gatherRoots(source->roots, j * stride, stride, &wr, &wi);
                radix2Butterfly(re, im, wr, wi, conj);
            } else {
                radix4Butterfly(re, im, radix4Twiddles(source, spanOrder + kRadix4Doublings, j),
                                conj);
            }
            for (size_t r = 0; r < radix; ++r)
                storeGroup(p0 + 2 * (j + r * span), re[r], im[r], interleaved);
        }
    }
}

/* ---- pass schedules ---- */

/* A whole transform of 2^m <= 1024 points on the Radix4Table of order m, from the output of
 * bitReverseAndFirstPass for m >= 2. With `interleaved` the last pass writes (re, im) points
 * (m >= 4). */
VSK_INLINE void smallKernel(float *z, int m, const vskCplxF *radix4, double conj, int interleaved,
                            int wide)
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
    if (m % 2 == 1)
        radix2EightPass(z, n, conj);
    for (int p = vskRadix4FirstPassOrder(m); p <= m; p += kRadix4Doublings) {
        const vskTwiddleSource source = {vskRadix4PassTwiddles(radix4, m, p), NULL, 0};
        twiddledPass(z, n, p - kRadix4Doublings, kRadix4Doublings, &source, conj,
                     interleaved && p == m, wide);
    }
}

/* Combines transforms of 2^fromOrder points into transforms of 2^toOrder points over len
 * points, with roots W_R^i (R = 2^rootsOrder) read at the stride each pass length needs. An odd
 * number of doublings starts with one radix-2 pass. */
VSK_INLINE void combine(float *z, size_t len, int fromOrder, int toOrder, const vskCplxF *roots,
                        int rootsOrder, double conj, int interleaved, int wide)
{
    const vskTwiddleSource source = {NULL, (const float *)roots, rootsOrder};
    int order = fromOrder;
    if ((toOrder - fromOrder) % 2 == 1) {
        twiddledPass(z, len, order, 1, &source, conj, interleaved && order + 1 == toOrder, wide);
        ++order;
    }
    for (; order < toOrder; order += kRadix4Doublings)
        twiddledPass(z, len, order, kRadix4Doublings, &source, conj,
                     interleaved && order + kRadix4Doublings == toOrder, wide);
}

/* Above 1024 points: 1024-point sub-blocks inside 16384-point blocks, so that each stage of
 * passes works on data that stays in cache; the blocks are then combined up to n points. */
VSK_INLINE void largeKernel(float *z, int m, const vskFftTables *tables, double conj,
                            int interleaved, int wide)
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
                        tables->radix4, conj, 0, wide);
        combine(blockData, blockLen, VSK_RADIX4_MAX_ORDER, blockOrder, blockRoots,
                blockRootsOrder, conj, interleaved && m == blockOrder, wide);
    }
    if (m > VSK_BLOCK_ORDER)
        combine(z, n, VSK_BLOCK_ORDER, m, tables->roots, m, conj, interleaved, wide);
}

/* `wide` is a constant in each instance below: set only in the eight-lane ones. */
VSK_INLINE void runKernel(float *z, int m, const vskFftTables *tables, double conj,
                          int interleaved, int wide)
{
    if (m >= 2)
        bitReverseAndFirstPass(z, m, tables->bitRev, conj, wide);
    if (m <= VSK_RADIX4_MAX_ORDER)
        smallKernel(z, m, tables->radix4, conj, interleaved, wide);
    else
        largeKernel(z, m, tables, conj, interleaved, wide);
}

/* Direction as a compile-time constant in each instance, so the sign folds away. */
VSK_CLONES static void forwardKernel(float *z, int m, const vskFftTables *tables, int interleaved)
{
    runKernel(z, m, tables, 1.0, interleaved, 0);
}

VSK_CLONES static void inverseKernel(float *z, int m, const vskFftTables *tables, int interleaved)
{
    runKernel(z, m, tables, -1.0, interleaved, 0);
}

#if VSK_HAVE_WIDE_TARGET
VSK_WIDE_TARGET static void forwardKernelWide(float *z, int m, const vskFftTables *tables,
                                              int interleaved)
{
    runKernel(z, m, tables, 1.0, interleaved, 1);
}

VSK_WIDE_TARGET static void inverseKernelWide(float *z, int m, const vskFftTables *tables,
                                              int interleaved)
{
    runKernel(z, m, tables, -1.0, interleaved, 1);
}
#endif

void vskComplexFft(float *z, int m, const vskFftTables *tables, int inverse, int planar)
{
    const int interleaved = !vskFftLeavesPlanar(m, planar);
#if VSK_HAVE_WIDE_TARGET
    if (vskHasWideVectors()) {
        if (inverse)
            inverseKernelWide(z, m, tables, interleaved);
        else
            forwardKernelWide(z, m, tables, interleaved);
    } else
#endif
    if (inverse)
        inverseKernel(z, m, tables, interleaved);
    else
        forwardKernel(z, m, tables, interleaved);
    /* From 16 points on the last pass writes interleaved points itself. */
    if (m >= 2 && m < VSK_PLANAR_MIN_ORDER)
        interleaveGroups(z, (size_t)1 << m);
}
