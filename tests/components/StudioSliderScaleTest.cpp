#include "components/StudioSliderScale.h"

#include <gtest/gtest.h>

#include <limits>

namespace sablewick {
namespace {

TEST(StudioSliderScale, SteppedSliderTakesOnlyWholeSteps)
{
    const StudioSliderScale scale(0, 10, 1.0);
    EXPECT_TRUE(scale.stepped());
    EXPECT_EQ(scale.maximumPosition(), 10);
    struct Row { double in; double out; };
    const Row rows[] = {{0, 0}, {3.4, 3}, {3.6, 4}, {10, 10}, {-2, 0}, {12, 10}};
    for (const Row& row : rows)
        EXPECT_DOUBLE_EQ(scale.snapped(row.in), row.out) << row.in;
    for (int p = 0; p <= scale.maximumPosition(); ++p)
        EXPECT_DOUBLE_EQ(scale.value(p), p);
}

TEST(StudioSliderScale, StepsCountFromTheLowerBound)
{
    // 0.1 steps reach the upper bound despite binary rounding.
    const StudioSliderScale tenths(0, 1, 0.1);
    EXPECT_EQ(tenths.maximumPosition(), 10);
    EXPECT_DOUBLE_EQ(tenths.value(10), 1.0);
    // A step that does not divide the range stops at the last whole step.
    const StudioSliderScale odd(1, 10, 4);
    EXPECT_EQ(odd.maximumPosition(), 2);
    EXPECT_DOUBLE_EQ(odd.snapped(10), 9);
    EXPECT_DOUBLE_EQ(odd.snapped(6), 5);
}

TEST(StudioSliderScale, ContinuousSliderKeepsFineValues)
{
    const StudioSliderScale scale(0, 2);
    EXPECT_FALSE(scale.stepped());
    EXPECT_EQ(scale.maximumPosition(), StudioSliderScale::continuousResolution);
    EXPECT_NEAR(scale.snapped(1.2345), 1.2345, 2.0 / StudioSliderScale::continuousResolution);
    EXPECT_DOUBLE_EQ(scale.value(0), 0);
    EXPECT_DOUBLE_EQ(scale.value(scale.maximumPosition()), 2);
    EXPECT_EQ(scale.position(1.0), StudioSliderScale::continuousResolution / 2);
}

TEST(StudioSliderScale, OddInputStaysInsideTheBounds)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const StudioSliderScale scale(-1, 1);
    EXPECT_EQ(scale.position(nan), 0);
    EXPECT_EQ(scale.position(inf), scale.maximumPosition());
    EXPECT_EQ(scale.position(-inf), 0);
    EXPECT_DOUBLE_EQ(scale.value(-5), -1);
    EXPECT_DOUBLE_EQ(scale.value(1 << 30), 1);

    // A range of one value, a zero or negative or non-finite step (continuous then).
    const StudioSliderScale point(3, 3);
    EXPECT_EQ(point.maximumPosition(), 0);
    EXPECT_DOUBLE_EQ(point.snapped(7), 3);
    EXPECT_FALSE(StudioSliderScale(0, 1, 0.0).stepped());
    EXPECT_FALSE(StudioSliderScale(0, 1, -1.0).stepped());
    EXPECT_FALSE(StudioSliderScale(0, 1, nan).stepped());
    // Reversed bounds are put in order.
    const StudioSliderScale reversed(5, 1, 1.0);
    EXPECT_DOUBLE_EQ(reversed.lower(), 1);
    EXPECT_DOUBLE_EQ(reversed.upper(), 5);
}

} // namespace
} // namespace sablewick
