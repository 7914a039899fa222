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

/* Z[k] = sum_j z[j] e^(s 2 pi i jk / n), n = 2^m (1 <= m <= 30), s = -1 forward, +1 inverse,
 * unscaled, on interleaved (re, im) floats in natural order. Butterflies run in double precision
 * and every pass stores floats, so results do not depend on the machine. */
void vskComplexFft(float *z, int m, const vskFftTables *tables, int inverse);

#ifdef __cplusplus
}
#endif

#endif
