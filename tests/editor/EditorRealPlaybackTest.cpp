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
        player = qobject_cast<PlaybackVideoPlayer*>(&bench.model().playback().player());
        ASSERT_NE(player, nullptr);
    }
    // Makes a tone of `seconds` the edit's music and waits until the preview has read it.
    QString useMusic(const QString& name, double seconds)
    {
        EditorModel& model = bench.model();
        const QString track = makeTone(bench.dir.path(), name, seconds);
        EditSettings s = model.document().settings();
        s.musicFileURL = QUrl::fromLocalFile(track);
        s.musicChoice = MusicChoice::custom;
        model.document().setSettings(s);
        EXPECT_TRUE(waitUntil([&] { return engine.heldSeconds.contains(track); }, 60000));
        return track;
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
        model.playback().seek(t);
        EXPECT_DOUBLE_EQ(model.playback().currentTime(), t);
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
    model.focus().setTrimStart(0.2);
    model.focus().setTrimEnd(0.8);
    model.playback().seek(0.5);
    model.playback().togglePlayback();
    ASSERT_TRUE(model.playback().isPlaying());
    ASSERT_TRUE(waitUntil([&] { return model.playback().currentTime() > 0.55; }, 10000)) << "the playhead moves";
    ASSERT_TRUE(waitUntil([&] { return !model.playback().isPlaying(); }, 10000));
    EXPECT_GE(model.playback().currentTime(), 0.8);
    EXPECT_LT(model.playback().currentTime(), 1.0) << "within about one report after the trim end";
    EXPECT_FALSE(player->isPlaying());

    model.playback().setLoopPlayback(true);
    model.playback().togglePlayback();
    EXPECT_DOUBLE_EQ(model.playback().currentTime(), 0.2) << "played from the trim end: restarts at the trim start";
    ASSERT_TRUE(waitUntil([&] { return model.playback().currentTime() >= 0.7; }, 10000));
    ASSERT_TRUE(waitUntil([&] { return model.playback().currentTime() < 0.5; }, 10000)) << "looped back";
    EXPECT_TRUE(model.playback().isPlaying());
    model.playback().togglePlayback();
    EXPECT_FALSE(player->isPlaying());
}

// The first Play after a movie opens, and a Play right after a seek: the time and the picture
// move along with the music, on an audio output that has waited idle since the editor was made.
TEST_F(EditorRealPlaybackTest, PlayMovesTheTimeAndThePictureWithTheMusic)
{
    EditorModel& model = bench.model();
    useMusic("music.m4a", 30);
    ASSERT_FALSE(engine.latest.isNull());
    ASSERT_TRUE(waitUntil([&] { return engine.output()->now() >= 3.0; }));

    for (const double from : {0.0, 0.3}) {
        SCOPED_TRACE(from);
        model.playback().seek(from);
        model.playback().togglePlayback();
        ASSERT_TRUE(model.playback().isPlaying());
        const double musicFrom = engine.latest->position();
        // The bound is only the failure limit; what counts is how far the movie got meanwhile.
        ASSERT_TRUE(waitUntil(
            [&] { return engine.latest->position() - musicFrom >= 1.2 || !model.playback().isPlaying(); }, 60000));
        EXPECT_GT(model.playback().currentTime(), from + 0.6) << "the time stood still while the music played";
        EXPECT_GT(player->currentFrameTime(), from + 0.5) << "no new picture";
        model.playback().pausePlayback();
    }
}

TEST_F(EditorRealPlaybackTest, AMusicAuditionPlaysARealFile)
{
    EditSettings s = bench.model().document().settings();
    s.musicFileURL = QUrl::fromLocalFile(makeTone(bench.dir.path(), "tone.wav", 1.0));
    bench.model().document().setSettings(s);
    bench.model().playback().auditionMusic(MusicChoice::custom);
    EXPECT_EQ(bench.model().playback().auditioningMusic(), MusicChoice::custom);
    // The file is read on a worker; the eight seconds count from when it starts playing.
    ASSERT_TRUE(waitUntil([&] {
        bench.scheduler.advance(8);
        return !bench.model().playback().auditioningMusic().has_value();
    }));
    EXPECT_FALSE(bench.model().notice().has_value());
}

TEST_F(EditorRealPlaybackTest, ALongTrackOnAShortMovieIsReadOnlyAsFarAsTheMoviePlays)
{
    EditorModel& model = bench.model();
    const QString track = useMusic("long.m4a", 120);
    ASSERT_FALSE(engine.latest.isNull());
    EXPECT_GE(engine.heldSeconds[track], model.document().duration());
    EXPECT_LT(engine.heldSeconds[track], model.document().duration() + 5) << "not the whole two minutes";
    EXPECT_NEAR(engine.latest->length(), 120, 0.2) << "the music loops at the track's own end";
    EXPECT_FALSE(model.notice().has_value());
    model.playback().seek(1.5);
    model.playback().togglePlayback();
    EXPECT_TRUE(engine.latest->isPlaying());
    EXPECT_NEAR(engine.latest->position(), 1.5, 0.25);
    model.playback().togglePlayback();
}

// Movies taller than wide, of even and odd sizes, and a wide one that a display matrix stands up:
// opened through the model, they play, seek and give thumbnails of their upright shape.
struct TallMovie {
    const char* name;
    QSize coded;
    int rotation;
    QSize shown;
};

class EditorTallMovieTest : public ::testing::TestWithParam<TallMovie> {};

TEST_P(EditorTallMovieTest, OpensPlaysAndMakesThumbnails)
{
    const TallMovie& movie = GetParam();
    WatchedEngine engine;
    EditorBench bench;
    bench.services.playback = &engine;
    const QString plain = bench.path(QStringLiteral("%1.plain.mp4").arg(movie.name));
    runFfmpeg({"-f", "lavfi", "-i",
               QStringLiteral("testsrc2=size=%1x%2:rate=30:duration=1").arg(movie.coded.width()).arg(movie.coded.height()),
               "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-g", "10", plain});
    QString path = plain;
    if (movie.rotation != 0) {
        path = bench.path(QStringLiteral("%1.mp4").arg(movie.name));
        runFfmpeg({"-i", plain, "-c", "copy", "-metadata:s:v:0", QStringLiteral("rotate=%1").arg(movie.rotation), path});
    }
    ASSERT_TRUE(bench.open(path));
    EditorModel& model = bench.model();
    auto* player = qobject_cast<PlaybackVideoPlayer*>(&model.playback().player());
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->frameSize(), movie.shown);
    ASSERT_TRUE(
        waitUntil([&] { return model.document().thumbnails().size() == EditorDocument::thumbnailCount; }, 60000));
    for (const QImage& thumbnail : model.document().thumbnails()) {
        EXPECT_LE(thumbnail.width(), EditorDocument::thumbnailMaxSize.width());
        EXPECT_EQ(thumbnail.height(), EditorDocument::thumbnailMaxSize.height()) << "a tall picture fills the height";
    }
    VideoFrameSource source(path.toStdString());
    for (const double t : {0.5, 0.2}) {
        model.playback().seek(t);
        ASSERT_TRUE(waitUntil([&] {
            return !player->isSeeking() && !player->currentFrame().isNull() && player->currentFrameTime() <= t
                && t - player->currentFrameTime() < 1.0 / 30;
        })) << t;
        EXPECT_EQ(source.frameAt(t).image.size(), movie.shown);
        EXPECT_EQ(player->currentFrame().size(), movie.shown) << "the frame of " << t << " s";
    }
    model.playback().togglePlayback();
    ASSERT_TRUE(waitUntil([&] { return player->currentFrameTime() >= 0.7 || !model.playback().isPlaying(); }));
    if (model.playback().isPlaying())
        model.playback().togglePlayback();
}

INSTANTIATE_TEST_SUITE_P(Portrait, EditorTallMovieTest,
                         ::testing::Values(TallMovie{"tall", {540, 960}, 0, {540, 960}},
                                           TallMovie{"tallFull", {1080, 1920}, 0, {1080, 1920}},
                                           TallMovie{"tallOdd", {542, 962}, 0, {542, 962}},
                                           TallMovie{"turned", {960, 540}, 90, {540, 960}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sablewick::test
