// The movie player against real decoded clips, in fake time: the clock and the frame timer are
// the test's, so every step is deterministic.
#include "media/PlaybackVideoPlayer.h"

#include "PlaybackTestSupport.h"

#include "media/VideoFrameSource.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <thread>

namespace sablewick {
namespace {

using test::FakeClock;
using test::FakeTimer;
using test::frameIndexOf;
using test::processEventsUntil;

constexpr int kFrames = 45;
constexpr int kFps = 30;

class PlaybackVideoPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        m_dir = new QTemporaryDir;
        m_clip = m_dir->filePath("clip.mp4");
        test::writeTestClip(m_clip, kFrames, kFps, false);
    }
    static void TearDownTestSuite()
    {
        delete m_dir;
        m_dir = nullptr;
    }

    void SetUp() override
    {
        m_clock = std::make_shared<FakeClock>();
        auto timer = std::make_unique<FakeTimer>();
        m_timer = timer.get();
        m_player = std::make_unique<PlaybackVideoPlayer>(nullptr, m_clock, std::move(timer));
    }

    void openClip()
    {
        QString error;
        ASSERT_TRUE(m_player->open(m_clip, &error)) << error.toStdString();
        ASSERT_TRUE(processEventsUntil([&] { return !m_player->isSeeking(); }));
    }

    void seekAndWait(double t)
    {
        m_player->seek(t);
        ASSERT_TRUE(processEventsUntil([&] { return !m_player->isSeeking(); }));
    }

    // Advances fake time in frame-sized steps; before each step waits until the frame due at
    // that moment has been decoded and shown, so that a slow machine cannot change the result.
    void playFor(double seconds, double step = 1.0 / kFps)
    {
        for (double elapsed = 0; elapsed < seconds - 1e-9 && m_player->isPlaying(); elapsed += step) {
            m_clock->advance(step);
            m_timer->fire();
            const int due = std::min(static_cast<int>(std::floor(m_player->currentTime() * kFps + 1e-4)), kFrames - 1);
            const bool shown = processEventsUntil([&] {
                if (!m_player->isPlaying())
                    return true;
                m_timer->fire();
                return m_player->currentFrameTime() * kFps + 1e-4 >= due;
            });
            ASSERT_TRUE(shown) << "frame " << due << " never shown";
        }
    }

    static inline QTemporaryDir* m_dir = nullptr;
    static inline QString m_clip;
    std::shared_ptr<FakeClock> m_clock;
    FakeTimer* m_timer = nullptr;
    std::unique_ptr<PlaybackVideoPlayer> m_player;
};

TEST_F(PlaybackVideoPlayerTest, OpenShowsTheFirstFrameAndTellsSizeAndDuration)
{
    test::PlayerSignals seen(m_player.get());
    openClip();
    EXPECT_TRUE(m_player->isOpen());
    EXPECT_EQ(m_player->frameSize(), QSize(160, 90));
    EXPECT_NEAR(m_player->duration(), 1.5, 0.05);
    ASSERT_FALSE(m_player->currentFrame().isNull());
    EXPECT_EQ(m_player->currentFrame().size(), QSize(160, 90));
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), 0);
    EXPECT_EQ(seen.frames, 1);
    EXPECT_FALSE(m_player->isPlaying());
    EXPECT_EQ(m_player->currentTime(), 0);
}

TEST_F(PlaybackVideoPlayerTest, PausedSeekShowsExactlyTheFrameAtThatTime)
{
    openClip();
    struct Case {
        double time;
        double expectedTime;
        int expectedFrame;
    };
    const Case cases[] = {
        {0.5, 0.5, 15},                 // exactly on a frame
        {0.5 - 1e-4, 0.5 - 1e-4, 14},   // just before it: the previous frame
        {0.51, 0.51, 15},               // between frames: the one shown
        {7.0 / kFps, 7.0 / kFps, 7},    // backwards, inside the first keyframe interval
        {1.49, 1.49, 44},               // the last frame
        {1.0, 1.0, 30},                 // a keyframe
        {-3, 0, 0},                     // before the start: clamped
        {60, -1, 44},                   // past the end: the duration, the last frame
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        test::PlayerSignals seen(m_player.get());
        seekAndWait(c.time);
        EXPECT_EQ(frameIndexOf(m_player->currentFrame()), c.expectedFrame);
        EXPECT_NEAR(m_player->currentFrameTime(), c.expectedFrame / double(kFps), 1e-3);
        EXPECT_DOUBLE_EQ(m_player->currentTime(), c.expectedTime < 0 ? m_player->duration() : c.expectedTime);
        EXPECT_EQ(seen.frames, 1);
        EXPECT_FALSE(m_player->isPlaying());
    }
    // A time that is not a number moves nothing.
    m_player->seek(std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(m_player->isSeeking());
    EXPECT_DOUBLE_EQ(m_player->currentTime(), m_player->duration());
}

// The picture on show after a seek is the one a straight decode of the movie gives at that time,
// bit for bit: the seek's shortcuts (pictures nothing refers to left undecoded) change nothing.
TEST_F(PlaybackVideoPlayerTest, PausedSeekShowsThePictureOfAStraightDecode)
{
    const QString path = m_dir->filePath("detailed.mp4");
    test::writeDetailedClip(path, 60, kFps, 40);  // keyframes at 0 and 40
    std::vector<VideoFrame> straight;
    VideoFrameSource source(path.toStdString());
    while (std::optional<VideoFrame> frame = source.nextFrame())
        straight.push_back(*frame);
    ASSERT_EQ(straight.size(), 60u);
    QString error;
    ASSERT_TRUE(m_player->open(path, &error)) << error.toStdString();
    ASSERT_TRUE(processEventsUntil([&] { return !m_player->isSeeking(); }));
    // The end of the first interval, backwards into it, a keyframe, the end of the movie.
    for (int k : {39, 21, 40, 59, 38}) {
        SCOPED_TRACE(k);
        seekAndWait(straight[static_cast<std::size_t>(k)].time.seconds() + 0.5 / kFps);
        EXPECT_DOUBLE_EQ(m_player->currentFrameTime(), straight[static_cast<std::size_t>(k)].time.seconds());
        EXPECT_TRUE(m_player->currentFrame() == straight[static_cast<std::size_t>(k)].image);
    }
}

TEST_F(PlaybackVideoPlayerTest, SteppingForwardFrameByFrameShowsEveryFrame)
{
    openClip();
    for (int i = 1; i < 12; ++i) {
        seekAndWait(i / double(kFps));
        ASSERT_EQ(frameIndexOf(m_player->currentFrame()), i);
    }
}

TEST_F(PlaybackVideoPlayerTest, QuickSeeksCoalesceAndEndOnTheLastRequest)
{
    openClip();
    test::PlayerSignals seen(m_player.get());
    for (int i = 0; i < 40; ++i)
        m_player->seek(1.4 - i * 0.03);
    ASSERT_TRUE(processEventsUntil([&] { return !m_player->isSeeking(); }));
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), static_cast<int>(std::floor((1.4 - 39 * 0.03) * kFps + 1e-9)));
    EXPECT_DOUBLE_EQ(m_player->currentTime(), 1.4 - 39 * 0.03);
    // Requests that were replaced while waiting never produce a frame.
    EXPECT_LT(seen.frames, 40);
    EXPECT_GE(seen.frames, 1);
}

TEST_F(PlaybackVideoPlayerTest, PlayFollowsTheClockAndReportsTimeEveryTenthOfASecond)
{
    openClip();
    seekAndWait(0.2);
    test::PlayerSignals seen(m_player.get());
    m_player->play();
    ASSERT_TRUE(m_player->isPlaying());
    playFor(0.5, 0.01);
    EXPECT_NEAR(m_player->currentTime(), 0.7, 1e-6);
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), 21);
    ASSERT_EQ(static_cast<int>(seen.times.size()), 5);
    for (int i = 0; i < static_cast<int>(seen.times.size()); ++i)
        EXPECT_NEAR(seen.times[i], 0.3 + 0.1 * i, 0.011) << i;
}

TEST_F(PlaybackVideoPlayerTest, PauseFreezesTimeAndReports)
{
    openClip();
    m_player->play();
    playFor(0.3);
    // Paused between two ticks: the frame at the playhead is shown all the same.
    m_clock->advance(2.5 / kFps);
    ASSERT_TRUE(processEventsUntil([&] { return m_player->isPlaying(); }));
    m_player->pause();
    const double pausedAt = m_player->currentTime();
    EXPECT_NEAR(pausedAt, 0.3 + 2.5 / kFps, 1e-6);
    ASSERT_TRUE(processEventsUntil([&] { return !m_player->isSeeking(); }));
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), 11);
    EXPECT_EQ(m_player->currentTime(), pausedAt);
    test::PlayerSignals seen(m_player.get());
    m_clock->advance(1.0);
    m_timer->fire();
    processEventsUntil([] { return false; }, 50);
    EXPECT_FALSE(m_player->isPlaying());
    EXPECT_EQ(m_player->currentTime(), pausedAt);
    EXPECT_EQ(static_cast<int>(seen.times.size()), 0);
    EXPECT_EQ(seen.frames, 0);
    // Playing again continues from there.
    m_player->play();
    playFor(0.2);
    EXPECT_NEAR(m_player->currentTime(), pausedAt + 0.2, 1e-6);
}

// The clock waits for the picture that playback starts from: time that passes while it decodes
// does not count.
TEST_F(PlaybackVideoPlayerTest, PlayingHoldsTheClockUntilThePictureToStartFromIsThere)
{
    struct Case {
        const char* name;
        std::function<void()> start;
        double from;
    };
    const Case cases[] = {
        {"a Play before the first picture of the movie",
         [&] {
             QString error;
             ASSERT_TRUE(m_player->open(m_clip, &error)) << error.toStdString();
             m_player->play();
         },
         0.0},
        {"a seek while playing",
         [&] {
             openClip();
             m_player->play();
             playFor(0.2);
             m_player->seek(1.0);
         },
         1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        ASSERT_NO_FATAL_FAILURE(c.start());
        EXPECT_TRUE(m_player->isPlaying());
        m_clock->advance(0.5);
        m_timer->fire();
        EXPECT_EQ(m_player->currentTime(), c.from);
        ASSERT_TRUE(processEventsUntil([&] { return !m_player->isSeeking(); }));
        const int first = static_cast<int>(c.from * kFps);
        EXPECT_EQ(frameIndexOf(m_player->currentFrame()), first);
        EXPECT_EQ(m_player->currentTime(), c.from);
        playFor(0.1);
        EXPECT_NEAR(m_player->currentTime(), c.from + 0.1, 1e-6);
        EXPECT_EQ(frameIndexOf(m_player->currentFrame()), first + 3);
    }
}

TEST_F(PlaybackVideoPlayerTest, PlayingToTheEndReportsTheEndOnceAndPauses)
{
    openClip();
    seekAndWait(1.2);
    test::PlayerSignals seen(m_player.get());
    m_player->play();
    playFor(1.0);
    EXPECT_FALSE(m_player->isPlaying());
    EXPECT_EQ(seen.ends, 1);
    EXPECT_DOUBLE_EQ(m_player->currentTime(), m_player->duration());
    ASSERT_GE(static_cast<int>(seen.times.size()), 1);
    EXPECT_DOUBLE_EQ(seen.times.back(), m_player->duration());
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), kFrames - 1);
    m_clock->advance(1);
    m_timer->fire();
    EXPECT_EQ(seen.ends, 1);
}

TEST_F(PlaybackVideoPlayerTest, ATimeObserverThatLoopsAtTheEndKeepsPlaying)
{
    openClip();
    seekAndWait(1.3);
    test::PlayerSignals seen(m_player.get());
    // What the editor does with loop playback on: back to the start and on.
    QObject::connect(m_player.get(), &VideoPlayer::timeChanged, m_player.get(), [&](double t) {
        if (t >= m_player->duration()) {
            m_player->seek(0.1);
            m_player->play();
        }
    });
    m_player->play();
    playFor(0.3);
    EXPECT_EQ(seen.ends, 0);
    EXPECT_TRUE(m_player->isPlaying());
    ASSERT_TRUE(processEventsUntil([&] { return !m_player->isSeeking(); }));
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), 3);
}

TEST_F(PlaybackVideoPlayerTest, ARotatedMovieIsShownUpright)
{
    // The same pictures, marked as filmed sideways.
    QTemporaryDir dir;
    const QString rotated = dir.filePath("rotated.mp4");
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-v", "error", "-i", m_clip, "-c", "copy", "-metadata:s:v:0", "rotate=90", rotated});
    ASSERT_TRUE(ffmpeg.waitForFinished(30000));
    ASSERT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
    QString error;
    ASSERT_TRUE(m_player->open(rotated, &error)) << error.toStdString();
    ASSERT_TRUE(processEventsUntil([&] { return !m_player->isSeeking(); }));
    EXPECT_EQ(m_player->frameSize(), QSize(90, 160));
    EXPECT_EQ(m_player->currentFrame().size(), QSize(90, 160));
    seekAndWait(0.5);
    EXPECT_EQ(m_player->currentFrame().size(), QSize(90, 160));
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), 15);
}

TEST_F(PlaybackVideoPlayerTest, PicturesComeAtTheAskedSize)
{
    openClip();
    seekAndWait(0.5);
    // Paused, the picture on show is decoded again at the new size, at the same time.
    m_player->requestFrameSize({80, 45});
    EXPECT_TRUE(m_player->isSeeking());
    ASSERT_TRUE(processEventsUntil([&] { return !m_player->isSeeking(); }));
    EXPECT_EQ(m_player->currentFrame().size(), QSize(80, 45));
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), 15);
    EXPECT_DOUBLE_EQ(m_player->currentTime(), 0.5);
    EXPECT_EQ(m_player->frameSize(), QSize(160, 90)) << "the movie's own size stays";

    m_player->play();
    playFor(0.3);
    EXPECT_EQ(m_player->currentFrame().size(), QSize(80, 45));
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), 24);
    // Playing, the pictures that follow the ones already decoded come at the movie's size again.
    m_player->requestFrameSize({});
    playFor(0.3);
    EXPECT_EQ(m_player->currentFrame().size(), QSize(160, 90));
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), 33);
    m_player->pause();
    ASSERT_TRUE(processEventsUntil([&] { return !m_player->isSeeking(); }));

    // Asking for what is shown already, for more than the movie has, or for nearly all of it,
    // decodes nothing again.
    for (QSize size : {QSize(), QSize(320, 180), QSize(160, 91), QSize(150, 85)}) {
        m_player->requestFrameSize(size);
        EXPECT_FALSE(m_player->isSeeking()) << size.width() << "x" << size.height();
        EXPECT_EQ(m_player->currentFrame().size(), QSize(160, 90));
    }
    // The size asked for holds for the next movie too.
    m_player->requestFrameSize({40, 30});
    ASSERT_TRUE(processEventsUntil([&] { return !m_player->isSeeking(); }));
    m_player->close();
    openClip();
    EXPECT_EQ(m_player->currentFrame().size(), QSize(40, 30));
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), 0);
}

TEST_F(PlaybackVideoPlayerTest, FilesThatCannotBePlayedAreRefusedWithAReason)
{
    QTemporaryDir dir;
    QFile text(dir.filePath("notes.mp4"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a movie\n");
    text.close();
    const QString paths[] = {dir.filePath("missing.mp4"), text.fileName(), QStringLiteral("http://example.com/movie.mp4")};
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        QString error;
        EXPECT_FALSE(m_player->open(path, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(m_player->isOpen());
        EXPECT_EQ(m_player->duration(), 0);
        EXPECT_TRUE(m_player->currentFrame().isNull());
        m_player->play();
        EXPECT_FALSE(m_player->isPlaying());
    }
}

TEST_F(PlaybackVideoPlayerTest, AMoviePreparedOnAnotherThreadOpensWhereThePlayerLives)
{
    openClip();
    seekAndWait(1.0);
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.mp4");
    std::unique_ptr<PreparedMovie> prepared;
    std::unique_ptr<PreparedMovie> refused;
    std::unique_ptr<PreparedMovie> unused;
    QString refusal;
    {
        // The preparer outlives nothing of the player's: it is called on its own thread, and
        // the unused movie it makes is dropped there without ever being started.
        MoviePreparer prepare = m_player->preparer();
        std::thread worker([&] {
            QString error;
            prepared = prepare(m_clip, &error);
            refused = prepare(missing, &refusal);
            unused = prepare(m_clip, &error);
            unused.reset();
        });
        worker.join();
    }
    ASSERT_NE(prepared, nullptr);
    EXPECT_EQ(refused, nullptr);
    EXPECT_FALSE(refusal.isEmpty());
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), 30) << "preparing leaves the open movie playing";

    QString error;
    ASSERT_TRUE(m_player->openPrepared(std::move(prepared), &error)) << error.toStdString();
    ASSERT_TRUE(processEventsUntil([&] { return !m_player->isSeeking(); }));
    EXPECT_NEAR(m_player->duration(), double(kFrames) / kFps, 0.05);
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), 0) << "a newly opened movie shows its first frame";
    seekAndWait(0.5);
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), 15);
}

TEST_F(PlaybackVideoPlayerTest, ReopeningAndClosingDropTheOldMovie)
{
    openClip();
    seekAndWait(1.0);
    m_player->close();
    EXPECT_FALSE(m_player->isOpen());
    EXPECT_TRUE(m_player->currentFrame().isNull());
    openClip();
    EXPECT_EQ(frameIndexOf(m_player->currentFrame()), 0);
    EXPECT_EQ(m_player->currentTime(), 0);
}

}  // namespace
}  // namespace sablewick
