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
/* Twice as wide, for the code that runs only where eight doubles fit one register. */
typedef float vskFloat8 __attribute__((vector_size(32)));
typedef double vskDouble8 __attribute__((vector_size(64)));

enum { VSK_LANES = 4 };

#define VSK_INLINE static inline __attribute__((always_inline))

/* Four floats widened to doubles. Written element by element: the compiler lowers
 * __builtin_convertvector of this pair as two halves and a merge, but turns the constructor
 * into the one widening instruction of the target, provided the vector is first held in one
 * register; otherwise it folds shuffles that made the vector into lane-by-lane moves. */
VSK_INLINE vskDouble4 vskWiden(vskFloat4 v)
{
#if defined(__x86_64__) || defined(__i386__)
    __asm__("" : "+x"(v));
#endif
    return (vskDouble4){v[0], v[1], v[2], v[3]};
}

/* Only the eight-lane instances reach this with optimisation on; unoptimised builds also keep
 * it in the other instances, where an eight-float vector fits no single register. */
VSK_INLINE vskDouble8 vskWiden8(vskFloat8 v)
{
#if (defined(__x86_64__) || defined(__i386__)) && defined(__OPTIMIZE__)
    __asm__("" : "+x"(v));
#endif
    return (vskDouble8){v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]};
}

#if defined(VSK_SINGLE_TARGET)
/* A build for the compiler's target alone (the tests build one per instruction set to compare
 * their results): no clones, and the eight-lane code exactly when that target has it. */
#define VSK_CLONES
#define VSK_WIDE_TARGET
#if defined(__AVX512F__) && defined(__AVX512VL__) && defined(__AVX512DQ__) && defined(__AVX512BW__)
#define VSK_HAVE_WIDE_TARGET 1
static inline int vskHasWideVectors(void)
{
    return 1;
}
#else
#define VSK_HAVE_WIDE_TARGET 0
#endif
#elif defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
/* Built for the baseline target and for AVX, chosen once at load time by the CPU it runs on. */
#define VSK_CLONES __attribute__((target_clones("avx", "default")))
/* Code on eight-lane vectors, called only where vskHasWideVectors() holds. */
#define VSK_WIDE_TARGET __attribute__((target("avx512f,avx512vl,avx512dq,avx512bw")))
#define VSK_HAVE_WIDE_TARGET 1
static inline int vskHasWideVectors(void)
{
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw");
}
#else
#define VSK_CLONES
#define VSK_HAVE_WIDE_TARGET 0
#endif

/* Four floats from and to memory of any alignment. */
VSK_INLINE vskFloat4 vskLoadFloat4(const float *p)
{
    vskFloat4 values;
    __builtin_memcpy(&values, p, sizeof values);
    return values;
}

VSK_INLINE void vskStoreFloat4(float *p, vskFloat4 values)
{
    __builtin_memcpy(p, &values, sizeof values);
}

/* Four interleaved (re, im) points as real and imaginary vectors, in order. */
VSK_INLINE void vskLoadInterleaved(const float *p, vskDouble4 *re, vskDouble4 *im)
{
    vskFloat4 a, b;
    __builtin_memcpy(&a, p, sizeof a);
    __builtin_memcpy(&b, p + VSK_LANES, sizeof b);
    *re = vskWiden(__builtin_shufflevector(a, b, 0, 2, 4, 6));
    *im = vskWiden(__builtin_shufflevector(a, b, 1, 3, 5, 7));
}

#endif
