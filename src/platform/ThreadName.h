#pragma once

namespace sablewick {

// Names the calling thread for the system (top -H, gdb, perf show it), so the time of a pool of
// worker threads can be told apart from the encoders' and decoders' threads. Linux keeps the
// first 15 bytes. False when the system refused.
bool nameCurrentThread(const char* name);

}  // namespace sablewick
