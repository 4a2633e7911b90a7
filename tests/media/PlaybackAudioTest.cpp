// The mix, the file audio players and the output's clock, without an audio server: a manual
// output is rendered by the test, and the fall-back is tested against a server that is missing.
#include "media/AudioOutput.h"
#include "media/MediaError.h"
#include "media/PlaybackAudioPlayer.h"
#include "media/PlaybackEngine.h"
#include "media/PlaybackError.h"
#include "media/PlaybackMovieSound.h"
#include "platform/MonotonicClock.h"

#include "PlaybackTestSupport.h"
#include "support/TemporaryEnvironment.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace sablewick {
namespace {

using test::FakeClock;

constexpr int kRate = AudioOutput::sampleRate;

TEST(PlaybackMixTest, SourcesAddAtTheirVolumeAndTheSumIsClipped)
{
    struct Case {
        float mix, sample, volume, expected;
    };
    const Case cases[] = {
        {0.0f, 0.5f, 1.0f, 0.5f},
        {0.25f, 0.5f, 0.5f, 0.5f},
        {0.25f, -0.5f, 0.28f, 0.11f},
        {0.8f, 0.9f, 1.0f, 1.0f},     // clipped above
        {-0.8f, -0.9f, 1.0f, -1.0f},  // clipped below
        {0.3f, 0.9f, 0.0f, 0.3f},     // a muted source adds nothing
    };
    for (const Case& c : cases) {
        float mix[2] = {c.mix, c.mix};
        const float samples[2] = {c.sample, c.sample};
        addScaledSamples(mix, samples, 2, c.volume);
        clipSamples(mix, 2);
        EXPECT_FLOAT_EQ(mix[0], c.expected) << c.mix << " + " << c.sample << " x " << c.volume;
        EXPECT_FLOAT_EQ(mix[1], c.expected);
    }
}

TEST(PlaybackMixTest, VolumesAreClampedToZeroToOne)
{
    const std::pair<float, float> cases[] = {
        {0.45f, 0.45f}, {1.0f, 1.0f}, {1.5f, 1.0f}, {-0.2f, 0.0f},
        {std::numeric_limits<float>::quiet_NaN(), 1.0f}, {std::numeric_limits<float>::infinity(), 1.0f},
    };
    for (const auto& [in, out] : cases)
        EXPECT_FLOAT_EQ(clampPlaybackVolume(in), out) << in;
}

// Frame i of the ramp holds i / 1000 on both channels.
std::vector<float> ramp(int frames)
{
    std::vector<float> samples(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i)
        samples[2 * i] = samples[2 * i + 1] = static_cast<float>(i) / 1000.0f;
    return samples;
}

class PlaybackAudioPlayerTest : public ::testing::Test {
protected:
    std::vector<float> render(int frames)
    {
        std::vector<float> out(static_cast<std::size_t>(frames) * 2, -9.0f);
        m_output->render(out.data(), frames);
        return out;
    }

    std::shared_ptr<FakeClock> m_clock = std::make_shared<FakeClock>();
    std::shared_ptr<AudioOutput> m_output = AudioOutput::manual(m_clock);
};

TEST_F(PlaybackAudioPlayerTest, PlaysFromItsPositionAndStopsAndRewindsAtTheEnd)
{
    PlaybackAudioPlayer player(ramp(1000), m_output);
    EXPECT_DOUBLE_EQ(player.length(), 1000.0 / kRate);
    EXPECT_EQ(render(4)[0], 0.0f);  // not playing: silence

    player.setPosition(900.0 / kRate);
    player.play();
    EXPECT_TRUE(player.isPlaying());
    const auto out = render(200);
    EXPECT_FLOAT_EQ(out[0], 0.900f);
    EXPECT_FLOAT_EQ(out[2 * 99 + 1], 0.999f);
    EXPECT_EQ(out[2 * 100], 0.0f);  // after the end: silence
    EXPECT_EQ(out[2 * 199], 0.0f);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.position(), 0.0);
}

TEST_F(PlaybackAudioPlayerTest, LoopsWithoutAGap)
{
    PlaybackAudioPlayer player(ramp(1000), m_output);
    player.setLooping(true);
    player.setPosition(990.0 / kRate);
    player.play();
    const auto out = render(2030);
    EXPECT_FLOAT_EQ(out[2 * 9], 0.999f);
    EXPECT_FLOAT_EQ(out[2 * 10], 0.0f);
    EXPECT_FLOAT_EQ(out[2 * 11], 0.001f);
    EXPECT_FLOAT_EQ(out[2 * 1010], 0.0f);   // second wrap
    EXPECT_FLOAT_EQ(out[2 * 2029], 0.019f);
    EXPECT_TRUE(player.isPlaying());
    EXPECT_DOUBLE_EQ(player.position(), 20.0 / kRate);
}

TEST_F(PlaybackAudioPlayerTest, PauseKeepsThePositionStopRewinds)
{
    PlaybackAudioPlayer player(ramp(1000), m_output);
    player.play();
    render(100);
    player.pause();
    render(100);
    EXPECT_DOUBLE_EQ(player.position(), 100.0 / kRate);
    player.play();
    EXPECT_FLOAT_EQ(render(1)[0], 0.100f);
    player.stop();
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.position(), 0.0);
    // Positions outside the sound are clamped to it; non-finite ones are ignored.
    player.setPosition(-4);
    EXPECT_EQ(player.position(), 0.0);
    player.setPosition(60);
    EXPECT_DOUBLE_EQ(player.position(), player.length());
    player.setPosition(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(player.position(), player.length());
}

TEST_F(PlaybackAudioPlayerTest, PlayersMixAtTheirOwnVolumes)
{
    PlaybackAudioPlayer music(std::vector<float>(2000, 0.5f), m_output);
    PlaybackAudioPlayer clicks(std::vector<float>(2000, 0.4f), m_output);
    music.setVolume(0.28f);
    clicks.setVolume(0.45f);
    EXPECT_FLOAT_EQ(music.volume(), 0.28f);
    music.play();
    clicks.play();
    EXPECT_FLOAT_EQ(render(1)[0], 0.5f * 0.28f + 0.4f * 0.45f);
    // A volume change applies at once, to the running sound.
    music.setVolume(2.0f);
    clicks.setVolume(-1.0f);
    EXPECT_FLOAT_EQ(music.volume(), 1.0f);
    EXPECT_FLOAT_EQ(render(1)[0], 0.5f);
    clicks.setVolume(1.0f);
    EXPECT_FLOAT_EQ(render(1)[0], 0.9f);
    {
        PlaybackAudioPlayer loud(std::vector<float>(2000, 0.8f), m_output);
        loud.play();
        EXPECT_FLOAT_EQ(render(1)[0], 1.0f);
    }
    // A destroyed player leaves the mix.
    EXPECT_FLOAT_EQ(render(1)[0], 0.9f);
}

TEST_F(PlaybackAudioPlayerTest, OpensSoundFilesAndRefusesOthersWithAReason)
{
    QTemporaryDir dir;
    const QString clip = dir.filePath("tone.mp4");
    test::writeTestClip(clip, 30, 30, true);
    QString error;
    auto player = PlaybackAudioPlayer::open(clip, m_output, &error);
    ASSERT_NE(player, nullptr) << error.toStdString();
    EXPECT_NEAR(player->length(), 1.0, 0.05);
    player->setVolume(1);
    player->setPosition(0.25);
    player->play();
    const auto out = render(kRate / 10);
    float peak = 0;
    for (float v : out)
        peak = std::max(peak, std::abs(v));
    EXPECT_NEAR(peak, 0.5f, 0.08f);  // the clip's tone, through AAC

    const QString silentClip = dir.filePath("silent.mp4");
    test::writeTestClip(silentClip, 10, 30, false);
    for (const QString& path : {dir.filePath("missing.wav"), silentClip, QStringLiteral("https://example.com/a.mp3")}) {
        SCOPED_TRACE(path.toStdString());
        error.clear();
        EXPECT_EQ(PlaybackAudioPlayer::open(path, m_output, &error), nullptr);
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST_F(PlaybackAudioPlayerTest, ALongFileIsReadOnlyAsFarAsItIsPlayedAndLoopsAtItsTrueEnd)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("long.m4a");
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                            "sine=frequency=440:sample_rate=22050:duration=90", "-ac", "1", "-c:a",
                                            "aac", "-b:a", "32k", path});
    ASSERT_TRUE(ffmpeg.waitForFinished(60000));
    ASSERT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();

    QString error;
    const auto whole = PlaybackAudioPlayer::decode(path, std::numeric_limits<double>::infinity(), {}, &error);
    ASSERT_NE(whole, nullptr) << error.toStdString();
    EXPECT_DOUBLE_EQ(whole->length, static_cast<double>(whole->samples.size()) / 2 / kRate);
    EXPECT_NEAR(whole->length, 90.0, 0.1);
    const auto start = PlaybackAudioPlayer::decode(path, 3.0, {}, &error);
    ASSERT_NE(start, nullptr) << error.toStdString();
    ASSERT_EQ(start->samples.size(), std::size_t(3 * kRate * 2));
    EXPECT_TRUE(std::equal(start->samples.begin(), start->samples.end(), whole->samples.begin()))
        << "the start is the same sound as the start of the whole file";
    EXPECT_NEAR(start->length, 90.0, 0.1) << "the file's own length, not what was read";
    // A reach past the file's end reads all of it, and its length is what was read.
    const auto beyond = PlaybackAudioPlayer::decode(path, 200.0, {}, &error);
    ASSERT_NE(beyond, nullptr) << error.toStdString();
    EXPECT_EQ(beyond->samples, whole->samples);
    EXPECT_DOUBLE_EQ(beyond->length, whole->length);

    const auto peak = [](const std::vector<float>& samples, std::size_t from, std::size_t to) {
        float p = 0;
        for (std::size_t i = from; i < to; ++i)
            p = std::max(p, std::abs(samples[i]));
        return p;
    };
    PlaybackAudioPlayer player(std::move(*start), m_output);
    EXPECT_NEAR(player.length(), 90.0, 0.1);
    player.setLooping(true);
    player.setPosition(2.0);
    player.play();
    auto out = render(kRate / 10);
    EXPECT_GT(peak(out, 0, out.size()), 0.05f) << "the tone, from what was read";
    // Past what was read the player keeps time in silence.
    player.setPosition(10.0);
    out = render(kRate / 10);
    EXPECT_EQ(peak(out, 0, out.size()), 0.0f);
    EXPECT_TRUE(player.isPlaying());
    EXPECT_DOUBLE_EQ(player.position(), 10.1);
    // ...and loops at the file's end, not at the end of what was read.
    player.setPosition(player.length() - 0.05);
    out = render(kRate / 5);
    EXPECT_EQ(peak(out, 0, out.size() / 4), 0.0f);
    EXPECT_GT(peak(out, out.size() / 4, out.size()), 0.05f);
    EXPECT_DOUBLE_EQ(player.position(), 0.15);
}

// The movie's sound follows the picture's clock: frame f of the movie is heard at clock time
// anchorClock + (f / rate - anchorMovie).
TEST(PlaybackMovieSoundTest, PlaysTheFramesThatBelongToTheMomentTheyAreHeard)
{
    PlaybackMovieSound sound;
    sound.reset(kRate);  // the decoder sought to 1 s
    const auto samples = ramp(4800);
    sound.append(samples.data(), 4800);
    EXPECT_EQ(sound.framesAhead(), 4800);

    std::vector<float> mix(200, 0.0f);
    sound.mixInto(mix.data(), 100, 50.0);
    EXPECT_EQ(mix[0], 0.0f) << "not started: silent";

    sound.start(1.0, 50.0);  // movie time 1 s is heard at clock 50 s
    sound.mixInto(mix.data(), 100, 50.0 + 10.0 / kRate);
    EXPECT_FLOAT_EQ(mix[0], 0.010f);
    EXPECT_FLOAT_EQ(mix[2 * 99], 0.109f);
    // The next block continues without a gap, whatever small jitter the clock shows.
    std::fill(mix.begin(), mix.end(), 0.0f);
    sound.mixInto(mix.data(), 100, 50.0 + 112.0 / kRate);
    EXPECT_FLOAT_EQ(mix[0], 0.110f);
    // A large difference (a stalled decoder, a drifting card) makes the sound jump to the clock.
    std::fill(mix.begin(), mix.end(), 0.0f);
    sound.mixInto(mix.data(), 100, 50.0 + 3000.0 / kRate);
    EXPECT_FLOAT_EQ(mix[0], 3.000f);
    EXPECT_EQ(sound.framesAhead(), 4800 - 3100);

    // Heard before the buffered sound begins: silence first, then the sound.
    sound.start(1.0 - 50.0 / kRate, 60.0);
    sound.setVolume(0.5f);
    std::fill(mix.begin(), mix.end(), 0.0f);
    sound.reset(kRate);
    sound.append(samples.data(), 4800);
    sound.mixInto(mix.data(), 100, 60.0);
    EXPECT_EQ(mix[2 * 49], 0.0f);
    EXPECT_FLOAT_EQ(mix[2 * 50 + 1], 0.0f);
    EXPECT_FLOAT_EQ(mix[2 * 60], 0.005f);

    // Past the decoded sound: silence rather than stale samples.
    std::fill(mix.begin(), mix.end(), 0.0f);
    sound.start(1.0 + 4790.0 / kRate, 70.0);
    sound.mixInto(mix.data(), 100, 70.0);
    EXPECT_FLOAT_EQ(mix[2 * 9], 4.799f * 0.5f);
    EXPECT_EQ(mix[2 * 10], 0.0f);

    sound.stop();
    std::fill(mix.begin(), mix.end(), 0.0f);
    sound.mixInto(mix.data(), 100, 70.1);
    EXPECT_EQ(mix[0], 0.0f);
}

TEST(PlaybackClockTest, WithoutAnAudioServerTheSystemClockDrivesPlayback)
{
    QTemporaryDir dir;
    test::ScopedEnvironment environment;
    environment.set("PULSE_SERVER", ("unix:" + dir.filePath("no-such-socket")).toStdString());
    QElapsedTimer elapsed;
    elapsed.start();
    // A long timeout: a missing server must be noticed at once, not waited for.
    auto output = AudioOutput::connect(30.0);
    EXPECT_LT(elapsed.elapsed(), 5000);
    EXPECT_EQ(output->mode(), AudioOutput::Mode::systemClock);
    EXPECT_FALSE(output->serverError().isEmpty());

    // It runs with the monotonic clock: what it moves on by lies between the time that surely
    // passed between its two readings and the time around them, however slowly this test runs.
    const double outerStart = monotonicSeconds();
    const double before = output->now();
    const double innerStart = monotonicSeconds();
    double innerEnd = innerStart, after = before, outerEnd = innerStart;
    while (after - before < 0.1 && outerEnd - outerStart < 30) {
        innerEnd = monotonicSeconds();
        after = output->now();
        outerEnd = monotonicSeconds();
    }
    EXPECT_GE(after - before, 0.1);
    EXPECT_GE(after - before, innerEnd - innerStart - 1e-9);
    EXPECT_LE(after - before, outerEnd - outerStart + 1e-9);

    // The sound is consumed at real time even though nobody hears it.
    PlaybackAudioPlayer player(std::vector<float>(static_cast<std::size_t>(kRate) * 2 * 10, 0.1f), output);
    player.play();
    EXPECT_TRUE(test::processEventsUntil([&] { return player.position() >= 0.05; }));
    EXPECT_TRUE(player.isPlaying());
}

// The real engine where no audio server answers, with a movie open.
struct ServerlessMovie {
    void open(int frames, int fps)
    {
        const QString clip = dir.filePath("clip.mp4");
        test::writeTestClip(clip, frames, fps, true);
        environment.set("PULSE_SERVER", ("unix:" + dir.filePath("no-such-socket")).toStdString());
        engine.emplace();
        ASSERT_EQ(engine->output()->mode(), AudioOutput::Mode::systemClock);
        player = engine->makeVideoPlayer();
        QString error;
        ASSERT_TRUE(player->open(clip, &error)) << error.toStdString();
    }

    QTemporaryDir dir;
    test::ScopedEnvironment environment;
    std::optional<PlaybackEngine> engine;
    std::unique_ptr<VideoPlayer> player;
};

TEST(PlaybackClockTest, AMovieWithoutAnAudioServerPlaysToItsEndInRealTime)
{
    ServerlessMovie movie;
    ASSERT_NO_FATAL_FAILURE(movie.open(15, 30));
    VideoPlayer* player = movie.player.get();
    test::PlayerSignals seen(player);
    player->play();
    ASSERT_TRUE(test::processEventsUntil([&] { return seen.ends == 1; }));
    EXPECT_FALSE(player->isPlaying());
    EXPECT_DOUBLE_EQ(player->currentTime(), player->duration());
    // Half a second of playback: about five reports, the last one at the end.
    EXPECT_GE(seen.times.size(), 3u);
    EXPECT_LE(seen.times.size(), 7u);
    EXPECT_DOUBLE_EQ(seen.times.back(), player->duration());
    EXPECT_GE(seen.frames, 2);
}

TEST(PlaybackClockTest, WithoutAnAudioServerPauseSeekAndPlayKeepTheTime)
{
    constexpr int fps = 15;
    ServerlessMovie movie;
    ASSERT_NO_FATAL_FAILURE(movie.open(45, fps));
    VideoPlayer* player = movie.player.get();
    AudioOutput& output = *movie.engine->output();
    const auto frameShown = [&](double t) {
        return test::frameIndexOf(player->currentFrame()) == static_cast<int>(std::floor(t * fps + 1e-6));
    };
    // Plays on from `from` until `to` as the clock runs, never going back, and pauses there on its
    // frame.
    const auto playTo = [&](double from, double to) {
        const double started = output.now();
        player->play();
        double last = from;
        ASSERT_TRUE(test::processEventsUntil([&] {
            const double t = player->currentTime();
            EXPECT_GE(t, last);
            EXPECT_LE(t - from, output.now() - started + 1e-9) << "ahead of the clock";
            last = t;
            return last >= to;
        }));
        player->pause();
        const double paused = player->currentTime();
        EXPECT_GE(paused, to);
        ASSERT_TRUE(test::processEventsUntil([&] { return frameShown(paused); })) << paused;
        const double clock = output.now();
        ASSERT_TRUE(test::processEventsUntil([&] { return output.now() >= clock + 0.2; }));
        EXPECT_EQ(player->currentTime(), paused) << "paused, the time stands";
        EXPECT_TRUE(frameShown(paused));
    };
    playTo(0, 0.3);
    const double paused = player->currentTime();
    playTo(paused, paused + 0.2);
    player->seek(2.0);
    EXPECT_EQ(player->currentTime(), 2.0);
    playTo(2.0, 2.3);
    // Seeking while playing: the time waits at the seek until its picture is there.
    player->play();
    player->seek(0.5);
    playTo(0.5, 0.8);
}

TEST(PlaybackErrorTest, AMediaFailureIsNamedAndAnyOtherGetsTheGeneralSentence)
{
    const QString general = QStringLiteral("The file cannot be played.");
    EXPECT_EQ(describePlaybackError(MediaError(MediaErrorKind::notFound, "/gone.mp4")),
              QStringLiteral("The file does not exist."));
    EXPECT_EQ(describePlaybackError(MediaError(MediaErrorKind::unreadable, "/notes.mp4")),
              QStringLiteral("The file cannot be read as a movie or sound file."));
    EXPECT_EQ(describePlaybackError(MediaError(MediaErrorKind::writeFailed, "/x.mp4")), general);
    // Not a file's fault, so not described as one.
    EXPECT_EQ(describePlaybackError(std::bad_alloc()), general);
}

}  // namespace
}  // namespace sablewick
