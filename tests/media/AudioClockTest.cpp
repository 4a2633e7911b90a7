// The output's clock against the stream times that libpulse reports, replayed in fake time.
#include "media/AudioClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sablewick {
namespace {

constexpr double kStep = 0.01;     // how often the player reads the clock
constexpr double kSystem = 500.0;  // the system clock when the stream is woken

struct StreamStory {
    std::string name;
    // The stream's time `t` seconds after it was woken; none when the output cannot tell it.
    std::function<std::optional<double>(double t)> stream;
    double written;  // the sound given to the stream when it was woken, in stream seconds
    double length;
    // The clock at the end, less the clock when the stream was woken.
    double advance;
    // The longest time the clock stands still.
    double longestStill;
};

std::vector<StreamStory> stories()
{
    constexpr double wait = AudioClock::maxWait;
    return {
        {"a stream that plays steadily", [](double t) { return 3.0 + t; }, 3.0, 2.0, 2.0, 0},
        // What the server held before the stream was corked is heard first.
        {"a stream with sound left over", [](double t) { return 3.0 + t; }, 3.05, 2.0, 1.95, 0.05},
        // Before a stream's first sound its time is made up, so not told, until the sound starts
        // (here 0.3 s after it was woken); the picture waits for the sound.
        {"a first sound that comes late",
         [](double t) -> std::optional<double> {
             if (t < 0.3)
                 return std::nullopt;
             return t - 0.3;
         },
         0.0, 3.0, 2.7, 0.3},
        // ... however, not for ever.
        {"a sound that never starts", [](double) -> std::optional<double> { return std::nullopt; }, 0.0, 2.0,
         2.0 - wait, wait},
        {"a stream whose time starts over", [](double t) { return t < 1.0 ? 100.0 + t : t - 1.0; }, 100.0, 2.0, 2.0, 0},
        // The sound card's truth: the picture stays with the sound.
        {"a time that steps back a little", [](double t) { return t < 1.0 ? t : t - 0.03; }, 0.0, 2.0, 2.0 - 0.03,
         0.03},
        {"a server that is starved for a second",
         [](double t) {
             return 2.0 + (t < 0.5 ? t : t < 1.5 ? 0.5 : t - 1.0);
         },
         2.0, 3.0, 2.0, 1.0},
        {"a time that cannot be told for a while",
         [](double t) -> std::optional<double> {
             if (t > 0.5 && t < 1.2)
                 return std::nullopt;
             return 4.0 + t;
         },
         4.0, 2.0, 2.0, wait},
    };
}

TEST(AudioClockTest, FollowsWhatTheSoundCardPlays)
{
    for (const StreamStory& story : stories()) {
        SCOPED_TRACE(story.name);
        AudioClock clock(-kSystem + 10.0);
        const double woken = clock.followSystem(kSystem);
        EXPECT_DOUBLE_EQ(woken, 10.0);
        clock.restartStream(story.written);
        double last = woken;
        double stillSince = 0;
        double longestStill = 0;
        for (int i = 0; i * kStep <= story.length + 1e-9; ++i) {
            const double t = i * kStep;
            const double now = clock.followStream(story.stream(t), kSystem + t);
            ASSERT_GE(now, last) << "at " << t;
            if (now > last)
                stillSince = t;
            longestStill = std::max(longestStill, t - stillSince);
            last = now;
        }
        EXPECT_NEAR(last - woken, story.advance, 1.5 * kStep);
        EXPECT_NEAR(longestStill, story.longestStill, 1.5 * kStep);
        // Where the stream's time is told, its sound is heard when the clock says.
        if (const auto stream = story.stream(story.length)) {
            EXPECT_NEAR(*stream + clock.streamOffset(), last, 1e-9);
        }
    }
}

// Read only now and then, the clock is where the sound is all the same.
TEST(AudioClockTest, ReadSeldomItIsWhereTheSoundIs)
{
    AudioClock clock(-kSystem);
    clock.restartStream(0.04);
    // The stream's first sound started late and has played for a second before the next reading.
    EXPECT_NEAR(clock.followStream(std::nullopt, kSystem + 0.1), 0, 1e-9);
    EXPECT_NEAR(clock.followStream(1.04, kSystem + 1.5), 1.0, 1e-9);
}

TEST(AudioClockTest, GoesOnWithTheSystemClockWhileTheStreamRests)
{
    AudioClock clock(-kSystem);
    clock.restartStream(20.0);
    EXPECT_NEAR(clock.followStream(20.0, kSystem), 0.0, 1e-9);
    EXPECT_NEAR(clock.followStream(20.5, kSystem + 0.5), 0.5, 1e-9);
    // Corked: the system clock continues from the last reading.
    clock.detachStream(kSystem + 0.6);
    EXPECT_NEAR(clock.followSystem(kSystem + 1.6), 1.5, 1e-9);
    // Woken: on from the system clock's reading, what is written from now on heard from there.
    EXPECT_NEAR(clock.followSystem(kSystem + 2.0), 1.9, 1e-9);
    clock.restartStream(20.55);
    EXPECT_NEAR(clock.streamOffset(), 1.9 - 20.55, 1e-9);
    EXPECT_NEAR(clock.followStream(20.5, kSystem + 2.0), 1.9, 1e-9);
    EXPECT_NEAR(clock.followStream(20.75, kSystem + 2.2), 2.1, 1e-9);
}

}  // namespace
}  // namespace sablewick
