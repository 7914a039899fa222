// Thread priorities of the framework's seven steps, mapped onto Linux scheduling.
#pragma once

namespace zelvaro {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Applies a priority to the calling thread: real-time round-robin where the system allows it for
// the raised steps, otherwise a nice value; failures are silent (an unprivileged user simply
// keeps the normal priority).
void SetCurrentThreadPriority(TThreadPriority priority);

}  // namespace zelvaro
