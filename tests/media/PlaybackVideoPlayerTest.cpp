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
        dir_ = new QTemporaryDir;
        clip_ = dir_->filePath("clip.mp4");
        test::writeTestClip(clip_, kFrames, kFps, false);
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }

    void SetUp() override
    {
        clock_ = std::make_shared<FakeClock>();
        auto timer = std::make_unique<FakeTimer>();
        timer_ = timer.get();
        player_ = std::make_unique<PlaybackVideoPlayer>(nullptr, clock_, std::move(timer));
    }

    void openClip()
    {
        QString error;
        ASSERT_TRUE(player_->open(clip_, &error)) << error.toStdString();
        ASSERT_TRUE(processEventsUntil([&] { return !player_->isSeeking(); }));
    }

    void seekAndWait(double t)
    {
        player_->seek(t);
        ASSERT_TRUE(processEventsUntil([&] { return !player_->isSeeking(); }));
    }

    // Advances fake time in frame-sized steps; before each step waits until the frame due at
    // that moment has been decoded and shown, so that a slow machine cannot change the result.
    void playFor(double seconds, double step = 1.0 / kFps)
    {
        for (double elapsed = 0; elapsed < seconds - 1e-9 && player_->isPlaying(); elapsed += step) {
            clock_->advance(step);
            timer_->fire();
            const int due = std::min(static_cast<int>(std::floor(player_->currentTime() * kFps + 1e-4)), kFrames - 1);
            const bool shown = processEventsUntil([&] {
                if (!player_->isPlaying())
                    return true;
                timer_->fire();
                return player_->currentFrameTime() * kFps + 1e-4 >= due;
            });
            ASSERT_TRUE(shown) << "frame " << due << " never shown";
        }
    }

    static inline QTemporaryDir* dir_ = nullptr;
    static inline QString clip_;
    std::shared_ptr<FakeClock> clock_;
    FakeTimer* timer_ = nullptr;
    std::unique_ptr<PlaybackVideoPlayer> player_;
};

TEST_F(PlaybackVideoPlayerTest, OpenShowsTheFirstFrameAndTellsSizeAndDuration)
{
    test::PlayerSignals seen(player_.get());
    openClip();
    EXPECT_TRUE(player_->isOpen());
    EXPECT_EQ(player_->frameSize(), QSize(160, 90));
    EXPECT_NEAR(player_->duration(), 1.5, 0.05);
    ASSERT_FALSE(player_->currentFrame().isNull());
    EXPECT_EQ(player_->currentFrame().size(), QSize(160, 90));
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), 0);
    EXPECT_EQ(seen.frames, 1);
    EXPECT_FALSE(player_->isPlaying());
    EXPECT_EQ(player_->currentTime(), 0);
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
        test::PlayerSignals seen(player_.get());
        seekAndWait(c.time);
        EXPECT_EQ(frameIndexOf(player_->currentFrame()), c.expectedFrame);
        EXPECT_NEAR(player_->currentFrameTime(), c.expectedFrame / double(kFps), 1e-3);
        EXPECT_DOUBLE_EQ(player_->currentTime(), c.expectedTime < 0 ? player_->duration() : c.expectedTime);
        EXPECT_EQ(seen.frames, 1);
        EXPECT_FALSE(player_->isPlaying());
    }
    // A time that is not a number moves nothing.
    player_->seek(std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(player_->isSeeking());
    EXPECT_DOUBLE_EQ(player_->currentTime(), player_->duration());
}

// The picture on show after a seek is the one a straight decode of the movie gives at that time,
// bit for bit: the seek's shortcuts (pictures nothing refers to left undecoded) change nothing.
TEST_F(PlaybackVideoPlayerTest, PausedSeekShowsThePictureOfAStraightDecode)
{
    const QString path = dir_->filePath("detailed.mp4");
    test::writeDetailedClip(path, 60, kFps, 40);  // keyframes at 0 and 40
    std::vector<VideoFrame> straight;
    VideoFrameSource source(path.toStdString());
    while (std::optional<VideoFrame> frame = source.nextFrame())
        straight.push_back(*frame);
    ASSERT_EQ(straight.size(), 60u);
    QString error;
    ASSERT_TRUE(player_->open(path, &error)) << error.toStdString();
    ASSERT_TRUE(processEventsUntil([&] { return !player_->isSeeking(); }));
    // The end of the first interval, backwards into it, a keyframe, the end of the movie.
    for (int k : {39, 21, 40, 59, 38}) {
        SCOPED_TRACE(k);
        seekAndWait(straight[static_cast<std::size_t>(k)].time.seconds() + 0.5 / kFps);
        EXPECT_DOUBLE_EQ(player_->currentFrameTime(), straight[static_cast<std::size_t>(k)].time.seconds());
        EXPECT_TRUE(player_->currentFrame() == straight[static_cast<std::size_t>(k)].image);
    }
}

TEST_F(PlaybackVideoPlayerTest, SteppingForwardFrameByFrameShowsEveryFrame)
{
    openClip();
    for (int i = 1; i < 12; ++i) {
        seekAndWait(i / double(kFps));
        ASSERT_EQ(frameIndexOf(player_->currentFrame()), i);
    }
}

TEST_F(PlaybackVideoPlayerTest, QuickSeeksCoalesceAndEndOnTheLastRequest)
{
    openClip();
    test::PlayerSignals seen(player_.get());
    for (int i = 0; i < 40; ++i)
        player_->seek(1.4 - i * 0.03);
    ASSERT_TRUE(processEventsUntil([&] { return !player_->isSeeking(); }));
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), static_cast<int>(std::floor((1.4 - 39 * 0.03) * kFps + 1e-9)));
    EXPECT_DOUBLE_EQ(player_->currentTime(), 1.4 - 39 * 0.03);
    // Requests that were replaced while waiting never produce a frame.
    EXPECT_LT(seen.frames, 40);
    EXPECT_GE(seen.frames, 1);
}

TEST_F(PlaybackVideoPlayerTest, PlayFollowsTheClockAndReportsTimeEveryTenthOfASecond)
{
    openClip();
    seekAndWait(0.2);
    test::PlayerSignals seen(player_.get());
    player_->play();
    ASSERT_TRUE(player_->isPlaying());
    playFor(0.5, 0.01);
    EXPECT_NEAR(player_->currentTime(), 0.7, 1e-6);
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), 21);
    ASSERT_EQ(static_cast<int>(seen.times.size()), 5);
    for (int i = 0; i < static_cast<int>(seen.times.size()); ++i)
        EXPECT_NEAR(seen.times[i], 0.3 + 0.1 * i, 0.011) << i;
}

TEST_F(PlaybackVideoPlayerTest, PauseFreezesTimeAndReports)
{
    openClip();
    player_->play();
    playFor(0.3);
    // Paused between two ticks: the frame at the playhead is shown all the same.
    clock_->advance(2.5 / kFps);
    ASSERT_TRUE(processEventsUntil([&] { return player_->isPlaying(); }));
    player_->pause();
    const double pausedAt = player_->currentTime();
    EXPECT_NEAR(pausedAt, 0.3 + 2.5 / kFps, 1e-6);
    ASSERT_TRUE(processEventsUntil([&] { return !player_->isSeeking(); }));
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), 11);
    EXPECT_EQ(player_->currentTime(), pausedAt);
    test::PlayerSignals seen(player_.get());
    clock_->advance(1.0);
    timer_->fire();
    processEventsUntil([] { return false; }, 50);
    EXPECT_FALSE(player_->isPlaying());
    EXPECT_EQ(player_->currentTime(), pausedAt);
    EXPECT_EQ(static_cast<int>(seen.times.size()), 0);
    EXPECT_EQ(seen.frames, 0);
    // Playing again continues from there.
    player_->play();
    playFor(0.2);
    EXPECT_NEAR(player_->currentTime(), pausedAt + 0.2, 1e-6);
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
             ASSERT_TRUE(player_->open(clip_, &error)) << error.toStdString();
             player_->play();
         },
         0.0},
        {"a seek while playing",
         [&] {
             openClip();
             player_->play();
             playFor(0.2);
             player_->seek(1.0);
         },
         1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        ASSERT_NO_FATAL_FAILURE(c.start());
        EXPECT_TRUE(player_->isPlaying());
        clock_->advance(0.5);
        timer_->fire();
        EXPECT_EQ(player_->currentTime(), c.from);
        ASSERT_TRUE(processEventsUntil([&] { return !player_->isSeeking(); }));
        const int first = static_cast<int>(c.from * kFps);
        EXPECT_EQ(frameIndexOf(player_->currentFrame()), first);
        EXPECT_EQ(player_->currentTime(), c.from);
        playFor(0.1);
        EXPECT_NEAR(player_->currentTime(), c.from + 0.1, 1e-6);
        EXPECT_EQ(frameIndexOf(player_->currentFrame()), first + 3);
    }
}

TEST_F(PlaybackVideoPlayerTest, PlayingToTheEndReportsTheEndOnceAndPauses)
{
    openClip();
    seekAndWait(1.2);
    test::PlayerSignals seen(player_.get());
    player_->play();
    playFor(1.0);
    EXPECT_FALSE(player_->isPlaying());
    EXPECT_EQ(seen.ends, 1);
    EXPECT_DOUBLE_EQ(player_->currentTime(), player_->duration());
    ASSERT_GE(static_cast<int>(seen.times.size()), 1);
    EXPECT_DOUBLE_EQ(seen.times.back(), player_->duration());
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), kFrames - 1);
    clock_->advance(1);
    timer_->fire();
    EXPECT_EQ(seen.ends, 1);
}

TEST_F(PlaybackVideoPlayerTest, ATimeObserverThatLoopsAtTheEndKeepsPlaying)
{
    openClip();
    seekAndWait(1.3);
    test::PlayerSignals seen(player_.get());
    // What the editor does with loop playback on: back to the start and on.
    QObject::connect(player_.get(), &VideoPlayer::timeChanged, player_.get(), [&](double t) {
        if (t >= player_->duration()) {
            player_->seek(0.1);
            player_->play();
        }
    });
    player_->play();
    playFor(0.3);
    EXPECT_EQ(seen.ends, 0);
    EXPECT_TRUE(player_->isPlaying());
    ASSERT_TRUE(processEventsUntil([&] { return !player_->isSeeking(); }));
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), 3);
}

TEST_F(PlaybackVideoPlayerTest, ARotatedMovieIsShownUpright)
{
    // The same pictures, marked as filmed sideways.
    QTemporaryDir dir;
    const QString rotated = dir.filePath("rotated.mp4");
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-v", "error", "-i", clip_, "-c", "copy", "-metadata:s:v:0", "rotate=90", rotated});
    ASSERT_TRUE(ffmpeg.waitForFinished(30000));
    ASSERT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
    QString error;
    ASSERT_TRUE(player_->open(rotated, &error)) << error.toStdString();
    ASSERT_TRUE(processEventsUntil([&] { return !player_->isSeeking(); }));
    EXPECT_EQ(player_->frameSize(), QSize(90, 160));
    EXPECT_EQ(player_->currentFrame().size(), QSize(90, 160));
    seekAndWait(0.5);
    EXPECT_EQ(player_->currentFrame().size(), QSize(90, 160));
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), 15);
}

TEST_F(PlaybackVideoPlayerTest, PicturesComeAtTheAskedSize)
{
    openClip();
    seekAndWait(0.5);
    // Paused, the picture on show is decoded again at the new size, at the same time.
    player_->requestFrameSize({80, 45});
    EXPECT_TRUE(player_->isSeeking());
    ASSERT_TRUE(processEventsUntil([&] { return !player_->isSeeking(); }));
    EXPECT_EQ(player_->currentFrame().size(), QSize(80, 45));
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), 15);
    EXPECT_DOUBLE_EQ(player_->currentTime(), 0.5);
    EXPECT_EQ(player_->frameSize(), QSize(160, 90)) << "the movie's own size stays";

    player_->play();
    playFor(0.3);
    EXPECT_EQ(player_->currentFrame().size(), QSize(80, 45));
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), 24);
    // Playing, the pictures that follow the ones already decoded come at the movie's size again.
    player_->requestFrameSize({});
    playFor(0.3);
    EXPECT_EQ(player_->currentFrame().size(), QSize(160, 90));
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), 33);
    player_->pause();
    ASSERT_TRUE(processEventsUntil([&] { return !player_->isSeeking(); }));

    // Asking for what is shown already, for more than the movie has, or for nearly all of it,
    // decodes nothing again.
    for (QSize size : {QSize(), QSize(320, 180), QSize(160, 91), QSize(150, 85)}) {
        player_->requestFrameSize(size);
        EXPECT_FALSE(player_->isSeeking()) << size.width() << "x" << size.height();
        EXPECT_EQ(player_->currentFrame().size(), QSize(160, 90));
    }
    // The size asked for holds for the next movie too.
    player_->requestFrameSize({40, 30});
    ASSERT_TRUE(processEventsUntil([&] { return !player_->isSeeking(); }));
    player_->close();
    openClip();
    EXPECT_EQ(player_->currentFrame().size(), QSize(40, 30));
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), 0);
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
        EXPECT_FALSE(player_->open(path, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(player_->isOpen());
        EXPECT_EQ(player_->duration(), 0);
        EXPECT_TRUE(player_->currentFrame().isNull());
        player_->play();
        EXPECT_FALSE(player_->isPlaying());
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
        MoviePreparer prepare = player_->preparer();
        std::thread worker([&] {
            QString error;
            prepared = prepare(clip_, &error);
            refused = prepare(missing, &refusal);
            unused = prepare(clip_, &error);
            unused.reset();
        });
        worker.join();
    }
    ASSERT_NE(prepared, nullptr);
    EXPECT_EQ(refused, nullptr);
    EXPECT_FALSE(refusal.isEmpty());
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), 30) << "preparing leaves the open movie playing";

    QString error;
    ASSERT_TRUE(player_->openPrepared(std::move(prepared), &error)) << error.toStdString();
    ASSERT_TRUE(processEventsUntil([&] { return !player_->isSeeking(); }));
    EXPECT_NEAR(player_->duration(), double(kFrames) / kFps, 0.05);
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), 0) << "a newly opened movie shows its first frame";
    seekAndWait(0.5);
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), 15);
}

TEST_F(PlaybackVideoPlayerTest, ReopeningAndClosingDropTheOldMovie)
{
    openClip();
    seekAndWait(1.0);
    player_->close();
    EXPECT_FALSE(player_->isOpen());
    EXPECT_TRUE(player_->currentFrame().isNull());
    openClip();
    EXPECT_EQ(frameIndexOf(player_->currentFrame()), 0);
    EXPECT_EQ(player_->currentTime(), 0);
}

}  // namespace
}  // namespace sablewick
