#pragma once

#include "document/EditSettings.h"
#include "document/FocusPoint.h"
#include "document/MusicChoice.h"
#include "editor/EditorServices.h"
#include "editor/EditorWorkers.h"
#include "editor/MusicAudition.h"
#include "rendering/InteractionSoundtrack.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace sablewick {

class AudioPlayer;
class EditorDocument;
class EditorNotice;
class ExportJob;
class PreparedMovie;
class VideoPlayer;

// Whether two settings differ in anything the sound preview plays: the music, the volumes, the
// trim and the interaction sounds.
bool soundPreviewDiffers(const EditSettings& a, const EditSettings& b);

// Playback of the open edit with its sound: the movie player, the playhead, the music and the
// interaction sounds as the edit has them, and the audition of a music track. The sound follows
// the edit's settings by itself. Sound files are read and the interaction sounds rendered on
// workers; their results are dropped when they were superseded or this object has gone.
// Main thread only.
class EditorPlayback final : public QObject {
    Q_OBJECT
public:
    static constexpr double auditionLength = 8.0;

    // The services must outlive this object and the work it has started.
    EditorPlayback(const EditorServices& services, EditorDocument& document, EditorNotice& notice,
                   QObject* parent = nullptr);
    ~EditorPlayback() override;

    // The movie player (the preview draws its frames).
    VideoPlayer& player() const { return *m_player; }

    double currentTime() const { return m_currentTime; }
    bool isPlaying() const { return m_isPlaying; }
    bool loopPlayback() const { return m_loopPlayback; }
    bool isPreparingInteractionSounds() const { return m_isPreparingInteractionSounds; }
    const std::optional<QString>& interactionSoundError() const { return m_interactionSoundError; }
    // The track being auditioned, also while its file is still being read.
    std::optional<MusicChoice> auditioningMusic() const
    {
        return m_pendingAudition ? m_pendingAudition : m_audition.choice();
    }

    void setLoopPlayback(bool loop);
    void seek(double seconds);
    void pausePlayback();
    void togglePlayback();
    // Rebuilds the music preview, applies every volume and renders the interaction sounds again
    // when their inputs changed. Runs by itself after every change of the settings that the
    // sound preview plays. Sound files are read on a worker: the preview and an audition start
    // playing once read.
    void configureMusicPreview();
    void auditionMusic(MusicChoice choice);
    // Makes the user's own audio file the edit's music (one undo step) once a worker has found a
    // sound track in it; otherwise the notice says that it could not be read.
    void useMusicFile(const QUrl& file);
    void stopMusicAudition();

    // --- for the document as it replaces the open movie
    // Everything stops, the audition included.
    void silence();
    // The player takes the prepared movie. When it cannot, it goes back to `current` (if any) at
    // the playhead, and `error` says why.
    bool takeMovie(std::unique_ptr<PreparedMovie> movie, QString* error, const std::optional<QUrl>& current);
    // The player and the playhead at the movie's start, without moving the sound.
    void rewind();
    void clearInteractionPreview();

signals:
    void currentTimeChanged();
    void isPlayingChanged();
    void loopPlaybackChanged();
    void isPreparingInteractionSoundsChanged();
    void interactionSoundErrorChanged();
    void auditioningMusicChanged();

private:
    // A sound file being read on a worker for one of the players; setting it drops the result.
    using AudioLoad = std::shared_ptr<std::atomic<bool>>;
    using AudioLoaded =
        std::function<void(EditorPlayback& playback, std::unique_ptr<AudioPlayer> player, const QString& error)>;

    // Hands a worker's result back to the main thread: the one way this object's workers report.
    template <typename F>
    static void toMain(const QPointer<EditorPlayback>& self, F function)
    {
        postToMain(self, std::move(function));
    }

    void settingsChanged();
    void updateTime(double seconds);
    void syncMusicPreviewTime(std::optional<double> time);
    void configureInteractionPreview();
    void applyVolumes();
    std::optional<QUrl> editMusicFile() const;
    // Reads `file` on a worker as far as `reach` seconds from its start and hands its player (or
    // why there is none) to `done` on the main thread, unless the load was cancelled or this
    // object has gone meanwhile.
    AudioLoad loadAudio(const QUrl& file, double reach, AudioLoaded done);
    // How much of the music file the preview plays: the whole movie and a little beyond.
    double musicPreviewReach() const;
    static void cancelLoad(AudioLoad& load);

    void setCurrentTime(double seconds);
    void setIsPlaying(bool playing);
    void setPreparingInteractionSounds(bool value);
    void setInteractionSoundError(std::optional<QString> error);

    EditorServices m_services;
    EditorDocument& m_document;
    EditorNotice& m_notice;

    double m_currentTime = 0;
    bool m_isPlaying = false;
    bool m_loopPlayback = false;
    bool m_isPreparingInteractionSounds = false;
    std::optional<QString> m_interactionSoundError;

    std::unique_ptr<VideoPlayer> m_player;
    MusicAudition m_audition;
    // The settings the sound preview last followed.
    EditSettings m_soundSettings;
    AudioLoad m_musicLoad;
    AudioLoad m_auditionLoad;
    std::optional<MusicChoice> m_pendingAudition;
    std::unique_ptr<AudioPlayer> m_musicPlayer;
    std::optional<QUrl> m_previewMusicURL;  // none: the edit has no music file
    double m_previewMusicReach = 0;         // seconds of the file that the preview read
    std::unique_ptr<AudioPlayer> m_interactionPlayer;
    std::optional<QString> m_interactionPath;
    std::optional<InteractionSoundtrack::Key> m_interactionKey;
    std::shared_ptr<ExportJob> m_interactionRenderJob;
    double m_previewTrimStart = 0;
    // Last, so that it is waited for before anything above goes.
    WorkerGroup m_workers;
};

}  // namespace sablewick
