// Linux mapping of thread priorities: SCHED_RR for the raised steps when permitted, else nice.
#include "threadpriority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zelvaro {

namespace {
int NiceValue(TThreadPriority priority)
{
    switch (priority) {
    case tpIdle: return 19;
    case tpLowest: return 10;
    case tpLower: return 5;
    case tpNormal: return 0;
    case tpHigher: return -5;
    case tpHighest: return -10;
    case tpTimeCritical: return -15;
    }
    return 0;
}

int RealTimePriority(TThreadPriority priority)
{
    switch (priority) {
    case tpHigher: return 1;
    case tpHighest: return 2;
    case tpTimeCritical: return 3;
    default: return 0;
    }
}
}  // namespace

void SetCurrentThreadPriority(TThreadPriority priority)
{
    const int rt = RealTimePriority(priority);
    if (rt > 0) {
        sched_param param{};
        param.sched_priority = rt;
        if (pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0)
            return;
    }
    // On Linux the nice value of a thread is addressed by its thread id.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    (void)setpriority(PRIO_PROCESS, tid, NiceValue(priority));
}

}  // namespace zelvaro
