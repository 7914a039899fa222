/* Internal frame of sigcore: the process-wide state record and the one error-reporting path. */
#ifndef SIGCORE_VSKSTATUS_H
#define SIGCORE_VSKSTATUS_H

#include "sigcore.h"

#include <stdatomic.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    VSK_STATUS_OK = 0,
    VSK_STATUS_OUT_OF_MEMORY = -4,
    VSK_STATUS_BAD_ARGUMENT = -5
};

enum { VSK_CACHE_SLOTS = 32 };

typedef int32_t (*vskErrorHandler)(int32_t status, const char *function, const char *message,
                                   const char *module, int32_t line);

/* The one process-wide state record. Unguarded by design: see the concurrency note in sigcore.h. */
typedef struct vskStateRecord {
    /* Atomic because the capture and playback threads convert samples at the same time and both
     * clear it; each caller decides on its own checks, never on what another thread left here. */
    _Atomic int32_t status;
    int32_t errorMode; /* 0: a reported error ends the process */
    vskErrorHandler handler;
    void *bitRevCache[VSK_CACHE_SLOTS];
    void *rootCache[VSK_CACHE_SLOTS];
    void *radix4Cache[VSK_CACHE_SLOTS];
    void *splitCache[VSK_CACHE_SLOTS];
} vskStateRecord;

extern vskStateRecord vskState;

/* Stores the status; a non-zero status goes to the handler, whose result is returned. */
int32_t vskReport(int32_t status, const char *function, const char *message, const char *module,
                  int32_t line);

/* Ends the process with exit code 1 while the error mode is 0; writes nothing. */
int32_t vskDefaultHandler(int32_t status, const char *function, const char *message,
                          const char *module, int32_t line);

static inline void vskStoreStatus(int32_t status)
{
    atomic_store_explicit(&vskState.status, status, memory_order_relaxed);
}

/* Reports status -5 with the calling function's exported name and the source line. */
#define VSK_BAD_ARG(function, message, module) \
    vskReport(VSK_STATUS_BAD_ARGUMENT, (function), (message), (module), __LINE__)

#ifdef __cplusplus
}
#endif

#endif
