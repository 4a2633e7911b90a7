#include "media/LiveAudioMixer.h"

#include <gtest/gtest.h>

#include <vector>

namespace sablewick {
namespace {

constexpr int kRate = LiveAudioMixer::sampleRate;

std::vector<float> constant(std::size_t frames, float value) { return std::vector<float>(frames * 2, value); }

// The left channel's value at a frame of the taken track.
float at(const std::vector<float>& track, std::size_t frame) { return track[frame * 2]; }

TEST(LiveAudioMixerTest, PiecesArePlacedByTheirCaptureTime)
{
    LiveAudioMixer mixer(1, 10.0);
    // Captured 0.1 s after time zero: the track starts with 0.1 s of silence.
    const auto piece = constant(960, 0.25f);
    mixer.add(0, piece.data(), 960, 10.1, 10.12);
    mixer.add(0, piece.data(), 960, 10.12, 10.14);  // follows without a gap
    const std::vector<float> track = mixer.take(10.14);
    ASSERT_EQ(track.size() / 2, 4800u + 1920u);
    EXPECT_EQ(at(track, 4799), 0.0f);
    EXPECT_EQ(at(track, 4800), 0.25f);
    EXPECT_EQ(at(track, 4800 + 1919), 0.25f);
    EXPECT_EQ(mixer.framesTaken(), 6720);
}

TEST(LiveAudioMixerTest, SourcesAreSummedClippedAndWaitedFor)
{
    LiveAudioMixer mixer(2, 0.0);
    const auto loud = constant(480, 0.75f);
    mixer.add(0, loud.data(), 480, 0.0, 0.01);
    mixer.add(0, loud.data(), 480, 0.01, 0.02);
    // A source that has not delivered yet does not hold the other back.
    EXPECT_EQ(mixer.take(0.02).size() / 2, 960u);
    LiveAudioMixer both(2, 0.0);
    both.add(0, loud.data(), 480, 0.0, 0.01);
    both.add(1, loud.data(), 480, 0.0, 0.01);
    both.add(0, loud.data(), 480, 0.01, 0.02);
    // The second source is behind: the track waits for it.
    const std::vector<float> track = both.take(0.02);
    ASSERT_EQ(track.size() / 2, 480u);
    EXPECT_EQ(at(track, 0), 1.0f);  // 1.5 clipped
}

TEST(LiveAudioMixerTest, AStalledOrSlippingSourceDoesNotHoldTheTrack)
{
    LiveAudioMixer mixer(2, 0.0);
    const auto piece = constant(480, 0.5f);
    mixer.add(0, piece.data(), 480, 0.0, 0.01);
    mixer.add(1, piece.data(), 480, 0.0, 0.01);
    mixer.add(0, piece.data(), 480, 0.01, 2.0);
    // Source 1 went quiet 2 s ago: the track follows the clock, half a second behind.
    EXPECT_EQ(mixer.take(2.0).size() / 2, static_cast<std::size_t>(1.5 * kRate));
    // A piece that claims to be 0.3 s further than where the source left off is placed anew.
    LiveAudioMixer slipping(1, 0.0);
    slipping.add(0, piece.data(), 480, 0.0, 0.01);
    slipping.add(0, piece.data(), 480, 0.31, 0.32);
    const std::vector<float> track = slipping.take(0.32);
    ASSERT_EQ(track.size() / 2, static_cast<std::size_t>(0.32 * kRate));
    EXPECT_EQ(at(track, 480), 0.0f);
    EXPECT_EQ(at(track, static_cast<std::size_t>(0.31 * kRate)), 0.5f);
    // A small wobble (under a tenth of a second) keeps the piece where the last one ended.
    LiveAudioMixer steady(1, 0.0);
    steady.add(0, piece.data(), 480, 0.0, 0.01);
    steady.add(0, piece.data(), 480, 0.05, 0.06);
    EXPECT_EQ(steady.take(0.06).size() / 2, 960u);
    // The end of a track stops exactly at its time, whatever arrived after it.
    LiveAudioMixer ending(1, 0.0);
    ending.add(0, piece.data(), 480, 0.0, 0.01);
    ending.add(0, piece.data(), 480, 0.01, 0.02);
    EXPECT_EQ(ending.takeUntil(0.015).size() / 2, 720u);
    EXPECT_EQ(ending.takeUntil(0.03).size() / 2, 720u);  // silence to the new end
    // With no source at all the track is silence that keeps up with the clock.
    LiveAudioMixer silent(1, 0.0);
    EXPECT_EQ(silent.take(1.5).size() / 2, static_cast<std::size_t>(kRate));
}

TEST(LiveAudioMixerTest, NothingIsHandedOutPastTheBound)
{
    // A source that keeps delivering while the picture lags: what lies beyond the bound waits,
    // whether the source holds the track or the clock does, and the end still cuts it there.
    LiveAudioMixer delivering(1, 0.0);
    const auto piece = constant(4800, 0.5f);
    for (int i = 0; i < 10; ++i)
        delivering.add(0, piece.data(), 4800, i * 0.1, i * 0.1 + 0.1);
    EXPECT_EQ(delivering.take(1.0, 0.4).size() / 2, static_cast<std::size_t>(0.4 * kRate));
    EXPECT_EQ(delivering.take(1.0, 0.4).size(), 0u);
    const std::vector<float> end = delivering.takeUntil(0.45);
    ASSERT_EQ(end.size() / 2, static_cast<std::size_t>(0.05 * kRate));
    EXPECT_EQ(at(end, 0), 0.5f);
    LiveAudioMixer silent(1, 0.0);
    EXPECT_EQ(silent.take(3.0, 1.0).size() / 2, static_cast<std::size_t>(kRate));
}

TEST(LiveAudioMixerTest, TheSoundHeardEndsWithTheSourceThatDeliveredLast)
{
    // Where the track falls silent when every source stops: the furthest any one delivered to,
    // however long ago, or the clock while none has delivered.
    LiveAudioMixer mixer(2, 10.0);
    EXPECT_DOUBLE_EQ(mixer.heardUntil(10.25), 0.25);
    EXPECT_DOUBLE_EQ(mixer.heardUntil(9.0), 0.0);
    const auto piece = constant(4800, 0.5f);
    mixer.add(0, piece.data(), 4800, 10.5, 10.6);
    EXPECT_DOUBLE_EQ(mixer.heardUntil(12.0), 0.6);
    mixer.add(1, piece.data(), 4800, 10.0, 10.1);
    mixer.take(12.0);
    EXPECT_DOUBLE_EQ(mixer.heardUntil(13.0), 0.6);
}

}  // namespace
}  // namespace sablewick
