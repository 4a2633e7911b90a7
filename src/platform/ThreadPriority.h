#pragma once

namespace sablewick {

// How much less CPU time long background work asks for than the threads a user waits on.
constexpr int backgroundNiceness = 10;

// Lowers the calling thread's scheduling priority by `backgroundNiceness` steps. Linux keeps a
// nice value per thread and every thread started afterwards inherits it, the encoders' own
// included, so work started from here gives way to the main thread whenever the processors are
// short; on idle processors it runs as fast as before. It cannot be undone without privileges:
// call it only on a thread of its own. False when the system refused.
bool lowerCurrentThreadPriority();

// The nice value of the calling thread.
int currentThreadNiceness();

}  // namespace sablewick
