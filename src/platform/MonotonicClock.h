#pragma once

#include <chrono>

namespace sablewick {

// Seconds of the system's monotonic clock. Frames, pointer samples and input events of a
// recording are all stamped with it, so they line up however the threads are scheduled.
inline double monotonicSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace sablewick
