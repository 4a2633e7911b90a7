// A recording's end under an encoder that cannot keep up, and its sound when the audio server
// only half works: a source that cannot be opened, and a start that fails after the sources
// opened. The server is a stand-in whose streams deliver from threads of their own, as the real
// server's loop does; the movies are real and decoded.
#include "media/ScreenRecording.h"

#include "editor/EditorTestSupport.h"
#include "media/MediaError.h"
#include "media/MediaTestSupport.h"
#include "platform/MonotonicClock.h"
#include "platform/PulseConnection.h"
#include "recording/RecordingTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <functional>
#include <condition_variable>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace sablewick {
namespace {

constexpr QSize kPicture(160, 120);

// A grey display that never changes.
class GreyScreen : public ScreenFrameSource {
public:
    ScreenFrame grab() override
    {
        return {m_pixels.data(),    kPicture.width() * 4,    kPicture.width(),
                kPicture.height(), ScreenPixelFormat::bgrx, std::nullopt};
    }

private:
    std::vector<std::uint8_t> m_pixels = std::vector<std::uint8_t>(kPicture.width() * kPicture.height() * 4, 128);
};

// A display of noise, new at every grab: costly to encode.
// Noise that no encoder keeps up with at its slowest preset, while grabbing it costs next to
// nothing (a few pictures made beforehand, shown in turn), however slow the test's own code runs.
class NoiseScreen : public ScreenFrameSource {
public:
    static constexpr QSize size{640, 480};
    NoiseScreen()
    {
        std::minstd_rand random;
        for (std::vector<std::uint32_t>& picture : m_pictures) {
            picture.resize(std::size_t(size.width()) * size.height());
            for (std::uint32_t& pixel : picture)
                pixel = static_cast<std::uint32_t>(random());
        }
    }
    ScreenFrame grab() override
    {
        const std::vector<std::uint32_t>& picture = m_pictures[m_next++ % m_pictures.size()];
        return {reinterpret_cast<const std::uint8_t*>(picture.data()),
                size.width() * 4,
                size.width(),
                size.height(),
                ScreenPixelFormat::bgrx,
                std::nullopt};
    }

private:
    std::array<std::vector<std::uint32_t>, 8> m_pictures;
    std::size_t m_next = 0;
};

// Whether the stand-in server is up. Its streams deliver and it reports its loss holding one
// lock, as the real server's loop does: once it is down, nothing more is delivered.
struct ToneServerLife {
    std::mutex mutex;
    bool down = false;
    std::function<void()> lost;
};

// A source of the stand-in server: a steady square wave at 0.3 of full scale in pieces of 10 ms,
// each stamped with when it was captured, delivered from its own thread until it is destroyed or
// the server is down. A flooding one delivers without pause, each piece stamped now: it is nearly
// always inside its consumer.
class ToneStream : public RecordingSound::Stream {
public:
    ToneStream(RecordingSound::Consumer consumer, int halfPeriod, bool flood, std::shared_ptr<ToneServerLife> life)
        : m_consumer(std::move(consumer))
        , m_halfPeriod(halfPeriod)
        , m_flood(flood)
        , m_life(std::move(life))
        , m_thread([this] { run(); })
    {
    }
    ~ToneStream() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

private:
    void run()
    {
        constexpr std::size_t kPiece = 480;
        std::vector<float> samples(kPiece * 2);
        for (std::size_t i = 0; i < kPiece; ++i)
            samples[2 * i] = samples[2 * i + 1] = (i / m_halfPeriod) % 2 ? 0.3f : -0.3f;
        const double start = monotonicSeconds();
        for (std::int64_t piece = 0;; ++piece) {
            if (m_flood) {
                if (std::lock_guard lock(m_mutex); m_stop)
                    return;
                deliver(samples, monotonicSeconds());
                continue;
            }
            const double capturedAt = start + static_cast<double>(piece) * 0.01;
            {
                std::unique_lock lock(m_mutex);
                const auto due = std::chrono::steady_clock::time_point(
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(capturedAt + 0.01)));
                if (m_changed.wait_until(lock, due, [this] { return m_stop; }))
                    return;
            }
            deliver(samples, capturedAt);
        }
    }

    void deliver(const std::vector<float>& samples, double capturedAt)
    {
        std::lock_guard lock(m_life->mutex);
        if (!m_life->down)
            m_consumer(samples.data(), samples.size() / 2, capturedAt);
    }

    RecordingSound::Consumer m_consumer;
    std::size_t m_halfPeriod;
    bool m_flood = false;
    std::shared_ptr<ToneServerLife> m_life;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stop = false;
    std::thread m_thread;  // last: it starts once the rest is ready
};

// The stand-in server: the system's output is "output.monitor" at 1 kHz, any other source sounds
// at 1.5 kHz (two tones that never cancel out); the sources named in `broken` cannot be opened.
// Its life is the test's, to end it.
class ToneServer : public RecordingSound {
public:
    ToneServer(std::set<std::string> broken, bool flood, std::shared_ptr<ToneServerLife> life)
        : m_broken(std::move(broken))
        , m_flood(flood)
        , m_life(std::move(life))
    {
    }
    ~ToneServer() override
    {
        std::lock_guard lock(m_life->mutex);
        m_life->lost = nullptr;
    }
    std::string systemOutputSource() override { return "output.monitor"; }
    std::unique_ptr<Stream> record(const std::string& source, Consumer consumer) override
    {
        if (m_broken.count(source))
            throw PulseError("Could not record from \"" + source + "\"");
        return std::make_unique<ToneStream>(std::move(consumer), source == "output.monitor" ? 24 : 16, m_flood, m_life);
    }
    void onLost(std::function<void()> lost) override
    {
        std::lock_guard lock(m_life->mutex);
        m_life->lost = std::move(lost);
    }

    // Goes down at once: the streams fall quiet and the loss is reported.
    static void kill(ToneServerLife& life)
    {
        std::lock_guard lock(life.mutex);
        life.down = true;
        if (life.lost)
            std::exchange(life.lost, nullptr)();
    }

private:
    std::set<std::string> m_broken;
    bool m_flood;
    std::shared_ptr<ToneServerLife> m_life;
};

ScreenRecordingSettings settingsFor(const std::string& path, std::set<std::string> broken, bool flood = false,
                                    std::shared_ptr<ToneServerLife> life = std::make_shared<ToneServerLife>())
{
    ScreenRecordingSettings settings;
    settings.source = std::make_shared<GreyScreen>();
    settings.pixelSize = kPicture;
    settings.framesPerSecond = 30;
    settings.path = path;
    settings.systemAudio = true;
    settings.microphone = true;
    settings.microphoneSource = "microphone";
    settings.sound = [broken, flood, life] { return std::make_unique<ToneServer>(broken, flood, life); };
    return settings;
}

TEST(ScreenRecordingStopTest, AnEncoderFarBehindStillEndsTheMovieAtTheStop)
{
    // x264's slowest preset on noise falls far behind the grab: frames wait and some are dropped,
    // but never the last ones before the stop.
    QTemporaryDir dir;
    const std::string movie = dir.filePath("behind.mov").toStdString();
    ScreenRecordingSettings settings;
    settings.source = std::make_shared<NoiseScreen>();
    settings.pixelSize = NoiseScreen::size;
    settings.framesPerSecond = 60;
    settings.path = movie;
    settings.preset = "veryslow";
    std::atomic<bool> finished{false};
    ScreenRecording::Events events;
    events.finished = [&] { finished = true; };
    events.failed = [&](ScreenRecording::Failure, const std::string& reason) { ADD_FAILURE() << reason; };
    ScreenRecording recording(settings, events);
    ASSERT_TRUE(test::waitUntil([&] { return recording.framesDropped() > 0; }, 60000)) << "the encoder kept up";
    const double stop = monotonicSeconds() - recording.startTime();
    recording.finishMovie();
    ASSERT_TRUE(test::waitUntil([&] { return finished.load(); }, 120000));

    const test::DecodedVideo decoded = test::decodeVideo(movie);
    ASSERT_FALSE(decoded.frameTimes.empty());
    // The last frame is the display at the stop, or one grabbed less than half a frame before.
    EXPECT_GE(decoded.frameTimes.back(), stop - 0.5 / 60);
    EXPECT_LE(decoded.frameTimes.back(), stop + 1.0 / 60);
}

// A grey display whose grabs throw from the given one on: what a broken source may throw, a
// reason or anything else.
class FailingScreen : public GreyScreen {
public:
    FailingScreen(int failAt, std::function<void()> failure)
        : m_failAt(failAt)
        , m_failure(std::move(failure))
    {
    }
    ScreenFrame grab() override
    {
        if (++m_grabs >= m_failAt)
            m_failure();
        return GreyScreen::grab();
    }

private:
    int m_grabs = 0;
    const int m_failAt;
    const std::function<void()> m_failure;
};

TEST(ScreenRecordingStopTest, WhateverTheGrabThrowsStopsTheCaptureAndTheMovieIsFinished)
{
    QTemporaryDir dir;
    const struct {
        const char* name;
        std::function<void()> failure;
        std::string reason;
    } rows[] = {
        {"a reason", [] { throw std::runtime_error("The display went away."); }, "The display went away."},
        {"an error of another kind", [] { throw std::logic_error("unexpected"); }, "unexpected"},
        {"anything else", [] { throw 42; }, "The display could not be read."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string movie = dir.filePath(QString(row.name) + ".mov").toStdString();
        ScreenRecordingSettings settings;
        settings.source = std::make_shared<FailingScreen>(10, row.failure);
        settings.pixelSize = kPicture;
        settings.framesPerSecond = 30;
        settings.path = movie;
        std::mutex mutex;
        std::optional<std::string> stopped;
        std::atomic<bool> finished{false};
        ScreenRecording::Events events;
        events.stopped = [&](const std::string& reason) {
            std::lock_guard lock(mutex);
            stopped = reason;
        };
        events.finished = [&] { finished = true; };
        events.failed = [&](ScreenRecording::Failure, const std::string& reason) { ADD_FAILURE() << reason; };
        ScreenRecording recording(settings, events);
        // The movie is finished with the pictures grabbed before, by itself.
        ASSERT_TRUE(test::waitUntil([&] { return finished.load(); }));
        {
            std::lock_guard lock(mutex);
            EXPECT_EQ(stopped, row.reason);
        }
        EXPECT_EQ(test::decodeVideo(movie).frameTimes.size(), 9u);
    }
}

TEST(ScreenRecordingSoundTest, TheSourcesThatOpenAreHeardWhicheverFailed)
{
    QTemporaryDir dir;
    struct Case {
        const char* name;
        std::set<std::string> broken;
    };
    for (const Case& c : {Case{"both open", {}}, Case{"the system's output fails", {"output.monitor"}}}) {
        const std::string movie = dir.filePath(QString(c.name) + ".mov").toStdString();
        std::atomic<bool> finished{false};
        ScreenRecording::Events events;
        events.finished = [&] { finished = true; };
        events.failed = [&](ScreenRecording::Failure, const std::string& reason) { ADD_FAILURE() << reason; };
        ScreenRecording recording(settingsFor(movie, c.broken), events);
        ASSERT_TRUE(recording.hasSound()) << c.name;
        ASSERT_TRUE(test::waitUntil([&] { return recording.framesCaptured() >= 30; })) << c.name;
        recording.finishMovie();
        ASSERT_TRUE(test::waitUntil([&] { return finished.load(); })) << c.name;

        // The tones are in the movie from a moment after its start to its end: every 10 ms of
        // its middle half is loud.
        const std::vector<std::int16_t> sound = test::decodedSound(QString::fromStdString(movie));
        ASSERT_GT(sound.size(), 48000u / 2) << c.name;
        constexpr std::size_t kWindow = 480;
        std::size_t windows = 0, loud = 0;
        for (std::size_t at = sound.size() / 4; at + kWindow <= sound.size() * 3 / 4; at += kWindow, ++windows) {
            double energy = 0;
            for (std::size_t i = at; i < at + kWindow; ++i)
                energy += double(sound[i]) * sound[i];
            loud += std::sqrt(energy / kWindow) > 0.2 * 32768;
        }
        EXPECT_EQ(loud, windows) << c.name << ": the sound is missing or broken";
    }
}

TEST(ScreenRecordingSoundTest, AServerThatGoesAwayLeavesTheSoundBeforeItAndSilenceToTheEnd)
{
    QTemporaryDir dir;
    const std::string movie = dir.filePath("lost.mov").toStdString();
    auto life = std::make_shared<ToneServerLife>();
    std::atomic<bool> finished{false};
    std::atomic<int> losses{0};
    std::atomic<double> lostAt{-1};
    ScreenRecording::Events events;
    events.finished = [&] { finished = true; };
    events.failed = [&](ScreenRecording::Failure, const std::string& reason) { ADD_FAILURE() << reason; };
    events.soundLost = [&](double seconds) {
        lostAt = seconds;
        ++losses;
    };
    ScreenRecording recording(settingsFor(movie, {}, false, life), events);
    ASSERT_TRUE(test::waitUntil([&] { return recording.framesCaptured() >= 30; }));
    const double killedAt = monotonicSeconds() - recording.startTime();
    ToneServer::kill(*life);
    ASSERT_EQ(losses.load(), 1);
    // The recording goes on for another second of pictures.
    const std::int64_t atLoss = recording.framesCaptured();
    ASSERT_TRUE(test::waitUntil([&] { return recording.framesCaptured() >= atLoss + 30; }));
    recording.finishMovie();
    ASSERT_TRUE(test::waitUntil([&] { return finished.load(); }));
    EXPECT_EQ(losses.load(), 1);

    // The loss is placed where the last sound delivered ends, at the latest when it happened.
    EXPECT_GT(lostAt.load(), 0.5);
    EXPECT_LE(lostAt.load(), killedAt);
    const test::DecodedVideo decoded = test::decodeVideo(movie);
    ASSERT_FALSE(decoded.frameTimes.empty());
    const double pictureEnd = decoded.frameTimes.back() + 1.0 / 30;
    EXPECT_GE(decoded.frameTimes.back(), killedAt + 0.9);
    // The sound lasts as long as the picture (up to the encoder's last packet of 1024 samples).
    const std::vector<std::int16_t> sound = test::decodedSound(QString::fromStdString(movie));
    EXPECT_GE(static_cast<double>(sound.size()) / 48000, pictureEnd - 0.001);
    EXPECT_LE(static_cast<double>(sound.size()) / 48000, pictureEnd + 1024.0 / 48000 + 0.001);
    // Every 10 ms from a moment after the start to the loss is loud, every one after it silent;
    // the encoder's packets blur the edge by one packet.
    constexpr std::size_t kWindow = 480;
    constexpr double kEdge = 1024.0 / 48000;
    const auto rms = [&](std::size_t at) {
        double energy = 0;
        for (std::size_t i = at; i < at + kWindow; ++i)
            energy += double(sound[i]) * sound[i];
        return std::sqrt(energy / kWindow);
    };
    for (std::size_t at = static_cast<std::size_t>(0.25 * 48000); (at + kWindow) / 48000.0 < lostAt - kEdge;
         at += kWindow) {
        ASSERT_GT(rms(at), 0.2 * 32768) << "quiet at " << at / 48000.0 << " s, before the loss at " << lostAt;
    }
    for (std::size_t at = static_cast<std::size_t>((lostAt + kEdge) * 48000); at + kWindow <= sound.size();
         at += kWindow) {
        ASSERT_LT(rms(at), 0.001 * 32768) << "sound at " << at / 48000.0 << " s, after the loss at " << lostAt;
    }
}

TEST(ScreenRecordingSoundTest, AStartThatFailsAfterTheSoundOpenedEndsTheStreamsBeforeTheirMixer)
{
    // The movie cannot be created once both streams deliver: the start throws while their
    // threads are inside the mixer. A mixer that went first would be used after it was freed
    // (a crash here, a report in the sanitized build).
    QTemporaryDir dir;
    const std::string movie = dir.filePath("missing folder/movie.mov").toStdString();
    for (int attempt = 0; attempt < 20; ++attempt)
        EXPECT_THROW(ScreenRecording(settingsFor(movie, {}, true), {}), MediaError);
}

}  // namespace
}  // namespace sablewick
