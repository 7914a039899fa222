/* The multiply family: a scalar or a vector into a vector, in place or into a third vector. */
#include "vskstatus.h"

#include <stddef.h>

static const char vskArithModule[] = "vskarith";

/* Every loop runs from the highest index down, which fixes the result when dst partly overlaps a
 * source. A product of two floats is exact in double precision, so the single-precision product
 * below is the double product rounded once to float. */

void vsksbMpy1(float val, float *dst, int32_t n)
{
    if (n <= 0) {
        VSK_BAD_ARG("vsksbMpy1", "n<=0", vskArithModule);
        return;
    }
    if (dst == NULL) {
        VSK_BAD_ARG("vsksbMpy1", "dst==0", vskArithModule);
        return;
    }
    for (int64_t i = (int64_t)n - 1; i >= 0; --i)
        dst[i] = val * dst[i];
}

void vsksbMpy2(const float *src, float *dst, int32_t n)
{
    if (n <= 0) {
        VSK_BAD_ARG("vsksbMpy2", "n<=0", vskArithModule);
        return;
    }
    if (src == NULL) {
        VSK_BAD_ARG("vsksbMpy2", "src==0", vskArithModule);
        return;
    }
    if (dst == NULL) {
        VSK_BAD_ARG("vsksbMpy2", "dst==0", vskArithModule);
        return;
    }
    for (int64_t i = (int64_t)n - 1; i >= 0; --i)
        dst[i] = dst[i] * src[i];
}

void vsksbMpy3(const float *srcA, const float *srcB, float *dst, int32_t n)
{
    if (n <= 0) {
        VSK_BAD_ARG("vsksbMpy3", "n<=0", vskArithModule);
        return;
    }
    if (srcA == NULL) {
        VSK_BAD_ARG("vsksbMpy3", "srcA==0", vskArithModule);
        return;
    }
    if (srcB == NULL) {
        VSK_BAD_ARG("vsksbMpy3", "srcB==0", vskArithModule);
        return;
    }
    if (dst == NULL) {
        VSK_BAD_ARG("vsksbMpy3", "dst==0", vskArithModule);
        return;
    }
    for (int64_t i = (int64_t)n - 1; i >= 0; --i)
        dst[i] = srcB[i] * srcA[i];
}
