/* Extrema of float and 16-bit vectors, and the vector square root behind the magnitude. */
#include "vskvec.h"

#include "vskstatus.h"

#include <math.h>
#include <stddef.h>

static const char vskVecModule[] = "vskvec";

/* Shared by the three extremum operations: length first, then the pointer. */
static int vskExtremumArgsOk(const char *function, const void *vec, int32_t len)
{
    if (len <= 0) {
        VSK_BAD_ARG(function, "len<=0", vskVecModule);
        return 0;
    }
    if (vec == NULL) {
        VSK_BAD_ARG(function, "vec==0", vskVecModule);
        return 0;
    }
    return 1;
}

/* Kept sequential on purpose: the first of equal values wins (which tells -0 from +0 apart),
 * and a NaN is never taken, but stays when it is the first element. A lane-wise reduction
 * would change which element is returned. */
float vsksMax(const float *vec, int32_t len)
{
    if (!vskExtremumArgsOk("vsksMax", vec, len))
        return 0.0f;
    float result = vec[0];
    for (int64_t i = 1; i < len; ++i) {
        if (vec[i] > result)
            result = vec[i];
    }
    return result;
}

/* The negated test lets a NaN element through, and any element replaces a NaN result. */
float vsksMin(const float *vec, int32_t len)
{
    if (!vskExtremumArgsOk("vsksMin", vec, len))
        return 0.0f;
    float result = vec[0];
    for (int64_t i = 1; i < len; ++i) {
        if (!(vec[i] >= result))
            result = vec[i];
    }
    return result;
}

int16_t vskwMax(const int16_t *vec, int32_t len)
{
    if (!vskExtremumArgsOk("vskwMax", vec, len))
        return 0;
    int16_t result = vec[0];
    for (int64_t i = 1; i < len; ++i)
        result = vec[i] > result ? vec[i] : result;
    return result;
}

void vskVecSqrt(const float *restrict src, float *restrict dst, int64_t len)
{
    for (int64_t i = 0; i < len; ++i)
        dst[i] = sqrtf(src[i]);
}
