// Playhead, trim-range playback, the music preview, the interaction-sound preview and the music
// audition, with a fake player in fake time.
#include "EditorTestSupport.h"

#include "document/Project.h"
#include "document/ResourceLookup.h"

#include <QFileInfo>

#include <mutex>

namespace sablewick::test {
namespace {

FocusPoint click(double time)
{
    FocusPoint p;
    p.id = QUuid::createUuid();
    p.time = time;
    p.x = 0.5;
    p.y = 0.5;
    p.kind = FocusKind::click;
    return p;
}

class EditorPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(bench.path("assets/Music")).mkpath(".");
        for (const char* track : {"glass-light", "night-pulse"})
            QFile(bench.path(QStringLiteral("assets/Music/%1.m4a").arg(track))).open(QIODevice::WriteOnly);
        ASSERT_TRUE(bench.open(Clips::get().twoSeconds, std::vector<FocusPoint>{click(0.5), click(1.2)}));
        duration = model().document().duration();
    }

    EditorModel& model() { return bench.model(); }
    FakeVideoPlayer& player() { return bench.player(); }
    void change(const std::function<void(EditSettings&)>& edit)
    {
        EditSettings s = model().document().settings();
        edit(s);
        model().document().setSettings(s);
    }
    QString track(const char* name) const { return bench.path(QStringLiteral("assets/Music/%1.m4a").arg(name)); }
    // Sound files are read on the model's workers: a track's player exists once the read is back.
    FakeAudioPlayer* loaded(const char* name)
    {
        FakeAudioPlayer* found = nullptr;
        waitUntil([&] { return (found = bench.playback.audioFor(track(name))) != nullptr; });
        return found;
    }
    bool noticeBecomes(const QString& text)
    {
        return waitUntil([&] { return model().notice() == text; });
    }

    EditorBench bench;
    ResourceLookup::ScopedRoots roots{{bench.path("assets")}};
    double duration = 0;
};

TEST_F(EditorPlaybackTest, SeekingStaysInsideTheMovie)
{
    model().playback().seek(-3);
    EXPECT_EQ(model().playback().currentTime(), 0);
    EXPECT_EQ(player().seeks.back(), 0);
    model().playback().seek(duration + 5);
    EXPECT_EQ(model().playback().currentTime(), duration);
    EXPECT_EQ(player().seeks.back(), duration);
    model().playback().seek(0.75);
    EXPECT_EQ(player().time, 0.75);
}

TEST_F(EditorPlaybackTest, PlayingFromTheLastTwentiethOfTheRangeRestartsAtTheTrimStart)
{
    model().focus().setTrimStart(0.3);
    model().focus().setTrimEnd(1.5);
    model().playback().seek(1.5 - 0.03);
    model().playback().togglePlayback();
    EXPECT_TRUE(model().playback().isPlaying());
    EXPECT_TRUE(player().playing);
    EXPECT_DOUBLE_EQ(model().playback().currentTime(), 0.3);

    model().playback().togglePlayback();
    EXPECT_FALSE(model().playback().isPlaying());
    EXPECT_FALSE(player().playing);
    model().playback().seek(1.5 - 0.06);
    model().playback().togglePlayback();
    EXPECT_DOUBLE_EQ(model().playback().currentTime(), 1.44);
    model().playback().togglePlayback();
    model().playback().seek(0.1);  // before the range
    model().playback().togglePlayback();
    EXPECT_DOUBLE_EQ(model().playback().currentTime(), 0.3);
}

TEST_F(EditorPlaybackTest, PlaybackPausesOrLoopsAtTheTrimEnd)
{
    model().focus().setTrimStart(0.2);
    model().focus().setTrimEnd(1.0);
    model().playback().togglePlayback();
    player().tick(0.95);
    QCoreApplication::processEvents();
    EXPECT_TRUE(model().playback().isPlaying());
    EXPECT_DOUBLE_EQ(model().playback().currentTime(), 0.95);
    player().tick(1.04);
    QCoreApplication::processEvents();
    EXPECT_FALSE(model().playback().isPlaying());
    EXPECT_FALSE(player().playing);
    EXPECT_DOUBLE_EQ(model().playback().currentTime(), 1.04) << "the player's own time when it stopped";

    model().playback().setLoopPlayback(true);
    change([](EditSettings& s) { s.musicChoice = MusicChoice::glass; });
    FakeAudioPlayer* music = loaded("glass-light");
    ASSERT_NE(music, nullptr);
    model().playback().togglePlayback();
    ASSERT_TRUE(music->playing);
    player().tick(1.02);
    QCoreApplication::processEvents();
    EXPECT_TRUE(model().playback().isPlaying());
    EXPECT_TRUE(player().playing);
    EXPECT_DOUBLE_EQ(model().playback().currentTime(), 0.2);
    EXPECT_TRUE(music->playing);
    EXPECT_DOUBLE_EQ(music->position(), 0) << "the music restarts with the range";
}

TEST_F(EditorPlaybackTest, TheMovieRunningOutRestartsALoopOnceAndStopsOtherwise)
{
    model().focus().setTrimStart(0.2);
    model().playback().setLoopPlayback(true);
    model().playback().togglePlayback();
    player().seeks.clear();
    int timeReports = 0;
    QObject::connect(&model().playback(), &EditorPlayback::currentTimeChanged, [&] { ++timeReports; });
    player().runOut(duration);
    QCoreApplication::processEvents();
    EXPECT_TRUE(model().playback().isPlaying());
    EXPECT_TRUE(player().playing);
    EXPECT_EQ(player().seeks, std::vector<double>{0.2}) << "one restart, not one per end report";
    EXPECT_DOUBLE_EQ(model().playback().currentTime(), 0.2);
    EXPECT_EQ(timeReports, 2) << "the playhead went to the end and back once";

    // A player whose own movie ends a little before the probed duration still stops playback.
    model().playback().setLoopPlayback(false);
    player().runOut(duration - 0.04);
    QCoreApplication::processEvents();
    EXPECT_FALSE(model().playback().isPlaying());
    EXPECT_DOUBLE_EQ(model().playback().currentTime(), duration - 0.04) << "the player's own time when it stopped";
}

TEST_F(EditorPlaybackTest, TheMusicLoopsFromTheTrimStart)
{
    bench.playback.audioLength = 0.5;
    model().focus().setTrimStart(0.25);
    change([](EditSettings& s) { s.musicChoice = MusicChoice::glass; });
    FakeAudioPlayer* music = loaded("glass-light");
    ASSERT_NE(music, nullptr);
    EXPECT_TRUE(music->looping);
    const std::vector<std::pair<double, double>> rows{{1.25, 0.0}, {1.0, 0.25}, {0.125, 0.0}, {0.5, 0.25}};
    for (const auto& [movieTime, musicTime] : rows) {
        model().playback().seek(movieTime);
        EXPECT_NEAR(music->position(), musicTime, 1e-9) << "movie time " << movieTime;
    }
}

TEST_F(EditorPlaybackTest, AMusicFileIsReadOnlyAsFarAsTheMovieOrTheAuditionPlays)
{
    // Each read must reach past what is played (the movie's length, the audition's eight
    // seconds) and stop well short of a long file's end.
    const auto coversOnly = [](const std::vector<double>& reaches, double played) {
        return !reaches.empty() && reaches.back() >= played && reaches.back() < played + 5;
    };
    change([](EditSettings& s) { s.musicChoice = MusicChoice::glass; });
    ASSERT_NE(loaded("glass-light"), nullptr);
    EXPECT_TRUE(coversOnly(bench.playback.readReaches(track("glass-light")), duration));

    // A project of a longer movie with the same music reads it again, as far as the new movie plays.
    FocusProject project;
    project.movieURL = QUrl::fromLocalFile(Clips::get().threeSeconds);
    project.settings.trimEnd = 3;
    project.settings.musicChoice = MusicChoice::glass;
    ProjectFile::writeProject(bench.path("Longer.sablewick.json"), project);
    ASSERT_TRUE(bench.openProject(QUrl::fromLocalFile(bench.path("Longer.sablewick.json"))));
    ASSERT_TRUE(waitUntil([&] { return bench.playback.readReaches(track("glass-light")).size() == 2; }));
    EXPECT_TRUE(coversOnly(bench.playback.readReaches(track("glass-light")), 3.0));
    ASSERT_NE(loaded("glass-light"), nullptr);
    model().playback().configureMusicPreview();
    EXPECT_EQ(bench.playback.readReaches(track("glass-light")).size(), 2u) << "an unchanged preview is not read again";

    model().playback().auditionMusic(MusicChoice::pulse);
    ASSERT_NE(loaded("night-pulse"), nullptr);
    EXPECT_TRUE(coversOnly(bench.playback.readReaches(track("night-pulse")), EditorPlayback::auditionLength));
}

TEST_F(EditorPlaybackTest, AVolumeChangeNeitherRestartsTheMusicNorRendersAgain)
{
    change([](EditSettings& s) {
        s.musicChoice = MusicChoice::glass;
        s.interactionSounds = true;
    });
    ASSERT_TRUE(waitUntil([&] { return !model().playback().isPreparingInteractionSounds(); }));
    ASSERT_FALSE(model().playback().interactionSoundError().has_value())
        << model().playback().interactionSoundError()->toStdString();
    FakeAudioPlayer* music = loaded("glass-light");
    const size_t playersMade = bench.playback.audio.size();
    ASSERT_NE(music, nullptr);
    model().playback().togglePlayback();
    player().tick(0.5);
    music->setPosition(0.5);
    const int plays = music->plays;

    change([](EditSettings& s) {
        s.musicVolume = 0.5;
        s.interactionVolume = 2.0;
        s.sourceVolume = -1;
    });
    EXPECT_FLOAT_EQ(music->volume(), 0.5f);
    EXPECT_DOUBLE_EQ(music->position(), 0.5) << "the running music is left where it is";
    EXPECT_EQ(music->plays, plays + 1) << "asked to go on playing, not restarted";
    EXPECT_FLOAT_EQ(player().volume, 0.0f);
    EXPECT_FALSE(model().playback().isPreparingInteractionSounds());
    EXPECT_EQ(bench.playback.audio.size(), playersMade) << "no new render, no new player";
    // The music and the sounds are read on workers side by side, so either player may come first.
    const auto sounds = std::find_if(bench.playback.audio.begin(), bench.playback.audio.end(),
                                     [&](const QPointer<AudioPlayer>& p) { return p && p.data() != music; });
    ASSERT_NE(sounds, bench.playback.audio.end());
    EXPECT_FLOAT_EQ((*sounds)->volume(), 1.0f) << "the sounds' volume is clamped to 1";

    model().playback().auditionMusic(MusicChoice::pulse);
    FakeAudioPlayer* audition = loaded("night-pulse");
    ASSERT_NE(audition, nullptr);
    change([](EditSettings& s) { s.musicVolume = 0.1; });
    EXPECT_FLOAT_EQ(audition->volume(), 0.1f);
    EXPECT_EQ(model().playback().auditioningMusic(), MusicChoice::pulse);
}

TEST_F(EditorPlaybackTest, SoundsWithoutAnyClickOrTypingRenderNothing)
{
    bench.open(Clips::get().twoSeconds, std::vector<FocusPoint>{});
    const size_t playersMade = bench.playback.audio.size();
    change([](EditSettings& s) { s.interactionSounds = true; });
    EXPECT_FALSE(model().playback().isPreparingInteractionSounds());
    EXPECT_FALSE(model().playback().interactionSoundError().has_value());
    EXPECT_EQ(bench.playback.audio.size(), playersMade);
}

TEST_F(EditorPlaybackTest, OnlyTheNewestSoundRenderIsUsedAndEveryOtherFileIsDeleted)
{
    std::mutex lock;
    QStringList rendered;
    const SoundtrackRenderer real = standardSoundtrackRenderer();
    bench.services.soundtrackRenderer = [&](const InteractionSoundtrack::Key& key, const ExportJob& job) {
        SoundtrackOutcome outcome = real(key, job);
        std::lock_guard guard(lock);
        rendered.append(outcome.path);
        return outcome;
    };
    bench.destroyModel();
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds, std::vector<FocusPoint>{click(0.5), click(1.2)}));

    change([](EditSettings& s) { s.interactionSounds = true; });
    EXPECT_TRUE(model().playback().isPreparingInteractionSounds());
    model().focus().setTrimStart(0.1);
    model().focus().setTrimStart(0.2);
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard guard(lock);
        return rendered.size() == 3 && !model().playback().isPreparingInteractionSounds();
    }));
    QCoreApplication::processEvents();
    FakeAudioPlayer* sounds = static_cast<FakeAudioPlayer*>(bench.playback.audio.back().data());
    ASSERT_NE(sounds, nullptr);
    int existing = 0;
    for (const QString& path : rendered) {
        if (!path.isEmpty() && QFileInfo::exists(path)) {
            ++existing;
            EXPECT_EQ(path, sounds->path) << "the surviving file is the one being played";
        }
    }
    EXPECT_EQ(existing, 1);

    // Opening another movie drops the preview and its file.
    const QString playing = sounds->path;
    ASSERT_TRUE(bench.open(Clips::get().threeSeconds));
    EXPECT_FALSE(QFileInfo::exists(playing));
}

TEST_F(EditorPlaybackTest, AFailedSoundRenderIsReportedAndRetried)
{
    int calls = 0;
    bench.services.soundtrackRenderer = [&calls](const InteractionSoundtrack::Key&, const ExportJob&) {
        ++calls;
        return SoundtrackOutcome{{}, QStringLiteral("Could not create the local interaction soundtrack.")};
    };
    bench.destroyModel();
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds, std::vector<FocusPoint>{click(0.5)}));
    change([](EditSettings& s) { s.interactionSounds = true; });
    ASSERT_TRUE(waitUntil([&] { return model().playback().interactionSoundError().has_value(); }));
    EXPECT_EQ(
        model().playback().interactionSoundError(),
        QStringLiteral("Could not prepare interaction sounds: Could not create the local interaction soundtrack."));
    EXPECT_FALSE(model().playback().isPreparingInteractionSounds());
    model().playback().configureMusicPreview();
    ASSERT_TRUE(waitUntil([&] { return calls == 2 && !model().playback().isPreparingInteractionSounds(); }));
}

TEST_F(EditorPlaybackTest, AnAuditionTogglesSwitchesAndEndsAfterEightSeconds)
{
    model().playback().togglePlayback();
    model().playback().auditionMusic(MusicChoice::glass);
    EXPECT_FALSE(model().playback().isPlaying()) << "an audition pauses playback";
    EXPECT_EQ(model().playback().auditioningMusic(), MusicChoice::glass);
    FakeAudioPlayer* glass = loaded("glass-light");
    ASSERT_NE(glass, nullptr);
    EXPECT_TRUE(glass->playing);
    EXPECT_FLOAT_EQ(glass->volume(), 0.28f);

    model().playback().auditionMusic(MusicChoice::glass);
    EXPECT_FALSE(model().playback().auditioningMusic().has_value());
    EXPECT_EQ(bench.playback.audioFor(track("glass-light")), nullptr) << "the audition player is gone";

    model().playback().auditionMusic(MusicChoice::glass);
    model().playback().auditionMusic(MusicChoice::pulse);
    EXPECT_EQ(model().playback().auditioningMusic(), MusicChoice::pulse);
    ASSERT_NE(loaded("night-pulse"), nullptr);
    EXPECT_EQ(bench.playback.audioFor(track("glass-light")), nullptr) << "the superseded audition never plays";
    bench.scheduler.advance(7.9);
    EXPECT_EQ(model().playback().auditioningMusic(), MusicChoice::pulse);
    bench.scheduler.advance(0.2);
    EXPECT_FALSE(model().playback().auditioningMusic().has_value());

    model().playback().togglePlayback();
    model().playback().auditionMusic(MusicChoice::none);
    EXPECT_FALSE(model().playback().isPlaying());
    EXPECT_FALSE(model().playback().auditioningMusic().has_value());
}

TEST_F(EditorPlaybackTest, MusicThatCannotPlayIsReportedOnce)
{
    change([&](EditSettings& s) {
        s.musicChoice = MusicChoice::custom;
        s.musicFileURL = QUrl::fromLocalFile(bench.path("gone.m4a"));
    });
    EXPECT_TRUE(noticeBecomes(QStringLiteral("Could not play music: The file doesn't exist.")));
    const int requests = bench.playback.audioRequests;
    change([](EditSettings& s) { s.musicVolume = 0.9; });
    EXPECT_EQ(bench.playback.audioRequests, requests) << "the same file is not tried again";

    model().playback().auditionMusic(MusicChoice::custom);
    EXPECT_TRUE(noticeBecomes(QStringLiteral("Could not preview track: The file doesn't exist.")));
    EXPECT_FALSE(model().playback().auditioningMusic().has_value());

    // A built-in track missing from the resources plays nothing and says nothing more.
    change([](EditSettings& s) { s.musicChoice = MusicChoice::bloom; });
    model().playback().auditionMusic(MusicChoice::bloom);
    EXPECT_EQ(model().notice(), QStringLiteral("Could not preview track: The file doesn't exist."));
    EXPECT_FALSE(model().playback().auditioningMusic().has_value());
    EXPECT_EQ(bench.playback.audioRequests, requests + 1) << "only the custom audition was tried";
}

TEST_F(EditorPlaybackTest, SoundFilesAreReadOffTheMainThreadAndOnlyTheNewestReadIsUsed)
{
    // While decoding is held, every call returns at once: the reads wait on workers.
    bench.playback.holdDecoding();
    change([](EditSettings& s) { s.musicChoice = MusicChoice::glass; });
    change([](EditSettings& s) { s.musicChoice = MusicChoice::pulse; });
    model().playback().auditionMusic(MusicChoice::glass);
    EXPECT_EQ(model().playback().auditioningMusic(), MusicChoice::glass) << "the row shows the audition while it loads";
    model().playback().auditionMusic(MusicChoice::glass);
    EXPECT_FALSE(model().playback().auditioningMusic().has_value()) << "a second press stops it before it has started";
    ASSERT_TRUE(waitUntil([&] { return bench.playback.waitingDecodes() >= 1; }));
    EXPECT_TRUE(bench.playback.audio.empty()) << "no player before its file is read";

    bench.playback.releaseDecoding();
    FakeAudioPlayer* pulse = loaded("night-pulse");
    ASSERT_NE(pulse, nullptr);
    EXPECT_TRUE(pulse->looping);
    ASSERT_TRUE(waitUntil([&] { return bench.playback.waitingDecodes() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(bench.playback.audio.size(), 1u) << "the replaced track and the stopped audition made no player";
    EXPECT_FALSE(model().playback().auditioningMusic().has_value());

    // A read still running when the model goes is dropped.
    bench.playback.holdDecoding();
    model().playback().auditionMusic(MusicChoice::glass);
    ASSERT_TRUE(waitUntil([&] { return bench.playback.waitingDecodes() == 1; }));
    bench.destroyModel();
    // The read uses the services the model was given, which need only outlive the model.
    EXPECT_EQ(bench.playback.decodesRunning.load(), 0) << "the model waits for its cancelled read before it goes";
    bench.playback.releaseDecoding();
    QCoreApplication::processEvents();
    EXPECT_EQ(bench.playback.audioFor(track("glass-light")), nullptr);
}

TEST(SoundPreviewTest, OnlySoundFieldsRefreshTheMusicPreview)
{
    const EditSettings base;
    EditSettings trim = base;
    trim.trimEnd = 4;
    EditSettings music = base;
    music.musicVolume = 0.3;
    EditSettings look = base;
    look.cornerRadius = base.cornerRadius + 4;
    EXPECT_TRUE(soundPreviewDiffers(base, trim));
    EXPECT_TRUE(soundPreviewDiffers(base, music));
    EXPECT_FALSE(soundPreviewDiffers(base, look));
    EXPECT_FALSE(soundPreviewDiffers(base, base));
}

}  // namespace
}  // namespace sablewick::test
