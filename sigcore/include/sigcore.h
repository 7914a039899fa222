/* sigcore: single-precision signal-processing primitives with a C ABI.
 *
 * Contract shared by every operation:
 *  - All buffers belong to the caller and are only borrowed for the duration of a call; the library
 *    keeps no caller pointer after returning, except the LMS state's own buffers.
 *  - Lengths, orders, word sizes and flags are 32-bit signed integers.
 *  - Any argument error or allocation failure ends the process with exit code 1 before the
 *    operation returns (no partial output is promised, and the caller's buffers are not written).
 *  - The FFT table cache is process-wide and unguarded: do not run a transform concurrently with
 *    a free operation, or with the first transform of the same order on another thread.
 */
#ifndef SIGCORE_H
#define SIGCORE_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(SIGCORE_BUILDING)
#    define SIGCORE_API __declspec(dllexport)
#  else
#    define SIGCORE_API __declspec(dllimport)
#  endif
#else
#  define SIGCORE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A complex float: real part first, 8 bytes, stored contiguously in arrays. */
typedef struct vskCplxF {
    float re;
    float im;
} vskCplxF;

/* Flags of vsksRealFft and vsksCcsFft. Other bits are ignored. */
enum {
    VSK_FFT_FORWARD = 1,   /* kernel sign minus, no scaling */
    VSK_FFT_INVERSE = 2,   /* kernel sign plus, scaled by 1/N unless VSK_FFT_NOSCALE */
    VSK_FFT_INIT = 4,      /* build the tables for this order and return; samps may be null */
    VSK_FFT_FREE = 8,      /* release this order's tables and return */
    VSK_FFT_NOSCALE = 16   /* with VSK_FFT_INVERSE: omit the 1/N scaling */
};

/* Flags of vsksbFloatToInt and vsksbIntToFloat. Exactly one rounding bit for FloatToInt;
 * IntToFloat accepts exactly 0 (signed) or VSK_CVT_UNSIGNED. */
enum {
    VSK_CVT_NEAREST = 128,   /* round to nearest, ties to even */
    VSK_CVT_TRUNCATE = 256,  /* round toward zero */
    VSK_CVT_FLOOR = 512,     /* round toward minus infinity */
    VSK_CVT_CEILING = 1024,  /* round toward plus infinity */
    VSK_CVT_UNSIGNED = 2048, /* the integer side is unsigned */
    VSK_CVT_SATURATE = 4096, /* an out-of-range element becomes the limit on its side */
    VSK_CVT_REPORT = 8192    /* an out-of-range element is reported as an error */
};

/* State of a leaky LMS filter with delayed error, allocated by the caller and filled by
 * vsksLmsInit. The fields keep their historical order; with natural alignment the record is
 * 68 bytes (17 words) on 32-bit systems and 80 bytes on LP64 ones, where the two pointers take 8
 * bytes each and 4 bytes of padding precede dlyl. Fields marked reserved are set but never read. */
typedef struct vskLmsState {
    float *taps;          /* heap buffer of tapsLen coefficients */
    int32_t tapsLen;
    int32_t reserved1[5]; /* set to 1, 0, 1, 0, 0 */
    int32_t tapsLoaded;   /* 1 once taps are allocated and loaded */
    float leak;
    float step;
    int32_t errDly;       /* delay of the error, in samples */
    int32_t lmsType;      /* stored only */
    float *dlyl;          /* delay line, newest first, dlyLen floats */
    int32_t dlyLen;       /* tapsLen + errDly */
    int32_t dlyLoaded;    /* 1 once the delay line is allocated and loaded */
    int32_t reserved2[2]; /* set to 1, 0 */
} vskLmsState;

/* Table cache (ordinals 1 and 3). Safe to call at any time when no transform is running. */
SIGCORE_API void vskFreeBitRevTbls(void);
SIGCORE_API void vskcFreeTwdTbls(void);

/* Transforms between N = 2^order real samples (order 0..31) and the packed CCS half spectrum of
 * N + 2 floats: Re X[0], Im X[0], ..., Re X[N/2], Im X[N/2]; the buffer always holds N + 2 floats.
 * vsksRealFft: forward X[k] = sum x[j] e^(-2 pi i jk/N), unscaled; inverse uses e^(+...) and 1/N
 * (VSK_FFT_NOSCALE omits it), scaling all N + 2 floats. Im X[0] and Im X[N/2] are written as 0.
 * vsksCcsFft: the full-length transform of the implied conjugate-symmetric spectrum into x[0..N-1]
 * (Im X[0], Im X[N/2] ignored, samps[N], samps[N+1] untouched); inverse scales the N outputs.
 * Tables are built by the first call of an order (VSK_FFT_INIT builds them alone, samps may be
 * null) and cached until a free; later calls of that order allocate nothing. VSK_FFT_FREE
 * releases the order's tables and returns, for any order. Results are the same bits on every
 * x86-64 CPU (double-precision butterflies, floats stored between passes). */
SIGCORE_API void vsksRealFft(float *samps, int32_t order, int32_t flags);
SIGCORE_API void vsksCcsFft(float *samps, int32_t order, int32_t flags);

/* Windows, applied in place to n samples. */
SIGCORE_API void vsksWinBartlett(float *vec, int32_t n);
SIGCORE_API void vsksWinBlackman(float *vec, int32_t n, float alpha);
SIGCORE_API void vsksWinHamming(float *vec, int32_t n);
SIGCORE_API void vsksWinHann(float *vec, int32_t n);
SIGCORE_API void vsksWinKaiser(float *vec, int32_t n, float beta);

/* Conversions between packed 8/16/32-bit integers and floats, without scaling. Return len.
 * vsksbFloatToInt stores an in-range element rounded by the one rounding flag. An out-of-range
 * element is set to the type limit on its side with VSK_CVT_SATURATE, otherwise left as it was,
 * and with VSK_CVT_REPORT also reported (which ends the process). The floats 2^31 and 2^32,
 * nearest to the 32-bit maxima, are out of range under every rounding. A NaN element is out of
 * range on neither side: saturation stores 0, VSK_CVT_REPORT reports it, otherwise the
 * destination element keeps its value. No element outside the type ever reaches a cast. */
SIGCORE_API int32_t vsksbFloatToInt(const float *src, void *dst, int32_t len, int32_t wordSize, int32_t flags);
SIGCORE_API int32_t vsksbIntToFloat(const void *src, float *dst, int32_t len, int32_t wordSize, int32_t flags);

/* Vector arithmetic. */
SIGCORE_API void vskcbMag(const vskCplxF *src, float *mag, int32_t len);
SIGCORE_API void vskcbPowerSpectr(const vskCplxF *src, float *spectr, int32_t len);
SIGCORE_API float vsksMax(const float *vec, int32_t len);
SIGCORE_API float vsksMin(const float *vec, int32_t len);
SIGCORE_API int16_t vskwMax(const int16_t *vec, int32_t len);
SIGCORE_API void vsksbMpy1(float val, float *dst, int32_t n);
SIGCORE_API void vsksbMpy2(const float *src, float *dst, int32_t n);
SIGCORE_API void vsksbMpy3(const float *srcA, const float *srcB, float *dst, int32_t n);

/* Leaky LMS adaptive FIR filter with delayed error.
 *
 * vsksLmsInit allocates taps (tapsLen floats, copied from taps or zero) and a delay line of
 * dlyLen = tapsLen + errDly floats. A supplied dlyl holds dlyLen - 1 samples, oldest first; the
 * line keeps them newest first and its oldest position starts at 0. errDly must be >= 0 (a
 * negative delay is reported like any argument error). Initialising a ready state again without
 * vskLmsFree loses its buffers.
 *
 * vsksLms adapts first (when step > 0: taps[i] = (1 - leak) taps[i] + step err dlyl[i + errDly],
 * err being the error of the output returned errDly + 1 calls earlier), then shifts samp into
 * the line and returns the output of the adapted taps.
 *
 * vskLmsFree releases both buffers, sets their pointers to null and clears both loaded flags, so
 * vsksLms on a freed state reports instead of touching freed memory. vskLmsFree, vsksLmsSetStep
 * and vsksLmsSetLeak do nothing with a null state. */
SIGCORE_API void vsksLmsInit(int32_t lmsType, const float *taps, int32_t tapsLen, const float *dlyl,
                             float step, float leak, int32_t errDly, vskLmsState *state);
SIGCORE_API float vsksLms(vskLmsState *state, float samp, float err);
SIGCORE_API void vsksLmsSetStep(float step, vskLmsState *state);
SIGCORE_API void vsksLmsSetLeak(float leak, vskLmsState *state);
SIGCORE_API void vskLmsFree(vskLmsState *state);

#ifdef __cplusplus
}
#endif

#endif /* SIGCORE_H */
