#include "rendering/PointerPath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace sablewick {
namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

std::optional<PointerSample> rawAt(double time, const std::vector<PointerSample>& samples)
{
    return PointerPath::position(time, samples, false);
}

TEST(PointerPathTest, NothingOutsideTheTrack)
{
    const std::vector<PointerSample> track{{1.0, 0.2, 0.3, true}, {2.0, 0.4, 0.5, true}};
    EXPECT_FALSE(rawAt(1.0, {}));
    EXPECT_FALSE(rawAt(0.99, track));
    EXPECT_FALSE(rawAt(notANumber, track));
    EXPECT_FALSE(rawAt(std::numeric_limits<double>::infinity(), track));
    // The last position holds for 0.25 s.
    const auto held = rawAt(2.2, track);
    ASSERT_TRUE(held);
    EXPECT_DOUBLE_EQ(held->x, 0.4);
    EXPECT_DOUBLE_EQ(held->y, 0.5);
    EXPECT_DOUBLE_EQ(held->time, 2.2);
    EXPECT_FALSE(rawAt(2.3, track));
}

TEST(PointerPathTest, InterpolatesPositionAndTakesTheNearerSamplesVisibility)
{
    const std::vector<PointerSample> track{{0.0, 0.0, 1.0, true}, {1.0, 1.0, 0.0, false}};
    struct Row {
        double time, x, y;
        bool visible;
    };
    for (const Row& row : std::vector<Row>{{0.0, 0.0, 1.0, true},
                                           {0.25, 0.25, 0.75, true},
                                           {0.49, 0.49, 0.51, true},
                                           {0.5, 0.5, 0.5, false},
                                           {1.0, 1.0, 0.0, false},
                                           {1.1, 1.0, 0.0, false}}) {
        SCOPED_TRACE(row.time);
        const auto p = rawAt(row.time, track);
        ASSERT_TRUE(p);
        EXPECT_NEAR(p->x, row.x, 1e-12);
        EXPECT_NEAR(p->y, row.y, 1e-12);
        EXPECT_EQ(p->visible, row.visible);
    }
}

TEST(PointerPathTest, SamplesAtTheSameTimeDoNotDivideByZero)
{
    const std::vector<PointerSample> track{{0, 0.1, 0.1, true}, {1, 0.2, 0.2, true},
                                           {1, 0.4, 0.6, false}};
    const auto p = rawAt(1.1, track);
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->x, 0.4, 1e-12);
    EXPECT_NEAR(p->y, 0.6, 1e-12);
    EXPECT_FALSE(p->visible);
}

std::vector<PointerSample> track30Hz(int count, auto xAt)
{
    std::vector<PointerSample> track;
    for (int i = 0; i < count; ++i)
        track.push_back({i / 30.0, xAt(i), 0.5, true});
    return track;
}

TEST(PointerPathTest, SmoothingEvensOutJitterButKeepsSteadyMotion)
{
    // Steady motion: a symmetric kernel keeps a linear path where it is.
    const auto linear = track30Hz(60, [](int i) { return 0.1 + 0.01 * i; });
    const auto steady = PointerPath::position(30 / 30.0, linear, true);
    ASSERT_TRUE(steady);
    EXPECT_NEAR(steady->x, 0.4, 1e-12);

    // Jitter between 0.4 and 0.6 is pulled towards 0.5.
    const auto jitter = track30Hz(60, [](int i) { return i % 2 ? 0.6 : 0.4; });
    const auto smoothed = PointerPath::position(30 / 30.0, jitter, true);
    ASSERT_TRUE(smoothed);
    EXPECT_LT(std::abs(smoothed->x - 0.5), 0.05);
    EXPECT_NEAR(rawAt(30 / 30.0, jitter)->x, 0.4, 1e-12);
}

TEST(PointerPathTest, HiddenSamplesNeitherPullNorShowAPath)
{
    auto track = track30Hz(60, [](int) { return 0.5; });
    // A hidden neighbour far away is ignored by smoothing.
    track[31].x = 1.0;
    track[31].visible = false;
    const auto p = PointerPath::position(30 / 30.0, track, true);
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->visible);
    EXPECT_NEAR(p->x, 0.5, 1e-12);
    // The same neighbour visible pulls the path.
    track[31].visible = true;
    EXPECT_GT(PointerPath::position(30 / 30.0, track, true)->x, 0.55);

    // An invisible interpolated point is not smoothed (and hides the cursor).
    track[30].visible = false;
    track[30].x = 0.9;
    const auto hidden = PointerPath::position(30 / 30.0, track, true);
    ASSERT_TRUE(hidden);
    EXPECT_FALSE(hidden->visible);
    EXPECT_NEAR(hidden->x, 0.9, 1e-12);
}

TEST(PointerPathTest, PositionsAreClampedAndNaNBecomesOne)
{
    const std::vector<PointerSample> track{{0, 1.5, -0.5, true}, {1, notANumber, 0.5, true}};
    const auto first = rawAt(0, track);
    ASSERT_TRUE(first);
    EXPECT_DOUBLE_EQ(first->x, 1);
    EXPECT_DOUBLE_EQ(first->y, 0);
    const auto second = PointerPath::position(1, track, true);
    ASSERT_TRUE(second);
    EXPECT_DOUBLE_EQ(second->x, 1);
    EXPECT_TRUE(std::isfinite(second->y));
}

}  // namespace
}  // namespace sablewick
