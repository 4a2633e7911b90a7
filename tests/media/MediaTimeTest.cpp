#include "media/MediaTime.h"

#include <gtest/gtest.h>

#include <limits>

namespace sablewick {
namespace {

TEST(MediaTimeTest, ComparesExactly)
{
    EXPECT_EQ(MediaTime(1, 30), MediaTime(2, 60));
    EXPECT_LT(MediaTime(1, 30) - MediaTime(1, 1'000'000'000), MediaTime(1, 30));
    EXPECT_GT(MediaTime(7, 30), MediaTime(23333, 100000));
    EXPECT_LT(MediaTime(-1, 2), MediaTime(0, 1));
    EXPECT_EQ(MediaTime(3, -4), MediaTime(-3, 4));  // the sign lives in the value
    // Products beyond 64 bits still compare right.
    const std::int64_t big = std::numeric_limits<std::int64_t>::max() / 2;
    EXPECT_LT(MediaTime(big, big - 1), MediaTime(big + 1, big - 1));
}

TEST(MediaTimeTest, AddsRescalesAndRounds)
{
    EXPECT_EQ(MediaTime(1, 600) + MediaTime(1, 60), MediaTime(11, 600));
    EXPECT_EQ((MediaTime(1, 3) + MediaTime(1, 6)).reduced().scale, 2);
    EXPECT_EQ((MediaTime(5, 12) - MediaTime(1, 4)), MediaTime(1, 6));
    struct Case {
        MediaTime time;
        std::int64_t scale;
        std::int64_t expected;
    };
    const Case cases[] = {
        {MediaTime(1, 12), 100, 8},    // 8.33
        {MediaTime(2, 12), 100, 17},   // 16.67
        {MediaTime(1, 8), 100, 13},    // 12.5: halves away from zero
        {MediaTime(-1, 8), 100, -13},
        {MediaTime(3, 2), 100, 150},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.time.rescaled(c.scale), c.expected) << c.time.value << "/" << c.time.scale;
    EXPECT_EQ(MediaTime::fromSeconds(1.0 / 60, 600), MediaTime(10, 600));
    EXPECT_EQ(MediaTime::fromSeconds(std::numeric_limits<double>::quiet_NaN(), 600), MediaTime(0, 600));
    EXPECT_FALSE(MediaTime(1, 0).isValid());
    EXPECT_EQ(MediaTime(1, 0).rescaled(100), 0);
}

}  // namespace
}  // namespace sablewick
