#pragma once

#include <string>

namespace sablewick {

// How many processors this process may keep busy: those its affinity mask allows (taskset,
// cpusets), further limited by the CPU quota of its cgroup and the cgroups above it (containers,
// systemd's CPUQuota), a part-processor quota counting as one. At least 1. The machine's core
// count overstates both, and threads beyond them only queue for the same time slices.
int usableProcessorCount();

// The same from given parts: `affinity` processors allowed, the cgroup membership as
// /proc/self/cgroup lists it, and the cgroup (version 2) file system mounted at `cgroupRoot`.
int usableProcessorCount(int affinity, const std::string& membership, const std::string& cgroupRoot);

}  // namespace sablewick
