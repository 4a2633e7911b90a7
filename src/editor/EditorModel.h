#pragma once

#include "document/EditHistory.h"
#include "document/EditSettings.h"
#include "document/FocusPoint.h"
#include "document/MusicChoice.h"
#include "document/Project.h"
#include "editor/EditorError.h"
#include "editor/EditorServices.h"
#include "editor/EditorWorkers.h"
#include "editor/ExportRun.h"
#include "editor/MusicAudition.h"
#include "editor/OrderedWrites.h"
#include "editor/RecoveryWriter.h"
#include "rendering/ExportOptions.h"
#include "rendering/InteractionSoundtrack.h"
#include "rendering/Scene.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace sablewick {

class AudioPlayer;
class ExportJob;
class ScheduledTask;
class VideoPlayer;

// The video editor's one model: the open movie, the edit being made of it (settings and focus
// points), playback and the audio previews, the undo history, the recovery copy on disk, recent
// projects, the thumbnail strip and the export run.
//
// Threading: lives on the main thread; every member is called there. Movie reading (the player's
// decoders included), saves, backups, thumbnails, the soundtrack preview render and the export run on
// worker threads and hand their results back to the main thread, where they are dropped if the
// model is gone or the work was superseded.
//
// Every published value is a getter with a `...Changed` signal.
class EditorModel : public QObject {
    Q_OBJECT
public:
    static constexpr int undoDepthLimit = 100;
    static constexpr double editCoalesceDelay = 0.35;
    static constexpr int recentProjectLimit = 5;
    static constexpr double auditionLength = 8.0;
    static constexpr int thumbnailCount = 12;
    static constexpr QSize thumbnailMaxSize{180, 100};

    // The services must outlive the model and the work it has started.
    explicit EditorModel(EditorServices services, QObject* parent = nullptr);
    ~EditorModel() override;

    // Where the recovery copy of the current edit lies.
    static QString recoveryPath();
    static QUrl recoveryURL() { return QUrl::fromLocalFile(recoveryPath()); }

    // --- published state
    const std::optional<QUrl>& movieURL() const { return m_movieURL; }
    double duration() const { return m_duration; }
    QSizeF sourceSize() const { return m_sourceSize; }
    double currentTime() const { return m_currentTime; }
    const EditSettings& settings() const { return m_settings; }
    const std::vector<FocusPoint>& events() const { return m_events; }
    const std::vector<PointerSample>& pointerSamples() const { return m_pointerSamples; }
    bool editablePointer() const { return m_editablePointer; }
    const std::vector<FocusPoint>& interactionEvents() const { return m_interactionEvents; }
    bool isPreparingInteractionSounds() const { return m_isPreparingInteractionSounds; }
    const std::optional<QString>& interactionSoundError() const { return m_interactionSoundError; }
    // The track being auditioned, also while its file is still being read.
    std::optional<MusicChoice> auditioningMusic() const
    {
        return m_pendingAudition ? m_pendingAudition : m_audition.choice();
    }
    bool isPlaying() const { return m_isPlaying; }
    bool isExporting() const { return m_export.isRunning(); }
    double exportProgress() const { return m_export.progress(); }
    bool isCancellingExport() const { return m_export.isCancelling(); }
    const std::optional<QString>& notice() const { return m_notice; }
    const std::optional<QUrl>& exportURL() const { return m_exportURL; }
    const std::optional<QUrl>& projectURL() const { return m_projectURL; }
    bool canUndo() const { return m_canUndo; }
    bool canRedo() const { return m_canRedo; }
    bool hasUnsavedEdits() const { return m_hasUnsavedEdits; }
    bool loopPlayback() const { return m_loopPlayback; }
    const QList<QImage>& thumbnails() const { return m_thumbnails; }
    const QList<QUrl>& recentProjects() const { return m_recentProjects; }
    bool recoveryAvailable() const { return m_recoveryAvailable; }

    // What the preview and the export compose: the open edit as it stands now.
    Scene scene() const;

    // The movie player (the preview draws its frames).
    VideoPlayer& player() const { return *m_player; }

    // Every assignment records an edit (coalesced into undo steps).
    void setSettings(const EditSettings& settings);
    void setEvents(const std::vector<FocusPoint>& events);
    void setLoopPlayback(bool loop);

    // --- undo and recovery
    // Commits a pending change as one undo step.
    void flushPendingEdits();
    void undo();
    void redo();
    // Writes the recovery copy of the open edit before it returns (quitting, relaunching), after
    // the saves asked for have ended, so that the copy names the project just saved. The model's
    // own backups after each settled change are written on a worker.
    void saveRecovery();
    // Returns once the backups asked for are on disk (or have failed), their outcome published.
    void finishBackups();

    // --- opening and saving. `done` runs on the main thread with whether the open succeeded
    // (false also when a newer open superseded it or the model has gone meanwhile), possibly
    // before the call returns.
    using OpenCompletion = std::function<void(bool)>;
    void open(const QUrl& movie, std::optional<std::vector<FocusPoint>> recordedEvents = std::nullopt,
              OpenCompletion done = {});
    void openProject(const QUrl& project, OpenCompletion done = {});
    // Writes the edit as it stands now as a project file, on a worker. When the write has ended
    // its outcome is published on the main thread (the notice, and on success the project file,
    // the saved state, the recent projects and the backup), then `done` runs with whether the
    // file was written. Saves land in the order asked for. Nothing happens with no movie open.
    using SaveCompletion = std::function<void(bool saved)>;
    void saveProject(const QUrl& destination, SaveCompletion done = {});
    // Returns once every save asked for has ended and its outcome is published: before anything
    // replaces the open edit, and for a caller that must know at once whether it was saved.
    void finishSaving();
    // Drops unusable pointer samples and orders the rest by time.
    static std::vector<PointerSample> validPointerSamples(const std::vector<PointerSample>& samples,
                                                          double duration);

    // --- playback and previews
    void seek(double seconds);
    void pausePlayback();
    void togglePlayback();
    // Rebuilds the music preview, applies every volume and renders the interaction sounds again
    // when their inputs changed. The views call it after every change of the settings. Sound
    // files are read on a worker: the preview and an audition start playing once read.
    void configureMusicPreview();
    void auditionMusic(MusicChoice choice);
    // Makes the user's own audio file the edit's music (one undo step) once a worker has found a
    // sound track in it; otherwise the notice says that it could not be read.
    void useMusicFile(const QUrl& file);
    void stopMusicAudition();

    // --- focus points (canvas points are in the layout's space: y up, settings().canvasSize())
    double newZoomStart(std::optional<double> time) const;
    std::optional<QUuid> addFocusPoint(double time, QPointF canvasPoint);
    bool placeFocusPoint(const QUuid& id, QPointF canvasPoint);
    void previewFocusPoint(const QUuid& id);
    void moveFocusPoint(const QUuid& id, double time);
    void finishMovingFocusPoint(const QUuid& id);
    double latestZoomStart(const QUuid& id) const;
    void removeFocusPoint(const FocusPoint& point);
    double zoomLength(const QUuid& id) const;
    double maxZoomLength(const QUuid& id) const;
    void setZoomLength(double length, const QUuid& id);
    void resetZoomLength(const QUuid& id);
    void applyZoomAmountToAll(double amount);

    // --- trim and export
    void setTrimStart(double seconds);
    void setTrimEnd(double seconds);
    // Starts an export; `done` runs on the main thread when the run has ended, whatever its
    // outcome, also when the model has gone meanwhile (a running export is not cancelled by the
    // model's end). Ignored (and `done` never runs) when no movie is open or an export is running.
    void export_(const QUrl& destination, const ExportOptions& options, std::function<void()> done = {});
    void cancelExport();

    // The one message of the main window's banner; the shell also reports its own outcomes here.
    void setNotice(std::optional<QString> notice);

signals:
    void movieURLChanged();
    void durationChanged();
    void sourceSizeChanged();
    void currentTimeChanged();
    void settingsChanged();
    void eventsChanged();
    void pointerSamplesChanged();
    void editablePointerChanged();
    void interactionEventsChanged();
    void isPreparingInteractionSoundsChanged();
    void interactionSoundErrorChanged();
    void auditioningMusicChanged();
    void isPlayingChanged();
    void isExportingChanged();
    void exportProgressChanged();
    void isCancellingExportChanged();
    void noticeChanged();
    void exportURLChanged();
    void projectURLChanged();
    void canUndoChanged();
    void canRedoChanged();
    void hasUnsavedEditsChanged();
    void loopPlaybackChanged();
    void thumbnailsChanged();
    void recentProjectsChanged();
    void recoveryAvailableChanged();
    // The preview drops what it built for the previous focus points and composes afresh.
    void compositionReset();

private:
    struct Edit {
        EditSettings settings;
        std::vector<FocusPoint> events;
        bool operator==(const Edit&) const = default;
    };
    struct MovieLoad;

    Edit currentEdit() const { return {m_settings, m_events}; }
    // The open edit as a project record, without a saved-project location.
    FocusProject currentProject() const;
    void restoreEdit(const Edit& edit);
    // After an undo or redo: the previews follow the restored edit and it is backed up.
    void settleRestoredEdit();
    void publishHistory();
    // Backs up the open edit on a worker.
    void backUp();
    void backupEnded(bool written);
    FocusProject recoveryProject() const;

    void openMovie(const QUrl& movie, std::optional<std::vector<FocusPoint>> recordedEvents,
                   const QUuid& generation, OpenCompletion done);
    void finishOpeningMovie(const QUrl& movie, std::optional<std::vector<FocusPoint>> recordedEvents,
                            const QUuid& generation, MovieLoad& load, OpenCompletion done);
    void restoreProject(const QUrl& file, const FocusProject& project, const QUuid& generation);
    void failOpen(const QString& prefix, const QString& description, const QUuid& generation);
    void saveEnded(const QUrl& destination, const Edit& saved, const std::optional<QString>& failure);
    void rememberProject(const QUrl& project);
    void loadThumbnails();
    void appendThumbnail(const QImage& image);
    void finishExport(const QUrl& destination, const ExportOutcome& outcome);

    void updateTime(double seconds);
    void syncMusicPreviewTime(std::optional<double> time);
    void configureInteractionPreview();
    void clearInteractionPreview();
    void applyVolumes();
    std::optional<QUrl> editMusicFile() const;
    // A sound file being read on a worker for one of the players; setting it drops the result.
    using AudioLoad = std::shared_ptr<std::atomic<bool>>;
    using AudioLoaded = std::function<void(EditorModel& model, std::unique_ptr<AudioPlayer> player, const QString& error)>;
    // Reads `file` on a worker as far as `reach` seconds from its start and hands its player (or
    // why there is none) to `done` on the main thread, unless the load was cancelled or the
    // model has gone meanwhile.
    AudioLoad loadAudio(const QUrl& file, double reach, AudioLoaded done);
    // How much of the music file the preview plays: the whole movie and a little beyond.
    double musicPreviewReach() const;
    static void cancelLoad(AudioLoad& load);

    std::optional<QPointF> sourceFocus(QPointF canvasPoint) const;
    const FocusPoint* findPoint(const QUuid& id) const;
    double playableEnd() const;
    QUuid insertFocusPoint(std::optional<double> time, QPointF focus);
    void resetPlayerComposition();

    // Replaces a published value and announces it when it changed.
    template <typename T>
    void publish(T& member, T value, void (EditorModel::*changed)())
    {
        if (member == value)
            return;
        member = std::move(value);
        emit(this->*changed)();
    }

    // Assigns without recording an edit (document replacement and restores).
    void assignSettings(const EditSettings& settings);
    void assignEvents(const std::vector<FocusPoint>& events);
    void setCurrentTime(double seconds);
    void setIsPlaying(bool playing);
    void setCanUndo(bool value);
    void setCanRedo(bool value);
    void setHasUnsavedEdits(bool value);
    void setRecoveryAvailable(bool value);
    void setPreparingInteractionSounds(bool value);
    void setPointerSamples(std::vector<PointerSample> samples);
    void setEditablePointer(bool value);
    void setInteractionEvents(std::vector<FocusPoint> events);
    void setMovie(std::optional<QUrl> url, double duration, QSizeF sourceSize);
    void setInteractionSoundError(std::optional<QString> error);
    void setExportURL(std::optional<QUrl> url);
    void setProjectURL(std::optional<QUrl> url);
    void setThumbnails(QList<QImage> thumbnails);
    void setRecentProjects(QList<QUrl> projects);

    EditorServices m_services;

    // Published.
    std::optional<QUrl> m_movieURL;
    double m_duration = 0;
    QSizeF m_sourceSize{16, 9};
    double m_currentTime = 0;
    EditSettings m_settings;
    std::vector<FocusPoint> m_events;
    std::vector<PointerSample> m_pointerSamples;
    bool m_editablePointer = false;
    std::vector<FocusPoint> m_interactionEvents;
    bool m_isPreparingInteractionSounds = false;
    std::optional<QString> m_interactionSoundError;
    bool m_isPlaying = false;
    std::optional<QString> m_notice;
    std::optional<QUrl> m_exportURL;
    std::optional<QUrl> m_projectURL;
    bool m_canUndo = false;
    bool m_canRedo = false;
    bool m_hasUnsavedEdits = false;
    bool m_loopPlayback = false;
    QList<QImage> m_thumbnails;
    QList<QUrl> m_recentProjects;
    bool m_recoveryAvailable = false;

    // Private.
    std::unique_ptr<VideoPlayer> m_player;
    EditHistory<Edit> m_history;
    ExportRun m_export;
    MusicAudition m_audition;
    RecoveryWriter m_recovery;
    OrderedWrites m_saves{false};
    std::shared_ptr<std::atomic<bool>> m_thumbnailCancel;
    QUuid m_openGeneration = QUuid::createUuid();
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
