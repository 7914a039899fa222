/* The in-place complex FFT kernel that both real-format transforms are built on. */
#ifndef SIGCORE_VSKFFTKERNEL_H
#define SIGCORE_VSKFFTKERNEL_H

#include "sigcore.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The cached tables one transform works with, looked up before it starts. */
typedef struct vskFftTables {
    const vskCplxF *radix4; /* Radix4Table of order min(m, 10) */
    const vskCplxF *roots;  /* RootTable of order m when m > 10, else null */
    const vskCplxF *split;  /* SplitTable m (real transform) or RootTable of order m + 1 (CCS) */
    const int32_t *bitRev;  /* BitRevTable m */
} vskFftTables;

/* From this order on the kernel can leave its result as planar groups. */
enum { VSK_PLANAR_MIN_ORDER = 4 };

/* Z[k] = sum_j z[j] e^(s 2 pi i jk / n), n = 2^m (1 <= m <= 30), s = -1 forward, +1 inverse,
 * unscaled, on interleaved (re, im) floats in natural order. Butterflies run in double precision
 * and every pass stores floats, so results do not depend on the machine.
 * With `planar` and m >= VSK_PLANAR_MIN_ORDER the result is left in planar groups instead:
 * each group of four points k = 4g .. 4g+3 as their four real parts, then their four imaginary
 * parts, at floats 8g .. 8g+7; this saves a sweep when the next step reads it that way. */
void vskComplexFft(float *z, int m, const vskFftTables *tables, int inverse, int planar);

/* Whether vskComplexFft(..., m, ..., planar) leaves planar groups. */
static inline int vskFftLeavesPlanar(int m, int planar)
{
    return planar && m >= VSK_PLANAR_MIN_ORDER;
}

#ifdef __cplusplus
}
#endif

#endif
