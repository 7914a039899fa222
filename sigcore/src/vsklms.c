/* Leaky LMS adaptive FIR filter with delayed error: state set-up, one-sample update, parameters. */
#include "sigcore.h"
#include "vskstatus.h"

#include <stdlib.h>
#include <string.h>

static const char kSetupModule[] = "vsklmsh";

#if UINTPTR_MAX == UINT64_MAX
_Static_assert(sizeof(vskLmsState) == 80, "vskLmsState keeps its documented LP64 layout");
#else
_Static_assert(sizeof(vskLmsState) == 68, "vskLmsState keeps its documented 17-word layout");
#endif

/* Values of the words the filter stores but never reads. */
static const int32_t kReservedWords1[5] = {1, 0, 1, 0, 0};
static const int32_t kReservedWords2[2] = {1, 0};

static void loadTaps(vskLmsState *state, const float *taps)
{
    const size_t count = (size_t)state->tapsLen;
    if (taps == NULL)
        memset(state->taps, 0, count * sizeof(float));
    else
        memcpy(state->taps, taps, count * sizeof(float));
    state->tapsLoaded = 1;
}

/* The caller lists dlyLen - 1 values oldest first; the line keeps them newest first. The oldest
 * position has no caller value and starts at 0. */
static void loadDelayLine(vskLmsState *state, const float *dlyl)
{
    const size_t length = (size_t)state->dlyLen;
    memset(state->dlyl, 0, length * sizeof(float));
    if (dlyl != NULL) {
        for (size_t j = 0; j + 1 < length; ++j)
            state->dlyl[length - 2 - j] = dlyl[j];
    }
    state->dlyLoaded = 1;
}

SIGCORE_API void vskLmsFree(vskLmsState *state)
{
    if (state == NULL)
        return;
    free(state->taps);
    free(state->dlyl);
    state->taps = NULL;
    state->dlyl = NULL;
    /* A freed state must report on use instead of reading the released buffers. */
    state->tapsLoaded = 0;
    state->dlyLoaded = 0;
}

SIGCORE_API void vsksLmsInit(int32_t lmsType, const float *taps, int32_t tapsLen, const float *dlyl,
                             float step, float leak, int32_t errDly, vskLmsState *state)
{
    if (state == NULL) {
        VSK_BAD_ARG("vsksLmsInit", "Null buffer pointer", kSetupModule);
        return;
    }
    if (tapsLen <= 0) {
        VSK_BAD_ARG("vsksLmsInit", "Invalid buffer length", kSetupModule);
        return;
    }
    /* A negative delay would make the update read before the start of the delay line. */
    if (errDly < 0) {
        VSK_BAD_ARG("vsksLmsInit", "Invalid error delay", kSetupModule);
        return;
    }
    state->errDly = errDly;
    state->leak = leak;
    state->step = step;
    state->lmsType = lmsType;
    memcpy(state->reserved1, kReservedWords1, sizeof kReservedWords1);
    memcpy(state->reserved2, kReservedWords2, sizeof kReservedWords2);
    state->tapsLen = tapsLen;
    state->tapsLoaded = 0;
    state->dlyLoaded = 0;

    const int64_t dlyLen = (int64_t)tapsLen + errDly;
    state->taps = malloc((size_t)tapsLen * sizeof(float));
    state->dlyl = (dlyLen <= INT32_MAX) ? malloc((size_t)dlyLen * sizeof(float)) : NULL;
    if (state->taps == NULL || state->dlyl == NULL) {
        vskLmsFree(state);
        vskReport(VSK_STATUS_OUT_OF_MEMORY, "vsksLmsInit", "Problem to allocate memory",
                  kSetupModule, __LINE__);
        return;
    }
    state->dlyLen = (int32_t)dlyLen;
    loadTaps(state, taps);
    loadDelayLine(state, dlyl);
}

SIGCORE_API float vsksLms(vskLmsState *state, float samp, float err)
{
    if (state == NULL) {
        VSK_BAD_ARG("vsksLms", "Null buffer pointer", kSetupModule);
        return 0.0f;
    }
    if (state->tapsLoaded == 0) {
        VSK_BAD_ARG("vsksLms", "Taps state structure is not initialized", kSetupModule);
        return 0.0f;
    }
    if (state->dlyLoaded == 0) {
        VSK_BAD_ARG("vsksLms", "Delay line state structure is not initialized", kSetupModule);
        return 0.0f;
    }
    float *taps = state->taps;
    float *line = state->dlyl;
    const size_t tapCount = (size_t)state->tapsLen;
    const size_t errDly = (size_t)state->errDly;

    /* The correction uses the line as it was when the output that err belongs to was made. */
    if (state->step > 0.0f) {
        const double keep = 1.0 - (double)state->leak;
        const double gain = (double)state->step * (double)err;
        for (size_t i = 0; i < tapCount; ++i)
            taps[i] = (float)(keep * (double)taps[i] + gain * (double)line[i + errDly]);
    }

    memmove(line + 1, line, ((size_t)state->dlyLen - 1) * sizeof(float));
    line[0] = samp;

    double output = 0.0;
    for (size_t i = 0; i < tapCount; ++i)
        output += (double)taps[i] * (double)line[i];
    return (float)output;
}

SIGCORE_API void vsksLmsSetStep(float step, vskLmsState *state)
{
    if (state != NULL)
        state->step = step;
}

SIGCORE_API void vsksLmsSetLeak(float leak, vskLmsState *state)
{
    if (state != NULL)
        state->leak = leak;
}
