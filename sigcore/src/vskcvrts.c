/* Integer/float sample conversions, and the magnitude and power of complex vectors. */
#include "vskstatus.h"
#include "vskvec.h"

#include <float.h>
#include <math.h>
#include <stddef.h>
#include <string.h>

static const char vskCvrtsModule[] = "vskcvrts";

enum {
    VSK_CVT_ROUNDING_MASK = VSK_CVT_NEAREST | VSK_CVT_TRUNCATE | VSK_CVT_FLOOR | VSK_CVT_CEILING
};

/* ---- Conversion arguments ---------------------------------------------------------------- */

static int vskIsWordSize(int32_t wordSize)
{
    return wordSize == 8 || wordSize == 16 || wordSize == 32;
}

static int vskIsSingleRoundingBit(int32_t flags)
{
    const int32_t rounding = flags & VSK_CVT_ROUNDING_MASK;
    return rounding != 0 && (rounding & (rounding - 1)) == 0;
}

/* Both conversions clear the status, run every check in order, and then give up if any failed
 * (which only matters for a handler that returns). The outcome is kept per call, not read back
 * from the shared state record, which another thread's conversion may be clearing meanwhile. */
static int32_t vskConversionArgsStatus(const char *function, const void *src, const void *dst,
                                       int32_t len, int32_t wordSize, int flagsValid)
{
    int32_t status = VSK_STATUS_OK;
    vskStoreStatus(VSK_STATUS_OK);
    if (len <= 0) {
        VSK_BAD_ARG(function, "len<=0", vskCvrtsModule);
        status = VSK_STATUS_BAD_ARGUMENT;
    }
    if (src == NULL) {
        VSK_BAD_ARG(function, "src==0", vskCvrtsModule);
        status = VSK_STATUS_BAD_ARGUMENT;
    }
    if (dst == NULL) {
        VSK_BAD_ARG(function, "dst==0", vskCvrtsModule);
        status = VSK_STATUS_BAD_ARGUMENT;
    }
    if (!vskIsWordSize(wordSize)) {
        VSK_BAD_ARG(function, "Invalid size of an integer", vskCvrtsModule);
        status = VSK_STATUS_BAD_ARGUMENT;
    }
    if (!flagsValid) {
        VSK_BAD_ARG(function, "Invalid conversion flag", vskCvrtsModule);
        status = VSK_STATUS_BAD_ARGUMENT;
    }
    return status;
}

/* ---- Integers to floats ------------------------------------------------------------------ */

int32_t vsksbIntToFloat(const void *src, float *dst, int32_t len, int32_t wordSize, int32_t flags)
{
    const int flagsValid = flags == 0 || flags == VSK_CVT_UNSIGNED;
    const int32_t status =
        vskConversionArgsStatus("vsksbIntToFloat", src, dst, len, wordSize, flagsValid);
    if (status < 0)
        return status;

    const int isUnsigned = flags == VSK_CVT_UNSIGNED;
    const int64_t count = len;
    /* The casts round to nearest, ties to even; they are exact up to 16 bits. */
    switch (wordSize) {
    case 8:
        if (isUnsigned) {
            const uint8_t *in = src;
            for (int64_t i = 0; i < count; ++i)
                dst[i] = (float)in[i];
        } else {
            const int8_t *in = src;
            for (int64_t i = 0; i < count; ++i)
                dst[i] = (float)in[i];
        }
        break;
    case 16:
        if (isUnsigned) {
            const uint16_t *in = src;
            for (int64_t i = 0; i < count; ++i)
                dst[i] = (float)in[i];
        } else {
            const int16_t *in = src;
            for (int64_t i = 0; i < count; ++i)
                dst[i] = (float)in[i];
        }
        break;
    default:
        if (isUnsigned) {
            const uint32_t *in = src;
            for (int64_t i = 0; i < count; ++i)
                dst[i] = (float)in[i];
        } else {
            const int32_t *in = src;
            for (int64_t i = 0; i < count; ++i)
                dst[i] = (float)in[i];
        }
        break;
    }
    return len;
}

/* ---- Floats to integers ------------------------------------------------------------------ */

/* Where an element falls against the widened limits of its call. A NaN is on neither side. */
typedef enum vskRangeClass { VSK_IN_RANGE, VSK_BELOW, VSK_ABOVE, VSK_UNORDERED } vskRangeClass;

/* Everything a conversion loop needs, worked out once per call. */
typedef struct vskCvtPlan {
    int32_t rounding; /* exactly one of the four rounding bits */
    float lo;         /* widened limits, compared with the float elements */
    float hi;
    int64_t saturateLow; /* values stored on each side with saturation */
    int64_t saturateHigh;
    int isUnsigned;
    int saturate;
    int report;
} vskCvtPlan;

#if defined(__GNUC__)
#define VSK_ALWAYS_INLINE static inline __attribute__((always_inline))
#else
#define VSK_ALWAYS_INLINE static inline
#endif

/* Nearest and floor accept their low limit, truncate and ceiling only values above it;
 * only ceiling accepts its high limit. Bitwise operators keep the test free of branches. */
VSK_ALWAYS_INLINE vskRangeClass vskClassify(float x, float lo, float hi, int32_t rounding)
{
    const int lowInclusive = rounding == VSK_CVT_NEAREST || rounding == VSK_CVT_FLOOR;
    const int highInclusive = rounding == VSK_CVT_CEILING;
    const int below = lowInclusive ? x < lo : x <= lo;
    const int above = highInclusive ? x > hi : x >= hi;
    const int unordered = x != x;
    return (vskRangeClass)(below * VSK_BELOW + above * VSK_ABOVE + unordered * VSK_UNORDERED);
}

/* x, or +0 when keep is 0. A bit mask rather than a select: the compiler would turn a select into
 * a branch around the float-to-int conversion that follows, and a conversion that may trap is
 * not if-converted, which would stop the loop from vectorising. */
VSK_ALWAYS_INLINE float vskZeroUnless(int keep, float x)
{
    uint32_t bits;
    memcpy(&bits, &x, sizeof bits);
    bits &= 0u - (uint32_t)keep;
    memcpy(&x, &bits, sizeof bits);
    return x;
}

/* What the rounding mode adds to the integer part (x truncated toward zero), given the exact
 * fraction x minus that integer part and whether the integer part is odd. Integer arithmetic,
 * for the same reason as above. */
VSK_ALWAYS_INLINE int vskRoundingAdjust(float fraction, int integerPartOdd, int32_t rounding)
{
    switch (rounding) {
    case VSK_CVT_NEAREST: {
        /* Halfway cases go to the even neighbour. */
        const int up = (fraction > 0.5f) | ((fraction == 0.5f) & integerPartOdd);
        const int down = (fraction < -0.5f) | ((fraction == -0.5f) & integerPartOdd);
        return up - down;
    }
    case VSK_CVT_FLOOR:
        return -(int)(fraction < 0.0f);
    case VSK_CVT_CEILING:
        return (int)(fraction > 0.0f);
    default:
        return 0;
    }
}

static void vskReportOutOfRange(vskRangeClass rangeClass, const vskCvtPlan *plan)
{
    if (plan->isUnsigned && rangeClass == VSK_BELOW)
        VSK_BAD_ARG("vsksbFloatToInt", "A negative float cannot be converted to unsigned",
                    vskCvrtsModule);
    else
        VSK_BAD_ARG("vsksbFloatToInt", "A float exceeds an integer", vskCvrtsModule);
}

/* One element: an in-range value is rounded and stored; an out-of-range one gets the saturation
 * value of its side (0 for NaN) or keeps what dst held. Only in-range values reach the cast.
 * Storing the old value back instead of skipping the store, and choosing with a mask rather than
 * a select, keep the loop free of branches: a select would let the compiler move the rounding
 * into a branch, and conversions that may raise floating-point flags are not if-converted. */
#define VSK_CONVERT_LOOP(TYPE, WIDE, ROUNDING, REPORTING)                                          \
    {                                                                                             \
        const float lo = plan->lo;                                                                \
        const float hi = plan->hi;                                                                \
        const int saturate = plan->saturate;                                                      \
        const TYPE saturateLow = (TYPE)plan->saturateLow;                                         \
        const TYPE saturateHigh = (TYPE)plan->saturateHigh;                                       \
        for (int64_t i = 0; i < len; ++i) {                                                       \
            const float x = src[i];                                                               \
            const vskRangeClass rangeClass = vskClassify(x, lo, hi, (ROUNDING));                  \
            const int inRange = rangeClass == VSK_IN_RANGE;                                       \
            const float convertible = vskZeroUnless(inRange, x);                                  \
            const WIDE integerPart = (WIDE)convertible;                                           \
            const float fraction = convertible - (float)integerPart; /* exact */                  \
            const int adjust = vskRoundingAdjust(fraction, (int)(integerPart & 1), (ROUNDING));   \
            const TYPE converted = (TYPE)(integerPart + (WIDE)adjust);                            \
            const TYPE saturated = rangeClass == VSK_BELOW   ? saturateLow                        \
                                 : rangeClass == VSK_ABOVE ? saturateHigh                         \
                                                           : (TYPE)0;                             \
            const TYPE previous = dst[i];                                                         \
            const TYPE outside = saturate ? saturated : previous;                                 \
            const WIDE inRangeMask = (WIDE)0 - (WIDE)inRange;                                     \
            dst[i] = (TYPE)(((WIDE)converted & inRangeMask) | ((WIDE)outside & ~inRangeMask));   \
            if ((REPORTING) && !inRange)                                                          \
                vskReportOutOfRange(rangeClass, plan);                                            \
        }                                                                                         \
    }

/* One function per destination type with one loop per rounding mode, so each loop has its mode
 * as a constant. Reporting calls out of the loop, so it gets its own, general loop. WIDE is the
 * integer type the rounded float goes through: int32 holds every in-range value except those of
 * unsigned 32-bit destinations. */
#define VSK_DEFINE_FLOAT_TO(NAME, TYPE, WIDE)                                                     \
    static void NAME(const float *src, TYPE *dst, int64_t len, const vskCvtPlan *plan)           \
    {                                                                                             \
        if (plan->report) {                                                                       \
            VSK_CONVERT_LOOP(TYPE, WIDE, plan->rounding, 1)                                       \
            return;                                                                               \
        }                                                                                         \
        switch (plan->rounding) {                                                                 \
        case VSK_CVT_NEAREST:                                                                     \
            VSK_CONVERT_LOOP(TYPE, WIDE, VSK_CVT_NEAREST, 0)                                      \
            break;                                                                                \
        case VSK_CVT_TRUNCATE:                                                                    \
            VSK_CONVERT_LOOP(TYPE, WIDE, VSK_CVT_TRUNCATE, 0)                                     \
            break;                                                                                \
        case VSK_CVT_FLOOR:                                                                       \
            VSK_CONVERT_LOOP(TYPE, WIDE, VSK_CVT_FLOOR, 0)                                        \
            break;                                                                                \
        default:                                                                                  \
            VSK_CONVERT_LOOP(TYPE, WIDE, VSK_CVT_CEILING, 0)                                      \
            break;                                                                                \
        }                                                                                         \
    }

VSK_DEFINE_FLOAT_TO(vskFloatToS8, int8_t, int32_t)
VSK_DEFINE_FLOAT_TO(vskFloatToU8, uint8_t, int32_t)
VSK_DEFINE_FLOAT_TO(vskFloatToS16, int16_t, int32_t)
VSK_DEFINE_FLOAT_TO(vskFloatToU16, uint16_t, int32_t)
VSK_DEFINE_FLOAT_TO(vskFloatToS32, int32_t, int32_t)
VSK_DEFINE_FLOAT_TO(vskFloatToU32, uint32_t, int64_t)

/* Limits of the destination type, then widened by the rounding mode in single precision. */
static vskCvtPlan vskMakePlan(int32_t wordSize, int32_t flags)
{
    vskCvtPlan plan;
    plan.rounding = flags & VSK_CVT_ROUNDING_MASK;
    plan.isUnsigned = (flags & VSK_CVT_UNSIGNED) != 0;
    plan.saturate = (flags & VSK_CVT_SATURATE) != 0;
    plan.report = (flags & VSK_CVT_REPORT) != 0;

    const int valueBits = plan.isUnsigned ? wordSize : wordSize - 1;
    const int64_t typeMax = ((int64_t)1 << valueBits) - 1;
    plan.saturateLow = plan.isUnsigned ? 0 : -((int64_t)1 << valueBits);
    plan.saturateHigh = typeMax;

    /* For 32 bits the float of the type maximum is 2^31 or 2^32, one past it. */
    const float lo = (float)plan.saturateLow;
    const float hi = (float)typeMax;
    switch (plan.rounding) {
    case VSK_CVT_NEAREST:
        plan.lo = lo - 0.5f;
        plan.hi = hi + 0.5f;
        break;
    case VSK_CVT_TRUNCATE:
        plan.lo = lo - 1.0f;
        plan.hi = hi + 1.0f;
        break;
    case VSK_CVT_FLOOR:
        plan.lo = lo;
        plan.hi = hi + 1.0f;
        break;
    default:
        plan.lo = lo - 1.0f;
        plan.hi = hi;
        /* Ceiling accepts its high limit. For 32 bits that limit is 2^31 or 2^32, which the
         * type cannot hold, so the largest accepted value is the float just below it. */
        if ((double)plan.hi > (double)typeMax)
            plan.hi = nextafterf(plan.hi, 0.0f);
        break;
    }
    return plan;
}

int32_t vsksbFloatToInt(const float *src, void *dst, int32_t len, int32_t wordSize, int32_t flags)
{
    const int32_t status = vskConversionArgsStatus("vsksbFloatToInt", src, dst, len, wordSize,
                                                   vskIsSingleRoundingBit(flags));
    if (status < 0)
        return status;

    const vskCvtPlan plan = vskMakePlan(wordSize, flags);
    const int64_t count = len;
    switch (wordSize) {
    case 8:
        if (plan.isUnsigned)
            vskFloatToU8(src, dst, count, &plan);
        else
            vskFloatToS8(src, dst, count, &plan);
        break;
    case 16:
        if (plan.isUnsigned)
            vskFloatToU16(src, dst, count, &plan);
        else
            vskFloatToS16(src, dst, count, &plan);
        break;
    default:
        if (plan.isUnsigned)
            vskFloatToU32(src, dst, count, &plan);
        else
            vskFloatToS32(src, dst, count, &plan);
        break;
    }
    return len;
}

/* ---- Magnitude and power ----------------------------------------------------------------- */

enum {
    VSK_MAG_BLOCK = 128,  /* elements per square-root block of the magnitude */
    VSK_POWER_GROUP = 8   /* elements per step of the power loop */
};

/* Re^2 + Im^2: both squares are exact in double precision, the sum is rounded once there, and
 * the result once more to float. */
VSK_ALWAYS_INLINE double vskPowerOf(vskCplxF z)
{
    return (double)z.re * (double)z.re + (double)z.im * (double)z.im;
}

static void vskPowerRun(const vskCplxF *src, float *dst, int64_t count)
{
    const int64_t grouped = count - count % VSK_POWER_GROUP;
    for (int64_t i = 0; i < grouped; i += VSK_POWER_GROUP) {
        for (int k = 0; k < VSK_POWER_GROUP; ++k)
            dst[i + k] = (float)vskPowerOf(src[i + k]);
    }
    for (int64_t i = grouped; i < count; ++i)
        dst[i] = (float)vskPowerOf(src[i]);
}

/* The root of the double-precision power, rounded once to float. */
static void vskMagnitudeDirect(const vskCplxF *src, float *mag, int64_t count)
{
    for (int64_t i = 0; i < count; ++i)
        mag[i] = (float)sqrt(vskPowerOf(src[i]));
}

/* A float power outside the normal range has lost the magnitude: it overflowed (true magnitude
 * at or above 2^64) or underflowed (below about 2^-63), unless the value is 0 + 0i. */
VSK_ALWAYS_INLINE int vskPowerLostMagnitude(float power, vskCplxF z)
{
    return (power > FLT_MAX) | ((power < FLT_MIN) & ((z.re != 0.0f) | (z.im != 0.0f)));
}

/* Those few elements are recomputed on the direct path, so the result never depends on the
 * vector length beyond the last bit. */
static void vskMendLostMagnitudes(const vskCplxF *src, const float *power, float *mag, int64_t count)
{
    int anyLost = 0;
    for (int64_t i = 0; i < count; ++i)
        anyLost |= vskPowerLostMagnitude(power[i], src[i]);
    if (!anyLost)
        return;
    for (int64_t i = 0; i < count; ++i) {
        if (vskPowerLostMagnitude(power[i], src[i]))
            vskMagnitudeDirect(src + i, mag + i, 1);
    }
}

void vskcbMag(const vskCplxF *src, float *mag, int32_t len)
{
    if (len <= 0) {
        VSK_BAD_ARG("vskcbMag", "length<=0", vskCvrtsModule);
        return;
    }
    if (mag == NULL) {
        VSK_BAD_ARG("vskcbMag", "mag==0", vskCvrtsModule);
        return;
    }
    if (src == NULL) {
        VSK_BAD_ARG("vskcbMag", "src==0", vskCvrtsModule);
        return;
    }
    const int64_t count = len;
    if (count <= VSK_MAG_BLOCK) {
        vskMagnitudeDirect(src, mag, count);
        return;
    }
    /* Long vectors: the float power of a block, then its vector square root. */
    float power[VSK_MAG_BLOCK];
    const int64_t blocked = count - count % VSK_MAG_BLOCK;
    for (int64_t start = 0; start < blocked; start += VSK_MAG_BLOCK) {
        vskPowerRun(src + start, power, VSK_MAG_BLOCK);
        vskVecSqrt(power, mag + start, VSK_MAG_BLOCK);
        vskMendLostMagnitudes(src + start, power, mag + start, VSK_MAG_BLOCK);
    }
    vskMagnitudeDirect(src + blocked, mag + blocked, count - blocked);
}

void vskcbPowerSpectr(const vskCplxF *src, float *spectr, int32_t len)
{
    if (len <= 0) {
        VSK_BAD_ARG("vskcbPowerSpectr", "length<=0", vskCvrtsModule);
        return;
    }
    if (spectr == NULL) {
        VSK_BAD_ARG("vskcbPowerSpectr", "spectr==0", vskCvrtsModule);
        return;
    }
    if (src == NULL) {
        VSK_BAD_ARG("vskcbPowerSpectr", "src==0", vskCvrtsModule);
        return;
    }
    vskPowerRun(src, spectr, len);
}
