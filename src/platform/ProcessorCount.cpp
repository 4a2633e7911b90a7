#include "platform/ProcessorCount.h"

#include "platform/RegularFile.h"

#include <sched.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <thread>

namespace sablewick {
namespace {

// A small kernel file; nothing when it is missing, no regular file or oddly large.
std::string readSmallFile(const std::filesystem::path& path)
{
    try {
        return readRegularFile(QString::fromStdString(path.string()), 64 * 1024).toStdString();
    } catch (const RegularFileError&) {
        return {};
    }
}

// "QUOTA PERIOD" in microseconds, or "max PERIOD" for no limit.
std::optional<int> quotaProcessors(const std::string& cpuMax)
{
    std::istringstream in(cpuMax);
    std::string quota;
    long long period = 0;
    if (!(in >> quota >> period) || period <= 0 || quota == "max")
        return std::nullopt;
    long long microseconds = 0;
    try {
        size_t used = 0;
        microseconds = std::stoll(quota, &used);
        if (used != quota.size() || microseconds <= 0)
            return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return int(std::clamp<long long>((microseconds + period - 1) / period, 1, 1 << 16));
}

int affinityCount()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace

int usableProcessorCount(int affinity, const std::string& membership, const std::string& cgroupRoot)
{
    int count = std::max(affinity, 1);
    // Version 2 lists one line, "0::/path".
    std::istringstream lines(membership);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("0::/", 0) != 0)
            continue;
        std::filesystem::path group = std::filesystem::path(line.substr(3)).lexically_normal();
        // A limit anywhere above the process binds it too.
        for (;;) {
            const std::filesystem::path directory = std::filesystem::path(cgroupRoot) / group.relative_path();
            if (const auto quota = quotaProcessors(readSmallFile(directory / "cpu.max")))
                count = std::min(count, *quota);
            if (!group.has_relative_path() || group == group.root_path())
                break;
            group = group.parent_path();
        }
    }
    return count;
}

int usableProcessorCount()
{
    return usableProcessorCount(affinityCount(), readSmallFile("/proc/self/cgroup"), "/sys/fs/cgroup");
}

}  // namespace sablewick
