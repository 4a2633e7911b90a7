#pragma once

#include "document/EditHistory.h"
#include "document/EditSettings.h"
#include "document/FocusPoint.h"
#include "document/MusicChoice.h"
#include "document/Project.h"
#include "editor/EditorServices.h"
#include "editor/EditorWorkers.h"
#include "editor/OrderedWrites.h"
#include "editor/RecoveryWriter.h"
#include "rendering/Scene.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
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

class EditorNotice;
class EditorPlayback;

// The video editor's document: the open movie, the edit being made of it (settings and focus
// points), the undo history, the recovery copy on disk, the project file, recent projects and the
// thumbnail strip. Opening a movie hands it to playback.
//
// Threading: lives on the main thread; every member is called there. Movie reading (the player's
// decoders included), saves, backups and thumbnails run on worker threads and hand their results
// back to the main thread, where they are dropped if the document is gone or the work was
// superseded.
//
// Every published value is a getter with a `...Changed` signal.
class EditorDocument : public QObject {
    Q_OBJECT
public:
    static constexpr int undoDepthLimit = 100;
    static constexpr double editCoalesceDelay = 0.35;
    static constexpr int recentProjectLimit = 5;
    static constexpr int thumbnailCount = 12;
    static constexpr QSize thumbnailMaxSize{180, 100};

    // The services must outlive the document and the work it has started. Playback is only
    // reached once the document is built (it may be built after it).
    EditorDocument(const EditorServices& services, EditorNotice& notice, EditorPlayback& playback,
                   QObject* parent = nullptr);
    ~EditorDocument() override;

    // Where the recovery copy of the current edit lies.
    static QString recoveryPath();
    static QUrl recoveryURL() { return QUrl::fromLocalFile(recoveryPath()); }

    // --- published state
    const std::optional<QUrl>& movieURL() const { return m_movieURL; }
    double duration() const { return m_duration; }
    QSizeF sourceSize() const { return m_sourceSize; }
    const EditSettings& settings() const { return m_settings; }
    const std::vector<FocusPoint>& events() const { return m_events; }
    const std::vector<PointerSample>& pointerSamples() const { return *m_pointerSamples; }
    bool editablePointer() const { return m_editablePointer; }
    const std::vector<FocusPoint>& interactionEvents() const { return m_interactionEvents; }
    const std::optional<QUrl>& projectURL() const { return m_projectURL; }
    bool canUndo() const { return m_canUndo; }
    bool canRedo() const { return m_canRedo; }
    bool hasUnsavedEdits() const { return m_hasUnsavedEdits; }
    const QList<QImage>& thumbnails() const { return m_thumbnails; }
    const QList<QUrl>& recentProjects() const { return m_recentProjects; }
    bool recoveryAvailable() const { return m_recoveryAvailable; }

    // What the preview and the export compose: the open edit as it stands now.
    Scene scene() const;
    // Counts the changes of what the pictures of the edit are composed from, so that a view can
    // tell whether what it composed is current without comparing scenes. The trim decides which
    // frames there are, not how one looks: it is left out.
    quint64 compositionRevision() const { return m_compositionRevision; }

    // Every assignment records an edit (coalesced into undo steps).
    void setSettings(const EditSettings& settings);
    void setEvents(const std::vector<FocusPoint>& events);

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
    static std::vector<PointerSample> validPointerSamples(const std::vector<PointerSample>& samples, double duration);

    // The preview drops what it built for the previous focus points and composes afresh (soon,
    // not within this call).
    void resetComposition();

signals:
    void movieURLChanged();
    void durationChanged();
    void sourceSizeChanged();
    void settingsChanged();
    void eventsChanged();
    void pointerSamplesChanged();
    void editablePointerChanged();
    void interactionEventsChanged();
    void projectURLChanged();
    void canUndoChanged();
    void canRedoChanged();
    void hasUnsavedEditsChanged();
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

    void openMovie(const QUrl& movie, std::optional<std::vector<FocusPoint>> recordedEvents, const QUuid& generation,
                   OpenCompletion done);
    void finishOpeningMovie(const QUrl& movie, std::optional<std::vector<FocusPoint>> recordedEvents,
                            const QUuid& generation, MovieLoad& load, OpenCompletion done);
    void restoreProject(const QUrl& file, const FocusProject& project, const QUuid& generation);
    void failOpen(const QString& prefix, const QString& description, const QUuid& generation);
    void saveEnded(const QUrl& destination, const Edit& saved, const std::optional<QString>& failure);
    void rememberProject(const QUrl& project);
    void loadThumbnails();
    void appendThumbnail(const QImage& image);

    // Hands a worker's result back to the main thread: the one way this object's workers report.
    template <typename F>
    static void toMain(const QPointer<EditorDocument>& self, F function)
    {
        postToMain(self, std::move(function));
    }

    // Publishes a value the scene is composed from: the composition revision counts it first.
    template <typename T>
    void publishComposed(T& member, T value, void (EditorDocument::*changed)());

    // Assigns without recording an edit (document replacement and restores).
    void assignSettings(const EditSettings& settings);
    void assignEvents(const std::vector<FocusPoint>& events);
    void setCanUndo(bool value);
    void setCanRedo(bool value);
    void setHasUnsavedEdits(bool value);
    void setRecoveryAvailable(bool value);
    void setPointerSamples(std::vector<PointerSample> samples);
    void setEditablePointer(bool value);
    void setInteractionEvents(std::vector<FocusPoint> events);
    void setMovie(std::optional<QUrl> url, double duration, QSizeF sourceSize);
    void setProjectURL(std::optional<QUrl> url);
    void setThumbnails(QList<QImage> thumbnails);
    void setRecentProjects(QList<QUrl> projects);

    EditorServices m_services;
    EditorNotice& m_notice;
    EditorPlayback& m_playback;

    // Published.
    std::optional<QUrl> m_movieURL;
    double m_duration = 0;
    QSizeF m_sourceSize{16, 9};
    EditSettings m_settings;
    std::vector<FocusPoint> m_events;
    // Shared with every scene taken of the edit; never null.
    std::shared_ptr<const std::vector<PointerSample>> m_pointerSamples =
        std::make_shared<const std::vector<PointerSample>>();
    quint64 m_compositionRevision = 0;
    bool m_editablePointer = false;
    std::vector<FocusPoint> m_interactionEvents;
    std::optional<QUrl> m_projectURL;
    bool m_canUndo = false;
    bool m_canRedo = false;
    bool m_hasUnsavedEdits = false;
    QList<QImage> m_thumbnails;
    QList<QUrl> m_recentProjects;
    bool m_recoveryAvailable = false;

    // Private.
    EditHistory<Edit> m_history;
    RecoveryWriter m_recovery;
    OrderedWrites m_saves{false};
    std::shared_ptr<std::atomic<bool>> m_thumbnailCancel;
    QUuid m_openGeneration = QUuid::createUuid();
    // Last, so that it is waited for before anything above goes.
    WorkerGroup m_workers;
};

}  // namespace sablewick
