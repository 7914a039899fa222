/* Vectors of four doubles for the FFT loops, with loads and stores of float points. */
#ifndef SIGCORE_VSKFFTVEC_H
#define SIGCORE_VSKFFTVEC_H

/* GCC vector extensions: two SSE2 registers on the baseline target, one AVX register in the
 * AVX clones. Every lane does the same IEEE operations as scalar code would, and no target
 * used has fused multiply-add, so no contraction can change a rounding: every clone gives
 * identical bits. The helpers are always inlined, so no vector crosses a call boundary whose
 * ABI the baseline and AVX clones would see differently. */
#pragma GCC diagnostic ignored "-Wpsabi"

#include <stddef.h>

typedef float vskFloat4 __attribute__((vector_size(16)));
typedef double vskDouble4 __attribute__((vector_size(32)));

enum { VSK_LANES = 4 };

#define VSK_INLINE static inline __attribute__((always_inline))

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
/* Built for the baseline target and for AVX, chosen once at load time by the CPU it runs on. */
#define VSK_CLONES __attribute__((target_clones("avx", "default")))
#else
#define VSK_CLONES
#endif

VSK_INLINE vskDouble4 vskLoadFloats(const float *p)
{
    vskFloat4 packed;
    __builtin_memcpy(&packed, p, sizeof packed);
    return __builtin_convertvector(packed, vskDouble4);
}

VSK_INLINE void vskStoreFloats(float *p, vskDouble4 values)
{
    const vskFloat4 packed = __builtin_convertvector(values, vskFloat4);
    __builtin_memcpy(p, &packed, sizeof packed);
}

/* Four interleaved (re, im) points, in order or (reversed) from the last to the first. */
VSK_INLINE void vskLoadInterleaved(const float *p, int reversed, vskDouble4 *re, vskDouble4 *im)
{
    vskFloat4 a, b;
    __builtin_memcpy(&a, p, sizeof a);
    __builtin_memcpy(&b, p + VSK_LANES, sizeof b);
    if (reversed) {
        *re = __builtin_convertvector(__builtin_shufflevector(b, a, 2, 0, 6, 4), vskDouble4);
        *im = __builtin_convertvector(__builtin_shufflevector(b, a, 3, 1, 7, 5), vskDouble4);
    } else {
        *re = __builtin_convertvector(__builtin_shufflevector(a, b, 0, 2, 4, 6), vskDouble4);
        *im = __builtin_convertvector(__builtin_shufflevector(a, b, 1, 3, 5, 7), vskDouble4);
    }
}

VSK_INLINE void vskStoreInterleaved(float *p, int reversed, vskDouble4 re, vskDouble4 im)
{
    const vskFloat4 r = __builtin_convertvector(re, vskFloat4);
    const vskFloat4 i = __builtin_convertvector(im, vskFloat4);
    vskFloat4 a, b;
    if (reversed) {
        a = __builtin_shufflevector(r, i, 3, 7, 2, 6);
        b = __builtin_shufflevector(r, i, 1, 5, 0, 4);
    } else {
        a = __builtin_shufflevector(r, i, 0, 4, 1, 5);
        b = __builtin_shufflevector(r, i, 2, 6, 3, 7);
    }
    __builtin_memcpy(p, &a, sizeof a);
    __builtin_memcpy(p + VSK_LANES, &b, sizeof b);
}

#endif
