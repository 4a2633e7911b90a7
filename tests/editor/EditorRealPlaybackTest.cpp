// Playing and seeking the open movie with the real player engine and real decoding.
#include "EditorTestSupport.h"

#include "media/AudioOutput.h"
#include "media/PlaybackEngine.h"
#include "media/PlaybackVideoPlayer.h"
#include "media/VideoFrameSource.h"

namespace sablewick::test {
namespace {

// The real engine, noting how much of each sound file its players hold.
class WatchedEngine final : public PlaybackEngine {
public:
    std::unique_ptr<AudioPlayer> makeAudioPlayer(DecodedAudio&& audio) override
    {
        heldSeconds[audio.path] = static_cast<double>(audio.samples.size()) / AudioOutput::channels / AudioOutput::sampleRate;
        auto player = PlaybackEngine::makeAudioPlayer(std::move(audio));
        latest = player.get();
        return player;
    }
    QHash<QString, double> heldSeconds;
    QPointer<AudioPlayer> latest;
};

class EditorRealPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bench.services.playback = &engine;
        ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
        player = qobject_cast<PlaybackVideoPlayer*>(&bench.model().player());
        ASSERT_NE(player, nullptr);
    }
    bool frameShownAt(double seconds)
    {
        return waitUntil([&] { return !player->isSeeking() && !player->currentFrame().isNull(); }) &&
               player->currentFrameTime() <= seconds && seconds - player->currentFrameTime() < 1.0 / 30;
    }

    WatchedEngine engine;
    EditorBench bench;
    PlaybackVideoPlayer* player = nullptr;
};

TEST_F(EditorRealPlaybackTest, SeekingShowsTheExactFrame)
{
    EditorModel& model = bench.model();
    EXPECT_TRUE(player->isOpen());
    EXPECT_EQ(player->frameSize(), QSize(320, 180));
    VideoFrameSource source(Clips::get().twoSeconds.toStdString());
    for (const double t : {1.0, 0.5, 1.9}) {
        model.seek(t);
        EXPECT_DOUBLE_EQ(model.currentTime(), t);
        ASSERT_TRUE(frameShownAt(t)) << t;
        const QImage expected = source.frameAt(t).image;
        EXPECT_EQ(player->currentFrame().convertToFormat(QImage::Format_RGB32),
                  expected.convertToFormat(QImage::Format_RGB32))
            << "the frame of " << t << " s";
    }
}

TEST_F(EditorRealPlaybackTest, PlaybackStopsAtTheTrimEnd)
{
    EditorModel& model = bench.model();
    model.setTrimStart(0.2);
    model.setTrimEnd(0.8);
    model.seek(0.5);
    model.togglePlayback();
    ASSERT_TRUE(model.isPlaying());
    ASSERT_TRUE(waitUntil([&] { return model.currentTime() > 0.55; }, 10000)) << "the playhead moves";
    ASSERT_TRUE(waitUntil([&] { return !model.isPlaying(); }, 10000));
    EXPECT_GE(model.currentTime(), 0.8);
    EXPECT_LT(model.currentTime(), 1.0) << "within about one report after the trim end";
    EXPECT_FALSE(player->isPlaying());

    model.setLoopPlayback(true);
    model.togglePlayback();
    EXPECT_DOUBLE_EQ(model.currentTime(), 0.2) << "played from the trim end: restarts at the trim start";
    ASSERT_TRUE(waitUntil([&] { return model.currentTime() >= 0.7; }, 10000));
    ASSERT_TRUE(waitUntil([&] { return model.currentTime() < 0.5; }, 10000)) << "looped back";
    EXPECT_TRUE(model.isPlaying());
    model.togglePlayback();
    EXPECT_FALSE(player->isPlaying());
}

TEST_F(EditorRealPlaybackTest, AMusicAuditionPlaysARealFile)
{
    EditSettings s = bench.model().settings();
    s.musicFileURL = QUrl::fromLocalFile(makeTone(bench.dir.path(), "tone.wav", 1.0));
    bench.model().setSettings(s);
    bench.model().auditionMusic(MusicChoice::custom);
    EXPECT_EQ(bench.model().auditioningMusic(), MusicChoice::custom);
    // The file is read on a worker; the eight seconds count from when it starts playing.
    ASSERT_TRUE(waitUntil([&] {
        bench.scheduler.advance(8);
        return !bench.model().auditioningMusic().has_value();
    }));
    EXPECT_FALSE(bench.model().notice().has_value());
}

TEST_F(EditorRealPlaybackTest, ALongTrackOnAShortMovieIsReadOnlyAsFarAsTheMoviePlays)
{
    EditorModel& model = bench.model();
    const QString track = makeTone(bench.dir.path(), "long.m4a", 120);
    EditSettings s = model.settings();
    s.musicFileURL = QUrl::fromLocalFile(track);
    s.musicChoice = MusicChoice::custom;
    model.setSettings(s);
    model.configureMusicPreview();
    ASSERT_TRUE(waitUntil([&] { return engine.heldSeconds.contains(track); }, 60000));
    ASSERT_FALSE(engine.latest.isNull());
    EXPECT_GE(engine.heldSeconds[track], model.duration());
    EXPECT_LT(engine.heldSeconds[track], model.duration() + 5) << "not the whole two minutes";
    EXPECT_NEAR(engine.latest->length(), 120, 0.2) << "the music loops at the track's own end";
    EXPECT_FALSE(model.notice().has_value());
    model.seek(1.5);
    model.togglePlayback();
    EXPECT_TRUE(engine.latest->isPlaying());
    EXPECT_NEAR(engine.latest->position(), 1.5, 0.25);
    model.togglePlayback();
}

}  // namespace
}  // namespace sablewick::test
