/* Complex FFT kernel: blocked bit reversal, then decimation-in-time radix-4 passes in double precision. */
#include "vskfftkernel.h"
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
static void loadTile(float *tile, const float *z, size_t rowStride, size_t middle)
{
    for (size_t high = 0; high < kTileSide; ++high) {
        const float *row = z + 2 * (high * rowStride + middle * kTileSide);
        for (size_t low = 0; low < kTileSide; ++low) {
            const size_t slot = (size_t)kNibbleReversal[low] * kTileSide + kNibbleReversal[high];
            tile[2 * slot] = row[2 * low];
            tile[2 * slot + 1] = row[2 * low + 1];
        }
    }
}

static void storeTile(float *z, const float *tile, size_t rowStride, size_t middle)
{
    for (size_t high = 0; high < kTileSide; ++high) {
        float *row = z + 2 * (high * rowStride + middle * kTileSide);
        const float *source = tile + 2 * high * kTileSide;
        for (size_t i = 0; i < 2 * kTileSide; ++i)
            row[i] = source[i];
    }
}

static void bitReverseBlocked(float *z, int m, const int32_t *reversals)
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

/* Forward passes multiply by the table roots, inverse passes by their conjugates: `conj` is
 * +1 or -1 and multiplies only imaginary parts of roots, which is exact. */

/* Four-point DIT butterfly on the quarters q0..q3 (bit-reversed order, so q1 holds the residue-2
 * and q2 the residue-1 subsequence) after t1 = w1 q2, t2 = w2 q1, t3 = w3 q3. */
#define VSK_RADIX4_COMBINE(p0, p1, p2, p3, k, q0r, q0i, t1r, t1i, t2r, t2i, t3r, t3i, conj) \
    do {                                                                                     \
        const double ar = (q0r) + (t2r), ai = (q0i) + (t2i);                                  \
        const double br = (q0r) - (t2r), bi = (q0i) - (t2i);                                  \
        const double cr = (t1r) + (t3r), ci = (t1i) + (t3i);                                  \
        /* (t1 - t3) times the quarter turn -i (forward) or +i (inverse). */                \
        const double dr = (conj) * ((t1i) - (t3i)), di = (conj) * ((t3r) - (t1r));           \
        (p0)[2 * (k)] = (float)(ar + cr);                                                    \
        (p0)[2 * (k) + 1] = (float)(ai + ci);                                                \
        (p2)[2 * (k)] = (float)(ar - cr);                                                    \
        (p2)[2 * (k) + 1] = (float)(ai - ci);                                                \
        (p1)[2 * (k)] = (float)(br + dr);                                                    \
        (p1)[2 * (k) + 1] = (float)(bi + di);                                                \
        (p3)[2 * (k)] = (float)(br - dr);                                                    \
        (p3)[2 * (k) + 1] = (float)(bi - di);                                                \
    } while (0)

static inline __attribute__((always_inline)) void firstRadix4Pass(float *z, size_t len, double conj)
{
    for (size_t base = 0; base < len; base += 4) {
        float *p = z + 2 * base;
        const double q0r = p[0], q0i = p[1], q1r = p[2], q1i = p[3];
        const double q2r = p[4], q2i = p[5], q3r = p[6], q3i = p[7];
        VSK_RADIX4_COMBINE(p, p + 2, p + 4, p + 6, 0, q0r, q0i, q2r, q2i, q1r, q1i, q3r, q3i,
                           conj);
    }
}

/* Radix-2 pass over groups of eight with the constant roots W_8^k. */
static inline __attribute__((always_inline)) void radix2EightPass(float *z, size_t len, double conj)
{
    static const double kRootRe[4] = {1.0, kHalfSqrt2, 0.0, -kHalfSqrt2};
    static const double kRootIm[4] = {0.0, -kHalfSqrt2, -1.0, -kHalfSqrt2};
    for (size_t base = 0; base < len; base += 8) {
        float *lower = z + 2 * base;
        float *upper = lower + 8;
        for (size_t k = 0; k < 4; ++k) {
            const double wr = kRootRe[k], wi = conj * kRootIm[k];
            const double ur = upper[2 * k], ui = upper[2 * k + 1];
            const double tr = wr * ur - wi * ui, ti = wr * ui + wi * ur;
            const double lr = lower[2 * k], li = lower[2 * k + 1];
            lower[2 * k] = (float)(lr + tr);
            lower[2 * k + 1] = (float)(li + ti);
            upper[2 * k] = (float)(lr - tr);
            upper[2 * k + 1] = (float)(li - ti);
        }
    }
}

/* Radix-4 pass of length passLen with contiguous twiddle triples (w1, w2, w3) per k. */
static inline __attribute__((always_inline)) void radix4TriplePass(float *z, size_t len,
                                                                    size_t passLen,
                                                                    const vskCplxF *triples,
                                                                    double conj)
{
    const size_t quarter = passLen / 4;
    const float *tw = (const float *)triples;
    for (size_t base = 0; base < len; base += passLen) {
        float *restrict p0 = z + 2 * base;
        float *restrict p1 = p0 + 2 * quarter;
        float *restrict p2 = p1 + 2 * quarter;
        float *restrict p3 = p2 + 2 * quarter;
        for (size_t k = 0; k < quarter; ++k) {
            const float *w = tw + 6 * k;
            const double w1r = w[0], w1i = conj * w[1];
            const double w2r = w[2], w2i = conj * w[3];
            const double w3r = w[4], w3i = conj * w[5];
            const double q0r = p0[2 * k], q0i = p0[2 * k + 1];
            const double q1r = p1[2 * k], q1i = p1[2 * k + 1];
            const double q2r = p2[2 * k], q2i = p2[2 * k + 1];
            const double q3r = p3[2 * k], q3i = p3[2 * k + 1];
            const double t1r = w1r * q2r - w1i * q2i, t1i = w1r * q2i + w1i * q2r;
            const double t2r = w2r * q1r - w2i * q1i, t2i = w2r * q1i + w2i * q1r;
            const double t3r = w3r * q3r - w3i * q3i, t3i = w3r * q3i + w3i * q3r;
            VSK_RADIX4_COMBINE(p0, p1, p2, p3, k, q0r, q0i, t1r, t1i, t2r, t2i, t3r, t3i, conj);
        }
    }
}

/* Radix-4 pass reading W_L^k and W_L^2k from a root table at the given stride; the third
 * twiddle is their product, formed in double precision. */
static inline __attribute__((always_inline)) void radix4RootPass(float *z, size_t len,
                                                                  size_t passLen,
                                                                  const vskCplxF *roots,
                                                                  size_t stride, double conj)
{
    const size_t quarter = passLen / 4;
    const float *r = (const float *)roots;
    for (size_t base = 0; base < len; base += passLen) {
        float *restrict p0 = z + 2 * base;
        float *restrict p1 = p0 + 2 * quarter;
        float *restrict p2 = p1 + 2 * quarter;
        float *restrict p3 = p2 + 2 * quarter;
        for (size_t k = 0; k < quarter; ++k) {
            const double w1r = r[2 * k * stride], w1i = conj * r[2 * k * stride + 1];
            const double w2r = r[4 * k * stride], w2i = conj * r[4 * k * stride + 1];
            const double w3r = w1r * w2r - w1i * w2i, w3i = w1r * w2i + w1i * w2r;
            const double q0r = p0[2 * k], q0i = p0[2 * k + 1];
            const double q1r = p1[2 * k], q1i = p1[2 * k + 1];
            const double q2r = p2[2 * k], q2i = p2[2 * k + 1];
            const double q3r = p3[2 * k], q3i = p3[2 * k + 1];
            const double t1r = w1r * q2r - w1i * q2i, t1i = w1r * q2i + w1i * q2r;
            const double t2r = w2r * q1r - w2i * q1i, t2i = w2r * q1i + w2i * q1r;
            const double t3r = w3r * q3r - w3i * q3i, t3i = w3r * q3i + w3i * q3r;
            VSK_RADIX4_COMBINE(p0, p1, p2, p3, k, q0r, q0i, t1r, t1i, t2r, t2i, t3r, t3i, conj);
        }
    }
}

/* Radix-2 pass reading W_L^k from a root table at the given stride. */
static inline __attribute__((always_inline)) void radix2RootPass(float *z, size_t len,
                                                                  size_t passLen,
                                                                  const vskCplxF *roots,
                                                                  size_t stride, double conj)
{
    const size_t half = passLen / 2;
    const float *r = (const float *)roots;
    for (size_t base = 0; base < len; base += passLen) {
        float *restrict lower = z + 2 * base;
        float *restrict upper = lower + 2 * half;
        for (size_t k = 0; k < half; ++k) {
            const double wr = r[2 * k * stride], wi = conj * r[2 * k * stride + 1];
            const double ur = upper[2 * k], ui = upper[2 * k + 1];
            const double tr = wr * ur - wi * ui, ti = wr * ui + wi * ur;
            const double lr = lower[2 * k], li = lower[2 * k + 1];
            lower[2 * k] = (float)(lr + tr);
            lower[2 * k + 1] = (float)(li + ti);
            upper[2 * k] = (float)(lr - tr);
            upper[2 * k + 1] = (float)(li - ti);
        }
    }
}

/* ---- pass schedules ---- */

/* A whole transform of 2^m <= 1024 points on the Radix4Table of order m. */
static inline __attribute__((always_inline)) void smallKernel(float *z, int m,
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
static inline __attribute__((always_inline)) void combine(float *z, size_t len, int fromOrder,
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
static inline __attribute__((always_inline)) void largeKernel(float *z, int m,
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
static void forwardKernel(float *z, int m, const vskFftTables *tables)
{
    if (m <= VSK_RADIX4_MAX_ORDER)
        smallKernel(z, m, tables->radix4, 1.0);
    else
        largeKernel(z, m, tables, 1.0);
}

static void inverseKernel(float *z, int m, const vskFftTables *tables)
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
}
