/* Cached FFT tables: aligned table blocks, the four table kinds, lookup and release. */
#ifndef SIGCORE_VSKTABLES_H
#define SIGCORE_VSKTABLES_H

#include "sigcore.h"

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    /* Largest complex kernel that runs on a Radix4Table of its own order. */
    VSK_RADIX4_MAX_ORDER = 10,
    /* Cache block of the large transforms: 16384 complex points. */
    VSK_BLOCK_ORDER = 14,
    /* From this RootTable order on, roots of the 16384-point block follow the first half. */
    VSK_BLOCK_ROOTS_MIN_ORDER = 15,
    /* Roots W_16384^i kept after the first half: 4096 to cover a quarter turn, doubled so that
     * the second twiddle of a radix-4 pass (index up to 2k) is read directly. */
    VSK_BLOCK_ROOT_COUNT = 8192,
    /* Table blocks start on this boundary for the vector loads of the kernels. */
    VSK_TABLE_ALIGNMENT = 32
};

/* Lookups return the cached table of the given order, building it on first use; null when the
 * order is outside 0..31 or the block cannot be allocated. Contents never change once built. */

/* W_N^i for i < N/2 (N = 2^k); single (1, 0) for k <= 0; from k = 15 on, followed at index
 * 2^(k-1) by W_16384^i for i < VSK_BLOCK_ROOT_COUNT. */
vskCplxF *vskRootTable(int64_t k);

/* For m <= 10: twiddles of every radix-4 pass of a 2^m-point kernel (see
 * vskRadix4PassTwiddles). For m > 10: makes sure the order-10 table exists and returns the
 * RootTable of order m; nothing is cached under the radix-4 entry of such an m. */
vskCplxF *vskRadix4Table(int64_t m);

/* Split coefficients (a_i, b_i) = (0.5 cos t, 0.5 - 0.5 sin t), t = pi (i + 1) / 2^m, rounded
 * to float, for i < 2^(m-1); the single (-0.5, 0.5) for m <= 0. For m >= 1 they are laid out
 * for the split step's vector loads: see vskSplitCoefficients. */
vskCplxF *vskSplitTable(int64_t m);

enum {
    /* Bins per group of the split coefficients, and doubles per group. */
    VSK_SPLIT_LANES = 4,
    VSK_SPLIT_GROUP_DOUBLES = 2 * VSK_SPLIT_LANES
};

/* The coefficients of the split step's bin k (1 <= k < 2^(m-1)), which uses entry k - 1, in a
 * SplitTable of m >= 1: groups of 8 doubles, group g holding a of bins 4g .. 4g+3, then b of
 * the same bins. */
static inline const double *vskSplitCoefficients(const vskCplxF *table)
{
    return (const double *)(const void *)table;
}

/* Bit reversals of the 2^(m-2) values of m - 2 bits, plus one spare entry; single 0 for m < 2. */
int32_t *vskBitRevTable(int64_t m);

/* Release one cached table; orders outside 0..31 and empty entries are skipped. Releasing the
 * radix-4 entry of an m > 10 releases the RootTable of order m and the order-10 Radix4Table. */
void vskReleaseRootTable(int64_t k);
void vskReleaseRadix4Table(int64_t m);
void vskReleaseSplitTable(int64_t m);
void vskReleaseBitRevTable(int64_t m);

/* The twiddles (W_L^k, W_L^2k, W_L^3k), k = 0 .. L/4 - 1, of the radix-4 pass of length
 * L = 2^passOrder in a Radix4Table of order m (passOrder of m's parity, from
 * vskRadix4FirstPassOrder(m) up to m <= 10), as six rows of L/4 doubles holding float-rounded
 * roots: real and imaginary parts of the first, second and third twiddle. The last pass comes
 * first (angles k c, 2k c, 3k c with c = 2 pi / 2^m), the shorter passes follow in increasing
 * length. Together they fit the table's 2^(m+1) entries; rows are 32-byte aligned. */
const double *vskRadix4PassTwiddles(const vskCplxF *table, int m, int passOrder);

/* Order of the first twiddled radix-4 pass of a 2^m-point kernel: after the 4-point pass (and,
 * for odd m, one radix-2 pass over groups of eight) the passes run over 2^4 or 2^5 points. */
static inline int vskRadix4FirstPassOrder(int m)
{
    return (m % 2 == 0) ? 4 : 5;
}

#ifdef __cplusplus
}
#endif

#endif
