/* sigcore: single-precision signal-processing primitives with a C ABI.
 *
 * Contract shared by every operation:
 *  - All buffers belong to the caller and are only borrowed for the duration of a call; the library
 *    keeps no caller pointer after returning, except the LMS state's own buffers.
 *  - Lengths, orders, word sizes and flags are 32-bit signed integers.
 *  - Any argument error or allocation failure ends the process with exit code 1 before the
 *    operation returns. Arguments are checked before anything is written, so a failed check
 *    leaves the caller's buffers as they were; only vsksbFloatToInt's VSK_CVT_REPORT fires
 *    part-way through a vector.
 *    Nothing is printed: the function name, module and text listed with each operation below are
 *    what the library's internal error handler receives, useful in a debugger, never on stderr.
 *    Checks run in the order listed; the first that fails is the one reported.
 *  - No alignment is needed: any pointer that is valid for its element type works. The library
 *    aligns its own tables (32 bytes); results do not depend on the caller's alignment.
 *  - Buffers may overlap only where an operation says so; elsewhere source and destination must
 *    be separate memory.
 *  - No operation scales by the word size or the transform length unless its block says so.
 *  - The FFT table cache is process-wide and unguarded: do not run a transform concurrently with
 *    a free operation, or with the first transform of the same order on another thread. Every
 *    other operation touches only its own arguments and may run on several threads at once,
 *    on separate buffers (an LMS state is one buffer).
 *
 * Reading the names. Every export is "vsk" (the library's prefix), then type letters, then the
 * operation:
 *    s  real 32-bit float           c  complex float (vskCplxF)        w  16-bit signed integer
 *    b  a whole vector given as pointer plus length (after the type letter)
 * so vsksbMpy2 is "real-float vector multiply, form 2", vskcbMag the magnitude of a complex
 * vector, vskwMax the largest of 16-bit integers. Names without a type letter (vskLmsFree,
 * vskFreeBitRevTbls) do not depend on an element type. In the multiply family the digit gives
 * the operand form: 1 a scalar into a vector in place, 2 a vector into a vector in place, 3 two
 * source vectors into a third. Tbls = tables, Twd = twiddle factors, Ccs = the packed complex-
 * conjugate-symmetric spectrum layout, Lms = least mean squares, Spectr = spectrum.
 *
 * Ordinals. Each export has a fixed number 1..24 (the "ord." below: the names in byte order,
 * capitals first; the list is src/exports.def.h). On Linux programs bind by name: the numbers
 * appear only in the Windows .def file the build also writes, where older programs import by
 * number. They never change, and neither do the names, the signatures or the SIGCORE_1 symbol
 * version.
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

/* ---- Table cache ----------------------------------------------------------------------------
 * ord. 1  vskFreeBitRevTbls: releases every cached bit-reversal table.
 * ord. 3  vskcFreeTwdTbls:   releases every cached table of every kind (bit-reversal included).
 * Both take no arguments, cannot fail, and may be called any number of times, also before any
 * transform; the next transform of an order rebuilds what it needs, with bit-identical results.
 * Not while a transform runs on another thread. */
SIGCORE_API void vskFreeBitRevTbls(void);
SIGCORE_API void vskcFreeTwdTbls(void);

/* ---- Real and CCS transforms (module "vskffts") -------------------------------------------
 * ord. 13 vsksRealFft(samps, order, flags): real signal -> packed half spectrum, in place.
 * ord. 6  vsksCcsFft(samps, order, flags):  packed half spectrum -> real signal, in place.
 *
 * N = 2^order real samples, order 0..31. The CCS layout is N + 2 floats: Re X[0], Im X[0], ...,
 * Re X[N/2], Im X[N/2]; the bins above N/2 are implied, X[N-k] = conj(X[k]). samps always holds
 * N + 2 floats, whichever direction; the transform works in place (there is no separate output).
 *   vsksRealFft forward: X[k] = sum_j x[j] e^(-2 pi i jk/N), k = 0..N/2, unscaled; x[0..N-1] in
 *     samps[0..N-1], the spectrum over all N + 2 floats. Im X[0] and Im X[N/2] are written as 0.
 *   vsksRealFft inverse: e^(+2 pi i jk/N) and a factor 1/N (VSK_FFT_NOSCALE omits it) applied to
 *     all N + 2 floats: the conjugate of the forward spectrum, scaled.
 *   vsksCcsFft: the full-length transform of the implied conjugate-symmetric spectrum, output
 *     x[0..N-1] in samps[0..N-1]; Im X[0] and Im X[N/2] are ignored and samps[N], samps[N+1]
 *     left as they were. Forward unscaled; inverse scaled by 1/N unless VSK_FFT_NOSCALE.
 *   So vsksCcsFft inverse undoes vsksRealFft forward, and vsksCcsFft forward undoes vsksRealFft
 *   inverse. For N = 1 the layout is (x[0], 0).
 * Flags: exactly one of VSK_FFT_FORWARD and VSK_FFT_INVERSE for a transform; VSK_FFT_INIT builds
 * this order's tables and returns (samps unused, may be null); VSK_FFT_FREE releases this order's
 * tables and returns before any other check, for any order. Other bits are ignored.
 * Tables are built by the first call of an order and cached until a free; later calls of that
 * order allocate nothing. Results are the same bits on every x86-64 CPU (double-precision
 * butterflies, floats stored between passes).
 * Ends the process (function name "vsksRealFft" or "vsksCcsFft", module "vskffts"):
 *   order < 0                                       "order<0"
 *   order > 31                                      "order>31"
 *   tables cannot be allocated even after the whole cache was released (status -4)
 *                                                   "No working Twd memory"
 *   samps null (not checked with VSK_FFT_INIT)      "samps==0"
 *   both direction bits set                         "(flags & 1) && (flags & 2)"
 *   neither direction bit set                       "(flags & 1)==0 && (flags & 2)==0" */
SIGCORE_API void vsksRealFft(float *samps, int32_t order, int32_t flags);
SIGCORE_API void vsksCcsFft(float *samps, int32_t order, int32_t flags);

/* ---- Windows (module "vskwin") ------------------------------------------------------------
 * Each multiplies vec[0..n-1] in place by a symmetric window of the same length: element i and
 * element n-1-i get the same factor w(i), theta = 2 pi / (n - 1). To get the window itself, apply
 * it to a vector of ones. No normalisation beyond the formula (a Hann window halves a sine's
 * amplitude on average: its coherent gain is 0.5).
 *   ord. 14 vsksWinBartlett       w(i) = 2 i / (n - 1)                       (first half, mirrored)
 *   ord. 15 vsksWinBlackman(alpha) w(i) = (0.5 + 0.5 alpha) - 0.5 cos(i theta)
 *                                        - 0.5 alpha cos(2 i theta);
 *                                 alpha = -0.16 is the classic 0.42 / 0.5 / 0.08 window
 *   ord. 16 vsksWinHamming        w(i) = 0.54 - 0.46 cos(i theta)
 *   ord. 17 vsksWinHann           w(i) = 0.5 (1 - cos(i theta))
 *   ord. 18 vsksWinKaiser(beta)   w(i) = I0(beta sqrt(i (n - 1 - i))) / I0(beta (n - 1) / 2);
 *                                 beta is per sample: the usual shape parameter is beta (n - 1) / 2
 * For odd n the middle element gets the middle factor, which is 1 (Kaiser leaves it untouched).
 * Ends the process (function name the operation's own, module "vskwin"):
 *   vec null                                        "Null pointer to buffer"
 *   n < 3                                           "Bad number of items"
 *   Kaiser only: |beta (n - 1) / 2| > 308, or NaN   "Huge window parameter" */
SIGCORE_API void vsksWinBartlett(float *vec, int32_t n);
SIGCORE_API void vsksWinBlackman(float *vec, int32_t n, float alpha);
SIGCORE_API void vsksWinHamming(float *vec, int32_t n);
SIGCORE_API void vsksWinHann(float *vec, int32_t n);
SIGCORE_API void vsksWinKaiser(float *vec, int32_t n, float beta);

/* ---- Sample conversions (module "vskcvrts") -------------------------------------------------
 * ord. 19 vsksbFloatToInt(src, dst, len, wordSize, flags): dst[i] = round(src[i]), i = 0..len-1
 * ord. 20 vsksbIntToFloat(src, dst, len, wordSize, flags): dst[i] = (float)src[i]
 * Integers are packed, wordSize 8, 16 or 32 bits per element, in the processor's byte order.
 * Values convert as numbers, without any scaling: the 16-bit sample 32767 is the float 32767.0.
 * Both return len. src and dst must not overlap.
 * vsksbIntToFloat: flags exactly 0 (signed) or VSK_CVT_UNSIGNED; exact up to 16 bits, 32-bit
 * values round to nearest, ties to even.
 * vsksbFloatToInt stores an in-range element rounded by the one rounding flag. An out-of-range
 * element is set to the type limit on its side with VSK_CVT_SATURATE, otherwise left as it was,
 * and with VSK_CVT_REPORT also reported (which ends the process). The floats 2^31 and 2^32,
 * nearest to the 32-bit maxima, are out of range under every rounding. A NaN element is out of
 * range on neither side: saturation stores 0, VSK_CVT_REPORT reports it, otherwise the
 * destination element keeps its value. No element outside the type ever reaches a cast.
 * Ends the process (function name "vsksbFloatToInt" or "vsksbIntToFloat", module "vskcvrts"):
 *   len <= 0                                        "len<=0"
 *   src null                                        "src==0"
 *   dst null                                        "dst==0"
 *   wordSize not 8, 16 or 32                        "Invalid size of an integer"
 *   flags: IntToFloat neither 0 nor VSK_CVT_UNSIGNED; FloatToInt not exactly one rounding bit
 *                                                   "Invalid conversion flag"
 *   FloatToInt with VSK_CVT_REPORT, an element out of range:
 *     unsigned destination, below 0
 *                                   "A negative float cannot be converted to unsigned"
 *     otherwise (NaN included)                      "A float exceeds an integer"
 *   Elements before the reported one have been converted already, and the reported one holds
 *   its saturation value or its old value. */
SIGCORE_API int32_t vsksbFloatToInt(const float *src, void *dst, int32_t len, int32_t wordSize, int32_t flags);
SIGCORE_API int32_t vsksbIntToFloat(const void *src, float *dst, int32_t len, int32_t wordSize, int32_t flags);

/* ---- Magnitude and power of complex vectors (module "vskcvrts") ----------------------------
 * ord. 4  vskcbMag:         mag[i] = sqrt(re^2 + im^2) of src[i], i = 0..len-1
 * ord. 5  vskcbPowerSpectr: spectr[i] = re^2 + im^2 of src[i]
 * No scaling. The power is formed in double precision and rounded once to float. The magnitude
 * of vectors up to 128 elements, and of the last len % 128 elements, is rounded once; longer
 * vectors go in blocks of 128 whose power is rounded to float before the root (the result differs
 * from the single-rounding one by at most one ulp; overflowing or underflowing powers are
 * recomputed directly). src and the output must not overlap. A CCS spectrum of N points
 * (vsksRealFft) is read as N/2 + 1 vskCplxF values.
 * Ends the process (function name the operation's own):
 *   len <= 0                                        "length<=0"
 *   output null                                     "mag==0" / "spectr==0"
 *   src null                                        "src==0" */
SIGCORE_API void vskcbMag(const vskCplxF *src, float *mag, int32_t len);
SIGCORE_API void vskcbPowerSpectr(const vskCplxF *src, float *spectr, int32_t len);

/* ---- Extrema (module "vskvec") -------------------------------------------------------------
 * ord. 11 vsksMax: the largest of vec[0..len-1]: start with vec[0], take v when v > result.
 *         A NaN element is never taken; a NaN in vec[0] stays the result.
 * ord. 12 vsksMin: the smallest: start with vec[0], take v unless v >= result. A NaN element is
 *         taken, and the next element replaces a NaN result.
 * ord. 24 vskwMax: the largest signed 16-bit element.
 * The value is returned (no index); of equal values the first wins, so -0 and +0 stay apart.
 * Ends the process (function name the operation's own):
 *   len <= 0                                        "len<=0"
 *   vec null                                        "vec==0" */
SIGCORE_API float vsksMax(const float *vec, int32_t len);
SIGCORE_API float vsksMin(const float *vec, int32_t len);
SIGCORE_API int16_t vskwMax(const int16_t *vec, int32_t len);

/* ---- Multiply family (module "vskarith") ---------------------------------------------------
 * ord. 21 vsksbMpy1: dst[i] = val * dst[i]
 * ord. 22 vsksbMpy2: dst[i] = dst[i] * src[i]
 * ord. 23 vsksbMpy3: dst[i] = srcB[i] * srcA[i]
 * i runs from n - 1 down to 0; each product is exact in double precision and rounded once to
 * float. dst may be one of the sources (in place). With partly overlapping buffers the
 * high-to-low order decides the result: Mpy2 with dst = src + 1 gives dst[i] = old src[i] * old
 * dst[i] for every i, because each src element is read before it is overwritten.
 * Ends the process (function name the operation's own):
 *   n <= 0                                          "n<=0"
 *   Mpy2: src null                                  "src==0"
 *   Mpy3: srcA null, then srcB null                 "srcA==0", "srcB==0"
 *   dst null                                        "dst==0" */
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
 * and vsksLmsSetLeak do nothing with a null state.
 *
 * Ordinals: 8 vsksLmsInit, 7 vsksLms, 10 vsksLmsSetStep, 9 vsksLmsSetLeak, 2 vskLmsFree. The
 * caller's taps and dlyl are copied; the state owns its two heap buffers until vskLmsFree.
 * Ends the process (module "vsklmsh"):
 *   vsksLmsInit: state null                         "Null buffer pointer"
 *                tapsLen <= 0                       "Invalid buffer length"
 *                errDly < 0                         "Invalid error delay"
 *                a buffer cannot be allocated (status -4; both pointers are null by then)
 *                                                   "Problem to allocate memory"
 *   vsksLms:     state null                         "Null buffer pointer"
 *                taps not loaded                    "Taps state structure is not initialized"
 *                delay line not loaded
 *                                   "Delay line state structure is not initialized" */
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
