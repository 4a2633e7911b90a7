// The output against a real PulseAudio daemon (the test command's private one with a null sink):
// the clock follows the server and the mix reaches the sink, as recorded from its monitor.
#include "media/AudioOutput.h"
#include "media/PlaybackAudioPlayer.h"
#include "media/PlaybackEngine.h"

#include "PlaybackTestSupport.h"
#include "support/TemporaryEnvironment.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace sablewick {
namespace {

// Records one output's stream, as the server plays it into the sink, while it lives (tests run
// side by side, so the sink's monitor would hear the others too).
class SinkRecorder {
public:
    explicit SinkRecorder(const AudioOutput& output)
    {
        m_process.start(QStringLiteral("parec"), {QStringLiteral("--monitor-stream=%1").arg(output.serverStreamIndex()), QStringLiteral("--format=float32le"),
                                                 QStringLiteral("--rate=48000"), QStringLiteral("--channels=2"),
                                                 QStringLiteral("--latency-msec=20")});
    }
    ~SinkRecorder()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool started() { return m_process.waitForStarted(5000); }

    // Waits until the recording has produced something, so that what follows is captured.
    bool waitForData()
    {
        return test::processEventsUntil([&] {
            m_process.waitForReadyRead(10);
            take();
            return !m_samples.empty();
        });
    }
    // Records for about `seconds` more.
    void record(double seconds)
    {
        test::processEventsUntil([] { return false; }, static_cast<int>(seconds * 1000));
        m_process.waitForReadyRead(100);
        take();
    }
    // Records until `done` holds; false if it never does.
    bool recordUntil(const std::function<bool()>& done)
    {
        const bool ok = test::processEventsUntil([&] {
            m_process.waitForReadyRead(5);
            take();
            return done();
        });
        record(0.1);
        return ok;
    }
    // Seconds recorded after the first sample louder than `level` (none before there is one), and
    // after the last one (all when there is none).
    double secondsAfterFirst(float level) const
    {
        const auto first =
            std::find_if(m_samples.begin(), m_samples.end(), [level](float v) { return std::abs(v) > level; });
        return double(m_samples.end() - first) / (48000 * 2);
    }
    double secondsAfterLast(float level) const
    {
        const auto last =
            std::find_if(m_samples.rbegin(), m_samples.rend(), [level](float v) { return std::abs(v) > level; });
        return double(last - m_samples.rbegin()) / (48000 * 2);
    }
    // The loudest 50 ms (root mean square) of the last `seconds` recorded (all by default).
    // Loudest, because a busy machine may leave gaps in what the server plays.
    double loudest(double seconds = 1e9) const
    {
        const std::size_t window = 48000 / 20 * 2;
        const double wanted = seconds * 48000 * 2;
        const std::size_t from = wanted >= double(m_samples.size()) ? 0 : m_samples.size() - static_cast<std::size_t>(wanted);
        double loudest = 0;
        for (std::size_t start = from; start + window <= m_samples.size(); start += window / 2)
            loudest = std::max(loudest, level(start, window));
        return loudest;
    }

private:
    void take()
    {
        m_bytes += m_process.readAllStandardOutput();
        const qsizetype whole = m_bytes.size() / qsizetype(sizeof(float));
        if (whole == 0)
            return;  // nothing to copy, and an empty vector's data() may be null, which memcpy forbids
        const std::size_t old = m_samples.size();
        m_samples.resize(old + static_cast<std::size_t>(whole));
        std::memcpy(m_samples.data() + old, m_bytes.constData(), static_cast<std::size_t>(whole) * sizeof(float));
        m_bytes.remove(0, whole * qsizetype(sizeof(float)));
    }

    double level(std::size_t start, std::size_t count) const
    {
        double sum = 0;
        for (std::size_t i = start; i < start + count; ++i)
            sum += double(m_samples[i]) * m_samples[i];
        return std::sqrt(sum / double(count));
    }

    QProcess m_process;
    QByteArray m_bytes;
    std::vector<float> m_samples;
};

// Whether the server holds the stream paused ("Corked"), as pactl reports it.
std::optional<bool> streamCorked(std::int64_t index)
{
    QProcess pactl;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    pactl.setProcessEnvironment(environment);
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")});
    if (!pactl.waitForFinished(10000))
        return std::nullopt;
    const QStringList blocks = QString::fromUtf8(pactl.readAllStandardOutput()).split(QStringLiteral("Sink Input #"));
    for (const QString& block : blocks) {
        if (!block.startsWith(QString::number(index) + QLatin1Char('\n')))
            continue;
        if (block.contains(QStringLiteral("Corked: yes")))
            return true;
        if (block.contains(QStringLiteral("Corked: no")))
            return false;
    }
    return std::nullopt;
}

class PlaybackPulseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("PULSE_SERVER"))
            GTEST_SKIP() << "needs the test command's private audio server";
    }
};

TEST_F(PlaybackPulseTest, TheClockIsTheServersAndAdvancesInRealTime)
{
    auto output = AudioOutput::connect();
    ASSERT_EQ(output->mode(), AudioOutput::Mode::server) << output->serverError().toStdString();
    EXPECT_TRUE(output->serverError().isEmpty());
    // It follows what the sink plays, which a busy machine may delay, but never runs ahead of
    // real time by much and never backwards.
    const auto start = std::chrono::steady_clock::now();
    const double before = output->now();
    double last = before;
    EXPECT_TRUE(test::processEventsUntil([&] {
        const double now = output->now();
        EXPECT_GE(now, last);
        last = now;
        return now - before >= 0.3;
    }));
    const double real = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(last - before, real + 0.1);
}

TEST_F(PlaybackPulseTest, AnIdleOutputPausesItsStreamWhileTheClockRunsOn)
{
    auto output = AudioOutput::connect();
    ASSERT_EQ(output->mode(), AudioOutput::Mode::server) << output->serverError().toStdString();
    const std::int64_t index = output->serverStreamIndex();
    ASSERT_GE(index, 0);
    EXPECT_EQ(streamCorked(index), true) << "nothing has played yet";

    double last = output->now();
    auto clockAdvances = [&](double seconds) {
        const double from = last;
        return test::processEventsUntil([&] {
            const double now = output->now();
            EXPECT_GE(now, last);
            last = now;
            return now - from >= seconds;
        });
    };
    EXPECT_TRUE(clockAdvances(0.1));

    PlaybackAudioPlayer player(test::tone(30).samples, output);
    player.play();
    EXPECT_TRUE(test::processEventsUntil([&] { return streamCorked(index) == false; }));
    EXPECT_TRUE(clockAdvances(0.2));

    player.stop();
    EXPECT_TRUE(test::processEventsUntil([&] { return streamCorked(index) == true; }, 20000));
    EXPECT_TRUE(clockAdvances(0.1));
    // Playing again wakes it, with the clock still continuous.
    player.play();
    EXPECT_TRUE(test::processEventsUntil([&] { return streamCorked(index) == false; }));
    EXPECT_TRUE(clockAdvances(0.2));
}

// Before a stream has played anything, libpulse counts its time from when it was made and takes
// that back once the first sound comes out. The clock moves with the sound all the same, however
// long the stream waited.
TEST_F(PlaybackPulseTest, TheClockMovesWithTheFirstSoundAfterTheStreamWaited)
{
    auto output = AudioOutput::connect();
    ASSERT_EQ(output->mode(), AudioOutput::Mode::server) << output->serverError().toStdString();
    // The stream waits, corked, as an editor does until its first Play.
    ASSERT_TRUE(test::processEventsUntil([&] { return output->now() >= 3.0; }));
    PlaybackAudioPlayer player(test::tone(30).samples, output);
    const double woken = output->now();
    player.play();
    // The bound is only the failure limit; what counts is how far the clock got meanwhile.
    ASSERT_TRUE(test::processEventsUntil([&] { return player.position() >= 1.5; }, 60000));
    EXPECT_GT(output->now() - woken, player.position() - 0.6) << "the clock stood still while the sound played";
}

TEST_F(PlaybackPulseTest, WhenTheServerGoesAwayPlaybackFollowsTheSystemClock)
{
    // A server of this test's own, so that stopping it disturbs nobody else.
    QTemporaryDir dir;
    const QString socket = dir.filePath("native");
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QStringLiteral("pulseaudio"),
                 {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--disallow-exit", "--disable-shm=yes",
                  "--log-target=stderr", "--log-level=0", "-L",
                  QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1").arg(socket), "-L",
                  "module-null-sink sink_name=doomed"});
    ASSERT_TRUE(server.waitForStarted(10000));
    test::ScopedEnvironment environment;
    environment.set("PULSE_SERVER", ("unix:" + socket).toStdString());
    ASSERT_TRUE(test::processEventsUntil([&] { return QFile::exists(socket); }));

    auto output = AudioOutput::connect();
    ASSERT_EQ(output->mode(), AudioOutput::Mode::server) << output->serverError().toStdString();
    PlaybackAudioPlayer player(test::tone(30).samples, output);
    player.play();
    double last = output->now();
    ASSERT_TRUE(test::processEventsUntil([&] { return output->now() - last > 0.2; }));
    last = output->now();

    server.kill();
    server.waitForFinished(10000);
    ASSERT_TRUE(test::processEventsUntil([&] {
        const double now = output->now();
        EXPECT_GE(now, last);
        last = now;
        return output->mode() == AudioOutput::Mode::systemClock;
    }));
    EXPECT_FALSE(output->serverError().isEmpty());
    // The clock and the sound's position keep running at real time.
    const double position = player.position();
    const double from = output->now();
    ASSERT_TRUE(test::processEventsUntil([&] { return output->now() - from >= 0.2; }));
    EXPECT_GT(player.position(), position + 0.1);
    EXPECT_TRUE(player.isPlaying());
}

TEST_F(PlaybackPulseTest, AudioPlayersAreHeardAtTheirVolume)
{
    auto output = AudioOutput::connect();
    ASSERT_EQ(output->mode(), AudioOutput::Mode::server) << output->serverError().toStdString();
    PlaybackAudioPlayer player(test::tone(0.5).samples, output);
    player.setLooping(true);

    SinkRecorder silent(*output);
    ASSERT_TRUE(silent.started());
    ASSERT_TRUE(silent.waitForData());
    silent.record(0.3);
    EXPECT_LT(silent.loudest(), 0.01);

    SinkRecorder recorder(*output);
    ASSERT_TRUE(recorder.waitForData());
    player.play();
    // A 0.5 sine has a root mean square of 0.35. What is measured is the recording's own: the
    // last 0.3 s of at least 0.6 s since the tone was first heard, however late it started.
    ASSERT_TRUE(recorder.recordUntil([&] { return recorder.secondsAfterFirst(0.01f) >= 0.6; }));
    EXPECT_NEAR(recorder.loudest(0.3), 0.354, 0.03);

    // Turned down to a quarter: the last 0.3 s of at least 0.6 s in which no peak of the tone at
    // its old volume was heard.
    SinkRecorder quieter(*output);
    ASSERT_TRUE(quieter.waitForData());
    player.setVolume(0.25f);
    ASSERT_TRUE(quieter.recordUntil([&] { return quieter.secondsAfterLast(0.25f) >= 0.6; }));
    EXPECT_NEAR(quieter.loudest(0.3), 0.354 * 0.25, 0.015);
}

TEST_F(PlaybackPulseTest, TheMoviesSoundIsHeardWhileItPlays)
{
    QTemporaryDir dir;
    const QString clip = dir.filePath("clip.mp4");
    test::writeTestClip(clip, 45, 30, true);
    PlaybackEngine engine;
    ASSERT_EQ(engine.output()->mode(), AudioOutput::Mode::server) << engine.output()->serverError().toStdString();
    auto player = engine.makeVideoPlayer();
    QString error;
    ASSERT_TRUE(player->open(clip, &error)) << error.toStdString();
    test::PlayerSignals seen(player.get());

    SinkRecorder recorder(*engine.output());
    ASSERT_TRUE(recorder.waitForData());
    player->play();
    ASSERT_TRUE(recorder.recordUntil([&] { return seen.ends == 1; }));
    EXPECT_NEAR(recorder.loudest(), 0.354, 0.05);
    EXPECT_GE(seen.times.size(), 5u);
    EXPECT_GE(seen.frames, 10);

    // Muted, the same movie is silent.
    player->setVolume(0);
    player->seek(0);
    SinkRecorder muted(*engine.output());
    ASSERT_TRUE(muted.waitForData());
    player->play();
    ASSERT_TRUE(muted.recordUntil([&] { return seen.ends == 2; }));
    EXPECT_LT(muted.loudest(), 0.01);
}

// The editor's first Play: the movie and its music start together on an output that has waited,
// also when the Play comes before the picture of a seek, and again once the output has gone idle.
// The picture and the time move with the music.
TEST_F(PlaybackPulseTest, AMoviesPictureMovesWithTheMusicFromTheFirstPlay)
{
    QTemporaryDir dir;
    const QString clip = dir.filePath("clip.mp4");
    constexpr int fps = 15;
    test::writeTestClip(clip, 45, fps, true);
    PlaybackEngine engine;
    const std::shared_ptr<AudioOutput>& output = engine.output();
    ASSERT_EQ(output->mode(), AudioOutput::Mode::server) << output->serverError().toStdString();
    auto player = engine.makeVideoPlayer();
    QString error;
    ASSERT_TRUE(player->open(clip, &error)) << error.toStdString();
    auto music = engine.makeAudioPlayer(DecodedAudio{QStringLiteral("music"), test::tone(30).samples, 30});
    ASSERT_TRUE(test::processEventsUntil([&] { return output->now() >= 3.0; }));

    const auto playsAlong = [&](double from, const char* when) {
        SCOPED_TRACE(when);
        player->play();
        music->play();
        const double musicFrom = music->position();
        ASSERT_TRUE(test::processEventsUntil(
            [&] { return music->position() - musicFrom >= 1.2 || !player->isPlaying(); }, 60000));
        EXPECT_GT(player->currentTime() - from, 0.6) << "the time stood still while the music played";
        EXPECT_GT(test::frameIndexOf(player->currentFrame()), (from + 0.5) * fps) << "no new picture";
        player->pause();
        music->pause();
    };
    playsAlong(0, "the first Play");
    player->seek(1.0);
    playsAlong(1.0, "right after a seek");
    player->seek(0.5);
    const std::int64_t index = output->serverStreamIndex();
    ASSERT_TRUE(test::processEventsUntil([&] { return streamCorked(index) == true; }, 30000));
    playsAlong(0.5, "after the output went idle");
}

}  // namespace
}  // namespace sablewick
