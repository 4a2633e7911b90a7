#include "platform/ProcessorCount.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sched.h>

#include <filesystem>
#include <fstream>

namespace sablewick {
namespace {

TEST(ProcessorCountTest, FollowsTheAffinityMask)
{
    cpu_set_t original;
    ASSERT_EQ(sched_getaffinity(0, sizeof original, &original), 0);
    const int allowed = CPU_COUNT(&original);
    EXPECT_LE(usableProcessorCount(), allowed);
    EXPECT_GE(usableProcessorCount(), 1);
    if (allowed < 2)
        GTEST_SKIP() << "only one processor to run on";
    // As under `taskset -c N`: one processor.
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &original)) {
            CPU_SET(cpu, &one);
            break;
        }
    }
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    const int pinned = usableProcessorCount();
    sched_setaffinity(0, sizeof original, &original);
    EXPECT_EQ(pinned, 1);
}

TEST(ProcessorCountTest, CgroupQuotasAlongThePathLimitTheCount)
{
    QTemporaryDir root;
    const std::filesystem::path base = root.path().toStdString();
    auto write = [&](const std::string& group, const std::string& cpuMax) {
        std::filesystem::create_directories(base / group);
        std::ofstream(base / group / "cpu.max") << cpuMax;
    };
    write("user.slice", "max 100000\n");
    write("user.slice/box", "250000 100000\n");     // two and a half processors: three threads
    write("user.slice/box/job", "max 100000\n");
    write("half", "50000 100000\n");                 // half a processor still runs one thread
    write("broken", "lots 100000\n");
    write("zero", "0 100000\n");
    std::filesystem::create_directories(base / "none");
    std::filesystem::create_directories(base / "dir/cpu.max");  // no regular file: ignored

    struct Case {
        int affinity;
        const char* membership;
        int expected;
    };
    const Case cases[] = {
        {8, "0::/user.slice/box/job\n", 3},        // the limit two levels up binds
        {2, "0::/user.slice/box/job\n", 2},        // the mask is tighter
        {8, "0::/half\n", 1},
        {8, "0::/none\n", 8},                      // no quota anywhere
        {8, "0::/broken\n", 8},
        {8, "0::/zero\n", 8},
        {8, "0::/dir\n", 8},
        {8, "0::/../../user.slice/box\n", 3},      // climbing past the root stays at the root
        {8, "4:cpu:/user.slice/box\n", 8},         // version 1 lines are not version 2 paths
        {8, "", 8},
        {0, "", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(usableProcessorCount(c.affinity, c.membership, base.string()), c.expected) << c.membership;
}

}  // namespace
}  // namespace sablewick
