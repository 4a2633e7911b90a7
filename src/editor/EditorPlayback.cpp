#include "editor/EditorPlayback.h"

#include "editor/EditorError.h"
#include "editor/EditorDocument.h"
#include "editor/EditorNotice.h"
#include "media/PlaybackInterfaces.h"
#include "rendering/ExportJob.h"
#include "platform/MainThread.h"

#include <functional>

#include <QFile>

#include <algorithm>
#include <cmath>
#include <limits>

namespace sablewick {

namespace {

// A player volume from a setting: 1 or more, or not a number, plays at full volume.
float playerVolume(std::optional<double> setting, double whenAbsent)
{
    const double v = setting.value_or(whenAbsent);
    if (std::isnan(v) || v >= 1)
        return 1.0f;
    if (v < 0)
        return 0.0f;
    return static_cast<float>(v);
}

}  // namespace

bool soundPreviewDiffers(const EditSettings& a, const EditSettings& b)
{
    return a.musicChoice != b.musicChoice || a.musicFileURL != b.musicFileURL || a.musicVolume != b.musicVolume
        || a.sourceVolume != b.sourceVolume || a.trimStart != b.trimStart || a.trimEnd != b.trimEnd
        || a.interactionSounds != b.interactionSounds || a.interactionSoundStyle != b.interactionSoundStyle
        || a.interactionVolume != b.interactionVolume || a.clickSounds != b.clickSounds
        || a.typingSounds != b.typingSounds;
}

EditorPlayback::EditorPlayback(const EditorServices& services, EditorDocument& document, EditorNotice& notice,
                               QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_document(document)
    , m_notice(notice)
    , m_player(m_services.playback->makeVideoPlayer())
    , m_audition(*m_services.scheduler, auditionLength)
    , m_soundSettings(document.settings())
{
    cancelWorkersAtExit(this, [this] {
        if (m_interactionRenderJob)
            m_interactionRenderJob->cancel();
        cancelLoad(m_musicLoad);
        cancelLoad(m_auditionLoad);
    });
    connect(&m_audition, &MusicAudition::choiceChanged, this, &EditorPlayback::auditioningMusicChanged);
    connect(&document, &EditorDocument::settingsChanged, this, &EditorPlayback::settingsChanged);

    // Queued, so that a tick never runs inside a call into the player.
    connect(m_player.get(), &VideoPlayer::timeChanged, this, &EditorPlayback::updateTime, Qt::QueuedConnection);
    // The end report reaches the trim end by itself; the end notice only matters when the
    // player's movie ended short of it. It is queued behind that report, so a loop that report
    // restarted is playing again by now and must not be restarted a second time.
    connect(
        m_player.get(), &VideoPlayer::reachedEnd, this,
        [this] {
            if (m_isPlaying && !m_player->isPlaying())
                updateTime(std::max(m_player->currentTime(), m_document.duration()));
        },
        Qt::QueuedConnection);
}

EditorPlayback::~EditorPlayback()
{
    forgetWorkers(this);
    disconnect(m_player.get(), nullptr, this, nullptr);
    if (m_interactionRenderJob)
        m_interactionRenderJob->cancel();
    if (m_interactionPath)
        QFile::remove(*m_interactionPath);
    cancelLoad(m_musicLoad);
    cancelLoad(m_auditionLoad);
    m_workers.waitForDone();
}

void EditorPlayback::settingsChanged()
{
    const EditSettings previous = std::exchange(m_soundSettings, m_document.settings());
    if (soundPreviewDiffers(previous, m_soundSettings))
        configureMusicPreview();
}

void EditorPlayback::setLoopPlayback(bool loop)
{
    publish(m_loopPlayback, loop, std::bind_front(&EditorPlayback::loopPlaybackChanged, this));
}

void EditorPlayback::setCurrentTime(double seconds)
{
    publish(m_currentTime, seconds, std::bind_front(&EditorPlayback::currentTimeChanged, this));
}

void EditorPlayback::setIsPlaying(bool playing)
{
    publish(m_isPlaying, playing, std::bind_front(&EditorPlayback::isPlayingChanged, this));
}

void EditorPlayback::setPreparingInteractionSounds(bool value)
{
    publish(m_isPreparingInteractionSounds, value, std::bind_front(&EditorPlayback::isPreparingInteractionSoundsChanged, this));
}

void EditorPlayback::setInteractionSoundError(std::optional<QString> error)
{
    publish(m_interactionSoundError, std::move(error), std::bind_front(&EditorPlayback::interactionSoundErrorChanged, this));
}

void EditorPlayback::silence()
{
    stopMusicAudition();
    m_player->pause();
    if (m_musicPlayer)
        m_musicPlayer->stop();
    if (m_interactionPlayer)
        m_interactionPlayer->pause();
    setIsPlaying(false);
}

bool EditorPlayback::takeMovie(std::unique_ptr<PreparedMovie> movie, QString* error, const std::optional<QUrl>& current)
{
    if (m_player->openPrepared(std::move(movie), error))
        return true;
    if (current) {
        QString ignored;
        if (m_player->open(current->toLocalFile(), &ignored))
            m_player->seek(m_currentTime);
    }
    return false;
}

void EditorPlayback::rewind()
{
    m_player->seek(0);
    setCurrentTime(0);
}

void EditorPlayback::seek(double seconds)
{
    if (std::isnan(seconds))
        return;
    const double t = std::max(std::min(seconds, m_document.duration()), 0.0);
    m_player->seek(t);
    setCurrentTime(t);
    syncMusicPreviewTime(t);
}

void EditorPlayback::pausePlayback()
{
    stopMusicAudition();
    m_player->pause();
    if (const double t = m_player->currentTime(); std::isfinite(t))
        setCurrentTime(t);
    if (m_musicPlayer)
        m_musicPlayer->pause();
    if (m_interactionPlayer)
        m_interactionPlayer->pause();
    setIsPlaying(false);
}

void EditorPlayback::togglePlayback()
{
    if (m_isPlaying) {
        pausePlayback();
        return;
    }
    if (!m_document.movieURL())
        return;
    stopMusicAudition();
    if (m_currentTime < m_document.settings().trimStart || m_currentTime >= m_document.settings().trimEnd - 0.05)
        seek(m_document.settings().trimStart);
    m_player->play();
    syncMusicPreviewTime(std::nullopt);
    if (m_musicPlayer)
        m_musicPlayer->play();
    if (m_interactionPlayer)
        m_interactionPlayer->play();
    setIsPlaying(true);
}

void EditorPlayback::updateTime(double seconds)
{
    if (!m_isPlaying)
        return;
    setCurrentTime(std::isfinite(seconds) ? seconds : 0.0);
    if (m_document.settings().trimEnd > 0 && m_currentTime >= m_document.settings().trimEnd) {
        if (m_loopPlayback) {
            seek(m_document.settings().trimStart);
            m_player->play();
            if (m_musicPlayer)
                m_musicPlayer->play();
            if (m_interactionPlayer)
                m_interactionPlayer->play();
        } else {
            pausePlayback();
        }
    }
}

void EditorPlayback::syncMusicPreviewTime(std::optional<double> time)
{
    double t = m_currentTime;
    if (time) {
        t = *time;
    } else if (m_isPlaying) {
        if (const double playerTime = m_player->currentTime(); std::isfinite(playerTime))
            t = playerTime;
    }
    const double fromTrimStart = t - m_document.settings().trimStart;
    if (m_musicPlayer) {
        if (const double length = m_musicPlayer->length(); length > 0)
            m_musicPlayer->setPosition(std::fmod(std::max(fromTrimStart, 0.0), length));
    }
    if (m_interactionPlayer)
        m_interactionPlayer->setPosition(std::max(std::min(fromTrimStart, m_interactionPlayer->length()), 0.0));
}

std::optional<QUrl> EditorPlayback::editMusicFile() const
{
    const MusicChoice choice = m_document.settings().effectiveMusicChoice();
    if (choice == MusicChoice::none)
        return std::nullopt;
    if (choice == MusicChoice::custom)
        return m_document.settings().musicFileURL;
    return Music::bundledURL(choice);
}

EditorPlayback::AudioLoad EditorPlayback::loadAudio(const QUrl& file, double reach, AudioLoaded done)
{
    auto load = std::make_shared<std::atomic<bool>>(false);
    PlaybackFactory* factory = m_services.playback;
    const QString path = file.isLocalFile() ? file.toLocalFile() : QString();
    QPointer<EditorPlayback> self(this);
    m_workers.start([=] {
        QString error = description(EditorError::notLocalFile);
        std::shared_ptr<DecodedAudio> audio;
        if (!path.isEmpty()) {
            error.clear();
            audio = factory->decodeAudio(
                path, reach, [load] { return load->load(); }, &error);
            if (!audio && error.isEmpty())
                error = QStringLiteral("The file couldn't be opened.");
        }
        toMain(self, [=](EditorPlayback* playback) {
            if (!playback || load->load())
                return;
            std::unique_ptr<AudioPlayer> player =
                audio ? playback->m_services.playback->makeAudioPlayer(std::move(*audio)) : nullptr;
            done(*playback, std::move(player), error);
        });
    });
    return load;
}

void EditorPlayback::cancelLoad(AudioLoad& load)
{
    if (load)
        load->store(true);
    load.reset();
}

void EditorPlayback::applyVolumes()
{
    m_player->setVolume(playerVolume(m_document.settings().sourceVolume, EditDefaults::sourceVolume));
    const float music = playerVolume(m_document.settings().musicVolume, EditDefaults::musicVolume);
    if (m_musicPlayer)
        m_musicPlayer->setVolume(music);
    m_audition.setVolume(music);
}

double EditorPlayback::musicPreviewReach() const
{
    // The music is placed at the movie's time less the trim start, looped at the track's end, so
    // nothing past the movie's length is ever heard: a long track is read only that far. The
    // slack covers the report after which playback stops at the movie's end.
    constexpr double slack = 2.0;
    return m_document.duration() + slack;
}

void EditorPlayback::configureMusicPreview()
{
    const std::optional<QUrl> file = editMusicFile();
    // Another movie needs another stretch of the same file.
    const bool musicChanged = file != m_previewMusicURL || (file && musicPreviewReach() != m_previewMusicReach);
    if (musicChanged) {
        stopMusicAudition();
        if (m_musicPlayer)
            m_musicPlayer->stop();
        m_musicPlayer.reset();
        cancelLoad(m_musicLoad);
        // Kept even when the file fails, so that the same file is not retried at every change.
        m_previewMusicURL = file;
        m_previewMusicReach = musicPreviewReach();
        if (file) {
            m_musicLoad =
                loadAudio(*file, m_previewMusicReach,
                          [](EditorPlayback& playback, std::unique_ptr<AudioPlayer> player, const QString& error) {
                              playback.m_musicLoad.reset();
                              if (!player) {
                                  playback.m_notice.set(QStringLiteral("Could not play music: ") + error);
                                  return;
                              }
                              player->setLooping(true);
                              playback.m_musicPlayer = std::move(player);
                              playback.applyVolumes();
                              playback.syncMusicPreviewTime(std::nullopt);
                              if (playback.m_isPlaying)
                                  playback.m_musicPlayer->play();
                          });
        }
    }
    applyVolumes();
    if (musicChanged || m_previewTrimStart != m_document.settings().trimStart || !m_isPlaying) {
        m_previewTrimStart = m_document.settings().trimStart;
        syncMusicPreviewTime(std::nullopt);
    }
    configureInteractionPreview();
    if (m_isPlaying && m_musicPlayer)
        m_musicPlayer->play();
}

void EditorPlayback::configureInteractionPreview()
{
    const float volume = playerVolume(m_document.settings().interactionVolume, EditDefaults::interactionVolume);
    if (m_interactionPlayer)
        m_interactionPlayer->setVolume(volume);
    InteractionSoundtrack::Key key(m_document.settings(), m_document.interactionEvents());
    if (!m_document.settings().effectiveInteractionSounds() || key.events.empty()) {
        clearInteractionPreview();
        setInteractionSoundError(std::nullopt);
        return;
    }
    if (m_interactionKey && *m_interactionKey == key)
        return;

    clearInteractionPreview();
    m_interactionKey = key;
    setInteractionSoundError(std::nullopt);
    setPreparingInteractionSounds(true);
    auto job = std::make_shared<ExportJob>();
    m_interactionRenderJob = job;

    const SoundtrackRenderer render = m_services.soundtrackRenderer;
    PlaybackFactory* factory = m_services.playback;
    QPointer<EditorPlayback> self(this);
    m_workers.start([=] {
        SoundtrackOutcome outcome = render ? render(key, *job)
                                           : SoundtrackOutcome{{}, description(EditorError::exportUnavailable)};
        // The rendered file is read here too: a long recording's soundtrack takes a while.
        std::shared_ptr<DecodedAudio> audio;
        if (!outcome.path.isEmpty() && !job->isCancelled()) {
            audio = factory->decodeAudio(
                outcome.path, std::numeric_limits<double>::infinity(), [job] { return job->isCancelled(); },
                &outcome.error);
            if (!audio && outcome.error.isEmpty() && !job->isCancelled())
                outcome.error = QStringLiteral("The file couldn't be opened.");
        }
        toMain(self, [=](EditorPlayback* playback) {
            const bool current = playback && playback->m_interactionRenderJob == job;
            const auto fail = [&](const QString& error) {
                if (!current || job->isCancelled())
                    return;
                playback->setPreparingInteractionSounds(false);
                playback->m_interactionKey.reset();
                playback->setInteractionSoundError(QStringLiteral("Could not prepare interaction sounds: ") + error);
            };
            if (outcome.path.isEmpty())
                return fail(outcome.error);
            if (!current || job->isCancelled()) {
                QFile::remove(outcome.path);
                return;
            }
            if (!audio) {
                QFile::remove(outcome.path);
                return fail(outcome.error);
            }
            std::unique_ptr<AudioPlayer> player = playback->m_services.playback->makeAudioPlayer(std::move(*audio));
            player->setVolume(
                playerVolume(playback->m_document.settings().interactionVolume, EditDefaults::interactionVolume));
            playback->m_interactionPlayer = std::move(player);
            playback->m_interactionPath = outcome.path;
            playback->syncMusicPreviewTime(std::nullopt);
            if (playback->m_isPlaying)
                playback->m_interactionPlayer->play();
            playback->setPreparingInteractionSounds(false);
        });
    });
}

void EditorPlayback::clearInteractionPreview()
{
    if (m_interactionRenderJob)
        m_interactionRenderJob->cancel();
    m_interactionRenderJob.reset();
    if (m_interactionPlayer)
        m_interactionPlayer->stop();
    m_interactionPlayer.reset();
    m_interactionKey.reset();
    setPreparingInteractionSounds(false);
    if (m_interactionPath) {
        QFile::remove(*m_interactionPath);
        m_interactionPath.reset();
    }
}

void EditorPlayback::auditionMusic(MusicChoice choice)
{
    if (auditioningMusic() == choice) {
        stopMusicAudition();
        return;
    }
    pausePlayback();
    const std::optional<QUrl> file = choice == MusicChoice::custom ? m_document.settings().musicFileURL
                                                                   : Music::bundledURL(choice);
    if (!file)
        return;
    m_pendingAudition = choice;
    emit auditioningMusicChanged();
    // An audition stops by itself, so only its first seconds of a long track are read.
    m_auditionLoad =
        loadAudio(*file, auditionLength + 1.0,
                  [choice](EditorPlayback& playback, std::unique_ptr<AudioPlayer> player, const QString& error) {
                      playback.m_auditionLoad.reset();
                      playback.m_pendingAudition.reset();
                      if (!player) {
                          emit playback.auditioningMusicChanged();
                          playback.m_notice.set(QStringLiteral("Could not preview track: ") + error);
                          return;
                      }
                      playback.m_audition.start(
                          choice, std::move(player),
                          playerVolume(playback.m_document.settings().musicVolume, EditDefaults::musicVolume));
                  });
}

void EditorPlayback::useMusicFile(const QUrl& file)
{
    MovieInspector* movies = m_services.movies;
    QPointer<EditorPlayback> self(this);
    m_workers.start([=] {
        MovieMetadata metadata;
        QString error;
        const bool readable = file.isLocalFile() && movies->inspect(file.toLocalFile(), &metadata, &error)
            && metadata.audioTracks > 0;
        toMain(self, [=](EditorPlayback* playback) {
            if (!playback)
                return;
            if (!readable) {
                playback->m_notice.set(QStringLiteral("Could not read audio from ") + file.fileName()
                                       + QLatin1Char('.'));
                return;
            }
            EditSettings settings = playback->m_document.settings();
            settings.musicFileURL = file;
            settings.musicChoice = MusicChoice::custom;
            playback->m_document.setSettings(settings);
        });
    });
}

void EditorPlayback::stopMusicAudition()
{
    if (m_auditionLoad) {
        cancelLoad(m_auditionLoad);
        m_pendingAudition.reset();
        emit auditioningMusicChanged();
    }
    m_audition.stop();
}

}  // namespace sablewick
