/* Vector helpers of the "vskvec" module that other sigcore modules build on. */
#ifndef SIGCORE_VSKVEC_H
#define SIGCORE_VSKVEC_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* dst[i] = single-precision square root of src[i], correctly rounded. The buffers must not
 * overlap; no argument checks (callers pass their own scratch areas). */
void vskVecSqrt(const float *src, float *dst, int64_t len);

#ifdef __cplusplus
}
#endif

#endif
