#include "platform/SoundArrivalClock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sablewick {
namespace {

constexpr int kRate = 48000;
constexpr std::size_t kPiece = 960;  // 20 ms
constexpr double kPieceSeconds = 0.02;

struct Arrival {
    std::size_t frames;
    double at;
};

// Pieces of 20 ms whose last sample happened at start + (n + 1) * 20 ms, each arriving `lateBy(n)`
// after that.
template <typename Late>
std::vector<Arrival> steady(int pieces, double start, Late lateBy)
{
    std::vector<Arrival> out;
    for (int n = 0; n < pieces; ++n)
        out.push_back({kPiece, start + (n + 1) * kPieceSeconds + lateBy(n)});
    return out;
}

TEST(SoundArrivalClockTest, TheSamplesAreTimedByTheirEarliestArrivals)
{
    struct Case {
        std::string name;
        std::vector<Arrival> arrivals;
        double firstSample;  // the time of sample 0 the clock should give afterwards
    };
    const std::vector<Case> cases = {
        // Scheduling makes each piece late by 0 to 9 ms: the earliest says when the sound began.
        {"jitter", steady(50, 10.0, [](int n) { return 0.001 * ((n * 7) % 10); }), 10.0},
        // The first pieces came 150 ms late, then the server caught up in a burst.
        {"late start", steady(50, 10.0, [](int n) { return n < 5 ? 0.15 - 0.02 * n : 0.002; }), 10.002},
        // A single piece held up by 300 ms does not move the others.
        {"one late piece", steady(50, 10.0, [](int n) { return n == 20 ? 0.3 : 0.001; }), 10.001},
    };
    for (const Case& c : cases) {
        SoundArrivalClock clock(kRate);
        for (const Arrival& a : c.arrivals)
            clock.arrived(a.frames, a.at);
        // Within the allowance for a slow sound clock since the last earliest piece.
        EXPECT_NEAR(clock.timeOf(0), c.firstSample, 0.0005) << c.name;
        EXPECT_NEAR(clock.timeOf(kRate), c.firstSample + 1.0, 0.0005) << c.name;
    }
}

TEST(SoundArrivalClockTest, ASoundClockSlowerThanTheSystemsIsFollowed)
{
    // The sound card's second lasts 1.0002 system seconds: after 60 s the pieces arrive 12 ms
    // later than their count says.
    SoundArrivalClock clock(kRate);
    const double slow = 1.0002;
    for (int n = 0; n < 3000; ++n)
        clock.arrived(kPiece, 5.0 + (n + 1) * kPieceSeconds * slow + 0.001 * (n % 3));
    const double lastSample = clock.timeOf(clock.samplesArrived());
    EXPECT_NEAR(lastSample, 5.0 + 3000 * kPieceSeconds * slow, 0.003);
}

TEST(SoundArrivalClockTest, AfterAPauseTheTimeStartsAnew)
{
    // An output that was suspended for two seconds: its sound goes on counting from where it
    // stopped, two seconds later.
    SoundArrivalClock clock(kRate);
    for (int n = 0; n < 50; ++n)
        clock.arrived(kPiece, 1.0 + (n + 1) * kPieceSeconds);
    for (int n = 50; n < 150; ++n)
        clock.arrived(kPiece, 3.0 + (n + 1) * kPieceSeconds);
    EXPECT_NEAR(clock.timeOf(100 * static_cast<std::int64_t>(kPiece)), 3.0 + 100 * kPieceSeconds, 1e-6);

    // Samples thrown away by the server: the count starts again with the next piece.
    clock.restart();
    clock.arrived(kPiece, 20.0);
    EXPECT_EQ(clock.samplesArrived(), static_cast<std::int64_t>(kPiece));
    EXPECT_NEAR(clock.timeOf(0), 20.0 - kPieceSeconds, 1e-6);
}

}  // namespace
}  // namespace sablewick
