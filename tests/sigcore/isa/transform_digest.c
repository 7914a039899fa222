/* Prints one digest of every real and CCS transform (both directions, with and without
 * scaling) of orders 0 to 18 on a fixed signal. Built against the shared library and from the
 * library's sources once per instruction set; all digests must be equal. A build for an
 * instruction set this CPU lacks prints "unsupported". */
#include "sigcore.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kLastOrder = 18 };

static uint64_t fnv1a(uint64_t hash, const void *data, size_t size)
{
    const unsigned char *bytes = data;
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211u;
    }
    return hash;
}

static int cpuRunsThisBuild(void)
{
#if defined(__x86_64__) && defined(__GNUC__)
#if defined(__AVX512F__)
    if (!__builtin_cpu_supports("avx512f") || !__builtin_cpu_supports("avx512vl") ||
        !__builtin_cpu_supports("avx512dq") || !__builtin_cpu_supports("avx512bw"))
        return 0;
#endif
#if defined(__AVX__)
    if (!__builtin_cpu_supports("avx"))
        return 0;
#endif
#endif
    return 1;
}

int main(void)
{
    if (!cpuRunsThisBuild()) {
        puts("unsupported");
        return 0;
    }
    static const int32_t kFlags[] = {VSK_FFT_FORWARD, VSK_FFT_INVERSE, VSK_FFT_INVERSE | VSK_FFT_NOSCALE};
    uint64_t hash = 14695981039346656037u;
    for (int order = 0; order <= kLastOrder; ++order) {
        const size_t count = ((size_t)1 << order) + 2;
        float *signal = malloc(count * sizeof *signal);
        float *samples = malloc(count * sizeof *samples);
        if (signal == NULL || samples == NULL)
            return 1;
        uint32_t state = 12345u + (uint32_t)order;
        for (size_t i = 0; i < count; ++i) {
            state = state * 1664525u + 1013904223u;
            signal[i] = (float)(int32_t)state / 2147483648.0f;
        }
        for (size_t f = 0; f < sizeof kFlags / sizeof kFlags[0]; ++f) {
            memcpy(samples, signal, count * sizeof *samples);
            vsksRealFft(samples, order, kFlags[f]);
            hash = fnv1a(hash, samples, count * sizeof *samples);
            memcpy(samples, signal, count * sizeof *samples);
            vsksCcsFft(samples, order, kFlags[f]);
            hash = fnv1a(hash, samples, count * sizeof *samples);
        }
        free(signal);
        free(samples);
    }
    printf("%016llx\n", (unsigned long long)hash);
    return 0;
}
